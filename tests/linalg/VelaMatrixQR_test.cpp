// VelaMatrix's orthogonal transformations: the Householder factors at any scale, the QR left inverse, row
// Gram-Schmidt (rank, orthogonality, span), the prioritised minimum-norm correction, full and step by step.
#include "vela/containers/VelaBoolArray.h"
#include "vela/linalg/VelaMatrix.h"

#include "linalg/LinalgTesting.h"

// White-box access to the private factorisation (declared a friend).
struct VelaMatrixInternals {
  static unsigned char QRFactors(int m, int n, double* a, double* beta) { return VelaMatrix().QRFactors(m, n, a, beta); }
};

namespace {

using namespace vela::test;
const int kSizes[] = {1, 2, 3, 7, 36, 37, 100};

struct Factors { unsigned char flag; Vec qr, beta; };
Factors Factor(int m, int n, Vec a) {
  Vec beta(static_cast<std::size_t>(std::max(n, 1)), -1.0);
  const unsigned char flag = VelaMatrixInternals::QRFactors(m, n, a.data(), beta.data());
  return {flag, a, Vec(beta.begin(), beta.begin() + n)};
}
// The flag; far from unit scale the factors of the matrix at unit scale with R scaled back (that the
// reflections are orthogonal with H_0 ... H_(n-1) R = A shows in the left inverse built on them, and in the
// null space). Columns already on their axis get no reflection; bad shapes are refused.
TEST(VelaMatrixQR, FactorsAtAnyScale) {
  TestRng rng{20261205};
  for (int m : kSizes)
    for (int n : kSizes)
      for (Family kind : {kRandom, kDeficient, kBadlyScaled, kZero, kSmallInteger, kTiny, kHuge}) {
        if (n > m || (kind == kDeficient && n < 2)) continue;
        SCOPED_TRACE(testing::Message() << m << " x " << n << " kind " << kind);
        const Vec a = Make(rng, m, n, kind), unit = Scaled(a, -Exponent(kind));
        const Factors f = Factor(m, n, a), u = Factor(m, n, unit);
        if (VelaMatrix::NormInf(m * n, a.data()) == 0.0) {  // no reflections: the zero matrix is its own R
          EXPECT_TRUE(f.flag == 0 && Bits(f.qr, a) && Bits(f.beta, Vec(n, 0.0)));
          continue;
        }
        EXPECT_TRUE(kind == kSmallInteger || kind == kBadlyScaled || f.flag == (kind == kDeficient ? 0 : 1));
        EXPECT_TRUE(f.flag == u.flag && Bits(f.beta, u.beta));
        for (int k = 0; k < m * n; ++k)  // R (on and above the diagonal) scaled, the reflectors not
          ASSERT_TRUE(Bits({f.qr[k]}, Scaled({u.qr[k]}, k % n >= k / n ? Exponent(kind) : 0))) << k;
      }
  const Factors f = Factor(3, 2, {-3, 1, 0, 2, 0, 2});  // column 0 is -3 e_0: no reflection, column untouched
  EXPECT_EQ(Vec({1.0 * f.flag, f.beta[0], f.qr[0], f.qr[2], f.qr[4]}), Vec({1, 0, -3, 0, 0}));
  EXPECT_TRUE(f.beta[1] != 0.0 && std::fabs(std::fabs(f.qr[3]) - std::sqrt(8.0)) < 1e-15);
  const Factors plain = Factor(3, 1, {3, 1, 2}), past = Factor(3, 1, {3, 1, 2, 1e300});  // only m n entries read
  EXPECT_TRUE(Bits(Vec(past.qr.begin(), past.qr.begin() + 3), plain.qr) && Bits(past.beta, plain.beta));
  for (int e : {0, -200, 200}) {  // below the diagonal under 1e-12 of the largest column norm, at any scale
    const Factors g = Factor(2, 2, Scaled({5, 1e-13, 1e-13, 0}, e));
    EXPECT_EQ(Vec({g.beta[0], g.qr[2]}), Vec({0, std::ldexp(1e-13, e)})) << e;
  }
  double a[4] = {1, 2, 3, 4}, beta[2] = {7, 7};
  EXPECT_EQ(VelaMatrixInternals::QRFactors(2, 0, a, beta), 1);
  EXPECT_EQ(VelaMatrixInternals::QRFactors(0, 0, a, beta) + VelaMatrixInternals::QRFactors(1, 2, a, beta) +
                VelaMatrixInternals::QRFactors(2, 2, nullptr, beta), 0);
  EXPECT_EQ(Vec({a[0], beta[0]}), Vec({1, 7}));  // m < n: nothing touched
}

// X A = I to a relative tolerance with A X symmetric: the pseudo-inverse of a full-rank A.
void ExpectLeftInverse(int m, int n, const Vec& a) {
  VelaMatrix x;
  ASSERT_EQ(VelaMatrix(m, n, a.data()).InverseQR(x), 1);
  ASSERT_EQ(std::make_pair(x.GetNbOfRow(), x.GetNbOfCol()), std::make_pair(n, m));
  const VelaMatrix A(m, n, a.data()), At = Transposed(A), XA = x * A, AX = A * x;
  double worst = 0.0;
  for (int r = 0; r < n; ++r)
    for (int j = 0; j < n; ++j)
      worst = std::max(worst, std::fabs(XA(r, j) - (r == j)) / x.GetNorm2(r) / At.GetNorm2(j));
  EXPECT_LE(worst, 1e-12);
  EXPECT_LE((AX - Transposed(AX)).GetNormInf(-1), 1e-9);
}

TEST(VelaMatrixQR, InverseIsALeftInverseOverShapesAndScales) {
  TestRng rng{77};
  for (int m : kSizes)
    for (int n : kSizes) {
      if (n > m) continue;
      SCOPED_TRACE(testing::Message() << m << " x " << n);
      const Vec a = Make(rng, m, n, kRandom);
      ExpectLeftInverse(m, n, a);
      for (int e : {-30, 30, -1000, 1000}) {  // columns 2^±30 apart, then far from unit scale
        Vec s = a;
        for (std::size_t k = 0; k < s.size(); ++k) s[k] = std::ldexp(s[k], k % n % 2 ? e : 0);
        ExpectLeftInverse(m, n, std::abs(e) == 30 ? s : Scaled(a, e));
      }
      VelaMatrix x(1, 1, 7.0);  // dependent columns, columns 1e16 apart, zero: 0 and the output untouched
      Vec apart = a;
      for (int i = 0; n >= 2 && i < m; ++i) apart[i * n] *= 1e-8, apart[i * n + 1] *= 1e8;
      EXPECT_EQ(VelaMatrix(m, n, Make(rng, m, n, n >= 2 ? kDeficient : kZero).data()).InverseQR(x), 0);
      EXPECT_EQ(VelaMatrix(m, n, (n >= 2 ? apart : Vec(a.size(), 0.0)).data()).InverseQR(x), 0);
      EXPECT_EQ(Values(x), Vec{7.0});
    }
  ExpectLeftInverse(300, 120, Make(rng, 300, 120, kRandom));
  for (double scale : {1.0, 1e-20, 1e-30, 1e-150})  // every column still gets its reflection
    ExpectLeftInverse(3, 2, {scale, scale, scale, 2 * scale, scale, 3 * scale});
  VelaMatrix a(3, 2, Vec{1, 2, 3, 4, 5, 6}.data()), x(2, 2, 9.0);  // exact cases
  for (VelaMatrix m : {VelaMatrix(2, 3, 1.0), VelaMatrix(3, 2, Vec{1, 1, 2, 2, 3, 3}.data()), VelaMatrix()})
    EXPECT_EQ(m.InverseQR(x), 0);  // wide, equal columns, empty
  EXPECT_EQ(Values(x), Vec(4, 9.0));
  EXPECT_EQ(VelaMatrix(3, 0, 0.0).InverseQR(x), 1);  // nothing to invert: 0 x 3
  EXPECT_EQ(std::make_pair(x.GetNbOfRow(), x.GetNbOfCol()), std::make_pair(0, 3));
  ASSERT_EQ(a.InverseQR(x) + a.InverseQR(a), 2);  // the second into itself
  EXPECT_TRUE(Bits(Values(a), Values(x)));
  ASSERT_EQ(VelaMatrix(2, 2, Vec{1e200, 0, 0, 4e200}.data()).InverseQR(x), 1);  // squared norms overflow
  EXPECT_TRUE(Bits(Values(x), Vec{1 / 1e200, -0.0, 0, 1 / 4e200}));             // -(0 / d) is -0
}

// The documented case, then kept rows orthogonal with their squared norms reported, dropped rows zero, as many kept
// as the rank (made by row operations, they then span the rows); the scratch path gives the same rows. Then
// far from unit scale, with the minimum-norm correction.
TEST(VelaMatrixQR, OrthogonalizeOverShapesAndScales) {
  VelaMatrix exact(3, 2, Vec{1, 0, 1, 1, 2, 2}.data()), noCols(2, 0, 0.0), none;
  Vec normSq(3, -1.0);
  EXPECT_EQ(exact.Orthogonalize(1e-9, normSq.data()), 2);
  EXPECT_TRUE(Bits(Values(exact), Vec{1, 0, 0, 1, 0, 0}) && Bits(normSq, Vec{1, 1, 0}));
  EXPECT_EQ(noCols.Orthogonalize(1e-9, normSq.data()) + none.Orthogonalize(1e-9, nullptr), 0);  // norms zeroed
  EXPECT_EQ(normSq, Vec({0, 0, 0}));
  TestRng rng{4242};
  for (auto [m, n] : {std::pair{1, 1}, {2, 3}, {3, 2}, {6, 6}, {7, 36}, {36, 7}, {37, 100}, {100, 37}})
    for (Family kind : {kRandom, kDeficient, kBadlyScaled, kZero})
      for (int e : {0, -27, 27}) {  // (badly scaled rows at unit scale only: squared norms below 1e-20 count as 0)
        if (kind == kBadlyScaled && e != 0) continue;
        SCOPED_TRACE(testing::Message() << m << " x " << n << " kind " << kind << " at 2^" << e);
        Vec a = Scaled(Make(rng, m, n, kind == kBadlyScaled ? kRandom : kind), e);
        for (int i = 0; kind == kBadlyScaled && i < m * n; ++i) a[i] = std::ldexp(a[i], i / n % 21 - 10);  // 2^±10
        const int rank = FamilyRank(kind, m, n);
        VelaMatrix q(m, n, a.data()), q2(q);
        Vec normSq(static_cast<std::size_t>(m));
        const double tol = std::ldexp(1e-10, e);
        EXPECT_EQ(q.Orthogonalize(tol, normSq.data()), rank);
        EXPECT_EQ(q2.Orthogonalize(tol, nullptr), rank);
        EXPECT_TRUE(Bits(Values(q), Values(q2)));
        std::vector<int> kept;
        for (int i = 0; i < m; ++i) {
          if (normSq[i] < tol * tol) {
            EXPECT_EQ(q.GetNormInf(i), 0.0) << "row " << i;
            continue;
          }
          EXPECT_EQ(normSq[i], Dot(q.GetRow(i), q.GetRow(i), n));
          for (int k : kept) EXPECT_LE(std::fabs(Dot(q.GetRow(i), q.GetRow(k), n)), 1e-11 * q.GetNorm2(i) * q.GetNorm2(k));
          kept.push_back(i);
        }
      }
  // Beyond 2^400 the rows are worked on near unit scale: at 2^450 and 2^1000 (where squared norms overflow)
  // rows and x come out as the unit-scale ones times the power of two, at 2^450 the squared norms too.
  for (auto [m, n] : {std::pair{1, 1}, {2, 3}, {6, 6}, {7, 36}, {36, 37}})
    for (int e : {450, 1000}) {
      const Vec a = Make(rng, m, n, kRandom), x0 = Make(rng, 1, n, kRandom);
      std::vector<int> levels(static_cast<std::size_t>(n));
      for (int j = 0; j < n; ++j) levels[j] = j % 2;
      VelaMatrix unit(m, n, a.data()), big(m, n, Scaled(a, e).data());
      Vec unitSq(static_cast<std::size_t>(m)), bigSq(unitSq);
      EXPECT_EQ(unit.Orthogonalize(0.0, unitSq.data()) + big.Orthogonalize(0.0, bigSq.data()), 2 * m);
      EXPECT_TRUE(Bits(Values(big), Scaled(Values(unit), e)) && (e > 500 || Bits(bigSq, Scaled(unitSq, 2 * e))));
      Vec xUnit = x0, xBig = Scaled(x0, e);
      unsigned char flag = 1;
      int row = -1, level = -1;
      unit.MinimizeNorm(xUnit.data(), levels.data(), 0.0, 0.0, flag, row, level, nullptr);
      big.MinimizeNorm(xBig.data(), levels.data(), 0.0, 0.0, flag, row, level, nullptr);
      EXPECT_TRUE(Bits(xBig, Scaled(xUnit, e)) && Bits(Values(big), Scaled(Values(unit), e))) << m << "x" << n;
    }
}

struct Outcome { Vec x; unsigned char flag; int row, level, used; };
// One full call (steps < 0) or `steps` single-step calls with a used-rows array, from the given flag.
Outcome Minimize(Vec a, int n, Vec x, const std::vector<int>& levels, double tol1, double tol2, int flag, int steps = -1) {
  VelaMatrix m(static_cast<int>(a.size()) / n, n, a.data());
  VelaBoolArray used;
  Outcome r{x, static_cast<unsigned char>(flag), -7, -1, 0};
  for (int call = 0; call < std::max(steps, 1); ++call)
    r.row = -7, m.MinimizeNorm(r.x.data(), levels.data(), tol1, tol2, r.flag, r.row, r.level, steps < 0 ? nullptr : &used);
  return r.used = used.Count(), r;
}

TEST(VelaMatrixQR, MinimizeNormLevelsFlagsAndSingleSteps) {
  const Vec a = {1, 0, 1, 0, 1, 1}, x = {1, 2, 5}, a2 = {1, 0, 0, 0.5};
  const std::vector<int> tied = {1, 1, 0}, pair = {0, 0}, split = {1, 0};
  const struct { Outcome got; Vec x; int row, flag, level, used; } cases[] = {  // x (when given), row, flag, level
      // Level 1 holds columns 0 and 1, where both rows tie and the later one wins: (1, 2, 5) - 2 (0, 1, 1) =
      // (1, 0, 3), then - (1, 0, 1); one level would give the projection (-1, 1, 1) / 3 instead. A call that
      // finds nothing leaves row, flag and level alone.
      {Minimize(a, 3, x, tied, 1e-9, 1e-9, 0), {0, 0, 2}, -7, 0, 1, 0},
      {Minimize(a, 3, x, tied, 1e-9, 1e-9, 1, 1), {1, 0, 3}, 1, 0, 1, 1},
      {Minimize(a, 3, x, tied, 1e-9, 1e-9, 1, 2), {0, 0, 2}, 0, 0, 1, 2},
      {Minimize(a, 3, x, tied, 1e-9, 1e-9, 1, 4), {0, 0, 2}, -7, 0, 1, 2},
      // Level norm 0.01: a pivot under iTol1 = 1e-3, not under iTol2 = 1; a set flag survives a move of at most
      // iTol1 and is cleared by a larger one.
      {Minimize({0.1, 0}, 2, {1, 0}, pair, 1e-3, 1.0, 0, 1), {}, 0, 0, 0, 1},
      {Minimize({0.1, 0}, 2, {1, 0}, pair, 1e-3, 1.0, 1, 1), {1, 0}, -7, 1, -1, 0},
      {Minimize({2, 0}, 2, {0, 5}, pair, 1e-3, 1.0, 1, 1), {0, 5}, 0, 1, 0, 1},
      {Minimize({2, 0}, 2, {0.01, 5}, pair, 1e-3, 1.0, 1, 1), {0, 5}, 0, 0, 0, 1},
      // Row 0 serves level 1; level 0's row (norm 0.25) is a pivot under iTol1 only: full mode restarts each
      // level with the flag passed in, single steps with a set flag.
      {Minimize(a2, 2, {1, 1}, split, 1e-3, 1.0, 0), {0, 0}, -7, 0, 1, 0},
      {Minimize(a2, 2, {1, 1}, split, 1e-3, 1.0, 1), {0, 1}, -7, 1, 1, 0},
      {Minimize(a2, 2, {1, 1}, split, 1e-3, 1.0, 0, 3), {0, 1}, -7, 0, 1, 1},
  };
  for (const auto& c : cases) {
    EXPECT_TRUE(c.x.empty() || Bits(c.got.x, c.x)) << "case " << &c - cases;
    EXPECT_EQ(std::make_tuple(c.got.row, int{c.got.flag}, c.got.level, c.got.used),
              std::make_tuple(c.row, c.flag, c.level, c.used)) << "case " << &c - cases;
  }
  // Pivot rows are no longer updated; missing input changes nothing; huge levels are stepped over.
  VelaMatrix pivots(2, 2, Vec{1, 1, 0, 1}.data());
  Vec y = {2, 3};
  unsigned char flag = 0;
  int row = -1, level = -1, far[2] = {2000000000, -3};
  pivots.MinimizeNorm(y.data(), split.data(), 1e-9, 1e-9, flag, row, level, nullptr);
  pivots.MinimizeNorm(nullptr, pair.data(), 1e-9, 1e-9, flag, row, level, nullptr);
  pivots.MinimizeNorm(y.data(), nullptr, 1e-9, 1e-9, flag, row, level, nullptr);
  VelaMatrix().MinimizeNorm(y.data(), pair.data(), 1e-9, 1e-9, flag, row, level, nullptr);
  VelaMatrix(1, 2, Vec{0, 1}.data()).MinimizeNorm(y.data(), far, 1e-9, 1e-9, flag, row, level, nullptr);
  EXPECT_TRUE(Bits(Values(pivots), {1, 1, 0, 1}) && Bits(y, {0, 0}));
}

// With one level and no used-rows array x loses exactly its projection onto the row space (what remains is its
// projection onto the SVD's null space); with several, steps one call at a time end after at most one step per
// row and agree with full mode (NaN in x included).
TEST(VelaMatrixQR, MinimizeNormProjectsAndSingleStepsEqualFullMode) {
  TestRng rng{314};
  for (auto [m, n] : {std::pair{1, 1}, {1, 3}, {2, 3}, {3, 3}, {6, 7}, {7, 36}, {36, 37}, {36, 100}, {37, 37}})
    for (Family kind : {kRandom, kDeficient, kZero}) {
      SCOPED_TRACE(testing::Message() << m << " x " << n << " kind " << kind);
      const Vec a = Make(rng, m, n, kind), x0 = Make(rng, 1, n, kRandom);
      std::vector<int> levels(static_cast<std::size_t>(n), 0);
      VelaMatrix full(m, n, a.data()), kernel, stepped(full);
      Vec x = x0;
      unsigned char flag = 0;
      int row = -5, level = 3, steps = 0;
      full.MinimizeNorm(x.data(), levels.data(), 1e-9, 1e-9, flag, row, level, nullptr);
      EXPECT_EQ(std::make_tuple(flag, row, level), std::make_tuple(0, -5, 0));  // full mode: only the level
      ASSERT_EQ(VelaMatrix(stepped).KernelSVD(kernel, 1e-9), 1);  // x0 projected on the null space of A
      const VelaVector expected = kernel.MultiplyVectorLeft(kernel * x0.data());
      for (int j = 0; j < n; ++j) EXPECT_NEAR(x[j], expected[j], 1e-11 * VelaMatrix::Norm2(n, x0.data())) << j;
      for (int& l : levels) l = rng.Below(3) * 2;  // levels 0, 2, 4 (1 and 3 empty)
      Vec xs = x0, xf = x0;
      xs[0] = xf[0] = kind == kZero ? NAN : x0[0];
      full = stepped;
      VelaBoolArray used(m, 0);
      flag = 1, level = -1;
      full.MinimizeNorm(xf.data(), levels.data(), 1e-9, 1e-6, flag, row, level, nullptr);
      for (flag = 1, level = -1, row = 0; row >= 0 && steps <= m + 1; ++steps)
        row = -1, stepped.MinimizeNorm(xs.data(), levels.data(), 1e-9, 1e-6, flag, row, level, &used);
      EXPECT_EQ(steps - 1, used.Count());
      EXPECT_TRUE(kind == kZero || (Bits(xs, xf) && Bits(Values(stepped), Values(full))));
    }
}

}  // namespace
