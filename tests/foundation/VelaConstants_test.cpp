// The exported constants: exact values and declared types, the one writable
// constant, the text constants and the version.
#include "vela/foundation/VelaConstants.h"

#include <gtest/gtest.h>

#include <cmath>
#include <iterator>
#include <limits>
#include <string>
#include <type_traits>
#include <utility>

namespace {

// True when every type in Ts is T.
template <typename T, typename... Ts>
constexpr bool kAllAre = (std::is_same_v<T, Ts> && ...);

// The declared types are part of the interface: callers take addresses and
// pass the constants to overloaded functions.
static_assert(
    kAllAre<const double, decltype(VelaEpsilon), decltype(VelaRRNormalizingFactor), decltype(VelaDomainInfinity),
            decltype(VelaGoalAccuracy), decltype(VelaSquareGoalAccuracy), decltype(VelaSqrtGoalAccuracy),
            decltype(VelaMinAccuracy), decltype(VelaOverDefinedRatio), decltype(VelaDefaultTolerance),
            decltype(VelaDefaultReferenceLinearTolerance), decltype(VelaDefaultLinearTolerance),
            decltype(VelaDefaultAngularTolerance), decltype(VelaDefaultGoalDiscrepancy), decltype(VelaGausPivThreshold),
            decltype(VelaRRGaussAccuracy), decltype(VelaNotSoft), decltype(VelaBadStiffness), decltype(VelaMandatory),
            decltype(VelaDiscrepancy_MissedValidation), decltype(VelaDiscrepancy_ChiralityChanged),
            decltype(VelaDiscrepancy_UnsupportedConstraints), decltype(VelaDiscrepancy_NotMoved),
            decltype(VeladoubleMax)>);
static_assert(std::is_same_v<decltype(VelaValidativeAccuracy), double>);
static_assert(kAllAre<const char, decltype(VelacharMax), decltype(VelacharMin)>);
static_assert(std::is_same_v<decltype(VelaucharMax), const unsigned char>);
static_assert(kAllAre<const short, decltype(VelashortMax), decltype(VelashortMin)>);
static_assert(std::is_same_v<decltype(VelaushortMax), const unsigned short>);
static_assert(
    kAllAre<const int, decltype(VelaintMax), decltype(VelaintMin), decltype(Velaint32Max), decltype(Velaint32Min)>);
static_assert(kAllAre<const unsigned int, decltype(VelauintMax), decltype(Velauint32Max)>);
static_assert(kAllAre<const long, decltype(VelalongMax), decltype(VelalongMin)>);
static_assert(std::is_same_v<decltype(VelaulongMax), const unsigned long>);
static_assert(kAllAre<const long long, decltype(Velaint64Max), decltype(Velaint64Min)>);
static_assert(std::is_same_v<decltype(Velauint64Max), const unsigned long long>);
static_assert(
    kAllAre<const char* const, decltype(chReplayExt), decltype(chScriptExt), decltype(chOutputSeparator),
            decltype(chReferenceSeparator), decltype(chLineComment), decltype(chRigidSetPrefix),
            decltype(chSketchPrefix), decltype(chAxisPrefix), decltype(chOpeningBrace), decltype(chClosingBrace)>);
static_assert(std::is_same_v<decltype(GetVelVersion()), const char*>);

TEST(VelaConstants, DoublesHoldTheirExactValues) {
  const struct {
    double actual;
    double expected;
  } rows[] = {{VelaEpsilon, 1e-15},                            {VelaRRNormalizingFactor, 1e-08},
              {VelaDomainInfinity, 1000000000000.0},          {VelaGoalAccuracy, 1e-12},
              // Computed at load time, so bit-identical to the runtime's sqrt.
              {VelaSquareGoalAccuracy, 1e-24},                {VelaSqrtGoalAccuracy, std::sqrt(1e-12)},
              {VelaMinAccuracy, 1e-08},                       {VelaOverDefinedRatio, 1e-06},
              {VelaDefaultTolerance, 1e-09},                  {VelaDefaultReferenceLinearTolerance, 0.001},
              {VelaDefaultLinearTolerance, 1e-06},            {VelaDefaultAngularTolerance, 1e-09},
              {VelaDefaultGoalDiscrepancy, 1.0},              {VelaGausPivThreshold, 1.00000000005},
              {VelaRRGaussAccuracy, 1e-10},                   {VelaNotSoft, -1.0},
              {VelaBadStiffness, -1.0},                       {VelaMandatory, 1000.0},
              {VelaDiscrepancy_MissedValidation, 9999.0},     {VelaDiscrepancy_ChiralityChanged, 8888.0},
              {VelaDiscrepancy_UnsupportedConstraints, 7777.0}, {VelaDiscrepancy_NotMoved, 6666.0},
              {VeladoubleMax, 1.7976931348623157e+308}};
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    EXPECT_EQ(rows[i].actual, rows[i].expected) << "row " << i;
  }
  EXPECT_DOUBLE_EQ(VelaSqrtGoalAccuracy, 1e-06);
}

TEST(VelaConstants, ValidativeAccuracyStartsAtOneTenThousandthAndIsWritable) {
  const double initial = VelaValidativeAccuracy;
  EXPECT_EQ(initial, 0.0001);
  VelaValidativeAccuracy = 0.25;
  EXPECT_EQ(VelaValidativeAccuracy, 0.25);
  VelaValidativeAccuracy = initial;
}

TEST(VelaConstants, TypeLimitsHoldTheOriginalPlatformValues) {
  // Compared as long long: the 32-bit values, not this platform's 64-bit
  // `long` limits.
  const struct {
    long long actual;
    long long expected;
  } rows[] = {{VelacharMax, 127},           {VelacharMin, -128},
              {VelaucharMax, 255},          {VelashortMax, 32767},
              {VelashortMin, -32768},       {VelaushortMax, 65535},
              {VelaintMax, 2147483647},     {VelaintMin, -2147483648LL},
              {VelauintMax, 4294967295},    {VelalongMax, 2147483647},
              {VelalongMin, -2147483648LL}, {static_cast<long long>(VelaulongMax), 4294967295},
              {Velaint32Max, 2147483647},   {Velaint32Min, -2147483648LL},
              {Velauint32Max, 4294967295},  {Velaint64Max, 9223372036854775807LL},
              {Velaint64Min, std::numeric_limits<long long>::min()}};
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    EXPECT_EQ(rows[i].actual, rows[i].expected) << "row " << i;
  }
  EXPECT_EQ(Velauint64Max, 18446744073709551615ULL);
}

TEST(VelaConstants, TextConstantsAndVersionAreExact) {
  // Compared as std::string so that a trailing byte would show.
  const std::pair<const char*, const char*> rows[] = {
      {chReplayExt, ".VelReplay"},                   {chScriptExt, ".VelScript"},
      {chOutputSeparator, "=======Output======="},   {chReferenceSeparator, "=====Reference======"},
      {chLineComment, "#"},                          {chRigidSetPrefix, "rs"},
      {chSketchPrefix, "sk"},                        {chAxisPrefix, "ax"},
      {chOpeningBrace, "["},                         {chClosingBrace, "]"},
      {GetVelVersion(), "Vel_17W08"}};
  for (const auto& [actual, expected] : rows) {
    ASSERT_NE(actual, nullptr) << expected;
    EXPECT_EQ(std::string(actual), expected);
  }
}

}  // namespace
