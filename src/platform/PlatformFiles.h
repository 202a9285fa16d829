// Platform layer: file services.
#ifndef VELA_SRC_PLATFORM_PLATFORMFILES_H
#define VELA_SRC_PLATFORM_PLATFORMFILES_H

namespace vela::platform {

// Copies the file `from` to `to`, replacing an existing target. Returns
// false when the source cannot be read or the target cannot be written.
bool CopyFileOverwriting(const char* from, const char* to);
// True when a file or folder of that name exists.
bool PathExists(const char* path);

}  // namespace vela::platform

#endif  // VELA_SRC_PLATFORM_PLATFORMFILES_H
