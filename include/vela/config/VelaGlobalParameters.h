/// \file
/// \brief VelaGlobalParameters, the process-wide configuration of the solver, and the enumerations of its settings.
/// \ingroup config
#ifndef VELA_CONFIG_VELAGLOBALPARAMETERS_H
#define VELA_CONFIG_VELAGLOBALPARAMETERS_H

#include <memory>

#include "vela/foundation/VelaExport.h"
#include "vela/foundation/VelaString.h"
#include "vela/streams/VelaStream.h"

/// \addtogroup config
/// @{

class VelaUnderPlayBack;

// ---- Enumerations named after their keywords ----------------------------
/// The keywords of "VelaADMode"; each enumerator stands for the keyword after
/// the underscore.
enum VelaADMode : int { VelaADMode_HARD = 0, VelaADMode_SOFT = 1 };
/// The keywords of "VelaAssertMode"; each enumerator stands for the keyword after
/// the underscore.
enum VelaAssertMode : int {
  VelaAssertMode_NONE = 0,
  VelaAssertMode_TRACE = 1,
  VelaAssertMode_ASSERT = 2,
  VelaAssertMode_BREAK = 3,
  VelaAssertMode_LOOP = 4,
};
/// The keywords of "VelaCSScriptMode"; each enumerator stands for the keyword after
/// the underscore.
enum VelaCSScriptMode : int {
  VelaCSScriptMode_NONE = 0,
  VelaCSScriptMode_SINGLE = 1,
  VelaCSScriptMode_FULL = 2,
};
/// The keywords of "VelaDOFSpaceMethod"; each enumerator stands for the keyword after
/// the underscore.
enum VelaDOFSpaceMethod : int {
  VelaDOFSpaceMethod_SVD = 0,
  VelaDOFSpaceMethod_GAUSS = 1,
  VelaDOFSpaceMethod_REF = 2,
};
/// The keywords of "VelaDecompIMMode"; each enumerator stands for the keyword after
/// the underscore.
enum VelaDecompIMMode : int { VelaDecompIMMode_ADIMRS = 0, VelaDecompIMMode_ADIM3Specs = 1 };
/// The keywords of "VelaHRThreeRSMode"; each enumerator stands for the keyword after
/// the underscore.
enum VelaHRThreeRSMode : int { VelaHRThreeRSMode_SATISFIED = 0, VelaHRThreeRSMode_SOLVE = 1 };
/// The keywords of "VelaHRTwoRSMode"; each enumerator stands for the keyword after
/// the underscore.
enum VelaHRTwoRSMode : int {
  VelaHRTwoRSMode_SATISFIED = 0,
  VelaHRTwoRSMode_SOLVE = 1,
  VelaHRTwoRSMode_SOLVE3D = 2,
};
/// The keywords of "VelaInterferenceMode"; each enumerator stands for the keyword after
/// the underscore.
enum VelaInterferenceMode : int {
  VelaInterferenceMode_NONE = 0,
  VelaInterferenceMode_NOMOVE = 1,
  VelaInterferenceMode_STOP = 2,
  VelaInterferenceMode_PUSH = 3,
};
/// The keywords of "VelaPriorityOrientations"; each enumerator stands for the keyword after
/// the underscore.
enum VelaPriorityOrientations : int {
  VelaPriorityOrientations_NONE = 0,
  VelaPriorityOrientations_WEAK = 1,
  VelaPriorityOrientations_STRONG = 2,
};
/// The keywords of "VelaPureNewtonMethod"; each enumerator stands for the keyword after
/// the underscore.
enum VelaPureNewtonMethod : int { VelaPureNewtonMethod_SVD = 0, VelaPureNewtonMethod_REF = 1 };
/// The keywords of "VelaREFOrder"; each enumerator stands for the keyword after
/// the underscore.
enum VelaREFOrder : int { VelaREFOrder_ROWS = 0, VelaREFOrder_COLUMNS = 1 };
/// The keywords of "VelaRelaxationMode"; each enumerator stands for the keyword after
/// the underscore.
enum VelaRelaxationMode : int {
  VelaRelaxationMode_NONE = 0,
  VelaRelaxationMode_QUAD = 1,
  VelaRelaxationMode_ALL = 2,
};
/// The keywords of "VelaSMScriptMode"; each enumerator stands for the keyword after
/// the underscore.
enum VelaSMScriptMode : int {
  VelaSMScriptMode_NONE = 0,
  VelaSMScriptMode_SINGLE = 1,
  VelaSMScriptMode_FULL = 2,
};
/// The keywords of "VelaScriptMode"; each enumerator stands for the keyword after
/// the underscore.
enum VelaScriptMode : int {
  VelaScriptMode_FULL = 0,
  VelaScriptMode_SIMPLE = 1,
  VelaScriptMode_NONE = 2,
};
/// The keywords of "VelaValidateMode"; each enumerator stands for the keyword after
/// the underscore.
enum VelaValidateMode : int {
  VelaValidateMode_COMPARE = 0,
  VelaValidateMode_VALIDATE = 1,
  VelaValidateMode_REGRESS = 2,
  VelaValidateMode_SIMPLECOMPARE = 3,
  VelaValidateMode_NONE = 4,
};

// ---- Enumerations that carry a number or a bit set ----------------------
// Their environment keys accept any value below the bound shown.
/// The number read from "VelaADOMode" (below 32), as stored by
/// VelaGlobalParameters::CustomValues::ADOMode.
enum VelaADOMode : int {};         // below 32
/// The number read from "VelaDiagOptions" (below 32), as stored by
/// VelaGlobalParameters::CustomValues::DiagOptions.
enum VelaDiagOptions : int {};     // below 32
/// The number read from "VelaESLinearMethod" (below 8), as stored by
/// VelaGlobalParameters::CustomValues::ESLinearMethod.
enum VelaESLinearMethod : int {};  // below 8
/// The number read from "VelaGDMethods" (below 128), as stored by
/// VelaGlobalParameters::CustomValues::GDMethods.
enum VelaGDMethods : int {};       // below 128
/// The number read from "VelaIMMode" (below 4), as stored by
/// VelaGlobalParameters::CustomValues::IMMode.
enum VelaIMMode : int {};          // below 4
/// The number read from "VelaMUCMode" (below 256), as stored by
/// VelaGlobalParameters::CustomValues::MUCMode.
enum VelaMUCMode : int {};         // below 256
/// The number read from "VelaParallelMode" (below 8; 0 runs serially), as stored by
/// VelaGlobalParameters::CustomValues::ParallelMode.
enum VelaParallelMode : int {};    // below 8; 0 runs serially
/// The number read from "VelaRRMode" (below 0x80000), as stored by
/// VelaGlobalParameters::CustomValues::RRMode.
enum VelaRRMode : int {};          // below 0x80000

