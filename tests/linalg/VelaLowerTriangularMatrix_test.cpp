#include "vela/linalg/VelaLowerTriangularMatrix.h"

#include <gtest/gtest.h>

#include <cmath>
#include <iostream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "vela/config/VelaGlobalParameters.h"
#include "support/TestSupport.h"

namespace {

// A well-conditioned random lower triangle: |diagonal| in [1, 2] with random
// signs, off-diagonal entries in [-1, 1] scaled down by the order.
VelaLowerTriangularMatrix RandomLower(int n, std::mt19937& rng) {
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  VelaLowerTriangularMatrix L(n, nullptr);
  for (int i = 0; i < n; ++i) {
    double* row = L.GetRow(i);
    for (int j = 0; j < i; ++j) row[j] = u(rng) / n;
    row[i] = (u(rng) < 0 ? -1.0 : 1.0) * (1.5 + 0.5 * u(rng));
  }
  return L;
}

std::vector<double> RandomVector(int n, std::mt19937& rng) {
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  std::vector<double> v(static_cast<std::size_t>(n));
  for (double& x : v) x = u(rng);
  return v;
}

// Largest |L x - b| (transpose: |Lᵀ x - b|), computed independently of the
// packed row sweeps of the solves.
double Residual(const VelaLowerTriangularMatrix& L, const std::vector<double>& x, const std::vector<double>& b,
                bool transpose) {
  const int n = L.GetOrder();
  double worst = 0.0;
  for (int i = 0; i < n; ++i) {
    double s = 0.0;
    if (transpose) {
      for (int k = i; k < n; ++k) s += L.GetRow(k)[i] * x[k];
    } else {
      for (int k = 0; k <= i; ++k) s += L.GetRow(i)[k] * x[k];
    }
    worst = std::fmax(worst, std::fabs(s - b[i]));
  }
  return worst;
}

}  // namespace

TEST(VelaLowerTriangularMatrix, SolvesReachSmallResidualsAndInPlaceMatchesOutOfPlace) {
  std::mt19937 rng(20261205);
  for (int n : {1, 2, 3, 6, 7, 36, 37, 100, 300}) {
    SCOPED_TRACE(n);
    const VelaLowerTriangularMatrix L = RandomLower(n, rng);
    const std::vector<double> b = RandomVector(n, rng);
    for (bool transpose : {false, true}) {
      std::vector<double> x(b.size(), 99.0);
      std::vector<double> inPlace = b;
      const unsigned char ok = transpose ? L.SolveTranspose(b.data(), x.data()) : L.Solve(b.data(), x.data());
      const unsigned char okInPlace =
          transpose ? L.SolveTranspose(inPlace.data(), inPlace.data()) : L.Solve(inPlace.data(), inPlace.data());
      EXPECT_EQ(ok, 1);
      EXPECT_EQ(okInPlace, 1);
      EXPECT_EQ(x, inPlace);
      EXPECT_LT(Residual(L, x, b, transpose), 1e-13 * n);
    }
  }
}

TEST(VelaLowerTriangularMatrix, OrderZeroSolvesSucceedAndWriteNothing) {
  const VelaLowerTriangularMatrix L;
  EXPECT_EQ(L.GetOrder(), 0);
  EXPECT_EQ(L.GetBuffer(), nullptr);
  double x[2] = {7.0, 8.0};
  const double b[2] = {1.0, 2.0};
  EXPECT_EQ(L.Solve(b, x), 1);
  EXPECT_EQ(L.SolveTranspose(b, x), 1);
  EXPECT_EQ(x[0], 7.0);
  EXPECT_EQ(x[1], 8.0);
}

TEST(VelaLowerTriangularMatrix, ZeroDiagonalZeroesItsUnknownAndTheSolveGoesOn) {
  // L = [2; 1 0; 4 3 5]
  const double packed[6] = {2.0, 1.0, 0.0, 4.0, 3.0, 5.0};
  const VelaLowerTriangularMatrix L(3, packed);
  const double b[3] = {4.0, 9.0, 23.0};
  double x[3] = {};
  EXPECT_EQ(L.Solve(b, x), 0);
  // x0 = 2, x1 = 0 (zero diagonal), x2 = (23 - 4*2 - 3*0) / 5 = 3.
  EXPECT_EQ(x[0], 2.0);
  EXPECT_EQ(x[1], 0.0);
  EXPECT_EQ(x[2], 3.0);

  // Lᵀ x = b: x2 = 20/5 = 4; x1 = 0; x0 = (10 - 1*0 - 4*4) / 2 = -3.
  const double bt[3] = {10.0, 7.0, 20.0};
  EXPECT_EQ(L.SolveTranspose(bt, x), 0);
  EXPECT_EQ(x[0], -3.0);
  EXPECT_EQ(x[1], 0.0);
  EXPECT_EQ(x[2], 4.0);
}

TEST(VelaLowerTriangularMatrix, AssignmentAndResizeKeepOrReallocateTheBuffer) {
  const double small[3] = {1.0, 2.0, 3.0};
  const VelaLowerTriangularMatrix two(2, small);
  std::vector<double> bigValues(10, 9.0);
  VelaLowerTriangularMatrix four(4, bigValues.data());
  const double* fourBuffer = four.GetBuffer();

  four = two;  // smaller source: buffer kept, order and values taken
  EXPECT_EQ(four.GetOrder(), 2);
  EXPECT_EQ(four.GetBuffer(), fourBuffer);
  EXPECT_EQ(std::vector<double>(four.GetBuffer(), four.GetBuffer() + 3), std::vector<double>(small, small + 3));
  EXPECT_NE(four.GetBuffer(), two.GetBuffer());

  VelaLowerTriangularMatrix copy(two);
  EXPECT_EQ(copy.GetOrder(), 2);
  EXPECT_EQ(copy.GetRow(1)[1], 3.0);
  EXPECT_NE(copy.GetBuffer(), two.GetBuffer());

  VelaLowerTriangularMatrix three(3, bigValues.data());
  const double* threeBuffer = three.GetBuffer();
  three.Resize(2);
  EXPECT_EQ(three.GetOrder(), 2);
  EXPECT_EQ(three.GetBuffer(), threeBuffer);
  EXPECT_EQ(three.GetRow(1)[1], 9.0);
  three.Resize(5);
  EXPECT_EQ(three.GetOrder(), 5);
  ASSERT_NE(three.GetBuffer(), nullptr);
  three.GetRow(4)[4] = 1.0;  // the whole order-5 triangle is addressable

  VelaLowerTriangularMatrix moved(std::move(three));
  EXPECT_EQ(moved.GetOrder(), 5);
  EXPECT_EQ(three.GetOrder(), 0);  // NOLINT(bugprone-use-after-move): the moved-from state is documented
  EXPECT_EQ(three.GetBuffer(), nullptr);
}

TEST(VelaLowerTriangularMatrix, WriteDumpsThePackedRowsWithPrecision18) {
  const double packed[3] = {1.0, 0.1, -2.5};
  const VelaLowerTriangularMatrix L(2, packed);
  const std::string text = vela::test::CaptureStdout([&] { L.Write("L"); });
  EXPECT_EQ(text,
            "L := matrix(2, 2, [\n"
            "[ 1],\n"
            "[ 0.100000000000000006, -2.5] ]);\n");
  EXPECT_EQ(vela::test::CaptureStdout([] { VelaLowerTriangularMatrix().Write("E"); }), "");
}
