// Core of the sparse matrix: construction, the non-zero flags, the row and
// column operations, and the script-syntax dump. The row kernels they share
// with the solvers live in VelaSparseMatrixKernels.cpp, the pivot search and
// the serial solve in VelaSparseMatrixSolve.cpp, the two-thread solve in
// VelaSparseMatrixParallel.cpp.
#include "vela/linalg/VelaSparseMatrix.h"

#include <algorithm>

#include "linalg/SparseMatrixKernels.h"
#include "vela/config/VelaGlobalParameters.h"
#include "vela/streams/VelaStream.h"

// ---- Construction and flags ----------------------------------------------------

VelaSparseMatrix::VelaSparseMatrix() = default;

VelaSparseMatrix::VelaSparseMatrix(int iRows, int iCols, const double* iValues) : VelaMatrix(iRows, iCols, iValues) {
  Init();
}

VelaSparseMatrix::VelaSparseMatrix(const VelaSparseMatrix& other) : VelaMatrix(other) { Init(); }

VelaSparseMatrix::~VelaSparseMatrix() = default;

VelaSparseMatrix& VelaSparseMatrix::operator=(const VelaSparseMatrix& other) {
  if (this == &other) return *this;
  VelaMatrix::operator=(other);
  if (other.mask_.size() == other.GetSize())
    mask_ = other.mask_;
  else
    Init();  // the source's flags are stale: take them from the values
  return *this;
}

VelaSparseMatrix& VelaSparseMatrix::operator=(const double* iValues) {
  if (!iValues) return *this;
  VelaMatrix::operator=(iValues);
  Init();
  return *this;
}

void VelaSparseMatrix::Init() {
  const int n = GetSize();
  mask_.resize(n, 0);
  vela::detail::NonZeroFlags(GetBuffer(), mask_.begin(), n);
}

void VelaSparseMatrix::SyncMask() {
  if (mask_.size() != GetSize()) Init();
}

// ---- Row and column operations -------------------------------------------------

void VelaSparseMatrix::ClearCol(int iCol, int iFromRow) {
  SyncMask();
  vela::detail::ClearColumn(GetBuffer(), mask_.begin(), GetNbOfRow(), GetNbOfCol(), iCol, std::max(iFromRow, 0));
}

void VelaSparseMatrix::MultRow(int iRow, double iFactor, int iFromCol) {
  SyncMask();
  vela::detail::ScaleFlagged(GetRow(iRow), MaskRow(iRow), std::max(iFromCol, 0), GetNbOfCol(), iFactor);
}

void VelaSparseMatrix::SubtractRowByFactor(int iTarget, int iSource, int iCol, double iFactor) {
  SyncMask();
  const int first = std::max(iCol + 1, 0);
  const vela::detail::SparseRowPattern source =
      vela::detail::MakeRowPattern(GetRow(iSource), MaskRow(iSource), first, GetNbOfCol(), nullptr);
  vela::detail::SubtractPattern(GetRow(iTarget), MaskRow(iTarget), iFactor, source);
}

void VelaSparseMatrix::SwapRows(int i, int j, int iFromCol) {
  SyncMask();
  vela::detail::SwapRowTails(GetBuffer(), mask_.begin(), GetNbOfCol(), i, j, std::max(iFromCol, 0));
}

void VelaSparseMatrix::SwapCols(int i, int j) {
  SyncMask();
  vela::detail::SwapColumns(GetBuffer(), mask_.begin(), GetNbOfRow(), GetNbOfCol(), i, j);
}

// ---- Dump -----------------------------------------------------------------------

void VelaSparseMatrix::Write(const char* iName) const {
  VelaStream* out = GetGlobalParameters().GetTraceStream();
  if (!out) return;
  const int rows = GetNbOfRow(), cols = GetNbOfCol();
  *out << (iName ? iName : "") << " := "
       << "matrix(" << rows << ", " << cols << ", [";
  if (rows == 0 || cols == 0) {
    *out << "]);" << velendl;
    return;
  }
  *out << velendl;
  for (int i = 0; i < rows; ++i) {
    const double* row = GetRow(i);
    *out << "[ ";
    for (int j = 0; j < cols; ++j) {
      if (j > 0) *out << ", ";
      out->WriteFixedSizeDouble(row[j]);
    }
    *out << (i + 1 < rows ? "]," : "] ]);") << velendl;
  }
}
