// VelaArray: the library's growable arrays with an inline small buffer.
//
// A list of up to N elements lives inside the array object itself and never
// touches the heap; only a longer list moves to a heap block. The family has
// three layers:
// - VelSTLVectorAllocator<T, N> owns the storage and its growth;
// - VelSTLVector<T, N> gives a standard-container-like, lower-case interface;
// - VelaArray<T> adds the library's capitalised interface. It exists for four
//   element types, each with its own inline capacity:
//     unsigned char 64, int 32, double 36, void* 16.
// Elements are plain values: they are copied bit for bit and never
// constructed or destroyed one by one.
//
// Growth rule (every operation that adds elements asks for the size it needs):
// when the inline buffer is in use the first heap block holds exactly the
// elements needed; after that the capacity doubles until it suffices. Storage
// never shrinks, not even when the array is emptied; only destruction (or
// being the target of a move) frees it. So appending one pointer at a time
// moves through capacities 16, 17, 34, 68, 136, ...
//
// The byte-level work (growing, copying, moving, swapping, opening and
// closing gaps) is done once, out of line, by vela::detail::VelSTLVectorBase;
// the templates only pass it their fields, so the four instantiations share
// one copy of that logic.
//
// No operation checks element indices: operator[], Get, Front, Back, RemoveAt,
// RemovePosition, insert and erase need a valid position. Set is the growing
// form of writing.
//
// Choices made for this implementation:
// - A negative count (constructors, resize/Size/Resize, Fill, reserve)
//   leaves the array as it is (constructors give an empty array).
// - Set with a negative index does nothing.
// - Locate's `from` defaults to 0; a negative `from` searches from 0.
// - operator=(const T* values) with a null pointer does nothing.
// - QuickSort with a null comparison does nothing; BinarySearch with a null
//   comparison returns -1. The comparison must order consistently (as for
//   qsort); an inconsistent one gives an unspecified order.
// - Doubling stops at the largest int, which is then the capacity.
// - insert returns the address of the inserted element; erase returns the
//   address of the element that followed the erased one (the same address).
//
// Not thread-safe: one writer at a time.
#ifndef VELA_CONTAINERS_VELAARRAY_H
#define VELA_CONTAINERS_VELAARRAY_H

#include <algorithm>
#include <cstddef>
#include <type_traits>

#include "vela/foundation/VelaExport.h"

namespace vela::detail {

// The bookkeeping fields every array keeps after its inline buffer.
struct VelArrayState {
  int size;      // elements in use
  int capacity;  // elements the current storage holds
  void* data;    // the inline buffer, or a heap block of `capacity` elements
};

// One array as the untyped routines see it: its fields, where its own inline
// buffer lies, how many elements that buffer holds and the element width.
struct VelArrayRef {
  VelArrayState& state;
  void* inlineBuffer;
  int inlineCapacity;
  std::size_t elementSize;
};

// Untyped storage routines of the array family, written once for every
// element type. Each keeps the inline-buffer invariant of VelArrayState
// (capacity == inline capacity exactly when data is the inline buffer).
class VELA_API VelSTLVectorBase {
 protected:
  // Makes room for `needed` elements by the growth rule; nothing happens when
  // the capacity already suffices. Keeps the elements, frees the old heap
  // block.
  static void Grow(const VelArrayRef& a, int needed);
  // Replaces a's elements by copies of `from`'s (grows a by the rule when its
  // capacity is below from.size; from's capacity is not copied).
  static void CopyFrom(const VelArrayRef& a, const VelArrayState& from);
  // Frees a's heap block, then takes `from`'s elements: its heap block, or a
  // copy of its inline elements into a's own inline buffer. `from` is left
  // empty on its inline buffer. a and from must be different arrays.
  static void MoveFrom(const VelArrayRef& a, const VelArrayRef& from) noexcept;
  // Exchanges the contents of two different arrays of the same type.
  static void Exchange(const VelArrayRef& a, const VelArrayRef& b) noexcept;
  // Frees a heap block (never an inline buffer).
  static void Free(void* block) noexcept;
  // Grows for size + count, moves elements [index, size) count places right,
  // adds count to the size and returns the address of element `index`. The
  // gap's content is left for the caller to write.
  static void* OpenGap(const VelArrayRef& a, int index, int count);
  // Removes elements [index, index + count), moving the tail left.
  static void CloseGap(const VelArrayRef& a, int index, int count) noexcept;
  // Appends `count` elements copied from `first`, growing once. `first` may
  // point into a's own elements (an array appended to itself).
  static void AppendRange(const VelArrayRef& a, const void* first, int count);
};

// Inline capacity of VelaArray<T>; defined only for the four element types.
template <class T>
struct VelArrayInlineCapacity;
template <>
struct VelArrayInlineCapacity<unsigned char> : std::integral_constant<int, 64> {};
template <>
struct VelArrayInlineCapacity<int> : std::integral_constant<int, 32> {};
template <>
struct VelArrayInlineCapacity<double> : std::integral_constant<int, 36> {};
template <>
struct VelArrayInlineCapacity<void*> : std::integral_constant<int, 16> {};

// Selects VelaArray members that exist only for pointers, or only for the
// numeric element types.
template <class T>
using IfPointer = std::enable_if_t<std::is_pointer_v<T>, int>;
template <class T>
using IfNumber = std::enable_if_t<!std::is_pointer_v<T>, int>;

}  // namespace vela::detail

