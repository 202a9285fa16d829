#include "vela/containers/VelaArray.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <type_traits>
#include <utility>
#include <vector>

#include "support/ContainerModels.h"

namespace {

using vela::test::CompareAddresses;
using vela::test::Grow;
using vela::test::SameBits;
using vela::test::UsesOwnStorage;

template <class T>
constexpr int kN = VelaArray<T>::InlineCapacity;

// Distinct non-zero value number k of each element type.
template <class T>
T Value(int k) {
  if constexpr (std::is_pointer_v<T>) {
    return reinterpret_cast<T>(static_cast<std::uintptr_t>(k + 1) * 16);
  } else if constexpr (std::is_same_v<T, unsigned char>) {
    return static_cast<T>(k % 250 + 1);
  } else {
    return static_cast<T>(k + 1);
  }
}

template <class T>
VelaArray<T> Filled(int n) {
  VelaArray<T> a;
  for (int k = 0; k < n; ++k) a.Append(Value<T>(k));
  return a;
}

template <class T>
class VelaArrayTyped : public ::testing::Test {};
using ElementTypes = ::testing::Types<unsigned char, int, double, void*>;
TYPED_TEST_SUITE(VelaArrayTyped, ElementTypes, );

TYPED_TEST(VelaArrayTyped, AppendAndInsertFollowTheGrowthRuleAtEveryLength) {
  using T = TypeParam;
  for (const bool atFront : {false, true}) {
    VelaArray<T> a;
    std::vector<T> model;
    int capacity = kN<T>;
    for (int len = 1; len <= 5 * kN<T> + 3; ++len) {
      const T v = Value<T>(len);
      if (atFront) {
        a.insert(a.begin(), v);
        model.insert(model.begin(), v);
      } else {
        a.Append(v);
        model.push_back(v);
      }
      Grow(capacity, len, kN<T>);
      ASSERT_EQ(a.Capacity(), capacity) << len;
      ASSERT_EQ(UsesOwnStorage(a), capacity == kN<T>);
      ASSERT_TRUE(SameBits(a, model)) << len;
    }
  }
}

TYPED_TEST(VelaArrayTyped, ElementOfTheArrayCanBeAddedWhileItGrows) {
  using T = TypeParam;
  // Full arrays: the inline buffer, then a heap block of exactly N + 1 that
  // growing frees (the sanitizer build sees any read from it).
  for (const int n : {kN<T>, kN<T> + 1}) {
    for (const bool insert : {false, true}) {
      VelaArray<T> a = Filled<T>(n);
      ASSERT_EQ(a.Capacity(), n);
      const T expected = insert ? Value<T>(n - 1) : Value<T>(0);
      if (insert) {
        a.insert(a.begin(), a[n - 1]);
      } else {
        a.push_back(a[0]);
      }
      ASSERT_EQ(a.Size(), n + 1);
      EXPECT_EQ(a[0], expected);
      EXPECT_EQ(a[n], expected);
    }
  }
}

// Self-assignment, self-move, Reserve(-1) and the moved block's identity lie
// outside the randomised model below.
TYPED_TEST(VelaArrayTyped, SelfAssignmentNegativeReserveAndMovedBlock) {
  using T = TypeParam;
  VelaArray<T> a = Filled<T>(2 * kN<T>);
  const int capacity = a.Capacity();
  a.Reserve(-1);
  VelaArray<T>& alias = a;
  a = alias;
  a = std::move(alias);
  EXPECT_EQ(a.Capacity(), capacity);
  EXPECT_TRUE(a == Filled<T>(2 * kN<T>));

  const T* block = a.GetBuffer();
  VelaArray<T> taker(std::move(a));
  EXPECT_EQ(taker.GetBuffer(), block);
  EXPECT_TRUE(a.IsEmpty());
  EXPECT_EQ(a.Capacity(), kN<T>);
  EXPECT_TRUE(UsesOwnStorage(a));
  VelaArray<T> small = Filled<T>(5);
  taker = std::move(small);  // frees the block it held
  small.Append(Value<T>(99));
  EXPECT_TRUE(UsesOwnStorage(taker));
  EXPECT_TRUE(taker == Filled<T>(5));
}

TEST(VelaArray, PointerCapacitiesRunSixteenSeventeenThenDouble) {
  VelaArray<void*> a;
  std::vector<int> seen;
  for (int k = 0; k < 140; ++k) {
    a.Append(nullptr);
    if (seen.empty() || seen.back() != a.Capacity()) seen.push_back(a.Capacity());
  }
  EXPECT_EQ(seen, (std::vector<int>{16, 17, 34, 68, 136, 272}));
}

TEST(VelaArray, RemovalsTakeFirstMatchesZerosAndRepeats) {
  const int values[] = {4, 7, 4, 2};
  VelaArray<int> a(4, values);
  EXPECT_EQ(a.RemoveValue(5), -1);
  EXPECT_EQ(a.RemoveValue(4), 0);
  const int rest[] = {7, 4, 2};
  EXPECT_TRUE(a == VelaArray<int>(3, rest));

  const double doubles[] = {0.0, 1.0, -0.0, std::nan("")};
  VelaArray<double> d(4, doubles);
  EXPECT_EQ(d.RemoveNulls(), 2);
  ASSERT_EQ(d.Size(), 2);
  EXPECT_EQ(d[0], 1.0);
  EXPECT_TRUE(std::isnan(d[1]));

  const int repeats[] = {1, 1, 2, 1};
  VelaArray<int> r(4, repeats);
  r.RemoveDuplicates();
  const int unique[] = {1, 2, 1};
  EXPECT_TRUE(r == VelaArray<int>(3, unique));

  VelaArray<void*> self = Filled<void*>(4);
  EXPECT_EQ(self.Remove(self), 4);
  EXPECT_TRUE(self.IsEmpty());
}

TEST(VelaArray, LocateAndBinarySearchFailAtTheEnds) {
  const unsigned char values[] = {3, 5, 3};
  VelaArray<unsigned char> a(3, values);
  EXPECT_EQ(a.Locate(3, -4), 0);
  EXPECT_EQ(a.Locate(3, a.Size()), -1);
  EXPECT_EQ(a.Locate(3, 100), -1);
  VelaArray<void*> empty;
  EXPECT_EQ(empty.BinarySearch(Value<void*>(1), CompareAddresses), -1);
  const VelaArray<void*> one = Filled<void*>(1);
  EXPECT_EQ(one.BinarySearch(Value<void*>(0), nullptr), -1);
}

TEST(VelaArray, AppendingAnArrayToItselfCopiesEachElementOnce) {
  for (int n : {0, 1, 8, 9, 16, 17, 40}) {
    VelaArray<void*> a = Filled<void*>(n);
    a.Append(a);
    ASSERT_EQ(a.Size(), 2 * n);
    for (int k = 0; k < 2 * n; ++k) ASSERT_EQ(a[k], Value<void*>(k % n)) << n;
  }
}

TEST(VelaArray, ConstructorsSetFillAndResizeIgnoreBadCounts) {
  VelaArray<int> set;
  set.Set(5, 9);
  EXPECT_TRUE(set == VelaArray<int>(6, std::vector<int>{0, 0, 0, 0, 0, 9}.data()));
  set.Set(-1, 4);
  EXPECT_EQ(set.Size(), 6);

  EXPECT_EQ(VelaArray<double>(3, 0).Size(), 3);  // a literal 0 is the value
  const VelaArray<void*> nulls(20);
  EXPECT_EQ(nulls.Capacity(), 20);
  EXPECT_EQ(std::count(nulls.begin(), nulls.end(), nullptr), 20);
  EXPECT_TRUE(VelaArray<int>(-2, 1).IsEmpty());

  VelaArray<int> a(3, 1);
  const int values[] = {7, 8, 9, 10};
  a = values;
  a = static_cast<const int*>(nullptr);
  const int expected[] = {7, 8, 9};
  EXPECT_TRUE(a == VelaArray<int>(3, expected));
  a.Fill(-1, 3);
  EXPECT_TRUE(a == VelaArray<int>(3, expected));
  a.Resize(1, 0);
  a.Size(3, 6);
  const int resized[] = {7, 6, 6};
  EXPECT_TRUE(a == VelaArray<int>(3, resized));
  EXPECT_EQ(a.Front(), 7);
  EXPECT_EQ(a.Back(), 6);
}

// ---- Model-based sequences against std::vector ----------------------------------

TYPED_TEST(VelaArrayTyped, RandomOperationsMatchStdVector) {
  for (unsigned seed : {1u, 2u, 3u, 20240611u}) {
    vela::test::SeededChoices choices(seed);
    ASSERT_EQ(vela::test::ArrayModel<TypeParam>(choices).Run(4000), "") << "seed " << seed;
  }
}

}  // namespace
