#include "support/StringModel.h"

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <string_view>
#include <utility>

namespace vela::test {
namespace {

constexpr std::size_t kMaxSnapshots = 12;
constexpr std::size_t kLengthCap = 12000;

std::string Text(const VelaString& s) { return std::string(s.str(), static_cast<std::size_t>(s.len())); }

// Exactly the model's bytes, and the terminator behind them.
bool Holds(const VelaString& s, const std::string& model) {
  return static_cast<std::size_t>(s.len()) == model.size() &&
         std::memcmp(s.str(), model.c_str(), model.size() + 1) == 0;
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

std::string Join(const std::vector<std::string>& pieces) {
  std::string out = "{";
  for (const std::string& p : pieces) out += Quoted(p) + " ";
  return out + "}";
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

}  // namespace

StringModel::StringModel(Choices& choices) : choices_(choices) {
  for (Member& m : pool_) m.group = nextGroup_++;
}

std::string StringModel::Run(int steps) {
  for (step_ = 0; step_ < steps && !choices_.Exhausted(); ++step_) {
    std::vector<std::size_t> before;
    for (const Member& m : pool_) before.push_back(m.model.size());
    Step();
    for (std::size_t i = 0; i < kPoolSize; ++i) NoteCrossings(before[i], pool_[i].model.size());
    if (failure_.empty()) failure_ = Check();
    if (!failure_.empty()) return "step " + std::to_string(step_) + ": " + failure_;
  }
  return "";
}

std::string StringModel::UncrossedBoundary() const {
  for (std::size_t b = 0; b < kClassBoundaries.size(); ++b) {
    if (!crossedUp_[b]) return "never grew past length " + std::to_string(kClassBoundaries[b]);
    if (!crossedDown_[b]) return "never shrank below length " + std::to_string(kClassBoundaries[b]);
  }
  return "";
}

void StringModel::Fail(const std::string& what) {
  if (failure_.empty()) failure_ = what;
}

char StringModel::RandomChar() {
  static const char kAlphabet[] = "aab c-,;\n";
  return kAlphabet[Pick(sizeof kAlphabet - 1)];
}

// Mostly short texts, now and then long enough to jump a class.
std::string StringModel::RandomText() {
  const std::size_t n = Chance(80) ? Pick(12) : Pick(400);
  std::string text;
  for (std::size_t i = 0; i < n; ++i) text += RandomChar();
  return text;
}

void StringModel::Step() {
  Member& m = Any();
  Member& other = Any();
  const std::size_t op = Pick(30);
  if (op <= 5 || op == 14 || op == 23) {
    Set(m, other, op);
  } else if (op <= 13 || op == 29) {
    Append(m, other, op);
  } else {
    Derive(m, other, op);
  }
  KeepLengthsBounded();
}

void StringModel::Set(Member& m, Member& other, std::size_t op) {
  switch (op) {
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
    case 3:  // set from another member (possibly itself): shares
      if (Chance(50)) m.s = other.s; else m.s.set(other.s);
      m.model = other.model;
      m.group = other.group;
      break;
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
    case 14:  // copy-construct into a member
      if (&m == &other) break;
      m.s.~VelaString();
      new (&m.s) VelaString(other.s);
      m.model = other.model;
      m.group = other.group;
      break;
    default:  // 23: clear
      m.s.clear();
      m.model.clear();
      Written(m);
      break;
  }
}

void StringModel::Append(Member& m, Member& other, std::size_t op) {
  const bool self = &m == &other;
  switch (op) {
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
    case 10: {  // add(VelaString, n)
      const std::size_t n = Pick(other.model.size() + 1);
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
    default:  // 9, 29: append another member; itself leaves it unchanged
      m.s.add(other.s);
      if (!self) {
        m.model += other.model;
        Written(m);
      }
      break;
  }
}

void StringModel::Derive(Member& m, Member& other, std::size_t op) {
  switch (op) {
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
    case 24: {  // replace(char, char)
      const char from = RandomChar();
      const char to = RandomChar();
      m.s.replace(from, to);
      std::replace(m.model.begin(), m.model.end(), from, to);
      Written(m);
      break;
    }
    case 25:  // keep a copy that must never change
      TakeSnapshot(m);
      break;
    default: {  // 22, 26-28: concatenation, a + a doubles (often: it grows the texts fast)
      const std::string expected = m.model + other.model;
      VelaString sum = m.s + other.s;
      m.s = sum;
      m.model = expected;
      Written(m);
      break;
    }
  }
}

void StringModel::SetNumber(Member& m) {
  switch (Pick(5)) {
    case 0: {
      const int v = static_cast<int>(choices_.Bits());
      m.s = v;
      m.model = Printf("%d", v);
      break;
    }
    case 1: {
      const unsigned int v = choices_.Bits();
      m.s.set(v);
      m.model = Printf("%u", v);
      break;
    }
    case 2: {
      const long long v = static_cast<long long>(choices_.Bits64());
      m.s = v;
      m.model = Printf("%lld", v);
      break;
    }
    case 3: {
      const unsigned long long v = choices_.Bits64();
      m.s.set(v);
      m.model = Printf("%llu", v);
      break;
    }
    default: {
      const double numerator = static_cast<double>(choices_.Bits()) - 2147483648.0;
      const double v = numerator / (1.0 + static_cast<double>(Pick(100000)));
      const std::size_t precision = Pick(26);
      m.s.set(v, precision);
      m.model = Printf("%.*g", static_cast<int>(std::min<std::size_t>(precision, 18)), v);
      break;
    }
  }
  Written(m);
}

void StringModel::AddNumber(Member& m) {
  if (Chance(50)) {
    const int v = static_cast<int>(choices_.Bits() % 2001) - 1000;
    m.s << v;
    m.model += Printf("%d", v);
  } else {
    const double v = static_cast<double>(choices_.Bits()) / 7.0;
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

// Appending or assigning this string's own data: its start changes nothing,
// a pointer into its middle works like any other text.
void StringModel::OwnDataPointer(Member& m) {
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

void StringModel::Trim(Member& m, const Member& other) {
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
  if (whole && result.str() != other.s.str()) Fail("trim copied instead of sharing");
  m.s = result;
  m.model = expected;
  if (whole) {
    m.group = other.group;
  } else {
    Written(m);
  }
}

void StringModel::Find(const Member& m, const Member& other) {
  const std::size_t from = Pick(m.model.size() + 1);
  const std::string needle = Chance(50) ? other.model.substr(0, Pick(4)) : RandomText().substr(0, 3);
  const int found = m.s.find(VelaString(needle.c_str()), static_cast<int>(from));
  const int expected = ReferenceFind(m.model, needle, from);
  if (found != expected) {
    Fail("find(" + Quoted(needle) + ", " + std::to_string(from) + ") gave " + std::to_string(found) + ", expected " +
         std::to_string(expected));
  }
  const char c = Chance(10) ? '\0' : RandomChar();
  const std::string_view withTerminator(m.model.c_str(), m.model.size() + 1);
  const std::size_t charHit = withTerminator.find(c, from);
  const int expectedChar = m.model.empty() || charHit == std::string_view::npos ? -1 : static_cast<int>(charHit);
  if (m.s.find(c, static_cast<int>(from)) != expectedChar) {
    Fail("find(char " + std::to_string(c) + ", " + std::to_string(from) + ") differs");
  }
  const std::size_t lastHit = withTerminator.rfind(c);
  const int expectedLast = m.model.empty() || lastHit == std::string_view::npos ? -1 : static_cast<int>(lastHit);
  if (m.s.findLast(c) != expectedLast) Fail("findLast(char " + std::to_string(c) + ") differs");
}

void StringModel::Tokenise(const Member& m) {
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
    if (tokens != expected) {
      Fail("tokens " + Join(tokens) + " for separators " + Quoted(separators) + ", expected " + Join(expected));
    }
    if (t.position != 0u || !t.getToken().isEmpty()) Fail("the token cursor was not reset");
  }
}

void StringModel::Lines(const Member& m) {
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
  if (lines != expected) {
    Fail("lines " + Join(lines) + " for separator " + Quoted(separator) + ", expected " + Join(expected));
  }
  if (Text(t.getToken()) != (expected.empty() ? std::string() : expected.back())) {
    Fail("the last line is not left in the token");
  }
}

void StringModel::TakeSnapshot(const Member& m) {
  Snapshot snapshot{m.s, m.model, m.group};
  if (snapshots_.size() < kMaxSnapshots) {
    snapshots_.push_back(snapshot);
  } else {
    snapshots_[Pick(kMaxSnapshots)] = snapshot;
  }
}

// Long texts are cut back now and then so the run keeps crossing the upper
// boundary in both directions instead of growing without end.
void StringModel::KeepLengthsBounded() {
  for (Member& m : pool_) {
    if (m.model.size() > kLengthCap) {
      const std::size_t n = Pick(5000);
      m.s.len(n);
      m.model.resize(n);
      Written(m);
    }
  }
}

void StringModel::NoteCrossings(std::size_t before, std::size_t after) {
  for (std::size_t b = 0; b < kClassBoundaries.size(); ++b) {
    const std::size_t boundary = kClassBoundaries[b];
    if (before < boundary && after >= boundary) crossedUp_[b] = true;
    if (before >= boundary && after < boundary) crossedDown_[b] = true;
  }
}

std::string StringModel::Check() const {
  for (std::size_t i = 0; i < kPoolSize; ++i) {
    const Member& m = pool_[i];
    const std::string which = "member " + std::to_string(i);
    if (!Holds(m.s, m.model)) return which + " holds " + Quoted(Text(m.s)) + ", expected " + Quoted(m.model);
    if (m.s.isEmpty() != m.model.empty()) return which + ": isEmpty disagrees";
    if (m.model.empty() && m.s.str() != VelaString().str()) return "empty " + which + " holds a block";
  }
  for (const Snapshot& snapshot : snapshots_) {
    if (!Holds(snapshot.s, snapshot.text)) return "a copy changed to " + Quoted(Text(snapshot.s));
  }
  // Members and snapshots of one share group point at one block.
  std::vector<std::pair<int, const char*>> blocks;
  for (const Member& m : pool_) blocks.emplace_back(m.group, m.s.str());
  for (const Snapshot& snapshot : snapshots_) blocks.emplace_back(snapshot.group, snapshot.s.str());
  for (std::size_t a = 0; a < blocks.size(); ++a) {
    for (std::size_t b = a + 1; b < blocks.size(); ++b) {
      if (blocks[a].first == blocks[b].first && blocks[a].second != blocks[b].second) return "share group split";
    }
  }
  return "";
}

}  // namespace vela::test
