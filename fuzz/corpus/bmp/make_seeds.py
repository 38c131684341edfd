#!/usr/bin/env python3
"""Writes the seed pictures of the BMP fuzz target into this folder.

Run from anywhere: python3 fuzz/corpus/bmp/make_seeds.py
ok-* are sound pictures (the unit tests check that they draw); bad-* are
refused ones. Crashing inputs the fuzzer finds are kept here as crash-*.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def bmp(width, height, bits, pixels, colors=(), header=40, compression=0,
        masks=(), clr_used=0, size_image=None, off_bits=None, packed=None):
    rows = abs(height)
    stride = (width * bits + 31) // 32 * 4
    body = b"" if packed is None else packed
    for r in range(rows if packed is None else 0):
        y = r if height < 0 else rows - 1 - r
        line = bytearray(stride)
        for x in range(width):
            v = pixels(x, y)
            if bits < 8:
                per = 8 // bits
                line[x // per] |= v << (8 - bits * (x % per + 1))
            else:
                n = bits // 8
                line[x * n:(x + 1) * n] = v.to_bytes(4, "little")[:n]
        body += bytes(line)
    info = struct.pack("<IiiHHIIiiII", header, width, height, 1, bits, compression,
                       len(body) if size_image is None else size_image, 2835, 2835, clr_used, 0)
    extra = b""
    if header > 40:
        m = list(masks) + [0] * ((header - 40) // 4 - len(masks))
        info += struct.pack("<%dI" % len(m), *m)
    elif masks:
        extra = struct.pack("<3I", *masks)
    table = b"".join(struct.pack("<BBBB", c & 255, (c >> 8) & 255, c >> 16, 0) for c in colors)
    start = 14 + len(info) + len(extra) + len(table)
    head = struct.pack("<2sIHHI", b"BM", start + len(body), 0, 0, start if off_bits is None else off_bits)
    return head + info + extra + table + body


SEEDS = {
    "ok-1bit.bmp": bmp(9, 3, 1, lambda x, y: (x + y) & 1, colors=(0x000000, 0xFFFFFF)),
    "ok-4bit-size0.bmp": bmp(10, 3, 4, lambda x, y: (x * 3 + y) % 16,
                             colors=[i * 0x111111 for i in range(16)], size_image=0),
    "ok-8bit-offset0.bmp": bmp(5, 4, 8, lambda x, y: x * 4 + y, colors=[i * 0x010203 for i in range(20)],
                               clr_used=20, off_bits=0),
    "ok-24bit.bmp": bmp(3, 3, 24, lambda x, y: x * 0x500000 + y * 0x5000 + 7),
    "ok-24bit-topdown.bmp": bmp(3, -3, 24, lambda x, y: x * 0x500000 + y * 0x5000 + 7),
    "ok-16bit-565.bmp": bmp(3, 2, 16, lambda x, y: (x * 0x0841 + y * 0x1000) & 0xFFFF,
                            compression=3, masks=(0xF800, 0x07E0, 0x001F)),
    "ok-16bit-555.bmp": bmp(3, 2, 16, lambda x, y: (x * 0x0421 + y) & 0x7FFF),
    "ok-32bit-v5.bmp": bmp(2, -2, 32, lambda x, y: 0xFF000000 | (x * 0x80 + y * 0x8000), header=124,
                           compression=3, masks=(0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000)),
    "ok-8bit-v4.bmp": bmp(4, 2, 8, lambda x, y: x + y, colors=(0x102030, 0x405060, 0x708090, 0xA0B0C0, 0xD0E0F0),
                          header=108, clr_used=5),
    "bad-core.bmp": struct.pack("<2sIHHI", b"BM", 30, 0, 0, 26) + struct.pack("<IHHHH", 12, 1, 1, 1, 24) + b"\0" * 4,
    # Run-length pictures: encoded and absolute runs (odd ones padded), a
    # delta, ends of line, a run past the row; and one made of ends of line only.
    "ok-rle8.bmp": bmp(6, 4, 8, None, colors=(0, 0xFF0000, 0x00FF00, 0x0000FF), compression=1, clr_used=4,
                       packed=bytes([3, 1, 0, 3, 2, 3, 1, 0, 0, 0, 9, 2, 0, 0, 0, 2, 2, 1, 2, 3, 0, 1])),
    "ok-rle4.bmp": bmp(7, 3, 4, None, colors=[i * 0x111111 for i in range(16)], compression=2,
                       packed=bytes([5, 0x1F, 0, 0, 0, 5, 0x23, 0x45, 0x60, 0, 0, 2, 1, 0, 9, 0xAB, 0, 1])),
    "ok-rle8-eol-only.bmp": bmp(2, 2, 8, lambda x, y: 0, colors=(0, 0xFFFFFF), compression=1, clr_used=2),
    # Raw rows under RLE8 (runs of nothing), and a color table cut short.
    "bad-rle8.bmp": bmp(2, 2, 8, lambda x, y: 0, colors=(0, 0xFFFFFF), compression=1),
    "bad-rle8-topdown.bmp": bmp(2, -2, 8, None, colors=(0, 0xFFFFFF), compression=1, packed=bytes([2, 1, 0, 1])),
    "bad-rle4-at-8-bits.bmp": bmp(2, 2, 8, None, colors=(0, 0xFFFFFF), compression=2, packed=bytes([2, 1, 0, 1])),
    "bad-short-image-size.bmp": bmp(4000, 2, 8, lambda x, y: 0, colors=(0, 0xFFFFFF), size_image=8)[:200],
}

for name, data in SEEDS.items():
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)
