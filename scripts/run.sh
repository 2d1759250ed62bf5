#!/usr/bin/env bash
# Builds the program and starts it under Wine (under Xvfb when there is no display).
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
. "$ROOT/scripts/build-env.sh"

if [ "$WINE_ARCH" = i686 ]; then dir=win32; else dir=win64; fi
configure "$dir" "windows-$WINE_ARCH" -DCMAKE_BUILD_TYPE=Release -DCARILLO_TESTS=OFF
cmake --build "$BUILD/$dir" -j "$JOBS" --target carillo
ensure_wine_prefix "$BUILD/wineprefix-run-$WINE_ARCH" x11

if [ -n "${DISPLAY:-}" ]; then
  exec "$WINE_LOADER" "$BUILD/$dir/src/app/carillo.exe"
fi
echo "No display: running under Xvfb."
exec xvfb-run -a "$WINE_LOADER" "$BUILD/$dir/src/app/carillo.exe"
