// VelaGlobalParameters: the process-wide configuration of the solver.
//
// One instance per process, created by the first GetGlobalParameters() call:
// it is filled with built-in defaults, then overridden from environment
// variables read through VelaGetEnv (so custom entries set with VelaSetEnv
// count as environment), and the floating-point rounding mode is set from
// it. Every part of the solver asks it which algorithm variants are enabled,
// how much to trace, and where replay and script files go and what they are
// called. It also carries the run counters, nesting level and time totals
// that the operator protocol updates on every run, and it owns the lazily
// opened diagnostic streams (trace, error, check, status, dump).
//
// The values that come from the environment live in the nested record
// CustomValues; the object holds two of them, the current one and a copy
// kept by Save() for Restore(). Everything else is run-time state that the
// environment never sets. docs/configuration.md lists every key.
//
// Internal mode: tracing, check files, replay plug mode and every replay
// method other than "SI" and "SS" are developer facilities. They stay off,
// whatever the environment or the setters say, unless "VelaUseSystemConstants"
// carried the day's access code when the current values were initialised
// (docs/internal-mode.md).
//
// Choices made for this implementation:
// - Enumerations are plain enums with an `int` underlying type, so they
//   convert to int and are stored as 32-bit integers; each enumerator is the
//   enumeration's name, an underscore and the environment keyword it stands
//   for (VelaAssertMode_ASSERT, VelaScriptMode_NONE). The prefix keeps the
//   many shared keywords (NONE, SVD, REF, FULL...) from clashing. Options
//   that are numbers or bit sets rather than keywords (VelaGDMethods,
//   VelaParallelMode...) are enumerations without named values.
// - CustomValues keeps its enumerations as `int` fields; the getters return
//   the enumeration types.
// - Constructors zero every number and flag (and empty every string) instead
//   of leaving them indeterminate; Initialize() gives the defaults.
// - A copy (copy constructor) owns no stream: it opens its own on demand.
//   Copy assignment copies every value and keeps the target's own streams.
//   Only the streams an object opened are ever deleted by it.
// - Initialize() closes (deletes) an open check stream rather than dropping
//   the pointer, so no stream is lost.
// - Numbers in keys are read as atoi reads them, except that a number beyond
//   the int range counts as the nearest int limit instead of being
//   undefined, as it was on the solver's original runtime.
// - ReplayPath is joined to file names with one backslash on every
//   platform, since other tools read these names; the existence test and
//   the streams take '\\' as a folder separator, so the file lands in the
//   ReplayPath folder here too.
// - GenerateNextScriptFileName() stops when the candidate name does not
//   change with the number (in test mode it comes from the explicit replay
//   file name) instead of looping for ever on an existing file.
// - Spent and lost time are `long`, 64 bits here: totals that wrapped after
//   about 6 hours of measured run time on a 32-bit `long` no longer wrap.
//
// Not thread-safe: the singleton and all its members are process-wide and
// unlocked; configuration is read and changed from one thread at a time.
#ifndef VELA_CONFIG_VELAGLOBALPARAMETERS_H
#define VELA_CONFIG_VELAGLOBALPARAMETERS_H

#include <memory>

#include "vela/foundation/VelaExport.h"
#include "vela/foundation/VelaString.h"
#include "vela/streams/VelaStream.h"

class VelaUnderPlayBack;

