/// \file
/// \brief The small-buffer array family: VelSTLVectorAllocator, VelSTLVector and VelaArray.
/// \ingroup containers
#ifndef VELA_CONTAINERS_VELAARRAY_H
#define VELA_CONTAINERS_VELAARRAY_H

#include <algorithm>
#include <cstddef>
#include <functional>
#include <limits>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>

#include "vela/foundation/VelaExport.h"

/// \addtogroup containers
/// @{

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

// Inline capacity of VelaArray<T>: 0 (the general, element-wise form) unless
// specialised below.
template <class T>
struct VelArrayInlineCapacity : std::integral_constant<int, 0> {};
template <>
struct VelArrayInlineCapacity<unsigned char> : std::integral_constant<int, 64> {};
template <>
struct VelArrayInlineCapacity<int> : std::integral_constant<int, 32> {};
template <>
struct VelArrayInlineCapacity<double> : std::integral_constant<int, 36> {};
template <class P>
struct VelArrayInlineCapacity<P*> : std::integral_constant<int, 16> {};

// Selects VelaArray members that exist only for pointers, or only for the
// other element types (numbers and the general form).
template <class T>
using IfPointer = std::enable_if_t<std::is_pointer_v<T>, int>;
template <class T>
using IfNumber = std::enable_if_t<!std::is_pointer_v<T>, int>;

}  // namespace vela::detail

/// Owns the storage of an array of up to N inline elements and its growth.
template <class T, int N>
class VelSTLVectorAllocator : private vela::detail::VelSTLVectorBase {
  static_assert(N > 0, "the inline buffer holds at least one element");
  static_assert(std::is_trivially_copyable_v<T>, "elements are copied bit for bit");

 public:
  /// The number of elements the inline buffer holds.
  static constexpr int InlineCapacity = N;

  /// Empty, on the inline buffer; no heap allocation.
  VelSTLVectorAllocator() noexcept : state_{0, N, inline_} {}
  /// Copy of the elements; the capacity is the growth rule's for their number.
  VelSTLVectorAllocator(const VelSTLVectorAllocator& other) : VelSTLVectorAllocator() {
    CopyFrom(Ref(), other.state_);
  }
  /// Takes the other's heap block, or copies its inline elements; the other is
  /// left empty on its inline buffer.
  VelSTLVectorAllocator(VelSTLVectorAllocator&& other) noexcept : VelSTLVectorAllocator() {
    MoveFrom(Ref(), other.Ref());
  }
  /// Frees the heap block, if any.
  ~VelSTLVectorAllocator() {
    if (state_.data != inline_) Free(state_.data);
  }

 protected:
  /// Size 0, then a copy of the other's elements, growing by the rule when the
  /// capacity is below the other's size. Self-assignment does nothing.
  VelSTLVectorAllocator& operator=(const VelSTLVectorAllocator& other) {
    if (this != &other) CopyFrom(Ref(), other.state_);
    return *this;
  }
  /// Frees this array's heap block and takes the other's contents as the move
  /// constructor does. Self-assignment does nothing.
  VelSTLVectorAllocator& operator=(VelSTLVectorAllocator&& other) noexcept {
    if (this != &other) MoveFrom(Ref(), other.Ref());
    return *this;
  }
  /// Room for n elements by the growth rule.
  void reserve(int n) {
    if (n > state_.capacity) Grow(Ref(), n);
  }
  /// Exchanges contents; inline elements are copied, heap blocks handed over.
  void swap(VelSTLVectorAllocator& other) noexcept {
    if (this != &other) Exchange(Ref(), other.Ref());
  }

