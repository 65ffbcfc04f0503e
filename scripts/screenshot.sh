#!/usr/bin/env bash
# Takes docs/screenshot.png: Vorn on a sample day, under a virtual display
# (Xvfb), on a temporary data folder and settings; nothing of yours is touched.
#   scripts/screenshot.sh [--dark] [build-folder]     (default: build)
# --dark takes docs/screenshot-dark.png in a dark Fusion palette.
# SCREEN=WIDTHxHEIGHT sets the window's size (default 1100x700), OUT the file.
set -euo pipefail
cd "$(dirname "$0")/.."
out=docs/screenshot.png
if [ "${1:-}" = "--dark" ]; then
  export VORN_PALETTE=dark
  out=docs/screenshot-dark.png
  shift
fi
out=${OUT:-$out}
screen=${SCREEN:-1100x700}
build=${1:-build}
vorn="$build/vorn"
[ -x "$vorn" ] || { echo "no $vorn: run 'make build' first" >&2; exit 1; }
for tool in Xvfb xwd convert python3; do
  command -v "$tool" >/dev/null || { echo "missing $tool (scripts/install-deps.sh installs it)" >&2; exit 1; }
done

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

export HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" VORN_DATA_DIR="$work/data"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

# No proxy address: Vorn starts its own vorn-proxy (built-in words, offline voice).
unset VORN_PROXY_URL VORN_PROXY_TOKEN

"$vorn" --import - >/dev/null 2>&1 <<'LIST'
Thursday
1. Answer the overnight mail
2. Quarterly report
    1. Collect the figures
    2. Write the summary
    3. Charts for the board
3. Errands
    1. Pharmacy
    2. Post office
4. Call the landlord about the heating
5. Review the pull requests
6. Plan tomorrow
LIST

Xvfb -displayfd 3 -screen 0 "${screen}x24" -nolisten tcp 3>"$work/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"

"$vorn" -geometry "${screen}+0+0" >/dev/null 2>&1 &
pids+=($!)
# Time for the window to open and for the boss to say something.
sleep "${SCREENSHOT_WAIT:-6}"
mkdir -p "$(dirname "$out")"
xwd -root -silent | convert xwd:- "$out"
echo "wrote $out"
