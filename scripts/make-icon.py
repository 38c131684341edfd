#!/usr/bin/env python3
"""Writes src/res/relvo.ico, the program's icon (resource 128): a blue
rounded square with a white arrow pointing up, at 32x32 and 16x16 pixels,
32-bit colour with an AND mask, as the ICO format lays them out.
Usage: scripts/make-icon.py [OUTPUT]"""
import struct
import sys


def pixel(x, y, n):
    """BGRA of pixel (x, y), y from the top, of an n x n picture."""
    u, v = (x + 0.5) / n, (y + 0.5) / n
    r = 0.18  # corner radius
    cx = min(max(u, r), 1 - r)
    cy = min(max(v, r), 1 - r)
    if (u - cx) ** 2 + (v - cy) ** 2 > r * r or u < 0.03 or u > 0.97 or v < 0.03 or v > 0.97:
        return (0, 0, 0, 0)
    # The arrow: a triangle head over a shaft.
    head = 0.18 <= v <= 0.52 and abs(u - 0.5) <= (v - 0.18) * 0.95
    shaft = 0.5 <= v <= 0.82 and abs(u - 0.5) <= 0.11
    if head or shaft:
        return (255, 255, 255, 255)
    shade = int(40 * v)
    return (200 - shade, 110 - shade // 2, 30, 255)


def image(n):
    """BITMAPINFOHEADER (double height), XOR bits bottom-up, AND mask."""
    header = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = bytearray()
    mask = bytearray()
    row_bytes = ((n + 31) // 32) * 4
    for y in reversed(range(n)):
        row = bytearray(row_bytes)
        for x in range(n):
            b, g, r, a = pixel(x, y, n)
            xor += bytes((b, g, r, a))
            if a == 0:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += row
    return header + bytes(xor) + bytes(mask)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "src/res/relvo.ico"
    sizes = [32, 16]
    images = [image(n) for n in sizes]
    data = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for n, img in zip(sizes, images):
        data += struct.pack("<BBBBHHII", n, n, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    data += b"".join(images)
    with open(out, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()