  /// Typed access to the fields, for the interface layers above: the
  /// elements, the inline buffer or the heap block.
  T* Elements() noexcept { return static_cast<T*>(state_.data); }
  /// The elements, read-only.
  const T* Elements() const noexcept { return static_cast<const T*>(state_.data); }
  /// The number of elements in use.
  int Used() const noexcept { return state_.size; }
  /// The number of elements the current storage holds.
  int Room() const noexcept { return state_.capacity; }
  /// Sets the number of elements in use (0 <= n <= capacity).
  void SetUsed(int n) noexcept { state_.size = n; }
  /// Drops the elements from n on (0 <= n <= size); the same for every form.
  void Truncate(int n) noexcept { state_.size = n; }
  /// Address of the gap of `count` elements opened before index.
  T* OpenGap(int index, int count) { return static_cast<T*>(VelSTLVectorBase::OpenGap(Ref(), index, count)); }
  /// Removes elements [index, index + count), moving the tail left.
  void CloseGap(int index, int count) noexcept { VelSTLVectorBase::CloseGap(Ref(), index, count); }
  /// Appends `count` elements copied from `first`, growing once; `first` may
  /// point into this array's own elements.
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

/// Standard-container-like interface over VelSTLVectorAllocator.
template <class T, int N>
class VelSTLVector : public VelSTLVectorAllocator<T, N> {
  using Storage = VelSTLVectorAllocator<T, N>;

 public:
  /// Empty, inline.
  VelSTLVector() noexcept = default;
  /// n copies of value (empty when n <= 0).
  VelSTLVector(int n, const T& value) { resize(n, value); }
  /// Copy of [first, last) (empty when last <= first).
  VelSTLVector(const T* first, const T* last) {
    if (last > first) this->AppendRange(first, static_cast<int>(last - first));
  }
  /// Copy of the elements; the capacity is the growth rule's for their number.
  VelSTLVector(const VelSTLVector&) = default;
  /// Takes the other's heap block, or copies its inline elements; the other is
  /// left empty.
  VelSTLVector(VelSTLVector&&) noexcept = default;
  /// Replaces the elements by copies of the other's, growing by the rule when
  /// needed. Self-assignment does nothing.
  VelSTLVector& operator=(const VelSTLVector&) = default;
  /// Frees this array's heap block and takes the other's contents, as the move
  /// constructor does. Self-assignment does nothing.
  VelSTLVector& operator=(VelSTLVector&&) noexcept = default;
  /// Destroys the elements and frees the heap block.
  ~VelSTLVector() = default;

  /// The number of elements.
  int size() const noexcept { return this->Used(); }
  /// The number of elements the current storage holds.
  int capacity() const noexcept { return this->Room(); }
  /// Address of the first element.
  T* begin() noexcept { return this->Elements(); }
  /// Address just past the last element.
  T* end() noexcept { return this->Elements() + this->Used(); }
  /// Address of the first element, read-only.
  const T* begin() const noexcept { return this->Elements(); }
  /// Address just past the last element, read-only.
  const T* end() const noexcept { return this->Elements() + this->Used(); }
  /// Element i; 0 <= i < size() is not checked.
  T& operator[](int i) noexcept { return this->Elements()[i]; }
  /// Element i, read-only; 0 <= i < size() is not checked.
  const T& operator[](int i) const noexcept { return this->Elements()[i]; }

  /// Adds value at the end; amortised O(1). value may be one of the elements.
  void push_back(const T& value) {
    // The value is copied first (growing may free the block it lies in), and
    // the size is read once: the element store could alias it.
    const T copy = value;
    const int n = this->Used();
    if (n == this->Room()) Storage::reserve(n + 1);
    this->Elements()[n] = copy;
    this->SetUsed(n + 1);
  }
  /// Adds value at the end, as a copy; amortised O(1).
  void push_back(T&& value) { push_back(static_cast<const T&>(value)); }
  /// Inserts value before position (begin() <= position <= end()), shifting
  /// the tail right; O(size). Returns the inserted element's address.
  T* insert(T* position, const T& value) {
    const T copy = value;
    T* slot = this->OpenGap(static_cast<int>(position - begin()), 1);
    *slot = copy;
    return slot;
  }
  /// Removes the element at position (begin() <= position < end()), shifting
  /// the tail left; O(size). Returns position, which now holds the next one.
  T* erase(T* position) noexcept {
    const int index = static_cast<int>(position - begin());
    this->CloseGap(index, 1);
    return begin() + index;
  }
  /// Size n; elements from the old size to n get value, a smaller n drops the
  /// tail. Negative n does nothing.
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
  /// Room for n elements by the growth rule; the elements are kept.
  void reserve(int n) { Storage::reserve(n); }
  /// Reverses the order of the elements.
  void reverse() noexcept { std::reverse(begin(), end()); }
  /// Exchanges contents with other; O(inline capacity) at most, no allocation.
  void swap(VelSTLVector& other) noexcept { Storage::swap(other); }
  /// Size 0; the storage is kept.
  void clear() noexcept { this->SetUsed(0); }

