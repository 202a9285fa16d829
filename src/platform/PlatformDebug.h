// Platform layer: the two ways the assertion routine stops a process.
//
// ProcessAssertionFailure is this platform's counterpart of the C runtime's
// assertion-failure routine, called as a function so that it works whether
// or not NDEBUG is defined. DebuggerTrap is the breakpoint a debugger stops
// at.
#ifndef VELA_SRC_PLATFORM_PLATFORMDEBUG_H
#define VELA_SRC_PLATFORM_PLATFORMDEBUG_H

namespace vela::platform {

// Writes "Assertion failed: <expression>, file <file>, line <line>" and a
// newline on the standard error, then ends the process with abort() (signal
// SIGABRT, core dump where the system keeps them). Never returns. Null texts
// are written as empty.
[[noreturn]] void ProcessAssertionFailure(const char* expression, const char* file,
                                          unsigned int line);

// Raises SIGTRAP in the calling thread. Under a debugger the process stops
// there and, when continued, the call returns; without a debugger the
// signal's default action ends the process (signal SIGTRAP, core dump where
// the system keeps them), unless the host installed a handler for it.
void DebuggerTrap();

}  // namespace vela::platform

#endif  // VELA_SRC_PLATFORM_PLATFORMDEBUG_H
