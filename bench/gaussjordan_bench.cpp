// Full-pivoting Gauss-Jordan solve of a dense random n x n system: the
// sparse matrix's serial solve and its two-thread solve beside the plain
// loop of the same method (tests/support/PlainGaussJordan.h: no flags, same
// pivots and operations) and Eigen's FullPivLU (factorise, then solve).
//
// Every iteration starts from the same values: the library copies them into
// a VelaSparseMatrix (flags included), the plain loop into its array,
// FullPivLU into its factor. Wall time is reported (UseRealTime) so that the
// two-thread solve compares with the serial one.
#include <benchmark/benchmark.h>

#include <Eigen/Dense>
#include <cstdint>
#include <random>
#include <vector>

#include "support/PlainGaussJordan.h"
#include "vela/linalg/VelaSparseMatrix.h"

namespace {

constexpr double kTol = 1e-12;

struct System {
  std::vector<double> a, b;
};

System RandomSystem(int n) {
  std::mt19937_64 rng(4321);
  std::uniform_real_distribution<double> dist(-1.0, 1.0);
  System s{std::vector<double>(static_cast<std::size_t>(n) * n), std::vector<double>(static_cast<std::size_t>(n))};
  for (double& x : s.a) x = dist(rng);
  for (double& x : s.b) x = dist(rng);
  return s;
}

void BM_VelaSerialGaussJordan(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const System s = RandomSystem(n);
  std::vector<double> x(static_cast<std::size_t>(n));
  for (auto _ : state) {
    VelaSparseMatrix m(n, n, s.a.data());
    m.SolveGaussJordan(0, s.b.data(), x.data(), nullptr, kTol);
    benchmark::DoNotOptimize(x.data());
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_VelaParallelGaussJordan(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const System s = RandomSystem(n);
  std::vector<double> x(static_cast<std::size_t>(n));
  for (auto _ : state) {
    VelaSparseMatrix m(n, n, s.a.data());
    m.ParallelSolveGaussJordan(0, s.b.data(), x.data(), nullptr, kTol);
    benchmark::DoNotOptimize(x.data());
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_PlainGaussJordan(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const System s = RandomSystem(n);
  std::vector<double> a, w, x(static_cast<std::size_t>(n));
  std::vector<int> perm(static_cast<std::size_t>(n));
  for (auto _ : state) {
    a = s.a;
    w = s.b;
    const int rank = vela::test::PlainGaussJordan(n, n, a.data(), w.data(), perm.data(), kTol);
    vela::test::PlainGaussJordanSolution(n, rank, w.data(), perm.data(), x.data());
    benchmark::DoNotOptimize(x.data());
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_EigenFullPivLU(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const System s = RandomSystem(n);
  Eigen::MatrixXd a(n, n);
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) a(i, j) = s.a[static_cast<std::size_t>(i) * n + j];
  const Eigen::VectorXd b = Eigen::Map<const Eigen::VectorXd>(s.b.data(), n);
  Eigen::FullPivLU<Eigen::MatrixXd> lu(n, n);
  Eigen::VectorXd x(n);
  for (auto _ : state) {
    lu.compute(a);
    x = lu.solve(b);
    benchmark::DoNotOptimize(x.data());
  }
  state.SetItemsProcessed(state.iterations());
}

}  // namespace

BENCHMARK(BM_VelaSerialGaussJordan)->Arg(3)->Arg(6)->Arg(100)->Arg(400)->Arg(1000)->UseRealTime();
BENCHMARK(BM_VelaParallelGaussJordan)->Arg(100)->Arg(400)->Arg(1000)->UseRealTime();
BENCHMARK(BM_PlainGaussJordan)->Arg(100)->Arg(400)->Arg(1000)->UseRealTime();
BENCHMARK(BM_EigenFullPivLU)->Arg(3)->Arg(6)->Arg(100)->Arg(400)->Arg(1000)->UseRealTime();
