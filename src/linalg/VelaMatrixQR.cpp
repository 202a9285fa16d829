// The orthogonal-transformation members of VelaMatrix: Householder QR in
// compact form, the left inverse built on it, row Gram-Schmidt, and the
// prioritised minimum-norm correction.
//
// Householder QR (unpivoted). For column k the reflector H_k = I - beta_k v_k
// v_kᵀ, with v_k(k) = 1 implicit, maps A(k.., k) onto a multiple of e_k. The
// compact result keeps R in the upper triangle and v_k below the diagonal:
//
//     | r00 r01 r02 |      A = H_0 H_1 ... H_(n-1) R
//     | v1  r11 r12 |
//     | v1  v2  r22 |      (column k under the diagonal holds v_k)
//     | v1  v2  v3  |
//
// Tolerances are relative to normA, the largest column 2-norm: a column whose
// remaining norm mu falls below tolRank = normA * 1e-12 makes the
// factorisation report dependent columns (the loop still finishes, so R is
// complete); a column whose part below the diagonal has a norm below that
// same tolRank is already a multiple of e_k and gets no reflection (beta =
// 0) instead of a reflector built from rounding noise. That test compares
// sigma, the squared norm, with tolRank², so it means the same at every
// scale; at normA = 1 it is sigma < 1e-24. Compared with normA * 1e-24, a
// norm, it would skip every column of a matrix whose entries are around
// 1e-30, leave R full and hand back a wrong inverse with a success flag.
//
// A matrix whose largest magnitude lies outside [2^-400, 2^400] is
// factorised as its power-of-two multiple near 1 (the squared column norms
// would overflow or underflow) and R is scaled back; the reflectors are
// scale-free. Within that range the steps run on the matrix as it is.
//
// Summation order is part of the contract (results must not depend on build
// flags): every sum runs over its index in increasing order. The loops below
// are arranged so that one row of the matrix is swept at a time and several
// independent sums advance together (one per column, or one per result row);
// each individual sum still adds its terms in the stated order, which keeps
// the results bit-identical to the plain column-by-column formulation while
// letting the compiler vectorise across the independent sums.
//
// Choices made for this implementation:
// - The all-zero matrix (normA == 0, including columns so small that their
//   squared norms underflow) gets no reflections: every beta is 0, the array
//   is left as it is and the factorisation reports dependent columns. With
//   both tolerances at 0 the reflector formulas would divide 0 by 0 and hand
//   back NaN with a success flag.
// - Non-finite input makes QRFactors report dependent columns: an infinite
//   entry returns 0 at once with the array untouched and every beta 0, as
//   for the zero matrix; a NaN entry reaches some column's mu, and a NaN mu
//   counts as below tolRank. InverseQR therefore returns 0 on any NaN or
//   infinite entry.
// - QRFactors returns 0 and leaves its arrays untouched when m < n or when a
//   pointer is null, instead of reading past the array.
// - InverseQR leaves oInv untouched whenever it returns 0, and copies this
//   before writing oInv, so a.InverseQR(a) works.
// - Orthogonalize keeps the squared norms it needs, when oNormSq is null, in
//   a separate scratch array (inline for up to 128 rows, heap beyond), so the
//   matrix buffer and its capacity are never changed.
// - Orthogonalize and MinimizeNorm compare squared norms with absolute
//   tolerances. Rows (and x) whose largest magnitude lies outside
//   [2^-400, 2^400] are worked on as their power-of-two multiple near 1,
//   so that dot products and multipliers stay finite, and each squared norm
//   is taken back to the caller's scale for its comparison (where it may
//   overflow to infinity or underflow to 0, as it would have there). At
//   2^1000 the rows come out as the unit-scale ones times 2^1000 instead of
//   NaN; within the range nothing changes.
// - MinimizeNorm in full mode sets ioLevel to the largest of iLevels, its
//   starting level, and leaves ioFlag and oRow as passed. In single-step mode
//   it writes all three only when it took a step. A used-rows array
//   shorter than rows is extended with clear flags. Levels that no column
//   carries are stepped over at once when they cannot yield a pivot, so huge
//   level numbers cost nothing.

#include <algorithm>
#include <cmath>

#include "linalg/PowerOfTwoScaling.h"
#include "vela/containers/VelaArray.h"
#include "vela/containers/VelaBoolArray.h"
#include "vela/linalg/VelaMatrix.h"

