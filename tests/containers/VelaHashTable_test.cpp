#include "vela/containers/VelaHashTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "support/ContainerModels.h"
#include "vela/foundation/VelaString.h"

// White-box view of a table: bucket count, pool and chains, and a full check
// of the layout invariants.
struct vela::detail::HashTableProbe {
  using Node = VelaHashTable::Node;

  static unsigned int Buckets(const VelaHashTable& t) { return t.buckets_; }
  static int UpToNiceModulo(int n) { return VelaHashTable::UpToNiceModulo(n); }

  static std::vector<void*> PoolOrder(const VelaHashTable& t) {
    std::vector<void*> pool;
    for (int i = 0; i < t.Size(); ++i) pool.push_back(t.Get(i));
    return pool;
  }

  static std::vector<void*> Chain(const VelaHashTable& t, unsigned int b) {
    std::vector<void*> chain;
    for (const Node* n = t.Heads()[b]; n != nullptr && chain.size() <= t.count_; n = n->next) {
      chain.push_back(n->element);
    }
    return chain;
  }

  // Empty when every invariant holds, else the first one broken.
  static std::string Check(const VelaHashTable& t) {
    if (t.block_ == nullptr) return "no block";
    if (t.count_ > t.buckets_) return "count above buckets";
    const Node* pool = t.Pool();
    std::vector<bool> seen(t.count_, false);
    unsigned int reached = 0;
    for (unsigned int b = 0; b < t.buckets_; ++b) {
      for (const Node* n = t.Heads()[b]; n != nullptr; n = n->next) {
        if (n < pool || n >= pool + t.count_) return "chain leaves the compact pool";
        const auto i = static_cast<std::size_t>(n - pool);
        if (seen[i]) return "pool node linked twice";
        seen[i] = true;
        ++reached;
        if (n->element == nullptr) return "null element";
        if (t.hash_(n->element) % t.buckets_ != b) return "element in the wrong bucket";
      }
    }
    if (reached != t.count_) return "pool node not linked";
    return "";
  }

  // Chains are in ascending pool order right after a reallocation.
  static bool ChainsInPoolOrder(const VelaHashTable& t) {
    for (unsigned int b = 0; b < t.buckets_; ++b) {
      for (const Node* n = t.Heads()[b]; n != nullptr && n->next != nullptr; n = n->next) {
        if (n->next < n) return false;
      }
    }
    return true;
  }
};

