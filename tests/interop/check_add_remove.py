#!/usr/bin/python3
"""add and remove on a handheld's backup, checked from the outside.

Usage: check_add_remove.py CARILLO TUNES-DIRECTORY

A "System MIDI Sounds" database like a handheld's backup (creator "psys", records with their own
attributes and unique IDs, the two bytes after the list) gets every tune of the directory with
`add --to-smf0 --skip-bad`: its header and records must stay byte for byte but for the
modification date, the modification number and the record count; `list` must show them followed
by the added tunes; `extract` must give back each added tune exactly as `convert` makes it.
Removing three of the added tunes must keep the same bytes again. Exits 1 on any failure.
"""
import json
import os
import struct
import subprocess
import sys
import tempfile

HEADER = 78
CHANGED = [(40, 44), (48, 52), (76, 78)]  # modification date, modification number, record count
SYSTEM_TUNES = [("Alarm", 0x60, 0x5A0003), ("Bird Song", 0x40, 0x5A0001), ("Chimes", 0x00, 0x5A0007),
                ("Morning", 0x40, 0x5A0002)]


def tune(note):
    track = bytes([0, 0x90, note, 64, 0x60, 0x80, note, 0, 0, 0xFF, 0x2F, 0])
    return b"MThd" + struct.pack(">IHHH", 6, 0, 1, 96) + b"MTrk" + struct.pack(">I", len(track)) + track


def backup():
    records = [b"PMrc" + bytes([len(name) + 7, 0]) + name.encode() + b"\0" + tune(60 + i)
               for i, (name, _, _) in enumerate(SYSTEM_TUNES)]
    header = struct.pack(">32sHHIIIIII4s4sIIH", b"System MIDI Sounds", 0x0008, 1, 0xBA000000, 0xBB000000, 0xBC000000,
                         41, 0, 0, b"smfr", b"psys", 0x5A0000, 0, len(records))
    offset = HEADER + 8 * len(records) + 2
    entries = b""
    for record, (_, attributes, unique_id) in zip(records, SYSTEM_TUNES):
        entries += struct.pack(">II", offset, attributes << 24 | unique_id)
        offset += len(record)
    return header + entries + b"\0\0" + b"".join(records)


def parts(image):
    """The header and, per record, its attributes, unique ID and bytes."""
    count = struct.unpack_from(">H", image, 76)[0]
    entries = [struct.unpack_from(">II", image, HEADER + 8 * i) for i in range(count)]
    ends = [offset for offset, _ in entries[1:]] + [len(image)]
    return image[:HEADER], [(word >> 24, word & 0xFFFFFF, image[offset:end]) for (offset, word), end in zip(entries, ends)]


def run(*arguments):
    return subprocess.run(list(arguments), capture_output=True)


def main():
    carillo, tunes = sys.argv[1], sys.argv[2]
    failures = []

    def check(condition, what):
        if not condition:
            failures.append(what)

    with tempfile.TemporaryDirectory() as work:
        database = os.path.join(work, "System_MIDI_Sounds.pdb")
        original = backup()
        with open(database, "wb") as out:
            out.write(original)
        added = run(carillo, "add", database, tunes, "--to-smf0", "--skip-bad")
        check(added.returncode == 0, f"add exited {added.returncode}: {added.stderr.decode()}")
        sources = sorted((name for name in os.listdir(tunes) if name.lower().endswith(".mid")), key=str.upper)
        total = len(SYSTEM_TUNES) + len(sources)
        check(added.stdout.decode() == f"{len(sources)} tunes added, 0 replaced, 0 removed; the database holds "
              f"{total} records.\n", f"add said {added.stdout.decode()!r}")

        def kept_as_before(image, when):
            header, records = parts(image)
            old_header, old_records = parts(original)
            check(len(image) > HEADER and all(header[i] == old_header[i] for i in range(HEADER)
                                              if not any(a <= i < b for a, b in CHANGED)), f"{when}: header changed")
            check(records[:len(old_records)] == old_records, f"{when}: the backup's records changed")
            ids = [unique_id for _, unique_id, _ in records]
            check(len(set(ids)) == len(ids) and min(ids[len(old_records):]) > 0x5A0007, f"{when}: unique IDs {ids}")
            check(all(attributes == 0x40 for attributes, _, _ in records[len(old_records):]), f"{when}: attributes")
            return records

        with open(database, "rb") as edited:
            records = kept_as_before(edited.read(), "after add")
        listing = json.loads(run(carillo, "list", database, "--json").stdout)
        names = [record.get("name") for record in listing["records"]]
        check(names == [name for name, _, _ in SYSTEM_TUNES] + [name[:-4][:31] for name in sources],
              f"list shows {names}")

        out = os.path.join(work, "out")
        extracted = run(carillo, "extract", database, out, "--yes", "--quiet")
        check(extracted.returncode == 0, f"extract exited {extracted.returncode}")
        for source in sources:
            expected = os.path.join(work, "expected.mid")
            run(carillo, "convert", os.path.join(tunes, source), expected, "--yes", "--quiet")
            got = os.path.join(out, source[:-4][:31] + ".mid")
            if not os.path.exists(got):
                check(False, f"{source}: not extracted")
                continue
            with open(expected, "rb") as a, open(got, "rb") as b:
                check(a.read() == b.read(), f"{source}: extracted tune differs from its conversion")

        gone = [sources[0][:-4][:31], sources[-1][:-4][:31]]
        removed = run(carillo, "remove", database, *gone, f"#{len(SYSTEM_TUNES) + 2}")
        check(removed.returncode == 0, f"remove exited {removed.returncode}: {removed.stderr.decode()}")
        with open(database, "rb") as edited:
            left = kept_as_before(edited.read(), "after remove")
        check(left == records[:len(SYSTEM_TUNES)] + records[len(SYSTEM_TUNES) + 2:-1], "remove took other records")
    for failure in failures:
        print(failure)
    print(f"{len(sources)} tunes added and checked, {len(failures)} failures")
    return 1 if failures or not sources else 0


if __name__ == "__main__":
    sys.exit(main())
