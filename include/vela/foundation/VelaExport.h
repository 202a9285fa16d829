/// \file
/// \ingroup foundation
/// \brief The export macros VELA_API and VELA_INTERNAL.
///
/// VELA_API marks the library's exported interface.
///
/// The shared library is built with hidden visibility by default, so only
/// declarations carrying VELA_API are visible to the modules that load it.
/// A static build (VELA_STATIC, set by the build system and the installed
/// package) needs no decoration.
#ifndef VELA_FOUNDATION_VELAEXPORT_H
#define VELA_FOUNDATION_VELAEXPORT_H

/// \addtogroup foundation
/// @{

/// \def VELA_API
/// Marks a declaration of the library's exported interface: default
/// visibility when the shared library is built, the import or export
/// attribute on Windows, nothing in a static build (VELA_STATIC).
#if defined(VELA_STATIC)
#define VELA_API
#elif defined(_WIN32)
#if defined(VELA_BUILDING_LIBRARY)
#define VELA_API __declspec(dllexport)
#else
#define VELA_API __declspec(dllimport)
#endif
#elif defined(__GNUC__)
#define VELA_API __attribute__((visibility("default")))
#else
#define VELA_API
#endif

/// \def VELA_INTERNAL
/// VELA_INTERNAL marks a member of an exported class that stays inside the
/// shared library: the library's own code calls it, other modules cannot.
/// The project's tests reach such members by compiling their source into
/// the test program.
#if defined(__GNUC__) && !defined(VELA_STATIC) && !defined(_WIN32)
#define VELA_INTERNAL __attribute__((visibility("hidden")))
#else
#define VELA_INTERNAL
#endif

/// @}

#endif  // VELA_FOUNDATION_VELAEXPORT_H
