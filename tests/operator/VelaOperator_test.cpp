// The run protocol of VelaOperator, the time table, the section store and the replay layout,
// and the playback hook with the real plug-in of tests/operator/plugin in fresh processes.
#include "vela/operator/VelaOperator.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <iostream>
#include <memory>
#include <set>
#include <sstream>
#include <string>

#include "support/InternalMode.h"
#include "support/TestSupport.h"
#include "vela/config/VelaGlobalParameters.h"
#include "vela/foundation/VelaClock.h"
#include "vela/foundation/VelaEnvironment.h"
#include "vela/operator/VelaStorage.h"
#include "vela/operator/VelaUnderPlayBack.h"
#include "vela/streams/VelaStream.h"

namespace {

using vela::test::ReadFile;
using vela::test::ScopedProcessEnv;
using Info = VelaOperator::OperatorInfo;

Info gTop("VelaTopOperator", "Top", nullptr), gNst("VelaNestedOperator", "Nst", nullptr),
    gExt("VelaOwnExtension", "Ext", ".VelExt");  // the registry: Ext, Nst, Top, newest first

std::string Text(VelaStream& s) { return static_cast<std::stringstream*>(s.GetStream())->str(); }

// Writes its value and result, may run a child, and reports in the check file.
class Op : public VelaOperator, public VelaInterruptInterface {
 public:
  explicit Op(Info& iInfo, int iValue = 5, int iResult = 7) : info_(iInfo), value(iValue), result(iResult) {}
  int RunOperator() override {
    inside = GetGlobalParameters().GetTraceLevel(), ++runs;
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
  unsigned char FilterReplay(int) const override { return filter; }
  Info& GetOperatorInfo() override { return info_; }
};

// A host program's hook, registered by its construction: records every call.
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

// The internal mode open in an empty environment, and a replay folder.
class Operator : public ::testing::Test {
 protected:
  void SetUp() override {
    VelaStream sink;
    VelaOperator::PrintElapsedTimes(&sink);  // empties the time table
    std::filesystem::create_directory(dir_.path());
  }
  // Every file of the folder, "[name]" and its text, with the times masked as they vary:
  // numbers of two decimals or more, and a status report's CPU time.
  std::string Files() const {
    const std::set<std::filesystem::path> paths(std::filesystem::directory_iterator(dir_.path()), {});
    std::string all;
    for (const auto& path : paths) all += "[" + path.filename().string() + "]\n" + ReadFile(path.string());
    for (std::size_t p = all.find('.'); p != std::string::npos; p = all.find('.', p + 1)) {
      const std::size_t from = all.find_last_not_of("0123456789", p - 1) + 1;
      if (from < p && all.find_first_not_of("0123456789", p + 1) >= p + 3)
        all.replace(from, all.find_first_not_of("0123456789", p + 1) - from, "T"), p = from;
    }
    const std::size_t cpu = all.find("CPUTime        : ");
    if (cpu != std::string::npos) all.replace(cpu + 17, all.find('\n', cpu) - cpu - 17, "T");
    return all;
  }

