#!/usr/bin/python3
# check_add_remove.py CARILLO TUNES-DIRECTORY: a handheld-like backup gets the directory's tunes by
# add --to-smf0 --skip-bad, then loses three by remove; its header and records must stay byte for
# byte but for three fields, list shows the tunes after them, extract gives them as convert does.
import json
import os
import struct
import subprocess
import sys
import tempfile
from pathlib import Path

CHANGED = {40, 41, 42, 43, 48, 49, 50, 51, 68, 69, 70, 71, 76, 77}  # modification date and number, seed, count
SYSTEM = [("Alarm", 0x60, 0x5A0003), ("Bird Song", 0x40, 0x5A0001), ("Chimes", 0, 0x5A0007), ("Morning", 0x40, 0x5A0002)]


def backup():
    track = [bytes([0, 0x90, 60 + i, 64, 0x60, 0x80, 60 + i, 0, 0, 0xFF, 0x2F, 0]) for i in range(len(SYSTEM))]
    records = [b"PMrc" + bytes([len(name) + 7, 0]) + name.encode() + b"\0MThd" + struct.pack(">IHHH", 6, 0, 1, 96) +
               b"MTrk" + struct.pack(">I", 12) + track[i] for i, (name, _, _) in enumerate(SYSTEM)]
    image = struct.pack(">32sHHIIIIII4s4sIIH", b"System MIDI Sounds", 8, 1, 0xBA000000, 0xBB000000, 0xBC000000, 41,
                        0, 0, b"smfr", b"psys", 0x5A0000, 0, len(records))
    offset = 78 + 8 * len(records) + 2
    for record, (_, attributes, unique_id) in zip(records, SYSTEM):
        image += struct.pack(">II", offset, attributes << 24 | unique_id)
        offset += len(record)
    return image + b"\0\0" + b"".join(records)


def records_of(image):  # per record: its attributes, unique ID and bytes
    entries = [struct.unpack_from(">II", image, 78 + 8 * i) for i in range(struct.unpack_from(">H", image, 76)[0])]
    ends = [offset for offset, _ in entries[1:]] + [len(image)]
    return [(word >> 24, word & 0xFFFFFF, image[offset:end]) for (offset, word), end in zip(entries, ends)]


def main():
    carillo, tunes = sys.argv[1:3]
    run = lambda *arguments: subprocess.run(arguments, capture_output=True)  # noqa: E731
    original, failures = backup(), []
    sources = sorted((name for name in os.listdir(tunes) if name.lower().endswith(".mid")), key=str.upper)
    names = [name[:-4][:31] for name in sources]

    def check(condition, what):
        failures.extend([] if condition else [what])

    def kept(database, when):
        image = database.read_bytes()
        check(len(image) > 78 and all(image[i] == original[i] for i in range(78) if i not in CHANGED), f"{when}: header")
        records = records_of(image)
        check(records[:len(SYSTEM)] == records_of(original), f"{when}: the backup's records changed")
        ids = [unique_id for _, unique_id, _ in records]
        check(len(set(ids)) == len(ids) and min(ids[len(SYSTEM):]) > 0x5A0007, f"{when}: unique IDs {ids}")
        check(struct.unpack_from(">I", image, 68)[0] == 0x5A0008 + len(names), f"{when}: the seed past the new IDs")
        check(all(attributes == 0x40 for attributes, _, _ in records[len(SYSTEM):]), f"{when}: new records' attributes")
        return records
    with tempfile.TemporaryDirectory() as work:
        database = Path(work, "System_MIDI_Sounds.pdb")
        database.write_bytes(original)
        added = run(carillo, "add", database, tunes, "--to-smf0", "--skip-bad")
        check(added.returncode == 0 and added.stdout.decode() == f"{len(names)} tunes added, 0 replaced, 0 removed; "
              f"the database holds {len(SYSTEM) + len(names)} records.\n", f"add: {added.stdout} {added.stderr}")
        records = kept(database, "after add")
        listing = json.loads(run(carillo, "list", database, "--json").stdout)
        check([record.get("name") for record in listing["records"]] == [n for n, _, _ in SYSTEM] + names, "list")
        out, expected = Path(work, "out"), Path(work, "expected.mid")
        check(run(carillo, "extract", database, out, "--yes", "--quiet").returncode == 0, "extract status")
        for source, name in zip(sources, names):
            run(carillo, "convert", os.path.join(tunes, source), expected, "--yes", "--quiet")
            got = out / (name + ".mid")
            check(got.exists() and got.read_bytes() == expected.read_bytes(), f"{source}: extracted differently")
        removed = run(carillo, "remove", database, names[0], names[-1], f"#{len(SYSTEM) + 2}")
        check(removed.returncode == 0, f"remove exited {removed.returncode}: {removed.stderr.decode()}")
        left = kept(database, "after remove")
        check(left == records[:len(SYSTEM)] + records[len(SYSTEM) + 2:-1], "remove took other records")
    print("\n".join(failures + [f"{len(names)} tunes added and checked, {len(failures)} failures"]))
    return 1 if failures or not names else 0


if __name__ == "__main__":
    sys.exit(main())
