// Storage and dump shared by VelaLowerTriangularMatrix and
// VelaSymmetricMatrix: both keep an order and a packed lower triangle by
// rows (row i starting at i(i+1)/2), grow it the same way and write it in
// the same script syntax, through these one code paths.
#ifndef VELA_SRC_LINALG_PACKEDTRIANGLE_H
#define VELA_SRC_LINALG_PACKEDTRIANGLE_H

#include <cstddef>

namespace vela::detail {

// Number of packed values of order n (0 for n <= 0).
inline std::size_t PackedSize(int n) {
  return n > 0 ? static_cast<std::size_t>(n) * static_cast<std::size_t>(n + 1) / 2 : 0;
}

// Order n with room for its values: a new zeroed buffer when n exceeds the
// current order (or there is none), else the buffer is kept as it is. A
// non-positive n gives order 0 and keeps the buffer.
void ReservePackedTriangle(int n, int& ioOrder, double*& ioValues);

// Writes on the trace stream of the global parameters, with precision 18 left
// in force:
//   name := matrix(n, n, [
//   [ a00],
//   [ a10, a11] ]);
// one line per packed row, each ended by velendl. Nothing when iPacked is
// null.
void WritePackedTriangle(const char* iName, int iOrder, const double* iPacked);

}  // namespace vela::detail

#endif  // VELA_SRC_LINALG_PACKEDTRIANGLE_H
