// The optimisers on small problems decoded from the input, up to 8 rows and
// 12 columns. Wild problems take any entry (NaN, infinities, zeros, huge,
// tiny, subnormal, any bit pattern); tame ones small exact numbers, feasible
// by construction (b built from a chosen start x0). Every routine must
// return; with a non-finite entry it returns 0 at once, its outputs
// untouched; a success hands out finite values only, and is checked:
// - phase one and simplex: x >= 0, at most m non-zero entries, and on tame
//   problems A x = b to 1e-9 of |b| + ‖A(i)‖₁ ‖x‖∞ (the rounding of a basis
//   inverse, on the scale of the problem; a wild basis can be as
//   ill-conditioned as 1e300 next to 1e-300 makes it);
// - interior point and its general-form front end: x >= 0 and every row
//   within the tolerance of their residual tests;
// - active set from the feasible tame x0, on a positive definite Hessian:
//   every stacked row within iTol, H x + c + Mᵀ λ = 0 with λ >= 0 on
//   inequality rows (or, with no inequality row held, H x + c = Aₑᵀ λ);
// - the equality-constrained quadratic program: its residual test, and
//   stationarity when the Hessian is positive definite.
// Diagnostics go to standard output, which the fuzzer discards unless
// VELA_FUZZ_TRACE is set.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "vela/optim/VelaOptimUtilities.h"

