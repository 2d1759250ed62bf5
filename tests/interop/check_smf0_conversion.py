#!/usr/bin/python3
"""Checks a MIDI format-0 converter against independent readers.

Usage: check_smf0_conversion.py 'CONVERTER COMMAND' DIRECTORY...

Every .mid/.MID file under the directories is converted by running the command with the input and
output paths appended (exit status 0 expected). Then:
  - midicsv must read the conversion without a word on standard error, and see format 0, one track
    and the original's division;
  - mido (Debian's python3-mido, for /usr/bin/python3) must find the same messages at the same
    absolute ticks in the conversion as in its own merge of the original's tracks
    (mido.merge_tracks). Where mido refuses the original, the midicsv listings are compared instead:
    the original's tracks merged by a stable sort on time, against the conversion's one track.
Prints each failure with its reason, then one line "N passed, M failed"; exits 1 on any failure,
2 when no tune was found.
"""
import os
import shlex
import subprocess
import sys
import tempfile

import mido

SKIPPED_CSV_RECORDS = {"Header", "Start_track", "End_track", "End_of_file"}


def find_tunes(directories):
    tunes = []
    for directory in directories:
        for root, _dirs, files in os.walk(directory):
            tunes.extend(os.path.join(root, name) for name in files if name.lower().endswith(".mid"))
    return sorted(tunes)


def midicsv(path):
    run = subprocess.run(["midicsv", path], capture_output=True)
    return run.returncode, run.stdout.decode("latin-1"), run.stderr.decode("latin-1")


def parse_csv(listing):
    """Returns (header fields, [(track, time, record) in file order], {track: End_track time})."""
    header = None
    events = []
    track_ends = {}
    for line in listing.splitlines():
        fields = [field.strip() for field in line.split(",", 3)]
        if len(fields) < 3:
            continue
        track, time, kind = int(fields[0]), int(fields[1]), fields[2]
        rest = fields[3] if len(fields) > 3 else ""
        if kind == "Header":
            header = [int(value) for value in rest.split(",")]
        elif kind == "End_track":
            track_ends[track] = time
        elif kind not in SKIPPED_CSV_RECORDS:
            events.append((track, time, kind + "," + rest))
    return header, events, track_ends


def absolute(messages):
    now = 0
    listing = []
    for message in messages:
        now += message.time
        listing.append((now, repr(message.copy(time=0))))
    return listing


def first_difference(expected, actual):
    for index, (want, got) in enumerate(zip(expected, actual)):
        if want != got:
            return f"message {index}: expected {want}, got {got}"
    return f"{len(expected)} messages expected, {len(actual)} found"


def compare_with_mido(original, converted):
    """None when they match, else the reason; raises when mido cannot read the original."""
    reference = mido.MidiFile(original)
    try:
        result = mido.MidiFile(converted)
    except Exception as error:  # noqa: BLE001 - any refusal is the finding
        return f"mido cannot read the conversion: {error}"
    if result.type != 0 or len(result.tracks) != 1:
        return f"mido sees type {result.type} with {len(result.tracks)} tracks"
    if result.ticks_per_beat != reference.ticks_per_beat:
        return f"division {result.ticks_per_beat}, expected {reference.ticks_per_beat}"
    expected = absolute(mido.merge_tracks(reference.tracks))
    actual = absolute(result.tracks[0])
    if expected != actual:
        return "mido: " + first_difference(expected, actual)
    return None


def compare_with_midicsv(original, converted_listing):
    code, listing, errors = midicsv(original)
    if code != 0:
        return f"midicsv cannot read the original either: {errors.strip()}"
    _header, events, track_ends = parse_csv(listing)
    expected = [(time, record) for _track, time, record in sorted(events, key=lambda event: event[1])]
    _header, converted_events, converted_ends = parse_csv(converted_listing)
    actual = [(time, record) for _track, time, record in converted_events]
    if expected != actual:
        return "midicsv: " + first_difference(expected, actual)
    if list(converted_ends.values()) != [max(track_ends.values(), default=0)]:
        return f"midicsv: End_track at {list(converted_ends.values())}, expected {max(track_ends.values(), default=0)}"
    return None


def check(command, original, converted):
    """Returns (reason or None, how the messages were compared)."""
    run = subprocess.run(command + [original, converted], capture_output=True)
    if run.returncode != 0:
        return f"converter exit status {run.returncode}: {run.stderr.decode('latin-1').strip()}", "-"
    code, listing, errors = midicsv(converted)
    if errors:
        return f"midicsv reports on the conversion: {errors.strip()}", "-"
    if code != 0:
        return f"midicsv exit status {code} on the conversion", "-"
    header, _events, _ends = parse_csv(listing)
    original_code, original_listing, _errors = midicsv(original)
    original_header = parse_csv(original_listing)[0] if original_code == 0 else None
    if header is None or header[:2] != [0, 1]:
        return f"midicsv header of the conversion: {header}, expected format 0 and 1 track", "-"
    if original_header is not None and header[2] != original_header[2]:
        return f"division {header[2]}, expected {original_header[2]}", "-"
    try:
        return compare_with_mido(original, converted), "mido"
    except Exception as error:  # noqa: BLE001 - mido refuses some valid files
        reason = compare_with_midicsv(original, listing)
        return reason, f"midicsv (mido: {error})"


def main(argv):
    if len(argv) < 3:
        print(__doc__, file=sys.stderr)
        return 2
    command = shlex.split(argv[1])
    tunes = find_tunes(argv[2:])
    if not tunes:
        print("no .mid files found in " + ", ".join(argv[2:]), file=sys.stderr)
        return 2
    failures = []
    fallbacks = []
    with tempfile.TemporaryDirectory() as scratch:
        for index, tune in enumerate(tunes):
            converted = os.path.join(scratch, f"{index}.mid")
            reason, method = check(command, tune, converted)
            if reason:
                failures.append((tune, reason))
            elif method != "mido":
                fallbacks.append((tune, method))
    for tune, method in fallbacks:
        print(f"compared by {method}: {tune}")
    for tune, reason in failures:
        print(f"FAILED {tune}: {reason}")
    print(f"{len(tunes) - len(failures)} passed, {len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
