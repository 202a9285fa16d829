// Expression terms: moves, folds, texts byte for byte, the random trees of
// support/ExpressionModel.h and chains too deep for recursion.
#include "vela/external/VelaExpressionTerm.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "support/ExpressionModel.h"

namespace {

using Term = VelaExpressionTerm;
using vela::test::Printed;

// "(op a b)": a term of the operator character's type ('@' for type 0; a letter: a function of that name,
// `a` its arguments), its operands optional; otherwise a number or a name.
Term* Parse(const char*& s) {
  while (*s == ' ') ++s;
  char* end = nullptr;
  const double v = std::strtod(s, &end);
  if (*s != '(' && end != s) return s = end, Term::Create(v);
  std::string name;
  while (std::isalpha(static_cast<unsigned char>(*s))) name += *s++;
  if (!name.empty()) return Term::Create(VelaString(name.c_str()));
  const char op = s[1];
  const auto type = static_cast<VelaExpressionType>(op == '@' ? 0 : op);
  Term* t = std::isalpha(static_cast<unsigned char>(op)) ? Term::Create(VelaString(std::string(1, op).c_str()))
                                                         : Term::Create(type);
  for (s += 2; *s != ')';) {
    if (*s == ' ') ++s;
    else t->GetLeft() ? t->SetRight(Parse(s)) : t->SetLeft(Parse(s));
  }
  return ++s, t;
}

void Full(Term& t) { t.SimplifyFullConstant(); }
void Half(Term& t) { t.SimplifyHalfConstant(); }

// The tree after the operation (none: null), printed loosely (0), strictly (1) or dumped at indent 1 (2).
TEST(VelaExpressionTerm, OperationsAndTexts) {
  const struct { const char* tree; void (*op)(Term&); int text; const char* expected; } rows[] = {
      // A descendant assigned to its ancestor, or moved up; itself (ignored); an operand destroyed through
      // a copy of the pointer (unhooked, the copy nulled); a reduction (adopts the operands).
      {"(* (+ x 2) y)", [](Term& t) { t = *t.GetLeft(); }, 0, "x + 2"},
      {"(* (+ x 2) y)", [](Term& t) { t.SetRight(t.GetLeft()->GetLeft()); }, 0, "( + 2)*x"},
      {"(- a b)", [](Term& t) { t.SetLeft(&t); }, 0, "a - b"},
      {"(- a (* b c))", [](Term& t) { Term* r = t.GetRight(); Term::Destroy(r), Term::Destroy(r); }, 0, "-a"},
      {"(- (+ p q) r)", [](Term& t) { t.ReduceWithLeft(); }, 0, "p + q"},
      {"(* (+ 2 3) x)", Full, 0, "5*x"},
      {"(/ 3 0)", Full, 0, "0"},
      {"(( 2 10)", Full, 0, "0"},
      {"(f (, 1 2))", Full, 0, "f(1, 2)"},
      {"(- x 3)", Half, 0, "-3 + x"},
      {"(/ x 4)", Half, 0, "0.25*x"},
      {"(/ x 0)", Half, 0, "0*x"},
      {"(^ x 0)", Half, 0, "1"},
      {"(^ x 1)", Half, 0, "x"},
      {"(+ x 0)", Half, 0, "x"},
      {"(* x 0)", Half, 0, "0*x"},
      {"(- 0 x)", Half, 0, "-1*x"},
      {"(- a (* 2 x))", Half, 0, "a + -2*x"},
      {"(f (, (/ x 2) (* (^ y 1) 1)))", Half, 0, "f(0.5*x, y)"},
      {"(- a (- b c))", nullptr, 0, "a - (b - c)"},
      {"(- (- a b) c)", nullptr, 0, "a - b - c"},
      {"(- (- a b) c)", nullptr, 1, "(a - b) - c"},
      {"(^ a (^ b c))", nullptr, 0, "a^(b^c)"},
      {"(/ (* a b) c)", nullptr, 1, "(a*b)/c"},
      {"(g (, (, (+ x 1) (h y)) 2.5))", nullptr, 0, "g(x + 1, h(y), 2.5)"},
      {"([ -1 2)", nullptr, 0, "[-1, 2]"},
      {"([ 1)", nullptr, 0, "[]"},
      {"(- (+ a b))", nullptr, 0, "-a + b"},
      {"(+ (- x) y)", nullptr, 1, "(-x) + y"},
      {"(@ a b)", nullptr, 0, ""},
      {"(/ 0.333333333 1e-7)", nullptr, 0, "0.333333/1e-07"},  // the stream's precision
      {"(^ a (f (, x ([ 1 2.5))))", nullptr, 2, " ^\n   a\n   f\n     ,\n       x\n       [1, 2.5]\n"},
      {"(+ (- y) (/ ([) (( hidden too)))", nullptr, 2, " +\n   -\n     y\n   /\n     []\n"},  // another type stops
  };
  for (const auto& row : rows) {
    const char* text = row.tree;
    const std::unique_ptr<Term> t(Parse(text));
    if (row.op != nullptr) row.op(*t);
    EXPECT_EQ(row.text == 2 ? vela::test::Dumped(*t, 1) : Printed(*t, row.text == 1), row.expected) << row.tree;
  }
}

TEST(VelaExpressionTerm, RandomTreesKeepTheirValueAndInvariants) {
  vela::test::SeededChoices choices(20261205);
  int compared = 0;
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(vela::test::CheckExpression(choices, 1 + i % 6, &compared), "") << i;
  EXPECT_GT(compared, 700);
}

// y - 1*(y - 1*(... (y - 1*x))), 200000 levels deep, built bottom-up, copied,
// folded, printed and destroyed without recursion.
TEST(VelaExpressionTerm, DeepChainsNeedNoRecursion) {
  const int kLevels = 200000;
  std::unique_ptr<Term> chain(Term::Create(VelaString("x")));
  std::string text = "y - ";
  for (int i = 0; i < kLevels; ++i) {
    Term *minus = Term::Create(VelaExpressionType_MINUS), *one = Term::Create(VelaExpressionType_MULTIPLY);
    one->SetLeft(Term::Create(1.0)), one->SetRight(chain.release());
    minus->SetLeft(Term::Create(VelaString("y"))), minus->SetRight(one), chain.reset(minus);
    text += i > 0 ? "(y - " : "";
  }
  Term copy(*chain);
  copy.SimplifyFullConstant(), copy.SimplifyHalfConstant();
  EXPECT_TRUE(Printed(copy, 0) == text + "x" + std::string(kLevels - 1, ')'));
}

}  // namespace
