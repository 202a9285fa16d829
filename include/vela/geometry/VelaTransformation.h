/// \file
/// VelaTransformation: a rigid motion of 3D space, x -> R x + t, and its
/// inline products with points, vectors and motions.
/// \ingroup geometry
#ifndef VELA_GEOMETRY_VELATRANSFORMATION_H
#define VELA_GEOMETRY_VELATRANSFORMATION_H

#include <type_traits>

#include "vela/foundation/VelaExport.h"
#include "vela/geometry/Vela3Point.h"
#include "vela/geometry/Vela3x3Matrix.h"

class VelaMatrix;
class VelaStream;

/// A rigid motion of 3D space, x -> R x + t.
///
/// The solver composes, inverts and compares motions within a linear and an
/// angular tolerance, and moves between the parameterisations it works with:
/// screw (helical) parameters, exponential coordinates of the Lie algebra
/// (with Pow, the derivative of the exponential map and the adjoint matrix),
/// Euler parameters, sketch frames (origin and two axes), and the adjustment
/// frames that carry the canonical origin and x-axis to a point and a
/// direction. R is a Vela3x3Matrix and t a Vela3Vector; a point is moved by
/// R p + t, a vector by R v.
///
/// Exponential coordinates are six doubles p = (w, v): w = angle * unit axis
/// in p[0..2], the translational part v in p[3..5], and the motion is the
/// exponential of the twist (w, v). Angles returned lie in [0, pi].
///
/// A plain value type: trivially copyable, no allocation anywhere (the
/// adjoint is written into the caller's 6 x 6 VelaMatrix, whose elements fit
/// its inline buffer).
///
/// Choices made for this implementation:
/// - The one-vector constructor is explicit, so that a vector is never
///   silently taken for a transformation in a comparison or a product.
/// - The zero flag is stored as 0 or 1: SetZero(5) stores 1.
/// - GetLeftToRightLieAlgebraMapping and Write(VelaStream&) are const: they
///   never change the motion.
/// - Every input pointer may be null and then counts as zeros (six for the
///   exponential and Euler parameters, nine for a sketch, so a null sketch
///   gives the zero matrix); a null output pointer receives nothing.
/// - The adjoint's "R e_k" is the axial vector of R [e_k]x R^T, that is the
///   cross product of the two other columns of R: for a proper rotation it is
///   column k of R; for any other matrix it is its cofactor column.
/// \ingroup geometry
class VELA_API VelaTransformation {
 public:
  /// \name Construction (every constructor but the copy clears the zero flag)
  /// @{

  /// The identity.
  VelaTransformation() noexcept : matrix_(), vector_(), zero_(0) {}
  /// The pure translation by t.
  explicit VelaTransformation(const Vela3Vector& t) noexcept : matrix_(), vector_(t), zero_(0) {}
  /// x -> R x + t; R is taken as given, not orthonormalised.
  VelaTransformation(const Vela3x3Matrix& R, const Vela3Vector& t) noexcept : matrix_(R), vector_(t), zero_(0) {}
  /// Copy and assignment take all three fields, the zero flag included.
  VelaTransformation(const VelaTransformation&) = default;
  /// Takes all three fields, the zero flag included.
  VelaTransformation& operator=(const VelaTransformation&) = default;
  /// @}

  /// \name Comparison
  /// @{

  /// Exact comparison of R and t; the zero flag is ignored.
  unsigned char operator==(const VelaTransformation& T) const;
  /// The negation of operator==.
  unsigned char operator!=(const VelaTransformation& T) const;
  /// 1 when this^-1 o T moves by at most iLinTol and turns by at most
  /// iAngTol (radians).
  unsigned char IsEqual(const VelaTransformation& T, double iLinTol, double iAngTol) const;
  /// |t|^2 <= iLinTol^2 and IsIdentityMatrix(iAngTol).
  unsigned char IsIdentity(double iLinTol, double iAngTol) const;
  /// 1 when the rotation angle of R (from its quaternion) is <= iAngTol.
  unsigned char IsIdentityMatrix(double iAngTol) const;
  /// |t|^2 <= iTol^2.
  unsigned char IsNullVector(double iTol) const;
  /// @}

