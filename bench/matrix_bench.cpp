// Dense matrix operations beside Eigen's dynamic-size row-major matrices and
// a plain reference loop on std::vector, on the same inputs and sizes.
// Compare ratios within one run: library / Eigen and library / reference.
#include <benchmark/benchmark.h>

#include <Eigen/Dense>
#include <random>
#include <vector>

#include "vela/linalg/VelaMatrix.h"

namespace {

using EigenMatrix = Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor>;

std::vector<double> RandomValues(int n, unsigned seed) {
  std::mt19937_64 rng(seed);
  std::uniform_real_distribution<double> value(-1.0, 1.0);
  std::vector<double> v(static_cast<std::size_t>(n));
  for (double& x : v) x = value(rng);
  return v;
}

VelaMatrix VelaRandom(int rows, int cols, unsigned seed) {
  return VelaMatrix(rows, cols, RandomValues(rows * cols, seed).data());
}

EigenMatrix EigenRandom(int rows, int cols, unsigned seed) {
  const std::vector<double> v = RandomValues(rows * cols, seed);
  return Eigen::Map<const EigenMatrix>(v.data(), rows, cols);
}

void SetFlops(benchmark::State& state, int n) {
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(n) * n * n);
}

void SetElements(benchmark::State& state, int n) { state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(n) * n); }

// ---- Matrix product ------------------------------------------------------------

void BM_VelaProduct(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const VelaMatrix a = VelaRandom(n, n, 1), b = VelaRandom(n, n, 2);
  for (auto _ : state) {
    VelaMatrix c = a * b;
    benchmark::DoNotOptimize(c.GetBuffer());
  }
  SetFlops(state, n);
}

void BM_EigenProduct(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const EigenMatrix a = EigenRandom(n, n, 1), b = EigenRandom(n, n, 2);
  for (auto _ : state) {
    EigenMatrix c = a * b;
    benchmark::DoNotOptimize(c.data());
  }
  SetFlops(state, n);
}

void BM_ReferenceProduct(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const std::vector<double> a = RandomValues(n * n, 1), b = RandomValues(n * n, 2);
  for (auto _ : state) {
    std::vector<double> c(static_cast<std::size_t>(n) * n, 0.0);
    for (int i = 0; i < n; ++i)
      for (int k = 0; k < n; ++k) {
        const double aik = a[i * n + k];
        for (int j = 0; j < n; ++j) c[i * n + j] += aik * b[k * n + j];
      }
    benchmark::DoNotOptimize(c.data());
  }
  SetFlops(state, n);
}

// ---- MultiplyLeft: A becomes L A (A is restored from a copy each time) ----------

void BM_VelaMultiplyLeft(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const VelaMatrix l = VelaRandom(n, n, 3), a0 = VelaRandom(n, n, 4);
  VelaMatrix a;
  for (auto _ : state) {
    a = a0;
    a.MultiplyLeft(l);
    benchmark::DoNotOptimize(a.GetBuffer());
  }
  SetFlops(state, n);
}

void BM_EigenMultiplyLeft(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const EigenMatrix l = EigenRandom(n, n, 3), a0 = EigenRandom(n, n, 4);
  EigenMatrix a;
  for (auto _ : state) {
    a = a0;
    a = l * a;
    benchmark::DoNotOptimize(a.data());
  }
  SetFlops(state, n);
}

// ---- Matrix-vector product ---------------------------------------------------------

void BM_VelaMatrixVector(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const VelaMatrix a = VelaRandom(n, n, 5);
  const VelaVector x(n, RandomValues(n, 6).data());
  for (auto _ : state) {
    VelaVector y = a * x;
    benchmark::DoNotOptimize(y.GetBuffer());
  }
  SetElements(state, n);
}

void BM_EigenMatrixVector(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const EigenMatrix a = EigenRandom(n, n, 5);
  const Eigen::VectorXd x = EigenRandom(n, 1, 6);
  for (auto _ : state) {
    Eigen::VectorXd y = a * x;
    benchmark::DoNotOptimize(y.data());
  }
  SetElements(state, n);
}

void BM_ReferenceMatrixVector(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const std::vector<double> a = RandomValues(n * n, 5), x = RandomValues(n, 6);
  for (auto _ : state) {
    std::vector<double> y(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
      double sum = 0.0;
      for (int j = 0; j < n; ++j) sum += a[i * n + j] * x[j];
      y[i] = sum;
    }
    benchmark::DoNotOptimize(y.data());
  }
  SetElements(state, n);
}

// ---- Transpose in place: square n x n and non-square n x (n + 1) ---------------------

void BM_VelaTranspose(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  VelaMatrix a = VelaRandom(n, n, 7);
  for (auto _ : state) {
    a.Transpose();
    benchmark::DoNotOptimize(a.GetBuffer());
  }
  SetElements(state, n);
}

void BM_EigenTranspose(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  EigenMatrix a = EigenRandom(n, n, 7);
  for (auto _ : state) {
    a.transposeInPlace();
    benchmark::DoNotOptimize(a.data());
  }
  SetElements(state, n);
}

void BM_VelaTransposeNonSquare(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  VelaMatrix a = VelaRandom(n, n + 1, 8);
  for (auto _ : state) {
    a.Transpose();
    benchmark::DoNotOptimize(a.GetBuffer());
  }
  SetElements(state, n);
}

void BM_EigenTransposeNonSquare(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  EigenMatrix a = EigenRandom(n, n + 1, 8);
  for (auto _ : state) {
    a.transposeInPlace();
    benchmark::DoNotOptimize(a.data());
  }
  SetElements(state, n);
}

void Sizes(benchmark::internal::Benchmark* b) {
  for (int n : {2, 3, 6, 12, 50, 100, 200, 1000}) b->Arg(n);
}

}  // namespace

BENCHMARK(BM_VelaProduct)->Apply(Sizes);
BENCHMARK(BM_EigenProduct)->Apply(Sizes);
BENCHMARK(BM_ReferenceProduct)->Apply(Sizes);
BENCHMARK(BM_VelaMultiplyLeft)->Apply(Sizes);
BENCHMARK(BM_EigenMultiplyLeft)->Apply(Sizes);
BENCHMARK(BM_VelaMatrixVector)->Apply(Sizes);
BENCHMARK(BM_EigenMatrixVector)->Apply(Sizes);
BENCHMARK(BM_ReferenceMatrixVector)->Apply(Sizes);
BENCHMARK(BM_VelaTranspose)->Apply(Sizes);
BENCHMARK(BM_EigenTranspose)->Apply(Sizes);
BENCHMARK(BM_VelaTransposeNonSquare)->Apply(Sizes);
BENCHMARK(BM_EigenTransposeNonSquare)->Apply(Sizes);
