// The sparse matrix and its Gauss-Jordan solves: operations against a dense model, the pivot rule, documented
// systems, properties against the SVD and the plain loop, and the two-thread solve against the serial one.
#include "vela/linalg/VelaSparseMatrix.h"

#include <thread>

#include "linalg/LinalgTesting.h"

namespace {

using namespace vela::test;
constexpr unsigned int kNewLevel = 0x2C00000u;

std::vector<unsigned char> Flags(const VelaSparseMatrix& m) {
  std::vector<unsigned char> f;
  for (int k = 0; k < m.GetSize(); ++k) f.push_back(m.IsNonZero(k / m.GetNbOfCol(), k % m.GetNbOfCol()));
  return f;
}
// Random ClearCol, MultRow, SwapRows, SwapCols and SubtractRowByFactor against their contract on a value
// and a flag array, on rows of mixed density with flagged signed zeros; then the copies' flags.
TEST(VelaSparseMatrix, OperationsMatchADenseModel) {
  TestRng rng{7};
  const int shapes[][2] = {{1, 1}, {2, 7}, {6, 6}, {5, 9}, {9, 40}, {37, 3}, {12, 130}};
  for (const auto& shape : shapes) {
    const int rows = shape[0], cols = shape[1];
    SCOPED_TRACE(testing::Message() << rows << "x" << cols);
    std::vector<double> v(static_cast<std::size_t>(rows * cols), 0.0);
    std::vector<unsigned char> f(v.size(), 0);
    const auto at = [cols](int i, int j) { return static_cast<std::size_t>(i * cols + j); };
    for (std::size_t k = 0; k < v.size(); ++k) {
      if (rng.Next() + 1.0 >= static_cast<double>(k / cols % 4) / 1.5) continue;  // empty, sparse, ..., full rows
      const double x = rng.Next();
      v[k] = std::fabs(x) < 0.05 ? -0.0 : x, f[k] = 1;
    }
    VelaSparseMatrix m(rows, cols, v.data());
    for (std::size_t k = 0; k < v.size(); ++k)
      if (f[k]) m.SetToNonZero(static_cast<int>(k) / cols, static_cast<int>(k) % cols);
    for (int step = 0; step < 400; ++step) {
      const int op = rng.Below(5), i = rng.Below(rows), j = rng.Below(rows), c = rng.Below(cols), d = rng.Below(cols);
      const double x = step % 7 == 0 ? 0.0 : 4.0 * rng.Next();
      if (op == 0 && step % 5 == 0) {
        for (int r = i; r < rows; ++r) v[at(r, c)] = 0.0, f[at(r, c)] = 0;
        m.ClearCol(c, i);
      } else if (op == 1) {
        for (int k = c; k < cols; ++k) v[at(i, k)] = f[at(i, k)] ? v[at(i, k)] * x : v[at(i, k)];
        m.MultRow(i, x, c);
      } else if (op == 2) {
        for (int k = c; k < cols; ++k) std::swap(v[at(i, k)], v[at(j, k)]), std::swap(f[at(i, k)], f[at(j, k)]);
        m.SwapRows(i, j, c);
      } else if (op == 3) {
        for (int r = 0; r < rows; ++r) std::swap(v[at(r, c)], v[at(r, d)]), std::swap(f[at(r, c)], f[at(r, d)]);
        m.SwapCols(c, d);
      } else {
        for (int k = c; k < cols; ++k)
          if (f[at(j, k)]) v[at(i, k)] = v[at(i, k)] - x * v[at(j, k)], f[at(i, k)] = 1;
        m.SubtractRowByFactor(i, j, c - 1, x);
      }
      ASSERT_EQ(std::memcmp(m.GetBuffer(), v.data(), v.size() * sizeof(double)), 0) << "step " << step;
      ASSERT_EQ(Flags(m), f) << "step " << step;
    }
    VelaSparseMatrix assigned(1, 1, nullptr);
    assigned = m;  // copies the flags, beyond the inline ones
    EXPECT_EQ(Flags(assigned), f);
    for (std::size_t k = 0; k < v.size(); ++k) f[k] = v[k] != 0.0;
    EXPECT_EQ(Flags(VelaSparseMatrix(m)), f);  // the copy takes them from the values
  }
}

TEST(VelaSparseMatrix, PivotRelativeFactorEarlyAcceptLevelAndScanOrder) {
  using Entries = std::vector<std::pair<int, double>>;  // row-major index, value
  struct Case { int rows, cols; Entries entries; unsigned int level; bool byColumns; int row, col; };
  const Entries early = {{0, 0.5}, {1, 1.2}, {2, 3.0}, {3, 9.0}};
  const Case cases[] = {
      // A later element replaces the pivot only when larger by 1.00000000005,
      // in short rows and in long ones (scanned by blocks); ties keep the first.
      {1, 9, {{0, 0.5}, {4, 1.0}, {7, 1.0 + 4e-11}}, 0, false, 0, 4},
      {1, 9, {{0, 0.5}, {4, 1.0}, {7, 1.0 + 4e-11}, {8, 1.0 + 1e-10}}, 0, false, 0, 8},
      {1, 20, {{4, 1.0}, {11, 1.0 + 4e-11}}, 0, false, 0, 4},
      {1, 20, {{4, 1.0}, {11, 1.0 + 4e-11}, {17, 1.0 + 1e-10}}, 0, false, 0, 17},
      {3, 3, {{1, -0.75}, {6, 0.75}}, 0, false, 0, 1},
      {2, 2, {}, 0, false, -5, -6},  // nothing above 0: the position is left alone
      // Early accept above sqrt(1.01): at the element below level 0x2C00000,
      // at the end of its row from that level on, at the element by columns.
      {3, 3, early, kNewLevel - 1, false, 0, 1},
      {3, 3, early, kNewLevel, false, 0, 2},
      {2, 3, {{1, 1.0049}, {5, 9.0}}, 0, false, 1, 2},
      {2, 3, {{1, 1.005}, {5, 9.0}}, 0, false, 0, 1},
      {3, 3, early, kNewLevel, true, 1, 0},
      {2, 2, {{0, 1.2}, {2, 3.0}}, kNewLevel, true, 0, 0},
      {2, 3, {{1, 1.0049}, {5, 9.0}}, 0, true, 1, 2},
  };
  for (const Case& c : cases) {
    std::vector<double> values(static_cast<std::size_t>(c.rows * c.cols), 0.0);
    for (const auto& [k, x] : c.entries) values[static_cast<std::size_t>(k)] = x;
    ScopedREFOrder order(c.byColumns);
    int row = -5, col = -6;
    const double found = VelaSparseMatrix(c.rows, c.cols, values.data()).FindPivot(c.level, 0, 0, row, col);
    EXPECT_EQ(found, row < 0 ? 0.0 : std::fabs(values[static_cast<std::size_t>(row * c.cols + col)]));
    EXPECT_EQ(std::make_pair(row, col), std::make_pair(c.row, c.col)) << "case " << &c - cases;
  }
}

TEST(VelaSparseMatrixParallel, DocumentedSystemsSerialAndParallel) {
  // b empty: no right-hand side; x as the solve leaves it (-7: untouched).
  struct Case { int rows, cols; std::vector<double> a, b, x; int kernelRows; std::vector<double> kernel; };
  const Case cases[] = {
      {2, 2, {1, 0, 0, 1}, {3, -4}, {3, -4}, 0, {}},
      {1, 2, {1, 1}, {2}, {2, 0}, 1, {-1, 1}},
      {2, 2, {0, 0, 0.5, 0}, {0, 1}, {2, 0}, 1, {0, 1}},  // the pivot in the second row
      {3, 4, std::vector<double>(12), {1, 2, 3}, {0, 0, 0, 0}, 4, {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}},
      {2, 3, {1, 2, 0, 2, 4, 0}, {}, {0, -7, 0}, 2, {1, -0.5, 0, 0, 0, 1}},  // only the free unknowns written
      {0, 3, {}, {}, {-7, -7, -7}, 1, {-7}},                                 // nothing to do
  };
  for (bool parallel : {false, true})
    for (const Case& c : cases) {
      VelaSparseMatrix m(c.rows, c.cols, c.a.data());
      const Solved s = Solve(m, c.b.empty() ? nullptr : c.b.data(), 0, 1e-12, parallel);
      EXPECT_TRUE(s.x == c.x && s.kernel.GetNbOfRow() == c.kernelRows && Values(s.kernel) == c.kernel)
          << "case " << &c - cases << (parallel ? " parallel" : "");
    }
}

// Systems b = A x0, square, wide and tall, of full, half, unit and zero rank, sparse and banded (one dense
// row), rows scaled up to 2^10, meeting every level and scan order: A x = b and A k = 0 to a relative 1e-12,
// the SVD's rank, the plain loop's solution and reduced matrix (same bits if dense, same values if sparse).
TEST(VelaSparseMatrix, PropertiesAndAgreementWithThePlainLoop) {
  TestRng rng{2024};
  const int shapes[][2] = {{1, 1},   {1, 4},   {4, 1},   {3, 3},     {6, 6},    {7, 5},    {5, 7},   {9, 13},
                           {36, 36}, {37, 35}, {35, 37}, {100, 100}, {60, 140}, {140, 60}};
  for (const auto& shape : shapes) {
    const int rows = shape[0], cols = shape[1], full = std::min(rows, cols);
    for (int family = 0; family < 7; ++family) {
      const int ranks[] = {full, full, full / 2, 1, 0, full, full}, spreads[] = {0, 10, 4, 10, 0, 6, 6};
      Vec a = RandomMatrix(rows, cols, ranks[family], spreads[family], rng);
      for (std::size_t k = 0; k < a.size(); ++k) {
        const int i = static_cast<int>(k) / cols, j = static_cast<int>(k) % cols;
        if ((family == 5 && (k % 3 == 0 || rng.Next() > -0.8)) || (family == 6 && std::abs(i - j) > 1 && i != rows / 2))
          a[k] = 0.0;
      }
      const Vec b = Values(M(rows, cols, a) * Random(cols, 1, rng));  // b = A x0
      const double amax = VelaMatrix::NormInf(rows * cols, a.data());
      const int variant = static_cast<int>(&shape - shapes) + family;
      const unsigned int level = variant % 2 ? kNewLevel : 0u;
      const bool byColumns = variant % 4 >= 2;
      const double tol = std::max(1e-9 * amax, 1e-300);
      const std::string where = std::to_string(rows) + "x" + std::to_string(cols) + " family " + std::to_string(family);
      ScopedREFOrder order(byColumns);
      VelaSparseMatrix m(rows, cols, a.data());
      const Solved s = Solve(m, b.data(), level, tol);
      EXPECT_EQ(cols - s.kernel.GetNbOfRow(), SvdRank(VelaMatrix(rows, cols, a.data()))) << where;
      EXPECT_LT(RelativeResidual(rows, cols, a, s.x.data(), b.data()), 1e-12) << where;
      for (int k = 0; k < s.kernel.GetNbOfRow(); ++k)
        EXPECT_LT(RelativeResidual(rows, cols, a, s.kernel.GetRow(k), nullptr), 1e-12) << where;
      for (int k = 0; k < m.GetSize(); ++k)  // a clear flag only on an exact zero
        ASSERT_TRUE(m.IsNonZero(k / cols, k % cols) || m.GetBuffer()[k] == 0.0) << where;

      Vec plain = a, w = b, x(static_cast<std::size_t>(cols));
      std::vector<int> perm(x.size());
      const int rank = PlainGaussJordan(rows, cols, plain.data(), w.data(), perm.data(), tol, level, byColumns);
      PlainGaussJordanSolution(cols, rank, w.data(), perm.data(), x.data());
      EXPECT_TRUE(family < 5 ? Bits(x, s.x) && Bits(plain, Values(m))  // dense: the same bits
                             : x == s.x && plain == Values(m)) << where;
    }
  }
}

// Both solves of b = A x0: the rank of A, the parallel kernel rows in the null space (independent, so they
// span it), the parallel solution solving the system and equal to the serial one to rounding when both take
// the same pivots: at full column rank, or at the older level by rows.
void ExpectSameSolutions(int rows, int cols, int rank, unsigned int level, bool byColumns, TestRng& rng) {
  ScopedREFOrder order(byColumns);
  const Vec a = RandomMatrix(rows, cols, rank, 0, rng), b = Values(M(rows, cols, a) * Random(cols, 1, rng));
  SCOPED_TRACE(testing::Message() << rows << "x" << cols << " rank " << rank << " level " << level << " " << byColumns);
  VelaSparseMatrix ms(rows, cols, a.data()), mp(ms);
  const Solved serial = Solve(ms, b.data(), level, 1e-9), parallel = Solve(mp, b.data(), level, 1e-9, true);
  for (const Solved* s : {&serial, &parallel}) ASSERT_EQ(s->kernel.GetNbOfRow(), cols - rank);
  for (int k = 0; k < cols - rank; ++k)
    ASSERT_LT(RelativeResidual(rows, cols, a, parallel.kernel.GetRow(k), nullptr), 1e-12) << "kernel row " << k;
  EXPECT_LT(RelativeResidual(rows, cols, a, parallel.x.data(), b.data()), 1e-12);
  if (rank < cols && (byColumns || level >= kNewLevel)) return;  // they differ by a kernel vector
  for (int j = 0; j < cols; ++j) ASSERT_NEAR(parallel.x[j], serial.x[j], 1e-9) << "unknown " << j;
}

// Odd and even row counts (the worker's rows outlast the main participant's), wide and tall, full rank and
// rank-deficient, both levels and scan orders; the size where the dense front end goes parallel; the guards.
TEST(VelaSparseMatrixParallel, AgreesWithTheSerialSolveAndGuards) {
  TestRng rng{31};
  const int small[][3] = {{1, 1, 1}, {2, 2, 1}, {3, 5, 3}, {5, 3, 2}, {7, 7, 7}, {41, 40, 40}, {40, 41, 25}};
  for (bool byColumns : {false, true})
    for (unsigned int level : {0u, kNewLevel})
      for (const auto& shape : small) ExpectSameSolutions(shape[0], shape[1], shape[2], level, byColumns, rng);
  ExpectSameSolutions(400, 400, 400, 0, false, rng);
  ExpectSameSolutions(400, 400, 300, kNewLevel, false, rng);
  ExpectSameSolutions(360, 400, 200, 0, true, rng);
  // The worker's loop refuses a thread outside the batch; overlapping solves (later ones go serial) succeed.
  VelaSparseMatrix m(2, 2, std::vector<double>{1, 2, 3, 4}.data());
  int row = 0, col = 0;
  REFThreadData data{0, &m, nullptr, &row, &col, 0, 0, nullptr, 0.0};
  EXPECT_EQ(m.SolveGaussJordanThread(data), 1);
  const std::vector<double> a = RandomMatrix(60, 60, 60, 0, rng), b(60, 1.0);
  VelaSparseMatrix first(60, 60, a.data());
  const std::vector<double> expected = Solve(first, b.data(), 0, 1e-10).x;
  std::vector<std::vector<double>> x(4);
  std::vector<std::thread> threads;
  for (std::vector<double>& xt : x)
    threads.emplace_back([&] { VelaSparseMatrix own(60, 60, a.data()); xt = Solve(own, b.data(), 0, 1e-10, true).x; });
  for (std::thread& t : threads) t.join();
  for (const std::vector<double>& xt : x)
    for (int j = 0; j < 60; ++j) EXPECT_NEAR(xt[j], expected[j], 1e-9);
}

}  // namespace
