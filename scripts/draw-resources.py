#!/usr/bin/env python3
"""Draws the button glyphs and the application icon as 16-colour BMP and ICO files for windres,
and with --web-icons DIR the icon as the page's PNGs.

The pictures live here as text so that they can be reviewed and changed; the generated files in
src/app/res are committed so that the build needs no Python.  Run again after changing a picture.

The pictures are drawn for 16 pixels; for displays above 96 DPI they are also drawn at 20, 24 and
32 pixels (name-SIZE.bmp) and the icon at 20, 24, 40 and 48 besides 16 and 32: doubled with the
EPX rule, which keeps diagonals smooth, and brought to sizes between by a majority vote of the
colours each new pixel covers, so that no colour outside the 16 appears.
"""
import struct
import sys
import zlib
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
# The glyph sizes the window picks from; src/app/form_layout.h lists the same.
GLYPH_SIZES = (16, 20, 24, 32)
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
    """The greyed glyph: the dark lines in grey with a white shadow down and right, one pixel per
    16 pixels of size."""
    size = len(pixels)
    shift = max(1, size // 16)
    out = [[TRANSPARENT] * size for _ in range(size)]
    for y in range(size - shift):
        for x in range(size - shift):
            if dark(pixels[y][x]):
                out[y + shift][x + shift] = WHITE
    for y in range(size):
        for x in range(size):
            if dark(pixels[y][x]):
                out[y][x] = GREY
    return out


def epx(pixels):
    """Twice the size; a new pixel takes the colour of two neighbours that agree along its corner."""
    size = len(pixels)
    out = [[TRANSPARENT] * (2 * size) for _ in range(2 * size)]
    for y in range(size):
        for x in range(size):
            p = pixels[y][x]
            a = pixels[y - 1][x] if y > 0 else p
            b = pixels[y][x + 1] if x < size - 1 else p
            c = pixels[y][x - 1] if x > 0 else p
            d = pixels[y + 1][x] if y < size - 1 else p
            out[2 * y][2 * x] = a if c == a and c != d and a != b else p
            out[2 * y][2 * x + 1] = b if a == b and a != c and b != d else p
            out[2 * y + 1][2 * x] = c if d == c and d != b and c != a else p
            out[2 * y + 1][2 * x + 1] = d if b == d and b != a and d != c else p
    return out


def resampled(pixels, size):
    """`size` x `size`: each new pixel takes the colour covering most of its area; on a tie the
    darker, so that outlines stay closed."""
    source = len(pixels)
    out = []
    for y in range(size):
        row = []
        for x in range(size):
            weights = {}
            # The new pixel spans [x * source / size, (x + 1) * source / size) in source pixels;
            # areas are counted in units of 1 / size squared to stay in whole numbers.
            for sy in range(y * source // size, -(-(y + 1) * source // size)):
                h = min((sy + 1) * size, (y + 1) * source) - max(sy * size, y * source)
                for sx in range(x * source // size, -(-(x + 1) * source // size)):
                    w = min((sx + 1) * size, (x + 1) * source) - max(sx * size, x * source)
                    if w > 0 and h > 0:
                        weights[pixels[sy][sx]] = weights.get(pixels[sy][sx], 0) + w * h
            row.append(max(weights, key=lambda i: (weights[i], i != TRANSPARENT, -brightness(i))))
        out.append(row)
    return out


def brightness(index):
    r, g, b = PALETTE[index]
    return r * 299 + g * 587 + b * 114


def drawn_at(pixels, size):
    """A 16-pixel picture at `size`: itself at 16, doubled by EPX at 32, else voted down from 64."""
    if size == 16:
        return pixels
    if size == 32:
        return epx(pixels)
    return resampled(epx(epx(pixels)), size)


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


def glyph_pair(picture, size):
    normal = drawn_at(parse(picture), size)
    grey = disabled(normal)
    return [normal[y] + grey[y] for y in range(size)]


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
        width = (size + 7) // 8
        packed = (bits << (width * 8 - size)).to_bytes(width, "big")
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


def png(pixels):
    """RGBA, the transparent colour see-through: for the page's manifest and its link."""
    size = len(pixels)
    raw = b"".join(b"\0" + b"".join(bytes(PALETTE[p]) + (b"\0" if p == TRANSPARENT else b"\xff") for p in row)
                   for row in pixels)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def web_icons(out):
    """The icon at 192 and 512 pixels: doubled by EPX to 256 and 512, 192 voted down from 256."""
    out.mkdir(parents=True, exist_ok=True)
    big = epx(epx(epx(epx(parse(BELL)))))
    (out / "icon-192.png").write_bytes(png(resampled(big, 192)))
    (out / "icon-512.png").write_bytes(png(epx(big)))


def main():
    if len(sys.argv) > 2 and sys.argv[1] == "--web-icons":
        return web_icons(Path(sys.argv[2]))
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent / "src/app/res"
    out.mkdir(parents=True, exist_ok=True)
    for name, picture in [("folder", FOLDER), ("help", HELP), ("check", CHECK), ("about", ABOUT)]:
        (out / f"{name}.bmp").write_bytes(bmp(glyph_pair(picture, 16)))
        for size in GLYPH_SIZES[1:]:
            (out / f"{name}-{size}.bmp").write_bytes(bmp(glyph_pair(picture, size)))
    bell = parse(BELL)
    # 16 and 32 as they have always been (96 DPI); the sizes of higher DPIs drawn smooth.
    larger = [resampled(epx(epx(bell)), size) for size in (20, 24, 40, 48)]
    (out / "carillo.ico").write_bytes(ico([bell, scaled(bell, 2)] + larger))


if __name__ == "__main__":
    main()
