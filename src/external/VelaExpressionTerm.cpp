// Expression terms: ownership, folding, printing, dumping and matching.
#include "vela/external/VelaExpressionTerm.h"

#include <cmath>
#include <initializer_list>
#include <new>
#include <utility>

#include "vela/streams/VelaStream.h"

namespace {

bool IsNumber(const VelaExpressionTerm* t) {
  return t != nullptr && t->GetType() == VelaExpressionType_NUMBER;
}

bool IsNumber(const VelaExpressionTerm* t, double v) { return IsNumber(t) && t->GetValue() == v; }

// A deep copy of t, or null (t null, or memory exhausted).
VelaExpressionTerm* CopyOf(const VelaExpressionTerm* t) {
  return t == nullptr ? nullptr : new (std::nothrow) VelaExpressionTerm(*t);
}

// The operator classes that strict printing keeps apart.
int ClassOf(int type) {
  switch (type) {
    case '*':
    case '/':
      return 3;
    case '+':
    case '-':
      return 1;
    case '^':
      return 5;
    default:
      return 0;
  }
}

bool IsArithmetic(int type) {
  return type == '*' || type == '+' || type == '-' || type == '/' || type == '^';
}

}  // namespace

// ---- Construction and ownership ----------------------------------------------

VelaExpressionTerm::VelaExpressionTerm()
    : type_(VelaExpressionType_EMPTY), left_(nullptr), right_(nullptr), value_(0.0) {}

VelaExpressionTerm::VelaExpressionTerm(VelaExpressionType t)
    : type_(t), left_(nullptr), right_(nullptr), value_(0.0) {}

VelaExpressionTerm::VelaExpressionTerm(double v)
    : type_(VelaExpressionType_NUMBER), left_(nullptr), right_(nullptr), value_(v) {}

VelaExpressionTerm::VelaExpressionTerm(const VelaString& s)
    : type_(VelaExpressionType_NAME), left_(nullptr), right_(nullptr), name_(s), value_(0.0) {}

VelaExpressionTerm::VelaExpressionTerm(const VelaExpressionTerm& other)
    : type_(other.type_),
      left_(CopyOf(other.left_)),
      right_(CopyOf(other.right_)),
      name_(other.name_),
      value_(other.value_) {}

VelaExpressionTerm& VelaExpressionTerm::operator=(const VelaExpressionTerm& other) {
  if (this == &other) return *this;
  // Copy first: `other` may live inside the operands about to be destroyed.
  VelaExpressionTerm* left = CopyOf(other.left_);
  VelaExpressionTerm* right = CopyOf(other.right_);
  VelaString name = other.name_;
  const VelaExpressionType type = other.type_;
  const double value = other.value_;
  delete left_;
  delete right_;
  type_ = type;
  left_ = left;
  right_ = right;
  name_ = name;
  value_ = value;
  return *this;
}

VelaExpressionTerm::~VelaExpressionTerm() {
  delete left_;
  delete right_;
}

VelaExpressionTerm* VelaExpressionTerm::Create() { return new (std::nothrow) VelaExpressionTerm(); }

VelaExpressionTerm* VelaExpressionTerm::Create(VelaExpressionType t) {
  return new (std::nothrow) VelaExpressionTerm(t);
}

VelaExpressionTerm* VelaExpressionTerm::Create(double v) {
  return new (std::nothrow) VelaExpressionTerm(v);
}

VelaExpressionTerm* VelaExpressionTerm::Create(const VelaString& s) {
  return new (std::nothrow) VelaExpressionTerm(s);
}

void VelaExpressionTerm::Destroy(VelaExpressionTerm*& t) {
  delete t;
  t = nullptr;
}

bool VelaExpressionTerm::Unhook(const VelaExpressionTerm* t) {
  for (VelaExpressionTerm** slot : {&left_, &right_}) {
    if (*slot == nullptr) continue;
    if (*slot == t) {
      *slot = nullptr;
      return true;
    }
    if ((*slot)->Unhook(t)) return true;
  }
  return false;
}

