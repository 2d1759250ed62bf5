#!/usr/bin/env bash
# Builds the program and starts it under Wine (under Xvfb when there is no display).
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
"$ROOT/scripts/install-deps.sh"
. "$ROOT/scripts/wine-env.sh"
JOBS="$(nproc)"

if [ "$WINE_ARCH" = i686 ]; then dir=win32; else dir=win64; fi
[ -f "$BUILD/$dir/CMakeCache.txt" ] || cmake -S "$ROOT" -B "$BUILD/$dir" \
  -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-$WINE_ARCH-w64-mingw32.cmake" -DCMAKE_BUILD_TYPE=Release -DCARILLO_TESTS=OFF >/dev/null
cmake --build "$BUILD/$dir" -j "$JOBS" --target carillo
ensure_wine_prefix "$BUILD/wineprefix-run-$WINE_ARCH" x11

if [ -n "${DISPLAY:-}" ]; then
  exec "$WINE_LOADER" "$BUILD/$dir/src/app/carillo.exe"
fi
echo "No display: running under Xvfb."
exec xvfb-run -a "$WINE_LOADER" "$BUILD/$dir/src/app/carillo.exe"
