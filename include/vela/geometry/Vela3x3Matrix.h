/// \file
/// Vela3x3Matrix: a linear map of 3D space, above all a rotation, and its
/// inline products with matrices, points and vectors.
/// \ingroup geometry
#ifndef VELA_GEOMETRY_VELA3X3MATRIX_H
#define VELA_GEOMETRY_VELA3X3MATRIX_H

#include <type_traits>

#include "vela/foundation/VelaExport.h"
#include "vela/geometry/Vela3Point.h"

/// A linear map of 3D space, above all a rotation.
///
/// A plain value type of nine doubles, row-major, trivially copyable, with
/// no base class and no virtual operations; the default is the identity.
/// It is the rotational part of every VelaTransformation. Besides the
/// coefficient, row ("line") and column accessors it builds rotations five
/// ways (axis and angle; u to v about a given axis; the smallest rotation u
/// to v; a frame to a frame; three angles about x, y, z), extracts Euler
/// angles and an un-normalised quaternion, inverts with shortcuts for
/// rotations and uniformly scaled rotations, re-orthonormalises and rounds.
/// The products with matrices, points and vectors are inline free operators
/// so that compositions compile to straight-line code.
///
/// Conventions worth knowing:
/// - SetRotation(a1, a2, a3) builds Rx(a1) Ry(a2) Rz(a3), while
///   GetEulerAngles returns the angles of Rz(A) Rx(B) Ry(C): the two are not
///   inverse to each other.
/// - GetQuaternion does not normalise: for a rotation it returns the unit
///   quaternion times a positive factor, with oW >= 0. Take the angle as
///   2 atan2(|oV|, oW) and the axis as oV / |oV|.
/// - Rotation axes are used as given (not normalised) by the constructions
///   that take an axis.
///
/// Choices made here:
/// - SetRotation(u, v, axis) with u . v = 0 and axis . (u x v) = 0 has no
///   angle to turn by (this includes u or v zero); it gives the identity.
/// - Vela3x3Matrix(double) is explicit, so that a number does not silently
///   become a diagonal matrix in a sum or a comparison.
/// - Get(i, j) reads one coefficient; the free operators are built on it.
/// - GetCoef and SetCoef with a null array do nothing.
/// - The rotation builders and Orthonormalize use only directions and
///   ratios: vectors (and quaternions) whose squared length would overflow
///   or underflow are scaled by a power of two first, so huge and tiny
///   finite inputs still give a rotation. The parallel test of
///   SetRotation(u, v) still compares the true |u x v| with 1e-12.
/// \ingroup geometry
class VELA_API Vela3x3Matrix {
 public:
  /// The identity.
  Vela3x3Matrix() = default;
  /// d on the diagonal, 0 elsewhere.
  explicit Vela3x3Matrix(double d) : m_{{d, 0.0, 0.0}, {0.0, d, 0.0}, {0.0, 0.0, d}} {}
  /// The nine coefficients row by row.
  Vela3x3Matrix(double m00, double m01, double m02, double m10, double m11, double m12, double m20,
                double m21, double m22)
      : m_{{m00, m01, m02}, {m10, m11, m12}, {m20, m21, m22}} {}
  /// Copies the nine coefficients.
  Vela3x3Matrix(const Vela3x3Matrix&) = default;
  /// Copies the nine coefficients.
  Vela3x3Matrix& operator=(const Vela3x3Matrix&) = default;

  /// Exact comparison of the nine coefficients (0.0 equals -0.0; a NaN
  /// equals nothing).
  unsigned char operator==(const Vela3x3Matrix& B) const;

  /// \name Coefficients, row-major
  /// @{

