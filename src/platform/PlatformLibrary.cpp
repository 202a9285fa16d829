#include "platform/PlatformLibrary.h"

#include <dlfcn.h>

#include <cstring>
#include <string>

namespace vela::platform {

namespace {

bool EndsWith(const std::string& text, const char* suffix) {
  const std::size_t n = std::strlen(suffix);
  return text.size() >= n && text.compare(text.size() - n, n, suffix) == 0;
}

std::string SharedLibraryFileName(const char* name) {
  const std::string given = name;
  if (given.find('/') != std::string::npos || EndsWith(given, ".so")) return given;
  return "lib" + given + ".so";
}

}  // namespace

bool LoadSharedLibrary(const char* name) {
  if (name == nullptr || *name == '\0') return false;
  // The handle is dropped on purpose: the plug-in stays for the process.
  return dlopen(SharedLibraryFileName(name).c_str(), RTLD_NOW | RTLD_GLOBAL) != nullptr;
}

}  // namespace vela::platform
