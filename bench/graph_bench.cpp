// The graph solver's searches beside plain references doing the same work:
// - connected components vs an iterative depth-first search over
//   std::vector adjacency lists (BM_StdDfsComponents);
// - strongly connected components vs an iterative Tarjan over the same
//   std::vector lists (BM_StdTarjan);
// - the spanning tree vs the plain labelling rule (relabel every vertex of
//   the absorbed component; quadratic) and vs std::sort + union-find Kruskal;
// - chordless cycles on grid graphs, with the cycles reported as a counter.
// The graphs are random with about two edges per vertex, from fixed seeds.
#include <algorithm>
#include <numeric>
#include <random>
#include <utility>
#include <vector>

#include <benchmark/benchmark.h>

#include "vela/graph/VelaGraphSolver.h"

namespace {

struct Edges {
  int n;
  std::vector<std::pair<int, int>> list;
  std::vector<double> weight;
};

Edges RandomEdges(int n, int m, unsigned seed) {
  std::mt19937 rng(seed);
  Edges g{n, {}, {}};
  for (int i = 1; i < n; ++i) g.list.emplace_back(static_cast<int>(rng() % static_cast<unsigned>(i)), i);
  while (static_cast<int>(g.list.size()) < m) {
    g.list.emplace_back(static_cast<int>(rng() % static_cast<unsigned>(n)), static_cast<int>(rng() % static_cast<unsigned>(n)));
  }
  std::uniform_real_distribution<double> w(0.0, 1.0);
  for (std::size_t k = 0; k < g.list.size(); ++k) g.weight.push_back(w(rng));
  return g;
}

void Fill(VelaGraphSolver& solver, const Edges& g, unsigned char undirected) {
  std::vector<VelaGraphVertex*> v;
  for (int i = 0; i < g.n; ++i) v.push_back(solver.CreateVertex(VelaString("v")));
  for (std::size_t k = 0; k < g.list.size(); ++k) {
    solver
        .CreateEdge(VelaString("e"), v[static_cast<std::size_t>(g.list[k].first)],
                    v[static_cast<std::size_t>(g.list[k].second)], undirected)
        ->SetWeight(g.weight[k]);
  }
}

std::vector<std::vector<int>> Lists(const Edges& g, bool undirected) {
  std::vector<std::vector<int>> adj(static_cast<std::size_t>(g.n));
  for (auto [a, b] : g.list) {
    adj[static_cast<std::size_t>(a)].push_back(b);
    if (undirected) adj[static_cast<std::size_t>(b)].push_back(a);
  }
  return adj;
}

void BM_VelaConnectedComponents(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  VelaGraphSolver solver(0);
  Fill(solver, RandomEdges(n, n, 1), 1);
  VelaArray<VelaGraphSolver::Component> out;
  for (auto _ : state) benchmark::DoNotOptimize(solver.ComputeConnectedComponents(out));
  state.SetItemsProcessed(state.iterations() * n);
}

void BM_StdDfsComponents(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const auto adj = Lists(RandomEdges(n, n, 1), true);
  for (auto _ : state) {
    std::vector<int> comp(static_cast<std::size_t>(n), -1);
    std::vector<std::vector<int>> components;
    std::vector<std::pair<int, std::size_t>> stack;
    for (int s = 0; s < n; ++s) {
      if (comp[static_cast<std::size_t>(s)] >= 0) continue;
      const int c = static_cast<int>(components.size());
      components.emplace_back(1, s);
      comp[static_cast<std::size_t>(s)] = c;
      stack.emplace_back(s, 0);
      while (!stack.empty()) {
        auto& [v, next] = stack.back();
        const auto& list = adj[static_cast<std::size_t>(v)];
        if (next == list.size()) {
          stack.pop_back();
          continue;
        }
        const int w = list[next++];
        if (comp[static_cast<std::size_t>(w)] >= 0) continue;
        comp[static_cast<std::size_t>(w)] = c;
        components.back().push_back(w);
        stack.emplace_back(w, 0);
      }
    }
    benchmark::DoNotOptimize(components.data());
  }
  state.SetItemsProcessed(state.iterations() * n);
}

void BM_VelaStronglyConnected(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  VelaGraphSolver solver(0);
  Fill(solver, RandomEdges(n, 2 * n, 2), 0);
  VelaArray<VelaGraphSolver::Component> out;
  for (auto _ : state) benchmark::DoNotOptimize(solver.ComputeStronglyConnectedComponents(out));
  state.SetItemsProcessed(state.iterations() * n);
}

void BM_StdTarjan(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const auto adj = Lists(RandomEdges(n, 2 * n, 2), false);
  for (auto _ : state) {
    std::vector<int> index(static_cast<std::size_t>(n), -1), low(static_cast<std::size_t>(n));
    std::vector<char> on(static_cast<std::size_t>(n), 0);
    std::vector<int> stack;
    std::vector<std::vector<int>> sccs;
    std::vector<std::pair<int, std::size_t>> frames;
    int counter = 0;
    for (int s = 0; s < n; ++s) {
      if (index[static_cast<std::size_t>(s)] >= 0) continue;
      const auto enter = [&](int v) {
        index[static_cast<std::size_t>(v)] = low[static_cast<std::size_t>(v)] = counter++;
        stack.push_back(v);
        on[static_cast<std::size_t>(v)] = 1;
        frames.emplace_back(v, 0);
      };
      enter(s);
      while (!frames.empty()) {
        const int v = frames.back().first;
        std::size_t& next = frames.back().second;
        const auto& list = adj[static_cast<std::size_t>(v)];
        if (next < list.size()) {
          const int w = list[next++];
          if (index[static_cast<std::size_t>(w)] < 0) {
            enter(w);
          } else if (on[static_cast<std::size_t>(w)]) {
            low[static_cast<std::size_t>(v)] = std::min(low[static_cast<std::size_t>(v)], index[static_cast<std::size_t>(w)]);
          }
          continue;
        }
        if (low[static_cast<std::size_t>(v)] == index[static_cast<std::size_t>(v)]) {
          sccs.emplace_back();
          int x;
          do {
            x = stack.back();
            stack.pop_back();
            on[static_cast<std::size_t>(x)] = 0;
            sccs.back().push_back(x);
          } while (x != v);
        }
        frames.pop_back();
        if (!frames.empty()) {
          const int p = frames.back().first;
          low[static_cast<std::size_t>(p)] = std::min(low[static_cast<std::size_t>(p)], low[static_cast<std::size_t>(v)]);
        }
      }
    }
    benchmark::DoNotOptimize(sccs.data());
  }
  state.SetItemsProcessed(state.iterations() * n);
}

constexpr int kTreeEdges = 100000;

void BM_VelaSpanningTree(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  VelaGraphSolver solver(0);
  Fill(solver, RandomEdges(n, kTreeEdges, 3), 1);
  VelaArray<VelaGraphEdge*> out;
  for (auto _ : state) benchmark::DoNotOptimize(solver.RunSpanningTree(out));
  state.SetItemsProcessed(state.iterations() * kTreeEdges);
}

// Sorted edge order shared by both references.
std::vector<std::size_t> SortedOrder(const Edges& g) {
  std::vector<std::size_t> order(g.list.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return g.weight[a] < g.weight[b]; });
  return order;
}

