#include "support/GraphModel.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace vela::test {
namespace {

using Matrix = std::vector<std::vector<bool>>;

Matrix Adjacency(const RandomGraph& g) {
  Matrix adj(static_cast<std::size_t>(g.n), std::vector<bool>(static_cast<std::size_t>(g.n)));
  for (auto [a, b] : g.edges) {
    adj[static_cast<std::size_t>(a)][static_cast<std::size_t>(b)] = true;
    adj[static_cast<std::size_t>(b)][static_cast<std::size_t>(a)] = true;
  }
  return adj;
}

struct UnionFind {
  std::vector<int> parent;
  explicit UnionFind(int n) : parent(static_cast<std::size_t>(n)) { std::iota(parent.begin(), parent.end(), 0); }
  int Find(int x) {
    while (parent[static_cast<std::size_t>(x)] != x) x = parent[static_cast<std::size_t>(x)];
    return x;
  }
  void Join(int a, int b) { parent[static_cast<std::size_t>(Find(a))] = Find(b); }
};

// The rule as stated: every vertex labelled by its position; an accepted
// edge relabels every vertex carrying the second endpoint's label.
std::vector<int> PlainLabellingTree(int n, const std::vector<std::pair<int, int>>& sortedEdges) {
  std::vector<int> label(static_cast<std::size_t>(n));
  std::iota(label.begin(), label.end(), 0);
  std::vector<int> tree;
  for (std::size_t k = 0; k < sortedEdges.size() && static_cast<int>(tree.size()) < n - 1; ++k) {
    const int la = label[static_cast<std::size_t>(sortedEdges[k].first)];
    const int lb = label[static_cast<std::size_t>(sortedEdges[k].second)];
    if (la == lb) continue;
    tree.push_back(static_cast<int>(k));
    for (int& l : label) {
      if (l == lb) l = la;
    }
  }
  return tree;
}

// One cycle's own properties; its vertex mask (positions below 32) in *mask.
// Not simple: only a closed walk through the graph's edges.
std::string CheckCycle(const Matrix& adj, const std::vector<VelaGraphVertex*>& v, const VelaPath& p, bool simple,
                       unsigned* mask) {
  const int len = p.Size();
  if (len < 4 && simple) return "a cycle of " + std::to_string(len) + " entries";
  std::vector<int> at(static_cast<std::size_t>(len));
  for (int i = 0; i < len; ++i) {
    at[static_cast<std::size_t>(i)] = Position(v, p[i]);
    if (at[static_cast<std::size_t>(i)] < 0) return "a cycle entry is not a vertex of the graph";
  }
  std::set<int> distinct(at.begin(), at.end());
  if (static_cast<int>(distinct.size()) != len && simple) return "a cycle repeats a vertex";
  *mask = 0;
  for (int i = 0; i < len; ++i) {
    const int before = (i + len - 1) % len;
    const VelaGraphEdge* e = p(i);
    if (e == nullptr) return "a cycle entry without its edge";
    const bool joins = (e->firstVertex == p[i] && e->secondVertex == p[before]) ||
                       (e->secondVertex == p[i] && e->firstVertex == p[before]);
    const auto a = static_cast<std::size_t>(at[static_cast<std::size_t>(i)]);
    if (!joins || !adj[a][static_cast<std::size_t>(at[static_cast<std::size_t>(before)])]) {
      return "a cycle edge does not join its entries";
    }
    for (int j = i + 2; j < len && simple; ++j) {
      if (i == 0 && j == len - 1) continue;
      if (adj[a][static_cast<std::size_t>(at[static_cast<std::size_t>(j)])]) return "a cycle with a chord";
    }
    if (a < 32) *mask |= 1u << a;
  }
  return "";
}

}  // namespace

RandomGraph MakeGraph(Choices& c, int n, double p) {
  RandomGraph g;
  g.n = n;
  const auto threshold = static_cast<std::size_t>(p * 1e6);
  for (int a = 0; a < n; ++a) {
    for (int b = a + 1; b < n; ++b) {
      if (c.Pick(1000000) < threshold) g.edges.emplace_back(a, b);
    }
  }
  for (std::size_t k = g.edges.size(); k > 1; --k) std::swap(g.edges[k - 1], g.edges[c.Pick(k)]);
  return g;
}

