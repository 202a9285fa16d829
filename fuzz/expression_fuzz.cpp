// Expression terms built, restructured, folded, printed and re-evaluated.
// The first byte chooses the kind of tree:
// - arithmetic trees of the expression tests: the printed text reads back
//   to the tree's value, and folding keeps the value;
// - long left-leaning chains of the same vocabulary (deep trees);
// - trees of any node type (separators, intervals, functions, unknown
//   types) under random restructuring: printing and dumping are
//   deterministic and a copy prints and dumps as its original, and the
//   pattern read off a tree matches it node for node.
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
using vela::fuzz::RequireAgreement;
using Tree = std::unique_ptr<VelaExpressionTerm>;

constexpr int kShapeSteps = 60;
constexpr std::size_t kMaxNodes = 200;

void Arithmetic(ByteChoices& c) {
  Tree t(vela::test::RandomExpression(c, 1 + static_cast<int>(c.Pick(7))));
  RequireAgreement(vela::test::CheckPrinting(*t, nullptr));
  RequireAgreement(vela::test::CheckFolding(*t, nullptr));
}

// ((a op b) op c) op ... over up to 2000 operators.
void Chain(ByteChoices& c) {
  vela::test::SeededChoices leaves(c.Bits());
  Tree t(vela::test::RandomExpression(leaves, 0));
  const char ops[] = {'*', '+', '-', '/'};
  for (std::size_t n = c.Pick(2001); n > 0; --n) {
    auto* parent = VelaExpressionTerm::Create(static_cast<VelaExpressionType>(ops[leaves.Pick(4)]));
    parent->SetLeft(t.release());
    parent->SetRight(vela::test::RandomExpression(leaves, 0));
    t.reset(parent);
  }
  RequireAgreement(vela::test::CheckFolding(*t, nullptr));
  const VelaExpressionTerm copy(*t);
  Require(vela::test::Printed(copy, 0) == vela::test::Printed(*t, 0), "a copied chain prints differently");
}

// ---- Trees of any node type ---------------------------------------------------

std::string Dumped(const VelaExpressionTerm& t) {
  VelaStream s;
  t.Dump(s, 0);
  return static_cast<std::stringstream*>(s.GetStream())->str();
}

// The nodes in pre-order, through an explicit stack.
std::vector<VelaExpressionTerm*> Nodes(VelaExpressionTerm* root) {
  std::vector<VelaExpressionTerm*> nodes, todo{root};
  while (!todo.empty()) {
    VelaExpressionTerm* t = todo.back();
    todo.pop_back();
    nodes.push_back(t);
    if (t->GetRight()) todo.push_back(t->GetRight());
    if (t->GetLeft()) todo.push_back(t->GetLeft());
  }
  return nodes;
}

// The in-order pattern of the tree itself: entry k describes node k.
void InOrder(const VelaExpressionTerm* t, std::vector<VelaExpressionNode>& pattern) {
  if (t == nullptr) return;
  InOrder(t->GetLeft(), pattern);
  const double v = t->GetValue();
  // 0.0 matches any value: NaN, which equals nothing, is described by it.
  pattern.push_back({t->GetType(), t->GetName().str(), std::isnan(v) ? 0.0 : v});
  InOrder(t->GetRight(), pattern);
}

VelaExpressionType AnyType(ByteChoices& c) {
  static const int kTypes[] = {0, 1, 2, '(', ')', '*', '+', ',', '-', '/', '[', '^'};
  const std::size_t k = c.Pick(sizeof kTypes / sizeof kTypes[0] + 1);
  return static_cast<VelaExpressionType>(k < sizeof kTypes / sizeof kTypes[0] ? kTypes[k] : c.Pick(256));
}

VelaExpressionTerm* AnyNode(ByteChoices& c) {
  static const double kValues[] = {0.0, -0.0, 1.0, -2.5, 1e300, NAN, INFINITY};
  static const char* const kNames[] = {"", "x", "f", "a b"};
  VelaExpressionTerm* t = VelaExpressionTerm::Create(AnyType(c));
  t->SetValue(c.Chance(20) ? c.RawDouble() : kValues[c.Pick(7)]);
  t->SetName(VelaString(kNames[c.Pick(4)]));
  return t;
}

void Restructure(ByteChoices& c, Tree& root) {
  const std::vector<VelaExpressionTerm*> nodes = Nodes(root.get());
  VelaExpressionTerm* a = nodes[c.Pick(nodes.size())];
  const std::vector<VelaExpressionTerm*> below = Nodes(a);
  VelaExpressionTerm* descendant = below[c.Pick(below.size())];
  const bool grow = nodes.size() < kMaxNodes;
  switch (c.Pick(9)) {
    case 0: if (grow) a->SetLeft(AnyNode(c)); break;
    case 1: if (grow) a->SetRight(AnyNode(c)); break;
    case 2: if (descendant != a) a->SetLeft(descendant); break;  // moves it up
    case 3: if (descendant != a) a->SetRight(descendant); break;
    case 4: a->ReduceWithLeft(); break;
    case 5: a->ReduceWithRight(); break;
    case 6: root->SimplifyFullConstant(); break;
    case 7: root->SimplifyHalfConstant(); break;
    default: *a = *descendant; break;  // a descendant assigned to its ancestor
  }
}

void CheckShape(const VelaExpressionTerm& t) {
  const VelaExpressionTerm copy(t);
  for (unsigned char strict : {0, 1}) {
    const std::string text = vela::test::Printed(t, strict);
    Require(text == vela::test::Printed(t, strict), "printing twice gives two texts");
    Require(text == vela::test::Printed(copy, strict), "a copy prints differently: " + text);
  }
  Require(Dumped(t) == Dumped(copy), "a copy dumps differently");
  std::vector<VelaExpressionNode> pattern;
  InOrder(&t, pattern);
  int expectedIndex = 0;
  while (expectedIndex < static_cast<int>(pattern.size()) && pattern[expectedIndex].type != 0) ++expectedIndex;
  int index = 0;
  const unsigned char matched = t.CheckTerm(pattern.data(), index);
  Require(matched == (expectedIndex == static_cast<int>(pattern.size()) ? 1 : 0) && index == expectedIndex,
          "the tree's own pattern: CheckTerm gave " + std::to_string(matched) + " at index " +
              std::to_string(index) + ", expected index " + std::to_string(expectedIndex));
}

void Shapes(ByteChoices& c) {
  Tree root(AnyNode(c));
  for (int step = 0; step < kShapeSteps && !c.Exhausted(); ++step) {
    Restructure(c, root);
    CheckShape(*root);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ByteChoices c(data, size);
  switch (c.Pick(3)) {
    case 0: Arithmetic(c); break;
    case 1: Chain(c); break;
    default: Shapes(c); break;
  }
  return 0;
}
