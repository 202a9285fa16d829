/// \file
/// VelaMatrix and VelaVector: the library's dense matrix and vector of doubles.
/// \ingroup linalg
#ifndef VELA_LINALG_VELAMATRIX_H
#define VELA_LINALG_VELAMATRIX_H

#include <cstddef>
#include <type_traits>

#include "vela/containers/VelaArray.h"
#include "vela/foundation/VelaExport.h"
#include "vela/foundation/VelaString.h"

class VelaStream;
class VelaVector;
class VelaBoolArray;

/// The library's dense matrix of doubles.
///
/// Every numerical routine of the library takes or returns them. A matrix is
/// stored row-major: element (i, j) sits at linear position i * cols + j of
/// one buffer. Up to 36 elements (every 6 x 6 and smaller matrix) live in the
/// object's inline buffer, so small matrices never touch the heap. A vector is
/// a matrix with one row.
///
/// Accessors and row operations never check indices; callers keep them in
/// range. Shape mismatches are silent no-ops or empty results, except in the
/// matrix products, which also print a size message on the trace stream when
/// the trace level is at least 1.
///
/// Results are independent of build flags: no fused multiply-add contraction,
/// and every sum is accumulated in the order its contract states (a product
/// element sums over k in increasing order).
///
/// Member families live in separate sources: the core (shape, arithmetic,
/// norms, dumps), the orthogonal-transformation members (QR, left inverse,
/// Gram-Schmidt, minimum-norm correction) and the singular value
/// decomposition, and the elimination members (row-echelon form, the
/// Gauss-Jordan front end, null spaces), and the simplex members (the
/// maximisation and its phase one).
///
/// Choices made for this implementation:
/// - The arithmetic operators are const members: they never change this.
/// - VelaVector keeps the matrix products of its base (a vector times a matrix
///   is a 1 x n matrix product); its own operator*(const VelaVector&) is the
///   scalar product.
/// - The constructors taking a value pointer also accept nullptr; a literal
///   0 as the value argument means the value 0.0.
/// - A null value pointer elsewhere: operator=(const double*), SetRow(s) and
///   the += / -= of a vector do nothing, AppendRows appends zero rows, A * v
///   gives the zero vector.
/// - Label arrays keep the length they were given; reshaping (Resize,
///   Transpose, appends, MultiplyLeft) leaves them as they are, and copies
///   copy that length.
/// - GetNorm2 / GetNormInf with any negative row index cover the whole
///   matrix. SetSubMatrix with a negative offset returns 0.
/// - MultiplyLeft and the non-square Transpose work on a copy of the
///   elements; when the result has at most 36 elements that copy lives on the
///   stack, so a small matrix keeps its inline buffer.
/// - VelaVector::Append and Insert treat a reshaped vector as its rows * cols
///   elements in a row and leave it 1 x (that + 1).
/// - NaN and infinities go through every operation as IEEE arithmetic makes
///   them; nothing checks for them.
/// - The QR factorisation and the SVD run on the matrix's power-of-two
///   multiple with largest magnitude in [1, 2) when that magnitude lies
///   outside [2^-400, 2^400], where their squared norms would overflow or
///   underflow; the results are scaled back. Orthogonalize and MinimizeNorm
///   do the same and read their absolute tolerances at the caller's scale.
///   The rescaling is exact, so within that range nothing changes. The QR skip test is scale-free: a
///   column's part below the diagonal is left alone when its norm is below
///   1e-12 times the largest column norm (sigma < (normA 1e-12)², which at
///   unit norm is the threshold 1e-24 on sigma).
/// - An SVD whose U, S or V comes out non-finite although the matrix is
///   finite (entries so far below the largest that a reciprocal overflows)
///   is computed once more with the largest magnitude lifted to 2^256, and
///   reports failure only when that also fails: a success flag always comes
///   with finite factors.
/// - SolveGaussJordan is a const member: it eliminates on a sparse copy and
///   never changes this.
/// - A tolerance of 0, below 0 or NaN makes only exact zeros negligible in
///   PerformGaussElimination, ReduceSubmatrix and SolveGaussJordan: an exactly
///   zero pivot is never divided by (the sparse solver on its own would take
///   it), and the front end's Gram-Schmidt and level tolerances become 0.
/// - ReduceSubmatrix with a negative first row or column returns 0 and changes
///   nothing; a band reaching past the last column ends there.
/// - SolveGaussJordan corrects a solution only when there is one: with oX
///   null the kernel goes straight to oKernel. iLevels, when given, takes
///   precedence over iMinimumNorm. The minimum-norm path keeps Gram-Schmidt's
///   rule that a remainder of norm below iTol becomes zero, so a solution
///   that is (almost) all kernel comes back as 0.
/// - The elimination routines have no check for NaN or infinite entries:
///   every loop is bounded by the shape, NaN entries are never pivots, and an
///   infinite pivot spreads NaN through what it eliminates. FindNullSpace
///   reports such a matrix as failed (its QR factorisation does).
/// - FindNullSpace accumulates Q = H_0 H_1 ... from the identity by rank-one
///   updates, Q := Q - beta (Q v) vᵀ, instead of forming each reflector as a
///   full n x n matrix and multiplying: the same result to rounding, at
///   O(rows * cols²) instead of O(rows * cols³). Its rank counts R's diagonal
///   entries above 1e-15 in magnitude, an absolute threshold.
/// - Simplex. A start point of SimplexMaximisation is feasible when no entry
///   is negative and every row i holds to 1e-9 (|iB(i)| + sum over j of
///   |A(i, j) x(j)|). A step length that rounding makes negative counts as 0.
///   Cycling: the order of the variables is hashed after every iteration;
///   when an order comes back, the largest-reduced-cost rule has cycled, and
///   from then on the smallest-index rule chooses: the entering variable is
///   the one of smallest index whose reduced cost exceeds iTol, the leaving
///   row the one of smallest ratio whose basic variable has the smallest
///   index (ratio numerators within their rounding bound of 0 count as 0).
///   Should rounding bring a basis back even under that rule, the call
///   returns 0 instead of looping. Where the largest-reduced-cost rule does
///   not cycle, none of this changes a bit of the result.
///   InitializeSimplexStartPoint maximises -(sum of the artificial
///   variables) over [A | D], D(i, i) the sign of iB(i) (a zero column where
///   iB(i) = 0), from (0, |iB|), by SimplexMaximisation with target iTol and
///   tolerance 1e-10: the objective is at most 0, so a positive iTol never
///   stops it early; iTol = 0 stops it at the first iteration that leaves
///   every artificial at 0.0, a negative iTol as soon as their sum is at most
///   -iTol (which then seldom ends in success). oX receives the first n entries when
///   every artificial ends at exactly 0.0 and those entries form a feasible
///   start point as above. When that fails and the elimination (tolerance
///   1e-10) finds rows of this that depend on earlier ones, the phase one
///   runs once more on the independent rows alone: a redundant row keeps an
///   artificial variable in the basis at a level that rounding seldom leaves
///   at exactly 0.0. The same can happen, more rarely, without redundant
///   rows when b is a combination of fewer columns than the rank of this
///   (degenerate vertices): the call then returns 0 although the system is
///   feasible.
/// \ingroup linalg
class VELA_API VelaMatrix {
 public:
  /// \name Construction
  /// Every constructor starts without labels.
  /// @{

