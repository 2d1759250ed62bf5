#!/usr/bin/python3
"""compile --to-smf0 --skip-bad of real tunes, checked from the outside.

Usage: check_smf0_database.py CARILLO DIRECTORY...

Each directory is compiled with --to-smf0 --skip-bad; `list --json` must show every record as a
format-0 tune, and `extract` must give back, for every record, exactly what `convert` makes of the
file it came from. Prints "N passed, M failed"; exits 1 on any failure.
"""
import json
import os
import subprocess
import sys
import tempfile

RECORD_NAME_LENGTH = 31
LARGEST_TUNE = 65000


def run(*arguments):
    return subprocess.run(list(arguments), capture_output=True)


def check_directory(carillo, directory, work):
    failures = []
    database = os.path.join(work, "tunes.pdb")
    compiled = run(carillo, "compile", directory, database, "--to-smf0", "--skip-bad", "--yes", "--quiet")
    if compiled.returncode == 1 and compiled.stderr.endswith(f"carillo: {directory}: No correct MIDI files found!\n".encode()):
        # Every tune skipped: each must really be too large for a handheld once converted.
        too_small = []
        for name in sorted(os.listdir(directory)):
            expected_path = os.path.join(work, "expected.mid")
            run(carillo, "convert", os.path.join(directory, name), expected_path, "--yes", "--quiet")
            if os.path.getsize(expected_path) <= LARGEST_TUNE:
                too_small.append(f"{directory}/{name}: skipped although it converts to a tune that fits")
        return len(os.listdir(directory)), too_small
    if compiled.returncode != 0:
        return 0, [f"{directory}: compile exited {compiled.returncode}: {compiled.stderr.decode()}"]
    listing = json.loads(run(carillo, "list", database, "--json").stdout)
    records = listing["records"]
    for record in records:
        if record["status"] != "midi" or record["format"] != 0:
            failures.append(f"{directory}: record {record['number']} is not a format-0 tune: {record}")
    out = os.path.join(work, "out")
    extracted = run(carillo, "extract", database, out, "--yes", "--quiet")
    if extracted.returncode != 0:
        return len(records), failures + [f"{directory}: extract exited {extracted.returncode}"]
    sources = {name[:-4][:RECORD_NAME_LENGTH]: name for name in os.listdir(directory) if name.lower().endswith(".mid")}
    for name in sorted(os.listdir(out)):
        source = sources.get(name[:-4])
        expected_path = os.path.join(work, "expected.mid")
        converted = run(carillo, "convert", os.path.join(directory, source or ""), expected_path, "--yes", "--quiet")
        with open(os.path.join(out, name), "rb") as tune:
            got = tune.read()
        if source is None or converted.returncode != 0:
            failures.append(f"{directory}/{name}: no source converts to it")
            continue
        with open(expected_path, "rb") as tune:
            if tune.read() != got:
                failures.append(f"{directory}/{name}: extracted tune differs from the conversion of {source}")
    return len(records), failures


def main():
    carillo, directories = sys.argv[1], sys.argv[2:]
    passed, failed = 0, 0
    for directory in directories:
        with tempfile.TemporaryDirectory() as work:
            count, failures = check_directory(carillo, directory, work)
        for failure in failures:
            print(failure)
        failed += len(failures)
        passed += count - len(failures)
    print(f"{passed} passed, {failed} failed")
    return 1 if failed or passed == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
