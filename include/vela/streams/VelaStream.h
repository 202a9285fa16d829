/// \file
/// \brief VelaStream, the library's one text output channel, and its manipulators.
/// \ingroup streams
#ifndef VELA_STREAMS_VELASTREAM_H
#define VELA_STREAMS_VELASTREAM_H

#include <iosfwd>
#include <memory>
#include <string>

#include "vela/foundation/VelaExport.h"
#include "vela/foundation/VelaString.h"
#include "vela/operator/VelaStorage.h"

/// \addtogroup streams
/// @{

class VelaStream;

/// A manipulator: a function applied to the stream with one argument.
/// Copied and assigned member by member.
struct VELA_API VelaManip {
  /// Applied to the stream with the argument by operator<<.
  VelaStream& (*function)(VelaStream&, int);
  /// The manipulator's argument (the width, precision or fill character).
  int argument;
};

/// Sets the field width to n and at once writes n fill characters (blanks
/// unless changed): the library's indentation. The width does not reach the
/// next item.
VELA_API VelaManip velsetw(int n);
/// Sets the precision of floating-point insertions; it stays in force.
VELA_API VelaManip velsetprecision(int n);
/// Sets the fill character; it stays in force.
VELA_API VelaManip velsetfill(char c);
/// Sets the fixed floating-point format; it stays in force.
VELA_API VelaManip velsetfixedfloatfield();
/// A newline, then a flush.
VELA_API VelaStream& velendl(VelaStream& s);

/// The library's one text output channel.
///
/// Traces, status and check reports, scripts, matrix dumps and replay files
/// are all written through a VelaStream. It wraps a standard output stream —
/// a file or an in-memory buffer that it owns, or a stream the caller owns —
/// and forwards the usual insertions to it, so the standard flags (precision,
/// fill, fixed) apply and persist. A VelaStream that wraps nothing drops every
/// write: that is how a disabled trace is expressed.
///
/// The library's own manipulators (velsetw, velsetprecision, velsetfill,
/// velsetfixedfloatfield, velendl) are inserted like the standard ones.
/// velsetw is the library's indentation: it writes its fill characters at
/// once instead of padding the next item.
///
/// Every stream carries a VelaStorage of replay sections; WriteHeader and
/// WriteSections lay a replay or script file out from it.
///
/// Choices made for this implementation:
/// - The streams the VelaStream owns (file and memory) use the "C" locale, so
///   files and buffers hold the same text whatever locale the host installed.
///   A caller's stream keeps the caller's locale.
/// - GetStream() returns null for a caller's stream: the caller already has it.
/// - Inserting a null character pointer writes nothing.
/// - A file name may separate its folders with '\\' (as the library's own
///   generated names do) or '/': both are folder separators on this platform.
///
/// Not thread-safe: callers sharing one stream across threads serialise it.
class VELA_API VelaStream {
 public:
  /// How a stream was built, and what it writes to.
  enum VelaStreamType : int {
    FILE_STREAM = 0,    ///< a file opened and owned by the stream
    STRING_STREAM = 1,  ///< an in-memory buffer owned by the stream (or nothing)
    USER_STREAM = 2,    ///< a caller's standard output stream, not owned
  };

  /// type FILE_STREAM: opens the file `name` for output, appending to an
  /// existing file when `append` is non-zero and truncating it otherwise. If
  /// the open fails the stream is in the failed state (good() is false) and
  /// writes go nowhere. Any other type: no stream is created and all output
  /// is dropped.
  VelaStream(const VelaString& name, VelaStreamType type, unsigned char append);
  /// An in-memory buffer (type STRING_STREAM); its text is
  /// static_cast<std::stringstream*>(GetStream())->str(). The buffer grows as
  /// the standard string buffer does: no fixed-size buffer is imposed.
  VelaStream();
  /// Writes to `s` (type USER_STREAM), which the caller keeps and frees; a
  /// null `s` drops all output.
  explicit VelaStream(std::ostream* s);
  /// Closes and frees an owned stream; never touches a caller's stream.
  ~VelaStream();

  /// Not copyable: a stream owns its file or buffer and its sections.
  VelaStream(const VelaStream&) = delete;
  /// Not assignable, for the same reason.
  VelaStream& operator=(const VelaStream&) = delete;

  /// \name Insertion
  /// Each returns *this; nothing happens without a stream.
  /** @{ */
  /// The text; a null pointer writes nothing.
  VelaStream& operator<<(const char* text);
  /// The character.
  VelaStream& operator<<(char c);
  /// The text up to its first zero byte.
  VelaStream& operator<<(const VelaString& text);
  /// The text.
  VelaStream& operator<<(const std::string& text);
  /// The number, in the stream's format.
  VelaStream& operator<<(int value);
  /// The number, in the stream's format.
  VelaStream& operator<<(unsigned int value);
  /// The number, in the stream's format.
  VelaStream& operator<<(long value);
  /// The number, in the stream's format.
  VelaStream& operator<<(unsigned long value);
  /// The number, in the stream's format.
  VelaStream& operator<<(long long value);
  /// The number, in the stream's format.
  VelaStream& operator<<(unsigned long long value);
  /// Uses the stream's precision (6 significant digits until changed).
  VelaStream& operator<<(double value);
  /// The address, as the standard stream writes it.
  VelaStream& operator<<(const void* pointer);
  /// Calls the function with this stream (velendl).
  VelaStream& operator<<(VelaStream& (*function)(VelaStream&));
  /** @} */

