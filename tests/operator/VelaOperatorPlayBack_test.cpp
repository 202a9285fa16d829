// Playback capture during VelaOperator::Run(), with the real test plug-in
// (libVelaUnderPlayBack.so) loaded in a child process: "PlayBack_zip" is
// consulted once per process, so each scenario gets a fresh one.
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "operator/plugin/PlaybackRecord.h"
#include "support/InternalMode.h"
#include "support/TestSupport.h"
#include "vela/config/VelaGlobalParameters.h"
#include "vela/operator/VelaOperator.h"
#include "vela/streams/VelaStream.h"

namespace {

using vela::test::PlaybackEvent;
using vela::test::ReadFile;
using vela::test::ScopedConfigEnvironment;
using vela::test::ScopedProcessEnv;
using vela::test::TempPath;

class CapturedOperator : public VelaOperator {
 public:
  explicit CapturedOperator(int iValue) : value_(iValue) {}
  int RunOperator() override {
    if (child) child->Run();
    return value_ * 2;
  }
  void WriteInput(VelaStream& s) const override {
    VelaOperator::WriteInput(s);
    s << "in " << value_ << velendl;
  }
  void WriteOutput(VelaStream& s) const override {
    VelaOperator::WriteOutput(s);
    s << "out " << value_ * 2 << velendl;
  }
  VelaString GetOperatorName() const override { return "VelaCapturedOperator"; }
  VelaString GetOperatorShortName() const override { return "Cap"; }
  void Remove() override {}
  VelaOperator* child = nullptr;

 protected:
  OperatorInfo& GetOperatorInfo() override {
    static OperatorInfo info("VelaCapturedOperator", "Cap", nullptr);
    return info;
  }

 private:
  int value_;
};

// In the child: two top-level runs, the first with a nested run.
void RunTwoRecordedOperators(const std::string& folder, int replayMode = 3) {
  VelaGlobalParameters& gp = GetGlobalParameters();
  gp.Initialize();
  gp.SetReplayPath(folder.c_str());
  gp.SetReplayMode(replayMode);
  CapturedOperator nested(1);
  CapturedOperator first(2);
  first.child = &nested;
  CapturedOperator second(3);
  const int results = first.Run() * 10 + second.Run();
  std::exit(results == 46 ? 0 : 1);
}

// Splits a replay file at its output separator line.
std::pair<std::string, std::string> SplitReplay(const std::string& text) {
  const std::size_t at = text.find("#=======Output=======\n");
  if (at == std::string::npos) return {text, ""};
  return {text.substr(0, at), text.substr(at)};
}

class OperatorPlayBack : public ::testing::Test {
 protected:
  void SetUp() override {
#ifndef VELA_TEST_PLAYBACK_DIR
    GTEST_SKIP() << "the playback plug-in needs the shared library build";
#else
    const char* searchPath = std::getenv("LD_LIBRARY_PATH");
    if (!searchPath || std::string(searchPath).find(VELA_TEST_PLAYBACK_DIR) == std::string::npos) {
      GTEST_SKIP() << "run through ctest: the plug-in folder must be on LD_LIBRARY_PATH";
    }
#endif
    // The child process re-runs this fixture: it must use the parent's
    // folder, which it inherits through the environment.
    if (const char* inherited = std::getenv(kFolderVariable)) {
      folder_ = inherited;
    } else {
      folder_ = dir_.path();
      folderKey_ = std::make_unique<ScopedProcessEnv>(kFolderVariable, folder_.c_str());
    }
    std::filesystem::create_directories(folder_);
    GTEST_FLAG_SET(death_test_style, "threadsafe");
  }
  std::string File(const std::string& name) const { return folder_ + "/" + name; }

