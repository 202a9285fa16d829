// Small-buffer arrays against std::vector: building short lists (the case the
// inline buffer exists for), longer appends through the growth steps,
// insertion at the front, and copying.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <type_traits>
#include <vector>

#include "vela/containers/VelaArray.h"

namespace {

template <class T>
T Item(std::int64_t k) {
  if constexpr (std::is_pointer_v<T>) {
    return reinterpret_cast<T>(static_cast<std::uintptr_t>(k) * 8);
  } else {
    return static_cast<T>(k);
  }
}

// A fresh array per iteration, filled by appends without any reserve.
template <class T>
void BM_VelaArrayAppend(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  for (auto _ : state) {
    VelaArray<T> a;
    for (int k = 0; k < n; ++k) a.Append(Item<T>(k));
    benchmark::DoNotOptimize(a.GetBuffer());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * n);
}

template <class T>
void BM_StdVectorAppend(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  for (auto _ : state) {
    std::vector<T> v;
    for (int k = 0; k < n; ++k) v.push_back(Item<T>(k));
    benchmark::DoNotOptimize(v.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * n);
}

// n insertions at the front of a fresh array: O(n^2) element moves.
template <class T>
void BM_VelaArrayInsertFront(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  for (auto _ : state) {
    VelaArray<T> a;
    for (int k = 0; k < n; ++k) a.insert(a.begin(), Item<T>(k));
    benchmark::DoNotOptimize(a.GetBuffer());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * n);
}

template <class T>
void BM_StdVectorInsertFront(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  for (auto _ : state) {
    std::vector<T> v;
    for (int k = 0; k < n; ++k) v.insert(v.begin(), Item<T>(k));
    benchmark::DoNotOptimize(v.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * n);
}

template <class T>
void BM_VelaArrayCopy(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  VelaArray<T> source;
  for (int k = 0; k < n; ++k) source.Append(Item<T>(k));
  for (auto _ : state) {
    VelaArray<T> copy(source);
    benchmark::DoNotOptimize(copy.GetBuffer());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * n);
}

template <class T>
void BM_StdVectorCopy(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  std::vector<T> source;
  for (int k = 0; k < n; ++k) source.push_back(Item<T>(k));
  for (auto _ : state) {
    std::vector<T> copy(source);
    benchmark::DoNotOptimize(copy.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * n);
}

// 16 pointers: exactly the inline capacity of VelaArray<void*>.
BENCHMARK_TEMPLATE(BM_VelaArrayAppend, void*)->Arg(16);
BENCHMARK_TEMPLATE(BM_StdVectorAppend, void*)->Arg(16);

BENCHMARK_TEMPLATE(BM_VelaArrayAppend, void*)->Arg(4)->Arg(17)->Arg(64)->Arg(1024)->Arg(65536);
BENCHMARK_TEMPLATE(BM_StdVectorAppend, void*)->Arg(4)->Arg(17)->Arg(64)->Arg(1024)->Arg(65536);
BENCHMARK_TEMPLATE(BM_VelaArrayAppend, int)->Arg(32)->Arg(1024);
BENCHMARK_TEMPLATE(BM_StdVectorAppend, int)->Arg(32)->Arg(1024);
BENCHMARK_TEMPLATE(BM_VelaArrayAppend, double)->Arg(36)->Arg(1024);
BENCHMARK_TEMPLATE(BM_StdVectorAppend, double)->Arg(36)->Arg(1024);

BENCHMARK_TEMPLATE(BM_VelaArrayInsertFront, void*)->Arg(16)->Arg(64)->Arg(1024);
BENCHMARK_TEMPLATE(BM_StdVectorInsertFront, void*)->Arg(16)->Arg(64)->Arg(1024);

BENCHMARK_TEMPLATE(BM_VelaArrayCopy, double)->Arg(36)->Arg(1024);
BENCHMARK_TEMPLATE(BM_StdVectorCopy, double)->Arg(36)->Arg(1024);

}  // namespace
