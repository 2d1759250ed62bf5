#!/usr/bin/env bash
# Builds the release packages into build/dist, or into the folder given:
#   carillo-VERSION-win32.zip      the two 32-bit Windows programs and a read-me
#   carillo_VERSION_ARCH.deb       the command-line program, its man page and shell completions
#   carillo-VERSION-web.zip        the page: a static site to put as it is on any web host
# VERSION is 2.0.N; N is $CARILLO_BUILD_NUMBER when set, else the commit count. Safe to run again;
# installs what is missing.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
"$ROOT/scripts/install-deps.sh"
BUILD="${BUILD:-$ROOT/build}"
out="$(mkdir -p "${1:-$BUILD/dist}" && cd "${1:-$BUILD/dist}" && pwd)"
JOBS="$(nproc)"

# Trees of their own, configured every time so that the build number is this run's.
windows="$BUILD/release-win32" linux="$BUILD/release-native"
cmake -S "$ROOT" -B "$windows" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-i686-w64-mingw32.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DCARILLO_TESTS=OFF -DCARILLO_BUILD_NUMBER="${CARILLO_BUILD_NUMBER:-}" >/dev/null
# No sanitizers, and GCC's runtime linked in: the package then needs only the C library.
cmake -S "$ROOT" -B "$linux" -DCMAKE_BUILD_TYPE=Release -DCARILLO_TESTS=OFF -DCARILLO_SANITIZE=OFF \
  -DCMAKE_EXE_LINKER_FLAGS="-static-libstdc++ -static-libgcc" -DCARILLO_BUILD_NUMBER="${CARILLO_BUILD_NUMBER:-}" >/dev/null
cmake --build "$windows" -j "$JOBS" --target carillo carillo-cli
cmake --build "$linux" -j "$JOBS" --target carillo

version="$(sed -n 's/^#define CARILLO_FILE_VERSION_TEXT "\(.*\)\.0"$/\1/p' "$windows/generated/carillo_version.h")"
[ -n "$version" ] || { echo "release: no version in $windows/generated/carillo_version.h" >&2; exit 1; }
# Files in the packages carry the time of the commit, so that a package can be made again the same.
export SOURCE_DATE_EPOCH="${SOURCE_DATE_EPOCH:-$(git -C "$ROOT" log -1 --format=%ct 2>/dev/null || date +%s)}"
stage="$(mktemp -d)"
trap 'rm -rf "$stage"' EXIT

# The Windows programs.
folder="$stage/zip/carillo-$version"
mkdir -p "$folder"
i686-w64-mingw32-strip -o "$folder/carillo.exe" "$windows/src/app/carillo.exe"
i686-w64-mingw32-strip -o "$folder/carillo-cli.exe" "$windows/src/cli/carillo-cli.exe"
sed -e "s/@VERSION@/$version/g" -e 's/$/\r/' "$ROOT/packaging/README.txt" >"$folder/README.txt"
chmod 0644 "$folder"/*
find "$stage/zip" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
zip_file="$out/carillo-$version-win32.zip"
rm -f "$zip_file"
(cd "$stage/zip" && TZ=UTC zip -q -X -r "$zip_file" "carillo-$version")

# The Debian package.
arch="$(dpkg --print-architecture)"
root="$stage/deb"
install -d -m 0755 "$root/DEBIAN" "$root/usr/bin" "$root/usr/share/man/man1" "$root/usr/share/doc/carillo" \
  "$root/usr/share/bash-completion/completions" "$root/usr/share/zsh/vendor-completions"
install -m 0755 -s "$linux/src/cli/carillo" "$root/usr/bin/carillo"
gzip -9 -n -c "$ROOT/docs/carillo.1" >"$root/usr/share/man/man1/carillo.1.gz"
install -m 0644 "$ROOT/completions/carillo.bash" "$root/usr/share/bash-completion/completions/carillo"
install -m 0644 "$ROOT/completions/_carillo" "$root/usr/share/zsh/vendor-completions/_carillo"
printf 'Copyright (c) Veltro. Free to use and to pass on.\nQuestions and suggestions: carillo@veltro.example\n' \
  >"$root/usr/share/doc/carillo/copyright"
chmod 0644 "$root/usr/share/man/man1/carillo.1.gz" "$root/usr/share/doc/carillo/copyright"
# The C library is the only run-time dependency, from the newest symbol version the program uses.
needed="$(objdump -p "$root/usr/bin/carillo" | awk '/NEEDED/ {print $2}' | grep -Ev '^(libc|libm)\.so\.6$|^ld-linux' || true)"
[ -z "$needed" ] || { echo "release: carillo needs libraries besides the C library: $needed" >&2; exit 1; }
glibc="$(objdump -T "$root/usr/bin/carillo" | grep -o 'GLIBC_[0-9.]*' | sed 's/GLIBC_//' | sort -Vu | tail -n 1 || true)"
depends="libc6${glibc:+ (>= $glibc)}"
cat >"$root/DEBIAN/control" <<CONTROL
Package: carillo
Version: $version
Architecture: $arch
Maintainer: Veltro <carillo@veltro.example>
Installed-Size: $(du -k -s "$root/usr" | cut -f1)
Depends: $depends
Section: sound
Priority: optional
Description: move MIDI tunes in and out of Palm OS MIDI sound databases
 carillo converts both ways between Standard MIDI Files and the Palm OS MIDI
 sound database (a .pdb of type "smfr", creator "Qsnd"). Its commands: compile
 makes a database of MIDI files and directories of them, extract writes the
 records of a database as MIDI files, list shows a database, convert makes
 format-0 MIDI files of format-1 ones, add puts tunes into an existing
 database, remove takes them out, and render writes the sound a handheld makes
 of a tune as a WAV file. --ring shapes a tune to ring on the handheld's one
 square-wave voice. Bash and zsh complete its commands, flags and files.
CONTROL
find "$root" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
deb_file="$out/carillo_${version}_$arch.deb"
dpkg-deb --root-owner-group -Zxz --build "$root" "$deb_file" >/dev/null

# The page, as scripts/build-web.sh builds it.
"$ROOT/scripts/build-web.sh" >/dev/null
web="$stage/web/carillo-$version-web"
mkdir -p "$web"
cp "$BUILD/web/site/"* "$web/"
chmod 0644 "$web"/*
find "$stage/web" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
web_file="$out/carillo-$version-web.zip"
rm -f "$web_file"
(cd "$stage/web" && TZ=UTC zip -q -X -r "$web_file" "carillo-$version-web")

echo "$zip_file"
echo "$deb_file"
echo "$web_file"
