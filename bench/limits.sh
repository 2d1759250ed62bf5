#!/usr/bin/env bash
# The format's limits, run for real with the Release command-line program: 65535 tunes compiled and
# extracted back byte for byte, 65536 refused, a database of nearly 2 GiB written and extracted
# back, and one just past 2 GiB refused before anything is written. Slow (minutes) and needs about
# 5 GB in $CARILLO_BENCH_DIR (default /tmp/carillo-bench); the large directories are hard links.
# Usage: bench/limits.sh [--wine]   (--wine: the 65535 round trip again with carillo-cli.exe)
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
WINE=0
[ "${1:-}" = --wine ] && WINE=1
. "$ROOT/scripts/wine-env.sh"
WORK="${CARILLO_BENCH_DIR:-/tmp/carillo-bench}/limits"
. "$ROOT/bench/native.sh"
build_bench_native make_tunes
rm -rf "$WORK"
mkdir -p "$WORK"
trap 'rm -rf "$WORK"' EXIT
failures=0

pass() { echo "PASS  $*"; }
fail() { echo "FAIL  $*"; failures=$((failures + 1)); }

# Runs a command, keeping its exit status, standard output and error, time and peak memory.
run() { # label, command...
  local label="$1"; shift
  local status=0 seconds kilobytes
  /usr/bin/time -f "%e %M" -o "$WORK/time" "$@" >"$WORK/stdout" 2>"$WORK/stderr" || status=$?
  read -r seconds kilobytes < <(tail -1 "$WORK/time")
  printf '      %-44s exit %d, %7.2f s, peak RSS %6d MiB\n' "$label" "$status" "$seconds" "$((kilobytes / 1024))"
  return "$status"
}

expect_output() { # file, expected text, what
  if [ "$(cat "$1")" = "$2" ]; then pass "$3"; else fail "$3: got '$(cat "$1")'"; fi
}

same_tree() { # one, other, what
  if diff -r "$1" "$2" >/dev/null; then pass "$3"; else fail "$3"; fi
}

echo "== 65535 tunes of 1-4 KB"
mkdir "$WORK/65535"
"$NATIVE/bench/make_tunes" "$WORK/65535" 65535 1024 4096 65535 >/dev/null
run "compile 65535 files" "$CARILLO" compile "$WORK/65535" "$WORK/65535.pdb" --all-formats || true
expect_output "$WORK/stdout" "65535 MIDI files successfully compiled." "65535 files compile"
run "extract 65535 records" "$CARILLO" extract "$WORK/65535.pdb" "$WORK/65535-out" --yes || true
expect_output "$WORK/stdout" "65535 MIDI files successfully extracted." "65535 records extract completely"
same_tree "$WORK/65535" "$WORK/65535-out" "65535 tunes extract back byte for byte"
if [ "$WINE" = 1 ]; then
  WINDOWS="$BUILD/bench-$WINE_ARCH"
  [ -f "$WINDOWS/CMakeCache.txt" ] || cmake -S "$ROOT" -B "$WINDOWS" -DCARILLO_TESTS=OFF -DCARILLO_BENCH=ON \
    -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-$WINE_ARCH-w64-mingw32.cmake" -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$WINDOWS" -j2 --target carillo-cli >/dev/null
  ensure_wine_prefix "$BUILD/wineprefix-bench-$WINE_ARCH" null
  wineserver -p 2>/dev/null || true
  cli=("$WINE_LOADER" "$WINDOWS/src/cli/carillo-cli.exe")
  run "wine: compile 65535 files" "${cli[@]}" compile "Z:$WORK/65535" "Z:$WORK/65535-wine.pdb" --all-formats || true
  expect_output "$WORK/stdout" "65535 MIDI files successfully compiled." "wine: 65535 files compile"
  if cmp -s <(tail -c +79 "$WORK/65535.pdb") <(tail -c +79 "$WORK/65535-wine.pdb"); then
    pass "wine: the same database but for its dates"
  else
    fail "wine: the database differs from the native one"
  fi
  run "wine: extract 65535 records" "${cli[@]}" extract "Z:$WORK/65535-wine.pdb" "Z:$WORK/65535-wine-out" --yes || true
  expect_output "$WORK/stdout" "65535 MIDI files successfully extracted." "wine: 65535 records extract completely"
  same_tree "$WORK/65535" "$WORK/65535-wine-out" "wine: 65535 tunes extract back byte for byte"
  wineserver -k || true
