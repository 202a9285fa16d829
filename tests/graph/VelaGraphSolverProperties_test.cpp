// The graph solver on random graphs with fixed seeds, each result checked
// against an independent computation: brute-force induced cycles, a
// union-find, reachability, a plain Kruskal and the plain relabelling rule;
// and a second run checked against a fresh solver.
#include <algorithm>
#include <numeric>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "support/InternalMode.h"
#include "vela/config/VelaGlobalParameters.h"
#include "vela/graph/VelaGraphSolver.h"
#include "vela/streams/VelaStream.h"

namespace {

struct RandomGraph {
  int n = 0;
  std::vector<std::pair<int, int>> edges;
};

// A simple graph (no loops, no parallel edges) with each pair joined with
// probability p; directed pairs are ordered at random.
RandomGraph MakeGraph(std::mt19937& rng, int n, double p) {
  RandomGraph g;
  g.n = n;
  std::bernoulli_distribution coin(p);
  for (int a = 0; a < n; ++a) {
    for (int b = a + 1; b < n; ++b) {
      if (coin(rng)) g.edges.emplace_back(a, b);
    }
  }
  std::shuffle(g.edges.begin(), g.edges.end(), rng);
  return g;
}

std::vector<VelaGraphVertex*> Build(VelaGraphSolver& solver, const RandomGraph& g, unsigned char undirected,
                                    std::mt19937* flip = nullptr) {
  std::vector<VelaGraphVertex*> v;
  for (int i = 0; i < g.n; ++i) {
    v.push_back(solver.CreateVertex(VelaString(("v" + std::to_string(i)).c_str())));
    v.back()->SetIndex(i);
  }
  int k = 0;
  for (auto [a, b] : g.edges) {
    if (flip && (*flip)() % 2) std::swap(a, b);
    solver.CreateEdge(VelaString(("e" + std::to_string(k++)).c_str()), v[static_cast<std::size_t>(a)],
                      v[static_cast<std::size_t>(b)], undirected);
  }
  return v;
}

std::vector<std::vector<bool>> Adjacency(const RandomGraph& g) {
  std::vector<std::vector<bool>> adj(static_cast<std::size_t>(g.n), std::vector<bool>(static_cast<std::size_t>(g.n)));
  for (auto [a, b] : g.edges) adj[static_cast<std::size_t>(a)][static_cast<std::size_t>(b)] =
      adj[static_cast<std::size_t>(b)][static_cast<std::size_t>(a)] = true;
  return adj;
}

// Vertex sets of size >= 4 whose induced subgraph is one cycle.
std::set<unsigned> InducedCycles(const RandomGraph& g) {
  const auto adj = Adjacency(g);
  std::set<unsigned> found;
  for (unsigned mask = 0; mask < (1u << g.n); ++mask) {
    std::vector<int> members;
    for (int i = 0; i < g.n; ++i) {
      if (mask >> i & 1u) members.push_back(i);
    }
    if (members.size() < 4) continue;
    bool twoEach = true;
    for (int a : members) {
      int degree = 0;
      for (int b : members) degree += adj[static_cast<std::size_t>(a)][static_cast<std::size_t>(b)] ? 1 : 0;
      twoEach = twoEach && degree == 2;
    }
    if (!twoEach) continue;
    // Connected: walk from the first member.
    unsigned seen = 1u << members[0];
    std::vector<int> todo{members[0]};
    while (!todo.empty()) {
      const int a = todo.back();
      todo.pop_back();
      for (int b : members) {
        if (adj[static_cast<std::size_t>(a)][static_cast<std::size_t>(b)] && !(seen >> b & 1u)) {
          seen |= 1u << b;
          todo.push_back(b);
        }
      }
    }
    if (seen == mask) found.insert(mask);
  }
  return found;
}

TEST(VelaGraphSolverProperties, ChordlessCyclesAreExactlyTheInducedCycles) {
  std::mt19937 rng(2024);
  std::size_t total = 0;
  for (int round = 0; round < 150; ++round) {
    const int n = 4 + round % 7;
    const RandomGraph g = MakeGraph(rng, n, 0.25 + 0.05 * (round % 8));
    VelaGraphSolver solver(0);
    Build(solver, g, 1);
    VelaArray<VelaPath> cycles;
    ASSERT_EQ(solver.ComputeChordlessCycles(cycles), 0);
    const auto adj = Adjacency(g);
    std::multiset<unsigned> reported;
    for (const VelaPath& p : cycles) {
      const int len = p.Size();
      ASSERT_GE(len, 4);
      unsigned mask = 0;
      for (int i = 0; i < len; ++i) {
        const auto a = static_cast<std::size_t>(p[i]->GetIndex());
        const auto b = static_cast<std::size_t>(p[(i + len - 1) % len]->GetIndex());
        // Entry i's edge joins entry i-1 and entry i (entry 0's closes the cycle).
        const VelaGraphEdge* e = p(i);
        ASSERT_NE(e, nullptr);
        EXPECT_TRUE((e->firstVertex == p[i] && e->secondVertex == p[(i + len - 1) % len]) ||
                    (e->secondVertex == p[i] && e->firstVertex == p[(i + len - 1) % len]));
        EXPECT_TRUE(adj[a][b]);
        for (int j = i + 2; j < len; ++j) {
          if (i == 0 && j == len - 1) continue;
          EXPECT_FALSE(adj[a][static_cast<std::size_t>(p[j]->GetIndex())]) << "chord in cycle";
        }
        mask |= 1u << a;
      }
      EXPECT_EQ(__builtin_popcount(mask), len) << "repeated vertex";
      reported.insert(mask);
    }
    const std::set<unsigned> expected = InducedCycles(g);
    EXPECT_EQ(std::set<unsigned>(reported.begin(), reported.end()), expected) << "round " << round;
    EXPECT_EQ(reported.size(), expected.size()) << "a cycle reported twice, round " << round;
    total += expected.size();
  }
  EXPECT_GT(total, 150u);  // the graphs are not too sparse to have cycles
}

TEST(VelaGraphSolverProperties, SelectionCoversEveryCycleEdgeAndEachKeptCycleAddsOne) {
  std::mt19937 rng(77);
  for (int round = 0; round < 60; ++round) {
    const RandomGraph g = MakeGraph(rng, 5 + round % 6, 0.4);
    VelaGraphSolver solver(0);
    Build(solver, g, 1);
    VelaArray<VelaPath> all;
    ASSERT_EQ(solver.ComputeChordlessCycles(all), 0);
    VelaArray<VelaPath> kept;
    ASSERT_EQ(solver.ComputeChordlessCyclesWithSelection(kept), 0);
    std::set<const VelaGraphEdge*> allEdges;
    for (const VelaPath& p : all) {
      for (int i = 0; i < p.Size(); ++i) allEdges.insert(p(i));
    }
    std::set<const VelaGraphEdge*> covered;
    for (int k = 0; k < kept.Size(); ++k) {
      if (k > 0) {
        EXPECT_FALSE(ComparePath(kept[k], kept[k - 1]));
      }
      bool adds = false;
      for (int i = 0; i < kept[k].Size(); ++i) adds = covered.insert(kept[k](i)).second || adds;
      EXPECT_TRUE(adds);
    }
    EXPECT_EQ(covered, allEdges);
  }
}

struct UnionFind {
  std::vector<int> parent;
  explicit UnionFind(int n) : parent(static_cast<std::size_t>(n)) { std::iota(parent.begin(), parent.end(), 0); }
  int Find(int x) { return parent[static_cast<std::size_t>(x)] == x ? x : parent[static_cast<std::size_t>(x)] = Find(parent[static_cast<std::size_t>(x)]); }
};

TEST(VelaGraphSolverProperties, ComponentsPartitionTheVerticesLikeAUnionFind) {
  std::mt19937 rng(5);
  for (int round = 0; round < 60; ++round) {
    const int n = 1 + round * 3;
    const RandomGraph g = MakeGraph(rng, n, 1.5 / n);
    VelaGraphSolver solver(0);
    auto v = Build(solver, g, 1);
    VelaArray<VelaGraphSolver::Component> components;
    ASSERT_EQ(solver.ComputeConnectedComponents(components), 0);
    UnionFind uf(n);
    for (auto [a, b] : g.edges) uf.parent[static_cast<std::size_t>(uf.Find(a))] = uf.Find(b);
    std::vector<int> seen(static_cast<std::size_t>(n), 0);
    std::vector<VelaGraphVertex*> firsts;
    for (int c = 0; c < components.Size(); ++c) {
      ASSERT_FALSE(components[c].IsEmpty());
      firsts.push_back(components[c][0]);
      for (VelaGraphVertex* x : components[c]) {
        const int i = static_cast<int>(std::find(v.begin(), v.end(), x) - v.begin());
        ++seen[static_cast<std::size_t>(i)];
        EXPECT_EQ(x->GetIndex(), static_cast<int>(c));
        EXPECT_EQ(uf.Find(i), uf.Find(static_cast<int>(std::find(v.begin(), v.end(), components[c][0]) - v.begin())));
      }
    }
    for (int s : seen) EXPECT_EQ(s, 1);
    std::set<int> roots;
    for (int i = 0; i < n; ++i) roots.insert(uf.Find(i));
    EXPECT_EQ(static_cast<std::size_t>(components.Size()), roots.size());
    // Components come in order of their first vertex's creation.
    EXPECT_TRUE(std::is_sorted(firsts.begin(), firsts.end(), [&](VelaGraphVertex* a, VelaGraphVertex* b) {
      return std::find(v.begin(), v.end(), a) < std::find(v.begin(), v.end(), b);
    }));
  }
}

TEST(VelaGraphSolverProperties, StronglyConnectedComponentsAreStronglyConnectedAndMaximal) {
  std::mt19937 rng(11);
  for (int round = 0; round < 60; ++round) {
    const int n = 1 + round % 25;
    const RandomGraph g = MakeGraph(rng, n, 2.0 / n);
    VelaGraphSolver solver(0);
    auto v = Build(solver, g, 0, &rng);
    // Reachability by closure over the created (directed) edges.
    std::vector<std::vector<bool>> reach(static_cast<std::size_t>(n), std::vector<bool>(static_cast<std::size_t>(n)));
    for (int i = 0; i < n; ++i) reach[static_cast<std::size_t>(i)][static_cast<std::size_t>(i)] = true;
    for (const VelaGraphEdge* e : solver.GetEdges()) {
      reach[static_cast<std::size_t>(e->firstVertex->GetIndex())][static_cast<std::size_t>(e->secondVertex->GetIndex())] = true;
    }
    for (int k = 0; k < n; ++k)
      for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
          if (reach[static_cast<std::size_t>(i)][static_cast<std::size_t>(k)] && reach[static_cast<std::size_t>(k)][static_cast<std::size_t>(j)])
            reach[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)] = true;
    VelaArray<VelaGraphSolver::Component> sccs;
    ASSERT_EQ(solver.ComputeStronglyConnectedComponents(sccs), 0);
    std::vector<int> owner(static_cast<std::size_t>(n), -1);
    for (int c = 0; c < sccs.Size(); ++c) {
      for (VelaGraphVertex* x : sccs[c]) {
        const auto i = static_cast<std::size_t>(std::find(v.begin(), v.end(), x) - v.begin());
        EXPECT_EQ(owner[i], -1);
        owner[i] = static_cast<int>(c);
      }
    }
    for (int i = 0; i < n; ++i) {
      ASSERT_GE(owner[static_cast<std::size_t>(i)], 0);
      for (int j = 0; j < n; ++j) {
        const bool mutual = reach[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)] &&
                            reach[static_cast<std::size_t>(j)][static_cast<std::size_t>(i)];
        EXPECT_EQ(mutual, owner[static_cast<std::size_t>(i)] == owner[static_cast<std::size_t>(j)]);
      }
    }
    // Reverse topological order: no edge leads to a later component.
    for (const VelaGraphEdge* e : solver.GetEdges()) {
      const auto a = static_cast<std::size_t>(std::find(v.begin(), v.end(), e->firstVertex) - v.begin());
      const auto b = static_cast<std::size_t>(std::find(v.begin(), v.end(), e->secondVertex) - v.begin());
      EXPECT_GE(owner[a], owner[b]);
    }
  }
}

