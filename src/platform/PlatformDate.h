// Platform layer: the local calendar date.
#ifndef VELA_SRC_PLATFORM_PLATFORMDATE_H
#define VELA_SRC_PLATFORM_PLATFORMDATE_H

namespace vela::platform {

// Today's date in the local time zone: year (e.g. 2024), month 1-12, day
// 1-31. Returns false and leaves the outputs alone when the clock or the
// time-zone conversion fails.
bool LocalDate(int& year, int& month, int& day);

}  // namespace vela::platform

#endif  // VELA_SRC_PLATFORM_PLATFORMDATE_H
