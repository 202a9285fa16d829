// vela_example_optim: a linear program solved twice (interior point and
// simplex) and two quadratic programs, each answer checked by its
// optimality (KKT) conditions.
//
// The optimisers write their diagnostics on the configuration's trace
// stream, which is standard output, whatever the trace level. The example
// captures them around each call and shows only their first words.

#include <cmath>
#include <iostream>
#include <sstream>
#include <string>

#include "vela/VelaUtilities.h"

namespace {

double Tidy(double v) { return std::fabs(v) < 5e-7 ? 0.0 : v; }

void PrintRow(VelaStream& out, const char* name, const VelaVector& v) {
  out << name << " = (";
  for (int i = 0; i < v.GetSize(); ++i) out << (i ? ", " : "") << Tidy(v[i]);
  out << ")" << velendl;
}

// Redirects standard output into a buffer for the lifetime of the object.
// The trace stream writes through std::cout and leaves its own precision
// there, so the format of std::cout is restored too.
class CaptureTrace {
 public:
  CaptureTrace() : saved_(std::cout.rdbuf(text_.rdbuf())) { format_.copyfmt(std::cout); }
  ~CaptureTrace() {
    std::cout.rdbuf(saved_);
    std::cout.copyfmt(format_);
  }
  // The first line written, without the blank the library ends it with.
  std::string FirstLine() const {
    const std::string all = text_.str();
    return VelaString(all.substr(0, all.find('\n'))).trimRight();
  }