  /// 0 x 0, no elements.
  VelaMatrix() noexcept : cols_(0), rows_(0) {}
  /// n x n identity (0 x 0 for n <= 0).
  explicit VelaMatrix(int n);
  /// iRows x iCols, every element iValue.
  VelaMatrix(int iRows, int iCols, double iValue);
  /// iRows x iCols, the first iRows * iCols values copied row-major from
  /// iValues, or all 0.0 when iValues is null.
  template <class P, std::enable_if_t<std::is_same_v<P, double>, int> = 0>
  VelaMatrix(int iRows, int iCols, const P* iValues) : VelaMatrix() {
    InitFromValues(iRows, iCols, iValues);
  }
  /// iRows x iCols, all 0.0: the form a literal null pointer as the value
  /// argument selects.
  template <class N, std::enable_if_t<std::is_null_pointer_v<N>, int> = 0>
  VelaMatrix(int iRows, int iCols, N) : VelaMatrix() {
    InitFromValues(iRows, iCols, nullptr);
  }
  /// Same shape and elements; labels are not copied.
  VelaMatrix(const VelaMatrix& other);
  /// Takes the other's elements (a heap buffer is handed over); like the copy
  /// constructor it starts without labels. The other is left 0 x 0 without
  /// labels.
  VelaMatrix(VelaMatrix&& other) noexcept;
  /// Frees the labels and any heap buffer.
  virtual ~VelaMatrix();

