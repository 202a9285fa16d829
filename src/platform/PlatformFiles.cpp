#include "platform/PlatformFiles.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace vela::platform {

std::string NativePath(const char* path) {
  std::string native = path != nullptr ? path : "";
  std::replace(native.begin(), native.end(), '\\', '/');
  return native;
}

bool CopyFileOverwriting(const char* from, const char* to) {
  if (from == nullptr || to == nullptr) return false;
  std::error_code error;
  return std::filesystem::copy_file(NativePath(from), NativePath(to),
                                    std::filesystem::copy_options::overwrite_existing, error);
}

bool PathExists(const char* path) {
  return path != nullptr && access(NativePath(path).c_str(), F_OK) == 0;
}

}  // namespace vela::platform
