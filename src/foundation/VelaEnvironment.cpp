#include "vela/foundation/VelaEnvironment.h"

#include <climits>
#include <cstdlib>
#include <forward_list>

#include "vela/streams/VelaStream.h"

namespace {

struct CustomEntry {
  VelaString name;
  VelaString value;
};

// The custom variables, newest first. Process-wide and unlocked.
std::forward_list<CustomEntry>& CustomEntries() {
  static std::forward_list<CustomEntry> entries;
  return entries;
}

const char* ProcessValue(const VelaString& name) { return std::getenv(name.str()); }

CustomEntry* FindCustom(const VelaString& name) {
  for (CustomEntry& entry : CustomEntries()) {
    if (entry.name == name) return &entry;
  }
  return nullptr;
}

}  // namespace

VelaString VelaGetEnv(const VelaString& name) {
  if (const char* value = ProcessValue(name)) return VelaString(value);
  const CustomEntry* entry = FindCustom(name);
  return entry != nullptr ? entry->value : VelaString();
}

// strtod and strtoll rather than atof and atoi: the same readings, but
// defined for every text, out-of-range numbers included.
double VelaGetEnvF(const VelaString& name) {
  const VelaString value = VelaGetEnv(name);
  return value.isEmpty() ? 0.0 : std::strtod(value.str(), nullptr);
}

int VelaGetEnvI(const VelaString& name) {
  const VelaString value = VelaGetEnv(name);
  if (value.isEmpty()) return 0;
  const long long number = std::strtoll(value.str(), nullptr, 10);  // saturates itself
  if (number > INT_MAX) return INT_MAX;
  if (number < INT_MIN) return INT_MIN;
  return static_cast<int>(number);
}

void VelaSetEnv(const VelaString& name, const VelaString& value) {
  if (name.isEmpty() || value.isEmpty() || ProcessValue(name) != nullptr) return;
  if (CustomEntry* entry = FindCustom(name)) {
    entry->value = value;
  } else {
    CustomEntries().push_front({name, value});
  }
}

void VelaUnsetEnv(const VelaString& name) {
  auto& entries = CustomEntries();
  for (auto before = entries.before_begin(); std::next(before) != entries.end(); ++before) {
    if (std::next(before)->name == name) {
      entries.erase_after(before);
      return;
    }
  }
}

void VelaFlushEnv() { CustomEntries().clear(); }

void VelaPrintEnv(VelaStream& s) {
  if (CustomEntries().empty()) return;
  s << "Used custom environment:" << velendl;
  for (const CustomEntry& entry : CustomEntries()) {
    s << " " << entry.name << " = " << entry.value << velendl;
  }
  s << velendl;
}

void VelaPrintEnvSection(VelaStream& s) {
  if (CustomEntries().empty()) return;
  s << "#!ENVIRONMENT" << velendl << velendl;
  for (const CustomEntry& entry : CustomEntries()) {
    s << entry.name << "=" << entry.value << ";" << velendl;
  }
  s << velendl;
}
