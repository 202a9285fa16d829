#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "support/AfiroLp.h"
#include "support/TestSupport.h"
#include "vela/optim/VelaOptimUtilities.h"

namespace {

using Values = std::vector<double>;
const double kNaN = std::nan(""), kNone = kNaN;  // kNone in a bound list: no bound (a NaN entry, to be ignored)

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
Problem Make(int n, const Values& H, const Values& c, const Values& A, const Values& b, int nbEq, Values lower = {},
             Values upper = {}, double solveTol = 1e-12, unsigned char released = 0) {
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

// x: the active-set method's start, the prior content of the others' output.
Outcome Call(Routine fn, const Problem& q, const VelaVector& x = VelaVector(1, 7.0)) {
  using U = VelaOptimUtilities;
  Outcome r{9, 9, x, VelaVector(1, 8.0), ""};  // 9 and 8: not written
  r.out = vela::test::CaptureStdout([&] {
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

Values Of(const VelaMatrix& m) { return Values(m.GetBuffer(), m.GetBuffer() + m.GetSize()); }

// To tol; a lone kNone expects anything.
void ExpectValues(const VelaVector& v, const Values& expected, double tol) {
  if (expected.size() == 1 && std::isnan(expected[0])) return;
  ASSERT_EQ(v.GetSize(), static_cast<int>(expected.size()));
  for (int i = 0; i < v.GetSize(); ++i) EXPECT_NEAR(v[i], expected[static_cast<size_t>(i)], tol) << i;
}

// The stacked rows M x (=, <=) r: A, then each variable's flagged lower
// (-e_j) and upper (+e_j) rows.
VelaMatrix Stacked(const Problem& q, VelaVector& r) {
  VelaMatrix M = q.A;
  r = q.b;
  for (int k = 0; k < 2 * q.n; ++k) {
    const int j = k / 2, up = k % 2;
    if ((up ? q.hasUpper : q.hasLower)[j] == 0) continue;
    M.AppendRow(Values(static_cast<size_t>(q.n), 0.0).data());
    M(M.GetNbOfRow() - 1, j) = up ? 1.0 : -1.0;
    r.Append(up ? q.upper[j] : -q.lower[j]);
  }
  return M;
}

// Every stacked row met to tol; given multipliers, also H x + c + Mᵀ λ = 0, λ >= 0
// and complementary on inequality rows (none held: H x + c = Aₑᵀ λ).
void ExpectKkt(const Problem& q, const VelaVector& x, double tol, const VelaVector* multipliers = nullptr) {
  VelaVector r;
  const VelaMatrix M = Stacked(q, r);
  const VelaVector rho = M * x - r;
  for (int i = 0; i < rho.GetSize(); ++i) EXPECT_LT(i < q.nbEq ? std::fabs(rho[i]) : rho[i], tol) << i;
  if (multipliers == nullptr) return;
  VelaVector lambda = *multipliers;
  if (lambda.GetSize() == q.nbEq) lambda *= -1.0;
  while (lambda.GetSize() < M.GetNbOfRow()) lambda.Append(0.0);
  EXPECT_LT((q.H * x + q.c + M.MultiplyVectorLeft(lambda)).GetNormInf(-1), tol);
  for (int i = q.nbEq; i < M.GetNbOfRow(); ++i) EXPECT_TRUE(lambda[i] >= 0 && std::fabs(lambda[i] * rho[i]) < tol) << i;
}

VelaMatrix Random(int rows, int cols, std::mt19937& rng) {
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  VelaMatrix M(rows, cols, 0.0);
  for (int k = 0; k < M.GetSize(); ++k) M.GetBuffer()[k] = u(rng);
  return M;
}
VelaMatrix Transposed(VelaMatrix M) {
  M.Transpose();
  return M;
}

// Fixed problems on every routine: x and lambda to 1e-9, texts byte for
// byte; the active-set method's successes also meet its KKT conditions.
TEST(VelaOptimUtilities, KnownOutcomes) {
  const Values curved = {1, 0, -1, 0, 0, 1};  // with B = (1 0 0): Zᵀ A Z = diag(-1, 1)
  const std::string failed = "Saddle point problem cannot be solved \n";
  struct Case { const char* what; Routine routine; Problem q; Values start; unsigned char flag, indefinite;
                Values x, lambda; std::string text; };
  const Case cases[] = {
      // Hock-Schittkowski problems and their published optima.
      {"HS21", kActiveSet, Make(2, {0.02, 0, 2}, {0, 0}, {-10, 1}, {-10}, 0, {2, -50}, {50, 50}), {10, 5}, 1, 9,
       {2, 0}, {kNone}, ""},
      {"HS35", kActiveSet, Make(3, {4, 2, 4, 2, 0, 2}, {-8, -6, -4}, {1, 1, 2}, {3}, 0, {0, 0, 0}),
       {0.5, 0.5, 0.5}, 1, 9, {4.0 / 3, 7.0 / 9, 4.0 / 9}, {kNone}, ""},
      {"HS76", kActiveSet,
       Make(4, {2, 0, 1, -1, 0, 2, 0, 0, 1, 1}, {-1, -3, 1, -1}, {1, 2, 1, 1, 3, 1, 2, -1, 0, -1, -4, 0}, {5, 4, -1.5},
            0, {0, 0, 0, 0}),
       {0.5, 0.5, 0.5, 0.5}, 1, 9, {3.0 / 11, 23.0 / 11, 0, 6.0 / 11}, {kNone}, ""},
      {"HS51", kActiveSet,
       Make(5, {2, -2, 4, 0, 2, 2, 0, 0, 0, 2, 0, 0, 0, 0, 2}, {0, -4, -4, -2, -2},
            {1, 3, 0, 0, 0, 0, 0, 1, 1, -2, 0, 1, 0, 0, -1}, {4, 0, 0}, 3),
       {2.5, 0.5, 2, -1, 0.5}, 1, 9, {1, 1, 1, 1, 1}, {kNone}, ""},
      {"HS28", kQuadratic, Make(3, {2, 2, 4, 0, 2, 2}, {0, 0, 0}, {1, 2, 3}, {1}, 1), {7}, 1, 9,
       {0.5, -0.5, 0.5}, {0}, ""},
      // Equality multipliers only; a bound leaves; equal ratios; a ratio of 1.
      {"interior", kActiveSet, Make(2, {1, 0, 1}, {-1, -3}, {1, -1, 1, 1}, {0, 10}, 1), {0, 0}, 1, 9, {2, 2}, {1},
       ""},
      {"leaving bound", kActiveSet, Make(1, {1}, {-1}, {}, {}, 0, {0}), {0}, 1, 9, {1}, {}, ""},
      {"tie: the last enters", kActiveSet, Make(1, {1}, {-2}, {1, 1}, {1, 1}, 0), {0}, 1, 9, {1}, {0, 1}, ""},
      {"ratio one", kActiveSet, Make(1, {1}, {-1}, {1}, {1}, 0), {0}, 1, 9, {1}, {0}, ""},
      // Negative curvature once x2's lower bound has left: the bound is held up to the
      // upper bound, then released (multiplier test, or a free x3's step); mirrored,
      // the direction must turn away from the re-held bound x2 <= 0.
      {"pseudo", kActiveSet, Make(2, {1, 0, -1}, {-2, -0.5}, {}, {}, 0, {kNone, 0}, {1, 1}), {1, 0}, 1, 9, {1, 1},
       {1, 0, 1.5}, "on active la pseudo contrainte 1\n"},
      {"pseudo, free x3", kActiveSet,
       Make(3, {1, 0, -1, 0, 0, 1}, {-2, -0.5, -0.25}, {}, {}, 0, {kNone, 0, -5}, {1, 1}), {1, 0, 0}, 1, 9,
       {1, 1, 0.25}, {1, 0, 1.5, 0}, "on active la pseudo contrainte 1\n"},
      {"pseudo, mirrored", kActiveSet, Make(2, {1, 0, -1}, {-2, 0.5}, {}, {}, 0, {kNone, -1}, {1, 0}), {1, 0}, 1, 9,
       {1, -1}, {1, 1.5, 0}, "on active la pseudo contrainte 2\n"},
      {"nothing to hold", kActiveSet, Make(2, {1, 0, -1}, {0, 0}, {}, {}, 0, {kNone, -1}, {kNone, 1}), {0, 0}, 0, 9,
       {0, 0}, {8}, "on active la pseudo contrainte -1\n"},
      {"two negative pivots", kActiveSet, Make(2, {-1, 0, -1}, {0, 0}, {}, {}, 0, {kNone, -1}, {kNone, 1}), {0, 0},
       0, 9, {0, 0}, {8}, "quadratic problem cannot be solved \n"},
      {"square A: x = A⁻¹ b", kQuadratic, Make(2, {1, 0, 1}, {1, 0}, {1, 1, 0, 1}, {3, 1}, 2), {7}, 1, 9, {2, 1},
       {3, -2}, ""},
      {"indefinite", kQuadratic, Make(2, {1, 0, -1}, {1, 1}, {}, {}, 0), {7}, 0, 9, {0, 1}, {},
       "indefinite system\n"},
      // A direction in B's null space; after a release, the last position's.
      {"curvature", kNullSpace, Make(3, curved, {1, 1, 1}, {1, 0, 0}, {1}, 0), {7}, 1, 1, {0, 1, 0}, {8}, ""},
      {"released", kNullSpace, Make(3, curved, {1, 1, 1}, {1, 0, 0}, {1}, 0, {}, {}, 1e-12, 1), {7}, 1, 0, {0, 0, 1},
       {8}, ""},
      {"second negative pivot", kNullSpace, Make(2, {-1, 0, -1}, {1, 1}, {}, {}, 0), {7}, 0, 1, {7}, {8}, ""},
      // A = 0, rhs1 partly in B's null space: x = the particular solution.
      {"inconsistent", kNullSpace, Make(2, {}, {0, 0.5}, {1, 0}, {1}, 0), {7}, 0, 9, {1, 0}, {0},
       "Problem in solveSaddlePointProblemWithNullSpace, norm of residual = 0.5\nA = [ 0 ,0 ;\n0 ,0 ];\n"
       "B = [ 1 ,0 ];\nrhs1 = [ 0 ,0.5 ];\nrhs2 = [ 1 ];\n [A,B';B,zeros(1,1)] \\ [rhs1';rhs2'] \n"},
      // A solved start; a solve tolerance above every pivot (then the check of x = 0
      // fails once per row kind); a square problem (0 / 0 at the start); dependent rows.
      {"solved start", kMehrotra, Make(3, {}, {0, 0, 1}, {1, 1, 0}, {2}, 1), {7}, 1, 9, {1, 1, 0}, {0},
       " Mehrotra interior point converges in 0 iterations. \n dual error 0 primal error 0\n"},
      {"unsolved start", kLinear, Make(2, {}, {1, 2}, {1, 0, 0, 1}, {1, 1}, 2, {}, {-1, -1}, 100.0), {7}, 0, 9, {0, 0},
       {8},
       "AAt = [ 2 ,0 ,2 ,0 ;\n0 ,2 ,0 ,2 ;\n2 ,0 ,3 ,0 ;\n0 ,2 ,0 ,3 ];\nrhs_init = [ 2 ,4 ,3 ,5 ];\n"
       " Error in SolveLinearProgramming\n Error in SolveLinearProgramming\n"},
      {"square", kMehrotra, Make(2, {}, {1, 1}, {1, 0, 0, 1}, {1, 1}, 2), {7}, 0, 9, {kNone}, {kNone},
       failed + "A = [ 1 ,0 ;\n0 ,1 ];\nB = [ 1 ,1 ];\nc = [ 1 ,1 ];\nkarmarkar(A,B,c,2)\n"},
      {"dependent", kMehrotra, Make(2, {}, {1, 2}, {1, 1, 1, 1}, {1, 1}, 2), {7}, 0, 9, {0.75, 0.75}, {kNone},
       failed + "A = [ 1 ,1 ;\n1 ,1 ];\nB = [ 1 ,1 ];\nc = [ 1 ,2 ];\nkarmarkar(A,B,c,2)\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Outcome r = Call(c.routine, c.q, VelaVector(static_cast<int>(c.start.size()), c.start.data()));
    EXPECT_TRUE(r.flag == c.flag && r.indefinite == c.indefinite && r.out == c.text) << r.out;
    ExpectValues(r.x, c.x, 1e-9);
    ExpectValues(r.lambda, c.lambda, 1e-9);
    if (c.routine == kActiveSet && c.flag == 1) ExpectKkt(c.q, r.x, 1e-9, &r.lambda);
  }
}

// Input a routine must reject before any work: result 0, nothing written,
// the outputs (and the start) untouched.
TEST(VelaOptimUtilities, RejectedInputTouchesNothing) {
  struct Input { Problem q; VelaVector x; };
  struct Case { const char* what; int routines; void (*edit)(Input&); };
  const int all = 63, general = kActiveSet | kLinear, counted = general | kMehrotra, hessian = 15;
  const Case cases[] = {
      {"c length", all, [](Input& i) { i.q.c = VelaVector(3, 0.0); }},
      {"b length", all, [](Input& i) { i.q.b = VelaVector(2, 0.0); }},
      {"A columns", all, [](Input& i) { i.q.A = VelaMatrix(1, 3, 0.0); }},
      {"H order", hessian, [](Input& i) { i.q.H = VelaSymmetricMatrix(3, VelaMatrix(3)); }},
      {"NaN in H", hessian, [](Input& i) { i.q.H(1, 0) = kNaN; }},
      {"NaN in c", all, [](Input& i) { i.q.c[1] = kNaN; }},
      {"inf in A", all, [](Input& i) { i.q.A(0, 1) = HUGE_VAL; }},
      {"NaN in b", all, [](Input& i) { i.q.b[0] = kNaN; }},
      {"equality count", counted, [](Input& i) { i.q.nbEq = 2; }},
      {"negative equality count", counted, [](Input& i) { i.q.nbEq = -1; }},
      {"flag count", general, [](Input& i) { i.q.hasUpper = VelaBoolArray(1, 0); }},
      {"bound length", general, [](Input& i) { i.q.upper = VelaVector(1, 0.0); }},
      {"infinite flagged bound", general, [](Input& i) { i.q.lower[0] = -HUGE_VAL; }},
      {"x length", kActiveSet, [](Input& i) { i.x = VelaVector(3, 0.0); }},
      {"NaN in x", kActiveSet, [](Input& i) { i.x[1] = kNaN; }},
      {"infeasible start", kActiveSet, [](Input& i) { i.x[0] = -1.5; }},
      {"infeasible equality", kActiveSet, [](Input& i) { i.q.nbEq = 1; }},
      {"dependent rows", kNullSpace, [](Input& i) { i.q.A = VelaMatrix(3, 2, 1.0), i.q.b = VelaVector(3, 0.0); }},
      // Starts beyond repair: x̃ with a zero entry and s̃ a negative one while
      // b != 0; the perturbed x̃, the perturbed s̃ still non-negative.
      {"b != 0", kMehrotra, [](Input& i) { i.q = Make(2, {}, {-1, 1}, {1, 0}, {1}, 0); }},
      {"perturbed x̃", kMehrotra, [](Input& i) { i.q = Make(2, {}, {1, -1}, {1, 0}, {0}, 1); }},
      {"perturbed s̃", kMehrotra, [](Input& i) { i.q = Make(3, {}, {1, -1, 0}, {1, -1, 0, 0, 1, -1}, {1, 1}, 2); }},
  };
  for (const Case& k : cases) {
    for (int routine = 1; routine <= 32; routine *= 2) {
      if ((k.routines & routine) == 0) continue;
      SCOPED_TRACE(testing::Message() << k.what << " " << routine);
      Input in{Make(2, {1, 0, 1}, {0, 0}, {1, 0}, {1}, 0, {-1}), VelaVector(2, 0.0)};
      k.edit(in);
      const Outcome r = Call(static_cast<Routine>(routine), in.q, in.x);
      EXPECT_TRUE(r.flag == 0 && r.indefinite == 9 && r.out.empty());
      ASSERT_EQ(r.x.GetSize(), in.x.GetSize());
      EXPECT_EQ(0, std::memcmp(r.x.GetBuffer(), in.x.GetBuffer(), sizeof(double) * in.x.GetSize()));
      ExpectValues(r.lambda, {8}, 0.0);
    }
  }
}

// Random convex QPs around a feasible start x0, some rows tight; degenerate ones with more,
// a dependent equality row, every other inequality row twice the last, and lower = upper.
TEST(VelaOptimActiveSet, RandomConvexProblemsMeetTheKktConditions) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  std::uniform_int_distribution<int> pick(0, 5);
  for (int n : {1, 2, 3, 6, 12, 25, 50}) {
    for (int trial = 0; trial < 6; ++trial) {
      SCOPED_TRACE(testing::Message() << n << " " << trial);
      const bool degenerate = trial % 2 == 1 && n <= 12;
      const auto slack = [&] { return pick(rng) < (degenerate ? 3 : 1) ? 0.0 : 0.5 + 0.5 * u(rng); };
      const int nbEq = n / 5 + degenerate, rows = nbEq + n / 2 + 1;
      const VelaMatrix B = Random(n, n, rng), c = 5.0 * Random(1, n, rng);
      const VelaVector x0(n, Random(1, n, rng).GetBuffer());
      Problem q = Make(n, {}, Of(c), Of(Random(rows, n, rng)), Values(static_cast<size_t>(rows)), nbEq);
      q.H = VelaSymmetricMatrix(n, Transposed(B) * B + 0.1 * VelaMatrix(n));
      for (int i = 0; i < rows; ++i) {
        if (degenerate && ((i == nbEq - 1 && i > 0) || (i > nbEq && (i - nbEq) % 2 == 1)))
          for (int j = 0; j < n; ++j) q.A(i, j) = i < nbEq ? 3.0 * q.A(0, j) : 2.0 * q.A(i - 1, j);
        q.b[i] = VelaVector(n, q.A.GetRow(i)) * x0 + (i < nbEq ? 0.0 : slack());
      }
      for (int j = 0; j < n; ++j) {
        const int kind = pick(rng);
        const double s = slack(), s2 = degenerate ? s : slack();
        q.hasLower.Set(j, kind < 3), q.hasUpper.Set(j, kind > 1), q.lower[j] = x0[j] - s, q.upper[j] = x0[j] + s2;
      }
      const Outcome r = Call(kActiveSet, q, x0);
      EXPECT_TRUE(r.flag == 1 && r.out.empty());
      ExpectKkt(q, r.x, 1e-7, &r.lambda);
      EXPECT_LE(r.x * (q.H * r.x * 0.5 + q.c), x0 * (q.H * x0 * 0.5 + q.c) + 1e-12);  // the objective never grows
    }
  }
}

// One bound enters per solve: n bounds take n + 1 solves, and 100 is the limit.
TEST(VelaOptimActiveSet, StopsAfterOneHundredSolves) {
  for (int n : {99, 100}) {
    Problem q = Make(n, {}, Values(static_cast<size_t>(n), -2.0), {}, {}, 0);
    q.H = VelaSymmetricMatrix(n, VelaMatrix(n));
    for (int j = 0; j < n; ++j) q.hasUpper.Set(j, 1), q.upper[j] = 1.0 + 0.01 * j;
    const Outcome r = Call(kActiveSet, q, VelaVector(n, 0.0));
    EXPECT_TRUE(r.flag == (n == 99) && r.lambda.GetSize() == (n == 99 ? n : 1));
    ExpectValues(r.x, Of(q.upper), 1e-12);  // the last iterate
  }
}

TEST(VelaOptimSaddlePoint, RemoveDependentConstraintsKeepsPivotOrder) {
  const double w[] = {1, 2, 0, 2, 4, 0, 0, 0, 3, 1, 2, 3}, r[] = {1, 2, 3, 4};
  VelaMatrix oW;
  VelaVector oR;
  VelaIntArray kept(1, 7);
  VelaOptimUtilities::removeDependentConstraints(VelaMatrix(4, 3, w), VelaVector(4, r), 1e-12, oW, oR, kept);
  EXPECT_EQ(std::vector<int>(kept.begin(), kept.end()), (std::vector<int>{7, 1, 2}));  // appended, 4 of row 1 first
  EXPECT_TRUE(Of(oW) == Values({2, 4, 0, 0, 0, 3}) && Of(oR) == Values({2, 3}));      // rows unreduced
  VelaOptimUtilities::removeDependentConstraints(VelaMatrix(4, 3, w), VelaVector(3, 0.0), 1e-12, oW, oR, kept);
  EXPECT_EQ(oW.GetNbOfRow(), 0);  // a right-hand side of the wrong length
}

// H definite, or indefinite with a definite reduced Hessian; W square, wide
// or empty, with dependent rows (multipliers 0, not counted as kept) or not.
TEST(VelaOptimSaddlePoint, QuadraticStepMeetsItsOptimalityConditions) {
  std::mt19937 rng(2024);
  for (int n : {1, 2, 3, 7, 20}) {
    for (int k = 0; k <= n; k += std::max(1, n / 3)) {
      for (int extra : {0, 2}) {
        SCOPED_TRACE(testing::Message() << n << " " << k << " " << extra);
        Problem q = Make(n, {}, {}, {}, {}, 0);
        q.A = Random(k, n, rng);
        const VelaMatrix B = Random(n, n, rng), Wt = Transposed(q.A);
        q.H = VelaSymmetricMatrix(n, Transposed(B) * B + VelaMatrix(n) - (extra ? 50.0 : 0.0) * (Wt * q.A));
        for (int e = 0; e < extra && k > 0; ++e) q.A.AppendRow((Wt * Random(k, 1, rng).GetBuffer()).GetBuffer());
        q.c = VelaVector(n, Random(1, n, rng).GetBuffer());
        q.b = q.A * Random(n, 1, rng).GetBuffer();
        const Outcome r = Call(kStep, q);
        EXPECT_TRUE(r.flag == 1 && r.out.empty());
        EXPECT_EQ(r.indefinite, k == n ? 9 : 0);  // the full KKT solve leaves it alone
        ASSERT_EQ(r.lambda.GetSize(), q.A.GetNbOfRow());
        EXPECT_LT((q.A * r.x - q.b).GetNormInf(-1), 1e-9);
        EXPECT_LT((q.H * r.x + q.c - q.A.MultiplyVectorLeft(r.lambda)).GetNormInf(-1),
                  1e-8 * (1 + r.lambda.GetNormInf(-1)));
        EXPECT_GE(std::count(r.lambda.GetBuffer(), r.lambda.GetBuffer() + r.lambda.GetSize(), 0.0), k ? extra : 0);
        VelaMatrix W;
        VelaVector R;
        VelaIntArray kept;
        VelaOptimUtilities::removeDependentConstraints(q.A, q.b, 1e-10, W, R, kept);
        EXPECT_EQ(kept.Size(), k);
      }
    }
  }
}

VelaVector Solve(const VelaMatrix& K, const VelaVector& w) {
  VelaVector z(w.GetSize(), 0.0);
  K.SolveGaussJordan(0, w.GetBuffer(), z.GetBuffer(), 1, nullptr, nullptr, 1e-14);
  return z;
}
double Min(const VelaVector& v) { return *std::min_element(v.GetBuffer(), v.GetBuffer() + v.GetSize()); }
double Step(const VelaVector& v, const VelaVector& d) {  // the largest t <= 1 with v + t d >= 0
  double t = 1.0;
  for (int i = 0; i < v.GetSize(); ++i) t = d[i] < -1e-15 ? std::min(t, -v[i] / d[i]) : t;
  return t;
}
VelaVector Cosines(int k) {
  VelaVector r(k, 0.0);
  for (int i = 0; i < k; ++i) r[i] = 0.001 * std::cos(i);
  return r;
}

// The predictor-corrector method, plainly on [A S] with unit slack costs and
// the full Newton systems [D Aᵀ; A 0]. Returns the iterations (-1: over 100).
int PlainMehrotra(const Problem& p, VelaVector& x, VelaVector& y) {
  const int m = p.A.GetNbOfRow(), N = p.n + m - p.nbEq;
  VelaMatrix A(m, N, 0.0), K(N + m, N + m, 0.0);
  VelaVector c(N, 1.0);
  for (int i = 0; i < m; ++i)
    for (int j = 0; j < N; ++j) A(i, j) = j < p.n ? p.A(i, j) : (i - p.nbEq == j - p.n ? 1.0 : 0.0);
  for (int j = 0; j < p.n; ++j) c[j] = p.c[j];
  const VelaMatrix At = Transposed(A), G = A * At;
  K.SetSubMatrix(0, N, A), K.SetSubMatrix(N, 0, At);
  y = Solve(G, A * c), x = At * Solve(G, p.b);
  VelaVector s = c - At * y;
  double dx = std::max(-1.5 * Min(x), 0.0), ds = std::max(-1.5 * Min(s), 0.0);
  if (dx < 1e-15 && ds > 1e-15 && Min(x) < 1e-15) x = At * Solve(G, Cosines(m)), dx = -1.5 * Min(x);
  if (ds < 1e-15 && dx > 1e-15 && Min(s) < 1e-15) {
    const VelaVector ct = c + Cosines(N);
    y = Solve(G, A * ct), s = ct - At * y, ds = -1.5 * Min(s);
  }
  double P = 0.0, Sx = 0.0, Ss = 0.0;
  for (int j = 0; j < N; ++j) P += (x[j] + dx) * (s[j] + ds), Sx += x[j], Ss += s[j];
  const double hx = dx + 0.5 * P / (N * ds + Ss), hs = ds + 0.5 * P / (N * dx + Sx);
  for (int j = 0; j < N; ++j) x[j] += hx, s[j] += hs;
  for (int it = 1; it <= 100; ++it) {
    const VelaVector rp = A * x - p.b, rd = At * y + s - c;
    for (int j = 0; j < N; ++j) K(j, j) = -s[j] / x[j];
    const auto newton = [&](VelaVector rhs, VelaVector& ddx, VelaVector& ddl, VelaVector& dds) {
      for (int i = 0; i < m; ++i) rhs.Append(-rp[i]);
      const VelaVector z = Solve(K, rhs);
      ddx = VelaVector(N, z.GetBuffer()), ddl = VelaVector(m, z.GetBuffer() + N), dds = (At * ddl + rd) * -1.0;
    };
    VelaVector ax, al, as, cx, cl, cs, rhs(N, 0.0);
    newton(s - rd, ax, al, as);
    const double r = ((x + ax * Step(x, ax)) * (s + as * Step(s, as))) / (x * s);
    for (int j = 0; j < N; ++j) rhs[j] = s[j] - rd[j] - r * r * r * (x * s) / x[j] + ax[j] * as[j] / x[j];
    newton(rhs, cx, cl, cs);
    const double tp = 0.95 * Step(x, cx), td = 0.95 * Step(s, cs);
    x += cx * tp, y += cl * td, s += cs * td;
    const double prim = (A * x - p.b).GetNormInf(-1), dual = (At * y + s - c).GetNormInf(-1);
    if (dual < p.tol && std::sqrt(std::fabs(cx * cs)) / N < p.tol && prim < p.tol) return it;
  }
  return -1;
}

// Feasible, bounded problems (x0 > 0 meets the rows, with room on inequalities; c = Aᵀu + v,
// v > 0), and starts the perturbations repair: b = 0 (x̃ = 0), c in the row space (s̃ = 0).
TEST(VelaOptimInteriorPoint, AgreesWithAPlainTranscriptionAndEndsFeasible) {
  std::vector<Problem> problems = {Make(3, {}, {1, 0, 0}, {1, 1, -1}, {0}, 1, {0, 0, 0}),
                                   Make(3, {}, {1, 2, 1}, {1, 1, 0, 0, 1, 1}, {1, 0}, 2, {0, 0, 0})};
  std::mt19937 rng(20240611);
  const int shapes[][3] = {{1, 2, 1}, {2, 3, 0}, {2, 5, 2}, {3, 6, 1}, {4, 4, 2}, {5, 8, 3}, {6, 12, 6}, {8, 10, 0}};
  for (const auto& s : shapes) {
    for (int rep = 0; rep < 3; ++rep) {
      const VelaMatrix A = Random(s[0], s[1], rng), u = Random(s[0], 1, rng), x0 = 0.5 * Random(s[1], 1, rng),
                       v = 0.5 * Random(s[1], 1, rng), room = 0.5 * Random(s[0], 1, rng);
      Problem p = Make(s[1], {}, Of(v), Of(A), Of(room), s[2], Values(static_cast<size_t>(s[1]), 0.0));
      for (int i = 0; i < s[0]; ++i) p.b[i] = i < s[2] ? 0.0 : 1.0 + p.b[i];
      p.b += A * (x0 + VelaMatrix(s[1], 1, 1.0)).GetBuffer();
      p.c += A.MultiplyVectorLeft(VelaVector(s[0], u.GetBuffer())) + VelaVector(s[1], 0.6);
      problems.push_back(p);
    }
  }
  for (const Problem& p : problems) {
    VelaVector x, y;
    const int iterations = PlainMehrotra(p, x, y);
    const Outcome r = Call(kMehrotra, p);
    ASSERT_EQ(r.flag, 1) << r.out;
    EXPECT_EQ(r.out.rfind(" Mehrotra interior point converges in " + std::to_string(iterations) + " iterations. \n", 0),
              0u);  // the whole message is pinned on afiro
    ExpectValues(r.x, Of(VelaVector(p.n, x.GetBuffer())), 1e-7 * (1 + x.GetNormInf(-1)));
    ExpectValues(r.lambda * -1.0, Of(y), 1e-7 * (1 + y.GetNormInf(-1)));
    ExpectKkt(p, r.x, p.tol);  // the bounds x >= 0 included
  }
}

TEST(VelaOptimInteriorPoint, ComputeMaxStepOnlyShortensOnDecreasingEntries) {
  const double v[] = {1, 2, 1e-17, 0}, dv[] = {-4, -1, -1e-15, -1e-16};
  double alpha[] = {1.0, 0.1, 1.0};  // to the first ratio, 1/4; never longer; decreases of 1e-15 or less ignored
  for (int k = 0; k < 3; ++k)
    VelaOptimUtilities::computeMaxStep(VelaVector(2, v + k / 2 * 2), VelaVector(2, dv + k / 2 * 2), alpha[k]);
  EXPECT_TRUE(alpha[0] == 0.25 && alpha[1] == 0.1 && alpha[2] == 1.0);
}

// afiro, a slack column on each less-or-equal row: at iTol 1e-8 the residual test stops at
// a feasible point far from the optimum -464.7531428571; at 1e-12 within 3e-8 of it.
TEST(VelaOptimInteriorPoint, AfiroInEqualityFormStopsAtAFeasiblePoint) {
  namespace af = vela::test::afiro;
  const int n = af::kCols + static_cast<int>(std::count(af::kSense, af::kSense + af::kRows, 'L'));
  Problem q = Make(n, {}, Values(static_cast<size_t>(n)), {}, Values(af::kRhs, af::kRhs + af::kRows), af::kRows,
                   Values(static_cast<size_t>(n), 0.0));
  for (const af::Entry& e : af::kEntries) q.A(e.row, e.col) = e.value;
  for (int i = 0, k = af::kCols; i < af::kRows; ++i)
    if (af::kSense[i] == 'L') q.A(i, k++) = 1.0;
  for (int j = 0; j < af::kCols; ++j) q.c[j] = af::kCost[j];
  struct Run { double tol, objective; const char* text; };
  for (const Run& run : {Run{1e-8, -193.469377783,
                             " Mehrotra interior point converges in 16 iterations. \n"
                             " dual error 1.77635683940025e-15 primal error 5.6843418860808e-14\n"},
                         Run{1e-12, -464.753142833,
                             " Mehrotra interior point converges in 38 iterations. \n"
                             " dual error 1.77635683940025e-15 primal error 3.5527136788005e-14\n"}}) {
    q.tol = run.tol;
    const Outcome r = Call(kMehrotra, q);
    EXPECT_TRUE(r.flag == 1 && r.out == run.text) << r.out;
    EXPECT_NEAR(q.c * r.x, run.objective, 1e-6);
    ExpectKkt(q, r.x, run.tol);
  }
}

// x1 + x2 = 1, x1 >= 0, x2 >= 0 or -1 (split: [M, -M], (c, -c)): the front end is the
// interior-point method on the stacked rows; the active-set method with H = 0, the front end.
TEST(VelaOptimLinearProgramming, RunsTheInteriorPointMethodOnStackedRows) {
  for (const double x2Lower : {0.0, -1.0}) {
    const Problem q = Make(2, {}, {1, 2}, {1, 1}, {1}, 1, {0, x2Lower});
    const bool split = x2Lower < 0.0;
    Problem stacked = q;
    stacked.A = Stacked(q, stacked.b);
    if (split) stacked.A = VelaMatrix::MergeMatrix(stacked.A, stacked.A * -1.0, 0);
    stacked.c = VelaVector(split ? 4 : 2, Values{1, 2, -1, -2}.data());
    const Outcome lp = Call(kLinear, q), direct = Call(kMehrotra, stacked), qp = Call(kActiveSet, q, {2, 0.5});
    EXPECT_TRUE(lp.flag == 1 && lp.out == direct.out && qp.flag == 1 && qp.out == lp.out);
    ExpectValues(lp.x, {direct.x[0] - (split ? direct.x[2] : 0.0), direct.x[1] - (split ? direct.x[3] : 0.0)}, 0.0);
    ExpectValues(lp.x, {1 - x2Lower, x2Lower}, 1e-6);
    ExpectValues(lp.lambda, Of(direct.lambda), 0.0);
    ExpectValues(qp.x, Of(lp.x), 0.0);
    ExpectValues(qp.lambda, Of(lp.lambda), 0.0);
  }
}

}  // namespace
