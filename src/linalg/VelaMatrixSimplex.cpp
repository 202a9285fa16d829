// The simplex members of VelaMatrix. The method, its phase one and the
// checks of the input live in VelaMatrixSimplexCore.cpp, in vela::detail,
// where they also report their iteration counts (which the members do not
// return) to the benchmark.
#include "vela/linalg/VelaMatrix.h"

namespace vela::detail {
// Defined in VelaMatrixSimplexCore.cpp; the counts may be null.
unsigned char SimplexMaximise(const VelaMatrix& iA, VelaVector& ioX, const VelaVector& iC, const VelaVector& iB,
                              double iTarget, double iTol, int* oIterations, int* oBlandIterations);
unsigned char SimplexStartPoint(const VelaMatrix& iA, VelaVector& oX, const VelaVector& iB, double iTol,
                                int* oIterations);
}  // namespace vela::detail

unsigned char VelaMatrix::SimplexMaximisation(VelaVector& ioX, const VelaVector& iC, const VelaVector& iB,
                                              double iTarget, double iTol) const {
  return vela::detail::SimplexMaximise(*this, ioX, iC, iB, iTarget, iTol, nullptr, nullptr);
}

unsigned char VelaMatrix::InitializeSimplexStartPoint(VelaVector& oX, const VelaVector& iB, double iTol) const {
  return vela::detail::SimplexStartPoint(*this, oX, iB, iTol, nullptr);
}
