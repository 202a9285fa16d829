// The graph solver's results against independent computations, shared by
// the graph tests and the graph fuzzer: brute-force induced cycles, a
// union-find, reachability by closure and a plain Kruskal with the
// relabelling rule. Each check returns the first disagreement as a text
// ("" when none). Vertices are identified by their creation position, never
// by their labels, which the runs overwrite.
#ifndef VELA_TESTS_SUPPORT_GRAPHMODEL_H
#define VELA_TESTS_SUPPORT_GRAPHMODEL_H

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "support/Choices.h"
#include "vela/graph/VelaGraphSolver.h"

namespace vela::test {

struct RandomGraph {
  int n = 0;
  std::vector<std::pair<int, int>> edges;  // creation positions of the ends
};

// A simple graph (no loops, no parallel edges) with each pair joined with
// probability p, the edges in random order.
RandomGraph MakeGraph(Choices& c, int n, double p);

// Creates g's vertices (labelled 0, 1, ...) and edges ("e0", "e1", ...) in
// `solver`; with `flip` each edge's ends are exchanged at random.
std::vector<VelaGraphVertex*> BuildGraph(VelaGraphSolver& solver, const RandomGraph& g, unsigned char undirected,
                                         Choices* flip = nullptr);

// The creation position of x (-1 when it is not one of v).
int Position(const std::vector<VelaGraphVertex*>& v, const VelaGraphVertex* x);

// Vertex sets (as bit masks, n <= 16) of size >= 4 whose induced subgraph
// is one cycle.
std::set<unsigned> InducedCycles(const RandomGraph& g);

// Every cycle runs through edges of the graph, entry i's edge joining
// entries i-1 and i (entry 0's closing the cycle). On a `simple` graph (no
// loops, no parallel edges, at most 16 vertices) each has at least four
// distinct vertices and no chord, and the cycles are exactly the induced
// cycles, each once. Otherwise they are only closed walks: the triplet
// search pairs a neighbour reached by two parallel edges with itself.
std::string CheckChordlessCycles(const RandomGraph& g, const std::vector<VelaGraphVertex*>& v,
                                 const VelaArray<VelaPath>& cycles, bool simple);
// The kept cycles come in ComparePath order, each adds an edge the earlier
// ones did not cover, and together they cover every edge of `all`.
std::string CheckSelection(const VelaArray<VelaPath>& all, const VelaArray<VelaPath>& kept);
// The components partition the vertices as a union-find of the edges does,
// each vertex labelled with its component's number, the components in the
// order of their first vertex's creation.
std::string CheckConnectedComponents(const RandomGraph& g, const std::vector<VelaGraphVertex*>& v,
                                     const VelaArray<VelaGraphSolver::Component>& components);
// The components partition the vertices into the classes of mutual
// reachability over the solver's edges (an undirected one leads both ways),
// in reverse topological order.
std::string CheckStronglyConnectedComponents(const VelaGraphSolver& s, const std::vector<VelaGraphVertex*>& v,
                                             const VelaArray<VelaGraphSolver::Component>& sccs);
// For an undirected, connected graph: result 0 and exactly the tree of the
// plain relabelling rule over the edges sorted by weight (stable; NaN
// weights last), hence Kruskal's weight. Otherwise result 1.
std::string CheckSpanningTree(const VelaGraphSolver& s, int result, const VelaArray<VelaGraphEdge*>& tree);

}  // namespace vela::test

#endif  // VELA_TESTS_SUPPORT_GRAPHMODEL_H
