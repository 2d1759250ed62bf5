#!/usr/bin/env bash
# Runs one libFuzzer target from its seed corpus: fuzz-run.sh TARGET SEEDS WORK [libFuzzer flags].
# WORK starts empty every time and takes what the run finds, so the seeds stay as written and a
# run with the same flags runs the same inputs; a crashing input is kept as WORK.crash-*. Copy
# it to tests/fuzz/regressions/CORPUS/ (CORPUS as SEEDS is named) to have every run replay it.
set -euo pipefail
target="$1" seeds="$2" work="$3"
shift 3
# The Extract target writes files on every run: in memory where possible.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi
rm -rf "$work"
mkdir -p "$work"
# Inputs that once failed are run too, every time.
regressions="$(cd "$(dirname "$0")/.." && pwd)/tests/fuzz/regressions/$(basename "$seeds")"
[ -d "$regressions" ] || regressions=
exec "$target" -timeout=10 -rss_limit_mb=2560 -print_final_stats=1 -artifact_prefix="$work." "$@" "$work" "$seeds" \
  ${regressions:+"$regressions"}
