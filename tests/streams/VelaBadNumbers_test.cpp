// Number output of bad values and extreme integers through every writer, compared byte for byte.
#include <cfloat>
#include <climits>
#include <cstdlib>
#include <sstream>

#include "support/BadNumbers.h"
#include "vela/config/VelaGlobalParameters.h"
#include "vela/foundation/VelaString.h"
#include "vela/streams/VelaJSONStream.h"
#include "vela/streams/VelaStream.h"

namespace {

using namespace vela::test;

std::string Printed(const std::function<void(VelaStream&)>& write) {
  VelaStream s;
  write(s);
  return static_cast<std::stringstream*>(s.GetStream())->str();
}
using Printer = std::function<std::string(double)>;
Printer Inserted(VelaManip m) { return [m](double x) { return Printed([&](VelaStream& s) { s << m << x; }); }; }
Printer Written(void (VelaStream::*w)(double)) { return [w](double x) { return Printed([&](VelaStream& s) { (s.*w)(x); }); }; }
Printer Str(size_t precision) { return [precision](double x) { return std::string(VelaString(x, precision).str()); }; }

TEST(VelaBadNumbersStream, EveryWriterPrintsTheExactText) {
  // Writers printing the denormal, the largest value and its negative alike; all print nan, inf, -inf, 0, -0.
  const std::pair<std::vector<std::string>, std::vector<Printer>> groups[] = {
      {{"4.94066e-324", "1.79769e+308", "-1.79769e+308"},
       {[](double x) { return Printed([&](VelaStream& s) { s << x; }); }, Inserted(velsetprecision(-1)), Str(SIZE_MAX)}},
      {{"4.9406564584124654e-324", "1.7976931348623157e+308", "-1.7976931348623157e+308"},
       {Inserted(velsetprecision(17)), Written(&VelaStream::WriteDouble), [](double x) { return std::string(VelaString().set(x).str()); },
        [](double x) {  // a JSON member: its key, then the number
          const std::string t = Printed([&](VelaStream& s) { VelaJSONStream(s, 1, 0).Write<double>("a", x); });
          return t.compare(0, 5, "\"a\": ") == 0 ? t.substr(5) : t;
        }}},
      {{"5e-324", "2e+308", "-2e+308"}, {Inserted(velsetprecision(0)), Str(0)}},
      {{"4.94065645841246544e-324", "1.79769313486231571e+308", "-1.79769313486231571e+308"}, {Str(1000)}},
  };
  const std::string head[5] = {"nan", "inf", "-inf", "0", "-0"};
  for (const auto& g : groups)
    for (size_t w = 0; w < g.second.size(); ++w)
      for (int k = 0; k < 8; ++k) EXPECT_EQ(g.second[w](kBad[k]), k < 5 ? head[k] : g.first[k - 5]) << g.first[0] << ", writer " << w;
  // A float goes through the double insertion; extreme integers; widths that do not pad.
  EXPECT_EQ(Printed([](VelaStream& s) {
              s << std::numeric_limits<float>::denorm_min() << ' ' << -FLT_MAX << ' ' << INT_MIN << ' ' << INT_MAX << ' ' << LLONG_MIN << ' '
                << ULLONG_MAX << velsetw(-3) << velsetw(0) << ' ' << VelaString(INT_MIN).str() << VelaString(LLONG_MIN).str()
                << VelaString(ULLONG_MAX).str() << ' ';
              s.WriteInt(INT_MIN), s.WriteShort(SHRT_MIN), s.WriteLong(LONG_MIN);
            }),
            "1.4013e-45 -3.40282e+38 -2147483648 2147483647 -9223372036854775808 18446744073709551615 "
            "-2147483648-922337203685477580818446744073709551615 -2147483648-32768-9223372036854775808");
  // The fixed-size writer keeps its width P + 3 (at P = 3 all but negatives above -1e-99), reads back to its
  // precision and right-aligns NaN and infinities.
  const int previous = GetGlobalParameters().GetPrecision();
  for (int p : {3, 4, 6, 12}) {
    GetGlobalParameters().SetPrecision(p);
    for (double x : kBad) {
      const std::string text = Written(&VelaStream::WriteFixedSizeDouble)(x);
      SCOPED_TRACE("P = " + std::to_string(p) + ", text '" + text + "'");
      EXPECT_TRUE(text.size() == static_cast<size_t>(p + 3) || (p == 3 && x < 0.0 && x > -1e-99));
      const long double error = std::fabs(std::strtold(text.c_str(), nullptr) - x), bound = 0.5L * std::pow(10.0L, 4 - p) * std::fabs(x);
      // Reading back near the largest double needs a wider type than every platform (or emulator) has.
      if (std::isfinite(x) && std::fabs(x) > 1e300) continue;
      EXPECT_TRUE(std::isfinite(x) ? error <= bound : text.substr(text.find_first_not_of(' ')) == head[std::isnan(x) ? 0 : x > 0 ? 1 : 2]);
    }
  }
  GetGlobalParameters().SetPrecision(previous);
}

}  // namespace
