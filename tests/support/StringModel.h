// The copy-on-write string against std::string: a pool of strings and a
// sequence of assignments, appends (the self and own-data cases included),
// copies, length changes, numbers, derived strings, comparisons, searches
// and tokenising. After every step each string holds its model's text and
// terminator, an empty one owns no block, strings assigned from one another
// and not written since share one block, each block's share count is the
// number of strings holding it, and its size is the capacity class of the
// length. The seeded test and the fuzzer run the same sequence.
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
