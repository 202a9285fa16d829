// VelaStream: the three kinds of target, every insertion and writer, the
// manipulators' exact effects, flushing, and WriteDouble's fixed format.
#include "vela/streams/VelaStream.h"

#include <gtest/gtest.h>

#include <climits>
#include <clocale>
#include <filesystem>
#include <limits>
#include <locale>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "support/TestSupport.h"

namespace {

using vela::test::ReadFile;
using vela::test::TempPath;
using vela::test::WriteFile;

std::string Text(const VelaStream& s) {
  return static_cast<std::stringstream*>(s.GetStream())->str();
}

// Each row: what is written to a fresh in-memory stream, the whole text.
struct Row {
  void (*write)(VelaStream&);
  const char* text;
};

void ExpectRows(const std::vector<Row>& rows) {
  for (std::size_t i = 0; i < rows.size(); ++i) {
    VelaStream s;
    rows[i].write(s);
    EXPECT_EQ(Text(s), rows[i].text) << "row " << i;
  }
}

TEST(VelaStreamManip, ManipulatorsWriteIndentsAtOnceAndKeepTheirSettings) {
  ExpectRows({
      {[](VelaStream& s) { s << velsetw(4); }, "    "},
      {[](VelaStream& s) { s << velsetw(4) << "x"; }, "    x"},
      // An indent, not a right-aligned field: eight characters.
      {[](VelaStream& s) { s << velsetw(6) << 42; }, "      42"},
      // The width never reaches the next item.
      {[](VelaStream& s) {
         s << velsetw(3) << "a" << 7 << 'c' << 2.5 << velsetw(0) << "|" << velsetw(1) << velsetw(2)
           << "e";
       },
       "   a7c2.5|   e"},
      // Fill, precision and the fixed flag persist; setting them writes nothing.
      {[](VelaStream& s) { s << velsetfill('*') << velsetprecision(3) << velsetfixedfloatfield(); },
       ""},
      {[](VelaStream& s) { s << velsetfill('*') << velsetw(3); }, "***"},
      {[](VelaStream& s) {
         s << velsetfill('*') << velsetw(3) << "a" << 5 << velsetw(2) << "b" << velsetfill('-')
           << velsetw(1) << "c";
       },
       "***a5**b-c"},
      {[](VelaStream& s) {
         s << velsetprecision(3) << 3.14159 << " " << 2.71828 << " " << 100.0 << " " << 1234.5;
       },
       "3.14 2.72 100 1.23e+03"},
      {[](VelaStream& s) {
         s << velsetprecision(2) << velsetfixedfloatfield() << 1.0 << " " << 2.25 << " "
           << "x" << 7 << " " << 1234.5 << " " << velsetprecision(0) << 0.75;
       },
       "1.00 2.25 x7 1234.50 1"},
      {[](VelaStream& s) { velendl(s << "a" << velendl) << "b"; }, "a\n\nb"},
  });
}

TEST(VelaStreamInsert, InsertionsAndWritersProduceTheStandardTexts) {
  ExpectRows({
      {[](VelaStream& s) {
         s << "text" << '|' << VelaString("vela") << '|' << std::string("std") << '|' << -12 << '|'
           << 4000000000u << '|' << LONG_MIN << '|' << ULONG_MAX << '|' << LLONG_MIN << '|'
           << ULLONG_MAX << '|' << 3.14159265 << '|' << 1e-7 << '|' << 1234567.0;
       },
       "text|vela|std|-12|4000000000|-9223372036854775808|18446744073709551615|"
       "-9223372036854775808|18446744073709551615|3.14159|1e-07|1.23457e+06"},
      {[](VelaStream& s) {
         s << "a" << static_cast<const char*>(nullptr) << "b" << VelaString()
           << (s.good() ? "" : "bad");
       },
       "ab"},
      {[](VelaStream& s) {
         VelaString text("abcdef");
         text.mutableData()[2] = '\0';
         s << text << "|";
         s.WriteString(text);
       },
       "ab|ab"},
      {[](VelaStream& s) {
         s.WriteInt(-7);
         s.WriteString("|");
         s.WriteLong(-2147483648L);
         s.WriteString("|");
         s.WriteShort(65);  // a number, not the character 'A'
         s.WriteDelimiter();
         s.WriteLine("line");
         s.WriteLine("");
       },
       "-7|-2147483648|65;\nline\n\n"},
  });
  int object = 0;
  std::ostringstream expected;
  expected << static_cast<const void*>(&object) << ' ' << static_cast<const void*>(nullptr);
  VelaStream s;
  s << static_cast<const void*>(&object) << ' ' << static_cast<const void*>(nullptr);
  EXPECT_EQ(Text(s), expected.str());
}

TEST(VelaStreamWrite, WriteDoubleUsesSeventeenSignificantDigits) {
  const std::pair<double, const char*> cases[] = {
      {0.1, "0.10000000000000001"},
      {1e300, "1.0000000000000001e+300"},
      {-0.0, "-0"},
      {1e-5, "1.0000000000000001e-05"},
      {1e16, "10000000000000000"},
      {1e17, "1e+17"},
      {std::numeric_limits<double>::denorm_min(), "4.9406564584124654e-324"},
      {-std::numeric_limits<double>::infinity(), "-inf"},
  };
  for (const auto& [value, text] : cases) {
    VelaStream s;
    s.WriteDouble(value);
    EXPECT_EQ(Text(s), text) << text;
  }
}

TEST(VelaStreamWrite, WriteDoubleIgnoresTheStreamsFormatFlags) {
  VelaStream s;
  s << velsetprecision(2) << velsetfixedfloatfield() << 0.1 << " ";
  s.WriteDouble(0.1);
  s << " " << 0.1;
  EXPECT_EQ(Text(s), "0.10 0.10000000000000001 0.10");

  // A caller's flags apply to insertions, not to WriteDouble.
  std::ostringstream out;
  out.precision(3);
  out.setf(std::ios::scientific, std::ios::floatfield);
  VelaStream user(&out);
  user << 3.14159 << " ";
  user.WriteDouble(1e300);
  EXPECT_EQ(out.str(), "3.142e+00 1.0000000000000001e+300");
}

// Restores the global C and C++ locales on the way out.
class GlobalLocaleGuard {
 public:
  GlobalLocaleGuard() : cpp_(std::locale()), c_(std::setlocale(LC_ALL, nullptr)) {}
  ~GlobalLocaleGuard() {
    std::setlocale(LC_ALL, c_.c_str());
    std::locale::global(cpp_);
  }
  GlobalLocaleGuard(const GlobalLocaleGuard&) = delete;
  GlobalLocaleGuard& operator=(const GlobalLocaleGuard&) = delete;

