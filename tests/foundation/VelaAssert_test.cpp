// VelaAssertError: the message and the reaction of each assertion mode.
// NONE, TRACE, unknown modes and a continued BREAK run in this process;
// ASSERT and BREAK end a death-test child; LOOP holds a forked child, which
// the test kills once the message has arrived.
#include "vela/foundation/VelaAssert.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>

#include "vela/config/VelaGlobalParameters.h"

namespace {

const char kMessage[] = "Assertion failed: x>0, file a.cpp, line 12\n";

// Every test leaves the process's assertion mode as it found it.
class VelaAssertErrorTest : public ::testing::Test {
 protected:
  VelaAssertErrorTest() : previous_(GetGlobalParameters().GetAssertMode()) {}
  ~VelaAssertErrorTest() override { GetGlobalParameters().SetAssertMode(previous_); }

  static void SetMode(int mode) { GetGlobalParameters().SetAssertMode(VelaAssertMode(mode)); }

  // What `call` writes on standard output, where the trace stream goes.
  template <typename Call>
  static std::string Traced(Call call) {
    std::ostringstream buffer;
    std::streambuf* previous = std::cout.rdbuf(buffer.rdbuf());
    call();
    std::cout.rdbuf(previous);
    return buffer.str();
  }

 private:
  VelaAssertMode previous_;
};

// For children about to die: no core file, and the trace stream's output
// joins the standard error that the death test matches.
void PrepareToDie(VelaAssertMode mode) {
  const rlimit noCore{0, 0};
  setrlimit(RLIMIT_CORE, &noCore);
  std::cout.rdbuf(std::cerr.rdbuf());
  GetGlobalParameters().SetAssertMode(mode);
}

TEST_F(VelaAssertErrorTest, TraceModeWritesOneLineAndReturnsOtherModesNothing) {
  SetMode(VelaAssertMode_TRACE);
  EXPECT_EQ(Traced([] { VelaAssertError("x>0", "a.cpp", 12u); }), kMessage);
  // The line is written unsigned; null texts read as empty.
  const char* none = nullptr;
  EXPECT_EQ(Traced([&] { VelaAssertError(none, none, 4294967295u); }), "Assertion failed: , file , line 4294967295\n");
  for (int mode : {int{VelaAssertMode_NONE}, 5, -1}) {
    SetMode(mode);
    EXPECT_EQ(Traced([] { VelaAssertError("x>0", "a.cpp", 12u); }), "") << "mode " << mode;
  }
}

TEST_F(VelaAssertErrorTest, MacroReportsTheFailedConditionItsFileAndLine) {
  SetMode(VelaAssertMode_TRACE);
  int evaluations = 0;
  EXPECT_EQ(Traced([&] { VELA_ASSERT(++evaluations == 1); }), "");
  EXPECT_EQ(evaluations, 1);
  unsigned int line = 0;
  const std::string traced = Traced([&] {
    line = __LINE__ + 1;
    VELA_ASSERT(1 + 1 == 3);
  });
  EXPECT_EQ(traced,
            "Assertion failed: 1 + 1 == 3, file " + std::string(__FILE__) + ", line " + std::to_string(line) + "\n");
}

// ---------------------------------------------------------------------------
// Modes that stop the process
// ---------------------------------------------------------------------------

TEST_F(VelaAssertErrorTest, AssertModeWritesTheMessageThenAbortsTheRuntimeWay) {
  EXPECT_EXIT(
      {
        PrepareToDie(VelaAssertMode_ASSERT);
        VelaAssertError("x>0", "a.cpp", 12u);
      },
      ::testing::KilledBySignal(SIGABRT),
      "^Assertion failed: x>0, file a\\.cpp, line 12\n"
      "Assertion failed: 0, file VelaAssert, line 45\n$");
}

TEST_F(VelaAssertErrorTest, BreakModeTrapsAtOnceWithoutWriting) {
  EXPECT_EXIT(
      {
        PrepareToDie(VelaAssertMode_BREAK);
        VelaAssertError("x>0", "a.cpp", 12u);
      },
      ::testing::KilledBySignal(SIGTRAP), "^$");
}

volatile std::sig_atomic_t trapsSeen = 0;
void CountTrap(int) { trapsSeen = trapsSeen + 1; }

// A debugger that continues after the trap is played by a signal handler.
TEST_F(VelaAssertErrorTest, BreakModeReturnsWhenTheTrapIsContinued) {
  SetMode(VelaAssertMode_BREAK);
  trapsSeen = 0;
  void (*previous)(int) = std::signal(SIGTRAP, CountTrap);
  ASSERT_NE(previous, SIG_ERR);
  const std::string traced = Traced([] { VelaAssertError("x>0", "a.cpp", 12u); });
  std::signal(SIGTRAP, previous);
  EXPECT_EQ(trapsSeen, 1);
  EXPECT_EQ(traced, "");
}

// Reads `fd` until `text` holds `expected` or more, the writer closes, or a
// generous deadline passes (a bound against hanging, not a measurement).
std::string ReadUntil(int fd, const std::string& expected) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  std::string text;
  while (text.size() < expected.size() && std::chrono::steady_clock::now() < deadline) {
    pollfd ready{fd, POLLIN, 0};
    if (poll(&ready, 1, 100) <= 0) continue;
    char chunk[256];
    const ssize_t n = read(fd, chunk, sizeof chunk);
    if (n <= 0) break;
    text.append(chunk, static_cast<std::size_t>(n));
  }
  return text;
}

TEST_F(VelaAssertErrorTest, LoopModeHoldsTheProcessAfterWritingTheMessage) {
  int pipeEnds[2];
  ASSERT_EQ(pipe(pipeEnds), 0);
  std::cout.flush();
  std::fflush(nullptr);
  const pid_t child = fork();
  ASSERT_NE(child, -1);
  if (child == 0) {
    close(pipeEnds[0]);
    dup2(pipeEnds[1], STDOUT_FILENO);
    close(pipeEnds[1]);
    GetGlobalParameters().SetAssertMode(VelaAssertMode_LOOP);
    VelaAssertError("x>0", "a.cpp", 12u);
    std::cout << "returned" << std::flush;
    _exit(0);
  }
  close(pipeEnds[1]);
  EXPECT_EQ(ReadUntil(pipeEnds[0], kMessage), kMessage);

  // A child that returned would write "returned" and close the pipe at
  // once. Nothing arriving within the grace period cannot fail a holding
  // child, however slow the machine; it only gives a returning one the time
  // to show itself.
  pollfd quiet{pipeEnds[0], POLLIN, 0};
  EXPECT_EQ(poll(&quiet, 1, 300), 0) << "the child wrote more or closed its output";
  int status = 0;
  EXPECT_EQ(waitpid(child, &status, WNOHANG), 0) << "the child ended on its own";
  kill(child, SIGKILL);
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
  close(pipeEnds[0]);
}

}  // namespace
