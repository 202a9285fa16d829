/// \file
/// \brief VelaIntArray, an integer array that can also be read as a row-major table, with index maps and sorted sets.
/// \ingroup containers
#ifndef VELA_CONTAINERS_VELAINTARRAY_H
#define VELA_CONTAINERS_VELAINTARRAY_H

#include "vela/containers/VelaArray.h"
#include "vela/foundation/VelaExport.h"

/// \addtogroup containers
/// @{

class VelaBoolArray;

/// An integer array that can also be read as a row-major table
/// and that carries the index-map and sorted-set operations the solvers use.
///
/// Index maps: a solver often keeps "which rows are active" as flags, as an
/// ascending list of indices (FillIdxFrom, MapIdxOfPositive) and as the
/// inverse of such a list (BuildInverseMap, -1 for indices not in it). Sorted
/// sets: QuickSort, RemoveDuplicates, BinarySearch and Intersect.
///
/// The storage, inline capacity (32 integers) and growth rule are those of
/// VelaArray<int>; the column count only changes how two-index access and
/// GetRow compute a position: element (i, j) is element i * columns + j.
///
/// Choices made for this implementation:
/// - Writing through operator[] is kept from VelaArray<int>; on a const array
///   operator[] returns the value.
/// - A column count below 1 given to the (rows, columns, value) constructor
///   makes the column count 1 (as SetDimension ignores it), so columns >= 1
///   always holds.
/// - Move construction and move assignment are provided besides the copies.
/// - BuildInverseMap skips values outside [0, inverse size) instead of writing
///   out of bounds; Intersect and BuildInverseMap accept an output that is one
///   of their inputs.
/// - Fill, Resize and GetRow with a negative count or row do nothing (GetRow
///   then returns null).
class VELA_API VelaIntArray : public VelaArray<int> {
 public:
  /// Empty, one column.
  VelaIntArray() noexcept = default;
  /// n copies of value, one column.
  VelaIntArray(int n, int value) : VelaArray<int>(n, value) {}
  /// rows * columns copies of value, read as a table of `columns` columns.
  VelaIntArray(int rows, int columns, int value)
      : VelaArray<int>(rows * columns, value), columns_(columns > 0 ? columns : 1) {}
  /// Copies and moves carry the elements and the column count.
  VelaIntArray(const VelaIntArray&) = default;
  /// Takes the other's elements and column count.
  VelaIntArray(VelaIntArray&&) noexcept = default;
  /// Copies the elements and the column count.
  void operator=(const VelaIntArray& other);
  /// Takes the other's elements and column count.
  void operator=(VelaIntArray&& other) noexcept;

  /// Element i (0 <= i < Size(), unchecked).
  using VelaArray<int>::operator[];
  /// Element i (0 <= i < Size(), unchecked), by value.
  int operator[](int i) const noexcept { return Get(i); }
  /// Element i * columns + j (unchecked; index arithmetic in int).
  int& operator()(int i, int j) noexcept { return Get(i * columns_ + j); }
  /// Element i * columns + j (unchecked; index arithmetic in int), by value.
  int operator()(int i, int j) const noexcept { return Get(i * columns_ + j); }
  /// Makes the size at least (i + 1) * columns, appending zeros when needed,
  /// and returns the address of row i (element i * columns). The address is
  /// valid until the array next grows. Null for a negative i.
  int* GetRow(int i);

  /// The column count; SetDimension sets it to n when n > 0 (otherwise
  /// nothing changes). Elements are not moved.
  int GetNbOfColumns() const noexcept { return columns_; }
  /// Sets the column count to n when n > 0 (otherwise nothing changes).
  /// Elements are not moved.
  void SetDimension(int n) noexcept {
    if (n > 0) columns_ = n;
  }

  /// n copies of v; negative n does nothing. (The column count is kept.)
  void Fill(int n, int v) { VelaArray<int>::Fill(n, v); }
  /// Size n, new elements 0; flag has no effect. Negative n does nothing.
  void Resize(int n, unsigned char flag);

  /// Ascending sort, not stable. O(size log size).
  void QuickSort();
  /// On an ascending array: the index of the first element equal to v, or -1
  /// (also for an empty array). O(log size).
  int BinarySearch(int v) const noexcept;
  /// Appends to out, in this array's order, each element that `sorted`
  /// (ascending) contains. out is not emptied first. O(size log sorted size).
  void Intersect(const VelaIntArray& sorted, VelaIntArray& out) const;

  /// The array becomes the ascending list of the indices k with flags[k] set;
  /// returns their number. O(flags size).
  int FillIdxFrom(const VelaBoolArray& flags);
  /// The array becomes the ascending list of the indices whose value was
  /// greater than 0; returns their number. O(size), in place.
  int MapIdxOfPositive() noexcept;
  /// When n >= 0, inverse becomes n entries of -1 (a negative n leaves it as it
  /// is). Then, for each index k whose value v is not -1, inverse[v] = k.
  /// Values other than -1 should lie in [0, n); others are skipped.
  void BuildInverseMap(int n, VelaIntArray& inverse) const;

 private:
  // Row length used by operator()(i, j) and GetRow; always >= 1.
  int columns_ = 1;
};

/// @}

#endif  // VELA_CONTAINERS_VELAINTARRAY_H