// ---- Enumerations named after their keywords ----------------------------
enum VelaADMode : int { VelaADMode_HARD = 0, VelaADMode_SOFT = 1 };
enum VelaAssertMode : int {
  VelaAssertMode_NONE = 0,
  VelaAssertMode_TRACE = 1,
  VelaAssertMode_ASSERT = 2,
  VelaAssertMode_BREAK = 3,
  VelaAssertMode_LOOP = 4,
};
enum VelaCSScriptMode : int {
  VelaCSScriptMode_NONE = 0,
  VelaCSScriptMode_SINGLE = 1,
  VelaCSScriptMode_FULL = 2,
};
enum VelaDOFSpaceMethod : int {
  VelaDOFSpaceMethod_SVD = 0,
  VelaDOFSpaceMethod_GAUSS = 1,
  VelaDOFSpaceMethod_REF = 2,
};
enum VelaDecompIMMode : int { VelaDecompIMMode_ADIMRS = 0, VelaDecompIMMode_ADIM3Specs = 1 };
enum VelaHRThreeRSMode : int { VelaHRThreeRSMode_SATISFIED = 0, VelaHRThreeRSMode_SOLVE = 1 };
enum VelaHRTwoRSMode : int {
  VelaHRTwoRSMode_SATISFIED = 0,
  VelaHRTwoRSMode_SOLVE = 1,
  VelaHRTwoRSMode_SOLVE3D = 2,
};
enum VelaInterferenceMode : int {
  VelaInterferenceMode_NONE = 0,
  VelaInterferenceMode_NOMOVE = 1,
  VelaInterferenceMode_STOP = 2,
  VelaInterferenceMode_PUSH = 3,
};
enum VelaPriorityOrientations : int {
  VelaPriorityOrientations_NONE = 0,
  VelaPriorityOrientations_WEAK = 1,
  VelaPriorityOrientations_STRONG = 2,
};
enum VelaPureNewtonMethod : int { VelaPureNewtonMethod_SVD = 0, VelaPureNewtonMethod_REF = 1 };
enum VelaREFOrder : int { VelaREFOrder_ROWS = 0, VelaREFOrder_COLUMNS = 1 };
enum VelaRelaxationMode : int {
  VelaRelaxationMode_NONE = 0,
  VelaRelaxationMode_QUAD = 1,
  VelaRelaxationMode_ALL = 2,
};
enum VelaSMScriptMode : int {
  VelaSMScriptMode_NONE = 0,
  VelaSMScriptMode_SINGLE = 1,
  VelaSMScriptMode_FULL = 2,
};
enum VelaScriptMode : int {
  VelaScriptMode_FULL = 0,
  VelaScriptMode_SIMPLE = 1,
  VelaScriptMode_NONE = 2,
};
enum VelaValidateMode : int {
  VelaValidateMode_COMPARE = 0,
  VelaValidateMode_VALIDATE = 1,
  VelaValidateMode_REGRESS = 2,
  VelaValidateMode_SIMPLECOMPARE = 3,
  VelaValidateMode_NONE = 4,
};

// ---- Enumerations that carry a number or a bit set ----------------------
// Their environment keys accept any value below the bound shown.
enum VelaADOMode : int {};         // below 32
enum VelaDiagOptions : int {};     // below 32
enum VelaESLinearMethod : int {};  // below 8
enum VelaGDMethods : int {};       // below 128
enum VelaIMMode : int {};          // below 4
enum VelaMUCMode : int {};         // below 256
enum VelaParallelMode : int {};    // below 8; 0 runs serially
enum VelaRRMode : int {};          // below 0x80000

