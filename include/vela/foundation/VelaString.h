/// \file
/// \brief VelaString, the library's copy-on-write byte string, with its free operators and functions.
/// \ingroup foundation
#ifndef VELA_FOUNDATION_VELASTRING_H
#define VELA_FOUNDATION_VELASTRING_H

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>

#include "vela/foundation/VelaExport.h"

/// \addtogroup foundation
/// @{

/// The library's copy-on-write byte string.
///
/// Every name, path, environment value, message and token that crosses the
/// library's interface is a VelaString. Copies share one reference-counted
/// heap block; the first change made through a copy gives that copy a private
/// block, so copying and assigning never copy characters.
///
/// Beside the class stand the tokenising cursor (VelaString::token), the
/// left-padding function FillString, the prefix test HasPrefix and the hash
/// and equality functions the hash table takes for string keys.
///
/// Choices made for this implementation:
/// - Numbers are formatted as the C runtime's "%d", "%u", "%ld", "%lld",
///   "%llu" and "%.*g" would format them under the "C" locale, whatever locale
///   the host process has installed: a decimal point is always '.'.
/// - `long` and `unsigned long` are 64 bits wide here; they are formatted at
///   their full width ("%ld" and "%llu"), so a value that fitted the 32-bit
///   types of the original platform gives the same text.
/// - replace(from, to) keeps the text behind the last occurrence, and gives
///   the whole text (shared) when `from` does not occur or is empty; so it
///   behaves as "replace all occurrences" does in other string libraries.
/// - getLine with an empty separator string returns false and leaves the
///   token untouched (an empty separator would never advance the cursor).
/// - operator!=, operator< and operator<= are provided as the complements of
///   operator==, operator>= and operator>.
///
/// Thread safety: the reference count is not atomic. Strings that share a
/// block must be used by one thread at a time.
class VELA_API VelaString {
 public:
  /// The two fields of a string. `data` points just past the 32-bit share
  /// count at the head of a heap block laid out as
  /// \code{.unparsed}
  ///   [ uint32 count | length characters | '\0' ]
  /// \endcode
  /// or is null for the empty string, which never owns a block.
  ///
  /// Invariants:
  /// - data == nullptr  <=>  length == 0  <=>  no block is owned.
  /// - The block size is a function of the length alone (its capacity class):
  ///   1..59 -> 64 bytes, 60..251 -> 256 bytes,
  ///   252.. -> ((length + 5) rounded down to a multiple of 4096) + 4096.
  /// - count is the number of VelaString objects sharing the block; a count
  ///   of 1 means the string owns it privately and may change it in place.
  struct str_t {
    /// The text, just past the share count of its block; null when empty.
    char* data;
    /// The number of characters, the terminator not counted.
    std::uint64_t length;
  };

  /// Tokenising cursor: `position` is the index of the next character to
  /// examine; `text` is the last token or line extracted.
  struct token;

  // ---- Construction ------------------------------------------------------
  /// The empty string, which owns no block.
  VelaString() noexcept : s_{nullptr, 0} {}
  /// The empty string.
  static VelaString empty() noexcept { return VelaString(); }

  /// Shares the other's block; no character is copied.
  VelaString(const VelaString& other) noexcept : s_(other.s_) {
    if (s_.data != nullptr) ++countOf(s_.data);
  }
  /// Private copy of the first n characters of s, cut at its first zero byte.
  /// n must not exceed s's length.
  VelaString(const VelaString& s, size_t n);
  /// One-character string; '\0' gives the empty string.
  VelaString(char c);
  /// Copy of a zero-terminated string; null or "" gives the empty string.
  VelaString(const char* p);
  /// Copy of at most n characters of p, ending early at p's terminator.
  VelaString(const char* p, size_t n);
  /// Takes over the record's data and length as they stand. The record must
  /// carry a share of its own: the count is not incremented.
  explicit VelaString(const str_t& record) noexcept : s_(record) {}
  /// Copy of the text up to its first zero byte.
  VelaString(const std::string& s);

  /// The number formatted as "%d".
  VelaString(int value);
  /// The number formatted as "%u".
  VelaString(unsigned int value);
  /// The number formatted as "%ld".
  VelaString(long value);
  /// The number formatted as "%llu".
  VelaString(unsigned long value);
  /// The number formatted as "%lld".
  VelaString(long long value);
  /// The number formatted as "%llu".
  VelaString(unsigned long long value);
  /// "%.*g" with the given precision, capped at 18 (a precision that is
  /// negative as a 32-bit number falls back to the runtime default of 6).
  VelaString(double value, size_t precision = 17);

