// Every method of the graph solver on graphs of a million vertices: a path,
// a star and a ring are as deep or as wide as the graph, which the searches
// must take with their own stacks and in near-linear time.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "vela/graph/VelaGraphSolver.h"

namespace {

constexpr int kVertices = 1000000;

enum class Shape { kPath, kStar, kRing };

// Vertices labelled 0 .. n-1 in creation order. Path: edge i joins i and
// i + 1. Star: edge i joins i and the hub n - 1, the highest label, so that
// no vertex has two higher neighbours (the star's n² / 2 induced paths of
// length two would otherwise all be triplets). Ring: the path and n-1 - 0.
std::vector<VelaGraphVertex*> Build(VelaGraphSolver& solver, Shape shape, unsigned char undirected) {
  std::vector<VelaGraphVertex*> v;
  v.reserve(kVertices);
  for (int i = 0; i < kVertices; ++i) {
    v.push_back(solver.CreateVertex(VelaString("v")));
    v.back()->SetIndex(i);
  }
  for (std::size_t i = 0; i + 1 < v.size(); ++i) {
    solver.CreateEdge(VelaString("e"), v[i], shape == Shape::kStar ? v.back() : v[i + 1], undirected);
  }
  if (shape == Shape::kRing) solver.CreateEdge(VelaString("e"), v.back(), v.front(), undirected);
  return v;
}

// Every method on one shape. A component holds each vertex at most once by
// construction, so a single component of n vertices holds them all.
void RunEveryMethod(Shape shape) {
  VelaGraphSolver solver(0);
  const std::vector<VelaGraphVertex*> v = Build(solver, shape, 1);
  const int cycles = shape == Shape::kRing ? 1 : 0;

  // The labels are still the creation positions here: the ring's one
  // chordless cycle runs through every vertex once.
  VelaArray<VelaPath> all, kept;
  ASSERT_EQ(solver.ComputeChordlessCycles(all), 0);
  ASSERT_EQ(all.Size(), cycles);
  if (cycles) {
    std::vector<bool> seen(kVertices, false);
    ASSERT_EQ(all[0].Size(), kVertices);
    for (int k = 0; k < kVertices; ++k) seen[static_cast<std::size_t>(all[0][k]->GetIndex())] = true;
    EXPECT_EQ(std::count(seen.begin(), seen.end(), true), kVertices);
  }
  ASSERT_EQ(solver.ComputeChordlessCyclesWithSelection(kept), 0);
  EXPECT_EQ(kept.Size(), cycles);

  VelaArray<VelaGraphSolver::Component> components, sccs;
  ASSERT_EQ(solver.ComputeConnectedComponents(components), 0);
  ASSERT_EQ(components.Size(), 1);
  EXPECT_EQ(components[0].Size(), kVertices);
  EXPECT_EQ(components[0].Front(), v.front());

  // Equal weights: the tree is the first n - 1 edges in creation order.
  VelaArray<VelaGraphEdge*> tree;
  ASSERT_EQ(solver.RunSpanningTree(tree), 0);
  ASSERT_EQ(tree.Size(), kVertices - 1);
  EXPECT_TRUE(std::equal(tree.begin(), tree.end(), solver.GetEdges().begin()));

  ASSERT_EQ(solver.ComputeStronglyConnectedComponents(sccs), 0);
  ASSERT_EQ(sccs.Size(), 1);
  EXPECT_EQ(sccs[0].Size(), kVertices);
}

TEST(VelaGraphLarge, EveryMethodOnAPathOfAMillionVertices) { RunEveryMethod(Shape::kPath); }
TEST(VelaGraphLarge, EveryMethodOnAStarOfAMillionVertices) { RunEveryMethod(Shape::kStar); }
TEST(VelaGraphLarge, EveryMethodOnARingOfAMillionVertices) { RunEveryMethod(Shape::kRing); }

// Directed, a path is a million singleton components closed deepest first,
// and a star towards its hub is too, the hub first.
TEST(VelaGraphLarge, DirectedPathAndStarAreAMillionSingletons) {
  for (const Shape shape : {Shape::kPath, Shape::kStar}) {
    VelaGraphSolver solver(0);
    const std::vector<VelaGraphVertex*> v = Build(solver, shape, 0);
    VelaArray<VelaGraphSolver::Component> sccs;
    ASSERT_EQ(solver.ComputeStronglyConnectedComponents(sccs), 0);
    ASSERT_EQ(sccs.Size(), kVertices);
    EXPECT_EQ(sccs[0][0], v.back());
    const int order = shape == Shape::kPath ? -1 : 0;  // the path closes v[n-1], v[n-2], ...; the star v[0], v[1], ...
    for (int k = 1; k < kVertices; ++k) {
      ASSERT_EQ(sccs[k].Size(), 1);
      ASSERT_EQ(sccs[k][0], v[static_cast<std::size_t>(order ? kVertices - 1 - k : k - 1)]) << k;
    }
    VelaArray<VelaGraphSolver::Component> components;
    EXPECT_EQ(solver.ComputeConnectedComponents(components), 1);  // components need an undirected graph
  }
}

}  // namespace
