// Problems for the optimisers' tests and fuzzer: one form for every
// routine, a call that captures what the routine prints, and the optimality
// conditions as a text naming the first one broken.
#ifndef VELA_TESTS_OPTIM_OPTIMPROBLEMS_H
#define VELA_TESTS_OPTIM_OPTIMPROBLEMS_H

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "support/TestSupport.h"
#include "vela/optim/VelaOptimUtilities.h"

namespace vela::test::optim {

using Values = std::vector<double>;
const double kNone = std::nan("");  // in a bound list: no bound; as the expected values: anything

// min ½ xᵀHx + cᵀx over A x (=, <=) b (the first nbEq rows equalities) and
// the flagged bounds; the saddle-point solves read H, A, c, b as A, B, rhs1, rhs2.
struct Problem {
  int n, nbEq;
  VelaSymmetricMatrix H;
  VelaMatrix A;
  VelaVector c, b, lower, upper;
  VelaBoolArray hasLower, hasUpper;
  double solveTol, tol;
  unsigned char released;
};

// H packed (lower triangle by rows; empty: zero), A by rows; bound lists may be short.
inline Problem Make(int n, const Values& H, const Values& c, const Values& A, const Values& b, int nbEq,
                    Values lower = {}, Values upper = {}, double solveTol = 1e-12, unsigned char released = 0) {
  const int m = static_cast<int>(b.size());
  lower.resize(static_cast<size_t>(n), kNone), upper.resize(static_cast<size_t>(n), kNone);
  Problem q{n, nbEq, VelaSymmetricMatrix(n, H.empty() ? nullptr : H.data()),
            VelaMatrix(m, n, A.empty() ? nullptr : A.data()), VelaVector(static_cast<int>(c.size()), c.data()),
            VelaVector(m, b.data()), VelaVector(n, lower.data()), VelaVector(n, upper.data()), VelaBoolArray(n, 0),
            VelaBoolArray(n, 0), solveTol, 1e-8, released};
  for (int j = 0; j < n; ++j) q.hasLower.Set(j, !std::isnan(lower[j])), q.hasUpper.Set(j, !std::isnan(upper[j]));
  return q;
}

enum Routine { kActiveSet = 1, kQuadratic = 2, kStep = 4, kNullSpace = 8, kMehrotra = 16, kLinear = 32 };
struct Outcome { unsigned char flag, indefinite; VelaVector x, lambda; std::string out; };

// x: the active-set method's start, the prior content of the others' output;
// 9 and 8 in the outcome: not written.
inline Outcome Call(Routine fn, const Problem& q, const VelaVector& x = VelaVector(1, 7.0)) {
  using U = VelaOptimUtilities;
  Outcome r{9, 9, x, VelaVector(1, 8.0), ""};
  r.out = CaptureStdout([&] {
    if (fn == kActiveSet)
      r.flag = U::ActiveSetMethod(0, q.H, q.c, q.A, q.b, q.nbEq, q.hasLower, q.lower, q.hasUpper, q.upper, r.x,
                                  r.lambda, q.solveTol, q.tol);
    if (fn == kQuadratic) r.flag = U::SolveQuadraticProblem(0, q.H, q.c, q.A, q.b, r.x, r.lambda, q.solveTol, q.tol);
    if (fn == kStep)
      r.flag = U::solveSaddlePointProblem(0, q.H, q.c, q.A, q.b, r.x, r.lambda, r.indefinite, q.released,
                                          q.solveTol, q.tol);
    if (fn == kNullSpace)
      r.flag = U::solveSaddlePointProblemWithNullSpace(0, q.H, q.A, q.c, q.b, r.x, r.lambda, &r.indefinite,
                                                       q.released);
    if (fn == kMehrotra) r.flag = U::InteriorPoint_Mehrotra(0, q.c, q.A, q.b, q.nbEq, r.x, r.lambda, q.solveTol, q.tol);
    if (fn == kLinear)
      r.flag = U::SolveLinearProgramming(0, q.c, q.A, q.b, q.nbEq, q.hasLower, q.lower, q.hasUpper, q.upper, r.x,
                                         r.lambda, q.solveTol, q.tol);
  });
  return r;
}

// The first broken condition as a text, "" when none: every row of
// M x (=, <=) r (A, then each variable's flagged lower row -e_j and upper row
// +e_j) within tol, give or take the rounding of its terms; given
// multipliers, H x + c + Mᵀ λ = 0 within `stationarity` relative to the size
// of its terms, λ >= 0 and λ ρ = 0 within tol on inequality rows. As many
// multipliers as equality rows have the other sign (H x + c = Aₑᵀ λ).
inline std::string CheckKkt(const Problem& q, const VelaVector& x, double tol, const VelaVector* multipliers = nullptr,
                            double stationarity = 0.0) {
  VelaMatrix M = q.A;
  VelaVector r = q.b;
  for (int k = 0; k < 2 * q.n; ++k) {
    const int j = k / 2, up = k % 2;
    if ((up ? q.hasUpper : q.hasLower)[j] == 0) continue;
    M.AppendRow(nullptr), M(M.GetNbOfRow() - 1, j) = up ? 1.0 : -1.0;
    r.Append(up ? q.upper[j] : -q.lower[j]);
  }
  const int m = M.GetNbOfRow();
  VelaVector rho = r * -1.0;
  for (int i = 0; i < m && x.GetSize() == q.n; ++i) {
    double size = std::fabs(r[i]);
    for (int j = 0; j < q.n; ++j) rho[i] += M(i, j) * x[j], size += std::fabs(M(i, j) * x[j]);
    if ((i < q.nbEq ? std::fabs(rho[i]) : rho[i]) > tol + 1e-14 * size) return "row " + std::to_string(i) + " not met";
  }
  if (x.GetSize() != q.n) return "x of another length";
  if (multipliers == nullptr) return "";
  VelaVector lambda = *multipliers, g = q.H * x + q.c;
  if (lambda.GetSize() != m && lambda.GetSize() != q.nbEq) return "multipliers of another length";
  if (lambda.GetSize() == q.nbEq) lambda *= -1.0;
  while (lambda.GetSize() < m) lambda.Append(0.0);
  double scale = g.GetNormInf(-1);
  for (int i = 0; i < m; ++i) scale = std::max(scale, std::fabs(lambda[i]) * M.GetNormInf(i));
  if ((g + M.MultiplyVectorLeft(lambda)).GetNormInf(-1) > (stationarity ? stationarity : tol) * (1.0 + scale))
    return "not stationary";
  for (int i = q.nbEq; i < m; ++i)
    if (!(lambda[i] >= 0.0 && std::fabs(lambda[i] * rho[i]) <= tol * (1.0 + std::fabs(lambda[i]))))
      return "multiplier " + std::to_string(i) + " negative or not complementary";
  return "";
}

}  // namespace vela::test::optim

#endif  // VELA_TESTS_OPTIM_OPTIMPROBLEMS_H
