// The configuration environment of the project's tests: an empty one, and
// the internal mode of GetGlobalParameters() opened with the access code of
// docs/internal-mode.md, computed here independently of the library.
#ifndef VELA_TESTS_SUPPORT_INTERNALMODE_H
#define VELA_TESTS_SUPPORT_INTERNALMODE_H

#include <memory>
#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace vela::test {

// Today's access code, as the decimal text "VelaUseSystemConstants" carries.
std::string TodaysInternalModeCode();

// Sets "VelaUseSystemConstants" to today's code and re-initialises the
// configuration (Initialize, InitializeEnv: keys set before apply); the
// destructor restores the variable and re-initialises again.
class ScopedInternalMode {
 public:
  ScopedInternalMode();
  ~ScopedInternalMode();
  bool IsOpen() const;

 private:
  std::unique_ptr<ScopedProcessEnv> key_;
};

// Unsets every process variable the configuration could read ("Vel...",
// "KORCX_MEMORY", "KorDevelopmentStage", "QTS_LOG_NAME") and empties the
// custom table; the destructor restores them and empties the table again.
class ScopedConfigEnvironment {
 public:
  ScopedConfigEnvironment();
  ~ScopedConfigEnvironment();

 private:
  std::vector<std::unique_ptr<ScopedProcessEnv>> unset_;
};

}  // namespace vela::test

#endif  // VELA_TESTS_SUPPORT_INTERNALMODE_H
