// VelaSparseMatrix::SolveGaussJordan as a plain loop on a dense array: the same pivots and operations, without
// flags, so the two agree bit for bit on dense input (on sparse input this loop also computes x - f * 0.0, which
// may flip the sign of a zero). For the tests, the fuzzer and the benchmark, with the solve's residual.
#ifndef VELA_TESTS_SUPPORT_PLAINGAUSSJORDAN_H
#define VELA_TESTS_SUPPORT_PLAINGAUSSJORDAN_H

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <utility>
#include <vector>

#include "vela/linalg/VelaSparseMatrix.h"

namespace vela::test {

// Reduces the rows x cols array a in place, and w (rows entries, or null) alongside; perm (cols entries) receives
// the column order. Returns the rank. level and byColumns: the behaviour level and the configuration's REFOrder.
inline int PlainGaussJordan(int rows, int cols, double* a, double* w, int* perm, double tol, unsigned int level = 0,
                            bool byColumns = false) {
  auto A = [&](int i, int j) -> double& { return a[static_cast<std::ptrdiff_t>(i) * cols + j]; };
  const bool onElement = byColumns || level < 0x2C00000u;
  const int outer = byColumns ? cols : rows, inner = byColumns ? rows : cols;
  for (int j = 0; j < cols; ++j) perm[j] = j;
  for (int k = 0; k < std::min(rows, cols); ++k) {
    // In scan order the first magnitude above 0, or above 1.00000000005 times the pivot so far; the search
    // ends at a pivot above sqrt(1.01) (by rows from level 0x2C00000 on, at the end of that row).
    int pr = k, pc = k;
    double p = 0.0;
    for (int u = k; u < outer && !(p > std::sqrt(1.01)); ++u)
      for (int v = k; v < inner && !(onElement && p > std::sqrt(1.01)); ++v) {
        const int r = byColumns ? v : u, c = byColumns ? u : v;
        if (std::fabs(A(r, c)) > 1.00000000005 * p) p = std::fabs(A(r, c)), pr = r, pc = c;
      }
    std::swap(perm[k], perm[pc]);
    for (int r = 0; r < rows && pc != k; ++r) std::swap(A(r, k), A(r, pc));
    for (int r = k; r < rows && p < tol; ++r) A(r, k) = 0.0;
    if (p < tol) return k;
    const double inv = 1.0 / A(pr, k);
    for (int c = k; c < cols && pr != k; ++c) std::swap(A(k, c), A(pr, c));
    if (w) std::swap(w[k], w[pr]);
    A(k, k) = 1.0;
    for (int c = k + 1; c < cols; ++c) A(k, c) = A(k, c) * inv;
    if (w) w[k] = w[k] * inv;
    for (int r = 0; r < rows; ++r) {
      const double f = A(r, k);
      if (r == k || f == 0.0) continue;
      A(r, k) = 0.0;
      for (int c = k + 1; c < cols; ++c) A(r, c) = A(r, c) - f * A(k, c);
      if (w) w[r] = w[r] - f * w[k];
    }
  }
  return std::min(rows, cols);
}

// The particular solution: x[perm[k]] = w[k] for k < rank, 0 for the free unknowns.
inline void PlainGaussJordanSolution(int cols, int rank, const double* w, const int* perm, double* x) {
  for (int j = 0; j < cols; ++j) x[perm[j]] = j < rank ? w[j] : 0.0;
}

// max over the rows of |a_i . v - b_i| / (|a_i|_1 |v|_inf + |b_i|) (b null: 0), each equation against its own
// scale; NaN when a sum is NaN.
inline double RelativeResidual(int rows, int cols, const std::vector<double>& a, const double* v, const double* b) {
  double vmax = 0.0, worst = 0.0;
  for (int j = 0; j < cols; ++j) vmax = std::max(vmax, std::fabs(v[j]));
  for (int i = 0; i < rows; ++i) {
    const double* row = a.data() + static_cast<std::size_t>(i) * static_cast<std::size_t>(cols);
    double sum = b ? -b[i] : 0.0, scale = b ? std::fabs(b[i]) : 0.0;
    for (int j = 0; j < cols; ++j) sum += row[j] * v[j], scale += std::fabs(row[j]) * vmax;
    if (std::isnan(sum)) return sum;
    if (scale > 0.0) worst = std::max(worst, std::fabs(sum) / scale);
  }
  return worst;
}

// The serial or parallel solve of m x = b (b may be null): x (-7 where untouched) and the kernel (1 x 1 if so).
struct Solved { std::vector<double> x; VelaMatrix kernel; };
inline Solved Solve(VelaSparseMatrix& m, const double* b, unsigned int level, double tol, bool parallel = false) {
  Solved s{std::vector<double>(static_cast<std::size_t>(m.GetNbOfCol()), -7.0), VelaMatrix(1, 1, -7.0)};
  (m.*(parallel ? &VelaSparseMatrix::ParallelSolveGaussJordan : &VelaSparseMatrix::SolveGaussJordan))(
      level, b, s.x.data(), &s.kernel, tol);
  return s;
}

}  // namespace vela::test

#endif  // VELA_TESTS_SUPPORT_PLAINGAUSSJORDAN_H
