#include "vela/containers/VelaBoolArray.h"

#include <gtest/gtest.h>

#include <random>
#include <utility>
#include <vector>

namespace {

TEST(VelaBoolArray, SetMovesTheCountOnlyOnChangeAndInsideTheArray) {
  VelaBoolArray flags(5, 0);
  flags.Set(1, 1);
  flags.Set(1, 1);
  flags.Set(3, 1);
  EXPECT_EQ(flags.Count(), 2);
  flags.Inverse();
  EXPECT_EQ(flags.Count(), 3);
  EXPECT_EQ(flags.IsSet(0), 1);
  EXPECT_EQ(flags[1], 0);
  flags.Set(7, 1);
  flags.Set(-1, 0);
  EXPECT_EQ(flags.Size(), 5);
  EXPECT_EQ(flags.Count(), 3);
}

TEST(VelaBoolArray, NegativeCountsChangeNothing) {
  EXPECT_EQ(VelaBoolArray(70, 1).Count(), 70);
  EXPECT_EQ(VelaBoolArray(-2, 1).Size(), 0);
  VelaBoolArray flags(3, 1);
  flags.Fill(-1, 0);
  flags.IncreaseSize(-5, 1);
  EXPECT_EQ(flags.Size(), 3);
  EXPECT_EQ(flags.Count(), 3);
}

TEST(VelaBoolArray, SetFromValuesAndCheckRecount) {
  VelaBoolArray flags(4, 0);
  const unsigned char values[] = {1, 0, 1, 1, 1};
  flags.Set(values);
  EXPECT_EQ(flags.Count(), 3);
  EXPECT_EQ(flags.Size(), 4);
  flags.Set(static_cast<const unsigned char*>(nullptr));
  EXPECT_EQ(flags.Count(), 3);
  flags.RemovePosition(0);  // inherited: leaves the count behind
  EXPECT_EQ(flags.Count(), 3);
  flags.Check();
  EXPECT_EQ(flags.Count(), 2);
}

TEST(VelaBoolArray, CopiesAndMovesCarryTheCount) {
  VelaBoolArray flags(100, 1);
  VelaBoolArray copy(flags);
  VelaBoolArray moved(std::move(copy));
  EXPECT_EQ(moved.Count(), 100);
  EXPECT_EQ(copy.Count(), 0);
  EXPECT_EQ(copy.Size(), 0);
  VelaBoolArray assigned;
  assigned = moved;
  EXPECT_EQ(assigned.Count(), 100);
  assigned = VelaBoolArray(2, 0);
  EXPECT_EQ(assigned.Count(), 0);
}

TEST(VelaBoolArray, RandomEditsKeepTheCountExact) {
  std::mt19937 rng(11);
  VelaBoolArray flags;
  std::vector<unsigned char> model;
  for (int step = 0; step < 3000; ++step) {
    const unsigned char b = rng() % 2;
    const int n = static_cast<int>(rng() % 80);
    switch (rng() % 6) {
      case 0:
        flags.Append(b);
        model.push_back(b);
        break;
      case 1: {
        const int i = static_cast<int>(rng() % (model.size() + 3));
        flags.Set(i, b);
        if (i < static_cast<int>(model.size())) model[i] = b;
        break;
      }
      case 2:
        flags.Fill(n, b);
        model.assign(n, b);
        break;
      case 3:
        flags.IncreaseSize(n % 10, b);
        model.insert(model.end(), n % 10, b);
        break;
      case 4:
        flags.Inverse();
        for (unsigned char& f : model) f = !f;
        break;
      default:
        if (model.size() > 200) {
          flags.Fill(0, 0);
          model.clear();
        }
        break;
    }
    ASSERT_EQ(std::vector<unsigned char>(flags.begin(), flags.end()), model);
    int expected = 0;
    for (unsigned char f : model) expected += f;
    ASSERT_EQ(flags.Count(), expected) << step;
    ASSERT_EQ(flags.IsAny(), expected != 0);
  }
}

}  // namespace
