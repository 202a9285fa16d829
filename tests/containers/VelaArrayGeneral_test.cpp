// The general form of VelaArray (element types that are not bit-copied) and
// the typed-pointer arrays: a random sequence of operations checked against
// std::vector after every step, with an element type that tracks every live
// object so that each one is seen constructed once and destroyed once.
#include "vela/containers/VelaArray.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

// An element that registers itself while alive. Copying, moving, assigning
// or destroying an object that is not alive (raw or already destroyed
// storage) fails the test, and so does leaving any object alive.
class Tracked {
 public:
  static std::set<const Tracked*>& Live() {
    static std::set<const Tracked*> live;
    return live;
  }

  Tracked() : Tracked(0) {}
  explicit Tracked(int v) : value_(v) { Enter(); }
  Tracked(const Tracked& o) : value_(o.Checked()) { Enter(); }
  Tracked(Tracked&& o) noexcept : value_(o.Checked()) {
    o.value_ = kMovedFrom;
    Enter();
  }
  Tracked& operator=(const Tracked& o) {
    Checked();
    value_ = o.Checked();
    return *this;
  }
  Tracked& operator=(Tracked&& o) noexcept {
    Checked();
    value_ = o.Checked();
    if (&o != this) o.value_ = kMovedFrom;
    return *this;
  }
  ~Tracked() { EXPECT_EQ(Live().erase(this), 1u) << "destroyed twice or never constructed"; }

  bool operator==(const Tracked& o) const { return Checked() == o.Checked(); }

 private:
  static constexpr int kMovedFrom = -7777;
  void Enter() { EXPECT_TRUE(Live().insert(this).second) << "constructed over a live object"; }
  int Checked() const {
    EXPECT_EQ(Live().count(this), 1u) << "use of an object that is not alive";
    return value_;
  }
  int value_;
};

template <class T>
T Make(int k);
template <>
Tracked Make<Tracked>(int k) {
  return Tracked(k);
}
template <>
std::string Make<std::string>(int k) {
  // Long enough to live on the heap, so a bitwise copy would be caught by
  // the sanitizer build as a double free.
  return "element number " + std::to_string(k) + " of the general-form model test";
}


// The capacity the growth rule gives without an inline buffer.
int Grown(int capacity, int needed) {
  if (capacity >= needed) return capacity;
  if (capacity == 0) return needed;
  while (capacity < needed) capacity *= 2;
  return capacity;
}

template <class T>
void ExpectSame(const VelaArray<T>& a, const std::vector<T>& model, int step) {
  ASSERT_EQ(a.Size(), static_cast<int>(model.size())) << "step " << step;
  ASSERT_GE(a.Capacity(), a.Size());
  EXPECT_EQ(a.IsEmpty(), model.empty());
  EXPECT_EQ(a.end() - a.begin(), a.Size());
  for (int i = 0; i < a.Size(); ++i) {
    ASSERT_TRUE(a[i] == model[static_cast<std::size_t>(i)]) << "step " << step << " index " << i;
  }
  if (!model.empty()) {
    EXPECT_TRUE(a.Front() == model.front());
    EXPECT_TRUE(a.Back() == model.back());
  }
}

template <class T>
class VelaArrayGeneralTyped : public ::testing::Test {};
using GeneralTypes = ::testing::Types<Tracked, std::string>;
TYPED_TEST_SUITE(VelaArrayGeneralTyped, GeneralTypes, );

