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
flags=(-std=c++20 -O2 -flto -fexceptions -Wall -Wextra -Werror -Wshadow -Wnon-virtual-dtor -I"$ROOT/src")
# Objects made with other flags are made again.
[ "$(cat "$objects/.flags" 2>/dev/null)" = "${flags[*]}" ] || { rm -f "$objects"/*.o; echo "${flags[*]}" >"$objects/.flags"; }

sources=()
for dir in format midi handheld seams commands web; do sources+=("$ROOT"/src/$dir/*.cpp); done
sources+=("$ROOT/src/posix/posix_clock.cpp")
# The MIDI reader throws nothing itself: without landing pads its event loops call directly instead
# of through emscripten's JavaScript exception trampolines, which made compiling five times slower.
# Only a failed allocation could pass through it then, skipping its destructors on the way out.
# Compile's time goes to the byte layers (format, midi), which stay at -O2; the rest is made for size
# (-Os) and the whole program optimized at link time: 18 KB less compressed for about a sixth more of
# compile's time in the page. (-Os everywhere saves 9 KB more but makes compile half again as slow.)
printf '%s\n' "${sources[@]}" | xargs -P "$JOBS" -I{} sh -c '
  src="$1"; shift; obj="'"$objects"'/$(echo "${src#'"$ROOT"'/src/}" | tr / _).o"
  [ "$obj" -nt "$src" ] && [ -z "$(find "'"$ROOT"'/src" -name "*.h" -newer "$obj" | head -n 1)" ] && exit 0
  case "$src" in */src/midi/*) set -- "$@" -fignore-exceptions ;; esac
  case "$src" in */src/format/* | */src/midi/*) ;; *) set -- "$@" -Os ;; esac
  exec em++ "$@" -c "$src" -o "$obj"' sh {} "${flags[@]}"
# The objects of today's sources only: one left by a source since moved would define its symbols twice.
linked=()
for src in "${sources[@]}"; do linked+=("$objects/$(echo "${src#"$ROOT"/src/}" | tr / _).o"); done

# One module factory (ES module) whose calls may wait for the page's dialogs. Memory stays below
# 2 GB, where pointers handed to JavaScript as numbers are never negative. Asyncify instruments
# every function that might be on the stack while a dialog waits, which it takes to be any that
# calls through a pointer or an exception trampoline. Listed as never waiting, since none of them
# reaches a question: operator new, whose pointer is the new handler this program never sets; the
# layers that work on bytes alone (palm::, midi::, handheld::, zip::); the standard library's
# strings, containers, sorts and exceptions, the C++ runtime and printf; and, of the commands and
# the page, the texts they compose, the listing's JSON, the tune conversions and the files in
# memory. Every function that takes the prompts, and std::function, which runs each command, stay
# instrumented. Unlisted, these cost 14 KB of the compressed module and a quarter of compile's and
# extract's time.
# (Patterns are demangled names; a bracket must close within its pattern.) WEB_ASSERTIONS=1 builds a
# module that traps when a listed function is on the stack while a dialog waits: run the page test
# against it after changing the list or the commands' questions.
never_waits=(
  'operator new(unsigned long)' 'palm::*' 'midi::*' 'handheld::*' 'zip::*'
  'std::__2::basic_string*' 'std::__2::vector*' 'void std::__2::vector*' 'std::__2::__vector_base*'
  'std::__2::__tree*' 'std::__2::pair*' 'std::__2::__shared_weak_count*' 'std::__2::enable_if*'
  'std::__2::to_string*' 'void std::__2::__stable_sort*' 'void std::__2::__inplace_merge*' 'void std::__2::__sort*'
  'bool std::__2::__insertion_sort*' 'unsigned int std::__2::__sort*' 'std::__2::__throw_*'
  'std::runtime_error::*' 'std::logic_error::*' 'std::out_of_range::*' 'std::length_error::*'
  'std::invalid_argument::*' '__cxxabiv1::*' '__dynamic_cast' '__cxa_*'
  'printf_core' 'fmt_u' 'pop_arg' 'out' 'pad' 'snprintf'
  'ListingJson*' 'MakeListing*' 'ConvertedTune*' '*Text(*)' 'MakeMessage*' 'TooLargeMessage*'
  'UnconvertibleMessage*' 'WrongMidiFormatMessage*' 'ReplaceTuneMessage*' 'OverwriteMessage*' 'ShapedNote*'
  'DistinctFileNames*' 'PathSubject*' 'RecordSubject*' 'Subject::*' 'JoinPath*' 'ExtractFileName*'
  'ExtractFilePath*' 'OutputFileName*' 'InOutError::*' 'AppError::*' 'ByteCursor::*' 'ReadWholeFile*'
  'MemoryFileSystem::*' '(anonymous namespace)::Memory*' '(anonymous namespace)::BytesView::*'
  '(anonymous namespace)::JsonString*' '(anonymous namespace)::NotATuneReason*' '(anonymous namespace)::OneLine*'
  '(anonymous namespace)::Lines*' '(anonymous namespace)::FullRecordName*' '(anonymous namespace)::DirectoryOf*'
)
remove_list="$(printf '"%s",' "${never_waits[@]}")"
# emmalloc: 2 KB smaller than dlmalloc compressed, and as fast for the page's runs.
em++ "${linked[@]}" -o "$site/carillo-core.js" -O2 -flto -fexceptions --closure 0 \
  -sMODULARIZE=1 -sEXPORT_ES6=1 -sEXPORT_NAME=createCarilloCore -sENVIRONMENT=web \
  -sASYNCIFY=1 -sASYNCIFY_REMOVE="[${remove_list%,}]" -sASSERTIONS="${WEB_ASSERTIONS:-0}" -sMALLOC=emmalloc \
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
