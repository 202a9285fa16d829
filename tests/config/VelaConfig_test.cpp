// The global and the auto-constraining parameters; their keys go through the
// model in support/EnvironmentModel.
#include <gtest/gtest.h>

#include <cfenv>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <new>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "config/GlobalParameterKeys.h"
#include "support/EnvironmentModel.h"
#include "support/InternalMode.h"
#include "support/TestSupport.h"
#include "vela/config/VelaAutoConstrainingParameters.h"
#include "vela/config/VelaGlobalParameters.h"
#include "vela/foundation/VelaEnvironment.h"

namespace {

using vela::test::ReadFile;
using vela::test::ScopedProcessEnv;
using P = VelaGlobalParameters;

P Configured() {
  P p;
  p.Initialize();
  p.InitializeEnv();
  return p;
}

// The state besides the keys of the model.
std::string State(P& p) {
  std::ostringstream out;
  const P::CustomValues& v = p.GetCurrentValues();
  out << std::hex << v.Levels << " " << p.GetVelFullOpenConfigurationLevel() << std::dec << " "
      << int(v.InternalMode) << v.TraceLevel << v.InitialTraceLevel << int(v.CheckMode) << int(v.ReplayPlugMode)
      << " " << p.GetSpentTime() << p.GetLostTime() << p.GetRunCount() << p.GetNestingLevel()
      << int(p.GetTestMode()) << int(p.IsDiagNotRun()) << p.GetCheckIndent() << p.GetICIndent()
      << (p.GetCheckStream() != nullptr) << " " << v.ReplayMethod << "|" << v.ReplayPath << "|" << v.InputPath
      << "|" << v.ReplaySuffix << " " << p.GetReplayFullName() << " " << p.GetScriptFullName();
  return out.str();
}

// Each test sees an empty configuration environment and a folder of its own.
class Config : public ::testing::Test {
 protected:
  Config() { std::filesystem::create_directory(folder_.path()); }
  void TearDown() override { std::fesetround(FE_TONEAREST); }
  std::string Dir() const { return folder_.path() + "/"; }

