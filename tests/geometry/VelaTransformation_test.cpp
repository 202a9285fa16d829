#include "vela/geometry/VelaTransformation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <iostream>
#include <random>
#include <sstream>
#include <string>

#include "vela/linalg/VelaMatrix.h"
#include "vela/streams/VelaStream.h"
#include "support/TestSupport.h"

namespace {

const double kPi = 3.141592653589793;

Vela3x3Matrix Rotation(const Vela3Vector& axis, double angle) {
  Vela3x3Matrix R;
  R.SetRotation(axis, angle);
  return R;
}

// A rotation about the unit axis (1, 2, 2) / 3 and a translation.
VelaTransformation SampleMotion() {
  return VelaTransformation(Rotation(Vela3Vector(1.0 / 3, 2.0 / 3, 2.0 / 3), 0.7), Vela3Vector(1.5, -2.0, 0.25));
}

void ExpectNear(const Vela3Vector& a, const Vela3Vector& b, double tol) {
  EXPECT_NEAR(a.GetX(), b.GetX(), tol);
  EXPECT_NEAR(a.GetY(), b.GetY(), tol);
  EXPECT_NEAR(a.GetZ(), b.GetZ(), tol);
}

// The zero flag is only observable through SetZero's return value: read it
// and put it back.
unsigned char ZeroFlag(VelaTransformation& T) {
  const unsigned char flag = T.SetZero(0);
  T.SetZero(flag);
  return flag;
}

std::string StreamText(const VelaTransformation& T) {
  VelaStream s;
  T.Write(s);
  return static_cast<std::stringstream*>(s.GetStream())->str();
}

// A quarter turn about z, with exact coefficients.
const Vela3x3Matrix kQuarterZ(0, -1, 0, 1, 0, 0, 0, 0, 1);

}  // namespace

// ---- Construction, zero flag, composition -------------------------------------

TEST(VelaTransformation, ConstructorsClearZeroAndCopiesKeepIt) {
  VelaTransformation identity;
  EXPECT_TRUE(identity == VelaTransformation(Vela3x3Matrix(), Vela3Vector()));
  VelaTransformation translation(Vela3Vector(1, 2, 3));
  EXPECT_EQ(ZeroFlag(identity), 0);
  EXPECT_EQ(ZeroFlag(translation), 0);
  EXPECT_EQ(translation.SetZero(7), 0);
  EXPECT_EQ(ZeroFlag(translation), 1);  // stored as 0 or 1
  VelaTransformation copy(translation);
  EXPECT_EQ(ZeroFlag(copy), 1);
  VelaTransformation assigned;
  assigned = translation;
  EXPECT_EQ(ZeroFlag(assigned), 1);
  EXPECT_TRUE(assigned == translation);
  VelaTransformation product = translation * translation;
  EXPECT_EQ(ZeroFlag(product), 0);  // the product clears it
}

TEST(VelaTransformation, EqualityIsExactAndIgnoresZero) {
  VelaTransformation a = SampleMotion(), b = SampleMotion();
  b.SetZero(1);
  EXPECT_TRUE(a == b);
  EXPECT_FALSE(a != b);
  b.GetVector().SetZ(std::nextafter(0.25, 1.0));
  EXPECT_FALSE(a == b);
  EXPECT_TRUE(a != b);
}

TEST(VelaTransformation, ProductsMovePointsAndTurnVectors) {
  const VelaTransformation T(kQuarterZ, Vela3Vector(1, 2, 3));
  const Vela3Point p = T * Vela3Point(1, 0, 5);
  EXPECT_EQ(p.GetX(), 1.0);
  EXPECT_EQ(p.GetY(), 3.0);
  EXPECT_EQ(p.GetZ(), 8.0);
  EXPECT_TRUE(T * Vela3Vector(1, 0, 5) == Vela3Vector(0, 1, 5));
  // (T o T)(p) = T(T(p)).
  const Vela3Point q = (T * T) * Vela3Point(1, 0, 5);
  const Vela3Point r = T * p;
  EXPECT_EQ(q.GetX(), r.GetX());
  EXPECT_EQ(q.GetY(), r.GetY());
  EXPECT_EQ(q.GetZ(), r.GetZ());
}

TEST(VelaTransformation, MultiplyComposesOnEitherSideLikeTheProduct) {
  const VelaTransformation A = SampleMotion();
  const VelaTransformation B(Rotation(Vela3Vector(0, 1, 0), -1.2), Vela3Vector(-3, 0.5, 4));
  VelaTransformation left = A, right = A, self = A;
  left.Multiply(B, 1);
  right.Multiply(B, 0);
  self.Multiply(self, 0);
  EXPECT_TRUE(left == B * A);
  EXPECT_TRUE(right == A * B);
  EXPECT_TRUE(self == A * A);
}

