// Dense and sparse solvers on matrices decoded from the input, up to 12 x 12,
// with zeros, NaN, infinities, huge and tiny entries among ordinary ones.
// Every routine must return (no crash, no hang) whatever the entries; where
// the input is finite, and for the residual checks well-conditioned, each
// result is checked:
// - sparse Gauss-Jordan: the plain loop's solution and reduced matrix, and
//   after any input a clear flag only on an exact zero;
// - the two-thread solve: on a well-conditioned square system the serial
//   solve's rank and a small residual;
// - SVD: U diag(S) Vᵀ reconstructs the matrix, S not negative;
// - QR left inverse, the dense Gauss-Jordan front end with and without the
//   minimum norm: X A = I and small residuals on well-conditioned systems;
// - null space: [range | kernel] orthogonal, A kernel = 0;
// - Cholesky: L Lᵀ = S whenever it reports success; Cholesky and LDLᵀ
//   solves: small residuals on well-conditioned symmetric systems.
// The optimisers have a fuzzer of their own.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "support/PlainGaussJordan.h"
#include "vela/linalg/VelaLowerTriangularMatrix.h"
#include "vela/linalg/VelaMatrix.h"
#include "vela/linalg/VelaSparseMatrix.h"
#include "vela/linalg/VelaSymmetricMatrix.h"
#include "vela/containers/VelaIntArray.h"

