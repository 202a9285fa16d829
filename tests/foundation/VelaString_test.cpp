// The copy-on-write string: the randomised model run (support/StringModel,
// shared with the string fuzzer), and what it cannot see: number formats at
// their limits, the empty forms, texts with a zero byte, hash values.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <limits>
#include <sstream>
#include <string>
#include <utility>

#include "support/StringModel.h"
#include "vela/foundation/VelaString.h"

namespace {

std::string Text(const VelaString& s) { return std::string(s.str(), static_cast<std::size_t>(s.len())); }

TEST(VelaString, RandomOperationsAgreeWithStdString) {
  for (unsigned seed : {1u, 977u, 31337u}) {
    vela::test::SeededChoices choices(seed);
    EXPECT_EQ(vela::test::RunStringModel(choices, 4000), "") << "seed " << seed;
  }
}

TEST(VelaString, FormatsNumbersOfEveryType) {
  const std::pair<VelaString, const char*> rows[] = {
      {VelaString(INT_MIN), "-2147483648"}, {VelaString(UINT_MAX), "4294967295"}, {VelaString(4294967295UL), "4294967295"},
      {VelaString(LONG_MIN), "-9223372036854775808"}, {VelaString(ULONG_MAX), "18446744073709551615"},
      {VelaString(LLONG_MIN), "-9223372036854775808"}, {VelaString(ULLONG_MAX), "18446744073709551615"},
      {VelaString(0.1), "0.10000000000000001"}, {VelaString(0.1, 3), "0.1"}, {VelaString(0.1, 25), "0.100000000000000006"},
      {VelaString(1.0 / 3, 0), "0.3"}, {VelaString(-0.0), "-0"}, {VelaString(-std::numeric_limits<double>::infinity()), "-inf"},
      // The cap compares the precision as a signed 32-bit number: -1 is the
      // runtime's default of 6, and 2^32 + 18 is 18.
      {VelaString(1.0 / 3, static_cast<std::size_t>(-1)), "0.333333"}, {VelaString(0.1, (1ULL << 32) + 18), "0.100000000000000006"},
      {VelaString("x") << -1 << ' ' << 2u << ' ' << -3L << ' ' << 4UL << ' ' << -5LL << 6ULL << ' ' << 0.5 << 'e', "x-1 2 -3 4 -56 0.5e"},
      {VelaString("x").add(1.0 / 3, 3).add(0.25, 25) += 0.1, "x0.3330.250.10000000000000001"},
      {VelaString("x").set(-7L), "-7"}, {VelaString("x").set(4294967295UL), "4294967295"}, {VelaString("x").set(1.5, 2), "1.5"}};
  for (const auto& [s, text] : rows) EXPECT_EQ(Text(s), text);
}

TEST(VelaString, EmptyFormsOwnNoBlockAndNullReadsAsEmpty) {
  const char* null = nullptr;
  for (const VelaString& s : {VelaString::empty(), VelaString('\0'), VelaString(""), VelaString(null), VelaString(null, 4),
                              VelaString("abc", 0), VelaString("", 3), VelaString(std::string()), VelaString(VelaString("a"), 0)}) {
    EXPECT_TRUE(!s && s.len() == 0 && s.size() == 1u && s.str() == VelaString().str());
    EXPECT_TRUE(s == null && null == s && s >= null && !(null > s) && !(s > null) && VelaString("a") > null);
    EXPECT_EQ(s.find('\0', 0) + s.findLast('\0') + s.find(VelaString(), 0), -3);
    EXPECT_EQ(Text(s + null) + Text(null + s) + Text(VelaString("ab") + null), "ab");
  }
}

// "ab\0cd", made the only way the interface allows: growing the length and
// filling through mutableData(). Copies, conversions and appends stop at the
// zero byte.
TEST(VelaString, TextWithAZeroByteEndsThere) {
  VelaString zeroed("ab");
  zeroed.len(5);
  std::memcpy(zeroed.mutableData() + 2, "\0cd", 4);
  std::ostringstream out;
  out << zeroed << '|' << VelaString(std::string("ab\0cd", 5)) << static_cast<std::string>(zeroed);
  EXPECT_EQ(out.str() + Text(VelaString(zeroed, 5)) + Text(VelaString("x").add(zeroed, 5)), "ab|ababab" "xab");
  VelaString s(std::string(59, 'q').c_str());  // a pointer into its own middle, appended across a reallocation
  s.add(s.str() + 10);
  EXPECT_EQ(Text(s), std::string(108, 'q'));
}

TEST(VelaString, HashIsLengthThenTimes17PlusSignedChar) {
  EXPECT_EQ(VelaStringHashIt(VelaString()) + VelaStringHashIt(VelaString("a")), 114u);
  EXPECT_EQ(VelaStringHashIt(VelaString("\x80")), 4294967185u);  // 1 * 17 - 128, wrapped
  EXPECT_EQ(VelaStringHashIt(VelaString("VelaString")), 1385809689u);
}

}  // namespace
