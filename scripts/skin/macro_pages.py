"""Writes the macro pages of the keyboard and the mouse into skin/main.ui.

One generated block per device, between its BEGIN/END comment lines inside "kb_macro_page" /
"ms_macro_page" (760 x 348):
  left     the macro names with add, delete and rename ("kb_MacroName"), or, while
           "kb_macro_btn_shubiao" is checked, the mouse actions to insert ("kb_MacroMouseEvent")
  middle   the action list (name, press/release or distance, delay), the timeline area and the
           capacity text under it (filled by the timeline's owner), the row buttons
  right    "kb_tab_macro_edit": page 0 recording (record button, event options, fixed
           50 ms), page 1 the key row editor, page 2 the mouse row editor; under it the
           save/cancel panel of the unsaved state
The mouse page is the twin with "ms_" in place of "kb_".

Run from anywhere: python3 scripts/skin/macro_pages.py
"""

import os
import re
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from key_pages import (button, combo, css_class, edit, frame, geometry, hidden, label,  # noqa: E402
                       no_focus, prop_string, resource_text, SKIN)

# The keyboard rows 0-103 of the key table that a key row may become, by language id.
KEY_TABLE_NAMES = None  # filled from src/keys/key_code_tables.h


def key_names():
    path = os.path.join(SKIN, "..", "src", "keys", "key_code_tables.h")
    with open(path, encoding="utf-8") as f:
        text = f.read()
    start = text.index('"keyboard_key_LCtrl"')
    ids = re.findall(r'"([^"]*)"', text[start:])
    return ids[:104]


MOUSE_EVENT_ITEMS = [
    "macro_mouse_left_down", "macro_mouse_left_up", "macro_mouse_right_down",
    "macro_mouse_right_up", "macro_mouse_middle_down", "macro_mouse_middle_up",
    "macro_mouse_forward_down", "macro_mouse_forward_up", "macro_mouse_back_down",
    "macro_mouse_back_up", "mouse_move_to_left_text", "mouse_move_to_right_text",
    "mouse_move_to_up_text", "mouse_move_to_down_text", "macro_mouse_wheel_text",
]

# (tab button, panel, down button, up button) of the five mouse buttons.
INSERT_BUTTONS = [
    ("leftkey", "mouse_key_left"), ("rightkey", "mouse_key_right"),
    ("moudlekey", "mouse_key_middle"), ("forwardkey", "mouse_key_forward"),
    ("backkey", "mouse_key_back"),
]
# (button, edit, caption) of the four moves.
MOVES = [
    ("moveleftkey", "mouse_x_left_edit", "mouse_move_to_left_text"),
    ("moverightkey", "mouse_x_right_edit", "mouse_move_to_right_text"),
    ("moveupkey", "mouse_y_up_edit", "mouse_move_to_up_text"),
    ("movedownkey", "mouse_y_down_edit", "mouse_move_to_down_text"),
]


def check(name, rect, text):
    return (f'<widget class="QCheckBox" name="{name}">{geometry(*rect)}{resource_text(text)}'
            f'{no_focus()}</widget>')


def checked_check(name, rect, text):
    return (f'<widget class="QCheckBox" name="{name}">{geometry(*rect)}{resource_text(text)}'
            f'<property name="checked"><bool>true</bool></property>{no_focus()}</widget>')


def name_panel(p):
    return frame(f"{p}MacroName", (10, 10, 190, 298), [
        label(f"{p}macro_names_title", (0, 0, 190, 20), "macro_names_title", "fieldlabel"),
        f'<widget class="QListWidget" name="{p}MacroName_list">{geometry(0, 24, 190, 168)}</widget>',
        button(f"{p}macro_btn_name_add", (0, 198, 92, 30), "macro_btn_add_text", "macrobtn"),
        button(f"{p}macro_btn_name_sub", (98, 198, 92, 30), "macro_btn_sub_text", "macrobtn"),
        label(f"{p}macro_name_label", (0, 236, 190, 18), "macro_name_label", "fieldlabel"),
        edit(f"{p}macro_edit_macroname", (0, 258, 118, 30), ""),
        button(f"{p}macro_btn_savemacroname", (124, 258, 66, 30), "macro_btn_rename_text", "macrobtn"),
    ], "macropanel")


