// The environment readers against models, shared by the environment and
// configuration tests and the environment fuzzer:
// - the custom environment against a newest-first list, with its printed
//   section and every lookup (text, integer, double) after each step;
// - the configuration keys of the global parameters by kind, and a sequence
//   that sets and unsets them and re-reads the environment into a
//   configuration object.
// Integers are read as atoi reads them, except that a number beyond the int
// range counts as the nearest int limit.
#ifndef VELA_TESTS_SUPPORT_ENVIRONMENTMODEL_H
#define VELA_TESTS_SUPPORT_ENVIRONMENTMODEL_H

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "support/Choices.h"
#include "vela/config/VelaGlobalParameters.h"

namespace vela::test {

// atoi of text (leading white space, an optional sign, digits), saturated
// to the int range.
int SaturatingAtoi(const std::string& text);

// Random VelaSetEnv, VelaUnsetEnv and VelaFlushEnv calls over the given
// names and values (the process environment must not hold the names). After
// every step the printed section and VelaGetEnv, VelaGetEnvI and VelaGetEnvF
// of every name agree with a newest-first list. Flushes the custom table
// before and after.
std::string RunEnvironmentSequence(Choices& c, const std::vector<std::string>& names,
                                   const std::vector<std::string>& values, int steps);

// ---- Configuration keys ----------------------------------------------------------

enum class KeyKind {
  kSwitch,    // TRUE on, FALSE off, other text ignored
  kTrueTest,  // TRUE on, other text off
  kBounded,   // an integer in [0, bound) stored, others ignored
  kNumber,    // any integer stored
  kAlways,    // any integer stored; unset or empty stores 0
  kKeyword,   // an exact keyword stores its number, other text is ignored
};

struct ConfigKey {
  const char* key;
  KeyKind kind;
  std::function<long long(const VelaGlobalParameters&)> get;
  long long byDefault;
  long long bound;                                    // kBounded only
  std::vector<std::pair<const char*, int>> keywords;  // kKeyword only
};

// The keys of these kinds that need no internal mode, with their defaults
// from an empty environment.
const std::vector<ConfigKey>& ConfigKeys();

// The member after InitializeEnv, with `value` the key's text (null when the
// key is unset or empty) and `previous` the member before.
long long ExpectedAfter(const ConfigKey& key, const char* value, long long previous);

// Random custom entries for the keys (accepted, rejected, out-of-range and
// arbitrary texts), each InitializeEnv of one configuration object checked
// against ExpectedAfter. The process environment must hold none of the
// configuration's keys. Flushes the custom table before and after.
std::string RunConfigSequence(Choices& c, int steps);

}  // namespace vela::test

#endif  // VELA_TESTS_SUPPORT_ENVIRONMENTMODEL_H
