#include "platform/PlatformDate.h"

#include <time.h>

namespace vela::platform {

bool LocalDate(int& year, int& month, int& day) {
  const time_t now = time(nullptr);
  if (now == static_cast<time_t>(-1)) return false;
  tm local{};
  if (localtime_r(&now, &local) == nullptr) return false;
  year = local.tm_year + 1900;
  month = local.tm_mon + 1;
  day = local.tm_mday;
  return true;
}

}  // namespace vela::platform
