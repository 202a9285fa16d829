// QR left inverse R⁻¹Qᵀ of a square n x n matrix: VelaMatrix::InverseQR
// beside Eigen's HouseholderQR (factorise, then solve against the identity,
// which applies Qᵀ and back-substitutes: the same work) and a plain
// column-by-column loop computing the same operations in the same order.
#include <benchmark/benchmark.h>

#include <Eigen/Dense>
#include <cmath>
#include <random>
#include <vector>

#include "vela/linalg/VelaMatrix.h"

namespace {

std::vector<double> RandomEntries(int n) {
  std::mt19937_64 rng(1234);
  std::uniform_real_distribution<double> dist(-1.0, 1.0);
  std::vector<double> a(static_cast<size_t>(n) * n);
  for (double& x : a) x = dist(rng);
  return a;
}

// Householder QR and left inverse written straight down the columns of the
// row-major array, one sum at a time.
void PlainInverse(int m, int n, std::vector<double>& a, std::vector<double>& beta, std::vector<double>& v,
                  std::vector<double>& x) {
  auto A = [&](int i, int j) -> double& { return a[static_cast<size_t>(i) * n + j]; };
  double normSq = 0.0;
  for (int j = 0; j < n; ++j) {
    double s = 0.0;
    for (int i = 0; i < m; ++i) s += A(i, j) * A(i, j);
    if (s > normSq) normSq = s;
  }
  const double tolSkip = std::sqrt(normSq) * 1e-24;
  for (int k = 0; k < n; ++k) {
    const double alpha = A(k, k);
    double sigma = 0.0;
    for (int i = k + 1; i < m; ++i) {
      sigma += A(i, k) * A(i, k);
      v[i] = A(i, k);
    }
    const double mu = std::sqrt(alpha * alpha + sigma);
    beta[k] = 0.0;
    if (!(std::fabs(sigma) < tolSkip)) {
      const double g = alpha > 0 ? -sigma / (mu + alpha) : alpha - mu;
      beta[k] = 2 * g * g / (sigma + g * g);
      for (int i = k + 1; i < m; ++i) v[i] = v[i] / g;
    }
    v[k] = 1.0;
    for (int j = k; j < n; ++j) {
      double sum = 0.0;
      for (int i = k; i < m; ++i) sum += v[i] * A(i, j);
      const double s = beta[k] * sum;
      if (j == k) {
        A(k, k) = A(k, k) - s;
        for (int i = k + 1; i < m; ++i) A(i, k) = v[i];
      } else {
        for (int i = k; i < m; ++i) A(i, j) = A(i, j) - s * v[i];
      }
    }
  }
  std::fill(x.begin(), x.end(), 0.0);
  for (int k = 0; k < n; ++k) {
    double* row = &x[static_cast<size_t>(k) * m];
    row[k] = 1.0 / A(k, k);
    for (int j = k + 1; j < n; ++j) {
      double sum = 0.0;
      for (int l = k; l < j; ++l) sum += row[l] * A(l, j);
      row[j] = -sum / A(j, j);
    }
  }
  for (int k = n - 1; k >= 0; --k) {
    v[k] = 1.0;
    for (int i = k + 1; i < m; ++i) v[i] = A(i, k);
    for (int r = 0; r < n; ++r) {
      double* row = &x[static_cast<size_t>(r) * m];
      double sum = 0.0;
      for (int i = k; i < m; ++i) sum += row[i] * v[i];
      const double s = beta[k] * sum;
      for (int i = k; i < m; ++i) row[i] = row[i] - s * v[i];
    }
  }
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
    PlainInverse(n, n, a, beta, v, x);
    benchmark::DoNotOptimize(x.data());
  }
  state.SetItemsProcessed(state.iterations());
}

}  // namespace

BENCHMARK(BM_VelaInverseQR)->Arg(6)->Arg(50)->Arg(200);
BENCHMARK(BM_EigenHouseholderQRInverse)->Arg(6)->Arg(50)->Arg(200);
BENCHMARK(BM_PlainInverseQR)->Arg(6)->Arg(50)->Arg(200);
