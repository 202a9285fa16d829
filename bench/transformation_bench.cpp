// VelaTransformation beside Eigen's fixed-size geometry (Isometry3d,
// AngleAxisd) and a plain hand-written reference doing the same work:
// composing motions, moving points, the exponential map and its inverse.
// Every operation runs over arrays of n motions so that loads and stores
// count as they do in the solver. Compare the ratio of each BM_Vela* to its
// BM_Eigen* and BM_Plain* twins from one run.
//
// The exponential map is not the same work in the three: the library's
// computes the full twist (the translation couples with the rotation),
// Eigen's builds the motion from an angle-axis rotation plus a translation,
// and its inverse reads the angle-axis of the rotation only. The plain
// reference does the library's full computation with straight-line code.
#include <benchmark/benchmark.h>

#include <Eigen/Geometry>
#include <cmath>
#include <random>
#include <vector>

#include "vela/geometry/VelaTransformation.h"

namespace {

// Sizes: a few motions (all in L1), a sketch's worth, a large assembly.
#define VELA_SIZES ->Arg(16)->Arg(256)->Arg(4096)

// One random motion as twist coordinates (angle up to 3 radians).
struct Twist {
  double p[6];
};

std::vector<Twist> RandomTwists(std::size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  std::vector<Twist> out(n);
  for (Twist& t : out)
    for (double& x : t.p) x = 1.7 * u(rng);
  return out;
}

std::vector<VelaTransformation> VelaMotions(const std::vector<Twist>& twists) {
  std::vector<VelaTransformation> out(twists.size());
  for (std::size_t i = 0; i < twists.size(); ++i) out[i].SetExponentialParameters(twists[i].p);
  return out;
}

std::vector<Eigen::Isometry3d> EigenMotions(const std::vector<VelaTransformation>& motions) {
  std::vector<Eigen::Isometry3d> out(motions.size());
  for (std::size_t i = 0; i < motions.size(); ++i) {
    double r[3][3], t[3];
    motions[i].GetCoef(r, t);
    out[i].setIdentity();
    for (int a = 0; a < 3; ++a) {
      for (int b = 0; b < 3; ++b) out[i].linear()(a, b) = r[a][b];
      out[i].translation()(a) = t[a];
    }
  }
  return out;
}

// The plain reference: a row-major rotation and a translation.
struct PlainMotion {
  double r[3][3];
  double t[3];
};

std::vector<PlainMotion> PlainMotions(const std::vector<VelaTransformation>& motions) {
  std::vector<PlainMotion> out(motions.size());
  for (std::size_t i = 0; i < motions.size(); ++i) motions[i].GetCoef(out[i].r, out[i].t);
  return out;
}

inline void PlainCompose(const PlainMotion& a, const PlainMotion& b, PlainMotion& o) {
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) o.r[i][j] = a.r[i][0] * b.r[0][j] + a.r[i][1] * b.r[1][j] + a.r[i][2] * b.r[2][j];
    o.t[i] = a.r[i][0] * b.t[0] + a.r[i][1] * b.t[1] + a.r[i][2] * b.t[2] + a.t[i];
  }
}

inline void PlainExp(const double* p, PlainMotion& o) {
  const double w0 = p[0], w1 = p[1], w2 = p[2], v0 = p[3], v1 = p[4], v2 = p[5];
  const double x = w0 * w0 + w1 * w1 + w2 * w2;
  const double th = std::sqrt(x);
  const double sh = std::sin(0.5 * th), ch = std::cos(0.5 * th);
  const double s = sh / th;
  const double qx = s * w0, qy = s * w1, qz = s * w2, qw = ch;
  o.r[0][0] = 1 - 2 * (qy * qy + qz * qz);
  o.r[0][1] = 2 * (qx * qy - qw * qz);
  o.r[0][2] = 2 * (qx * qz + qw * qy);
  o.r[1][0] = 2 * (qx * qy + qw * qz);
  o.r[1][1] = 1 - 2 * (qx * qx + qz * qz);
  o.r[1][2] = 2 * (qy * qz - qw * qx);
  o.r[2][0] = 2 * (qx * qz - qw * qy);
  o.r[2][1] = 2 * (qy * qz + qw * qx);
  o.r[2][2] = 1 - 2 * (qx * qx + qy * qy);
  const double k = (v0 * w0 + v1 * w1 + v2 * w2) / x;
  const double a = 2 * s * ch, b = 2 * s * s;
  o.t[0] = k * w0 + a * (v0 - k * w0) + b * (w1 * v2 - w2 * v1);
  o.t[1] = k * w1 + a * (v1 - k * w1) + b * (w2 * v0 - w0 * v2);
  o.t[2] = k * w2 + a * (v2 - k * w2) + b * (w0 * v1 - w1 * v0);
}