// The rule as stated: every vertex labelled by its position; an accepted
// edge relabels every vertex carrying the second endpoint's label.
std::vector<int> PlainLabellingTree(int n, const std::vector<std::pair<int, int>>& sortedEdges) {
  std::vector<int> label(static_cast<std::size_t>(n));
  std::iota(label.begin(), label.end(), 0);
  std::vector<int> tree;
  for (std::size_t k = 0; k < sortedEdges.size() && static_cast<int>(tree.size()) < n - 1; ++k) {
    const int la = label[static_cast<std::size_t>(sortedEdges[k].first)];
    const int lb = label[static_cast<std::size_t>(sortedEdges[k].second)];
    if (la == lb) continue;
    tree.push_back(static_cast<int>(k));
    for (int& l : label) {
      if (l == lb) l = la;
    }
  }
  return tree;
}

TEST(VelaGraphSolverProperties, SpanningTreeIsThePlainRulesTreeWithKruskalsWeight) {
  std::mt19937 rng(99);
  for (int round = 0; round < 80; ++round) {
    const int n = 2 + round % 40;
    RandomGraph g = MakeGraph(rng, n, 0.3);
    for (int i = 1; i < n; ++i) g.edges.emplace_back(static_cast<int>(rng() % static_cast<unsigned>(i)), i);
    VelaGraphSolver solver(0);
    Build(solver, g, 1);
    std::uniform_int_distribution<int> w(0, 6);  // few values: many ties
    for (VelaGraphEdge* e : solver.GetEdges()) e->SetWeight(w(rng) * 0.5);
    VelaArray<VelaGraphEdge*> tree;
    ASSERT_EQ(solver.RunSpanningTree(tree), 0);
    ASSERT_EQ(tree.Size(), n - 1);

    std::vector<VelaGraphEdge*> sorted(solver.GetEdges().begin(), solver.GetEdges().end());
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const VelaGraphEdge* a, const VelaGraphEdge* b) { return a->weight < b->weight; });
    // GetIndex holds the component number after the run: use positions.
    std::vector<std::pair<int, int>> ends;
    for (const VelaGraphEdge* e : sorted) {
      const auto& vs = solver.GetVertices();
      ends.emplace_back(static_cast<int>(std::find(vs.begin(), vs.end(), e->firstVertex) - vs.begin()),
                        static_cast<int>(std::find(vs.begin(), vs.end(), e->secondVertex) - vs.begin()));
    }
    const std::vector<int> plain = PlainLabellingTree(n, ends);
    ASSERT_EQ(static_cast<int>(plain.size()), tree.Size());
    double weight = 0.0;
    double plainWeight = 0.0;
    for (int k = 0; k < tree.Size(); ++k) {
      const VelaGraphEdge* expected = sorted[static_cast<std::size_t>(plain[static_cast<std::size_t>(k)])];
      EXPECT_EQ(tree[k], expected);
      weight += tree[k]->weight;
      plainWeight += expected->weight;
    }
    EXPECT_EQ(weight, plainWeight);
  }
}

