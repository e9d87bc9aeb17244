#!/usr/bin/env python3
"""Writes skin/skin.xml, the skin chooser's popup: a page of background images (buttons
showing a thumbnail, the image in their user data) and a page of colours (buttons carrying
their colour), a reset and a custom image. The images are drawn by make_backgrounds.sh."""
import os
import sys

WIDTH, HEIGHT = 312, 262
IMAGES = ["aurora", "nebula", "ember", "grid", "steel", "stripes"]
COLOURS = ["#0f1217", "#0e1a2b", "#101820", "#0d1b1e", "#13202b", "#22242a",
           "#1a1423", "#1e1414", "#201a10", "#141a12", "#1b1b1b", "#080a0d"]

STYLE = """
#skin_root { background-color: #161a21; border: 1px solid #2c333f; }
QWidget { font-size: 13px; color: #d7dde8; }
#skin_accent { background-color: #19c3f0; }
QRadioButton { spacing: 0px; } QRadioButton::indicator { width: 0px; height: 0px; border: none; image: none; }
QRadioButton[class="skintab"] { color: #8e98a8; background-color: #171b22; border: 1px solid #232a35; border-radius: 6px; padding-left: 14px; }
QRadioButton[class="skintab"]:hover { color: #d7dde8; border-color: #2f3a4a; }
QRadioButton[class="skintab"]:checked { color: #0f1217; background-color: #19c3f0; border-color: #19c3f0; font-weight: bold; }
QPushButton[class="thumb"] { border: 2px solid #2c333f; border-radius: 4px; }
QPushButton[class="thumb"]:hover { border: 2px solid #19c3f0; }
QPushButton[class="swatch"] { border: 2px solid #2c333f; border-radius: 6px; }
QPushButton[class="swatch"]:hover { border: 2px solid #19c3f0; }
QPushButton[class="action"] { background-color: #232a35; color: #d7dde8; border: 1px solid #2f3a4a; border-radius: 6px; }
QPushButton[class="action"]:hover { border-color: #19c3f0; color: #ffffff; }
"""


def geometry(x, y, w, h):
    return (f'<property name="geometry"><rect><x>{x}</x><y>{y}</y><width>{w}</width>'
            f'<height>{h}</height></rect></property>')


def prop(name, kind, value):
    return f'<property name="{name}" stdset="0"><{kind}>{value}</{kind}></property>'


def text(lang_id):
    return (f'<property name="text"><string>{lang_id}</string></property>'
            + prop("resourcetext", "bool", "true"))


def widget(cls, name, body, children=""):
    return f'<widget class="{cls}" name="{name}">{body}{children}</widget>\n'


def image_page():
    out = ""
    for i, name in enumerate(IMAGES):
        x, y = (i % 3) * 100, (i // 3) * 77
        out += widget("QPushButton", "skin_image_btn",
                      geometry(x, y, 88, 65) + prop("userdata", "string", f"skins/{name}.png")
                      + prop("bkimage", "string", f"skins/thumbs/{name}.png")
                      + prop("class", "string", "thumb")
                      + '<property name="cursor"><cursorShape>PointingHandCursor</cursorShape></property>')
    return widget("QWidget", "skin_image_page", "", out)


def colour_page():
    out = ""
    for i, colour in enumerate(COLOURS):
        x, y = (i % 6) * 49, (i // 6) * 52
        out += widget("QPushButton", "skin_color_btn",
                      geometry(x, y, 40, 40) + prop("bkcolor", "string", colour)
                      + prop("class", "string", "swatch")
                      + '<property name="cursor"><cursorShape>PointingHandCursor</cursorShape></property>')
    return widget("QWidget", "skin_color_page", "", out)


def main(path):
    body = (geometry(0, 0, WIDTH, HEIGHT)
            + f'<property name="styleSheet"><string>{STYLE}</string></property>\n')
    children = (
        widget("QFrame", "skin_accent", geometry(1, 1, WIDTH - 2, 3))
        + widget("QRadioButton", "skin_image", geometry(12, 14, 100, 30) + text("skin_image_text")
                 + '<property name="checked"><bool>true</bool></property>'
                 + prop("class", "string", "skintab"))
        + widget("QRadioButton", "skin_color", geometry(118, 14, 100, 30) + text("skin_color_text")
                 + prop("class", "string", "skintab"))
        + widget("QStackedWidget", "skin_tab", geometry(12, 56, 288, 142)
                 + '<property name="currentIndex"><number>0</number></property>\n',
                 image_page() + colour_page())
        + widget("QPushButton", "skin_reset", geometry(12, 214, 136, 34) + text("skin_reset_text")
                 + prop("class", "string", "action"))
        + widget("QPushButton", "skin_Custom", geometry(164, 214, 136, 34) + text("skin_custom_text")
                 + prop("class", "string", "action")))
    ui = ('<?xml version="1.0" encoding="UTF-8"?>\n<!-- Written by scripts/skin/make_skin_xml.py -->\n'
          '<ui version="4.0">\n <class>SkinFrame</class>\n'
          + widget("QWidget", "skin_root", body, children)
          + ' <resources/>\n <connections/>\n</ui>\n')
    with open(path, "w", encoding="utf-8") as f:
        f.write(ui)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else
         os.path.join(os.path.dirname(__file__), "..", "..", "skin", "skin.xml"))
