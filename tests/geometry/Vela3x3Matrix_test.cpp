// Vela3x3Matrix: accessors and operators against direct sums, the inverse
// on each of its paths, the five rotation constructions checked by one
// generic set of identities over angles from 0 to pi about several axes,
// the quaternion on every branch, Euler angles, Orthonormalize, Round and
// the dump byte for byte.
#include "vela/geometry/Vela3x3Matrix.h"

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

using vela::detail::Cross;
using vela::detail::Dot;

const double kPi = 3.141592653589793;
const double kAngles[] = {0.0, 1e-9, 1e-5, 0.3, 1.0, 3.0, kPi - 1e-5, kPi};

Vela3Vector Unit(double x, double y, double z) {
  Vela3Vector v(x, y, z);
  v.Normalize();
  return v;
}

// The axes every rotation property runs about: the coordinate axes (exact
// branches of the quaternion) and a few oblique ones, one random.
std::vector<Vela3Vector> Axes() {
  std::mt19937 rng(3);
  std::normal_distribution<double> n;
  const double x = n(rng), y = n(rng), z = n(rng);
  return {Vela3Vector(0), Vela3Vector(1), Vela3Vector(2), Unit(1, 1, 1), Unit(-0.3, 0.8, 0.52),
          Unit(0, -1, 1e-3), Unit(x, y, z)};
}

Vela3x3Matrix Random(std::mt19937& rng, double scale) {
  std::uniform_real_distribution<double> u(-scale, scale);
  double m[3][3];
  for (auto& row : m)
    for (double& x : row) x = u(rng);
  Vela3x3Matrix A;
  A.SetCoef(m);
  return A;
}

Vela3x3Matrix Transposed(const Vela3x3Matrix& A) {
  Vela3x3Matrix T;
  A.Transpose(T);
  return T;
}

Vela3x3Matrix Rotation(const Vela3Vector& axis, double angle) {
  Vela3x3Matrix R;
  R.SetRotation(axis, angle);
  return R;
}

double MaxDiff(const Vela3x3Matrix& A, const Vela3x3Matrix& B) {
  double d = 0.0;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) d = std::fmax(d, std::fabs(A.Get(i, j) - B.Get(i, j)));
  return d;
}

double MaxDiff(const Vela3Vector& a, const Vela3Vector& b) {
  return std::fmax(std::fabs(a.GetX() - b.GetX()),
                   std::fmax(std::fabs(a.GetY() - b.GetY()), std::fabs(a.GetZ() - b.GetZ())));
}

// A proper rotation: orthonormal columns and determinant 1.
void ExpectRotation(const Vela3x3Matrix& R, const std::string& where) {
  EXPECT_LT(MaxDiff(Transposed(R) * R, Vela3x3Matrix()), 5e-15) << where;
  EXPECT_NEAR(R.Determinant(), 1.0, 5e-15) << where;
}

// The quaternion of R gives back the angle and (when defined) the axis, up
// to the sign of the axis at a half turn; its scale is 4 times the largest
// component of the unit quaternion.
void ExpectQuaternionOf(const Vela3x3Matrix& R, const Vela3Vector& axis, double angle,
                        const std::string& where) {
  double w;
  Vela3Vector v;
  R.GetQuaternion(w, v);
  EXPECT_GE(w, 0.0) << where;
  EXPECT_NEAR(2.0 * std::atan2(v.Norm(), w), angle, 1e-14) << where;
  const double c = std::cos(angle / 2), s = std::sin(angle / 2);
  const double largest = std::fmax(std::fmax(c, s * std::fabs(axis.GetX())),
                                   std::fmax(s * std::fabs(axis.GetY()), s * std::fabs(axis.GetZ())));
  EXPECT_NEAR(std::sqrt(w * w + v.SquareNorm()), 4.0 * largest, 1e-14) << where;
  if (angle == 0.0) return;
  Vela3Vector a = v;
  a.Normalize();
  const double sign = angle == kPi && Dot(a, axis) < 0 ? -1.0 : 1.0;
  EXPECT_LT(MaxDiff(vela::detail::Scale(sign, a), axis), 1e-12) << where;
}

}  // namespace