class VELA_API VelaGlobalParameters {
 public:
  // The values the environment can set. A value record: copies are
  // member-wise (strings shared until written). "Bool" members are bytes
  // holding 0 or 1; enumerations are stored as int.
  struct VELA_API CustomValues {
    // Level in the high 16 bits, HF level in the low 16 bits.
    unsigned int Levels = 0;
    unsigned char UseGS = 0, UseGD = 0, UseIMOnly = 0, UseRROnly = 0;
    int GDMethods = 0;
    unsigned char UseNonHR = 0, UseHRFormalDOF = 0, UseNonHRTwoRS = 0;
    int HRTwoRSMode = 0;
    unsigned char UseNonHRThreeRS = 0;
    int HRThreeRSMode = 0;
    unsigned char UseNonHGD = 0, UseFixationPreprocess = 0, UseTO = 0, KeepPtPtLnDiChirality = 0,
                  UseCMDOFRR = 0;
    int DecompIMMode = 0;
    unsigned char UseAD = 0;
    int ADMode = 0;
    int ADOMode = 0;
    unsigned char UseER = 0;
    int MUCMode = 0;
    int RRMode = 0;
    int IMMode = 0;
    unsigned char UseRRTransformationsForSpline = 0, UseSplineDifferentiation = 0;
    int DiagOptions = 0;
    int DOFSpaceMethod = 0;
    int ESLinearMethod = 0;
    unsigned char ESUseGradient = 0, ESUseLevenbergMarquardt = 0;
    int REFOrder = 0;
    int PureNewtonMethod = 0;
    unsigned char UseNewtonDomainCorrection = 0;
    int RelaxationMode = 0;
    int ParallelMode = 0;
    unsigned char ExactElliptic = 0, ExactEllipticDeriv = 0, UseDefaultEEGradient = 0,
                  UseDSEnergyCorrection = 0, UseSketchPlanes = 0, UseDisCurveSmoothing = 0,
                  UseMUCPriorities = 0, UseFullMUCVU = 0, UseIKVU = 0, PrintSubtotal = 0,
                  UseGSForGlobalRedundancy = 0, UseGDForGlobalRedundancy = 0;
    int PriorityOrientations = 0;
    int InterferenceMode = 0;
    int ReplayDigits = 0;
    unsigned char AssertDeprecatedAPI = 0, ReadableOptions = 0, WriteOldOptionsMode = 0,
                  UseOldST = 0, UseCoordinatesInSM = 0, UseUpdateForSMComputeState = 0,
                  UseGDForAutoDim = 0, AlignementOverwriting = 0;
    int ScaleFactor = 0;
    unsigned char PrintVersion = 0, NewVelReplayChiralitiesVersion = 0, ReadAllChiralities = 0,
                  ForceWriteInputMode = 0;
    int SMScriptMode = 0;
    int CSScriptMode = 0;
    unsigned char ProfileAutoTrimForced = 0, MUCOnWelldefinedObjects = 0, JavascriptDebug = 0,
                  ForceReStream = 0;
    int Precision = 0;
    int ReplaySolverModeMask = 0;
    // Bit value 1: write the input; bit value 2: write the output.
    int ReplayMode = 0;
    VelaString ReplayMethod;
    VelaString ReplayPath;
    // Empty until GetReplayPrefix() computes it (outside test mode).
    VelaString ReplayPrefix;
    VelaString ReplaySuffix;
    VelaString InputPath;
    // Set only by the access check of Initialize(); while 0, InitializeEnv()
    // ends by switching the developer facilities off.
    unsigned char InternalMode = 0;
    unsigned char ReplayPlugMode = 0;
    // Never touched by Initialize().
    VelaString OutputFile;
    int ScriptMode = 0;
    int ValidateMode = 0;
    unsigned char ValidateMUC = 0, ValidateDiagnostics = 0, ReferenceMode = 0, CheckMode = 0,
                  MeasureTime = 0, GenerateStatus = 0;
    int AssertMode = 0;
    int TraceLevel = 0;
    // The value ResetTraceLevel() restores.
    int InitialTraceLevel = 0;
    // 0 nearest, 1 up, 2 down, 3 toward zero; see InitializeFPU().
    int RoundMode = 0;
    int PrecMode = 0;
    int ThreadNumber = 0;

    // Every member but OutputFile gets its built-in default. Reads
    // "KorDevelopmentStage" (AssertMode is ASSERT when it is "TRUE", else
    // NONE) and "VelaUseSystemConstants" (the internal-mode access check).
    void Initialize();
    // Applies the environment keys in their fixed order; a key that is unset
    // or empty leaves its member as it is, except "VelaReplayPlugMode" and
    // "VelaThreadNumber", which set 0 then. Invalid values are ignored. Ends
    // by switching tracing, check mode, replay plug mode and replay methods
    // other than "SI"/"SS" off unless the internal mode is open.
    void InitializeEnv();
  };

  // Empty strings, zero numbers, no streams; call Initialize() and
  // InitializeEnv() for a usable configuration (GetGlobalParameters() does).
  VelaGlobalParameters();
  // Copies every value; the copy owns no stream yet.
  VelaGlobalParameters(const VelaGlobalParameters& other);
  // Copies every value; keeps this object's own streams.
  VelaGlobalParameters& operator=(const VelaGlobalParameters& other);
  // Deletes the streams this object opened.
  ~VelaGlobalParameters();

