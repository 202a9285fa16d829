// The custom environment layered under the process environment: lookup
// precedence, list order, replacing and removing entries, and the two
// printers' exact texts.
#include "vela/foundation/VelaEnvironment.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "support/EnvironmentModel.h"
#include "support/TestSupport.h"
#include "vela/streams/VelaStream.h"

namespace {

using vela::test::ScopedProcessEnv;

// Names no process environment is expected to carry; the fixture makes sure
// of it for the duration of each test.
constexpr const char* kA = "VELA_ENVTEST_A";
constexpr const char* kB = "VELA_ENVTEST_B";
constexpr const char* kC = "VELA_ENVTEST_C";
constexpr const char* kD = "VELA_ENVTEST_D";

std::string Printed(void (*print)(VelaStream&)) {
  VelaStream s;
  print(s);
  return static_cast<std::stringstream*>(s.GetStream())->str();
}

std::string Get(const char* name) { return VelaGetEnv(name).str(); }

// The custom table is process-wide: every test starts and ends with it empty
// and with the test names absent from the process environment.
class VelaEnvironment : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {kA, kB, kC, kD}) {
      unset_.push_back(std::make_unique<ScopedProcessEnv>(name, nullptr));
    }
    VelaFlushEnv();
  }
  void TearDown() override { VelaFlushEnv(); }

 private:
  std::vector<std::unique_ptr<ScopedProcessEnv>> unset_;
};

TEST_F(VelaEnvironment, CustomEntryIsFoundByExactNameAndTheProcessEnvironmentIsUntouched) {
  VelaSetEnv(kA, "alpha");
  EXPECT_EQ(Get(kA), "alpha");
  EXPECT_EQ(std::getenv(kA), nullptr);
  EXPECT_EQ(Get("VELA_ENVTEST_"), "");
  EXPECT_EQ(Get("VELA_ENVTEST_AB"), "");
  VelaSetEnv("", "value");
  EXPECT_EQ(Printed(VelaPrintEnvSection), "#!ENVIRONMENT\n\nVELA_ENVTEST_A=alpha;\n\n");
}

TEST_F(VelaEnvironment, ProcessVariableWinsEvenWhenEmptyOrSetLater) {
  VelaSetEnv(kA, "custom");
  VelaSetEnv(kB, "7");
  {
    ScopedProcessEnv processA(kA, "process");
    ScopedProcessEnv processC(kC, "");
    EXPECT_EQ(Get(kA), "process");
    VelaSetEnv(kA, "other");
    VelaSetEnv(kC, "refused");
    EXPECT_EQ(std::string(std::getenv(kA)), "process");
    EXPECT_EQ(Get(kC), "");
    ScopedProcessEnv emptyB(kB, "");
    EXPECT_EQ(VelaGetEnvI(kB), 0);
    EXPECT_EQ(VelaGetEnvF(kB), 0.0);
    // The refused sets changed and added no entry.
    EXPECT_EQ(Printed(VelaPrintEnvSection), "#!ENVIRONMENT\n\nVELA_ENVTEST_B=7;\nVELA_ENVTEST_A=custom;\n\n");
  }
  EXPECT_EQ(Get(kA), "custom");
}

TEST_F(VelaEnvironment, PrintersListNewestFirstInTheirExactLayout) {
  VelaSetEnv(kA, "1");
  VelaSetEnv(kB, "two words");
  EXPECT_EQ(Printed(VelaPrintEnv),
            "Used custom environment:\n"
            " VELA_ENVTEST_B = two words\n"
            " VELA_ENVTEST_A = 1\n"
            "\n");
  EXPECT_EQ(Printed(VelaPrintEnvSection),
            "#!ENVIRONMENT\n\n"
            "VELA_ENVTEST_B=two words;\n"
            "VELA_ENVTEST_A=1;\n"
            "\n");
  VelaStream none(static_cast<std::ostream*>(nullptr));
  VelaPrintEnv(none);
  VelaPrintEnvSection(none);
  VelaUnsetEnv(kA);
  VelaUnsetEnv(kB);
  EXPECT_EQ(Printed(VelaPrintEnv), "");
  EXPECT_EQ(Printed(VelaPrintEnvSection), "");
}

TEST_F(VelaEnvironment, UnsettingTheOldestOrNewestEntryLeavesTheOthers) {
  VelaSetEnv(kA, "1");
  VelaSetEnv(kB, "2");
  VelaSetEnv(kC, "3");
  VelaUnsetEnv(kA);  // the oldest, at the tail
  EXPECT_EQ(Printed(VelaPrintEnvSection), "#!ENVIRONMENT\n\nVELA_ENVTEST_C=3;\nVELA_ENVTEST_B=2;\n\n");
  VelaUnsetEnv(kC);  // the newest, at the head
  EXPECT_EQ(Get(kB), "2");
  EXPECT_EQ(Printed(VelaPrintEnvSection), "#!ENVIRONMENT\n\nVELA_ENVTEST_B=2;\n\n");
}

TEST_F(VelaEnvironment, NumericLookupsReadTheTextAsAtoiAndAtof) {
  EXPECT_EQ(VelaGetEnvI(kA), 0);
  EXPECT_EQ(VelaGetEnvF(kA), 0.0);
  const struct {
    const char* text;
    int i;
    double f;
  } rows[] = {{"2.5", 2, 2.5},
              {"-42abc", -42, -42.0},
              {"text", 0, 0.0},
              {"1e3", 1, 1000.0},
              {" \t+12 3", 12, 12.0},
              // Beyond the int range: the nearest limit.
              {"2147483647", INT_MAX, 2147483647.0},
              {"2147483648", INT_MAX, 2147483648.0},
              {"-2147483648", INT_MIN, -2147483648.0},
              {"-2147483649", INT_MIN, -2147483649.0},
              {"99999999999999999999999", INT_MAX, 1e23},
              {"-99999999999999999999999", INT_MIN, -1e23},
              // Beyond the double range: an infinity.
              {"1e999", 1, HUGE_VAL},
              {"-1e999", -1, -HUGE_VAL}};
  for (const auto& row : rows) {
    VelaSetEnv(kB, row.text);
    EXPECT_EQ(VelaGetEnvI(kB), row.i) << row.text;
    EXPECT_EQ(VelaGetEnvF(kB), row.f) << row.text;
  }
  ScopedProcessEnv process(kD, "2.5");
  EXPECT_EQ(VelaGetEnvF(kD), 2.5);
  EXPECT_EQ(VelaGetEnvI(kD), 2);
}

// Random sets, unsets and flushes over a few names against a newest-first
// list (support/EnvironmentModel, shared with the environment fuzzer); after
// every step the printed section and every lookup agree.
TEST_F(VelaEnvironment, RandomOperationsMatchANewestFirstList) {
  vela::test::SeededChoices choices(20240817u);
  EXPECT_EQ(vela::test::RunEnvironmentSequence(choices, {kA, kB, kC, kD}, {"", "1", "x y", "2.5", "-3", " +42z"}, 2000),
            "");
}

}  // namespace
