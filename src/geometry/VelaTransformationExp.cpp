// VelaTransformation: exponential coordinates, Pow, the derivative of the
// exponential map and the adjoint matrix.
//
// A motion is exp of the twist p = (w, v), angle theta = |w|:
//   R = the rotation of the unit quaternion (cos(theta/2), sin(theta/2) w / theta),
//   t = v_par + (sin theta / theta) (v - v_par) + ((1 - cos theta) / theta^2) (w x v),
// v_par being v's component along w. The rotation and the coefficient
// (1 - cos theta) / theta^2 = 2 (sin(theta/2) / theta)^2 come from the half
// angle, which stays accurate for tiny angles (no cancellation), and the
// logarithm reads the angle from the quaternion with atan2, accurate up to
// and including pi.
//
// The derivative uses four coefficient functions of x = theta^2 whose
// closed forms cancel catastrophically near 0: f2 = (theta - sin theta) /
// theta^3 and f3 lose about 1/x of their digits, f4 about 1/x^2. Below
// theta = 0.25 (f2, f3) and 0.43 (f4) their Taylor series in x replace them;
// at those thresholds both the series' dropped terms and the closed forms'
// rounding stay below about 2e-14 in absolute value, so the derivative is
// continuous there to that accuracy.
#include "vela/geometry/VelaTransformation.h"

#include <cmath>

#include "geometry/VelaTransformationKernels.h"
#include "vela/linalg/VelaMatrix.h"

using vela::detail::Cross3;
using vela::detail::Dot3;
using vela::detail::Load3;
using vela::detail::Make3;

namespace {

// Angles at or below this are no rotation at all: exp is a translation.
constexpr double kZeroAngle = 1e-15;
// Series thresholds of the derivative's coefficient functions.
constexpr double kSeriesF2F3 = 0.25;
constexpr double kSeriesF4 = 0.43;

// o = a + f1 (w x a) + f2 (w x (w x a)): the left Jacobian of the rotation
// group applied to a (o must not be a).
void ApplyLeftJacobian(const double* w, const double* a, double f1, double f2, double* o) {
  double wa[3], wwa[3];
  Cross3(w, a, wa);
  Cross3(w, wa, wwa);
  for (int i = 0; i < 3; ++i) o[i] = a[i] + f1 * wa[i] + f2 * wwa[i];
}

}  // namespace

void VelaTransformation::GetExponentialParameters(double* const oP) const {
  if (!oP) return;
  double w = 0.0;
  Vela3Vector q;
  matrix_.GetQuaternion(w, q);
  vela::detail::RescaleQuaternion(w, q);
  double v[3], t[3];
  Load3(q, v);
  Load3(vector_, t);
  const double y2 = Dot3(v, v);
  const double y = std::sqrt(y2);
  if (!(y > kZeroAngle)) {
    oP[0] = oP[1] = oP[2] = 0.0;
    oP[3] = t[0];
    oP[4] = t[1];
    oP[5] = t[2];
    return;
  }
  // The quaternion is scaled by an unknown positive factor; every use of
  // (w, v) below is a ratio, so the factor cancels.
  const double theta = 2.0 * std::atan2(y, w);
  const double k = theta / y;
  const double vt = Dot3(v, t) / y2;
  const double tPar[3] = {vt * v[0], vt * v[1], vt * v[2]};
  double txv[3];
  Cross3(t, v, txv);
  const double h = theta / (2.0 * y);
  for (int i = 0; i < 3; ++i) {
    oP[i] = k * v[i];
    oP[3 + i] = h * (txv[i] + w * (t[i] - tPar[i])) + tPar[i];
  }
}

void VelaTransformation::SetExponentialParameters(const double* const iP) {
  double om[3], v[3];
  Load3(iP, om);
  Load3(iP ? iP + 3 : nullptr, v);
  const double x = Dot3(om, om);
  const double theta = std::sqrt(x);
  if (!(theta > kZeroAngle)) {
    matrix_ = Vela3x3Matrix();
    vector_ = Make3(v);
    return;
  }
  const double sh = std::sin(0.5 * theta);
  const double ch = std::cos(0.5 * theta);
  const double s = sh / theta;
  const double qw = ch, qx = s * om[0], qy = s * om[1], qz = s * om[2];
  // R(0,1) = 2 (qx qy - qw qz) and so on; doubling is exact in binary, so
  // doubling one factor first gives the same bits with fewer products.
  const double dx = 2.0 * qx, dy = 2.0 * qy, dz = 2.0 * qz;
  const double xx = dx * qx, yy = dy * qy, zz = dz * qz;
  const double xy = dx * qy, xz = dx * qz, yz = dy * qz;
  const double wx = dx * qw, wy = dy * qw, wz = dz * qw;
  matrix_.SetCoef(1.0 - (yy + zz), xy - wz, xz + wy,  //
                  xy + wz, 1.0 - (xx + zz), yz - wx,  //
                  xz - wy, yz + wx, 1.0 - (xx + yy));
  const double vw = Dot3(v, om) / x;
  const double vPar[3] = {vw * om[0], vw * om[1], vw * om[2]};
  // sin(theta) / theta from the same half-angle values: 2 sin(theta/2)
  // cos(theta/2) / theta. Equal to a separate sine up to the last bit, and it
  // saves the exponential map a third trigonometric call.
  const double sinc = 2.0 * s * ch;
  const double f1 = 2.0 * s * s;  // (1 - cos(theta)) / theta^2 without cancellation
  double wxv[3];
  Cross3(om, v, wxv);
  vector_ = Vela3Vector(vPar[0] + sinc * (v[0] - vPar[0]) + f1 * wxv[0], vPar[1] + sinc * (v[1] - vPar[1]) + f1 * wxv[1],
                        vPar[2] + sinc * (v[2] - vPar[2]) + f1 * wxv[2]);
}

