// The custom environment layered under the process environment.
#include "vela/foundation/VelaEnvironment.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "support/EnvironmentModel.h"
#include "support/TestSupport.h"
#include "vela/streams/VelaStream.h"

namespace {

using vela::test::ScopedProcessEnv;

std::string Printed(void (*print)(VelaStream&)) {
  VelaStream s;
  print(s);
  return static_cast<std::stringstream*>(s.GetStream())->str();
}

// The custom table is process-wide: the test starts and ends with it empty,
// and with its names absent from the process environment.
TEST(VelaEnvironment, CustomEntriesUnderTheProcessEnvironment) {
  const char *a = "VELA_ENVTEST_A", *b = "VELA_ENVTEST_B", *c = "VELA_ENVTEST_C", *d = "VELA_ENVTEST_D";
  ScopedProcessEnv unsetA(a, nullptr), unsetB(b, nullptr), unsetC(c, nullptr), unsetD(d, nullptr);
  // Sets, unsets (of any entry, the oldest included) and flushes against a
  // newest-first list: after every step the printed section and every lookup
  // agree; numbers are read as atoi (saturated) and atof read them.
  vela::test::SeededChoices choices(20240817u);
  EXPECT_EQ(vela::test::RunEnvironmentSequence(choices, {a, b, c, d},
                                               {"", "x y", "2.5", "-42abc", " \t+12 3", "1e3", "2147483648",
                                                "-2147483649", "-99999999999999999999999", "1e999"},
                                               1500),
            "");
  VelaSetEnv(a, "custom");
  {
    ScopedProcessEnv processA(a, "process"), emptyC(c, ""), numberD(d, "2.5");
    VelaSetEnv(c, "refused");
    VelaSetEnv(d, "9");
    EXPECT_EQ(std::string(VelaGetEnv(a).str()) + "|" + VelaGetEnv(c).str() + "|" + VelaGetEnv(d).str(), "process||2.5");
    EXPECT_EQ(VelaGetEnvF(d), 2.5);
    EXPECT_EQ(VelaGetEnvI(d) + VelaGetEnvI(c), 2);
  }
  VelaSetEnv(b, "two words");
  VelaSetEnv("", "no name");
  EXPECT_EQ(Printed(VelaPrintEnv), "Used custom environment:\n VELA_ENVTEST_B = two words\n VELA_ENVTEST_A = custom\n\n");
  VelaStream none(nullptr);
  VelaPrintEnv(none);
  VelaPrintEnvSection(none);
  VelaFlushEnv();
  EXPECT_EQ(Printed(VelaPrintEnv) + Printed(VelaPrintEnvSection), "");
}

}  // namespace
