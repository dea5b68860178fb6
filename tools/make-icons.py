#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes Voltara's icons (resources/icons/*.svg) and the pointing-hand cursor
(resources/cursors/hand.xpm). The output is committed; the build never runs this.

Every shape sits on whole pixels of its design size (16 or 32), so an icon drawn at
that size, or at a whole multiple of it, has no blurred edges. Run again after a
change and look at the result:  tools/make-icons.py && rsvg-convert -w 64 ...
"""

import os
import sys

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
ICONS = os.path.join(TOP, "resources", "icons")
CURSORS = os.path.join(TOP, "resources", "cursors")

OUTLINE = "#1b2533"   # the dark edge that keeps every icon readable on light and dark panels
INSIDE = "#f4f7fb"    # the empty part of a battery
BLUE = "#2f7be6"
YELLOW = "#f2b705"
RED = "#e0262f"
GREEN = "#23a455"
GREY_EDGE = "#4b5563"
GREY_INSIDE = "#c3cad4"
WHITE = "#ffffff"
METAL = "#7a879b"    # prongs and cable: visible on light and dark panels alike


def rect(x, y, w, h, fill, rx=0):
    r = f' rx="{rx}"' if rx else ""
    return f'<rect x="{x}" y="{y}" width="{w}" height="{h}"{r} fill="{fill}"/>'


def path(d, fill="none", stroke=None, width=None, cap="round", join="round"):
    s = f' stroke="{stroke}" stroke-width="{width}" stroke-linecap="{cap}" stroke-linejoin="{join}"' if stroke else ""
    return f'<path d="{d}" fill="{fill}"{s}/>'


def svg(size, parts):
    body = "\n  ".join(parts)
    return (f'<svg xmlns="http://www.w3.org/2000/svg" width="{size}" height="{size}" '
            f'viewBox="0 0 {size} {size}">\n  {body}\n</svg>\n')


# --- battery geometry per design size -------------------------------------------------

class Battery:
    """An upright battery: terminal cap, dark body, light inside, and a fill area
    inset from the inside whose height holds the ten bands of charge."""

    def __init__(self, size, x=None, width=None, top=None, height=None):
        if size == 16:
            self.edge, self.gap, self.rx, self.inner_rx = 1, 1, 1, 0
            x = 3 if x is None else x
            width = 10 if width is None else width
            top = 2 if top is None else top
            height = 14 if height is None else height
            self.cap_h = 2
        else:
            self.edge, self.gap, self.rx, self.inner_rx = 2, 2, 3, 1
            x = 6 if x is None else x
            width = 20 if width is None else width
            top = 3 if top is None else top
            height = 28 if height is None else height
            self.cap_h = 3
        self.x, self.w, self.top, self.h = x, width, top, height
        cap_w = width * 2 // 5
        self.cap = (x + (width - cap_w) // 2, top - self.cap_h, cap_w, self.cap_h + self.edge)
        e, g = self.edge, self.gap
        self.inside = (x + e, top + e, width - 2 * e, height - 2 * e)
        self.fill = (x + e + g, top + e + g, width - 2 * (e + g), height - 2 * (e + g))

    def shell(self, edge=OUTLINE, inside=INSIDE):
        cx, cy, cw, ch = self.cap
        ix, iy, iw, ih = self.inside
        return [rect(cx, cy, cw, ch, edge, 1 if self.edge > 1 else 0),
                rect(self.x, self.top, self.w, self.h, edge, self.rx),
                rect(ix, iy, iw, ih, inside, self.inner_rx)]

    def level(self, rows, colour):
        """The lowest `rows` pixel rows of the fill area."""
        fx, fy, fw, fh = self.fill
        rows = min(rows, fh)
        return [rect(fx, fy + fh - rows, fw, rows, colour)] if rows > 0 else []


def band_rows(size, band):
    """Rows of fill for band 1 (0..10 %) to 10 (91..100 %)."""
    return band * (1 if size == 16 else 2)


def exclamation(size, b):
    fx, fy, fw, _ = b.fill
    if size == 16:
        x = fx + fw // 2 - 1
        return [rect(x, fy, 2, 4, RED), rect(x, fy + 5, 2, 2, RED)]
    x = fx + fw // 2 - 2
    return [rect(x, fy, 4, 8, RED, 1), rect(x, fy + 10, 4, 4, RED, 1)]


def question_mark(size, b):
    fx, fy, _, _ = b.fill
    if size == 16:
        # Pixel art: a bold question mark in the 6 x 10 fill area.
        rows = [" #### ",
                "##  ##",
                "    ##",
                "   ## ",
                "  ##  ",
                "  ##  ",
                "      ",
                "  ##  ",
                "  ##  "]
        return pixels(rows, fx, fy, RED)
    cx = fx + 6  # centre of the 12-wide fill area
    return [path(f"M{cx - 3.5} {fy + 5} a3.5 3.5 0 1 1 5.2 3.05 c-1.2 0.7 -1.7 1.5 -1.7 2.95 v1.5",
                 stroke=RED, width=3.2, cap="butt"),
            rect(cx - 2, fy + 14, 4, 4, RED, 2)]


def cross(size, b):
    """A red X over the battery body; at 32 px with a thin dark edge."""
    if size == 16:
        ix, iy, _, ih = b.inside
        return pixels(CROSS_16, ix, iy + (ih - len(CROSS_16)) // 2, RED)
    d = "M7 8L25 26M25 8L7 26"
    return [path(d, stroke=OUTLINE, width=5.4), path(d, stroke=RED, width=3.2)]


def plug(size, x0=0, wide=True):
    """A mains plug with its cable, prongs up."""
    if size == 16:
        if wide:
            return [rect(5, 0, 2, 4, METAL), rect(9, 0, 2, 4, METAL),
                    rect(3, 3, 10, 7, OUTLINE, 1), rect(4, 4, 8, 5, INSIDE),
                    rect(6, 10, 4, 1, OUTLINE),
                    path("M8 11V12Q8 14 10 14H16", stroke=METAL, width=2, cap="butt")]
        return [rect(x0 + 1, 2, 1, 3, METAL), rect(x0 + 4, 2, 1, 3, METAL),
                rect(x0, 4, 6, 6, OUTLINE, 1), rect(x0 + 1, 5, 4, 4, INSIDE),
                rect(x0 + 2, 10, 2, 6, METAL)]
    cable = "M16 22V25Q16 29 20 29H32"
    if wide:
        return [rect(10, 1, 4, 8, OUTLINE, 1), rect(11, 2, 2, 6, METAL),
                rect(18, 1, 4, 8, OUTLINE, 1), rect(19, 2, 2, 6, METAL),
                path(cable, stroke=OUTLINE, width=4, cap="butt"), path(cable, stroke=METAL, width=2, cap="butt"),
                rect(6, 7, 20, 13, OUTLINE, 3), rect(8, 9, 16, 9, INSIDE, 1),
                rect(11, 12, 10, 2, GREY_INSIDE),
                path("M9 19H23L20 23H12Z", fill=OUTLINE)]
    return [rect(x0 + 1, 2, 4, 7, OUTLINE, 1), rect(x0 + 2, 3, 2, 5, METAL),
            rect(x0 + 7, 2, 4, 7, OUTLINE, 1), rect(x0 + 8, 3, 2, 5, METAL),
            rect(x0 + 3, 20, 6, 12, OUTLINE), rect(x0 + 5, 21, 2, 11, METAL),
            rect(x0, 8, 12, 10, OUTLINE, 2), rect(x0 + 2, 10, 8, 6, INSIDE, 1),
            path(f"M{x0 + 2} 17H{x0 + 10}L{x0 + 8} 21H{x0 + 4}Z", fill=OUTLINE)]


def pixels(art, x0, y0, colour):
    return [rect(x0 + i, y0 + j, 1, 1, colour) for j, line in enumerate(art)
            for i, ch in enumerate(line) if ch == "#"]


# A lightning bolt for a 6-pixel-wide space.
BOLT_16 = ["   ###",
           "  ### ",
           " ###  ",
           "##### ",
           "  ### ",
           "  ##  ",
           " ##   ",
           " #    "]

# The X that crosses out an empty battery, inside its 8 x 12 body.
CROSS_16 = ["##    ##",
            "###  ###",
            " ###### ",
            "  ####  ",
            "  ####  ",
            " ###### ",
            "###  ###",
            "##    ##"]


# --- the status icons -------------------------------------------------------------------

def status_icon(number, size):
    b = Battery(size)
    if 1011 <= number <= 1101:
        band = (number - 1001) // 10
        parts = b.shell()
        if band == 1:
            return parts + cross(size, b)
        parts += b.level(band_rows(size, band), BLUE)
        if band == 2:
            parts += exclamation(size, b)
        return parts
    if number == 1201:
        return plug(size)
    if number == 1211:
        if size == 16:
            bat = Battery(16, x=8, width=7, top=2, height=14)
        else:
            bat = Battery(32, x=15, width=16, top=5, height=26)
        rows = 6 if size == 16 else 12
        return plug(size, 0, wide=False) + bat.shell() + bat.level(rows, YELLOW)
    if number == 1301:
        return b.shell(GREY_EDGE, GREY_INSIDE) + question_mark(size, b)
    raise ValueError(number)


STATUS_NUMBERS = list(range(1011, 1102, 10)) + [1201, 1211, 1301]


def main_window_icon():
    """The main window's own 16 px icon: a charged battery with a lightning bolt."""
    b = Battery(16)
    fx, fy, _, _ = b.fill
    return b.shell() + b.level(10, GREEN) + pixels(BOLT_16, fx, fy + 1, WHITE)


