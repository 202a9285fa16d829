// The graph solver: graph building, the five methods on the small graphs
// whose results are known, result codes, the text sections byte for byte and
// one recorded run compared with its replay file.
#include <algorithm>
#include <filesystem>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/InternalMode.h"
#include "support/TestSupport.h"
#include "vela/config/VelaGlobalParameters.h"
#include "vela/graph/VelaGraphSolver.h"
#include "vela/streams/VelaStream.h"

namespace {

using vela::test::ReadFile;
using vela::test::ScopedConfigEnvironment;
using vela::test::TempPath;

std::string Names(const VelaPath& p) {
  std::string s;
  for (int i = 0; i < p.Size(); ++i) s += (i ? "," : "") + std::string(p[i]->GetName().str());
  return s;
}

std::string Names(const VelaGraphSolver::Component& c) {
  std::string s;
  for (int i = 0; i < c.Size(); ++i) s += (i ? "," : "") + std::string(c[i]->GetName().str());
  return s;
}

std::string InputText(const VelaGraphSolver& solver) {
  VelaStream s;
  solver.WriteInput(s);
  s.Flush();
  return static_cast<std::stringstream*>(s.GetStream())->str();
}

std::string OutputText(const VelaGraphSolver& solver) {
  VelaStream s;
  solver.WriteOutput(s);
  s.Flush();
  return static_cast<std::stringstream*>(s.GetStream())->str();
}

// Vertices named by the letters of `names`, labelled 0, 1, ... in order.
std::vector<VelaGraphVertex*> Letters(VelaGraphSolver& solver, const char* names) {
  std::vector<VelaGraphVertex*> v;
  for (const char* c = names; *c; ++c) {
    v.push_back(solver.CreateVertex(VelaString(std::string(1, *c).c_str())));
    v.back()->SetIndex(static_cast<int>(v.size()) - 1);
  }
  return v;
}

void Edge(VelaGraphSolver& solver, VelaGraphVertex* a, VelaGraphVertex* b, unsigned char undirected = 1) {
  const std::string name = std::string("e") + a->GetName().str() + b->GetName().str();
  solver.CreateEdge(VelaString(name.c_str()), a, b, undirected);
}

TEST(VelaGraphSolver, ConstructionSetsNamesLevelAndMethod) {
  ScopedConfigEnvironment env;
  GetGlobalParameters().Initialize();
  VelaGraphSolver* solver = KorCreateGraphSolver();
  EXPECT_EQ(std::string(solver->GetOperatorName().str()), "VelaGraphSolver");
  EXPECT_EQ(std::string(solver->GetOperatorShortName().str()), "GrS");
  EXPECT_EQ(solver->GetVelLevel(), GetGlobalParameters().GetVelFullOpenConfigurationLevel());
  EXPECT_EQ(solver->GetMethod(), VelaGraphSolver::None);
  EXPECT_EQ(solver->IsDirected(), 0);
  EXPECT_EQ(solver->RunOperator(), 1);
  KorRemove(solver);
  KorRemove(nullptr);
}

TEST(VelaGraphSolver, CreateEdgeFillsAdjacencyAndEdgeExistsFindsIt) {
  VelaGraphSolver solver(0);
  auto v = Letters(solver, "ABC");
  EXPECT_EQ(solver.CreateEdge(VelaString("x"), v[0], nullptr, 1), nullptr);
  EXPECT_EQ(solver.CreateEdge(VelaString("x"), nullptr, v[0], 1), nullptr);
  EXPECT_TRUE(solver.GetEdges().IsEmpty());
  VelaGraphEdge* ab = solver.CreateEdge(VelaString("ab"), v[0], v[1], 1);
  ASSERT_NE(ab, nullptr);
  EXPECT_EQ(v[0]->GetAdjacentVertices().Size(), 1);
  EXPECT_EQ(v[1]->GetAdjacentVertices().Size(), 1);
  EXPECT_EQ(solver.EdgeExists(v[0], v[1]), ab);
  EXPECT_EQ(solver.EdgeExists(v[1], v[0]), ab);
  EXPECT_EQ(solver.EdgeExists(v[0], v[2]), nullptr);
  EXPECT_EQ(solver.EdgeExists(nullptr, v[2]), nullptr);
  EXPECT_EQ(solver.IsDirected(), 0);

  VelaGraphEdge* bc = solver.CreateEdge(VelaString("bc"), v[1], v[2], 0);
  EXPECT_EQ(solver.IsDirected(), 1);
  EXPECT_EQ(v[2]->GetAdjacentVertices().Size(), 0);
  EXPECT_EQ(solver.EdgeExists(v[1], v[2]), bc);
  EXPECT_EQ(solver.EdgeExists(v[2], v[1]), nullptr);
}

TEST(VelaGraphSolver, SquareHasOneChordlessCycleAndItsChordRemovesIt) {
  VelaGraphSolver solver(0);
  auto v = Letters(solver, "ABCD");
  Edge(solver, v[0], v[1]);
  Edge(solver, v[1], v[2]);
  Edge(solver, v[2], v[3]);
  Edge(solver, v[3], v[0]);
  VelaArray<VelaPath> cycles;
  ASSERT_EQ(solver.ComputeChordlessCycles(cycles), 0);
  ASSERT_EQ(cycles.Size(), 1);
  EXPECT_EQ(cycles[0].Size(), 4);
  EXPECT_NE(cycles[0](0), nullptr);  // closed
  EXPECT_EQ(Names(cycles[0]), "B,A,D,C");

  Edge(solver, v[0], v[2]);
  cycles.clear();
  ASSERT_EQ(solver.ComputeChordlessCycles(cycles), 0);
  EXPECT_TRUE(cycles.IsEmpty());
  EXPECT_TRUE(solver.GetChordlessCycles().IsEmpty());
}

TEST(VelaGraphSolver, RelabelledSquareIsFoundOnceOnTheSecondRun) {
  // A, relabelled 2, has only lower neighbours afterwards: the position its
  // first run found must not start triplets again.
  VelaGraphSolver solver(0);
  auto v = Letters(solver, "ABCD");
  for (std::size_t i = 0; i < 4; ++i) Edge(solver, v[i], v[(i + 1) % 4]);
  VelaArray<VelaPath> cycles;
  ASSERT_EQ(solver.ComputeChordlessCycles(cycles), 0);
  ASSERT_EQ(cycles.Size(), 1);
  EXPECT_EQ(Names(cycles[0]), "B,A,D,C");
  const int labels[] = {2, 0, 3, 1};
  for (std::size_t i = 0; i < 4; ++i) v[i]->SetIndex(labels[i]);
  ASSERT_EQ(solver.ComputeChordlessCycles(cycles), 0);
  ASSERT_EQ(cycles.Size(), 1);
  EXPECT_EQ(Names(cycles[0]), "A,B,C,D");
}

TEST(VelaGraphSolver, ThetaGraphSelectionKeepsTheFirstTwoCycles) {
  // Three paths of two edges between A and B, through C, D and E.
  VelaGraphSolver solver(0);
  auto v = Letters(solver, "ABCDE");
  for (int m = 2; m < 5; ++m) {
    Edge(solver, v[0], v[static_cast<std::size_t>(m)]);
    Edge(solver, v[static_cast<std::size_t>(m)], v[1]);
  }
  VelaArray<VelaPath> all;
  ASSERT_EQ(solver.ComputeChordlessCycles(all), 0);
  ASSERT_EQ(all.Size(), 3);
  std::vector<VelaPath> sorted(all.begin(), all.end());
  std::stable_sort(sorted.begin(), sorted.end(),
                   [](const VelaPath& a, const VelaPath& b) { return ComparePath(a, b) != 0; });

  VelaArray<VelaPath> selected;
  ASSERT_EQ(solver.ComputeChordlessCyclesWithSelection(selected), 0);
  ASSERT_EQ(selected.Size(), 2);
  EXPECT_EQ(Names(selected[0]), Names(sorted[0]));
  EXPECT_EQ(Names(selected[1]), Names(sorted[1]));
  for (const VelaGraphEdge* e : solver.GetEdges()) EXPECT_EQ(e->selected, 1) << e->GetName().str();
  auto line = [](const VelaPath& p) {
    std::string s = Names(p);
    for (std::size_t i = 0; (i = s.find(',', i)) != std::string::npos; i += 2) s.replace(i, 1, ", ");
    return s + ";\n";
  };
  EXPECT_EQ(OutputText(solver),
            "#=======Output=======\n\n#!CHORDLESS\n\n" + line(sorted[0]) + line(sorted[1]));
}

TEST(VelaGraphSolver, UnlabelledVerticesStartNoCycle) {
  VelaGraphSolver solver(0);
  auto v = Letters(solver, "ABCD");
  for (auto* x : v) x->SetIndex(-1);
  Edge(solver, v[0], v[1]);
  Edge(solver, v[1], v[2]);
  Edge(solver, v[2], v[3]);
  Edge(solver, v[3], v[0]);
  VelaArray<VelaPath> cycles;
  EXPECT_EQ(solver.ComputeChordlessCycles(cycles), 0);
  EXPECT_TRUE(cycles.IsEmpty());
}

TEST(VelaGraphSolver, TwoComponentsAndSpanningTree) {
  VelaGraphSolver solver(0);
  auto v = Letters(solver, "ABCDE");
  Edge(solver, v[0], v[1]);
  Edge(solver, v[3], v[4]);
  Edge(solver, v[1], v[2]);
  VelaArray<VelaGraphSolver::Component> components;
  ASSERT_EQ(solver.ComputeConnectedComponents(components), 0);
  ASSERT_EQ(components.Size(), 2);
  EXPECT_EQ(Names(components[0]), "A,B,C");
  EXPECT_EQ(Names(components[1]), "D,E");
  EXPECT_EQ(v[4]->GetIndex(), 1);
  EXPECT_EQ(OutputText(solver), "#=======Output=======\n\n#!CONNECTEDCOMPONENTS\n\nA, B, C;\nD, E;\n");

  VelaArray<VelaGraphEdge*> tree(1);
  EXPECT_EQ(solver.RunSpanningTree(tree), 1);
  EXPECT_EQ(tree.Size(), 1);  // untouched on failure

  // Joined, with weights: the cheapest edges that connect.
  solver.CreateEdge(VelaString("cd"), v[2], v[3], 1)->SetWeight(5.0);
  solver.CreateEdge(VelaString("ad"), v[0], v[3], 1)->SetWeight(2.0);
  solver.CreateEdge(VelaString("ae"), v[0], v[4], 1)->SetWeight(1.0);
  for (VelaGraphEdge* e : solver.GetEdges()) {
    if (e->weight == 0.0) e->SetWeight(3.0);
  }
  ASSERT_EQ(solver.RunSpanningTree(tree), 0);
  ASSERT_EQ(tree.Size(), 4);
  std::string names;
  for (auto* e : tree) names += std::string(e->GetName().str()) + " ";
  EXPECT_EQ(names, "ae ad eAB eBC ");
  EXPECT_EQ(OutputText(solver), "#=======Output=======\n\n#!SPANNINGTREE\n\nae, ad, eAB, eBC; ");
}

TEST(VelaGraphSolver, SpanningTreeTakesTiesInCreationOrderAndNaNWeightsLast) {
  VelaGraphSolver solver(0);
  auto v = Letters(solver, "ABC");
  solver.CreateEdge(VelaString("nan"), v[0], v[1], 1)->SetWeight(std::numeric_limits<double>::quiet_NaN());
  solver.CreateEdge(VelaString("ab"), v[0], v[1], 1)->SetWeight(5.0);
  solver.CreateEdge(VelaString("bc1"), v[1], v[2], 1)->SetWeight(1.0);
  solver.CreateEdge(VelaString("bc2"), v[1], v[2], 1)->SetWeight(1.0);
  VelaArray<VelaGraphEdge*> tree;
  ASSERT_EQ(solver.RunSpanningTree(tree), 0);
  EXPECT_EQ(OutputText(solver), "#=======Output=======\n\n#!SPANNINGTREE\n\nbc1, ab; ");
}

TEST(VelaGraphSolver, DirectedEdgesAndStronglyConnectedOrder) {
  VelaGraphSolver solver(0);
  auto v = Letters(solver, "ABCD");
  Edge(solver, v[0], v[1], 0);
  Edge(solver, v[1], v[2], 0);
  Edge(solver, v[2], v[0], 0);
  Edge(solver, v[2], v[3], 0);
  VelaArray<VelaGraphSolver::Component> components;
  EXPECT_EQ(solver.ComputeConnectedComponents(components), 1);
  VelaArray<VelaGraphEdge*> tree;
  EXPECT_EQ(solver.RunSpanningTree(tree), 1);
  ASSERT_EQ(solver.ComputeStronglyConnectedComponents(components), 0);
  ASSERT_EQ(components.Size(), 2);
  EXPECT_EQ(Names(components[0]), "D");
  EXPECT_EQ(Names(components[1]), "C,B,A");
  for (auto* x : v) EXPECT_EQ(x->GetColor(), 0);
  EXPECT_EQ(OutputText(solver), "#=======Output=======\n\n#!STRONGLYCONNECTEDCOMPONENTS\n\nD;\nC, B, A;\n");
  // A second run gives the same result instead of appending.
  ASSERT_EQ(solver.ComputeStronglyConnectedComponents(components), 0);
  EXPECT_EQ(components.Size(), 2);
}

TEST(VelaGraphSolver, InputSectionWithoutEdges) {
  ScopedConfigEnvironment env;
  GetGlobalParameters().Initialize();
  VelaGraphSolver solver(0);
  Letters(solver, "AB");
  const unsigned int level = GetGlobalParameters().GetVelFullOpenConfigurationLevel();
  std::string header = "#VelaGraphSolver\n#0\n# Vel version Vel_17W08 level " + std::to_string(level >> 16);
  if (level & 0xFFFFu) header += " hf" + std::to_string(level & 0xFFFFu);
  header += "\n\n";
  EXPECT_EQ(InputText(solver), header + "#!VERTICES\n\nA;\nB;\n\n\n#!EDGES\n\n\n\n#!OPTIONS\n\nUNKNOWN\n\n");
}

TEST(VelaGraphSolver, EdgeAttributesAndMethodLines) {
  ScopedConfigEnvironment env;
  GetGlobalParameters().Initialize();
  VelaGraphSolver solver(0);
  auto v = Letters(solver, "AB");
  solver.CreateEdge(VelaString("e1"), v[0], v[1], 1)->SetPriority(0);
  solver.GetEdges()[0]->SetWeight(2.5);
  solver.CreateEdge(VelaString("e2"), v[0], v[1], 1)->SetPriority(1);
  solver.CreateEdge(VelaString("e3"), v[1], v[0], 0)->SetWeight(0.1);
  solver.CreateEdge(VelaString("e4"), v[1], v[0], 1);
  const std::string text = InputText(solver);
  const std::string edges =
      "\n#!EDGES\n\ne1: A -- B {priority: 0, weight: 2.5 };\ne2: A -- B {priority: 1 };\n"
      "e3: B -> A {weight: 0.10000000000000001 };\ne4: B -- A;\n\n";
  EXPECT_NE(text.find("#!VERTICES\n\nA;\nB;\n\n" + edges + "\n#!OPTIONS\n\nUNKNOWN\n\n"), std::string::npos)
      << text;
  const char* lines[] = {"Chordless", "ChordlessSelection", "StronglyConnectedComponents", "SpanningTree",
                         "ConnectedComponents"};
  for (int m = 1; m <= 5; ++m) {
    solver.SetMethod(static_cast<VelaGraphSolver::Method>(m));
    const std::string expected = std::string("#!OPTIONS\n\nMethod = ") + lines[m - 1] + ";\n\n\n";
    const std::string got = InputText(solver);
    EXPECT_EQ(got.substr(got.size() - expected.size()), expected);
  }
  solver.SetMethod(VelaGraphSolver::None);
  EXPECT_EQ(OutputText(solver), "#=======Output=======\n");
  solver.SetMethod(VelaGraphSolver::SpanningTree);
  EXPECT_EQ(OutputText(solver), "#=======Output=======\n\n#!SPANNINGTREE\n\n");
}

TEST(VelaGraphSolver, RecordedRunMatchesItsReplayFile) {
  ScopedConfigEnvironment env;
  TempPath dir("vela_graph_solver_run");
  std::filesystem::create_directories(dir.path());
  VelaGlobalParameters& gp = GetGlobalParameters();
  gp.Initialize();
  gp.SetReplayPath(dir.path().c_str());
  gp.SetReplayMode(3);
  {
    VelaGraphSolver solver(0);
    auto v = Letters(solver, "ABCD");
    Edge(solver, v[0], v[1]);
    Edge(solver, v[1], v[2]);
    Edge(solver, v[2], v[3]);
    Edge(solver, v[3], v[0]);
    solver.GetEdges()[0]->SetPriority(0);
    solver.SetMethod(VelaGraphSolver::ChordlessSelection);
    const std::string input = InputText(solver);
    EXPECT_EQ(solver.Run(), 0);
    const std::string expected = input + "#=======Output=======\n\n#!CHORDLESS\n\nB, A, D, C;\n";
    EXPECT_EQ(OutputText(solver), "#=======Output=======\n\n#!CHORDLESS\n\nB, A, D, C;\n");
    EXPECT_EQ(ReadFile(dir.path() + "/Vela001.VelReplay"), expected);
    EXPECT_NE(expected.find("level 751"), std::string::npos) << expected;
  }
  gp.Initialize();
  gp.InitializeEnv();
}

}  // namespace
