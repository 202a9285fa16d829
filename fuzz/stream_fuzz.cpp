// The text stream on arbitrary values, through the models of the stream tests
// (streams/StreamModel.h): random writes, or one number through both writers.
#include <cstddef>
#include <cstdint>

#include "FuzzInput.h"
#include "streams/StreamModel.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vela::fuzz::ByteChoices c(data, size);
  const int precision = 4 + static_cast<int>(c.Pick(13));
  vela::fuzz::RequireAgreement(c.Chance(50) ? vela::test::RunTextStream(c, 80)
                                            : vela::test::CheckNumber(vela::test::AnyDouble(c), precision));
  return 0;
}
