// What the linear-algebra tests share: a portable fixed-seed generator, random matrices of a chosen rank and
// row scaling, bit-for-bit comparison, the rank by the SVD, and the trace text of a call.
#ifndef VELA_TESTS_LINALG_LINALGTESTING_H
#define VELA_TESTS_LINALG_LINALGTESTING_H

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "support/InternalMode.h"
#include "support/PlainGaussJordan.h"
#include "support/TestSupport.h"
#include "vela/config/VelaGlobalParameters.h"

namespace vela::test {

using Vec = std::vector<double>;

// Portable fixed-seed generator: Next() uniform in [-1, 1), Below(n) in [0, n).
struct TestRng {
  std::uint64_t state;
  double Next() {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<double>(state >> 11) * (2.0 / 9007199254740992.0) - 1.0;
  }
  int Below(int n) { return std::min(n - 1, static_cast<int>((Next() + 1.0) * 0.5 * n)); }
};

// A rows x cols matrix of the given rank, entries about [-1, 1) (below full rank the columns from `rank` on mix
// the first ones), each row then scaled by 2^s, s in [-spread, spread].
inline Vec RandomMatrix(int rows, int cols, int rank, int spread, TestRng& rng) {
  const auto n = [](int a, int b) { return static_cast<std::size_t>(a) * static_cast<std::size_t>(b); };
  const bool full = rank == std::min(rows, cols);
  Vec a(n(rows, cols), 0.0), mix(full ? 0 : n(rank, cols));
  for (double& x : mix) x = rng.Next() * 2.0 / std::sqrt(rank);
  for (int i = 0; i < rows; ++i) {
    double* row = a.data() + n(i, cols);
    for (int j = 0; j < (full ? cols : rank); ++j) row[j] = rng.Next();
    for (int k = 0; k < rank && !full; ++k)
      for (int j = rank; j < cols; ++j) row[j] += row[k] * mix[n(k, cols) + j];
    const int s = rng.Below(2 * spread + 1) - spread;
    for (int j = 0; j < cols; ++j) row[j] = std::ldexp(row[j], s);
  }
  return a;
}
inline VelaMatrix Random(int rows, int cols, TestRng& rng, int rank = -1, int spread = 0) {
  return VelaMatrix(rows, cols, RandomMatrix(rows, cols, rank < 0 ? std::min(rows, cols) : rank, spread, rng).data());
}

// Families of test matrices: random, rank-deficient, rows 2^±24 apart, zero, small integers (ties and exact
// zeros), and random entries at 2^-1000 and 2^1000.
enum Family { kRandom, kDeficient, kBadlyScaled, kZero, kSmallInteger, kTiny, kHuge };
inline int Exponent(Family f) { return f == kTiny ? -1000 : f == kHuge ? 1000 : 0; }
inline int FamilyRank(Family f, int m, int n) {
  const int p = std::min(m, n);
  return f == kZero ? 0 : f == kDeficient ? p - 1 - p / 3 : p;
}
inline Vec Make(TestRng& rng, int m, int n, Family f) {
  Vec a = RandomMatrix(m, n, FamilyRank(f, m, n), f == kBadlyScaled ? 24 : 0, rng);
  for (double& x : a) x = f == kSmallInteger ? rng.Below(7) - 3 : std::ldexp(x, Exponent(f));
  return a;
}
inline VelaMatrix M(int rows, int cols, Vec v) { return VelaMatrix(rows, cols, v.data()); }
inline VelaVector V(Vec v) { return VelaVector(static_cast<int>(v.size()), v.data()); }
inline double Dot(const double* a, const double* b, int n) { return VelaVector::ScalarProduct(n, a, b); }

inline Vec Values(const VelaMatrix& m) { return Vec(m.GetBuffer(), m.GetBuffer() + m.GetSize()); }
inline bool Bits(const Vec& a, const Vec& b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}
inline VelaMatrix Transposed(VelaMatrix m) { return m.Transpose(), m; }
inline Vec Scaled(Vec a, int e) {  // times 2^e
  for (double& x : a) x = std::ldexp(x, e);
  return a;
}

// The number of singular values not below 1e-12 times the largest.
inline int SvdRank(const VelaMatrix& a) {
  VelaMatrix kernel;
  EXPECT_EQ(VelaMatrix(a).KernelSVD(kernel, 1e-12), 1);
  return a.GetSize() == 0 ? 0 : a.GetNbOfCol() - kernel.GetNbOfRow();
}

// What `write` puts on the trace stream at the given trace level.
inline std::string TraceText(int level, const std::function<void()>& write) {
  ScopedInternalMode internal;  // unlocks SetTraceLevel
  EXPECT_TRUE(internal.IsOpen());
  GetGlobalParameters().SetTraceLevel(level);
  return CaptureStdout(write);
}

// The configuration's pivot-search order for the guard's lifetime.
struct ScopedREFOrder {
  explicit ScopedREFOrder(bool byColumns) { env.emplace("VelaREFOrder", byColumns ? "COLUMNS" : "ROWS"); Reload(); }
  ~ScopedREFOrder() { env.reset(); Reload(); }
  static void Reload() { GetGlobalParameters().Initialize(); GetGlobalParameters().InitializeEnv(); }
  std::optional<ScopedProcessEnv> env;
};

}  // namespace vela::test

#endif  // VELA_TESTS_LINALG_LINALGTESTING_H
