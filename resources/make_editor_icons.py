#!/usr/bin/env python3
"""Draws the mapping editor's icons (16 x 16) into icons/editor/ and its four drag cursors (32 x 32).

Icons: the twelve row icons (melodic, drum and wave entries: attached, inactive, holder of a slot with
inactive entries, not attached) and the images of the editor's actions, which the mappings manager shares.
Cursors: T1P and TMP (one or several attached entries dragged out), A1P and AMP (one or several source
presets dragged in), compiled into the programs by tarnbel.rc.

The build copies icons/editor beside tb_tools.exe, where the editor looks for icons\\editor.
Run it again after changing a drawing; the files it writes are committed.
"""
import math
import os

from make_main_icons import ACCENT, INK, PAPER, customize, preferences
from make_resources import container, dib_mono, write_icon_folder

RED = (200, 40, 40)
GREEN = (40, 150, 60)
GRAY = (150, 150, 150)
PALE = (215, 215, 215)
BLUE = (40, 90, 200)

# A 3 x 5 pixel font for the letters that tell the commands apart.
FONT = {
    "0": ["###", "#.#", "#.#", "#.#", "###"], "1": [".#.", "##.", ".#.", ".#.", "###"],
    "2": ["##.", "..#", ".#.", "#..", "###"], "#": ["#.#", "###", "#.#", "###", "#.#"],
    "A": [".#.", "#.#", "###", "#.#", "#.#"], "B": ["##.", "#.#", "##.", "#.#", "##."],
    "C": [".##", "#..", "#..", "#..", ".##"], "D": ["##.", "#.#", "#.#", "#.#", "##."],
    "E": ["###", "#..", "##.", "#..", "###"], "F": ["###", "#..", "##.", "#..", "#.."],
    "G": [".##", "#..", "#.#", "#.#", ".##"], "H": ["#.#", "#.#", "###", "#.#", "#.#"],
    "I": ["###", ".#.", ".#.", ".#.", "###"], "L": ["#..", "#..", "#..", "#..", "###"],
    "M": ["#.#", "###", "###", "#.#", "#.#"], "N": ["#.#", "###", "###", "###", "#.#"],
    "P": ["##.", "#.#", "##.", "#..", "#.."], "Q": [".#.", "#.#", "#.#", "##.", ".##"],
    "S": [".##", "#..", ".#.", "..#", "##."], "V": ["#.#", "#.#", "#.#", "#.#", ".#."],
    "W": ["#.#", "#.#", "###", "###", "#.#"], "Z": ["###", "..#", ".#.", "#..", "###"],
}


def text_at(text, left, top, color):
    """Letters drawn over another drawing, 4 pixels apart."""
    def layer(x, y):
        for i, ch in enumerate(text):
            gx, gy = x - left - 4 * i, y - top
            if 0 <= gx < 3 and 0 <= gy < 5 and FONT[ch][gy][gx] == "#":
                return color
        return None
    return layer


def over(*layers):
    """The first layer that paints a pixel wins."""
    def draw(x, y, size=16):
        for layer in layers:
            c = layer(x, y)
            if c is not None:
                return c
        return None
    return draw


def sheet(x, y):
    if 2 <= x <= 11 and 1 <= y <= 14:
        return INK if x in (2, 11) or y in (1, 14) else PAPER
    return None


def ruled_sheet(x, y):
    if 4 <= x <= 9 and y in (4, 7, 10) and sheet(x, y) == PAPER:
        return GRAY
    return sheet(x, y)


def box(left, top, right, bottom, fill, edge=INK):
    def layer(x, y):
        if left <= x <= right and top <= y <= bottom:
            return edge if x in (left, right) or y in (top, bottom) else fill
        return None
    return layer


def folder(x, y):
    if 1 <= x <= 6 and y == 3:
        return INK
    if 1 <= x <= 14 and 4 <= y <= 13:
        return INK if x in (1, 14) or y in (4, 13) else (240, 200, 90)
    return None


