#!/usr/bin/env bash
# Runs the official OpenAI Node client (pinned by package-lock.json) against a
# vorn-proxy on loopback: chat, streamed chat, speech, models, a wrong token.
# Usage: tests/interop/run.sh PATH/TO/vorn-proxy
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
proxy="$(realpath "${1:?usage: run.sh PATH/TO/vorn-proxy}")"

cd "$here"
npm ci --no-audit --no-fund --loglevel=error

token="$(head -c 24 /dev/urandom | od -An -tx1 | tr -d ' \n')"
work="$(mktemp -d)"
coproc PROXY { VORN_PROXY_TOKEN="$token" exec "$proxy" --config /dev/null --listen 127.0.0.1:0 --print-port 2>"$work/proxy.log"; }
trap 'kill "$PROXY_PID" 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$work"' EXIT
read -r -t 10 port <&"${PROXY[0]}"
echo "vorn-proxy on 127.0.0.1:$port"

VORN_PROXY_URL="http://127.0.0.1:$port/v1" VORN_PROXY_TOKEN="$token" node --test interop.test.mjs ||
  { cat "$work/proxy.log" >&2; exit 1; }
