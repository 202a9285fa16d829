#include "vela/containers/VelaArray.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <type_traits>
#include <utility>
#include <vector>

namespace {

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

// True while the array's elements live inside the array object itself.
template <class A>
bool UsesOwnStorage(const A& a) {
  const auto data = reinterpret_cast<std::uintptr_t>(a.GetBuffer());
  const auto self = reinterpret_cast<std::uintptr_t>(&a);
  return data >= self && data < self + sizeof(A);
}

// The growth rule: exactly what is needed on leaving the inline buffer, then
// doubling.
void Grow(int& capacity, int needed, int inlineCapacity) {
  if (capacity >= needed) return;
  if (capacity == inlineCapacity) {
    capacity = needed;
    return;
  }
  while (capacity < needed) capacity *= 2;
}

template <class T>
bool SameBits(const VelaArray<T>& a, const std::vector<T>& v) {
  return a.Size() == static_cast<int>(v.size()) &&
         (v.empty() || std::memcmp(a.GetBuffer(), v.data(), v.size() * sizeof(T)) == 0);
}

template <class T>
VelaArray<T> Filled(int n) {
  VelaArray<T> a;
  for (int k = 0; k < n; ++k) a.Append(Value<T>(k));
  return a;
}

int CompareAddresses(const void* a, const void* b) {
  const auto x = reinterpret_cast<std::uintptr_t>(a), y = reinterpret_cast<std::uintptr_t>(b);
  return x < y ? -1 : x > y ? 1 : 0;
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

template <class T>
T PoolValue(std::mt19937& rng) {
  const int k = static_cast<int>(rng() % 8);
  if constexpr (std::is_same_v<T, double>) {
    const double pool[] = {0.0, -0.0, 1.0, 2.5, -3.0, std::numeric_limits<double>::quiet_NaN(), 7.0, 1e300};
    return pool[k];
  } else if constexpr (std::is_pointer_v<T>) {
    return reinterpret_cast<T>(static_cast<std::uintptr_t>(k) * 8);
  } else {
    return static_cast<T>(k - (std::is_same_v<T, int> ? 2 : 0));
  }
}

template <class T>
struct Tracked {
  VelaArray<T> array;
  std::vector<T> model;
  int capacity = kN<T>;
};

template <class T>
void ExpectMatches(const Tracked<T>& t) {
  ASSERT_TRUE(SameBits(t.array, t.model));
  ASSERT_EQ(t.array.Capacity(), t.capacity);
  ASSERT_EQ(UsesOwnStorage(t.array), t.capacity == kN<T>);
}

template <class T>
void RunModel(unsigned seed, int steps) {
  std::mt19937 rng(seed);
  Tracked<T> arrays[2];
  auto index = [&rng](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  for (int step = 0; step < steps; ++step) {
    const int which = index(2);
    Tracked<T>& t = arrays[which];
    Tracked<T>& other = arrays[1 - which];
    VelaArray<T>& a = t.array;
    std::vector<T>& m = t.model;
    const int size = static_cast<int>(m.size());
    const T value = PoolValue<T>(rng);
    switch (index(20)) {
      case 0:
      case 1:
        a.Append(value);
        m.push_back(value);
        Grow(t.capacity, size + 1, kN<T>);
        break;
      case 2: {
        const int i = index(size + 1);
        if constexpr (std::is_pointer_v<T>) {
          a.Insert(value, i);
        } else {
          a.Insert(i, value);
        }
        m.insert(m.begin() + i, value);
        Grow(t.capacity, size + 1, kN<T>);
        break;
      }
      case 3: {
        const int i = index(size + 8);
        a.Set(i, value);
        if (i >= size) m.resize(i + 1, T());
        m[i] = value;
        Grow(t.capacity, i + 1, kN<T>);
        break;
      }
      case 4:
        if (size == 0) break;
        {
          const int i = index(size);
          if constexpr (std::is_pointer_v<T>) {
            a.RemovePosition(i);
          } else {
            (i % 2) ? a.RemoveAt(i) : a.RemovePosition(i);
          }
          m.erase(m.begin() + i);
        }
        break;
      case 5: {
        const auto hit = std::find(m.begin(), m.end(), value);
        const int expected = hit == m.end() ? -1 : static_cast<int>(hit - m.begin());
        if (hit != m.end()) m.erase(hit);
        ASSERT_EQ(a.RemoveValue(value), expected);
        break;
      }
      case 6: {
        const auto kept = std::remove_if(m.begin(), m.end(), [](const T& x) { return x == T(); });
        const int removed = static_cast<int>(m.end() - kept);
        m.erase(kept, m.end());
        ASSERT_EQ(a.RemoveNulls(), removed);
        break;
      }
      case 7: {
        const int n = index(3 * kN<T>);
        a.Resize(n, value);
        m.resize(n, value);
        Grow(t.capacity, n, kN<T>);
        break;
      }
      case 8: {
        const int n = index(4 * kN<T>);
        a.Reserve(n);
        Grow(t.capacity, n, kN<T>);
        break;
      }
      case 9:
        if constexpr (std::is_pointer_v<T>) {
          a.swap(other.array);
        } else {
          a.Swap(other.array);
        }
        std::swap(t.model, other.model);
        std::swap(t.capacity, other.capacity);
        break;
      case 10:
        a = other.array;
        m = other.model;
        Grow(t.capacity, static_cast<int>(m.size()), kN<T>);
        break;
      case 11:
        a = std::move(other.array);
        m = std::move(other.model);
        other.model.clear();
        t.capacity = other.capacity;
        other.capacity = kN<T>;
        break;
      case 12: {
        const VelaArray<T> copy(a);
        int copyCapacity = kN<T>;
        Grow(copyCapacity, size, kN<T>);
        ASSERT_EQ(copy.Capacity(), copyCapacity);
        ASSERT_TRUE(SameBits(copy, m));
        VelaArray<T> moved(std::move(a));
        ASSERT_TRUE(a.IsEmpty());
        a = std::move(moved);
        break;
      }
      case 13:
        a.RemoveAll();
        m.clear();
        break;
      case 14:
        a.Reverse();
        std::reverse(m.begin(), m.end());
        break;
      case 15: {
        const int from = index(size + 2) - 1;
        const auto hit = std::find(m.begin() + std::max(from, 0), m.end(), value);
        ASSERT_EQ(a.Locate(value, from), hit == m.end() ? -1 : static_cast<int>(hit - m.begin()));
        break;
      }
      case 16:
        if constexpr (std::is_pointer_v<T>) {
          VelaArray<T>& source = index(2) ? a : other.array;
          if (size + source.Size() > 12 * kN<T>) break;
          const std::vector<T> appended(source.begin(), source.end());
          a.Append(source);
          m.insert(m.end(), appended.begin(), appended.end());
          Grow(t.capacity, static_cast<int>(m.size()), kN<T>);
        } else {
          a.RemoveDuplicates();
          m.erase(std::unique(m.begin(), m.end()), m.end());
        }
        break;
      case 17:
        if constexpr (std::is_pointer_v<T>) {
          const bool self = index(2);
          const std::vector<T> removed = self ? m : other.model;
          int found = 0;
          for (const T& x : removed) {
            const auto hit = std::find(m.begin(), m.end(), x);
            if (hit != m.end()) m.erase(hit), ++found;
          }
          ASSERT_EQ(a.Remove(self ? a : other.array), found);
        } else {
          const int n = index(3 * kN<T>);
          a.Fill(n, value);
          m.assign(n, value);
          Grow(t.capacity, n, kN<T>);
        }
        break;
      case 18:
        if constexpr (std::is_pointer_v<T>) {
          a.QuickSort(CompareAddresses);
          std::sort(m.begin(), m.end(), [](T x, T y) { return CompareAddresses(x, y) < 0; });
          const auto low = std::lower_bound(m.begin(), m.end(), value,
                                            [](T x, T y) { return CompareAddresses(x, y) < 0; });
          const int expected = low != m.end() && *low == value ? static_cast<int>(low - m.begin()) : -1;
          ASSERT_EQ(a.BinarySearch(value, CompareAddresses), expected);
        } else {
          std::vector<T> values(m.size());
          for (T& x : values) x = PoolValue<T>(rng);
          a = values.data();
          m = values;
        }
        break;
      default:
        ASSERT_EQ(a == other.array, m == other.model);
        ASSERT_EQ(a != other.array, m != other.model);
        break;
    }
    ASSERT_NO_FATAL_FAILURE(ExpectMatches(arrays[0])) << "seed " << seed << " step " << step;
    ASSERT_NO_FATAL_FAILURE(ExpectMatches(arrays[1])) << "seed " << seed << " step " << step;
  }
}

TYPED_TEST(VelaArrayTyped, RandomOperationsMatchStdVector) {
  for (unsigned seed : {1u, 2u, 3u, 20240611u}) RunModel<TypeParam>(seed, 4000);
}

}  // namespace
