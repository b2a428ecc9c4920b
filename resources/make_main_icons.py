#!/usr/bin/env python3
"""Draws the tools program's window action icons (16 x 16) into icons/main/.

The build copies the folder beside tb_tools.exe, where its windows look for icons\\main.
Run it again after changing a drawing; the files it writes are committed.
"""
from make_resources import write_icon_folder

INK = (30, 50, 120)
PAPER = (250, 250, 240)
ACCENT = (230, 140, 30)


def monitor(x, y, size):
    # A screen with a level meter on it, on a foot.
    if 1 <= x <= 14 and 1 <= y <= 11:
        if x in (1, 14) or y in (1, 11):
            return INK
        bar = {4: 8, 6: 5, 8: 7, 10: 4, 12: 6}
        if x in bar and y >= bar[x]:
            return ACCENT
        return PAPER
    if 7 <= x <= 8 and y in (12, 13) or 4 <= x <= 11 and y == 14:
        return INK
    return None


def mappings_manager(x, y, size):
    # Three stacked rows with a check mark column.
    for top in (2, 7, 12):
        if top <= y <= top + 2 and 1 <= x <= 14:
            if 2 <= x <= 3 and y == top + 1:
                return ACCENT
            return INK if y in (top, top + 2) or x in (1, 14) else PAPER
    return None


def mappings_editor(x, y, size):
    # A sheet with a pencil across it.
    if x + y in (15, 16, 17) and 3 <= x <= 13:
        return ACCENT if x + y == 16 else INK
    if 2 <= x <= 11 and 1 <= y <= 14:
        return INK if x in (2, 11) or y in (1, 14) else PAPER
    return None


def preferences(x, y, size):
    # A cog: a ring with teeth.
    dx, dy = x - 7.5, y - 7.5
    r2 = dx * dx + dy * dy
    if r2 <= 4:
        return None
    if r2 <= 25:
        return INK
    if r2 <= 49 and (abs(dx) < 1.6 or abs(dy) < 1.6 or abs(abs(dx) - abs(dy)) < 1.2):
        return ACCENT
    return None


def about(x, y, size):
    # A round badge with an "i".
    dx, dy = x - 7.5, y - 7.5
    if dx * dx + dy * dy > 56:
        return None
    if 7 <= x <= 8 and (y in (3, 4) or 6 <= y <= 12):
        return PAPER
    return INK


def customize(x, y, size):
    # A tool bar with three buttons.
    if 0 <= x <= 15 and 4 <= y <= 11:
        if y in (4, 11) or x in (0, 15):
            return INK
        if y in range(6, 10) and x in (2, 3, 4, 7, 8, 9, 12, 13):
            return ACCENT
        return PAPER
    return None


ICONS = {
    "Monitor": monitor,
    "MappingsManager": mappings_manager,
    "MappingsEditor": mappings_editor,
    "Preferences": preferences,
    "About": about,
    "Customize": customize,
}

if __name__ == "__main__":
    write_icon_folder("main", ICONS)