  /// Same size and pairwise equal elements (== on the element type, so a NaN
  /// makes doubles unequal and 0.0 equals -0.0).
  bool operator==(const VelSTLVector& other) const noexcept {
    return size() == other.size() && std::equal(begin(), end(), other.begin());
  }
  /// !(*this == other).
  bool operator!=(const VelSTLVector& other) const noexcept { return !(*this == other); }
};

/// Storage of the general form (element types that are not bit-copied): a
/// heap block and nothing inline. The elements are constructed, moved and
/// destroyed one by one.
template <class T>
class VelSTLVectorAllocator<T, 0> {
 public:
  /// No inline buffer: the general form keeps every element in its heap block.
  static constexpr int InlineCapacity = 0;

  /// Empty, without a heap block; no allocation.
  VelSTLVectorAllocator() noexcept : size_(0), capacity_(0), data_(nullptr) {}
  /// Copies of the elements; the capacity is the growth rule's for their number.
  VelSTLVectorAllocator(const VelSTLVectorAllocator& other) : VelSTLVectorAllocator() { AppendCopies(other); }
  /// Takes the other's block; the other is left empty without one.
  VelSTLVectorAllocator(VelSTLVectorAllocator&& other) noexcept
      : size_(other.size_), capacity_(other.capacity_), data_(other.data_) {
    other.Release();
  }
  /// Destroys the elements, last first, and frees the heap block, if any.
  ~VelSTLVectorAllocator() {
    Truncate(0);
    Deallocate();
  }

 protected:
  /// Copy-assigns over the elements both arrays have (nested arrays keep
  /// their blocks), copy-constructs the rest and destroys the surplus. When
  /// the other's size exceeds the capacity, the elements are destroyed first
  /// and the copies built in a block grown by the rule. Self-assignment does
  /// nothing.
  VelSTLVectorAllocator& operator=(const VelSTLVectorAllocator& other) {
    if (this == &other) return *this;
    if (other.size_ > capacity_) Truncate(0);
    const int common = std::min(size_, other.size_);
    std::copy(other.data_, other.data_ + common, data_);
    Truncate(other.size_);
    AppendRange(other.data_ + common, other.size_ - common);
    return *this;
  }
  /// Destroys the elements, frees the block and takes the other's; the other
  /// is left empty without one. Self-assignment does nothing.
  VelSTLVectorAllocator& operator=(VelSTLVectorAllocator&& other) noexcept {
    if (this != &other) {
      Truncate(0);
      Deallocate();
      size_ = other.size_;
      capacity_ = other.capacity_;
      data_ = other.data_;
      other.Release();
    }
    return *this;
  }
  /// Room for n elements by the growth rule; the elements are moved into the
  /// new block. O(size) when it grows.
  void reserve(int n) {
    if (n > capacity_) Reallocate(GrownCapacity(n));
  }
  /// Exchanges the blocks; no element is touched.
  void swap(VelSTLVectorAllocator& other) noexcept {
    std::swap(size_, other.size_);
    std::swap(capacity_, other.capacity_);
    std::swap(data_, other.data_);
  }

