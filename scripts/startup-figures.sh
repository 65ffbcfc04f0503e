#!/usr/bin/env bash
# Start-up to a shown window and resident memory after start, with 1,000 tasks
# in 50 folders, under a virtual X display (Xvfb) as on a desktop.
#   scripts/startup-figures.sh [build-folder]     (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
bench="$build/bench/startup_bench"
[ -x "$bench" ] || { echo "no $bench: run 'make build' first" >&2; exit 1; }

work=$(mktemp -d)
xvfb=
cleanup() {
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")" XDG_RUNTIME_DIR="$work"
unset QT_QPA_PLATFORM
# Repetitions of the three are interleaved in random order: the VM's noise
# drifts, and a block of one program's starts would catch it alone.
"$bench" --benchmark_repetitions=5 --benchmark_enable_random_interleaving=true \
  --benchmark_report_aggregates_only=true 2>/dev/null
