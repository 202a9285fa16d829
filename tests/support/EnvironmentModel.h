// The environment readers against models, shared by the environment and
// configuration tests and the environment fuzzer: the custom environment
// against a newest-first list, and every configuration key of the global
// parameters against the rule of its kind. Integers are read as atoi reads
// them, except that a number beyond the int range counts as the nearest limit.
#ifndef VELA_TESTS_SUPPORT_ENVIRONMENTMODEL_H
#define VELA_TESTS_SUPPORT_ENVIRONMENTMODEL_H

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "support/Choices.h"
#include "vela/config/VelaGlobalParameters.h"

namespace vela::test {

int SaturatingAtoi(const std::string& text);

// Random VelaSetEnv, VelaUnsetEnv and VelaFlushEnv calls over the names and
// values (the process environment must not hold the names); after every step
// the printed section and VelaGetEnv, VelaGetEnvI and VelaGetEnvF of every
// name agree with a newest-first list. "" or the first disagreement.
std::string RunEnvironmentSequence(Choices& c, const std::vector<std::string>& names,
                                   const std::vector<std::string>& values, int steps);

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

// The keys of these kinds that need no internal mode, with their defaults.
const std::vector<ConfigKey>& ConfigKeys();

// The member after InitializeEnv, with `value` the key's text (null when
// unset) and `previous` the member before.
long long ExpectedAfter(const ConfigKey& key, const char* value, long long previous);

// A configuration object read from custom entries of the keys, and what the
// model expects of every key. The process environment must hold none of the
// keys; the custom table is emptied on construction and destruction.
struct ConfigState {
  ConfigState();
  ~ConfigState();
  // Sets the key's custom entry (null: unsets it), re-reads the environment and
  // checks every key against the rule of its kind: "" or the first disagreement.
  std::string Apply(std::size_t key, const char* value);

  VelaGlobalParameters p;
  std::vector<std::string> entries;  // the custom value of each key ("" none)
  std::vector<long long> expected;
};

}  // namespace vela::test

#endif  // VELA_TESTS_SUPPORT_ENVIRONMENTMODEL_H
