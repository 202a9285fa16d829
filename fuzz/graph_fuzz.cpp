// Graphs built from the input and solved by every method of the graph
// solver, several runs on one solver, each result checked against the
// models of the graph tests: chordless cycles are closed walks through the
// graph's edges (on a simple graph exactly its induced cycles), the selection
// covers their edges, components partition the vertices as a union-find
// does, strongly connected components are the classes of mutual
// reachability, and the spanning tree is the plain rule's, of Kruskal's
// weight.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <numeric>
#include <set>
#include <utility>
#include <vector>

#include "FuzzInput.h"
#include "support/GraphModel.h"

namespace {

using vela::fuzz::ByteChoices;
using vela::fuzz::Require;
using vela::test::RandomGraph;

enum Kind { kSimple, kMultigraph, kMixed };

constexpr int kMaxVertices = 12;
constexpr std::size_t kMaxEdges = 40;
constexpr int kMaxRuns = 8;

// Simple: no loops, no parallel edges, all undirected. Multigraph: loops and
// parallel edges. Mixed: a multigraph whose edges are directed at random.
RandomGraph Decode(ByteChoices& c, Kind kind, std::vector<unsigned char>& undirected) {
  RandomGraph g;
  g.n = 1 + static_cast<int>(c.Pick(kMaxVertices));
  std::set<std::pair<int, int>> seen;
  for (std::size_t k = c.Pick(kMaxEdges + 1); k > 0; --k) {
    int a = static_cast<int>(c.Pick(static_cast<std::size_t>(g.n)));
    int b = static_cast<int>(c.Pick(static_cast<std::size_t>(g.n)));
    if (kind == kSimple && (a == b || !seen.insert(std::minmax(a, b)).second)) continue;
    g.edges.emplace_back(a, b);
    undirected.push_back(kind == kMixed ? static_cast<unsigned char>(c.Pick(2)) : 1);
  }
  return g;
}

std::vector<VelaGraphVertex*> Build(VelaGraphSolver& s, const RandomGraph& g,
                                    const std::vector<unsigned char>& undirected, ByteChoices& c) {
  static const double kWeights[] = {0.0, 0.5, 1.0, 1.0, -2.0, 1e300, INFINITY, NAN};
  std::vector<VelaGraphVertex*> v;
  for (int i = 0; i < g.n; ++i) v.push_back(s.CreateVertex(VelaString("v")));
  for (std::size_t k = 0; k < g.edges.size(); ++k) {
    VelaGraphEdge* e = s.CreateEdge(VelaString("e"), v[static_cast<std::size_t>(g.edges[k].first)],
                                    v[static_cast<std::size_t>(g.edges[k].second)], undirected[k]);
    e->SetPriority(static_cast<int>(c.Pick(4)));
    e->SetWeight(kWeights[c.Pick(8)]);
  }
  return v;
}

// A permutation of the positions, as the chordless search's labels.
std::vector<int> Labels(ByteChoices& c, int n) {
  std::vector<int> labels(static_cast<std::size_t>(n));
  std::iota(labels.begin(), labels.end(), 0);
  for (std::size_t k = labels.size(); k > 1 && c.Chance(50); --k) std::swap(labels[k - 1], labels[c.Pick(k)]);
  return labels;
}

void Relabel(const std::vector<VelaGraphVertex*>& v, const std::vector<int>& labels) {
  for (std::size_t i = 0; i < v.size(); ++i) v[i]->SetIndex(labels[i]);
}

// The graph in the failure message: its kind, order and edges.
std::string Describe(const RandomGraph& g, const std::vector<unsigned char>& undirected,
                     const std::vector<int>& labels) {
  std::string text = std::to_string(g.n) + " vertices labelled";
  for (int l : labels) text += " " + std::to_string(l);
  text += ", edges";
  for (std::size_t k = 0; k < g.edges.size(); ++k) {
    text += " " + std::to_string(g.edges[k].first) + (undirected[k] ? "-" : ">") + std::to_string(g.edges[k].second);
  }
  return text;
}

// The current input's graph, named in every failure.
std::string current;

void Check(bool holds, const std::string& what) { Require(holds, what + " on " + current); }
void Agree(const std::string& disagreement) { Check(disagreement.empty(), disagreement); }

void RunChordless(VelaGraphSolver& s, const RandomGraph& g, const std::vector<VelaGraphVertex*>& v, Kind kind,
                  bool select) {
  VelaArray<VelaPath> all, kept;
  const int result = s.ComputeChordlessCycles(all);
  if (s.IsDirected()) return;  // the search assumes an undirected graph
  Check(result == 0, "chordless search failed on an undirected graph");
  Agree(vela::test::CheckChordlessCycles(g, v, all, kind == kSimple));
  if (!select) return;
  Check(s.ComputeChordlessCyclesWithSelection(kept) == 0, "chordless selection failed");
  Agree(vela::test::CheckSelection(all, kept));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ByteChoices c(data, size);
  const auto kind = static_cast<Kind>(c.Pick(3));
  std::vector<unsigned char> undirected;
  const RandomGraph g = Decode(c, kind, undirected);
  VelaGraphSolver s(0);
  const std::vector<VelaGraphVertex*> v = Build(s, g, undirected, c);
  const std::vector<int> labels = Labels(c, g.n);
  current = Describe(g, undirected, labels);
  for (int run = 0; run < kMaxRuns && !c.Exhausted(); ++run) {
    Relabel(v, labels);  // the other methods write their own numbers there
    VelaArray<VelaGraphSolver::Component> components;
    VelaArray<VelaGraphEdge*> tree;
    switch (c.Pick(5)) {
      case 0:
      case 1:
        RunChordless(s, g, v, kind, c.Chance(50));
        break;
      case 2:
        Check(s.ComputeStronglyConnectedComponents(components) == 0, "strongly connected search failed");
        Agree(vela::test::CheckStronglyConnectedComponents(s, v, components));
        break;
      case 3:
        if (s.ComputeConnectedComponents(components) == 0) {
          Agree(vela::test::CheckConnectedComponents(g, v, components));
        } else {
          Check(s.IsDirected() != 0, "connected components failed on an undirected graph");
        }
        break;
      default:
        Agree(vela::test::CheckSpanningTree(s, s.RunSpanningTree(tree), tree));
        break;
    }
  }
  return 0;
}
