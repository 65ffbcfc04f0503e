#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz in their own clang build folder and
# runs each for a fixed time on a copy of its seed corpus (tests/fuzz/corpus/<name>),
# so the stored corpus changes only when someone copies new finds into it.
#
#   scripts/fuzz.sh                  every fuzzer, FUZZ_SECONDS (20) each
#   scripts/fuzz.sh outline_paste    just the named ones
#
# Environment: FUZZ_BUILD (build-fuzz), FUZZ_SECONDS, JOBS, CMAKE_FLAGS.
# A crash leaves its input in <FUZZ_BUILD>/fuzz-artifacts/ and fails the script.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${FUZZ_BUILD:-build-fuzz}
seconds=${FUZZ_SECONDS:-20}
jobs=${JOBS:-2}

# shellcheck disable=SC2086 # CMAKE_FLAGS holds several options
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DVORN_FUZZ=ON -DBUILD_TESTING=OFF -DVORN_BUILD_BENCHMARKS=OFF ${CMAKE_FLAGS:-} >/dev/null
cmake --build "$build" --target vorn_fuzzers -j "$jobs"

if [ $# -gt 0 ]; then
  names=("$@")
else
  names=()
  for f in "$build"/fuzzers/*; do [ -x "$f" ] && names+=("$(basename "$f")"); done
fi
[ ${#names[@]} -gt 0 ] || { echo "fuzz.sh: no fuzzers were built" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$build/fuzz-artifacts"
status=0
for name in "${names[@]}"; do
  corpus="$work/$name"
  mkdir -p "$corpus"
  if [ -d "tests/fuzz/corpus/$name" ]; then cp -R "tests/fuzz/corpus/$name/." "$corpus/"; fi
  echo "== $name: ${seconds}s"
  if ! ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
      "$build/fuzzers/$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -max_len=65536 -print_final_stats=1 -artifact_prefix="$build/fuzz-artifacts/$name-" \
      "$corpus" 2>"$work/$name.log"; then
    tail -n 60 "$work/$name.log" >&2
    echo "fuzz.sh: $name failed; the input is in $build/fuzz-artifacts/" >&2
    status=1
  else
    grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb|#[0-9]+.*DONE)' "$work/$name.log" || true
  fi
done
exit $status
