#include "lighting/render_session.h"

#include <gtest/gtest.h>

#include <vector>

namespace tavrinex::lighting {
namespace {

std::vector<std::vector<std::uint8_t>> Frames(RenderSession& s, std::size_t n) {
  std::vector<std::vector<std::uint8_t>> out;
  RenderFrames(s, n, [&](std::span<const std::uint8_t> f) { out.emplace_back(f.begin(), f.end()); });
  return out;
}

TEST(RenderSession, SkippedSweepTurnsAreNotCountedButKept) {
  RenderSession s;
  s.kind = DeviceKind::kMousePad;
  s.record[rec::kMode] = Code(LightingMode::kPadSweep);
  s.record[rec::kBrightness] = 14;
  SetRecordColour(s.record, {255, 255, 255});
  const auto frames = Frames(s, 16);
  ASSERT_EQ(frames.size(), 16u);  // 14 frames, a turn, then 2 more
  EXPECT_EQ(frames[0].size(), 45u);
  // After the turn the pattern 0x00FC has no bit in 9-15 yet: all dark.
  EXPECT_TRUE(std::all_of(frames[14].begin(), frames[14].end(), [](std::uint8_t b) { return b == 0; }));
}

TEST(RenderSession, KeyboardFramesIncludeTheThreadsAccumulatorStep) {
  RenderSession s;
  s.record[rec::kMode] = Code(LightingMode::kKbShowcase);
  s.record[rec::kBrightness] = 14;
  s.record[rec::kMultiColour] = 1;
  const auto frames = Frames(s, 2);
  ASSERT_EQ(frames.size(), 2u);
  // Frame 1 lights positions 0 and 118 (hues 11, 22), the step makes 23; frame 2 lights
  // position 1 with hue 34, (220, 255, 0), at level 225: ((x * 225 >> 8) * 255) >> 8.
  EXPECT_EQ(frames[1][3], 192);
  EXPECT_EQ(frames[1][4], 223);
  EXPECT_EQ(frames[1][5], 0);
}

TEST(RenderSession, ModesThatDrawNothingEndAfterTwoSkips) {
  RenderSession s;
  s.kind = DeviceKind::kMousePad;
  s.record[rec::kMode] = 9;
  EXPECT_TRUE(Frames(s, 5).empty());
  EXPECT_TRUE(DependsOnTimeOrInput(DeviceKind::kKeyboard, 9));
  EXPECT_TRUE(DependsOnTimeOrInput(DeviceKind::kMousePad, 8));
  EXPECT_FALSE(DependsOnTimeOrInput(DeviceKind::kMouse, 8));
}

}  // namespace
}  // namespace tavrinex::lighting
