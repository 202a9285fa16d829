// The foundation: the string (through support/StringModel), the constants, the clock, the file names, the
// custom environment, the assertion routine and the thread batches.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/time.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <limits>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "foundation/FileNamesModel.h"
#include "platform/PlatformThread.h"
#include "support/EnvironmentModel.h"
#include "support/StringModel.h"
#include "support/TestSupport.h"
#include "vela/config/VelaGlobalParameters.h"
#include "vela/foundation/VelaAssert.h"
#include "vela/foundation/VelaClock.h"
#include "vela/foundation/VelaConstants.h"
#include "vela/foundation/VelaEnvironment.h"
#include "vela/foundation/VelaFileNames.h"
#include "vela/foundation/VelaString.h"
#include "vela/foundation/VelaThread.h"
#include "vela/streams/VelaStream.h"

namespace {

using vela::test::ReadFile;
using vela::test::ScopedProcessEnv;

std::string Text(const VelaString& s) { return std::string(s.str(), static_cast<std::size_t>(s.len())); }

TEST(VelaString, RandomOperationsAgreeWithStdString) {
  for (unsigned seed : {1u, 977u, 31337u}) {
    vela::test::SeededChoices choices(seed);
    EXPECT_EQ(vela::test::RunStringModel(choices, 4000), "") << "seed " << seed;
  }
}

TEST(VelaString, FormatsNumbersOfEveryType) {
  const std::pair<VelaString, const char*> rows[] = {
      {VelaString(INT_MIN), "-2147483648"}, {VelaString(UINT_MAX), "4294967295"}, {VelaString(4294967295UL), "4294967295"},
      {VelaString(LONG_MIN), "-9223372036854775808"}, {VelaString(ULONG_MAX), "18446744073709551615"},
      {VelaString(LLONG_MIN), "-9223372036854775808"}, {VelaString(ULLONG_MAX), "18446744073709551615"},
      {VelaString(0.1), "0.10000000000000001"}, {VelaString(0.1, 3), "0.1"}, {VelaString(0.1, 25), "0.100000000000000006"},
      {VelaString(1.0 / 3, 0), "0.3"}, {VelaString(-0.0), "-0"}, {VelaString(-std::numeric_limits<double>::infinity()), "-inf"},
      // The cap compares the precision as a signed 32-bit number: -1 is the
      // runtime's default of 6, and 2^32 + 18 is 18.
      {VelaString(1.0 / 3, static_cast<std::size_t>(-1)), "0.333333"}, {VelaString(0.1, (1ULL << 32) + 18), "0.100000000000000006"},
      {VelaString("x") << -1 << ' ' << 2u << ' ' << -3L << ' ' << 4UL << ' ' << -5LL << 6ULL << ' ' << 0.5 << 'e', "x-1 2 -3 4 -56 0.5e"},
      {VelaString("x").add(1.0 / 3, 3).add(0.25, 25) += 0.1, "x0.3330.250.10000000000000001"},
      {VelaString("x").set(-7L), "-7"}, {VelaString("x").set(4294967295UL), "4294967295"}, {VelaString("x").set(1.5, 2), "1.5"}};
  for (const auto& [s, text] : rows) EXPECT_EQ(Text(s), text);
}

// What the model cannot see: the empty forms (no block; null reads as empty),
// hash values, and "ab\0cd", made by growing the length and filling through
// mutableData(): copies, conversions and appends stop at the zero byte.
TEST(VelaString, EmptyFormsHashesAndATextWithAZeroByte) {
  const char* null = nullptr;
  for (const VelaString& s : {VelaString::empty(), VelaString('\0'), VelaString(""), VelaString(null), VelaString(null, 4),
                              VelaString("", 3), VelaString(std::string()), VelaString(VelaString("a"), 0)}) {
    EXPECT_TRUE(!s && s.len() == 0 && s.size() == 1u && s.str() == VelaString().str() && !VelaStringHashIt(s));
    EXPECT_TRUE(s == null && null == s && s >= null && !(null > s) && !(s > null) && VelaString("a") > null);
  }
  EXPECT_EQ(VelaStringHashIt(VelaString("a")), 114u);  // the length, then times 17 plus each signed character
  EXPECT_EQ(VelaStringHashIt(VelaString("\x80")), 4294967185u);  // 1 * 17 - 128, wrapped
  EXPECT_EQ(VelaStringHashIt(VelaString("VelaString")), 1385809689u);
  VelaString zeroed("ab");
  zeroed.len(5);
  std::memcpy(zeroed.mutableData() + 2, "\0cd", 4);
  std::ostringstream out;
  out << zeroed << '|' << VelaString(std::string("ab\0cd", 5)) << static_cast<std::string>(zeroed);
  EXPECT_EQ(out.str() + Text(VelaString(zeroed, 5)) + Text(VelaString("x").add(zeroed, 5)), "ab|ababab" "xab");
}

TEST(VelaConstants, HoldTheirExactValues) {
  const double doubles[][2] = {
      {VelaEpsilon, 1e-15}, {VelaRRNormalizingFactor, 1e-08}, {VelaDomainInfinity, 1e12}, {VelaGoalAccuracy, 1e-12},
      {VelaSquareGoalAccuracy, 1e-24}, {VelaSqrtGoalAccuracy, std::sqrt(1e-12)}, {VelaMinAccuracy, 1e-08},
      {VelaOverDefinedRatio, 1e-06}, {VelaDefaultTolerance, 1e-09}, {VelaDefaultReferenceLinearTolerance, 0.001},
      {VelaDefaultLinearTolerance, 1e-06}, {VelaDefaultAngularTolerance, 1e-09}, {VelaDefaultGoalDiscrepancy, 1.0},
      {VelaGausPivThreshold, 1.00000000005}, {VelaRRGaussAccuracy, 1e-10}, {VelaNotSoft, -1.0}, {VelaBadStiffness, -1.0},
      {VelaMandatory, 1000.0}, {VelaDiscrepancy_MissedValidation, 9999.0}, {VelaDiscrepancy_ChiralityChanged, 8888.0},
      {VelaDiscrepancy_UnsupportedConstraints, 7777.0}, {VelaDiscrepancy_NotMoved, 6666.0},
      {VelaValidativeAccuracy, 0.0001}, {VeladoubleMax, 1.7976931348623157e+308}};
  for (const auto& [actual, expected] : doubles) EXPECT_EQ(actual, expected) << expected;
  // The limits of the original platform, where long has 32 bits.
  const long long limits[][2] = {
      {VelacharMax, 127}, {VelacharMin, -128}, {VelaucharMax, 255}, {VelashortMax, 32767}, {VelashortMin, -32768},
      {VelaushortMax, 65535}, {VelaintMax, 2147483647}, {VelaintMin, -2147483648LL}, {VelauintMax, 4294967295},
      {VelalongMax, 2147483647}, {VelalongMin, -2147483648LL}, {static_cast<long long>(VelaulongMax), 4294967295},
      {Velaint32Max, 2147483647}, {Velaint32Min, -2147483648LL}, {Velauint32Max, 4294967295},
      {Velaint64Max, 9223372036854775807LL}, {Velaint64Min, -9223372036854775807LL - 1}};
  for (const auto& [actual, expected] : limits) EXPECT_EQ(actual, expected) << expected;
  EXPECT_EQ(Velauint64Max, 18446744073709551615ULL);
  std::string texts;
  for (const char* text : {chReplayExt, chScriptExt, chOutputSeparator, chReferenceSeparator, chLineComment,
                           chRigidSetPrefix, chSketchPrefix, chAxisPrefix, chOpeningBrace, chClosingBrace, GetVelVersion()}) {
    texts += std::string(text) + "|";
  }
  EXPECT_EQ(texts, ".VelReplay|.VelScript|=======Output=======|=====Reference======|#|rs|sk|ax|[|]|Vel_17W08|");
}

// Ticks of ten microseconds: a clock difference lies within the steady
// clock's readings around it, give or take a tick.
TEST(VelaClock, CountsTenMicrosecondTicks) {
  using Ticks = std::chrono::duration<long, std::ratio<1, 100000>>;
  const auto start = std::chrono::steady_clock::now();
  const long first = VelaClock();
  const auto inside = std::chrono::steady_clock::now();
  while (std::chrono::steady_clock::now() - inside < std::chrono::milliseconds(2)) continue;
  const long ticks = VelaClock() - first;
  const long outer = std::chrono::duration_cast<Ticks>(std::chrono::steady_clock::now() - start).count();
  EXPECT_EQ(VelaClockPerSec(), 100000L);
  EXPECT_TRUE(first >= 0 && ticks >= 199 && ticks <= outer + 1) << ticks << " ticks in " << outer;
}

TEST(VelaFileNames, AgreeWithTheirContracts) {
  vela::test::SeededChoices choices(5);
  for (int i = 0; i < 3000; ++i) {
    const std::string path = vela::test::RandomPath(choices);
    ASSERT_EQ(vela::test::CheckFileNames(path, vela::test::RandomPath(choices)), "");
  }
}

TEST(VelaFileNames, CopyOverwritesTheTargetAndFailsSilently) {
  vela::test::TempPath folder("vela_copyfile");
  const std::string dir = folder.path() + "/sub/", bytes("line 1\r\n\0tail\xff", 13);
  std::filesystem::create_directories(dir);
  vela::test::WriteFile(dir + "source", bytes);
  vela::test::WriteFile(dir + "target", "an older and longer content");
  VelaCopyFile(VelaMakePath((folder.path() + "/sub").c_str(), "source"), (dir + "target").c_str());  // '\\' separates too
  VelaCopyFile((dir + "missing").c_str(), (dir + "target").c_str());
  VelaCopyFile((dir + "source").c_str(), (dir + "no/such/folder").c_str());
  VelaCopyFile("", "");
  EXPECT_EQ(ReadFile(dir + "target") + ReadFile(dir + "source"), bytes + bytes);
  EXPECT_FALSE(std::filesystem::exists(dir + "no"));
}

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
  const std::vector<std::string> values = {"", "x y", "2.5", "-42abc", " \t+12 3", "1e3", "2147483648", "-2147483649",
                                           "-99999999999999999999999", "1e999"};
  vela::test::SeededChoices choices(20240817u);
  EXPECT_EQ(vela::test::RunEnvironmentSequence(choices, {a, b, c, d}, values, 1500), "");
  VelaSetEnv(a, "custom");
  {
    ScopedProcessEnv processA(a, "process"), emptyC(c, ""), numberD(d, "2.5");
    VelaSetEnv(c, "refused");
    VelaSetEnv(d, "9");
    EXPECT_EQ(std::string(VelaGetEnv(a).str()) + "|" + VelaGetEnv(c).str() + "|" + VelaGetEnv(d).str(), "process||2.5");
    EXPECT_EQ(VelaGetEnvF(d) + VelaGetEnvI(d) + VelaGetEnvI(c), 4.5);
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

void SetMode(int mode) { GetGlobalParameters().SetAssertMode(VelaAssertMode(mode)); }
std::string Traced(const char* expression = "x>0", const char* file = "a.cpp", unsigned int line = 12) {
  return vela::test::CaptureStdout([=] { VelaAssertError(expression, file, line); });
}

// In a death-test child: no core file, the trace on standard error, and a
// timer on the child's processor time (0.2 s) to end the LOOP mode.
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

TEST(VelaAssertError, EachModeReactsAsConfigured) {
  const int previous = GetGlobalParameters().GetAssertMode();
  SetMode(VelaAssertMode_TRACE);
  EXPECT_EQ(Traced(), "Assertion failed: x>0, file a.cpp, line 12\n");
  EXPECT_EQ(Traced(nullptr, nullptr, 4294967295u), "Assertion failed: , file , line 4294967295\n");
  for (int mode : {int{VelaAssertMode_NONE}, 5, -1}) {
    SetMode(mode);
    EXPECT_EQ(Traced(), "") << "mode " << mode;
  }
  SetMode(previous);
  const char* const message = "^Assertion failed: x>0, file a\\.cpp, line 12\n";
  EXPECT_EXIT(AssertInChild(VelaAssertMode_ASSERT), ::testing::KilledBySignal(SIGABRT),
              std::string(message) + "Assertion failed: 0, file VelaAssert, line 45\n$");
  EXPECT_EXIT(AssertInChild(VelaAssertMode_BREAK), ::testing::KilledBySignal(SIGTRAP), "^$");
  EXPECT_EXIT(AssertInChild(VelaAssertMode_LOOP), ::testing::KilledBySignal(SIGVTALRM), std::string(message) + "$");
}

// Thread batches, held back by the platform layer's events. Nothing sleeps: a thread that must not run yet
// waits on an event, so a broken hand-off shows as a wrong count, a sanitizer report or a hang.
namespace platform = vela::platform;
using Manager = VelaThreadManager;

// n threads running Probe on themselves, as MultiRun and ParallelRun take them.
struct Batch {
  struct Slot : VelaThread { Batch* batch = nullptr; std::atomic<int> ordinal{-2}; };
  explicit Batch(int n, platform::Event* gate = nullptr) : gate(gate), work(n), entries(n) {
    for (int i = 0; i < n; ++i) {
      work[i].batch = this;
      work[i].SetThreadFunction(Probe);
      work[i].SetThreadData(&work[i]);
      entries[i] = &work[i];
    }
  }
  static unsigned int Probe(void* data) {  // waits for the gate (none: at once), records its ordinal, counts its run
    Slot& slot = *static_cast<Slot*>(data);
    platform::WaitForEvent(slot.batch->gate);
    slot.ordinal = Manager::GetThreadOrdinalId();
    ++slot.batch->runs;
    return 0;
  }
  // MultiRun, or ParallelRun then a wait for the threads (unless not to wait) and the closing of their handles.
  int Run(bool parallel, bool wait = true) {
    const int n = static_cast<int>(entries.size());
    std::vector<void*> handles(n, nullptr);
    if (!parallel) return Manager::MultiRun(entries.data(), n);
    if (Manager::ParallelRun(entries.data(), n, handles.data()) != 0) return 1;
    const int result = wait ? Manager::WaitForThreads(handles.data(), n) : 0;
    Manager::CloseThreadHandles(handles.data(), n);
    return result;
  }
  platform::Event* gate;
  std::atomic<int> runs{0};
  std::vector<Slot> work;
  std::vector<VelaThread*> entries;
};

int ProcessThreadCount() {  // the Threads line of /proc/self/status
  std::ifstream status("/proc/self/status");
  for (std::string word; status >> word;) if (word == "Threads:" && status >> word) return std::stoi(word);
  return -1;
}

// Ordinals in array order, the caller outside the batch. No threads, no array,
// no handle array, or an entry without its function: nothing runs.
TEST(VelaThread, OrdinalIsThePositionInTheBatch) {
  for (const bool parallel : {false, true})
    for (const int n : {1, 3, 64, 256}) {
      Batch batch(n);
      ASSERT_EQ(batch.Run(parallel), 0);
      for (int i = 0; i < n; ++i) ASSERT_EQ(batch.work[i].ordinal, i) << "n " << n << " parallel " << parallel;
      EXPECT_EQ(Manager::GetThreadOrdinalId(), -1);
    }
  Batch batch(3);
  VelaThread** all = batch.entries.data();
  void* handles[3] = {&batch, &batch, &batch};
  EXPECT_EQ(Manager::MultiRun(all, 0) + Manager::MultiRun(nullptr, 3) + Manager::ParallelRun(all, 3, nullptr), 3);
  batch.work[2].SetThreadFunction(nullptr);  // the first two threads are created, then never resumed
  EXPECT_EQ(Manager::MultiRun(all, 3) + Manager::ParallelRun(all, 3, handles), 2);
  EXPECT_EQ(batch.runs, 0);
  for (void* handle : handles) EXPECT_EQ(handle, &batch);  // untouched
}

// A thousand batches: waited for by MultiRun, waited for and closed, closed while the thread waits for an
// event set after ParallelRun returns (it then ends on its own), or, failing, closed unresumed.
TEST(VelaThread, ThousandBatchesLeaveNoThreadBehind) {
  static Batch blocked(1, platform::CreateEvent());  // detached threads use it and its event to their end
  Batch counting(2), rejected(3);
  rejected.work[2].SetThreadFunction(nullptr);
  ASSERT_EQ(counting.Run(false), 0);  // a sanitizer's runtime may start a helper thread with the first thread
  const int startThreads = ProcessThreadCount();
  for (int round = 0; round < 250; ++round) {
    ASSERT_EQ(counting.Run(false) + counting.Run(true) + blocked.Run(true, false) + rejected.Run(false), 1);
    platform::SetEvent(blocked.gate);  // frees the detached thread, now or later
    platform::ResetEvent(blocked.gate);
  }
  platform::SetEvent(blocked.gate);
  for (int spin = 0; spin < 100000 && ProcessThreadCount() > startThreads; ++spin) continue;  // detached threads end
  EXPECT_EQ(ProcessThreadCount(), startThreads);
  EXPECT_EQ(counting.runs + rejected.runs + blocked.runs, 2 + 250 * 5);
}

}  // namespace
