// Row kernels of the sparse matrix and its Gauss-Jordan solvers: flag
// computation, row scaling and row updates, and one elimination step.
//
// Row updates come in three forms, chosen once per source row (see
// MakeRowPattern): a contiguous loop when the source is flagged over all
// the updated columns, a loop over the list of flagged columns when fewer
// than a quarter are flagged, and otherwise a sweep that keeps the old
// value where the source flag is clear. All three store element - f *
// source exactly in the flagged columns and nothing elsewhere (one rounded
// product, then one rounded subtraction: the library is built without
// multiply-add contraction). The elimination step also updates four rows at
// once behind a dense pivot row, reading each pivot element once for the
// four: every element still gets its own single-row expression.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

#include "linalg/SparseMatrixKernels.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define VELA_SPARSE_SSE2 1
#else
#define VELA_SPARSE_SSE2 0
#endif

namespace {

using vela::detail::SparseRowPattern;

// A word of flags: t's bytes or-ed with s's (unaligned loads).
template <class Word>
inline Word OrredWord(const unsigned char* t, const unsigned char* s) {
  Word a, b;
  std::memcpy(&a, t, sizeof a);
  std::memcpy(&b, s, sizeof b);
  return a | b;
}

template <class Word>
inline void StoreWord(unsigned char* t, Word w) {
  std::memcpy(t, &w, sizeof w);
}

// t[c] |= s[c] over [first, last), by words. The last word overlaps the one
// before it, which the or does not mind, so there is no byte-by-byte tail
// (rows are short in the late steps of a solve). Every load comes before
// the stores it overlaps: a load spanning a pending narrower store stalls.
inline void OrFlags(unsigned char* __restrict t, const unsigned char* __restrict s, int first, int last) {
  t += first;
  s += first;
  const int n = last - first;
  if (n >= 8) {
    const std::uint64_t tail = OrredWord<std::uint64_t>(t + n - 8, s + n - 8);
    for (int k = 0; k + 8 <= n; k += 8) StoreWord(t + k, OrredWord<std::uint64_t>(t + k, s + k));
    StoreWord(t + n - 8, tail);
  } else if (n >= 4) {
    const std::uint32_t head = OrredWord<std::uint32_t>(t, s), tail = OrredWord<std::uint32_t>(t + n - 4, s + n - 4);
    StoreWord(t, head);
    StoreWord(t + n - 4, tail);
  } else {
    for (int k = 0; k < n; ++k) t[k] = static_cast<unsigned char>(t[k] | s[k]);
  }
}

// t[c] = t[c] - f * s[c] over [first, last): the source flagged throughout.
inline void SubtractDense(double* __restrict t, const double* __restrict s, double f, int first, int last) {
  for (int c = first; c < last; ++c) t[c] = t[c] - f * s[c];
}

// Four rows at once, t_i[c] = t_i[c] - f[i] * s[c]: each source element is
// read once for the four rows. Every element gets the single-row
// expression, so the result is that of four single-row updates.
inline void SubtractDense4(double* __restrict t0, double* __restrict t1, double* __restrict t2, double* __restrict t3,
                           const double* __restrict s, const double* f, int first, int last) {
  const double f0 = f[0], f1 = f[1], f2 = f[2], f3 = f[3];
  for (int c = first; c < last; ++c) {
    const double x = s[c];
    t0[c] = t0[c] - f0 * x;
    t1[c] = t1[c] - f1 * x;
    t2[c] = t2[c] - f2 * x;
    t3[c] = t3[c] - f3 * x;
  }
}

// The same over the listed columns, their flags set.
inline void SubtractListed(double* __restrict t, unsigned char* __restrict tf, const double* __restrict s,
                           const int* columns, int n, double f) {
  for (int k = 0; k < n; ++k) {
    const int c = columns[k];
    t[c] = t[c] - f * s[c];
    tf[c] = 1;
  }
}

// The update computed everywhere in [first, last) but stored only where
// the source is flagged; elsewhere the element keeps its own bits. Also
// right when t is s.
inline void SubtractSelected(double* t, unsigned char* tf, const double* s, const unsigned char* sf, double f,
                             int first, int last) {
  for (int c = first; c < last; ++c) {
    const double updated = t[c] - f * s[c];
    t[c] = sf[c] ? updated : t[c];
    tf[c] = static_cast<unsigned char>(tf[c] | sf[c]);
  }
}

// Exchanges columns i and j (values and flags) of one row.
inline void SwapInRow(double* v, unsigned char* f, int i, int j) {
  std::swap(v[i], v[j]);
  std::swap(f[i], f[j]);
}

// Row t (flags tf), not the source row itself, minus f times the source.
inline void SubtractFromOtherRow(double* t, unsigned char* tf, double f, const SparseRowPattern& source) {
  if (source.flagged == source.last - source.first) {
    SubtractDense(t, source.values, f, source.first, source.last);
    OrFlags(tf, source.flags, source.first, source.last);
  } else if (source.columns) {
    SubtractListed(t, tf, source.values, source.columns, source.flagged, f);
  } else if (source.flagged > 0) {
    SubtractSelected(t, tf, source.values, source.flags, f, source.first, source.last);
  }
}

}  // namespace

