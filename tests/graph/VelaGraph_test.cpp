#include "vela/graph/VelaGraph.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <random>
#include <tuple>
#include <utility>
#include <vector>

#include "graph/GraphTriplets.h"
#include "vela/graph/VelaGraphSolver.h"

namespace {

// A graph whose vertices and edges the test owns, for the model classes
// alone (no solver).
struct OwnedGraph {
  std::vector<std::unique_ptr<VelaGraphVertex>> vertices;
  std::vector<std::unique_ptr<VelaGraphEdge>> edges;

  VelaGraphVertex* Vertex(int index) {
    vertices.push_back(std::make_unique<VelaGraphVertex>(VelaString("v")));
    vertices.back()->SetIndex(index);
    return vertices.back().get();
  }
  VelaGraphEdge* Edge(VelaGraphVertex* a, VelaGraphVertex* b, int priority = 2) {
    edges.push_back(std::make_unique<VelaGraphEdge>(VelaString("e"), a, b, 1));
    edges.back()->SetPriority(priority);
    a->AddAdjacentVertex(b, edges.back().get());
    b->AddAdjacentVertex(a, edges.back().get());
    return edges.back().get();
  }
};

std::vector<std::pair<VelaGraphVertex*, VelaGraphEdge*>> Entries(const VelaAdjacent& a) {
  std::vector<std::pair<VelaGraphVertex*, VelaGraphEdge*>> out;
  for (int i = 0; i < a.Size(); ++i) out.emplace_back(a[i], a(i));
  return out;
}

VelaGraphVertex* V(int i) { return reinterpret_cast<VelaGraphVertex*>(static_cast<std::uintptr_t>(16 * (i + 1))); }
VelaGraphEdge* E(int i) { return reinterpret_cast<VelaGraphEdge*>(static_cast<std::uintptr_t>(16 * (i + 1) + 8)); }

}  // namespace

// ---- VelaAdjacent ------------------------------------------------------------

TEST(VelaAdjacent, AppendMatchesVectorModelAcrossGrowth) {
  VelaAdjacent a;
  std::vector<std::pair<VelaGraphVertex*, VelaGraphEdge*>> model;
  EXPECT_EQ(a.Size(), 0);
  EXPECT_EQ(a.Begin(), a.End());
  for (int i = 0; i < 300; ++i) {
    a.Append(V(i), E(i));
    model.emplace_back(V(i), E(i));
    ASSERT_EQ(Entries(a), model);
    ASSERT_EQ(a.End() - a.Begin(), a.Size());
  }
  a[7] = V(1000);
  a(8) = E(1000);
  a.SetFirstEdge(nullptr);
  EXPECT_EQ(a.Begin()[7].vertex, V(1000));
  EXPECT_EQ(a.Begin()[8].edge, E(1000));
  EXPECT_EQ(a(0), nullptr);
  EXPECT_EQ(a[0], V(0));
}

TEST(VelaAdjacent, CopiesAreIndependentAndMovesEmptyTheSource) {
  VelaAdjacent a;
  for (int i = 0; i < 9; ++i) a.Append(V(i), E(i));
  const auto before = Entries(a);

  VelaAdjacent copy(a);
  copy[0] = V(99);
  copy.Append(V(50), E(50));
  EXPECT_EQ(Entries(a), before);
  EXPECT_EQ(copy.Size(), 10);

  VelaAdjacent assigned;
  assigned.Append(V(70), E(70));
  assigned = a;
  EXPECT_EQ(Entries(assigned), before);
  VelaAdjacent& alias = assigned;
  assigned = alias;  // self-assignment keeps the entries
  EXPECT_EQ(Entries(assigned), before);

  VelaAdjacent moved(std::move(a));
  EXPECT_EQ(Entries(moved), before);
  EXPECT_EQ(a.Size(), 0);  // NOLINT(bugprone-use-after-move): a moved-from array is empty by contract
  EXPECT_EQ(a.Begin(), nullptr);
  a.Append(V(1), E(1));  // the emptied source is usable again
  EXPECT_EQ(a.Size(), 1);

  VelaAdjacent target;
  target.Append(V(3), E(3));
  target = std::move(moved);
  EXPECT_EQ(Entries(target), before);
  EXPECT_EQ(moved.Size(), 0);  // NOLINT(bugprone-use-after-move)
}

