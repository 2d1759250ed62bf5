#!/bin/sh
# A directory of real MIDI files through `compile` and back through `extract`, byte for byte, with
# the program run as given (the Windows console program through its Wine wrapper).
# Usage: round_trip.sh 'PROGRAM COMMAND' SAMPLE_DIRECTORY
set -eu
program="$1" samples="$2"
[ -d "$samples" ] || { echo "no samples in $samples: nothing to check"; exit 0; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/in"
cp "$samples"/*.mid "$work/in/"
count=$(ls "$work/in" | wc -l)
cd "$work"
out=$($program compile in tunes.pdb --all-formats --name "Round trip")
[ "$out" = "$count MIDI files successfully compiled." ] || { echo "compile said: $out"; exit 1; }
out=$($program extract tunes.pdb out --yes)
[ "$out" = "$count MIDI files successfully extracted." ] || { echo "extract said: $out"; exit 1; }
for tune in in/*.mid; do
  cmp "$tune" "out/${tune#in/}"
done
# A refusal keeps its exit status through the wrapper.
status=0
$program extract missing.pdb 2>/dev/null || status=$?
[ "$status" = 1 ] || { echo "a missing database gave exit status $status"; exit 1; }
echo "$count tunes round-tripped byte for byte"
