#!/usr/bin/env bash
# Runs the example programs of a build and checks the user guide against them.
#
#   tools/run-examples.sh BUILD_DIR
#
# 1. Every example BUILD_DIR/examples/vela_example_<name> runs with a clean
#    environment (so that no Vela* key of the caller's shell changes what it
#    prints) and must exit with 0 and print exactly
#    examples/expected/vela_example_<name>.txt; a difference is shown as a
#    unified diff. An example without an expected text, or an expected text
#    without an example, is an error too.
# 2. Every ```cpp block of docs/guide.md must appear, line for line after
#    removing the indentation its lines share, in one of examples/*.cpp, so
#    that the guide only shows code that compiles and runs.
#
# Exits with 0 when everything matches, 1 otherwise, 2 on a usage error.
set -u

if [ $# -ne 1 ] || [ ! -d "$1" ]; then
  echo "usage: $0 BUILD_DIR" >&2
  exit 2
fi
build=$(cd "$1" && pwd)
root=$(cd "$(dirname "$0")/.." && pwd)
expected_dir="$root/examples/expected"
guide="$root/docs/guide.md"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# ---- 1. outputs ---------------------------------------------------------------
# The environment an example runs in: only what finding programs, libraries
# and the temporary folder needs.
clean_env=(env -i "PATH=$PATH")
for var in HOME TMPDIR LD_LIBRARY_PATH; do
  if [ -n "${!var:-}" ]; then clean_env+=("$var=${!var}"); fi
done

ran=0
for program in "$build"/examples/vela_example_*; do
  if [ ! -f "$program" ] || [ ! -x "$program" ]; then continue; fi
  name=$(basename "$program")
  ran=$((ran + 1))
  expected="$expected_dir/$name.txt"
  if [ ! -f "$expected" ]; then
    fail "$name has no expected output (examples/expected/$name.txt)"
    continue
  fi
  actual="$work/$name.txt"
  (cd "$work" && "${clean_env[@]}" "$program" >"$actual")
  status=$?
  if [ $status -ne 0 ]; then
    fail "$name exited with $status"
  elif ! diff -u --label "expected/$name.txt" --label "$name output" "$expected" "$actual"; then
    fail "$name printed something else than examples/expected/$name.txt"
  else
    echo "ok: $name"
  fi
done
if [ $ran -eq 0 ]; then
  fail "no example program in $build/examples (configured with VELA_BUILD_EXAMPLES=OFF?)"
fi

for expected in "$expected_dir"/*.txt; do
  [ -f "$expected" ] || continue
  name=$(basename "$expected" .txt)
  if [ ! -x "$build/examples/$name" ]; then
    fail "examples/expected/$name.txt has no example program $name in the build"
  fi
done

# Whether the snippet file $1 appears in the source file $2: some window of
# source lines equals the snippet once each side loses the indentation its
# lines share (blank lines compare as empty).
snippet_in() {
  awk '
    function lead(s) { match(s, /^[ \t]*/); return RLENGTH }
    function blank(s) { return s !~ /[^ \t\r]/ }
    FNR == NR { want[n++] = $0; next }
    { src[m++] = $0 }
    END {
      if (n == 0) exit 1
      cut = -1
      for (i = 0; i < n; i++) if (!blank(want[i]) && (cut < 0 || lead(want[i]) < cut)) cut = lead(want[i])
      for (i = 0; i < n; i++) want[i] = blank(want[i]) ? "" : substr(want[i], cut + 1)
      for (s = 0; s + n <= m; s++) {
        c = -1
        for (i = 0; i < n; i++) if (!blank(src[s + i]) && (c < 0 || lead(src[s + i]) < c)) c = lead(src[s + i])
        for (i = 0; i < n; i++) {
          got = blank(src[s + i]) ? "" : substr(src[s + i], c + 1)
          if (got != want[i]) break
        }
        if (i == n) exit 0
      }
      exit 1
    }
  ' "$1" "$2"
}

# ---- 2. guide snippets --------------------------------------------------------
if [ ! -f "$guide" ]; then
  fail "docs/guide.md is missing"
else
  # One file per ```cpp block: snippet_<n>, and its first line in the guide.
  awk -v dir="$work" '
    /^[ \t]*```(cpp|c\+\+)[ \t]*$/ { inside = 1; n++; file = dir "/snippet_" n; print NR + 1 > (file ".line"); next }
    inside && /^[ \t]*```[ \t]*$/ { inside = 0; close(file); close(file ".line"); next }
    inside { print > file }
  ' "$guide"

  snippets=0
  missing=0
  for snippet in "$work"/snippet_*; do
    case "$snippet" in *.line) continue ;; esac
    [ -f "$snippet" ] || continue
    snippets=$((snippets + 1))
    line=$(cat "$snippet.line")
    found=0
    for source in "$root"/examples/*.cpp; do
      if snippet_in "$snippet" "$source"; then found=1; break; fi
    done
    if [ $found -eq 0 ]; then
      missing=$((missing + 1))
      fail "the C++ block at docs/guide.md:$line is not in any examples/*.cpp:"
      sed 's/^/    /' "$snippet"
    fi
  done
  if [ $snippets -eq 0 ]; then
    fail "docs/guide.md has no \`\`\`cpp block"
  elif [ $missing -eq 0 ]; then
    echo "ok: $snippets C++ blocks of docs/guide.md found in the examples"
  fi
fi

if [ $failures -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all examples and guide snippets match"
exit 0
