// The graph solver on random graphs with fixed seeds, each result checked
// against an independent computation (support/GraphModel, shared with the
// graph fuzzer): brute-force induced cycles, a union-find, reachability, a
// plain Kruskal and the plain relabelling rule; the chordless search against
// the plain recursion; and a second run checked against a fresh solver.
#include <algorithm>
#include <numeric>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "support/GraphModel.h"
#include "support/InternalMode.h"
#include "vela/config/VelaGlobalParameters.h"
#include "vela/graph/VelaGraphSolver.h"
#include "vela/streams/VelaStream.h"

namespace {

using vela::test::BuildGraph;
using vela::test::MakeGraph;
using vela::test::RandomGraph;
using vela::test::SeededChoices;

TEST(VelaGraphSolverProperties, ChordlessCyclesAreExactlyTheInducedCycles) {
  SeededChoices choices(2024);
  std::size_t total = 0;
  for (int round = 0; round < 150; ++round) {
    const int n = 4 + round % 7;
    const RandomGraph g = MakeGraph(choices, n, 0.25 + 0.05 * (round % 8));
    VelaGraphSolver solver(0);
    const auto v = BuildGraph(solver, g, 1);
    VelaArray<VelaPath> cycles;
    ASSERT_EQ(solver.ComputeChordlessCycles(cycles), 0);
    ASSERT_EQ(vela::test::CheckChordlessCycles(g, v, cycles, true), "") << "round " << round;
    total += static_cast<std::size_t>(cycles.Size());
  }
  EXPECT_GT(total, 150u);  // the graphs are not too sparse to have cycles
}

TEST(VelaGraphSolverProperties, SelectionCoversEveryCycleEdgeAndEachKeptCycleAddsOne) {
  SeededChoices choices(77);
  for (int round = 0; round < 60; ++round) {
    const RandomGraph g = MakeGraph(choices, 5 + round % 6, 0.4);
    VelaGraphSolver solver(0);
    BuildGraph(solver, g, 1);
    VelaArray<VelaPath> all;
    ASSERT_EQ(solver.ComputeChordlessCycles(all), 0);
    VelaArray<VelaPath> kept;
    ASSERT_EQ(solver.ComputeChordlessCyclesWithSelection(kept), 0);
    ASSERT_EQ(vela::test::CheckSelection(all, kept), "") << "round " << round;
  }
}

TEST(VelaGraphSolverProperties, ComponentsPartitionTheVerticesLikeAUnionFind) {
  SeededChoices choices(5);
  for (int round = 0; round < 60; ++round) {
    const int n = 1 + round * 3;
    const RandomGraph g = MakeGraph(choices, n, 1.5 / n);
    VelaGraphSolver solver(0);
    const auto v = BuildGraph(solver, g, 1);
    VelaArray<VelaGraphSolver::Component> components;
    ASSERT_EQ(solver.ComputeConnectedComponents(components), 0);
    ASSERT_EQ(vela::test::CheckConnectedComponents(g, v, components), "") << "round " << round;
  }
}

TEST(VelaGraphSolverProperties, StronglyConnectedComponentsAreStronglyConnectedAndMaximal) {
  SeededChoices choices(11);
  for (int round = 0; round < 60; ++round) {
    const int n = 1 + round % 25;
    const RandomGraph g = MakeGraph(choices, n, 2.0 / n);
    VelaGraphSolver solver(0);
    const auto v = BuildGraph(solver, g, 0, &choices);
    VelaArray<VelaGraphSolver::Component> sccs;
    ASSERT_EQ(solver.ComputeStronglyConnectedComponents(sccs), 0);
    ASSERT_EQ(vela::test::CheckStronglyConnectedComponents(solver, v, sccs), "") << "round " << round;
  }
}

TEST(VelaGraphSolverProperties, SpanningTreeIsThePlainRulesTreeWithKruskalsWeight) {
  SeededChoices choices(99);
  for (int round = 0; round < 80; ++round) {
    const int n = 2 + round % 40;
    RandomGraph g = MakeGraph(choices, n, 0.3);
    for (int i = 1; i < n; ++i) g.edges.emplace_back(static_cast<int>(choices.Pick(static_cast<std::size_t>(i))), i);
    VelaGraphSolver solver(0);
    BuildGraph(solver, g, 1);
    for (VelaGraphEdge* e : solver.GetEdges()) e->SetWeight(static_cast<double>(choices.Pick(7)) * 0.5);  // many ties
    VelaArray<VelaGraphEdge*> tree;
    const int result = solver.RunSpanningTree(tree);
    ASSERT_EQ(result, 0);
    ASSERT_EQ(tree.Size(), n - 1);
    ASSERT_EQ(vela::test::CheckSpanningTree(solver, result, tree), "") << "round " << round;
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
  SeededChoices choices(4242);
  int failedRuns = 0;
  for (int round = 0; round < 120; ++round) {
    const RandomGraph g = MakeGraph(choices, 4 + round % 9, 0.3 + 0.05 * (round % 6));
    VelaGraphSolver solver(0);
    VelaGraphSolver reference(0);
    const auto v = BuildGraph(solver, g, 1);
    const auto w = BuildGraph(reference, g, 1);
    for (int k = 0; k < solver.GetEdges().Size(); ++k) {
      const int pr = static_cast<int>(choices.Pick(4));
      solver.GetEdges()[k]->SetPriority(pr);
      reference.GetEdges()[k]->SetPriority(pr);
    }
    if (round % 5 == 4) {
      // A missing neighbour: the frame that meets it fails and keeps its
      // neighbours blocked, exactly as the recursion's early return does.
      const std::size_t k = choices.Pick(v.size());
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
  SeededChoices r(seed);
  const auto v = BuildGraph(s, g, directed ? 0 : 1, &r);
  for (VelaGraphEdge* e : s.GetEdges()) {
    e->SetPriority(static_cast<int>(r.Pick(4)));
    e->SetWeight(static_cast<double>(r.Pick(4)));
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
  SeededChoices choices(8128);
  std::mt19937& rng = choices.Generator();
  for (int round = 0; round < 390; ++round) {
    const auto method = static_cast<VelaGraphSolver::Method>(1 + round % 5);
    const bool directed = method == VelaGraphSolver::StronglyConnectedComponents;
    const int change = (round / 5) % 3;  // 0 none, 1 new labels, 2 grown
    const int n = 4 + (round / 30) % 13;
    RandomGraph g = MakeGraph(choices, n, 0.2 + 0.1 * (round % 6));
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
