// Symmetric-indefinite factorisation P S Pᵀ = L D Lᵀ by Bunch-Kaufman
// diagonal pivoting, and the solve that uses it.
//
// The work is done in place in the packed buffer of the factor (a copy of
// S). At step k, with alpha = (1 + sqrt(17)) / 8 (which bounds the growth of
// the entries by (1 + 1/alpha) per step):
//   lambda = max_{i>k} |A(i, k)| at row r;
//   1 x 1 pivot at k     when |A(k, k)| >= alpha lambda, or
//                        |A(k, k)| sigma >= alpha lambda² with sigma the
//                        largest off-diagonal entry met scanning row and
//                        column r, at (p, q), p < q; one of p, q is r, the
//                        other is r's partner t;
//   swap k <-> r, 1 x 1  when |A(r, r)| >= alpha sigma;
//   2 x 2 pivot (k, r)   when sigma was found at (k, r) (r moved to k+1);
//   swap k <-> t, 1 x 1  when A(t, t) A(r, r) >= alpha sigma²;
//   otherwise swap k <-> q and k+1 <-> p, then a 2 x 2 pivot.
// The single pivots after the sigma search are those the tests measure:
// A(r, r), and A(t, t) whether sigma lies left of r's diagonal (t = p) or
// below it (t = q). Moving A(q, q) or A(p, p) instead, as a rule written
// in terms of p and q alone would, pivots on an entry no test has bounded:
// it can be a rounding residue such as 4e-16, and the factors then
// reconstruct nothing. Where sigma lies left of the diagonal the two
// readings coincide.
//
// Products of two entries leave the double range beyond magnitudes of
// about 2^±511, and the pivot tests then compare infinities or zeros: a
// matrix whose largest magnitude lies outside [2^-400, 2^400] is
// factorised as its power-of-two multiple near 1 (exact, and bit for bit
// the same steps), and the stored inverse pivot blocks are scaled back.
// After the step, column k (columns k, k+1 for a 2 x 2 block) holds the
// multipliers below the pivot block and the inverse of the block on it:
//
//   done  |  D⁻¹  |
//   L     |  m    |  A - m w   (the trailing triangle, updated row by row)
//
// An exactly zero 1 x 1 pivot or 2 x 2 determinant stops the factorisation
// with result 0; NaN and infinite entries never stop it (every comparison
// with NaN is false, so a NaN column still ends in a pivot and k advances).
//
// Loop organisation: the trailing update sweeps each packed row i once and
// contiguously, A(i, j) = A(i, j) - A(i, k) w(j) for j = k+1 .. i, against
// a scratch copy w of the pivot column, so the sweep is vectorisable. Each
// element receives exactly the documented expression, so the factors do not
// depend on this organisation. The two scratch columns are allocated once per
// factorisation (inline for small orders).
#include <cmath>
#include <cstring>
#include <utility>

#include "linalg/PowerOfTwoScaling.h"
#include "vela/containers/VelaArray.h"
#include "vela/linalg/VelaSymmetricMatrix.h"

