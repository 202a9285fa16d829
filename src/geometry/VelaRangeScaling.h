// Power-of-two rescaling of vectors whose squared length would overflow
// or underflow.
//
// Multiplying by 2^-e is exact, so directions, ratios and angles are those
// of the original; vectors already comfortably inside the range are
// returned as they are, which keeps every ordinary result bit for bit.
#ifndef VELA_SRC_GEOMETRY_VELARANGESCALING_H
#define VELA_SRC_GEOMETRY_VELARANGESCALING_H

#include <cmath>

#include "vela/geometry/Vela3Point.h"

namespace vela::detail {

// e with largest * 2^-e in [0.5, 1) when largest (>= 0) is finite, non-zero
// and outside [2^-500, 2^500], where squares of three such numbers stay
// finite and normal; 0 otherwise (NaN and infinities included).
inline int RangeExponent(double largest) {
  if (!(largest > 0x1p500 || (largest > 0.0 && largest < 0x1p-500)) || !std::isfinite(largest)) return 0;
  int e = 0;
  std::frexp(largest, &e);
  return e;
}

// The largest |coordinate| (NaN when the first coordinate is NaN).
inline double LargestMagnitude(const Vela3Vector& v) {
  double m = std::fabs(v.GetX());
  if (std::fabs(v.GetY()) > m) m = std::fabs(v.GetY());
  if (std::fabs(v.GetZ()) > m) m = std::fabs(v.GetZ());
  return m;
}

// v * 2^-e, e = RangeExponent of v's largest magnitude (v itself if e = 0).
inline Vela3Vector Rescaled(const Vela3Vector& v, int& e) {
  e = RangeExponent(LargestMagnitude(v));
  if (e == 0) return v;
  return Vela3Vector(std::ldexp(v.GetX(), -e), std::ldexp(v.GetY(), -e), std::ldexp(v.GetZ(), -e));
}

inline Vela3Vector Rescaled(const Vela3Vector& v) {
  int e = 0;
  return Rescaled(v, e);
}

// Brings the un-normalised quaternion (w, v) into range as a whole: its
// scale is arbitrary, only ratios are used.
inline void RescaleQuaternion(double& w, Vela3Vector& v) {
  double m = LargestMagnitude(v);
  if (std::fabs(w) > m) m = std::fabs(w);
  const int e = RangeExponent(m);
  if (e == 0) return;
  w = std::ldexp(w, -e);
  v = Vela3Vector(std::ldexp(v.GetX(), -e), std::ldexp(v.GetY(), -e), std::ldexp(v.GetZ(), -e));
}

}  // namespace vela::detail

#endif  // VELA_SRC_GEOMETRY_VELARANGESCALING_H
