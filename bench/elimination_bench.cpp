// The elimination members of VelaMatrix beside Eigen doing the same work.
//
// Minimum-norm solve with kernel of an m x 1.5m system: SolveGaussJordan
// (full-pivoting Gauss-Jordan, then the solution made orthogonal to the
// kernel rows by Gram-Schmidt) beside Eigen's FullPivLU for a solution and
// the kernel, then the solution made orthogonal to the kernel through a
// HouseholderQR of it. The parts of the library's solve are measured on
// their own too: the elimination alone, and the Gram-Schmidt of the kernel
// rows with the solution appended.
//
// Null space of a 100 x 200 matrix: FindNullSpace beside Eigen's
// HouseholderQR of the transpose with its Q formed as a dense matrix.
#include <benchmark/benchmark.h>

#include <Eigen/Dense>
#include <random>
#include <vector>

#include "vela/linalg/VelaMatrix.h"

namespace {

constexpr double kTol = 1e-9;

std::vector<double> RandomEntries(int count, unsigned seed) {
  std::mt19937_64 rng(seed);
  std::uniform_real_distribution<double> dist(-1.0, 1.0);
  std::vector<double> a(static_cast<size_t>(count));
  for (double& x : a) x = dist(rng);
  return a;
}

// The m x 1.5m system and its right-hand side.
struct System {
  explicit System(int rows)
      : m(rows), n(rows + rows / 2), a(RandomEntries(m * n, 1234)), b(RandomEntries(m, 99)) {}
  int m, n;
  std::vector<double> a, b;
};

Eigen::MatrixXd ToEigen(int m, int n, const std::vector<double>& a) {
  return Eigen::Map<const Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor>>(a.data(), m, n);
}

void BM_VelaMinimumNormSolve(benchmark::State& state) {
  const System s(static_cast<int>(state.range(0)));
  const VelaMatrix a(s.m, s.n, s.a.data());
  std::vector<double> x(s.n);
  VelaMatrix kernel;
  for (auto _ : state) {
    a.SolveGaussJordan(0, s.b.data(), x.data(), 1, &kernel, nullptr, kTol);
    benchmark::DoNotOptimize(x.data());
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_EigenMinimumNormSolve(benchmark::State& state) {
  const System s(static_cast<int>(state.range(0)));
  const Eigen::MatrixXd a = ToEigen(s.m, s.n, s.a);
  const Eigen::VectorXd b = Eigen::Map<const Eigen::VectorXd>(s.b.data(), s.m);
  Eigen::FullPivLU<Eigen::MatrixXd> lu(s.m, s.n);
  for (auto _ : state) {
    lu.compute(a);
    Eigen::VectorXd x = lu.solve(b);
    const Eigen::MatrixXd kernel = lu.kernel();
    const Eigen::HouseholderQR<Eigen::MatrixXd> qr(kernel);
    const Eigen::MatrixXd q = qr.householderQ() * Eigen::MatrixXd::Identity(s.n, kernel.cols());
    x -= q * (q.transpose() * x);
    benchmark::DoNotOptimize(x.data());
  }
  state.SetItemsProcessed(state.iterations());
}

// The elimination alone: solution and kernel, no minimum-norm correction.
void BM_VelaGaussJordanOnly(benchmark::State& state) {
  const System s(static_cast<int>(state.range(0)));
  const VelaMatrix a(s.m, s.n, s.a.data());
  std::vector<double> x(s.n);
  VelaMatrix kernel;
  for (auto _ : state) {
    a.SolveGaussJordan(0, s.b.data(), x.data(), 0, &kernel, nullptr, kTol);
    benchmark::DoNotOptimize(x.data());
  }
  state.SetItemsProcessed(state.iterations());
}

// The correction alone: Gram-Schmidt of the kernel rows with x appended.
void BM_VelaOrthogonalizeKernel(benchmark::State& state) {
  const System s(static_cast<int>(state.range(0)));
  const VelaMatrix a(s.m, s.n, s.a.data());
  std::vector<double> x(s.n);
  VelaMatrix kernel;
  a.SolveGaussJordan(0, s.b.data(), x.data(), 0, &kernel, nullptr, kTol);
  kernel.AppendRow(x.data());
  VelaMatrix work;
  for (auto _ : state) {
    work = kernel;
    benchmark::DoNotOptimize(work.Orthogonalize(kTol, nullptr));
  }
  state.SetItemsProcessed(state.iterations());
}

constexpr int kNullRows = 100;
constexpr int kNullCols = 200;

void BM_VelaFindNullSpace(benchmark::State& state) {
  const std::vector<double> values = RandomEntries(kNullRows * kNullCols, 77);
  const VelaMatrix a(kNullRows, kNullCols, values.data());
  VelaMatrix range, kernel;
  int rank = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(a.FindNullSpace(rank, range, kernel));
    benchmark::DoNotOptimize(kernel.GetBuffer());
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_EigenNullSpaceQR(benchmark::State& state) {
  const std::vector<double> values = RandomEntries(kNullRows * kNullCols, 77);
  const Eigen::MatrixXd at = ToEigen(kNullRows, kNullCols, values).transpose();
  Eigen::HouseholderQR<Eigen::MatrixXd> qr(kNullCols, kNullRows);
  Eigen::MatrixXd q(kNullCols, kNullCols);
  for (auto _ : state) {
    qr.compute(at);
    q = qr.householderQ();
    benchmark::DoNotOptimize(q.data());
  }
  state.SetItemsProcessed(state.iterations());
}

}  // namespace

BENCHMARK(BM_VelaMinimumNormSolve)->Arg(100)->Arg(400)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EigenMinimumNormSolve)->Arg(100)->Arg(400)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_VelaGaussJordanOnly)->Arg(100)->Arg(400)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_VelaOrthogonalizeKernel)->Arg(100)->Arg(400)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_VelaFindNullSpace)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EigenNullSpaceQR)->Unit(benchmark::kMillisecond);
