#!/usr/bin/env bash
# Builds the fuzzers and runs each one for a while on a copy of its seed
# corpus, after replaying its saved regression inputs.
#
#   tools/run-fuzzers.sh [seconds-per-fuzzer] [build-dir]
#
# seconds-per-fuzzer defaults to 30, build-dir to build-fuzz in the source
# tree (configured here with clang, a static library and the fuzzers when it
# has no build files yet). Fuzzers run two at a time (VELA_FUZZ_JOBS). The
# committed corpus is never written. Prints one line per fuzzer and exits
# non-zero when any fuzzer crashed, leaked, timed out or broke an invariant;
# the failing input and the log are then kept in <build-dir>/fuzz-failures.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds=${1:-30}
build=${2:-$root/build-fuzz}
jobs=${VELA_FUZZ_JOBS:-2}

if [ ! -f "$build/CMakeCache.txt" ]; then
  CXX=${CXX:-clang++} cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVELA_BUILD_FUZZERS=ON -DBUILD_SHARED_LIBS=OFF -DVELA_BUILD_TESTS=OFF \
    -DVELA_BUILD_BENCHMARKS=OFF -DVELA_BUILD_EXAMPLES=OFF >/dev/null
fi
cmake --build "$build" --target vela_fuzzers >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures="$build/fuzz-failures"
rm -rf "$failures"

# Runs one fuzzer; its summary line goes to $work/<name>/summary.
run_one() {
  local name=$1 exe="$build/fuzz/$1_fuzz" dir="$work/$1"
  mkdir -p "$dir/corpus"
  if [ -d "$root/fuzz/corpus/$name" ]; then cp "$root/fuzz/corpus/$name"/* "$dir/corpus/" 2>/dev/null || true; fi
  local status=0
  local regressions=("$root/fuzz/regressions/$name"/*)
  if [ -e "${regressions[0]}" ] && ! "$exe" "${regressions[@]}" >"$dir/regressions.log" 2>&1; then
    status=1
    cp "$dir/regressions.log" "$dir/log"
  fi
  local dict=()
  if [ -f "$root/fuzz/$name.dict" ]; then dict=(-dict="$root/fuzz/$name.dict"); fi
  if [ $status -eq 0 ] && ! "$exe" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2560 -max_len=4096 \
      -print_final_stats=1 -artifact_prefix="$dir/" "${dict[@]}" "$dir/corpus" >"$dir/log" 2>&1; then
    status=1
  fi
  local runs cov
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$dir/log" | tail -1)
  cov=$(grep -o 'cov: [0-9]*' "$dir/log" | tail -1 | cut -d' ' -f2)
  if [ $status -eq 0 ]; then
    printf '%-12s ok      %9s executions  coverage %s\n' "$name" "${runs:-?}" "${cov:-?}" >"$dir/summary"
  else
    mkdir -p "$failures/$name"
    cp "$dir/log" "$dir"/crash-* "$dir"/leak-* "$dir"/timeout-* "$dir"/oom-* "$failures/$name/" 2>/dev/null || true
    printf '%-12s FAILED  %9s executions  coverage %s  (see %s)\n' "$name" "${runs:-?}" "${cov:-?}" \
      "$failures/$name" >"$dir/summary"
  fi
}

names=()
for source in "$root"/fuzz/*_fuzz.cpp; do
  base=$(basename "$source" .cpp)
  names+=("${base%_fuzz}")
done

running=0
for name in "${names[@]}"; do
  run_one "$name" &
  running=$((running + 1))
  if [ $running -ge "$jobs" ]; then
    wait -n || true
    running=$((running - 1))
  fi
done
wait || true

failed=0
for name in "${names[@]}"; do
  cat "$work/$name/summary"
  grep -q FAILED "$work/$name/summary" && failed=1
done
exit $failed
