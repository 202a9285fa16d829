// Symmetric solves: the LDLᵀ solve (factorise + solve) of a random symmetric
// indefinite system beside Eigen's LDLT and reference LAPACK's Bunch-Kaufman
// dsysv, and the Cholesky solve of a positive definite one beside Eigen's
// LLT. Every variant refactorises on each iteration from the same matrix and
// reuses its own objects and workspace, so no side pays for allocation that
// the other avoids. Compare ratios from one run.
#include <benchmark/benchmark.h>

#include <Eigen/Dense>
#include <cstddef>
#include <random>
#include <vector>

#include "vela/linalg/VelaSymmetricMatrix.h"

extern "C" void dsysv_(const char* uplo, const int* n, const int* nrhs, double* a, const int* lda, int* ipiv, double* b, const int* ldb, double* work, const int* lwork, int* info, std::size_t uploLength);

namespace {

// Full row-major symmetric matrix with entries in [-1, 1]; positive definite
// (B Bᵀ + n I) on request.
std::vector<double> RandomSymmetric(int n, bool positiveDefinite) {
  std::mt19937 rng(12345 + n);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  std::vector<double> a(static_cast<std::size_t>(n) * n);
  if (!positiveDefinite) {
    for (int i = 0; i < n; ++i)
      for (int j = 0; j <= i; ++j) a[i * n + j] = a[j * n + i] = u(rng);
    return a;
  }
  std::vector<double> b(a.size());
  for (double& x : b) x = u(rng);
  for (int i = 0; i < n; ++i)
    for (int j = 0; j <= i; ++j) {
      double s = i == j ? n : 0.0;
      for (int k = 0; k < n; ++k) s += b[i * n + k] * b[j * n + k];
      a[i * n + j] = a[j * n + i] = s;
    }
  return a;
}

std::vector<double> RandomRhs(int n) {
  std::mt19937 rng(777 + n);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  std::vector<double> b(static_cast<std::size_t>(n));
  for (double& x : b) x = u(rng);
  return b;
}

VelaSymmetricMatrix ToPacked(int n, const std::vector<double>& full) {
  VelaSymmetricMatrix s(n, nullptr);
  for (int i = 0; i < n; ++i)
    for (int j = 0; j <= i; ++j) s(i, j) = full[i * n + j];
  return s;
}

Eigen::MatrixXd ToEigen(int n, const std::vector<double>& full) {
  return Eigen::Map<const Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor>>(full.data(), n, n);
}

void BM_VelaLDLtSolve(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  VelaSymmetricMatrix s = ToPacked(n, RandomSymmetric(n, false));
  const std::vector<double> rhs = RandomRhs(n);
  const VelaVector b(n, rhs.data());
  VelaVector x;
  for (auto _ : state) {
    benchmark::DoNotOptimize(s.SolveLDLt(0, b, x));
    benchmark::DoNotOptimize(x.GetBuffer());
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_EigenLDLTSolve(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const Eigen::MatrixXd a = ToEigen(n, RandomSymmetric(n, false));
  const std::vector<double> rhs = RandomRhs(n);
  const Eigen::VectorXd b = Eigen::Map<const Eigen::VectorXd>(rhs.data(), n);
  Eigen::LDLT<Eigen::MatrixXd> ldlt(n);
  Eigen::VectorXd x(n);
  for (auto _ : state) {
    ldlt.compute(a);
    x = ldlt.solve(b);
    benchmark::DoNotOptimize(x.data());
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_LapackDsysvSolve(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const std::vector<double> a0 = RandomSymmetric(n, false);
  const std::vector<double> b0 = RandomRhs(n);
  std::vector<double> a(a0), b(b0);
  std::vector<int> ipiv(static_cast<std::size_t>(n));
  const int nrhs = 1;
  int info = 0;
  int lwork = -1;
  double query = 0.0;
  dsysv_("L", &n, &nrhs, a.data(), &n, ipiv.data(), b.data(), &n, &query, &lwork, &info, 1);
  lwork = static_cast<int>(query);
  std::vector<double> work(static_cast<std::size_t>(lwork > 1 ? lwork : 1));
  for (auto _ : state) {
    a = a0;  // dsysv overwrites the matrix and the right-hand side
    b = b0;
    dsysv_("L", &n, &nrhs, a.data(), &n, ipiv.data(), b.data(), &n, work.data(), &lwork, &info, 1);
    benchmark::DoNotOptimize(b.data());
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_VelaCholeskySolve(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const VelaSymmetricMatrix s = ToPacked(n, RandomSymmetric(n, true));
  const std::vector<double> b = RandomRhs(n);
  std::vector<double> x(b.size());
  VelaLowerTriangularMatrix factor(n, nullptr);
  for (auto _ : state) {
    benchmark::DoNotOptimize(s.SolveCholesky(b.data(), x.data(), &factor, 0.0));
    benchmark::DoNotOptimize(x.data());
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_EigenLLTSolve(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const Eigen::MatrixXd a = ToEigen(n, RandomSymmetric(n, true));
  const std::vector<double> rhs = RandomRhs(n);
  const Eigen::VectorXd b = Eigen::Map<const Eigen::VectorXd>(rhs.data(), n);
  Eigen::LLT<Eigen::MatrixXd> llt(n);
  Eigen::VectorXd x(n);
  for (auto _ : state) {
    llt.compute(a);
    x = llt.solve(b);
    benchmark::DoNotOptimize(x.data());
  }
  state.SetItemsProcessed(state.iterations());
}

}  // namespace

BENCHMARK(BM_VelaLDLtSolve)->Arg(6)->Arg(100)->Arg(400)->Arg(1000);
BENCHMARK(BM_EigenLDLTSolve)->Arg(6)->Arg(100)->Arg(400)->Arg(1000);
BENCHMARK(BM_LapackDsysvSolve)->Arg(6)->Arg(100)->Arg(400)->Arg(1000);
BENCHMARK(BM_VelaCholeskySolve)->Arg(6)->Arg(100);
BENCHMARK(BM_EigenLLTSolve)->Arg(6)->Arg(100);
