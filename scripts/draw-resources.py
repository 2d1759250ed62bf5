#!/usr/bin/env python3
"""Draws the button glyphs and the application icon as 16-colour BMP and ICO files for windres.

The pictures live here as text so that they can be reviewed and changed; the generated files in
src/app/res are committed so that the build needs no Python.  Run again after changing a picture.
"""
import struct
import sys
from pathlib import Path

# The standard 16-colour palette, by the letter used in the pictures below.
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
# k black, m maroon, g green, o olive, n navy, p purple, t teal, s silver, d grey, r red,
# l lime, y yellow, b blue, f fuchsia, a aqua, w white; "." is the transparent colour (olive).
LETTERS = "kmgonptsdrlybfaw"
TRANSPARENT = LETTERS.index("o")
GREY, WHITE = LETTERS.index("d"), LETTERS.index("w")

FOLDER = """
................
................
.kkkk...........
kyyyyk..........
kyyyyykkkkkkk...
kyyyyyyyyyyyyk..
kyyyyyyyyyyyyk..
kyyyyykkkkkkkkkk
kyyyykwwwwwwwwwk
kyyykwyyyyyyyyk.
kyykwyyyyyyyyk..
kykwyyyyyyyyk...
kkwyyyyyyyyk....
kkkkkkkkkkk.....
................
................
"""

HELP = """
.....kkkkkk.....
...kkyyyyyykk...
..kyyyrrrryyyk..
.kyyrrrrrrrryyk.
.kyyrrryyrrryyk.
kyyyyyyyyrrryyyk
kyyyyyyyrrryyyyk
kyyyyyyrrryyyyyk
kyyyyyyrryyyyyyk
kyyyyyyrryyyyyyk
.kyyyyyyyyyyyyk.
.kyyyyyrryyyyyk.
..kyyyyrryyyyk..
...kkyyyyyykk...
.....kkkkkk.....
................
"""

CHECK = """
................
................
.............rm.
............rrm.
...........rrm..
..........rrm...
.........rrm....
.rm.....rrm.....
.rrm...rrm......
..rrm.rrm.......
...rrrrm........
....rrm.........
.....m..........
................
................
................
"""

ABOUT = """
................
...kkkkkkkkkkk..
..kbbbbbbbbbbk..
..kbbbwwwbbbbk..
..kbbwbbbwbbbk..
..kbbbbbbwbbbk..
..kbbbbbwbbbbk..
..kbbbbwbbbbbk..
..kbbbbwbbbbbk..
..kbbbbbbbbbbk..
..kbbbbwbbbbbk..
..kbbbbbbbbbbkk.
..kkkkkkkkkkkwk.
...kwwwwwwwwwwk.
....kkkkkkkkkkk.
................
"""

BELL = """
.......kk.......
......kyyk......
.....kyyyyk.....
....kyywyyyk....
....kywyyyyk....
...kyywyyyyyk...
...kywyyyyyyk...
...kywyyyyyyk...
..kyywyyyyyyyk..
..kywyyyyyyyyk..
.kyywyyyyyyyyyk.
kyyyyyyyyyyyyyyk
kkkkkkkkkkkkkkkk
......kook......
.......kk.......
................
"""


def parse(picture):
    rows = [line for line in picture.strip("\n").split("\n")]
    assert len(rows) == 16 and all(len(row) == 16 for row in rows), "pictures are 16 x 16"
    return [[TRANSPARENT if c == "." else LETTERS.index(c) for c in row] for row in rows]


def dark(index):
    r, g, b = PALETTE[index]
    return index != TRANSPARENT and (r * 299 + g * 587 + b * 114) // 1000 < 128


def disabled(pixels):
    """The greyed glyph: the dark lines in grey with a white shadow one pixel down and right."""
    out = [[TRANSPARENT] * 16 for _ in range(16)]
    for y in range(15):
        for x in range(15):
            if dark(pixels[y][x]):
                out[y + 1][x + 1] = WHITE
    for y in range(16):
        for x in range(16):
            if dark(pixels[y][x]):
                out[y][x] = GREY
    return out


def rows_4bpp(pixels):
    """Bottom-up 4-bit rows, each padded to four bytes."""
    data = b""
    for row in reversed(pixels):
        packed = bytes((row[i] << 4) | row[i + 1] for i in range(0, len(row), 2))
        data += packed + b"\0" * (-len(packed) % 4)
    return data


def palette_bytes():
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)


def info_header(width, height, image_size):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, 0, image_size, 0, 0, 16, 0)


def bmp(pixels):
    width, height = len(pixels[0]), len(pixels)
    bits = rows_4bpp(pixels)
    offset = 14 + 40 + 64
    return (struct.pack("<2sIHHI", b"BM", offset + len(bits), 0, 0, offset) +
            info_header(width, height, len(bits)) + palette_bytes() + bits)


def glyph_pair(picture):
    normal = parse(picture)
    grey = disabled(normal)
    return [normal[y] + grey[y] for y in range(16)]


def scaled(pixels, factor):
    return [[p for p in row for _ in range(factor)] for row in pixels for _ in range(factor)]


def icon_image(pixels):
    size = len(pixels)
    xor = rows_4bpp([[0 if p == TRANSPARENT else p for p in row] for row in pixels])
    mask = b""
    for row in reversed(pixels):
        bits = 0
        for x, p in enumerate(row):
            if p == TRANSPARENT:
                bits |= 1 << (size - 1 - x)
        packed = bits.to_bytes(size // 8, "big")
        mask += packed + b"\0" * (-len(packed) % 4)
    return info_header(size, size * 2, len(xor) + len(mask)) + palette_bytes() + xor + mask


def ico(images):
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries, blobs = b"", b""
    for pixels in images:
        blob = icon_image(pixels)
        size = len(pixels)
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 16, 0, 1, 4, len(blob), offset)
        blobs += blob
        offset += len(blob)
    return header + entries + blobs


def main():
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent / "src/app/res"
    out.mkdir(parents=True, exist_ok=True)
    for name, picture in [("folder", FOLDER), ("help", HELP), ("check", CHECK), ("about", ABOUT)]:
        (out / f"{name}.bmp").write_bytes(bmp(glyph_pair(picture)))
    bell = parse(BELL)
    (out / "carillo.ico").write_bytes(ico([bell, scaled(bell, 2)]))


if __name__ == "__main__":
    main()
