// The two-thread Gauss-Jordan solve against the serial one over shapes, ranks, behaviour levels and scan orders;
// non-finite input and non-positive tolerances (both solves); the worker's ordinal check; overlapping solves.
#include <gtest/gtest.h>

#include <thread>

#include "support/PlainGaussJordan.h"

#if defined(__SANITIZE_THREAD__)
#define VELA_UNDER_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define VELA_UNDER_TSAN 1
#endif
#endif

namespace {

using namespace vela::test;
constexpr unsigned int kNewLevel = 0x2C00000u;

// Both solves of one consistent system b = A x0: the rank of A, the
// parallel kernel rows in the null space of A (independent by construction,
// so they span it as the serial ones do), the parallel solution solving the
// system and equal to the serial one to rounding when both take the same
// pivots: at full column rank, or at the older level by rows.
void ExpectSameSolutions(int rows, int cols, int rank, unsigned int level, bool byColumns, TestRng& rng) {
  ScopedREFOrder order(byColumns);
  const std::vector<double> a = RandomMatrix(rows, cols, rank, 0, rng);
  std::vector<double> x0(static_cast<std::size_t>(cols)), b(static_cast<std::size_t>(rows), 0.0);
  for (double& x : x0) x = rng.Next();
  for (std::size_t k = 0; k < a.size(); ++k) b[k / cols] += a[k] * x0[k % cols];
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

TEST(VelaSparseMatrixParallel, AgreesWithTheSerialSolve) {
  TestRng rng{31};
  // Odd and even row counts (the worker's rows outlast the main
  // participant's), wide and tall, full rank and rank-deficient.
  const int small[][3] = {{1, 1, 1}, {2, 2, 1}, {3, 5, 3}, {5, 3, 2}, {7, 7, 7}, {41, 40, 40}, {40, 41, 25}};
  for (bool byColumns : {false, true})
    for (unsigned int level : {0u, kNewLevel})
      for (const auto& shape : small) ExpectSameSolutions(shape[0], shape[1], shape[2], level, byColumns, rng);
  ExpectSameSolutions(400, 400, 400, 0, false, rng);
  ExpectSameSolutions(400, 400, 300, kNewLevel, false, rng);
  ExpectSameSolutions(400, 400, 400, kNewLevel, true, rng);
  ExpectSameSolutions(360, 400, 200, 0, true, rng);
#ifndef VELA_UNDER_TSAN  // too slow there; 400 runs the same protocol
  ExpectSameSolutions(1000, 1000, 950, 0, false, rng);
#endif
}

TEST(VelaSparseMatrixParallel, NonFiniteEntriesAndNonPositiveTolerancesEnd) {
  const double inf = HUGE_VAL, nan = std::nan("");
  TestRng rng{8};
  for (bool parallel : {false, true}) {
    for (int n : {1, 3, 8, 24})
      for (double tol : {1e-9, 0.0, -1.0, nan})
        for (double bad : {inf, -inf, nan}) {
          ScopedREFOrder order(n % 3 == 0);
          std::vector<double> a = RandomMatrix(n, n + 1, n / 2, 0, rng), b(a.size(), bad);
          a[static_cast<std::size_t>(rng.Below(n * (n + 1)))] = bad;
          VelaSparseMatrix m(n, n + 1, a.data());
          Solve(m, b.data(), n % 2 ? 0 : kNewLevel, tol, parallel);
          for (int k = 0; k < m.GetSize(); ++k)  // the flags still cover every non-zero, NaN included
            ASSERT_TRUE(m.IsNonZero(k / (n + 1), k % (n + 1)) || m.GetBuffer()[k] == 0.0) << n << " " << tol;
        }
  }
}

// The worker's loop refuses a thread outside the batch; overlapping solves (the later ones go serial) succeed.
TEST(VelaSparseMatrixParallel, WorkerAndOverlapGuards) {
  VelaSparseMatrix m(2, 2, std::vector<double>{1, 2, 3, 4}.data());
  int row = 0, col = 0;
  REFThreadData data{0, &m, nullptr, &row, &col, 0, 0, nullptr, 0.0};
  EXPECT_EQ(m.SolveGaussJordanThread(data), 1);
  TestRng rng{77};
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