namespace {

using Probe = vela::detail::HashTableProbe;

// Addressable slots: distinct, 8-byte aligned element pointers.
std::vector<void*> Slots(std::vector<std::uint64_t>& storage) {
  std::vector<void*> out;
  for (auto& s : storage) out.push_back(&s);
  return out;
}

// Few distinct hash values, so chains hold several elements of one hash and
// of different hashes that share a bucket.
unsigned int CoarseHash(void* e) { return VelaSimpleHashIt(e) % 40u; }

TEST(VelaHashTable, BucketCountsAreNiceModuli) {
  const int requests[][2] = {{0, 11}, {5, 11}, {-3, 11}, {20, 23}, {24, 29}};
  for (const auto& [n, buckets] : requests) {
    const VelaHashTable t(n, VelaSimpleHashIt, VelaSimpleHashCompare);
    EXPECT_EQ(Probe::Buckets(t), static_cast<unsigned>(buckets)) << n;
    EXPECT_EQ(Probe::Check(t), "");
  }
  EXPECT_EQ(Probe::Buckets(VelaHashTable()), 11u);
  std::vector<int> nice;
  for (int m = 11; m <= 53; m = Probe::UpToNiceModulo(m) + 1) nice.push_back(Probe::UpToNiceModulo(m));
  EXPECT_EQ(nice, (std::vector<int>{11, 13, 17, 19, 23, 29, 31, 37, 41, 43, 47, 53}));
  EXPECT_EQ(Probe::UpToNiceModulo(527), 529);  // 23 x 23: no table prime divides it
  EXPECT_EQ(Probe::UpToNiceModulo(2147483646), 2147483647);  // no overflow at the top
}

TEST(VelaHashTable, SimpleHashDropsAlignmentBits) {
  EXPECT_EQ(VelaSimpleHashIt(reinterpret_cast<void*>(0x1000)), 512u);
  EXPECT_EQ(VelaSimpleHashIt(reinterpret_cast<void*>(std::uintptr_t{0x7FFFFFFF8})), 0xFFFFFFFFu);
  EXPECT_EQ(VelaSimpleHashIt(reinterpret_cast<void*>(std::uintptr_t{0x800000000})), 0u);
  int a = 0, b = 0;
  EXPECT_EQ(VelaSimpleHashCompare(&a, &a), 1);
  EXPECT_EQ(VelaSimpleHashCompare(&a, &b), 0);
}

TEST(VelaHashTable, EqualElementsShareOneEntryAndNullIsNeverStored) {
  VelaHashTable t;
  int a = 0;
  EXPECT_EQ(t.Remove(&a), nullptr);  // empty table
  EXPECT_EQ(t.Insert(&a), &a);
  EXPECT_EQ(t.Insert(&a), &a);
  EXPECT_EQ(t.Size(), 1);
  EXPECT_EQ(t.Remove(&a), &a);
  EXPECT_EQ(t.Size(), 0);
  EXPECT_EQ(Probe::Check(t), "");

  VelaString first("key"), twin("key"), other("kez");
  VelaHashTable names(0, VelaStringPtrHashIt, VelaStringPtrHashCompare);
  EXPECT_EQ(names.Insert(&first), &first);
  EXPECT_EQ(names.Insert(&twin), &first);
  EXPECT_EQ(names.Size(), 1);
  EXPECT_EQ(names.Locate(&other), nullptr);
  EXPECT_EQ(names.Remove(&twin), &first);
  EXPECT_EQ(names.Insert(nullptr), nullptr);
  EXPECT_EQ(names.Size(), 0);
  EXPECT_EQ(names.Locate(nullptr), nullptr);
  EXPECT_EQ(names.Remove(nullptr), nullptr);
  EXPECT_EQ(names.GetNext(static_cast<const void*>(nullptr)), nullptr);

  VelaHashTable identity(0, nullptr, nullptr);  // null policies stand for identity
  EXPECT_EQ(identity.Insert(&a), &a);
  EXPECT_EQ(identity.Locate(&a), &a);
  EXPECT_EQ(identity.GetFirst(VelaSimpleHashIt(&a)), &a);
}

TEST(VelaHashTable, TwelfthElementGrowsToUpToNiceModuloOfDouble) {
  std::vector<std::uint64_t> storage(12);
  const auto slots = Slots(storage);
  VelaHashTable t;
  for (int i = 0; i < 11; ++i) t.Insert(slots[i]);
  EXPECT_EQ(Probe::Buckets(t), 11u);
  EXPECT_EQ(t.Insert(slots[11]), slots[11]);
  EXPECT_EQ(Probe::Buckets(t), 23u);
  for (void* e : slots) EXPECT_EQ(t.Locate(e), e);
}

TEST(VelaHashTable, ShrinksBelowAThirdOnlyFromTwelveElements) {
  std::vector<std::uint64_t> storage(16);
  const auto s = Slots(storage);
  // 15 x 1.1 = 16.5 -> 17; 11 left is too small to shrink; 12 x 1.1 = 13.2 -> 13.
  const int cases[][2] = {{16, 17}, {12, 47}, {13, 13}};
  for (const auto& [filled, buckets] : cases) {
    VelaHashTable t(47, VelaSimpleHashIt, VelaSimpleHashCompare);
    for (int i = 0; i < filled; ++i) t.Insert(s[i]);
    ASSERT_EQ(Probe::Buckets(t), 47u);
    t.Remove(s[0]);
    EXPECT_EQ(Probe::Buckets(t), static_cast<unsigned>(buckets)) << filled;
    for (int i = 1; i < filled; ++i) EXPECT_EQ(t.Locate(s[i]), s[i]);
    EXPECT_EQ(Probe::Check(t), "");
  }
}

TEST(VelaHashTable, RemoveAllKeepsTheBucketCount) {
  std::vector<std::uint64_t> storage(30);
  const auto s = Slots(storage);
  VelaHashTable t;
  for (void* e : s) t.Insert(e);
  const unsigned int buckets = Probe::Buckets(t);
  t.RemoveAll();
  EXPECT_EQ(t.Size(), 0);
  EXPECT_EQ(Probe::Buckets(t), buckets);
  void* cursor = nullptr;
  EXPECT_EQ(t.GetNext(cursor), nullptr);
  for (void* e : s) EXPECT_EQ(t.Locate(e), nullptr);
  EXPECT_EQ(t.Insert(s[3]), s[3]);
  EXPECT_EQ(Probe::Check(t), "");
}

TEST(VelaHashTable, WalksSkipOtherHashesAndCursorWalkRestarts) {
  // Hashes 3, 14 and 25 share bucket 3 of 11; the walk for 3 must skip the others.
  struct Item {
    unsigned int hash;
  };
  Item items[] = {{3}, {14}, {3}, {25}, {0}};
  auto hash = [](void* e) { return static_cast<Item*>(e)->hash; };
  VelaHashTable t(0, hash, VelaSimpleHashCompare);
  for (Item& item : items) t.Insert(&item);
  std::vector<void*> walk;  // an Item* walk reaches the element form (the model uses void*)
  for (Item* e = static_cast<Item*>(t.GetFirst(3)); e; e = static_cast<Item*>(t.GetNext(e))) walk.push_back(e);
  EXPECT_EQ(walk, (std::vector<void*>{&items[0], &items[2]}));
  EXPECT_EQ(t.GetFirst(36), nullptr);  // bucket 3 too, but no such hash
  Item stranger{3};
  EXPECT_EQ(t.GetNext(&stranger), nullptr);  // not stored

  walk.clear();
  void* cursor = nullptr;
  while (void* e = t.GetNext(cursor)) {
    walk.push_back(e);
    EXPECT_NE(cursor, e);  // a position, not the element
  }
  EXPECT_EQ(walk, (std::vector<void*>{&items[4], &items[0], &items[1], &items[2], &items[3]}));
  EXPECT_EQ(cursor, nullptr);
  EXPECT_EQ(t.GetNext(cursor), &items[4]);  // a finished walk starts again
}

// ---- Model-based sequences ------------------------------------------------------------

// The exact layout behind the public behaviour that the shared sequence
// checks: pool order, each bucket's chain, the bucket count after every
// growth and shrink step, and the cursor walk's order.
class LayoutModel : public vela::test::HashTableObserver {
 public:
  explicit LayoutModel(VelaHashTable::HashFunction hash) : hash_(hash) {}

