// VelaStream and VelaJSONStream: random writes against streams/StreamModel.h,
// the texts that are the contract byte for byte, the kinds of target.
#include "vela/streams/VelaStream.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <limits>
#include <locale>
#include <memory>
#include <sstream>
#include <string>

#include "streams/StreamModel.h"
#include "support/TestSupport.h"
#include "vela/streams/VelaJSONStream.h"

namespace {

using vela::test::ReadFile;
using vela::test::Written;
using Lim = std::numeric_limits<double>;

// Restores the global locale and the working precision the fixed-size writer reads.
class VelaStreamTest : public ::testing::Test {
 protected:
  ~VelaStreamTest() override { GetGlobalParameters().SetPrecision(precision_), std::locale::global(locale_); }
  int precision_ = GetGlobalParameters().GetPrecision();
  std::locale locale_;
};

struct CommaPunct : std::numpunct<char> {
  char do_decimal_point() const override { return ','; }
};

// Under a global comma locale: a caller's stream made then shows the comma on
// insertion but not in WriteDouble; the streams VelaStream owns keep "C".
TEST_F(VelaStreamTest, RandomWritesAndNumbersAgreeWithTheirReferences) {
  std::locale::global(std::locale(std::locale::classic(), new CommaPunct));
  std::ostringstream out;
  VelaStream user(&out);
  user << 2.5 << " ", user.WriteDouble(0.5);
  vela::test::SeededChoices choices(20240611);
  for (int i = 0; i < 400; ++i) {
    ASSERT_EQ(vela::test::RunTextStream(choices, 20), "");
    // Magnitudes from 1e-320 to 1e308 and the awkward values, at several precisions.
    const double x = (1.0 + choices.Pick(9000) / 1000.0) * std::pow(10.0, choices.Pick(628) - 320.0);
    for (double v : {x, -x, vela::test::AnyDouble(choices), Lim::quiet_NaN(), -Lim::infinity(), Lim::max()})
      ASSERT_EQ(vela::test::CheckNumber(v, 4 + i % 10), "");
  }
  EXPECT_EQ(out.str(), "2,5 0.5");
}

// velsetw writes its fill characters at once (an indent, not a field);
// WriteDouble is "%.17g" in the "C" locale whatever the stream's settings.
TEST_F(VelaStreamTest, ManipulatorsAndWritersWriteTheDocumentedTexts) {
  VelaString zeroed("abcdef");
  zeroed.mutableData()[2] = '\0';
  VelaStream s;
  std::ostringstream pointer;
  pointer << static_cast<const void*>(&s);
  s << velsetw(4) << "x" << velsetw(6) << 42 << velsetfill('*') << velsetw(3) << velendl;
  s << static_cast<const char*>(nullptr), s.WriteInt(INT_MIN), s.WriteLong(LONG_MIN), s.WriteShort(65);
  s.WriteDelimiter(), s.WriteString(zeroed), s.WriteLine("");
  s << velsetprecision(2) << velsetfixedfloatfield() << 0.1 << " " << static_cast<const void*>(&s) << " ";
  for (double x : {0.1, 1e300, -0.0, 1e-5, 1e16, 1e17, Lim::denorm_min(), -Lim::infinity(), Lim::quiet_NaN()})
    s.WriteDouble(x), s << " ";
  EXPECT_EQ(Written(s), "    x      42***\n-2147483648-922337203685477580865;\nab\n0.10 " + pointer.str() +
                            " 0.10000000000000001 1.0000000000000001e+300 -0 1.0000000000000001e-05 "
                            "10000000000000000 1e+17 4.9406564584124654e-324 -inf nan ");
}

// Streams without a target (a string or user stream by name, a null one, a
// file in a missing folder) accept everything and write nothing; a file stream
// flushes each line and appends, truncates or creates ('\\' separates
// folders); a caller's stream outlives the VelaStream.
TEST_F(VelaStreamTest, TargetsDiscardOrWriteFilesAndCallersStreams) {
  vela::test::TempPath folder("vela_stream_targets");
  const std::string name = folder.path() + "/sub/out.txt";
  VelaStream asString(name.c_str(), VelaStream::STRING_STREAM, 0), asUser(name.c_str(), VelaStream::USER_STREAM, 0),
      none(static_cast<std::ostream*>(nullptr)), missing(name.c_str(), VelaStream::FILE_STREAM, 0);
  for (VelaStream* s : {&asString, &asUser, &none, &missing}) {
    *s << "text" << 'c' << VelaString("v") << std::string("s") << -1 << 2u << 3.5 << s << velendl << velsetw(4);
    s->WriteInt(1), s->WriteString("x"), s->WriteLine("y"), s->WriteDouble(0.1), s->WriteFixedSizeDouble(0.1);
    s->Flush(), s->clear(), *s << "more";  // still failed
    EXPECT_TRUE(!s->good() && (s == &missing || s->GetStream() == nullptr));
  }
  EXPECT_FALSE(std::filesystem::exists(folder.path()));
  std::filesystem::create_directories(folder.path() + "/sub");
  vela::test::WriteFile(name, "old\n");
  for (unsigned char append : {1, 0, 1}) {
    VelaStream file(VelaString(folder.path().c_str()) + "\\sub\\out.txt", VelaStream::FILE_STREAM, append);
    file << "a" << velendl;
    const std::string flushed = ReadFile(name);
    file.WriteLine("b");
    EXPECT_EQ(flushed.substr(flushed.size() - 2) + ReadFile(name).substr(flushed.size()), "a\nb\n");
    file << "c";
  }
  EXPECT_EQ(ReadFile(name), "a\nb\nca\nb\nc");
  std::ostringstream memory;
  auto user = std::make_unique<VelaStream>(&memory);
  memory.setstate(std::ios::badbit);
  EXPECT_FALSE(user->good());
  user->clear(), *user << "via vela;", user.reset();
  EXPECT_EQ((memory << "after", memory.str()), "via vela;after");
}

// Every form (zero, e > d, e = d, 1 <= e < d, -d <= e <= 0, e < -d, with the
// point of a form without decimals), positive and negative, at several
// precisions (at 10 the e = d form holds integers beyond 32 bits); rounding
// that carries into a new digit and exponents of 10 or 100 keep the width.
// The fixed format and the last precision stay in force (e = d sets none).
TEST_F(VelaStreamTest, FixedSizeNumbersTakePPlusThreeCharacters) {
  const struct { int precision; double x; const char* text; } rows[] = {
      {6, 0.0, "0.0000000"}, {3, -0.0, "0.0000"}, {6, 1.5e12, "1.5000e12"}, {3, -1.7e12, "-2e12."},
      {6, 12345678.0, "12345678."}, {10, 123456789012.0, "123456789012."}, {3, -1234.4, "-1234."},
      {6, 123.456, "123.45600"}, {3, -123.456, "-123.5"}, {6, -0.5, "-0.500000"}, {3, -0.0012, "-0.001"},
      {6, 5e-7, "0.0000005"}, {6, -1.5e-12, "-1.50e-12"}, {3, 1.5e-5, "1.5e-5"}, {3, 3.7e-12, "4.e-12"},
      {6, 9.99999999, "10.000000"}, {6, 99999999.7, "1.00000e8"}, {6, 9.99999e-11, "1.000e-10"},
      {6, 1e100, "1.000e100"}, {6, 1e-100, "1.00e-100"}, {6, Lim::max(), "1.798e308"},
      {6, Lim::denorm_min(), "4.94e-324"}, {3, Lim::quiet_NaN(), "   nan"}, {3, -Lim::infinity(), "  -inf"},
      {-2, 5.0, "5.0"}, {-2, -5.0, "-5."}};
  for (const auto& row : rows) {
    GetGlobalParameters().SetPrecision(row.precision);
    VelaStream s;
    s.WriteFixedSizeDouble(row.x);
    EXPECT_EQ(Written(s), row.text) << row.precision << " " << row.x;
  }
  GetGlobalParameters().SetPrecision(6);
  VelaStream s, t;
  s.WriteFixedSizeDouble(123.456), s << ' ' << 1e20;
  t << velsetprecision(2), t.WriteFixedSizeDouble(12345678.0), t << ' ' << 0.125;
  EXPECT_EQ(Written(s) + "|" + Written(t), "123.45600 100000000000000000000.00000|12345678. 0.12");
}

// Members go on lines of their own, two blanks deeper per level, except inside
// an inline object; an empty container still breaks its line; texts are not
// escaped; closing any container leaves the writer non-inline, so an inline
// object goes on on new lines and its close drops the depth below 0. A
// caller may have written members already (first 0), at any depth; a negative
// depth indents nothing.
TEST(VelaJSONStream, WritesTheDocumentedLayout) {
  VelaStream s, t;
  VelaJSONStream json(s, 1, 0), more(t, 0, 2);
  json.WriteObjectStart("", 0), json.Write<std::string>("say", "a\"b"), json.WriteArrayStart("list");
  json.Write<double>("", 0.1), json.Write<VelaString>("", VelaString("t")), json.WriteObjectStart("", 1);
  json.Write<double>("x", 1e21), json.WriteObjectEnd(), json.WriteArrayStart(""), json.WriteArrayEnd();
  json.WriteArrayEnd(), json.WriteObjectStart("in", 1), json.WriteObjectStart("p", 1), json.WriteObjectEnd();
  json.Write<double>("c", -0.0), json.WriteObjectEnd(), json.WriteObjectEnd();
  more.Write<double>("x", 0.5), more.SetIndent(-2), more.Write<const char*>("y", ""), more.WriteObjectEnd();
  EXPECT_EQ(Written(s) + std::to_string(json.GetIndent()),
            "{\n  \"say\": \"a\"b\", \n  \"list\": [\n    0.10000000000000001, \n    \"t\", \n"
            "    {\"x\": 1e+21}, \n    [\n\n    ]\n  ], \n  \"in\": {\"p\": {}, \n  \"c\": -0\n}\n}-1");
  EXPECT_EQ(Written(t) + std::to_string(more.GetIndent()), ", \n    \"x\": 0.5, \n\"y\": \"\"\n}-3");
}

}  // namespace
