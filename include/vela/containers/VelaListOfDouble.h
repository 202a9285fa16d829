/// \file
/// \brief VelaListOfDouble, a list of doubles with list-style names.
/// \ingroup containers
#ifndef VELA_CONTAINERS_VELALISTOFDOUBLE_H
#define VELA_CONTAINERS_VELALISTOFDOUBLE_H

#include "vela/containers/VelaArray.h"

/// \addtogroup containers
/// @{

/// A list of doubles with list-style names.
///
/// It is VelaArray<double> (inline capacity 36, same growth rule) with the
/// constructors, insertion order of arguments and whole-list operations that
/// list-handling code expects. Values are compared exactly (0.0 equals -0.0,
/// a NaN equals nothing).
///
/// Note: Insert takes the value first and the index second, unlike
/// VelaArray<double>::Insert, which it hides.
class VelaListOfDouble : public VelaArray<double> {
 public:
  /// Empty, inline.
  VelaListOfDouble() noexcept = default;
  /// n zeros (empty when n <= 0).
  explicit VelaListOfDouble(int n) : VelaArray<double>(n, 0.0) {}
  /// Copy of values[0] to values[n - 1] (empty when n <= 0).
  VelaListOfDouble(const double* values, int n) : VelaArray<double>(n, values) {}

  /// Adds v at the end; amortised O(1).
  void Append(double v) { VelaArray<double>::Append(v); }
  /// Appends other's elements in order, growing once; a list appended to
  /// itself is doubled.
  void Append(const VelaListOfDouble& other) { AppendRange(other.begin(), other.size()); }
  /// Inserts v before index i (0 <= i <= Size(), unchecked). O(size).
  void Insert(double v, int i) { VelaArray<double>::Insert(i, v); }

  /// Size() queries; Size(n, v) sets size n with new elements v.
  using VelaArray<double>::Size;
  /// Size n; new elements are 0.0. Negative n does nothing.
  void Size(int n) { VelaArray<double>::Size(n, 0.0); }

  /// For each element of other, in order, removes its first occurrence here;
  /// returns how many were found. Remove(*this) empties the list and returns
  /// its former size. O(size * other size).
  int Remove(const VelaListOfDouble& other) { return RemoveEach(other); }
};

/// @}

#endif  // VELA_CONTAINERS_VELALISTOFDOUBLE_H
