// The mouse's effects: the common modes 0-3 over its seven LED groups, the bar and the chase.
#include <algorithm>

#include "lighting/breath_step.h"
#include "lighting/effect_tables.h"
#include "lighting/effects.h"

namespace tavrinex::lighting {

namespace {

struct MsContext {
  const CurrentRecord& record;
  MouseAnimation& state;
  HueAccumulator& hue;
  MouseFrame& frame;
  unsigned s;

  [[nodiscard]] bool Up() const { return record[rec::kDirection] != 0; }
  [[nodiscard]] bool Multi() const { return record[rec::kMultiColour] != 0; }
  [[nodiscard]] ui::Rgb Colour() const { return RecordColour(record); }
};

void LightGroup(MouseFrame& f, std::size_t g, ui::Rgb colour, Scale scale) {
  for (const std::uint8_t led : kMouseGroups[g]) f.Light(led, colour, scale);
}
void DarkGroup(MouseFrame& f, std::size_t g) {
  for (const std::uint8_t led : kMouseGroups[g]) f.Dark(led);
}

void Wave(MsContext& c) {
  if (c.Multi()) {
    c.state.phase = StepPhase(c.state.phase, 191, c.Up());
    for (std::size_t g = 0; g < kMouseGroupCount; ++g) {
      LightGroup(c.frame, g, kHueWheel[(c.state.phase + 7 * g) % kHueCount], Scale::Plain(c.s));
    }
    return;
  }
  c.state.phase = StepPhase(c.state.phase, 95, c.Up());
  for (std::size_t g = 0; g < kMouseGroupCount; ++g) {
    const unsigned k = kWaveCurve[(c.state.phase + 10 * g) % kWaveCurve.size()];
    LightGroup(c.frame, g, c.Colour(), Scale::Wave(c.s, k));
  }
}

void AllLeds(MsContext& c, ui::Rgb colour, Scale scale) {
  for (std::size_t i = 0; i < kMouseLeds; ++i) c.frame.Light(i, colour, scale);
}

void Breathing(MsContext& c, CurrentRecord& record) {
  std::uint8_t& cycle = record[rec::kBreathCycle];
  const unsigned k = StepBreath(c.state.phase, cycle, c.Up());
  for (std::size_t g = 0; g < kMouseGroupCount; ++g) {
    const ui::Rgb colour = c.Multi() ? kMouseBreathPalettes[cycle][g] : c.Colour();
    LightGroup(c.frame, g, colour, Scale::Breath(c.s, k));
  }
}

// The bounce: up to `top` + 1, down to -1.
void BounceBar(int& counter, bool& flag, int top) {
  if (flag) {
    if (counter-- == 0) flag = false;
  } else {
    if (counter++ == top) flag = true;
  }
}

void Bar(MsContext& c) {
  c.state.phase = StepPhase(c.state.phase, 191, c.Up());
  BounceBar(c.state.barCounter, c.state.barFlag, 7);
  for (std::size_t g = 0; g < kMouseGroupCount; ++g) {
    const int gi = static_cast<int>(g);
    const bool lit = c.Up() ? c.state.barCounter < gi : gi < c.state.barCounter;
    if (!lit) {
      DarkGroup(c.frame, g);
      continue;
    }
    const ui::Rgb colour = c.Multi() ? kHueWheel[(c.state.phase + 7 * g) % kHueCount] : c.Colour();
    LightGroup(c.frame, g, colour, Scale::Plain(c.s));
  }
}

void Chase(MsContext& c) {
  c.state.phase = StepPhase(c.state.phase, 191, c.Up());
  for (std::size_t i = 0; i < kMouseChasePositions; ++i) {
    if (c.state.ring[i] == 0) continue;
    c.state.level[i] = 255;
    if (c.Multi()) c.state.hue[i] = c.hue.Next();
  }
  auto& ring = c.state.ring;
  if (c.Up()) {
    std::rotate(ring.begin(), ring.begin() + 1, ring.end());  // to the next lower index
  } else {
    std::rotate(ring.rbegin(), ring.rbegin() + 1, ring.rend());  // to the next higher index
  }
  for (std::size_t g = 0; g < kMouseGroupCount; ++g) {
    std::uint8_t& level = c.state.level[g];
    level = DecayMouse(level);
    const ui::Rgb colour = c.Multi() ? HueAt(c.state.hue[g]) : c.Colour();
    LightGroup(c.frame, g, colour, Scale::Chase(c.s, level));
  }
}

}  // namespace

RenderResult RenderMouse(CurrentRecord& record, MouseAnimation& state, HueAccumulator& hue, MouseFrame& frame) {
  frame.Clear();
  MsContext c{record, state, hue, frame, BrightnessFactor(record[rec::kBrightness])};
  switch (record[rec::kMode]) {
    case Code(LightingMode::kWave): Wave(c); break;
    case Code(LightingMode::kColourCycle):
      c.state.phase = StepPhase(c.state.phase, 191, c.Up());
      AllLeds(c, kHueWheel[c.state.phase % kHueCount], Scale::Plain(c.s));
      break;
    case Code(LightingMode::kBreathing): Breathing(c, record); break;
    case Code(LightingMode::kStatic): AllLeds(c, c.Colour(), Scale::Plain(c.s)); break;
    case Code(LightingMode::kMsBar): Bar(c); break;
    case Code(LightingMode::kMsChase): Chase(c); break;
    default: return {};
  }
  return {true, {}};
}

std::uint8_t DecayMouse(std::uint8_t l) {
  if (l >= 128) return static_cast<std::uint8_t>(l - 40);
  if (l >= 64) return static_cast<std::uint8_t>(l - 30);
  if (l >= 32) return static_cast<std::uint8_t>(l - 10);
  if (l >= 17) return static_cast<std::uint8_t>(l - 8);
  return l >= 4 ? static_cast<std::uint8_t>(l - 4) : 0;
}

}  // namespace tavrinex::lighting
