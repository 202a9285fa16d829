// The environment keys of the global parameters: each kind of key with an
// accepted value, a rejected value and an unset key, every key wired to its
// accessor, and the levels rule.
#include <gtest/gtest.h>

#include <cctype>
#include <climits>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "support/InternalMode.h"
#include "support/TestSupport.h"
#include "vela/config/VelaGlobalParameters.h"
#include "vela/foundation/VelaEnvironment.h"

namespace {

using vela::test::ScopedProcessEnv;
using P = VelaGlobalParameters;
using Getter = std::function<long long(const P&)>;

template <typename Get>
Getter Number(Get get) {
  return [get](const P& p) { return static_cast<long long>(get(p)); };
}
template <typename R>
Getter Member(R (P::*get)() const) {
  return [get](const P& p) { return static_cast<long long>((p.*get)()); };
}

struct Step {
  const char* value;  // null: the key is unset
  long long expected;
};

class VelaGlobalParametersEnv : public ::testing::Test {
 protected:
  VelaGlobalParametersEnv() {
    p_.Initialize();
    p_.InitializeEnv();
  }

  // Applies each value in turn with InitializeEnv and checks the member.
  void Expect(const char* key, const Getter& get, std::initializer_list<Step> steps) {
    for (const Step& step : steps) {
      ScopedProcessEnv value(key, step.value);
      p_.InitializeEnv();
      EXPECT_EQ(get(p_), step.expected) << key << "=" << (step.value ? step.value : "(unset)");
    }
  }

