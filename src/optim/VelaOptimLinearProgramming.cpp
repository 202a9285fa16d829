// Linear programs in general form: the flagged bounds become stacked
// inequality rows, variables that are not bounded below by a non-negative
// value are split as x = x⁺ - x⁻ (doubling the columns), the interior-point
// method solves the result, and the point it returns is checked against
// every stacked row with the caller's tolerance.
#include <cmath>

#include "optim/OptimShared.h"
#include "vela/optim/VelaOptimUtilities.h"

namespace {

bool ValidInput(const VelaVector& c, const VelaMatrix& A, const VelaVector& b, int nbEq, const VelaBoolArray& hasLower,
                const VelaVector& lower, const VelaBoolArray& hasUpper, const VelaVector& upper) {
  const int n = A.GetNbOfCol();
  const int m = A.GetNbOfRow();
  if (c.GetSize() != n || b.GetSize() != m || nbEq < 0 || nbEq > m) return false;
  if (hasLower.Size() != n || hasUpper.Size() != n || lower.GetSize() != n || upper.GetSize() != n) return false;
  if (!vela::optim::IsFinite(c) || !vela::optim::IsFinite(A) || !vela::optim::IsFinite(b)) return false;
  // Bounds of unflagged variables are ignored, so they may hold anything
  // (an infinity, typically).
  for (int j = 0; j < n; ++j) {
    if (hasLower[j] != 0 && !std::isfinite(lower[j])) return false;
    if (hasUpper[j] != 0 && !std::isfinite(upper[j])) return false;
  }
  return true;
}

// True when every variable has a flagged, non-negative lower bound: the
// stacked rows then imply x >= 0 and no split is needed.
bool BoundedBelowByZero(const VelaBoolArray& hasLower, const VelaVector& lower) {
  for (int j = 0; j < hasLower.Size(); ++j) {
    if (hasLower[j] == 0 || 0.0 > lower[j]) return false;
  }
  return true;
}

// The first violated equality row and the first violated inequality row
// each write the message once.
bool Satisfies(const VelaMatrix& M, const VelaVector& r, int nbEq, const VelaVector& x, double tol) {
  const VelaVector rho = M * x - r;
  bool feasible = true;
  for (int i = 0; i < nbEq; ++i) {
    if (std::fabs(rho[i]) > tol) {
      vela::optim::Trace() << " Error in SolveLinearProgramming" << velendl;
      feasible = false;
      break;
    }
  }
  for (int i = nbEq; i < rho.GetSize(); ++i) {
    if (rho[i] > tol) {
      vela::optim::Trace() << " Error in SolveLinearProgramming" << velendl;
      feasible = false;
      break;
    }
  }
  return feasible;
}

}  // namespace

unsigned char VelaOptimUtilities::SolveLinearProgramming(int iLevel, const VelaVector& iC, const VelaMatrix& iA,
                                                         const VelaVector& iB, int iNbEq,
                                                         const VelaBoolArray& iHasLower, const VelaVector& iLower,
                                                         const VelaBoolArray& iHasUpper, const VelaVector& iUpper,
                                                         VelaVector& oX, VelaVector& oLambda, double iSolveTol,
                                                         double iTol) {
  if (!ValidInput(iC, iA, iB, iNbEq, iHasLower, iLower, iHasUpper, iUpper)) return 0;
  const int n = iA.GetNbOfCol();
  VelaMatrix M;
  VelaVector r;
  vela::optim::StackConstraints(iA, iB, iHasLower, iLower, iHasUpper, iUpper, M, r);
  unsigned char result = 0;
  // The primal outputs start at zero: a method that stops before its
  // iterations writes nothing, and the check then runs on x = 0.
  if (BoundedBelowByZero(iHasLower, iLower)) {
    VelaVector xs(n, 0.0);
    result = InteriorPoint_Mehrotra(iLevel, iC, M, r, iNbEq, xs, oLambda, iSolveTol, iTol);
    oX = xs;
  } else {
    const VelaMatrix M2 = VelaMatrix::MergeMatrix(M, M * -1.0, 0);
    VelaVector c2(2 * n, 0.0);
    for (int j = 0; j < n; ++j) {
      c2[j] = iC[j];
      c2[n + j] = -iC[j];
    }
    VelaVector x2(2 * n, 0.0);
    result = InteriorPoint_Mehrotra(iLevel, c2, M2, r, iNbEq, x2, oLambda, iSolveTol, iTol);
    oX = VelaVector(n, 0.0);
    for (int j = 0; j < n; ++j) oX[j] = x2[j] - x2[n + j];
  }
  if (!Satisfies(M, r, iNbEq, oX, iTol)) result = 0;
  return result;
}
