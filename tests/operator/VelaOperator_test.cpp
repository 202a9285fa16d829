// The run protocol of VelaOperator (replay files, nested runs under replay
// methods, check and status reports, trace lines, interruption, parallel
// runs), the time table and time measurement, and the playback hook with
// the real test plug-in (tests/operator/plugin) in fresh processes.
#include "vela/operator/VelaOperator.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <memory>
#include <set>
#include <sstream>
#include <string>

#include "support/InternalMode.h"
#include "support/TestSupport.h"
#include "vela/config/VelaGlobalParameters.h"
#include "vela/foundation/VelaClock.h"
#include "vela/foundation/VelaEnvironment.h"
#include "vela/operator/VelaUnderPlayBack.h"

namespace {

using vela::test::ReadFile;
using vela::test::ScopedProcessEnv;
using Info = VelaOperator::OperatorInfo;

Info gTop("VelaTopOperator", "Top", nullptr), gNst("VelaNestedOperator", "Nst", nullptr),
    gExt("VelaOwnExtension", "Ext", ".VelExt");  // the registry: Ext, Nst, Top, newest first

// Writes its value as input and its result as output, may run a child inside
// its work, and reports on both in the check file.
class Op : public VelaOperator, public VelaInterruptInterface {
 public:
  explicit Op(Info& iInfo, int iValue = 5, int iResult = 7) : info_(iInfo), value(iValue), result(iResult) {}
  int RunOperator() override {
    inside = GetGlobalParameters().GetTraceLevel();
    ++runs;
    // A measured run lasts at least one tick, so that its times cannot all be 0.
    for (const long start = VelaClock(); GetGlobalParameters().IsMeasureTime() && VelaClock() == start;) {}
    return child ? (child->Run(), result) : result;
  }
  void WriteInput(VelaStream& s) const override { VelaOperator::WriteInput(s), s << "value " << value << velendl; }
  void WriteOutput(VelaStream& s) const override { VelaOperator::WriteOutput(s), s << "result " << result << velendl; }
  unsigned char CheckInput(VelaStream& s) const override { return s << "input value " << value << velendl, inputOk; }
  unsigned char CheckOutput(VelaStream& s) const override { return s << "output " << 0.5 << velendl, outputOk; }
  VelaString GetOperatorName() const override { return info_.name; }
  VelaString GetOperatorShortName() const override { return info_.id; }
  void Remove() override {}
  unsigned char IsInterrupted() override { return 1; }

  Info& info_;
  int value, result, runs = 0, inside = -1;
  unsigned char inputOk = 1, outputOk = 1, filter = 0;
  VelaOperator* child = nullptr;

 protected:
  unsigned char FilterReplay(int) const override { return filter; }
  Info& GetOperatorInfo() override { return info_; }
};

std::string Text(VelaStream& s) { return static_cast<std::stringstream*>(s.GetStream())->str(); }

// A hook of the host program's own, registered by its construction: records
// what it is asked and the phase, operator and data of every capture.
struct Hook final : VelaUnderPlayBack {
  unsigned char IsActive() override { return log += "IsActive\n", active; }
  void Capture(int iPhase, VelaOperator* iOperator, VelaStream* iData) override {
    log += "Capture " + std::to_string(iPhase) + " " + iOperator->GetOperatorShortName().str() + "\n" + Text(*iData);
  }
  unsigned char Open(const VelaString&) override { return 1; }
  void Close() override {}
  std::string log;
  unsigned char active = 1;
};

// Each test runs with the internal mode open in an empty environment and a
// replay folder of its own, and leaves the configuration as the environment gives it.
class Operator : public ::testing::Test {
 protected:
  void SetUp() override { gp.Initialize(), gp.InitializeEnv(), std::filesystem::create_directory(dir_.path()); }
  void TearDown() override { gp.CloseStatusStream(), code_.reset(), gp.Initialize(), gp.InitializeEnv(); }
  std::string Files() const {  // every file of the folder: "[name]" and its text
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) names.insert(entry.path().filename());
    std::string all;
    for (const std::string& name : names) all += "[" + name + "]\n" + ReadFile(dir_.path() + "/" + name);
    return all;
  }

