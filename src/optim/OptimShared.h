// What the optimisers share: the residual tolerance of their solves, the
// stacked constraint form of a general problem, the trace stream their
// messages go to, and the finiteness test that turns NaN and infinite input
// into a failure flag before any iteration starts.
#ifndef VELA_SRC_OPTIM_OPTIMSHARED_H
#define VELA_SRC_OPTIM_OPTIMSHARED_H

#include <cmath>

#include "vela/config/VelaGlobalParameters.h"
#include "vela/containers/VelaBoolArray.h"
#include "vela/linalg/VelaMatrix.h"
#include "vela/linalg/VelaSymmetricMatrix.h"
#include "vela/streams/VelaStream.h"

namespace vela::optim {

// Relative residual above which a saddle-point or start-point solve is not
// trusted. Fixed, not configurable.
constexpr double kResidualTolerance = 1e-8;

// Diagnostics go to the trace stream whatever the trace level.
inline VelaStream& Trace() { return *GetGlobalParameters().GetTraceStream(); }

// True when all rows * cols elements of m are finite.
inline bool IsFinite(const VelaMatrix& m) {
  const double* v = m.GetBuffer();
  for (int k = 0, n = m.GetSize(); k < n; ++k) {
    if (!std::isfinite(v[k])) return false;
  }
  return true;
}

inline bool IsFinite(const VelaSymmetricMatrix& s) {
  const int n = s.GetOrder();
  for (int i = 0; i < n; ++i) {
    const double* row = s.GetRow(i);
    for (int j = 0; j <= i; ++j) {
      if (!std::isfinite(row[j])) return false;
    }
  }
  return true;
}

// The general constraints A x (=, <=) b plus flagged bounds as one system
// M x (=, <=) r: the rows of A, then for each variable j in order a
// lower-bound row (-e_j, -lower(j)) when hasLower[j] and an upper-bound row
// (+e_j, upper(j)) when hasUpper[j]. Every row from the equality count on
// reads M(i) x <= r(i). The flag arrays hold one flag per column of A.
inline void StackConstraints(const VelaMatrix& A, const VelaVector& b, const VelaBoolArray& hasLower,
                             const VelaVector& lower, const VelaBoolArray& hasUpper, const VelaVector& upper,
                             VelaMatrix& M, VelaVector& r) {
  const int n = A.GetNbOfCol();
  const int mA = A.GetNbOfRow();
  int m = mA;
  for (int j = 0; j < n; ++j) m += (hasLower[j] != 0) + (hasUpper[j] != 0);
  M = VelaMatrix(m, n, 0.0);
  r = VelaVector(m, 0.0);
  for (int i = 0; i < mA; ++i) {
    M.SetRow(i, A.GetRow(i));
    r[i] = b[i];
  }
  int row = mA;
  for (int j = 0; j < n; ++j) {
    if (hasLower[j] != 0) {
      M(row, j) = -1.0;
      r[row++] = -lower[j];
    }
    if (hasUpper[j] != 0) {
      M(row, j) = 1.0;
      r[row++] = upper[j];
    }
  }
}

}  // namespace vela::optim

#endif  // VELA_SRC_OPTIM_OPTIMSHARED_H
