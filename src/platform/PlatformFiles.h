// Platform layer: file services.
//
// The library builds paths with '\\' as the folder separator (replay and
// script names, VelaMakePath). On this platform the separator is '/', so
// every path the library hands to the file system goes through NativePath
// first: a name built as "runs\\Vela001.VelReplay" is the file
// Vela001.VelReplay in the folder runs.
#ifndef VELA_SRC_PLATFORM_PLATFORMFILES_H
#define VELA_SRC_PLATFORM_PLATFORMFILES_H

#include <string>

namespace vela::platform {

// The path with every '\\' replaced by '/'; "" for null.
std::string NativePath(const char* path);

// Copies the file `from` to `to`, replacing an existing target. Returns
// false when the source cannot be read or the target cannot be written.
bool CopyFileOverwriting(const char* from, const char* to);
// True when a file or folder of that name exists.
bool PathExists(const char* path);

}  // namespace vela::platform

#endif  // VELA_SRC_PLATFORM_PLATFORMFILES_H
