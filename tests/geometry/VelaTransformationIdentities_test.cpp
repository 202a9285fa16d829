// One generic checker of the identities every rigid motion must satisfy,
// run over a grid of rotation angles (including the small-angle branches
// and the half turn), axes and translation sizes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "vela/geometry/VelaTransformation.h"

namespace {

const double kPi = 3.141592653589793;
const double kEps = 2.220446049250313e-16;

struct Motion {
  Vela3Vector axis;  // unit
  double angle;
  Vela3Vector translation;
};

std::string Describe(const Motion& m) {
  return "axis (" + std::to_string(m.axis.GetX()) + ", " + std::to_string(m.axis.GetY()) + ", " +
         std::to_string(m.axis.GetZ()) + ") angle " + std::to_string(m.angle) + " |t| " +
         std::to_string(m.translation.Norm());
}

Vela3Vector Unit(double x, double y, double z) {
  Vela3Vector v(x, y, z);
  v.Normalize();
  return v;
}

// Every combination of the angles, several axes (coordinate axes, skew ones
// and random ones) and translations of several sizes in random directions.
std::vector<Motion> MotionGrid() {
  const double angles[] = {0.0, 1e-9, 1e-5, 0.3, 1.0, 3.0, kPi - 1e-5, kPi};
  std::vector<Vela3Vector> axes = {Vela3Vector(1, 0, 0), Vela3Vector(0, -1, 0), Vela3Vector(0, 0, 1), Unit(1, 2, 3),
                                   Unit(-1, 0.5, 2)};
  std::mt19937 rng(20261205);
  std::normal_distribution<double> n(0.0, 1.0);
  for (int i = 0; i < 2; ++i) axes.push_back(Unit(n(rng), n(rng), n(rng)));
  const double sizes[] = {0.0, 1e-6, 1.0, 1e3};
  std::vector<Motion> grid;
  for (double angle : angles)
    for (const Vela3Vector& axis : axes)
      for (double size : sizes) {
        const Vela3Vector d = Unit(n(rng), n(rng), n(rng));
        grid.push_back({axis, angle, Vela3Vector(size * d.GetX(), size * d.GetY(), size * d.GetZ())});
      }
  return grid;
}

VelaTransformation Build(const Motion& m) {
  Vela3x3Matrix R;
  R.SetRotation(m.axis, m.angle);
  return VelaTransformation(R, m.translation);
}

double Diff(const Vela3x3Matrix& A, const Vela3x3Matrix& B) {
  double d = 0.0;
  for (int k = 0; k < 9; ++k) d = std::fmax(d, std::fabs(A.Get(k / 3, k % 3) - B.Get(k / 3, k % 3)));
  return d;
}

// Largest |R R^T - I| entry and |det R - 1|.
double RotationDefect(const Vela3x3Matrix& R) {
  Vela3x3Matrix Rt;
  R.Transpose(Rt);
  const Vela3x3Matrix P = R * Rt;
  double defect = std::fabs(R.Determinant() - 1.0);
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) defect = std::max(defect, std::fabs(P.Get(i, j) - (i == j ? 1.0 : 0.0)));
  return defect;
}
double RotationDefect(const VelaTransformation& T) {
  Vela3x3Matrix R;
  T.GetMatrix(R);
  return RotationDefect(R);
}

// Every other construction of the rotation R about `axis`: from u to v about
// the axis (lengths ignored), the smallest one between vectors orthogonal to
// the axis, frame to frame, Rx Ry Rz from three angles, the exponential; its
// inverse is its exact transpose, Orthonormalize leaves it bit for bit and
// repairs it when perturbed.
void CheckRotation(const Vela3Vector& axis, double angle, const Vela3x3Matrix& R) {
  using vela::detail::Scale;
  Vela3Vector frame[2];
  axis.GetOrthogonalVectors(frame);
  Vela3x3Matrix M, Rt, inv;
  M.SetRotation(Scale(3.0, frame[0]), Scale(0.5, R * frame[0]), axis);
  EXPECT_TRUE(Diff(M, R) < 1e-14 && RotationDefect(M) < 5e-15);
  M.SetRotation(frame[0], R * frame[0]);  // near a half turn the axis u x v loses digits as 1 / sin(angle)
  EXPECT_TRUE(RotationDefect(M) < 5e-15 && Diff(M, R) < (angle >= 1e-9 && angle < kPi ? 1e-14 + 1e-15 / std::sin(angle) : 4.0));
  EXPECT_LT(vela::detail::Sub(M * frame[0], R * frame[0]).Norm(), 1e-14);
  std::mt19937 rng(static_cast<unsigned>(angle * 1000));
  std::normal_distribution<double> n;
  const Vela3Vector a = Unit(n(rng), n(rng), n(rng)), w(n(rng), n(rng), n(rng));
  M.SetRotation(a, w, R * a, Scale(2.0, R * w));
  EXPECT_TRUE(Diff(M, R) < 1e-13 && RotationDefect(M) < 5e-15);
  M.SetRotation(angle, 0.7 - angle, -2.0 * angle);
  Vela3x3Matrix X, Y, Z;
  X.SetRotation(Vela3Vector(1, 0, 0), angle), Y.SetRotation(Vela3Vector(0, 1, 0), 0.7 - angle), Z.SetRotation(Vela3Vector(0, 0, 1), -2.0 * angle);
  EXPECT_LT(Diff(M, X * Y * Z), 1e-15);
  const double twist[6] = {angle * axis.GetX(), angle * axis.GetY(), angle * axis.GetZ(), 0, 0, 0};
  VelaTransformation E;
  E.SetExponentialParameters(twist), E.GetMatrix(M);
  EXPECT_LT(Diff(M, R), 1e-15);
  R.Transpose(Rt), M = R, M.Orthonormalize();
  EXPECT_TRUE(R.Inverse(inv) && inv == Rt && M == R);
  std::uniform_real_distribution<double> u(-1e-7, 1e-7);
  M = R + Vela3x3Matrix(u(rng), u(rng), u(rng), u(rng), u(rng), u(rng), u(rng), u(rng), u(rng)), M.Orthonormalize();
  EXPECT_TRUE(RotationDefect(M) < 5e-15 && Diff(M, R) < 1e-6);
}

