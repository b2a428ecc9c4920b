#!/usr/bin/env python3
"""Draws the monitor's icons (16 x 16) into icons/monitor/: the row lamps, the sort marks of the column
headers and the images of the monitor's actions.

The build copies the folder beside tb_tools.exe, where the monitor looks for icons\\monitor.
Run it again after changing a drawing; the files it writes are committed.
"""
from icon_parts import GREEN, RED, cross, plain, sheet, with_star
from make_main_icons import ACCENT, INK, PAPER, customize
from make_resources import write_icon_folder


def lamp(fill):
    def draw(x, y, size):
        dx, dy = x - 7.5, y - 7.5
        r2 = dx * dx + dy * dy
        if r2 <= 16:
            return fill
        if r2 <= 25:
            return INK
        return None
    return draw


def arrow(down):
    def draw(x, y, size):
        row = 13 - y if down else y
        if 3 <= row <= 12 and abs(x - 7.5) <= (row - 3) / 2 + 0.5:
            return INK
        return None
    return draw


def chip(x, y):
    # A memory chip: the body with pins at the top and bottom.
    if 3 <= x <= 12 and 3 <= y <= 12:
        return INK if x in (3, 12) or y in (3, 12) else PAPER
    if x in (5, 7, 9, 11) and y in (1, 2, 13, 14):
        return INK
    return None


def wave_file(x, y):
    if 2 <= x <= 12 and 1 <= y <= 14:
        if x in (2, 12) or y in (1, 14):
            return INK
        if 4 <= x <= 10 and y == 7 + [0, -2, -3, -2, 0, 2, 3][x - 4]:
            return ACCENT
        return PAPER
    return None


def files(x, y):
    # Two sheets behind each other.
    if 5 <= x <= 14 and 4 <= y <= 15:
        return INK if x in (5, 14) or y in (4, 15) else PAPER
    if 1 <= x <= 10 and 0 <= y <= 11:
        return INK if x in (1, 10) or y in (0, 11) else (ACCENT if y == 5 and 3 <= x <= 8 else PAPER)
    return None


def mapping(x, y):
    # A grid of slots.
    if 1 <= x <= 14 and 2 <= y <= 13:
        if x in (1, 5, 10, 14) or y in (2, 6, 10, 13):
            return INK
        return PAPER
    return None


def with_mark(base, mark):
    # The selected-rows form of an image: a small corner mark.
    def draw(x, y):
        if x >= 11 and y >= 11:
            return mark if (x, y) != (11, 11) else INK
        return base(x, y)
    return draw


def text_pane(x, y, size):
    if 1 <= x <= 14 and 2 <= y <= 13:
        if x in (1, 14) or y in (2, 13):
            return INK
        if y in (5, 7, 9, 11) and 3 <= x <= 12 - (y % 3):
            return ACCENT
        return PAPER
    return None


def restart(x, y, size):
    dx, dy = x - 7.5, y - 7.5
    r2 = dx * dx + dy * dy
    if 20 <= r2 <= 36 and not (dx > 0 and dy < 0):
        return INK
    if 8 <= x <= 12 and 1 <= y <= 5 and x - 8 >= y - 1:
        return ACCENT
    return None


def midi_reset(x, y, size):
    # A round MIDI socket.
    dx, dy = x - 7.5, y - 7.5
    r2 = dx * dx + dy * dy
    if 36 <= r2 <= 52:
        return INK
    if (x, y) in ((4, 7), (5, 10), (7, 11), (10, 10), (11, 7), (7, 4), (8, 4)):
        return RED
    return None


def run_tarnbel(x, y, size):
    # A power switch.
    dx, dy = x - 7.5, y - 8
    r2 = dx * dx + dy * dy
    if 20 <= r2 <= 36 and not (abs(dx) < 2.5 and dy < 0):
        return GREEN
    if 7 <= x <= 8 and 1 <= y <= 8:
        return GREEN
    return None


def remote(x, y, size):
    if 4 <= x <= 11 and 1 <= y <= 14:
        if x in (4, 11) or y in (1, 14):
            return INK
        if (x, y) in ((6, 4), (9, 4), (6, 7), (9, 7), (6, 10), (9, 10)):
            return ACCENT
        return PAPER
    return None


def pin(on):
    # A drawing pin: pushed in when on.
    def draw(x, y, size):
        head = ACCENT if on else PAPER
        if on:
            if 4 <= x <= 11 and 2 <= y <= 7:
                return INK if x in (4, 11) or y in (2, 7) else head
            if 7 <= x <= 8 and 8 <= y <= 14:
                return INK
        else:
            if 2 <= x <= 7 and 4 <= y <= 11:
                return INK if x in (2, 7) or y in (4, 11) else head
            if 8 <= x <= 14 and 7 <= y <= 8:
                return INK
        return None
    return draw


ICONS = {
    "PresetLEDOff": lamp((90, 90, 90)),
    "PresetLEDOn": lamp((60, 240, 60)),
    "SortReverse": arrow(True),
    "SortNormal": arrow(False),
    "PresetLEDAfterglow": lamp((150, 110, 40)),
    "UnloadSelected": cross(plain(with_mark(chip, GREEN)), RED),
    "ClearCache": cross(plain(chip), RED),
    "SaveAsSoundFont": plain(wave_file),
    "SaveSelectedAsSoundFont": plain(with_mark(wave_file, GREEN)),
    "SaveAsSeparateSoundFonts": plain(files),
    "SaveSelectedAsSeparateSoundFonts": plain(with_mark(files, GREEN)),
    "SaveAsText": plain(sheet),
    "SaveSelectedAsText": plain(with_mark(sheet, GREEN)),
    "SaveAsMappingFile": plain(with_star(sheet)),
    "SaveSelectedAsMappingFile": plain(with_mark(with_star(sheet), GREEN)),
    "CreateMapping": plain(mapping),
    "CreateMappingFromSelected": plain(with_mark(mapping, GREEN)),
    "ShowMIDIInfo": text_pane,
    "HardReset": cross(plain(chip), ACCENT),
    "MIDIReset": midi_reset,
    "Restart": restart,
    "RunTarnbel": run_tarnbel,
    "Remote": remote,
    "Customize": customize,
    "StayOnTop": pin(False),
    "StayOnTop2": pin(True),
}

if __name__ == "__main__":
    write_icon_folder("monitor", ICONS)
