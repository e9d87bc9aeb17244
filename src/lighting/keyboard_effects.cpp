// The keyboard's effects: the common modes 0-3 over its key matrix and the keyboard's own
// modes 4-9.
#include <algorithm>

#include "lighting/breath_step.h"
#include "lighting/effect_tables.h"
#include "lighting/effects.h"

namespace tavrinex::lighting {

namespace {

struct KbContext {
  const CurrentRecord& record;
  KeyboardAnimation& state;
  HueAccumulator& hue;
  KeyboardFrame& frame;
  unsigned s;  // BrightnessScale[brightness]

  [[nodiscard]] bool Up() const { return record[rec::kDirection] != 0; }
  [[nodiscard]] bool Multi() const { return record[rec::kMultiColour] != 0; }
  [[nodiscard]] ui::Rgb Colour() const { return RecordColour(record); }
};

// Draws key position p and sends its device LED, when it has one.
void LightKey(KeyboardFrame& f, std::size_t p, ui::Rgb colour, Scale scale) {
  f.Draw(p, colour, scale.opacity);
  const std::uint8_t led = kKeyLedMap[p];
  if (led != kNone) f.Send(led, scale.Apply(colour));
}

// Multi-colour: the hue wheel at (phase + step * e); single colour: the wave curve at
// (phase + curveStep * e). `light(e, colour, scale)` places element e.
template <typename Light>
void Wave(KbContext& c, std::size_t elements, unsigned hueStep, unsigned curveStep, Light&& light) {
  if (c.Multi()) {
    c.state.phase = StepPhase(c.state.phase, 191, c.Up());
    for (std::size_t e = 0; e < elements; ++e) {
      light(e, kHueWheel[(c.state.phase + hueStep * e) % kHueCount], Scale::KbPlain(c.s));
    }
    return;
  }
  c.state.phase = StepPhase(c.state.phase, 95, c.Up());
  for (std::size_t e = 0; e < elements; ++e) {
    const unsigned k = kWaveCurve[(c.state.phase + curveStep * e) % kWaveCurve.size()];
    light(e, c.Colour(), Scale::KbCurve(c.s, k));
  }
}

void MatrixWave(KbContext& c) {
  Wave(c, kMatrixColumns, 7, 10, [&](std::size_t column, ui::Rgb colour, Scale scale) {
    for (std::size_t r = 0; r < kMatrixRows; ++r) {
      const std::uint8_t p = MatrixAt(column, r);
      if (p != kNone) LightKey(c.frame, p, colour, scale);
    }
  });
}

void PathWave(KbContext& c) {
  Wave(c, kPathKeys, 5, 5,
       [&](std::size_t e, ui::Rgb colour, Scale scale) { LightKey(c.frame, kLedPath[e], colour, scale); });
}

// Every position i drawn and device slot i filled.
void AllSlots(KbContext& c, ui::Rgb colour, Scale scale) {
  for (std::size_t i = 0; i < kKeyPositions; ++i) c.frame.Light(i, colour, scale);
}

void ColourCycle(KbContext& c) {
  c.state.phase = StepPhase(c.state.phase, 191, c.Up());
  AllSlots(c, kHueWheel[c.state.phase % kHueCount], Scale::KbPlain(c.s));
}

void Breathing(KbContext& c, CurrentRecord& record) {
  std::uint8_t& cycle = record[rec::kBreathCycle];
  const unsigned k = StepBreath(c.state.phase, cycle, c.Up());
  const ui::Rgb colour = c.Multi() ? kHueWheel[(c.state.phase + 50U) % kHueCount] : c.Colour();
  AllSlots(c, colour, Scale::KbCurve(c.s, k));
}

void KeyRainbow(KbContext& c) {
  for (std::size_t i = 0; i < kKeyPositions; ++i) {
    std::uint8_t& h = c.state.hue[i];
    h = h == 191 ? 0 : static_cast<std::uint8_t>(h + 1);
    c.frame.Light(i, HueAt(h), Scale::KbPlain(c.s));
  }
}

// Render the faded keys: each position of `order` (126 skipped) decays and is drawn with
// its light level.
template <typename Order>
void FadedKeys(KbContext& c, const Order& order, std::uint8_t (*decay)(std::uint8_t)) {
  for (const std::uint8_t p : order) {
    if (p >= kKeyPositions) continue;
    std::uint8_t& level = c.state.level[p];
    level = decay(level);
    const ui::Rgb colour = c.Multi() ? HueAt(c.state.hue[p]) : c.Colour();
    LightKey(c.frame, p, colour, Scale::KbLevel(c.s, level));
  }
}

void Ripple(KbContext& c) {
  constexpr std::size_t kColumn = 9;
  std::uint8_t f = 0;
  for (const auto& map : c.state.spreadMaps) f |= map[kColumn];
  if (f == 0x01 || f == 0x40) {
    for (auto& map : c.state.spreadMaps) map[kColumn] |= f;
  }
  LightFromMaps(c.state, c.Multi(), c.hue);
  SpreadMapsStep(c.state.spreadMaps);
  FadedKeys(c, kLedPath, DecayFast);
}

void LightPosition(KbContext& c, std::uint8_t p) {
  if (p >= kKeyPositions) return;
  c.state.level[p] = 255;
  if (c.Multi()) c.state.hue[p] = c.hue.Next();
}

void AdvanceShowcase(KbContext& c) {
  constexpr std::uint8_t kPairSteps = 31;
  constexpr std::size_t kWatchedKey = 72;
  constexpr std::size_t kSeedKey = 52;
  constexpr std::size_t kCornerKey = 105;
  std::uint8_t& step = c.state.phase;
  switch (c.state.showcaseStage) {
    case 0:
      if (step >= kShowcaseSweep.size()) step = 0;  // left out of range by another mode
      for (const std::uint8_t p : kShowcaseSweep[step]) LightPosition(c, p);
      if (++step >= kShowcaseSweep.size()) {
        c.state.showcaseStage = 1;
        step = 0;
      }
      return;
    case 1:
      if (step < kPairSteps) {
        for (const std::uint8_t p : kShowcasePairs[step % kShowcasePairs.size()]) LightPosition(c, p);
        ++step;
      } else if (c.state.level[kWatchedKey] == 0) {
        c.state.showcaseStage = 2;
        step = 0;
      }
      return;
    case 2:
      SeedReactive(c.state, kSeedKey);
      c.state.showcaseStage = 3;
      return;
    case 3:
      LightFromMaps(c.state, c.Multi(), c.hue);
      SpreadMapsStep(c.state.spreadMaps);
      if (c.state.level[kCornerKey] != 0) c.state.showcaseStage = 4;
      return;
    default:
      if (c.state.level[kCornerKey] == 0) {
        c.state.showcaseStage = 0;
        step = 0;
      }
      return;
  }
}

void Custom(KbContext& c, const CustomColours* custom) {
  const bool hasSet = custom != nullptr && custom->HasSet();
  for (std::size_t i = 0; i < kKeyPositions; ++i) {
    const std::uint8_t led = kKeyLedMap[i];
    const ui::Rgb colour = (led == kNone || !hasSet) ? ui::Rgb{} : custom->Triple(custom->customSet, led);
    c.frame.Draw(i, colour, static_cast<std::uint8_t>(c.s));
    if (led != kNone) c.frame.Send(led, Scale::KbPlain(c.s).Apply(colour));
  }
}

bool Reactive(KbContext& c, ReactiveClock* clock) {
  if (clock == nullptr) return false;
  const unsigned threshold = 3U * ClampLevel(c.record[rec::kSpeed]) + 2U;
  if (clock->TakeTicksAbove(threshold)) {
    LightFromMaps(c.state, c.Multi(), c.hue);
    SpreadMapsStep(c.state.spreadMaps);
  }
  if (!clock->TakeFlag20()) return false;
  std::array<std::uint8_t, kKeyPositions> inOrder{};
  for (std::size_t i = 0; i < inOrder.size(); ++i) inOrder[i] = static_cast<std::uint8_t>(i);
  FadedKeys(c, inOrder, DecayNormal);
  return true;
}

}  // namespace

RenderResult RenderKeyboard(CurrentRecord& record, KeyboardAnimation& state, HueAccumulator& hue,
                            const KeyboardInputs& inputs, KeyboardFrame& frame) {
  frame.Clear();
  KbContext c{record, state, hue, frame, BrightnessFactor(record[rec::kBrightness])};
  switch (record[rec::kMode]) {
    case Code(LightingMode::kWave): MatrixWave(c); break;
    case Code(LightingMode::kColourCycle): ColourCycle(c); break;
    case Code(LightingMode::kBreathing): Breathing(c, record); break;
    case Code(LightingMode::kStatic): AllSlots(c, c.Colour(), Scale::KbStatic(c.s)); break;
    case Code(LightingMode::kKbKeyRainbow): KeyRainbow(c); break;
    case Code(LightingMode::kKbRipple): Ripple(c); break;
    case Code(LightingMode::kKbShowcase):
      AdvanceShowcase(c);
      FadedKeys(c, kLedPath, DecayNormal);
      break;
    case Code(LightingMode::kKbPathWave): PathWave(c); break;
    case Code(LightingMode::kKbCustom): Custom(c, inputs.custom); break;
    case Code(LightingMode::kKbReactive):
      if (!Reactive(c, inputs.reactive)) return {};
      break;
    default: return {};
  }
  return {true, {}};
}

std::uint8_t DecayFast(std::uint8_t l) {
  if (l >= 128) return static_cast<std::uint8_t>(l - 40);
  if (l >= 64) return static_cast<std::uint8_t>(l - 30);
  if (l >= 32) return static_cast<std::uint8_t>(l - 10);
  if (l >= 17) return static_cast<std::uint8_t>(l - 8);
  if (l >= 9) return l;
  return 0;
}

std::uint8_t DecayNormal(std::uint8_t l) {
  if (l >= 128) return static_cast<std::uint8_t>(l - 30);
  if (l >= 64) return static_cast<std::uint8_t>(l - 20);
  if (l >= 32) return static_cast<std::uint8_t>(l - 10);
  if (l >= 17) return static_cast<std::uint8_t>(l - 5);
  if (l >= 9) return static_cast<std::uint8_t>(l - 4);
  return 0;
}

void LightFromMaps(KeyboardAnimation& state, bool multiColour, HueAccumulator& hue) {
  for (std::size_t j = 0; j < kMatrixColumns; ++j) {
    std::uint8_t m = 0;
    for (const auto& map : state.spreadMaps) m |= map[j];
    for (std::size_t r = 0; r < kMatrixRows; ++r) {
      if ((m & (1U << r)) == 0) continue;
      const std::uint8_t p = MatrixAt(j, r);
      if (p >= kKeyPositions) continue;
      state.level[p] = 255;
      if (multiColour) state.hue[p] = hue.Next();
    }
  }
}

void SpreadMapsStep(SpreadMaps& maps) {
  constexpr std::size_t kLast = kMatrixColumns - 1;
  auto shl = [](std::uint8_t v) { return static_cast<std::uint8_t>(v << 1); };
  auto shr = [](std::uint8_t v) { return static_cast<std::uint8_t>(v >> 1); };
  SpreadMap& m0 = maps[0];
  SpreadMap& m1 = maps[1];
  SpreadMap& m2 = maps[2];
  SpreadMap& m3 = maps[3];
  // Ascending for the maps that take from the right, descending for those that take from the
  // left: every right-hand side reads the values from before this step.
  for (std::size_t j = 0; j < kLast; ++j) m0[j] = shl(m0[j]) | m0[j + 1];
  m0[kLast] = shl(m0[kLast]);
  for (std::size_t j = 0; j < kLast; ++j) m3[j] = shr(m3[j]) | m3[j + 1];
  m3[kLast] = shr(m3[kLast]);
  for (std::size_t j = kLast; j > 0; --j) m2[j] = shr(m2[j]) | m2[j - 1];
  m2[0] = shr(m2[0]);
  for (std::size_t j = kLast; j > 0; --j) m1[j] = shl(m1[j]) | m1[j - 1];
  m1[0] = shl(m1[0]);
}

}  // namespace tavrinex::lighting
