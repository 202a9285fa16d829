// Singular value decomposition members of VelaMatrix: the documented exact
// cases, empty shapes, non-finite input, and property checks over sizes,
// shapes and matrix families (reconstruction, orthonormality, agreement with
// the eigenvalues of the Gram matrix, minimum-norm least squares, kernel and
// inverse).
#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "support/PlainSvd.h"
#include "vela/linalg/VelaMatrix.h"

namespace {

// Portable fixed-seed generator, uniform in [-1, 1).
class Rng {
 public:
  explicit Rng(std::uint64_t seed) : state_(seed) {}
  double Next() {
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<double>(state_ >> 11) * (2.0 / 9007199254740992.0) - 1.0;
  }

 private:
  std::uint64_t state_;
};

enum Family { kRandom, kRankDeficient, kIndefinite, kBadlyScaled, kZero, kSmallInteger, kTiny, kHuge };
const char* const kFamilyNames[] = {"random",        "rank-deficient", "indefinite", "badly scaled",
                                    "zero",          "small integer",  "tiny",       "huge"};
const Family kFamilies[] = {kRandom, kRankDeficient, kIndefinite, kBadlyScaled, kZero, kSmallInteger, kTiny, kHuge};

// Tiny and huge matrices are random ones times 2^-1000 and 2^1000.
int ScaleExponent(Family family) { return family == kTiny ? -1000 : family == kHuge ? 1000 : 0; }

VelaMatrix RandomMatrix(int m, int n, Rng& rng) {
  VelaMatrix a(m, n, 0.0);
  for (int i = 0; i < m; ++i)
    for (int j = 0; j < n; ++j) a(i, j) = rng.Next();
  return a;
}

VelaMatrix Make(Family family, int m, int n, Rng& rng) {
  VelaMatrix a = RandomMatrix(m, n, rng);
  const int p = std::min(m, n);
  if (family == kRankDeficient) {  // product of m x r and r x n factors
    const int r = p / 2;
    const VelaMatrix b = RandomMatrix(m, r, rng);
    const VelaMatrix c = RandomMatrix(r, n, rng);
    a.SetZero();
    for (int i = 0; i < m; ++i)
      for (int j = 0; j < n; ++j)
        for (int k = 0; k < r; ++k) a(i, j) += b(i, k) * c(k, j);
  } else if (family == kIndefinite) {  // symmetric leading block, diagonal +-2
    for (int i = 0; i < p; ++i) {
      for (int j = 0; j < i; ++j) a(j, i) = a(i, j);
      a(i, i) = (i % 2 == 0) ? 2.0 : -2.0;
    }
  } else if (family == kBadlyScaled) {  // magnitudes from 1e-8 to 1e8
    for (int i = 0; i < m; ++i)
      for (int j = 0; j < n; ++j) a(i, j) *= std::pow(10.0, 8.0 * rng.Next());
  } else if (family == kZero) {
    a.SetZero();
  } else if (family == kSmallInteger) {  // -3 .. 3: ties and exact zeros
    for (int e = 0; e < a.GetSize(); ++e) a.GetBuffer()[e] = std::round(3.5 * rng.Next() - 0.5);
  }
  for (int e = 0; e < a.GetSize(); ++e) a.GetBuffer()[e] = std::ldexp(a.GetBuffer()[e], ScaleExponent(family));
  return a;
}

struct Svd {
  VelaMatrix u;
  std::vector<double> s;
  VelaMatrix v;
  unsigned char ok = 0;
};

Svd Decompose(const VelaMatrix& a) {
  Svd r;
  r.s.assign(static_cast<std::size_t>(a.GetNbOfCol()), -1.0);
  r.ok = a.FactorisationSVD(r.u, r.s.data(), r.v);
  return r;
}

double Frobenius(const VelaMatrix& a) { return VelaMatrix::Norm2(a.GetSize(), a.GetBuffer()); }

VelaMatrix Transposed(const VelaMatrix& a) {
  VelaMatrix t(a.GetNbOfCol(), a.GetNbOfRow(), 0.0);
  for (int i = 0; i < a.GetNbOfRow(); ++i)
    for (int j = 0; j < a.GetNbOfCol(); ++j) t(j, i) = a(i, j);
  return t;
}

// || U diag(S) Vᵀ - A ||_F
double ReconstructionError(const VelaMatrix& a, const Svd& d) {
  const int n = a.GetNbOfCol();
  std::vector<double> us(static_cast<std::size_t>(n));
  double sum = 0.0;
  for (int i = 0; i < a.GetNbOfRow(); ++i) {
    for (int k = 0; k < n; ++k) us[static_cast<std::size_t>(k)] = d.u(i, k) * d.s[static_cast<std::size_t>(k)];
    for (int j = 0; j < n; ++j) {
      const double x = VelaVector::ScalarProduct(n, us.data(), d.v.GetRow(j)) - a(i, j);
      sum += x * x;
    }
  }
  return std::sqrt(sum);
}

// max | Q Qᵀ - I |
double RowOrthonormalityError(const VelaMatrix& q) {
  double worst = 0.0;
  for (int a = 0; a < q.GetNbOfRow(); ++a)
    for (int b = a; b < q.GetNbOfRow(); ++b) {
      const double dot = VelaVector::ScalarProduct(q.GetNbOfCol(), q.GetRow(a), q.GetRow(b));
      worst = std::max(worst, std::fabs(dot - (a == b ? 1.0 : 0.0)));
    }
  return worst;
}

// Eigenvalues of AᵀA by cyclic Jacobi rotations, ascending: an independent
// route to the squared singular values.
std::vector<double> GramEigenvalues(const VelaMatrix& a) {
  const int n = a.GetNbOfCol();
  VelaMatrix g(n, n, 0.0);
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j)
      for (int k = 0; k < a.GetNbOfRow(); ++k) g(i, j) += a(k, i) * a(k, j);
  for (int sweep = 0; sweep < 60; ++sweep) {
    double off = 0.0;
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j) off += (i == j) ? 0.0 : g(i, j) * g(i, j);
    if (off <= 1e-32 * Frobenius(g) * Frobenius(g)) break;
    for (int p = 0; p < n; ++p)
      for (int q = p + 1; q < n; ++q) {
        if (g(p, q) == 0.0) continue;
        const double theta = (g(q, q) - g(p, p)) / (2.0 * g(p, q));
        const double t = (theta >= 0 ? 1.0 : -1.0) / (std::fabs(theta) + std::sqrt(theta * theta + 1.0));
        const double c = 1.0 / std::sqrt(t * t + 1.0);
        const double s = t * c;
        for (int k = 0; k < n; ++k) {
          const double gkp = g(k, p), gkq = g(k, q);
          g(k, p) = c * gkp - s * gkq;
          g(k, q) = s * gkp + c * gkq;
        }
        for (int k = 0; k < n; ++k) {
          const double gpk = g(p, k), gqk = g(q, k);
          g(p, k) = c * gpk - s * gqk;
          g(q, k) = s * gpk + c * gqk;
        }
      }
  }
  std::vector<double> eig;
  for (int i = 0; i < n; ++i) eig.push_back(g(i, i));
  std::sort(eig.begin(), eig.end());
  return eig;
}

