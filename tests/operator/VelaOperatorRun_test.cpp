// The run protocol of VelaOperator: replay files, nested runs under replay
// methods, check and status reports, trace lines, interruption and the time
// table written at the end of a measured check report.
#include <dirent.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "support/InternalMode.h"
#include "support/TestSupport.h"
#include "vela/config/VelaGlobalParameters.h"
#include "vela/foundation/VelaClock.h"
#include "vela/foundation/VelaEnvironment.h"
#include "vela/operator/VelaOperator.h"
#include "vela/streams/VelaStream.h"

namespace {

using vela::test::ReadFile;
using vela::test::ScopedConfigEnvironment;
using vela::test::ScopedInternalMode;
using vela::test::ScopedProcessEnv;
using vela::test::TempPath;

// A configurable operator: writes its value as input and its result as
// output, may run a child operator inside its work, and reports what it was
// asked in the check file.
class RecordingOperator : public VelaOperator {
 public:
  RecordingOperator(const char* iName, const char* iShort) : name_(iName), short_(iShort) {}

  int RunOperator() override {
    ++runs;
    traceLevelInside = GetGlobalParameters().GetTraceLevel();
    if (child) childResult = child->Run();
    return result;
  }
  void WriteInput(VelaStream& s) const override {
    VelaOperator::WriteInput(s);
    s << "value " << value << velendl;
  }
  void WriteOutput(VelaStream& s) const override {
    VelaOperator::WriteOutput(s);
    s << "result " << result << velendl;
  }
  unsigned char CheckInput(VelaStream& s) const override {
    s << "input value " << value << velendl;
    return inputOk;
  }
  unsigned char CheckOutput(VelaStream& s) const override {
    s << "output " << 0.5 << velendl;  // default notation after the "spent" line
    return outputOk;
  }
  VelaString GetOperatorName() const override { return name_; }
  VelaString GetOperatorShortName() const override { return short_; }
  void Remove() override {}
  OperatorInfo& Info() { return GetOperatorInfo(); }

  int value = 5;
  int result = 7;
  int runs = 0;
  int traceLevelInside = -1;
  int childResult = -1;
  unsigned char inputOk = 1;
  unsigned char outputOk = 1;
  unsigned char filter = 0;
  VelaOperator* child = nullptr;

 protected:
  unsigned char FilterReplay(int) const override { return filter; }

 private:
  VelaString name_;
  VelaString short_;
};

// One type per class: the registry entry is the class's static.
class TopOperator : public RecordingOperator {
 public:
  TopOperator() : RecordingOperator("VelaTopOperator", "Top") {}

 protected:
  OperatorInfo& GetOperatorInfo() override {
    static OperatorInfo info("VelaTopOperator", "Top", nullptr);
    return info;
  }
};

class NestedOperator : public RecordingOperator {
 public:
  NestedOperator() : RecordingOperator("VelaNestedOperator", "Nst") {}

 protected:
  OperatorInfo& GetOperatorInfo() override {
    static OperatorInfo info("VelaNestedOperator", "Nst", nullptr);
    return info;
  }
};

class OwnExtensionOperator : public RecordingOperator {
 public:
  OwnExtensionOperator() : RecordingOperator("VelaOwnExtension", "Ext") {}

 protected:
  OperatorInfo& GetOperatorInfo() override {
    static OperatorInfo info("VelaOwnExtension", "Ext", ".VelExt");
    return info;
  }
};

class FixedProbe : public VelaInterruptInterface {
 public:
  explicit FixedProbe(unsigned char iAnswer) : answer_(iAnswer) {}
  unsigned char IsInterrupted() override {
    ++asked;
    return answer_;
  }
  int asked = 0;

 private:
  unsigned char answer_;
};

const char kTopHeader[] = "#VelaTopOperator\n#0\n# Vel version Vel_17W08 level 65535 hf65535\n\n";

// Each test gets an empty environment, a fresh replay folder and, on exit,
// the configuration as the (restored) environment gives it.
class OperatorRun : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(dir_.path());
    GetGlobalParameters().Initialize();
    Configure();
  }
  void TearDown() override {
    VelaGlobalParameters& gp = GetGlobalParameters();
    gp.CloseStatusStream();
    gp.Initialize();
    gp.InitializeEnv();
  }
  // The replay folder, again after any re-initialisation (ScopedInternalMode).
  void Configure() { GetGlobalParameters().SetReplayPath(dir_.path().c_str()); }
  std::string File(const std::string& name) const { return dir_.path() + "/" + name; }
  bool Exists(const std::string& name) const { return std::filesystem::exists(File(name)); }

  ScopedConfigEnvironment env_;
  TempPath dir_{"vela_operator_run"};
};

