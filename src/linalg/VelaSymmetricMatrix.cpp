// Packed symmetric matrix: storage, products, dumps and the Cholesky
// factorisation. The LDLᵀ factorisation lives in VelaSymmetricMatrixLDLt.cpp.
//
// Cholesky, L Lᵀ = S with the diagonal optionally scaled by (1 + shift):
//   L(i, j) = (S(i, j) - sum_{k<j} L(i, k) L(j, k)) / L(j, j)   (j < i)
//   L(i, i) = sqrt(S(i, i) - sum_{k<i} L(i, k)²)
// The values are those of the row-by-row recurrence (each sum over
// increasing k, then subtracted), but they are computed column by column: the
// entries of one column below the diagonal depend only on earlier columns,
// so several rows' sums run side by side as independent chains instead of
// one long dependent chain per entry. Each entry still gets exactly its own
// expression, so the result does not depend on that organisation.
// No failure stops the loop: a non-positive pivot gives a zero diagonal entry
// and a zero divisor a zero entry, and the flag drops to 0.
#include "vela/linalg/VelaSymmetricMatrix.h"

#include <cmath>
#include <cstring>

#include "linalg/PackedTriangle.h"
#include "vela/config/VelaGlobalParameters.h"
#include "vela/streams/VelaStream.h"

using vela::detail::PackedSize;

namespace {

void TraceMismatch(const char* iText) {
  VelaGlobalParameters& parameters = GetGlobalParameters();
  if (parameters.GetTraceLevel() < 1) return;
  if (VelaStream* trace = parameters.GetTraceStream()) *trace << iText << velendl;
}

// dst[c] = dst[c] + s * src[c] for c < n.
void AddScaledRow(int n, double s, const double* __restrict src, double* __restrict dst) {
  for (int c = 0; c < n; ++c) dst[c] = dst[c] + s * src[c];
}

double Dot(int n, const double* a, const double* b) {
  double sum = 0.0;
  for (int k = 0; k < n; ++k) sum += a[k] * b[k];
  return sum;
}

}  // namespace

VelaSymmetricMatrix::VelaSymmetricMatrix(int iOrder, const double* iPacked) {
  Reserve(iOrder);
  if (iPacked != nullptr && order_ > 0) std::memcpy(values_, iPacked, PackedSize(order_) * sizeof(double));
}

VelaSymmetricMatrix::VelaSymmetricMatrix(int iOrder, const VelaMatrix& iMat) {
  Reserve(iOrder);
  const int rows = iMat.GetNbOfRow();
  const int cols = iMat.GetNbOfCol();
  if (iOrder != rows && iOrder != cols) {
    TraceMismatch("Dimension does not match for VelaSymmetricMatrix(int iOrder, const VelaMatrix& iMat)");
    return;
  }
  // Only the part of the triangle that iMat covers is copied; a matrix
  // smaller than iOrder in its other count leaves the rest at 0.0.
  const int lastRow = rows < order_ ? rows : order_;
  for (int i = 0; i < lastRow; ++i) {
    const int count = i + 1 < cols ? i + 1 : cols;
    if (count > 0) std::memcpy(GetRow(i), iMat.GetRow(i), static_cast<std::size_t>(count) * sizeof(double));
  }
}

VelaSymmetricMatrix::VelaSymmetricMatrix(const VelaSymmetricMatrix& other)
    : VelaSymmetricMatrix(other.order_, other.values_) {}

VelaSymmetricMatrix::~VelaSymmetricMatrix() { delete[] values_; }

VelaSymmetricMatrix& VelaSymmetricMatrix::operator=(const VelaSymmetricMatrix& other) {
  if (this == &other) return *this;
  Resize(other.order_);
  if (order_ > 0) std::memcpy(values_, other.values_, PackedSize(order_) * sizeof(double));
  return *this;
}

void VelaSymmetricMatrix::Reserve(int n) { vela::detail::ReservePackedTriangle(n, order_, values_); }

void VelaSymmetricMatrix::ZeroValues() {
  if (order_ > 0) std::memset(values_, 0, PackedSize(order_) * sizeof(double));
}

void VelaSymmetricMatrix::Resize(int n) {
  Reserve(n);
  ZeroValues();
}

VelaSymmetricMatrix& VelaSymmetricMatrix::operator*=(double s) {
  const std::size_t size = PackedSize(order_);
  for (std::size_t k = 0; k < size; ++k) values_[k] *= s;
  return *this;
}

VelaMatrix VelaSymmetricMatrix::operator*(const VelaMatrix& B) const {
  const int n = order_;
  const int cols = B.GetNbOfCol();
  VelaMatrix result(n, cols, 0.0);
  if (n != B.GetNbOfRow()) {
    TraceMismatch(" Dimension does not match for VelaSymmetricMatrix*VelaMatrix");
    return result;
  }
  // Each stored entry is used once, for both of its mirror positions; every
  // result element still sums over k in increasing order.
  for (int i = 0; i < n; ++i) {
    const double* row = GetRow(i);
    for (int j = 0; j <= i; ++j) {
      const double s = row[j];
      AddScaledRow(cols, s, B.GetRow(j), result.GetRow(i));
      if (j != i) AddScaledRow(cols, s, B.GetRow(i), result.GetRow(j));
    }
  }
  return result;
}

