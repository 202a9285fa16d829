// Primal active-set method for convex (and mildly non-convex) quadratic
// programs, and the one-step equality-constrained solve.
//
// The constraints are stacked into M x (=, <=) r: equality rows first, then
// the inequality rows of A and the flagged bounds. From a feasible start the
// method keeps a working set of inequality rows held as equalities; each
// iteration solves the equality-constrained step p on that set
// (solveSaddlePointProblem with a zero right-hand side) and either
// - moves along p as far as feasibility allows (ratio test over the rows
//   outside the working set; among equal ratios the last row blocks and is
//   added), or
// - at a zero step computes the multipliers and, when a working inequality
//   row has a negative one, drops the row with the most negative.
// A reduced Hessian with one negative pivot yields a direction of negative
// curvature instead of a step; the row that left last is then held again,
// as a pseudo-constraint (first in first out), while the iterate follows
// that direction, and the oldest pseudo-constraint is released at the next
// ordinary step. The direction's sign is free: it is taken so that the
// pseudo-constraint's row does not grow along it, since the ratio test does
// not look at that row.
#include <algorithm>
#include <cmath>

#include "optim/OptimShared.h"
#include "vela/optim/VelaOptimUtilities.h"

namespace {

using vela::optim::Trace;

// At most this many subproblem solves per call.
constexpr int kMaxSolves = 100;

// Working state over the stacked rows; inequality rows are flagged by their
// row index minus the equality count.
struct WorkingSet {
  int nbEq = 0;
  VelaIntArray flags;  // one per inequality row, 1 while held as an equality
  int nActive = 0;     // count of Activate minus Deactivate calls
  VelaIntArray pseudo;  // pseudo-constraints, first in first out
  int released = -1;    // last row taken out of pseudo; never reset
  int lastDropped = -1;  // last row dropped by the multiplier test