// Times vary from run to run: every number written with two or more
// decimals (the fixed notation of times and shares) becomes "T", and so
// does the CPU time of a status report.
std::string MaskTimes(const std::string& text) {
  const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
  const std::string cpu = "CPUTime        : ";
  std::string masked;
  std::size_t i = 0;
  while (i < text.size()) {
    if (text.compare(i, cpu.size(), cpu) == 0) {
      masked += cpu + "T";
      i += cpu.size();
      while (i < text.size() && text[i] != '\n') ++i;
      continue;
    }
    std::size_t end = i;
    while (end < text.size() && isDigit(text[end])) ++end;
    std::size_t decimals = 0;
    if (end > i && end < text.size() && text[end] == '.') {
      while (end + 1 + decimals < text.size() && isDigit(text[end + 1 + decimals])) ++decimals;
    }
    if (decimals >= 2) {
      masked += "T";
      i = end + 1 + decimals;
    } else {
      masked.append(text, i, std::max<std::size_t>(end - i, 1));
      i += std::max<std::size_t>(end - i, 1);
    }
  }
  return masked;
}

// Captures what the trace stream (standard output) receives.
class CaptureStdout {
 public:
  CaptureStdout() : previous_(std::cout.rdbuf(buffer_.rdbuf())) {}
  ~CaptureStdout() { std::cout.rdbuf(previous_); }
  std::string Text() const { return buffer_.str(); }

 private:
  std::ostringstream buffer_;
  std::streambuf* previous_;
};

int OpenFileCount() {
  int count = 0;
  if (DIR* d = opendir("/proc/self/fd")) {
    while (readdir(d)) ++count;
    closedir(d);
  }
  return count;
}

TEST_F(OperatorRun, DefaultConfigurationRunsOnceAndWritesNothing) {
  TopOperator op;
  EXPECT_EQ(op.Run(), 7);
  EXPECT_EQ(op.runs, 1);
  EXPECT_EQ(GetGlobalParameters().GetRunCount(), 1);
  EXPECT_EQ(GetGlobalParameters().GetNestingLevel(), 0);
  EXPECT_TRUE(std::filesystem::is_empty(dir_.path()));
}

TEST_F(OperatorRun, ReplayModeThreeWritesInputAndOutputThenNextName) {
  GetGlobalParameters().SetReplayMode(3);
  TopOperator op;
  EXPECT_EQ(op.Run(), 7);
  const std::string expected =
      std::string(kTopHeader) + "value 5\n#=======Output=======\nresult 7\n";
  EXPECT_EQ(ReadFile(File("Vela001.VelReplay")), expected);

  op.value = 6;
  op.result = 8;
  EXPECT_EQ(op.Run(), 8);
  EXPECT_EQ(ReadFile(File("Vela001.VelReplay")), expected);
  EXPECT_EQ(ReadFile(File("Vela002.VelReplay")),
            std::string(kTopHeader) + "value 6\n#=======Output=======\nresult 8\n");
  EXPECT_FALSE(Exists("Vela002.VelReplay.cio"));
}

TEST_F(OperatorRun, ReplayModeBitsSelectInputAndOutput) {
  VelaGlobalParameters& gp = GetGlobalParameters();
  TopOperator op;
  gp.SetReplayMode(1);
  op.Run();
  gp.SetReplayMode(2);
  op.Run();
  EXPECT_EQ(ReadFile(File("Vela001.VelReplay")), std::string(kTopHeader) + "value 5\n");
  EXPECT_EQ(ReadFile(File("Vela002.VelReplay")), "#=======Output=======\nresult 7\n");
}

TEST_F(OperatorRun, HeaderCarriesLevelsStreamVersionAndCustomEnvironment) {
  GetGlobalParameters().SetReplayMode(1);
  VelaSetEnv("VelaOperatorTestKey", "42");
  TopOperator op;
  op.SetVelLevel(0x00030000u);
  op.Run();
  VelaFlushEnv();
  EXPECT_EQ(ReadFile(File("Vela001.VelReplay")),
            "#VelaTopOperator\n#0\n# Vel version Vel_17W08 level 3\n\n"
            "#!ENVIRONMENT\n\nVelaOperatorTestKey=42;\n\nvalue 5\n");
}