TEST(VelaTransformation, MultiplyDropsTranslationOfTheFactorLeftOfAZeroOne) {
  const VelaTransformation T(kQuarterZ, Vela3Vector(10, 20, 30));
  // this carries a direction: T o this only turns it.
  VelaTransformation direction(Vela3Vector(1, 0, 0));
  direction.SetZero(1);
  direction.Multiply(T, 1);
  EXPECT_TRUE(direction.GetVector() == Vela3Vector(0, 1, 0));
  EXPECT_EQ(ZeroFlag(direction), 1);
  // this o T with T carrying the direction: this's translation is not added.
  VelaTransformation base = T;
  VelaTransformation dir(Vela3Vector(1, 0, 0));
  dir.SetZero(1);
  base.Multiply(dir, 0);
  EXPECT_TRUE(base.GetVector() == Vela3Vector(0, 1, 0));
  EXPECT_EQ(ZeroFlag(base), 1);  // the or of both
  // Neither flag set: the ordinary composition, flag stays clear.
  VelaTransformation plain(Vela3Vector(1, 0, 0));
  plain.Multiply(T, 1);
  EXPECT_TRUE(plain.GetVector() == Vela3Vector(10, 21, 30));
  EXPECT_EQ(ZeroFlag(plain), 0);
}

TEST(VelaTransformation, InverseUndoesAndKeepsTheOutputsZeroFlag) {
  const VelaTransformation T = SampleMotion();
  VelaTransformation inv;
  inv.SetZero(1);
  T.Inverse(inv);
  EXPECT_EQ(ZeroFlag(inv), 1);
  EXPECT_TRUE((T * inv).IsIdentity(1e-15, 1e-15));
  Vela3x3Matrix R, Rinv, Rt;
  T.GetMatrix(R);
  inv.GetMatrix(Rinv);
  R.Transpose(Rt);
  EXPECT_TRUE(Rinv == Rt);  // exactly the transpose
  VelaTransformation self = T;
  self.Inverse(self);
  EXPECT_TRUE(self == inv);
}

// ---- Tolerant comparisons ---------------------------------------------------------

TEST(VelaTransformation, IsEqualHonoursBothTolerances) {
  const VelaTransformation T = SampleMotion();
  // A shift of length 2e-6 along the unit (0.6, 0, 0.8), applied before T.
  VelaTransformation shifted = T * VelaTransformation(Vela3Vector(1.2e-6, 0, 1.6e-6));
  EXPECT_FALSE(T.IsEqual(shifted, 1e-6, 1e-6));
  EXPECT_TRUE(T.IsEqual(shifted, 3e-6, 1e-6));
  // An extra turn of 1e-7 about any axis.
  VelaTransformation turned = T * VelaTransformation(Rotation(Vela3Vector(0, 0.6, 0.8), 1e-7), Vela3Vector());
  EXPECT_TRUE(T.IsEqual(turned, 1e-9, 1e-6));
  EXPECT_FALSE(T.IsEqual(turned, 1e-9, 1e-8));
  EXPECT_TRUE(T.IsEqual(T, 0.0, 0.0));
}

TEST(VelaTransformation, IdentityAndNullTestsIncludeTheirBoundary) {
  VelaTransformation T(Vela3Vector(0, 3, 4));
  EXPECT_TRUE(T.IsNullVector(5.0));
  EXPECT_FALSE(T.IsNullVector(4.999));
  EXPECT_TRUE(T.IsIdentityMatrix(0.0));
  EXPECT_TRUE(T.IsIdentity(5.0, 0.0));
  EXPECT_FALSE(T.IsIdentity(4.0, 1.0));
  T.SetMatrix(Rotation(Vela3Vector(1, 0, 0), 0.5));
  EXPECT_TRUE(T.IsIdentityMatrix(0.5 + 1e-12));
  EXPECT_FALSE(T.IsIdentityMatrix(0.5 - 1e-12));
  EXPECT_FALSE(T.IsIdentity(5.0, 0.4));
  // A half turn reads as pi, not 0.
  T.SetMatrix(Vela3x3Matrix(1, 0, 0, 0, -1, 0, 0, 0, -1));
  EXPECT_FALSE(T.IsIdentityMatrix(3.14));
  EXPECT_TRUE(T.IsIdentityMatrix(kPi));
}

// ---- Fields ---------------------------------------------------------------------------

