// The elimination members of VelaMatrix: row-echelon reduction, Gauss-Jordan
// reduction of a column band, and the Gauss-Jordan front end that solves a
// possibly rank-deficient system through the sparse solver.
//
// PerformGaussElimination: Gaussian elimination with partial pivoting by
// rows, pivot rows not scaled. For column c and next pivot row r, the pivot
// is the entry of rows r .. m-1 of largest magnitude at or above the
// tolerance, where a later row within 1e-15 of the running maximum wins (so
// of two equal magnitudes the lower row is taken). The rows below the pivot
// are then eliminated in column c:
//
//     | P * * * * |   r-1     rows above: untouched
//     | 0 0 P * * |   r       pivot row (swapped in from below)
//     | 0 0 0 x x |   r+1 ..  x -= (A(i, c) / A(r, c)) * pivot row
//     | 0 0 0 x x |
//
// Entries below the tolerance are never pivots and are set to 0.0, unless
// the caller keeps them (iKeepSmall): then they stay, whole rows are
// exchanged, and an entry above 1e-15 is still eliminated, over the columns
// left of c as well.
//
// ReduceSubmatrix: Gauss-Jordan on the column band [iFirstCol, iEndCol) from
// row iFirstRow on. The pivot is the first column of the band, from the
// current one on, whose largest magnitude over the remaining rows exceeds
// the tolerance (the first row reaching that maximum); every other row,
// above and below, with an entry above the tolerance in that column gets the
// pivot row subtracted, from the pivot column on. Pivot rows are not
// scaled, and the pivot column of an eliminated row is computed, not set.
//
// SolveGaussJordan: the full-pivoting solve of VelaSparseMatrix on a copy of
// this, serial, or on two threads when the configuration's parallel mode has
// bit 0 set and the system has at least 100000 elements. The kernel comes
// back as the elimination produces it (one basis vector per row, not
// orthogonal); a minimum-norm solution is the particular one with its
// kernel components removed by Gram-Schmidt (the solution is appended to the
// kernel rows and the last row is kept), a levelled one through
// MinimizeNorm.
//
// Tolerances are absolute, as the callers pass them. A tolerance of 0,
// below 0 or NaN would let an exact zero become a pivot (and 0 / 0 spread
// NaN); every routine here then takes only exact zeros as negligible.
//
// Every update is A(i, j) - f * A(pivot, j) with f = A(i, c) / pivot, one
// rounded multiplication then one subtraction (no fused operation), and the
// rows are contiguous, so the loops vectorise without changing a bit.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>

#include "vela/config/VelaGlobalParameters.h"
#include "vela/linalg/VelaMatrix.h"
#include "vela/linalg/VelaSparseMatrix.h"

namespace {

// A later row whose magnitude comes within this of the running maximum
// still becomes the row-echelon pivot.
constexpr double kPivotTieMargin = 1e-15;
// With small entries kept, those above this magnitude are still eliminated.
constexpr double kKeptEntryFloor = 1e-15;
// Systems of at least this many elements may use the two-thread solve.
constexpr long long kParallelMinElements = 100000;

double* RowOf(double* a, int n, int i) { return a + static_cast<std::ptrdiff_t>(i) * n; }

// target(j) = target(j) - f * source(j) for j in [from, to).
void SubtractScaledRow(double* target, const double* source, double f, int from, int to) {
  for (int j = from; j < to; ++j) target[j] = target[j] - f * source[j];
}

void SwapRowRange(double* a, double* b, int from, int to) { std::swap_ranges(a + from, a + to, b + from); }

// Row-echelon pivot of column c among rows r .. m-1, or -1. Entries below
// tol are passed over and, unless keepSmall, set to 0.0; NaN entries never
// qualify.
int FindEchelonPivot(int m, int n, double* a, int r, int c, double tol, bool keepSmall) {
  int pivot = -1;
  double best = 0.0;
  for (int i = r; i < m; ++i) {
    double& x = RowOf(a, n, i)[c];
    const double magnitude = std::fabs(x);
    if (magnitude < tol) {
      if (!keepSmall) x = 0.0;
      continue;
    }
    if (magnitude + kPivotTieMargin > best) {
      pivot = i;
      best = magnitude;
    }
  }
  return pivot;
}

// Eliminates column c below the pivot row r.
void EliminateBelow(int m, int n, double* a, int r, int c, double tol, bool keepSmall) {
  const double* pivotRow = RowOf(a, n, r);
  const double pivot = pivotRow[c];
  for (int i = r + 1; i < m; ++i) {
    double* row = RowOf(a, n, i);
    const double magnitude = std::fabs(row[c]);
    if (!(magnitude >= tol || (keepSmall && magnitude > kKeptEntryFloor))) continue;
    const double f = row[c] / pivot;
    row[c] = 0.0;
    SubtractScaledRow(row, pivotRow, f, c + 1, n);
    if (keepSmall) SubtractScaledRow(row, pivotRow, f, 0, c);
  }
}

// First column c' in [c, end) whose largest magnitude over rows r .. m-1
// exceeds tol; oRow receives the first row reaching it. Returns end when
// there is none.
int FindBandPivot(int m, int n, const double* a, int r, int c, int end, double tol, int& oRow) {
  for (; c < end; ++c) {
    double best = tol;
    oRow = -1;
    for (int i = r; i < m; ++i) {
      const double magnitude = std::fabs(a[static_cast<std::ptrdiff_t>(i) * n + c]);
      if (magnitude > best) {
        best = magnitude;
        oRow = i;
      }
    }
    if (oRow >= 0) return c;
  }
  return end;
}

// The sparse solve of iA x = b, serial or on two threads as the
// configuration and the size decide; iA itself is not modified.
void RunSparseSolve(const VelaMatrix& iA, unsigned int iLevel, const double* iB, double* oX, VelaMatrix* oKernel,
                    double iTol) {
  const int m = iA.GetNbOfRow();
  const int n = iA.GetNbOfCol();
  VelaSparseMatrix work(m, n, iA.GetBuffer());
  const bool parallelMode = (static_cast<int>(GetGlobalParameters().GetParallelMode()) & 1) != 0;
  if (parallelMode && static_cast<long long>(m) * n >= kParallelMinElements)
    work.ParallelSolveGaussJordan(iLevel, iB, oX, oKernel, iTol);
  else
    work.SolveGaussJordan(iLevel, iB, oX, oKernel, iTol);
}

// oX made orthogonal to the rows of ioKernel: x is appended as the last row,
// the rows are orthogonalised in order, and the last row is what is left of
// x. ioKernel is modified.
void RemoveKernelComponents(VelaMatrix& ioKernel, int n, double* ioX, double iTol) {
  if (ioKernel.GetNbOfCol() != n) ioKernel.Resize(0, n);  // no basis vectors
  ioKernel.AppendRow(ioX);
  ioKernel.Orthogonalize(iTol, nullptr);
  const double* last = ioKernel.GetRow(ioKernel.GetNbOfRow() - 1);
  std::copy(last, last + n, ioX);
}

}  // namespace