 private:
  std::locale cpp_;
  std::string c_;
};

struct CommaPunct : std::numpunct<char> {
  char do_decimal_point() const override { return ','; }
  char do_thousands_sep() const override { return '.'; }
  std::string do_grouping() const override { return "\3"; }
};

void ExpectPointWhateverTheGlobalLocale() {
  // A caller's stream made now takes the comma locale: plain insertion shows
  // the comma, WriteDouble does not.
  std::ostringstream out;
  VelaStream user(&out);
  user << 2.5 << " ";
  user.WriteDouble(2.5);
  user << " ";
  user.WriteDouble(1234567.25);
  EXPECT_EQ(out.str(), "2,5 2.5 1234567.25");

  // The streams VelaStream owns keep the "C" locale.
  VelaStream memory;
  memory << 2.5 << " " << 1234567 << " ";
  memory.WriteDouble(0.1);
  EXPECT_EQ(Text(memory), "2.5 1234567 0.10000000000000001");

  TempPath path("vela_stream_locale");
  {
    VelaStream file(path.path().c_str(), VelaStream::FILE_STREAM, 0);
    file << 2.5 << " ";
    file.WriteDouble(1e300);
  }
  EXPECT_EQ(ReadFile(path.path()), "2.5 1.0000000000000001e+300");
}

TEST(VelaStreamLocale, WriteDoubleUsesAPointUnderACommaFacet) {
  GlobalLocaleGuard guard;
  std::locale::global(std::locale(std::locale::classic(), new CommaPunct));
  ExpectPointWhateverTheGlobalLocale();
}

TEST(VelaStreamLocale, WriteDoubleUsesAPointUnderAnInstalledCommaLocale) {
  GlobalLocaleGuard guard;
  bool installed = false;
  for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "fr_FR.utf8",
                           "fr_FR", "it_IT.UTF-8", "nl_NL.UTF-8"}) {
    try {
      std::locale named(name);
      if (std::use_facet<std::numpunct<char>>(named).decimal_point() != ',' ||
          std::setlocale(LC_ALL, name) == nullptr) {
        continue;
      }
      std::locale::global(named);
      installed = true;
      break;
    } catch (const std::runtime_error&) {
    }
  }
  if (!installed) GTEST_SKIP() << "no locale with a decimal comma is installed";
  ASSERT_EQ(*std::localeconv()->decimal_point, ',');
  ExpectPointWhateverTheGlobalLocale();
}