// Owns the storage of an array of up to N inline elements and its growth.
template <class T, int N>
class VelSTLVectorAllocator : private vela::detail::VelSTLVectorBase {
  static_assert(N > 0, "the inline buffer holds at least one element");
  static_assert(std::is_trivially_copyable_v<T>, "elements are copied bit for bit");

 public:
  static constexpr int InlineCapacity = N;

  // Empty, on the inline buffer; no heap allocation.
  VelSTLVectorAllocator() noexcept : state_{0, N, inline_} {}
  // Copy of the elements; the capacity is the growth rule's for their number.
  VelSTLVectorAllocator(const VelSTLVectorAllocator& other) : VelSTLVectorAllocator() {
    CopyFrom(Ref(), other.state_);
  }
  // Takes the other's heap block, or copies its inline elements; the other is
  // left empty on its inline buffer.
  VelSTLVectorAllocator(VelSTLVectorAllocator&& other) noexcept : VelSTLVectorAllocator() {
    MoveFrom(Ref(), other.Ref());
  }
  ~VelSTLVectorAllocator() {
    if (state_.data != inline_) Free(state_.data);
  }

 protected:
  // Size 0, then a copy of the other's elements, growing by the rule when the
  // capacity is below the other's size. Self-assignment does nothing.
  VelSTLVectorAllocator& operator=(const VelSTLVectorAllocator& other) {
    if (this != &other) CopyFrom(Ref(), other.state_);
    return *this;
  }
  // Frees this array's heap block and takes the other's contents as the move
  // constructor does. Self-assignment does nothing.
  VelSTLVectorAllocator& operator=(VelSTLVectorAllocator&& other) noexcept {
    if (this != &other) MoveFrom(Ref(), other.Ref());
    return *this;
  }
  // Room for n elements by the growth rule.
  void reserve(int n) {
    if (n > state_.capacity) Grow(Ref(), n);
  }
  // Exchanges contents; inline elements are copied, heap blocks handed over.
  void swap(VelSTLVectorAllocator& other) noexcept {
    if (this != &other) Exchange(Ref(), other.Ref());
  }

  // Typed access to the fields, for the interface layers above.
  T* Elements() noexcept { return static_cast<T*>(state_.data); }
  const T* Elements() const noexcept { return static_cast<const T*>(state_.data); }
  int Used() const noexcept { return state_.size; }
  int Room() const noexcept { return state_.capacity; }
  void SetUsed(int n) noexcept { state_.size = n; }
  // Address of the gap of `count` elements opened before index.
  T* OpenGap(int index, int count) { return static_cast<T*>(VelSTLVectorBase::OpenGap(Ref(), index, count)); }
  void CloseGap(int index, int count) noexcept { VelSTLVectorBase::CloseGap(Ref(), index, count); }
  void AppendRange(const T* first, int count) { VelSTLVectorBase::AppendRange(Ref(), first, count); }

 private:
  vela::detail::VelArrayRef Ref() noexcept { return {state_, inline_, N, sizeof(T)}; }

