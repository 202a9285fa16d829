// The global parameters: defaults of an empty environment (in this process
// and in a fresh one), the lifecycle, the run-time state, the internal mode
// and the rounding mode.
#include "vela/config/VelaGlobalParameters.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>

#include "config/GlobalParameterKeys.h"
#include "support/InternalMode.h"
#include "support/TestSupport.h"
#include "vela/foundation/VelaEnvironment.h"

namespace {

using vela::test::ScopedProcessEnv;
using Values = VelaGlobalParameters::CustomValues;

// Every member of the record against the built-in defaults; one line per
// member that differs, "" when all match.
std::string DefaultMismatches(const Values& v) {
  std::ostringstream out;
  auto check = [&out](const char* name, long long actual, long long expected) {
    if (actual != expected) out << name << " = " << actual << ", expected " << expected << "\n";
  };
  auto text = [&out](const char* name, const VelaString& actual, const char* expected) {
    if (actual != expected) {
      out << name << " = \"" << actual << "\", expected \"" << expected << "\"\n";
    }
  };
#define VELA_DEFAULT(member, expected) check(#member, v.member, expected)
  VELA_DEFAULT(Levels, 0x02EF0000);
  VELA_DEFAULT(UseGS, 1); VELA_DEFAULT(UseGD, 1); VELA_DEFAULT(UseIMOnly, 0);
  VELA_DEFAULT(UseRROnly, 0); VELA_DEFAULT(GDMethods, 30);
  VELA_DEFAULT(UseNonHR, 1);
  VELA_DEFAULT(UseHRFormalDOF, 1); VELA_DEFAULT(UseNonHRTwoRS, 1); VELA_DEFAULT(HRTwoRSMode, 2);
  VELA_DEFAULT(UseNonHRThreeRS, 0); VELA_DEFAULT(HRThreeRSMode, 1); VELA_DEFAULT(UseNonHGD, 1);
  VELA_DEFAULT(UseFixationPreprocess, 1); VELA_DEFAULT(UseTO, 1);
  VELA_DEFAULT(KeepPtPtLnDiChirality, 1); VELA_DEFAULT(UseCMDOFRR, 0);
  VELA_DEFAULT(DecompIMMode, 1); VELA_DEFAULT(UseAD, 1); VELA_DEFAULT(ADMode, 1);
  VELA_DEFAULT(ADOMode, 20); VELA_DEFAULT(UseER, 1); VELA_DEFAULT(MUCMode, 206);
  VELA_DEFAULT(RRMode, 1); VELA_DEFAULT(IMMode, 0); VELA_DEFAULT(UseRRTransformationsForSpline, 1);
  VELA_DEFAULT(UseSplineDifferentiation, 1); VELA_DEFAULT(DiagOptions, 15);
  VELA_DEFAULT(DOFSpaceMethod, 2); VELA_DEFAULT(ESLinearMethod, 2); VELA_DEFAULT(ESUseGradient, 1);
  VELA_DEFAULT(ESUseLevenbergMarquardt, 1); VELA_DEFAULT(REFOrder, 0);
  VELA_DEFAULT(PureNewtonMethod, 1); VELA_DEFAULT(UseNewtonDomainCorrection, 1);
  VELA_DEFAULT(RelaxationMode, 1); VELA_DEFAULT(ParallelMode, 0); VELA_DEFAULT(ExactElliptic, 1);
  VELA_DEFAULT(ExactEllipticDeriv, 1); VELA_DEFAULT(UseDefaultEEGradient, 0);
  VELA_DEFAULT(UseDSEnergyCorrection, 1); VELA_DEFAULT(UseSketchPlanes, 0);
  VELA_DEFAULT(UseDisCurveSmoothing, 0); VELA_DEFAULT(UseMUCPriorities, 0);
  VELA_DEFAULT(UseFullMUCVU, 0); VELA_DEFAULT(UseIKVU, 0); VELA_DEFAULT(PrintSubtotal, 0);
  VELA_DEFAULT(UseGSForGlobalRedundancy, 0); VELA_DEFAULT(UseGDForGlobalRedundancy, 0);
  VELA_DEFAULT(PriorityOrientations, 1); VELA_DEFAULT(InterferenceMode, 0);
  VELA_DEFAULT(ReplayDigits, 0); VELA_DEFAULT(AssertDeprecatedAPI, 0);
  VELA_DEFAULT(ReadableOptions, 1); VELA_DEFAULT(WriteOldOptionsMode, 0); VELA_DEFAULT(UseOldST, 0);
  VELA_DEFAULT(UseCoordinatesInSM, 1); VELA_DEFAULT(UseUpdateForSMComputeState, 0);
  VELA_DEFAULT(UseGDForAutoDim, 1); VELA_DEFAULT(AlignementOverwriting, 0);
  VELA_DEFAULT(ScaleFactor, 1); VELA_DEFAULT(PrintVersion, 1);
  VELA_DEFAULT(NewVelReplayChiralitiesVersion, 1); VELA_DEFAULT(ReadAllChiralities, 1);
  VELA_DEFAULT(ForceWriteInputMode, 0); VELA_DEFAULT(SMScriptMode, 0);
  VELA_DEFAULT(CSScriptMode, 0);
  VELA_DEFAULT(ProfileAutoTrimForced, 0); VELA_DEFAULT(MUCOnWelldefinedObjects, 0);
  VELA_DEFAULT(JavascriptDebug, 0); VELA_DEFAULT(ForceReStream, 0); VELA_DEFAULT(Precision, 3);
  VELA_DEFAULT(ReplaySolverModeMask, 0); VELA_DEFAULT(ReplayMode, 0);
  VELA_DEFAULT(InternalMode, 0); VELA_DEFAULT(ReplayPlugMode, 0); VELA_DEFAULT(ScriptMode, 2);
  VELA_DEFAULT(ValidateMode, 0); VELA_DEFAULT(ValidateMUC, 1); VELA_DEFAULT(ValidateDiagnostics, 0);
  VELA_DEFAULT(ReferenceMode, 0); VELA_DEFAULT(CheckMode, 0); VELA_DEFAULT(MeasureTime, 0);
  VELA_DEFAULT(GenerateStatus, 0); VELA_DEFAULT(AssertMode, 0); VELA_DEFAULT(TraceLevel, 0);
  VELA_DEFAULT(InitialTraceLevel, 0); VELA_DEFAULT(RoundMode, 0); VELA_DEFAULT(PrecMode, 1);
  VELA_DEFAULT(ThreadNumber, 0);
#undef VELA_DEFAULT
  text("ReplayMethod", v.ReplayMethod, "");
  text("ReplayPath", v.ReplayPath, "");
  text("ReplayPrefix", v.ReplayPrefix, "");
  text("ReplaySuffix", v.ReplaySuffix, ".VelReplay");
  text("InputPath", v.InputPath, "");
  text("OutputFile", v.OutputFile, "");
  return out.str();
}

// The run-time state right after (re)initialisation, seen through the
// accessors; "" when all match. Computes the replay prefix as a side effect.
std::string StateMismatches(VelaGlobalParameters& p) {
  std::ostringstream out;
  auto check = [&out](const char* name, long long actual, long long expected) {
    if (actual != expected) out << name << " = " << actual << ", expected " << expected << "\n";
  };
  check("level", p.GetVelOpenConfigurationLevel(), 751);
  check("full level", p.GetVelFullOpenConfigurationLevel(), 0x02EF0000);
  check("spent time", p.GetSpentTime(), 0);
  check("lost time", p.GetLostTime(), 0);
  check("run count", p.GetRunCount(), 0);
  check("nesting level", p.GetNestingLevel(), 0);
  check("test mode", p.GetTestMode(), 0);
  check("diag not run", p.IsDiagNotRun(), 0);
  check("check indent", p.GetCheckIndent(), 0);
  check("IC indent", p.GetICIndent(), 0);
  check("check stream", p.GetCheckStream() != nullptr, 0);
  check("status stream", p.GetStatusStream() != nullptr, 0);
  const VelaString replay = p.GetReplayFullName();
  const VelaString script = p.GetScriptFullName();
  if (replay != "Vela001.VelReplay") out << "replay name " << replay << "\n";
  if (script != "Vela1.VelScript") out << "script name " << script << "\n";
  return out.str();
}

// Each test sees an empty configuration environment and leaves the
// rounding mode at its usual nearest.
class VelaGlobalParametersTest : public ::testing::Test {
 protected:
  void TearDown() override { std::fesetround(FE_TONEAREST); }