namespace {

using vela::fuzz::ByteChoices;
using vela::fuzz::Require;
using Values = std::vector<double>;

constexpr int kMaxRows = 8;
constexpr int kMaxCols = 12;
constexpr double kUnwritten = 8.0;  // the sentinel in outputs a rejection must not touch

double WildEntry(ByteChoices& c) {
  static const double kSpecial[] = {0.0, -0.0, 1e300, -1e300, 1e-300, 5e-324, NAN, INFINITY, -INFINITY};
  switch (c.Pick(8)) {
    case 0:
    case 1:
      return 0.0;
    case 2:
      return kSpecial[c.Pick(9)];
    case 3:
      return c.RawDouble();
    default:
      return static_cast<double>(static_cast<int>(c.Pick(41)) - 20) / 4.0;
  }
}
// Small exact numbers, zero one time in four.
double TameEntry(ByteChoices& c) {
  return c.Pick(4) == 0 ? 0.0 : static_cast<double>(static_cast<int>(c.Pick(33)) - 16) / 4.0;
}
double TameNonNegative(ByteChoices& c) { return c.Pick(3) == 0 ? 0.0 : static_cast<double>(c.Pick(17)) / 4.0; }

// A x (=, <=) b with the first nbEq rows equalities, cost c; x0 and the
// bounds are the tame problems' feasible start and its box.
struct Problem {
  int m = 0, n = 0, nbEq = 0;
  bool wild = false, finite = true;
  Values A, b, c, x0, lower, upper;
  std::vector<unsigned char> hasLower, hasUpper;
};

double Dot(const double* a, const double* b, int n) {
  double sum = 0.0;
  for (int j = 0; j < n; ++j) sum += a[j] * b[j];
  return sum;
}
double AbsDot(const double* a, const double* b, int n) {
  double sum = 0.0;
  for (int j = 0; j < n; ++j) sum += std::fabs(a[j] * b[j]);
  return sum;
}
double MaxAbs(const Values& v) {
  double m = 0.0;
  for (double x : v) m = std::max(m, std::fabs(x));
  return m;
}
bool Finite(const Values& v) {
  return std::all_of(v.begin(), v.end(), [](double x) { return std::isfinite(x); });
}

// Wild: every entry drawn as it comes. Tame: b = A x0 plus, on inequality
// rows, a non-negative slack; bounds around x0 with a non-negative slack.
Problem Decode(ByteChoices& ch, int minCols, bool nonNegativeStart) {
  Problem p;
  p.wild = ch.Chance(30);
  p.m = static_cast<int>(ch.Pick(kMaxRows + 1));
  p.n = minCols + static_cast<int>(ch.Pick(static_cast<std::size_t>(kMaxCols - minCols + 1)));
  p.nbEq = static_cast<int>(ch.Pick(static_cast<std::size_t>(p.m) + 1));
  const auto draw = [&](Values& v, int size, double (*entry)(ByteChoices&)) {
    for (int k = 0; k < size; ++k) v.push_back(entry(ch));
  };
  draw(p.A, p.m * p.n, p.wild ? WildEntry : TameEntry);
  draw(p.c, p.n, p.wild ? WildEntry : TameEntry);
  draw(p.x0, p.n, p.wild ? WildEntry : nonNegativeStart ? TameNonNegative : TameEntry);
  for (int i = 0; i < p.m; ++i) {
    p.b.push_back(p.wild ? WildEntry(ch) : Dot(p.A.data() + i * p.n, p.x0.data(), p.n));
    if (!p.wild && i >= p.nbEq) p.b.back() += TameNonNegative(ch);
  }
  for (int j = 0; j < p.n; ++j) {
    const std::size_t k = static_cast<std::size_t>(j);
    p.hasLower.push_back(static_cast<unsigned char>(ch.Pick(2)));
    p.hasUpper.push_back(static_cast<unsigned char>(ch.Pick(2)));
    p.lower.push_back(p.wild ? WildEntry(ch) : p.x0[k] - TameNonNegative(ch));
    p.upper.push_back(p.wild ? WildEntry(ch) : p.x0[k] + TameNonNegative(ch));
  }
  p.finite = Finite(p.A) && Finite(p.b) && Finite(p.c);
  return p;
}

VelaMatrix MatrixOf(const Problem& p) { return VelaMatrix(p.m, p.n, p.A.data()); }
VelaVector VectorOf(const Values& v) { return VelaVector(static_cast<int>(v.size()), v.data()); }
VelaBoolArray FlagsOf(const std::vector<unsigned char>& f) {
  VelaBoolArray flags(static_cast<int>(f.size()), 0);
  for (std::size_t j = 0; j < f.size(); ++j) flags.Set(static_cast<int>(j), f[j]);
  return flags;
}
Values Of(const VelaVector& v) { return Values(v.GetBuffer(), v.GetBuffer() + v.GetSize()); }

std::string DescribeValues(const Values& v) {
  std::string text = "[";
  char number[32];
  for (double x : v) std::snprintf(number, sizeof number, "%.17g ", x), text += number;
  return text + "]";
}

// The problem, for the failure messages.
std::string Describe(const Problem& p) {
  const auto flags = [](const std::vector<unsigned char>& f) { return DescribeValues(Values(f.begin(), f.end())); };
  return "m=" + std::to_string(p.m) + " n=" + std::to_string(p.n) + " nbEq=" + std::to_string(p.nbEq) +
         " A=" + DescribeValues(p.A) + " b=" + DescribeValues(p.b) + " c=" + DescribeValues(p.c) +
         " x0=" + DescribeValues(p.x0) + " lower=" + DescribeValues(p.lower) + " upper=" + DescribeValues(p.upper) +
         " hasLower=" + flags(p.hasLower) + " hasUpper=" + flags(p.hasUpper);
}

// A rejected call leaves the output as it was: one entry, the sentinel.
void RequireUntouched(const VelaVector& v, const std::string& what) {
  Require(v.GetSize() == 1 && v[0] == kUnwritten, what + ": a rejected call wrote its output");
}

// The stacked rows of the general routines: A, then -e_j for each flagged
// lower bound and +e_j for each flagged upper bound.
struct Stacked {
  std::vector<Values> rows;
  Values r;
};
Stacked Stack(const Problem& p) {
  Stacked s;
  for (int i = 0; i < p.m; ++i)
    s.rows.emplace_back(p.A.begin() + i * p.n, p.A.begin() + (i + 1) * p.n),
        s.r.push_back(p.b[static_cast<std::size_t>(i)]);
  for (int j = 0; j < p.n; ++j) {
    for (int side = 0; side < 2; ++side) {
      if (!(side == 0 ? p.hasLower : p.hasUpper)[static_cast<std::size_t>(j)]) continue;
      Values row(static_cast<std::size_t>(p.n), 0.0);
      row[static_cast<std::size_t>(j)] = side == 0 ? -1.0 : 1.0;
      s.rows.push_back(row),
          s.r.push_back(side == 0 ? -p.lower[static_cast<std::size_t>(j)] : p.upper[static_cast<std::size_t>(j)]);
    }
  }
  return s;
}

// Every row within tol (equalities in magnitude, the others from above),
// allowing the rounding of a sum evaluated in another order.
void RequireRows(const std::vector<Values>& rows, const Values& r, int nbEq, const Values& x, double tol,
                 const std::string& what) {
  const int n = static_cast<int>(x.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const double res = Dot(rows[i].data(), x.data(), n) - r[i];
    const double slack = tol + 1e-14 * (AbsDot(rows[i].data(), x.data(), n) + std::fabs(r[i]));
    Require((static_cast<int>(i) < nbEq ? std::fabs(res) : res) <= slack,
            what + ": row " + std::to_string(i) + " off by " + std::to_string(res) + " at " + DescribeValues(x));
  }
}

// A success never hands out NaN or infinite values.
void RequireFinite(const VelaVector& x, const VelaVector& lambda, const std::string& what) {
  Require(Finite(Of(x)) && Finite(Of(lambda)),
          what + ": a success with non-finite output " + DescribeValues(Of(x)) + " " + DescribeValues(Of(lambda)));
}

void RequireNonNegative(const Values& x, double floor, const std::string& what) {
  for (double v : x) Require(v >= floor, what + ": a negative entry");
}

// ---- Simplex ------------------------------------------------------------------------

// A basic feasible solution in the simplex's sense.
void RequireBasicFeasible(const Problem& p, const Values& x, const std::string& what) {
  Require(static_cast<int>(x.size()) == p.n, what + ": length");
  RequireNonNegative(x, 0.0, what);
  Require(std::count_if(x.begin(), x.end(), [](double v) { return v != 0.0; }) <= p.m,
          what + ": more non-zero entries than rows");
  // A basic variable that is 0 in exact arithmetic may carry the rounding
  // of the basis inverse: the rows are held to the scale of row and point.
  if (p.wild) return;
  for (int i = 0; i < p.m; ++i) {
    const double* row = p.A.data() + i * p.n;
    const double res = Dot(row, x.data(), p.n) - p.b[static_cast<std::size_t>(i)];
    const double rowNorm = AbsDot(row, Values(static_cast<std::size_t>(p.n), 1.0).data(), p.n);
    Require(std::fabs(res) <= 1e-9 * (std::fabs(p.b[static_cast<std::size_t>(i)]) + rowNorm * MaxAbs(x)),
            what + ": row " + std::to_string(i) + " off by " + std::to_string(res) + " at " + DescribeValues(x));
  }
}

void Simplex(ByteChoices& ch) {
  Problem p = Decode(ch, 0, true);
  if (p.m > p.n) {  // the simplex wants no more rows than columns
    p.m = p.n, p.b.resize(static_cast<std::size_t>(p.m)), p.A.resize(static_cast<std::size_t>(p.m * p.n));
    p.finite = Finite(p.A) && Finite(p.b) && Finite(p.c);
  }
  static const double kTols[] = {1e-9, 0.0, -1e-3, 1e-3};
  const VelaMatrix A = MatrixOf(p);
  VelaVector x(1, kUnwritten);
  const unsigned char found = A.InitializeSimplexStartPoint(x, VectorOf(p.b), kTols[ch.Pick(4)]);
  if (!Finite(p.A) || !Finite(p.b)) Require(!found, "phase one accepted a non-finite entry");
  if (!found) {
    RequireUntouched(x, "phase one");
    if (!p.wild || !ch.Chance(50)) return;
    x = VectorOf(p.x0);  // a wild start: whatever the simplex makes of it
  } else {
    RequireBasicFeasible(p, Of(x), "phase one for " + Describe(p));
  }
  const VelaVector start = x;
  const double target = ch.Chance(80) ? INFINITY : WildEntry(ch);
  const double tol = ch.Chance(80) ? 1e-10 : WildEntry(ch);
  const unsigned char optimal = A.SimplexMaximisation(x, VectorOf(p.c), VectorOf(p.b), target, tol);
  if (!p.finite || !Finite(Of(start))) Require(!optimal, "the simplex accepted a non-finite entry");
  if (!optimal) {
    Require(std::memcmp(x.GetBuffer(), start.GetBuffer(), sizeof(double) * static_cast<std::size_t>(x.GetSize())) == 0,
            "a failed simplex wrote its point");
    return;
  }
  if (found && tol >= 0.0 && std::isfinite(tol))
    RequireBasicFeasible(p, Of(x), "simplex for " + Describe(p) + " from " + DescribeValues(Of(start)));
}

// ---- Interior point -------------------------------------------------------------------

double PickTol(ByteChoices& ch) {
  static const double kTols[] = {1e-8, 1e-6, 1e-10};
  return kTols[ch.Pick(3)];
}

void InteriorPoint(ByteChoices& ch) {
  const Problem p = Decode(ch, 0, true);
  const double tol = PickTol(ch), solveTol = ch.Chance(50) ? 1e-12 : 1e-9;
  VelaVector x(1, kUnwritten), lambda(1, kUnwritten);
  const unsigned char ok = VelaOptimUtilities::InteriorPoint_Mehrotra(0, VectorOf(p.c), MatrixOf(p), VectorOf(p.b),
                                                                      p.nbEq, x, lambda, solveTol, tol);
  if (!p.finite) {
    Require(!ok, "the interior point accepted a non-finite entry");
    RequireUntouched(x, "interior point"), RequireUntouched(lambda, "interior point");
  }
  if (!ok) return;
  RequireFinite(x, lambda, "interior point for " + Describe(p));
  // The residual test reads the slack-extended rows; a slack is held to
  // the same sign test as the variables.
  Require(x.GetSize() == p.n && lambda.GetSize() == p.m, "interior point: output lengths");
  RequireNonNegative(Of(x), -1e-15, "interior point");
  std::vector<Values> rows;
  for (int i = 0; i < p.m; ++i) rows.emplace_back(p.A.begin() + i * p.n, p.A.begin() + (i + 1) * p.n);
  RequireRows(rows, p.b, p.nbEq, Of(x), tol + 1e-15, "interior point for " + Describe(p));
}

void LinearProgramming(ByteChoices& ch) {
  Problem p = Decode(ch, 0, false);
  const double tol = PickTol(ch);
  VelaVector x(1, kUnwritten), lambda(1, kUnwritten);
  const unsigned char ok = VelaOptimUtilities::SolveLinearProgramming(
      0, VectorOf(p.c), MatrixOf(p), VectorOf(p.b), p.nbEq, FlagsOf(p.hasLower), VectorOf(p.lower), FlagsOf(p.hasUpper),
      VectorOf(p.upper), x, lambda, 1e-12, tol);
  const Stacked s = Stack(p);
  if (!p.finite || !Finite(s.r)) {
    Require(!ok, "linear programming accepted a non-finite entry");
    RequireUntouched(x, "linear programming"), RequireUntouched(lambda, "linear programming");
  }
  if (!ok) return;
  RequireFinite(x, lambda, "linear programming for " + Describe(p));
  Require(x.GetSize() == p.n, "linear programming: output length");
  RequireRows(s.rows, s.r, p.nbEq, Of(x), tol, "linear programming for " + Describe(p));
}

// ---- Quadratic programming --------------------------------------------------------------

// H = Bᵀ B + δ I with B tame and δ in (0, 1]: positive definite. A wild
// problem gets a wild H instead, symmetric but of any sign.
VelaSymmetricMatrix Hessian(ByteChoices& ch, const Problem& p, bool& definite) {
  VelaSymmetricMatrix H(p.n, VelaMatrix(p.n, p.n, 0.0));
  definite = !p.wild;
  if (p.wild) {
    for (int i = 0; i < p.n; ++i)
      for (int j = 0; j <= i; ++j) H(i, j) = WildEntry(ch);
    return H;
  }
  Values B(static_cast<std::size_t>(p.n * p.n));
  for (double& v : B) v = TameEntry(ch);
  const double delta = static_cast<double>(1 + ch.Pick(4)) / 4.0;
  for (int i = 0; i < p.n; ++i) {
    for (int j = 0; j <= i; ++j) {
      double sum = i == j ? delta : 0.0;
      for (int k = 0; k < p.n; ++k)
        sum += B[static_cast<std::size_t>(k * p.n + i)] * B[static_cast<std::size_t>(k * p.n + j)];
      H(i, j) = sum;
    }
  }
  return H;
}

std::string DescribePacked(const VelaSymmetricMatrix& H) {
  std::string text = "[";
  char number[32];
  for (int k = 0; k < H.GetOrder() * (H.GetOrder() + 1) / 2; ++k)
    std::snprintf(number, sizeof number, "%.17g ", H.GetBuffer()[k]), text += number;
  return text + "] (packed lower triangle)";
}

Values Times(const VelaSymmetricMatrix& H, const Values& x) {
  const int n = H.GetOrder();
  Values y(static_cast<std::size_t>(n), 0.0);
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j)
      y[static_cast<std::size_t>(i)] += (j <= i ? H(i, j) : H(j, i)) * x[static_cast<std::size_t>(j)];
  return y;
}

