// The text stream against independent references, shared by the stream tests
// and the stream fuzzer.
#ifndef VELA_TESTS_STREAMS_STREAMMODEL_H
#define VELA_TESTS_STREAMS_STREAMMODEL_H

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <locale>
#include <sstream>
#include <string>

#include "support/Choices.h"
#include "vela/config/VelaGlobalParameters.h"
#include "vela/streams/VelaStream.h"

namespace vela::test {

inline std::string Written(const VelaStream& s) { return static_cast<std::stringstream*>(s.GetStream())->str(); }

// A random bit pattern half the time, else one of a few awkward values.
inline double AnyDouble(Choices& c) {
  static const double kValues[] = {0.0, -0.0, 0.1, 1e300, -1e-300, 123.456, 9.99999999, 5e-324, NAN, -INFINITY};
  if (!c.Chance(50)) return kValues[c.Pick(10)];
  const std::uint64_t bits = c.Bits64();
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}

// Random insertions, writers and manipulators against a standard stream in the
// "C" locale (velsetw: that many fill characters); "" when they agree.
inline std::string RunTextStream(Choices& c, int steps) {
  VelaStream s;
  std::ostringstream format;  // in the state the writes so far left the stream in
  format.imbue(std::locale::classic());
  std::string expected;
  char fill = ' ';
  const auto put = [&](auto value) {
    s << value, format.str(""), format << value;
    expected += format.str();
  };
  for (int step = 0; step < steps && !c.Exhausted(); ++step) {
    const long long wide = static_cast<long long>(c.Bits64());
    std::string text(c.Pick(12), ' ');
    for (char& ch : text) ch = static_cast<char>(' ' + c.Pick(95));
    const int n = static_cast<int>(c.Pick(21)) - 1;
    switch (c.Pick(14)) {
      case 0: put(static_cast<int>(wide)); break;
      case 1: put(static_cast<unsigned int>(wide)); break;
      case 2: put(static_cast<long>(wide)); break;
      case 3: put(static_cast<unsigned long long>(wide)); break;
      case 4: put(AnyDouble(c)); break;
      case 5: put(text.c_str()); break;
      case 6: put(text); break;
      case 7: s << VelaString(text.c_str()), expected += text; break;
      case 8: s.WriteShort(static_cast<short>(wide)), expected += std::to_string(static_cast<short>(wide)); break;
      case 9: s.WriteLine(VelaString(text.c_str())), expected += text + "\n"; break;
      case 10: s << velsetw(n), expected.append(static_cast<std::size_t>(std::max(n, 0)), fill); break;
      case 11: s << velsetfill(fill = text.empty() ? '.' : text[0]); break;
      case 12: s << velsetprecision(n), format.precision(n); break;
      default:
        if (c.Chance(10)) s << velsetfixedfloatfield(), format.setf(std::ios::fixed, std::ios::floatfield);
        if (c.Chance(50)) s << velendl, expected += "\n";
    }
  }
  s.Flush();
  return Written(s) == expected ? "" : "the stream wrote \"" + Written(s) + "\", expected \"" + expected + "\"";
}

// WriteDouble reads back exactly; at working precision P WriteFixedSizeDouble
// writes P + 3 characters: NaN and infinities right-aligned, a finite value
// rounded to its last digit, give or take the inexact scaling of a large
// mantissa by 0.1^e (up to e * 2^-54) and a subnormal margin.
inline std::string CheckNumber(double v, int precision) {
  VelaStream exact, fixed;
  exact.WriteDouble(v);
  const std::string text = Written(exact);
  char* end = nullptr;
  const double back = std::strtod(text.c_str(), &end);
  if (std::isfinite(v) && (*end != '\0' || std::memcmp(&back, &v, sizeof v) != 0)) return "WriteDouble wrote " + text;
  GetGlobalParameters().SetPrecision(precision);
  fixed.WriteFixedSizeDouble(v);
  const std::string shown = Written(fixed), trimmed = shown.substr(std::min(shown.find_first_not_of(' '), shown.size()));
  const long double value = std::strtold(shown.c_str(), &end);  // wider: "1.8e308" reads back
  const std::size_t e = shown.find('e'), point = shown.substr(0, e).find('.');
  const int decimals = point == std::string::npos ? 0 : static_cast<int>(shown.substr(0, e).size() - point - 1);
  const double lastPlace = std::pow(10.0, (e == std::string::npos ? 0 : std::atoi(shown.c_str() + e + 1)) - decimals);
  const bool ok = shown.size() == static_cast<std::size_t>(precision) + 3 &&
                  (std::isfinite(v) ? (*end == '\0' || std::strcmp(end, ".") == 0) &&
                                          (std::fabs(value - v) <= 0.5L * lastPlace + 4e-14L * std::fabs(v) + 1e-323L ||
                                           (std::isinf(value) && std::fabs(v) > 1e300))  // no wider type here
                                    : trimmed == (std::isnan(v) ? "nan" : v > 0 ? "inf" : "-inf"));
  return ok ? "" : "WriteFixedSizeDouble at precision " + std::to_string(precision) + " wrote \"" + shown + "\" for " + text;
}

}  // namespace vela::test

#endif  // VELA_TESTS_STREAMS_STREAMMODEL_H
