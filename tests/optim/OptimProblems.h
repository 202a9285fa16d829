// Problems for the optimisers' tests and fuzzer: one form for every routine,
// a call capturing what it prints, the optimality conditions, and random
// problems drawn from choices (a fixed seed, or the fuzzer's input bytes).
#ifndef VELA_TESTS_OPTIM_OPTIMPROBLEMS_H
#define VELA_TESTS_OPTIM_OPTIMPROBLEMS_H

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "support/Choices.h"
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

inline bool Finite(const double* v, int n) { return std::all_of(v, v + n, [](double x) { return std::isfinite(x); }); }
inline bool Finite(const VelaMatrix& m) { return Finite(m.GetBuffer(), m.GetSize()); }

// Any entry (NaN, infinities, huge, tiny, any bit pattern), or a small exact
// one (zero one time in four), or a small exact one not below 0.
inline double Wild(Choices& c) {
  static const double kSpecial[] = {0.0, -0.0, 1e300, -1e300, 1e-300, 5e-324, NAN, INFINITY, -INFINITY};
  const std::size_t kind = c.Pick(8);
  if (kind != 3) return kind < 2 ? 0.0 : kind == 2 ? kSpecial[c.Pick(9)] : (static_cast<int>(c.Pick(41)) - 20) / 4.0;
  const std::uint64_t bits = c.Bits64();
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}
inline double Tame(Choices& c) { return c.Pick(4) ? (static_cast<int>(c.Pick(33)) - 16) / 4.0 : 0.0; }
inline double TameNonNegative(Choices& c) { return c.Pick(3) ? static_cast<double>(c.Pick(17)) / 4.0 : 0.0; }

// Up to 8 rows and 12 columns. Wild: any entries. Tame: small exact entries,
// feasible by construction: b = A x0 plus, on inequality rows, a slack >= 0;
// bounds around x0 with slacks >= 0.
struct Drawn {
  Problem p = Make(0, {}, {}, {}, {}, 0);
  VelaVector x0;
  int m = 0;
  bool wild = false;
  bool Finite(bool bounds) const {  // A, b, c, and the flagged bounds
    for (int j = 0; j < p.n && bounds; ++j)
      if ((p.hasLower[j] && !std::isfinite(p.lower[j])) || (p.hasUpper[j] && !std::isfinite(p.upper[j]))) return false;
    return optim::Finite(p.A) && optim::Finite(p.b) && optim::Finite(p.c);
  }
};
inline Drawn Draw(Choices& ch, int minCols, bool nonNegativeStart) {
  Drawn d;
  Problem& p = d.p;
  d.wild = ch.Chance(30);
  d.m = static_cast<int>(ch.Pick(9));
  p.n = minCols + static_cast<int>(ch.Pick(static_cast<std::size_t>(13 - minCols)));
  p.nbEq = static_cast<int>(ch.Pick(static_cast<std::size_t>(d.m) + 1));
  double (*entry)(Choices&) = d.wild ? Wild : Tame;
  p.A = VelaMatrix(d.m, p.n, 0.0), p.c = VelaVector(p.n, 0.0), d.x0 = p.c, p.b = VelaVector(d.m, 0.0);
  for (int k = 0; k < d.m * p.n; ++k) p.A.GetBuffer()[k] = entry(ch);
  for (int j = 0; j < p.n; ++j) p.c[j] = entry(ch);
  for (int j = 0; j < p.n; ++j) d.x0[j] = d.wild ? Wild(ch) : nonNegativeStart ? TameNonNegative(ch) : Tame(ch);
  for (int i = 0; i < d.m; ++i) {
    for (int j = 0; j < p.n && !d.wild; ++j) p.b[i] += p.A(i, j) * d.x0[j];
    p.b[i] = d.wild ? Wild(ch) : p.b[i] + (i >= p.nbEq ? TameNonNegative(ch) : 0.0);
  }
  p.hasLower = p.hasUpper = VelaBoolArray(p.n, 0), p.lower = p.upper = d.x0;
  for (int j = 0; j < p.n; ++j) {
    p.hasLower.Set(j, static_cast<unsigned char>(ch.Pick(2)));
    p.hasUpper.Set(j, static_cast<unsigned char>(ch.Pick(2)));
    p.lower[j] = d.wild ? Wild(ch) : d.x0[j] - TameNonNegative(ch);
    p.upper[j] = d.wild ? Wild(ch) : d.x0[j] + TameNonNegative(ch);
  }
  p.H = VelaSymmetricMatrix(p.n, VelaMatrix(p.n, p.n, 0.0));
  return d;
}

