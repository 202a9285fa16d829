// The priority queue against std::set with the same comparator
// (support/ContainerModels, shared with the containers fuzzer), its strided
// insertion, and the sharing of the comparison object by copies and moves.
#include "vela/containers/VelaPriorityQueue.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "support/ContainerModels.h"

namespace {

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

TEST(VelaPriorityQueue, InsertAddsEveryStrideBelowTheEnd) {
  int alive = 0, values[12] = {0, 0, 0, 0, 7, 0, 0, 0, 3, 0, 0, 0};
  Queue q(VelaMore<void*>(new CountingByValue(alive)));
  q.Insert(values, values + 12, 16);  // values 0, 4 and 8
  q.Insert(values + 1, values + 1, 16);
  q.Insert(values + 1, values + 5, -16);
  EXPECT_EQ(Drain(q), (std::vector<int>{7, 3, 0}));
  Queue all{VelaMore<void*>(nullptr)};  // a null handle: every element is equivalent
  all.Push(values), all.Push(values + 4);
  EXPECT_TRUE(all.Size() == 1 && all.Top() == values);
}

// Two queues of opposite orders (the greatest value first, and the least).
struct VelaPriorityQueueSharing : ::testing::Test {
  VelaPriorityQueueSharing() { ascending.Push(&one), descending.Push(&two), descending.Push(&three); }
  int alive = 0, one = 1, two = 2, three = 3;
  Queue ascending{VelaMore<void*>(new CountingByValue(alive))};
  Queue descending{VelaMore<void*>(new CountingByValue(alive, true))};
};

// Copies share the comparison object, which dies with its last handle; a
// moved-to queue takes the source's elements and comparator, and leaves the
// source empty with its own former comparator.
TEST_F(VelaPriorityQueueSharing, CopiesAndMovesShareOrExchangeTheComparator) {
  ascending = std::move(descending);
  descending.Push(&one), descending.Push(&three);
  EXPECT_EQ(Drain(descending), (std::vector<int>{3, 1}));
  Queue copy(ascending), moved(std::move(copy));
  EXPECT_TRUE(copy.Empty() && Drain(moved) == (std::vector<int>{2, 3}) && Drain(ascending) == Drain(moved));
  descending = ascending;
  EXPECT_EQ(alive, 1);  // the first order has lost its last handle
}

}  // namespace
