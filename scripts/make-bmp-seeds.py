#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes the tiny BMP files that seed the BMP reader's fuzz target
(fuzz/seeds/bmp/). Each covers one header form or pixel coding."""
import os
import struct
import sys

OUT = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "fuzz", "seeds", "bmp")


def info(size, w, h, bits, comp=0, colors=0, image=0):
    """A Windows-style information header of `size` bytes (40, 52, 56, 108,
    124, or an OS/2 2.x size from 16 to 64), zero-filled past its fields."""
    fields = struct.pack("<IiiHHIIiiII", size, w, h, 1, bits, comp, image, 2835, 2835, colors, 0)
    return (fields + bytes(max(0, size - len(fields))))[:size]


def core(w, h, bits):
    return struct.pack("<IHHHH", 12, w, h, 1, bits)


def bmp(header, extra, pixels):
    off = 14 + len(header) + len(extra)
    return b"BM" + struct.pack("<IHHI", off + len(pixels), 0, 0, off) + header + extra + pixels


def pal(colors, entry=4):
    return b"".join(bytes((b, g, r, 0)[:entry]) for r, g, b in colors)


RGB = [(255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 255)]


def rows(data_rows, row_bytes):
    return b"".join(r + bytes(row_bytes - len(r)) for r in data_rows)


seeds = {
    "rgb24-2x2.bmp": bmp(info(40, 2, 2, 24), b"", rows([bytes([0, 0, 255, 0, 255, 0]), bytes([255, 0, 0, 9, 9, 9])], 8)),
    "pal8-topdown-3x2.bmp": bmp(info(40, 3, -2, 8, colors=4), pal(RGB), rows([b"\0\1\2", b"\3\2\1"], 4)),
    "pal1-9x2.bmp": bmp(info(40, 9, 2, 1, colors=2), pal(RGB[:2]), rows([b"\xa5\x80", b"\x5a\x00"], 4)),
    "pal2-5x1.bmp": bmp(info(40, 5, 1, 2, colors=4), pal(RGB), rows([b"\x1b\xc0"], 4)),
    "pal4-short-palette-3x1.bmp": bmp(info(40, 3, 1, 4, colors=2), pal(RGB[:2]), rows([b"\x01\x70"], 4)),
    "rle8-deltas-4x3.bmp": bmp(info(40, 4, 3, 8, comp=1, colors=4), pal(RGB),
                               bytes([2, 1, 0, 3, 2, 3, 1, 0, 0, 0, 2, 0, 1, 2, 3, 0, 0, 1])),
    "rle4-runs-5x2.bmp": bmp(info(40, 5, 2, 4, comp=2, colors=4), pal(RGB),
                             bytes([5, 0x12, 0, 0, 0, 5, 0x01, 0x23, 0x10, 0, 0, 1])),
    "bf16-565-2x1.bmp": bmp(info(40, 2, 1, 16, comp=3), struct.pack("<III", 0xF800, 0x07E0, 0x001F),
                            struct.pack("<HH", 0xFFFF, 0x8410)),
    "bf32-v5-odd-masks-2x1.bmp": bmp(info(124, 2, 1, 32, comp=3)[:40] + struct.pack("<IIII", 0x3FF, 0xFFC00, 0x3FF00000, 0xC0000000)
                                     + bytes(124 - 56), b"", struct.pack("<II", 0x12345678, 0xFFFFFFFF)),
    "os2v1-pal4-3x1.bmp": bmp(core(3, 1, 4), pal(RGB, 3), rows([b"\x12\x30"], 4)),
    "os2v2-16byte-pal8-2x1.bmp": bmp(info(16, 2, 1, 8), pal(RGB + [(0, 0, 0)] * 252), rows([b"\x01\x02"], 4)),
    "os2v2-rle24-3x1.bmp": bmp(info(64, 3, 1, 24, comp=4), b"", bytes([2, 1, 2, 3, 1, 4, 5, 6, 0, 0, 0, 1])),
    "v4-rgb32-1x1.bmp": bmp(info(108, 1, 1, 32), b"", bytes([10, 20, 30, 0])),
}

os.makedirs(OUT, exist_ok=True)
for name, data in seeds.items():
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(data)
print(f"wrote {len(seeds)} seeds to {OUT}")