namespace {

constexpr double kAlpha = 0.6403882032022076;  // (1 + sqrt(17)) / 8

inline std::ptrdiff_t RowStart(int i) { return VelaLowerTriangularMatrix::PackedRowStart(i); }

// row[j] = row[j] - m * w[j] for j in [first, last].
void RankOneRow(double* __restrict row, const double* __restrict w, double m, int first, int last) {
  for (int j = first; j <= last; ++j) row[j] = row[j] - m * w[j];
}

// row[j] = row[j] - m1 * w1[j] - m2 * w2[j] for j in [first, last].
void RankTwoRow(double* __restrict row, const double* __restrict w1, const double* __restrict w2, double m1, double m2,
                int first, int last) {
  for (int j = first; j <= last; ++j) row[j] = row[j] - m1 * w1[j] - m2 * w2[j];
}

// 1 x 1 pivot at k of the packed order-n triangle A. Returns 0 when the
// pivot is exactly zero (A unchanged then).
unsigned char PivotOneByOne(int n, double* A, int k, double* w) {
  double* rowK = A + RowStart(k);
  const double d = rowK[k];
  if (d == 0.0) return 0;
  rowK[k] = 1.0 / d;
  for (int i = k + 1; i < n; ++i) w[i] = A[RowStart(i) + k];
  for (int i = k + 1; i < n; ++i) {
    double* row = A + RowStart(i);
    const double m = w[i] / d;
    row[k] = m;
    RankOneRow(row, w, m, k + 1, i);
  }
  return 1;
}

// 2 x 2 pivot on positions k, k+1. Returns 0 when the block's determinant
// is exactly zero (A unchanged then).
unsigned char PivotTwoByTwo(int n, double* A, int k, double* w1, double* w2) {
  double* rowK = A + RowStart(k);
  double* rowK1 = A + RowStart(k + 1);
  const double a = rowK[k];
  const double b = rowK1[k];
  const double c = rowK1[k + 1];
  const double det = a * c - b * b;
  if (det == 0.0) return 0;
  rowK[k] = c / det;
  rowK1[k] = -b / det;
  rowK1[k + 1] = a / det;
  const double e11 = rowK[k];
  const double e21 = rowK1[k];
  const double e22 = rowK1[k + 1];
  for (int i = k + 2; i < n; ++i) {
    const double* row = A + RowStart(i);
    w1[i] = row[k];
    w2[i] = row[k + 1];
  }
  for (int i = k + 2; i < n; ++i) {
    double* row = A + RowStart(i);
    const double m1 = w1[i] * e11 + w2[i] * e21;
    const double m2 = w1[i] * e21 + w2[i] * e22;
    row[k] = m1;
    row[k + 1] = m2;
    RankTwoRow(row, w1, w2, m1, m2, k + 2, i);
  }
  return 1;
}

// Brings the factor of 2^-exponent S back to the factor of S: the pivot
// blocks' inverses (positions before stop) scale by 2^-exponent, the
// multipliers are scale-free, and the trailing block a failed factorisation
// leaves (from stop on) is S's Schur complement, of S's scale.
void UnscaleFactor(int n, double* A, const int* kinds, int stop, int exponent) {
  for (int k = 0; k < stop; ++k) {
    double* row = A + RowStart(k);
    row[k] = std::ldexp(row[k], -exponent);
    if (kinds[k] == 1) {
      double* next = A + RowStart(k + 1);
      next[k] = std::ldexp(next[k], -exponent);
      next[k + 1] = std::ldexp(next[k + 1], -exponent);
      ++k;
    }
  }
  for (int i = stop; i < n; ++i) {
    double* row = A + RowStart(i);
    for (int j = stop; j <= i; ++j) row[j] = std::ldexp(row[j], exponent);
  }
}

}  // namespace

void VelaSymmetricMatrix::SymmetricPivot(int n, double* ioPacked, VelaIntArray& ioPerm, int i, int j) const {
  if (i == j || i < 0 || j < 0 || i >= n || j >= n || ioPacked == nullptr) return;
  if (i > j) std::swap(i, j);
  if (ioPerm.Size() <= j) return;
  double* A = ioPacked;
  double* rowI = A + RowStart(i);
  double* rowJ = A + RowStart(j);
  // Columns before i: rows i and j exchange their leading parts.
  for (int c = 0; c < i; ++c) std::swap(rowI[c], rowJ[c]);
  std::swap(rowI[i], rowJ[j]);
  // Between the two: column i below row i mirrors row j left of column j;
  // A(j, i) itself stays in place.
  for (int m = i + 1; m < j; ++m) std::swap(A[RowStart(m) + i], rowJ[m]);
  // Below row j: columns i and j exchange.
  for (int m = j + 1; m < n; ++m) {
    double* row = A + RowStart(m);
    std::swap(row[i], row[j]);
  }
  std::swap(ioPerm[i], ioPerm[j]);
}

unsigned char VelaSymmetricMatrix::RunFactorisation() {
  const int n = order_;
  permutation_.Resize(n, 0);
  for (int k = 0; k < n; ++k) permutation_[k] = k;
  pivotKinds_.Fill(n, 0);
  factor_.Resize(n);
  if (n == 0) return 1;
  const std::size_t count = static_cast<std::size_t>(RowStart(n));
  double* A = factor_.GetBuffer();
  std::memcpy(A, values_, count * sizeof(double));

  // Pivot tests and determinants multiply two entries: a matrix far from
  // unit scale is factorised as its power-of-two multiple near 1.
  const int exponent = vela::detail::OutOfRangeExponent(A, count);
  vela::detail::ScaleByPowerOfTwo(A, count, -exponent);
  const int stop = Eliminate(n, A);
  if (exponent != 0) UnscaleFactor(n, A, pivotKinds_.GetBuffer(), stop, exponent);
  return stop == n ? 1 : 0;
}

int VelaSymmetricMatrix::Eliminate(int n, double* A) {
  VelSTLVector<double, 64> scratch(2 * n, 0.0);
  double* w1 = scratch.begin();
  double* w2 = w1 + n;
  int k = 0;
  while (k < n) {
    if (ChoosePivot(n, A, k)) {
      if (!PivotTwoByTwo(n, A, k, w1, w2)) return k;
      pivotKinds_[k] = 1;
      k += 2;
    } else {
      if (!PivotOneByOne(n, A, k, w1)) return k;
      k += 1;
    }
  }
  return n;
}

