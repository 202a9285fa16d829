// Core of the dense matrix and vector: construction, labels, shape and row
// operations, arithmetic and norms. The dumps live in VelaMatrixDump.cpp, the
// product kernels in MatrixKernels.cpp.
//
// Storage invariant kept by every member here: data_.size() == rows_ * cols_
// on return (the class promises only >=, and MultiplyLeft and Transpose use
// the room past the elements while they work).
#include "vela/linalg/VelaMatrix.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>

#include "linalg/MatrixKernels.h"
#include "vela/config/VelaGlobalParameters.h"
#include "vela/streams/VelaStream.h"

namespace {

int NonNegative(int n) { return n > 0 ? n : 0; }

// A fresh array holding copies of the n labels, or null.
VelaString* CopyNames(const VelaString* names, int n) {
  if (!names || n <= 0) return nullptr;
  VelaString* copy = new VelaString[n];
  std::copy(names, names + n, copy);
  return copy;
}

// The line matrix products print on a shape mismatch.
void PrintSizeMessage(int leftRows, int leftCols, int rightRows, int rightCols) {
  VelaGlobalParameters& parameters = GetGlobalParameters();
  if (parameters.GetTraceLevel() < 1) return;
  VelaStream* trace = parameters.GetTraceStream();
  if (!trace) return;
  *trace << "ERR: matrices size does not match (" << leftRows << "x" << leftCols << ") * (" << rightRows << "x"
         << rightCols << ")" << velendl;
}

}  // namespace

// ---- Construction ----------------------------------------------------------

VelaMatrix::VelaMatrix(int n) : VelaMatrix() { SetIdentity(n); }

VelaMatrix::VelaMatrix(int iRows, int iCols, double iValue) : VelaMatrix() {
  rows_ = NonNegative(iRows);
  cols_ = NonNegative(iCols);
  data_.resize(rows_ * cols_, iValue);
}

VelaMatrix::VelaMatrix(int n, const double* iValues) : VelaMatrix() { InitFromValues(1, n, iValues); }

VelaMatrix::VelaMatrix(const VelaMatrix& other) : VelaMatrix() {
  InitFromValues(other.rows_, other.cols_, other.Buffer());
}

VelaMatrix::VelaMatrix(VelaMatrix&& other) noexcept
    : data_(std::move(other.data_)), cols_(other.cols_), rows_(other.rows_) {
  // Like the copy constructor, the new matrix starts without labels; the
  // emptied source drops its own.
  other.cols_ = other.rows_ = 0;
  other.ReleaseNames();
}

VelaMatrix::~VelaMatrix() { ReleaseNames(); }

void VelaMatrix::InitFromValues(int iRows, int iCols, const double* iValues) {
  rows_ = NonNegative(iRows);
  cols_ = NonNegative(iCols);
  const int size = rows_ * cols_;
  const std::less<const double*> before;
  const double* own = Buffer();
  if (iValues && !before(iValues, own) && before(iValues, own + data_.capacity())) {
    // The values lie in this matrix's own storage, which resizing may move.
    data_ = VelSTLVector<double, 36>(iValues, iValues + size);
    return;
  }
  data_.clear();
  data_.resize(size, 0.0);
  if (iValues && size > 0) std::memcpy(Buffer(), iValues, sizeof(double) * static_cast<std::size_t>(size));
}

void VelaMatrix::ReleaseNames() noexcept {
  delete[] rowNames_;
  delete[] colNames_;
  rowNames_ = colNames_ = nullptr;
  rowNameCount_ = colNameCount_ = 0;
}