 private:
  std::ostringstream text_;
  std::streambuf* saved_;
  std::ios format_{nullptr};
};

// minimise -x - 2y  subject to  x + y + s1 = 4,  x + 3y + s2 = 6,  all >= 0
void LinearProgram(VelaStream& out, int level) {
  out << "-- linear program" << velendl;
  const double a[] = {1.0, 1.0, 1.0, 0.0,
                      1.0, 3.0, 0.0, 1.0};
  const double cost[] = {-1.0, -2.0, 0.0, 0.0};
  const double rhs[] = {4.0, 6.0};
  // [guide:lp]
  VelaMatrix A(2, 4, a);
  VelaVector c(4, cost), b(2, rhs), x, lambda;
  std::string message;
  unsigned char ok = 0;
  {
    CaptureTrace trace;  // " Mehrotra interior point converges in ..."
    ok = VelaOptimUtilities::InteriorPoint_Mehrotra(level, c, A, b, 2, x, lambda, 1e-12, 1e-9);
    message = trace.FirstLine();
  }
  // Optimality: A x = b, dual slacks s = c + A^T lambda >= 0, x . s = 0.
  VelaVector s = c + A.MultiplyVectorLeft(lambda);
  VelaVector primal = A * x - b;
  // [guide:lp]
  out << "interior point returned " << static_cast<int>(ok) << ":" << message << velendl;
  PrintRow(out, "x", x);
  out << "objective c.x = " << Tidy(c * x) << velendl;
  double smallest = s[0];
  for (int i = 1; i < s.GetSize(); ++i) smallest = std::fmin(smallest, s[i]);
  out << "|A x - b|inf = " << Tidy(primal.GetNormInf(-1)) << ", min s = " << Tidy(smallest)
      << ", x.s = " << Tidy(x * s) << velendl;

  // The same problem by the simplex method, from the basic feasible point
  // where only the two slacks are non-zero.
  // [guide:simplex]
  const double start[] = {0.0, 0.0, 4.0, 6.0};
  VelaVector vertex(4, start);
  VelaVector gain = c * -1.0;  // the simplex maximises
  const unsigned char found = A.SimplexMaximisation(vertex, gain, b, VeladoubleMax, 1e-9);
  // [guide:simplex]
  out << "simplex returned " << static_cast<int>(found) << velendl;
  PrintRow(out, "x", vertex);
  out << "objective c.x = " << Tidy(c * vertex) << velendl;
}

// minimise (x - 1)^2 + (y - 2.5)^2, i.e. 1/2 x^T H x + c^T x with H = 2 I,
// subject to three rows A x <= b and x, y >= 0.
void QuadraticProgram(VelaStream& out, int level) {
  out << "-- quadratic program (active set)" << velendl;
  const double packed[] = {2.0,
                           0.0, 2.0};  // lower triangle by rows
  const double a[] = {-1.0, 2.0,
                      1.0, 2.0,
                      1.0, -2.0};
  const double cost[] = {-2.0, -5.0};
  const double rhs[] = {2.0, 6.0, 2.0};
  const double start[] = {2.0, 0.0};  // feasible: the solver starts here
  // [guide:qp]
  VelaSymmetricMatrix H(2, packed);
  VelaMatrix A(3, 2, a);
  VelaVector c(2, cost), b(3, rhs), x(2, start), lambda;
  VelaBoolArray hasLower(2, 1), hasUpper(2, 0);  // x >= 0, no upper bounds
  VelaVector lower(2, 0.0), upper(2, 0.0);
  const unsigned char ok = VelaOptimUtilities::ActiveSetMethod(level, H, c, A, b, 0, hasLower, lower,
                                                               hasUpper, upper, x, lambda, 1e-12, 1e-9);
  // [guide:qp]
  out << "ActiveSetMethod returned " << static_cast<int>(ok) << velendl;
  PrintRow(out, "x", x);
  PrintRow(out, "lambda", lambda);
  out << "objective = " << Tidy(0.5 * (x * (H * x)) + c * x) << velendl;

  // The multipliers follow the stacked rows: A's rows, then one row -e_j per
  // lower bound (right-hand side -lower(j)). H x + c + M^T lambda = 0.
  // [guide:qp-kkt]
  VelaMatrix M = A;
  VelaVector r = b;
  for (int j = 0; j < 2; ++j) {
    VelaVector row(2, 0.0);
    row[j] = -1.0;
    M.AppendRow(row.GetBuffer());
    r.Append(-lower[j]);
  }
  VelaVector stationarity = H * x + c + M.MultiplyVectorLeft(lambda);
  VelaVector slack = r - M * x;  // >= 0 when feasible
  // [guide:qp-kkt]
  double worstSlack = 0.0, complementarity = 0.0, worstMultiplier = 0.0;
  for (int i = 0; i < slack.GetSize(); ++i) {
    worstSlack = std::fmin(worstSlack, slack[i]);
    worstMultiplier = std::fmin(worstMultiplier, lambda[i]);
    complementarity += std::fabs(lambda[i] * slack[i]);
  }
  out << "|H x + c + M^T lambda|inf = " << Tidy(stationarity.GetNormInf(-1)) << velendl;
  out << "min slack = " << Tidy(worstSlack) << ", min lambda = " << Tidy(worstMultiplier)
      << ", sum |lambda slack| = " << Tidy(complementarity) << velendl;
}

// minimise x^2 + y^2 + z^2 subject to x + y + z = 3: one saddle-point step.
void EqualityProgram(VelaStream& out, int level) {
  out << "-- quadratic program (equality rows)" << velendl;
  const double packed[] = {2.0,
                           0.0, 2.0,
                           0.0, 0.0, 2.0};
  const double row[] = {1.0, 1.0, 1.0};
  // [guide:eqp]
  VelaSymmetricMatrix H(3, packed);
  VelaMatrix A(1, 3, row);
  VelaVector c(3, 0.0), b(1, 3.0), x, lambda;
  const unsigned char ok = VelaOptimUtilities::SolveQuadraticProblem(level, H, c, A, b, x, lambda, 1e-12, 1e-9);
  VelaVector stationarity = H * x + c - A.MultiplyVectorLeft(lambda);  // H x + c = A^T lambda
  // [guide:eqp]
  out << "SolveQuadraticProblem returned " << static_cast<int>(ok) << velendl;
  PrintRow(out, "x", x);
  PrintRow(out, "lambda", lambda);
  out << "|H x + c - A^T lambda|inf = " << Tidy(stationarity.GetNormInf(-1)) << velendl;
}

}  // namespace

int main() {
  VelaStream out(&std::cout);
  out << velsetfixedfloatfield() << velsetprecision(6);
  const int level = static_cast<int>(GetGlobalParameters().GetVelFullOpenConfigurationLevel());
  LinearProgram(out, level);
  QuadraticProgram(out, level);
  EqualityProgram(out, level);
  return 0;
}