// Every property of one decomposition, with tolerances relative to ||A||.
// A matrix far from unit scale (2^exponent times a unit-scale one) is
// measured at unit scale, where its squares are representable.
void CheckDecomposition(const VelaMatrix& scaled, bool compareWithGram, int exponent = 0) {
  VelaMatrix a = scaled;
  for (int e = 0; e < a.GetSize(); ++e) a.GetBuffer()[e] = std::ldexp(a.GetBuffer()[e], -exponent);
  const int m = a.GetNbOfRow();
  const int n = a.GetNbOfCol();
  Svd d = Decompose(scaled);
  for (double& s : d.s) s = std::ldexp(s, -exponent);
  ASSERT_EQ(d.ok, 1);
  ASSERT_EQ(d.u.GetNbOfRow(), m);
  ASSERT_EQ(d.u.GetNbOfCol(), n);
  ASSERT_EQ(d.v.GetNbOfRow(), n);
  ASSERT_EQ(d.v.GetNbOfCol(), n);
  const double norm = Frobenius(a);
  EXPECT_LE(ReconstructionError(a, d), 1e-12 * norm);
  for (double s : d.s) EXPECT_GE(s, 0.0);
  EXPECT_LE(RowOrthonormalityError(Transposed(d.v)), 1e-12);
  if (compareWithGram) {
    std::vector<double> squares;
    for (double s : d.s) squares.push_back(s * s);
    std::sort(squares.begin(), squares.end());
    const std::vector<double> eig = GramEigenvalues(a);
    for (std::size_t i = 0; i < eig.size(); ++i) EXPECT_NEAR(squares[i], eig[i], 1e-12 * norm * norm) << i;
  }
  if (m >= n) {
    // Even the columns of zero singular values are orthonormal: they come
    // from the accumulated reflectors, not from A v / s.
    EXPECT_LE(RowOrthonormalityError(Transposed(d.u)), 1e-12);
    return;
  }
  // U is the top m rows of an orthogonal n x n matrix: its rows are
  // orthonormal, and so are its columns of clearly non-zero values; the
  // padding contributes at least n - m zero values.
  EXPECT_LE(RowOrthonormalityError(d.u), 1e-12);
  const double smax = *std::max_element(d.s.begin(), d.s.end());
  const VelaMatrix ut = Transposed(d.u);
  VelaMatrix significant(0, m, 0.0);
  int zeros = 0;
  for (int j = 0; j < n; ++j) {
    if (d.s[static_cast<std::size_t>(j)] > 1e-3 * smax) significant.AppendRow(ut.GetRow(j));
    zeros += (d.s[static_cast<std::size_t>(j)] <= 1e-13 * smax) ? 1 : 0;
  }
  EXPECT_LE(RowOrthonormalityError(significant), 1e-10);
  EXPECT_GE(zeros, n - m);
}

