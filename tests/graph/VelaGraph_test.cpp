// The graph model's classes: adjacency arrays against a vector, blocking
// counters against a count of the blocking vertices, the sorted adjacency
// against a stable sort, and the path order against its key.
#include "vela/graph/VelaGraph.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <random>
#include <tuple>
#include <utility>
#include <vector>


namespace {

using Entries = std::vector<std::pair<VelaGraphVertex*, VelaGraphEdge*>>;

Entries Of(const VelaAdjacent& a) {
  Entries out;
  for (int i = 0; i < a.Size(); ++i) out.emplace_back(a[i], a(i));
  return out;
}
VelaGraphVertex* V(int i) { return reinterpret_cast<VelaGraphVertex*>(static_cast<std::uintptr_t>(16 * (i + 1))); }
VelaGraphEdge* E(int i) { return reinterpret_cast<VelaGraphEdge*>(static_cast<std::uintptr_t>(16 * (i + 1) + 8)); }

// n vertices with random labels in [-1, 5) and m random undirected edges
// (loops and parallel edges among them) of random priority, owned here.
struct RandomGraph {
  std::vector<std::unique_ptr<VelaGraphVertex>> v;
  std::vector<std::unique_ptr<VelaGraphEdge>> e;
  RandomGraph(std::mt19937& rng, int n, int m) {
    for (int i = 0; i < n; ++i) v.push_back(std::make_unique<VelaGraphVertex>(VelaString("v"))), v.back()->SetIndex(static_cast<int>(rng() % 6) - 1);
    for (int k = 0; k < m; ++k) {
      VelaGraphVertex *a = v[rng() % n].get(), *b = v[rng() % n].get();
      e.push_back(std::make_unique<VelaGraphEdge>(VelaString("e"), a, b, 1)), e.back()->SetPriority(static_cast<int>(rng() % 4));
      a->AddAdjacentVertex(b, e.back().get()), b->AddAdjacentVertex(a, e.back().get());
    }
  }
  int At(const VelaGraphVertex* x) const {
    return static_cast<int>(std::find_if(v.begin(), v.end(), [x](const auto& p) { return p.get() == x; }) - v.begin());
  }
};

}  // namespace

TEST(VelaAdjacent, AppendCopyAndMoveMatchAVector) {
  VelaAdjacent a, assigned;
  Entries model;
  EXPECT_EQ(a.Begin(), a.End());
  for (int i = 0; i < 40; ++i) {  // across several growth steps
    a.Append(V(i), E(i)), model.emplace_back(V(i), E(i));
    ASSERT_EQ(Of(a), model);
  }
  VelaAdjacent copy(a);
  copy[0] = V(99), copy(1) = E(99), copy.Append(V(50), E(50));
  assigned.Append(V(70), E(70));
  assigned = a;
  VelaAdjacent& alias = assigned;
  assigned = alias;
  EXPECT_TRUE(Of(a) == model && Of(assigned) == model && copy.Size() == 41);
  EXPECT_TRUE(copy.Begin()[0].vertex == V(99) && copy.Begin()[1].edge == E(99) && copy.End()[-1].edge == E(50));
  VelaAdjacent moved(std::move(a));
  EXPECT_TRUE(Of(moved) == model && a.Size() == 0 && a.Begin() == nullptr);  // NOLINT(bugprone-use-after-move)
  a.Append(V(1), E(1)), a.SetFirstEdge(nullptr);
  EXPECT_EQ(Of(a), (Entries{{V(1), nullptr}}));
  assigned = std::move(moved);
  EXPECT_TRUE(Of(assigned) == model && moved.Size() == 0);  // NOLINT(bugprone-use-after-move)
}

TEST(VelaGraphVertex, StartsUnlabelledAndCopiesEveryField) {
  VelaGraphVertex v(VelaString("A"));
  EXPECT_TRUE(v.GetIndex() == -1 && v.GetOtherIndex() == -1 && v.GetColor() == 0 && v.GetBlocked() == 0u &&
              v.GetLabelLimit() == -1);
  VelaGraphVertex high, low;
  high.SetIndex(5), low.SetIndex(-1), v.SetIndex(0), v.SetOtherIndex(2), v.SetColor(1), v.SetColor(0), v.UpdateBlocked(3);
  v.AddAdjacentVertex(&high, E(0)), v.AddAdjacentVertex(&low, E(1)), v.PutInOrderAdjacentVertices();
  VelaGraphVertex copy(v), assigned;
  assigned = v;
  for (const VelaGraphVertex* c : {&copy, &assigned})
    EXPECT_TRUE(c->GetName() == VelaString("A") && c->GetIndex() == 0 && c->GetOtherIndex() == 2 && c->GetColor() == 0 &&
                c->GetBlocked() == 3u && c->GetLabelLimit() == 1 &&
                Of(c->GetAdjacentVertices()) == Of(v.GetAdjacentVertices()));
  const VelaGraphEdge e;
  EXPECT_TRUE(e.undirected == 1 && e.priority == 2 && e.weight == 0.0 && e.selected == 0 && e.firstVertex == nullptr);
}

