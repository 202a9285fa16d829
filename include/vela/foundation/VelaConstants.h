// The library's exported constants and its version.
//
// Numeric tolerances, accuracies and sentinel values used throughout the
// solver, the limits of the integer types as the solver's original platform
// defined them, and the text constants of the replay and script formats.
//
// `long` is 64 bits wide on this platform. VelalongMax, VelalongMin and
// VelaulongMax keep the 32-bit values the solver was written against
// (2147483647, -2147483648, 4294967295), so that code ported from the
// 32-bit platform sees the limits it was written for; they are not the
// limits of this platform's `long`.
#ifndef VELA_FOUNDATION_VELACONSTANTS_H
#define VELA_FOUNDATION_VELACONSTANTS_H

#include "vela/foundation/VelaExport.h"

// ---- Tolerances and accuracies ------------------------------------------
VELA_API extern const double VelaEpsilon;                          // 1e-15
VELA_API extern const double VelaRRNormalizingFactor;              // 1e-08
VELA_API extern const double VelaDomainInfinity;                   // 1e12
VELA_API extern const double VelaGoalAccuracy;                     // 1e-12
VELA_API extern const double VelaSquareGoalAccuracy;               // 1e-24
VELA_API extern const double VelaSqrtGoalAccuracy;                 // sqrt(1e-12), set at load
VELA_API extern const double VelaMinAccuracy;                      // 1e-08
VELA_API extern const double VelaOverDefinedRatio;                 // 1e-06
VELA_API extern const double VelaDefaultTolerance;                 // 1e-09
VELA_API extern const double VelaDefaultReferenceLinearTolerance;  // 0.001
VELA_API extern const double VelaDefaultLinearTolerance;           // 1e-06
VELA_API extern const double VelaDefaultAngularTolerance;          // 1e-09
VELA_API extern const double VelaDefaultGoalDiscrepancy;           // 1.0
VELA_API extern const double VelaGausPivThreshold;                 // 1 + 5e-11
VELA_API extern const double VelaRRGaussAccuracy;                  // 1e-10

// ---- Sentinel values ---------------------------------------------------
VELA_API extern const double VelaNotSoft;                             // -1.0
VELA_API extern const double VelaBadStiffness;                        // -1.0
VELA_API extern const double VelaMandatory;                           // 1000.0
VELA_API extern const double VelaDiscrepancy_MissedValidation;        // 9999.0
VELA_API extern const double VelaDiscrepancy_ChiralityChanged;        // 8888.0
VELA_API extern const double VelaDiscrepancy_UnsupportedConstraints;  // 7777.0
VELA_API extern const double VelaDiscrepancy_NotMoved;                // 6666.0

// Accuracy of validations; the one writable constant (0.0001 initially).
VELA_API extern double VelaValidativeAccuracy;

// ---- Type limits -------------------------------------------------------
VELA_API extern const double VeladoubleMax;  // largest finite double
VELA_API extern const char VelacharMax;      // 127
VELA_API extern const char VelacharMin;      // -128
VELA_API extern const unsigned char VelaucharMax;
VELA_API extern const short VelashortMax;
VELA_API extern const short VelashortMin;
VELA_API extern const unsigned short VelaushortMax;
VELA_API extern const int VelaintMax;
VELA_API extern const int VelaintMin;
VELA_API extern const unsigned int VelauintMax;
VELA_API extern const long VelalongMax;            // 2147483647 (32-bit limit)
VELA_API extern const long VelalongMin;            // -2147483648 (32-bit limit)
VELA_API extern const unsigned long VelaulongMax;  // 4294967295 (32-bit limit)
VELA_API extern const int Velaint32Max;
VELA_API extern const int Velaint32Min;
VELA_API extern const unsigned int Velauint32Max;
VELA_API extern const long long Velaint64Max;
VELA_API extern const long long Velaint64Min;
VELA_API extern const unsigned long long Velauint64Max;

// ---- Text constants ----------------------------------------------------
VELA_API extern const char* const chReplayExt;           // ".VelReplay"
VELA_API extern const char* const chScriptExt;           // ".VelScript"
VELA_API extern const char* const chOutputSeparator;     // "=======Output======="
VELA_API extern const char* const chReferenceSeparator;  // "=====Reference======"
VELA_API extern const char* const chLineComment;         // "#"
VELA_API extern const char* const chRigidSetPrefix;      // "rs"
VELA_API extern const char* const chSketchPrefix;        // "sk"
VELA_API extern const char* const chAxisPrefix;          // "ax"
VELA_API extern const char* const chOpeningBrace;        // "["
VELA_API extern const char* const chClosingBrace;        // "]"

// ---- Version -----------------------------------------------------------
// The library's version text, "Vel_17W08".
VELA_API const char* GetVelVersion();

#endif  // VELA_FOUNDATION_VELACONSTANTS_H
