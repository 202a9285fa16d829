#!/usr/bin/env bash
# Size of the test code beside the code it tests: non-blank lines of the C++
# and CMake sources of tests/ and fuzz/ against those of include/ and src/,
# in all and per subsystem. The shared test helpers and the fuzzers count
# with the subsystem they exercise; helpers every subsystem uses count only
# in the total. The house rule: tests at most a third of the code in all, and
# no subsystem above one half.
set -euo pipefail
cd "$(dirname "$0")/.."

subsystems=(foundation containers streams config operator linalg optim graph geometry external platform)

# Test files outside tests/<subsystem>/ and the subsystem they belong to.
declare -A owner=(
  [tests/support/StringModel.h]=foundation [tests/support/StringModel.cpp]=foundation
  [fuzz/string_fuzz.cpp]=foundation [fuzz/filenames_fuzz.cpp]=foundation
  [tests/support/ContainerModels.h]=containers [tests/support/ContainerModels.cpp]=containers
  [fuzz/containers_fuzz.cpp]=containers
  [fuzz/stream_fuzz.cpp]=streams
  [tests/support/EnvironmentModel.h]=config [tests/support/EnvironmentModel.cpp]=config
  [fuzz/environment_fuzz.cpp]=config
  [tests/support/PlainGaussJordan.h]=linalg
  [fuzz/linalg_fuzz.cpp]=linalg
  [tests/support/AfiroLp.h]=optim [fuzz/optim_fuzz.cpp]=optim
  [tests/support/GraphModel.h]=graph [tests/support/GraphModel.cpp]=graph [fuzz/graph_fuzz.cpp]=graph
  [tests/support/ExpressionModel.h]=external [tests/support/ExpressionModel.cpp]=external
  [fuzz/expression_fuzz.cpp]=external
)

nonblank() {  # non-blank lines of the C++ and CMake sources under the given paths
  find "$@" -type f \( -name '*.cpp' -o -name '*.h' -o -name 'CMakeLists.txt' -o -name '*.cmake' \) \
    -print0 2>/dev/null | xargs -0 -r cat | grep -c -v '^[[:space:]]*$' || true
}

declare -A extra=()
for file in "${!owner[@]}"; do
  [ -f "$file" ] || continue
  extra[${owner[$file]}]=$(( ${extra[${owner[$file]}]:-0} + $(nonblank "$file") ))
done

printf '%-12s %7s %7s %6s\n' subsystem tests code ratio
over=0
for s in "${subsystems[@]}"; do
  tests=$(( $(nonblank "tests/$s") + ${extra[$s]:-0} ))
  code=$(nonblank "include/vela/$s" "src/$s")
  ratio=$(awk -v t="$tests" -v c="$code" 'BEGIN { printf "%.2f", c ? t / c : 0 }')
  printf '%-12s %7d %7d %6s\n' "$s" "$tests" "$code" "$ratio"
  awk -v t="$tests" -v c="$code" 'BEGIN { exit !(2 * t > c) }' && over=1
done
tests=$(nonblank tests fuzz)
code=$(nonblank include src)
printf '%-12s %7d %7d %6s\n' total "$tests" "$code" "$(awk -v t="$tests" -v c="$code" 'BEGIN { printf "%.2f", t / c }')"
awk -v t="$tests" -v c="$code" 'BEGIN { exit !(3 * t > c) }' && over=1
exit "$over"
