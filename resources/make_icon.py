#!/usr/bin/env python3
"""Writes pictor.ico: a green square frame on a transparent background at 16, 32 and 48 pixels.

The icon is committed; run this only to change it.
"""
import struct
import sys
from pathlib import Path

GREEN = (0x00, 0xFF, 0x00, 0xFF)        # B, G, R, A: pure green, opaque
CLEAR = (0x00, 0x00, 0x00, 0x00)


def frame_pixels(size):
    ring = max(2, size // 8)
    inset = max(1, size // 16)
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            inside_outer = inset <= x < size - inset and inset <= y < size - inset
            inside_inner = inset + ring <= x < size - inset - ring and inset + ring <= y < size - inset - ring
            row.append(GREEN if inside_outer and not inside_inner else CLEAR)
        rows.append(row)
    return rows


def dib_image(size):
    """One icon image: BITMAPINFOHEADER, 32-bit XOR bitmap bottom-up, 1-bit AND mask."""
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = frame_pixels(size)
    xor = b"".join(bytes(p) for row in reversed(pixels) for p in row)
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(pixels):
        bits = bytearray(mask_stride)
        for x, p in enumerate(row):
            if p[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + xor + bytes(mask)


def main(target):
    sizes = (16, 32, 48)
    images = [dib_image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for size, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b"".join(images)
    Path(target).write_bytes(out)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else Path(__file__).with_name("pictor.ico"))
