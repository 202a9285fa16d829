// The graph solver: the five methods on small graphs whose results are
// known, with their result codes and output sections byte for byte; the
// input section and a recorded run; random graphs against the model; and
// graphs as deep and as wide as 200 000 vertices.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/GraphModel.h"
#include "support/InternalMode.h"
#include "support/TestSupport.h"
#include "vela/config/VelaGlobalParameters.h"
#include "vela/graph/VelaGraphSolver.h"
#include "vela/streams/VelaStream.h"

namespace {

using Method = VelaGraphSolver::Method;

template <void (VelaGraphSolver::*write)(VelaStream&) const>
std::string Text(const VelaGraphSolver& solver) {
  VelaStream s;
  (solver.*write)(s);
  s.Flush();
  return static_cast<std::stringstream*>(s.GetStream())->str();
}

// Vertices named by the letters of `vertices`, labelled by position (lower
// case: left unlabelled); edges e0, e1, ... from "AB" (undirected), "A>B"
// (directed), each with an optional ":weight"; "A." appends an entry without
// vertex or edge to A's adjacency.
void Build(VelaGraphSolver& solver, const std::string& vertices, const std::string& edges) {
  std::vector<VelaGraphVertex*> v;
  for (char c : vertices) v.push_back(solver.CreateVertex(VelaString(std::string(1, c).c_str())));
  for (std::size_t i = 0; i < v.size(); ++i) v[i]->SetIndex(std::islower(vertices[i]) ? -1 : static_cast<int>(i));
  std::istringstream in(edges);
  for (std::string t; in >> t;) {
    VelaGraphVertex* a = v[vertices.find(t[0])];
    if (t[1] == '.') {
      a->AddAdjacentVertex(nullptr, nullptr);
      continue;
    }
    const bool directed = t[1] == '>';
    const std::string name = "e" + std::to_string(solver.GetEdges().Size());
    VelaGraphEdge* e = solver.CreateEdge(VelaString(name.c_str()), a, v[vertices.find(t[1 + directed])], !directed);
    if (t.find(':') != std::string::npos) e->SetWeight(std::strtod(t.c_str() + t.find(':') + 1, nullptr));
  }
}

TEST(VelaGraphSolver, KnownResultsAndOutputSections) {
  struct Case { const char *vertices, *edges; Method method; int result; const char* output; };
  const Case cases[] = {
      // A square: one chordless cycle; its chord leaves two triangles; unlabelled, nothing starts.
      {"ABCD", "AB BC CD DA", VelaGraphSolver::Chordless, 0, "B, A, D, C;\n"},
      {"ABCD", "AB BC CD DA AC", VelaGraphSolver::Chordless, 0, ""},
      {"abcd", "ab bc cd da", VelaGraphSolver::Chordless, 0, ""},
      // Three paths of two edges between A and B: three 4-cycles, the third adds no edge.
      {"ABCDE", "AC CB AD DB AE EB", VelaGraphSolver::Chordless, 0, "D, A, E, B;\nC, A, E, B;\nC, A, D, B;\n"},
      {"ABCDE", "AC CB AD DB AE EB", VelaGraphSolver::ChordlessSelection, 0, "C, A, D, B;\nC, A, E, B;\n"},
      {"ABCDE", "AB DE BC", VelaGraphSolver::ConnectedComponents, 0, "A, B, C;\nD, E;\n"},
      {"ABCDE", "AB DE BC", VelaGraphSolver::SpanningTree, 1, ""},
      {"ABCDE", "AB:3 DE:3 BC:3 CD:5 AD:2 AE:1", VelaGraphSolver::SpanningTree, 0, "e5, e4, e0, e2; "},
      // Equal weights in creation order, NaN after every number.
      {"ABC", "AB:nan AB:5 BC:1 BC:1", VelaGraphSolver::SpanningTree, 0, "e2, e1; "},
      {"ABCD", "A>B B>C C>A C>D", VelaGraphSolver::StronglyConnectedComponents, 0, "D;\nC, B, A;\n"},
      {"ABCD", "A>B B>C C>A C>D", VelaGraphSolver::ConnectedComponents, 1, ""},
      {"ABCD", "A>B B>C C>A C>D", VelaGraphSolver::SpanningTree, 1, ""},
      // A missing neighbour: a triplet without its middle vertex, or the start vertex's visit fails.
      {"ABCD", "AB BC CD DA C.", VelaGraphSolver::Chordless, 4, ""},
      {"AB", "AB A.", VelaGraphSolver::ConnectedComponents, 1, "A, B;\n"},
      {"AB", "A>B A.", VelaGraphSolver::StronglyConnectedComponents, 1, "B;\n"},
      {"AB", "AB", VelaGraphSolver::None, 1, ""},
  };
  const char* headers[] = {"", "CHORDLESS", "CHORDLESS", "STRONGLYCONNECTEDCOMPONENTS", "SPANNINGTREE",
                           "CONNECTEDCOMPONENTS"};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.edges) + " " + headers[c.method]);
    VelaGraphSolver solver(0);
    Build(solver, c.vertices, c.edges);
    solver.SetMethod(c.method);
    EXPECT_EQ(solver.RunOperator(), c.result);
    const std::string header = c.method ? std::string("\n#!") + headers[c.method] + "\n\n" : "";
    EXPECT_EQ(Text<&VelaGraphSolver::WriteOutput>(solver), "#=======Output=======\n" + header + c.output);
  }
}

