// The environment readers against models, shared by the environment and
// configuration tests and the environment fuzzer. Integers are read as atoi
// reads them, except that a number beyond the int range reads as its limit.
#ifndef VELA_TESTS_SUPPORT_ENVIRONMENTMODEL_H
#define VELA_TESTS_SUPPORT_ENVIRONMENTMODEL_H

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "support/Choices.h"
#include "support/TestSupport.h"
#include "vela/config/VelaAutoConstrainingParameters.h"
#include "vela/config/VelaGlobalParameters.h"

namespace vela::test {

// Random VelaSetEnv, VelaUnsetEnv and VelaFlushEnv calls over the names and
// values (absent from the process environment), checked after every step
// against a newest-first list: "" or the first disagreement.
std::string RunEnvironmentSequence(Choices& c, const std::vector<std::string>& names,
                                   const std::vector<std::string>& values, int steps);

enum class KeyKind {
  kSwitch,    // TRUE on, FALSE off, other text ignored
  kTrueTest,  // TRUE on, other text off
  kFlag,      // TRUE on, other text or none off
  kBounded,   // an integer in [0, bound) stored, others ignored
  kNumber,    // any integer stored
  kAlways,    // any integer stored; unset or empty stores 0
  kKeyword,   // an exact keyword stores its number, other text is ignored
  kShort,     // any integer stored cut to 16 bits
};

struct ConfigKey {
  std::string key;
  KeyKind kind;
  std::function<long long(const VelaGlobalParameters&, const VelaAutoConstrainingParameters&)> get;
  long long byDefault;
  long long bound;                                    // kBounded (and a value worth trying for kShort)
  std::vector<std::pair<const char*, int>> keywords;  // kKeyword only
  bool automatic = false;                             // read by the auto-constraining parameters
};

// The keys of the global parameters that need no internal mode, then those of
// the auto-constraining parameters, with their defaults.
const std::vector<ConfigKey>& ConfigKeys();

// A configuration read from custom entries of the keys, and what the model
// expects of every key; the custom table is emptied first.
struct ConfigState {
  ConfigState();
  // Sets the key's entry (null: unsets it), re-reads, checks every key.
  std::string Apply(std::size_t key, const char* value);

  ScopedProcessEnv activation{"VelAutoConstraining", nullptr};
  VelaGlobalParameters p;
  VelaAutoConstrainingParameters acp;
  std::vector<std::string> entries;  // the custom value of each key ("" none)
  std::vector<long long> expected;
};

}  // namespace vela::test

#endif  // VELA_TESTS_SUPPORT_ENVIRONMENTMODEL_H
