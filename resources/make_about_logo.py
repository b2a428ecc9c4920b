#!/usr/bin/env python3
"""Draws the about box's logo and writes it as about_logo.gif: one interlaced GIF89a frame of 16
colours with a graphic control extension whose transparent index 15 lets the window show through.

Run it again after changing the drawing; the file it writes is committed beside it.
"""
import math
import struct

W, H = 160, 120
TRANSPARENT = 15
# Dark blue to light cyan ramp for the rings, white for the letters, the last entry is see-through.
PALETTE = [(0, 0, 0)] + [(20 + 12 * i, 40 + 14 * i, 90 + 11 * i) for i in range(12)] + [(255, 255, 255), (255, 200, 40), (255, 0, 255)]

# 5 x 7 glyphs of the two letters, one string per row.
GLYPHS = {
    "t": ["01000", "01000", "11110", "01000", "01000", "01001", "00110"],
    "b": ["10000", "10000", "10110", "11001", "10001", "10001", "11110"],
}


def pixel(x, y):
    cx, cy = W / 2, H / 2
    d = math.hypot((x - cx) * 1.0, (y - cy) * 1.4)
    scale = 6
    for i, ch in enumerate("tb"):
        gx = (x - (W // 2 - 5 * scale - 3 + i * (5 * scale + 6))) // scale
        gy = (y - (H // 2 - 7 * scale // 2)) // scale
        if 0 <= gx < 5 and 0 <= gy < 7 and GLYPHS[ch][gy][gx] == "1":
            return 13
    if d > 58:
        return TRANSPARENT
    if 52 < d <= 58:
        return 14
    return 1 + int(d / 52 * 11.99)


def literal_lzw(indices, code_size):
    """Every pixel a literal code, a clear code before the table would widen the codes."""
    clear = 1 << code_size
    width = code_size + 1
    every = clear - 2
    acc = nbits = 0
    out = bytearray()

    def put(code):
        nonlocal acc, nbits
        acc |= code << nbits
        nbits += width
        while nbits >= 8:
            out.append(acc & 0xFF)
            acc >>= 8
            nbits -= 8

    for n, p in enumerate(indices):
        if n % every == 0:
            put(clear)
        put(p)
    put(clear + 1)
    if nbits:
        out.append(acc & 0xFF)
    blocks = bytearray([code_size])
    for at in range(0, len(out), 255):
        part = out[at:at + 255]
        blocks += bytes([len(part)]) + part
    return bytes(blocks + b"\0")


def interlaced_rows(height):
    return list(range(0, height, 8)) + list(range(4, height, 8)) + list(range(2, height, 4)) + list(range(1, height, 2))


def main():
    gif = bytearray(b"GIF89a")
    gif += struct.pack("<HHBBB", W, H, 0x80 | (3 << 4) | 3, 0, 0)
    for r, g, b in PALETTE:
        gif += bytes((r, g, b))
    gif += b"!\xF9\x04" + bytes((1,)) + struct.pack("<H", 0) + bytes((TRANSPARENT, 0))
    gif += b"," + struct.pack("<HHHHB", 0, 0, W, H, 0x40)
    stored = [pixel(x, y) for y in interlaced_rows(H) for x in range(W)]
    gif += literal_lzw(stored, 4)
    gif += b";"
    with open("about_logo.gif", "wb") as f:
        f.write(gif)


if __name__ == "__main__":
    main()
