// Singular value decomposition members of VelaMatrix: the factorisation, the
// truncation of small singular values, the back-substitution through the
// truncated pseudo-inverse, and the solve, inverse and kernel built on them.
// The factorisation itself is the Golub-Reinsch kernel of GolubReinsch.cpp.
//
// Choices made here:
// - A matrix with fewer rows than columns (m < n) is decomposed as the n x n
//   matrix padded with n - m zero rows; U keeps the first m rows, so it is
//   m x n as for any other shape. The padding rows carry at least n - m zero
//   singular values. U's columns that belong to non-zero singular values are
//   orthonormal, and U Uᵀ = I (m x m); the other columns are truncated
//   orthonormal vectors and generally not orthonormal themselves. V is always
//   a full n x n orthogonal matrix, so the kernel and the minimum-norm solve
//   hold for every shape. With m >= n, U is orthonormal (UᵀU = I) whatever
//   the rank.
// - A singular value that converges to a non-finite number (NaN or infinite
//   entries) counts as unconverged: the factorisation returns 0. Outputs are
//   then the state the iteration reached, fully written.
// - Success means finite factors. A matrix whose largest magnitude lies
//   outside [2^-400, 2^400] is decomposed as its power-of-two multiple near
//   1 (the shift's squares would overflow or underflow) and S is scaled
//   back; U and V are scale-free, so the rescaling changes no bit of them.
//   When U, S or V still comes out non-finite from a finite matrix, entries
//   far below the largest have overflowed a reciprocal (the accumulation of
//   the right-hand reflectors divides by the superdiagonal, 1 / 1e-310 for a
//   1 x 2 matrix (1, 1e-310)): the decomposition is run once more with the
//   largest magnitude at 2^256, which keeps both the reciprocals of entries
//   down to 2^-1074 relative and the products of two entries finite. Only
//   when that also fails is 0 returned.
// - oU receives a copy of this by assignment (labels included, as assignment
//   copies them); oV and the outputs of the services are reshaped with
//   Resize, which leaves their labels alone.
// - No heap for 6 x 6 and smaller: the work arrays sit on the stack and the
//   matrices in their inline buffers.
#include <cmath>
#include <cstddef>

#include "linalg/GolubReinsch.h"
#include "linalg/PowerOfTwoScaling.h"
#include "vela/linalg/VelaMatrix.h"

namespace {

using vela::detail::ScratchDoubles;

constexpr double kDefaultZeroingTolerance = 2e-8;
// Where the second attempt puts the largest magnitude: high enough that the
// reciprocal of any entry relatively above 2^-1074 stays finite, low enough
// that products of two entries do.
constexpr int kRetryExponent = 256;
// Entries of a resolved solution below this magnitude are rounding noise.
constexpr double kResolveFloor = 1e-20;

}  // namespace

namespace {

bool AllFinite(const double* a, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i)
    if (!std::isfinite(a[i])) return false;
  return true;
}

// The Golub-Reinsch decomposition of the m x n row-major matrix in ioU
// (overwritten by U) at the scale 2^exponent times the matrix: S is scaled
// back, U and V are scale-free. Returns whether it converged with U, S and V
// finite.
bool DecomposeAtScale(int m, int n, double* ioU, double* oS, double* oV, int exponent) {
  const std::size_t kept = static_cast<std::size_t>(m) * static_cast<std::size_t>(n);
  const std::size_t un = static_cast<std::size_t>(n);
  vela::detail::ScaleByPowerOfTwo(ioU, kept, exponent);
  bool converged = false;
  if (m >= n) {
    converged = vela::detail::GolubReinschSVD(m, n, m, ioU, oS, oV);
  } else {
    // Padded with zero rows to n x n; U keeps its first m rows.
    const std::size_t padded = un * un;
    ScratchDoubles<36> work(padded);
    double* a = work.get();
    for (std::size_t p = 0; p < kept; ++p) a[p] = ioU[p];
    for (std::size_t p = kept; p < padded; ++p) a[p] = 0.0;
    converged = vela::detail::GolubReinschSVD(n, n, m, a, oS, oV);
    for (std::size_t p = 0; p < kept; ++p) ioU[p] = a[p];
  }
  vela::detail::ScaleByPowerOfTwo(oS, un, -exponent);
  return converged && AllFinite(ioU, kept) && AllFinite(oS, un) && AllFinite(oV, un * un);
}

}  // namespace

unsigned char VelaMatrix::FactorisationSVD(VelaMatrix& oU, double* const oS, VelaMatrix& oV) const {
  const int m = rows_;
  const int n = cols_;
  if (n <= 0) return 1;
  oU = *this;
  oV.Resize(n, n);
  const std::size_t kept = static_cast<std::size_t>(m) * static_cast<std::size_t>(n);
  const int exponent = vela::detail::OutOfRangeExponent(oU.GetBuffer(), kept);
  if (DecomposeAtScale(m, n, oU.GetBuffer(), oS, oV.GetBuffer(), -exponent)) return 1;
  if (!AllFinite(GetBuffer(), kept)) return 0;
  // Entries far below the largest make reciprocals that overflow although
  // the decomposition itself is finite: once more, with the largest
  // magnitude lifted to 2^kRetryExponent.
  double largest = 0.0;
  for (std::size_t p = 0; p < kept; ++p) largest = std::fmax(largest, std::fabs(GetBuffer()[p]));
  if (largest == 0.0) return 0;
  oU = *this;
  return DecomposeAtScale(m, n, oU.GetBuffer(), oS, oV.GetBuffer(), kRetryExponent - std::ilogb(largest)) ? 1 : 0;
}

