#include "lighting/effects.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <functional>
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
  // Hue 185 is (255, 0, 16) on the wheel; at brightness 0 (45) the keyboard gets x * 45 >> 8.
  EXPECT_EQ(kb.frame.picture[105], Pixel({255, 0, 16}, 45));  // column 0 holds position 105 only
  EXPECT_EQ(kb.frame.Sent(105), (ui::Rgb{44, 0, 2}));
  EXPECT_EQ(kb.frame.picture[21], Pixel({255, 1, 0}, 45));  // column 1: hue 185 + 7 - 192 = 0
  EXPECT_FALSE(kb.frame.drawn[62]);                          // not in the matrix: not drawn
}

TEST(KeyboardEffects, WaveSingleColourCountsDownOverTheWaveCurve) {
  Keyboard kb;
  CurrentRecord r = Record(Code(LightingMode::kWave), 14, {255, 255, 255});
  kb.Render(r);
  EXPECT_EQ(kb.state.phase, 95);  // FXR from 0 wraps to the end
  // Column 1 takes wave curve entry (95 + 10) mod 96 = 9, which is 49.
  EXPECT_EQ(kb.frame.picture[21].opacity, 48);  // 255 * 49 >> 8
  EXPECT_EQ(kb.frame.Sent(21).r, 48);           // (255 * 255 >> 8) * 49 >> 8
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
  EXPECT_EQ(kb.state.hue[63], 192);  // 159 + 33: a sum of exactly 192 stays 192
  CurrentRecord r = Record(Code(LightingMode::kKbKeyRainbow));
  kb.Render(r);
  EXPECT_EQ(kb.state.hue[0], 34);
  EXPECT_EQ(kb.frame.picture[0], Pixel({220, 255, 0}, 255));  // hue 34
  // Position 20 started at hue 117 and is now at 118, (0, 29, 255); x * 255 >> 8 goes to
  // slot 20 (the position, not its LED).
  EXPECT_EQ(kb.state.hue[20], 118);
  EXPECT_EQ(kb.frame.Sent(20), (ui::Rgb{0, 28, 254}));
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
  EXPECT_EQ(kb.frame.Sent(80), (ui::Rgb{1, 3, 5}));  // x * 45 >> 8
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
  EXPECT_EQ(kb.state.level[52], 225);  // lit at 255, then one decay step
  EXPECT_EQ(kb.state.hue[52], 5);      // 250 + 11, as a byte
  EXPECT_EQ(kb.frame.picture[52].opacity, 224);
  EXPECT_FALSE(kb.Render(r).rendered);  // the flag was taken
}

TEST(KeyboardEffects, RippleSourceRisesFromBelowColumnNine) {
  Keyboard kb;
  SetRippleSource(kb.state);
  CurrentRecord r = Record(Code(LightingMode::kKbRipple));
  kb.Render(r);  // bit 6 is below the keys: nothing lit yet
  EXPECT_TRUE(std::all_of(kb.state.level.begin(), kb.state.level.end(), [](std::uint8_t l) { return l == 0; }));
  kb.Render(r);  // M2 and M3 moved up into row 5 of column 9
  EXPECT_EQ(kb.state.level[MatrixAt(9, 5)], 215);  // lit at 255, then one decay step
  EXPECT_EQ(kb.state.level[MatrixAt(9, 4)], 0);
}

