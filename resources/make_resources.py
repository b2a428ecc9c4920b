#!/usr/bin/env python3
"""Draws the program's own main icon and the kit's two cursors and writes them as .ico/.cur files.

Run it again after changing a drawing; the files it writes are committed beside it.
"""
import os
import struct


def dib_24(size, pixel):
    """One 24-bit icon image: header, colour rows bottom-up, then the AND mask (1 = transparent)."""
    stride = ((size * 24 + 31) // 32) * 4
    mstride = ((size + 31) // 32) * 4
    color, mask = bytearray(), bytearray()
    for y in range(size - 1, -1, -1):
        row, mrow = bytearray(), bytearray(mstride)
        for x in range(size):
            c = pixel(x, y, size)
            if c is None:
                row += b"\0\0\0"
                mrow[x // 8] |= 0x80 >> (x % 8)
            else:
                r, g, b = c
                row += bytes((b, g, r))
        row += bytes(stride - len(row))
        color += row
        mask += mrow
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 24, 0, len(color) + len(mask), 0, 0, 0, 0)
    return header + color + mask


def dib_mono(size, pixel):
    """One monochrome cursor image: pixel gives 'b' (black), 'w' (white) or None (transparent)."""
    stride = ((size + 31) // 32) * 4
    xor, andm = bytearray(), bytearray()
    for y in range(size - 1, -1, -1):
        xrow, arow = bytearray(stride), bytearray(stride)
        for x in range(size):
            c = pixel(x, y)
            bit = 0x80 >> (x % 8)
            if c is None:
                arow[x // 8] |= bit
            elif c == "w":
                xrow[x // 8] |= bit
        xor += xrow
        andm += arow
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 1, 0, len(xor) + len(andm), 0, 0, 2, 0)
    palette = bytes((0, 0, 0, 0, 255, 255, 255, 0))
    return header + palette + xor + andm


def container(kind, images):
    """images: list of (size, extra1, extra2, data); ICO: planes/bitcount, CUR: hotspot x/y."""
    out = struct.pack("<HHH", 0, kind, len(images))
    offset = 6 + 16 * len(images)
    for size, a, b, data in images:
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, a, b, len(data), offset)
        offset += len(data)
    for _, _, _, data in images:
        out += data
    return out



def write_icon_folder(name, icons):
    """Writes each drawing of icons (name: pixel(x, y, size)) as a 16 x 16 icon into icons/<name>/ here."""
    folder = os.path.join(os.path.dirname(os.path.abspath(__file__)), "icons", name)
    os.makedirs(folder, exist_ok=True)
    for icon, draw in icons.items():
        with open(os.path.join(folder, icon + ".ico"), "wb") as f:
            f.write(container(1, [(16, 1, 24, dib_24(16, draw))]))

def main_icon(x, y, size):
    # A rounded dark-blue tile with an orange wave and a light bar: the sample memory of the card.
    s = size / 32.0
    cx, cy = x / s, y / s
    corner = 4
    if (cx < corner and cy < corner and (corner - cx) ** 2 + (corner - cy) ** 2 > corner ** 2) or \
       (cx > 31 - corner and cy < corner and (cx - 31 + corner) ** 2 + (corner - cy) ** 2 > corner ** 2) or \
       (cx < corner and cy > 31 - corner and (corner - cx) ** 2 + (cy - 31 + corner) ** 2 > corner ** 2) or \
       (cx > 31 - corner and cy > 31 - corner and (cx - 31 + corner) ** 2 + (cy - 31 + corner) ** 2 > corner ** 2):
        return None
    import math
    wave = 13 + 7 * math.sin(cx / 31 * 2 * math.pi)
    if abs(cy - wave) < 2.2:
        return (250, 150, 30)
    if 23 <= cy <= 27 and 4 <= cx <= 27:
        return (200, 220, 240) if int(cx) % 4 else (40, 60, 110)
    return (30, 50, 120)


def hand_cursor(x, y):
    # A pointing hand: finger up from (10, 0), palm below.
    finger = 8 <= x <= 12 and 1 <= y <= 12
    palm = 5 <= x <= 20 and 10 <= y <= 24
    outline = (x in (7, 13) and 1 <= y <= 12) or y == 0 and 8 <= x <= 12 or \
        (x in (4, 21) and 10 <= y <= 24) or (y in (9, 25) and 4 <= x <= 21)
    if outline:
        return "b"
    if finger or palm:
        return "w"
    return None


def drag_cursor(x, y):
    # An arrow with a small sheet below-right: something being dragged.
    if x <= 11 and y <= 16 and x <= y:
        return "b" if x == 0 or x == y or y == 16 else "w"
    if 12 <= x <= 24 and 17 <= y <= 27:
        return "b" if x in (12, 24) or y in (17, 27) else "w"
    return None


if __name__ == "__main__":
    with open("mainicon.ico", "wb") as f:
        f.write(container(1, [(32, 1, 24, dib_24(32, main_icon)), (16, 1, 24, dib_24(16, main_icon))]))
    with open("kit_hand.cur", "wb") as f:
        f.write(container(2, [(32, 10, 0, dib_mono(32, hand_cursor))]))
    with open("kit_drag.cur", "wb") as f:
        f.write(container(2, [(32, 0, 0, dib_mono(32, drag_cursor))]))
