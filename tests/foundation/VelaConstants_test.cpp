// The exported constants: exact values and declared types, the one writable
// constant, the text constants and the version.
#include "vela/foundation/VelaConstants.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <type_traits>

namespace {

// The declared types are part of the interface: callers take addresses and
// pass the constants to overloaded functions.
static_assert(std::is_same_v<decltype(VelaEpsilon), const double>);
static_assert(std::is_same_v<decltype(VelaRRNormalizingFactor), const double>);
static_assert(std::is_same_v<decltype(VelaDomainInfinity), const double>);
static_assert(std::is_same_v<decltype(VelaGoalAccuracy), const double>);
static_assert(std::is_same_v<decltype(VelaSquareGoalAccuracy), const double>);
static_assert(std::is_same_v<decltype(VelaSqrtGoalAccuracy), const double>);
static_assert(std::is_same_v<decltype(VelaMinAccuracy), const double>);
static_assert(std::is_same_v<decltype(VelaOverDefinedRatio), const double>);
static_assert(std::is_same_v<decltype(VelaDefaultTolerance), const double>);
static_assert(std::is_same_v<decltype(VelaDefaultReferenceLinearTolerance), const double>);
static_assert(std::is_same_v<decltype(VelaDefaultLinearTolerance), const double>);
static_assert(std::is_same_v<decltype(VelaDefaultAngularTolerance), const double>);
static_assert(std::is_same_v<decltype(VelaDefaultGoalDiscrepancy), const double>);
static_assert(std::is_same_v<decltype(VelaGausPivThreshold), const double>);
static_assert(std::is_same_v<decltype(VelaRRGaussAccuracy), const double>);
static_assert(std::is_same_v<decltype(VelaNotSoft), const double>);
static_assert(std::is_same_v<decltype(VelaBadStiffness), const double>);
static_assert(std::is_same_v<decltype(VelaMandatory), const double>);
static_assert(std::is_same_v<decltype(VelaDiscrepancy_MissedValidation), const double>);
static_assert(std::is_same_v<decltype(VelaDiscrepancy_ChiralityChanged), const double>);
static_assert(std::is_same_v<decltype(VelaDiscrepancy_UnsupportedConstraints), const double>);
static_assert(std::is_same_v<decltype(VelaDiscrepancy_NotMoved), const double>);
static_assert(std::is_same_v<decltype(VelaValidativeAccuracy), double>);
static_assert(std::is_same_v<decltype(VeladoubleMax), const double>);
static_assert(std::is_same_v<decltype(VelacharMax), const char>);
static_assert(std::is_same_v<decltype(VelacharMin), const char>);
static_assert(std::is_same_v<decltype(VelaucharMax), const unsigned char>);
static_assert(std::is_same_v<decltype(VelashortMax), const short>);
static_assert(std::is_same_v<decltype(VelashortMin), const short>);
static_assert(std::is_same_v<decltype(VelaushortMax), const unsigned short>);
static_assert(std::is_same_v<decltype(VelaintMax), const int>);
static_assert(std::is_same_v<decltype(VelaintMin), const int>);
static_assert(std::is_same_v<decltype(VelauintMax), const unsigned int>);
static_assert(std::is_same_v<decltype(VelalongMax), const long>);
static_assert(std::is_same_v<decltype(VelalongMin), const long>);
static_assert(std::is_same_v<decltype(VelaulongMax), const unsigned long>);
static_assert(std::is_same_v<decltype(Velaint32Max), const int>);
static_assert(std::is_same_v<decltype(Velaint32Min), const int>);
static_assert(std::is_same_v<decltype(Velauint32Max), const unsigned int>);
static_assert(std::is_same_v<decltype(Velaint64Max), const long long>);
static_assert(std::is_same_v<decltype(Velaint64Min), const long long>);
static_assert(std::is_same_v<decltype(Velauint64Max), const unsigned long long>);
static_assert(std::is_same_v<decltype(chReplayExt), const char* const>);
static_assert(std::is_same_v<decltype(chScriptExt), const char* const>);
static_assert(std::is_same_v<decltype(chOutputSeparator), const char* const>);
static_assert(std::is_same_v<decltype(chReferenceSeparator), const char* const>);
static_assert(std::is_same_v<decltype(chLineComment), const char* const>);
static_assert(std::is_same_v<decltype(chRigidSetPrefix), const char* const>);
static_assert(std::is_same_v<decltype(chSketchPrefix), const char* const>);
static_assert(std::is_same_v<decltype(chAxisPrefix), const char* const>);
static_assert(std::is_same_v<decltype(chOpeningBrace), const char* const>);
static_assert(std::is_same_v<decltype(chClosingBrace), const char* const>);
static_assert(std::is_same_v<decltype(GetVelVersion()), const char*>);

TEST(VelaConstants, TolerancesHoldTheirExactValues) {
  EXPECT_EQ(VelaEpsilon, 1e-15);
  EXPECT_EQ(VelaRRNormalizingFactor, 1e-08);
  EXPECT_EQ(VelaDomainInfinity, 1000000000000.0);
  EXPECT_EQ(VelaGoalAccuracy, 1e-12);
  EXPECT_EQ(VelaSquareGoalAccuracy, 1e-24);
  EXPECT_EQ(VelaMinAccuracy, 1e-08);
  EXPECT_EQ(VelaOverDefinedRatio, 1e-06);
  EXPECT_EQ(VelaDefaultTolerance, 1e-09);
  EXPECT_EQ(VelaDefaultReferenceLinearTolerance, 0.001);
  EXPECT_EQ(VelaDefaultLinearTolerance, 1e-06);
  EXPECT_EQ(VelaDefaultAngularTolerance, 1e-09);
  EXPECT_EQ(VelaDefaultGoalDiscrepancy, 1.0);
  EXPECT_EQ(VelaGausPivThreshold, 1.00000000005);
  EXPECT_EQ(VelaRRGaussAccuracy, 1e-10);
}

TEST(VelaConstants, SqrtGoalAccuracyIsTheRootOfTheGoalAccuracy) {
  // Computed at load time, so it is bit-identical to the runtime's sqrt.
  EXPECT_EQ(VelaSqrtGoalAccuracy, std::sqrt(1e-12));
  EXPECT_DOUBLE_EQ(VelaSqrtGoalAccuracy, 1e-06);
}

TEST(VelaConstants, SentinelsHoldTheirExactValues) {
  EXPECT_EQ(VelaNotSoft, -1.0);
  EXPECT_EQ(VelaBadStiffness, -1.0);
  EXPECT_EQ(VelaMandatory, 1000.0);
  EXPECT_EQ(VelaDiscrepancy_MissedValidation, 9999.0);
  EXPECT_EQ(VelaDiscrepancy_ChiralityChanged, 8888.0);
  EXPECT_EQ(VelaDiscrepancy_UnsupportedConstraints, 7777.0);
  EXPECT_EQ(VelaDiscrepancy_NotMoved, 6666.0);
}

TEST(VelaConstants, ValidativeAccuracyStartsAtOneTenThousandthAndIsWritable) {
  const double initial = VelaValidativeAccuracy;
  EXPECT_EQ(initial, 0.0001);
  VelaValidativeAccuracy = 0.25;
  EXPECT_EQ(VelaValidativeAccuracy, 0.25);
  VelaValidativeAccuracy = initial;
  EXPECT_EQ(VelaValidativeAccuracy, 0.0001);
}

TEST(VelaConstants, TypeLimitsHoldTheOriginalPlatformValues) {
  EXPECT_EQ(VeladoubleMax, 1.7976931348623157e+308);
  EXPECT_EQ(VeladoubleMax, std::numeric_limits<double>::max());
  EXPECT_EQ(static_cast<int>(VelacharMax), 127);
  EXPECT_EQ(static_cast<int>(VelacharMin), -128);
  EXPECT_EQ(static_cast<int>(VelaucharMax), 255);
  EXPECT_EQ(static_cast<int>(VelashortMax), 32767);
  EXPECT_EQ(static_cast<int>(VelashortMin), -32768);
  EXPECT_EQ(static_cast<int>(VelaushortMax), 65535);
  EXPECT_EQ(VelaintMax, 2147483647);
  EXPECT_EQ(static_cast<long long>(VelaintMin), -2147483648LL);
  EXPECT_EQ(VelauintMax, 4294967295u);
  // The 32-bit values, not this platform's 64-bit `long` limits.
  EXPECT_EQ(VelalongMax, 2147483647L);
  EXPECT_EQ(VelalongMin, -2147483648L);
  EXPECT_EQ(VelaulongMax, 4294967295UL);
  EXPECT_EQ(Velaint32Max, 2147483647);
  EXPECT_EQ(static_cast<long long>(Velaint32Min), -2147483648LL);
  EXPECT_EQ(Velauint32Max, 4294967295u);
  EXPECT_EQ(Velaint64Max, 9223372036854775807LL);
  EXPECT_EQ(Velaint64Min, std::numeric_limits<long long>::min());
  EXPECT_EQ(Velauint64Max, 18446744073709551615ULL);
}

TEST(VelaConstants, TextConstantsAreExact) {
  // Compared as std::string so that a trailing byte would show.
  EXPECT_EQ(std::string(chReplayExt), ".VelReplay");
  EXPECT_EQ(std::string(chScriptExt), ".VelScript");
  EXPECT_EQ(std::string(chOutputSeparator), "=======Output=======");
  EXPECT_EQ(std::string(chReferenceSeparator), "=====Reference======");
  EXPECT_EQ(std::string(chLineComment), "#");
  EXPECT_EQ(std::string(chRigidSetPrefix), "rs");
  EXPECT_EQ(std::string(chSketchPrefix), "sk");
  EXPECT_EQ(std::string(chAxisPrefix), "ax");
  EXPECT_EQ(std::string(chOpeningBrace), "[");
  EXPECT_EQ(std::string(chClosingBrace), "]");
  // Both separators are 20 characters wide, so replay files line up.
  EXPECT_EQ(std::strlen(chOutputSeparator), std::strlen(chReferenceSeparator));
}

TEST(VelaConstants, VersionText) {
  ASSERT_NE(GetVelVersion(), nullptr);
  EXPECT_EQ(std::string(GetVelVersion()), "Vel_17W08");
}

}  // namespace