  /// Copies shape, elements and labels (the labels are replaced by copies of
  /// the source's, or removed when it has none). Self-assignment does nothing.
  VelaMatrix& operator=(const VelaMatrix& other);
  /// Takes shape, elements and labels from the other (a heap buffer is handed
  /// over), which is left 0 x 0 without labels. Self-assignment does nothing.
  VelaMatrix& operator=(VelaMatrix&& other) noexcept;
  /// Overwrites all rows * cols elements from iValues; shape unchanged.
  VelaMatrix& operator=(const double* iValues);
  /// @}

  /// \name Element access (unchecked)
  /// @{

  /// Element (i, j).
  double& operator()(int i, int j) noexcept { return Buffer()[i * cols_ + j]; }
  /// Element (i, j), by value.
  double operator()(int i, int j) const noexcept { return Buffer()[i * cols_ + j]; }
  /// Element (i, j), as operator().
  double& Element(int i, int j) noexcept { return Buffer()[i * cols_ + j]; }
  /// Element (i, j), by value.
  double GetElement(int i, int j) const noexcept { return Buffer()[i * cols_ + j]; }
  /// The number of rows.
  int GetNbOfRow() const noexcept { return rows_; }
  /// The number of columns (the row stride).
  int GetNbOfCol() const noexcept { return cols_; }
  /// The number of elements, rows * cols.
  int GetSize() const noexcept { return rows_ * cols_; }
  /// The element buffer (row-major, at least rows * cols elements).
  double* GetBuffer() const noexcept { return Buffer(); }
  /// First element of row i.
  double* GetRow(int i) const noexcept { return Buffer() + static_cast<std::ptrdiff_t>(i) * cols_; }
  /// Label arrays (rows, respectively cols strings, as the shape was when
  /// they were set), or null: the row labels.
  const VelaString* GetRowNames() const noexcept { return rowNames_; }
  /// The column labels (cols strings as the shape was when they were set), or
  /// null.
  const VelaString* GetColumnNames() const noexcept { return colNames_; }
  /// Replaces both label arrays: a non-null argument is copied (rows,
  /// respectively cols strings), a null one removes that array.
  void SetNames(const VelaString* iRowNames, const VelaString* iColNames);
  /// @}

  /// \name Shape and content
  /// @{

