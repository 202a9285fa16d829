/// \file
/// VelaSymmetricMatrix: a symmetric matrix stored by its packed lower
/// triangle, with its Cholesky and LDLᵀ factorisations.
/// \ingroup linalg
#ifndef VELA_LINALG_VELASYMMETRICMATRIX_H
#define VELA_LINALG_VELASYMMETRICMATRIX_H

#include <cstddef>

#include "vela/containers/VelaIntArray.h"
#include "vela/foundation/VelaExport.h"
#include "vela/linalg/VelaLowerTriangularMatrix.h"
#include "vela/linalg/VelaMatrix.h"

class VelaStream;

/// A symmetric matrix stored by its packed lower triangle, with the two
/// factorisations that solve symmetric systems.
///
/// - Cholesky (L Lᵀ) for positive definite systems, optionally after
///   multiplying the diagonal by (1 + shift) to push it away from
///   semi-definiteness;
/// - a symmetric-indefinite L D Lᵀ factorisation with 1 x 1 and 2 x 2 pivots
///   chosen by the Bunch-Kaufman test (alpha = (1 + sqrt(17)) / 8), which
///   the quadratic-programming and saddle-point solvers use for their
///   reduced Hessians.
///
/// The LDLᵀ factors live inside the matrix (factor, permutation, pivotKinds)
/// so that one factorisation serves several solves. The triangular factor is
/// a VelaLowerTriangularMatrix; the two classes share the layout of their
/// leading fields (order, packed values) and their packed dump.
///
/// Results are independent of build flags: every element update is the
/// documented expression evaluated left to right, without fused
/// multiply-add, and every sum runs over increasing indices.
///
/// Choices made for this implementation:
/// - VelaSymmetricMatrix(iOrder, iMat) when iOrder equals one of iMat's counts
///   but the other count is smaller than iOrder: the entries that iMat has
///   (row i < rows, column j <= i and j < cols) are copied and the rest of
///   the triangle stays 0.0, without a message. Nothing is read outside iMat.
/// - A negative order counts as 0.
/// - Assignment copies the order and the values only; this matrix's LDLᵀ
///   factor data are left as they were (refactorise before solving with
///   iFactored = 1).
/// - CholeskyFactorisation returns 0 and leaves oL untouched when oL's order
///   is not n. SolveCholesky returns 0 and writes nothing when iB or oX is
///   null (for n > 0).
/// - SolveLDLt returns 0 and leaves oX untouched when iB does not hold exactly
///   n elements, and, with iFactored non-zero, when no factorisation of order
///   n is stored. Otherwise it follows its contract (the solve runs even when
///   the factorisation fails, and oX is then meaningless).
/// - The LDLᵀ pivot choice, when the sigma search has run: the 1 x 1 pivot
///   taken because |A(r, r)| >= alpha sigma is A(r, r) itself (rows and
///   columns k and r are interchanged), and the one taken because
///   A(t, t) A(r, r) >= alpha sigma² is A(t, t), t being the index of
///   sigma's position other than r. A rule that interchanges k with q (the
///   larger index of sigma's position) in the first case, and tests and
///   moves A(p, p) (the smaller) in the second, agrees with this one when
///   sigma lies left of r's diagonal; when it lies below, that rule pivots
///   on an entry no test has bounded, and an exactly solvable system came
///   back with a residual of 1 and a success flag.
/// - A matrix whose largest magnitude lies outside [2^-400, 2^400] is
///   factorised as its power-of-two multiple with largest magnitude in
///   [1, 2), and the stored D⁻¹ scaled back: the pivot tests and 2 x 2
///   determinants multiply two entries, which would overflow or underflow.
///   Within that range the steps run on the matrix as it is.
/// - In the Cholesky recurrence (and in VelaLowerTriangularMatrix::Solve) the
///   products are summed first, over increasing index, and the sum is then
///   subtracted; the LDLᵀ updates and substitutions subtract term by term.
/// \ingroup linalg
class VELA_API VelaSymmetricMatrix {
 public:
  /// Order 0, no values.
  VelaSymmetricMatrix() noexcept = default;
  /// Order iOrder, all values 0.0, then n(n+1)/2 packed values copied when
  /// iPacked is not null.
  VelaSymmetricMatrix(int iOrder, const double* iPacked);
  /// Order iOrder, zero; when iOrder equals iMat's row or column count, row i
  /// of the triangle is copied from the first i+1 entries of iMat's row i
  /// (see the class comment for an iMat smaller than iOrder). When it equals
  /// neither, the matrix stays zero and, at trace level >= 1, the line
  /// "Dimension does not match for VelaSymmetricMatrix(int iOrder, const
  /// VelaMatrix& iMat)" is traced.
  VelaSymmetricMatrix(int iOrder, const VelaMatrix& iMat);
  /// Copies the order and values; the factor data start empty.
  VelaSymmetricMatrix(const VelaSymmetricMatrix& other);
  /// Frees the values and the factor data.
  virtual ~VelaSymmetricMatrix();

