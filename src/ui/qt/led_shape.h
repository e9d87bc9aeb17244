// The light an LED picture draws in place of an image: a rounded shape (the key, or the
// LED's light guide) over the picture's rectangle less `glow` pixels on every side, and a
// glow that fades out over those pixels. Per pixel, row by row: how much light covers it
// (alpha) and how much of that light is white (the hot middle of a lit key or guide).
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace tavrinex::ui::qt {

enum class LedShapeKind : std::uint8_t {
  kKey,    // a key cap lit from below: a bright rim, a softer cap, a whitish middle
  kStrip,  // a light guide: round ends, white-hot along its middle
};

// "strip" is the light guide; anything else a key.
[[nodiscard]] LedShapeKind ShapeKindOf(std::string_view name);

struct ShapeLightPixel {
  std::uint8_t alpha = 0;
  std::uint8_t white = 0;
};

// width x height pixels; empty when either is not positive.
[[nodiscard]] std::vector<ShapeLightPixel> LightOfShape(LedShapeKind kind, int width, int height,
                                                        int glow);

}  // namespace tavrinex::ui::qt
