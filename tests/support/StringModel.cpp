#include "support/StringModel.h"

#include <malloc.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <map>
#include <new>
#include <string_view>
#include <vector>

#include "vela/foundation/VelaString.h"

namespace vela::test {
namespace {

constexpr std::size_t npos = std::string::npos;

struct Member {
  VelaString s;
  std::string text;
  int group = -1;  // members of one group were assigned from one another and not written since
};

std::string Text(const VelaString& s) { return std::string(s.str(), static_cast<std::size_t>(s.len())); }

// Tokens: the non-empty pieces between separator characters. Lines: the
// pieces ended by the separator text, without a final empty one.
std::vector<std::string> Pieces(const std::string& text, const std::string& separator, bool tokens) {
  std::vector<std::string> pieces;
  std::size_t start = tokens ? text.find_first_not_of(separator) : separator.empty() ? npos : 0;
  while (start < text.size()) {
    const std::size_t end = std::min(tokens ? text.find_first_of(separator, start) : text.find(separator, start), text.size());
    pieces.push_back(text.substr(start, end - start));
    start = tokens ? text.find_first_not_of(separator, end) : end + separator.size();
  }
  return pieces;
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); !from.empty() && at != npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

class Model {
 public:
  explicit Model(Choices& c) : c_(c) {}

  std::string Run(int steps) {
    for (int step = 0; step < steps && failure_.empty() && !c_.Exhausted(); ++step) {
      Member& m = pool_[c_.Pick(kPool)];
      Step(m, pool_[c_.Pick(kPool)]);
      if (m.text.size() > 9000) {  // cut back, so that lengths keep crossing every class
        const std::size_t cut = c_.Pick(5000);
        m.s.len(cut);
        Wrote(m, m.text.substr(0, cut));
      }
      if (failure_.empty()) failure_ = Check();
      if (!failure_.empty()) failure_ = "step " + std::to_string(step) + ": " + failure_;
    }
    return failure_;
  }

 private:
  static constexpr std::size_t kPool = 6;

  char Char() { return "aaB c-,;\n\xe4"[c_.Pick(10)]; }
  std::string Random() {
    std::string text(c_.Chance(85) ? c_.Pick(12) : c_.Pick(600), ' ');
    for (char& ch : text) ch = Char();
    return text;
  }
  void Expect(bool holds, const std::string& what) {
    if (!holds && failure_.empty()) failure_ = what;
  }
  void Wrote(Member& m, const std::string& text) { m.text = text, m.group = next_++; }
  static void Shares(Member& m, const Member& from) { m.text = from.text, m.group = from.group; }