void BM_PlainLabellingTree(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const Edges g = RandomEdges(n, kTreeEdges, 3);
  for (auto _ : state) {
    const auto order = SortedOrder(g);
    std::vector<int> label(static_cast<std::size_t>(n));
    std::iota(label.begin(), label.end(), 0);
    std::vector<std::size_t> tree;
    for (std::size_t k = 0; k < order.size() && static_cast<int>(tree.size()) < n - 1; ++k) {
      const int la = label[static_cast<std::size_t>(g.list[order[k]].first)];
      const int lb = label[static_cast<std::size_t>(g.list[order[k]].second)];
      if (la == lb) continue;
      tree.push_back(order[k]);
      for (int& l : label) {
        if (l == lb) l = la;
      }
    }
    benchmark::DoNotOptimize(tree.data());
  }
  state.SetItemsProcessed(state.iterations() * kTreeEdges);
}

void BM_StdKruskal(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const Edges g = RandomEdges(n, kTreeEdges, 3);
  for (auto _ : state) {
    const auto order = SortedOrder(g);
    std::vector<int> parent(static_cast<std::size_t>(n));
    std::iota(parent.begin(), parent.end(), 0);
    const auto find = [&](int x) {
      while (parent[static_cast<std::size_t>(x)] != x) x = parent[static_cast<std::size_t>(x)] = parent[static_cast<std::size_t>(parent[static_cast<std::size_t>(x)])];
      return x;
    };
    std::vector<std::size_t> tree;
    for (std::size_t k = 0; k < order.size() && static_cast<int>(tree.size()) < n - 1; ++k) {
      const int a = find(g.list[order[k]].first);
      const int b = find(g.list[order[k]].second);
      if (a == b) continue;
      parent[static_cast<std::size_t>(b)] = a;
      tree.push_back(order[k]);
    }
    benchmark::DoNotOptimize(tree.data());
  }
  state.SetItemsProcessed(state.iterations() * kTreeEdges);
}

void BM_VelaChordlessGrid(benchmark::State& state) {
  const int side = static_cast<int>(state.range(0));
  VelaGraphSolver solver(0);
  std::vector<VelaGraphVertex*> v;
  for (int i = 0; i < side * side; ++i) {
    v.push_back(solver.CreateVertex(VelaString("v")));
    v.back()->SetIndex(i);
  }
  for (int r = 0; r < side; ++r) {
    for (int c = 0; c < side; ++c) {
      const auto at = static_cast<std::size_t>(r * side + c);
      if (c + 1 < side) solver.CreateEdge(VelaString("h"), v[at], v[at + 1], 1);
      if (r + 1 < side) solver.CreateEdge(VelaString("v"), v[at], v[at + static_cast<std::size_t>(side)], 1);
    }
  }
  VelaArray<VelaPath> cycles;
  for (auto _ : state) benchmark::DoNotOptimize(solver.ComputeChordlessCycles(cycles));
  state.counters["cycles"] = static_cast<double>(cycles.Size());
  state.SetItemsProcessed(state.iterations() * static_cast<long>(cycles.Size()));
}

}  // namespace

BENCHMARK(BM_VelaConnectedComponents)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StdDfsComponents)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_VelaStronglyConnected)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StdTarjan)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_VelaSpanningTree)->Arg(20000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainLabellingTree)->Arg(20000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StdKruskal)->Arg(20000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_VelaChordlessGrid)->DenseRange(2, 7, 1)->Unit(benchmark::kMillisecond);
