// Expression terms: construction and ownership, both folding passes, the
// parenthesis rule, printed and dumped texts, and pattern matching.
#include "vela/external/VelaExpressionTerm.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "vela/streams/VelaStream.h"

namespace {

using Tree = std::unique_ptr<VelaExpressionTerm>;

VelaExpressionTerm* Num(double v) { return VelaExpressionTerm::Create(v); }
VelaExpressionTerm* Var(const char* name) { return VelaExpressionTerm::Create(VelaString(name)); }
// A binary operator, or a unary sign when r is null.
VelaExpressionTerm* Op(int op, VelaExpressionTerm* l, VelaExpressionTerm* r) {
  VelaExpressionTerm* t = VelaExpressionTerm::Create(static_cast<VelaExpressionType>(op));
  t->SetLeft(l);
  t->SetRight(r);
  return t;
}
VelaExpressionTerm* Fn(const char* name, VelaExpressionTerm* args) {
  VelaExpressionTerm* t = Var(name);
  t->SetLeft(args);
  return t;
}

std::string Printed(const VelaExpressionTerm& t, unsigned char strict = 0) {
  VelaStream s;
  t.Print(s, strict);
  return static_cast<std::stringstream*>(s.GetStream())->str();
}

std::string Dumped(const VelaExpressionTerm& t, int indent = 0) {
  VelaStream s;
  t.Dump(s, indent);
  return static_cast<std::stringstream*>(s.GetStream())->str();
}

TEST(VelaExpressionTerm, ConstructorsAndCreateSetTheFields) {
  const VelaExpressionTerm empty;
  EXPECT_EQ(empty.GetType(), VelaExpressionType_EMPTY);
  EXPECT_EQ(empty.GetLeft(), nullptr);
  EXPECT_EQ(empty.GetRight(), nullptr);
  EXPECT_EQ(empty.GetName(), "");
  EXPECT_EQ(empty.GetValue(), 0.0);
  EXPECT_EQ(VelaExpressionTerm(VelaExpressionType_POWER).GetType(), '^');
  const VelaExpressionTerm number(2.5);
  EXPECT_EQ(number.GetType(), VelaExpressionType_NUMBER);
  EXPECT_EQ(number.GetValue(), 2.5);
  const VelaExpressionTerm name(VelaString("x"));
  EXPECT_EQ(name.GetType(), VelaExpressionType_NAME);
  EXPECT_EQ(name.GetName(), "x");

  VelaExpressionTerm* t = VelaExpressionTerm::Create();
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->GetType(), VelaExpressionType_EMPTY);
  VelaExpressionTerm::Destroy(t);
  EXPECT_EQ(t, nullptr);
  VelaExpressionTerm::Destroy(t);  // null: nothing
  // An integer literal makes a number, never a type or a name.
  t = VelaExpressionTerm::Create(0);
  EXPECT_EQ(t->GetType(), VelaExpressionType_NUMBER);
  VelaExpressionTerm::Destroy(t);
  t = Op('+', Var("x"), Num(1));
  EXPECT_EQ(Printed(*t), "x + 1");
  VelaExpressionTerm::Destroy(t);
  EXPECT_EQ(t, nullptr);
}

TEST(VelaExpressionTerm, CopiesAreDeepAndAssignmentFromADescendantIsSafe) {
  Tree a(Op('*', Op('+', Var("x"), Num(2)), Var("y")));
  VelaExpressionTerm copy(*a);
  EXPECT_NE(copy.GetLeft(), a->GetLeft());
  EXPECT_EQ(Printed(copy), "(x + 2)*y");
  copy.GetLeft()->GetLeft()->SetName(VelaString("z"));
  EXPECT_EQ(Printed(*a), "(x + 2)*y");
  EXPECT_EQ(Printed(copy), "(z + 2)*y");

  *a = *a->GetLeft();  // the source goes with the old operands
  EXPECT_EQ(Printed(*a), "x + 2");
  *a = *a;
  EXPECT_EQ(Printed(*a), "x + 2");
  copy = *a;
  EXPECT_EQ(Printed(copy), "x + 2");
  EXPECT_NE(copy.GetLeft(), a->GetLeft());
}

