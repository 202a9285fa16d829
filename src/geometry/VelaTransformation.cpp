// VelaTransformation: composition, comparison, screw parameters, frames and
// text forms. The exponential-map family lives in VelaTransformationExp.cpp.
//
// Tolerances: comparisons measure the rotation angle from R's quaternion
// (2 atan2(|v|, w), accurate near 0 and near pi alike, unlike acos of the
// trace); the screw axis exists only when the quaternion's vector part
// exceeds 1e-12, below which the motion is treated as a pure translation.
#include "vela/geometry/VelaTransformation.h"

#include <cmath>

#include "geometry/VelaTransformationKernels.h"
#include "vela/config/VelaGlobalParameters.h"
#include "vela/foundation/VelaConstants.h"
#include "vela/streams/VelaStream.h"

using vela::detail::Add;
using vela::detail::Cross3;
using vela::detail::Dot;
using vela::detail::Dot3;
using vela::detail::Load3;
using vela::detail::Make3;
using vela::detail::RotationAngle;
using vela::detail::Sub;

namespace {

// Below this length of the quaternion's vector part the motion has no
// usable screw axis.
constexpr double kHelicalAxisThreshold = 1e-12;

// Writes the three rows of m as "[[a, b, c],<end>   [..],<end>   [..]]".
// `end` separates the rows: a literal text or a stream manipulator.
template <class End>
void WriteRows(VelaStream& s, const double (*m)[3], End end) {
  s << "  [[" << m[0][0] << ", " << m[0][1] << ", " << m[0][2] << "],";
  s << end << "   [" << m[1][0] << ", " << m[1][1] << ", " << m[1][2] << "],";
  s << end << "   [" << m[2][0] << ", " << m[2][1] << ", " << m[2][2] << "]]";
}

}  // namespace

// ---- Comparison --------------------------------------------------------------

unsigned char VelaTransformation::operator==(const VelaTransformation& T) const {
  return (matrix_ == T.matrix_) && (vector_ == T.vector_);
}

unsigned char VelaTransformation::operator!=(const VelaTransformation& T) const { return !(*this == T); }

unsigned char VelaTransformation::IsEqual(const VelaTransformation& T, double iLinTol, double iAngTol) const {
  // D = this^-1 o T: R_D = R^T R_T, t_D = R^T t_T - R^T t.
  Vela3x3Matrix Rt;
  matrix_.Transpose(Rt);
  if (Sub(Rt * T.vector_, Rt * vector_).SquareNorm() > iLinTol * iLinTol) return 0;
  return RotationAngle(Rt * T.matrix_) <= iAngTol;
}

unsigned char VelaTransformation::IsIdentity(double iLinTol, double iAngTol) const {
  return IsNullVector(iLinTol) && IsIdentityMatrix(iAngTol);
}

unsigned char VelaTransformation::IsIdentityMatrix(double iAngTol) const { return RotationAngle(matrix_) <= iAngTol; }

unsigned char VelaTransformation::IsNullVector(double iTol) const { return vector_.SquareNorm() <= iTol * iTol; }

// ---- Composition ---------------------------------------------------------------

void VelaTransformation::Inverse(VelaTransformation& oInv) const {
  Vela3x3Matrix Rt;
  matrix_.Transpose(Rt);
  const Vela3Vector u = Rt * vector_;
  oInv.matrix_ = Rt;
  oInv.vector_ = Vela3Vector(-u.GetX(), -u.GetY(), -u.GetZ());
}

void VelaTransformation::Scale(double s) { vector_ = vela::detail::Scale(s, vector_); }

void VelaTransformation::Orthonormalize() { matrix_.Orthonormalize(); }

unsigned char VelaTransformation::SetZero(unsigned char iZero) {
  const unsigned char previous = zero_;
  zero_ = iZero ? 1 : 0;
  return previous;
}

// ---- Fields --------------------------------------------------------------------

void VelaTransformation::GetVector(double* const oT) const { vector_.GetCoord(oT); }

void VelaTransformation::GetCoef(double (*const iR)[3], double* const iT) const {
  if (iR) matrix_.GetCoef(iR);
  if (iT) vector_.GetCoord(iT);
}

void VelaTransformation::GetTransformation2D(double (*const o)[3]) const {
  if (!o) return;
  double r[3][3];
  matrix_.GetCoef(r);
  o[0][0] = r[0][0];
  o[0][1] = r[0][1];
  o[0][2] = vector_.GetX();
  o[1][0] = r[1][0];
  o[1][1] = r[1][1];
  o[1][2] = vector_.GetY();
  o[2][0] = 0.0;
  o[2][1] = 0.0;
  o[2][2] = 1.0;
}

// ---- Screw parameters ------------------------------------------------------------

