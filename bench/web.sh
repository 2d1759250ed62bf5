#!/usr/bin/env bash
# The page's budgets, printed (never judged by a test): the site's gzip-compressed size, the time
# until it is ready for input (its core loaded), compile and extract of the 1,000-tune set (as
# bench/run.sh makes it) in the page against the native command-line program on the same files,
# and how many times faster than real time a long tune's sound is rendered, in the page (▶) and by
# `carillo render`.
# Usage: bench/web.sh [--runs N]
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${BUILD:-$ROOT/build}"
RUNS=5
[ "${1:-}" = --runs ] && RUNS="$2"
"$ROOT/scripts/build-web.sh" >/dev/null
site="$BUILD/web/site"
. "$ROOT/bench/native.sh"
build_bench_native make_tunes
WORK="${CARILLO_BENCH_DIR:-/tmp/carillo-bench}/web-1000"
if [ "$(cat "$WORK/.ready" 2>/dev/null)" != "1000 2048 61440" ]; then
  rm -rf "$WORK" && mkdir -p "$WORK/in"
  "$NATIVE/bench/make_tunes" "$WORK/in" 1000 2048 61440 >/dev/null
  echo "1000 2048 61440" >"$WORK/.ready"
fi

# The command line as a process, the median of RUNS, each after emptying the destination.
median() { sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }
time_ms() { local start end; start=$(date +%s%N); "$@" >/dev/null; end=$(date +%s%N); echo $(((end - start) / 1000000)); }
compile_ms=$(for _ in $(seq "$RUNS"); do rm -f "$WORK/db.pdb"; time_ms "$CARILLO" compile -q --to-smf0 "$WORK/in" "$WORK/db.pdb"; done | median)
extract_ms=$(for _ in $(seq "$RUNS"); do rm -rf "$WORK/out"; mkdir "$WORK/out"; time_ms "$CARILLO" extract -q "$WORK/db.pdb" "$WORK/out"; done | median)

# The long tune: the game's title theme as format 0, 128.9 s on the handheld.
long="$WORK/tttheme2-smf0.mid"
[ -f "$long" ] || "$CARILLO" convert -q /usr/share/games/openttd/baseset/openmsx/tttheme2.mid "$long"
time_us() { local start end; start=$(date +%s%N); "$@" >/dev/null; end=$(date +%s%N); echo $(((end - start) / 1000)); }
render_us=$(for _ in $(seq "$RUNS"); do time_us "$CARILLO" render -q -y "$long" "$WORK/long.wav"; done | median)
render_seconds=$(python3 -c "import os, sys; print((os.path.getsize(sys.argv[1]) - 44) / 2 / 22050)" "$WORK/long.wav")

page="$(node "$ROOT/bench/web_bench.mjs" "$site" "$WORK/in" "$RUNS" "$long")"
gzip_bytes=0
for file in "$site"/*; do gzip_bytes=$((gzip_bytes + $(gzip -9 -c "$file" | wc -c))); done

PAGE="$page" GZIP_BYTES="$gzip_bytes" CLI_COMPILE="$compile_ms" CLI_EXTRACT="$extract_ms" RUNS="$RUNS" \
  CLI_RENDER_US="$render_us" CLI_RENDER_SECONDS="$render_seconds" python3 - <<'PYTHON'
import json, os
page = json.loads(os.environ["PAGE"])
gz = int(os.environ["GZIP_BYTES"])
cc, ce = int(os.environ["CLI_COMPILE"]), int(os.environ["CLI_EXTRACT"])
def against_carillo(task, page_ms, carillo_ms, most):
    ratio = page_ms / max(carillo_ms, 1)
    return (f"{task} {page['tunes']} tunes: page / carillo", f"{page_ms:.0f} / {carillo_ms} ms = {ratio:.2f}x",
            f"{most}x", ratio <= most)

def blob_part(task):
    return (f"  of which the download's Blob", f"{page[task + '_blob_ms']:.0f} ms", "", None)

def real_time(where, sound_seconds, ms, least):
    times = sound_seconds / max(ms / 1000, 1e-6)
    return (f"render {sound_seconds:.1f} s of sound: {where}", f"{ms:.1f} ms = {times:.0f}x real time", f"{least}x",
            times >= least)

rows = [
    ("site, gzip -9", f"{gz / 1024:.1f} KB", "150 KB", gz <= 150 * 1024),
    ("ready for input (median; first, cold)", f"{page['ready_ms']:.0f} ms; {page['first_ready_ms']:.0f} ms", "1000 ms",
     page["first_ready_ms"] <= 1000),
    against_carillo("compile", page["compile_ms"], cc, 1.5),
    blob_part("compile"),
    against_carillo("extract", page["extract_ms"], ce, 2),
    blob_part("extract"),
    real_time("page (▶)", page["sound_seconds"], page["render_ms"], 50),
    real_time("carillo", float(os.environ["CLI_RENDER_SECONDS"]), int(os.environ["CLI_RENDER_US"]) / 1000, 200),
]
print(f"Medians of {os.environ['RUNS']} runs.")
print(f"{'figure':44} {'measured':34} {'budget':8} within")
for name, value, budget, ok in rows:
    print(f"{name:44} {value:34} {budget:8} {'' if ok is None else 'yes' if ok else 'NO'}".rstrip())
PYTHON