void VelaExpressionTerm::Adopt(VelaExpressionTerm*& slot, VelaExpressionTerm* t) {
  if (t == slot || t == this) return;
  // A term already in this subtree would otherwise be owned twice, or be
  // destroyed with the operand it replaces.
  if (t != nullptr) Unhook(t);
  delete slot;
  slot = t;
}

void VelaExpressionTerm::SetLeft(VelaExpressionTerm* t) { Adopt(left_, t); }

void VelaExpressionTerm::SetRight(VelaExpressionTerm* t) { Adopt(right_, t); }

// ---- Restructuring -------------------------------------------------------------

void VelaExpressionTerm::ReduceTo(VelaExpressionTerm*& keep, VelaExpressionTerm*& drop) {
  VelaExpressionTerm* node = keep;
  if (node == nullptr) return;
  delete drop;
  drop = nullptr;
  type_ = node->type_;
  value_ = node->value_;
  name_ = node->name_;
  left_ = node->left_;
  right_ = node->right_;
  node->left_ = nullptr;
  node->right_ = nullptr;
  delete node;
}

void VelaExpressionTerm::ReduceWithLeft() { ReduceTo(left_, right_); }

void VelaExpressionTerm::ReduceWithRight() { ReduceTo(right_, left_); }

void VelaExpressionTerm::SimplifyFullConstant() {
  if (type_ == VelaExpressionType_NUMBER || type_ == VelaExpressionType_INTERVAL) return;
  if (left_ == nullptr && right_ == nullptr) return;
  if (left_ != nullptr) left_->SimplifyFullConstant();
  if (right_ != nullptr) right_->SimplifyFullConstant();
  if (type_ == VelaExpressionType_NAME || type_ == VelaExpressionType_COMMA) return;
  if (!IsNumber(left_) || !IsNumber(right_)) return;
  const double a = left_->value_;
  const double b = right_->value_;
  double result = 0.0;
  switch (type_) {
    case '*':
      result = a * b;
      break;
    case '+':
      result = a + b;
      break;
    case '-':
      result = a - b;
      break;
    case '/':
      result = b == 0.0 ? 0.0 : a / b;
      break;
    case '^':
      result = std::pow(a, b);
      break;
    default:
      break;
  }
  Destroy(left_);
  Destroy(right_);
  type_ = VelaExpressionType_NUMBER;
  value_ = result;
}

void VelaExpressionTerm::SimplifyHalfConstant() {
  if (left_ != nullptr) left_->SimplifyHalfConstant();
  if (right_ != nullptr) right_->SimplifyHalfConstant();
  if (left_ == nullptr || right_ == nullptr) return;

  if (type_ == '-' && IsNumber(right_)) {
    type_ = VelaExpressionType_PLUS;
    right_->value_ = -right_->value_;
  }
  if (type_ == '-' && IsNumber(left_, 0.0)) {
    type_ = VelaExpressionType_MULTIPLY;
    left_->value_ = -1.0;
  }
  if (type_ == '-' && (right_->type_ == '*' || right_->type_ == '/') && IsNumber(right_->left_)) {
    type_ = VelaExpressionType_PLUS;
    right_->left_->value_ = -right_->left_->value_;
  }
  if (type_ == '/' && IsNumber(right_)) {
    type_ = VelaExpressionType_MULTIPLY;
    right_->value_ = right_->value_ == 0.0 ? 0.0 : 1.0 / right_->value_;
  }
  if ((type_ == '*' || type_ == '+') && IsNumber(right_)) std::swap(left_, right_);
  if (type_ == '+' && IsNumber(left_, 0.0)) ReduceWithRight();
  if (type_ == '*' && IsNumber(left_, 1.0)) ReduceWithRight();
  if (type_ == '^' && IsNumber(right_, 1.0)) {
    ReduceWithLeft();
    return;
  }
  if (type_ == '^' && IsNumber(right_, 0.0)) {
    ReduceWithRight();
    value_ = 1.0;
  }
}

// ---- Printing ------------------------------------------------------------------

int VelaExpressionTerm::GetPriority(unsigned char isLeft) const {
  switch (type_) {
    case '*':
      return 3;
    case '+':
      return 1;
    case '-':
      return isLeft ? 1 : 2;
    case '/':
      return isLeft ? 3 : 4;
    case '^':
      return 5;
    default:
      return 0;
  }
}

