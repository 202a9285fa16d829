/// \file
/// \brief VelaPriorityQueueWrapper, an ordered priority queue, with its shared comparison objects.
/// \ingroup containers
#ifndef VELA_CONTAINERS_VELAPRIORITYQUEUE_H
#define VELA_CONTAINERS_VELAPRIORITYQUEUE_H

#include <cstdint>
#include <set>
#include <utility>

/// \addtogroup containers
/// @{

template <typename T>
class VelaMore;

/// Base of the comparison objects. Create one with new and hand it to a
/// VelaMore handle at once: it holds no reference until then, and is deleted
/// by the handle that releases the last reference.
template <typename T>
class VelaMoreComparison {
 public:
  /// A comparison object without references.
  VelaMoreComparison() noexcept = default;
  /// A copy starts without references: the count belongs to the object, not
  /// to its value.
  VelaMoreComparison(const VelaMoreComparison&) noexcept {}
  /// Keeps this object's own reference count.
  VelaMoreComparison& operator=(const VelaMoreComparison&) noexcept { return *this; }
  /// Called by the handle that releases the last reference.
  virtual ~VelaMoreComparison() = default;

  /// True when a has lower priority than b. Must be a strict weak order.
  virtual bool less(T const& a, T const& b) const = 0;

  /// Number of handles sharing this object.
  std::uint32_t GetRefCount() const noexcept { return refCount_; }

 private:
  friend class VelaMore<T>;

  void AddRef() noexcept { ++refCount_; }
  void Release() noexcept {
    if (--refCount_ == 0) delete this;
  }

  // Handles holding this object; the object deletes itself when the count
  // returns to 0.
  std::uint32_t refCount_ = 0;
};

/// Handle on a shared comparison object; copying a handle shares the object.
template <typename T>
class VelaMore {
 public:
  /// Takes one reference on comparison, which must have been allocated with
  /// new (or be null, see VelaPriorityQueueWrapper).
  explicit VelaMore(VelaMoreComparison<T>* comparison) noexcept : comparison_(comparison) {
    if (comparison_ != nullptr) comparison_->AddRef();
  }
  /// Shares the other's comparison object, taking one more reference.
  VelaMore(const VelaMore& other) noexcept : VelaMore(other.comparison_) {}
  /// Takes the new reference before releasing the old one, so assigning a
  /// handle to itself (or to another handle on the same object) is safe.
  VelaMore& operator=(const VelaMore& other) noexcept {
    if (other.comparison_ != nullptr) other.comparison_->AddRef();
    if (comparison_ != nullptr) comparison_->Release();
    comparison_ = other.comparison_;
    return *this;
  }
  /// Releases this handle's reference; the last one deletes the object.
  ~VelaMore() {
    if (comparison_ != nullptr) comparison_->Release();
  }

  /// less(a, b) of the shared object: a has lower priority than b.
  bool operator()(T const& a, T const& b) const {
    return comparison_ != nullptr && comparison_->less(a, b);
  }

  /// The shared object (null for a null handle).
  VelaMoreComparison<T>* GetComparison() const noexcept { return comparison_; }

  /// Exchanges the comparison objects of the two handles; no count changes.
  void swap(VelaMore& other) noexcept { std::swap(comparison_, other.comparison_); }

 private:
  // Holds one reference while non-null.
  VelaMoreComparison<T>* comparison_;
};

/// A priority queue of untyped pointers ordered by a
/// caller-supplied, shared comparison object.
///
/// Unlike a heap the queue is an ordered set: it can remove an arbitrary
/// element, it ignores an element equivalent to one already queued, and Top is
/// always a greatest element. Solver code outside this library schedules its
/// work with it as VelaPriorityQueueWrapper<void*, VelaMore<void*>>.
///
/// The ordering comes in three pieces:
/// - VelaMoreComparison<T>: the polymorphic comparison object a client derives
///   from, implementing less(a, b) = "a has lower priority than b". It carries
///   its own reference count and destroys itself when the last handle goes.
/// - VelaMore<T>: a handle, one pointer to a shared comparison object. Every
///   handle, and every copy of one, holds one reference.
/// - VelaPriorityQueueWrapper<T, More>: the queue, holding one handle and the
///   ordered set, whose comparator holds another.
///
/// Choices made for this implementation:
/// - Top on an empty queue returns a reference to a value-initialised element
///   (null for pointers) and Pop on an empty queue does nothing, instead of
///   reading outside the set.
/// - A handle made from a null pointer orders nothing: every element is
///   equivalent to every other, so such a queue holds at most one element.
/// - Insert(first, last, stride) with a stride that is not positive or with
///   last before first adds nothing; when last - first is not a multiple of
///   stride it stops at the last address below last.
/// - A comparison object made by copying another starts without references:
///   the count belongs to the object, not to its value.
///
/// Not locked; the reference count is not atomic. Queues that share a
/// comparison object must be used by one thread at a time.
///
/// The queue. More is a copyable handle callable as more(a, b), true when a
/// has lower priority than b. The queue holds the elements, never the objects
/// they point to.
template <typename T, typename More>
class VelaPriorityQueueWrapper {
 public:
  /// Empty queue ordered by more, sharing its comparison object.
  explicit VelaPriorityQueueWrapper(const More& more) : comparator_(more), set_(Order{more}) {}