def insert_panel(p):
    inner = [label(f"{p}macro_insert_title", (0, 0, 190, 20), "macro_insert_title", "fieldlabel")]
    for i, (stem, caption) in enumerate(INSERT_BUTTONS):
        inner.append(button(f"{p}macro_inset_{stem}_btn", (38 * i, 24, 36, 28),
                            f"macro_tab_{stem}_text", "inserttab", no_focus()))
    for i, (stem, caption) in enumerate(INSERT_BUTTONS):
        inner += frame(f"{p}macro_inset_{stem}_tab", (0, 58, 190, 64), [
            label(f"{p}macro_inset_{stem}_caption", (0, 0, 190, 18), caption, "fieldlabel"),
            button(f"{p}macro_inset_{stem}down_btn", (0, 22, 92, 30), "macro_insert_down_text", "macrobtn"),
            button(f"{p}macro_inset_{stem}up_btn", (98, 22, 92, 30), "macro_insert_up_text", "macrobtn"),
        ], "macropanel", visible=i == 0)
    inner.append(label(f"{p}macro_move_title", (0, 128, 190, 18), "macro_move_title", "fieldlabel"))
    for i, (stem, edit_name, caption) in enumerate(MOVES):
        y = 150 + 36 * i
        inner.append(button(f"{p}macro_inset_{stem}_btn", (0, y, 128, 30), caption, "macrobtn"))
        inner.append(edit(f"{p}{edit_name}", (134, y, 56, 30), "10"))
    return frame(f"{p}MacroMouseEvent", (10, 10, 190, 298), inner, "macropanel", visible=False)


def action_list(p):
    columns = "".join(f'<column><property name="text"><string>{c}</string></property></column>'
                      for c in ("", "", ""))
    return [
        f'<widget class="QTreeWidget" name="{p}Macro_list">{geometry(210, 10, 330, 152)}'
        '<property name="rootIsDecorated"><bool>false</bool></property>'
        '<property name="headerHidden"><bool>true</bool></property>'
        '<property name="uniformRowHeights"><bool>false</bool></property>'
        f'{columns}</widget>',
    ]


def timeline_placeholders(p):
    # The timeline of the selected macro (class "MacroTimeline") and the macro memory line.
    return [
        f'<widget class="QWidget" name="{p}macro_timeline_area">{geometry(210, 166, 330, 104)}'
        f'<widget class="MacroTimeline" name="{p}macro_timeline">{geometry(0, 0, 330, 104)}</widget></widget>',
        f'<widget class="QLabel" name="{p}macro_capacity_text">{geometry(210, 272, 330, 18)}</widget>',
    ]


ROW_BUTTONS = [("up", "▲"), ("down", "▼"), ("uptop", "⤒"), ("downbottom", "⤓"),
               ("delete", "macro_btn_delete_text"), ("deleteall", "macro_btn_deleteall_text")]


def row_buttons(p):
    lines = []
    x = 210
    for stem, text in ROW_BUTTONS:
        w = 40 if len(text) == 1 else 76
        if len(text) == 1:
            lines.append(f'<widget class="QPushButton" name="{p}macro_btn_{stem}">{geometry(x, 300, w, 30)}'
                         f'{prop_string("text", text)}{css_class("macrobtn")}'
                         f'{no_focus()}</widget>')
        else:
            lines.append(button(f"{p}macro_btn_{stem}", (x, 300, w, 30), text, "macrobtn", no_focus()))
        x += w + 4
    return lines


def record_page(p):
    return [
        f'<widget class="QWidget" name="{p}macro_edit_page_0">',
        button(f"{p}macro_btn_redio", (0, 0, 200, 40), "macro_btn_star_redio_text", "recordbtn", no_focus()),
        label(f"{p}macro_events_title", (0, 52, 200, 18), "macro_events_title", "fieldlabel"),
        checked_check(f"{p}macro_keyboard_event", (0, 74, 200, 24), "macro_keyboard_event_text"),
        checked_check(f"{p}macro_mouse_click", (0, 100, 200, 24), "macro_mouse_click_text"),
        checked_check(f"{p}macro_mouse_roller", (0, 126, 200, 24), "macro_mouse_roller_text"),
        check(f"{p}macro_mouse_move", (0, 152, 200, 24), "macro_mouse_move_text"),
        check(f"{p}macro_check_time", (0, 186, 200, 24), "macro_check_time_text"),
        label(f"{p}macro_record_note", (0, 216, 200, 60), "macro_record_note", "note",
              '<property name="wordWrap"><bool>true</bool></property>'
              '<property name="alignment"><set>Qt::AlignLeft|Qt::AlignTop</set></property>'),
        "</widget>",
    ]


