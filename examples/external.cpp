// vela_example_external: an expression tree for a user formula, folded,
// printed with as few parentheses as keep its meaning, dumped, and matched
// against a pattern.
//
// Parsing text into terms is the host's business: the tree is built here by
// hand. Each term owns its operands, so destroying the root frees the tree.

#include <iostream>

#include "vela/VelaUtilities.h"

namespace {

// [guide:expression-helpers]
VelaExpressionTerm* Number(double v) { return VelaExpressionTerm::Create(v); }
VelaExpressionTerm* Name(const char* s) { return VelaExpressionTerm::Create(VelaString(s)); }
// An operator term that takes ownership of its two operands.
VelaExpressionTerm* Op(VelaExpressionType type, VelaExpressionTerm* left, VelaExpressionTerm* right) {
  VelaExpressionTerm* term = VelaExpressionTerm::Create(type);
  term->SetLeft(left);
  term->SetRight(right);
  return term;
}
// [guide:expression-helpers]

void Print(VelaStream& out, const char* label, const VelaExpressionTerm& term, unsigned char strict = 0) {
  out << label;
  term.Print(out, strict);
  out << velendl;
}

}  // namespace

int main() {
  VelaStream out(&std::cout);

  // 2 * 3 * width + (height - 4) / depth ^ 2
  // [guide:expression-build]
  VelaExpressionTerm* formula = Op(
      VelaExpressionType_PLUS,
      Op(VelaExpressionType_MULTIPLY, Op(VelaExpressionType_MULTIPLY, Number(2), Number(3)), Name("width")),
      Op(VelaExpressionType_DIVIDE, Op(VelaExpressionType_MINUS, Name("height"), Number(4)),
         Op(VelaExpressionType_POWER, Name("depth"), Number(2))));
  // [guide:expression-build]

  out << "-- printing" << velendl;
  Print(out, "as built:        ", *formula);
  // [guide:expression-fold]
  formula->SimplifyFullConstant();  // 2 * 3 -> 6
  // [guide:expression-fold]
  Print(out, "constants folded: ", *formula);
  VelaExpressionTerm rewritten(*formula);  // a deep copy
  rewritten.SimplifyHalfConstant();        // height - 4 -> height + -4
  Print(out, "half constants:   ", rewritten);

  // Minimal parentheses follow precedence and left associativity; strict
  // printing also brackets neighbours of one class.
  VelaExpressionTerm* nested =
      Op(VelaExpressionType_MINUS, Op(VelaExpressionType_MINUS, Name("a"), Name("b")),
         Op(VelaExpressionType_MINUS, Name("c"), Op(VelaExpressionType_DIVIDE,
                                                    Op(VelaExpressionType_MULTIPLY, Name("d"), Name("e")),
                                                    Name("f"))));
  Print(out, "minimal:          ", *nested);
  Print(out, "strict:           ", *nested, 1);
  VelaExpressionTerm::Destroy(nested);

  out << "-- dump of the folded formula" << velendl;
  formula->Dump(out, 2);

  out << "-- pattern matching" << velendl;
  // The nodes in order: left subtree, node, right subtree. A null name and a
  // value 0.0 match any name and any value.
  // [guide:expression-match]
  const VelaExpressionNode product[] = {{VelaExpressionType_NUMBER, nullptr, 6.0},
                                        {VelaExpressionType_MULTIPLY, nullptr, 0.0},
                                        {VelaExpressionType_NAME, "width", 0.0}};
  int matched = 0;
  const unsigned char same = formula->GetLeft()->CheckTerm(product, matched);
  // [guide:expression-match]
  out << "left operand is 6*width: " << static_cast<int>(same) << " (" << matched << " nodes matched)" << velendl;
  const VelaExpressionNode other[] = {{VelaExpressionType_NUMBER, nullptr, 0.0},
                                      {VelaExpressionType_MULTIPLY, nullptr, 0.0},
                                      {VelaExpressionType_NAME, "height", 0.0}};
  matched = 0;
  const unsigned char wrong = formula->GetLeft()->CheckTerm(other, matched);
  out << "left operand is <number>*height: " << static_cast<int>(wrong) << " (" << matched << " nodes matched)"
      << velendl;

  VelaExpressionTerm::Destroy(formula);  // frees the whole tree; formula becomes null
  return 0;
}
