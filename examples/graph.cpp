// vela_example_graph: the constraint graph of a small sketch, its chordless
// cycles, its minimum spanning tree and its connected components.
//
// Vertices stand for geometric elements, edges for the constraints between
// them. The direct Compute* calls are used here; Run() computes the same
// through the operator protocol, with replay recording when configured.

#include <iostream>

#include "vela/VelaUtilities.h"

namespace {

void PrintCycles(VelaStream& out, const VelaArray<VelaPath>& cycles) {
  for (const VelaPath& cycle : cycles) {
    out << "  cycle";
    for (int i = 0; i < cycle.Size(); ++i) out << " " << cycle[i]->GetName();
    out << velendl;
  }
}

}  // namespace

int main() {
  VelaStream out(&std::cout);

  // [guide:graph-build]
  VelaGraphSolver* solver = KorCreateGraphSolver();  // undirected; owns what it creates
  const char* names[] = {"A", "B", "C", "D", "E", "F", "G"};
  VelaGraphVertex* v[7];
  for (int i = 0; i < 7; ++i) {
    v[i] = solver->CreateVertex(names[i]);
    v[i]->SetIndex(i);  // distinct labels: the chordless search needs them
  }
  struct Constraint { const char* name; int a, b; double weight; };
  const Constraint constraints[] = {
      {"AB", 0, 1, 1.0},  {"BC", 1, 2, 2.0}, {"CD", 2, 3, 1.5},  {"DA", 3, 0, 0.5}, {"BE", 1, 4, 3.0},
      {"EF", 4, 5, 0.75}, {"FC", 5, 2, 2.5}, {"FG", 5, 6, 1.0}, {"GC", 6, 2, 1.25}};
  for (const Constraint& c : constraints) {
    solver->CreateEdge(c.name, v[c.a], v[c.b], 1)->SetWeight(c.weight);
  }
  // [guide:graph-build]

  out << "-- chordless cycles (triangles are never reported)" << velendl;
  // [guide:graph-cycles]
  VelaArray<VelaPath> cycles;
  int result = solver->ComputeChordlessCycles(cycles);  // 0 success, 1 failure
  // [guide:graph-cycles]
  out << "result " << result << ", " << cycles.Size() << " cycles" << velendl;
  PrintCycles(out, cycles);

  out << "-- covering selection: each cycle brings an edge not covered before" << velendl;
  VelaArray<VelaPath> selection;
  result = solver->ComputeChordlessCyclesWithSelection(selection);
  out << "result " << result << ", " << selection.Size() << " cycles" << velendl;
  PrintCycles(out, selection);

  out << "-- minimum spanning tree" << velendl;
  // [guide:graph-tree]
  VelaArray<VelaGraphEdge*> tree;
  result = solver->RunSpanningTree(tree);  // overwrites the vertex indices
  double total = 0.0;
  for (const VelaGraphEdge* edge : tree) total += edge->weight;
  // [guide:graph-tree]
  out << "result " << result << ", " << tree.Size() << " edges:";
  for (const VelaGraphEdge* edge : tree) out << " " << edge->GetName();
  out << ", total weight " << total << velendl;

  out << "-- connected components after adding a detached pair" << velendl;
  // [guide:graph-components]
  VelaGraphVertex* h = solver->CreateVertex("H");
  VelaGraphVertex* k = solver->CreateVertex("K");
  solver->CreateEdge("HK", h, k, 1);
  VelaArray<VelaGraphSolver::Component> components;
  result = solver->ComputeConnectedComponents(components);
  // [guide:graph-components]
  out << "result " << result << ", " << components.Size() << " components" << velendl;
  for (const VelaGraphSolver::Component& component : components) {
    out << "  component";
    for (const VelaGraphVertex* vertex : component) out << " " << vertex->GetName();
    out << velendl;
  }
  VelaArray<VelaGraphEdge*> none;
  out << "spanning tree of two pieces: result " << solver->RunSpanningTree(none) << ", tree left "
      << (none.Size() == 0 ? "empty" : "filled") << velendl;

  KorRemove(solver);  // frees the solver, its vertices and its edges
  return 0;
}