TEST(VelaExpressionTerm, SettingAnOperandDestroysTheOldOneAndUnhooksTheNew) {
  Tree t(Op('-', Var("a"), Op('*', Var("b"), Var("c"))));
  t->SetLeft(Num(4));
  EXPECT_EQ(Printed(*t), "4 - b*c");
  t->SetLeft(t->GetLeft());  // the same operand: kept
  EXPECT_EQ(Printed(*t), "4 - b*c");
  // An operand taken from the tree's own subtree moves.
  t->SetLeft(t->GetRight()->GetRight());
  EXPECT_EQ(Printed(*t), "c - b*");
  t->SetRight(t->GetLeft());
  EXPECT_EQ(t->GetLeft(), nullptr);
  EXPECT_EQ(Printed(*t), " - c");  // no left: a binary '-' with its right only
  t->SetRight(nullptr);
  t->SetLeft(t.get());  // itself: ignored
  EXPECT_EQ(Printed(*t), "-");
  t->SetValue(3);
  t->SetType(VelaExpressionType_NUMBER);
  EXPECT_EQ(Printed(*t), "3");
}

TEST(VelaExpressionTerm, ParentLinksFollowMovesAndDestruction) {
  Tree t(Op('*', Var("a"), Var("b")));
  Tree other(Op('+', Var("p"), Op('-', Var("q"), Var("r"))));
  EXPECT_EQ(t->GetParent(), nullptr);
  EXPECT_EQ(t->GetLeft()->GetParent(), t.get());
  // An operand of another tree moves out of it.
  t->SetLeft(other->GetRight());
  EXPECT_EQ(Printed(*t), "(q - r)*b");
  EXPECT_EQ(Printed(*other), "+p");  // now a sign
  EXPECT_EQ(t->GetLeft()->GetParent(), t.get());
  // Destroying an operand through a copy of its pointer unhooks it.
  VelaExpressionTerm* b = t->GetRight();
  VelaExpressionTerm::Destroy(b);
  EXPECT_EQ(t->GetRight(), nullptr);
  // A copy is a root; assignment keeps the target's place; a reduced term
  // adopts its operand's operands.
  const VelaExpressionTerm copy(*t->GetLeft());
  EXPECT_EQ(copy.GetParent(), nullptr);
  EXPECT_EQ(copy.GetLeft()->GetParent(), &copy);
  *other->GetLeft() = copy;
  EXPECT_EQ(other->GetLeft()->GetParent(), other.get());
  EXPECT_EQ(other->GetLeft()->GetRight()->GetParent(), other->GetLeft());
  other->ReduceWithLeft();
  EXPECT_EQ(Printed(*other), "q - r");
  EXPECT_EQ(other->GetLeft()->GetParent(), other.get());
  EXPECT_EQ(other->GetRight()->GetParent(), other.get());
}

TEST(VelaExpressionTerm, ReduceWithLeftAndRightAdoptTheOperandsSubtree) {
  Tree t(Op('+', Op('*', Var("a"), Var("b")), Op('/', Var("c"), Var("d"))));
  t->ReduceWithLeft();
  EXPECT_EQ(t->GetType(), '*');
  EXPECT_EQ(Printed(*t), "a*b");
  t->ReduceWithRight();
  EXPECT_EQ(t->GetType(), VelaExpressionType_NAME);
  EXPECT_EQ(t->GetName(), "b");
  EXPECT_EQ(t->GetLeft(), nullptr);
  t->ReduceWithRight();  // no operand: unchanged
  EXPECT_EQ(Printed(*t), "b");

  Tree f(Op('-', Fn("f", Op(',', Var("x"), Num(7))), Num(1)));
  f->ReduceWithLeft();
  EXPECT_EQ(Printed(*f), "f(x, 7)");
}

