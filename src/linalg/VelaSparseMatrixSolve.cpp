// Full-pivoting Gauss-Jordan on the sparse matrix: the pivot search and the
// serial solve.
//
// Step k reduces column k of every row to 0 except row k, which holds 1.0:
//
//        k
//   | 1 0 * * |     rows above k: reduced, their column k eliminated
//   | 0 1 * * |
//   | 0 0 p * | k   pivot p (moved here from (pr, pc) by one column and one
//   | 0 0 * * |     row exchange), row k scaled by 1 / p
//
// Pivot rule (FindPivot): over the flagged elements of the trailing block,
// in scan order, the first magnitude above 0 becomes the pivot and a later
// one replaces it only when it exceeds the current pivot times
// VelaGausPivThreshold (1 + 5e-11): near-ties keep the earlier position, so
// the choice does not hang on the last bits of rounding. The search stops
// early at a magnitude above E = sqrt(1.01): such a pivot is good enough,
// and in a well-scaled system most steps find one in the first row. Below
// behaviour level 0x2C00000 it stops on that element; from that level on it
// finishes the row first (a larger pivot may follow in the same row). With
// the configuration's REFOrder set to COLUMNS the block is scanned column
// by column and stops on the first such element at any level.
//
// A pivot magnitude below iTol ends the elimination: the rest of column k
// is zeroed and the rank is k. The remaining block is left as it is; the
// kernel is read from the reduced rows above it.
//
// Outputs: x[perm[k]] = w[k] for the rank pivot unknowns (w the reduced
// right-hand side), 0 for the free ones; kernel row j - rank (j >= rank)
// has 1.0 in column perm[j] and -A(i, j) in column perm[i], i < rank.
//
// Cost: the pivot search reads at most the trailing block per step, the
// elimination updates every other row flagged in the pivot column over the
// pivot row's flagged columns (about rows * cols * rank / 2
// multiply-subtracts for a dense system). The search passes over blocks of
// four elements none of whose magnitudes exceeds the threshold (exact
// comparisons, so the pivot is the element-by-element rule's); the
// elimination is the step of VelaSparseMatrixKernels.cpp, which also makes
// the column exchange of each row as it reaches that row. Systems of at
// most 8 rows and columns run a compact loop of the same steps on stack
// scratch, where the general kernels' set-up would cost more than the
// arithmetic.
#include <algorithm>
#include <cmath>
#include <numeric>
#include <utility>

#include "linalg/SparseMatrixKernels.h"
#include "vela/config/VelaGlobalParameters.h"
#include "vela/foundation/VelaConstants.h"
#include "vela/linalg/VelaSparseMatrix.h"

