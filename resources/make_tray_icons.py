#!/usr/bin/env python3
"""Draws the server's four tray state icons (16 x 16) into icons/tray/.

The run script copies the folder beside the programs, where the server looks for icons\\tray.
Run it again after changing a drawing; the files it writes are committed.
"""
import math
import os

from make_resources import container, dib_24

# Tile colour and wave colour of each state.
STATES = {
    "idle": ((30, 50, 120), (90, 200, 90)),
    "working": ((30, 50, 120), (250, 150, 30)),
    "error": ((150, 20, 20), (255, 230, 230)),
    "disabled": ((110, 110, 110), (190, 190, 190)),
}


def tray_pixel(tile, wave, cross):
    def pixel(x, y, size):
        # A tile with clipped corners and the main icon's wave; the error icon adds a cross.
        if (x in (0, size - 1)) and (y in (0, size - 1)):
            return None
        if cross and (x == y or x == size - 1 - y) and 2 <= x <= size - 3:
            return wave
        height = size / 2 + (size / 4) * math.sin(x / (size - 1) * 2 * math.pi)
        if not cross and abs(y - height) < 1.2:
            return wave
        return tile
    return pixel


if __name__ == "__main__":
    folder = os.path.join(os.path.dirname(os.path.abspath(__file__)), "icons", "tray")
    os.makedirs(folder, exist_ok=True)
    for name, (tile, wave) in STATES.items():
        with open(os.path.join(folder, name + ".ico"), "wb") as f:
            f.write(container(1, [(16, 1, 24, dib_24(16, tray_pixel(tile, wave, name == "error")))]))
