// Expression terms: construction and ownership, both folding passes, the
// parenthesis rule, printed and dumped texts, pattern matching, random trees
// against an independent evaluation, and chains too deep for recursion.
#include "vela/external/VelaExpressionTerm.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "support/ExpressionModel.h"
#include "vela/streams/VelaStream.h"

namespace {

using Tree = std::unique_ptr<VelaExpressionTerm>;
using vela::test::Printed;

// "(op a b)": a term of the operator character's type ('@' for type 0; a
// letter makes a function of that name with `a` as its arguments) with its
// operands, the second optional; otherwise a number or a name.
VelaExpressionTerm* Parse(const char*& s) {
  while (*s == ' ') ++s;
  if (*s != '(') {
    char* end = nullptr;
    const double v = std::strtod(s, &end);
    if (end != s) return s = end, VelaExpressionTerm::Create(v);
    std::string name;
    while (std::isalpha(static_cast<unsigned char>(*s))) name += *s++;
    return VelaExpressionTerm::Create(VelaString(name.c_str()));
  }
  const char op = s[1];
  s += 2;
  VelaExpressionTerm* t = std::isalpha(static_cast<unsigned char>(op))
                              ? VelaExpressionTerm::Create(VelaString(std::string(1, op).c_str()))
                              : VelaExpressionTerm::Create(static_cast<VelaExpressionType>(op == '@' ? 0 : op));
  for (bool left : {true, false}) {
    while (*s == ' ') ++s;
    if (*s != ')') left ? t->SetLeft(Parse(s)) : t->SetRight(Parse(s));
  }
  return ++s, t;
}
Tree T(const char* text) { return Tree(Parse(text)); }

std::string Dumped(const VelaExpressionTerm& t, int indent) {
  VelaStream s;
  t.Dump(s, indent);
  return static_cast<std::stringstream*>(s.GetStream())->str();
}

TEST(VelaExpressionTerm, ConstructionAndOwnership) {
  VelaExpressionTerm* t = VelaExpressionTerm::Create();
  EXPECT_TRUE(t->GetType() == 0 && !t->GetLeft() && !t->GetRight() && t->GetName().isEmpty() && t->GetValue() == 0);
  VelaExpressionTerm::Destroy(t);
  VelaExpressionTerm::Destroy(t);  // null: nothing
  EXPECT_EQ(Tree(VelaExpressionTerm::Create(0))->GetType(), VelaExpressionType_NUMBER);  // 0 is a number
  EXPECT_EQ(VelaExpressionTerm(VelaExpressionType_POWER).GetType(), '^');
  Tree a = T("(* (+ x 2) y)");
  VelaExpressionTerm copy(*a);  // deep: changing the copy leaves the original
  copy.GetLeft()->GetLeft()->SetName(VelaString("z"));
  *a = *a->GetLeft();  // from a descendant: the source goes with the old operands
  EXPECT_EQ(Printed(copy, 0) + " " + Printed(*a, 0), "(z + 2)*y x + 2");
  EXPECT_TRUE(copy.GetParent() == nullptr && copy.GetLeft()->GetParent() == &copy);
  EXPECT_TRUE(a->GetLeft()->GetParent() == a.get() && a->GetRight()->GetParent() == a.get());
  Tree other = T("(+ p (- q r))");
  a->SetLeft(other->GetRight());  // moves out of the other tree
  EXPECT_EQ(Printed(*a, 0) + " | " + Printed(*other, 0), "q - r + 2 | +p");
  a->SetRight(a->GetLeft()->GetLeft());  // and up within this one
  EXPECT_EQ(Printed(*a, 0), " - r + q");
  VelaExpressionTerm* q = a->GetRight();
  VelaExpressionTerm::Destroy(q);  // through a copy of the pointer: unhooked
  a->SetLeft(a.get());  // itself: ignored
  EXPECT_EQ(Printed(*a, 0), "+ - r");
  *other->GetLeft() = *a;  // keeps its place
  EXPECT_EQ(Printed(*other, 0), "++ - r");
  other->ReduceWithLeft();  // adopts the operands, frees the former left
  EXPECT_TRUE(other->GetLeft()->GetParent() == other.get());
  EXPECT_TRUE(other->GetLeft()->GetRight()->GetParent() == other->GetLeft());
  other->ReduceWithRight();  // no right operand: nothing
  other->ReduceWithLeft();
  EXPECT_EQ(Printed(*other, 0) + std::to_string(other->GetRight()->GetParent() == other.get()), " - r1");
}

// F: SimplifyFullConstant, H: SimplifyHalfConstant.
TEST(VelaExpressionTerm, FoldingPasses) {
  const struct {
    const char* tree;
    char pass;
    const char* folded;
  } rows[] = {
      {"(* (+ 2 3) x)", 'F', "5*x"}, {"(+ (* x y) z)", 'F', "x*y + z"}, {"(* 3 4)", 'F', "12"}, {"(- 3 4)", 'F', "-1"},
      {"(/ 3 4)", 'F', "0.75"}, {"(/ 3 0)", 'F', "0"}, {"(^ 2 10)", 'F', "1024"}, {"(( 2 10)", 'F', "0"},
      {"(^ (- 10 (/ 9 3)) (+ 1 1))", 'F', "49"}, {"(f (, 1 2))", 'F', "f(1, 2)"}, {"([ 1 2)", 'F', "[1, 2]"},
      {"(- (* 2 3))", 'F', "-6"}, {"(- x 3)", 'H', "-3 + x"}, {"(/ x 4)", 'H', "0.25*x"}, {"(/ x 0)", 'H', "0*x"},
      {"(^ x 0)", 'H', "1"}, {"(^ x 1)", 'H', "x"}, {"(+ 0 x)", 'H', "x"}, {"(+ x 0)", 'H', "x"}, {"(* 1 x)", 'H', "x"},
      {"(* x 1)", 'H', "x"}, {"(* x 0)", 'H', "0*x"}, {"(- 0 x)", 'H', "-1*x"}, {"(- a (* 2 x))", 'H', "a + -2*x"},
      {"(- a (/ 2 x))", 'H', "a + -2/x"}, {"(+ a 2)", 'H', "2 + a"}, {"(- a b)", 'H', "a - b"},
      {"(* (+ x 0) (^ y 1))", 'H', "x*y"}, {"(^ x (* 1 0))", 'H', "x^(0*1)"}, {"(f (, (/ x 2) y))", 'H', "f(0.5*x, y)"},
  };
  for (const auto& row : rows) {
    Tree t = T(row.tree);
    row.pass == 'F' ? t->SimplifyFullConstant() : t->SimplifyHalfConstant();
    EXPECT_EQ(Printed(*t, 0), row.folded) << row.tree;
  }
  Tree power = T("(^ x 0)");
  power->SimplifyHalfConstant();
  EXPECT_TRUE(power->GetType() == VelaExpressionType_NUMBER && power->GetValue() == 1.0 && !power->GetLeft());
}

TEST(VelaExpressionTerm, PrintUsesMinimalParentheses) {
  const struct {
    const char *tree, *loose, *strict;
  } rows[] = {
      {"(- a (- b c))", "a - (b - c)", "a - (b - c)"}, {"(- (- a b) c)", "a - b - c", "(a - b) - c"},
      {"(- a (+ b c))", "a - (b + c)", "a - (b + c)"}, {"(/ a (* b c))", "a/(b*c)", "a/(b*c)"},
      {"(^ a (^ b c))", "a^(b^c)", "a^(b^c)"}, {"(^ (^ a b) c)", "a^b^c", "(a^b)^c"},
      {"(/ (* a b) c)", "a*b/c", "(a*b)/c"}, {"(- (+ a b) c)", "a + b - c", "(a + b) - c"},
      {"(* (+ a b) (- c d))", "(a + b)*(c - d)", "(a + b)*(c - d)"}, {"(+ a (* b (^ c 2)))", "a + b*c^2", "a + b*c^2"},
      {"(^ (- a 1) (/ 1 3))", "(a - 1)^(1/3)", "(a - 1)^(1/3)"},
      {"(g (, (, (+ x 1) (h y)) 2.5))", "g(x + 1, h(y), 2.5)", "g(x + 1, h(y), 2.5)"},
      {"([ -1 2)", "[-1, 2]", "[-1, 2]"}, {"([ 1)", "[]", "[]"},
      {"(- (+ a b))", "-a + b", "-a + b"},  // a sign is glued to its operand
      {"(* 2 (- x))", "2*(-x)", "2*(-x)"}, {"(+ (- x) y)", "-x + y", "(-x) + y"},
      {"(( a b)", "a(b", "a(b"}, {"() (+ a b) c)", "a + b)c", "a + b)c"}, {"(@ a b)", "", ""}, {"(% a b)", "", ""},
      {"(/ 0.333333333 1e-7)", "0.333333/1e-07", "0.333333/1e-07"},  // the stream's precision
      {"(, (+ a b) (f (- c)))", "a + b, f(-c)", "a + b, f(-c)"}, {"(* ([ 1 2) (^ x y))", "[1, 2]*x^y", "[1, 2]*x^y"},
  };
  for (const auto& row : rows) {
    const Tree t = T(row.tree);
    EXPECT_EQ(Printed(*t, 0) + " | " + Printed(*t, 1), std::string(row.loose) + " | " + row.strict) << row.tree;
  }
  EXPECT_FALSE(VelaExpressionTerm::IsNeedParenthesis(nullptr, T("a").get(), 1, 1) ||
               VelaExpressionTerm::IsNeedParenthesis(T("(- a b)").get(), nullptr, 1, 1));
}

TEST(VelaExpressionTerm, DumpWritesOneNodePerIndentedLine) {
  EXPECT_EQ(Dumped(*T("(* (- a (^ b 2)) (f (, x ([ 1 2.5))))"), 0),
            "*\n  -\n    a\n    ^\n      b\n      2\n  f\n    ,\n      x\n      [1, 2.5]\n");
  // Signs, empty intervals, and a branch of another type that stops the walk.
  EXPECT_EQ(Dumped(*T("(+ (- y) (/ ([) (( hidden too)))"), 3), "   +\n     -\n       y\n     /\n       []\n");
  EXPECT_EQ(Dumped(VelaExpressionTerm(), 2), "");
}

TEST(VelaExpressionTerm, CheckTermMatchesInOrder) {
  using N = VelaExpressionNode;
  const N x{VelaExpressionType_NAME, "x", 0.0}, plus{VelaExpressionType_PLUS, nullptr, 0.0}, stop{};
  const N exact[] = {x, plus, {VelaExpressionType_NUMBER, nullptr, 1.0}};
  const N wrongName[] = {{VelaExpressionType_NAME, "y", 0.0}};
  const N any[] = {{VelaExpressionType_NAME, nullptr, 0.0}, plus, {VelaExpressionType_NUMBER, nullptr, 0.0}};
  const N wrongValue[] = {x, plus, {VelaExpressionType_NUMBER, nullptr, 2.0}}, stopped[] = {x, stop};
  const N wrongType[] = {x, {VelaExpressionType_MINUS, nullptr, 0.0}};
  const N function[] = {stop, {VelaExpressionType_NAME, "a", 0.0}, {VelaExpressionType_COMMA, nullptr, 0.0},
                        {VelaExpressionType_NAME, "b", 0.0}, {VelaExpressionType_NAME, "f", 0.0}};
  const Tree t = T("(+ x 1)"), f = T("(f (, a b))");
  std::string results;
  const N* const patterns[] = {exact, any, wrongValue, wrongName, wrongType, stopped, nullptr, function};
  for (const N* pattern : patterns) {
    int index = pattern == function ? 1 : 0;  // a function's arguments come before its name
    results += std::to_string((pattern == function ? *f : *t).CheckTerm(pattern, index));
    results += std::to_string(index) + " ";
  }
  int index = 0;  // type 0 never matches, not even an empty term
  EXPECT_EQ(results + std::to_string(VelaExpressionTerm().CheckTerm(&stop, index)), "13 13 02 00 01 01 00 15 0");
}

TEST(VelaExpressionTerm, RandomTreesPrintAndFoldToTheirValue) {
  vela::test::SeededChoices choices(20261205);
  int compared = 0;
  for (int i = 0; i < 3000; ++i) {
    const Tree t(vela::test::RandomExpression(choices, 1 + i % 6));
    ASSERT_EQ(vela::test::CheckExpression(*t, &compared), "") << "tree " << i;
  }
  EXPECT_GT(compared, 1500);
}

// Every operation works without recursion: y - 1*(y - 1*(... (y - 1*x))),
// 200000 levels deep, built bottom-up, copied, folded, printed, matched,
// dumped and destroyed.
TEST(VelaExpressionTerm, DeepChainsNeedNoRecursion) {
  const int kLevels = 200000;
  const VelaString y("y");
  Tree chain(VelaExpressionTerm::Create(VelaString("x")));
  std::vector<VelaExpressionNode> pattern;
  std::string text = "y - ";
  for (int i = 0; i < kLevels; ++i) {
    VelaExpressionTerm *minus = VelaExpressionTerm::Create(VelaExpressionType_MINUS), *one = T("(* 1)").release();
    one->SetRight(chain.release()), minus->SetLeft(VelaExpressionTerm::Create(y)), minus->SetRight(one);
    chain.reset(minus);
    pattern.insert(pattern.end(), {{VelaExpressionType_NAME, "y", 0.0}, {VelaExpressionType_MINUS, nullptr, 0.0}});
    text += i > 0 ? "(y - " : "";
  }
  pattern.push_back({VelaExpressionType_NAME, "x", 0.0});
  VelaExpressionTerm copy(*chain);
  copy.SimplifyFullConstant(), copy.SimplifyHalfConstant();
  EXPECT_TRUE(Printed(copy, 0) == text + "x" + std::string(kLevels - 1, ')'));
  int index = 0;
  EXPECT_EQ(copy.CheckTerm(pattern.data(), index), 1);
  EXPECT_EQ(index, 2 * kLevels + 1);
  VelaStream none(static_cast<std::ostream*>(nullptr));
  chain->Dump(none, 0);
}

}  // namespace
