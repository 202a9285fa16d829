// The optimisers: fixed problems with every message and dump byte for byte,
// the iteration limit, and the fuzzer's random problems (optim/OptimProblems.h).
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "optim/OptimProblems.h"

namespace {

using namespace vela::test::optim;
using U = VelaOptimUtilities;

// To tol; a lone kNone expects anything.
void ExpectValues(const VelaVector& v, const Values& expected, double tol) {
  if (expected.size() == 1 && std::isnan(expected[0])) return;
  ASSERT_EQ(v.GetSize(), static_cast<int>(expected.size()));
  for (int i = 0; i < v.GetSize(); ++i) EXPECT_NEAR(v[i], expected[static_cast<size_t>(i)], tol) << i;
}

// Fixed problems on every routine: x and lambda to 1e-9 (1e-7 after the
// interior point), texts byte for byte; the active set's successes also meet
// its KKT conditions.
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
      // Equality multipliers only; a bound leaves; equal ratios; a ratio of 1.
      {"interior", kActiveSet, Make(2, {1, 0, 1}, {-1, -3}, {1, -1, 1, 1}, {0, 10}, 1), {0, 0}, 1, 9, {2, 2}, {1}, ""},
      {"leaving bound", kActiveSet, Make(1, {1}, {-1}, {}, {}, 0, {0}), {0}, 1, 9, {1}, {}, ""},
      {"tie: the last enters", kActiveSet, Make(1, {1}, {-2}, {1, 1}, {1, 1}, 0), {0}, 1, 9, {1}, {0, 1}, ""},
      {"ratio one", kActiveSet, Make(1, {1}, {-1}, {1}, {1}, 0), {0}, 1, 9, {1}, {0}, ""},
      // Refused before any work.
      {"infeasible start", kActiveSet, Make(1, {1}, {0}, {}, {}, 0, {0}), {-1}, 0, 9, {-1}, {8}, ""},
      {"unmet equality", kActiveSet, Make(1, {1}, {0}, {1}, {1}, 1), {0}, 0, 9, {0}, {8}, ""},
      {"start length", kActiveSet, Make(1, {1}, {0}, {}, {}, 0), {0, 0}, 0, 9, {0, 0}, {8}, ""},
      // Negative curvature once x2's lower bound has left: the bound is held up
      // to the upper bound, then released.
      {"pseudo", kActiveSet, Make(2, {1, 0, -1}, {-2, -0.5}, {}, {}, 0, {kNone, 0}, {1, 1}), {1, 0}, 1, 9, {1, 1},
       {1, 0, 1.5}, "on active la pseudo contrainte 1\n"},
      {"nothing to hold", kActiveSet, Make(2, {1, 0, -1}, {0, 0}, {}, {}, 0, {kNone, -1}, {kNone, 1}), {0, 0}, 0, 9,
       {0, 0}, {8}, "on active la pseudo contrainte -1\n"},
      {"two negative pivots", kActiveSet, Make(2, {-1, 0, -1}, {0, 0}, {}, {}, 0, {kNone, -1}, {kNone, 1}), {0, 0},
       0, 9, {0, 0}, {8}, "quadratic problem cannot be solved \n"},
      {"x = A⁻¹ b", kQuadratic, Make(2, {1, 0, 1}, {1, 0}, {1, 1, 0, 1}, {3, 1}, 2), {7}, 1, 9, {2, 1}, {3, -2}, ""},
      {"indefinite", kQuadratic, Make(2, {1, 0, -1}, {1, 1}, {}, {}, 0), {7}, 0, 9, {0, 1}, {}, "indefinite system\n"},
      // Two equal rows: the second is dropped, its multiplier 0.
      {"equal rows", kStep, Make(2, {1, 0, 1}, {0, 0}, {1, 0, 1, 0}, {1, 1}, 0), {7}, 1, 0, {1, 0}, {1, 0}, ""},
      // A direction in B's null space; after a release, the last position's.
      {"curvature", kNullSpace, Make(3, curved, {1, 1, 1}, {1, 0, 0}, {1}, 0), {7}, 1, 1, {0, 1, 0}, {8}, ""},
      {"released", kNullSpace, Make(3, curved, {1, 1, 1}, {1, 0, 0}, {1}, 0, {}, {}, 1e-12, 1), {7}, 1, 0, {0, 0, 1},
       {8}, ""},
      {"dependent rows", kNullSpace, Make(2, {1, 0, 1}, {0, 0}, {1, 1, 1, 1}, {0, 0}, 0), {7}, 0, 9, {7}, {8}, ""},
      // A = 0, rhs1 partly in B's null space: x = the particular solution.
      {"inconsistent", kNullSpace, Make(2, {}, {0, 0.5}, {1, 0}, {1}, 0), {7}, 0, 9, {1, 0}, {0},
       "Problem in solveSaddlePointProblemWithNullSpace, norm of residual = 0.5\nA = [ 0 ,0 ;\n0 ,0 ];\n"
       "B = [ 1 ,0 ];\nrhs1 = [ 0 ,0.5 ];\nrhs2 = [ 1 ];\n [A,B';B,zeros(1,1)] \\ [rhs1';rhs2'] \n"},
      // A solved start; starts repaired by the perturbed right-hand side (b = 0)
      // and cost (c in the row space), or beyond repair (x̃ with a zero entry and
      // s̃ a negative one while b != 0; the perturbed x̃, the perturbed s̃ still
      // non-negative); a solve tolerance above every pivot (then the check of
      // x = 0 fails once per row kind); a square problem (0 / 0).
      {"solved start", kMehrotra, Make(3, {}, {0, 0, 1}, {1, 1, 0}, {2}, 1), {7}, 1, 9, {1, 1, 0}, {0},
       " Mehrotra interior point converges in 0 iterations. \n dual error 0 primal error 0\n"},
      {"perturbed b", kMehrotra, Make(3, {}, {1, 0, 0}, {1, 1, -1}, {0}, 1), {7}, 1, 9, {0, 5.848486e-4, 5.848486e-4},
       {0}, converged("7", "2.58486926960868e-09", "1.39723551739052e-12")},
      {"perturbed c", kMehrotra, Make(3, {}, {1, 2, 1}, {1, 1, 0, 0, 1, 1}, {1, 0}, 2), {7}, 1, 9, {1, 0, 0},
       {-1, -0.9999745293}, converged("7", "8.08020317322189e-13", "5.1697384563243e-09")},
      {"b != 0", kMehrotra, Make(2, {}, {-1, 1}, {1, 0}, {1}, 0), {7}, 0, 9, {7}, {8}, ""},
      {"perturbed x̃", kMehrotra, Make(2, {}, {1, -1}, {1, 0}, {0}, 1), {7}, 0, 9, {7}, {8}, ""},
      {"perturbed s̃", kMehrotra, Make(3, {}, {1, -1, 0}, {1, -1, 0, 0, 1, -1}, {1, 1}, 2), {7}, 0, 9, {7}, {8}, ""},
      {"unsolved start", kLinear, Make(2, {}, {1, 2}, {1, 0, 0, 1}, {1, 1}, 2, {}, {-1, -1}, 100.0), {7}, 0, 9,
       {0, 0}, {8}, "AAt = [ 2 ,0 ,2 ,0 ;\n0 ,2 ,0 ,2 ;\n2 ,0 ,3 ,0 ;\n0 ,2 ,0 ,3 ];\nrhs_init = [ 2 ,4 ,3 ,5 ];\n"
       " Error in SolveLinearProgramming\n Error in SolveLinearProgramming\n"},
      {"square", kMehrotra, Make(2, {}, {1, 1}, {1, 0, 0, 1}, {1, 1}, 2), {7}, 0, 9, {kNone}, {kNone},
       failed + "A = [ 1 ,0 ;\n0 ,1 ];\nB = [ 1 ,1 ];\nc = [ 1 ,1 ];\nkarmarkar(A,B,c,2)\n"},
      // min x1 + 2 x2 with x1 + x2 = 1 and x >= 0; through the active-set method
      // with H = 0, max x2 with x1 + x2 = 1, x1 >= -1 (split into x⁺ - x⁻), x2 >= 0.
      {"bounded below by 0", kLinear, Make(2, {}, {1, 2}, {1, 1}, {1}, 1, {0, 0}), {7}, 1, 9, {1, 0}, {-2, -1, -0.5},
       converged("7", "1.30941568698972e-09", "4.28481916614487e-10")},
      {"H = 0", kActiveSet, Make(2, {}, {0, -1}, {1, 1}, {1}, 1, {-1, 0}), {0.5, 0.5}, 1, 9, {-1, 2}, {kNone},
       converged("8", "1.31318955709503e-10", "4.83211248791804e-11")},
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

// With, for each routine, the least number of tame problems it must solve
// (the linear ones may be unbounded).
TEST(VelaOptimUtilities, RandomProblemsMeetTheirConditions) {
  vela::test::SeededChoices choices(2026);
  for (const auto& [routine, least] : {std::pair{kMehrotra, 25}, {kLinear, 20}, {kActiveSet, 80}, {kQuadratic, 60}}) {
    int solved = 0;
    for (int i = 0; i < 150; ++i) ASSERT_EQ(CheckRandom(choices, routine, &solved), "") << routine << " " << i;
    EXPECT_GE(solved, least) << routine;
  }
}

// A shrunk matrix keeps its old rows in storage: only the rows it has may
// become constraints (a ghost row here would force x1 to 0).
TEST(VelaOptimUtilities, ReadsOnlyTheRowsTheMatrixHas) {
  Problem q = Make(2, {1, 0, 1}, {-1, -3}, {1, -1, 1e300, 1e300}, {0, 1e300}, 0, {0, 0});
  q.A.Resize(1, 2);
  q.b.Resize(1);
  const Outcome r = Call(kActiveSet, q, VelaVector(2, 0.0));
  EXPECT_EQ(r.flag, 1);
  ExpectValues(r.x, {1, 3}, 1e-9);
}

// One bound enters per solve: n bounds take n + 1 solves, and 100 is the limit.
TEST(VelaOptimActiveSet, StopsAfterOneHundredSolves) {
  for (int n : {99, 100}) {
    Problem q = Make(n, {}, Values(static_cast<size_t>(n), -2.0), {}, {}, 0);
    q.H = VelaSymmetricMatrix(n, VelaMatrix(n));
    for (int j = 0; j < n; ++j) q.hasUpper.Set(j, 1), q.upper[j] = 1.0 + 0.01 * j;
    const Outcome r = Call(kActiveSet, q, VelaVector(n, 0.0));
    EXPECT_TRUE(r.flag == (n == 99) && r.lambda.GetSize() == (n == 99 ? n : 1));
    ExpectValues(r.x, Values(q.upper.GetBuffer(), q.upper.GetBuffer() + n), 1e-12);  // the last iterate
  }
}

TEST(VelaOptimInteriorPoint, ComputeMaxStepOnlyShortensOnDecreasingEntries) {
  const double v[] = {1, 2, 1e-17, 0}, dv[] = {-4, -1, -1e-15, -1e-16};
  double alpha[] = {1.0, 0.1, 1.0};  // to the first ratio, 1/4; never longer; decreases of 1e-15 or less ignored
  for (int k = 0; k < 3; ++k) U::computeMaxStep(VelaVector(2, v + k / 2 * 2), VelaVector(2, dv + k / 2 * 2), alpha[k]);
  EXPECT_TRUE(alpha[0] == 0.25 && alpha[1] == 0.1 && alpha[2] == 1.0);
}

}  // namespace
