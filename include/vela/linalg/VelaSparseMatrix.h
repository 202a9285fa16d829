/// \file
/// VelaSparseMatrix: a dense matrix whose elements carry a non-zero flag
/// each, and its full-pivoting Gauss-Jordan solver.
/// \ingroup linalg
#ifndef VELA_LINALG_VELASPARSEMATRIX_H
#define VELA_LINALG_VELASPARSEMATRIX_H

#include <cstddef>

#include "vela/containers/VelaArray.h"
#include "vela/foundation/VelaExport.h"
#include "vela/linalg/VelaMatrix.h"

class VelaThread;
class VelaSparseMatrix;

/// The record each participant of the two-thread solve works on.
/// \ingroup linalg
struct VELA_API REFThreadData {
  unsigned int level;        ///< the behaviour level passed to the solve
  VelaSparseMatrix* matrix;  ///< the matrix being reduced
  VelaThread* thread;        ///< the thread object this record belongs to
  int* currentRow;           ///< the shared pivot-row counter
  int* currentCol;           ///< the shared pivot-column counter
  int pivotRow;              ///< the row of the best pivot this participant found
  int pivotCol;              ///< its column
  double* rhs;               ///< the shared working right-hand side, or null
  double pivotValue;         ///< the magnitude of that pivot
};

/// A dense matrix whose elements carry a non-zero flag each, and its
/// full-pivoting Gauss-Jordan solver.
///
///
/// Elimination touches only the elements that are, or have become,
/// non-zero. The solver reduces a rows x cols system to reduced row-echelon
/// form with full pivoting and returns a particular solution and a basis of
/// the null space; the dense VelaMatrix::SolveGaussJordan is its front end
/// and chooses the serial solve or the two-thread one.
///
/// The flags sit in one byte per element, row-major like the elements. A set
/// flag says "may be non-zero"; a clear flag promises an element of exactly
/// 0.0 (the invariant on mask_ below). The pivot search only considers
/// flagged elements, and a row update only touches the columns flagged in
/// the row it subtracts.
///
/// Choices made for this implementation:
/// - The flags of matrices of up to 36 elements (every 6 x 6 and smaller),
///   like their values, live inside the object: constructing, copying and
///   solving a small system never touches the heap (the serial solve's
///   scratch is on the stack up to 32 rows and columns).
/// - The members inherited from VelaMatrix do not know the flags. Writing a
///   non-zero through Element() or operator() must be followed by
///   SetToNonZero (or Init); reshaping through the base (Resize, AppendRows,
///   Transpose, ...) must be followed by Init. The solvers and the row and
///   column operations re-run Init themselves when the element count no
///   longer matches the flags, and FindPivot then finds nothing, so a stale
///   mask never makes them read or write out of bounds.
/// - A null value pointer: the constructor gives zeros without flags, as the
///   dense one; operator=(const double*) changes nothing.
/// - Speed never changes a result: every pivot is the one the
///   element-by-element rule picks, and every updated element gets exactly
///   element - f * source or element * f (one rounded product, one rounded operation;
///   the library is built without multiply-add contraction). So
///   - the pivot search passes over blocks of four elements none of whose
///     magnitudes exceeds the current threshold (exact comparisons; NaN
///     never exceeds), and scans short rows element by element;
///   - a row update behind a source row flagged over all its remaining
///     columns is one contiguous loop (four target rows at a time in the
///     solvers), behind a sparse one a loop over its flagged columns, and
///     otherwise a sweep that stores the update only where the source is
///     flagged; an unflagged source column is never computed into a result
///     (f * 0.0 could turn -0.0 into +0.0, and an infinite f gives NaN);
///   - the solvers know which rows are flagged throughout from the pivot
///     column on and do not set those flags again;
///   - the column exchange of a step is made in each row as that row is
///     eliminated, not in a separate sweep down the columns;
///   - systems of at most 8 rows and columns go through a compact loop with
///     the same steps.
/// - Write of a matrix without elements (no rows or no columns) is the
///   one-line empty form.
/// - The two-thread solve keeps its counters, flag, events and current step
///   process-wide, so one runs at a time: a ParallelSolveGaussJordan called
///   while another one is running (from another thread) runs the serial
///   solve instead of sharing that state.
/// \ingroup linalg
class VELA_API VelaSparseMatrix : public VelaMatrix {
 public:
  /// Empty, no mask.
  VelaSparseMatrix();
  /// As the dense constructor; the flags mark the non-zero values.
  VelaSparseMatrix(int iRows, int iCols, const double* iValues);
  /// Dense copy; the flags are recomputed from the copied values.
  VelaSparseMatrix(const VelaSparseMatrix& other);
  /// Frees the flags and the elements.
  ~VelaSparseMatrix() override;

  /// Dense assignment (labels included), then a copy of the source's flags.
  VelaSparseMatrix& operator=(const VelaSparseMatrix& other);
  /// Copies rows * cols values (nothing for an empty matrix or a null
  /// pointer), then Init.
  VelaSparseMatrix& operator=(const double* iValues);

  /// Flag (i, j) set exactly where element (i, j) is not 0.0. O(rows * cols).
  void Init();
  /// Read, set or clear one flag; the value is untouched (clearing the flag
  /// of a non-zero element breaks the invariant: the caller zeroes it).
  /// IsNonZero reads flag (i, j).
  unsigned char IsNonZero(int i, int j) const { return mask_[i * GetNbOfCol() + j]; }
  /// Sets flag (i, j); the value is untouched. Needed after writing a non-zero
  /// through Element() or operator().
  void SetToNonZero(int i, int j) { mask_[i * GetNbOfCol() + j] = 1; }
  /// Clears flag (i, j); the value is untouched, so the caller zeroes a
  /// non-zero element first (or the invariant breaks).
  void SetToZero(int i, int j) { mask_[i * GetNbOfCol() + j] = 0; }

