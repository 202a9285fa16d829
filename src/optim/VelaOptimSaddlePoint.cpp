// Saddle-point (KKT) systems of the optimisers:
//
//   [ A  Bᵀ ] [ x ]   [ rhs1 ]
//   [ B  0  ] [ y ] = [ rhs2 ]
//
// - removeDependentConstraints keeps a maximal independent set of rows by
//   Gaussian elimination with complete pivoting (first maximum in row-major
//   order wins, a pivot below the tolerance ends the elimination).
// - solveSaddlePointProblem is the equality-constrained quadratic step:
//   a square, full-rank constraint set (and no released pseudo-constraint)
//   is solved as one KKT system by Gauss-Jordan; everything else goes
//   through the null-space method.
// - solveSaddlePointProblemWithNullSpace splits x = Y u + Z w with Y an
//   orthonormal basis of B's row space and Z one of its null space, solves
//   the reduced system Zᵀ A Z w = Zᵀ (rhs1 - A Y u) by LDLᵀ, and recognises
//   a reduced matrix with exactly one negative pivot: it then returns a
//   direction of negative curvature inside the null space instead.
//
// Fixed thresholds: 1e-15 (a negligible matrix or pivot, and the tolerance
// of the inner Gauss-Jordan solves), 1e-10 (reduced residual beyond which
// the solve is abandoned silently) and kResidualTolerance (relative
// residual beyond which the system is reported and dumped).
#include <algorithm>
#include <cmath>
#include <vector>

#include "optim/OptimShared.h"
#include "vela/optim/VelaOptimUtilities.h"

namespace {

using vela::optim::Trace;

constexpr double kNegligible = 1e-15;
constexpr double kReducedResidual = 1e-10;

// x such that M x = b, the minimum-norm one when M is rank deficient.
VelaVector SolveMinimumNorm(int level, const VelaMatrix& M, const VelaVector& b, double tol) {
  VelaVector x(M.GetNbOfCol(), 0.0);
  M.SolveGaussJordan(static_cast<unsigned int>(level), b.GetBuffer(), x.GetBuffer(), 1, nullptr, nullptr, tol);
  return x;
}

VelaMatrix Transposed(const VelaMatrix& M) {
  VelaMatrix t(M);
  t.Transpose();
  return t;
}

// Position (p, q) of the first largest magnitude of the block from (k, k)
// on, scanning rows outer and columns inner; false when nothing there is
// non-zero (which covers k >= cols). The magnitude goes to best.
bool FindCompletePivot(const std::vector<double>& a, int rows, int cols, int k, int& p, int& q, double& best) {
  best = 0.0;
  bool found = false;
  for (int i = k; i < rows; ++i) {
    for (int j = k; j < cols; ++j) {
      const double v = std::fabs(a[static_cast<size_t>(i) * cols + j]);
      if (v > best) {
        best = v;
        p = i;
        q = j;
        found = true;
      }
    }
  }
  return found;
}

void SwapRows(std::vector<double>& a, int cols, int i, int j) {
  if (i == j) return;
  std::swap_ranges(a.begin() + static_cast<std::ptrdiff_t>(i) * cols,
                   a.begin() + static_cast<std::ptrdiff_t>(i + 1) * cols,
                   a.begin() + static_cast<std::ptrdiff_t>(j) * cols);
}

void SwapColumns(std::vector<double>& a, int rows, int cols, int i, int j) {
  if (i == j) return;
  for (int r = 0; r < rows; ++r) std::swap(a[static_cast<size_t>(r) * cols + i], a[static_cast<size_t>(r) * cols + j]);
}

// The full KKT matrix [H Wᵀ; W 0] of order n + k.
VelaMatrix BuildKkt(const VelaSymmetricMatrix& H, const VelaMatrix& W) {
  const int n = H.GetOrder();
  const int k = W.GetNbOfRow();
  VelaMatrix K(n + k, n + k, 0.0);
  K.SetSubMatrix(0, 0, H.ConvertToFullMatrix());
  for (int t = 0; t < k; ++t) {
    for (int j = 0; j < n; ++j) {
      K(n + t, j) = W(t, j);
      K(j, n + t) = W(t, j);
    }
  }
  return K;
}

// The failing system, as a script that solves it outside the library.
void DumpSaddlePointSystem(const VelaSymmetricMatrix& A, const VelaMatrix& B, const VelaVector& rhs1,
                           const VelaVector& rhs2) {
  VelaStream& s = Trace();
  A.ScilabDump("A", &s);
  B.ScilabDump("B", &s);
  rhs1.ScilabDump("rhs1", &s);
  rhs2.ScilabDump("rhs2", &s);
  const int m = B.GetNbOfRow();
  s << " [A,B';B,zeros(" << m << "," << m << ")] \\ [rhs1';rhs2'] " << velendl;
}

// Scans the inverse pivots of an LDLᵀ factor of order nr. Returns the count
// of negative pivots, stopping at the second; e marks the (first) negative
// position. Entries of 2 x 2 blocks are read like 1 x 1 pivots.
int FindNegativePivot(const VelaLowerTriangularMatrix& L, int nr, VelaVector& e) {
  int count = 0;
  for (int k = 0; k < nr; ++k) {
    const double q = L.GetRow(k)[k];
    if (-kNegligible > 1.0 / q) {
      if (++count == 2) return count;
      e[k] = 1.0;
    }
  }
  return count;
}

// Z d with L'ᵀ d = e, L' the unit lower triangle of L. When the pivot
// marked in e is a 1 x 1 pivot and the factorisation interchanged nothing,
// dᵀ Zᵀ A Z d equals that (negative) pivot: Z d is a direction of negative
// curvature inside B's null space.
VelaVector NegativeCurvatureDirection(VelaLowerTriangularMatrix L, const VelaMatrix& Z, const VelaVector& e) {
  const int nr = L.GetOrder();
  for (int k = 0; k < nr; ++k) L.GetRow(k)[k] = 1.0;
  VelaVector d(nr, 0.0);
  L.SolveTranspose(e.GetBuffer(), d.GetBuffer());
  return Z * d;
}

}  // namespace

