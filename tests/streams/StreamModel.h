// The text stream and the JSON writer against independent references, shared
// by the stream tests and the stream fuzzer:
// - insertions, writers and manipulators on a memory stream against what a
//   standard stream in the "C" locale writes (velsetw as that many fill
//   characters at once);
// - WriteDouble reads back to the same double; WriteFixedSizeDouble keeps
//   P + 3 characters and shows a finite value to its last digit;
// - a random well-nested JSON document holds, less its layout, what the
//   calls dictate.
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
#include <utility>
#include <vector>

#include "support/Choices.h"
#include "vela/config/VelaGlobalParameters.h"
#include "vela/streams/VelaJSONStream.h"
#include "vela/streams/VelaStream.h"

namespace vela::test {

inline std::string Written(const VelaStream& s) { return static_cast<std::stringstream*>(s.GetStream())->str(); }

// A random bit pattern half the time (NaNs, infinities and subnormals
// included), else one of a few awkward values.
inline double AnyDouble(Choices& c) {
  static const double kValues[] = {0.0, -0.0, 0.1, 1e300, -1e-300, 123.456, 9.99999999, 5e-324, NAN, -INFINITY};
  if (!c.Chance(50)) return kValues[c.Pick(10)];
  const std::uint64_t bits = c.Bits64();
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}

// Returns what the stream wrote when it differs from the reference.
inline std::string RunTextStream(Choices& c, int steps) {
  VelaStream s;
  std::ostringstream format;  // in the state the writes so far left the stream in
  format.imbue(std::locale::classic());
  std::string expected;
  char fill = ' ';
  const auto put = [&](auto value) {
    s << value;
    format.str("");
    format << value;
    expected += format.str();
  };
  for (int step = 0; step < steps && !c.Exhausted(); ++step) {
    const long long wide = static_cast<long long>(c.Bits64());
    std::string text(c.Pick(12), ' ');
    for (char& ch : text) ch = static_cast<char>(' ' + c.Pick(95));
    const int n = static_cast<int>(c.Pick(21));
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
      case 10: s << velsetw(n - 1), expected.append(static_cast<std::size_t>(std::max(n - 1, 0)), fill); break;
      case 11: s << velsetfill(fill = text.empty() ? '.' : text[0]); break;
      case 12: s << velsetprecision(n - 1), format.precision(n - 1); break;
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
// as itself rounded to its last digit, give or take the scaling of a large
// mantissa by the inexact 0.1^e (up to e * 2^-54) and a subnormal margin.
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

// ---- JSON ----------------------------------------------------------------------

// Writes a random container of numbers, texts without quotes (through each
// writer) and nested containers, some inline; returns the container (less
// its key) without layout, as the calls dictate it.
inline std::string WriteJson(Choices& c, VelaJSONStream& json, const std::string& name, int depth) {
  const auto text = [&c](std::string t) {
    for (std::size_t n = c.Pick(6); n > 0; --n) t += static_cast<char>(c.Chance(50) ? 'a' + c.Pick(26) : ' ' + c.Pick(2));
    return t;
  };
  const bool array = c.Chance(40);
  array ? json.WriteArrayStart(name.c_str()) : json.WriteObjectStart(name.c_str(), c.Chance(50));
  std::string compact = array ? "[" : "{";
  for (std::size_t n = c.Pick(5), first = n; n > 0 && !c.Exhausted(); --n) {
    const std::string key = array ? "" : text("k"), value = text(""), quoted = "\"" + value + "\"";
    compact += (n < first ? "," : "") + (key.empty() ? "" : "\"" + key + "\":");
    switch (c.Pick(depth < 4 ? 5 : 4)) {
      case 0: {
        const int number = static_cast<int>(c.Pick(2001)) - 1000;
        json.Write<double>(key.c_str(), number), compact += std::to_string(number);
        break;
      }
      case 1: json.Write<const char*>(key.c_str(), value.c_str()), compact += quoted; break;
      case 2: json.Write<std::string>(key.c_str(), value), compact += quoted; break;
      case 3: json.Write<VelaString>(key.c_str(), VelaString(value.c_str())), compact += quoted; break;
      default: compact += WriteJson(c, json, key, depth + 1);
    }
  }
  array ? json.WriteArrayEnd() : json.WriteObjectEnd();
  return compact + (array ? "]" : "}");
}

// The document's text, less the blanks and line breaks outside its texts,
// is what the calls dictate.
inline std::string RunJson(Choices& c) {
  VelaStream s;
  VelaJSONStream json(s, 1, 0);
  const std::string expected = WriteJson(c, json, "", 0);
  std::string compact;
  bool inText = false;
  for (char ch : Written(s)) {
    inText ^= ch == '"';
    if (inText || (ch != ' ' && ch != '\n')) compact += ch;
  }
  return compact == expected ? "" : "the JSON text \"" + Written(s) + "\" differs from " + expected;
}

}  // namespace vela::test

#endif  // VELA_TESTS_STREAMS_STREAMMODEL_H
