// Platform layer: the floating-point rounding mode of the calling thread.
#ifndef VELA_SRC_PLATFORM_PLATFORMFLOATINGPOINT_H
#define VELA_SRC_PLATFORM_PLATFORMFLOATINGPOINT_H

namespace vela::platform {

enum class RoundingMode { Nearest, Up, Down, TowardZero };

// Sets the rounding of the floating-point unit. Returns false (and leaves
// the mode as it was) when the platform refuses the mode.
bool SetRoundingMode(RoundingMode mode);

}  // namespace vela::platform

#endif  // VELA_SRC_PLATFORM_PLATFORMFLOATINGPOINT_H
