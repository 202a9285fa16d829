// Mehrotra's predictor-corrector interior-point method for
//   minimise cᵀx  subject to  A(i) x = b(i) for i < nbEq,
//                             A(i) x <= b(i) for i >= nbEq,  x >= 0.
//
// Every inequality row gets a slack variable of cost 1.0 (not 0), and the
// iterations run on the equality form  Ā x = b, x >= 0  with N = n + nIn
// variables and the cost c̄ = (c, 1, ..., 1):
//
//            n      nIn
//   Ā = [    A   |   0   ]  nbEq rows
//       [        |   I   ]  nIn rows
//
// Start: least-squares estimates through G = Ā Āᵀ (dual y from G y = Ā c̄,
// primal x̃ = Āᵀ G⁻¹ b), shifted into the positive orthant. Two degenerate
// starts are repaired by a cosine perturbation (0.001 cos(i), i in radians)
// of the right-hand side (b = 0) or of the cost.
//
// Each Newton system is the saddle-point system
//   [ D  Āᵀ ] [Δx]   [rhs1]
//   [ Ā  0  ] [Δλ] = [-r_p],   D = diag(-s(i) / x(i)),
// solved by the null-space method; Δs = -(Āᵀ Δλ + r_d) follows from it.
// Predictor (affine direction), centring σ = (gap_affine / gap)³ with the
// target σ·gap (the total gap, not divided by N), corrector with the
// second-order term Δx_a Δs_a, then a step of 0.95 of the distance to the
// boundary, separately for the primal and the dual variables.
//
// Stopping test: primal and dual residuals below the tolerance and
// sqrt(|Δxᵀ Δs|) / N below it. On feasible iterates Δxᵀ Δs vanishes
// (Ā Δx = 0, Δs = -Āᵀ Δλ), so the test does not measure the duality gap: a
// success is a feasible point, not necessarily an optimal one.
//
// Fixed thresholds: 1e-15 separates zero from positive in the start shifts
// and the sign tests of the iterates; 1e-8 is the residual tolerance of the
// start's normal equations. At most 100 iterations.
#include <algorithm>
#include <cmath>

#include "optim/OptimShared.h"
#include "vela/optim/VelaOptimUtilities.h"

