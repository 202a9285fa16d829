#include "support/ExpressionModel.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <sstream>

#include "vela/streams/VelaStream.h"

namespace vela::test {
namespace {

const double kNumbers[] = {0, 1, 2, 3, 4, 0.5, 2.5, 10};
const char* const kNames[] = {"x", "y", "z", "w"};
const double kNameValues[] = {1.5, 2, 3, 0.25};
const char kOperators[] = {'*', '+', '-', '/', '^'};

double NameValue(const std::string& name, Evaluation& e) {
  for (int i = 0; i < 4; ++i) {
    if (name == kNames[i]) return kNameValues[i];
  }
  e.unknownName = true;
  return 0.0;
}

// Reads printed text back with the usual precedences.
class TextEvaluator {
 public:
  TextEvaluator(const std::string& text, Evaluation& e) : text_(text), e_(e) {}

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
      return Take(")", op) ? v : std::nan("");
    }
    Skip();
    if (pos_ < text_.size() && std::isalpha(static_cast<unsigned char>(text_[pos_]))) {
      std::string name;
      while (pos_ < text_.size() && std::isalnum(static_cast<unsigned char>(text_[pos_]))) name += text_[pos_++];
      return e_.Record(NameValue(name, e_));
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

}  // namespace

VelaExpressionTerm* RandomExpression(Choices& c, int depth) {
  if (depth == 0 || c.Pick(100) < 25) {
    if (c.Pick(100) < 50) return VelaExpressionTerm::Create(kNumbers[c.Pick(8)]);
    return VelaExpressionTerm::Create(VelaString(kNames[c.Pick(4)]));
  }
  const char op = kOperators[c.Pick(5)];
  VelaExpressionTerm* t = VelaExpressionTerm::Create(static_cast<VelaExpressionType>(op));
  t->SetLeft(RandomExpression(c, depth - 1));
  t->SetRight(RandomExpression(c, op == '^' ? std::min(depth - 1, 1) : depth - 1));
  return t;
}

double Evaluation::Record(double v) {
  if (!std::isfinite(v)) {
    notFinite = true;
  } else {
    scale = std::max(scale, std::fabs(v));
  }
  return v;
}

double Evaluation::Apply(char op, double a, double b) {
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

double TreeValue(const VelaExpressionTerm* t, Evaluation& e) {
  switch (t->GetType()) {
    case VelaExpressionType_NUMBER:
      return e.Record(t->GetValue());
    case VelaExpressionType_NAME:
      return e.Record(NameValue(t->GetName().str(), e));
    default:
      return e.Apply(static_cast<char>(t->GetType()), TreeValue(t->GetLeft(), e), TreeValue(t->GetRight(), e));
  }
}

double TextValue(const std::string& text, Evaluation& e) { return TextEvaluator(text, e).Run(); }

std::string Printed(const VelaExpressionTerm& t, unsigned char strict) {
  VelaStream s;
  t.Print(s, strict);
  return static_cast<std::stringstream*>(s.GetStream())->str();
}

bool Close(double a, double b, double scale) { return std::fabs(a - b) <= 1e-9 * (1.0 + scale); }

bool HasFoldablePair(const VelaExpressionTerm* t) {
  if (t == nullptr) return false;
  const bool pair = t->GetLeft() != nullptr && t->GetRight() != nullptr &&
                    t->GetLeft()->GetType() == VelaExpressionType_NUMBER &&
                    t->GetRight()->GetType() == VelaExpressionType_NUMBER;
  return pair || HasFoldablePair(t->GetLeft()) || HasFoldablePair(t->GetRight());
}

std::string CheckPrinting(const VelaExpressionTerm& t, int* compared) {
  Evaluation tree;
  const double expected = TreeValue(&t, tree);
  const std::string loose = Printed(t, 0);
  const std::string strict = Printed(t, 1);
  if (std::count(loose.begin(), loose.end(), '(') > std::count(strict.begin(), strict.end(), '(')) {
    return "strict printing drops parentheses: " + loose + " | " + strict;
  }
  if (!tree.Comparable()) return "";
  for (const std::string& text : {loose, strict}) {
    Evaluation read;
    const double got = TextValue(text, read);
    if (!Close(got, expected, std::max(tree.scale, read.scale))) {
      std::ostringstream out;
      out.precision(17);
      out << text << " reads " << got << ", the tree gives " << expected;
      return out.str();
    }
  }
  if (compared) ++*compared;
  return "";
}

std::string CheckFolding(const VelaExpressionTerm& t, int* compared) {
  Evaluation before;
  const double expected = TreeValue(&t, before);
  if (!before.Comparable()) return "";
  if (compared) ++*compared;
  struct Pass {
    const char* name;
    bool full, half;
  };
  for (const Pass& pass : {Pass{"full", true, false}, Pass{"half", false, true}, Pass{"full then half", true, true}}) {
    VelaExpressionTerm folded(t);
    if (pass.full) folded.SimplifyFullConstant();
    if (pass.half) folded.SimplifyHalfConstant();
    if (pass.full && !pass.half && HasFoldablePair(&folded)) return "the full fold left a pair: " + Printed(t, 0);
    Evaluation after;
    const double got = TreeValue(&folded, after);
    if (!Close(got, expected, std::max(before.scale, after.scale))) {
      std::ostringstream out;
      out.precision(17);
      out << pass.name << " fold of " << Printed(t, 0) << " = " << expected << " became " << Printed(folded, 0)
          << " = " << got;
      return out.str();
    }
  }
  return "";
}

}  // namespace vela::test