// The chordless extension as the plain recursion that copies the path at
// every step: the reference the solver's explicit-stack search must match
// cycle for cycle, in order, with the same counters and blocking counts.
int RecursiveExtension(const VelaGraphSolver& s, const VelaPath& p, int key, std::vector<VelaPath>& out) {
  if (p.Size() < 2 || !p[1] || p[1]->GetIndex() != key) return 1;
  VelaGraphVertex* t = p[p.Size() - 1];
  if (!t) return 1;
  t->BlockNeighbors();
  const VelaAdjacent& adjacency = t->GetAdjacentVertices();
  for (int i = 0; i < adjacency.Size(); ++i) {
    VelaGraphVertex* v = adjacency[i];
    VelaGraphEdge* e = adjacency(i);
    if (!v || !e) return 1;
    if (v->GetIndex() <= key || v->GetBlocked() != 1) continue;
    VelaPath q(p);
    q.Append(v, e);
    if (VelaGraphEdge* f = s.EdgeExists(v, q[0])) {
      q.SetFirstEdge(f);
      out.push_back(q);
    } else {
      RecursiveExtension(s, q, key, out);
    }
  }
  t->UnBlockNeighbors();
  return 0;
}

int RecursiveChordless(VelaGraphSolver& s, std::vector<VelaPath>& out) {
  for (VelaGraphVertex* v : s.GetVertices()) {
    v->PutInOrderAdjacentVertices();
    v->FindTriplets(&s);
  }
  for (VelaGraphVertex* v : s.GetVertices()) v->InitializeBlocked();
  int failures = 0;
  VelaArray<VelaTriplet>& triplets = s.GetFeasibleTriplets();
  while (!triplets.IsEmpty()) {
    const VelaPath path = triplets.Back();
    triplets.RemovePosition(triplets.Size() - 1);
    if (path.Size() < 2 || !path[1]) return 4;
    path[1]->BlockNeighbors();
    failures += RecursiveExtension(s, path, path[1]->GetIndex(), out);
    path[1]->UnBlockNeighbors();
  }
  return failures == 0 ? 0 : 1;
}

