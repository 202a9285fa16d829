// Behaviour of the copy-on-write string that the randomised model test does
// not reach: number formats at their limits, the empty forms, constructors,
// self-operations, comparisons, derived strings and the free functions, plus
// the documented examples.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <functional>
#include <limits>
#include <new>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "vela/foundation/VelaString.h"

namespace {

// The text as the string records it: exactly len() bytes.
std::string Text(const VelaString& s) { return std::string(s.str(), static_cast<std::size_t>(s.len())); }

// Every empty string reads the one static empty text; a string that owns a
// block points elsewhere.
bool OwnsNoBlock(const VelaString& s) { return s.str() == VelaString().str(); }

// Each row: the string built, and the text it must hold.
void ExpectTexts(const std::vector<std::pair<VelaString, std::string>>& rows) {
  for (std::size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(Text(rows[i].first), rows[i].second) << "row " << i;
  }
}

TEST(VelaString, FormatsNumbersOfEveryType) {
  const double inf = std::numeric_limits<double>::infinity();
  ExpectTexts({{VelaString(INT_MIN), "-2147483648"},
               {VelaString(UINT_MAX), "4294967295"},
               {VelaString(static_cast<unsigned long>(4294967295)), "4294967295"},
               {VelaString(LONG_MIN), "-9223372036854775808"},
               {VelaString(ULONG_MAX), "18446744073709551615"},
               {VelaString(LLONG_MIN), "-9223372036854775808"},
               {VelaString(ULLONG_MAX), "18446744073709551615"},
               {VelaString(0.1), "0.10000000000000001"},
               {VelaString(0.1, 3), "0.1"},
               {VelaString(0.1, 25), "0.100000000000000006"},
               {VelaString(1.0 / 3, 0), "0.3"},
               // The cap compares the precision as a signed 32-bit number:
               // -1 means the runtime default of 6, and 2^32 + 18 is 18.
               {VelaString(1.0 / 3, static_cast<std::size_t>(-1)), "0.333333"},
               {VelaString(0.1, (std::size_t{1} << 32) + 18), "0.100000000000000006"},
               {VelaString(-0.0), "-0"},
               {VelaString(-inf), "-inf"}});

  VelaString s("old");
  s = 0.1;
  EXPECT_EQ(Text(s), "0.10000000000000001");
  s = static_cast<unsigned long>(4294967295);
  EXPECT_EQ(Text(s), "4294967295");
  s.set(-7L);
  EXPECT_EQ(Text(s), "-7");
  VelaString a;
  a << -1 << ' ' << 2u << ' ' << -3L << ' ' << 4UL << ' ' << -5LL << ' ' << 6ULL << ' ' << 0.1;
  a += 0.5;
  a.add(0.1, 3);
  EXPECT_EQ(Text(a), "-1 2 -3 4 -5 6 0.100000000000000010.50.1");
}

TEST(VelaString, NullEmptyAndZeroInputsGiveEmptyStringsWithoutBlock) {
  std::vector<VelaString> empties = {VelaString(),
                                     VelaString::empty(),
                                     VelaString('\0'),
                                     VelaString(""),
                                     VelaString(nullptr),
                                     VelaString(nullptr, 4),
                                     VelaString("abc", 0),
                                     VelaString("", 3),
                                     VelaString(std::string()),
                                     VelaString(VelaString("abc"), 0),
                                     VelaString(VelaString(), 0)};
  for (std::size_t i = 0; i < empties.size(); ++i) {
    VelaString& s = empties[i];
    SCOPED_TRACE(i);
    EXPECT_TRUE(s.isEmpty());
    EXPECT_TRUE(!s);
    EXPECT_EQ(s.len(), 0);
    EXPECT_EQ(s.size(), 1u);
    ASSERT_NE(s.str(), nullptr);
    EXPECT_EQ(s[0], '\0');
    // Changing the characters of nothing allocates nothing.
    s.lower().upper().replace('a', 'b');
    EXPECT_TRUE(OwnsNoBlock(s));
  }
}

TEST(VelaString, EmptyingAssignmentsAndChangesReleaseTheBlock) {
  const std::vector<std::function<void(VelaString&)>> emptiers = {
      [](VelaString& s) { s = '\0'; },         [](VelaString& s) { s = static_cast<const char*>(nullptr); },
      [](VelaString& s) { s = ""; },           [](VelaString& s) { s.set(nullptr, 3); },
      [](VelaString& s) { s.set("xyz", 0); },  [](VelaString& s) { s.set(VelaString("xyz"), 0); },
      [](VelaString& s) { s = VelaString(); }, [](VelaString& s) { s.len(0); },
      [](VelaString& s) { s.clear(); },
  };
  for (std::size_t i = 0; i < emptiers.size(); ++i) {
    SCOPED_TRACE(i);
    VelaString s("some text");
    VelaString copy = s;
    emptiers[i](s);
    EXPECT_TRUE(OwnsNoBlock(s));
    EXPECT_EQ(Text(copy), "some text");
  }
}

TEST(VelaString, ConstructorsStopAtCountOrTerminator) {
  ExpectTexts({{VelaString("hello", 3), "hel"},
               {VelaString("hi", 10), "hi"},
               {VelaString('x'), "x"},
               {VelaString(std::string("ab\0cd", 5)), "ab"},
               {VelaString(VelaString("hello"), 4), "hell"}});
}

TEST(VelaString, TextWithEmbeddedZeroIsCopiedAndWrittenUpToTheZero) {
  // "ab\0cd", made the only way the interface allows: growing the length and
  // filling through mutableData().
  VelaString zeroed("ab");
  zeroed.len(5);
  std::memcpy(zeroed.mutableData() + 2, "\0cd", 4);
  ASSERT_EQ(zeroed.len(), 5);
  EXPECT_EQ(Text(VelaString(zeroed, 5)), "ab");
  EXPECT_EQ(static_cast<std::string>(zeroed), "ab");
  std::ostringstream out;
  out << zeroed << '|' << VelaString("hello") << '|' << VelaString();
  EXPECT_EQ(out.str(), "ab|hello|");
  VelaString s("x");
  s.add(zeroed, 5);
  EXPECT_EQ(Text(s), "xab");
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
    EXPECT_EQ(writer.str(), block);
    writers[i](writer);
    EXPECT_EQ(Text(original), "aBcDe");
    EXPECT_EQ(Text(reader), "aBcDe");
    EXPECT_EQ(original.str(), block);
    EXPECT_EQ(reader.str(), block);
    EXPECT_NE(writer.str(), block);
  }
}