  vela::test::ScopedConfigEnvironment env_;
  vela::test::ScopedInternalMode internal_;
  vela::test::TempPath dir_{"vela_operator"};
  VelaGlobalParameters& gp = GetGlobalParameters();
};

const std::string kTop = "#VelaTopOperator\n#0\n# Vel version Vel_17W08 level 65535 hf65535\n\nvalue 5\n";
const std::string kNst = "#VelaNestedOperator\n#0\n\nvalue 9\n#=======Output=======\nresult 3\n";  // no version line
const std::string kOut = "#=======Output=======\nresult 7\n";
const std::string kCaptures = "IsActive\nCapture 0 Top\n" + kTop + "Capture 1 Top\n" + kOut;

struct Scenario {
  int replayMode;
  const char *method, *traceKey;  // traceKey: "VelaTraceLevel", null when unset
  // c check, m measure, s status, n nested child, f filtered, i interrupted, e own extension, v no
  // version line, p parallel, 2 run twice, k KO verdicts, levels, environment, h/H an (in)active hook
  const char *options, *summary;  // summary: result, runs, trace levels in top and nested, run count
  std::string files, trace, hook = "";
};

const Scenario kScenarios[] = {
    {0, "", nullptr, "", "7 1 0 -1 1", "", ""},
    {3, "", nullptr, "ev", "7 1 0 -1 1", "[Vela001.VelExt]\n#VelaOwnExtension\n#0\n\nvalue 5\n" + kOut, ""},
    {1, "", nullptr, "", "7 1 0 -1 1", "[Vela001.VelReplay]\n" + kTop, ""},
    {2, "", nullptr, "", "7 1 0 -1 1", "[Vela001.VelReplay]\n" + kOut, ""},
    {3, "FULL", nullptr, "n", "7 1 0 0 2",
     "[Vela001.VelReplay]\n" + kTop + kOut + "[Vela001.VelReplay.0002.Nst]\n" + kNst, ""},
    {3, "Nst", "2", "n", "7 1 0 2 2", "[Vela001.VelReplay.0002.Nst]\n" + kNst,
     "-- RO for Top (1):\n-- RO for Nst (2):\n-- RO for Nst (2) returned 3\n-- RO for Top (1) returned 7\n"},
    {3, "", nullptr, "cfi", "4 0 -1 -1 1",
     "[Vela001.VelReplay.cio]\nCI for Top: (1)\n Vel level = 65535 hf65535\ninput value 5\nCI for Top: OK\n"
     "RO for Top returned 4\nCO for Top: (1)\noutput 0.5\nCO for Top: OK\n\n", ""},
    {1, "", "1", "cmsnk", "7 1 1 1 2",
     "[Vela001.VelReplay]\n#VelaTopOperator\n#0\n# Vel version Vel_17W08 level 3\n\n#!ENVIRONMENT\n\n"
     "VelaOperatorTestKey=42;\n\nvalue 5\n[Vela001.VelReplay.cio]\nUsed custom environment:\n"
     " VelaOperatorTestKey = 42\n\nCI for Top: (1)\n Vel level = 3\ninput value 5\nCI for Top: OK\n"
     "  CI for Nst: (2)\n   Vel level = 2\ninput value 9\n  CI for Nst: KO\n  RO for Nst returned 3\n"
     "  RO for Nst spent T sec\n  CO for Nst: (2)\noutput 0.5\n  CO for Nst: OK\n\nRO for Top returned 7\n"
     "RO for Top spent T sec\nCO for Top: (1)\noutput 0.5\nCO for Top: KO\n\nSpent time: T sec\n"
     "Lost time:  T sec\n\nId  Call      Time      %%\nExt\nNst      1          T        T\n"
     "Top      1          T        T\n        2          T\n[status.txt]\nCheckInput : \n"
     "   CheckUp(Input) : OK\nsucceeded.\n\nRunOperator :\n   CPUTime        : T\nsucceeded.\n\n"
     "CheckOutput : \n   CheckUp(Output) : KO\nsucceeded.\n\n",
     "-- CI for Top (1):\n-- CI for Top (1) returned OK\n-- RO for Top (1):\n-- CI for Nst (2):\n"
     "-- CI for Nst (2) returned KO\n-- RO for Nst (2):\n-- RO for Nst (2) returned 3\n"
     "-- CO for Nst (2):\n-- CO for Nst (2) returned OK\n-- RO for Top (1) returned 7\n"
     "-- CO for Top (1):\n-- CO for Top (1) returned KO\n"},
    {3, "", nullptr, "cp", "7 1 0 -1 0", "", ""},
    {3, "", nullptr, "h2n", "7 2 0 0 2",
     "[Vela001.VelReplay]\n" + kTop + kOut + "[Vela002.VelReplay]\n" + kTop + kOut, "", kCaptures + kCaptures},
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
    gp.SetReplayMethod(s.method), gp.SetCheckMode(has('c')), gp.SetMeasureTime(has('m')), gp.SetPrintVersion(!has('v'));
    if (has('s')) gp.SetGenerateStatus(1), gp.OpenStatusStream((dir_.path() + "/status.txt").c_str());
    Op top(has('e') ? gExt : gTop), nested(gNst, 9, 3);
    top.child = has('n') ? &nested : nullptr, top.filter = has('f'), top.SetInterrupt(has('i') ? &top : nullptr);
    if (has('m')) top.SetTime(-100 * VelaClockPerSec());  // the table takes only what a run adds
    // A host hook registers itself when made, a copy too, unless another one is registered.
    std::unique_ptr<Hook> hook, first(has('h') || has('H') ? new Hook : nullptr);
    std::unique_ptr<Hook> ignored(first ? new Hook(*first) : nullptr);
    if (first) first.reset(), hook.reset(new Hook(*ignored)), hook->active = has('h');
    if (has('k')) top.SetVelLevel(0x30000), nested.SetVelLevel(0x20000), nested.inputOk = top.outputOk = 0;
    if (has('k')) VelaSetEnv("VelaOperatorTestKey", "42");
    const std::string traced = vela::test::CaptureStdout([&] {
      std::string summary = std::to_string(top.Run());
      if (has('2')) top.Run();
      summary += " " + std::to_string(top.runs) + " " + std::to_string(top.inside) + " ";
      EXPECT_EQ(summary + std::to_string(nested.inside) + " " + std::to_string(gp.GetRunCount()), s.summary);
    });
    VelaFlushEnv(), gp.CloseStatusStream();
    EXPECT_EQ(Files(), s.files);
    EXPECT_EQ(traced, s.trace);
    EXPECT_EQ(hook ? hook->log : "", s.hook);
    EXPECT_EQ(gp.GetReplaySuffix().str() + std::to_string(gp.GetNestingLevel() + gp.GetCheckIndent()), ".VelReplay0");
    EXPECT_TRUE(gp.GetCheckStream() == nullptr && gp.GetTraceLevel() == gp.GetCurrentValues().InitialTraceLevel);
  }
}

// The measured time leaves out nested operators and lost time; the table
// shows each type's calls, time and share and empties itself.
TEST_F(Operator, TimeMeasurementAndTheTimeTable) {
  Op outer(gTop), inner(gNst);
  VelaStream table;
  const long total = VelaOperator::_sTotal;
  { AutoMeasureTime off(&outer); }  // MeasureTime is off
  EXPECT_EQ(outer.GetTime() + VelaOperator::_sTotal - total, 0);
  gp.SetMeasureTime(1);
  {
    AutoMeasureTime on(&outer), none(nullptr);
    inner.BeginMeasureTime(), inner.EndMeasureTime(), gp.SetLostTime(gp.GetLostTime() + 1000000);
  }
  EXPECT_TRUE(outer.GetTime() < 0 && VelaOperator::_sTotal - total == outer.GetTime() + inner.GetTime());
  gTop.time = 150000, gTop.calls = 3, gNst.time = 50000, gNst.calls = 1, gExt.calls = 2, gp.SetRunCount(5);
  VelaOperator::PrintElapsedTimes(&table), VelaOperator::PrintElapsedTimes(&table);
  const std::string head = "\nId  Call      Time      %%\n";
  EXPECT_EQ(Text(table), head + "Ext      2          0.0000        0.00\nNst      1          0.5000        25.00\n"
                                "Top      3          1.5000        75.00\n        5          2.0000\n" + head +
                             "Ext\nNst\nTop\n        5          0.0000\n");
}

using S = VelaStorage;

TEST_F(Operator, TheSectionStoreKeepsTheOrderRefusesDuplicatesAndFollowsTheCurrentIndex) {
  S storage;
  std::string added;
  const std::string trace = vela::test::CaptureStdout([&] {
    const struct { const char* name; S::ReplayPart part; int index, traceLevel; } adds[] = {
        {"P", S::INPUT, 0, 5}, {"P", S::INPUT, 0, 0}, {"P", S::OUTPUT, 0, 0}, {"P", S::INPUT, 1, 0},
        {"p", S::SCRIPT, 0, 0}, {"R", S::REFERENCE, 12, 6}, {"P", S::INPUT, 3, 6}};
    for (const auto& a : adds) {
      GetGlobalParameters().SetTraceLevel(a.traceLevel);
      if (a.index == 3) storage.ChooseReplayPart(S::INPUT, 1);  // index 0 now files under 1
      const char* options = a.index == 12 ? "o" : "";
      added += std::to_string(storage.AddSection(a.name, options, "l1\nl2", a.part, a.index == 3 ? 0 : a.index));
    }
  });
  for (const S::Section* s = storage.GetFirstSection(); s != nullptr; s = s->next)
    added += s->name.str() + std::to_string(s->part) + std::to_string(s->index) + " ";
  EXPECT_EQ(added + trace, "1011110P10 P20 P11 p00 R312 Duplicated section P found\nAdded REFERENCE 12 section R\n"
                           "           with options o\n              with body l1\nl2\nAdded INPUT     1 section P\n"
                           "           with options \n              with body l1\nl2\nDuplicated section P found\n");
  EXPECT_EQ(storage.FindSection("P"), storage.GetFirstSection()->next->next);  // INPUT 1
  storage.ChooseReplayPart(S::OUTPUT, 0);  // keeps index 1
  EXPECT_TRUE(storage.GetCurrentIndex() == 1 && !storage.FindSection("P") && !storage.HasSections(S::OUTPUT, 0));
  EXPECT_TRUE(storage.HasSections(S::INPUT, 0) && storage.HasSections(S::REFERENCE, 12));
}

// Inputs at indices 0, 1, 2 and 4 (after a gap), outputs at 0 and 1, given out
// of order, with a reference, a script and sections with only a name.
TEST_F(Operator, ReplaySectionsPartSeparatorsAndAHeaderWithoutLevel) {
  VelaStream all, single, none(nullptr), current;
  for (VelaStream* s : {&all, &single, &none}) {
    const struct { const char *name, *options, *body; S::ReplayPart part; int index; } sections[] = {
        {"in2", "", "i2", S::INPUT, 2}, {"out0", "", "o0", S::OUTPUT, 0}, {"in0", "a b", "i\n0", S::INPUT, 0},
        {"ref0", "", "r0", S::REFERENCE, 0}, {"out1", "", "o1", S::OUTPUT, 1}, {"in1", "", "i1", S::INPUT, 1},
        {"script", "", "s", S::SCRIPT, 0}, {"in1b", "b", "", S::INPUT, 1}, {"name", "", "", S::INPUT, 1},
        {"in4", "", "i4", S::INPUT, 4}};
    for (const auto& c : sections) s->GetStorage().AddSection(c.name, c.options, c.body, c.part, c.index);
  }
  const std::string in1 = "#!!======= Input 1 =======\nin1\n\ni1\nin1b b\n\n#!!======= Output 1 =======\nout1\n\no1\n";
  const std::string first = "script\n\ns\nin0 a b\n\ni\n0\n#!!======= Output =======\nout0\n\no0\n" + in1;
  all.WriteSections(S::ALL_PARTS);
  EXPECT_EQ(Text(all), first + "#!!======= Input 2 =======\nin2\n\ni2\n#!!======= Output 2 =======\n");
  for (int index : {0, 1, 2}) single.WriteSections(S::ALL_PARTS, index);
  single.WriteSections(S::REFERENCE, 0), single.WriteSections(S::OUTPUT, 2), single.WriteSections(S::INPUT);
  EXPECT_EQ(Text(single), first + "#!!======= Input 2 =======\nin2\n\ni2\nref0\n\nr0\nin0 a b\n\ni\n0\n");
  none.WriteSections(S::ALL_PARTS), none.WriteSections(S::ALL_PARTS, 1);  // no output: nothing, no crash
  current.GetStorage().AddSection("out0", "", "o0", S::OUTPUT, 0), current.WriteHeader("Op", -3);
  current.ChooseReplayPart(S::INPUT, 2);
  current.WriteSections(S::ALL_PARTS);  // asks the current index whether outputs exist
  current.ChooseReplayPart(S::SCRIPT);
  const S& storage = current.GetStorage();
  EXPECT_EQ(Text(current) + std::to_string(storage.GetCurrentPart() * 10 + storage.GetCurrentIndex()),
            "#Op\n#-3\n# Vel version Vel_17W08\n\nout0\n\no0\n2");
}

#ifdef VELA_TEST_PLAYBACK_DIR

// Runs `calls` (force flags; -1: the configuration's accessor) in a fresh
// process with "PlayBack_zip" set to `zip` (null: unset) and the plug-in's
// folder, or none, on the search path. Its standard error must be `expected`:
// the plug-in's "load", then per call what it traced and "hook" or "null".
void ExpectInFreshProcess(const char* zip, bool plugin, std::initializer_list<int> calls,
                          const std::string& expected) {
  ScopedProcessEnv variable("PlayBack_zip", zip);
  ScopedProcessEnv path("LD_LIBRARY_PATH", plugin ? VELA_TEST_PLAYBACK_DIR : "/nonexistent");
  const auto ask = [&calls] {
    const std::string report = vela::test::CaptureStdout([&calls] {
      for (int force : calls)
        std::cout << ((force < 0 ? GetGlobalParameters().IsUnderPlayBack() : VelaUnderPlayBack::GetSingleton(force))
                          ? "hook " : "null ");
    });
    std::fputs(report.c_str(), stderr), std::exit(0);
  };
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(ask(), ::testing::ExitedWithCode(0), ::testing::Eq(expected));
}

TEST_F(Operator, ThePlaybackLibraryIsLookedForOnlyWhenAskedAndAtMostOnceEach) {
  ExpectInFreshProcess(nullptr, true, {-1, -1, 0}, "null null null ");
  ExpectInFreshProcess(nullptr, true, {0, 1, 1, -1}, "load\nnull hook hook hook ");
  ExpectInFreshProcess("1", false, {0, 0, -1, 1}, "<** VelaUnderPlayBack\nnull null null null ");
  // A failed forced attempt leaves the one attempt the variable asks for.
  ExpectInFreshProcess("", false, {1, 1, 0, 1}, "<** VelaUnderPlayBack\nnull <** VelaUnderPlayBack\nnull null null ");
}

#endif  // VELA_TEST_PLAYBACK_DIR

}  // namespace
