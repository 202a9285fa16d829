// Expression terms on thousands of random trees (fixed seed): the printed
// text, read back by a small evaluator, has the tree's value, and neither
// folding pass changes the value beyond rounding.
#include "vela/external/VelaExpressionTerm.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <random>
#include <sstream>
#include <string>

#include "vela/streams/VelaStream.h"

namespace {

using Tree = std::unique_ptr<VelaExpressionTerm>;

// Leaves print exactly at the stream's default precision, so the text
// carries the tree's own numbers.
const double kNumbers[] = {0, 1, 2, 3, 4, 0.5, 2.5, 10};
const char* const kNames[] = {"x", "y", "z", "w"};
const double kNameValues[] = {1.5, 2, 3, 0.25};
const char kOperators[] = {'*', '+', '-', '/', '^'};

double NameValue(const std::string& name) {
  for (int i = 0; i < 4; ++i) {
    if (name == kNames[i]) return kNameValues[i];
  }
  ADD_FAILURE() << "unknown name " << name;
  return 0.0;
}

VelaExpressionTerm* RandomTree(std::mt19937& rng, int depth) {
  std::uniform_int_distribution<int> pick(0, 99);
  if (depth == 0 || pick(rng) < 25) {
    if (pick(rng) < 50) return VelaExpressionTerm::Create(kNumbers[pick(rng) % 8]);
    return VelaExpressionTerm::Create(VelaString(kNames[pick(rng) % 4]));
  }
  const char op = kOperators[pick(rng) % 5];
  VelaExpressionTerm* t = VelaExpressionTerm::Create(static_cast<VelaExpressionType>(op));
  t->SetLeft(RandomTree(rng, depth - 1));
  // Keep exponents small so that most powers stay finite.
  t->SetRight(RandomTree(rng, op == '^' ? std::min(depth - 1, 1) : depth - 1));
  return t;
}

// What an evaluation met: a division by zero, a value that is not finite,
// and the largest magnitude of any intermediate (the scale of rounding).
struct Evaluation {
  bool divisionByZero = false;
  bool notFinite = false;
  double scale = 0.0;

  double Record(double v) {
    if (!std::isfinite(v)) notFinite = true;
    else scale = std::max(scale, std::fabs(v));
    return v;
  }
  double Apply(char op, double a, double b) {
    switch (op) {
      case '*':
        return Record(a * b);
      case '+':
        return Record(a + b);
      case '-':
        return Record(a - b);
      case '/':
        if (b == 0.0) divisionByZero = true;
        return Record(a / b);
      default:
        return Record(std::pow(a, b));
    }
  }
};

double TreeValue(const VelaExpressionTerm* t, Evaluation& e) {
  switch (t->GetType()) {
    case VelaExpressionType_NUMBER:
      return e.Record(t->GetValue());
    case VelaExpressionType_NAME:
      return e.Record(NameValue(t->GetName().str()));
    default:
      return e.Apply(static_cast<char>(t->GetType()), TreeValue(t->GetLeft(), e),
                     TreeValue(t->GetRight(), e));
  }
}

// Reads the printed text back with the usual precedences (+ - below * /
// below ^), every operator associating to the left, as the printer assumes.
class TextEvaluator {
 public:
  TextEvaluator(const std::string& text, Evaluation& e) : text_(text), e_(e) {}

  // The value, or NaN when the text is not a complete expression.
  double Run() {
    const double v = Sum();
    Skip();
    return pos_ == text_.size() ? v : std::nan("");
  }