// ---- Exact cases ------------------------------------------------------------------

TEST(VelaMatrixSVD, DiagonalWithNegativeEntryMovesTheSignIntoV) {
  const double values[] = {3.0, 0.0, 0.0, -2.0};
  const VelaMatrix a(2, 2, values);
  const Svd d = Decompose(a);
  ASSERT_EQ(d.ok, 1);
  EXPECT_EQ(d.s, (std::vector<double>{3.0, 2.0}));
  EXPECT_LE(ReconstructionError(a, d), 1e-15);
  // Each column of U is A v / s: the sign lives in V, not in S.
  for (int j = 0; j < 2; ++j)
    for (int i = 0; i < 2; ++i)
      EXPECT_DOUBLE_EQ(d.u(i, j), (a(i, 0) * d.v(0, j) + a(i, 1) * d.v(1, j)) / d.s[static_cast<std::size_t>(j)]);
}

TEST(VelaMatrixSVD, SingularValuesAreLeftUnsorted) {
  const double values[] = {1.0, 0.0, 0.0, 0.0, 2.0, 0.0, 0.0, 0.0, 3.0};
  EXPECT_EQ(Decompose(VelaMatrix(3, 3, values)).s, (std::vector<double>{1.0, 2.0, 3.0}));
}

TEST(VelaMatrixSVD, ZeroingIsRelativeToTheLargestValue) {
  double s[] = {1.0, 1e-9};
  VelaMatrix(1, 2, 0.0).ZeroingSVD(s, -1.0);  // threshold 2e-8
  EXPECT_EQ(s[0], 1.0);
  EXPECT_EQ(s[1], 0.0);
  double relative[] = {0.5e-3, 1.0, 2e-3, 3e-8};
  VelaMatrix(1, 3, 0.0).ZeroingSVD(relative, 1e-3);  // cols entries only
  EXPECT_EQ(relative[0], 0.0);
  EXPECT_EQ(relative[1], 1.0);
  EXPECT_EQ(relative[2], 2e-3);
  EXPECT_EQ(relative[3], 3e-8);
}

