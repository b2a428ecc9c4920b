#!/usr/bin/env python3
"""Writes the two Cubase module device templates the exporters copy and patch.

cubase_drv_sep.dev holds one bank block (one bank per file), cubase_drv.dev twelve. Each is the magic
"DEV ", the file's length as a big-endian u32, the author, the texts the exporters overwrite, and zeros
everywhere else. Run it again after changing the layout; the files it writes are committed beside it.
"""
import os
import struct

BLOCK_LABELS = 0x3B3  # bank block k: label at +1 (8 bytes), bank number at +16
BLOCK_STRIDE = 0x1C
NAME_SIZE = 20
PROGRAMS = 128


def put(frame, offset, data):
    frame[offset:offset + len(data)] = data


def template(size, blocks, names_at):
    frame = bytearray(size)
    put(frame, 0, b"DEV " + struct.pack(">I", size))
    put(frame, 0x0E, b"BankName")
    put(frame, 0x16, b"_000-011")
    put(frame, 0x20, b"M000-011")
    put(frame, 0x44, b"Morvathel")
    put(frame, 0x1EA, b"Module")
    for k in range(blocks):
        put(frame, BLOCK_LABELS + k * BLOCK_STRIDE + 1, b"NoName".ljust(8, b"\0"))
        put(frame, names_at(k), b"this bank is empty".ljust(NAME_SIZE, b" "))
    end = names_at(blocks - 1) + PROGRAMS * NAME_SIZE
    assert end == size, (hex(end), hex(size))
    return bytes(frame)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    files = {
        "cubase_drv_sep.dev": template(3536, 1, lambda k: 0x3D0),
        "cubase_drv.dev": template(32004, 12, lambda k: 0x504 + k * PROGRAMS * NAME_SIZE),
    }
    for name, data in files.items():
        with open(os.path.join(here, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
