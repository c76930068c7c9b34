#!/usr/bin/env python3
"""Draws the program icon "STARTICO" (32x32 and 16x16, 32-bit with alpha) into startico.ico.

The output depends only on this script: run it again to get the same bytes.
"""
import math
import struct
import sys


def pixel(x, y, size):
    """Blue disc with a gold box and a white down arrow: an installer."""
    c = (size - 1) / 2.0
    r = math.hypot(x - c, y - c)
    if r > size / 2.0:
        return (0, 0, 0, 0)
    b, g, rd = 160, 70, 20
    if r > size / 2.0 - max(1.0, size / 16.0):
        b, g, rd = 90, 30, 10
    s = size / 32.0
    if 8 * s <= x < 24 * s and 17 * s <= y < 26 * s:
        b, g, rd = 40, 170, 230
        if abs(x - c) < 1.2 * s or y < 18.5 * s:
            b, g, rd = 20, 110, 170
    ax = abs(x - c)
    if 5 * s <= y < 12 * s and ax < 2.0 * s:
        b, g, rd = 255, 255, 255
    if 12 * s <= y < 16 * s and ax < (16 * s - y) * 1.4:
        b, g, rd = 255, 255, 255
    return (b, g, rd, 255)


def image(size):
    rows = []
    for y in reversed(range(size)):  # bottom-up
        rows.append(b"".join(struct.pack("4B", *pixel(x, y, size)) for x in range(size)))
    xor = b"".join(rows)
    mask_row = ((size + 31) // 32) * 4
    mask = b"\0" * (mask_row * size)  # alpha decides; the AND mask stays clear
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return header + xor + mask


def main(out):
    sizes = [32, 16]
    images = [image(s) for s in sizes]
    data = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for s, img in zip(sizes, images):
        data += struct.pack("<BBBBHHII", s, s, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    data += b"".join(images)
    with open(out, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "startico.ico")