  /// The nine coefficients into m00 .. m22, row by row.
  void GetCoef(double& m00, double& m01, double& m02, double& m10, double& m11, double& m12,
               double& m20, double& m21, double& m22) const {
    m00 = m_[0][0], m01 = m_[0][1], m02 = m_[0][2];
    m10 = m_[1][0], m11 = m_[1][1], m12 = m_[1][2];
    m20 = m_[2][0], m21 = m_[2][1], m22 = m_[2][2];
  }
  /// oM[i][j] = m(i, j); nothing when oM is null.
  void GetCoef(double (*const oM)[3]) const {
    if (oM == nullptr) return;
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) oM[i][j] = m_[i][j];
  }
  /// Sets the nine coefficients m00 .. m22, row by row.
  void SetCoef(double m00, double m01, double m02, double m10, double m11, double m12, double m20,
               double m21, double m22) {
    *this = Vela3x3Matrix(m00, m01, m02, m10, m11, m12, m20, m21, m22);
  }
  /// m(i, j) = iM[i][j]; nothing when iM is null.
  void SetCoef(const double (*const iM)[3]) {
    if (iM == nullptr) return;
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) m_[i][j] = iM[i][j];
  }
  /// @}

  /// \name Rows ("lines") and columns
  /// @{

  /// oV = the first row ("line").
  void GetFirstLine(Vela3Vector& oV) const { oV = Row(0); }
  /// oV = the second row ("line").
  void GetSecondLine(Vela3Vector& oV) const { oV = Row(1); }
  /// oV = the third row ("line").
  void GetThirdLine(Vela3Vector& oV) const { oV = Row(2); }
  /// The first row ("line") becomes iV.
  void SetFirstLine(const Vela3Vector& iV) { SetRow(0, iV); }
  /// The second row ("line") becomes iV.
  void SetSecondLine(const Vela3Vector& iV) { SetRow(1, iV); }
  /// The third row ("line") becomes iV.
  void SetThirdLine(const Vela3Vector& iV) { SetRow(2, iV); }
  /// oV = the first column.
  void GetFirstColumn(Vela3Vector& oV) const { oV = Column(0); }
  /// oV = the second column.
  void GetSecondColumn(Vela3Vector& oV) const { oV = Column(1); }
  /// oV = the third column.
  void GetThirdColumn(Vela3Vector& oV) const { oV = Column(2); }
  /// The first column becomes iV.
  void SetFirstColumn(const Vela3Vector& iV) { SetColumn(0, iV); }
  /// The second column becomes iV.
  void SetSecondColumn(const Vela3Vector& iV) { SetColumn(1, iV); }
  /// The third column becomes iV.
  void SetThirdColumn(const Vela3Vector& iV) { SetColumn(2, iV); }
  /// The matrix with columns c0, c1, c2.
  void SetMatrix(const Vela3Vector& c0, const Vela3Vector& c1, const Vela3Vector& c2) {
    SetColumn(0, c0);
    SetColumn(1, c1);
    SetColumn(2, c2);
  }
  /// @}

  /// \name Algebra
  /// @{

  /// oT = the transpose (oT may be this matrix).
  void Transpose(Vela3x3Matrix& oT) const {
    const Vela3x3Matrix m = *this;
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) oT.m_[i][j] = m.m_[j][i];
  }
  /// By the rule of Sarrus, in the order m00 m11 m22 + m01 m12 m20 +
  /// m02 m10 m21 - m02 m11 m20 - m00 m12 m21 - m01 m10 m22.
  double Determinant() const {
    return m_[0][0] * m_[1][1] * m_[2][2] + m_[0][1] * m_[1][2] * m_[2][0] +
           m_[0][2] * m_[1][0] * m_[2][1] - m_[0][2] * m_[1][1] * m_[2][0] -
           m_[0][0] * m_[1][2] * m_[2][1] - m_[0][1] * m_[1][0] * m_[2][2];
  }
  /// oInv = the inverse; returns 1. A rotation (or a reflection) gives its
  /// transpose exactly; a uniformly scaled one its transpose over the scale
  /// squared; any other matrix its adjugate over the determinant. Returns 0
  /// and leaves oInv untouched when |determinant| <= 1e-15 (oInv may be
  /// this matrix).
  unsigned char Inverse(Vela3x3Matrix& oInv) const;
  /// @}

  /// \name Rotations
  /// @{

  /// Rotation by iAngle (radians, right-handed) about iAxis, which should be
  /// a unit vector and is used as given.
  void SetRotation(const Vela3Vector& iAxis, double iAngle);
  /// Rotation about the unit iAxis taking the direction of u to that of v,
  /// both orthogonal to iAxis (their lengths do not matter). The angle is
  /// read from u . v and iAxis . (u x v), so any component along the axis
  /// skews it.
  void SetRotation(const Vela3Vector& u, const Vela3Vector& v, const Vela3Vector& iAxis);
  /// The smallest rotation taking the direction of u to that of v, about
  /// u x v. Parallel vectors (|u x v| < 1e-12) give the identity, opposite
  /// ones a half turn about u.GetOrthogonalVector().
  void SetRotation(const Vela3Vector& u, const Vela3Vector& v);
  /// The rotation taking the unit a to the unit b and u to v, u and v each
  /// taken orthogonally to its axis (a, b). When u or v is parallel to its
  /// axis (squared orthogonal part below 1e-24), SetRotation(a, b).
  void SetRotation(const Vela3Vector& a, const Vela3Vector& u, const Vela3Vector& b,
                   const Vela3Vector& v);
  /// Rx(a1) Ry(a2) Rz(a3).
  void SetRotation(double a1, double a2, double a3);
  /// The angles of this = Rz(oA) Rx(oB) Ry(oC), oB in [-pi/2, pi/2]. At the
  /// singularity (|cos oB| <= 1e-15) oC = 0 and oA carries the whole turn
  /// about z.
  void GetEulerAngles(double& oA, double& oB, double& oC) const;
  /// The quaternion (oW, oV) of a rotation, scaled by a positive factor
  /// (4 times the largest of |w|, |x|, |y|, |z|: the identity gives oW = 4)
  /// and signed so that oW >= 0. Built from the largest of the trace-like
  /// sums so that no branch divides by a small number.
  void GetQuaternion(double& oW, Vela3Vector& oV) const;
  /// Replaces a matrix that is not a proper rotation by the rotation of its
  /// quaternion; leaves a proper rotation bit for bit unchanged.
  void Orthonormalize();
  /// Snaps every coefficient within 1e-15 of 0, 1 or -1 to that value.
  void Round();
  /// @}

  /// \name Text form and read access
  /// @{

  /// Writes iName, " =" and the rows as "  [[a, b, c],", "   [d, e, f],",
  /// "   [g, h, i]]", each on its own line, on the configuration's trace
  /// stream with 18 significant digits (the precision stays set).
  void Write(const char* iName) const;

  /// m(i, j) (i, j in 0, 1, 2; unchecked). Read access for the inline
  /// products below and for code composing with them.
  double Get(int i, int j) const { return m_[i][j]; }
  /// @}

 private:
  Vela3Vector Row(int i) const { return Vela3Vector(m_[i][0], m_[i][1], m_[i][2]); }
  Vela3Vector Column(int j) const { return Vela3Vector(m_[0][j], m_[1][j], m_[2][j]); }
  void SetRow(int i, const Vela3Vector& v) {
    m_[i][0] = v.GetX(), m_[i][1] = v.GetY(), m_[i][2] = v.GetZ();
  }
  void SetColumn(int j, const Vela3Vector& v) {
    m_[0][j] = v.GetX(), m_[1][j] = v.GetY(), m_[2][j] = v.GetZ();
  }
  // The rotation about the axis with the given cosine and sine.
  void SetRotationCosSin(const Vela3Vector& iAxis, double c, double s);
  // 1 rotation, -1 orthonormal with reflection, 2 / -2 uniformly scaled
  // rotation / reflection, 0 anything else (tolerance 1e-12).
  int GetOrthogonalityType() const;

  // m_[i][j] = m(i, j): the whole state, row-major.
  double m_[3][3] = {{1.0, 0.0, 0.0}, {0.0, 1.0, 0.0}, {0.0, 0.0, 1.0}};
};

