// The graph solver: known results and output sections byte for byte, the input
// section, random graphs against support/GraphModel, graphs of 200 000 vertices.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "support/GraphModel.h"
#include "vela/config/VelaGlobalParameters.h"
#include "vela/graph/VelaGraphSolver.h"
#include "vela/streams/VelaStream.h"

namespace {

using G = VelaGraphSolver;

template <void (G::*write)(VelaStream&) const>
std::string Text(const G& solver) {
  VelaStream s;
  (solver.*write)(s);
  return static_cast<std::stringstream*>(s.GetStream())->str();
}

VelaGraphEdge* E(int i) { return reinterpret_cast<VelaGraphEdge*>(std::uintptr_t{16} * (i + 1) + 8); }

// Vertices named by the letters of `vertices`, labelled by position (lower
// case: left unlabelled); edges e0, e1, ... from "AB" (undirected), "A>B"
// (directed), each with an optional ":weight"; "A." appends an entry without
// vertex or edge to A's adjacency.
void Build(G& solver, const std::string& vertices, const std::string& edges) {
  std::vector<VelaGraphVertex*> v;
  for (char c : vertices) v.push_back(solver.CreateVertex(VelaString(std::string(1, c).c_str())));
  for (std::size_t i = 0; i < v.size(); ++i) v[i]->SetIndex(std::islower(vertices[i]) ? -1 : int(i));
  std::istringstream in(edges);
  for (std::string t; in >> t;) {
    VelaGraphVertex* a = v[vertices.find(t[0])];
    const bool directed = t[1] == '>';
    const VelaString name(("e" + std::to_string(solver.GetEdges().Size())).c_str());
    if (t[1] == '.') a->AddAdjacentVertex(nullptr, nullptr);
    VelaGraphEdge* e = t[1] == '.' ? nullptr : solver.CreateEdge(name, a, v[vertices.find(t[1 + directed])], !directed);
    if (t.find(':') != std::string::npos) e->SetWeight(std::strtod(t.c_str() + t.find(':') + 1, nullptr));
  }
}

TEST(VelaGraphSolver, KnownResultsAndOutputSections) {
  const struct { const char *vertices, *edges; G::Method method; int result; const char* output; } cases[] = {
      {"abcd", "ab bc cd da", G::Chordless, 0, ""},  // unlabelled: nothing starts
      // Three paths of two edges between A and B: three 4-cycles, the third adds no edge.
      {"ABCDE", "AC CB AD DB AE EB", G::Chordless, 0, "D, A, E, B;\nC, A, E, B;\nC, A, D, B;\n"},
      {"ABCDE", "AC CB AD DB AE EB", G::ChordlessSelection, 0, "C, A, D, B;\nC, A, E, B;\n"},
      {"ABCDE", "AB DE BC", G::ConnectedComponents, 0, "A, B, C;\nD, E;\n"},
      // Equal weights in creation order, NaN after every number.
      {"ABC", "AB:nan AB:5 BC:1 BC:1", G::SpanningTree, 0, "e2, e1; "},
      {"ABCD", "A>B B>C C>A C>D", G::StronglyConnectedComponents, 0, "D;\nC, B, A;\n"},
      // A missing neighbour: a triplet without its middle vertex, or the start vertex's visit fails.
      {"ABCD", "AB BC CD DA C.", G::Chordless, 4, ""},
      {"AB", "AB A.", G::ConnectedComponents, 1, "A, B;\n"},
      {"AB", "A>B A.", G::StronglyConnectedComponents, 1, "B;\n"},
      {"AB", "AB", G::None, 1, ""},
  };
  const char* headers[] = {"", "CHORDLESS", "CHORDLESS", "STRONGLYCONNECTEDCOMPONENTS",
                           "SPANNINGTREE", "CONNECTEDCOMPONENTS"};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.edges) + " " + headers[c.method]);
    G solver(0);
    Build(solver, c.vertices, c.edges);
    solver.SetMethod(c.method);
    EXPECT_EQ(solver.RunOperator(), c.result);
    const std::string header = c.method ? std::string("\n#!") + headers[c.method] + "\n\n" : "";
    EXPECT_EQ(Text<&G::WriteOutput>(solver), "#=======Output=======\n" + header + c.output);
  }
}

TEST(VelaGraphSolver, CreatesEdgesAndFindsThem) {
  G solver(0);
  Build(solver, "ABC", "AB CB AB");
  const VelaArray<VelaGraphVertex*>& v = solver.GetVertices();
  const VelaArray<VelaGraphEdge*>& e = solver.GetEdges();
  EXPECT_TRUE(solver.CreateEdge(VelaString("x"), v[0], nullptr, 1) == nullptr && !solver.IsDirected());
  EXPECT_TRUE(solver.EdgeExists(v[1], v[0]) == e[0] && solver.EdgeExists(v[1], v[2]) == e[1]);
  EXPECT_TRUE(!solver.EdgeExists(v[0], v[2]) && !solver.EdgeExists(nullptr, v[1]) && e.Size() == 3);
  VelaGraphEdge* ac = solver.CreateEdge(VelaString("ac"), v[0], v[2], 0);  // in A's adjacency only
  EXPECT_TRUE(solver.IsDirected() && solver.EdgeExists(v[0], v[2]) == ac && !solver.EdgeExists(v[2], v[0]));
  EXPECT_EQ(VelaGraphEdge().undirected, 1);  // a default edge is undirected
}

