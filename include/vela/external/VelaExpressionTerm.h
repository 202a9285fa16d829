/// \file
/// Expression terms: binary trees for the user's formulas.
/// \ingroup external
#ifndef VELA_EXTERNAL_VELAEXPRESSIONTERM_H
#define VELA_EXTERNAL_VELAEXPRESSIONTERM_H

#include "vela/foundation/VelaExport.h"
#include "vela/foundation/VelaString.h"

class VelaStream;

/// The kind of a term. The operator kinds are the operator characters, so a
/// term of any other int value is possible; it is printed and dumped as
/// nothing.
/// \ingroup external
enum VelaExpressionType : int {
  VelaExpressionType_EMPTY = 0,     ///< no kind: prints and dumps nothing
  VelaExpressionType_NUMBER = 1,    ///< the value
  VelaExpressionType_NAME = 2,      ///< the name; with a left operand, a function
  VelaExpressionType_OPEN = '(',    ///< printed as an operator, never dumped
  VelaExpressionType_CLOSE = ')',   ///< printed as an operator, never dumped
  VelaExpressionType_MULTIPLY = '*',  ///< a * b
  VelaExpressionType_PLUS = '+',    ///< unary sign without a right operand
  VelaExpressionType_COMMA = ',',   ///< separates the arguments of a function
  VelaExpressionType_MINUS = '-',   ///< unary sign without a right operand
  VelaExpressionType_DIVIDE = '/',  ///< a / b
  VelaExpressionType_INTERVAL = '[',  ///< left and right: the bounds (numbers)
  VelaExpressionType_POWER = '^',   ///< a ^ b
};

/// One entry of a pattern for CheckTerm, listing the nodes of a tree in order
/// (left subtree, node, right subtree).
/// \ingroup external
struct VelaExpressionNode {
  VelaExpressionType type;  ///< must equal the node's; 0 never matches
  const char* name;         ///< must equal the node's name; null matches any
  double value;             ///< must equal the node's value; 0.0 matches any
};

/// One term of an expression: a node of the binary trees for the user's
/// formulas.
///
/// A VelaExpressionTerm is one node: a number, a name (a variable, or a
/// function when it has an argument list), an arithmetic operator, a list
/// separator or a numeric interval. The client builds trees from terms, folds
/// their constants, prints them with as few parentheses as keep the meaning,
/// dumps them one node per line, and matches them against flat patterns
/// (VelaExpressionNode). Parsing text into terms is the client's business.
///
/// Ownership: a term owns its two operands, so destroying a term destroys its
/// whole subtree, and an operand belongs to exactly one parent. Each term
/// knows the term whose operand it is (GetParent), which is what lets every
/// operation below work without recursion: trees of any depth (a chain of
/// millions of levels) are built, copied, folded, printed, dumped, matched and
/// destroyed in constant stack space, and building a tree bottom-up costs time
/// linear in its number of terms.
///
/// Choices made for this implementation:
/// - Copying is deep: the copy constructor and copy assignment copy the whole
///   subtree, so a copy and its original never share an operand and no tree
///   can be destroyed twice through them. Assigning a term's own descendant to
///   it is safe (the source is copied before the old operands go). When memory
///   runs out during a copy, the operand that could not be copied is left
///   null. A copy is a root: it is nobody's operand.
/// - SetLeft and SetRight take ownership of the new operand. When it already
///   is an operand of some term, in this tree or another, it is first
///   unhooked from that term (so SetLeft(GetRight()) moves the right operand
///   to the left); this costs O(1). Handing this term itself is ignored.
///   Precondition, not checked (checking would walk up the tree): the new
///   operand is not an ancestor of this term, since that would close a cycle.
/// - Destroying a term that is still an operand (Destroy on a copy of its
///   pointer) first unhooks it from its parent, so the parent never holds a
///   freed operand.
/// - ReduceWithLeft and ReduceWithRight do nothing when the operand they would
///   reduce to is missing.
/// - CheckTerm with a null pattern returns 0. A pattern entry of type 0 never
///   matches, so ending a pattern with one makes it safe for larger trees.
/// - Folded numbers keep the node's name (operators have none).
/// - Dump indents by `indent` + 2 per level, stopping at the largest int.
///
/// Not thread-safe: a tree is used by one thread at a time.
/// \ingroup external
class VELA_API VelaExpressionTerm {
 public:
  /// \name Construction and ownership
  /// @{