// The selection rule written out on a copy: stable sort, then keep a cycle
// only when one of its edges is not yet covered, covering from that edge on.
std::vector<VelaPath> PlainSelection(std::vector<VelaPath> cycles) {
  std::stable_sort(cycles.begin(), cycles.end(),
                   [](const VelaPath& a, const VelaPath& b) { return ComparePath(a, b) != 0; });
  std::set<const VelaGraphEdge*> covered;
  std::vector<VelaPath> kept;
  for (const VelaPath& c : cycles) {
    int first = 0;
    while (first < c.Size() && covered.count(c(first))) ++first;
    if (first == c.Size()) continue;
    for (int i = first; i < c.Size(); ++i) covered.insert(c(i));
    kept.push_back(c);
  }
  return kept;
}

// Vertex labels, edge names and both counters of a path, as one text.
std::string Describe(const VelaPath& p) {
  std::string text = std::to_string(p.GetPriority0Count()) + "/" + std::to_string(p.GetPriority1Count()) + ":";
  for (int i = 0; i < p.Size(); ++i) {
    text += " " + (p[i] ? std::to_string(p[i]->GetIndex()) : std::string("null")) + "(" +
            (p(i) ? p(i)->GetName().str() : "-") + ")";
  }
  return text;
}

template <class Paths>
std::vector<std::string> DescribeAll(const Paths& paths) {
  std::vector<std::string> out;
  for (const VelaPath& p : paths) out.push_back(Describe(p));
  return out;
}

