# Sourced by the scripts that build: installs what is missing, sets up Wine (wine-env.sh) and
# gives `configure`.  Needs ROOT (the repository) set.

"$ROOT/scripts/install-deps.sh"
. "$ROOT/scripts/wine-env.sh"
JOBS="$(nproc)"

# configure BUILD-DIR [windows-ARCH] [CMake arguments...]: (re)configures $BUILD/BUILD-DIR every
# time, which is cheap and never leaves a stale cache; "windows-i686" or "windows-x86_64" picks
# that MinGW-w64 toolchain.
configure() {
  local dir="$1"; shift
  local toolchain=()
  case "${1:-}" in
    windows-*) toolchain=(-DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-${1#windows-}-w64-mingw32.cmake"); shift ;;
  esac
  cmake -S "$ROOT" -B "$BUILD/$dir" "${toolchain[@]}" "$@" >/dev/null
}