/// The process-wide configuration of the solver.
///
/// One instance per process, created by the first GetGlobalParameters() call:
/// it is filled with built-in defaults, then overridden from environment
/// variables read through VelaGetEnv (so custom entries set with VelaSetEnv
/// count as environment), and the floating-point rounding mode is set from
/// it. Every part of the solver asks it which algorithm variants are enabled,
/// how much to trace, and where replay and script files go and what they are
/// called. It also carries the run counters, nesting level and time totals
/// that the operator protocol updates on every run, and it owns the lazily
/// opened diagnostic streams (trace, error, check, status, dump).
///
/// The values that come from the environment live in the nested record
/// CustomValues; the object holds two of them, the current one and a copy
/// kept by Save() for Restore(). Everything else is run-time state that the
/// environment never sets. docs/configuration.md lists every key.
///
/// Internal mode: tracing, check files, replay plug mode and every replay
/// method other than "SI" and "SS" are developer facilities. They stay off,
/// whatever the environment or the setters say, unless "VelaUseSystemConstants"
/// carried the day's access code when the current values were initialised
/// (docs/internal-mode.md).
///
/// Choices made for this implementation:
/// - Enumerations are plain enums with an `int` underlying type, so they
///   convert to int and are stored as 32-bit integers; each enumerator is the
///   enumeration's name, an underscore and the environment keyword it stands
///   for (VelaAssertMode_ASSERT, VelaScriptMode_NONE). The prefix keeps the
///   many shared keywords (NONE, SVD, REF, FULL...) from clashing. Options
///   that are numbers or bit sets rather than keywords (VelaGDMethods,
///   VelaParallelMode...) are enumerations without named values.
/// - CustomValues keeps its enumerations as `int` fields; the getters return
///   the enumeration types.
/// - Constructors zero every number and flag (and empty every string) instead
///   of leaving them indeterminate; Initialize() gives the defaults.
/// - A copy (copy constructor) owns no stream: it opens its own on demand.
///   Copy assignment copies every value and keeps the target's own streams.
///   Only the streams an object opened are ever deleted by it.
/// - Initialize() closes (deletes) an open check stream rather than dropping
///   the pointer, so no stream is lost.
/// - Numbers in keys are read as atoi reads them, except that a number beyond
///   the int range counts as the nearest int limit instead of being
///   undefined, as it was on the solver's original runtime.
/// - ReplayPath is joined to file names with one backslash on every
///   platform, since other tools read these names; the existence test and
///   the streams take '\\' as a folder separator, so the file lands in the
///   ReplayPath folder here too.
/// - GenerateNextScriptFileName() stops when the candidate name does not
///   change with the number (in test mode it comes from the explicit replay
///   file name) instead of looping for ever on an existing file.
/// - Spent and lost time are `long`, 64 bits here: totals that wrapped after
///   about 6 hours of measured run time on a 32-bit `long` no longer wrap.
///
/// Not thread-safe: the singleton and all its members are process-wide and
/// unlocked; configuration is read and changed from one thread at a time.
class VELA_API VelaGlobalParameters {
 public:
  /// The values the environment can set. A value record: copies are
  /// member-wise (strings shared until written). "Bool" members are bytes
  /// holding 0 or 1; enumerations are stored as int.
  struct VELA_API CustomValues {
    /// Level in the high 16 bits, HF level in the low 16 bits. From
    /// "VelaLevel" (default 751) and "VelaHFLevel" (default 0).
    unsigned int Levels = 0;
    /// \var UseGS
    /// 1 when the "VelaUseGS" switch is on; default on.
    /// \var UseGD
    /// 1 when the "VelaUseGD" switch is on; default on.
    /// \var UseIMOnly
    /// 1 when the "VelaUseIMOnly" switch is on; default off.
    /// \var UseRROnly
    /// 1 when the "VelaUseRROnly" switch is on; default off.
    unsigned char UseGS = 0, UseGD = 0, UseIMOnly = 0, UseRROnly = 0;
    /// From "VelaGDMethods", a number below 128; default 30.
    int GDMethods = 0;
    /// \var UseNonHR
    /// 1 when the "VelaUseNonHR" switch is on; default on.
    /// \var UseHRFormalDOF
    /// 1 when the "VelaUseHRFormalDOF" switch is on; default on.
    /// \var UseNonHRTwoRS
    /// 1 when the "VelaUseNonHRTwoRS" switch is on; default on.
    unsigned char UseNonHR = 0, UseHRFormalDOF = 0, UseNonHRTwoRS = 0;
    /// From "VelaHRTwoRSMode": SATISFIED 0, SOLVE 1, SOLVE3D 2; default SOLVE3D.
    int HRTwoRSMode = 0;
    /// 1 when the "VelaUseNonHRThreeRS" switch is on; default off.
    unsigned char UseNonHRThreeRS = 0;
    /// From "VelaHRThreeRSMode": SATISFIED 0, SOLVE 1; default SOLVE.
    int HRThreeRSMode = 0;
    /// \var UseNonHGD
    /// 1 when the "VelaUseNonHGD" switch is on; default on.
    /// \var UseFixationPreprocess
    /// 1 when the "VelaUseFixationPreprocess" switch is on; default on.
    /// \var UseTO
    /// 1 when the "VelaUseTO" switch is on; default on.
    /// \var KeepPtPtLnDiChirality
    /// 1 when the "VelaKeepPtPtLnDiChirality" switch is on; default on.
    /// \var UseCMDOFRR
    /// 1 when the "VelaUseCMDOFRR" switch is on; default off.
    unsigned char UseNonHGD = 0, UseFixationPreprocess = 0, UseTO = 0, KeepPtPtLnDiChirality = 0,
                  UseCMDOFRR = 0;
    /// From "VelaDecompIMMode": ADIMRS 0, ADIM3Specs 1; default ADIM3Specs.
    int DecompIMMode = 0;
    /// 1 when the "VelaUseAD" switch is on; default on.
    unsigned char UseAD = 0;
    /// From "VelaADMode": HARD 0, SOFT 1; default SOFT.
    int ADMode = 0;
    /// From "VelaADOMode", a number below 32; default 20.
    int ADOMode = 0;
    /// 1 when the "VelaUseER" switch is on; default on.
    unsigned char UseER = 0;
    /// From "VelaMUCMode", a number below 256; default 206.
    int MUCMode = 0;
    /// From "VelaRRMode", a number below 524288; default 1.
    int RRMode = 0;
    /// From "VelaIMMode", a number below 4; default 0.
    int IMMode = 0;
    /// \var UseRRTransformationsForSpline
    /// 1 when the "VelaUseRRTransformationsForSpline" switch is on; default on.
    /// \var UseSplineDifferentiation
    /// 1 when the "VelaUseSplineDifferentiation" switch is on; default on.
    unsigned char UseRRTransformationsForSpline = 0, UseSplineDifferentiation = 0;
    /// From "VelaDiagOptions", a number below 32; default 15.
    int DiagOptions = 0;
    /// From "VelaDOFSpaceMethod": SVD 0, GAUSS 1, REF 2; default REF.
    int DOFSpaceMethod = 0;
    /// From "VelaESLinearMethod", a number below 8; default 2.
    int ESLinearMethod = 0;
    /// \var ESUseGradient
    /// 1 when the "VelaESUseGradient" switch is on; default on.
    /// \var ESUseLevenbergMarquardt
    /// 1 when the "VelaESUseLevenbergMarquardt" switch is on; default on.
    unsigned char ESUseGradient = 0, ESUseLevenbergMarquardt = 0;
    /// Pivot search order of the sparse solver. From "VelaREFOrder": ROWS 0, COLUMNS 1; default
    /// ROWS.
    int REFOrder = 0;
    /// From "VelaPureNewtonMethod": SVD 0, REF 1; default REF.
    int PureNewtonMethod = 0;
    /// 1 when the "VelaUseNewtonDomainCorrection" switch is on; default on.
    unsigned char UseNewtonDomainCorrection = 0;
    /// From "VelaRelaxationMode": NONE 0, QUAD 1, ALL 2; default QUAD.
    int RelaxationMode = 0;
    /// 0 runs the linear solvers on one thread. From "VelaParallelMode", a number below 8; default
    /// 0.
    int ParallelMode = 0;
    /// \var ExactElliptic
    /// 1 when the "VelaExactElliptic" switch is on; default on.
    /// \var ExactEllipticDeriv
    /// 1 when the "VelaExactEllipticDeriv" switch is on; default on.
    /// \var UseDefaultEEGradient
    /// 1 when the "VelaUseDefaultEEGradient" switch is on; default off.
    /// \var UseDSEnergyCorrection
    /// 1 when the "VelaUseDSEnergyCorrection" switch is on; default on.
    /// \var UseSketchPlanes
    /// 1 when the "VelaUseSketchPlanes" switch is on; default off.
    /// \var UseDisCurveSmoothing
    /// 1 when the "VelaUseDisCurveSmoothing" switch is on; default off.
    /// \var UseMUCPriorities
    /// 1 when the "VelaUseMUCPriorities" switch is on; default off.
    /// \var UseFullMUCVU
    /// 1 when the "VelaUseFullMUCVU" switch is on; default off.
    /// \var UseIKVU
    /// 1 when the "VelaUseIKVU" switch is on; default off.
    /// \var PrintSubtotal
    /// 1 when the "VelaPrintSubtotal" switch is on; default off.
    /// \var UseGSForGlobalRedundancy
    /// 1 when the "VelaUseGSForGlobalRedundancy" switch is on; default off.
    /// \var UseGDForGlobalRedundancy
    /// 1 when the "VelaUseGDForGlobalRedundancy" switch is on; default off.
    unsigned char ExactElliptic = 0, ExactEllipticDeriv = 0, UseDefaultEEGradient = 0,
                  UseDSEnergyCorrection = 0, UseSketchPlanes = 0, UseDisCurveSmoothing = 0,
                  UseMUCPriorities = 0, UseFullMUCVU = 0, UseIKVU = 0, PrintSubtotal = 0,
                  UseGSForGlobalRedundancy = 0, UseGDForGlobalRedundancy = 0;
    /// From "VelaPriorityOrientations": NONE 0, WEAK 1, STRONG 2; default WEAK.
    int PriorityOrientations = 0;
    /// From "VelaInterferenceMode": NONE 0, NOMOVE 1, STOP 2, PUSH 3; default NONE.
    int InterferenceMode = 0;
    /// Digits of the number in script replay names. From "VelaReplayDigits" (number); default 0.
    int ReplayDigits = 0;
    /// \var AssertDeprecatedAPI
    /// 1 when the "VelaAssertDeprecatedAPI" switch is on; default off.
    /// \var ReadableOptions
    /// 1 when the "VelaReadableOptions" switch is on; default on.
    /// \var WriteOldOptionsMode
    /// 1 when the "VelaWriteOldOptionsMode" switch is on; default off.
    /// \var UseOldST
    /// 1 when the "VelaUseOldST" switch is on; default off.
    /// \var UseCoordinatesInSM
    /// 1 when the "VelaUseCoordinatesInSM" switch is on; default on.
    /// \var UseUpdateForSMComputeState
    /// 1 when the "VelaUseUpdateForSMComputeState" switch is on; default off.
    /// \var UseGDForAutoDim
    /// 1 when the "VelaUseGDForAutoDim" switch is on; default on.
    /// \var AlignementOverwriting
    /// 1 when the "VelaAlignementOverwriting" switch is on; default off.
    unsigned char AssertDeprecatedAPI = 0, ReadableOptions = 0, WriteOldOptionsMode = 0,
                  UseOldST = 0, UseCoordinatesInSM = 0, UseUpdateForSMComputeState = 0,
                  UseGDForAutoDim = 0, AlignementOverwriting = 0;
    /// From "VelaScaleFactor" (number); default 1.
    int ScaleFactor = 0;
    /// \var PrintVersion
    /// Version line in replay headers. 1 when the "VelaPrintVersion" switch is on; default on.
    /// \var NewVelReplayChiralitiesVersion
    /// 1 when the "VelaNewVelReplayChiralitiesVersion" switch is on; default on.
    /// \var ReadAllChiralities
    /// 1 when the "VelaReadAllChiralities" switch is on; default on.
    /// \var ForceWriteInputMode
    /// 1 when the "VelaForceWriteInputMode" switch is on; default off.
    unsigned char PrintVersion = 0, NewVelReplayChiralitiesVersion = 0, ReadAllChiralities = 0,
                  ForceWriteInputMode = 0;
    /// From "VelaSMScriptMode": NONE 0, SINGLE 1, FULL 2; default NONE.
    int SMScriptMode = 0;
    /// From "VelaCSScriptMode": NONE 0, SINGLE 1, FULL 2; default NONE.
    int CSScriptMode = 0;
    /// \var ProfileAutoTrimForced
    /// 1 when the "VelaProfileAutoTrimForced" switch is on; default off.
    /// \var MUCOnWelldefinedObjects
    /// 1 when the "VelaMUCOnWelldefinedObjects" switch is on; default off.
    /// \var JavascriptDebug
    /// 1 when the "VelaJavascriptDebug" switch is on; default off.
    /// \var ForceReStream
    /// 1 when the "VelaForceReStream" switch is on; default off.
    unsigned char ProfileAutoTrimForced = 0, MUCOnWelldefinedObjects = 0, JavascriptDebug = 0,
                  ForceReStream = 0;
    /// Digits of fixed-size numbers in matrix dumps. From "VelaPrecision" (number); default 3.
    int Precision = 0;
    /// Operators may leave themselves out of replays for this mask. From "VelaReplaySolverModeMask"
    /// (number); default 0.
    int ReplaySolverModeMask = 0;
    /// Bit value 1: write the input; bit value 2: write the output. From
    /// "VelaReplayMode" (number); default 0 (no replay files).
    int ReplayMode = 0;
    /// Which operators are recorded. From "VelaReplayMethod"; default empty.
    VelaString ReplayMethod;
    /// Folder of replay, script and dump files. From "VelaReplayPath"; default empty (current
    /// folder).
    VelaString ReplayPath;
    /// Start of replay and script file names, from "VelaReplayPrefix".
    /// Empty until GetReplayPrefix() computes it (outside test mode).
    VelaString ReplayPrefix;
    /// Ends generated replay file names; default ".VelReplay" (chReplayExt).
    /// No environment key sets it.
    VelaString ReplaySuffix;
    /// From "VelaInputPath"; default empty.
    VelaString InputPath;
    /// Set only by the access check of Initialize(); while 0, InitializeEnv()
    /// ends by switching the developer facilities off.
    unsigned char InternalMode = 0;
    /// 1 when "VelaReplayPlugMode" is "TRUE"; default off.
    unsigned char ReplayPlugMode = 0;
    /// Never touched by Initialize().
    /// From "VelaOutputFile"; default empty.
    VelaString OutputFile;
    /// From "VelaScriptMode": FULL 0, SIMPLE 1, NONE 2; default NONE.
    int ScriptMode = 0;
    /// From "VelaValidateMode": COMPARE 0, VALIDATE 1, REGRESS 2, SIMPLECOMPARE 3, NONE 4; default
    /// COMPARE.
    int ValidateMode = 0;
    /// \var ValidateMUC
    /// 1 when "VelaValidateMUC" is "TRUE"; default on.
    /// \var ValidateDiagnostics
    /// 1 when "VelaValidateDiagnostics" is "TRUE"; default off.
    /// \var ReferenceMode
    /// 1 when "VelaReferenceMode" is "TRUE"; default off.
    /// \var CheckMode
    /// Check reports of operator inputs and outputs. 1 when "VelaCheckMode" is "TRUE"; default off.
    /// \var MeasureTime
    /// Time measurement of operator runs. 1 when "VelaMeasureTime" is "TRUE"; default off.
    /// \var GenerateStatus
    /// Status report of top-level runs. 1 when "VelaGenerateStatus" is "TRUE"; default off.
    unsigned char ValidateMUC = 0, ValidateDiagnostics = 0, ReferenceMode = 0, CheckMode = 0,
                  MeasureTime = 0, GenerateStatus = 0;
    /// Reaction to a failed assertion. From "VelaAssertMode": NONE 0 (ignore), TRACE 1 (print),
    /// ASSERT 2 (stop the process), BREAK 3 (debugger break), LOOP 4 (print and hold the process);
    /// default NONE, or ASSERT when KorDevelopmentStage is TRUE.
    int AssertMode = 0;
    /// The current trace level, 0 tracing nothing. From "VelaTraceLevel"
    /// (number); default 0.
    int TraceLevel = 0;
    /// The value ResetTraceLevel() restores.
    int InitialTraceLevel = 0;
    /// Floating-point rounding, set at start-up and by every operator: 0
    /// nearest, 1 up, 2 down, 3 toward zero; see InitializeFPU(). From
    /// "VelaRoundMode": NEAR 0, UP 1, DOWN 2, TRUNC 3; default NEAR.
    int RoundMode = 0;
    /// From "VelaPrecMode": SINGLE 0, DOUBLE 1, HIGH 2; default DOUBLE.
    int PrecMode = 0;
    /// From "VelaThreadNumber" (number, always read); default 0.
    int ThreadNumber = 0;

