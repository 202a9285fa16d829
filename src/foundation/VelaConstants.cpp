#include "vela/foundation/VelaConstants.h"

#include <cmath>
#include <limits>

const double VelaEpsilon = 1e-15;
const double VelaRRNormalizingFactor = 1e-08;
const double VelaDomainInfinity = 1e12;
const double VelaGoalAccuracy = 1e-12;
const double VelaSquareGoalAccuracy = 1e-24;
// Computed when the library is loaded.
const double VelaSqrtGoalAccuracy = std::sqrt(VelaGoalAccuracy);
const double VelaMinAccuracy = 1e-08;
const double VelaOverDefinedRatio = 1e-06;
const double VelaDefaultTolerance = 1e-09;
const double VelaDefaultReferenceLinearTolerance = 0.001;
const double VelaDefaultLinearTolerance = 1e-06;
const double VelaDefaultAngularTolerance = 1e-09;
const double VelaDefaultGoalDiscrepancy = 1.0;
const double VelaGausPivThreshold = 1.00000000005;
const double VelaRRGaussAccuracy = 1e-10;

const double VelaNotSoft = -1.0;
const double VelaBadStiffness = -1.0;
const double VelaMandatory = 1000.0;
const double VelaDiscrepancy_MissedValidation = 9999.0;
const double VelaDiscrepancy_ChiralityChanged = 8888.0;
const double VelaDiscrepancy_UnsupportedConstraints = 7777.0;
const double VelaDiscrepancy_NotMoved = 6666.0;

double VelaValidativeAccuracy = 0.0001;

const double VeladoubleMax = std::numeric_limits<double>::max();
const char VelacharMax = 127;
const char VelacharMin = -128;
const unsigned char VelaucharMax = 255;
const short VelashortMax = 32767;
const short VelashortMin = -32768;
const unsigned short VelaushortMax = 65535;
const int VelaintMax = 2147483647;
const int VelaintMin = -2147483647 - 1;
const unsigned int VelauintMax = 4294967295u;
const long VelalongMax = 2147483647L;
const long VelalongMin = -2147483647L - 1;
const unsigned long VelaulongMax = 4294967295UL;
const int Velaint32Max = 2147483647;
const int Velaint32Min = -2147483647 - 1;
const unsigned int Velauint32Max = 4294967295u;
const long long Velaint64Max = 9223372036854775807LL;
const long long Velaint64Min = -9223372036854775807LL - 1;
const unsigned long long Velauint64Max = 18446744073709551615ULL;

const char* const chReplayExt = ".VelReplay";
const char* const chScriptExt = ".VelScript";
const char* const chOutputSeparator = "=======Output=======";
const char* const chReferenceSeparator = "=====Reference======";
const char* const chLineComment = "#";
const char* const chRigidSetPrefix = "rs";
const char* const chSketchPrefix = "sk";
const char* const chAxisPrefix = "ax";
const char* const chOpeningBrace = "[";
const char* const chClosingBrace = "]";

const char* GetVelVersion() { return "Vel_17W08"; }