  /// Sets the shape; elements keep their linear positions, new ones are 0.0.
  /// Negative counts count as 0.
  void Resize(int iRows, int iCols);
  /// Capacity for n elements; shape and elements unchanged.
  void Reserve(int n);
  /// Every element 0.0; shape unchanged.
  void SetZero();
  /// If n > 0 the shape becomes n x n; then a square matrix becomes the
  /// identity. A non-square matrix with n <= 0 is left unchanged.
  void SetIdentity(int n);
  /// Every element of row i 0.0.
  void ZeroRow(int i);
  /// Every element of rows i .. i+n-1 0.0; nothing for n <= 0.
  void ZeroRows(int i, int n);
  /// Copies cols values into row i; n * cols values into the n rows from i on.
  /// \see SetRows
  void SetRow(int i, const double* v);
  /// Copies n * cols values into the n rows from i on; nothing for a null v or
  /// n <= 0.
  void SetRows(int i, int n, const double* v);
  /// rows grows by n; n * cols values are copied into the new last rows.
  void AppendRows(int n, const double* v);
  /// AppendRows(1, v): one new last row, copied from cols values.
  void AppendRow(const double* v) { AppendRows(1, v); }
  /// A 0-column matrix first takes M's column count; then M's rows are
  /// appended when the column counts agree, else nothing happens.
  void AppendRows(const VelaMatrix& M);
  /// iNbRows x iNbCols block whose top-left element is (iFirstRow, iFirstCol).
  /// Note the argument order: the column index comes first.
  VelaMatrix GetSubMatrix(int iFirstCol, int iFirstRow, int iNbCols, int iNbRows) const;
  /// Copies M into the block at (iFirstRow, iFirstCol) and returns 1; returns
  /// 0 and changes nothing when the block does not fit.
  unsigned char SetSubMatrix(int iFirstCol, int iFirstRow, const VelaMatrix& M);
  /// iByRows != 0: A's rows then B's (equal column counts); iByRows == 0: A's
  /// columns then B's (equal row counts). A mismatch gives 0 x 0. No labels.
  static VelaMatrix MergeMatrix(const VelaMatrix& A, const VelaMatrix& B, unsigned char iByRows);
  /// Transposes in place; labels are not touched. O(rows * cols); a
  /// non-square matrix of more than 36 elements needs room for twice its
  /// elements (kept for later calls).
  void Transpose();
  /// Divides each row by its Euclidean norm; a row of norm below iTol becomes
  /// zero instead.
  void Normalize(double iTol);
  /// @}

  /// \name Arithmetic (results carry no labels)
  /// @{

  /// this x B. On this.cols != B.rows: the zero matrix of shape
  /// this.rows x B.cols, and the size message. O(rows * cols * B.cols),
  /// cache-blocked and vectorised across columns; every element still sums
  /// its terms k = 0, 1, ... in order, so the result is bit for bit the plain
  /// i-k-j loop's.
  VelaMatrix operator*(const VelaMatrix& B) const;
  /// A v for v of at least cols values (rows entries).
  VelaVector operator*(const double* v) const;
  /// A v for a vector of at least cols values (rows entries).
  VelaVector operator*(const VelaVector& v) const;
  /// vᵀ A (cols entries); the zero vector when v's length differs from rows
  /// or rows < 1.
  VelaVector MultiplyVectorLeft(const VelaVector& v) const;
  /// this becomes L x this (summed as operator*); on L.cols != rows the size
  /// message is printed and this is unchanged. L may be this matrix. A large
  /// result is accumulated in room after the current elements, then moved to
  /// the front.
  void MultiplyLeft(const VelaMatrix& L);
  /// Copy of this, then += / -=: the sum.
  VelaMatrix operator+(const VelaMatrix& B) const;
  /// Copy of this, then -=: the difference.
  VelaMatrix operator-(const VelaMatrix& B) const;
  /// Element-wise when both shapes agree; otherwise nothing, silently.
  /// Adds B.
  VelaMatrix& operator+=(const VelaMatrix& B);
  /// Subtracts B element-wise when both shapes agree; otherwise nothing,
  /// silently.
  VelaMatrix& operator-=(const VelaMatrix& B);
  /// Multiplies every element by s.
  VelaMatrix& operator*=(double s);
  /// @}

  /// \name Norms
  /// @{

