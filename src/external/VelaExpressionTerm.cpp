// Expression terms: ownership, folding, printing, dumping and matching.
//
// Trees come from the client and may be arbitrarily deep, so nothing here
// recurses over the tree. Every walk is the one depth-first traversal in
// Walk(), which climbs back up through the parent links instead of keeping
// a stack; destruction chains the terms still to free through those same
// links. Neither needs memory beyond the terms themselves.
#include "vela/external/VelaExpressionTerm.h"

#include <climits>
#include <cmath>
#include <new>
#include <utility>

#include "vela/streams/VelaStream.h"

namespace {

using Term = VelaExpressionTerm;

bool IsNumber(const Term* t) { return t != nullptr && t->GetType() == VelaExpressionType_NUMBER; }

bool IsNumber(const Term* t, double v) { return IsNumber(t) && t->GetValue() == v; }

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

// The types that Print writes as an operator character.
bool IsPrintedOperator(int type) { return type == '(' || type == ')' || type == ',' || IsArithmetic(type); }

// The types that Dump writes as an operator character.
bool IsDumpedOperator(int type) { return type == ',' || IsArithmetic(type); }

// '+' or '-' without a right operand: a sign glued to its operand.
bool IsSign(const Term* t) {
  return (t->GetType() == '+' || t->GetType() == '-') && t->GetRight() == nullptr;
}

bool IsFullInterval(const Term* t) {
  return t->GetType() == VelaExpressionType_INTERVAL && t->GetLeft() != nullptr &&
         t->GetRight() != nullptr;
}

// Depth-first walk of root's subtree in constant space. At each term n the
// visitor is told Enter(n); then, when the left operand exists and
// Enters(n, true), that subtree is walked; then Between(n), which stops the
// whole walk by returning false; then the right operand's subtree under the
// same condition; then Leave(n). Enters(n, ...) must give the same answer
// from Enter(n) to Leave(n), and Leave(n) may change n's contents and
// operands but not n's place under its parent. Returns false when Between
// stopped the walk.
template <class Node, class Visitor>
bool Walk(Node* root, Visitor& visitor) {
  enum class Step { kEnter, kBetween, kLeave };
  Node* n = root;
  Step step = Step::kEnter;
  for (;;) {
    if (step == Step::kEnter) {
      visitor.Enter(n);
      if (n->GetLeft() != nullptr && visitor.Enters(n, true)) {
        n = n->GetLeft();
        continue;
      }
      step = Step::kBetween;
    }
    if (step == Step::kBetween) {
      if (!visitor.Between(n)) return false;
      if (n->GetRight() != nullptr && visitor.Enters(n, false)) {
        n = n->GetRight();
        step = Step::kEnter;
        continue;
      }
    }
    visitor.Leave(n);
    if (n == root) return true;
    Node* child = n;
    n = n->GetParent();
    step = child == n->GetLeft() ? Step::kBetween : Step::kLeave;
  }
}

// Writes a subtree as infix text: each term's opening text on the way down,
// its operator between its operands, its closing text on the way up, and
// the parentheses its parent asks for around it.
class Printer {
 public:
  Printer(VelaStream& s, unsigned char strict, const Term* root)
      : s_(s), strict_(strict), root_(root) {}

  bool Enters(const Term* n, bool left) const {
    const int type = n->GetType();
    if (type == VelaExpressionType_NAME) return left;
    if (type == VelaExpressionType_INTERVAL) return IsFullInterval(n);
    return IsPrintedOperator(type);
  }

  void Enter(const Term* n) {
    if (Bracketed(n)) s_ << "(";
    const int type = n->GetType();
    if (type == VelaExpressionType_NUMBER) {
      s_ << n->GetValue();
    } else if (type == VelaExpressionType_NAME) {
      s_ << n->GetName();
      if (n->GetLeft() != nullptr) s_ << "(";
    } else if (type == VelaExpressionType_INTERVAL) {
      s_ << (IsFullInterval(n) ? "[" : "[]");
    } else if (IsPrintedOperator(type) && IsSign(n)) {
      s_ << static_cast<char>(type);
    }
  }

  bool Between(const Term* n) {
    const int type = n->GetType();
    if (IsFullInterval(n)) {
      s_ << ", ";
    } else if (IsPrintedOperator(type) && !IsSign(n)) {
      const char op = static_cast<char>(type);
      if (op == '+' || op == '-') {
        s_ << ' ' << op << ' ';
      } else if (op == ',') {
        s_ << ", ";
      } else {
        s_ << op;
      }
    }
    return true;
  }

  void Leave(const Term* n) {
    if (n->GetType() == VelaExpressionType_NAME && n->GetLeft() != nullptr) s_ << ")";
    if (IsFullInterval(n)) s_ << "]";
    if (Bracketed(n)) s_ << ")";
  }

 private:
  // Operands of binary operators only: a sign's operand is never bracketed,
  // and IsNeedParenthesis refuses every other parent.
  bool Bracketed(const Term* n) const {
    if (n == root_) return false;
    const Term* parent = n->GetParent();
    return !IsSign(parent) &&
           Term::IsNeedParenthesis(parent, n, n == parent->GetLeft() ? 1 : 0, strict_);
  }