  /// Type 0, no operands, empty name, value 0.
  VelaExpressionTerm();
  /// Type t, otherwise empty.
  explicit VelaExpressionTerm(VelaExpressionType t);
  /// The number v.
  explicit VelaExpressionTerm(double v);
  /// The name s.
  explicit VelaExpressionTerm(const VelaString& s);
  /// Deep copy of the whole subtree (see the class comment); the copy is a
  /// root.
  VelaExpressionTerm(const VelaExpressionTerm& other);
  /// Replaces this term by a deep copy of `other`; the old operands are
  /// destroyed after the copy is made. This term keeps its place (its
  /// parent).
  VelaExpressionTerm& operator=(const VelaExpressionTerm& other);
  /// Unhooks this term from its parent, if it has one, then destroys both
  /// operands' subtrees and the name.
  ~VelaExpressionTerm();

  /// The same terms on the heap; null when memory runs out. Type 0, empty.
  static VelaExpressionTerm* Create();
  /// A term of type t on the heap; null when memory runs out.
  static VelaExpressionTerm* Create(VelaExpressionType t);
  /// The number v on the heap; null when memory runs out.
  static VelaExpressionTerm* Create(double v);
  /// The name s on the heap; null when memory runs out.
  static VelaExpressionTerm* Create(const VelaString& s);
  /// Destroys and frees t with its subtree (nothing when null); t becomes null.
  static void Destroy(VelaExpressionTerm*& t);
  /// @}

  /// \name Fields
  /// @{

  /// The kind of this term.
  VelaExpressionType GetType() const { return type_; }
  /// Changes the kind; operands, name and value stay.
  void SetType(VelaExpressionType t) { type_ = t; }
  /// The first operand (for a name, its argument list); may be null.
  VelaExpressionTerm* GetLeft() { return left_; }
  /// The first operand, read-only; may be null.
  const VelaExpressionTerm* GetLeft() const { return left_; }
  /// Takes ownership of t (may be null) and destroys the operand it replaces
  /// (nothing when t is that operand). A t that is another term's operand is
  /// unhooked from it first; t must not be an ancestor of this term. O(1)
  /// plus the destruction of the replaced operand.
  void SetLeft(VelaExpressionTerm* t);
  /// The second operand; null for a unary sign and for a name.
  VelaExpressionTerm* GetRight() { return right_; }
  /// The second operand, read-only; may be null.
  const VelaExpressionTerm* GetRight() const { return right_; }
  /// As SetLeft, for the second operand.
  void SetRight(VelaExpressionTerm* t);
  /// The term whose operand this term is; null for a root.
  VelaExpressionTerm* GetParent() { return parent_; }
  /// The term whose operand this term is, read-only; null for a root.
  const VelaExpressionTerm* GetParent() const { return parent_; }
  /// The name (of a variable or a function; a folded number keeps its node's).
  const VelaString& GetName() const { return name_; }
  /// Replaces the name.
  void SetName(const VelaString& s) { name_ = s; }
  /// The value of a number.
  double GetValue() const { return value_; }
  /// Replaces the value.
  void SetValue(double v) { value_ = v; }
  /// @}

  /// \name Restructuring
  /// @{

  /// This term becomes its left operand: it takes that operand's type, value
  /// and name, destroys its own right operand, adopts the left operand's two
  /// operands and frees the former left node. Nothing happens without a left
  /// operand.
  void ReduceWithLeft();
  /// The mirror image: becomes its right operand, destroying the left one.
  void ReduceWithRight();

  /// Bottom-up folding of every operation on two numbers: a*b, a+b, a-b, a/b
  /// (0.0 when b is 0), pow(a, b); 0.0 for any other type. Names, separators,
  /// numbers and intervals are never folded themselves.
  void SimplifyFullConstant();
  /// Bottom-up rewriting with one constant operand, in this order at each
  /// node with two operands: x-c -> x+(-c); 0-x -> -1*x; c-(d*x) and
  /// c-(d/x) -> c+((-d)*x) and c+((-d)/x); x/c -> x*(1/c) (0.0 when c is 0);
  /// a number on the right of '*' or '+' moves to the left; 0+x -> x;
  /// 1*x -> x; x^1 -> x; x^0 -> 1. Multiplication by 0 is not folded.
  void SimplifyHalfConstant();
  /// @}