// ---- VelaPath and VelaTriplet --------------------------------------------------

TEST(VelaPath, CountersCountPriorityZeroAndOneOnly) {
  OwnedGraph g;
  VelaGraphVertex* a = g.Vertex(0);
  VelaGraphVertex* b = g.Vertex(1);
  VelaPath p;
  p.Append(a, nullptr);
  const int priorities[] = {0, 1, 2, 0, 5, -1, 1, 0};
  for (int priority : priorities) p.Append(b, g.Edge(a, b, priority));
  EXPECT_EQ(p.Size(), 9);
  EXPECT_EQ(p.GetPriority0Count(), 3);
  EXPECT_EQ(p.GetPriority1Count(), 2);
  p.SetFirstEdge(g.Edge(a, b, 1));
  EXPECT_EQ(p.GetPriority1Count(), 3);
  EXPECT_EQ(p(0), g.edges.back().get());

  VelaPath copy(p);
  EXPECT_EQ(copy.GetPriority0Count(), 3);
  EXPECT_EQ(copy.GetPriority1Count(), 3);
  EXPECT_EQ(Entries(copy), Entries(p));
}

TEST(VelaTriplet, BuildsThreeEntriesOrStaysEmptyWithoutAnEdge) {
  OwnedGraph g;
  VelaGraphVertex* x = g.Vertex(1);
  VelaGraphVertex* u = g.Vertex(0);
  VelaGraphVertex* y = g.Vertex(2);
  VelaGraphEdge* e1 = g.Edge(u, x, 0);
  VelaGraphEdge* e2 = g.Edge(u, y, 1);

  const VelaTriplet t(x, u, e1, y, e2);
  const std::vector<std::pair<VelaGraphVertex*, VelaGraphEdge*>> expected = {{x, nullptr}, {u, e1}, {y, e2}};
  EXPECT_EQ(Entries(t), expected);
  EXPECT_EQ(t.GetPriority0Count(), 1);
  EXPECT_EQ(t.GetPriority1Count(), 1);

  for (const VelaTriplet& empty : {VelaTriplet(x, u, nullptr, y, e2), VelaTriplet(x, u, e1, y, nullptr), VelaTriplet()}) {
    EXPECT_EQ(empty.Size(), 0);
    EXPECT_EQ(empty.GetPriority0Count(), 0);
    EXPECT_EQ(empty.GetPriority1Count(), 0);
  }
}

// ---- VelaGraphVertex and VelaGraphEdge -------------------------------------------

TEST(VelaGraphVertex, StartsUnsetAndStoresWhatItIsGiven) {
  const VelaGraphVertex blank;
  EXPECT_EQ(blank.GetName(), VelaString(""));
  VelaGraphVertex v(VelaString("A"));
  EXPECT_EQ(v.GetName(), VelaString("A"));
  EXPECT_EQ(v.GetIndex(), -1);
  EXPECT_EQ(v.GetOtherIndex(), -1);
  EXPECT_EQ(v.GetColor(), 0);
  EXPECT_EQ(v.GetBlocked(), 0u);
  EXPECT_EQ(v.GetLabelLimit(), -1);
  EXPECT_EQ(v.GetAdjacentVertices().Size(), 0);

  v.SetColor(1);
  EXPECT_EQ(v.GetColor(), 1);
  v.SetColor(0);
  EXPECT_EQ(v.GetColor(), 0);
  v.SetIndex(4);
  v.SetOtherIndex(2);
  v.UpdateBlocked(3);
  v.UpdateBlocked(-1);
  EXPECT_EQ(v.GetBlocked(), 2u);
  v.AddAdjacentVertex(V(0), E(0));

  VelaGraphVertex copy(v);
  VelaGraphVertex assigned;
  assigned = v;
  for (const VelaGraphVertex* c : {&copy, &assigned}) {
    EXPECT_EQ(c->GetName(), VelaString("A"));
    EXPECT_EQ(c->GetIndex(), 4);
    EXPECT_EQ(c->GetOtherIndex(), 2);
    EXPECT_EQ(c->GetBlocked(), 2u);
    EXPECT_EQ(Entries(c->GetAdjacentVertices()), Entries(v.GetAdjacentVertices()));
  }
  v.InitializeBlocked();
  EXPECT_EQ(v.GetBlocked(), 0u);
  EXPECT_EQ(copy.GetBlocked(), 2u);
}

