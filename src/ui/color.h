// The two colour words of the UI layer. Ordinary colours (background, text, palette) are
// 0xAARRGGBB. The overlay colour of a control keeps the library's own order: red in bits
// 0-7, blue in bits 8-15, green in bits 16-23.
#pragma once

#include <cstdint>

namespace tavrinex::ui {

using Argb = std::uint32_t;

struct Rgb {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;
  friend constexpr bool operator==(Rgb, Rgb) = default;
};

[[nodiscard]] constexpr std::uint32_t OverlayWord(Rgb c) {
  return std::uint32_t{c.r} | (std::uint32_t{c.b} << 8) | (std::uint32_t{c.g} << 16);
}
[[nodiscard]] constexpr Rgb FromOverlayWord(std::uint32_t w) {
  return {static_cast<std::uint8_t>(w & 0xFF), static_cast<std::uint8_t>((w >> 16) & 0xFF),
          static_cast<std::uint8_t>((w >> 8) & 0xFF)};
}
[[nodiscard]] constexpr Argb ToArgb(Rgb c, std::uint8_t alpha = 0xFF) {
  return (std::uint32_t{alpha} << 24) | (std::uint32_t{c.r} << 16) | (std::uint32_t{c.g} << 8) |
         std::uint32_t{c.b};
}

static_assert(OverlayWord({0x11, 0x22, 0x33}) == 0x223311);
static_assert(FromOverlayWord(0x223311) == Rgb{0x11, 0x22, 0x33});
static_assert(ToArgb({0x01, 0x99, 0xCB}) == 0xFF0199CB);

}  // namespace tavrinex::ui
