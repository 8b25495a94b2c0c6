"""Reads the few facts the asset tests need straight from PNG and JPEG bytes,
so the tests run without an imaging library."""

import struct
import zlib


def jpeg_size(data):
    """(width, height) from a baseline or progressive JPEG's frame header.
    Raises ValueError when the data is not a JPEG or has no frame header."""
    if data[:2] != b"\xff\xd8":
        raise ValueError("no start-of-image marker")
    pos = 2
    while pos + 4 <= len(data):
        if data[pos] != 0xFF:
            raise ValueError(f"no marker at offset {pos}")
        marker = data[pos + 1]
        if marker == 0xFF:  # fill byte
            pos += 1
            continue
        length = struct.unpack(">H", data[pos + 2:pos + 4])[0]
        if 0xC0 <= marker <= 0xCF and marker not in (0xC4, 0xC8, 0xCC):
            height, width = struct.unpack(">HH", data[pos + 5:pos + 9])
            return width, height
        pos += 2 + length
    raise ValueError("no frame header")


def png_chunks(data):
    """Yields (type, body) for each chunk; checks the signature and each CRC."""
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("no PNG signature")
    pos = 8
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        crc = struct.unpack(">I", data[pos + 8 + length:pos + 12 + length])[0]
        if zlib.crc32(kind + body) != crc:
            raise ValueError(f"bad CRC in {kind!r}")
        yield kind.decode("ascii"), body
        pos += 12 + length


def png_info(data):
    """dict with width, height, colour_type, palette_size and has_alpha (an
    alpha channel, or a tRNS chunk for a palette image)."""
    info = {"palette_size": 0, "has_alpha": False}
    for kind, body in png_chunks(data):
        if kind == "IHDR":
            info["width"], info["height"], _, info["colour_type"] = struct.unpack(">IIBB", body[:10])
            info["has_alpha"] = info["colour_type"] in (4, 6)
        elif kind == "PLTE":
            info["palette_size"] = len(body) // 3
        elif kind == "tRNS":
            info["has_alpha"] = True
    return info