    /// Every member but OutputFile gets its built-in default. Reads
    /// "KorDevelopmentStage" (AssertMode is ASSERT when it is "TRUE", else
    /// NONE) and "VelaUseSystemConstants" (the internal-mode access check).
    void Initialize();
    /// Applies the environment keys in their fixed order; a key that is unset
    /// or empty leaves its member as it is, except "VelaReplayPlugMode" and
    /// "VelaThreadNumber", which set 0 then. Invalid values are ignored. Ends
    /// by switching tracing, check mode, replay plug mode and replay methods
    /// other than "SI"/"SS" off unless the internal mode is open.
    void InitializeEnv();
  };

  /// Empty strings, zero numbers, no streams; call Initialize() and
  /// InitializeEnv() for a usable configuration (GetGlobalParameters() does).
  VelaGlobalParameters();
  /// Copies every value; the copy owns no stream yet.
  VelaGlobalParameters(const VelaGlobalParameters& other);
  /// Copies every value; keeps this object's own streams.
  VelaGlobalParameters& operator=(const VelaGlobalParameters& other);
  /// Deletes the streams this object opened.
  ~VelaGlobalParameters();

  /// \name Lifecycle
  /** @{ */
  /// Current values to their defaults (CustomValues::Initialize, including
  /// the access check), effective copies refreshed, replay and script numbers
  /// 1, indents, counters, times, test mode and diag-not-run 0, check stream
  /// closed. Reads no key of the environment table.
  void Initialize();
  /// Applies the environment keys over the current values, then refreshes
  /// the effective levels and effective replay mode.
  void InitializeEnv();
  /// Sets the floating-point rounding mode from RoundMode (0 nearest, 1 up,
  /// 2 down, 3 toward zero); any other value leaves the mode alone.
  void InitializeFPU();
  /// Copies the current values to the saved values.
  void Save();
  /// Copies the saved values to the current values and refreshes the
  /// effective levels (not the effective replay mode).
  void Restore();
  /// The live configuration and the copy kept by Save(), read-only.
  const CustomValues& GetCurrentValues() const { return current_; }
  /// The copy kept by Save(), read-only.
  const CustomValues& GetSavedValues() const { return saved_; }
  /** @} */