TEST(VelaGraphEdge, StartsWithNeutralPriorityAndZeroWeight) {
  VelaGraphVertex a(VelaString("A"));
  VelaGraphVertex b(VelaString("B"));
  VelaGraphEdge e(VelaString("e1"), &a, &b, 0);
  EXPECT_EQ(e.GetName(), VelaString("e1"));
  EXPECT_EQ(e.firstVertex, &a);
  EXPECT_EQ(e.secondVertex, &b);
  EXPECT_EQ(e.undirected, 0);
  EXPECT_EQ(e.selected, 0);
  EXPECT_EQ(e.priority, 2);
  EXPECT_EQ(e.weight, 0.0);
  e.SetPriority(0);
  e.SetWeight(2.5);
  EXPECT_EQ(e.priority, 0);
  EXPECT_EQ(e.weight, 2.5);
  const VelaGraphEdge blank;
  EXPECT_EQ(blank.firstVertex, nullptr);
  EXPECT_EQ(blank.priority, 2);
}

TEST(VelaGraphVertex, BlockingCountsParallelEdgesAndUnblockRestores) {
  OwnedGraph g;
  VelaGraphVertex* u = g.Vertex(0);
  VelaGraphVertex* a = g.Vertex(1);
  VelaGraphVertex* b = g.Vertex(2);
  g.Edge(u, a);
  g.Edge(u, a);  // parallel: a is reached twice
  g.Edge(u, b);
  a->UpdateBlocked(5);
  u->BlockNeighbors();
  EXPECT_EQ(a->GetBlocked(), 7u);
  EXPECT_EQ(b->GetBlocked(), 1u);
  EXPECT_EQ(u->GetBlocked(), 0u);
  u->UnBlockNeighbors();
  EXPECT_EQ(a->GetBlocked(), 5u);
  EXPECT_EQ(b->GetBlocked(), 0u);
}

TEST(VelaGraphVertex, BlockingStopsAtTheFirstEmptyVertex) {
  OwnedGraph g;
  VelaGraphVertex* u = g.Vertex(0);
  VelaGraphVertex* a = g.Vertex(1);
  VelaGraphVertex* b = g.Vertex(2);
  u->AddAdjacentVertex(a, nullptr);
  u->AddAdjacentVertex(nullptr, nullptr);
  u->AddAdjacentVertex(b, nullptr);
  u->BlockNeighbors();
  EXPECT_EQ(a->GetBlocked(), 1u);
  EXPECT_EQ(b->GetBlocked(), 0u);
  u->UnBlockNeighbors();
  EXPECT_EQ(a->GetBlocked(), 0u);
}

// Random multigraphs, random interleavings of Block and UnBlock: every
// counter equals the number of adjacency entries leading to it from the
// vertices currently blocking, counted with multiplicity.
TEST(VelaGraphVertex, BlockingMatchesAMultiplicityModel) {
  for (unsigned seed = 1; seed <= 20; ++seed) {
    std::mt19937 rng(seed);
    OwnedGraph g;
    const int n = 2 + static_cast<int>(rng() % 10);
    for (int i = 0; i < n; ++i) g.Vertex(i);
    const int m = static_cast<int>(rng() % (3 * n));
    for (int k = 0; k < m; ++k) g.Edge(g.vertices[rng() % n].get(), g.vertices[rng() % n].get());
    std::vector<int> blocking(n, 0);
    for (int step = 0; step < 200; ++step) {
      const int v = static_cast<int>(rng() % n);
      if (blocking[v] > 0 && rng() % 2) {
        g.vertices[v]->UnBlockNeighbors();
        --blocking[v];
      } else {
        g.vertices[v]->BlockNeighbors();
        ++blocking[v];
      }
      std::vector<unsigned> expected(n, 0);
      for (int w = 0; w < n; ++w) {
        for (const VelaVertexEdge* p = g.vertices[w]->GetAdjacentVertices().Begin();
             p != g.vertices[w]->GetAdjacentVertices().End(); ++p) {
          const int target = static_cast<int>(std::find_if(g.vertices.begin(), g.vertices.end(),
                                                           [p](const auto& x) { return x.get() == p->vertex; }) -
                                              g.vertices.begin());
          expected[target] += static_cast<unsigned>(blocking[w]);
        }
      }
      for (int w = 0; w < n; ++w) ASSERT_EQ(g.vertices[w]->GetBlocked(), expected[w]) << "seed " << seed;
    }
  }
}

