#include "ui/qt/led_shape.h"

#include <algorithm>
#include <cmath>

namespace tavrinex::ui::qt {
namespace {

struct Look {
  float radius;      // corner radius in pixels; negative: half the short side
  float rim;         // width of the bright rim inside the edge
  float rimAlpha;    // the rim's light
  float capAlpha;    // the light of the rest of the shape
  float hotAlpha;    // added in the middle
  float hotWhite;    // white share in the middle
  float glowAlpha;   // the glow's light at the edge
};

constexpr Look kKeyLook{4.0F, 1.6F, 0.95F, 0.58F, 0.30F, 0.50F, 0.55F};
constexpr Look kStripLook{-1.0F, 0.0F, 0.95F, 0.95F, 0.05F, 0.70F, 0.75F};

// Signed distance from the point to a rounded rectangle centred at the origin with half
// sides hx, hy and corner radius r: negative inside.
float RoundedDistance(float x, float y, float hx, float hy, float r) {
  const float qx = std::abs(x) - (hx - r);
  const float qy = std::abs(y) - (hy - r);
  const float outside = std::hypot(std::max(qx, 0.0F), std::max(qy, 0.0F));
  return outside + std::min(std::max(qx, qy), 0.0F) - r;
}

std::uint8_t Byte(float v) { return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0F, 1.0F) * 255.0F)); }

}  // namespace

LedShapeKind ShapeKindOf(std::string_view name) {
  return name == "strip" ? LedShapeKind::kStrip : LedShapeKind::kKey;
}

std::vector<ShapeLightPixel> LightOfShape(LedShapeKind kind, int width, int height, int glow) {
  if (width <= 0 || height <= 0) return {};
  const Look& look = kind == LedShapeKind::kStrip ? kStripLook : kKeyLook;
  const float g = static_cast<float>(std::max(glow, 0));
  const float hx = std::max(static_cast<float>(width) / 2.0F - g, 0.5F);
  const float hy = std::max(static_cast<float>(height) / 2.0F - g, 0.5F);
  const float r = look.radius < 0 ? std::min(hx, hy) : std::min({look.radius, hx, hy});
  std::vector<ShapeLightPixel> out(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  for (int py = 0; py < height; ++py) {
    for (int px = 0; px < width; ++px) {
      const float x = static_cast<float>(px) + 0.5F - static_cast<float>(width) / 2.0F;
      const float y = static_cast<float>(py) + 0.5F - static_cast<float>(height) / 2.0F;
      const float d = RoundedDistance(x, y, hx, hy, r);
      const float cover = std::clamp(0.5F - d, 0.0F, 1.0F);  // anti-aliased edge
      const float fade = g > 0 ? std::clamp(1.0F - std::max(d, 0.0F) / (g + 0.5F), 0.0F, 1.0F) : 0.0F;
      const float glowLight = look.glowAlpha * fade * fade;
      // The middle: an ellipse a little above the centre, as the light leaves a cap's top.
      const float ex = x / (hx * 0.85F);
      const float ey = (y + hy * 0.12F) / (hy * 0.8F);
      const float hot = std::max(0.0F, 1.0F - ex * ex - ey * ey);
      const float depth = -d;
      const float inside = depth < look.rim ? look.rimAlpha : look.capAlpha + look.hotAlpha * hot;
      const float white = kind == LedShapeKind::kStrip
                              ? look.hotWhite * std::clamp(depth / std::min(hx, hy), 0.0F, 1.0F)
                              : (depth < look.rim ? 0.15F : look.hotWhite * hot);
      ShapeLightPixel& p = out[static_cast<std::size_t>(py) * static_cast<std::size_t>(width) +
                               static_cast<std::size_t>(px)];
      p.alpha = Byte(cover * inside + (1.0F - cover) * glowLight);
      p.white = Byte(cover * white);
    }
  }
  return out;
}

}  // namespace tavrinex::ui::qt
