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
  const int steps = 300;
  switch (c.Pick(8)) {
    case 0: return vela::fuzz::RequireAgreement(ArrayModel<unsigned char>(c).Run(steps)), 0;
    case 1: return vela::fuzz::RequireAgreement(ArrayModel<int>(c).Run(steps)), 0;
    case 2: return vela::fuzz::RequireAgreement(ArrayModel<double>(c).Run(steps)), 0;
    case 3: return vela::fuzz::RequireAgreement(ArrayModel<void*>(c).Run(steps)), 0;
    case 4: return vela::fuzz::RequireAgreement(ArrayModel<std::string>(c).Run(steps)), 0;
    case 5:
    case 6: return vela::fuzz::RequireAgreement(vela::test::RunHashTableSequence(c, static_cast<int>(c.Pick(3)), steps)), 0;
    default: return vela::fuzz::RequireAgreement(vela::test::RunPriorityQueueSequence(c, steps)), 0;
  }
}
