// Product kernels shared by the dense matrix members.
//
// Every kernel keeps the library's summation order: each result element
// C(i, j) starts from the value already in C (zero for a fresh product) and
// adds A(i, k) * B(k, j) for k = 0, 1, 2, ... in increasing order, each
// product rounded before its addition. Blocking and vectorisation only change
// which elements are worked on together, never that order, so every kernel
// gives the plain i-k-j loop's result bit for bit.
#ifndef VELA_SRC_LINALG_MATRIXKERNELS_H
#define VELA_SRC_LINALG_MATRIXKERNELS_H

namespace vela::detail {

// C += A B for the m x n block A (row stride lda), the n x p block B (row
// stride ldb) and the m x p block C (row stride ldc). C must not overlap A
// or B.
void ProductAccumulate(int m, int n, int p, const double* a, int lda, const double* b, int ldb, double* c,
                       int ldc);

// y[i] = sum over j of A(i, j) * x[j], for the m x n block A (row stride
// lda); j increasing, from 0.0.
void MatrixVector(int m, int n, const double* a, int lda, const double* x, double* y);

// y[j] += sum over i of x[i] * A(i, j), for the m x n block A (row stride
// lda); i increasing. y must not overlap A or x.
void VectorMatrix(int m, int n, const double* a, int lda, const double* x, double* y);

// dst (cols x rows, row-major) = the transpose of src (rows x cols,
// row-major). dst and src must not overlap.
void TransposeInto(int rows, int cols, const double* src, double* dst);

// Transposes the n x n row-major matrix a in place.
void TransposeSquare(int n, double* a);

}  // namespace vela::detail

#endif  // VELA_SRC_LINALG_MATRIXKERNELS_H
