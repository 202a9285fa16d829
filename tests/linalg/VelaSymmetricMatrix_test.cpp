#include "vela/linalg/VelaSymmetricMatrix.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iostream>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "support/InternalMode.h"
#include "vela/config/VelaGlobalParameters.h"
#include "vela/streams/VelaStream.h"
#include "support/TestSupport.h"

namespace {

// Opens the protected factorisation members and the stored factors.
class InspectableSymmetric : public VelaSymmetricMatrix {
 public:
  using VelaSymmetricMatrix::VelaSymmetricMatrix;
  using VelaSymmetricMatrix::GetFactor;
  using VelaSymmetricMatrix::GetPermutation;
  using VelaSymmetricMatrix::GetPivotKinds;
  using VelaSymmetricMatrix::RunFactorisation;
  using VelaSymmetricMatrix::SymmetricPivot;
};

std::size_t Packed(int n) { return static_cast<std::size_t>(n) * (n + 1) / 2; }
double Sym(const std::vector<double>& p, int i, int j) {
  return i >= j ? p[Packed(i) + j] : p[Packed(j) + i];
}

enum class Kind { kIndefinite, kZeroDiagonal, kBadlyScaled, kPositiveDefinite, kSmallInteger, kTiny, kHuge };

// Packed lower triangle of a random symmetric matrix of the given kind.
// Small integers (-3 .. 3) bring ties and exact zeros into every pivot
// test; tiny and huge ones (zero diagonal, off-diagonal entries times
// 2^-1000 or 2^1000) put the products of two entries that the pivot tests
// compare out of range.
std::vector<double> RandomPacked(int n, Kind kind, std::mt19937& rng) {
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  std::vector<double> p(Packed(n));
  if (kind == Kind::kSmallInteger) {
    std::uniform_int_distribution<int> small(-3, 3);
    for (double& x : p) x = small(rng);
    return p;
  }
  if (kind == Kind::kTiny || kind == Kind::kHuge) {
    p = RandomPacked(n, Kind::kZeroDiagonal, rng);
    for (double& x : p) x = std::ldexp(x, kind == Kind::kTiny ? -1000 : 1000);
    return p;
  }
  if (kind == Kind::kPositiveDefinite) {  // B Bᵀ + n I
    std::vector<double> b(static_cast<std::size_t>(n) * n);
    for (double& x : b) x = u(rng);
    for (int i = 0; i < n; ++i)
      for (int j = 0; j <= i; ++j) {
        double s = i == j ? n : 0.0;
        for (int k = 0; k < n; ++k) s += b[i * n + k] * b[j * n + k];
        p[Packed(i) + j] = s;
      }
    return p;
  }
  for (int i = 0; i < n; ++i)
    for (int j = 0; j <= i; ++j) {
      double x = u(rng);
      if (kind == Kind::kBadlyScaled) x *= std::pow(10.0, 8.0 * u(rng));
      if (kind == Kind::kZeroDiagonal && i == j) x = 0.0;
      p[Packed(i) + j] = x;
    }
  return p;
}

// The factorisation steps taken plainly on a packed copy, with the
// interchange written as a relabelling: A'(a, b) = A(π(a), π(b)). The
// single pivots chosen after the sigma search are A(r, r) and the diagonal
// entry of r's partner in sigma's position.
struct Reference {
  std::vector<double> a;
  std::vector<int> perm, kinds;
  unsigned char result = 1;
  // 1x1 direct, 1x1 after sigma, swap r, 2x2, swap r's partner, and the
  // single pivots taken with sigma found below r's diagonal (p = r).
  int branches[6] = {};
};

void ReferencePivot(Reference& ref, int n, int i, int j) {
  if (i == j) return;
  const std::vector<double> old = ref.a;
  auto pi = [&](int x) { return x == i ? j : x == j ? i : x; };
  for (int r = 0; r < n; ++r)
    for (int c = 0; c <= r; ++c) ref.a[Packed(r) + c] = Sym(old, pi(r), pi(c));
  std::swap(ref.perm[i], ref.perm[j]);
}

Reference LiteralFactorisation(const std::vector<double>& packed, int n) {
  const double alpha = 0.6403882032022076;
  Reference ref{packed, std::vector<int>(n), std::vector<int>(n, 0)};
  for (int k = 0; k < n; ++k) ref.perm[k] = k;
  auto A = [&](int i, int j) -> double& { return ref.a[Packed(i) + j]; };
  std::vector<double> w1(n), w2(n);
  for (int k = 0; k < n;) {
    const double akk = std::fabs(A(k, k));
    double lambda = 0.0;
    int r = -1;
    for (int i = k + 1; i < n; ++i)
      if (std::fabs(A(i, k)) > lambda) lambda = std::fabs(A(i, k)), r = i;
    bool two = false;
    if (r < 0 || akk >= alpha * lambda) {
      ++ref.branches[0];
    } else {
      double sigma = lambda;
      int p = k, q = r;
      for (int j = k + 1; j < r; ++j)
        if (std::fabs(A(r, j)) > sigma) sigma = std::fabs(A(r, j)), p = j, q = r;
      for (int i = r + 1; i < n; ++i)
        if (std::fabs(A(i, r)) > sigma) sigma = std::fabs(A(i, r)), p = r, q = i;
      const int other = p == r ? q : p;  // sigma's partner of r
      if (akk * sigma >= alpha * (lambda * lambda)) {
        ++ref.branches[1];
      } else if (std::fabs(A(r, r)) >= alpha * sigma) {
        ++ref.branches[2], ref.branches[5] += p == r, ReferencePivot(ref, n, k, r);
      } else if (p == k) {
        ++ref.branches[3], two = true;
        if (q > k + 1) ReferencePivot(ref, n, k + 1, q);
      } else if (A(other, other) * A(r, r) >= alpha * (sigma * sigma)) {
        ++ref.branches[4], ref.branches[5] += p == r, ReferencePivot(ref, n, k, other);
      } else {
        ++ref.branches[3], two = true;
        ReferencePivot(ref, n, k, q);
        if (p > k + 1) ReferencePivot(ref, n, k + 1, p);
      }
    }
    if (!two) {
      const double d = A(k, k);
      if (d == 0.0) {
        ref.result = 0;
        return ref;
      }
      A(k, k) = 1.0 / d;
      for (int i = k + 1; i < n; ++i) {
        w1[i] = A(i, k);
        A(i, k) = w1[i] / d;
        for (int j = k + 1; j <= i; ++j) A(i, j) = A(i, j) - A(i, k) * w1[j];
      }
      k += 1;
    } else {
      const double a = A(k, k), b = A(k + 1, k), c = A(k + 1, k + 1);
      const double det = a * c - b * b;
      if (det == 0.0) {
        ref.result = 0;
        return ref;
      }
      A(k, k) = c / det, A(k + 1, k) = -b / det, A(k + 1, k + 1) = a / det;
      for (int i = k + 2; i < n; ++i) {
        w1[i] = A(i, k), w2[i] = A(i, k + 1);
        A(i, k) = w1[i] * A(k, k) + w2[i] * A(k + 1, k);
        A(i, k + 1) = w1[i] * A(k + 1, k) + w2[i] * A(k + 1, k + 1);
        for (int j = k + 2; j <= i; ++j) A(i, j) = A(i, j) - A(i, k) * w1[j] - A(i, k + 1) * w2[j];
      }
      ref.kinds[k] = 1;
      k += 2;
    }
  }
  return ref;
}

// The solve steps taken literally, column-oriented forward substitution.
std::vector<double> LiteralSolve(const Reference& ref, int n, const VelaVector& b) {
  auto A = [&](int i, int j) { return ref.a[Packed(i) + j]; };
  std::vector<double> y(n), x(n);
  for (int k = 0; k < n; ++k) y[k] = b[ref.perm[k]];
  for (int k = 0; k + 1 < n; ++k)
    for (int i = ref.kinds[k] == 1 ? k + 2 : k + 1; i < n; ++i) y[i] = y[i] - y[k] * A(i, k);
  for (int k = 0; k < n; ++k) {
    if (ref.kinds[k] == 1) {
      const double y0 = y[k], y1 = y[k + 1];
      y[k] = A(k, k) * y0 + A(k + 1, k) * y1;
      y[k + 1] = A(k + 1, k) * y0 + A(k + 1, k + 1) * y1;
      ++k;
    } else {
      y[k] = y[k] * A(k, k);
    }
  }
  for (int k = n - 1; k >= 1; --k)
    for (int j = ref.kinds[k - 1] == 1 ? k - 2 : k - 1; j >= 0; --j) y[j] = y[j] - y[k] * A(k, j);
  for (int k = 0; k < n; ++k) x[ref.perm[k]] = y[k];
  return x;
}

std::vector<int> ToVector(const VelaIntArray& a) { return std::vector<int>(a.GetBuffer(), a.GetBuffer() + a.Size()); }

// Largest |P S Pᵀ - L D Lᵀ| over the largest |S|, with L and D rebuilt
// from the stored factor (D from its stored inverse). Measured against S
// itself, not against |L| |D| |L|ᵀ, so that a tiny pivot and the huge
// multipliers it makes cannot hide behind their own size.
double ReconstructionError(const std::vector<double>& s, const InspectableSymmetric& m) {
  const int n = m.GetOrder();
  const double* f = m.GetFactor().GetBuffer();
  const std::vector<int> perm = ToVector(m.GetPermutation());
  const std::vector<int> kinds = ToVector(m.GetPivotKinds());
  std::vector<double> L(static_cast<std::size_t>(n) * n, 0.0), D(L.size(), 0.0);
  for (int i = 0; i < n; ++i) {
    L[i * n + i] = 1.0;
    for (int j = 0; j < i; ++j)
      if (!(kinds[j] == 1 && i == j + 1)) L[i * n + j] = f[Packed(i) + j];
  }
  for (int k = 0; k < n; ++k) {
    if (kinds[k] == 1) {
      // The block is inverted at unit scale: its determinant may leave the
      // range at tiny and huge scales.
      double e11 = f[Packed(k) + k], e21 = f[Packed(k + 1) + k], e22 = f[Packed(k + 1) + k + 1];
      const int e = std::ilogb(std::fmax(std::fabs(e11), std::fmax(std::fabs(e21), std::fabs(e22))));
      e11 = std::ldexp(e11, -e), e21 = std::ldexp(e21, -e), e22 = std::ldexp(e22, -e);
      const double det = e11 * e22 - e21 * e21;
      D[k * n + k] = std::ldexp(e22 / det, -e), D[(k + 1) * n + k + 1] = std::ldexp(e11 / det, -e);
      D[(k + 1) * n + k] = D[k * n + k + 1] = std::ldexp(-e21 / det, -e);
      ++k;
    } else {
      D[k * n + k] = 1.0 / f[Packed(k) + k];
    }
  }
  // LD = L D (D is block diagonal with blocks of at most 2), then (LD) Lᵀ.
  std::vector<double> LD(L.size(), 0.0);
  for (int i = 0; i < n; ++i)
    for (int a = 0; a < n; ++a)
      for (int b = a > 0 ? a - 1 : 0; b <= a + 1 && b < n; ++b) LD[i * n + a] += L[i * n + b] * D[b * n + a];
  double worst = 0.0, scale = 0.0;
  for (int i = 0; i < n; ++i)
    for (int j = 0; j <= i; ++j) {
      double v = 0.0;
      for (int a = 0; a <= j + 1 && a < n; ++a) v += LD[i * n + a] * L[j * n + a];
      worst = std::fmax(worst, std::fabs(v - Sym(s, perm[i], perm[j])));
      scale = std::fmax(scale, std::fabs(Sym(s, i, j)));
    }
  return scale > 0.0 ? worst / scale : worst;
}

// |S x - b|∞ / (|S|∞ |x|∞ + |b|∞), with S x formed from the full matrix.
double RelativeResidual(const std::vector<double>& s, int n, const VelaVector& x, const VelaVector& b) {
  double r = 0.0, sNorm = 0.0, xNorm = 0.0, bNorm = 0.0;
  for (int i = 0; i < n; ++i) {
    double v = 0.0, row = 0.0;
    for (int j = 0; j < n; ++j) v += Sym(s, i, j) * x[j], row += std::fabs(Sym(s, i, j));
    r = std::fmax(r, std::fabs(v - b[i]));
    sNorm = std::fmax(sNorm, row), xNorm = std::fmax(xNorm, std::fabs(x[i])), bNorm = std::fmax(bNorm, std::fabs(b[i]));
  }
  return r / (sNorm * xNorm + bNorm);
}

VelaVector RandomRhs(int n, std::mt19937& rng) {
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  VelaVector b(n, 0.0);
  for (int i = 0; i < n; ++i) b[i] = u(rng);
  return b;
}

template <typename Write>
std::string CapturedTrace(int level, Write write) {
  vela::test::ScopedInternalMode internal;  // unlocks SetTraceLevel
  EXPECT_TRUE(internal.IsOpen());
  VelaGlobalParameters& parameters = GetGlobalParameters();
  const int previousLevel = parameters.GetTraceLevel();
  parameters.SetTraceLevel(level);
  std::string text = vela::test::CaptureStdout(write);
  parameters.SetTraceLevel(previousLevel);
  return text;
}

const int kSizes[] = {1, 2, 3, 6, 7, 36, 37, 100, 300};

}  // namespace