bool VelaSymmetricMatrix::ChoosePivot(int n, double* A, int k) {
  auto at = [A](int i, int j) -> double& { return A[RowStart(i) + j]; };
  const double akk = std::fabs(at(k, k));
  double lambda = 0.0;
  int r = -1;
  for (int i = k + 1; i < n; ++i) {
    const double v = std::fabs(at(i, k));
    if (v > lambda) {
      lambda = v;
      r = i;
    }
  }
  // r < 0 means lambda = 0 (or a column of NaN): nothing to eliminate
  // against, so a 1 x 1 pivot whatever akk is.
  if (r < 0 || akk >= kAlpha * lambda) return false;

  double sigma = lambda;
  int p = k;
  int q = r;
  for (int j = k + 1; j < r; ++j) {
    const double v = std::fabs(at(r, j));
    if (v > sigma) {
      sigma = v;
      p = j;
      q = r;
    }
  }
  for (int i = r + 1; i < n; ++i) {
    const double v = std::fabs(at(i, r));
    if (v > sigma) {
      sigma = v;
      p = r;
      q = i;
    }
  }
  // r's partner in sigma's position: p when sigma lies left of r's
  // diagonal, q when it lies below.
  const int partner = p == r ? q : p;
  if (akk * sigma >= kAlpha * (lambda * lambda)) return false;  // akk large enough against all of r
  if (std::fabs(at(r, r)) >= kAlpha * sigma) {
    SymmetricPivot(n, A, permutation_, k, r);
    return false;
  }
  if (p == k) {
    if (q > k + 1) SymmetricPivot(n, A, permutation_, k + 1, q);
    return true;
  }
  if (at(partner, partner) * at(r, r) >= kAlpha * (sigma * sigma)) {
    SymmetricPivot(n, A, permutation_, k, partner);
    return false;
  }
  SymmetricPivot(n, A, permutation_, k, q);
  if (p > k + 1) SymmetricPivot(n, A, permutation_, k + 1, p);
  return true;
}

unsigned char VelaSymmetricMatrix::LDLt(VelaLowerTriangularMatrix& oL, VelaIntArray& oPerm) {
  const unsigned char result = RunFactorisation();
  oL = factor_;
  oPerm = permutation_;
  return result;
}

unsigned char VelaSymmetricMatrix::SolveLDLt(unsigned char iFactored, const VelaVector& iB, VelaVector& oX) {
  const int n = order_;
  if (iB.GetSize() != n) return 0;
  if (iFactored && (factor_.GetOrder() != n || permutation_.Size() != n || pivotKinds_.Size() != n)) return 0;
  const unsigned char result = iFactored ? 1 : RunFactorisation();
  oX = iB;
  if (n == 0) return result;

  const double* A = factor_.GetBuffer();
  const int* perm = permutation_.GetBuffer();
  const int* kinds = pivotKinds_.GetBuffer();
  VelSTLVector<double, 36> scratch(n, 0.0);
  double* y = scratch.begin();
  for (int k = 0; k < n; ++k) y[k] = oX[perm[k]];

  // Forward, L y = P b. Taken row by row: y(i) still receives its updates in
  // increasing column order, each from a final y(k); the sub-diagonal entry
  // of a 2 x 2 block belongs to D⁻¹ and is skipped.
  for (int i = 1; i < n; ++i) {
    const double* row = A + RowStart(i);
    const int end = kinds[i - 1] == 1 ? i - 1 : i;
    double yi = y[i];
    for (int k = 0; k < end; ++k) yi = yi - y[k] * row[k];
    y[i] = yi;
  }
  // Diagonal, y = D⁻¹ y.
  for (int k = 0; k < n;) {
    const double* row = A + RowStart(k);
    if (kinds[k] == 1 && k + 1 < n) {
      const double* next = A + RowStart(k + 1);
      const double y0 = y[k];
      const double y1 = y[k + 1];
      y[k] = row[k] * y0 + next[k] * y1;
      y[k + 1] = next[k] * y0 + next[k + 1] * y1;
      k += 2;
    } else {
      y[k] = y[k] * row[k];
      k += 1;
    }
  }
  // Backward, Lᵀ x = y, one contiguous packed row per step.
  for (int k = n - 1; k >= 1; --k) {
    const double* row = A + RowStart(k);
    const double yk = y[k];
    const int first = kinds[k - 1] == 1 ? k - 2 : k - 1;
    for (int j = first; j >= 0; --j) y[j] = y[j] - yk * row[j];
  }
  for (int k = 0; k < n; ++k) oX[perm[k]] = y[k];
  return result;
}
