// The text stream and the JSON writer on arbitrary values, through the models
// of the stream tests: the first byte chooses random writes against a
// standard stream, one number through both number writers, or a random JSON
// document that must parse back into its tree.
#include <cstddef>
#include <cstdint>

#include "FuzzInput.h"
#include "streams/StreamModel.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vela::fuzz::ByteChoices c(data, size);
  switch (c.Pick(3)) {
    case 0: vela::fuzz::RequireAgreement(vela::test::RunTextStream(c, 80)); break;
    case 1: vela::fuzz::RequireAgreement(vela::test::CheckNumber(vela::test::AnyDouble(c), 4 + static_cast<int>(c.Pick(13)))); break;
    default: vela::fuzz::RequireAgreement(vela::test::RunJson(c)); break;
  }
  return 0;
}
