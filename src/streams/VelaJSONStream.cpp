#include "vela/streams/VelaJSONStream.h"

#include "vela/streams/VelaStream.h"

VelaJSONStream::VelaJSONStream(VelaStream& s, int first, int indent)
    : stream_(s), first_(first != 0), indent_(indent), inline_(false) {}

void VelaJSONStream::WriteObjectStart(const VelaString& name, unsigned char inlineObject) {
  WriteStart(name, '{', inlineObject != 0);
}

void VelaJSONStream::WriteArrayStart(const VelaString& name) { WriteStart(name, '[', false); }

void VelaJSONStream::WriteObjectEnd() {
  WriteEnd('}');
  first_ = false;
}

void VelaJSONStream::WriteArrayEnd() {
  WriteEnd(']');
  first_ = false;
}

// Inside an inline container an item is placed by ", " alone: no line break
// and no indentation.
void VelaJSONStream::WriteSeparator() {
  if (first_) return;
  stream_ << ", ";
  if (!inline_) stream_ << '\n';
}

void VelaJSONStream::WriteField(const VelaString& name) {
  WriteSeparator();
  first_ = false;
  if (!inline_) WriteIndent();
  WriteKey(name);
}

// The placement follows the enclosing container's layout; what comes after
// the bracket follows the new container's.
void VelaJSONStream::WriteStart(const VelaString& name, char bracket, bool inlineNew) {
  WriteSeparator();
  first_ = true;
  if (!inline_) WriteIndent();
  inline_ = inlineNew;
  WriteKey(name);
  stream_ << bracket;
  if (!inline_) {
    stream_ << '\n';
    ++indent_;
  }
}

void VelaJSONStream::WriteEnd(char bracket) {
  if (!inline_) {
    --indent_;
    stream_ << '\n';
    WriteIndent();
  }
  stream_ << bracket;
  inline_ = false;
}

void VelaJSONStream::WriteKey(const VelaString& name) {
  if (!name.isEmpty()) stream_ << '"' << name << "\": ";
}

void VelaJSONStream::WriteIndent() {
  for (int level = 0; level < indent_; ++level) stream_ << "  ";
}

template <>
void VelaJSONStream::Write<double>(const VelaString& name, const double& value) {
  WriteField(name);
  stream_.WriteDouble(value);
}

template <>
void VelaJSONStream::Write<const char*>(const VelaString& name, const char* const& value) {
  WriteField(name);
  stream_ << '"' << value << '"';
}

template <>
void VelaJSONStream::Write<std::string>(const VelaString& name, const std::string& value) {
  WriteField(name);
  stream_ << '"' << value << '"';
}

template <>
void VelaJSONStream::Write<VelaString>(const VelaString& name, const VelaString& value) {
  WriteField(name);
  stream_ << '"' << value << '"';
}
