// Packed lower-triangular matrix: storage and the two substitutions.
//
// Packed layout (n = 4), row i starting at i(i+1)/2:
//   0
//   1 2
//   3 4 5
//   6 7 8 9
// Both substitutions sweep each packed row once, front to back, so memory is
// read contiguously. A zero diagonal entry does not stop a solve: that
// unknown becomes 0 and the flag 0, which is what the optimisers expect from
// a semi-definite factor.
#include "vela/linalg/VelaLowerTriangularMatrix.h"

#include <cstring>

#include "linalg/PackedTriangle.h"
#include "vela/config/VelaGlobalParameters.h"
#include "vela/streams/VelaStream.h"

using vela::detail::PackedSize;

namespace vela::detail {

void ReservePackedTriangle(int n, int& ioOrder, double*& ioValues) {
  if (n <= 0) {
    ioOrder = 0;
    return;
  }
  if (n > ioOrder || ioValues == nullptr) {
    delete[] ioValues;
    ioValues = nullptr;
    ioValues = new double[PackedSize(n)]();
  }
  ioOrder = n;
}

void WritePackedTriangle(const char* iName, int iOrder, const double* iPacked) {
  if (iPacked == nullptr) return;
  VelaStream* trace = GetGlobalParameters().GetTraceStream();
  if (trace == nullptr) return;
  VelaStream& s = *trace;
  s << velsetprecision(18);
  s << (iName != nullptr ? iName : "") << " := " << "matrix(" << iOrder << ", " << iOrder << ", [" << velendl;
  for (int i = 0; i < iOrder; ++i) {
    const double* row = iPacked + VelaLowerTriangularMatrix::PackedRowStart(i);
    s << "[ ";
    for (int j = 0; j < i; ++j) s << row[j] << ", ";
    s << row[i] << (i + 1 < iOrder ? "]," : "] ]);") << velendl;
  }
}

}  // namespace vela::detail

VelaLowerTriangularMatrix::VelaLowerTriangularMatrix(int n, const double* iPacked) {
  Reserve(n);
  if (iPacked != nullptr && order_ > 0) std::memcpy(values_, iPacked, PackedSize(order_) * sizeof(double));
}

VelaLowerTriangularMatrix::VelaLowerTriangularMatrix(const VelaLowerTriangularMatrix& other)
    : VelaLowerTriangularMatrix(other.order_, other.values_) {}

VelaLowerTriangularMatrix::VelaLowerTriangularMatrix(VelaLowerTriangularMatrix&& other) noexcept
    : order_(other.order_), values_(other.values_) {
  other.order_ = 0;
  other.values_ = nullptr;
}

VelaLowerTriangularMatrix::~VelaLowerTriangularMatrix() { delete[] values_; }

VelaLowerTriangularMatrix& VelaLowerTriangularMatrix::operator=(const VelaLowerTriangularMatrix& other) {
  if (this == &other) return *this;
  Resize(other.order_);
  if (order_ > 0) std::memcpy(values_, other.values_, PackedSize(order_) * sizeof(double));
  return *this;
}

VelaLowerTriangularMatrix& VelaLowerTriangularMatrix::operator=(VelaLowerTriangularMatrix&& other) noexcept {
  if (this == &other) return *this;
  delete[] values_;
  order_ = other.order_;
  values_ = other.values_;
  other.order_ = 0;
  other.values_ = nullptr;
  return *this;
}

void VelaLowerTriangularMatrix::Resize(int n) {
  if (n > order_) {
    Reserve(n);
  } else {
    order_ = n > 0 ? n : 0;
  }
}

void VelaLowerTriangularMatrix::Reserve(int n) { vela::detail::ReservePackedTriangle(n, order_, values_); }

unsigned char VelaLowerTriangularMatrix::Solve(const double* iB, double* oX) const {
  const int n = order_;
  if (n == 0) return 1;
  if (iB == nullptr || oX == nullptr) return 0;
  if (iB != oX) std::memmove(oX, iB, static_cast<std::size_t>(n) * sizeof(double));
  unsigned char ok = 1;
  for (int i = 0; i < n; ++i) {
    const double* row = GetRow(i);
    double sum = 0.0;
    for (int k = 0; k < i; ++k) sum += row[k] * oX[k];
    const double x = oX[i] - sum;
    if (row[i] == 0.0) {
      oX[i] = 0.0;
      ok = 0;
    } else {
      oX[i] = x / row[i];
    }
  }
  return ok;
}

unsigned char VelaLowerTriangularMatrix::SolveTranspose(const double* iB, double* oX) const {
  const int n = order_;
  if (n == 0) return 1;
  if (iB == nullptr || oX == nullptr) return 0;
  if (iB != oX) std::memmove(oX, iB, static_cast<std::size_t>(n) * sizeof(double));
  unsigned char ok = 1;
  for (int i = n - 1; i >= 0; --i) {
    const double* row = GetRow(i);
    if (row[i] == 0.0) {
      oX[i] = 0.0;
      ok = 0;
    } else {
      oX[i] = oX[i] / row[i];
    }
    const double xi = oX[i];
    for (int k = 0; k < i; ++k) oX[k] = oX[k] - row[k] * xi;
  }
  return ok;
}

void VelaLowerTriangularMatrix::Write(const char* iName) const {
  vela::detail::WritePackedTriangle(iName, order_, values_);
}
