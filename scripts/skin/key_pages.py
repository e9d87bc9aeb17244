"""Writes the key pages of the skin into skin/main.ui and draws their pictures.

Four generated blocks, each between its BEGIN/END comment lines in main.ui:
  kb_key_layer   one button "kb_key_" + N over every key of the keyboard picture (the key
                 rectangles of keyboard_layout.py), shown only while the key page is
  kb_key_editor  the function selector, its ten panels, restore and save (the key page)
  ms_key_layer   the six mouse buttons "ms_key_" + N beside the mouse picture and their
                 pictures "ms_key_" + N + "_0" over it
  ms_key_editor  the mouse's key page
Pictures: skin/images/keys/ (key button looks) and skin/ms/ (mouse button pictures).

Run from anywhere: python3 scripts/skin/key_pages.py
"""

import os
import re
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import keyboard_layout  # noqa: E402

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
SKIN = os.path.join(ROOT, "skin")

# The factory key of each position (21 x row + column), as language-id suffixes of
# "keyboard_key_"; None where the position has no key; two keys have no row in the key
# table and carry their own legend ids.
_DOT = None
REFERENCE = [
    "Esc", "F1", "F2", "F3", "F4", "F5", "F6", "F7", "F8", "F9", "F10", "F11", "F12",
    "Print Scr", "Scroll Lock", "Pause", _DOT, _DOT, _DOT, _DOT, _DOT,
    "`", "1", "2", "3", "4", "5", "6", "7", "8", "9", "0", "-", "=", "BackSpace", "Insert",
    "Home", "Page Up", "Num Lock", "Num /", "Num *", "Num -",
    "Tab", "Q", "W", "E", "R", "T", "Y", "U", "I", "O", "P", "[", "]", "xiegang", "Delete",
    "End", "Page Down", "Num 7", "Num 8", "Num 9", _DOT,
    "Caplk", "A", "S", "D", "F", "G", "H", "J", "K", "L", ";", "'", "Enter", "Num 4", "Num 5",
    "Num 6", _DOT, _DOT, _DOT, _DOT, _DOT,
    "LShift", "Z", "X", "C", "V", "B", "N", "M", "<", ".", "/", "RShift", "Up", "Num 1",
    "Num 2", "Num 3", _DOT, _DOT, "#iso", _DOT, _DOT,
    "LCtrl", "LWin", "LAlt", "Space", "RAlt", "#fn", "App", "RCtrl", "Left", "Down", "Right",
    "Num 0", "Decimal", "Num Enter", "Num +", _DOT, _DOT, _DOT, _DOT, _DOT, "RWin",
]
assert len(REFERENCE) == 126


# Keys whose name is too long for their cap show a short legend of their own.
SHORT_LEGENDS = {"LCtrl", "LShift", "LAlt", "LWin", "RCtrl", "RShift", "RAlt", "RWin", "Caplk",
                 "Print Scr", "Scroll Lock", "Insert", "Delete", "Page Up", "Page Down", "Right",
                 "Left", "Down", "Up", "Num Lock", "Num /", "Num *", "Num -", "Num +",
                 "Num Enter", "Decimal", "App", "BackSpace"} | {f"Num {i}" for i in range(10)}


def legend_id(position):
    name = REFERENCE[position]
    if name == "#iso":
        return "key_label_iso"
    if name == "#fn":
        return "key_label_fn"
    return ("key_legend_" if name in SHORT_LEGENDS else "keyboard_key_") + name


def esc(text):
    return text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;").replace('"', "&quot;")


def geometry(x, y, w, h):
    return (f'<property name="geometry"><rect><x>{x}</x><y>{y}</y><width>{w}</width>'
            f'<height>{h}</height></rect></property>')


def prop_string(name, value, stdset=True):
    std = "" if stdset else ' stdset="0"'
    return f'<property name="{name}"{std}><string>{esc(value)}</string></property>'


