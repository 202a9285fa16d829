// vela_example_foundation: everyday work with VelaString.
//
// Builds a label out of numbers, pads and cuts it, splits a list into
// tokens and lines, and shows that copies share their text until one of
// them is changed. Everything is printed through the library's stream.

#include <iostream>

#include "vela/VelaUtilities.h"

namespace {

void FormatNumbers(VelaStream& out) {
  out << "-- numbers" << velendl;
  // [guide:format-numbers]
  VelaString label("distance_");
  label << 12 << " = " << VelaString(0.1, 3) << " mm";     // "%.3g": 0.1
  VelaString exact(0.1);                                   // "%.17g": every digit
  VelaString padded = FillString(VelaString(7), 3, '0');  // "007"
  // [guide:format-numbers]
  out << "label:  " << label << velendl;
  out << "exact:  " << exact << velendl;
  out << "padded: " << padded << velendl;
  out << "limits: " << VelaString(4294967295UL) << ", " << VelaString(-2147483647 - 1) << velendl;
}

void EditText(VelaStream& out) {
  out << "-- editing" << velendl;
  const VelaString path("  sketch/part.model  ");
  const VelaString trimmed = path.trim();
  const int slash = trimmed.find('/');
  out << "trimmed:     [" << trimmed << "]" << velendl;
  out << "folder:      " << trimmed.subString(0, slash) << velendl;
  out << "file:        " << trimmed.subString(slash + 1, -1) << velendl;
  out << "replaced:    " << trimmed.replace(VelaString(".model"), VelaString(".VelReplay")) << velendl;
  VelaString upper = trimmed;
  upper.upper();
  out << "upper case:  " << upper << velendl;
  out << "has prefix:  " << (HasPrefix(trimmed, "sketch") ? "yes" : "no") << velendl;
  out << "equal, less: " << (trimmed == "sketch/part.model" ? "yes" : "no") << ", "
      << (VelaString("arc") < VelaString("line") ? "yes" : "no") << velendl;
}

void SplitText(VelaStream& out) {
  out << "-- tokens and lines" << velendl;
  // [guide:tokens]
  const VelaString list("point; line;;circle ");
  VelaString::token cursor;
  while (list.getToken(cursor, "; ")) {
    out << "[" << cursor.getToken() << "]";
  }
  // [guide:tokens]
  out << velendl;

  const VelaString text("first line\nsecond line\n");
  VelaString::token line;
  int count = 0;
  while (text.getLine(line, '\n')) out << "line " << ++count << ": " << line.getToken() << velendl;
}

void ShareCopies(VelaStream& out) {
  out << "-- copy on write" << velendl;
  // [guide:copy-on-write]
  VelaString original("constraint");
  VelaString copy = original;  // shares the block: no character copied
  copy += "_42";               // the copy gets a private block first
  // [guide:copy-on-write]
  out << "original: " << original << " (" << original.len() << " characters)" << velendl;
  out << "copy:     " << copy << " (" << copy.len() << " characters)" << velendl;
}

}  // namespace

int main() {
  VelaStream out(&std::cout);
  FormatNumbers(out);
  EditText(out);
  SplitText(out);
  ShareCopies(out);
  return 0;
}
