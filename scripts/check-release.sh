#!/usr/bin/env bash
# Makes the release packages with a build number of its own and checks them without installing
# anything: what the zip and the .deb hold, the programs' kinds, and that the programs answer.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
. "$ROOT/scripts/wine-env.sh"
out="$BUILD/release-check"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() { echo "check-release: $*" >&2; exit 1; }

# The version fields are 16 bits: a larger build number is refused, not wrapped.
rm -rf "$out"
if CARILLO_BUILD_NUMBER=65536 "$ROOT/scripts/release.sh" "$out" >"$work/refused.log" 2>&1; then
  fail "build number 65536 was accepted"
fi
grep -q 'CARILLO_BUILD_NUMBER must be a whole number from 0 to 65535' "$work/refused.log" ||
  fail "build number 65536 refused for another reason: $(cat "$work/refused.log")"
[ ! -d "$out" ] || [ -z "$(ls -A "$out")" ] || fail "a refused build left packages: $(ls "$out")"

# The largest build number, so that every field that holds it shows whether it was cut.
# 2.0 is the version the About box states.
version=2.0.65535
arch="$(dpkg --print-architecture)"
CARILLO_BUILD_NUMBER=65535 "$ROOT/scripts/release.sh" "$out" >/dev/null
zip_file="carillo-$version-win32.zip" deb_file="carillo_${version}_$arch.deb" web_file="carillo-$version-web.zip"
[ "$(ls "$out" | LC_ALL=C sort)" = "$(printf '%s\n' "$deb_file" "$zip_file" "$web_file" | LC_ALL=C sort)" ] ||
  fail "expected $zip_file, $deb_file and $web_file, found: $(ls "$out")"

# The page's zip: the site in one folder, its page and its core among it.
# Listed once, not piped into grep -q: its early exit would fail the pipe under pipefail.
web_listing="$(unzip -Z1 "$out/$web_file")"
for file in index.html carillo-core.wasm; do
  grep -qx "carillo-$version-web/$file" <<<"$web_listing" || fail "$web_file holds no $file: $web_listing"
done

# The zip: the two 32-bit programs, static, of their subsystems, and the read-me.
expected="$(printf "carillo-$version/%s\n" "" README.txt carillo-cli.exe carillo.exe | LC_ALL=C sort)"
[ "$(unzip -Z1 "$out/$zip_file" | LC_ALL=C sort)" = "$expected" ] || fail "the zip holds: $(unzip -Z1 "$out/$zip_file")"
unzip -q "$out/$zip_file" -d "$work/zip"
programs="$work/zip/carillo-$version"
"$ROOT/scripts/check-exe.sh" "$programs/carillo.exe" gui
"$ROOT/scripts/check-exe.sh" "$programs/carillo-cli.exe" console
for exe in carillo.exe carillo-cli.exe; do
  strings -e l "$programs/$exe" | grep -x "$version.0" >/dev/null || fail "$exe does not carry version $version.0"
done
head -n 1 "$programs/README.txt" | grep -qx "Carillo for Jinglo $version"$'\r' || fail "README.txt names no version $version"
[ "$(grep -c $'\r$' "$programs/README.txt")" = "$(wc -l <"$programs/README.txt")" ] || fail "README.txt is not CR LF text"

# They start under Wine where this kernel runs 32-bit code.
if [ "$WINE_ARCH" = i686 ]; then
  ensure_wine_prefix "$BUILD/wineprefix-release-i686" null
  answer="$(timeout 60 "$WINE_LOADER" "$programs/carillo-cli.exe" --version </dev/null | tr -d '\r')"
  [ "$answer" = "carillo $version" ] || fail "carillo-cli.exe --version answered '$answer'"
  # The window keeps running until it is closed: still there after a while means it started.
  status=0
  timeout 10 "$WINE_LOADER" "$programs/carillo.exe" </dev/null >/dev/null 2>&1 || status=$?
  wineserver -k >/dev/null 2>&1 || true
  [ "$status" = 124 ] || fail "carillo.exe ended with status $status instead of running"
else
  echo "check-release: this kernel runs no 32-bit code; the zip's programs were not started."
fi

# The .deb: its fields, the program, its man page and completions, and the program answering from
# where it was unpacked.
for field in Package:carillo Version:$version Architecture:$arch; do
  value="$(dpkg-deb -f "$out/$deb_file" "${field%%:*}")"
  [ "$value" = "${field#*:}" ] || fail "the .deb's ${field%%:*} is '$value'"
done
listing="$(dpkg-deb -c "$out/$deb_file")"
grep -Eq '^-rwxr-xr-x root/root .* \./usr/bin/carillo$' <<<"$listing" || fail "no program in the .deb: $listing"
grep -Eq '^-rw-r--r-- root/root .* \./usr/share/man/man1/carillo\.1\.gz$' <<<"$listing" || fail "no man page in the .deb: $listing"
for completion in bash-completion/completions/carillo zsh/vendor-completions/_carillo; do
  grep -Eq "^-rw-r--r-- root/root .* \./usr/share/$completion\$" <<<"$listing" || fail "no $completion in the .deb: $listing"
done
dpkg-deb -x "$out/$deb_file" "$work/deb"
answer="$("$work/deb/usr/bin/carillo" --version)"
[ "$answer" = "carillo $version" ] || fail "carillo --version answered '$answer'"
# Every command that --help lists is named in the read-me's list (in --help's order) and in the
# .deb's description.
commands="$("$work/deb/usr/bin/carillo" --help | awk '/^Commands:/ {on = 1; next} NF == 0 {on = 0} on {print $1}')"
[ -n "$commands" ] || fail "carillo --help lists no commands"
readme_list="$(tr -s '\r\n ' ' ' <"$programs/README.txt" | sed -n 's/.*lists its commands (\([^)]*\)).*/\1/p')"
[ "$readme_list" = "$(paste -sd, <<<"$commands" | sed 's/,/, /g')" ] ||
  fail "README.txt lists the commands as '$readme_list', --help as: $(echo $commands)"
description="$(dpkg-deb -f "$out/$deb_file" Description)"
for command in $commands; do
  grep -qw -- "$command" <<<"$description" || fail "the .deb's description does not name the command $command"
done
gzip -dc "$work/deb/usr/share/man/man1/carillo.1.gz" | cmp -s - "$ROOT/docs/carillo.1" || fail "the man page differs from docs/carillo.1"
cmp -s "$work/deb/usr/share/bash-completion/completions/carillo" "$ROOT/completions/carillo.bash" ||
  fail "the bash completion differs from completions/carillo.bash"
cmp -s "$work/deb/usr/share/zsh/vendor-completions/_carillo" "$ROOT/completions/_carillo" ||
  fail "the zsh completion differs from completions/_carillo"
echo "check-release: $zip_file, $deb_file and $web_file are whole."
