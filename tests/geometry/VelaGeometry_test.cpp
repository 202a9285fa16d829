// Points, vectors, 3x3 matrices and rigid transformations: the values their rules fix exactly (degenerate inputs,
// branches, flags, thresholds), random properties with fixed seeds, the dumps byte for byte, and the identities
// every rotation and motion satisfies over a grid of angles, axes and translations.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <sstream>
#include <string>

#include "support/TestSupport.h"
#include "vela/foundation/VelaConstants.h"
#include "vela/geometry/VelaTransformation.h"
#include "vela/linalg/VelaMatrix.h"
#include "vela/streams/VelaStream.h"

namespace {

using vela::detail::Add;
using vela::detail::Cross;
using vela::detail::Dot;
using vela::detail::Scale;
using vela::detail::Sub;
const double kPi = 3.141592653589793, kEps = 2.220446049250313e-16;

// Exactly, sign of zero included.
std::string Text(const Vela3Vector& v) {
  std::ostringstream s;
  s << v.GetX() << " " << v.GetY() << " " << v.GetZ();
  return s.str();
}
std::string Text(const Vela3Point& p) { return Text(p.MinusOrigin()); }
double Diff(const Vela3x3Matrix& A, const Vela3x3Matrix& B) {  // the largest coefficient difference
  double d = 0.0;
  for (int k = 0; k < 9; ++k) d = std::fmax(d, std::fabs(A.Get(k / 3, k % 3) - B.Get(k / 3, k % 3)));
  return d;
}
double Gap(const Vela3Vector& a, const Vela3Vector& b) {  // the largest coordinate difference
  const Vela3Vector d = Sub(a, b);
  return std::fmax(std::fabs(d.GetX()), std::fmax(std::fabs(d.GetY()), std::fabs(d.GetZ())));
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
Vela3x3Matrix MatrixOf(const VelaTransformation& T) {
  Vela3x3Matrix R;
  T.GetMatrix(R);
  return R;
}
double RotationDefect(const Vela3x3Matrix& R) {  // largest |R Rᵀ - I| entry and |det R - 1|
  return std::fmax(Diff(R * Transposed(R), Vela3x3Matrix()), std::fabs(R.Determinant() - 1.0));
}
VelaTransformation Exp(const double* p) {
  VelaTransformation T;
  T.SetExponentialParameters(p);
  return T;
}
Vela3Vector Unit(Vela3Vector v) { return v.Normalize(), v; }
void Six(double* out, const Vela3Vector& a, const Vela3Vector& b) { a.GetCoord(out), b.GetCoord(out + 3); }
Vela3Vector RandomVector(std::mt19937& rng, double scale) {
  std::uniform_real_distribution<double> u(-scale, scale);
  const double x = u(rng), y = u(rng), z = u(rng);
  return Vela3Vector(x, y, z);
}
unsigned char ZeroFlag(VelaTransformation& T) {  // read through SetZero, then put back
  const unsigned char flag = T.SetZero(0);
  return T.SetZero(flag), flag;
}
const Vela3x3Matrix kQuarterZ(0, -1, 0, 1, 0, 0, 0, 0, 1);

TEST(Vela3Vector, ExactValuesOfTheRules) {
  const Vela3Vector x(0), y(1), z(2), zero;
  Vela3Vector nearUnit(1.0000000000000004, 0, 0), outside(1.0000000000000022, 0, 0), v(3, 0, -4), tiny(1e-200, 0, 0), o;
  for (Vela3Vector* n : {&nearUnit, &outside, &v, &tiny, &o}) n->Normalize();
  EXPECT_EQ(Text(nearUnit) + "|" + Text(outside) + "|" + Text(v) + "|" + Text(tiny) + "|" + Text(o),
            "1 0 0|1 0 0|0.6 0 -0.8|1e-200 0 0|0 0 0");
  EXPECT_NE(nearUnit.GetX(), 1.0);  // within 1e-15 of a unit: untouched
  Vela3Vector r(1e-16, -9.9e-16, 1e-15), p2(7, 8, 9);
  const double xy[2] = {7, 8};
  r.Round(), p2.SetCoord2D(xy);
  Vela3Point q(nullptr);
  q.SetCoord2D(xy), q.SetCoord(0u, 1.5);
  EXPECT_EQ(Text(z) + "|" + Text(r) + "|" + Text(p2) + "|" + Text(q) + "|" + Text(Vela3Vector(nullptr)),
            "0 0 1|0 0 1e-15|7 8 0|1.5 8 1|0 0 0");
  EXPECT_TRUE(Vela3Vector(-5, 0, 0).NormInf() == 0.0 && Vela3Vector(-3, -1, -2).NormInf() == -1.0 &&
              Vela3Vector(3, 4, 12).Norm() == 13.0 && Vela3Vector(1, 2, 3) != Vela3Vector(1, 2, 3.0000000000000004));
  EXPECT_TRUE(zero.AngleTo(zero) == 0.0 && zero.AngleTo(Vela3Vector(-1, -1, -1)) == 0.0 &&
              x.AngleTo(Vela3Vector(-2, 0, 0)) == kPi);
  EXPECT_TRUE(x.AngleTo(y, Vela3Vector(0, 0, -1)) == -kPi / 2 && x.AngleTo(y, z) == kPi / 2 && x.AngleTo(y, x) == kPi / 2);
  EXPECT_TRUE(x.IsCollinear(Vela3Vector(-1, 0, 0), 1e-9) && x.IsCollinear(Vela3Vector(1, 1e-10, 0), 1e-9) &&
              !x.IsCollinear(Vela3Vector(1, 1e-8, 0), 1e-9) && !x.IsCollinear(Vela3Vector(-1, 1e-8, 0), 1e-9));
  // GetOrthogonalVector's three cases, then its parallel, zero and general partners.
  EXPECT_EQ(Text(z.GetOrthogonalVector()) + "|" + Text(x.GetOrthogonalVector()) + "|" +
                Text(Vela3Vector(0, 3, 4).GetOrthogonalVector()) + "|" + Text(zero.GetOrthogonalVector()),
            "1 0 -0|-0 1 0|0 -0.8 0.6|-0 0 0");
  const Vela3Vector a(0, 0, 2);
  EXPECT_EQ(Text(a.GetOrthogonalVector(Vela3Vector(0, 0, -5), 1e-9)) + "|" + Text(a.GetOrthogonalVector(zero, 1e-9)) +
                "|" + Text(a.GetOrthogonalVector(Vela3Vector(0, 1e-10, 1), 1e-9)) + "|" +
                Text(a.GetOrthogonalVector(Vela3Vector(3, 0, 1), 1e-9)),
            "1 0 -0|1 0 -0|1 0 -0|1 0 0");
}

TEST(Vela3Point, DistancesAndProjections) {
  const Vela3Point pts[4] = {Vela3Point(5, 0, 0), Vela3Point(0, 2, 0), Vela3Point(0, 0, -2), Vela3Point(0, 1, 0)};
  const Vela3Point O, P(1, 2, 2);
  int first = -7, nearest = -7;
  EXPECT_TRUE(O.DistanceTo(pts, 3, first) == 2.0 && first == 1 && O.DistanceTo(pts, 4, nearest) == 1.0 && nearest == 3);
  EXPECT_TRUE(P.DistanceToLine(O, Vela3Vector()) == 3.0 && P.DistanceToPlane(O, Vela3Vector()) == 3.0 &&
              P.DistanceToPlane(O, Vela3Vector(0, 0, -4)) == -2.0 && P.SquareDistanceTo(O) == 9.0);
  EXPECT_EQ(Text(P.ProjectOnLine(O, Vela3Vector())) + "|" + Text(P.ProjectOnPlane(O, Vela3Vector())) + "|" +
                Text(P.ProjectOnPlane(O, Vela3Vector(0, 0, 7))) + "|" +
                Text(P.ProjectOnLine(Vela3Point(0, 0, 1), Vela3Vector(2, 0, 0))),
            "0 0 0|0 0 0|1 2 0|1 0 1");
  std::mt19937 rng(5);
  for (double scale : {1e-3, 1.0, 1e3}) {
    for (int k = 0; k < 50; ++k) {
      const Vela3Point A = RandomVector(rng, scale).AddToOrigin(), B = RandomVector(rng, scale).AddToOrigin();
      const Vela3Vector d = RandomVector(rng, 1.0);
      const Vela3Point L = A.ProjectOnLine(B, d), Q = A.ProjectOnPlane(B, d);
      const double tol = 1e-12 * scale;
      EXPECT_TRUE(L.DistanceToLine(B, d) < tol && std::fabs(Dot(Sub(A, L), d)) < tol &&
                  std::fabs(A.DistanceTo(L) - A.DistanceToLine(B, d)) < tol);
      EXPECT_TRUE(std::fabs(Q.DistanceToPlane(B, d)) < tol && Cross(Sub(A, Q), d).Norm() < tol &&
                  std::fabs(A.DistanceTo(Q) - std::fabs(A.DistanceToPlane(B, d))) < tol);
    }
  }
}

// GetOrthogonalVector(v, tol): a unit vector in the plane of a and v, on v's side; GetOrthogonalVectors: with a,
// a right-handed frame.
TEST(Vela3Vector, OrthogonalFramesAreRightHanded) {
  std::mt19937 rng(17);
  for (double scale : {1e-6, 1.0, 1e6}) {
    for (int k = 0; k < 100; ++k) {
      Vela3Vector a = RandomVector(rng, scale), pair[2];
      const Vela3Vector v = RandomVector(rng, scale), w = a.GetOrthogonalVector(v, 1e-9);
      EXPECT_TRUE(std::fabs(w.Norm() - 1) < 1e-15 && std::fabs(Dot(w, a)) < 1e-14 * scale && Dot(w, v) > 0.0 &&
                  std::fabs(Dot(Cross(a, v), w)) < 1e-14 * scale * scale);
      a.Normalize(), a.GetOrthogonalVectors(pair);
      EXPECT_LT(std::fabs(Dot(Cross(a, pair[0]), pair[1]) - 1.0), 1e-15);
    }
  }
}

TEST(Vela3x3Matrix, AccessorsAndOperators) {
  const Vela3x3Matrix A(1, 2, 3, 4, 5, 6, 7, 8, 10);
  Vela3x3Matrix B, T = A;
  Vela3Vector r, c;
  A.GetSecondLine(r), A.GetThirdColumn(c), T.Transpose(T);
  B.SetMatrix(Vela3Vector(1, 4, 7), Vela3Vector(2, 5, 8), c);
  EXPECT_TRUE(B == A && Text(r) == "4 5 6" && T == Vela3x3Matrix(1, 4, 7, 2, 5, 8, 3, 6, 10) && A.Determinant() == -3.0);
  B.SetFirstLine(Vela3Vector(0)), B.SetThirdColumn(Vela3Vector(-1, -2, -3));
  EXPECT_TRUE(B == Vela3x3Matrix(1, 0, -1, 4, 5, -2, 7, 8, -3) && A + Vela3x3Matrix(2.0) == Vela3x3Matrix(3, 2, 3, 4, 7, 6, 7, 8, 12));
  EXPECT_TRUE(A - Vela3x3Matrix(2.0) == Vela3x3Matrix(-1, 2, 3, 4, 3, 6, 7, 8, 8) && 2.0 * A == A * 2.0 &&
              A / 4.0 == Vela3x3Matrix(0.25, 0.5, 0.75, 1, 1.25, 1.5, 1.75, 2, 2.5));
  EXPECT_TRUE(A * B == Vela3x3Matrix(30, 34, -14, 66, 73, -32, 109, 120, -53));
  EXPECT_EQ(Text(A * Vela3Vector(1, -1, 2)) + "|" + Text(A * Vela3Point(1, -1, 2)), "5 11 19|5 11 19");
  Vela3x3Matrix M(1e-16, 1.0 - 1e-16, -1.0 + 4e-16, 1e-15, -9e-16, 1.0 + 8e-16, 0.5, -1.0 - 2e-15, 2.0);
  M.Round();
  EXPECT_TRUE(M == Vela3x3Matrix(0.0, 1.0, -1.0, 1e-15, 0.0, 1.0, 0.5, -1.0 - 2e-15, 2.0) && !std::signbit(M.Get(1, 1)));
}

// Each path of the inverse: the exact transpose of an orthonormal matrix, the
// scaled transpose of a scaled rotation, the adjugate otherwise (the output
// may be the matrix itself); a singular matrix leaves the output alone.
TEST(Vela3x3Matrix, InverseTakesEachPath) {
  const Vela3x3Matrix R = Rotation(Vela3Vector(0.6, 0, 0.8), 1.0), reflection(0, 1, 0, 1, 0, 0, 0, 0, 1);
  Vela3x3Matrix inv, selfR = R, self = -2.0 * R;
  EXPECT_TRUE(selfR.Inverse(selfR) && selfR == Transposed(R) && reflection.Inverse(inv) && inv == reflection);
  EXPECT_TRUE(self.Inverse(self) && self == std::pow(0.125, 0.6666666666666666) * -2.0 * Transposed(R));
  std::mt19937 rng(21);
  for (int k = 0; k < 30; ++k) {
    Vela3x3Matrix A, Ai;
    A.SetMatrix(RandomVector(rng, 1), RandomVector(rng, 1), RandomVector(rng, 1));
    Vela3x3Matrix self2 = A;
    ASSERT_TRUE(A.Inverse(Ai) && self2.Inverse(self2) && self2 == Ai);
    EXPECT_LT(Diff(A * Ai, Vela3x3Matrix()), 1e-14 * Diff(A, Vela3x3Matrix(0.0)) * Diff(Ai, Vela3x3Matrix(0.0)));
  }
  for (const Vela3x3Matrix& singular : {Vela3x3Matrix(0.0), Vela3x3Matrix(1, 2, 3, 2, 4, 6, 0, 1, 1), Vela3x3Matrix(1e-6)}) {
    Vela3x3Matrix out(7.0);
    EXPECT_TRUE(!singular.Inverse(out) && out == Vela3x3Matrix(7.0));
  }
  EXPECT_TRUE(Vela3x3Matrix(1, 0, 0, 0, 1, 0, 0, 0, 1e-14).Inverse(inv) && std::fabs(inv.Get(2, 2) - 1e14) < 1);
}

TEST(Vela3x3Matrix, QuaternionEulerAnglesAndOrthonormalize) {
  double w, A, B, C;
  Vela3Vector v;
  const struct { Vela3x3Matrix m; double w; Vela3Vector v; } cases[] = {  // the first maximum wins ties
      {Vela3x3Matrix(), 4, Vela3Vector()}, {Vela3x3Matrix(1, 0, 0, 0, -1, 0, 0, 0, -1), 0, Vela3Vector(4, 0, 0)},
      {Vela3x3Matrix(-1, 0, 0, 0, 1, 0, 0, 0, -1), 0, Vela3Vector(0, 4, 0)},
      {Vela3x3Matrix(-1, 0, 0, 0, -1, 0, 0, 0, 1), 0, Vela3Vector(0, 0, 4)},
      {Vela3x3Matrix(1, 0, 0, 0, 1, 0, 0, 0, -1), 2, Vela3Vector()}, {kQuarterZ, 2, Vela3Vector(0, 0, 2)}};
  for (const auto& c : cases) {
    c.m.GetQuaternion(w, v);
    EXPECT_TRUE(w == c.w && v == c.v) << &c - cases;
  }
  const auto zxy = [](double a, double b, double c) {
    return Rotation(Vela3Vector(2), a) * Rotation(Vela3Vector(0), b) * Rotation(Vela3Vector(1), c);
  };
  zxy(0.4, -1.2, 2.9).GetEulerAngles(A, B, C);
  EXPECT_TRUE(std::fabs(A - 0.4) < 1e-14 && std::fabs(B + 1.2) < 1e-14 && std::fabs(C - 2.9) < 1e-14);
  zxy(0.4, kPi / 2, 0.3).GetEulerAngles(A, B, C);  // gimbal lock: C = 0, A carries A + C
  EXPECT_TRUE(B == 1.5707963267948966 && C == 0.0 && std::fabs(A - 0.7) < 1e-15);
  zxy(0.4, -kPi / 2, 0.3).GetEulerAngles(A, B, C);
  EXPECT_TRUE(B == -1.5707963267948966 && C == 0.0 && std::fabs(A - 0.1) < 1e-15);
  Vela3x3Matrix R, reflection(1, 0, 0, 0, 1, 0, 0, 0, -1);
  R.SetRotation(0.1, 0.2, 0.3), R.GetEulerAngles(A, B, C);  // Rx Ry Rz: other angles, the same matrix
  EXPECT_TRUE(std::fabs(A - 0.1) + std::fabs(B - 0.2) > 1e-3 && Diff(zxy(A, B, C), R) < 1e-15);
  reflection.Orthonormalize();  // its quaternion is (2, 0, 0, 0)
  EXPECT_TRUE(reflection == Vela3x3Matrix());
}

TEST(Vela3x3Matrix, SmallestRotationsOfParallelAndOppositeVectors) {
  const Vela3Vector u(0.36, -0.48, 0.8);
  Vela3x3Matrix M(5.0), expected;
  M.SetRotation(u, Scale(2.0, u));
  EXPECT_TRUE(M == Vela3x3Matrix());
  M.SetRotation(u, Scale(-1.0, u));
  EXPECT_LT(Diff(M, Rotation(u.GetOrthogonalVector(), kPi)), 1e-15);
  M.SetRotation(Vela3Vector(), Vela3Vector(1));
  EXPECT_TRUE(M == Vela3x3Matrix());
  // Frame to frame with u along its axis: the smallest rotation from a to b.
  expected.SetRotation(Vela3Vector(0), Vela3Vector(1));
  M.SetRotation(Vela3Vector(0), Vela3Vector(3, 0, 0), Vela3Vector(1), Vela3Vector(2));
  EXPECT_TRUE(M == expected);
}

TEST(VelaTransformation, ZeroFlagAndComposition) {
  const VelaTransformation T(kQuarterZ, Vela3Vector(10, 20, 30));
  VelaTransformation direction(Vela3Vector(1, 0, 0)), base = T, plain(Vela3Vector(1, 0, 0)), dir = direction, copy;
  EXPECT_TRUE(ZeroFlag(direction) == 0 && direction.SetZero(7) == 0 && ZeroFlag(direction) == 1);
  dir.SetZero(1), copy = direction;
  direction.Multiply(T, 1), base.Multiply(dir, 0), plain.Multiply(T, 1);  // a direction is turned, not moved
  EXPECT_EQ(Text(direction.GetVector()) + "|" + Text(base.GetVector()) + "|" + Text(plain.GetVector()), "0 1 0|0 1 0|10 21 30");
  EXPECT_TRUE(ZeroFlag(direction) && ZeroFlag(base) && !ZeroFlag(plain) && ZeroFlag(copy) && direction == base);
  VelaTransformation product = copy * copy, inv, self = T, left = T, right = T;
  EXPECT_EQ(ZeroFlag(product), 0);
  inv.SetZero(1), T.Inverse(inv), self.Inverse(self), left.Multiply(plain, 1), right.Multiply(plain, 0);
  EXPECT_TRUE(ZeroFlag(inv) && self == inv && (T * inv).IsIdentity(1e-15, 1e-15) && left == plain * T && right == T * plain);
  EXPECT_EQ(Text(T * Vela3Point(1, 0, 5)) + "|" + Text(T * Vela3Vector(1, 0, 5)), "10 21 35|0 1 5");
  double r[3][3], t[3], o[3][3];
  plain.Scale(2.0), T.GetCoef(r, t), plain.GetTransformation2D(o);
  EXPECT_TRUE(r[0][1] == -1 && r[1][0] == 1 && t[2] == 30 && o[0][2] == 20 && o[1][2] == 42 && o[2][0] == 0 && o[2][2] == 1);
}

TEST(VelaTransformation, TolerancesHelicalAndOtherParameterisations) {
  const VelaTransformation T(Rotation(Vela3Vector(1.0 / 3, 2.0 / 3, 2.0 / 3), 0.7), Vela3Vector(1.5, -2, 0.25));
  const VelaTransformation shifted = T * VelaTransformation(Vela3Vector(1.2e-6, 0, 1.6e-6));  // by 2e-6
  const VelaTransformation turned = T * VelaTransformation(Rotation(Vela3Vector(0, 0.6, 0.8), 1e-7), Vela3Vector());
  EXPECT_TRUE(!T.IsEqual(shifted, 1e-6, 1e-6) && T.IsEqual(shifted, 3e-6, 1e-6) && T.IsEqual(turned, 1e-9, 1e-6) &&
              !T.IsEqual(turned, 1e-9, 1e-8) && T.IsEqual(T, 0.0, 0.0));
  VelaTransformation S(Vela3Vector(0, 3, 4)), H;
  EXPECT_TRUE(S.IsNullVector(5.0) && !S.IsNullVector(4.999) && S.IsIdentity(5.0, 0.0) && !S.IsIdentity(4.0, 1.0));
  S.SetMatrix(Rotation(Vela3Vector(1, 0, 0), 0.5));
  EXPECT_TRUE(S.IsIdentityMatrix(0.5 + 1e-12) && !S.IsIdentityMatrix(0.5 - 1e-12) && !S.IsIdentity(5.0, 0.4));
  Vela3Vector point(9, 9, 9), axis;
  double angle = 9, slide = 9;
  VelaTransformation(Vela3Vector(3, 0, 0)).GetHelicalParameters(point, axis, angle, slide);
  EXPECT_TRUE(Text(point) + "|" + Text(axis) == "0 0 0|1 0 0" && angle == 0.0 && slide == 3.0);
  VelaTransformation().GetHelicalParameters(point, axis, angle, slide);
  EXPECT_TRUE(Text(axis) == "1 0 0" && slide == 0.0);
  H.SetHelicalParameters(Vela3Vector(1, 2, 7), Vela3Vector(0, 0, 1), -kPi / 2, 0.5);
  H.GetHelicalParameters(point, axis, angle, slide);  // the same screw, about the reversed axis
  EXPECT_TRUE(Diff(Vela3x3Matrix(point.GetX(), point.GetY(), point.GetZ(), axis.GetX(), axis.GetY(), axis.GetZ(), angle,
                                 slide, 0), Vela3x3Matrix(1, 2, 0, 0, 0, -1, kPi / 2, -0.5, 0)) < 1e-15);
  const double euler[6] = {0.3, -1.1, 2.5, 7, 8, 9}, sketch[9] = {1, 2, 3, 0, 1, 0, 0, 0, -1}, p[6] = {1, 2, 3, 0, 3, 4};
  Vela3x3Matrix R;
  R.SetRotation(0.3, -1.1, 2.5), H.SetEulerParameters(euler);
  EXPECT_TRUE(H == VelaTransformation(R, Vela3Vector(7, 8, 9)));
  H.SetSketch(sketch);
  EXPECT_TRUE(H == VelaTransformation(Vela3x3Matrix(0, 0, -1, 1, 0, 0, 0, -1, 0), Vela3Vector(1, 2, 3)));
  VelaTransformation left, right, left3, right3, unchanged = T;
  left.SetLeftAdjustment(6, p), right.SetRightAdjustment(6, p), left3.SetLeftAdjustment(3, p), right3.SetRightAdjustment(3, p);
  unchanged.SetLeftAdjustment(5, p), unchanged.SetRightAdjustment(0, p);
  EXPECT_EQ(Text(left * Vela3Point()) + "|" + Text(left3.GetVector()) + "|" + Text(right3.GetVector()), "1 2 3|1 2 3|-1 -2 -3");
  EXPECT_TRUE((left * right).IsIdentity(1e-15, 1e-15) && (left * Vela3Vector(1, 0, 0)).GetY() == 0.6 && unchanged == T);
  left.SetLeftAdjustment(6, nullptr), right.SetRightAdjustment(6, nullptr);
  EXPECT_TRUE(left == VelaTransformation() && right == VelaTransformation());
}

TEST(VelaTransformation, ExponentialAndAdjoint) {
  const double translation[6] = {0, 0, 0, 1, -2, 3}, d[6] = {0.5, -1, 2, 4, 5, 6}, q[6] = {0.3, -0.2, 0.9, 1, 2, 3};
  VelaTransformation T(kQuarterZ, Vela3Vector(5, 5, 5));
  double out[6], zero[6];
  T.SetExponentialParameters(nullptr);
  EXPECT_TRUE(T == VelaTransformation());
  VelaTransformation::ComputeExpDerivativeAlongDirection(translation, d, out);  // d_w, then d_v + (v x d_w) / 2
  VelaTransformation::ComputeExpDerivativeAlongDirection(q, nullptr, zero);
  EXPECT_TRUE(out[0] == 0.5 && out[2] == 2 && out[3] == 3.5 && out[4] == 4.75 && out[5] == 6 && zero[0] == 0.0 &&
              zero[4] == 0.0);
  const double quarter[6] = {0, 0, kPi / 2, 1, 0, 0};  // about z, sliding along x: t = (2/pi, 2/pi, 0)
  EXPECT_TRUE(Exp(quarter).IsEqual(VelaTransformation(kQuarterZ, Vela3Vector(2 / kPi, 2 / kPi, 0)), 1e-15, 1e-15));
  VelaTransformation::ComputeExpDerivativeAlongDirection(q, q, out);  // along itself: the twist
  for (int i = 0; i < 6; ++i) EXPECT_NEAR(out[i], q[i], 1e-15) << i;
  const VelaTransformation M(Rotation(Vela3Vector(1.0 / 3, 2.0 / 3, 2.0 / 3), 0.7), Vela3Vector(1.5, -2, 0.25));
  VelaMatrix Ad(3, 7, -1.0);  // of another shape: rewritten whole
  M.GetLeftToRightLieAlgebraMapping(Ad);
  ASSERT_TRUE(Ad.GetNbOfRow() == 6 && Ad.GetNbOfCol() == 6 && Ad(1, 4) == 0.0);
  std::mt19937 rng(42);
  VelaTransformation Minv;
  M.Inverse(Minv);
  for (int trial = 0; trial < 5; ++trial) {  // M exp(xi) M⁻¹ = exp(Ad xi)
    double xi[6], adXi[6] = {};
    Six(xi, RandomVector(rng, 1.0), RandomVector(rng, 1.0));
    for (int i = 0; i < 36; ++i) adXi[i / 6] += Ad(i / 6, i % 6) * xi[i % 6];
    EXPECT_TRUE((M * Exp(xi) * Minv).IsEqual(Exp(adXi), 1e-14, 1e-14)) << trial;
  }
}

TEST(VelaGeometry, DumpsByteForByte) {
  using vela::test::CaptureStdout;
  const auto stream = [](const VelaTransformation& T, int precision) {
    VelaStream s;
    if (precision) s << velsetprecision(precision);
    T.Write(s);
    return static_cast<std::stringstream*>(s.GetStream())->str();
  };
  const VelaTransformation tiny(Rotation(Vela3Vector(0, 0, 1), 1e-13), Vela3Vector(1e-13, 0, 0));
  EXPECT_EQ(CaptureStdout([] { Vela3Point(1, -2.5, 0.1).Write("P"); }) +
                CaptureStdout([] { Vela3Vector(1e-20, 1.0 / 3, -0.0).Write("dir"); }) +
                CaptureStdout([] { Vela3x3Matrix(1, -2, 0.1, 0, 1.0 / 3, -0.0, 1e-20, 2.5e10, -7).Write("R"); }) +
                CaptureStdout([] { VelaTransformation().Write("T"); }) + CaptureStdout([&] { tiny.Write("tiny"); }) +
                CaptureStdout([] { VelaTransformation(Vela3Vector(0.1, 0, 2)).Write("shift"); }) +
                CaptureStdout([] { VelaTransformation(kQuarterZ, Vela3Vector()).Write("Q"); }),
            "P = [1, -2.5, 0.100000000000000006]\ndir = [9.99999999999999945e-21, 0.333333333333333315, -0]\n"
            "R =\n  [[1, -2, 0.100000000000000006],\n   [0, 0.333333333333333315, -0],\n"
            "   [9.99999999999999945e-21, 25000000000, -7]]\nT: identity; null;\ntiny: identity; null;\n"
            "shift: identity; [0.100000000000000006, 0, 2];\nQ:\n  [[0, -1, 0],\n   [1, 0, 0],\n   [0, 0, 1]];\nnull;\n");
  EXPECT_EQ(stream(VelaTransformation(), 0) + "|" + stream(VelaTransformation(Vela3Vector(0.1, 0, -2.5)), 0) + "|" +
                stream(VelaTransformation(kQuarterZ, Vela3Vector()), 0) + "|" +
                stream(VelaTransformation(Vela3x3Matrix(1, 0, 0, 0, -1, 0, 0, 0, -1), Vela3Vector(1.0 / 3, 2, 3)), 3),
            " identity; null| identity; [0.1, 0, -2.5]|\n  [[0, -1, 0],\n   [1, 0, 0],\n   [0, 0, 1]];\n   null|"
            "\n  [[1, 0, 0],\n   [0, -1, 0],\n   [0, 0, -1]];\n   [0.333, 2, 3]");
}

// The identities every rigid motion satisfies. ExpectDerivative: oD against central differences of exp at p along
// d (d/de exp(e oD) o exp(p) at e = 0 is ([w]x R, w x t + u) for oD = (w, u)), to the difference's own error: its
// truncation, bounded by the change between steps h and 2h, plus its rounding.
void ExpectDerivative(const double* p, const double* d, double* oD) {
  double plus[6], minus[6];
  VelaTransformation::ComputeExpDerivativeAlongDirection(p, d, oD);
  const VelaTransformation T = Exp(p);
  const Vela3x3Matrix W(0, -oD[2], oD[1], oD[2], 0, -oD[0], -oD[1], oD[0], 0);  // [w]x
  Vela3x3Matrix dR[2];
  Vela3Vector dt[2];
  for (int s = 0; s < 2; ++s) {
    const double h = 1e-4 * (s + 1);
    for (int i = 0; i < 6; ++i) plus[i] = p[i] + h * d[i], minus[i] = p[i] - h * d[i];
    dR[s] = (MatrixOf(Exp(plus)) - MatrixOf(Exp(minus))) / (2 * h);
    dt[s] = Scale(0.5 / h, Sub(Exp(plus).GetVector(), Exp(minus).GetVector()));
  }
  const double size = 1.0 + std::sqrt(Vela3Vector(p).SquareNorm() + Vela3Vector(p + 3).SquareNorm());
  const double tol = std::fmax(Diff(dR[0], dR[1]), Gap(dt[0], dt[1])) + 64 * kEps * size / 1e-4;
  EXPECT_LE(Diff(W * MatrixOf(T), dR[0]), tol);
  EXPECT_LE(Gap(Add(Cross(Vela3Vector(oD), T.GetVector()), Vela3Vector(oD + 3)), dt[0]), tol);
}

// Every other construction of the rotation R about `axis`: from u to v about the axis (lengths ignored), the
// smallest one between vectors orthogonal to the axis, frame to frame, Rx Ry Rz from three angles; its inverse is
// its exact transpose, Orthonormalize leaves it bit for bit and repairs it perturbed.
void CheckRotation(const Vela3Vector& axis, double angle, const Vela3x3Matrix& R) {
  Vela3Vector frame[2];
  axis.GetOrthogonalVectors(frame);
  Vela3x3Matrix M, inv;
  M.SetRotation(Scale(3.0, frame[0]), Scale(0.5, R * frame[0]), axis);
  EXPECT_TRUE(Diff(M, R) < 1e-14 && RotationDefect(M) < 5e-15);
  M.SetRotation(frame[0], R * frame[0]);  // near a half turn the axis u x v loses digits as 1 / sin(angle)
  EXPECT_TRUE(RotationDefect(M) < 5e-15 && Diff(M, R) < (angle >= 1e-9 && angle < kPi ? 1e-14 + 1e-15 / std::sin(angle) : 4.0));
  EXPECT_LT(Gap(M * frame[0], R * frame[0]), 1e-14);
  std::mt19937 rng(static_cast<unsigned>(angle * 1000));
  const Vela3Vector a = Unit(RandomVector(rng, 1.0)), w = RandomVector(rng, 1.0);
  M.SetRotation(a, w, R * a, Scale(2.0, R * w));
  EXPECT_TRUE(Diff(M, R) < 1e-13 && RotationDefect(M) < 5e-15);
  M.SetRotation(angle, 0.7 - angle, -2.0 * angle);
  const Vela3x3Matrix X = Rotation(Vela3Vector(0), angle), Y = Rotation(Vela3Vector(1), 0.7 - angle);
  EXPECT_LT(Diff(M, X * Y * Rotation(Vela3Vector(2), -2.0 * angle)), 1e-15);
  M = R, M.Orthonormalize();
  EXPECT_TRUE(R.Inverse(inv) && inv == Transposed(R) && M == R);
  std::uniform_real_distribution<double> u(-1e-7, 1e-7);
  M = R + Vela3x3Matrix(u(rng), u(rng), u(rng), u(rng), u(rng), u(rng), u(rng), u(rng), u(rng)), M.Orthonormalize();
  EXPECT_TRUE(RotationDefect(M) < 5e-15 && Diff(M, R) < 1e-6);
}

// Inverse, exp of the twist and of log T, powers, screw parameters (the quaternion's angle and axis), d exp.
void CheckIdentities(const Vela3Vector& axis, double angle, const Vela3Vector& t, std::mt19937& rng) {
  SCOPED_TRACE(testing::Message() << "axis " << Text(axis) << " angle " << angle << " |t| " << t.Norm());
  const VelaTransformation T(Rotation(axis, angle), t);
  const double lin = 64 * kEps * (1.0 + t.Norm()), ang = 64 * kEps;
  VelaTransformation inv, half = T, minusOne = T, H;
  T.Inverse(inv), half.Pow(0.5), minusOne.Pow(-1.0);
  EXPECT_TRUE((T * inv).IsIdentity(lin, ang) && (inv * T).IsIdentity(lin, ang));
  EXPECT_TRUE((half * half).IsEqual(T, lin, ang) && minusOne.IsEqual(inv, lin, ang));
  double p[6], twist[6], d[6], oD[6], screwAngle = 0.0, slide = 0.0;
  Six(twist, Scale(angle, axis), t);
  T.GetExponentialParameters(p);
  EXPECT_TRUE(Exp(p).IsEqual(T, lin, ang) && Diff(MatrixOf(Exp(twist)), MatrixOf(T)) < 1e-15);
  EXPECT_NEAR(Vela3Vector(p).Norm(), angle, 16 * kEps);
  Vela3Vector point, screwAxis;  // the axis point lies about |t| / angle away: exact only relative to it
  T.GetHelicalParameters(point, screwAxis, screwAngle, slide);
  H.SetHelicalParameters(point, screwAxis, screwAngle, slide);
  EXPECT_TRUE(H.IsEqual(T, 64 * kEps * (1.0 + t.Norm() + point.Norm()), ang));
  for (const VelaTransformation& X : {Exp(p), half, H}) EXPECT_LE(RotationDefect(MatrixOf(X)), 8 * kEps);
  if (t.Norm() == 0.0) CheckRotation(axis, angle, MatrixOf(T));
  for (int k = 0; k < 2; ++k) Six(d, RandomVector(rng, 1.0), RandomVector(rng, 1.0)), ExpectDerivative(twist, d, oD);
}

TEST(VelaTransformationIdentities, HoldOverAnglesAxesAndTranslations) {
  std::mt19937 rng(20261205);
  const Vela3Vector axes[] = {Vela3Vector(0), Vela3Vector(0, -1, 0), Vela3Vector(2), Unit(Vela3Vector(1, 2, 3)),
                              Unit(Vela3Vector(-1, 0.5, 2)), Unit(RandomVector(rng, 1)), Unit(RandomVector(rng, 1))};
  for (double angle : {0.0, 1e-9, 1e-5, 0.3, 1.0, 3.0, kPi - 1e-5, kPi})
    for (const Vela3Vector& axis : axes)
      for (double size : {0.0, 1e-6, 1.0, 1e3})
        CheckIdentities(axis, angle, Scale(size, Unit(RandomVector(rng, 1.0))), rng);
}

// At the angles 0.25 and 0.43 series replace the closed forms: the derivative agrees with the difference on both
// sides and does not jump (the sides are 2e-13 apart in angle, so anything beyond rounding is a jump).
TEST(VelaTransformationIdentities, ExpDerivativeIsContinuousAcrossSeriesThresholds) {
  std::mt19937 rng(7);
  for (double threshold : {0.25, 0.43})
    for (const Vela3Vector& axis : {Vela3Vector(0), Unit(Vela3Vector(1, 2, 3)), Unit(Vela3Vector(-2, 0.5, 1))}) {
      SCOPED_TRACE(testing::Message() << "threshold " << threshold << " axis " << Text(axis));
      double d[6], p[2][6], out[2][6];
      Six(d, RandomVector(rng, 1.0), RandomVector(rng, 1.0));
      const Vela3Vector v = RandomVector(rng, 1.0);
      for (int side = 0; side < 2; ++side) {
        Six(p[side], Scale(threshold * (side ? 1 + 1e-13 : 1 - 1e-13), axis), v);
        ExpectDerivative(p[side], d, out[side]);
      }
      const double size = 1.0 + Vela3Vector(out[1]).Norm() + Vela3Vector(out[1] + 3).Norm();
      for (int i = 0; i < 6; ++i) EXPECT_NEAR(out[0][i], out[1][i], 1e-13 * size) << i;
    }
}

}  // namespace