void VelaMatrix::ZeroingSVD(double* const ioS, double iTol) {
  const int n = cols_;
  double smax = 0.0;
  for (int i = 0; i < n; ++i)
    if (ioS[i] > smax) smax = ioS[i];
  const double threshold = smax * (iTol < 0.0 ? kDefaultZeroingTolerance : iTol);
  for (int i = 0; i < n; ++i)
    if (ioS[i] < threshold) ioS[i] = 0.0;
}

// oX may be iB itself: b is fully consumed before x is written.
void VelaMatrix::ResolveSVD(const VelaMatrix& iU, const double* const iS, const VelaMatrix& iV,
                            const double* const iB, double* const oX) const {
  const int n = iU.GetNbOfCol();
  const int m = iU.GetNbOfRow();
  if (n <= 0) return;
  if (m <= 0) {
    for (int i = 0; i < n; ++i) oX[i] = 0.0;
    return;
  }
  const std::size_t un = static_cast<std::size_t>(n);
  ScratchDoubles<36> scratch(un);
  double* t = scratch.get();
  // t(j) = sum over i of U(i, j) b(i): all j at once, row by row of U.
  for (std::size_t j = 0; j < un; ++j) t[j] = 0.0;
  for (int i = 0; i < m; ++i) {
    const double* ui = iU.GetRow(i);
    const double bi = iB[i];
    for (std::size_t j = 0; j < un; ++j) t[j] += ui[j] * bi;
  }
  for (std::size_t j = 0; j < un; ++j) t[j] = std::fabs(iS[j]) > 0.0 ? t[j] / iS[j] : 0.0;
  for (int i = 0; i < n; ++i) {
    const double* vi = iV.GetRow(i);
    double x = 0.0;
    for (std::size_t j = 0; j < un; ++j) x += vi[j] * t[j];
    oX[i] = std::fabs(x) < kResolveFloor ? 0.0 : x;
  }
}

unsigned char VelaMatrix::SolveSVD(const double* const iB, double* const oX, double iTol) {
  const int n = cols_;
  if (n <= 0) return 1;
  if (rows_ <= 0) {
    for (int i = 0; i < n; ++i) oX[i] = 0.0;
    return 1;
  }
  VelaMatrix u;
  VelaMatrix v;
  ScratchDoubles<36> s(static_cast<std::size_t>(n));
  const unsigned char converged = FactorisationSVD(u, s.get(), v);
  if (converged) {
    ZeroingSVD(s.get(), iTol);
    ResolveSVD(u, s.get(), v, iB, oX);
  }
  return converged;
}

unsigned char VelaMatrix::InverseSVD(VelaMatrix& oInv) const {
  if (rows_ != cols_) return 0;
  const int n = cols_;
  VelaMatrix u;
  VelaMatrix v;
  ScratchDoubles<36> scratch(static_cast<std::size_t>(n));
  double* s = scratch.get();
  const unsigned char converged = FactorisationSVD(u, s, v);
  // Columns of U over their singular values, zeros included: a singular
  // matrix yields non-finite entries by contract.
  for (int i = 0; i < n; ++i) {
    double* ui = u.GetRow(i);
    for (int k = 0; k < n; ++k) ui[k] /= s[k];
  }
  oInv.Resize(n, n);
  // oInv(i, j) = sum over k of V(i, k) (U(j, k) / S(k)): each sum a dot
  // product of two rows; four of them at a time for independent additions.
  const std::size_t un = static_cast<std::size_t>(n);
  for (int i = 0; i < n; ++i) {
    const double* vi = v.GetRow(i);
    double* out = oInv.GetRow(i);
    int j = 0;
    for (; j + 4 <= n; j += 4) {
      const double* u0 = u.GetRow(j);
      const double* u1 = u0 + n;
      const double* u2 = u1 + n;
      const double* u3 = u2 + n;
      double s0 = 0.0, s1 = 0.0, s2 = 0.0, s3 = 0.0;
      for (std::size_t k = 0; k < un; ++k) {
        s0 += vi[k] * u0[k];
        s1 += vi[k] * u1[k];
        s2 += vi[k] * u2[k];
        s3 += vi[k] * u3[k];
      }
      out[j] = s0;
      out[j + 1] = s1;
      out[j + 2] = s2;
      out[j + 3] = s3;
    }
    for (; j < n; ++j) {
      const double* uj = u.GetRow(j);
      double sum = 0.0;
      for (std::size_t k = 0; k < un; ++k) sum += vi[k] * uj[k];
      out[j] = sum;
    }
  }
  return converged;
}

unsigned char VelaMatrix::KernelSVD(VelaMatrix& oKernel, double iTol) {
  const int n = cols_;
  if (rows_ <= 0 || n <= 0) return 1;
  VelaMatrix u;
  VelaMatrix v;
  ScratchDoubles<36> scratch(static_cast<std::size_t>(n));
  double* s = scratch.get();
  if (!FactorisationSVD(u, s, v)) return 0;
  ZeroingSVD(s, iTol);
  int zeros = 0;
  for (int j = 0; j < n; ++j)
    if (s[j] == 0.0) ++zeros;
  oKernel.Resize(zeros, n);
  int row = 0;
  for (int j = 0; j < n; ++j) {
    if (s[j] != 0.0) continue;
    double* out = oKernel.GetRow(row++);
    for (int i = 0; i < n; ++i) out[i] = v.GetElement(i, j);
  }
  return 1;
}
