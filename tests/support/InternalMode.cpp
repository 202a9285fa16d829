#include "support/InternalMode.h"

#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <ctime>

#include "vela/config/VelaGlobalParameters.h"
#include "vela/foundation/VelaEnvironment.h"

namespace vela::test {

std::string TodaysInternalModeCode() {
  const std::time_t now = std::time(nullptr);
  std::tm d{};
  localtime_r(&now, &d);
  const std::int64_t k = std::int64_t{d.tm_year + 1900} * 372 + d.tm_mon * 31 + (d.tm_mday - 1);
  return std::to_string(((k * 48271) % 2147483647) ^ 0x2F6A1C35);
}

ScopedInternalMode::ScopedInternalMode() {
  int attempt = 0;  // twice at most: the date may change between the two computations
  do {
    key_.reset();
    key_ = std::make_unique<ScopedProcessEnv>("VelaUseSystemConstants", TodaysInternalModeCode().c_str());
    GetGlobalParameters().Initialize(), GetGlobalParameters().InitializeEnv();
  } while (!IsOpen() && ++attempt < 2);
}

ScopedInternalMode::~ScopedInternalMode() {
  key_.reset();
  GetGlobalParameters().Initialize(), GetGlobalParameters().InitializeEnv();
}

bool ScopedInternalMode::IsOpen() const { return GetGlobalParameters().GetCurrentValues().InternalMode != 0; }

ScopedConfigEnvironment::ScopedConfigEnvironment() {
  std::vector<std::string> names;  // first: unsetting while walking would change the array
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string name(*entry, std::strcspn(*entry, "="));
    if (name.compare(0, 3, "Vel") == 0 || name == "KORCX_MEMORY" || name == "KorDevelopmentStage" ||
        name == "QTS_LOG_NAME") {
      names.push_back(name);
    }
  }
  for (const std::string& name : names) unset_.push_back(std::make_unique<ScopedProcessEnv>(name.c_str(), nullptr));
  VelaFlushEnv();
}

ScopedConfigEnvironment::~ScopedConfigEnvironment() {
  VelaFlushEnv();
  unset_.clear();
}

}  // namespace vela::test
