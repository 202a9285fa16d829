// VelaUnderPlayBack: registration by construction, and the search for the
// playback library with the real test plug-in (tests/operator/plugin).
//
// The environment is consulted and the library loaded at most once per
// process, so every case that may load goes through a fresh process: a
// death test in the "threadsafe" style starts the test binary again on this
// test alone. The child writes what it saw to a report file and the plug-in
// records what it was asked in its log; the parent compares both as whole
// texts.
#include "vela/operator/VelaUnderPlayBack.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <iostream>
#include <memory>
#include <random>
#include <sstream>
#include <string>

#include "operator/plugin/PlaybackRecord.h"
#include "support/TestSupport.h"
#include "vela/config/VelaGlobalParameters.h"
#include "vela/streams/VelaStream.h"

namespace {

using vela::test::PlaybackEventKinds;
using vela::test::ReadFile;
using vela::test::ReadPlaybackLog;
using vela::test::ScopedProcessEnv;
using vela::test::WriteFile;

// ---------------------------------------------------------------------------
// A hook of the host program's own
// ---------------------------------------------------------------------------

class HostHook final : public VelaUnderPlayBack {
 public:
  HostHook() = default;
  HostHook(const HostHook& other) = default;
  HostHook& operator=(const HostHook& other) = default;

  unsigned char IsActive() override { return 1; }
  void Capture(int, VelaOperator*, VelaStream*) override {}
  unsigned char Open(const VelaString&) override { return 1; }
  void Close() override {}
};

TEST(VelaUnderPlayBack, AHostHookIsReturnedAtOnceAndNeverReplaced) {
  HostHook first;
  HostHook second;
  HostHook copy(first);
  EXPECT_EQ(VelaUnderPlayBack::GetSingleton(0), &first);
  // Forcing does not look for a library while a hook is registered.
  EXPECT_EQ(VelaUnderPlayBack::GetSingleton(1), &first);
  EXPECT_EQ(GetGlobalParameters().IsUnderPlayBack(), &first);
  second = first;
  copy = second;
  EXPECT_EQ(VelaUnderPlayBack::GetSingleton(0), &first);
}

TEST(VelaUnderPlayBack, DestroyingTheRegisteredHookEmptiesTheSlot) {
  auto registered = std::make_unique<HostHook>();
  HostHook bystander;
  ASSERT_EQ(VelaUnderPlayBack::GetSingleton(0), registered.get());
  registered.reset();  // bystander is not promoted; the next new hook takes the slot
  HostHook next;
  EXPECT_EQ(VelaUnderPlayBack::GetSingleton(0), &next);
  { HostHook copyOfNext(next); }  // destroying an unregistered hook leaves the slot alone
  EXPECT_EQ(VelaUnderPlayBack::GetSingleton(0), &next);
}

// ---------------------------------------------------------------------------
// The library search, in fresh processes
// ---------------------------------------------------------------------------

#ifdef VELA_TEST_PLAYBACK_DIR

constexpr const char* kKeyVariable = "VELA_TEST_PLAYBACK_KEY";
constexpr const char* kTraceLine = "<** VelaUnderPlayBack\n";

std::string DrawKey() {
  const char* inherited = std::getenv(kKeyVariable);
  if (inherited != nullptr) return inherited;
  std::random_device device;
  return std::to_string(device()) + std::to_string(device());
}

// The files a test shares with the fresh process it starts. The child runs
// the test again from its start, so the names must come out the same in
// both: the parent draws a key and passes it on in the environment, where
// the child finds it. The child ends with std::exit, so only the parent
// removes the files.
class ChildFiles {
 public:
  explicit ChildFiles(const std::string& stem)
      : key_(DrawKey()),
        keyVariable_(kKeyVariable, key_.c_str()),
        base_((std::filesystem::temp_directory_path() / ("vela_playback_" + stem + "_" + key_))
                  .string()),
        log_(vela::test::kPlaybackLogVariable, Log().c_str()) {}
  ~ChildFiles() {
    std::error_code ignored;
    std::filesystem::remove(Log(), ignored);
    std::filesystem::remove(Report(), ignored);
  }
  ChildFiles(const ChildFiles&) = delete;
  ChildFiles& operator=(const ChildFiles&) = delete;

  std::string Log() const { return base_ + ".log"; }
  std::string Report() const { return base_ + ".report"; }
  // A folder without the plug-in (it does not exist at all).
  std::string NoPluginFolder() const { return base_ + "_none"; }

 private:
  std::string key_;
  ScopedProcessEnv keyVariable_;
  std::string base_;
  ScopedProcessEnv log_;
};

// Runs `body` in a fresh process and leaves its result in `report`.
void InFreshProcess(const std::string& report, const std::function<std::string()>& body) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        WriteFile(report, body());
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "");
}

// Runs `ask` with the trace stream (over std::cout) sending into a buffer
// and describes the hook it returned and the trace it wrote:
// "null:" or "hook:", then the trace, then "|".
std::string Asked(const std::function<VelaUnderPlayBack*()>& ask,
                  VelaUnderPlayBack** hook = nullptr) {
  std::ostringstream buffer;
  std::streambuf* previous = std::cout.rdbuf(buffer.rdbuf());
  VelaUnderPlayBack* result = ask();
  std::cout.rdbuf(previous);
  if (hook != nullptr) *hook = result;
  return std::string(result != nullptr ? "hook:" : "null:") + buffer.str() + "|";
}

