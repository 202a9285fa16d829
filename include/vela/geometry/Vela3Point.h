/// \file
/// Vela3Point and Vela3Vector: a position and a direction in 3D space.
///
/// Both are plain value types of three doubles x, y, z (in this order and
/// nothing else): trivially copyable, no base class, no virtual operations,
/// so arrays of them can be copied as raw memory and passed to code that
/// expects three packed doubles. There are deliberately no arithmetic
/// operators between them; the products of Vela3x3Matrix and
/// VelaTransformation take them as operands. The small vector algebra those
/// products need (dot, cross, sums) lives inline in vela::detail below.
///
/// The two classes are not symmetric, on purpose (callers rely on it):
/// - GetCoord(i) takes an unsigned index on a point and a signed one on a
///   vector.
/// - SetCoord2D makes a homogeneous planar point (z = 1) but a planar
///   direction (z = 0).
/// - Only a vector has the unit-vector constructor Vela3Vector(int i).
///
/// Choices made here:
/// - The one-argument constructors (index, coordinate pointer) are explicit,
///   so that neither an integer nor a pointer silently becomes a vector.
/// - The members that do not modify the object (MinusOrigin, AddToOrigin,
///   the projections, GetOrthogonalVector) are const.
/// - SetCoord(const double*) with a null pointer sets (0, 0, 0), like the
///   constructor; SetCoord2D with a null pointer sets x = y = 0;
///   GetCoord(double*) with a null pointer writes nothing, and
///   GetOrthogonalVectors with a null array does nothing.
/// - DistanceTo(points, count, index) with no points (count < 1 or a null
///   array) sets index to -1 and returns VeladoubleMax.
/// - Where only a direction matters (Normalize, the angles, the line and
///   plane distances and projections, GetOrthogonalVector(v, tol) in this
///   vector), vectors whose squared length would overflow or underflow are
///   scaled by a power of two first: exact, and a no-op for every vector of
///   ordinary size, so huge and tiny finite vectors give the results of
///   their in-range multiples.
///
/// Indices are never range-checked: 0, 1 and 2 are x, y and z.
/// \ingroup geometry
#ifndef VELA_GEOMETRY_VELA3POINT_H
#define VELA_GEOMETRY_VELA3POINT_H

#include <cmath>
#include <cstddef>
#include <type_traits>

#include "vela/foundation/VelaExport.h"

class Vela3Vector;

/// A position in 3D space: three doubles x, y, z (see Vela3Point.h for what
/// the point and the vector share and where they differ).
/// \ingroup geometry
class VELA_API Vela3Point {
 public:
  /// (0, 0, 0).
  Vela3Point() = default;
  /// (x, y, z).
  Vela3Point(double x, double y, double z) : c_{x, y, z} {}
  /// Copies iCoords[0..2]; a null pointer gives (0, 0, 0).
  explicit Vela3Point(const double* const iCoords) { SetCoord(iCoords); }
  /// Copies the three coordinates.
  Vela3Point(const Vela3Point&) = default;
  /// Copies the three coordinates.
  Vela3Point& operator=(const Vela3Point&) = default;

  /// (0, 0, 0).
  static Vela3Point GetOrigin() { return Vela3Point(); }

  /// \name Coordinates
  /// @{

