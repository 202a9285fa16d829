#include "support/ExpressionModel.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <memory>
#include <sstream>
#include <vector>

#include "vela/streams/VelaStream.h"

namespace vela::test {
namespace {

using Term = VelaExpressionTerm;
const char* const kNames[] = {"x", "y", "z", "w"};
const double kNameValues[] = {1.5, 2, 3, 0.25};

// Exponents stay shallow so that most powers are finite.
Term* RandomExpression(Choices& c, int depth) {
  static const double kNumbers[] = {0, 1, 2, 3, 4, 0.5, 2.5, 10};
  if (depth == 0 || c.Pick(100) < 25)
    return c.Chance(50) ? Term::Create(kNumbers[c.Pick(8)]) : Term::Create(VelaString(kNames[c.Pick(4)]));
  const char op = "*+-/^"[c.Pick(5)];
  Term* t = Term::Create(static_cast<VelaExpressionType>(op));
  t->SetLeft(RandomExpression(c, depth - 1));
  t->SetRight(RandomExpression(c, op == '^' ? std::min(depth - 1, 1) : depth - 1));
  return t;
}

// The value; `bad` after a division by zero or a value that is not finite;
// `scale`: the largest magnitude met on the way.
double Value(const Term* t, bool& bad, double& scale) {
  const int type = t->GetType();
  double v = t->GetValue();
  if (type == VelaExpressionType_NAME) {
    const std::string name = t->GetName().str();
    v = kNameValues[std::find(std::begin(kNames), std::end(kNames), name) - std::begin(kNames)];
  } else if (type != VelaExpressionType_NUMBER) {
    const double a = Value(t->GetLeft(), bad, scale), b = Value(t->GetRight(), bad, scale);
    bad = bad || (type == '/' && b == 0.0);
    v = type == '*' ? a * b : type == '+' ? a + b : type == '-' ? a - b : type == '/' ? a / b : std::pow(a, b);
  }
  bad = bad || !std::isfinite(v);
  scale = std::max(scale, std::fabs(v));
  return v;
}

// "" when t and its subtrees hold: an operator on two numbers when `folded`
// is a pair the full fold left; an operand that does not know its holder is
// broken; the in-order pattern of the tree is appended (names for names
// only, value 0.0 for NaN: null and 0.0 match any).
std::string Walk(const Term* t, bool folded, std::vector<VelaExpressionNode>& pattern) {
  if (t == nullptr) return "";
  const Term *l = t->GetLeft(), *r = t->GetRight();
  if ((l && l->GetParent() != t) || (r && r->GetParent() != t)) return "an operand does not know its holder";
  const auto number = [](const Term* n) { return n && n->GetType() == VelaExpressionType_NUMBER; };
  if (folded && number(l) && number(r)) return "the full fold left a pair: " + Printed(*t, 0);
  const std::string left = Walk(l, folded, pattern);
  const char* name = t->GetType() == VelaExpressionType_NAME ? t->GetName().str() : nullptr;
  pattern.push_back({t->GetType(), name, std::isnan(t->GetValue()) ? 0.0 : t->GetValue()});
  return left.empty() ? Walk(r, folded, pattern) : left;
}

}  // namespace

std::string Printed(const VelaExpressionTerm& t, unsigned char strict) {
  VelaStream s;
  t.Print(s, strict);
  return static_cast<std::stringstream*>(s.GetStream())->str();
}

std::string Dumped(const VelaExpressionTerm& t, int indent) {
  VelaStream s;
  t.Dump(s, indent);
  return static_cast<std::stringstream*>(s.GetStream())->str();
}

std::string CheckExpression(Choices& c, int depth, int* compared) {
  const std::unique_ptr<Term> t(RandomExpression(c, depth));
  const std::string loose = Printed(*t, 0);
  Term full(*t), half(*t);
  full.SimplifyFullConstant(), half.SimplifyHalfConstant();
  Term both(full), moved(*t), *a = &moved, *below = nullptr;
  both.SimplifyHalfConstant();
  while (a->GetLeft() && c.Chance(50)) a = c.Chance(50) ? a->GetLeft() : a->GetRight();  // operators have both
  for (below = a; below->GetRight() && (below == a || c.Chance(50));) below = below->GetRight();
  const std::size_t move = below == a ? 3 : c.Pick(3);  // a descendant moved up, assigned to its ancestor; a reduction
  if (move == 0) a->SetLeft(below);
  if (move == 1) *a = *below;
  if (move == 2) a->ReduceWithRight();
  bool bad = false;
  double scale = 0.0;
  const double expected = Value(t.get(), bad, scale);
  for (const Term* tree : {t.get(), &full, &half, &both, &moved}) {
    std::vector<VelaExpressionNode> pattern;
    const std::string broken = Walk(tree, tree == &full, pattern);
    if (!broken.empty()) return loose + ": " + broken;
    const Term copy(*tree);
    if (Printed(copy, 1) != Printed(*tree, 1) || Dumped(copy, 0) != Dumped(*tree, 0)) return loose + ": copy";
    int index = 0;
    const int entries = static_cast<int>(pattern.size());
    if (!tree->CheckTerm(pattern.data(), index) || index != entries) return loose + ": its own pattern";
    for (VelaExpressionNode last : {VelaExpressionNode{}, {pattern.back().type, nullptr, std::nan("")}}) {
      pattern.back() = last, index = 0;  // type 0 never matches, nor does a value NaN
      const int matched = tree->CheckTerm(pattern.data(), index) ? -1 : index;
      if (matched + 1 != entries) return loose + ": a mismatch at the last entry";
    }
    if (tree != &moved && !bad && std::fabs(Value(tree, bad, scale) - expected) > 1e-9 * (1.0 + scale))
      return "folding changed " + loose;
  }
  if (compared != nullptr && !bad) ++*compared;
  return "";
}

}  // namespace vela::test
