// Opening the internal mode of the global parameters in the project's tests.
//
// The internal mode unlocks tracing, check reports, the replay plug mode and
// the replay methods; docs/internal-mode.md describes the access code. The
// code is computed here independently of the library, so that a change to
// either derivation fails the tests instead of passing silently.
#ifndef VELA_TESTS_SUPPORT_INTERNALMODE_H
#define VELA_TESTS_SUPPORT_INTERNALMODE_H

#include <memory>
#include <string>
#include <vector>

namespace vela::test {

class ScopedProcessEnv;

// The access code of a local date (year, month 1-12, day 1-31).
int InternalModeCode(int year, int month, int day);
// The code of today's local date, as the decimal text the key carries.
std::string TodaysInternalModeCode();

// Opens the internal mode of GetGlobalParameters() for the guard's lifetime:
// sets "VelaUseSystemConstants" in the process environment to today's code
// and re-initialises the configuration (Initialize, then InitializeEnv, so
// keys set before the guard are applied). The destructor restores the
// variable and re-initialises again, leaving the internal mode closed and
// the configuration at what the environment gives.
class ScopedInternalMode {
 public:
  ScopedInternalMode();
  ~ScopedInternalMode();
  ScopedInternalMode(const ScopedInternalMode&) = delete;
  ScopedInternalMode& operator=(const ScopedInternalMode&) = delete;

  // Whether the configuration reports the internal mode open.
  bool IsOpen() const;

 private:
  std::unique_ptr<ScopedProcessEnv> key_;
};

// Gives the configuration an empty environment for the guard's lifetime:
// unsets every process variable the configuration could read (names
// starting with "Vela", and "KORCX_MEMORY", "KorDevelopmentStage",
// "QTS_LOG_NAME") and empties the custom table. The destructor restores the
// process variables and empties the custom table again; it does not
// re-initialise any configuration object.
class ScopedConfigEnvironment {
 public:
  ScopedConfigEnvironment();
  ~ScopedConfigEnvironment();
  ScopedConfigEnvironment(const ScopedConfigEnvironment&) = delete;
  ScopedConfigEnvironment& operator=(const ScopedConfigEnvironment&) = delete;

 private:
  std::vector<std::unique_ptr<ScopedProcessEnv>> unset_;
};

}  // namespace vela::test

#endif  // VELA_TESTS_SUPPORT_INTERNALMODE_H