TEST(VelaExpressionTerm, FullConstantFoldingWorksBottomUp) {
  Tree t(Op('*', Op('+', Num(2), Num(3)), Var("x")));
  t->SimplifyFullConstant();
  EXPECT_EQ(Printed(*t), "5*x");
  EXPECT_EQ(t->GetLeft()->GetType(), VelaExpressionType_NUMBER);

  Tree names(Op('+', Op('*', Var("x"), Var("y")), Var("z")));
  const std::string before = Dumped(*names);
  names->SimplifyFullConstant();
  EXPECT_EQ(Dumped(*names), before);

  struct Row {
    int op;
    double a, b, result;
  };
  for (const Row& r : std::vector<Row>{{'*', 3, 4, 12},
                                       {'+', 3, 4, 7},
                                       {'-', 3, 4, -1},
                                       {'/', 3, 4, 0.75},
                                       {'/', 3, 0, 0},  // division by 0 folds to 0.0
                                       {'^', 2, 10, 1024},
                                       {'(', 2, 10, 0}}) {
    Tree n(Op(r.op, Num(r.a), Num(r.b)));
    n->SimplifyFullConstant();
    EXPECT_EQ(n->GetType(), VelaExpressionType_NUMBER) << static_cast<char>(r.op);
    EXPECT_EQ(n->GetValue(), r.result) << static_cast<char>(r.op);
    EXPECT_EQ(n->GetLeft(), nullptr);
    EXPECT_EQ(n->GetRight(), nullptr);
  }
  // Whole chains fold; names, separators, intervals and signs are kept.
  Tree deep(Op('^', Op('-', Num(10), Op('/', Num(9), Num(3))), Op('+', Num(1), Num(1))));
  deep->SimplifyFullConstant();
  EXPECT_EQ(Printed(*deep), "49");
  Tree kept(Fn("f", Op(',', Num(1), Num(2))));
  kept->SimplifyFullConstant();
  EXPECT_EQ(Printed(*kept), "f(1, 2)");
  Tree interval(Op('[', Num(1), Num(2)));
  interval->SimplifyFullConstant();
  EXPECT_EQ(Printed(*interval), "[1, 2]");
  Tree sign(Op('-', Op('*', Num(2), Num(3)), nullptr));
  sign->SimplifyFullConstant();
  EXPECT_EQ(Printed(*sign), "-6");
}

TEST(VelaExpressionTerm, HalfConstantRewritesEachListedForm) {
  struct Row {
    VelaExpressionTerm* tree;
    const char* text;
  };
  for (const Row& r : std::vector<Row>{
           {Op('-', Var("x"), Num(3)), "-3 + x"},
           {Op('/', Var("x"), Num(4)), "0.25*x"},
           {Op('/', Var("x"), Num(0)), "0*x"},  // division by 0: the factor is 0.0
           {Op('^', Var("x"), Num(0)), "1"},
           {Op('^', Var("x"), Num(1)), "x"},
           {Op('+', Num(0), Var("x")), "x"},
           {Op('+', Var("x"), Num(0)), "x"},
           {Op('*', Num(1), Var("x")), "x"},
           {Op('*', Var("x"), Num(1)), "x"},
           {Op('*', Var("x"), Num(0)), "0*x"},  // not folded
           {Op('-', Num(0), Var("x")), "-1*x"},
           {Op('-', Var("a"), Op('*', Num(2), Var("x"))), "a + -2*x"},
           {Op('-', Var("a"), Op('/', Num(2), Var("x"))), "a + -2/x"},
           {Op('+', Var("a"), Num(2)), "2 + a"},
           {Op('-', Var("a"), Var("b")), "a - b"},
           // Bottom-up: the operands are rewritten before their parent.
           {Op('*', Op('+', Var("x"), Num(0)), Op('^', Var("y"), Num(1))), "x*y"},
           // Two numbers are not folded here: 1*0 only turns round.
           {Op('^', Var("x"), Op('*', Num(1), Num(0))), "x^(0*1)"},
           {Fn("f", Op(',', Op('/', Var("x"), Num(2)), Var("y"))), "f(0.5*x, y)"},
       }) {
    Tree t(r.tree);
    const std::string before = Printed(*t);
    t->SimplifyHalfConstant();
    EXPECT_EQ(Printed(*t), r.text) << before;
  }
  Tree power(Op('^', Var("x"), Num(0)));
  power->SimplifyHalfConstant();
  EXPECT_EQ(power->GetType(), VelaExpressionType_NUMBER);
  EXPECT_EQ(power->GetValue(), 1.0);
  EXPECT_EQ(power->GetLeft(), nullptr);
}