  // ---- Lifecycle -------------------------------------------------------------
  // Current values to their defaults (CustomValues::Initialize, including
  // the access check), effective copies refreshed, replay and script numbers
  // 1, indents, counters, times, test mode and diag-not-run 0, check stream
  // closed. Reads no key of the environment table.
  void Initialize();
  // Applies the environment keys over the current values, then refreshes
  // the effective levels and effective replay mode.
  void InitializeEnv();
  // Sets the floating-point rounding mode from RoundMode (0 nearest, 1 up,
  // 2 down, 3 toward zero); any other value leaves the mode alone.
  void InitializeFPU();
  // Copies the current values to the saved values.
  void Save();
  // Copies the saved values to the current values and refreshes the
  // effective levels (not the effective replay mode).
  void Restore();
  // The live configuration and the copy kept by Save(), read-only.
  const CustomValues& GetCurrentValues() const { return current_; }
  const CustomValues& GetSavedValues() const { return saved_; }

  // ---- Levels (read the copy taken at the last (re)initialisation) -----------
  // The level: high 16 bits of the effective levels.
  unsigned short GetVelOpenConfigurationLevel() const {
    return static_cast<unsigned short>(effectiveLevels_ >> 16);
  }
  void GetVelOpenConfigurationLevels(unsigned short& level, unsigned short& hfLevel) const {
    level = static_cast<unsigned short>(effectiveLevels_ >> 16);
    hfLevel = static_cast<unsigned short>(effectiveLevels_ & 0xFFFFu);
  }
  unsigned int GetVelFullOpenConfigurationLevel() const { return effectiveLevels_; }

  // ---- Enumeration getters -------------------------------------------------------
  VelaADMode GetADMode() const { return VelaADMode(current_.ADMode); }
  VelaADOMode GetADOMode() const { return VelaADOMode(current_.ADOMode); }
  VelaAssertMode GetAssertMode() const { return VelaAssertMode(current_.AssertMode); }
  VelaCSScriptMode GetCSScriptMode() const { return VelaCSScriptMode(current_.CSScriptMode); }
  VelaDOFSpaceMethod GetDOFSpaceMethod() const {
    return VelaDOFSpaceMethod(current_.DOFSpaceMethod);
  }
  VelaDecompIMMode GetDecompIMMode() const { return VelaDecompIMMode(current_.DecompIMMode); }
  VelaDiagOptions GetDiagOptions() const { return VelaDiagOptions(current_.DiagOptions); }
  VelaESLinearMethod GetESLinearMethod() const {
    return VelaESLinearMethod(current_.ESLinearMethod);
  }
  VelaGDMethods GetGDMethods() const { return VelaGDMethods(current_.GDMethods); }
  VelaHRThreeRSMode GetHRThreeRSMode() const { return VelaHRThreeRSMode(current_.HRThreeRSMode); }
  VelaHRTwoRSMode GetHRTwoRSMode() const { return VelaHRTwoRSMode(current_.HRTwoRSMode); }
  VelaIMMode GetIMMode() const { return VelaIMMode(current_.IMMode); }
  VelaInterferenceMode GetInterferenceMode() const {
    return VelaInterferenceMode(current_.InterferenceMode);
  }
  VelaMUCMode GetMUCMode() const { return VelaMUCMode(current_.MUCMode); }
  VelaParallelMode GetParallelMode() const { return VelaParallelMode(current_.ParallelMode); }
  VelaPriorityOrientations GetPriorityOrientations() const {
    return VelaPriorityOrientations(current_.PriorityOrientations);
  }
  VelaPureNewtonMethod GetPureNewtonMethod() const {
    return VelaPureNewtonMethod(current_.PureNewtonMethod);
  }
  VelaREFOrder GetREFOrder() const { return VelaREFOrder(current_.REFOrder); }
  VelaRRMode GetRRMode() const { return VelaRRMode(current_.RRMode); }
  VelaRelaxationMode GetRelaxationMode() const {
    return VelaRelaxationMode(current_.RelaxationMode);
  }
  VelaSMScriptMode GetSMScriptMode() const { return VelaSMScriptMode(current_.SMScriptMode); }
  VelaScriptMode GetScriptMode() const { return VelaScriptMode(current_.ScriptMode); }
  VelaValidateMode GetValidateMode() const { return VelaValidateMode(current_.ValidateMode); }

