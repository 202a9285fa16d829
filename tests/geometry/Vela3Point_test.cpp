// Vela3Point and Vela3Vector: the asymmetries between the two classes, the
// exact-zero and near-unit rules, angles, distances, projections and
// orthogonal frames (exact values where the rules fix them, random
// properties with a fixed seed elsewhere), and the dump byte for byte.
#include "vela/geometry/Vela3Point.h"

#include <gtest/gtest.h>

#include <cmath>
#include <iostream>
#include <random>
#include <sstream>
#include <string>

#include "vela/config/VelaGlobalParameters.h"
#include "vela/foundation/VelaConstants.h"
#include "support/TestSupport.h"

namespace {

using vela::detail::Cross;
using vela::detail::Dot;

const double kPi = 3.141592653589793;

void ExpectCoords(const Vela3Vector& v, double x, double y, double z) {
  EXPECT_EQ(v.GetX(), x);
  EXPECT_EQ(v.GetY(), y);
  EXPECT_EQ(v.GetZ(), z);
}

void ExpectNear(const Vela3Vector& v, const Vela3Vector& w, double tol) {
  EXPECT_NEAR(v.GetX(), w.GetX(), tol);
  EXPECT_NEAR(v.GetY(), w.GetY(), tol);
  EXPECT_NEAR(v.GetZ(), w.GetZ(), tol);
}

Vela3Vector RandomVector(std::mt19937& rng, double scale) {
  std::uniform_real_distribution<double> u(-scale, scale);
  const double x = u(rng), y = u(rng), z = u(rng);
  return Vela3Vector(x, y, z);
}

Vela3Point RandomPoint(std::mt19937& rng, double scale) { return RandomVector(rng, scale).AddToOrigin(); }

}  // namespace

TEST(Vela3Point, ConstructionAndCoordinatesDifferOnlyWhereDocumented) {
  const double xyz[3] = {1.5, -2.0, 3.25};
  const double xy[2] = {7.0, 8.0};
  ExpectCoords(Vela3Vector(), 0, 0, 0);
  ExpectCoords(Vela3Vector(static_cast<const double*>(nullptr)), 0, 0, 0);
  ExpectCoords(Vela3Vector(xyz), 1.5, -2.0, 3.25);
  ExpectCoords(Vela3Vector(0), 1, 0, 0);
  ExpectCoords(Vela3Vector(2), 0, 0, 1);
  ExpectCoords(Vela3Point(static_cast<const double*>(nullptr)).MinusOrigin(), 0, 0, 0);
  ExpectCoords(Vela3Point::GetOrigin().MinusOrigin(), 0, 0, 0);

  Vela3Point p(xyz);
  Vela3Vector v(xyz);
  EXPECT_EQ(p.GetCoord(2u), 3.25);
  EXPECT_EQ(p.GetCoord(0), p.GetX());  // a literal 0 is the index, not a null pointer
  p.GetCoord(nullptr);                  // writes nothing
  v.GetOrthogonalVectors(nullptr);
  EXPECT_EQ(v.GetCoord(1), -2.0);
  p.SetCoord(1u, 9.0);
  v.SetCoord(0u, 4.0);
  ExpectCoords(p.MinusOrigin(), 1.5, 9.0, 3.25);
  ExpectCoords(v, 4.0, -2.0, 3.25);

  // A planar point is homogeneous (z = 1), a planar direction is not.
  p.SetCoord2D(xy);
  v.SetCoord2D(xy);
  ExpectCoords(p.MinusOrigin(), 7, 8, 1);
  ExpectCoords(v, 7, 8, 0);

  double out[3] = {-1, -1, -1}, x = 0, y = 0;
  v.AddToOrigin().GetCoord(out);
  p.GetCoord2D(x, y);
  EXPECT_EQ(out[0], 7.0);
  EXPECT_EQ(out[2], 0.0);
  EXPECT_EQ(x, 7.0);
  EXPECT_EQ(y, 8.0);
  v.SetCoord(nullptr);
  ExpectCoords(v, 0, 0, 0);
}