TEST(VelaString, SelfAssignAndSelfAppendLeaveItUnchangedButPlusDoubles) {
  VelaString a("abc");
  const char* block = a.str();
  VelaString& alias = a;
  a = alias;
  a.set(alias);
  a += a;
  a << a;
  a.add(a);
  a.add(a, 2);
  a.add(a.str());
  a.add(a.str(), 2);
  a = a.str();
  a.set(a.str(), 2);
  a += static_cast<const char*>(nullptr);
  a.add("xyz", 0);
  a += '\0';
  EXPECT_EQ(Text(a), "abc");
  EXPECT_EQ(a.str(), block);
  EXPECT_EQ(Text(a + a), "abcabc");
  // A copy sharing the block is another string: appending it doubles.
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
}

TEST(VelaString, ConcatenationTreatsNullAndEmptyAsEmpty) {
  const VelaString ab("ab");
  const char* null = nullptr;
  ExpectTexts({{ab + "cd", "abcd"}, {"cd" + ab, "cdab"}, {ab + null, "ab"}, {null + ab, "ab"}});
  EXPECT_TRUE(OwnsNoBlock(VelaString() + ""));
  EXPECT_TRUE(OwnsNoBlock("" + VelaString()));
}

TEST(VelaString, SizeCountsTheTerminator) {
  const VelaString abc("abc");
  EXPECT_EQ(abc.size(), 4u);
  EXPECT_EQ(abc.len(), 3);
  EXPECT_EQ(abc[2], 'c');
  EXPECT_EQ(abc[3], '\0');
}

