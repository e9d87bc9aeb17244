#include "keys/macro_timeline.h"

#include <gtest/gtest.h>

namespace tavrinex::keys {
namespace {

// delay in 10 ms units, event code, value
TimelineRow Row(unsigned delayUnits, std::uint8_t code, std::uint8_t value, std::string name,
                std::optional<std::uint32_t> recordedMs = std::nullopt) {
  return {{static_cast<std::uint8_t>(delayUnits & 0xFF), static_cast<std::uint8_t>(delayUnits >> 8), code, value},
          std::move(name), recordedMs};
}

constexpr std::uint8_t kPress = kEventPressBit;

TEST(MacroTimelineTest, PressAndReleaseMakeABarAndPausesShowTheirRounding) {
  // A, 1230 ms (recorded 1234), release, 300 ms.
  const std::vector<TimelineRow> rows = {Row(123, kPress | kEventKey, 0x04, "A", 1234),
                                         Row(30, kEventKey, 0x04, "A", 300)};
  const auto t = BuildTimeline(rows);
  EXPECT_EQ(t.lanes, (std::vector<std::string>{"A"}));
  ASSERT_EQ(t.bars.size(), 1U);
  EXPECT_EQ(t.bars[0].startMs, 0U);
  EXPECT_EQ(t.bars[0].endMs, 1230U);
  EXPECT_EQ(t.bars[0].releaseRow, 1U);
  EXPECT_EQ(t.rowStartMs, (std::vector<std::uint32_t>{0, 1230}));
  EXPECT_EQ(t.totalMs, 1530U);
  EXPECT_EQ(t.pauses[0].storedMs, 1230U);
  EXPECT_EQ(t.pauses[0].recordedMs, 1234U);
  EXPECT_TRUE(t.instants.empty());
}

TEST(MacroTimelineTest, LanesPerKeyOrButtonAndInstantsForMovesAndWheel) {
  const std::vector<TimelineRow> rows = {
      Row(5, kPress | kEventModifier, 0x02, "Left Shift"),
      Row(5, kPress | kEventKey, 0x04, "A"),
      Row(5, kEventKey, 0x04, "A"),
      Row(5, kEventModifier, 0x02, "Left Shift"),
      Row(1, kPress | kEventMouseButton, 0x01, "Left button"),
      Row(1, kEventMoveX, 20, "Move right"),
      Row(1, kPress | kEventMoveX, 20, "Move left"),  // the same axis: the same lane
      Row(1, kEventWheel, 1, "Wheel"),
      Row(1, kEventWheel, 0xFF, "Wheel"),
      Row(2, kEventMouseButton, 0x01, "Left button"),
  };
  const auto t = BuildTimeline(rows);
  EXPECT_EQ(t.lanes, (std::vector<std::string>{"Left Shift", "A", "Left button", "Move right", "Wheel"}));
  ASSERT_EQ(t.bars.size(), 3U);
  EXPECT_EQ(t.bars[0].startMs, 0U);  // Shift holds around A
  EXPECT_EQ(t.bars[0].endMs, 150U);
  EXPECT_EQ(t.bars[1].startMs, 50U);
  EXPECT_EQ(t.bars[1].endMs, 100U);
  EXPECT_EQ(t.bars[2].startMs, 200U);
  EXPECT_EQ(t.bars[2].endMs, 250U);
  ASSERT_EQ(t.instants.size(), 4U);
  EXPECT_EQ(t.instants[0].lane, 3U);
  EXPECT_EQ(t.instants[1].lane, 3U);
  EXPECT_EQ(t.instants[2].lane, 4U);
  EXPECT_EQ(t.instants[3].atMs, 240U);
  EXPECT_EQ(t.totalMs, 270U);
}

TEST(MacroTimelineTest, HeldToTheEndReleasesWithoutPressAndLongestPauses) {
  const std::vector<TimelineRow> rows = {
      Row(10, kEventKey, 0x05, "B"),                 // released, never pressed
      Row(65535, kPress | kEventKey, 0x04, "A"),     // held to the end
      Row(65535, kPress | kEventKey, 0x06, "C"),
      Row(0, kPress | kEventKey, 0x06, "C"),         // pressed again while held
  };
  const auto t = BuildTimeline(rows);
  ASSERT_EQ(t.instants.size(), 1U);
  EXPECT_TRUE(t.instants[0].unpairedRelease);
  ASSERT_EQ(t.bars.size(), 3U);
  EXPECT_EQ(t.totalMs, 100U + 2U * 655350U);
  EXPECT_EQ(t.bars[0].endMs, t.totalMs);
  EXPECT_FALSE(t.bars[0].releaseRow);
  EXPECT_EQ(t.bars[1].endMs, t.bars[2].startMs) << "a second press ends the first";
  EXPECT_TRUE(BuildTimeline({}).bars.empty());
  EXPECT_EQ(BuildTimeline({}).totalMs, 0U);
}

}  // namespace
}  // namespace tavrinex::keys