TEST(Vela3x3Matrix, LinesAreRowsAndTheCoefficientsRowMajor) {
  const Vela3x3Matrix A(1, 2, 3, 4, 5, 6, 7, 8, 10);
  EXPECT_TRUE(Vela3x3Matrix() == Vela3x3Matrix(1.0));
  double m[3][3];
  A.GetCoef(m);
  EXPECT_EQ(m[0][1], 2.0);
  EXPECT_EQ(m[2][0], 7.0);
  Vela3Vector r, c;
  A.GetSecondLine(r);
  A.GetThirdColumn(c);
  EXPECT_TRUE(r == Vela3Vector(4, 5, 6));
  EXPECT_TRUE(c == Vela3Vector(3, 6, 10));

  Vela3x3Matrix B;
  B.SetMatrix(Vela3Vector(1, 4, 7), Vela3Vector(2, 5, 8), c);  // columns
  EXPECT_TRUE(B == A);
  B.SetFirstLine(Vela3Vector(0));
  B.SetThirdColumn(Vela3Vector(-1, -2, -3));
  EXPECT_TRUE(B == Vela3x3Matrix(1, 0, -1, 4, 5, -2, 7, 8, -3));

  EXPECT_EQ(A.Determinant(), -3.0);
  Vela3x3Matrix T = A;
  T.Transpose(T);  // in place
  EXPECT_TRUE(T == Vela3x3Matrix(1, 4, 7, 2, 5, 8, 3, 6, 10));
}

TEST(Vela3x3Matrix, ProductsMatchDirectSumsForPointsAndVectorsAlike) {
  std::mt19937 rng(1);
  for (int k = 0; k < 20; ++k) {
    const Vela3x3Matrix A = Random(rng, 2.0), B = Random(rng, 2.0);
    const Vela3x3Matrix P = A * B;
    const Vela3Vector v(0.5, -1.5, 2.0);
    const Vela3Vector Av = A * v;
    const Vela3Point Ap = A * v.AddToOrigin();
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 3; ++j)
        EXPECT_EQ(P.Get(i, j), A.Get(i, 0) * B.Get(0, j) + A.Get(i, 1) * B.Get(1, j) + A.Get(i, 2) * B.Get(2, j));
      const double expected = A.Get(i, 0) * 0.5 + A.Get(i, 1) * -1.5 + A.Get(i, 2) * 2.0;
      EXPECT_EQ(Av.GetCoord(i), expected);
      EXPECT_EQ(Ap.GetCoord(static_cast<unsigned>(i)), expected);
    }
  }
  const Vela3x3Matrix A(1, 2, 3, 4, 5, 6, 7, 8, 10);
  EXPECT_TRUE(A + Vela3x3Matrix(2.0) == Vela3x3Matrix(3, 2, 3, 4, 7, 6, 7, 8, 12));
  EXPECT_TRUE(A - Vela3x3Matrix(2.0) == Vela3x3Matrix(-1, 2, 3, 4, 3, 6, 7, 8, 8));
  EXPECT_TRUE(2.0 * A == A * 2.0);
  EXPECT_TRUE(A / 4.0 == Vela3x3Matrix(0.25, 0.5, 0.75, 1, 1.25, 1.5, 1.75, 2, 2.5));
}

TEST(Vela3x3Matrix, InverseOfARotationIsItsExactTranspose) {
  for (const Vela3Vector& axis : Axes()) {
    for (double angle : kAngles) {
      const Vela3x3Matrix R = Rotation(axis, angle);
      Vela3x3Matrix inv(7.0);
      ASSERT_EQ(R.Inverse(inv), 1);
      EXPECT_TRUE(inv == Transposed(R));
    }
  }
  // An orthonormal reflection takes the same path.
  const Vela3x3Matrix M(0, 1, 0, 1, 0, 0, 0, 0, 1);
  Vela3x3Matrix inv;
  ASSERT_EQ(M.Inverse(inv), 1);
  EXPECT_TRUE(inv == M);
}

