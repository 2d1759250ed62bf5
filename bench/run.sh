#!/usr/bin/env bash
# Times `carillo extract` and `carillo compile` as processes next to a plain copy of the same bytes
# (bench/plain_copy: each file read whole and written whole) and next to Debian's Palm::PDB
# extractor, natively and under Wine, and prints one table: medians, ratios to the copy, peak memory;
# then, on a line of its own for each set, extract's ratio to the copy.
#
# Usage: bench/run.sh [--runs N] [--sets "1000 5000 65535 smf1"] [--wine-sets "5000 smf1"] [--no-wine]
#   1000, 5000: format-0 tunes of 2-60 KB; 65535: tunes of 1-4 KB; smf1: 5,000 copies of Debian's
#   packaged format-1 game tunes, compiled with --to-smf0 and without conversion.
# Works in $CARILLO_BENCH_DIR (default /tmp/carillo-bench); the sets stay there for the next run.
# Release builds without sanitizers go to build/bench-native and build/bench-<wine arch>.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
RUNS=5
SETS="1000 5000 65535 smf1"
WINE_SETS="5000 smf1"
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) RUNS="$2"; shift 2 ;;
    --sets) SETS="$2"; shift 2 ;;
    --wine-sets) WINE_SETS="$2"; shift 2 ;;
    --no-wine) WINE_SETS=""; shift ;;
    *) echo "usage: $0 [--runs N] [--sets LIST] [--wine-sets LIST] [--no-wine]" >&2; exit 2 ;;
  esac
done
[ "$RUNS" -ge 5 ] || echo "note: fewer than 5 runs; the goals are judged on medians of at least 5" >&2