  /// Gives up this string's share of its block, freeing the block when it
  /// was the last one.
  ~VelaString() {
    if (s_.data == nullptr) return;
    if (countOf(s_.data) >= 2) {
      --countOf(s_.data);
    } else {
      freeBlock(s_.data);
    }
  }

  /// \name Assignment
  /// Each returns *this; the operator= forms and the set forms of one argument
  /// type do the same.
  /** @{ */
  /// Releases the old block, then shares the other's; self-assignment is a
  /// no-op.
  VelaString& operator=(const VelaString& other) noexcept;
  /// The one-character string; '\0' gives the empty string.
  VelaString& operator=(char c);
  /// A pointer equal to this string's own data does nothing.
  VelaString& operator=(const char* p);
  /// The number formatted as "%d".
  VelaString& operator=(int value);
  /// The number formatted as "%u".
  VelaString& operator=(unsigned int value);
  /// The number formatted as "%ld".
  VelaString& operator=(long value);
  /// The number formatted as "%llu".
  VelaString& operator=(unsigned long value);
  /// The number formatted as "%lld".
  VelaString& operator=(long long value);
  /// The number formatted as "%llu".
  VelaString& operator=(unsigned long long value);
  /// The number formatted as "%.17g".
  VelaString& operator=(double value);

  /// Shares the other's block, as operator= does.
  VelaString& set(const VelaString& other) noexcept;
  /// Private copy of the first n characters of s; n = 0 leaves it empty.
  VelaString& set(const VelaString& s, size_t n);
  /// The one-character string; '\0' gives the empty string.
  VelaString& set(char c);
  /// Copy of a zero-terminated string; null or "" gives the empty string. A
  /// pointer equal to this string's own data does nothing.
  VelaString& set(const char* p);
  /// Copy of at most n characters of p, ending early at p's terminator.
  VelaString& set(const char* p, size_t n);
  /// The number formatted as "%d".
  VelaString& set(int value);
  /// The number formatted as "%u".
  VelaString& set(unsigned int value);
  /// The number formatted as "%ld".
  VelaString& set(long value);
  /// The number formatted as "%llu".
  VelaString& set(unsigned long value);
  /// The number formatted as "%lld".
  VelaString& set(long long value);
  /// The number formatted as "%llu".
  VelaString& set(unsigned long long value);
  /// "%.*g" with the given precision, capped at 18.
  VelaString& set(double value, size_t precision = 17);
  /** @} */

  /// \name Appending
  /// operator<<, operator+= and add are the same operation; each returns *this.
  /** @{ */
  /// Appending the string to itself (the same object) or an empty string
  /// leaves it unchanged.
  VelaString& add(const VelaString& s);
  /// Appends the first n characters of s, then cuts the text at its first
  /// zero byte. Self, empty s or n = 0 leave it unchanged.
  VelaString& add(const VelaString& s, size_t n);
  /// Appends one character; '\0' leaves it unchanged.
  ///
  /// Inline: a private block with room in its class is written in place.
  VelaString& add(char c) {
    char* const data = s_.data;
    const std::uint64_t n = s_.length;
    if (c == '\0' || data == nullptr || countOf(data) != 1 || !sameClassAfterOneMore(n)) {
      return addSlowly(c);
    }
    data[n] = c;
    data[n + 1] = '\0';
    s_.length = n + 1;
    return *this;
  }
  /// Appends a zero-terminated string. Null, "" or a pointer equal to this
  /// string's own data leave it unchanged.
  VelaString& add(const char* p);
  /// At most n characters of p, ending early at p's terminator.
  VelaString& add(const char* p, size_t n);
  /// Appends the number formatted as "%d".
  VelaString& add(int value);
  /// Appends the number formatted as "%u".
  VelaString& add(unsigned int value);
  /// Appends the number formatted as "%ld".
  VelaString& add(long value);
  /// Appends the number formatted as "%llu".
  VelaString& add(unsigned long value);
  /// Appends the number formatted as "%lld".
  VelaString& add(long long value);
  /// Appends the number formatted as "%llu".
  VelaString& add(unsigned long long value);
  /// Appends the number formatted as "%.*g" with the given precision, capped
  /// at 18.
  VelaString& add(double value, size_t precision = 17);

