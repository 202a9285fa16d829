// Geometry on bad numbers: every routine returns and keeps its promised rotation, unit vector, angle range or flag.
#include "support/BadNumbers.h"
#include "vela/geometry/Vela3Point.h"
#include "vela/geometry/Vela3x3Matrix.h"
#include "vela/geometry/VelaTransformation.h"

namespace {

using namespace vela::test;
const double kPi = 3.14159265358979323846;

Vela3Vector Vec(const In& in, size_t at) { return Vela3Vector(&in[at]); }
bool IsUnit(const Vela3Vector& v) { return std::fabs(v.Norm() - 1.0) <= 1e-12; }
// RᵀR = I and det R = 1 to rounding, or a non-finite coefficient (never a finite wrong matrix).
bool IsRotation(const Vela3x3Matrix& R) {
  Vela3x3Matrix T;
  double c[3][3], p[3][3];
  R.Transpose(T), R.GetCoef(c), (T * R - Vela3x3Matrix()).GetCoef(p);
  const bool orthonormal = std::all_of(&p[0][0], &p[0][0] + 9, [](double x) { return std::fabs(x) <= 1e-12; });
  return (orthonormal && std::fabs(R.Determinant() - 1.0) <= 1e-12) || !Finite(&c[0][0], 9);
}
bool IsRotation(const VelaTransformation& T) { Vela3x3Matrix R; T.GetMatrix(R); return IsRotation(R); }

const EntryPoint kEntryPoints[] = {
    {"vectors and points", {1, 2, 3, -2, 0.5, 4, 1e-9, 1, 2, 3, 0, -1, 0.5, 1, 1, 1}, [](const In& in) {
       const Vela3Vector v = Vec(in, 0), w = Vec(in, 3), d = Vec(in, 13);
       const bool regular = Moderate(&in[0], 3) && v.SquareNorm() >= 1e-300;
       Vela3Vector u = v, pair[2];
       u.Normalize();
       v.GetOrthogonalVectors(pair);
       EXPECT_TRUE(v.SquareNorm() == 0.0 ? u == v : !regular || IsUnit(u));
       EXPECT_TRUE(InRangeOrNaN(v.AngleTo(w), 0.0, kPi) && InRangeOrNaN(v.AngleTo(w, Vela3Vector(2)), -kPi, kPi));
       EXPECT_TRUE(!regular || (IsUnit(v.GetOrthogonalVector()) && IsUnit(pair[0]) && IsUnit(pair[1]) &&
                                std::fabs(vela::detail::Dot(pair[0], v)) <= 1e-12 * v.Norm()));
       EXPECT_TRUE(!regular || !Moderate(&in[3], 3) || w.SquareNorm() < 1e-300 || IsUnit(v.GetOrthogonalVector(w, in[6])));
       // Point P, origin O and direction d of a line or normal of a plane.
       const Vela3Point P(&in[7]), O(&in[10]), pts[2] = {O, P}, onLine = P.ProjectOnLine(O, d), onPlane = P.ProjectOnPlane(O, d);
       const double toO = P.DistanceTo(O), toLine = P.DistanceToLine(O, d), toPlane = P.DistanceToPlane(O, d);
       int index = -1;
       P.DistanceTo(pts, 2, index);
       EXPECT_TRUE((index == 0 || index == 1) && InRangeOrNaN(toO, 0, Lim::infinity()) && InRangeOrNaN(toLine, 0, Lim::infinity()));
       const double far = toO * (1 + 1e-12);  // moderate input: the projections lie no farther than O
       EXPECT_TRUE(!Moderate(&in[7], 9) || d.SquareNorm() < 1e-200 ||
                   (toLine <= far && std::fabs(toPlane) <= far && P.DistanceTo(onLine) <= far && P.DistanceTo(onPlane) <= far));
     }},
    {"3x3 matrices", {0, -1, 0, 1, 0, 0, 0, 0, 1, 0, 0, 1, 0.7, 1, 0, 0, 0, 1, 0, 0.1, 0.2, 0.3}, [](const In& in) {
       const Vela3x3Matrix M(in[0], in[1], in[2], in[3], in[4], in[5], in[6], in[7], in[8]);
       Vela3x3Matrix inv(5.0), ortho = M;
       const bool singular = std::fabs(M.Determinant()) <= 1e-15;
       EXPECT_TRUE(M.Inverse(inv) ? !singular : singular && inv == Vela3x3Matrix(5.0));
       ortho.Orthonormalize();
       EXPECT_TRUE(!Finite(in.data(), 9) || IsRotation(ortho));
       EXPECT_TRUE(!Moderate(&in[0], 9) || !IsRotation(M) || std::memcmp(&ortho, &M, sizeof M) == 0);
       double w, a, b, c;
       Vela3Vector q;
       M.GetQuaternion(w, q);
       M.GetEulerAngles(a, b, c);
       EXPECT_TRUE(InRangeOrNaN(w, 0.0, Lim::infinity()) && InRangeOrNaN(b, -kPi / 2, kPi / 2));
       Vela3x3Matrix R1, R2, R3, R4;
       R1.SetRotation(Vec(in, 9), in[12]);
       R2.SetRotation(Vec(in, 13), Vec(in, 16));
       R3.SetRotation(in[19], in[20], in[21]);
       R4.SetRotation(Vec(in, 13), Vec(in, 16), Vec(in, 9));
       const bool unitAxis = Vec(in, 9).SquareNorm() == 1.0;
       EXPECT_TRUE(!unitAxis || !std::isfinite(in[12]) || IsRotation(R1));
       EXPECT_TRUE(!Finite(&in[13], 6) || (IsRotation(R2) && (!unitAxis || IsRotation(R4))));
       EXPECT_TRUE(!Moderate(&in[19], 3) || IsRotation(R3));
     }},
    {"rigid transformations", {0.3, -0.2, 0.5, 1, 2, 3, 0.5, 1e-9}, [](const In& in) {
       const double dir[6] = {1, 0, 0, 0, 1, 0}, tol = in[7];
       double p[6], d[6], angle, slide;
       VelaTransformation T, inv, euler, left, right;
       T.SetExponentialParameters(in.data());
       T.GetExponentialParameters(p);
       Vela3Vector point, axis;
       T.GetHelicalParameters(point, axis, angle, slide);
       EXPECT_TRUE(InRangeOrNaN(Vela3Vector(p).Norm(), 0.0, kPi * (1 + 1e-15)) && InRangeOrNaN(angle, 0.0, kPi));
       const double sq = T.GetVector().SquareNorm();
       EXPECT_TRUE(T.IsNullVector(tol) == (sq <= tol * tol) && T.IsIdentity(tol, tol) == (sq <= tol * tol && T.IsIdentityMatrix(tol)));
       T.Inverse(inv);
       VelaTransformation power = T;
       power.Pow(in[6]);
       VelaTransformation::ComputeExpDerivativeAlongDirection(in.data(), dir, d);
       VelaMatrix adjoint;
       T.GetLeftToRightLieAlgebraMapping(adjoint);
       EXPECT_TRUE(adjoint.GetNbOfRow() == 6 && adjoint.GetNbOfCol() == 6);
       euler.SetEulerParameters(in.data());
       left.SetLeftAdjustment(6, in.data());
       right.SetRightAdjustment(6, in.data());
       const bool finite = Finite(in.data(), 6), direction = Finite(&in[3], 3) && Vec(in, 3).SquareNorm() != 0.0;
       const std::pair<const VelaTransformation*, bool> rotations[] = {
           {&T, finite}, {&inv, finite}, {&euler, finite}, {&power, finite && std::isfinite(in[6])}, {&left, direction}, {&right, direction}};
       for (const auto& r : rotations) EXPECT_TRUE(!r.second || IsRotation(*r.first)) << (&r - rotations);
       EXPECT_TRUE(!Moderate(&in[0], 6) || std::all_of(d, d + 6, [](double x) { return std::isfinite(x); }));
     }},
};

TEST(VelaBadNumbersGeometry, EveryEntryPointHoldsItsContract) {
  for (const EntryPoint& e : kEntryPoints) Sweep(e);
}

// Huge and tiny finite inputs give rotations, x to y (|u x v| < 1e-12 is parallel however it is computed).
TEST(VelaBadNumbersGeometry, HugeAndTinyInputsGiveTheirRotation) {
  for (double s : {1e300, 1e-300, Lim::max(), Lim::denorm_min()}) {
    Vela3x3Matrix M(0, s, 0, 1, 0, 0, 0, 0, 1), R1, R2;
    M.Orthonormalize();
    R1.SetRotation(Vela3Vector(1, 0, 0), Vela3Vector(0, s, 0));
    R2.SetRotation(Vela3Vector(s, 0, 0), Vela3Vector(0, 1, 0), Vela3Vector(0, 0, 1));
    EXPECT_TRUE(IsRotation(M) && std::isfinite(M.Determinant()) && IsRotation(R2) && R2.Get(1, 0) > 0.99) << s;
    EXPECT_TRUE(s > 1 ? IsRotation(R1) && R1.Get(1, 0) > 0.99 : R1 == Vela3x3Matrix()) << s;
  }
}

}  // namespace