namespace {

using vela::fuzz::ByteChoices;
using vela::fuzz::Require;
using vela::test::RelativeResidual;

constexpr int kMaxOrder = 12;
constexpr unsigned int kNewLevel = 0x2C00000u;  // the level that changes the pivot search
// Subnormal numbers carry an absolute precision only: reconstructions are
// held to it besides the relative bound.
constexpr double kSubnormalSlack = 1e-320;

struct Dense {
  int rows = 0, cols = 0;
  std::vector<double> a;
  bool finite = true;
  double at(int i, int j) const { return a[static_cast<std::size_t>(i * cols + j)]; }
};

// The matrix in the script syntax of the dumps, for the failure message.
std::string Describe(const Dense& m) {
  std::string text = "[";
  char number[32];
  for (int i = 0; i < m.rows; ++i) {
    for (int j = 0; j < m.cols; ++j) {
      std::snprintf(number, sizeof number, "%.17g", m.at(i, j));
      text += number;
      text += j + 1 < m.cols ? " ," : i + 1 < m.rows ? " ;" : "";
    }
  }
  return text + "]";
}

double Entry(ByteChoices& c) {
  static const double kSpecial[] = {0.0, -0.0, 1e300, -1e300, 1e-300, 5e-324, NAN, INFINITY, -INFINITY};
  switch (c.Pick(8)) {
    case 0:
    case 1: return 0.0;
    case 2: return kSpecial[c.Pick(9)];
    case 3: return c.RawDouble();
    default: return static_cast<double>(static_cast<int>(c.Pick(41)) - 20) / 4.0;  // exact small numbers
  }
}

Dense Decode(ByteChoices& c, bool square) {
  Dense m;
  m.rows = static_cast<int>(c.Pick(kMaxOrder + 1));
  m.cols = square ? m.rows : static_cast<int>(c.Pick(kMaxOrder + 1));
  for (int k = 0; k < m.rows * m.cols; ++k) {
    m.a.push_back(Entry(c));
    m.finite = m.finite && std::isfinite(m.a.back());
  }
  return m;
}

std::vector<double> Vector(ByteChoices& c, int n) {
  std::vector<double> v(static_cast<std::size_t>(n));
  for (double& x : v) x = static_cast<double>(static_cast<int>(c.Pick(21)) - 10);
  return v;
}

double MaxAbs(const std::vector<double>& v) {
  double m = 0.0;
  for (double x : v) m = std::max(m, std::fabs(x));
  return m;
}

// The absolute pivot tolerance given to the dense Gauss-Jordan front end.
constexpr double kFrontEndTolerance = 1e-10;

// Finite, square, and singular values within a factor 1e6 of each other,
// the smallest above 1e4 times `absoluteTolerance`.
bool WellConditioned(const Dense& m, double absoluteTolerance = 0.0) {
  if (!m.finite || m.rows != m.cols || m.rows == 0) return false;
  VelaMatrix u, v;
  std::vector<double> s(static_cast<std::size_t>(m.cols));
  if (!VelaMatrix(m.rows, m.cols, m.a.data()).FactorisationSVD(u, s.data(), v)) return false;
  const auto [low, high] = std::minmax_element(s.begin(), s.end());
  return *low > 1e-6 * *high && *high < 1e150 && *low > std::max(1e-150, 1e4 * absoluteTolerance);
}

void RequireResidual(const Dense& m, const double* x, const std::vector<double>& b, const char* what) {
  const double r = RelativeResidual(m.rows, m.cols, m.a, x, b.data());
  Require(r < 1e-8, std::string(what) + ": relative residual " + std::to_string(r));
}

// ---- Sparse Gauss-Jordan ------------------------------------------------------------

void RequireMask(const VelaSparseMatrix& s) {
  for (int i = 0; i < s.GetNbOfRow(); ++i) {
    for (int j = 0; j < s.GetNbOfCol(); ++j) {
      Require(s.IsNonZero(i, j) || s(i, j) == 0.0, "a clear flag on a non-zero element");
    }
  }
}

void SparseSolve(ByteChoices& c) {
  const Dense m = Decode(c, false);
  const std::vector<double> b = Vector(c, m.rows);
  const unsigned int level = c.Chance(50) ? kNewLevel : 0u;
  const double tol = c.Chance(10) ? 0.0 : 1e-9 * std::max(MaxAbs(m.a), 1e-300);
  VelaSparseMatrix s(m.rows, m.cols, m.a.data());
  const vela::test::Solved solved = vela::test::Solve(s, b.data(), level, tol);
  RequireMask(s);
  if (!m.finite || !(tol > 0.0) || !std::isfinite(tol)) return;
  // A pivot whose reciprocal overflows turns the loop's zeros of its row
  // into NaN (0 * inf); the solver scales flagged elements only.
  const double smallestPivot = 1.0 / std::numeric_limits<double>::max();
  if (std::any_of(m.a.begin(), m.a.end(), [&](double v) { return v != 0.0 && std::fabs(v) < smallestPivot; })) return;
  std::vector<double> plain = m.a, w = b, x(static_cast<std::size_t>(m.cols));
  std::vector<int> perm(static_cast<std::size_t>(m.cols));
  const int rank = vela::test::PlainGaussJordan(m.rows, m.cols, plain.data(), w.data(), perm.data(), tol, level);
  vela::test::PlainGaussJordanSolution(m.cols, rank, w.data(), perm.data(), x.data());
  // The same values; the sign of a zero may differ wherever an element was
  // or became zero, since the loop also subtracts f * 0.0 there.
  const auto same = [](const double* p, const double* q, std::size_t n) {
    return std::equal(p, p + n, q, [](double u, double v) { return u == v || (u != u && v != v); });
  };
  if (m.rows > 0 && m.cols > 0) {
    const std::string system = " for " + Describe(m) + " at level " + std::to_string(level);
    Require(same(x.data(), solved.x.data(), x.size()), "the solution is not the plain loop's" + system);
    Require(same(plain.data(), s.GetBuffer(), plain.size()), "the reduced matrix is not the plain loop's" + system);
    Require(solved.kernel.GetNbOfRow() == m.cols - rank, "the kernel's row count is not cols - rank");
  }
}

void ParallelSolve(ByteChoices& c) {
  const Dense m = Decode(c, c.Chance(70));
  const std::vector<double> b = Vector(c, m.rows);
  const unsigned int level = c.Chance(50) ? kNewLevel : 0u;
  const double tol = 1e-9 * std::max(MaxAbs(m.a), 1e-300);
  VelaSparseMatrix serial(m.rows, m.cols, m.a.data()), parallel(m.rows, m.cols, m.a.data());
  const vela::test::Solved one = vela::test::Solve(serial, b.data(), level, tol);
  const vela::test::Solved two = vela::test::Solve(parallel, b.data(), level, tol, true);
  RequireMask(parallel);
  if (!WellConditioned(m)) return;
  Require(two.kernel.GetNbOfRow() == one.kernel.GetNbOfRow(), "the two solves find different ranks");
  // The two-thread solve is held to what the serial one reaches: at level
  // 0 the pivot search may stop short of the rank on matrices of extreme
  // magnitude, and then both leave the residual.
  if (RelativeResidual(m.rows, m.cols, m.a, one.x.data(), b.data()) < 1e-8) {
    RequireResidual(m, two.x.data(), b, "two-thread solve");
  }
}

// ---- Dense routines ---------------------------------------------------------------

void Svd(const Dense& m) {
  const VelaMatrix a(m.rows, m.cols, m.a.data());
  VelaMatrix u, v;
  std::vector<double> s(static_cast<std::size_t>(m.cols));
  if (!a.FactorisationSVD(u, s.data(), v) || !m.finite || m.rows == 0 || m.cols == 0) return;
  const double scale = MaxAbs(m.a);
  if (!(scale < 1e300)) return;  // U diag(S) Vᵀ would overflow on the way
  for (int i = 0; i < m.rows; ++i) {
    for (int j = 0; j < m.cols; ++j) {
      double sum = 0.0;
      for (int k = 0; k < m.cols; ++k) sum += u(i, k) * s[static_cast<std::size_t>(k)] * v(j, k);
      Require(std::fabs(sum - m.at(i, j)) <= 1e-10 * scale + kSubnormalSlack,
              "U diag(S) Vᵀ does not reconstruct " + Describe(m));
    }
  }
  for (double x : s) Require(x >= 0.0, "a negative singular value");
}

void LeftInverse(const Dense& m) {
  const VelaMatrix a(m.rows, m.cols, m.a.data());
  VelaMatrix x;
  if (!a.InverseQR(x) || !WellConditioned(m)) return;
  for (int i = 0; i < m.cols; ++i) {
    for (int j = 0; j < m.cols; ++j) {
      double sum = 0.0;
      for (int k = 0; k < m.rows; ++k) sum += x(i, k) * m.at(k, j);
      Require(std::fabs(sum - (i == j ? 1.0 : 0.0)) < 1e-6, "the QR left inverse times A is not I");
    }
  }
}

void GaussJordanFrontEnd(ByteChoices& c, const Dense& m) {
  const std::vector<double> b = Vector(c, m.rows);
  std::vector<double> x(static_cast<std::size_t>(m.cols), 0.0);
  VelaMatrix kernel;
  const unsigned char minimumNorm = static_cast<unsigned char>(c.Pick(2));
  VelaMatrix(m.rows, m.cols, m.a.data())
      .SolveGaussJordan(0, b.data(), x.data(), minimumNorm, &kernel, nullptr, kFrontEndTolerance);
  // Its tolerances are absolute: a matrix whose singular values all lie
  // near or below the pivot tolerance has, for the front end, a smaller
  // rank, and the minimum-norm step drops a solution shorter than the
  // tolerance (b's entries are small integers, so |x| >= |b| / (n max|a|)).
  const bool solutionAboveTolerance = minimumNorm == 0 || MaxAbs(m.a) * m.cols < 1e8;
  if (solutionAboveTolerance && WellConditioned(m, kFrontEndTolerance)) {
    RequireResidual(m, x.data(), b, "dense Gauss-Jordan");
  }
}

void NullSpace(const Dense& m) {
  int rank = -1;
  VelaMatrix range, kernel;
  if (!VelaMatrix(m.rows, m.cols, m.a.data()).FindNullSpace(rank, range, kernel) || !m.finite) return;
  const int n = m.cols;
  Require(rank >= 0 && rank <= n && kernel.GetNbOfCol() == n - rank && kernel.GetNbOfRow() == n,
          "null space shapes");
  const auto column = [&](int k, int i) { return k < rank ? range(i, k) : kernel(i, k - rank); };
  for (int p = 0; p < n; ++p) {
    for (int q = 0; q < n; ++q) {
      double dot = 0.0;
      for (int i = 0; i < n; ++i) dot += column(p, i) * column(q, i);
      Require(std::fabs(dot - (p == q ? 1.0 : 0.0)) < 1e-10, "[range | kernel] is not orthogonal for " + Describe(m));
    }
  }
  // The rank counts R's diagonal entries above an absolute 1e-15, so rows of
  // a tiny scale are not counted and their directions land in the kernel:
  // the kernel is a null space only when every row counted.
  const double scale = MaxAbs(m.a);
  if (!(scale < 1e300) || rank < m.rows) return;
  for (int k = 0; k < n - rank; ++k) {
    for (int i = 0; i < m.rows; ++i) {
      double sum = 0.0;
      for (int j = 0; j < n; ++j) sum += m.at(i, j) * kernel(j, k);
      Require(std::fabs(sum) <= 1e-10 * scale * n + kSubnormalSlack,
              "a kernel column is not in the null space of " + Describe(m));
    }
  }
}

void Eliminations(ByteChoices& c, const Dense& m) {
  VelaMatrix a(m.rows, m.cols, m.a.data());
  const int pivots = a.PerformGaussElimination(1e-9, static_cast<unsigned char>(c.Pick(2)));
  Require(pivots >= 0 && pivots <= std::min(m.rows, m.cols), "Gaussian elimination pivot count");
  VelaMatrix b(m.rows, m.cols, m.a.data());
  const int first = static_cast<int>(c.Pick(static_cast<std::size_t>(m.cols) + 1));
  const int reduced = b.ReduceSubmatrix(static_cast<int>(c.Pick(static_cast<std::size_t>(m.rows) + 1)), first,
                                        first + static_cast<int>(c.Pick(static_cast<std::size_t>(m.cols - first) + 1)),
                                        1e-9);
  Require(reduced >= 0 && reduced <= std::min(m.rows, m.cols), "ReduceSubmatrix pivot count");
}

// ---- Symmetric ----------------------------------------------------------------------

void Symmetric(ByteChoices& c) {
  Dense m = Decode(c, true);
  const int n = m.rows;
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < i; ++j) m.a[static_cast<std::size_t>(j * n + i)] = m.at(i, j);
  }
  const VelaMatrix full(n, n, m.a.data());
  VelaSymmetricMatrix s(n, full);
  const std::vector<double> b = Vector(c, n);
  const double shift = c.Chance(20) ? 0.5 : 0.0;

  VelaLowerTriangularMatrix l(n, static_cast<const double*>(nullptr));
  const unsigned char definite = s.CholeskyFactorisation(l, shift);
  if (definite && m.finite && shift == 0.0 && MaxAbs(m.a) < 1e150) {
    for (int i = 0; i < n; ++i) {
      for (int j = 0; j <= i; ++j) {
        double sum = 0.0;
        for (int k = 0; k <= j; ++k) sum += l.GetRow(i)[k] * l.GetRow(j)[k];
        Require(std::fabs(sum - m.at(i, j)) <= 1e-10 * MaxAbs(m.a) + kSubnormalSlack,
                "L Lᵀ does not reconstruct " + Describe(m));
      }
    }
  }
  std::vector<double> x(static_cast<std::size_t>(n), 0.0);
  const unsigned char solved = s.SolveCholesky(b.data(), x.data(), nullptr, 0.0);
  if (solved && WellConditioned(m)) RequireResidual(m, x.data(), b, "Cholesky solve");

  VelaVector rhs(n, b.data()), y;
  const unsigned char factored = s.SolveLDLt(0, rhs, y);
  if (factored && WellConditioned(m)) RequireResidual(m, y.GetBuffer(), b, "LDLᵀ solve");
  VelaVector again;
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
    default: {
      const Dense m = Decode(c, c.Chance(50));
      switch (c.Pick(5)) {
        case 0: Svd(m); break;
        case 1: LeftInverse(m); break;
        case 2: GaussJordanFrontEnd(c, m); break;
        case 3: NullSpace(m); break;
        default: Eliminations(c, m); break;
      }
    }
  }
  return 0;
}
