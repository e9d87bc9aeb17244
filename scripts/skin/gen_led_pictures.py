"""Writes the LED picture controls of the three devices into skin/main.ui, one line each,
right after the line of the device picture they lie on (children of its stage):
"kb_dkey_" 0-125 over the keys of keyboard_layout.py (a position without a key gets a hidden
control of no size, so that every name exists), "ms_dkey_" 0-19 and "mp_dkey_" 0-14 over the
light zones of led_layout.py. Each control is its LED's rectangle grown by its glow.
Run again after changing a layout: the previous lines are replaced.

    python3 scripts/skin/gen_led_pictures.py [skin/main.ui]"""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import keyboard_layout  # noqa: E402
import led_layout  # noqa: E402

# prefix, count, picture control, its place in the stage, LED rectangles, shape, glow
DEVICES = [
    ("kb_dkey_", 126, "kb_picture", (42, 24), keyboard_layout.key_rects(), "key", 3),
    ("ms_dkey_", 20, "ms_picture", (300, 8), led_layout.mouse_leds(), "strip", 4),
    ("mp_dkey_", 15, "mp_picture", (100, 16), led_layout.pad_leds(), "strip", 5),
]


def control_line(name, geometry, shape, glow, visible=True):
    x, y, w, h = geometry
    line = (f'<widget class="LedPicture" name="{name}"><property name="geometry"><rect>'
            f'<x>{x}</x><y>{y}</y><width>{w}</width><height>{h}</height></rect></property>'
            f'<property name="shape" stdset="0"><string>{shape}</string></property>'
            f'<property name="glow" stdset="0"><number>{glow}</number></property>')
    if not visible:
        line += '<property name="visible"><bool>false</bool></property>'
    return line + "</widget>\n"


def device_lines(prefix, count, origin, rects, shape, glow):
    ox, oy = origin
    lines = []
    for i in range(count):
        if i in rects:
            x, y, w, h = rects[i]
            geometry = (ox + x - glow, oy + y - glow, w + 2 * glow, h + 2 * glow)
            lines.append(control_line(f"{prefix}{i}", geometry, shape, glow))
        else:
            lines.append(control_line(f"{prefix}{i}", (0, 0, 0, 0), shape, glow, visible=False))
    return lines


def rewrite(lines):
    for prefix, count, picture, origin, rects, shape, glow in DEVICES:
        marker = f'<widget class="LedPicture" name="{prefix}'
        lines = [l for l in lines if not l.startswith(marker)]
        at = next(i for i, l in enumerate(lines) if f'name="{picture}"' in l)
        lines[at + 1:at + 1] = device_lines(prefix, count, origin, rects, shape, glow)
    return lines


if __name__ == "__main__":
    path = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "..", "skin", "main.ui")
    with open(path, encoding="utf-8") as f:
        original = f.readlines()
    with open(path, "w", encoding="utf-8") as f:
        f.writelines(rewrite(original))
