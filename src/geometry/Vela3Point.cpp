// Distances, projections, angles and orthogonal frames of Vela3Point and
// Vela3Vector.
//
// Degenerate directions are tested exactly (d == 0), not against a
// tolerance: any non-zero direction, however short, defines its line or
// plane, and the caller chooses what is too short. The one tolerance-based
// rule is Normalize, which leaves near-unit vectors alone so that repeated
// normalisation does not drift their last bits.
//
// Where only a direction matters (lines, planes, angles, normalisation),
// a vector whose squared length would overflow or underflow is first
// scaled by a power of two (exact), so huge and tiny finite vectors give
// the results of their in-range multiples.
#include "vela/geometry/Vela3Point.h"

#include <cfloat>
#include <cmath>

#include "geometry/VelaRangeScaling.h"
#include "vela/config/VelaGlobalParameters.h"
#include "vela/foundation/VelaConstants.h"
#include "vela/streams/VelaStream.h"

using vela::detail::Cross;
using vela::detail::Dot;
using vela::detail::Rescaled;

namespace {

// The one dump format of both classes: "name = [x, y, z]".
void WriteTriple(const char* iName, double x, double y, double z) {
  VelaStream& s = *GetGlobalParameters().GetTraceStream();
  s << velsetprecision(18) << iName << " = [" << x << ", " << y << ", " << z << "]" << velendl;
}

}  // namespace

// ---- Vela3Point --------------------------------------------------------------

double Vela3Point::DistanceTo(const Vela3Point* const iPoints, int iCount, int& oIndex) const {
  if (!iPoints || iCount < 1) {
    oIndex = -1;
    return VeladoubleMax;
  }
  oIndex = 0;
  double best = SquareDistanceTo(iPoints[0]);
  for (int i = 1; i < iCount; ++i) {
    const double d = SquareDistanceTo(iPoints[i]);
    if (d < best) {  // strictly: the first nearest point wins ties
      best = d;
      oIndex = i;
    }
  }
  return std::sqrt(best);
}

double Vela3Point::DistanceToLine(const Vela3Point& O, const Vela3Vector& iDir) const {
  const Vela3Vector d = Rescaled(iDir);
  const double dd = Dot(d, d);
  if (dd == 0.0) return DistanceTo(O);
  return std::sqrt(Cross(d, vela::detail::Sub(*this, O)).SquareNorm() / dd);
}

double Vela3Point::DistanceToPlane(const Vela3Point& O, const Vela3Vector& iNormal) const {
  const Vela3Vector n = Rescaled(iNormal);
  const double nn = Dot(n, n);
  if (nn == 0.0) return DistanceTo(O);
  return Dot(vela::detail::Sub(*this, O), n) / std::sqrt(nn);
}

Vela3Point Vela3Point::ProjectOnLine(const Vela3Point& O, const Vela3Vector& iDir) const {
  const Vela3Vector d = Rescaled(iDir);
  const double dd = Dot(d, d);
  if (dd == 0.0) return O;
  const double t = Dot(d, vela::detail::Sub(*this, O)) / dd;
  return vela::detail::Add(O, vela::detail::Scale(t, d));
}

Vela3Point Vela3Point::ProjectOnPlane(const Vela3Point& O, const Vela3Vector& iNormal) const {
  const Vela3Vector n = Rescaled(iNormal);
  const double nn = Dot(n, n);
  if (nn == 0.0) return O;
  const double t = Dot(n, vela::detail::Sub(O, *this)) / nn;
  return vela::detail::Add(*this, vela::detail::Scale(t, n));
}

void Vela3Point::Write(const char* iName) const { WriteTriple(iName, c_[0], c_[1], c_[2]); }

// ---- Vela3Vector -------------------------------------------------------------

double Vela3Vector::NormInf() const {
  double m = c_[0];
  if (c_[1] > m) m = c_[1];
  if (c_[2] > m) m = c_[2];
  return m;
}

void Vela3Vector::Normalize() {
  double s = SquareNorm();
  if (std::fabs(s - 1.0) < 1e-15 || s == 0.0) return;
  if (std::isinf(s) || s < DBL_MIN) {
    *this = Rescaled(*this);
    s = SquareNorm();
  }
  const double f = 1.0 / std::sqrt(s);
  c_[0] *= f;
  c_[1] *= f;
  c_[2] *= f;
}

void Vela3Vector::Round() {
  for (double& c : c_)
    if (std::fabs(c) < 1e-15) c = 0.0;
}

double Vela3Vector::AngleTo(const Vela3Vector& iOther) const {
  const Vela3Vector u = Rescaled(*this), v = Rescaled(iOther);
  const double s = Cross(u, v).Norm();
  const double c = Dot(u, v);
  // atan2(0, -0.0) would be pi: a zero vector is at angle 0 from anything.
  if (s == 0.0 && c == 0.0) return 0.0;
  return std::atan2(s, c);
}

double Vela3Vector::AngleTo(const Vela3Vector& v, const Vela3Vector& iRef) const {
  const double a = AngleTo(v);
  return Dot(Cross(*this, v), iRef) < 0.0 ? -a : a;
}

unsigned char Vela3Vector::IsCollinear(const Vela3Vector& v, double iTol) const {
  const double a = AngleTo(v);
  return iTol > a || a > 3.141592653589793 - iTol;
}

Vela3Vector Vela3Vector::GetOrthogonalVector() const {
  const double x = c_[0], y = c_[1], z = c_[2];
  const double a = std::fabs(x), b = std::fabs(y), c = std::fabs(z);
  // Zero the coordinate of smallest magnitude and swap the other two: the
  // result is far from zero whenever this vector is.
  Vela3Vector r;
  if (b > a && c > a)
    r = Vela3Vector(0.0, -z, y);
  else if (b <= a && c > b)
    r = Vela3Vector(z, 0.0, -x);
  else
    r = Vela3Vector(-y, x, 0.0);
  r.Normalize();
  return r;
}

Vela3Vector Vela3Vector::GetOrthogonalVector(const Vela3Vector& v, double iTol) const {
  // The test below is invariant under the scale of this vector (not of v).
  const Vela3Vector u = Rescaled(*this), w = Cross(u, v);
  // |u x v| = |u| |v| sin(angle): compared without dividing, so that
  // v = 0 (and this = 0) fall here too.
  if (u.SquareNorm() * iTol * iTol >= w.SquareNorm()) return GetOrthogonalVector();
  Vela3Vector r = Cross(w, u);
  r.Normalize();
  return r;
}

void Vela3Vector::GetOrthogonalVectors(Vela3Vector* const oPair) const {
  if (oPair == nullptr) return;
  oPair[0] = GetOrthogonalVector();
  oPair[1] = Cross(*this, oPair[0]);
  oPair[1].Normalize();
}

void Vela3Vector::Write(const char* iName) const { WriteTriple(iName, c_[0], c_[1], c_[2]); }