TEST(Vela3x3Matrix, InverseOfAScaledRotationDividesItsTransposeByTheSquaredScale) {
  std::mt19937 rng(9);
  std::normal_distribution<double> n;
  for (double scale : {2.0, -2.0, 0.5, 30.0, -1e-3}) {
    for (double angle : {0.3, 1.0, 3.0}) {
      const double x = n(rng), y = n(rng), z = n(rng);
      const Vela3x3Matrix M = scale * Rotation(Unit(x, y, z), angle);
      Vela3x3Matrix inv;
      ASSERT_EQ(M.Inverse(inv), 1);
      const double f = std::pow(std::fabs(1.0 / M.Determinant()), 0.6666666666666666);
      EXPECT_TRUE(inv == f * Transposed(M)) << scale << " " << angle;
      EXPECT_LT(MaxDiff(inv * M, Vela3x3Matrix()), 1e-13);
    }
  }
  Vela3x3Matrix inv;
  ASSERT_EQ(Vela3x3Matrix(2.0).Inverse(inv), 1);
  EXPECT_LT(MaxDiff(inv, Vela3x3Matrix(0.5)), 1e-16);
}

TEST(Vela3x3Matrix, InverseOfAGeneralMatrixComposesToTheIdentity) {
  std::mt19937 rng(21);
  for (double scale : {1e-3, 1.0, 1e4}) {
    for (int k = 0; k < 30; ++k) {
      const Vela3x3Matrix A = Random(rng, scale);
      Vela3x3Matrix inv;
      ASSERT_EQ(A.Inverse(inv), 1);
      // The residual grows with the condition number; keep the random
      // matrices that are not nearly singular.
      const double cond = std::sqrt(MaxDiff(A, Vela3x3Matrix(0.0)) * MaxDiff(inv, Vela3x3Matrix(0.0)));
      EXPECT_LT(MaxDiff(A * inv, Vela3x3Matrix()), 1e-14 * cond * cond);
      EXPECT_LT(MaxDiff(inv * A, Vela3x3Matrix()), 1e-14 * cond * cond);
    }
  }
  // The output may be the matrix itself, on every path.
  for (Vela3x3Matrix A : {Random(rng, 1.0), 2.0 * Rotation(Unit(1, 2, 3), 1.0), Rotation(Unit(3, 2, 1), 1.0)}) {
    Vela3x3Matrix inv;
    ASSERT_EQ(A.Inverse(inv), 1);
    ASSERT_EQ(A.Inverse(A), 1);
    EXPECT_TRUE(A == inv);
  }
  // Orthogonal columns of unequal length are not a scaled rotation.
  Vela3x3Matrix inv;
  ASSERT_EQ(Vela3x3Matrix(1, 0, 0, 0, 2, 0, 0, 0, 4).Inverse(inv), 1);
  EXPECT_TRUE(inv == Vela3x3Matrix(1, 0, 0, 0, 0.5, 0, 0, 0, 0.25));
}

TEST(Vela3x3Matrix, InverseOfASingularMatrixFailsAndLeavesTheOutput) {
  const Vela3x3Matrix untouched(1, 2, 3, 4, 5, 6, 7, 8, 10);
  for (const Vela3x3Matrix& singular :
       {Vela3x3Matrix(0.0), Vela3x3Matrix(1, 2, 3, 2, 4, 6, 0, 1, 1), Vela3x3Matrix(1e-6),
        Vela3x3Matrix(1, 0, 0, 0, 1, 0, 0, 0, 1e-16)}) {
    Vela3x3Matrix inv = untouched;
    EXPECT_EQ(singular.Inverse(inv), 0);
    EXPECT_TRUE(inv == untouched);
  }
  // Just above the threshold the adjugate path still answers.
  Vela3x3Matrix inv;
  EXPECT_EQ(Vela3x3Matrix(1, 0, 0, 0, 1, 0, 0, 0, 1e-14).Inverse(inv), 1);
  EXPECT_NEAR(inv.Get(2, 2), 1e14, 1.0);
}