TEST(VelaGraphSolver, CreatesEdgesAndFindsThem) {
  VelaGraphSolver solver(0);
  Build(solver, "ABCD", "AB AB CB DB");
  const VelaArray<VelaGraphVertex*>& v = solver.GetVertices();
  const VelaArray<VelaGraphEdge*>& e = solver.GetEdges();
  EXPECT_TRUE(solver.CreateEdge(VelaString("x"), v[0], nullptr, 1) == nullptr && e.Size() == 4 && !solver.IsDirected());
  EXPECT_TRUE(solver.EdgeExists(v[0], v[1]) == e[0] && solver.EdgeExists(v[1], v[0]) == e[0]);
  EXPECT_TRUE(solver.EdgeExists(v[1], v[3]) == e[3] && solver.EdgeExists(v[0], v[2]) == nullptr);
  EXPECT_EQ(solver.EdgeExists(nullptr, v[1]), nullptr);
  VelaGraphEdge* ad = solver.CreateEdge(VelaString("ad"), v[0], v[3], 0);  // directed: A's adjacency only
  EXPECT_TRUE(solver.IsDirected() && solver.EdgeExists(v[0], v[3]) == ad && solver.EdgeExists(v[3], v[0]) == nullptr);
  EXPECT_EQ(v[3]->GetAdjacentVertices().Size(), 1);
}

// The text sections byte for byte, and a recorded run: its replay file is
// the input section followed by the output section.
TEST(VelaGraphSolver, InputSectionAndReplayFile) {
  vela::test::ScopedConfigEnvironment env;
  vela::test::TempPath dir("vela_graph_solver_run");
  std::filesystem::create_directories(dir.path());
  VelaGlobalParameters& gp = GetGlobalParameters();
  gp.Initialize();
  const unsigned int level = gp.GetVelFullOpenConfigurationLevel();
  std::string header = "#VelaGraphSolver\n#0\n# Vel version Vel_17W08 level " + std::to_string(level >> 16);
  header += (level & 0xFFFFu ? " hf" + std::to_string(level & 0xFFFFu) : std::string()) + "\n\n";
  VelaGraphSolver solver(0);
  Build(solver, "AB", "");
  EXPECT_EQ(Text<&VelaGraphSolver::WriteInput>(solver),
            header + "#!VERTICES\n\nA;\nB;\n\n\n#!EDGES\n\n\n\n#!OPTIONS\n\nUNKNOWN\n\n");
  Build(solver, "CD", "CD CD:2.5 D>C:0.1 DC");
  solver.GetEdges()[0]->SetPriority(0), solver.GetEdges()[1]->SetPriority(1), solver.GetEdges()[3]->SetPriority(-7);
  const char* methods[] = {"ChordlessSelection", "StronglyConnectedComponents", "SpanningTree", "ConnectedComponents"};
  for (int m = 2; m <= 5; ++m) {
    solver.SetMethod(static_cast<Method>(m));
    EXPECT_EQ(Text<&VelaGraphSolver::WriteInput>(solver),
              header + "#!VERTICES\n\nA;\nB;\nC;\nD;\n\n\n#!EDGES\n\ne0: C -- D {priority: 0 };\n"
                       "e1: C -- D {priority: 1, weight: 2.5 };\ne2: D -> C {weight: 0.10000000000000001 };\n"
                       "e3: D -- C {priority: -7 };\n\n\n#!OPTIONS\n\nMethod = " + methods[m - 2] + ";\n\n\n");
  }
  gp.SetReplayPath(dir.path().c_str());
  gp.SetReplayMode(3);
  VelaGraphSolver square(0);
  Build(square, "ABCD", "AB BC CD DA");
  square.SetMethod(VelaGraphSolver::Chordless);
  const std::string input = Text<&VelaGraphSolver::WriteInput>(square);
  EXPECT_EQ(square.Run(), 0);
  EXPECT_EQ(vela::test::ReadFile(dir.path() + "/Vela001.VelReplay"),
            input + "#=======Output=======\n\n#!CHORDLESS\n\nB, A, D, C;\n");
  EXPECT_TRUE(square.GetOperatorName() == VelaString("VelaGraphSolver") &&
              square.GetOperatorShortName() == VelaString("GrS") && square.GetVelLevel() == level);
  KorRemove(KorCreateGraphSolver());
  gp.Initialize();
  gp.InitializeEnv();
}

