#include "support/GraphModel.h"

#include <algorithm>
#include <bitset>
#include <cmath>
#include <functional>
#include <numeric>
#include <set>
#include <vector>

#include "vela/graph/VelaGraphSolver.h"

namespace vela::test {
namespace {

using Lists = std::vector<std::vector<int>>;

template <class Container>
int Position(const Container& all, const void* x) {
  return static_cast<int>(std::find(all.begin(), all.end(), x) - all.begin());
}

// The solver's graph, and its adjacency by creation positions of vertices and edges.
struct Graph {
  int n = 0;
  bool simple = true, directed = false;
  std::vector<std::pair<int, int>> ends;
  std::vector<std::vector<std::pair<int, int>>> adj;
  VelaGraphSolver solver{0};
  std::vector<VelaGraphVertex*> v;

  int At(const VelaGraphVertex* x) const { return Position(v, x); }
  int At(const VelaGraphEdge* e) const { return Position(solver.GetEdges(), e); }
  void ReadAdjacency() {
    for (int i = 0; i < n; ++i) {
      const VelaAdjacent& a = v[i]->GetAdjacentVertices();
      adj[i].clear();
      for (int k = 0; k < a.Size(); ++k) adj[i].emplace_back(At(a[k]), At(a(k)));
    }
  }
  Lists ToLists(const VelaArray<VelaGraphSolver::Component>& components) const {
    Lists out(static_cast<std::size_t>(components.Size()));
    for (int c = 0; c < components.Size(); ++c)
      for (const VelaGraphVertex* x : components[c]) out[c].push_back(At(x));
    return out;
  }
};

// Tarjan's recursive visit: the strong components in pop order, and the
// depth-first trees in visit order (on an undirected graph, its components).
std::pair<Lists, Lists> Visit(const Graph& g) {
  Lists strong, trees;
  std::vector<int> number(static_cast<std::size_t>(g.n), -1), low(number), stack;
  std::vector<bool> on(static_cast<std::size_t>(g.n));
  int counter = 0;
  std::function<void(int)> visit = [&](int x) {
    number[x] = low[x] = counter++, on[x] = true, stack.push_back(x), trees.back().push_back(x);
    for (auto [w, e] : g.adj[x]) {
      if (number[w] < 0) visit(w), low[x] = std::min(low[x], low[w]);
      else if (on[w]) low[x] = std::min(low[x], number[w]);
    }
    if (low[x] != number[x]) return;
    strong.emplace_back();
    for (int w = -1; w != x; strong.back().push_back(w)) w = stack.back(), stack.pop_back(), on[w] = false;
  };
  for (int x = 0; x < g.n; ++x)
    if (number[x] < 0) trees.emplace_back(), visit(x);
  return {strong, trees};
}

// Vertex sets (bit masks) of 4 or more inducing one cycle: 2 neighbours each, connected.
std::multiset<unsigned> InducedCycles(const Graph& g) {
  std::multiset<unsigned> found;
  for (unsigned mask = 0; mask < (1u << g.n); ++mask) {
    bool twoEach = true;
    for (int a = 0; a < g.n; ++a) {
      int degree = 0;
      for (auto [b, e] : g.adj[a]) degree += (mask >> b) & 1u;
      twoEach = twoEach && (((mask >> a) & 1u) == 0 || degree == 2);
    }
    unsigned seen = mask & (~mask + 1);
    for (int round = 0; round < g.n; ++round)
      for (int a = 0; a < g.n; ++a)
        for (auto [b, e] : g.adj[a]) seen |= ((seen >> a) & (mask >> b) & 1u) << b;
    if (std::bitset<32>(mask).count() >= 4 && twoEach && seen == mask) found.insert(mask);
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
    int counts[4] = {0, 0, 0, 0};
    for (int i = 0; i < p.Size(); ++i) {
      const VelaGraphVertex *x = p[i], *before = p[(i + p.Size() - 1) % p.Size()];
      const VelaGraphEdge* e = p(i);
      const VelaGraphVertex* other = !e ? nullptr : e->firstVertex == x ? e->secondVertex
                                      : e->secondVertex == x ? e->firstVertex : nullptr;
      if (g.At(x) == g.n || !other || other != before)
        return "a cycle entry's edge does not join it to the entry before";
      mask |= 1u << g.At(x), ++counts[e->priority];
    }
    if (counts[0] != p.GetPriority0Count() || counts[1] != p.GetPriority1Count())
      return "a cycle's counters";
    if (g.simple && static_cast<int>(std::bitset<32>(mask).count()) != p.Size())
      return "a cycle through a vertex twice";
    masks.insert(mask);
  }
  if (g.simple && masks != InducedCycles(g)) return "the cycles are not the induced cycles";
  if (!select) return "";
  if (g.solver.ComputeChordlessCyclesWithSelection(kept) != 0) return "the selection failed";
  // By length, more priority-0 edges, fewer priority-1 edges, then labels: a cycle
  // is kept when one of its edges is not yet covered, and covers them from it on.
  const auto key = [](const VelaPath& p) {
    std::vector<int> k{p.Size(), -p.GetPriority0Count(), p.GetPriority1Count()};
    for (int i = 0; i < p.Size(); ++i) k.push_back(p[i]->GetIndex());
    return k;
  };
  std::vector<VelaPath> sorted(all.begin(), all.end());
  std::stable_sort(sorted.begin(), sorted.end(), [&](auto& a, auto& b) { return key(a) < key(b); });
  std::set<const VelaGraphEdge*> covered;
  std::vector<std::vector<int>> expected, got;  // labels are unique: a key names the vertices
  for (const VelaPath& p : sorted) {
    int first = 0;
    while (first < p.Size() && covered.count(p(first))) ++first;
    for (int i = first; i < p.Size(); ++i) covered.insert(p(i));
    if (first < p.Size()) expected.push_back(key(p));
  }
  for (const VelaPath& p : kept) got.push_back(key(p));
  for (const VelaGraphEdge* e : g.solver.GetEdges())
    if (e->selected != covered.count(e)) return "an edge's selected flag";
  return got == expected ? "" : "the selection is not its rule's";
}

std::string CheckComponents(Graph& g, bool strong) {
  VelaArray<VelaGraphSolver::Component> got;
  const auto [strongComponents, trees] = Visit(g);
  const int result = strong ? g.solver.ComputeStronglyConnectedComponents(got)
                            : g.solver.ComputeConnectedComponents(got);
  if (!strong && g.directed) return result == 1 ? "" : "connected components of a directed graph";
  if (result != 0 || g.ToLists(got) != (strong ? strongComponents : trees)) return "the components";
  for (std::size_t c = 0; !strong && c < trees.size(); ++c)
    for (int x : trees[c])
      if (g.v[x]->GetIndex() != static_cast<int>(c)) return "a vertex not numbered with its component";
  return "";
}

// Edges by ascending weight (stable, NaN last): an edge between two labels joins
// the tree, and its second end's label becomes its first end's.
std::string CheckTree(Graph& g) {
  VelaArray<VelaGraphEdge*> got;
  const int result = g.solver.RunSpanningTree(got);
  if (g.directed || Visit(g).second.size() != 1)
    return result == 1 ? "" : "a tree of a directed or split graph";
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
  g.n = 1 + static_cast<int>(c.Pick(12)), g.simple = kind == 0, g.adj.resize(g.n);
  for (int i = 0; i < g.n; ++i) g.v.push_back(g.solver.CreateVertex(VelaString("v")));
  std::set<std::pair<int, int>> seen;
  std::vector<bool> undirected;
  for (std::size_t k = c.Pick(41); k > 0; --k) {
    const int a = static_cast<int>(c.Pick(g.adj.size())), b = static_cast<int>(c.Pick(g.adj.size()));
    if (kind == 0 && (a == b || !seen.insert(std::minmax(a, b)).second)) continue;
    g.ends.emplace_back(a, b), undirected.push_back(kind < 2 || c.Pick(2));
  }
  for (std::size_t k = 0; k < g.ends.size(); ++k) {  // the attributes after all the ends
    VelaGraphEdge* e = g.solver.CreateEdge(VelaString("e"), g.v[g.ends[k].first], g.v[g.ends[k].second],
                                           undirected[k]);
    e->SetPriority(static_cast<int>(c.Pick(4))), e->SetWeight(kWeights[c.Pick(8)]);
    g.directed = g.directed || !undirected[k];
  }
  std::vector<int> labels(static_cast<std::size_t>(g.n));
  const auto shuffle = [&] {
    std::iota(labels.begin(), labels.end(), 0);
    for (std::size_t k = labels.size(); k > 1 && c.Chance(50); --k) std::swap(labels[k - 1], labels[c.Pick(k)]);
  };
  shuffle();
  for (int run = 0; run < 8 && !c.Exhausted(); ++run) {
    if (run > 0 && c.Chance(20)) shuffle();
    for (int i = 0; i < g.n; ++i) g.v[i]->SetIndex(labels[i]);  // other methods write there too
    g.ReadAdjacency();
    const std::size_t method = c.Pick(5);
    const std::string broken = method < 2   ? CheckChordless(g, c.Chance(50))
                               : method < 4 ? CheckComponents(g, method == 2)
                                            : CheckTree(g);
    if (!broken.empty()) return broken + " (run " + std::to_string(run) + ")";
  }
  return "";
}

}  // namespace vela::test
