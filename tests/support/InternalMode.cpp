#include "support/InternalMode.h"

#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <ctime>
#include <utility>

#include "support/TestSupport.h"
#include "vela/config/VelaGlobalParameters.h"
#include "vela/foundation/VelaEnvironment.h"

namespace vela::test {
namespace {

constexpr const char* kAccessCodeKey = "VelaUseSystemConstants";

void Reinitialize() {
  VelaGlobalParameters& parameters = GetGlobalParameters();
  parameters.Initialize();
  parameters.InitializeEnv();
}

bool IsConfigurationVariable(const std::string& name) {
  return name.compare(0, 4, "Vela") == 0 || name == "KORCX_MEMORY" ||
         name == "KorDevelopmentStage" || name == "QTS_LOG_NAME";
}

}  // namespace

int InternalModeCode(int year, int month, int day) {
  const std::int64_t k = std::int64_t{year} * 372 + (month - 1) * 31 + (day - 1);
  return static_cast<int>(((k * 48271) % 2147483647) ^ 0x2F6A1C35);
}

std::string TodaysInternalModeCode() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return std::to_string(InternalModeCode(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday));
}

ScopedInternalMode::ScopedInternalMode() {
  // Twice at most: a test started just before midnight computes the code of
  // one day while the library may already read the next.
  int attempt = 0;
  do {
    key_.reset();
    key_ = std::make_unique<ScopedProcessEnv>(kAccessCodeKey, TodaysInternalModeCode().c_str());
    Reinitialize();
  } while (!IsOpen() && ++attempt < 2);
}

ScopedInternalMode::~ScopedInternalMode() {
  key_.reset();
  Reinitialize();
}

bool ScopedInternalMode::IsOpen() const {
  return GetGlobalParameters().GetCurrentValues().InternalMode != 0;
}

ScopedConfigEnvironment::ScopedConfigEnvironment() {
  // Names first: unsetting while walking would change the array under us.
  std::vector<std::string> names;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const char* equals = std::strchr(*entry, '=');
    if (equals == nullptr) continue;
    std::string name(*entry, static_cast<std::size_t>(equals - *entry));
    if (IsConfigurationVariable(name)) names.push_back(std::move(name));
  }
  for (const std::string& name : names) {
    unset_.push_back(std::make_unique<ScopedProcessEnv>(name.c_str(), nullptr));
  }
  VelaFlushEnv();
}

ScopedConfigEnvironment::~ScopedConfigEnvironment() {
  VelaFlushEnv();
  unset_.clear();
}

}  // namespace vela::test