namespace vela::detail {

const double kSparseEarlyAccept = std::sqrt(1.01);

int LeadingDiagonalFlags(const VelaSparseMatrix& m) {
  const int limit = std::min(m.GetNbOfRow(), m.GetNbOfCol());
  int k = 0;
  while (k < limit && m.IsNonZero(k, k)) ++k;
  return k;
}

void WriteGaussJordanOutputs(const VelaSparseMatrix& m, int rank, const int* perm, const double* w, double* oX,
                             VelaMatrix* oKernel) {
  const int cols = m.GetNbOfCol();
  if (oX) {
    if (w)
      for (int k = 0; k < rank; ++k) oX[perm[k]] = w[k];
    for (int j = rank; j < cols; ++j) oX[perm[j]] = 0.0;
  }
  if (!oKernel) return;
  oKernel->Resize(cols - rank, cols);
  oKernel->SetZero();
  for (int j = rank; j < cols; ++j) {
    double* row = oKernel->GetRow(j - rank);
    row[perm[j]] = 1.0;
    for (int i = 0; i < rank; ++i) row[perm[i]] = -m.GetElement(i, j);
  }
}

// Rows of at least this many columns are scanned by blocks of four.
constexpr int kBlockScanMinLength = 16;

// Row r (values v, flags m) from column c0 on, element by element, for the
// row-order search; ioBest, ioThreshold, oRow and oCol carry the search's
// state. Returns true when the search is over (best above E).
inline bool ScanShortRow(const double* v, const unsigned char* m, int r, int c0, int cols, bool stopOnElement,
                         double& ioBest, double& ioThreshold, int& oRow, int& oCol) {
  for (int c = c0; c < cols; ++c) {
    const double x = std::fabs(v[c]);
    if (!(x > ioThreshold) || !m[c]) continue;
    ioBest = x;
    ioThreshold = VelaGausPivThreshold * x;
    oRow = r;
    oCol = c;
    if (stopOnElement && x > kSparseEarlyAccept) return true;
  }
  return ioBest > kSparseEarlyAccept;
}

double SearchPivot(const double* a, const unsigned char* mask, int rows, int cols, int r0, int c0, unsigned int level,
                   bool byColumns, int& oRow, int& oCol) {
  double best = 0.0;
  double threshold = VelaGausPivThreshold * best;
  if (byColumns) {
    if (c0 >= cols) return 0.0;
    for (int c = c0; c < cols; ++c) {
      for (int r = r0; r < rows; ++r) {
        const std::ptrdiff_t k = static_cast<std::ptrdiff_t>(r) * cols + c;
        if (!(std::fabs(a[k]) > threshold) || !mask[k]) continue;
        best = std::fabs(a[k]);
        threshold = VelaGausPivThreshold * best;
        oRow = r;
        oCol = c;
        if (best > kSparseEarlyAccept) return best;
      }
    }
    return best;
  }
  const bool stopOnElement = level < kSparseNewPivotLevel;
  // Short rows are scanned element by element: the block test only pays
  // off over longer stretches.
  const bool blocks = cols - c0 >= kBlockScanMinLength;
  for (int r = r0; r < rows; ++r) {
    const double* v = a + static_cast<std::ptrdiff_t>(r) * cols;
    const unsigned char* m = mask + static_cast<std::ptrdiff_t>(r) * cols;
    if (!blocks) {
      if (ScanShortRow(v, m, r, c0, cols, stopOnElement, best, threshold, oRow, oCol)) return best;
      continue;
    }
    for (int c = FirstAbove(v, c0, cols, threshold); c < cols; c = FirstAbove(v, c + 1, cols, threshold)) {
      if (!m[c]) continue;
      best = std::fabs(v[c]);
      threshold = VelaGausPivThreshold * best;
      oRow = r;
      oCol = c;
      if (stopOnElement && best > kSparseEarlyAccept) return best;
    }
    if (best > kSparseEarlyAccept) return best;
  }
  return best;
}

}  // namespace vela::detail

namespace {

// Scratch of the serial solve, inline up to 32 rows and columns.
using IntScratch = VelSTLVector<int, 32>;
using DoubleScratch = VelSTLVector<double, 32>;
using FlagScratch = VelSTLVector<unsigned char, 32>;

// The elimination of a system larger than the small path's; returns the
// rank. w (rows entries) may be null; perm (cols entries) receives the
// column exchanges.
int EliminateGeneral(double* a, unsigned char* mask, int rows, int cols, double* w, unsigned int level, bool byColumns,
                     double tol, int* perm) {
  IntScratch scratch(cols, 0);
  FlagScratch fullRows(rows, 0);
  vela::detail::FullRowHints(mask, rows, cols, fullRows.begin());
  const int limit = std::min(rows, cols);
  for (int k = 0; k < limit; ++k) {
    int pr = k, pc = k;
    const double p = vela::detail::SearchPivot(a, mask, rows, cols, k, k, level, byColumns, pr, pc);
    std::swap(perm[k], perm[pc]);
    if (p < tol) {
      vela::detail::SwapColumns(a, mask, rows, cols, k, pc);
      vela::detail::ClearColumn(a, mask, rows, cols, k, k);
      return k;
    }
    const vela::detail::EliminationStep step =
        vela::detail::PreparePivot(a, mask, cols, k, k, pr, pc, w, fullRows.begin(), scratch.begin());
    vela::detail::EliminateColumn(step, 0, rows);
  }
  return limit;
}

// Systems of at most this many rows and columns take the small path: the
// same steps with the row updates written out element by element, and all
// scratch on the stack. At these sizes the calls and set-up of the general
// kernels cost more than the arithmetic.
constexpr int kSmallOrder = 8;

// The whole elimination of a small system (rows, cols <= kSmallOrder);
// returns the rank. Each element gets the expressions of the general path.
// w (rows entries) is always there: zeros when the caller has no
// right-hand side, which saves a test per row.
int EliminateSmall(double* a, unsigned char* mask, int rows, int cols, double* w, unsigned int level, bool byColumns,
                   double tol, int* perm) {
  const int limit = std::min(rows, cols);
  const bool stopOnElement = level < vela::detail::kSparseNewPivotLevel;
  for (int k = 0; k < limit; ++k) {
    int pr = k, pc = k;
    double p = 0.0;
    if (byColumns) {
      p = vela::detail::SearchPivot(a, mask, rows, cols, k, k, level, byColumns, pr, pc);
    } else {
      double threshold = VelaGausPivThreshold * p;
      for (int r = k; r < rows; ++r)
        if (vela::detail::ScanShortRow(a + r * cols, mask + r * cols, r, k, cols, stopOnElement, p, threshold, pr, pc))
          break;
    }
    if (pc != k) {
      std::swap(perm[k], perm[pc]);
      vela::detail::SwapColumns(a, mask, rows, cols, k, pc);
    }
    if (p < tol) {
      vela::detail::ClearColumn(a, mask, rows, cols, k, k);
      return k;
    }
    const double inv = 1.0 / a[pr * cols + k];
    if (pr != k) {
      vela::detail::SwapRowTails(a, mask, cols, k, pr, k);
      std::swap(w[k], w[pr]);
    }
    double* pivot = a + k * cols;
    pivot[k] = 1.0;
    mask[k * cols + k] = 1;
    // The pivot row's flagged columns and scaled values, kept in locals
    // that the row updates cannot alias.
    int columns[kSmallOrder];
    double values[kSmallOrder];
    int n = 0;
    for (int c = k + 1; c < cols; ++c)
      if (mask[k * cols + c]) {
        pivot[c] = pivot[c] * inv;
        columns[n] = c;
        values[n++] = pivot[c];
      }
    w[k] = w[k] * inv;
    for (int r = 0; r < rows; ++r) {
      double* row = a + r * cols;
      unsigned char* flags = mask + r * cols;
      if (r == k || !flags[k]) continue;
      const double f = row[k];
      row[k] = 0.0;
      flags[k] = 0;
      if (n == cols - k - 1) {  // a dense pivot row: columns[j] == k + 1 + j
        double* target = row + k + 1;
        unsigned char* targetFlags = flags + k + 1;
        for (int j = 0; j < n; ++j) target[j] = target[j] - f * values[j];
        for (int j = 0; j < n; ++j) targetFlags[j] = 1;
      } else {
        for (int j = 0; j < n; ++j) {
          row[columns[j]] = row[columns[j]] - f * values[j];
          flags[columns[j]] = 1;
        }
      }
      w[r] = w[r] - f * w[k];
    }
  }
  return limit;
}

}  // namespace

