/// \file
/// \brief The library's exported constants and its version.
/// \ingroup foundation
///
/// Numeric tolerances, accuracies and sentinel values used throughout the
/// solver, the limits of the integer types as the solver's original platform
/// defined them, and the text constants of the replay and script formats.
///
/// `long` is 64 bits wide on this platform. VelalongMax, VelalongMin and
/// VelaulongMax keep the 32-bit values the solver was written against
/// (2147483647, -2147483648, 4294967295), so that code ported from the
/// 32-bit platform sees the limits it was written for; they are not the
/// limits of this platform's `long`.
#ifndef VELA_FOUNDATION_VELACONSTANTS_H
#define VELA_FOUNDATION_VELACONSTANTS_H

#include "vela/foundation/VelaExport.h"

/// \addtogroup foundation
/// @{

// ---- Tolerances and accuracies ------------------------------------------
/// 1e-15: the library's epsilon, its smallest tolerance.
VELA_API extern const double VelaEpsilon;                          // 1e-15
/// 1e-08: the RR normalising factor.
VELA_API extern const double VelaRRNormalizingFactor;              // 1e-08
/// 1e12: the value that stands for infinity in a domain.
VELA_API extern const double VelaDomainInfinity;                   // 1e12
/// 1e-12: accuracy the solver aims at; below it an angle or a length counts as
/// zero.
VELA_API extern const double VelaGoalAccuracy;                     // 1e-12
/// 1e-24: the square of VelaGoalAccuracy, for comparisons of squared norms.
VELA_API extern const double VelaSquareGoalAccuracy;               // 1e-24
/// sqrt(1e-12): the square root of VelaGoalAccuracy, computed when the library
/// is loaded.
VELA_API extern const double VelaSqrtGoalAccuracy;                 // sqrt(1e-12), set at load
/// 1e-08: the minimum accuracy.
VELA_API extern const double VelaMinAccuracy;                      // 1e-08
/// 1e-06: the over-defined ratio.
VELA_API extern const double VelaOverDefinedRatio;                 // 1e-06
/// 1e-09: the default tolerance.
VELA_API extern const double VelaDefaultTolerance;                 // 1e-09
/// 0.001: the default linear tolerance of references.
VELA_API extern const double VelaDefaultReferenceLinearTolerance;  // 0.001
/// 1e-06: default tolerance on lengths and positions.
VELA_API extern const double VelaDefaultLinearTolerance;           // 1e-06
/// 1e-09: default tolerance on angles.
VELA_API extern const double VelaDefaultAngularTolerance;          // 1e-09
/// 1.0: the default goal discrepancy.
VELA_API extern const double VelaDefaultGoalDiscrepancy;           // 1.0
/// 1 + 5e-11: factor by which a later pivot candidate of the Gauss-Jordan solve
/// must exceed the current one; near-ties keep the earlier position.
VELA_API extern const double VelaGausPivThreshold;                 // 1 + 5e-11
/// 1e-10: the accuracy of the RR Gaussian elimination.
VELA_API extern const double VelaRRGaussAccuracy;                  // 1e-10

// ---- Sentinel values ---------------------------------------------------
/// -1.0: the value that marks what is not soft.
VELA_API extern const double VelaNotSoft;                             // -1.0
/// -1.0: the value that marks a bad stiffness.
VELA_API extern const double VelaBadStiffness;                        // -1.0
/// 1000.0: the value that marks what is mandatory.
VELA_API extern const double VelaMandatory;                           // 1000.0
/// 9999.0: the discrepancy that reports a missed validation.
VELA_API extern const double VelaDiscrepancy_MissedValidation;        // 9999.0
/// 8888.0: the discrepancy that reports a changed chirality.
VELA_API extern const double VelaDiscrepancy_ChiralityChanged;        // 8888.0
/// 7777.0: the discrepancy that reports unsupported constraints.
VELA_API extern const double VelaDiscrepancy_UnsupportedConstraints;  // 7777.0
/// 6666.0: the discrepancy that reports that nothing moved.
VELA_API extern const double VelaDiscrepancy_NotMoved;                // 6666.0

