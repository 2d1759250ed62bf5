#!/usr/bin/env bash
# Builds the program, starts it under Wine on a virtual X display and takes a PNG of each page:
# docs/screenshot-compile.png ("MID => PDB") and docs/screenshot-extract.png ("PDB => MID") at
# 96 DPI, and docs/screenshot-compile-144.png and docs/screenshot-extract-144.png at 144 DPI.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
. "$ROOT/scripts/build-env.sh"

configure "screenshots-$WINE_ARCH" "windows-$WINE_ARCH" -DCMAKE_BUILD_TYPE=Release -DCARILLO_TESTS=OFF
dir="$BUILD/screenshots-$WINE_ARCH"
cmake --build "$dir" -j "$JOBS" --target carillo
"$WINE_ARCH-w64-mingw32-g++-posix" -O1 -static -Wall -Wextra -Werror "$ROOT/scripts/screenshot-helper.cpp" \
  -o "$dir/screenshot-helper.exe" -lcomctl32

prefix="$BUILD/wineprefix-screenshots-$WINE_ARCH"
ensure_wine_prefix "$prefix" x11
# Fields as a user would have them; the window opens centred enough to be whole on the display.
"$WINE_LOADER" reg add 'HKCU\Software\Veltro\Carillo2\MainForm' /v Status /d 1 /f >/dev/null 2>&1
for v in Top:40 Left:40 Width:739 Height:317; do
  "$WINE_LOADER" reg add 'HKCU\Software\Veltro\Carillo2\MainForm' /v "${v%%:*}" /d "${v##*:}" /f >/dev/null 2>&1
done
"$WINE_LOADER" reg add 'HKCU\Software\Veltro\Carillo2\PDB2MID' /v Source /d 'C:\Palm\JohnD\Backup\System_MIDI_Sounds.pdb' /f >/dev/null 2>&1
"$WINE_LOADER" reg add 'HKCU\Software\Veltro\Carillo2\PDB2MID' /v Destination /d 'C:\My Music\Ringtones\' /f >/dev/null 2>&1
"$WINE_LOADER" reg add 'HKCU\Software\Veltro\Carillo2\MID2PDB' /v Source /d 'C:\My Music\Ringtones\' /f >/dev/null 2>&1
wineserver -w || true

mkdir -p "$ROOT/docs"
export EXE="$dir/src/app/carillo.exe" HELPER="$dir/screenshot-helper.exe" DOCS="$ROOT/docs"
# $1: the display's DPI; $2: what the file names end with; $3: the virtual screen's size.
shoot() {
  "$WINE_LOADER" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
  wineserver -w || true
  SUFFIX="$2" xvfb-run -a -s "-screen 0 ${3}x24" bash -c '
    set -euo pipefail
    "$WINELOADER" "$EXE" >/dev/null 2>&1 &
    for shot in 0:compile 1:extract; do
      geometry="$("$WINELOADER" "$HELPER" page "${shot%%:*}" | tr -d "\r")"
      import -window root -crop "$geometry" +repage "$DOCS/screenshot-${shot##*:}$SUFFIX.png"
      echo "docs/screenshot-${shot##*:}$SUFFIX.png: $geometry"
    done
    "$WINELOADER" "$HELPER" close
    wineserver -w || true
  '
}
shoot 96 "" 1024x600
# At 144 DPI the window opens at its own size there: no stored width or height.
"$WINE_LOADER" reg delete 'HKCU\Software\Veltro\Carillo2\MainForm' /v Width /f >/dev/null 2>&1 || true
"$WINE_LOADER" reg delete 'HKCU\Software\Veltro\Carillo2\MainForm' /v Height /f >/dev/null 2>&1 || true
shoot 144 -144 1280x720
"$WINE_LOADER" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f >/dev/null 2>&1
