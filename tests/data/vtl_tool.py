#!/usr/bin/env python3
"""An independent reader and writer of packed data files, using only zlib and struct.

  vtl_tool.py dump FILE       checks FILE strictly and prints one line per chunk:
                              the name, a tab, the data as hex
  vtl_tool.py pack FILE DIR   packs every file below DIR (sorted, names relative to DIR with
                              forward slashes) into FILE
"""
import os
import struct
import sys
import zlib

MAGIC = b"Vorantil Data File"
CHUNK_MAGIC = b"VTLDFC"


def dump(path):
    with open(path, "rb") as f:
        raw = f.read()
    if raw[:18] != MAGIC:
        sys.exit("bad magic")
    major, minor, size = struct.unpack_from("<BBI", raw, 18)
    if (major, minor) != (2, 0):
        sys.exit(f"bad version {major}.{minor}")
    stream = zlib.decompress(raw[24:])
    if len(stream) != size:
        sys.exit(f"size field {size}, stream {len(stream)}")
    offset = 0
    while offset < len(stream):
        if stream[offset:offset + 6] != CHUNK_MAGIC:
            sys.exit(f"bad chunk magic at {offset}")
        name_length, data_length = struct.unpack_from("<II", stream, offset + 6)
        start = offset + 14
        end = start + name_length + data_length
        if end > len(stream) or name_length == 0:
            sys.exit(f"bad chunk at {offset}")
        name = stream[start:start + name_length].decode("utf-8")
        data = stream[start + name_length:end]
        print(f"{name}\t{data.hex()}")
        offset = end


def pack(path, folder):
    names = []
    for root, _, files in os.walk(folder):
        for file in files:
            names.append(os.path.relpath(os.path.join(root, file), folder).replace(os.sep, "/"))
    stream = bytearray()
    for name in sorted(names):
        with open(os.path.join(folder, name), "rb") as f:
            data = f.read()
        encoded = name.encode("utf-8")
        stream += CHUNK_MAGIC + struct.pack("<II", len(encoded), len(data)) + encoded + data
    with open(path, "wb") as f:
        f.write(MAGIC + struct.pack("<BBI", 2, 0, len(stream)) + zlib.compress(bytes(stream)))


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == "dump":
        dump(sys.argv[2])
    elif len(sys.argv) == 4 and sys.argv[1] == "pack":
        pack(sys.argv[2], sys.argv[3])
    else:
        sys.exit(__doc__)
