// Linear algebra on bad numbers: each entry point returns its documented flag or an IEEE-consistent result.
#include <numeric>

#include "support/BadNumbers.h"
#include "vela/containers/VelaIntArray.h"
#include "vela/linalg/VelaLowerTriangularMatrix.h"
#include "vela/linalg/VelaSparseMatrix.h"
#include "vela/linalg/VelaSymmetricMatrix.h"

namespace {

using namespace vela::test;
bool Untouched(const VelaMatrix& m) { return m.GetSize() == 1 && m(0, 0) == 7.0; }
double Dot(const double* a, int sa, const double* b, int sb) { return 0.0 + a[0] * b[0] + a[sa] * b[sb] + a[2 * sa] * b[2 * sb]; }
VelaMatrix Mat(const In& in, int off, int r, int c) { return VelaMatrix(r, c, in.data() + off); }

const In kA = {4, 1, 0.5, 1, 3, 0.2, 0.5, 0.2, 2}, kB = {1, -2, 0.5, 0, 1, 3, 2, 1, -1};  // kA positive definite
const In kRhs = {1, 2, 3}, kPacked = {4, 1, 3, 0.5, 0.2, 2};                              // kA's lower triangle

// NaN gives NaN; otherwise max |p| <= norm2 <= sqrt(n) max |p|, or infinity.
void CheckNorms(int n, const double* p, double norm2, double normInf) {
  const double largest = std::accumulate(p, p + n, 0.0, [](double m, double x) { return std::max(m, std::fabs(x)); });
  const bool bounded = std::isinf(norm2) ? largest > 1e150 : largest <= norm2 && norm2 <= std::sqrt(n) * largest * (1 + 1e-15);
  EXPECT_TRUE(NoNaN(p, n) ? normInf == largest && bounded : std::isnan(norm2));
}

const EntryPoint kEntryPoints[] = {
    {"arithmetic and norms", Cat({kA, kB, {2.5}}), [](const In& in) {
       const VelaMatrix A = Mat(in, 0, 3, 3), B = Mat(in, 9, 3, 3), C = A * B;
       VelaMatrix L(B);
       L.MultiplyLeft(A);
       const VelaVector v(3, in.data() + 9), Av = A * v, vA = A.MultiplyVectorLeft(v);
       for (int i = 0; i < 3; ++i) {
         EXPECT_TRUE(Same(Av[i], Dot(&in[3 * i], 1, &in[9], 1)) && Same(vA[i], Dot(&in[9], 1, &in[i], 3)));
         for (int j = 0; j < 3; ++j) EXPECT_TRUE(Same(C(i, j), Dot(&in[3 * i], 1, &in[9 + j], 3)) && Same(L(i, j), C(i, j)));
       }
       EXPECT_TRUE(Same(VelaVector(3, in.data()) * v, Dot(&in[0], 1, &in[9], 1)));
       EXPECT_EQ(v > in[18], !(in[9] < in[18] || in[10] < in[18] || in[11] < in[18]));
       CheckNorms(9, in.data(), VelaMatrix::Norm2(9, in.data()), VelaMatrix::NormInf(9, in.data()));
       for (int i = -1; i < 3; ++i) CheckNorms(i < 0 ? 9 : 3, &in[i < 0 ? 0 : 3 * i], A.GetNorm2(i), A.GetNormInf(i));  // -1: all
     }},
    {"MinimizeNorm and FindNullSpace", {1, 0, 1, 0, 1, 1, 1, 2, 3, 1e-12, 1e-12}, [](const In& in) {
       In x(in.begin() + 6, in.begin() + 9);
       int levels[3] = {0, 0, 0}, row = -5, level = -9;
       unsigned char flag = 7;
       Mat(in, 0, 2, 3).MinimizeNorm(x.data(), levels, in[9], in[10], flag, row, level, nullptr);
       EXPECT_TRUE(flag == 7 && row == -5 && level == 0);
       int rank = -1;
       VelaMatrix range(1, 1, 7.0), kernel(1, 1, 7.0);
       EXPECT_TRUE(Mat(in, 0, 2, 3).FindNullSpace(rank, range, kernel) ? Finite(in.data(), 6) && rank == 2 && kernel.GetNbOfCol() == 1 &&
                                                                            Finite(range) && Finite(kernel)
                      : rank == 0 && Untouched(range) && Untouched(kernel));
     }},
    {"Cholesky, LDLt, triangular", Cat({kPacked, kRhs, {0.0}}), [](const In& in) {
       const VelaSymmetricMatrix S(3, in.data());
       VelaLowerTriangularMatrix L(3, nullptr), F;
       const unsigned char chol = S.CholeskyFactorisation(L, in[9]);
       EXPECT_TRUE(!chol || (NoNaN(in.data(), 6) && !std::isnan(in[9]) && L.GetRow(0)[0] > 0 && L.GetRow(1)[1] > 0 && L.GetRow(2)[2] > 0));
       double x[3], y[3];
       EXPECT_LE(S.SolveCholesky(&in[6], x, nullptr, in[9]), chol);
       VelaSymmetricMatrix S2(S);
       VelaIntArray perm;
       VelaVector X;
       const unsigned char ldl = S2.LDLt(F, perm);
       ASSERT_EQ(perm.Size(), 3);
       EXPECT_TRUE(perm[0] + perm[1] + perm[2] == 3 && perm[0] != perm[1] && perm[1] != perm[2] && perm[0] != perm[2]);
       EXPECT_TRUE(S2.SolveLDLt(0, VelaVector(3, &in[6]), X) == ldl && X.GetSize() == 3);
       const VelaLowerTriangularMatrix T(3, in.data());
       const bool regular = in[0] != 0.0 && in[2] != 0.0 && in[5] != 0.0;
       EXPECT_TRUE(T.Solve(&in[6], x) == regular && T.SolveTranspose(&in[6], y) == regular);
       for (int i = 0; i < 3; ++i) EXPECT_TRUE(T.GetRow(i)[i] != 0.0 || (x[i] == 0.0 && y[i] == 0.0));
     }},
    {"QR, Gram-Schmidt, elimination, SVD, Gauss-Jordan", Cat({kA, kRhs, {1e-12}}), [](const In& in) {
       // At the top of the range the largest singular value may overflow, which the flag reports.
       const bool finite = Finite(in.data(), 9), moderate = finite && VelaMatrix::NormInf(9, in.data()) < 0x1p1000;
       const VelaMatrix A = Mat(in, 0, 3, 3);
       VelaMatrix M = A, U, V, inv, kernel, K, KMin, Ks, Kp;
       In s(3), x(3, 9.0), xMin(3, 9.0), xs(3, 9.0), xp(3, 9.0);
       const unsigned char ok = M.FactorisationSVD(U, s.data(), V);
       EXPECT_TRUE(ok ? finite && Finite(U) && Finite(V) && Finite(s.data(), 3) && *std::min_element(s.begin(), s.end()) >= 0.0 : !moderate);
       EXPECT_TRUE(M.InverseSVD(inv) == ok && M.SolveSVD(&in[9], xs.data(), in[12]) == ok && M.KernelSVD(kernel, in[12]) == ok);
       A.SolveGaussJordan(0, &in[9], x.data(), 0, &K, nullptr, in[12]);
       A.SolveGaussJordan(0, &in[9], xMin.data(), 1, &KMin, nullptr, in[12]);
       EXPECT_EQ(std::memcmp(A.GetBuffer(), in.data(), 9 * sizeof(double)), 0);
       EXPECT_TRUE(K.GetNbOfRow() >= 0 && K.GetNbOfRow() <= 3 && KMin.GetNbOfRow() == K.GetNbOfRow());
       VelaSparseMatrix serial(3, 3, in.data()), parallel(3, 3, in.data());
       serial.SolveGaussJordan(0, &in[9], xs.data(), &Ks, in[12]);
       parallel.ParallelSolveGaussJordan(0, &in[9], xp.data(), &Kp, in[12]);
       for (int k = 0; k < 9; ++k)  // a clear flag only on an exact zero, NaN included
         EXPECT_TRUE((serial.IsNonZero(k / 3, k % 3) || serial(k / 3, k % 3) == 0.0) &&
                     (parallel.IsNonZero(k / 3, k % 3) || parallel(k / 3, k % 3) == 0.0));
       VelaMatrix invQR(1, 1, 7.0), B = Mat(in, 0, 3, 3);
       EXPECT_TRUE(B.InverseQR(invQR) ? Finite(invQR) && Finite(in.data(), 9) : Untouched(invQR));
       const int kept = B.Orthogonalize(in[12], nullptr);
       EXPECT_TRUE(kept >= 0 && kept <= 3 && (kept == 0 || !Finite(in.data(), 9) || in[12] != Lim::infinity()));
       // A tolerance above every entry leaves no pivot; NaN, <= 0 or tiny ones only exact zeros.
       for (int variant = 0; variant < 3; ++variant) {
         VelaMatrix E = Mat(in, 0, 3, 3);
         const int pivots = variant == 2 ? E.ReduceSubmatrix(0, 0, 3, in[12])
                                         : E.PerformGaussElimination(in[12], static_cast<unsigned char>(variant));
         EXPECT_TRUE(Finite(in.data(), 9) ? pivots == (in[12] > 4.0 ? 0 : 3) : pivots >= 0 && pivots <= 3) << variant;
       }
       if (!Finite(in.data(), 9)) return;
       const int nullity = in[12] > 4.0 ? 3 : 0;
       EXPECT_TRUE(Ks.GetNbOfRow() == Kp.GetNbOfRow() && K.GetNbOfRow() == nullity);
       EXPECT_TRUE(nullity == 0 || (x[0] == 0.0 && x[1] == 0.0 && x[2] == 0.0));
     }},
};

TEST(VelaBadNumbersLinalg, EveryEntryPointHoldsItsContract) {
  for (const EntryPoint& e : kEntryPoints) Sweep(e);
}

}  // namespace
