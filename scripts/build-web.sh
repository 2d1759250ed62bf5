#!/usr/bin/env bash
# Builds the page: the core and its web face compiled to WebAssembly with Debian's emscripten, and
# the static site in build/web/site (HTML, CSS, ES modules, the .wasm, the manifest, the service
# worker, the icons). Safe to run again; recompiles only sources newer than their objects.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${BUILD:-$ROOT/build}"
out="$BUILD/web" site="$BUILD/web/site" objects="$BUILD/web/obj"
JOBS="${JOBS:-$(nproc)}"
command -v emcc >/dev/null && [ -d "$ROOT/node_modules/fflate" ] || "$ROOT/scripts/install-deps.sh"

# emcc's optimizer needs Debian's acorn; its cache stays in the build tree.
export NODE_PATH=/usr/share/nodejs EM_CACHE="$out/emcache"
mkdir -p "$objects" "$site" "$EM_CACHE"
[ -d "$EM_CACHE/sysroot" ] || cp -r /usr/share/emscripten/cache/. "$EM_CACHE/" 2>/dev/null || true
flags=(-std=c++20 -O2 -fexceptions -Wall -Wextra -Werror -Wshadow -Wnon-virtual-dtor -I"$ROOT/src")

sources=()
for dir in format midi handheld seams commands web; do sources+=("$ROOT"/src/$dir/*.cpp); done
sources+=("$ROOT/src/posix/posix_clock.cpp")
# The MIDI reader throws nothing itself: without landing pads its event loops call directly instead
# of through emscripten's JavaScript exception trampolines, which made compiling five times slower.
# Only a failed allocation could pass through it then, skipping its destructors on the way out.
printf '%s\n' "${sources[@]}" | xargs -P "$JOBS" -I{} sh -c '
  src="$1"; shift; obj="'"$objects"'/$(echo "${src#'"$ROOT"'/src/}" | tr / _).o"
  [ "$obj" -nt "$src" ] && [ -z "$(find "'"$ROOT"'/src" -name "*.h" -newer "$obj" | head -n 1)" ] && exit 0
  case "$src" in */src/midi/*) set -- "$@" -fignore-exceptions ;; esac
  exec em++ "$@" -c "$src" -o "$obj"' sh {} "${flags[@]}"
# The objects of today's sources only: one left by a source since moved would define its symbols twice.
linked=()
for src in "${sources[@]}"; do linked+=("$objects/$(echo "${src#"$ROOT"/src/}" | tr / _).o"); done

# One module factory (ES module) whose calls may wait for the page's dialogs. Memory stays below
# 2 GB, where pointers handed to JavaScript as numbers are never negative. Asyncify instruments
# every function that might be on the stack while a dialog waits, which it takes to be any that
# calls through a pointer or an exception trampoline. Listed as never waiting: operator new, whose
# pointer is the new handler this program never sets, and the layers that work on bytes alone and
# never reach a question (palm::, midi::, handheld::, zip::). Unlisted, they cost 6 KB of the compressed module
# and time in every run.
em++ "${linked[@]}" -o "$site/carillo-core.js" -O2 -fexceptions --closure 0 \
  -sMODULARIZE=1 -sEXPORT_ES6=1 -sEXPORT_NAME=createCarilloCore -sENVIRONMENT=web \
  -sASYNCIFY=1 -sASYNCIFY_REMOVE='["operator new(unsigned long)","palm::*","midi::*","handheld::*","zip::*"]' \
  -sALLOW_MEMORY_GROWTH=1 -sMAXIMUM_MEMORY=2GB -sINITIAL_MEMORY=16MB \
  -sEXPORTED_FUNCTIONS=_malloc,_free -sEXPORTED_RUNTIME_METHODS=ccall,UTF8ToString \
  -sFILESYSTEM=0 -sINCOMING_MODULE_JS_API=carilloAsk,carilloTell,onAbort,print,printErr

cp "$ROOT"/src/web/site/*.{html,css,js,webmanifest} "$site/"
# fflate's minified build sets self.fflate; the line after it makes it the module the page imports.
{ cat "$ROOT/node_modules/fflate/umd/index.js"; printf '\nexport const { unzipSync } = self.fflate;\n'; } >"$site/fflate.js"
python3 "$ROOT/scripts/draw-resources.py" --web-icons "$site"
# The service worker's cache is named after the site's contents, so a new build replaces it.
stamp="$(cd "$site" && find . -type f ! -name sw.js -print0 | LC_ALL=C sort -z | xargs -0 sha256sum | sha256sum | cut -c1-16)"
sed -i "s/@SITE_VERSION@/$stamp/" "$site/sw.js"
echo "build-web: $site"
