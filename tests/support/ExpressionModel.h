// Expression terms against an independent evaluation, shared by the
// expression tests and the expression fuzzer: random trees over a few
// numbers, names and the five arithmetic operators, and their folded forms.
#ifndef VELA_TESTS_SUPPORT_EXPRESSIONMODEL_H
#define VELA_TESTS_SUPPORT_EXPRESSIONMODEL_H

#include <string>

#include "support/Choices.h"
#include "vela/external/VelaExpressionTerm.h"

namespace vela::test {

// The tree printed, or dumped, on a fresh memory stream.
std::string Printed(const VelaExpressionTerm& t, unsigned char strict);
std::string Dumped(const VelaExpressionTerm& t, int indent);

// A random tree of at most `depth` operator levels, "" or the first broken:
// no fold changes the value beyond rounding (unless a division by zero or an
// overflow came first; `compared`, may be null, counts the others) and the full
// one leaves no pair of numbers; in the tree, its folded forms and a copy after
// a random move, operands know their holders, copies print and dump alike, the own pattern matches.
std::string CheckExpression(Choices& c, int depth, int* compared);

}  // namespace vela::test

#endif  // VELA_TESTS_SUPPORT_EXPRESSIONMODEL_H