static_assert(std::is_trivially_copyable<Vela3x3Matrix>::value, "Vela3x3Matrix is copied as raw memory");
static_assert(sizeof(Vela3x3Matrix) == 9 * sizeof(double), "Vela3x3Matrix is nine packed doubles");

/// \cond
namespace vela::detail {
// Row i of A times the column (x, y, z), summed left to right: every
// product below computes its coordinates this one way.
inline double RowTimes(const Vela3x3Matrix& A, int i, double x, double y, double z) {
  return A.Get(i, 0) * x + A.Get(i, 1) * y + A.Get(i, 2) * z;
}
}  // namespace vela::detail
/// \endcond

/// A B.
/// \ingroup geometry
inline Vela3x3Matrix operator*(const Vela3x3Matrix& A, const Vela3x3Matrix& B) {
  const double b00 = B.Get(0, 0), b01 = B.Get(0, 1), b02 = B.Get(0, 2);
  const double b10 = B.Get(1, 0), b11 = B.Get(1, 1), b12 = B.Get(1, 2);
  const double b20 = B.Get(2, 0), b21 = B.Get(2, 1), b22 = B.Get(2, 2);
  return Vela3x3Matrix(
      vela::detail::RowTimes(A, 0, b00, b10, b20), vela::detail::RowTimes(A, 0, b01, b11, b21),
      vela::detail::RowTimes(A, 0, b02, b12, b22), vela::detail::RowTimes(A, 1, b00, b10, b20),
      vela::detail::RowTimes(A, 1, b01, b11, b21), vela::detail::RowTimes(A, 1, b02, b12, b22),
      vela::detail::RowTimes(A, 2, b00, b10, b20), vela::detail::RowTimes(A, 2, b01, b11, b21),
      vela::detail::RowTimes(A, 2, b02, b12, b22));
}
/// A times the column of v's coordinates.
/// \ingroup geometry
inline Vela3Vector operator*(const Vela3x3Matrix& A, const Vela3Vector& v) {
  const double x = v.GetX(), y = v.GetY(), z = v.GetZ();
  return Vela3Vector(vela::detail::RowTimes(A, 0, x, y, z), vela::detail::RowTimes(A, 1, x, y, z),
                     vela::detail::RowTimes(A, 2, x, y, z));
}
/// A times the column of p's coordinates: the same computation as for a
/// vector (no translation is involved).
/// \ingroup geometry
inline Vela3Point operator*(const Vela3x3Matrix& A, const Vela3Point& p) {
  const double x = p.GetX(), y = p.GetY(), z = p.GetZ();
  return Vela3Point(vela::detail::RowTimes(A, 0, x, y, z), vela::detail::RowTimes(A, 1, x, y, z),
                    vela::detail::RowTimes(A, 2, x, y, z));
}

