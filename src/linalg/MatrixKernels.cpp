// Product and transposition kernels of the dense matrix.
//
// The product works on register tiles of C held in SSE2 pairs (two
// neighbouring columns per pair), so each tile element is one lane of one
// accumulator and receives its terms k = 0, 1, 2, ... one after the other,
// a multiplication then an addition each time. That is the plain i-k-j
// loop's order for every element, whatever the tiling:
//
//   up to kPackThreshold multiplications: kMR x kNR tiles read A and B where
//   they lie (B rows are contiguous, A values are broadcast);
//   beyond: k is cut into blocks of kKC taken in increasing order, and for
//   each k block the B panel (kKC x kNC) and the A block (kMC x kKC) are
//   first copied into tile-shaped strips (zero-padded at the edges, A values
//   stored twice as ready pairs) so that the kPR x kNR tiles read memory
//   sequentially:
//
//       for jc (kNC columns)        B panel  -> packedB
//         for pc (kKC k, in order)
//           for ic (kMC rows)       A block  -> packedA
//             for jr, ir            C tile  += A strip x B strip
//
// Without SSE2 the pair type falls back to two scalars with the same
// semantics.
#include "linalg/MatrixKernels.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <new>

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#define VELA_MATRIX_SSE2 1
#endif

namespace vela::detail {
namespace {

using Index = std::ptrdiff_t;

constexpr int kMR = 4;    // rows of a register tile read in place
constexpr int kPR = 6;    // rows of a register tile read from packed strips
constexpr int kNR = 4;    // columns of a register tile: two pairs
constexpr int kKC = 256;  // k block: one B strip (kKC x kNR) stays in L1
constexpr int kMC = 96;   // rows of a packed A block (a multiple of kPR), which stays in L2
constexpr int kNC = 512;  // columns of a packed B panel
// Below this many multiplications the copies into strips cost about what
// they save (measured: the two paths are level near 100 x 100 x 100).
constexpr double kPackThreshold = 110.0 * 110.0 * 110.0;
static_assert(kMC % kPR == 0, "A blocks split into whole strips");

#ifdef VELA_MATRIX_SSE2
using Pair = __m128d;
inline Pair Load(const double* p) { return _mm_loadu_pd(p); }
inline void Store(double* p, Pair v) { _mm_storeu_pd(p, v); }
inline Pair Splat(double x) { return _mm_set1_pd(x); }
// acc + a * b, rounded after the multiplication (no fused operation exists
// in SSE2).
inline Pair MulAdd(Pair acc, Pair a, Pair b) { return _mm_add_pd(acc, _mm_mul_pd(a, b)); }
#else
struct Pair {
  double lo, hi;
};
inline Pair Load(const double* p) { return {p[0], p[1]}; }
inline void Store(double* p, Pair v) {
  p[0] = v.lo;
  p[1] = v.hi;
}
inline Pair Splat(double x) { return {x, x}; }
inline Pair MulAdd(Pair acc, Pair a, Pair b) {
  const double lo = a.lo * b.lo;
  const double hi = a.hi * b.hi;
  return {acc.lo + lo, acc.hi + hi};
}
#endif

// C(r, 2v .. 2v+1) += sum over k < kc of A(r, k) B(k, 2v .. 2v+1) for an
// MR x 2NV tile, A(r, k) being a[r * ars + k * aks] (in place: ars = lda,
// aks = 1).
template <int MR, int NV>
void Tile(int kc, const double* a, Index ars, Index aks, const double* b, Index ldb, double* c, Index ldc) {
  Pair acc[MR][NV];
  for (int r = 0; r < MR; ++r)
    for (int v = 0; v < NV; ++v) acc[r][v] = Load(c + r * ldc + 2 * v);
  for (int k = 0; k < kc; ++k) {
    Pair bk[NV];
    for (int v = 0; v < NV; ++v) bk[v] = Load(b + k * ldb + 2 * v);
    for (int r = 0; r < MR; ++r) {
      const Pair ark = Splat(a[r * ars + k * aks]);
      for (int v = 0; v < NV; ++v) acc[r][v] = MulAdd(acc[r][v], ark, bk[v]);
    }
  }
  for (int r = 0; r < MR; ++r)
    for (int v = 0; v < NV; ++v) Store(c + r * ldc + 2 * v, acc[r][v]);
}

// The same for a single column.
template <int MR>
void TileColumn(int kc, const double* a, Index ars, Index aks, const double* b, Index ldb, double* c, Index ldc) {
  double acc[MR];
  for (int r = 0; r < MR; ++r) acc[r] = c[r * ldc];
  for (int k = 0; k < kc; ++k) {
    const double bk = b[k * ldb];
    for (int r = 0; r < MR; ++r) {
      const double term = a[r * ars + k * aks] * bk;
      acc[r] += term;
    }
  }
  for (int r = 0; r < MR; ++r) c[r * ldc] = acc[r];
}

// MR rows of C, all p columns, read in place.
template <int MR>
void DirectRows(int kc, int p, const double* a, Index lda, const double* b, Index ldb, double* c, Index ldc) {
  int j = 0;
  for (; j + kNR <= p; j += kNR) Tile<MR, kNR / 2>(kc, a, lda, 1, b + j, ldb, c + j, ldc);
  if (j + 2 <= p) {
    Tile<MR, 1>(kc, a, lda, 1, b + j, ldb, c + j, ldc);
    j += 2;
  }
  if (j < p) TileColumn<MR>(kc, a, lda, 1, b + j, ldb, c + j, ldc);
}

void DirectProduct(int m, int n, int p, const double* a, Index lda, const double* b, Index ldb, double* c,
                   Index ldc) {
  int i = 0;
  for (; i + kMR <= m; i += kMR) DirectRows<kMR>(n, p, a + i * lda, lda, b, ldb, c + i * ldc, ldc);
  const double* ai = a + i * lda;
  double* ci = c + i * ldc;
  switch (m - i) {
    case 3:
      DirectRows<3>(n, p, ai, lda, b, ldb, ci, ldc);
      break;
    case 2:
      DirectRows<2>(n, p, ai, lda, b, ldb, ci, ldc);
      break;
    case 1:
      DirectRows<1>(n, p, ai, lda, b, ldb, ci, ldc);
      break;
    default:
      break;
  }
}

// Strips of kNR columns: packed[s * kc * kNR + k * kNR + t] = B(k, s * kNR + t),
// zero beyond column nc.
void PackB(int kc, int nc, const double* b, Index ldb, double* packed) {
  for (int s = 0; s * kNR < nc; ++s) {
    const int width = std::min(kNR, nc - s * kNR);
    double* strip = packed + static_cast<Index>(s) * kc * kNR;
    for (int k = 0; k < kc; ++k) {
      const double* from = b + k * ldb + s * kNR;
      double* to = strip + k * kNR;
      for (int t = 0; t < width; ++t) to[t] = from[t];
      for (int t = width; t < kNR; ++t) to[t] = 0.0;
    }
  }
}

// Strips of kPR rows, each value stored twice so that the tile loads it as
// a ready pair: packed[s * kc * kPR * 2 + (k * kPR + r) * 2 + {0, 1}] =
// A(s * kPR + r, k), zero beyond row mc.
void PackA(int mc, int kc, const double* a, Index lda, double* packed) {
  for (int s = 0; s * kPR < mc; ++s) {
    const int height = std::min(kPR, mc - s * kPR);
    double* strip = packed + static_cast<Index>(s) * kc * kPR * 2;
    for (int r = 0; r < height; ++r) {
      const double* from = a + (s * kPR + r) * lda;
      for (int k = 0; k < kc; ++k) strip[(k * kPR + r) * 2] = strip[(k * kPR + r) * 2 + 1] = from[k];
    }
    for (int r = height; r < kPR; ++r)
      for (int k = 0; k < kc; ++k) strip[(k * kPR + r) * 2] = strip[(k * kPR + r) * 2 + 1] = 0.0;
  }
}

// C tile (kPR x kNR) += packed A strip x packed B strip.
void PackedTile(int kc, const double* a, const double* b, double* c, Index ldc) {
  Pair acc[kPR][kNR / 2];
  for (int r = 0; r < kPR; ++r)
    for (int v = 0; v < kNR / 2; ++v) acc[r][v] = Load(c + r * ldc + 2 * v);
  for (int k = 0; k < kc; ++k) {
    const double* ak = a + k * kPR * 2;
    Pair bk[kNR / 2];
    for (int v = 0; v < kNR / 2; ++v) bk[v] = Load(b + k * kNR + 2 * v);
    for (int r = 0; r < kPR; ++r) {
      const Pair ark = Load(ak + 2 * r);
      for (int v = 0; v < kNR / 2; ++v) acc[r][v] = MulAdd(acc[r][v], ark, bk[v]);
    }
  }
  for (int r = 0; r < kPR; ++r)
    for (int v = 0; v < kNR / 2; ++v) Store(c + r * ldc + 2 * v, acc[r][v]);
}

// C block (mc x nc) += packed A block x packed B panel.
void PackedBlock(int mc, int nc, int kc, const double* packedA, const double* packedB, double* c, Index ldc) {
  for (int jr = 0; jr < nc; jr += kNR) {
    const double* bStrip = packedB + static_cast<Index>(jr) * kc;
    const int width = std::min(kNR, nc - jr);
    for (int ir = 0; ir < mc; ir += kPR) {
      const double* aStrip = packedA + static_cast<Index>(ir) * kc * 2;
      const int height = std::min(kPR, mc - ir);
      double* cTile = c + ir * ldc + jr;
      if (width == kNR && height == kPR) {
        PackedTile(kc, aStrip, bStrip, cTile, ldc);
        continue;
      }
      // Edge tile: work on a full-size copy, keep only the valid part.
      double tile[kPR * kNR] = {};
      for (int r = 0; r < height; ++r) std::copy(cTile + r * ldc, cTile + r * ldc + width, tile + r * kNR);
      PackedTile(kc, aStrip, bStrip, tile, kNR);
      for (int r = 0; r < height; ++r) std::copy(tile + r * kNR, tile + r * kNR + width, cTile + r * ldc);
    }
  }
}

// Returns false (nothing done) when the strip buffers cannot be allocated.
bool PackedProduct(int m, int n, int p, const double* a, Index lda, const double* b, Index ldb, double* c,
                   Index ldc) {
  const int kc0 = std::min(kKC, n);
  const int mc0 = std::min(kMC, (m + kPR - 1) / kPR * kPR);
  const int nc0 = std::min(kNC, (p + kNR - 1) / kNR * kNR);
  std::unique_ptr<double[]> packedA(new (std::nothrow) double[static_cast<std::size_t>(mc0) * kc0 * 2]);
  std::unique_ptr<double[]> packedB(new (std::nothrow) double[static_cast<std::size_t>(nc0) * kc0]);
  if (!packedA || !packedB) return false;
  for (int jc = 0; jc < p; jc += kNC) {
    const int nc = std::min(kNC, p - jc);
    for (int pc = 0; pc < n; pc += kKC) {
      const int kc = std::min(kKC, n - pc);
      PackB(kc, nc, b + pc * ldb + jc, ldb, packedB.get());
      for (int ic = 0; ic < m; ic += kMC) {
        const int mc = std::min(kMC, m - ic);
        PackA(mc, kc, a + ic * lda + pc, lda, packedA.get());
        PackedBlock(mc, nc, kc, packedA.get(), packedB.get(), c + ic * ldc + jc, ldc);
      }
    }
  }
  return true;
}

}  // namespace

void ProductAccumulate(int m, int n, int p, const double* a, int lda, const double* b, int ldb, double* c,
                       int ldc) {
  if (m <= 0 || n <= 0 || p <= 0) return;
  const double work = static_cast<double>(m) * n * p;
  if (work >= kPackThreshold && PackedProduct(m, n, p, a, lda, b, ldb, c, ldc)) return;
  DirectProduct(m, n, p, a, lda, b, ldb, c, ldc);
}

void MatrixVector(int m, int n, const double* a, int lda, const double* x, double* y) {
  int i = 0;
#ifdef VELA_MATRIX_SSE2
  // Eight rows at once, two per pair: each lane is one row's running sum,
  // taking its terms j = 0, 1, ... in order. Four independent sums hide the
  // latency of the additions.
  for (; i + 8 <= m; i += 8) {
    const double* row[8];
    for (int r = 0; r < 8; ++r) row[r] = a + static_cast<Index>(i + r) * lda;
    Pair acc[4] = {_mm_setzero_pd(), _mm_setzero_pd(), _mm_setzero_pd(), _mm_setzero_pd()};
    int j = 0;
    for (; j + 2 <= n; j += 2) {
      const Pair x0 = Splat(x[j]), x1 = Splat(x[j + 1]);
      for (int q = 0; q < 4; ++q) {
        const Pair lo = Load(row[2 * q] + j), hi = Load(row[2 * q + 1] + j);
        acc[q] = MulAdd(acc[q], _mm_unpacklo_pd(lo, hi), x0);
        acc[q] = MulAdd(acc[q], _mm_unpackhi_pd(lo, hi), x1);
      }
    }
    if (j < n) {
      const Pair xj = Splat(x[j]);
      for (int q = 0; q < 4; ++q) acc[q] = MulAdd(acc[q], _mm_set_pd(row[2 * q + 1][j], row[2 * q][j]), xj);
    }
    for (int q = 0; q < 4; ++q) Store(y + i + 2 * q, acc[q]);
  }
  for (; i + 2 <= m; i += 2) {
    const double* a0 = a + static_cast<Index>(i) * lda;
    const double* a1 = a0 + lda;
    Pair acc = _mm_setzero_pd();
    for (int j = 0; j < n; ++j) acc = MulAdd(acc, _mm_set_pd(a1[j], a0[j]), Splat(x[j]));
    Store(y + i, acc);
  }
#endif
  for (; i < m; ++i) {
    const double* ai = a + static_cast<Index>(i) * lda;
    double sum = 0.0;
    for (int j = 0; j < n; ++j) sum += ai[j] * x[j];
    y[i] = sum;
  }
}

void VectorMatrix(int m, int n, const double* a, int lda, const double* x, double* y) {
  for (int i = 0; i < m; ++i) {
    const double* ai = a + static_cast<Index>(i) * lda;
    const Pair xi = Splat(x[i]);
    int j = 0;
    for (; j + 2 <= n; j += 2) Store(y + j, MulAdd(Load(y + j), xi, Load(ai + j)));
    if (j < n) {
      const double term = x[i] * ai[j];
      y[j] += term;
    }
  }
}

void TransposeInto(int rows, int cols, const double* src, double* dst) {
  // Square blocks keep both the reads and the writes within a few cache
  // lines at a time; inside a block, 2 x 2 sub-blocks move as two pairs.
  constexpr int kBlock = 16;
  for (int i0 = 0; i0 < rows; i0 += kBlock) {
    const int i1 = std::min(rows, i0 + kBlock);
    for (int j0 = 0; j0 < cols; j0 += kBlock) {
      const int j1 = std::min(cols, j0 + kBlock);
      int i = i0;
#ifdef VELA_MATRIX_SSE2
      for (; i + 2 <= i1; i += 2) {
        const double* s0 = src + static_cast<Index>(i) * cols;
        const double* s1 = s0 + cols;
        int j = j0;
        for (; j + 2 <= j1; j += 2) {
          const Pair r0 = Load(s0 + j), r1 = Load(s1 + j);
          Store(dst + static_cast<Index>(j) * rows + i, _mm_unpacklo_pd(r0, r1));
          Store(dst + static_cast<Index>(j + 1) * rows + i, _mm_unpackhi_pd(r0, r1));
        }
        if (j < j1) {
          dst[static_cast<Index>(j) * rows + i] = s0[j];
          dst[static_cast<Index>(j) * rows + i + 1] = s1[j];
        }
      }
#endif
      for (; i < i1; ++i) {
        const double* si = src + static_cast<Index>(i) * cols;
        for (int j = j0; j < j1; ++j) dst[static_cast<Index>(j) * rows + i] = si[j];
      }
    }
  }
}

void TransposeSquare(int n, double* a) {
  constexpr int kBlock = 16;
  int done = 0;  // rows and columns below this index are transposed
#ifdef VELA_MATRIX_SSE2
  // Pairs of 2 x 2 blocks (i, j) and (j, i) are exchanged and transposed as
  // four pairs; a diagonal 2 x 2 block swaps its two off-diagonal elements.
  const int even = n & ~1;
  for (int i0 = 0; i0 < even; i0 += kBlock) {
    const int i1 = std::min(even, i0 + kBlock);
    for (int j0 = i0; j0 < even; j0 += kBlock) {
      const int j1 = std::min(even, j0 + kBlock);
      for (int i = i0; i < i1; i += 2) {
        for (int j = std::max(j0, i); j < j1; j += 2) {
          double* p = a + static_cast<Index>(i) * n + j;
          if (j == i) {
            std::swap(p[1], p[n]);
            continue;
          }
          double* q = a + static_cast<Index>(j) * n + i;
          const Pair p0 = Load(p), p1 = Load(p + n), q0 = Load(q), q1 = Load(q + n);
          Store(p, _mm_unpacklo_pd(q0, q1));
          Store(p + n, _mm_unpackhi_pd(q0, q1));
          Store(q, _mm_unpacklo_pd(p0, p1));
          Store(q + n, _mm_unpackhi_pd(p0, p1));
        }
      }
    }
  }
  done = even;
#endif
  // What is left: everything without SSE2, the last row and column of an
  // odd order with it.
  for (int i0 = 0; i0 < n; i0 += kBlock) {
    const int i1 = std::min(n, i0 + kBlock);
    for (int j0 = i0; j0 < n; j0 += kBlock) {
      const int j1 = std::min(n, j0 + kBlock);
      for (int i = i0; i < i1; ++i) {
        for (int j = std::max({j0, i + 1, done}); j < j1; ++j) {
          std::swap(a[static_cast<Index>(i) * n + j], a[static_cast<Index>(j) * n + i]);
        }
      }
    }
  }
}

}  // namespace vela::detail
