#include "lighting/effects.h"

#include <gtest/gtest.h>

#include <vector>

#include "lighting/effect_tables.h"

namespace tavrinex::lighting {
namespace {

CurrentRecord Record(std::uint8_t mode, std::uint8_t brightness = 14, ui::Rgb colour = {200, 100, 50}) {
  CurrentRecord r{};
  r[rec::kMode] = mode;
  r[rec::kBrightness] = brightness;
  SetRecordColour(r, colour);
  return r;
}

ui::LedPixel Pixel(ui::Rgb c, unsigned opacity) { return {ui::OverlayWord(c), static_cast<std::uint8_t>(opacity)}; }

struct Keyboard {
  KeyboardAnimation state;
  HueAccumulator hue;
  KeyboardFrame frame;
  KeyboardInputs inputs;
  RenderResult Render(CurrentRecord& r) { return RenderKeyboard(r, state, hue, inputs, frame); }
};

TEST(KeyboardEffects, WaveMultiColourAtPhase185WrapsTheHueIntoColumnOne) {
  Keyboard kb;
  CurrentRecord r = Record(Code(LightingMode::kWave), 0);
  r[rec::kDirection] = 1;
  r[rec::kMultiColour] = 1;
  kb.state.phase = 184;
  ASSERT_TRUE(kb.Render(r).rendered);
  EXPECT_EQ(kb.state.phase, 185);
  const ui::Rgb h185 = kHueWheel[185];
  EXPECT_EQ(kb.frame.picture[105], Pixel(h185, 45));  // column 0 holds position 105 only
  EXPECT_EQ(kb.frame.Sent(105), Scale::KbPlain(45).Apply(h185));
  EXPECT_EQ(kb.frame.picture[21], Pixel(kHueWheel[0], 45));  // column 1: 185 + 7 - 192
  EXPECT_FALSE(kb.frame.drawn[62]);                          // not in the matrix: not drawn
}

TEST(KeyboardEffects, WaveSingleColourCountsDownOverTheWaveCurve) {
  Keyboard kb;
  CurrentRecord r = Record(Code(LightingMode::kWave), 14, {255, 255, 255});
  kb.Render(r);
  EXPECT_EQ(kb.state.phase, 95);  // FXR from 0 wraps to the end
  const unsigned k = kWaveCurve[(95 + 10) % 96];
  EXPECT_EQ(kb.frame.picture[21].opacity, Mul8(255, k));  // column 1
  EXPECT_EQ(kb.frame.Sent(21).r, Mul8(Mul8(255, 255), k));
}

TEST(KeyboardEffects, BreathingReturnsToItsStartCycleAfterThreeWraps) {
  Keyboard kb;
  CurrentRecord r = Record(Code(LightingMode::kBreathing));
  r[rec::kDirection] = 1;
  r[rec::kBreathCycle] = 1;
  std::vector<std::uint8_t> cycles;
  for (int wrap = 0; wrap < 3; ++wrap) {
    for (int i = 0; i < 128; ++i) kb.Render(r);
    cycles.push_back(r[rec::kBreathCycle]);
  }
  EXPECT_EQ(cycles, (std::vector<std::uint8_t>{2, 0, 1}));
}

TEST(KeyboardEffects, StaticAtBrightnessZeroShowsOpacity45AndSendsTheFullColour) {
  Keyboard kb;
  CurrentRecord r = Record(Code(LightingMode::kStatic), 0, {250, 128, 7});
  kb.Render(r);
  for (std::size_t i = 0; i < kKeyPositions; ++i) {
    EXPECT_EQ(kb.frame.picture[i], Pixel({250, 128, 7}, 45));
    EXPECT_EQ(kb.frame.Sent(i), (ui::Rgb{250, 128, 7}));
  }
}

TEST(KeyboardEffects, DecaySequences) {
  struct Case {
    std::uint8_t (*decay)(std::uint8_t);
    std::vector<int> expected;
  };
  const std::vector<Case> cases = {
      {DecayFast, {215, 175, 135, 95, 65, 35, 25, 17, 9, 9, 9}},
      {DecayNormal, {225, 195, 165, 135, 105, 85, 65, 45, 35, 25, 20, 15, 11, 7, 0, 0}},
      {DecayMouse, {215, 175, 135, 95, 65, 35, 25, 17, 9, 5, 1, 0, 0}},
      {DecayPad, {225, 195, 165, 135, 105, 85, 65, 45, 35, 25, 20, 15, 14}},
  };
  for (const auto& c : cases) {
    std::vector<int> seen;
    std::uint8_t level = 255;
    for (std::size_t i = 0; i < c.expected.size(); ++i) seen.push_back(level = c.decay(level));
    EXPECT_EQ(seen, c.expected);
  }
}

TEST(KeyboardEffects, KeyRainbowStartsPositionZeroAt33AndFiveAt6) {
  Keyboard kb;
  SetKeyRainbowStart(kb.state);
  EXPECT_EQ(kb.state.hue[0], 33);
  EXPECT_EQ(kb.state.hue[5], 6);
  // h(i-1) = 159 for i = 14 ... a sum of exactly 192 stays 192.
  std::uint8_t h = 0;
  for (int i = 0; i < 64; ++i) h = static_cast<std::uint8_t>(h + 33 > 192 ? h + 33 - 192 : h + 33);
  EXPECT_EQ(kb.state.hue[63], h);
  CurrentRecord r = Record(Code(LightingMode::kKbKeyRainbow));
  kb.Render(r);
  EXPECT_EQ(kb.state.hue[0], 34);
  EXPECT_EQ(kb.frame.picture[0], Pixel(kHueWheel[34], 255));
  EXPECT_EQ(kb.frame.Sent(20), Scale::KbPlain(255).Apply(kHueWheel[kb.state.hue[20]]));  // slot = position, not KeyLedMap
}

TEST(KeyboardEffects, CustomModeShowsUnmappedPositionsBlackAndLeavesUnmappedLedsDark) {
  Keyboard kb;
  CustomColours custom;
  custom.customSet = 1;
  custom.sets.fill(9);
  custom.SetTriple(1, 80, {10, 20, 30});  // LED of position 76
  kb.inputs.custom = &custom;
  CurrentRecord r = Record(Code(LightingMode::kKbCustom), 0);
  kb.Render(r);
  EXPECT_EQ(kb.frame.picture[62], Pixel({}, 45));
  EXPECT_EQ(kb.frame.picture[76], Pixel({10, 20, 30}, 45));
  EXPECT_EQ(kb.frame.Sent(80), Scale::KbPlain(45).Apply(ui::Rgb{10, 20, 30}));
  EXPECT_EQ(kb.frame.Sent(13), ui::Rgb{});  // no key maps to LED 13

  custom.customSet = 9;  // out of range: every key dark
  kb.Render(r);
  EXPECT_EQ(kb.frame.picture[76], Pixel({}, 45));
  EXPECT_EQ(kb.frame.Sent(80), ui::Rgb{});
}

TEST(KeyboardEffects, SpreadMapsMoveOneColumnAndOneRowPerStep) {
  SpreadMaps maps{};
  for (auto& m : maps) m[11] = 1U << 2;
  SpreadMapsStep(maps);
  EXPECT_EQ(maps[0][10], 1U << 2);  // M0: left, and down
  EXPECT_EQ(maps[0][11], 1U << 3);
  EXPECT_EQ(maps[1][12], 1U << 2);  // M1: right, and down
  EXPECT_EQ(maps[1][11], 1U << 3);
  EXPECT_EQ(maps[2][12], 1U << 2);  // M2: right, and up
  EXPECT_EQ(maps[2][11], 1U << 1);
  EXPECT_EQ(maps[3][10], 1U << 2);  // M3: left, and up
  EXPECT_EQ(maps[3][11], 1U << 1);
  EXPECT_EQ(maps[0][12], 0);
}

TEST(KeyboardEffects, ReactiveSeedLightsTheKeyAndTakesHuesFromTheAccumulator) {
  Keyboard kb;
  ReactiveClock clock;
  kb.inputs.reactive = &clock;
  CurrentRecord r = Record(Code(LightingMode::kKbReactive));
  r[rec::kMultiColour] = 1;
  r[rec::kSpeed] = 0;  // lights and spreads after more than 2 ticks
  SeedReactive(kb.state, 52);
  SeedReactive(kb.state, 62);  // not in the matrix: nothing
  kb.hue.Set(250);
  EXPECT_FALSE(kb.Render(r).rendered);  // no 20 ms flag yet
  for (int i = 0; i < 3; ++i) clock.OnTimerTick();
  ASSERT_TRUE(kb.Render(r).rendered);
  EXPECT_EQ(kb.state.level[52], DecayNormal(255));
  EXPECT_EQ(kb.state.hue[52], static_cast<std::uint8_t>(250 + 11));
  EXPECT_EQ(kb.frame.picture[52].opacity, Mul8(255, 225));
  EXPECT_FALSE(kb.Render(r).rendered);  // the flag was taken
}

TEST(KeyboardEffects, RippleSourceRisesFromBelowColumnNine) {
  Keyboard kb;
  SetRippleSource(kb.state);
  CurrentRecord r = Record(Code(LightingMode::kKbRipple));
  kb.Render(r);  // bit 6 is below the keys: nothing lit yet
  EXPECT_TRUE(std::all_of(kb.state.level.begin(), kb.state.level.end(), [](std::uint8_t l) { return l == 0; }));
  kb.Render(r);  // M2 and M3 moved up into row 5 of column 9
  EXPECT_EQ(kb.state.level[MatrixAt(9, 5)], DecayFast(255));
  EXPECT_EQ(kb.state.level[MatrixAt(9, 4)], 0);
}

TEST(KeyboardEffects, ShowcaseLightsTheSweepThenThePairs) {
  Keyboard kb;
  CurrentRecord r = Record(Code(LightingMode::kKbShowcase));
  kb.Render(r);
  EXPECT_EQ(kb.state.level[0], DecayNormal(255));
  EXPECT_EQ(kb.state.level[118], DecayNormal(255));
  for (int i = 1; i < 20; ++i) kb.Render(r);
  EXPECT_EQ(kb.state.showcaseStage, 1);
  EXPECT_EQ(kb.state.phase, 0);
  kb.Render(r);
  EXPECT_EQ(kb.state.level[94], DecayNormal(255));  // pair 0: (30, 94)
}

struct Mouse {
  MouseAnimation state;
  HueAccumulator hue;
  MouseFrame frame;
  RenderResult Render(CurrentRecord& r) { return RenderMouse(r, state, hue, frame); }
};

TEST(MouseEffects, ChaseRunsTheLightUpTheRingAndFadesItsTrail) {
  Mouse ms;
  CurrentRecord r = Record(Code(LightingMode::kMsChase), 14, {255, 255, 255});
  SetMouseChaseStart(ms.state, 0);
  ms.Render(r);
  EXPECT_EQ(ms.state.ring[1], 1);
  EXPECT_EQ(ms.state.level[0], 215);
  for (const std::uint8_t led : kMouseGroups[0]) {
    EXPECT_EQ(ms.frame.picture[led], Pixel({255, 255, 255}, Mul8(255, 215)));
    EXPECT_EQ(ms.frame.Sent(led).r, Mul8(Mul8(255, 216), 256));
  }
  ms.Render(r);
  EXPECT_EQ(ms.state.level[0], 175);
  EXPECT_EQ(ms.state.level[1], 215);

  MouseAnimation fxl;
  SetMouseChaseStart(fxl, 1);
  EXPECT_EQ(fxl.ring[7], 1);
}

TEST(MouseEffects, BreathingTakesTheCyclesPaletteInMultiColour) {
  Mouse ms;
  CurrentRecord r = Record(Code(LightingMode::kBreathing), 0);
  r[rec::kMultiColour] = 1;
  r[rec::kBreathCycle] = 7;  // out of range: restarts at 0
  ms.state.phase = 64;
  ms.Render(r);
  EXPECT_EQ(r[rec::kBreathCycle], 0);
  const unsigned k = kBreathCurve[63];
  EXPECT_EQ(ms.frame.picture[9], Pixel(kMouseBreathPalettes[0][2], Mul8(45, k)));
  EXPECT_EQ(ms.frame.Sent(9), Scale::Breath(45, k).Apply(kMouseBreathPalettes[0][2]));
}

TEST(MouseEffects, BarBouncesBetweenMinusOneAndEight) {
  Mouse ms;
  CurrentRecord r = Record(Code(LightingMode::kMsBar));
  std::vector<int> counters;
  for (int i = 0; i < 20; ++i) {
    ms.Render(r);
    counters.push_back(ms.state.barCounter);
  }
  EXPECT_EQ(counters, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 7, 6, 5, 4, 3, 2, 1, 0, -1, 0, 1, 2}));
  // Counter 2, FXR: groups 0 and 1 lit, group 2 dark.
  EXPECT_EQ(ms.frame.picture[kMouseGroups[1][0]].opacity, 255);
  EXPECT_EQ(ms.frame.picture[kMouseGroups[2][0]], Pixel({}, 0));
}

