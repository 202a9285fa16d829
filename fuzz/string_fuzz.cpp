// Sequences of string operations against std::string: the model sequence of
// the string tests, with the input bytes taking every decision.
#include <cstddef>
#include <cstdint>

#include "FuzzInput.h"
#include "support/StringModel.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vela::fuzz::ByteChoices choices(data, size);
  vela::fuzz::RequireAgreement(vela::test::RunStringModel(choices, 300));
  return 0;
}
