#include "support/ExpressionModel.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <sstream>

#include "vela/streams/VelaStream.h"

namespace vela::test {
namespace {

const char* const kNames[] = {"x", "y", "z", "w"};
const double kNameValues[] = {1.5, 2, 3, 0.25};

// The values met on the way: not comparable after a division by zero, a
// value that is not finite or an unknown name; `scale` is the largest magnitude.
struct Eval {
  bool bad = false;
  double scale = 0.0;

  double Note(double v) {
    bad = bad || !std::isfinite(v);
    scale = std::max(scale, std::fabs(v));
    return v;
  }
  double Name(const std::string& name) {
    const auto* found = std::find(std::begin(kNames), std::end(kNames), name);
    bad = bad || found == std::end(kNames);
    return Note(found == std::end(kNames) ? 0.0 : kNameValues[found - std::begin(kNames)]);
  }
  double Apply(char op, double a, double b) {
    bad = bad || (op == '/' && b == 0.0);
    return Note(op == '*' ? a * b : op == '+' ? a + b : op == '-' ? a - b : op == '/' ? a / b : std::pow(a, b));
  }
};

double TreeValue(const VelaExpressionTerm* t, Eval& e) {
  if (t->GetType() == VelaExpressionType_NUMBER) return e.Note(t->GetValue());
  if (t->GetType() == VelaExpressionType_NAME) return e.Name(t->GetName().str());
  const double left = TreeValue(t->GetLeft(), e);
  return e.Apply(static_cast<char>(t->GetType()), left, TreeValue(t->GetRight(), e));
}

// Reads printed text back: + - below * / below ^, each associating to the
// left as the printer assumes; NaN when the text is not an expression.
double Read(const std::string& s, std::size_t& at, Eval& e, int level = 0) {
  static const std::string kOperators[] = {"+-", "*/", "^"};
  const auto next = [&] {
    at = std::min(s.find_first_not_of(' ', at), s.size());
    return at < s.size() ? s[at] : '\0';
  };
  if (level < 3) {
    double v = Read(s, at, e, level + 1);
    for (char op = next(); op != '\0' && kOperators[level].find(op) != std::string::npos; op = next()) {
      ++at;
      v = e.Apply(op, v, Read(s, at, e, level + 1));
    }
    return v;
  }
  if (next() == '(') {
    const double v = Read(s, ++at, e);
    return next() == ')' ? (++at, v) : std::nan("");
  }
  if (std::isalpha(static_cast<unsigned char>(next()))) {
    const std::size_t end = std::min(s.find_first_of(" +-*/^()", at), s.size()), begin = at;
    at = end;
    return e.Name(s.substr(begin, end - begin));
  }
  char* end = nullptr;
  const double v = std::strtod(s.c_str() + at, &end);
  const bool none = end == s.c_str() + at;
  at = static_cast<std::size_t>(end - s.c_str());
  return none ? std::nan("") : e.Note(v);
}

bool HasFoldablePair(const VelaExpressionTerm* t) {
  const auto number = [](const VelaExpressionTerm* n) { return n && n->GetType() == VelaExpressionType_NUMBER; };
  return t && ((number(t->GetLeft()) && number(t->GetRight())) || HasFoldablePair(t->GetLeft()) ||
               HasFoldablePair(t->GetRight()));
}

}  // namespace

VelaExpressionTerm* RandomExpression(Choices& c, int depth) {
  static const double kNumbers[] = {0, 1, 2, 3, 4, 0.5, 2.5, 10};
  if (depth == 0 || c.Pick(100) < 25) {
    if (c.Chance(50)) return VelaExpressionTerm::Create(kNumbers[c.Pick(8)]);
    return VelaExpressionTerm::Create(VelaString(kNames[c.Pick(4)]));
  }
  const char op = "*+-/^"[c.Pick(5)];
  VelaExpressionTerm* t = VelaExpressionTerm::Create(static_cast<VelaExpressionType>(op));
  t->SetLeft(RandomExpression(c, depth - 1));
  t->SetRight(RandomExpression(c, op == '^' ? std::min(depth - 1, 1) : depth - 1));
  return t;
}

std::string Printed(const VelaExpressionTerm& t, unsigned char strict) {
  VelaStream s;
  t.Print(s, strict);
  return static_cast<std::stringstream*>(s.GetStream())->str();
}

std::string CheckExpression(const VelaExpressionTerm& t, int* compared) {
  Eval tree;
  const double expected = TreeValue(&t, tree);
  const std::string loose = Printed(t, 0), strict = Printed(t, 1);
  if (std::count(loose.begin(), loose.end(), '(') > std::count(strict.begin(), strict.end(), '(')) {
    return "strict printing drops parentheses: " + loose + " | " + strict;
  }
  VelaExpressionTerm full(t), half(t);
  full.SimplifyFullConstant();
  if (HasFoldablePair(&full)) return "the full fold left a pair: " + Printed(full, 0);
  half.SimplifyHalfConstant();
  VelaExpressionTerm both(full);
  both.SimplifyHalfConstant();
  if (tree.bad) return "";
  const auto close = [&](double got, const Eval& e) {  // equal up to rounding at the scale of the intermediates
    return std::fabs(got - expected) <= 1e-9 * (1.0 + std::max(e.scale, tree.scale));
  };
  for (const std::string& text : {loose, strict}) {
    Eval read;
    std::size_t at = 0;
    const double got = Read(text, at, read);
    if (at != text.size() || !close(got, read)) return text + " does not read back to " + std::to_string(expected);
  }
  for (const VelaExpressionTerm* folded : {&full, &half, &both}) {
    Eval after;
    if (!close(TreeValue(folded, after), after)) return "folding " + loose + " gave " + Printed(*folded, 0);
  }
  if (compared != nullptr) ++*compared;
  return "";
}

}  // namespace vela::test
