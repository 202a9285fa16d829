// Copy-on-write string: block management, formatting, searching, tokenising.
//
// A block is one malloc'ed region [ uint32 count | text | '\0' ] whose size
// is a function of the text length alone (see BlockSizeFor). Every change
// first makes the block private (count 1), then moves it to the capacity
// class of the new length; a block is only reallocated when the class
// changes, so repeated appends reallocate at 60 and 252 characters and then
// once per 4096 bytes. An append to a shared block copies it straight into
// the class of the new length, so the first write to a copy allocates once.

#include "vela/foundation/VelaString.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <ostream>
#include <string_view>

#include "foundation/NumberFormat.h"

namespace {

using ShareCount = std::uint32_t;
constexpr std::size_t kCountBytes = sizeof(ShareCount);

// Capacity class of a text of n characters: the block size in bytes,
// count and terminator included (0: no block).
std::size_t BlockSizeFor(std::uint64_t n) {
  if (n == 0) return 0;
  if (n < 60) return 64;
  if (n < 252) return 256;
  return static_cast<std::size_t>(((n + 5) & ~std::uint64_t{4095}) + 4096);
}

char* BlockOf(char* data) { return data - kCountBytes; }
char* DataOf(void* block) { return static_cast<char*>(block) + kCountBytes; }
ShareCount& CountOf(char* data) { return *reinterpret_cast<ShareCount*>(BlockOf(data)); }

// A fresh block of the class of n with count 1, or null.
char* AllocateData(std::uint64_t n) {
  void* block = std::malloc(BlockSizeFor(n));
  if (block == nullptr) return nullptr;
  char* data = DataOf(block);
  CountOf(data) = 1;
  return data;
}

bool PointsInto(const char* p, const char* data, std::uint64_t length) {
  return data != nullptr && p >= data && p <= data + length;
}

// Lexicographic comparison by unsigned byte value with the terminator taking
// part, so a proper prefix orders first.
int CompareTexts(const char* a, std::size_t la, const char* b, std::size_t lb) {
  return std::memcmp(a, b, std::min(la, lb) + 1);
}

std::size_t LengthOf(const char* p) { return p ? std::strlen(p) : 0; }
const char* TextOf(const char* p) { return p ? p : ""; }

// Precision actually used for "%.*g": capped at 18, the comparison made on
// the value as a signed 32-bit number.
int EffectivePrecision(std::size_t precision) {
  const auto p = static_cast<std::int32_t>(precision);
  return p <= 18 ? p : 18;
}

}  // namespace

const char VelaString::kEmptyText[1] = {'\0'};

// ---------------------------------------------------------------------------
// Block management
//
// The work is done by file-local functions on the record, not by member
// functions: members of an exported class may be interposed when the library
// is shared, so the compiler never inlines one member into another, and
// copying, assigning and appending single characters would be dominated by
// such calls.
// ---------------------------------------------------------------------------

namespace {

using Record = VelaString::str_t;

// Gives up the record's share of its block; the record becomes empty.
inline void Release(Record& s) noexcept {
  if (s.data != nullptr) {
    ShareCount& count = CountOf(s.data);
    if (count >= 2) {
      --count;
    } else {
      std::free(BlockOf(s.data));
    }
  }
  s = {nullptr, 0};
}

// Takes a share of the other record's block. The record must hold none.
inline void Share(Record& s, const Record& other) noexcept {
  s = other;
  if (s.data != nullptr) ++CountOf(s.data);
}

inline void AssignShared(Record& s, const Record& other) noexcept {
  if (&s == &other) return;
  Release(s);
  Share(s, other);
}

// Gives the record a block of its own (count 1), of the class of `forLength`
// (at least the current length). On allocation failure the record is left
// empty and false is returned.
bool MakePrivate(Record& s, std::uint64_t forLength = 0) {
  if (s.data == nullptr || CountOf(s.data) == 1) return true;
  char* copy = AllocateData(std::max(forLength, s.length));
  --CountOf(s.data);
  if (copy == nullptr) {
    s = {nullptr, 0};
    return false;
  }
  std::memcpy(copy, s.data, s.length + 1);
  s.data = copy;
  return true;
}

// Moves the (private or absent) block to the class of newLength without
// changing the recorded length or writing characters. newLength 0 releases.
bool Resize(Record& s, std::uint64_t newLength) {
  if (newLength == 0) {
    Release(s);
    return true;
  }
  if (s.data == nullptr) {
    s.data = AllocateData(newLength);
    return s.data != nullptr;
  }
  const std::size_t newSize = BlockSizeFor(newLength);
  if (newSize == BlockSizeFor(s.length)) return true;
  void* block = std::realloc(BlockOf(s.data), newSize);
  if (block == nullptr) {
    Release(s);
    return false;
  }
  s.data = DataOf(block);
  return true;
}

// Replaces the text by n bytes at p. The new block is filled before the old
// one is released, so p may point into the record's own text.
void AssignBytes(Record& s, const char* p, std::size_t n) {
  if (n == 0) {
    Release(s);
    return;
  }
  char* data = AllocateData(n);
  if (data != nullptr) {
    std::memcpy(data, p, n);
    data[n] = '\0';
  }
  Release(s);
  if (data != nullptr) s = {data, n};
}

void AppendBytes(Record& s, const char* p, std::size_t n) {
  if (n == 0) return;
  if (PointsInto(p, s.data, s.length)) {
    // The source lives in the block that is about to move: copy it first.
    const std::string source(p, n);
    AppendBytes(s, source.data(), n);
    return;
  }
  // A shared block is copied straight into the class of the new length; only
  // a block the record already owns is moved there.
  const std::uint64_t newLength = s.length + n;
  const bool shared = s.data != nullptr && CountOf(s.data) > 1;
  if (shared ? !MakePrivate(s, newLength) : !Resize(s, newLength)) return;
  std::memcpy(s.data + s.length, p, n);
  s.length = newLength;
  s.data[newLength] = '\0';
}

}  // namespace