namespace {

// Scratch doubles: inline up to the size a 6 x 6 left inverse needs, heap
// beyond, so small problems never allocate.
using Scratch = VelSTLVector<double, 128>;

// Householder QR of the m x n row-major array a (stride n, m >= n >= 1) in
// compact form, on the matrix as it is; work holds at least m + n doubles.
// Returns 1 when the columns are numerically independent.
unsigned char FactorAtThisScale(int m, int n, double* a, double* beta, double* work) {
  double* v = work;      // the current reflector, v[k .. m-1]
  double* s = work + m;  // one running sum per column

  // Squared column norms, accumulated row by row: each column's sum still
  // runs over i in increasing order.
  std::fill(s, s + n, 0.0);
  for (int i = 0; i < m; ++i) {
    const double* row = a + static_cast<std::ptrdiff_t>(i) * n;
    for (int j = 0; j < n; ++j) s[j] += row[j] * row[j];
  }
  double largest = 0.0;
  for (int j = 0; j < n; ++j)
    if (s[j] > largest) largest = s[j];  // a NaN norm never wins
  const double normA = std::sqrt(largest);
  // Zero, or an infinite entry (a finite matrix reaches here rescaled, so
  // its squared norms stay finite).
  if (!(normA > 0.0) || !std::isfinite(normA)) {
    std::fill(beta, beta + n, 0.0);
    return 0;
  }
  const double tolRank = normA * 1e-12;
  const double tolSkipSquared = tolRank * tolRank;

  unsigned char independent = 1;
  for (int k = 0; k < n; ++k) {
    double* rowK = a + static_cast<std::ptrdiff_t>(k) * n;
    const double alpha = rowK[k];
    double sigma = 0.0;
    for (int i = k + 1; i < m; ++i) {
      const double x = a[static_cast<std::ptrdiff_t>(i) * n + k];
      v[i] = x;
      sigma += x * x;
    }
    const double mu = std::sqrt(alpha * alpha + sigma);
    if (!(mu >= tolRank)) independent = 0;  // as mu < tolRank, and a NaN column is dependent too

    double b = 0.0;  // sub-diagonal part already negligible: no reflection
    if (!(std::fabs(sigma) < tolSkipSquared)) {
      // The sign choice avoids cancellation in alpha - mu when alpha > 0.
      const double g = alpha > 0.0 ? -sigma / (mu + alpha) : alpha - mu;
      b = 2.0 * g * g / (sigma + g * g);
      for (int i = k + 1; i < m; ++i) v[i] = v[i] / g;
    }
    beta[k] = b;
    v[k] = 1.0;

    // s_j = b * sum_{i >= k} v(i) A(i, j) for every column j >= k.
    std::fill(s + k, s + n, 0.0);
    for (int i = k; i < m; ++i) {
      const double vi = v[i];
      const double* row = a + static_cast<std::ptrdiff_t>(i) * n;
      for (int j = k; j < n; ++j) s[j] += vi * row[j];
    }
    for (int j = k; j < n; ++j) s[j] = b * s[j];

    rowK[k] = rowK[k] - s[k];
    for (int i = k + 1; i < m; ++i) a[static_cast<std::ptrdiff_t>(i) * n + k] = v[i];
    for (int i = k; i < m; ++i) {
      const double vi = v[i];
      double* row = a + static_cast<std::ptrdiff_t>(i) * n;
      for (int j = k + 1; j < n; ++j) row[j] = row[j] - s[j] * vi;
    }
  }
  return independent;
}

// The factorisation of a, run on its power-of-two multiple near 1 when its
// magnitudes are far from 1; R (the upper triangle) is scaled back.
unsigned char FactorHouseholder(int m, int n, double* a, double* beta, double* work) {
  const std::size_t size = static_cast<std::size_t>(m) * static_cast<std::size_t>(n);
  const int exponent = vela::detail::OutOfRangeExponent(a, size);
  vela::detail::ScaleByPowerOfTwo(a, size, -exponent);
  const unsigned char independent = FactorAtThisScale(m, n, a, beta, work);
  for (int i = 0; exponent != 0 && i < n; ++i) {
    double* rowOfR = a + static_cast<std::ptrdiff_t>(i) * n + i;
    vela::detail::ScaleByPowerOfTwo(rowOfR, static_cast<std::size_t>(n - i), exponent);
  }
  return independent;
}

// Entry checks and scratch for FactorHouseholder.
unsigned char FactorQR(int m, int n, double* a, double* beta) {
  if (std::max(m, n) <= 0 || m < n || a == nullptr || (n > 0 && beta == nullptr)) return 0;
  if (n < 1) return 1;
  Scratch work;
  work.resize(m + n, 0.0);
  return FactorHouseholder(m, n, a, beta, work.begin());
}

// Y = (R⁻¹)ᵀ for the upper triangle R of the n-column compact factors qr,
// written into the first n rows of y (stride n; y is zero on entry). Column j
// of R⁻¹ is computed for all rows k < j at once: entry (k, j) = -(sum over
// l = k .. j-1 of entry (k, l) R(l, j)) / R(j, j), each sum in increasing l.
void InvertTriangleTransposed(int n, const double* qr, double* y, double* acc) {
  for (int j = 0; j < n; ++j) {
    const double rjj = qr[static_cast<std::ptrdiff_t>(j) * n + j];
    std::fill(acc, acc + j, 0.0);
    for (int l = 0; l < j; ++l) {
      const double rlj = qr[static_cast<std::ptrdiff_t>(l) * n + j];
      const double* yl = y + static_cast<std::ptrdiff_t>(l) * n;
      for (int k = 0; k <= l; ++k) acc[k] += yl[k] * rlj;
    }
    double* yj = y + static_cast<std::ptrdiff_t>(j) * n;
    for (int k = 0; k < j; ++k) yj[k] = -acc[k] / rjj;
    yj[j] = 1.0 / rjj;
  }
}

// X := X H_(n-1) ... H_0 applied in the order k = n-1 down to 0, with X held
// transposed in y (m rows of stride n: y(i, r) = X(r, i)). For each reflector
// the n row sums s_r = beta_k * sum_{i >= k} X(r, i) v(i) advance together.
void ApplyReflectorsFromRight(int m, int n, const double* qr, const double* beta, double* y, double* v,
                              double* acc) {
  for (int k = n - 1; k >= 0; --k) {
    v[k] = 1.0;
    for (int i = k + 1; i < m; ++i) v[i] = qr[static_cast<std::ptrdiff_t>(i) * n + k];
    std::fill(acc, acc + n, 0.0);
    for (int i = k; i < m; ++i) {
      const double vi = v[i];
      const double* yi = y + static_cast<std::ptrdiff_t>(i) * n;
      for (int r = 0; r < n; ++r) acc[r] += yi[r] * vi;
    }
    const double b = beta[k];
    for (int r = 0; r < n; ++r) acc[r] = b * acc[r];
    for (int i = k; i < m; ++i) {
      const double vi = v[i];
      double* yi = y + static_cast<std::ptrdiff_t>(i) * n;
      for (int r = 0; r < n; ++r) yi[r] = yi[r] - acc[r] * vi;
    }
  }
}

// Sum of a(j) * b(j) over the columns j whose level is L, in increasing j.
double LevelDot(int n, const double* a, const double* b, const int* levels, int L) {
  double sum = 0.0;
  for (int j = 0; j < n; ++j)
    if (levels[j] == L) sum += a[j] * b[j];
  return sum;
}

// Largest level below L that some column carries, or -1 when none is >= 0.
int HighestLevelBelow(int n, const int* levels, int L) {
  int best = -1;
  for (int j = 0; j < n; ++j)
    if (levels[j] < L && levels[j] > best) best = levels[j];
  return best;
}

// Sum of a(j) * b(j) over all n columns, in increasing j.
double Dot(int n, const double* a, const double* b) {
  double sum = 0.0;
  for (int j = 0; j < n; ++j) sum += a[j] * b[j];
  return sum;
}

bool AnyUnused(const VelaBoolArray& used, int m) {
  for (int i = 0; i < m; ++i)
    if (!used[i]) return true;
  return false;
}

// Squared norm below which an earlier row carries no direction to remove.
constexpr double kNegligibleNormSq = 1e-20;

// Squared norms of rows held at 2^-exponent times the caller's scale,
// expressed at the caller's scale, where the absolute tolerances apply.
// Exact, except that what the caller's scale cannot hold overflows to
// infinity or underflows to 0, as it would have there.
struct CallerScale {
  int exponent;
  double NormSq(double scaledNormSq) const {
    return exponent == 0 ? scaledNormSq : std::ldexp(scaledNormSq, 2 * exponent);
  }
};

// Modified Gram-Schmidt on the m x n rows of a, without normalisation: rows
// whose squared norm, at the caller's scale, ends below tolSq become zero.
// normSq receives each row's squared norm at the scale of a. Returns the
// rows kept.
int OrthogonalizeRows(int m, int n, double* a, double tolSq, CallerScale caller, double* normSq) {
  int kept = m;
  for (int i = 0; i < m; ++i) {
    double* ri = a + static_cast<std::ptrdiff_t>(i) * n;
    for (int k = 0; k < i; ++k) {
      // Rows already zeroed (or negligible) carry no direction to remove.
      if (caller.NormSq(normSq[k]) < kNegligibleNormSq) continue;
      const double* rk = a + static_cast<std::ptrdiff_t>(k) * n;
      const double c = Dot(n, ri, rk) / normSq[k];
      if (c == 0.0) continue;
      for (int j = 0; j < n; ++j) ri[j] = ri[j] - c * rk[j];
    }
    normSq[i] = Dot(n, ri, ri);
    if (caller.NormSq(normSq[i]) < tolSq) {
      std::fill(ri, ri + n, 0.0);
      --kept;
    }
  }
  return kept;
}

// The squared tolerances of MinimizeNorm at the caller's scale, and the
// scales at which the rows and x are held.
struct MinimizeNormScales {
  double tol1Sq;
  double tol2Sq;
  CallerScale rows;
  CallerScale x;
};

// MinimizeNorm's steps on the m x n rows a and x (see the member).
void MinimizeNormSteps(int m, int n, double* a, double* x, const int* levels, const MinimizeNormScales& scales,
                       unsigned char& ioFlag, int& oRow, int& ioLevel, VelaBoolArray* ioUsedRows) {
  const int maxLevel = *std::max_element(levels, levels + n);
  const bool singleStep = ioUsedRows != nullptr;

  VelaBoolArray ownUsed;
  VelaBoolArray& used = singleStep ? *ioUsedRows : ownUsed;
  if (used.Size() < m) used.IncreaseSize(m - used.Size(), 0);

  auto row = [a, n](int i) { return a + static_cast<std::ptrdiff_t>(i) * n; };
  const unsigned char flagOnLevelChange = singleStep ? 1 : ioFlag;
  if (!singleStep) ioLevel = maxLevel;
  int L = (!singleStep || ioLevel == -1) ? maxLevel : ioLevel;
  unsigned char f = ioFlag;
  while (L >= 0) {
    // Pivot: the unused row with the largest squared norm on level L's
    // columns, at least the tolerance; the last row reaching it wins ties.
    const double tolSq = f ? scales.tol2Sq : scales.tol1Sq;
    double t = 0.0;
    int p = -1;
    for (int i = 0; i < m; ++i) {
      if (used[i]) continue;
      const double s = LevelDot(n, row(i), row(i), levels, L);
      if (p < 0 ? scales.rows.NormSq(s) >= tolSq : s >= t) {
        p = i;
        t = s;
      }
    }
    if (p < 0) {
      // A level no column carries yields a pivot only when the tolerance is
      // 0 and a row is unused; otherwise go straight to the next real level.
      const double tNext = flagOnLevelChange ? scales.tol2Sq : scales.tol1Sq;
      L = (!(0.0 >= tNext) || !AnyUnused(used, m)) ? HighestLevelBelow(n, levels, L) : L - 1;
      f = flagOnLevelChange;
      continue;
    }

    used.Set(p, 1);
    const double* pr = row(p);
    for (int r = 0; r < m; ++r) {
      if (used[r]) continue;
      double* rr = row(r);
      const double c = LevelDot(n, rr, pr, levels, L) / t;
      for (int j = 0; j < n; ++j) rr[j] = rr[j] - c * pr[j];
    }
    const double c = LevelDot(n, x, pr, levels, L) / t;
    for (int j = 0; j < n; ++j) x[j] = x[j] - c * pr[j];
    double e = 0.0;
    for (int j = 0; j < n; ++j)
      if (levels[j] == L) e += (c * pr[j]) * (c * pr[j]);
    if (scales.x.NormSq(e) > scales.tol1Sq) f = 0;
    if (singleStep) {
      ioFlag = f;
      oRow = p;
      ioLevel = L;
      return;
    }
  }
}

}  // namespace

