// Dense and sparse solvers on matrices up to 12 x 12 with zeros, NaN, infinities, huge and tiny entries
// among ordinary ones. Every routine must return; on finite (for residuals, well-conditioned) input: the
// sparse solve is the plain loop's, with a clear flag only on an exact zero; the two-thread solve reaches the
// serial one; U diag(S) Vᵀ = A, S >= 0; X A = I for the QR left inverse; small residuals of the dense
// Gauss-Jordan front end, Cholesky and LDLᵀ; [range | kernel] orthogonal with A kernel = 0; L Lᵀ = S.
#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "support/PlainGaussJordan.h"
#include "vela/containers/VelaIntArray.h"
#include "vela/linalg/VelaLowerTriangularMatrix.h"
#include "vela/linalg/VelaSymmetricMatrix.h"

namespace {

using vela::fuzz::ByteChoices;
using vela::fuzz::Require;
using namespace vela::test;
using Vec = std::vector<double>;
constexpr unsigned int kNewLevel = 0x2C00000u;  // the level that changes the pivot search
constexpr double kSubnormalSlack = 1e-320;      // subnormals carry an absolute precision only

struct Dense {
  int rows = 0, cols = 0;
  Vec a;
  bool finite = true;
  double at(int i, int j) const { return a[static_cast<std::size_t>(i * cols + j)]; }
  VelaMatrix Matrix() const { return VelaMatrix(rows, cols, a.data()); }
  double Max() const { return a.empty() ? 0.0 : VelaMatrix::NormInf(rows * cols, a.data()); }
};

double Entry(ByteChoices& c) {
  static const double kSpecial[] = {0.0, -0.0, 1e300, -1e300, 1e-300, 5e-324, NAN, INFINITY, -INFINITY};
  switch (c.Pick(8)) {
    case 0: case 1: return 0.0;
    case 2: return kSpecial[c.Pick(9)];
    case 3: return c.RawDouble();
    default: return static_cast<double>(static_cast<int>(c.Pick(41)) - 20) / 4.0;  // exact small numbers
  }
}
Dense Decode(ByteChoices& c, bool square) {
  Dense m;
  m.rows = static_cast<int>(c.Pick(13));
  m.cols = square ? m.rows : static_cast<int>(c.Pick(13));
  for (int k = 0; k < m.rows * m.cols; ++k) m.a.push_back(Entry(c)), m.finite = m.finite && std::isfinite(m.a.back());
  return m;
}
Vec Vector(ByteChoices& c, int n) {
  Vec v(static_cast<std::size_t>(n));
  for (double& x : v) x = static_cast<double>(static_cast<int>(c.Pick(21)) - 10);
  return v;
}

// Finite, square, singular values within 1e6 of each other, the smallest above 1e4 times `absoluteTolerance`.
bool WellConditioned(const Dense& m, double absoluteTolerance = 0.0) {
  if (!m.finite || m.rows != m.cols || m.rows == 0) return false;
  VelaMatrix u, v;
  Vec s(static_cast<std::size_t>(m.cols));
  if (!m.Matrix().FactorisationSVD(u, s.data(), v)) return false;
  const auto [low, high] = std::minmax_element(s.begin(), s.end());
  return *low > 1e-6 * *high && *high < 1e150 && *low > std::max(1e-150, 1e4 * absoluteTolerance);
}
void RequireResidual(const Dense& m, const double* x, const Vec& b, const char* what) {
  Require(RelativeResidual(m.rows, m.cols, m.a, x, b.data()) < 1e-8, std::string(what) + ": residual");
}
void RequireMask(const VelaSparseMatrix& s) {
  for (int k = 0; k < s.GetSize(); ++k)
    Require(s.IsNonZero(k / s.GetNbOfCol(), k % s.GetNbOfCol()) || s.GetBuffer()[k] == 0.0, "a clear flag on a non-zero");
}
VelaMatrix Transposed(VelaMatrix m) { return m.Transpose(), m; }
double Gap(const VelaMatrix& a, const VelaMatrix& b) { return (a - b).GetNormInf(-1); }  // of one shape

// The same values as the plain loop (the sign of a zero may differ where the loop subtracts f * 0.0).
void SparseSolve(ByteChoices& c) {
  const Dense m = Decode(c, false);
  const Vec b = Vector(c, m.rows);
  const unsigned int level = c.Chance(50) ? kNewLevel : 0u;
  const double tol = c.Chance(10) ? 0.0 : 1e-9 * std::max(m.Max(), 1e-300);
  VelaSparseMatrix s(m.rows, m.cols, m.a.data());
  const Solved solved = Solve(s, b.data(), level, tol);
  RequireMask(s);
  // A pivot whose reciprocal overflows turns the loop's zeros of its row into NaN (0 * inf).
  const auto tiny = [](double v) { return v != 0.0 && std::fabs(v) < 1.0 / std::numeric_limits<double>::max(); };
  if (!m.finite || !(tol > 0.0) || m.rows * m.cols == 0 || std::any_of(m.a.begin(), m.a.end(), tiny)) return;
  Vec plain = m.a, w = b, x(static_cast<std::size_t>(m.cols));
  std::vector<int> perm(static_cast<std::size_t>(m.cols));
  const int rank = PlainGaussJordan(m.rows, m.cols, plain.data(), w.data(), perm.data(), tol, level);
  PlainGaussJordanSolution(m.cols, rank, w.data(), perm.data(), x.data());
  const auto same = [](double u, double v) { return u == v || (u != u && v != v); };
  Require(std::equal(x.begin(), x.end(), solved.x.begin(), same), "the solution is not the plain loop's");
  Require(std::equal(plain.begin(), plain.end(), s.GetBuffer(), same), "the reduced matrix is not the plain loop's");
  Require(solved.kernel.GetNbOfRow() == m.cols - rank, "the kernel's row count is not cols - rank");
}

// At level 0 the pivot search may stop short of the rank on matrices of extreme magnitude, and then both solves
// leave the residual: the two-thread solve is held to what the serial one reaches.
void ParallelSolve(ByteChoices& c) {
  const Dense m = Decode(c, c.Chance(70));
  const Vec b = Vector(c, m.rows);
  const unsigned int level = c.Chance(50) ? kNewLevel : 0u;
  const double tol = 1e-9 * std::max(m.Max(), 1e-300);
  VelaSparseMatrix serial(m.rows, m.cols, m.a.data()), parallel(serial);
  const Solved one = Solve(serial, b.data(), level, tol), two = Solve(parallel, b.data(), level, tol, true);
  RequireMask(parallel);
  if (!WellConditioned(m)) return;
  Require(two.kernel.GetNbOfRow() == one.kernel.GetNbOfRow(), "the two solves find different ranks");
  if (RelativeResidual(m.rows, m.cols, m.a, one.x.data(), b.data()) < 1e-8)
    RequireResidual(m, two.x.data(), b, "two threads");
}

void DenseRoutines(ByteChoices& c, const Dense& m) {
  const VelaMatrix a = m.Matrix();
  const int n = m.cols, what = static_cast<int>(c.Pick(5));
  VelaMatrix u, v, x, range, kernel;
  Vec s(static_cast<std::size_t>(n));
  if (what == 0 && a.FactorisationSVD(u, s.data(), v) && m.finite && m.rows * n > 0 && m.Max() < 1e300) {
    for (int k = 0; k < u.GetSize(); ++k) u.GetBuffer()[k] *= s[k % n];  // U diag(S) Vᵀ overflows beyond 1e300
    Require(Gap(u * Transposed(v), a) <= 1e-10 * m.Max() + kSubnormalSlack, "U diag(S) Vᵀ does not reconstruct A");
    Require(*std::min_element(s.begin(), s.end()) >= 0.0, "a negative singular value");
  } else if (what == 1 && a.InverseQR(x) && WellConditioned(m)) {
    Require(Gap(x * a, VelaMatrix(n)) < 1e-6, "the QR left inverse times A is not I");
  } else if (what == 2) {
    // The tolerances are absolute: singular values near or below the pivot tolerance lower the rank, and the
    // minimum-norm step drops a solution shorter than it (|x| >= |b| / (n max|a|), b of small integers).
    const Vec b = Vector(c, m.rows);
    Vec y(static_cast<std::size_t>(n), 0.0);
    const unsigned char minimumNorm = static_cast<unsigned char>(c.Pick(2));
    a.SolveGaussJordan(0, b.data(), y.data(), minimumNorm, &kernel, nullptr, 1e-10);
    if ((minimumNorm == 0 || m.Max() * n < 1e8) && WellConditioned(m, 1e-10))
      RequireResidual(m, y.data(), b, "Gauss-Jordan");
  } else if (what == 3) {
    int rank = -1;
    if (!a.FindNullSpace(rank, range, kernel) || !m.finite) return;
    Require(rank >= 0 && rank <= n && kernel.GetNbOfCol() == n - rank && kernel.GetNbOfRow() == n, "null space shapes");
    const VelaMatrix q = rank > 0 ? VelaMatrix::MergeMatrix(range, kernel, 0) : kernel;
    Require(Gap(Transposed(q) * q, VelaMatrix(n)) < 1e-10, "[range | kernel] is not orthogonal");
    // Rows of a tiny scale do not count in the rank (R's diagonal above an absolute 1e-15): their directions
    // land in the kernel, which is a null space only when every row counted.
    if (!(m.Max() < 1e300) || rank < m.rows) return;
    Require((a * kernel).GetNormInf(-1) <= 1e-10 * m.Max() * n + kSubnormalSlack, "A kernel is not zero");
  } else if (what == 4) {
    VelaMatrix e = a, r = a;
    const int pivots = e.PerformGaussElimination(1e-9, static_cast<unsigned char>(c.Pick(2)));
    const int first = static_cast<int>(c.Pick(static_cast<std::size_t>(n) + 1));
    const int row = static_cast<int>(c.Pick(static_cast<std::size_t>(m.rows) + 1));
    const int end = first + static_cast<int>(c.Pick(static_cast<std::size_t>(n - first) + 1));
    const int reduced = r.ReduceSubmatrix(row, first, end, 1e-9);
    Require(std::max(pivots, reduced) <= std::min(m.rows, n) && std::min(pivots, reduced) >= 0, "pivot counts");
  }
}

void Symmetric(ByteChoices& c) {
  Dense m = Decode(c, true);
  const int n = m.rows;
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < i; ++j) m.a[static_cast<std::size_t>(j * n + i)] = m.at(i, j);
  VelaSymmetricMatrix s(n, m.Matrix());
  const Vec b = Vector(c, n);
  VelaLowerTriangularMatrix l(n, static_cast<const double*>(nullptr));
  const double shift = c.Chance(20) ? 0.5 : 0.0;
  if (s.CholeskyFactorisation(l, shift) && shift == 0.0 && m.finite && m.Max() < 1e150) {
    double worst = 0.0;
    for (int i = 0; i < n; ++i)
      for (int j = 0; j <= i; ++j)
        worst = std::max(worst, std::fabs(VelaVector::ScalarProduct(j + 1, l.GetRow(i), l.GetRow(j)) - m.at(i, j)));
    Require(worst <= 1e-10 * m.Max() + kSubnormalSlack, "L Lᵀ does not reconstruct S");
  }
  Vec x(static_cast<std::size_t>(n), 0.0);
  if (s.SolveCholesky(b.data(), x.data(), nullptr, 0.0) && WellConditioned(m)) RequireResidual(m, x.data(), b, "Cholesky");
  VelaVector rhs(n, b.data()), y, again;
  if (s.SolveLDLt(0, rhs, y) && WellConditioned(m)) RequireResidual(m, y.GetBuffer(), b, "LDLᵀ");
  s.SolveLDLt(1, rhs, again);  // the stored factors serve a second solve
  VelaIntArray perm;
  s.LDLt(l, perm);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ByteChoices c(data, size);
  switch (c.Pick(9)) {
    case 0: SparseSolve(c); break;
    case 1: ParallelSolve(c); break;
    case 2: Symmetric(c); break;
    default: DenseRoutines(c, Decode(c, c.Chance(50)));  // square or not
  }
  return 0;
}
