#include "vela/foundation/VelaClock.h"

#include <cstdint>

#include "platform/PlatformClock.h"

namespace {
constexpr std::int64_t kTicksPerSecond = 100000;
}

long VelaClock() {
  std::int64_t frequency = 0;
  std::int64_t counter = 0;
  if (!vela::platform::QueryCounterFrequency(frequency) || frequency == 0 ||
      !vela::platform::QueryCounter(counter)) {
    return 0;
  }
  return static_cast<long>(counter * kTicksPerSecond / frequency);
}

long VelaClockPerSec() { return kTicksPerSecond; }
