// The optimisers: published optima, every message and dump byte for byte,
// input refused before any work, and the optimality conditions on random
// convex problems of several sizes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "support/AfiroLp.h"
#include "optim/OptimProblems.h"

namespace {

using namespace vela::test::optim;
using U = VelaOptimUtilities;
const double kNaN = std::nan("");

Values Of(const VelaMatrix& m) { return Values(m.GetBuffer(), m.GetBuffer() + m.GetSize()); }
// To tol; a lone kNone expects anything.
void ExpectValues(const VelaVector& v, const Values& expected, double tol) {
  if (expected.size() == 1 && std::isnan(expected[0])) return;
  ASSERT_EQ(v.GetSize(), static_cast<int>(expected.size()));
  for (int i = 0; i < v.GetSize(); ++i) EXPECT_NEAR(v[i], expected[static_cast<size_t>(i)], tol) << i;
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
  const auto converged = [](const char* k, const char* dual, const char* primal) {
    return std::string(" Mehrotra interior point converges in ") + k + " iterations. \n dual error " + dual +
           " primal error " + primal + "\n";
  };
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
      // A solved start; starts repaired by the perturbed right-hand side (b = 0) and
      // cost (c in the row space); a solve tolerance above every pivot (then the check
      // of x = 0 fails once per row kind); a square problem (0 / 0 at the start);
      // dependent rows.
      {"solved start", kMehrotra, Make(3, {}, {0, 0, 1}, {1, 1, 0}, {2}, 1), {7}, 1, 9, {1, 1, 0}, {0},
       " Mehrotra interior point converges in 0 iterations. \n dual error 0 primal error 0\n"},
      {"perturbed b", kMehrotra, Make(3, {}, {1, 0, 0}, {1, 1, -1}, {0}, 1), {7}, 1, 9, {0, 5.848486e-4, 5.848486e-4},
       {0}, converged("7", "2.58486926960868e-09", "1.39723551739052e-12")},
      {"perturbed c", kMehrotra, Make(3, {}, {1, 2, 1}, {1, 1, 0, 0, 1, 1}, {1, 0}, 2), {7}, 1, 9, {1, 0, 0},
       {-1, -0.9999745293}, converged("7", "8.08020317322189e-13", "5.1697384563243e-09")},
      {"unsolved start", kLinear, Make(2, {}, {1, 2}, {1, 0, 0, 1}, {1, 1}, 2, {}, {-1, -1}, 100.0), {7}, 0, 9, {0, 0},
       {8},
       "AAt = [ 2 ,0 ,2 ,0 ;\n0 ,2 ,0 ,2 ;\n2 ,0 ,3 ,0 ;\n0 ,2 ,0 ,3 ];\nrhs_init = [ 2 ,4 ,3 ,5 ];\n"
       " Error in SolveLinearProgramming\n Error in SolveLinearProgramming\n"},
      {"square", kMehrotra, Make(2, {}, {1, 1}, {1, 0, 0, 1}, {1, 1}, 2), {7}, 0, 9, {kNone}, {kNone},
       failed + "A = [ 1 ,0 ;\n0 ,1 ];\nB = [ 1 ,1 ];\nc = [ 1 ,1 ];\nkarmarkar(A,B,c,2)\n"},
      {"dependent", kMehrotra, Make(2, {}, {1, 2}, {1, 1, 1, 1}, {1, 1}, 2), {7}, 0, 9, {0.75, 0.75}, {kNone},
       failed + "A = [ 1 ,1 ;\n1 ,1 ];\nB = [ 1 ,1 ];\nc = [ 1 ,2 ];\nkarmarkar(A,B,c,2)\n"},
      // min x1 + 2 x2 with x1 + x2 = 1 and x >= 0, or x2 >= -1 (split into x⁺ - x⁻);
      // the active-set method with H = 0 is the front end.
      {"bounded below by 0", kLinear, Make(2, {}, {1, 2}, {1, 1}, {1}, 1, {0, 0}), {7}, 1, 9, {1, 0}, {-2, -1, -0.5},
       converged("7", "1.30941568698972e-09", "4.28481916614487e-10")},
      {"split", kLinear, Make(2, {}, {1, 2}, {1, 1}, {1}, 1, {0, -1}), {7}, 1, 9, {2, -1}, {-2, -1, 0},
       converged("8", "1.31318955709503e-10", "4.83209028345755e-11")},
      {"split, x1 < 0", kLinear, Make(2, {}, {0, -1}, {1, 1}, {1}, 1, {-1, 0}), {7}, 1, 9, {-1, 2}, {kNone},
       converged("8", "1.31318955709503e-10", "4.83211248791804e-11")},
      {"H = 0", kActiveSet, Make(2, {}, {1, 2}, {1, 1}, {1}, 1, {0, -1}), {0.5, 0.5}, 1, 9, {2, -1}, {-2, -1, 0},
       converged("8", "1.31318955709503e-10", "4.83209028345755e-11")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Outcome r = Call(c.routine, c.q, VelaVector(static_cast<int>(c.start.size()), c.start.data()));
    EXPECT_TRUE(r.flag == c.flag && r.indefinite == c.indefinite && r.out == c.text) << r.out;
    const bool interior = r.out.find("Mehrotra") != std::string::npos;  // converged to 1e-8 only
    ExpectValues(r.x, c.x, interior ? 1e-7 : 1e-9);
    ExpectValues(r.lambda, c.lambda, interior ? 1e-7 : 1e-9);
    if (c.routine == kActiveSet && c.flag == 1 && !interior) {
      EXPECT_EQ(CheckKkt(c.q, r.x, 1e-8, &r.lambda), "");
    }
  }
}


// Input a routine must refuse before any work: result 0, nothing written,
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
  for (int n : {1, 2, 3, 6, 12, 25}) {
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
      EXPECT_EQ(CheckKkt(q, r.x, 1e-7, &r.lambda), "");
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
  U::removeDependentConstraints(VelaMatrix(4, 3, w), VelaVector(4, r), 1e-12, oW, oR, kept);
  EXPECT_EQ(std::vector<int>(kept.begin(), kept.end()), (std::vector<int>{7, 1, 2}));  // appended, 4 of row 1 first
  EXPECT_TRUE(Of(oW) == Values({2, 4, 0, 0, 0, 3}) && Of(oR) == Values({2, 3}));      // rows unreduced
  U::removeDependentConstraints(VelaMatrix(4, 3, w), VelaVector(3, 0.0), 1e-12, oW, oR, kept);
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
        U::removeDependentConstraints(q.A, q.b, 1e-10, W, R, kept);
        EXPECT_EQ(kept.Size(), k);
      }
    }
  }
}

