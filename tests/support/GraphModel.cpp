#include "support/GraphModel.h"

#include <algorithm>
#include <bitset>
#include <cmath>
#include <functional>
#include <numeric>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "vela/graph/VelaGraphSolver.h"

namespace vela::test {
namespace {

using Lists = std::vector<std::vector<int>>;

// The solver's graph and the same graph by creation positions, each
// vertex's (neighbour, edge) entries in the order of its adjacency (which
// the chordless search sorts by label).
struct Graph {
  int n = 0;
  bool simple = true, directed = false;
  std::vector<std::pair<int, int>> ends;
  std::vector<std::vector<std::pair<int, int>>> adj;
  VelaGraphSolver solver{0};
  std::vector<VelaGraphVertex*> v;

  void ReadAdjacency() {
    for (int i = 0; i < n; ++i) {
      adj[i].clear();
      for (const VelaVertexEdge* p = v[i]->GetAdjacentVertices().Begin(); p != v[i]->GetAdjacentVertices().End(); ++p)
        adj[i].emplace_back(At(p->vertex), At(p->edge));
    }
  }
  int At(const VelaGraphVertex* x) const { return static_cast<int>(std::find(v.begin(), v.end(), x) - v.begin()); }
  int At(const VelaGraphEdge* e) const {
    return static_cast<int>(std::find(solver.GetEdges().begin(), solver.GetEdges().end(), e) - solver.GetEdges().begin());
  }
  Lists ToLists(const VelaArray<VelaGraphSolver::Component>& components) const {
    Lists out;
    for (const VelaGraphSolver::Component& c : components) {
      out.emplace_back();
      for (const VelaGraphVertex* x : c) out.back().push_back(At(x));
    }
    return out;
  }
  // Entries (vertex and edge positions) and counters of a path.
  std::string Describe(const VelaPath& p) const {
    std::string text = std::to_string(p.GetPriority0Count()) + "/" + std::to_string(p.GetPriority1Count()) + ":";
    for (int i = 0; i < p.Size(); ++i) text += " " + std::to_string(At(p[i])) + "(" + std::to_string(At(p(i))) + ")";
    return text;
  }
};

// The recursive depth-first visit, each vertex numbered with its component.
Lists Components(const Graph& g) {
  Lists out;
  std::vector<bool> seen(static_cast<std::size_t>(g.n));
  std::function<void(int)> visit = [&](int x) {
    seen[x] = true, out.back().push_back(x);
    for (auto [w, e] : g.adj[x])
      if (!seen[w]) visit(w);
  };
  for (int x = 0; x < g.n; ++x)
    if (!seen[x]) out.emplace_back(), visit(x);
  return out;
}

// Tarjan's recursive visit with a discovery counter; each component in pop order.
Lists StrongComponents(const Graph& g) {
  Lists out;
  std::vector<int> number(static_cast<std::size_t>(g.n), -1), low(number), stack;
  std::vector<bool> on(static_cast<std::size_t>(g.n));
  int counter = 0;
  std::function<void(int)> visit = [&](int x) {
    number[x] = low[x] = counter++, on[x] = true, stack.push_back(x);
    for (auto [w, e] : g.adj[x]) {
      if (number[w] < 0) visit(w), low[x] = std::min(low[x], low[w]);
      else if (on[w]) low[x] = std::min(low[x], number[w]);
    }
    if (low[x] != number[x]) return;
    out.emplace_back();
    for (int w = -1; w != x; out.back().push_back(w)) w = stack.back(), stack.pop_back(), on[w] = false;
  };
  for (int x = 0; x < g.n; ++x)
    if (number[x] < 0) visit(x);
  return out;
}

// Vertex sets (bit masks) of at least four vertices whose induced subgraph
// is one cycle: two neighbours each among them, and connected.
std::multiset<unsigned> InducedCycles(const Graph& g) {
  std::multiset<unsigned> found;
  for (unsigned mask = 0; mask < (1u << g.n); ++mask) {
    int members = 0;
    bool twoEach = true;
    for (int a = 0; a < g.n; ++a) {
      int degree = 0;
      for (auto [b, e] : g.adj[a]) degree += (mask >> b) & 1u;
      if ((mask >> a) & 1u) ++members, twoEach = twoEach && degree == 2;
    }
    unsigned seen = mask & (~mask + 1);
    for (int round = 0; round < g.n; ++round)
      for (int a = 0; a < g.n; ++a)
        for (auto [b, e] : g.adj[a]) seen |= ((seen >> a) & (mask >> b) & 1u) << b;
    if (members >= 4 && twoEach && seen == mask) found.insert(mask);
  }
  return found;
}

std::string CheckChordless(Graph& g, bool select) {
  VelaArray<VelaPath> all, kept;
  const int result = g.solver.ComputeChordlessCycles(all);
  if (g.directed) return "";  // the search assumes an undirected graph
  if (result != 0) return "the chordless search failed";
  std::multiset<unsigned> masks;
  for (const VelaPath& p : all) {
    unsigned mask = 0;
    int counts[2] = {0, 0};
    for (int i = 0; i < p.Size(); ++i) {
      const VelaGraphVertex *x = p[i], *before = p[(i + p.Size() - 1) % p.Size()];
      const VelaGraphEdge* e = p(i);
      if (g.At(x) == g.n || !e || !((e->firstVertex == x && e->secondVertex == before) ||
                                    (e->secondVertex == x && e->firstVertex == before))) {
        return "a cycle entry's edge does not join it to the entry before";
      }
      mask |= 1u << g.At(x);
      if (e->priority == 0 || e->priority == 1) ++counts[e->priority];
    }
    if (counts[0] != p.GetPriority0Count() || counts[1] != p.GetPriority1Count()) return "a cycle's counters";
    if (g.simple && (p.Size() < 4 || static_cast<int>(std::bitset<32>(mask).count()) != p.Size()))
      return "a triangle, or a cycle through a vertex twice";
    masks.insert(mask);
  }
  if (g.simple && masks != InducedCycles(g)) return "the cycles are not the induced cycles";
  if (!select) return "";
  if (g.solver.ComputeChordlessCyclesWithSelection(kept) != 0) return "the selection failed";
  // The rule: in ComparePath order, a cycle is kept when one of its edges is
  // not yet covered, and covers its edges from that one on.
  std::vector<VelaPath> sorted(all.begin(), all.end());
  std::stable_sort(sorted.begin(), sorted.end(), [](const VelaPath& a, const VelaPath& b) { return ComparePath(a, b); });
  std::set<const VelaGraphEdge*> covered;
  std::vector<std::string> expected, got;
  for (const VelaPath& p : sorted) {
    int first = 0;
    while (first < p.Size() && covered.count(p(first))) ++first;
    for (int i = first; i < p.Size(); ++i) covered.insert(p(i));
    if (first < p.Size()) expected.push_back(g.Describe(p));
  }
  for (const VelaPath& p : kept) got.push_back(g.Describe(p));
  for (const VelaGraphEdge* e : g.solver.GetEdges())
    if (e->selected != covered.count(e)) return "an edge's selected flag";
  return got == expected ? "" : "the selection is not its rule's";
}

std::string CheckComponents(Graph& g, bool strong) {
  VelaArray<VelaGraphSolver::Component> got;
  if (strong) {
    const int result = g.solver.ComputeStronglyConnectedComponents(got);
    return result == 0 && g.ToLists(got) == StrongComponents(g) ? "" : "the strongly connected components";
  }
  const int result = g.solver.ComputeConnectedComponents(got);
  if (g.directed) return result == 1 ? "" : "connected components of a directed graph";
  const Lists expected = Components(g);
  if (result != 0 || g.ToLists(got) != expected) return "the connected components";
  for (std::size_t c = 0; c < expected.size(); ++c)
    for (int x : expected[c])
      if (g.v[x]->GetIndex() != static_cast<int>(c)) return "a vertex not numbered with its component";
  return "";
}

// Edges by ascending weight (stable, NaN last), every vertex labelled with
// its position; an edge between two labels joins the tree and relabels the
// second end's label with the first end's.
std::string CheckTree(Graph& g) {
  VelaArray<VelaGraphEdge*> got;
  const int result = g.solver.RunSpanningTree(got);
  if (g.directed || Components(g).size() != 1) return result == 1 ? "" : "a tree of a directed or split graph";
  std::vector<int> order(g.ends.size()), label(static_cast<std::size_t>(g.n)), tree, gotPositions;
  std::iota(order.begin(), order.end(), 0), std::iota(label.begin(), label.end(), 0);
  const auto weight = [&g](int k) { return g.solver.GetEdges()[k]->weight; };
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    return weight(a) < weight(b) || (!std::isnan(weight(a)) && std::isnan(weight(b)));
  });
  for (int k : order) {
    const int la = label[g.ends[k].first], lb = label[g.ends[k].second];
    if (static_cast<int>(tree.size()) == g.n - 1 || la == lb) continue;
    tree.push_back(k);
    for (int& l : label) l = l == lb ? la : l;
  }
  for (const VelaGraphEdge* e : got) gotPositions.push_back(g.At(e));
  return result == 0 && gotPositions == tree ? "" : "the spanning tree is not Kruskal's";
}

}  // namespace