  VelaStream& s_;
  const unsigned char strict_;
  const Term* const root_;
};

// Writes one line per term, indented by the term's depth below the root.
class Dumper {
 public:
  Dumper(VelaStream& s, int indent) : s_(s), indent_(indent) {}

  bool Enters(const Term* n, bool left) const {
    if (n->GetType() == VelaExpressionType_NAME) return left;
    return IsDumpedOperator(n->GetType());
  }

  void Enter(const Term* n) {
    const long long wide = indent_ + 2 * depth_++;
    const int indent = wide > INT_MAX ? INT_MAX : static_cast<int>(wide);
    const int type = n->GetType();
    if (type == VelaExpressionType_NUMBER) {
      s_ << velsetw(indent) << n->GetValue() << velendl;
    } else if (type == VelaExpressionType_NAME) {
      s_ << velsetw(indent) << n->GetName() << velendl;
    } else if (type == VelaExpressionType_INTERVAL) {
      s_ << velsetw(indent);
      if (!IsFullInterval(n)) {
        s_ << "[]" << velendl;
        return;
      }
      s_ << "[";
      n->GetLeft()->Print(s_, 0);
      s_ << ", ";
      n->GetRight()->Print(s_, 0);
      s_ << "]" << velendl;
    } else if (IsDumpedOperator(type)) {
      s_ << velsetw(indent) << static_cast<char>(type) << velendl;
    }
  }

  bool Between(const Term*) { return true; }
  void Leave(const Term*) { --depth_; }

 private:
  VelaStream& s_;
  const long long indent_;
  long long depth_ = 0;
};

// Compares the terms, in order, with consecutive pattern entries.
class Matcher {
 public:
  Matcher(const VelaExpressionNode* pattern, int& index) : pattern_(pattern), index_(index) {}

  bool Enters(const Term*, bool) const { return true; }
  void Enter(const Term*) {}
  void Leave(const Term*) {}

  bool Between(const Term* n) {
    const VelaExpressionNode& entry = pattern_[index_];
    if (entry.type == VelaExpressionType_EMPTY || entry.type != n->GetType()) return false;
    if (entry.name != nullptr && n->GetName() != entry.name) return false;
    if (entry.value != 0.0 && entry.value != n->GetValue()) return false;
    ++index_;
    return true;
  }

 private:
  const VelaExpressionNode* const pattern_;
  int& index_;
};

}  // namespace

// ---- Construction and ownership ----------------------------------------------

VelaExpressionTerm::VelaExpressionTerm()
    : type_(VelaExpressionType_EMPTY), left_(nullptr), right_(nullptr), value_(0.0),
      parent_(nullptr) {}

VelaExpressionTerm::VelaExpressionTerm(VelaExpressionType t)
    : type_(t), left_(nullptr), right_(nullptr), value_(0.0), parent_(nullptr) {}

VelaExpressionTerm::VelaExpressionTerm(double v)
    : type_(VelaExpressionType_NUMBER), left_(nullptr), right_(nullptr), value_(v),
      parent_(nullptr) {}

VelaExpressionTerm::VelaExpressionTerm(const VelaString& s)
    : type_(VelaExpressionType_NAME), left_(nullptr), right_(nullptr), name_(s), value_(0.0),
      parent_(nullptr) {}

VelaExpressionTerm::VelaExpressionTerm(const VelaExpressionTerm& other)
    : type_(other.type_),
      left_(nullptr),
      right_(nullptr),
      name_(other.name_),
      value_(other.value_),
      parent_(nullptr) {
  CopyOperandsOf(other);
}

VelaExpressionTerm& VelaExpressionTerm::operator=(const VelaExpressionTerm& other) {
  if (this == &other) return *this;
  // Copy first: `other` may live inside the operands about to be destroyed.
  VelaExpressionTerm copy(other);
  type_ = copy.type_;
  name_ = copy.name_;
  value_ = copy.value_;
  std::swap(left_, copy.left_);
  std::swap(right_, copy.right_);
  ClaimOperands();
  copy.ClaimOperands();  // the old operands, destroyed with `copy`
  return *this;
}