// Random interleavings of Block and UnBlock on random multigraphs: every
// counter is the number of adjacency entries leading to it from the
// vertices now blocking, parallel edges counted each time; the count stops
// at an entry without vertex.
TEST(VelaGraphVertex, BlockingCountsEntriesOfTheBlockingVertices) {
  for (unsigned seed = 1; seed <= 20; ++seed) {
    std::mt19937 rng(seed);
    RandomGraph g(rng, 2 + static_cast<int>(rng() % 10), static_cast<int>(rng() % 30));
    const int n = static_cast<int>(g.v.size()), cut = static_cast<int>(rng() % n);
    g.v[cut]->AddAdjacentVertex(nullptr, nullptr), g.v[cut]->AddAdjacentVertex(g.v[0].get(), nullptr);
    std::vector<unsigned> blocking(static_cast<std::size_t>(n)), expected(blocking);
    for (int step = 0; step < 100; ++step) {
      const int x = static_cast<int>(rng() % n);
      const bool unblock = blocking[x] > 0 && rng() % 2;
      unblock ? g.v[x]->UnBlockNeighbors() : g.v[x]->BlockNeighbors();
      blocking[x] += unblock ? -1 : 1;
      std::fill(expected.begin(), expected.end(), 0u);
      for (int w = 0; w < n; ++w)
        for (const VelaVertexEdge* p = g.v[w]->GetAdjacentVertices().Begin(); p != g.v[w]->GetAdjacentVertices().End() && p->vertex; ++p)
          expected[g.At(p->vertex)] += blocking[w];
      for (int w = 0; w < n; ++w) ASSERT_EQ(g.v[w]->GetBlocked(), expected[w]) << "seed " << seed;
    }
  }
}

// Random labels (with repeats) on random multigraphs, degrees beyond 16: the
// sort is the stable sort by label with entries without vertex last, sorting
// again changes nothing, and the limit is the first higher label (-1: none).
TEST(VelaGraphVertex, SortedAdjacencyIsTheStableSortByLabel) {
  for (unsigned seed = 1; seed <= 30; ++seed) {
    std::mt19937 rng(seed);
    RandomGraph g(rng, 1 + static_cast<int>(rng() % 12), static_cast<int>(rng() % 100));
    g.v[0]->AddAdjacentVertex(nullptr, E(0)), g.v[0]->AddAdjacentVertex(g.v[0].get(), E(1));
    for (const auto& x : g.v) {
      Entries expected = Of(x->GetAdjacentVertices());
      std::stable_sort(expected.begin(), expected.end(), [](const auto& a, const auto& b) {
        return a.first && (!b.first || a.first->GetIndex() < b.first->GetIndex());
      });
      for (int pass = 0; pass < 2; ++pass) {
        x->PutInOrderAdjacentVertices();
        ASSERT_EQ(Of(x->GetAdjacentVertices()), expected) << "seed " << seed << " pass " << pass;
      }
      const auto higher = std::find_if(expected.begin(), expected.end(), [&](const auto& e) {
        return !e.first || e.first->GetIndex() > x->GetIndex();
      });
      const bool found = higher != expected.end() && higher->first;
      ASSERT_EQ(x->GetLabelLimit(), found ? static_cast<int>(higher - expected.begin()) : -1) << "seed " << seed;
    }
  }
}

// A million entries in descending label order: sorted stably in n log n
// time, not by insertion, which would take hours.
TEST(VelaGraphVertex, SortsAMillionEntries) {
  std::vector<VelaGraphVertex> leaves(1000);
  VelaGraphVertex hub;
  hub.SetIndex(499);
  for (int i = 0; i < 1000; ++i) leaves[i].SetIndex(i);
  for (int k = 0; k < 1000000; ++k) hub.AddAdjacentVertex(&leaves[999 - k / 1000], E(k));
  hub.PutInOrderAdjacentVertices();
  const VelaAdjacent& a = hub.GetAdjacentVertices();
  EXPECT_TRUE(a[0] == &leaves[0] && a(0) == E(999000) && a[999999] == &leaves[999] && a(999999) == E(999));
  EXPECT_EQ(hub.GetLabelLimit(), 500000);
}

// Random paths: ComparePath is the lexicographic order of (length, fewer
// priority-0 edges, priority-1 edges, labels), the counters (closing edge
// included) counted here.
TEST(ComparePath, IsTheLexicographicOrderOfItsKey) {
  std::mt19937 rng(7);
  RandomGraph g(rng, 3, 0);
  const auto edge = [&g, &rng](int* counts) {
    g.e.push_back(std::make_unique<VelaGraphEdge>()), g.e.back()->SetPriority(static_cast<int>(rng() % 4));
    counts[g.e.back()->priority] += 1;
    return g.e.back().get();
  };
  std::vector<VelaPath> paths;
  std::vector<std::tuple<int, int, int, std::vector<int>>> keys;
  for (int k = 0; k < 60; ++k) {
    VelaPath p;
    std::vector<int> labels;
    int counts[4] = {};
    for (int i = 0, length = 3 + static_cast<int>(rng() % 2); i < length; ++i)
      labels.push_back(static_cast<int>(rng() % 3)), p.Append(g.v[labels.back()].get(), i ? edge(counts) : nullptr);
    p.SetFirstEdge(edge(counts));
    keys.emplace_back(p.Size(), -counts[0], counts[1], labels), paths.push_back(std::move(p));
  }
  for (int i = 0; i < 3; ++i) g.v[i]->SetIndex(i);
  for (std::size_t a = 0; a < paths.size(); ++a)
    for (std::size_t b = 0; b < paths.size(); ++b) ASSERT_EQ(ComparePath(paths[a], paths[b]) != 0, keys[a] < keys[b]) << a << " " << b;
  VelaGraphEdge light, heavy;
  light.SetWeight(-1.5), heavy.SetWeight(3.0);
  VelaGraphEdge *const l = &light, *const h = &heavy;
  EXPECT_TRUE(CompareEdgeWeights(l, h) && !CompareEdgeWeights(h, l) && !CompareEdgeWeights(l, l));
}