TEST(VelaExpressionTerm, PrioritiesAndTheParenthesisRule) {
  const char ops[] = {'*', '+', '-', '/', '^', ',', '[', 0};
  const int fromLeft[] = {3, 1, 1, 3, 5, 0, 0, 0};
  const int fromRight[] = {3, 1, 2, 4, 5, 0, 0, 0};
  for (int i = 0; i < 8; ++i) {
    const VelaExpressionTerm t(static_cast<VelaExpressionType>(ops[i]));
    EXPECT_EQ(t.GetPriority(1), fromLeft[i]) << ops[i];
    EXPECT_EQ(t.GetPriority(0), fromRight[i]) << ops[i];
  }
  EXPECT_EQ(VelaExpressionTerm(1.0).GetPriority(1), 0);

  // parent, child, side -> non-strict, strict.
  struct Row {
    char parent, child;
    unsigned char isLeft;
    bool loose, strict;
  };
  for (const Row& r : std::vector<Row>{
           {'-', '+', 0, true, true},   {'-', '-', 0, true, true},   {'/', '*', 0, true, true},
           {'^', '^', 0, true, true},   {'/', '/', 0, true, true},   {'-', '*', 0, false, false},
           {'*', '/', 0, false, true},  {'+', '-', 0, false, true},  {'/', '*', 1, false, true},
           {'-', '+', 1, false, true},  {'^', '^', 1, false, true},  {'*', '+', 1, true, true},
           {'^', '*', 1, true, true},   {'*', '^', 0, false, false}, {'+', '*', 1, false, false},
           {',', '+', 1, false, false}, {'*', ',', 1, false, false}, {'[', '+', 1, false, false},
       }) {
    const VelaExpressionTerm parent(static_cast<VelaExpressionType>(r.parent));
    const VelaExpressionTerm child(static_cast<VelaExpressionType>(r.child));
    EXPECT_EQ(VelaExpressionTerm::IsNeedParenthesis(&parent, &child, r.isLeft, 0), r.loose)
        << r.parent << r.child << int(r.isLeft);
    EXPECT_EQ(VelaExpressionTerm::IsNeedParenthesis(&parent, &child, r.isLeft, 1), r.strict)
        << r.parent << r.child << int(r.isLeft);
  }
  const VelaExpressionTerm minus(VelaExpressionType_MINUS);
  EXPECT_FALSE(VelaExpressionTerm::IsNeedParenthesis(nullptr, &minus, 1, 1));
  EXPECT_FALSE(VelaExpressionTerm::IsNeedParenthesis(&minus, nullptr, 1, 1));
}

TEST(VelaExpressionTerm, PrintUsesMinimalParentheses) {
  struct Row {
    VelaExpressionTerm* tree;
    const char* loose;
    const char* strict;
  };
  for (const Row& r : std::vector<Row>{
           {Op('-', Var("a"), Op('-', Var("b"), Var("c"))), "a - (b - c)", "a - (b - c)"},
           {Op('-', Op('-', Var("a"), Var("b")), Var("c")), "a - b - c", "(a - b) - c"},
           {Op('-', Var("a"), Op('+', Var("b"), Var("c"))), "a - (b + c)", "a - (b + c)"},
           {Op('/', Var("a"), Op('*', Var("b"), Var("c"))), "a/(b*c)", "a/(b*c)"},
           {Op('^', Var("a"), Op('^', Var("b"), Var("c"))), "a^(b^c)", "a^(b^c)"},
           {Op('^', Op('^', Var("a"), Var("b")), Var("c")), "a^b^c", "(a^b)^c"},
           {Op('/', Op('*', Var("a"), Var("b")), Var("c")), "a*b/c", "(a*b)/c"},
           {Op('-', Op('+', Var("a"), Var("b")), Var("c")), "a + b - c", "(a + b) - c"},
           {Op('*', Op('+', Var("a"), Var("b")), Op('-', Var("c"), Var("d"))), "(a + b)*(c - d)",
            "(a + b)*(c - d)"},
           {Op('+', Var("a"), Op('*', Var("b"), Op('^', Var("c"), Num(2)))), "a + b*c^2",
            "a + b*c^2"},
           {Op('^', Op('-', Var("a"), Num(1)), Op('/', Num(1), Num(3))), "(a - 1)^(1/3)",
            "(a - 1)^(1/3)"},
           {Fn("f", Op(',', Var("x"), Var("y"))), "f(x, y)", "f(x, y)"},
           {Fn("g", Op(',', Op(',', Op('+', Var("x"), Num(1)), Fn("h", Var("y"))), Num(2.5))),
            "g(x + 1, h(y), 2.5)", "g(x + 1, h(y), 2.5)"},
           {Op('[', Num(-1), Num(2)), "[-1, 2]", "[-1, 2]"},
           {Op('[', Num(1), nullptr), "[]", "[]"},
           // A sign is glued to its operand, which is never bracketed.
           {Op('-', Op('+', Var("a"), Var("b")), nullptr), "-a + b", "-a + b"},
           // As an operand, a sign is bracketed by its parent's rule.
           {Op('*', Num(2), Op('-', Var("x"), nullptr)), "2*(-x)", "2*(-x)"},
           {Op('+', Op('-', Var("x"), nullptr), Var("y")), "-x + y", "(-x) + y"},
           {Op('(', Var("a"), Var("b")), "a(b", "a(b"},
           {Op(')', Op('+', Var("a"), Var("b")), Var("c")), "a + b)c", "a + b)c"},
           {Op(0, Var("a"), Var("b")), "", ""},
           {Op('%', Var("a"), Var("b")), "", ""},
       }) {
    Tree t(r.tree);
    EXPECT_EQ(Printed(*t, 0), r.loose);
    EXPECT_EQ(Printed(*t, 1), r.strict);
  }
  // Numbers go through the stream's double insertion and its precision.
  Tree third(Op('/', Num(1.0 / 3.0), Num(1e-7)));
  EXPECT_EQ(Printed(*third), "0.333333/1e-07");
}

