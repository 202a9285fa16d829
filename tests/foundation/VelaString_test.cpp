// Behaviour of the copy-on-write string: exact texts of every constructor,
// assignment and append form, sharing and detaching, queries, in-place
// changes, derived strings, tokenising and the free functions.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <functional>
#include <limits>
#include <new>
#include <sstream>
#include <string>
#include <vector>

#include "vela/foundation/VelaString.h"

namespace {

// The text as the string records it: exactly len() bytes.
std::string Text(const VelaString& s) { return std::string(s.str(), static_cast<std::size_t>(s.len())); }

// Every empty string reads the one static empty text; a string that owns a
// block points elsewhere.
bool OwnsNoBlock(const VelaString& s) { return s.str() == VelaString().str(); }

// "ab\0cd": a text with an embedded zero byte, made the only way the
// interface allows, by growing the length and filling through mutableData().
VelaString TextWithEmbeddedZero() {
  VelaString s("ab");
  s.len(5);
  std::memcpy(s.mutableData() + 2, "\0cd", 4);
  return s;
}

// ---------------------------------------------------------------------------
// Number formats
// ---------------------------------------------------------------------------

TEST(VelaString, FormatsIntegersOfEveryWidth) {
  EXPECT_EQ(Text(VelaString(0)), "0");
  EXPECT_EQ(Text(VelaString(-42)), "-42");
  EXPECT_EQ(Text(VelaString(INT_MIN)), "-2147483648");
  EXPECT_EQ(Text(VelaString(INT_MAX)), "2147483647");
  EXPECT_EQ(Text(VelaString(UINT_MAX)), "4294967295");
  EXPECT_EQ(Text(VelaString(static_cast<unsigned long>(4294967295))), "4294967295");
  EXPECT_EQ(Text(VelaString(-7L)), "-7");
  EXPECT_EQ(Text(VelaString(LONG_MIN)), "-9223372036854775808");
  EXPECT_EQ(Text(VelaString(ULONG_MAX)), "18446744073709551615");
  EXPECT_EQ(Text(VelaString(LLONG_MIN)), "-9223372036854775808");
  EXPECT_EQ(Text(VelaString(LLONG_MAX)), "9223372036854775807");
  EXPECT_EQ(Text(VelaString(ULLONG_MAX)), "18446744073709551615");
}

TEST(VelaString, FormatsDoublesWithPrecisionCappedAt18) {
  EXPECT_EQ(Text(VelaString(0.1)), "0.10000000000000001");
  EXPECT_EQ(Text(VelaString(0.1, 3)), "0.1");
  EXPECT_EQ(Text(VelaString(0.1, 18)), "0.100000000000000006");
  EXPECT_EQ(Text(VelaString(0.1, 25)), "0.100000000000000006");
  EXPECT_EQ(Text(VelaString(1.0 / 3, 0)), "0.3");
  // The cap compares the precision as a signed 32-bit number: -1 means the
  // runtime default of 6, and 2^32 + 18 is 18.
  EXPECT_EQ(Text(VelaString(1.0 / 3, static_cast<std::size_t>(-1))), "0.333333");
  EXPECT_EQ(Text(VelaString(0.1, (std::size_t{1} << 32) + 18)), "0.100000000000000006");
  EXPECT_EQ(Text(VelaString(1.5)), "1.5");
  EXPECT_EQ(Text(VelaString(-0.0)), "-0");
  EXPECT_EQ(Text(VelaString(1e300)), "1.0000000000000001e+300");
  EXPECT_EQ(Text(VelaString(5e-324)), "4.9406564584124654e-324");
  EXPECT_EQ(Text(VelaString(std::numeric_limits<double>::max())), "1.7976931348623157e+308");
  EXPECT_EQ(Text(VelaString(123456789012345678.0)), "1.2345678901234568e+17");
  EXPECT_EQ(Text(VelaString(std::numeric_limits<double>::infinity())), "inf");
  EXPECT_EQ(Text(VelaString(-std::numeric_limits<double>::infinity())), "-inf");
}

TEST(VelaString, AssignsAndAppendsNumbersInTheSameFormats) {
  VelaString s("old");
  s = 0.1;
  EXPECT_EQ(Text(s), "0.10000000000000001");
  s.set(0.1, 3);
  EXPECT_EQ(Text(s), "0.1");
  s.set(0.1, 25);
  EXPECT_EQ(Text(s), "0.100000000000000006");
  s = static_cast<unsigned long>(4294967295);
  EXPECT_EQ(Text(s), "4294967295");
  s = LLONG_MIN;
  EXPECT_EQ(Text(s), "-9223372036854775808");
  s.set(-5);
  EXPECT_EQ(Text(s), "-5");
  s.set(7u);
  EXPECT_EQ(Text(s), "7");
  s.set(ULLONG_MAX);
  EXPECT_EQ(Text(s), "18446744073709551615");

  VelaString a;
  a << -1 << ' ' << 2u << ' ' << -3L << ' ' << 4UL << ' ' << -5LL << ' ' << 6ULL << ' ' << 0.1;
  EXPECT_EQ(Text(a), "-1 2 -3 4 -5 6 0.10000000000000001");
  a += 0.5;
  a.add(0.1, 3).add(0.1, 25);
  EXPECT_EQ(Text(a), "-1 2 -3 4 -5 6 0.100000000000000010.50.10.100000000000000006");
}

// ---------------------------------------------------------------------------
// Empty inputs
// ---------------------------------------------------------------------------

TEST(VelaString, NullEmptyAndZeroInputsGiveEmptyStringsWithoutBlock) {
  const std::vector<VelaString> empties = {
      VelaString(),           VelaString::empty(),        VelaString('\0'),
      VelaString(""),         VelaString(nullptr),        VelaString(nullptr, 4),
      VelaString("abc", 0),   VelaString("", 3),          VelaString(std::string()),
      VelaString(VelaString("abc"), 0), VelaString(VelaString(), 0)};
  for (std::size_t i = 0; i < empties.size(); ++i) {
    const VelaString& s = empties[i];
    SCOPED_TRACE(i);
    EXPECT_TRUE(s.isEmpty());
    EXPECT_TRUE(!s);
    EXPECT_EQ(s.len(), 0);
    EXPECT_EQ(s.size(), 1u);
    ASSERT_NE(s.str(), nullptr);
    EXPECT_STREQ(s.str(), "");
    EXPECT_EQ(s[0], '\0');
    EXPECT_TRUE(OwnsNoBlock(s));
  }
}

TEST(VelaString, EmptyingAssignmentsAndChangesReleaseTheBlock) {
  const std::vector<std::function<void(VelaString&)>> emptiers = {
      [](VelaString& s) { s = '\0'; },
      [](VelaString& s) { s = static_cast<const char*>(nullptr); },
      [](VelaString& s) { s = ""; },
      [](VelaString& s) { s.set(nullptr, 3); },
      [](VelaString& s) { s.set("xyz", 0); },
      [](VelaString& s) { s.set(VelaString("xyz"), 0); },
      [](VelaString& s) { s = VelaString(); },
      [](VelaString& s) { s.len(0); },
      [](VelaString& s) { s.clear(); },
  };
  for (std::size_t i = 0; i < emptiers.size(); ++i) {
    SCOPED_TRACE(i);
    VelaString s("some text");
    VelaString copy = s;
    emptiers[i](s);
    EXPECT_TRUE(s.isEmpty());
    EXPECT_TRUE(OwnsNoBlock(s));
    EXPECT_EQ(Text(copy), "some text");
  }
}

TEST(VelaString, EmptyStringIgnoresLowerUpperAndCharReplace) {
  VelaString s;
  s.lower().upper().replace('a', 'b');
  EXPECT_TRUE(OwnsNoBlock(s));
}

// ---------------------------------------------------------------------------
// Construction from text
// ---------------------------------------------------------------------------

TEST(VelaString, CountedConstructorsStopAtCountOrTerminator) {
  EXPECT_EQ(Text(VelaString("hello", 3)), "hel");
  EXPECT_EQ(Text(VelaString("hi", 10)), "hi");
  EXPECT_EQ(Text(VelaString('x')), "x");
  EXPECT_EQ(Text(VelaString(std::string("ab\0cd", 5))), "ab");
  EXPECT_EQ(Text(VelaString(VelaString("hello"), 4)), "hell");
  VelaString s;
  s.set("hello", 2);
  EXPECT_EQ(Text(s), "he");
  s.set(VelaString("world"), 3);
  EXPECT_EQ(Text(s), "wor");
}

TEST(VelaString, PrefixCopiesOfATextWithEmbeddedZeroEndAtTheZero) {
  const VelaString zeroed = TextWithEmbeddedZero();
  ASSERT_EQ(zeroed.len(), 5);
  EXPECT_EQ(Text(VelaString(zeroed, 5)), "ab");
  EXPECT_EQ(Text(VelaString(zeroed, 2)), "ab");
  EXPECT_EQ(static_cast<std::string>(zeroed), "ab");
  std::ostringstream out;
  out << zeroed << '|' << VelaString("hello") << '|' << VelaString();
  EXPECT_EQ(out.str(), "ab|hello|");
  EXPECT_EQ(static_cast<std::string>(VelaString("hello")), "hello");
}

TEST(VelaString, RecordConstructorTakesOverAShareWithoutCounting) {
  const VelaString a("shared text");
  // Give the record a share of its own by copying into storage that is never
  // destroyed; the new string takes that share over and releases it.
  alignas(VelaString) unsigned char storage[sizeof(VelaString)];
  new (storage) VelaString(a);
  {
    const VelaString b(VelaString::str_t{const_cast<char*>(a.str()), static_cast<std::uint64_t>(a.len())});
    EXPECT_EQ(b.str(), a.str());
    EXPECT_EQ(Text(b), "shared text");
  }
  // a still owns a valid share: writing through a copy detaches cleanly.
  VelaString c = a;
  c += "!";
  EXPECT_EQ(Text(a), "shared text");
  EXPECT_EQ(Text(c), "shared text!");
}

// ---------------------------------------------------------------------------
// Sharing
// ---------------------------------------------------------------------------

TEST(VelaString, CopiesShareOneBlockUntilWritten) {
  VelaString a("abc");
  VelaString b = a;
  VelaString c;
  c = b;
  VelaString d;
  d.set(a);
  EXPECT_EQ(b.str(), a.str());
  EXPECT_EQ(c.str(), a.str());
  EXPECT_EQ(d.str(), a.str());

  const char* before = a.str();
  b += "d";
  EXPECT_EQ(Text(a), "abc");
  EXPECT_EQ(Text(b), "abcd");
  EXPECT_EQ(a.str(), before);
  EXPECT_NE(b.str(), before);
  EXPECT_EQ(c.str(), before);
  EXPECT_EQ(d.str(), before);
}

TEST(VelaString, SelfAssignmentKeepsTheBlock) {
  VelaString a("abc");
  const char* before = a.str();
  VelaString& alias = a;
  a = alias;
  a.set(alias);
  EXPECT_EQ(a.str(), before);
  EXPECT_EQ(Text(a), "abc");
}

TEST(VelaString, EveryInPlaceChangeDetachesOnlyTheWriter) {
  const std::vector<std::function<void(VelaString&)>> writers = {
      [](VelaString& s) { s += "x"; },
      [](VelaString& s) { s += 'x'; },
      [](VelaString& s) { s << 5; },
      [](VelaString& s) { s.add(VelaString("x")); },
      [](VelaString& s) { s.add("xyz", 2); },
      [](VelaString& s) { s.add(VelaString("xyz"), 1); },
      [](VelaString& s) { s.lower(); },
      [](VelaString& s) { s.upper(); },
      [](VelaString& s) { s.replace('a', 'z'); },
      [](VelaString& s) { s.len(2); },
      [](VelaString& s) { s.mutableData()[0] = 'Q'; },
      [](VelaString& s) { s = "other"; },
      [](VelaString& s) { s.set("other", 3); },
      [](VelaString& s) { s = 17; },
  };
  for (std::size_t i = 0; i < writers.size(); ++i) {
    SCOPED_TRACE(i);
    VelaString original("aBcDe");
    VelaString reader = original;
    VelaString writer = original;
    const char* block = original.str();
    writers[i](writer);
    EXPECT_EQ(Text(original), "aBcDe");
    EXPECT_EQ(Text(reader), "aBcDe");
    EXPECT_EQ(original.str(), block);
    EXPECT_EQ(reader.str(), block);
    EXPECT_NE(writer.str(), block);
  }
}

TEST(VelaString, WritingAPrivateStringKeepsItsBlockWithinAClass) {
  VelaString s("abc");
  const char* block = s.str();
  s += "def";
  s.upper();
  s.replace('A', 'z');
  s.len(4);
  EXPECT_EQ(s.str(), block);
  EXPECT_EQ(Text(s), "zBCD");
}

// ---------------------------------------------------------------------------
// Appending
// ---------------------------------------------------------------------------

TEST(VelaString, AppendingItselfLeavesItUnchangedButPlusDoubles) {
  VelaString a("abc");
  const char* block = a.str();
  a += a;
  a << a;
  a.add(a);
  a.add(a, 2);
  a.add(a.str());
  a.add(a.str(), 2);
  a += "";
  a += static_cast<const char*>(nullptr);
  a.add("xyz", 0);
  a += '\0';
  a += VelaString();
  EXPECT_EQ(Text(a), "abc");
  EXPECT_EQ(a.str(), block);
  EXPECT_EQ(Text(a + a), "abcabc");
  EXPECT_EQ(Text(a), "abc");
}

TEST(VelaString, AppendingACopyThatSharesTheBlockDoubles) {
  VelaString a("abc");
  const VelaString b = a;
  a += b;
  EXPECT_EQ(Text(a), "abcabc");
  EXPECT_EQ(Text(b), "abc");
}

TEST(VelaString, AppendingAPointerIntoItsOwnMiddleWorksAcrossAReallocation) {
  // 59 characters fill the first class, so appending the tail moves the block.
  std::string model(59, '.');
  for (std::size_t i = 0; i < model.size(); ++i) model[i] = static_cast<char>('A' + i % 26);
  VelaString s(model.c_str());
  s.add(s.str() + 10);
  model += model.substr(10);
  EXPECT_EQ(Text(s), model);
  s.add(s.str() + 3, 4);
  model += model.substr(3, 4);
  EXPECT_EQ(Text(s), model);
  // The terminator itself appends nothing.
  s.add(s.str() + s.len());
  EXPECT_EQ(Text(s), model);
}

TEST(VelaString, SetFromItsOwnDataDoesNothingButFromItsMiddleCopies) {
  VelaString s("hello");
  const char* block = s.str();
  s = s.str();
  s.set(s.str(), 2);
  EXPECT_EQ(s.str(), block);
  EXPECT_EQ(Text(s), "hello");
  s = s.str() + 2;
  EXPECT_EQ(Text(s), "llo");
  s.set(s.str() + 1, 1);
  EXPECT_EQ(Text(s), "l");
}

TEST(VelaString, CountedAppendEndsAtAnEmbeddedZero) {
  const VelaString zeroed = TextWithEmbeddedZero();
  VelaString s("x");
  s.add(zeroed, 5);
  EXPECT_EQ(Text(s), "xab");
  s.add(zeroed, 1);
  EXPECT_EQ(Text(s), "xaba");
  s.add("hello", 3).add("hi", 10);
  EXPECT_EQ(Text(s), "xabahelhi");
  s.add(VelaString(), 3).add(zeroed, 0);
  EXPECT_EQ(Text(s), "xabahelhi");
}

TEST(VelaString, ConcatenationTreatsNullAndEmptyAsEmpty) {
  const VelaString ab("ab");
  EXPECT_EQ(Text(ab + VelaString("cd")), "abcd");
  EXPECT_EQ(Text(ab + "cd"), "abcd");
  EXPECT_EQ(Text("cd" + ab), "cdab");
  EXPECT_EQ(Text(ab + static_cast<const char*>(nullptr)), "ab");
  EXPECT_EQ(Text(static_cast<const char*>(nullptr) + ab), "ab");
  EXPECT_EQ(Text(ab + VelaString()), "ab");
  EXPECT_EQ(Text(VelaString() + ab), "ab");
  EXPECT_TRUE(OwnsNoBlock(VelaString() + ""));
  EXPECT_TRUE(OwnsNoBlock("" + VelaString()));
  EXPECT_TRUE(OwnsNoBlock(VelaString() + VelaString()));
  EXPECT_EQ(Text(ab), "ab");
}

// ---------------------------------------------------------------------------
// Queries
// ---------------------------------------------------------------------------

TEST(VelaString, SizeCountsTheTerminator) {
  const VelaString abc("abc");
  EXPECT_EQ(abc.size(), 4u);
  EXPECT_EQ(abc.len(), 3);
  EXPECT_EQ(abc[0], 'a');
  EXPECT_EQ(abc[2], 'c');
  EXPECT_EQ(abc[3], '\0');
}

TEST(VelaString, ComparesByUnsignedBytesWithPrefixesFirst) {
  const VelaString ab("ab");
  const VelaString abc("abc");
  EXPECT_FALSE(ab > abc);
  EXPECT_FALSE(ab >= abc);
  EXPECT_TRUE(abc > ab);
  EXPECT_TRUE(abc >= ab);
  EXPECT_TRUE(ab < abc);
  EXPECT_TRUE(ab <= abc);
  EXPECT_FALSE(abc < ab);
  EXPECT_TRUE(ab >= ab);
  EXPECT_FALSE(ab > ab);
  EXPECT_FALSE(ab > "abc");
  EXPECT_TRUE(abc >= "ab");
  EXPECT_TRUE("abc" > ab);
  EXPECT_FALSE("ab" >= abc);
  EXPECT_TRUE(ab > static_cast<const char*>(nullptr));
  EXPECT_TRUE(VelaString() >= static_cast<const char*>(nullptr));
  EXPECT_FALSE(static_cast<const char*>(nullptr) > VelaString());
  // Bytes at and above 0x80 order after ASCII.
  EXPECT_TRUE(VelaString("\xff") > VelaString("a"));
  EXPECT_TRUE(VelaString("\x80") > "z");
  EXPECT_FALSE("\x80" > VelaString("\xff"));
  EXPECT_TRUE(VelaString("b") > VelaString("abz"));
}

TEST(VelaString, EqualityComparesLengthsThenBytes) {
  const VelaString abc("abc");
  EXPECT_TRUE(abc == abc);
  EXPECT_TRUE(abc == VelaString("abc"));
  EXPECT_FALSE(abc == VelaString("abd"));
  EXPECT_FALSE(abc == VelaString("ab"));
  EXPECT_TRUE(abc == "abc");
  EXPECT_TRUE("abc" == abc);
  EXPECT_FALSE(abc == "abcd");
  EXPECT_TRUE(abc != "ab");
  EXPECT_TRUE(VelaString() == static_cast<const char*>(nullptr));
  EXPECT_TRUE(static_cast<const char*>(nullptr) == VelaString());
  EXPECT_TRUE(VelaString() == "");
  EXPECT_FALSE(abc == static_cast<const char*>(nullptr));
  EXPECT_TRUE(abc != VelaString());
}

TEST(VelaString, FindsCharactersAndTexts) {
  const VelaString s("abcabc");
  EXPECT_EQ(s.find('b', 0), 1);
  EXPECT_EQ(s.find('b', 2), 4);
  EXPECT_EQ(s.find('x', 0), -1);
  EXPECT_EQ(s.find('\0', 0), 6);
  EXPECT_EQ(VelaString("abc").find('\0', 0), 3);
  EXPECT_EQ(s.find(VelaString("ca"), 0), 2);
  EXPECT_EQ(s.find(VelaString("abc"), 1), 3);
  EXPECT_EQ(s.find(VelaString("abd"), 0), -1);
  EXPECT_EQ(s.find(VelaString("c"), 6), -1);
  EXPECT_EQ(s.findLast('a'), 3);
  EXPECT_EQ(s.findLast('z'), -1);
  EXPECT_EQ(s.findLast('\0'), 6);

  const VelaString empty;
  EXPECT_EQ(empty.find('x', 0), -1);
  EXPECT_EQ(empty.find('\0', 0), -1);
  EXPECT_EQ(empty.find(VelaString("x"), 0), -1);
  EXPECT_EQ(empty.find(VelaString(), 0), -1);
  EXPECT_EQ(empty.findLast('x'), -1);
}

// ---------------------------------------------------------------------------
// Changing in place
// ---------------------------------------------------------------------------

TEST(VelaString, LenShrinksAndGrowsForTheCallerToFill) {
  VelaString s("hello");
  s.len(2);
  EXPECT_EQ(Text(s), "he");
  EXPECT_EQ(s[2], '\0');

  s.len(5);
  EXPECT_EQ(s.len(), 5);
  std::memcpy(s.mutableData() + 2, "llo", 4);
  EXPECT_EQ(Text(s), "hello");

  // Growing across two classes keeps the text already there.
  s.len(300);
  char* data = s.mutableData();
  for (int i = 5; i < 300; ++i) data[i] = 'x';
  data[300] = '\0';
  EXPECT_EQ(Text(s), "hello" + std::string(295, 'x'));

  VelaString fresh;
  fresh.len(3);
  std::memcpy(fresh.mutableData(), "new", 4);
  EXPECT_EQ(Text(fresh), "new");
}

TEST(VelaString, LowerAndUpperMapAsciiAndLeaveHighBytes) {
  VelaString s("MiXeD 123 \xc4\xe4!");
  s.lower();
  EXPECT_EQ(Text(s), "mixed 123 \xc4\xe4!");
  EXPECT_EQ(Text(s.upper()), "MIXED 123 \xc4\xe4!");
}

TEST(VelaString, ReplacesEveryMatchingCharacter) {
  VelaString s("a-b-c-");
  EXPECT_EQ(Text(s.replace('-', '+')), "a+b+c+");
  EXPECT_EQ(Text(s.replace('x', 'y')), "a+b+c+");
}

// ---------------------------------------------------------------------------
// Building new strings
// ---------------------------------------------------------------------------

TEST(VelaString, SubStringClampsItsBounds) {
  const VelaString hello("hello");
  EXPECT_EQ(Text(hello.subString(2, -1)), "llo");
  EXPECT_TRUE(hello.subString(4, 2).isEmpty());
  EXPECT_TRUE(OwnsNoBlock(hello.subString(4, 2)));
  EXPECT_EQ(Text(hello.subString(-5, 100)), "hello");
  EXPECT_EQ(Text(hello.subString(1, 3)), "el");
  EXPECT_EQ(Text(hello.subString(3, 100)), "lo");
  EXPECT_TRUE(hello.subString(2, 2).isEmpty());
  EXPECT_TRUE(hello.subString(9, -1).isEmpty());
  EXPECT_TRUE(hello.subString(0, -2).isEmpty());
  EXPECT_TRUE(VelaString().subString(0, -1).isEmpty());
  EXPECT_EQ(hello.subString(0, -1).str(), hello.str());
}

TEST(VelaString, TrimsRunsOfOneCharacter) {
  const VelaString s("--a-b--");
  EXPECT_EQ(Text(s.trim('-')), "a-b");
  EXPECT_EQ(Text(s.trimLeft('-')), "a-b--");
  EXPECT_EQ(Text(s.trimRight('-')), "--a-b");
  EXPECT_EQ(Text(VelaString("  x  ").trim()), "x");
  const VelaString dashes("----");
  EXPECT_TRUE(OwnsNoBlock(dashes.trimLeft('-')));
  EXPECT_TRUE(OwnsNoBlock(dashes.trimRight('-')));
  EXPECT_TRUE(OwnsNoBlock(dashes.trim('-')));
  EXPECT_TRUE(VelaString().trim('-').isEmpty());
  // Nothing to cut: the whole text, shared.
  EXPECT_EQ(s.trim('x').str(), s.str());
  EXPECT_EQ(s.trimLeft('a').str(), s.str());
  EXPECT_EQ(s.trimRight('a').str(), s.str());
  EXPECT_EQ(Text(s), "--a-b--");
}

TEST(VelaString, FillStringPadsOnTheLeft) {
  EXPECT_EQ(Text(FillString(VelaString("42"), 5, '0')), "00042");
  const VelaString five("abcde");
  EXPECT_EQ(FillString(five, 3, '0').str(), five.str());
  EXPECT_EQ(FillString(five, 5, '0').str(), five.str());
  EXPECT_EQ(Text(FillString(five, 6, ' ')), " abcde");
  EXPECT_EQ(Text(FillString(VelaString(), 3, '*')), "***");
  EXPECT_TRUE(FillString(VelaString(), 0, '*').isEmpty());
  EXPECT_TRUE(FillString(VelaString(), -4, '*').isEmpty());
}

TEST(VelaString, HasPrefixAcceptsEmptyAndWholePrefixes) {
  const VelaString s("prefix.rest");
  EXPECT_TRUE(HasPrefix(s, VelaString("prefix")));
  EXPECT_TRUE(HasPrefix(s, VelaString()));
  EXPECT_TRUE(HasPrefix(s, s));
  EXPECT_TRUE(HasPrefix(VelaString(), VelaString()));
  EXPECT_FALSE(HasPrefix(s, VelaString("prefiX")));
  EXPECT_FALSE(HasPrefix(s, VelaString("prefix.rest!")));
  EXPECT_FALSE(HasPrefix(VelaString(), VelaString("p")));
}

TEST(VelaString, ReplaceTextKeepsTheTailAndNeverLoops) {
  const VelaString s("a-b--c-");
  EXPECT_EQ(Text(s.replace(VelaString("-"), VelaString("+-"))), "a+-b+-+-c+-");
  EXPECT_EQ(Text(s.replace(VelaString("--"), VelaString("="))), "a-b=c-");
  EXPECT_EQ(Text(s.replace(VelaString("-"), VelaString())), "abc");
  EXPECT_EQ(Text(VelaString("aaa").replace(VelaString("aa"), VelaString("b"))), "ba");
  EXPECT_EQ(Text(VelaString("xay").replace(VelaString("a"), VelaString("aa"))), "xaay");
  EXPECT_TRUE(VelaString("aa").replace(VelaString("a"), VelaString()).isEmpty());
  // No occurrence, or an empty pattern: the whole text, shared.
  EXPECT_EQ(s.replace(VelaString("x"), VelaString("y")).str(), s.str());
  EXPECT_EQ(s.replace(VelaString(), VelaString("y")).str(), s.str());
  EXPECT_TRUE(VelaString().replace(VelaString("a"), VelaString("b")).isEmpty());
  EXPECT_EQ(Text(s), "a-b--c-");
}

// ---------------------------------------------------------------------------
// Tokenising
// ---------------------------------------------------------------------------

std::vector<std::string> Tokens(const VelaString& s, VelaString::token& t, const VelaString& separators) {
  std::vector<std::string> tokens;
  while (s.getToken(t, separators)) tokens.push_back(Text(t.getToken()));
  return tokens;
}

TEST(VelaString, TokenisingTwoWordsEndsWithTheCursorReset) {
  const VelaString s("  one   two  ");
  VelaString::token t;
  EXPECT_EQ(Tokens(s, t, VelaString(" ")), (std::vector<std::string>{"one", "two"}));
  EXPECT_EQ(t.position, 0u);
  EXPECT_TRUE(t.getToken().isEmpty());
  // The reset cursor scans the text again.
  EXPECT_EQ(Tokens(s, t, VelaString(" ")), (std::vector<std::string>{"one", "two"}));
}

TEST(VelaString, TokenisingStopsOnTheSeparatorAndSkipsItNextTime) {
  const VelaString s("a,b;;c");
  VelaString::token t;
  ASSERT_TRUE(s.getToken(t, VelaString(",;")));
  EXPECT_EQ(Text(t.getToken()), "a");
  EXPECT_EQ(t.position, 1u);
  ASSERT_TRUE(s.getToken(t, VelaString(",;")));
  EXPECT_EQ(Text(t.getToken()), "b");
  EXPECT_EQ(t.position, 3u);
  // Switching to an empty separator set takes the rest as one token.
  ASSERT_TRUE(s.getToken(t, VelaString()));
  EXPECT_EQ(Text(t.getToken()), ";;c");
  EXPECT_FALSE(s.getToken(t, VelaString()));
  EXPECT_EQ(t.position, 0u);
}

TEST(VelaString, TokenisingEmptyOrSeparatorOnlyTextsGivesNothing) {
  VelaString::token t;
  EXPECT_TRUE(Tokens(VelaString(), t, VelaString(" ")).empty());
  EXPECT_TRUE(Tokens(VelaString("   "), t, VelaString(" ")).empty());
  EXPECT_TRUE(Tokens(VelaString(), t, VelaString()).empty());
  EXPECT_EQ(Tokens(VelaString("  a b"), t, VelaString()), (std::vector<std::string>{"  a b"}));
  EXPECT_EQ(t.position, 0u);
}

TEST(VelaString, TokenInitResetsPositionAndText) {
  const VelaString s("one two");
  VelaString::token t;
  ASSERT_TRUE(s.getToken(t, VelaString(" ")));
  t.init();
  EXPECT_EQ(t.position, 0u);
  EXPECT_TRUE(OwnsNoBlock(t.getToken()));
  ASSERT_TRUE(s.getToken(t, VelaString(" ")));
  EXPECT_EQ(Text(t.getToken()), "one");
}

TEST(VelaString, GetLineSplitsOnACharacter) {
  const VelaString s("l1\nl2\n");
  VelaString::token t;
  ASSERT_TRUE(s.getLine(t, '\n'));
  EXPECT_EQ(Text(t.getToken()), "l1");
  ASSERT_TRUE(s.getLine(t, '\n'));
  EXPECT_EQ(Text(t.getToken()), "l2");
  EXPECT_EQ(t.position, 6u);
  // At the end the cursor stays as it is.
  EXPECT_FALSE(s.getLine(t, '\n'));
  EXPECT_EQ(t.position, 6u);
  EXPECT_EQ(Text(t.getToken()), "l2");

  const VelaString unended("a\n\nb");
  VelaString::token u;
  std::vector<std::string> lines;
  while (unended.getLine(u, '\n')) lines.push_back(Text(u.getToken()));
  EXPECT_EQ(lines, (std::vector<std::string>{"a", "", "b"}));
  EXPECT_EQ(u.position, 4u);
}

TEST(VelaString, GetLineSplitsOnAString) {
  const VelaString s("x\r\ny\r\n\r\nz");
  VelaString::token t;
  std::vector<std::string> lines;
  while (s.getLine(t, VelaString("\r\n"))) lines.push_back(Text(t.getToken()));
  EXPECT_EQ(lines, (std::vector<std::string>{"x", "y", "", "z"}));

  VelaString::token e;
  EXPECT_FALSE(VelaString().getLine(e, VelaString("\n")));
  EXPECT_FALSE(VelaString().getLine(e, '\n'));
  EXPECT_EQ(e.position, 0u);
}

TEST(VelaString, GetLineRejectsAnEmptySeparator) {
  const VelaString s("a\nb");
  VelaString::token t;
  ASSERT_TRUE(s.getLine(t, '\n'));
  EXPECT_FALSE(s.getLine(t, VelaString()));
  EXPECT_EQ(t.position, 2u);
  EXPECT_EQ(Text(t.getToken()), "a");
}

// ---------------------------------------------------------------------------
// Hashing
// ---------------------------------------------------------------------------

TEST(VelaString, HashIsLengthThenTimes17PlusSignedChar) {
  EXPECT_EQ(VelaStringHashIt(VelaString()), 0u);
  EXPECT_EQ(VelaStringHashIt(VelaString("a")), 114u);
  // 3 -> 3*17+97 = 148 -> 148*17+98 = 2614 -> 2614*17+99 = 44537
  EXPECT_EQ(VelaStringHashIt(VelaString("abc")), 44537u);
  // 1*17 + (-128) wraps to 2^32 - 111.
  EXPECT_EQ(VelaStringHashIt(VelaString("\x80")), 4294967185u);
  // 2 -> 131 -> 131*17 + (-1) = 2226
  EXPECT_EQ(VelaStringHashIt(VelaString("a\xff")), 2226u);
  // Long enough to wrap several times.
  EXPECT_EQ(VelaStringHashIt(VelaString("VelaString")), 1385809689u);
}

TEST(VelaString, HashCompareIsOneForEqualTexts) {
  EXPECT_EQ(VelaStringHashCompare(VelaString("key"), VelaString("key")), 1);
  EXPECT_EQ(VelaStringHashCompare(VelaString("key"), VelaString("kez")), 0);
  EXPECT_EQ(VelaStringHashCompare(VelaString("key"), VelaString("ke")), 0);
  EXPECT_EQ(VelaStringHashCompare(VelaString(), VelaString("")), 1);
  EXPECT_EQ(VelaStringHashCompare(VelaString(), VelaString("a")), 0);
}

}  // namespace
