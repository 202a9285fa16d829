// VelaMatrix::SimplexMaximisation and InitializeSimplexStartPoint: hand-built problems for the start-up rules, the
// pivot rules and the failures, Beale's cycling example, afiro, and random problems solved to a dual certificate.
#include "linalg/LinalgTesting.h"
#include "support/AfiroLp.h"

namespace {

using namespace vela::test;
constexpr double kTol = 1e-10;

struct Lp { VelaMatrix a; VelaVector b, c, x0; };
Lp MakeLp(int m, int n, Vec a, Vec b, Vec c) {
  return {VelaMatrix(m, n, a.data()), VelaVector(m, b.data()), VelaVector(n, c.data()), VelaVector()};
}

// At most `rank` non-zeros, none negative, A x = b to a relative 1e-10.
void ExpectBasicFeasible(const Lp& lp, const VelaVector& x, int rank) {
  EXPECT_TRUE(x > 0.0);
  EXPECT_LE(std::count_if(x.GetBuffer(), x.GetBuffer() + x.GetSize(), [](double v) { return v != 0.0; }), rank);
  EXPECT_LT(RelativeResidual(lp.b.GetSize(), x.GetSize(), Values(lp.a), x.GetBuffer(), lp.b.GetBuffer()), 1e-10);
}

// Optimality of a non-degenerate x on the first k rows: y with y . a_j = c_j on the support, then
// c_j - y . a_j <= 0 everywhere and c . x = y . b.
void ExpectDualCertificate(const Lp& lp, const VelaVector& x, int k) {
  VelaMatrix M(0, k, 0.0);  // the support's columns of the first k rows, as rows
  Vec r, y(static_cast<std::size_t>(k));
  for (int j = 0; j < lp.a.GetNbOfCol(); ++j)
    if (x[j] != 0.0) M.AppendRows(Transposed(lp.a.GetSubMatrix(j, 0, 1, k))), r.push_back(lp.c[j]);
  ASSERT_EQ(M.GetNbOfRow(), k) << "degenerate vertex";
  ASSERT_EQ(VelaMatrix(M).SolveSVD(r.data(), y.data(), 1e-12), 1);
  EXPECT_LE((M * y.data() - VelaVector(k, r.data())).GetNormInf(-1), 1e-9);
  const VelaVector yv(k, y.data()), ya = lp.a.GetSubMatrix(0, 0, lp.a.GetNbOfCol(), k).MultiplyVectorLeft(yv);
  const double scale = 1.0 + VelaMatrix::NormInf(k, y.data()) * (lp.a.GetNormInf(-1) + lp.b.GetNormInf(-1)) * k;
  for (int j = 0; j < lp.a.GetNbOfCol(); ++j) EXPECT_LE(lp.c[j] - ya[j], 1e-9 * (scale + std::fabs(lp.c[j]))) << j;
  EXPECT_NEAR(lp.c * x, VelaVector::ScalarProduct(k, y.data(), lp.b.GetBuffer()), 1e-9 * scale);
}

// Random m x n data with b = A x0 (x0 > 0) and c = Aᵀy - s (s > 0): feasible and bounded. With `redundant` the
// last row repeats row 0.
Lp RandomLp(TestRng& rng, int m, int n, bool redundant) {
  Lp lp{Random(m, n, rng), VelaVector(m, 0.0), VelaVector(n, 0.0), VelaVector(n, 0.0)};
  const Vec y = RandomMatrix(1, m, 1, 0, rng);
  for (int j = 0; j < n; ++j) {
    if (redundant) lp.a(m - 1, j) = lp.a(0, j);
    lp.x0[j] = 0.55 + 0.45 * rng.Next();
    lp.c[j] = -0.55 - 0.45 * rng.Next();
    for (int i = 0; i + redundant < m; ++i) lp.c[j] += lp.a(i, j) * y[i];
  }
  for (int i = 0; i < m; ++i) lp.b[i] = VelaVector::ScalarProduct(n, lp.a.GetRow(i), lp.x0.GetBuffer());
  return lp;
}

TEST(VelaMatrixSimplex, StartUpAndPivotRules) {
  const Lp twoBoxes = MakeLp(2, 4, {1, 0, 1, 0, 0, 1, 0, 1}, {1, 1}, {1, 2, 0, 0});  // x0, x1 <= 1 by slacks
  const struct { Lp lp; Vec start; double target; Vec x; } cases[] = {
      // Two non-zeros for three independent rows, row 3 = row 0 + row 1: completed and dropped.
      {MakeLp(4, 5, {1, 0, 1, 0, 0, 0, 1, 0, 1, 0, 1, 1, 0, 0, 1, 1, 1, 1, 1, 0}, {1, 1, 2, 2}, {0, 0, 1, 1, 1}),
       {1, 1, 0, 0, 0}, HUGE_VAL, {0, 0, 1, 1, 2}},
      // Already optimal: every variable rewritten from the basis, the same values.
      {MakeLp(3, 5, {1, 0, 1, 0, 1, 0, 1, 0, 1, 1, 1, 1, 1, 1, 2}, {0.3, 0.7, 1.0}, {1, 1, 0, 0, 0}),
       {0.3, 0.7, 0, 0, 0}, HUGE_VAL, {0.3, 0.7, 0, 0, 0}},
      // The largest reduced cost enters first; the target is tested after each update.
      {twoBoxes, {0, 0, 1, 1}, -1.0, {0, 1, 1, 0}}, {twoBoxes, {0, 0, 1, 1}, 2.0, {0, 1, 1, 0}},
      {twoBoxes, {0, 0, 1, 1}, 2.5, {1, 1, 0, 0}}, {twoBoxes, {0, 0, 1, 1}, HUGE_VAL, {1, 1, 0, 0}},
      // Ratio ties at 0 go to the first row; the later one leads to the other optimum (0, 0, 0, 6, 2, 8).
      {MakeLp(3, 6, {2, 2, 2, 2, 0, -1, 0, 0, 3, 1, 1, -1, 2, -1, 2, 1, 0, -1}, {4, 0, -2}, {-2, 0, 0, 3, -2, -1}),
       {0, 2, 0, 0, 0, 0}, HUGE_VAL, {0, 0, 2, 6, 0, 12}},
      // Beale's example: the largest-reduced-cost rule alone cycles through six degenerate bases.
      {MakeLp(3, 7, {0.25, -8, -1, 9, 1, 0, 0, 0.5, -12, -0.5, 3, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1}, {0, 0, 1},
              {0.75, -20, 0.5, -6, 0, 0, 0}),
       {0, 0, 0, 0, 0, 0, 1}, HUGE_VAL, {1, 0, 1, 0, 0.75, 0, 0}},
  };
  for (const auto& c : cases) {
    VelaVector x = V(c.start);
    ASSERT_EQ(c.lp.a.SimplexMaximisation(x, c.lp.c, c.lp.b, c.target, kTol), 1) << "case " << &c - cases;
    for (int j = 0; j < x.GetSize(); ++j) EXPECT_NEAR(x[j], c.x[j], 1e-15) << "case " << &c - cases << ", " << j;
  }
}

TEST(VelaMatrixSimplex, FailuresReturnZeroAndLeaveTheOutputUntouched) {
  const struct { const char* name; std::function<void(Lp&, VelaVector&, double&)> spoil; } cases[] = {
      {"more rows than columns", [](Lp& p, VelaVector&, double&) { p.a = VelaMatrix(5, 4, 1.0); }},
      {"no rows", [](Lp& p, VelaVector&, double&) { p.a = VelaMatrix(); }},
      {"more non-zeros than rows", [](Lp&, VelaVector& x, double&) { x[0] = x[2] = 0.5; }},
      {"dependent non-zero columns",
       [](Lp& p, VelaVector& x, double&) { p.a(0, 1) = p.a(1, 0) = 1.0, x = V({0.5, 0.5, 0, 0}); }},
      {"unbounded", [](Lp& p, VelaVector&, double&) { p.a(0, 0) = p.a(1, 0) = -1.0; }},
      {"NaN in A", [](Lp& p, VelaVector&, double&) { p.a(0, 1) = NAN; }},
      {"infinity in A", [](Lp& p, VelaVector&, double&) { p.a(1, 0) = -INFINITY; }},
      {"NaN in b", [](Lp& p, VelaVector&, double&) { p.b[1] = NAN; }},
      {"infinity in c", [](Lp& p, VelaVector&, double&) { p.c[0] = INFINITY; }},
      {"NaN in the start point", [](Lp&, VelaVector& x, double&) { x[0] = NAN; }},
      {"negative start entry", [](Lp& p, VelaVector& x, double&) { x[3] = -1.0, p.b[1] = -1.0; }},
      {"start point off A x = b", [](Lp&, VelaVector& x, double&) { x[3] = 0.5; }},
      {"start point too short", [](Lp&, VelaVector& x, double&) { x = VelaVector(3, 1.0); }},
      {"b too long", [](Lp& p, VelaVector&, double&) { p.b = VelaVector(3, 1.0); }},
      {"NaN tolerance", [](Lp&, VelaVector&, double& tol) { tol = NAN; }},
      {"negative tolerance", [](Lp&, VelaVector&, double& tol) { tol = -1.0; }},
  };
  for (const auto& c : cases) {
    Lp lp = MakeLp(2, 4, {1, 0, 1, 0, 0, 1, 0, 1}, {1, 1}, {1, 1, 0, 0});
    VelaVector x = V({0, 0, 1, 1});
    double tol = kTol;
    c.spoil(lp, x, tol);
    const VelaVector before = x;
    EXPECT_EQ(lp.a.SimplexMaximisation(x, lp.c, lp.b, HUGE_VAL, tol), 0) << c.name;
    EXPECT_TRUE(Bits(Values(x), Values(before))) << c.name;
  }
  const struct { const char* name; Lp lp; } starts[] = {
      {"infeasible", MakeLp(1, 2, {1, 1}, {-1}, {0, 0})}, {"inconsistent rows", MakeLp(2, 2, {1, 1, 2, 2}, {1, 3}, {0, 0})},
      {"NaN in A", MakeLp(1, 2, {1, NAN}, {1}, {0, 0})}, {"infinity in b", MakeLp(1, 2, {1, 1}, {INFINITY}, {0, 0})},
      {"no columns", {VelaMatrix(1, 0, 0.0), VelaVector(1, 1.0), VelaVector(), VelaVector()}},
      {"b too short", {VelaMatrix(2, 2, 1.0), VelaVector(1, 1.0), VelaVector(), VelaVector()}},
  };
  for (const auto& c : starts) {
    VelaVector x(2, 7.0);
    EXPECT_EQ(c.lp.a.InitializeSimplexStartPoint(x, c.lp.b, kTol), 0) << c.name;
    EXPECT_EQ(Values(x), Vec(2, 7.0)) << c.name;
  }
}

TEST(VelaMatrixSimplex, AfiroAndRandomProblems) {
  namespace af = vela::test::afiro;
  const int cols = af::kCols + static_cast<int>(std::count(af::kSense, af::kSense + af::kRows, 'L'));
  Lp lp{VelaMatrix(af::kRows, cols, 0.0), VelaVector(af::kRows, af::kRhs), VelaVector(cols, 0.0), {}};
  for (const af::Entry& e : af::kEntries) lp.a(e.row, e.col) = e.value;
  for (int i = 0, s = af::kCols; i < af::kRows; ++i)
    if (af::kSense[i] == 'L') lp.a(i, s++) = 1.0;
  for (int j = 0; j < af::kCols; ++j) lp.c[j] = -af::kCost[j];
  VelaVector x;
  ASSERT_EQ(lp.a.InitializeSimplexStartPoint(x, lp.b, kTol) + lp.a.SimplexMaximisation(x, lp.c, lp.b, HUGE_VAL, kTol), 2);
  ExpectBasicFeasible(lp, x, af::kRows);
  EXPECT_NEAR(-(lp.c * x), af::kOptimum, 1e-9);
  // Random problems: start points and optima basic feasible, the optima with a dual certificate.
  TestRng rng{8128};
  for (auto [m0, n] : {std::pair{1, 1}, {1, 4}, {2, 3}, {3, 3}, {4, 9}, {7, 12}, {12, 24}, {20, 31}, {30, 60}})
    for (bool redundant : {false, true}) {
      const int m = m0 + redundant;
      if (m > n) continue;
      SCOPED_TRACE(testing::Message() << m << " x " << n << (redundant ? " redundant" : ""));
      const Lp random = RandomLp(rng, m, n, redundant);
      VelaVector start;
      ASSERT_EQ(random.a.InitializeSimplexStartPoint(start, random.b, kTol), 1);
      ExpectBasicFeasible(random, start, m0);
      ASSERT_EQ(random.a.SimplexMaximisation(start, random.c, random.b, HUGE_VAL, kTol), 1);
      ExpectBasicFeasible(random, start, m0);
      ExpectDualCertificate(random, start, m0);
    }
}

}  // namespace
