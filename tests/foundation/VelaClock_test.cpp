// The tick clock: its rate and its monotonic readings. Only the ordering of
// readings is checked here; how long anything takes is for the benchmarks.
#include "vela/foundation/VelaClock.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <type_traits>

namespace {

static_assert(std::is_same_v<decltype(VelaClock()), long>);
static_assert(std::is_same_v<decltype(VelaClockPerSec()), long>);

// A fixed amount of CPU work whose result depends on every step, so that the
// compiler cannot drop the loop.
std::uint64_t BusyWork(int rounds) {
  std::uint64_t x = 88172645463325252ull;
  for (int i = 0; i < rounds; ++i) {
    x ^= x << 13;
    x ^= x >> 7;
    x ^= x << 17;
  }
  return x;
}

TEST(VelaClock, TicksAreTenMicroseconds) { EXPECT_EQ(VelaClockPerSec(), 100000L); }

TEST(VelaClock, ReadingsNeverGoBackwards) {
  long previous = VelaClock();
  EXPECT_GE(previous, 0L);
  for (int i = 0; i < 100000; ++i) {
    const long now = VelaClock();
    ASSERT_GE(now, previous) << "reading " << i;
    previous = now;
  }
}

TEST(VelaClock, DifferenceOverCpuWorkIsNonNegative) {
  const long start = VelaClock();
  const std::uint64_t result = BusyWork(5000000);
  const long end = VelaClock();
  EXPECT_NE(result, 0u);
  EXPECT_GE(end - start, 0L);
  // Seconds are the tick difference over the rate.
  EXPECT_GE(static_cast<double>(end - start) / static_cast<double>(VelaClockPerSec()), 0.0);
}

}  // namespace
