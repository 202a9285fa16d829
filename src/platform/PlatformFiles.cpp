#include "platform/PlatformFiles.h"

#include <unistd.h>

#include <filesystem>
#include <system_error>

namespace vela::platform {

bool CopyFileOverwriting(const char* from, const char* to) {
  if (from == nullptr || to == nullptr) return false;
  std::error_code error;
  return std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing,
                                    error);
}

bool PathExists(const char* path) { return path != nullptr && access(path, F_OK) == 0; }

}  // namespace vela::platform