// Every operation a stream offers, for the streams that must drop them all.
void ExerciseEverything(VelaStream& s) {
  const std::string standard("std");
  s << "text" << static_cast<const char*>(nullptr) << 'c' << VelaString("vela") << standard << -1
    << 2u << -3L << 4ul << -5LL << 6ull << 7.5 << static_cast<const void*>(&s) << velendl
    << velsetw(4) << velsetfill('*') << velsetprecision(3) << velsetfixedfloatfield();
  velendl(s);
  s.WriteInt(1);
  s.WriteLong(2);
  s.WriteShort(3);
  s.WriteString("x");
  s.WriteLine("y");
  s.WriteDelimiter();
  s.WriteDouble(0.1);
  s.Flush();
  s.clear();
}

TEST(VelaStreamFile, BackslashesInTheNameSeparateFolders) {
  TempPath folder("vela_stream_backslash");
  std::filesystem::create_directories(folder.path() + "/sub");
  {
    VelaStream out(VelaString(folder.path().c_str()) + "\\sub\\out.txt", VelaStream::FILE_STREAM,
                   0);
    ASSERT_TRUE(out.good());
    out << "inside";
  }
  EXPECT_EQ(ReadFile(folder.path() + "/sub/out.txt"), "inside");
}

TEST(VelaStreamDiscard, StreamsWithoutTargetDropEverything) {
  TempPath folder("vela_stream_discard");
  const std::string name = folder.path() + "/sub/out.txt";
  VelaStream asString(name.c_str(), VelaStream::STRING_STREAM, 0);
  VelaStream asUser(name.c_str(), VelaStream::USER_STREAM, 0);
  VelaStream nullUser(static_cast<std::ostream*>(nullptr));
  // A file in a missing folder fails and stays failed.
  VelaStream missingFolder(name.c_str(), VelaStream::FILE_STREAM, 0);
  for (VelaStream* s : {&asString, &asUser, &nullUser, &missingFolder}) {
    EXPECT_FALSE(s->good());
    ExerciseEverything(*s);
    *s << "more";  // after clear(), a write fails again
    EXPECT_FALSE(s->good());
  }
  EXPECT_EQ(asString.GetStream(), nullptr);
  EXPECT_EQ(asUser.GetStream(), nullptr);
  EXPECT_EQ(nullUser.GetStream(), nullptr);
  EXPECT_FALSE(std::filesystem::exists(folder.path()));
}

TEST(VelaStreamFile, EndlAndWriteLineFlushToDisk) {
  TempPath path("vela_stream_flush");
  VelaStream s(path.path().c_str(), VelaStream::FILE_STREAM, 0);
  ASSERT_TRUE(s.good());
  ASSERT_NE(s.GetStream(), nullptr);
  s << "first" << velendl;
  EXPECT_EQ(ReadFile(path.path()), "first\n");
  s.WriteLine("second");
  EXPECT_EQ(ReadFile(path.path()), "first\nsecond\n");
  s << "third";
  s.Flush();
  EXPECT_EQ(ReadFile(path.path()), "first\nsecond\nthird");
}

// Each row: the file's content before (none: no file), the append flag, the
// content after two streams in turn wrote "new" and "er" without flushing.
TEST(VelaStreamFile, DestructorClosesAndModesAppendTruncateOrCreate) {
  const struct {
    const char* before;
    unsigned char append;
    const char* after;
  } rows[] = {{"old\n", 1, "old\nnewer"},
              {"an old and longer content\n", 0, "er"},
              {nullptr, 0, "er"},
              {nullptr, 1, "newer"}};
  for (const auto& row : rows) {
    TempPath path("vela_stream_modes");
    if (row.before != nullptr) WriteFile(path.path(), row.before);
    for (const char* text : {"new", "er"}) {
      VelaStream s(path.path().c_str(), VelaStream::FILE_STREAM, row.append);
      EXPECT_TRUE(s.good());
      s << text;
    }
    EXPECT_EQ(ReadFile(path.path()), row.after) << "append " << int{row.append};
  }
}

TEST(VelaStreamUser, CallersStreamOutlivesTheVelaStream) {
  std::ostringstream memory;
  {
    VelaStream toMemory(&memory);
    EXPECT_TRUE(toMemory.good());
    EXPECT_EQ(toMemory.GetStream(), nullptr);
    toMemory << "via vela;";
  }
  memory << "after";
  EXPECT_EQ(memory.str(), "via vela;after");
}

TEST(VelaStreamControl, ClearResetsAFailedState) {
  std::ostringstream out;
  VelaStream user(&out);
  out.setstate(std::ios::badbit);
  EXPECT_FALSE(user.good());
  user << "lost";
  user.clear();
  EXPECT_TRUE(user.good());
  EXPECT_EQ(out.rdstate(), std::ios::goodbit);
  user << "kept";
  EXPECT_EQ(out.str(), "kept");
}

}  // namespace