 private:
  void Skip() {
    while (pos_ < text_.size() && text_[pos_] == ' ') ++pos_;
  }
  bool Take(const char* ops, char& op) {
    Skip();
    if (pos_ < text_.size() && std::string(ops).find(text_[pos_]) != std::string::npos) {
      op = text_[pos_++];
      return true;
    }
    return false;
  }
  double Sum() {
    double v = Product();
    for (char op; Take("+-", op);) v = e_.Apply(op, v, Product());
    return v;
  }
  double Product() {
    double v = Power();
    for (char op; Take("*/", op);) v = e_.Apply(op, v, Power());
    return v;
  }
  double Power() {
    double v = Primary();
    for (char op; Take("^", op);) v = e_.Apply(op, v, Primary());
    return v;
  }
  double Primary() {
    char op;
    if (Take("-", op)) return e_.Record(-Primary());
    if (Take("(", op)) {
      const double v = Sum();
      if (!Take(")", op)) return std::nan("");
      return v;
    }
    Skip();
    if (pos_ < text_.size() && std::isalpha(static_cast<unsigned char>(text_[pos_]))) {
      std::string name;
      while (pos_ < text_.size() && std::isalnum(static_cast<unsigned char>(text_[pos_])))
        name += text_[pos_++];
      return e_.Record(NameValue(name));
    }
    const char* begin = text_.c_str() + pos_;
    char* end = nullptr;
    const double v = std::strtod(begin, &end);
    if (end == begin) return std::nan("");
    pos_ += static_cast<std::size_t>(end - begin);
    return e_.Record(v);
  }

  const std::string& text_;
  Evaluation& e_;
  std::size_t pos_ = 0;
};

std::string Printed(const VelaExpressionTerm& t, unsigned char strict) {
  VelaStream s;
  t.Print(s, strict);
  return static_cast<std::stringstream*>(s.GetStream())->str();
}

bool Close(double a, double b, double scale) {
  return std::fabs(a - b) <= 1e-9 * (1.0 + scale);
}

// True when some operator below t still has two number operands.
bool HasFoldablePair(const VelaExpressionTerm* t) {
  if (t == nullptr) return false;
  const bool pair = t->GetLeft() != nullptr && t->GetRight() != nullptr &&
                    t->GetLeft()->GetType() == VelaExpressionType_NUMBER &&
                    t->GetRight()->GetType() == VelaExpressionType_NUMBER;
  return pair || HasFoldablePair(t->GetLeft()) || HasFoldablePair(t->GetRight());
}

TEST(VelaExpressionTermRandom, MinimalParenthesesKeepTheMeaning) {
  std::mt19937 rng(20261205);
  int compared = 0;
  const int kTrees = 5000;
  for (int i = 0; i < kTrees; ++i) {
    Tree t(RandomTree(rng, 1 + i % 6));
    Evaluation tree;
    const double expected = TreeValue(t.get(), tree);
    const std::string loose = Printed(*t, 0);
    const std::string strict = Printed(*t, 1);
    // Strict printing only ever adds parentheses.
    EXPECT_LE(std::count(loose.begin(), loose.end(), '('),
              std::count(strict.begin(), strict.end(), '('))
        << loose << " | " << strict;
    if (tree.divisionByZero || tree.notFinite) continue;
    for (const std::string& text : {loose, strict}) {
      Evaluation read;
      const double got = TextEvaluator(text, read).Run();
      ASSERT_TRUE(Close(got, expected, std::max(tree.scale, read.scale)))
          << "tree " << i << ": " << text << " reads " << got << ", tree gives " << expected;
    }
    ++compared;
  }
  EXPECT_GT(compared, kTrees / 2);
}

TEST(VelaExpressionTermRandom, FoldingKeepsTheValue) {
  std::mt19937 rng(777);
  int compared = 0;
  const int kTrees = 5000;
  for (int i = 0; i < kTrees; ++i) {
    Tree t(RandomTree(rng, 1 + i % 6));
    Evaluation before;
    const double expected = TreeValue(t.get(), before);
    if (before.divisionByZero || before.notFinite) continue;
    ++compared;
    struct Pass {
      const char* name;
      bool full, half;
    };
    for (const Pass& pass : {Pass{"full", true, false}, Pass{"half", false, true},
                             Pass{"full then half", true, true}}) {
      VelaExpressionTerm folded(*t);
      if (pass.full) folded.SimplifyFullConstant();
      if (pass.half) folded.SimplifyHalfConstant();
      if (pass.full && !pass.half) {
        EXPECT_FALSE(HasFoldablePair(&folded)) << Printed(*t, 0);
      }
      Evaluation after;
      const double got = TreeValue(&folded, after);
      ASSERT_TRUE(Close(got, expected, std::max(before.scale, after.scale)))
          << pass.name << " on tree " << i << ": " << Printed(*t, 0) << " = " << expected
          << " became " << Printed(folded, 0) << " = " << got;
    }
  }
  EXPECT_GT(compared, kTrees / 2);
}

}  // namespace