  // ---- Integer getters ---------------------------------------------------------
  int GetPrecision() const { return current_.Precision; }
  int GetReplayDigits() const { return current_.ReplayDigits; }
  int GetReplayMode() const { return current_.ReplayMode; }
  int GetReplaySolverModeMask() const { return current_.ReplaySolverModeMask; }
  int GetScaleFactor() const { return current_.ScaleFactor; }
  int GetThreadNumber() const { return current_.ThreadNumber; }
  // The current trace level (0: no tracing).
  int GetTraceLevel() const { return current_.TraceLevel; }

  // ---- Flag getters (0 or 1) ---------------------------------------------------
  unsigned char GetCheckMode() const { return current_.CheckMode; }
  unsigned char GetGenerateStatus() const { return current_.GenerateStatus; }
  unsigned char GetReferenceMode() const { return current_.ReferenceMode; }
  unsigned char IsAlignementOverwriting() const { return current_.AlignementOverwriting; }
  unsigned char IsAssertDeprecatedAPI() const { return current_.AssertDeprecatedAPI; }
  unsigned char IsESUseGradient() const { return current_.ESUseGradient; }
  unsigned char IsESUseLevenbergMarquardt() const { return current_.ESUseLevenbergMarquardt; }
  unsigned char IsExactElliptic() const { return current_.ExactElliptic; }
  unsigned char IsExactEllipticDeriv() const { return current_.ExactEllipticDeriv; }
  unsigned char IsForceReStream() const { return current_.ForceReStream; }
  unsigned char IsForceWriteInputMode() const { return current_.ForceWriteInputMode; }
  unsigned char IsJavascriptDebug() const { return current_.JavascriptDebug; }
  unsigned char IsKeepPtPtLnDiChirality() const { return current_.KeepPtPtLnDiChirality; }
  unsigned char IsMUCOnWelldefinedObjects() const { return current_.MUCOnWelldefinedObjects; }
  unsigned char IsMeasureTime() const { return current_.MeasureTime; }
  unsigned char IsNewVelReplayChiralitiesVersion() const {
    return current_.NewVelReplayChiralitiesVersion;
  }
  unsigned char IsPrintSubtotal() const { return current_.PrintSubtotal; }
  unsigned char IsPrintVersion() const { return current_.PrintVersion; }
  unsigned char IsProfileAutoTrimForced() const { return current_.ProfileAutoTrimForced; }
  unsigned char IsReadAllChiralities() const { return current_.ReadAllChiralities; }
  unsigned char IsReadableOptions() const { return current_.ReadableOptions; }
  unsigned char IsReplayPlugMode() const { return current_.ReplayPlugMode; }
  unsigned char IsUseAD() const { return current_.UseAD; }
  unsigned char IsUseCMDOFRR() const { return current_.UseCMDOFRR; }
  unsigned char IsUseCoordinatesInSM() const { return current_.UseCoordinatesInSM; }
  unsigned char IsUseDSEnergyCorrection() const { return current_.UseDSEnergyCorrection; }
  unsigned char IsUseDefaultEEGradient() const { return current_.UseDefaultEEGradient; }
  unsigned char IsUseDisCurveSmoothing() const { return current_.UseDisCurveSmoothing; }
  unsigned char IsUseER() const { return current_.UseER; }
  unsigned char IsUseFixationPreprocess() const { return current_.UseFixationPreprocess; }
  unsigned char IsUseFullMUCVU() const { return current_.UseFullMUCVU; }
  unsigned char IsUseGD() const { return current_.UseGD; }
  unsigned char IsUseGDForAutoDim() const { return current_.UseGDForAutoDim; }
  unsigned char IsUseGDForGlobalRedundancy() const { return current_.UseGDForGlobalRedundancy; }
  unsigned char IsUseGS() const { return current_.UseGS; }
  unsigned char IsUseGSForGlobalRedundancy() const { return current_.UseGSForGlobalRedundancy; }
  unsigned char IsUseHRFormalDOF() const { return current_.UseHRFormalDOF; }
  unsigned char IsUseIKVU() const { return current_.UseIKVU; }
  unsigned char IsUseIMOnly() const { return current_.UseIMOnly; }
  unsigned char IsUseMUCPriorities() const { return current_.UseMUCPriorities; }
  unsigned char IsUseNewtonDomainCorrection() const { return current_.UseNewtonDomainCorrection; }
  unsigned char IsUseNonHGD() const { return current_.UseNonHGD; }
  unsigned char IsUseNonHR() const { return current_.UseNonHR; }
  unsigned char IsUseNonHRThreeRS() const { return current_.UseNonHRThreeRS; }
  unsigned char IsUseNonHRTwoRS() const { return current_.UseNonHRTwoRS; }
  unsigned char IsUseOldST() const { return current_.UseOldST; }
  unsigned char IsUseRROnly() const { return current_.UseRROnly; }
  unsigned char IsUseRRTransformationsForSpline() const {
    return current_.UseRRTransformationsForSpline;
  }
  unsigned char IsUseSketchPlanes() const { return current_.UseSketchPlanes; }
  unsigned char IsUseSplineDifferentiation() const { return current_.UseSplineDifferentiation; }
  unsigned char IsUseTO() const { return current_.UseTO; }
  unsigned char IsUseUpdateForSMComputeState() const {
    return current_.UseUpdateForSMComputeState;
  }
  unsigned char IsValidateDiagnostics() const { return current_.ValidateDiagnostics; }
  unsigned char IsValidateMUC() const { return current_.ValidateMUC; }
  unsigned char IsWriteOldOptionsMode() const { return current_.WriteOldOptionsMode; }

