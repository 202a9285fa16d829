#include "foundation/NumberFormat.h"

#include <charconv>

namespace vela::detail {
namespace {

std::size_t Terminate(char* buffer, std::to_chars_result result) {
  *result.ptr = '\0';
  return static_cast<std::size_t>(result.ptr - buffer);
}

}  // namespace

std::size_t FormatSigned(long long value, char* buffer) {
  return Terminate(buffer, std::to_chars(buffer, buffer + kNumberTextCapacity - 1, value));
}

std::size_t FormatUnsigned(unsigned long long value, char* buffer) {
  return Terminate(buffer, std::to_chars(buffer, buffer + kNumberTextCapacity - 1, value));
}

std::size_t FormatGeneral(double value, int precision, char* buffer) {
  // printf treats a negative precision as if none were given.
  if (precision < 0) precision = 6;
  // No double carries more than 17 significant digits; beyond 40 the text
  // would only grow, so the buffer bound is kept.
  if (precision > 40) precision = 40;
  // std::to_chars in general format is defined as printf's "%.*g" in the
  // "C" locale; the longest text ("-1.23456789012345678e-308" at precision
  // 18) fits well within the buffer.
  return Terminate(buffer, std::to_chars(buffer, buffer + kNumberTextCapacity - 1, value,
                                         std::chars_format::general, precision));
}

}  // namespace vela::detail
