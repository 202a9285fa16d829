// Rotations, shape test, inverse, Euler angles and quaternion of
// Vela3x3Matrix.
//
// Shape test (tolerance 1e-12 throughout), on the columns c0, c1, c2:
//   pairwise |ci . cj| > tol           -> 0 (general)
//   |det| < tol                        -> 0
//   every |‖ci‖ - 1| <= tol            -> 1 rotation / -1 reflection (sign of det)
//   every |‖ci‖ / cbrt|det| - 1| <= tol -> 2 / -2 (uniformly scaled)
//   otherwise                          -> 0
// The inverse uses it to avoid a division for rotations (the transpose is
// exact) and to keep scaled rotations exactly proportional to their
// transpose; only general matrices go through the adjugate.
//
// The quaternion is read from whichever of the four trace-like sums
// t0 = m00 + m11 + m22, t1 = m00 - m11 - m22, t2 = m11 - m22 - m00,
// t3 = m22 - m00 - m11 is largest (4 w² - 1, 4 x² - 1, 4 y² - 1, 4 z² - 1
// for a rotation): the component it gives is then at least 1/2 in
// magnitude, so the other three, read from the off-diagonal sums and
// differences, come out without cancellation. The result is left scaled by
// 4 |q_k| rather than divided by it; callers take atan2 and a direction,
// which do not need the scale.
//
// The rotation builders and Orthonormalize use only directions and ratios;
// vectors (and quaternions) whose squared length would overflow or
// underflow are scaled by a power of two first, which is exact and leaves
// in-range inputs untouched.
#include "vela/geometry/Vela3x3Matrix.h"

#include <cmath>

#include "geometry/VelaRangeScaling.h"
#include "vela/config/VelaGlobalParameters.h"
#include "vela/foundation/VelaConstants.h"
#include "vela/streams/VelaStream.h"

using vela::detail::Cross;
using vela::detail::Dot;
using vela::detail::RangeExponent;
using vela::detail::Rescaled;

namespace {

constexpr double kShapeTolerance = 1e-12;
constexpr double kSingularDeterminant = 1e-15;
constexpr double kRoundTolerance = 1e-15;
constexpr double kParallelCross = 1e-12;
// Squared length under which a vector has no usable direction.
constexpr double kNoDirection = 1e-24;

}  // namespace

unsigned char Vela3x3Matrix::operator==(const Vela3x3Matrix& B) const {
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      if (!(m_[i][j] == B.m_[i][j])) return 0;
  return 1;
}

int Vela3x3Matrix::GetOrthogonalityType() const {
  const Vela3Vector c0 = Column(0), c1 = Column(1), c2 = Column(2);
  if (std::fabs(Dot(c0, c1)) > kShapeTolerance || std::fabs(Dot(c0, c2)) > kShapeTolerance ||
      std::fabs(Dot(c1, c2)) > kShapeTolerance)
    return 0;
  const double d = Determinant();
  if (std::fabs(d) < kShapeTolerance) return 0;
  const double n[3] = {c0.Norm(), c1.Norm(), c2.Norm()};
  const int sign = d > 0.0 ? 1 : -1;
  bool unit = true;
  for (double ni : n) unit = unit && std::fabs(ni - 1.0) <= kShapeTolerance;
  if (unit) return sign;
  const double s = std::pow(std::fabs(d), 0.3333333333333333);
  for (double ni : n)
    if (std::fabs(ni / s - 1.0) > kShapeTolerance) return 0;
  return 2 * sign;
}

unsigned char Vela3x3Matrix::Inverse(Vela3x3Matrix& oInv) const {
  const int type = GetOrthogonalityType();
  if (type == 1 || type == -1) {
    Transpose(oInv);
    return 1;
  }
  const double d = Determinant();
  if (std::fabs(d) <= kSingularDeterminant) return 0;
  if (type == 2 || type == -2) {
    // (s R)⁻¹ = Rᵀ / s = (s R)ᵀ / s², with s² = |det|^(2/3).
    Vela3x3Matrix t;
    Transpose(t);
    oInv = std::pow(std::fabs(1.0 / d), 0.6666666666666666) * t;
    return 1;
  }
  const double f = 1.0 / d;
  const Vela3x3Matrix& m = *this;
  oInv = Vela3x3Matrix(
      (m.m_[1][1] * m.m_[2][2] - m.m_[1][2] * m.m_[2][1]) * f,
      (m.m_[0][2] * m.m_[2][1] - m.m_[0][1] * m.m_[2][2]) * f,
      (m.m_[0][1] * m.m_[1][2] - m.m_[0][2] * m.m_[1][1]) * f,
      (m.m_[1][2] * m.m_[2][0] - m.m_[1][0] * m.m_[2][2]) * f,
      (m.m_[0][0] * m.m_[2][2] - m.m_[0][2] * m.m_[2][0]) * f,
      (m.m_[0][2] * m.m_[1][0] - m.m_[0][0] * m.m_[1][2]) * f,
      (m.m_[1][0] * m.m_[2][1] - m.m_[1][1] * m.m_[2][0]) * f,
      (m.m_[0][1] * m.m_[2][0] - m.m_[0][0] * m.m_[2][1]) * f,
      (m.m_[0][0] * m.m_[1][1] - m.m_[0][1] * m.m_[1][0]) * f);
  return 1;
}