def control_center_icon():
    """The Control Center's own 16 px icon: a small dialog with three sliders, one for each
    of its frames: the low warning (red), percentage informing (blue), mains changes (green)."""
    parts = [rect(0, 0, 16, 16, OUTLINE, 1), rect(1, 2, 14, 13, INSIDE)]
    for row, knob, colour in ((4, 4, RED), (8, 10, BLUE), (12, 7, GREEN)):
        parts += [rect(2, row, knob - 2, 1, colour), rect(knob + 3, row, 11 - knob, 1, GREY_EDGE),
                  rect(knob, row - 1, 3, 3, colour)]
    return parts


def application_icon(size):
    """A blue tile with a white battery and a yellow bolt."""
    if size == 16:
        return ([rect(0, 0, 16, 16, OUTLINE, 3), rect(1, 1, 14, 14, BLUE, 2),
                rect(6, 2, 4, 2, WHITE), rect(4, 3, 8, 12, WHITE, 1), rect(5, 4, 6, 10, BLUE)]
                + pixels(BOLT_16, 5, 5, YELLOW))
    return [rect(1, 1, 30, 30, OUTLINE, 7), rect(2, 2, 28, 28, BLUE, 6),
            rect(12, 4, 8, 3, WHITE, 1), rect(8, 6, 16, 22, WHITE, 2), rect(10, 8, 12, 18, BLUE, 1),
            path("M17.5 9L11.5 18H15.5L14.5 25L20.5 16H16.5Z", fill=YELLOW, stroke=OUTLINE, width=1)]