  /// \name Levels
  /// Read the copy taken at the last (re)initialisation.
  /** @{ */
  /// The level: high 16 bits of the effective levels.
  unsigned short GetVelOpenConfigurationLevel() const {
    return static_cast<unsigned short>(effectiveLevels_ >> 16);
  }
  /// The level (high 16 bits) and the HF level (low 16 bits) of the
  /// effective levels.
  void GetVelOpenConfigurationLevels(unsigned short& level, unsigned short& hfLevel) const {
    level = static_cast<unsigned short>(effectiveLevels_ >> 16);
    hfLevel = static_cast<unsigned short>(effectiveLevels_ & 0xFFFFu);
  }
  /// The effective levels as one word: level in the high 16 bits, HF level
  /// in the low 16 bits.
  unsigned int GetVelFullOpenConfigurationLevel() const { return effectiveLevels_; }
  /** @} */

  /// \name Enumeration getters
  /** @{ */
  /// The ADMode setting. From "VelaADMode": HARD 0, SOFT 1; default SOFT.
  VelaADMode GetADMode() const { return VelaADMode(current_.ADMode); }
  /// The ADOMode setting. From "VelaADOMode", a number below 32; default 20.
  VelaADOMode GetADOMode() const { return VelaADOMode(current_.ADOMode); }
  /// The AssertMode setting. Reaction to a failed assertion. From "VelaAssertMode": NONE 0
  /// (ignore), TRACE 1 (print), ASSERT 2 (stop the process), BREAK 3 (debugger break), LOOP 4
  /// (print and hold the process); default NONE, or ASSERT when KorDevelopmentStage is TRUE.
  VelaAssertMode GetAssertMode() const { return VelaAssertMode(current_.AssertMode); }
  /// The CSScriptMode setting. From "VelaCSScriptMode": NONE 0, SINGLE 1, FULL 2; default NONE.
  VelaCSScriptMode GetCSScriptMode() const { return VelaCSScriptMode(current_.CSScriptMode); }
  /// The DOFSpaceMethod setting. From "VelaDOFSpaceMethod": SVD 0, GAUSS 1, REF 2; default REF.
  VelaDOFSpaceMethod GetDOFSpaceMethod() const {
    return VelaDOFSpaceMethod(current_.DOFSpaceMethod);
  }
  /// The DecompIMMode setting. From "VelaDecompIMMode": ADIMRS 0, ADIM3Specs 1; default ADIM3Specs.
  VelaDecompIMMode GetDecompIMMode() const { return VelaDecompIMMode(current_.DecompIMMode); }
  /// The DiagOptions setting. From "VelaDiagOptions", a number below 32; default 15.
  VelaDiagOptions GetDiagOptions() const { return VelaDiagOptions(current_.DiagOptions); }
  /// The ESLinearMethod setting. From "VelaESLinearMethod", a number below 8; default 2.
  VelaESLinearMethod GetESLinearMethod() const {
    return VelaESLinearMethod(current_.ESLinearMethod);
  }
  /// The GDMethods setting. From "VelaGDMethods", a number below 128; default 30.
  VelaGDMethods GetGDMethods() const { return VelaGDMethods(current_.GDMethods); }
  /// The HRThreeRSMode setting. From "VelaHRThreeRSMode": SATISFIED 0, SOLVE 1; default SOLVE.
  VelaHRThreeRSMode GetHRThreeRSMode() const { return VelaHRThreeRSMode(current_.HRThreeRSMode); }
  /// The HRTwoRSMode setting. From "VelaHRTwoRSMode": SATISFIED 0, SOLVE 1, SOLVE3D 2; default
  /// SOLVE3D.
  VelaHRTwoRSMode GetHRTwoRSMode() const { return VelaHRTwoRSMode(current_.HRTwoRSMode); }
  /// The IMMode setting. From "VelaIMMode", a number below 4; default 0.
  VelaIMMode GetIMMode() const { return VelaIMMode(current_.IMMode); }
  /// The InterferenceMode setting. From "VelaInterferenceMode": NONE 0, NOMOVE 1, STOP 2, PUSH 3;
  /// default NONE.
  VelaInterferenceMode GetInterferenceMode() const {
    return VelaInterferenceMode(current_.InterferenceMode);
  }
  /// The MUCMode setting. From "VelaMUCMode", a number below 256; default 206.
  VelaMUCMode GetMUCMode() const { return VelaMUCMode(current_.MUCMode); }
  /// The ParallelMode setting. 0 runs the linear solvers on one thread. From "VelaParallelMode", a
  /// number below 8; default 0.
  VelaParallelMode GetParallelMode() const { return VelaParallelMode(current_.ParallelMode); }
  /// The PriorityOrientations setting. From "VelaPriorityOrientations": NONE 0, WEAK 1, STRONG 2;
  /// default WEAK.
  VelaPriorityOrientations GetPriorityOrientations() const {
    return VelaPriorityOrientations(current_.PriorityOrientations);
  }
  /// The PureNewtonMethod setting. From "VelaPureNewtonMethod": SVD 0, REF 1; default REF.
  VelaPureNewtonMethod GetPureNewtonMethod() const {
    return VelaPureNewtonMethod(current_.PureNewtonMethod);
  }
  /// The REFOrder setting. Pivot search order of the sparse solver. From "VelaREFOrder": ROWS 0,
  /// COLUMNS 1; default ROWS.
  VelaREFOrder GetREFOrder() const { return VelaREFOrder(current_.REFOrder); }
  /// The RRMode setting. From "VelaRRMode", a number below 524288; default 1.
  VelaRRMode GetRRMode() const { return VelaRRMode(current_.RRMode); }
  /// The RelaxationMode setting. From "VelaRelaxationMode": NONE 0, QUAD 1, ALL 2; default QUAD.
  VelaRelaxationMode GetRelaxationMode() const {
    return VelaRelaxationMode(current_.RelaxationMode);
  }
  /// The SMScriptMode setting. From "VelaSMScriptMode": NONE 0, SINGLE 1, FULL 2; default NONE.
  VelaSMScriptMode GetSMScriptMode() const { return VelaSMScriptMode(current_.SMScriptMode); }
  /// The ScriptMode setting. From "VelaScriptMode": FULL 0, SIMPLE 1, NONE 2; default NONE.
  VelaScriptMode GetScriptMode() const { return VelaScriptMode(current_.ScriptMode); }
  /// The ValidateMode setting. From "VelaValidateMode": COMPARE 0, VALIDATE 1, REGRESS 2,
  /// SIMPLECOMPARE 3, NONE 4; default COMPARE.
  VelaValidateMode GetValidateMode() const { return VelaValidateMode(current_.ValidateMode); }
  /** @} */

