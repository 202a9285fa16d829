// Singular value decomposition with both factors: VelaMatrix::FactorisationSVD
// beside Eigen's one-sided Jacobi (JacobiSVD) and divide-and-conquer
// (BDCSVD) decompositions of dynamic-size matrices, thin U and V, and beside
// a plain loop transcription of the same method (column walks strided
// through the row-major arrays, every rotation applied to U and V in place),
// on the same random square matrices. The plain version does the same
// arithmetic in the same order, so its results must match the library's bit
// for bit; its benchmark stops with an error otherwise. Compare ratios
// within one run.
#include <benchmark/benchmark.h>

#include <Eigen/Dense>
#include <Eigen/SVD>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "PlainSvd.h"
#include "vela/linalg/VelaMatrix.h"

namespace {

using vela::test::PlainSVD;

std::vector<double> RandomValues(int n) {
  std::vector<double> values(static_cast<std::size_t>(n) * static_cast<std::size_t>(n));
  std::uint64_t state = 12345;
  for (double& x : values) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    x = static_cast<double>(state >> 11) * (2.0 / 9007199254740992.0) - 1.0;
  }
  return values;
}

void BM_VelaSVD(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const std::vector<double> values = RandomValues(n);
  const VelaMatrix a(n, n, values.data());
  VelaMatrix u;
  VelaMatrix v;
  std::vector<double> s(static_cast<std::size_t>(n));
  for (auto _ : state) {
    benchmark::DoNotOptimize(a.FactorisationSVD(u, s.data(), v));
    benchmark::DoNotOptimize(u.GetBuffer());
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_PlainSVD(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const std::vector<double> values = RandomValues(n);
  std::vector<double> a(values);
  std::vector<double> w(static_cast<std::size_t>(n));
  std::vector<double> v(values.size());
  {
    // Same arithmetic in the same order: the same bits as the library.
    VelaMatrix u;
    VelaMatrix vv;
    std::vector<double> s(static_cast<std::size_t>(n));
    VelaMatrix(n, n, values.data()).FactorisationSVD(u, s.data(), vv);
    PlainSVD(n, n, a.data(), w.data(), v.data());
    if (std::memcmp(u.GetBuffer(), a.data(), a.size() * sizeof(double)) != 0 ||
        std::memcmp(s.data(), w.data(), w.size() * sizeof(double)) != 0 ||
        std::memcmp(vv.GetBuffer(), v.data(), v.size() * sizeof(double)) != 0) {
      state.SkipWithError("plain reference differs from the library");
      return;
    }
  }
  for (auto _ : state) {
    a = values;
    benchmark::DoNotOptimize(PlainSVD(n, n, a.data(), w.data(), v.data()));
    benchmark::DoNotOptimize(a.data());
  }
  state.SetItemsProcessed(state.iterations());
}

Eigen::MatrixXd EigenMatrix(int n) {
  const std::vector<double> values = RandomValues(n);
  return Eigen::Map<const Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor>>(values.data(), n, n);
}

void BM_EigenJacobiSVD(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const Eigen::MatrixXd a = EigenMatrix(n);
  for (auto _ : state) {
    Eigen::JacobiSVD<Eigen::MatrixXd> svd(a, Eigen::ComputeThinU | Eigen::ComputeThinV);
    benchmark::DoNotOptimize(svd.singularValues().data());
    benchmark::DoNotOptimize(svd.matrixU().data());
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_EigenBDCSVD(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const Eigen::MatrixXd a = EigenMatrix(n);
  for (auto _ : state) {
    Eigen::BDCSVD<Eigen::MatrixXd> svd(a, Eigen::ComputeThinU | Eigen::ComputeThinV);
    benchmark::DoNotOptimize(svd.singularValues().data());
    benchmark::DoNotOptimize(svd.matrixU().data());
  }
  state.SetItemsProcessed(state.iterations());
}

}  // namespace

BENCHMARK(BM_VelaSVD)->Arg(6)->Arg(50)->Arg(200);
BENCHMARK(BM_PlainSVD)->Arg(6)->Arg(50)->Arg(200);
BENCHMARK(BM_EigenJacobiSVD)->Arg(6)->Arg(50)->Arg(200);
BENCHMARK(BM_EigenBDCSVD)->Arg(6)->Arg(50)->Arg(200);
