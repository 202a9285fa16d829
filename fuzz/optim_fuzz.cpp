// The optimisers on problems of up to 8 rows and 12 columns decoded from the
// input: wild ones take any entry (NaN, infinities, huge, tiny, any bit
// pattern), tame ones small exact numbers, feasible by construction (b from a
// start x0). Every routine returns; non-finite input gives 0 at once with the
// outputs untouched; a success hands out finite values and meets the
// conditions the tests check (optim/OptimProblems.h): phase one and simplex
// give basic feasible solutions; the interior point and its front end meet
// their rows with x >= 0; the active set (from the tame x0, H positive
// definite) and the equality-constrained program (H definite) are feasible
// and stationary, λ >= 0 on inequality rows. Diagnostics go to standard
// output, discarded unless VELA_FUZZ_TRACE is set.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "FuzzInput.h"
#include "optim/OptimProblems.h"

namespace {

using vela::fuzz::ByteChoices;
using vela::fuzz::Require;
using vela::test::optim::CheckKkt;
using vela::test::optim::Problem;
using U = VelaOptimUtilities;
constexpr double kUnwritten = 8.0;  // the sentinel in outputs a rejection must not touch

double Wild(ByteChoices& c) {
  static const double kSpecial[] = {0.0, -0.0, 1e300, -1e300, 1e-300, 5e-324, NAN, INFINITY, -INFINITY};
  const std::size_t kind = c.Pick(8);
  if (kind < 3) return kind < 2 ? 0.0 : kSpecial[c.Pick(9)];
  return kind == 3 ? c.RawDouble() : static_cast<double>(static_cast<int>(c.Pick(41)) - 20) / 4.0;
}
// Small exact numbers, zero one time in four.
double Tame(ByteChoices& c) { return c.Pick(4) ? static_cast<double>(static_cast<int>(c.Pick(33)) - 16) / 4.0 : 0.0; }
double TameNonNegative(ByteChoices& c) { return c.Pick(3) ? static_cast<double>(c.Pick(17)) / 4.0 : 0.0; }
bool Finite(const double* v, int n) { return std::all_of(v, v + n, [](double x) { return std::isfinite(x); }); }
bool Finite(const VelaMatrix& m) { return Finite(m.GetBuffer(), m.GetSize()); }
double Tol(ByteChoices& ch) {
  const std::size_t k = ch.Pick(3);
  return k == 0 ? 1e-8 : k == 1 ? 1e-6 : 1e-10;
}

// A x (=, <=) b with the first nbEq rows equalities, cost c, bounds around
// the start x0. Tame: b = A x0 plus, on inequality rows, a non-negative
// slack; bounds around x0 with a non-negative slack.
struct Decoded {
  Problem p = vela::test::optim::Make(0, {}, {}, {}, {}, 0);
  VelaVector x0;
  int m = 0;
  bool wild = false;
  bool Finite() const { return ::Finite(p.A) && ::Finite(p.b) && ::Finite(p.c); }
  bool FiniteBounds() const {
    for (int j = 0; j < p.n; ++j)
      if ((p.hasLower[j] && !std::isfinite(p.lower[j])) || (p.hasUpper[j] && !std::isfinite(p.upper[j]))) return false;
    return true;
  }
};
Decoded Decode(ByteChoices& ch, int minCols, bool nonNegativeStart) {
  Decoded d;
  Problem& p = d.p;
  d.wild = ch.Chance(30);
  d.m = static_cast<int>(ch.Pick(9));
  p.n = minCols + static_cast<int>(ch.Pick(static_cast<std::size_t>(13 - minCols)));
  p.nbEq = static_cast<int>(ch.Pick(static_cast<std::size_t>(d.m) + 1));
  double (*entry)(ByteChoices&) = d.wild ? Wild : Tame;
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

void RequireUntouched(const VelaVector& v, const char* what) {
  Require(v.GetSize() == 1 && v[0] == kUnwritten, std::string(what) + ": a rejected call wrote its output");
}
void RequireHolds(const std::string& broken, const char* what) { Require(broken.empty(), std::string(what) + ": " + broken); }

// Non-finite input is refused, the multipliers untouched; a success hands
// out finite values. True when the call failed.
bool Refused(bool finite, unsigned char ok, const VelaVector& x, const VelaVector& lambda, const char* what) {
  if (!finite) Require(!ok, std::string(what) + " accepted a non-finite entry"), RequireUntouched(lambda, what);
  if (ok) Require(Finite(x) && Finite(lambda), std::string(what) + ": a success with non-finite output");
  return !ok;
}

// x >= 0 with at most m non-zero entries; on tame problems A x = b to the
// rounding of a basis inverse, 1e-9 of |b| + ‖A(i)‖₁ ‖x‖∞ (a wild basis can be
// as ill-conditioned as 1e300 next to 1e-300 makes it).
void RequireBasicFeasible(const Decoded& d, const VelaVector& x, const char* what) {
  const int n = d.p.n;
  Require(x.GetSize() == n && std::all_of(x.GetBuffer(), x.GetBuffer() + n, [](double v) { return v >= 0.0; }) &&
              std::count(x.GetBuffer(), x.GetBuffer() + n, 0.0) >= n - d.m,
          std::string(what) + ": not a basic feasible solution");
  for (int i = 0; i < d.m && !d.wild; ++i) {
    double res = -d.p.b[i], scale = 0.0;
    for (int j = 0; j < n; ++j) res += d.p.A(i, j) * x[j], scale += std::fabs(d.p.A(i, j));
    Require(std::fabs(res) <= 1e-9 * (std::fabs(d.p.b[i]) + scale * x.GetNormInf(-1)), std::string(what) + ": a row off");
  }
}

void Simplex(ByteChoices& ch) {
  Decoded d = Decode(ch, 0, true);
  VelaMatrix& A = d.p.A;
  VelaVector& b = d.p.b;
  if (d.m > d.p.n) d.m = d.p.n, A = VelaMatrix(d.m, d.p.n, A.GetBuffer()), b = VelaVector(d.m, b.GetBuffer());
  static const double kTols[] = {1e-9, 0.0, -1e-3, 1e-3};
  VelaVector x(1, kUnwritten);
  const unsigned char found = A.InitializeSimplexStartPoint(x, b, kTols[ch.Pick(4)]);
  Require(!found || (Finite(A) && Finite(b)), "phase one accepted a non-finite entry");
  if (found) RequireBasicFeasible(d, x, "phase one");
  if (!found) RequireUntouched(x, "phase one");
  if (!found && (!d.wild || !ch.Chance(50))) return;
  if (!found) x = d.x0;  // a wild start: whatever the simplex makes of it
  const VelaVector start = x;
  const double target = ch.Chance(80) ? INFINITY : Wild(ch);
  const double tol = ch.Chance(80) ? 1e-10 : Wild(ch);
  const unsigned char optimal = A.SimplexMaximisation(x, d.p.c, b, target, tol);
  Require(!optimal || (d.Finite() && Finite(start)), "the simplex accepted a non-finite entry");
  Require(optimal || !std::memcmp(x.GetBuffer(), start.GetBuffer(), sizeof(double) * x.GetSize()),
          "a failed simplex wrote its point");
  if (optimal && found && tol >= 0.0 && std::isfinite(tol)) RequireBasicFeasible(d, x, "simplex");
}

// The interior point on A, b with x >= 0 (its residual test reads the
// slack-extended rows, a slack held to the sign test of the variables), or
// its front end on the general form.
void InteriorPoint(ByteChoices& ch, bool general) {
  Decoded d = Decode(ch, 0, !general);
  Problem& p = d.p;
  const double tol = Tol(ch), solveTol = general || ch.Chance(50) ? 1e-12 : 1e-9;
  VelaVector x(1, kUnwritten), lambda(1, kUnwritten);
  const unsigned char ok = general ? U::SolveLinearProgramming(0, p.c, p.A, p.b, p.nbEq, p.hasLower, p.lower,
                                                               p.hasUpper, p.upper, x, lambda, solveTol, tol)
                                   : U::InteriorPoint_Mehrotra(0, p.c, p.A, p.b, p.nbEq, x, lambda, solveTol, tol);
  const bool finite = d.Finite() && (!general || d.FiniteBounds());
  if (!finite) RequireUntouched(x, "interior point");
  if (Refused(finite, ok, x, lambda, "interior point")) return;
  if (!general) {
    Require(lambda.GetSize() == d.m && std::all_of(x.GetBuffer(), x.GetBuffer() + x.GetSize(), [](double v) { return v >= -1e-15; }),
            "interior point: multipliers of another length or a negative entry");
    p.hasLower = VelaBoolArray(p.n, 1), p.hasUpper = VelaBoolArray(p.n, 0), p.lower = VelaVector(p.n, 0.0);
  }
  RequireHolds(CheckKkt(p, x, general ? tol : tol + 1e-15), "interior point");
}

// The active set from x0, or the equality-constrained program, on a tame
// H = Bᵀ B + δ I with δ in (0, 1] (positive definite), or on a wild H,
// symmetric but of any sign.
void Quadratic(ByteChoices& ch, bool activeSet) {
  Decoded d = Decode(ch, 1, false);
  Problem& p = d.p;
  for (int i = 0; i < p.n && d.wild; ++i)
    for (int j = 0; j <= i; ++j) p.H(i, j) = Wild(ch);
  if (!d.wild) {
    VelaMatrix B(p.n, p.n, 0.0), Bt;
    for (int k = 0; k < p.n * p.n; ++k) B.GetBuffer()[k] = Tame(ch);
    Bt = B, Bt.Transpose();
    p.H = VelaSymmetricMatrix(p.n, Bt * B + (static_cast<double>(1 + ch.Pick(4)) / 4.0) * VelaMatrix(p.n));
  }
  const double tol = Tol(ch);
  VelaVector x = activeSet ? d.x0 : VelaVector(1, kUnwritten), lambda(1, kUnwritten);
  const unsigned char ok = activeSet ? U::ActiveSetMethod(0, p.H, p.c, p.A, p.b, p.nbEq, p.hasLower, p.lower,
                                                          p.hasUpper, p.upper, x, lambda, 1e-12, tol)
                                     : U::SolveQuadraticProblem(0, p.H, p.c, p.A, p.b, x, lambda, 1e-12, tol);
  bool finite = d.Finite() && Finite(p.H.GetBuffer(), p.n * (p.n + 1) / 2);
  if (activeSet) finite = finite && d.FiniteBounds() && Finite(d.x0);
  if (!finite && !activeSet) RequireUntouched(x, "quadratic program");
  Require(finite || !activeSet || !std::memcmp(x.GetBuffer(), d.x0.GetBuffer(), sizeof(double) * p.n) || !Finite(d.x0),
          "active set: a rejected call moved the start");
  if (Refused(finite, ok, x, lambda, "quadratic program") || (d.wild && activeSet)) return;
  if (!activeSet) {  // every row an equality, no bounds; the residual test, and stationarity when H is definite
    Require(x.GetSize() == p.n && lambda.GetSize() == d.m, "quadratic program: output lengths");
    p.nbEq = d.m, p.hasLower = p.hasUpper = VelaBoolArray(p.n, 0);
  }
  const double stationarity = activeSet ? 1e-6 * (1.0 + d.x0.GetNormInf(-1) + x.GetNormInf(-1)) : 1e-6;
  RequireHolds(CheckKkt(p, x, tol, d.wild ? nullptr : &lambda, stationarity), activeSet ? "active set" : "quadratic program");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Keeps the diagnostics when reproducing a failure.
  if (std::getenv("VELA_FUZZ_TRACE") == nullptr && std::freopen("/dev/null", "w", stdout) == nullptr) return 0;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ByteChoices c(data, size);
  const std::size_t routine = c.Pick(5);
  if (routine == 0) Simplex(c);
  if (routine == 1 || routine == 2) InteriorPoint(c, routine == 2);
  if (routine >= 3) Quadratic(c, routine == 3);
  return 0;
}
