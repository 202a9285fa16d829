// Platform layer: the high-resolution counter.
//
// The counter behaves like a performance counter: a monotonic tick count and
// its fixed frequency in ticks per second. Only differences are meaningful.
#ifndef VELA_SRC_PLATFORM_PLATFORMCLOCK_H
#define VELA_SRC_PLATFORM_PLATFORMCLOCK_H

#include <cstdint>

namespace vela::platform {

// Current counter value. Returns false (and leaves `ticks` alone) when the
// counter cannot be read.
bool QueryCounter(std::int64_t& ticks);
// Counter ticks per second. Returns false when unknown.
bool QueryCounterFrequency(std::int64_t& ticksPerSecond);

}  // namespace vela::platform

#endif  // VELA_SRC_PLATFORM_PLATFORMCLOCK_H