void VelaTransformation::GetHelicalParameters(Vela3Vector& oPoint, Vela3Vector& oAxis, double& oAngle,
                                              double& oTranslation) const {
  double w = 0.0;
  Vela3Vector q;
  matrix_.GetQuaternion(w, q);
  vela::detail::RescaleQuaternion(w, q);
  double v[3], t[3];
  Load3(q, v);
  Load3(vector_, t);
  const double y = std::sqrt(Dot3(v, v));
  if (y > kHelicalAxisThreshold) {
    const double a[3] = {v[0] / y, v[1] / y, v[2] / y};
    const double k = w / y;  // cot(angle / 2): the quaternion's scale cancels
    const double d = Dot3(a, t);
    double axt[3];
    Cross3(a, t, axt);
    // The axis point closest to the origin: the perpendicular part of t is
    // (I - R) p, whose solution orthogonal to the axis is this.
    oPoint = Vela3Vector(0.5 * (k * axt[0] + (t[0] - d * a[0])), 0.5 * (k * axt[1] + (t[1] - d * a[1])),
                         0.5 * (k * axt[2] + (t[2] - d * a[2])));
    oAxis = Make3(a);
    oAngle = 2.0 * std::atan2(y, w);
    oTranslation = d;
    return;
  }
  const double n = std::sqrt(Dot3(t, t));
  oPoint = Vela3Vector();
  oAxis = n > 0.0 ? Vela3Vector(t[0] / n, t[1] / n, t[2] / n) : Vela3Vector(1.0, 0.0, 0.0);
  oAngle = 0.0;
  oTranslation = n;
}

void VelaTransformation::SetHelicalParameters(const Vela3Vector& iPoint, const Vela3Vector& iAxis, double iAngle,
                                              double iTranslation) {
  matrix_.SetRotation(iAxis, iAngle);
  // Only the point's component orthogonal to the axis moves under R.
  const Vela3Vector p = Sub(iPoint, vela::detail::Scale(Dot(iAxis, iPoint), iAxis));
  vector_ = Add(Sub(p, matrix_ * p), vela::detail::Scale(iTranslation, iAxis));
}

// ---- Other parameterisations --------------------------------------------------------

void VelaTransformation::SetEulerParameters(const double* const iP) {
  double a[3], t[3];
  Load3(iP, a);
  Load3(iP ? iP + 3 : nullptr, t);
  matrix_.SetRotation(a[0], a[1], a[2]);
  vector_ = Make3(t);
}

void VelaTransformation::SetSketch(const double* const iP) {
  double t[3], c0[3], c1[3], c2[3];
  Load3(iP, t);
  Load3(iP ? iP + 3 : nullptr, c0);
  Load3(iP ? iP + 6 : nullptr, c1);
  Cross3(c0, c1, c2);
  matrix_.SetMatrix(Make3(c0), Make3(c1), Make3(c2));
  vector_ = Make3(t);
}

void VelaTransformation::SetLeftAdjustment(int n, const double* const iP) {
  if (n != 3 && n != 6) return;
  double p[3], d[3];
  Load3(iP, p);
  if (n == 3) {
    matrix_ = Vela3x3Matrix();
  } else {
    Load3(iP ? iP + 3 : nullptr, d);
    matrix_.SetRotation(Vela3Vector(1.0, 0.0, 0.0), Make3(d));
  }
  vector_ = Make3(p);
}

void VelaTransformation::SetRightAdjustment(int n, const double* const iP) {
  if (n != 3 && n != 6) return;
  double p[3], d[3];
  Load3(iP, p);
  if (n == 3) {
    matrix_ = Vela3x3Matrix();
    vector_ = Vela3Vector(-p[0], -p[1], -p[2]);
    return;
  }
  Load3(iP ? iP + 3 : nullptr, d);
  matrix_.SetRotation(Make3(d), Vela3Vector(1.0, 0.0, 0.0));
  const Vela3Vector Rp = matrix_ * Make3(p);
  vector_ = Vela3Vector(-Rp.GetX(), -Rp.GetY(), -Rp.GetZ());
}

// ---- Text forms --------------------------------------------------------------------

void VelaTransformation::Write(VelaStream& ioStream) const {
  if (RotationAngle(matrix_) > 0.0) {
    double r[3][3];
    matrix_.GetCoef(r);
    ioStream << "\n";
    WriteRows(ioStream, r, "\n");
    ioStream << ";\n   ";
  } else {
    ioStream << " identity; ";
  }
  if (vector_.SquareNorm() > 0.0)
    ioStream << "[" << vector_.GetX() << ", " << vector_.GetY() << ", " << vector_.GetZ() << "]";
  else
    ioStream << "null";
}

void VelaTransformation::Write(const char* iName) const {
  VelaStream& s = *GetGlobalParameters().GetTraceStream();
  s << velsetprecision(18) << iName << ":";
  if (RotationAngle(matrix_) > VelaGoalAccuracy) {
    double r[3][3];
    matrix_.GetCoef(r);
    s << velendl;
    WriteRows(s, r, velendl);
    s << ";" << velendl;
  } else {
    s << " identity; ";
  }
  if (vector_.SquareNorm() <= VelaGoalAccuracy * VelaGoalAccuracy)
    s << "null;" << velendl;
  else
    s << "[" << vector_.GetX() << ", " << vector_.GetY() << ", " << vector_.GetZ() << "];" << velendl;
}
