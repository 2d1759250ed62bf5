#!/usr/bin/env bash
# Fuzzes every libFuzzer target for SECONDS each, one after the other, and prints its figures:
#   scripts/fuzz.sh SECONDS
# Each target keeps what it finds in build/fuzz-corpus/TARGET for the next run; a crashing input
# is written beside it as TARGET.crash-* and the script ends with status 1.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${BUILD:-$ROOT/build}"
seconds="${1:?usage: scripts/fuzz.sh SECONDS}"
"$ROOT/scripts/fuzz-smoke.sh" --build-only >/dev/null
fuzz="$BUILD/fuzz/tests/fuzz"
status=0
if [ -d /dev/shm ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi
while IFS=: read -r target corpus; do
  [ -n "$target" ] || continue
  keep="$BUILD/fuzz-corpus/$target"
  mkdir -p "$keep"
  log="$keep.log"
  if "$fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2560 -print_final_stats=1 \
       -artifact_prefix="$keep." "$keep" "$fuzz/seeds/$corpus" \
       $( [ -d "$ROOT/tests/fuzz/regressions/$corpus" ] && echo "$ROOT/tests/fuzz/regressions/$corpus") >"$log" 2>&1; then
    result=ok
  else
    result="FAILED (see $log)"
    status=1
  fi
  runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)"
  rate="$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)"
  echo "$target: ${runs:-?} executions in ${seconds} s (${rate:-?}/s), corpus $(ls "$keep" | wc -l) inputs: $result"
done <"$fuzz/targets.txt"
exit "$status"
