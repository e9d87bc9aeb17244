// The lighting part of a device's settings record: where each field sits in the 21-byte
// CurrentRecord, the lighting modes with the parameter groups each one uses, the encodings of
// brightness, speed and colour, the lighting shared by all devices, and the preset colours.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

#include "device/device_image.h"
#include "device/device_kind.h"
#include "ui/color.h"

namespace tavrinex::lighting {

using device::CurrentRecord;
using device::DeviceKind;

// Byte offsets in the CurrentRecord (the same on all three devices for 0-9).
namespace rec {
inline constexpr std::size_t kProfileIndex = 0;
inline constexpr std::size_t kMode = 1;
inline constexpr std::size_t kBrightness = 2;
inline constexpr std::size_t kSpeed = 3;
inline constexpr std::size_t kDirection = 4;   // nonzero: FXL, the phase counts up
inline constexpr std::size_t kMultiColour = 5;  // nonzero: colours from the hue wheel
inline constexpr std::size_t kRed = 6;
inline constexpr std::size_t kGreen = 7;
inline constexpr std::size_t kBlue = 8;
inline constexpr std::size_t kBreathCycle = 9;  // the breathing effects' cycle counter
// Mouse only: the performance fields.
inline constexpr std::size_t kDpiRed = 11;
inline constexpr std::size_t kDpiGreen = 12;
inline constexpr std::size_t kDpiBlue = 13;
inline constexpr std::size_t kReportRate = 14;
inline constexpr std::size_t kDpi1 = 15;  // dpi1..dpi4 at 15..18
inline constexpr std::size_t kActiveDpiLevel = 19;
inline constexpr std::size_t kSensorHeight = 20;
}  // namespace rec
static_assert(rec::kSensorHeight < device::kCurrentRecordSize);

inline constexpr std::uint8_t kMaxLevel = 14;  // brightness and speed run 0..14
inline constexpr std::uint8_t kBreathCycles = 3;

// LightingMode codes. 0-3 mean the same on every device and are the only shareable ones.
enum class LightingMode : std::uint8_t {
  kWave = 0,
  kColourCycle = 1,
  kBreathing = 2,
  kStatic = 3,
  kKbKeyRainbow = 4,
  kKbRipple = 5,
  kKbShowcase = 6,
  kKbPathWave = 7,
  kKbCustom = 8,
  kKbReactive = 9,
  kMsBar = 4,
  kMsChase = 5,
  kPadBar = 4,
  kPadChase = 5,
  kPadColumnWave = 6,
  kPadSweep = 7,
  kPadMouseFlash = 8,
  kPadNone = 9,
};
[[nodiscard]] constexpr std::uint8_t Code(LightingMode m) { return static_cast<std::uint8_t>(m); }

// How many mode codes each device's mode list offers.
[[nodiscard]] constexpr std::uint8_t ModeCount(DeviceKind kind) {
  return kind == DeviceKind::kMouse ? 6 : 10;
}

// Which parameter groups the editor enables for a mode.
enum class Group : std::uint8_t { kOff = 0, kOn = 1, kUnchanged = 2 };
struct ModeGroups {
  Group direction;  // fx
  Group colour;     // single colour
  Group multiColour;
  Group speed;
  Group share;  // the shared-lighting button
};

namespace detail {
inline constexpr Group N = Group::kOff;
inline constexpr Group Y = Group::kOn;
inline constexpr Group U = Group::kUnchanged;
}  // namespace detail

inline constexpr std::array<ModeGroups, 10> kKeyboardModeGroups = {{
    {detail::Y, detail::Y, detail::Y, detail::Y, detail::Y},  // 0 wave
    {detail::N, detail::N, detail::N, detail::Y, detail::Y},  // 1 colour cycle
    {detail::N, detail::Y, detail::Y, detail::Y, detail::Y},  // 2 breathing
    {detail::N, detail::Y, detail::N, detail::N, detail::Y},  // 3 static
    {detail::N, detail::N, detail::N, detail::Y, detail::N},  // 4 key rainbow
    {detail::N, detail::Y, detail::Y, detail::Y, detail::N},  // 5 ripple
    {detail::N, detail::Y, detail::Y, detail::Y, detail::N},  // 6 showcase
    {detail::Y, detail::Y, detail::Y, detail::Y, detail::N},  // 7 path wave
    {detail::N, detail::Y, detail::Y, detail::N, detail::N},  // 8 custom
    {detail::N, detail::Y, detail::Y, detail::U, detail::N},  // 9 reactive
}};
inline constexpr std::array<ModeGroups, 6> kMouseModeGroups = {{
    kKeyboardModeGroups[0], kKeyboardModeGroups[1], kKeyboardModeGroups[2], kKeyboardModeGroups[3],
    {detail::Y, detail::Y, detail::Y, detail::Y, detail::N},  // 4 bar
    {detail::Y, detail::Y, detail::Y, detail::Y, detail::N},  // 5 chase
}};
inline constexpr std::array<ModeGroups, 10> kMousePadModeGroups = {{
    kKeyboardModeGroups[0], kKeyboardModeGroups[1], kKeyboardModeGroups[2], kKeyboardModeGroups[3],
    {detail::Y, detail::Y, detail::Y, detail::Y, detail::N},  // 4 bar
    {detail::Y, detail::Y, detail::Y, detail::Y, detail::N},  // 5 chase
    {detail::N, detail::N, detail::N, detail::Y, detail::N},  // 6 column wave
    {detail::N, detail::Y, detail::Y, detail::Y, detail::N},  // 7 sweep
    {detail::N, detail::Y, detail::Y, detail::N, detail::N},  // 8 mouse flash
    {detail::N, detail::Y, detail::Y, detail::U, detail::N},  // 9 no effect
}};
static_assert(kKeyboardModeGroups.size() == ModeCount(DeviceKind::kKeyboard));
static_assert(kMouseModeGroups.size() == ModeCount(DeviceKind::kMouse));
static_assert(kMousePadModeGroups.size() == ModeCount(DeviceKind::kMousePad));

// The groups of a device's mode; a code the device does not have leaves every group as it was.
[[nodiscard]] constexpr ModeGroups GroupsOf(DeviceKind kind, std::uint8_t mode) {
  if (mode >= ModeCount(kind)) return {detail::U, detail::U, detail::U, detail::U, detail::U};
  switch (kind) {
    case DeviceKind::kKeyboard: return kKeyboardModeGroups[mode];
    case DeviceKind::kMouse: return kMouseModeGroups[mode];
    case DeviceKind::kMousePad: return kMousePadModeGroups[mode];
  }
  return {};
}

// Intensity factor per brightness step: 45 + 15 i.
inline constexpr std::array<std::uint8_t, 15> kBrightnessScale = {
    45, 60, 75, 90, 105, 120, 135, 150, 165, 180, 195, 210, 225, 240, 255};
static_assert(kBrightnessScale.size() == kMaxLevel + 1u && kBrightnessScale[14] == 255);

// A device or a profile file may deliver any byte: brightness and speed above 14 act as 14.
[[nodiscard]] constexpr std::uint8_t ClampLevel(std::uint8_t v) { return std::min(v, kMaxLevel); }
[[nodiscard]] constexpr std::uint8_t BrightnessFactor(std::uint8_t brightness) {
  return kBrightnessScale[ClampLevel(brightness)];
}

// The speed slider's right end is the fastest: slider value v is stored as 14 - v (0 if negative).
[[nodiscard]] constexpr std::uint8_t SpeedFromSlider(int sliderValue) {
  return sliderValue >= kMaxLevel ? 0 : static_cast<std::uint8_t>(kMaxLevel - std::max(sliderValue, 0));
}
[[nodiscard]] constexpr int SliderFromSpeed(std::uint8_t speed) { return kMaxLevel - ClampLevel(speed); }
static_assert(SpeedFromSlider(14) == 0 && SpeedFromSlider(20) == 0 && SpeedFromSlider(0) == 14);

// Palette colours arrive as 0xAARRGGBB.
[[nodiscard]] constexpr ui::Rgb RgbFromArgb(ui::Argb argb) {
  return {static_cast<std::uint8_t>((argb >> 16) & 0xFF), static_cast<std::uint8_t>((argb >> 8) & 0xFF),
          static_cast<std::uint8_t>(argb & 0xFF)};
}
[[nodiscard]] constexpr ui::Rgb RecordColour(const CurrentRecord& r) {
  return {r[rec::kRed], r[rec::kGreen], r[rec::kBlue]};
}
constexpr void SetRecordColour(CurrentRecord& r, ui::Rgb c) {
  r[rec::kRed] = c.r;
  r[rec::kGreen] = c.g;
  r[rec::kBlue] = c.b;
}

// The lighting all devices show while they take part in the shared lighting: the meanings of
// CurrentRecord bytes 1-8, in that order.
struct SharedLighting {
  std::array<std::uint8_t, 8> bytes{};
  [[nodiscard]] std::uint8_t Mode() const { return bytes[0]; }
  [[nodiscard]] std::uint8_t Brightness() const { return bytes[1]; }
  [[nodiscard]] std::uint8_t Speed() const { return bytes[2]; }
  [[nodiscard]] std::uint8_t Direction() const { return bytes[3]; }
  [[nodiscard]] std::uint8_t MultiColour() const { return bytes[4]; }
  [[nodiscard]] ui::Rgb Colour() const { return {bytes[5], bytes[6], bytes[7]}; }
  friend bool operator==(const SharedLighting&, const SharedLighting&) = default;
};
static_assert(sizeof(SharedLighting) == 8);
inline constexpr std::size_t kSharedFirstByte = rec::kMode;  // record bytes 1..8

// Colour words of the numbered preset colour buttons 0-29 (0 and 13 are both pure red).
inline constexpr std::array<ui::Argb, 30> kPresetColours = {
    0xFFFF0000, 0xFF00F6FF, 0xFF6CFF00, 0xFF7E00FF, 0xFF008AFF, 0xFF2400FF, 0xFFADFE00, 0xFFFE5400,
    0xFFFE8300, 0xFF8300E7, 0xFFB700AC, 0xFFFEB300, 0xFFFEF500, 0xFFFF0000, 0xFFFF00F6, 0xFF21B309,
    0xFF48B1FA, 0xFFFA48A4, 0xFFFDFDFC, 0xFF4900E7, 0xFFFFC480, 0xFF000000, 0xFF1B48A3, 0xFF1B1A77,
    0xFF4877A3, 0xFF76A348, 0xFFACD55B, 0xFF7576D2, 0xFF7675FF, 0xFF4776A4};
static_assert(kPresetColours.size() == 30 && kPresetColours[0] == kPresetColours[13]);

// LED counts and the LedFrame sizes of CMD_WRITE_LED_COLOURS.
inline constexpr std::size_t kKeyboardLeds = 126;
inline constexpr std::size_t kMouseLeds = 20;
inline constexpr std::size_t kMousePadLeds = 15;
inline constexpr std::size_t kKeyboardFrameSize = 3 * kKeyboardLeds;
inline constexpr std::size_t kMouseFrameSize = 3 * kMouseLeds;
inline constexpr std::size_t kMousePadFrameSize = 3 * kMousePadLeds;
static_assert(kKeyboardFrameSize == 378 && kMouseFrameSize == 60 && kMousePadFrameSize == 45);

[[nodiscard]] constexpr std::size_t LedCount(DeviceKind kind) {
  switch (kind) {
    case DeviceKind::kKeyboard: return kKeyboardLeds;
    case DeviceKind::kMouse: return kMouseLeds;
    case DeviceKind::kMousePad: return kMousePadLeds;
  }
  return 0;
}

}  // namespace tavrinex::lighting