/// Accuracy of validations; the one writable constant (0.0001 initially).
VELA_API extern double VelaValidativeAccuracy;

// ---- Type limits -------------------------------------------------------
/// The largest finite double.
VELA_API extern const double VeladoubleMax;  // largest finite double
/// The largest char, 127.
VELA_API extern const char VelacharMax;      // 127
/// The smallest char, -128.
VELA_API extern const char VelacharMin;      // -128
/// The largest unsigned char, 255.
VELA_API extern const unsigned char VelaucharMax;
/// The largest short, 32767.
VELA_API extern const short VelashortMax;
/// The smallest short, -32768.
VELA_API extern const short VelashortMin;
/// The largest unsigned short, 65535.
VELA_API extern const unsigned short VelaushortMax;
/// The largest int, 2147483647.
VELA_API extern const int VelaintMax;
/// The smallest int, -2147483648.
VELA_API extern const int VelaintMin;
/// The largest unsigned int, 4294967295.
VELA_API extern const unsigned int VelauintMax;
/// The largest 32-bit long, 2147483647 (not this platform's limit: see
/// VelaConstants.h).
VELA_API extern const long VelalongMax;            // 2147483647 (32-bit limit)
/// The smallest 32-bit long, -2147483648 (not this platform's limit: see
/// VelaConstants.h).
VELA_API extern const long VelalongMin;            // -2147483648 (32-bit limit)
/// The largest 32-bit unsigned long, 4294967295 (not this platform's limit:
/// see VelaConstants.h).
VELA_API extern const unsigned long VelaulongMax;  // 4294967295 (32-bit limit)
/// The largest 32-bit integer, 2147483647.
VELA_API extern const int Velaint32Max;
/// The smallest 32-bit integer, -2147483648.
VELA_API extern const int Velaint32Min;
/// The largest unsigned 32-bit integer, 4294967295.
VELA_API extern const unsigned int Velauint32Max;
/// The largest 64-bit integer, 9223372036854775807.
VELA_API extern const long long Velaint64Max;
/// The smallest 64-bit integer, -9223372036854775808.
VELA_API extern const long long Velaint64Min;
/// The largest unsigned 64-bit integer, 18446744073709551615.
VELA_API extern const unsigned long long Velauint64Max;

// ---- Text constants ----------------------------------------------------
/// Extension of replay files, ".VelReplay".
VELA_API extern const char* const chReplayExt;           // ".VelReplay"
/// Extension of script files, ".VelScript".
VELA_API extern const char* const chScriptExt;           // ".VelScript"
/// The separator between a replay file's input and output,
/// "=======Output=======" (written after chLineComment).
VELA_API extern const char* const chOutputSeparator;     // "=======Output======="
/// The separator of the reference part of replay and script files,
/// "=====Reference======".
VELA_API extern const char* const chReferenceSeparator;  // "=====Reference======"
/// Starts the comment lines of replay and script files, "#".
VELA_API extern const char* const chLineComment;         // "#"
/// Name prefix of rigid sets, "rs".
VELA_API extern const char* const chRigidSetPrefix;      // "rs"
/// Name prefix of sketches, "sk".
VELA_API extern const char* const chSketchPrefix;        // "sk"
/// Name prefix of axes, "ax".
VELA_API extern const char* const chAxisPrefix;          // "ax"
/// The opening brace text, "[".
VELA_API extern const char* const chOpeningBrace;        // "["
/// The closing brace text, "]".
VELA_API extern const char* const chClosingBrace;        // "]"

// ---- Version -----------------------------------------------------------
/// The library's version text, "Vel_17W08".
VELA_API const char* GetVelVersion();

/// @}

#endif  // VELA_FOUNDATION_VELACONSTANTS_H
