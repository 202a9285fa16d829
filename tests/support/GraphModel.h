#ifndef VELA_TESTS_SUPPORT_GRAPHMODEL_H
#define VELA_TESTS_SUPPORT_GRAPHMODEL_H

#include <string>

#include "support/Choices.h"

namespace vela::test {

// The graph solver against a model, shared by the graph tests and fuzzer: a
// graph of up to 12 vertices and 40 edges (simple, a multigraph, or partly
// directed) with priorities, weights (NaN and infinities among them), and up to
// 8 runs of any method, relabelled before each: components by plain recursive
// visits, the tree by Kruskal's rule, chordless cycles as closed walks (on a
// simple graph, its induced cycles), the selection by its covering rule.
// Returns the first disagreement, "" when there is none.
std::string RunGraphSequence(Choices& c);

}  // namespace vela::test

#endif  // VELA_TESTS_SUPPORT_GRAPHMODEL_H