  /// add(value), for any type add takes.
  template <typename T>
  VelaString& operator+=(const T& value) {
    return add(value);
  }
  /// add(p).
  VelaString& operator+=(const char* p) { return add(p); }
  /// add(value), for any type add takes.
  template <typename T>
  VelaString& operator<<(const T& value) {
    return add(value);
  }
  /// add(p).
  VelaString& operator<<(const char* p) { return add(p); }
  /** @} */

  /// \name Queries
  /** @{ */
  /// The number of characters, the terminator not counted.
  int len() const noexcept { return static_cast<int>(s_.length); }
  /// length + 1, computed in 32-bit arithmetic.
  size_t size() const noexcept { return static_cast<std::uint32_t>(s_.length + 1); }
  /// The text; never null ("" for the empty string).
  const char* str() const noexcept { return s_.data ? s_.data : kEmptyText; }
  /// Whether the string has no character.
  bool isEmpty() const noexcept { return s_.length == 0; }
  /// Whether the string has no character, as isEmpty().
  bool operator!() const noexcept { return s_.length == 0; }
  /// Character i; i must lie in [0, length] (index length is the terminator).
  const char& operator[](int i) const noexcept { return str()[i]; }

  /// Index of the first occurrence of s at or after `from`, or -1; -1 when
  /// this string is empty. `from` must lie in [0, length].
  int find(const VelaString& s, int from = 0) const;
  /// Index of the first c at or after `from` ('\0' finds the terminator at
  /// index length), or -1; -1 when this string is empty.
  int find(char c, int from = 0) const;
  /// Index of the last c, or -1; -1 when this string is empty.
  int findLast(char c) const;
  /** @} */

  /// \name Changing in place
  /// Each first makes the block private.
  /** @{ */
  /// Sets the length to n. Shrinking cuts the text at n; growing moves the
  /// block to the class of n but writes neither the new characters nor the
  /// terminator: the caller fills [old length, n) and writes data[n] = 0
  /// through mutableData(). n = 0 releases the block.
  void len(size_t n);
  /// Writable access to the private block, for a caller filling the space
  /// made by len(n). Null for the empty string.
  char* mutableData();
  /// Releases the block; the string becomes empty.
  void clear() noexcept;
  /// Each byte mapped by the runtime's tolower (bytes above 127 are left
  /// alone).
  VelaString& lower();
  /// Each byte mapped by the runtime's toupper (bytes above 127 are left
  /// alone).
  VelaString& upper();
  /// Every byte equal to `from` becomes `to`.
  VelaString& replace(char from, char to);
  /** @} */

  /// \name Building new strings
  /// The receiver is unchanged.
  /** @{ */
  /// Characters [s, e): s = start clamped to [0, length]; e = length when end
  /// is -1, else end clamped to [0, length]; empty when e <= s.
  VelaString subString(int start, int end) const;
  /// Without the leading run of c; the whole text (shared) when there is
  /// nothing to cut.
  VelaString trimLeft(char c = ' ') const;
  /// Without the trailing run of c; the whole text (shared) when there is
  /// nothing to cut.
  VelaString trimRight(char c = ' ') const;
  /// Without the leading and the trailing runs of c; the whole text (shared)
  /// when there is nothing to cut.
  VelaString trim(char c = ' ') const;
  /// Every occurrence of `from`, left to right and not overlapping, replaced
  /// by `to`; see the class comment for the cases without an occurrence.
  VelaString replace(const VelaString& from, const VelaString& to) const;
  /** @} */

  /// \name Tokenising
  /** @{ */
  /// Next token delimited by any of the characters of `separators`. At the end
  /// of the text the cursor is reset (position 0, empty text) and false is
  /// returned, so a loop leaves the cursor ready to scan again.
  bool getToken(token& t, const VelaString& separators) const;
  /// Next line ended by the separator string (or by the end of the text). A
  /// text that ends with the separator yields no final empty line. Returns
  /// false, leaving the cursor as it is, at the end of the text.
  bool getLine(token& t, const VelaString& separator) const;
  /// Next line ended by the separator character, as the string form does.
  bool getLine(token& t, char separator) const;
  /** @} */

  /// \name Conversions
  /** @{ */
  /// The text up to its first zero byte.
  operator std::string() const;
  /** @} */