TEST(VelaSymmetricMatrix, FactorisationFollowsThePlainStepsBitForBit) {
  std::mt19937 rng(61);
  int branches[6] = {};
  for (Kind kind : {Kind::kIndefinite, Kind::kZeroDiagonal, Kind::kBadlyScaled, Kind::kSmallInteger}) {
    for (int n : kSizes) {
      SCOPED_TRACE(n);
      const std::vector<double> s = RandomPacked(n, kind, rng);
      InspectableSymmetric m(n, s.data());
      const Reference ref = LiteralFactorisation(s, n);
      ASSERT_EQ(m.RunFactorisation(), ref.result);
      EXPECT_EQ(0, std::memcmp(m.GetFactor().GetBuffer(), ref.a.data(), ref.a.size() * sizeof(double)));
      EXPECT_EQ(ToVector(m.GetPermutation()), ref.perm);
      EXPECT_EQ(ToVector(m.GetPivotKinds()), ref.kinds);
      for (int b = 0; b < 6; ++b) branches[b] += ref.branches[b];
      if (ref.result == 1) {
        const VelaVector rhs = RandomRhs(n, rng);
        VelaVector x;
        EXPECT_EQ(m.SolveLDLt(1, rhs, x), 1);
        EXPECT_EQ(0, std::memcmp(x.GetBuffer(), LiteralSolve(ref, n, rhs).data(), n * sizeof(double)));
      }
      if (kind == Kind::kZeroDiagonal && n > 1) {
        EXPECT_EQ(ref.kinds[0], 1);
      }
    }
  }
  for (int b = 0; b < 6; ++b) EXPECT_GT(branches[b], 0) << "pivot branch " << b << " never exercised";
}