// ---- Rotations ---------------------------------------------------------------

void Vela3x3Matrix::SetRotationCosSin(const Vela3Vector& iAxis, double c, double s) {
  const double x = iAxis.GetX(), y = iAxis.GetY(), z = iAxis.GetZ();
  const double t = 1.0 - c;
  m_[0][0] = t * x * x + c;
  m_[0][1] = t * x * y - s * z;
  m_[0][2] = t * x * z + s * y;
  m_[1][0] = t * x * y + s * z;
  m_[1][1] = t * y * y + c;
  m_[1][2] = t * y * z - s * x;
  m_[2][0] = t * x * z - s * y;
  m_[2][1] = t * y * z + s * x;
  m_[2][2] = t * z * z + c;
}

void Vela3x3Matrix::SetRotation(const Vela3Vector& iAxis, double iAngle) {
  SetRotationCosSin(iAxis, std::cos(iAngle), std::sin(iAngle));
}

void Vela3x3Matrix::SetRotation(const Vela3Vector& iU, const Vela3Vector& iV, const Vela3Vector& iAxis) {
  const Vela3Vector u = Rescaled(iU), v = Rescaled(iV);
  double C = Dot(u, v);
  double S = Dot(iAxis, Cross(u, v));
  const int e = RangeExponent(std::fabs(C) > std::fabs(S) ? std::fabs(C) : std::fabs(S));
  C = std::ldexp(C, -e);
  S = std::ldexp(S, -e);
  const double r = std::sqrt(C * C + S * S);
  if (r == 0.0) {
    // No angle is defined (see the header): nothing to turn.
    *this = Vela3x3Matrix();
    return;
  }
  SetRotationCosSin(iAxis, C / r, S / r);
}

void Vela3x3Matrix::SetRotation(const Vela3Vector& iU, const Vela3Vector& iV) {
  // |iU x iV| = 2^(eu + ev + ew) |w|.
  int eu = 0, ev = 0, ew = 0;
  const Vela3Vector u = Rescaled(iU, eu), v = Rescaled(iV, ev);
  Vela3Vector w = Rescaled(Cross(u, v), ew);
  const double n = w.Norm();
  if (std::ldexp(n, eu + ev + ew) < kParallelCross) {
    if (Dot(u, v) >= 0.0) {
      *this = Vela3x3Matrix();
      return;
    }
    w = u.GetOrthogonalVector();  // opposite: a half turn about any normal
  } else {
    w = Vela3Vector(w.GetX() / n, w.GetY() / n, w.GetZ() / n);
  }
  SetRotation(u, v, w);
}

void Vela3x3Matrix::SetRotation(const Vela3Vector& a, const Vela3Vector& u, const Vela3Vector& b,
                                const Vela3Vector& v) {
  Vela3Vector p = vela::detail::Sub(u, vela::detail::Scale(Dot(u, a), a));
  Vela3Vector q = vela::detail::Sub(v, vela::detail::Scale(Dot(v, b), b));
  const double P = p.SquareNorm(), Q = q.SquareNorm();
  if (P < kNoDirection || Q < kNoDirection) {
    SetRotation(a, b);
    return;
  }
  p.Normalize();
  q.Normalize();
  // A short orthogonal part lost most of its digits to cancellation: one
  // more projection restores orthogonality to the axis.
  if (VelaSqrtGoalAccuracy > P) {
    p = vela::detail::Sub(p, vela::detail::Scale(Dot(p, a), a));
    p.Normalize();
  }
  if (VelaSqrtGoalAccuracy > Q) {
    q = vela::detail::Sub(q, vela::detail::Scale(Dot(q, b), b));
    q.Normalize();
  }
  Vela3Vector r = Cross(a, p), s = Cross(b, q);
  r.Normalize();
  s.Normalize();
  // [b q s] [a p r]ᵀ maps a to b, p to q and r to s.
  const Vela3Vector to[3] = {b, q, s}, from[3] = {a, p, r};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      m_[i][j] = to[0].GetCoord(i) * from[0].GetCoord(j) + to[1].GetCoord(i) * from[1].GetCoord(j) +
                 to[2].GetCoord(i) * from[2].GetCoord(j);
}