  /// \name Printing
  /// @{

  /// The binding strength of this term's operator seen from the left (isLeft
  /// non-zero) or the right operand's side: '*' 3; '+' 1; '-' 1 from the
  /// left, 2 from the right; '/' 3 from the left, 4 from the right; '^' 5;
  /// anything else 0 (never bracketed).
  int GetPriority(unsigned char isLeft) const;
  /// Whether `child`, the left (isLeft non-zero) or right operand of
  /// `parent`, must be bracketed when printed. False when either is null or
  /// parent is not one of * + - / ^. A right operand of -, / or ^ is
  /// bracketed when it binds no tighter than the parent, any other operand
  /// when it binds less tightly; operators associate to the left, '^'
  /// included. `strict` also brackets neighbours of one class ({* /}, {+ -},
  /// {^}): (a*b)/c.
  static bool IsNeedParenthesis(const VelaExpressionTerm* parent, const VelaExpressionTerm* child,
                                unsigned char isLeft, unsigned char strict);
  /// Infix text with minimal parentheses: numbers through the stream's double
  /// insertion (its precision applies), "f(x, y)" for functions, "[a, b]" or
  /// "[]" for intervals, a sign glued to its operand (never bracketed), " + "
  /// and " - " with blanks, ", " for the separator, other operators bare.
  /// Empty and unknown types print nothing.
  void Print(VelaStream& s, unsigned char strict) const;
  /// One node per line, each line indented by `indent` blanks (velsetw) and
  /// ended by velendl: the value, the name (its arguments follow at
  /// indent + 2), the operator character (operands follow at indent + 2) or
  /// the interval "[a, b]" / "[]". Other types write nothing, and their
  /// subtree is not visited.
  void Dump(VelaStream& s, int indent) const;
  /// @}

  /// \name Matching
  /// @{

  /// Compares the nodes, in order (left subtree, node, right subtree), with
  /// pattern[index], pattern[index + 1], ...; index advances past every
  /// matching node. Returns 1 when every node matched, 0 at the first
  /// mismatch (index then counts the nodes matched before it). The pattern
  /// must hold an entry for every node visited.
  unsigned char CheckTerm(const VelaExpressionNode* pattern, int& index) const;
  /// @}

 private:
  // Unhooks this term from the term whose operand it is, if any.
  void Detach();
  // Points the parent link of each operand at this term.
  void ClaimOperands();
  // Fills the (empty) operands with a deep copy of source's operands.
  void CopyOperandsOf(const VelaExpressionTerm& source);
  // Destroys both operands' subtrees without recursion.
  void DestroyOperands();
  // Takes ownership of t in `slot` (left_ or right_), see SetLeft.
  void Adopt(VelaExpressionTerm*& slot, VelaExpressionTerm* t);
  // ReduceWithLeft / ReduceWithRight: `keep` is the operand this term
  // becomes, `drop` the other one.
  void ReduceTo(VelaExpressionTerm*& keep, VelaExpressionTerm*& drop);
  // One node's share of SimplifyFullConstant / SimplifyHalfConstant, run
  // once its operands are done.
  void FoldFullConstant();
  void FoldHalfConstant();

  // Invariant: left_ and right_ are null or each owned by this term alone,
  // and an operand's parent_ is the term holding it; a root's parent_ is
  // null. So no term is reachable twice from a root, and the parent links
  // lead from any term back to its root. (While DestroyOperands runs, the
  // terms it has unhooked use parent_ to chain the ones still to free.)
  VelaExpressionType type_;
  VelaExpressionTerm* left_;
  VelaExpressionTerm* right_;
  VelaString name_;
  double value_;
  VelaExpressionTerm* parent_;
};

#endif  // VELA_EXTERNAL_VELAEXPRESSIONTERM_H