TEST(Vela3x3Matrix, EveryRotationConstructionGivesTheSameProperRotation) {
  std::mt19937 rng(13);
  std::normal_distribution<double> n;
  for (const Vela3Vector& axis : Axes()) {
    Vela3Vector frame[2];
    axis.GetOrthogonalVectors(frame);
    for (double angle : kAngles) {
      const std::string where = "angle " + std::to_string(angle) + " axis " + std::to_string(axis.GetX()) +
                                " " + std::to_string(axis.GetY()) + " " + std::to_string(axis.GetZ());
      const Vela3x3Matrix R = Rotation(axis, angle);
      ExpectRotation(R, where);
      EXPECT_LT(MaxDiff(R * axis, axis), 1e-15) << where;
      ExpectQuaternionOf(R, axis, angle, where);

      // About a given axis, from u to v orthogonal to it (lengths ignored).
      const Vela3Vector u = vela::detail::Scale(3.0, frame[0]);
      const Vela3Vector v = vela::detail::Scale(0.5, R * frame[0]);
      Vela3x3Matrix M;
      M.SetRotation(u, v, axis);
      ExpectRotation(M, where);
      EXPECT_LT(MaxDiff(M, R), 1e-14) << where;

      // The smallest rotation from a vector orthogonal to the axis.
      M.SetRotation(frame[0], R * frame[0]);
      ExpectRotation(M, where);
      // Near a half turn the axis u x v loses digits as 1 / sin(angle).
      if (angle >= 1e-9 && angle < kPi) {
        EXPECT_LT(MaxDiff(M, R), 1e-14 + 1e-15 / std::sin(angle)) << where;
      }
      EXPECT_LT(MaxDiff(M * frame[0], R * frame[0]), 1e-14) << where;

      // Frame to frame: a random frame and its image under R.
      const Vela3Vector a = Unit(n(rng), n(rng), n(rng));
      const Vela3Vector w(n(rng), n(rng), n(rng));
      M.SetRotation(a, w, R * a, vela::detail::Scale(2.0, R * w));
      ExpectRotation(M, where);
      EXPECT_LT(MaxDiff(M, R), 1e-13) << where;

      // Three angles: Rx(a1) Ry(a2) Rz(a3).
      const double a1 = angle, a2 = 0.7 - angle, a3 = -2.0 * angle;
      M.SetRotation(a1, a2, a3);
      ExpectRotation(M, where);
      EXPECT_LT(MaxDiff(M, Rotation(Vela3Vector(0), a1) * Rotation(Vela3Vector(1), a2) *
                               Rotation(Vela3Vector(2), a3)),
                1e-15)
          << where;
    }
  }
}

TEST(Vela3x3Matrix, SmallestRotationHandlesParallelAndOppositeVectors) {
  const Vela3Vector u = Unit(1, -2, 0.5);
  Vela3x3Matrix M(5.0);
  M.SetRotation(u, vela::detail::Scale(2.0, u));
  EXPECT_TRUE(M == Vela3x3Matrix());

  M.SetRotation(u, vela::detail::Scale(-1.0, u));
  const Vela3Vector half = u.GetOrthogonalVector();
  ExpectRotation(M, "half turn");
  EXPECT_LT(MaxDiff(M * half, half), 1e-15);
  EXPECT_LT(MaxDiff(M * u, vela::detail::Scale(-1.0, u)), 1e-15);
  EXPECT_LT(MaxDiff(M, Rotation(half, kPi)), 1e-15);

  // In general: a turn about the unit normal w = (u x v) / |u x v|.
  const Vela3Vector v = Unit(0.3, 0.8, -1);
  const Vela3Vector uxv = Cross(u, v);
  const double n = uxv.Norm();
  Vela3x3Matrix aboutNormal;
  aboutNormal.SetRotation(u, v, Vela3Vector(uxv.GetX() / n, uxv.GetY() / n, uxv.GetZ() / n));
  M.SetRotation(u, v);
  EXPECT_TRUE(M == aboutNormal);

  // No angle defined: the identity (the header's choice).
  M = Vela3x3Matrix(5.0);
  M.SetRotation(Vela3Vector(0), Vela3Vector(1), Vela3Vector(0));
  EXPECT_TRUE(M == Vela3x3Matrix());
  M.SetRotation(Vela3Vector(), Vela3Vector(1));
  EXPECT_TRUE(M == Vela3x3Matrix());

  // Frame to frame with u within 1e-10 of its axis: the orthogonal part has
  // lost most of its digits and is projected once more, so the result stays
  // a proper rotation (close to the exact one only to those digits).
  const Vela3Vector a = Unit(0.2, -0.4, 0.9);
  Vela3Vector normal[2];
  a.GetOrthogonalVectors(normal);
  const Vela3x3Matrix R = Rotation(Unit(1, 1, -2), 2.0);
  const Vela3Vector nearA = vela::detail::Add(a, vela::detail::Scale(1e-10, normal[0]));
  M.SetRotation(a, nearA, R * a, R * nearA);
  ExpectRotation(M, "nearly parallel");
  EXPECT_LT(MaxDiff(M, R), 1e-4);

  // Frame to frame with u along its axis falls back to SetRotation(a, b).
  Vela3x3Matrix expected;
  expected.SetRotation(Vela3Vector(0), Vela3Vector(1));
  M.SetRotation(Vela3Vector(0), Vela3Vector(3, 0, 0), Vela3Vector(1), Vela3Vector(2));
  EXPECT_TRUE(M == expected);

  // Null coefficient arrays are ignored.
  M.SetCoef(static_cast<const double(*)[3]>(nullptr));
  M.GetCoef(static_cast<double(*)[3]>(nullptr));
  EXPECT_TRUE(M == expected);
}