TYPED_TEST(VelaArrayGeneralTyped, RandomOperationsMatchStdVector) {
  using T = TypeParam;
  static_assert(VelaArray<T>::InlineCapacity == 0, "the general form has no inline buffer");
  for (unsigned seed : {1u, 2u, 3u, 4u}) {
    std::mt19937 rng(seed);
    VelaArray<T> a;
    std::vector<T> model;
    int next = 0;
    int capacity = 0;  // what the growth rule predicts
    for (int step = 0; step < 1500; ++step) {
      const int n = a.Size();
      const auto pick = [&](int bound) { return static_cast<int>(rng() % static_cast<unsigned>(bound)); };
      switch (pick(16)) {
        case 0:
        case 1: {
          const T v = Make<T>(next++);
          a.Append(v);
          model.push_back(v);
          capacity = Grown(capacity, n + 1);
          break;
        }
        case 2: {
          a.Append(Make<T>(next));
          model.push_back(Make<T>(next++));
          capacity = Grown(capacity, n + 1);
          break;
        }
        case 3:  // an element of the array itself, also when the append grows
          if (n > 0) {
            const int i = pick(n);
            model.push_back(model[static_cast<std::size_t>(i)]);
            a.Append(a[i]);
            capacity = Grown(capacity, n + 1);
          }
          break;
        case 4: {
          const int i = pick(n + 1);
          a.Insert(i, Make<T>(next));
          model.insert(model.begin() + i, Make<T>(next++));
          capacity = Grown(capacity, n + 1);
          break;
        }
        case 5:  // an element of the array itself, inserted anywhere
          if (n > 0) {
            const int i = pick(n);
            const int j = pick(n + 1);
            model.insert(model.begin() + j, model[static_cast<std::size_t>(i)]);
            a.Insert(j, a[i]);
            capacity = Grown(capacity, n + 1);
          }
          break;
        case 6:
        case 7:
          if (n > 0) {
            const int i = pick(n);
            a.RemovePosition(i);
            model.erase(model.begin() + i);
          }
          break;
        case 8: {
          const int i = pick(n + 4);
          a.Set(i, Make<T>(next));
          if (i >= n) model.resize(static_cast<std::size_t>(i) + 1);
          model[static_cast<std::size_t>(i)] = Make<T>(next++);
          capacity = Grown(capacity, i + 1);
          break;
        }
        case 9: {
          const int size = pick(n + 6);
          a.Resize(size, Make<T>(next));
          model.resize(static_cast<std::size_t>(size), Make<T>(next++));
          capacity = Grown(capacity, size);
          break;
        }
        case 10: {  // copy construction, copy assignment, then a move back
          ExpectSame(VelaArray<T>(n, model.data()), model, step);
          VelaArray<T> copy(a);
          ExpectSame(copy, model, step);
          VelaArray<T> assigned;
          assigned.Append(Make<T>(-1));
          assigned = copy;
          ExpectSame(assigned, model, step);
          const T* block = copy.GetBuffer();
          a = std::move(copy);
          EXPECT_EQ(a.GetBuffer(), block);  // the block is handed over
          EXPECT_EQ(copy.Size(), 0);
          EXPECT_EQ(copy.Capacity(), 0);
          capacity = a.Capacity();
          EXPECT_EQ(capacity, Grown(0, n));
          break;
        }
        case 11: {  // swap with a second array, checked, and back
          VelaArray<T> other(2, Make<T>(next++));
          a.Swap(other);
          ExpectSame(other, model, step);
          EXPECT_EQ(a.Size(), 2);
          other.Swap(a);
          break;
        }
        case 12:
          if (n > 0) {
            const int i = pick(n);
            const T v = a[i];
            const int where = static_cast<int>(std::find(model.begin(), model.end(), v) - model.begin());
            EXPECT_EQ(a.Locate(v), where);
            EXPECT_EQ(a.RemoveValue(v), where);
            model.erase(model.begin() + where);
          }
          EXPECT_EQ(a.RemoveValue(Make<T>(-5)), -1);
          break;
        case 13:
          a.Reverse();
          std::reverse(model.begin(), model.end());
          break;
        case 14:
          if (pick(4) == 0) {
            a.RemoveAll();
            model.clear();
          } else {
            const int size = pick(5);
            a.Fill(size, Make<T>(next));
            model.assign(static_cast<std::size_t>(size), Make<T>(next++));
            capacity = Grown(capacity, size);
          }
          break;
        default: {
          const int room = pick(2 * n + 3);
          a.Reserve(room);
          capacity = Grown(capacity, room);
          break;
        }
      }
      EXPECT_EQ(a.Capacity(), capacity) << "step " << step;
      ExpectSame(a, model, step);
      if (::testing::Test::HasFatalFailure()) return;
    }
  }
  EXPECT_TRUE(Tracked::Live().empty()) << Tracked::Live().size() << " objects never destroyed";
}

