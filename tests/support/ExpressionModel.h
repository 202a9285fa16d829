// Expression terms against an independent evaluation: random trees over a
// few numbers, names and the five arithmetic operators, their value computed
// from the tree and from the printed text read back with the usual
// precedences. The expression tests and the expression fuzzer share it.
#ifndef VELA_TESTS_SUPPORT_EXPRESSIONMODEL_H
#define VELA_TESTS_SUPPORT_EXPRESSIONMODEL_H

#include <string>

#include "support/Choices.h"
#include "vela/external/VelaExpressionTerm.h"

namespace vela::test {

// A tree of at most `depth` operator levels; leaves are numbers that print
// exactly at the stream's default precision, and the names x, y, z, w.
// Exponents are kept shallow so that most powers stay finite.
VelaExpressionTerm* RandomExpression(Choices& c, int depth);

// What an evaluation met: a division by zero, a value that is not finite,
// an unknown name, and the largest magnitude of any intermediate (the scale
// of rounding).
struct Evaluation {
  bool divisionByZero = false;
  bool notFinite = false;
  bool unknownName = false;
  double scale = 0.0;

  double Record(double v);
  double Apply(char op, double a, double b);
  // True when the value may be compared: no division by zero, nothing
  // infinite or NaN on the way, every name known.
  bool Comparable() const { return !divisionByZero && !notFinite && !unknownName; }
};

// The value of a tree of numbers, names and the five operators.
double TreeValue(const VelaExpressionTerm* t, Evaluation& e);
// The value of printed text, read with + - below * / below ^, every
// operator associating to the left (as the printer assumes); NaN when the
// text is not a complete expression.
double TextValue(const std::string& text, Evaluation& e);
// The tree printed on a fresh memory stream.
std::string Printed(const VelaExpressionTerm& t, unsigned char strict);
// Equal up to rounding at the scale of the intermediates.
bool Close(double a, double b, double scale);
// True when some operator below t still has two number operands.
bool HasFoldablePair(const VelaExpressionTerm* t);

// The printing properties of one tree, as a text naming the first one
// broken ("" when all hold): strict printing only ever adds parentheses,
// and, when the tree's value is comparable, both printed texts read back to
// it. `compared` (may be null) counts the trees whose value was compared.
std::string CheckPrinting(const VelaExpressionTerm& t, int* compared);
// The folding properties: the full fold leaves no foldable pair, and
// neither fold, nor the two in a row, changes a comparable value beyond
// rounding.
std::string CheckFolding(const VelaExpressionTerm& t, int* compared);

}  // namespace vela::test

#endif  // VELA_TESTS_SUPPORT_EXPRESSIONMODEL_H