TEST(KeyboardEffects, ShowcaseLightsTheSweepThenThePairs) {
  Keyboard kb;
  CurrentRecord r = Record(Code(LightingMode::kKbShowcase));
  kb.Render(r);
  EXPECT_EQ(kb.state.level[0], 225);
  EXPECT_EQ(kb.state.level[118], 225);
  for (int i = 1; i < 20; ++i) kb.Render(r);
  EXPECT_EQ(kb.state.showcaseStage, 1);
  EXPECT_EQ(kb.state.phase, 0);
  kb.Render(r);
  EXPECT_EQ(kb.state.level[94], 225);  // pair 0: (30, 94)
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
  for (const std::size_t led : {0u, 7u, 19u}) {  // the mouse's first LED group
    EXPECT_EQ(ms.frame.picture[led], Pixel({255, 255, 255}, 214)) << led;  // 255 * 215 >> 8
    EXPECT_EQ(ms.frame.Sent(led), (ui::Rgb{215, 215, 215})) << led;
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
  // Phase 63: curve value 255. LED 9 is in group 2, whose first-cycle colour is (170, 255, 0).
  EXPECT_EQ(ms.frame.picture[9], Pixel({170, 255, 0}, 44));  // 45 * 255 >> 8
  EXPECT_EQ(ms.frame.Sent(9), (ui::Rgb{30, 45, 0}));
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
  EXPECT_EQ(ms.frame.picture[1].opacity, 255);    // group 1: LEDs 1, 8, 18
  EXPECT_EQ(ms.frame.picture[2], Pixel({}, 0));  // group 2: LEDs 2, 9
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
  EXPECT_EQ(mp.frame.picture[0], Pixel({255, 213, 0}, 255));  // hue 28
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
  EXPECT_EQ(mp.frame.picture[0], Pixel({255, 65, 0}, 224));  // hue 14 at 255 * 225 >> 8
}

TEST(SharedEffects, StaticDrawsEveryDeviceWithTheMouseScaling) {
  SharedLighting shared;
  shared.bytes = {3, 0, 0, 0, 0, 255, 128, 0};
  std::uint8_t phase = 0;
  SharedFrames frames;
  ASSERT_TRUE(RenderShared(shared, phase, frames).rendered);
  const ui::Rgb scaled = {45, 23, 0};  // x * (45 + 1) >> 8
  EXPECT_EQ(frames.keyboard.Sent(125), scaled);
  EXPECT_EQ(frames.mouse.Sent(19), scaled);
  EXPECT_EQ(frames.mousePad.Sent(14), scaled);
  EXPECT_EQ(frames.keyboard.picture[0], Pixel({255, 128, 0}, 45));
  shared.bytes[0] = 4;  // not shareable: nothing
  EXPECT_FALSE(RenderShared(shared, phase, frames).rendered);
}

CurrentRecord Lit(std::uint8_t mode, std::uint8_t brightness, std::uint8_t direction, std::uint8_t multiColour,
                  ui::Rgb colour = {}) {
  CurrentRecord r = Record(mode, brightness, colour);
  r[rec::kDirection] = direction;
  r[rec::kMultiColour] = multiColour;
  return r;
}

// One frame of each mouse effect, its device bytes worked out by hand from the effect tables:
// the hue wheel, the wave and breathing curves, the mouse's LED groups (0, 7, 19), (1, 8, 18),
// (2, 9, 9), (3, 10, 14), (4, 11, 15), (5, 12, 16), (6, 13, 17), the brightness scale (45 at 0,
// 15 more per step) and the mouse's scaling of each effect.
TEST(MouseEffects, EachEffectSendsItsFrame) {
  struct Case {
    const char* effect;
    CurrentRecord record;
    std::function<void(MouseAnimation&)> start;
    int frames;  // the last one is compared
    std::array<std::uint8_t, kMouseFrameSize> bytes;
  };
  const Case cases[] = {
      // Brightness 5 (120), FXL: phase 1; group g takes hue 1 + 7g, x * 121 >> 8.
      {"wave, multi-colour", Lit(0, 5, 1, 1), nullptr, 1, {
         120, 1, 0, 120, 12, 0, 120, 34, 0, 120, 66, 0,
         120, 107, 0, 91, 120, 0, 53, 120, 0, 120, 1, 0,
         120, 12, 0, 120, 34, 0, 120, 66, 0, 120, 107, 0,
         91, 120, 0, 53, 120, 0, 120, 66, 0, 120, 107, 0,
         91, 120, 0, 53, 120, 0, 120, 12, 0, 120, 1, 0,
       }},
      // Brightness 9 (180), FXR: phase 95; group g takes wave curve entry (95 + 10g) mod 96,
      // that is 22, 49, 89, 140, 200, 248, 182: ((x * 181 >> 8) * (k + 1)) >> 8.
      {"wave, one colour", Lit(0, 9, 0, 0, {200, 100, 50}), nullptr, 1, {
         12, 6, 3, 27, 13, 6, 49, 24, 12, 77, 38, 19,
         110, 54, 27, 137, 68, 34, 100, 50, 25, 12, 6, 3,
         27, 13, 6, 49, 24, 12, 77, 38, 19, 110, 54, 27,
         137, 68, 34, 100, 50, 25, 77, 38, 19, 110, 54, 27,
         137, 68, 34, 100, 50, 25, 27, 13, 6, 12, 6, 3,
       }},
      // Brightness 6 (135), FXL from phase 100: hue 101, (0, 182, 255) on the wheel.
      {"colour cycle", Lit(1, 6, 1, 0), [](MouseAnimation& s) { s.phase = 100; }, 1, {
         0, 96, 135, 0, 96, 135, 0, 96, 135, 0, 96, 135,
         0, 96, 135, 0, 96, 135, 0, 96, 135, 0, 96, 135,
         0, 96, 135, 0, 96, 135, 0, 96, 135, 0, 96, 135,
         0, 96, 135, 0, 96, 135, 0, 96, 135, 0, 96, 135,
         0, 96, 135, 0, 96, 135, 0, 96, 135, 0, 96, 135,
       }},
      // Brightness 10 (195), FXL from phase 40: curve value 119; second cycle's palette
      // (0, 255, 255), (0, 200, 255) ... (0, 70, 255): ((x * 120 >> 8) * 196) >> 8.
      {"breathing, multi-colour",
       [] { CurrentRecord r = Lit(2, 10, 1, 1); r[rec::kBreathCycle] = 1; return r; }(),
       [](MouseAnimation& s) { s.phase = 40; }, 1, {
         0, 91, 91, 0, 71, 91, 0, 60, 91, 0, 49, 91,
         0, 39, 91, 0, 28, 91, 0, 24, 91, 0, 91, 91,
         0, 71, 91, 0, 60, 91, 0, 49, 91, 0, 39, 91,
         0, 28, 91, 0, 24, 91, 0, 49, 91, 0, 39, 91,
         0, 28, 91, 0, 24, 91, 0, 71, 91, 0, 91, 91,
       }},
      // Brightness 0 (45): x * 46 >> 8.
      {"static", Lit(3, 0, 0, 0, {250, 128, 7}), nullptr, 1, {
         44, 23, 1, 44, 23, 1, 44, 23, 1, 44, 23, 1,
         44, 23, 1, 44, 23, 1, 44, 23, 1, 44, 23, 1,
         44, 23, 1, 44, 23, 1, 44, 23, 1, 44, 23, 1,
         44, 23, 1, 44, 23, 1, 44, 23, 1, 44, 23, 1,
         44, 23, 1, 44, 23, 1, 44, 23, 1, 44, 23, 1,
       }},
      // Brightness 3 (90), FXR from counter 4 and phase 10: counter 5, phase 9; groups 0-4 lit
      // with hues 9, 16, 23, 30, 37, groups 5 and 6 dark.
      {"bar, multi-colour", Lit(4, 3, 0, 1), [](MouseAnimation& s) { s.barCounter = 4; s.phase = 10; }, 1, {
         90, 11, 0, 90, 28, 0, 90, 54, 0, 90, 85, 0,
         64, 90, 0, 0, 0, 0, 0, 0, 0, 90, 11, 0,
         90, 28, 0, 90, 54, 0, 90, 85, 0, 64, 90, 0,
         0, 0, 0, 0, 0, 0, 90, 85, 0, 64, 90, 0,
         0, 0, 0, 0, 0, 0, 90, 28, 0, 90, 11, 0,
       }},
      // Brightness 12 (225), FXR from ring entry 0, third frame: levels 135, 175, 215 in
      // groups 0, 1, 2, the others 0: ((x * (L + 1) >> 8) * 226) >> 8.
      {"chase, one colour", Lit(5, 12, 0, 0, {255, 128, 64}),
       [](MouseAnimation& s) { SetMouseChaseStart(s, 0); }, 3, {
         119, 60, 30, 154, 77, 38, 189, 95, 47, 0, 0, 0,
         0, 0, 0, 0, 0, 0, 0, 0, 0, 119, 60, 30,
         154, 77, 38, 189, 95, 47, 0, 0, 0, 0, 0, 0,
         0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
         0, 0, 0, 0, 0, 0, 154, 77, 38, 119, 60, 30,
       }},
  };
  for (const Case& c : cases) {
    MouseAnimation state;
    if (c.start) c.start(state);
    HueAccumulator hue;
    MouseFrame frame;
    CurrentRecord record = c.record;
    for (int i = 0; i < c.frames; ++i) ASSERT_TRUE(RenderMouse(record, state, hue, frame).rendered) << c.effect;
    EXPECT_EQ(frame.bytes, c.bytes) << c.effect;
  }
}

// One frame of each mouse-pad effect, worked out by hand like the mouse's, with the pad's
// columns (LEDs 0-4, then 5, 6, 7, 8, 9 alone, then 14-10).
TEST(MousePadEffects, EachEffectSendsItsFrame) {
  struct Case {
    const char* effect;
    CurrentRecord record;
    std::function<void(MousePadAnimation&, MousePadInputs&)> start;
    int frames;  // the last one is compared
    std::array<std::uint8_t, kMousePadFrameSize> bytes;
  };
  static std::atomic<bool> trigger{false};
  const Case cases[] = {
      // Brightness 2 (75), FXR from phase 5: phase 4; LED e takes hue 4 + 7e, x * 76 >> 8.
      {"wave, multi-colour", Lit(0, 2, 0, 1), [](MousePadAnimation& s, MousePadInputs&) { s.phase = 5; }, 1, {
         75, 2, 0, 75, 13, 0, 75, 29, 0, 75, 52, 0,
         73, 75, 0, 46, 75, 0, 25, 75, 0, 10, 75, 0,
         1, 75, 0, 0, 75, 2, 0, 75, 11, 0, 75, 26,
         0, 75, 48, 0, 75, 75, 0, 50, 75,
       }},
      // Brightness 11 (210), FXL from phase 90: phase 91; LED e takes wave curve entry
      // (91 + 10e) mod 96: ((x * 211 >> 8) * (k + 1)) >> 8.
      {"wave, one colour", Lit(0, 11, 1, 0, {90, 180, 255}),
       [](MousePadAnimation& s, MousePadInputs&) { s.phase = 90; }, 1, {
         9, 19, 27, 10, 21, 30, 21, 42, 60, 34, 69, 98,
         51, 102, 145, 69, 139, 198, 59, 119, 169, 42, 84, 120,
         27, 54, 77, 15, 31, 44, 6, 13, 18, 14, 28, 41,
         26, 52, 73, 40, 81, 115, 58, 116, 164,
       }},
      // Brightness 8 (165), FXR from phase 100: phase 99, curve value 61, hue 99 + 50 = 149,
      // (129, 0, 255): ((x * 62 >> 8) * 166) >> 8.
      {"breathing, multi-colour", Lit(2, 8, 0, 1), [](MousePadAnimation& s, MousePadInputs&) { s.phase = 100; }, 1, {
         20, 0, 39, 20, 0, 39, 20, 0, 39, 20, 0, 39,
         20, 0, 39, 20, 0, 39, 20, 0, 39, 20, 0, 39,
         20, 0, 39, 20, 0, 39, 20, 0, 39, 20, 0, 39,
         20, 0, 39, 20, 0, 39, 20, 0, 39,
       }},
      // Brightness 4 (105): x * 106 >> 8.
      {"static", Lit(3, 4, 0, 0, {250, 128, 7}), nullptr, 1, {
         103, 53, 2, 103, 53, 2, 103, 53, 2, 103, 53, 2,
         103, 53, 2, 103, 53, 2, 103, 53, 2, 103, 53, 2,
         103, 53, 2, 103, 53, 2, 103, 53, 2, 103, 53, 2,
         103, 53, 2, 103, 53, 2, 103, 53, 2,
       }},
      // Brightness 14 (255), FXL, falling from counter 9: counter 8; LEDs 9-14 lit with
      // hues 63, 70, 77, 84, 91, 98.
      {"bar, multi-colour", Lit(4, 14, 1, 1),
       [](MousePadAnimation& s, MousePadInputs&) { s.barCounter = 9; s.barFlag = true; }, 1, {
         0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
         0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
         0, 0, 0, 0, 255, 0, 0, 255, 18, 0, 255, 57,
         0, 255, 119, 0, 255, 200, 0, 220, 255,
       }},
      // Brightness 7 (150), FXL from ring entry 0, third frame: LED 0 at level 165, LED 14 at
      // 195, LED 13 at 225: ((x * (L + 1) >> 8) * 151) >> 8.
      {"chase, one colour", Lit(5, 7, 1, 0, {200, 100, 50}),
       [](MousePadAnimation& s, MousePadInputs&) { SetPadChaseStart(s); }, 3, {
         76, 37, 18, 0, 0, 0, 0, 0, 0, 0, 0, 0,
         0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
         0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
         0, 0, 0, 103, 51, 25, 90, 44, 22,
       }},
      // Brightness 13 (240), phase 191: column c takes hue 191 + 7c (mod 192).
      {"column wave", Lit(6, 13, 0, 0), nullptr, 1, {
         240, 0, 0, 240, 0, 0, 240, 0, 0, 240, 0, 0,
         240, 0, 0, 240, 16, 0, 240, 53, 0, 240, 112, 0,
         240, 188, 0, 207, 240, 0, 126, 240, 0, 126, 240, 0,
         126, 240, 0, 126, 240, 0, 126, 240, 0,
       }},
      // Brightness 1 (60), from the start values: pattern 0x1F lights columns 3-6 with hues
      // 191, 19, 39, 59.
      {"sweep, multi-colour", Lit(7, 1, 0, 1), nullptr, 1, {
         0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
         0, 0, 0, 0, 0, 0, 0, 0, 0, 60, 0, 0,
         60, 25, 0, 37, 60, 0, 1, 60, 0, 1, 60, 0,
         1, 60, 0, 1, 60, 0, 1, 60, 0,
       }},
      // Brightness 6 (135), one mouse event: hue 14, (255, 65, 0), on every LED.
      {"mouse flash, multi-colour", Lit(8, 6, 0, 1),
       [](MousePadAnimation&, MousePadInputs& in) {
         trigger = true;
         in.padReactiveTrigger = &trigger;
       }, 1, {
         135, 34, 0, 135, 34, 0, 135, 34, 0, 135, 34, 0,
         135, 34, 0, 135, 34, 0, 135, 34, 0, 135, 34, 0,
         135, 34, 0, 135, 34, 0, 135, 34, 0, 135, 34, 0,
         135, 34, 0, 135, 34, 0, 135, 34, 0,
       }},
  };
  for (const Case& c : cases) {
    MousePadAnimation state;
    MousePadInputs inputs;
    if (c.start) c.start(state, inputs);
    HueAccumulator hue;
    MousePadFrame frame;
    CurrentRecord record = c.record;
    for (int i = 0; i < c.frames; ++i) {
      ASSERT_TRUE(RenderMousePad(record, state, hue, inputs, frame).rendered) << c.effect;
    }
    EXPECT_EQ(frame.bytes, c.bytes) << c.effect;
  }
}

// The scaling of the mouse and mouse-pad breathing, ((x * (k + 1) >> 8) * (S + 1)) >> 8, at
// points worked out by hand; the last row also tells it from the wave's order (22 there).
TEST(EffectScaling, BreathingAtKnownPoints) {
  struct Case {
    unsigned s, k;
    std::uint8_t x, device, opacity;
  };
  const Case cases[] = {
      {255, 255, 255, 255, 254},  // full brightness at the top of the curve loses nothing
      {45, 0, 255, 0, 0},         // the bottom of the curve is dark
      {195, 119, 255, 91, 90},
      {120, 200, 100, 36, 93},
      {45, 128, 255, 23, 22},
  };
  for (const Case& c : cases) {
    const Scale scale = Scale::Breath(c.s, c.k);
    EXPECT_EQ(scale.Apply(c.x), c.device) << c.s << " " << c.k << " " << int{c.x};
    EXPECT_EQ(scale.opacity, c.opacity) << c.s << " " << c.k;
  }
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
