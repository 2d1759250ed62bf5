#!/bin/sh
# The Windows console program on a directory where one name is beyond the ANSI code page
# (Windows-1252 here): that file is reported and skipped, the other compiled, and the status is 4.
# Usage: unholdable_names.sh 'PROGRAM COMMAND'
set -eu
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/in" && cd "$work"
printf 'MThd\000\000\000\006\000\000\000\001\000\140MTrk\000\000\000\004\000\377\057\000' >in/good.mid
cp in/good.mid in/Dvořák.mid
status=0
$1 compile in tunes.pdb --name Names >out 2>err || status=$?
[ "$status:$(cat out):$(cat err)" = "4:1 MIDI files successfully compiled, 1 skipped.:carillo-cli: in\\Dvořák.mid: \
skipped: Windows-1252 cannot hold this name" ] || { echo "status $status"; cat out err; exit 1; }
grep -q good tunes.pdb || { echo "good.mid is not in the database"; exit 1; }
