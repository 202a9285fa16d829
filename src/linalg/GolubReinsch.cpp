// Golub-Reinsch singular value decomposition.
//
// Method, for an mw x n array A with mw >= n:
// 1. Householder bidiagonalisation. Step i reflects column i (rows i ..
//    mw-1) onto its diagonal element, then row i (columns i+1 .. n-1) onto
//    its superdiagonal element. Each reflection first divides the entries it
//    acts on by the sum of their magnitudes (no overflow or underflow in the
//    squared norm) and picks the sign of the new leading entry opposite to
//    the old one (no cancellation in f - g). The diagonal lands in w, the
//    superdiagonal in e (e(0) = 0); the reflectors stay in A.
//
//        w0 e1  .  .
//         . w1 e2  .        column reflector i below the diagonal,
//         .  . w2 e3        row reflector i right of the superdiagonal
//         .  .  . w3
//
// 2. The row reflectors are accumulated into V, then the column reflectors
//    into A itself, which becomes U.
// 3. Implicit-shift QR sweeps with Givens rotations drive e to zero, for
//    k = n-1 down to 0. anorm = max |w(i)| + |e(i)|; an entry is negligible
//    when its magnitude is at most anorm * 2.220446049250313e-16. A
//    negligible e(l) splits the bidiagonal; a negligible w(l-1) first
//    cancels e(l) by rotations against row l-1. The shift comes from the
//    trailing 2 x 2 block of the unreduced part l .. k. Each value gets at
//    most 30 rounds: a 30th round that starts unconverged is a failure. A
//    converged negative value is negated together with its column of V.
//
// Summation orders are those of the classical formulation (every sum runs
// over increasing row or column index). Loops are interchanged where that
// keeps each sum's order but turns strided column walks into contiguous row
// walks, and the rotations of step 3 run on transposed copies of U and V so
// that each one sweeps two contiguous rows.
//
// Non-finite input never hangs: NaN makes anorm NaN, nothing is negligible,
// every value with k > 0 spends its 30 rounds; a value that converges to a
// non-finite number (k = 0, or infinite entries) is reported as a failure.
#include "linalg/GolubReinsch.h"

#include <cmath>
#include <cstddef>

namespace vela::detail {
namespace {

constexpr double kMachineEpsilon = 2.220446049250313e-16;
constexpr int kMaxRounds = 30;

// sqrt(a² + b²) scaled by the larger magnitude, so that neither square
// overflows nor underflows; 0 when both are 0.
double Hypot(double a, double b) {
  const double absA = std::fabs(a);
  const double absB = std::fabs(b);
  if (absA > absB) {
    const double r = absB / absA;
    return absA * std::sqrt(1.0 + r * r);
  }
  if (absB == 0.0) return 0.0;
  const double r = absA / absB;
  return absB * std::sqrt(1.0 + r * r);
}

// |magnitude| carrying the sign of sign (+ for a zero of either sign).
double WithSignOf(double magnitude, double sign) { return sign >= 0.0 ? std::fabs(magnitude) : -std::fabs(magnitude); }

// p := p c + q s, q := q c - p s, element-wise over len entries.
void Rotate(double* p, double* q, std::size_t len, double c, double s) {
  for (std::size_t r = 0; r < len; ++r) {
    const double y = p[r];
    const double z = q[r];
    p[r] = y * c + z * s;
    q[r] = z * c - y * s;
  }
}

// dst (cols x rows) := srcᵀ, src being rows x cols; both row-major.
void Transpose(const double* src, std::size_t rows, std::size_t cols, double* dst) {
  for (std::size_t i = 0; i < rows; ++i)
    for (std::size_t j = 0; j < cols; ++j) dst[j * rows + i] = src[i * cols + j];
}

// The bidiagonal being diagonalised, with U and V held transposed: row j of
// ut is column j of U (m entries), row j of vt column j of V (n entries).
struct Bidiagonal {
  std::size_t n;
  std::size_t m;
  double* w;   // diagonal
  double* e;   // superdiagonal, e[0] = 0
  double* ut;  // n x m
  double* vt;  // n x n
  double tol;  // anorm * machine epsilon

