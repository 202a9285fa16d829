// Replay and script file names of the global parameters, the search for a
// free name among existing files, and the diagnostic streams they own.
#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>

#include "support/InternalMode.h"
#include "support/TestSupport.h"
#include "vela/config/VelaGlobalParameters.h"
#include "vela/streams/VelaStream.h"

namespace {

using vela::test::ReadFile;
using vela::test::ScopedProcessEnv;
using vela::test::WriteFile;

std::string Str(const VelaString& s) { return s.str(); }

class VelaGlobalParametersNames : public ::testing::Test {
 protected:
  VelaGlobalParametersNames() : folder_("vela_cfg_names") {
    std::filesystem::create_directory(folder_.path());
  }

  VelaGlobalParameters Configured() {
    VelaGlobalParameters p;
    p.Initialize();
    p.InitializeEnv();
    return p;
  }
  // A configuration whose file names all fall inside the test's folder.
  VelaGlobalParameters InFolder() {
    VelaGlobalParameters p = Configured();
    p.SetReplayPrefix(Dir().c_str());
    return p;
  }
  std::string Dir() const { return folder_.path() + "/"; }
  void Touch(const std::string& name) const { WriteFile(Dir() + name, ""); }

 private:
  vela::test::ScopedConfigEnvironment environment_;
  vela::test::TempPath folder_;
};

// ---------------------------------------------------------------------------
// Names
// ---------------------------------------------------------------------------

TEST_F(VelaGlobalParametersNames, LogNameGivesThePrefixAndReplayPathTheFolder) {
  EXPECT_EQ(Str(Configured().GetScriptFileName()), "1.VelScript");
  ScopedProcessEnv log("QTS_LOG_NAME", "abc");
  VelaGlobalParameters p = Configured();
  EXPECT_EQ(Str(p.GetReplayFileName()), "001.VelReplay");
  EXPECT_EQ(Str(p.GetReplayPrefix()), "abc_");
  EXPECT_EQ(Str(p.GetReplayFullName()), "abc_001.VelReplay");
  p.SetReplayPath("C:\\r");
  EXPECT_EQ(Str(p.GetReplayFullName()), "C:\\r\\abc_001.VelReplay");
  EXPECT_EQ(Str(p.GetScriptFullName()), "C:\\r\\abc_1.VelScript");
}

TEST_F(VelaGlobalParametersNames, PrefixIsComputedOnceAndOnlyOutsideTestMode) {
  {
    ScopedProcessEnv empty("QTS_LOG_NAME", "");
    VelaGlobalParameters p = Configured();
    EXPECT_EQ(Str(p.GetReplayPrefix()), "Vela");
  }
  VelaGlobalParameters p = Configured();
  p.SetTestMode(1);
  EXPECT_EQ(Str(p.GetReplayPrefix()), "");
  EXPECT_EQ(Str(p.GetReplayFullName()), "001.VelReplay");
  p.SetTestMode(0);
  {
    ScopedProcessEnv log("QTS_LOG_NAME", "run7");
    EXPECT_EQ(Str(p.GetReplayPrefix()), "run7_");
    EXPECT_EQ(Str(p.GetCurrentValues().ReplayPrefix), "run7_");
  }
  ScopedProcessEnv log("QTS_LOG_NAME", "other");
  EXPECT_EQ(Str(p.GetReplayPrefix()), "run7_");
  // A prefix from its own key is taken as it is.
  ScopedProcessEnv prefix("VelaReplayPrefix", "mine-");
  p.InitializeEnv();
  EXPECT_EQ(Str(p.GetReplayFullName()), "mine-001.VelReplay");
}

TEST_F(VelaGlobalParametersNames, ExplicitNamesWinOverGeneratedOnes) {
  VelaGlobalParameters p = Configured();
  p.SetReplayFileName("case7.VelReplay");
  EXPECT_EQ(Str(p.GetReplayFileName()), "case7.VelReplay");
  EXPECT_EQ(Str(p.GetReplayFullName()), "Velacase7.VelReplay");
  // The script is named after the explicit replay name only in test mode.
  EXPECT_EQ(Str(p.GetScriptFileName()), "1.VelScript");
  p.SetTestMode(1);
  EXPECT_EQ(Str(p.GetScriptFileName()), "case7.VelReplay.VelScript");
  p.SetScriptFileName("s.VelScript");
  EXPECT_EQ(Str(p.GetScriptFileName()), "s.VelScript");
  p.SetReplayFileName("");
  EXPECT_EQ(Str(p.GetReplayFileName()), "001.VelReplay");
}

TEST_F(VelaGlobalParametersNames, ScriptReplayNameIsPaddedToReplayDigits) {
  VelaGlobalParameters p = Configured();
  p.SetReplayFileNameForScript("case", 7);
  EXPECT_EQ(Str(p.GetReplayFileName()), "case_7.VelReplay");
  ScopedProcessEnv digits("VelaReplayDigits", "3");
  p.InitializeEnv();
  p.SetReplaySuffix(".x");
  p.SetReplayFileNameForScript("case", 7);
  EXPECT_EQ(Str(p.GetReplayFileName()), "case_007.x");
  p.SetReplayFileNameForScript("case", 12345);
  EXPECT_EQ(Str(p.GetReplayFileName()), "case_12345.x");
}

// ---------------------------------------------------------------------------
// Searching for a free name
// ---------------------------------------------------------------------------

TEST_F(VelaGlobalParametersNames, NextReplayNameSkipsExistingFilesUnlessScriptedOrExplicit) {
  VelaGlobalParameters p = InFolder();
  p.GenerateNextReplayName("");
  EXPECT_EQ(Str(p.GetReplayFileName()), "001.VelReplay");
  Touch("001.VelReplay");
  Touch("002.VelReplay");
  Touch("004.VelReplay");
  p.GenerateNextReplayName("");
  EXPECT_EQ(Str(p.GetReplayFullName()), Dir() + "003.VelReplay");
  // The extension is part of the name tested.
  Touch("003.VelReplay.0002.GrS");
  p.GenerateNextReplayName(".0002.GrS");
  EXPECT_EQ(Str(p.GetReplayFileName()), "004.VelReplay");
  p.GenerateNextReplayName("");
  EXPECT_EQ(Str(p.GetReplayFileName()), "005.VelReplay");
  // Nothing happens for scripts or while an explicit name is set.
  Touch("005.VelReplay");
  p.SetScriptMode(VelaScriptMode_FULL);
  p.GenerateNextReplayName("");
  EXPECT_EQ(Str(p.GetReplayFileName()), "005.VelReplay");
  p.SetScriptMode(VelaScriptMode_NONE);
  p.SetReplayFileName("005.VelReplay");
  p.GenerateNextReplayName("");
  p.SetReplayFileName("");
  EXPECT_EQ(Str(p.GetReplayFileName()), "005.VelReplay");
}

TEST_F(VelaGlobalParametersNames, ReplayNumberGrowsPastThreeDigits) {
  for (int i = 1; i <= 1000; ++i) {
    Touch(Str(FillString(VelaString(i), 3, '0')) + ".VelReplay");
  }
  VelaGlobalParameters p = InFolder();
  p.GenerateNextReplayName("");
  EXPECT_EQ(Str(p.GetReplayFileName()), "1001.VelReplay");
}

TEST_F(VelaGlobalParametersNames, NextScriptNameSkipsExistingFilesWhileTheNameCanChange) {
  Touch("1.VelScript");
  Touch("2.VelScript");
  VelaGlobalParameters p = InFolder();
  p.GenerateNextScriptFileName();
  EXPECT_EQ(Str(p.GetScriptFullName()), Dir() + "3.VelScript");
  p.SetScriptFileName("1.VelScript");
  p.GenerateNextScriptFileName();
  p.SetScriptFileName("");
  EXPECT_EQ(Str(p.GetScriptFileName()), "3.VelScript");
  // In test mode the name follows the replay name and cannot change: the
  // search returns although the file exists.
  Touch("case.VelReplay.VelScript");
  p.SetTestMode(1);
  p.SetReplayFileName("case.VelReplay");
  p.GenerateNextScriptFileName();
  EXPECT_EQ(Str(p.GetScriptFullName()), Dir() + "case.VelReplay.VelScript");
}

// ---------------------------------------------------------------------------
// Streams
// ---------------------------------------------------------------------------

// Runs `write` with std::cout (or std::cerr) sending into a buffer.
template <typename Write>
std::string Captured(std::ostream& standard, Write write) {
  std::ostringstream buffer;
  std::streambuf* previous = standard.rdbuf(buffer.rdbuf());
  write();
  standard.rdbuf(previous);
  return buffer.str();
}

TEST_F(VelaGlobalParametersNames, TraceAndErrorStreamsAreCreatedOnceOverTheStandardStreams) {
  VelaGlobalParameters p = Configured();
  VelaStream* trace = p.GetTraceStream();
  ASSERT_NE(trace, nullptr);
  EXPECT_EQ(p.GetTraceStream(), trace);
  EXPECT_EQ(trace->GetType(), VelaStream::USER_STREAM);
  EXPECT_EQ(Captured(std::cout, [&] { *p.GetTraceStream() << "trace " << 1 << velendl; }),
            "trace 1\n");
  VelaStream* error = p.GetErrorStream();
  ASSERT_NE(error, nullptr);
  EXPECT_NE(error, trace);
  EXPECT_EQ(p.GetErrorStream(), error);
  EXPECT_EQ(Captured(std::cerr, [&] { *p.GetErrorStream() << "error" << velendl; }), "error\n");
}

TEST_F(VelaGlobalParametersNames, DumpStreamWritesNextToTheReplayFileAndIsClosedByItsOwner) {
  {
    VelaGlobalParameters p = InFolder();
    VelaStream* dump = p.GetDumpStream();
    ASSERT_NE(dump, nullptr);
    EXPECT_EQ(p.GetDumpStream(), dump);
    *dump << "M = [1 2]";  // not flushed: the owner's destructor must close it
  }
  EXPECT_EQ(ReadFile(Dir() + "001.VelReplay.dump"), "M = [1 2]");
}

TEST_F(VelaGlobalParametersNames, CheckAndStatusStreamsOpenReplaceAndClose) {
  VelaGlobalParameters p = Configured();
  EXPECT_EQ(p.GetCheckStream(), nullptr);
  EXPECT_EQ(p.GetStatusStream(), nullptr);
  p.OpenCheckStream((Dir() + "a.cio").c_str());
  ASSERT_NE(p.GetCheckStream(), nullptr);
  *p.GetCheckStream() << "first";
  p.OpenCheckStream((Dir() + "b.cio").c_str());  // closes a.cio
  EXPECT_EQ(ReadFile(Dir() + "a.cio"), "first");
  *p.GetCheckStream() << "second";
  p.CloseCheckStream();
  EXPECT_EQ(p.GetCheckStream(), nullptr);
  EXPECT_EQ(ReadFile(Dir() + "b.cio"), "second");
  p.OpenCheckStream((Dir() + "b.cio").c_str());  // truncates
  p.CloseCheckStream();
  EXPECT_EQ(ReadFile(Dir() + "b.cio"), "");

  p.OpenStatusStream((Dir() + "s.txt").c_str());
  ASSERT_NE(p.GetStatusStream(), nullptr);
  *p.GetStatusStream() << "status";
  p.OpenCheckStream((Dir() + "c.cio").c_str());
  p.Initialize();  // closes the check stream only
  EXPECT_EQ(p.GetCheckStream(), nullptr);
  ASSERT_NE(p.GetStatusStream(), nullptr);
  p.CloseStatusStream();
  EXPECT_EQ(p.GetStatusStream(), nullptr);
  EXPECT_EQ(ReadFile(Dir() + "s.txt"), "status");
}

}  // namespace
