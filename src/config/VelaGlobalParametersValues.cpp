// CustomValues: the built-in defaults and the environment key table.
#include <climits>
#include <cstdlib>

#include "config/GlobalParameterKeys.h"
#include "config/InternalAccess.h"
#include "vela/config/VelaGlobalParameters.h"
#include "vela/foundation/VelaConstants.h"
#include "vela/foundation/VelaEnvironment.h"

namespace {

using vela::detail::GlobalValues;
using vela::detail::KeyKind;
using vela::detail::KeyRule;

// atoi as the solver's original runtime defined it: leading blanks, a sign
// and digits, 0 for text that is not a number, and the nearest int limit
// for a number beyond the int range (where the C standard leaves atoi
// undefined).
int ParseInt(const VelaString& text) {
  const long long value = std::strtoll(text.str(), nullptr, 10);
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

// The three level keys share the "was the level lowered" state.
struct LevelState {
  bool lowered = false;
};

unsigned int LevelOf(unsigned int levels) { return levels >> 16; }
unsigned int HFLevelOf(unsigned int levels) { return levels & 0xFFFFu; }
unsigned int CombineLevels(unsigned int level, unsigned int hfLevel) {
  return (level << 16) ^ (hfLevel & 0xFFFFu);
}

void ApplyLevelKey(const KeyRule& rule, const VelaString& value, GlobalValues& v,
                   LevelState& state) {
  const unsigned int requested = static_cast<unsigned int>(ParseInt(value));
  switch (rule.kind) {
    case KeyKind::Level:
      // Only lowers: an environment can restrict the solver, never open it.
      if (requested < LevelOf(v.Levels)) {
        v.Levels = CombineLevels(requested, HFLevelOf(v.Levels));
        state.lowered = true;
      }
      break;
    case KeyKind::HFLevel: {
      const unsigned int current = HFLevelOf(v.Levels);
      const unsigned int hfLevel =
          state.lowered ? requested : (requested < current ? requested : current);
      v.Levels = CombineLevels(LevelOf(v.Levels), hfLevel);
      break;
    }
    default:
      if (value == vela::detail::kLevelsResetKeyword) v.Levels = vela::detail::kDefaultLevels;
      break;
  }
}

void ApplyKeywords(const KeyRule& rule, const VelaString& value, GlobalValues& v) {
  for (std::size_t i = 0; i < rule.keywordCount; ++i) {
    if (value == rule.keywords[i].text) {
      v.*rule.number = rule.keywords[i].value;
      return;
    }
  }
}

void ApplyKey(const KeyRule& rule, const VelaString& value, GlobalValues& v, LevelState& state) {
  // The two always-applied keys first: for them an unset key is a value.
  if (rule.kind == KeyKind::AlwaysTrueTest) {
    v.*rule.flag = value == "TRUE" ? 1 : 0;
    return;
  }
  if (rule.kind == KeyKind::AlwaysInt) {
    v.*rule.number = ParseInt(value);
    return;
  }
  if (value.isEmpty()) return;
  switch (rule.kind) {
    case KeyKind::Level:
    case KeyKind::HFLevel:
    case KeyKind::LevelsReset:
      ApplyLevelKey(rule, value, v, state);
      break;
    case KeyKind::Bool:
      if (value == "TRUE") {
        v.*rule.flag = 1;
      } else if (value == "FALSE") {
        v.*rule.flag = 0;
      }
      break;
    case KeyKind::TrueTest:
      v.*rule.flag = value == "TRUE" ? 1 : 0;
      break;
    case KeyKind::BoundedInt: {
      // Compared as unsigned, so negative values are out of range too.
      const int number = ParseInt(value);
      if (static_cast<unsigned int>(number) < rule.bound) v.*rule.number = number;
      break;
    }
    case KeyKind::Int:
      v.*rule.number = ParseInt(value);
      break;
    case KeyKind::Keywords:
      ApplyKeywords(rule, value, v);
      break;
    case KeyKind::String:
      v.*rule.text = value;
      break;
    case KeyKind::TraceLevel:
      v.TraceLevel = v.InitialTraceLevel = ParseInt(value);
      break;
    case KeyKind::AlwaysTrueTest:
    case KeyKind::AlwaysInt:
      break;
  }
}

// Outside the internal mode the developer facilities stay off whatever the
// environment asked for. "SI" and "SS" are the replay methods a user may
// run on their own.
void CloseDeveloperFacilities(GlobalValues& v) {
  v.TraceLevel = 0;
  v.InitialTraceLevel = 0;
  v.CheckMode = 0;
  if (v.ReplayMethod != "SI" && v.ReplayMethod != "SS") v.ReplayMethod.clear();
  v.ReplayPlugMode = 0;
}

}  // namespace

void VelaGlobalParameters::CustomValues::Initialize() {
  Levels = vela::detail::kDefaultLevels;
  UseGS = 1; UseGD = 1; UseIMOnly = 0; UseRROnly = 0;
  GDMethods = 30;
  UseNonHR = 1; UseHRFormalDOF = 1; UseNonHRTwoRS = 1;
  HRTwoRSMode = VelaHRTwoRSMode_SOLVE3D;
  UseNonHRThreeRS = 0;
  HRThreeRSMode = VelaHRThreeRSMode_SOLVE;
  UseNonHGD = 1; UseFixationPreprocess = 1; UseTO = 1; KeepPtPtLnDiChirality = 1; UseCMDOFRR = 0;
  DecompIMMode = VelaDecompIMMode_ADIM3Specs;
  UseAD = 1;
  ADMode = VelaADMode_SOFT;
  ADOMode = 20;
  UseER = 1;
  MUCMode = 206;
  RRMode = 1;
  IMMode = 0;
  UseRRTransformationsForSpline = 1; UseSplineDifferentiation = 1;
  DiagOptions = 15;
  DOFSpaceMethod = VelaDOFSpaceMethod_REF;
  ESLinearMethod = 2;
  ESUseGradient = 1; ESUseLevenbergMarquardt = 1;
  REFOrder = VelaREFOrder_ROWS;
  PureNewtonMethod = VelaPureNewtonMethod_REF;
  UseNewtonDomainCorrection = 1;
  RelaxationMode = VelaRelaxationMode_QUAD;
  ParallelMode = 0;
  ExactElliptic = 1; ExactEllipticDeriv = 1; UseDefaultEEGradient = 0; UseDSEnergyCorrection = 1;
  UseSketchPlanes = 0; UseDisCurveSmoothing = 0; UseMUCPriorities = 0; UseFullMUCVU = 0;
  UseIKVU = 0; PrintSubtotal = 0; UseGSForGlobalRedundancy = 0; UseGDForGlobalRedundancy = 0;
  PriorityOrientations = VelaPriorityOrientations_WEAK;
  InterferenceMode = VelaInterferenceMode_NONE;
  ReplayDigits = 0;
  AssertDeprecatedAPI = 0; ReadableOptions = 1; WriteOldOptionsMode = 0; UseOldST = 0;
  UseCoordinatesInSM = 1; UseUpdateForSMComputeState = 0; UseGDForAutoDim = 1;
  AlignementOverwriting = 0;
  ScaleFactor = 1;
  PrintVersion = 1; NewVelReplayChiralitiesVersion = 1; ReadAllChiralities = 1;
  ForceWriteInputMode = 0;
  SMScriptMode = VelaSMScriptMode_NONE;
  CSScriptMode = VelaCSScriptMode_NONE;
  ProfileAutoTrimForced = 0; MUCOnWelldefinedObjects = 0; JavascriptDebug = 0; ForceReStream = 0;
  Precision = 3;
  ReplaySolverModeMask = 0;
  ReplayMode = 0;
  ReplayMethod.clear();
  ReplayPath.clear();
  ReplayPrefix.clear();
  ReplaySuffix = chReplayExt;
  InputPath.clear();
  InternalMode = vela::detail::IsInternalAccessCode(VelaGetEnv(vela::detail::kAccessCodeKey));
  ReplayPlugMode = 0;
  ScriptMode = VelaScriptMode_NONE;
  ValidateMode = VelaValidateMode_COMPARE;
  ValidateMUC = 1; ValidateDiagnostics = 0; ReferenceMode = 0; CheckMode = 0; MeasureTime = 0;
  GenerateStatus = 0;
  AssertMode = VelaGetEnv(vela::detail::kDevelopmentStageKey) == "TRUE" ? VelaAssertMode_ASSERT
                                                                         : VelaAssertMode_NONE;
  TraceLevel = 0;
  InitialTraceLevel = 0;
  RoundMode = 0;
  PrecMode = 1;
  ThreadNumber = 0;
}

void VelaGlobalParameters::CustomValues::InitializeEnv() {
  LevelState levels;
  for (const KeyRule& rule : vela::detail::kGlobalParameterKeys) {
    ApplyKey(rule, VelaGetEnv(rule.name), *this, levels);
  }
  if (!InternalMode) CloseDeveloperFacilities(*this);
}