int VelaMatrix::PerformGaussElimination(double iTol, unsigned char iKeepSmall) {
  const int m = rows_;
  const int n = cols_;
  if (m <= 0) return 0;
  // A tolerance of 0, below, or NaN leaves only exact zeros out of the pivots.
  const double tol = iTol > 0.0 ? iTol : std::numeric_limits<double>::denorm_min();
  const bool keepSmall = iKeepSmall != 0;
  double* a = Buffer();
  int r = 0;
  for (int c = 0; c < n && r < m; ++c) {
    const int p = FindEchelonPivot(m, n, a, r, c, tol, keepSmall);
    if (p < 0) continue;
    if (p != r) SwapRowRange(RowOf(a, n, r), RowOf(a, n, p), keepSmall ? 0 : c, n);
    EliminateBelow(m, n, a, r, c, tol, keepSmall);
    ++r;
  }
  return r;
}

int VelaMatrix::ReduceSubmatrix(int iFirstRow, int iFirstCol, int iEndCol, double iTol) {
  const int m = rows_;
  const int n = cols_;
  if (iFirstCol >= iEndCol || iFirstRow < 0 || iFirstCol < 0) return 0;
  const int end = std::min(iEndCol, n);
  // A negative or NaN tolerance: every non-zero entry counts.
  const double tol = iTol > 0.0 ? iTol : 0.0;
  double* a = Buffer();
  int r = iFirstRow;
  for (int c = iFirstCol; c < end && r < m; ++c, ++r) {
    int p = -1;
    c = FindBandPivot(m, n, a, r, c, end, tol, p);
    if (c >= end) break;
    if (p != r) SwapRowRange(RowOf(a, n, r), RowOf(a, n, p), 0, n);
    const double* pivotRow = RowOf(a, n, r);
    for (int i = 0; i < m; ++i) {
      double* row = RowOf(a, n, i);
      if (i == r || !(std::fabs(row[c]) > tol)) continue;
      SubtractScaledRow(row, pivotRow, row[c] / pivotRow[c], c, n);
    }
  }
  return r - iFirstRow;
}

void VelaMatrix::SolveGaussJordan(unsigned int iLevel, const double* iB, double* oX, unsigned char iMinimumNorm,
                                  VelaMatrix* oKernel, const int* iLevels, double iTol) const {
  const int m = rows_;
  const int n = cols_;
  if (m <= 0 || n <= 0) {
    if (oX != nullptr) std::fill(oX, oX + n, 0.0);
    if (oKernel != nullptr) {
      oKernel->Resize(n, n);
      oKernel->SetIdentity(n);
    }
    return;
  }
  // A tolerance of 0, below, or NaN accepts every non-zero pivot; the sparse
  // solver would accept an exact zero and divide by it.
  const double tol = iTol > 0.0 ? iTol : std::numeric_limits<double>::denorm_min();
  // The correction needs the kernel in a matrix of its own, which it
  // modifies; without a solution there is nothing to correct.
  const bool correct = oX != nullptr && (iMinimumNorm != 0 || iLevels != nullptr);
  VelaMatrix kernel;
  RunSparseSolve(*this, iLevel, iB, oX, correct ? &kernel : oKernel, tol);
  if (!correct) return;
  if (oKernel != nullptr) *oKernel = kernel;
  if (iLevels != nullptr) {
    unsigned char flag = 0;
    int row = -1;
    int level = -1;
    kernel.MinimizeNorm(oX, iLevels, tol, tol, flag, row, level, nullptr);
    return;
  }
  RemoveKernelComponents(kernel, n, oX, tol);
}