  vela::test::ScopedConfigEnvironment env_;
  std::unique_ptr<ScopedProcessEnv> code_ =
      std::make_unique<ScopedProcessEnv>("VelaUseSystemConstants", vela::test::TodaysInternalModeCode().c_str());
  vela::test::TempPath dir_{"vela_operator"};
  VelaGlobalParameters& gp = GetGlobalParameters();
};

const std::string kTop = "#VelaTopOperator\n#0\n# Vel version Vel_17W08 level 65535 hf65535\n\nvalue 5\n";
const std::string kNst = "#VelaNestedOperator\n#0\n\nvalue 9\n#=======Output=======\nresult 3\n";  // no version line
const std::string kOut = "#=======Output=======\nresult 7\n";
const std::string kCheck = "CI for Top: (1)\n Vel level = 65535 hf65535\ninput value 5\nCI for Top: OK\n";
const std::string kCheckEnd = "CO for Top: (1)\noutput 0.5\nCO for Top: OK\n\n";

// Times vary: every number with two decimals or more, and the CPU time of a
// status report, become T.
std::string MaskTimes(const std::string& text) {
  std::string masked;
  for (std::size_t i = 0; i < text.size();) {
    const auto digitsEnd = [&text](std::size_t from) {
      return std::min(text.find_first_not_of("0123456789", from), text.size());
    };
    const std::size_t point = digitsEnd(i), end = point > i && text[point] == '.' ? digitsEnd(point + 1) : point;
    const bool time = end >= point + 3;
    if (time || text.compare(i, 17, "CPUTime        : ") == 0) {
      masked += time ? "T" : "CPUTime        : T";
      i = time ? end : text.find('\n', i);
    } else {
      masked += text[i++];
    }
  }
  return masked;
}

struct Scenario {
  int replayMode;
  const char* method;
  const char* traceKey;  // "VelaTraceLevel", null when unset
  // c check, m measure, s status, n nested child, f filtered, i interrupted,
  // e a type with its own extension, p parallel, 2 run twice, k KO verdicts, levels, environment,
  // h an active and H an inactive playback hook
  const char* options;
  const char* summary;  // result, runs, trace level inside the top and the nested work, run count
  std::string files, trace, hook = "";
};
const std::string kCaptures = "IsActive\nCapture 0 Top\n" + kTop + "Capture 1 Top\n" + kOut;

