// Small fixed-size kernels behind VelaTransformation.
//
// The exponential-map family works on plain arrays of three doubles (the
// twist's halves arrive as pointers); products with R go through the
// matrix's own inline operators, so every motion is composed in one order.
#ifndef VELA_SRC_GEOMETRY_VELATRANSFORMATIONKERNELS_H
#define VELA_SRC_GEOMETRY_VELATRANSFORMATIONKERNELS_H

#include <cmath>

#include "geometry/VelaRangeScaling.h"
#include "vela/geometry/Vela3Point.h"
#include "vela/geometry/Vela3x3Matrix.h"

namespace vela::detail {

inline void Load3(const Vela3Vector& v, double* o) {
  o[0] = v.GetX();
  o[1] = v.GetY();
  o[2] = v.GetZ();
}

// Three values from p, or zeros when p is null.
inline void Load3(const double* p, double* o) {
  o[0] = p ? p[0] : 0.0;
  o[1] = p ? p[1] : 0.0;
  o[2] = p ? p[2] : 0.0;
}

inline Vela3Vector Make3(const double* a) { return Vela3Vector(a[0], a[1], a[2]); }

inline double Dot3(const double* a, const double* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// o = a x b; o may be a or b.
inline void Cross3(const double* a, const double* b, double* o) {
  const double x = a[1] * b[2] - a[2] * b[1];
  const double y = a[2] * b[0] - a[0] * b[2];
  const double z = a[0] * b[1] - a[1] * b[0];
  o[0] = x;
  o[1] = y;
  o[2] = z;
}

// Rotation angle of R in [0, pi], from its (un-normalised) quaternion:
// 2 atan2(|v|, w), where the quaternion's w is never negative.
inline double RotationAngle(const Vela3x3Matrix& R) {
  double w = 0.0;
  Vela3Vector v;
  R.GetQuaternion(w, v);
  RescaleQuaternion(w, v);
  return 2.0 * std::atan2(v.Norm(), w);
}

}  // namespace vela::detail

#endif  // VELA_SRC_GEOMETRY_VELATRANSFORMATIONKERNELS_H