TEST(Vela3Vector, ComparisonAndNormsFollowTheSignedRules) {
  EXPECT_TRUE(Vela3Vector(1, 2, 3) == Vela3Vector(1, 2, 3));
  EXPECT_TRUE(Vela3Vector(0.0, 0, 0) == Vela3Vector(-0.0, 0, 0));
  EXPECT_TRUE(Vela3Vector(1, 2, 3) != Vela3Vector(1, 2, 3.0000000000000004));
  EXPECT_EQ(Vela3Vector(-5, 0, 0).NormInf(), 0.0);  // signed, not absolute
  EXPECT_EQ(Vela3Vector(-3, -1, -2).NormInf(), -1.0);
  EXPECT_EQ(Vela3Vector(1, -7, 3).NormInf(), 3.0);
  EXPECT_EQ(Vela3Vector(3, 4, 12).SquareNorm(), 169.0);
  EXPECT_EQ(Vela3Vector(3, 4, 12).Norm(), 13.0);

  Vela3Vector r(1e-16, -9.9e-16, 1e-15);
  r.Round();
  ExpectCoords(r, 0, 0, 1e-15);
}

TEST(Vela3Vector, NormalizeLeavesZeroAndNearUnitVectorsUntouched) {
  Vela3Vector zero;
  zero.Normalize();
  ExpectCoords(zero, 0, 0, 0);

  // Squared norm 1 + 8.9e-16: within 1e-15 of 1, so not a bit moves.
  Vela3Vector nearUnit(1.0000000000000004, 0, 0);
  nearUnit.Normalize();
  ExpectCoords(nearUnit, 1.0000000000000004, 0, 0);

  // Squared norm 1 + 4.4e-15: outside the band, so it is scaled.
  Vela3Vector justOutside(1.0000000000000022, 0, 0);
  justOutside.Normalize();
  EXPECT_LT(std::fabs(justOutside.GetX() - 1.0), 1e-15);
  EXPECT_NE(justOutside.GetX(), 1.0000000000000022);

  Vela3Vector v(3, 0, -4);
  v.Normalize();
  ExpectNear(v, Vela3Vector(0.6, 0, -0.8), 1e-15);
  // The squared norm underflows to exactly 0: left alone.
  Vela3Vector underflow(1e-200, 0, 0);
  underflow.Normalize();
  ExpectCoords(underflow, 1e-200, 0, 0);
  Vela3Vector tiny(1e-150, 0, 0);
  tiny.Normalize();
  EXPECT_NEAR(tiny.GetX(), 1.0, 1e-15);
}

TEST(Vela3Vector, AnglesAreUnsignedOrOrientedByTheReference) {
  const Vela3Vector x(0), y(1), z(2), zero;
  EXPECT_EQ(zero.AngleTo(zero), 0.0);
  EXPECT_EQ(zero.AngleTo(Vela3Vector(-1, -1, -1)), 0.0);  // not atan2(0, -0) = pi
  EXPECT_EQ(x.AngleTo(y, Vela3Vector(0, 0, -1)), -kPi / 2);
  EXPECT_EQ(x.AngleTo(y, z), kPi / 2);
  EXPECT_EQ(x.AngleTo(y, x), kPi / 2);  // orthogonal reference: not negated
  EXPECT_EQ(x.AngleTo(Vela3Vector(-2, 0, 0)), kPi);

  EXPECT_TRUE(x.IsCollinear(Vela3Vector(-1, 0, 0), 1e-9));
  EXPECT_TRUE(x.IsCollinear(Vela3Vector(1, 1e-10, 0), 1e-9));
  EXPECT_FALSE(x.IsCollinear(Vela3Vector(1, 1e-8, 0), 1e-9));
  EXPECT_FALSE(x.IsCollinear(Vela3Vector(-1, 1e-8, 0), 1e-9));
  EXPECT_TRUE(zero.IsCollinear(y, 1e-9));

  std::mt19937 rng(11);
  for (int k = 0; k < 200; ++k) {
    const Vela3Vector a = RandomVector(rng, 1.0), b = RandomVector(rng, 10.0);
    const double expected = std::acos(Dot(a, b) / (a.Norm() * b.Norm()));
    const double angle = a.AngleTo(b);
    EXPECT_NEAR(angle, expected, 1e-7);
    EXPECT_EQ(b.AngleTo(a, Cross(b, a)), angle);
    EXPECT_EQ(a.AngleTo(b, Cross(b, a)), -angle);
  }
}