// ---- Ordering of adjacencies ---------------------------------------------------------

TEST(VelaGraphVertex, LabelLimitStaysUnsetWhenNoNeighbourIsHigher) {
  OwnedGraph g;
  VelaGraphVertex* u = g.Vertex(5);
  g.Edge(u, g.Vertex(3));
  g.Edge(u, g.Vertex(5));
  g.Edge(u, g.Vertex(-1));
  u->PutInOrderAdjacentVertices();
  EXPECT_EQ(u->GetLabelLimit(), -1);
  const VelaAdjacent& adj = u->GetAdjacentVertices();
  EXPECT_EQ(adj[0]->GetIndex(), -1);
  EXPECT_EQ(adj[1]->GetIndex(), 3);
  EXPECT_EQ(adj[2]->GetIndex(), 5);
  int found = 0;
  vela::detail::ForEachFeasibleTriplet(
      *u, [](const VelaGraphVertex*, const VelaGraphVertex*) { return false; }, [&found](VelaTriplet&&) { ++found; });
  EXPECT_EQ(found, 0);
}

TEST(VelaGraphVertex, EmptyVertexEntriesSortLastAndStopTheLimitScan) {
  OwnedGraph g;
  VelaGraphVertex* u = g.Vertex(4);
  VelaGraphVertex* low = g.Vertex(1);
  VelaGraphVertex* high = g.Vertex(9);
  u->AddAdjacentVertex(nullptr, E(0));
  u->AddAdjacentVertex(high, E(1));
  u->AddAdjacentVertex(nullptr, E(2));
  u->AddAdjacentVertex(low, E(3));
  u->PutInOrderAdjacentVertices();
  const VelaAdjacent& adj = u->GetAdjacentVertices();
  EXPECT_EQ(adj[0], low);
  EXPECT_EQ(adj[1], high);
  EXPECT_EQ(adj[2], nullptr);
  EXPECT_EQ(adj[3], nullptr);
  EXPECT_EQ(u->GetLabelLimit(), 1);

  VelaGraphVertex w(VelaString("w"));  // index -1: its first entry is empty
  w.AddAdjacentVertex(nullptr, E(0));
  w.AddAdjacentVertex(high, E(1));
  w.PutInOrderAdjacentVertices();
  EXPECT_EQ(w.GetAdjacentVertices()[0], high);
  EXPECT_EQ(w.GetLabelLimit(), 0);
}

// Random labels (with repeats) on random multigraphs, degrees beyond 16:
// the sort is the stable sort by label, sorting again changes nothing (so
// parallel edges keep their creation order), and the limit is the first
// higher label.
TEST(VelaGraphVertex, SortedAdjacencyIsTheStableSortByLabel) {
  for (unsigned seed = 1; seed <= 30; ++seed) {
    std::mt19937 rng(seed);
    OwnedGraph g;
    const int n = 1 + static_cast<int>(rng() % 12);
    for (int i = 0; i < n; ++i) g.Vertex(static_cast<int>(rng() % 6) - 1);
    const int m = static_cast<int>(rng() % (12 * n));
    for (int k = 0; k < m; ++k) g.Edge(g.vertices[rng() % n].get(), g.vertices[rng() % n].get());
    for (const auto& vertex : g.vertices) {
      auto expected = Entries(vertex->GetAdjacentVertices());
      std::stable_sort(expected.begin(), expected.end(),
                       [](const auto& a, const auto& b) { return a.first->GetIndex() < b.first->GetIndex(); });
      for (int pass = 0; pass < 2; ++pass) {
        vertex->PutInOrderAdjacentVertices();
        ASSERT_EQ(Entries(vertex->GetAdjacentVertices()), expected) << "seed " << seed << " pass " << pass;
      }
      const auto higher = std::find_if(expected.begin(), expected.end(),
                                       [&](const auto& e) { return e.first->GetIndex() > vertex->GetIndex(); });
      ASSERT_EQ(vertex->GetLabelLimit(), higher == expected.end() ? -1 : static_cast<int>(higher - expected.begin()))
          << "seed " << seed;
    }
  }
}

