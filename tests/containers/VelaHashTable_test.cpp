// The hash table against a model of its exact layout under three policies
// (support/ContainerModels, shared with the containers fuzzer), and what the
// sequence does not reach: bucket counts from the constructor, the policies'
// functions, null elements and null policies.
#include "vela/containers/VelaHashTable.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "support/ContainerModels.h"

namespace {

TEST(VelaHashTable, MatchesItsLayoutModelAcrossGrowthAndShrink) {
  for (int policy : {0, 1, 2}) {
    vela::test::SeededChoices choices(static_cast<unsigned>(policy) + 1);
    EXPECT_EQ(vela::test::RunHashTableSequence(choices, policy, 5000), "") << "policy " << policy;
  }
}

TEST(VelaHashTable, BucketCountsAndPolicies) {
  for (const auto& [n, buckets] : {std::pair{0, 11}, {5, 11}, {-3, 11}, {20, 23}, {24, 29}, {527, 529}}) {
    EXPECT_EQ(vela::test::HashTableBuckets(VelaHashTable(n, VelaSimpleHashIt, VelaSimpleHashCompare)), buckets + 0u);
  }
  EXPECT_EQ(vela::test::HashTableBuckets(VelaHashTable()), 11u);
  EXPECT_EQ(vela::test::UpToNiceModulo(2147483646), 2147483647);  // no overflow at the top
  int a = 0, b = 0;
  EXPECT_EQ(VelaSimpleHashIt(reinterpret_cast<void*>(0x1000)), 512u);
  EXPECT_EQ(VelaSimpleHashIt(reinterpret_cast<void*>(std::uintptr_t{0x7FFFFFFF8})), 0xFFFFFFFFu);
  EXPECT_TRUE(VelaSimpleHashCompare(&a, &a) == 1 && VelaSimpleHashCompare(&a, &b) == 0);
  VelaHashTable identity(0, nullptr, nullptr);  // null policies stand for identity
  EXPECT_TRUE(identity.Insert(&a) == &a && identity.Locate(&a) == &a && identity.GetFirst(VelaSimpleHashIt(&a)) == &a);
  // Null is absence: never stored, never found.
  EXPECT_TRUE(identity.Insert(nullptr) == nullptr && identity.Locate(nullptr) == nullptr && identity.Remove(nullptr) == nullptr);
  EXPECT_TRUE(identity.GetNext(static_cast<const void*>(nullptr)) == nullptr && identity.Size() == 1);
}

}  // namespace
