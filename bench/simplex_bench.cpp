// Linear programs in standard form (maximise c.x, A x = b, x >= 0): the
// library's phase one (InitializeSimplexStartPoint) followed by
// SimplexMaximisation, beside GLPK's primal simplex (glp_simplex, presolve
// and messages off, its default pricing) started from its standard basis.
//
// Problems: dense random m x 2m systems that are feasible (b = A x0 with
// x0 > 0) and bounded (c = Aᵀy - s with s >= 0, so y is dual feasible), and
// the Netlib model afiro with one slack column per inequality row. GLPK's
// problem object is built once; each of its iterations restores the
// standard basis and solves. The library's iterations start from the raw
// data, as a caller would.
//
// Counters: the simplex iterations of one solve (phase one and the
// maximisation separately for the library). The library's counts come from
// its internal entry points, compiled into this benchmark
// (bench/CMakeLists.txt) because the public members do not return them.
// Before timing, each benchmark checks that both reach the same objective.
#include <benchmark/benchmark.h>
#include <glpk.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "support/AfiroLp.h"
#include "linalg/SimplexCore.h"
#include "vela/linalg/VelaMatrix.h"

namespace {

constexpr double kTol = 1e-10;
const double kNoTarget = std::numeric_limits<double>::infinity();

struct Lp {
  VelaMatrix a;
  VelaVector b, c;
};

Lp RandomLp(int m) {
  const int n = 2 * m;
  std::mt19937_64 rng(20240611u + static_cast<std::uint64_t>(m));
  std::uniform_real_distribution<double> sym(-1.0, 1.0), pos(0.0, 1.0);
  Lp lp{VelaMatrix(m, n, 0.0), VelaVector(m, 0.0), VelaVector(n, 0.0)};
  std::vector<double> x0(static_cast<std::size_t>(n)), y(static_cast<std::size_t>(m));
  for (int i = 0; i < m; ++i)
    for (int j = 0; j < n; ++j) lp.a(i, j) = sym(rng);
  for (double& v : x0) v = pos(rng);
  for (double& v : y) v = sym(rng);
  for (int i = 0; i < m; ++i)
    for (int j = 0; j < n; ++j) lp.b[i] += lp.a(i, j) * x0[static_cast<std::size_t>(j)];
  for (int j = 0; j < n; ++j) {
    for (int i = 0; i < m; ++i) lp.c[j] += lp.a(i, j) * y[static_cast<std::size_t>(i)];
    lp.c[j] -= pos(rng);
  }
  return lp;
}

Lp AfiroLp() {
  namespace af = vela::test::afiro;
  int slacks = 0;
  for (int i = 0; i < af::kRows; ++i) slacks += af::kSense[i] == 'L';
  const int n = af::kCols + slacks;
  Lp lp{VelaMatrix(af::kRows, n, 0.0), VelaVector(af::kRows, af::kRhs), VelaVector(n, 0.0)};
  for (const af::Entry& e : af::kEntries) lp.a(e.row, e.col) = e.value;
  for (int i = 0, s = af::kCols; i < af::kRows; ++i)
    if (af::kSense[i] == 'L') lp.a(i, s++) = 1.0;
  for (int j = 0; j < af::kCols; ++j) lp.c[j] = -af::kCost[j];
  return lp;
}

// m = 0 selects afiro.
Lp Problem(int m) { return m == 0 ? AfiroLp() : RandomLp(m); }

double Objective(const Lp& lp, const VelaVector& x) { return lp.c * x; }

// Phase one and maximisation through the public members; NaN on failure.
double SolveVela(const Lp& lp, VelaVector& x) {
  if (!lp.a.InitializeSimplexStartPoint(x, lp.b, kTol)) return std::nan("");
  if (!lp.a.SimplexMaximisation(x, lp.c, lp.b, kNoTarget, kTol)) return std::nan("");
  return Objective(lp, x);
}

void BM_VelaSimplex(benchmark::State& state) {
  const Lp lp = Problem(static_cast<int>(state.range(0)));
  VelaVector x;
  int phaseOne = 0, phaseTwo = 0;
  if (!vela::detail::SimplexStartPoint(lp.a, x, lp.b, kTol, &phaseOne) ||
      !vela::detail::SimplexMaximise(lp.a, x, lp.c, lp.b, kNoTarget, kTol, &phaseTwo, nullptr)) {
    state.SkipWithError("not solved");
    return;
  }
  for (auto _ : state) {
    double objective = SolveVela(lp, x);
    benchmark::DoNotOptimize(objective);
  }
  state.counters["phase1_iters"] = phaseOne;
  state.counters["phase2_iters"] = phaseTwo;
  state.counters["objective"] = Objective(lp, x);
}

// The same problem as a GLPK object: fixed rows, columns bounded below by 0.
glp_prob* GlpkProblem(const Lp& lp) {
  const int m = lp.a.GetNbOfRow(), n = lp.a.GetNbOfCol();
  glp_prob* p = glp_create_prob();
  glp_set_obj_dir(p, GLP_MAX);
  glp_add_rows(p, m);
  glp_add_cols(p, n);
  for (int i = 0; i < m; ++i) glp_set_row_bnds(p, i + 1, GLP_FX, lp.b[i], lp.b[i]);
  std::vector<int> ia{0}, ja{0};
  std::vector<double> ar{0.0};
  for (int j = 0; j < n; ++j) {
    glp_set_col_bnds(p, j + 1, GLP_LO, 0.0, 0.0);
    glp_set_obj_coef(p, j + 1, lp.c[j]);
    for (int i = 0; i < m; ++i) {
      if (lp.a(i, j) == 0.0) continue;
      ia.push_back(i + 1);
      ja.push_back(j + 1);
      ar.push_back(lp.a(i, j));
    }
  }
  glp_load_matrix(p, static_cast<int>(ar.size()) - 1, ia.data(), ja.data(), ar.data());
  return p;
}

void BM_GlpkSimplex(benchmark::State& state) {
  const Lp lp = Problem(static_cast<int>(state.range(0)));
  glp_prob* p = GlpkProblem(lp);
  glp_smcp parm;
  glp_init_smcp(&parm);
  parm.msg_lev = GLP_MSG_OFF;
  parm.presolve = GLP_OFF;
  int iterations = 0;
  for (auto _ : state) {
    glp_std_basis(p);
    glp_set_it_cnt(p, 0);
    const int rc = glp_simplex(p, &parm);
    iterations = glp_get_it_cnt(p);
    benchmark::DoNotOptimize(rc);
  }
  VelaVector x;
  const double ours = SolveVela(lp, x), theirs = glp_get_obj_val(p);
  if (glp_get_status(p) != GLP_OPT || !(std::fabs(ours - theirs) <= 1e-7 * (1.0 + std::fabs(theirs))))
    state.SkipWithError("objectives differ");
  state.counters["iters"] = iterations;
  state.counters["objective"] = theirs;
  glp_delete_prob(p);
}

// Argument: rows of the random problem, or 0 for afiro.
BENCHMARK(BM_VelaSimplex)->Arg(0)->Arg(20)->Arg(50)->Arg(100)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GlpkSimplex)->Arg(0)->Arg(20)->Arg(50)->Arg(100)->Unit(benchmark::kMicrosecond);

}  // namespace
