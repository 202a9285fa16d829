#include "vela/containers/VelaHashTable.h"

#include <climits>
#include <cstdint>
#include <cstdlib>

#include "vela/foundation/VelaString.h"

// ---- Hashing policies --------------------------------------------------------

namespace {
inline unsigned int AddressHash(const void* e) {
  return static_cast<unsigned int>(reinterpret_cast<std::uintptr_t>(e) >> 3);
}
}  // namespace

unsigned int VelaSimpleHashIt(void* e) { return AddressHash(e); }

int VelaSimpleHashCompare(void* a, void* b) { return a == b ? 1 : 0; }

unsigned int VelaStringPtrHashIt(void* e) {
  return VelaStringHashIt(*static_cast<const VelaString*>(e));
}

int VelaStringPtrHashCompare(void* a, void* b) {
  return VelaStringHashCompare(*static_cast<const VelaString*>(a),
                               *static_cast<const VelaString*>(b));
}

namespace {
// The smallest table; also the bucket count of a default-constructed one.
constexpr int kMinBuckets = 11;

// The chain walks are written once, over a policy type. Tables with the
// identity functions (most of them) get an inlined instance instead of two
// indirect calls per probe; any other pair goes through the pointers. Both
// instances compute the same hash values and the same equality, so the
// layout of a table does not depend on which one ran.
struct IdentityPolicy {
  unsigned int Hash(void* e) const { return AddressHash(e); }
  bool Same(void* stored, void* e) const { return stored == e; }
};

struct CallbackPolicy {
  VelaHashTable::HashFunction hash;
  VelaHashTable::CompareFunction compare;
  unsigned int Hash(void* e) const { return hash(e); }
  bool Same(void* stored, void* e) const { return compare(stored, e) != 0; }
};

#if defined(_MSC_VER)
#define VELA_HASHTABLE_NOINLINE __declspec(noinline)
#else
#define VELA_HASHTABLE_NOINLINE __attribute__((noinline))
#endif

// Out of line so that the identity path, inlined into each operation, does
// not pay the register saves that the indirect calls need.
template <typename Operation>
VELA_HASHTABLE_NOINLINE auto WithCallbacks(VelaHashTable::HashFunction hash,
                                           VelaHashTable::CompareFunction compare, Operation operation) {
  return operation(CallbackPolicy{hash, compare});
}

template <typename Operation>
auto WithPolicy(VelaHashTable::HashFunction hash, VelaHashTable::CompareFunction compare,
                Operation operation) {
  if (hash == VelaSimpleHashIt && compare == VelaSimpleHashCompare) return operation(IdentityPolicy{});
  return WithCallbacks(hash, compare, operation);
}
}  // namespace

// ---- Construction and reallocation ---------------------------------------------

// A null hash or compare function falls back to the identity policy rather
// than crashing on the first insertion.
VelaHashTable::VelaHashTable(int n, HashFunction hash, CompareFunction compare)
    : compare_(compare ? compare : VelaSimpleHashCompare),
      hash_(hash ? hash : VelaSimpleHashIt),
      block_(nullptr),
      buckets_(0),
      count_(0) {
  // A failed first allocation leaves the block null; Insert retries.
  ReAllocate(n < kMinBuckets ? kMinBuckets : n);
}

VelaHashTable::VelaHashTable() : VelaHashTable(0, VelaSimpleHashIt, VelaSimpleHashCompare) {}

VelaHashTable::~VelaHashTable() { std::free(block_); }

int VelaHashTable::UpToNiceModulo(int n) {
  static constexpr int kPrimes[] = {2, 3, 5, 7, 11, 13, 17, 19};
  // Terminates without overflow: 2^31 - 1 is prime, hence nice.
  for (int m = n;; ++m) {
    bool nice = true;
    for (int p : kPrimes) {
      if (p < m && m % p == 0) {
        nice = false;
        break;
      }
    }
    if (nice) return m;
  }
}

bool VelaHashTable::ReAllocate(int n) {
  return WithPolicy(hash_, compare_, [&](auto policy) { return ReAllocateWith(n, policy); });
}

template <typename Policy>
bool VelaHashTable::ReAllocateWith(int n, Policy policy) {
  const long long request = n >= 1 ? n : 2LL * buckets_;
  if (request > INT_MAX) return false;
  int size = UpToNiceModulo(static_cast<int>(request));
  if (size < kMinBuckets) size = kMinBuckets;
  const unsigned int buckets = static_cast<unsigned int>(size);

  void** block = static_cast<void**>(std::malloc(3 * std::size_t{buckets} * sizeof(void*)));
  if (block == nullptr) return false;
  Node** heads = reinterpret_cast<Node**>(block);
  Node* pool = reinterpret_cast<Node*>(block + buckets);
  for (unsigned int b = 0; b < buckets; ++b) heads[b] = nullptr;

  // Node i keeps element i. Prepending in reverse pool order leaves every
  // chain in ascending pool order, as appending in pool order would, without
  // walking the chains.
  const Node* old = Pool();
  for (unsigned int i = count_; i-- > 0;) {
    void* e = old[i].element;
    Node*& head = heads[policy.Hash(e) % buckets];
    pool[i] = Node{e, head};
    head = &pool[i];
  }
  std::free(block_);
  block_ = block;
  buckets_ = buckets;
  return true;
}

// ---- Changing the set -----------------------------------------------------------

// Null means absence in every result, so a null element is never stored or
// handed to the policy (the string policy would read through it).
void* VelaHashTable::Insert(void* e) {
  if (e == nullptr) return nullptr;
  return WithPolicy(hash_, compare_, [&](auto policy) { return InsertWith(e, policy); });
}

