// The environment keys of the global parameters, as one table.
//
// CustomValues::InitializeEnv walks kGlobalParameterKeys in order and applies
// each rule to the member it names; the table is also what the tests iterate
// to keep docs/configuration.md complete, so every key the configuration
// reads is either in it or in kOtherGlobalParameterKeys.
//
// Header-only (constexpr data) so that the test programs can read the table
// without the library exporting it.
#ifndef VELA_SRC_CONFIG_GLOBALPARAMETERKEYS_H
#define VELA_SRC_CONFIG_GLOBALPARAMETERKEYS_H

#include <cstddef>

#include "platform/PlatformFloatingPoint.h"
#include "vela/config/VelaGlobalParameters.h"

namespace vela::detail {

using GlobalValues = VelaGlobalParameters::CustomValues;

// How a key's text becomes a value. Unless stated, an unset or empty key
// leaves the member unchanged.
enum class KeyKind : unsigned char {
  Level,        // atoi; replaces the level only when lower (unsigned comparison)
  HFLevel,      // atoi; min with the HF level, or as given when the level was lowered
  LevelsReset,  // the keyword resets the levels to their default
  Bool,         // "TRUE" 1, "FALSE" 0, anything else ignored
  TrueTest,     // "TRUE" 1, any other text 0
  BoundedInt,   // atoi, stored when below `bound` as an unsigned number
  Int,          // atoi, stored as is
  Keywords,     // the number of the matching keyword; no match ignored
  String,       // stored as is
  TraceLevel,   // atoi into both the current and the initial trace level
  AlwaysTrueTest,  // TrueTest, and an unset key sets 0
  AlwaysInt,       // Int, and an unset key sets 0
};

struct Keyword {
  const char* text;
  int value;
};

// One key. Exactly one of flag / number / text names the member, except for
// the three level kinds, which work on GlobalValues::Levels.
struct KeyRule {
  const char* name;
  KeyKind kind;
  unsigned char GlobalValues::*flag;
  int GlobalValues::*number;
  VelaString GlobalValues::*text;
  unsigned int bound;
  const Keyword* keywords;
  std::size_t keywordCount;
};

// Level 751, HF level 0.
inline constexpr unsigned int kDefaultLevels = 751u << 16;
inline constexpr const char* kLevelsResetKeyword = "levelbsf";

inline constexpr Keyword kHRTwoRSModes[] = {{"SATISFIED", 0}, {"SOLVE", 1}, {"SOLVE3D", 2}};
inline constexpr Keyword kHRThreeRSModes[] = {{"SATISFIED", 0}, {"SOLVE", 1}};
inline constexpr Keyword kDecompIMModes[] = {{"ADIMRS", 0}, {"ADIM3Specs", 1}};
inline constexpr Keyword kADModes[] = {{"HARD", 0}, {"SOFT", 1}};
inline constexpr Keyword kDOFSpaceMethods[] = {{"SVD", 0}, {"GAUSS", 1}, {"REF", 2}};
inline constexpr Keyword kREFOrders[] = {{"ROWS", 0}, {"COLUMNS", 1}};
inline constexpr Keyword kPureNewtonMethods[] = {{"SVD", 0}, {"REF", 1}};
inline constexpr Keyword kRelaxationModes[] = {{"NONE", 0}, {"QUAD", 1}, {"ALL", 2}};
inline constexpr Keyword kPriorityOrientations[] = {{"NONE", 0}, {"WEAK", 1}, {"STRONG", 2}};
inline constexpr Keyword kInterferenceModes[] = {
    {"NONE", 0}, {"NOMOVE", 1}, {"STOP", 2}, {"PUSH", 3}};
inline constexpr Keyword kScriptDetailModes[] = {{"NONE", 0}, {"SINGLE", 1}, {"FULL", 2}};
inline constexpr Keyword kScriptModes[] = {{"FULL", 0}, {"SIMPLE", 1}, {"NONE", 2}};
inline constexpr Keyword kValidateModes[] = {
    {"COMPARE", 0}, {"VALIDATE", 1}, {"REGRESS", 2}, {"SIMPLECOMPARE", 3}, {"NONE", 4}};
inline constexpr Keyword kAssertModes[] = {
    {"NONE", 0}, {"TRACE", 1}, {"ASSERT", 2}, {"BREAK", 3}, {"LOOP", 4}};
inline constexpr Keyword kRoundModes[] = {{"NEAR", 0}, {"UP", 1}, {"DOWN", 2}, {"TRUNC", 3}};
inline constexpr Keyword kPrecModes[] = {{"SINGLE", 0}, {"DOUBLE", 1}, {"HIGH", 2}};

// The platform rounding for a RoundMode value (0 nearest, 1 up, 2 down,
// 3 toward zero). False for any other value: InitializeFPU then leaves the
// rounding mode alone.
constexpr bool RoundingFor(int roundMode, vela::platform::RoundingMode& rounding) {
  switch (roundMode) {
    case 0: rounding = vela::platform::RoundingMode::Nearest; return true;
    case 1: rounding = vela::platform::RoundingMode::Up; return true;
    case 2: rounding = vela::platform::RoundingMode::Down; return true;
    case 3: rounding = vela::platform::RoundingMode::TowardZero; return true;
    default: return false;
  }
}

constexpr KeyRule LevelKey(const char* name, KeyKind kind) {
  return {name, kind, nullptr, nullptr, nullptr, 0, nullptr, 0};
}
constexpr KeyRule FlagKey(const char* name, KeyKind kind, unsigned char GlobalValues::*member) {
  return {name, kind, member, nullptr, nullptr, 0, nullptr, 0};
}
constexpr KeyRule BoolKey(const char* name, unsigned char GlobalValues::*member) {
  return FlagKey(name, KeyKind::Bool, member);
}
constexpr KeyRule NumberKey(const char* name, KeyKind kind, int GlobalValues::*member,
                            unsigned int bound = 0) {
  return {name, kind, nullptr, member, nullptr, bound, nullptr, 0};
}
template <std::size_t N>
constexpr KeyRule KeywordKey(const char* name, int GlobalValues::*member,
                             const Keyword (&keywords)[N]) {
  return {name, KeyKind::Keywords, nullptr, member, nullptr, 0, keywords, N};
}
constexpr KeyRule StringKey(const char* name, VelaString GlobalValues::*member) {
  return {name, KeyKind::String, nullptr, nullptr, member, 0, nullptr, 0};
}

// In the order InitializeEnv applies them; the order matters for the three
// level keys (the HF level rule depends on what "VelaLevel" did).
inline constexpr KeyRule kGlobalParameterKeys[] = {
    LevelKey("VelaLevel", KeyKind::Level),
    LevelKey("VelaHFLevel", KeyKind::HFLevel),
    LevelKey("KORCX_MEMORY", KeyKind::LevelsReset),
    BoolKey("VelaUseGS", &GlobalValues::UseGS),
    BoolKey("VelaUseGD", &GlobalValues::UseGD),
    BoolKey("VelaUseIMOnly", &GlobalValues::UseIMOnly),
    BoolKey("VelaUseRROnly", &GlobalValues::UseRROnly),
    NumberKey("VelaGDMethods", KeyKind::BoundedInt, &GlobalValues::GDMethods, 128),
    BoolKey("VelaUseNonHR", &GlobalValues::UseNonHR),
    BoolKey("VelaUseHRFormalDOF", &GlobalValues::UseHRFormalDOF),
    BoolKey("VelaUseNonHRTwoRS", &GlobalValues::UseNonHRTwoRS),
    KeywordKey("VelaHRTwoRSMode", &GlobalValues::HRTwoRSMode, kHRTwoRSModes),
    BoolKey("VelaUseNonHRThreeRS", &GlobalValues::UseNonHRThreeRS),
    KeywordKey("VelaHRThreeRSMode", &GlobalValues::HRThreeRSMode, kHRThreeRSModes),
    BoolKey("VelaUseNonHGD", &GlobalValues::UseNonHGD),
    BoolKey("VelaUseFixationPreprocess", &GlobalValues::UseFixationPreprocess),
    BoolKey("VelaUseTO", &GlobalValues::UseTO),
    BoolKey("VelaKeepPtPtLnDiChirality", &GlobalValues::KeepPtPtLnDiChirality),
    BoolKey("VelaUseCMDOFRR", &GlobalValues::UseCMDOFRR),
    KeywordKey("VelaDecompIMMode", &GlobalValues::DecompIMMode, kDecompIMModes),
    BoolKey("VelaUseAD", &GlobalValues::UseAD),
    KeywordKey("VelaADMode", &GlobalValues::ADMode, kADModes),
    NumberKey("VelaADOMode", KeyKind::BoundedInt, &GlobalValues::ADOMode, 32),
    BoolKey("VelaUseER", &GlobalValues::UseER),
    NumberKey("VelaMUCMode", KeyKind::BoundedInt, &GlobalValues::MUCMode, 256),
    NumberKey("VelaRRMode", KeyKind::BoundedInt, &GlobalValues::RRMode, 0x80000),
    NumberKey("VelaIMMode", KeyKind::BoundedInt, &GlobalValues::IMMode, 4),
    BoolKey("VelaUseRRTransformationsForSpline", &GlobalValues::UseRRTransformationsForSpline),
    BoolKey("VelaUseSplineDifferentiation", &GlobalValues::UseSplineDifferentiation),
    NumberKey("VelaDiagOptions", KeyKind::BoundedInt, &GlobalValues::DiagOptions, 32),
    KeywordKey("VelaDOFSpaceMethod", &GlobalValues::DOFSpaceMethod, kDOFSpaceMethods),
    NumberKey("VelaESLinearMethod", KeyKind::BoundedInt, &GlobalValues::ESLinearMethod, 8),
    BoolKey("VelaESUseGradient", &GlobalValues::ESUseGradient),
    BoolKey("VelaESUseLevenbergMarquardt", &GlobalValues::ESUseLevenbergMarquardt),
    KeywordKey("VelaREFOrder", &GlobalValues::REFOrder, kREFOrders),
    KeywordKey("VelaPureNewtonMethod", &GlobalValues::PureNewtonMethod, kPureNewtonMethods),
    BoolKey("VelaUseNewtonDomainCorrection", &GlobalValues::UseNewtonDomainCorrection),
    KeywordKey("VelaRelaxationMode", &GlobalValues::RelaxationMode, kRelaxationModes),
    NumberKey("VelaParallelMode", KeyKind::BoundedInt, &GlobalValues::ParallelMode, 8),
    BoolKey("VelaExactElliptic", &GlobalValues::ExactElliptic),
    BoolKey("VelaExactEllipticDeriv", &GlobalValues::ExactEllipticDeriv),
    BoolKey("VelaUseDefaultEEGradient", &GlobalValues::UseDefaultEEGradient),
    BoolKey("VelaUseDSEnergyCorrection", &GlobalValues::UseDSEnergyCorrection),
    BoolKey("VelaUseSketchPlanes", &GlobalValues::UseSketchPlanes),
    BoolKey("VelaUseDisCurveSmoothing", &GlobalValues::UseDisCurveSmoothing),
    BoolKey("VelaUseMUCPriorities", &GlobalValues::UseMUCPriorities),
    BoolKey("VelaUseFullMUCVU", &GlobalValues::UseFullMUCVU),
    BoolKey("VelaUseIKVU", &GlobalValues::UseIKVU),
    BoolKey("VelaPrintSubtotal", &GlobalValues::PrintSubtotal),
    BoolKey("VelaUseGSForGlobalRedundancy", &GlobalValues::UseGSForGlobalRedundancy),
    BoolKey("VelaUseGDForGlobalRedundancy", &GlobalValues::UseGDForGlobalRedundancy),
    KeywordKey("VelaPriorityOrientations", &GlobalValues::PriorityOrientations,
               kPriorityOrientations),
    KeywordKey("VelaInterferenceMode", &GlobalValues::InterferenceMode, kInterferenceModes),
    NumberKey("VelaReplayDigits", KeyKind::Int, &GlobalValues::ReplayDigits),
    BoolKey("VelaAssertDeprecatedAPI", &GlobalValues::AssertDeprecatedAPI),
    BoolKey("VelaReadableOptions", &GlobalValues::ReadableOptions),
    BoolKey("VelaWriteOldOptionsMode", &GlobalValues::WriteOldOptionsMode),
    BoolKey("VelaUseOldST", &GlobalValues::UseOldST),
    BoolKey("VelaUseCoordinatesInSM", &GlobalValues::UseCoordinatesInSM),
    BoolKey("VelaUseUpdateForSMComputeState", &GlobalValues::UseUpdateForSMComputeState),
    BoolKey("VelaUseGDForAutoDim", &GlobalValues::UseGDForAutoDim),
    BoolKey("VelaAlignementOverwriting", &GlobalValues::AlignementOverwriting),
    NumberKey("VelaScaleFactor", KeyKind::Int, &GlobalValues::ScaleFactor),
    BoolKey("VelaPrintVersion", &GlobalValues::PrintVersion),
    BoolKey("VelaNewVelReplayChiralitiesVersion", &GlobalValues::NewVelReplayChiralitiesVersion),
    BoolKey("VelaReadAllChiralities", &GlobalValues::ReadAllChiralities),
    BoolKey("VelaForceWriteInputMode", &GlobalValues::ForceWriteInputMode),
    KeywordKey("VelaSMScriptMode", &GlobalValues::SMScriptMode, kScriptDetailModes),
    KeywordKey("VelaCSScriptMode", &GlobalValues::CSScriptMode, kScriptDetailModes),
    BoolKey("VelaProfileAutoTrimForced", &GlobalValues::ProfileAutoTrimForced),
    BoolKey("VelaMUCOnWelldefinedObjects", &GlobalValues::MUCOnWelldefinedObjects),
    BoolKey("VelaJavascriptDebug", &GlobalValues::JavascriptDebug),
    BoolKey("VelaForceReStream", &GlobalValues::ForceReStream),
    NumberKey("VelaPrecision", KeyKind::Int, &GlobalValues::Precision),
    NumberKey("VelaReplaySolverModeMask", KeyKind::Int, &GlobalValues::ReplaySolverModeMask),
    StringKey("VelaReplayPath", &GlobalValues::ReplayPath),
    StringKey("VelaReplayPrefix", &GlobalValues::ReplayPrefix),
    StringKey("VelaInputPath", &GlobalValues::InputPath),
    StringKey("VelaOutputFile", &GlobalValues::OutputFile),
    NumberKey("VelaReplayMode", KeyKind::Int, &GlobalValues::ReplayMode),
    StringKey("VelaReplayMethod", &GlobalValues::ReplayMethod),
    KeywordKey("VelaScriptMode", &GlobalValues::ScriptMode, kScriptModes),
    KeywordKey("VelaValidateMode", &GlobalValues::ValidateMode, kValidateModes),
    FlagKey("VelaValidateMUC", KeyKind::TrueTest, &GlobalValues::ValidateMUC),
    FlagKey("VelaValidateDiagnostics", KeyKind::TrueTest, &GlobalValues::ValidateDiagnostics),
    FlagKey("VelaReferenceMode", KeyKind::TrueTest, &GlobalValues::ReferenceMode),
    FlagKey("VelaCheckMode", KeyKind::TrueTest, &GlobalValues::CheckMode),
    FlagKey("VelaGenerateStatus", KeyKind::TrueTest, &GlobalValues::GenerateStatus),
    FlagKey("VelaMeasureTime", KeyKind::TrueTest, &GlobalValues::MeasureTime),
    KeywordKey("VelaAssertMode", &GlobalValues::AssertMode, kAssertModes),
    NumberKey("VelaTraceLevel", KeyKind::TraceLevel, &GlobalValues::TraceLevel),
    KeywordKey("VelaRoundMode", &GlobalValues::RoundMode, kRoundModes),
    KeywordKey("VelaPrecMode", &GlobalValues::PrecMode, kPrecModes),
    FlagKey("VelaReplayPlugMode", KeyKind::AlwaysTrueTest, &GlobalValues::ReplayPlugMode),
    NumberKey("VelaThreadNumber", KeyKind::AlwaysInt, &GlobalValues::ThreadNumber),
};

// Keys read outside the table.
inline constexpr const char* kDevelopmentStageKey = "KorDevelopmentStage";  // AssertMode default
inline constexpr const char* kAccessCodeKey = "VelaUseSystemConstants";     // internal mode
inline constexpr const char* kLogNameKey = "QTS_LOG_NAME";                  // replay prefix
inline constexpr const char* kOtherGlobalParameterKeys[] = {kDevelopmentStageKey, kAccessCodeKey,
                                                            kLogNameKey};

}  // namespace vela::detail

#endif  // VELA_SRC_CONFIG_GLOBALPARAMETERKEYS_H