// ---------------------------------------------------------------------------
// Construction and assignment
// ---------------------------------------------------------------------------

namespace {

// The text of a number, formatted once, then assigned or appended.
struct NumberText {
  char text[vela::detail::kNumberTextCapacity];
  std::size_t length;
};

NumberText SignedText(long long value) {
  NumberText number;
  number.length = vela::detail::FormatSigned(value, number.text);
  return number;
}

NumberText UnsignedText(unsigned long long value) {
  NumberText number;
  number.length = vela::detail::FormatUnsigned(value, number.text);
  return number;
}

NumberText GeneralText(double value, std::size_t precision) {
  NumberText number;
  number.length = vela::detail::FormatGeneral(value, EffectivePrecision(precision), number.text);
  return number;
}

void Assign(Record& s, const NumberText& number) { AssignBytes(s, number.text, number.length); }
void Append(Record& s, const NumberText& number) { AppendBytes(s, number.text, number.length); }

void AssignChar(Record& s, char c) { AssignBytes(s, &c, c != '\0' ? 1 : 0); }

// A pointer equal to the string's own data changes nothing.
void AssignText(Record& s, const char* p) {
  if (p == nullptr || p != s.data) AssignBytes(s, p, LengthOf(p));
}

void AssignText(Record& s, const char* p, std::size_t n) {
  if (p == nullptr || p != s.data) AssignBytes(s, p, p ? strnlen(p, n) : 0);
}

}  // namespace

VelaString::VelaString(const VelaString& s, std::size_t n) : s_{nullptr, 0} {
  const std::size_t count = std::min<std::uint64_t>(n, s.s_.length);
  if (count > 0) AssignBytes(s_, s.s_.data, strnlen(s.s_.data, count));
}

VelaString::VelaString(char c) : s_{nullptr, 0} { AssignChar(s_, c); }
VelaString::VelaString(const char* p) : s_{nullptr, 0} { AssignText(s_, p); }
VelaString::VelaString(const char* p, std::size_t n) : s_{nullptr, 0} { AssignText(s_, p, n); }
VelaString::VelaString(const std::string& s) : s_{nullptr, 0} { AssignText(s_, s.c_str()); }
VelaString::VelaString(int value) : s_{nullptr, 0} { Assign(s_, SignedText(value)); }
VelaString::VelaString(unsigned int value) : s_{nullptr, 0} { Assign(s_, UnsignedText(value)); }
VelaString::VelaString(long value) : s_{nullptr, 0} { Assign(s_, SignedText(value)); }
VelaString::VelaString(unsigned long value) : s_{nullptr, 0} { Assign(s_, UnsignedText(value)); }
VelaString::VelaString(long long value) : s_{nullptr, 0} { Assign(s_, SignedText(value)); }
VelaString::VelaString(unsigned long long value) : s_{nullptr, 0} { Assign(s_, UnsignedText(value)); }
VelaString::VelaString(double value, std::size_t precision) : s_{nullptr, 0} {
  Assign(s_, GeneralText(value, precision));
}

void VelaString::freeBlock(char* data) noexcept { std::free(BlockOf(data)); }

