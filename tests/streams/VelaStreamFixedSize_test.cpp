// VelaStream::WriteFixedSizeDouble: every form at several working
// precisions, byte for byte; the carry and exponent-width corrections; the
// stream state the writer leaves; and the width over random numbers.
#include "vela/streams/VelaStream.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "vela/config/VelaGlobalParameters.h"

namespace {

std::string Text(const VelaStream& s) {
  return static_cast<std::stringstream*>(s.GetStream())->str();
}

struct Case {
  double x;
  const char* text;
};

// Every test sets the working precision it needs and leaves the process's
// precision as it found it.
class VelaStreamFixedSizeTest : public ::testing::Test {
 protected:
  VelaStreamFixedSizeTest() : previous_(GetGlobalParameters().GetPrecision()) {}
  ~VelaStreamFixedSizeTest() override { GetGlobalParameters().SetPrecision(previous_); }

  static std::string Fixed(double x, int precision) {
    GetGlobalParameters().SetPrecision(precision);
    VelaStream s;
    s.WriteFixedSizeDouble(x);
    return Text(s);
  }

  static void ExpectAll(int precision, const std::vector<Case>& cases) {
    for (const Case& c : cases) {
      EXPECT_EQ(Fixed(c.x, precision), c.text) << "P = " << precision << ", x = " << c.x;
    }
  }