TEST_F(OperatorRun, OwnExtensionNamesTheFileAndIsUndoneAfterwards) {
  VelaGlobalParameters& gp = GetGlobalParameters();
  gp.SetReplayMode(3);
  OwnExtensionOperator op;
  op.Run();
  EXPECT_EQ(ReadFile(File("Vela001.VelExt")),
            "#VelaOwnExtension\n#0\n# Vel version Vel_17W08 level 65535 hf65535\n\n"
            "value 5\n#=======Output=======\nresult 7\n");
  EXPECT_FALSE(Exists("Vela001.VelReplay"));
  EXPECT_EQ(gp.GetReplaySuffix(), ".VelReplay");
  // The existing .VelExt file moves the next run of the type to number 2.
  op.Run();
  EXPECT_TRUE(Exists("Vela002.VelExt"));
}

TEST_F(OperatorRun, NestedOperatorIsRecordedOnlyUnderAReplayMethod) {
  GetGlobalParameters().SetReplayMode(3);
  TopOperator top;
  NestedOperator nested;
  nested.result = 3;
  top.child = &nested;
  EXPECT_EQ(top.Run(), 7);
  EXPECT_EQ(top.childResult, 3);
  EXPECT_EQ(GetGlobalParameters().GetRunCount(), 2);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), {}), 1);
  EXPECT_TRUE(Exists("Vela001.VelReplay"));
}

TEST_F(OperatorRun, NestedOperatorUnderFullMethodWritesItsOwnFile) {
  ScopedInternalMode internal;
  ASSERT_TRUE(internal.IsOpen());
  Configure();
  VelaGlobalParameters& gp = GetGlobalParameters();
  gp.SetReplayMode(3);
  gp.SetReplayMethod("FULL");
  TopOperator top;
  NestedOperator nested;
  nested.value = 9;
  nested.result = 3;
  top.child = &nested;
  EXPECT_EQ(top.Run(), 7);
  EXPECT_EQ(ReadFile(File("Vela001.VelReplay")),
            std::string(kTopHeader) + "value 5\n#=======Output=======\nresult 7\n");
  // Nested headers carry no version line.
  EXPECT_EQ(ReadFile(File("Vela001.VelReplay.0002.Nst")),
            "#VelaNestedOperator\n#0\n\nvalue 9\n#=======Output=======\nresult 3\n");
}

TEST_F(OperatorRun, ReplayMethodNamingAnotherOperatorRecordsOnlyThatOne) {
  ScopedProcessEnv traceKey("VelaTraceLevel", "2");
  ScopedInternalMode internal;
  Configure();
  VelaGlobalParameters& gp = GetGlobalParameters();
  gp.SetReplayMode(3);
  gp.SetReplayMethod("Nst");
  TopOperator top;
  NestedOperator nested;
  top.child = &nested;
  {
    CaptureStdout quiet;
    top.Run();
  }
  EXPECT_FALSE(Exists("Vela001.VelReplay"));
  EXPECT_EQ(ReadFile(File("Vela001.VelReplay.0002.Nst")),
            "#VelaNestedOperator\n#0\n\nvalue 5\n#=======Output=======\nresult 7\n");
  // The top operator traces nothing inside its run; the named one does.
  EXPECT_EQ(top.traceLevelInside, 0);
  EXPECT_EQ(nested.traceLevelInside, 2);
  EXPECT_EQ(gp.GetTraceLevel(), 2);
}

TEST_F(OperatorRun, FilterReplaySuppressesTheReplayFileButNotTheCheckFile) {
  ScopedInternalMode internal;
  Configure();
  VelaGlobalParameters& gp = GetGlobalParameters();
  gp.SetReplayMode(3);
  gp.SetCheckMode(1);
  TopOperator op;
  op.filter = 1;
  EXPECT_EQ(op.Run(), 7);
  EXPECT_FALSE(Exists("Vela001.VelReplay"));
  EXPECT_EQ(ReadFile(File("Vela001.VelReplay.cio")),
            "CI for Top: (1)\n Vel level = 65535 hf65535\ninput value 5\nCI for Top: OK\n"
            "RO for Top returned 7\nCO for Top: (1)\noutput 0.5\nCO for Top: OK\n\n");
  EXPECT_EQ(gp.GetCheckStream(), nullptr);
  EXPECT_EQ(gp.GetCheckIndent(), 0);
}