  // Storage for short lists. Only its first state_.size elements are part of
  // the value, and only while state_.data points at it.
  T inline_[N];
  // Invariants: 0 <= size <= capacity; capacity == N exactly when data ==
  // inline_ (a heap block is always larger than N, since the first one is
  // allocated only for more than N elements and capacities never shrink).
  vela::detail::VelArrayState state_;
};

// Standard-container-like interface over VelSTLVectorAllocator.
template <class T, int N>
class VelSTLVector : public VelSTLVectorAllocator<T, N> {
  using Storage = VelSTLVectorAllocator<T, N>;

 public:
  // Empty, inline.
  VelSTLVector() noexcept = default;
  // n copies of value (empty when n <= 0).
  VelSTLVector(int n, const T& value) { resize(n, value); }
  // Copy of [first, last) (empty when last <= first).
  VelSTLVector(const T* first, const T* last) {
    if (last > first) this->AppendRange(first, static_cast<int>(last - first));
  }
  VelSTLVector(const VelSTLVector&) = default;
  VelSTLVector(VelSTLVector&&) noexcept = default;
  VelSTLVector& operator=(const VelSTLVector&) = default;
  VelSTLVector& operator=(VelSTLVector&&) noexcept = default;
  ~VelSTLVector() = default;

  int size() const noexcept { return this->Used(); }
  int capacity() const noexcept { return this->Room(); }
  T* begin() noexcept { return this->Elements(); }
  T* end() noexcept { return this->Elements() + this->Used(); }
  const T* begin() const noexcept { return this->Elements(); }
  const T* end() const noexcept { return this->Elements() + this->Used(); }
  // Element i; 0 <= i < size() is not checked.
  T& operator[](int i) noexcept { return this->Elements()[i]; }
  const T& operator[](int i) const noexcept { return this->Elements()[i]; }

  // Adds value at the end; amortised O(1). value may be one of the elements.
  void push_back(const T& value) {
    // The value is copied first (growing may free the block it lies in), and
    // the size is read once: the element store could alias it.
    const T copy = value;
    const int n = this->Used();
    if (n == this->Room()) Storage::reserve(n + 1);
    this->Elements()[n] = copy;
    this->SetUsed(n + 1);
  }
  void push_back(T&& value) { push_back(static_cast<const T&>(value)); }
  // Inserts value before position (begin() <= position <= end()), shifting
  // the tail right; O(size). Returns the inserted element's address.
  T* insert(T* position, const T& value) {
    const T copy = value;
    T* slot = this->OpenGap(static_cast<int>(position - begin()), 1);
    *slot = copy;
    return slot;
  }
  // Removes the element at position (begin() <= position < end()), shifting
  // the tail left; O(size). Returns position, which now holds the next one.
  T* erase(T* position) noexcept {
    const int index = static_cast<int>(position - begin());
    this->CloseGap(index, 1);
    return begin() + index;
  }
  // Size n; elements from the old size to n get value, a smaller n drops the
  // tail. Negative n does nothing.
  void resize(int n, const T& value) {
    if (n < 0) return;
    const int old = this->Used();
    if (n > old) {
      const T copy = value;
      Storage::reserve(n);
      std::fill(this->Elements() + old, this->Elements() + n, copy);
    }
    this->SetUsed(n);
  }
  // Room for n elements by the growth rule; the elements are kept.
  void reserve(int n) { Storage::reserve(n); }
  void reverse() noexcept { std::reverse(begin(), end()); }
  // Exchanges contents with other; O(inline capacity) at most, no allocation.
  void swap(VelSTLVector& other) noexcept { Storage::swap(other); }
  // Size 0; the storage is kept.
  void clear() noexcept { this->SetUsed(0); }

  // Same size and pairwise equal elements (== on the element type, so a NaN
  // makes doubles unequal and 0.0 equals -0.0).
  bool operator==(const VelSTLVector& other) const noexcept {
    return size() == other.size() && std::equal(begin(), end(), other.begin());
  }
  bool operator!=(const VelSTLVector& other) const noexcept { return !(*this == other); }
};

// The library's array of one of the four element types (unsigned char, int,
// double, void*). Members marked "numbers only" or "pointers only" exist
// only for those element types.
template <class T>
class VelaArray : public VelSTLVector<T, vela::detail::VelArrayInlineCapacity<T>::value> {
  using Vector = VelSTLVector<T, vela::detail::VelArrayInlineCapacity<T>::value>;
  template <class U>
  using IfPointer = vela::detail::IfPointer<U>;
  template <class U>
  using IfNumber = vela::detail::IfNumber<U>;

