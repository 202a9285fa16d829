#include "vela/containers/VelaPriorityQueue.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "support/ContainerModels.h"

namespace {

using Queue = VelaPriorityQueueWrapper<void*, VelaMore<void*>>;

using vela::test::CountingByValue;

class ByAddress : public VelaMoreComparison<void*> {
 public:
  bool less(void* const& a, void* const& b) const override {
    return reinterpret_cast<std::uintptr_t>(a) < reinterpret_cast<std::uintptr_t>(b);
  }
};

// Pops a copy of q empty, giving the elements from greatest to least.
std::vector<void*> Drain(const Queue& q) {
  Queue copy(q);
  std::vector<void*> out;
  while (!copy.Empty()) {
    out.push_back(copy.Top());
    copy.Pop();
  }
  return out;
}

TEST(VelaPriorityQueue, TopIsTheGreatestAndEquivalentsAreIgnored) {
  int alive = 0;
  int three = 3, seven = 7, five = 5, twin = 5, absent = 4;
  Queue q(VelaMore<void*>(new CountingByValue(alive)));
  for (int* e : {&three, &seven, &five, &twin}) q.Push(e);
  EXPECT_EQ(q.Size(), 3);
  EXPECT_EQ(q.Top(), &seven);
  q.Pop();
  EXPECT_EQ(q.Top(), &five);  // the first one queued stays
  q.Remove(&absent);
  EXPECT_EQ(Drain(q), (std::vector<void*>{&five, &three}));
  q.Remove(&twin);  // removes the queued equivalent
  EXPECT_EQ(Drain(q), (std::vector<void*>{&three}));

  Queue all{VelaMore<void*>(nullptr)};  // a null handle: every element is equivalent
  all.Push(&three);
  all.Push(&seven);
  EXPECT_EQ(all.Size(), 1);
  EXPECT_EQ(all.Top(), &three);
}

TEST(VelaPriorityQueue, InsertAddsEveryStrideBelowTheEnd) {
  alignas(16) unsigned char block[64];
  auto at = [&](int offset) { return static_cast<void*>(block + offset); };
  Queue q(VelaMore<void*>(new ByAddress));
  q.Insert(at(0), at(48), 16);
  EXPECT_EQ(Drain(q), (std::vector<void*>{at(32), at(16), at(0)}));
  Queue ragged(VelaMore<void*>(new ByAddress));
  ragged.Insert(at(0), at(40), 16);  // not a multiple: stops below last
  EXPECT_EQ(Drain(ragged), (std::vector<void*>{at(32), at(16), at(0)}));
  Queue empty(VelaMore<void*>(new ByAddress));
  empty.Insert(at(0), at(0), 16);
  empty.Insert(at(0), at(48), 0);
  empty.Insert(at(0), at(48), -16);
  empty.Insert(at(48), at(0), 16);
  EXPECT_TRUE(empty.Empty());
}

// ---- Sharing the comparison object ------------------------------------------------

TEST(VelaPriorityQueue, ComparisonObjectDiesWithItsLastHandle) {
  int alive = 0;
  auto* comparison = new CountingByValue(alive);
  EXPECT_EQ(comparison->GetRefCount(), 0u);  // a new object holds no reference
  {
    VelaMore<void*> handle(comparison);
    EXPECT_EQ(comparison->GetRefCount(), 1u);
    {
      VelaMore<void*> copy = handle;
      VelaMore<void*>& alias = copy;
      copy = handle;  // same object: no change
      copy = alias;
      EXPECT_EQ(comparison->GetRefCount(), 2u);
    }
    EXPECT_EQ(comparison->GetRefCount(), 1u);
    auto* queue = new Queue(handle);
    EXPECT_GT(comparison->GetRefCount(), 1u);
    {
      VelaMore<void*> gone = std::move(handle);  // handles only copy
    }
    EXPECT_EQ(alive, 1);
    {
      Queue copied(*queue);
      Queue moved(std::move(copied));
    }
    EXPECT_EQ(alive, 1);
    delete queue;
    EXPECT_EQ(alive, 1);  // `handle` still holds it
  }
  EXPECT_EQ(alive, 0);

  // A temporary handle: the queue alone keeps the object alive.
  auto* queue = new Queue(VelaMore<void*>(new CountingByValue(alive)));
  EXPECT_EQ(alive, 1);
  Queue survivor(*queue);
  delete queue;
  EXPECT_EQ(alive, 1);
  survivor = Queue(VelaMore<void*>(new ByAddress));  // drops the last share
  EXPECT_EQ(alive, 0);
}

// Two queues of opposite orders: ascending holds 1, descending 2 and 3.
struct VelaPriorityQueueAssignment : ::testing::Test {
  VelaPriorityQueueAssignment() {
    ascending.Push(&one);
    descending.Push(&two);
    descending.Push(&three);
  }
  int alive = 0;
  int one = 1, two = 2, three = 3;
  Queue ascending{VelaMore<void*>(new CountingByValue(alive))};
  Queue descending{VelaMore<void*>(new CountingByValue(alive, true))};
};

TEST_F(VelaPriorityQueueAssignment, CopyAssignmentTakesTheSourceOrder) {
  ascending = descending;
  EXPECT_EQ(alive, 1);  // the ascending order lost its last handle
  EXPECT_EQ(Drain(ascending), (std::vector<void*>{&two, &three}));
  ascending.Push(&one);
  EXPECT_EQ(ascending.Top(), &one);
  EXPECT_EQ(descending.Size(), 2);  // the source is untouched

  const Queue& self = ascending;
  ascending = self;
  EXPECT_EQ(Drain(ascending), (std::vector<void*>{&one, &two, &three}));
}

TEST_F(VelaPriorityQueueAssignment, MoveAssignmentSwapsComparatorsAndEmptiesTheSource) {
  ascending = std::move(descending);
  EXPECT_EQ(alive, 2);
  EXPECT_EQ(Drain(ascending), (std::vector<void*>{&two, &three}));
  EXPECT_TRUE(descending.Empty());
  // The source now orders by the target's former comparator (ascending).
  descending.Push(&one);
  descending.Push(&three);
  EXPECT_EQ(descending.Top(), &three);

  Queue moved(std::move(ascending));
  EXPECT_TRUE(ascending.Empty());
  EXPECT_EQ(Drain(moved), (std::vector<void*>{&two, &three}));
  ascending.Push(&one);  // a moved-from queue keeps its (descending) comparator
  ascending.Push(&three);
  EXPECT_EQ(ascending.Top(), &one);

  Queue& self = moved;
  moved = std::move(self);
  EXPECT_EQ(moved.Size(), 2);
}

// ---- Model --------------------------------------------------------------------------

TEST(VelaPriorityQueue, MatchesOrderedSetWithTheSameComparator) {
  for (unsigned seed : {5u, 6u}) {
    vela::test::SeededChoices choices(seed);
    EXPECT_EQ(vela::test::RunPriorityQueueSequence(choices, 5000), "") << "seed " << seed;
  }
}

}  // namespace