const Scenario kScenarios[] = {
    {0, "", nullptr, "", "7 1 0 -1 1", "", ""},
    {3, "", nullptr, "2", "7 2 0 -1 1", "[Vela001.VelReplay]\n" + kTop + kOut + "[Vela002.VelReplay]\n" + kTop + kOut,
     ""},
    {1, "", nullptr, "", "7 1 0 -1 1", "[Vela001.VelReplay]\n" + kTop, ""},
    {2, "", nullptr, "", "7 1 0 -1 1", "[Vela001.VelReplay]\n" + kOut, ""},
    {3, "", nullptr, "e2", "7 2 0 -1 1",
     "[Vela001.VelExt]\n#VelaOwnExtension" + kTop.substr(16) + kOut + "[Vela002.VelExt]\n#VelaOwnExtension" +
         kTop.substr(16) + kOut, ""},
    {3, "", nullptr, "n", "7 1 0 0 2", "[Vela001.VelReplay]\n" + kTop + kOut, ""},
    {3, "FULL", nullptr, "n", "7 1 0 0 2",
     "[Vela001.VelReplay]\n" + kTop + kOut + "[Vela001.VelReplay.0002.Nst]\n" + kNst, ""},
    {3, "Nst", "2", "n", "7 1 0 2 2", "[Vela001.VelReplay.0002.Nst]\n" + kNst,
     "-- RO for Top (1):\n-- RO for Nst (2):\n-- RO for Nst (2) returned 3\n-- RO for Top (1) returned 7\n"},
    {3, "", nullptr, "cf", "7 1 0 -1 1", "[Vela001.VelReplay.cio]\n" + kCheck + "RO for Top returned 7\n" + kCheckEnd,
     ""},
    {3, "", nullptr, "ci", "4 0 -1 -1 1",
     "[Vela001.VelReplay]\n" + kTop + kOut + "[Vela001.VelReplay.cio]\n" + kCheck + "RO for Top returned 4\n" +
         kCheckEnd, ""},
    {0, "", "1", "cnk", "7 1 1 1 2",
     "[Vela001.VelReplay.cio]\nUsed custom environment:\n VelaOperatorTestKey = 42\n\n" + kCheck +
         "  CI for Nst: (2)\n   Vel level = 2\ninput value 9\n  CI for Nst: KO\n  RO for Nst returned 3\n"
         "  CO for Nst: (2)\noutput 0.5\n  CO for Nst: OK\n\nRO for Top returned 7\nCO for Top: (1)\noutput 0.5\n"
         "CO for Top: KO\n\n",
     "-- CI for Top (1):\n-- CI for Top (1) returned OK\n-- RO for Top (1):\n-- CI for Nst (2):\n"
     "-- CI for Nst (2) returned KO\n-- RO for Nst (2):\n-- RO for Nst (2) returned 3\n-- CO for Nst (2):\n"
     "-- CO for Nst (2) returned OK\n-- RO for Top (1) returned 7\n-- CO for Top (1):\n"
     "-- CO for Top (1) returned KO\n"},
    {0, "", nullptr, "cmsn", "7 1 0 0 2",
     "[Vela001.VelReplay.cio]\n" + kCheck + "  CI for Nst: (2)\n   Vel level = 65535 hf65535\ninput value 9\n"
         "  CI for Nst: OK\n  RO for Nst returned 3\n  RO for Nst spent T sec\n"
         "  CO for Nst: (2)\noutput 0.5\n  CO for Nst: OK\n\nRO for Top returned 7\nRO for Top spent T sec\n" +
         kCheckEnd + "Spent time: T sec\nLost time:  T sec\n\nId  Call      Time      %%\nExt\n"
         "Nst      1          T        T\nTop      1          T        T\n        2          T\n"
         "[status.txt]\nCheckInput : \n   CheckUp(Input) : OK\nsucceeded.\n\nRunOperator :\n   CPUTime        : T\n"
         "succeeded.\n\nCheckOutput : \n   CheckUp(Output) : OK\nsucceeded.\n\n", ""},
    {3, "", nullptr, "cp", "7 1 0 -1 0", "", ""},
    {3, "", nullptr, "h2n", "7 2 0 0 2", "[Vela001.VelReplay]\n" + kTop + kOut + "[Vela002.VelReplay]\n" + kTop + kOut,
     "",
     kCaptures + kCaptures},  // the nested runs are not captured
    {0, "", nullptr, "h", "7 1 0 -1 1", "", "", kCaptures},
    {3, "", nullptr, "H", "7 1 0 -1 1", "[Vela001.VelReplay]\n" + kTop + kOut, "", "IsActive\n"},
};

