#include "vela/containers/VelaListOfDouble.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

std::vector<double> Elements(const VelaListOfDouble& l) { return std::vector<double>(l.begin(), l.end()); }

TEST(VelaListOfDouble, ConstructAppendInsertAndSize) {
  EXPECT_EQ(Elements(VelaListOfDouble(3)), std::vector<double>(3, 0.0));
  EXPECT_TRUE(VelaListOfDouble().IsEmpty());
  const double values[] = {1.5, 2.5, 3.5};
  VelaListOfDouble list(values, 3);
  list.Insert(9.0, 1);  // value first, then index
  list.Append(4.5);
  EXPECT_EQ(Elements(list), (std::vector<double>{1.5, 9.0, 2.5, 3.5, 4.5}));
  list.Size(7);
  EXPECT_EQ(list.Size(), 7);
  EXPECT_EQ(list[6], 0.0);
  list.Size(8, -1.0);
  EXPECT_EQ(list.Back(), -1.0);
  list.Size(2);
  EXPECT_EQ(Elements(list), (std::vector<double>{1.5, 9.0}));
}

TEST(VelaListOfDouble, AppendListIncludingItselfAcrossInlineCapacity) {
  VelaListOfDouble list;
  for (int k = 0; k < 20; ++k) list.Append(k);
  list.Append(list);  // 40 elements: leaves the 36-element inline buffer
  ASSERT_EQ(list.Size(), 40);
  EXPECT_EQ(list.Capacity(), 40);
  for (int k = 0; k < 40; ++k) ASSERT_EQ(list[k], k % 20) << k;
  VelaListOfDouble other(2);
  other.Append(list);
  EXPECT_EQ(other.Size(), 42);
}

TEST(VelaListOfDouble, LocateAndRemoveCompareExactly) {
  const double values[] = {0.0, 2.0, -0.0, std::nan(""), 2.0};
  VelaListOfDouble list(values, 5);
  EXPECT_EQ(list.Locate(2.0, 2), 4);
  EXPECT_EQ(list.Locate(std::nan(""), 0), -1);
  EXPECT_EQ(list.Locate(-0.0, 1), 2);
  EXPECT_EQ(list.RemoveValue(2.0), 1);
  EXPECT_EQ(list.RemoveValue(7.0), -1);
  EXPECT_EQ(list.RemoveNulls(), 2);
  ASSERT_EQ(list.Size(), 2);
  EXPECT_TRUE(std::isnan(list[0]));
  EXPECT_EQ(list[1], 2.0);
}

TEST(VelaListOfDouble, RemoveOtherListAndItself) {
  const double mine[] = {1, 2, 1, 3};
  const double theirs[] = {1, 4, 3, 1, 1};
  VelaListOfDouble list(mine, 4);
  EXPECT_EQ(list.Remove(VelaListOfDouble(theirs, 5)), 3);
  EXPECT_EQ(Elements(list), (std::vector<double>{2}));
  VelaListOfDouble all(mine, 4);
  EXPECT_EQ(all.Remove(all), 4);
  EXPECT_TRUE(all.IsEmpty());
}

}  // namespace
