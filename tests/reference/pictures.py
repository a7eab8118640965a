"""Pictures of the reference check: reading RGBA PNGs, masks, mean differences and the
side-by-side sheet. Standard library only; pictures are 256 x 256, so plain loops are quick."""

import os
import struct
import sys
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data3d"))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
import imagereaders  # noqa: E402
import pngfile  # noqa: E402

# Pixels whose alpha is at least this belong to the model; the background is cleared to 0.
COVERED_ALPHA = 128
DIFFERENCE_GAIN = 4
SHEET_BACKGROUND = (40, 40, 46)


class Picture:
    """RGBA bytes, top row first."""

    def __init__(self, width, height, pixels):
        self.width, self.height, self.pixels = width, height, pixels


def read_rgba(path):
    with open(path, "rb") as f:
        data = f.read()
    width, height, depth, colour_type = struct.unpack(">IIBB", data[16:26])
    if depth == 8 and colour_type == 6:
        # Unfiltered rows (both writers of the check use filter 0) are sliced directly.
        chunks, pos = b"", 8
        while pos < len(data):
            length, kind = struct.unpack(">I4s", data[pos:pos + 8])
            if kind == b"IDAT":
                chunks += data[pos + 8:pos + 8 + length]
            pos += 12 + length
        raw, stride = zlib.decompress(chunks), width * 4 + 1
        if all(raw[y * stride] == 0 for y in range(height)):
            return Picture(width, height,
                           b"".join(raw[y * stride + 1:(y + 1) * stride] for y in range(height)))
    width, height, channels, rows = imagereaders.read_png(path)
    assert channels == 4, path
    return Picture(width, height, b"".join(rows))


def covered(a, b):
    """1 for every pixel that either picture covers, else 0."""
    return [1 if a.pixels[i] >= COVERED_ALPHA or b.pixels[i] >= COVERED_ALPHA else 0
            for i in range(3, len(a.pixels), 4)]


def box_mask(box, width, height):
    x0, y0, x1, y1 = box
    return [1 if x0 <= i % width < x1 and y0 <= i // width < y1 else 0
            for i in range(width * height)]


def mean_difference(a, b, mask):
    """Mean absolute difference of r, g and b over the masked pixels."""
    sums, count = [0, 0, 0], 0
    for i, inside in enumerate(mask):
        if inside:
            count += 1
            for c in range(3):
                sums[c] += abs(a.pixels[4 * i + c] - b.pixels[4 * i + c])
    return [s / max(count, 1) for s in sums]


def mean(a, mask):
    sums, count = [0, 0, 0], 0
    for i, inside in enumerate(mask):
        if inside:
            count += 1
            for c in range(3):
                sums[c] += a.pixels[4 * i + c]
    return [s / max(count, 1) for s in sums]


def describe(values):
    return "(" + ", ".join(f"{v:.1f}" for v in values) + ")"


def _over_background(picture, i):
    alpha = picture.pixels[4 * i + 3]
    return [(picture.pixels[4 * i + c] * alpha + SHEET_BACKGROUND[c] * (255 - alpha)) // 255
            for c in range(3)]


def write_sheet(path, rows):
    """One row per (ours, three.js) pair: ours | three.js | amplified difference."""
    lines = []
    for ours, three in rows:
        for y in range(ours.height):
            line = bytearray()
            left, middle, right = bytearray(), bytearray(), bytearray()
            for x in range(ours.width):
                i = y * ours.width + x
                a, b = _over_background(ours, i), _over_background(three, i)
                left += bytes(a)
                middle += bytes(b)
                right += bytes(min(255, abs(a[c] - b[c]) * DIFFERENCE_GAIN) for c in range(3))
            line += left + middle + right
            lines.append(bytes(line))
    pngfile.write_png(path, rows[0][0].width * 3, len(lines), lines, channels=3)