def key_row_page(p, keys):
    return [
        f'<widget class="QWidget" name="{p}macro_edit_page_1">',
        label(f"{p}macro_key_title", (0, 0, 200, 20), "macro_key_row_title", "fieldtitle"),
        label(f"{p}macro_key_label", (0, 28, 200, 18), "macro_key_label", "fieldlabel"),
        combo(f"{p}macro_combo_keyselect", (0, 48, 200, 30), keys),
        label(f"{p}macro_upordown_label", (0, 86, 200, 18), "macro_upordown_label", "fieldlabel"),
        combo(f"{p}macro_combo_upordown", (0, 106, 200, 30), ["macro_up_text", "macro_down_text"]),
        label(f"{p}macro_delay_label", (0, 144, 200, 18), "macro_delay_label", "fieldlabel"),
        edit(f"{p}_macro_edit_ActionDelay", (0, 164, 120, 30), "0"),
        label(f"{p}macro_delay_unit", (126, 164, 74, 30), "macro_delay_unit", "fieldlabel"),
        "</widget>",
    ]


def mouse_row_page(p):
    return [
        f'<widget class="QWidget" name="{p}macro_edit_page_2">',
        label(f"{p}macro_mou_title", (0, 0, 200, 20), "macro_mouse_row_title", "fieldtitle"),
        label(f"{p}macro_mou_label", (0, 28, 200, 18), "macro_mouse_label", "fieldlabel"),
        combo(f"{p}macro_combo_mouselect", (0, 48, 200, 30), MOUSE_EVENT_ITEMS),
        label(f"{p}macro_mou_delay_label", (0, 86, 200, 18), "macro_delay_label", "fieldlabel"),
        edit(f"{p}_macro_edit_mou_action_delay", (0, 106, 120, 30), "0"),
        label(f"{p}macro_mou_delay_unit", (126, 106, 74, 30), "macro_delay_unit", "fieldlabel"),
    ] + frame(f"{p}macro_tab_mou_pointer_skewing", (0, 144, 200, 60), [
        label(f"{p}macro_skewing_label", (0, 0, 200, 18), "macro_distance_label", "fieldlabel"),
        edit(f"{p}macro_edit_mou_pointer_skewing", (0, 22, 120, 30), "0"),
    ], "macropanel", visible=False) + ["</widget>"]


STYLE = """\
QFrame[class="macropanel"] { background: transparent; border: none; }
QLabel[class="fieldlabel"] { color: #8e98a8; font-size: 12px; background: transparent; }
QLabel[class="fieldtitle"] { color: #ffffff; font-size: 14px; font-weight: bold; background: transparent; }
QLabel[class="note"] { color: #5c6678; font-size: 11px; background: transparent; }
QListWidget, QTreeWidget { background-color: #11151b; border: 1px solid #232a35; border-radius: 6px; color: #d7dde8; outline: none; }
QListWidget::item, QListWidget::item:selected { height: 26px; padding-left: 8px; border: none; }
QListWidget::item:selected, QTreeWidget::item:selected { background-color: #16303b; color: #ffffff; }
QScrollBar:vertical { background: #11151b; width: 8px; margin: 0px; border: none; }
QScrollBar::handle:vertical { background: #2f3a4a; border-radius: 4px; min-height: 24px; }
QScrollBar::handle:vertical:hover { background: #19c3f0; }
QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0px; border: none; background: none; }
QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: none; }
QListWidget:disabled, QTreeWidget:disabled { color: #5c6678; }
QTreeWidget::item { border-bottom: 1px solid #1a1f27; }
QPushButton[class="macrobtn"] { background-color: #1d232d; border: 1px solid #2f3a4a; border-radius: 6px; color: #d7dde8; }
QPushButton[class="macrobtn"]:hover { border-color: #19c3f0; color: #ffffff; }
QPushButton[class="macrobtn"]:disabled, QPushButton[class="recordbtn"]:disabled { color: #4a5363; border-color: #232a35; }
QPushButton[class="inserttab"] { background-color: #171b22; border: 1px solid #232a35; border-radius: 4px; color: #8e98a8; font-size: 11px; }
QPushButton[class="inserttab"]:hover { border-color: #19c3f0; color: #ffffff; }
QPushButton[class="inserttab"][style="selected"] { background-color: #16303b; border-color: #19c3f0; color: #ffffff; }
QPushButton[class="recordbtn"] { background-color: #2a1a1f; border: 1px solid #d8344a; border-radius: 8px; color: #ff6b7d; font-weight: bold; font-size: 14px; }
QPushButton[class="recordbtn"]:hover { background-color: #3a1c24; color: #ffffff; }
QPushButton[class="savebtn"] { background-color: #19c3f0; border: none; border-radius: 6px; color: #0f1217; font-weight: bold; }
QPushButton[class="savebtn"]:hover { background-color: #4fd3f5; }
QPushButton[class="cancelbtn"] { background-color: #1d232d; border: 1px solid #2f3a4a; border-radius: 6px; color: #d7dde8; }
QCheckBox { color: #d7dde8; spacing: 8px; background: transparent; }
QCheckBox:disabled { color: #5c6678; }
QCheckBox::indicator { width: 14px; height: 14px; border: 1px solid #2f3a4a; border-radius: 3px; background-color: #1d232d; }
QCheckBox::indicator:checked { background-color: #19c3f0; border-color: #19c3f0; }
QComboBox { background-color: #1d232d; border: 1px solid #2f3a4a; border-radius: 6px; padding-left: 10px; color: #d7dde8; }
QComboBox:hover { border-color: #19c3f0; }
QComboBox::drop-down { border: none; width: 24px; }
QComboBox::down-arrow { image: url(skin:images/combo_arrow.png); width: 10px; height: 6px; }
QComboBox QAbstractItemView { background-color: #1d232d; color: #d7dde8; selection-background-color: #19c3f0; selection-color: #0f1217; border: 1px solid #2f3a4a; }
QLineEdit { background-color: #1d232d; border: 1px solid #2f3a4a; border-radius: 6px; padding-left: 8px; color: #ffffff; }
QLineEdit:focus { border-color: #19c3f0; }
QLabel#{p}macro_capacity_text { color: #8e98a8; font-size: 11px; }
"""


