/// \file
/// \brief VelaBoolArray, an array of flags that keeps a running count of the set ones.
/// \ingroup containers
#ifndef VELA_CONTAINERS_VELABOOLARRAY_H
#define VELA_CONTAINERS_VELABOOLARRAY_H

#include "vela/containers/VelaArray.h"
#include "vela/foundation/VelaExport.h"

/// \addtogroup containers
/// @{

/// An array of flags that keeps a running count of the set ones.
///
/// Solvers use it to mark rows, columns or constraints (active, fixed, free)
/// and to ask "how many?" or "any?" in O(1). The storage, inline capacity (64
/// flags) and growth rule are those of VelaArray<unsigned char>.
///
/// Flags are meant to be 0 or 1. The count is kept by the operations declared
/// here and is exact as long as only 0 and 1 are stored. The count follows the
/// stored bytes literally: Append(b) adds b to it, so storing other non-zero
/// values makes it drift; Check() recomputes it from the flags.
///
/// Choices made for this implementation:
/// - The inherited VelaArray<unsigned char> mutators (Insert, RemoveAt,
///   RemovePosition, RemoveValue, Resize, Size(n, b), RemoveAll, writes
///   through Get or GetBuffer, ...) do not touch the count; call Check() after
///   using them. Writing through operator[] is not offered.
/// - A negative count given to Fill or IncreaseSize does nothing.
class VELA_API VelaBoolArray : public VelaArray<unsigned char> {
 public:
  /// Empty, count 0.
  VelaBoolArray() noexcept = default;
  /// n copies of b; count n when b is set, else 0 (empty when n <= 0).
  VelaBoolArray(int n, unsigned char b) : VelaArray<unsigned char>(n, b), count_(b && n > 0 ? n : 0) {}
  /// Copies and moves carry the flags and the count.
  VelaBoolArray(const VelaBoolArray&) = default;
  /// Takes the other's flags and count; the other's count becomes 0.
  VelaBoolArray(VelaBoolArray&& other) noexcept
      : VelaArray<unsigned char>(static_cast<VelaArray<unsigned char>&&>(other)), count_(other.count_) {
    other.count_ = 0;
  }
  /// Copies the flags and the count.
  VelaBoolArray& operator=(const VelaBoolArray&) = default;
  /// Takes the other's flags and count; the other's count becomes 0.
  VelaBoolArray& operator=(VelaBoolArray&& other) noexcept;

  /// Flag i (0 <= i < Size(), unchecked); the same function as IsSet.
  unsigned char operator[](int i) const noexcept { return Get(i); }
  /// Flag i (0 <= i < Size(), unchecked); the same function as operator[].
  unsigned char IsSet(int i) const noexcept { return Get(i); }
  /// Number of set flags. O(1).
  int Count() const noexcept { return count_; }
  /// Whether any flag is set. O(1).
  bool IsAny() const noexcept { return count_ != 0; }

  /// Adds b at the end; the count grows by b. Amortised O(1).
  void Append(unsigned char b) {
    VelaArray<unsigned char>::Append(b);
    count_ += b;
  }
  /// Only when 0 <= i < Size(): when flag i differs from b, the count moves by
  /// +1 if b is set and by -1 otherwise, and flag i becomes b. Otherwise
  /// nothing happens.
  void Set(int i, unsigned char b) noexcept {
    if (i < 0 || i >= Size() || Get(i) == b) return;
    count_ += b ? 1 : -1;
    Get(i) = b;
  }
  /// When values is not null: copies Size() flags from values and recounts.
  void Set(const unsigned char* values) noexcept;
  /// The array becomes n copies of b, count n or 0; negative n does nothing.
  void Fill(int n, unsigned char b);
  /// Appends n copies of b; the count grows by n when b is set. Negative n
  /// does nothing.
  void IncreaseSize(int n, unsigned char b);
  /// Every flag becomes its negation (0 for a set flag, 1 for a clear one);
  /// count = Size() - count. O(size).
  void Inverse() noexcept;
  /// Recomputes the count as the number of non-zero flags. O(size).
  void Check() noexcept;

 private:
  // Number of set flags, as kept by the operations above: equals the number
  // of non-zero elements while only 0 and 1 are stored and no inherited
  // mutator has changed the flags behind its back.
  int count_ = 0;
};

/// @}

#endif  // VELA_CONTAINERS_VELABOOLARRAY_H