  // ---- String getters ----------------------------------------------------------
  const VelaString& GetInputPath() const { return current_.InputPath; }
  const VelaString& GetReplayMethod() const { return current_.ReplayMethod; }
  const VelaString& GetReplayPath() const { return current_.ReplayPath; }
  const VelaString& GetReplaySuffix() const { return current_.ReplaySuffix; }

  // ---- Setters (store the argument in the current values) ---------------------
  void SetAssertMode(VelaAssertMode mode) { current_.AssertMode = mode; }
  void SetCSScriptMode(VelaCSScriptMode mode) { current_.CSScriptMode = mode; }
  void SetSMScriptMode(VelaSMScriptMode mode) { current_.SMScriptMode = mode; }
  void SetScriptMode(VelaScriptMode mode) { current_.ScriptMode = mode; }
  void SetValidateMode(VelaValidateMode mode) { current_.ValidateMode = mode; }
  void SetPrecision(int value) { current_.Precision = value; }
  void SetReplayMode(int value) { current_.ReplayMode = value; }
  void SetReplaySolverModeMask(int value) { current_.ReplaySolverModeMask = value; }
  void SetScaleFactor(int value) { current_.ScaleFactor = value; }
  void SetThreadNumber(int value) { current_.ThreadNumber = value; }
  void SetForceReStream(unsigned char on) { current_.ForceReStream = on; }
  void SetForceWriteInputMode(unsigned char on) { current_.ForceWriteInputMode = on; }
  void SetJavascriptDebug(unsigned char on) { current_.JavascriptDebug = on; }
  void SetMUCOnWelldefinedObjects(unsigned char on) { current_.MUCOnWelldefinedObjects = on; }
  void SetMeasureTime(unsigned char on) { current_.MeasureTime = on; }
  void SetNewVelReplayChiralitiesVersion(unsigned char on) {
    current_.NewVelReplayChiralitiesVersion = on;
  }
  void SetPrintVersion(unsigned char on) { current_.PrintVersion = on; }
  void SetProfileAutoTrimForced(unsigned char on) { current_.ProfileAutoTrimForced = on; }
  void SetReadAllChiralities(unsigned char on) { current_.ReadAllChiralities = on; }
  void SetReferenceMode(unsigned char on) { current_.ReferenceMode = on; }
  void SetValidateDiagnostics(unsigned char on) { current_.ValidateDiagnostics = on; }
  void SetValidateMUC(unsigned char on) { current_.ValidateMUC = on; }
  void SetInputPath(const VelaString& path) { current_.InputPath = path; }
  void SetReplayPath(const VelaString& path) { current_.ReplayPath = path; }
  void SetReplayPrefix(const VelaString& prefix) { current_.ReplayPrefix = prefix; }
  void SetReplaySuffix(const VelaString& suffix) { current_.ReplaySuffix = suffix; }