  /// The elements: the heap block, or null when there is none.
  T* Elements() noexcept { return data_; }
  /// The elements, read-only.
  const T* Elements() const noexcept { return data_; }
  /// The number of live elements.
  int Used() const noexcept { return size_; }
  /// The number of elements the heap block holds.
  int Room() const noexcept { return capacity_; }
  /// Constructs a new last element from args; the capacity must suffice.
  template <class... Args>
  void ConstructBack(Args&&... args) {
    ::new (static_cast<void*>(data_ + size_)) T(std::forward<Args>(args)...);
    ++size_;
  }
  /// Destroys the elements from n on (0 <= n <= size), last first.
  void Truncate(int n) noexcept {
    while (size_ > n) data_[--size_].~T();
  }
  /// Appends copies of [first, first + count), growing once. The range may
  /// lie in this array's own elements (an array appended to itself).
  void AppendRange(const T* first, int count) {
    if (count <= 0) return;
    const std::less<const T*> before;
    const bool own = !before(first, data_) && before(first, data_ + size_);
    const std::ptrdiff_t offset = own ? first - data_ : 0;
    reserve(size_ + count);
    if (own) first = data_ + offset;
    for (int k = 0; k < count; ++k) ConstructBack(first[k]);
  }

 private:
  void AppendCopies(const VelSTLVectorAllocator& other) { AppendRange(other.data_, other.size_); }
  // The growth rule with no inline buffer: exactly `needed` for the first
  // block, then doubling (stopped at the largest int).
  int GrownCapacity(int needed) const noexcept {
    if (capacity_ == 0) return needed;
    long long capacity = capacity_;
    while (capacity < needed) capacity *= 2;
    return capacity > std::numeric_limits<int>::max() ? std::numeric_limits<int>::max()
                                                      : static_cast<int>(capacity);
  }
  void Reallocate(int capacity) {
    T* block = std::allocator<T>().allocate(static_cast<std::size_t>(capacity));
    for (int i = 0; i < size_; ++i) {
      ::new (static_cast<void*>(block + i)) T(std::move(data_[i]));
      data_[i].~T();
    }
    Deallocate();
    data_ = block;
    capacity_ = capacity;
  }
  void Deallocate() noexcept {
    if (data_) std::allocator<T>().deallocate(data_, static_cast<std::size_t>(capacity_));
  }
  void Release() noexcept {
    size_ = 0;
    capacity_ = 0;
    data_ = nullptr;
  }

  // Invariants: 0 <= size_ <= capacity_; capacity_ == 0 exactly when data_
  // is null; slots [0, size_) of data_ hold live objects, the rest are raw.
  int size_;
  int capacity_;
  T* data_;
};

/// The lower-case interface of the general form, with the same contracts as
/// the bit-copied one; elements are copied and moved with their own
/// constructors and assignments.
template <class T>
class VelSTLVector<T, 0> : public VelSTLVectorAllocator<T, 0> {
  using Storage = VelSTLVectorAllocator<T, 0>;

 public:
  /// Empty, without a heap block.
  VelSTLVector() noexcept = default;
  /// n copies of value (empty when n <= 0).
  VelSTLVector(int n, const T& value) { resize(n, value); }
  /// Copy of [first, last) (empty when last <= first).
  VelSTLVector(const T* first, const T* last) {
    if (last > first) this->AppendRange(first, static_cast<int>(last - first));
  }
  /// Copies of the elements; the capacity is the growth rule's for their
  /// number.
  VelSTLVector(const VelSTLVector&) = default;
  /// Takes the other's block; the other is left empty without one.
  VelSTLVector(VelSTLVector&&) noexcept = default;
  /// Copy-assigns over the elements both arrays have, copy-constructs the
  /// rest and destroys the surplus, growing by the rule when needed.
  /// Self-assignment does nothing.
  VelSTLVector& operator=(const VelSTLVector&) = default;
  /// Destroys the elements, frees the block and takes the other's; the other
  /// is left empty without one. Self-assignment does nothing.
  VelSTLVector& operator=(VelSTLVector&&) noexcept = default;
  /// Destroys the elements and frees the heap block.
  ~VelSTLVector() = default;

  /// The number of elements.
  int size() const noexcept { return this->Used(); }
  /// The number of elements the current storage holds.
  int capacity() const noexcept { return this->Room(); }
  /// Address of the first element.
  T* begin() noexcept { return this->Elements(); }
  /// Address just past the last element.
  T* end() noexcept { return this->Elements() + this->Used(); }
  /// Address of the first element, read-only.
  const T* begin() const noexcept { return this->Elements(); }
  /// Address just past the last element, read-only.
  const T* end() const noexcept { return this->Elements() + this->Used(); }
  /// Element i; 0 <= i < size() is not checked.
  T& operator[](int i) noexcept { return this->Elements()[i]; }
  /// Element i, read-only; 0 <= i < size() is not checked.
  const T& operator[](int i) const noexcept { return this->Elements()[i]; }