TEST(VelaArrayGeneral, EveryTrackedElementIsDestroyedExactlyOnce) {
  {
    VelaArray<Tracked> a;
    for (int k = 0; k < 40; ++k) a.Append(Tracked(k));  // several reallocations
    EXPECT_EQ(Tracked::Live().size(), 40u);
    VelaArray<Tracked> b(a);
    a.RemovePosition(0);
    a.Insert(3, Tracked(99));
    b = std::move(a);
    EXPECT_EQ(Tracked::Live().size(), 40u);
    b.Append(b.Front());
    b.Resize(5, Tracked());
    EXPECT_EQ(Tracked::Live().size(), 5u);
    b.RemoveAll();
    EXPECT_TRUE(Tracked::Live().empty());
    EXPECT_EQ(b.Capacity(), 64);  // a's block (1, 2, 4, ..., 64), kept when emptied
  }
  EXPECT_TRUE(Tracked::Live().empty());
}

TEST(VelaArrayGeneral, NestedArraysCopyDeeplyAndMoveBlocks) {
  int x = 0;
  int y = 0;
  VelaArray<VelaArray<int*>> outer;
  for (int k = 0; k < 5; ++k) outer.Append(VelaArray<int*>(k * 10, &x));  // inline and heap rows
  VelaArray<VelaArray<int*>> copy(outer);
  copy[4].Set(0, &y);
  copy[1].Append(&y);
  EXPECT_EQ(outer[4][0], &x);
  EXPECT_EQ(outer[1].Size(), 10);
  EXPECT_EQ(copy[1].Size(), 11);
  EXPECT_NE(copy[4].GetBuffer(), outer[4].GetBuffer());
  EXPECT_FALSE(copy == outer);
  copy[4].Set(0, &x);
  copy[1].RemovePosition(10);
  EXPECT_TRUE(copy == outer);

  const VelaArray<int*>* rows = outer.GetBuffer();
  VelaArray<VelaArray<int*>> moved(std::move(outer));
  EXPECT_EQ(moved.GetBuffer(), rows);
  EXPECT_TRUE(outer.IsEmpty());
  EXPECT_EQ(outer.Capacity(), 0);
  EXPECT_EQ(moved[3].Size(), 30);
}

struct Node {
  int key;
};

int CompareNodes(const void* a, const void* b) {
  return static_cast<const Node*>(a)->key - static_cast<const Node*>(b)->key;
}

TEST(VelaArrayGeneral, TypedPointersAreTheUntypedArrayWithTypes) {
  static_assert(sizeof(VelaArray<Node*>) == sizeof(VelaArray<void*>), "same layout");
  static_assert(VelaArray<Node*>::InlineCapacity == 16, "same inline capacity");
  std::vector<Node> nodes(40);
  VelaArray<Node*> a;
  std::vector<int> capacities;
  for (int k = 0; k < 40; ++k) {
    nodes[static_cast<std::size_t>(k)].key = (k * 17) % 40;
    a.Append(&nodes[static_cast<std::size_t>(k)]);
    if (capacities.empty() || capacities.back() != a.Capacity()) capacities.push_back(a.Capacity());
  }
  EXPECT_EQ(capacities, (std::vector<int>{16, 17, 34, 68}));
  a.QuickSort(CompareNodes);
  for (int k = 0; k < 40; ++k) EXPECT_EQ(a[k]->key, k);
  Node key{23};
  EXPECT_EQ(a.BinarySearch(&key, CompareNodes), 23);
  key.key = 40;
  EXPECT_EQ(a.BinarySearch(&key, CompareNodes), -1);

  VelaArray<Node*> nulls(3);
  nulls.Insert(a[5], 1);
  nulls.Append(nulls);
  EXPECT_EQ(nulls.Size(), 8);
  EXPECT_EQ(nulls.RemoveNulls(), 6);
  EXPECT_EQ(nulls.Size(), 2);
  EXPECT_EQ(a.Remove(nulls), 1);  // the second copy of a[5] is no longer there
  EXPECT_EQ(a.Size(), 39);
}

}  // namespace