  vela::test::ScopedConfigEnvironment environment_;
  vela::test::TempPath folder_{"vela_config"};
};

// Every modelled key through accepted, rejected, boundary and unset values,
// each time with every key checked, and then left away from its default:
// Initialize brings back the defaults of the keys and of the run-time state.
TEST_F(Config, KeysFollowTheModelOfTheirKindAndInitializeRestoresTheDefaults) {
  const std::string defaults = "2ef0000 2ef0000 00000 000000000 |||.VelReplay Vela001.VelReplay Vela1.VelScript";
  const std::vector<vela::test::ConfigKey>& keys = vela::test::ConfigKeys();
  EXPECT_EQ(keys.size() + 11, std::size(vela::detail::kGlobalParameterKeys) + 32);
  vela::test::ConfigState state;  // every key at its default
  P& p = state.p;
  EXPECT_EQ(State(p), defaults);
  for (std::size_t i = 0; i < keys.size(); ++i) {
    const vela::test::ConfigKey& k = keys[i];
    std::vector<std::string> values = {"TRUE", "true", "FALSE", "-1", " 7", "12abc", "", "99999999999", "-99999999999",
                                       std::to_string(k.bound), std::to_string(k.bound - 1), "6"};
    for (const auto& [word, number] : k.keywords) values.insert(values.end(), {word, std::string(word) + " ", "x"});
    for (const std::string& value : values) {
      for (const char* text : {value.c_str(), "", static_cast<const char*>(nullptr)}) {
        ASSERT_EQ(state.Apply(i, text), "") << k.key << "=" << (text ? text : "(unset)");
      }
    }
    for (std::size_t v = 0; v < values.size() && k.get(p, state.acp) == k.byDefault; ++v) {
      ASSERT_EQ(state.Apply(i, values[v].c_str()), "") << k.key << "=" << values[v];
    }
    ASSERT_NE(k.get(p, state.acp), k.byDefault) << k.key;
  }
  VelaFlushEnv();
  p.SetReplayPrefix(Dir().c_str());
  vela::test::WriteFile(Dir() + "001.VelReplay", "");
  p.GenerateNextReplayName("");
  p.IncRunCount(), p.SetNestingLevel(2), p.SetSpentTime(10), p.SetLostTime(20), p.SetTestMode(1);
  p.SetDiagNotRun(1), p.IncCheckIndent(), p.IncICIndent(), p.SetPrecision(9), p.SetReplayMode(3);
  p.OpenCheckStream((Dir() + "a.cio").c_str());
  ScopedProcessEnv output("VelaOutputFile", "out.txt");
  p.InitializeEnv();
  ScopedProcessEnv gs("VelaUseGS", "FALSE");
  p.Initialize();  // reads no key, and keeps the output file
  EXPECT_EQ(State(p) + " " + p.GetCurrentValues().OutputFile.str(), defaults + " out.txt");
  for (const auto& k : keys) EXPECT_TRUE(k.automatic || k.get(p, state.acp) == k.byDefault) << k.key;
  EXPECT_EQ(P().GetCurrentValues().Levels + P().GetCurrentValues().UseGS, 0u);  // zeroed, not defaulted
}

// In a fresh process: the first access builds the defaults, then applies the
// environment and the rounding; the auto-constraining parameters read it once.
bool FirstAccess() {
  std::fesetround(FE_UPWARD);
  P& p = GetGlobalParameters();
  VelaAutoConstrainingParameters& ac = GetAutoConstrainingParameters();
  p.SetReplayMode(0);
  p.ResetReplayMode();  // the effective copy taken after the keys
  VelaSetEnv("VelaACPDistance", "TRUE");
  return &GetGlobalParameters() == &p && p.GetVelOpenConfigurationLevel() == 500 && p.GetReplayMode() == 3 &&
         p.GetAssertMode() == VelaAssertMode_ASSERT && p.IsUseGS() == 1 && std::fegetround() == FE_DOWNWARD &&
         &GetAutoConstrainingParameters() == &ac && ac.IsActivated() && !ac.GetConstraint(VelaACType::Distance);
}

TEST_F(Config, FirstAccessBuildsDefaultsThenAppliesTheEnvironmentAndTheRounding) {
  ScopedProcessEnv level("VelaLevel", "500"), mode("VelaReplayMode", "3"), round("VelaRoundMode", "DOWN");
  ScopedProcessEnv stage("KorDevelopmentStage", "TRUE"), on("VelAutoConstraining", "TRUE");
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(std::exit(FirstAccess() ? 0 : 1), ::testing::ExitedWithCode(0), "");
}

TEST_F(Config, SaveRestoreCopiesIndentsAndRunCount) {
  ScopedProcessEnv mode("VelaReplayMode", "1");
  P p = Configured();
  p.SetPrecision(6), p.Save(), p.SetPrecision(2), p.SetAssertMode(VelaAssertMode_LOOP);
  {
    ScopedProcessEnv level("VelaLevel", "500"), hf("VelaHFLevel", "7");
    p.InitializeEnv();
  }
  unsigned short level = 0, hf = 0;
  p.GetVelOpenConfigurationLevels(level, hf);
  p.SetReplayMode(0), p.ResetReplayMode();
  EXPECT_EQ(level * 100 + hf + p.GetReplayMode() * 1000000, 1050007);
  p.SetReplayMode(3), p.FlushReplayMode(), p.IncRunCount(), p.OpenCheckStream((Dir() + "a.cio").c_str());
  P copy(p);  // the values, not the streams
  EXPECT_EQ(copy.GetRunCount() * 100 + copy.GetPrecision() + copy.GetReplayMode(), 102);
  EXPECT_TRUE(copy.GetCheckStream() == nullptr && copy.GetTraceStream() != p.GetTraceStream());
  p.Restore();  // the values and the effective levels, not the effective replay mode
  EXPECT_EQ(p.GetPrecision() * 10 + p.GetAssertMode() + p.GetVelFullOpenConfigurationLevel(), 60 + 0x02EF0000u);
  p.ResetReplayMode();
  EXPECT_EQ(p.GetReplayMode(), 3);
  copy.OpenCheckStream((Dir() + "b.cio").c_str());
  VelaStream* check = copy.GetCheckStream();  // assignment keeps the target's streams
  copy = p;
  EXPECT_EQ(copy.GetPrecision() * 10 + (copy.GetCheckStream() == check), 61);
  std::string steps;
  for (int i = 0; i < 7; ++i) steps += std::to_string(p.IncICIndent()) + " ";
  for (int i = 0; i < 7; ++i) steps += std::to_string(p.DecICIndent()) + " ";
  for (int i : {1, 1, -1}) steps += std::to_string(i > 0 ? p.IncCheckIndent() : p.DecCheckIndent()) + " ";
  EXPECT_EQ(steps, "3 6 9 12 14 16 18 16 14 12 9 6 3 0 2 4 2 ");
  p.SetSpentTime(5000000000L);
  p.SetLostTime(56);
  p.SetRunCount(0);  // clears the times
  EXPECT_EQ(p.GetSpentTime() + p.GetLostTime() + p.IncRunCount(), 1);
}

// Each row applies its keys (null: unset) to the levels the rows above left.
TEST_F(Config, LevelOnlyLowersAndTheHFLevelFollowsALoweredLevel) {
  P p = Configured();
  const std::tuple<const char*, const char*, const char*, unsigned int> rows[] = {
      {"1000", nullptr, nullptr, 751 << 16}, {"-1", nullptr, nullptr, 751 << 16},
      {nullptr, "7", nullptr, 751 << 16},  {"751", "7", nullptr, 751 << 16},  // min(7, 0); equal is not lower
      {"500", "7", nullptr, 500 << 16 | 7},  {nullptr, "9", nullptr, 500 << 16 | 7},
      {"500", "9", nullptr, 500 << 16 | 7},  {nullptr, "3", nullptr, 500 << 16 | 3},
      {nullptr, "-1", nullptr, 500 << 16 | 3}, {"400", "70000", nullptr, 400 << 16 | 4464},
      {"300", nullptr, nullptr, 300 << 16 | 4464}, {"200", "7", "LEVELBSF", 200 << 16 | 7},
      {nullptr, nullptr, "levelbsf ", 200 << 16 | 7}, {"100", "9", "levelbsf", 751 << 16},  // reset comes last
      {"abc", nullptr, nullptr, 0},
  };
  for (const auto& [level, hf, reset, expected] : rows) {
    ScopedProcessEnv l("VelaLevel", level), h("VelaHFLevel", hf), r("KORCX_MEMORY", reset);
    p.InitializeEnv();
    EXPECT_EQ(p.GetCurrentValues().Levels, expected) << (level ? level : "-") << (hf ? hf : "-");
  }
}

// The developer keys and setters act only with the internal mode open, which
// only Initialize opens; the GenerateStatus key acts either way. Then each row
// sets the string and developer keys (null: unsets them).
TEST_F(Config, StringKeysAndTheInternalModeGatingTheDeveloperFacilities) {
  const std::string today = vela::test::TodaysInternalModeCode();
  const auto developer = [](P& p) {
    const P::CustomValues& v = p.GetCurrentValues();
    std::ostringstream state;
    state << v.ReplayPath << "|" << v.ReplayPrefix << "|" << v.InputPath << "|" << v.OutputFile << "|" << v.ReplayMethod
          << "| " << int(v.InternalMode) << int(v.ReplayPlugMode) << int(v.CheckMode) << int(v.GenerateStatus) << " "
          << v.TraceLevel << v.InitialTraceLevel;
    return state.str();
  };
  for (const std::string& code : {std::string(), std::to_string(std::stoll(today) ^ 1), "x" + today, today}) {
    ScopedProcessEnv key("VelaUseSystemConstants", code.empty() ? nullptr : code.c_str());
    ScopedProcessEnv trace("VelaTraceLevel", "5"), check("VelaCheckMode", "TRUE"), method("VelaReplayMethod", "FULL"),
        plug("VelaReplayPlugMode", "TRUE"), status("VelaGenerateStatus", "TRUE");
    P p = Configured();
    std::string state = developer(p);
    p.SetTraceLevel(3), p.SetGenerateStatus(0), p.SetReplayMethod("GrS");
    p.SetCheckMode(!p.GetCheckMode()), p.SetReplayPlugMode(!p.IsReplayPlugMode());
    state += " " + developer(p);
    p.ResetTraceLevel();
    state += " " + std::to_string(p.GetTraceLevel());
    EXPECT_EQ(state, code == today ? "||||FULL| 1111 55 ||||GrS| 1000 35 5" : "||||| 0001 00 ||||| 0001 00 0") << code;
  }
  for (const char* method : {"SI", "SS", "si", "SIS", "GrS"}) {  // closed: only the users' methods
    ScopedProcessEnv env("VelaReplayMethod", method);
    EXPECT_EQ(Configured().GetReplayMethod().str(), std::string(method[0] == 'S' && !method[2] ? method : ""));
  }
  P p = Configured();
  VelaSetEnv("VelaUseSystemConstants", (" " + today + "z").c_str());  // custom, read as atoi reads
  p.InitializeEnv();  // too late: the code is checked by Initialize
  EXPECT_EQ(p.GetCurrentValues().InternalMode, 0);
  p.Initialize();
  p.SetReplayPlugMode(1);
  const std::pair<const char*, const char*> rows[] = {
      {nullptr, "||||| 1000 00"}, {"TRUE", "TRUE|TRUE|TRUE|TRUE|TRUE| 1110 00"},
      {nullptr, "TRUE|TRUE|TRUE|TRUE|TRUE| 1010 00"},
      {" 6 x", " 6 x| 6 x| 6 x| 6 x| 6 x| 1000 66"}, {"", " 6 x| 6 x| 6 x| 6 x| 6 x| 1000 66"},
      {"-2", "-2|-2|-2|-2|-2| 1000 -2-2"}};
  for (const auto& [value, state] : rows) {
    for (const char* key : {"VelaReplayPath", "VelaReplayPrefix", "VelaInputPath", "VelaOutputFile",
                            "VelaReplayMethod", "VelaReplayPlugMode", "VelaCheckMode", "VelaTraceLevel"}) {
      value ? VelaSetEnv(key, value) : VelaUnsetEnv(key);
    }
    p.InitializeEnv();
    EXPECT_EQ(developer(p), state) << (value ? value : "(unset)");
  }
}

TEST_F(Config, ReplayScriptAndNextNames) {
  std::string names;
  const auto add = [&names](const VelaString& name) { names += std::string(name.str()) + " "; };
  ScopedProcessEnv log("QTS_LOG_NAME", "abc");
  P p = Configured();
  p.SetTestMode(1), add(p.GetReplayFullName());  // no prefix computed in test mode
  p.SetTestMode(0), add(p.GetReplayFullName());
  p.SetReplayPath("C:\\r"), add(p.GetReplayFullName()), add(p.GetScriptFullName());
  ScopedProcessEnv other("QTS_LOG_NAME", "other");  // the prefix is computed once
  p.SetReplayFileName("case7.VelReplay"), add(p.GetReplayFullName()), add(p.GetScriptFileName());
  p.SetTestMode(1), add(p.GetScriptFileName());  // the script follows the explicit replay name in test mode
  p.SetScriptFileName("s.VelScript"), p.SetReplayFileNameForScript("case", 7);
  add(p.GetScriptFileName()), add(p.GetReplayFileName());
  ScopedProcessEnv digits("VelaReplayDigits", "3");
  p.InitializeEnv(), p.SetReplaySuffix(".x");
  for (int number : {7, 12345}) p.SetReplayFileNameForScript("case", number), add(p.GetReplayFileName());
  p.SetReplayFileName(""), add(p.GetReplayFileName());
  // The next names skip existing files unless a script or an explicit name
  // decides; the next script name stops on a name that cannot change.
  P q = Configured();
  q.SetReplayPrefix(Dir().c_str());
  for (const char* name : {"001.VelReplay", "002.VelReplay", "004.VelReplay", "003.VelReplay.0002.GrS",
                           "005.VelReplay", "1.VelScript", "2.VelScript", "case.VelReplay.VelScript"}) {
    vela::test::WriteFile(Dir() + name, "");
  }
  for (const char* extension : {"", ".0002.GrS", "+full", "+explicit", ""}) {
    q.SetScriptMode(std::string(extension) == "+full" ? VelaScriptMode_FULL : VelaScriptMode_NONE);
    q.SetReplayFileName(std::string(extension) == "+explicit" ? "x" : "");
    q.GenerateNextReplayName(extension[0] == '+' ? "" : extension);  // the extension is part of the name
    q.SetReplayFileName(""), add(q.GetReplayFileName());
  }
  q.SetScriptFileName("1.VelScript"), q.GenerateNextScriptFileName();
  q.SetScriptFileName(""), add(q.GetScriptFileName());
  q.GenerateNextScriptFileName(), add(q.GetScriptFileName());
  q.SetTestMode(1), q.SetReplayFileName("case.VelReplay"), q.GenerateNextScriptFileName();
  add(q.GetScriptFullName());
  EXPECT_EQ(names, "001.VelReplay abc_001.VelReplay C:\\r\\abc_001.VelReplay C:\\r\\abc_1.VelScript "
                   "C:\\r\\abc_case7.VelReplay 1.VelScript case7.VelReplay.VelScript s.VelScript "
                   "case_7.VelReplay case_007.x case_12345.x 001.x 003.VelReplay 004.VelReplay 004.VelReplay "
                   "004.VelReplay 006.VelReplay 1.VelScript 3.VelScript " +
                       Dir() + "case.VelReplay.VelScript ");
}

// The trace goes to standard output, the error stream elsewhere; the others
// are files, the dump one named after the replay and written when closed.
TEST_F(Config, StreamsAreOwnedOpenedReplacedAndClosed) {
  EXPECT_EQ(vela::test::CaptureStdout([this] {
              P p = Configured();
              p.SetReplayPrefix(Dir().c_str());
              *p.GetTraceStream() << "trace" << velendl, *p.GetErrorStream() << "error" << velendl;
              *p.GetDumpStream() << "M = [1 2]";
              p.OpenStatusStream((Dir() + "s.txt").c_str());
              *p.GetStatusStream() << "status";
              for (const char* name : {"a.cio", "b.cio", "b.cio"}) {
                p.OpenCheckStream((Dir() + name).c_str());  // closes the one open, truncates its file
                *p.GetCheckStream() << name;
              }
              p.Initialize();  // closes the check stream only
              EXPECT_TRUE(p.GetCheckStream() == nullptr && p.GetStatusStream() != nullptr);
              p.CloseStatusStream();
              EXPECT_EQ(p.GetStatusStream(), nullptr);
            }),
            "trace\n");
  EXPECT_EQ(ReadFile(Dir() + "001.VelReplay.dump") + ReadFile(Dir() + "a.cio") + ReadFile(Dir() + "b.cio") +
                ReadFile(Dir() + "s.txt"), "M = [1 2]a.ciob.ciostatus");
}

TEST_F(Config, InitializeFPUSetsTheRoundingOfEachKeyword) {
  const std::pair<const char*, int> cases[] = {{"UP", FE_UPWARD}, {"DOWN", FE_DOWNWARD}, {"TRUNC", FE_TOWARDZERO},
                                               {"NEAR", FE_TONEAREST}, {"up", FE_TONEAREST}};  // unknown: NEAR
  for (const auto& [keyword, rounding] : cases) {
    ScopedProcessEnv mode("VelaRoundMode", keyword);
    std::fesetround(rounding == FE_UPWARD ? FE_DOWNWARD : FE_UPWARD);
    Configured().InitializeFPU();
    EXPECT_EQ(std::fegetround(), rounding) << keyword;
  }
}

using Params = VelaAutoConstrainingParameters;

VelaACType Type(int t) { return static_cast<VelaACType>(t); }

// Everything a caller can observe: "on=0 def=1" and each type's flag, weight and length.
std::string State(const Params& p) {
  std::ostringstream out;
  out << "on=" << int(p.IsActivated()) << " def=" << p.GetDefaultPropagLength();
  for (int t = 1; t <= 15; ++t) {
    const VelaACType type = Type(t);
    out << " " << int(p.GetConstraint(type)) << "," << p.GetWeight(type) << "," << p.GetPropagLength(type);
  }
  return out.str();
}

// Construction sets every member; re-reading the environment keeps the
// weights and the lengths of unset keys; out-of-range types read as sentinels
// and are never written; copies take every value.
TEST_F(Config, AutoConstrainingParameters) {
  ScopedProcessEnv activation("VelAutoConstraining", nullptr);
  alignas(Params) unsigned char dirty[sizeof(Params)];
  std::memset(dirty, 0xFF, sizeof dirty);
  Params& p = *new (dirty) Params;
  EXPECT_EQ(State(p), "on=0 def=1 0,1,1 0,1,1 0,1,1 0,1,1 0,1,1 0,1,1 0,1,1 0,1,1 0,1,1 0,1,1 0,1,1 0,1,1 "
                      "0,1,1 0,1,1 0,1,1");
  p.SetUseAutoContrainingMode(7);
  for (int t = 1; t <= 15; ++t) {
    p.SetWeight(Type(t), 0.5 * t);
    p.SetPropagLength(Type(t), static_cast<short>(10 * t));
  }
  p.SetDefaultPropagLength(-3);
  VelaSetEnv("VelaAutoConstraining", "TRUE");  // a look-alike of the activation key
  VelaSetEnv("VelaACPAngle", "TRUE");
  p.InitializeWithEnv();
  for (int t = 1; t <= 15; t += 2) p.SetConstraint(Type(t), 200);
  for (int t : {-1, 0, 16, 1000}) {
    EXPECT_EQ(p.GetConstraint(Type(t)) + p.GetWeight(Type(t)) * 10 + p.GetPropagLength(Type(t)), -11.0) << t;
    p.SetConstraint(Type(t), 1);
    p.SetWeight(Type(t), 2.0);
    p.SetPropagLength(Type(t), 99);
  }
  const std::string state = "on=0 def=-3 1,0.5,10 1,1,20 1,1.5,30 0,2,40 1,2.5,50 0,3,60 1,3.5,70 0,4,80 "
                            "1,4.5,90 0,5,100 1,5.5,110 0,6,120 1,6.5,130 0,7,140 1,7.5,150";
  Params copy(p), assigned;
  assigned = p;
  p.SetWeight(Type(1), 9.0);
  EXPECT_EQ(State(copy) + State(assigned), state + state);
}

}  // namespace