def note(color):
    # An eighth note: a round head, a stem and a flag.
    def layer(x, y):
        dx, dy = x - 5.5, y - 11.5
        if dx * dx / 6.5 + dy * dy / 3.5 <= 1:
            return color
        if x in (8, 9) and 2 <= y <= 11:
            return color
        if 10 <= x <= 12 and y - x in (-7, -8) and y <= 6:
            return color
        return None
    return layer


def drum(color):
    # A drum seen from the side with two sticks above it.
    def layer(x, y):
        if 2 <= x <= 13 and 7 <= y <= 13:
            if y in (7, 13) or x in (2, 13):
                return INK
            return color if y != 10 else PAPER
        if (x - y in (1, 2) or x + y in (13, 14)) and 1 <= y <= 6 and 2 <= x <= 13:
            return INK
        return None
    return layer


def wave(color):
    # One period of a sine in a frame.
    def layer(x, y):
        if 1 <= x <= 14 and 3 <= y <= 12:
            level = 7.5 - 3.5 * math.sin((x - 1) / 13 * 2 * math.pi)
            if abs(y - level) < 1.0:
                return color
            if x in (1, 14) or y in (3, 12):
                return INK
            return PAPER
        return None
    return layer


def corner_mark(color):
    # A small filled square in the lower right: a slot with more than one entry.
    return box(10, 10, 15, 15, color, INK)


def plus(color, cx=12, cy=12):
    def layer(x, y):
        if (abs(x - cx) <= 3 and y in (cy, cy + 1)) or (abs(y - cy - 0.5) <= 3.5 and x in (cx, cx + 1)):
            return color
        return None
    return layer


def minus(color, cx=12, cy=12):
    def layer(x, y):
        return color if abs(x - cx) <= 3 and y in (cy, cy + 1) else None
    return layer


def arrow_right(color, row=8):
    def layer(x, y):
        if 1 <= x <= 9 and y in (row, row + 1):
            return color
        if 9 <= x <= 13 and abs(y - row - 0.5) <= 13.5 - x:
            return color
        return None
    return layer


def arrow_left(color, row=8):
    def layer(x, y):
        if 6 <= x <= 14 and y in (row, row + 1):
            return color
        if 2 <= x <= 6 and abs(y - row - 0.5) <= x - 1.5:
            return color
        return None
    return layer


def check_mark(color):
    def layer(x, y):
        if (y - x in (5, 6) and 3 <= x <= 7) or (x + y in (18, 19) and 7 <= x <= 14):
            return color
        return None
    return layer


def circle_arrows(x, y):
    dx, dy = x - 7.5, y - 7.5
    r2 = dx * dx + dy * dy
    if 20 <= r2 <= 36 and not (abs(dy) < 1.6 and dx > 0):
        return GREEN
    if 10 <= x <= 14 and 3 <= y <= 7 and y - 3 >= abs(x - 12):
        return GREEN
    return None


def speaker(color):
    def layer(x, y):
        if 2 <= x <= 4 and 6 <= y <= 9:
            return INK
        if 5 <= x <= 8 and abs(y - 7.5) <= x - 2.5:
            return INK
        for r in (3.5, 5.5):
            dx, dy = x - 8, y - 7.5
            if dx > 0 and abs(math.hypot(dx, dy) - r) < 0.6 and abs(dy) < r * 0.8:
                return color
        return None
    return layer


def floppy(x, y):
    if 1 <= x <= 14 and 1 <= y <= 14:
        if x in (1, 14) or y in (1, 14):
            return INK
        if 4 <= x <= 11 and 2 <= y <= 5:
            return PAPER if x != 9 else INK
        if 3 <= x <= 12 and 8 <= y <= 13:
            return PAPER
        return BLUE
    return None


def swatch(fill):
    return box(3, 3, 12, 12, fill)