// ---- Triplets --------------------------------------------------------------------------

TEST(VelaGraphVertex, FindTripletsPairsHigherNeighboursInAscendingOrder) {
  VelaGraphSolver solver(0);
  VelaGraphVertex* u = solver.CreateVertex(VelaString("u"));
  u->SetIndex(1);
  VelaGraphVertex* low = solver.CreateVertex(VelaString("low"));
  low->SetIndex(0);
  std::vector<VelaGraphVertex*> high;
  for (int index : {9, 5, 7}) {
    high.push_back(solver.CreateVertex(VelaString("h")));
    high.back()->SetIndex(index);
  }
  solver.CreateEdge(VelaString("l"), u, low, 1);
  for (VelaGraphVertex* h : high) solver.CreateEdge(VelaString("e"), u, h, 1);
  solver.CreateEdge(VelaString("chord"), low, high[0], 1);  // outside u's higher neighbours: no effect

  u->PutInOrderAdjacentVertices();
  EXPECT_EQ(u->GetLabelLimit(), 1);
  u->FindTriplets(&solver);
  const std::vector<std::pair<int, int>> expected = {{5, 7}, {5, 9}, {7, 9}};
  std::vector<std::pair<int, int>> got;
  for (const VelaTriplet& t : solver.GetFeasibleTriplets()) {
    ASSERT_EQ(t.Size(), 3);
    EXPECT_EQ(t[1], u);
    EXPECT_EQ(t(0), nullptr);
    EXPECT_EQ(t(1), solver.EdgeExists(u, t[0]));
    EXPECT_EQ(t(2), solver.EdgeExists(u, t[2]));
    got.emplace_back(t[0]->GetIndex(), t[2]->GetIndex());
  }
  EXPECT_EQ(got, expected);

  // Joining 5 and 9 turns that pair into a triangle, which yields nothing.
  VelaGraphSolver closed(0);
  VelaGraphVertex* cu = closed.CreateVertex(VelaString("u"));
  cu->SetIndex(1);
  std::vector<VelaGraphVertex*> ch;
  for (int index : {5, 7, 9}) {
    ch.push_back(closed.CreateVertex(VelaString("h")));
    ch.back()->SetIndex(index);
    closed.CreateEdge(VelaString("e"), cu, ch.back(), 1);
  }
  closed.CreateEdge(VelaString("c"), ch[0], ch[2], 1);
  cu->PutInOrderAdjacentVertices();
  cu->FindTriplets(&closed);
  got.clear();
  for (const VelaTriplet& t : closed.GetFeasibleTriplets()) got.emplace_back(t[0]->GetIndex(), t[2]->GetIndex());
  EXPECT_EQ(got, (std::vector<std::pair<int, int>>{{5, 7}, {7, 9}}));
  cu->FindTriplets(nullptr);  // no solver: nothing to fill
}