TEST_F(OperatorRun, InterruptedRunReturnsFourAndStillWritesOutput) {
  ScopedInternalMode internal;
  Configure();
  VelaGlobalParameters& gp = GetGlobalParameters();
  gp.SetReplayMode(3);
  gp.SetCheckMode(1);
  TopOperator op;
  FixedProbe probe(1);
  op.SetInterrupt(&probe);
  EXPECT_EQ(op.Run(), 4);
  EXPECT_EQ(op.runs, 0);
  EXPECT_EQ(probe.asked, 1);
  EXPECT_EQ(ReadFile(File("Vela001.VelReplay")),
            std::string(kTopHeader) + "value 5\n#=======Output=======\nresult 7\n");
  EXPECT_EQ(ReadFile(File("Vela001.VelReplay.cio")),
            "CI for Top: (1)\n Vel level = 65535 hf65535\ninput value 5\nCI for Top: OK\n"
            "RO for Top returned 4\nCO for Top: (1)\noutput 0.5\nCO for Top: OK\n\n");

  FixedProbe calm(0);
  op.SetInterrupt(&calm);
  EXPECT_EQ(op.Run(), 7);
  EXPECT_EQ(op.runs, 1);
}

TEST_F(OperatorRun, CheckFileOfNestedRunIndentsAndGivesVerdicts) {
  ScopedInternalMode internal;
  Configure();
  GetGlobalParameters().SetCheckMode(1);
  VelaSetEnv("VelaOperatorTestKey", "42");
  TopOperator top;
  NestedOperator nested;
  nested.SetVelLevel(0x00020000u);
  nested.inputOk = 0;
  nested.result = 3;
  top.outputOk = 0;
  top.child = &nested;
  EXPECT_EQ(top.Run(), 7);
  VelaFlushEnv();
  EXPECT_FALSE(Exists("Vela001.VelReplay"));
  EXPECT_EQ(ReadFile(File("Vela001.VelReplay.cio")),
            "Used custom environment:\n VelaOperatorTestKey = 42\n\n"
            "CI for Top: (1)\n"
            " Vel level = 65535 hf65535\n"
            "input value 5\n"
            "CI for Top: OK\n"
            "  CI for Nst: (2)\n"
            "   Vel level = 2\n"
            "input value 5\n"
            "  CI for Nst: KO\n"
            "  RO for Nst returned 3\n"
            "  CO for Nst: (2)\n"
            "output 0.5\n"
            "  CO for Nst: OK\n"
            "\n"
            "RO for Top returned 7\n"
            "CO for Top: (1)\n"
            "output 0.5\n"
            "CO for Top: KO\n"
            "\n");
}

TEST_F(OperatorRun, TraceLinesFollowTheSteps) {
  ScopedProcessEnv traceKey("VelaTraceLevel", "1");
  ScopedInternalMode internal;
  Configure();
  GetGlobalParameters().SetCheckMode(1);
  TopOperator top;
  NestedOperator nested;
  top.child = &nested;
  CaptureStdout captured;
  top.Run();
  EXPECT_EQ(captured.Text(),
            "-- CI for Top (1):\n-- CI for Top (1) returned OK\n-- RO for Top (1):\n"
            "-- CI for Nst (2):\n-- CI for Nst (2) returned OK\n-- RO for Nst (2):\n"
            "-- RO for Nst (2) returned 7\n-- CO for Nst (2):\n-- CO for Nst (2) returned OK\n"
            "-- RO for Top (1) returned 7\n-- CO for Top (1):\n-- CO for Top (1) returned OK\n");
}

