// The simplex members of VelaMatrix. The method, its phase one and the
// checks of the input live in VelaMatrixSimplexCore.cpp, in vela::detail,
// where they also report their iteration counts (which the members do not
// return) to the benchmark.
#include "linalg/SimplexCore.h"
#include "vela/linalg/VelaMatrix.h"

unsigned char VelaMatrix::SimplexMaximisation(VelaVector& ioX, const VelaVector& iC, const VelaVector& iB,
                                              double iTarget, double iTol) const {
  return vela::detail::SimplexMaximise(*this, ioX, iC, iB, iTarget, iTol, nullptr, nullptr);
}

unsigned char VelaMatrix::InitializeSimplexStartPoint(VelaVector& oX, const VelaVector& iB, double iTol) const {
  return vela::detail::SimplexStartPoint(*this, oX, iB, iTol, nullptr);
}