// The exponential of a twist as (R, t) arrays.
void Exp(const double* p, double (*R)[3], double* t) {
  VelaTransformation T;
  T.SetExponentialParameters(p);
  T.GetCoef(R, t);
}

double Norm6(const double* a) {
  double s = 0.0;
  for (int i = 0; i < 6; ++i) s += a[i] * a[i];
  return std::sqrt(s);
}

// Central differences of exp along d at p, with step h: dR (3x3) and dt.
void CentralDifference(const double* p, const double* d, double h, double (*dR)[3], double* dt) {
  double plus[6], minus[6], Rp[3][3], Rm[3][3], tp[3], tm[3];
  for (int i = 0; i < 6; ++i) {
    plus[i] = p[i] + h * d[i];
    minus[i] = p[i] - h * d[i];
  }
  Exp(plus, Rp, tp);
  Exp(minus, Rm, tm);
  for (int i = 0; i < 3; ++i) {
    dt[i] = (tp[i] - tm[i]) / (2 * h);
    for (int j = 0; j < 3; ++j) dR[i][j] = (Rp[i][j] - Rm[i][j]) / (2 * h);
  }
}

// Checks oD against the central difference of exp at p along d:
// d/de exp(e oD) o exp(p) at e = 0 is ([w]x R, w x t + u) for oD = (w, u).
// The tolerance is the difference's own error: its truncation error,
// estimated from the change between steps h and 2h, plus its rounding.
void ExpectDerivativeMatchesDifference(const double* p, const double* d, const std::string& where) {
  double oD[6], R[3][3], t[3];
  VelaTransformation::ComputeExpDerivativeAlongDirection(p, d, oD);
  Exp(p, R, t);
  double predictedR[3][3], predictedT[3];
  const double* w = oD;
  for (int j = 0; j < 3; ++j) {
    predictedR[0][j] = w[1] * R[2][j] - w[2] * R[1][j];
    predictedR[1][j] = w[2] * R[0][j] - w[0] * R[2][j];
    predictedR[2][j] = w[0] * R[1][j] - w[1] * R[0][j];
  }
  predictedT[0] = w[1] * t[2] - w[2] * t[1] + oD[3];
  predictedT[1] = w[2] * t[0] - w[0] * t[2] + oD[4];
  predictedT[2] = w[0] * t[1] - w[1] * t[0] + oD[5];

  const double h = 1e-4;
  double dR1[3][3], dt1[3], dR2[3][3], dt2[3];
  CentralDifference(p, d, h, dR1, dt1);
  CentralDifference(p, d, 2 * h, dR2, dt2);
  double truncation = 0.0;
  for (int i = 0; i < 3; ++i) {
    truncation = std::max(truncation, std::fabs(dt1[i] - dt2[i]));
    for (int j = 0; j < 3; ++j) truncation = std::max(truncation, std::fabs(dR1[i][j] - dR2[i][j]));
  }
  const double scale = 1.0 + Norm6(p);
  const double rounding = 64 * kEps * scale / h;
  const double tol = truncation + rounding;  // the h-step error is about a third of the h/2h change
  for (int i = 0; i < 3; ++i) {
    EXPECT_NEAR(predictedT[i], dt1[i], tol) << where << " t" << i;
    for (int j = 0; j < 3; ++j) EXPECT_NEAR(predictedR[i][j], dR1[i][j], tol) << where << " R" << i << j;
  }
}

// Twist coordinates of a motion of the grid, read directly from it.
void TwistOf(const Motion& m, double* p) {
  p[0] = m.angle * m.axis.GetX();
  p[1] = m.angle * m.axis.GetY();
  p[2] = m.angle * m.axis.GetZ();
  p[3] = m.translation.GetX();
  p[4] = m.translation.GetY();
  p[5] = m.translation.GetZ();
}