  /// \name Integer getters
  /** @{ */
  /// The Precision setting. Digits of fixed-size numbers in matrix dumps. From "VelaPrecision"
  /// (number); default 3.
  int GetPrecision() const { return current_.Precision; }
  /// The ReplayDigits setting. Digits of the number in script replay names. From "VelaReplayDigits"
  /// (number); default 0.
  int GetReplayDigits() const { return current_.ReplayDigits; }
  /// The ReplayMode setting. 1 records operator inputs, 2 their outputs, 3 both. From
  /// "VelaReplayMode" (number); default 0 (no replay files).
  int GetReplayMode() const { return current_.ReplayMode; }
  /// The ReplaySolverModeMask setting. Operators may leave themselves out of replays for this mask.
  /// From "VelaReplaySolverModeMask" (number); default 0.
  int GetReplaySolverModeMask() const { return current_.ReplaySolverModeMask; }
  /// The ScaleFactor setting. From "VelaScaleFactor" (number); default 1.
  int GetScaleFactor() const { return current_.ScaleFactor; }
  /// The ThreadNumber setting. From "VelaThreadNumber" (number, always read); default 0.
  int GetThreadNumber() const { return current_.ThreadNumber; }
  /// The current trace level (0: no tracing).
  int GetTraceLevel() const { return current_.TraceLevel; }
  /** @} */

