#!/usr/bin/env bash
# Installs the Debian packages the build needs, when any is missing; with
# arguments, those packages instead (`make format` asks for clang-format).
# Idempotent; works as root (CI) or as a user with sudo.
set -euo pipefail

packages=(
  cmake ninja-build g++ make pkg-config
  qt6-base-dev qt6-multimedia-dev qt6-httpserver-dev qcoro-qt6-dev
  libsqlite3-dev libbenchmark-dev
  # icons and pictures, the analytics chart, the keyring
  qt6-svg-dev libqt6svg6 qt6-charts-dev qtkeychain-qt6-dev
  # the chart library's CMake package needs the OpenGL module's, which Debian ships apart
  libqt6opengl6-dev
  # vorn-proxy and its offline voice
  libcpp-httplib-dev nlohmann-json3-dev libssl-dev espeak-ng lame
  # fuzzing, and checking the desktop files
  clang libfuzzer-14-dev desktop-file-utils appstream
  # translations: lupdate and lrelease, their CMake functions, Qt's own German texts
  qt6-l10n-tools qt6-tools-dev qt6-translations-l10n
  # the Debian package and its manual pages
  dpkg-dev scdoc lintian man-db
  # a private session bus for the desktop notification tests
  dbus
  # looking at the window: screenshots under a virtual display
  xvfb x11-apps imagemagick
  # the proxy's interop test: Node.js runs the official OpenAI client; file tells MP3
  nodejs file
)
# npm is its own Debian package, unless the installed Node.js brings it along.
if [ $# -eq 0 ] && ! command -v npm >/dev/null 2>&1; then
  packages+=(npm)
fi

if [ $# -gt 0 ]; then
  packages=("$@")
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