TEST(VelaSymmetricMatrix, FactorsReconstructThePermutedMatrix) {
  std::mt19937 rng(62);
  for (Kind kind : {Kind::kIndefinite, Kind::kZeroDiagonal, Kind::kBadlyScaled, Kind::kPositiveDefinite,
                    Kind::kSmallInteger, Kind::kTiny, Kind::kHuge}) {
    for (int n : kSizes) {
      SCOPED_TRACE(n);
      const std::vector<double> s = RandomPacked(n, kind, rng);
      InspectableSymmetric m(n, s.data());
      VelaLowerTriangularMatrix L;
      VelaIntArray perm;
      // A 1 x 1 zero matrix has nothing to pivot with; small integers may
      // meet an exactly singular pivot block.
      const unsigned char flag = m.LDLt(L, perm);
      if (kind != Kind::kSmallInteger) {
        const bool zeroDiagonal = kind == Kind::kZeroDiagonal || kind == Kind::kTiny || kind == Kind::kHuge;
        ASSERT_EQ(flag, zeroDiagonal && n == 1 ? 0 : 1);
      }
      if (flag == 0) continue;
      EXPECT_LT(ReconstructionError(s, m), 1e-14 * n + 1e-15);
      EXPECT_EQ(ToVector(perm), ToVector(m.GetPermutation()));
      EXPECT_EQ(0, std::memcmp(L.GetBuffer(), m.GetFactor().GetBuffer(), Packed(n) * sizeof(double)));
      if (kind == Kind::kPositiveDefinite) {
        EXPECT_EQ(ToVector(m.GetPivotKinds()), std::vector<int>(n, 0));
      }
    }
  }
}