  /// The x coordinate.
  double GetX() const { return c_[0]; }
  /// The y coordinate.
  double GetY() const { return c_[1]; }
  /// The z coordinate.
  double GetZ() const { return c_[2]; }
  /// Sets the x coordinate.
  void SetX(double x) { c_[0] = x; }
  /// Sets the y coordinate.
  void SetY(double y) { c_[1] = y; }
  /// Sets the z coordinate.
  void SetZ(double z) { c_[2] = z; }
  /// Coordinate i (0, 1 or 2; unchecked).
  double GetCoord(unsigned int i) const { return c_[i]; }
  /// The three coordinates into x, y and z.
  void GetCoord(double& x, double& y, double& z) const {
    x = c_[0];
    y = c_[1];
    z = c_[2];
  }
  /// The null-pointer form of GetCoord(double*): writes nothing. (A
  /// template, so that a literal 0 means the index, not a null pointer.)
  template <class N, std::enable_if_t<std::is_null_pointer_v<N>, int> = 0>
  void GetCoord(N) const {}
  /// Writes the three coordinates to oCoords[0..2]; nothing when null.
  template <class P, std::enable_if_t<std::is_same_v<P, double>, int> = 0>
  void GetCoord(P* const oCoords) const {
    if (oCoords) {
      oCoords[0] = c_[0];
      oCoords[1] = c_[1];
      oCoords[2] = c_[2];
    }
  }
  /// The planar coordinates x and y.
  void GetCoord2D(double& x, double& y) const {
    x = c_[0];
    y = c_[1];
  }
  /// Sets the three coordinates.
  void SetCoord(double x, double y, double z) {
    c_[0] = x;
    c_[1] = y;
    c_[2] = z;
  }
  /// Copies iCoords[0..2]; a null pointer gives (0, 0, 0).
  void SetCoord(const double* const iCoords) {
    if (iCoords)
      SetCoord(iCoords[0], iCoords[1], iCoords[2]);
    else
      SetCoord(0.0, 0.0, 0.0);
  }
  /// Coordinate i (unchecked) becomes v.
  void SetCoord(unsigned int i, double v) { c_[i] = v; }
  /// The homogeneous point of the plane: (iXY[0], iXY[1], 1.0).
  void SetCoord2D(const double* const iXY) {
    c_[0] = iXY ? iXY[0] : 0.0;
    c_[1] = iXY ? iXY[1] : 0.0;
    c_[2] = 1.0;
  }

  /// The vector from the origin to this point (same coordinates).
  inline Vela3Vector MinusOrigin() const;
  /// @}

  /// \name Distances and projections
  /// @{

  /// The squared distance to P.
  double SquareDistanceTo(const Vela3Point& P) const {
    const double dx = c_[0] - P.c_[0], dy = c_[1] - P.c_[1], dz = c_[2] - P.c_[2];
    return dx * dx + dy * dy + dz * dz;
  }
  /// The distance to P.
  double DistanceTo(const Vela3Point& P) const { return std::sqrt(SquareDistanceTo(P)); }
  /// Distance to the nearest of the first iCount points of iPoints; oIndex is
  /// its index, the first one on ties. No points: oIndex = -1, returns VeladoubleMax.
  double DistanceTo(const Vela3Point* const iPoints, int iCount, int& oIndex) const;
  /// Distance to the line through O with direction d (any length); the
  /// distance to O when d is exactly zero.
  double DistanceToLine(const Vela3Point& O, const Vela3Vector& d) const;
  /// Signed distance to the plane through O with normal n (any length),
  /// positive on the side n points to; the unsigned distance to O when n is
  /// exactly zero.
  double DistanceToPlane(const Vela3Point& O, const Vela3Vector& n) const;
  /// Orthogonal projection on the line through O with direction d; O when d
  /// is exactly zero.
  Vela3Point ProjectOnLine(const Vela3Point& O, const Vela3Vector& d) const;
  /// Orthogonal projection on the plane through O with normal n; O when n is
  /// exactly zero.
  Vela3Point ProjectOnPlane(const Vela3Point& O, const Vela3Vector& n) const;

  /// Writes "iName = [x, y, z]" and a line end on the configuration's trace
  /// stream, with 18 significant digits (the precision stays set).
  void Write(const char* iName) const;
  /// @}

 private:
  // x, y, z: the whole state.
  double c_[3] = {0.0, 0.0, 0.0};
};

/// A direction in 3D space: three doubles x, y, z (see Vela3Point.h for what
/// the point and the vector share and where they differ).
/// \ingroup geometry
class VELA_API Vela3Vector {
 public:
  /// (0, 0, 0).
  Vela3Vector() = default;
  /// (x, y, z).
  Vela3Vector(double x, double y, double z) : c_{x, y, z} {}
  /// The unit vector e_i: coordinate i (0, 1 or 2; unchecked) is 1.0.
  explicit Vela3Vector(int i) { c_[i] = 1.0; }
  /// Copies iCoords[0..2]; a null pointer gives (0, 0, 0).
  explicit Vela3Vector(const double* const iCoords) { SetCoord(iCoords); }
  /// Copies the three coordinates.
  Vela3Vector(const Vela3Vector&) = default;
  /// Copies the three coordinates.
  Vela3Vector& operator=(const Vela3Vector&) = default;

