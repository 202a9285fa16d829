// Row kernels and shared pieces of the sparse Gauss-Jordan solvers (serial
// and two-thread).
//
// Every kernel works on raw row pointers of a row-major matrix and its flag
// array (one byte per element, 0 or 1, same layout) and keeps the flag
// invariant: a clear flag means an element of exactly 0.0. Each updated
// element receives exactly the documented expression, element - f * source
// or element * f (one rounded product, then one rounded operation: the
// library is built without multiply-add contraction), so the loop
// organisation chosen for a row never changes a result.
#ifndef VELA_SRC_LINALG_SPARSEMATRIXKERNELS_H
#define VELA_SRC_LINALG_SPARSEMATRIXKERNELS_H

#include <cmath>
#include <cstddef>

class VelaMatrix;
class VelaSparseMatrix;

namespace vela::detail {

// The early-accept magnitude of the pivot searches, sqrt(1.01), computed
// once when the library is loaded.
extern const double kSparseEarlyAccept;
// Behaviour levels from this one on finish the row in which the serial
// search meets a magnitude above kSparseEarlyAccept.
constexpr unsigned int kSparseNewPivotLevel = 0x2C00000u;

// The first c in [from, to) with |v[c]| > t, or `to`. Four magnitudes are
// compared at a time and a block is passed over when none exceeds t; the
// comparisons are exact, so this is the first such c of a plain scan (a
// NaN never exceeds t).
inline int FirstAbove(const double* v, int from, int to, double t) {
  int c = from;
  for (; c + 4 <= to; c += 4) {
    const bool any =
        (std::fabs(v[c]) > t) | (std::fabs(v[c + 1]) > t) | (std::fabs(v[c + 2]) > t) | (std::fabs(v[c + 3]) > t);
    if (any) break;
  }
  for (; c < to; ++c)
    if (std::fabs(v[c]) > t) return c;
  return to;
}

// Exchanges values and flags of columns i and j in every row of the rows x
// cols arrays a and mask.
inline void SwapColumns(double* a, unsigned char* mask, int rows, int cols, int i, int j) {
  if (i == j) return;
  for (int r = 0; r < rows; ++r, a += cols, mask += cols) {
    const double x = a[i];
    a[i] = a[j];
    a[j] = x;
    const unsigned char f = mask[i];
    mask[i] = mask[j];
    mask[j] = f;
  }
}

// Exchanges values and flags of rows i and j in columns from .. cols-1.
inline void SwapRowTails(double* a, unsigned char* mask, int cols, int i, int j, int from) {
  if (i == j) return;
  const std::ptrdiff_t ri = static_cast<std::ptrdiff_t>(i) * cols, rj = static_cast<std::ptrdiff_t>(j) * cols;
  for (int c = from; c < cols; ++c) {
    const double x = a[ri + c];
    a[ri + c] = a[rj + c];
    a[rj + c] = x;
    const unsigned char f = mask[ri + c];
    mask[ri + c] = mask[rj + c];
    mask[rj + c] = f;
  }
}

// Zeroes value and flag of column col in rows fromRow .. rows-1.
inline void ClearColumn(double* a, unsigned char* mask, int rows, int cols, int col, int fromRow) {
  for (int r = fromRow; r < rows; ++r) {
    const std::ptrdiff_t k = static_cast<std::ptrdiff_t>(r) * cols + col;
    a[k] = 0.0;
    mask[k] = 0;
  }
}

// The serial pivot search (VelaSparseMatrix::FindPivot) on the rows x cols
// arrays, with the scan order given: by columns when byColumns, else by
// rows. Returns the magnitude found; oRow, oCol are written only when a
// pivot is found.
double SearchPivot(const double* a, const unsigned char* mask, int rows, int cols, int r0, int c0, unsigned int level,
                   bool byColumns, int& oRow, int& oCol);

// The columns [first, last) of a source row that a row update reads: its
// values, its flags and how many of them are set, worked out once and used
// for every target row of an elimination step.
struct SparseRowPattern {
  const double* values;        // the source row (column 0 at values[0])
  const unsigned char* flags;  // its flags, same indexing
  int first;                   // first column updated
  int last;                    // one past the last column updated
  int flagged;                 // flags set in [first, last)
  const int* columns;          // the flagged columns, in order, when the row
                               // is sparse enough to update by list; else null
};

// The pattern of row (values, flags) over [first, last). scratch (at least
// last - first ints, or null) receives the column list when fewer than a
// quarter of the flags are set; without scratch no list is made.
SparseRowPattern MakeRowPattern(const double* values, const unsigned char* flags, int first, int last, int* scratch);

// target[c] = target[c] - f * source[c] and targetFlags[c] = 1 for every
// column c of the pattern flagged in the source; nothing else is touched.
// target may be the source row itself.
void SubtractPattern(double* target, unsigned char* targetFlags, double f, const SparseRowPattern& source);

// m[k] = 1 where v[k] is not 0.0 (NaN included), else 0, for k < n.
void NonZeroFlags(const double* v, unsigned char* m, int n);

// v[c] = v[c] * f for every c in [first, last) whose flag is set.
void ScaleFlagged(double* v, const unsigned char* flags, int first, int last, double f);

// One elimination step: the pivot moved to (pivotRow, col) with 1.0 there
// and its row scaled (PreparePivot), then column col eliminated from the
// other rows, over one or more row ranges (EliminateColumn).
struct EliminationStep {
  double* a;                // the rows x cols values, row-major
  unsigned char* mask;      // their flags
  int cols;                 // the row length
  int pivotRow;             // the row holding the pivot
  int col;                  // the pivot column
  int swapCol;              // the column each other row first exchanges with col (col: none)
  int swappedRow;           // a row already exchanged (the pivot's old row)
  SparseRowPattern pivot;   // the pivot row from col + 1 on
  double* w;                // the working right-hand side, or null
  unsigned char* fullRows;  // per-row hints (FullRowHints), or null
};

// Moves the pivot found at (pr, pc) to (row, col): columns col and pc
// exchanged in rows row and pr (the other rows exchange them in
// EliminateColumn, while their elimination has them in cache), rows row and
// pr exchanged from col on with their w entries and hints, 1.0 at (row,
// col), the rest of the row multiplied by 1 / pivot where flagged, and w[row]
// too. scratch (cols ints) receives the pivot row's column list when it is
// sparse. The caller records the column exchange in its permutation.
EliminationStep PreparePivot(double* a, unsigned char* mask, int cols, int row, int col, int pr, int pc, double* w,
                             unsigned char* fullRows, int* scratch);

// For every row r in [firstRow, lastRow) other than the pivot row: first
// columns col and swapCol exchanged (unless r is the swapped row); then,
// when flag (r, col) is set, f = A(r, col), A(r, col) and its flag cleared,
// row r -= f * pivot row over the pivot pattern, and w[r] = w[r] - f *
// w[pivotRow]. The hints are kept: a set entry promises that the row's
// flags are all set from col on, so a dense update need not set them again.
// Ranges of one step may run on different threads at the same time.
void EliminateColumn(const EliminationStep& step, int firstRow, int lastRow);

// full[r] = 1 where row r of the rows x cols flags is set throughout, for
// EliminateColumn's hints at the start of a solve. The hints stay true when
// columns at or after the pivot column are exchanged, and move with the rows
// when rows are exchanged from the pivot column on.
void FullRowHints(const unsigned char* mask, int rows, int cols, unsigned char* full);

// The outputs of a finished reduction of m (rank pivots on the leading
// diagonal, columns permuted by perm): oX[perm[k]] = w[k] for the pivot
// unknowns when w is given, the free unknowns oX[perm[j]], j >= rank, set
// to 0; oKernel (when given) the (cols - rank) x cols basis of the null
// space. Either output may be null.
void WriteGaussJordanOutputs(const VelaSparseMatrix& m, int rank, const int* perm, const double* w, double* oX,
                             VelaMatrix* oKernel);

// The number of leading positions k (k < rows, k < cols) whose diagonal
// flag is set: the rank that a finished reduction leaves on the diagonal.
int LeadingDiagonalFlags(const VelaSparseMatrix& m);

}  // namespace vela::detail

#endif  // VELA_SRC_LINALG_SPARSEMATRIXKERNELS_H