  bool IsActive(int row) const { return flags[row - nbEq] != 0; }
  void Activate(int row) {
    flags.Get(row - nbEq) = 1;
    ++nActive;
  }
  void Deactivate(int row) {
    flags.Get(row - nbEq) = 0;
    --nActive;
  }
  int PopPseudo() {
    const int front = pseudo[0];
    pseudo.RemoveAt(0);
    return front;
  }
};

// Row `row` of M times v.
double RowTimes(const VelaMatrix& M, int row, const VelaVector& v) {
  const double* m = M.GetRow(row);
  double sum = 0.0;
  for (int j = 0; j < M.GetNbOfCol(); ++j) sum += m[j] * v[j];
  return sum;
}

bool HasSizes(const VelaSymmetricMatrix& H, const VelaVector& c, const VelaMatrix& A, const VelaVector& b,
              int nbEq, const VelaBoolArray& hasLower, const VelaVector& lower, const VelaBoolArray& hasUpper,
              const VelaVector& upper, const VelaVector& x) {
  const int n = H.GetOrder();
  if (A.GetNbOfCol() != n || c.GetSize() != n || b.GetSize() != A.GetNbOfRow() || x.GetSize() != n) return false;
  if (nbEq < 0 || nbEq > A.GetNbOfRow() || hasLower.Size() != n || hasUpper.Size() != n) return false;
  return lower.GetSize() == n && upper.GetSize() == n;
}

// Bounds count only where they are flagged.
bool AreBoundsFinite(const VelaBoolArray& has, const VelaVector& bound) {
  for (int j = 0; j < has.Size(); ++j) {
    if (has[j] != 0 && !std::isfinite(bound[j])) return false;
  }
  return true;
}

// Fills the working set with the inequality rows the start touches; false
// when the start violates a row by iTol or more.
bool StartWorkingSet(const VelaMatrix& M, const VelaVector& r, const VelaVector& x, double tol, WorkingSet& ws) {
  const VelaVector rho = M * x - r;
  const int m = M.GetNbOfRow();
  for (int i = 0; i < m; ++i) {
    if (i < ws.nbEq ? !(std::fabs(rho[i]) < tol) : !(rho[i] < tol)) return false;
  }
  ws.flags = VelaIntArray(m - ws.nbEq, 0);
  for (int i = ws.nbEq; i < m; ++i) {
    if (rho[i] >= 0.0) ws.Activate(i);
  }
  return true;
}

// The equality rows, then the working inequality rows in increasing order;
// map receives each row's position in that matrix, -1 off the working set.
VelaMatrix WorkingRows(const VelaMatrix& M, const WorkingSet& ws, VelaIntArray& map) {
  const int m = M.GetNbOfRow();
  map = VelaIntArray(m, -1);
  VelaMatrix W(0, M.GetNbOfCol(), 0.0);
  for (int i = 0; i < m; ++i) {
    if (i < ws.nbEq || ws.IsActive(i)) {
      map.Get(i) = W.GetNbOfRow();
      W.AppendRow(M.GetRow(i));
    }
  }
  return W;
}

// Largest step along p up to 1 that keeps the rows outside the working set
// feasible; returns the blocking row (the last one among equal ratios, also
// at a ratio of exactly 1), or -1.
int RatioTest(const VelaMatrix& M, const VelaVector& r, const WorkingSet& ws, const VelaVector& x,
              const VelaVector& p, double tol, double& alpha) {
  const VelaVector Mx = M * x;
  const VelaVector Mp = M * p;
  alpha = 1.0;
  int blocking = -1;
  for (int i = ws.nbEq; i < M.GetNbOfRow(); ++i) {
    if (ws.IsActive(i) || !(Mp[i] > tol)) continue;
    const double t = (r[i] - Mx[i]) / Mp[i];
    if (alpha >= t) {
      alpha = t;
      blocking = i;
    }
  }
  return blocking;
}

// At a zero step: the multipliers μ of H x + c + Wᵀ μ = 0, scattered over
// the stacked rows into oLambda. Returns true at a KKT point; otherwise the
// working row with the most negative multiplier leaves the working set.
bool MultiplierTest(int level, const VelaSymmetricMatrix& H, const VelaVector& c, const VelaMatrix& W,
                    const VelaIntArray& map, const VelaVector& x, double solveTol, WorkingSet& ws,
                    VelaVector& oLambda) {
  const VelaVector g = H * x + c;
  VelaMatrix minusWt(W);
  minusWt.Transpose();
  minusWt *= -1.0;
  VelaVector mu(W.GetNbOfRow(), 0.0);
  minusWt.SolveGaussJordan(static_cast<unsigned int>(level), g.GetBuffer(), mu.GetBuffer(), 1, nullptr, nullptr,
                           solveTol);
  const int m = map.Size();
  oLambda = VelaVector(m, 0.0);
  int leaving = -1;
  for (int i = 0; i < m; ++i) {
    if (map[i] < 0) continue;
    oLambda[i] = mu[map[i]];
    if (i >= ws.nbEq && 0.0 > mu[map[i]] && (leaving < 0 || mu[map[i]] < mu[map[leaving]])) leaving = i;
  }
  if (leaving < 0) return true;
  if (ws.pseudo.Locate(leaving) >= 0) {
    ws.released = ws.PopPseudo();
  } else {
    ws.lastDropped = leaving;
  }
  ws.Deactivate(leaving);
  return false;
}

}  // namespace