  /// Euclidean norm of v[0 .. n-1]; 0.0 for n < 1.
  static double Norm2(int n, const double* v);
  /// Largest absolute value; 0.0 for n < 1.
  static double NormInf(int n, const double* v);
  /// Euclidean norm. i = -1: over all elements; otherwise over row i.
  double GetNorm2(int i) const;
  /// Largest absolute value. i = -1: over all elements; otherwise over row i.
  double GetNormInf(int i) const;
  /// @}

  /// \name Dumps
  /// @{

  /// Script syntax: `"A := matrix(r, c, ["` then one `"\n[...]"` line per row,
  /// then `"]);\n"`. Nothing when iStream is null.
  virtual void Write(const char* iName, VelaStream* iStream) const;
  /// The same on the configuration's trace stream.
  virtual void Write(const char* iName) const;
  /// `"M = [ a ,b ;\nc ,d ];\n"` with precision 15; nothing when iStream is
  /// null or the matrix has no rows or no columns.
  void ScilabDump(const char* iName, VelaStream* iStream) const;
  /// @}

  /// \name Orthogonal transformations
  /// @{

  /// This is m x n with m >= n; oInv becomes the n x m left inverse R⁻¹Qᵀ.
  /// Returns 0 when m < n, on numerically dependent columns or an exactly
  /// zero diagonal element of R, and on a zero matrix or non-finite entries
  /// (whose reflections would divide 0 by 0); oInv is then left untouched.
  /// oInv may be this.
  unsigned char InverseQR(VelaMatrix& oInv) const;
  /// Modified Gram-Schmidt on the rows, without normalisation; rows whose
  /// remaining norm is below iTol become zero. Returns the rows kept.
  /// oNormSq (rows entries, may be null) receives each row's squared norm;
  /// when it is null the norms are kept in a separate scratch array, and the
  /// matrix buffer and its capacity are unchanged.
  int Orthogonalize(double iTol, double* oNormSq);
  /// Frees ioX (cols entries) of its components along the rows of this, level
  /// by level from the highest of iLevels (cols entries), one pivot row at a
  /// time. With ioUsedRows the routine does one step per call (single-step
  /// mode) and writes ioFlag, oRow and ioLevel only when it took a step. In
  /// full mode ioLevel receives the largest of iLevels (the level it starts
  /// from) and ioFlag and oRow are left as passed. A used-rows array shorter
  /// than the row count is extended with clear flags. Modifies the unused
  /// rows of this.
  void MinimizeNorm(double* ioX, const int* iLevels, double iTol1, double iTol2, unsigned char& ioFlag, int& oRow,
                    int& ioLevel, VelaBoolArray* ioUsedRows);
  /// @}

  /// \name Singular value decomposition
  /// @{

  /// A = U diag(S) Vᵀ: oU becomes m x n (a copy of this, labels included,
  /// then overwritten; oU may be this), oS receives n values (unsorted,
  /// non-negative), oV becomes n x n. Returns 0 when a singular value does not
  /// converge in 30 rounds or U, S or V is not finite (NaN or infinite
  /// entries); the outputs then hold the state the iteration reached.
  /// With fewer rows than columns the matrix is padded with zero rows to
  /// n x n: U is the top m rows of an orthogonal n x n matrix, V is fully
  /// orthogonal and at least n - m values are 0.
  unsigned char FactorisationSVD(VelaMatrix& oU, double* const oS, VelaMatrix& oV) const;
  /// Sets to 0.0 every value (cols entries) below iTol times the largest; a
  /// negative iTol means 2e-8.
  void ZeroingSVD(double* const ioS, double iTol);
  /// x = V diag(1/S) Uᵀ b, skipping zero singular values; oX may be iB.
  void ResolveSVD(const VelaMatrix& iU, const double* const iS, const VelaMatrix& iV, const double* const iB,
                  double* const oX) const;
  /// Least-squares, minimum-norm solution of this x = b.
  unsigned char SolveSVD(const double* const iB, double* const oX, double iTol);
  /// Inverse of a square matrix through its SVD (0 when not square).
  unsigned char InverseSVD(VelaMatrix& oInv) const;
  /// Orthonormal basis of the numerical null space, one vector per row.
  unsigned char KernelSVD(VelaMatrix& oKernel, double iTol);
  /// @}