TEST(VelaMatrixSVD, SolveAndKernelOfAllOnes) {
  VelaMatrix square(2, 2, 1.0);
  const double b[] = {2.0, 2.0};
  double x[] = {0.0, 0.0};
  ASSERT_EQ(square.SolveSVD(b, x, 1e-10), 1);
  EXPECT_NEAR(x[0], 1.0, 1e-14);
  EXPECT_NEAR(x[1], 1.0, 1e-14);

  VelaMatrix row(1, 2, 1.0);
  VelaMatrix k;
  ASSERT_EQ(row.KernelSVD(k, 1e-10), 1);
  ASSERT_EQ(k.GetNbOfRow(), 1);
  ASSERT_EQ(k.GetNbOfCol(), 2);
  const double sign = k(0, 0) > 0 ? 1.0 : -1.0;
  EXPECT_NEAR(sign * k(0, 0), 1.0 / std::sqrt(2.0), 1e-15);
  EXPECT_NEAR(sign * k(0, 1), -1.0 / std::sqrt(2.0), 1e-15);
}

TEST(VelaMatrixSVD, ResolveSkipsZeroValuesAndFlushesTinyEntries) {
  const VelaMatrix id(2);
  const double b[] = {4.0, 5.0};
  double x[2] = {9.0, 9.0};
  const double s[] = {2.0, 0.0};
  id.ResolveSVD(id, s, id, b, x);
  EXPECT_EQ(x[0], 2.0);
  EXPECT_EQ(x[1], 0.0);
  const double tinyB[] = {1e-11, 3.0};  // 1e-11 / 1e10 is below 1e-20
  const double big[] = {1e10, 1.0};
  id.ResolveSVD(id, big, id, tinyB, x);
  EXPECT_EQ(x[0], 0.0);
  EXPECT_EQ(x[1], 3.0);
  double shared[] = {4.0, 5.0};  // b and x may share storage
  id.ResolveSVD(id, s, id, shared, shared);
  EXPECT_EQ(shared[0], 2.0);
  EXPECT_EQ(shared[1], 0.0);
}

// ---- Empty shapes, aliasing, inverse and failures ---------------------------------

TEST(VelaMatrixSVD, EmptyShapes) {
  VelaMatrix noCols(3, 0, 0.0);
  VelaMatrix u(2, 2, 7.0);
  VelaMatrix v(1, 1, 7.0);
  double s[] = {7.0, 7.0, 7.0};
  EXPECT_EQ(noCols.FactorisationSVD(u, s, v), 1);  // writes nothing
  EXPECT_EQ(u.GetNbOfRow(), 2);
  EXPECT_EQ(u(1, 1) + v(0, 0) + s[0], 21.0);
  EXPECT_EQ(noCols.SolveSVD(nullptr, s, 1e-10), 1);
  EXPECT_EQ(s[0], 7.0);
  EXPECT_EQ(noCols.KernelSVD(v, 1e-10), 1);
  EXPECT_EQ(v(0, 0), 7.0);
  EXPECT_EQ(VelaMatrix().InverseSVD(v), 1);
  EXPECT_EQ(v.GetSize(), 0);

  VelaMatrix noRows(0, 3, 0.0);
  const Svd d = Decompose(noRows);
  ASSERT_EQ(d.ok, 1);
  EXPECT_EQ(d.u.GetNbOfRow(), 0);
  EXPECT_EQ(d.u.GetNbOfCol(), 3);
  EXPECT_EQ(d.s, (std::vector<double>{0.0, 0.0, 0.0}));
  EXPECT_LE(RowOrthonormalityError(d.v), 0.0);
  EXPECT_EQ(noRows.SolveSVD(nullptr, s, 1e-10), 1);
  EXPECT_EQ(s[0] + s[1] + s[2], 0.0);
  EXPECT_EQ(noRows.KernelSVD(u, 1e-10), 1);
  EXPECT_EQ(u(1, 1), 7.0);
  double out[] = {7.0, 7.0};
  noRows.ResolveSVD(VelaMatrix(0, 2, 0.0), nullptr, VelaMatrix(2), nullptr, out);
  EXPECT_EQ(out[0] + out[1], 0.0);
}

