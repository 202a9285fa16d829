// Packed symmetric and lower-triangular matrices: every LDLᵀ pivot choice, P S Pᵀ = L D Lᵀ and the solve's
// residual over kinds and sizes, Cholesky against LDLᵀ, small cases, products, triangular solves, buffers.
#include "vela/linalg/VelaSymmetricMatrix.h"

#include "linalg/LinalgTesting.h"

namespace {

using namespace vela::test;

// Opens the protected factorisation members and the stored factors.
struct Inspectable : VelaSymmetricMatrix {
  using VelaSymmetricMatrix::VelaSymmetricMatrix;
  using VelaSymmetricMatrix::GetFactor, VelaSymmetricMatrix::GetPermutation, VelaSymmetricMatrix::GetPivotKinds;
  using VelaSymmetricMatrix::RunFactorisation;
};

std::size_t P(int i) { return static_cast<std::size_t>(i) * (i + 1) / 2; }
double Sym(const Vec& p, int i, int j) { return i >= j ? p[P(i) + j] : p[P(j) + i]; }
std::vector<int> Ints(const VelaIntArray& a) { return std::vector<int>(a.GetBuffer(), a.GetBuffer() + a.Size()); }
Vec Packed(const VelaLowerTriangularMatrix& l) { return Vec(l.GetBuffer(), l.GetBuffer() + P(l.GetOrder())); }

// Indefinite, zero diagonal, rows 2^±26 apart, positive definite (B Bᵀ + n I), small integers (-3 .. 3: ties
// and exact zeros reach every pivot test).
enum Kind { kIndefinite, kZeroDiagonal, kScaledRows, kDefinite, kIntegers };
Vec RandomPacked(int n, Kind kind, TestRng& rng) {
  const Vec b = RandomMatrix(n, n, n, kind == kScaledRows ? 13 : 0, rng);
  Vec p(P(n));
  for (int i = 0; i < n; ++i)
    for (int j = 0; j <= i; ++j) {
      double d = i == j ? n : 0.0;
      for (int k = 0; k < n && kind == kDefinite; ++k) d += b[i * n + k] * b[j * n + k];
      p[P(i) + j] = kind == kDefinite ? d : kind == kIntegers ? rng.Below(7) - 3
                    : kind == kZeroDiagonal && i == j ? 0.0 : b[i * n + j];
    }
  return p;
}

// Largest |P S Pᵀ - L D Lᵀ| over the largest |S|, with D from its stored inverse: measured against S itself, so
// that a tiny pivot and the huge multipliers it makes cannot hide behind their own size.
double ReconstructionError(const Vec& s, const Inspectable& m) {
  const int n = m.GetOrder();
  const Vec f = Packed(m.GetFactor());
  const std::vector<int> perm = Ints(m.GetPermutation()), kinds = Ints(m.GetPivotKinds());
  VelaMatrix L(n), D(n, n, 0.0);
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < i; ++j) L(i, j) = kinds[j] && i == j + 1 ? 0.0 : f[P(i) + j];
  for (int k = 0; k < n; k += 1 + kinds[k]) {
    const double e11 = f[P(k) + k], e21 = kinds[k] ? f[P(k + 1) + k] : 0.0, e22 = kinds[k] ? f[P(k + 1) + k + 1] : 0.0;
    const double det = e11 * e22 - e21 * e21;
    D(k, k) = kinds[k] ? e22 / det : 1.0 / e11;
    if (kinds[k]) D(k + 1, k + 1) = e11 / det, D(k + 1, k) = D(k, k + 1) = -e21 / det;
  }
  const VelaMatrix ldl = L * D * Transposed(L);
  double worst = 0.0, scale = 0.0;
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) {
      worst = std::max(worst, std::fabs(ldl(i, j) - Sym(s, perm[i], perm[j])));
      scale = std::max(scale, std::fabs(Sym(s, i, j)));
    }
  return scale > 0.0 ? worst / scale : worst;
}