def resource_text(text):
    return prop_string("text", text) + '<property name="resourcetext" stdset="0"><bool>true</bool></property>'


def hidden():
    return '<property name="visible"><bool>false</bool></property>'


def css_class(name):
    return prop_string("class", name, stdset=False)


def no_focus():
    return '<property name="focusPolicy"><enum>Qt::NoFocus</enum></property>'


WRAP_TOP = ('<property name="wordWrap"><bool>true</bool></property>'
            '<property name="alignment"><set>Qt::AlignLeft|Qt::AlignTop</set></property>')


def label(name, rect, text, cls="", extra=""):
    c = css_class(cls) if cls else ""
    return (f'<widget class="QLabel" name="{name}">{geometry(*rect)}{resource_text(text)}{c}'
            f'{extra}</widget>')


def button(name, rect, text, cls="", extra=""):
    c = css_class(cls) if cls else ""
    return (f'<widget class="QPushButton" name="{name}">{geometry(*rect)}{resource_text(text)}'
            f'{c}{extra}</widget>')


def combo(name, rect, items, translated=True):
    body = "".join(f'<item><property name="text"><string>{esc(i)}</string></property></item>'
                   for i in items)
    rt = '<property name="resourcetext" stdset="0"><bool>true</bool></property>' if translated else ""
    return (f'<widget class="QComboBox" name="{name}">{geometry(*rect)}{rt}'
            f'<property name="maxVisibleItems"><number>12</number></property>{body}</widget>')


def edit(name, rect, text="0", read_only=False, resource=False):
    ro = '<property name="readOnly"><bool>true</bool></property>' if read_only else ""
    t = resource_text(text) if resource else prop_string("text", text)
    return f'<widget class="QLineEdit" name="{name}">{geometry(*rect)}{t}{ro}</widget>'


def frame(name, rect, children, cls="", visible=True):
    c = css_class(cls) if cls else ""
    v = "" if visible else hidden()
    return [f'<widget class="QFrame" name="{name}">{geometry(*rect)}{c}{v}'] + children + ["</widget>"]


# ---- the keyboard's key buttons -------------------------------------------------------

KEY_NORMAL = "images/keys/key_normal.png"
KEY_SET = "images/keys/key_set.png"


def kb_key_layer():
    x, y = 42, 24
    w, h = keyboard_layout.PICTURE_SIZE
    lines = []
    for position, (kx, ky, kw, kh) in sorted(keyboard_layout.key_rects().items()):
        lines.append(button(f"kb_key_{position}", (kx, ky, kw, kh), legend_id(position), "kbkey",
                            no_focus() + prop_string("userdata", KEY_NORMAL, False)
                            + prop_string("hotimage", KEY_SET, False)))
    return frame("kb_key_layer", (x, y, w, h), lines, "keylayer", visible=False)


# ---- the mouse's buttons -------------------------------------------------------------

# The mouse picture (scripts/skin/led_layout.py) fills "ms_picture", 160 x 216 at (300, 8) of
# the stage; the layer covers the stage's middle, so the picture sits at (MX, 0) in it.
MS_LAYER = (20, 8, 720, 216)
MX = 300 - MS_LAYER[0]
MOUSE_W, MOUSE_H = 160, 216
# slot: (picture file stem, caption id, column 0 left / 1 right, row)
MOUSE_BUTTONS = [
    ("left", "ms_button_left_text", 0, 0),
    ("wheel", "ms_button_wheel_text", 1, 1),
    ("right", "ms_button_right_text", 1, 0),
    ("forward", "ms_button_forward_text", 0, 1),
    ("back", "ms_button_back_text", 0, 2),
    ("dpi", "ms_button_dpi_text", 1, 2),
]