"$ROOT/scripts/install-deps.sh"
need=()
command -v hyperfine >/dev/null || need+=(hyperfine)
[ -x /usr/bin/time ] || need+=(time)
perl -MPalm::PDB -e1 2>/dev/null || need+=(libpalm-perl)
if [ ${#need[@]} -gt 0 ]; then
  while pgrep -x apt-get >/dev/null || pgrep -x dpkg >/dev/null; do sleep 5; done
  DEBIAN_FRONTEND=noninteractive apt-get install -y "${need[@]}" >/dev/null
fi
. "$ROOT/scripts/wine-env.sh"
WORK="${CARILLO_BENCH_DIR:-/tmp/carillo-bench}"
mkdir -p "$WORK/results"
rm -f "$WORK"/results/*

# ---- Release builds, no sanitizers ----
. "$ROOT/bench/native.sh"
build_bench_native plain_copy make_tunes
WINDOWS="$BUILD/bench-$WINE_ARCH"
COPY="$NATIVE/bench/plain_copy"
if [ -n "$WINE_SETS" ]; then
  [ -f "$WINDOWS/CMakeCache.txt" ] || cmake -S "$ROOT" -B "$WINDOWS" \
    -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-$WINE_ARCH-w64-mingw32.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DCARILLO_TESTS=OFF -DCARILLO_BENCH=ON >/dev/null
  cmake --build "$WINDOWS" -j2 --target carillo-cli plain_copy >/dev/null
  ensure_wine_prefix "$BUILD/wineprefix-bench-$WINE_ARCH" null
  wineserver -p 2>/dev/null || true  # one may be running already
  trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
fi

# ---- The sets ----
make_set() { # name count smallest largest
  local dir="$WORK/$1"
  if [ "$(cat "$dir/.ready" 2>/dev/null)" != "$2 $3 $4" ]; then
    rm -rf "$dir"
    mkdir -p "$dir/in"
    "$NATIVE/bench/make_tunes" "$dir/in" "$2" "$3" "$4" >/dev/null
    echo "$2 $3 $4" >"$dir/.ready"
  fi
}

# Copies of the packaged format-1 tunes under numbered names, those that stay within the 65000-byte
# limit with and without conversion, so that both compiles store the same files.
make_smf1_set() {
  local dir="$WORK/smf1"
  [ -f "$dir/.ready" ] && return
  rm -rf "$dir"
  mkdir -p "$dir/in"
  local tunes=() tune
  for tune in /usr/share/games/openttd/baseset/openmsx/*.mid /usr/share/games/simutrans/music/*.mid \
              /usr/share/planetblupi/music/*.mid; do
    [ -f "$tune" ] && [ "$(stat -c %s "$tune")" -le 65000 ] || continue
    "$CARILLO" convert "$tune" "$dir/converted.mid" --yes --quiet >/dev/null 2>&1 || continue
    [ "$(stat -c %s "$dir/converted.mid")" -le 65000 ] && tunes+=("$tune")
  done
  rm -f "$dir/converted.mid"
  [ ${#tunes[@]} -gt 0 ] || { echo "no packaged format-1 tunes found (openttd-openmsx, simutrans-data, planetblupi-music-midi)" >&2; exit 1; }
  local i
  for ((i = 0; i < 5000; i++)); do
    tune="${tunes[i % ${#tunes[@]}]}"
    cp "$tune" "$dir/in/$(printf %05d "$i")_$(basename "$tune")"
  done
  echo "${#tunes[@]}" >"$dir/.ready"
}

for set in $SETS $WINE_SETS; do
  case "$set" in
    1000) make_set 1000 1000 2048 61440 ;;
    5000) make_set 5000 5000 2048 61440 ;;
    65535) make_set 65535 65535 1024 4096 ;;
    smf1) make_smf1_set ;;
    *) echo "unknown set $set" >&2; exit 2 ;;
  esac
  # The database every extractor reads, compiled once.
  if [ "$set" != smf1 ] && [ ! -f "$WORK/$set/db.pdb" ]; then
    "$CARILLO" compile "$WORK/$set/in" "$WORK/$set/db.pdb" --all-formats --quiet >/dev/null
    rm -rf "$WORK/$set/out"
    "$CARILLO" extract "$WORK/$set/db.pdb" "$WORK/$set/out" --yes --quiet >/dev/null
    diff -r "$WORK/$set/in" "$WORK/$set/out" >/dev/null || { echo "set $set does not round-trip" >&2; exit 1; }
  fi
done

# ---- Measuring ----
# One hyperfine run per set and platform: every command after a preparation that empties the
# destination and writes back what the previous command left dirty.
measure() { # set platform name command [name command ...]
  local set="$1" platform="$2"; shift 2
  local out="$WORK/$set/out" args=() names=() commands=()
  while [ $# -gt 0 ]; do
    names+=("$1"); commands+=("$2")
    args+=(--prepare "rm -rf '$out' && mkdir '$out' && sync" -n "$1" "$2")
    shift 2
  done
  echo "== $set, $platform: ${names[*]}" >&2
  hyperfine --runs "$RUNS" --warmup 1 --style basic --export-json "$WORK/results/$set-$platform.json" "${args[@]}" >&2
  # Peak resident memory of one more run of each.
  local i
  for i in "${!names[@]}"; do
    rm -rf "$out" && mkdir "$out" && sync
    /usr/bin/time -f %M -o "$WORK/results/$set-$platform-${names[i]}.rss" sh -c "${commands[i]}" >/dev/null
  done
}

# The commands of a set, as name and command pairs in PAIRS: `carillo` and `copy` are the command
# lines that start this platform's program and plain copy, `dir` the set's directory as it sees it.
set_commands() { # set dir carillo copy
  local set="$1" dir="$2" carillo="$3" copy="$4"
  local compile="$carillo compile '$dir/in' '$dir/out/c.pdb'"
  if [ "$set" = smf1 ]; then
    PAIRS=("compile" "$compile --all-formats --yes --quiet" "compile --to-smf0" "$compile --to-smf0 --yes --quiet")
  else
    PAIRS=("copy" "$copy '$dir/in' '$dir/out'"
           "extract" "$carillo extract '$dir/db.pdb' '$dir/out' --yes --quiet"
           "compile" "$compile --all-formats --yes --quiet")
  fi
}

native_commands() { # set
  set_commands "$1" "$WORK/$1" "'$CARILLO'" "'$COPY'"
  [ "$1" = smf1 ] || PAIRS+=("Palm::PDB" "perl '$ROOT/bench/palm_pdb_extract.pl' '$WORK/$1/db.pdb' '$WORK/$1/out'")
}

wine_commands() { # set
  set_commands "$1" "Z:$WORK/$1" "'$WINE_LOADER' '$WINDOWS/src/cli/carillo-cli.exe'" \
               "'$WINE_LOADER' '$WINDOWS/bench/plain_copy.exe'"
}

run_platform() { # platform set
  "$1_commands" "$2"
  measure "$2" "$1" "${PAIRS[@]}"
}

echo "Load before measuring: $(uptime)" >&2
for set in $SETS; do run_platform native "$set"; done
for set in $WINE_SETS; do run_platform wine "$set"; done
echo "Load after measuring: $(uptime)" >&2

# ---- The table ----
WORK="$WORK" SETS="$SETS" WINE_SETS="$WINE_SETS" RUNS="$RUNS" python3 - <<'PYTHON'
import json, os

work = os.environ["WORK"]
MIB = 1024 * 1024

def largest_file(directory):
    return max(os.path.getsize(os.path.join(directory, name)) for name in os.listdir(directory))

def total_bytes(directory):
    return sum(os.path.getsize(os.path.join(directory, name)) for name in os.listdir(directory))

print(f"\nMedians of {os.environ['RUNS']} runs (hyperfine); peak RSS from /usr/bin/time -v; ratios to the plain copy "
      "(smf1: to compile without conversion).")
print(f"{'set':>6} {'platform':<8} {'program':<18} {'median s':>9} {'ratio':>6} {'goal':>6} "
      f"{'RSS MiB':>8} {'beyond':>8} {'us/file':>8} {'ms/MB':>7}")
def measured_sets():
    """(platform, set, hyperfine's results by command) of every set that was run."""
    for platform, sets in (("native", os.environ["SETS"].split()), ("wine", os.environ["WINE_SETS"].split())):
        for name in sets:
            path = f"{work}/results/{name}-{platform}.json"
            if os.path.exists(path):
                yield platform, name, {r["command"]: r for r in json.load(open(path))["results"]}

for platform, name, results in measured_sets():
    directory = f"{work}/{name}/in"
    files = len(os.listdir(directory))
    megabytes = total_bytes(directory) / 1e6
    database = os.path.getsize(f"{work}/{name}/db.pdb") if name != "smf1" else 0
    tune = largest_file(directory)
    reference = results["copy" if "copy" in results else "compile"]["median"]
    for program, result in results.items():
        median = result["median"]
        ratio = median / reference
        goal = ""
        if name == "5000" and program in ("extract", "compile"):
            goal = "1.10" if platform == "native" else "1.30"
        if name == "smf1" and program == "compile --to-smf0":
            goal = "1.50"
        mark = "" if not goal else (" ok" if ratio <= float(goal) else " OVER")
        rss = int(open(f"{work}/results/{name}-{platform}-{program}.rss").read().split()[-1]) * 1024
        beyond = ""
        if program == "extract":
            beyond = f"{(rss - database) / MIB:8.1f}"  # goal: 16 MiB beyond the database
        elif program.startswith("compile"):
            beyond = f"{(rss - tune) / MIB:8.1f}"  # goal: 16 MiB beyond one tune
        print(f"{name:>6} {platform:<8} {program:<18} {median:9.3f} {ratio:6.2f} {goal:>6}{mark:<5}"
              f"{rss / MIB:8.1f} {beyond:>8} {median / files * 1e6:8.1f} {median / megabytes * 1e3:7.2f}")
print("beyond: extract's peak RSS less the database size, compile's less its largest tune (goal <= 16 MiB natively).")

# The figure extract is judged by: its median over the plain copy's, run for run on the same bytes.
for platform, name, results in measured_sets():
    if "extract" not in results or "copy" not in results:
        continue
    ratio = results["extract"]["median"] / results["copy"]["median"]
    judged = ""
    if name == "5000":
        goal = 1.10 if platform == "native" else 1.30
        judged = f"; goal <= {goal:.2f}: {'ok' if ratio <= goal else 'OVER'}"
    print(f"extract / plain copy, set {name}, {platform}: {ratio:.3f} "
          f"(medians of {len(results['extract']['times'])} runs{judged})")
PYTHON