  /// Resizes, then copies the values. Self-assignment does nothing.
  VelaSymmetricMatrix& operator=(const VelaSymmetricMatrix& other);

  /// \name Access (unchecked)
  /// @{

  /// Packed element (i, j), valid for j <= i only (no mirroring).
  double& operator()(int i, int j) noexcept { return values_[VelaLowerTriangularMatrix::PackedRowStart(i) + j]; }
  /// Packed element (i, j) by value, valid for j <= i only.
  double operator()(int i, int j) const noexcept { return values_[VelaLowerTriangularMatrix::PackedRowStart(i) + j]; }
  /// The order n: the matrix is n x n.
  int GetOrder() const noexcept { return order_; }
  /// Start of packed row i, which holds (i, 0) .. (i, i).
  double* GetRow(int i) noexcept { return values_ + VelaLowerTriangularMatrix::PackedRowStart(i); }
  /// Start of packed row i, read-only.
  const double* GetRow(int i) const noexcept { return values_ + VelaLowerTriangularMatrix::PackedRowStart(i); }
  /// The packed buffer, or null when none was ever allocated.
  double* GetBuffer() const noexcept { return values_; }

  /// Reallocates when n exceeds the current order; the order becomes n and
  /// all n(n+1)/2 values 0.0.
  void Resize(int n);
  /// @}

  /// \name Arithmetic
  /// @{

  /// Scales every stored value.
  VelaSymmetricMatrix& operator*=(double s);
  /// S B (n x B.cols). When n differs from B's row count: the zero matrix of
  /// that shape, and " Dimension does not match for
  /// VelaSymmetricMatrix*VelaMatrix" traced at level >= 1. O(n² B.cols).
  VelaMatrix operator*(const VelaMatrix& B) const;
  /// S v (n entries). When n differs from v's element count: the zero vector
  /// of n entries, and " Dimension does not match for
  /// VelaSymmetricMatrix*VelaVector" traced at level >= 1.
  VelaVector operator*(const VelaVector& v) const;
  /// The full n x n symmetric matrix.
  VelaMatrix ConvertToFullMatrix() const;
  /// Largest absolute stored value (NaN entries are skipped; 0.0 for n = 0).
  double GetNormInf() const;
  /// @}

  /// \name Cholesky
  /// @{

  /// Writes L with L Lᵀ = S (diagonal times 1 + iShift when iShift != 0; a
  /// NaN shift counts as non-zero) into oL, which must already have order n.
  /// A non-positive pivot puts 0 on that diagonal; a zero divisor puts 0 in
  /// that place; the factor is always completed. Returns 1 when the (shifted)
  /// matrix is positive definite. O(n³/6).
  unsigned char CholeskyFactorisation(VelaLowerTriangularMatrix& oL, double iShift) const;
  /// Solves S x = b: resizes the factor (ioL, or a temporary when ioL is null)
  /// to n, factorises with iShift, then solves L y = b and Lᵀ x = y; every
  /// step runs. Returns 1 only when all three steps succeed.
  unsigned char SolveCholesky(const double* iB, double* oX, VelaLowerTriangularMatrix* ioL, double iShift) const;
  /// @}

  /// \name LDLᵀ
  /// @{

