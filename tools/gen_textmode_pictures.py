#!/usr/bin/env python3
"""Paints the raw text-mode pictures of production 6: one byte per pixel, a colour number 0-15,
rows from the top, no header. The files number the 16 PC colours with red in bit 0 and blue in
bit 2 (the player swaps the two bits when it reads them); 0 is transparent.

- "data/scenes/vwm20/textbigsprite/vorantil.raw", 300 x 80: the group name "VORANTIL" in big
  block letters shaded from yellow to red with a blue drop shadow, among a few stars.
- "data/scenes/vwm20/textbigsprite/tolmes.raw", 256 x 256: a seamless tile for the rotozoom,
  a grinning face on a checkerboard in blue and cyan with a magenta ring.

Deterministic, standard library only; skips the work when the outputs are newer than this
script. Run from the repository root."""

import math
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from imagewriters import up_to_date  # noqa: E402
from procedural import hash01  # noqa: E402

FOLDER = os.path.join("data", "scenes", "vwm20", "textbigsprite")

# Colours by their PC names, as stored in the files (red is bit 0, blue bit 2).
BLACK, RED, GREEN, BROWN, BLUE, MAGENTA, CYAN, LIGHT_GREY = range(8)
DARK_GREY, LIGHT_RED, LIGHT_GREEN, YELLOW, LIGHT_BLUE, LIGHT_MAGENTA, LIGHT_CYAN, WHITE = range(8, 16)

GLYPHS = {
    "V": ("##...##", "##...##", "##...##", ".##.##.", ".##.##.", "..###..", "...#..."),
    "O": (".#####.", "##...##", "##...##", "##...##", "##...##", "##...##", ".#####."),
    "R": ("######.", "##...##", "##...##", "######.", "##.##..", "##..##.", "##...##"),
    "A": ("..###..", ".##.##.", "##...##", "#######", "##...##", "##...##", "##...##"),
    "N": ("##...##", "###..##", "####.##", "##.####", "##..###", "##...##", "##...##"),
    "T": ("#######", "..###..", "..###..", "..###..", "..###..", "..###..", "..###.."),
    "I": ("#####", ".###.", ".###.", ".###.", ".###.", ".###.", "#####"),
    "L": ("###....", "###....", "###....", "###....", "###....", "###...#", "#######"),
}


def vorantil():
    width, height = 300, 80
    pixels = bytearray(width * height)
    for k in range(60):  # stars
        x, y = int(hash01(31, k) * width), int(hash01(32, k) * height)
        pixels[y * width + x] = (WHITE, LIGHT_GREY, LIGHT_CYAN)[k % 3]
    cell_w, cell_h, gap = 5, 8, 4
    text = "VORANTIL"
    total = sum(len(GLYPHS[c][0]) * cell_w + gap for c in text) - gap
    left, top = (width - total) // 2, (height - 7 * cell_h) // 2
    shades = (YELLOW, YELLOW, BROWN, LIGHT_RED, LIGHT_RED, RED, RED)
    for layer, (dx, dy) in enumerate(((3, 3), (0, 0))):
        x0 = left
        for c in text:
            glyph = GLYPHS[c]
            for row, line in enumerate(glyph):
                for col, mark in enumerate(line):
                    if mark != "#":
                        continue
                    for py in range(cell_h):
                        for px in range(cell_w):
                            x, y = x0 + col * cell_w + px + dx, top + row * cell_h + py + dy
                            if layer == 0:
                                pixels[y * width + x] = BLUE
                            else:
                                edge = px == 0 or py == 0
                                pixels[y * width + x] = WHITE if edge and row == 0 else shades[row]
            x0 += len(glyph[0]) * cell_w + gap
    return bytes(pixels)


def tolmes():
    size = 256
    pixels = bytearray(size * size)
    for y in range(size):
        for x in range(size):
            # Distances wrap round the tile so its edges meet seamlessly.
            dx = (x - 128 + 128) % 256 - 128 + 0.5
            dy = (y - 128 + 128) % 256 - 128 + 0.5
            r = math.hypot(dx, dy)
            colour = BLUE if ((x // 32) + (y // 32)) % 2 else CYAN
            if 92 <= r < 104:
                colour = LIGHT_MAGENTA if r < 98 else MAGENTA
            if r < 80:
                colour = YELLOW if r < 76 else BROWN
                for ex in (-28, 28):  # eyes
                    e = math.hypot(dx - ex, dy + 20)
                    if e < 13:
                        colour = WHITE if e > 6 else BLACK
                m = math.hypot(dx, dy + 10)
                if 44 <= m < 54 and dy > 8:  # grin
                    colour = RED if m < 50 else LIGHT_RED
            pixels[y * size + x] = colour
    return bytes(pixels)


def main():
    outputs = {"vorantil.raw": vorantil, "tolmes.raw": tolmes}
    paths = [os.path.join(FOLDER, name) for name in outputs]
    if up_to_date(paths, [os.path.abspath(__file__)]):
        return
    os.makedirs(FOLDER, exist_ok=True)
    for name, paint in outputs.items():
        with open(os.path.join(FOLDER, name), "wb") as out:
            out.write(paint())


if __name__ == "__main__":
    main()