TEST(VelaGraphSolverProperties, ChordlessSearchMatchesThePlainRecursionInOrder) {
  std::mt19937 rng(4242);
  int failedRuns = 0;
  for (int round = 0; round < 120; ++round) {
    const RandomGraph g = MakeGraph(rng, 4 + round % 9, 0.3 + 0.05 * (round % 6));
    VelaGraphSolver solver(0);
    VelaGraphSolver reference(0);
    const auto v = Build(solver, g, 1);
    const auto w = Build(reference, g, 1);
    std::uniform_int_distribution<int> priority(0, 3);
    for (int k = 0; k < solver.GetEdges().Size(); ++k) {
      const int pr = priority(rng);
      solver.GetEdges()[k]->SetPriority(pr);
      reference.GetEdges()[k]->SetPriority(pr);
    }
    if (round % 5 == 4) {
      // A missing neighbour: the frame that meets it fails and keeps its
      // neighbours blocked, exactly as the recursion's early return does.
      const std::size_t k = rng() % v.size();
      v[k]->AddAdjacentVertex(nullptr, solver.GetEdges().IsEmpty() ? nullptr : solver.GetEdges()[0]);
      w[k]->AddAdjacentVertex(nullptr, reference.GetEdges().IsEmpty() ? nullptr : reference.GetEdges()[0]);
    }
    std::vector<VelaPath> expected;
    const int expectedResult = RecursiveChordless(reference, expected);
    solver.SetMethod(VelaGraphSolver::Chordless);
    const int result = solver.RunOperator();
    ASSERT_EQ(result, expectedResult) << "round " << round;
    failedRuns += result != 0 ? 1 : 0;
    EXPECT_EQ(DescribeAll(solver.GetChordlessCycles()), DescribeAll(expected)) << "round " << round;
    for (std::size_t k = 0; k < v.size(); ++k) EXPECT_EQ(v[k]->GetBlocked(), w[k]->GetBlocked());

    if (result != 0) continue;
    VelaArray<VelaPath> selected;
    ASSERT_EQ(solver.ComputeChordlessCyclesWithSelection(selected), 0);
    EXPECT_EQ(DescribeAll(selected), DescribeAll(PlainSelection(expected))) << "round " << round;
  }
  EXPECT_GT(failedRuns, 0);  // the missing neighbour was met at least once
}

