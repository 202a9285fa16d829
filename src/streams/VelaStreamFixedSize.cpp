// VelaStream::WriteFixedSizeDouble: numbers in a constant number of
// characters, for the columns of matrix dumps.
//
// With P the working precision and d = P + 1 (d = P for a negative number,
// whose sign takes one character), the magnitude a = |x| and its decimal
// exponent e = floor(log10(a)) choose the form:
//
//   form          P = 6 example  decimals
//   x == 0        0.0000000      d
//   e > d         1.5000e12      d - 1 - digits(e), of the mantissa
//                                a * 0.1^e; a point after the exponent
//                                when there are none (P = 1: 2e5.)
//   e == d        12345678.      none: a rounded to an integer, a point
//   1 <= e < d    123.45600      d - e
//   -d <= e <= 0  0.0500000      d
//   e < -d        1.500e-12      d - 2 - digits(-e), of the mantissa
//                                a * 10^-e; a point before the "e" when
//                                there are none (P = 2: 2.e-5)
//
// Each form fills P + 3 characters when its digits are as counted. Two
// things would add one:
// - rounding to the form's decimals can carry into a new leading digit
//   (9.99999999 at 7 decimals is 10.0000000); the value is then laid out
//   with the exponent one higher, as the rounded number it shows
//   (10.000000). The same check repairs an exponent that log10 would get
//   one off next to a power of ten, as a directed rounding mode set by the
//   configuration could make it;
// - digits(e) counts the exponent's real digits, so an exponent of 10 or
//   100 takes its own width out of the mantissa's decimals.
// The exponent forms need P >= 4 to hold every exponent in P + 3 characters
// (P = 3, the default, holds all but negative numbers below 1e-99); with
// less room they are as long as they need to be.
#include "vela/streams/VelaStream.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "vela/config/VelaGlobalParameters.h"

namespace {

// Working precisions are clamped to this range: a negative one means no
// decimals, and one beyond the upper bound would only write pages of digits.
constexpr int kMaxPrecision = 1000;

// The largest power of ten a double holds; smaller scale factors are applied
// in two steps so that a subnormal number does not scale to infinity.
constexpr int kMaxDecimalExponent = 308;

// Rounding at more decimals than a double has significant digits can no
// longer carry into the integer part, so the carry check stops there.
constexpr int kMaxCheckedDecimals = 40;

enum class Form { kLarge, kIntegral, kFixed, kSmall };

// How one number is written. Invariant: `integerDigits` is the count of
// digits before the point that makes the text P + 3 characters long.
struct Layout {
  Form form;
  int precision;     // decimals of `value` (kIntegral: none)
  double value;      // what is inserted: the number, its mantissa or integer
  int exponent;      // kLarge and kSmall
  bool point;        // kLarge and kSmall without decimals: the point of the form
  int integerDigits;
};

int DecimalDigits(int n) {
  int digits = 1;
  for (; n >= 10; n /= 10) ++digits;
  return digits;
}

double ScaleUp(double a, int m) {
  if (m <= kMaxDecimalExponent) return a * std::pow(10.0, m);
  return a * std::pow(10.0, kMaxDecimalExponent) * std::pow(10.0, m - kMaxDecimalExponent);
}

Layout Plan(double a, int d, int e) {
  if (e > d) {
    const int k = d - 1 - DecimalDigits(e);
    return {Form::kLarge, std::max(k, 0), a * std::pow(0.1, e), e, k == 0, 1};
  }
  if (e == d) return {Form::kIntegral, 0, std::floor(a + 0.5), e, true, d + 1};
  if (e >= 1) return {Form::kFixed, d - e, a, e, false, e + 1};
  if (e >= -d) return {Form::kFixed, d, a, e, false, 1};
  const int m = -e;
  const int k = d - 2 - DecimalDigits(m);
  return {Form::kSmall, std::max(k, 0), ScaleUp(a, m), e, k == 0, 1};
}

// The digits before the point when `value` (finite, not negative) is
// written with `precision` decimals, as the stream's fixed format does.
// Holds every double: at most 309 integer digits, a point and the decimals.
int IntegerDigits(double value, int precision) {
  char text[400];
  std::snprintf(text, sizeof text, "%.*f", std::min(precision, kMaxCheckedDecimals), value);
  int digits = 0;
  while (text[digits] >= '0' && text[digits] <= '9') ++digits;
  return digits;
}

void Write(VelaStream& s, const Layout& layout) {
  switch (layout.form) {
    case Form::kLarge:
      s << velsetprecision(layout.precision) << layout.value << "e" << layout.exponent;
      if (layout.point) s << ".";
      return;
    case Form::kIntegral: {
      // As text rather than an int: from P = 9 on the integer exceeds 32 bits.
      char text[400];
      std::snprintf(text, sizeof text, "%.0f", layout.value);
      s << static_cast<const char*>(text) << ".";
      return;
    }
    case Form::kFixed:
      s << velsetprecision(layout.precision) << layout.value;
      return;
    case Form::kSmall:
      s << velsetprecision(layout.precision) << layout.value;
      if (layout.point) s << ".";
      s << "e" << layout.exponent;
      return;
  }
}

// NaN and infinities have no digits to lay out; blanks in front keep the
// column.
void WriteNonFinite(VelaStream& s, double x, int width) {
  const char* text = std::isnan(x) ? "nan" : (x < 0 ? "-inf" : "inf");
  for (int blanks = width - static_cast<int>(std::strlen(text)); blanks > 0;
       --blanks) {
    s << ' ';
  }
  s << text;
}

}  // namespace

void VelaStream::WriteFixedSizeDouble(double x) {
  if (stream_ == nullptr) return;
  *this << velsetfixedfloatfield();
  const int p = std::clamp(GetGlobalParameters().GetPrecision(), 0, kMaxPrecision);
  if (!std::isfinite(x)) {
    WriteNonFinite(*this, x, p + 3);
    return;
  }
  int d = p + 1;
  if (x == 0) {
    *this << velsetprecision(d) << 0.0;
    return;
  }
  if (x < 0) {
    *this << "-";
    d = p;
  }
  const double a = std::fabs(x);
  const int e = static_cast<int>(std::floor(std::log10(a)));
  Layout layout = Plan(a, d, e);
  const int shown = IntegerDigits(layout.value, layout.precision);
  if (shown != layout.integerDigits) {
    layout = Plan(a, d, shown > layout.integerDigits ? e + 1 : e - 1);
  }
  Write(*this, layout);
}
