"""Where each of the keyboard's 126 key positions (21 x row + column) sits on the keyboard
picture. Positions without a key are absent. The skin generators place the key buttons and
the LED pictures from this table, and draw_keyboard() draws the picture itself, so the three
always agree."""

import subprocess

PITCH = 29          # pixels per key unit
MARGIN = 12         # body edge to the first key
GAP = 3             # between neighbouring key caps
WIDTH_UNITS, HEIGHT_UNITS = 22.5, 6.25
PICTURE_SIZE = (round(WIDTH_UNITS * PITCH) + 2 * MARGIN, round(HEIGHT_UNITS * PITCH) + 2 * MARGIN)

# position: (x, y, width, height) in key units
_UNITS = {}


def _row(first_position, y, keys):
    for offset, key in enumerate(keys):
        if key is not None:
            x, w = key[0], key[1]
            h = key[2] if len(key) > 2 else 1
            _UNITS[first_position + offset] = (x, y, w, h)


def _run(x, count, w=1):
    return [(x + i * w, w) for i in range(count)]


_row(0, 0, [(0, 1)] + _run(2, 4) + _run(6.5, 4) + _run(11, 4) + _run(15.25, 3))
_row(21, 1.25, _run(0, 13) + [(13, 2)] + _run(15.25, 3) + _run(18.5, 4))
_row(42, 2.25, [(0, 1.5)] + _run(1.5, 12) + [(13.5, 1.5)] + _run(15.25, 3) + _run(18.5, 3) + [None])
_row(63, 3.25, [(0, 1.75)] + _run(1.75, 11) + [(12.75, 2.25)] + _run(18.5, 3))
_row(84, 4.25, [(0, 1.25)] + _run(2.25, 10) + [(12.25, 2.75), (16.25, 1)] + _run(18.5, 3)
     + [None, None, (1.25, 1)])
_row(105, 5.25, [(0, 1.25), (1.25, 1.25), (2.5, 1.25), (3.75, 5.75), (9.5, 1.1), (11.7, 1.1),
                 (12.8, 1.1), (13.9, 1.1)] + _run(15.25, 3) + [(18.5, 2), (20.5, 1), (21.5, 1, 2),
                 (21.5, 1, 2)])
_UNITS[118] = (21.5, 4.25, 1, 2)   # keypad Enter
_UNITS[119] = (21.5, 2.25, 1, 2)   # keypad +
_UNITS[125] = (10.6, 5.25, 1.1, 1)  # right Windows key


def key_rects():
    """position -> (x, y, w, h) in picture pixels, key caps only (no gap)."""
    rects = {}
    for position, (x, y, w, h) in sorted(_UNITS.items()):
        left = MARGIN + round(x * PITCH)
        top = MARGIN + round(y * PITCH)
        rects[position] = (left, top, round((x + w) * PITCH) - round(x * PITCH) - GAP,
                           round((y + h) * PITCH) - round(y * PITCH) - GAP)
    return rects


def draw_keyboard(path, body="#1b1f27", edge="#19c3f0", cap="#2c333f"):
    w, h = PICTURE_SIZE
    cmd = ["convert", "-size", f"{w}x{h}", "xc:none", "-fill", body, "-stroke", edge,
           "-strokewidth", "2", "-draw", f"roundrectangle 1,1 {w - 2},{h - 2} 14,14",
           "-stroke", "none", "-fill", cap]
    for x, y, kw, kh in key_rects().values():
        cmd += ["-draw", f"roundrectangle {x},{y} {x + kw - 1},{y + kh - 1} 4,4"]
    subprocess.run(cmd + [path], check=True)


if __name__ == "__main__":
    import sys
    draw_keyboard(sys.argv[1] if len(sys.argv) > 1 else "keyboard.png")