// Every pivot choice at the first column of a 4 x 4 matrix, each inequality met true and false and never on its
// boundary, mostly with ties for the largest entry below the diagonal: the permutation and pivot kinds it gives.
TEST(VelaSymmetricMatrix, PivotChoicesGiveTheirPermutation) {
  const struct { Vec packed; std::vector<int> perm, kinds; } cases[] = {
      {{2, 0, -2, 3, 2, 1, -3, 2, -3, 3}, {0, 1, 2, 3}, {0, 0, 1, 0}},      // the diagonal is large enough
      {{1, -2, 2, 2, -3, 0, 1, 0, -2, -3}, {0, 1, 2, 3}, {0, 0, 0, 0}},     // large enough against r's row too
      {{0, 2, -3, 1, 3, 3, 2, 0, -2, 3}, {1, 2, 3, 0}, {0, 0, 0, 0}},       // r's diagonal (sigma below it): 1 x 1 at r
      {{-1, 1, -2, -3, 1, 0, 3, -1, -1, -2}, {0, 2, 1, 3}, {1, 0, 0, 0}},   // 2 x 2, r brought to k + 1
      {{0, -1, -1, -1, -2, -3, 1, 0, -1, 2}, {2, 1, 0, 3}, {0, 0, 1, 0}},   // 1 x 1 at sigma's partner of r (below r)
      {{0, 0, -1, -1, 1, -1, 1, 3, -3, 3}, {3, 2, 1, 0}, {1, 0, 1, 0}},     // 2 x 2 of r and its partner (left of r)
  };
  for (const auto& c : cases) {
    Inspectable m(4, c.packed.data());
    ASSERT_EQ(m.RunFactorisation(), 1) << "case " << &c - cases;
    EXPECT_TRUE(Ints(m.GetPermutation()) == c.perm && Ints(m.GetPivotKinds()) == c.kinds) << "case " << &c - cases;
    EXPECT_LT(ReconstructionError(c.packed, m), 1e-15) << "case " << &c - cases;
  }
}

// P S Pᵀ = L D Lᵀ, the solve's residual, and far from unit scale the unit-scale steps (x scaled back); over kinds
// and sizes, small integer matrices (ties and exact zeros) among them.
TEST(VelaSymmetricMatrix, LDLtReconstructsAndSolves) {
  TestRng rng{61};
  for (Kind kind : {kIndefinite, kZeroDiagonal, kScaledRows, kDefinite, kIntegers})
    for (int n : {1, 2, 3, 6, 7, 36, 37, 100}) {
      SCOPED_TRACE(testing::Message() << "kind " << kind << ", order " << n);
      const Vec s = RandomPacked(n, kind, rng);
      Inspectable m(n, s.data());
      const unsigned char result = m.RunFactorisation();
      EXPECT_TRUE(kind == kIntegers || result == (kind == kZeroDiagonal && n == 1 ? 0 : 1));
      EXPECT_TRUE(kind != kDefinite || Ints(m.GetPivotKinds()) == std::vector<int>(n, 0));
      EXPECT_TRUE(kind != kZeroDiagonal || n == 1 || m.GetPivotKinds()[0] == 1);
      if (result == 0) continue;
      EXPECT_LT(ReconstructionError(s, m), 1e-14 * n + 1e-15);
      const VelaVector b(n, RandomMatrix(1, n, 1, 0, rng).data());
      VelaVector x;
      EXPECT_EQ(m.SolveLDLt(1, b, x), 1);
      EXPECT_LT(RelativeResidual(n, n, Values(m.ConvertToFullMatrix()), x.GetBuffer(), b.GetBuffer()), 1e-13);
      for (int e : {-900, 900}) {
        Inspectable far(n, Scaled(s, e).data());
        VelaVector xf;
        ASSERT_EQ(far.SolveLDLt(0, b, xf), 1);
        EXPECT_TRUE(Bits(Values(xf), Scaled(Values(x), -e)) && Ints(far.GetPermutation()) == Ints(m.GetPermutation()));
      }
    }
}