TEST(Vela3x3Matrix, QuaternionTakesTheLargestBranchExactly) {
  double w;
  Vela3Vector v;
  Vela3x3Matrix().GetQuaternion(w, v);
  EXPECT_EQ(w, 4.0);
  EXPECT_TRUE(v == Vela3Vector());

  const Vela3x3Matrix halfTurns[3] = {Vela3x3Matrix(1, 0, 0, 0, -1, 0, 0, 0, -1),
                                      Vela3x3Matrix(-1, 0, 0, 0, 1, 0, 0, 0, -1),
                                      Vela3x3Matrix(-1, 0, 0, 0, -1, 0, 0, 0, 1)};
  for (int k = 0; k < 3; ++k) {
    halfTurns[k].GetQuaternion(w, v);
    EXPECT_EQ(w, 0.0);
    EXPECT_TRUE(v == vela::detail::Scale(4.0, Vela3Vector(k)));
  }

  // Ties go to the first maximum: here t0 = t1 = t2.
  Vela3x3Matrix(1, 0, 0, 0, 1, 0, 0, 0, -1).GetQuaternion(w, v);
  EXPECT_EQ(w, 2.0);
  EXPECT_TRUE(v == Vela3Vector());

  // Every branch, with and without the final change of sign, on rotations
  // whose largest quaternion component is known.
  std::mt19937 rng(7);
  std::normal_distribution<double> n;
  int seen[4][2] = {};
  for (int k = 0; k < 400; ++k) {
    const Vela3Vector axis = Unit(n(rng), n(rng), n(rng));
    const double angle = std::uniform_real_distribution<double>(0.0, kPi)(rng);
    const Vela3x3Matrix R = Rotation(axis, angle);
    ExpectQuaternionOf(R, axis, angle, "random rotation " + std::to_string(k));
    const double q[4] = {std::cos(angle / 2), std::sin(angle / 2) * axis.GetX(),
                         std::sin(angle / 2) * axis.GetY(), std::sin(angle / 2) * axis.GetZ()};
    int branch = 0;
    for (int i = 1; i < 4; ++i)
      if (std::fabs(q[i]) > std::fabs(q[branch])) branch = i;
    ++seen[branch][branch > 0 && q[branch] < 0];
  }
  for (int k = 0; k < 4; ++k) EXPECT_GT(seen[k][0], 0) << k;
  for (int k = 1; k < 4; ++k) EXPECT_GT(seen[k][1], 0) << k;
}

