#!/usr/bin/env python3
"""Draws the mappings manager's action icons (16 x 16) into icons/manager/.

The build copies the folder beside tb_tools.exe, where the manager looks for icons\\manager.
Run it again after changing a drawing; the files it writes are committed.
"""
from icon_parts import GREEN, RED, cross, plain, sheet, with_star
from make_main_icons import ACCENT, INK, PAPER, customize
from make_resources import write_icon_folder


def rows(x, y):
    # The manager's list: three rows, each with its check box.
    for top in (2, 7, 12):
        if top <= y <= top + 2 and 1 <= x <= 14:
            return INK if y in (top, top + 2) or x in (1, 14) else PAPER
    return None


def with_arrow_in(base):
    # An arrow coming in from the left: read from a file.
    def draw(x, y):
        if y == 8 and 0 <= x <= 6 or (x, y) in ((5, 6), (5, 10), (4, 7), (4, 9)):
            return GREEN
        return base(x, y)
    return draw


def twin(x, y):
    # Two sheets, the front one over the back one.
    if 5 <= x <= 14 and 4 <= y <= 15:
        return INK if x in (5, 14) or y in (4, 15) else PAPER
    if 1 <= x <= 10 and 0 <= y <= 11:
        return INK if x in (1, 10) or y in (0, 11) else PAPER
    return None


def rename(x, y):
    # A name field with the caret.
    if 0 <= x <= 15 and 4 <= y <= 11:
        if y in (4, 11) or x in (0, 15):
            return INK
        if 2 <= x <= 9 and y in (7, 8):
            return ACCENT
        if x == 12 and 6 <= y <= 9:
            return INK
        return PAPER
    return None


def arrow(up):
    def draw(x, y):
        row = y if up else 15 - y
        if 1 <= row <= 7 and abs(x - 7.5) <= row - 0.5:
            return GREEN
        if 8 <= row <= 14 and 6 <= x <= 9:
            return GREEN
        return None
    return draw


def check_mark(x, y):
    if 1 <= x <= 14 and 1 <= y <= 14:
        if x in (1, 14) or y in (1, 14):
            return INK
        if (x, y) in ((4, 8), (5, 9), (6, 10), (7, 9), (8, 8), (9, 7), (10, 6), (11, 5), (5, 8), (6, 9),
                      (7, 8), (8, 7), (9, 6), (10, 5)):
            return GREEN
        return PAPER
    return None


def lightning(x, y):
    # Changes go out at once.
    if (x, y) in ((9, 1), (8, 2), (8, 3), (7, 4), (7, 5), (6, 6), (6, 7), (7, 7), (8, 7), (9, 7), (10, 7),
                  (9, 8), (9, 9), (8, 10), (8, 11), (7, 12), (7, 13), (6, 14), (10, 1), (9, 2), (9, 3), (8, 4),
                  (8, 5), (7, 6)):
        return ACCENT
    return None


def magnifier(x, y):
    dx, dy = x - 6, y - 6
    r2 = dx * dx + dy * dy
    if 12 <= r2 <= 25:
        return INK
    if r2 < 12:
        return PAPER
    if x == y and 10 <= x <= 14 or x == y + 1 and 10 <= x <= 14:
        return ACCENT
    return None


def gear_sheet(x, y):
    dx, dy = x - 11, y - 11
    r2 = dx * dx + dy * dy
    if r2 <= 2:
        return PAPER
    if r2 <= 10:
        return ACCENT
    return sheet(x, y)


def disk(x, y):
    # A floppy: the combo kept.
    if 1 <= x <= 14 and 1 <= y <= 14:
        if x in (1, 14) or y in (1, 14):
            return INK
        if 4 <= x <= 11 and 2 <= y <= 5:
            return PAPER
        if 3 <= x <= 12 and 8 <= y <= 13:
            return PAPER if not (y in (10, 12) and 5 <= x <= 10) else INK
        return INK
    return None


def pencil_rows(x, y):
    if x + y in (15, 16, 17) and 5 <= x <= 14:
        return ACCENT if x + y == 16 else INK
    return rows(x, y)


ICONS = {
    "ImmediateChanges": plain(lightning),
    "LoadMappingFromFile": plain(with_arrow_in(sheet)),
    "DeleteMapping": cross(plain(rows), RED),
    "RenameMapping": plain(rename),
    "CopyMapping": plain(twin),
    "NewMapping": plain(with_star(rows)),
    "MappingUp": plain(arrow(True)),
    "MappingDown": plain(arrow(False)),
    "MappingActive": plain(check_mark),
    "CheckIntegrity": plain(magnifier),
    "AutoExport": plain(gear_sheet),
    "SaveCombo": plain(disk),
    "DeleteCombo": cross(plain(disk), RED),
    "EditMapping": plain(pencil_rows),
    "Customize": customize,
}

if __name__ == "__main__":
    write_icon_folder("manager", ICONS)
