#include "config/InternalAccess.h"

#include <cstdint>
#include <cstdlib>

#include "platform/PlatformDate.h"

namespace vela::detail {
namespace {

// A 372-day year of 31-day months numbers every date uniquely, and the
// multiplier of the minimal-standard generator spreads consecutive days far
// apart; the mask keeps the result a positive 32-bit int.
constexpr std::int64_t kModulus = 2147483647;
constexpr std::int64_t kMultiplier = 48271;
constexpr std::int64_t kMask = 0x2F6A1C35;

}  // namespace

int InternalAccessCode(int year, int month, int day) {
  const std::int64_t dayNumber =
      static_cast<std::int64_t>(year) * 372 + (month - 1) * 31 + (day - 1);
  const std::int64_t spread = ((dayNumber * kMultiplier) % kModulus + kModulus) % kModulus;
  return static_cast<int>(spread ^ kMask);
}

bool IsInternalAccessCode(const VelaString& value) {
  int year = 0;
  int month = 0;
  int day = 0;
  if (value.isEmpty() || !vela::platform::LocalDate(year, month, day)) return false;
  // Read as atoi reads, without its undefined overflow: a number beyond
  // the int range can never equal the code.
  return std::strtoll(value.str(), nullptr, 10) == InternalAccessCode(year, month, day);
}

}  // namespace vela::detail