def ms_key_layer():
    lines = []
    for slot, (stem, caption, column, row) in enumerate(MOUSE_BUTTONS):
        lines.append(f'<widget class="QLabel" name="ms_key_{slot}_0">{geometry(MX, 0, MOUSE_W, MOUSE_H)}'
                     f'</widget>')
    for slot, (stem, caption, column, row) in enumerate(MOUSE_BUTTONS):
        bx = 40 if column == 0 else MX + MOUSE_W + 40
        by = 14 + 68 * row
        lines.append(label(f"ms_key_cap_{slot}", (bx, by, 220, 18), caption, "keycap"))
        lines.append(button(f"ms_key_{slot}", (bx, by + 20, 220, 34), "", "mskey", no_focus()))
    return frame("ms_key_layer", MS_LAYER, lines, "keylayer", visible=False)


# ---- the editor page -----------------------------------------------------------------

SELECTOR_ITEMS = {0x00: "key_fct_default", 0x20: "key_fct_keyboard", 0x10: "key_fct_mouse",
                  0x11: "key_fct_swing_lr", 0x12: "key_fct_swing_ud", 0x13: "key_fct_dpi",
                  0x14: "key_fct_fire", 0x30: "key_fct_media", 0x40: "key_fct_system",
                  0x70: "key_fct_macro"}
KEYBOARD_KINDS = [0x00, 0x20, 0x10, 0x11, 0x12, 0x13, 0x14, 0x30, 0x40, 0x70]
MOUSE_KINDS = [0x00, 0x10, 0x11, 0x12, 0x13, 0x14, 0x20, 0x30, 0x40, 0x70]
MOUSE_BUTTON_IDS = ["mouse_key_left", "mouse_key_middle", "mouse_key_right", "mouse_key_forward",
                    "mouse_key_back"]
DPI_IDS = ["mouse_key_DPI_add", "mouse_key_DPI_sub", "mouse_key_DPI_loop"]
MEDIA_IDS = ["media_text", "media_play", "media_stop", "media_prev", "media_next",
             "media_vol_sub", "media_vol_add", "media_mute", "web_text", "web_refresh",
             "wed_stop", "wed_back", "wed_forward", "wed_favorite", "web_search", "media_mypc",
             "media_calc", "media_mail"]
SYSTEM_IDS = ["system_power", "system_sleep", "system_wake_up"]
PANEL = (280, 20, 300, 310)  # where every panel sits in the page
FIELD_W = 260


def swing(p, combo_no, edits, directions, heading):
    amount, high, low = edits
    return [
        label(f"{p}key_fct_lbl_combo_{combo_no}", (0, 0, FIELD_W, 20), heading, "fieldlabel"),
        combo(f"{p}key_fct_combo_{combo_no}", (0, 24, FIELD_W, 32), directions),
        label(f"{p}key_fct_lbl_edit_{amount}", (0, 68, FIELD_W, 20), "key_swing_amount_text", "fieldlabel"),
        edit(f"{p}key_fct_edit_{amount}", (0, 92, 120, 30)),
        label(f"{p}key_fct_lbl_edit_{high}", (0, 134, 125, 20), "key_swing_high_text", "fieldlabel"),
        edit(f"{p}key_fct_edit_{high}", (0, 158, 120, 30)),
        label(f"{p}key_fct_lbl_edit_{low}", (140, 134, 125, 20), "key_swing_low_text", "fieldlabel"),
        edit(f"{p}key_fct_edit_{low}", (140, 158, 120, 30)),
    ]


def one_choice(p, number, heading, items):
    return [label(f"{p}key_fct_lbl_combo_{number}", (0, 0, FIELD_W, 20), heading, "fieldlabel"),
            combo(f"{p}key_fct_combo_{number}", (0, 24, FIELD_W, 32), items)]