namespace vela::detail {

SparseRowPattern MakeRowPattern(const double* values, const unsigned char* flags, int first, int last, int* scratch) {
  int flagged = 0;
  for (int c = first; c < last; ++c) flagged += flags[c];
  const int* columns = nullptr;
  if (scratch && flagged * 4 < last - first) {
    int n = 0;
    for (int c = first; c < last; ++c)
      if (flags[c]) scratch[n++] = c;
    columns = scratch;
  }
  return {values, flags, first, last, flagged, columns};
}

void SubtractPattern(double* target, unsigned char* targetFlags, double f, const SparseRowPattern& source) {
  if (target == source.values)
    SubtractSelected(target, targetFlags, target, targetFlags, f, source.first, source.last);
  else
    SubtractFromOtherRow(target, targetFlags, f, source);
}

void NonZeroFlags(const double* v, unsigned char* m, int n) {
  int k = 0;
#if VELA_SPARSE_SSE2
  // Eight comparisons, narrowed from 64-bit lanes to bytes by saturating
  // packs (all ones stays all ones), then masked to 0 or 1.
  const __m128d zero = _mm_setzero_pd();
  const __m128i one = _mm_set1_epi8(1);
  for (; k + 8 <= n; k += 8) {
    const __m128i c0 = _mm_castpd_si128(_mm_cmpneq_pd(_mm_loadu_pd(v + k), zero));
    const __m128i c1 = _mm_castpd_si128(_mm_cmpneq_pd(_mm_loadu_pd(v + k + 2), zero));
    const __m128i c2 = _mm_castpd_si128(_mm_cmpneq_pd(_mm_loadu_pd(v + k + 4), zero));
    const __m128i c3 = _mm_castpd_si128(_mm_cmpneq_pd(_mm_loadu_pd(v + k + 6), zero));
    const __m128i words = _mm_packs_epi16(_mm_packs_epi32(c0, c1), _mm_packs_epi32(c2, c3));
    const __m128i bytes = _mm_and_si128(_mm_packs_epi16(words, _mm_setzero_si128()), one);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(m + k), bytes);
  }
#endif
  for (; k < n; ++k) m[k] = v[k] != 0.0;
}

void ScaleFlagged(double* v, const unsigned char* flags, int first, int last, double f) {
  for (int c = first; c < last; ++c) {
    const double scaled = v[c] * f;
    v[c] = flags[c] ? scaled : v[c];
  }
}

void FullRowHints(const unsigned char* mask, int rows, int cols, unsigned char* full) {
  for (int r = 0; r < rows; ++r, mask += cols) {
    int set = 0;
    for (int c = 0; c < cols; ++c) set += mask[c];
    full[r] = set == cols;
  }
}

EliminationStep PreparePivot(double* a, unsigned char* mask, int cols, int row, int col, int pr, int pc, double* w,
                             unsigned char* fullRows, int* scratch) {
  const std::ptrdiff_t rowStart = static_cast<std::ptrdiff_t>(row) * cols;
  const std::ptrdiff_t prStart = static_cast<std::ptrdiff_t>(pr) * cols;
  const double inv = 1.0 / a[prStart + pc];
  if (pc != col) {
    SwapInRow(a + rowStart, mask + rowStart, col, pc);
    if (pr != row) SwapInRow(a + prStart, mask + prStart, col, pc);
  }
  if (pr != row) {
    SwapRowTails(a, mask, cols, row, pr, col);
    if (fullRows) std::swap(fullRows[row], fullRows[pr]);
    if (w) std::swap(w[row], w[pr]);
  }
  double* pivot = a + rowStart;
  unsigned char* pivotFlags = mask + rowStart;
  pivot[col] = 1.0;
  pivotFlags[col] = 1;
  ScaleFlagged(pivot, pivotFlags, col + 1, cols, inv);
  if (w) w[row] = w[row] * inv;
  return {a, mask, cols, row, col, pc, pr, MakeRowPattern(pivot, pivotFlags, col + 1, cols, scratch), w, fullRows};
}

void EliminateColumn(const EliminationStep& step, int firstRow, int lastRow) {
  // With a dense pivot row the rows are updated four at a time: rows[]
  // and factors[] collect them until four are ready. A row known to be
  // flagged throughout already has the flags the update would set.
  const SparseRowPattern& pivot = step.pivot;
  const int cols = step.cols, col = step.col, pivotRow = step.pivotRow;
  const bool dense = pivot.flagged == pivot.last - pivot.first, exchange = step.swapCol != col;
  double* rows[4];
  double factors[4];
  int pending = 0;
  const auto flush = [&](int n) {
    if (n == 4)
      SubtractDense4(rows[0], rows[1], rows[2], rows[3], pivot.values, factors, pivot.first, pivot.last);
    else
      for (int i = 0; i < n; ++i) SubtractDense(rows[i], pivot.values, factors[i], pivot.first, pivot.last);
  };
  for (int r = firstRow; r < lastRow; ++r) {
    if (r == pivotRow) continue;
    const std::ptrdiff_t start = static_cast<std::ptrdiff_t>(r) * cols;
    double* row = step.a + start;
    unsigned char* flags = step.mask + start;
    if (exchange && r != step.swappedRow) SwapInRow(row, flags, col, step.swapCol);
    if (!flags[col]) continue;
    const double f = row[col];
    row[col] = 0.0;
    flags[col] = 0;
    if (step.w) step.w[r] = step.w[r] - f * step.w[pivotRow];
    if (!dense) {
      SubtractFromOtherRow(row, flags, f, pivot);
      continue;
    }
    if (!step.fullRows || !step.fullRows[r]) {
      OrFlags(flags, pivot.flags, pivot.first, pivot.last);
      if (step.fullRows) step.fullRows[r] = 1;
    }
    rows[pending] = row;
    factors[pending] = f;
    if (++pending == 4) flush(4), pending = 0;
  }
  flush(pending);
}

}  // namespace vela::detail