VelaVector VelaSymmetricMatrix::operator*(const VelaVector& v) const {
  const int n = order_;
  VelaVector result(n, 0.0);
  if (n != v.GetSize()) {
    TraceMismatch(" Dimension does not match for VelaSymmetricMatrix*VelaVector");
    return result;
  }
  for (int i = 0; i < n; ++i) {
    const double* row = GetRow(i);
    for (int j = 0; j <= i; ++j) {
      const double s = row[j];
      result[i] = result[i] + s * v[j];
      if (j != i) result[j] = result[j] + s * v[i];
    }
  }
  return result;
}

VelaMatrix VelaSymmetricMatrix::ConvertToFullMatrix() const {
  const int n = order_;
  VelaMatrix full(n, n, 0.0);
  for (int i = 0; i < n; ++i) {
    const double* row = GetRow(i);
    for (int j = 0; j <= i; ++j) {
      full(i, j) = row[j];
      full(j, i) = row[j];
    }
  }
  return full;
}

double VelaSymmetricMatrix::GetNormInf() const {
  double largest = 0.0;
  const std::size_t size = PackedSize(order_);
  for (std::size_t k = 0; k < size; ++k) {
    const double a = std::fabs(values_[k]);
    if (a > largest) largest = a;
  }
  return largest;
}

unsigned char VelaSymmetricMatrix::CholeskyFactorisation(VelaLowerTriangularMatrix& oL, double iShift) const {
  const int n = order_;
  if (oL.GetOrder() != n) return 0;
  const bool shifted = iShift != 0.0;  // NaN counts as a shift
  unsigned char ok = 1;
  for (int j = 0; j < n; ++j) {
    double* lj = oL.GetRow(j);
    double x = (*this)(j, j);
    if (shifted) x = x * (iShift + 1.0);
    x = x - Dot(j, lj, lj);
    if (x > 0.0) {
      lj[j] = std::sqrt(x);
    } else {
      lj[j] = 0.0;
      ok = 0;
    }
    // d is 0 only when the diagonal already failed, so the zero entries
    // below it need not touch the flag again.
    const double d = lj[j];
    // Column j below the diagonal, four rows at a time: four independent
    // dot products over k < j, each in increasing k.
    int i = j + 1;
    for (; i + 3 < n; i += 4) {
      double* l0 = oL.GetRow(i);
      double* l1 = oL.GetRow(i + 1);
      double* l2 = oL.GetRow(i + 2);
      double* l3 = oL.GetRow(i + 3);
      double s0 = 0.0, s1 = 0.0, s2 = 0.0, s3 = 0.0;
      for (int k = 0; k < j; ++k) {
        const double b = lj[k];
        s0 += l0[k] * b;
        s1 += l1[k] * b;
        s2 += l2[k] * b;
        s3 += l3[k] * b;
      }
      l0[j] = d == 0.0 ? 0.0 : ((*this)(i, j) - s0) / d;
      l1[j] = d == 0.0 ? 0.0 : ((*this)(i + 1, j) - s1) / d;
      l2[j] = d == 0.0 ? 0.0 : ((*this)(i + 2, j) - s2) / d;
      l3[j] = d == 0.0 ? 0.0 : ((*this)(i + 3, j) - s3) / d;
    }
    for (; i < n; ++i) {
      double* li = oL.GetRow(i);
      li[j] = d == 0.0 ? 0.0 : ((*this)(i, j) - Dot(j, li, lj)) / d;
    }
  }
  return ok;
}

unsigned char VelaSymmetricMatrix::SolveCholesky(const double* iB, double* oX, VelaLowerTriangularMatrix* ioL,
                                                 double iShift) const {
  if (order_ > 0 && (iB == nullptr || oX == nullptr)) return 0;
  VelaLowerTriangularMatrix temporary;
  VelaLowerTriangularMatrix& factor = ioL != nullptr ? *ioL : temporary;
  factor.Resize(order_);
  const unsigned char factored = CholeskyFactorisation(factor, iShift);
  const unsigned char forward = factor.Solve(iB, oX);
  const unsigned char backward = factor.SolveTranspose(oX, oX);
  return factored && forward && backward ? 1 : 0;
}

void VelaSymmetricMatrix::ScilabDump(const char* iName, VelaStream* iStream) const {
  ConvertToFullMatrix().ScilabDump(iName, iStream);
}

void VelaSymmetricMatrix::Write(const char* iName) const {
  vela::detail::WritePackedTriangle(iName, order_, values_);
}
