// QR left inverse R⁻¹Qᵀ of a square n x n matrix: VelaMatrix::InverseQR
// beside Eigen's HouseholderQR (factorise, then solve against the identity,
// which applies Qᵀ and back-substitutes: the same work) and a plain
// column-by-column loop computing the same operations in the same order.
#include <benchmark/benchmark.h>

#include <Eigen/Dense>
#include <cmath>
#include <random>
#include <vector>

#include "PlainQr.h"
#include "vela/linalg/VelaMatrix.h"

namespace {

std::vector<double> RandomEntries(int n) {
  std::mt19937_64 rng(1234);
  std::uniform_real_distribution<double> dist(-1.0, 1.0);
  std::vector<double> a(static_cast<size_t>(n) * n);
  for (double& x : a) x = dist(rng);
  return a;
}

void BM_VelaInverseQR(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const std::vector<double> values = RandomEntries(n);
  const VelaMatrix a(n, n, values.data());
  VelaMatrix inv;
  for (auto _ : state) {
    benchmark::DoNotOptimize(a.InverseQR(inv));
    benchmark::DoNotOptimize(inv.GetBuffer());
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_EigenHouseholderQRInverse(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const std::vector<double> values = RandomEntries(n);
  Eigen::MatrixXd a(n, n);
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) a(i, j) = values[static_cast<size_t>(i) * n + j];
  Eigen::HouseholderQR<Eigen::MatrixXd> qr(n, n);
  Eigen::MatrixXd inv(n, n);
  for (auto _ : state) {
    qr.compute(a);
    inv = qr.solve(Eigen::MatrixXd::Identity(n, n));
    benchmark::DoNotOptimize(inv.data());
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_PlainInverseQR(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const std::vector<double> values = RandomEntries(n);
  std::vector<double> a(values.size()), beta(n), v(n), x(values.size());
  for (auto _ : state) {
    a = values;
    vela::test::PlainInverseQR(n, n, a.data(), beta.data(), v.data(), x.data());
    benchmark::DoNotOptimize(x.data());
  }
  state.SetItemsProcessed(state.iterations());
}

}  // namespace

BENCHMARK(BM_VelaInverseQR)->Arg(6)->Arg(50)->Arg(200);
BENCHMARK(BM_EigenHouseholderQRInverse)->Arg(6)->Arg(50)->Arg(200);
BENCHMARK(BM_PlainInverseQR)->Arg(6)->Arg(50)->Arg(200);
