#include "platform/PlatformClock.h"

#include <time.h>

namespace vela::platform {
namespace {

// 10 MHz, the usual resolution of a desktop performance counter: fine
// enough for any timing the library does, and coarse enough that scaling a
// counter value by 100000 stays within 64 bits for over a hundred days.
constexpr std::int64_t kCounterFrequency = 10'000'000;
constexpr std::int64_t kNanosecondsPerTick = 1'000'000'000 / kCounterFrequency;

bool ReadMonotonicNanoseconds(std::int64_t& nanoseconds) {
  timespec now{};
  if (clock_gettime(CLOCK_MONOTONIC, &now) != 0) return false;
  nanoseconds = static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
  return true;
}

// The counter starts near zero when the library is loaded, so that its
// scaled values stay small for the life of the process.
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
