"""Where the mouse's 20 LEDs and the mouse pad's 15 LEDs sit on their pictures, and the two
pictures drawn from the same table, so that the LED pictures always lie on the light zones.

The mouse's LEDs light in seven groups from front to back (the effects' element order):
group g holds LEDs g (left side), 7 + g (right side) and one LED of the middle strip
(19, 18 ahead of the wheel, none beside the wheel, 14-17 down the palm).
The pad's LEDs run around three edges: 0-4 down the left edge, 5-9 along the bottom edge
from left to right, 10-14 up the right edge (the effects' columns and chase ring)."""

import math
import subprocess

BODY, EDGE, CAP, SLOT = "#1b1f27", "#19c3f0", "#2c333f", "#0d1015"

MOUSE_SIZE = (160, 216)
_MOUSE_CENTRE, _MOUSE_RADII = (80, 110), (68, 104)
_MOUSE_ROWS = [38 + 25 * g for g in range(7)]
_SIDE = (7, 20)     # side LED width, height
_MIDDLE = (8, 18)   # middle strip LED
WHEEL = (73, 78, 14, 26)  # x, y, w, h
MIDDLE_OF_GROUP = {0: 19, 1: 18, 3: 14, 4: 15, 5: 16, 6: 17}


def _half_width(y):
    cx, cy = _MOUSE_CENTRE
    rx, ry = _MOUSE_RADII
    return rx * math.sqrt(max(0.0, 1 - ((y - cy) / ry) ** 2))


def mouse_leds():
    """LED index -> (x, y, w, h) on the mouse picture."""
    cx = _MOUSE_CENTRE[0]
    rects = {}
    for g, y in enumerate(_MOUSE_ROWS):
        w, h = _SIDE
        inset = round(min(_half_width(y - h / 2), _half_width(y + h / 2))) - 5
        rects[g] = (cx - inset, y - h // 2, w, h)
        rects[7 + g] = (cx + inset - w, y - h // 2, w, h)
        if g in MIDDLE_OF_GROUP:
            mw, mh = _MIDDLE
            rects[MIDDLE_OF_GROUP[g]] = (cx - mw // 2, y - mh // 2, mw, mh)
    return rects


PAD_SIZE = (560, 200)
_PAD_SPAN = (30, 180)    # the side edges' LEDs between these heights
_PAD_TOP = 12            # the pad's top edge, clear of the page's device name
_PAD_BOTTOM = (20, 540)  # the bottom edge's LEDs between these x
_PAD_CHANNEL = 10        # width of the light channel
_PAD_INSET = 7           # outer edge to the channel


def pad_leds():
    """LED index -> (x, y, w, h) on the mouse-pad picture."""
    w, h = PAD_SIZE
    top, bottom = _PAD_SPAN
    side = (bottom - top) // 5
    left, right = _PAD_BOTTOM
    along = (right - left) // 5
    rects = {}
    for i in range(5):
        y = top + side * i + 2
        rects[i] = (_PAD_INSET, y, _PAD_CHANNEL, side - 4)                        # down the left
        rects[14 - i] = (w - _PAD_INSET - _PAD_CHANNEL, y, _PAD_CHANNEL, side - 4)  # up the right
        rects[5 + i] = (left + along * i + 3, h - _PAD_INSET - _PAD_CHANNEL, along - 6,
                        _PAD_CHANNEL)                                               # along the bottom
    return rects


def _slots(rects, radius):
    cmd = ["-stroke", "none", "-fill", SLOT]
    for x, y, w, h in rects.values():
        cmd += ["-draw", f"roundrectangle {x - 1},{y - 1} {x + w},{y + h} {radius},{radius}"]
    return cmd


def draw_mouse(path):
    w, h = MOUSE_SIZE
    (cx, cy), (rx, ry) = _MOUSE_CENTRE, _MOUSE_RADII
    wx, wy, ww, wh = WHEEL
    split = wy + wh + 4
    cmd = ["convert", "-size", f"{w}x{h}", "xc:none",
           "-fill", BODY, "-stroke", EDGE, "-strokewidth", "2",
           "-draw", f"ellipse {cx},{cy} {rx},{ry} 0,360",
           "-fill", "none", "-stroke", CAP, "-strokewidth", "2",
           "-draw", f"line {cx - 9},{cy - ry + 8} {cx - 9},{split}",
           "-draw", f"line {cx + 9},{cy - ry + 8} {cx + 9},{split}"]
    cmd += _slots(mouse_leds(), 3)
    cmd += ["-fill", CAP, "-stroke", "#3a4352", "-strokewidth", "1",
            "-draw", f"roundrectangle {wx},{wy} {wx + ww - 1},{wy + wh - 1} 6,6",
            "-stroke", "#46505f", "-draw", f"line {wx + 3},{wy + 8} {wx + ww - 4},{wy + 8}",
            "-draw", f"line {wx + 3},{wy + 13} {wx + ww - 4},{wy + 13}",
            "-draw", f"line {wx + 3},{wy + 18} {wx + ww - 4},{wy + 18}"]
    subprocess.run(cmd + [path], check=True)


def draw_pad(path):
    w, h = PAD_SIZE
    i, c = _PAD_INSET, _PAD_CHANNEL
    surface = i + c + 4
    cmd = ["convert", "-size", f"{w}x{h}", "xc:none",
           "-fill", BODY, "-stroke", EDGE, "-strokewidth", "2",
           "-draw", f"roundrectangle 2,{_PAD_TOP} {w - 3},{h - 3} 20,20",
           "-stroke", "none", "-fill", CAP,
           "-draw", f"roundrectangle {surface},{_PAD_TOP + 10} {w - surface - 1},{h - surface - 1} 12,12"]
    cmd += _slots(pad_leds(), 4)
    subprocess.run(cmd + [path], check=True)


if __name__ == "__main__":
    import sys
    folder = sys.argv[1] if len(sys.argv) > 1 else "."
    draw_mouse(f"{folder}/mouse.png")
    draw_pad(f"{folder}/mousepad.png")