def rows(colors, header=None):
    # Three list rows, each in its colour; a header band on top when given.
    def layer(x, y):
        if header and 1 <= x <= 14 and 1 <= y <= 3:
            return header
        for i, c in enumerate(colors):
            top = 5 + 4 * i
            if 2 <= x <= 13 and top <= y <= top + 1:
                return c
        return None
    return layer


def divider_rows(x, y):
    if 1 <= x <= 14 and y == 7:
        return RED
    if 2 <= x <= 13 and y in (3, 4, 10, 11, 13):
        return INK
    return None


def merge_arrows(x, y):
    if (x - y in (0, 1) and 2 <= x <= 7) or (x + y in (14, 15) and 2 <= x <= 7):
        return INK
    if 7 <= x <= 14 and y in (7, 8):
        return GREEN
    return None


def route(x, y):
    # Two plugs joined by a cable.
    if box(1, 5, 4, 10, GREEN)(x, y):
        return box(1, 5, 4, 10, GREEN)(x, y)
    if box(11, 5, 14, 10, GREEN)(x, y):
        return box(11, 5, 14, 10, GREEN)(x, y)
    if 5 <= x <= 10 and y == 7 + int(2 * math.sin((x - 5) / 5 * math.pi)):
        return INK
    return None


def html(x, y):
    if (y == 7 + abs(x - 3) or y == 7 - abs(x - 3)) and 1 <= x <= 3:
        return BLUE
    if (y == 7 + abs(x - 12) or y == 7 - abs(x - 12)) and 12 <= x <= 14:
        return BLUE
    if x + y in (15, 16) and 5 <= x <= 10:
        return INK
    return None


def star(x, y):
    # A small star in the upper right: something new.
    dx, dy = x - 12, y - 3.5
    if abs(dx) + abs(dy) <= 2.5 or (abs(dx) <= 0.5 and abs(dy) <= 3.5) or (abs(dy) <= 0.5 and abs(dx) <= 3):
        return ACCENT
    return None


def two_sheets(x, y):
    front = box(5, 4, 14, 15, PAPER)(x, y)
    if front:
        return front
    return box(1, 0, 10, 11, PAPER)(x, y)


