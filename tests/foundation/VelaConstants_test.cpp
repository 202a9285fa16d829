// The exported constants (exact values, the one writable), the version, and
// the tick clock.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <string>

#include "vela/foundation/VelaClock.h"
#include "vela/foundation/VelaConstants.h"

namespace {

TEST(VelaConstants, HoldTheirExactValues) {
  const double doubles[][2] = {
      {VelaEpsilon, 1e-15}, {VelaRRNormalizingFactor, 1e-08}, {VelaDomainInfinity, 1e12}, {VelaGoalAccuracy, 1e-12},
      {VelaSquareGoalAccuracy, 1e-24}, {VelaSqrtGoalAccuracy, std::sqrt(1e-12)}, {VelaMinAccuracy, 1e-08},
      {VelaOverDefinedRatio, 1e-06}, {VelaDefaultTolerance, 1e-09}, {VelaDefaultReferenceLinearTolerance, 0.001},
      {VelaDefaultLinearTolerance, 1e-06}, {VelaDefaultAngularTolerance, 1e-09}, {VelaDefaultGoalDiscrepancy, 1.0},
      {VelaGausPivThreshold, 1.00000000005}, {VelaRRGaussAccuracy, 1e-10}, {VelaNotSoft, -1.0}, {VelaBadStiffness, -1.0},
      {VelaMandatory, 1000.0}, {VelaDiscrepancy_MissedValidation, 9999.0}, {VelaDiscrepancy_ChiralityChanged, 8888.0},
      {VelaDiscrepancy_UnsupportedConstraints, 7777.0}, {VelaDiscrepancy_NotMoved, 6666.0},
      {VelaValidativeAccuracy, 0.0001}, {VeladoubleMax, 1.7976931348623157e+308}};
  for (const auto& [actual, expected] : doubles) EXPECT_EQ(actual, expected) << expected;
  // The limits of the original platform, where long has 32 bits.
  const long long limits[][2] = {
      {VelacharMax, 127}, {VelacharMin, -128}, {VelaucharMax, 255}, {VelashortMax, 32767}, {VelashortMin, -32768},
      {VelaushortMax, 65535}, {VelaintMax, 2147483647}, {VelaintMin, -2147483648LL}, {VelauintMax, 4294967295},
      {VelalongMax, 2147483647}, {VelalongMin, -2147483648LL}, {static_cast<long long>(VelaulongMax), 4294967295},
      {Velaint32Max, 2147483647}, {Velaint32Min, -2147483648LL}, {Velauint32Max, 4294967295},
      {Velaint64Max, 9223372036854775807LL}, {Velaint64Min, -9223372036854775807LL - 1}};
  for (const auto& [actual, expected] : limits) EXPECT_EQ(actual, expected) << expected;
  EXPECT_EQ(Velauint64Max, 18446744073709551615ULL);
  std::string texts;
  for (const char* text : {chReplayExt, chScriptExt, chOutputSeparator, chReferenceSeparator, chLineComment,
                           chRigidSetPrefix, chSketchPrefix, chAxisPrefix, chOpeningBrace, chClosingBrace, GetVelVersion()}) {
    texts += std::string(text) + "|";
  }
  EXPECT_EQ(texts, ".VelReplay|.VelScript|=======Output=======|=====Reference======|#|rs|sk|ax|[|]|Vel_17W08|");
}

// Ticks of ten microseconds: a clock difference lies within the difference
// of the steady clock's readings around it, and never below the one inside.
TEST(VelaClock, CountsTenMicrosecondTicks) {
  using Ticks = std::chrono::duration<long long, std::ratio<1, 100000>>;
  const auto now = [] { return std::chrono::steady_clock::now(); };
  const auto before = now();
  const long start = VelaClock();
  const auto inside = now();
  while (now() - inside < std::chrono::milliseconds(2)) continue;
  const long ticks = -start + VelaClock(), outer = std::chrono::duration_cast<Ticks>(now() - before).count();
  EXPECT_EQ(VelaClockPerSec(), 100000L);
  EXPECT_GE(start, 0L);
  EXPECT_TRUE(ticks >= std::chrono::duration_cast<Ticks>(std::chrono::milliseconds(2)).count() - 1 && ticks <= outer + 1)
      << ticks << " ticks within " << outer;
}

}  // namespace
