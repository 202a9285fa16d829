// VelaStream and VelaJSONStream: random writes and documents against the
// references of streams/StreamModel.h (shared with the stream fuzzer), and
// the texts that are the contract: manipulators, writers, WriteDouble in any
// locale, fixed-size numbers and the JSON layout, byte for byte; the three
// kinds of target.
#include "vela/streams/VelaStream.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <limits>
#include <locale>
#include <sstream>
#include <string>

#include "streams/StreamModel.h"
#include "support/TestSupport.h"

namespace {

using vela::test::ReadFile;
using vela::test::Written;
using Lim = std::numeric_limits<double>;

// Restores the working precision that the fixed-size writer reads.
class VelaStreamTest : public ::testing::Test {
 protected:
  ~VelaStreamTest() override { GetGlobalParameters().SetPrecision(previous_); }
  int previous_ = GetGlobalParameters().GetPrecision();
};

TEST_F(VelaStreamTest, RandomWritesNumbersAndDocumentsAgreeWithTheirReferences) {
  vela::test::SeededChoices choices(20240611);
  for (int i = 0; i < 400; ++i) {
    ASSERT_EQ(vela::test::RunTextStream(choices, 20), "");
    ASSERT_EQ(vela::test::RunJson(choices), "");
    // Magnitudes from 1e-320 to 1e308 and the awkward values, at several precisions.
    const double x = (1.0 + choices.Pick(9000) / 1000.0) * std::pow(10.0, static_cast<double>(choices.Pick(628)) - 320);
    for (double v : {x, -x, vela::test::AnyDouble(choices), Lim::quiet_NaN(), -Lim::infinity(), -0.0, Lim::max()}) {
      ASSERT_EQ(vela::test::CheckNumber(v, 4 + i % 10), "");
    }
  }
}

// velsetw writes its fill characters at once (an indent, not a field);
// WriteDouble is "%.17g" in the "C" locale whatever the stream's settings.
TEST_F(VelaStreamTest, ManipulatorsAndWritersWriteTheDocumentedTexts) {
  VelaString zeroed("abcdef");
  zeroed.mutableData()[2] = '\0';
  VelaStream s;
  s << velsetw(4) << "x" << velsetw(6) << 42 << velsetfill('*') << velsetw(3) << velendl << static_cast<const char*>(nullptr);
  s.WriteInt(INT_MIN), s.WriteLong(LONG_MIN), s.WriteShort(65), s.WriteDelimiter(), s.WriteString(zeroed), s.WriteLine("");
  s << velsetprecision(2) << velsetfixedfloatfield() << 0.1 << " " << static_cast<const void*>(&s) << " ";
  for (double x : {0.1, 1e300, -0.0, 1e-5, 1e16, 1e17, Lim::denorm_min(), -Lim::infinity(), Lim::quiet_NaN()}) {
    s.WriteDouble(x), s << " ";
  }
  std::ostringstream pointer;
  pointer << static_cast<const void*>(&s);
  EXPECT_EQ(Written(s), "    x      42***\n-2147483648-922337203685477580865;\nab\n0.10 " + pointer.str() +
                            " 0.10000000000000001 1.0000000000000001e+300 -0 1.0000000000000001e-05 10000000000000000 1e+17 "
                            "4.9406564584124654e-324 -inf nan ");
}

struct CommaPunct : std::numpunct<char> {
  char do_decimal_point() const override { return ','; }
};

// Under a comma locale, a caller's stream made then shows the comma on
// insertion but not in WriteDouble; the streams VelaStream owns keep "C".
TEST_F(VelaStreamTest, WriteDoubleUsesAPointUnderACommaLocale) {
  const std::locale previous = std::locale::global(std::locale(std::locale::classic(), new CommaPunct));
  std::ostringstream out;
  vela::test::TempPath path("vela_stream_locale");
  {
    VelaStream user(&out), memory, file(path.path().c_str(), VelaStream::FILE_STREAM, 0);
    for (VelaStream* s : {&user, &memory, &file}) *s << 2.5 << " ", s->WriteDouble(0.5);
    out << "|" << Written(memory);
  }
  std::locale::global(previous);
  EXPECT_EQ(out.str() + "|" + ReadFile(path.path()), "2,5 0.5|2.5 0.5|2.5 0.5");
}

// Streams without a target (a string stream by name, a user stream by name or
// a null one, a file in a missing folder) accept everything and write
// nothing; a file stream flushes each line and appends, truncates or creates
// ('\\' separates folders); a caller's stream outlives the VelaStream.
TEST_F(VelaStreamTest, TargetsDiscardOrWriteFilesAndCallersStreams) {
  vela::test::TempPath folder("vela_stream_targets");
  const std::string name = folder.path() + "/sub/out.txt";
  VelaStream asString(name.c_str(), VelaStream::STRING_STREAM, 0), asUser(name.c_str(), VelaStream::USER_STREAM, 0),
      none(static_cast<std::ostream*>(nullptr)), missing(name.c_str(), VelaStream::FILE_STREAM, 0);
  for (VelaStream* s : {&asString, &asUser, &none, &missing}) {
    *s << "text" << 'c' << VelaString("v") << std::string("s") << -1 << 2u << 3.5 << s << velendl << velsetw(4)
       << velsetfill('*') << velsetprecision(3) << velsetfixedfloatfield();
    s->WriteInt(1), s->WriteLong(2), s->WriteShort(3), s->WriteString("x"), s->WriteLine("y"), s->WriteDelimiter();
    s->WriteDouble(0.1), s->WriteFixedSizeDouble(0.1), s->Flush(), s->clear(), *s << "more";
    EXPECT_FALSE(s->good());
  }
  EXPECT_TRUE(asString.GetStream() == nullptr && asUser.GetStream() == nullptr && none.GetStream() == nullptr);
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
  {
    VelaStream user(&memory);
    memory.setstate(std::ios::badbit);
    EXPECT_FALSE(user.good());
    user.clear();
    user << "via vela;";
  }
  EXPECT_EQ((memory << "after", memory.str()), "via vela;after");
}

// Every form (zero, large, e = d, 1 <= e < d, -d <= e <= 0, small), positive
// and negative, at the default precision, at 6 and at 10 (where the e = d
// form holds integers beyond 32 bits); values whose rounding carries into a
// new digit and exponents of 10 or 100 keep the width. The fixed format and
// the last precision stay in force (the e = d form sets none).
TEST_F(VelaStreamTest, FixedSizeNumbersTakePPlusThreeCharacters) {
  const struct {
    int precision;
    double x;
    const char* text;
  } rows[] = {{6, 0.0, "0.0000000"}, {6, 123.456, "123.45600"}, {6, -0.5, "-0.500000"}, {6, 12345678.0, "12345678."},
              {6, 1.5e12, "1.5000e12"}, {3, -0.0, "0.0000"}, {3, 123456.0, "1.23e5"}, {3, -1.7e12, "-2e12."},
              {3, 12345.0, "12345."}, {3, -1234.4, "-1234."}, {3, 123.456, "123.46"}, {3, -123.456, "-123.5"},
              {3, 0.00012345, "0.0001"}, {3, -0.0012, "-0.001"}, {3, 1.5e-5, "1.5e-5"}, {3, 3.7e-12, "4.e-12"},
              {3, -1.7e-5, "-2.e-5"}, {6, -1.5e-12, "-1.50e-12"}, {6, 5e-7, "0.0000005"}, {10, 123456789012.0, "123456789012."},
              {10, -1.5e-12, "-1.500000e-12"}, {6, 9.99999999, "10.000000"}, {6, 99999999.7, "1.00000e8"},
              {6, -9.9999999, "-10.00000"}, {6, 9.99999e-11, "1.000e-10"}, {3, 99999.7, "1.00e5"}, {6, 1e100, "1.000e100"},
              {6, 1e-100, "1.00e-100"}, {6, Lim::max(), "1.798e308"}, {6, Lim::denorm_min(), "4.94e-324"},
              {3, Lim::quiet_NaN(), "   nan"}, {3, -Lim::infinity(), "  -inf"}, {-2, 5.0, "5.0"}, {-2, -5.0, "-5."}};
  for (const auto& row : rows) {
    GetGlobalParameters().SetPrecision(row.precision);
    VelaStream s;
    s.WriteFixedSizeDouble(row.x);
    EXPECT_EQ(Written(s), row.text) << row.precision << " " << row.x;
  }
  GetGlobalParameters().SetPrecision(6);
  VelaStream s, t;
  s.WriteFixedSizeDouble(123.456);
  t << velsetprecision(2);
  t.WriteFixedSizeDouble(12345678.0);
  s << ' ' << 1e20, t << ' ' << 0.125;
  EXPECT_EQ(Written(s) + "|" + Written(t), "123.45600 100000000000000000000.00000|12345678. 0.12");
}

// Runs a script of JSON calls on a writer built with (first, indent); returns
// the text and the depth it leaves. Each word is a call: "{name" opens an
// object, "(name" an inline object, "[name" an array; "}", ")" and "]" close;
// "name=1.5" writes a number, "name:text" a text; "~n" sets the depth.
std::string Json(const std::string& script, int first = 1, int indent = 0) {
  VelaStream s;
  VelaJSONStream json(s, first, indent);
  std::istringstream words(script);
  for (std::string w; words >> w;) {
    const std::size_t equals = w.find('='), colon = w.find(':');
    if (w[0] == '{' || w[0] == '(') json.WriteObjectStart(w.substr(1).c_str(), w[0] == '(');
    if (w[0] == '[') json.WriteArrayStart(w.substr(1).c_str());
    if (w == "}" || w == ")") json.WriteObjectEnd();
    if (w == "]") json.WriteArrayEnd();
    if (w[0] == '~') json.SetIndent(std::stoi(w.substr(1)));
    if (equals != std::string::npos) json.Write<double>(w.substr(0, equals).c_str(), std::stod(w.substr(equals + 1)));
    if (colon != std::string::npos) json.Write<const char*>(w.substr(0, colon).c_str(), w.substr(colon + 1).c_str());
  }
  return Written(s) + "|" + std::to_string(json.GetIndent());
}

TEST(VelaJSONStream, WritesTheDocumentedLayout) {
  EXPECT_EQ(Json("{ a=1.5 b:x }"), "{\n  \"a\": 1.5, \n  \"b\": \"x\"\n}|0");
  EXPECT_EQ(Json("( a=1 b=2 )"), "{\"a\": 1, \"b\": 2}|0");
  EXPECT_EQ(Json("{ name:solver {options tolerance=0.1 [levels =1 :three ] } (p x=1 ) count=1e21 }"),
            "{\n  \"name\": \"solver\", \n  \"options\": {\n    \"tolerance\": 0.10000000000000001, \n    \"levels\": [\n"
            "      1, \n      \"three\"\n    ]\n  }, \n  \"p\": {\"x\": 1}, \n  \"count\": 1e+21\n}|0");
  EXPECT_EQ(Json("[ ( x=0 ) { y=-0 } ]"), "[\n  {\"x\": 0}, \n  {\n    \"y\": -0\n  }\n]|0");
  // An empty container still breaks its line, and the next member takes the separator.
  EXPECT_EQ(Json("{ [list ] n=3 (none ) {open } }"),
            "{\n  \"list\": [\n\n  ], \n  \"n\": 3, \n  \"none\": {}, \n  \"open\": {\n\n  }\n}|0");
  // Closing any container leaves the writer non-inline, so an inline outer
  // object goes on on new lines (and its close drops the depth below 0).
  EXPECT_EQ(Json("( (p x=1 ) c=2 )"), "{\"p\": {\"x\": 1}, \n\"c\": 2\n}|-1");
  EXPECT_EQ(Json("(outer a=1 {o x=2 } b=3 )", 1, 1), "  \"outer\": {\"a\": 1, \"o\": {\n    \"x\": 2\n  }, \n  \"b\": 3\n}|0");
  EXPECT_EQ(Json("( say\"hi\":a\"quoted\"word q:\\ )"), "{\"say\"hi\"\": \"a\"quoted\"word\", \"q\": \"\\\"}|0");  // unescaped
  // The caller may have written members already (first 0; any other value is
  // true), at any depth; a negative depth indents nothing.
  EXPECT_EQ(Json("x=0.5 [v =1 ] ~1 }", 0, 2), ", \n    \"x\": 0.5, \n    \"v\": [\n      1\n    ]\n}|0");
  EXPECT_EQ(Json("a=1 ~-2 b=2 ~0 c=3", -7, 3), "      \"a\": 1, \n\"b\": 2, \n\"c\": 3|0");
}

}  // namespace
