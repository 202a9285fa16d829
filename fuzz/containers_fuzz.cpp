// Sequences of array, hash-table and priority-queue operations against the
// standard containers, through the model sequences of the container tests.
// The first byte chooses the container; the rest takes the decisions.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "support/ContainerModels.h"
#include "vela/foundation/VelaString.h"

namespace {

using vela::test::Choices;

constexpr int kSteps = 300;

// Few distinct hash values: long chains mixing equal and different hashes.
unsigned int CoarseHash(void* e) { return VelaSimpleHashIt(e) % 40u; }

std::string HashTable(Choices& c, int policy) {
  static std::vector<std::uint64_t> slots(400);
  // Objects i and i + 150 carry the same text: either one finds the other.
  static std::vector<VelaString> texts = [] {
    std::vector<VelaString> t;
    for (int copy = 0; copy < 2; ++copy) {
      for (int i = 0; i < 150; ++i) t.emplace_back(("name" + std::to_string(i * 7919 % 1000)).c_str());
    }
    return t;
  }();
  std::vector<void*> universe;
  if (policy == 2) {
    for (VelaString& s : texts) universe.push_back(&s);
    return vela::test::RunHashTableSequence<std::string>(
        c, universe, VelaStringPtrHashIt, VelaStringPtrHashCompare,
        [](void* e) { return std::string(*static_cast<VelaString*>(e)); }, kSteps, nullptr);
  }
  for (std::uint64_t& s : slots) universe.push_back(&s);
  return vela::test::RunHashTableSequence<void*>(c, universe, policy == 0 ? VelaSimpleHashIt : CoarseHash,
                                                 VelaSimpleHashCompare, [](void* e) { return e; }, kSteps,
                                                 nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vela::fuzz::ByteChoices c(data, size);
  std::string failure;
  switch (c.Pick(8)) {
    case 0: failure = vela::test::ArrayModel<unsigned char>(c).Run(kSteps); break;
    case 1: failure = vela::test::ArrayModel<int>(c).Run(kSteps); break;
    case 2: failure = vela::test::ArrayModel<double>(c).Run(kSteps); break;
    case 3: failure = vela::test::ArrayModel<void*>(c).Run(kSteps); break;
    case 4:
    case 5:
    case 6: failure = HashTable(c, static_cast<int>(c.Pick(3))); break;
    default: failure = vela::test::RunPriorityQueueSequence(c, kSteps); break;
  }
  vela::fuzz::RequireAgreement(failure);
  return 0;
}