  /// Copies share the comparison object; copying over a queue also takes the
  /// source's comparison object. Self-assignment does nothing.
  VelaPriorityQueueWrapper(const VelaPriorityQueueWrapper&) = default;
  /// Copies the elements and takes the source's comparison object.
  /// Self-assignment does nothing.
  VelaPriorityQueueWrapper& operator=(const VelaPriorityQueueWrapper& other) {
    if (this != &other) {
      comparator_ = other.comparator_;
      set_ = other.set_;
    }
    return *this;
  }

  /// Takes over the source's elements and comparator. The source is left
  /// empty; a moved-from source keeps sharing its comparator, a moved-over one
  /// receives this queue's former comparator. Self-assignment does nothing.
  VelaPriorityQueueWrapper(VelaPriorityQueueWrapper&& other)
      : comparator_(other.comparator_), set_(std::move(other.set_)) {
    other.set_.clear();
  }
  /// Takes over the source's elements and exchanges the comparators: the
  /// source is left empty with this queue's former comparator.
  /// Self-assignment does nothing.
  VelaPriorityQueueWrapper& operator=(VelaPriorityQueueWrapper&& other) {
    if (this != &other) {
      comparator_.swap(other.comparator_);
      set_.swap(other.set_);
      other.set_.clear();
    }
    return *this;
  }

  /// Drops the elements and releases the comparison object.
  ~VelaPriorityQueueWrapper() = default;

  /// Adds e unless an equivalent element is queued. O(log n).
  void Push(T const& e) { set_.insert(e); }

  /// Pushes the addresses first, first + stride bytes, first + 2 x stride
  /// bytes, ... below last. Nothing when first equals last. For pointer
  /// element types only.
  void Insert(T first, T last, int stride) {
    const std::uintptr_t begin = reinterpret_cast<std::uintptr_t>(first);
    const std::uintptr_t end = reinterpret_cast<std::uintptr_t>(last);
    if (stride <= 0) return;
    const std::uintptr_t step = static_cast<std::uintptr_t>(stride);
    // Compares distances, not sums, so the walk cannot wrap around.
    for (std::uintptr_t p = begin; p < end; p += step) {
      Push(reinterpret_cast<T>(p));
      if (end - p <= step) break;
    }
  }

  /// A greatest element; see VelaPriorityQueueWrapper for an empty queue. O(1).
  T const& Top() const { return set_.empty() ? EmptyElement() : *set_.begin(); }
  /// Removes a greatest element; nothing on an empty queue. Amortised O(1).
  void Pop() {
    if (!set_.empty()) set_.erase(set_.begin());
  }
  /// Removes the element equivalent to e, if any. O(log n).
  void Remove(T const& e) { set_.erase(e); }
  /// Removes every element; the comparison object stays.
  void Clear() { set_.clear(); }

  /// The number of queued elements.
  int Size() const { return static_cast<int>(set_.size()); }
  /// Whether no element is queued.
  bool Empty() const { return set_.empty(); }

 private:
  // Set order: x stands before y when y has lower priority, so the first
  // element is a greatest one.
  struct Order {
    More more;
    bool operator()(T const& x, T const& y) const { return more(y, x); }
  };

  static T const& EmptyElement() {
    static const T empty{};
    return empty;
  }

  More comparator_;
  // Holds at most one element of each equivalence class of the order. Its
  // comparator always shares comparator_'s object: every copy, move and swap
  // carries the two together.
  std::set<T, Order> set_;
};

/// @}

#endif  // VELA_CONTAINERS_VELAPRIORITYQUEUE_H
