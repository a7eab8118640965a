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
    return bytes(1 if x >= COVERED_ALPHA or y >= COVERED_ALPHA else 0
                 for x, y in zip(a.pixels[3::4], b.pixels[3::4]))


def box_mask(box, width, height):
    x0, y0, x1, y1 = box
    row = bytes(1 if x0 <= x < x1 else 0 for x in range(width))
    empty = bytes(width)
    return b"".join(row if y0 <= y < y1 else empty for y in range(height))


def mean_difference(a, b, mask):
    """Mean absolute difference of r, g and b over the masked pixels."""
    count = max(sum(mask), 1)
    return [sum(abs(x - y) for x, y, m in zip(a.pixels[c::4], b.pixels[c::4], mask) if m) / count
            for c in range(3)]


def mean(a, mask):
    count = max(sum(mask), 1)
    return [sum(x for x, m in zip(a.pixels[c::4], mask) if m) / count for c in range(3)]


def describe(values):
    return "(" + ", ".join(f"{v:.1f}" for v in values) + ")"


def _over_background(picture):
    """The picture's RGB bytes over the sheet background."""
    out = bytearray(picture.width * picture.height * 3)
    alpha = picture.pixels[3::4]
    for c in range(3):
        back = SHEET_BACKGROUND[c]
        out[c::3] = bytes((v * k + back * (255 - k)) // 255
                          for v, k in zip(picture.pixels[c::4], alpha))
    return bytes(out)


def write_sheet(path, rows):
    """One row per (ours, three.js) pair: ours | three.js | amplified difference."""
    lines = []
    for ours, three in rows:
        a, b = _over_background(ours), _over_background(three)
        difference = bytes(min(255, abs(x - y) * DIFFERENCE_GAIN) for x, y in zip(a, b))
        stride = ours.width * 3
        for y in range(ours.height):
            line = slice(y * stride, (y + 1) * stride)
            lines.append(a[line] + b[line] + difference[line])
    pngfile.write_png(path, rows[0][0].width * 3, len(lines), lines, channels=3)