VelaExpressionTerm::~VelaExpressionTerm() {
  Detach();
  DestroyOperands();
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

void VelaExpressionTerm::Detach() {
  if (parent_ == nullptr) return;
  if (parent_->left_ == this) parent_->left_ = nullptr;
  if (parent_->right_ == this) parent_->right_ = nullptr;
  parent_ = nullptr;
}

void VelaExpressionTerm::ClaimOperands() {
  if (left_ != nullptr) left_->parent_ = this;
  if (right_ != nullptr) right_->parent_ = this;
}

void VelaExpressionTerm::CopyOperandsOf(const VelaExpressionTerm& source) {
  // Walks the source and builds the copy alongside it: `cursor` is the copy
  // of the term being visited. A term whose copy could not be allocated is
  // not entered, so its subtree stays out of the copy.
  struct Copier {
    const VelaExpressionTerm* root;
    VelaExpressionTerm* cursor;
    const VelaExpressionTerm* failed;

    bool Enters(const VelaExpressionTerm* n, bool) const { return n != failed; }
    bool Between(const VelaExpressionTerm*) { return true; }
    void Enter(const VelaExpressionTerm* n) {
      if (n == root) return;
      VelaExpressionTerm* copy = new (std::nothrow) VelaExpressionTerm(n->type_);
      if (copy == nullptr) {
        failed = n;
        return;
      }
      copy->name_ = n->name_;
      copy->value_ = n->value_;
      (n == n->parent_->left_ ? cursor->left_ : cursor->right_) = copy;
      copy->parent_ = cursor;
      cursor = copy;
    }
    void Leave(const VelaExpressionTerm* n) {
      if (n == failed) {
        failed = nullptr;
      } else if (n != root) {
        cursor = cursor->parent_;
      }
    }
  };
  Copier copier{&source, this, nullptr};
  Walk(&source, copier);
}

void VelaExpressionTerm::DestroyOperands() {
  // The terms still to free form a list linked through their parent links;
  // each is unhooked and emptied before it is freed, so its own destructor
  // has nothing left to do.
  VelaExpressionTerm* pending = nullptr;
  auto push = [&pending](VelaExpressionTerm*& slot) {
    if (slot == nullptr) return;
    slot->parent_ = pending;
    pending = slot;
    slot = nullptr;
  };
  push(right_);
  push(left_);
  while (pending != nullptr) {
    VelaExpressionTerm* t = pending;
    pending = t->parent_;
    t->parent_ = nullptr;
    push(t->right_);
    push(t->left_);
    delete t;
  }
}

void VelaExpressionTerm::Adopt(VelaExpressionTerm*& slot, VelaExpressionTerm* t) {
  if (t == slot || t == this) return;
  // A term hanging elsewhere would otherwise be owned twice, or be destroyed
  // with the operand it replaces.
  if (t != nullptr) t->Detach();
  VelaExpressionTerm* old = slot;
  slot = t;
  if (t != nullptr) t->parent_ = this;
  if (old != nullptr) {
    old->parent_ = nullptr;
    delete old;
  }
}

void VelaExpressionTerm::SetLeft(VelaExpressionTerm* t) { Adopt(left_, t); }

void VelaExpressionTerm::SetRight(VelaExpressionTerm* t) { Adopt(right_, t); }

// ---- Restructuring -------------------------------------------------------------

void VelaExpressionTerm::ReduceTo(VelaExpressionTerm*& keep, VelaExpressionTerm*& drop) {
  VelaExpressionTerm* node = keep;
  if (node == nullptr) return;
  Destroy(drop);
  type_ = node->type_;
  value_ = node->value_;
  name_ = node->name_;
  left_ = node->left_;
  right_ = node->right_;
  ClaimOperands();
  node->left_ = nullptr;
  node->right_ = nullptr;
  node->parent_ = nullptr;
  delete node;
}

void VelaExpressionTerm::ReduceWithLeft() { ReduceTo(left_, right_); }

void VelaExpressionTerm::ReduceWithRight() { ReduceTo(right_, left_); }

// Folds bottom-up: each term's own step runs once both its operands are
// done. The full pass does not look into numbers and intervals; the half
// pass visits every term.
void VelaExpressionTerm::SimplifyFullConstant() {
  struct Folder {
    bool Enters(const VelaExpressionTerm* n, bool) const {
      return n->type_ != VelaExpressionType_NUMBER && n->type_ != VelaExpressionType_INTERVAL;
    }
    void Enter(VelaExpressionTerm*) {}
    bool Between(VelaExpressionTerm*) { return true; }
    void Leave(VelaExpressionTerm* n) { n->FoldFullConstant(); }
  };
  Folder folder;
  Walk(this, folder);
}

void VelaExpressionTerm::FoldFullConstant() {
  if (type_ == VelaExpressionType_NUMBER || type_ == VelaExpressionType_INTERVAL) return;
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
  struct Folder {
    bool Enters(const VelaExpressionTerm*, bool) const { return true; }
    void Enter(VelaExpressionTerm*) {}
    bool Between(VelaExpressionTerm*) { return true; }
    void Leave(VelaExpressionTerm* n) { n->FoldHalfConstant(); }
  };
  Folder folder;
  Walk(this, folder);
}

void VelaExpressionTerm::FoldHalfConstant() {
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
  Printer printer(s, strict, this);
  Walk(this, printer);
}

void VelaExpressionTerm::Dump(VelaStream& s, int indent) const {
  Dumper dumper(s, indent);
  Walk(this, dumper);
}

// ---- Matching ------------------------------------------------------------------

unsigned char VelaExpressionTerm::CheckTerm(const VelaExpressionNode* pattern, int& index) const {
  if (pattern == nullptr) return 0;
  Matcher matcher(pattern, index);
  return Walk(this, matcher) ? 1 : 0;
}
