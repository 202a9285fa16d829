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
  // Whole seconds and the remainder apart: the same value as
  // counter * 100000 / frequency, without its overflow for long runs.
  const std::int64_t seconds = counter / frequency;
  const std::int64_t rest = counter % frequency;
  return static_cast<long>(seconds * kTicksPerSecond + rest * kTicksPerSecond / frequency);
}

long VelaClockPerSec() { return kTicksPerSecond; }