  /// \name Composition
  /// @{

  /// In place: iLeft set makes this T o this, iLeft clear this o T. The
  /// left factor's translation is not added when the right factor carries
  /// the zero flag (its translation is then a direction). Afterwards the
  /// zero flag is the or of both. T may be this.
  void Multiply(const VelaTransformation& T, unsigned char iLeft);
  /// oInv = (R^T, -R^T t); oInv's zero flag is left as it was. oInv may be
  /// this.
  void Inverse(VelaTransformation& oInv) const;
  /// T^alpha through the exponential coordinates (angles below pi).
  void Pow(double alpha);
  /// t = s t; R unchanged.
  void Scale(double s);
  /// Replaces R by the nearest rotation when it is not one already.
  void Orthonormalize();
  /// Sets the zero flag (stored as 0 or 1); returns its previous value.
  unsigned char SetZero(unsigned char iZero);
  /// @}

  /// \name Fields
  /// @{

  /// oR = R.
  void GetMatrix(Vela3x3Matrix& oR) const { oR = matrix_; }
  /// R becomes iR (taken as given, not orthonormalised).
  void SetMatrix(const Vela3x3Matrix& iR) { matrix_ = iR; }
  /// The translation t.
  Vela3Vector& GetVector() { return vector_; }
  /// The translation t, read-only.
  const Vela3Vector& GetVector() const { return vector_; }
  /// oT = t.
  void GetVector(Vela3Vector& oT) const { oT = vector_; }
  /// Three values; nothing when oT is null.
  void GetVector(double* const oT) const;
  /// t becomes iT.
  void SetVector(const Vela3Vector& iT) { vector_ = iT; }
  /// R row-major into iR and t into iT (either may be null).
  void GetCoef(double (*const iR)[3], double* const iT) const;
  /// The planar homogeneous matrix [[r00, r01, tx], [r10, r11, ty], [0, 0, 1]].
  void GetTransformation2D(double (*const o)[3]) const;
  /// @}

  /// \name Screw (helical) parameters
  /// @{

  /// oAngle in [0, pi] about the unit oAxis through oPoint (the axis point
  /// closest to the origin), with oTranslation along the axis. Without a
  /// rotation (quaternion vector part <= 1e-12): angle 0, point 0,
  /// translation |t|, axis t / |t| or (1, 0, 0) for t = 0.
  void GetHelicalParameters(Vela3Vector& oPoint, Vela3Vector& oAxis, double& oAngle, double& oTranslation) const;
  /// The screw turning by iAngle about the unit iAxis through iPoint and
  /// sliding iTranslation along it.
  void SetHelicalParameters(const Vela3Vector& iPoint, const Vela3Vector& iAxis, double iAngle, double iTranslation);
  /// @}

  /// \name Exponential coordinates
  /// @{

  /// The six coordinates (w, v) of this motion, angle |w| in [0, pi]. A
  /// rotation whose quaternion vector part is <= 1e-15 gives w = 0, v = t.
  void GetExponentialParameters(double* const oP) const;
  /// The exponential of the twist iP; |w| <= 1e-15 gives the translation v.
  /// The zero flag is left alone.
  void SetExponentialParameters(const double* const iP);
  /// oD = the left-trivialised derivative of the exponential at iP along
  /// iDir: exp(iP + e iDir) = exp(e oD) o exp(iP) to first order in e. Series
  /// replace the cancelling closed forms for angles below 0.25 and 0.43.
  static void ComputeExpDerivativeAlongDirection(const double* const iP, const double* const iDir, double* const oD);
  /// oM becomes the 6 x 6 adjoint [[R, 0], [[t]x R, R]], rotation first: it
  /// maps a twist expressed in the right frame to the left one.
  void GetLeftToRightLieAlgebraMapping(VelaMatrix& oM) const;
  /// @}

