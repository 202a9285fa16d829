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

#include "vela/linalg/VelaMatrix.h"

namespace {

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

// ---- Plain reference: the method as straight loops over row-major arrays ----

double PlainHypot(double a, double b) {
  const double x = std::fabs(a);
  const double y = std::fabs(b);
  if (x > y) return x * std::sqrt(1.0 + (y / x) * (y / x));
  return y == 0.0 ? 0.0 : y * std::sqrt(1.0 + (x / y) * (x / y));
}

double PlainSign(double a, double b) { return b >= 0.0 ? std::fabs(a) : -std::fabs(a); }

// a: m x n (m >= n), becomes U; w: n values; v: n x n. Returns false on
// non-convergence.
bool PlainSVD(int m, int n, double* a, double* w, double* v) {
  auto A = [&](int i, int j) -> double& { return a[i * n + j]; };
  auto V = [&](int i, int j) -> double& { return v[i * n + j]; };
  std::vector<double> rv1(static_cast<std::size_t>(n));
  double g = 0.0, scale = 0.0, anorm = 0.0;
  int l = 0;
  for (int i = 0; i < n; ++i) {
    l = i + 1;
    rv1[i] = scale * g;
    g = scale = 0.0;
    double s = 0.0;
    for (int k = i; k < m; ++k) scale += std::fabs(A(k, i));
    if (scale != 0.0) {
      for (int k = i; k < m; ++k) {
        A(k, i) /= scale;
        s += A(k, i) * A(k, i);
      }
      double f = A(i, i);
      g = -PlainSign(std::sqrt(s), f);
      const double h = f * g - s;
      A(i, i) = f - g;
      for (int j = l; j < n; ++j) {
        s = 0.0;
        for (int k = i; k < m; ++k) s += A(k, i) * A(k, j);
        f = s / h;
        for (int k = i; k < m; ++k) A(k, j) += f * A(k, i);
      }
      for (int k = i; k < m; ++k) A(k, i) *= scale;
    }
    w[i] = scale * g;
    g = s = scale = 0.0;
    if (i + 1 != n) {
      for (int k = l; k < n; ++k) scale += std::fabs(A(i, k));
      if (scale != 0.0) {
        for (int k = l; k < n; ++k) {
          A(i, k) /= scale;
          s += A(i, k) * A(i, k);
        }
        const double f = A(i, l);
        g = -PlainSign(std::sqrt(s), f);
        const double h = f * g - s;
        A(i, l) = f - g;
        for (int k = l; k < n; ++k) rv1[k] = A(i, k) / h;
        for (int j = l; j < m; ++j) {
          s = 0.0;
          for (int k = l; k < n; ++k) s += A(j, k) * A(i, k);
          for (int k = l; k < n; ++k) A(j, k) += s * rv1[k];
        }
        for (int k = l; k < n; ++k) A(i, k) *= scale;
      }
    }
    const double t = std::fabs(w[i]) + std::fabs(rv1[i]);
    if (t > anorm) anorm = t;
  }
  for (int i = n - 1; i >= 0; --i) {
    if (i < n - 1) {
      if (g != 0.0) {
        for (int j = l; j < n; ++j) V(j, i) = (A(i, j) / A(i, l)) / g;
        for (int j = l; j < n; ++j) {
          double s = 0.0;
          for (int k = l; k < n; ++k) s += A(i, k) * V(k, j);
          for (int k = l; k < n; ++k) V(k, j) += s * V(k, i);
        }
      }
      for (int j = l; j < n; ++j) V(i, j) = V(j, i) = 0.0;
    }
    V(i, i) = 1.0;
    g = rv1[i];
    l = i;
  }
  for (int i = n - 1; i >= 0; --i) {
    l = i + 1;
    g = w[i];
    for (int j = l; j < n; ++j) A(i, j) = 0.0;
    if (g != 0.0) {
      g = 1.0 / g;
      for (int j = l; j < n; ++j) {
        double s = 0.0;
        for (int k = l; k < m; ++k) s += A(k, i) * A(k, j);
        const double f = (s / A(i, i)) * g;
        for (int k = i; k < m; ++k) A(k, j) += f * A(k, i);
      }
      for (int j = i; j < m; ++j) A(j, i) *= g;
    } else {
      for (int j = i; j < m; ++j) A(j, i) = 0.0;
    }
    A(i, i) += 1.0;
  }
  const double tol = anorm * 2.220446049250313e-16;
  for (int k = n - 1; k >= 0; --k) {
    for (int its = 1;; ++its) {
      bool cancel = true;
      for (l = k; l >= 0; --l) {
        if (l == 0 || std::fabs(rv1[l]) <= tol) {
          cancel = false;
          break;
        }
        if (std::fabs(w[l - 1]) <= tol) break;
      }
      if (cancel) {
        double c = 0.0, s = 1.0;
        for (int i = l; i <= k; ++i) {
          const double f = s * rv1[i];
          rv1[i] = c * rv1[i];
          if (std::fabs(f) <= tol) break;
          g = w[i];
          double h = PlainHypot(f, g);
          w[i] = h;
          h = 1.0 / h;
          c = g * h;
          s = -f * h;
          for (int j = 0; j < m; ++j) {
            const double y = A(j, l - 1), z = A(j, i);
            A(j, l - 1) = y * c + z * s;
            A(j, i) = z * c - y * s;
          }
        }
      }
      double z = w[k];
      if (l == k) {
        if (z < 0.0) {
          w[k] = -z;
          for (int j = 0; j < n; ++j) V(j, k) = -V(j, k);
        }
        break;
      }
      if (its == 30) return false;
      double x = w[l], y = w[k - 1];
      g = rv1[k - 1];
      double h = rv1[k];
      double f = ((y - z) * (y + z) + (g - h) * (g + h)) / (2.0 * h * y);
      g = PlainHypot(f, 1.0);
      f = ((x - z) * (x + z) + h * ((y / (f + PlainSign(g, f))) - h)) / x;
      double c = 1.0, s = 1.0;
      for (int j = l; j <= k - 1; ++j) {
        const int i = j + 1;
        g = rv1[i];
        y = w[i];
        h = s * g;
        g = c * g;
        z = PlainHypot(f, h);
        rv1[j] = z;
        c = f / z;
        s = h / z;
        f = x * c + g * s;
        g = g * c - x * s;
        h = y * s;
        y *= c;
        for (int r = 0; r < n; ++r) {
          const double p = V(r, j), q = V(r, i);
          V(r, j) = p * c + q * s;
          V(r, i) = q * c - p * s;
        }
        z = PlainHypot(f, h);
        w[j] = z;
        if (z != 0.0) {
          z = 1.0 / z;
          c = f * z;
          s = h * z;
        }
        f = c * g + s * y;
        x = c * y - s * g;
        for (int r = 0; r < m; ++r) {
          const double p = A(r, j), q = A(r, i);
          A(r, j) = p * c + q * s;
          A(r, i) = q * c - p * s;
        }
      }
      rv1[l] = 0.0;
      rv1[k] = f;
      w[k] = x;
    }
  }
  return true;
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
