#!/usr/bin/env bash
# Installs what the build and the tests need on Debian 12; does nothing when everything is there.
set -euo pipefail

have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

need=()
for p in cmake g++ make googletest \
         g++-mingw-w64-i686 mingw-w64-i686-dev g++-mingw-w64-x86-64 mingw-w64-x86-64-dev binutils-mingw-w64-i686 \
         wine wine32:i386 wine64 fonts-wine xvfb xauth imagemagick openttd-openmsx \
         simutrans-data planetblupi-music-midi python3-mido midicsv \
         clang libclang-rt-14-dev libpalm-perl txt2pdbdoc zip unzip zsh emscripten chromium; do
  have_pkg "$p" || need+=("$p")
done
# The page's JavaScript packages, as package-lock.json pins them, when missing or older than it.
npm_ci() {
  local root
  root="$(cd "$(dirname "$0")/.." && pwd)"
  if [ ! -f "$root/node_modules/.package-lock.json" ] || [ "$root/package-lock.json" -nt "$root/node_modules/.package-lock.json" ]; then
    (cd "$root" && npm ci --ignore-scripts --no-audit --no-fund >/dev/null)
  fi
}
if [ ${#need[@]} -eq 0 ]; then
  npm_ci
  exit 0
fi

if [ "$(id -u)" != 0 ]; then
  echo "Missing packages: ${need[*]}; run this as root to install them." >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
echo "Installing: ${need[*]}"
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
npm_ci