fi
rm -rf "$WORK/65535-out" "$WORK/65535-wine-out"

echo "== 65536 files"
mkdir "$WORK/65536"
cp -al "$WORK/65535/." "$WORK/65536/"
cp "$WORK/65535/tune00000.mid" "$WORK/65536/tune65535.mid"
if run "compile 65536 files" "$CARILLO" compile "$WORK/65536" "$WORK/65536.pdb" --all-formats; then
  fail "65536 files were not refused"
fi
expect_output "$WORK/stderr" "carillo: DIRECTORY: Too many MIDI files!
A database holds at most 65535." "65536 files refused with the record count's message"
[ ! -e "$WORK/65536.pdb" ] && pass "nothing written for 65536 files" || fail "a database was written for 65536 files"
rm -rf "$WORK/65536" "$WORK/65535" "$WORK/65535.pdb" "$WORK/65535-wine.pdb"

# One 65000-byte tune under many names: each record takes 8 + 6 + 7 ("t00000" and its NUL) bytes
# beside it, so 33027 of them make 2147448645 bytes, 35002 short of 2 GiB, and 33028 pass it.
echo "== Near 2 GiB"
"$NATIVE/bench/make_tunes" "$WORK" 1 65000 65000 >/dev/null
tune="$WORK/tune00000.mid"
mkdir "$WORK/big"
for ((i = 0; i < 33028; i++)); do ln "$tune" "$WORK/big/$(printf 't%05d' "$i").mid"; done
if run "compile 33028 tunes (2147513666 bytes)" "$CARILLO" compile "$WORK/big" "$WORK/big.pdb" --all-formats; then
  fail "a database past 2 GiB was not refused"
fi
expect_output "$WORK/stderr" "carillo: DIRECTORY: Too much MIDI data!
A database holds at most 2147483647 bytes." "past 2 GiB refused at the directory with its message"
[ ! -e "$WORK/big.pdb" ] && pass "nothing written past 2 GiB" || fail "a database was written past 2 GiB"

rm "$WORK/big/t33027.mid"
run "compile 33027 tunes" "$CARILLO" compile "$WORK/big" "$WORK/big.pdb" --all-formats || true
expect_output "$WORK/stdout" "33027 MIDI files successfully compiled." "33027 tunes compile"
size=$(stat -c %s "$WORK/big.pdb")
[ "$size" = 2147448645 ] && pass "the database holds 2147448645 bytes" || fail "the database holds $size bytes"
run "extract 33027 records (2147448645 bytes)" "$CARILLO" extract "$WORK/big.pdb" "$WORK/big-out" --yes || true
expect_output "$WORK/stdout" "33027 MIDI files successfully extracted." "the database near 2 GiB extracts completely"
different=$(cd "$WORK/big-out" && md5sum -- *.mid | awk -v want="$(md5sum <"$tune" | cut -d' ' -f1)" '$1 != want' | wc -l)
count=$(find "$WORK/big-out" -name '*.mid' | wc -l)
[ "$count" = 33027 ] && [ "$different" = 0 ] && pass "every tune near 2 GiB extracts back byte for byte" ||
  fail "$count tunes extracted, $different of them different"
last=$(od -An -tu1 -j $((78 + 8 * 33026)) -N4 "$WORK/big.pdb" | awk '{print $1 * 16777216 + $2 * 65536 + $3 * 256 + $4}')
[ "$last" = $((2147448645 - 65013)) ] && pass "the last record lies at $last" || fail "the last record lies at $last"

echo "$failures failures"
[ "$failures" = 0 ]