  /// Runs the factorisation, then copies the factor into oL and the
  /// permutation into oPerm (also when it fails). Returns its result.
  unsigned char LDLt(VelaLowerTriangularMatrix& oL, VelaIntArray& oPerm);
  /// Solves S x = b with the stored factors, factorising first unless
  /// iFactored is non-zero. oX becomes a copy of iB and then the solution.
  /// Returns 1 when the factorisation (if run) succeeded; the solve runs in
  /// any case. O(n³/3) with the factorisation, O(n²) without.
  unsigned char SolveLDLt(unsigned char iFactored, const VelaVector& iB, VelaVector& oX);
  /// @}

  /// \name Dumps
  /// @{

  /// The full matrix in the ScilabDump format of VelaMatrix.
  void ScilabDump(const char* iName, VelaStream* iStream) const;
  /// Packed dump of the lower triangle on the trace stream, precision 18
  /// (left in force; the stream's float format is not reset, so a fixed
  /// format left by an earlier writer stays). Nothing without a buffer.
  virtual void Write(const char* iName) const;
  /// @}

 protected:
  /// P S Pᵀ = L D Lᵀ by Bunch-Kaufman diagonal pivoting into factor (unit L
  /// strictly below the diagonal, D⁻¹ on the diagonal and in the sub-diagonal
  /// entry of each 2 x 2 block), permutation (position k of the factored
  /// matrix is row and column permutation[k] of S) and pivotKinds (1 at the
  /// first position of each 2 x 2 block). Returns 0 at an exactly zero 1 x 1
  /// pivot or 2 x 2 determinant, leaving the factor partly computed; 1
  /// otherwise (also for n = 0). O(n³/3).
  unsigned char RunFactorisation();
  /// Interchanges rows and columns i and j of the packed lower triangle of
  /// order n (both diagonal entries included) and exchanges ioPerm[i] and
  /// ioPerm[j]. Nothing when i == j or an index lies outside [0, n); the two
  /// indices may come in either order. O(n).
  void SymmetricPivot(int n, double* ioPacked, VelaIntArray& ioPerm, int i, int j) const;
  /// Read access to the stored factor data, for derived classes: the factor
  /// (L below the diagonal, D⁻¹ on it and in the sub-diagonal entry of each
  /// 2 x 2 block).
  const VelaLowerTriangularMatrix& GetFactor() const noexcept { return factor_; }
  /// The permutation of the stored factorisation.
  /// \see GetFactor
  const VelaIntArray& GetPermutation() const noexcept { return permutation_; }
  /// The pivot kinds of the stored factorisation: 1 at the first position of
  /// each 2 x 2 block, 0 elsewhere.
  const VelaIntArray& GetPivotKinds() const noexcept { return pivotKinds_; }

 private:
  // Allocates a zero-filled buffer when n exceeds the current order; sets
  // the order (negative counts as 0) without touching the values.
  void Reserve(int n);
  // The whole stored triangle zeroed.
  void ZeroValues();
  // The pivoting steps on the packed triangle A of order n (the factor's
  // buffer), filling permutation_ and pivotKinds_. Returns n, or the
  // position of the exactly singular pivot block that stopped it.
  int Eliminate(int n, double* A);
  // Step k's pivot choice: interchanges rows and columns as it requires and
  // returns whether the pivot is the 2 x 2 block at k, k+1.
  bool ChoosePivot(int n, double* A, int k);

  int order_ = 0;
  // Packed rows: row i starts at i(i+1)/2. Holds at least
  // order_(order_+1)/2 values; null only while no positive order was ever
  // needed.
  double* values_ = nullptr;
  // After RunFactorisation: L below the diagonal, D⁻¹ on it and in the
  // sub-diagonal entry of each 2 x 2 block.
  VelaLowerTriangularMatrix factor_;
  // After RunFactorisation: a permutation of 0 .. n-1.
  VelaIntArray permutation_;
  // After RunFactorisation: n entries, 1 at the first position of each 2 x 2
  // block and 0 elsewhere (so never 1 at n-1, nor at two adjacent places).
  VelaIntArray pivotKinds_;
};

#endif  // VELA_LINALG_VELASYMMETRICMATRIX_H