// g + sign Σ λ_i row_i = 0 to a tolerance relative to the terms' size.
void RequireStationary(Values g, const std::vector<Values>& rows, const Values& lambda, double sign, double tol,
                       const std::string& what) {
  double scale = MaxAbs(g);
  for (std::size_t i = 0; i < lambda.size(); ++i) {
    for (std::size_t j = 0; j < g.size(); ++j) g[j] += sign * lambda[i] * rows[i][j];
    scale = std::max(scale, std::fabs(lambda[i]) * MaxAbs(rows[i]));
  }
  Require(MaxAbs(g) <= tol * (1.0 + scale), what + ": not stationary, residual " + std::to_string(MaxAbs(g)) +
                                                " with multipliers " + DescribeValues(lambda));
}

void ActiveSet(ByteChoices& ch) {
  const Problem p = Decode(ch, 1, false);
  bool definite = false;
  const VelaSymmetricMatrix H = Hessian(ch, p, definite);
  const double tol = PickTol(ch);
  VelaVector x = VectorOf(p.x0), lambda(1, kUnwritten);
  const Stacked s = Stack(p);
  const unsigned char ok = VelaOptimUtilities::ActiveSetMethod(
      0, H, VectorOf(p.c), MatrixOf(p), VectorOf(p.b), p.nbEq, FlagsOf(p.hasLower), VectorOf(p.lower),
      FlagsOf(p.hasUpper), VectorOf(p.upper), x, lambda, 1e-12, tol);
  const bool finiteH = Finite(Values(H.GetBuffer(), H.GetBuffer() + p.n * (p.n + 1) / 2));
  if (!p.finite || !Finite(s.r) || !Finite(p.x0) || !finiteH) {
    Require(!ok, "the active-set method accepted a non-finite entry");
    RequireUntouched(lambda, "active set");
    Require(Of(x) == p.x0 || !Finite(p.x0), "active set: a rejected call moved the start");
  }
  if (!ok) return;
  RequireFinite(x, lambda, "active set for " + Describe(p));
  if (!definite) return;
  const Values xs = Of(x), ls = Of(lambda);
  const std::string what = "active set for " + Describe(p) + " H=" + DescribePacked(H);
  RequireRows(s.rows, s.r, p.nbEq, xs, tol, what);
  Values g = Times(H, xs);
  for (int j = 0; j < p.n; ++j) g[static_cast<std::size_t>(j)] += p.c[static_cast<std::size_t>(j)];
  const double stationarity = 1e-6 * (1.0 + MaxAbs(p.x0) + MaxAbs(xs));
  // With no inequality row held the multipliers are those of the equality
  // rows, of the other sign; a problem without inequality rows holds none.
  if (ls.size() == s.rows.size() && static_cast<int>(s.rows.size()) > p.nbEq) {
    RequireStationary(g, s.rows, ls, 1.0, stationarity, what);
    for (std::size_t i = static_cast<std::size_t>(p.nbEq); i < ls.size(); ++i)
      Require(ls[i] >= 0.0, "active set: a negative multiplier on an inequality row");
  } else {
    Require(static_cast<int>(ls.size()) == p.nbEq, "active set: multiplier count");
    RequireStationary(g, s.rows, ls, -1.0, stationarity, what + " (equality rows)");
  }
}