  void Step(Member& m, Member& o) {
    const bool self = &m == &o;
    const std::string t = Random();
    const std::size_t n = c_.Pick(t.size() + 3), k = c_.Pick(o.text.size() + 1);
    const char* p = c_.Chance(10) ? nullptr : t.c_str();  // null reads as ""
    const std::string text = p ? t : "", head = text.substr(0, n), prefix = o.text.substr(0, k);
    const char ch = c_.Chance(10) ? '\0' : Char();  // '\0' adds nothing
    const std::string one = ch ? std::string(1, ch) : "";
    const int how = static_cast<int>(c_.Pick(3));
    switch (c_.Pick(18)) {
      case 0: how ? m.s.set(ch) : m.s = ch; return Wrote(m, one);
      case 1: how ? m.s.set(p) : m.s = p; return Wrote(m, text);
      case 2: how ? m.s.set(p, n) : m.s = VelaString(p, n); return Wrote(m, head);
      case 3: how ? m.s.set(o.s, k) : m.s = VelaString(o.s, k); return Wrote(m, prefix);
      case 4: how == 0 ? m.s += p : how == 1 ? m.s << p : m.s.add(p, n); return Wrote(m, m.text + (how == 2 ? head : text));
      case 5:  // another string; itself leaves it unchanged
        how == 0 ? m.s += o.s : how == 1 ? m.s << o.s : m.s.add(o.s, k);
        return self ? void() : Wrote(m, m.text + (how == 2 ? prefix : o.text));
      case 6: {  // characters one by one, across class boundaries
        std::string longer = m.text;
        for (std::size_t count = c_.Pick(80); count > 0; --count, longer += one) how ? m.s += ch : m.s.add(ch);
        return Wrote(m, longer);
      }
      case 7:  // a share: assigned, set or copy-constructed
        if (how == 1 && !self) m.s.~VelaString(), new (&m.s) VelaString(o.s);
        c_.Chance(50) ? m.s = o.s : m.s.set(o.s);
        return Shares(m, o);
      case 8: m.s.clear(); return Wrote(m, "");
      case 9: {  // its own text: the start changes nothing, a pointer into it is any text
        const std::size_t at = c_.Pick(m.text.size() + 1), count = c_.Pick(m.text.size() - at + 2);
        const char* own = m.s.str() + at;
        const bool counted = c_.Chance(50);
        how ? (counted ? m.s.add(own, count) : m.s.add(own)) : (counted ? m.s.set(own, count) : m.s.set(own));
        return at == 0 ? void() : Wrote(m, (how ? m.text : "") + m.text.substr(at, counted ? count : npos));
      }
      case 10: {  // the length set (0 and the class boundaries included); new characters filled through mutableData()
        static const std::size_t kEdges[] = {0, 59, 60, 251, 252, 4090, 4091, 8186, 8187};
        const std::size_t old = m.text.size(), length = c_.Chance(30) ? kEdges[c_.Pick(9)]
                                                       : how == 0 ? c_.Pick(old + 1) : old + c_.Pick(how == 1 ? 40 : 600);
        std::string text = m.text.substr(0, length);
        m.s.len(length);
        char* data = length > old ? m.s.mutableData() : nullptr;
        for (std::size_t i = old; data && i < length; ++i) text += data[i] = Char();
        if (data) data[length] = '\0';
        return Wrote(m, text);
      }
      case 11: {  // byte by byte in place; bytes above 0x7f stay as they are
        const char from = Char(), to = Char();
        std::string changed = m.text;
        how == 0 ? m.s.replace(from, to) : how == 1 ? m.s.lower() : m.s.upper();
        for (char& c : changed) {
          if (how == 0 && c == from) c = to;
          if (how != 0 && c >= 0) c = static_cast<char>(how == 1 ? std::tolower(c) : std::toupper(c));
        }
        return Wrote(m, changed);
      }
      case 12: {  // concatenation; a string added to itself doubles
        const std::string sum = how == 0 ? m.text + o.text : how == 1 ? m.text + text : text + o.text;
        m.s = how == 0 ? m.s + o.s : how == 1 ? m.s + p : p + o.s;
        return Wrote(m, sum);
      }
      case 13: return Derive(m, o, t);
      case 14:
      case 15: return Search(m, o, t);
      default: {  // read through its tokens (twice: the end resets the cursor) or its lines
        VelaString::token cursor;
        const std::string separator = t.substr(0, c_.Pick(4));
        const VelaString sep(separator.c_str());
        const std::vector<std::string> expected = Pieces(m.text, separator, how);
        for (int pass = 0; pass < (how ? 2 : 1); ++pass) {
          std::vector<std::string> got;
          while (got.size() <= m.text.size() && (how ? m.s.getToken(cursor, sep)
                                                      : separator.size() == 1 ? m.s.getLine(cursor, separator[0])
                                                                              : m.s.getLine(cursor, sep))) {
            got.push_back(Text(cursor.getToken()));
          }
          const std::string last = how || expected.empty() ? "" : expected.back();
          Expect(got == expected && Text(cursor.getToken()) == last && (!how || cursor.position == 0),
                 "pieces of \"" + m.text + "\" by \"" + separator + "\"");
        }
        return;
      }
    }
  }

  // Strings built from another: a text that comes back whole is shared.
  void Derive(Member& m, const Member& o, const std::string& t) {
    const int start = static_cast<int>(c_.Pick(o.text.size() + 6)) - 3;
    const int end = c_.Chance(25) ? -1 : static_cast<int>(c_.Pick(o.text.size() + 6)) - 3;
    const int length = static_cast<int>(o.text.size()), s = std::clamp(start, 0, length);
    const int e = end == -1 ? length : std::clamp(end, 0, length);
    const char ch = c_.Chance(50) ? '-' : Char();
    const std::size_t first = std::min(o.text.find_first_not_of(ch), o.text.size()), last = o.text.find_last_not_of(ch) + 1;
    std::string from = t.substr(0, c_.Pick(3)), to = t.substr(from.size(), c_.Pick(3));
    if (to == from) to += '+';
    const std::pair<VelaString, std::string> results[] = {
        {o.s.subString(start, end), e <= s ? "" : o.text.substr(static_cast<std::size_t>(s), static_cast<std::size_t>(e - s))},
        {o.s.trimLeft(ch), o.text.substr(first)},
        {o.s.trimRight(ch), o.text.substr(0, last)},
        {o.s.trim(ch), first < last ? o.text.substr(first, last - first) : ""},
        {FillString(o.s, start, ch), std::string(static_cast<std::size_t>(std::max(start - length, 0)), ch) + o.text},
        {o.s.replace(VelaString(from.c_str()), VelaString(to.c_str())), Replaced(o.text, from, to)}};
    const auto& [got, expected] = results[c_.Pick(6)];
    const bool shared = got.str() == o.s.str();
    Expect((expected == o.text) == shared, "\"" + Text(got) + "\": a whole text must come back shared");
    m.s = got;
    shared ? Shares(m, o) : Wrote(m, expected);
  }