unsigned char VelaOptimUtilities::ActiveSetMethod(int iLevel, const VelaSymmetricMatrix& iH, const VelaVector& iC,
                                                  const VelaMatrix& iA, const VelaVector& iB, int iNbEq,
                                                  const VelaBoolArray& iHasLower, const VelaVector& iLower,
                                                  const VelaBoolArray& iHasUpper, const VelaVector& iUpper,
                                                  VelaVector& ioX, VelaVector& oLambda, double iSolveTol,
                                                  double iTol) {
  using vela::optim::IsFinite;
  if (!HasSizes(iH, iC, iA, iB, iNbEq, iHasLower, iLower, iHasUpper, iUpper, ioX)) return 0;
  if (!IsFinite(iH) || !IsFinite(iC) || !IsFinite(iA) || !IsFinite(iB) || !IsFinite(ioX) ||
      !AreBoundsFinite(iHasLower, iLower) || !AreBoundsFinite(iHasUpper, iUpper)) {
    return 0;
  }
  VelaMatrix M;
  VelaVector r;
  vela::optim::StackConstraints(iA, iB, iHasLower, iLower, iHasUpper, iUpper, M, r);
  WorkingSet ws;
  ws.nbEq = iNbEq;
  if (!StartWorkingSet(M, r, ioX, iTol, ws)) return 0;
  if (iH.GetNormInf() < 1e-15) {
    return SolveLinearProgramming(iLevel, iC, iA, iB, iNbEq, iHasLower, iLower, iHasUpper, iUpper, ioX, oLambda,
                                  iSolveTol, iTol);
  }

  for (int solves = 0;;) {
    VelaIntArray map;
    const VelaMatrix W = WorkingRows(M, ws, map);
    unsigned char indefinite = 0;
    VelaVector p;
    VelaVector lambdaW;
    if (solveSaddlePointProblem(iLevel, iH, iH * ioX + iC, W, VelaVector(W.GetNbOfRow(), 0.0), p, lambdaW,
                                indefinite, ws.released != -1, iSolveTol, iTol) == 0) {
      Trace() << "quadratic problem cannot be solved " << velendl;
      return 0;
    }
    if (!IsFinite(p)) {
      // The infinity norm passes over NaN: a step that overflowed would
      // pass for a zero step.
      Trace() << "quadratic problem cannot be solved " << velendl;
      return 0;
    }
    if (indefinite != 0) {
      Trace() << "on active la pseudo contrainte " << ws.lastDropped << velendl;
      // No row has left yet, so none can hold the step on the curvature.
      if (ws.lastDropped == -1) return 0;
      ws.pseudo.Append(ws.lastDropped);
      ws.Activate(ws.lastDropped);
      // The ratio test skips the re-held row, so the direction, whose sign
      // is free, is turned to keep that row within its bound.
      if (RowTimes(M, ws.lastDropped, p) > 0.0) p *= -1.0;
    }
    if (p.GetNormInf(-1) >= iTol) {
      double alpha = 1.0;
      const int blocking = RatioTest(M, r, ws, ioX, p, iTol, alpha);
      ioX.Add(alpha, p.GetBuffer());
      if (indefinite == 0 && !ws.pseudo.IsEmpty() && ws.released == -1) {
        ws.released = ws.PopPseudo();
        ws.Deactivate(ws.released);
      }
      if (blocking != -1) ws.Activate(blocking);
    } else if (ws.nActive == 0) {
      oLambda = lambdaW;
      return 1;
    } else if (MultiplierTest(iLevel, iH, iC, W, map, ioX, iSolveTol, ws, oLambda)) {
      return 1;
    }
    if (++solves == kMaxSolves) return 0;
  }
}

unsigned char VelaOptimUtilities::SolveQuadraticProblem(int iLevel, const VelaSymmetricMatrix& iH,
                                                        const VelaVector& iC, const VelaMatrix& iA,
                                                        const VelaVector& iB, VelaVector& oX, VelaVector& oLambda,
                                                        double iSolveTol, double iTol) {
  using vela::optim::IsFinite;
  const int n = iH.GetOrder();
  if (iC.GetSize() != n || iA.GetNbOfCol() != n || iB.GetSize() != iA.GetNbOfRow()) return 0;
  if (!IsFinite(iH) || !IsFinite(iC) || !IsFinite(iA) || !IsFinite(iB)) return 0;
  unsigned char indefinite = 0;
  solveSaddlePointProblem(iLevel, iH, iC, iA, iB, oX, oLambda, indefinite, 0, iSolveTol, iTol);
  if (indefinite != 0) Trace() << "indefinite system" << velendl;
  // A failed solve may have left the outputs as the caller passed them.
  if (oX.GetSize() != n || oLambda.GetSize() != iA.GetNbOfRow()) return 0;
  const double primal = (iA * oX - iB).GetNormInf(-1);
  const double dual = (iH * oX - iA.MultiplyVectorLeft(oLambda) + iC).GetNormInf(-1);
  const double err = std::max(primal, dual);
  // The infinity norm passes over NaN entries, so a solve that overflowed
  // into NaN would otherwise pass the residual test.
  return iTol > err && indefinite == 0 && IsFinite(oX) && IsFinite(oLambda) ? 1 : 0;
}
