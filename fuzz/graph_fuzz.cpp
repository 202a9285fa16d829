// Graphs decoded from the input (simple, multigraphs, partly directed) and
// solved by every method of the graph solver, several runs on one solver,
// each result checked against the model the graph tests use
// (support/GraphModel): components, strongly connected components and the
// spanning tree exactly as their plain rules give them, chordless cycles as
// closed walks (on a simple graph exactly its induced cycles), the selection
// as its rule keeps them.
#include <cstddef>
#include <cstdint>

#include "FuzzInput.h"
#include "support/GraphModel.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vela::fuzz::ByteChoices c(data, size);
  vela::fuzz::RequireAgreement(vela::test::RunGraphSequence(c));
  return 0;
}