TEST(VelaString, ComparesByUnsignedBytesWithPrefixesFirst) {
  const VelaString ab("ab");
  const VelaString abc("abc");
  const char* null = nullptr;
  EXPECT_FALSE(ab > abc);
  EXPECT_FALSE(ab >= abc);
  EXPECT_TRUE(abc > ab);
  EXPECT_TRUE(abc >= ab);
  EXPECT_TRUE(ab < abc);
  EXPECT_TRUE(ab <= abc);
  EXPECT_TRUE(ab >= ab);
  EXPECT_FALSE(ab > ab);
  EXPECT_FALSE(ab > "abc");
  EXPECT_TRUE(abc >= "ab");
  EXPECT_TRUE("abc" > ab);
  EXPECT_FALSE("ab" >= abc);
  EXPECT_TRUE(ab > null);
  EXPECT_TRUE(VelaString() >= null);
  EXPECT_FALSE(null > VelaString());
  // Bytes at and above 0x80 order after ASCII.
  EXPECT_TRUE(VelaString("\xff") > VelaString("a"));
  EXPECT_TRUE(VelaString("\x80") > "z");
  EXPECT_FALSE("\x80" > VelaString("\xff"));
  EXPECT_TRUE(VelaString("b") > VelaString("abz"));
}

TEST(VelaString, EqualityComparesLengthsThenBytes) {
  const VelaString abc("abc");
  const char* null = nullptr;
  EXPECT_TRUE(abc == abc);
  EXPECT_TRUE(abc == VelaString("abc"));
  EXPECT_FALSE(abc == VelaString("abd"));
  EXPECT_FALSE(abc == VelaString("ab"));
  EXPECT_TRUE(abc == "abc");
  EXPECT_TRUE("abc" == abc);
  EXPECT_FALSE(abc == "abcd");
  EXPECT_TRUE(abc != "ab");
  EXPECT_TRUE(VelaString() == null);
  EXPECT_TRUE(null == VelaString());
  EXPECT_FALSE(abc == null);
}

TEST(VelaString, FindOnAnEmptyStringFailsAndTheTerminatorIsFound) {
  const VelaString empty;
  EXPECT_EQ(empty.find('x', 0), -1);
  EXPECT_EQ(empty.find('\0', 0), -1);
  EXPECT_EQ(empty.find(VelaString(), 0), -1);
  EXPECT_EQ(empty.findLast('\0'), -1);
  EXPECT_EQ(VelaString("abc").find('\0', 0), 3);
  EXPECT_EQ(VelaString("abc").findLast('\0'), 3);
}

TEST(VelaString, LowerAndUpperMapAsciiAndLeaveHighBytes) {
  VelaString s("MiXeD 123 \xc4\xe4!");
  s.lower();
  EXPECT_EQ(Text(s), "mixed 123 \xc4\xe4!");
  EXPECT_EQ(Text(s.upper()), "MIXED 123 \xc4\xe4!");
}

TEST(VelaString, DerivedStringsClampTrimAndPad) {
  const VelaString hello("hello");
  const VelaString five("abcde");
  ExpectTexts({{hello.subString(2, -1), "llo"},
               {hello.subString(4, 2), ""},
               {hello.subString(-5, 100), "hello"},
               {VelaString("--a-b--").trim('-'), "a-b"},
               {VelaString("----").trimLeft('-'), ""},
               {VelaString("  x  ").trim(), "x"},
               {FillString(VelaString("42"), 5, '0'), "00042"},
               {FillString(five, 3, '0'), "abcde"},
               {FillString(VelaString(), 3, '*'), "***"},
               {FillString(VelaString(), -4, '*'), ""}});
  // The whole text comes back shared, not copied.
  EXPECT_EQ(hello.subString(0, -1).str(), hello.str());
  EXPECT_EQ(FillString(five, 5, '0').str(), five.str());
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
  const auto replace = [](const char* text, const char* from, const char* to) {
    return VelaString(text).replace(VelaString(from), VelaString(to));
  };
  ExpectTexts({{replace("a-b--c-", "-", "+-"), "a+-b+-+-c+-"},
               {replace("a-b--c-", "--", "="), "a-b=c-"},
               {replace("a-b--c-", "-", ""), "abc"},
               {replace("aaa", "aa", "b"), "ba"},
               {replace("xay", "a", "aa"), "xaay"},
               {replace("", "a", "b"), ""}});
  // No occurrence, or an empty pattern: the whole text, shared.
  EXPECT_EQ(s.replace(VelaString("x"), VelaString("y")).str(), s.str());
  EXPECT_EQ(s.replace(VelaString(), VelaString("y")).str(), s.str());
  EXPECT_EQ(Text(s), "a-b--c-");
}