  /// Zero value and flag of column iCol in rows iFromRow .. rows-1.
  void ClearCol(int iCol, int iFromRow);
  /// Multiplies the flagged elements of row iRow, from column iFromCol on, by
  /// iFactor.
  void MultRow(int iRow, double iFactor, int iFromCol);
  /// For every column c after iCol flagged in row iSource: element
  /// (iTarget, c) -= iFactor * element (iSource, c), and its flag is set.
  /// iTarget may equal iSource.
  void SubtractRowByFactor(int iTarget, int iSource, int iCol, double iFactor);
  /// Exchanges values and flags of rows i and j in columns iFromCol .. cols-1.
  void SwapRows(int i, int j, int iFromCol);
  /// Exchanges values and flags of columns i and j in all rows.
  void SwapCols(int i, int j);

  /// The full-pivoting search from (iFromRow, iFromCol) over the flagged
  /// elements: the first one of magnitude above 0 becomes the pivot, and a
  /// later one replaces it only when larger by the factor
  /// VelaGausPivThreshold. Scans row by row, or column by column when the
  /// configuration's REFOrder is 1 (COLUMNS), and stops early at a magnitude
  /// above sqrt(1.01) (below level 0x2C00000 at once; at or above it at the
  /// end of that row; column by column at once at any level). Returns the
  /// magnitude found (0.0 when none), oRow and oCol its position (left as
  /// passed when nothing is found). O((rows - iFromRow) * (cols - iFromCol)).
  double FindPivot(unsigned int iLevel, int iFromRow, int iFromCol, int& oRow, int& oCol) const;
  /// Solves this x = b in place (this becomes its reduced row-echelon form,
  /// columns permuted): iB (rows entries) may be null; oX (cols entries, may
  /// be null) receives a particular solution, its free unknowns 0 (without
  /// iB only those are written); oKernel (may be null) becomes the
  /// (cols - rank) x cols basis of the null space, one vector per row. A
  /// pivot below iTol ends the elimination (iTol must be positive: with
  /// iTol <= 0 an exactly zero pivot is taken and gives non-finite values).
  /// Nothing happens for a matrix without elements. O(rows * cols * rank).
  void SolveGaussJordan(unsigned int iLevel, const double* iB, double* oX, VelaMatrix* oKernel, double iTol);
  /// The same on two threads: the caller's and one worker, in lock-step,
  /// each searching and eliminating half of the rows. Its pivot search takes
  /// the strictly larger element and may stop at another element than the
  /// serial one (see VelaSparseMatrixParallel.cpp), so the outputs agree with
  /// the serial solve's to rounding when both take the same pivots; on finite
  /// input the rank and the span of the kernel agree, but where pivots differ
  /// a rank-deficient system may get other free unknowns and kernel rows (a
  /// NaN or infinite element compares differently in the two searches, and
  /// NaN spreads through what either eliminates). Without
  /// output when the worker cannot be started. Uses process-wide state: at
  /// most one runs at a time in a process (a second concurrent call runs the
  /// serial solve instead).
  void ParallelSolveGaussJordan(unsigned int iLevel, const double* iB, double* oX, VelaMatrix* oKernel, double iTol);
  /// The worker thread's loop: returns 1 at once when the calling thread's
  /// ordinal in the last batch is not 0, else 0 when the solve ends (at once
  /// when no two-thread solve is running).
  int SolveGaussJordanThread(REFThreadData& ioData);

  /// The dense Write(iName, iStream) stays available.
  using VelaMatrix::Write;
  /// The sparse dump: "A := matrix(r, c, [" then one "[ a, b]," line per row, the last one
  /// closed by "] ]);", on the configuration's trace stream; a matrix
  /// without elements gives "A := matrix(r, c, []);".
  void Write(const char* iName) const override;

 private:
  // One participant's share of a pivot search, and of an elimination step.
  int ParallelFindPivot(REFThreadData& ioData) const;
  int ParallelSubtractRows(REFThreadData& ioData);

  unsigned char* MaskRow(int i) { return mask_.begin() + static_cast<std::ptrdiff_t>(i) * GetNbOfCol(); }
  const unsigned char* MaskRow(int i) const { return mask_.begin() + static_cast<std::ptrdiff_t>(i) * GetNbOfCol(); }
  // Init when the flags no longer cover rows * cols elements (the base
  // class reshaped the matrix).
  void SyncMask();
  // The main participant's side of the two-thread solve: every step's
  // search, choice, exchanges and its half of the elimination, in lock-step
  // with the worker. ioPerm (cols entries) receives the column exchanges.
  void ParallelMainLoop(REFThreadData& ioMain, const REFThreadData& iWorker, int* ioPerm, int* iScratch,
                        unsigned char* ioFullRows, double iTol);

  // One flag per element, row-major like the elements: 1 where the element
  // may be non-zero. Invariant, kept by every member of this class: each
  // entry is 0 or 1, mask_.size() == rows * cols, and mask_[i * cols + j] ==
  // 0 implies element (i, j) == 0.0 exactly (+0.0 or -0.0). Writes through
  // the base class can break it until the next Init (see above).
  VelSTLVector<unsigned char, 36> mask_;
};

#endif  // VELA_LINALG_VELASPARSEMATRIX_H
