#include "lighting/animation_state.h"

namespace tavrinex::lighting {

void Reset(KeyboardAnimation& s) {
  s.phase = 0;
  s.showcaseStage = 0;
  s.hue.fill(0);
  s.level.fill(0);
  for (auto& map : s.spreadMaps) map.fill(0);
}

void Reset(MouseAnimation& s) {
  s.phase = 0;
  s.hue.fill(0);
  s.level.fill(0);
  s.ring.fill(0);
}

void Reset(MousePadAnimation& s) {
  s.phase = 0;
  s.hue.fill(0);
  s.level.fill(0);
  s.ring.fill(0);
}

void SetKeyRainbowStart(KeyboardAnimation& s) {
  unsigned h = 0;
  for (auto& hue : s.hue) {
    h += 33;
    if (h > 192) h -= 192;
    hue = static_cast<std::uint8_t>(h);
  }
}

void SetRippleSource(KeyboardAnimation& s) {
  constexpr std::size_t kSourceColumn = 9;
  for (auto& map : s.spreadMaps) map[kSourceColumn] |= 0x40;
}

void SeedReactive(KeyboardAnimation& s, std::size_t position) {
  const auto place = FindInMatrix(position);
  if (!place) return;
  for (auto& map : s.spreadMaps) map[place->column] |= static_cast<std::uint8_t>(1U << place->row);
}

void SetMouseChaseStart(MouseAnimation& s, std::uint8_t direction) {
  s.ring[direction != 0 ? 7 : 0] = 1;
}

void SetPadChaseStart(MousePadAnimation& s) { s.ring[0] = 1; }

}  // namespace tavrinex::lighting