  // ---- Setters of the developer facilities: no effect unless the internal
  // mode is open ------------------------------------------------------------------
  void SetCheckMode(unsigned char on);
  void SetGenerateStatus(unsigned char on);
  void SetReplayMethod(const VelaString& method);
  void SetReplayPlugMode(unsigned char on);
  // Sets the current trace level only (not the one ResetTraceLevel restores).
  void SetTraceLevel(int level);
  // Current trace level = the level read from the environment.
  void ResetTraceLevel() { current_.TraceLevel = current_.InitialTraceLevel; }

  // ---- Run-time state ------------------------------------------------------------
  // Accumulated operator run time and bookkeeping overhead, in VelaClock ticks.
  long GetSpentTime() const { return spentTime_; }
  void SetSpentTime(long ticks) { spentTime_ = ticks; }
  long GetLostTime() const { return lostTime_; }
  void SetLostTime(long ticks) { lostTime_ = ticks; }
  // Number of top-level operator runs. SetRunCount(0) also clears the spent
  // and lost time; other counts keep them.
  int GetRunCount() const { return runCount_; }
  int IncRunCount() { return ++runCount_; }
  void SetRunCount(int count);
  // Depth of the operator runs in progress; 0 when none runs.
  int GetNestingLevel() const { return nestingLevel_; }
  void SetNestingLevel(int level) { nestingLevel_ = level; }
  // Test mode freezes the replay prefix and names scripts after the explicit
  // replay file name.
  unsigned char GetTestMode() const { return testMode_; }
  void SetTestMode(unsigned char on) { testMode_ = on; }
  unsigned char IsDiagNotRun() const { return diagNotRun_; }
  void SetDiagNotRun(unsigned char on) { diagNotRun_ = on; }
  // Indentation of the check report: steps of 2; each returns the new value.
  int GetCheckIndent() const { return checkIndent_; }
  int IncCheckIndent() { return checkIndent_ += kCheckIndentStep; }
  int DecCheckIndent() { return checkIndent_ -= kCheckIndentStep; }
  // A second indentation: steps of 3 up to 12, then of 2 (0, 3, 6, 9, 12,
  // 14, 16...), and back down the same way. Each returns the new value.
  int GetICIndent() const { return icIndent_; }
  int IncICIndent();
  int DecICIndent();
  // Effective replay mode = current ReplayMode, then ReplayMode = 0, until
  // ResetReplayMode() brings it back.
  void FlushReplayMode();
  // Current ReplayMode = effective replay mode: undoes FlushReplayMode().
  void ResetReplayMode() { current_.ReplayMode = effectiveReplayMode_; }

