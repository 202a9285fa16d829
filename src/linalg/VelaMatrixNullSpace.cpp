// FindNullSpace: orthonormal bases of the row space and of the null space of
// an m x n matrix A (m <= n, independent rows), through the Householder QR
// factorisation of its transpose.
//
// Aᵀ = Q R with Q = H_0 H_1 ... H_(m-1) an n x n orthogonal matrix. The
// first m columns of Q span the columns of Aᵀ, that is the row space of A;
// the other n - m are orthogonal to it, so A times each of them is zero:
//
//     Q = [ range (n x rank) | kernel (n x (n - rank)) ]
//
// The rank counts R's diagonal entries above 1e-15 in magnitude (an absolute
// threshold, as the factorisation reports dependent rows relative to A's
// norm before it is reached). Reflectors with |beta| below 1e-15 are no
// reflection and are skipped.
//
// Q is accumulated from the identity in the order k = 0, 1, ..., m-1 as
// Q := Q H_k = Q - beta_k (Q v_k) v_kᵀ, a rank-one update, instead of
// forming H_k as a full n x n matrix and multiplying: the same result to
// rounding, at 4 n (n - k) operations per reflector instead of 2 n³. v_k is
// zero above k, so (Q v_k)(i) = sum over l = k .. n-1 of Q(i, l) v_k(l), in
// increasing l, and only the columns k .. n-1 of Q change:
// Q(i, l) = Q(i, l) - w(i) v_k(l) with w(i) = beta_k (Q v_k)(i).
// Q is held transposed so that both the sums (one per row of Q, advancing
// together) and the update sweep contiguous memory.

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "linalg/MatrixKernels.h"
#include "vela/containers/VelaArray.h"
#include "vela/linalg/VelaMatrix.h"

namespace {

using Scratch = VelSTLVector<double, 128>;

// Rank threshold on |R(k, k)| and the factor below which a reflector is
// skipped.
constexpr double kNegligible = 1e-15;

// qt := (Q H)ᵀ for qt = Qᵀ (n x n) and H = I - beta v vᵀ, v zero above k.
// w is scratch of n doubles.
void ApplyReflectorToTransposedQ(int n, int k, const double* v, double beta, double* qt, double* w) {
  std::fill(w, w + n, 0.0);
  // w(i) = sum over l >= k of v(l) Qᵀ(l, i), in increasing l.
  vela::detail::VectorMatrix(n - k, n, qt + static_cast<std::ptrdiff_t>(k) * n, n, v + k, w);
  for (int i = 0; i < n; ++i) w[i] = beta * w[i];
  for (int l = k; l < n; ++l) {
    double* row = qt + static_cast<std::ptrdiff_t>(l) * n;
    const double vl = v[l];
    for (int i = 0; i < n; ++i) row[i] = row[i] - w[i] * vl;
  }
}

// Qᵀ = (H_0 H_1 ... H_(m-1))ᵀ from the compact factors qr (n x m, the
// reflectors below the diagonal) into qt (n x n).
void AccumulateTransposedQ(int n, int m, const double* qr, const double* beta, double* qt, double* v, double* w) {
  std::fill(qt, qt + static_cast<std::ptrdiff_t>(n) * n, 0.0);
  for (int i = 0; i < n; ++i) qt[static_cast<std::ptrdiff_t>(i) * n + i] = 1.0;
  for (int k = 0; k < m; ++k) {
    if (!(std::fabs(beta[k]) >= kNegligible)) continue;
    v[k] = 1.0;
    for (int i = k + 1; i < n; ++i) v[i] = qr[static_cast<std::ptrdiff_t>(i) * m + k];
    ApplyReflectorToTransposedQ(n, k, v, beta[k], qt, w);
  }
}

// out (n x count) takes the columns first .. first+count-1 of Q, held as
// the rows of qt.
void CopyColumnsOfQ(int n, const double* qt, int first, int count, VelaMatrix& out) {
  out.Resize(n, count);
  for (int j = 0; j < count; ++j) {
    const double* column = qt + static_cast<std::ptrdiff_t>(first + j) * n;
    for (int i = 0; i < n; ++i) out(i, j) = column[i];
  }
}

}  // namespace

unsigned char VelaMatrix::FindNullSpace(int& oRank, VelaMatrix& oRange, VelaMatrix& oKernel) const {
  const int m = rows_;
  const int n = cols_;
  if (m == 0 && n > 0) {
    oRank = 0;
    oKernel.SetIdentity(n);
    return 1;
  }
  if (n == 0 || m > n) return 0;

  // One block: qr (n x m) | beta (m) | v (n) | w (n).
  const std::ptrdiff_t size = static_cast<std::ptrdiff_t>(n) * m;
  Scratch work;
  work.resize(static_cast<int>(size + m + 2 * n), 0.0);
  double* qr = work.begin();
  double* beta = qr + size;
  double* v = beta + m;
  double* w = v + n;
  vela::detail::TransposeInto(m, n, Buffer(), qr);
  oRank = 0;
  if (!QRFactors(n, m, qr, beta)) return 0;

  int rank = 0;
  for (int k = 0; k < m; ++k)
    if (std::fabs(qr[static_cast<std::ptrdiff_t>(k) * m + k]) > kNegligible) ++rank;
  oRank = rank;
  if (rank == 0) {
    oRange.Resize(n, 0);
    oKernel.SetIdentity(n);
    return 1;
  }
  Scratch q;
  q.resize(static_cast<int>(static_cast<std::ptrdiff_t>(n) * n), 0.0);
  AccumulateTransposedQ(n, m, qr, beta, q.begin(), v, w);
  CopyColumnsOfQ(n, q.begin(), 0, rank, oRange);
  CopyColumnsOfQ(n, q.begin(), rank, n - rank, oKernel);
  return 1;
}