// What a run leaves to be read: its result, its output section, each
// cycle's labels, edges and counters, and the edges' selection flags.
std::string Outcome(const VelaGraphSolver& s, int result) {
  VelaStream out;
  s.WriteOutput(out);
  out.Flush();
  std::string text = std::to_string(result) + "\n" + static_cast<std::stringstream*>(out.GetStream())->str();
  for (const std::string& cycle : DescribeAll(s.GetChordlessCycles())) text += cycle + "\n";
  for (const VelaGraphEdge* e : s.GetEdges()) text += e->selected ? '1' : '0';
  return text;
}

int Compute(VelaGraphSolver& s, VelaGraphSolver::Method m) {
  VelaArray<VelaPath> cycles;
  VelaArray<VelaGraphSolver::Component> components;
  VelaArray<VelaGraphEdge*> tree;
  switch (m) {
    case VelaGraphSolver::Chordless: return s.ComputeChordlessCycles(cycles);
    case VelaGraphSolver::ChordlessSelection: return s.ComputeChordlessCyclesWithSelection(cycles);
    case VelaGraphSolver::StronglyConnectedComponents: return s.ComputeStronglyConnectedComponents(components);
    case VelaGraphSolver::SpanningTree: return s.RunSpanningTree(tree);
    default: return s.ComputeConnectedComponents(components);
  }
}

void Relabel(VelaGraphSolver& s, const std::vector<int>& labels) {
  for (std::size_t i = 0; i < labels.size(); ++i) s.GetVertices()[static_cast<int>(i)]->SetIndex(labels[i]);
}

// The same solver for the same seed: g with its edges turned at random
// (directed when asked), priorities and weights from few values (many
// ties), when asked an extra vertex x with the directed edge x -> vertex 0,
// then the labels.
void BuildAgain(VelaGraphSolver& s, const RandomGraph& g, bool directed, unsigned seed, bool grow,
                const std::vector<int>& labels) {
  std::mt19937 r(seed);
  const auto v = Build(s, g, directed ? 0 : 1, &r);
  for (VelaGraphEdge* e : s.GetEdges()) {
    e->SetPriority(static_cast<int>(r() % 4));
    e->SetWeight(static_cast<double>(r() % 4));
  }
  if (grow) s.CreateEdge(VelaString("ex"), s.CreateVertex(VelaString("x")), v[0], 0);
  Relabel(s, labels);
}

// A second run (through Run()) after a first (through the direct entry
// point) gives what one run of a fresh solver built like the graph now is
// gives: with the graph left as it was, relabelled, or grown by a vertex and
// a directed edge (the undirected methods then fail). Every other graph has
// each edge of vertex 0 four times over: many parallel edges.
TEST(VelaGraphSolverProperties, SecondRunGivesWhatAFreshSolverGives) {
  vela::test::ScopedConfigEnvironment env;
  GetGlobalParameters().Initialize();
  std::mt19937 rng(8128);
  for (int round = 0; round < 390; ++round) {
    const auto method = static_cast<VelaGraphSolver::Method>(1 + round % 5);
    const bool directed = method == VelaGraphSolver::StronglyConnectedComponents;
    const int change = (round / 5) % 3;  // 0 none, 1 new labels, 2 grown
    const int n = 4 + (round / 30) % 13;
    RandomGraph g = MakeGraph(rng, n, 0.2 + 0.1 * (round % 6));
    for (std::size_t k = 0, m = g.edges.size(); (round / 15) % 2 && k < m; ++k) {
      if (g.edges[k].first == 0) g.edges.insert(g.edges.end(), 3, g.edges[k]);
    }
    const unsigned seed = rng();
    std::vector<int> labels(static_cast<std::size_t>(n));
    std::iota(labels.begin(), labels.end(), 0);
    VelaGraphSolver solver(0);
    BuildAgain(solver, g, directed, seed, false, labels);
    Compute(solver, method);
    if (change == 1) std::shuffle(labels.begin(), labels.end(), rng);
    if (change == 2) {
      solver.CreateEdge(VelaString("ex"), solver.CreateVertex(VelaString("x")), solver.GetVertices()[0], 0);
      labels.push_back(n);
    }
    Relabel(solver, labels);
    solver.SetMethod(method);
    const int second = solver.Run();

    VelaGraphSolver fresh(0);
    BuildAgain(fresh, g, directed, seed, change == 2, labels);
    const int once = Compute(fresh, method);
    EXPECT_EQ(Outcome(solver, second), Outcome(fresh, once)) << "round " << round;
  }
}

