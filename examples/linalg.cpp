// vela_example_linalg: solve a square system, fit a line by least squares
// and find null spaces, printing the residual of every result.
//
// Numbers are printed in fixed notation with 6 decimals: the residuals are
// rounding noise far below that, so the text is the same on every build.

#include <cmath>
#include <iostream>

#include "vela/VelaUtilities.h"

namespace {

// Rounding noise below the printed digits must not show as "-0.000000".
double Tidy(double v) { return std::fabs(v) < 5e-7 ? 0.0 : v; }

void PrintRow(VelaStream& out, const char* name, const double* v, int n) {
  out << name << " = (";
  for (int i = 0; i < n; ++i) out << (i ? ", " : "") << Tidy(v[i]);
  out << ")" << velendl;
}

void SolveSquare(VelaStream& out, unsigned int level) {
  out << "-- square system" << velendl;
  // [guide:solve-square]
  const double a[] = {4.0, 1.0, 2.0,
                      1.0, 5.0, 1.0,
                      2.0, 1.0, 6.0};
  const double b[] = {12.0, 14.0, 22.0};
  VelaMatrix A(3, 3, a);
  VelaVector x(3, 0.0);
  A.SolveGaussJordan(level, b, x.GetBuffer(), 0, nullptr, nullptr, VelaGoalAccuracy);
  VelaVector residual = A * x - VelaVector(3, b);
  // [guide:solve-square]
  PrintRow(out, "x", x.GetBuffer(), 3);
  out << "residual |A x - b|inf = " << Tidy(residual.GetNormInf(-1)) << velendl;
}

// The line y = c0 + c1 t closest to four points, through the left inverse.
void FitLine(VelaStream& out) {
  out << "-- least squares" << velendl;
  // [guide:least-squares]
  const double design[] = {1.0, 0.0,
                           1.0, 1.0,
                           1.0, 2.0,
                           1.0, 3.0};
  const double y[] = {1.0, 3.0, 4.0, 4.0};
  VelaMatrix A(4, 2, design);
  VelaMatrix leftInverse;
  const unsigned char ok = A.InverseQR(leftInverse);  // (R^-1 Q^T), 2 x 4
  VelaVector c = leftInverse * y;
  VelaVector residual = A * c - VelaVector(4, y);
  VelaVector normal = A.MultiplyVectorLeft(residual);  // A^T r: zero at the optimum
  // [guide:least-squares]
  out << "InverseQR returned " << static_cast<int>(ok) << velendl;
  PrintRow(out, "c", c.GetBuffer(), 2);
  out << "residual |A c - y|2 = " << Tidy(residual.GetNorm2(-1)) << velendl;
  out << "normal equations |A^T r|inf = " << Tidy(normal.GetNormInf(-1)) << velendl;
}

// Two routes to the null space of a 2 x 4 matrix of rank 2.
void NullSpace(VelaStream& out, unsigned int level) {
  out << "-- null space" << velendl;
  const double a[] = {1.0, 2.0, 0.0, 1.0,
                      0.0, 1.0, 1.0, 1.0};
  VelaMatrix A(2, 4, a);

  // [guide:null-space]
  int rank = 0;
  VelaMatrix range, kernel;  // orthonormal bases, one vector per column
  const unsigned char ok = A.FindNullSpace(rank, range, kernel);
  VelaMatrix AK = A * kernel;  // zero
  VelaMatrix KtK = kernel;
  KtK.Transpose();
  KtK = KtK * kernel;  // identity: the columns are orthonormal
  KtK -= VelaMatrix(kernel.GetNbOfCol());
  // [guide:null-space]
  out << "FindNullSpace returned " << static_cast<int>(ok) << ", rank " << rank << ", kernel "
      << kernel.GetNbOfRow() << " x " << kernel.GetNbOfCol() << velendl;
  out << "|A K|inf = " << Tidy(AK.GetNormInf(-1)) << ", |K^T K - I|inf = " << Tidy(KtK.GetNormInf(-1))
      << velendl;

  // The elimination's own basis (one vector per row, not orthogonal) and the
  // minimum-norm solution of A x = b, which is orthogonal to it.
  // [guide:gauss-jordan-kernel]
  const double b[] = {4.0, 3.0};
  VelaVector x(4, 0.0);
  VelaMatrix basis;
  A.SolveGaussJordan(level, b, x.GetBuffer(), 1, &basis, nullptr, VelaGoalAccuracy);
  // [guide:gauss-jordan-kernel]
  out << "Gauss-Jordan kernel: " << basis.GetNbOfRow() << " x " << basis.GetNbOfCol() << velendl;
  for (int i = 0; i < basis.GetNbOfRow(); ++i) PrintRow(out, "  k", basis.GetRow(i), 4);
  PrintRow(out, "minimum-norm x", x.GetBuffer(), 4);
  VelaVector residual = A * x - VelaVector(2, b);
  VelaVector along = basis * x;  // components along the kernel: zero
  out << "|A x - b|inf = " << Tidy(residual.GetNormInf(-1)) << ", |K x|inf = " << Tidy(along.GetNormInf(-1))
      << velendl;
}

}  // namespace

int main() {
  VelaStream out(&std::cout);
  out << velsetfixedfloatfield() << velsetprecision(6);
  // The behaviour level handed to the Gauss-Jordan solver selects its pivot
  // search; a solver module passes its own, here the configuration's.
  const unsigned int level = GetGlobalParameters().GetVelFullOpenConfigurationLevel();
  SolveSquare(out, level);
  FitLine(out);
  NullSpace(out, level);
  return 0;
}
