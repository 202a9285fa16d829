// Optimisers on bad numbers: a non-finite problem is refused, outputs as passed; success keeps its contract.
#include "support/BadNumbers.h"
#include "vela/containers/VelaBoolArray.h"
#include "vela/linalg/VelaSymmetricMatrix.h"
#include "vela/optim/VelaOptimUtilities.h"

namespace {

using namespace vela::test;
using VOU = VelaOptimUtilities;
const double kSentinel = 7.0;
// The refusal of a problem: 0, x as passed (n values) and lambda as passed.
bool Refused(unsigned char ok, const VelaVector& x, const double* x0, int n, const VelaVector& lambda) {
  return !ok && x.GetSize() == n && !std::memcmp(x.GetBuffer(), x0, n * sizeof(double)) && lambda.GetSize() == 1 && lambda[0] == kSentinel;
}
// |a0 x0 + a1 x1 - b| beyond its rounding error, for x of two entries.
long double Residual(const double* a, const VelaVector& x, double b) {
  const long double r = std::fabs(static_cast<long double>(a[0]) * x[0] + static_cast<long double>(a[1]) * x[1] - b);
  return r - 1e-15L * (std::fabs(a[0] * x[0]) + std::fabs(a[1] * x[1]) + std::fabs(b));
}

// Two solvers on one problem: the run checks both contracts and returns 1 when both succeed.
struct Problem { const char* name; In base; bool (*run)(const In& in); };

const Problem kProblems[] = {
    // min ½ xᵀ x - x0 - x1 with x0 + x1 <= 1, x >= 0 (active set) or x0 + x1 = 1 (quadratic problem): H (packed),
    // c, A, b, then the active set's lower bounds, start x and unflagged upper bounds, then the tolerances. Success
    // of the latter means residuals below iTol; of the linear programme, rows and flagged bounds holding to iTol.
    {"ActiveSetMethod, SolveQuadraticProblem", {1, 0, 1, -1, -1, 1, 1, 1, 0, 0, 0, 0, 5, 5, 1e-12, 1e-9}, [](const In& in) {
       const bool finite = Finite(in.data(), 12), finiteQp = Finite(in.data(), 8);
       const VelaSymmetricMatrix H(2, in.data());
       VelaVector x(2, &in[10]), lambda(1, kSentinel), y(1, kSentinel), mu(1, kSentinel);
       const unsigned char ok = VOU::ActiveSetMethod(0, H, VelaVector(2, &in[3]), VelaMatrix(1, 2, &in[5]), VelaVector(1, &in[7]), 0,
                                                     VelaBoolArray(2, 1), VelaVector(2, &in[8]), VelaBoolArray(2, 0), VelaVector(2, &in[12]),
                                                     x, lambda, in[14], in[15]);
       EXPECT_TRUE(ok ? finite && NoNaN(x) && NoNaN(lambda) : finite || Refused(ok, x, &in[10], 2, lambda));
       const unsigned char qp = VOU::SolveQuadraticProblem(0, H, VelaVector(2, &in[3]), VelaMatrix(1, 2, &in[5]), VelaVector(1, &in[7]),
                                                           y, mu, in[14], in[15]);
       EXPECT_TRUE(qp ? finiteQp && in[15] > 0.0 && Residual(&in[5], y, in[7]) <= in[15] : finiteQp || Refused(qp, y, &kSentinel, 1, mu));
       return ok && qp;
     }},
    // min x0 + 2 x1 with x0 + x1 <= 1, x >= 0 (interior point) or x0 + x1 = 1, 0 <= x0 <= 3, x1 >= -1 (linear
    // programming): c, A, b, then the latter's lower bounds, x0's upper bound and x1's unflagged one, then tolerances.
    {"InteriorPoint_Mehrotra, SolveLinearProgramming", {1, 2, 1, 1, 1, 0, -1, 3, 9, 1e-12, 1e-9}, [](const In& in) {
       const bool finite = Finite(in.data(), 5), finiteLp = Finite(in.data(), 8);
       VelaVector x(1, kSentinel), lambda(1, kSentinel), y(1, kSentinel), mu(1, kSentinel);
       const unsigned char ok = VOU::InteriorPoint_Mehrotra(0, VelaVector(2, in.data()), VelaMatrix(1, 2, &in[2]), VelaVector(1, &in[4]), 0,
                                                            x, lambda, in[9], in[10]);
       EXPECT_TRUE(ok ? finite && x.GetSize() == 2 && NoNaN(x) && NoNaN(lambda) : finite || Refused(ok, x, &kSentinel, 1, lambda));
       VelaBoolArray hasUpper(2, 0);
       hasUpper.Set(0, 1);
       const unsigned char lp = VOU::SolveLinearProgramming(0, VelaVector(2, in.data()), VelaMatrix(1, 2, &in[2]), VelaVector(1, &in[4]), 1,
                                                            VelaBoolArray(2, 1), VelaVector(2, &in[5]), hasUpper, VelaVector(2, &in[7]), y,
                                                            mu, in[9], in[10]);
       const double slack = in[10] * (1 + 1e-9);
       const bool held = y.GetSize() == 2 && (!(in[10] >= 0.0) || (Residual(&in[2], y, in[4]) <= slack && y[0] >= in[5] - slack &&
                                                                   y[1] >= in[6] - slack && y[0] <= in[7] + slack));
       EXPECT_TRUE(lp ? finiteLp && held : finiteLp || Refused(lp, y, &kSentinel, 1, mu));
       return ok && lp;
     }},
};

TEST(VelaBadNumbersOptim, EverySolverRefusesOrKeepsItsContract) {
  for (const Problem& p : kProblems) {
    ASSERT_TRUE(p.run(p.base)) << p.name << " fail on their well-posed base problem";
    Sweep({p.name, p.base, [&p](const In& in) { p.run(in); }});
  }
}

}  // namespace
