// The constant tables of the effect engine: the hue wheel, the breathing and wave curves,
// the frame delays per speed, the mouse's LED groups and breathing palettes, the keyboard
// showcase script and the mouse pad's columns.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "lighting/lighting_model.h"
#include "ui/color.h"

namespace tavrinex::lighting {

inline constexpr std::size_t kHueCount = 192;

namespace detail {
inline constexpr std::array<std::uint8_t, 32> kRise = {
    1,   3,   5,   7,   10,  14,  18,  22,  26,  32,  38,  44,  50,  57,  65,  73,
    81,  89,  99,  109, 119, 129, 140, 152, 164, 176, 188, 200, 213, 227, 241, 255};
inline constexpr std::array<std::uint8_t, 32> kFall = {
    248, 234, 220, 206, 194, 182, 170, 158, 146, 134, 124, 114, 104, 94, 85, 77,
    69,  61,  53,  47,  41,  35,  29,  24,  20,  16,  12,  8,   6,   4,  2,  0};

constexpr std::array<ui::Rgb, kHueCount> MakeHueWheel() {
  std::array<ui::Rgb, kHueCount> w{};
  for (std::size_t i = 0; i < 32; ++i) {
    const std::uint8_t u = kRise[i];
    const std::uint8_t d = kFall[i];
    w[i] = {255, u, 0};
    w[32 + i] = {d, 255, 0};
    w[64 + i] = {0, 255, u};
    w[96 + i] = {0, d, 255};
    w[128 + i] = {u, 0, 255};
    w[160 + i] = {255, 0, d};
  }
  return w;
}

inline constexpr std::array<std::uint8_t, 64> kBreathRise = {
    0,   1,   2,   3,   4,   5,   6,   7,   8,   9,   10,  12,  14,  16,  18,  20,
    22,  24,  27,  30,  33,  36,  39,  42,  45,  49,  53,  57,  61,  65,  69,  73,
    77,  81,  85,  89,  94,  99,  104, 109, 114, 119, 124, 129, 134, 140, 146, 152,
    158, 164, 170, 176, 182, 188, 194, 200, 206, 213, 220, 227, 234, 241, 248, 255};

template <std::size_t First, std::size_t Count>
constexpr std::array<std::uint8_t, 2 * Count> RiseAndFall() {
  std::array<std::uint8_t, 2 * Count> c{};
  for (std::size_t i = 0; i < Count; ++i) {
    c[i] = kBreathRise[First + i];
    c[2 * Count - 1 - i] = kBreathRise[First + i];
  }
  return c;
}
}  // namespace detail

inline constexpr std::array<ui::Rgb, kHueCount> kHueWheel = detail::MakeHueWheel();
static_assert(kHueWheel[0] == ui::Rgb{255, 1, 0} && kHueWheel[63] == ui::Rgb{0, 255, 0} &&
              kHueWheel[191] == ui::Rgb{255, 0, 0} && kHueWheel[96] == ui::Rgb{0, 248, 255});

// A hue byte of 192-255 selects entry hue - 192.
[[nodiscard]] constexpr ui::Rgb HueAt(std::uint8_t hue) { return kHueWheel[hue % kHueCount]; }

inline constexpr std::array<std::uint8_t, 128> kBreathCurve = detail::RiseAndFall<0, 64>();
inline constexpr std::array<std::uint8_t, 96> kWaveCurve = detail::RiseAndFall<16, 48>();
static_assert(kBreathCurve[63] == 255 && kBreathCurve[64] == 255 && kBreathCurve[127] == 0);
static_assert(kWaveCurve[0] == 22 && kWaveCurve[47] == 255 && kWaveCurve[95] == 22);

// Frame delays in ms per speed 0-14.
using DelayRow = std::array<std::uint8_t, 15>;
namespace detail {
constexpr DelayRow Steps(std::uint8_t first, std::uint8_t base) {
  DelayRow r{};
  r[0] = first;
  for (std::size_t s = 1; s < r.size(); ++s) r[s] = static_cast<std::uint8_t>(base + 4 * s);
  return r;
}
constexpr DelayRow BreathingRow() {
  DelayRow r = Steps(9, 9);
  r[14] = 63;
  return r;
}
}  // namespace detail

inline constexpr DelayRow kDelayWave = detail::Steps(2, 9);            // keyboard mode 0
inline constexpr DelayRow kDelayCommon = detail::Steps(9, 9);          // 9, 13, ..., 65
inline constexpr DelayRow kDelayBreathing = detail::BreathingRow();    // keyboard mode 2
inline constexpr DelayRow kDelayRainbowPath = detail::Steps(3, 9);     // keyboard modes 4, 7
inline constexpr DelayRow kDelayReactive = detail::Steps(0, 5);        // keyboard mode 9; pad mode 9
static_assert(kDelayWave[1] == 13 && kDelayWave[14] == 65 && kDelayCommon[0] == 9 &&
              kDelayBreathing[13] == 61 && kDelayBreathing[14] == 63 && kDelayRainbowPath[0] == 3 &&
              kDelayReactive[1] == 9 && kDelayReactive[14] == 61);

// Keyboard: the delay row of each mode; unknown modes use the common row.
inline constexpr std::array<const DelayRow*, 10> kKeyboardDelays = {
    &kDelayWave,   &kDelayCommon,      &kDelayBreathing, &kDelayCommon, &kDelayRainbowPath,
    &kDelayCommon, &kDelayCommon,      &kDelayRainbowPath, &kDelayCommon, &kDelayReactive};
// Keyboard: the extra wait of each mode before it renders.
inline constexpr std::array<std::uint8_t, 10> kKeyboardExtraWait = {0, 20, 0, 0, 12, 40, 15, 1, 0, 0};

[[nodiscard]] constexpr unsigned KeyboardDelay(std::uint8_t mode, std::uint8_t speed) {
  const DelayRow& row = mode < kKeyboardDelays.size() ? *kKeyboardDelays[mode] : kDelayCommon;
  return row[ClampLevel(speed)];
}
[[nodiscard]] constexpr unsigned KeyboardExtraWait(std::uint8_t mode) {
  return mode < kKeyboardExtraWait.size() ? kKeyboardExtraWait[mode] : 0;
}
// Mouse pad: modes 0-8 share one row; mode 9 (and unknown codes) the 0, 9, 13 ... row.
[[nodiscard]] constexpr unsigned MousePadDelay(std::uint8_t mode, std::uint8_t speed) {
  return (mode <= 8 ? kDelayCommon : kDelayReactive)[ClampLevel(speed)];
}

// The mouse's 20 LEDs as seven groups of three (group 2 names LED 9 twice).
inline constexpr std::size_t kMouseGroupCount = 7;
inline constexpr std::array<std::array<std::uint8_t, 3>, kMouseGroupCount> kMouseGroups = {{
    {0, 7, 19}, {1, 8, 18}, {2, 9, 9}, {3, 10, 14}, {4, 11, 15}, {5, 12, 16}, {6, 13, 17}}};

// Mouse breathing in multi-colour: one palette per breathing cycle, one colour per group.
inline constexpr std::array<std::array<ui::Rgb, kMouseGroupCount>, kBreathCycles> kMouseBreathPalettes = {{
    {{{255, 255, 0}, {200, 255, 0}, {170, 255, 0}, {140, 255, 0}, {110, 255, 0}, {80, 255, 0}, {70, 255, 0}}},
    {{{0, 255, 255}, {0, 200, 255}, {0, 170, 255}, {0, 140, 255}, {0, 110, 255}, {0, 80, 255}, {0, 70, 255}}},
    {{{245, 0, 255}, {245, 0, 200}, {245, 0, 170}, {245, 0, 140}, {245, 0, 110}, {245, 0, 80}, {245, 0, 70}}},
}};

// Keyboard showcase: 20 steps of up to six key positions (126 pads the shorter steps).
inline constexpr std::array<std::array<std::uint8_t, 6>, 20> kShowcaseSweep = {{
    {0, 118, 126, 126, 126, 126},  {1, 117, 126, 126, 126, 126},  {2, 116, 126, 126, 126, 126},
    {3, 115, 21, 118, 126, 126},   {4, 114, 22, 99, 126, 126},    {5, 113, 23, 98, 126, 126},
    {6, 112, 24, 97, 42, 119},     {7, 111, 25, 96, 43, 78},      {8, 110, 26, 95, 44, 77},
    {9, 109, 27, 94, 45, 76},      {33, 92, 28, 93, 46, 126},     {54, 71, 29, 92, 47, 126},
    {74, 50, 30, 71, 48, 75},      {94, 30, 31, 50, 49, 74},      {93, 31, 52, 30, 50, 73},
    {92, 32, 72, 31, 51, 72},      {71, 33, 71, 52, 52, 71},      {50, 54, 50, 72, 53, 126},
    {30, 74, 126, 126, 126, 126},  {31, 94, 126, 126, 126, 126},
}};
inline constexpr std::array<std::array<std::uint8_t, 2>, 16> kShowcasePairs = {{
    {30, 94}, {31, 93}, {32, 92}, {33, 71}, {54, 50}, {74, 30}, {94, 31}, {93, 32},
    {92, 33}, {71, 54}, {50, 74}, {51, 73}, {52, 72}, {53, 51}, {73, 52}, {72, 53}}};
static_assert(kShowcaseSweep.size() == 20 && kShowcasePairs.size() == 16);

// Mouse pad: 7 columns of 5 rows of LED indices (-1 = none).
inline constexpr std::size_t kPadColumnCount = 7;
inline constexpr std::array<std::array<std::int8_t, 5>, kPadColumnCount> kPadColumns = {{
    {0, 1, 2, 3, 4}, {-1, -1, -1, -1, 5}, {-1, -1, -1, -1, 6}, {-1, -1, -1, -1, 7},
    {-1, -1, -1, -1, 8}, {-1, -1, -1, -1, 9}, {14, 13, 12, 11, 10}}};

}  // namespace tavrinex::lighting