 private:
  vela::test::ScopedConfigEnvironment environment_;
};

// Death tests that must start from a fresh process (re-executing the test
// program) rather than a fork that inherits this process's singleton.
class FreshProcessDeathTests {
 public:
  FreshProcessDeathTests() : previous_(GTEST_FLAG_GET(death_test_style)) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
  }
  ~FreshProcessDeathTests() { GTEST_FLAG_SET(death_test_style, previous_); }

 private:
  std::string previous_;
};

VelaGlobalParameters Configured() {
  VelaGlobalParameters p;
  p.Initialize();
  p.InitializeEnv();
  return p;
}

// ---------------------------------------------------------------------------
// Defaults and creation
// ---------------------------------------------------------------------------

TEST_F(VelaGlobalParametersTest, EmptyEnvironmentGivesEveryDefault) {
  VelaGlobalParameters p = Configured();
  EXPECT_EQ(DefaultMismatches(p.GetCurrentValues()), "");
  EXPECT_EQ(StateMismatches(p), "");
  // The prefix was computed by the names and stored.
  EXPECT_EQ(p.GetCurrentValues().ReplayPrefix, "Vela");
}

TEST_F(VelaGlobalParametersTest, FirstAccessInAFreshProcessBuildsDefaultsAndSetsRounding) {
  FreshProcessDeathTests fresh;
  EXPECT_EXIT(
      {
        std::fesetround(FE_UPWARD);
        VelaGlobalParameters& p = GetGlobalParameters();
        std::string bad = DefaultMismatches(p.GetCurrentValues());
        bad += StateMismatches(p);
        if (&GetGlobalParameters() != &p) bad += "second call gave another object\n";
        if (std::fegetround() != FE_TONEAREST) bad += "rounding mode not set to nearest\n";
        std::fputs(bad.c_str(), stderr);
        std::exit(bad.empty() ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST_F(VelaGlobalParametersTest, FirstAccessAppliesTheEnvironmentAfterTheDefaults) {
  FreshProcessDeathTests fresh;
  ScopedProcessEnv level("VelaLevel", "500");
  ScopedProcessEnv replay("VelaReplayMode", "3");
  ScopedProcessEnv rounding("VelaRoundMode", "DOWN");
  ScopedProcessEnv stage("KorDevelopmentStage", "TRUE");
  EXPECT_EXIT(
      {
        VelaGlobalParameters& p = GetGlobalParameters();
        p.SetReplayMode(0);
        p.ResetReplayMode();  // back to the effective copy taken after the keys
        const bool ok = p.GetVelOpenConfigurationLevel() == 500 && p.GetReplayMode() == 3 &&
                        p.GetAssertMode() == VelaAssertMode_ASSERT &&
                        std::fegetround() == FE_DOWNWARD;
        std::exit(ok ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST_F(VelaGlobalParametersTest, DefaultConstructionIsZeroedNotDefaulted) {
  const VelaGlobalParameters p;
  const Values& v = p.GetCurrentValues();
  EXPECT_EQ(v.Levels, 0u);
  EXPECT_EQ(v.UseGS, 0);
  EXPECT_EQ(v.Precision, 0);
  EXPECT_TRUE(v.ReplaySuffix.isEmpty());
  EXPECT_EQ(p.GetCheckStream(), nullptr);
}

TEST_F(VelaGlobalParametersTest, AssertModeDefaultFollowsTheDevelopmentStage) {
  for (const char* stage : {"TRUE", "true"}) {
    ScopedProcessEnv env("KorDevelopmentStage", stage);
    EXPECT_EQ(Configured().GetAssertMode(),
              std::string(stage) == "TRUE" ? VelaAssertMode_ASSERT : VelaAssertMode_NONE)
        << stage;
  }
  // A custom entry counts as environment too.
  VelaSetEnv("KorDevelopmentStage", "TRUE");
  EXPECT_EQ(Configured().GetAssertMode(), VelaAssertMode_ASSERT);
}

// ---------------------------------------------------------------------------
// Lifecycle
// ---------------------------------------------------------------------------

TEST_F(VelaGlobalParametersTest, InitializeResetsStateButReadsNoKey) {
  vela::test::TempPath folder("vela_cfg_init");
  std::filesystem::create_directory(folder.path());
  vela::test::WriteFile(folder.path() + "/001.VelReplay", "");
  vela::test::WriteFile(folder.path() + "/1.VelScript", "");
  VelaGlobalParameters p = Configured();
  p.SetReplayPrefix((folder.path() + "/").c_str());
  p.GenerateNextReplayName("");
  p.GenerateNextScriptFileName();
  ASSERT_EQ(p.GetReplayFileName(), "002.VelReplay");
  ASSERT_EQ(p.GetScriptFileName(), "2.VelScript");
  p.IncRunCount();
  p.SetNestingLevel(2);
  p.SetSpentTime(10);
  p.SetLostTime(20);
  p.SetTestMode(1);
  p.SetDiagNotRun(1);
  p.IncCheckIndent();
  p.IncICIndent();
  p.SetPrecision(9);
  p.OpenCheckStream((folder.path() + "/a.cio").c_str());
  ScopedProcessEnv gs("VelaUseGS", "FALSE");
  p.Initialize();
  EXPECT_EQ(DefaultMismatches(p.GetCurrentValues()), "");
  EXPECT_EQ(StateMismatches(p), "");
}

TEST_F(VelaGlobalParametersTest, InitializeKeepsOutputFileAndInitializeEnvKeepsUnsetMembers) {
  VelaGlobalParameters p;
  {
    ScopedProcessEnv output("VelaOutputFile", "out.txt");
    p.Initialize();
    p.InitializeEnv();
  }
  p.SetPrecision(8);
  p.Initialize();
  EXPECT_EQ(p.GetCurrentValues().OutputFile, "out.txt");
  p.SetPrecision(8);
  p.InitializeEnv();
  EXPECT_EQ(p.GetPrecision(), 8);
}

TEST_F(VelaGlobalParametersTest, SaveAndRestoreCopyTheWholeRecord) {
  VelaGlobalParameters p = Configured();
  p.SetPrecision(6);
  p.SetReplayPath("saved");
  p.Save();
  p.SetPrecision(2);
  p.SetReplayPath("changed");
  p.SetAssertMode(VelaAssertMode_LOOP);
  EXPECT_EQ(p.GetSavedValues().Precision, 6);
  p.Restore();
  EXPECT_EQ(p.GetPrecision(), 6);
  EXPECT_EQ(p.GetReplayPath(), "saved");
  EXPECT_EQ(p.GetAssertMode(), VelaAssertMode_NONE);
}

TEST_F(VelaGlobalParametersTest, LevelAccessorsReadTheEffectiveCopy) {
  VelaGlobalParameters p = Configured();
  p.Save();
  {
    ScopedProcessEnv level("VelaLevel", "500");
    ScopedProcessEnv hf("VelaHFLevel", "7");
    p.InitializeEnv();
  }
  unsigned short level = 0;
  unsigned short hf = 0;
  p.GetVelOpenConfigurationLevels(level, hf);
  EXPECT_EQ(level, 500);
  EXPECT_EQ(hf, 7);
  EXPECT_EQ(p.GetVelFullOpenConfigurationLevel(), (500u << 16) | 7u);
  p.Restore();
  EXPECT_EQ(p.GetVelOpenConfigurationLevel(), 751);
  EXPECT_EQ(p.GetVelFullOpenConfigurationLevel(), 0x02EF0000u);
}

TEST_F(VelaGlobalParametersTest, FlushAndResetReplayModeUseTheEffectiveCopy) {
  ScopedProcessEnv mode("VelaReplayMode", "1");
  VelaGlobalParameters p = Configured();
  p.SetReplayMode(0);
  p.ResetReplayMode();
  EXPECT_EQ(p.GetReplayMode(), 1);  // copied by InitializeEnv
  p.SetReplayMode(3);
  p.FlushReplayMode();
  EXPECT_EQ(p.GetReplayMode(), 0);
  p.Save();
  p.Restore();  // does not touch the effective replay mode
  p.ResetReplayMode();
  EXPECT_EQ(p.GetReplayMode(), 3);
}

TEST_F(VelaGlobalParametersTest, CopiesTakeValuesButNotStreams) {
  vela::test::TempPath folder("vela_cfg_copy");
  std::filesystem::create_directory(folder.path());
  VelaGlobalParameters source = Configured();
  source.SetPrecision(7);
  source.IncRunCount();
  source.OpenCheckStream((folder.path() + "/source.cio").c_str());
  VelaStream* sourceTrace = source.GetTraceStream();

  VelaGlobalParameters copy(source);
  EXPECT_EQ(copy.GetPrecision(), 7);
  EXPECT_EQ(copy.GetRunCount(), 1);
  EXPECT_EQ(copy.GetCheckStream(), nullptr);
  EXPECT_NE(copy.GetTraceStream(), sourceTrace);

  VelaGlobalParameters target = Configured();
  target.OpenCheckStream((folder.path() + "/target.cio").c_str());
  VelaStream* targetCheck = target.GetCheckStream();
  target = source;
  EXPECT_EQ(target.GetPrecision(), 7);
  EXPECT_EQ(target.GetCheckStream(), targetCheck);
}

// ---------------------------------------------------------------------------
// Run-time state
// ---------------------------------------------------------------------------

TEST_F(VelaGlobalParametersTest, IndentsStepByThreeThenTwoAndCheckIndentByTwo) {
  VelaGlobalParameters p = Configured();
  std::string up;
  for (int i = 0; i < 7; ++i) up += std::to_string(p.IncICIndent()) + " ";
  EXPECT_EQ(up, "3 6 9 12 14 16 18 ");
  p.DecICIndent();
  p.DecICIndent();
  std::string down;
  for (int i = 0; i < 5; ++i) down += std::to_string(p.DecICIndent()) + " ";
  EXPECT_EQ(down, "12 9 6 3 0 ");
  EXPECT_EQ(p.GetICIndent(), 0);
  EXPECT_EQ(p.IncCheckIndent(), 2);
  EXPECT_EQ(p.IncCheckIndent(), 4);
  EXPECT_EQ(p.DecCheckIndent(), 2);
  EXPECT_EQ(p.GetCheckIndent(), 2);
}

TEST_F(VelaGlobalParametersTest, RunCountZeroClearsTheTimesOtherCountsKeepThem) {
  VelaGlobalParameters p = Configured();
  EXPECT_EQ(p.IncRunCount(), 1);
  p.SetSpentTime(1234);
  p.SetLostTime(56);
  p.SetRunCount(5);
  EXPECT_EQ(p.GetRunCount(), 5);
  EXPECT_EQ(p.GetSpentTime() + p.GetLostTime(), 1290);
  p.SetRunCount(0);
  EXPECT_EQ(p.GetSpentTime() + p.GetLostTime(), 0);
  p.SetSpentTime(5000000000L);  // times are kept at full width
  EXPECT_EQ(p.GetSpentTime(), 5000000000L);
}

// ---------------------------------------------------------------------------
// Internal mode
// ---------------------------------------------------------------------------

void SetDeveloperKeys(VelaGlobalParameters& p, const char* replayMethod) {
  ScopedProcessEnv trace("VelaTraceLevel", "5");
  ScopedProcessEnv check("VelaCheckMode", "TRUE");
  ScopedProcessEnv method("VelaReplayMethod", replayMethod);
  ScopedProcessEnv plug("VelaReplayPlugMode", "TRUE");
  ScopedProcessEnv status("VelaGenerateStatus", "TRUE");
  p.InitializeEnv();
}

void TryDeveloperSetters(VelaGlobalParameters& p) {
  p.SetTraceLevel(3);
  p.SetCheckMode(1);
  p.SetGenerateStatus(0);
  p.SetReplayMethod("GrS");
  p.SetReplayPlugMode(1);
}

// Keys and setters of the developer facilities take effect only with the
// internal mode open (today's code); GenerateStatus is read from its key either way.
TEST_F(VelaGlobalParametersTest, InternalModeGatesTheDeveloperFacilities) {
  const std::string today = vela::test::TodaysInternalModeCode();
  for (const bool open : {false, true}) {
    SCOPED_TRACE(open ? "open" : "closed");
    ScopedProcessEnv code("VelaUseSystemConstants", open ? today.c_str() : nullptr);
    VelaGlobalParameters p;
    p.Initialize();
    SetDeveloperKeys(p, "FULL");
    const Values& v = p.GetCurrentValues();
    ASSERT_EQ(v.InternalMode, open ? 1 : 0);
    EXPECT_EQ(v.TraceLevel, open ? 5 : 0);
    EXPECT_EQ(v.InitialTraceLevel, open ? 5 : 0);
    EXPECT_EQ(v.CheckMode, open ? 1 : 0);
    EXPECT_EQ(v.ReplayMethod, open ? "FULL" : "");
    EXPECT_EQ(v.ReplayPlugMode, open ? 1 : 0);
    EXPECT_EQ(v.GenerateStatus, 1);
    TryDeveloperSetters(p);
    EXPECT_EQ(p.GetTraceLevel(), open ? 3 : 0);
    EXPECT_EQ(p.GetCheckMode(), open ? 1 : 0);
    EXPECT_EQ(p.GetGenerateStatus(), open ? 0 : 1);
    EXPECT_EQ(p.GetReplayMethod(), open ? "GrS" : "");
    EXPECT_EQ(p.IsReplayPlugMode(), open ? 1 : 0);
    // SetTraceLevel leaves the level ResetTraceLevel returns to.
    p.ResetTraceLevel();
    EXPECT_EQ(p.GetTraceLevel(), open ? 5 : 0);
  }
}

TEST_F(VelaGlobalParametersTest, ClosedInternalModeKeepsOnlyTheUserReplayMethods) {
  for (const char* method : {"SI", "SS", "si", "SIS", "GrS"}) {
    VelaGlobalParameters p;
    p.Initialize();
    SetDeveloperKeys(p, method);
    const bool kept = std::string(method) == "SI" || std::string(method) == "SS";
    EXPECT_EQ(std::string(p.GetReplayMethod().str()), kept ? method : "") << method;
  }
}

TEST_F(VelaGlobalParametersTest, AccessCodeIsCheckedOnlyByInitializeAndMustMatchExactly) {
  const std::string today = vela::test::TodaysInternalModeCode();
  VelaGlobalParameters p;
  p.Initialize();
  {
    ScopedProcessEnv code("VelaUseSystemConstants", today.c_str());
    p.InitializeEnv();  // too late: the check belongs to Initialize
    EXPECT_EQ(p.GetCurrentValues().InternalMode, 0);
  }
  const std::string wrong = std::to_string(std::stoll(today) ^ 1);
  for (const std::string& value : {wrong, today + "0", std::string("x") + today}) {
    ScopedProcessEnv code("VelaUseSystemConstants", value.c_str());
    p.Initialize();
    EXPECT_EQ(p.GetCurrentValues().InternalMode, 0) << value;
  }
  // A custom entry carries the code as well as the process environment.
  VelaSetEnv("VelaUseSystemConstants", today.c_str());
  p.Initialize();
  EXPECT_EQ(p.GetCurrentValues().InternalMode, 1);
}

TEST_F(VelaGlobalParametersTest, TestHelperOpensAndClosesTheSingletonsInternalMode) {
  {
    ScopedProcessEnv trace("VelaTraceLevel", "4");
    vela::test::ScopedInternalMode internal;
    ASSERT_TRUE(internal.IsOpen());
    EXPECT_EQ(GetGlobalParameters().GetTraceLevel(), 4);
    GetGlobalParameters().SetCheckMode(1);
    EXPECT_EQ(GetGlobalParameters().GetCheckMode(), 1);
  }
  EXPECT_EQ(GetGlobalParameters().GetCurrentValues().InternalMode, 0);
  EXPECT_EQ(GetGlobalParameters().GetCheckMode(), 0);
  EXPECT_EQ(GetGlobalParameters().GetTraceLevel(), 0);
}

TEST(VelaGlobalParametersAccessCode, HelperFollowsTheDocumentedFormula) {
  // k = 2024 * 372 + 2 * 31 + 13 = 753003; (k * 48271 mod 2^31-1) ^ 0x2F6A1C35.
  EXPECT_EQ(vela::test::InternalModeCode(2024, 3, 14), 1508884192);
  EXPECT_EQ(vela::test::InternalModeCode(2000, 1, 1), 1945400805);
  EXPECT_NE(vela::test::InternalModeCode(2024, 3, 14), vela::test::InternalModeCode(2024, 3, 15));
}

// ---------------------------------------------------------------------------
// Rounding mode
// ---------------------------------------------------------------------------

TEST_F(VelaGlobalParametersTest, InitializeFPUSetsTheRoundingModeOfEachKeyword) {
  const struct {
    const char* keyword;
    int rounding;
  } cases[] = {{"UP", FE_UPWARD}, {"DOWN", FE_DOWNWARD}, {"TRUNC", FE_TOWARDZERO},
               {"NEAR", FE_TONEAREST},
               {"up", FE_TONEAREST}};  // unknown: RoundMode stays NEAR, which is applied
  for (const auto& c : cases) {
    ScopedProcessEnv mode("VelaRoundMode", c.keyword);
    std::fesetround(c.rounding == FE_UPWARD ? FE_DOWNWARD : FE_UPWARD);
    VelaGlobalParameters p = Configured();
    p.InitializeFPU();
    EXPECT_EQ(std::fegetround(), c.rounding) << c.keyword;
  }
}

TEST(VelaGlobalParametersRounding, OnlyTheFourRoundModesMapToARounding) {
  using vela::platform::RoundingMode;
  RoundingMode rounding = RoundingMode::Up;
  EXPECT_FALSE(vela::detail::RoundingFor(4, rounding));
  EXPECT_FALSE(vela::detail::RoundingFor(-1, rounding));
  EXPECT_EQ(rounding, RoundingMode::Up);
  EXPECT_TRUE(vela::detail::RoundingFor(3, rounding));  // the keywords above cover 0 to 3
}

}  // namespace
