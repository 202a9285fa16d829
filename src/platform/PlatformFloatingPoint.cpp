#include "platform/PlatformFloatingPoint.h"

#include <cfenv>

namespace vela::platform {

bool SetRoundingMode(RoundingMode mode) {
  int rounding = FE_TONEAREST;
  switch (mode) {
    case RoundingMode::Nearest: rounding = FE_TONEAREST; break;
    case RoundingMode::Up: rounding = FE_UPWARD; break;
    case RoundingMode::Down: rounding = FE_DOWNWARD; break;
    case RoundingMode::TowardZero: rounding = FE_TOWARDZERO; break;
  }
  return std::fesetround(rounding) == 0;
}

}  // namespace vela::platform