VelaMatrix& VelaMatrix::operator=(const VelaMatrix& other) {
  if (this == &other) return *this;
  const int size = other.GetSize();
  data_.resize(std::min(size, data_.size()), 0.0);
  data_.resize(size, 0.0);
  if (size > 0) std::memcpy(Buffer(), other.Buffer(), sizeof(double) * static_cast<std::size_t>(size));
  rows_ = other.rows_;
  cols_ = other.cols_;
  VelaString* rowCopy = CopyNames(other.rowNames_, other.rowNameCount_);
  VelaString* colCopy = CopyNames(other.colNames_, other.colNameCount_);
  ReleaseNames();
  rowNames_ = rowCopy;
  colNames_ = colCopy;
  rowNameCount_ = rowCopy ? other.rowNameCount_ : 0;
  colNameCount_ = colCopy ? other.colNameCount_ : 0;
  return *this;
}

VelaMatrix& VelaMatrix::operator=(VelaMatrix&& other) noexcept {
  if (this == &other) return *this;
  data_ = std::move(other.data_);
  rows_ = other.rows_;
  cols_ = other.cols_;
  ReleaseNames();
  rowNames_ = other.rowNames_;
  colNames_ = other.colNames_;
  rowNameCount_ = other.rowNameCount_;
  colNameCount_ = other.colNameCount_;
  other.cols_ = other.rows_ = 0;
  other.rowNames_ = other.colNames_ = nullptr;
  other.rowNameCount_ = other.colNameCount_ = 0;
  return *this;
}

VelaMatrix& VelaMatrix::operator=(const double* iValues) {
  const int size = GetSize();
  if (iValues && size > 0) std::memmove(Buffer(), iValues, sizeof(double) * static_cast<std::size_t>(size));
  return *this;
}

void VelaMatrix::SetNames(const VelaString* iRowNames, const VelaString* iColNames) {
  // Copies first: an argument may be this matrix's own label array.
  VelaString* rowCopy = CopyNames(iRowNames, rows_);
  VelaString* colCopy = CopyNames(iColNames, cols_);
  ReleaseNames();
  rowNames_ = rowCopy;
  colNames_ = colCopy;
  rowNameCount_ = rowCopy ? rows_ : 0;
  colNameCount_ = colCopy ? cols_ : 0;
}

// ---- Shape and content -----------------------------------------------------

void VelaMatrix::Resize(int iRows, int iCols) {
  const int rows = NonNegative(iRows);
  const int cols = NonNegative(iCols);
  const int size = rows * cols;
  // Truncate to the current elements first, so that whatever lay past them
  // (room used by MultiplyLeft or Transpose) never reappears as content.
  data_.resize(std::min(size, GetSize()), 0.0);
  data_.resize(size, 0.0);
  rows_ = rows;
  cols_ = cols;
}

void VelaMatrix::Reserve(int n) { data_.reserve(n); }

void VelaMatrix::SetZero() { std::fill(Buffer(), Buffer() + GetSize(), 0.0); }

void VelaMatrix::SetIdentity(int n) {
  if (n > 0) Resize(n, n);
  if (rows_ != cols_) return;
  SetZero();
  for (int i = 0; i < rows_; ++i) (*this)(i, i) = 1.0;
}

void VelaMatrix::ZeroRow(int i) { ZeroRows(i, 1); }

void VelaMatrix::ZeroRows(int i, int n) {
  if (n <= 0) return;
  std::fill(GetRow(i), GetRow(i + n), 0.0);
}

void VelaMatrix::SetRow(int i, const double* v) { SetRows(i, 1, v); }

void VelaMatrix::SetRows(int i, int n, const double* v) {
  if (!v || n <= 0 || cols_ == 0) return;
  std::memmove(GetRow(i), v, sizeof(double) * static_cast<std::size_t>(n) * static_cast<std::size_t>(cols_));
}

void VelaMatrix::AppendRows(int n, const double* v) {
  if (n <= 0) return;
  const std::less<const double*> before;
  const double* own = Buffer();
  if (v && !before(v, own) && before(v, own + data_.capacity())) {
    // The rows come from this matrix's own storage, which growing may move.
    const VelSTLVector<double, 36> copy(v, v + n * cols_);
    AppendRows(n, copy.begin());
    return;
  }
  const int oldRows = rows_;
  Resize(rows_ + n, cols_);
  SetRows(oldRows, n, v);
}

