"""Image files for the data generators: JPEG through libjpeg-turbo's cjpeg, Radiance RGBE (.hdr)
with the standard library, PNG through pngfile, and the up-to-date test the generators share.

Every writer takes rows top row first; colour values are floats in 0..1 for JPEG and PNG (rounded
to 8 bits) and linear floats of any size for RGBE."""

import math
import os
import shutil
import subprocess

from pngfile import write_png


def up_to_date(outputs, sources):
    """True when every output exists and is newer than every source file."""
    try:
        oldest = min(os.path.getmtime(p) for p in outputs)
    except FileNotFoundError:
        return False
    return oldest >= max(os.path.getmtime(p) for p in sources)


def to_byte(v):
    v = 0.0 if v < 0.0 else 1.0 if v > 1.0 else v
    return int(v * 255.0 + 0.5)


def pack_rows(rows):
    """Float rows of (r, g, b[, a]) tuples into bytes rows."""
    return [bytes(to_byte(c) for pixel in row for c in pixel) for row in rows]


def write_rgb_png(path, rows, channels=3):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    write_png(path, len(rows[0]), len(rows), pack_rows(rows), channels)


def write_jpg(path, rows, quality=92):
    """Encodes float RGB rows as a baseline JPEG with cjpeg (deterministic for one version)."""
    cjpeg = shutil.which("cjpeg")
    if cjpeg is None:
        raise SystemExit("cjpeg is missing: install libjpeg-turbo-progs with tools/install-deps.sh")
    height, width = len(rows), len(rows[0])
    ppm = b"P6\n%d %d\n255\n" % (width, height) + b"".join(pack_rows(rows))
    os.makedirs(os.path.dirname(path), exist_ok=True)
    subprocess.run([cjpeg, "-quality", str(quality), "-optimize", "-outfile", path],
                   input=ppm, check=True)


def rgbe(r, g, b):
    """One pixel in Radiance's shared-exponent form."""
    m = max(r, g, b)
    if m < 1e-32:
        return b"\0\0\0\0"
    mantissa, exponent = math.frexp(m)
    scale = mantissa * 256.0 / m
    return bytes((int(r * scale), int(g * scale), int(b * scale), exponent + 128))


def write_hdr(path, rows):
    """Radiance RGBE file with flat (not run-length encoded) scanlines, top row first."""
    height, width = len(rows), len(rows[0])
    header = b"#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y %d +X %d\n" % (height, width)
    body = b"".join(rgbe(*pixel[:3]) for row in rows for pixel in row)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as out:
        out.write(header + body)

