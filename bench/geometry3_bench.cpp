// 3x3 matrix operations beside Eigen's fixed-size Matrix3d / Quaterniond /
// AngleAxisd on the same data: products, the inverse (general and
// rotation), the quaternion of a rotation and the axis-angle rotation.
// Each benchmark sweeps a batch of n inputs (n in the range) so that the
// work cannot be folded away; compare ratios within one run.
#include <benchmark/benchmark.h>

#include <Eigen/Dense>
#include <Eigen/Geometry>
#include <cmath>
#include <random>
#include <vector>

#include "vela/geometry/Vela3x3Matrix.h"

namespace {

struct Batch {
  std::vector<Vela3x3Matrix> vela;
  std::vector<Eigen::Matrix3d> eigen;
  std::vector<Vela3Vector> velaVectors;
  std::vector<Eigen::Vector3d> eigenVectors;
  std::vector<Vela3Vector> axes;
  std::vector<double> angles;
};

// n rotations (or, when general, random matrices) with the same
// coefficients in both libraries, plus vectors, axes and angles.
Batch MakeBatch(int n, bool general) {
  std::mt19937 rng(42);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  Batch b;
  for (int k = 0; k < n; ++k) {
    Vela3Vector axis(u(rng), u(rng), u(rng));
    axis.Normalize();
    const double angle = 3.0 * u(rng);
    Vela3x3Matrix m;
    m.SetRotation(axis, angle);
    if (general) m = m + Vela3x3Matrix(u(rng), u(rng), u(rng), u(rng), u(rng), u(rng), u(rng), u(rng), u(rng));
    Eigen::Matrix3d e;
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) e(i, j) = m.Get(i, j);
    b.vela.push_back(m);
    b.eigen.push_back(e);
    const double x = u(rng), y = u(rng), z = u(rng);
    b.velaVectors.emplace_back(x, y, z);
    b.eigenVectors.emplace_back(x, y, z);
    b.axes.push_back(axis);
    b.angles.push_back(angle);
  }
  return b;
}

void Sizes(benchmark::internal::Benchmark* b) { b->Arg(16)->Arg(256)->Arg(4096); }

// ---- Products -------------------------------------------------------------------

void BM_Vela3x3Product(benchmark::State& state) {
  const Batch b = MakeBatch(static_cast<int>(state.range(0)), false);
  for (auto _ : state) {
    Vela3x3Matrix acc;
    for (const Vela3x3Matrix& m : b.vela) acc = acc * m;
    benchmark::DoNotOptimize(acc);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_Vela3x3Product)->Apply(Sizes);

void BM_EigenMatrix3dProduct(benchmark::State& state) {
  const Batch b = MakeBatch(static_cast<int>(state.range(0)), false);
  for (auto _ : state) {
    Eigen::Matrix3d acc = Eigen::Matrix3d::Identity();
    for (const Eigen::Matrix3d& m : b.eigen) acc = acc * m;
    benchmark::DoNotOptimize(acc);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_EigenMatrix3dProduct)->Apply(Sizes);

void BM_Vela3x3TimesVector(benchmark::State& state) {
  const Batch b = MakeBatch(static_cast<int>(state.range(0)), false);
  std::vector<Vela3Vector> out(b.vela.size());
  for (auto _ : state) {
    for (size_t k = 0; k < b.vela.size(); ++k) out[k] = b.vela[k] * b.velaVectors[k];
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_Vela3x3TimesVector)->Apply(Sizes);

void BM_EigenMatrix3dTimesVector(benchmark::State& state) {
  const Batch b = MakeBatch(static_cast<int>(state.range(0)), false);
  std::vector<Eigen::Vector3d> out(b.eigen.size());
  for (auto _ : state) {
    for (size_t k = 0; k < b.eigen.size(); ++k) out[k] = b.eigen[k] * b.eigenVectors[k];
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_EigenMatrix3dTimesVector)->Apply(Sizes);

// ---- Inverse ----------------------------------------------------------------------

template <bool kGeneral>
void BM_Vela3x3Inverse(benchmark::State& state) {
  const Batch b = MakeBatch(static_cast<int>(state.range(0)), kGeneral);
  std::vector<Vela3x3Matrix> out(b.vela.size());
  for (auto _ : state) {
    for (size_t k = 0; k < b.vela.size(); ++k) b.vela[k].Inverse(out[k]);
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK_TEMPLATE(BM_Vela3x3Inverse, true)->Name("BM_Vela3x3InverseGeneral")->Apply(Sizes);
BENCHMARK_TEMPLATE(BM_Vela3x3Inverse, false)->Name("BM_Vela3x3InverseRotation")->Apply(Sizes);

// Eigen's closed-form 3x3 inverse does not look for rotations, so the
// rotation batch is compared with it too.
template <bool kGeneral>
void BM_EigenMatrix3dInverse(benchmark::State& state) {
  const Batch b = MakeBatch(static_cast<int>(state.range(0)), kGeneral);
  std::vector<Eigen::Matrix3d> out(b.eigen.size());
  for (auto _ : state) {
    for (size_t k = 0; k < b.eigen.size(); ++k) out[k] = b.eigen[k].inverse();
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK_TEMPLATE(BM_EigenMatrix3dInverse, true)->Name("BM_EigenMatrix3dInverseGeneral")->Apply(Sizes);
BENCHMARK_TEMPLATE(BM_EigenMatrix3dInverse, false)->Name("BM_EigenMatrix3dInverseRotation")->Apply(Sizes);

// ---- Quaternion and axis-angle ----------------------------------------------------

void BM_Vela3x3GetQuaternion(benchmark::State& state) {
  const Batch b = MakeBatch(static_cast<int>(state.range(0)), false);
  for (auto _ : state) {
    double sum = 0.0;
    for (const Vela3x3Matrix& m : b.vela) {
      double w;
      Vela3Vector v;
      m.GetQuaternion(w, v);
      sum += w + v.GetX();
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_Vela3x3GetQuaternion)->Apply(Sizes);

void BM_EigenQuaternionFromMatrix(benchmark::State& state) {
  const Batch b = MakeBatch(static_cast<int>(state.range(0)), false);
  for (auto _ : state) {
    double sum = 0.0;
    for (const Eigen::Matrix3d& m : b.eigen) {
      const Eigen::Quaterniond q(m);
      sum += q.w() + q.x();
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_EigenQuaternionFromMatrix)->Apply(Sizes);

void BM_Vela3x3SetRotationAxisAngle(benchmark::State& state) {
  const Batch b = MakeBatch(static_cast<int>(state.range(0)), false);
  std::vector<Vela3x3Matrix> out(b.axes.size());
  for (auto _ : state) {
    for (size_t k = 0; k < b.axes.size(); ++k) out[k].SetRotation(b.axes[k], b.angles[k]);
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_Vela3x3SetRotationAxisAngle)->Apply(Sizes);

void BM_EigenAngleAxisToMatrix(benchmark::State& state) {
  const Batch b = MakeBatch(static_cast<int>(state.range(0)), false);
  std::vector<Eigen::Vector3d> axes;
  for (const Vela3Vector& a : b.axes) axes.emplace_back(a.GetX(), a.GetY(), a.GetZ());
  std::vector<Eigen::Matrix3d> out(axes.size());
  for (auto _ : state) {
    for (size_t k = 0; k < axes.size(); ++k) out[k] = Eigen::AngleAxisd(b.angles[k], axes[k]).toRotationMatrix();
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_EigenAngleAxisToMatrix)->Apply(Sizes);

}  // namespace
