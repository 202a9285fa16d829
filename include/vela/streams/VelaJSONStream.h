/// \file
/// \brief VelaJSONStream, which writes JSON text onto a VelaStream.
/// \ingroup streams
#ifndef VELA_STREAMS_VELAJSONSTREAM_H
#define VELA_STREAMS_VELAJSONSTREAM_H

#include <string>

#include "vela/foundation/VelaExport.h"
#include "vela/foundation/VelaString.h"

/// \addtogroup streams
/// @{

class VelaStream;

/// Writes JSON text onto a VelaStream as a sequence of calls.
///
/// The caller opens objects and arrays, writes named values and closes them;
/// the writer places the separators, line breaks and two-blank indentation:
///
/// \code{.unparsed}
///   {
///     "a": 1.5,
///     "b": "x"
///   }
/// \endcode
///
/// where a member line that another member follows ends with a comma and a
/// blank (", ") before its line break.
///
/// An object opened inline is written on one line: {"a": 1, "b": 2}.
///
/// The writer keeps only what it needs for that layout. It does not check that
/// the calls nest correctly, and string values and names are written as they
/// stand, without escaping.
///
/// Consequences of keeping so little state, which callers rely on as they are:
/// - Closing any container leaves the writer in the non-inline state, so the
///   rest of an enclosing inline object is laid out on indented lines, and its
///   own close then takes one level off the depth it never added.
/// - A depth below zero writes no indentation.
/// - A null `const char*` value writes as "" (the stream drops null text).
///
/// Not thread-safe; the VelaStream must outlive the writer.
class VELA_API VelaJSONStream {
 public:
  /// Writes onto `s`, which the caller keeps. `first` non-zero means the next
  /// item opens its container and takes no separator; start with 0 to append
  /// members after ones already written. `indent` is the current depth.
  VelaJSONStream(VelaStream& s, int first, int indent);

  /// The current depth (two blanks per level).
  int GetIndent() const { return indent_; }
  /// Sets the current depth.
  void SetIndent(int iIndent) { indent_ = iIndent; }

  /// Opens an object, with the key `name` unless empty. With `inlineObject`
  /// non-zero its members go on the same line, without indentation.
  void WriteObjectStart(const VelaString& name, unsigned char inlineObject);
  /// Opens an array (never inline), with the key `name` unless empty.
  void WriteArrayStart(const VelaString& name);
  /// Closes the innermost object; the next item takes a separator.
  void WriteObjectEnd();
  /// Closes the innermost array; the next item takes a separator.
  void WriteArrayEnd();

  /// Writes one member or, with an empty name, one array element. Only the
  /// four specialisations below exist:
  /// \code{.unparsed}
  ///   double          "%.17g" in the "C" locale (1.5, 0.10000000000000001)
  ///   const char*, std::string, VelaString
  ///                   the text between double quotes, unescaped
  /// \endcode
  template <typename T>
  void Write(const VelaString& name, const T& value) = delete;

 private:
  // ", " (and a line break outside inline containers) unless first.
  void WriteSeparator();
  // Separator, line break and indentation before an item, then its key.
  void WriteField(const VelaString& name);
  // Places and opens a container; `inlineNew` is its layout.
  void WriteStart(const VelaString& name, char bracket, bool inlineNew);
  // Ends the innermost container.
  void WriteEnd(char bracket);
  // The key "name": when name is not empty.
  void WriteKey(const VelaString& name);
  // indent_ times two blanks; nothing when indent_ <= 0.
  void WriteIndent();

  VelaStream& stream_;  // not owned
  bool first_;          // the next item opens its container: no separator
  int indent_;          // depth of the innermost non-inline container
  bool inline_;         // the innermost open container is on one line
};

// Defined in the library; as members of an exported class they are exported
// with it.
/// Writes the number as "%.17g" in the "C" locale (1.5, 0.10000000000000001).
template <>
void VelaJSONStream::Write<double>(const VelaString& name, const double& value);
/// Writes the text between double quotes, unescaped; null writes as "".
template <>
void VelaJSONStream::Write<const char*>(const VelaString& name, const char* const& value);
/// Writes the text between double quotes, unescaped.
template <>
void VelaJSONStream::Write<std::string>(const VelaString& name, const std::string& value);
/// Writes the text between double quotes, unescaped.
template <>
void VelaJSONStream::Write<VelaString>(const VelaString& name, const VelaString& value);

/// @}

#endif  // VELA_STREAMS_VELAJSONSTREAM_H
