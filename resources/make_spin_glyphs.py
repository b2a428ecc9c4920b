#!/usr/bin/env python3
"""Draws the spin button's two arrow glyphs as 24-bit BMP files (olive is the transparent colour).

Run it again after changing a drawing; the files it writes are committed beside it.
"""
import struct

OLIVE = (128, 128, 0)
BLACK = (0, 0, 0)


def bmp_24(width, height, pixel):
    stride = ((width * 24 + 31) // 32) * 4
    rows = bytearray()
    for y in range(height - 1, -1, -1):
        row = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        rows += row + bytes(stride - len(row))
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(rows), 0, 0, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(rows), 0, 0, 14 + len(info))
    return header + info + rows


def arrow(up):
    # A 7 by 4 triangle inside a one-pixel olive border (the bottom-left pixel names the transparent colour):
    # the widest row at the bottom for the up arrow, at the top for the down arrow.
    def pixel(x, y):
        if not (1 <= x <= 7 and 1 <= y <= 4):
            return OLIVE
        row = 4 - y if up else y - 1
        return BLACK if abs(x - 4) <= 3 - row else OLIVE
    return pixel


if __name__ == "__main__":
    with open("kit_spin_up.bmp", "wb") as f:
        f.write(bmp_24(9, 6, arrow(True)))
    with open("kit_spin_down.bmp", "wb") as f:
        f.write(bmp_24(9, 6, arrow(False)))
