// The simulated firmware's factory state, defined once: the simulator starts from it and
// returns to it on a factory reset, and default profile files can be generated from it.
//
// Only some of these bytes have a documented meaning (the keyboard's LED count and macro
// area size, the mouse's DPI scale, the record fields). Everything else is our own plausible
// choice and marked "invented" below.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "device/device_kind.h"
#include "keys/key_layout_data.h"

namespace tavrinex::sim::factory {

using device::DeviceKind;

inline constexpr std::size_t kInfoSize = 33;
inline constexpr std::size_t kProfileCount = 5;
inline constexpr std::size_t kSettingsSlotSize = 64;
inline constexpr std::size_t kSettingsAreaSize = kProfileCount * kSettingsSlotSize;  // 320
inline constexpr std::size_t kRecordSize = 21;
inline constexpr std::size_t kMacroUnit = 128;

using InfoBlock = std::array<std::uint8_t, kInfoSize>;
using SettingsArea = std::array<std::uint8_t, kSettingsAreaSize>;

// Info block byte positions.
namespace info {
inline constexpr std::size_t kLayoutVersion = 0;   // invented
inline constexpr std::size_t kFirmwareLow = 1;     // invented
inline constexpr std::size_t kFirmwareHigh = 2;    // invented
inline constexpr std::size_t kDeviceTag = 3;       // invented: 1 keyboard, 2 mouse, 3 mouse pad
inline constexpr std::size_t kProfiles = 4;        // invented
inline constexpr std::size_t kLedCount = 5;        // keyboard: LEDs and key slots
inline constexpr std::size_t kMacroUnits = 6;      // macro area in units of 128 bytes
inline constexpr std::size_t kDpiStep = 11;        // mouse
inline constexpr std::size_t kDpiMaxIndex = 12;    // mouse
inline constexpr std::size_t kDpiBaseLow = 13;     // mouse
inline constexpr std::size_t kDpiBaseHigh = 14;    // mouse
}  // namespace info

inline constexpr std::uint8_t kKeyboardLedCount = 126;
inline constexpr std::uint8_t kMouseLedCount = 20;
inline constexpr std::uint8_t kMousePadLedCount = 15;

[[nodiscard]] constexpr std::uint8_t LedCount(DeviceKind kind) {
  switch (kind) {
    case DeviceKind::kKeyboard: return kKeyboardLedCount;
    case DeviceKind::kMouse: return kMouseLedCount;
    case DeviceKind::kMousePad: return kMousePadLedCount;
  }
  return 0;
}

[[nodiscard]] constexpr InfoBlock Info(DeviceKind kind) {
  InfoBlock b{};
  b[info::kLayoutVersion] = 1;
  b[info::kFirmwareLow] = 0x05;
  b[info::kFirmwareHigh] = 0x01;
  b[info::kDeviceTag] = static_cast<std::uint8_t>(device::IndexOf(kind) + 1);
  b[info::kProfiles] = kProfileCount;
  b[info::kLedCount] = LedCount(kind);
  switch (kind) {
    case DeviceKind::kKeyboard: b[info::kMacroUnits] = 32; break;  // 4096 bytes, invented size
    case DeviceKind::kMouse:
      b[info::kMacroUnits] = 8;  // 1024 bytes, invented size
      b[info::kDpiStep] = 100;
      b[info::kDpiMaxIndex] = 63;  // 100 .. 6400 DPI
      b[info::kDpiBaseLow] = 100;
      break;
    case DeviceKind::kMousePad: break;  // plays no macros
  }
  return b;
}

// Record bytes (the layout of the host's current record).
namespace record {
inline constexpr std::size_t kProfileIndex = 0;
inline constexpr std::size_t kMode = 1;
inline constexpr std::size_t kBrightness = 2;
inline constexpr std::size_t kSpeed = 3;
inline constexpr std::size_t kDirection = 4;
inline constexpr std::size_t kMultiColour = 5;
inline constexpr std::size_t kRed = 6;
inline constexpr std::size_t kGreen = 7;
inline constexpr std::size_t kBlue = 8;
inline constexpr std::size_t kBreathCycle = 9;
inline constexpr std::size_t kDpiRed = 11;  // mouse from here on
inline constexpr std::size_t kReportRate = 14;
inline constexpr std::size_t kDpi1 = 15;
inline constexpr std::size_t kActiveDpiLevel = 19;
inline constexpr std::size_t kSensorHeight = 20;
}  // namespace record

// The factory record of profile p: each profile starts in another mode and colour so that
// the profiles can be told apart (invented values within the documented ranges).
[[nodiscard]] constexpr std::array<std::uint8_t, kSettingsSlotSize> Record(DeviceKind kind,
                                                                           std::size_t p) {
  constexpr std::array<std::array<std::uint8_t, 3>, kProfileCount> kColours = {
      {{0xFF, 0x00, 0x00}, {0x00, 0xF6, 0xFF}, {0x6C, 0xFF, 0x00}, {0x7E, 0x00, 0xFF},
       {0x00, 0x8A, 0xFF}}};
  constexpr std::array<std::uint8_t, kProfileCount> kPadModes = {0, 1, 2, 3, 6};
  std::array<std::uint8_t, kSettingsSlotSize> r{};
  r[record::kProfileIndex] = static_cast<std::uint8_t>(p);
  r[record::kMode] = kind == DeviceKind::kMousePad ? kPadModes[p] : static_cast<std::uint8_t>(p);
  r[record::kBrightness] = 14;
  r[record::kSpeed] = 7;
  r[record::kDirection] = 1;
  r[record::kMultiColour] = (p == 0 || p == 2) ? 1 : 0;
  r[record::kRed] = kColours[p][0];
  r[record::kGreen] = kColours[p][1];
  r[record::kBlue] = kColours[p][2];
  if (kind == DeviceKind::kMouse) {
    r[record::kDpiRed] = kColours[p][0];
    r[record::kDpiRed + 1] = kColours[p][1];
    r[record::kDpiRed + 2] = kColours[p][2];
    r[record::kReportRate] = 3;
    constexpr std::array<std::uint8_t, 4> kDpiSteps = {3, 7, 15, 31};  // 400 .. 3200 DPI
    for (std::size_t i = 0; i < kDpiSteps.size(); ++i) r[record::kDpi1 + i] = kDpiSteps[i];
    r[record::kActiveDpiLevel] = 1;
    r[record::kSensorHeight] = 1;
  }
  return r;
}

// The settings area: five slots of 64 bytes; byte 0 of the area is the active profile (0).
[[nodiscard]] constexpr SettingsArea Settings(DeviceKind kind) {
  SettingsArea area{};
  for (std::size_t p = 0; p < kProfileCount; ++p) {
    const auto r = Record(kind, p);
    for (std::size_t i = 0; i < kSettingsSlotSize; ++i) area[p * kSettingsSlotSize + i] = r[i];
  }
  return area;
}

// Keyboard key slots are numbered like the keyboard's LEDs, so a key's slot is the LED under
// it (invented, and the reason slots are not in position order). The two keys without an
// LED take free slots: the ISO extra key the gap beside left Shift (85), right Win the gap
// between App and right Ctrl (112). Positions without a key have no slot.
inline constexpr std::array<std::uint8_t, keys::kKeyPositionCount> kKeyboardSlotOfPosition = [] {
  std::array<std::uint8_t, keys::kKeyPositionCount> s{};
  s.fill(keys::kNoSlot);
  const auto run = [&s](std::size_t from, std::size_t to, std::size_t firstSlot) {
    for (std::size_t k = from; k <= to; ++k) s[k] = static_cast<std::uint8_t>(firstSlot + k - from);
  };
  run(0, 12, 0);
  run(13, 15, 14);
  run(21, 61, 21);
  run(63, 74, 63);
  s[75] = 76;
  run(76, 78, 80);
  s[84] = 84;
  run(85, 94, 86);
  s[95] = 97;
  s[96] = 99;
  run(97, 99, 101);
  s[102] = 85;
  run(105, 111, 105);
  s[112] = 113;
  run(113, 115, 119);
  run(116, 117, 123);
  s[118] = 104;
  s[119] = 62;
  s[125] = 112;
  return s;
}();

namespace detail {
constexpr bool SlotsFitTheLayout() {
  std::array<bool, keys::kKeyPositionCount> used{};
  for (std::size_t k = 0; k < keys::kKeyPositionCount; ++k) {
    const bool isKey = !(keys::kReferenceLayout[k] == keys::layout_detail::kDot);
    const std::uint8_t slot = kKeyboardSlotOfPosition[k];
    if (isKey != (slot != keys::kNoSlot)) return false;  // every key has a slot, no dot has one
    if (slot == keys::kNoSlot) continue;
    if (used[slot]) return false;  // two keys in one slot
    used[slot] = true;
  }
  return true;
}
}  // namespace detail
static_assert(detail::SlotsFitTheLayout());

// The keyboard's factory key block: each key's reference function in its slot; slots without
// a key hold 00 00 00 (kind 0, no function), so positions without a key find no slot.
[[nodiscard]] constexpr keys::KeyBlock KeyboardDefaultKeys() {
  keys::KeyBlock block{};
  for (std::size_t k = 0; k < keys::kKeyPositionCount; ++k) {
    const std::uint8_t slot = kKeyboardSlotOfPosition[k];
    if (slot == keys::kNoSlot) continue;
    block[keys::kKeySlotSize * slot] = keys::kReferenceLayout[k].kind;
    block[keys::kKeySlotSize * slot + 1] = keys::kReferenceLayout[k].param1;
    block[keys::kKeySlotSize * slot + 2] = keys::kReferenceLayout[k].param2;
  }
  return block;
}

// The mouse's factory key block: the six buttons' defaults, the rest zero.
[[nodiscard]] constexpr keys::KeyBlock MouseDefaultKeys() {
  keys::KeyBlock block{};
  for (std::size_t s = 0; s < keys::kMouseButtonCount; ++s) {
    block[keys::kKeySlotSize * s] = keys::kMouseBuiltInDefaults[s].kind;
    block[keys::kKeySlotSize * s + 1] = keys::kMouseBuiltInDefaults[s].param1;
    block[keys::kKeySlotSize * s + 2] = keys::kMouseBuiltInDefaults[s].param2;
  }
  return block;
}

[[nodiscard]] constexpr keys::KeyBlock DefaultKeys(DeviceKind kind) {
  switch (kind) {
    case DeviceKind::kKeyboard: return KeyboardDefaultKeys();
    case DeviceKind::kMouse: return MouseDefaultKeys();
    case DeviceKind::kMousePad: break;  // no keys
  }
  return {};
}

static_assert(KeyboardDefaultKeys()[3 * 85 + 2] == 0x64);  // the ISO key in its slot
static_assert(Settings(DeviceKind::kMouse)[3 * kSettingsSlotSize + record::kMode] == 3);

}  // namespace tavrinex::sim::factory
