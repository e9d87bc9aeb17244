#!/usr/bin/env python3
"""Writes the golden profile files from the hand-made state of profile_body_test.cpp
(HandMadeState), byte by byte from the file layout, independently of the C++ code.
Run from this folder: python3 make_golden.py"""

HEADER_TAG_OFFSET = 4


def header(tag):
    h = bytearray(16)
    h[0], h[1] = 0xAA, 0x55
    h[HEADER_TAG_OFFSET] = tag
    return bytes(h)


def current_record():
    r = bytearray(0x10 + i for i in range(21))
    r[0] = 2  # on-board profile 2 active when saved
    return r


def slot_image(mouse):
    s = bytearray(0xA0 + i for i in range(64))
    s[0:21] = current_record()
    if mouse:
        s[21], s[22] = 12, 5  # pointer speed, wheel lines
    return bytes(s)


def key_page(kind):
    return bytes(((j * 5 + kind) & 0xFF) for j in range(512))


def kb_light():
    b = bytearray(slot_image(False))
    b += bytes([3, 0x11, 0x22, 0x33])
    b += bytes(j % 251 for j in range(1890))
    assert len(b) == 1958
    return bytes(b)


files = {
    "kb_light.led": header(1) + kb_light(),
    "ms_light.led": header(2) + slot_image(True),
    "mp_light.led": header(3) + slot_image(False),
    "kb_key.pro": header(1) + key_page(1),
    "ms_key.pro": header(2) + key_page(2),
}
for name, data in files.items():
    with open(name, "wb") as f:
        f.write(data)
