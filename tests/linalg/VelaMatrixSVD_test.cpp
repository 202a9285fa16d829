// The SVD members of VelaMatrix: exact cases, empty shapes and failures, and properties over sizes, shapes and
// families (reconstruction, orthonormal factors, A and Aᵀ alike, minimum-norm least squares, kernel, inverse).
#include "vela/linalg/VelaMatrix.h"

#include <cfloat>

#include "linalg/LinalgTesting.h"

namespace {

using namespace vela::test;

struct Svd { VelaMatrix u; Vec s; VelaMatrix v; unsigned char ok; };
Svd Decompose(const VelaMatrix& a) {
  Svd d{VelaMatrix(), Vec(static_cast<std::size_t>(a.GetNbOfCol()), -1.0), VelaMatrix(), 0};
  d.ok = a.FactorisationSVD(d.u, d.s.data(), d.v);
  return d;
}
double OrthonormalityError(const VelaMatrix& q) {  // max |Q Qᵀ - I|
  return (q * Transposed(q) - VelaMatrix(q.GetNbOfRow())).GetNormInf(-1);
}

TEST(VelaMatrixSVD, ExactCasesEmptyShapesAndFailures) {
  const double diag[] = {3, 0, 0, -2}, ordered[] = {1, 0, 0, 0, 2, 0, 0, 0, 3};
  const Svd d = Decompose(VelaMatrix(2, 2, diag));  // the sign moves into V: U = A V / S
  EXPECT_EQ(d.s, Vec({3, 2}));
  for (int j = 0; j < 2; ++j)
    for (int i = 0; i < 2; ++i) EXPECT_DOUBLE_EQ(d.u(i, j), diag[i * 3] * d.v(i, j) / d.s[j]);
  EXPECT_EQ(Decompose(VelaMatrix(3, 3, ordered)).s, Vec({1, 2, 3}));  // left unsorted
  Vec s = {1.0, 1e-9}, relative = {0.5e-3, 1.0, 2e-3, 3e-8};
  VelaMatrix(1, 2, 0.0).ZeroingSVD(s.data(), -1.0);          // threshold 2e-8
  VelaMatrix(1, 3, 0.0).ZeroingSVD(relative.data(), 1e-3);   // cols entries only
  EXPECT_TRUE(s == Vec({1, 0}) && relative == Vec({0, 1, 2e-3, 3e-8}));
  Vec b(2, 2.0), x(2, 0.0);
  VelaMatrix k, ones(2, 2, 1.0), row(1, 2, 1.0);
  ASSERT_EQ(ones.SolveSVD(b.data(), x.data(), 1e-10) + row.KernelSVD(k, 1e-10), 2);
  EXPECT_LE(std::fabs(x[0] - 1.0) + std::fabs(x[1] - 1.0), 1e-14);
  ASSERT_EQ(std::make_pair(k.GetNbOfRow(), k.GetNbOfCol()), std::make_pair(1, 2));
  EXPECT_LE(std::fabs(std::fabs(k(0, 0)) - 1 / std::sqrt(2.0)) + std::fabs(k(0, 0) + k(0, 1)), 1e-15);
  // ResolveSVD skips zero values and flushes entries below 1e-20; b and x may share storage.
  const VelaMatrix id(2);
  Vec zero = {2, 0}, big = {1e10, 1}, tinyB = {1e-11, 3}, shared = {4, 5}, flushed(2, 9.0);
  id.ResolveSVD(id, zero.data(), id, shared.data(), shared.data());
  id.ResolveSVD(id, big.data(), id, tinyB.data(), flushed.data());
  EXPECT_TRUE(shared == Vec({2, 0}) && flushed == Vec({0, 3}));
  // Empty shapes and failures.
  VelaMatrix noCols(3, 0, 0.0), noRows(0, 3, 0.0), u(2, 2, 7.0), v(1, 1, 7.0);
  Vec w(3, 7.0), out(2, 7.0);
  EXPECT_EQ(noCols.FactorisationSVD(u, w.data(), v) + noCols.SolveSVD(nullptr, w.data(), 1e-10) +
                noCols.KernelSVD(v, 1e-10) + noRows.KernelSVD(u, 1e-10), 4);  // nothing written
  EXPECT_TRUE(Values(u) == Vec(4, 7.0) && Values(v) == Vec(1, 7.0) && w == Vec(3, 7.0));
  const Svd e = Decompose(noRows);
  EXPECT_TRUE(e.ok && e.u.GetNbOfCol() == 3 && e.s == Vec(3, 0.0) && OrthonormalityError(e.v) == 0.0);
  EXPECT_EQ(noRows.SolveSVD(nullptr, w.data(), 1e-10), 1);
  noRows.ResolveSVD(VelaMatrix(0, 2, 0.0), nullptr, VelaMatrix(2), nullptr, out.data());
  EXPECT_TRUE(w == Vec(3, 0.0) && out == Vec(2, 0.0));
  EXPECT_EQ(VelaMatrix().InverseSVD(v) + VelaMatrix(2, 3, 1.0).InverseSVD(u), 1);  // non-square: 0, untouched
  EXPECT_TRUE(v.GetSize() == 0 && Values(u) == Vec(4, 7.0));
  EXPECT_EQ(M(2, 2, {2, 0, 0, 0}).InverseSVD(u), 1);  // singular
  EXPECT_FALSE(std::isfinite(u.GetNorm2(-1)));
}

// A = U diag(S) Vᵀ with S >= 0 and V orthonormal; U orthonormal when tall, its rows orthonormal when wide with
// at least n - m zero values; Aᵀ has the same values; factors of 2^±1000 A are those of A scaled.
void CheckDecomposition(const VelaMatrix& a, int exponent) {
  const int m = a.GetNbOfRow(), n = a.GetNbOfCol();
  const Svd d = Decompose(a), t = Decompose(Transposed(a));
  ASSERT_EQ(d.ok + t.ok, 2);
  ASSERT_EQ(std::make_tuple(d.u.GetNbOfRow(), d.u.GetNbOfCol(), d.v.GetNbOfRow()), std::make_tuple(m, n, n));
  VelaMatrix us = d.u, unit = a;
  for (int i = 0; i < us.GetSize(); ++i) us.GetBuffer()[i] *= std::ldexp(d.s[i % n], -exponent);
  for (int i = 0; i < a.GetSize(); ++i) unit.GetBuffer()[i] = std::ldexp(a.GetBuffer()[i], -exponent);
  const double norm = unit.GetNorm2(-1);
  EXPECT_LE((us * Transposed(d.v) - unit).GetNorm2(-1), 1e-12 * norm);
  EXPECT_LE(OrthonormalityError(Transposed(d.v)), 1e-12);
  EXPECT_LE(OrthonormalityError(m >= n ? Transposed(d.u) : d.u), 1e-12);
  Vec s = d.s, st = t.s;
  std::sort(s.rbegin(), s.rend());
  std::sort(st.rbegin(), st.rend());
  EXPECT_GE(s.back(), 0.0);
  for (std::size_t i = 0; i < std::max(s.size(), st.size()); ++i)
    EXPECT_LE(std::ldexp(std::fabs((i < s.size() ? s[i] : 0.0) - (i < st.size() ? st[i] : 0.0)), -exponent),
              1e-13 * norm * std::max(m, n)) << i;
}

TEST(VelaMatrixSVD, DecompositionPropertiesOverSizesShapesAndFamilies) {
  TestRng rng{2024};
  for (int size : {1, 2, 3, 6, 7, 36, 37, 100})
    for (auto [m, n] : {std::pair{size, size}, {size + size / 2 + 1, size}, {size, size + size / 3 + 1}})
      for (Family f : {kRandom, kDeficient, kBadlyScaled, kZero, kSmallInteger, kTiny, kHuge}) {
        SCOPED_TRACE(testing::Message() << "family " << f << " " << m << "x" << n);
        CheckDecomposition(M(m, n, Make(rng, m, n, f)), Exponent(f));
      }
  // Entries far below the largest (a subnormal one, DBL_MIN among integers) give finite factors.
  const double wide[] = {1.0, 1e-310}, tall[] = {1, DBL_MIN, 2, DBL_MIN, -2, DBL_MIN, DBL_MIN, 1, -3, DBL_MIN, 0, DBL_MIN};
  for (const VelaMatrix& a : {VelaMatrix(1, 2, wide), VelaMatrix(6, 2, tall)}) {
    CheckDecomposition(a, 0);
    VelaMatrix kernel;
    Vec x(2), b(6, 1.0);
    ASSERT_EQ(VelaMatrix(a).KernelSVD(kernel, 1e-10) + VelaMatrix(a).SolveSVD(b.data(), x.data(), 1e-10), 2);
    EXPECT_TRUE(std::isfinite(kernel.GetNorm2(-1) + x[0] + x[1]));
  }
  // U may be the matrix itself.
  for (int m : {5, 8, 3}) {
    Svd own{Random(m, 5, rng), Vec(5), VelaMatrix(), 0};
    const Svd separate = Decompose(own.u);
    ASSERT_EQ(own.u.FactorisationSVD(own.u, own.s.data(), own.v), 1);
    EXPECT_TRUE(Bits(own.s, separate.s) && Bits(Values(own.u), Values(separate.u)));
    EXPECT_TRUE(Bits(Values(own.v), Values(separate.v)));
  }
}

// The kernel has n - rank orthonormal rows annihilated by A; x is the minimum-norm least-squares solution (the
// residual orthogonal to the range of A, x to the kernel); the inverse times A is the identity.
TEST(VelaMatrixSVD, SolveKernelAndInverseOverShapes) {
  TestRng rng{31};
  for (int size : {1, 2, 3, 6, 7, 36, 37, 100})
    for (auto [m, n] : {std::pair{size, size}, {size + 4, size}, {size, size + 4}})
      for (Family f : {kRandom, kDeficient}) {
        SCOPED_TRACE(testing::Message() << "family " << f << " " << m << "x" << n);
        VelaMatrix a = M(m, n, Make(rng, m, n, f)), kernel, inv;
        const int rank = FamilyRank(f, m, n);
        ASSERT_EQ(a.KernelSVD(kernel, 1e-10), 1);
        ASSERT_EQ(std::make_pair(kernel.GetNbOfRow(), kernel.GetNbOfCol()), std::make_pair(n - rank, n));
        EXPECT_LE(OrthonormalityError(kernel) + (a * Transposed(kernel)).GetNormInf(-1), 1e-12 * (1 + a.GetNorm2(-1)));
        const Vec b = RandomMatrix(1, m, 1, 0, rng);
        Vec x(static_cast<std::size_t>(n), 0.0), r = b;
        ASSERT_EQ(a.SolveSVD(b.data(), x.data(), 1e-10), 1);
        const double norm = a.GetNorm2(-1), xNorm = VelaMatrix::Norm2(n, x.data());
        for (int i = 0; i < m; ++i) r[i] -= Dot(a.GetRow(i), x.data(), n);
        const VelaMatrix atr = VelaVector(m, r.data()) * a, kx = kernel * x.data();
        EXPECT_LE(atr.GetNormInf(-1), 1e-11 * norm * (norm * xNorm + VelaMatrix::Norm2(m, b.data())));
        EXPECT_LE(kx.GetNormInf(-1), 1e-10 * xNorm);
        if (m != n || f != kRandom) continue;
        const Svd d = Decompose(a);
        ASSERT_EQ(a.InverseSVD(inv), 1);
        const double cond = *std::max_element(d.s.begin(), d.s.end()) / *std::min_element(d.s.begin(), d.s.end());
        EXPECT_LE((inv * a - VelaMatrix(n)).GetNormInf(-1), 1e-14 * n * cond);
      }
}

}  // namespace
