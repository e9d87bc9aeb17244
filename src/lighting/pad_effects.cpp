// The mouse pad's effects: the common modes 0-3 over its 15 LEDs, the bar, the chase, the
// column wave, the sweep and the flash on mouse events.
#include <algorithm>

#include "lighting/breath_step.h"
#include "lighting/effect_tables.h"
#include "lighting/effects.h"

namespace tavrinex::lighting {

namespace {

struct PadContext {
  const CurrentRecord& record;
  MousePadAnimation& state;
  HueAccumulator& hue;
  MousePadFrame& frame;
  unsigned s;

  [[nodiscard]] bool Up() const { return record[rec::kDirection] != 0; }
  [[nodiscard]] bool Multi() const { return record[rec::kMultiColour] != 0; }
  [[nodiscard]] ui::Rgb Colour() const { return RecordColour(record); }
};

void AllLeds(PadContext& c, ui::Rgb colour, Scale scale) {
  for (std::size_t i = 0; i < kMousePadLeds; ++i) c.frame.Light(i, colour, scale);
}

void Wave(PadContext& c) {
  if (c.Multi()) {
    c.state.phase = StepPhase(c.state.phase, 191, c.Up());
    for (std::size_t e = 0; e < kMousePadLeds; ++e) {
      c.frame.Light(e, kHueWheel[(c.state.phase + 7 * e) % kHueCount], Scale::Plain(c.s));
    }
    return;
  }
  c.state.phase = StepPhase(c.state.phase, 95, c.Up());
  for (std::size_t e = 0; e < kMousePadLeds; ++e) {
    const unsigned k = kWaveCurve[(c.state.phase + 10 * e) % kWaveCurve.size()];
    c.frame.Light(e, c.Colour(), Scale::Wave(c.s, k));
  }
}

void Breathing(PadContext& c, CurrentRecord& record) {
  std::uint8_t& cycle = record[rec::kBreathCycle];
  const unsigned k = StepBreath(c.state.phase, cycle, c.Up());
  const ui::Rgb colour = c.Multi() ? kHueWheel[(c.state.phase + 50U) % kHueCount] : c.Colour();
  AllLeds(c, colour, Scale::Breath(c.s, k));
}

void Bar(PadContext& c) {
  int& counter = c.state.barCounter;
  if (c.state.barFlag) {
    if (counter-- == 0) c.state.barFlag = false;
  } else {
    if (counter++ == 14) c.state.barFlag = true;
  }
  for (std::size_t i = 0; i < kMousePadLeds; ++i) {
    const int ii = static_cast<int>(i);
    if (!(c.Up() ? counter < ii : ii < counter)) {
      c.frame.Dark(i);
      continue;
    }
    c.frame.Light(i, c.Multi() ? kHueWheel[7 * i] : c.Colour(), Scale::Plain(c.s));
  }
}

void Chase(PadContext& c) {
  c.state.phase = StepPhase(c.state.phase, 191, c.Up());
  auto& ring = c.state.ring;
  for (std::size_t i = 0; i < kMousePadLeds; ++i) {
    if (ring[i] == 0) continue;
    c.state.level[i] = 255;
    if (c.Multi()) c.state.hue[i] = c.hue.Next();
  }
  if (c.Up()) {
    std::rotate(ring.begin(), ring.begin() + 1, ring.end());
  } else {
    std::rotate(ring.rbegin(), ring.rbegin() + 1, ring.rend());
  }
  for (std::size_t i = 0; i < kMousePadLeds; ++i) {
    std::uint8_t& level = c.state.level[i];
    level = DecayPad(level);
    const ui::Rgb colour = c.Multi() ? HueAt(c.state.hue[i]) : c.Colour();
    c.frame.Light(i, colour, Scale::Chase(c.s, level));
  }
}

void LightColumn(MousePadFrame& f, std::size_t column, ui::Rgb colour, Scale scale) {
  for (const std::int8_t led : kPadColumns[column]) {
    if (led >= 0) f.Light(static_cast<std::size_t>(led), colour, scale);
  }
}
void DarkColumn(MousePadFrame& f, std::size_t column) {
  for (const std::int8_t led : kPadColumns[column]) {
    if (led >= 0) f.Dark(static_cast<std::size_t>(led));
  }
}

void ColumnWave(PadContext& c) {
  c.state.phase = StepPhase(c.state.phase, 191, c.Up());
  for (std::size_t col = 0; col < kPadColumnCount; ++col) {
    LightColumn(c.frame, col, kHueWheel[(c.state.phase + 7 * col) % kHueCount], Scale::Plain(c.s));
  }
}

// Lit columns take hues from the phase on, 20 apart.
void SweepColumns(PadContext& c, unsigned topBit) {
  std::size_t h = c.state.phase % kHueCount;
  const auto pattern = static_cast<std::uint16_t>(c.state.sweepPattern);
  for (std::size_t k = 0; k < kPadColumnCount; ++k) {
    if (((pattern >> (topBit - k)) & 1U) == 0) {
      DarkColumn(c.frame, k);
      continue;
    }
    LightColumn(c.frame, k, c.Multi() ? kHueWheel[h] : c.Colour(), Scale::Plain(c.s));
    h = (h + 20) % kHueCount;
  }
}

RenderResult Sweep(PadContext& c) {
  MousePadAnimation& s = c.state;
  s.phase = StepPhase(s.phase, 191, false);
  if (s.sweepFlag) {
    s.sweepPattern = static_cast<std::int16_t>(s.sweepPattern >> 1);
    if (++s.sweepCounter >= 15) {
      s.sweepFlag = false;
      s.sweepPattern = 0x00FC;
      return {false, kSweepTurnWait};
    }
    SweepColumns(c, 7);
    return {true, {}};
  }
  if (s.sweepCounter <= 0) {
    s.sweepFlag = true;
    s.sweepPattern = 0x3F00;
    return {false, kSweepTurnWait};
  }
  SweepColumns(c, 15);
  s.sweepPattern = static_cast<std::int16_t>(static_cast<std::uint16_t>(s.sweepPattern) << 1);
  --s.sweepCounter;
  return {true, {}};
}

void MouseFlash(PadContext& c, const MousePadInputs& in) {
  MousePadAnimation& s = c.state;
  if (in.padReactiveTrigger != nullptr && in.padReactiveTrigger->exchange(false)) {
    s.flashActive = true;
    s.flashStartMs = in.nowMs;
    s.flashHue = s.flashHue + 14 > 191 ? 0 : static_cast<std::uint8_t>(s.flashHue + 14);
  }
  if (!s.flashActive) {
    for (std::size_t i = 0; i < kMousePadLeds; ++i) c.frame.Dark(i);
    return;
  }
  if (in.nowMs - s.flashStartMs > kFlashLengthMs) s.flashActive = false;  // this frame still lit
  AllLeds(c, c.Multi() ? HueAt(s.flashHue) : c.Colour(), Scale::Plain(c.s));
}

}  // namespace

RenderResult RenderMousePad(CurrentRecord& record, MousePadAnimation& state, HueAccumulator& hue,
                            const MousePadInputs& inputs, MousePadFrame& frame) {
  frame.Clear();
  PadContext c{record, state, hue, frame, BrightnessFactor(record[rec::kBrightness])};
  switch (record[rec::kMode]) {
    case Code(LightingMode::kWave): Wave(c); break;
    case Code(LightingMode::kColourCycle):
      c.state.phase = StepPhase(c.state.phase, 191, c.Up());
      AllLeds(c, kHueWheel[c.state.phase % kHueCount], Scale::Plain(c.s));
      break;
    case Code(LightingMode::kBreathing): Breathing(c, record); break;
    case Code(LightingMode::kStatic): AllLeds(c, c.Colour(), Scale::Plain(c.s)); break;
    case Code(LightingMode::kPadBar): Bar(c); break;
    case Code(LightingMode::kPadChase): Chase(c); break;
    case Code(LightingMode::kPadColumnWave): ColumnWave(c); break;
    case Code(LightingMode::kPadSweep): return Sweep(c);
    case Code(LightingMode::kPadMouseFlash): MouseFlash(c, inputs); break;
    default: return {};  // 9 and unknown codes: no effect
  }
  return {true, {}};
}

std::uint8_t DecayPad(std::uint8_t l) {
  if (l >= 128) return static_cast<std::uint8_t>(l - 30);
  if (l >= 64) return static_cast<std::uint8_t>(l - 20);
  if (l >= 32) return static_cast<std::uint8_t>(l - 10);
  if (l >= 17) return static_cast<std::uint8_t>(l - 5);
  return l >= 1 ? static_cast<std::uint8_t>(l - 1) : 0;
}

}  // namespace tavrinex::lighting
