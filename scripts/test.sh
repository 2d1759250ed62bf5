#!/usr/bin/env bash
# Builds everything and runs every test: the native tests of the portable core and the Windows
# tests under Wine, headless.  Safe to run again; installs what is missing.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
"$ROOT/scripts/install-deps.sh"
. "$ROOT/scripts/wine-env.sh"
JOBS="$(nproc)"

configure() { # build-dir, extra cmake args...
  local dir="$1"; shift
  [ -f "$BUILD/$dir/CMakeCache.txt" ] || cmake -S "$ROOT" -B "$BUILD/$dir" "$@" >/dev/null
}

# The shipped program and the native tests.
configure win32 -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-i686-w64-mingw32.cmake" -DCMAKE_BUILD_TYPE=Release -DCARILLO_TESTS=OFF
configure native -DCMAKE_BUILD_TYPE=Debug
cmake --build "$BUILD/win32" -j "$JOBS"
cmake --build "$BUILD/native" -j "$JOBS"
"$ROOT/scripts/check-exe.sh" "$BUILD/win32/src/app/carillo.exe"
"$ROOT/scripts/check-release.sh"

# The Windows tests, built for the architecture that Wine can run here.
wintests="wintests-$WINE_ARCH"
configure "$wintests" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-$WINE_ARCH-w64-mingw32.cmake" \
  -DCMAKE_BUILD_TYPE=Debug -DCARILLO_WINE_LOADER="$WINE_LOADER" -DCARILLO_WINE_PREFIX="$BUILD/wineprefix-$WINE_ARCH"
cmake --build "$BUILD/$wintests" -j "$JOBS"
ensure_wine_prefix "$BUILD/wineprefix-$WINE_ARCH" null

# One CTest run over both trees, so that one summary closes the output.
cat > "$BUILD/CTestTestfile.cmake" <<CTEST
subdirs("native")
subdirs("$wintests")
CTEST
# Real-world MIDI files (a music set packaged for a game) for the round trip through the window.
samples=/usr/share/games/openttd/baseset/openmsx
[ -d "$samples" ] && export CARILLO_MIDI_SAMPLES="Z:${samples//\//\\}"
echo "Windows tests run as $WINE_ARCH under $("$WINE_LOADER" --version)."
wineserver -p 60 || true
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
cd "$BUILD"
ctest -j "$JOBS" --output-on-failure --no-tests=error --timeout 120
