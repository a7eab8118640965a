"""Readers for the generated images, kept independent of the generators' writers."""

import math
import struct
import zlib


def read_png(path):
    """(width, height, channels, rows of bytes) of an 8-bit RGB or RGBA PNG, top row first."""
    with open(path, "rb") as f:
        data = f.read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", path
    pos, idat, header = 8, b"", None
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    width, height, depth, colour_type = header[:4]
    assert depth == 8 and colour_type in (2, 6), (path, depth, colour_type)
    channels = 3 if colour_type == 2 else 4
    raw, stride, rows, prev = zlib.decompress(idat), width * channels, [], bytearray(width * channels)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            left = line[i - channels] if i >= channels else 0
            up, up_left = prev[i], prev[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + left) & 255
            elif kind == 2:
                line[i] = (line[i] + up) & 255
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 255
            elif kind == 4:
                p = left + up - up_left
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - up_left)
                pred = left if pa <= pb and pa <= pc else up if pb <= pc else up_left
                line[i] = (line[i] + pred) & 255
        rows.append(bytes(line))
        prev = line
    return width, height, channels, rows


def jpeg_size(path):
    """(width, height, components) from the frame header of a baseline or progressive JPEG."""
    with open(path, "rb") as f:
        data = f.read()
    assert data[:2] == b"\xff\xd8", path
    pos = 2
    while pos < len(data):
        marker, length = data[pos + 1], struct.unpack(">H", data[pos + 2:pos + 4])[0]
        if marker in (0xC0, 0xC1, 0xC2):
            height, width = struct.unpack(">HH", data[pos + 5:pos + 9])
            return width, height, data[pos + 9]
        pos += 2 + length
    raise AssertionError("no frame header in " + path)


def read_hdr(path):
    """(width, height, rows of linear RGB) of a Radiance RGBE file with flat scanlines."""
    with open(path, "rb") as src:
        data = src.read()
    head, _, rest = data.partition(b"\n\n")
    assert head.startswith(b"#?RADIANCE") and b"FORMAT=32-bit_rle_rgbe" in head, path
    size_line, _, body = rest.partition(b"\n")
    _, height, _, width = size_line.split()
    width, height = int(width), int(height)
    rows = []
    for y in range(height):
        row = []
        for x in range(width):
            r, g, b, e = body[(y * width + x) * 4:(y * width + x) * 4 + 4]
            f = math.ldexp(1.0, e - 136) if e else 0.0
            row.append((r * f, g * f, b * f))
        rows.append(row)
    return width, height, rows