  /// \name Flag getters
  /// Each returns 0 or 1.
  /** @{ */
  /// The CheckMode setting. Check reports of operator inputs and outputs. 1 when "VelaCheckMode" is
  /// "TRUE"; default off.
  unsigned char GetCheckMode() const { return current_.CheckMode; }
  /// The GenerateStatus setting. Status report of top-level runs. 1 when "VelaGenerateStatus" is
  /// "TRUE"; default off.
  unsigned char GetGenerateStatus() const { return current_.GenerateStatus; }
  /// The ReferenceMode setting. 1 when "VelaReferenceMode" is "TRUE"; default off.
  unsigned char GetReferenceMode() const { return current_.ReferenceMode; }
  /// The AlignementOverwriting setting. 1 when the "VelaAlignementOverwriting" switch is on;
  /// default off.
  unsigned char IsAlignementOverwriting() const { return current_.AlignementOverwriting; }
  /// The AssertDeprecatedAPI setting. 1 when the "VelaAssertDeprecatedAPI" switch is on; default
  /// off.
  unsigned char IsAssertDeprecatedAPI() const { return current_.AssertDeprecatedAPI; }
  /// The ESUseGradient setting. 1 when the "VelaESUseGradient" switch is on; default on.
  unsigned char IsESUseGradient() const { return current_.ESUseGradient; }
  /// The ESUseLevenbergMarquardt setting. 1 when the "VelaESUseLevenbergMarquardt" switch is on;
  /// default on.
  unsigned char IsESUseLevenbergMarquardt() const { return current_.ESUseLevenbergMarquardt; }
  /// The ExactElliptic setting. 1 when the "VelaExactElliptic" switch is on; default on.
  unsigned char IsExactElliptic() const { return current_.ExactElliptic; }
  /// The ExactEllipticDeriv setting. 1 when the "VelaExactEllipticDeriv" switch is on; default on.
  unsigned char IsExactEllipticDeriv() const { return current_.ExactEllipticDeriv; }
  /// The ForceReStream setting. 1 when the "VelaForceReStream" switch is on; default off.
  unsigned char IsForceReStream() const { return current_.ForceReStream; }
  /// The ForceWriteInputMode setting. 1 when the "VelaForceWriteInputMode" switch is on; default
  /// off.
  unsigned char IsForceWriteInputMode() const { return current_.ForceWriteInputMode; }
  /// The JavascriptDebug setting. 1 when the "VelaJavascriptDebug" switch is on; default off.
  unsigned char IsJavascriptDebug() const { return current_.JavascriptDebug; }
  /// The KeepPtPtLnDiChirality setting. 1 when the "VelaKeepPtPtLnDiChirality" switch is on;
  /// default on.
  unsigned char IsKeepPtPtLnDiChirality() const { return current_.KeepPtPtLnDiChirality; }
  /// The MUCOnWelldefinedObjects setting. 1 when the "VelaMUCOnWelldefinedObjects" switch is on;
  /// default off.
  unsigned char IsMUCOnWelldefinedObjects() const { return current_.MUCOnWelldefinedObjects; }
  /// The MeasureTime setting. Time measurement of operator runs. 1 when "VelaMeasureTime" is
  /// "TRUE"; default off.
  unsigned char IsMeasureTime() const { return current_.MeasureTime; }
  /// The NewVelReplayChiralitiesVersion setting. 1 when the "VelaNewVelReplayChiralitiesVersion"
  /// switch is on; default on.
  unsigned char IsNewVelReplayChiralitiesVersion() const {
    return current_.NewVelReplayChiralitiesVersion;
  }
  /// The PrintSubtotal setting. 1 when the "VelaPrintSubtotal" switch is on; default off.
  unsigned char IsPrintSubtotal() const { return current_.PrintSubtotal; }
  /// The PrintVersion setting. Version line in replay headers. 1 when the "VelaPrintVersion" switch
  /// is on; default on.
  unsigned char IsPrintVersion() const { return current_.PrintVersion; }
  /// The ProfileAutoTrimForced setting. 1 when the "VelaProfileAutoTrimForced" switch is on;
  /// default off.
  unsigned char IsProfileAutoTrimForced() const { return current_.ProfileAutoTrimForced; }
  /// The ReadAllChiralities setting. 1 when the "VelaReadAllChiralities" switch is on; default on.
  unsigned char IsReadAllChiralities() const { return current_.ReadAllChiralities; }
  /// The ReadableOptions setting. 1 when the "VelaReadableOptions" switch is on; default on.
  unsigned char IsReadableOptions() const { return current_.ReadableOptions; }
  /// The ReplayPlugMode setting. 1 when "VelaReplayPlugMode" is "TRUE"; default off.
  unsigned char IsReplayPlugMode() const { return current_.ReplayPlugMode; }
  /// The UseAD setting. 1 when the "VelaUseAD" switch is on; default on.
  unsigned char IsUseAD() const { return current_.UseAD; }
  /// The UseCMDOFRR setting. 1 when the "VelaUseCMDOFRR" switch is on; default off.
  unsigned char IsUseCMDOFRR() const { return current_.UseCMDOFRR; }
  /// The UseCoordinatesInSM setting. 1 when the "VelaUseCoordinatesInSM" switch is on; default on.
  unsigned char IsUseCoordinatesInSM() const { return current_.UseCoordinatesInSM; }
  /// The UseDSEnergyCorrection setting. 1 when the "VelaUseDSEnergyCorrection" switch is on;
  /// default on.
  unsigned char IsUseDSEnergyCorrection() const { return current_.UseDSEnergyCorrection; }
  /// The UseDefaultEEGradient setting. 1 when the "VelaUseDefaultEEGradient" switch is on; default
  /// off.
  unsigned char IsUseDefaultEEGradient() const { return current_.UseDefaultEEGradient; }
  /// The UseDisCurveSmoothing setting. 1 when the "VelaUseDisCurveSmoothing" switch is on; default
  /// off.
  unsigned char IsUseDisCurveSmoothing() const { return current_.UseDisCurveSmoothing; }
  /// The UseER setting. 1 when the "VelaUseER" switch is on; default on.
  unsigned char IsUseER() const { return current_.UseER; }
  /// The UseFixationPreprocess setting. 1 when the "VelaUseFixationPreprocess" switch is on;
  /// default on.
  unsigned char IsUseFixationPreprocess() const { return current_.UseFixationPreprocess; }
  /// The UseFullMUCVU setting. 1 when the "VelaUseFullMUCVU" switch is on; default off.
  unsigned char IsUseFullMUCVU() const { return current_.UseFullMUCVU; }
  /// The UseGD setting. 1 when the "VelaUseGD" switch is on; default on.
  unsigned char IsUseGD() const { return current_.UseGD; }
  /// The UseGDForAutoDim setting. 1 when the "VelaUseGDForAutoDim" switch is on; default on.
  unsigned char IsUseGDForAutoDim() const { return current_.UseGDForAutoDim; }
  /// The UseGDForGlobalRedundancy setting. 1 when the "VelaUseGDForGlobalRedundancy" switch is on;
  /// default off.
  unsigned char IsUseGDForGlobalRedundancy() const { return current_.UseGDForGlobalRedundancy; }
  /// The UseGS setting. 1 when the "VelaUseGS" switch is on; default on.
  unsigned char IsUseGS() const { return current_.UseGS; }
  /// The UseGSForGlobalRedundancy setting. 1 when the "VelaUseGSForGlobalRedundancy" switch is on;
  /// default off.
  unsigned char IsUseGSForGlobalRedundancy() const { return current_.UseGSForGlobalRedundancy; }
  /// The UseHRFormalDOF setting. 1 when the "VelaUseHRFormalDOF" switch is on; default on.
  unsigned char IsUseHRFormalDOF() const { return current_.UseHRFormalDOF; }
  /// The UseIKVU setting. 1 when the "VelaUseIKVU" switch is on; default off.
  unsigned char IsUseIKVU() const { return current_.UseIKVU; }
  /// The UseIMOnly setting. 1 when the "VelaUseIMOnly" switch is on; default off.
  unsigned char IsUseIMOnly() const { return current_.UseIMOnly; }
  /// The UseMUCPriorities setting. 1 when the "VelaUseMUCPriorities" switch is on; default off.
  unsigned char IsUseMUCPriorities() const { return current_.UseMUCPriorities; }
  /// The UseNewtonDomainCorrection setting. 1 when the "VelaUseNewtonDomainCorrection" switch is
  /// on; default on.
  unsigned char IsUseNewtonDomainCorrection() const { return current_.UseNewtonDomainCorrection; }
  /// The UseNonHGD setting. 1 when the "VelaUseNonHGD" switch is on; default on.
  unsigned char IsUseNonHGD() const { return current_.UseNonHGD; }
  /// The UseNonHR setting. 1 when the "VelaUseNonHR" switch is on; default on.
  unsigned char IsUseNonHR() const { return current_.UseNonHR; }
  /// The UseNonHRThreeRS setting. 1 when the "VelaUseNonHRThreeRS" switch is on; default off.
  unsigned char IsUseNonHRThreeRS() const { return current_.UseNonHRThreeRS; }
  /// The UseNonHRTwoRS setting. 1 when the "VelaUseNonHRTwoRS" switch is on; default on.
  unsigned char IsUseNonHRTwoRS() const { return current_.UseNonHRTwoRS; }
  /// The UseOldST setting. 1 when the "VelaUseOldST" switch is on; default off.
  unsigned char IsUseOldST() const { return current_.UseOldST; }
  /// The UseRROnly setting. 1 when the "VelaUseRROnly" switch is on; default off.
  unsigned char IsUseRROnly() const { return current_.UseRROnly; }
  /// The UseRRTransformationsForSpline setting. 1 when the "VelaUseRRTransformationsForSpline"
  /// switch is on; default on.
  unsigned char IsUseRRTransformationsForSpline() const {
    return current_.UseRRTransformationsForSpline;
  }
  /// The UseSketchPlanes setting. 1 when the "VelaUseSketchPlanes" switch is on; default off.
  unsigned char IsUseSketchPlanes() const { return current_.UseSketchPlanes; }
  /// The UseSplineDifferentiation setting. 1 when the "VelaUseSplineDifferentiation" switch is on;
  /// default on.
  unsigned char IsUseSplineDifferentiation() const { return current_.UseSplineDifferentiation; }
  /// The UseTO setting. 1 when the "VelaUseTO" switch is on; default on.
  unsigned char IsUseTO() const { return current_.UseTO; }
  /// The UseUpdateForSMComputeState setting. 1 when the "VelaUseUpdateForSMComputeState" switch is
  /// on; default off.
  unsigned char IsUseUpdateForSMComputeState() const {
    return current_.UseUpdateForSMComputeState;
  }
  /// The ValidateDiagnostics setting. 1 when "VelaValidateDiagnostics" is "TRUE"; default off.
  unsigned char IsValidateDiagnostics() const { return current_.ValidateDiagnostics; }
  /// The ValidateMUC setting. 1 when "VelaValidateMUC" is "TRUE"; default on.
  unsigned char IsValidateMUC() const { return current_.ValidateMUC; }
  /// The WriteOldOptionsMode setting. 1 when the "VelaWriteOldOptionsMode" switch is on; default
  /// off.
  unsigned char IsWriteOldOptionsMode() const { return current_.WriteOldOptionsMode; }
  /** @} */

