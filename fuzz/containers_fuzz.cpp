// Sequences of array, hash-table and priority-queue operations against the
// standard containers, through the model sequences of the container tests.
// The first byte chooses the container; the rest takes the decisions.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzInput.h"
#include "support/ContainerModels.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vela::fuzz::ByteChoices c(data, size);
  using vela::test::ArrayModel;
  const int steps = 300, which = static_cast<int>(c.Pick(8));
  vela::fuzz::RequireAgreement(which == 0   ? ArrayModel<unsigned char>(c).Run(steps)
                               : which == 1 ? ArrayModel<int>(c).Run(steps)
                               : which == 2 ? ArrayModel<double>(c).Run(steps)
                               : which == 3 ? ArrayModel<void*>(c).Run(steps)
                               : which == 4 ? ArrayModel<std::string>(c).Run(steps)
                               : which < 7  ? vela::test::RunHashTableSequence(c, static_cast<int>(c.Pick(3)), steps)
                                            : vela::test::RunPriorityQueueSequence(c, steps));
  return 0;
}