  /// \name Writers
  /// Nothing happens without a stream.
  /** @{ */
  /// The number, as operator<< writes it.
  void WriteInt(int value);
  /// The number, as operator<< writes it.
  void WriteLong(long value);
  /// The number, as operator<< writes it.
  void WriteShort(short value);
  /// The text up to its first zero byte.
  void WriteString(const VelaString& text);
  /// The text, then a newline; flushes.
  void WriteLine(const VelaString& text);
  /// Writes ";" and a newline.
  void WriteDelimiter();
  /// "%.17g" under the "C" locale, whatever the stream's own settings:
  /// WriteDouble(0.1) writes 0.10000000000000001.
  void WriteDouble(double value);
  /// `value` in P + 3 characters, P being the working precision
  /// (GetGlobalParameters().GetPrecision(), 3 by default; taken as 0 when
  /// negative and as 1000 beyond that), so that the columns of matrix dumps
  /// line up. With P = 6: 0.0000000, 123.45600, -0.500000, 12345678.,
  /// 1.5000e12, 1.500e-12. A value that rounds up to one more digit
  /// (9.99999999 gives 10.000000, not 10.0000000) and an exponent of 10 or
  /// 100 keep the width too. Every finite value fits from P = 4 on; at P = 3
  /// all but negative ones of magnitude below 1e-99 do, and smaller P leave
  /// exponents too little room. NaN and infinities are nan, inf, -inf,
  /// right-aligned with blanks. Leaves the fixed format and the last
  /// precision it set in force. Nothing is written without a target.
  void WriteFixedSizeDouble(double value);
  /** @} */

  /// \name Stream control
  /** @{ */
  /// Flushes the stream.
  void Flush();
  /// False when there is no stream, otherwise true when no state flag is set.
  bool good() const;
  /// Clears the stream's state flags.
  void clear();
  /// The owned file or memory stream; null for a caller's stream or none.
  std::iostream* GetStream() const { return owned_.get(); }
  /// How the stream was built (file, memory or none, caller's stream).
  VelaStreamType GetType() const { return type_; }
  /** @} */

  /// \name Replay sections
  /// The store itself is VelaStorage.
  /** @{ */
  /// The replay sections collected for this stream.
  VelaStorage& GetStorage() { return storage_; }
  /// The replay sections collected for this stream, read-only.
  const VelaStorage& GetStorage() const { return storage_; }
  /// The storage's ChooseReplayPart(part, index); index 0 keeps the current
  /// index.
  void ChooseReplayPart(VelaStorage::ReplayPart part);
  /// The storage's ChooseReplayPart(part, index).
  void ChooseReplayPart(VelaStorage::ReplayPart part, int index);
  /// The input header of a replay file: "#" name, "#" version, the version
  /// line (only when the configuration prints the version and the nesting
  /// level is 0: "# Vel version " GetVelVersion(), then with `level`
  /// " level " level >> 16 and, when its low 16 bits are not 0, " hf" and
  /// them), an empty line, then the custom environment section. Each line
  /// ends with a newline and a flush. The two-argument form leaves the level out.
  void WriteHeader(const VelaString& name, int version);
  /// The input header with the level in the version line; see the
  /// two-argument form.
  void WriteHeader(const VelaString& name, int version, unsigned int level);
  /// The sections of `part` with run index 0, or with ALL_PARTS: script and
  /// input sections of index 0, the output separator and output sections of
  /// index 0 (the separator only when the current index has output
  /// sections), then per run index 1, 2, ... while it has input sections:
  /// input separator, input sections, output separator, output sections.
  /// Reference sections are not part of the ALL_PARTS layout.
  void WriteSections(VelaStorage::ReplayPart part);
  /// The sections of `part` with run index `index`, or with ALL_PARTS: the
  /// script sections (index 0) or the input separator (other indices), the
  /// input sections, then, when that index has output sections, the output
  /// separator and the output sections.
  void WriteSections(VelaStorage::ReplayPart part, int index);
  /** @} */

 private:
  friend VelaManip velsetw(int n);
  friend VelaManip velsetprecision(int n);
  friend VelaManip velsetfill(char c);
  friend VelaManip velsetfixedfloatfield();
  friend VelaStream& velendl(VelaStream& s);

  // The functions the manipulators carry.
  static VelaStream& ApplyWidth(VelaStream& s, int n);
  static VelaStream& ApplyPrecision(VelaStream& s, int n);
  static VelaStream& ApplyFill(VelaStream& s, int c);
  static VelaStream& ApplyFixed(VelaStream& s, int unused);

  // The written sections of that part and index (taken as given), in
  // insertion order.
  void DoWriteSections(VelaStorage::ReplayPart part, int index);
  // "#!!======= Input 2 =======": the part's word, then the index unless 0.
  void DoWritePartSeparator(VelaStorage::ReplayPart part, int index);

  std::unique_ptr<std::iostream> owned_;  // the file or buffer of types 0 and 1
  std::ostream* stream_;                  // where the text goes; null drops it
  VelaStreamType type_;
  VelaStorage storage_;  // replay sections collected for this stream
};

/// operator<< for manipulators: calls m.function(stream, m.argument).
VELA_API VelaStream& operator<<(VelaStream& s, const VelaManip& m);

/// @}

#endif  // VELA_STREAMS_VELASTREAM_H
