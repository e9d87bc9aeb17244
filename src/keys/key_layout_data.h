// Key data shared by the key model and the simulated firmware: the factory functions that
// the keyboard's key positions are expected to carry, and the default key blocks the host
// holds before a device has been read.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

#include "keys/key_function.h"

namespace tavrinex::keys {

inline constexpr std::size_t kKeyPositionCount = 126;  // 6 rows of 21 on the keyboard view
inline constexpr std::size_t kKeyPositionsPerRow = 21;
inline constexpr std::uint8_t kNoSlot = 126;  // a position without a key slot
inline constexpr std::size_t kKeyBlockSize = 512;
inline constexpr std::size_t kKeySlotSize = 3;
inline constexpr std::size_t kMouseButtonCount = 6;

using KeyBlock = std::array<std::uint8_t, kKeyBlockSize>;

namespace layout_detail {

constexpr KeyFunction Key(std::uint8_t usage) {
  return MakeKeyFunction(KeyFunctionKind::kKeyboardKey, 0, usage);
}
constexpr KeyFunction Modifier(std::uint8_t mask) {
  return MakeKeyFunction(KeyFunctionKind::kKeyboardKey, mask, 0);
}
constexpr KeyFunction Letter(char c) { return Key(static_cast<std::uint8_t>(0x04 + (c - 'A'))); }
// '1'..'9' are 0x1E..0x26, '0' is 0x27.
constexpr KeyFunction Digit(char c) {
  return Key(c == '0' ? std::uint8_t{0x27} : static_cast<std::uint8_t>(0x1E + (c - '1')));
}
constexpr KeyFunction F(int n) { return Key(static_cast<std::uint8_t>(0x39 + n)); }
// Keypad 1..9 are 0x59..0x61, keypad 0 is 0x62.
constexpr KeyFunction Num(int n) {
  return Key(n == 0 ? std::uint8_t{0x62} : static_cast<std::uint8_t>(0x58 + n));
}

// A position without a key.
inline constexpr KeyFunction kDot = Key(0);

inline constexpr KeyFunction kEsc = Key(0x29), kEnter = Key(0x28), kBackSpace = Key(0x2A),
                             kTab = Key(0x2B), kSpace = Key(0x2C), kMinus = Key(0x2D),
                             kEqual = Key(0x2E), kLeftBracket = Key(0x2F),
                             kRightBracket = Key(0x30), kBackslash = Key(0x31),
                             kSemicolon = Key(0x33), kQuote = Key(0x34), kGrave = Key(0x35),
                             kComma = Key(0x36), kPeriod = Key(0x37), kSlash = Key(0x38),
                             kCapsLock = Key(0x39), kPrintScr = Key(0x46),
                             kScrollLock = Key(0x47), kPause = Key(0x48), kInsert = Key(0x49),
                             kHome = Key(0x4A), kPageUp = Key(0x4B), kDelete = Key(0x4C),
                             kEnd = Key(0x4D), kPageDown = Key(0x4E), kRight = Key(0x4F),
                             kLeft = Key(0x50), kDown = Key(0x51), kUp = Key(0x52),
                             kNumLock = Key(0x53), kNumDivide = Key(0x54),
                             kNumMultiply = Key(0x55), kNumMinus = Key(0x56),
                             kNumPlus = Key(0x57), kNumEnter = Key(0x58), kDecimal = Key(0x63),
                             kApp = Key(0x65);
inline constexpr KeyFunction kLCtrl = Modifier(0x01), kLShift = Modifier(0x02),
                             kLAlt = Modifier(0x04), kLWin = Modifier(0x08),
                             kRCtrl = Modifier(0x10), kRShift = Modifier(0x20),
                             kRAlt = Modifier(0x40), kRWin = Modifier(0x80);
// The two keys that are not in the keyboard key table: the extra key of ISO layouts (usage
// 0x64) and the function key, whose kind 0xA0 the host carries without interpreting.
inline constexpr KeyFunction kIsoExtra = Key(0x64);
inline constexpr KeyFunction kFn = {0xA0, 0x02, 0x02};

}  // namespace layout_detail

// The function each key position (21 x row + column) is expected to carry from the factory;
// used only to find which slot of the default key block belongs to which position.
inline constexpr std::array<KeyFunction, kKeyPositionCount> kReferenceLayout = [] {
  using namespace layout_detail;
  const KeyFunction d = kDot;
  return std::array<KeyFunction, kKeyPositionCount>{
      // 0-20
      kEsc, F(1), F(2), F(3), F(4), F(5), F(6), F(7), F(8), F(9), F(10), F(11), F(12),
      kPrintScr, kScrollLock, kPause, d, d, d, d, d,
      // 21-41
      kGrave, Digit('1'), Digit('2'), Digit('3'), Digit('4'), Digit('5'), Digit('6'),
      Digit('7'), Digit('8'), Digit('9'), Digit('0'), kMinus, kEqual, kBackSpace, kInsert,
      kHome, kPageUp, kNumLock, kNumDivide, kNumMultiply, kNumMinus,
      // 42-62
      kTab, Letter('Q'), Letter('W'), Letter('E'), Letter('R'), Letter('T'), Letter('Y'),
      Letter('U'), Letter('I'), Letter('O'), Letter('P'), kLeftBracket, kRightBracket,
      kBackslash, kDelete, kEnd, kPageDown, Num(7), Num(8), Num(9), d,
      // 63-83
      kCapsLock, Letter('A'), Letter('S'), Letter('D'), Letter('F'), Letter('G'), Letter('H'),
      Letter('J'), Letter('K'), Letter('L'), kSemicolon, kQuote, kEnter, Num(4), Num(5), Num(6),
      d, d, d, d, d,
      // 84-104
      kLShift, Letter('Z'), Letter('X'), Letter('C'), Letter('V'), Letter('B'), Letter('N'),
      Letter('M'), kComma, kPeriod, kSlash, kRShift, kUp, Num(1), Num(2), Num(3), d, d,
      kIsoExtra, d, d,
      // 105-125
      kLCtrl, kLWin, kLAlt, kSpace, kRAlt, kFn, kApp, kRCtrl, kLeft, kDown, kRight, Num(0),
      kDecimal, kNumEnter, kNumPlus, d, d, d, d, d, kRWin};
}();

namespace layout_detail {
constexpr bool KeysAreDistinct() {
  for (std::size_t i = 0; i < kKeyPositionCount; ++i) {
    if (kReferenceLayout[i] == kDot) continue;
    for (std::size_t j = i + 1; j < kKeyPositionCount; ++j) {
      if (kReferenceLayout[i] == kReferenceLayout[j]) return false;
    }
  }
  return true;
}
constexpr std::size_t CountKeys() {
  return kKeyPositionCount - static_cast<std::size_t>(std::count(
                                 kReferenceLayout.begin(), kReferenceLayout.end(), kDot));
}
}  // namespace layout_detail
static_assert(layout_detail::KeysAreDistinct(), "every key position names its own function");
inline constexpr std::size_t kReferenceKeyCount = layout_detail::CountKeys();
static_assert(kReferenceKeyCount == 106);

// The mouse's six buttons: left, wheel, right, forward, back, DPI.
inline constexpr std::array<KeyFunction, kMouseButtonCount> kMouseBuiltInDefaults = {{
    {0x10, 0x01, 0x00},  // left button
    {0x10, 0x04, 0x00},  // middle button
    {0x10, 0x02, 0x00},  // right button
    {0x10, 0x10, 0x00},  // forward
    {0x10, 0x08, 0x00},  // back
    {0x13, 0x03, 0x00},  // DPI cycle
}};

// What the host's default key block holds before a device has been read: 0x05 in every byte
// but the last two.
[[nodiscard]] constexpr KeyBlock BuiltInKeyboardDefaultKeyBlock() {
  KeyBlock block{};
  block.fill(0x05);
  block[kKeyBlockSize - 2] = 0;
  block[kKeyBlockSize - 1] = 0;
  return block;
}

[[nodiscard]] constexpr KeyBlock BuiltInMouseDefaultKeyBlock() {
  KeyBlock block = BuiltInKeyboardDefaultKeyBlock();
  for (std::size_t s = 0; s < kMouseButtonCount; ++s) {
    block[kKeySlotSize * s] = kMouseBuiltInDefaults[s].kind;
    block[kKeySlotSize * s + 1] = kMouseBuiltInDefaults[s].param1;
    block[kKeySlotSize * s + 2] = kMouseBuiltInDefaults[s].param2;
  }
  return block;
}

static_assert(BuiltInKeyboardDefaultKeyBlock()[509] == 0x05);
static_assert(BuiltInKeyboardDefaultKeyBlock()[510] == 0);
static_assert(BuiltInMouseDefaultKeyBlock()[15] == 0x13 && BuiltInMouseDefaultKeyBlock()[18] == 5);

}  // namespace tavrinex::keys