  static constexpr const char* kFolderVariable = "VELA_TEST_OPERATOR_PLAYBACK_FOLDER";
  ScopedConfigEnvironment env_;
  TempPath dir_{"vela_operator_playback"};
  std::string folder_;
  std::unique_ptr<ScopedProcessEnv> folderKey_;
};

TEST_F(OperatorPlayBack, HookReceivesExactlyTheReplayInputAndOutput) {
  const std::string log = File("playback.log");
  ScopedProcessEnv zip("PlayBack_zip", "1");
  ScopedProcessEnv logKey(vela::test::kPlaybackLogVariable, log.c_str());
  EXPECT_EXIT(RunTwoRecordedOperators(folder_), ::testing::ExitedWithCode(0), "");

  const std::vector<PlaybackEvent> events = vela::test::ReadPlaybackLog(log);
  // Loaded once; asked once per top-level run, never for the nested one.
  ASSERT_EQ(vela::test::PlaybackEventKinds(events),
            "load\nIsActive\nCapture\nCapture\nIsActive\nCapture\nCapture\n");
  const auto first = SplitReplay(ReadFile(File("Vela001.VelReplay")));
  const auto second = SplitReplay(ReadFile(File("Vela002.VelReplay")));
  EXPECT_EQ(first.first,
            "#VelaCapturedOperator\n#0\n# Vel version Vel_17W08 level 65535 hf65535\n\nin 2\n");
  EXPECT_EQ(first.second, "#=======Output=======\nout 4\n");
  EXPECT_EQ(events[2].phase, 0);
  EXPECT_EQ(events[2].data, first.first);
  EXPECT_EQ(events[3].phase, 1);
  EXPECT_EQ(events[3].data, first.second);
  EXPECT_EQ(events[5].phase, 0);
  EXPECT_EQ(events[5].data, second.first);
  EXPECT_EQ(events[6].phase, 1);
  EXPECT_EQ(events[6].data, second.second);
  EXPECT_NE(events[2].operand, "null");
  EXPECT_EQ(events[2].operand, events[3].operand);
}

TEST_F(OperatorPlayBack, InactiveHookCapturesNothingAndReplayIsUnchanged) {
  const std::string log = File("playback.log");
  ScopedProcessEnv zip("PlayBack_zip", "1");
  ScopedProcessEnv logKey(vela::test::kPlaybackLogVariable, log.c_str());
  ScopedProcessEnv inactive(vela::test::kPlaybackInactiveVariable, "1");
  EXPECT_EXIT(RunTwoRecordedOperators(folder_), ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(vela::test::PlaybackEventKinds(vela::test::ReadPlaybackLog(log)),
            "load\nIsActive\nIsActive\n");
  EXPECT_EQ(ReadFile(File("Vela002.VelReplay")),
            "#VelaCapturedOperator\n#0\n# Vel version Vel_17W08 level 65535 hf65535\n\nin 3\n"
            "#=======Output=======\nout 6\n");
}

// The hook hears about every top-level run, recorded into a replay file or not.
TEST_F(OperatorPlayBack, HookCapturesRunsThatWriteNoReplayFile) {
  const std::string log = File("playback.log");
  ScopedProcessEnv zip("PlayBack_zip", "1");
  ScopedProcessEnv logKey(vela::test::kPlaybackLogVariable, log.c_str());
  EXPECT_EXIT(RunTwoRecordedOperators(folder_, 0), ::testing::ExitedWithCode(0), "");

  const std::vector<PlaybackEvent> events = vela::test::ReadPlaybackLog(log);
  ASSERT_EQ(vela::test::PlaybackEventKinds(events),
            "load\nIsActive\nCapture\nCapture\nIsActive\nCapture\nCapture\n");
  EXPECT_EQ(events[5].data,
            "#VelaCapturedOperator\n#0\n# Vel version Vel_17W08 level 65535 hf65535\n\nin 3\n");
  EXPECT_EQ(events[6].data, "#=======Output=======\nout 6\n");
  EXPECT_FALSE(std::filesystem::exists(File("Vela001.VelReplay")));
}

}  // namespace