// Asked() for each call in turn (the operands of + have no fixed order).
std::string AskedInTurn(std::initializer_list<VelaUnderPlayBack* (*)()> calls) {
  std::string report;
  for (auto call : calls) report += Asked(call);
  return report;
}

VelaUnderPlayBack* Unforced() { return VelaUnderPlayBack::GetSingleton(0); }
VelaUnderPlayBack* Forced() { return VelaUnderPlayBack::GetSingleton(1); }
VelaUnderPlayBack* ThroughConfiguration() { return GetGlobalParameters().IsUnderPlayBack(); }

TEST(VelaUnderPlayBackLoading, WithoutTheVariableNothingIsLoadedHoweverOftenAsked) {
  ChildFiles files("novariable");
  ScopedProcessEnv variable("PlayBack_zip", nullptr);
  ScopedProcessEnv path("LD_LIBRARY_PATH", VELA_TEST_PLAYBACK_DIR);
  InFreshProcess(files.Report(), [] {
    return AskedInTurn(
        {ThroughConfiguration, ThroughConfiguration, Unforced, ThroughConfiguration});
  });
  EXPECT_EQ(ReadFile(files.Report()), "null:|null:|null:|null:|");
  EXPECT_EQ(PlaybackEventKinds(ReadPlaybackLog(files.Log())), "");
}

TEST(VelaUnderPlayBackLoading, WithTheVariableThePluginIsLoadedOnceAndRecordsItsCalls) {
  ChildFiles files("variable");
  ScopedProcessEnv variable("PlayBack_zip", "archive.zip");
  ScopedProcessEnv path("LD_LIBRARY_PATH", VELA_TEST_PLAYBACK_DIR);
  InFreshProcess(files.Report(), [] {
    VelaUnderPlayBack* hook = nullptr;
    std::string report = Asked(ThroughConfiguration, &hook);
    if (hook == nullptr) return report;
    report += AskedInTurn({Unforced, Forced, ThroughConfiguration});
    report += std::string(Forced() == hook && Unforced() == hook ? "same" : "other") + "|";
    report += "active " + std::to_string(hook->IsActive()) + "|";
    VelaStream memory;
    memory << "#Op\n#0\n\nline" << velendl;
    hook->Capture(0, nullptr, &memory);
    hook->Open("run.zip");
    hook->Close();
    return report;
  });
  EXPECT_EQ(ReadFile(files.Report()), "hook:|hook:|hook:|hook:|same|active 1|");
  const auto events = ReadPlaybackLog(files.Log());
  ASSERT_EQ(PlaybackEventKinds(events), "load\nIsActive\nCapture\nOpen\nClose\n");
  EXPECT_EQ(events[2].phase, 0);
  EXPECT_EQ(events[2].operand, "null");
  EXPECT_EQ(events[2].data, "#Op\n#0\n\nline\n");
  EXPECT_EQ(events[3].operand, "run.zip");
}

TEST(VelaUnderPlayBackLoading, WithTheVariableAndNoLibraryTheFailureIsTracedOnce) {
  ChildFiles files("nolibrary");
  ScopedProcessEnv variable("PlayBack_zip", "1");
  ScopedProcessEnv path("LD_LIBRARY_PATH", files.NoPluginFolder().c_str());
  InFreshProcess(files.Report(), [] {
    return AskedInTurn({Unforced, Unforced, ThroughConfiguration, Forced});
  });
  EXPECT_EQ(ReadFile(files.Report()), std::string("null:") + kTraceLine + "|null:|null:|null:|");
}

TEST(VelaUnderPlayBackLoading, ForcingLoadsThePluginOnceWithoutTheVariable) {
  ChildFiles files("forced");
  ScopedProcessEnv variable("PlayBack_zip", nullptr);
  ScopedProcessEnv path("LD_LIBRARY_PATH", VELA_TEST_PLAYBACK_DIR);
  InFreshProcess(files.Report(), [] {
    return AskedInTurn({Unforced, Forced, Forced, ThroughConfiguration});
  });
  EXPECT_EQ(ReadFile(files.Report()), "null:|hook:|hook:|hook:|");
  EXPECT_EQ(PlaybackEventKinds(ReadPlaybackLog(files.Log())), "load\n");
}

// A forced attempt that fails does not stop the one attempt the variable
// asks for, which the next call makes whether forced or not: the library is
// looked for at most twice.
TEST(VelaUnderPlayBackLoading, AFailedForcedLoadLeavesOneAttemptForTheVariable) {
  ChildFiles files("forcedthenvariable");
  ScopedProcessEnv variable("PlayBack_zip", "");  // set, though empty
  ScopedProcessEnv path("LD_LIBRARY_PATH", files.NoPluginFolder().c_str());
  InFreshProcess(files.Report(), [] {
    return AskedInTurn({Forced, Forced, Unforced, Forced, ThroughConfiguration});
  });
  EXPECT_EQ(ReadFile(files.Report()),
            std::string("null:") + kTraceLine + "|null:" + kTraceLine + "|null:|null:|null:|");
}

#endif  // VELA_TEST_PLAYBACK_DIR

}  // namespace