struct Pad {
  MousePadAnimation state;
  HueAccumulator hue;
  MousePadFrame frame;
  MousePadInputs inputs;
  RenderResult Render(CurrentRecord& r) { return RenderMousePad(r, state, hue, inputs, frame); }
  [[nodiscard]] std::vector<bool> Lit() const {
    std::vector<bool> lit;
    for (const auto& p : frame.picture) lit.push_back(p.opacity != 0);
    return lit;
  }
};

TEST(MousePadEffects, BarGrowsFromLedZeroWhileTheCounterRises) {
  Pad mp;
  CurrentRecord r = Record(Code(LightingMode::kPadBar));
  mp.Render(r);
  std::vector<bool> expected(15, false);
  expected[0] = true;
  EXPECT_EQ(mp.Lit(), expected);
  mp.Render(r);
  expected[1] = true;
  EXPECT_EQ(mp.Lit(), expected);
}

TEST(MousePadEffects, OneMouseEventFlashesThePadForAbout100Ms) {
  Pad mp;
  std::atomic<bool> trigger{false};
  mp.inputs.padReactiveTrigger = &trigger;
  CurrentRecord r = Record(Code(LightingMode::kPadMouseFlash));
  r[rec::kMultiColour] = 1;
  trigger = true;
  std::vector<bool> lit;
  for (const std::int64_t t : {1000, 1050, 1099, 1100, 1110}) {
    mp.inputs.nowMs = t;
    mp.Render(r);
    lit.push_back(mp.frame.picture[7].opacity != 0);
  }
  EXPECT_EQ(lit, (std::vector<bool>{true, true, true, true, false}));
  EXPECT_EQ(mp.state.flashHue, 14);
  trigger = true;  // two events before one frame advance the hue once
  trigger = true;
  mp.Render(r);
  EXPECT_EQ(mp.state.flashHue, 28);
  EXPECT_EQ(mp.frame.picture[0], Pixel(kHueWheel[28], 255));
}