  /// \name String getters
  /** @{ */
  /// The InputPath setting. From "VelaInputPath"; default empty.
  const VelaString& GetInputPath() const { return current_.InputPath; }
  /// The ReplayMethod setting. Which operators are recorded. From "VelaReplayMethod"; default
  /// empty.
  const VelaString& GetReplayMethod() const { return current_.ReplayMethod; }
  /// The ReplayPath setting. Folder of replay, script and dump files. From "VelaReplayPath";
  /// default empty (current folder).
  const VelaString& GetReplayPath() const { return current_.ReplayPath; }
  /// The ReplaySuffix setting: the end of generated replay file names.
  const VelaString& GetReplaySuffix() const { return current_.ReplaySuffix; }
  /** @} */

  /// \name Setters
  /// Store the argument in the current values.
  /** @{ */
  /// Sets the AssertMode setting.
  void SetAssertMode(VelaAssertMode mode) { current_.AssertMode = mode; }
  /// Sets the CSScriptMode setting.
  void SetCSScriptMode(VelaCSScriptMode mode) { current_.CSScriptMode = mode; }
  /// Sets the SMScriptMode setting.
  void SetSMScriptMode(VelaSMScriptMode mode) { current_.SMScriptMode = mode; }
  /// Sets the ScriptMode setting.
  void SetScriptMode(VelaScriptMode mode) { current_.ScriptMode = mode; }
  /// Sets the ValidateMode setting.
  void SetValidateMode(VelaValidateMode mode) { current_.ValidateMode = mode; }
  /// Sets the Precision setting.
  void SetPrecision(int value) { current_.Precision = value; }
  /// Sets the ReplayMode setting.
  void SetReplayMode(int value) { current_.ReplayMode = value; }
  /// Sets the ReplaySolverModeMask setting.
  void SetReplaySolverModeMask(int value) { current_.ReplaySolverModeMask = value; }
  /// Sets the ScaleFactor setting.
  void SetScaleFactor(int value) { current_.ScaleFactor = value; }
  /// Sets the ThreadNumber setting.
  void SetThreadNumber(int value) { current_.ThreadNumber = value; }
  /// Sets the ForceReStream setting.
  void SetForceReStream(unsigned char on) { current_.ForceReStream = on; }
  /// Sets the ForceWriteInputMode setting.
  void SetForceWriteInputMode(unsigned char on) { current_.ForceWriteInputMode = on; }
  /// Sets the JavascriptDebug setting.
  void SetJavascriptDebug(unsigned char on) { current_.JavascriptDebug = on; }
  /// Sets the MUCOnWelldefinedObjects setting.
  void SetMUCOnWelldefinedObjects(unsigned char on) { current_.MUCOnWelldefinedObjects = on; }
  /// Sets the MeasureTime setting.
  void SetMeasureTime(unsigned char on) { current_.MeasureTime = on; }
  /// Sets the NewVelReplayChiralitiesVersion setting.
  void SetNewVelReplayChiralitiesVersion(unsigned char on) {
    current_.NewVelReplayChiralitiesVersion = on;
  }
  /// Sets the PrintVersion setting.
  void SetPrintVersion(unsigned char on) { current_.PrintVersion = on; }
  /// Sets the ProfileAutoTrimForced setting.
  void SetProfileAutoTrimForced(unsigned char on) { current_.ProfileAutoTrimForced = on; }
  /// Sets the ReadAllChiralities setting.
  void SetReadAllChiralities(unsigned char on) { current_.ReadAllChiralities = on; }
  /// Sets the ReferenceMode setting.
  void SetReferenceMode(unsigned char on) { current_.ReferenceMode = on; }
  /// Sets the ValidateDiagnostics setting.
  void SetValidateDiagnostics(unsigned char on) { current_.ValidateDiagnostics = on; }
  /// Sets the ValidateMUC setting.
  void SetValidateMUC(unsigned char on) { current_.ValidateMUC = on; }
  /// Sets the InputPath setting.
  void SetInputPath(const VelaString& path) { current_.InputPath = path; }
  /// Sets the ReplayPath setting.
  void SetReplayPath(const VelaString& path) { current_.ReplayPath = path; }
  /// Sets the ReplayPrefix setting.
  void SetReplayPrefix(const VelaString& prefix) { current_.ReplayPrefix = prefix; }
  /// Sets the ReplaySuffix setting.
  void SetReplaySuffix(const VelaString& suffix) { current_.ReplaySuffix = suffix; }
  /** @} */