void VelaOptimUtilities::removeDependentConstraints(const VelaMatrix& iW, const VelaVector& iR, double iTol,
                                                    VelaMatrix& oW, VelaVector& oR, VelaIntArray& ioKept) {
  const int m = iW.GetNbOfRow();
  const int n = iW.GetNbOfCol();
  std::vector<double> a(iW.GetBuffer(), iW.GetBuffer() + iW.GetSize());
  std::vector<int> rowPerm(static_cast<size_t>(m));
  for (int i = 0; i < m; ++i) rowPerm[static_cast<size_t>(i)] = i;
  // A right-hand side of the wrong length keeps no row: nothing is read past it.
  int k = iR.GetSize() == m ? 0 : m;
  for (; k < m; ++k) {
    int p = 0;
    int q = 0;
    double best = 0.0;
    if (!FindCompletePivot(a, m, n, k, p, q, best) || iTol > best) break;
    SwapRows(a, n, k, p);
    std::swap(rowPerm[static_cast<size_t>(k)], rowPerm[static_cast<size_t>(p)]);
    SwapColumns(a, m, n, k, q);
    const double* pivotRow = &a[static_cast<size_t>(k) * n];
    for (int i = k + 1; i < m; ++i) {
      double* row = &a[static_cast<size_t>(i) * n];
      const double f = row[k] / pivotRow[k];
      for (int j = k; j < n; ++j) row[j] = row[j] - f * pivotRow[j];
    }
  }
  const int rank = iR.GetSize() == m ? k : 0;
  oW = VelaMatrix(rank, n, 0.0);
  oR = VelaVector(rank, 0.0);
  for (int t = 0; t < rank; ++t) {
    const int source = rowPerm[static_cast<size_t>(t)];
    oW.SetRow(t, iW.GetRow(source));
    oR[t] = iR[source];
    ioKept.Append(source);
  }
}

unsigned char VelaOptimUtilities::solveSaddlePointProblem(int iLevel, const VelaSymmetricMatrix& iH,
                                                          const VelaVector& iG, const VelaMatrix& iW,
                                                          const VelaVector& iR, VelaVector& oX,
                                                          VelaVector& oLambda, unsigned char& oIndefinite,
                                                          unsigned char iReleased, double iSolveTol, double) {
  using vela::optim::IsFinite;
  const int n = iH.GetOrder();
  if (iG.GetSize() != n || iW.GetNbOfCol() != n || iR.GetSize() != iW.GetNbOfRow()) return 0;
  if (!IsFinite(iH) || !IsFinite(iG) || !IsFinite(iW) || !IsFinite(iR)) return 0;

  VelaMatrix Wr;
  VelaVector rr;
  VelaIntArray kept;
  removeDependentConstraints(iW, iR, iSolveTol, Wr, rr, kept);
  const int k = Wr.GetNbOfRow();

  unsigned char result = 1;
  VelaVector lambdaR;
  if (k < n || iReleased != 0) {
    result = solveSaddlePointProblemWithNullSpace(iLevel, iH, Wr, iG * -1.0, rr, oX, lambdaR, &oIndefinite,
                                                  iReleased);
    // A negative-curvature direction or an early failure comes without
    // multipliers: they are 0 then.
    if (lambdaR.GetSize() == k) {
      lambdaR *= -1.0;
    } else {
      lambdaR = VelaVector(k, 0.0);
    }
  } else {
    lambdaR = VelaVector(k, 0.0);
    VelaVector rhs(n + k, 0.0);
    for (int j = 0; j < n; ++j) rhs[j] = -iG[j];
    for (int t = 0; t < k; ++t) rhs[n + t] = rr[t];
    const VelaVector z = SolveMinimumNorm(iLevel, BuildKkt(iH, Wr), rhs, iSolveTol);
    oX = VelaVector(n, z.GetBuffer());
    for (int t = 0; t < k; ++t) lambdaR[t] = -z[n + t];
  }
  oLambda = VelaVector(iW.GetNbOfRow(), 0.0);
  for (int t = 0; t < k; ++t) oLambda[kept[t]] = lambdaR[t];
  return result;
}