double VelaSparseMatrix::FindPivot(unsigned int iLevel, int iFromRow, int iFromCol, int& oRow, int& oCol) const {
  if (mask_.size() != GetSize()) return 0.0;  // flags stale after a base-class reshape
  const bool byColumns = GetGlobalParameters().GetREFOrder() == VelaREFOrder_COLUMNS;
  return vela::detail::SearchPivot(GetBuffer(), mask_.begin(), GetNbOfRow(), GetNbOfCol(), std::max(iFromRow, 0),
                                   std::max(iFromCol, 0), iLevel, byColumns, oRow, oCol);
}

void VelaSparseMatrix::SolveGaussJordan(unsigned int iLevel, const double* iB, double* oX, VelaMatrix* oKernel,
                                        double iTol) {
  const int rows = GetNbOfRow(), cols = GetNbOfCol();
  if (rows == 0 || cols == 0) return;
  SyncMask();
  const bool byColumns = GetGlobalParameters().GetREFOrder() == VelaREFOrder_COLUMNS;
  if (rows <= kSmallOrder && cols <= kSmallOrder) {
    double small[kSmallOrder] = {};
    int smallPerm[kSmallOrder];
    if (iB) std::copy(iB, iB + rows, small);
    std::iota(smallPerm, smallPerm + cols, 0);
    int rank = EliminateSmall(GetBuffer(), mask_.begin(), rows, cols, small, iLevel, byColumns, iTol, smallPerm);
    if (oX && iB) rank = vela::detail::LeadingDiagonalFlags(*this);
    vela::detail::WriteGaussJordanOutputs(*this, rank, smallPerm, iB ? small : nullptr, oX, oKernel);
    return;
  }
  DoubleScratch rhs = iB ? DoubleScratch(iB, iB + rows) : DoubleScratch();
  IntScratch columns(cols, 0);
  std::iota(columns.begin(), columns.end(), 0);
  int rank = EliminateGeneral(GetBuffer(), mask_.begin(), rows, cols, iB ? rhs.begin() : nullptr, iLevel, byColumns,
                              iTol, columns.begin());
  if (oX && iB) rank = vela::detail::LeadingDiagonalFlags(*this);
  vela::detail::WriteGaussJordanOutputs(*this, rank, columns.begin(), iB ? rhs.begin() : nullptr, oX, oKernel);
}