VelaString& VelaString::operator=(const VelaString& other) noexcept {
  AssignShared(s_, other.s_);
  return *this;
}
VelaString& VelaString::operator=(char c) { return set(c); }
VelaString& VelaString::operator=(const char* p) { return set(p); }
VelaString& VelaString::operator=(int value) { return set(value); }
VelaString& VelaString::operator=(unsigned int value) { return set(value); }
VelaString& VelaString::operator=(long value) { return set(value); }
VelaString& VelaString::operator=(unsigned long value) { return set(value); }
VelaString& VelaString::operator=(long long value) { return set(value); }
VelaString& VelaString::operator=(unsigned long long value) { return set(value); }
VelaString& VelaString::operator=(double value) { return set(value, 17); }

VelaString& VelaString::set(const VelaString& other) noexcept {
  AssignShared(s_, other.s_);
  return *this;
}

VelaString& VelaString::set(const VelaString& s, std::size_t n) {
  AssignBytes(s_, s.s_.data, std::min<std::uint64_t>(n, s.s_.length));
  return *this;
}

VelaString& VelaString::set(char c) {
  AssignChar(s_, c);
  return *this;
}

VelaString& VelaString::set(const char* p) {
  AssignText(s_, p);
  return *this;
}

VelaString& VelaString::set(const char* p, std::size_t n) {
  AssignText(s_, p, n);
  return *this;
}

VelaString& VelaString::set(int value) {
  Assign(s_, SignedText(value));
  return *this;
}

VelaString& VelaString::set(unsigned int value) {
  Assign(s_, UnsignedText(value));
  return *this;
}

VelaString& VelaString::set(long value) {
  Assign(s_, SignedText(value));
  return *this;
}

VelaString& VelaString::set(unsigned long value) {
  Assign(s_, UnsignedText(value));
  return *this;
}

VelaString& VelaString::set(long long value) {
  Assign(s_, SignedText(value));
  return *this;
}

VelaString& VelaString::set(unsigned long long value) {
  Assign(s_, UnsignedText(value));
  return *this;
}

VelaString& VelaString::set(double value, std::size_t precision) {
  Assign(s_, GeneralText(value, precision));
  return *this;
}

// ---------------------------------------------------------------------------
// Appending
// ---------------------------------------------------------------------------

VelaString& VelaString::add(const VelaString& s) {
  if (&s != this) AppendBytes(s_, s.s_.data, s.s_.length);
  return *this;
}

VelaString& VelaString::add(const VelaString& s, std::size_t n) {
  if (&s == this || s.isEmpty() || n == 0) return *this;
  AppendBytes(s_, s.s_.data, std::min<std::uint64_t>(n, s.s_.length));
  // The appended characters may carry a zero byte: the text ends there.
  if (s_.data != nullptr) {
    const std::size_t visible = std::strlen(s_.data);
    if (visible != s_.length) len(visible);
  }
  return *this;
}

VelaString& VelaString::addSlowly(char c) {
  if (c != '\0') AppendBytes(s_, &c, 1);
  return *this;
}

VelaString& VelaString::add(const char* p) {
  if (p != nullptr && p != s_.data) AppendBytes(s_, p, std::strlen(p));
  return *this;
}

VelaString& VelaString::add(const char* p, std::size_t n) {
  if (p != nullptr && p != s_.data) AppendBytes(s_, p, strnlen(p, n));
  return *this;
}

VelaString& VelaString::add(int value) {
  Append(s_, SignedText(value));
  return *this;
}

VelaString& VelaString::add(unsigned int value) {
  Append(s_, UnsignedText(value));
  return *this;
}

VelaString& VelaString::add(long value) {
  Append(s_, SignedText(value));
  return *this;
}

VelaString& VelaString::add(unsigned long value) {
  Append(s_, UnsignedText(value));
  return *this;
}

VelaString& VelaString::add(long long value) {
  Append(s_, SignedText(value));
  return *this;
}

VelaString& VelaString::add(unsigned long long value) {
  Append(s_, UnsignedText(value));
  return *this;
}

VelaString& VelaString::add(double value, std::size_t precision) {
  Append(s_, GeneralText(value, precision));
  return *this;
}

// ---------------------------------------------------------------------------
// Queries
// ---------------------------------------------------------------------------

int VelaString::find(const VelaString& s, int from) const {
  if (isEmpty()) return -1;
  const char* hit = std::strstr(s_.data + from, s.str());
  return hit ? static_cast<int>(hit - s_.data) : -1;
}

