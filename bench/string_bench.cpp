// VelaString beside std::string doing the same work: copying, assigning,
// appending short and long texts, appending single characters, tokenising.
// Compare the ratio of each BM_VelaString* to its BM_StdString* twin.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <string>

#include "vela/foundation/VelaString.h"

namespace {

std::string Letters(std::size_t n) {
  std::string text(n, '.');
  for (std::size_t i = 0; i < n; ++i) text[i] = static_cast<char>('a' + i % 26);
  return text;
}

// A line of `words` words separated by runs of one to three blanks or tabs.
std::string LineOfWords(int words) {
  std::string line = " ";
  for (int i = 0; i < words; ++i) {
    line += "word";
    line += std::to_string(i);
    line += i % 3 == 0 ? " " : (i % 3 == 1 ? " \t" : "   ");
  }
  return line;
}

constexpr char kSeparators[] = " \t";

// ---- Copy: the copy constructor and the destructor -------------------------

void BM_VelaStringCopy(benchmark::State& state) {
  const VelaString source(Letters(static_cast<std::size_t>(state.range(0))).c_str());
  for (auto _ : state) {
    VelaString copy(source);
    benchmark::DoNotOptimize(copy.str());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_VelaStringCopy)->Arg(8)->Arg(100)->Arg(1000)->Arg(10000);

void BM_StdStringCopy(benchmark::State& state) {
  const std::string source = Letters(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    std::string copy(source);
    benchmark::DoNotOptimize(copy.data());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_StdStringCopy)->Arg(8)->Arg(100)->Arg(1000)->Arg(10000);

// ---- Assignment: alternately from two texts of the same length -------------

void BM_VelaStringAssign(benchmark::State& state) {
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  const VelaString first(Letters(n).c_str());
  const VelaString second(std::string(n, 'x').c_str());
  VelaString target;
  bool flip = false;
  for (auto _ : state) {
    target = flip ? first : second;
    flip = !flip;
    benchmark::DoNotOptimize(target.str());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_VelaStringAssign)->Arg(8)->Arg(100)->Arg(1000)->Arg(10000);

void BM_StdStringAssign(benchmark::State& state) {
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  const std::string first = Letters(n);
  const std::string second(n, 'x');
  std::string target;
  bool flip = false;
  for (auto _ : state) {
    target = flip ? first : second;
    flip = !flip;
    benchmark::DoNotOptimize(target.data());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_StdStringAssign)->Arg(8)->Arg(100)->Arg(1000)->Arg(10000);

// ---- Appending a text `count` times to a fresh string -----------------------

template <std::size_t kPieceLength>
void BM_VelaStringAppend(benchmark::State& state) {
  const VelaString piece(Letters(kPieceLength).c_str());
  const auto count = state.range(0);
  for (auto _ : state) {
    VelaString s;
    for (auto i = count; i > 0; --i) s += piece;
    benchmark::DoNotOptimize(s.str());
  }
  state.SetItemsProcessed(state.iterations() * count);
  state.SetBytesProcessed(state.iterations() * count * static_cast<std::int64_t>(kPieceLength));
}

template <std::size_t kPieceLength>
void BM_StdStringAppend(benchmark::State& state) {
  const std::string piece = Letters(kPieceLength);
  const auto count = state.range(0);
  for (auto _ : state) {
    std::string s;
    for (auto i = count; i > 0; --i) s += piece;
    benchmark::DoNotOptimize(s.data());
  }
  state.SetItemsProcessed(state.iterations() * count);
  state.SetBytesProcessed(state.iterations() * count * static_cast<std::int64_t>(kPieceLength));
}

BENCHMARK_TEMPLATE(BM_VelaStringAppend, 8)->Arg(1)->Arg(16)->Arg(1000);
BENCHMARK_TEMPLATE(BM_StdStringAppend, 8)->Arg(1)->Arg(16)->Arg(1000);
BENCHMARK_TEMPLATE(BM_VelaStringAppend, 1000)->Arg(1)->Arg(4)->Arg(16);
BENCHMARK_TEMPLATE(BM_StdStringAppend, 1000)->Arg(1)->Arg(4)->Arg(16);

// ---- Appending single characters to a fresh string --------------------------

void BM_VelaStringAppendChar(benchmark::State& state) {
  const auto count = state.range(0);
  for (auto _ : state) {
    VelaString s;
    for (auto i = count; i > 0; --i) s += static_cast<char>('a' + i % 26);
    benchmark::DoNotOptimize(s.str());
  }
  state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_VelaStringAppendChar)->Arg(100)->Arg(10000);

void BM_StdStringPushBack(benchmark::State& state) {
  const auto count = state.range(0);
  for (auto _ : state) {
    std::string s;
    for (auto i = count; i > 0; --i) s.push_back(static_cast<char>('a' + i % 26));
    benchmark::DoNotOptimize(s.data());
  }
  state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_StdStringPushBack)->Arg(100)->Arg(10000);

// ---- Tokenising a line of words ----------------------------------------------

void BM_VelaStringTokenise(benchmark::State& state) {
  const VelaString line(LineOfWords(static_cast<int>(state.range(0))).c_str());
  const VelaString separators(kSeparators);
  std::int64_t tokens = 0;
  for (auto _ : state) {
    VelaString::token t;
    while (line.getToken(t, separators)) {
      benchmark::DoNotOptimize(t.getToken().str());
      ++tokens;
    }
  }
  state.SetItemsProcessed(tokens);
}
BENCHMARK(BM_VelaStringTokenise)->Arg(10)->Arg(100)->Arg(1000);

void BM_StdStringTokenise(benchmark::State& state) {
  const std::string line = LineOfWords(static_cast<int>(state.range(0)));
  std::int64_t tokens = 0;
  for (auto _ : state) {
    std::string token;
    std::size_t position = 0;
    while ((position = line.find_first_not_of(kSeparators, position)) != std::string::npos) {
      const std::size_t end = line.find_first_of(kSeparators, position);
      token = line.substr(position, end == std::string::npos ? std::string::npos : end - position);
      benchmark::DoNotOptimize(token.data());
      ++tokens;
      position = end;
    }
  }
  state.SetItemsProcessed(tokens);
}
BENCHMARK(BM_StdStringTokenise)->Arg(10)->Arg(100)->Arg(1000);

}  // namespace
