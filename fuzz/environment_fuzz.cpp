// The environment and configuration readers fed arbitrary keys and values.
// The first byte chooses the custom environment sequence (against a
// newest-first list), the configuration sequence (every modelled key against
// the rule of its kind), or a configuration made from arbitrary entries for
// any key it reads: its level never rises above the default and its replay
// and script names follow the documented pattern.
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

std::string CText(ByteChoices& c, std::size_t max) {  // names and values are C strings
  std::string text = c.Text(max);
  for (char& ch : text) ch = ch == '\0' ? '0' : ch;
  return text;
}

void CustomEnvironment(ByteChoices& c) {
  std::vector<std::string> names = {"VELA_FUZZ_A", "VELA_FUZZ_B", "", CText(c, 12)};
  std::vector<std::string> values = {"", "1", "-0", " +42z", "2147483648", "-99999999999", "1e999", "nan", "0x1A"};
  for (int k = 0; k < 3; ++k) values.push_back(CText(c, 24));
  if (std::getenv(names.back().c_str()) != nullptr) names.pop_back();  // the process would win over the table
  vela::fuzz::RequireAgreement(vela::test::RunEnvironmentSequence(c, names, values, 200));
}

// Custom entries for the modelled keys, every key checked after each.
void KeySequence(ByteChoices& c) {
  static const char* const kValues[] = {"TRUE", "FALSE", "true", "", "-1", " 7", "12abc", "127", "128", "524288",
                                        "4294967423", "99999999999", "SOLVE", "NONE", "COLUMNS", "TRUNC", "none"};
  vela::test::ConfigState state;
  for (int step = 0; step < 200 && !c.Exhausted(); ++step) {
    const std::size_t key = c.Pick(vela::test::ConfigKeys().size());
    const std::string value = c.Chance(70) ? std::string(kValues[c.Pick(std::size(kValues))]) : CText(c, 24);
    vela::fuzz::RequireAgreement(state.Apply(key, c.Chance(80) ? value.c_str() : nullptr));
  }
}

void Creation(ByteChoices& c) {
  static const char* const kTexts[] = {"", "levelbsf", "500", "7", "-1", "100000", "TRUE", "C:\\r", "abc", "x/y\\"};
  VelaFlushEnv();
  static const char* const kOthers[] = {"VelaLevel", "VelaHFLevel", "KORCX_MEMORY", "VelaReplayPath",
                                        "VelaReplayPrefix", "VelaInputPath", "VelaOutputFile", "VelaReplayMethod",
                                        "VelaCheckMode", "VelaTraceLevel", "VelaReplayPlugMode", "QTS_LOG_NAME",
                                        "KorDevelopmentStage", "VelaUseSystemConstants"};
  const std::vector<vela::test::ConfigKey>& keys = vela::test::ConfigKeys();
  for (std::size_t n = c.Pick(12); n > 0 && !c.Exhausted(); --n) {
    const std::size_t k = c.Pick(keys.size() + std::size(kOthers));
    const char* key = k < keys.size() ? keys[k].key : kOthers[k - keys.size()];
    VelaSetEnv(key, (c.Chance(50) ? std::string(kTexts[c.Pick(10)]) : CText(c, 16)).c_str());
  }
  VelaGlobalParameters p;
  p.Initialize();
  p.InitializeEnv();
  Require(p.GetVelOpenConfigurationLevel() <= 751, "the level rose above its default");
  const std::string path = p.GetReplayPath().str(), prefixKey = VelaGetEnv("VelaReplayPrefix").str(),
                    log = VelaGetEnv("QTS_LOG_NAME").str();
  const std::string start = (path.empty() ? "" : path + "\\") +
                            (!prefixKey.empty() ? prefixKey : !log.empty() ? log + "_" : std::string("Vela"));
  Require(p.GetReplayFullName().str() == start + "001.VelReplay", "replay name");
  Require(p.GetScriptFullName().str() == start + "1.VelScript", "script name");
  VelaGlobalParameters copy(p);
  copy.Save();
  copy.Initialize();
  copy.Restore();
  Require(copy.GetVelFullOpenConfigurationLevel() == p.GetVelFullOpenConfigurationLevel(), "Restore lost the levels");
  VelaFlushEnv();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  static auto* const guard = new vela::test::ScopedConfigEnvironment();  // the custom table alone speaks
  (void)guard;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ByteChoices c(data, size);
  switch (c.Pick(3)) {
    case 0: CustomEnvironment(c); break;
    case 1: KeySequence(c); break;
    default: Creation(c); break;
  }
  return 0;
}