  /// \name Elimination and null space
  /// @{

  /// Reduces this to row-echelon form in place by Gaussian elimination with
  /// partial pivoting on rows; pivot rows are not scaled. In each column the
  /// pivot is the largest magnitude at or above iTol among the remaining rows
  /// (a lower row within 1e-15 of the running maximum wins). Entries below
  /// iTol are never pivots and are set to 0.0, unless iKeepSmall is set: then
  /// they stay, are still eliminated when above 1e-15 (over the columns on
  /// the pivot's left too), and rows are exchanged whole. Returns the number
  /// of pivot rows. O(rows * cols * min(rows, cols)).
  int PerformGaussElimination(double iTol, unsigned char iKeepSmall);
  /// Gauss-Jordan reduction of the column band from iFirstCol up to iEndCol
  /// (excluded), from row iFirstRow on: each pivot is taken in the first column of the band whose
  /// largest magnitude over the remaining rows exceeds iTol, brought to the
  /// next pivot row (whole rows exchanged) and subtracted, from its column
  /// on, from every other row (above iFirstRow too) whose entry there exceeds
  /// iTol. Pivot rows are not scaled. Returns the number of pivots found.
  int ReduceSubmatrix(int iFirstRow, int iFirstCol, int iEndCol, double iTol);
  /// Solves this x = b (rows equations, cols unknowns) by the full-pivoting
  /// Gauss-Jordan of VelaSparseMatrix on a copy of this, on two threads when
  /// GetParallelMode() has bit 0 set and rows * cols >= 100000. oX (cols
  /// entries, may be null) receives a solution whose free unknowns are 0;
  /// with iB null its pivot unknowns keep the values passed in. oKernel (may
  /// be null) receives the null-space basis the elimination produces, (cols -
  /// rank) x cols, one vector per row, not orthogonal. With iMinimumNorm the
  /// solution is made orthogonal to those rows (Gram-Schmidt, tolerance
  /// iTol); with iLevels (cols entries) its components along them are removed
  /// level by level instead (MinimizeNorm, both tolerances iTol). iLevel is
  /// the calling solver's behaviour level (it selects the pivot search). An
  /// inconsistent b is not detected. With no rows or no columns, oX is zeroed
  /// over cols entries and oKernel becomes the identity of order cols.
  void SolveGaussJordan(unsigned int iLevel, const double* iB, double* oX, unsigned char iMinimumNorm,
                        VelaMatrix* oKernel, const int* iLevels, double iTol) const;
  /// Orthonormal bases, as columns, of the row space (oRange, cols x oRank)
  /// and of the null space (oKernel, cols x (cols - oRank)) of this, through
  /// the Householder QR factorisation of the transpose; [oRange | oKernel] is
  /// orthogonal. With no rows and some columns: oRank = 0, oKernel the
  /// identity, oRange untouched, result 1. Returns 0 with the outputs
  /// untouched for no columns or more rows than columns, and 0 with oRank = 0
  /// (oRange, oKernel untouched) for dependent rows, a zero matrix, or NaN or
  /// infinite entries. O(rows * cols²).
  unsigned char FindNullSpace(int& oRank, VelaMatrix& oRange, VelaMatrix& oKernel) const;
  /// @}

  /// \name Simplex
  /// @{