TEST(VelaTransformation, CoefficientAccessorsAndPlanarMatrix) {
  VelaTransformation T(kQuarterZ, Vela3Vector(1, 2, 3));
  T.Scale(2.0);
  double r[3][3], t[3], o[3][3];
  T.GetCoef(r, t);
  T.GetTransformation2D(o);
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) EXPECT_EQ(r[i][j], kQuarterZ.Get(i, j));
  EXPECT_EQ(t[0], 2.0);
  EXPECT_EQ(t[1], 4.0);
  EXPECT_EQ(t[2], 6.0);
  const double planar[3][3] = {{0, -1, 2}, {1, 0, 4}, {0, 0, 1}};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) EXPECT_EQ(o[i][j], planar[i][j]);
}

// ---- Screw parameters -------------------------------------------------------------------

TEST(VelaTransformation, HelicalParametersOfTranslationsAndIdentity) {
  Vela3Vector point(9, 9, 9), axis;
  double angle = 9, translation = 9;
  VelaTransformation(Vela3Vector(3, 0, 0)).GetHelicalParameters(point, axis, angle, translation);
  EXPECT_TRUE(point == Vela3Vector());
  EXPECT_TRUE(axis == Vela3Vector(1, 0, 0));
  EXPECT_EQ(angle, 0.0);
  EXPECT_EQ(translation, 3.0);
  VelaTransformation(Vela3Vector(0, 0, -2)).GetHelicalParameters(point, axis, angle, translation);
  EXPECT_TRUE(axis == Vela3Vector(0, 0, -1));
  EXPECT_EQ(translation, 2.0);
  VelaTransformation().GetHelicalParameters(point, axis, angle, translation);
  EXPECT_TRUE(axis == Vela3Vector(1, 0, 0));
  EXPECT_TRUE(point == Vela3Vector());
  EXPECT_EQ(translation, 0.0);
  EXPECT_EQ(angle, 0.0);
}

TEST(VelaTransformation, HelicalParametersFindTheScrewAxisPointNearestTheOrigin) {
  VelaTransformation T;
  // A quarter turn about the z-parallel axis through (1, 2, *), sliding 0.5.
  T.SetHelicalParameters(Vela3Vector(1, 2, 7), Vela3Vector(0, 0, 1), kPi / 2, 0.5);
  const Vela3Point onAxis = T * Vela3Point(1, 2, 7);
  EXPECT_NEAR(onAxis.GetX(), 1.0, 1e-15);
  EXPECT_NEAR(onAxis.GetY(), 2.0, 1e-15);
  EXPECT_NEAR(onAxis.GetZ(), 7.5, 1e-15);
  Vela3Vector point, axis;
  double angle = 0, translation = 0;
  T.GetHelicalParameters(point, axis, angle, translation);
  ExpectNear(point, Vela3Vector(1, 2, 0), 1e-15);
  ExpectNear(axis, Vela3Vector(0, 0, 1), 1e-15);
  EXPECT_NEAR(angle, kPi / 2, 1e-15);
  EXPECT_NEAR(translation, 0.5, 1e-15);
  // The opposite turn reads as the same angle about the reversed axis.
  T.SetHelicalParameters(Vela3Vector(1, 2, 0), Vela3Vector(0, 0, 1), -kPi / 2, 0.5);
  T.GetHelicalParameters(point, axis, angle, translation);
  ExpectNear(axis, Vela3Vector(0, 0, -1), 1e-15);
  EXPECT_NEAR(angle, kPi / 2, 1e-15);
  EXPECT_NEAR(translation, -0.5, 1e-15);
  ExpectNear(point, Vela3Vector(1, 2, 0), 1e-15);
}

// ---- Exponential coordinates -----------------------------------------------------------

TEST(VelaTransformation, ExponentialOfKnownTwists) {
  VelaTransformation T(kQuarterZ, Vela3Vector(5, 5, 5));
  const double zeroTurn[6] = {0, 0, 0, 1, -2, 3};
  T.SetExponentialParameters(zeroTurn);
  EXPECT_TRUE(T == VelaTransformation(Vela3Vector(1, -2, 3)));  // exactly the translation v
  // A quarter turn about z with v = (1, 0, 0): t = (2/pi, 2/pi, 0).
  const double quarter[6] = {0, 0, kPi / 2, 1, 0, 0};
  T.SetExponentialParameters(quarter);
  EXPECT_TRUE(T.IsEqual(VelaTransformation(kQuarterZ, Vela3Vector(2 / kPi, 2 / kPi, 0)), 1e-15, 1e-15));
  double p[6];
  T.GetExponentialParameters(p);
  for (int i = 0; i < 6; ++i) EXPECT_NEAR(p[i], quarter[i], 1e-15) << i;
  // A null twist is the identity; a pure translation reads back as v.
  T.SetExponentialParameters(nullptr);
  EXPECT_TRUE(T == VelaTransformation());
  VelaTransformation(Vela3Vector(4, 5, 6)).GetExponentialParameters(p);
  const double expected[6] = {0, 0, 0, 4, 5, 6};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(p[i], expected[i]);
}

