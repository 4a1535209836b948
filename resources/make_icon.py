#!/usr/bin/env python3
"""Writes hoard.ico: the program's icon, a stack of three cache pages with a
folded corner, at 16x16 and 32x32 pixels in 32-bit colour.

Run from anywhere: python3 resources/make_icon.py
"""
import os
import struct

NAVY = (0x20, 0x3A, 0x78, 0xFF)
PAPER = (0xFA, 0xF6, 0xE8, 0xFF)
FOLD = (0xC8, 0xC0, 0xA8, 0xFF)
LINE = (0x5A, 0x7C, 0xC8, 0xFF)
ACCENT = (0xE0, 0x6A, 0x20, 0xFF)
CLEAR = (0, 0, 0, 0)


def page(pixels, size, left, top, width, height, lines):
    fold = max(2, width // 4)
    for y in range(top, top + height):
        for x in range(left, left + width):
            dx, dy = x - left, y - top
            if dx >= width - fold and dy < fold - (width - 1 - dx):
                continue  # cut corner
            edge = dx in (0, width - 1) or dy in (0, height - 1) or \
                dx - (width - fold) == dy
            colour = NAVY if edge else PAPER
            if not edge and dx >= width - fold and dy < fold:
                colour = FOLD
            if not edge and lines and dy >= fold + 1 and dy % 3 == 0 and \
                    2 <= dx < width - 2:
                colour = LINE
            pixels[y][x] = colour


def image(size):
    pixels = [[CLEAR] * size for _ in range(size)]
    step = size // 8
    w, h = size * 5 // 8, size * 3 // 4
    for i in range(3):
        page(pixels, size, i * step, i * step, w, h, i == 2)
    # A dot of colour so the pile reads as ours among other programs.
    r = max(2, size // 8)
    cx, cy = size - r - 1, r + 1
    for y in range(size):
        for x in range(size):
            if (x - cx) ** 2 + (y - cy) ** 2 <= r * r:
                pixels[y][x] = ACCENT
    return pixels


def bitmap(pixels):
    size = len(pixels)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = bytearray()
    for row in reversed(pixels):
        for r, g, b, a in row:
            xor += bytes((b, g, r, a))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(pixels):
        bits = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + bytes(xor) + bytes(mask)


def main():
    images = [bitmap(image(s)) for s in (16, 32)]
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for s, data in zip((16, 32), images):
        out += struct.pack("<BBBBHHII", s, s, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for data in images:
        out += data
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "hoard.ico")
    with open(path, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()
