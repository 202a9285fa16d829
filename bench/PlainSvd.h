// A plain transcription of the library's singular value decomposition: straight loops over row-major arrays,
// column walks strided, every rotation applied to U and V in place. It does the library's arithmetic in the same
// order, so the two agree bit for bit; the benchmark measures the library's loop organisation against it and
// stops when the bits differ.
#ifndef VELA_BENCH_PLAINSVD_H
#define VELA_BENCH_PLAINSVD_H

#include <cmath>
#include <cstddef>
#include <vector>

namespace vela::test {

inline double PlainHypot(double a, double b) {
  const double x = std::fabs(a), y = std::fabs(b);
  if (x > y) return x * std::sqrt(1.0 + (y / x) * (y / x));
  return y == 0.0 ? 0.0 : y * std::sqrt(1.0 + (x / y) * (x / y));
}

inline double PlainSign(double a, double b) { return b >= 0.0 ? std::fabs(a) : -std::fabs(a); }

// a: m x n (m >= n), becomes U; w: n values; v: n x n. Returns false on non-convergence.
inline bool PlainSVD(int m, int n, double* a, double* w, double* v) {
  auto A = [&](int i, int j) -> double& { return a[i * n + j]; };
  auto V = [&](int i, int j) -> double& { return v[i * n + j]; };
  std::vector<double> rv1(static_cast<std::size_t>(n));
  double g = 0.0, scale = 0.0, anorm = 0.0;
  int l = 0;
  // Householder reduction to bidiagonal form: a column reflection, then a row reflection.
  for (int i = 0; i < n; ++i) {
    l = i + 1;
    rv1[i] = scale * g;
    g = scale = 0.0;
    double s = 0.0;
    for (int k = i; k < m; ++k) scale += std::fabs(A(k, i));
    if (scale != 0.0) {
      for (int k = i; k < m; ++k) A(k, i) /= scale, s += A(k, i) * A(k, i);
      double f = A(i, i);
      g = -PlainSign(std::sqrt(s), f);
      const double h = f * g - s;
      A(i, i) = f - g;
      for (int j = l; j < n; ++j) {
        s = 0.0;
        for (int k = i; k < m; ++k) s += A(k, i) * A(k, j);
        f = s / h;
        for (int k = i; k < m; ++k) A(k, j) += f * A(k, i);
      }
      for (int k = i; k < m; ++k) A(k, i) *= scale;
    }
    w[i] = scale * g;
    g = s = scale = 0.0;
    if (i + 1 != n) {
      for (int k = l; k < n; ++k) scale += std::fabs(A(i, k));
      if (scale != 0.0) {
        for (int k = l; k < n; ++k) A(i, k) /= scale, s += A(i, k) * A(i, k);
        const double f = A(i, l);
        g = -PlainSign(std::sqrt(s), f);
        const double h = f * g - s;
        A(i, l) = f - g;
        for (int k = l; k < n; ++k) rv1[k] = A(i, k) / h;
        for (int j = l; j < m; ++j) {
          s = 0.0;
          for (int k = l; k < n; ++k) s += A(j, k) * A(i, k);
          for (int k = l; k < n; ++k) A(j, k) += s * rv1[k];
        }
        for (int k = l; k < n; ++k) A(i, k) *= scale;
      }
    }
    const double t = std::fabs(w[i]) + std::fabs(rv1[i]);
    if (t > anorm) anorm = t;
  }
  // Accumulation of the right-hand transformations into V, then of the left-hand ones into U.
  for (int i = n - 1; i >= 0; --i) {
    if (i < n - 1) {
      if (g != 0.0) {
        for (int j = l; j < n; ++j) V(j, i) = (A(i, j) / A(i, l)) / g;
        for (int j = l; j < n; ++j) {
          double s = 0.0;
          for (int k = l; k < n; ++k) s += A(i, k) * V(k, j);
          for (int k = l; k < n; ++k) V(k, j) += s * V(k, i);
        }
      }
      for (int j = l; j < n; ++j) V(i, j) = V(j, i) = 0.0;
    }
    V(i, i) = 1.0;
    g = rv1[i];
    l = i;
  }
  for (int i = n - 1; i >= 0; --i) {
    l = i + 1;
    g = w[i];
    for (int j = l; j < n; ++j) A(i, j) = 0.0;
    if (g != 0.0) {
      g = 1.0 / g;
      for (int j = l; j < n; ++j) {
        double s = 0.0;
        for (int k = l; k < m; ++k) s += A(k, i) * A(k, j);
        const double f = (s / A(i, i)) * g;
        for (int k = i; k < m; ++k) A(k, j) += f * A(k, i);
      }
      for (int j = i; j < m; ++j) A(j, i) *= g;
    } else {
      for (int j = i; j < m; ++j) A(j, i) = 0.0;
    }
    A(i, i) += 1.0;
  }
  // Diagonalisation of the bidiagonal form by implicit-shift QR sweeps, at most 30 rounds per value.
  const double tol = anorm * 2.220446049250313e-16;
  for (int k = n - 1; k >= 0; --k) {
    for (int its = 1;; ++its) {
      bool cancel = true;
      for (l = k; l >= 0; --l) {
        if (l == 0 || std::fabs(rv1[l]) <= tol) {
          cancel = false;
          break;
        }
        if (std::fabs(w[l - 1]) <= tol) break;
      }
      double c = 0.0, s = 1.0;
      for (int i = l; cancel && i <= k; ++i) {  // cancellation of rv1[l]
        const double f = s * rv1[i];
        rv1[i] = c * rv1[i];
        if (std::fabs(f) <= tol) break;
        g = w[i];
        double h = PlainHypot(f, g);
        w[i] = h;
        h = 1.0 / h;
        c = g * h;
        s = -f * h;
        for (int j = 0; j < m; ++j) {
          const double y = A(j, l - 1), z = A(j, i);
          A(j, l - 1) = y * c + z * s;
          A(j, i) = z * c - y * s;
        }
      }
      double z = w[k];
      if (l == k) {
        if (z < 0.0) {
          w[k] = -z;
          for (int j = 0; j < n; ++j) V(j, k) = -V(j, k);
        }
        break;
      }
      if (its == 30) return false;
      double x = w[l], y = w[k - 1], h = rv1[k];
      g = rv1[k - 1];
      double f = ((y - z) * (y + z) + (g - h) * (g + h)) / (2.0 * h * y);
      g = PlainHypot(f, 1.0);
      f = ((x - z) * (x + z) + h * ((y / (f + PlainSign(g, f))) - h)) / x;
      c = s = 1.0;
      for (int j = l; j <= k - 1; ++j) {
        const int i = j + 1;
        g = rv1[i];
        y = w[i];
        h = s * g;
        g = c * g;
        z = PlainHypot(f, h);
        rv1[j] = z;
        c = f / z;
        s = h / z;
        f = x * c + g * s;
        g = g * c - x * s;
        h = y * s;
        y *= c;
        for (int r = 0; r < n; ++r) {
          const double p = V(r, j), q = V(r, i);
          V(r, j) = p * c + q * s;
          V(r, i) = q * c - p * s;
        }
        z = PlainHypot(f, h);
        w[j] = z;
        if (z != 0.0) z = 1.0 / z, c = f * z, s = h * z;
        f = c * g + s * y;
        x = c * y - s * g;
        for (int r = 0; r < m; ++r) {
          const double p = A(r, j), q = A(r, i);
          A(r, j) = p * c + q * s;
          A(r, i) = q * c - p * s;
        }
      }
      rv1[l] = 0.0;
      rv1[k] = f;
      w[k] = x;
    }
  }
  return true;
}

}  // namespace vela::test

#endif  // VELA_BENCH_PLAINSVD_H
