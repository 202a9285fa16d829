// The integer array's table access and index-map and sorted-set operations,
// and the flag array's running count, on random arrays against the
// standard algorithms, plus the documented examples.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <vector>

#include "vela/containers/VelaBoolArray.h"
#include "vela/containers/VelaIntArray.h"

namespace {

std::vector<int> Elements(const VelaIntArray& a) { return std::vector<int>(a.begin(), a.end()); }

VelaIntArray Of(const std::vector<int>& values) {
  VelaIntArray a;
  for (int v : values) a.Append(v);
  return a;
}

TEST(VelaIntArray, DocumentedExamples) {
  VelaIntArray table(2, 3, 7), rows;
  table(1, 2) = 4;
  rows.SetDimension(4);
  EXPECT_EQ(rows.GetRow(2) - rows.GetBuffer(), 8);
  EXPECT_EQ(rows.GetRow(1) - rows.GetBuffer(), 4);  // no growth
  EXPECT_EQ(Elements(rows), std::vector<int>(12, 0));
  EXPECT_TRUE(table.Size() == 6 && table[5] == 4);
  EXPECT_TRUE(Of({1, 5, 5, 9}).BinarySearch(5) == 1 && VelaIntArray().BinarySearch(5) == -1);
  VelaIntArray positive = Of({0, 3, -1, 2}), inverse;
  EXPECT_EQ(positive.MapIdxOfPositive(), 2);
  Of({2, -1, 0}).BuildInverseMap(4, inverse);
  positive.Resize(4, 1);  // new elements are 0 whatever the flag
  EXPECT_EQ(Elements(positive), (std::vector<int>{1, 3, 0, 0}));
  EXPECT_EQ(Elements(inverse), (std::vector<int>{2, -1, 0, -1}));
  // Copies and moves carry the column count; a copy assigned over keeps no
  // trace of the old one.
  VelaIntArray assigned(5, 5, 1), moved;
  assigned = table;
  moved = VelaIntArray(1, 6, 0);
  EXPECT_TRUE(assigned == table && assigned.GetNbOfColumns() == 3 && moved.GetNbOfColumns() == 6 && moved.Size() == 6);
}

TEST(VelaIntArray, RandomArraysAgreeWithTheStandardAlgorithms) {
  std::mt19937 random(7);
  for (int n : {0, 1, 5, 31, 32, 33, 100}) {
    std::vector<int> v(static_cast<std::size_t>(n));
    for (int& x : v) x = static_cast<int>(random() % 21) - 5;
    VelaIntArray a = Of(v), sorted = Of(v), shifted = Of(v), out = Of({-9}), self = Of(v);
    std::vector<int> s = v, common = {-9}, positive, flagged;
    sorted.QuickSort();
    std::sort(s.begin(), s.end());
    ASSERT_EQ(Elements(sorted), s);
    for (int x = -7; x < 18; ++x) {
      const auto low = std::lower_bound(s.begin(), s.end(), x);
      ASSERT_EQ(sorted.BinarySearch(x), low != s.end() && *low == x ? low - s.begin() : -1) << x;
    }
    // Intersect appends, in this array's order, what the sorted one holds;
    // the output may be either array.
    for (int& x : shifted) {
      if (std::binary_search(s.begin(), s.end(), --x)) common.push_back(x);
    }
    shifted.Intersect(sorted, out);
    self.Intersect(sorted, self);
    a.Intersect(sorted, sorted);
    EXPECT_EQ(Elements(out), common);
    std::vector<int> twice = v;
    twice.insert(twice.end(), v.begin(), v.end());
    s.insert(s.end(), v.begin(), v.end());
    EXPECT_EQ(Elements(self), twice);
    EXPECT_EQ(Elements(sorted), s);
    for (int k = 0; k < n; ++k) (v[k] > 0 ? positive : flagged).push_back(k);
    VelaBoolArray flags;
    for (int x : v) flags.Append(x <= 0);
    EXPECT_EQ(out.FillIdxFrom(flags), static_cast<int>(flagged.size()));
    EXPECT_EQ(Elements(out), flagged);
    EXPECT_EQ(a.MapIdxOfPositive(), static_cast<int>(positive.size()));
    EXPECT_EQ(Elements(a), positive);
    // The inverse of a random permutation undoes it; values beyond n are ignored.
    std::vector<int> p(v.size());
    std::iota(p.begin(), p.end(), 0);
    std::shuffle(p.begin(), p.end(), random);
    VelaIntArray map = Of(p), inv;
    map.Append(n + 3);
    map.BuildInverseMap(n, inv);
    ASSERT_EQ(inv.Size(), n);
    for (int k = 0; k < n; ++k) ASSERT_EQ(inv[map[k]], k);
    map.BuildInverseMap(n, map);
    for (int k = 0; k < n; ++k) ASSERT_EQ(map[p[k]], k);
  }
}

// Flags against a vector with a recount after every step: Set moves the count
// only on a change inside the array; negative indices and counts change
// nothing.
TEST(VelaBoolArray, RandomEditsKeepTheCountExact) {
  std::mt19937 random(11);
  VelaBoolArray flags(5, 1);
  std::vector<unsigned char> model(5, 1);
  for (int step = 0; step < 2000; ++step) {
    const unsigned char b = random() % 2;
    const int n = static_cast<int>(random() % 80) - 3, i = static_cast<int>(random() % (model.size() + 3)) - 1;
    const bool inside = i >= 0 && i < static_cast<int>(model.size());
    switch (random() % 7) {
      case 0: flags.Append(b), model.push_back(b); break;
      case 1: flags.Set(i, b), inside ? void(model[static_cast<std::size_t>(i)] = b) : void(); break;
      case 2: flags.Fill(n, b), n >= 0 ? model.assign(static_cast<std::size_t>(n), b) : void(); break;
      case 3: flags.IncreaseSize(n % 12, b), model.insert(model.end(), static_cast<std::size_t>(std::max(n % 12, 0)), b); break;
      case 4: flags.Inverse(), std::for_each(model.begin(), model.end(), [](unsigned char& f) { f = !f; }); break;
      case 5: {  // copies and moves carry the count
        VelaBoolArray copy(flags), moved(std::move(copy));
        flags = VelaBoolArray(), flags = std::move(moved);
        break;
      }
      default:  // values copied in (null: none) and recounted; an inherited removal leaves the count to Check
        if (n < 60) std::generate(model.begin(), model.end(), [&random] { return random() % 2; });
        flags.Set(n < 60 ? model.data() : nullptr);
        if (!model.empty()) flags.RemovePosition(0), model.erase(model.begin()), flags.Check();
    }
    ASSERT_EQ(std::vector<unsigned char>(flags.begin(), flags.end()), model) << step;
    ASSERT_EQ(flags.Count(), std::count(model.begin(), model.end(), 1)) << step;
    ASSERT_EQ(flags.IsAny(), flags.Count() != 0);
  }
}

}  // namespace