void Quadratic(ByteChoices& ch) {
  Problem p = Decode(ch, 1, false);
  bool definite = false;
  const VelaSymmetricMatrix H = Hessian(ch, p, definite);
  const double tol = PickTol(ch);
  VelaVector x(1, kUnwritten), lambda(1, kUnwritten);
  const unsigned char ok =
      VelaOptimUtilities::SolveQuadraticProblem(0, H, VectorOf(p.c), MatrixOf(p), VectorOf(p.b), x, lambda, 1e-12, tol);
  if (!p.finite || !Finite(Values(H.GetBuffer(), H.GetBuffer() + p.n * (p.n + 1) / 2))) {
    Require(!ok, "the quadratic program accepted a non-finite entry");
    RequireUntouched(x, "quadratic program"), RequireUntouched(lambda, "quadratic program");
  }
  if (!ok) return;
  RequireFinite(x, lambda, "quadratic program for " + Describe(p) + " H=" + DescribePacked(H));
  Require(x.GetSize() == p.n && lambda.GetSize() == p.m, "quadratic program: output lengths");
  std::vector<Values> rows;
  for (int i = 0; i < p.m; ++i) rows.emplace_back(p.A.begin() + i * p.n, p.A.begin() + (i + 1) * p.n);
  RequireRows(rows, p.b, p.m, Of(x), tol, "quadratic program for " + Describe(p) + " H=" + DescribePacked(H));
  if (!definite) return;
  Values g = Times(H, Of(x));
  for (int j = 0; j < p.n; ++j) g[static_cast<std::size_t>(j)] += p.c[static_cast<std::size_t>(j)];
  RequireStationary(g, rows, Of(lambda), -1.0, 1e-6, "quadratic program");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Keeps the diagnostics when reproducing a failure.
  if (std::getenv("VELA_FUZZ_TRACE") == nullptr && std::freopen("/dev/null", "w", stdout) == nullptr) return 0;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ByteChoices c(data, size);
  switch (c.Pick(5)) {
    case 0:
      Simplex(c);
      break;
    case 1:
      InteriorPoint(c);
      break;
    case 2:
      LinearProgramming(c);
      break;
    case 3:
      ActiveSet(c);
      break;
    default:
      Quadratic(c);
      break;
  }
  return 0;
}
