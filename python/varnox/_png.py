"""A picture of the display as a PNG file, written with zlib alone."""

import os
import struct
import tempfile
import zlib


def _chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def png_bytes(dots, scale):
    """Grey-scale PNG of a (rows, columns) array of 0/1, black for 1."""
    rows, columns = dots.shape
    lines = []
    for row in range(rows):
        line = bytes(0 if dot else 255 for dot in dots[row] for _ in range(scale))
        lines.extend([b"\0" + line] * scale)
    header = struct.pack(">IIBBBBB", columns * scale, rows * scale, 8, 0, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + _chunk(b"IHDR", header) + _chunk(b"IDAT", zlib.compress(b"".join(lines)))
            + _chunk(b"IEND", b""))


def write_whole(path, data):
    """Writes through a temporary file renamed over `path`: an old file
    stays whole until the new one is."""
    path = os.fspath(path)
    folder = os.path.dirname(os.path.abspath(path))
    handle, temporary = tempfile.mkstemp(dir=folder, prefix=".varnox-")
    try:
        with os.fdopen(handle, "wb") as out:
            out.write(data)
        os.replace(temporary, path)
    except BaseException:
        os.unlink(temporary)
        raise