  double* URow(std::size_t j) const { return ut + j * m; }
  double* VRow(std::size_t j) const { return vt + j * n; }
};

// ---- Step 1: bidiagonalisation ----------------------------------------------

// Reflects column i (rows i .. mw-1) onto its diagonal element and applies
// the reflection to columns i+1 .. n-1. Returns g (the new diagonal element
// before unscaling) and sets scale; g = scale = 0 for a zero column.
double ReflectColumn(double* a, std::size_t mw, std::size_t n, std::size_t i, double* sums, double& scale) {
  scale = 0.0;
  for (std::size_t k = i; k < mw; ++k) scale += std::fabs(a[k * n + i]);
  if (scale == 0.0) return 0.0;
  double s = 0.0;
  for (std::size_t k = i; k < mw; ++k) {
    double& aki = a[k * n + i];
    aki /= scale;
    s += aki * aki;
  }
  const double f = a[i * n + i];
  const double g = -WithSignOf(std::sqrt(s), f);
  const double h = f * g - s;
  a[i * n + i] = f - g;
  const std::size_t l = i + 1;
  if (l < n) {
    // sums[j] = sum over k of a(k, i) a(k, j): accumulated for all j at once,
    // row by row, each in increasing k.
    for (std::size_t j = l; j < n; ++j) sums[j] = 0.0;
    for (std::size_t k = i; k < mw; ++k) {
      const double aki = a[k * n + i];
      const double* row = a + k * n;
      for (std::size_t j = l; j < n; ++j) sums[j] += aki * row[j];
    }
    for (std::size_t j = l; j < n; ++j) sums[j] /= h;
    for (std::size_t k = i; k < mw; ++k) {
      const double aki = a[k * n + i];
      double* row = a + k * n;
      for (std::size_t j = l; j < n; ++j) row[j] += sums[j] * aki;
    }
  }
  for (std::size_t k = i; k < mw; ++k) a[k * n + i] *= scale;
  return g;
}

// Reflects row i (columns i+1 .. n-1, i + 1 < n) onto its superdiagonal
// element and applies the reflection to rows i+1 .. mw-1. e[i+1 .. n-1]
// serve as scratch (they are set later by the caller). Returns g and sets
// scale, as ReflectColumn.
double ReflectRow(double* a, std::size_t mw, std::size_t n, std::size_t i, double* e, double& scale) {
  const std::size_t l = i + 1;
  double* ri = a + i * n;
  scale = 0.0;
  for (std::size_t k = l; k < n; ++k) scale += std::fabs(ri[k]);
  if (scale == 0.0) return 0.0;
  double s = 0.0;
  for (std::size_t k = l; k < n; ++k) {
    ri[k] /= scale;
    s += ri[k] * ri[k];
  }
  const double f = ri[l];
  const double g = -WithSignOf(std::sqrt(s), f);
  const double h = f * g - s;
  ri[l] = f - g;
  for (std::size_t k = l; k < n; ++k) e[k] = ri[k] / h;
  // Rows are independent: four at a time give four independent sums.
  std::size_t j = l;
  for (; j + 4 <= mw; j += 4) {
    double* r0 = a + j * n;
    double* r1 = r0 + n;
    double* r2 = r1 + n;
    double* r3 = r2 + n;
    double s0 = 0.0, s1 = 0.0, s2 = 0.0, s3 = 0.0;
    for (std::size_t k = l; k < n; ++k) {
      s0 += r0[k] * ri[k];
      s1 += r1[k] * ri[k];
      s2 += r2[k] * ri[k];
      s3 += r3[k] * ri[k];
    }
    for (std::size_t k = l; k < n; ++k) {
      r0[k] += s0 * e[k];
      r1[k] += s1 * e[k];
      r2[k] += s2 * e[k];
      r3[k] += s3 * e[k];
    }
  }
  for (; j < mw; ++j) {
    double* rj = a + j * n;
    double sj = 0.0;
    for (std::size_t k = l; k < n; ++k) sj += rj[k] * ri[k];
    for (std::size_t k = l; k < n; ++k) rj[k] += sj * e[k];
  }
  for (std::size_t k = l; k < n; ++k) ri[k] *= scale;
  return g;
}

// Keeps a NaN once seen, so that NaN input leaves nothing negligible.
double MaxKeepingNaN(double current, double candidate) {
  return (std::isnan(candidate) || candidate > current) ? candidate : current;
}

// Returns anorm.
double Bidiagonalise(double* a, std::size_t mw, std::size_t n, double* w, double* e, double* sums) {
  double g = 0.0;
  double scale = 0.0;
  double anorm = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    e[i] = scale * g;
    g = ReflectColumn(a, mw, n, i, sums, scale);
    w[i] = scale * g;
    if (i + 1 < n) {
      g = ReflectRow(a, mw, n, i, e, scale);
    } else {
      g = 0.0;
      scale = 0.0;
    }
    anorm = MaxKeepingNaN(anorm, std::fabs(w[i]) + std::fabs(e[i]));
  }
  return anorm;
}

// ---- Step 2: accumulation ------------------------------------------------------

// V := product of the row reflectors, built from the last one back.
void AccumulateRight(const double* a, std::size_t n, const double* e, double* v, double* sums) {
  double g = 0.0;
  std::size_t l = n;
  for (std::size_t i = n; i-- > 0;) {
    if (i + 1 < n) {
      if (g != 0.0) {
        const double* ri = a + i * n;
        // Divided twice rather than by the product, which may underflow.
        for (std::size_t j = l; j < n; ++j) v[j * n + i] = (ri[j] / ri[l]) / g;
        for (std::size_t j = l; j < n; ++j) sums[j] = 0.0;
        for (std::size_t k = l; k < n; ++k) {
          const double aik = ri[k];
          const double* vk = v + k * n;
          for (std::size_t j = l; j < n; ++j) sums[j] += aik * vk[j];
        }
        for (std::size_t k = l; k < n; ++k) {
          const double vki = v[k * n + i];
          double* vk = v + k * n;
          for (std::size_t j = l; j < n; ++j) vk[j] += sums[j] * vki;
        }
      }
      for (std::size_t j = l; j < n; ++j) {
        v[i * n + j] = 0.0;
        v[j * n + i] = 0.0;
      }
    }
    v[i * n + i] = 1.0;
    g = e[i];
    l = i;
  }
}

// A := product of the column reflectors (its first n columns), in place.
void AccumulateLeft(double* a, std::size_t mw, std::size_t n, const double* w, double* sums) {
  for (std::size_t i = n; i-- > 0;) {
    const std::size_t l = i + 1;
    double* ri = a + i * n;
    for (std::size_t j = l; j < n; ++j) ri[j] = 0.0;
    double g = w[i];
    if (g != 0.0) {
      g = 1.0 / g;
      if (l < n) {
        for (std::size_t j = l; j < n; ++j) sums[j] = 0.0;
        for (std::size_t k = l; k < mw; ++k) {
          const double aki = a[k * n + i];
          const double* rk = a + k * n;
          for (std::size_t j = l; j < n; ++j) sums[j] += aki * rk[j];
        }
        for (std::size_t j = l; j < n; ++j) sums[j] = (sums[j] / ri[i]) * g;
        for (std::size_t k = i; k < mw; ++k) {
          const double aki = a[k * n + i];
          double* rk = a + k * n;
          for (std::size_t j = l; j < n; ++j) rk[j] += sums[j] * aki;
        }
      }
      for (std::size_t j = i; j < mw; ++j) a[j * n + i] *= g;
    } else {
      for (std::size_t j = i; j < mw; ++j) a[j * n + i] = 0.0;
    }
    ri[i] += 1.0;
  }
}

// ---- Step 3: diagonalisation -----------------------------------------------------

// w(l-1) is negligible: rotations against row l-1 chase e(l) out of the
// block l .. k, stopping as soon as what remains of it is negligible.
void CancelSuperdiagonal(const Bidiagonal& b, std::size_t l, std::size_t k) {
  const std::size_t nm = l - 1;
  double c = 0.0;
  double s = 1.0;
  for (std::size_t i = l; i <= k; ++i) {
    const double f = s * b.e[i];
    b.e[i] = c * b.e[i];
    if (std::fabs(f) <= b.tol) break;
    const double g = b.w[i];
    double h = Hypot(f, g);
    b.w[i] = h;
    h = 1.0 / h;
    c = g * h;
    s = -f * h;
    Rotate(b.URow(nm), b.URow(i), b.m, c, s);
  }
}

// One implicit-shift QR sweep over the unreduced block l .. k (l < k).
void Sweep(const Bidiagonal& b, std::size_t l, std::size_t k) {
  double* w = b.w;
  double* e = b.e;
  const std::size_t nm = k - 1;
  double x = w[l];
  double y = w[nm];
  double z = w[k];
  double g = e[nm];
  double h = e[k];
  // Shift from the trailing 2 x 2 block.
  double f = ((y - z) * (y + z) + (g - h) * (g + h)) / (2.0 * h * y);
  g = Hypot(f, 1.0);
  f = ((x - z) * (x + z) + h * ((y / (f + WithSignOf(g, f))) - h)) / x;
  double c = 1.0;
  double s = 1.0;
  for (std::size_t j = l; j <= nm; ++j) {
    const std::size_t i = j + 1;
    g = e[i];
    y = w[i];
    h = s * g;
    g = c * g;
    z = Hypot(f, h);
    e[j] = z;
    c = f / z;
    s = h / z;
    f = x * c + g * s;
    g = g * c - x * s;
    h = y * s;
    y *= c;
    Rotate(b.VRow(j), b.VRow(i), b.n, c, s);
    z = Hypot(f, h);
    w[j] = z;
    // z = 0 leaves the rotation arbitrary: the previous one serves.
    if (z != 0.0) {
      z = 1.0 / z;
      c = f * z;
      s = h * z;
    }
    f = c * g + s * y;
    x = c * y - s * g;
    Rotate(b.URow(j), b.URow(i), b.m, c, s);
  }
  e[l] = 0.0;
  e[k] = f;
  w[k] = x;
}

// Start l of the unreduced block ending at k; cancel is set when the block
// is split by a negligible w(l-1) rather than a negligible e(l). e(0) is
// zero by construction, so the search stops at l = 0 whatever anorm holds.
std::size_t FindBlockStart(const Bidiagonal& b, std::size_t k, bool& cancel) {
  for (std::size_t l = k;; --l) {
    if (l == 0 || std::fabs(b.e[l]) <= b.tol) {
      cancel = false;
      return l;
    }
    if (std::fabs(b.w[l - 1]) <= b.tol) {
      cancel = true;
      return l;
    }
  }
}

bool Diagonalise(const Bidiagonal& b) {
  for (std::size_t k = b.n; k-- > 0;) {
    for (int round = 1;; ++round) {
      bool cancel = false;
      const std::size_t l = FindBlockStart(b, k, cancel);
      if (cancel) CancelSuperdiagonal(b, l, k);
      if (l == k) {
        const double z = b.w[k];
        if (!std::isfinite(z)) return false;
        if (z < 0.0) {
          b.w[k] = -z;
          double* vk = b.VRow(k);
          for (std::size_t r = 0; r < b.n; ++r) vk[r] = -vk[r];
        }
        break;
      }
      if (round == kMaxRounds) return false;
      Sweep(b, l, k);
    }
  }
  return true;
}

}  // namespace

bool GolubReinschSVD(int mw, int n, int m, double* ioA, double* oS, double* oV) {
  const std::size_t rows = static_cast<std::size_t>(mw);
  const std::size_t cols = static_cast<std::size_t>(n);
  const std::size_t kept = static_cast<std::size_t>(m);
  // e (n) | sums (n) | Uᵀ (n x m) | Vᵀ (n x n)
  ScratchDoubles<160> scratch(2 * cols + cols * kept + cols * cols);
  double* e = scratch.get();
  double* sums = e + cols;
  double* ut = sums + cols;
  double* vt = ut + cols * kept;

  const double anorm = Bidiagonalise(ioA, rows, cols, oS, e, sums);
  AccumulateRight(ioA, cols, e, oV, sums);
  AccumulateLeft(ioA, rows, cols, oS, sums);

  Transpose(ioA, kept, cols, ut);
  Transpose(oV, cols, cols, vt);
  const Bidiagonal b{cols, kept, oS, e, ut, vt, anorm * kMachineEpsilon};
  const bool converged = Diagonalise(b);
  Transpose(ut, cols, kept, ioA);
  Transpose(vt, cols, cols, oV);
  return converged;
}

}  // namespace vela::detail
