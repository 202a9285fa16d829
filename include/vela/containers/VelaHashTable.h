/// \file
/// \brief VelaHashTable, a set of untyped element pointers, and its two hashing policies.
/// \ingroup containers
#ifndef VELA_CONTAINERS_VELAHASHTABLE_H
#define VELA_CONTAINERS_VELAHASHTABLE_H

#include "vela/foundation/VelaExport.h"

/// \addtogroup containers
/// @{

class VelaString;

namespace vela::detail {
struct HashTableProbe;  // white-box access for the consistency tests
}

/// Identity policy: the address shifted right by 3 bits (heap blocks are at
/// least 8-byte aligned, so the low bits carry no information), truncated to
/// 32 bits.
VELA_API unsigned int VelaSimpleHashIt(void* e);
/// 1 when a and b are the same address, else 0.
VELA_API int VelaSimpleHashCompare(void* a, void* b);

/// String policy: e (and a, b) must be addresses of VelaString objects.
/// VelaStringHashIt of the string e points to.
VELA_API unsigned int VelaStringPtrHashIt(void* e);
/// String policy: a and b must be addresses of VelaString objects.
/// VelaStringHashCompare of the strings they point to.
VELA_API int VelaStringPtrHashCompare(void* a, void* b);

/// A set of untyped element pointers with caller-supplied
/// hashing and equality.
///
/// The solver indexes its objects by identity (the pointer itself) or by name
/// (a pointer to a VelaString) through this table. The table stores pointers
/// only: it never owns, copies or frees the elements. All of its memory is one
/// block holding the bucket heads followed by a pool of chain nodes, so an
/// insertion never allocates unless the table grows, and growing moves every
/// node in one pass.
///
/// Hashing policies: VelaSimpleHashIt / VelaSimpleHashCompare (identity of
/// addresses, the default) and VelaStringPtrHashIt / VelaStringPtrHashCompare
/// (each element is read as the address of a VelaString and handed to
/// VelaStringHashIt / VelaStringHashCompare).
///
/// Choices made for this implementation:
/// - The string policy is a pair of untyped adapters rather than the string
///   functions cast to the untyped function types: calling a function through
///   a pointer of another type is undefined in C++, and a sanitizer rightly
///   rejects it.
/// - The element form of GetNext takes a const void*: with both forms taking
///   void* (by value and by reference) no call with a void* variable could
///   pick either. A void* variable now selects the cursor form, which tells a
///   position (a node of this table's pool) from an element by its address
///   and serves an element as the element form would.
/// - A null hash or compare function given to the constructor stands for the
///   identity one, so a careless caller gets a working table, not a crash.
/// - A table is neither copyable nor movable: it is an index over objects
///   owned elsewhere, and a copy would have to re-decide who tracks them.
/// - When the first block cannot be allocated (an absurd initial size), the
///   table starts empty without a block and the first Insert allocates the
///   smallest table; when that fails too, Insert returns null.
/// - Bucket counts are limited to 2^31 - 1 (the largest value the int-sized
///   requests can name); growth beyond it fails like an allocation failure.
///
/// Not locked: one writer at a time, and no reader while a writer runs
/// (growth and shrinking move every node).
class VELA_API VelaHashTable {
 public:
  /// The hash of an element, such as VelaSimpleHashIt or VelaStringPtrHashIt.
  using HashFunction = unsigned int (*)(void* e);
  /// Element equality, 1 for equal and 0 otherwise, such as
  /// VelaSimpleHashCompare or VelaStringPtrHashCompare.
  using CompareFunction = int (*)(void* a, void* b);

  /// Empty table of UpToNiceModulo(n) buckets, at least 11; n <= 11 gives 11.
  /// A null hash or compare function stands for the identity one.
  VelaHashTable(int n, HashFunction hash, CompareFunction compare);
  /// Empty 11-bucket table with the identity policy.
  VelaHashTable();
  /// Frees the block, never the elements.
  ~VelaHashTable();

  /// Not copyable: the table is an index over objects owned elsewhere.
  VelaHashTable(const VelaHashTable&) = delete;
  /// Not assignable, for the same reason.
  VelaHashTable& operator=(const VelaHashTable&) = delete;

