"""Drawings and colours that the monitor's and the manager's 16 x 16 action icons share.

A drawing is pixel(x, y) or, as the icon writer takes it, pixel(x, y, size); None is transparent.
"""
from make_main_icons import ACCENT, INK, PAPER

RED = (200, 40, 40)
GREEN = (40, 170, 60)


def sheet(x, y):
    # A sheet of text.
    if 2 <= x <= 11 and 1 <= y <= 14:
        if x in (2, 11) or y in (1, 14):
            return INK
        if y in (4, 7, 10) and 4 <= x <= 9:
            return INK
        return PAPER
    return None


def with_star(base):
    # Something new: a star at the top right.
    def draw(x, y):
        if (x - 12.5) ** 2 + (y - 3.5) ** 2 <= 6:
            return ACCENT
        return base(x, y)
    return draw


def cross(base, colour):
    # Taken away: a cross at the bottom right.
    def draw(x, y, size):
        if 8 <= x <= 15 and 8 <= y <= 15 and (x - y == 0 or x + y == 23):
            return colour
        return base(x, y, size)
    return draw


def plain(draw):
    # A drawing of any size as the icon writer calls it.
    return lambda x, y, size: draw(x, y)