TEST(Vela3Point, NearestPointTakesTheFirstOfEqualDistances) {
  const Vela3Point points[4] = {Vela3Point(5, 0, 0), Vela3Point(0, 2, 0), Vela3Point(0, 0, -2),
                                Vela3Point(0, 1, 0)};
  const Vela3Point origin;
  int index = -7;
  EXPECT_EQ(origin.DistanceTo(points, 3, index), 2.0);
  EXPECT_EQ(index, 1);
  EXPECT_EQ(origin.DistanceTo(points, 4, index), 1.0);
  EXPECT_EQ(index, 3);
  EXPECT_EQ(origin.DistanceTo(points, 1, index), 5.0);
  EXPECT_EQ(index, 0);
  EXPECT_EQ(origin.DistanceTo(points, 0, index), VeladoubleMax);
  EXPECT_EQ(index, -1);
  EXPECT_EQ(Vela3Point(1, 2, 3).SquareDistanceTo(Vela3Point(2, 4, 6)), 14.0);
}

TEST(Vela3Point, DegenerateLinesAndPlanesFallBackToTheirPoint) {
  const Vela3Point P(1, 2, 2), O(0, 0, 0);
  const Vela3Vector zero;
  EXPECT_EQ(P.DistanceToLine(O, zero), 3.0);
  EXPECT_EQ(P.DistanceToPlane(O, zero), 3.0);  // unsigned
  ExpectCoords(P.ProjectOnLine(O, zero).MinusOrigin(), 0, 0, 0);
  ExpectCoords(P.ProjectOnPlane(O, zero).MinusOrigin(), 0, 0, 0);

  // A tiny direction is still a direction: the tests are exact.
  EXPECT_NEAR(P.DistanceToLine(O, Vela3Vector(1e-150, 0, 0)), std::sqrt(8.0), 1e-14);
  EXPECT_EQ(P.DistanceToPlane(O, Vela3Vector(0, 0, -4)), -2.0);  // behind the normal
  EXPECT_EQ(P.DistanceToPlane(Vela3Point(0, 0, 5), Vela3Vector(0, 0, 0.5)), -3.0);
  ExpectCoords(P.ProjectOnPlane(O, Vela3Vector(0, 0, 7)).MinusOrigin(), 1, 2, 0);
  ExpectCoords(P.ProjectOnLine(Vela3Point(0, 0, 1), Vela3Vector(2, 0, 0)).MinusOrigin(), 1, 0, 1);
}

TEST(Vela3Point, ProjectionsAreOrthogonalAndMatchTheDistances) {
  std::mt19937 rng(5);
  for (double scale : {1e-3, 1.0, 1e3}) {
    for (int k = 0; k < 50; ++k) {
      const Vela3Point P = RandomPoint(rng, scale), O = RandomPoint(rng, scale);
      const Vela3Vector d = RandomVector(rng, 1.0);
      const double tol = 1e-12 * scale;

      const Vela3Point L = P.ProjectOnLine(O, d);
      EXPECT_NEAR(L.DistanceToLine(O, d), 0.0, tol);
      EXPECT_NEAR(Dot(vela::detail::Sub(P, L), d), 0.0, tol);
      EXPECT_NEAR(P.DistanceTo(L), P.DistanceToLine(O, d), tol);

      const Vela3Point Q = P.ProjectOnPlane(O, d);
      EXPECT_NEAR(Q.DistanceToPlane(O, d), 0.0, tol);
      EXPECT_NEAR(Cross(vela::detail::Sub(P, Q), d).Norm(), 0.0, tol);
      EXPECT_NEAR(P.DistanceTo(Q), std::fabs(P.DistanceToPlane(O, d)), tol);
    }
  }
}