void VelaMatrix::AppendRows(const VelaMatrix& M) {
  if (cols_ == 0) Resize(rows_, M.cols_);
  if (cols_ != M.cols_ || M.rows_ == 0) return;
  AppendRows(M.rows_, M.Buffer());
}

VelaMatrix VelaMatrix::GetSubMatrix(int iFirstCol, int iFirstRow, int iNbCols, int iNbRows) const {
  VelaMatrix result(iNbRows, iNbCols, 0.0);
  for (int k = 0; k < result.rows_; ++k) {
    const double* from = GetRow(iFirstRow + k) + iFirstCol;
    std::copy(from, from + result.cols_, result.GetRow(k));
  }
  return result;
}

unsigned char VelaMatrix::SetSubMatrix(int iFirstCol, int iFirstRow, const VelaMatrix& M) {
  if (iFirstCol < 0 || iFirstRow < 0) return 0;
  if (iFirstCol + M.cols_ > cols_ || iFirstRow + M.rows_ > rows_) return 0;
  for (int k = 0; k < M.rows_; ++k) {
    const double* from = M.GetRow(k);
    std::memmove(GetRow(iFirstRow + k) + iFirstCol, from, sizeof(double) * static_cast<std::size_t>(M.cols_));
  }
  return 1;
}

VelaMatrix VelaMatrix::MergeMatrix(const VelaMatrix& A, const VelaMatrix& B, unsigned char iByRows) {
  VelaMatrix result;
  if (iByRows) {
    if (A.cols_ != B.cols_) return result;
    result.Resize(A.rows_ + B.rows_, A.cols_);
    std::copy(A.Buffer(), A.Buffer() + A.GetSize(), result.Buffer());
    std::copy(B.Buffer(), B.Buffer() + B.GetSize(), result.Buffer() + A.GetSize());
  } else {
    if (A.rows_ != B.rows_) return result;
    result.Resize(A.rows_, A.cols_ + B.cols_);
    for (int i = 0; i < A.rows_; ++i) {
      double* to = result.GetRow(i);
      to = std::copy(A.GetRow(i), A.GetRow(i) + A.cols_, to);
      std::copy(B.GetRow(i), B.GetRow(i) + B.cols_, to);
    }
  }
  return result;
}

void VelaMatrix::Transpose() {
  std::swap(rows_, cols_);
  if (rows_ < 2 || cols_ < 2) return;
  double* a = Buffer();
  if (rows_ == cols_) {
    const int n = rows_;
    if (n > 8) {
      vela::detail::TransposeSquare(n, a);
      return;
    }
    // Small orders: the plain swap loop beats the blocked kernel's set-up.
    for (int i = 0; i < n; ++i) {
      for (int j = i + 1; j < n; ++j) std::swap(a[i * n + j], a[j * n + i]);
    }
    return;
  }
  const int size = GetSize();
  if (size <= 36 && 2 * size > 36) {
    // A local copy keeps a small matrix on its inline buffer.
    double scratch[36];
    std::memcpy(scratch, a, sizeof(double) * static_cast<std::size_t>(size));
    vela::detail::TransposeInto(cols_, rows_, scratch, a);
    return;
  }
  // The old elements go to the second half of a buffer of twice the size
  // (room past the elements, so it needs no initialisation); the result is
  // written from there into the first half.
  data_.reserve(2 * size);
  a = Buffer();
  std::memcpy(a + size, a, sizeof(double) * static_cast<std::size_t>(size));
  vela::detail::TransposeInto(cols_, rows_, a + size, a);
}

void VelaMatrix::Normalize(double iTol) {
  for (int i = 0; i < rows_; ++i) {
    double* row = GetRow(i);
    const double norm = Norm2(cols_, row);
    if (norm < iTol) {
      std::fill(row, row + cols_, 0.0);
    } else {
      for (int j = 0; j < cols_; ++j) row[j] /= norm;
    }
  }
}

