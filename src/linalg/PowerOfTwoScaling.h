// Exact rescaling of a matrix by a power of two, for the factorisations
// whose steps form products of two entries (squared norms, pivot products,
// 2 x 2 determinants). Beyond magnitudes of about 2^±511 such products
// overflow or underflow although every entry is an ordinary number, and a
// pivot test or a tolerance then compares infinities or zeros.
//
// Multiplying every entry by 2^e commutes with every operation of these
// methods (+, -, *, /, sqrt, comparisons) as long as no value leaves the
// normal range, so the factorisation of the rescaled matrix is bit for bit
// that of the matrix, with the quantities of the matrix's dimension scaled
// by 2^e. Matrices whose largest magnitude lies within [2^-400, 2^400] are
// left as they are: there a product of two entries, even grown by the
// elimination, stays normal, and the plain steps run untouched.
#ifndef VELA_SRC_LINALG_POWEROFTWOSCALING_H
#define VELA_SRC_LINALG_POWEROFTWOSCALING_H

#include <cmath>
#include <cstddef>

namespace vela::detail {

// The largest magnitude that needs no rescaling is 2^kSafeExponent; the
// smallest, 2^-kSafeExponent.
constexpr int kSafeExponent = 400;

// The binary exponent e of the largest magnitude (2^e <= max |a| < 2^(e+1))
// when it lies outside [2^-400, 2^401), so that multiplying by 2^-e brings
// it into [1, 2); 0 when it lies inside, when every entry is zero, or when
// an entry is infinite (such input runs the plain steps). NaN entries are
// passed over: they make the results NaN at any scale.
//
// The factorisations of 3 x 3 matrices call this too: two running maxima
// halve the chain of dependent comparisons.
inline int OutOfRangeExponent(const double* a, std::size_t count) {
  double even = 0.0;
  double odd = 0.0;
  std::size_t i = 0;
  for (; i + 2 <= count; i += 2) {
    const double x = std::fabs(a[i]);
    const double y = std::fabs(a[i + 1]);
    even = x > even ? x : even;
    odd = y > odd ? y : odd;
  }
  if (i < count) {
    const double x = std::fabs(a[i]);
    even = x > even ? x : even;
  }
  const double largest = even > odd ? even : odd;
  constexpr double kSmallest = 0x1p-400;
  constexpr double kLargest = 0x1p+401;
  if (largest == 0.0 || std::isinf(largest)) return 0;
  if (largest >= kSmallest && largest < kLargest) return 0;
  return std::ilogb(largest);
}

// a[i] = a[i] * 2^exponent, exactly unless the result leaves the normal
// range.
inline void ScaleByPowerOfTwo(double* a, std::size_t count, int exponent) {
  if (exponent == 0) return;
  for (std::size_t i = 0; i < count; ++i) a[i] = std::ldexp(a[i], exponent);
}

}  // namespace vela::detail

#endif  // VELA_SRC_LINALG_POWEROFTWOSCALING_H
