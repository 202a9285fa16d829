// Packed symmetric and lower-triangular matrices: the LDLᵀ factorisation and solve bit for bit against the
// literal steps and as reconstruction P S Pᵀ = L D Lᵀ over kinds and sizes, Cholesky against LDLᵀ, the small
// documented cases, packed products, triangular solves, and buffer reuse.
#include "vela/linalg/VelaSymmetricMatrix.h"

#include "linalg/LinalgTesting.h"

namespace {

using namespace vela::test;

// Opens the protected factorisation members and the stored factors.
struct Inspectable : VelaSymmetricMatrix {
  using VelaSymmetricMatrix::VelaSymmetricMatrix;
  using VelaSymmetricMatrix::GetFactor, VelaSymmetricMatrix::GetPermutation, VelaSymmetricMatrix::GetPivotKinds;
  using VelaSymmetricMatrix::RunFactorisation, VelaSymmetricMatrix::SymmetricPivot;
};

std::size_t P(int i) { return static_cast<std::size_t>(i) * (i + 1) / 2; }
double Sym(const Vec& p, int i, int j) { return i >= j ? p[P(i) + j] : p[P(j) + i]; }
std::vector<int> Ints(const VelaIntArray& a) { return std::vector<int>(a.GetBuffer(), a.GetBuffer() + a.Size()); }
Vec Packed(const VelaLowerTriangularMatrix& l) { return Vec(l.GetBuffer(), l.GetBuffer() + P(l.GetOrder())); }

// Indefinite, zero diagonal, rows 2^±26 apart, positive definite (B Bᵀ + n I), small integers (-3 .. 3: ties
// and exact zeros reach every pivot test).
enum Kind { kIndefinite, kZeroDiagonal, kBadlyScaled, kDefinite, kSmallInteger };
Vec RandomPacked(int n, Kind kind, TestRng& rng) {
  const Vec b = RandomMatrix(n, n, n, kind == kBadlyScaled ? 13 : 0, rng);
  Vec p(P(n));
  for (int i = 0; i < n; ++i)
    for (int j = 0; j <= i; ++j) {
      double d = i == j ? n : 0.0;
      for (int k = 0; k < n && kind == kDefinite; ++k) d += b[i * n + k] * b[j * n + k];
      p[P(i) + j] = kind == kDefinite ? d : kind == kSmallInteger ? rng.Below(7) - 3
                    : kind == kZeroDiagonal && i == j ? 0.0 : b[i * n + j];
    }
  return p;
}

// The factorisation's steps taken literally on a packed copy, the interchange written as a relabelling
// A'(a, b) = A(π(a), π(b)); `branches` counts the pivot choices met.
struct Literal { Vec a; std::vector<int> perm, kinds; unsigned char result = 1; };
void Relabel(Literal& ref, int n, int i, int j) {
  const Vec old = ref.a;
  auto pi = [&](int x) { return x == i ? j : x == j ? i : x; };
  for (int r = 0; r < n; ++r)
    for (int c = 0; c <= r; ++c) ref.a[P(r) + c] = Sym(old, pi(r), pi(c));
  std::swap(ref.perm[i], ref.perm[j]);
}
Literal Factorise(const Vec& packed, int n, int* branches) {
  const double alpha = 0.6403882032022076;
  Literal ref{packed, std::vector<int>(n), std::vector<int>(n, 0)};
  for (int k = 0; k < n; ++k) ref.perm[k] = k;
  auto A = [&](int i, int j) -> double& { return ref.a[P(i) + j]; };
  Vec w1(n), w2(n);
  for (int k = 0, r = -1; k < n; r = -1) {
    const double akk = std::fabs(A(k, k));
    double lambda = 0.0;
    for (int i = k + 1; i < n; ++i)
      if (std::fabs(A(i, k)) > lambda) lambda = std::fabs(A(i, k)), r = i;
    bool two = false;
    if (r < 0 || akk >= alpha * lambda) {
      ++branches[0];
    } else {
      int p = k, q = r;
      double sigma = lambda;
      for (int j = k + 1; j < r; ++j)
        if (std::fabs(A(r, j)) > sigma) sigma = std::fabs(A(r, j)), p = j, q = r;
      for (int i = r + 1; i < n; ++i)
        if (std::fabs(A(i, r)) > sigma) sigma = std::fabs(A(i, r)), p = r, q = i;
      const int other = p == r ? q : p;  // sigma's partner of r
      if (akk * sigma >= alpha * (lambda * lambda)) {
        ++branches[1];
      } else if (std::fabs(A(r, r)) >= alpha * sigma) {
        ++branches[2], branches[5] += p == r, Relabel(ref, n, k, r);
      } else if (p == k) {
        ++branches[3], two = true;
        if (q > k + 1) Relabel(ref, n, k + 1, q);
      } else if (A(other, other) * A(r, r) >= alpha * (sigma * sigma)) {
        ++branches[4], branches[5] += p == r, Relabel(ref, n, k, other);
      } else {
        ++branches[3], two = true, Relabel(ref, n, k, q);
        if (p > k + 1) Relabel(ref, n, k + 1, p);
      }
    }
    const double a = A(k, k), b = two ? A(k + 1, k) : 0.0, c = two ? A(k + 1, k + 1) : 0.0, det = a * c - b * b;
    if ((two ? det : a) == 0.0) return ref.result = 0, ref;
    if (!two) A(k, k) = 1.0 / a;
    if (two) A(k, k) = c / det, A(k + 1, k) = -b / det, A(k + 1, k + 1) = a / det, ref.kinds[k] = 1;
    for (int i = k + 1 + two; i < n; ++i) {
      w1[i] = A(i, k), w2[i] = two ? A(i, k + 1) : 0.0;
      if (!two) A(i, k) = w1[i] / a;
      if (two) A(i, k) = w1[i] * A(k, k) + w2[i] * A(k + 1, k), A(i, k + 1) = w1[i] * A(k + 1, k) + w2[i] * A(k + 1, k + 1);
      for (int j = k + 1 + two; j <= i; ++j)
        A(i, j) = two ? A(i, j) - A(i, k) * w1[j] - A(i, k + 1) * w2[j] : A(i, j) - A(i, k) * w1[j];
    }
    k += 1 + two;
  }
  return ref;
}
Vec Solve(const Literal& ref, int n, const VelaVector& b) {
  auto A = [&](int i, int j) { return ref.a[P(i) + j]; };
  Vec y(n), x(n);
  for (int k = 0; k < n; ++k) y[k] = b[ref.perm[k]];
  for (int k = 0; k + 1 < n; ++k)
    for (int i = k + 1 + ref.kinds[k]; i < n; ++i) y[i] = y[i] - y[k] * A(i, k);
  for (int k = 0; k < n; k += 1 + ref.kinds[k]) {
    const double y0 = y[k], y1 = ref.kinds[k] ? y[k + 1] : 0.0;
    y[k] = ref.kinds[k] ? A(k, k) * y0 + A(k + 1, k) * y1 : y[k] * A(k, k);
    if (ref.kinds[k]) y[k + 1] = A(k + 1, k) * y0 + A(k + 1, k + 1) * y1;
  }
  for (int k = n - 1; k >= 1; --k)
    for (int j = k - 1 - ref.kinds[k - 1]; j >= 0; --j) y[j] = y[j] - y[k] * A(k, j);
  for (int k = 0; k < n; ++k) x[ref.perm[k]] = y[k];
  return x;
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

TEST(VelaSymmetricMatrix, LDLtFollowsTheLiteralStepsAndReconstructs) {
  TestRng rng{61};
  int branches[6] = {};
  for (Kind kind : {kIndefinite, kZeroDiagonal, kBadlyScaled, kDefinite, kSmallInteger})
    for (int n : {1, 2, 3, 6, 7, 36, 37, 100}) {
      SCOPED_TRACE(testing::Message() << "kind " << kind << ", order " << n);
      const Vec s = RandomPacked(n, kind, rng);
      Inspectable m(n, s.data());
      const Literal ref = Factorise(s, n, branches);
      ASSERT_EQ(m.RunFactorisation(), ref.result);
      EXPECT_TRUE(Bits(Packed(m.GetFactor()), ref.a) && Ints(m.GetPermutation()) == ref.perm &&
                  Ints(m.GetPivotKinds()) == ref.kinds);
      EXPECT_TRUE(kind == kSmallInteger || ref.result == (kind == kZeroDiagonal && n == 1 ? 0 : 1));
      EXPECT_TRUE(kind != kDefinite || ref.kinds == std::vector<int>(n, 0));
      EXPECT_TRUE(kind != kZeroDiagonal || n == 1 || ref.kinds[0] == 1);
      if (ref.result == 0) continue;
      EXPECT_LT(ReconstructionError(s, m), 1e-14 * n + 1e-15);
      const VelaVector b(n, RandomMatrix(1, n, 1, 0, rng).data());
      VelaVector x;
      VelaLowerTriangularMatrix L;
      VelaIntArray perm;
      EXPECT_EQ(m.SolveLDLt(1, b, x) + m.LDLt(L, perm), 2);
      EXPECT_TRUE(Bits(Values(x), Solve(ref, n, b)) && Bits(Packed(L), ref.a) && Ints(perm) == ref.perm);
      for (int e : {-900, 900}) {  // far from unit scale the unit-scale steps, x scaled back
        Inspectable far(n, Scaled(s, e).data());
        VelaVector xf;
        ASSERT_EQ(far.SolveLDLt(0, b, xf), 1);
        EXPECT_TRUE(Bits(Values(xf), Scaled(Values(x), -e)) && Ints(far.GetPermutation()) == ref.perm) << e;
      }
    }
  for (int b = 0; b < 6; ++b) EXPECT_GT(branches[b], 0) << "pivot branch " << b << " never met";
  for (int trial = 0, n = 1 + trial % 12; trial < 3000; ++trial, n = 1 + trial % 12) {  // ties and exact zeros
    const Vec s = RandomPacked(n, kSmallInteger, rng);
    Inspectable m(n, s.data());
    ASSERT_TRUE(m.RunFactorisation() == 0 || ReconstructionError(s, m) < 1e-13) << "trial " << trial;
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
  // Sigma below the diagonal of column r: a well-conditioned system a 2 x 2 pivot would spoil.
  const double rows[36] = {-3, 0, -3, 0, 0, 2, 0, 3, -3, -1, 3, -1, -3, -3, 3, 2, 0, 0,
                           0, -1, 2, 0, -3, 0, 0, 3, 0, -3, 0, 0, 2, -1, 0, 0, 0, 2};
  VelaSymmetricMatrix s(6, VelaMatrix(6, 6, rows));
  VelaVector b(6, 0.0);
  b[5] = -2.0;
  ASSERT_EQ(s.SolveLDLt(0, b, x), 1);
  const Vec expected = {-0.25, -6.0, -2.25, -6.0, 0.5, -3.75};
  for (int i = 0; i < 6; ++i) EXPECT_NEAR(x[i], expected[i], 1e-13) << i;
}

// L Lᵀ = S into a factor holding NaN, and the same solution as LDLᵀ, at unit scale and at 2^±1000.
TEST(VelaSymmetricMatrix, CholeskyReconstructsAndAgreesWithLDLt) {
  TestRng rng{63};
  for (int e : {0, -1000, 1000})
    for (int n : {1, 2, 3, 6, 7, 36, 37, 100}) {
      Vec s = RandomPacked(n, kDefinite, rng);
      for (double& v : s) v = std::ldexp(v, e);
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
  Vec x(2);
  const double b[] = {10, 20};  // [6 2; 2 9] x = b: x = (1, 2); SolveCholesky sizes its own factor
  EXPECT_EQ(VelaSymmetricMatrix(2, base).SolveCholesky(b, x.data(), &wrong, 0.5), 1);
  EXPECT_NEAR(x[0], 1.0, 1e-15);
  EXPECT_NEAR(x[1], 2.0, 1e-15);
}

TEST(VelaSymmetricMatrix, ConstructionProductsAndBuffers) {
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
  const double small[3] = {1, 2, 3};
  const Vec nine(10, 9.0);
  VelaLowerTriangularMatrix two(2, small), four(4, nine.data()), three(3, nine.data()), copy(two);
  const double *fourBuffer = four.GetBuffer(), *threeBuffer = three.GetBuffer();
  four = two;
  three.Resize(2);
  EXPECT_TRUE(four.GetBuffer() == fourBuffer && four.GetBuffer() != two.GetBuffer() && Packed(four) == Packed(two));
  EXPECT_TRUE(copy.GetBuffer() != two.GetBuffer() && Packed(copy) == Packed(two));
  EXPECT_TRUE(three.GetBuffer() == threeBuffer && Packed(three) == Vec(3, 9.0));
  three.Resize(5);
  three.GetRow(4)[4] = 1.0;  // the whole order-5 triangle is addressable
  VelaLowerTriangularMatrix moved(std::move(three));
  // NOLINTNEXTLINE(bugprone-use-after-move): the moved-from state is documented
  EXPECT_TRUE(moved.GetOrder() == 5 && three.GetOrder() == 0 && three.GetBuffer() == nullptr);
}

// Small residuals, in place as out of place; a zero diagonal zeroes its unknown and the solve goes on.
TEST(VelaLowerTriangularMatrix, SolvesAndZeroDiagonals) {
  TestRng rng{20261205};
  for (int n : {1, 2, 3, 6, 7, 36, 37, 100}) {
    VelaLowerTriangularMatrix L(n, nullptr);
    for (int i = 0; i < n; ++i)
      for (int j = 0; j <= i; ++j)
        L.GetRow(i)[j] = i == j ? (rng.Next() < 0 ? -1.5 : 1.5) + 0.5 * rng.Next() : rng.Next() / n;
    const Vec b = RandomMatrix(1, n, 1, 0, rng);
    for (bool transpose : {false, true}) {
      Vec x(b.size(), 99.0), inPlace = b;
      EXPECT_EQ(transpose ? L.SolveTranspose(b.data(), x.data()) + L.SolveTranspose(inPlace.data(), inPlace.data())
                          : L.Solve(b.data(), x.data()) + L.Solve(inPlace.data(), inPlace.data()), 2);
      EXPECT_EQ(x, inPlace);
      for (int i = 0; i < n; ++i) {
        double s = 0.0;
        for (int k = transpose ? i : 0; k <= (transpose ? n - 1 : i); ++k)
          s += (transpose ? L.GetRow(k)[i] : L.GetRow(i)[k]) * x[k];
        EXPECT_NEAR(s, b[i], 1e-13 * n) << n << (transpose ? " transposed" : "");
      }
    }
  }
  const double packed[6] = {2, 1, 0, 4, 3, 5}, b[3] = {4, 9, 23}, bt[3] = {10, 7, 20};  // L = [2; 1 0; 4 3 5]
  const VelaLowerTriangularMatrix L(3, packed), empty;
  Vec x(3), y(3), untouched = {7, 8};
  EXPECT_EQ(L.Solve(b, x.data()) + L.SolveTranspose(bt, y.data()), 0);
  EXPECT_TRUE(x == Vec({2, 0, 3}) && y == Vec({-3, 0, 4}));
  EXPECT_EQ(empty.Solve(b, untouched.data()) + empty.SolveTranspose(b, untouched.data()), 2);  // order 0
  EXPECT_TRUE(untouched == Vec({7, 8}) && empty.GetBuffer() == nullptr);
}

}  // namespace