 public:
  // Comparison used by QuickSort and BinarySearch; it receives the stored
  // pointer values themselves and returns <0, 0 or >0.
  using CompareFunction = int (*)(const void*, const void*);

  // ---- Construction and assignment ----------------------------------------
  VelaArray() noexcept = default;
  // n copies of value.
  VelaArray(int n, const T& value) : Vector(n, value) {}
  // Copy of values[0] to values[n - 1]. (A template so that a literal 0 as
  // second argument means the value, not a null pointer.)
  template <class P, std::enable_if_t<std::is_same_v<P, T>, int> = 0>
  VelaArray(int n, const P* values) : Vector(values, n > 0 ? values + n : values) {}
  // Pointers only: n null pointers.
  template <class U = T, IfPointer<U> = 0>
  explicit VelaArray(int n) : Vector(n, T()) {}
  VelaArray(const VelaArray&) = default;
  VelaArray(VelaArray&&) noexcept = default;
  // Copies the elements, growing by the rule when needed; the capacity of
  // `other` is not copied.
  VelaArray& operator=(const VelaArray&) = default;
  // Frees this array's heap block and takes other's contents; other is left
  // empty on its inline buffer.
  VelaArray& operator=(VelaArray&&) noexcept = default;
  // Numbers only: overwrites the current elements with values[0] to
  // values[Size() - 1]; the size does not change. Null does nothing.
  template <class U = T, IfNumber<U> = 0>
  VelaArray& operator=(const T* values) {
    if (values && this->size() > 0) std::copy(values, values + this->size(), this->begin());
    return *this;
  }

  // ---- Queries --------------------------------------------------------------
  int Size() const noexcept { return this->size(); }
  int Capacity() const noexcept { return this->capacity(); }
  bool IsEmpty() const noexcept { return this->size() == 0; }
  // The elements: the inline buffer or the heap block.
  T* GetBuffer() noexcept { return this->begin(); }
  const T* GetBuffer() const noexcept { return this->begin(); }
  // First and last element; the array must not be empty.
  T& Front() noexcept { return *this->begin(); }
  const T& Front() const noexcept { return *this->begin(); }
  T& Back() noexcept { return this->end()[-1]; }
  const T& Back() const noexcept { return this->end()[-1]; }
  // Element i, unchecked.
  T& Get(int i) noexcept { return (*this)[i]; }
  const T& Get(int i) const noexcept { return (*this)[i]; }
  // Index of the first element at or after `from` equal to value (exact
  // comparison for doubles), or -1; -1 when from >= Size(). O(size).
  int Locate(const T& value, int from = 0) const noexcept {
    if (from >= this->size()) return -1;
    const T* hit = std::find(this->begin() + std::max(from, 0), this->end(), value);
    return hit == this->end() ? -1 : static_cast<int>(hit - this->begin());
  }

  // ---- Size and storage -------------------------------------------------------
  // Size n; elements from the old size to n get value; a smaller n drops the
  // tail. Size(n, value) and Resize(n, value) are the same operation.
  void Size(int n, const T& value) { this->resize(n, value); }
  void Resize(int n, const T& value) { this->resize(n, value); }
  // Room for n elements (growth rule); the elements are kept.
  void Reserve(int n) { this->reserve(n); }
  // Size 0; the storage is kept.
  void RemoveAll() noexcept { this->clear(); }
  // Numbers only: the array becomes n copies of value; negative n does
  // nothing.
  template <class U = T, IfNumber<U> = 0>
  void Fill(int n, const T& value) {
    if (n < 0) return;
    const T copy = value;
    this->clear();
    this->resize(n, copy);
  }

