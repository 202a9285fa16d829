#!/usr/bin/env bash
# Runs every test program of a build directory under valgrind's memcheck and
# fails when any of them reports a memory error or a definite leak, or fails
# a test. See docs/memcheck.md.
#
#   tools/memcheck.sh [-j JOBS] [-R REGEX] [--no-build] [BUILD_DIR]
#
# BUILD_DIR defaults to build-memcheck at the top of the source tree; when it
# holds no CMake cache it is configured RelWithDebInfo without sanitizers
# (valgrind cannot run sanitized programs). It is then built, unless
# --no-build. -R keeps the test programs whose file name matches the
# regular expression (for example 'foundation|external'). JOBS
# (default 2) valgrind processes run at a time. Each program is cut into
# shards of about 20 tests with GoogleTest's own sharding, so that the big
# programs spread over the jobs; every shard starts in the program's
# working directory and with the environment ctest gives its tests. A shard
# still running after MEMCHECK_TIMEOUT seconds (default 3600) is stopped
# and counts as failed.
set -euo pipefail

source_dir=$(cd "$(dirname "$0")/.." && pwd)
jobs=2
filter=.
build=1
build_dir=$source_dir/build-memcheck
tests_per_shard=20

usage() {
  sed -n '6p' "$0" | sed 's/^# *//' >&2
  exit 2
}

while [ $# -gt 0 ]; do
  case $1 in
    -j) [ $# -ge 2 ] || usage; jobs=$2; shift 2 ;;
    -R) [ $# -ge 2 ] || usage; filter=$2; shift 2 ;;
    --no-build) build=0; shift ;;
    -h|--help) usage ;;
    -*) usage ;;
    *) build_dir=$1; shift ;;
  esac
done

command -v valgrind >/dev/null || { echo "memcheck: valgrind is not installed" >&2; exit 2; }
command -v python3 >/dev/null || { echo "memcheck: python3 is needed to read the test list" >&2; exit 2; }

if [ ! -f "$build_dir/CMakeCache.txt" ]; then
  cmake -S "$source_dir" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVELA_SANITIZE=OFF -DVELA_SANITIZE_THREAD=OFF \
    -DVELA_BUILD_BENCHMARKS=OFF -DVELA_BUILD_EXAMPLES=OFF
fi
build_dir=$(cd "$build_dir" && pwd)
if grep -Eq '^VELA_SANITIZE(_THREAD)?:BOOL=(ON|TRUE|1)$' "$build_dir/CMakeCache.txt"; then
  echo "memcheck: $build_dir is a sanitizer build; valgrind needs a plain one" >&2
  exit 2
fi
if [ "$build" = 1 ]; then
  cmake --build "$build_dir"
fi

logs=$build_dir/memcheck
rm -rf "$logs"
mkdir -p "$logs"

# One line per shard: program, shard index, shard count, working directory,
# then the environment entries, tab-separated. The test list, working
# directories and environments are ctest's, so the programs run as they do
# under ctest; programs that were not built are skipped.
ctest --test-dir "$build_dir" --show-only=json-v1 | python3 -c '
import json, math, os, re, sys
programs = {}
for test in json.load(sys.stdin).get("tests", []):
    command = test.get("command") or []
    if not command or not os.access(command[0], os.X_OK):
        continue
    if not re.search(sys.argv[1], os.path.basename(command[0])):
        continue
    props = {p["name"]: p["value"] for p in test.get("properties", [])}
    entry = programs.setdefault(command[0], {"tests": 0,
        "dir": props.get("WORKING_DIRECTORY", os.path.dirname(command[0])),
        "env": props.get("ENVIRONMENT", [])})
    entry["tests"] += 1
for program, entry in sorted(programs.items()):
    shards = max(1, math.ceil(entry["tests"] / int(sys.argv[2])))
    for index in range(shards):
        print("\t".join([program, str(index), str(shards), entry["dir"]] + entry["env"]))
' "$filter" "$tests_per_shard" > "$logs/shards.txt"

if [ ! -s "$logs/shards.txt" ]; then
  echo "memcheck: no test programs found in $build_dir" >&2
  exit 2
fi

# Runs one shard; its output and valgrind's reports (one file per process,
# children included) go to the log folder. Prints one result line.
run_shard() {
  local program index shards dir
  IFS=$'\t' read -r -a fields <<<"$1"
  program=${fields[0]} index=${fields[1]} shards=${fields[2]} dir=${fields[3]}
  local name
  name=$(basename "$program").$index
  local started=$SECONDS status=0
  # --trace-children: death tests that re-execute the program are checked
  # too. --errors-for-leak-kinds=definite: memory still reachable at exit
  # (the process-wide singletons, which live until the process ends) is no
  # error; memory nothing points to any more is.
  # --soname-synonyms=somalloc=nouserintercepts: memcheck takes over malloc
  # and free where the C library and libstdc++ define them, but leaves alone
  # the program's own definitions. The string allocation tests define
  # malloc, realloc and free as logging forwarders to the C library's entry
  # points, so memcheck still sees and checks every block, and the tests
  # still see their calls.
  (
    cd "$dir"
    env "${fields[@]:4}" GTEST_TOTAL_SHARDS="$shards" GTEST_SHARD_INDEX="$index" \
      timeout --kill-after=30 "$MEMCHECK_TIMEOUT" \
      valgrind --tool=memcheck --error-exitcode=99 --leak-check=full \
        --show-leak-kinds=definite --errors-for-leak-kinds=definite \
        --soname-synonyms=somalloc=nouserintercepts \
        --trace-children=yes --log-file="$MEMCHECK_LOGS/$name.%p.valgrind" \
        "$program" >"$MEMCHECK_LOGS/$name.out" 2>&1
  ) || status=$?
  # A child process's errors need not change the parent's exit status.
  if grep -l 'ERROR SUMMARY: [1-9]' "$MEMCHECK_LOGS/$name".*.valgrind >/dev/null 2>&1; then
    [ "$status" != 0 ] || status=99
  fi
  printf '%-8s %5ss  %s\n' "$([ "$status" = 0 ] && echo ok || echo "FAIL($status)")" \
    "$((SECONDS - started))" "$name"
}
export -f run_shard
export MEMCHECK_LOGS=$logs
# A bound against a hang, per shard, not a measurement.
export MEMCHECK_TIMEOUT=${MEMCHECK_TIMEOUT:-3600}

echo "memcheck: $(wc -l <"$logs/shards.txt") shards, $jobs at a time; logs in $logs"
started=$SECONDS
# shellcheck disable=SC2016  # "$1" is the inner shell's argument
tr '\n' '\0' <"$logs/shards.txt" | xargs -0 -P "$jobs" -I{} bash -c 'run_shard "$1"' _ {} \
  | tee "$logs/results.txt"
echo "memcheck: $((SECONDS - started)) s"

if grep -q '^FAIL' "$logs/results.txt"; then
  echo "memcheck: failures (see $logs/<program>.<shard>.out and .valgrind files):" >&2
  grep '^FAIL' "$logs/results.txt" >&2
  exit 1
fi
echo "memcheck: no errors"
