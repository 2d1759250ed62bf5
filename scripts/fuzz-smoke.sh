#!/usr/bin/env bash
# Builds the libFuzzer targets with clang under build/fuzz and, unless --build-only is given,
# runs each one from its seeds with a fixed seed and a fixed number of runs (the CTest tests
# labelled "fuzz"; scripts/test.sh runs them with everything else).
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${BUILD:-$ROOT/build}"
dir="$BUILD/fuzz"
if [ ! -f "$dir/CMakeCache.txt" ]; then
  CC=clang CXX=clang++ cmake -S "$ROOT" -B "$dir" -DCARILLO_FUZZ=ON -DCARILLO_TESTS=OFF \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$dir" -j "${JOBS:-$(nproc)}"
[ "${1:-}" = --build-only ] && exit 0
cd "$dir"
ctest -L fuzz --output-on-failure
