// VelaHashTable beside std::unordered_set<void*> on the same element
// pointers: filling an empty set, locating every element, and a mixed
// insert/remove workload that runs through growth and shrinking.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <random>
#include <unordered_set>
#include <vector>

#include "vela/containers/VelaHashTable.h"

namespace {

// Separately allocated objects, as the solver's are, visited in random order.
struct Object {
  std::uint64_t payload[4];
};

class Elements {
 public:
  explicit Elements(std::size_t n) {
    std::mt19937 rng(42);
    for (std::size_t i = 0; i < n; ++i) owned_.push_back(std::make_unique<Object>());
    for (auto& o : owned_) pointers_.push_back(o.get());
    std::shuffle(pointers_.begin(), pointers_.end(), rng);
  }
  const std::vector<void*>& pointers() const { return pointers_; }

 private:
  std::vector<std::unique_ptr<Object>> owned_;
  std::vector<void*> pointers_;
};

const Elements& ElementsOf(std::size_t n) {
  static Elements small(1000), large(100000);
  return n <= 1000 ? small : large;
}

// Mixed workload: 4n operations on n elements, insert or remove with equal
// odds, in fill and drain phases so that tables grow and shrink repeatedly.
struct Operation {
  void* element;
  bool insert;
};

std::vector<Operation> MixedOperations(std::size_t n) {
  const auto& pointers = ElementsOf(n).pointers();
  std::mt19937 rng(7);
  std::vector<Operation> ops;
  for (std::size_t i = 0; i < 4 * n; ++i) {
    const bool filling = (i / n) % 2 == 0;
    const bool insert = rng() % 4 != 0 ? filling : !filling;
    ops.push_back({pointers[rng() % n], insert});
  }
  return ops;
}

void BM_VelaHashTableInsert(benchmark::State& state) {
  const auto& pointers = ElementsOf(state.range(0)).pointers();
  for (auto _ : state) {
    VelaHashTable table;
    for (void* p : pointers) table.Insert(p);
    benchmark::DoNotOptimize(table.Size());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_StdUnorderedSetInsert(benchmark::State& state) {
  const auto& pointers = ElementsOf(state.range(0)).pointers();
  for (auto _ : state) {
    std::unordered_set<void*> set;
    for (void* p : pointers) set.insert(p);
    benchmark::DoNotOptimize(set.size());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_VelaHashTableLocate(benchmark::State& state) {
  const auto& pointers = ElementsOf(state.range(0)).pointers();
  VelaHashTable table;
  for (void* p : pointers) table.Insert(p);
  for (auto _ : state) {
    for (void* p : pointers) benchmark::DoNotOptimize(table.Locate(p));
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_StdUnorderedSetLocate(benchmark::State& state) {
  const auto& pointers = ElementsOf(state.range(0)).pointers();
  std::unordered_set<void*> set(pointers.begin(), pointers.end());
  for (auto _ : state) {
    for (void* p : pointers) benchmark::DoNotOptimize(set.find(p));
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_VelaHashTableMixed(benchmark::State& state) {
  const auto ops = MixedOperations(state.range(0));
  for (auto _ : state) {
    VelaHashTable table;
    for (const Operation& op : ops) {
      benchmark::DoNotOptimize(op.insert ? table.Insert(op.element) : table.Remove(op.element));
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(ops.size()));
}

void BM_StdUnorderedSetMixed(benchmark::State& state) {
  const auto ops = MixedOperations(state.range(0));
  for (auto _ : state) {
    std::unordered_set<void*> set;
    for (const Operation& op : ops) {
      if (op.insert) {
        benchmark::DoNotOptimize(set.insert(op.element));
      } else {
        benchmark::DoNotOptimize(set.erase(op.element));
      }
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(ops.size()));
}

}  // namespace

BENCHMARK(BM_VelaHashTableInsert)->Arg(1000)->Arg(100000);
BENCHMARK(BM_StdUnorderedSetInsert)->Arg(1000)->Arg(100000);
BENCHMARK(BM_VelaHashTableLocate)->Arg(1000)->Arg(100000);
BENCHMARK(BM_StdUnorderedSetLocate)->Arg(1000)->Arg(100000);
BENCHMARK(BM_VelaHashTableMixed)->Arg(1000)->Arg(100000);
BENCHMARK(BM_StdUnorderedSetMixed)->Arg(1000)->Arg(100000);
