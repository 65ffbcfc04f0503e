#!/usr/bin/env bash
# Installs the Debian package built by `make package`, checks that what it
# installs runs, and removes it again with every package its installation
# pulled in, leaving the machine as it found it.
#   scripts/package-check.sh BUILD_DIR
set -euo pipefail
build=${1:-build}
deb=$(ls "$build"/vorn_*_amd64.deb | head -n1)
echo "== $deb"
dpkg-deb -I "$deb"
echo "== lintian"
lintian --fail-on error --info "$deb"

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi
if dpkg-query -W -f='${Status}' vorn 2>/dev/null | grep -q "install ok installed"; then
  echo "vorn is already installed here; not touching it" >&2
  exit 1
fi
before=$(mktemp)
dpkg-query -W -f='${Package}\n' | sort > "$before"
tmp=$(mktemp -d)
cleanup() {
  local pulled
  pulled=$(comm -13 "$before" <(dpkg-query -W -f='${Package}\n' | sort) | tr '\n' ' ')
  if [ -n "$pulled" ]; then
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get purge -y -qq $pulled > /dev/null
  fi
  rm -rf "$tmp" "$before"
}
trap cleanup EXIT

DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "$(realpath "$deb")" > /dev/null
echo "== installed"
test -x /usr/libexec/vorn/vorn-hosts-helper
/usr/bin/vorn --version
VORN_PROXY_TOKEN=package-check-token-0123456789 /usr/bin/vorn-proxy \
  --config /usr/share/doc/vorn/vorn-proxy.conf.sample --check
# The installed program finds its German translation.
test -s /usr/share/vorn/translations/vorn_de.qm
english=$(LANGUAGE= LC_ALL=C.UTF-8 /usr/bin/vorn --help)
german=$(LANGUAGE= LC_ALL=de_DE.UTF-8 /usr/bin/vorn --help)
if [ "$english" = "$german" ]; then
  echo "vorn --help is the same under de_DE.UTF-8: no translation loaded" >&2
  exit 1
fi
for page in "1 vorn" "1 vorn-proxy" "5 vorn-proxy.conf"; do
  warnings=$(MANWIDTH=80 man --warnings $page 2>&1 > /dev/null)
  if [ -n "$warnings" ]; then
    echo "man $page: $warnings" >&2
    exit 1
  fi
done

# Three seconds of the real program, offscreen, on a data folder of its own.
status=0
HOME="$tmp" XDG_CONFIG_HOME="$tmp/config" XDG_RUNTIME_DIR="$tmp" VORN_DATA_DIR="$tmp/data" \
  QT_QPA_PLATFORM=offscreen timeout 3 /usr/bin/vorn || status=$?
if [ "$status" -ne 124 ]; then
  echo "vorn ended with status $status within three seconds" >&2
  exit 1
fi
test -s "$tmp/data/vorn.sqlite"
echo "package check: installed, ran for 3 s, removed"