  /// Adds a copy of value at the end; amortised O(1). value may be one of the
  /// elements: it is copied before growing can move it.
  void push_back(const T& value) {
    if (size() < capacity()) {
      this->ConstructBack(value);
      return;
    }
    T copy(value);
    Storage::reserve(size() + 1);
    this->ConstructBack(std::move(copy));
  }
  /// Moves value in at the end; amortised O(1).
  void push_back(T&& value) {
    if (size() < capacity()) {
      this->ConstructBack(std::move(value));
      return;
    }
    T moved(std::move(value));
    Storage::reserve(size() + 1);
    this->ConstructBack(std::move(moved));
  }
  /// Inserts a copy of value before position (begin() <= position <= end()),
  /// moving the tail one place right, last first; O(size). Returns the
  /// inserted element's address.
  T* insert(T* position, const T& value) {
    const int index = static_cast<int>(position - begin());
    const int n = size();
    T copy(value);
    Storage::reserve(n + 1);
    if (index == n) {
      this->ConstructBack(std::move(copy));
    } else {
      T* d = begin();
      this->ConstructBack(std::move(d[n - 1]));
      std::move_backward(d + index, d + n - 1, d + n);
      d[index] = std::move(copy);
    }
    return begin() + index;
  }
  /// Removes the element at position (begin() <= position < end()), moving
  /// the tail left; O(size). Returns position, which now holds the next one.
  T* erase(T* position) {
    const int index = static_cast<int>(position - begin());
    std::move(position + 1, end(), position);
    this->Truncate(size() - 1);
    return begin() + index;
  }
  /// Size n; elements from the old size to n are copies of value, a smaller n
  /// destroys the tail. Negative n does nothing.
  void resize(int n, const T& value) {
    if (n < 0) return;
    if (n <= size()) {
      this->Truncate(n);
      return;
    }
    const T copy(value);
    Storage::reserve(n);
    while (size() < n) this->ConstructBack(copy);
  }
  /// Room for n elements by the growth rule; the elements are moved into the
  /// new block.
  void reserve(int n) { Storage::reserve(n); }
  /// Reverses the order of the elements, moving them.
  void reverse() { std::reverse(begin(), end()); }
  /// Exchanges contents with other; O(1), no element is touched.
  void swap(VelSTLVector& other) noexcept { Storage::swap(other); }
  /// Destroys every element; the block is kept.
  void clear() noexcept { this->Truncate(0); }