/// Every coefficient times s: A s.
/// \ingroup geometry
inline Vela3x3Matrix operator*(const Vela3x3Matrix& A, double s) {
  return Vela3x3Matrix(A.Get(0, 0) * s, A.Get(0, 1) * s, A.Get(0, 2) * s, A.Get(1, 0) * s,
                       A.Get(1, 1) * s, A.Get(1, 2) * s, A.Get(2, 0) * s, A.Get(2, 1) * s,
                       A.Get(2, 2) * s);
}
/// Every coefficient times s: s A, the same as A s.
/// \ingroup geometry
inline Vela3x3Matrix operator*(double s, const Vela3x3Matrix& A) { return A * s; }
/// Element-wise: A + B.
/// \ingroup geometry
inline Vela3x3Matrix operator+(const Vela3x3Matrix& A, const Vela3x3Matrix& B) {
  return Vela3x3Matrix(A.Get(0, 0) + B.Get(0, 0), A.Get(0, 1) + B.Get(0, 1), A.Get(0, 2) + B.Get(0, 2),
                       A.Get(1, 0) + B.Get(1, 0), A.Get(1, 1) + B.Get(1, 1), A.Get(1, 2) + B.Get(1, 2),
                       A.Get(2, 0) + B.Get(2, 0), A.Get(2, 1) + B.Get(2, 1), A.Get(2, 2) + B.Get(2, 2));
}
/// Element-wise: A - B.
/// \ingroup geometry
inline Vela3x3Matrix operator-(const Vela3x3Matrix& A, const Vela3x3Matrix& B) {
  return Vela3x3Matrix(A.Get(0, 0) - B.Get(0, 0), A.Get(0, 1) - B.Get(0, 1), A.Get(0, 2) - B.Get(0, 2),
                       A.Get(1, 0) - B.Get(1, 0), A.Get(1, 1) - B.Get(1, 1), A.Get(1, 2) - B.Get(1, 2),
                       A.Get(2, 0) - B.Get(2, 0), A.Get(2, 1) - B.Get(2, 1), A.Get(2, 2) - B.Get(2, 2));
}
/// Every coefficient times 1 / d (so d = 0 gives infinities and NaNs).
/// \ingroup geometry
inline Vela3x3Matrix operator/(const Vela3x3Matrix& A, double d) { return A * (1.0 / d); }

#endif  // VELA_GEOMETRY_VELA3X3MATRIX_H
