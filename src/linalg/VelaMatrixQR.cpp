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
// remaining norm mu falls below normA * 1e-12 makes the factorisation report
// dependent columns (the loop still finishes, so R is complete); a column whose
// part below the diagonal has squared norm below normA * 1e-24 is already a
// multiple of e_k and gets no reflection (beta = 0) instead of a reflector
// built from rounding noise.
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
//   infinite entry. Finite entries whose column norm overflows go through
//   the ordinary steps.
// - QRFactors returns 0 and leaves its arrays untouched when m < n or when a
//   pointer is null, instead of reading past the array.
// - InverseQR leaves oInv untouched whenever it returns 0, and copies this
//   before writing oInv, so a.InverseQR(a) works.
// - Orthogonalize keeps the squared norms it needs, when oNormSq is null, in
//   a separate scratch array (inline for up to 128 rows, heap beyond), so the
//   matrix buffer and its capacity are never changed.
// - MinimizeNorm in full mode sets ioLevel to the largest of iLevels, its
//   starting level, and leaves ioFlag and oRow as passed. In single-step mode
//   it writes all three only when it took a step. A used-rows array
//   shorter than rows is extended with clear flags. Levels that no column
//   carries are stepped over at once when they cannot yield a pivot, so huge
//   level numbers cost nothing.

#include <algorithm>
#include <cmath>

#include "vela/containers/VelaArray.h"
#include "vela/containers/VelaBoolArray.h"
#include "vela/linalg/VelaMatrix.h"

namespace {

// Scratch doubles: inline up to the size a 6 x 6 left inverse needs, heap
// beyond, so small problems never allocate.
using Scratch = VelSTLVector<double, 128>;

// Householder QR of the m x n row-major array a (stride n, m >= n >= 1) in
// compact form; work holds at least m + n doubles. Returns 1 when the columns
// are numerically independent.
// Whether every entry of the m x n array is finite.
bool AllFinite(int m, int n, const double* a) {
  const std::ptrdiff_t size = static_cast<std::ptrdiff_t>(m) * n;
  for (std::ptrdiff_t i = 0; i < size; ++i)
    if (!std::isfinite(a[i])) return false;
  return true;
}

unsigned char FactorHouseholder(int m, int n, double* a, double* beta, double* work) {
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
  if (!(normA > 0.0) || (!std::isfinite(normA) && !AllFinite(m, n, a))) {
    std::fill(beta, beta + n, 0.0);
    return 0;
  }
  const double tolRank = normA * 1e-12;
  const double tolSkip = normA * 1e-12 * 1e-12;

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
    if (!(std::fabs(sigma) < tolSkip)) {
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
  const double tolSq = iTol * iTol;
  int kept = m;
  for (int i = 0; i < m; ++i) {
    double* ri = GetRow(i);
    for (int k = 0; k < i; ++k) {
      // Rows already zeroed (or negligible) carry no direction to remove.
      if (normSq[k] < 1e-20) continue;
      const double* rk = GetRow(k);
      const double c = Dot(n, ri, rk) / normSq[k];
      if (c == 0.0) continue;
      for (int j = 0; j < n; ++j) ri[j] = ri[j] - c * rk[j];
    }
    normSq[i] = Dot(n, ri, ri);
    if (normSq[i] < tolSq) {
      std::fill(ri, ri + n, 0.0);
      --kept;
    }
  }
  return kept;
}

void VelaMatrix::MinimizeNorm(double* ioX, const int* iLevels, double iTol1, double iTol2, unsigned char& ioFlag,
                              int& oRow, int& ioLevel, VelaBoolArray* ioUsedRows) {
  const int m = rows_;
  const int n = cols_;
  if (ioX == nullptr || iLevels == nullptr || m <= 0 || n <= 0) return;
  const int maxLevel = *std::max_element(iLevels, iLevels + n);
  const bool singleStep = ioUsedRows != nullptr;

  VelaBoolArray ownUsed;
  VelaBoolArray& used = singleStep ? *ioUsedRows : ownUsed;
  if (used.Size() < m) used.IncreaseSize(m - used.Size(), 0);

  const double tol1Sq = iTol1 * iTol1;
  const double tol2Sq = iTol2 * iTol2;
  const unsigned char flagOnLevelChange = singleStep ? 1 : ioFlag;
  if (!singleStep) ioLevel = maxLevel;
  int L = (!singleStep || ioLevel == -1) ? maxLevel : ioLevel;
  unsigned char f = ioFlag;
  while (L >= 0) {
    // Pivot: the unused row with the largest squared norm on level L's
    // columns, at least the tolerance; the last row reaching it wins ties.
    double t = f ? tol2Sq : tol1Sq;
    int p = -1;
    for (int i = 0; i < m; ++i) {
      if (used[i]) continue;
      const double* ri = GetRow(i);
      const double s = LevelDot(n, ri, ri, iLevels, L);
      if (s >= t) {
        p = i;
        t = s;
      }
    }
    if (p < 0) {
      // A level no column carries yields a pivot only when the tolerance is
      // 0 and a row is unused; otherwise go straight to the next real level.
      const double tNext = flagOnLevelChange ? tol2Sq : tol1Sq;
      L = (!(0.0 >= tNext) || !AnyUnused(used, m)) ? HighestLevelBelow(n, iLevels, L) : L - 1;
      f = flagOnLevelChange;
      continue;
    }

    used.Set(p, 1);
    const double* pr = GetRow(p);
    for (int r = 0; r < m; ++r) {
      if (used[r]) continue;
      double* rr = GetRow(r);
      const double c = LevelDot(n, rr, pr, iLevels, L) / t;
      for (int j = 0; j < n; ++j) rr[j] = rr[j] - c * pr[j];
    }
    const double c = LevelDot(n, ioX, pr, iLevels, L) / t;
    for (int j = 0; j < n; ++j) ioX[j] = ioX[j] - c * pr[j];
    double e = 0.0;
    for (int j = 0; j < n; ++j)
      if (iLevels[j] == L) e += (c * pr[j]) * (c * pr[j]);
    if (e > tol1Sq) f = 0;
    if (singleStep) {
      ioFlag = f;
      oRow = p;
      ioLevel = L;
      return;
    }
  }
}