TEST(VelaMatrixSVD, FactorisationIntoItselfMatchesSeparateOutput) {
  Rng rng(11);
  for (int m : {5, 8, 3}) {
    VelaMatrix a = RandomMatrix(m, 5, rng);
    const Svd separate = Decompose(a);
    std::vector<double> s(5);
    VelaMatrix v;
    ASSERT_EQ(a.FactorisationSVD(a, s.data(), v), 1);
    EXPECT_EQ(s, separate.s);
    ASSERT_EQ(a.GetNbOfRow(), m);
    for (int p = 0; p < a.GetSize(); ++p) EXPECT_EQ(a.GetBuffer()[p], separate.u.GetBuffer()[p]);
  }
}

TEST(VelaMatrixSVD, InverseOfNonSquareFailsAndOfSingularIsNotFinite) {
  VelaMatrix inv(1, 1, 7.0);
  EXPECT_EQ(VelaMatrix(2, 3, 1.0).InverseSVD(inv), 0);
  EXPECT_EQ(inv.GetNbOfRow(), 1);
  EXPECT_EQ(inv(0, 0), 7.0);
  const double singular[] = {2.0, 0.0, 0.0, 0.0};
  EXPECT_EQ(VelaMatrix(2, 2, singular).InverseSVD(inv), 1);
  EXPECT_EQ(inv.GetSize(), 4);
  EXPECT_FALSE(std::isfinite(Frobenius(inv)));
}

// Entries far below the largest (a subnormal one, or DBL_MIN among small
// integers) once overflowed a reciprocal into U and V behind a success flag.
TEST(VelaMatrixSVD, EntriesFarBelowTheLargestGiveAFiniteDecomposition) {
  const double wide[] = {1.0, 1e-310};
  const double tall[] = {1, DBL_MIN, 2, DBL_MIN, -2, DBL_MIN, DBL_MIN, 1, -3, DBL_MIN, 0, DBL_MIN};
  for (VelaMatrix a : {VelaMatrix(1, 2, wide), VelaMatrix(6, 2, tall)}) {
    SCOPED_TRACE(a.GetNbOfRow());
    CheckDecomposition(a, false);
    VelaMatrix kernel;
    ASSERT_EQ(a.KernelSVD(kernel, 1e-10), 1);
    EXPECT_TRUE(std::isfinite(Frobenius(kernel)));
    double x[2];
    const double b[6] = {1, 1, 1, 1, 1, 1};
    ASSERT_EQ(a.SolveSVD(b, x, 1e-10), 1);
    EXPECT_TRUE(std::isfinite(x[0]) && std::isfinite(x[1]));
  }
}

TEST(VelaMatrixSVD, NonFiniteEntriesFailWithoutHanging) {
  const int shapes[][2] = {{1, 1}, {2, 2}, {3, 3}, {7, 5}, {2, 5}, {36, 36}};
  for (const auto& shape : shapes) {
    for (double bad : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                       -std::numeric_limits<double>::infinity()}) {
      Rng rng(5);
      VelaMatrix a = RandomMatrix(shape[0], shape[1], rng);
      a(shape[0] / 2, shape[1] - 1) = bad;
      SCOPED_TRACE(std::to_string(shape[0]) + "x" + std::to_string(shape[1]) + " " + std::to_string(bad));
      EXPECT_EQ(Decompose(a).ok, 0);
      // Failures propagate and leave the outputs alone.
      std::vector<double> b(static_cast<std::size_t>(shape[0]), 1.0);
      std::vector<double> x(static_cast<std::size_t>(shape[1]), 7.0);
      EXPECT_EQ(a.SolveSVD(b.data(), x.data(), 1e-10), 0);
      EXPECT_EQ(x[0], 7.0);
      VelaMatrix kernel(1, 1, 7.0);
      EXPECT_EQ(a.KernelSVD(kernel, 1e-10), 0);
      EXPECT_EQ(kernel(0, 0), 7.0);
      VelaMatrix inv;
      if (shape[0] == shape[1]) {
        EXPECT_EQ(a.InverseSVD(inv), 0);
        EXPECT_EQ(inv.GetNbOfRow(), shape[0]);
      }
    }
  }
}