def panel_contents(p, kind):
    if kind == 0x00:
        return [label(f"{p}key_fct_note_0", (0, 0, FIELD_W, 80), "key_panel_default_text", "note",
                      WRAP_TOP)]
    if kind == 0x20:
        return [label(f"{p}key_fct_lbl_edit_21", (0, 0, FIELD_W, 20), "key_capture_text", "fieldlabel"),
                edit(f"{p}key_fct_edit_21", (0, 24, FIELD_W, 34), "", read_only=True, resource=True),
                label(f"{p}key_fct_note_21", (0, 70, FIELD_W, 80), "key_capture_note_text", "note",
                      WRAP_TOP)]
    if kind == 0x10:
        return one_choice(p, 11, "key_mouse_button_text", MOUSE_BUTTON_IDS)
    if kind == 0x11:
        return swing(p, 12, (15, 17, 20), ["key_dir_left", "key_dir_right"], "key_swing_lr_dir_text")
    if kind == 0x12:
        return swing(p, 13, (16, 18, 19), ["key_dir_up", "key_dir_down"], "key_swing_ud_dir_text")
    if kind == 0x13:
        return one_choice(p, 14, "key_dpi_text", DPI_IDS)
    if kind == 0x14:
        return [label(f"{p}key_fct_lbl_edit_11", (0, 0, FIELD_W, 20), "key_fire_first_text", "fieldlabel"),
                edit(f"{p}key_fct_edit_11", (0, 24, 120, 30)),
                label(f"{p}key_fct_lbl_edit_12", (0, 68, FIELD_W, 20), "key_fire_second_text", "fieldlabel"),
                edit(f"{p}key_fct_edit_12", (0, 92, 120, 30))]
    if kind == 0x30:
        return one_choice(p, 21, "key_media_text", MEDIA_IDS)
    if kind == 0x40:
        return one_choice(p, 22, "key_system_text", SYSTEM_IDS)
    # macro: names from the library (plain text), play mode, repeat count
    repeat = frame(f"{p}tab_function_26", (0, 136, FIELD_W, 64), [
        label(f"{p}key_fct_lbl_edit_25", (0, 0, FIELD_W, 20), "key_repeat_count_text", "fieldlabel"),
        edit(f"{p}key_fct_edit_25", (0, 24, 120, 30))], visible=False)
    return ([label(f"{p}key_fct_lbl_combo_23", (0, 0, FIELD_W, 20), "key_macro_text", "fieldlabel"),
             combo(f"{p}key_fct_combo_23", (0, 24, FIELD_W, 32), [], translated=False),
             label(f"{p}key_fct_lbl_combo_24", (0, 68, FIELD_W, 20), "key_play_mode_text", "fieldlabel"),
             combo(f"{p}key_fct_combo_24", (0, 92, FIELD_W, 32),
                   ["key_play_mode_0", "key_play_mode_1", "key_play_mode_repeat"])] + repeat)


def editor(device):
    p = device + "_"
    kinds = KEYBOARD_KINDS if device == "kb" else MOUSE_KINDS
    inner = [
        label(f"{p}key_fct_title", (24, 20, 230, 22), "key_fct_title_text", "fieldtitle"),
        combo(f"{p}key_fct_combo", (24, 48, 230, 34), [SELECTOR_ITEMS[k] for k in kinds]),
        button(f"{p}key_butt_keydefalut", (24, 96, 230, 34), "key_restore_text", "keybtn"),
    ]
    if device == "ms":
        inner.append(button("ms_key_butt_keysave", (24, 140, 230, 34), "key_apply_text", "keybtn"))
    inner.append(label(f"{p}key_fct_note", (24, 250, 230, 70), "key_fct_note_text", "note",
                       WRAP_TOP))
    inner.append(f'<widget class="QFrame" name="{p}key_fct_rule">{geometry(266, 20, 1, 308)}{css_class("rule")}</widget>')
    for index, kind in enumerate(kinds):
        inner += frame(f"{p}tab_function_{index}", PANEL, panel_contents(p, kind), "keypanel",
                       visible=index == 0)
    lines = frame(f"{p}tab_function", (0, 0, 590, 348), inner, "keyeditor", visible=False)
    lines.append(button(f"{p}key_butt_prosave", (604, 290, 140, 40), "key_save_text", "savebtn"))
    return lines


