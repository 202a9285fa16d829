// VelaGraphVertex::FindTriplets: the first step of the chordless-cycle
// search, which lists for a vertex u every open path x - u - y through two
// higher-labelled neighbours that are not joined by an edge (a joined pair
// would only close a triangle, which is never reported).
#include "graph/GraphTriplets.h"
#include "vela/graph/VelaGraphSolver.h"

#include <utility>

void VelaGraphVertex::FindTriplets(VelaGraphSolver* solver) {
  if (!solver) return;
  vela::detail::ForEachFeasibleTriplet(
      *this, [solver](const VelaGraphVertex* x, const VelaGraphVertex* y) { return solver->EdgeExists(x, y) != nullptr; },
      [solver](VelaTriplet&& triplet) { solver->GetFeasibleTriplets().Append(std::move(triplet)); });
}