// Simple graphs, multigraphs and partly directed ones, several runs on each
// solver, relabelled between runs: every result is the model's.
TEST(VelaGraphSolver, RandomGraphsAgreeWithTheModel) {
  for (std::uint32_t seed = 1; seed <= 300; ++seed) {
    vela::test::SeededChoices choices(seed);
    ASSERT_EQ(vela::test::RunGraphSequence(choices), "") << "seed " << seed;
  }
}

// A path, a star towards its highest label, a ring and a directed path:
// searches as deep or as wide as the graph, which must take neither the call
// stack nor quadratic time. The tree of equal weights is the first n - 1 edges.
TEST(VelaGraphSolver, EveryMethodOnGraphsOfTwoHundredThousandVertices) {
  constexpr int n = 200000;
  for (int shape = 0; shape < 4; ++shape) {
    SCOPED_TRACE(shape);
    VelaGraphSolver solver(0);
    std::vector<VelaGraphVertex*> v;
    for (int i = 0; i < n; ++i) v.push_back(solver.CreateVertex(VelaString("v"))), v.back()->SetIndex(i);
    for (int i = 0; i + 1 < n; ++i) solver.CreateEdge(VelaString("e"), v[i], v[shape == 1 ? n - 1 : i + 1], shape != 3);
    if (shape == 2) solver.CreateEdge(VelaString("e"), v[n - 1], v[0], 1);
    VelaArray<VelaPath> cycles;
    VelaArray<VelaGraphSolver::Component> components, sccs;
    VelaArray<VelaGraphEdge*> tree;
    if (shape < 3) {  // the labels first: the other methods overwrite them
      ASSERT_EQ(solver.ComputeChordlessCycles(cycles), 0);
      ASSERT_EQ(cycles.Size(), shape == 2 ? 1 : 0);
      EXPECT_TRUE(shape != 2 || cycles[0].Size() == n);
    }
    ASSERT_EQ(solver.ComputeStronglyConnectedComponents(sccs), 0);
    if (shape == 3) {  // singletons, closed deepest first
      ASSERT_EQ(sccs.Size(), n);
      EXPECT_TRUE(sccs[0][0] == v[n - 1] && sccs[n - 1][0] == v[0]);
      continue;
    }
    EXPECT_TRUE(sccs.Size() == 1 && sccs[0].Size() == n);
    ASSERT_EQ(solver.ComputeConnectedComponents(components), 0);
    EXPECT_TRUE(components.Size() == 1 && components[0].Size() == n);
    ASSERT_EQ(solver.RunSpanningTree(tree), 0);
    ASSERT_EQ(tree.Size(), n - 1);
    EXPECT_TRUE(std::equal(tree.begin(), tree.end(), solver.GetEdges().begin()));
  }
}

}  // namespace