TEST_F(Operator, RunFollowsTheProtocol) {
  for (const Scenario& s : kScenarios) {
    const auto has = [&s](char option) { return std::string(s.options).find(option) != std::string::npos; };
    SCOPED_TRACE(std::to_string(s.replayMode) + s.method + s.options);
    std::filesystem::remove_all(dir_.path()), std::filesystem::create_directory(dir_.path());
    ScopedProcessEnv trace("VelaTraceLevel", s.traceKey), parallel("VelaParallelMode", has('p') ? "1" : nullptr);
    gp.Initialize(), gp.InitializeEnv(), gp.SetReplayPath(dir_.path().c_str()), gp.SetReplayMode(s.replayMode);
    gp.SetReplayMethod(s.method), gp.SetCheckMode(has('c'));
    gp.SetMeasureTime(has('m')), gp.SetGenerateStatus(has('s'));
    if (has('s')) gp.OpenStatusStream((dir_.path() + "/status.txt").c_str());
    VelaStream sink;
    VelaOperator::PrintElapsedTimes(&sink);  // empties the table
    Op top(has('e') ? gExt : gTop), nested(gNst, 9, 3);
    top.child = has('n') ? &nested : nullptr;
    top.filter = has('f');
    top.SetInterrupt(has('i') ? &top : nullptr);
    std::unique_ptr<Hook> hook(has('h') || has('H') ? new Hook : nullptr);
    if (hook) hook->active = has('h');
    if (has('k')) nested.SetVelLevel(0x20000), nested.inputOk = 0, top.outputOk = 0;
    if (has('k')) VelaSetEnv("VelaOperatorTestKey", "42");
    const std::string traced = vela::test::CaptureStdout([&] {
      std::string summary = std::to_string(top.Run());
      if (has('2')) top.Run();
      summary += " " + std::to_string(top.runs) + " " + std::to_string(top.inside);
      summary += " " + std::to_string(nested.inside);
      EXPECT_EQ(summary + " " + std::to_string(gp.GetRunCount()), s.summary);
    });
    VelaFlushEnv();
    gp.CloseStatusStream();
    EXPECT_EQ(MaskTimes(Files()), s.files);
    EXPECT_EQ(traced, s.trace);
    EXPECT_EQ(hook ? hook->log : "", s.hook);
    EXPECT_EQ(gp.GetReplaySuffix().str() + std::to_string(gp.GetNestingLevel() + gp.GetCheckIndent()), ".VelReplay0");
    EXPECT_TRUE(gp.GetCheckStream() == nullptr && gp.GetTraceLevel() == gp.GetCurrentValues().InitialTraceLevel);
  }
}

// The measured time leaves out nested operators and lost time; the time
// table charges each type once, and empties itself.
TEST_F(Operator, TimeMeasurementAndTheTimeTable) {
  Op outer(gTop), inner(gNst);
  VelaStream sink, table;
  VelaOperator::PrintElapsedTimes(&sink);  // empties the table
  const long total = VelaOperator::_sTotal;
  { AutoMeasureTime off(&outer); }  // MeasureTime is off
  EXPECT_EQ(outer.GetTime() + VelaOperator::_sTotal - total, 0);
  gp.SetMeasureTime(1);
  {
    AutoMeasureTime on(&outer), none(nullptr);
    inner.BeginMeasureTime();
    inner.EndMeasureTime();
    gp.SetLostTime(gp.GetLostTime() + 1000000);
  }
  EXPECT_LT(outer.GetTime(), 0);
  EXPECT_EQ(VelaOperator::_sTotal - total, outer.GetTime() + inner.GetTime());
  outer.SetTime(40);
  outer.FixTime();
  {
    ScopedProcessEnv parallel("VelaParallelMode", "2");
    gp.InitializeEnv();
    outer.FixTime();  // not while parallel
    EXPECT_EQ(gTop.time, 40);
  }
  gp.Initialize(), gp.InitializeEnv();
  VelaOperator::PrintElapsedTimes(nullptr);
  gTop.time = 150000, gTop.calls = 3, gNst.time = 50000, gNst.calls = 1, gExt.calls = 2;
  gp.SetRunCount(5);
  VelaOperator::PrintElapsedTimes(&table);
  VelaOperator::PrintElapsedTimes(&table);
  const std::string head = "\nId  Call      Time      %%\n";
  EXPECT_EQ(Text(table), head +
                             "Ext      2          0.0000        0.00\nNst      1          0.5000        25.00\n"
                             "Top      3          1.5000        75.00\n        5          2.0000\n" + head +
                             "Ext\nNst\nTop\n        5          0.0000\n");
  // A second measured run of one object charges the table with that run only.
  gp.SetCheckMode(1), gp.SetMeasureTime(1), gp.SetReplayPath(dir_.path().c_str());
  Op op(gTop);
  op.SetTime(100 * VelaClockPerSec());
  op.Run();
  const std::string check = ReadFile(dir_.path() + "/Vela001.VelReplay.cio");
  gTop.time = op.GetTime() - 100 * VelaClockPerSec(), gTop.calls = 1;
  VelaStream expected;
  VelaOperator::PrintElapsedTimes(&expected);
  EXPECT_EQ(check.substr(check.size() - std::min(check.size(), Text(expected).size())), Text(expected));
}

