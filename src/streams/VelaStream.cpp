#include "vela/streams/VelaStream.h"

#include <fstream>
#include <locale>
#include <sstream>

#include "foundation/NumberFormat.h"
#include "platform/PlatformFiles.h"

namespace {

std::unique_ptr<std::iostream> OpenFile(const VelaString& name, unsigned char append) {
  const std::ios::openmode mode = std::ios::out | (append ? std::ios::app : std::ios::trunc);
  auto file = std::make_unique<std::fstream>();
  file->imbue(std::locale::classic());
  file->open(vela::platform::NativePath(name.str()), mode);
  return file;
}

std::unique_ptr<std::iostream> OpenBuffer() {
  auto buffer = std::make_unique<std::stringstream>(std::ios::out);
  buffer->imbue(std::locale::classic());
  return buffer;
}

}  // namespace

VelaStream::VelaStream(const VelaString& name, VelaStreamType type, unsigned char append)
    : owned_(type == FILE_STREAM ? OpenFile(name, append) : nullptr),
      stream_(owned_.get()),
      type_(type) {}

VelaStream::VelaStream() : owned_(OpenBuffer()), stream_(owned_.get()), type_(STRING_STREAM) {}

VelaStream::VelaStream(std::ostream* s) : stream_(s), type_(USER_STREAM) {}

VelaStream::~VelaStream() = default;

// ---------------------------------------------------------------------------
// Insertion
// ---------------------------------------------------------------------------

namespace {

template <typename T>
VelaStream& Insert(VelaStream& self, std::ostream* stream, const T& value) {
  if (stream != nullptr) *stream << value;
  return self;
}

}  // namespace

VelaStream& VelaStream::operator<<(const char* text) {
  return text != nullptr ? Insert(*this, stream_, text) : *this;
}
VelaStream& VelaStream::operator<<(char c) { return Insert(*this, stream_, c); }
VelaStream& VelaStream::operator<<(const VelaString& text) {
  return Insert(*this, stream_, text.str());
}
VelaStream& VelaStream::operator<<(const std::string& text) {
  return Insert(*this, stream_, text);
}
VelaStream& VelaStream::operator<<(int value) { return Insert(*this, stream_, value); }
VelaStream& VelaStream::operator<<(unsigned int value) { return Insert(*this, stream_, value); }
VelaStream& VelaStream::operator<<(long value) { return Insert(*this, stream_, value); }
VelaStream& VelaStream::operator<<(unsigned long value) { return Insert(*this, stream_, value); }
VelaStream& VelaStream::operator<<(long long value) { return Insert(*this, stream_, value); }
VelaStream& VelaStream::operator<<(unsigned long long value) {
  return Insert(*this, stream_, value);
}
VelaStream& VelaStream::operator<<(double value) { return Insert(*this, stream_, value); }
VelaStream& VelaStream::operator<<(const void* pointer) {
  return Insert(*this, stream_, pointer);
}
VelaStream& VelaStream::operator<<(VelaStream& (*function)(VelaStream&)) {
  return function(*this);
}

// ---------------------------------------------------------------------------
// Writers
// ---------------------------------------------------------------------------

void VelaStream::WriteInt(int value) { *this << value; }
void VelaStream::WriteLong(long value) { *this << value; }
void VelaStream::WriteShort(short value) { *this << static_cast<int>(value); }
void VelaStream::WriteString(const VelaString& text) { *this << text; }

void VelaStream::WriteLine(const VelaString& text) {
  if (stream_ != nullptr) *stream_ << text.str() << std::endl;
}

void VelaStream::WriteDelimiter() { *this << ";\n"; }

void VelaStream::WriteDouble(double value) {
  char text[vela::detail::kNumberTextCapacity];
  vela::detail::FormatGeneral(value, 17, text);
  *this << static_cast<const char*>(text);
}

// ---------------------------------------------------------------------------
// Stream control
// ---------------------------------------------------------------------------

void VelaStream::Flush() {
  if (stream_ != nullptr) stream_->flush();
}

bool VelaStream::good() const { return stream_ != nullptr && stream_->rdstate() == 0; }

void VelaStream::clear() {
  if (stream_ != nullptr) stream_->clear();
}

// ---------------------------------------------------------------------------
// Manipulators
// ---------------------------------------------------------------------------

// Inserting the empty text after setting the width writes the fill
// characters at once and uses the width up, so it never pads the next item.
VelaStream& VelaStream::ApplyWidth(VelaStream& s, int n) {
  if (s.stream_ != nullptr) {
    s.stream_->width(n);
    *s.stream_ << "";
  }
  return s;
}

VelaStream& VelaStream::ApplyPrecision(VelaStream& s, int n) {
  if (s.stream_ != nullptr) {
    s.stream_->precision(n);
    *s.stream_ << "";
  }
  return s;
}

VelaStream& VelaStream::ApplyFill(VelaStream& s, int c) {
  if (s.stream_ != nullptr) {
    s.stream_->fill(static_cast<char>(c));
    *s.stream_ << "";
  }
  return s;
}

VelaStream& VelaStream::ApplyFixed(VelaStream& s, int) {
  if (s.stream_ != nullptr) s.stream_->setf(std::ios::fixed, std::ios::floatfield);
  return s;
}

VelaStream& operator<<(VelaStream& s, const VelaManip& m) { return m.function(s, m.argument); }

VelaManip velsetw(int n) { return {&VelaStream::ApplyWidth, n}; }
VelaManip velsetprecision(int n) { return {&VelaStream::ApplyPrecision, n}; }
VelaManip velsetfill(char c) { return {&VelaStream::ApplyFill, c}; }
VelaManip velsetfixedfloatfield() { return {&VelaStream::ApplyFixed, 0}; }

VelaStream& velendl(VelaStream& s) {
  if (s.stream_ != nullptr) *s.stream_ << std::endl;
  return s;
}