unsigned char VelaOptimUtilities::solveSaddlePointProblemWithNullSpace(
    int iLevel, const VelaSymmetricMatrix& iA, const VelaMatrix& iB, const VelaVector& iRhs1,
    const VelaVector& iRhs2, VelaVector& oX, VelaVector& oY, unsigned char* oIndefinite, unsigned char iReleased) {
  using vela::optim::IsFinite;
  using vela::optim::kResidualTolerance;
  const int n = iB.GetNbOfCol();
  const int m = iB.GetNbOfRow();
  if (iA.GetOrder() != n || iRhs1.GetSize() != n || iRhs2.GetSize() != m) return 0;
  if (!IsFinite(iA) || !IsFinite(iB) || !IsFinite(iRhs1) || !IsFinite(iRhs2)) return 0;

  int rank = 0;
  VelaMatrix Y;
  VelaMatrix Z;
  if (iB.FindNullSpace(rank, Y, Z) == 0) return 0;
  const int nr = n - rank;

  // Particular solution x0 = Y u of B x0 = rhs2.
  VelaMatrix BY;
  VelaVector x0(n, 0.0);
  if (rank > 0) {
    BY = iB * Y;
    x0 = Y * SolveMinimumNorm(iLevel, BY, iRhs2, kNegligible);
  }

  bool failed = false;
  VelaVector w(nr, 0.0);
  if (!(iA.GetNormInf() <= kNegligible)) {
    const VelaVector bHat = Z.MultiplyVectorLeft(iRhs1 - iA * x0);
    const VelaMatrix hHat = Transposed(Z) * (iA * Z);
    VelaSymmetricMatrix S(nr, hHat);
    VelaLowerTriangularMatrix L;
    VelaIntArray perm;
    if (S.LDLt(L, perm) == 0) {
      w = SolveMinimumNorm(iLevel, hHat, bHat, kNegligible);
    } else {
      if (oIndefinite != nullptr) {
        VelaVector e(nr, 0.0);
        const int negatives = FindNegativePivot(L, nr, e);
        *oIndefinite = negatives > 0 ? 1 : 0;
        if (negatives > 1) return 0;
        if (negatives == 1) {
          // After a release the caller wants a step, not the curvature: the
          // direction of the last position is taken instead.
          if (iReleased != 0) {
            *oIndefinite = 0;
            e = VelaVector(nr, 0.0);
            e[nr - 1] = 1.0;
          }
          oX = NegativeCurvatureDirection(L, Z, e);
          return 1;
        }
      }
      S.SolveLDLt(1, bHat, w);
    }
    const VelaVector rho = hHat * w - bHat;
    // Written as negations so that a NaN residual fails too.
    if (!(rho.GetNormInf(-1) < kReducedResidual)) return 0;
    if (!(rho.GetNorm2(-1) / std::max(w.GetNorm2(-1), 1.0) <= kResidualTolerance)) {
      Trace() << " Z\t G Z is not inversible " << velendl;
      failed = true;
    }
  }

  oX = x0 + Z * w;
  oY = VelaVector(m, 0.0);
  if (rank > 0) {
    oY = SolveMinimumNorm(iLevel, Transposed(BY), Y.MultiplyVectorLeft(iRhs1 - iA * oX), kNegligible);
  }

  const VelaVector r1 = iA * oX + iB.MultiplyVectorLeft(oY) - iRhs1;
  const VelaVector r2 = iB * oX - iRhs2;
  const double eps = (r1.GetNorm2(-1) + r2.GetNorm2(-1)) / std::max(oX.GetNorm2(-1) + oY.GetNorm2(-1), 1.0);
  if (!(eps <= kResidualTolerance)) {
    Trace() << "Problem in solveSaddlePointProblemWithNullSpace, norm of residual = " << eps << velendl;
    failed = true;
  }
  if (failed) DumpSaddlePointSystem(iA, iB, iRhs1, iRhs2);
  return failed ? 0 : 1;
}
