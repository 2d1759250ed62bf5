#!/usr/bin/env bash
# What the handheld model costs, printed (never judged by a test): carillo render of every packaged
# game tune made format 0, in times real time (the sound's length over the wall time, at least 200),
# and convert --ring, in milliseconds per tune; each a whole process, as a user runs it.
# Usage: bench/ring.sh
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${BUILD:-$ROOT/build}"
. "$ROOT/bench/native.sh"
build_bench_native
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
mkdir "$WORK/in"
n=0
for tune in /usr/share/games/openttd/baseset/openmsx/*.mid /usr/share/games/simutrans/music/*.mid \
            /usr/share/planetblupi/music/*.mid; do
  [ -f "$tune" ] || continue
  n=$((n + 1))
  "$CARILLO" convert -yq "$tune" "$WORK/in/$n.mid"
done
[ "$n" -gt 0 ] || { echo "no packaged tunes to time"; exit 1; }

now_ns() { date +%s%N; }
sound_seconds=0
start=$(now_ns)
for tune in "$WORK"/in/*.mid; do "$CARILLO" render -yq "$tune" "$WORK/sound.wav" || true; done
render_ns=$(($(now_ns) - start))
for tune in "$WORK"/in/*.mid; do
  [ -f "$tune" ] || continue
  "$CARILLO" render -y "$tune" "$WORK/sound.wav" 2>/dev/null | sed -n 's/.* \([0-9.]*\) s\..*/\1/p' >>"$WORK/seconds" || true
done
sound_seconds=$(awk '{ s += $1 } END { print s }' "$WORK/seconds")
start=$(now_ns)
for tune in "$WORK"/in/*.mid; do "$CARILLO" convert -yq --ring "$tune" "$WORK/ring.mid" 2>/dev/null || true; done
ring_ns=$(($(now_ns) - start))

awk -v n="$n" -v sound="$sound_seconds" -v render="$render_ns" -v ring="$ring_ns" 'BEGIN {
  speed = sound / (render / 1e9)
  printf "render, %d tunes, %.0f s of sound: %.0f times real time (goal >= 200: %s)\n", n, sound, speed,
         (speed >= 200 ? "ok" : "SHORT")
  printf "convert --ring: %.1f ms per tune, the process included\n", ring / 1e6 / n
}'
