// Locale-independent number formatting shared by VelaString and VelaStream.
//
// Each function writes the text of a number into `buffer` (which must hold
// kNumberTextCapacity bytes), zero-terminates it and returns its length. The
// output is what the C runtime's printf would produce under the "C" locale,
// whatever locale the host process has installed.
#ifndef VELA_SRC_FOUNDATION_NUMBERFORMAT_H
#define VELA_SRC_FOUNDATION_NUMBERFORMAT_H

#include <cstddef>

namespace vela::detail {

inline constexpr std::size_t kNumberTextCapacity = 64;

// "%lld"
std::size_t FormatSigned(long long value, char* buffer);
// "%llu"
std::size_t FormatUnsigned(unsigned long long value, char* buffer);
// "%.*g". A negative precision means the runtime default of 6.
std::size_t FormatGeneral(double value, int precision, char* buffer);

}  // namespace vela::detail

#endif  // VELA_SRC_FOUNDATION_NUMBERFORMAT_H