// ---- Arithmetic --------------------------------------------------------------

VelaMatrix VelaMatrix::operator*(const VelaMatrix& B) const {
  VelaMatrix result(rows_, B.cols_, 0.0);
  if (cols_ != B.rows_) {
    PrintSizeMessage(rows_, cols_, B.rows_, B.cols_);
    return result;
  }
  vela::detail::ProductAccumulate(rows_, cols_, B.cols_, Buffer(), cols_, B.Buffer(), B.cols_, result.Buffer(),
                                  result.cols_);
  return result;
}

VelaVector VelaMatrix::operator*(const double* v) const {
  VelaVector result(rows_, 0.0);
  if (v) vela::detail::MatrixVector(rows_, cols_, Buffer(), cols_, v, result.GetBuffer());
  return result;
}

VelaVector VelaMatrix::operator*(const VelaVector& v) const { return *this * static_cast<const double*>(v.GetBuffer()); }

VelaVector VelaMatrix::MultiplyVectorLeft(const VelaVector& v) const {
  VelaVector result(cols_, 0.0);
  if (rows_ < 1 || v.GetSize() != rows_) return result;
  vela::detail::VectorMatrix(rows_, cols_, Buffer(), cols_, v.GetBuffer(), result.GetBuffer());
  return result;
}

void VelaMatrix::MultiplyLeft(const VelaMatrix& L) {
  if (L.cols_ != rows_) {
    PrintSizeMessage(L.rows_, L.cols_, rows_, cols_);
    return;
  }
  const int oldSize = GetSize();
  const int newSize = L.rows_ * cols_;
  if (newSize <= 36) {
    // The product fits the inline buffer: a local scratch block keeps a
    // small matrix off the heap.
    double scratch[36];
    std::fill(scratch, scratch + newSize, 0.0);
    vela::detail::ProductAccumulate(L.rows_, L.cols_, cols_, L.Buffer(), L.cols_, Buffer(), cols_, scratch, cols_);
    Resize(L.rows_, cols_);
    std::memcpy(Buffer(), scratch, sizeof(double) * static_cast<std::size_t>(newSize));
    return;
  }
  // The product is accumulated in the room after the current elements, then
  // moved to the front. L may be this matrix: it is read only through its
  // (possibly moved) buffer, whose first oldSize elements stay intact.
  data_.reserve(oldSize + newSize);
  data_.resize(oldSize + newSize, 0.0);
  double* a = Buffer();
  vela::detail::ProductAccumulate(L.rows_, L.cols_, cols_, L.Buffer(), L.cols_, a, cols_, a + oldSize, cols_);
  std::memmove(a, a + oldSize, sizeof(double) * static_cast<std::size_t>(newSize));
  data_.resize(newSize, 0.0);
  rows_ = L.rows_;
}

VelaMatrix VelaMatrix::operator+(const VelaMatrix& B) const {
  VelaMatrix result(*this);
  result += B;
  return result;
}

VelaMatrix VelaMatrix::operator-(const VelaMatrix& B) const {
  VelaMatrix result(*this);
  result -= B;
  return result;
}

VelaMatrix& VelaMatrix::operator+=(const VelaMatrix& B) {
  if (rows_ != B.rows_ || cols_ != B.cols_) return *this;
  double* a = Buffer();
  const double* b = B.Buffer();
  for (int k = 0, n = GetSize(); k < n; ++k) a[k] += b[k];
  return *this;
}

VelaMatrix& VelaMatrix::operator-=(const VelaMatrix& B) {
  if (rows_ != B.rows_ || cols_ != B.cols_) return *this;
  double* a = Buffer();
  const double* b = B.Buffer();
  for (int k = 0, n = GetSize(); k < n; ++k) a[k] -= b[k];
  return *this;
}

VelaMatrix& VelaMatrix::operator*=(double s) {
  double* a = Buffer();
  for (int k = 0, n = GetSize(); k < n; ++k) a[k] *= s;
  return *this;
}