TEST(VelaGraphSolverProperties, ChordlessRingOfTwoHundredThousandVertices) {
  // One chordless path as long as the graph: a recursion would need one
  // call per vertex.
  const int n = 200000;
  VelaGraphSolver solver(0);
  std::vector<VelaGraphVertex*> v;
  for (int i = 0; i < n; ++i) {
    v.push_back(solver.CreateVertex(VelaString("r")));
    v.back()->SetIndex(i);
  }
  for (int i = 0; i < n; ++i) {
    solver.CreateEdge(VelaString(i == 1 ? "closing" : "e"), v[static_cast<std::size_t>(i)],
                      v[static_cast<std::size_t>((i + 1) % n)], 1);
  }
  VelaArray<VelaPath> cycles;
  ASSERT_EQ(solver.ComputeChordlessCycles(cycles), 0);
  ASSERT_EQ(cycles.Size(), 1);
  const VelaPath& c = cycles[0];
  ASSERT_EQ(c.Size(), n);
  // The only triplet is (1, 0, n - 1); the path then runs down to 2, and the
  // edge 1 - 2 closes it.
  EXPECT_EQ(c[0], v[1]);
  EXPECT_EQ(c[1], v[0]);
  for (int k = 2; k < n; ++k) ASSERT_EQ(c[k], v[static_cast<std::size_t>(n + 1 - k)]) << k;
  EXPECT_EQ(std::string(c(0)->GetName().str()), "closing");
  for (const VelaGraphVertex* x : v) ASSERT_EQ(x->GetBlocked(), 0u);
}

TEST(VelaGraphSolverProperties, MillionVertexPathNeedsNoDeepCallStack) {
  const int n = 1000000;
  VelaGraphSolver solver(0);
  std::vector<VelaGraphVertex*> v;
  v.reserve(n);
  for (int i = 0; i < n; ++i) v.push_back(solver.CreateVertex(VelaString("v")));
  for (int i = 0; i + 1 < n; ++i) {
    solver.CreateEdge(VelaString("e"), v[static_cast<std::size_t>(i)], v[static_cast<std::size_t>(i) + 1], 1);
  }
  VelaArray<VelaGraphSolver::Component> components;
  ASSERT_EQ(solver.ComputeConnectedComponents(components), 0);
  ASSERT_EQ(components.Size(), 1);
  EXPECT_EQ(components[0].Size(), n);
  EXPECT_EQ(components[0].Back(), v.back());
  VelaArray<VelaGraphEdge*> tree;
  ASSERT_EQ(solver.RunSpanningTree(tree), 0);
  EXPECT_EQ(tree.Size(), n - 1);

  VelaGraphSolver directed(0);
  std::vector<VelaGraphVertex*> d;
  for (int i = 0; i < n; ++i) d.push_back(directed.CreateVertex(VelaString("d")));
  for (int i = 0; i + 1 < n; ++i) {
    directed.CreateEdge(VelaString("e"), d[static_cast<std::size_t>(i)], d[static_cast<std::size_t>(i) + 1], 0);
  }
  directed.CreateEdge(VelaString("back"), d.back(), d.front(), 0);
  VelaArray<VelaGraphSolver::Component> sccs;
  ASSERT_EQ(directed.ComputeStronglyConnectedComponents(sccs), 0);
  ASSERT_EQ(sccs.Size(), 1);
  EXPECT_EQ(sccs[0].Size(), n);
  EXPECT_EQ(sccs[0].Front(), d.back());  // pop order: the deepest vertex first
  EXPECT_EQ(sccs[0].Back(), d.front());
}

}  // namespace