int VelaString::find(char c, int from) const {
  if (isEmpty()) return -1;
  const char* hit = std::strchr(s_.data + from, c);
  return hit ? static_cast<int>(hit - s_.data) : -1;
}

int VelaString::findLast(char c) const {
  if (isEmpty()) return -1;
  const char* hit = std::strrchr(s_.data, c);
  return hit ? static_cast<int>(hit - s_.data) : -1;
}

// ---------------------------------------------------------------------------
// Changing in place
// ---------------------------------------------------------------------------

void VelaString::len(std::size_t n) {
  if (n == 0) {
    Release(s_);
    return;
  }
  if (!MakePrivate(s_) || !Resize(s_, n)) return;
  if (n < s_.length) s_.data[n] = '\0';
  s_.length = n;
}

char* VelaString::mutableData() {
  MakePrivate(s_);
  return s_.data;
}

void VelaString::clear() noexcept { Release(s_); }

VelaString& VelaString::lower() {
  if (!isEmpty() && MakePrivate(s_)) {
    for (std::uint64_t i = 0; i < s_.length; ++i) {
      const auto c = static_cast<signed char>(s_.data[i]);
      if (c >= 0) s_.data[i] = static_cast<char>(std::tolower(c));
    }
  }
  return *this;
}

VelaString& VelaString::upper() {
  if (!isEmpty() && MakePrivate(s_)) {
    for (std::uint64_t i = 0; i < s_.length; ++i) {
      const auto c = static_cast<signed char>(s_.data[i]);
      if (c >= 0) s_.data[i] = static_cast<char>(std::toupper(c));
    }
  }
  return *this;
}

VelaString& VelaString::replace(char from, char to) {
  if (!isEmpty() && MakePrivate(s_)) std::replace(s_.data, s_.data + s_.length, from, to);
  return *this;
}

// ---------------------------------------------------------------------------
// Building new strings
// ---------------------------------------------------------------------------

VelaString VelaString::subString(int start, int end) const {
  const auto length = static_cast<long long>(s_.length);
  const long long first = std::clamp<long long>(start, 0, length);
  const long long last = end == -1 ? length : std::clamp<long long>(end, 0, length);
  if (last <= first) return VelaString();
  if (first == 0 && last == length) return *this;
  VelaString result;
  AssignBytes(result.s_, s_.data + first, static_cast<std::size_t>(last - first));
  return result;
}

VelaString VelaString::trimLeft(char c) const {
  std::uint64_t first = 0;
  while (first < s_.length && s_.data[first] == c) ++first;
  return first == 0 ? *this : subString(static_cast<int>(first), -1);
}

VelaString VelaString::trimRight(char c) const {
  std::uint64_t last = s_.length;
  while (last > 0 && s_.data[last - 1] == c) --last;
  return last == s_.length ? *this : subString(0, static_cast<int>(last));
}

VelaString VelaString::trim(char c) const { return trimLeft(c).trimRight(c); }

VelaString VelaString::replace(const VelaString& from, const VelaString& to) const {
  const std::string_view text(str(), s_.length);
  const std::string_view pattern(from.str(), from.s_.length);
  if (pattern.empty()) return *this;
  std::size_t hit = text.find(pattern);
  if (hit == std::string_view::npos) return *this;
  VelaString result;
  std::size_t done = 0;
  for (; hit != std::string_view::npos; hit = text.find(pattern, done)) {
    AppendBytes(result.s_, text.data() + done, hit - done);
    AppendBytes(result.s_, to.s_.data, to.s_.length);
    done = hit + pattern.size();
  }
  AppendBytes(result.s_, text.data() + done, text.size() - done);
  return result;
}

// ---------------------------------------------------------------------------
// Tokenising
// ---------------------------------------------------------------------------

bool VelaString::getToken(token& t, const VelaString& separators) const {
  const auto isSeparator = [&separators](char c) {
    return std::memchr(separators.str(), c, separators.s_.length) != nullptr;
  };
  while (t.position < s_.length && isSeparator(s_.data[t.position])) ++t.position;
  if (t.position >= s_.length) {
    t.init();
    return false;
  }
  const std::uint64_t start = t.position;
  while (t.position < s_.length && !isSeparator(s_.data[t.position])) ++t.position;
  t.text = subString(static_cast<int>(start), static_cast<int>(t.position));
  return true;
}