def labelled(base, text, color=RED, left=None, top=8):
    # Centred on the sheet's paper (columns 3-10) unless placed.
    width = 4 * len(text) - 1
    return over(text_at(text, max(3, 7 - (width + 1) // 2) if left is None else left, top, color), base)


ROW_ICONS = {}
for kind, glyph in (("Melodic", note), ("Drum", drum), ("Wave", wave)):
    ROW_ICONS[kind + "Attached"] = over(glyph(GREEN))
    ROW_ICONS[kind + "UnattachedConflict"] = over(corner_mark(RED), glyph(GRAY))
    ROW_ICONS[kind + "AttachedConflict"] = over(corner_mark(ACCENT), glyph(GREEN))
    ROW_ICONS[kind + "Unattached"] = over(glyph(PALE))

ACTION_ICONS = {
    "SaveMappingInFile": over(arrow_right(GREEN, 10), ruled_sheet),
    "LoadMappingFromFile": over(arrow_left(BLUE, 10), ruled_sheet),
    "CreateCubase12": labelled(sheet, "12"),
    "CreateCubase1": labelled(sheet, "1"),
    "CreateCakewalk": labelled(sheet, "CW"),
    "CreateMassiva": labelled(sheet, "MS"),
    "CreateLogic": labelled(sheet, "LG"),
    "CreateEvolution": labelled(sheet, "EV"),
    "CreateEncore": labelled(sheet, "EN"),
    "CreateQuartz": labelled(sheet, "QZ"),
    "SaveAsSoundFont": over(wave(BLUE)),
    "SaveAsSeparateSoundFonts": over(text_at("#", 12, 10, RED), wave(BLUE)),
    "RefreshTree": over(circle_arrows),
    "SetBankInFile": labelled(sheet, "B"),
    "AttachAllFromFile": over(plus(GREEN), folder),
    "AttachSelected": over(plus(GREEN, 4, 4), arrow_right(GREEN, 10)),
    "Detach": over(minus(RED, 8, 7)),
    "SelectAll": labelled(rows([BLUE, BLUE, BLUE]), "A", INK, 12, 1),
    "SetProgramNumber": over(text_at("P#", 2, 5, INK)),
    "SetPresetName": over(text_at("N", 6, 5, INK), box(1, 3, 14, 11, PAPER)),
    "SetBankNumber": over(text_at("B#", 2, 5, INK)),
    "PresetProperties": labelled(ruled_sheet, "I", BLUE),
    "SetBankName": over(text_at("BN", 3, 5, INK), box(1, 3, 14, 11, PAPER)),
    "SetBankNamesByFileNames": over(text_at("BF", 3, 5, INK), box(1, 3, 14, 11, PAPER)),
    "SetDefaultMelodicBank": over(text_at("D", 12, 0, RED), note(GREEN)),
    "SetDefaultDrumSet": over(text_at("D", 12, 0, RED), drum(GREEN)),
    "ChooseMapping": over(check_mark(GREEN), rows([INK, INK, INK])),
    "PreviewMode": over(speaker(GREEN)),
    "StartInPreviewMode": over(text_at("A", 12, 10, RED), speaker(GREEN)),
    "PreviewRoute": over(route),
    "NewMapping": over(star, sheet),
    "SaveMappingAsHTML": over(html),
    "SetBankColor": over(text_at("A", 6, 5, RED), swatch(PAPER)),
    "SetBankBackground": over(swatch((170, 210, 250))),
    "ColoredBankHeaders": over(rows([INK, INK, INK], ACCENT)),
    "ColoredBankItems": over(rows([RED, GREEN, BLUE])),
    "ColoredBackground": over(rows([INK, INK, INK]), box(0, 3, 15, 15, (170, 210, 250), (170, 210, 250))),
    "ShowListDividers": over(divider_rows),
    "WaveSettings": over(text_at("V", 12, 10, BLUE), lambda x, y: preferences(x, y, 16)),
    "MergeMapping": over(merge_arrows),
    "CheckMapping": over(check_mark(GREEN), sheet),
    "SaveMapping": over(floppy),
    "Customize": customize,
}


def cursor(several, attach):
    """An arrow with one or a stack of entries, and a plus (attach) or a minus (detach) beside them."""
    def draw(x, y):
        if x <= 10 and y <= 15 and x <= y:
            return "b" if x == 0 or x == y or y == 15 else "w"
        sheets = [(12, 16)] if not several else [(16, 12), (14, 14), (12, 16)]
        for left, top in sheets:
            if left <= x <= left + 10 and top <= y <= top + 12:
                front = (left, top) == sheets[-1]
                if not front and (x > left + 1 and y > top + 1):
                    continue
                return "b" if x in (left, left + 10) or y in (top, top + 12) else "w"
        cx, cy = 26, 24
        sign = (abs(x - cx) <= 4 and abs(y - cy) <= 1) or (attach and abs(x - cx) <= 1 and abs(y - cy) <= 4)
        if sign:
            return "b"
        return None
    return draw


CURSORS = {
    "t1p.cur": cursor(False, False),
    "tmp.cur": cursor(True, False),
    "a1p.cur": cursor(False, True),
    "amp.cur": cursor(True, True),
}

if __name__ == "__main__":
    write_icon_folder("editor", {**ROW_ICONS, **ACTION_ICONS})
    here = os.path.dirname(os.path.abspath(__file__))
    for name, draw in CURSORS.items():
        with open(os.path.join(here, name), "wb") as f:
            f.write(container(2, [(32, 0, 0, dib_mono(32, draw))]))