TEST(VelaTransformation, PowScalesTheScrew) {
  // A quarter turn about z sliding 2 along it: the half power is an eighth
  // turn sliding 1 about the same axis.
  VelaTransformation T;
  T.SetHelicalParameters(Vela3Vector(1, -1, 0), Vela3Vector(0, 0, 1), kPi / 2, 2.0);
  VelaTransformation half = T;
  half.Pow(0.5);
  VelaTransformation expected;
  expected.SetHelicalParameters(Vela3Vector(1, -1, 0), Vela3Vector(0, 0, 1), kPi / 4, 1.0);
  EXPECT_TRUE(half.IsEqual(expected, 1e-15, 1e-15));
  VelaTransformation zero = T, one = T, minusOne = T, inverse;
  zero.Pow(0.0);
  one.Pow(1.0);
  minusOne.Pow(-1.0);
  T.Inverse(inverse);
  EXPECT_TRUE(zero == VelaTransformation());
  EXPECT_TRUE(one.IsEqual(T, 1e-15, 1e-15));
  EXPECT_TRUE(minusOne.IsEqual(inverse, 1e-15, 1e-15));
}

TEST(VelaTransformation, ExpDerivativeAtZeroAndWithNullArguments) {
  const double p[6] = {0, 0, 0, 1, 2, 3};
  const double d[6] = {0.5, -1, 2, 4, 5, 6};
  double out[6];
  VelaTransformation::ComputeExpDerivativeAlongDirection(p, d, out);
  // d_w, then d_v + (v x d_w) / 2.
  const double expected[6] = {0.5, -1, 2, 4 + 3.5, 5 - 0.25, 6 - 1};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(out[i], expected[i]) << i;
  VelaTransformation::ComputeExpDerivativeAlongDirection(nullptr, d, out);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(out[i], d[i]) << i;
  const double q[6] = {0.3, -0.2, 0.9, 1, 2, 3};
  VelaTransformation::ComputeExpDerivativeAlongDirection(q, nullptr, out);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(out[i], 0.0) << i;
  // Along the twist itself the derivative is the twist (exp(s p) is a
  // one-parameter group).
  VelaTransformation::ComputeExpDerivativeAlongDirection(q, q, out);
  for (int i = 0; i < 6; ++i) EXPECT_NEAR(out[i], q[i], 1e-15) << i;
}

// ---- Adjoint --------------------------------------------------------------------------------

TEST(VelaTransformation, AdjointHasTheRotationBlocksAndConjugatesTwists) {
  const VelaTransformation T = SampleMotion();
  VelaMatrix M(3, 7, -1.0);  // junk of another shape: every element is rewritten
  T.GetLeftToRightLieAlgebraMapping(M);
  ASSERT_EQ(M.GetNbOfRow(), 6);
  ASSERT_EQ(M.GetNbOfCol(), 6);
  Vela3x3Matrix R;
  T.GetMatrix(R);
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      EXPECT_NEAR(M(i, j), R.Get(i, j), 4e-16);
      EXPECT_NEAR(M(i + 3, j + 3), R.Get(i, j), 4e-16);
      EXPECT_EQ(M(i, j + 3), 0.0);
    }
  // T exp(xi) T^-1 = exp(Ad xi).
  std::mt19937 rng(42);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  for (int trial = 0; trial < 5; ++trial) {
    double xi[6], adXi[6];
    for (double& x : xi) x = u(rng);
    for (int i = 0; i < 6; ++i) {
      adXi[i] = 0.0;
      for (int j = 0; j < 6; ++j) adXi[i] += M(i, j) * xi[j];
    }
    VelaTransformation E, F, Tinv;
    E.SetExponentialParameters(xi);
    F.SetExponentialParameters(adXi);
    T.Inverse(Tinv);
    EXPECT_TRUE((T * E * Tinv).IsEqual(F, 1e-14, 1e-14)) << trial;
  }
}

// ---- Other parameterisations --------------------------------------------------------------