VelaMatrix operator*(double s, const VelaMatrix& A) {
  VelaMatrix result(A);
  result *= s;
  return result;
}

VelaMatrix operator*(const VelaMatrix& A, double s) { return s * A; }

// ---- Norms -------------------------------------------------------------------

double VelaMatrix::Norm2(int n, const double* v) {
  double sum = 0.0;
  for (int k = 0; k < n; ++k) sum += v[k] * v[k];
  return std::sqrt(sum);
}

double VelaMatrix::NormInf(int n, const double* v) {
  double largest = 0.0;
  for (int k = 0; k < n; ++k) largest = std::max(largest, std::fabs(v[k]));
  return largest;
}

double VelaMatrix::GetNorm2(int i) const { return i < 0 ? Norm2(GetSize(), Buffer()) : Norm2(cols_, GetRow(i)); }

double VelaMatrix::GetNormInf(int i) const {
  return i < 0 ? NormInf(GetSize(), Buffer()) : NormInf(cols_, GetRow(i));
}

// ---- VelaVector ----------------------------------------------------------------

VelaVector::VelaVector(int n, double iValue) : VelaMatrix(n, static_cast<const double*>(nullptr)) {
  std::fill(Buffer(), Buffer() + GetSize(), iValue);
}

void VelaVector::Append(double v) { Insert(GetSize(), v); }

void VelaVector::Insert(int i, double v) {
  const int n = GetSize();
  // Growth goes through Resize (the array's doubling rule keeps Append
  // amortised O(1)); the tail then moves one place right.
  VelaMatrix::Resize(1, n + 1);
  double* a = Buffer();
  std::memmove(a + i + 1, a + i, sizeof(double) * static_cast<std::size_t>(n - i));
  a[i] = v;
}

VelaVector VelaVector::operator*(double s) const {
  VelaVector result(*this);
  result *= s;
  return result;
}

double VelaVector::operator*(const VelaVector& w) const { return ScalarProduct(GetSize(), Buffer(), w.Buffer()); }

VelaVector VelaVector::operator+(const VelaVector& w) const {
  VelaVector result(*this);
  result += w;
  return result;
}

VelaVector VelaVector::operator-(const VelaVector& w) const {
  VelaVector result(*this);
  result -= w;
  return result;
}

VelaVector& VelaVector::operator*=(double s) {
  VelaMatrix::operator*=(s);
  return *this;
}

VelaVector& VelaVector::operator+=(const VelaVector& w) { return *this += static_cast<const double*>(w.Buffer()); }

VelaVector& VelaVector::operator-=(const VelaVector& w) { return *this -= static_cast<const double*>(w.Buffer()); }

VelaVector& VelaVector::operator+=(const double* w) {
  if (!w) return *this;
  double* a = Buffer();
  for (int k = 0, n = GetSize(); k < n; ++k) a[k] += w[k];
  return *this;
}

VelaVector& VelaVector::operator-=(const double* w) {
  if (!w) return *this;
  double* a = Buffer();
  for (int k = 0, n = GetSize(); k < n; ++k) a[k] -= w[k];
  return *this;
}

void VelaVector::Add(double a, const double* v) {
  if (!v) return;
  double* x = Buffer();
  for (int k = 0, n = GetSize(); k < n; ++k) x[k] += a * v[k];
}

double VelaVector::ScalarProduct(int n, const double* a, const double* b) {
  double sum = 0.0;
  for (int k = 0; k < n; ++k) sum += a[k] * b[k];
  return sum;
}

VelaMatrix VelaVector::GramProduct() const {
  const int n = GetSize();
  const VelaMatrix row(1, n, static_cast<const double*>(Buffer()));
  const VelaMatrix column(n, 1, static_cast<const double*>(Buffer()));
  return row * column;
}

unsigned char VelaVector::operator>(double t) const {
  const double* a = Buffer();
  for (int k = 0, n = GetSize(); k < n; ++k) {
    if (a[k] < t) return 0;
  }
  return 1;
}