std::vector<VelaGraphVertex*> BuildGraph(VelaGraphSolver& solver, const RandomGraph& g, unsigned char undirected,
                                         Choices* flip) {
  std::vector<VelaGraphVertex*> v;
  for (int i = 0; i < g.n; ++i) {
    v.push_back(solver.CreateVertex(VelaString(("v" + std::to_string(i)).c_str())));
    v.back()->SetIndex(i);
  }
  int k = 0;
  for (auto [a, b] : g.edges) {
    if (flip && flip->Pick(2)) std::swap(a, b);
    solver.CreateEdge(VelaString(("e" + std::to_string(k++)).c_str()), v[static_cast<std::size_t>(a)],
                      v[static_cast<std::size_t>(b)], undirected);
  }
  return v;
}

int Position(const std::vector<VelaGraphVertex*>& v, const VelaGraphVertex* x) {
  const auto it = std::find(v.begin(), v.end(), x);
  return it == v.end() ? -1 : static_cast<int>(it - v.begin());
}

std::set<unsigned> InducedCycles(const RandomGraph& g) {
  const Matrix adj = Adjacency(g);
  std::set<unsigned> found;
  for (unsigned mask = 0; mask < (1u << g.n); ++mask) {
    std::vector<int> members;
    for (int i = 0; i < g.n; ++i) {
      if (mask >> i & 1u) members.push_back(i);
    }
    if (members.size() < 4) continue;
    bool twoEach = true;
    for (int a : members) {
      int degree = 0;
      for (int b : members) degree += adj[static_cast<std::size_t>(a)][static_cast<std::size_t>(b)] ? 1 : 0;
      twoEach = twoEach && degree == 2;
    }
    if (!twoEach) continue;
    // Connected: walk from the first member.
    unsigned seen = 1u << members[0];
    std::vector<int> todo{members[0]};
    while (!todo.empty()) {
      const int a = todo.back();
      todo.pop_back();
      for (int b : members) {
        if (adj[static_cast<std::size_t>(a)][static_cast<std::size_t>(b)] && !(seen >> b & 1u)) {
          seen |= 1u << b;
          todo.push_back(b);
        }
      }
    }
    if (seen == mask) found.insert(mask);
  }
  return found;
}

std::string CheckChordlessCycles(const RandomGraph& g, const std::vector<VelaGraphVertex*>& v,
                                 const VelaArray<VelaPath>& cycles, bool simple) {
  const Matrix adj = Adjacency(g);
  std::multiset<unsigned> reported;
  for (const VelaPath& p : cycles) {
    unsigned mask = 0;
    const std::string broken = CheckCycle(adj, v, p, simple, &mask);
    if (!broken.empty()) return broken;
    reported.insert(mask);
  }
  if (!simple) return "";
  const std::set<unsigned> expected = InducedCycles(g);
  if (std::set<unsigned>(reported.begin(), reported.end()) != expected) {
    return std::to_string(reported.size()) + " cycles are not the " + std::to_string(expected.size()) +
           " induced cycles";
  }
  return reported.size() == expected.size() ? "" : "a cycle reported twice";
}

std::string CheckSelection(const VelaArray<VelaPath>& all, const VelaArray<VelaPath>& kept) {
  std::set<const VelaGraphEdge*> allEdges;
  for (const VelaPath& p : all) {
    for (int i = 0; i < p.Size(); ++i) allEdges.insert(p(i));
  }
  std::set<const VelaGraphEdge*> covered;
  for (int k = 0; k < kept.Size(); ++k) {
    if (k > 0 && ComparePath(kept[k], kept[k - 1])) return "the kept cycles are out of order";
    bool adds = false;
    for (int i = 0; i < kept[k].Size(); ++i) adds = covered.insert(kept[k](i)).second || adds;
    if (!adds) return "a kept cycle adds no edge";
  }
  return covered == allEdges ? "" : "the kept cycles do not cover the cycles' edges";
}

std::string CheckConnectedComponents(const RandomGraph& g, const std::vector<VelaGraphVertex*>& v,
                                     const VelaArray<VelaGraphSolver::Component>& components) {
  UnionFind uf(g.n);
  for (auto [a, b] : g.edges) uf.Join(a, b);
  std::vector<int> seen(static_cast<std::size_t>(g.n), 0);
  int lastFirst = -1;
  for (int c = 0; c < components.Size(); ++c) {
    if (components[c].IsEmpty()) return "an empty component";
    const int first = Position(v, components[c][0]);
    if (first < lastFirst) return "components out of creation order";
    lastFirst = first;
    for (VelaGraphVertex* x : components[c]) {
      const int i = Position(v, x);
      if (i < 0) return "a component holds a stranger";
      ++seen[static_cast<std::size_t>(i)];
      if (x->GetIndex() != c) return "a vertex not labelled with its component";
      if (uf.Find(i) != uf.Find(first)) return "a component joins unconnected vertices";
    }
  }
  for (int s : seen) {
    if (s != 1) return "the components do not partition the vertices";
  }
  std::set<int> roots;
  for (int i = 0; i < g.n; ++i) roots.insert(uf.Find(i));
  return static_cast<std::size_t>(components.Size()) == roots.size() ? "" : "connected vertices split";
}