// Ties and exact zeros reach every branch of the pivot choice: whenever the
// factorisation reports success its factors must hold.
TEST(VelaSymmetricMatrix, SmallIntegerFactorsReconstructWheneverReportedSuccessful) {
  std::mt19937 rng(66);
  std::uniform_int_distribution<int> order(1, 12);
  int succeeded = 0;
  for (int trial = 0; trial < 10000; ++trial) {
    const int n = order(rng);
    const std::vector<double> s = RandomPacked(n, Kind::kSmallInteger, rng);
    InspectableSymmetric m(n, s.data());
    if (m.RunFactorisation() == 0) continue;
    ++succeeded;
    const double error = ReconstructionError(s, m);
    ASSERT_LT(error, 1e-13) << "trial " << trial << ", order " << n;
  }
  EXPECT_GT(succeeded, 9000);
}

// A well-conditioned indefinite system whose pivot search finds sigma below
// the diagonal of column r.
TEST(VelaSymmetricMatrix, SolvesTheSystemWhoseSigmaLiesBelowTheDiagonal) {
  const double rows[6][6] = {{-3, 0, -3, 0, 0, 2},  {0, 3, -3, -1, 3, -1}, {-3, -3, 3, 2, 0, 0},
                             {0, -1, 2, 0, -3, 0}, {0, 3, 0, -3, 0, 0},   {2, -1, 0, 0, 0, 2}};
  VelaSymmetricMatrix s(6, VelaMatrix(6, 6, &rows[0][0]));
  VelaVector b(6, 0.0), x;
  b[5] = -2.0;
  ASSERT_EQ(s.SolveLDLt(0, b, x), 1);
  const double expected[6] = {-0.25, -6.0, -2.25, -6.0, 0.5, -3.75};
  for (int i = 0; i < 6; ++i) EXPECT_NEAR(x[i], expected[i], 1e-13) << i;
}