void VelaTransformation::Pow(double alpha) {
  double p[6];
  GetExponentialParameters(p);
  for (double& c : p) c *= alpha;
  SetExponentialParameters(p);
}

void VelaTransformation::ComputeExpDerivativeAlongDirection(const double* const iP, const double* const iDir,
                                                            double* const oD) {
  if (!oD) return;
  double om[3], v[3], dom[3], dv[3];
  Load3(iP, om);
  Load3(iP ? iP + 3 : nullptr, v);
  Load3(iDir, dom);
  Load3(iDir ? iDir + 3 : nullptr, dv);
  const double x = Dot3(om, om);
  const double theta = std::sqrt(x);
  if (!(theta > kZeroAngle)) {
    double vxd[3];
    Cross3(v, dom, vxd);
    for (int i = 0; i < 3; ++i) {
      oD[i] = dom[i];
      oD[3 + i] = dv[i] + 0.5 * vxd[i];
    }
    return;
  }
  const double c = std::cos(0.5 * theta);
  const double c1 = 2.0 * std::sin(0.5 * theta) / theta;
  const double f1 = 0.5 * c1 * c1;
  double f2, f3, f4;
  if (theta < kSeriesF2F3) {
    f2 = 0.16666666666666666 -
         x * (0.008333333333333333 - x * (0.0001984126984126984 - x * (2.7557319223985893e-6 - x * 2.505210838544172e-8)));
    f3 = -(0.08333333333333333 -
           x * (0.005555555555555556 - x * (0.00014880952380952382 - x * (2.204585537918871e-6 - x * 2.08767569878681e-8))));
  } else {
    f2 = (theta - std::sin(theta)) / (theta * x);
    f3 = (c - c1) * c1 / x;
  }
  if (theta < kSeriesF4) {
    f4 = -(0.016666666666666666 -
           x * (0.0007936507936507937 -
                x * (1.6534391534391536e-5 - x * (2.0041686708353376e-7 - x * 1.6059043836821615e-9))));
  } else {
    f4 = -(3.0 * c * (c - c1) / x + 0.5 * f1) / x;
  }

  double ja[3], jv[3], P[3], G[3], tmp[3], wP[3], wG[3], dP[3];
  ApplyLeftJacobian(om, dom, f1, f2, ja);
  ApplyLeftJacobian(om, v, f1, f2, jv);
  Cross3(om, v, P);
  Cross3(om, dv, G);
  Cross3(dom, v, tmp);
  for (int i = 0; i < 3; ++i) G[i] += tmp[i];
  Cross3(om, P, wP);
  Cross3(om, G, wG);
  Cross3(dom, P, dP);
  const double dw = Dot3(dom, om);
  double jvxja[3];
  Cross3(jv, ja, jvxja);
  for (int i = 0; i < 3; ++i) {
    const double K = dw * (f3 * P[i] + f4 * wP[i]) + f1 * G[i] + f2 * (wG[i] + dP[i]);
    oD[i] = ja[i];
    oD[3 + i] = dv[i] + jvxja[i] + K;
  }
}

void VelaTransformation::GetLeftToRightLieAlgebraMapping(VelaMatrix& oM) const {
  oM.Resize(6, 6);
  double r[3][3], t[3];
  matrix_.GetCoef(r);
  Load3(vector_, t);
  double* m = oM.GetBuffer();
  for (int k = 0; k < 3; ++k) {
    // Axial vector of R [e_k]x R^T: the cross product of R's two other
    // columns (column k itself for a proper rotation).
    const int k1 = (k + 1) % 3, k2 = (k + 2) % 3;
    const double a[3] = {r[0][k1], r[1][k1], r[2][k1]};
    const double b[3] = {r[0][k2], r[1][k2], r[2][k2]};
    double re[3], txre[3];
    Cross3(a, b, re);
    Cross3(t, re, txre);
    for (int i = 0; i < 3; ++i) {
      m[i * 6 + k] = re[i];
      m[(i + 3) * 6 + k] = txre[i];
      m[i * 6 + k + 3] = 0.0;
      m[(i + 3) * 6 + k + 3] = re[i];
    }
  }
}