  void Before(const VelaHashTable& t) override { bucketsBefore_ = Probe::Buckets(t); }

  std::string Inserted(const VelaHashTable& t, void* e) override {
    if (pool_.size() == chains_.size()) {
      ++grows;
      if (Probe::Buckets(t) != static_cast<unsigned>(Probe::UpToNiceModulo(2 * static_cast<int>(bucketsBefore_)))) {
        return "growth to " + std::to_string(Probe::Buckets(t)) + " buckets";
      }
      if (!Probe::ChainsInPoolOrder(t)) return "chains out of pool order after growth";
      Rebuild(Probe::Buckets(t));
    }
    pool_.push_back(e);
    chains_[hash_(e) % chains_.size()].push_back(e);
    return "";
  }

  std::string Removed(const VelaHashTable& t, void* stored) override {
    auto& chain = chains_[hash_(stored) % chains_.size()];
    chain.erase(std::find(chain.begin(), chain.end(), stored));
    *std::find(pool_.begin(), pool_.end(), stored) = pool_.back();
    pool_.pop_back();
    const unsigned int count = static_cast<unsigned int>(pool_.size());
    if (3 * count < bucketsBefore_ && count >= 12) {
      ++shrinks;
      const int request = static_cast<int>(count * 1.1);
      if (Probe::Buckets(t) != static_cast<unsigned>(std::max(11, Probe::UpToNiceModulo(request)))) {
        return "shrink to " + std::to_string(Probe::Buckets(t)) + " buckets";
      }
      if (!Probe::ChainsInPoolOrder(t)) return "chains out of pool order after shrinking";
      Rebuild(Probe::Buckets(t));
    }
    return "";
  }

