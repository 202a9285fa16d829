// The enumeration behind VelaGraphVertex::FindTriplets, kept apart from the
// solver so that it can be driven with any edge test and any sink.
#ifndef VELA_SRC_GRAPH_GRAPHTRIPLETS_H
#define VELA_SRC_GRAPH_GRAPHTRIPLETS_H

#include "vela/graph/VelaGraph.h"

namespace vela::detail {

// For u with a sorted adjacency and label limit L in range: for positions
// L <= i < j, i ascending then j ascending, hands sink the triplet
// (x_i, u, e_i, y_j, e_j) unless edgeExists(x_i, y_j) is true.
template <class EdgeExists, class Sink>
void ForEachFeasibleTriplet(VelaGraphVertex& u, EdgeExists&& edgeExists, Sink&& sink) {
  const VelaAdjacent& adjacency = u.GetAdjacentVertices();
  const int n = adjacency.Size();
  const int limit = u.GetLabelLimit();
  if (limit < 0 || limit >= n) return;
  for (int i = limit; i < n; ++i) {
    for (int j = i + 1; j < n; ++j) {
      if (edgeExists(adjacency[i], adjacency[j])) continue;
      sink(VelaTriplet(adjacency[i], &u, adjacency(i), adjacency[j], adjacency(j)));
    }
  }
}

}  // namespace vela::detail

#endif  // VELA_SRC_GRAPH_GRAPHTRIPLETS_H
