/// \file
/// \ingroup foundation
/// VelaAssertError: where the solver's assertion checks go when a condition
/// fails.
///
/// The reaction is configuration, not a build choice, so one build can ignore
/// broken invariants, trace them, stop the process, stop in a debugger or hold
/// the process for inspection. The mode is read from the global parameters
/// (GetGlobalParameters().GetAssertMode(), key "VelaAssertMode") at every
/// call, so a host may change it at run time with SetAssertMode.
///
/// \code{.unparsed}
///   NONE    nothing; the call returns
///   TRACE   the message on the trace stream; the call returns
///   ASSERT  the message, then the process assertion: "Assertion failed: 0,
///           file VelaAssert, line 45" on the standard error and abort()
///           (SIGABRT); the call does not return
///   BREAK   a debugger trap at once, nothing written: SIGTRAP, which stops
///           the process under a debugger (continuing returns from the call)
///           and ends it otherwise
///   LOOP    the message, then a busy loop that never returns (one core at
///           full load) until a developer attaches a debugger or kills the
///           process
/// \endcode
/// Any other mode value behaves as NONE.
///
/// The message is one line on GetGlobalParameters().GetTraceStream() (the
/// standard output unless a host redirected it), flushed at once:
/// \code{.unparsed}
///   Assertion failed: x>0, file a.cpp, line 12
/// \endcode
/// A null expression or file is written as empty text.
///
/// Choices made for this implementation:
/// - Beside the char* form, a const char* overload takes string literals such
///   as `#cond` and `__FILE__` without casts. A call whose expression or file is
///   a bare null pointer constant (nullptr, NULL) matches both and does not
///   compile; pass a typed pointer.
/// - VELA_ASSERT(cond) is the check that reaches the routine.
///
/// The routine takes no lock: messages of two threads may interleave on the
/// shared trace stream.
#ifndef VELA_FOUNDATION_VELAASSERT_H
#define VELA_FOUNDATION_VELAASSERT_H

#include "vela/foundation/VelaExport.h"

/// \addtogroup foundation
/// @{

/// Reacts to the failed check `expression` at `file`:`line` as the assertion
/// mode says (see VelaAssert.h). Returns in modes NONE and TRACE, in any unknown
/// mode, and in BREAK when a debugger continues the process.
VELA_API void VelaAssertError(char* expression, char* file, unsigned int line);
/// The same routine for string literals such as `#cond` and `__FILE__`.
VELA_API void VelaAssertError(const char* expression, const char* file, unsigned int line);

/// Calls VelaAssertError with the condition's text, the file and the line
/// when `cond` is false. The condition is evaluated exactly once, in every
/// build (NDEBUG does not remove it).
#define VELA_ASSERT(cond) \
  ((cond) ? static_cast<void>(0) : VelaAssertError(#cond, __FILE__, __LINE__))

/// @}

#endif  // VELA_FOUNDATION_VELAASSERT_H