  /// Same size and pairwise equal elements (needs the element's ==).
  bool operator==(const VelSTLVector& other) const {
    return size() == other.size() && std::equal(begin(), end(), other.begin());
  }
  /// !(*this == other).
  bool operator!=(const VelSTLVector& other) const { return !(*this == other); }
};

/// The library's growable arrays with an inline small buffer.
///
/// A list of up to N elements lives inside the array object itself and never
/// touches the heap; only a longer list moves to a heap block. The family has
/// three layers:
/// - VelSTLVectorAllocator<T, N> owns the storage and its growth;
/// - VelSTLVector<T, N> gives a standard-container-like, lower-case interface;
/// - VelaArray<T> adds the library's capitalised interface. Its inline
///   capacity depends on the element type:
///     unsigned char 64, int 32, double 36, any pointer (void* or typed) 16,
///     every other type 0 (no inline buffer).
/// Numbers and pointers are plain values: they are copied bit for bit and
/// never constructed or destroyed one by one. Every other element type (paths,
/// nested arrays, strings, ...) uses the general form, VelSTLVector<T, 0>:
/// its elements are constructed, copied, moved and destroyed one by one, and
/// exactly the first size() slots of its heap block hold live objects.
///
/// Growth rule (every operation that adds elements asks for the size it needs):
/// when the inline buffer is in use the first heap block holds exactly the
/// elements needed; after that the capacity doubles until it suffices. Storage
/// never shrinks, not even when the array is emptied; only destruction (or
/// being the target of a move) frees it. So appending one pointer at a time
/// moves through capacities 16, 17, 34, 68, 136, ...
///
/// For the bit-copied forms the byte-level work (growing, copying, moving,
/// swapping, opening and closing gaps) is done once, out of line, by
/// vela::detail::VelSTLVectorBase; the templates only pass it their fields, so
/// the instantiations share one copy of that logic.
///
/// No operation checks element indices: operator[], Get, Front, Back, RemoveAt,
/// RemovePosition, insert and erase need a valid position. Set is the growing
/// form of writing.
///
/// Choices made for this implementation:
/// - A negative count (constructors, resize/Size/Resize, Fill, reserve)
///   leaves the array as it is (constructors give an empty array).
/// - Set with a negative index does nothing.
/// - Locate's `from` defaults to 0; a negative `from` searches from 0.
/// - operator=(const T* values) with a null pointer does nothing.
/// - QuickSort with a null comparison does nothing; BinarySearch with a null
///   comparison returns -1. The comparison must order consistently (as for
///   qsort); an inconsistent one gives an unspecified order.
/// - Doubling stops at the largest int, which is then the capacity.
/// - insert returns the address of the inserted element; erase returns the
///   address of the element that followed the erased one (the same address).
/// - Typed pointers (VelaArray<Foo*>) are the void* array with a typed
///   interface: inline capacity 16, the same growth rule, bit copies, and the
///   pointer-only members (QuickSort and BinarySearch still take the untyped
///   comparison, which receives the stored pointers).
/// - Other element types have no inline buffer: an object can be large (a
///   nested VelaArray<Foo*> is 144 bytes), and moving inline objects would
///   make moves and swaps O(N) element moves. So such an array is empty
///   without any heap block (capacity 0); the first block holds exactly the
///   elements needed, later ones double. Move construction, move assignment
///   and Swap hand the block over and never touch the elements. Copy
///   assignment assigns over the elements both arrays have, so repeated
///   copies into the same array of arrays reuse the nested blocks; it
///   reallocates (by the rule) only when the source does not fit.
///   Elements are move-constructed into a new block when it grows, so
///   pointers to them are invalidated, as for any growth.
/// - The value-type members of the general form are those of the numbers:
///   Insert(i, value), RemoveAt, Swap, Fill. Set, Size(n, value) and the
///   growing forms value-initialise missing elements; members that compare
///   (Locate, RemoveValue, RemoveNulls, RemoveDuplicates, ==) need the
///   element's ==, and compile only for element types that have it.
/// - The general form expects element copies and moves not to throw (heap
///   exhaustion is not handled, as everywhere in the family); the library's
///   own element types never throw.
///
/// Not thread-safe: one writer at a time.
///
/// The library's array. Members marked "pointers only" exist only for pointer
/// element types; those marked "not for pointers" for every other type (the
/// numbers and the general form).
template <class T>
class VelaArray : public VelSTLVector<T, vela::detail::VelArrayInlineCapacity<T>::value> {
  using Vector = VelSTLVector<T, vela::detail::VelArrayInlineCapacity<T>::value>;
  template <class U>
  using IfPointer = vela::detail::IfPointer<U>;
  template <class U>
  using IfNumber = vela::detail::IfNumber<U>;

 public:
  /// Comparison used by QuickSort and BinarySearch; it receives the stored
  /// pointer values themselves and returns <0, 0 or >0.
  using CompareFunction = int (*)(const void*, const void*);

