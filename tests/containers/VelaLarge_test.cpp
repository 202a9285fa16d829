// The arrays and the hash table at a million elements: growth, copies,
// sorts, searches and whole-table walks stay near-linear and need no deep
// call stack.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "vela/containers/VelaArray.h"
#include "vela/containers/VelaBoolArray.h"
#include "vela/containers/VelaHashTable.h"
#include "vela/containers/VelaIntArray.h"
#include "vela/containers/VelaListOfDouble.h"
#include "vela/foundation/VelaString.h"

namespace {

constexpr int kCount = 1000000;

// A permutation of 0 .. n-1 (7919 is prime and does not divide n).
int Scrambled(int i) { return static_cast<int>((static_cast<long long>(i) * 7919) % kCount); }

int CompareAddresses(const void* a, const void* b) { return a < b ? -1 : a > b ? 1 : 0; }

TEST(VelaLarge, ArraysOfAMillionElements) {
  VelaIntArray ints;
  for (int i = 0; i < kCount; ++i) ints.Append(Scrambled(i));
  VelaIntArray copy(ints);
  copy.QuickSort();
  for (int i = 0; i < kCount; ++i) ASSERT_EQ(copy[i], i);
  EXPECT_EQ(copy.BinarySearch(kCount - 1), kCount - 1);
  VelaIntArray inverse, common;
  ints.BuildInverseMap(kCount, inverse);
  EXPECT_EQ(inverse[Scrambled(kCount - 1)], kCount - 1);
  ints.Intersect(copy, common);
  EXPECT_EQ(common.Size(), kCount);
  for (int i = 0; i < kCount; ++i) copy.Append(Scrambled(i));  // each value twice
  copy.QuickSort();
  copy.RemoveDuplicates();
  EXPECT_EQ(copy.Size(), kCount);

  VelaBoolArray flags;
  for (int i = 0; i < kCount; ++i) flags.Append(static_cast<unsigned char>(i % 3 == 0));
  EXPECT_EQ(flags.Count(), (kCount + 2) / 3);
  EXPECT_EQ(ints.FillIdxFrom(flags), (kCount + 2) / 3);
  EXPECT_EQ(ints.Back(), kCount - 1);

  VelaListOfDouble list;
  for (int i = 0; i < kCount / 2; ++i) list.Append(0.5 * i);
  list.Append(list);
  list.Insert(-1.0, 0);
  ASSERT_EQ(list.Size(), kCount + 1);
  EXPECT_EQ(list.Locate(0.5 * (kCount / 2 - 1), kCount / 2 + 1), kCount);
  list.RemovePosition(0);
  list.Reverse();
  EXPECT_EQ(list.Front(), 0.5 * (kCount / 2 - 1));

  // Pointers and a general (one by one constructed) element type.
  std::vector<int> storage(kCount);
  VelaArray<int*> pointers;
  for (int i = 0; i < kCount; ++i) pointers.Append(&storage[static_cast<std::size_t>(Scrambled(i))]);
  pointers.QuickSort(CompareAddresses);
  EXPECT_EQ(pointers.BinarySearch(&storage[12345], CompareAddresses), 12345);
  VelaArray<VelaString> names;
  for (int i = 0; i < kCount; ++i) names.Append(VelaString(i % 2 ? "odd" : "even"));
  VelaArray<VelaString> moved(std::move(names));
  VelaArray<VelaString> copied(moved);
  copied.Insert(0, VelaString("first"));
  ASSERT_EQ(copied.Size(), kCount + 1);
  EXPECT_EQ(std::string(copied[kCount].str()), "odd");
}

// Both hashing policies: a million distinct elements go in once, are found,
// walked over, and leave, the table shrinking on the way.
TEST(VelaLarge, HashTablesOfAMillionElements) {
  std::vector<VelaString> names;
  names.reserve(kCount);
  for (int i = 0; i < kCount; ++i) names.emplace_back(("n" + std::to_string(i)).c_str());
  std::vector<VelaString> twins(names);  // equal strings at other addresses
  const struct {
    VelaHashTable::HashFunction hash;
    VelaHashTable::CompareFunction compare;
    bool byName;
  } policies[] = {{VelaSimpleHashIt, VelaSimpleHashCompare, false},
                  {VelaStringPtrHashIt, VelaStringPtrHashCompare, true}};
  for (const auto& policy : policies) {
    SCOPED_TRACE(policy.byName);
    VelaHashTable table(0, policy.hash, policy.compare);
    for (VelaString& s : names) ASSERT_EQ(table.Insert(&s), &s);
    ASSERT_EQ(table.Size(), kCount);
    for (int i = 0; i < kCount; i += 7) {
      VelaString& key = policy.byName ? twins[static_cast<std::size_t>(i)] : names[static_cast<std::size_t>(i)];
      ASSERT_EQ(table.Locate(&key), &names[static_cast<std::size_t>(i)]) << i;
      ASSERT_EQ(table.Insert(&key), &names[static_cast<std::size_t>(i)]) << i;
    }
    int walked = 0;
    void* cursor = nullptr;
    while (table.GetNext(cursor)) ++walked;
    EXPECT_EQ(walked, kCount);
    for (int i = 0; i < kCount; i += 2)
      ASSERT_EQ(table.Remove(&names[static_cast<std::size_t>(i)]), &names[static_cast<std::size_t>(i)]);
    EXPECT_EQ(table.Size(), kCount / 2);
    EXPECT_EQ(table.Locate(&names[0]), nullptr);
    EXPECT_EQ(table.Locate(&names[1]), &names[1]);
    for (int i = 1; i < kCount; i += 2) table.Remove(&names[static_cast<std::size_t>(i)]);
    EXPECT_EQ(table.Size(), 0);
  }
}

}  // namespace
