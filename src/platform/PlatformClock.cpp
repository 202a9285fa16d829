#include "platform/PlatformClock.h"

#include <time.h>

namespace vela::platform {
namespace {

// 10 MHz, the usual resolution of a desktop performance counter: far finer
// than the 10-microsecond ticks the library counts in.
constexpr std::int64_t kCounterFrequency = 10'000'000;
constexpr std::int64_t kNanosecondsPerTick = 1'000'000'000 / kCounterFrequency;

bool ReadMonotonicNanoseconds(std::int64_t& nanoseconds) {
  timespec now{};
  if (clock_gettime(CLOCK_MONOTONIC, &now) != 0) return false;
  nanoseconds = static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
  return true;
}

// The counter starts near zero when the library is loaded, so that clock
// readings are small numbers that read well in traces.
std::int64_t LoadTimeNanoseconds() {
  std::int64_t nanoseconds = 0;
  ReadMonotonicNanoseconds(nanoseconds);
  return nanoseconds;
}

const std::int64_t kOriginNanoseconds = LoadTimeNanoseconds();

}  // namespace

bool QueryCounter(std::int64_t& ticks) {
  std::int64_t nanoseconds = 0;
  if (!ReadMonotonicNanoseconds(nanoseconds)) return false;
  ticks = (nanoseconds - kOriginNanoseconds) / kNanosecondsPerTick;
  return true;
}

bool QueryCounterFrequency(std::int64_t& ticksPerSecond) {
  ticksPerSecond = kCounterFrequency;
  return true;
}

}  // namespace vela::platform
