"""Writes 8-bit RGB or RGBA PNG files with the standard library only (zlib + struct)."""
import struct
import zlib


def _chunk(kind, payload):
    body = kind + payload
    return struct.pack(">I", len(payload)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def encode_png(width, height, rows, channels=3):
    """The bytes of a PNG file; rows as for write_png."""
    color_type = {3: 2, 4: 6}[channels]
    raw = b"".join(b"\x00" + bytes(row) for row in rows)
    header = struct.pack(">IIBBBBB", width, height, 8, color_type, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + _chunk(b"IHDR", header) +
            _chunk(b"IDAT", zlib.compress(raw, 9)) + _chunk(b"IEND", b""))


def write_png(path, width, height, rows, channels=3):
    """rows: an iterable of `height` bytes objects, each width * channels bytes, top row first."""
    with open(path, "wb") as out:
        out.write(encode_png(width, height, rows, channels))
