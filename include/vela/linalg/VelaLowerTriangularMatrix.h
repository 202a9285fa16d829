/// \file
/// VelaLowerTriangularMatrix: a square lower-triangular matrix in packed form,
/// with the forward and backward substitutions that solve L x = b and
/// Lᵀ x = b.
/// \ingroup linalg
#ifndef VELA_LINALG_VELALOWERTRIANGULARMATRIX_H
#define VELA_LINALG_VELALOWERTRIANGULARMATRIX_H

#include <cstddef>

#include "vela/foundation/VelaExport.h"

/// A square lower-triangular matrix in packed form, with the forward and
/// backward substitutions that solve L x = b and Lᵀ x = b.
///
/// It is the Cholesky factor and the LDLᵀ factor of VelaSymmetricMatrix, and
/// the optimisation solvers use its solves directly. Its two leading fields
/// (order, packed values) have the same layout as those of
/// VelaSymmetricMatrix, and GetOrder, GetRow and GetBuffer behave the same on
/// both.
///
/// Choices made for this implementation:
/// - A negative order counts as 0.
/// - The (n, values) constructor accepts a null value pointer: the values are
///   then 0.0.
/// - Buffers that are "reallocated with undefined contents" (Resize to a
///   larger order, assignment from a larger matrix before the copy) are in
///   fact zero-filled, so that no uninitialised value is ever read.
/// - Solve forms sum_{k<i} L(i, k) x(k) over increasing k and then subtracts
///   it from b(i); SolveTranspose subtracts term by term, row by row.
/// - Solve and SolveTranspose return 0 without writing when a pointer is null
///   (for n > 0).
/// - Moves are provided besides the copies: they hand the buffer over and
///   leave the source at order 0 with no buffer.
/// \ingroup linalg
class VELA_API VelaLowerTriangularMatrix {
 public:
  /// Order 0, no buffer.
  VelaLowerTriangularMatrix() noexcept = default;
  /// Order n; n(n+1)/2 values copied from iPacked (0.0 when it is null). No
  /// buffer for n <= 0.
  VelaLowerTriangularMatrix(int n, const double* iPacked);
  /// Same order and values.
  VelaLowerTriangularMatrix(const VelaLowerTriangularMatrix& other);
  /// Takes the other's buffer over; the other is left at order 0 with no
  /// buffer.
  VelaLowerTriangularMatrix(VelaLowerTriangularMatrix&& other) noexcept;
  /// Frees the buffer.
  virtual ~VelaLowerTriangularMatrix();

  /// Reallocates only when the source's order exceeds the current order;
  /// then takes the source's order and values. Self-assignment does nothing.
  VelaLowerTriangularMatrix& operator=(const VelaLowerTriangularMatrix& other);
  /// Frees this buffer and takes the other's over; the other is left at
  /// order 0 with no buffer.
  VelaLowerTriangularMatrix& operator=(VelaLowerTriangularMatrix&& other) noexcept;

  /// When n exceeds the current order the buffer is reallocated (zero-filled
  /// here; callers must not rely on its contents); otherwise the buffer and
  /// its values are kept. The order becomes n.
  void Resize(int n);

  /// The order n: the matrix is n x n.
  int GetOrder() const noexcept { return order_; }
  /// Start of packed row i, which holds (i, 0) .. (i, i). Unchecked.
  double* GetRow(int i) noexcept { return values_ + PackedRowStart(i); }
  /// Start of packed row i, read-only. Unchecked.
  const double* GetRow(int i) const noexcept { return values_ + PackedRowStart(i); }
  /// The packed buffer, or null when none was ever allocated.
  double* GetBuffer() const noexcept { return values_; }

  /// Solves L x = b by forward substitution. oX may be iB (in place); both
  /// hold order values. A zero diagonal entry sets that unknown to 0, makes
  /// the result 0, and the later unknowns are computed with that 0: the solve
  /// always runs to the end. Returns 1 when every diagonal entry is non-zero.
  /// O(n²).
  unsigned char Solve(const double* iB, double* oX) const;
  /// Solves Lᵀ x = b by backward substitution, with the same contract as
  /// Solve. O(n²).
  unsigned char SolveTranspose(const double* iB, double* oX) const;

  /// Packed dump of the lower triangle on the trace stream, precision 18
  /// (the same text and code as VelaSymmetricMatrix::Write; the stream's
  /// float format is not reset). Nothing without a buffer.
  virtual void Write(const char* iName) const;

  /// Position of element (i, 0) in the packed rows.
  static std::ptrdiff_t PackedRowStart(int i) noexcept {
    return static_cast<std::ptrdiff_t>(i) * (i + 1) / 2;
  }

 private:
  // Frees the buffer when n exceeds the current order and allocates a
  // zero-filled one for n; the order becomes n.
  void Reserve(int n);

  int order_ = 0;
  // Packed rows: row i starts at i(i+1)/2. Holds at least order_(order_+1)/2
  // values, more after a shrinking Resize; null only while no positive order
  // was ever needed.
  double* values_ = nullptr;
};

#endif  // VELA_LINALG_VELALOWERTRIANGULARMATRIX_H
