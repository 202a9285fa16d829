// The access code that opens the internal mode of the global parameters.
//
// The code changes every day: it is derived from the local date and two
// fixed constants, so that a value copied into an environment does not keep
// the developer facilities open for good. docs/internal-mode.md gives the
// derivation for the project's developers.
#ifndef VELA_SRC_CONFIG_INTERNALACCESS_H
#define VELA_SRC_CONFIG_INTERNALACCESS_H

#include "vela/foundation/VelaString.h"

namespace vela::detail {

// The code of a date: with k = year * 372 + (month - 1) * 31 + (day - 1),
// (k * 48271 mod 2147483647) XOR 0x2F6A1C35, in [0, 2147483647].
int InternalAccessCode(int year, int month, int day);

// True when `value` is not empty and its leading decimal integer equals the code of today's
// local date. False when the date cannot be read.
bool IsInternalAccessCode(const VelaString& value);

}  // namespace vela::detail

#endif  // VELA_SRC_CONFIG_INTERNALACCESS_H