TEST(Vela3Vector, OrthogonalVectorTakesTheDocumentedCase) {
  const Vela3Vector fromZ = Vela3Vector(2).GetOrthogonalVector();  // second case: (z, 0, -x)
  ExpectCoords(fromZ, 1, 0, 0);
  EXPECT_TRUE(std::signbit(fromZ.GetZ()));
  const Vela3Vector fromX = Vela3Vector(0).GetOrthogonalVector();  // third case: (-y, x, 0)
  ExpectCoords(fromX, -0.0, 1, 0);
  EXPECT_TRUE(std::signbit(fromX.GetX()));
  ExpectNear(Vela3Vector(0, 3, 4).GetOrthogonalVector(), Vela3Vector(0, -0.8, 0.6), 1e-15);  // first case
  ExpectCoords(Vela3Vector(1, 1, 1).GetOrthogonalVector(), -1 / std::sqrt(2.0), 1 / std::sqrt(2.0), 0);
  ExpectCoords(Vela3Vector().GetOrthogonalVector(), -0.0, 0, 0);

  const Vela3Vector a(0, 0, 2);
  ExpectCoords(a.GetOrthogonalVector(Vela3Vector(0, 0, -5), 1e-9), 1, 0, 0);  // parallel
  ExpectCoords(a.GetOrthogonalVector(Vela3Vector(), 1e-9), 1, 0, 0);         // zero v
  ExpectCoords(a.GetOrthogonalVector(Vela3Vector(1e-10, 1, 0), 1e-9), 1e-10, 1, 0);
  ExpectCoords(a.GetOrthogonalVector(Vela3Vector(3, 0, 1), 1e-9), 1, 0, 0);
  // Within the angle tolerance the component is ignored.
  ExpectCoords(a.GetOrthogonalVector(Vela3Vector(0, 1e-10, 1), 1e-9), 1, 0, 0);
}

TEST(Vela3Vector, OrthogonalFramesAreOrthonormalAndRightHanded) {
  std::mt19937 rng(17);
  for (double scale : {1e-6, 1.0, 1e6}) {
    for (int k = 0; k < 100; ++k) {
      Vela3Vector a = RandomVector(rng, scale);
      const Vela3Vector v = RandomVector(rng, scale);
      const Vela3Vector o = a.GetOrthogonalVector();
      EXPECT_NEAR(o.Norm(), 1.0, 1e-15);
      EXPECT_NEAR(Dot(o, a), 0.0, 1e-15 * scale);

      const Vela3Vector w = a.GetOrthogonalVector(v, 1e-9);
      EXPECT_NEAR(w.Norm(), 1.0, 1e-15);
      EXPECT_NEAR(Dot(w, a), 0.0, 1e-14 * scale);
      EXPECT_NEAR(Dot(Cross(a, v), w), 0.0, 1e-14 * scale * scale);  // in the plane of a and v
      EXPECT_GT(Dot(w, v), 0.0);

      Vela3Vector pair[2];
      a.Normalize();
      a.GetOrthogonalVectors(pair);
      EXPECT_NEAR(pair[0].Norm(), 1.0, 1e-15);
      EXPECT_NEAR(pair[1].Norm(), 1.0, 1e-15);
      EXPECT_NEAR(Dot(pair[0], pair[1]), 0.0, 1e-15);
      EXPECT_NEAR(Dot(a, pair[1]), 0.0, 1e-15);
      EXPECT_NEAR(Dot(Cross(a, pair[0]), pair[1]), 1.0, 1e-15);
    }
  }
}

TEST(Vela3Point, WriteDumpsBothClassesOnTheTraceStream) {
  EXPECT_EQ(vela::test::CaptureStdout([] { Vela3Point(1, -2.5, 0.1).Write("P"); }),
            "P = [1, -2.5, 0.100000000000000006]\n");
  EXPECT_EQ(vela::test::CaptureStdout([] { Vela3Vector(1e-20, 1.0 / 3, -0.0).Write("dir"); }),
            "dir = [9.99999999999999945e-21, 0.333333333333333315, -0]\n");
}