 private:
  static const char kEmptyText[1];
  // The share count heads the block, just before the text. Copying,
  // destroying and appending one character are inline because they are the
  // string's most frequent operations and a call into the shared library
  // would cost several times the work itself.
  static std::uint32_t& countOf(char* data) noexcept {
    return *reinterpret_cast<std::uint32_t*>(data - sizeof(std::uint32_t));
  }
  // Whether a text of n + 1 characters (n > 0) stays in the capacity class of
  // a text of n: the classes change at 60, at 252 and wherever n + 5 becomes
  // a multiple of 4096.
  static bool sameClassAfterOneMore(std::uint64_t n) noexcept {
    const std::uint64_t next = n + 1;
    return (next != 60) & (next != 252) & (((next + 5) & 4095) != 0);
  }
  static void freeBlock(char* data) noexcept;
  // add(char) for every case but the in-place one.
  VelaString& addSlowly(char c);

  bool nextLine(token& t, std::string_view separator) const;

  str_t s_;
};

/// Tokenising cursor of VelaString::getToken and VelaString::getLine.
///
/// `position` is the index of the next character to examine; `text` is the
/// last token or line extracted.
struct VELA_API VelaString::token {
  /// Index of the next character to examine.
  std::uint64_t position = 0;
  /// The last token or line extracted.
  VelaString text;

  /// A cursor at position 0 with an empty text.
  token() = default;
  /// Position 0, text emptied.
  void init() {
    position = 0;
    text.clear();
  }
  /// The last token or line extracted.
  const VelaString& getToken() const { return text; }
  /// The last token or line extracted, writable.
  VelaString& getToken() { return text; }
};

// ---- Free operators ---------------------------------------------------------
/// Concatenation; null or "" count as empty. a + a doubles the text.
VELA_API VelaString operator+(const VelaString& a, const VelaString& b);
/// Concatenation; null or "" count as empty.
VELA_API VelaString operator+(const VelaString& a, const char* b);
/// Concatenation; null or "" count as empty.
VELA_API VelaString operator+(const char* a, const VelaString& b);

/// Equality: same object, or same length and the same bytes. A null pointer
/// counts as "".
VELA_API bool operator==(const VelaString& a, const VelaString& b);
/// Equality: same length and the same bytes. A null pointer counts as "".
VELA_API bool operator==(const VelaString& a, const char* b);
/// Equality: same length and the same bytes. A null pointer counts as "".
VELA_API bool operator==(const char* a, const VelaString& b);
/// !(a == b).
inline bool operator!=(const VelaString& a, const VelaString& b) { return !(a == b); }
/// !(a == b).
inline bool operator!=(const VelaString& a, const char* b) { return !(a == b); }
/// !(a == b).
inline bool operator!=(const char* a, const VelaString& b) { return !(a == b); }

/// Ordering: lexicographic by unsigned byte value; a proper prefix orders
/// before the longer text. A null pointer counts as "".
VELA_API bool operator>(const VelaString& a, const VelaString& b);
/// a orders after b, as the string form; a null pointer counts as "".
VELA_API bool operator>(const VelaString& a, const char* b);
/// a orders after b, as the string form; a null pointer counts as "".
VELA_API bool operator>(const char* a, const VelaString& b);
/// a orders after b or equals it, by the same ordering.
VELA_API bool operator>=(const VelaString& a, const VelaString& b);
/// a orders after b or equals it; a null pointer counts as "".
VELA_API bool operator>=(const VelaString& a, const char* b);
/// a orders after b or equals it; a null pointer counts as "".
VELA_API bool operator>=(const char* a, const VelaString& b);
/// b > a.
inline bool operator<(const VelaString& a, const VelaString& b) { return b > a; }
/// b >= a.
inline bool operator<=(const VelaString& a, const VelaString& b) { return b >= a; }

/// Writes the text up to its first zero byte.
VELA_API std::ostream& operator<<(std::ostream& os, const VelaString& s);

// ---- Free functions ---------------------------------------------------------
/// s itself (shared) when its length is at least width; otherwise
/// (width - length) copies of c followed by s.
VELA_API VelaString FillString(const VelaString& s, int width, char c);
/// True when s starts with prefix; an empty prefix gives true.
VELA_API bool HasPrefix(const VelaString& s, const VelaString& prefix);
/// h = length; then h = h * 17 + c for each character c taken as a signed
/// char, all in unsigned 32-bit arithmetic.
VELA_API unsigned int VelaStringHashIt(const VelaString& s);
/// 1 when the two texts are equal as zero-terminated strings, else 0.
VELA_API int VelaStringHashCompare(const VelaString& a, const VelaString& b);

/// @}

#endif  // VELA_FOUNDATION_VELASTRING_H