  vela::test::ScopedConfigEnvironment environment_;
  P p_;
};

// ---------------------------------------------------------------------------
// The kinds of key
// ---------------------------------------------------------------------------

// A key of each switch-like kind, with its default.
struct FlagKey {
  const char* key;
  unsigned char (P::*get)() const;
  unsigned char byDefault;
};

const std::vector<FlagKey>& BoolKeys() {
  static const std::vector<FlagKey> keys = {
      {"VelaUseGS", &P::IsUseGS, 1},
      {"VelaUseGD", &P::IsUseGD, 1},
      {"VelaUseIMOnly", &P::IsUseIMOnly, 0},
      {"VelaUseRROnly", &P::IsUseRROnly, 0},
      {"VelaUseNonHR", &P::IsUseNonHR, 1},
      {"VelaUseHRFormalDOF", &P::IsUseHRFormalDOF, 1},
      {"VelaUseNonHRTwoRS", &P::IsUseNonHRTwoRS, 1},
      {"VelaUseNonHRThreeRS", &P::IsUseNonHRThreeRS, 0},
      {"VelaUseNonHGD", &P::IsUseNonHGD, 1},
      {"VelaUseFixationPreprocess", &P::IsUseFixationPreprocess, 1},
      {"VelaUseTO", &P::IsUseTO, 1},
      {"VelaKeepPtPtLnDiChirality", &P::IsKeepPtPtLnDiChirality, 1},
      {"VelaUseCMDOFRR", &P::IsUseCMDOFRR, 0},
      {"VelaUseAD", &P::IsUseAD, 1},
      {"VelaUseER", &P::IsUseER, 1},
      {"VelaUseRRTransformationsForSpline", &P::IsUseRRTransformationsForSpline, 1},
      {"VelaUseSplineDifferentiation", &P::IsUseSplineDifferentiation, 1},
      {"VelaESUseGradient", &P::IsESUseGradient, 1},
      {"VelaESUseLevenbergMarquardt", &P::IsESUseLevenbergMarquardt, 1},
      {"VelaUseNewtonDomainCorrection", &P::IsUseNewtonDomainCorrection, 1},
      {"VelaExactElliptic", &P::IsExactElliptic, 1},
      {"VelaExactEllipticDeriv", &P::IsExactEllipticDeriv, 1},
      {"VelaUseDefaultEEGradient", &P::IsUseDefaultEEGradient, 0},
      {"VelaUseDSEnergyCorrection", &P::IsUseDSEnergyCorrection, 1},
      {"VelaUseSketchPlanes", &P::IsUseSketchPlanes, 0},
      {"VelaUseDisCurveSmoothing", &P::IsUseDisCurveSmoothing, 0},
      {"VelaUseMUCPriorities", &P::IsUseMUCPriorities, 0},
      {"VelaUseFullMUCVU", &P::IsUseFullMUCVU, 0},
      {"VelaUseIKVU", &P::IsUseIKVU, 0},
      {"VelaPrintSubtotal", &P::IsPrintSubtotal, 0},
      {"VelaUseGSForGlobalRedundancy", &P::IsUseGSForGlobalRedundancy, 0},
      {"VelaUseGDForGlobalRedundancy", &P::IsUseGDForGlobalRedundancy, 0},
      {"VelaAssertDeprecatedAPI", &P::IsAssertDeprecatedAPI, 0},
      {"VelaReadableOptions", &P::IsReadableOptions, 1},
      {"VelaWriteOldOptionsMode", &P::IsWriteOldOptionsMode, 0},
      {"VelaUseOldST", &P::IsUseOldST, 0},
      {"VelaUseCoordinatesInSM", &P::IsUseCoordinatesInSM, 1},
      {"VelaUseUpdateForSMComputeState", &P::IsUseUpdateForSMComputeState, 0},
      {"VelaUseGDForAutoDim", &P::IsUseGDForAutoDim, 1},
      {"VelaAlignementOverwriting", &P::IsAlignementOverwriting, 0},
      {"VelaPrintVersion", &P::IsPrintVersion, 1},
      {"VelaNewVelReplayChiralitiesVersion", &P::IsNewVelReplayChiralitiesVersion, 1},
      {"VelaReadAllChiralities", &P::IsReadAllChiralities, 1},
      {"VelaForceWriteInputMode", &P::IsForceWriteInputMode, 0},
      {"VelaProfileAutoTrimForced", &P::IsProfileAutoTrimForced, 0},
      {"VelaMUCOnWelldefinedObjects", &P::IsMUCOnWelldefinedObjects, 0},
      {"VelaJavascriptDebug", &P::IsJavascriptDebug, 0},
      {"VelaForceReStream", &P::IsForceReStream, 0},
  };
  return keys;
}

// VelaCheckMode is a TRUE-test key too; it needs the internal mode.
const std::vector<FlagKey>& TrueTestKeys() {
  static const std::vector<FlagKey> keys = {
      {"VelaValidateMUC", &P::IsValidateMUC, 1},
      {"VelaValidateDiagnostics", &P::IsValidateDiagnostics, 0},
      {"VelaReferenceMode", &P::GetReferenceMode, 0},
      {"VelaGenerateStatus", &P::GetGenerateStatus, 0},
      {"VelaMeasureTime", &P::IsMeasureTime, 0},
  };
  return keys;
}

TEST_F(VelaGlobalParametersEnv, BoolKeysTakeOnlyUpperCaseTrueAndFalse) {
  for (const FlagKey& k : BoolKeys()) {
    const long long flipped = !k.byDefault;
    Expect(k.key, Member(k.get),
           {{nullptr, k.byDefault},
            {flipped ? "TRUE" : "FALSE", flipped},
            {flipped ? "true" : "false", flipped},  // rejected: the member stays
            {"1", flipped},
            {nullptr, flipped},
            {flipped ? "FALSE" : "TRUE", k.byDefault}});
  }
}

TEST_F(VelaGlobalParametersEnv, TrueTestKeysTurnOffOnAnyOtherText) {
  for (const FlagKey& k : TrueTestKeys()) {
    Expect(k.key, Member(k.get),
           {{nullptr, k.byDefault}, {"TRUE", 1}, {nullptr, 1}, {"true", 0}, {"TRUE", 1}, {"", 1},
            {"1", 0}, {nullptr, 0}});
  }
}

TEST_F(VelaGlobalParametersEnv, BoundedIntKeysIgnoreValuesOutOfRange) {
  const struct {
    const char* key;
    Getter get;
    long long byDefault;
    const char* largest;
    const char* bound;
  } keys[] = {
      {"VelaGDMethods", Member(&P::GetGDMethods), 30, "127", "128"},
      {"VelaADOMode", Member(&P::GetADOMode), 20, "31", "32"},
      {"VelaMUCMode", Member(&P::GetMUCMode), 206, "255", "256"},
      {"VelaRRMode", Member(&P::GetRRMode), 1, "524287", "524288"},
      {"VelaIMMode", Member(&P::GetIMMode), 0, "3", "4"},
      {"VelaDiagOptions", Member(&P::GetDiagOptions), 15, "31", "32"},
      {"VelaESLinearMethod", Member(&P::GetESLinearMethod), 2, "7", "8"},
      {"VelaParallelMode", Member(&P::GetParallelMode), 0, "7", "8"},
  };
  for (const auto& k : keys) {
    const long long largest = std::stoll(k.largest);
    Expect(k.key, k.get,
           {{nullptr, k.byDefault}, {k.bound, k.byDefault},
            {"-1", k.byDefault},  // negative reads as a huge unsigned number
            {"99999999999", k.byDefault}, {k.largest, largest}, {nullptr, largest}, {" 1", 1},
            {"abc", 0}});  // not a number reads as 0, which is in range
  }
}

TEST_F(VelaGlobalParametersEnv, IntKeysStoreWhatAtoiReads) {
  const struct {
    const char* key;
    Getter get;
    long long byDefault;
  } keys[] = {
      {"VelaReplayDigits", Member(&P::GetReplayDigits), 0},
      {"VelaScaleFactor", Member(&P::GetScaleFactor), 1},
      {"VelaPrecision", Member(&P::GetPrecision), 3},
      {"VelaReplaySolverModeMask", Member(&P::GetReplaySolverModeMask), 0},
      {"VelaReplayMode", Member(&P::GetReplayMode), 0},
  };
  for (const auto& k : keys) {
    Expect(k.key, k.get,
           {{nullptr, k.byDefault}, {"-7", -7}, {nullptr, -7}, {"", -7}, {"12abc", 12}, {"  +5", 5},
            {"99999999999", INT_MAX}, {"-99999999999", INT_MIN}, {"abc", 0}});
  }
}

struct KeywordKey {
  const char* key;
  Getter get;
  long long byDefault;
  std::vector<std::pair<const char*, int>> keywords;
};

TEST_F(VelaGlobalParametersEnv, KeywordKeysStoreTheNumberOfAnExactMatch) {
  const std::vector<std::pair<const char*, int>> scriptDetail = {
      {"NONE", 0}, {"SINGLE", 1}, {"FULL", 2}};
  const KeywordKey keys[] = {
      {"VelaHRTwoRSMode", Member(&P::GetHRTwoRSMode), 2,
       {{"SATISFIED", 0}, {"SOLVE", 1}, {"SOLVE3D", 2}}},
      {"VelaHRThreeRSMode", Member(&P::GetHRThreeRSMode), 1, {{"SATISFIED", 0}, {"SOLVE", 1}}},
      {"VelaDecompIMMode", Member(&P::GetDecompIMMode), 1, {{"ADIMRS", 0}, {"ADIM3Specs", 1}}},
      {"VelaADMode", Member(&P::GetADMode), 1, {{"HARD", 0}, {"SOFT", 1}}},
      {"VelaDOFSpaceMethod", Member(&P::GetDOFSpaceMethod), 2,
       {{"SVD", 0}, {"GAUSS", 1}, {"REF", 2}}},
      {"VelaREFOrder", Member(&P::GetREFOrder), 0, {{"ROWS", 0}, {"COLUMNS", 1}}},
      {"VelaPureNewtonMethod", Member(&P::GetPureNewtonMethod), 1, {{"SVD", 0}, {"REF", 1}}},
      {"VelaRelaxationMode", Member(&P::GetRelaxationMode), 1,
       {{"NONE", 0}, {"QUAD", 1}, {"ALL", 2}}},
      {"VelaPriorityOrientations", Member(&P::GetPriorityOrientations), 1,
       {{"NONE", 0}, {"WEAK", 1}, {"STRONG", 2}}},
      {"VelaInterferenceMode", Member(&P::GetInterferenceMode), 0,
       {{"NONE", 0}, {"NOMOVE", 1}, {"STOP", 2}, {"PUSH", 3}}},
      {"VelaSMScriptMode", Member(&P::GetSMScriptMode), 0, scriptDetail},
      {"VelaCSScriptMode", Member(&P::GetCSScriptMode), 0, scriptDetail},
      {"VelaScriptMode", Member(&P::GetScriptMode), 2, {{"FULL", 0}, {"SIMPLE", 1}, {"NONE", 2}}},
      {"VelaValidateMode", Member(&P::GetValidateMode), 0,
       {{"COMPARE", 0}, {"VALIDATE", 1}, {"REGRESS", 2}, {"SIMPLECOMPARE", 3}, {"NONE", 4}}},
      {"VelaAssertMode", Member(&P::GetAssertMode), 0,
       {{"NONE", 0}, {"TRACE", 1}, {"ASSERT", 2}, {"BREAK", 3}, {"LOOP", 4}}},
      {"VelaRoundMode", Number([](const P& p) { return p.GetCurrentValues().RoundMode; }), 0,
       {{"NEAR", 0}, {"UP", 1}, {"DOWN", 2}, {"TRUNC", 3}}},
      {"VelaPrecMode", Number([](const P& p) { return p.GetCurrentValues().PrecMode; }), 1,
       {{"SINGLE", 0}, {"DOUBLE", 1}, {"HIGH", 2}}},
  };
  for (const KeywordKey& k : keys) {
    Expect(k.key, k.get, {{nullptr, k.byDefault}});
    for (const auto& [keyword, number] : k.keywords) {
      std::string lower = keyword;
      for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      const std::string longer = std::string(keyword) + " ";
      Expect(k.key, k.get,
             {{keyword, number}, {lower.c_str(), number}, {longer.c_str(), number},
              {"1", number}, {nullptr, number}});
    }
  }
}

TEST_F(VelaGlobalParametersEnv, StringKeysStoreTheTextAsIs) {
  const struct {
    const char* key;
    const VelaString& (*get)(const P&);
  } keys[] = {
      {"VelaReplayPath", [](const P& p) -> const VelaString& { return p.GetReplayPath(); }},
      {"VelaReplayPrefix",
       [](const P& p) -> const VelaString& { return p.GetCurrentValues().ReplayPrefix; }},
      {"VelaInputPath", [](const P& p) -> const VelaString& { return p.GetInputPath(); }},
      {"VelaOutputFile",
       [](const P& p) -> const VelaString& { return p.GetCurrentValues().OutputFile; }},
  };
  const struct {
    const char* value;  // null: unset
    const char* expected;
  } steps[] = {{nullptr, ""}, {" C:\\r x ", " C:\\r x "}, {"", " C:\\r x "},
               {nullptr, " C:\\r x "}, {"second", "second"}};
  for (const auto& k : keys) {
    for (const auto& step : steps) {
      ScopedProcessEnv value(k.key, step.value);
      p_.InitializeEnv();
      EXPECT_EQ(std::string(k.get(p_).str()), step.expected)
          << k.key << "=" << (step.value ? step.value : "(unset)");
    }
  }
}

TEST_F(VelaGlobalParametersEnv, AlwaysAppliedThreadNumberResetsWhenUnset) {
  p_.SetThreadNumber(4);
  Expect("VelaThreadNumber", Member(&P::GetThreadNumber),
         {{nullptr, 0}, {"6", 6}, {"x", 0}, {"6", 6}, {"", 0}});
}

TEST_F(VelaGlobalParametersEnv, InternalKeysAcceptRejectAndResetWithTheModeOpen) {
  ScopedProcessEnv code("VelaUseSystemConstants", vela::test::TodaysInternalModeCode().c_str());
  p_.Initialize();
  // Always applied: an unset key turns the plug mode off.
  p_.SetReplayPlugMode(1);
  Expect("VelaReplayPlugMode", Member(&P::IsReplayPlugMode),
         {{nullptr, 0}, {"TRUE", 1}, {"yes", 0}, {"TRUE", 1}, {nullptr, 0}});
  Expect("VelaCheckMode", Member(&P::GetCheckMode),
         {{nullptr, 0}, {"TRUE", 1}, {nullptr, 1}, {"on", 0}});
  const Getter initial = Number([](const P& p) { return p.GetCurrentValues().InitialTraceLevel; });
  Expect("VelaTraceLevel", Member(&P::GetTraceLevel),
         {{nullptr, 0}, {"6", 6}, {nullptr, 6}, {"x", 0}, {"-2", -2}});
  EXPECT_EQ(initial(p_), -2);
  Expect("VelaReplayMethod", Number([](const P& p) { return p.GetReplayMethod().len(); }),
         {{nullptr, 0}, {"GrS", 3}, {nullptr, 3}, {"FULL", 4}});
}

TEST_F(VelaGlobalParametersEnv, CustomEntriesCountAndTheProcessEnvironmentWins) {
  VelaSetEnv("VelaPrecision", "5");
  VelaSetEnv("VelaUseGS", "FALSE");
  p_.InitializeEnv();
  EXPECT_EQ(p_.GetPrecision(), 5);
  EXPECT_EQ(p_.IsUseGS(), 0);
  ScopedProcessEnv process("VelaPrecision", "7");
  p_.InitializeEnv();
  EXPECT_EQ(p_.GetPrecision(), 7);
}

// ---------------------------------------------------------------------------
// Levels
// ---------------------------------------------------------------------------

struct Levels {
  unsigned int level;
  unsigned int hf;
  bool operator==(const Levels& o) const { return level == o.level && hf == o.hf; }
};
std::ostream& operator<<(std::ostream& os, const Levels& l) {
  return os << "(" << l.level << ", " << l.hf << ")";
}

class VelaGlobalParametersLevels : public VelaGlobalParametersEnv {
 protected:
  // Applies the three level keys (null: unset) and returns the levels.
  Levels Apply(const char* level, const char* hf, const char* reset = nullptr) {
    ScopedProcessEnv l("VelaLevel", level);
    ScopedProcessEnv h("VelaHFLevel", hf);
    ScopedProcessEnv r("KORCX_MEMORY", reset);
    p_.InitializeEnv();
    const unsigned int word = p_.GetCurrentValues().Levels;
    EXPECT_EQ(p_.GetVelFullOpenConfigurationLevel(), word);
    return {word >> 16, word & 0xFFFFu};
  }
};

// Each row applies its keys to the levels the previous rows left.
TEST_F(VelaGlobalParametersLevels, LevelOnlyLowersAndHFLevelFollowsALoweredLevel) {
  const struct {
    const char* level;
    const char* hf;
    const char* reset;
    Levels expected;
  } rows[] = {
      {"1000", nullptr, nullptr, {751, 0}},
      {"-1", nullptr, nullptr, {751, 0}},
      {nullptr, "7", nullptr, {751, 0}},  // min(7, 0)
      {"751", "7", nullptr, {751, 0}},    // equal is not lowered
      {"500", "7", nullptr, {500, 7}},
      {nullptr, "9", nullptr, {500, 7}},  // min(9, 7)
      {"500", "9", nullptr, {500, 7}},    // 500 is not lower than 500
      {"700", nullptr, nullptr, {500, 7}},
      {nullptr, "3", nullptr, {500, 3}},
      {nullptr, "-1", nullptr, {500, 3}},  // unsigned: huge
      {"400", "70000", nullptr, {400, 70000u & 0xFFFFu}},
      {"300", nullptr, nullptr, {300, 70000u & 0xFFFFu}},
      // The reset keyword applies after the other keys, in any case.
      {"200", "7", "LEVELBSF", {200, 7}},
      {nullptr, nullptr, "levelbsf ", {200, 7}},
      {"100", "9", "levelbsf", {751, 0}},
      {"abc", nullptr, nullptr, {0, 0}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.level ? row.level : "-") + " " + (row.hf ? row.hf : "-"));
    EXPECT_EQ(Apply(row.level, row.hf, row.reset), row.expected);
  }
}

}  // namespace