TEST(Vela3x3Matrix, EulerAnglesRoundTripInTheirOwnConvention) {
  const auto ZXY = [](double A, double B, double C) {
    return Rotation(Vela3Vector(2), A) * Rotation(Vela3Vector(0), B) * Rotation(Vela3Vector(1), C);
  };
  std::mt19937 rng(23);
  std::uniform_real_distribution<double> turn(-3.1, 3.1), tilt(-1.5, 1.5);
  for (int k = 0; k < 100; ++k) {
    const double A = turn(rng), B = tilt(rng), C = turn(rng);
    double a, b, c;
    ZXY(A, B, C).GetEulerAngles(a, b, c);
    EXPECT_NEAR(a, A, 1e-13);
    EXPECT_NEAR(b, B, 1e-13);
    EXPECT_NEAR(c, C, 1e-13);
  }

  // Gimbal lock: oC = 0 and oA carries A + C (B = pi/2) or A - C (B = -pi/2).
  double a, b, c;
  ZXY(0.4, kPi / 2, 0.3).GetEulerAngles(a, b, c);
  EXPECT_EQ(b, 1.5707963267948966);
  EXPECT_EQ(c, 0.0);
  EXPECT_NEAR(a, 0.7, 1e-15);
  ZXY(0.4, -kPi / 2, 0.3).GetEulerAngles(a, b, c);
  EXPECT_EQ(b, -1.5707963267948966);
  EXPECT_EQ(c, 0.0);
  EXPECT_NEAR(a, 0.1, 1e-15);

  // SetRotation(a1, a2, a3) is Rx Ry Rz: its angles come back different,
  // yet they rebuild the same matrix.
  Vela3x3Matrix R;
  R.SetRotation(0.1, 0.2, 0.3);
  R.GetEulerAngles(a, b, c);
  EXPECT_GT(std::fabs(a - 0.1) + std::fabs(b - 0.2) + std::fabs(c - 0.3), 1e-3);
  EXPECT_LT(MaxDiff(ZXY(a, b, c), R), 1e-15);
}

TEST(Vela3x3Matrix, OrthonormalizeReplacesOnlyImproperOrDistortedMatrices) {
  for (const Vela3Vector& axis : Axes()) {
    for (double angle : kAngles) {
      const Vela3x3Matrix R = Rotation(axis, angle);
      Vela3x3Matrix M = R;
      M.Orthonormalize();
      EXPECT_TRUE(M == R);  // bit for bit

      // A perturbed rotation comes back proper and close to it.
      std::mt19937 rng(static_cast<unsigned>(angle * 1000));
      M = R + Random(rng, 1e-7);
      M.Orthonormalize();
      ExpectRotation(M, "perturbed");
      EXPECT_LT(MaxDiff(M, R), 1e-6);
    }
  }
  Vela3x3Matrix reflection(1, 0, 0, 0, 1, 0, 0, 0, -1);
  reflection.Orthonormalize();
  EXPECT_TRUE(reflection == Vela3x3Matrix());
  Vela3x3Matrix scaled = 2.0 * Rotation(Unit(1, 2, 3), 0.5);
  scaled.Orthonormalize();
  ExpectRotation(scaled, "scaled");
}

TEST(Vela3x3Matrix, RoundSnapsToZeroAndUnitsOnly) {
  Vela3x3Matrix M(1e-16, 1.0 - 1e-16, -1.0 + 4e-16, 1e-15, -9e-16, 1.0 + 8e-16, 0.5, -1.0 - 2e-15, 2.0);
  M.Round();
  EXPECT_TRUE(M == Vela3x3Matrix(0.0, 1.0, -1.0, 1e-15, 0.0, 1.0, 0.5, -1.0 - 2e-15, 2.0));
  EXPECT_TRUE(std::signbit(M.Get(1, 1)) == false);
}

TEST(Vela3x3Matrix, WriteDumpsTheRowsInScriptSyntax) {
  const Vela3x3Matrix M(1, -2, 0.1, 0, 1.0 / 3, -0.0, 1e-20, 2.5e10, -7);
  EXPECT_EQ(vela::test::CaptureStdout([&] { M.Write("R"); }),
            "R =\n"
            "  [[1, -2, 0.100000000000000006],\n"
            "   [0, 0.333333333333333315, -0],\n"
            "   [9.99999999999999945e-21, 25000000000, -7]]\n");
}
