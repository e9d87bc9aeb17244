// Linux key codes to the Windows virtual-key codes and event flags that the key tables and
// the low-level keyboard event format use. The window system reports a key by its evdev code
// (X11 and Wayland hand it to Qt as the native scan code, evdev + 8); the table below names
// the Windows key each evdev key is, and whether Windows marks it "extended" (the keys of the
// E0 scan-code prefix: right Ctrl and Alt, the navigation block and arrows, keypad Enter and
// Divide, Num Lock, Print Screen, the Windows and menu keys, and the media keys).
//
// Keypad keys are named by the key itself whatever the Num Lock state, as the key editor
// assigns physical keys. Keys missing here are not keys of the tables: they are ignored.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace tavrinex::platform {

struct VirtualKey {
  std::uint8_t code = 0;
  bool extended = false;
};

struct EvdevKeyRow {
  std::uint16_t evdev;
  std::uint8_t virtualKey;
  bool extended;
};

inline constexpr std::uint32_t kNativeScanCodeOffset = 8;  // X11 keycode = evdev + 8

// clang-format off
inline constexpr std::array<EvdevKeyRow, 122> kEvdevKeyTable = {{
    {1, 0x1B, false},    // KEY_ESC
    {2, 0x31, false},  {3, 0x32, false},  {4, 0x33, false},  {5, 0x34, false},   // 1-4
    {6, 0x35, false},  {7, 0x36, false},  {8, 0x37, false},  {9, 0x38, false},   // 5-8
    {10, 0x39, false}, {11, 0x30, false},                                        // 9, 0
    {12, 0xBD, false},   // KEY_MINUS
    {13, 0xBB, false},   // KEY_EQUAL
    {14, 0x08, false},   // KEY_BACKSPACE
    {15, 0x09, false},   // KEY_TAB
    {16, 0x51, false}, {17, 0x57, false}, {18, 0x45, false}, {19, 0x52, false},  // Q W E R
    {20, 0x54, false}, {21, 0x59, false}, {22, 0x55, false}, {23, 0x49, false},  // T Y U I
    {24, 0x4F, false}, {25, 0x50, false},                                        // O P
    {26, 0xDB, false},   // KEY_LEFTBRACE
    {27, 0xDD, false},   // KEY_RIGHTBRACE
    {28, 0x0D, false},   // KEY_ENTER
    {29, 0xA2, false},   // KEY_LEFTCTRL
    {30, 0x41, false}, {31, 0x53, false}, {32, 0x44, false}, {33, 0x46, false},  // A S D F
    {34, 0x47, false}, {35, 0x48, false}, {36, 0x4A, false}, {37, 0x4B, false},  // G H J K
    {38, 0x4C, false},                                                           // L
    {39, 0xBA, false},   // KEY_SEMICOLON
    {40, 0xDE, false},   // KEY_APOSTROPHE
    {41, 0xC0, false},   // KEY_GRAVE
    {42, 0xA0, false},   // KEY_LEFTSHIFT
    {43, 0xDC, false},   // KEY_BACKSLASH
    {44, 0x5A, false}, {45, 0x58, false}, {46, 0x43, false}, {47, 0x56, false},  // Z X C V
    {48, 0x42, false}, {49, 0x4E, false}, {50, 0x4D, false},                     // B N M
    {51, 0xBC, false},   // KEY_COMMA
    {52, 0xBE, false},   // KEY_DOT
    {53, 0xBF, false},   // KEY_SLASH
    {54, 0xA1, false},   // KEY_RIGHTSHIFT
    {55, 0x6A, false},   // KEY_KPASTERISK
    {56, 0xA4, false},   // KEY_LEFTALT
    {57, 0x20, false},   // KEY_SPACE
    {58, 0x14, false},   // KEY_CAPSLOCK
    {59, 0x70, false}, {60, 0x71, false}, {61, 0x72, false}, {62, 0x73, false},  // F1-F4
    {63, 0x74, false}, {64, 0x75, false}, {65, 0x76, false}, {66, 0x77, false},  // F5-F8
    {67, 0x78, false}, {68, 0x79, false},                                        // F9, F10
    {69, 0x90, true},    // KEY_NUMLOCK
    {70, 0x91, false},   // KEY_SCROLLLOCK
    {71, 0x67, false}, {72, 0x68, false}, {73, 0x69, false},                     // KP7-KP9
    {74, 0x6D, false},   // KEY_KPMINUS
    {75, 0x64, false}, {76, 0x65, false}, {77, 0x66, false},                     // KP4-KP6
    {78, 0x6B, false},   // KEY_KPPLUS
    {79, 0x61, false}, {80, 0x62, false}, {81, 0x63, false},                     // KP1-KP3
    {82, 0x60, false},   // KEY_KP0
    {83, 0x6E, false},   // KEY_KPDOT
    {86, 0xE2, false},   // KEY_102ND (no row in the key table)
    {87, 0x7A, false},   // KEY_F11
    {88, 0x7B, false},   // KEY_F12
    {96, 0x0D, true},    // KEY_KPENTER
    {97, 0xA3, true},    // KEY_RIGHTCTRL
    {98, 0x6F, true},    // KEY_KPSLASH
    {99, 0x2C, true},    // KEY_SYSRQ (Print Screen)
    {100, 0xA5, true},   // KEY_RIGHTALT
    {102, 0x24, true},   // KEY_HOME
    {103, 0x26, true},   // KEY_UP
    {104, 0x21, true},   // KEY_PAGEUP
    {105, 0x25, true},   // KEY_LEFT
    {106, 0x27, true},   // KEY_RIGHT
    {107, 0x23, true},   // KEY_END
    {108, 0x28, true},   // KEY_DOWN
    {109, 0x22, true},   // KEY_PAGEDOWN
    {110, 0x2D, true},   // KEY_INSERT
    {111, 0x2E, true},   // KEY_DELETE
    {113, 0xAD, true},   // KEY_MUTE
    {114, 0xAE, true},   // KEY_VOLUMEDOWN
    {115, 0xAF, true},   // KEY_VOLUMEUP
    {119, 0x13, false},  // KEY_PAUSE
    {125, 0x5B, true},   // KEY_LEFTMETA
    {126, 0x5C, true},   // KEY_RIGHTMETA
    {127, 0x5D, true},   // KEY_COMPOSE (the menu key)
    {140, 0xB7, true},   // KEY_CALC (launch application 2)
    {155, 0xB4, true},   // KEY_MAIL
    {156, 0xAB, true},   // KEY_BOOKMARKS
    {157, 0xB6, true},   // KEY_COMPUTER (launch application 1)
    {158, 0xA6, true},   // KEY_BACK
    {159, 0xA7, true},   // KEY_FORWARD
    {163, 0xB0, true},   // KEY_NEXTSONG
    {164, 0xB3, true},   // KEY_PLAYPAUSE
    {165, 0xB1, true},   // KEY_PREVIOUSSONG
    {166, 0xB2, true},   // KEY_STOPCD
    {172, 0xAC, true},   // KEY_HOMEPAGE
    {173, 0xA8, true},   // KEY_REFRESH
    {217, 0xAA, true},   // KEY_SEARCH
    {226, 0xB5, true},   // KEY_MEDIA
}};
// clang-format on

[[nodiscard]] constexpr std::optional<VirtualKey> VirtualKeyOfEvdev(std::uint32_t evdev) {
  for (const EvdevKeyRow& row : kEvdevKeyTable) {
    if (row.evdev == evdev) return VirtualKey{row.virtualKey, row.extended};
  }
  return std::nullopt;
}

[[nodiscard]] constexpr std::optional<VirtualKey> VirtualKeyOfNative(std::uint32_t scanCode) {
  if (scanCode < kNativeScanCodeOffset) return std::nullopt;
  return VirtualKeyOfEvdev(scanCode - kNativeScanCodeOffset);
}

namespace key_translation_detail {
constexpr bool EvdevCodesAscendAndAreUnique() {
  for (std::size_t i = 1; i < kEvdevKeyTable.size(); ++i) {
    if (kEvdevKeyTable[i - 1].evdev >= kEvdevKeyTable[i].evdev) return false;
  }
  return true;
}
}  // namespace key_translation_detail
static_assert(key_translation_detail::EvdevCodesAscendAndAreUnique());

}  // namespace tavrinex::platform