void CheckIdentities(const Motion& m) {
  SCOPED_TRACE(Describe(m));
  const VelaTransformation T = Build(m);
  const double size = m.translation.Norm();
  const double lin = 64 * kEps * (1.0 + size);
  const double ang = 64 * kEps;

  // Inverse composes to the identity on both sides.
  VelaTransformation inv;
  T.Inverse(inv);
  EXPECT_TRUE((T * inv).IsIdentity(lin, ang));
  EXPECT_TRUE((inv * T).IsIdentity(lin, ang));

  // exp(log T) = T, with a proper rotation.
  double p[6];
  T.GetExponentialParameters(p);
  VelaTransformation E;
  E.SetExponentialParameters(p);
  EXPECT_LE(RotationDefect(E), 8 * kEps);
  EXPECT_TRUE(E.IsEqual(T, lin, ang));
  EXPECT_NEAR(std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]), m.angle, 16 * kEps);

  // The square root, squared; the power -1, the inverse.
  VelaTransformation half = T, minusOne = T;
  half.Pow(0.5), minusOne.Pow(-1.0);
  EXPECT_LE(RotationDefect(half), 8 * kEps);
  EXPECT_TRUE((half * half).IsEqual(T, lin, ang) && minusOne.IsEqual(inv, lin, ang));

  // Screw parameters rebuild the motion. The axis point lies about
  // |t| / angle away, so the rebuild is exact only relative to it.
  Vela3Vector point, axis;
  double angle = 0.0, slide = 0.0;
  T.GetHelicalParameters(point, axis, angle, slide);
  VelaTransformation H;
  H.SetHelicalParameters(point, axis, angle, slide);
  EXPECT_LE(RotationDefect(H), 8 * kEps);
  EXPECT_TRUE(H.IsEqual(T, 64 * kEps * (1.0 + size + point.Norm()), ang));

  // The quaternion gives back angle and axis (up to the axis' sign at pi).
  Vela3x3Matrix R;
  T.GetMatrix(R);
  if (size == 0.0) CheckRotation(m.axis, m.angle, R);
  double w = 0.0;
  Vela3Vector v;
  R.GetQuaternion(w, v);
  EXPECT_NEAR(2.0 * std::atan2(v.Norm(), w), m.angle, 16 * kEps);
  if (m.angle > 0.0) {
    Vela3Vector a = v;
    a.Normalize();
    const double side = m.angle == kPi && vela::detail::Dot(a, m.axis) < 0 ? -1.0 : 1.0;
    const double axisTol = 16 * kEps / std::sin(0.5 * m.angle);
    EXPECT_NEAR(side * a.GetX(), m.axis.GetX(), axisTol);
    EXPECT_NEAR(side * a.GetY(), m.axis.GetY(), axisTol);
    EXPECT_NEAR(side * a.GetZ(), m.axis.GetZ(), axisTol);
  }

  // The derivative of exp against a central difference, along the twist's
  // own direction and two others.
  double twist[6];
  TwistOf(m, twist);
  std::mt19937 rng(static_cast<unsigned>(1000 * m.angle + size));
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  for (int k = 0; k < 2; ++k) {
    double d[6];
    for (double& x : d) x = u(rng);
    ExpectDerivativeMatchesDifference(twist, d, "random direction " + std::to_string(k));
  }
}

}  // namespace

TEST(VelaTransformationIdentities, HoldOverAnglesAxesAndTranslations) {
  for (const Motion& m : MotionGrid()) CheckIdentities(m);
}

// At the thresholds where series replace the closed forms (angles 0.25 and
// 0.43) the derivative must agree with the difference on both sides and
// must not jump: the two sides are 2e-13 apart in angle, so anything beyond
// rounding is a discontinuity.
TEST(VelaTransformationIdentities, ExpDerivativeIsContinuousAcrossSeriesThresholds) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  const Vela3Vector axes[] = {Vela3Vector(1, 0, 0), Unit(1, 2, 3), Unit(-2, 0.5, 1)};
  for (double threshold : {0.25, 0.43}) {
    for (const Vela3Vector& axis : axes) {
      double d[6], below[6], above[6], outBelow[6], outAbove[6];
      for (double& x : d) x = u(rng);
      const double v[3] = {u(rng), u(rng), u(rng)};
      for (int side = 0; side < 2; ++side) {
        double* p = side == 0 ? below : above;
        const double angle = threshold * (side == 0 ? 1 - 1e-13 : 1 + 1e-13);
        p[0] = angle * axis.GetX();
        p[1] = angle * axis.GetY();
        p[2] = angle * axis.GetZ();
        p[3] = v[0];
        p[4] = v[1];
        p[5] = v[2];
        ExpectDerivativeMatchesDifference(p, d, "threshold " + std::to_string(threshold));
      }
      VelaTransformation::ComputeExpDerivativeAlongDirection(below, d, outBelow);
      VelaTransformation::ComputeExpDerivativeAlongDirection(above, d, outAbove);
      for (int i = 0; i < 6; ++i)
        EXPECT_NEAR(outBelow[i], outAbove[i], 1e-13 * (1.0 + Norm6(outAbove)))
            << "threshold " << threshold << " entry " << i;
    }
  }
}

