# Sourced by the benchmarks: the Release build without sanitizers that they time, in
# $BUILD/bench-native. build_bench_native TARGET... builds those targets and sets NATIVE and CARILLO.
build_bench_native() {
  NATIVE="$BUILD/bench-native"
  [ -f "$NATIVE/CMakeCache.txt" ] || cmake -S "$ROOT" -B "$NATIVE" -DCMAKE_BUILD_TYPE=Release -DCARILLO_SANITIZE=OFF \
    -DCARILLO_TESTS=OFF -DCARILLO_BENCH=ON >/dev/null
  cmake --build "$NATIVE" -j2 --target carillo "$@" >/dev/null
  CARILLO="$NATIVE/src/cli/carillo"
}
