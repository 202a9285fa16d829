// The copy-on-write string against std::string, shared by the string test and
// fuzzer: a pool of strings under random operations. After every step each
// string holds its model's text, an empty one owns no block, strings assigned
// from one another and not written since share one block, whose share count
// and size (the capacity class of the length) are checked.
#ifndef VELA_TESTS_SUPPORT_STRINGMODEL_H
#define VELA_TESTS_SUPPORT_STRINGMODEL_H

#include <string>

#include "support/Choices.h"

namespace vela::test {

// Runs up to `steps` operations (fewer when the choices run dry); returns the
// first disagreement with the model, "" when there is none.
std::string RunStringModel(Choices& choices, int steps);

}  // namespace vela::test

#endif  // VELA_TESTS_SUPPORT_STRINGMODEL_H
