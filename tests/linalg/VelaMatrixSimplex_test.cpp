// VelaMatrix::SimplexMaximisation and InitializeSimplexStartPoint: hand-built
// problems for the start-up rules and the failures, the classic cycling
// example, afiro, and random problems checked against a plain transcription
// of the method (bit for bit), dual certificates and basis enumeration.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <functional>
#include <limits>
#include <random>
#include <vector>

#include "support/AfiroLp.h"
#include "vela/linalg/VelaMatrix.h"

namespace {

constexpr double kTol = 1e-10;
const double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();

struct Lp {
  VelaMatrix a;
  VelaVector b, c;
  VelaVector x0;  // a feasible point, when known
};

Lp MakeLp(int m, int n, const std::vector<double>& a, const std::vector<double>& b, const std::vector<double>& c) {
  return {VelaMatrix(m, n, a.data()), VelaVector(m, b.data()), VelaVector(n, c.data()), VelaVector()};
}

bool SameBits(const VelaVector& u, const VelaVector& v) {
  return u.GetSize() == v.GetSize() &&
         std::memcmp(u.GetBuffer(), v.GetBuffer(), sizeof(double) * static_cast<std::size_t>(u.GetSize())) == 0;
}

std::vector<double> Values(const VelaVector& v) { return {v.GetBuffer(), v.GetBuffer() + v.GetSize()}; }

// The method step by step on dense arrays, without the library's pricing
// shortcut or cycling guard.
bool PlainSimplex(const Lp& lp, VelaVector& x, double target, double tol) {
  const int m = lp.a.GetNbOfRow(), n = lp.a.GetNbOfCol();
  std::vector<double> s(lp.a.GetBuffer(), lp.a.GetBuffer() + m * n), bp = Values(lp.b);
  auto at = [&](int i, int j) -> double& { return s[static_cast<std::size_t>(i * n + j)]; };
  std::vector<int> perm(static_cast<std::size_t>(n));
  for (int j = 0; j < n; ++j) perm[j] = j;
  auto swapCols = [&](int i, int j) {
    for (int r = 0; r < m; ++r) std::swap(at(r, i), at(r, j));
    std::swap(perm[i], perm[j]);
  };
  int mr = m, k = 0;
  auto eliminate = [&](int p) {
    const double inv = 1.0 / at(p, p);
    at(p, p) = 1.0;
    for (int j = p + 1; j < n; ++j) at(p, j) = at(p, j) * inv;
    bp[p] = bp[p] * inv;
    for (int r = p + 1; r < mr; ++r) {
      const double f = at(r, p);
      if (f == 0.0) continue;
      at(r, p) = 0.0;
      for (int j = p + 1; j < n; ++j) at(r, j) = at(r, j) - f * at(p, j);
      bp[r] = bp[r] - f * bp[p];
    }
  };
  for (int j = 0; j < n; ++j) {
    if (x[perm[j]] == 0.0) continue;
    if (k == m) return false;
    swapCols(j, k);
    int p = -1;
    double best = tol;
    for (int i = k; i < mr; ++i)
      if (std::fabs(at(i, k)) > best) best = std::fabs(at(i, k)), p = i;
    if (p < 0) return false;
    for (int c = 0; c < n; ++c) std::swap(at(k, c), at(p, c));
    std::swap(bp[k], bp[p]);
    eliminate(k++);
  }
  while (k < mr) {
    int q = -1;
    double best = tol;
    for (int j = k; j < n; ++j)
      if (std::fabs(at(k, j)) > best) best = std::fabs(at(k, j)), q = j;
    if (q < 0) {
      for (int c = 0; c < n; ++c) std::swap(at(k, c), at(mr - 1, c));
      bp[k] = bp[mr - 1];
      --mr;
      continue;
    }
    swapCols(q, k);
    eliminate(k++);
  }
  std::vector<double> binv(static_cast<std::size_t>(mr * mr));
  auto inv = [&](int r, int c) -> double& { return binv[static_cast<std::size_t>(r * mr + c)]; };
  for (int c = 0; c < mr; ++c)
    for (int i = c; i >= 0; --i) {
      double sum = 0.0;
      for (int j = i + 1; j <= c; ++j) sum += at(i, j) * inv(j, c);
      inv(i, c) = ((i == c ? 1.0 : 0.0) - sum) / at(i, i);
    }
  std::vector<double> xB(static_cast<std::size_t>(n), 0.0), cP(static_cast<std::size_t>(n)), w(binv.size());
  for (int j = 0; j < n; ++j) {
    if (j < mr) xB[j] = x[perm[j]];
    cP[j] = lp.c[perm[j]];
  }
  // Binv row r . v, v(i) = v[i * stride].
  auto rowDot = [&](int r, const double* v, int stride) {
    double sum = 0.0;
    for (int i = 0; i < mr; ++i) sum += inv(r, i) * v[i * stride];
    return sum;
  };
  for (;;) {
    int e = -1;
    double best = tol;
    for (int j = mr; j < n; ++j) {
      double sum = 0.0;
      for (int r = 0; r < mr; ++r) sum += rowDot(r, &at(0, j), n) * cP[r];
      if (cP[j] - sum > best) best = cP[j] - sum, e = j;
    }
    if (e < 0) break;
    int l = -1;
    double tMin = std::numeric_limits<double>::max();
    for (int r = 0; r < mr; ++r) {
      w[r] = rowDot(r, &at(0, e), n);
      const double t = rowDot(r, bp.data(), 1) / w[r];
      if (w[r] > tol && t < tMin) tMin = t, l = r;
    }
    if (l < 0) return false;
    const double t = tMin < 0.0 ? 0.0 : tMin;
    for (int r = 0; r < mr; ++r) {
      const double v = xB[r] - t * w[r];
      xB[r] = v < 0.0 ? 0.0 : v;
    }
    xB[l] = t;
    std::swap(cP[l], cP[e]);
    swapCols(l, e);
    for (int r = 0; r < mr; ++r)
      if (r != l)
        for (int i = 0; i < mr; ++i) inv(r, i) = inv(r, i) - (w[r] / w[l]) * inv(l, i);
    for (int i = 0; i < mr; ++i) inv(l, i) = inv(l, i) / w[l];
    double objective = 0.0;
    for (int j = 0; j < n; ++j) objective += xB[j] * cP[j];
    if (objective >= target) break;
  }
  for (int j = 0; j < n; ++j) x[perm[j]] = xB[j];
  return true;
}

// The phase-one problem as the library builds it, solved by the plain method.
bool PlainStartPoint(const Lp& lp, VelaVector& x) {
  const int m = lp.a.GetNbOfRow(), n = lp.a.GetNbOfCol();
  Lp phase{VelaMatrix(m, n + m, 0.0), lp.b, VelaVector(n + m, 0.0), VelaVector()};
  x = VelaVector(n + m, 0.0);
  for (int i = 0; i < m; ++i) {
    for (int j = 0; j < n; ++j) phase.a(i, j) = lp.a(i, j);
    phase.a(i, n + i) = lp.b[i] > 0.0 ? 1.0 : (lp.b[i] < 0.0 ? -1.0 : 0.0);
    x[n + i] = std::fabs(lp.b[i]);
    phase.c[n + i] = -1.0;
  }
  if (!PlainSimplex(phase, x, kTol, kTol)) return false;
  x.Resize(n);
  return true;
}

// Solves the k x k system M z = r by Gaussian elimination with partial
// pivoting; false when a pivot is below 1e-12.
bool SolveSquare(int k, std::vector<double> M, std::vector<double> r, std::vector<double>& z) {
  for (int c = 0; c < k; ++c) {
    int p = c;
    for (int i = c + 1; i < k; ++i)
      if (std::fabs(M[i * k + c]) > std::fabs(M[p * k + c])) p = i;
    if (std::fabs(M[p * k + c]) < 1e-12) return false;
    for (int j = 0; j < k; ++j) std::swap(M[c * k + j], M[p * k + j]);
    std::swap(r[c], r[p]);
    for (int i = c + 1; i < k; ++i) {
      const double f = M[i * k + c] / M[c * k + c];
      for (int j = c; j < k; ++j) M[i * k + j] -= f * M[c * k + j];
      r[i] -= f * r[c];
    }
  }
  z.assign(static_cast<std::size_t>(k), 0.0);
  for (int i = k - 1; i >= 0; --i) {
    double s = r[i];
    for (int j = i + 1; j < k; ++j) s -= M[i * k + j] * z[j];
    z[i] = s / M[i * k + i];
  }
  return true;
}

// A basic feasible solution of rank `rank`: at most that many non-zeros, no
// negative entry, A x = b to a relative 1e-10.
void ExpectBasicFeasible(const Lp& lp, const VelaVector& x, int rank) {
  const int m = lp.a.GetNbOfRow(), n = lp.a.GetNbOfCol();
  int nonZero = 0;
  for (int j = 0; j < n; ++j) {
    EXPECT_GE(x[j], 0.0) << j;
    nonZero += x[j] != 0.0;
  }
  EXPECT_LE(nonZero, rank);
  for (int i = 0; i < m; ++i) {
    double sum = 0.0, scale = std::fabs(lp.b[i]);
    for (int j = 0; j < n; ++j) sum += lp.a(i, j) * x[j], scale += std::fabs(lp.a(i, j) * x[j]);
    EXPECT_LE(std::fabs(sum - lp.b[i]), 1e-10 * scale) << "row " << i;
  }
}

// Optimality certificate for a non-degenerate x on the independent rows
// `rows`: y with y . a_j = c_j on the support, then c_j - y . a_j <= 0
// everywhere and c . x = y . b.
void ExpectDualCertificate(const Lp& lp, const VelaVector& x, const std::vector<int>& rows) {
  const int k = static_cast<int>(rows.size()), n = lp.a.GetNbOfCol();
  std::vector<int> support;
  for (int j = 0; j < n; ++j)
    if (x[j] != 0.0) support.push_back(j);
  ASSERT_EQ(static_cast<int>(support.size()), k) << "degenerate vertex";
  std::vector<double> M(static_cast<std::size_t>(k * k)), r(static_cast<std::size_t>(k)), y;
  for (int s = 0; s < k; ++s) {
    r[s] = lp.c[support[s]];
    for (int i = 0; i < k; ++i) M[s * k + i] = lp.a(rows[i], support[s]);
  }
  ASSERT_TRUE(SolveSquare(k, M, r, y));
  double dual = 0.0, primal = lp.c * x, scale = 1.0;
  for (int i = 0; i < k; ++i) dual += y[i] * lp.b[rows[i]], scale += std::fabs(y[i] * lp.b[rows[i]]);
  for (int j = 0; j < n; ++j) {
    double ya = 0.0, mag = 1.0 + std::fabs(lp.c[j]);
    for (int i = 0; i < k; ++i) ya += y[i] * lp.a(rows[i], j), mag += std::fabs(y[i] * lp.a(rows[i], j));
    EXPECT_LE(lp.c[j] - ya, 1e-9 * mag) << "column " << j;
  }
  EXPECT_NEAR(primal, dual, 1e-9 * scale);
}

// The best objective over every vertex: column subsets of size up to m that
// solve A x = b exactly (least squares with zero residual) with x >= 0.
double BestVertex(const Lp& lp) {
  const int m = lp.a.GetNbOfRow(), n = lp.a.GetNbOfCol();
  double best = -kInf;
  for (unsigned mask = 1; mask < (1u << n); ++mask) {
    std::vector<int> cols;
    for (int j = 0; j < n; ++j)
      if (mask & (1u << j)) cols.push_back(j);
    const int k = static_cast<int>(cols.size());
    if (k > m) continue;
    std::vector<double> M(static_cast<std::size_t>(k * k), 0.0), r(static_cast<std::size_t>(k), 0.0), z;
    for (int p = 0; p < k; ++p)
      for (int i = 0; i < m; ++i) {
        r[p] += lp.a(i, cols[p]) * lp.b[i];
        for (int q = 0; q < k; ++q) M[p * k + q] += lp.a(i, cols[p]) * lp.a(i, cols[q]);
      }
    if (!SolveSquare(k, M, r, z)) continue;
    bool vertex = true;
    for (int i = 0; i < m && vertex; ++i) {
      double sum = -lp.b[i];
      for (int p = 0; p < k; ++p) sum += lp.a(i, cols[p]) * z[p];
      vertex = std::fabs(sum) <= 1e-9;
    }
    double objective = 0.0;
    for (int p = 0; p < k && vertex; ++p) vertex = z[p] >= -1e-12, objective += lp.c[cols[p]] * z[p];
    if (vertex) best = std::max(best, objective);
  }
  return best;
}

void SetB(Lp& lp) {
  for (int i = 0; i < lp.a.GetNbOfRow(); ++i) {
    lp.b[i] = 0.0;
    for (int j = 0; j < lp.a.GetNbOfCol(); ++j) lp.b[i] += lp.a(i, j) * lp.x0[j];
  }
}

// Random m x n data with b = A x0 and c = Aᵀy - s (s >= 0), so the problem
// is feasible and bounded. With `redundant`, the last row repeats row 0;
// x0 is positive on the first `support` columns (all when negative).
Lp RandomLp(std::mt19937_64& rng, int m, int n, bool redundant, int support = -1) {
  std::uniform_real_distribution<double> sym(-1.0, 1.0), pos(0.1, 1.0);
  Lp lp{VelaMatrix(m, n, 0.0), VelaVector(m, 0.0), VelaVector(n, 0.0), VelaVector(n, 0.0)};
  for (int i = 0; i < m; ++i)
    for (int j = 0; j < n; ++j) lp.a(i, j) = redundant && i == m - 1 ? lp.a(0, j) : sym(rng);
  std::vector<double> y(static_cast<std::size_t>(m));
  for (int i = 0; i < m; ++i) y[i] = redundant && i == m - 1 ? 0.0 : sym(rng);
  for (int j = 0; j < n; ++j) {
    lp.x0[j] = support < 0 || j < support ? pos(rng) : 0.0;
    for (int i = 0; i < m; ++i) lp.c[j] += lp.a(i, j) * y[i];
    lp.c[j] -= pos(rng);
  }
  SetB(lp);
  return lp;
}

std::vector<int> FirstRows(int k) {
  std::vector<int> rows(static_cast<std::size_t>(k));
  for (int i = 0; i < k; ++i) rows[i] = i;
  return rows;
}

TEST(VelaMatrixSimplex, DegenerateStartIsCompletedAndRedundantRowsDropped) {
  // Two non-zeros for three independent rows; row 3 = row 0 + row 1.
  const Lp lp =
      MakeLp(4, 5, {1, 0, 1, 0, 0, 0, 1, 0, 1, 0, 1, 1, 0, 0, 1, 1, 1, 1, 1, 0}, {1, 1, 2, 2}, {0, 0, 1, 1, 1});
  VelaVector x(5, std::vector<double>{1, 1, 0, 0, 0}.data());
  ASSERT_EQ(lp.a.SimplexMaximisation(x, lp.c, lp.b, kInf, kTol), 1);
  EXPECT_EQ(Values(x), (std::vector<double>{0, 0, 1, 1, 2}));
}

TEST(VelaMatrixSimplex, OptimalStartComesBackUnchanged) {
  // Row 2 = row 0 + row 1 is dropped, x4 completes the basis at 0.
  const Lp lp = MakeLp(3, 5, {1, 0, 1, 0, 1, 0, 1, 0, 1, 1, 1, 1, 1, 1, 2}, {0.3, 0.7, 1.0}, {1, 1, 0, 0, 0});
  const VelaVector start(5, std::vector<double>{0.3, 0.7, 0, 0, 0}.data());
  VelaVector x = start;
  ASSERT_EQ(lp.a.SimplexMaximisation(x, lp.c, lp.b, kInf, kTol), 1);
  EXPECT_TRUE(SameBits(x, start));
}

TEST(VelaMatrixSimplex, TargetStopsAfterTheIterationThatReachesIt) {
  // max x0 + x1, x0 + s0 = 1, x1 + s1 = 1 from the slacks (objective 0).
  const Lp lp = MakeLp(2, 4, {1, 0, 1, 0, 0, 1, 0, 1}, {1, 1}, {1, 1, 0, 0});
  const struct {
    double target;
    std::vector<double> x;
  } cases[] = {
      {-1.0, {1, 0, 0, 1}}, {0.0, {1, 0, 0, 1}}, {1.0, {1, 0, 0, 1}}, {1.5, {1, 1, 0, 0}}, {kInf, {1, 1, 0, 0}}};
  for (const auto& c : cases) {
    VelaVector x(4, std::vector<double>{0, 0, 1, 1}.data());
    ASSERT_EQ(lp.a.SimplexMaximisation(x, lp.c, lp.b, c.target, kTol), 1) << c.target;
    EXPECT_EQ(Values(x), c.x) << c.target;
  }
}

TEST(VelaMatrixSimplex, RatioTiesGoToTheFirstRow) {
  // The first pivot ties two rows at ratio 0; taking the later one leads to
  // the other optimal vertex (0, 0, 0, 6, 2, 8).
  const Lp lp =
      MakeLp(3, 6, {2, 2, 2, 2, 0, -1, 0, 0, 3, 1, 1, -1, 2, -1, 2, 1, 0, -1}, {4, 0, -2}, {-2, 0, 0, 3, -2, -1});
  VelaVector x(6, std::vector<double>{0, 2, 0, 0, 0, 0}.data());
  ASSERT_EQ(lp.a.SimplexMaximisation(x, lp.c, lp.b, kInf, kTol), 1);
  EXPECT_EQ(Values(x), (std::vector<double>{0, 0, 2, 6, 0, 12}));
}

TEST(VelaMatrixSimplex, FailuresReturnZeroAndLeaveTheStartPointUntouched) {
  struct Case {
    const char* name;
    std::function<void(Lp&, VelaVector&, double&)> spoil;
  };
  const Case cases[] = {
      {"more rows than columns",
       [](Lp& p, VelaVector&, double&) {
         p.a = VelaMatrix(5, 4, 1.0);
         p.b = VelaVector(5, 2.0);
       }},
      {"no rows", [](Lp& p, VelaVector&, double&) { p.a = VelaMatrix(); }},
      {"more non-zeros than rows", [](Lp&, VelaVector& x, double&) { x[0] = x[2] = 0.5; }},
      {"dependent non-zero columns",
       [](Lp& p, VelaVector& x, double&) {
         p.a(0, 1) = p.a(1, 0) = 1.0;
         x = VelaVector(4, std::vector<double>{0.5, 0.5, 0, 0}.data());
       }},
      {"unbounded", [](Lp& p, VelaVector&, double&) { p.a(0, 0) = p.a(1, 0) = -1.0; }},
      {"NaN in A", [](Lp& p, VelaVector&, double&) { p.a(0, 1) = kNaN; }},
      {"infinity in A", [](Lp& p, VelaVector&, double&) { p.a(1, 0) = -kInf; }},
      {"NaN in b", [](Lp& p, VelaVector&, double&) { p.b[1] = kNaN; }},
      {"infinity in c", [](Lp& p, VelaVector&, double&) { p.c[0] = kInf; }},
      {"NaN in the start point", [](Lp&, VelaVector& x, double&) { x[0] = kNaN; }},
      {"negative start entry", [](Lp& p, VelaVector& x, double&) { x[3] = -1.0, p.b[1] = -1.0; }},
      {"start point off A x = b", [](Lp&, VelaVector& x, double&) { x[3] = 0.5; }},
      {"start point too short", [](Lp&, VelaVector& x, double&) { x = VelaVector(3, 1.0); }},
      {"b too long", [](Lp& p, VelaVector&, double&) { p.b = VelaVector(3, 1.0); }},
      {"NaN tolerance", [](Lp&, VelaVector&, double& tol) { tol = kNaN; }},
      {"negative tolerance", [](Lp&, VelaVector&, double& tol) { tol = -1.0; }},
  };
  for (const Case& c : cases) {
    Lp lp = MakeLp(2, 4, {1, 0, 1, 0, 0, 1, 0, 1}, {1, 1}, {1, 1, 0, 0});
    VelaVector x(4, std::vector<double>{0, 0, 1, 1}.data());
    double tol = kTol;
    c.spoil(lp, x, tol);
    const VelaVector before = x;
    EXPECT_EQ(lp.a.SimplexMaximisation(x, lp.c, lp.b, kInf, tol), 0) << c.name;
    EXPECT_TRUE(SameBits(x, before)) << c.name;
  }
}

TEST(VelaMatrixSimplex, StartPointFailuresLeaveOutputUntouched) {
  const struct {
    const char* name;
    Lp lp;
  } cases[] = {
      {"infeasible", MakeLp(1, 2, {1, 1}, {-1}, {0, 0})},
      {"inconsistent rows", MakeLp(2, 2, {1, 1, 2, 2}, {1, 3}, {0, 0})},
      {"NaN in A", MakeLp(1, 2, {1, kNaN}, {1}, {0, 0})},
      {"infinity in b", MakeLp(1, 2, {1, 1}, {kInf}, {0, 0})},
      {"no columns", {VelaMatrix(1, 0, 0.0), VelaVector(1, 1.0), VelaVector(), VelaVector()}},
      {"b too short", {VelaMatrix(2, 2, 1.0), VelaVector(1, 1.0), VelaVector(), VelaVector()}},
  };
  for (const auto& c : cases) {
    VelaVector x(2, 7.0);
    EXPECT_EQ(c.lp.a.InitializeSimplexStartPoint(x, c.lp.b, kTol), 0) << c.name;
    EXPECT_EQ(Values(x), (std::vector<double>{7.0, 7.0})) << c.name;
  }
}

TEST(VelaMatrixSimplex, BealeCyclingExampleReachesItsOptimum) {
  // Without a guard the largest-reduced-cost rule cycles here through six
  // degenerate bases for ever; the optimum is x = (1, 0, 1, 0), value 5/4.
  const Lp lp = MakeLp(3, 7, {0.25, -8, -1, 9, 1, 0, 0, 0.5, -12, -0.5, 3, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1}, {0, 0, 1},
                       {0.75, -20, 0.5, -6, 0, 0, 0});
  VelaVector x(7, std::vector<double>{0, 0, 0, 0, 0, 0, 1}.data());
  ASSERT_EQ(lp.a.SimplexMaximisation(x, lp.c, lp.b, kInf, kTol), 1);
  const std::vector<double> expected{1, 0, 1, 0, 0.75, 0, 0};
  for (int j = 0; j < 7; ++j) EXPECT_NEAR(x[j], expected[j], 1e-15) << j;
}

TEST(VelaMatrixSimplex, AfiroReachesItsPublishedOptimum) {
  namespace af = vela::test::afiro;
  int n = af::kCols;
  for (int i = 0; i < af::kRows; ++i) n += af::kSense[i] == 'L';
  Lp lp{VelaMatrix(af::kRows, n, 0.0), VelaVector(af::kRows, af::kRhs), VelaVector(n, 0.0), VelaVector()};
  for (const af::Entry& e : af::kEntries) lp.a(e.row, e.col) = e.value;
  for (int i = 0, s = af::kCols; i < af::kRows; ++i)
    if (af::kSense[i] == 'L') lp.a(i, s++) = 1.0;
  for (int j = 0; j < af::kCols; ++j) lp.c[j] = -af::kCost[j];
  VelaVector x;
  ASSERT_EQ(lp.a.InitializeSimplexStartPoint(x, lp.b, kTol), 1);
  ASSERT_EQ(lp.a.SimplexMaximisation(x, lp.c, lp.b, kInf, kTol), 1);
  ExpectBasicFeasible(lp, x, af::kRows);
  EXPECT_NEAR(-(lp.c * x), af::kOptimum, 1e-9);
}

TEST(VelaMatrixSimplex, RandomProblemsAreSolvedToOptimalityExactlyAsThePlainMethod) {
  std::mt19937_64 rng(8128);
  const int shapes[][2] = {{1, 1}, {1, 4}, {2, 3}, {3, 3}, {4, 9}, {7, 12}, {12, 24}, {20, 31}, {30, 60}};
  for (const auto& shape : shapes)
    for (bool redundant : {false, true}) {
      const int m = shape[0] + (redundant ? 1 : 0), n = shape[1];
      if (m > n) continue;
      for (int trial = 0; trial < 3; ++trial) {
        SCOPED_TRACE(testing::Message() << m << " x " << n << (redundant ? " redundant" : "") << " #" << trial);
        const Lp lp = RandomLp(rng, m, n, redundant);
        VelaVector x, plain;
        ASSERT_EQ(lp.a.InitializeSimplexStartPoint(x, lp.b, kTol), 1);
        ExpectBasicFeasible(lp, x, shape[0]);
        if (!redundant) {
          ASSERT_TRUE(PlainStartPoint(lp, plain));
          EXPECT_TRUE(SameBits(x, plain));
        }
        plain = x;
        ASSERT_EQ(lp.a.SimplexMaximisation(x, lp.c, lp.b, kInf, kTol), 1);
        ASSERT_TRUE(PlainSimplex(lp, plain, kInf, kTol));
        EXPECT_TRUE(SameBits(x, plain));
        ExpectBasicFeasible(lp, x, shape[0]);
        ExpectDualCertificate(lp, x, FirstRows(shape[0]));
      }
    }
}

TEST(VelaMatrixSimplex, DegenerateProblemsReachTheBestVertex) {
  // The start x0 is a vertex with fewer positive entries than the rank, and
  // the last row repeats the first.
  std::mt19937_64 rng(31337);
  for (int trial = 0; trial < 60; ++trial) {
    const int m = 2 + trial % 3, n = m + 1 + trial % 4, support = 1 + trial % (m - 1);
    SCOPED_TRACE(testing::Message() << m << " x " << n << " support " << support);
    const Lp lp = RandomLp(rng, m, n, true, support);
    VelaVector x = lp.x0;
    ASSERT_EQ(lp.a.SimplexMaximisation(x, lp.c, lp.b, kInf, kTol), 1);
    ExpectBasicFeasible(lp, x, m - 1);
    EXPECT_NEAR(lp.c * x, BestVertex(lp), 1e-9);
  }
}

TEST(VelaMatrixSimplex, InfeasibleProblemsHaveNoStartPoint) {
  // Farkas: yᵀA >= 0 and yᵀb = -1 rule out every x >= 0.
  std::mt19937_64 rng(4242);
  std::uniform_real_distribution<double> sym(-1.0, 1.0);
  for (int trial = 0; trial < 20; ++trial) {
    const int m = 1 + trial % 6, n = m + trial % 5;
    Lp lp = RandomLp(rng, m, n, false);
    std::vector<double> y(static_cast<std::size_t>(m));
    double yy = 0.0, yb = 0.0;
    for (int i = 0; i < m; ++i) y[i] = i == 0 ? 1.0 : sym(rng), yy += y[i] * y[i];
    for (int j = 0; j < n; ++j) {
      double ya = 0.0;
      for (int i = 0; i < m; ++i) ya += y[i] * lp.a(i, j);
      if (ya < 0.0) lp.a(0, j) += 0.1 - ya;
    }
    for (int i = 0; i < m; ++i) yb += y[i] * lp.b[i];
    for (int i = 0; i < m; ++i) lp.b[i] -= (yb + 1.0) / yy * y[i];
    VelaVector x;
    EXPECT_EQ(lp.a.InitializeSimplexStartPoint(x, lp.b, kTol), 0) << m << " x " << n;
  }
}

TEST(VelaMatrixSimplex, UnboundedProblemsFail) {
  // The last column makes d = (1, ..., 1) a ray: A d = 0 and c . d = 1.
  std::mt19937_64 rng(777);
  for (int trial = 0; trial < 20; ++trial) {
    const int m = 1 + trial % 6, n = m + 1 + trial % 5;
    Lp lp = RandomLp(rng, m, n, false);
    for (int i = 0; i < m; ++i) {
      lp.a(i, n - 1) = 0.0;
      for (int j = 0; j + 1 < n; ++j) lp.a(i, n - 1) -= lp.a(i, j);
    }
    SetB(lp);
    double cd = 0.0;
    for (int j = 0; j < n; ++j) cd += lp.c[j];
    lp.c[n - 1] += 1.0 - cd;
    VelaVector x;
    ASSERT_EQ(lp.a.InitializeSimplexStartPoint(x, lp.b, kTol), 1) << m << " x " << n;
    EXPECT_EQ(lp.a.SimplexMaximisation(x, lp.c, lp.b, kInf, kTol), 0) << m << " x " << n;
  }
}

}  // namespace
