// The packed dump shared by VelaLowerTriangularMatrix and
// VelaSymmetricMatrix: both write their lower triangle in the same script
// syntax, through this one code path.
#ifndef VELA_SRC_LINALG_PACKEDTRIANGLEDUMP_H
#define VELA_SRC_LINALG_PACKEDTRIANGLEDUMP_H

namespace vela::detail {

// Writes on the trace stream of the global parameters, with precision 18 left
// in force:
//   name := matrix(n, n, [
//   [ a00],
//   [ a10, a11] ]);
// one line per packed row, each ended by velendl. Nothing when iPacked is
// null.
void WritePackedTriangle(const char* iName, int iOrder, const double* iPacked);

}  // namespace vela::detail

#endif  // VELA_SRC_LINALG_PACKEDTRIANGLEDUMP_H