def block(device):
    p = device + "_"
    keys = key_names()
    style = STYLE.replace("{p}", p).replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")
    lines = [f'<widget class="QFrame" name="{p}macro_area">{geometry(0, 0, 760, 348)}'
             f'{css_class("panel")}<property name="styleSheet"><string>{style}</string></property>']
    lines += name_panel(p)
    lines += insert_panel(p)
    lines.append(check(f"{p}macro_btn_shubiao", (10, 314, 190, 24), "macro_btn_shubiao_text"))
    lines += action_list(p)
    lines += timeline_placeholders(p)
    lines += row_buttons(p)
    lines.append(f'<widget class="QStackedWidget" name="{p}tab_macro_edit">{geometry(550, 10, 200, 280)}')
    lines += record_page(p)
    lines += key_row_page(p, keys)
    lines += mouse_row_page(p)
    lines.append("</widget>")
    lines += frame(f"{p}macro_tab_saveorcancel", (550, 298, 200, 36), [
        button(f"{p}macro_btn_save", (0, 0, 96, 36), "macro_btn_save_text", "savebtn"),
        button(f"{p}macro_btn_cancel", (104, 0, 96, 36), "macro_btn_cancel_text", "cancelbtn"),
    ], "macropanel", visible=False)
    lines.append("</widget>")
    return lines


# ---- writing main.ui -----------------------------------------------------------------

def first_time(text, device):
    """Replaces the placeholder page body (a hidden bar and a "coming" hint) by the markers."""
    p = device + "_"
    begin = f"<!-- BEGIN {p}macro_editor (scripts/skin/macro_pages.py) -->"
    if begin in text:
        return text
    pattern = re.compile(
        rf'(<widget class="QWidget" name="{p}macro_page">)<widget class="QFrame" name="{p}macro_tab_saveorcancel">'
        rf'[^\n]*\n<widget class="QFrame" name="{p}macro_area">[^\n]*\n</widget>\n')
    if not pattern.search(text):
        raise SystemExit(f"main.ui lacks the placeholder of {p}macro_page")
    return pattern.sub(lambda m: f"{m.group(1)}\n{begin}\n<!-- END {p}macro_editor -->\n", text)


def replace_block(text, device, lines):
    p = device + "_"
    begin, end = f"<!-- BEGIN {p}macro_editor (scripts/skin/macro_pages.py) -->", f"<!-- END {p}macro_editor -->"
    pattern = re.compile(re.escape(begin) + r"\n.*?" + re.escape(end), re.S)
    return pattern.sub(lambda _: "\n".join([begin] + lines + [end]), text)


def write_main_ui():
    path = os.path.join(SKIN, "main.ui")
    with open(path, encoding="utf-8") as f:
        text = f.read()
    for device in ("kb", "ms"):
        text = first_time(text, device)
        text = replace_block(text, device, block(device))
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)


if __name__ == "__main__":
    write_main_ui()
