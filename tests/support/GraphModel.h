// The graph solver against a model of its results, shared by the graph tests
// and the graph fuzzer: components and strongly connected components by the
// plain recursive visits, the spanning tree by Kruskal's rule as stated
// (stable weight order, NaN last, relabelling), the selection by its rule on
// the cycles found, and the chordless cycles as closed walks through the
// graph's edges that, on a simple graph, are exactly its induced cycles.
#ifndef VELA_TESTS_SUPPORT_GRAPHMODEL_H
#define VELA_TESTS_SUPPORT_GRAPHMODEL_H

#include <string>

#include "support/Choices.h"

namespace vela::test {

// Decodes a graph of up to 12 vertices and 40 edges (simple; with loops and
// parallel edges; or that with edges directed at random), builds it in a
// solver with priorities, weights (NaN and infinities among them) and
// labels drawn from `c`, and runs up to 8 methods on that one solver,
// relabelling it before each run (now and then with new labels). Returns the
// first disagreement with the model as a text, "" when there is none.
std::string RunGraphSequence(Choices& c);

}  // namespace vela::test

#endif  // VELA_TESTS_SUPPORT_GRAPHMODEL_H