// Small random simple graphs with distinct labels: FindTriplets over all
// vertices gives exactly the open paths x - u - y with labels x < y above
// u's and x, y not adjacent, each once, u by creation order then (x, y)
// lexicographically.
TEST(VelaGraphVertex, FindTripletsAgreesWithBruteForce) {
  for (unsigned seed = 1; seed <= 40; ++seed) {
    std::mt19937 rng(seed);
    const int n = 1 + static_cast<int>(rng() % 9);
    VelaGraphSolver solver(0);
    std::vector<int> labels(n);
    for (int i = 0; i < n; ++i) labels[i] = i;
    std::shuffle(labels.begin(), labels.end(), rng);
    std::vector<VelaGraphVertex*> vs;
    for (int i = 0; i < n; ++i) {
      vs.push_back(solver.CreateVertex(VelaString("v")));
      vs.back()->SetIndex(labels[i]);
    }
    std::vector<std::vector<VelaGraphEdge*>> edge(n, std::vector<VelaGraphEdge*>(n, nullptr));
    const unsigned density = 1 + rng() % 4;
    for (int a = 0; a < n; ++a) {
      for (int b = a + 1; b < n; ++b) {
        if (rng() % 5 < density) {
          edge[a][b] = edge[b][a] = solver.CreateEdge(VelaString("e"), vs[a], vs[b], 1);
          edge[a][b]->SetPriority(static_cast<int>(rng() % 3));
        }
      }
    }
    std::vector<std::tuple<VelaGraphVertex*, VelaGraphVertex*, VelaGraphVertex*>> expected;
    for (int u = 0; u < n; ++u) {
      std::vector<int> higher;
      for (int x = 0; x < n; ++x) {
        if (edge[u][x] && labels[x] > labels[u]) higher.push_back(x);
      }
      std::sort(higher.begin(), higher.end(), [&](int a, int b) { return labels[a] < labels[b]; });
      for (size_t i = 0; i < higher.size(); ++i) {
        for (size_t j = i + 1; j < higher.size(); ++j) {
          if (!edge[higher[i]][higher[j]]) expected.emplace_back(vs[higher[i]], vs[u], vs[higher[j]]);
        }
      }
    }
    for (VelaGraphVertex* v : vs) {
      v->PutInOrderAdjacentVertices();
      v->FindTriplets(&solver);
    }
    std::vector<std::tuple<VelaGraphVertex*, VelaGraphVertex*, VelaGraphVertex*>> got;
    for (const VelaTriplet& t : solver.GetFeasibleTriplets()) {
      ASSERT_EQ(t.Size(), 3);
      got.emplace_back(t[0], t[1], t[2]);
      const auto at = [&](const VelaGraphVertex* v) { return std::find(vs.begin(), vs.end(), v) - vs.begin(); };
      ASSERT_EQ(t(1), edge[at(t[1])][at(t[0])]);
      ASSERT_EQ(t(2), edge[at(t[1])][at(t[2])]);
      ASSERT_EQ(t.GetPriority0Count(), (t(1)->priority == 0) + (t(2)->priority == 0));
      ASSERT_EQ(t.GetPriority1Count(), (t(1)->priority == 1) + (t(2)->priority == 1));
    }
    ASSERT_EQ(got, expected) << "seed " << seed;
  }
}

// ---- Comparisons -------------------------------------------------------------------------

TEST(ComparePath, ShorterFirstThenMorePriorityZeroThenFewerPriorityOneThenLabels) {
  OwnedGraph g;
  std::vector<VelaGraphVertex*> vs;
  for (int i = 0; i < 6; ++i) vs.push_back(g.Vertex(i));
  const auto cycle = [&](std::vector<int> labels, std::vector<int> priorities) {
    VelaPath p;
    p.Append(vs[labels[0]], nullptr);
    for (size_t i = 1; i < labels.size(); ++i) p.Append(vs[labels[i]], g.Edge(vs[0], vs[1], priorities[i - 1]));
    p.SetFirstEdge(g.Edge(vs[0], vs[1], priorities.back()));
    return p;
  };
  const VelaPath square0 = cycle({0, 1, 2, 3}, {2, 2, 2, 2});
  const VelaPath pentagon = cycle({0, 1, 2, 3, 4}, {0, 0, 0, 0, 0});
  EXPECT_NE(ComparePath(square0, pentagon), 0);
  EXPECT_EQ(ComparePath(pentagon, square0), 0);

  const VelaPath squareP0 = cycle({0, 1, 2, 5}, {0, 2, 2, 2});
  EXPECT_NE(ComparePath(squareP0, square0), 0);
  EXPECT_EQ(ComparePath(square0, squareP0), 0);

  const VelaPath squareP1 = cycle({0, 1, 2, 3}, {1, 2, 2, 2});
  EXPECT_NE(ComparePath(square0, squareP1), 0);
  EXPECT_EQ(ComparePath(squareP1, square0), 0);

  const VelaPath other = cycle({0, 1, 3, 2}, {2, 2, 2, 2});
  EXPECT_NE(ComparePath(square0, other), 0);
  EXPECT_EQ(ComparePath(other, square0), 0);
  EXPECT_EQ(ComparePath(square0, square0), 0);
  EXPECT_EQ(ComparePath(square0, cycle({0, 1, 2, 3}, {2, 2, 2, 2})), 0);
}