  /// \name Construction and assignment
  /** @{ */
  /// Empty, on the inline buffer (without a heap block for the general form).
  VelaArray() noexcept = default;
  /// n copies of value.
  VelaArray(int n, const T& value) : Vector(n, value) {}
  /// Copy of values[0] to values[n - 1]. (A template so that a literal 0 as
  /// second argument means the value, not a null pointer.)
  template <class P, std::enable_if_t<std::is_same_v<P, T>, int> = 0>
  VelaArray(int n, const P* values) : Vector(values, n > 0 ? values + n : values) {}
  /// Pointers only: n null pointers.
  template <class U = T, IfPointer<U> = 0>
  explicit VelaArray(int n) : Vector(n, T()) {}
  /// Copy of the elements; the capacity is the growth rule's for their number.
  VelaArray(const VelaArray&) = default;
  /// Takes the other's heap block, or copies its inline elements; the other is
  /// left empty.
  VelaArray(VelaArray&&) noexcept = default;
  /// Copies the elements, growing by the rule when needed; the capacity of
  /// `other` is not copied.
  VelaArray& operator=(const VelaArray&) = default;
  /// Frees this array's heap block and takes other's contents; other is left
  /// empty on its inline buffer.
  VelaArray& operator=(VelaArray&&) noexcept = default;
  /// Not for pointers: overwrites the current elements with values[0] to
  /// values[Size() - 1]; the size does not change. Null does nothing.
  template <class U = T, IfNumber<U> = 0>
  VelaArray& operator=(const T* values) {
    if (values && this->size() > 0) std::copy(values, values + this->size(), this->begin());
    return *this;
  }
  /** @} */

  /// \name Queries
  /** @{ */
  /// The number of elements.
  int Size() const noexcept { return this->size(); }
  /// The number of elements the current storage holds.
  int Capacity() const noexcept { return this->capacity(); }
  /// Whether the array has no element.
  bool IsEmpty() const noexcept { return this->size() == 0; }
  /// The elements: the inline buffer or the heap block.
  T* GetBuffer() noexcept { return this->begin(); }
  /// The elements, read-only.
  const T* GetBuffer() const noexcept { return this->begin(); }
  /// The first element; the array must not be empty.
  T& Front() noexcept { return *this->begin(); }
  /// The first element, read-only; the array must not be empty.
  const T& Front() const noexcept { return *this->begin(); }
  /// The last element; the array must not be empty.
  T& Back() noexcept { return this->end()[-1]; }
  /// The last element, read-only; the array must not be empty.
  const T& Back() const noexcept { return this->end()[-1]; }
  /// Element i, unchecked.
  T& Get(int i) noexcept { return (*this)[i]; }
  /// Element i, read-only, unchecked.
  const T& Get(int i) const noexcept { return (*this)[i]; }
  /// Index of the first element at or after `from` equal to value (exact
  /// comparison for doubles), or -1; -1 when from >= Size(). O(size).
  int Locate(const T& value, int from = 0) const noexcept {
    if (from >= this->size()) return -1;
    const T* hit = std::find(this->begin() + std::max(from, 0), this->end(), value);
    return hit == this->end() ? -1 : static_cast<int>(hit - this->begin());
  }
  /** @} */

  /// \name Size and storage
  /** @{ */
  /// Size n; elements from the old size to n get value; a smaller n drops the
  /// tail. Size(n, value) and Resize(n, value) are the same operation.
  void Size(int n, const T& value) { this->resize(n, value); }
  /// The same operation as Size(n, value).
  void Resize(int n, const T& value) { this->resize(n, value); }
  /// Room for n elements (growth rule); the elements are kept.
  void Reserve(int n) { this->reserve(n); }
  /// Size 0; the storage is kept.
  void RemoveAll() noexcept { this->clear(); }
  /// Not for pointers: the array becomes n copies of value; negative n does
  /// nothing.
  template <class U = T, IfNumber<U> = 0>
  void Fill(int n, const T& value) {
    if (n < 0) return;
    const T copy = value;
    this->clear();
    this->resize(n, copy);
  }
  /** @} */