TEST(VelaExpressionTerm, DumpWritesOneNodePerIndentedLine) {
  Tree t(Op('*', Op('-', Var("a"), Op('^', Var("b"), Num(2))),
            Fn("f", Op(',', Var("x"), Op('[', Num(1), Num(2.5))))));
  EXPECT_EQ(Dumped(*t, 0),
            "*\n"
            "  -\n"
            "    a\n"
            "    ^\n"
            "      b\n"
            "      2\n"
            "  f\n"
            "    ,\n"
            "      x\n"
            "      [1, 2.5]\n");
  // Signs, empty intervals, and a branch of another type that stops the walk.
  Tree u(Op('+', Op('-', Var("y"), nullptr), Op('/', Op('[', nullptr, nullptr),
                                                 Op('(', Var("hidden"), Var("too")))));
  EXPECT_EQ(Dumped(*u, 3),
            "   +\n"
            "     -\n"
            "       y\n"
            "     /\n"
            "       []\n");
  EXPECT_EQ(Dumped(VelaExpressionTerm(), 2), "");
}

TEST(VelaExpressionTerm, CheckTermMatchesInOrder) {
  Tree t(Op('+', Var("x"), Num(1)));
  const VelaExpressionNode pattern[] = {{VelaExpressionType_NAME, "x", 0.0},
                                        {VelaExpressionType_PLUS, nullptr, 0.0},
                                        {VelaExpressionType_NUMBER, nullptr, 1.0}};
  int index = 0;
  EXPECT_EQ(t->CheckTerm(pattern, index), 1);
  EXPECT_EQ(index, 3);

  // Wildcards: any name, any value.
  const VelaExpressionNode any[] = {{VelaExpressionType_NAME, nullptr, 0.0},
                                    {VelaExpressionType_PLUS, nullptr, 0.0},
                                    {VelaExpressionType_NUMBER, nullptr, 0.0}};
  index = 0;
  EXPECT_EQ(t->CheckTerm(any, index), 1);
  EXPECT_EQ(index, 3);

  // Mismatches: a name, a value, a type, and the terminating entry of type 0.
  const VelaExpressionNode wrongName[] = {{VelaExpressionType_NAME, "y", 0.0}};
  const VelaExpressionNode wrongValue[] = {{VelaExpressionType_NAME, "x", 0.0},
                                           {VelaExpressionType_PLUS, nullptr, 0.0},
                                           {VelaExpressionType_NUMBER, nullptr, 2.0}};
  const VelaExpressionNode wrongType[] = {{VelaExpressionType_NAME, "x", 0.0},
                                          {VelaExpressionType_MINUS, nullptr, 0.0}};
  const VelaExpressionNode shortPattern[] = {{VelaExpressionType_NAME, "x", 0.0},
                                             {VelaExpressionType_EMPTY, nullptr, 0.0}};
  struct Row {
    const VelaExpressionNode* pattern;
    int index;
  };
  for (const Row& r : std::vector<Row>{{wrongName, 0}, {wrongValue, 2}, {wrongType, 1},
                                       {shortPattern, 1}, {nullptr, 0}}) {
    index = 0;
    EXPECT_EQ(t->CheckTerm(r.pattern, index), 0);
    EXPECT_EQ(index, r.index);
  }
  // An empty term never matches, even an entry of its own type 0.
  const VelaExpressionNode empty[] = {{VelaExpressionType_EMPTY, nullptr, 0.0}};
  index = 0;
  EXPECT_EQ(VelaExpressionTerm().CheckTerm(empty, index), 0);

  // A function's argument list comes before the name; the index starts where
  // the caller says.
  Tree f(Fn("f", Op(',', Var("a"), Var("b"))));
  const VelaExpressionNode fp[] = {{VelaExpressionType_EMPTY, nullptr, 0.0},
                                   {VelaExpressionType_NAME, "a", 0.0},
                                   {VelaExpressionType_COMMA, nullptr, 0.0},
                                   {VelaExpressionType_NAME, "b", 0.0},
                                   {VelaExpressionType_NAME, "f", 0.0}};
  index = 1;
  EXPECT_EQ(f->CheckTerm(fp, index), 1);
  EXPECT_EQ(index, 5);
}