// The logarithm through the quaternion's largest component.
inline void PlainLog(const PlainMotion& m, double* p) {
  const auto& r = m.r;
  const double t0 = r[0][0] + r[1][1] + r[2][2];
  double q[4];
  if (t0 >= r[0][0] && t0 >= r[1][1] && t0 >= r[2][2]) {
    q[0] = t0 + 1;
    q[1] = r[2][1] - r[1][2];
    q[2] = r[0][2] - r[2][0];
    q[3] = r[1][0] - r[0][1];
  } else if (r[0][0] >= r[1][1] && r[0][0] >= r[2][2]) {
    q[0] = r[2][1] - r[1][2];
    q[1] = r[0][0] - r[1][1] - r[2][2] + 1;
    q[2] = r[1][0] + r[0][1];
    q[3] = r[2][0] + r[0][2];
  } else if (r[1][1] >= r[2][2]) {
    q[0] = r[0][2] - r[2][0];
    q[1] = r[1][0] + r[0][1];
    q[2] = r[1][1] - r[2][2] - r[0][0] + 1;
    q[3] = r[2][1] + r[1][2];
  } else {
    q[0] = r[1][0] - r[0][1];
    q[1] = r[2][0] + r[0][2];
    q[2] = r[2][1] + r[1][2];
    q[3] = r[2][2] - r[0][0] - r[1][1] + 1;
  }
  if (q[0] < 0)
    for (double& c : q) c = -c;
  const double y2 = q[1] * q[1] + q[2] * q[2] + q[3] * q[3];
  const double y = std::sqrt(y2);
  const double th = 2 * std::atan2(y, q[0]);
  const double k = th / y, h = 0.5 * k;
  const double* t = m.t;
  const double c = (q[1] * t[0] + q[2] * t[1] + q[3] * t[2]) / y2;
  const double txv[3] = {t[1] * q[3] - t[2] * q[2], t[2] * q[1] - t[0] * q[3], t[0] * q[2] - t[1] * q[1]};
  for (int i = 0; i < 3; ++i) {
    p[i] = k * q[i + 1];
    p[3 + i] = h * (txv[i] + q[0] * (t[i] - c * q[i + 1])) + c * q[i + 1];
  }
}

// ---- Composition: out[i] = A[i] o B[i] --------------------------------------

void BM_VelaCompose(benchmark::State& state) {
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  const auto A = VelaMotions(RandomTwists(n, 1)), B = VelaMotions(RandomTwists(n, 2));
  std::vector<VelaTransformation> out(n);
  for (auto _ : state) {
    for (std::size_t i = 0; i < n; ++i) out[i] = A[i] * B[i];
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * n));
}
BENCHMARK(BM_VelaCompose) VELA_SIZES;

void BM_VelaMultiplyInPlace(benchmark::State& state) {
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  const auto A = VelaMotions(RandomTwists(n, 1)), B = VelaMotions(RandomTwists(n, 2));
  std::vector<VelaTransformation> out(n);
  for (auto _ : state) {
    for (std::size_t i = 0; i < n; ++i) {
      out[i] = A[i];
      out[i].Multiply(B[i], 0);
    }
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * n));
}
BENCHMARK(BM_VelaMultiplyInPlace) VELA_SIZES;

void BM_EigenCompose(benchmark::State& state) {
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  const auto A = EigenMotions(VelaMotions(RandomTwists(n, 1))), B = EigenMotions(VelaMotions(RandomTwists(n, 2)));
  std::vector<Eigen::Isometry3d> out(n);
  for (auto _ : state) {
    for (std::size_t i = 0; i < n; ++i) out[i] = A[i] * B[i];
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * n));
}
BENCHMARK(BM_EigenCompose) VELA_SIZES;

void BM_PlainCompose(benchmark::State& state) {
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  const auto A = PlainMotions(VelaMotions(RandomTwists(n, 1))), B = PlainMotions(VelaMotions(RandomTwists(n, 2)));
  std::vector<PlainMotion> out(n);
  for (auto _ : state) {
    for (std::size_t i = 0; i < n; ++i) PlainCompose(A[i], B[i], out[i]);
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * n));
}
BENCHMARK(BM_PlainCompose) VELA_SIZES;

// ---- Moving points: out[i] = T p[i] -----------------------------------------

std::vector<Vela3Point> RandomPoints(std::size_t n) {
  std::mt19937 rng(3);
  std::uniform_real_distribution<double> u(-10.0, 10.0);
  std::vector<Vela3Point> out(n);
  for (Vela3Point& p : out) p = Vela3Point(u(rng), u(rng), u(rng));
  return out;
}

void BM_VelaTransformPoints(benchmark::State& state) {
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  const VelaTransformation T = VelaMotions(RandomTwists(1, 4))[0];
  const auto points = RandomPoints(n);
  std::vector<Vela3Point> out(n);
  for (auto _ : state) {
    for (std::size_t i = 0; i < n; ++i) out[i] = T * points[i];
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * n));
}
BENCHMARK(BM_VelaTransformPoints) VELA_SIZES;