 private:
  int previous_;
};

TEST_F(VelaStreamFixedSizeTest, ExamplesAtPrecisionSix) {
  ExpectAll(6, {{0.0, "0.0000000"},
                {123.456, "123.45600"},
                {-0.5, "-0.500000"},
                {12345678.0, "12345678."},
                {1.5e12, "1.5000e12"}});
}

// Zero, large, e = d, ordinary, -d <= e <= 0 and small, each positive and
// negative (where d is one less), at the default precision, at 6, and at 10,
// from which on the e = d form holds integers beyond 32 bits.
TEST_F(VelaStreamFixedSizeTest, EveryFormAtSeveralPrecisions) {
  ExpectAll(3, {{0.0, "0.0000"},       {-0.0, "0.0000"},
                {123456.0, "1.23e5"},  {1.5e12, "1.5e12"},   {-1.7e12, "-2e12."},
                {12345.0, "12345."},   {-1234.4, "-1234."},
                {123.456, "123.46"},   {-123.456, "-123.5"}, {12.0, "12.000"},
                {1.5, "1.5000"},       {0.5, "0.5000"},      {0.00012345, "0.0001"},
                {-0.5, "-0.500"},      {-0.0012, "-0.001"},
                {1.5e-5, "1.5e-5"},    {3.7e-12, "4.e-12"},  {-1.7e-5, "-2.e-5"}});
  ExpectAll(6, {{123456789.0, "1.23457e8"}, {-1.5e12, "-1.500e12"},
                {-1234567.0, "-1234567."},  {-123.456, "-123.4560"},
                {1.5, "1.5000000"},         {0.05, "0.0500000"},
                {5e-7, "0.0000005"},        {-5e-6, "-0.000005"},
                {1.5e-8, "1.5000e-8"},      {1.5e-12, "1.500e-12"},
                {-1.5e-12, "-1.50e-12"}});
  ExpectAll(10, {{0.0, "0.00000000000"},           {1.5e12, "1.50000000e12"},
                 {123456789012.0, "123456789012."}, {-12345678901.0, "-12345678901."},
                 {123.456, "123.456000000"},        {-0.5, "-0.5000000000"},
                 {1.5e-12, "1.5000000e-12"},        {-1.5e-12, "-1.500000e-12"}});
}

// A value whose rounding carries into a new leading digit is laid out as the
// number it rounds to, so the width holds.
TEST_F(VelaStreamFixedSizeTest, RoundingCarryAndPowerOfTenExponentsKeepTheWidth) {
  ExpectAll(6, {{9.99999999, "10.000000"},   {99.99999999, "100.00000"},
                {9999999.99, "10000000."},   {99999999.7, "1.00000e8"},
                {9.99999e12, "1.0000e13"},   {-9.9999999, "-10.00000"},
                {9.9999999e-8, "0.0000001"}, {9.99999e-11, "1.000e-10"},
                {0.99999999, "1.0000000"}});
  ExpectAll(3, {{99999.7, "1.00e5"}, {-9999.5, "-1.0e4"}, {9.99999e-11, "1.e-10"}});
  // An exponent of 10 or 100 takes its real width out of the decimals.
  ExpectAll(6, {{1e10, "1.0000e10"},  {1e100, "1.000e100"}, {1.5e-10, "1.500e-10"},
                {1e-100, "1.00e-100"}, {-1e100, "-1.00e100"}});
}

// Extreme magnitudes, non-finite values (right-aligned) and a negative
// working precision (counted as zero).
TEST_F(VelaStreamFixedSizeTest, ExtremeValuesAndPrecisions) {
  using limits = std::numeric_limits<double>;
  ExpectAll(6, {{limits::max(), "1.798e308"},
                {limits::min(), "2.23e-308"},
                {limits::denorm_min(), "4.94e-324"}});
  ExpectAll(3, {{limits::quiet_NaN(), "   nan"},
                {limits::infinity(), "   inf"},
                {-limits::infinity(), "  -inf"}});
  ExpectAll(-2, {{0.0, "0.0"}, {5.0, "5.0"}, {-5.0, "-5."}, {12.0, "12."}});
}

TEST_F(VelaStreamFixedSizeTest, FixedFormatAndLastPrecisionStayInForce) {
  GetGlobalParameters().SetPrecision(6);
  VelaStream s;
  s.WriteFixedSizeDouble(123.456);
  EXPECT_EQ(s.GetStream()->precision(), 5);
  s << ' ' << 1e20;
  EXPECT_EQ(Text(s), "123.45600 100000000000000000000.00000");

  // The e = d form sets no precision: the previous one stays.
  VelaStream t;
  t << velsetprecision(2);
  t.WriteFixedSizeDouble(12345678.0);
  t << ' ' << 0.125;
  EXPECT_EQ(Text(t), "12345678. 0.12");
}

TEST_F(VelaStreamFixedSizeTest, StreamWithoutTargetWritesNothing) {
  VelaStream none(nullptr);
  none.WriteFixedSizeDouble(123.456);
  EXPECT_FALSE(none.good());
  VelaStream discarding(VelaString("unused"), VelaStream::STRING_STREAM, 0);
  discarding.WriteFixedSizeDouble(-1.5e12);
  EXPECT_EQ(discarding.GetStream(), nullptr);
}

// Over random magnitudes from 1e-320 to 1e308, every text has P + 3
// characters (from P = 4 on; at P = 3 all but negative numbers below 1e-99)
// and reads back as the number to the digits it shows.
TEST_F(VelaStreamFixedSizeTest, RandomNumbersKeepTheWidthAndReadBack) {
  std::mt19937_64 random(20240611);
  std::uniform_real_distribution<double> mantissa(1.0, 10.0);
  std::uniform_int_distribution<int> exponent(-320, 307);
  for (int precision : {3, 4, 6, 8, 10}) {
    for (int i = 0; i < 3000; ++i) {
      const double magnitude = mantissa(random) * std::pow(10.0, exponent(random));
      for (double x : {magnitude, -magnitude}) {
        const std::string text = Fixed(x, precision);
        if (precision > 3 || x > 0 || magnitude >= 1e-99) {
          EXPECT_EQ(text.size(), static_cast<std::size_t>(precision + 3)) << x << " " << text;
        }
        // At least P - 5 decimals of a mantissa, or d decimals below 1.
        const double tolerance =
            std::fabs(x) * std::pow(10.0, 5 - precision) + std::pow(10.0, -precision);
        EXPECT_NEAR(std::strtod(text.c_str(), nullptr), x, tolerance) << text;
      }
    }
  }
}

}  // namespace
