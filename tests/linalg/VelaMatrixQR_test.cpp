// Tests of the orthogonal-transformation members of VelaMatrix: the compact
// Householder factorisation, the QR left inverse, row Gram-Schmidt and the
// prioritised minimum-norm correction.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "vela/containers/VelaBoolArray.h"
#include "support/PlainQr.h"
#include "vela/linalg/VelaMatrix.h"

// White-box access to the private factorisation (declared a friend).
struct VelaMatrixInternals {
  static unsigned char QRFactors(const VelaMatrix& m, int rows, int cols, double* a, double* beta) {
    return m.QRFactors(rows, cols, a, beta);
  }
};

namespace {

using Dense = std::vector<double>;  // row-major
const int kSizes[] = {1, 2, 3, 6, 7, 36, 37, 100};

enum class Kind { Random, RankDeficient, BadlyScaled, Zero, SmallInteger, Tiny, Huge };
const Kind kKinds[] = {Kind::Random, Kind::RankDeficient, Kind::BadlyScaled, Kind::Zero,
                       Kind::SmallInteger, Kind::Tiny, Kind::Huge};

double Uniform(std::mt19937_64& rng, double lo, double hi) {
  return std::uniform_real_distribution<double>(lo, hi)(rng);
}

// m x n of rank r (product of random m x r and r x n factors).
Dense LowRank(std::mt19937_64& rng, int m, int n, int r) {
  Dense f(static_cast<size_t>(m) * r), g(static_cast<size_t>(r) * n), a(static_cast<size_t>(m) * n, 0.0);
  for (double& x : f) x = Uniform(rng, -1, 1);
  for (double& x : g) x = Uniform(rng, -1, 1);
  for (int i = 0; i < m; ++i)
    for (int k = 0; k < r; ++k)
      for (int j = 0; j < n; ++j) a[i * n + j] += f[i * r + k] * g[k * n + j];
  return a;
}

int DeficientRank(int n) { return std::max(0, n - 1 - n / 3); }

// Random and rank-deficient entries are O(1); badly scaled ones are random
// entries each multiplied by 10^u, u uniform in [-8, 8]; small integers lie
// in -3 .. 3 (ties and exact zeros); tiny and huge ones are random entries
// times 2^-1000 and 2^1000.
Dense Make(std::mt19937_64& rng, int m, int n, Kind kind) {
  Dense a(static_cast<size_t>(m) * n, 0.0);
  switch (kind) {
    case Kind::Random:
      for (double& x : a) x = Uniform(rng, -1, 1);
      break;
    case Kind::RankDeficient:
      a = LowRank(rng, m, n, DeficientRank(std::min(m, n)));
      break;
    case Kind::BadlyScaled:
      for (double& x : a) x = Uniform(rng, -1, 1) * std::pow(10.0, Uniform(rng, -8, 8));
      break;
    case Kind::Zero:
      break;
    case Kind::SmallInteger:
      for (double& x : a) x = std::uniform_int_distribution<int>(-3, 3)(rng);
      break;
    case Kind::Tiny:
    case Kind::Huge:
      for (double& x : a) x = std::ldexp(Uniform(rng, -1, 1), kind == Kind::Tiny ? -1000 : 1000);
      break;
  }
  return a;
}

VelaMatrix ToMatrix(int m, int n, const Dense& a) { return VelaMatrix(m, n, a.data()); }

Dense FromMatrix(const VelaMatrix& a) { return Dense(a.GetBuffer(), a.GetBuffer() + a.GetSize()); }

double MaxAbs(const Dense& a) {
  double best = 0.0;
  for (double x : a) best = std::max(best, std::fabs(x));
  return best;
}

double RowNorm(const double* r, int n) {
  double s = 0.0;
  for (int j = 0; j < n; ++j) s += r[j] * r[j];
  return std::sqrt(s);
}

double DotN(const double* a, const double* b, int n) {
  double s = 0.0;
  for (int j = 0; j < n; ++j) s += a[j] * b[j];
  return s;
}

// The literal transcriptions, with their scratch.
unsigned char PlainQR(int m, int n, double* a, double* beta) {
  std::vector<double> v(m);
  return vela::test::PlainQR(m, n, a, beta, v.data());
}

Dense PlainInverse(int m, int n, Dense a) {
  std::vector<double> beta(n), v(m);
  Dense x(static_cast<size_t>(n) * m);
  vela::test::PlainInverseQR(m, n, a.data(), beta.data(), v.data(), x.data());
  return x;
}

bool BitEqual(const Dense& a, const Dense& b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

// H_0 ... H_(n-1) R from the compact factors.
Dense Reconstruct(int m, int n, const Dense& qr, const std::vector<double>& beta) {
  Dense out(static_cast<size_t>(m) * n, 0.0);
  for (int i = 0; i < n; ++i)
    for (int j = i; j < n; ++j) out[i * n + j] = qr[i * n + j];
  std::vector<double> v(m);
  for (int k = n - 1; k >= 0; --k) {
    v[k] = 1.0;
    for (int i = k + 1; i < m; ++i) v[i] = qr[i * n + k];
    for (int j = 0; j < n; ++j) {
      double s = 0.0;
      for (int i = k; i < m; ++i) s += v[i] * out[i * n + j];
      for (int i = k; i < m; ++i) out[i * n + j] -= beta[k] * s * v[i];
    }
  }
  return out;
}

struct Factors {
  unsigned char flag;
  Dense qr;
  std::vector<double> beta;
};

Factors Factor(int m, int n, const Dense& a) {
  Factors f{0, a, std::vector<double>(std::max(n, 1), -1.0)};
  f.flag = VelaMatrixInternals::QRFactors(VelaMatrix(), m, n, f.qr.data(), f.beta.data());
  return f;
}

}  // namespace

TEST(VelaMatrixQR, FactorsReconstructTheMatrixOverShapesAndKinds) {
  std::mt19937_64 rng(20261205);
  for (int m : kSizes)
    for (int n : kSizes) {
      if (n > m) continue;
      for (Kind kind : kKinds) {
        if (kind == Kind::RankDeficient && n < 2) continue;
        SCOPED_TRACE(testing::Message() << m << " x " << n << " kind " << static_cast<int>(kind));
        const Dense a = Make(rng, m, n, kind);
        const Factors f = Factor(m, n, a);
        const bool farFromUnitScale = kind == Kind::Tiny || kind == Kind::Huge;
        if (kind == Kind::Random || farFromUnitScale) {
          EXPECT_EQ(f.flag, 1);
        }
        if (kind == Kind::RankDeficient || kind == Kind::Zero) {
          EXPECT_EQ(f.flag, 0);
        }
        if (kind == Kind::Zero) {
          // No reflections at all: the zero matrix is its own R.
          EXPECT_TRUE(BitEqual(f.qr, a));
          for (int k = 0; k < n; ++k) EXPECT_EQ(f.beta[k], 0.0);
          continue;
        }
        // Each H_k is orthogonal: beta = 2 / (v'v), or no reflection.
        for (int k = 0; k < n; ++k) {
          if (f.beta[k] == 0.0) continue;
          double vv = 1.0;
          for (int i = k + 1; i < m; ++i) vv += f.qr[i * n + k] * f.qr[i * n + k];
          EXPECT_NEAR(f.beta[k] * vv, 2.0, 1e-12);
        }
        Dense diff = Reconstruct(m, n, f.qr, f.beta);
        for (size_t e = 0; e < diff.size(); ++e) diff[e] -= a[e];
        EXPECT_LE(MaxAbs(diff), 1e-13 * std::sqrt(static_cast<double>(m)) * MaxAbs(a) * n);

        // Bit-identical to the plain column-by-column formulation (which
        // is written for matrices near unit scale).
        if (farFromUnitScale) continue;
        Dense plain = a;
        std::vector<double> plainBeta(n);
        EXPECT_EQ(PlainQR(m, n, plain.data(), plainBeta.data()), f.flag);
        EXPECT_TRUE(BitEqual(plain, f.qr));
        EXPECT_TRUE(BitEqual(plainBeta, Dense(f.beta.begin(), f.beta.begin() + n)));
      }
    }
}

TEST(VelaMatrixQR, FactorsSkipColumnsAlreadyOnTheAxis) {
  // Column 0 is a multiple of e_0: no reflection, column untouched. Column 1
  // then needs one.
  const Dense a = {-3, 1, 0, 2, 0, 2};
  const Factors f = Factor(3, 2, a);
  EXPECT_EQ(f.flag, 1);
  EXPECT_EQ(f.beta[0], 0.0);
  EXPECT_EQ(f.qr[0], -3.0);
  EXPECT_EQ(f.qr[2], 0.0);
  EXPECT_EQ(f.qr[4], 0.0);
  EXPECT_NE(f.beta[1], 0.0);
  EXPECT_NEAR(std::fabs(f.qr[3]), std::sqrt(8.0), 1e-15);
  // A column whose part below the diagonal is under 1e-12 relative to the
  // largest column norm, at any scale.
  for (int exponent : {0, -200, 200}) {
    const double scale = std::ldexp(1.0, exponent);
    const Factors g = Factor(2, 2, Dense{5 * scale, 1e-13 * scale, 1e-13 * scale, 0});
    EXPECT_EQ(g.beta[0], 0.0) << exponent;
    EXPECT_EQ(g.qr[2], 1e-13 * scale) << exponent;
  }
}

TEST(VelaMatrixQR, FactorsHandleEmptyAndInvalidShapes) {
  double a[4] = {1, 2, 3, 4};
  double beta[2] = {7, 7};
  const VelaMatrix owner;
  EXPECT_EQ(VelaMatrixInternals::QRFactors(owner, 0, 0, a, beta), 0);
  EXPECT_EQ(VelaMatrixInternals::QRFactors(owner, 2, 0, a, beta), 1);
  // m < n is refused without touching the arrays.
  EXPECT_EQ(VelaMatrixInternals::QRFactors(owner, 1, 2, a, beta), 0);
  EXPECT_EQ(a[0], 1.0);
  EXPECT_EQ(beta[0], 7.0);
  EXPECT_EQ(VelaMatrixInternals::QRFactors(owner, 2, 2, nullptr, beta), 0);
}

TEST(VelaMatrixQR, InverseOfThreeByTwoIsThePseudoInverse) {
  const VelaMatrix a(3, 2, Dense{1, 2, 3, 4, 5, 6}.data());
  VelaMatrix x;
  ASSERT_EQ(a.InverseQR(x), 1);
  ASSERT_EQ(x.GetNbOfRow(), 2);
  ASSERT_EQ(x.GetNbOfCol(), 3);
  const double expected[6] = {-4.0 / 3, -1.0 / 3, 2.0 / 3, 13.0 / 12, 1.0 / 3, -5.0 / 12};
  for (int e = 0; e < 6; ++e) EXPECT_NEAR(x.GetBuffer()[e], expected[e], 1e-14) << e;
}

TEST(VelaMatrixQR, InverseFailsOnWideDependentOrEmptyInput) {
  const VelaMatrix sentinel(2, 2, 9.0);
  VelaMatrix x = sentinel;
  EXPECT_EQ(VelaMatrix(2, 3, 1.0).InverseQR(x), 0);
  const VelaMatrix equalColumns(3, 2, Dense{1, 1, 2, 2, 3, 3}.data());
  EXPECT_EQ(equalColumns.InverseQR(x), 0);
  EXPECT_EQ(VelaMatrix(4, 3, 0.0).InverseQR(x), 0);
  EXPECT_EQ(VelaMatrix().InverseQR(x), 0);
  // A failure leaves the output as it was.
  EXPECT_TRUE(BitEqual(FromMatrix(x), FromMatrix(sentinel)));
  EXPECT_EQ(x.GetNbOfRow(), 2);
  // m x 0: nothing to invert, a 0 x m result.
  EXPECT_EQ(VelaMatrix(3, 0, 0.0).InverseQR(x), 1);
  EXPECT_EQ(x.GetNbOfRow(), 0);
  EXPECT_EQ(x.GetNbOfCol(), 3);
}

TEST(VelaMatrixQR, InverseIntoItself) {
  VelaMatrix a(3, 2, Dense{1, 2, 3, 4, 5, 6}.data());
  VelaMatrix expected;
  ASSERT_EQ(a.InverseQR(expected), 1);
  ASSERT_EQ(a.InverseQR(a), 1);
  EXPECT_TRUE(BitEqual(FromMatrix(a), FromMatrix(expected)));
}

TEST(VelaMatrixQR, InverseOfHugeFiniteEntriesWhoseNormOverflows) {
  // The squared column norms overflow, yet no entry is infinite: the steps
  // run as usual (no reflection is needed) and the inverse is exact.
  VelaMatrix a(2, 2, Dense{1e200, 0, 0, 4e200}.data());
  VelaMatrix x;
  ASSERT_EQ(a.InverseQR(x), 1);
  EXPECT_TRUE(BitEqual(FromMatrix(x), Dense{1 / 1e200, -0.0, 0, 1 / 4e200}));  // -(0 / d) is -0
}

// X A = I to a relative tolerance and A X symmetric (X is the pseudo-inverse
// of a full-rank A), and, near unit scale, bit-identical to the plain
// formulation.
void ExpectLeftInverse(int m, int n, const Dense& a, double tol, bool comparePlain = true) {
  VelaMatrix x;
  ASSERT_EQ(ToMatrix(m, n, a).InverseQR(x), 1);
  ASSERT_EQ(x.GetNbOfRow(), n);
  ASSERT_EQ(x.GetNbOfCol(), m);
  const Dense xd = FromMatrix(x);
  if (comparePlain) {
    EXPECT_TRUE(BitEqual(xd, PlainInverse(m, n, a)));
  }
  std::vector<double> colNorm(n, 0.0);
  for (int j = 0; j < n; ++j) {
    for (int i = 0; i < m; ++i) colNorm[j] += a[i * n + j] * a[i * n + j];
    colNorm[j] = std::sqrt(colNorm[j]);
  }
  double worst = 0.0;
  for (int r = 0; r < n; ++r) {
    const double rowNorm = RowNorm(&xd[r * m], m);
    for (int j = 0; j < n; ++j) {
      double s = 0.0;
      for (int i = 0; i < m; ++i) s += xd[r * m + i] * a[i * n + j];
      worst = std::max(worst, std::fabs(s - (r == j ? 1.0 : 0.0)) / (rowNorm * colNorm[j]));
    }
  }
  EXPECT_LE(worst, tol);
  double asym = 0.0;
  for (int i = 0; i < m; ++i)
    for (int k = 0; k < i; ++k) {
      double ik = 0.0, ki = 0.0;
      for (int j = 0; j < n; ++j) {
        ik += a[i * n + j] * xd[j * m + k];
        ki += a[k * n + j] * xd[j * m + i];
      }
      asym = std::max(asym, std::fabs(ik - ki));
    }
  EXPECT_LE(asym, 1e3 * tol);
}

// The skip test is scale-free: at 1e-30 every column still gets its
// reflection and the left inverse is that of the unit-scale matrix.
TEST(VelaMatrixQR, InverseOfASmallScaleMatrix) {
  for (double scale : {1.0, 1e-20, 1e-30, 1e-150}) {
    SCOPED_TRACE(scale);
    ExpectLeftInverse(3, 2, Dense{scale, scale, scale, 2 * scale, scale, 3 * scale}, 1e-15, scale == 1.0);
  }
}

TEST(VelaMatrixQR, InverseIsALeftInverseOverShapes) {
  std::mt19937_64 rng(77);
  for (int m : kSizes)
    for (int n : kSizes) {
      if (n > m) continue;
      SCOPED_TRACE(testing::Message() << m << " x " << n);
      Dense a = Make(rng, m, n, Kind::Random);
      ExpectLeftInverse(m, n, a, 1e-12);
      // Overall scale and column scales within 1e8 of each other.
      for (double scale : {1e-8, 1e8}) {
        Dense s = a;
        for (int e = 0; e < m * n; ++e) s[e] = a[e] * scale * std::pow(10.0, (e % n) % 9 - 4.0);
        ExpectLeftInverse(m, n, s, 1e-12);
      }
      // Far from unit scale, where squared norms leave the double range.
      for (int exponent : {-1000, 1000}) {
        Dense s = a;
        for (double& e : s) e = std::ldexp(e, exponent);
        ExpectLeftInverse(m, n, s, 1e-12, false);
      }
      if (n >= 2) {
        VelaMatrix x;
        EXPECT_EQ(ToMatrix(m, n, Make(rng, m, n, Kind::RankDeficient)).InverseQR(x), 0);
        // Columns 1e16 apart in norm fall under the relative rank tolerance.
        Dense wide = a;
        for (int i = 0; i < m; ++i) wide[i * n] *= 1e-8, wide[i * n + 1] *= 1e8;
        EXPECT_EQ(ToMatrix(m, n, wide).InverseQR(x), 0);
      }
      VelaMatrix x;
      EXPECT_EQ(ToMatrix(m, n, Make(rng, m, n, Kind::Zero)).InverseQR(x), 0);
    }
  // One large square and one large tall case.
  ExpectLeftInverse(300, 300, Make(rng, 300, 300, Kind::Random), 1e-12);
  ExpectLeftInverse(300, 120, Make(rng, 300, 120, Kind::Random), 1e-12);
}

TEST(VelaMatrixQR, OrthogonalizeDropsTheDependentRow) {
  VelaMatrix a(3, 2, Dense{1, 0, 1, 1, 2, 2}.data());
  double normSq[3] = {-1, -1, -1};
  EXPECT_EQ(a.Orthogonalize(1e-9, normSq), 2);
  EXPECT_TRUE(BitEqual(FromMatrix(a), Dense{1, 0, 0, 1, 0, 0}));
  EXPECT_EQ(normSq[0], 1.0);
  EXPECT_EQ(normSq[1], 1.0);
  EXPECT_EQ(normSq[2], 0.0);
}

TEST(VelaMatrixQR, OrthogonalizeEmptyShapes) {
  double normSq[2] = {5, 5};
  VelaMatrix noCols(2, 0, 0.0);
  EXPECT_EQ(noCols.Orthogonalize(1e-9, normSq), 0);
  EXPECT_EQ(normSq[0], 0.0);
  EXPECT_EQ(normSq[1], 0.0);
  VelaMatrix none;
  EXPECT_EQ(none.Orthogonalize(1e-9, nullptr), 0);
}

TEST(VelaMatrixQR, OrthogonalizeKeepsRankAndSpanOverShapes) {
  std::mt19937_64 rng(4242);
  const int shapes[][2] = {{1, 1}, {2, 3}, {3, 2}, {6, 6}, {7, 36}, {36, 7}, {37, 100}, {100, 37}, {36, 36}};
  for (const auto& shape : shapes) {
    const int m = shape[0], n = shape[1];
    for (Kind kind : {Kind::Random, Kind::RankDeficient, Kind::BadlyScaled, Kind::Zero}) {
      for (double scale : {1.0, 1e-8, 1e8}) {
        if (kind == Kind::BadlyScaled && scale != 1.0) continue;
        SCOPED_TRACE(testing::Message() << m << " x " << n << " kind " << static_cast<int>(kind) << " scale "
                                        << scale);
        Dense a = Make(rng, m, n, kind == Kind::BadlyScaled ? Kind::Random : kind);
        if (kind == Kind::BadlyScaled) {
          // Rows between 1e-3 and 1e3; the tolerance below stays far under
          // the smallest row's independent part.
          for (int i = 0; i < m; ++i)
            for (int j = 0; j < n; ++j) a[i * n + j] *= std::pow(10.0, i % 7 - 3.0);
        }
        for (double& e : a) e *= scale;
        const int rank = kind == Kind::Zero ? 0
                         : kind == Kind::RankDeficient ? DeficientRank(std::min(m, n))
                                                       : std::min(m, n);
        VelaMatrix q = ToMatrix(m, n, a);
        std::vector<double> normSq(m);
        const double tol = 1e-10 * scale;
        EXPECT_EQ(q.Orthogonalize(tol, normSq.data()), rank);
        // The scratch path gives the same rows.
        VelaMatrix q2 = ToMatrix(m, n, a);
        EXPECT_EQ(q2.Orthogonalize(tol, nullptr), rank);
        EXPECT_TRUE(BitEqual(FromMatrix(q), FromMatrix(q2)));
        EXPECT_EQ(q2.GetSize(), m * n);

        const Dense qd = FromMatrix(q);
        std::vector<int> kept;
        for (int i = 0; i < m; ++i) {
          const double* ri = &qd[i * n];
          if (normSq[i] < tol * tol) {
            EXPECT_EQ(MaxAbs(Dense(ri, ri + n)), 0.0) << "row " << i;
            continue;
          }
          EXPECT_EQ(normSq[i], DotN(ri, ri, n));
          for (int k : kept) {
            const double* rk = &qd[k * n];
            EXPECT_LE(std::fabs(DotN(ri, rk, n)), 1e-11 * RowNorm(ri, n) * RowNorm(rk, n)) << i << ", " << k;
          }
          kept.push_back(i);
        }
        // Every original row is the least-squares fit on the kept rows.
        for (int i = 0; i < m; ++i) {
          Dense res(a.begin() + i * n, a.begin() + (i + 1) * n);
          for (int k : kept) {
            const double* rk = &qd[k * n];
            const double c = DotN(res.data(), rk, n) / normSq[k];
            for (int j = 0; j < n; ++j) res[j] -= c * rk[j];
          }
          EXPECT_LE(RowNorm(res.data(), n), 1e-10 * scale + 1e-12 * RowNorm(&a[i * n], n)) << "row " << i;
        }
      }
    }
  }
}

// At 2^1000 every squared norm overflows, yet the rows and x come out as
// the unit-scale ones times 2^1000, bit for bit: the work runs at unit
// scale and only the absolute tolerances are read at the caller's.
TEST(VelaMatrixQR, OrthogonalizeAndMinimizeNormOfHugeRows) {
  std::mt19937_64 rng(4243);
  const int shapes[][2] = {{1, 1}, {2, 3}, {6, 6}, {7, 36}, {36, 37}};
  for (const auto& shape : shapes) {
    const int m = shape[0], n = shape[1];
    SCOPED_TRACE(testing::Message() << m << " x " << n);
    const Dense a = Make(rng, m, n, Kind::Random);
    Dense x(n);
    for (double& e : x) e = Uniform(rng, -2, 2);
    std::vector<int> levels(n);
    for (int j = 0; j < n; ++j) levels[j] = j % 2;
    auto huge = [](Dense d) {
      for (double& e : d) e = std::ldexp(e, 1000);
      return d;
    };
    VelaMatrix unit = ToMatrix(m, n, a), big = ToMatrix(m, n, huge(a));
    EXPECT_EQ(unit.Orthogonalize(0.0, nullptr), m);
    EXPECT_EQ(big.Orthogonalize(0.0, nullptr), m);
    EXPECT_TRUE(BitEqual(FromMatrix(big), huge(FromMatrix(unit))));

    unit = ToMatrix(m, n, a), big = ToMatrix(m, n, huge(a));
    Dense xUnit = x, xBig = huge(x);
    unsigned char flag = 1;
    int row = -1, level = -1;
    unit.MinimizeNorm(xUnit.data(), levels.data(), 0.0, 0.0, flag, row, level, nullptr);
    big.MinimizeNorm(xBig.data(), levels.data(), 0.0, 0.0, flag, row, level, nullptr);
    EXPECT_TRUE(BitEqual(xBig, huge(xUnit)));
    EXPECT_TRUE(BitEqual(FromMatrix(big), huge(FromMatrix(unit))));
  }
}

namespace {

// x minus its orthogonal projection onto the row space of the m x n matrix a,
// through an orthogonal basis of that space.
Dense RemoveRowSpace(int m, int n, const Dense& a, Dense x) {
  VelaMatrix q = ToMatrix(m, n, a);
  std::vector<double> normSq(m);
  q.Orthogonalize(1e-9, normSq.data());
  for (int k = 0; k < m; ++k) {
    if (normSq[k] < 1e-18) continue;
    const double* rk = q.GetRow(k);
    const double c = DotN(x.data(), rk, n) / normSq[k];
    for (int j = 0; j < n; ++j) x[j] -= c * rk[j];
  }
  return x;
}

struct StepResult {
  unsigned char flag;
  int row;
  int level;
};

}  // namespace

TEST(VelaMatrixQR, MinimizeNormOneLevelGivesTheMinimumNormCorrection) {
  std::mt19937_64 rng(99);
  const int shapes[][2] = {{1, 1}, {1, 3}, {2, 3}, {3, 3}, {6, 7}, {7, 36}, {36, 37}, {36, 100}, {37, 37}};
  for (const auto& shape : shapes) {
    const int m = shape[0], n = shape[1];
    for (Kind kind : {Kind::Random, Kind::RankDeficient, Kind::Zero}) {
      SCOPED_TRACE(testing::Message() << m << " x " << n << " kind " << static_cast<int>(kind));
      const Dense a = Make(rng, m, n, kind);
      Dense x(n);
      for (double& e : x) e = Uniform(rng, -2, 2);
      const std::vector<int> levels(n, 0);
      VelaMatrix work = ToMatrix(m, n, a);
      Dense r = x;
      unsigned char flag = 0;
      int row = -5, level = 3;
      work.MinimizeNorm(r.data(), levels.data(), 1e-9, 1e-9, flag, row, level, nullptr);
      EXPECT_EQ(flag, 0);  // full mode leaves the flag and the row alone
      EXPECT_EQ(row, -5);
      EXPECT_EQ(level, 0);  // and reports the level it started from
      const double xn = RowNorm(x.data(), n);
      // Orthogonal to every row of the original matrix ...
      for (int i = 0; i < m; ++i) EXPECT_LE(std::fabs(DotN(&a[i * n], r.data(), n)), 1e-11 * xn * RowNorm(&a[i * n], n));
      // ... and moved only within the row space: the same as removing x's
      // projection through an orthogonal basis.
      const Dense expected = RemoveRowSpace(m, n, a, x);
      for (int j = 0; j < n; ++j) EXPECT_NEAR(r[j], expected[j], 1e-11 * xn) << j;
    }
  }
}

TEST(VelaMatrixQR, MinimizeNormWorksFromTheHighestLevelDown) {
  // Level 1 holds columns 0 and 1. Both rows tie on it; the later one wins:
  // x = (1, 2, 5) - 2 (0, 1, 1) = (1, 0, 3), then - 1 (1, 0, 1) = (0, 0, 2).
  // A single level would give the projection (-1, 1, 1) / 3 instead.
  const Dense a = {1, 0, 1, 0, 1, 1};
  const int levels[3] = {1, 1, 0};
  VelaMatrix full = ToMatrix(2, 3, a);
  Dense x = {1, 2, 5};
  unsigned char flag = 0;
  int row = -1, level = -1;
  full.MinimizeNorm(x.data(), levels, 1e-9, 1e-9, flag, row, level, nullptr);
  EXPECT_TRUE(BitEqual(x, Dense{0, 0, 2}));
  EXPECT_EQ(level, 1);  // the level full mode started from

  // The same steps one call at a time.
  VelaMatrix stepped = ToMatrix(2, 3, a);
  VelaBoolArray used;
  Dense y = {1, 2, 5};
  flag = 1;
  level = -1;
  std::vector<StepResult> steps;
  for (int call = 0; call < 4; ++call) {
    row = -7;
    stepped.MinimizeNorm(y.data(), levels, 1e-9, 1e-9, flag, row, level, &used);
    steps.push_back({flag, row, level});
    if (call == 0) {
      EXPECT_TRUE(BitEqual(y, Dense{1, 0, 3}));
    }
  }
  EXPECT_EQ(steps[0].row, 1);
  EXPECT_EQ(steps[1].row, 0);
  for (int s = 0; s < 2; ++s) {
    EXPECT_EQ(steps[s].level, 1);
    EXPECT_EQ(steps[s].flag, 0);  // each step moved x by more than iTol1
  }
  // Nothing left at any level: row, flag and level untouched.
  EXPECT_EQ(steps[2].row, -7);
  EXPECT_EQ(steps[2].flag, 0);
  EXPECT_EQ(steps[2].level, 1);
  EXPECT_TRUE(BitEqual(y, Dense{0, 0, 2}));
  EXPECT_EQ(used.Size(), 2);
  EXPECT_EQ(used.Count(), 2);
}

TEST(VelaMatrixQR, MinimizeNormFlagSelectsTheTolerance) {
  // Level norm 0.01: a pivot under iTol1 = 1e-3 but not under iTol2 = 1.
  const Dense a = {0.1, 0};
  const int levels[2] = {0, 0};
  for (unsigned char startFlag : {0, 1}) {
    VelaMatrix m = ToMatrix(1, 2, a);
    VelaBoolArray used;
    Dense x = {1, 0};
    unsigned char flag = startFlag;
    int row = -1, level = -1;
    m.MinimizeNorm(x.data(), levels, 1e-3, 1.0, flag, row, level, &used);
    EXPECT_EQ(row, startFlag ? -1 : 0);
  }
  // A set flag survives a step that moves x by at most iTol1.
  const Dense b = {2, 0};
  VelaMatrix m = ToMatrix(1, 2, b);
  VelaBoolArray used;
  Dense x = {0, 5};
  unsigned char flag = 1;
  int row = -1, level = -1;
  m.MinimizeNorm(x.data(), levels, 1e-3, 1.0, flag, row, level, &used);
  EXPECT_EQ(row, 0);
  EXPECT_EQ(flag, 1);
  EXPECT_TRUE(BitEqual(x, Dense{0, 5}));
  // A move between iTol1 and iTol2 clears it.
  VelaMatrix m2 = ToMatrix(1, 2, b);
  VelaBoolArray used2;
  Dense x2 = {0.01, 5};
  m2.MinimizeNorm(x2.data(), levels, 1e-3, 1.0, flag, row, level, &used2);
  EXPECT_EQ(flag, 0);
}

TEST(VelaMatrixQR, MinimizeNormLeavesPivotRowsAlone) {
  // Row 1 becomes the level-0 pivot after row 0 served level 1; row 0 is no
  // longer updated although it has a level-0 component.
  VelaMatrix m(2, 2, Dense{1, 1, 0, 1}.data());
  const int levels[2] = {1, 0};
  Dense x = {2, 3};
  unsigned char flag = 0;
  int row = -1, level = -1;
  m.MinimizeNorm(x.data(), levels, 1e-9, 1e-9, flag, row, level, nullptr);
  EXPECT_TRUE(BitEqual(FromMatrix(m), Dense{1, 1, 0, 1}));
  EXPECT_TRUE(BitEqual(x, Dense{0, 0}));
}

TEST(VelaMatrixQR, MinimizeNormResetsTheFlagOnEachLevel) {
  // Row 0 clears level 1 and clears the flag; level 0's row (norm 0.25) is a
  // pivot only under iTol1 = 1e-3. Full mode restarts each level with the
  // flag passed in, single steps with a set flag.
  const Dense a = {1, 0, 0, 0.5};
  const int levels[2] = {1, 0};
  const Dense expected[3] = {{0, 0}, {0, 1}, {0, 1}};  // full 0, full 1, stepped 0
  for (int mode = 0; mode < 3; ++mode) {
    SCOPED_TRACE(mode);
    VelaMatrix m = ToMatrix(2, 2, a);
    VelaBoolArray used;
    Dense x = {1, 1};
    unsigned char flag = mode == 1 ? 1 : 0;
    int row = -1, level = -1;
    if (mode < 2) {
      m.MinimizeNorm(x.data(), levels, 1e-3, 1.0, flag, row, level, nullptr);
    } else {
      for (int call = 0; call < 3; ++call) m.MinimizeNorm(x.data(), levels, 1e-3, 1.0, flag, row, level, &used);
      EXPECT_EQ(used.Count(), 1);
    }
    EXPECT_TRUE(BitEqual(x, expected[mode]));
  }
}

TEST(VelaMatrixQR, MinimizeNormSingleStepsEqualFullMode) {
  std::mt19937_64 rng(314);
  const int shapes[][2] = {{1, 2}, {3, 3}, {6, 7}, {7, 12}, {36, 37}, {37, 100}};
  for (const auto& shape : shapes) {
    const int m = shape[0], n = shape[1];
    SCOPED_TRACE(testing::Message() << m << " x " << n);
    const Dense a = Make(rng, m, n, Kind::Random);
    std::vector<int> levels(n);
    for (int& l : levels) l = static_cast<int>(rng() % 3) * 2;  // levels 0, 2, 4 (1 and 3 empty)
    Dense x(n);
    for (double& e : x) e = Uniform(rng, -1, 1);

    VelaMatrix full = ToMatrix(m, n, a);
    Dense xf = x;
    unsigned char flag = 1;
    int row = 0, level = 0;
    full.MinimizeNorm(xf.data(), levels.data(), 1e-9, 1e-6, flag, row, level, nullptr);

    VelaMatrix stepped = ToMatrix(m, n, a);
    Dense xs = x;
    VelaBoolArray used(m, 0);
    flag = 1;
    level = -1;
    int steps = 0;
    for (;; ++steps) {
      row = -1;
      stepped.MinimizeNorm(xs.data(), levels.data(), 1e-9, 1e-6, flag, row, level, &used);
      if (row < 0) break;
      ASSERT_LE(steps, m);
    }
    EXPECT_EQ(steps, used.Count());
    EXPECT_TRUE(BitEqual(xs, xf));
    EXPECT_TRUE(BitEqual(FromMatrix(stepped), FromMatrix(full)));
  }
}

TEST(VelaMatrixQR, MinimizeNormIgnoresMissingInput) {
  VelaMatrix a(2, 2, 1.0);
  Dense x = {3, 4};
  const int levels[2] = {0, 0};
  unsigned char flag = 1;
  int row = -1, level = 2;
  a.MinimizeNorm(nullptr, levels, 1e-9, 1e-9, flag, row, level, nullptr);
  a.MinimizeNorm(x.data(), nullptr, 1e-9, 1e-9, flag, row, level, nullptr);
  EXPECT_TRUE(BitEqual(FromMatrix(a), Dense(4, 1.0)));
  EXPECT_TRUE(BitEqual(x, Dense{3, 4}));
  VelaMatrix empty;
  empty.MinimizeNorm(x.data(), levels, 1e-9, 1e-9, flag, row, level, nullptr);
  EXPECT_TRUE(BitEqual(x, Dense{3, 4}));
  // Huge level numbers are stepped over, not counted down one by one.
  const int far[2] = {2000000000, -3};
  VelaMatrix b(1, 2, Dense{0, 1}.data());
  b.MinimizeNorm(x.data(), far, 1e-9, 1e-9, flag, row, level, nullptr);
  EXPECT_TRUE(BitEqual(x, Dense{3, 4}));
}

TEST(VelaMatrixQR, NonFiniteEntriesReturnFlags) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  for (double bad : {nan, inf, -inf}) {
    for (int pos : {0, 4, 8}) {
      SCOPED_TRACE(testing::Message() << bad << " at " << pos);
      Dense a = {4, 1, 0, 1, 3, 1, 0, 1, 2};
      a[pos] = bad;
      const Factors f = Factor(3, 3, a);
      EXPECT_EQ(f.flag, 0);
      VelaMatrix x(2, 2, 9.0);
      EXPECT_EQ(ToMatrix(3, 3, a).InverseQR(x), 0);
      EXPECT_EQ(x.GetNbOfRow(), 2);

      VelaMatrix o = ToMatrix(3, 3, a);
      const int kept = o.Orthogonalize(1e-9, nullptr);
      EXPECT_GE(kept, 0);
      EXPECT_LE(kept, 3);

      VelaMatrix mn = ToMatrix(3, 3, a);
      Dense x3 = {1, bad, 2};
      const int levels[3] = {1, 0, 1};
      unsigned char flag = 0;
      int row = -1, level = -1;
      mn.MinimizeNorm(x3.data(), levels, 1e-9, 1e-9, flag, row, level, nullptr);
      VelaBoolArray used;
      for (int call = 0; call < 10; ++call) {
        row = -1;
        mn.MinimizeNorm(x3.data(), levels, 1e-9, 1e-9, flag, row, level, &used);
        if (row < 0) break;
        ASSERT_LT(call, 3);  // at most one step per row
      }
    }
  }
}
