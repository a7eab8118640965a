"""Makes the text-mode character chart: 640 x 120 RGBA, 80 x 10 cells of 8 x 12 pixels.

Cell rows 0-3 hold the 256 glyphs of the PC code page 437 in code order (white on black), rows
4-7 the same glyphs inverted, row 8 the 16 text-mode colours as solid cells, row 9 is black.
The glyphs come from the VGA console font of the console-setup-linux package (8 x 14, one row
cut at the top and one at the bottom); the shade and block characters are drawn here so that
they fill their cells exactly.

Without arguments it writes "data/util/ascii/asciichart.png" (for looking at); with
--embed FILE it writes the PNG's bytes as a C++ initialiser list, which the build compiles
into the program. Both are skipped when up to date. Run from the repository root.
"""
import argparse
import gzip
import os
import sys

sys.path.insert(0, os.path.dirname(__file__))
from pngfile import encode_png  # noqa: E402

FONT = "/usr/share/consolefonts/Uni2-VGA14.psf.gz"
OUTPUT = "data/util/ascii/asciichart.png"
CELL_W, CELL_H = 8, 12
COLUMNS, ROWS = 80, 10
WIDTH, HEIGHT = COLUMNS * CELL_W, ROWS * CELL_H

PALETTE = [
    (0, 0, 0), (0, 0, 128), (0, 128, 0), (0, 128, 128),
    (128, 0, 0), (128, 0, 128), (128, 128, 0), (192, 192, 192),
    (128, 128, 128), (0, 0, 255), (0, 255, 0), (0, 255, 255),
    (255, 0, 0), (255, 0, 255), (255, 255, 0), (255, 255, 255),
]

# Code page 437 shows pictures for the control codes 1-31 and 127; Python's codec does not.
LOW_GRAPHICS = ("\u0000\u263a\u263b\u2665\u2666\u2663\u2660\u2022\u25d8\u25cb\u25d9\u2642\u2640"
                "\u266a\u266b\u263c\u25ba\u25c4\u2195\u203c\u00b6\u00a7\u25ac\u21a8\u2191\u2193"
                "\u2192\u2190\u221f\u2194\u25b2\u25bc")


def cp437_char(code):
    if code < 32:
        return LOW_GRAPHICS[code]
    if code == 127:
        return "\u2302"
    return bytes([code]).decode("cp437")


def read_psf1(path):
    """Returns {unicode character: list of 14 row bytes} of a PSF1 font with a Unicode table."""
    if not os.path.exists(path):
        raise SystemExit(f"{path} is missing: install console-setup-linux (tools/install-deps.sh)")
    data = gzip.open(path).read()
    if data[0:2] != b"\x36\x04":
        raise SystemExit(f"{path}: not a PSF1 font")
    mode, height = data[2], data[3]
    count = 512 if mode & 1 else 256
    glyphs = [data[4 + i * height:4 + (i + 1) * height] for i in range(count)]
    table = data[4 + count * height:]
    by_char = {}
    glyph = 0
    for i in range(0, len(table) - 1, 2):
        value = table[i] | (table[i + 1] << 8)
        if value == 0xFFFF:
            glyph += 1
        elif value != 0xFFFE and glyph < count:
            by_char.setdefault(chr(value), glyphs[glyph])
    return by_char


def drawn_glyph(code):
    """Rows (lists of 0/1) of the characters drawn by pattern, or None."""
    def cell(on):
        return [[1 if on(x, y) else 0 for x in range(CELL_W)] for y in range(CELL_H)]
    patterns = {
        176: lambda x, y: (x % 4 == 0 and y % 2 == 0) or (x % 4 == 2 and y % 2 == 1),
        177: lambda x, y: (x + y) % 2 == 0,
        178: lambda x, y: not ((x % 4 == 0 and y % 2 == 0) or (x % 4 == 2 and y % 2 == 1)),
        219: lambda x, y: True,
        220: lambda x, y: y >= CELL_H // 2,
        221: lambda x, y: x < CELL_W // 2,
        222: lambda x, y: x >= CELL_W // 2,
        223: lambda x, y: y < CELL_H // 2,
    }
    return cell(patterns[code]) if code in patterns else None


def glyph_rows(code, font):
    drawn = drawn_glyph(code)
    if drawn is not None:
        return drawn
    rows = font.get(cp437_char(code), bytes(14))[1:1 + CELL_H]
    return [[(row >> (7 - x)) & 1 for x in range(CELL_W)] for row in rows]


def build_chart(font):
    pixels = [[(0, 0, 0)] * WIDTH for _ in range(HEIGHT)]
    for code in range(256):
        rows = glyph_rows(code, font)
        left = (code % COLUMNS) * CELL_W
        for inverted in (0, 1):
            top = ((code // COLUMNS) + 4 * inverted) * CELL_H
            for y in range(CELL_H):
                for x in range(CELL_W):
                    on = rows[y][x] ^ inverted
                    pixels[top + y][left + x] = (255, 255, 255) if on else (0, 0, 0)
    for colour, rgb in enumerate(PALETTE):
        for y in range(8 * CELL_H, 9 * CELL_H):
            for x in range(colour * CELL_W, (colour + 1) * CELL_W):
                pixels[y][x] = rgb
    return [b"".join(bytes(p) + b"\xff" for p in row) for row in pixels]


def png_bytes():
    return encode_png(WIDTH, HEIGHT, build_chart(read_psf1(FONT)), channels=4)


def up_to_date(output):
    if not os.path.exists(output) or not os.path.exists(FONT):
        return False
    sources = (__file__, FONT, os.path.join(os.path.dirname(__file__), "pngfile.py"))
    newest = max(os.path.getmtime(p) for p in sources)
    return os.path.getmtime(output) >= newest


def write_if_changed(path, content):
    os.makedirs(os.path.dirname(path) or ".", exist_ok=True)
    if os.path.exists(path) and open(path, "rb").read() == content:
        os.utime(path)
        return
    with open(path, "wb") as out:
        out.write(content)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--embed", help="write the PNG bytes as a C++ initialiser list here")
    args = parser.parse_args()
    output = args.embed or OUTPUT
    if up_to_date(output):
        return
    data = png_bytes()
    if args.embed:
        lines = [",".join(str(b) for b in data[i:i + 32]) + "," for i in range(0, len(data), 32)]
        write_if_changed(output, ("\n".join(lines) + "\n").encode())
    else:
        write_if_changed(output, data)


if __name__ == "__main__":
    main()
