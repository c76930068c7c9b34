#!/usr/bin/env python3
"""Writes simple valid stand-ins for the wizard's picture resources, only where a file is
missing, so that the program builds before the real artwork exists:
IDR_DATA00..02 as 400x300 "CF" Packed Pictures (one pixel run per row, a gradient) and
IDR_DATA03 as a Chip Sheet of 40 frames of 112x32 (plain buttons, four looks each)."""
import os
import struct
import sys

W, H = 400, 300


def packed_picture(page):
    stream = bytearray()
    m = W - 2  # one 0xC0 code repeats its pixel M + 2 times: a whole row
    for row in range(H):  # bottom-up rows
        t = row * 255 // (H - 1)
        bgr = [(t, 40 + page * 60, 120), (60, t, 40 + page * 60), (40 + page * 60, 90, t)][page]
        stream += bytes([0xC0 | (m >> 8), m & 0xFF, *bgr])
    return struct.pack("<2sHHHHHI", b"CF", 0, 0, 0, W, H, len(stream)) + bytes(stream)


def chip_sheet():
    count, fw, fh = 40, 112, 32
    palette = bytearray(768)
    looks = [(150, 90, 40), (220, 160, 80), (90, 50, 20), (120, 120, 120), (255, 255, 255)]
    for i, (b, g, r) in enumerate(looks, start=1):
        palette[3 * i:3 * i + 3] = bytes([b, g, r])
    pixels = bytearray()
    for frame in range(count):
        look = 1 + frame % 4
        for y in range(fh):
            for x in range(fw):
                edge = x in (0, fw - 1) or y in (0, fh - 1)
                corner = (x < 2 or x >= fw - 2) and (y < 2 or y >= fh - 2)
                pixels.append(255 if corner else (5 if edge else look))
    return struct.pack("<iii", count, fw, fh) + bytes(palette) + bytes(pixels)


def main(folder):
    os.makedirs(folder, exist_ok=True)
    files = {f"IDR_DATA0{i}.bin": (lambda i=i: packed_picture(i)) for i in range(3)}
    files["IDR_DATA03.bin"] = chip_sheet
    for name, make in files.items():
        path = os.path.join(folder, name)
        if not os.path.exists(path):
            with open(path, "wb") as f:
                f.write(make())
            print("wrote", path)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "pictures"))