// Feasible, bounded problems (x0 > 0 meets the rows, with room on inequalities;
// c = Aᵀu + v, v > 0): a success ends primal feasible, x >= 0, and dual
// feasible: -λ = y with c̄ - Āᵀy >= 0 (c̄: the costs, then 1 per slack).
TEST(VelaOptimInteriorPoint, RandomFeasibleProblemsEndPrimalAndDualFeasible) {
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
      const Outcome r = Call(kMehrotra, p);
      ASSERT_EQ(r.flag, 1) << r.out;
      EXPECT_EQ(r.out.rfind(" Mehrotra interior point converges in ", 0), 0u);
      EXPECT_EQ(CheckKkt(p, r.x, p.tol), "");  // the bounds x >= 0 included
      const VelaVector reduced = p.c + A.MultiplyVectorLeft(r.lambda);
      for (int j = 0; j < s[1]; ++j) EXPECT_GT(reduced[j], -p.tol) << j;
      for (int i = s[2]; i < s[0]; ++i) EXPECT_GT(1.0 + r.lambda[i], -p.tol) << i;
    }
  }
}

TEST(VelaOptimInteriorPoint, ComputeMaxStepOnlyShortensOnDecreasingEntries) {
  const double v[] = {1, 2, 1e-17, 0}, dv[] = {-4, -1, -1e-15, -1e-16};
  double alpha[] = {1.0, 0.1, 1.0};  // to the first ratio, 1/4; never longer; decreases of 1e-15 or less ignored
  for (int k = 0; k < 3; ++k) U::computeMaxStep(VelaVector(2, v + k / 2 * 2), VelaVector(2, dv + k / 2 * 2), alpha[k]);
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
    EXPECT_EQ(CheckKkt(q, r.x, run.tol), "");
  }
}

}  // namespace
