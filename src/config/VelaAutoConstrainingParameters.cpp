#include "vela/config/VelaAutoConstrainingParameters.h"

#include <cstdint>

#include "config/AutoConstrainingKeys.h"
#include "vela/foundation/VelaEnvironment.h"
#include "vela/foundation/VelaString.h"

namespace {

using vela::detail::kACActivationKey;
using vela::detail::kACDefaultPropagKey;
using vela::detail::kACPropagKeys;
using vela::detail::kACUsedKeys;
constexpr int kTypeCount = VelaAutoConstrainingParameters::kTypeCount;

bool IsTrue(const char* key) { return VelaGetEnv(key) == "TRUE"; }

// Overwrites `length` only when the key has a non-empty value. The value is
// cut to its low 16 bits the way a 16-bit store of an int would cut it.
void ApplyLength(const char* key, short& length) {
  if (VelaGetEnv(key).isEmpty()) return;
  length = static_cast<short>(static_cast<std::uint16_t>(VelaGetEnvI(key)));
}

// Index of a valid type in the 15-entry tables, or -1.
int TypeIndex(VelaACType type) {
  const int t = static_cast<int>(type);
  return (t >= 1 && t <= kTypeCount) ? t - 1 : -1;
}

}  // namespace

// ---- Records ----------------------------------------------------------------

VelaAutoConstrainingParameters::UsedConstraintTypes::UsedConstraintTypes() {
  for (bool& flag : flags) flag = false;
}

void VelaAutoConstrainingParameters::UsedConstraintTypes::InitializeWithEnv() {
  for (int i = 0; i < kTypeCount; ++i) flags[i] = IsTrue(kACUsedKeys[i]);
}

VelaAutoConstrainingParameters::ConstraintWeight::ConstraintWeight() {
  for (double& value : values) value = 1.0;
}

VelaAutoConstrainingParameters::ACPropagationLength::ACPropagationLength(short v) {
  for (short& length : lengths) length = v;
}

void VelaAutoConstrainingParameters::ACPropagationLength::InitializeWithEnv() {
  ApplyLength(kACDefaultPropagKey, lengths[0]);
  for (int i = 0; i < kTypeCount; ++i) ApplyLength(kACPropagKeys[i], lengths[i + 1]);
}

// ---- Parameters -------------------------------------------------------------

VelaAutoConstrainingParameters::VelaAutoConstrainingParameters()
    : activated_(0), used_(), weights_(), propagation_(1) {}

void VelaAutoConstrainingParameters::InitializeWithEnv() {
  activated_ = IsTrue(kACActivationKey) ? 1 : 0;
  used_.InitializeWithEnv();
  propagation_.InitializeWithEnv();
}

unsigned char VelaAutoConstrainingParameters::GetConstraint(VelaACType iType) const {
  const int i = TypeIndex(iType);
  return (i >= 0 && used_.flags[i]) ? 1 : 0;
}

void VelaAutoConstrainingParameters::SetConstraint(VelaACType iType, unsigned char iUsed) {
  const int i = TypeIndex(iType);
  if (i >= 0) used_.flags[i] = iUsed != 0;
}

double VelaAutoConstrainingParameters::GetWeight(VelaACType iType) const {
  const int i = TypeIndex(iType);
  return i >= 0 ? weights_.values[i] : -1.0;
}

void VelaAutoConstrainingParameters::SetWeight(VelaACType iType, double iWeight) {
  const int i = TypeIndex(iType);
  if (i >= 0) weights_.values[i] = iWeight;
}

short VelaAutoConstrainingParameters::GetPropagLength(VelaACType iType) const {
  const int i = TypeIndex(iType);
  return i >= 0 ? propagation_.lengths[i + 1] : static_cast<short>(-1);
}

void VelaAutoConstrainingParameters::SetPropagLength(VelaACType iType, short iLength) {
  const int i = TypeIndex(iType);
  if (i >= 0) propagation_.lengths[i + 1] = iLength;
}

// Created on first use and never destroyed, so callers holding the reference
// during static destruction stay safe.
VelaAutoConstrainingParameters& GetAutoConstrainingParameters() {
  static VelaAutoConstrainingParameters* const instance = [] {
    auto* created = new VelaAutoConstrainingParameters();
    created->InitializeWithEnv();
    return created;
  }();
  return *instance;
}
