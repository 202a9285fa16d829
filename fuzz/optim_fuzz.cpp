// The optimisers on the random problems of optim/OptimProblems.h decoded
// from the input: every routine returns and keeps the promises CheckRandom
// lists (the tests draw the same problems from a fixed seed).
#include <cstdint>

#include "FuzzInput.h"
#include "optim/OptimProblems.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vela::test::optim;
  // The first byte modulo 5 picks the routine, as the saved inputs expect.
  static const Routine kRoutines[] = {kLinear, kMehrotra, kLinear, kActiveSet, kQuadratic};
  vela::fuzz::ByteChoices c(data, size);
  vela::fuzz::RequireAgreement(CheckRandom(c, kRoutines[c.Pick(5)]));
  return 0;
}
