// The lighting shared by all devices: modes 0-3 from SharedLighting, drawn on all three
// devices with the mouse's scaling (S + 1), the keyboard included.
#include "lighting/effect_tables.h"
#include "lighting/effects.h"

namespace tavrinex::lighting {

namespace {

// Element e of the shared wave: keyboard column e, mouse group e, pad LED e.
void LightElement(SharedFrames& f, std::size_t e, ui::Rgb colour, Scale scale) {
  for (std::size_t r = 0; r < kMatrixRows; ++r) {
    const std::uint8_t p = MatrixAt(e, r);
    if (p == kNone) continue;
    f.keyboard.Draw(p, colour, scale.opacity);
    if (kKeyLedMap[p] != kNone) f.keyboard.Send(kKeyLedMap[p], scale.Apply(colour));
  }
  if (e < kMouseGroupCount) {
    for (const std::uint8_t led : kMouseGroups[e]) f.mouse.Light(led, colour, scale);
  }
  if (e < kMousePadLeds) f.mousePad.Light(e, colour, scale);
}

void LightEverything(SharedFrames& f, ui::Rgb colour, Scale scale) {
  for (std::size_t i = 0; i < kKeyboardLeds; ++i) f.keyboard.Light(i, colour, scale);
  for (std::size_t i = 0; i < kMouseLeds; ++i) f.mouse.Light(i, colour, scale);
  for (std::size_t i = 0; i < kMousePadLeds; ++i) f.mousePad.Light(i, colour, scale);
}

}  // namespace

RenderResult RenderShared(const SharedLighting& shared, std::uint8_t& phase, SharedFrames& frames) {
  frames.keyboard.Clear();
  frames.mouse.Clear();
  frames.mousePad.Clear();
  const unsigned s = BrightnessFactor(shared.Brightness());
  const bool up = shared.Direction() != 0;
  const bool multi = shared.MultiColour() != 0;
  switch (shared.Mode()) {
    case Code(LightingMode::kWave):
      if (multi) {
        phase = StepPhase(phase, 191, up);
        for (std::size_t e = 0; e < kMatrixColumns; ++e) {
          LightElement(frames, e, kHueWheel[(phase + 7 * e) % kHueCount], Scale::Plain(s));
        }
      } else {
        phase = StepPhase(phase, 95, up);
        for (std::size_t e = 0; e < kMatrixColumns; ++e) {
          const unsigned k = kWaveCurve[(phase + 10 * e) % kWaveCurve.size()];
          LightElement(frames, e, shared.Colour(), Scale::Wave(s, k));
        }
      }
      break;
    case Code(LightingMode::kColourCycle):
      phase = StepPhase(phase, 191, up);
      LightEverything(frames, kHueWheel[phase % kHueCount], Scale::Plain(s));
      break;
    case Code(LightingMode::kBreathing): {
      phase = StepPhase(phase, 127, up);
      const unsigned k = kBreathCurve[phase % kBreathCurve.size()];
      LightEverything(frames, multi ? kHueWheel[phase % kHueCount] : shared.Colour(), Scale::Breath(s, k));
      break;
    }
    case Code(LightingMode::kStatic): LightEverything(frames, shared.Colour(), Scale::Plain(s)); break;
    default: return {};
  }
  return {true, {}};
}

}  // namespace tavrinex::lighting
