// VelaAssertError: the message and the reaction of each assertion mode;
// ASSERT, BREAK and LOOP end (or are ended) in death-test children.
#include "vela/foundation/VelaAssert.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/time.h>

#include <csignal>
#include <cstdlib>
#include <iostream>
#include <string>

#include "support/TestSupport.h"
#include "vela/config/VelaGlobalParameters.h"

namespace {

void SetMode(int mode) { GetGlobalParameters().SetAssertMode(VelaAssertMode(mode)); }
std::string Traced(const char* expression = "x>0", const char* file = "a.cpp", unsigned int line = 12) {
  return vela::test::CaptureStdout([=] { VelaAssertError(expression, file, line); });
}

// In a death-test child: no core file, and the trace joins standard error.
// In LOOP mode a timer on the child's own processor time ends it: only the
// endless loop uses up 0.2 s of it (the writing paths have run in the parent
// first, which matters under valgrind); had the routine returned, the child
// would exit at once.
void AssertInChild(int mode) {
  const rlimit noCore{0, 0};
  const itimerval cpuTime{{0, 0}, {0, 200000}};
  setrlimit(RLIMIT_CORE, &noCore);
  setitimer(ITIMER_VIRTUAL, &cpuTime, nullptr);
  std::cout.rdbuf(std::cerr.rdbuf());
  SetMode(mode);
  VelaAssertError("x>0", "a.cpp", 12u);
  std::exit(0);
}

volatile std::sig_atomic_t trapsSeen = 0;
void CountTrap(int) { trapsSeen = trapsSeen + 1; }

TEST(VelaAssertError, EachModeReactsAsConfigured) {
  const int previous = GetGlobalParameters().GetAssertMode();
  SetMode(VelaAssertMode_TRACE);
  EXPECT_EQ(Traced(), "Assertion failed: x>0, file a.cpp, line 12\n");
  EXPECT_EQ(Traced(nullptr, nullptr, 4294967295u), "Assertion failed: , file , line 4294967295\n");
  for (int mode : {int{VelaAssertMode_NONE}, 5, -1}) {
    SetMode(mode);
    EXPECT_EQ(Traced(), "") << "mode " << mode;
  }
  // A debugger that continues after the trap, played by a signal handler.
  SetMode(VelaAssertMode_BREAK);
  void (*handler)(int) = std::signal(SIGTRAP, CountTrap);
  EXPECT_EQ(Traced(), "");
  std::signal(SIGTRAP, handler);
  EXPECT_EQ(trapsSeen, 1);
  SetMode(previous);
  const char* const message = "^Assertion failed: x>0, file a\\.cpp, line 12\n";
  EXPECT_EXIT(AssertInChild(VelaAssertMode_ASSERT), ::testing::KilledBySignal(SIGABRT),
              std::string(message) + "Assertion failed: 0, file VelaAssert, line 45\n$");
  EXPECT_EXIT(AssertInChild(VelaAssertMode_BREAK), ::testing::KilledBySignal(SIGTRAP), "^$");
  EXPECT_EXIT(AssertInChild(VelaAssertMode_LOOP), ::testing::KilledBySignal(SIGVTALRM), std::string(message) + "$");
}

}  // namespace