  // ---- File names ------------------------------------------------------------------
  const VelaString& GetMDLRFileName() const { return mdlrFileName_; }
  void SetMDLRFileName(const VelaString& name) { mdlrFileName_ = name; }
  // An explicit replay file name replaces the generated one while not empty.
  void SetReplayFileName(const VelaString& name) { replayFileName_ = name; }
  // An explicit script file name replaces the generated one while not empty.
  void SetScriptFileName(const VelaString& name) { scriptFileName_ = name; }
  // Outside test mode an empty ReplayPrefix is computed once from
  // "QTS_LOG_NAME": its value and "_" ("run7_"), or "Vela" when that is
  // unset or empty. In test mode the stored prefix is returned as it is.
  const VelaString& GetReplayPrefix();
  // The explicit replay file name, or the replay number written with at
  // least 3 digits followed by ReplaySuffix ("001.VelReplay").
  const VelaString& GetReplayFileName();
  // Prefix + replay file name, behind ReplayPath and one backslash when
  // ReplayPath is set: "Vela001.VelReplay", "C:\r\Vela001.VelReplay".
  VelaString GetReplayFullName();
  // The explicit script file name; else, in test mode, the explicit replay
  // file name + ".VelScript"; else the script number + ".VelScript".
  VelaString GetScriptFileName() const;
  // The script file name behind the prefix and ReplayPath, as for replays.
  VelaString GetScriptFullName();
  // Explicit replay file name = name + "_" + number (zero-padded to
  // ReplayDigits digits) + ReplaySuffix.
  void SetReplayFileNameForScript(const VelaString& name, int number);
  // With no explicit replay file name and ScriptMode NONE: advances the
  // replay number while a file GetReplayFullName() + extension exists.
  // Otherwise does nothing. One existence test per number tried.
  void GenerateNextReplayName(const VelaString& extension);
  // With no explicit script file name: advances the script number while a
  // file GetScriptFullName() exists. Otherwise does nothing.
  void GenerateNextScriptFileName();

  // ---- Diagnostic streams (owned; null only where stated) ----------------------
  // Over standard output, created on the first call.
  VelaStream* GetTraceStream();
  // Over standard error, created on the first call.
  VelaStream* GetErrorStream();
  // On the file GetReplayFullName() + ".dump", created (truncated) on the
  // first call.
  VelaStream* GetDumpStream();
  // The open check / status stream, or null.
  VelaStream* GetCheckStream() const { return checkStream_.get(); }
  VelaStream* GetStatusStream() const { return statusStream_.get(); }
  // Closes the stream open in that role, then opens (truncates) the file.
  void OpenCheckStream(const VelaString& fileName);
  void OpenStatusStream(const VelaString& fileName);
  // Closes the stream of that role; the getter returns null afterwards.
  void CloseCheckStream() { checkStream_.reset(); }
  void CloseStatusStream() { statusStream_.reset(); }

  // ---- Playback ----------------------------------------------------------------
  // The playback hook, or null: VelaUnderPlayBack::GetSingleton(0), which
  // loads the playback library the first time when "PlayBack_zip" is set.
  VelaUnderPlayBack* IsUnderPlayBack();

 private:
  static constexpr int kCheckIndentStep = 2;

  void CopyValuesFrom(const VelaGlobalParameters& other);
  void RefreshEffectiveCopies();
  // Prefix + name, behind ReplayPath and "\\" when ReplayPath is set.
  VelaString FullName(const VelaString& name);

  // Copy of current_.Levels taken at each (re)initialisation and Restore();
  // the level accessors read it so that a Restore() in between is seen.
  unsigned int effectiveLevels_ = 0;
  // Copy of current_.ReplayMode taken at each (re)initialisation and by
  // FlushReplayMode(); ResetReplayMode() restores it.
  int effectiveReplayMode_ = 0;
  int replayNumber_ = 0;
  VelaString replayFileName_;           // explicit; wins when not empty
  VelaString generatedReplayFileName_;  // last name GetReplayFileName() built
  VelaString mdlrFileName_;
  int scriptNumber_ = 0;
  VelaString scriptFileName_;  // explicit; wins when not empty
  long spentTime_ = 0;
  long lostTime_ = 0;
  int runCount_ = 0;
  int nestingLevel_ = 0;
  unsigned char testMode_ = 0;
  unsigned char diagNotRun_ = 0;
  CustomValues current_;
  CustomValues saved_;
  int checkIndent_ = 0;  // a multiple of kCheckIndentStep while runs nest properly
  int icIndent_ = 0;
  std::unique_ptr<VelaStream> checkStream_;
  std::unique_ptr<VelaStream> statusStream_;
  std::unique_ptr<VelaStream> traceStream_;
  std::unique_ptr<VelaStream> errorStream_;
  std::unique_ptr<VelaStream> dumpStream_;
};

// The process's configuration, created on the first call (defaults, then
// the environment, then the rounding mode) and never destroyed.
VELA_API VelaGlobalParameters& GetGlobalParameters();

#endif  // VELA_CONFIG_VELAGLOBALPARAMETERS_H
