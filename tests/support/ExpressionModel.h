// Expression terms against an independent evaluation, shared by the
// expression tests and the expression fuzzer: random trees over a few
// numbers, names and the five arithmetic operators, their value computed from
// the tree and from the printed text read back with the usual precedences.
#ifndef VELA_TESTS_SUPPORT_EXPRESSIONMODEL_H
#define VELA_TESTS_SUPPORT_EXPRESSIONMODEL_H

#include <string>

#include "support/Choices.h"
#include "vela/external/VelaExpressionTerm.h"

namespace vela::test {

// At most `depth` operator levels; the leaves print exactly at the default
// precision; exponents stay shallow so that most powers are finite.
VelaExpressionTerm* RandomExpression(Choices& c, int depth);

// The tree printed on a fresh memory stream.
std::string Printed(const VelaExpressionTerm& t, unsigned char strict);

// Strict printing only adds parentheses, both printed texts read back to the
// tree's value, the full fold leaves no operator on two numbers, and neither
// fold (nor both) changes the value beyond rounding: "" or the first broken.
// Trees that divide by zero or overflow are not compared; `compared` (may be
// null) counts those that were.
std::string CheckExpression(const VelaExpressionTerm& t, int* compared);

}  // namespace vela::test

#endif  // VELA_TESTS_SUPPORT_EXPRESSIONMODEL_H
