#!/usr/bin/env bash
# Runs mutated databases through `carillo extract` and `carillo list` (the native build, with
# AddressSanitizer and UBSan):  scripts/hostile.sh [MUTATIONS [FIRST]]   (default 3000 from 1000;
# the test command runs 40 from 1). A failure names the mutation that repeats it.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${BUILD:-$ROOT/build}"
[ -f "$BUILD/native/CMakeCache.txt" ] || cmake -S "$ROOT" -B "$BUILD/native" -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$BUILD/native" -j "${JOBS:-$(nproc)}" --target hostile_tests >/dev/null
CARILLO_HOSTILE_RUNS="${1:-3000}" CARILLO_HOSTILE_SEED="${2:-1000}" "$BUILD/native/tests/cli/hostile_tests"