  /// Maximises iCᵀ x over this x = iB, x >= 0 (this: m x n, m <= n) from the
  /// basic feasible solution ioX by a revised simplex method with an explicit
  /// basis inverse. The basis starts with the variables that are non-zero in
  /// ioX (each pivoted on the row of largest magnitude above iTol) and is
  /// completed row by row with the column of the row's largest entry above
  /// iTol; a row without one is redundant and dropped. Each iteration brings
  /// in the non-basic variable of largest reduced cost above iTol (the first
  /// on ties) and takes out the basic row of smallest ratio among those whose
  /// tableau entry exceeds iTol (the first on ties). The loop ends at
  /// optimality, or when an iteration leaves the objective at or above
  /// iTarget. Returns 1 with ioX holding the final basic solution (every
  /// entry rewritten; an optimal start comes back unchanged). Returns 0 with
  /// ioX untouched when this has no rows or more rows than columns, the
  /// lengths of ioX, iC (n) or iB (m) differ, iTol is negative or NaN, an
  /// entry of this, iB, iC or ioX is NaN or infinite, ioX is not feasible
  /// (see the choices above), ioX has more non-zero entries than rows or
  /// dependent ones, or the problem is unbounded. Writes no messages.
  /// Per iteration O(m (m + n)) typically, O(m² n) at worst.
  unsigned char SimplexMaximisation(VelaVector& ioX, const VelaVector& iC, const VelaVector& iB, double iTarget,
                                    double iTol) const;
  /// A basic feasible solution of this x = iB, x >= 0 in oX (resized to n), by
  /// the phase one described in the choices above; 1 exactly when one was
  /// found. Returns 0 with oX untouched when this has no rows or no columns,
  /// iB does not have m entries, an entry is NaN or infinite, or no solution
  /// was found (an infeasible system; see the choices above for degenerate
  /// ones).
  unsigned char InitializeSimplexStartPoint(VelaVector& oX, const VelaVector& iB, double iTol) const;
  /// @}

 protected:
  /// 1 x n, values copied from iValues or 0.0 when null.
  VelaMatrix(int n, const double* iValues);

  /// The element buffer, for derived classes.
  double* Buffer() const noexcept { return const_cast<double*>(data_.begin()); }
  /// Shape iRows x iCols (negative counts as 0) with the values copied, or
  /// zeros when iValues is null. Labels are left alone.
  void InitFromValues(int iRows, int iCols, const double* iValues);

 private:
  friend struct VelaMatrixInternals;  // white-box tests of the private factorisation

  // Householder QR of the m x n (m >= n) row-major array ioA in compact form:
  // R in the upper triangle, the reflectors below it, their factors in
  // oBeta. Returns 1 when the columns are numerically independent.
  unsigned char QRFactors(int m, int n, const double* ioA, double* oBeta) const;
  void ReleaseNames() noexcept;

  // Invariant: data_.size() >= rows_ * cols_.
  VelSTLVector<double, 36> data_;
  int cols_;  // the row stride
  int rows_;
  VelaString* rowNames_ = nullptr;  // rows_ labels, owned, or null
  VelaString* colNames_ = nullptr;  // cols_ labels, owned, or null
  // Lengths of the label arrays as they were allocated. Reshaping leaves the
  // labels alone, so these may differ from rows_ / cols_ afterwards; copies
  // of the labels use them and never read past an array.
  int rowNameCount_ = 0;
  int colNameCount_ = 0;
};

/// Scaled copies: s A.
/// \ingroup linalg
VELA_API VelaMatrix operator*(double s, const VelaMatrix& A);
/// Scaled copies: A s.
/// \ingroup linalg
VELA_API VelaMatrix operator*(const VelaMatrix& A, double s);

