// The environment and configuration readers fed arbitrary keys and values.
// The first byte chooses:
// - the custom environment sequence of the environment tests over fixed and
//   arbitrary names and values: the printed section and every lookup follow
//   a newest-first list, integers read as saturating atoi;
// - the configuration sequence of the configuration tests: every modelled
//   key of a configuration object follows the rule of its kind;
// - a configuration created from arbitrary entries for any key (paths,
//   prefixes, levels, internal keys included): its level never rises above
//   the default, and the replay and script names follow the documented
//   pattern.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "support/EnvironmentModel.h"
#include "support/InternalMode.h"
#include "vela/foundation/VelaEnvironment.h"

namespace {

using vela::fuzz::ByteChoices;
using vela::fuzz::Require;
using vela::fuzz::RequireAgreement;

constexpr int kSteps = 200;

// Text without zero bytes (names and values are C strings).
std::string CText(ByteChoices& c, std::size_t max) {
  std::string text = c.Text(max);
  for (char& ch : text) {
    if (ch == '\0') ch = '0';
  }
  return text;
}

void CustomEnvironment(ByteChoices& c) {
  std::vector<std::string> names = {"VELA_FUZZ_A", "VELA_FUZZ_B", "VELA_FUZZ_C", ""};
  std::vector<std::string> values = {"", "1", "-0", " +42z", "2147483648", "-99999999999", "1e999", "nan", "0x1A"};
  for (int k = 0; k < 2; ++k) {
    const std::string name = CText(c, 12);
    // The process environment would win over the table: not a name to model.
    if (std::getenv(name.c_str()) == nullptr) names.push_back(name);
  }
  for (int k = 0; k < 3; ++k) values.push_back(CText(c, 24));
  RequireAgreement(vela::test::RunEnvironmentSequence(c, names, values, kSteps));
}

// Every key the configuration reads, the modelled ones and the others.
std::vector<std::string> AllKeys() {
  std::vector<std::string> keys = {"VelaLevel",        "VelaHFLevel",          "KORCX_MEMORY",
                                   "VelaReplayPath",   "VelaReplayPrefix",     "VelaInputPath",
                                   "VelaOutputFile",   "VelaReplayMethod",     "VelaCheckMode",
                                   "VelaTraceLevel",   "VelaReplayPlugMode",   "QTS_LOG_NAME",
                                   "KorDevelopmentStage", "VelaUseSystemConstants"};
  for (const vela::test::ConfigKey& k : vela::test::ConfigKeys()) keys.push_back(k.key);
  return keys;
}

void Creation(ByteChoices& c) {
  static const std::vector<std::string> keys = AllKeys();
  static const char* const kTexts[] = {"", "levelbsf", "500", "7", "-1", "100000", "TRUE", "C:\\r", "abc", "x/y\\"};
  VelaFlushEnv();
  for (std::size_t n = c.Pick(12); n > 0 && !c.Exhausted(); --n) {
    const std::string& key = keys[c.Pick(keys.size())];
    const std::string value = c.Chance(50) ? std::string(kTexts[c.Pick(10)]) : CText(c, 16);
    VelaSetEnv(key.c_str(), value.c_str());
  }
  VelaGlobalParameters p;
  p.Initialize();
  p.InitializeEnv();
  Require(p.GetVelOpenConfigurationLevel() <= 751, "the level rose above its default");
  const std::string path = p.GetReplayPath().str();
  const std::string prefix = !VelaGetEnv("VelaReplayPrefix").isEmpty() ? VelaGetEnv("VelaReplayPrefix").str()
                             : !VelaGetEnv("QTS_LOG_NAME").isEmpty()
                                 ? std::string(VelaGetEnv("QTS_LOG_NAME").str()) + "_"
                                 : std::string("Vela");
  const std::string folder = path.empty() ? "" : path + "\\";
  const std::string replay = p.GetReplayFullName().str();
  Require(replay == folder + prefix + "001.VelReplay", "replay name \"" + replay + "\"");
  const std::string script = p.GetScriptFullName().str();
  Require(script == folder + prefix + "1.VelScript", "script name \"" + script + "\"");
  VelaGlobalParameters copy(p);
  copy.Save();
  copy.Initialize();
  copy.Restore();
  Require(copy.GetVelFullOpenConfigurationLevel() == p.GetVelFullOpenConfigurationLevel(),
          "Restore did not bring the levels back");
  VelaFlushEnv();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The process keeps none of the configuration's variables: the custom
  // table alone speaks, for the whole run.
  static auto* const guard = new vela::test::ScopedConfigEnvironment();
  (void)guard;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ByteChoices c(data, size);
  switch (c.Pick(3)) {
    case 0: CustomEnvironment(c); break;
    case 1: RequireAgreement(vela::test::RunConfigSequence(c, kSteps)); break;
    default: Creation(c); break;
  }
  return 0;
}