TEST(MousePadEffects, SweepFromItsStartValuesTurnsAfter15Frames) {
  Pad mp;
  CurrentRecord r = Record(Code(LightingMode::kPadSweep));
  mp.Render(r);
  // 0x1F: columns 3-6, that is LEDs 7, 8, 9 and 10-14.
  EXPECT_EQ(mp.Lit(), (std::vector<bool>{false, false, false, false, false, false, false, true, true, true,
                                         true, true, true, true, true}));
  for (int i = 2; i < 15; ++i) EXPECT_TRUE(mp.Render(r).rendered);
  const RenderResult turn = mp.Render(r);
  EXPECT_FALSE(turn.rendered);
  EXPECT_EQ(turn.waitAfter, kSweepTurnWait);
  EXPECT_EQ(mp.state.sweepPattern, 0x00FC);
  for (int i = 0; i < 15; ++i) EXPECT_TRUE(mp.Render(r).rendered);
  EXPECT_FALSE(mp.Render(r).rendered);  // counter back at 0: turn again
  EXPECT_EQ(mp.state.sweepPattern, 0x3F00);
}

TEST(MousePadEffects, ChaseLightsItsFifteenLedsDirectly) {
  Pad mp;
  CurrentRecord r = Record(Code(LightingMode::kPadChase));
  r[rec::kMultiColour] = 1;
  SetPadChaseStart(mp.state);
  mp.hue.Set(3);
  mp.Render(r);
  EXPECT_EQ(mp.state.hue[0], 14);
  EXPECT_EQ(mp.state.level[0], 225);
  EXPECT_EQ(mp.state.ring[1], 1);  // FXR moves to the next higher index
  EXPECT_EQ(mp.frame.picture[0], Pixel(kHueWheel[14], Mul8(255, 225)));
}