namespace {

using vela::optim::Trace;

constexpr double kTiny = 1e-15;
constexpr double kPerturbation = 0.001;
constexpr double kStepFraction = 0.95;
constexpr int kMaxIterations = 100;

// The equality form the iterations run on.
struct ExtendedProblem {
  VelaMatrix A;   // Ā = [A S], m x N
  VelaMatrix At;  // Āᵀ, N x m
  VelaVector c;   // c̄ = (c, 1, ..., 1), N entries
  VelaMatrix G;   // Ā Āᵀ, m x m
  int N() const { return A.GetNbOfCol(); }
  int m() const { return A.GetNbOfRow(); }
};

// The iterate: primal x and dual slacks s (N entries each), multipliers λ
// (m entries), with Āᵀ λ + s = c̄ at dual feasibility.
struct PrimalDual {
  VelaVector x;
  VelaVector s;
  VelaVector lambda;
};

enum class Outcome {
  kConverged,
  kFailed,   // saddle-point failure or iteration limit: outputs and dump
  kAborted,  // an iterate left the non-negative orthant: nothing written
};

bool ValidInput(const VelaVector& c, const VelaMatrix& A, const VelaVector& b, int nbEq) {
  const int m = A.GetNbOfRow();
  const int n = A.GetNbOfCol();
  if (c.GetSize() != n || b.GetSize() != m || nbEq < 0 || nbEq > m) return false;
  if (n + m - nbEq == 0) return false;  // no variable at all
  return vela::optim::IsFinite(c) && vela::optim::IsFinite(A) && vela::optim::IsFinite(b);
}

ExtendedProblem Extend(const VelaVector& c, const VelaMatrix& A, int nbEq) {
  const int m = A.GetNbOfRow();
  const int n = A.GetNbOfCol();
  const int nIn = m - nbEq;
  ExtendedProblem e;
  e.A = VelaMatrix(m, n + nIn, 0.0);
  for (int i = 0; i < m; ++i) {
    for (int j = 0; j < n; ++j) e.A(i, j) = A(i, j);
  }
  for (int k = 0; k < nIn; ++k) e.A(nbEq + k, n + k) = 1.0;
  e.c = VelaVector(n + nIn, 1.0);
  for (int j = 0; j < n; ++j) e.c[j] = c[j];
  e.At = e.A;
  e.At.Transpose();
  e.G = e.A * e.At;
  return e;
}

// Minimum-norm solution of G y = rhs.
VelaVector SolveNormal(int level, const VelaMatrix& G, const VelaVector& rhs, double tol) {
  VelaVector y(G.GetNbOfCol(), 0.0);
  G.SolveGaussJordan(static_cast<unsigned int>(level), rhs.GetBuffer(), y.GetBuffer(), 1, nullptr, nullptr, tol);
  return y;
}

double NormInf(const VelaVector& v) { return VelaMatrix::NormInf(v.GetSize(), v.GetBuffer()); }

double Dot(const VelaVector& a, const VelaVector& b) {
  return VelaVector::ScalarProduct(a.GetSize(), a.GetBuffer(), b.GetBuffer());
}

// Running minimum from entry 0 (the vector is not empty).
double MinEntry(const VelaVector& v) {
  double least = v[0];
  for (int i = 1; i < v.GetSize(); ++i) {
    if (v[i] < least) least = v[i];
  }
  return least;
}

// The shift that moves a vector of minimum `least` into the closed orthant
// with margin: 1.5 times the deficit.
double Shift(double least) { return std::max(-1.5 * least, 0.0); }

VelaVector CosinePerturbation(int n) {
  VelaVector rho(n, 0.0);
  for (int i = 0; i < n; ++i) rho[i] = kPerturbation * std::cos(static_cast<double>(i));
  return rho;
}

double PrimalResidualNorm(const ExtendedProblem& e, const VelaVector& x, const VelaVector& b) {
  return NormInf(e.A * x - b);
}

double DualResidualNorm(const ExtendedProblem& e, const PrimalDual& p) {
  return NormInf(e.At * p.lambda + p.s - e.c);
}

bool HasNegativeEntry(const VelaVector& v) {
  for (int i = 0; i < v.GetSize(); ++i) {
    if (v[i] < -kTiny) return true;
  }
  return false;
}

bool OutsideOrthant(const PrimalDual& p) {
  return HasNegativeEntry(p.x) || HasNegativeEntry(p.s) || Dot(p.x, p.s) <= -kTiny;
}

// The unshifted estimates of the start and their shifts.
struct StartEstimate {
  VelaVector x;  // x̃
  VelaVector s;  // s̃
  VelaVector y;
  double dx = 0.0;  // δx
  double ds = 0.0;  // δs
};

// x̃ non-negative with a zero entry while s̃ has a negative one: only b = 0
// is repaired, by starting from a perturbed right-hand side.
bool RepairPrimal(int level, const ExtendedProblem& e, const VelaVector& b, double solveTol, StartEstimate& est) {
  if (NormInf(b) >= kTiny) return false;
  est.x = e.At * SolveNormal(level, e.G, CosinePerturbation(e.m()), solveTol);
  est.dx = Shift(MinEntry(est.x));
  return est.dx > kTiny;
}

// s̃ non-negative with a zero entry while x̃ has a negative one: the dual
// estimate is taken from a perturbed cost (for the start only).
bool RepairDual(int level, const ExtendedProblem& e, double solveTol, StartEstimate& est) {
  const VelaVector cTilde = e.c + CosinePerturbation(e.N());
  est.y = SolveNormal(level, e.G, e.A * cTilde, solveTol);
  est.s = cTilde - e.At * est.y;
  est.ds = Shift(MinEntry(est.s));
  return est.ds > kTiny;
}

// The least-squares estimates; false (after dumping the normal equations)
// when the dual estimate does not solve them.
bool Estimate(int level, const ExtendedProblem& e, const VelaVector& b, double solveTol, StartEstimate& est) {
  const VelaVector g = e.A * e.c;
  est.y = SolveNormal(level, e.G, g, solveTol);
  if (NormInf(e.G * est.y - g) > vela::optim::kResidualTolerance) {
    e.G.ScilabDump("AAt", &Trace());
    g.ScilabDump("rhs_init", &Trace());
    return false;
  }
  est.s = e.c - e.At * est.y;
  est.x = e.At * SolveNormal(level, e.G, b, solveTol);
  return true;
}

bool StartPoint(int level, const ExtendedProblem& e, const VelaVector& b, double solveTol, PrimalDual& p) {
  StartEstimate est;
  if (!Estimate(level, e, b, solveTol, est)) return false;
  const double mx = MinEntry(est.x);
  const double ms = MinEntry(est.s);
  est.dx = Shift(mx);
  est.ds = Shift(ms);
  if (std::fabs(est.dx) < kTiny && est.ds > kTiny) {
    if (!(mx >= kTiny) && !RepairPrimal(level, e, b, solveTol, est)) return false;
  } else if (std::fabs(est.ds) < kTiny && est.dx > kTiny && ms < kTiny) {
    if (!RepairDual(level, e, solveTol, est)) return false;
  }
  const int N = e.N();
  double P = 0.0;
  double Sx = 0.0;
  double Ss = 0.0;
  for (int i = 0; i < N; ++i) P += (est.x[i] + est.dx) * (est.s[i] + est.ds);
  for (int i = 0; i < N; ++i) Sx += est.x[i];
  for (int i = 0; i < N; ++i) Ss += est.s[i];
  // With x̃ >= 0 and s̃ = 0 (a cost in the row space of Ā) both P and the
  // denominator of dxHat vanish: the start becomes NaN and the first Newton
  // solve fails. Left so, like every step here, for recorded runs to replay.
  const double dxHat = est.dx + 0.5 * P / (N * est.ds + Ss);
  const double dsHat = est.ds + 0.5 * P / (N * est.dx + Sx);
  p.x = est.x;
  p.s = est.s;
  for (int i = 0; i < N; ++i) p.x[i] += dxHat;
  for (int i = 0; i < N; ++i) p.s[i] += dsHat;
  p.lambda = est.y;
  return true;
}

void WriteConvergence(int iterations, double rd, double rp) {
  VelaStream& trace = Trace();
  trace << " Mehrotra interior point converges in " << iterations << " iterations. " << velendl;
  trace << " dual error " << velsetprecision(15) << rd << " primal error " << rp << velendl;
}

// One Newton system. Δx and Δλ start at zero, so that no values of an
// earlier iteration survive a solve that leaves them unwritten.
bool SolveNewton(int level, const VelaSymmetricMatrix& D, const ExtendedProblem& e, const VelaVector& rhs1,
                 const VelaVector& rhs2, VelaVector& dx, VelaVector& dLambda) {
  dx = VelaVector(e.N(), 0.0);
  dLambda = VelaVector(e.m(), 0.0);
  if (VelaOptimUtilities::solveSaddlePointProblemWithNullSpace(level, D, e.A, rhs1, rhs2, dx, dLambda, nullptr, 0)) {
    return true;
  }
  Trace() << "Saddle point problem cannot be solved " << velendl;
  return false;
}

// Δs = -(Āᵀ Δλ + r_d).
VelaVector DualSlackStep(const ExtendedProblem& e, const VelaVector& dLambda, const VelaVector& rd) {
  VelaVector ds = e.At * dLambda + rd;
  ds *= -1.0;
  return ds;
}

// A search direction with the dual-slack part derived from it.
struct Direction {
  VelaVector dx;
  VelaVector dLambda;
  VelaVector ds;
};

// The Newton residuals of the current iterate.
struct Residuals {
  VelaVector rp;  // Ā x - b
  VelaVector rd;  // Āᵀ λ + s - c̄
};

// σ·gap: the centring target, from the gap an affine step would leave.
double CentringTarget(const PrimalDual& p, const Direction& affine) {
  double alphaP = 1.0;
  double alphaD = 1.0;
  VelaOptimUtilities::computeMaxStep(p.x, affine.dx, alphaP);
  VelaOptimUtilities::computeMaxStep(p.s, affine.ds, alphaD);
  const double gap = Dot(p.x, p.s);
  VelaVector x = p.x;
  VelaVector s = p.s;
  x.Add(alphaP, affine.dx.GetBuffer());
  s.Add(alphaD, affine.ds.GetBuffer());
  const double ratio = Dot(x, s) / gap;
  const double sigma = ratio * ratio * ratio;
  return sigma * gap;
}

// s - r_d - σ·gap·X⁻¹e + Δx_a Δs_a / x.
VelaVector CorrectorRhs(const PrimalDual& p, const Residuals& r, const Direction& affine, double target) {
  VelaVector rhs(p.x.GetSize(), 0.0);
  for (int i = 0; i < rhs.GetSize(); ++i) {
    const double q = affine.dx[i] * affine.ds[i] / p.x[i];
    rhs[i] = p.s[i] - r.rd[i] - target * (1.0 / p.x[i]) + q;
  }
  return rhs;
}

// Moves along the direction (0.95 of the way to the boundary, primal and
// dual separately) and returns the new residual norms.
void TakeStep(const ExtendedProblem& e, const VelaVector& b, const Direction& d, PrimalDual& p, double& rp,
              double& rd) {
  double alphaP = 1.0;
  double alphaD = 1.0;
  VelaOptimUtilities::computeMaxStep(p.x, d.dx, alphaP);
  VelaOptimUtilities::computeMaxStep(p.s, d.ds, alphaD);
  alphaP = std::min(kStepFraction * alphaP, 1.0);
  alphaD = std::min(kStepFraction * alphaD, 1.0);
  p.x.Add(alphaP, d.dx.GetBuffer());
  rp = PrimalResidualNorm(e, p.x, b);
  p.lambda.Add(alphaD, d.dLambda.GetBuffer());
  p.s.Add(alphaD, d.ds.GetBuffer());
  rd = DualResidualNorm(e, p);
}

Outcome Iterate(int level, const ExtendedProblem& e, const VelaVector& b, double tol, PrimalDual& p) {
  const int N = e.N();
  VelaSymmetricMatrix D(N, nullptr);
  for (int k = 0; k < kMaxIterations; ++k) {
    const Residuals r{e.A * p.x - b, e.At * p.lambda + p.s - e.c};
    for (int i = 0; i < N; ++i) D(i, i) = -p.s[i] / p.x[i];
    const VelaVector rhs2 = r.rp * -1.0;
    Direction affine;
    if (!SolveNewton(level, D, e, p.s - r.rd, rhs2, affine.dx, affine.dLambda)) return Outcome::kFailed;
    affine.ds = DualSlackStep(e, affine.dLambda, r.rd);
    const double target = CentringTarget(p, affine);
    Direction d;
    if (!SolveNewton(level, D, e, CorrectorRhs(p, r, affine, target), rhs2, d.dx, d.dLambda)) {
      return Outcome::kFailed;
    }
    d.ds = DualSlackStep(e, d.dLambda, r.rd);
    double rp = 0.0;
    double rd = 0.0;
    TakeStep(e, b, d, p, rp, rd);
    if (OutsideOrthant(p)) return Outcome::kAborted;
    if (rd < tol && std::sqrt(std::fabs(Dot(d.dx, d.ds))) / N < tol && rp < tol) {
      WriteConvergence(k + 1, rd, rp);
      return Outcome::kConverged;
    }
  }
  return Outcome::kFailed;
}

// oX: the original variables; oLambda = -λ.
void WriteOutputs(int n, const PrimalDual& p, VelaVector& oX, VelaVector& oLambda) {
  oX = VelaVector(n, p.x.GetBuffer());
  oLambda = p.lambda * -1.0;
}

// The failing problem as a call of the external script.
void DumpProblem(const VelaMatrix& A, const VelaVector& b, const VelaVector& c, int nbEq) {
  VelaStream& trace = Trace();
  A.ScilabDump("A", &trace);
  b.ScilabDump("B", &trace);
  c.ScilabDump("c", &trace);
  trace << "karmarkar(A,B,c," << nbEq << ")" << velendl;
}

}  // namespace