// ---- Properties over sizes, shapes and families ----------------------------------

TEST(VelaMatrixSVD, DecompositionPropertiesOverSizesShapesAndFamilies) {
  Rng rng(2024);
  for (int size : {1, 2, 3, 6, 7, 36, 37, 100}) {
    const int shapes[][2] = {{size, size}, {size + size / 2 + 1, size}, {size, size + size / 3 + 1}};
    for (const auto& shape : shapes) {
      for (Family family : kFamilies) {
        const VelaMatrix a = Make(family, shape[0], shape[1], rng);
        SCOPED_TRACE(std::string(kFamilyNames[family]) + " " + std::to_string(shape[0]) + "x" +
                     std::to_string(shape[1]));
        CheckDecomposition(a, size <= 37, ScaleExponent(family));
      }
    }
  }
  CheckDecomposition(RandomMatrix(300, 300, rng), false);
}

// The library reorganises the loops for speed but must keep every
// operation of the method and its order: U, S, V and the flag are those of
// the plain transcription, bit for bit (square and tall shapes, where the
// plain version applies).
TEST(VelaMatrixSVD, FactorsAreBitIdenticalToThePlainMethod) {
  Rng rng(77);
  for (int size : {1, 2, 3, 6, 7, 36, 37}) {
    for (int m : {size, size + size / 2 + 1}) {
      for (Family family : {kRandom, kRankDeficient, kIndefinite, kBadlyScaled, kZero, kSmallInteger}) {
        const VelaMatrix a = Make(family, m, size, rng);
        SCOPED_TRACE(std::string(kFamilyNames[family]) + " " + std::to_string(m) + "x" + std::to_string(size));
        VelaMatrix u, v;
        std::vector<double> s(size), plainS(size), plainV(static_cast<std::size_t>(size) * size);
        std::vector<double> plainU(a.GetBuffer(), a.GetBuffer() + a.GetSize());
        const bool ok = a.FactorisationSVD(u, s.data(), v) != 0;
        ASSERT_EQ(ok, vela::test::PlainSVD(m, size, plainU.data(), plainS.data(), plainV.data()));
        EXPECT_EQ(std::memcmp(u.GetBuffer(), plainU.data(), plainU.size() * sizeof(double)), 0);
        EXPECT_EQ(std::memcmp(s.data(), plainS.data(), s.size() * sizeof(double)), 0);
        EXPECT_EQ(std::memcmp(v.GetBuffer(), plainV.data(), plainV.size() * sizeof(double)), 0);
      }
    }
  }
}

TEST(VelaMatrixSVD, WideAndTallPathsAgreeOnTheValues) {
  Rng rng(77);
  for (int size : {1, 2, 3, 6, 7, 36, 37}) {
    for (Family family : {kRandom, kRankDeficient, kBadlyScaled}) {
      const VelaMatrix a = Make(family, size, size + 3, rng);
      SCOPED_TRACE(std::string(kFamilyNames[family]) + " " + std::to_string(size));
      Svd wide = Decompose(a);
      Svd tall = Decompose(Transposed(a));
      ASSERT_EQ(wide.ok + tall.ok, 2);
      std::sort(wide.s.rbegin(), wide.s.rend());
      std::sort(tall.s.rbegin(), tall.s.rend());
      const double tol = 1e-13 * std::max(1.0, wide.s[0]) * size;
      for (std::size_t i = 0; i < tall.s.size(); ++i) EXPECT_NEAR(wide.s[i], tall.s[i], tol) << i;
      for (std::size_t i = tall.s.size(); i < wide.s.size(); ++i) EXPECT_LE(wide.s[i], tol) << i;
    }
  }
}