  std::string Check(const VelaHashTable& t) override {
    const std::string broken = Probe::Check(t);
    if (!broken.empty()) return broken;
    if (Probe::Buckets(t) != chains_.size()) return "bucket count differs";
    if (Probe::PoolOrder(t) != pool_) return "pool order differs";
    for (unsigned int b = 0; b < chains_.size(); ++b) {
      if (Probe::Chain(t, b) != chains_[b]) return "chain " + std::to_string(b) + " differs";
    }
    // Cursor walk: buckets in order, each chain in order.
    std::vector<void*> expected;
    for (const auto& chain : chains_) expected.insert(expected.end(), chain.begin(), chain.end());
    std::vector<void*> walked;
    void* cursor = nullptr;
    while (void* x = t.GetNext(cursor)) walked.push_back(x);
    return walked == expected ? "" : "cursor walk order differs";
  }

  int grows = 0;
  int shrinks = 0;

 private:
  void Rebuild(unsigned int buckets) {
    chains_.assign(buckets, {});
    for (void* e : pool_) chains_[hash_(e) % buckets].push_back(e);
  }

  VelaHashTable::HashFunction hash_;
  unsigned int bucketsBefore_ = 0;
  std::vector<void*> pool_;
  std::vector<std::vector<void*>> chains_{11};
};

template <typename Key, typename KeyOf>
void RunModelSequence(const std::vector<void*>& universe, VelaHashTable::HashFunction hash,
                      VelaHashTable::CompareFunction compare, KeyOf keyOf, unsigned seed, int steps) {
  vela::test::SeededChoices choices(seed);
  LayoutModel layout(hash);
  ASSERT_EQ((vela::test::RunHashTableSequence<Key>(choices, universe, hash, compare, keyOf, steps, &layout)), "");
  // The sequence must have crossed both thresholds many times.
  EXPECT_GE(layout.grows, 20);
  EXPECT_GE(layout.shrinks, 20);
}

TEST(VelaHashTable, IdentityPolicyMatchesModelAcrossGrowthAndShrink) {
  std::vector<std::uint64_t> storage(600);
  const auto universe = Slots(storage);
  for (unsigned seed : {1u, 2u, 3u}) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    RunModelSequence<void*>(universe, VelaSimpleHashIt, VelaSimpleHashCompare, [](void* e) { return e; },
                            seed, 12000);
  }
}

TEST(VelaHashTable, CollidingHashesMatchModel) {
  std::vector<std::uint64_t> storage(400);
  const auto universe = Slots(storage);
  RunModelSequence<void*>(universe, CoarseHash, VelaSimpleHashCompare, [](void* e) { return e; }, 7u, 12000);
}

TEST(VelaHashTable, StringPolicyMatchesModelWithTwinKeys) {
  // Objects i and i + 300 carry the same text: either one finds the other.
  std::vector<VelaString> texts;
  for (int copy = 0; copy < 2; ++copy) {
    for (int i = 0; i < 300; ++i) texts.emplace_back(("name" + std::to_string(i * 7919 % 1000)).c_str());
  }
  std::vector<void*> universe;
  for (auto& s : texts) universe.push_back(&s);
  RunModelSequence<std::string>(universe, VelaStringPtrHashIt, VelaStringPtrHashCompare,
                                [](void* e) { return std::string(*static_cast<VelaString*>(e)); }, 11u, 12000);
}

}  // namespace