unsigned char VelaMatrix::QRFactors(int m, int n, const double* ioA, double* oBeta) const {
  // ioA is the caller's work array and is written in place despite its type.
  return FactorQR(m, n, const_cast<double*>(ioA), oBeta);
}

unsigned char VelaMatrix::InverseQR(VelaMatrix& oInv) const {
  const int m = rows_;
  const int n = cols_;
  if (m < n || m == 0) return 0;  // a 0 x 0 matrix has nothing to factorise
  if (n == 0) {
    // No columns: the factorisation trivially succeeds and R⁻¹Qᵀ is 0 x m.
    oInv.Resize(0, m);
    return 1;
  }
  const std::ptrdiff_t size = static_cast<std::ptrdiff_t>(m) * n;
  // One block: qr (m x n) | y (m x n) | beta (n) | v (m) | acc (max(m, n) + n).
  Scratch work;
  work.resize(static_cast<int>(2 * size + 3 * n + 2 * m), 0.0);
  double* qr = work.begin();
  double* y = qr + size;
  double* beta = y + size;
  double* v = beta + n;
  double* acc = v + m;
  std::copy(Buffer(), Buffer() + size, qr);

  if (!FactorHouseholder(m, n, qr, beta, acc)) return 0;
  for (int k = 0; k < n; ++k)
    if (qr[static_cast<std::ptrdiff_t>(k) * n + k] == 0.0) return 0;

  InvertTriangleTransposed(n, qr, y, acc);
  ApplyReflectorsFromRight(m, n, qr, beta, y, v, acc);

  oInv.Resize(n, m);
  double* out = oInv.GetBuffer();
  for (int r = 0; r < n; ++r)
    for (int i = 0; i < m; ++i) out[static_cast<std::ptrdiff_t>(r) * m + i] = y[static_cast<std::ptrdiff_t>(i) * n + r];
  return 1;
}

