/// \file
/// \ingroup foundation
/// The library's clock: ticks of 10 microseconds from a high-resolution
/// counter. All times in the configuration and the operators are in ticks;
/// a difference of two readings divided by VelaClockPerSec() is in seconds.
///
/// `long` is 64 bits wide here. The tick count is returned at full width
/// rather than cut to 32 bits, so differences never wrap (on a 32-bit `long`
/// they wrapped after about six hours). The counter starts near zero when the
/// library is loaded; only differences are meaningful.
#ifndef VELA_FOUNDATION_VELACLOCK_H
#define VELA_FOUNDATION_VELACLOCK_H

#include "vela/foundation/VelaExport.h"

/// \addtogroup foundation
/// @{

/// The clock reading in ticks: counter x 100000 / frequency (rounded down,
/// without overflow); 0 when the counter cannot be read.
VELA_API long VelaClock();
/// 100000: VelaClock ticks per second.
VELA_API long VelaClockPerSec();

/// @}

#endif  // VELA_FOUNDATION_VELACLOCK_H
