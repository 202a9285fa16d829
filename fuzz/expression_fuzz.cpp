// Expression terms: random arithmetic trees decoded from the input against
// the model of the expression tests (support/ExpressionModel.h).
#include <cstdint>

#include "FuzzInput.h"
#include "support/ExpressionModel.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vela::fuzz::ByteChoices c(data, size);
  vela::fuzz::RequireAgreement(vela::test::CheckExpression(c, 1 + static_cast<int>(c.Pick(7)), nullptr));
  return 0;
}
