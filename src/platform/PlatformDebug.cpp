#include "platform/PlatformDebug.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace vela::platform {

// Same shape as the message of the runtime the solver first ran on, so that
// tools scanning logs for failed assertions find both. Written with stdio
// on stderr, which is unbuffered, before abort() discards any buffers.
void ProcessAssertionFailure(const char* expression, const char* file, unsigned int line) {
  std::fprintf(stderr, "Assertion failed: %s, file %s, line %u\n",
               expression != nullptr ? expression : "", file != nullptr ? file : "", line);
  std::fflush(stderr);
  std::abort();
}

// A signal rather than an architecture's breakpoint instruction: it works on
// every processor, and a debugger resumes after raise() without having to
// step over a trap instruction by hand.
void DebuggerTrap() { std::raise(SIGTRAP); }

}  // namespace vela::platform