# ---- writing main.ui -----------------------------------------------------------------

def replace_block(text, name, lines):
    begin, end = f"<!-- BEGIN {name} (scripts/skin/key_pages.py) -->", f"<!-- END {name} -->"
    pattern = re.compile(re.escape(begin) + r"\n.*?\n" + re.escape(end), re.S)
    if not pattern.search(text):
        raise SystemExit(f"main.ui lacks the lines {begin} ... {end}")
    return pattern.sub(lambda _: "\n".join([begin] + lines + [end]), text)


def write_main_ui():
    path = os.path.join(SKIN, "main.ui")
    with open(path, encoding="utf-8") as f:
        text = f.read()
    text = replace_block(text, "kb_key_layer", kb_key_layer())
    text = replace_block(text, "kb_key_editor", editor("kb"))
    text = replace_block(text, "ms_key_layer", ms_key_layer())
    text = replace_block(text, "ms_key_editor", editor("ms"))
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)


# ---- pictures ------------------------------------------------------------------------

ACCENT = "#19c3f0"


def run(*args):
    subprocess.run(["convert", *args], check=True)


def draw_key_pictures():
    folder = os.path.join(SKIN, "images", "keys")
    os.makedirs(folder, exist_ok=True)
    # Normal: nothing over the drawn key cap. Reassigned: an accent frame and a faint fill.
    run("-size", "40x40", "xc:none", os.path.join(folder, "key_normal.png"))
    run("-size", "40x40", "xc:none", "-fill", "rgba(25,195,240,0.28)", "-stroke", ACCENT,
        "-strokewidth", "2", "-draw", "roundrectangle 1,1 38,38 6,6",
        os.path.join(folder, "key_set.png"))


# Each region of the mouse picture, as ImageMagick drawing over the 160 x 216 picture of
# led_layout.py (body ellipse at (80, 110) with radii 68 x 104, seams at x 71 and 89 down to
# y 108, wheel at (73, 78) 14 x 26); the two top buttons are the body cut along the seams, the
# DPI button sits behind the wheel around its LED, the side buttons on the left flank.
ELLIPSE = "ellipse 80,110 67,103 0,360"
MOUSE_REGIONS = {
    "left": (ELLIPSE, "rectangle 0,0 70,107"),
    "right": (ELLIPSE, "rectangle 90,0 159,107"),
    "wheel": ("roundrectangle 72,77 87,104 7,7", None),
    "dpi": ("roundrectangle 72,106 87,124 5,5", None),
    "forward": ("roundrectangle 10,96 17,120 3,3", None),
    "back": ("roundrectangle 10,124 17,148 3,3", None),
}


def draw_region(path, shape, mask, fill, stroke):
    tmp = path + ".tmp.png"
    run("-size", f"{MOUSE_W}x{MOUSE_H}", "xc:none", "-fill", fill, "-stroke", stroke,
        "-strokewidth", "2", "-draw", shape, tmp)
    if mask:
        run(tmp, "(", "-size", f"{MOUSE_W}x{MOUSE_H}", "xc:none", "-fill", "white", "-draw", mask,
            ")", "-compose", "DstIn", "-composite", path)
        os.remove(tmp)
    else:
        os.replace(tmp, path)


def draw_mouse_pictures():
    folder = os.path.join(SKIN, "ms")
    os.makedirs(folder, exist_ok=True)
    for stem, (shape, mask) in MOUSE_REGIONS.items():
        draw_region(os.path.join(folder, f"key_{stem}_normal.png"), shape, mask,
                    "rgba(25,195,240,0.04)", "rgba(25,195,240,0.18)")
        draw_region(os.path.join(folder, f"key_{stem}_down.png"), shape, mask,
                    "rgba(25,195,240,0.45)", ACCENT)


if __name__ == "__main__":
    write_main_ui()
    draw_key_pictures()
    draw_mouse_pictures()