  /// \name Coordinates
  /// @{

  /// The x coordinate.
  double GetX() const { return c_[0]; }
  /// The y coordinate.
  double GetY() const { return c_[1]; }
  /// The z coordinate.
  double GetZ() const { return c_[2]; }
  /// Sets the x coordinate.
  void SetX(double x) { c_[0] = x; }
  /// Sets the y coordinate.
  void SetY(double y) { c_[1] = y; }
  /// Sets the z coordinate.
  void SetZ(double z) { c_[2] = z; }
  /// Coordinate i (0, 1 or 2; unchecked).
  double GetCoord(int i) const { return c_[i]; }
  /// The three coordinates into x, y and z.
  void GetCoord(double& x, double& y, double& z) const {
    x = c_[0];
    y = c_[1];
    z = c_[2];
  }
  /// Writes the three coordinates to oCoords[0..2]; nothing when null.
  void GetCoord(double* const oCoords) const {
    if (oCoords) {
      oCoords[0] = c_[0];
      oCoords[1] = c_[1];
      oCoords[2] = c_[2];
    }
  }
  /// The planar coordinates x and y.
  void GetCoord2D(double& x, double& y) const {
    x = c_[0];
    y = c_[1];
  }
  /// Sets the three coordinates.
  void SetCoord(double x, double y, double z) {
    c_[0] = x;
    c_[1] = y;
    c_[2] = z;
  }
  /// Copies iCoords[0..2]; a null pointer gives (0, 0, 0).
  void SetCoord(const double* const iCoords) {
    if (iCoords)
      SetCoord(iCoords[0], iCoords[1], iCoords[2]);
    else
      SetCoord(0.0, 0.0, 0.0);
  }
  /// Coordinate i (unchecked) becomes v.
  void SetCoord(unsigned int i, double v) { c_[i] = v; }
  /// The planar direction (iXY[0], iXY[1], 0.0).
  void SetCoord2D(const double* const iXY) {
    c_[0] = iXY ? iXY[0] : 0.0;
    c_[1] = iXY ? iXY[1] : 0.0;
    c_[2] = 0.0;
  }

  /// The point at this vector from the origin (same coordinates).
  Vela3Point AddToOrigin() const { return Vela3Point(c_[0], c_[1], c_[2]); }

  /// Exact comparison of the three coordinates (0.0 equals -0.0; a NaN
  /// equals nothing).
  unsigned char operator==(const Vela3Vector& v) const {
    return c_[0] == v.c_[0] && c_[1] == v.c_[1] && c_[2] == v.c_[2];
  }
  /// The negation of operator==.
  unsigned char operator!=(const Vela3Vector& v) const { return !(*this == v); }
  /// @}

  /// \name Norms
  /// @{

  /// x² + y² + z².
  double SquareNorm() const { return c_[0] * c_[0] + c_[1] * c_[1] + c_[2] * c_[2]; }
  /// The Euclidean length, sqrt(SquareNorm()).
  double Norm() const { return std::sqrt(SquareNorm()); }
  /// The largest signed coordinate, max(x, y, z) — not the largest absolute
  /// value: NormInf of (-5, 0, 0) is 0.
  double NormInf() const;
  /// Scales to unit length. Leaves the vector untouched when its squared
  /// norm is exactly 0 or already within 1e-15 of 1, so unit vectors keep
  /// their bits.
  void Normalize();
  /// Every coordinate of absolute value below 1e-15 becomes 0.0.
  void Round();
  /// @}

  /// \name Angles
  /// @{