bool VelaString::nextLine(token& t, std::string_view separator) const {
  if (t.position >= s_.length) return false;
  const std::string_view text(s_.data, s_.length);
  const std::size_t start = t.position;
  const std::size_t hit = text.find(separator, start);
  if (hit == std::string_view::npos) {
    t.text = subString(static_cast<int>(start), -1);
    t.position = s_.length;
  } else {
    t.text = subString(static_cast<int>(start), static_cast<int>(hit));
    t.position = hit + separator.size();
  }
  return true;
}

bool VelaString::getLine(token& t, const VelaString& separator) const {
  if (separator.isEmpty()) return false;
  return nextLine(t, std::string_view(separator.s_.data, separator.s_.length));
}

bool VelaString::getLine(token& t, char separator) const {
  return nextLine(t, std::string_view(&separator, 1));
}

VelaString::operator std::string() const { return std::string(str()); }

// ---------------------------------------------------------------------------
// Free operators and functions
// ---------------------------------------------------------------------------

namespace {

VelaString Concatenate(const char* a, std::size_t la, const char* b, std::size_t lb) {
  VelaString result;
  if (la + lb == 0) return result;
  result.len(la + lb);
  char* data = result.mutableData();
  if (data == nullptr) return result;
  std::memcpy(data, a, la);
  std::memcpy(data + la, b, lb);
  data[la + lb] = '\0';
  return result;
}

}  // namespace

VelaString operator+(const VelaString& a, const VelaString& b) {
  if (b.isEmpty()) return a;
  if (a.isEmpty()) return b;
  return Concatenate(a.str(), static_cast<std::size_t>(a.len()), b.str(), static_cast<std::size_t>(b.len()));
}

VelaString operator+(const VelaString& a, const char* b) {
  return Concatenate(a.str(), static_cast<std::size_t>(a.len()), TextOf(b), LengthOf(b));
}

VelaString operator+(const char* a, const VelaString& b) {
  return Concatenate(TextOf(a), LengthOf(a), b.str(), static_cast<std::size_t>(b.len()));
}

bool operator==(const VelaString& a, const VelaString& b) {
  if (&a == &b) return true;
  if (static_cast<std::uint32_t>(a.len()) != static_cast<std::uint32_t>(b.len())) return false;
  return std::memcmp(a.str(), b.str(), static_cast<std::uint32_t>(a.len())) == 0;
}

bool operator==(const VelaString& a, const char* b) {
  const std::size_t lb = LengthOf(b);
  return lb == static_cast<std::size_t>(a.len()) && std::memcmp(a.str(), TextOf(b), lb) == 0;
}

bool operator==(const char* a, const VelaString& b) { return b == a; }

namespace {

int Compare(const VelaString& a, const VelaString& b) {
  return CompareTexts(a.str(), static_cast<std::size_t>(a.len()), b.str(), static_cast<std::size_t>(b.len()));
}

int Compare(const VelaString& a, const char* b) {
  return CompareTexts(a.str(), static_cast<std::size_t>(a.len()), TextOf(b), LengthOf(b));
}

}  // namespace

bool operator>(const VelaString& a, const VelaString& b) { return Compare(a, b) > 0; }
bool operator>(const VelaString& a, const char* b) { return Compare(a, b) > 0; }
bool operator>(const char* a, const VelaString& b) { return Compare(b, a) < 0; }
bool operator>=(const VelaString& a, const VelaString& b) { return Compare(a, b) >= 0; }
bool operator>=(const VelaString& a, const char* b) { return Compare(a, b) >= 0; }
bool operator>=(const char* a, const VelaString& b) { return Compare(b, a) <= 0; }

std::ostream& operator<<(std::ostream& os, const VelaString& s) { return os << s.str(); }

VelaString FillString(const VelaString& s, int width, char c) {
  const int length = s.len();
  if (length >= width) return s;
  const std::string padding(static_cast<std::size_t>(width - length), c);
  return Concatenate(padding.data(), padding.size(), s.str(), static_cast<std::size_t>(length));
}

bool HasPrefix(const VelaString& s, const VelaString& prefix) {
  return prefix.len() <= s.len() &&
         std::memcmp(s.str(), prefix.str(), static_cast<std::size_t>(prefix.len())) == 0;
}

unsigned int VelaStringHashIt(const VelaString& s) {
  auto h = static_cast<std::uint32_t>(s.len());
  const char* text = s.str();
  for (int i = 0; i < s.len(); ++i) {
    h = h * 17u + static_cast<std::uint32_t>(static_cast<signed char>(text[i]));
  }
  return h;
}

int VelaStringHashCompare(const VelaString& a, const VelaString& b) {
  return std::strcmp(a.str(), b.str()) == 0 ? 1 : 0;
}
