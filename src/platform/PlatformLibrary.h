// Platform layer: loading a shared library by name.
//
// The library only ever loads a plug-in so that the plug-in's load-time
// initialisation runs (it registers itself); no symbol is looked up and the
// plug-in is never unloaded.
#ifndef VELA_SRC_PLATFORM_PLATFORMLIBRARY_H
#define VELA_SRC_PLATFORM_PLATFORMLIBRARY_H

namespace vela::platform {

// Loads the shared library of that name with the platform's normal search
// order and keeps it loaded for the rest of the process. A plain name maps
// to this platform's file name ("VelaUnderPlayBack" is
// "libVelaUnderPlayBack.so"); a name holding a '/' or ending in ".so" is
// used as given. Returns false when the library cannot be found or loaded.
// Loading an already loaded library again runs nothing new.
bool LoadSharedLibrary(const char* name);

}  // namespace vela::platform

#endif  // VELA_SRC_PLATFORM_PLATFORMLIBRARY_H