  /// \name Adding
  /** @{ */
  /// Stores value at i. When i >= Size() the array first grows to i + 1
  /// elements, the new ones 0 (null for pointers). Negative i does nothing.
  void Set(int i, const T& value) {
    if (i < 0) return;
    const T copy = value;
    if (i >= this->size()) this->resize(i + 1, T());
    (*this)[i] = copy;
  }
  /// Adds value at the end; amortised O(1).
  void Append(const T& value) { this->push_back(value); }
  /// Moves value in at the end; amortised O(1).
  void Append(T&& value) { this->push_back(std::move(value)); }
  /// Pointers only: adds other's elements at the end, in order, growing once.
  /// Appending an array to itself appends each element it held once.
  template <class U = T, IfPointer<U> = 0>
  void Append(const VelaArray& other) {
    this->AppendRange(other.begin(), other.size());
  }
  /// Not for pointers: inserts value before index i (0 <= i <= Size(), unchecked);
  /// i = Size() appends. O(size).
  template <class U = T, IfNumber<U> = 0>
  void Insert(int i, const T& value) {
    this->insert(this->begin() + i, value);
  }
  /// Pointers only: the same with the arguments in the other order.
  template <class U = T, IfPointer<U> = 0>
  void Insert(T value, int i) {
    this->insert(this->begin() + i, value);
  }
  /** @} */

  /// \name Removing
  /** @{ */
  /// Removes element i (0 <= i < Size(), unchecked), shifting the tail left.
  void RemovePosition(int i) noexcept { this->erase(this->begin() + i); }
  /// Not for pointers: the same as RemovePosition.
  template <class U = T, IfNumber<U> = 0>
  void RemoveAt(int i) noexcept {
    this->erase(this->begin() + i);
  }
  /// Removes the first element equal to value; returns its former index, or
  /// -1 (nothing changes) when there is none.
  int RemoveValue(T value) noexcept {
    const int i = Locate(value);
    if (i >= 0) this->erase(this->begin() + i);
    return i;
  }
  /// Pointers only: for each element of other, in order, removes its first
  /// occurrence here; returns how many were found. Remove(*this) empties the
  /// array and returns its former size. O(size * other size).
  template <class U = T, IfPointer<U> = 0>
  int Remove(const VelaArray& other) {
    return RemoveEach(other);
  }
  /// Removes every element equal to 0 (null, 0, or either signed zero; NaN is
  /// kept), keeping the order of the rest; returns how many went.
  int RemoveNulls() noexcept {
    T* kept = std::remove_if(this->begin(), this->end(), [](const T& x) { return x == T(); });
    const int removed = static_cast<int>(this->end() - kept);
    this->Truncate(this->size() - removed);
    return removed;
  }
  /// Not for pointers: removes every element equal to the one just before it, so
  /// a sorted array becomes a set. Doubles are compared exactly.
  template <class U = T, IfNumber<U> = 0>
  void RemoveDuplicates() noexcept {
    this->Truncate(static_cast<int>(std::unique(this->begin(), this->end()) - this->begin()));
  }
  /** @} */

  /// \name Reordering
  /** @{ */
  /// Reverses the order of the elements.
  void Reverse() noexcept { this->reverse(); }
  /// Not for pointers: exchanges contents with other (no allocation).
  template <class U = T, IfNumber<U> = 0>
  void Swap(VelaArray& other) noexcept {
    this->swap(other);
  }
  /// Pointers only: sorts in place, not stably, a before b when
  /// compare(a, b) < 0. O(size log size).
  template <class U = T, IfPointer<U> = 0>
  void QuickSort(CompareFunction compare) {
    if (!compare) return;
    std::sort(this->begin(), this->end(), [compare](T a, T b) { return compare(a, b) < 0; });
  }
  /// Pointers only, on an array sorted by compare: the first position p with
  /// compare(element p, key) >= 0 when compare(key, element p) is 0 there,
  /// else -1 (also for an empty array). O(log size).
  template <class U = T, IfPointer<U> = 0>
  int BinarySearch(const void* key, CompareFunction compare) const {
    if (!compare) return -1;
    const T* p = std::lower_bound(this->begin(), this->end(), key,
                                  [compare](T element, const void* k) { return compare(element, k) < 0; });
    if (p == this->end() || compare(key, *p) != 0) return -1;
    return static_cast<int>(p - this->begin());
  }
  /** @} */

 protected:
  /// For each element of other, in order, removes its first occurrence here;
  /// returns how many were found. Other may be this array itself.
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

/// @}

#endif  // VELA_CONTAINERS_VELAARRAY_H
