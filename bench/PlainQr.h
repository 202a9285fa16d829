// A plain transcription of the library's Householder QR and QR left inverse: straight down the columns of the
// row-major array, one sum at a time, each step as the method states it. The library sweeps rows so that several
// sums advance together, but keeps every operation and its order, so the two agree bit for bit; the benchmarks
// measure its loop organisation against them. No allocation: callers pass scratch.
#ifndef VELA_BENCH_PLAINQR_H
#define VELA_BENCH_PLAINQR_H

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace vela::test {

// Compact factorisation of the m x n (m >= n) array a in place; beta gets n factors; v is scratch of m doubles.
// Returns the independence flag.
inline unsigned char PlainQR(int m, int n, double* a, double* beta, double* v) {
  auto A = [&](int i, int j) -> double& { return a[static_cast<std::ptrdiff_t>(i) * n + j]; };
  double normSq = 0.0;
  for (int j = 0; j < n; ++j) {
    double s = 0.0;
    for (int i = 0; i < m; ++i) s += A(i, j) * A(i, j);
    if (s > normSq) normSq = s;
  }
  const double normA = std::sqrt(normSq);
  const double tolRank = normA * 1e-12, tolSkipSquared = tolRank * tolRank;
  unsigned char flag = 1;
  for (int k = 0; k < n; ++k) {
    const double alpha = A(k, k);
    double sigma = 0.0;
    for (int i = k + 1; i < m; ++i) sigma += A(i, k) * A(i, k), v[i] = A(i, k);
    const double mu = std::sqrt(alpha * alpha + sigma);
    if (mu < tolRank) flag = 0;
    if (std::fabs(sigma) < tolSkipSquared) {
      beta[k] = 0.0;
    } else {
      const double g = alpha > 0 ? -sigma / (mu + alpha) : alpha - mu;
      beta[k] = 2 * g * g / (sigma + g * g);
      for (int i = k + 1; i < m; ++i) v[i] = v[i] / g;
    }
    v[k] = 1.0;
    for (int j = k; j < n; ++j) {
      double sum = 0.0;
      for (int i = k; i < m; ++i) sum += v[i] * A(i, j);
      const double s = beta[k] * sum;
      if (j == k) {
        A(k, k) = A(k, k) - s;
        for (int i = k + 1; i < m; ++i) A(i, k) = v[i];
      } else {
        for (int i = k; i < m; ++i) A(i, j) = A(i, j) - s * v[i];
      }
    }
  }
  return flag;
}

// The n x m left inverse of the m x n array a (overwritten by its factors) into x: R⁻¹ row by row, then the
// reflectors applied from the right to each row. beta: n doubles, v: m doubles of scratch.
inline void PlainInverseQR(int m, int n, double* a, double* beta, double* v, double* x) {
  PlainQR(m, n, a, beta, v);
  auto R = [&](int i, int j) { return a[static_cast<std::ptrdiff_t>(i) * n + j]; };
  std::fill(x, x + static_cast<std::ptrdiff_t>(n) * m, 0.0);
  for (int k = 0; k < n; ++k) {
    double* row = x + static_cast<std::ptrdiff_t>(k) * m;
    row[k] = 1.0 / R(k, k);
    for (int j = k + 1; j < n; ++j) {
      double sum = 0.0;
      for (int l = k; l < j; ++l) sum += row[l] * R(l, j);
      row[j] = -sum / R(j, j);
    }
  }
  for (int k = n - 1; k >= 0; --k) {
    v[k] = 1.0;
    for (int i = k + 1; i < m; ++i) v[i] = R(i, k);
    for (int r = 0; r < n; ++r) {
      double* row = x + static_cast<std::ptrdiff_t>(r) * m;
      double sum = 0.0;
      for (int i = k; i < m; ++i) sum += row[i] * v[i];
      const double s = beta[k] * sum;
      for (int i = k; i < m; ++i) row[i] = row[i] - s * v[i];
    }
  }
}

}  // namespace vela::test

#endif  // VELA_BENCH_PLAINQR_H