unsigned char VelaOptimUtilities::InteriorPoint_Mehrotra(int iLevel, const VelaVector& iC, const VelaMatrix& iA,
                                                         const VelaVector& iB, int iNbEq, VelaVector& oX,
                                                         VelaVector& oLambda, double iSolveTol, double iTol) {
  if (!ValidInput(iC, iA, iB, iNbEq)) return 0;
  const ExtendedProblem e = Extend(iC, iA, iNbEq);
  PrimalDual p;
  if (!StartPoint(iLevel, e, iB, iSolveTol, p)) return 0;
  const double rp = PrimalResidualNorm(e, p.x, iB);
  const double rd = DualResidualNorm(e, p);
  const double gap = Dot(p.x, p.s);
  if (rd < iTol && gap < iTol && gap >= -kTiny && rp < iTol) {
    WriteConvergence(0, rd, rp);
    WriteOutputs(iA.GetNbOfCol(), p, oX, oLambda);
    return 1;
  }
  if (OutsideOrthant(p)) return 0;
  const Outcome outcome = Iterate(iLevel, e, iB, iTol, p);
  if (outcome == Outcome::kAborted) return 0;
  WriteOutputs(iA.GetNbOfCol(), p, oX, oLambda);
  if (outcome == Outcome::kConverged) return 1;
  DumpProblem(iA, iB, iC, iNbEq);
  return 0;
}
