#include "vela/foundation/VelaEnvironment.h"

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

double VelaGetEnvF(const VelaString& name) {
  const VelaString value = VelaGetEnv(name);
  return value.isEmpty() ? 0.0 : std::atof(value.str());
}

int VelaGetEnvI(const VelaString& name) {
  const VelaString value = VelaGetEnv(name);
  return value.isEmpty() ? 0 : std::atoi(value.str());
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