TEST(SharedEffects, StaticDrawsEveryDeviceWithTheMouseScaling) {
  SharedLighting shared;
  shared.bytes = {3, 0, 0, 0, 0, 255, 128, 0};
  std::uint8_t phase = 0;
  SharedFrames frames;
  ASSERT_TRUE(RenderShared(shared, phase, frames).rendered);
  const ui::Rgb scaled = {Mul8(255, 46), Mul8(128, 46), 0};
  EXPECT_EQ(frames.keyboard.Sent(125), scaled);
  EXPECT_EQ(frames.mouse.Sent(19), scaled);
  EXPECT_EQ(frames.mousePad.Sent(14), scaled);
  EXPECT_EQ(frames.keyboard.picture[0], Pixel({255, 128, 0}, 45));
  shared.bytes[0] = 4;  // not shareable: nothing
  EXPECT_FALSE(RenderShared(shared, phase, frames).rendered);
}

// Values a device or a profile file may deliver outside their ranges.
TEST(EffectsBadInput, OutOfRangeRecordValuesHaveDefinedResults) {
  for (std::uint8_t mode = 0; mode < 20; ++mode) {
    CurrentRecord r = Record(mode, 200);
    r[rec::kSpeed] = 99;
    r[rec::kBreathCycle] = 7;
    r[rec::kMultiColour] = 3;
    Keyboard kb;
    CustomColours custom;
    custom.customSet = 9;
    kb.inputs.custom = &custom;
    kb.state.phase = 250;
    Mouse ms;
    ms.state.phase = 250;
    Pad mp;
    mp.state.phase = 250;
    for (int i = 0; i < 300; ++i) {
      kb.Render(r);
      ms.Render(r);
      mp.Render(r);
    }
    if (mode == Code(LightingMode::kBreathing)) {
      EXPECT_LT(r[rec::kBreathCycle], 3);
      EXPECT_LE(kb.state.phase, 127);
    }
    if (mode >= 10) {
      EXPECT_FALSE(kb.Render(r).rendered);
      EXPECT_FALSE(mp.Render(r).rendered);
    }
    if (mode >= 6) {
      EXPECT_FALSE(ms.Render(r).rendered);
    }
  }
  Keyboard kb;
  CurrentRecord r = Record(Code(LightingMode::kStatic), 200);
  kb.Render(r);
  EXPECT_EQ(kb.frame.picture[0].opacity, 255);  // brightness above 14 acts as 14
}

}  // namespace
}  // namespace tavrinex::lighting
