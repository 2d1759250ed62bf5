#!/usr/bin/env bash
# Builds everything and runs every test: the native tests of the portable core and the Windows
# tests under Wine, headless.  Safe to run again; installs what is missing.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
. "$ROOT/scripts/build-env.sh"

# The shipped program and the native tests.
configure win32 windows-i686 -DCMAKE_BUILD_TYPE=Release -DCARILLO_TESTS=OFF
configure native -DCMAKE_BUILD_TYPE=Debug
cmake --build "$BUILD/win32" -j "$JOBS"
cmake --build "$BUILD/native" -j "$JOBS"
"$ROOT/scripts/check-exe.sh" "$BUILD/win32/src/app/carillo.exe"
JOBS="$JOBS" "$ROOT/scripts/fuzz-smoke.sh" --build-only  # the libFuzzer targets, run below as tests
"$ROOT/scripts/check-release.sh"
JOBS="$JOBS" "$ROOT/scripts/build-web.sh" >/dev/null  # the page, tested as native.web.page

# The Windows tests, built for the architecture that Wine can run here.
wintests="wintests-$WINE_ARCH"
configure "$wintests" "windows-$WINE_ARCH" -DCMAKE_BUILD_TYPE=Debug -DCARILLO_WINE_LOADER="$WINE_LOADER" -DCARILLO_WINE_PREFIX="$BUILD/wineprefix-$WINE_ARCH"
cmake --build "$BUILD/$wintests" -j "$JOBS"
ensure_wine_prefix "$BUILD/wineprefix-$WINE_ARCH" null

# One CTest run over every tree, so that one summary closes the output.
cat > "$BUILD/CTestTestfile.cmake" <<CTEST
subdirs("native")
subdirs("fuzz")
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