  // ---- Adding -------------------------------------------------------------------
  // Stores value at i. When i >= Size() the array first grows to i + 1
  // elements, the new ones 0 (null for pointers). Negative i does nothing.
  void Set(int i, const T& value) {
    if (i < 0) return;
    const T copy = value;
    if (i >= this->size()) this->resize(i + 1, T());
    (*this)[i] = copy;
  }
  // Adds value at the end; amortised O(1).
  void Append(const T& value) { this->push_back(value); }
  void Append(T&& value) { this->push_back(value); }
  // Pointers only: adds other's elements at the end, in order, growing once.
  // Appending an array to itself appends each element it held once.
  template <class U = T, IfPointer<U> = 0>
  void Append(const VelaArray& other) {
    this->AppendRange(other.begin(), other.size());
  }
  // Numbers only: inserts value before index i (0 <= i <= Size(), unchecked);
  // i = Size() appends. O(size).
  template <class U = T, IfNumber<U> = 0>
  void Insert(int i, const T& value) {
    this->insert(this->begin() + i, value);
  }
  // Pointers only: the same with the arguments in the other order.
  template <class U = T, IfPointer<U> = 0>
  void Insert(T value, int i) {
    this->insert(this->begin() + i, value);
  }

  // ---- Removing -----------------------------------------------------------------
  // Removes element i (0 <= i < Size(), unchecked), shifting the tail left.
  void RemovePosition(int i) noexcept { this->CloseGap(i, 1); }
  // Numbers only: the same as RemovePosition.
  template <class U = T, IfNumber<U> = 0>
  void RemoveAt(int i) noexcept {
    this->CloseGap(i, 1);
  }
  // Removes the first element equal to value; returns its former index, or
  // -1 (nothing changes) when there is none.
  int RemoveValue(T value) noexcept {
    const int i = Locate(value);
    if (i >= 0) this->CloseGap(i, 1);
    return i;
  }
  // Pointers only: for each element of other, in order, removes its first
  // occurrence here; returns how many were found. Remove(*this) empties the
  // array and returns its former size. O(size * other size).
  template <class U = T, IfPointer<U> = 0>
  int Remove(const VelaArray& other) {
    return RemoveEach(other);
  }
  // Removes every element equal to 0 (null, 0, or either signed zero; NaN is
  // kept), keeping the order of the rest; returns how many went.
  int RemoveNulls() noexcept {
    T* kept = std::remove_if(this->begin(), this->end(), [](const T& x) { return x == T(); });
    const int removed = static_cast<int>(this->end() - kept);
    this->SetUsed(this->size() - removed);
    return removed;
  }
  // Numbers only: removes every element equal to the one just before it, so
  // a sorted array becomes a set. Doubles are compared exactly.
  template <class U = T, IfNumber<U> = 0>
  void RemoveDuplicates() noexcept {
    this->SetUsed(static_cast<int>(std::unique(this->begin(), this->end()) - this->begin()));
  }

  // ---- Reordering -----------------------------------------------------------------
  void Reverse() noexcept { this->reverse(); }
  // Numbers only: exchanges contents with other (no allocation).
  template <class U = T, IfNumber<U> = 0>
  void Swap(VelaArray& other) noexcept {
    this->swap(other);
  }
  // Pointers only: sorts in place, not stably, a before b when
  // compare(a, b) < 0. O(size log size).
  template <class U = T, IfPointer<U> = 0>
  void QuickSort(CompareFunction compare) {
    if (!compare) return;
    std::sort(this->begin(), this->end(), [compare](T a, T b) { return compare(a, b) < 0; });
  }
  // Pointers only, on an array sorted by compare: the first position p with
  // compare(element p, key) >= 0 when compare(key, element p) is 0 there,
  // else -1 (also for an empty array). O(log size).
  template <class U = T, IfPointer<U> = 0>
  int BinarySearch(const void* key, CompareFunction compare) const {
    if (!compare) return -1;
    const T* p = std::lower_bound(this->begin(), this->end(), key,
                                  [compare](T element, const void* k) { return compare(element, k) < 0; });
    if (p == this->end() || compare(key, *p) != 0) return -1;
    return static_cast<int>(p - this->begin());
  }

 protected:
  // For each element of other, in order, removes its first occurrence here;
  // returns how many were found. Other may be this array itself.
  int RemoveEach(const VelaArray& other) {
    if (&other == this) {
      const int n = this->size();
      this->clear();
      return n;
    }
    int found = 0;
    for (const T& value : other) {
      if (RemoveValue(value) >= 0) ++found;
    }
    return found;
  }
};

#endif  // VELA_CONTAINERS_VELAARRAY_H
