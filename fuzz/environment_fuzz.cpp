// The environment and configuration readers fed arbitrary keys and values,
// against the models of support/EnvironmentModel and a few invariants.
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

// Names and values are C strings: the random ones end at a zero byte.
void CustomEnvironment(ByteChoices& c) {
  std::vector<std::string> names = {"VELA_FUZZ_A", "VELA_FUZZ_B", "", c.Text(12).c_str()};
  std::vector<std::string> values = {"", "1", "-0", " +42z", "2147483648", "-99999999999", "1e999", "nan", "0x1A"};
  for (int k = 0; k < 3; ++k) values.push_back(c.Text(24).c_str());
  if (std::getenv(names.back().c_str()) != nullptr) names.pop_back();  // the process would win over the table
  vela::fuzz::RequireAgreement(vela::test::RunEnvironmentSequence(c, names, values, 200));
}

void KeySequence(ByteChoices& c) {
  static const char* const kValues[] = {"TRUE", "FALSE", "true", "", "-1", " 7", "12abc", "127", "128", "524288",
                                        "4294967423", "99999999999", "SOLVE", "NONE", "COLUMNS", "TRUNC", "none"};
  vela::test::ConfigState state;
  for (int step = 0; step < 200 && !c.Exhausted(); ++step) {
    const std::size_t key = c.Pick(vela::test::ConfigKeys().size());
    const std::string value = c.Chance(70) ? std::string(kValues[c.Pick(std::size(kValues))]) : c.Text(24);
    vela::fuzz::RequireAgreement(state.Apply(key, c.Chance(80) ? value.c_str() : nullptr));
  }
}

// The level never rises above its default; the file names follow their pattern.
void Creation(ByteChoices& c) {
  static const char* const kOthers[] = {
      "VelaLevel", "VelaHFLevel", "KORCX_MEMORY", "VelaReplayPath", "VelaReplayPrefix", "VelaInputPath",
      "VelaOutputFile", "VelaReplayMethod", "VelaCheckMode", "VelaTraceLevel", "VelaReplayPlugMode",
      "QTS_LOG_NAME", "KorDevelopmentStage", "VelaUseSystemConstants"};
  static const char* const kTexts[] = {"", "levelbsf", "500", "7", "-1", "100000", "TRUE", "C:\\r", "abc", "x/y\\"};
  const std::vector<vela::test::ConfigKey>& keys = vela::test::ConfigKeys();
  VelaFlushEnv();
  for (std::size_t n = c.Pick(12); n > 0 && !c.Exhausted(); --n) {
    const std::size_t k = c.Pick(keys.size() + std::size(kOthers));
    const char* key = k < keys.size() ? keys[k].key.c_str() : kOthers[k - keys.size()];
    VelaSetEnv(key, (c.Chance(50) ? std::string(kTexts[c.Pick(10)]) : c.Text(16)).c_str());
  }
  VelaGlobalParameters p;
  p.Initialize();
  p.InitializeEnv();
  vela::fuzz::Require(p.GetVelOpenConfigurationLevel() <= 751, "the level rose above its default");
  const std::string path = p.GetReplayPath().str(), prefix = VelaGetEnv("VelaReplayPrefix").str(),
                    log = VelaGetEnv("QTS_LOG_NAME").str();
  const std::string start = (path.empty() ? "" : path + "\\") +
                            (!prefix.empty() ? prefix : !log.empty() ? log + "_" : std::string("Vela"));
  vela::fuzz::Require(p.GetReplayFullName().str() == start + "001.VelReplay", "replay name");
  vela::fuzz::Require(p.GetScriptFullName().str() == start + "1.VelScript", "script name");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static auto* const guard = new vela::test::ScopedConfigEnvironment();  // the custom table alone speaks
  (void)guard;
  ByteChoices c(data, size);
  const std::size_t which = c.Pick(3);
  which == 0 ? CustomEnvironment(c) : which == 1 ? KeySequence(c) : Creation(c);
  return 0;
}