  /// When an element equal to e is stored, returns that element and changes
  /// nothing; otherwise stores e and returns e. Returns null, leaving the table
  /// as it was, when the table is full and cannot grow. A null e is not
  /// stored: the call returns null.
  /// Amortised O(1); a full table grows to at least twice its bucket count.
  void* Insert(void* e);
  /// The stored element equal to e, or null. O(1) expected.
  void* Locate(void* e) const;
  /// Removes the stored element equal to e and returns it; null when there is
  /// none. The last pool node moves into the hole, and a table of at least 12
  /// elements that falls below a third of its buckets shrinks to about
  /// 1.1 x its count. Amortised O(1).
  void* Remove(void* e);
  /// Empties the table; the bucket count stays. O(buckets).
  void RemoveAll();
  /// Number of stored elements.
  int Size() const { return static_cast<int>(count_); }

  /// Walk over the elements that share one hash value:
  /// \code
  ///   for (void* e = t.GetFirst(h); e; e = t.GetNext(e)) ...
  /// \endcode
  /// GetFirst: the first element, in chain order of bucket h mod buckets, whose
  /// hash value is exactly h; null when none.
  void* GetFirst(unsigned int h) const;
  /// The next element after the stored element e in e's chain whose hash
  /// value equals hash(e); null when none (or when e is not stored).
  void* GetNext(const void* e) const;

  /// Walk over all elements, bucket by bucket in chain order:
  /// \code
  ///   void* cursor = nullptr;
  ///   while (void* e = t.GetNext(cursor)) ...
  /// \endcode
  /// Each call returns the next element and moves the opaque cursor; at the
  /// end it returns null and resets the cursor to null. The table must not
  /// change during the walk. O(buckets) for a whole walk.
  /// A named void* argument selects this form; when its value is not null and
  /// not a position of this table it is an element, and the call is the
  /// element form above (the argument is left as it is), so both walks can be
  /// written with plain void* variables.
  void* GetNext(void*& cursor) const;

 private:
  friend struct vela::detail::HashTableProbe;

  // One chain link of the pool.
  struct Node {
    void* element;
    Node* next;
  };

  Node** Heads() const { return reinterpret_cast<Node**>(block_); }
  Node* Pool() const { return reinterpret_cast<Node*>(block_ + buckets_); }
  unsigned int BucketOf(void* e) const { return hash_(e) % buckets_; }

  // Element of pool node i; null outside [0, count).
  void* Get(int i) const;
  // The node holding the element equal to e, or null.
  Node* LocateBucket(void* e) const;
  // The node after `node` in its chain whose element hashes to h, or null.
  Node* NextElem(Node* node, unsigned int h) const;
  // True when p is the address of one of the pool nodes 0 .. count-1.
  bool IsPosition(const void* p) const;
  // Pool node `count`, the one the next insertion takes (count < buckets).
  Node* NextEmptyBucket() const { return Pool() + count_; }
  // Moves the elements into a new block of UpToNiceModulo(n) buckets (n >= 1)
  // or UpToNiceModulo(2 x buckets) buckets (n <= 0), keeping pool order and
  // the relative order within chains. Returns false, leaving the table as it
  // was, when the bucket count would exceed the limit or allocation fails.
  bool ReAllocate(int n);
  // The walks behind Insert, Remove, LocateBucket and ReAllocate, over a
  // policy that gives Hash(e) and Same(stored, e): the table's own functions
  // or an inlined identity pair (defined and instantiated in the source).
  template <typename Policy>
  void* InsertWith(void* e, Policy policy);
  template <typename Policy>
  void* RemoveWith(void* e, Policy policy);
  template <typename Policy>
  Node* LocateWith(void* e, Policy policy) const;
  template <typename Policy>
  bool ReAllocateWith(int n, Policy policy);
  // Smallest m >= n that no prime p < m among 2, 3, 5, 7, 11, 13, 17, 19
  // divides: 11, 13, 17, 19, 23, 29, 31, 37, ... 529 (= 23 x 23), ...
  static int UpToNiceModulo(int n);

  CompareFunction compare_;
  HashFunction hash_;
  // One block of 3 x buckets pointer-sized words:
  //   words [0, buckets)             head of each bucket's chain (or null);
  //   words [buckets, 3 x buckets)   the pool: buckets nodes of two words.
  // Invariants:
  // - Pool nodes 0 .. count-1 are exactly the nodes reachable from the heads
  //   (the pool is compact); nodes count .. buckets-1 are garbage.
  // - Each stored element e lives in the chain of bucket hash(e) mod buckets.
  // - No two stored elements compare equal, and none is null.
  // - count <= buckets, so the load factor never exceeds 1.
  // - block is null (and buckets and count are 0) only when the very first
  //   allocation failed.
  void** block_;
  unsigned int buckets_;
  unsigned int count_;
};

/// @}

#endif  // VELA_CONTAINERS_VELAHASHTABLE_H