  void Search(const Member& m, const Member& o, const std::string& t) {
    const std::size_t from = c_.Pick(m.text.size() + 1);
    const std::string needle = c_.Chance(50) ? o.text.substr(0, c_.Pick(4)) : t.substr(0, 3);
    const char ch = c_.Chance(10) ? '\0' : Char();
    const std::string_view all(m.text.c_str(), m.text.size() + 1);  // the terminator is found too
    const auto at = [&m](std::size_t hit) { return m.text.empty() || hit == npos ? -1 : static_cast<int>(hit); };
    Expect(m.s.find(VelaString(needle.c_str()), static_cast<int>(from)) == at(m.text.find(needle, from)) &&
               m.s.find(ch, static_cast<int>(from)) == at(all.find(ch, from)) && m.s.findLast(ch) == at(all.rfind(ch)),
           "searching \"" + m.text + "\" from " + std::to_string(from));
    // Unsigned bytes, a proper prefix first (std::string compares so too).
    const int order = m.text.compare(o.text);
    const char* other = o.text.c_str();
    Expect((m.s > o.s) == (order > 0) && (m.s >= o.s) == (order >= 0) && (m.s == o.s) == (order == 0) &&
               (m.s > other) == (order > 0) && (m.s >= other) == (order >= 0) && (other > m.s) == (order < 0) &&
               (other >= m.s) == (order <= 0) && (m.s == other) == (order == 0) && (other == m.s) == (order == 0) &&
               VelaStringHashCompare(m.s, o.s) == (order == 0) &&
               HasPrefix(m.s, o.s) == (m.text.compare(0, o.text.size(), o.text) == 0),
           "comparing \"" + m.text + "\" with \"" + o.text + "\"");
  }

  std::string Check() const {
    std::map<int, const char*> groups;
    std::map<const char*, std::uint32_t> holders;
    for (const Member* m = pool_; m != pool_ + kPool; ++m) {
      const VelaString& s = m->s;
      if (s.len() != static_cast<int>(m->text.size()) || s.size() != m->text.size() + 1 ||
          s.isEmpty() != m->text.empty() || std::memcmp(s.str(), m->text.c_str(), m->text.size() + 1) != 0) {
        return "\"" + Text(s) + "\" instead of \"" + m->text + "\"";
      }
      if (m->text.empty() && s.str() != VelaString().str()) return "an empty string holds a block";
      if (m->text.empty()) continue;
      if (groups.emplace(m->group, s.str()).first->second != s.str()) return "strings that share a block split";
      ++holders[s.str()];
    }
    // The share count heads the block: 64 bytes up to 59 characters, 256 up to
    // 251, then whole pages with room for the count and the terminator.
    for (const auto& [data, count] : holders) {
      std::uint32_t recorded = 0;
      std::memcpy(&recorded, data - sizeof recorded, sizeof recorded);
      const std::size_t n = std::strlen(data), size = n < 60 ? 64 : n < 252 ? 256 : (n + 5) / 4096 * 4096 + 4096;
      const std::size_t usable = malloc_usable_size(const_cast<char*>(data) - sizeof recorded);
      if (recorded != count) return "a block held " + std::to_string(count) + " times counts " + std::to_string(recorded);
      if (usable < size || usable >= size + 64) return std::to_string(n) + " characters in " + std::to_string(usable) + " bytes";
    }
    return "";
  }

  Choices& c_;
  Member pool_[kPool];
  int next_ = 0;
  std::string failure_;
};

}  // namespace

std::string RunStringModel(Choices& choices, int steps) { return Model(choices).Run(steps); }

}  // namespace vela::test
