// VelaPriorityQueueWrapper beside std::set ordered by the same shared
// comparison object: pushing n elements then popping them all, and removing
// arbitrary elements.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <set>
#include <vector>

#include "vela/containers/VelaPriorityQueue.h"

namespace {

using Queue = VelaPriorityQueueWrapper<void*, VelaMore<void*>>;

class ByValue : public VelaMoreComparison<void*> {
 public:
  bool less(void* const& a, void* const& b) const override {
    return *static_cast<const int*>(a) < *static_cast<const int*>(b);
  }
};

// The baseline's comparator: the same comparison object through the same
// handle, so both containers pay the same virtual call.
struct SetOrder {
  VelaMore<void*> more;
  bool operator()(void* const& x, void* const& y) const { return more(y, x); }
};
using StdSet = std::set<void*, SetOrder>;

struct Values {
  explicit Values(std::size_t n) : values(n), pointers(n) {
    std::mt19937 rng(3);
    for (std::size_t i = 0; i < n; ++i) values[i] = static_cast<int>(i);
    std::shuffle(values.begin(), values.end(), rng);
    for (std::size_t i = 0; i < n; ++i) pointers[i] = &values[i];
  }
  std::vector<int> values;
  std::vector<void*> pointers;
};

const Values& ValuesOf(std::size_t n) {
  static Values small(1000), large(100000);
  return n <= 1000 ? small : large;
}

void BM_VelaPriorityQueuePushPop(benchmark::State& state) {
  const auto& pointers = ValuesOf(state.range(0)).pointers;
  const VelaMore<void*> more(new ByValue);
  for (auto _ : state) {
    Queue q(more);
    for (void* p : pointers) q.Push(p);
    while (!q.Empty()) {
      benchmark::DoNotOptimize(q.Top());
      q.Pop();
    }
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_StdSetPushPop(benchmark::State& state) {
  const auto& pointers = ValuesOf(state.range(0)).pointers;
  const VelaMore<void*> more(new ByValue);
  for (auto _ : state) {
    StdSet set(SetOrder{more});
    for (void* p : pointers) set.insert(p);
    while (!set.empty()) {
      benchmark::DoNotOptimize(*set.begin());
      set.erase(set.begin());
    }
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_VelaPriorityQueueRemove(benchmark::State& state) {
  const auto& pointers = ValuesOf(state.range(0)).pointers;
  const VelaMore<void*> more(new ByValue);
  for (auto _ : state) {
    state.PauseTiming();
    Queue q(more);
    for (void* p : pointers) q.Push(p);
    state.ResumeTiming();
    for (void* p : pointers) q.Remove(p);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_StdSetRemove(benchmark::State& state) {
  const auto& pointers = ValuesOf(state.range(0)).pointers;
  const VelaMore<void*> more(new ByValue);
  for (auto _ : state) {
    state.PauseTiming();
    StdSet set(SetOrder{more});
    for (void* p : pointers) set.insert(p);
    state.ResumeTiming();
    for (void* p : pointers) set.erase(p);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

}  // namespace

BENCHMARK(BM_VelaPriorityQueuePushPop)->Arg(1000)->Arg(100000);
BENCHMARK(BM_StdSetPushPop)->Arg(1000)->Arg(100000);
BENCHMARK(BM_VelaPriorityQueueRemove)->Arg(1000)->Arg(100000);
BENCHMARK(BM_StdSetRemove)->Arg(1000)->Arg(100000);