// A random problem through kMehrotra, kLinear, kActiveSet or kQuadratic, ""
// or the first broken promise: non-finite input, or (one time in eight) input
// of the wrong size, gives 0 with the outputs untouched; a success gives
// finite values meeting CheckKkt: the rows (x >= 0 for the interior point),
// and for the active set (from the tame x0, H = Bᵀ B + δ I) and the
// equality-constrained program stationarity and λ >= 0. `solved` (may be
// null) counts the tame problems solved.
inline std::string CheckRandom(Choices& ch, Routine routine, int* solved = nullptr) {
  const bool linear = routine == kMehrotra || routine == kLinear, bounds = routine == kLinear || routine == kActiveSet;
  Drawn d = Draw(ch, linear ? 0 : 1, routine == kMehrotra);
  Problem& p = d.p;
  for (int i = 0; i < p.n && d.wild && !linear; ++i)
    for (int j = 0; j <= i; ++j) p.H(i, j) = Wild(ch);
  if (!d.wild && !linear) {
    VelaMatrix B(p.n, p.n, 0.0), Bt;
    for (int k = 0; k < p.n * p.n; ++k) B.GetBuffer()[k] = Tame(ch);
    Bt = B, Bt.Transpose();
    p.H = VelaSymmetricMatrix(p.n, Bt * B + (static_cast<double>(1 + ch.Pick(4)) / 4.0) * VelaMatrix(p.n));
  }
  p.tol = std::array<double, 3>{1e-8, 1e-6, 1e-10}[ch.Pick(3)];
  p.solveTol = routine != kMehrotra || ch.Chance(50) ? 1e-12 : 1e-9;
  const bool finite = d.Finite(bounds) && Finite(p.H.GetBuffer(), p.n * (p.n + 1) / 2) &&
                      (routine != kActiveSet || Finite(d.x0));
  const std::size_t spoil = ch.Pick(8) == 7 ? 1 + ch.Pick(7) : 0;
  if (spoil == 1) p.c = VelaVector(p.n + 1, 0.0);
  if (spoil == 2) p.b = VelaVector(d.m + 1, 0.0);
  if (spoil == 3) p.A = VelaMatrix(d.m, p.n + 1, 0.0);
  if (spoil == 4) p.H = VelaSymmetricMatrix(p.n + 1, VelaMatrix(p.n + 1));
  if (spoil == 5) p.nbEq = ch.Chance(50) ? -1 : d.m + 1;
  if (spoil == 6) p.hasUpper = VelaBoolArray(p.n + 1, 0);
  if (spoil == 7) p.upper = VelaVector(p.n + 1, 0.0);
  const bool refused = !finite || spoil == 1 || spoil == 2 || (spoil == 3 && d.m > 0) || (spoil == 4 && !linear) ||
                       (spoil == 5 && routine != kQuadratic) || (spoil > 5 && bounds);
  const VelaVector start = routine == kActiveSet ? d.x0 : VelaVector(1, 7.0);
  const Outcome r = Call(routine, p, start);
  const VelaVector& x = r.x;
  const bool untouched = r.lambda.GetSize() == 1 && r.lambda[0] == 8.0 && x.GetSize() == start.GetSize() &&
                         !std::memcmp(x.GetBuffer(), start.GetBuffer(), sizeof(double) * x.GetSize());
  if (refused && (r.flag || !untouched)) return "a non-finite or ill-sized problem accepted, or its outputs written";
  if (spoil || !r.flag) return "";
  if (!Finite(x) || !Finite(r.lambda)) return "a success with non-finite output";
  if (d.wild && routine == kActiveSet) return "";
  if (!d.wild && solved != nullptr) ++*solved;
  if (routine == kMehrotra) {
    if (r.lambda.GetSize() != d.m || !(x > -1e-15)) return "multipliers of another length or a negative entry";
    p.hasLower = VelaBoolArray(p.n, 1), p.hasUpper = VelaBoolArray(p.n, 0), p.lower = VelaVector(p.n, 0.0);
  }
  if (routine == kQuadratic) {  // every row an equality, no bounds
    if (x.GetSize() != p.n || r.lambda.GetSize() != d.m) return "output lengths";
    p.nbEq = d.m, p.hasLower = p.hasUpper = VelaBoolArray(p.n, 0);
  }
  const double stationarity = routine == kActiveSet ? 1e-6 * (1.0 + d.x0.GetNormInf(-1) + x.GetNormInf(-1)) : 1e-6;
  return CheckKkt(p, x, routine == kMehrotra ? p.tol + 1e-15 : p.tol,
                  d.wild || linear ? nullptr : &r.lambda, stationarity);
}

}  // namespace vela::test::optim

#endif  // VELA_TESTS_OPTIM_OPTIMPROBLEMS_H