TEST(VelaSymmetricMatrix, SmallFactorisationCases) {
  const double swap[] = {0, 1, 0}, dominant[] = {4, 1, 5, -2, 1, 6}, ones[] = {1, 1, 1};
  Inspectable twoByTwo(2, swap), spd(3, dominant), zero(4, nullptr);
  VelaVector x, untouched(1, 7.0);
  ASSERT_EQ(twoByTwo.SolveLDLt(0, VelaVector(2, Vec{3, 5}.data()), x), 1);  // one 2 x 2 pivot, solved exactly
  EXPECT_TRUE(Ints(twoByTwo.GetPivotKinds()) == std::vector<int>({1, 0}) && Values(x) == Vec({5, 3}));
  ASSERT_EQ(spd.RunFactorisation(), 1);  // dominant diagonal: 1 x 1 pivots, no interchange
  EXPECT_TRUE(Ints(spd.GetPermutation()) == std::vector<int>({0, 1, 2}) &&
              Ints(spd.GetPivotKinds()) == std::vector<int>(3, 0));
  EXPECT_EQ(Inspectable(2, ones).RunFactorisation() + zero.RunFactorisation(), 0);  // singular
  EXPECT_EQ(Packed(zero.GetFactor()), Vec(10, 0.0));  // stopped at the first pivot
  Inspectable failed(3, Scaled({1, 0, 0, 0, 0, 5}, 1000).data());  // far from unit scale: what a failure leaves,
  EXPECT_EQ(failed.RunFactorisation(), 0);                          // the trailing block at S's scale
  EXPECT_TRUE(Bits(Packed(failed.GetFactor()), {std::ldexp(1, -1000), 0, 0, 0, 0, std::ldexp(5, 1000)}));
  EXPECT_EQ(zero.SolveLDLt(1, VelaVector(4, 1.0), x) + Inspectable().RunFactorisation(), 2);
  EXPECT_EQ(spd.SolveLDLt(0, VelaVector(2, 1.0), untouched), 0);  // a right-hand side of the wrong length
  EXPECT_EQ(Values(untouched), Vec{7.0});
}

// L Lᵀ = S into a factor holding NaN, and the same solution as LDLᵀ, at unit scale and at 2^±1000.
TEST(VelaSymmetricMatrix, CholeskyReconstructsAndAgreesWithLDLt) {
  TestRng rng{63};
  for (int e : {0, -1000, 1000})
    for (int n : {1, 2, 3, 6, 7, 36, 37, 100}) {
      const Vec s = Scaled(RandomPacked(n, kDefinite, rng), e);
      const VelaSymmetricMatrix p(n, s.data());
      const VelaVector b(n, RandomMatrix(1, n, 1, 0, rng).data());
      VelaVector xl;
      Vec xc(n);
      VelaLowerTriangularMatrix L(n, Vec(P(n), NAN).data());  // the factor's old values are never read
      ASSERT_EQ(VelaSymmetricMatrix(p).SolveLDLt(0, b, xl) + p.SolveCholesky(b.GetBuffer(), xc.data(), nullptr, 0.0) +
                    p.CholeskyFactorisation(L, 0.0), 3);
      for (int i = 0; i < n; ++i) EXPECT_NEAR(xc[i], xl[i], 1e-12 * xl.GetNormInf(-1)) << n << " at 2^" << e;
      for (int i = 0; i < n; ++i)
        for (int j = 0; j <= i; ++j)
          EXPECT_NEAR(VelaVector::ScalarProduct(j + 1, L.GetRow(i), L.GetRow(j)), p(i, j), 1e-14 * n * p.GetNormInf());
    }
  // A negative pivot at 1 gives 0 there and the rest completed; a shift of 0.5 multiplies the diagonal by 1.5;
  // a NaN shift counts as one; a factor of the wrong order is refused and left alone.
  const double packed[] = {4, 2, -1, 2, 1, 9}, base[] = {4, 2, 6}, scaled[] = {6, 2, 9};
  VelaLowerTriangularMatrix L(3, nullptr), shifted(2, nullptr), plain(2, nullptr), wrong(2, base);
  EXPECT_EQ(VelaSymmetricMatrix(3, packed).CholeskyFactorisation(L, 0.0), 0);
  EXPECT_EQ(Packed(L), Vec({2, 1, 0, 1, 0, std::sqrt(8.0)}));
  EXPECT_EQ(VelaSymmetricMatrix(2, base).CholeskyFactorisation(shifted, 0.5) +
                VelaSymmetricMatrix(2, scaled).CholeskyFactorisation(plain, 0.0), 2);
  EXPECT_TRUE(Bits(Packed(shifted), Packed(plain)));
  EXPECT_EQ(VelaSymmetricMatrix(2, base).CholeskyFactorisation(shifted, std::nan("")) +
                VelaSymmetricMatrix(3, packed).CholeskyFactorisation(wrong, 0.0), 0);
  EXPECT_EQ(wrong.GetRow(1)[1], 6.0);
  Vec x(2), b = {10, 20};  // [6 2; 2 9] x = b: x = (1, 2); SolveCholesky sizes its own factor
  EXPECT_EQ(VelaSymmetricMatrix(2, base).SolveCholesky(b.data(), x.data(), &wrong, 0.5), 1);
  EXPECT_LE(std::fmax(std::fabs(x[0] - 1.0), std::fabs(x[1] - 2.0)), 1e-15);
}