// The input section, after the header every operator writes (here without a
// version line, which the configuration leaves out).
TEST(VelaGraphSolver, InputSection) {
  G solver(0);
  const std::string vertices = "#VelaGraphSolver\n#0\n\n#!VERTICES\n\nA;\nB;\n";
  GetGlobalParameters().SetPrintVersion(0);
  Build(solver, "AB", "");
  EXPECT_EQ(Text<&G::WriteInput>(solver), vertices + "\n\n#!EDGES\n\n\n\n#!OPTIONS\n\nUNKNOWN\n\n");
  Build(solver, "CD", "CD CD:2.5 D>C:0.1 DC");
  for (int k : {0, 1, 3}) solver.GetEdges()[k]->SetPriority(k < 3 ? k : -7);
  const std::string methods[] = {"ChordlessSelection", "StronglyConnectedComponents", "SpanningTree",
                                 "ConnectedComponents"};
  for (int m = 2; m <= 5; ++m) {
    solver.SetMethod(static_cast<G::Method>(m));
    EXPECT_EQ(Text<&G::WriteInput>(solver),
              vertices + "C;\nD;\n\n\n#!EDGES\n\ne0: C -- D {priority: 0 };\ne1: C -- D {priority: 1, weight: 2.5 };\n"
                         "e2: D -> C {weight: 0.10000000000000001 };\ne3: D -- C {priority: -7 };\n"
                         "\n\n#!OPTIONS\n\nMethod = " + methods[m - 2] + ";\n\n\n");
  }
  EXPECT_TRUE(solver.GetOperatorShortName() == VelaString("GrS"));
  KorRemove(KorCreateGraphSolver()), GetGlobalParameters().SetPrintVersion(1);
}

// Simple graphs, multigraphs and partly directed ones, relabelled between runs.
TEST(VelaGraphSolver, RandomGraphsAgreeWithTheModel) {
  for (std::uint32_t seed = 1; seed <= 300; ++seed) {
    vela::test::SeededChoices choices(seed);
    ASSERT_EQ(vela::test::RunGraphSequence(choices), "") << "seed " << seed;
  }
}

// A ring and a star towards its highest label: searches as deep or as wide as
// the graph, which must take neither the call stack nor quadratic time. The
// tree of equal weights is the first n - 1 edges.
TEST(VelaGraphSolver, EveryMethodOnGraphsOfTwoHundredThousandVertices) {
  constexpr int n = 200000;
  for (const bool ring : {true, false}) {
    G solver(0);
    std::vector<VelaGraphVertex*> v;
    for (int i = 0; i < n; ++i) v.push_back(solver.CreateVertex(VelaString("v"))), v[i]->SetIndex(i);
    for (int i = 0; i < n - !ring; ++i) solver.CreateEdge(VelaString("e"), v[i], v[ring ? (i + 1) % n : n - 1], 1);
    VelaArray<VelaPath> cycles;
    VelaArray<G::Component> components, sccs;
    VelaArray<VelaGraphEdge*> tree;
    ASSERT_EQ(solver.ComputeChordlessCycles(cycles), 0);  // before the other methods relabel
    EXPECT_TRUE(cycles.Size() == ring && (!ring || cycles[0].Size() == n));
    ASSERT_TRUE(solver.ComputeStronglyConnectedComponents(sccs) == 0 && sccs.Size() == 1);
    ASSERT_TRUE(solver.ComputeConnectedComponents(components) == 0 && components.Size() == 1);
    EXPECT_TRUE(sccs[0].Size() == n && components[0].Size() == n);
    ASSERT_EQ(solver.RunSpanningTree(tree), 0);
    EXPECT_TRUE(tree.Size() == n - 1 && std::equal(tree.begin(), tree.end(), solver.GetEdges().begin()));
  }
}

// Descending labels in runs of equal ones (parallel edges) after an entry
// without vertex: the sort is stable by label with that entry last, and the
// limit is the position of the first label above the vertex's own. A million
// entries take n log n time, not the hours of an insertion sort.
TEST(VelaGraphVertex, SortsAMillionEntriesStablyByLabel) {
  std::vector<VelaGraphVertex> leaves(1000);
  VelaGraphVertex hub;
  hub.SetIndex(499), hub.AddAdjacentVertex(nullptr, E(-1));
  for (int i = 0; i < 1000; ++i) leaves[i].SetIndex(i);
  for (int k = 0; k < 1000000; ++k) hub.AddAdjacentVertex(&leaves[999 - k / 1000], E(k));
  hub.PutInOrderAdjacentVertices();
  const VelaAdjacent& a = hub.GetAdjacentVertices();
  EXPECT_TRUE(a[0] == &leaves[0] && a(0) == E(999000) && a[999999] == &leaves[999] && a(999999) == E(999));
  EXPECT_TRUE(a[1000000] == nullptr && a(1000000) == E(-1) && hub.GetLabelLimit() == 500000);
}

}  // namespace