void BM_EigenTransformPoints(benchmark::State& state) {
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  const Eigen::Isometry3d T = EigenMotions(VelaMotions(RandomTwists(1, 4)))[0];
  std::vector<Eigen::Vector3d> points(n), out(n);
  const auto source = RandomPoints(n);
  for (std::size_t i = 0; i < n; ++i) points[i] = Eigen::Vector3d(source[i].GetX(), source[i].GetY(), source[i].GetZ());
  for (auto _ : state) {
    for (std::size_t i = 0; i < n; ++i) out[i] = T * points[i];
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * n));
}
BENCHMARK(BM_EigenTransformPoints) VELA_SIZES;

void BM_PlainTransformPoints(benchmark::State& state) {
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  const PlainMotion T = PlainMotions(VelaMotions(RandomTwists(1, 4)))[0];
  std::vector<double> points(3 * n), out(3 * n);
  const auto source = RandomPoints(n);
  for (std::size_t i = 0; i < n; ++i) source[i].GetCoord(&points[3 * i]);
  for (auto _ : state) {
    for (std::size_t i = 0; i < n; ++i) {
      const double* p = &points[3 * i];
      double* o = &out[3 * i];
      for (int k = 0; k < 3; ++k) o[k] = T.r[k][0] * p[0] + T.r[k][1] * p[1] + T.r[k][2] * p[2] + T.t[k];
    }
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * n));
}
BENCHMARK(BM_PlainTransformPoints) VELA_SIZES;

// ---- Exponential map: twist -> motion -----------------------------------------

void BM_VelaExp(benchmark::State& state) {
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  const auto twists = RandomTwists(n, 5);
  std::vector<VelaTransformation> out(n);
  for (auto _ : state) {
    for (std::size_t i = 0; i < n; ++i) out[i].SetExponentialParameters(twists[i].p);
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * n));
}
BENCHMARK(BM_VelaExp) VELA_SIZES;

void BM_EigenExpAngleAxis(benchmark::State& state) {
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  const auto twists = RandomTwists(n, 5);
  std::vector<Eigen::Isometry3d> out(n);
  for (auto _ : state) {
    for (std::size_t i = 0; i < n; ++i) {
      const Eigen::Vector3d w(twists[i].p[0], twists[i].p[1], twists[i].p[2]);
      const double angle = w.norm();
      out[i].linear() = Eigen::AngleAxisd(angle, w / angle).toRotationMatrix();
      out[i].translation() = Eigen::Vector3d(twists[i].p[3], twists[i].p[4], twists[i].p[5]);
    }
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * n));
}
BENCHMARK(BM_EigenExpAngleAxis) VELA_SIZES;

void BM_PlainExp(benchmark::State& state) {
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  const auto twists = RandomTwists(n, 5);
  std::vector<PlainMotion> out(n);
  for (auto _ : state) {
    for (std::size_t i = 0; i < n; ++i) PlainExp(twists[i].p, out[i]);
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * n));
}
BENCHMARK(BM_PlainExp) VELA_SIZES;

// ---- Logarithm: motion -> twist ------------------------------------------------

void BM_VelaLog(benchmark::State& state) {
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  const auto motions = VelaMotions(RandomTwists(n, 6));
  std::vector<Twist> out(n);
  for (auto _ : state) {
    for (std::size_t i = 0; i < n; ++i) motions[i].GetExponentialParameters(out[i].p);
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * n));
}
BENCHMARK(BM_VelaLog) VELA_SIZES;

void BM_EigenLogAngleAxis(benchmark::State& state) {
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  const auto motions = EigenMotions(VelaMotions(RandomTwists(n, 6)));
  std::vector<Twist> out(n);
  for (auto _ : state) {
    for (std::size_t i = 0; i < n; ++i) {
      const Eigen::AngleAxisd aa(motions[i].linear());
      const Eigen::Vector3d w = aa.angle() * aa.axis();
      const Eigen::Vector3d& t = motions[i].translation();
      for (int k = 0; k < 3; ++k) {
        out[i].p[k] = w(k);
        out[i].p[3 + k] = t(k);
      }
    }
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * n));
}
BENCHMARK(BM_EigenLogAngleAxis) VELA_SIZES;

void BM_PlainLog(benchmark::State& state) {
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  const auto motions = PlainMotions(VelaMotions(RandomTwists(n, 6)));
  std::vector<Twist> out(n);
  for (auto _ : state) {
    for (std::size_t i = 0; i < n; ++i) PlainLog(motions[i], out[i].p);
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * n));
}
BENCHMARK(BM_PlainLog) VELA_SIZES;

}  // namespace