// Where two long texts first differ (npos when equal), so that a failure
// does not print megabytes.
std::size_t FirstDifference(const std::string& a, const std::string& b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    if (a[i] != b[i]) return i;
  }
  return a.size() == b.size() ? std::string::npos : n;
}

// Chains a million levels deep, left-deep built bottom-up and right-deep
// built top-down: every operation works without recursion, and building
// costs O(1) per operand set. Few numbers are printed and the names share
// their text, since printing a double and allocating are what cost most
// under a memory checker.
TEST(VelaExpressionTerm, MillionLevelChainsAreBuiltFoldedPrintedCopiedAndDestroyed) {
  const int kLevels = 1000000;
  const std::size_t kSame = std::string::npos;
  const VelaString y("y");  // shared by every y term: one block, not a million

  // ((x - y) - y) - ...: nothing to fold.
  Tree left(Var("x"));
  for (int i = 0; i < kLevels; ++i) left.reset(Op('-', left.release(), VelaExpressionTerm::Create(y)));
  left->SimplifyFullConstant();
  left->SimplifyHalfConstant();
  std::string xMinusYs = "x";
  for (int i = 0; i < kLevels; ++i) xMinusYs += " - y";
  EXPECT_EQ(FirstDifference(Printed(*left), xMinusYs), kSame);
  const VelaExpressionTerm leftCopy(*left);
  left.reset();
  std::vector<VelaExpressionNode> pattern{{VelaExpressionType_NAME, "x", 0.0}};
  for (int i = 0; i < kLevels; ++i) {
    pattern.push_back({VelaExpressionType_MINUS, nullptr, 0.0});
    pattern.push_back({VelaExpressionType_NAME, "y", 0.0});
  }
  int index = 0;
  EXPECT_EQ(leftCopy.CheckTerm(pattern.data(), index), 1);
  EXPECT_EQ(index, 2 * kLevels + 1);
  VelaStream none(static_cast<std::ostream*>(nullptr));
  leftCopy.Dump(none, 0);

  // y - (2 - 1)*(y - (2 - 1)*(... (y - (2 - 1)*x))): the full pass folds
  // every 2 - 1, the half pass then drops every 1*, leaving
  // y - (y - (... (y - x))).
  const int kSteps = kLevels / 2;
  Tree right(Op('-', VelaExpressionTerm::Create(y), nullptr));
  VelaExpressionTerm* bottom = right.get();
  for (int i = 0; i < kSteps; ++i) {
    bottom->SetRight(Op('*', Op('-', Num(2), Num(1)), nullptr));
    bottom = bottom->GetRight();
    if (i + 1 < kSteps) {
      bottom->SetRight(Op('-', VelaExpressionTerm::Create(y), nullptr));
      bottom = bottom->GetRight();
    }
  }
  bottom->SetRight(Var("x"));
  VelaExpressionTerm rightCopy(*right);
  std::string nested = "y - ";
  for (int i = 1; i < kSteps; ++i) nested += "(y - ";
  nested += "x" + std::string(kSteps - 1, ')');
  for (VelaExpressionTerm* chain : {right.get(), &rightCopy}) {
    chain->SimplifyFullConstant();
    chain->SimplifyHalfConstant();
    EXPECT_EQ(FirstDifference(Printed(*chain), nested), kSame);
  }
}

}  // namespace
