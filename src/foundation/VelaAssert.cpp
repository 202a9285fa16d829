#include "vela/foundation/VelaAssert.h"

#include "platform/PlatformDebug.h"
#include "vela/config/VelaGlobalParameters.h"
#include "vela/streams/VelaStream.h"

namespace {

// The process assertion reports this fixed place rather than the caller's:
// the caller's place is already in the trace message written before it.
constexpr const char* kProcessAssertExpression = "0";
constexpr const char* kProcessAssertFile = "VelaAssert";
constexpr unsigned int kProcessAssertLine = 45;

void WriteMessage(const char* expression, const char* file, unsigned int line) {
  VelaStream* trace = GetGlobalParameters().GetTraceStream();
  if (trace == nullptr) return;
  *trace << "Assertion failed: " << expression << ", file " << file << ", line " << line
         << velendl;
}

// Keeps the process alive, and its stacks intact, for a debugger to attach.
// The volatile store gives every turn a side effect, so the compiler may not
// assume that the loop ends.
[[noreturn]] void HoldForever() {
  volatile unsigned long turns = 0;
  for (;;) turns = turns + 1;
}

}  // namespace

void VelaAssertError(const char* expression, const char* file, unsigned int line) {
  switch (GetGlobalParameters().GetAssertMode()) {
    case VelaAssertMode_TRACE:
      WriteMessage(expression, file, line);
      return;
    case VelaAssertMode_ASSERT:
      WriteMessage(expression, file, line);
      vela::platform::ProcessAssertionFailure(kProcessAssertExpression, kProcessAssertFile,
                                              kProcessAssertLine);
    case VelaAssertMode_BREAK:
      vela::platform::DebuggerTrap();
      return;
    case VelaAssertMode_LOOP:
      WriteMessage(expression, file, line);
      HoldForever();
    case VelaAssertMode_NONE:
    default:
      return;
  }
}

void VelaAssertError(char* expression, char* file, unsigned int line) {
  VelaAssertError(static_cast<const char*>(expression), static_cast<const char*>(file), line);
}