  /// \name Setters of the developer facilities
  /// No effect unless the internal mode is open.
  /** @{ */
  /// Sets the CheckMode setting.
  void SetCheckMode(unsigned char on);
  /// Sets the GenerateStatus setting.
  void SetGenerateStatus(unsigned char on);
  /// Sets the ReplayMethod setting.
  void SetReplayMethod(const VelaString& method);
  /// Sets the ReplayPlugMode setting.
  void SetReplayPlugMode(unsigned char on);
  /// Sets the current trace level only (not the one ResetTraceLevel restores).
  void SetTraceLevel(int level);
  /// Current trace level = the level read from the environment.
  void ResetTraceLevel() { current_.TraceLevel = current_.InitialTraceLevel; }
  /** @} */

  /// \name Run-time state
  /** @{ */
  /// Accumulated operator run time and bookkeeping overhead, in VelaClock ticks.
  long GetSpentTime() const { return spentTime_; }
  /// Sets the accumulated operator run time, in VelaClock ticks.
  void SetSpentTime(long ticks) { spentTime_ = ticks; }
  /// The accumulated bookkeeping overhead, in VelaClock ticks.
  long GetLostTime() const { return lostTime_; }
  /// Sets the accumulated bookkeeping overhead, in VelaClock ticks.
  void SetLostTime(long ticks) { lostTime_ = ticks; }
  /// Number of top-level operator runs. SetRunCount(0) also clears the spent
  /// and lost time; other counts keep them.
  int GetRunCount() const { return runCount_; }
  /// Counts one more top-level run; returns the new count.
  int IncRunCount() { return ++runCount_; }
  /// Sets the number of top-level runs; 0 also clears the spent and lost
  /// time.
  void SetRunCount(int count);
  /// Depth of the operator runs in progress; 0 when none runs.
  int GetNestingLevel() const { return nestingLevel_; }
  /// Sets the depth of the operator runs in progress.
  void SetNestingLevel(int level) { nestingLevel_ = level; }
  /// Test mode freezes the replay prefix and names scripts after the explicit
  /// replay file name.
  unsigned char GetTestMode() const { return testMode_; }
  /// Turns test mode on (1) or off (0).
  void SetTestMode(unsigned char on) { testMode_ = on; }
  /// The diag-not-run flag, a run-time flag that the environment never sets.
  unsigned char IsDiagNotRun() const { return diagNotRun_; }
  /// Sets the diag-not-run flag.
  void SetDiagNotRun(unsigned char on) { diagNotRun_ = on; }
  /// Indentation of the check report: steps of 2; each returns the new value.
  int GetCheckIndent() const { return checkIndent_; }
  /// One step deeper; returns the new indentation.
  int IncCheckIndent() { return checkIndent_ += kCheckIndentStep; }
  /// One step back; returns the new indentation.
  int DecCheckIndent() { return checkIndent_ -= kCheckIndentStep; }
  /// A second indentation: steps of 3 up to 12, then of 2 (0, 3, 6, 9, 12,
  /// 14, 16...), and back down the same way. Each returns the new value.
  int GetICIndent() const { return icIndent_; }
  /// One step deeper (3 up to 12, then 2); returns the new value.
  int IncICIndent();
  /// One step back, the way IncICIndent came; returns the new value.
  int DecICIndent();
  /// Effective replay mode = current ReplayMode, then ReplayMode = 0, until
  /// ResetReplayMode() brings it back.
  void FlushReplayMode();
  /// Current ReplayMode = effective replay mode: undoes FlushReplayMode().
  void ResetReplayMode() { current_.ReplayMode = effectiveReplayMode_; }
  /** @} */

  /// \name File names
  /** @{ */
  /// The MDLR file name, as last set; empty until then.
  const VelaString& GetMDLRFileName() const { return mdlrFileName_; }
  /// Sets the MDLR file name; the configuration only keeps it.
  void SetMDLRFileName(const VelaString& name) { mdlrFileName_ = name; }
  /// An explicit replay file name replaces the generated one while not empty.
  void SetReplayFileName(const VelaString& name) { replayFileName_ = name; }
  /// An explicit script file name replaces the generated one while not empty.
  void SetScriptFileName(const VelaString& name) { scriptFileName_ = name; }
  /// Outside test mode an empty ReplayPrefix is computed once from
  /// "QTS_LOG_NAME": its value and "_" ("run7_"), or "Vela" when that is
  /// unset or empty. In test mode the stored prefix is returned as it is.
  const VelaString& GetReplayPrefix();
  /// The explicit replay file name, or the replay number written with at
  /// least 3 digits followed by ReplaySuffix ("001.VelReplay").
  const VelaString& GetReplayFileName();
  /// Prefix + replay file name, behind ReplayPath and one backslash when
  /// ReplayPath is set: `Vela001.VelReplay`, `C:\r\Vela001.VelReplay`.
  VelaString GetReplayFullName();
  /// The explicit script file name; else, in test mode, the explicit replay
  /// file name + ".VelScript"; else the script number + ".VelScript".
  VelaString GetScriptFileName() const;
  /// The script file name behind the prefix and ReplayPath, as for replays.
  VelaString GetScriptFullName();
  /// Explicit replay file name = name + "_" + number (zero-padded to
  /// ReplayDigits digits) + ReplaySuffix.
  void SetReplayFileNameForScript(const VelaString& name, int number);
  /// With no explicit replay file name and ScriptMode NONE: advances the
  /// replay number while a file GetReplayFullName() + extension exists.
  /// Otherwise does nothing. One existence test per number tried.
  void GenerateNextReplayName(const VelaString& extension);
  /// With no explicit script file name: advances the script number while a
  /// file GetScriptFullName() exists. Otherwise does nothing.
  void GenerateNextScriptFileName();
  /** @} */

  /// \name Diagnostic streams
  /// Owned by the configuration; null only where stated.
  /** @{ */
  /// Over standard output, created on the first call.
  VelaStream* GetTraceStream();
  /// Over standard error, created on the first call.
  VelaStream* GetErrorStream();
  /// On the file GetReplayFullName() + ".dump", created (truncated) on the
  /// first call.
  VelaStream* GetDumpStream();
  /// The open check stream, or null.
  VelaStream* GetCheckStream() const { return checkStream_.get(); }
  /// The open status stream, or null.
  VelaStream* GetStatusStream() const { return statusStream_.get(); }
  /// Closes the open check stream, then opens (truncates) the file.
  void OpenCheckStream(const VelaString& fileName);
  /// Closes the open status stream, then opens (truncates) the file.
  void OpenStatusStream(const VelaString& fileName);
  /// Closes the check stream; GetCheckStream returns null afterwards.
  void CloseCheckStream() { checkStream_.reset(); }
  /// Closes the status stream; GetStatusStream returns null afterwards.
  void CloseStatusStream() { statusStream_.reset(); }
  /** @} */

  /// \name Playback
  /** @{ */
  /// The playback hook, or null: VelaUnderPlayBack::GetSingleton(0), which
  /// loads the playback library the first time when "PlayBack_zip" is set.
  VelaUnderPlayBack* IsUnderPlayBack();
  /** @} */

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

/// The process's configuration, created on the first call (defaults, then
/// the environment, then the rounding mode) and never destroyed.
VELA_API VelaGlobalParameters& GetGlobalParameters();

/// @}

#endif  // VELA_CONFIG_VELAGLOBALPARAMETERS_H