bool VelaExpressionTerm::IsNeedParenthesis(const VelaExpressionTerm* parent,
                                           const VelaExpressionTerm* child, unsigned char isLeft,
                                           unsigned char strict) {
  if (parent == nullptr || child == nullptr) return false;
  if (!IsArithmetic(parent->type_) || child->GetPriority(isLeft) < 1) return false;
  bool need;
  if (!isLeft && (parent->type_ == '-' || parent->type_ == '/' || parent->type_ == '^')) {
    need = parent->GetPriority(0) >= child->GetPriority(0);
  } else {
    need = parent->GetPriority(isLeft) > child->GetPriority(isLeft);
  }
  if (need || !strict) return need;
  return ClassOf(parent->type_) == ClassOf(child->type_);
}

void VelaExpressionTerm::Print(VelaStream& s, unsigned char strict) const {
  switch (type_) {
    case VelaExpressionType_NUMBER:
      s << value_;
      return;
    case VelaExpressionType_NAME:
      s << name_;
      if (left_ != nullptr) {
        s << "(";
        left_->Print(s, strict);
        s << ")";
      }
      return;
    case VelaExpressionType_INTERVAL:
      if (left_ == nullptr || right_ == nullptr) {
        s << "[]";
        return;
      }
      s << "[";
      left_->Print(s, strict);
      s << ", ";
      right_->Print(s, strict);
      s << "]";
      return;
    case '(':
    case ')':
    case '*':
    case '+':
    case ',':
    case '-':
    case '/':
    case '^':
      break;
    default:
      return;
  }
  const char op = static_cast<char>(type_);
  if ((op == '+' || op == '-') && right_ == nullptr) {
    s << op;
    if (left_ != nullptr) left_->Print(s, strict);
    return;
  }
  if (left_ != nullptr) {
    const bool bracket = IsNeedParenthesis(this, left_, 1, strict);
    if (bracket) s << "(";
    left_->Print(s, strict);
    if (bracket) s << ")";
  }
  if (op == '+' || op == '-') {
    s << ' ' << op << ' ';
  } else if (op == ',') {
    s << ", ";
  } else {
    s << op;
  }
  if (right_ != nullptr) {
    const bool bracket = IsNeedParenthesis(this, right_, 0, strict);
    if (bracket) s << "(";
    right_->Print(s, strict);
    if (bracket) s << ")";
  }
}

void VelaExpressionTerm::Dump(VelaStream& s, int indent) const {
  switch (type_) {
    case VelaExpressionType_NUMBER:
      s << velsetw(indent) << value_ << velendl;
      return;
    case VelaExpressionType_NAME:
      s << velsetw(indent) << name_ << velendl;
      if (left_ != nullptr) left_->Dump(s, indent + 2);
      return;
    case VelaExpressionType_INTERVAL:
      s << velsetw(indent);
      if (left_ == nullptr || right_ == nullptr) {
        s << "[]" << velendl;
        return;
      }
      s << "[";
      left_->Print(s, 0);
      s << ", ";
      right_->Print(s, 0);
      s << "]" << velendl;
      return;
    case '*':
    case '+':
    case ',':
    case '-':
    case '/':
    case '^':
      s << velsetw(indent) << static_cast<char>(type_) << velendl;
      if (left_ != nullptr) left_->Dump(s, indent + 2);
      if (right_ != nullptr) right_->Dump(s, indent + 2);
      return;
    default:
      return;
  }
}

// ---- Matching ------------------------------------------------------------------

unsigned char VelaExpressionTerm::CheckTerm(const VelaExpressionNode* pattern, int& index) const {
  if (pattern == nullptr) return 0;
  if (left_ != nullptr && !left_->CheckTerm(pattern, index)) return 0;
  const VelaExpressionNode& entry = pattern[index];
  if (entry.type == VelaExpressionType_EMPTY || entry.type != type_) return 0;
  if (entry.name != nullptr && name_ != entry.name) return 0;
  if (entry.value != 0.0 && entry.value != value_) return 0;
  ++index;
  if (right_ != nullptr && !right_->CheckTerm(pattern, index)) return 0;
  return 1;
}