// The kernel has n - rank orthonormal rows annihilated by A; x is the
// minimum-norm least-squares solution when the residual is orthogonal to
// the range of A and x to the kernel.
TEST(VelaMatrixSVD, SolveAndKernelOverShapes) {
  Rng rng(31);
  for (int size : {1, 2, 3, 6, 7, 36, 37, 100}) {
    const int shapes[][2] = {{size, size}, {size + 4, size}, {size, size + 4}};
    for (const auto& shape : shapes) {
      for (Family family : {kRandom, kRankDeficient}) {
        const int m = shape[0];
        const int n = shape[1];
        VelaMatrix a = Make(family, m, n, rng);
        const int rank = family == kRandom ? std::min(m, n) : std::min(m, n) / 2;
        SCOPED_TRACE(std::string(kFamilyNames[family]) + " " + std::to_string(m) + "x" + std::to_string(n));
        VelaMatrix kernel;
        ASSERT_EQ(a.KernelSVD(kernel, 1e-10), 1);
        ASSERT_EQ(kernel.GetNbOfRow(), n - rank);
        ASSERT_EQ(kernel.GetNbOfCol(), n);
        EXPECT_LE(RowOrthonormalityError(kernel), 1e-12);
        const double norm = Frobenius(a);
        for (int k = 0; k < kernel.GetNbOfRow(); ++k)
          for (int i = 0; i < m; ++i)
            EXPECT_LE(std::fabs(VelaVector::ScalarProduct(n, a.GetRow(i), kernel.GetRow(k))), 1e-12 * norm);

        std::vector<double> b(static_cast<std::size_t>(m));
        for (double& bi : b) bi = rng.Next();
        std::vector<double> x(static_cast<std::size_t>(n), 0.0);
        ASSERT_EQ(a.SolveSVD(b.data(), x.data(), 1e-10), 1);
        const double xNorm = VelaMatrix::Norm2(n, x.data());
        const VelaMatrix at = Transposed(a);
        std::vector<double> r(b);
        for (int i = 0; i < m; ++i) r[static_cast<std::size_t>(i)] -= VelaVector::ScalarProduct(n, a.GetRow(i), x.data());
        for (int j = 0; j < n; ++j)
          EXPECT_LE(std::fabs(VelaVector::ScalarProduct(m, at.GetRow(j), r.data())),
                    1e-11 * norm * (norm * xNorm + VelaMatrix::Norm2(m, b.data())));
        for (int k = 0; k < kernel.GetNbOfRow(); ++k)
          EXPECT_LE(std::fabs(VelaVector::ScalarProduct(n, kernel.GetRow(k), x.data())), 1e-10 * xNorm);
      }
    }
  }
}

TEST(VelaMatrixSVD, InverseTimesAIsTheIdentity) {
  Rng rng(59);
  for (int n : {1, 2, 3, 6, 7, 36, 37, 100}) {
    for (Family family : {kRandom, kIndefinite}) {
      const VelaMatrix a = Make(family, n, n, rng);
      SCOPED_TRACE(std::string(kFamilyNames[family]) + " " + std::to_string(n));
      const Svd d = Decompose(a);
      const double cond = *std::max_element(d.s.begin(), d.s.end()) / *std::min_element(d.s.begin(), d.s.end());
      VelaMatrix inv;
      ASSERT_EQ(a.InverseSVD(inv), 1);
      ASSERT_EQ(inv.GetNbOfRow(), n);
      ASSERT_EQ(inv.GetNbOfCol(), n);
      const VelaMatrix at = Transposed(a);
      double worst = 0.0;
      for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
          const double x = VelaVector::ScalarProduct(n, inv.GetRow(i), at.GetRow(j));
          worst = std::max(worst, std::fabs(x - (i == j ? 1.0 : 0.0)));
        }
      EXPECT_LE(worst, 1e-14 * n * cond);
    }
  }
}

}  // namespace
