// Optimisers on bad numbers: a non-finite problem is refused, outputs as passed; success keeps its contract.
#include "support/BadNumbers.h"

#include "optim/OptimProblems.h"

namespace {

using namespace vela::test;
using namespace vela::test::optim;

// |a0 x0 + a1 x1 - b| beyond its rounding error, for a success's x of two entries.
long double Excess(const double* a, const VelaVector& x, double b) {
  const long double r = std::fabs(static_cast<long double>(a[0]) * x[0] + static_cast<long double>(a[1]) * x[1] - b);
  return r - 1e-15L * (std::fabs(a[0] * x[0]) + std::fabs(a[1] * x[1]) + std::fabs(b));
}
// A refusal: x and lambda as passed.
bool Refused(const Outcome& r, const VelaVector& x0) {
  return !r.flag && r.x.GetSize() == x0.GetSize() && !std::memcmp(r.x.GetBuffer(), x0.GetBuffer(), 8 * x0.GetSize()) &&
         r.lambda.GetSize() == 1 && r.lambda[0] == 8.0;
}

// Two routines on one problem; true when both succeed. Unflagged bounds are
// NaN (Make), which must not count as bad input.
struct Pair { const char* name; In base; bool (*run)(const In& in); };
const Pair kPairs[] = {
    // min ½ xᵀ x - x0 - x1 with x0 + x1 <= 1, x >= 0 (active set, from the start) or x0 + x1 = 1 (quadratic
    // problem): H packed, c, A, b, lower bounds, start, tolerances. The latter's success: residuals below iTol.
    {"ActiveSetMethod, SolveQuadraticProblem", {1, 0, 1, -1, -1, 1, 1, 1, 0, 0, 0, 0, 1e-12, 1e-9}, [](const In& in) {
       Problem q = Make(2, {in[0], in[1], in[2]}, {in[3], in[4]}, {in[5], in[6]}, {in[7]}, 0, {0, 0}, {}, in[12]);
       q.lower[0] = in[8], q.lower[1] = in[9], q.tol = in[13];
       const VelaVector x0(2, &in[10]), unset(1, 7.0);
       const Outcome as = Call(kActiveSet, q, x0);
       EXPECT_TRUE(as.flag ? Finite(in.data(), 12) && NoNaN(as.x) && NoNaN(as.lambda)
                           : Finite(in.data(), 12) || Refused(as, x0));
       q.nbEq = 1;
       const Outcome qp = Call(kQuadratic, q);
       EXPECT_TRUE(qp.flag ? Finite(in.data(), 8) && in[13] > 0.0 && qp.x.GetSize() == 2 && Excess(&in[5], qp.x, in[7]) <= in[13]
                           : Finite(in.data(), 8) || Refused(qp, unset));
       return as.flag && qp.flag;
     }},
    // min x0 + 2 x1 with x0 + x1 <= 1, x >= 0 (interior point) or x0 + x1 = 1, 0 <= x0 <= 3, x1 >= -1 (linear
    // programming): c, A, b, lower bounds, x0's upper bound, tolerances. The latter's success: rows and flagged
    // bounds hold to iTol.
    {"InteriorPoint_Mehrotra, SolveLinearProgramming", {1, 2, 1, 1, 1, 0, -1, 3, 1e-12, 1e-9}, [](const In& in) {
       Problem q = Make(2, {}, {in[0], in[1]}, {in[2], in[3]}, {in[4]}, 0, {0, 0}, {0}, in[8]);
       q.lower[0] = in[5], q.lower[1] = in[6], q.upper[0] = in[7], q.tol = in[9];
       const VelaVector unset(1, 7.0);
       const Outcome ip = Call(kMehrotra, q);
       EXPECT_TRUE(ip.flag ? Finite(in.data(), 5) && ip.x.GetSize() == 2 && NoNaN(ip.x) && NoNaN(ip.lambda)
                           : Finite(in.data(), 5) || Refused(ip, unset));
       q.nbEq = 1;
       const Outcome lp = Call(kLinear, q);
       const double s = in[9] * (1 + 1e-9);
       const VelaVector& y = lp.x;
       const bool held = y.GetSize() == 2 && (!(in[9] >= 0.0) || (Excess(&in[2], y, in[4]) <= s && y[0] >= in[5] - s &&
                                                                  y[1] >= in[6] - s && y[0] <= in[7] + s));
       EXPECT_TRUE(lp.flag ? Finite(in.data(), 8) && held : Finite(in.data(), 8) || Refused(lp, unset));
       return ip.flag && lp.flag;
     }},
};

TEST(VelaBadNumbersOptim, EverySolverRefusesOrKeepsItsContract) {
  for (const Pair& p : kPairs) {
    ASSERT_TRUE(p.run(p.base)) << p.name << " fail on their well-posed base problem";
    Sweep({p.name, p.base, [&p](const In& in) { p.run(in); }});
  }
}

}  // namespace