int VelaMatrix::Orthogonalize(double iTol, double* oNormSq) {
  const int m = rows_;
  const int n = cols_;
  if (m <= 0 || n <= 0) {
    if (oNormSq != nullptr) std::fill(oNormSq, oNormSq + std::max(m, 0), 0.0);
    return 0;
  }
  Scratch scratch;
  double* normSq = oNormSq;
  if (normSq == nullptr) {
    scratch.resize(m, 0.0);
    normSq = scratch.begin();
  }
  // Rows far from unit scale are worked on as their power-of-two multiple
  // near 1; the absolute tolerances still apply at the caller's scale.
  const std::size_t size = static_cast<std::size_t>(m) * static_cast<std::size_t>(n);
  const int exponent = vela::detail::OutOfRangeExponent(Buffer(), size);
  vela::detail::ScaleByPowerOfTwo(Buffer(), size, -exponent);
  const int kept = OrthogonalizeRows(m, n, Buffer(), iTol * iTol, CallerScale{exponent}, normSq);
  vela::detail::ScaleByPowerOfTwo(Buffer(), size, exponent);
  vela::detail::ScaleByPowerOfTwo(normSq, static_cast<std::size_t>(m), 2 * exponent);
  return kept;
}

void VelaMatrix::MinimizeNorm(double* ioX, const int* iLevels, double iTol1, double iTol2, unsigned char& ioFlag,
                              int& oRow, int& ioLevel, VelaBoolArray* ioUsedRows) {
  const int m = rows_;
  const int n = cols_;
  if (ioX == nullptr || iLevels == nullptr || m <= 0 || n <= 0) return;
  // The rows and x far from unit scale are each worked on as their
  // power-of-two multiple near 1; the multipliers c then carry the ratio of
  // the two scales, and the tolerances still apply at the caller's scale.
  const std::size_t size = static_cast<std::size_t>(m) * static_cast<std::size_t>(n);
  const int rowExponent = vela::detail::OutOfRangeExponent(Buffer(), size);
  const int xExponent = vela::detail::OutOfRangeExponent(ioX, static_cast<std::size_t>(n));
  vela::detail::ScaleByPowerOfTwo(Buffer(), size, -rowExponent);
  vela::detail::ScaleByPowerOfTwo(ioX, static_cast<std::size_t>(n), -xExponent);
  const MinimizeNormScales scales{iTol1 * iTol1, iTol2 * iTol2, CallerScale{rowExponent}, CallerScale{xExponent}};
  MinimizeNormSteps(m, n, Buffer(), ioX, iLevels, scales, ioFlag, oRow, ioLevel, ioUsedRows);
  vela::detail::ScaleByPowerOfTwo(Buffer(), size, rowExponent);
  vela::detail::ScaleByPowerOfTwo(ioX, static_cast<std::size_t>(n), xExponent);
}