# --- the pointing hand ------------------------------------------------------------------

# '#' black, '.' white, ' ' transparent. The fingertip's top edge is row 0; its hot
# spot (4, 0) is declared in src/ui/HandCursor.h.
HAND = [
    "    ##",
    "   #..#",
    "   #..#",
    "   #..#",
    "   #..#",
    "   #..###",
    "   #..#..###",
    "   #..#..#..###",
    "   #..#..#..#..#",
    " ###..#..#..#..#",
    "#..#..#..#..#..#",
    "#..#...........#",
    "#..............#",
    " #.............#",
    "  #............#",
    "  #...........#",
    "   #..........#",
    "   #..........#",
    "   ############",
]
HAND_HOT_SPOT = (4, 0)


def hand_xpm():
    rows = [line.ljust(32) for line in HAND] + [" " * 32] * (32 - len(HAND))
    assert all(len(r) == 32 for r in rows), "the hand must fit 32 x 32"
    assert rows[HAND_HOT_SPOT[1]][HAND_HOT_SPOT[0]] == "#", "the hot spot must be on the fingertip"
    hx, hy = HAND_HOT_SPOT
    body = ",\n".join(f'"{r}"' for r in rows)
    return ("/* XPM */\n"
            "static const char *hand[] = {\n"
            f'"32 32 3 1 {hx} {hy}",\n'
            '"  c None",\n'
            '". c #FFFFFF",\n'
            '"# c #000000",\n'
            f"{body}\n}};\n")


def write(path_, text):
    with open(path_, "w", encoding="ascii", newline="\n") as f:
        f.write(text)


def main():
    os.makedirs(ICONS, exist_ok=True)
    os.makedirs(CURSORS, exist_ok=True)
    for n in STATUS_NUMBERS:
        write(os.path.join(ICONS, f"{n}.svg"), svg(16, status_icon(n, 16)))
        write(os.path.join(ICONS, f"{n - 1}.svg"), svg(32, status_icon(n, 32)))
    write(os.path.join(ICONS, "main.svg"), svg(16, main_window_icon()))
    write(os.path.join(ICONS, "setup.svg"), svg(16, control_center_icon()))
    write(os.path.join(ICONS, "voltara.svg"), svg(32, application_icon(32)))
    write(os.path.join(ICONS, "voltara-16.svg"), svg(16, application_icon(16)))
    write(os.path.join(CURSORS, "hand.xpm"), hand_xpm())
    return 0


if __name__ == "__main__":
    sys.exit(main())