void Vela3x3Matrix::SetRotation(double a1, double a2, double a3) {
  const double c1 = std::cos(a1), s1 = std::sin(a1);
  const double c2 = std::cos(a2), s2 = std::sin(a2);
  const double c3 = std::cos(a3), s3 = std::sin(a3);
  m_[0][0] = c3 * c2;
  m_[0][1] = -s3 * c2;
  m_[0][2] = s2;
  m_[1][0] = s2 * s1 * c3 + s3 * c1;
  m_[1][1] = c3 * c1 - s2 * s1 * s3;
  m_[1][2] = -c2 * s1;
  m_[2][0] = s3 * s1 - s2 * c1 * c3;
  m_[2][1] = s2 * c1 * s3 + c3 * s1;
  m_[2][2] = c2 * c1;
}

void Vela3x3Matrix::GetEulerAngles(double& oA, double& oB, double& oC) const {
  oB = std::asin(m_[2][1]);
  const double c = std::cos(oB);
  // NaN when |m21| exceeds 1 by rounding: that is the singular case too.
  if (std::fabs(c) > 1e-15) {
    oA = std::atan2(-m_[0][1] / c, m_[1][1] / c);
    oC = std::atan2(-m_[2][0] / c, m_[2][2] / c);
    return;
  }
  // Gimbal lock: only oA ± oC is defined; put it all in oA.
  oB = m_[2][1] > 0.0 ? 1.5707963267948966 : -1.5707963267948966;
  oC = 0.0;
  oA = std::atan2(m_[0][2] / m_[2][1], m_[0][0]);
}

void Vela3x3Matrix::GetQuaternion(double& oW, Vela3Vector& oV) const {
  const double m00 = m_[0][0], m01 = m_[0][1], m02 = m_[0][2];
  const double m10 = m_[1][0], m11 = m_[1][1], m12 = m_[1][2];
  const double m20 = m_[2][0], m21 = m_[2][1], m22 = m_[2][2];
  const double t[4] = {m00 + m11 + m22, m00 - m11 - m22, m11 - m22 - m00, m22 - m00 - m11};
  int k = 0;
  if (t[1] > t[k]) k = 1;
  if (t[2] > t[k]) k = 2;
  if (t[3] > t[k]) k = 3;
  double q[4];
  q[k] = t[k] + 1.0;
  switch (k) {
    case 0:
      q[1] = m21 - m12, q[2] = m02 - m20, q[3] = m10 - m01;
      break;
    case 1:
      q[0] = m21 - m12, q[2] = m10 + m01, q[3] = m20 + m02;
      break;
    case 2:
      q[0] = m02 - m20, q[1] = m10 + m01, q[3] = m21 + m12;
      break;
    default:
      q[0] = m10 - m01, q[1] = m20 + m02, q[2] = m21 + m12;
      break;
  }
  if (q[0] < 0.0)
    for (double& qi : q) qi = -qi;
  oW = q[0];
  oV = Vela3Vector(q[1], q[2], q[3]);
}

void Vela3x3Matrix::Orthonormalize() {
  if (GetOrthogonalityType() == 1) return;
  double w;
  Vela3Vector v;
  GetQuaternion(w, v);
  vela::detail::RescaleQuaternion(w, v);
  const double y = v.Norm();
  v.Normalize();
  SetRotation(v, 2.0 * std::atan2(y, w));
}

void Vela3x3Matrix::Round() {
  for (auto& row : m_)
    for (double& x : row) {
      if (std::fabs(x) < kRoundTolerance)
        x = 0.0;
      else if (std::fabs(x - 1.0) < kRoundTolerance)
        x = 1.0;
      else if (std::fabs(x + 1.0) < kRoundTolerance)
        x = -1.0;
    }
}

void Vela3x3Matrix::Write(const char* iName) const {
  VelaStream& s = *GetGlobalParameters().GetTraceStream();
  s << velsetprecision(18) << iName << " =" << velendl;
  for (int i = 0; i < 3; ++i) {
    s << (i == 0 ? "  [[" : "   [") << m_[i][0] << ", " << m_[i][1] << ", " << m_[i][2]
      << (i == 2 ? "]]" : "],") << velendl;
  }
}
