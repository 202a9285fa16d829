// The simplex method behind VelaMatrix::SimplexMaximisation and
// InitializeSimplexStartPoint, with the iteration counts the members do not
// return (the benchmark reads them). The counts may be null.
#ifndef VELA_SRC_LINALG_SIMPLEXCORE_H
#define VELA_SRC_LINALG_SIMPLEXCORE_H

#include "vela/linalg/VelaMatrix.h"

namespace vela::detail {
unsigned char SimplexMaximise(const VelaMatrix& iA, VelaVector& ioX, const VelaVector& iC, const VelaVector& iB,
                              double iTarget, double iTol, int* oIterations, int* oBlandIterations);
unsigned char SimplexStartPoint(const VelaMatrix& iA, VelaVector& oX, const VelaVector& iB, double iTol,
                                int* oIterations);
}  // namespace vela::detail

#endif  // VELA_SRC_LINALG_SIMPLEXCORE_H
