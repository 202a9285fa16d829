#include "vela/containers/VelaIntArray.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "vela/containers/VelaBoolArray.h"

namespace {

std::vector<int> Elements(const VelaIntArray& a) { return std::vector<int>(a.begin(), a.end()); }

VelaIntArray Of(std::initializer_list<int> values) {
  VelaIntArray a;
  for (int v : values) a.Append(v);
  return a;
}

TEST(VelaIntArray, TableAccessAndGetRowUseTheColumnCount) {
  VelaIntArray table(2, 3, 7);
  EXPECT_EQ(table.Size(), 6);
  table(1, 2) = 4;
  EXPECT_EQ(table[5], 4);
  table.SetDimension(0);
  EXPECT_EQ(table.GetNbOfColumns(), 3);
  table.SetDimension(2);
  EXPECT_EQ(static_cast<const VelaIntArray&>(table)(2, 1), 4);
  EXPECT_EQ(VelaIntArray(3, 0, 1).GetNbOfColumns(), 1);
  EXPECT_EQ(VelaIntArray(4, 9).GetNbOfColumns(), 1);

  VelaIntArray a;
  a.SetDimension(4);
  int* row = a.GetRow(2);
  EXPECT_EQ(row, a.GetBuffer() + 8);
  EXPECT_EQ(Elements(a), std::vector<int>(12, 0));
  row[3] = 5;
  EXPECT_EQ(a.GetRow(1), a.GetBuffer() + 4);  // already covered: no growth
  EXPECT_EQ(a.Size(), 12);
  EXPECT_EQ(a(2, 3), 5);
  EXPECT_EQ(a.GetRow(-1), nullptr);
}

TEST(VelaIntArray, CopyAndMoveCarryTheColumnCount) {
  const VelaIntArray table(40, 2, 1);
  VelaIntArray assigned;
  assigned = table;
  EXPECT_EQ(assigned.GetNbOfColumns(), 2);
  EXPECT_TRUE(assigned == table);
  VelaIntArray copy(table);
  VelaIntArray moved(std::move(copy));
  EXPECT_EQ(moved.GetNbOfColumns(), 2);
  assigned = VelaIntArray(1, 5, 0);
  EXPECT_EQ(assigned.GetNbOfColumns(), 5);
}

TEST(VelaIntArray, FillAndResizeIgnoreBadCountsAndTheFlag) {
  VelaIntArray a = Of({1, 2});
  a.Fill(-1, 9);
  a.Resize(-3, 0);
  a.Resize(4, 1);
  EXPECT_EQ(Elements(a), (std::vector<int>{1, 2, 0, 0}));
  a.Fill(3, 9);
  EXPECT_EQ(Elements(a), (std::vector<int>{9, 9, 9}));
}

TEST(VelaIntArray, SortedSetOperations) {
  VelaIntArray a = Of({9, 5, 1, 5});
  a.QuickSort();
  EXPECT_EQ(Elements(a), (std::vector<int>{1, 5, 5, 9}));
  const int searches[][2] = {{5, 1}, {9, 3}, {1, 0}, {4, -1}, {10, -1}, {0, -1}};
  for (const auto& [v, index] : searches) EXPECT_EQ(a.BinarySearch(v), index) << v;
  EXPECT_EQ(VelaIntArray().BinarySearch(5), -1);
  a.RemoveDuplicates();
  EXPECT_EQ(Elements(a), (std::vector<int>{1, 5, 9}));
  EXPECT_EQ(a.Locate(9, 1), 2);
  EXPECT_EQ(a.Locate(1, 1), -1);
}

TEST(VelaIntArray, IntersectAppendsCommonElementsInThisOrder) {
  const VelaIntArray sorted = Of({2, 4, 6, 8});
  VelaIntArray out = Of({-1});
  Of({8, 3, 2, 8}).Intersect(sorted, out);
  EXPECT_EQ(Elements(out), (std::vector<int>{-1, 8, 2, 8}));

  VelaIntArray self = Of({4, 5, 6});
  self.Intersect(sorted, self);  // output is the receiver
  EXPECT_EQ(Elements(self), (std::vector<int>{4, 5, 6, 4, 6}));
  VelaIntArray set = Of({2, 4, 6, 8});
  Of({6, 1, 2}).Intersect(set, set);  // output is the searched set
  EXPECT_EQ(Elements(set), (std::vector<int>{2, 4, 6, 8, 6, 2}));
}

TEST(VelaIntArray, IndexMapsFromFlagsAndPositiveValues) {
  VelaBoolArray flags(70, 0);
  for (int k : {0, 3, 33, 69}) flags.Set(k, 1);
  VelaIntArray idx = Of({7, 7});
  EXPECT_EQ(idx.FillIdxFrom(flags), 4);
  EXPECT_EQ(Elements(idx), (std::vector<int>{0, 3, 33, 69}));
  EXPECT_EQ(idx.FillIdxFrom(VelaBoolArray()), 0);
  EXPECT_TRUE(idx.IsEmpty());

  VelaIntArray values = Of({0, 3, -1, 2});
  EXPECT_EQ(values.MapIdxOfPositive(), 2);
  EXPECT_EQ(Elements(values), (std::vector<int>{1, 3}));
}

TEST(VelaIntArray, BuildInverseMapMarksMissingIndicesWithMinusOne) {
  VelaIntArray inv = Of({5, 5, 5, 5, 5, 5});
  Of({2, -1, 0}).BuildInverseMap(4, inv);
  EXPECT_EQ(Elements(inv), (std::vector<int>{2, -1, 0, -1}));

  VelaIntArray kept = Of({9, 9, 9});
  Of({1, 7, -3}).BuildInverseMap(-1, kept);  // kept as is; 7 and -3 are out of range
  EXPECT_EQ(Elements(kept), (std::vector<int>{9, 0, 9}));
  VelaIntArray perm = Of({2, 0, 1});
  perm.BuildInverseMap(3, perm);
  EXPECT_EQ(Elements(perm), (std::vector<int>{1, 2, 0}));
}

TEST(VelaIntArray, InverseMapUndoesARandomPermutation) {
  std::mt19937 rng(7);
  for (int n : {0, 1, 31, 32, 33, 100}) {
    std::vector<int> p(n);
    for (int k = 0; k < n; ++k) p[k] = k;
    std::shuffle(p.begin(), p.end(), rng);
    VelaIntArray map, inverse;
    for (int v : p) map.Append(v);
    map.BuildInverseMap(n, inverse);
    ASSERT_EQ(inverse.Size(), n);
    for (int k = 0; k < n; ++k) ASSERT_EQ(inverse[map[k]], k);
  }
}

}  // namespace