std::string CheckStronglyConnectedComponents(const VelaGraphSolver& s, const std::vector<VelaGraphVertex*>& v,
                                             const VelaArray<VelaGraphSolver::Component>& sccs) {
  const auto n = v.size();
  Matrix reach(n, std::vector<bool>(n));
  for (std::size_t i = 0; i < n; ++i) reach[i][i] = true;
  for (const VelaGraphEdge* e : s.GetEdges()) {
    const auto a = static_cast<std::size_t>(Position(v, e->firstVertex));
    const auto b = static_cast<std::size_t>(Position(v, e->secondVertex));
    reach[a][b] = true;
    if (e->undirected) reach[b][a] = true;
  }
  for (std::size_t k = 0; k < n; ++k)
    for (std::size_t i = 0; i < n; ++i)
      for (std::size_t j = 0; j < n; ++j)
        if (reach[i][k] && reach[k][j]) reach[i][j] = true;
  std::vector<int> owner(n, -1);
  for (int c = 0; c < sccs.Size(); ++c) {
    for (VelaGraphVertex* x : sccs[c]) {
      const int i = Position(v, x);
      if (i < 0 || owner[static_cast<std::size_t>(i)] != -1) return "the components do not partition the vertices";
      owner[static_cast<std::size_t>(i)] = c;
    }
  }
  for (std::size_t i = 0; i < n; ++i) {
    if (owner[i] < 0) return "a vertex without component";
    for (std::size_t j = 0; j < n; ++j) {
      if ((reach[i][j] && reach[j][i]) != (owner[i] == owner[j])) return "a component is not a reachability class";
    }
  }
  for (const VelaGraphEdge* e : s.GetEdges()) {
    if (owner[static_cast<std::size_t>(Position(v, e->firstVertex))] <
        owner[static_cast<std::size_t>(Position(v, e->secondVertex))]) {
      return "an edge leads to a later component";
    }
  }
  return "";
}

std::string CheckSpanningTree(const VelaGraphSolver& s, int result, const VelaArray<VelaGraphEdge*>& tree) {
  const std::vector<VelaGraphVertex*> v(s.GetVertices().begin(), s.GetVertices().end());
  const int n = static_cast<int>(v.size());
  UnionFind uf(n);
  for (const VelaGraphEdge* e : s.GetEdges()) uf.Join(Position(v, e->firstVertex), Position(v, e->secondVertex));
  bool connected = true;
  for (int i = 1; i < n; ++i) connected = connected && uf.Find(i) == uf.Find(0);
  if (s.IsDirected() || !connected) return result == 1 ? "" : "a directed or split graph got a spanning tree";
  if (result != 0) return "a connected graph got no spanning tree";

  std::vector<VelaGraphEdge*> sorted(s.GetEdges().begin(), s.GetEdges().end());
  std::stable_sort(sorted.begin(), sorted.end(), [](const VelaGraphEdge* a, const VelaGraphEdge* b) {
    return !std::isnan(a->weight) && (std::isnan(b->weight) || a->weight < b->weight);
  });
  std::vector<std::pair<int, int>> ends;
  for (const VelaGraphEdge* e : sorted) ends.emplace_back(Position(v, e->firstVertex), Position(v, e->secondVertex));
  const std::vector<int> plain = PlainLabellingTree(n, ends);
  if (static_cast<int>(plain.size()) != tree.Size()) return "the tree has " + std::to_string(tree.Size()) + " edges";
  double weight = 0.0, plainWeight = 0.0;
  for (int k = 0; k < tree.Size(); ++k) {
    const VelaGraphEdge* expected = sorted[static_cast<std::size_t>(plain[static_cast<std::size_t>(k)])];
    if (tree[k] != expected) return "tree edge " + std::to_string(k) + " is not the plain rule's";
    weight += tree[k]->weight;
    plainWeight += expected->weight;
  }
  const bool same = weight == plainWeight || (std::isnan(weight) && std::isnan(plainWeight));
  return same ? "" : "the tree's weight is not Kruskal's";
}

}  // namespace vela::test