// At unit, tiny (2^-1000) and huge (2^1000) scales.
TEST(VelaSymmetricMatrix, LDLtSolvesIndefiniteSystemsAndAgreesWithCholesky) {
  std::mt19937 rng(63);
  for (int exponent : {0, -1000, 1000}) {
    for (int n : kSizes) {
      SCOPED_TRACE(std::to_string(n) + " at 2^" + std::to_string(exponent));
      std::vector<double> s = RandomPacked(n, n == 1 ? Kind::kIndefinite : Kind::kZeroDiagonal, rng);
      std::vector<double> spd = RandomPacked(n, Kind::kPositiveDefinite, rng);
      for (double& v : s) v = std::ldexp(v, exponent);
      for (double& v : spd) v = std::ldexp(v, exponent);
      VelaSymmetricMatrix m(n, s.data());
      const VelaVector b = RandomRhs(n, rng);
      VelaVector x;
      ASSERT_EQ(m.SolveLDLt(0, b, x), 1);
      EXPECT_LT(RelativeResidual(s, n, x, b), 1e-10);

      VelaSymmetricMatrix p(n, spd.data());
      VelaVector xl;
      std::vector<double> xc(n);
      ASSERT_EQ(p.SolveLDLt(0, b, xl), 1);
      ASSERT_EQ(p.SolveCholesky(b.GetBuffer(), xc.data(), nullptr, 0.0), 1);
      double xNorm = 0.0;
      for (int i = 0; i < n; ++i) xNorm = std::fmax(xNorm, std::fabs(xl[i]));
      for (int i = 0; i < n; ++i) EXPECT_NEAR(xc[i], xl[i], 1e-12 * xNorm);
      VelaLowerTriangularMatrix L(n, nullptr);
      ASSERT_EQ(p.CholeskyFactorisation(L, 0.0), 1);
      double worst = 0.0;
      for (int i = 0; i < n; ++i)
        for (int j = 0; j <= i; ++j) {
          double v = 0.0;
          for (int k = 0; k <= j; ++k) v += L.GetRow(i)[k] * L.GetRow(j)[k];
          worst = std::fmax(worst, std::fabs(v - p(i, j)));
        }
      EXPECT_LT(worst, 1e-14 * n * p.GetNormInf());
    }
  }
}