  /// Unsigned angle in [0, pi]; 0 when either vector is zero.
  double AngleTo(const Vela3Vector& v) const;
  /// AngleTo(v), negated when (this x v) . iRef < 0.
  double AngleTo(const Vela3Vector& v, const Vela3Vector& iRef) const;
  /// 1 when the angle to v is below iTol or above pi - iTol (parallel or
  /// anti-parallel); two zero vectors count as parallel.
  unsigned char IsCollinear(const Vela3Vector& v, double iTol) const;
  /// @}

  /// \name Orthogonal frames
  /// @{

  /// A unit vector orthogonal to this, built by zeroing the coordinate of
  /// smallest magnitude and swapping the other two; the zero vector gives
  /// the zero vector.
  Vela3Vector GetOrthogonalVector() const;
  /// The unit direction of v's component orthogonal to this; when v is
  /// parallel to this within the angle iTol (v = 0 included),
  /// GetOrthogonalVector().
  Vela3Vector GetOrthogonalVector(const Vela3Vector& v, double iTol) const;
  /// oPair[0] = GetOrthogonalVector(), oPair[1] = this x oPair[0] normalised:
  /// with a unit this, a right-handed orthonormal frame (this, oPair[0],
  /// oPair[1]).
  void GetOrthogonalVectors(Vela3Vector* const oPair) const;

  /// Writes "iName = [x, y, z]" and a line end on the configuration's trace
  /// stream, with 18 significant digits (the precision stays set).
  void Write(const char* iName) const;
  /// @}

 private:
  // x, y, z: the whole state.
  double c_[3] = {0.0, 0.0, 0.0};
};

inline Vela3Vector Vela3Point::MinusOrigin() const { return Vela3Vector(c_[0], c_[1], c_[2]); }

static_assert(std::is_trivially_copyable<Vela3Point>::value, "Vela3Point is copied as raw memory");
static_assert(std::is_trivially_copyable<Vela3Vector>::value, "Vela3Vector is copied as raw memory");
static_assert(sizeof(Vela3Point) == 3 * sizeof(double), "Vela3Point is three packed doubles");
static_assert(sizeof(Vela3Vector) == 3 * sizeof(double), "Vela3Vector is three packed doubles");

/// \cond
// Vector algebra shared by the geometry classes. Internal: not part of the
// library's interface, kept inline so that products of matrices,
// transformations, points and vectors compile to straight-line code.
namespace vela::detail {

inline double Dot(const Vela3Vector& a, const Vela3Vector& b) {
  return a.GetX() * b.GetX() + a.GetY() * b.GetY() + a.GetZ() * b.GetZ();
}
// a x b.
inline Vela3Vector Cross(const Vela3Vector& a, const Vela3Vector& b) {
  return Vela3Vector(a.GetY() * b.GetZ() - a.GetZ() * b.GetY(),
                     a.GetZ() * b.GetX() - a.GetX() * b.GetZ(),
                     a.GetX() * b.GetY() - a.GetY() * b.GetX());
}
inline Vela3Vector Add(const Vela3Vector& a, const Vela3Vector& b) {
  return Vela3Vector(a.GetX() + b.GetX(), a.GetY() + b.GetY(), a.GetZ() + b.GetZ());
}
inline Vela3Vector Sub(const Vela3Vector& a, const Vela3Vector& b) {
  return Vela3Vector(a.GetX() - b.GetX(), a.GetY() - b.GetY(), a.GetZ() - b.GetZ());
}
// s a.
inline Vela3Vector Scale(double s, const Vela3Vector& a) {
  return Vela3Vector(s * a.GetX(), s * a.GetY(), s * a.GetZ());
}
// The vector from Q to P.
inline Vela3Vector Sub(const Vela3Point& P, const Vela3Point& Q) {
  return Vela3Vector(P.GetX() - Q.GetX(), P.GetY() - Q.GetY(), P.GetZ() - Q.GetZ());
}
// P + a.
inline Vela3Point Add(const Vela3Point& P, const Vela3Vector& a) {
  return Vela3Point(P.GetX() + a.GetX(), P.GetY() + a.GetY(), P.GetZ() + a.GetZ());
}

}  // namespace vela::detail
/// \endcond

#endif  // VELA_GEOMETRY_VELA3POINT_H