// Random paths: ComparePath agrees with the lexicographic order of the key
// (length, -priority-0 count, priority-1 count, labels).
TEST(ComparePath, AgreesWithItsLexicographicKey) {
  OwnedGraph g;
  std::vector<VelaGraphVertex*> vs;
  for (int i = 0; i < 4; ++i) vs.push_back(g.Vertex(i));
  std::mt19937 rng(7);
  std::vector<VelaPath> paths;
  std::vector<std::tuple<int, int, int, std::vector<int>>> keys;
  for (int k = 0; k < 60; ++k) {
    VelaPath p;
    std::vector<int> labels;
    const int length = 3 + static_cast<int>(rng() % 2);
    for (int i = 0; i < length; ++i) {
      labels.push_back(static_cast<int>(rng() % 3));
      p.Append(vs[labels.back()], i == 0 ? nullptr : g.Edge(vs[0], vs[1], static_cast<int>(rng() % 3)));
    }
    keys.emplace_back(p.Size(), -p.GetPriority0Count(), p.GetPriority1Count(), labels);
    paths.push_back(std::move(p));
  }
  for (size_t a = 0; a < paths.size(); ++a) {
    for (size_t b = 0; b < paths.size(); ++b) {
      ASSERT_EQ(ComparePath(paths[a], paths[b]) != 0, keys[a] < keys[b]) << a << " " << b;
    }
  }
}

TEST(CompareEdgeWeights, OrdersByAscendingWeight) {
  VelaGraphEdge light;
  VelaGraphEdge heavy;
  VelaGraphEdge same;
  light.SetWeight(-1.5);
  heavy.SetWeight(3.0);
  same.SetWeight(-1.5);
  VelaGraphEdge* const l = &light;
  VelaGraphEdge* const h = &heavy;
  VelaGraphEdge* const s = &same;
  EXPECT_NE(CompareEdgeWeights(l, h), 0);
  EXPECT_EQ(CompareEdgeWeights(h, l), 0);
  EXPECT_EQ(CompareEdgeWeights(l, s), 0);
  EXPECT_EQ(CompareEdgeWeights(s, l), 0);
}

// Paths and adjacencies of a million entries are plain arrays: copying,
// moving, sorting and blocking them uses no recursion.
TEST(VelaGraphVertex, MillionEntryAdjacencyAndPathWork) {
  constexpr int kCount = 1000000;
  std::vector<VelaGraphVertex> leaves(kCount);
  VelaGraphVertex hub(VelaString("hub"));
  hub.SetIndex(kCount / 2);
  VelaPath path;
  for (int i = 0; i < kCount; ++i) {
    leaves[i].SetIndex(kCount - 1 - i);
    hub.AddAdjacentVertex(&leaves[i], nullptr);
    path.Append(&leaves[i], nullptr);
  }
  hub.PutInOrderAdjacentVertices();
  EXPECT_EQ(hub.GetAdjacentVertices()[0]->GetIndex(), 0);
  EXPECT_EQ(hub.GetAdjacentVertices()[kCount - 1]->GetIndex(), kCount - 1);
  EXPECT_EQ(hub.GetLabelLimit(), kCount / 2 + 1);
  hub.BlockNeighbors();
  EXPECT_EQ(leaves[kCount - 1].GetBlocked(), 1u);
  hub.UnBlockNeighbors();
  EXPECT_EQ(leaves[kCount - 1].GetBlocked(), 0u);
  VelaPath copy(path);
  VelaPath moved(std::move(copy));
  EXPECT_EQ(moved.Size(), kCount);
  EXPECT_EQ(ComparePath(path, moved), 0);
}