TEST(VelaTransformation, EulerAndSketchFrames) {
  const double euler[6] = {0.3, -1.1, 2.5, 7, 8, 9};
  VelaTransformation T;
  T.SetEulerParameters(euler);
  Vela3x3Matrix R;
  R.SetRotation(0.3, -1.1, 2.5);
  EXPECT_TRUE(T == VelaTransformation(R, Vela3Vector(7, 8, 9)));
  const double sketch[9] = {1, 2, 3, 0, 1, 0, 0, 0, -1};
  T.SetSketch(sketch);
  EXPECT_TRUE(T == VelaTransformation(Vela3x3Matrix(0, 0, -1, 1, 0, 0, 0, -1, 0), Vela3Vector(1, 2, 3)));
  const double skew[9] = {0, 0, 0, 2, 0, 0, 0, 3, 0};  // taken as given: not normalised
  T.SetSketch(skew);
  EXPECT_TRUE(T == VelaTransformation(Vela3x3Matrix(2, 0, 0, 0, 3, 0, 0, 0, 6), Vela3Vector()));
}

TEST(VelaTransformation, AdjustmentFramesCarryOriginAndXAxis) {
  const double p[6] = {1, 2, 3, 0, 3, 4};
  VelaTransformation left, right;
  left.SetLeftAdjustment(6, p);
  right.SetRightAdjustment(6, p);
  const Vela3Point o = left * Vela3Point();
  EXPECT_EQ(o.GetX(), 1.0);
  EXPECT_EQ(o.GetY(), 2.0);
  EXPECT_EQ(o.GetZ(), 3.0);
  ExpectNear(left * Vela3Vector(1, 0, 0), Vela3Vector(0, 0.6, 0.8), 1e-15);
  EXPECT_TRUE((left * right).IsIdentity(1e-15, 1e-15));
  EXPECT_TRUE((right * left).IsIdentity(1e-15, 1e-15));

  left.SetLeftAdjustment(3, p);
  right.SetRightAdjustment(3, p);
  EXPECT_TRUE(left == VelaTransformation(Vela3Vector(1, 2, 3)));
  EXPECT_TRUE(right == VelaTransformation(Vela3Vector(-1, -2, -3)));
  // Other sizes change nothing; a null input counts as zeros.
  left.SetLeftAdjustment(5, p);
  right.SetRightAdjustment(0, p);
  EXPECT_TRUE(left == VelaTransformation(Vela3Vector(1, 2, 3)));
  EXPECT_TRUE(right == VelaTransformation(Vela3Vector(-1, -2, -3)));
  left.SetLeftAdjustment(6, nullptr);
  right.SetRightAdjustment(6, nullptr);
  EXPECT_TRUE(left == VelaTransformation());
  EXPECT_TRUE(right == VelaTransformation());
}

// ---- Text forms -------------------------------------------------------------------------

TEST(VelaTransformation, StreamFormUsesTheStreamsPrecision) {
  EXPECT_EQ(StreamText(VelaTransformation()), " identity; null");
  EXPECT_EQ(StreamText(VelaTransformation(Vela3Vector(0.1, 0, -2.5))), " identity; [0.1, 0, -2.5]");
  EXPECT_EQ(StreamText(VelaTransformation(kQuarterZ, Vela3Vector())),
            "\n  [[0, -1, 0],\n   [1, 0, 0],\n   [0, 0, 1]];\n   null");
  VelaStream s;
  s << velsetprecision(3);
  VelaTransformation(Vela3x3Matrix(1, 0, 0, 0, -1, 0, 0, 0, -1), Vela3Vector(1.0 / 3, 2, 3)).Write(s);
  EXPECT_EQ(static_cast<std::stringstream*>(s.GetStream())->str(),
            "\n  [[1, 0, 0],\n   [0, -1, 0],\n   [0, 0, -1]];\n   [0.333, 2, 3]");
}

TEST(VelaTransformation, TraceFormPrintsIdentityAndNullOnOneLine) {
  EXPECT_EQ(vela::test::CaptureStdout([] { VelaTransformation().Write("T"); }), "T: identity; null;\n");
  // Below 1e-12 in angle and length counts as identity and null.
  const VelaTransformation tiny(Rotation(Vela3Vector(0, 0, 1), 1e-13), Vela3Vector(1e-13, 0, 0));
  EXPECT_EQ(vela::test::CaptureStdout([&] { tiny.Write("tiny"); }), "tiny: identity; null;\n");
  EXPECT_EQ(vela::test::CaptureStdout([] { VelaTransformation(Vela3Vector(0.1, 0, 2)).Write("shift"); }),
            "shift: identity; [0.100000000000000006, 0, 2];\n");
  EXPECT_EQ(vela::test::CaptureStdout([] { VelaTransformation(kQuarterZ, Vela3Vector()).Write("Q"); }),
            "Q:\n  [[0, -1, 0],\n   [1, 0, 0],\n   [0, 0, 1]];\nnull;\n");
}