std::string RunGraphSequence(Choices& c) {
  static const double kWeights[] = {0.0, 0.5, 1.0, 1.0, -2.0, 1e300, INFINITY, NAN};
  const std::size_t kind = c.Pick(3);  // simple, multigraph, partly directed multigraph
  Graph g;
  g.n = 1 + static_cast<int>(c.Pick(12)), g.simple = kind == 0, g.adj.resize(static_cast<std::size_t>(g.n));
  std::set<std::pair<int, int>> seen;
  std::vector<unsigned char> undirected;
  for (std::size_t k = c.Pick(41); k > 0; --k) {
    const int a = static_cast<int>(c.Pick(static_cast<std::size_t>(g.n))), b = static_cast<int>(c.Pick(static_cast<std::size_t>(g.n)));
    if (kind == 0 && (a == b || !seen.insert(std::minmax(a, b)).second)) continue;
    g.ends.emplace_back(a, b), undirected.push_back(kind == 2 ? static_cast<unsigned char>(c.Pick(2)) : 1);
  }
  for (int i = 0; i < g.n; ++i) g.v.push_back(g.solver.CreateVertex(VelaString("v")));
  std::string text = std::to_string(g.n) + " vertices, edges";
  for (std::size_t k = 0; k < g.ends.size(); ++k) {
    const auto [a, b] = g.ends[k];
    VelaGraphEdge* e = g.solver.CreateEdge(VelaString("e"), g.v[a], g.v[b], undirected[k]);
    e->SetPriority(static_cast<int>(c.Pick(4)));
    e->SetWeight(kWeights[c.Pick(8)]);
    g.directed = g.directed || !undirected[k];
    text += " " + std::to_string(a) + (undirected[k] ? "-" : ">") + std::to_string(b);
  }
  std::vector<int> labels(static_cast<std::size_t>(g.n));
  const auto shuffle = [&] {
    std::iota(labels.begin(), labels.end(), 0);
    for (std::size_t k = labels.size(); k > 1 && c.Chance(50); --k) std::swap(labels[k - 1], labels[c.Pick(k)]);
  };
  shuffle();
  for (int run = 0; run < 8 && !c.Exhausted(); ++run) {
    if (run > 0 && c.Chance(20)) shuffle();
    for (int i = 0; i < g.n; ++i) g.v[i]->SetIndex(labels[i]);  // the other methods write their own numbers there
    g.ReadAdjacency();
    const std::size_t method = c.Pick(5);
    const std::string broken = method < 2   ? CheckChordless(g, c.Chance(50))
                               : method < 4 ? CheckComponents(g, method == 2)
                                            : CheckTree(g);
    if (!broken.empty()) {
      text += ", labels";
      for (int l : labels) text += " " + std::to_string(l);
      return broken + " (run " + std::to_string(run) + ") on " + text;
    }
  }
  return "";
}

}  // namespace vela::test