TEST(VelaSymmetricMatrix, SmallFactorisationCases) {
  const double swap[3] = {0.0, 1.0, 0.0};  // [0 1; 1 0]: one 2 x 2 pivot
  InspectableSymmetric twoByTwo(2, swap);
  VelaVector x;
  const double rhs[2] = {3.0, 5.0};
  ASSERT_EQ(twoByTwo.SolveLDLt(0, VelaVector(2, rhs), x), 1);
  EXPECT_EQ(ToVector(twoByTwo.GetPivotKinds()), (std::vector<int>{1, 0}));
  EXPECT_EQ(x[0], 5.0);
  EXPECT_EQ(x[1], 3.0);

  const double dominant[6] = {4.0, 1.0, 5.0, -2.0, 1.0, 6.0};  // no interchange
  InspectableSymmetric spd(3, dominant);
  ASSERT_EQ(spd.RunFactorisation(), 1);
  EXPECT_EQ(ToVector(spd.GetPermutation()), (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(ToVector(spd.GetPivotKinds()), (std::vector<int>{0, 0, 0}));

  const double ones[3] = {1.0, 1.0, 1.0};
  EXPECT_EQ(InspectableSymmetric(2, ones).RunFactorisation(), 0);
  InspectableSymmetric zero(4, nullptr);
  EXPECT_EQ(zero.RunFactorisation(), 0);  // stops at the first pivot, nothing written
  EXPECT_EQ(std::vector<double>(zero.GetFactor().GetBuffer(), zero.GetFactor().GetBuffer() + 10),
            std::vector<double>(10, 0.0));
  EXPECT_EQ(zero.SolveLDLt(1, VelaVector(4, 1.0), x), 1);  // runs on the partial factor
  EXPECT_EQ(InspectableSymmetric().RunFactorisation(), 1);

  // A right-hand side of the wrong length: 0, output untouched.
  VelaVector untouched(1, 7.0);
  EXPECT_EQ(spd.SolveLDLt(0, VelaVector(2, 1.0), untouched), 0);
  EXPECT_EQ(untouched.GetSize(), 1);
  EXPECT_EQ(untouched[0], 7.0);
}

TEST(VelaSymmetricMatrix, SymmetricPivotRelabelsRowsAndColumns) {
  std::mt19937 rng(64);
  const int n = 7;
  const std::vector<double> s = RandomPacked(n, Kind::kIndefinite, rng);
  InspectableSymmetric m(n, nullptr);
  for (const std::pair<int, int>& swap : {std::pair<int, int>{2, 5}, {5, 2}, {0, 6}, {3, 4}, {3, 3}}) {
    const int i = swap.first, j = swap.second;
    std::vector<double> work = s;
    VelaIntArray perm(n, 0);
    for (int k = 0; k < n; ++k) perm[k] = k;
    m.SymmetricPivot(n, work.data(), perm, i, j);
    auto pi = [&](int x) { return x == i ? j : x == j ? i : x; };
    for (int r = 0; r < n; ++r) {
      EXPECT_EQ(perm[r], pi(r));
      for (int c = 0; c <= r; ++c) EXPECT_EQ(work[Packed(r) + c], Sym(s, pi(r), pi(c)));
    }
  }
}

TEST(VelaSymmetricMatrix, CholeskyFailuresShiftsAndSizes) {
  // Negative pivot at 1: zero there, the rest completed.
  const double packed[6] = {4.0, 2.0, -1.0, 2.0, 1.0, 9.0};
  const VelaSymmetricMatrix s(3, packed);
  VelaLowerTriangularMatrix L(3, nullptr);
  EXPECT_EQ(s.CholeskyFactorisation(L, 0.0), 0);
  const std::vector<double> expected = {2.0, 1.0, 0.0, 1.0, 0.0, std::sqrt(8.0)};
  EXPECT_EQ(std::vector<double>(L.GetBuffer(), L.GetBuffer() + 6), expected);

  // A shift of 0.5 multiplies the diagonal by 1.5 before factorising.
  const double base[3] = {4.0, 2.0, 6.0}, scaled[3] = {6.0, 2.0, 9.0};
  VelaLowerTriangularMatrix shifted(2, nullptr), plain(2, nullptr);
  EXPECT_EQ(VelaSymmetricMatrix(2, base).CholeskyFactorisation(shifted, 0.5), 1);
  EXPECT_EQ(VelaSymmetricMatrix(2, scaled).CholeskyFactorisation(plain, 0.0), 1);
  EXPECT_EQ(0, std::memcmp(shifted.GetBuffer(), plain.GetBuffer(), 3 * sizeof(double)));
  EXPECT_EQ(VelaSymmetricMatrix(2, base).CholeskyFactorisation(shifted, std::nan("")), 0);

  // A factor of the wrong order is refused and left alone; SolveCholesky
  // sizes its own.
  VelaLowerTriangularMatrix wrong(2, base);
  EXPECT_EQ(s.CholeskyFactorisation(wrong, 0.0), 0);
  EXPECT_EQ(wrong.GetRow(1)[1], 6.0);
  double x[2];
  const double b[2] = {10.0, 20.0};  // [6 2; 2 9] x = b at shift 0.5: x = (1, 2)
  EXPECT_EQ(VelaSymmetricMatrix(2, base).SolveCholesky(b, x, &wrong, 0.5), 1);
  EXPECT_EQ(wrong.GetOrder(), 2);
  EXPECT_NEAR(x[0], 1.0, 1e-15);
  EXPECT_NEAR(x[1], 2.0, 1e-15);
}

TEST(VelaSymmetricMatrix, NonFiniteEntriesNeverHangOrCrash) {
  const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
  std::mt19937 rng(65);
  for (double bad : {nan, inf, -inf}) {
    for (int n : {1, 2, 3, 7, 37}) {
      for (int where : {0, n / 2, n - 1}) {
        std::vector<double> s = RandomPacked(n, Kind::kIndefinite, rng);
        s[Packed(where) + where / 2] = bad;
        InspectableSymmetric m(n, s.data());
        const unsigned char flag = m.RunFactorisation();
        EXPECT_LE(flag, 1);
        std::vector<int> perm = ToVector(m.GetPermutation());
        std::sort(perm.begin(), perm.end());
        for (int k = 0; k < n; ++k) EXPECT_EQ(perm[k], k);
        VelaVector x;
        EXPECT_LE(m.SolveLDLt(0, RandomRhs(n, rng), x), 1);
        EXPECT_EQ(x.GetSize(), n);
        std::vector<double> xc(n);
        if (std::isnan(bad)) {
          EXPECT_EQ(m.SolveCholesky(s.data(), xc.data(), nullptr, 0.0), 0);
        }
      }
    }
  }
}

TEST(VelaSymmetricMatrix, ConstructionAssignmentAndResize) {
  const double full[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  const VelaMatrix m33(3, 3, full);
  const VelaSymmetricMatrix a(3, m33);
  EXPECT_EQ(std::vector<double>(a.GetBuffer(), a.GetBuffer() + 6), (std::vector<double>{1, 4, 5, 7, 8, 9}));
  // iOrder matches one count, the other is short: only what exists is copied.
  const VelaSymmetricMatrix wide(3, VelaMatrix(2, 3, full));
  EXPECT_EQ(std::vector<double>(wide.GetBuffer(), wide.GetBuffer() + 6), (std::vector<double>{1, 4, 5, 0, 0, 0}));
  const VelaSymmetricMatrix tall(3, VelaMatrix(3, 2, full));
  EXPECT_EQ(std::vector<double>(tall.GetBuffer(), tall.GetBuffer() + 6), (std::vector<double>{1, 3, 4, 5, 6, 0}));

  VelaSymmetricMatrix b;
  b = a;
  EXPECT_EQ(b.GetOrder(), 3);
  EXPECT_EQ(b(2, 1), 8.0);
  const double* buffer = b.GetBuffer();
  b.Resize(2);
  EXPECT_EQ(b.GetBuffer(), buffer);
  EXPECT_EQ(std::vector<double>(buffer, buffer + 3), std::vector<double>(3, 0.0));
  b *= 2.0;
  VelaSymmetricMatrix c(a);
  c *= -2.0;
  EXPECT_EQ(c(2, 2), -18.0);
  EXPECT_EQ(c.GetNormInf(), 18.0);
}

TEST(VelaSymmetricMatrix, ProductsMatchTheFullMatrixAndReportMismatches) {
  std::mt19937 rng(66);
  for (int n : {1, 3, 7, 37}) {
    const std::vector<double> s = RandomPacked(n, Kind::kIndefinite, rng);
    const VelaSymmetricMatrix m(n, s.data());
    const VelaMatrix full = m.ConvertToFullMatrix();
    std::vector<double> values(static_cast<std::size_t>(n) * 4);
    for (double& v : values) v = std::uniform_real_distribution<double>(-1, 1)(rng);
    const VelaMatrix B(n, 4, values.data());
    const VelaMatrix product = m * B, expected = full * B;
    ASSERT_EQ(product.GetNbOfRow(), n);
    ASSERT_EQ(product.GetNbOfCol(), 4);
    for (int k = 0; k < n * 4; ++k) EXPECT_NEAR(product.GetBuffer()[k], expected.GetBuffer()[k], 1e-15 * n);
    const VelaVector v = RandomRhs(n, rng);
    const VelaVector mv = m * v, fv = full * v;
    for (int i = 0; i < n; ++i) EXPECT_NEAR(mv[i], fv[i], 1e-15 * n);
  }

  const double packed[3] = {1.0, 2.0, 3.0};
  const VelaSymmetricMatrix m(2, packed);
  VelaMatrix wrong;
  VelaVector wrongV;
  const std::string text = CapturedTrace(1, [&] {
    wrong = m * VelaMatrix(3, 2, 1.0);
    wrongV = m * VelaVector(3, 1.0);
    VelaSymmetricMatrix(2, VelaMatrix(3, 3, 1.0));
  });
  EXPECT_EQ(text,
            " Dimension does not match for VelaSymmetricMatrix*VelaMatrix\n"
            " Dimension does not match for VelaSymmetricMatrix*VelaVector\n"
            "Dimension does not match for VelaSymmetricMatrix(int iOrder, const VelaMatrix& iMat)\n");
  EXPECT_EQ(wrong.GetNbOfRow(), 2);
  EXPECT_EQ(wrong.GetNbOfCol(), 2);
  EXPECT_EQ(wrong.GetNorm2(-1), 0.0);
  EXPECT_EQ(wrongV.GetSize(), 2);
  EXPECT_EQ(wrongV.GetNorm2(-1), 0.0);
  EXPECT_EQ(CapturedTrace(0, [&] { wrong = m * VelaMatrix(3, 2, 1.0); }), "");
}

TEST(VelaSymmetricMatrix, DumpsAreWrittenByteForByte) {
  const double packed[6] = {1.0, 2.0, 3.0, 4.0, 0.1, -6.5};
  const VelaSymmetricMatrix m(3, packed);
  EXPECT_EQ(CapturedTrace(0, [&] { m.Write("S"); }),
            "S := matrix(3, 3, [\n"
            "[ 1],\n"
            "[ 2, 3],\n"
            "[ 4, 0.100000000000000006, -6.5] ]);\n");
  EXPECT_EQ(CapturedTrace(0, [] { VelaSymmetricMatrix().Write("E"); }), "");

  VelaStream memory;
  m.ScilabDump("S", &memory);
  EXPECT_EQ(static_cast<std::stringstream*>(memory.GetStream())->str(),
            "S = [ 1 ,2 ,4 ;\n"
            "2 ,3 ,0.1 ;\n"
            "4 ,0.1 ,-6.5 ];\n");
}
