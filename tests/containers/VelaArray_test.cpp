// The array family against std::vector: the model sequence (shared with the
// containers fuzzer) over the four bit-copied element types and the general
// form, and the documented examples.
#include "vela/containers/VelaArray.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "support/ContainerModels.h"
#include "vela/containers/VelaListOfDouble.h"

namespace {

template <class A>
auto Elements(const A& a) {
  return std::vector<std::decay_t<decltype(*a.begin())>>(a.begin(), a.end());
}

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

TEST(VelaArray, DocumentedExamples) {
  VelaArray<void*> pointers;
  std::vector<int> capacities;
  for (int k = 0; k < 140; ++k) {
    pointers.Append(nullptr);
    if (capacities.empty() || capacities.back() != pointers.Capacity()) capacities.push_back(pointers.Capacity());
  }
  EXPECT_EQ(capacities, (std::vector<int>{16, 17, 34, 68, 136, 272}));
  EXPECT_EQ(pointers.Remove(pointers), 140);
  EXPECT_EQ(pointers.BinarySearch(nullptr, vela::test::CompareAddresses), -1);
  VelaArray<int> ints;
  ints.Set(5, 9);
  EXPECT_EQ(Elements(ints), (std::vector<int>{0, 0, 0, 0, 0, 9}));
  EXPECT_EQ(ints.Locate(9, ints.Size()), -1);
  const int repeats[] = {1, 1, 2, 1};
  VelaArray<int> set(4, repeats);
  set.RemoveDuplicates();
  EXPECT_EQ(Elements(set), (std::vector<int>{1, 2, 1}));
  const double zeros[] = {0.0, -0.0, 1.0, std::nan("")};
  VelaArray<double> doubles(4, zeros);
  EXPECT_EQ(doubles.RemoveNulls(), 2);
  EXPECT_TRUE(doubles.Size() == 2 && doubles[0] == 1.0 && std::isnan(doubles[1]));
}

// The list's own names: the value before the index, zeros on growing, and
// appending or removing a list (itself included).
TEST(VelaListOfDouble, ListOperations) {
  const double values[] = {1.5, 2.5, 3.5};
  VelaListOfDouble list(values, 3);
  list.Insert(9.0, 1);
  list.Size(5);
  list.Size(6, -1.0);
  EXPECT_EQ(Elements(list), (std::vector<double>{1.5, 9.0, 2.5, 3.5, 0.0, -1.0}));
  for (int k = 0; k < 14; ++k) list.Append(k);
  list.Append(list);  // 40 elements: beyond the inline 36, exactly
  EXPECT_EQ(list.Size() + list.Capacity() + list[39] + list[20], 40 + 40 + 13.0 + 1.5);
  EXPECT_EQ(list.Remove(VelaListOfDouble(values, 3)), 3);
  EXPECT_EQ(list.Remove(VelaListOfDouble(2)), 2);
  EXPECT_EQ(list.Remove(list), 35);
  EXPECT_TRUE(list.IsEmpty());
}

}  // namespace