TEST(VelaSymmetricMatrix, ConstructionProductsBuffersAndTriangularSolves) {
  const double full[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  const VelaSymmetricMatrix a(3, VelaMatrix(3, 3, full));
  EXPECT_EQ(Vec(a.GetBuffer(), a.GetBuffer() + 6), Vec({1, 4, 5, 7, 8, 9}));
  // iOrder matches one count and the other is short: only what exists is copied.
  const VelaSymmetricMatrix wide(3, VelaMatrix(2, 3, full)), tall(3, VelaMatrix(3, 2, full));
  EXPECT_EQ(Vec(wide.GetBuffer(), wide.GetBuffer() + 6), Vec({1, 4, 5, 0, 0, 0}));
  EXPECT_EQ(Vec(tall.GetBuffer(), tall.GetBuffer() + 6), Vec({1, 3, 4, 5, 6, 0}));
  VelaSymmetricMatrix b, c(a);
  b = a;
  const double* buffer = b.GetBuffer();
  b.Resize(2);
  c *= -2.0;
  EXPECT_TRUE(b.GetBuffer() == buffer && Vec(buffer, buffer + 3) == Vec(3, 0.0) && b.GetOrder() == 2);
  EXPECT_EQ(std::make_pair(c(2, 1), c.GetNormInf()), std::make_pair(-16.0, 18.0));
  TestRng rng{66};
  for (int n : {1, 3, 7, 37}) {
    const VelaSymmetricMatrix m(n, RandomPacked(n, kIndefinite, rng).data());
    const VelaMatrix B = Random(n, 4, rng), product = m * B, expected = m.ConvertToFullMatrix() * B;
    const VelaVector v(n, B.GetBuffer()), mv = m * v, fv = m.ConvertToFullMatrix() * v;
    EXPECT_LE((product - expected).GetNormInf(-1) + (mv - fv).GetNormInf(-1), 1e-15 * n);
    EXPECT_EQ(product.GetNbOfRow() * 10 + product.GetNbOfCol(), n * 10 + 4);
  }
  // The triangular matrix: a smaller source keeps the buffer, Resize keeps it when shrinking.
  const Vec small = {1, 2, 3}, nine(10, 9.0);
  VelaLowerTriangularMatrix two(2, small.data()), four(4, nine.data()), three(3, nine.data());
  const double *fourBuffer = four.GetBuffer(), *threeBuffer = three.GetBuffer();
  four = two;
  three.Resize(2);
  EXPECT_TRUE(four.GetBuffer() == fourBuffer && four.GetBuffer() != two.GetBuffer() && Packed(four) == Packed(two));
  EXPECT_TRUE(three.GetBuffer() == threeBuffer && Packed(three) == Vec(3, 9.0));
  three.Resize(5);
  three.GetRow(4)[4] = 1.0;  // the whole order-5 triangle is addressable
  // A zero diagonal zeroes its unknown and the solve goes on (residuals: through Cholesky's solves).
  const double packed[6] = {2, 1, 0, 4, 3, 5}, lb[3] = {4, 9, 23}, lbt[3] = {10, 7, 20};  // [2; 1 0; 4 3 5]
  const VelaLowerTriangularMatrix L(3, packed), empty;
  Vec x(lb, lb + 3), y(3), untouched = {7, 8};
  EXPECT_EQ(L.Solve(x.data(), x.data()) + L.SolveTranspose(lbt, y.data()), 0);  // in place (Cholesky: out of place)
  EXPECT_TRUE(x == Vec({2, 0, 3}) && y == Vec({-3, 0, 4}));
  EXPECT_EQ(empty.Solve(lb, untouched.data()) + empty.SolveTranspose(lb, untouched.data()), 2);  // order 0
  EXPECT_TRUE(untouched == Vec({7, 8}) && empty.GetBuffer() == nullptr);
}

}  // namespace
