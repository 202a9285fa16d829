// Expression terms: arithmetic trees against the model of the expression
// tests, or trees of any node type under random restructuring, whose printed
// and dumped texts a copy reproduces and whose own pattern matches them.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "support/ExpressionModel.h"
#include "vela/streams/VelaStream.h"

namespace {

using vela::fuzz::ByteChoices;
using vela::fuzz::Require;
using Term = VelaExpressionTerm;

// The nodes in pre-order, and the in-order pattern of the tree (0.0 matches any value, NaN included).
void Walk(Term* t, std::vector<Term*>& nodes, std::vector<VelaExpressionNode>& pattern) {
  if (t == nullptr) return;
  nodes.push_back(t);
  Walk(t->GetLeft(), nodes, pattern);
  pattern.push_back({t->GetType(), t->GetName().str(), std::isnan(t->GetValue()) ? 0.0 : t->GetValue()});
  Walk(t->GetRight(), nodes, pattern);
}

Term* AnyNode(ByteChoices& c) {
  static const int kTypes[] = {0, 1, 2, '(', ')', '*', '+', ',', '-', '/', '[', '^'};
  static const double kValues[] = {0.0, -0.0, 1.0, -2.5, 1e300, NAN, INFINITY};
  static const char* const kNames[] = {"", "x", "f", "a b"};
  const std::size_t k = c.Pick(std::size(kTypes) + 1);
  Term* t = Term::Create(static_cast<VelaExpressionType>(k < std::size(kTypes) ? kTypes[k] : c.Pick(256)));
  t->SetValue(c.Chance(20) ? c.RawDouble() : kValues[c.Pick(7)]);
  t->SetName(VelaString(kNames[c.Pick(4)]));
  return t;
}

std::string Dumped(const Term& t) {
  VelaStream s;
  t.Dump(s, 0);
  return static_cast<std::stringstream*>(s.GetStream())->str();
}

void Shapes(ByteChoices& c) {
  std::unique_ptr<Term> root(AnyNode(c));
  for (int step = 0; step < 60 && !c.Exhausted(); ++step) {
    std::vector<Term*> nodes, below;
    std::vector<VelaExpressionNode> pattern;
    Walk(root.get(), nodes, pattern);
    Term* a = nodes[c.Pick(nodes.size())];
    Walk(a, below, pattern);
    Term* descendant = below[c.Pick(below.size())];
    switch (c.Pick(9)) {
      case 0: if (nodes.size() < 200) a->SetLeft(AnyNode(c)); break;
      case 1: if (nodes.size() < 200) a->SetRight(AnyNode(c)); break;
      case 2: if (descendant != a) a->SetLeft(descendant); break;  // moves it up
      case 3: if (descendant != a) a->SetRight(descendant); break;
      case 4: a->ReduceWithLeft(); break;
      case 5: a->ReduceWithRight(); break;
      case 6: root->SimplifyFullConstant(); break;
      case 7: root->SimplifyHalfConstant(); break;
      default: *a = *descendant; break;  // a descendant assigned to its ancestor
    }
    const Term copy(*root);
    for (unsigned char strict : {0, 1}) {
      const std::string text = vela::test::Printed(*root, strict);
      Require(text == vela::test::Printed(*root, strict), "printing twice gives two texts: " + text);
      Require(text == vela::test::Printed(copy, strict), "a copy prints differently: " + text);
    }
    Require(Dumped(*root) == Dumped(copy), "a copy dumps differently");
    nodes.clear(), pattern.clear();
    Walk(root.get(), nodes, pattern);
    int index = 0, expected = 0;
    while (expected < static_cast<int>(pattern.size()) && pattern[expected].type != 0) ++expected;
    const unsigned char all = expected == static_cast<int>(pattern.size());
    Require(root->CheckTerm(pattern.data(), index) == all && index == expected, "the tree's own pattern");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ByteChoices c(data, size);
  if (c.Pick(2) == 0) {
    std::unique_ptr<Term> t(vela::test::RandomExpression(c, 1 + static_cast<int>(c.Pick(7))));
    vela::fuzz::RequireAgreement(vela::test::CheckExpression(*t, nullptr));
  } else {
    Shapes(c);
  }
  return 0;
}
