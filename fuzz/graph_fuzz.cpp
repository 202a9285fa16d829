// Graphs decoded from the input, solved by every method of the graph solver
// and checked against the model the graph tests use (support/GraphModel).
#include <cstddef>
#include <cstdint>

#include "FuzzInput.h"
#include "support/GraphModel.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vela::fuzz::ByteChoices c(data, size);
  vela::fuzz::RequireAgreement(vela::test::RunGraphSequence(c));
  return 0;
}
