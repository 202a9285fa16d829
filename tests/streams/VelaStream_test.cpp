// VelaStream: the three kinds of target, every insertion and writer, the
// manipulators' exact effects, flushing, and WriteDouble's fixed format.
#include "vela/streams/VelaStream.h"

#include <gtest/gtest.h>

#include <clocale>
#include <climits>
#include <filesystem>
#include <fstream>
#include <limits>
#include <locale>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>

#include "support/TestSupport.h"

namespace {

using vela::test::ReadFile;
using vela::test::TempPath;
using vela::test::WriteFile;

std::string Text(const VelaStream& s) {
  return static_cast<std::stringstream*>(s.GetStream())->str();
}

// ---------------------------------------------------------------------------
// Manipulators
// ---------------------------------------------------------------------------

TEST(VelaStreamManip, SetwWritesItsBlanksAtOnce) {
  VelaStream s;
  s << velsetw(4);
  EXPECT_EQ(Text(s), "    ");
  s << "x";
  EXPECT_EQ(Text(s), "    x");
}

TEST(VelaStreamManip, SetwBeforeANumberIsAnIndentNotAField) {
  VelaStream s;
  s << velsetw(6) << 42;
  EXPECT_EQ(Text(s), "      42");
  EXPECT_EQ(Text(s).size(), 8u);
}

TEST(VelaStreamManip, WidthNeverReachesTheNextItem) {
  VelaStream s;
  s << velsetw(3) << "a" << 7 << 'c' << 2.5 << velsetw(0) << "|" << velsetw(1) << velsetw(2) << "e";
  EXPECT_EQ(Text(s), "   a7c2.5|   e");
}

TEST(VelaStreamManip, FillPersistsAndOnlyPadsIndents) {
  VelaStream s;
  s << velsetfill('*');
  EXPECT_EQ(Text(s), "");
  s << velsetw(3);
  EXPECT_EQ(Text(s), "***");
  s << "a" << 5 << velsetw(2) << "b" << velsetfill('-') << velsetw(1) << "c";
  EXPECT_EQ(Text(s), "***a5**b-c");
}

TEST(VelaStreamManip, PrecisionPersistsAcrossInsertions) {
  VelaStream s;
  s << velsetprecision(3);
  EXPECT_EQ(Text(s), "");
  s << 3.14159 << " " << 2.71828 << " " << 100.0 << " " << 1234.5;
  EXPECT_EQ(Text(s), "3.14 2.72 100 1.23e+03");
}

TEST(VelaStreamManip, FixedFloatFieldPersists) {
  VelaStream s;
  s << velsetprecision(2) << velsetfixedfloatfield();
  EXPECT_EQ(Text(s), "");
  s << 1.0 << " " << 2.25 << " " << "x" << 7 << " " << 1234.5 << " " << velsetprecision(0) << 0.75;
  EXPECT_EQ(Text(s), "1.00 2.25 x7 1234.50 1");
}

TEST(VelaStreamManip, EndlWritesANewline) {
  VelaStream s;
  s << "a" << velendl;
  velendl(s) << "b";
  EXPECT_EQ(Text(s), "a\n\nb");
}

// ---------------------------------------------------------------------------
// Insertion and writers
// ---------------------------------------------------------------------------

TEST(VelaStreamInsert, EveryOverloadWritesTheStandardText) {
  VelaStream s;
  const std::string standard("std");
  s << "text" << '|' << VelaString("vela") << '|' << standard << '|' << -12 << '|' << 4000000000u
    << '|' << LONG_MIN << '|' << ULONG_MAX << '|' << LLONG_MIN << '|' << ULLONG_MAX << '|'
    << 3.14159265 << '|' << 1e-7 << '|' << 1234567.0 << '|' << 0.5;
  EXPECT_EQ(Text(s),
            "text|vela|std|-12|4000000000|-9223372036854775808|18446744073709551615|"
            "-9223372036854775808|18446744073709551615|3.14159|1e-07|1.23457e+06|0.5");
}

TEST(VelaStreamInsert, PointerIsWrittenAsTheStandardStreamWritesIt) {
  int object = 0;
  const void* pointer = &object;
  std::ostringstream expected;
  expected << pointer << ' ' << static_cast<const void*>(nullptr);
  VelaStream s;
  s << pointer << ' ' << static_cast<const void*>(nullptr);
  EXPECT_EQ(Text(s), expected.str());
}

TEST(VelaStreamInsert, NullTextWritesNothingAndKeepsTheStreamGood) {
  VelaStream s;
  s << "a" << static_cast<const char*>(nullptr) << "b";
  EXPECT_EQ(Text(s), "ab");
  EXPECT_TRUE(s.good());
}

TEST(VelaStreamInsert, VelaStringStopsAtItsFirstZeroByte) {
  VelaString text("abcdef");
  text.mutableData()[2] = '\0';
  ASSERT_EQ(text.len(), 6);
  VelaStream s;
  s << text << "|";
  s.WriteString(text);
  EXPECT_EQ(Text(s), "ab|ab");
  VelaStream empty;
  empty << VelaString() << "|";
  EXPECT_EQ(Text(empty), "|");
}

TEST(VelaStreamInsert, CallersFlagsApplyToInsertions) {
  std::ostringstream out;
  out.precision(3);
  VelaStream s(&out);
  s << 3.14159;
  EXPECT_EQ(out.str(), "3.14");
}

TEST(VelaStreamWrite, WritersProduceTheirExactTexts) {
  VelaStream s;
  s.WriteInt(-7);
  s.WriteString("|");
  s.WriteLong(-2147483648L);
  s.WriteString("|");
  s.WriteShort(-32768);
  s.WriteString("|");
  s.WriteShort(65);  // a number, not the character 'A'
  s.WriteDelimiter();
  s.WriteLine("line");
  s.WriteLine("");
  s.WriteString("");
  EXPECT_EQ(Text(s), "-7|-2147483648|-32768|65;\nline\n\n");
}

TEST(VelaStreamWrite, WriteDoubleUsesSeventeenSignificantDigits) {
  const std::pair<double, const char*> cases[] = {
      {0.1, "0.10000000000000001"},
      {1e300, "1.0000000000000001e+300"},
      {1.0, "1"},
      {-0.0, "-0"},
      {-2.5, "-2.5"},
      {1e-5, "1.0000000000000001e-05"},
      {1e16, "10000000000000000"},
      {1e17, "1e+17"},
      {123456789012345678.0, "1.2345678901234568e+17"},
      {std::numeric_limits<double>::max(), "1.7976931348623157e+308"},
      {std::numeric_limits<double>::denorm_min(), "4.9406564584124654e-324"},
      {std::numeric_limits<double>::infinity(), "inf"},
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

  std::ostringstream out;
  out.precision(3);
  out.setf(std::ios::scientific, std::ios::floatfield);
  VelaStream user(&out);
  user.WriteDouble(1e300);
  EXPECT_EQ(out.str(), "1.0000000000000001e+300");
}

// ---------------------------------------------------------------------------
// WriteDouble under a decimal-comma locale
// ---------------------------------------------------------------------------

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

// ---------------------------------------------------------------------------
// Streams that write nothing
// ---------------------------------------------------------------------------

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

TEST(VelaStreamDiscard, NamedConstructorOfOtherTypesDropsEverything) {
  TempPath path("vela_stream_discard");
  for (const auto type : {VelaStream::STRING_STREAM, VelaStream::USER_STREAM}) {
    VelaStream s(path.path().c_str(), type, 0);
    ExerciseEverything(s);
    EXPECT_FALSE(s.good());
    EXPECT_EQ(s.GetStream(), nullptr);
  }
  EXPECT_FALSE(std::filesystem::exists(path.path()));
}

TEST(VelaStreamDiscard, NullCallerStreamDropsEverything) {
  VelaStream s(static_cast<std::ostream*>(nullptr));
  ExerciseEverything(s);
  EXPECT_FALSE(s.good());
  EXPECT_EQ(s.GetStream(), nullptr);
}

TEST(VelaStreamDiscard, FileInAMissingFolderFailsAndWritesNothing) {
  TempPath folder("vela_stream_nofolder");
  const std::string name = folder.path() + "/sub/out.txt";
  VelaStream s(name.c_str(), VelaStream::FILE_STREAM, 0);
  EXPECT_FALSE(s.good());
  ExerciseEverything(s);
  s << "more";
  EXPECT_FALSE(s.good());
  EXPECT_FALSE(std::filesystem::exists(folder.path()));
}

// ---------------------------------------------------------------------------
// Files
// ---------------------------------------------------------------------------

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

TEST(VelaStreamFile, DestructorClosesTheFileWithEverythingWritten) {
  TempPath path("vela_stream_close");
  {
    VelaStream s(path.path().c_str(), VelaStream::FILE_STREAM, 0);
    s << "no newline, no flush";
  }
  EXPECT_EQ(ReadFile(path.path()), "no newline, no flush");
}

TEST(VelaStreamFile, AppendModeAppends) {
  TempPath path("vela_stream_append");
  WriteFile(path.path(), "old\n");
  {
    VelaStream s(path.path().c_str(), VelaStream::FILE_STREAM, 1);
    s << "new";
  }
  {
    VelaStream s(path.path().c_str(), VelaStream::FILE_STREAM, 1);
    s << "er";
  }
  EXPECT_EQ(ReadFile(path.path()), "old\nnewer");
}

TEST(VelaStreamFile, TruncateModeTruncates) {
  TempPath path("vela_stream_truncate");
  WriteFile(path.path(), "an old and longer content\n");
  {
    VelaStream s(path.path().c_str(), VelaStream::FILE_STREAM, 0);
    s << "new";
  }
  EXPECT_EQ(ReadFile(path.path()), "new");
}

TEST(VelaStreamFile, EitherModeCreatesAMissingFile) {
  for (const unsigned char append : {0, 1}) {
    TempPath path("vela_stream_create");
    {
      VelaStream s(path.path().c_str(), VelaStream::FILE_STREAM, append);
      EXPECT_TRUE(s.good());
      s << "x";
    }
    EXPECT_EQ(ReadFile(path.path()), "x") << "append " << int{append};
  }
}

// ---------------------------------------------------------------------------
// A caller's stream and stream control
// ---------------------------------------------------------------------------

TEST(VelaStreamUser, CallersStreamOutlivesTheVelaStream) {
  TempPath path("vela_stream_user");
  std::ofstream file(path.path());
  std::ostringstream memory;
  {
    VelaStream toFile(&file);
    VelaStream toMemory(&memory);
    EXPECT_TRUE(toFile.good());
    EXPECT_EQ(toFile.GetStream(), nullptr);
    EXPECT_EQ(toMemory.GetStream(), nullptr);
    toFile << "via vela;";
    toMemory << "via vela;";
  }
  ASSERT_TRUE(file.is_open());
  file << "after";
  memory << "after";
  file.close();
  EXPECT_EQ(ReadFile(path.path()), "via vela;after");
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

  VelaStream memory;
  memory.GetStream()->setstate(std::ios::failbit);
  EXPECT_FALSE(memory.good());
  memory.clear();
  EXPECT_TRUE(memory.good());
  memory << "ok";
  EXPECT_EQ(Text(memory), "ok");
}

}  // namespace