TEST(VelaString, TokenisingTwoWordsEndsWithTheCursorReset) {
  const VelaString s("  one   two  ");
  VelaString::token t;
  for (int pass = 0; pass < 2; ++pass) {
    std::vector<std::string> tokens;
    while (s.getToken(t, VelaString(" "))) tokens.push_back(Text(t.getToken()));
    EXPECT_EQ(tokens, (std::vector<std::string>{"one", "two"}));
    EXPECT_EQ(t.position, 0u);
    EXPECT_TRUE(t.getToken().isEmpty());
  }
}

TEST(VelaString, TokenisingStopsOnTheSeparatorAndInitResets) {
  const VelaString s("a,b;;c");
  VelaString::token t;
  ASSERT_TRUE(s.getToken(t, VelaString(",;")));
  EXPECT_EQ(t.position, 1u);
  ASSERT_TRUE(s.getToken(t, VelaString(",;")));
  EXPECT_EQ(Text(t.getToken()), "b");
  EXPECT_EQ(t.position, 3u);
  t.init();
  EXPECT_EQ(t.position, 0u);
  EXPECT_TRUE(OwnsNoBlock(t.getToken()));
  ASSERT_TRUE(s.getToken(t, VelaString(",;")));
  EXPECT_EQ(Text(t.getToken()), "a");
}

TEST(VelaString, GetLineYieldsEachLineThenStopsWhereItIs) {
  const VelaString s("l1\nl2\n");
  VelaString::token t;
  ASSERT_TRUE(s.getLine(t, '\n'));
  EXPECT_EQ(Text(t.getToken()), "l1");
  ASSERT_TRUE(s.getLine(t, '\n'));
  EXPECT_EQ(Text(t.getToken()), "l2");
  EXPECT_FALSE(s.getLine(t, '\n'));
  EXPECT_EQ(t.position, 6u);
  EXPECT_EQ(Text(t.getToken()), "l2");
}

TEST(VelaString, GetLineRejectsAnEmptySeparator) {
  const VelaString s("a\nb");
  VelaString::token t;
  ASSERT_TRUE(s.getLine(t, '\n'));
  EXPECT_FALSE(s.getLine(t, VelaString()));
  EXPECT_EQ(t.position, 2u);
  EXPECT_EQ(Text(t.getToken()), "a");
}

TEST(VelaString, HashIsLengthThenTimes17PlusSignedChar) {
  EXPECT_EQ(VelaStringHashIt(VelaString()), 0u);
  EXPECT_EQ(VelaStringHashIt(VelaString("a")), 114u);
  // 1*17 + (-128) wraps to 2^32 - 111.
  EXPECT_EQ(VelaStringHashIt(VelaString("\x80")), 4294967185u);
  // Long enough to wrap several times.
  EXPECT_EQ(VelaStringHashIt(VelaString("VelaString")), 1385809689u);
  EXPECT_EQ(VelaStringHashCompare(VelaString("key"), VelaString("key")), 1);
  EXPECT_EQ(VelaStringHashCompare(VelaString("key"), VelaString("kez")), 0);
  EXPECT_EQ(VelaStringHashCompare(VelaString("key"), VelaString("ke")), 0);
  EXPECT_EQ(VelaStringHashCompare(VelaString(), VelaString("")), 1);
}

}  // namespace