template <typename Policy>
void* VelaHashTable::InsertWith(void* e, Policy policy) {
  if (block_ == nullptr && !ReAllocateWith(kMinBuckets, policy)) return nullptr;
  const unsigned int h = policy.Hash(e);
  Node* tail = nullptr;
  for (Node* node = Heads()[h % buckets_]; node != nullptr; node = node->next) {
    if (policy.Same(node->element, e)) return node->element;
    tail = node;
  }
  if (count_ == buckets_) {
    if (!ReAllocateWith(0, policy)) return nullptr;
    // e is known to be absent: only the new chain's tail is needed.
    tail = nullptr;
    for (Node* node = Heads()[h % buckets_]; node != nullptr; node = node->next) tail = node;
  }
  Node* node = NextEmptyBucket();
  *node = Node{e, nullptr};
  (tail != nullptr ? tail->next : Heads()[h % buckets_]) = node;
  ++count_;
  return e;
}

void* VelaHashTable::Remove(void* e) {
  if (e == nullptr) return nullptr;
  return WithPolicy(hash_, compare_, [&](auto policy) { return RemoveWith(e, policy); });
}

template <typename Policy>
void* VelaHashTable::RemoveWith(void* e, Policy policy) {
  if (count_ == 0) return nullptr;
  Node** heads = Heads();
  Node** link = &heads[policy.Hash(e) % buckets_];
  while (*link != nullptr && !policy.Same((*link)->element, e)) link = &(*link)->next;
  Node* hole = *link;
  if (hole == nullptr) return nullptr;
  void* removed = hole->element;
  *link = hole->next;

  // Keep the pool compact: the last node moves into the hole, and whatever
  // pointed at it (a head or a chain predecessor) follows.
  Node* last = Pool() + (count_ - 1);
  if (last != hole) {
    Node** lastLink = &heads[policy.Hash(last->element) % buckets_];
    while (*lastLink != last) lastLink = &(*lastLink)->next;
    *lastLink = hole;
    *hole = *last;
  }
  --count_;

  // Shrink only well below a third full and only for tables of some size, so
  // that inserts and removes alternating near a threshold do not thrash. A
  // failed shrink is harmless: the old block stays.
  if (3 * count_ < buckets_ && count_ >= 12) {
    ReAllocateWith(static_cast<int>(count_ * 1.1), policy);
  }
  return removed;
}

void VelaHashTable::RemoveAll() {
  Node** heads = Heads();
  for (unsigned int b = 0; b < buckets_; ++b) heads[b] = nullptr;
  count_ = 0;
}

// ---- Looking up -------------------------------------------------------------------

void* VelaHashTable::Get(int i) const {
  if (i < 0 || static_cast<unsigned int>(i) >= count_) return nullptr;
  return Pool()[i].element;
}

VelaHashTable::Node* VelaHashTable::LocateBucket(void* e) const {
  if (e == nullptr) return nullptr;
  return WithPolicy(hash_, compare_, [&](auto policy) { return LocateWith(e, policy); });
}

template <typename Policy>
VelaHashTable::Node* VelaHashTable::LocateWith(void* e, Policy policy) const {
  if (count_ == 0) return nullptr;
  Node* node = Heads()[policy.Hash(e) % buckets_];
  while (node != nullptr && !policy.Same(node->element, e)) node = node->next;
  return node;
}

void* VelaHashTable::Locate(void* e) const {
  if (e == nullptr) return nullptr;
  const Node* node = WithPolicy(hash_, compare_, [&](auto policy) { return LocateWith(e, policy); });
  return node != nullptr ? node->element : nullptr;
}

VelaHashTable::Node* VelaHashTable::NextElem(Node* node, unsigned int h) const {
  while (node != nullptr && hash_(node->element) != h) node = node->next;
  return node;
}

void* VelaHashTable::GetFirst(unsigned int h) const {
  if (count_ == 0) return nullptr;
  const Node* node = NextElem(Heads()[h % buckets_], h);
  return node != nullptr ? node->element : nullptr;
}

void* VelaHashTable::GetNext(const void* element) const {
  // The policies take untyped mutable pointers but never write through them.
  void* e = const_cast<void*>(element);
  const Node* at = LocateBucket(e);
  if (at == nullptr) return nullptr;
  const Node* node = NextElem(at->next, hash_(e));
  return node != nullptr ? node->element : nullptr;
}

bool VelaHashTable::IsPosition(const void* p) const {
  // Compared as integers: an element's address is unrelated to the block.
  if (block_ == nullptr) return false;
  const auto address = reinterpret_cast<std::uintptr_t>(p);
  const auto first = reinterpret_cast<std::uintptr_t>(Pool());
  return address >= first && address < first + count_ * sizeof(Node) &&
         (address - first) % sizeof(Node) == 0;
}

void* VelaHashTable::GetNext(void*& cursor) const {
  if (cursor != nullptr && !IsPosition(cursor)) return GetNext(static_cast<const void*>(cursor));
  const Node* at = static_cast<const Node*>(cursor);
  unsigned int b = 0;
  if (at != nullptr) {
    if (at->next != nullptr) {
      cursor = at->next;
      return at->next->element;
    }
    b = BucketOf(at->element) + 1;
  }
  Node** heads = Heads();
  for (; b < buckets_; ++b) {
    if (heads[b] != nullptr) {
      cursor = heads[b];
      return heads[b]->element;
    }
  }
  cursor = nullptr;
  return nullptr;
}
