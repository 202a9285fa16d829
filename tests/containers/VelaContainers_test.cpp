// The containers: the arrays against std::vector, the hash table against its
// observable behaviour and the priority queue against std::set, through the
// model sequences of support/ContainerModels (shared with the containers
// fuzzer); and what the sequences do not reach: the list's and the typed
// arrays' own operations, bucket counts from the constructor, the hashing
// policies, strided insertion and the shared comparison object.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "support/ContainerModels.h"
#include "vela/containers/VelaArray.h"
#include "vela/containers/VelaBoolArray.h"
#include "vela/containers/VelaHashTable.h"
#include "vela/containers/VelaIntArray.h"
#include "vela/containers/VelaListOfDouble.h"
#include "vela/containers/VelaPriorityQueue.h"

namespace {

template <class T>
class VelaArrayTyped : public ::testing::Test {};
using ElementTypes = ::testing::Types<unsigned char, int, double, void*, std::string>;
TYPED_TEST_SUITE(VelaArrayTyped, ElementTypes, );

TYPED_TEST(VelaArrayTyped, RandomOperationsMatchStdVector) {
  for (unsigned seed : {1u, 2u, 3u}) {
    vela::test::SeededChoices choices(seed);
    EXPECT_EQ(vela::test::ArrayModel<TypeParam>(choices).Run(3000), "") << "seed " << seed;
  }
}

// The list's own names: the value before the index, zeros on growing, and
// removing a list (itself included).
TEST(VelaListOfDouble, ListOperations) {
  const double values[] = {1.5, 2.5, 3.5};
  VelaListOfDouble list(values, 3);
  list.Insert(9.0, 1);
  list.Size(5);
  list.Size(20, -1.0);
  list.Append(list);  // 40: beyond the inline 36
  EXPECT_EQ(std::vector<double>(list.begin(), list.begin() + 6), (std::vector<double>{1.5, 9.0, 2.5, 3.5, 0.0, -1.0}));
  EXPECT_EQ(list.Size() + list.Capacity() + list[39] + list[21], 40 + 40 - 1.0 + 9.0);
  EXPECT_EQ(list.Remove(VelaListOfDouble(values, 3)) + list.Remove(VelaListOfDouble(2)) * 10, 23);
  EXPECT_EQ(list.Remove(list), 35);
}

std::vector<int> Elements(const VelaIntArray& a) { return std::vector<int>(a.begin(), a.end()); }

VelaIntArray Of(const std::vector<int>& values) {
  VelaIntArray a;
  for (int v : values) a.Append(v);
  return a;
}

// Rows of the column count, grown to reach a row; copies and moves carry the
// column count; negative values of a map are ignored.
TEST(VelaIntArray, TablesAndMaps) {
  VelaIntArray table(2, 3, 7), rows, inverse, assigned(5, 5, 1), moved;
  table(1, 2) = 4;
  rows.SetDimension(4);
  EXPECT_EQ(rows.GetRow(2) - rows.GetBuffer() + rows.GetRow(1) - rows.GetBuffer(), 12);
  EXPECT_EQ(Elements(rows), std::vector<int>(12, 0));
  Of({2, -1, 0}).BuildInverseMap(4, inverse);
  EXPECT_EQ(Elements(inverse), (std::vector<int>{2, -1, 0, -1}));
  inverse.Resize(6, 1);  // new elements are 0 whatever the flag
  EXPECT_EQ(Elements(inverse), (std::vector<int>{2, -1, 0, -1, 0, 0}));
  assigned = table;
  moved = VelaIntArray(1, 6, 0);
  EXPECT_TRUE(assigned == table && assigned[5] == 4 && assigned.GetNbOfColumns() == 3 && moved.GetNbOfColumns() == 6);
}

TEST(VelaIntArray, RandomArraysAgreeWithTheStandardAlgorithms) {
  std::mt19937 random(7);
  for (int n : {0, 1, 5, 31, 32, 33, 100}) {
    std::vector<int> v(static_cast<std::size_t>(n)), s, common = {-9}, positive, flagged;
    for (int& x : v) x = static_cast<int>(random() % 21) - 5;
    VelaIntArray a = Of(v), sorted = Of(v), shifted = Of(v), out = Of({-9}), self = Of(v);
    sorted.QuickSort();
    s = Elements(sorted);
    ASSERT_TRUE(std::is_sorted(s.begin(), s.end()) && std::is_permutation(s.begin(), s.end(), v.begin()));
    for (int x = -7; x < 18; ++x) {
      const auto low = std::lower_bound(s.begin(), s.end(), x);
      ASSERT_EQ(sorted.BinarySearch(x), low != s.end() && *low == x ? low - s.begin() : -1) << x;
    }
    // Intersect appends, in this array's order, what the sorted one holds;
    // the output may be either array.
    for (int& x : shifted) {
      if (std::binary_search(s.begin(), s.end(), --x)) common.push_back(x);
    }
    shifted.Intersect(sorted, out);
    self.Intersect(sorted, self);
    a.Intersect(sorted, sorted);
    std::vector<int> twice = v;
    twice.insert(twice.end(), v.begin(), v.end());
    s.insert(s.end(), v.begin(), v.end());
    EXPECT_TRUE(Elements(out) == common && Elements(self) == twice && Elements(sorted) == s);
    VelaBoolArray flags;
    for (int k = 0; k < n; ++k) (v[k] > 0 ? positive : flagged).push_back(k), flags.Append(v[k] <= 0);
    EXPECT_EQ(out.FillIdxFrom(flags) + a.MapIdxOfPositive(), n);
    EXPECT_TRUE(Elements(out) == flagged && Elements(a) == positive);
    // The inverse of a random permutation undoes it; values beyond n are ignored.
    std::vector<int> p(v.size());
    std::iota(p.begin(), p.end(), 0);
    std::shuffle(p.begin(), p.end(), random);
    VelaIntArray map = Of(p), inv;
    map.Append(n + 3);
    map.BuildInverseMap(n, inv);
    map.BuildInverseMap(n, map);
    ASSERT_TRUE(inv.Size() == n && map.Size() == n);
    for (int k = 0; k < n; ++k) ASSERT_TRUE(inv[p[k]] == k && map[p[k]] == k);
  }
}

// Flags against a vector with a recount after every step: Set moves the count
// only on a change inside the array; negative indices and counts change
// nothing.
TEST(VelaBoolArray, RandomEditsKeepTheCountExact) {
  std::mt19937 random(11);
  VelaBoolArray flags(5, 1);
  std::vector<unsigned char> model(5, 1);
  for (int step = 0; step < 2000; ++step) {
    const unsigned char b = random() % 2;
    const int n = static_cast<int>(random() % 80) - 3, i = static_cast<int>(random() % (model.size() + 3)) - 1;
    const bool inside = i >= 0 && i < static_cast<int>(model.size());
    switch (random() % 7) {
      case 0: flags.Append(b), model.push_back(b); break;
      case 1: flags.Set(i, b), inside ? void(model[static_cast<std::size_t>(i)] = b) : void(); break;
      case 2: flags.Fill(n, b), n >= 0 ? model.assign(static_cast<std::size_t>(n), b) : void(); break;
      case 3: flags.IncreaseSize(n % 12, b), model.insert(model.end(), static_cast<std::size_t>(std::max(n % 12, 0)), b); break;
      case 4: flags.Inverse(), std::for_each(model.begin(), model.end(), [](unsigned char& f) { f = !f; }); break;
      case 5: {  // copies and moves carry the count
        VelaBoolArray copy(flags), moved(std::move(copy));
        flags = VelaBoolArray(), flags = std::move(moved);
        break;
      }
      default:  // values copied in (null: none) and recounted; an inherited removal leaves the count to Check
        if (n < 60) std::generate(model.begin(), model.end(), [&random] { return random() % 2; });
        flags.Set(n < 60 ? model.data() : nullptr);
        if (!model.empty()) flags.RemovePosition(0), model.erase(model.begin()), flags.Check();
    }
    ASSERT_EQ(std::vector<unsigned char>(flags.begin(), flags.end()), model) << step;
    ASSERT_TRUE(flags.Count() == std::count(model.begin(), model.end(), 1) && flags.IsAny() == (flags.Count() != 0)) << step;
  }
}

TEST(VelaHashTable, MatchesItsModelAcrossGrowthAndShrink) {
  for (int policy : {0, 1, 2}) {
    vela::test::SeededChoices choices(static_cast<unsigned>(policy) + 1);
    EXPECT_EQ(vela::test::RunHashTableSequence(choices, policy, 5000), "") << "policy " << policy;
  }
}

TEST(VelaHashTable, BucketCountsAndPolicies) {
  for (const auto& [n, buckets] : {std::pair{0, 11}, {5, 11}, {-3, 11}, {20, 23}, {24, 29}, {527, 529}}) {
    EXPECT_EQ(vela::test::HashTableBuckets(VelaHashTable(n, VelaSimpleHashIt, VelaSimpleHashCompare)), buckets + 0u);
  }
  EXPECT_EQ(vela::test::HashTableBuckets(VelaHashTable()) + vela::test::UpToNiceModulo(2147483646), 11u + 2147483647u);
  EXPECT_EQ(VelaSimpleHashIt(reinterpret_cast<void*>(0x1000)), 512u);
  EXPECT_EQ(VelaSimpleHashIt(reinterpret_cast<void*>(std::uintptr_t{0x7FFFFFFF8})), 0xFFFFFFFFu);
  int a = 0, b = 0;
  EXPECT_TRUE(VelaSimpleHashCompare(&a, &a) == 1 && VelaSimpleHashCompare(&a, &b) == 0);
  VelaHashTable identity(0, nullptr, nullptr);  // null policies stand for identity; null is never stored nor found
  EXPECT_TRUE(identity.Insert(&a) == &a && identity.Locate(&a) == &a && identity.GetFirst(VelaSimpleHashIt(&a)) == &a);
  EXPECT_TRUE(identity.Insert(nullptr) == nullptr && identity.Locate(nullptr) == nullptr && identity.Remove(nullptr) == nullptr);
  EXPECT_TRUE(identity.GetNext(static_cast<const void*>(nullptr)) == nullptr && identity.Size() == 1);
}

using Queue = VelaPriorityQueueWrapper<void*, VelaMore<void*>>;
using vela::test::CountingByValue;

std::vector<int> Drain(Queue q) {
  std::vector<int> out;
  for (; !q.Empty(); q.Pop()) out.push_back(*static_cast<int*>(q.Top()));
  return out;
}

TEST(VelaPriorityQueue, MatchesOrderedSetWithTheSameComparator) {
  for (unsigned seed : {5u, 6u}) {
    vela::test::SeededChoices choices(seed);
    EXPECT_EQ(vela::test::RunPriorityQueueSequence(choices, 3000), "") << "seed " << seed;
  }
}

// Insert adds every stride below the end. Copies share the comparison object,
// which dies with its last handle; a moved-to queue takes the source's
// elements and comparator, and leaves the source empty with its own former
// comparator.
TEST(VelaPriorityQueue, StridedInsertAndTheSharedComparator) {
  int alive = 0, values[12] = {0, 0, 0, 0, 7, 0, 0, 0, 3, 0, 0, 0}, one = 1, two = 2, three = 3;
  Queue ascending{VelaMore<void*>(new CountingByValue(alive))};  // the greatest value first
  Queue descending{VelaMore<void*>(new CountingByValue(alive, true))};
  ascending.Insert(values, values + 12, 16);  // values 0, 4 and 8
  ascending.Insert(values + 1, values + 1, 16);
  ascending.Insert(values + 1, values + 5, -16);
  EXPECT_EQ(Drain(ascending), (std::vector<int>{7, 3, 0}));
  Queue all{VelaMore<void*>(nullptr)};  // a null handle: every element is equivalent
  all.Push(values), all.Push(values + 4);
  EXPECT_TRUE(all.Size() == 1 && all.Top() == values);
  ascending.Clear();
  ascending.Push(&one), descending.Push(&two), descending.Push(&three);
  ascending = std::move(descending);
  descending.Push(&one), descending.Push(&three);
  EXPECT_EQ(Drain(descending), (std::vector<int>{3, 1}));
  Queue copy(ascending), moved(std::move(copy));
  EXPECT_TRUE(copy.Empty() && Drain(moved) == (std::vector<int>{2, 3}) && Drain(ascending) == Drain(moved));
  descending = ascending;
  EXPECT_EQ(alive, 1);  // the first order has lost its last handle
}

}  // namespace
