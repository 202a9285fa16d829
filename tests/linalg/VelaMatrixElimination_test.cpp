// Elimination members of VelaMatrix: a table of exact cases, then properties checked against the SVD.
#include "linalg/LinalgTesting.h"

namespace {

using namespace vela::test;

// Largest |a_i · k_j| / (|a_i| |k_j|) over the rows of a and k (0 when orthogonal); NaN sticks.
double Cosine(const VelaMatrix& a, const VelaMatrix& k) {
  double worst = 0.0;
  for (int i = 0, n = a.GetNbOfCol(); i < a.GetNbOfRow(); ++i)
    for (int j = 0; j < k.GetNbOfRow() && !std::isnan(worst); ++j) {
      const double d = std::fabs(VelaVector::ScalarProduct(n, a.GetRow(i), k.GetRow(j)));
      if (d != 0.0) worst = std::max(worst, d / VelaMatrix::Norm2(n, a.GetRow(i)) / VelaMatrix::Norm2(n, k.GetRow(j)));
      if (std::isnan(d)) worst = d;
    }
  return worst;
}

// Exact cases give the count returned (pivots, kernel rows, success and rank), then the values left.
Vec Out(Vec head, const double* v, int size) { return head.insert(head.end(), v, v + size), head; }
Vec Red(VelaMatrix a, double tol, int keep, int row = 0, int col = 0, int end = -1) {  // end < 0: elimination
  const int count = end < 0 ? a.PerformGaussElimination(tol, keep) : a.ReduceSubmatrix(row, col, end, tol);
  return Out({1.0 * count}, a.GetBuffer(), a.GetSize());
}
Vec Sgj(const VelaMatrix& a, Vec b, int minNorm, std::vector<int> levels = {}, double tol = 1e-9) {
  Vec x(a.GetNbOfCol(), 7.0);
  VelaMatrix k;
  a.SolveGaussJordan(0, b.data(), x.data(), minNorm, &k, levels.empty() ? nullptr : levels.data(), tol);
  return Out({1.0 * k.GetNbOfRow()}, x.data(), a.GetNbOfCol());
}
Vec Fns(const VelaMatrix& a, int rank = -1) {
  VelaMatrix range, k;
  return a.FindNullSpace(rank, range, k) ? Out({1.0, 1.0 * rank}, k.GetBuffer(), k.GetSize()) : Vec{0};
}

TEST(VelaMatrixElimination, ExactCases) {
  const VelaMatrix band = M(3, 3, {1, 1, 1, 0, 2, 4, 0, 1, 3}), twice = M(2, 2, {1, 1, 2, 2}), ones(1, 3, 1.0);
  const Vec echelon{1, 2, 2, 0, 0};
  const std::pair<Vec, Vec> cases[] = {
      {Red(M(2, 2, {0, 1, 2, 0}), 1e-9, 0), {2, 2, 0, 0, 1}},               // rows exchanged
      {Red(M(3, 2, {1, 2, -1, 5, 1, 0}), 1e-9, 0), {2, 1, 0, 0, 5, 0, 0}},  // tie: the lower row
      {Red(M(2, 2, {1, 1, 1e-12, 1}), 1e-9, 0), {2, 1, 1, 0, 1}},           // small entry zeroed
      {Red(M(2, 2, {1, 1, 1e-12, 1}), 1e-9, 1), {2, 1, 1, 0, 1 - 1e-12}},   // kept, yet eliminated
      {Red(M(2, 2, {1e-12, 1, 1e-12, 2}), 1e-9, 1), {1, 1e-12, 2, 0.5e-12, 0}},  // whole rows swapped
      {Red(M(2, 3, {1, 2, 3, 4, 6, 5}), 1e-9, 0, 0, 0, 2), {2, 4, 0, -16, 0, 0.5, 1.75}},  // diagonal, unscaled
      {Red(band, 1e-9, 0, 1, 0, 2), {1, 1, 0, -1, 0, 2, 4, 0, 0, 1}},  // rows above too; a zero column skipped
      {Red(band, 1e-9, 0, 0, 2, 2), {0, 1, 1, 1, 0, 2, 4, 0, 1, 3}},   // empty band
      {Red(twice, 0.0, 0), echelon}, {Red(twice, -1.0, 0), echelon}, {Red(twice, 0.0, 0, 0, 0, 2), echelon},
      {Sgj(twice, {2, 4}, 1, {}, 0.0), {1, 1, 1}}, {Sgj(twice, {2, 4}, 1, {}, -1.0), {1, 1, 1}},  // tol <= 0 works
      {Sgj(M(1, 2, {1, 1}), {2}, 1), {1, 1, 1}}, {Sgj(M(1, 2, {1, 1}), {2}, 0), {1, 2, 0}},  // minimum norm or not
      {Sgj(ones, {3}, 0, {1, 1, 0}), {2, 0, 0, 3}}, {Sgj(ones, {3}, 0, {0, 0, 1}), {2, 1.5, 1.5, 0}},  // by level
      {Sgj(VelaMatrix(0, 3, 0.0), {}, 1), {3, 0, 0, 0}},                 // no rows: zero, identity kernel
      {Fns(M(1, 3, {1e-20, 0, 0})), {1, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1}},  // absolute rank threshold
      {Fns(VelaMatrix(0, 2, 0.0)), {1, 0, 1, 0, 0, 1}}, {Fns(M(2, 3, {1, 2, 3, 1, 2, 3})), {0}},  // no rows; equal
      {Fns(M(2, 3, {1, 2, 3, 0, NAN, 1})), {0}}, {Fns(M(2, 3, {1, 2, 3, 0, INFINITY, 1})), {0}},
  };
  for (const auto& c : cases) EXPECT_EQ(c.second, c.first) << "case " << &c - cases;
}

// Elimination leaves a row-echelon form, the band reduction nothing above the tolerance below its pivots,
// both with the SVD's rank and rows orthogonal to the kernel. The solve (default level word) of a consistent
// system: solutions, a kernel of cols - rank independent rows with A k = 0, a minimum-norm solution
// orthogonal to it. FindNullSpace: [range | kernel] orthogonal, A kernel = 0.
void CheckAll(const VelaMatrix& a, TestRng& rng) {
  int m = a.GetNbOfRow(), n = a.GetNbOfCol(), rank = SvdRank(a), found = -1;
  SCOPED_TRACE(testing::Message() << m << " x " << n << " of rank " << rank);
  VelaMatrix e(a), g(a), range, kernel;
  ASSERT_EQ(std::pair(rank, rank), std::pair(e.PerformGaussElimination(1e-9, 0), g.ReduceSubmatrix(0, 0, n, 1e-9)));
  for (int i = 0, lead = -1; i < m; ++i) {
    const double* row = e.GetRow(i);
    const int first = static_cast<int>(std::find_if(row, row + n, [](double x) { return x != 0.0; }) - row);
    EXPECT_TRUE(i < rank ? first > lead : first == n && g.GetNormInf(i) <= 1e-9) << "row " << i;
    lead = first;
  }
  const VelaMatrix b = a * Random(n, 1, rng), ab = VelaMatrix::MergeMatrix(a, b, 0);  // consistent
  Vec x(n + 1, -1.0);  // [x, -1], so that [A | b] [x, -1] = 0
  for (int minNorm : {0, 1}) {
    a.SolveGaussJordan(0x02EF0000u, b.GetBuffer(), x.data(), minNorm, &kernel, nullptr, 1e-10 * a.GetNormInf(-1));
    EXPECT_LE(Cosine(ab, VelaMatrix(1, n + 1, x.data())), 1e-10) << minNorm;
    ASSERT_EQ(std::pair(n - rank, n - rank), std::pair(kernel.GetNbOfRow(), SvdRank(kernel))) << minNorm;
    EXPECT_LE(Cosine(a, kernel), 1e-12) << minNorm;
    EXPECT_LE(Cosine(e, kernel) + Cosine(g.GetSubMatrix(0, 0, n, rank), kernel), 1e-9) << minNorm;
    EXPECT_LE(minNorm * Cosine(VelaMatrix(1, n, x.data()), kernel), 1e-10);
  }
  ASSERT_EQ(rank == m, a.FindNullSpace(found, range, kernel));
  if (rank < m) return;
  ASSERT_EQ(std::pair(rank, n - rank), std::pair(found, kernel.GetNbOfCol()));
  const VelaMatrix q = VelaMatrix::MergeMatrix(range, kernel, 0), qt = Transposed(q);
  EXPECT_LE((qt * q - VelaMatrix(n)).GetNormInf(-1), 1e-13);
  EXPECT_LE(Cosine(a, qt.GetSubMatrix(0, rank, n, n - rank)), 1e-12);  // the kernel's columns
}

// Square, wide and tall; full rank, rank-deficient and zero; rows evenly or badly scaled; then two threads.
TEST(VelaMatrixElimination, PropertiesAgainstTheSvd) {
  TestRng rng{42};
  CheckAll(M(1, 3, {1, 0, 0}), rng);  // rank 1, a two-column kernel orthogonal to (1, 0, 0)
  for (int s : {1, 2, 3, 7, 36, 80})
    for (auto [m, n] : {std::pair{s, s}, std::pair{s, s + s / 2 + 1}, std::pair{s + s / 2 + 1, s}}) {
      const int p = std::min(m, n), d = p - 1 - p / 3;  // full and deficient rank
      for (auto [r, spread] : {std::pair{p, 0}, std::pair{p, 10}, std::pair{d, 0}, std::pair{d, 10}, std::pair{0, 0}})
        CheckAll(Random(m, n, rng, r, spread), rng);
    }
  // With the parallel bit set, systems of 100000 elements take the two-thread solve.
  GetGlobalParameters().Save();
  { vela::test::ScopedProcessEnv parallel("VelaParallelMode", "1"); GetGlobalParameters().InitializeEnv(); }
  EXPECT_EQ(1, static_cast<int>(GetGlobalParameters().GetParallelMode()) & 1);
  CheckAll(Random(400, 250, rng, 200, 3), rng);  // exactly 100000 elements
  GetGlobalParameters().Restore();
}

}  // namespace
