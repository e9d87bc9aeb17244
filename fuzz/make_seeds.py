#!/usr/bin/env python3
"""Writes the seed corpora of the targets whose inputs are laid out by hand: fuzz_device_reply
(see the layout at the top of fuzz_device_reply.cpp) and fuzz_instance_request (socket texts).
Run from anywhere; the files land in fuzz/corpus/<target>/."""
import pathlib

HERE = pathlib.Path(__file__).resolve().parent

# Device kinds and operations as fuzz_device_reply.cpp numbers them.
KB, MS, MP = 0, 1, 2
SYNC, REREAD, DEFAULT_KEYS, REPORT, WRITE_BACK = 0, 1, 2, 3, 4


def op(kind, what):
    return bytes([kind * 5 + what])


def ok(fill=0):
    """A right reply whose data bytes all hold `fill`."""
    return bytes([0, fill])


def data(block, status=0):
    """The request's header with `status` and `block` as data (56 bytes)."""
    return bytes([1, status]) + bytes(block).ljust(56, b"\0")[:56]


def raw(frame):
    return bytes([2, len(frame) - 1]) + bytes(frame)


def info(leds=104, macro_units=16):
    block = bytearray(33)
    block[5] = leds
    block[6] = macro_units
    return data(block)


def chunks(block_length, fill=0x11):
    return ok(fill) * ((block_length + 55) // 56)


def keyboard_sync(leds=104):
    # CMD_BEGIN, info, default keys, slot 0, key page 0, active index, CMD_END
    return op(KB, SYNC) + ok() + info(leds) + chunks(3 * leds) + ok(2) + chunks(3 * leds, 0x22) + ok(0) + ok()


def mouse_sync():
    pages = b"".join(ok(p) + chunks(512, 0x30 + p) for p in range(5))
    return op(MS, SYNC) + ok() + data(bytes(range(33))) + chunks(512) + pages + ok(3) + ok()


def pad_sync():
    return op(MP, SYNC) + ok() + data(bytes(33)) + b"".join(ok(p) for p in range(5)) + ok(1) + ok()


DEVICE_SEEDS = {
    "keyboard_sync.bin": bytes([0]) + keyboard_sync(),
    "mouse_sync_shared_node.bin": bytes([1]) + mouse_sync(),
    "pad_sync_no_report_ids.bin": bytes([2]) + pad_sync(),
    # The keyboard announces a change of everything (usage 0x0402), the mouse one of its
    # settings (0x0401): each is read back.
    "announcements.bin": bytes([0]) + op(KB, REPORT) + bytes([2, 3, 0x02, 0x04]) + keyboard_sync()[1:]
    + op(MS, REPORT) + bytes([2, 3, 0x01, 0x04]) + ok(1) + ok(0x44),
    # Too many LEDs; then another collection's report, a busy status and an unplug.
    "faults.bin": bytes([1]) + op(KB, SYNC) + ok() + info(200)
    + op(MS, REREAD) + raw([3, 1, 4]) + ok() + data(b"", 0xFE) + bytes([3]),
    # The default key block, the active page written back (CMD_BEGIN, 60 bytes, CMD_END),
    # then a stop while the pad's settings are read.
    "default_keys_stop.bin": bytes([0]) + keyboard_sync(20) + op(KB, DEFAULT_KEYS) + chunks(60)
    + op(KB, WRITE_BACK) + ok() + chunks(60) + ok() + op(MP, REREAD) + ok(1) + bytes([4]),
}

INSTANCE_SEEDS = {
    "activation.txt": b"QUARTIKA_001",
    "message.txt": b"MSG 0x0A03 16711680 2",
    "sim.txt": b"SIM unplug mp",
    "restore.txt": b"PROFILE restore\nkb\n2026-12-10 13:00:00\n/home/user/Documents/Keyboard\nMy profile.PRO",
    "answer_ok.txt": b"OK restored My profile.PRO from 2026-12-10 13:00:00",
    "answer_short.txt": b"ER",
}


def write(target, seeds):
    folder = HERE / "corpus" / target
    folder.mkdir(parents=True, exist_ok=True)
    for name, content in seeds.items():
        (folder / name).write_bytes(content)


if __name__ == "__main__":
    write("fuzz_device_reply", DEVICE_SEEDS)
    write("fuzz_instance_request", INSTANCE_SEEDS)
