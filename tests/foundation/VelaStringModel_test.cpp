// Model-based randomised test of the copy-on-write string against
// std::string. A pool of strings receives random sequences of assignments,
// appends (including the self and own-data cases), copies, length changes,
// derived strings, searches and tokenising; after every step each string
// equals its model, every copy that was never written still holds its text,
// and strings assigned from one another and not written since still share
// one block.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "vela/foundation/VelaString.h"

namespace {

std::string Text(const VelaString& s) { return std::string(s.str(), static_cast<std::size_t>(s.len())); }

// Exactly the model's bytes, and the terminator behind them.
bool Holds(const VelaString& s, const std::string& model) {
  return static_cast<std::size_t>(s.len()) == model.size() &&
         std::memcmp(s.str(), model.c_str(), model.size() + 1) == 0;
}

// ---------------------------------------------------------------------------
// Reference behaviour, written from the contracts with std::string
// ---------------------------------------------------------------------------

// Pieces between separator characters, without the empty ones; an empty
// separator set leaves the whole text as one piece.
std::vector<std::string> ReferenceTokens(const std::string& text, const std::string& separators) {
  std::vector<std::string> pieces(1);
  for (char c : text) {
    if (separators.find(c) != std::string::npos) {
      pieces.emplace_back();
    } else {
      pieces.back() += c;
    }
  }
  pieces.erase(std::remove(pieces.begin(), pieces.end(), std::string()), pieces.end());
  return pieces;
}

// Pieces between occurrences of the separator, left to right; a text ending
// with the separator (or empty) has no final empty line.
std::vector<std::string> ReferenceLines(const std::string& text, const std::string& separator) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t hit; (hit = text.find(separator, start)) != std::string::npos; start = hit + separator.size()) {
    lines.push_back(text.substr(start, hit - start));
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

std::string Printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Printf(const char* format, ...) {
  char buffer[128];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  return buffer;
}

int ReferenceFind(const std::string& text, const std::string& what, std::size_t from) {
  if (text.empty()) return -1;
  const std::size_t hit = text.find(what, from);
  return hit == std::string::npos ? -1 : static_cast<int>(hit);
}

// Characters [start, end) with the bounds clamped; end -1 means the length.
std::string ReferenceSubString(const std::string& text, int start, int end) {
  const int length = static_cast<int>(text.size());
  const int s = std::clamp(start, 0, length);
  const int e = end == -1 ? length : std::clamp(end, 0, length);
  return e <= s ? std::string() : text.substr(static_cast<std::size_t>(s), static_cast<std::size_t>(e - s));
}

// ---------------------------------------------------------------------------
// The pool
// ---------------------------------------------------------------------------

constexpr std::size_t kPoolSize = 8;
constexpr std::size_t kMaxSnapshots = 12;
constexpr std::size_t kLengthCap = 12000;
// First lengths of the 256-byte, 4096-byte and 8192-byte capacity classes.
constexpr std::array<std::size_t, 3> kClassBoundaries = {60, 252, 4091};

struct Member {
  VelaString s;
  std::string model;
  // Strings with the same share group were assigned from one another and
  // not written since: they must point at one block.
  int group = 0;
};

// A copy that is never written again.
struct Snapshot {
  VelaString s;
  std::string text;
  int group;
};

class StringModel {
 public:
  explicit StringModel(std::uint32_t seed) : rng_(seed) {
    for (Member& m : pool_) m.group = nextGroup_++;
  }

  void Run(int steps) {
    for (step_ = 0; step_ < steps; ++step_) {
      std::vector<std::size_t> before;
      for (const Member& m : pool_) before.push_back(m.model.size());
      Step();
      for (std::size_t i = 0; i < kPoolSize; ++i) NoteCrossings(before[i], pool_[i].model.size());
      Check();
      if (::testing::Test::HasFatalFailure() || ::testing::Test::HasNonfatalFailure()) return;
    }
  }

  // Every class boundary was crossed upwards and downwards at least once.
  void ExpectAllBoundariesCrossed() const {
    for (std::size_t b = 0; b < kClassBoundaries.size(); ++b) {
      EXPECT_TRUE(crossedUp_[b]) << "never grew past length " << kClassBoundaries[b];
      EXPECT_TRUE(crossedDown_[b]) << "never shrank below length " << kClassBoundaries[b];
    }
  }

 private:
  std::size_t Pick(std::size_t n) { return n == 0 ? 0 : rng_() % n; }
  std::uint64_t Random64() {
    const std::uint64_t high = rng_();
    return (high << 32) | rng_();
  }
  bool Chance(int percent) { return static_cast<int>(rng_() % 100) < percent; }
  Member& Any() { return pool_[Pick(kPoolSize)]; }

  char RandomChar() {
    static const char kAlphabet[] = "aab c-,;\n";
    return kAlphabet[Pick(sizeof kAlphabet - 1)];
  }

  // Mostly short texts, now and then long enough to jump a class.
  std::string RandomText() {
    const std::size_t n = Chance(80) ? Pick(12) : Pick(400);
    std::string text;
    for (std::size_t i = 0; i < n; ++i) text += RandomChar();
    return text;
  }

  // Writing detaches: the member leaves its share group.
  void Written(Member& m) { m.group = nextGroup_++; }

  void Step() {
    Member& m = Any();
    Member& other = Any();
    switch (Pick(30)) {
      case 0: {  // set(char), '\0' empties
        const char c = Chance(15) ? '\0' : RandomChar();
        if (Chance(50)) m.s = c; else m.s.set(c);
        m.model = c == '\0' ? "" : std::string(1, c);
        Written(m);
        break;
      }
      case 1: {  // set(const char*), null or "" empties
        const std::string text = RandomText();
        const char* p = Chance(10) ? nullptr : text.c_str();
        if (Chance(50)) m.s = p; else m.s.set(p);
        m.model = p ? text : "";
        Written(m);
        break;
      }
      case 2: {  // set(const char*, n)
        const std::string text = RandomText();
        const std::size_t n = Pick(text.size() + 3);
        m.s.set(text.c_str(), n);
        m.model = text.substr(0, n);
        Written(m);
        break;
      }
      case 3: {  // set from another member (possibly itself): shares
        if (Chance(50)) m.s = other.s; else m.s.set(other.s);
        m.model = other.model;
        m.group = other.group;
        break;
      }
      case 4: {  // set(VelaString, n): private prefix copy
        const std::size_t n = Pick(other.model.size() + 1);
        m.s.set(other.s, n);
        m.model = other.model.substr(0, n);
        Written(m);
        break;
      }
      case 5:
        SetNumber(m);
        break;
      case 6:
      case 7: {  // append char (twice as often: walks lengths across boundaries)
        const int count = static_cast<int>(Pick(80)) + 1;
        for (int i = 0; i < count; ++i) {
          const char c = RandomChar();
          if (Chance(50)) m.s += c; else m.s << c;
          m.model += c;
        }
        Written(m);
        break;
      }
      case 8: {  // append const char*
        const std::string text = RandomText();
        const char* p = Chance(10) ? nullptr : text.c_str();
        m.s += p;
        if (p) m.model += text;
        Written(m);
        break;
      }
      case 9:
      case 29: {  // append another member; itself leaves it unchanged
        const bool self = &m == &other;
        m.s.add(other.s);
        if (!self) {
          m.model += other.model;
          Written(m);
        }
        break;
      }
      case 10: {  // add(VelaString, n)
        const std::size_t n = Pick(other.model.size() + 1);
        const bool self = &m == &other;
        m.s.add(other.s, n);
        if (!self) {
          m.model += other.model.substr(0, n);
          Written(m);
        }
        break;
      }
      case 11: {  // add(const char*, n)
        const std::string text = RandomText();
        const std::size_t n = Pick(text.size() + 3);
        m.s.add(text.c_str(), n);
        m.model += text.substr(0, n);
        Written(m);
        break;
      }
      case 12:
        OwnDataPointer(m);
        break;
      case 13:
        AddNumber(m);
        break;
      case 14: {  // copy-construct into a member
        if (&m == &other) break;
        m.s.~VelaString();
        new (&m.s) VelaString(other.s);
        m.model = other.model;
        m.group = other.group;
        break;
      }
      case 15: {  // len(n) shrinking, 0 included
        if (m.model.empty()) break;
        const std::size_t n = Pick(m.model.size());
        m.s.len(n);
        m.model.resize(n);
        Written(m);
        break;
      }
      case 16: {  // len(n) growing, filled through mutableData()
        const std::size_t old = m.model.size();
        const std::size_t n = old + 1 + Pick(Chance(80) ? 40 : 600);
        m.s.len(n);
        char* data = m.s.mutableData();
        for (std::size_t i = old; i < n; ++i) {
          data[i] = RandomChar();
          m.model += data[i];
        }
        data[n] = '\0';
        Written(m);
        break;
      }
      case 17: {  // subString into a member
        const int length = static_cast<int>(other.model.size());
        const int start = static_cast<int>(Pick(static_cast<std::size_t>(length) + 6)) - 3;
        const int end = Chance(25) ? -1 : static_cast<int>(Pick(static_cast<std::size_t>(length) + 6)) - 3;
        const std::string expected = ReferenceSubString(other.model, start, end);
        m.s = other.s.subString(start, end);
        m.model = expected;
        Written(m);
        break;
      }
      case 18:
        Trim(m, other);
        break;
      case 19:
        Find(m, other);
        break;
      case 20:
        Tokenise(m);
        break;
      case 21:
        Lines(m);
        break;
      case 22:
      case 26:
      case 27:
      case 28: {  // concatenation, a + a doubles (often: it grows the texts fast)
        const std::string expected = m.model + other.model;
        VelaString sum = m.s + other.s;
        m.s = sum;
        m.model = expected;
        Written(m);
        break;
      }
      case 23: {  // clear
        m.s.clear();
        m.model.clear();
        Written(m);
        break;
      }
      case 24: {  // replace(char, char)
        const char from = RandomChar();
        const char to = RandomChar();
        m.s.replace(from, to);
        std::replace(m.model.begin(), m.model.end(), from, to);
        Written(m);
        break;
      }
      default:  // 25: keep a copy that must never change
        TakeSnapshot(m);
        break;
    }
    KeepLengthsBounded();
  }

  void SetNumber(Member& m) {
    switch (Pick(5)) {
      case 0: {
        const int v = static_cast<int>(rng_());
        m.s = v;
        m.model = Printf("%d", v);
        break;
      }
      case 1: {
        const unsigned int v = static_cast<unsigned int>(rng_());
        m.s.set(v);
        m.model = Printf("%u", v);
        break;
      }
      case 2: {
        const long long v = static_cast<long long>(Random64());
        m.s = v;
        m.model = Printf("%lld", v);
        break;
      }
      case 3: {
        const unsigned long long v = Random64();
        m.s.set(v);
        m.model = Printf("%llu", v);
        break;
      }
      default: {
        const double numerator = static_cast<double>(rng_()) - 2147483648.0;
        const double v = numerator / (1.0 + static_cast<double>(Pick(100000)));
        const std::size_t precision = Pick(26);
        m.s.set(v, precision);
        m.model = Printf("%.*g", static_cast<int>(std::min<std::size_t>(precision, 18)), v);
        break;
      }
    }
    Written(m);
  }

  void AddNumber(Member& m) {
    if (Chance(50)) {
      const int v = static_cast<int>(rng_() % 2001) - 1000;
      m.s << v;
      m.model += Printf("%d", v);
    } else {
      const double v = static_cast<double>(rng_()) / 7.0;
      if (Chance(50)) {
        m.s += v;
        m.model += Printf("%.17g", v);
      } else {
        const std::size_t precision = Pick(26);
        m.s.add(v, precision);
        m.model += Printf("%.*g", static_cast<int>(std::min<std::size_t>(precision, 18)), v);
      }
    }
    Written(m);
  }

  // Appending or assigning this string's own data: its start changes
  // nothing, a pointer into its middle works like any other text.
  void OwnDataPointer(Member& m) {
    const std::size_t length = m.model.size();
    const std::size_t offset = Pick(length + 1);
    const char* p = m.s.str() + offset;
    const std::string tail = m.model.substr(offset);
    const std::size_t n = Pick(tail.size() + 2);
    switch (Pick(4)) {
      case 0:
        m.s.add(p);
        if (offset > 0) m.model += tail;
        break;
      case 1:
        m.s.add(p, n);
        if (offset > 0) m.model += tail.substr(0, n);
        break;
      case 2:
        m.s = p;
        if (offset > 0) m.model = tail;
        break;
      default:
        m.s.set(p, n);
        if (offset > 0) m.model = tail.substr(0, n);
        break;
    }
    if (offset > 0) Written(m);
  }

  void Trim(Member& m, const Member& other) {
    const char c = Chance(50) ? '-' : RandomChar();
    const std::size_t first = other.model.find_first_not_of(c);
    const std::size_t last = other.model.find_last_not_of(c);
    std::string expected;
    VelaString result;
    switch (Pick(3)) {
      case 0:
        result = other.s.trimLeft(c);
        expected = first == std::string::npos ? "" : other.model.substr(first);
        break;
      case 1:
        result = other.s.trimRight(c);
        expected = last == std::string::npos ? "" : other.model.substr(0, last + 1);
        break;
      default:
        result = other.s.trim(c);
        expected = first == std::string::npos ? "" : other.model.substr(first, last - first + 1);
        break;
    }
    // Nothing cut: the result shares the source's block.
    const bool whole = expected == other.model;
    if (whole) {
      EXPECT_EQ(result.str(), other.s.str()) << "trim copied instead of sharing";
    }
    m.s = result;
    m.model = expected;
    if (whole) {
      m.group = other.group;
    } else {
      Written(m);
    }
  }

  void Find(const Member& m, const Member& other) {
    const std::size_t from = Pick(m.model.size() + 1);
    const std::string needle = Chance(50) ? other.model.substr(0, Pick(4)) : RandomText().substr(0, 3);
    EXPECT_EQ(m.s.find(VelaString(needle.c_str()), static_cast<int>(from)), ReferenceFind(m.model, needle, from))
        << "find(\"" << needle << "\", " << from << ")";
    const char c = Chance(10) ? '\0' : RandomChar();
    const std::string_view withTerminator(m.model.c_str(), m.model.size() + 1);
    const std::size_t charHit = withTerminator.find(c, from);
    const int expectedChar = m.model.empty() || charHit == std::string_view::npos ? -1 : static_cast<int>(charHit);
    EXPECT_EQ(m.s.find(c, static_cast<int>(from)), expectedChar) << "find('" << c << "', " << from << ")";
    const std::size_t lastHit = withTerminator.rfind(c);
    const int expectedLast = m.model.empty() || lastHit == std::string_view::npos ? -1 : static_cast<int>(lastHit);
    EXPECT_EQ(m.s.findLast(c), expectedLast) << "findLast('" << c << "')";
  }

  void Tokenise(const Member& m) {
    std::string separators;
    const std::size_t count = Pick(4);
    for (std::size_t i = 0; i < count; ++i) separators += RandomChar();
    const VelaString separatorSet(separators.c_str());
    VelaString::token t;
    const std::vector<std::string> expected = ReferenceTokens(m.model, separators);
    // Two passes: the cursor is reset at the end of the first.
    for (int pass = 0; pass < 2; ++pass) {
      std::vector<std::string> tokens;
      while (m.s.getToken(t, separatorSet) && tokens.size() <= m.model.size()) tokens.push_back(Text(t.getToken()));
      EXPECT_EQ(tokens, expected) << "separators \"" << separators << "\"";
      EXPECT_EQ(t.position, 0u);
      EXPECT_TRUE(t.getToken().isEmpty());
    }
  }

  void Lines(const Member& m) {
    const bool byChar = Chance(50);
    std::string separator(1, RandomChar());
    for (std::size_t n = Pick(3); !byChar && n > 0; --n) separator += RandomChar();
    VelaString::token t;
    std::vector<std::string> lines;
    if (byChar) {
      while (m.s.getLine(t, separator[0]) && lines.size() <= m.model.size()) lines.push_back(Text(t.getToken()));
    } else {
      const VelaString separatorText(separator.c_str());
      while (m.s.getLine(t, separatorText) && lines.size() <= m.model.size()) lines.push_back(Text(t.getToken()));
    }
    const std::vector<std::string> expected = ReferenceLines(m.model, separator);
    EXPECT_EQ(lines, expected) << "separator \"" << separator << "\"";
    EXPECT_EQ(Text(t.getToken()), expected.empty() ? std::string() : expected.back());
  }

  void TakeSnapshot(const Member& m) {
    Snapshot snapshot{m.s, m.model, m.group};
    if (snapshots_.size() < kMaxSnapshots) {
      snapshots_.push_back(snapshot);
    } else {
      snapshots_[Pick(kMaxSnapshots)] = snapshot;
    }
  }

  // Long texts are cut back now and then so the run keeps crossing the
  // upper boundary in both directions instead of growing without end.
  void KeepLengthsBounded() {
    for (Member& m : pool_) {
      if (m.model.size() > kLengthCap) {
        const std::size_t n = Pick(5000);
        m.s.len(n);
        m.model.resize(n);
        Written(m);
      }
    }
  }

  void NoteCrossings(std::size_t before, std::size_t after) {
    for (std::size_t b = 0; b < kClassBoundaries.size(); ++b) {
      const std::size_t boundary = kClassBoundaries[b];
      if (before < boundary && after >= boundary) crossedUp_[b] = true;
      if (before >= boundary && after < boundary) crossedDown_[b] = true;
    }
  }

  void Check() const {
    SCOPED_TRACE(::testing::Message() << "step " << step_);
    for (std::size_t i = 0; i < kPoolSize; ++i) {
      const Member& m = pool_[i];
      if (!Holds(m.s, m.model)) {
        ASSERT_EQ(Text(m.s), m.model) << "member " << i;
      }
      ASSERT_EQ(m.s.isEmpty(), m.model.empty()) << "member " << i;
      if (m.model.empty()) {
        ASSERT_EQ(m.s.str(), VelaString().str()) << "empty member " << i << " holds a block";
      }
    }
    for (const Snapshot& snapshot : snapshots_) {
      if (!Holds(snapshot.s, snapshot.text)) {
        ASSERT_EQ(Text(snapshot.s), snapshot.text) << "a copy changed";
      }
    }

    // Members and snapshots of one share group point at one block.
    std::vector<std::pair<int, const char*>> blocks;
    for (const Member& m : pool_) blocks.emplace_back(m.group, m.s.str());
    for (const Snapshot& snapshot : snapshots_) blocks.emplace_back(snapshot.group, snapshot.s.str());
    for (std::size_t a = 0; a < blocks.size(); ++a) {
      for (std::size_t b = a + 1; b < blocks.size(); ++b) {
        if (blocks[a].first == blocks[b].first) {
          ASSERT_EQ(blocks[a].second, blocks[b].second) << "share group split";
        }
      }
    }
  }

  std::mt19937 rng_;
  std::array<Member, kPoolSize> pool_;
  std::vector<Snapshot> snapshots_;
  int nextGroup_ = 0;
  int step_ = 0;
  std::array<bool, kClassBoundaries.size()> crossedUp_{};
  std::array<bool, kClassBoundaries.size()> crossedDown_{};
};

TEST(VelaStringModel, RandomOperationsAgreeWithStdString) {
  for (std::uint32_t seed : {1u, 20240601u, 977u, 31337u}) {
    SCOPED_TRACE(::testing::Message() << "seed " << seed);
    StringModel model(seed);
    model.Run(4000);
    if (HasFailure()) return;
    model.ExpectAllBoundariesCrossed();
  }
}

}  // namespace