  /// \name Other parameterisations
  /// @{

  /// R = Rx(iP[0]) Ry(iP[1]) Rz(iP[2]), t = iP[3..5].
  void SetEulerParameters(const double* const iP);
  /// t = iP[0..2]; R's columns iP[3..5], iP[6..8] and their cross product
  /// (taken as given: not normalised).
  void SetSketch(const double* const iP);
  /// The frame carrying the origin to iP[0..2] (n = 3), and the x-axis to the
  /// direction iP[3..5] by the smallest rotation (n = 6). Other n: nothing.
  void SetLeftAdjustment(int n, const double* const iP);
  /// The inverse of the left adjustment frame for the same n and iP.
  void SetRightAdjustment(int n, const double* const iP);
  /// @}

  /// \name Text forms
  /// @{

  /// At the stream's own precision: the rows of R (or " identity; " when the
  /// rotation angle is 0), then "[tx, ty, tz]" (or "null" when t = 0).
  void Write(VelaStream& ioStream) const;
  /// On the configuration's trace stream at precision 18: "iName:", R's rows
  /// or " identity; " (angle <= 1e-12), then "[tx, ty, tz];" or "null;"
  /// (|t| <= 1e-12), each block ended by a line end.
  void Write(const char* iName) const;
  /// @}

 private:
  friend Vela3Point operator*(const VelaTransformation& T, const Vela3Point& p);
  friend Vela3Vector operator*(const VelaTransformation& T, const Vela3Vector& v);
  friend VelaTransformation operator*(const VelaTransformation& A, const VelaTransformation& B);

  Vela3x3Matrix matrix_;  // R, normally a proper rotation
  Vela3Vector vector_;    // t
  // 0 or 1. When set, t is a direction: composing with this on the right
  // does not add the left factor's translation.
  unsigned char zero_;
};

static_assert(std::is_trivially_copyable<VelaTransformation>::value, "VelaTransformation is a plain value");

// The products are inline: they are the solver's innermost loops.

inline void VelaTransformation::Multiply(const VelaTransformation& T, unsigned char iLeft) {
  // Both products are formed before anything is stored, so T may be this.
  if (iLeft) {
    const Vela3Vector t = T.matrix_ * vector_;
    matrix_ = T.matrix_ * matrix_;
    vector_ = zero_ ? t : vela::detail::Add(t, T.vector_);
  } else {
    const Vela3Vector t = matrix_ * T.vector_;
    matrix_ = matrix_ * T.matrix_;
    vector_ = T.zero_ ? t : vela::detail::Add(t, vector_);
  }
  zero_ = (zero_ || T.zero_) ? 1 : 0;
}

/// R p + t.
/// \ingroup geometry
inline Vela3Point operator*(const VelaTransformation& T, const Vela3Point& p) {
  const Vela3Point q = T.matrix_ * p;
  return Vela3Point(q.GetX() + T.vector_.GetX(), q.GetY() + T.vector_.GetY(), q.GetZ() + T.vector_.GetZ());
}

/// R v: a vector is not translated.
/// \ingroup geometry
inline Vela3Vector operator*(const VelaTransformation& T, const Vela3Vector& v) { return T.matrix_ * v; }

/// A o B = (R_A R_B, R_A t_B + t_A); the result's zero flag is clear.
/// \ingroup geometry
inline VelaTransformation operator*(const VelaTransformation& A, const VelaTransformation& B) {
  const Vela3Vector u = A.matrix_ * B.vector_;
  return VelaTransformation(A.matrix_ * B.matrix_, Vela3Vector(u.GetX() + A.vector_.GetX(),
                                                               u.GetY() + A.vector_.GetY(),
                                                               u.GetZ() + A.vector_.GetZ()));
}

#endif  // VELA_GEOMETRY_VELATRANSFORMATION_H