TEST_F(OperatorRun, MeasuredCheckFileEndsWithTimesAndEmptiedTable) {
  ScopedInternalMode internal;
  Configure();
  VelaGlobalParameters& gp = GetGlobalParameters();
  gp.SetCheckMode(1);
  gp.SetMeasureTime(1);
  TopOperator top;
  NestedOperator nested;
  top.child = &nested;
  {
    VelaStream sink;  // empties the table left by earlier tests
    VelaOperator::PrintElapsedTimes(&sink);
  }
  EXPECT_EQ(top.Run(), 7);

  std::string table = "\nId  Call      Time      %%\n";
  for (const VelaOperator::OperatorInfo* info = VelaOperator::_pFirst; info; info = info->next) {
    const bool measured = info == &top.Info() || info == &nested.Info();
    table += std::string(info->id.str()) + (measured ? "      1          T        T\n" : "\n");
    EXPECT_EQ(info->time, 0);
    EXPECT_EQ(info->calls, 0);
  }
  table += "        2          T\n";
  EXPECT_EQ(MaskTimes(ReadFile(File("Vela001.VelReplay.cio"))),
            "CI for Top: (1)\n Vel level = 65535 hf65535\ninput value 5\nCI for Top: OK\n"
            "  CI for Nst: (2)\n   Vel level = 65535 hf65535\ninput value 5\n  CI for Nst: OK\n"
            "  RO for Nst returned 7\n  RO for Nst spent T sec\n  CO for Nst: (2)\noutput 0.5\n"
            "  CO for Nst: OK\n\n"
            "RO for Top returned 7\nRO for Top spent T sec\nCO for Top: (1)\noutput 0.5\n"
            "CO for Top: OK\n\n"
            "Spent time: T sec\nLost time:  T sec\n" +
                table);
  EXPECT_GE(top.GetTime(), 0);
  EXPECT_GE(gp.GetSpentTime(), 0);

  // A second run of the same object charges its table with that run only,
  // not with the time the object kept from earlier runs.
  top.child = nullptr;
  top.SetTime(100 * VelaClockPerSec());
  top.Run();
  top.Info().time = top.GetTime() - 100 * VelaClockPerSec();
  top.Info().calls = 1;
  VelaStream expected;
  VelaOperator::PrintElapsedTimes(&expected);
  expected.Flush();
  const std::string second = static_cast<std::stringstream*>(expected.GetStream())->str();
  const std::string check = ReadFile(File("Vela001.VelReplay.cio"));
  ASSERT_GE(check.size(), second.size());
  EXPECT_EQ(check.substr(check.size() - second.size()), second);
}

TEST_F(OperatorRun, StatusReportListsChecksAndCpuTime) {
  ScopedInternalMode internal;
  Configure();
  VelaGlobalParameters& gp = GetGlobalParameters();
  gp.SetCheckMode(1);
  gp.SetGenerateStatus(1);
  gp.SetMeasureTime(1);
  gp.OpenStatusStream(File("status.txt").c_str());
  TopOperator top;
  NestedOperator nested;  // nested runs report no status
  top.child = &nested;
  top.Run();
  gp.CloseStatusStream();
  EXPECT_EQ(MaskTimes(ReadFile(File("status.txt"))),
            "CheckInput : \n   CheckUp(Input) : OK\nsucceeded.\n\n"
            "RunOperator :\n   CPUTime        : T\nsucceeded.\n\n"
            "CheckOutput : \n   CheckUp(Output) : OK\nsucceeded.\n\n");
}

TEST_F(OperatorRun, ParallelRunSkipsCountersChecksAndReplay) {
  ScopedProcessEnv parallel("VelaParallelMode", "1");
  ScopedInternalMode internal;
  Configure();
  VelaGlobalParameters& gp = GetGlobalParameters();
  ASSERT_NE(gp.GetParallelMode(), 0);
  gp.SetReplayMode(3);
  gp.SetCheckMode(1);
  gp.SetRunCount(5);
  TopOperator op;
  EXPECT_EQ(op.Run(), 7);
  EXPECT_EQ(gp.GetRunCount(), 5);
  EXPECT_FALSE(Exists("Vela001.VelReplay"));
  EXPECT_FALSE(Exists("Vela001.VelReplay.cio"));
}

TEST_F(OperatorRun, UnwritableReplayFolderStillReturnsTheResult) {
  VelaGlobalParameters& gp = GetGlobalParameters();
  gp.SetReplayPath((dir_.path() + "/missing/folder").c_str());
  gp.SetReplayMode(3);
  TopOperator op;
  op.result = 11;
  EXPECT_EQ(op.Run(), 11);
  EXPECT_EQ(op.runs, 1);
  EXPECT_FALSE(std::filesystem::exists(dir_.path() + "/missing"));
}

TEST_F(OperatorRun, ThousandRecordedRunsLeakNoFileHandle) {
  GetGlobalParameters().SetReplayMode(3);
  TopOperator op;
  const int before = OpenFileCount();
  for (int i = 0; i < 1000; ++i) {
    op.value = i;
    ASSERT_EQ(op.Run(), 7);
  }
  EXPECT_EQ(OpenFileCount(), before);
  EXPECT_EQ(ReadFile(File("Vela1000.VelReplay")),
            std::string(kTopHeader) + "value 999\n#=======Output=======\nresult 7\n");
}

}  // namespace
