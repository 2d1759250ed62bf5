# Sourced by the scripts: picks the Windows build that this host can run under Wine and prepares
# a Wine prefix of its own under the build folder.  Needs ROOT (the repository) set.

BUILD="${BUILD:-$ROOT/build}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

# The product is 32-bit; some kernels refuse 32-bit user code, and there the same sources are
# built for 64-bit Windows so that they can still run under Wine.
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
  WINE_ARCH=i686
  WINE_LOADER=/usr/lib/wine/wine
  export WINEARCH=win32
else
  WINE_ARCH=x86_64
  WINE_LOADER=/usr/lib/wine/wine64
  export WINEARCH=win64
fi
export WINELOADER="$WINE_LOADER"

# $1: prefix folder, $2: "null" for the display-less driver used by the tests, "x11" otherwise.
ensure_wine_prefix() {
  local prefix="$1" driver="$2"
  export WINEPREFIX="$prefix"
  if [ ! -f "$prefix/.carillo-ready" ]; then
    rm -rf "$prefix"
    mkdir -p "$prefix"
    timeout 300 "$WINE_LOADER" wineboot -i >/dev/null 2>&1 || true
    # A crash must end the process with a backtrace, never wait in winedbg's dialog.
    timeout 60 "$WINE_LOADER" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
    # Without a window manager every box would wait for one.
    timeout 60 "$WINE_LOADER" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    if [ "$driver" = null ]; then
      timeout 60 "$WINE_LOADER" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
    fi
    timeout 60 wineserver -w || true
    touch "$prefix/.carillo-ready"
  fi
  # Wine's own fonts (MS Sans Serif, the title-bar symbols), where this Wine does not find them itself.
  if [ -d /usr/share/wine/fonts ]; then
    cp -n /usr/share/wine/fonts/*.ttf "$prefix/drive_c/windows/Fonts/" 2>/dev/null || true
  fi
}