/// A dense vector: a 1 x n matrix.
/// \ingroup linalg
class VELA_API VelaVector : public VelaMatrix {
 public:
  /// 1 x 0.
  VelaVector() noexcept : VelaMatrix(0, static_cast<const double*>(nullptr)) {}
  /// 1 x n, all iValue.
  VelaVector(int n, double iValue);
  /// 1 x n, copied from iValues or 0.0 when null.
  template <class P, std::enable_if_t<std::is_same_v<P, double>, int> = 0>
  VelaVector(int n, const P* iValues) : VelaMatrix(n, static_cast<const double*>(iValues)) {}
  /// 1 x n, all 0.0: the form a literal null pointer as the value argument
  /// selects.
  template <class N, std::enable_if_t<std::is_null_pointer_v<N>, int> = 0>
  VelaVector(int n, N) : VelaMatrix(n, static_cast<const double*>(nullptr)) {}
  /// Same length and elements; labels are not copied.
  VelaVector(const VelaVector&) = default;
  /// Takes the other's elements; the other is left 0 x 0.
  VelaVector(VelaVector&&) noexcept = default;
  /// Copies length, elements and labels.
  VelaVector& operator=(const VelaVector&) = default;
  /// Takes length, elements and labels from the other, which is left 0 x 0.
  VelaVector& operator=(VelaVector&&) noexcept = default;
  /// Overwrites all elements from iValues; length unchanged.
  VelaVector& operator=(const double* iValues) {
    VelaMatrix::operator=(iValues);
    return *this;
  }

  /// \name Element access (unchecked)
  /// @{

  /// Element i.
  double& operator[](int i) noexcept { return Buffer()[i]; }
  /// Element i, by value.
  double operator[](int i) const noexcept { return Buffer()[i]; }
  /// The matrix forms Element(i, j) and GetElement(i, j) stay available.
  using VelaMatrix::Element;
  /// The matrix form GetElement(i, j).
  using VelaMatrix::GetElement;
  /// Element i.
  double& Element(int i) noexcept { return Buffer()[i]; }
  /// Element i, by value.
  double GetElement(int i) const noexcept { return Buffer()[i]; }
  /// @}

  /// \name Shape
  /// @{

  using VelaMatrix::Resize;
  /// Length n; new elements 0.0.
  void Resize(int n) { VelaMatrix::Resize(1, n); }
  /// Adds v at the end; amortised O(1).
  void Append(double v);
  /// Inserts v before position i (0 <= i <= length).
  void Insert(int i, double v);
  /// @}

  /// \name Arithmetic
  /// @{

  using VelaMatrix::operator*;
  /// Scaled copy: this s.
  VelaVector operator*(double s) const;
  /// Scalar product over this vector's length; w must be at least as long.
  double operator*(const VelaVector& w) const;
  /// Copy of this, then +=: the sum over this vector's length.
  VelaVector operator+(const VelaVector& w) const;
  /// Copy of this, then -=: the difference over this vector's length.
  VelaVector operator-(const VelaVector& w) const;
  /// Multiplies every element by s.
  VelaVector& operator*=(double s);
  /// Element-wise over this vector's length; the operand must be at least as
  /// long (lengths are not compared). Adds w.
  VelaVector& operator+=(const VelaVector& w);
  /// Subtracts w element-wise over this vector's length; w must be at least as
  /// long.
  VelaVector& operator-=(const VelaVector& w);
  /// Adds w[0 ..] element-wise over this vector's length; nothing when w is
  /// null.
  VelaVector& operator+=(const double* w);
  /// Subtracts w[0 ..] element-wise over this vector's length; nothing when w
  /// is null.
  VelaVector& operator-=(const double* w);
  /// this += a * v; nothing when v is null.
  void Add(double a, const double* v);
  /// Sum of a[k] b[k] over k = 0 .. n-1, in that order; 0.0 for n < 1.
  static double ScalarProduct(int n, const double* a, const double* b);
  /// 1 x 1 matrix holding the sum of squares (cᵀc for the column c = this).
  VelaMatrix GramProduct() const;
  /// 1 when no element is below t (NaN elements do not count; empty gives 1).
  unsigned char operator>(double t) const;
  /// @}
};

#endif  // VELA_LINALG_VELAMATRIX_H