TEST_F(Operator, AHostHookIsReturnedAtOnceAndNeverReplaced) {
  auto first = std::make_unique<Hook>();
  Hook second, copy(*first);
  EXPECT_TRUE(VelaUnderPlayBack::GetSingleton(1) == first.get() && gp.IsUnderPlayBack() == first.get());
  first.reset();  // empties the slot; the others stay out
  Hook next(second);  // a copy made while the slot is empty registers too
  { Hook unregistered(next); }
  EXPECT_EQ(VelaUnderPlayBack::GetSingleton(0), &next);
}

#ifdef VELA_TEST_PLAYBACK_DIR

// Runs `body` in a fresh process (the environment is consulted and the
// plug-in loaded once per process) with "PlayBack_zip" set to `zip` (null:
// unset) and the plug-in's folder, or an empty one, on the search path.
// Returns what the body reported, then the plug-in's log.
std::string InFreshProcess(const char* zip, bool plugin, const std::function<std::string()>& body) {
  std::string base = std::getenv("VELA_TEST_PLAYBACK_BASE") ? std::getenv("VELA_TEST_PLAYBACK_BASE") : "";
  if (base.empty()) base = std::filesystem::temp_directory_path() / ("vela_playback_" + std::to_string(getpid()));
  ScopedProcessEnv shared("VELA_TEST_PLAYBACK_BASE", base.c_str());
  ScopedProcessEnv log("VELA_TEST_PLAYBACK_LOG", (base + ".log").c_str()), variable("PlayBack_zip", zip);
  ScopedProcessEnv path("LD_LIBRARY_PATH", plugin ? VELA_TEST_PLAYBACK_DIR : "/nonexistent");
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT((vela::test::WriteFile(base + ".report", body()), std::exit(0)), ::testing::ExitedWithCode(0), "");
  const std::string result = ReadFile(base + ".report") + "|" + ReadFile(base + ".log");
  std::filesystem::remove(base + ".report"), std::filesystem::remove(base + ".log");
  return result;
}

// The hook each call returned ("hook" or "null") and what it traced.
std::string Ask(std::initializer_list<int> calls) {
  std::string report;
  for (int force : calls) {
    VelaUnderPlayBack* hook = nullptr;
    report += vela::test::CaptureStdout([&] {
      hook = force < 0 ? GetGlobalParameters().IsUnderPlayBack() : VelaUnderPlayBack::GetSingleton(force);
    });
    report += hook ? "hook " : "null ";
  }
  return report;
}

TEST_F(Operator, ThePlaybackLibraryIsLookedForOnlyWhenAskedAndAtMostOnceEach) {
  EXPECT_EQ(InFreshProcess(nullptr, true, [] { return Ask({-1, -1, 0}); }), "null null null |");
  EXPECT_EQ(InFreshProcess(nullptr, true, [] { return Ask({0, 1, 1, -1}); }), "null hook hook hook |load\n");
  EXPECT_EQ(InFreshProcess("1", false, [] { return Ask({0, 0, -1, 1}); }),
            "<** VelaUnderPlayBack\nnull null null null |");
  // A failed forced attempt leaves the one attempt the variable asks for.
  EXPECT_EQ(InFreshProcess("", false, [] { return Ask({1, 1, 0, 1}); }),
            "<** VelaUnderPlayBack\nnull <** VelaUnderPlayBack\nnull null null |");
}

#endif  // VELA_TEST_PLAYBACK_DIR

}  // namespace
