#include "device/input_report.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <limits>
#include <tuple>
#include <vector>

#include "device/report_descriptor.h"
#include "sim/descriptors.h"

namespace tavrinex::device {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Usages = std::vector<std::uint16_t>;

// Consumer control: one 16-bit array element behind report id 3, as the simulated keyboard
// and mouse describe it.
const Bytes kConsumerControl(sim::kConsumerDescriptor.begin(), sim::kConsumerDescriptor.end());

// Mouse, report id 1. Data bytes: buttons 1..5 and padding, X, Y, slider, buttons 8/6/7
// (listed out of order) and padding.
const Bytes kMouse = {
    0x05, 0x01,        // Usage Page (Generic Desktop)
    0x09, 0x02,        // Usage (Mouse)
    0xA1, 0x01,        // Collection (Application)
    0x85, 0x01,        //   Report ID (1)
    0x09, 0x01,        //   Usage (Pointer)
    0xA1, 0x00,        //   Collection (Physical)
    0x05, 0x09,        //     Usage Page (Button)
    0x19, 0x01,        //     Usage Minimum (Button 1)
    0x29, 0x05,        //     Usage Maximum (Button 5)
    0x15, 0x00,        //     Logical Minimum (0)
    0x25, 0x01,        //     Logical Maximum (1)
    0x75, 0x01,        //     Report Size (1)
    0x95, 0x05,        //     Report Count (5)
    0x81, 0x02,        //     Input (Data, Variable, Absolute)
    0x75, 0x03,        //     Report Size (3)
    0x95, 0x01,        //     Report Count (1)
    0x81, 0x01,        //     Input (Constant)
    0x05, 0x01,        //     Usage Page (Generic Desktop)
    0x09, 0x30,        //     Usage (X)
    0x09, 0x31,        //     Usage (Y)
    0x15, 0x81,        //     Logical Minimum (-127)
    0x25, 0x7F,        //     Logical Maximum (127)
    0x75, 0x08,        //     Report Size (8)
    0x95, 0x02,        //     Report Count (2)
    0x81, 0x06,        //     Input (Data, Variable, Relative)
    0xC0,              //   End Collection
    0x09, 0x36,        //   Usage (Slider)
    0x15, 0x00,        //   Logical Minimum (0)
    0x26, 0xFF, 0x00,  //   Logical Maximum (255)
    0x35, 0x00,        //   Physical Minimum (0)
    0x46, 0xE8, 0x03,  //   Physical Maximum (1000)
    0x95, 0x01,        //   Report Count (1)
    0x81, 0x02,        //   Input (Data, Variable, Absolute)
    0x05, 0x09,        //   Usage Page (Button)
    0x09, 0x08,        //   Usage (Button 8)
    0x09, 0x06,        //   Usage (Button 6)
    0x09, 0x07,        //   Usage (Button 7)
    0x25, 0x01,        //   Logical Maximum (1)
    0x75, 0x01,        //   Report Size (1)
    0x95, 0x03,        //   Report Count (3)
    0x81, 0x02,        //   Input (Data, Variable, Absolute)
    0x75, 0x05,        //   Report Size (5)
    0x95, 0x01,        //   Report Count (1)
    0x81, 0x01,        //   Input (Constant)
    0xC0,              // End Collection
};

Bytes Concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

void AppendLe32(Bytes& bytes, std::uint8_t prefix, std::int32_t value) {
  bytes.push_back(prefix);
  const auto bits = static_cast<std::uint32_t>(value);
  for (int shift = 0; shift < 32; shift += 8) {
    bytes.push_back(static_cast<std::uint8_t>(bits >> shift));
  }
}

ReportDescriptor Parse(const Bytes& bytes) {
  ReportDescriptor descriptor;
  DescriptorError error;
  EXPECT_TRUE(ParseReportDescriptor(bytes, descriptor, &error)) << error.reason;
  return descriptor;
}

auto Decoded(const HidDataItem& item) {
  return std::tie(item.hasData, item.usages, item.rawValue, item.scaledValue);
}

TEST(InputReport, ConsumerControlArrayDecodesToOneUsage) {
  const ReportDescriptor d = Parse(kConsumerControl);
  ASSERT_EQ(d.collections.size(), 1U);
  EXPECT_EQ(d.collections[0].usagePage, 0x0C);
  EXPECT_EQ(d.collections[0].usage, 0x01);
  EXPECT_EQ(d.inputReportLength, 3);
  std::vector<HidDataItem> items = BuildInputDataItems(d);
  ASSERT_EQ(items.size(), 1U);
  EXPECT_TRUE(items[0].isButton);
  EXPECT_EQ(items[0].usagePage, 0x0C);
  EXPECT_EQ(items[0].reportId, 3U);
  EXPECT_EQ(items[0].status, kHidStatusSuccess);
  EXPECT_EQ(items[0].usageLow, 0U);
  EXPECT_EQ(items[0].usageHigh, 0x0FFFU);
  EXPECT_EQ(items[0].usageCapacity, 1U);

  const std::vector<std::pair<std::uint16_t, std::uint16_t>> cases = {
      {0x0401, 0x0401}, {0x0402, 0x0402}, {0x0403, 0x0403},
      {0x0000, 0},        // usage 0: nothing pressed
      {0x1000, 0},        // beyond the logical maximum
  };
  for (const auto& [value, usage] : cases) {
    const Bytes report = {0x03, static_cast<std::uint8_t>(value),
                          static_cast<std::uint8_t>(value >> 8)};
    ASSERT_TRUE(DecodeInputReport(d, items, report)) << value;
    EXPECT_TRUE(items[0].hasData);
    EXPECT_EQ(items[0].usages, Usages{usage}) << value;
  }
}

// Logical ranges that do not match the usages: values past either select nothing.
TEST(InputReport, ArraysSelectUsagesCountingFromTheLogicalMinimum) {
  const ReportDescriptor d = Parse({
      0x05, 0x0C,        // Usage Page (Consumer)
      0x09, 0x01,        // Usage (Consumer Control)
      0xA1, 0x01,        // Collection (Application)
      0x09, 0xB7,        //   Usage (Stop)
      0x09, 0xB5,        //   Usage (Scan Next Track)
      0x09, 0xB6,        //   Usage (Scan Previous Track)
      0x15, 0x01,        //   Logical Minimum (1)
      0x25, 0x02,        //   Logical Maximum (2): the third usage is out of reach
      0x75, 0x08,        //   Report Size (8)
      0x95, 0x02,        //   Report Count (2)
      0x81, 0x00,        //   Input (Data, Array, Absolute)
      0x19, 0xB3,        //   Usage Minimum (Fast Forward)
      0x29, 0xB4,        //   Usage Maximum (Rewind)
      0x15, 0x00,        //   Logical Minimum (0)
      0x25, 0x03,        //   Logical Maximum (3): 2 and 3 would run into the usages above
      0x95, 0x01,        //   Report Count (1)
      0x81, 0x00,        //   Input (Data, Array, Absolute)
      0xC0,              // End Collection
  });
  std::vector<HidDataItem> items = BuildInputDataItems(d);
  ASSERT_EQ(items.size(), 2U);
  EXPECT_EQ(std::tie(items[0].usageLow, items[0].usageHigh), std::make_tuple(0xB5U, 0xB7U));
  EXPECT_EQ(std::tie(items[1].usageLow, items[1].usageHigh), std::make_tuple(0xB3U, 0xB4U));
  EXPECT_EQ(items[1].usageCapacity, 3U);
  const std::vector<std::tuple<Bytes, Usages, Usages>> cases = {
      {{0x00, 0x02, 0x01, 0x01}, {0xB5, 0xB7, 0}, {0xB4, 0, 0}},
      {{0x00, 0x01, 0x00, 0x00}, {0xB7, 0, 0}, {0xB3, 0, 0}},
      {{0x00, 0x00, 0x02, 0x02}, {0xB5, 0, 0}, {0, 0, 0}},
      {{0x00, 0x03, 0x04, 0x03}, {0, 0, 0}, {0, 0, 0}},
  };
  for (const auto& [report, first, second] : cases) {
    ASSERT_TRUE(DecodeInputReport(d, items, report));
    EXPECT_EQ(items[0].usages, first) << testing::PrintToString(report);
    EXPECT_EQ(items[1].usages, second) << testing::PrintToString(report);
  }
}

TEST(InputReport, MouseItemsButtonsFirstThenOnePerValueElement) {
  const ReportDescriptor d = Parse(kMouse);
  EXPECT_EQ(MaxUsageListLength(d, 0x09), 8U);   // padding does not count
  EXPECT_EQ(MaxUsageListLength(d, 0x01), 0U);   // values are not buttons
  EXPECT_EQ(MaxUsageListLength(d, 0x0C), 0U);
  const std::vector<HidDataItem> items = BuildInputDataItems(d);
  ASSERT_EQ(items.size(), 5U);
  const std::vector<std::tuple<std::uint32_t, std::uint32_t>> ranges = {{1, 5}, {6, 8}};
  for (std::size_t i = 0; i < ranges.size(); ++i) {
    EXPECT_TRUE(items[i].isButton);
    EXPECT_EQ(items[i].usagePage, 0x09);
    EXPECT_EQ(std::tie(items[i].usageLow, items[i].usageHigh), ranges[i]);
    EXPECT_EQ(items[i].usageCapacity, 8U);
    EXPECT_EQ(items[i].usages, Usages(8, 0));
  }
  const std::vector<std::tuple<std::uint16_t, std::size_t, std::uint32_t>> values = {
      {0x30, 2, 0}, {0x31, 2, 1}, {0x36, 3, 0}};
  for (std::size_t i = 0; i < values.size(); ++i) {
    const HidDataItem& item = items[ranges.size() + i];
    EXPECT_FALSE(item.isButton);
    EXPECT_EQ(item.usagePage, 0x01);
    EXPECT_EQ(item.reportId, 1U);
    EXPECT_EQ(std::tie(item.usage, item.field, item.element), values[i]);
  }
  EXPECT_EQ(BuildInputDataItems(d, 3).size(), 3U);
}

struct ButtonCase {
  std::uint8_t buttons;   // byte 1: buttons 1..5, padding above
  std::uint8_t side;      // byte 5: buttons 8, 6, 7
  Usages first;
  Usages second;
};

TEST(InputReport, MouseButtonsAreFilteredPerItemAndZeroTerminated) {
  const ReportDescriptor d = Parse(kMouse);
  std::vector<HidDataItem> items = BuildInputDataItems(d);
  const std::vector<ButtonCase> cases = {
      {0x00, 0x00, {0, 0, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0, 0}},
      {0x05, 0x01, {1, 3, 0, 0, 0, 0, 0, 0}, {8, 0, 0, 0, 0, 0, 0, 0}},
      {0x1F, 0x07, {1, 2, 3, 4, 5, 0, 0, 0}, {8, 6, 7, 0, 0, 0, 0, 0}},
      {0xF0, 0xFA, {5, 0, 0, 0, 0, 0, 0, 0}, {6, 0, 0, 0, 0, 0, 0, 0}},   // padding is ignored
  };
  for (const ButtonCase& c : cases) {
    ASSERT_TRUE(DecodeInputReport(d, items, Bytes{0x01, c.buttons, 0, 0, 0, c.side}));
    EXPECT_EQ(items[0].usages, c.first) << int{c.buttons};
    EXPECT_EQ(items[1].usages, c.second) << int{c.side};
  }
}

struct MouseValueCase {
  Bytes data;   // X, Y, slider
  std::array<std::uint32_t, 3> raw;
  std::array<std::int32_t, 3> scaled;
};

TEST(InputReport, MouseValuesAreSignExtendedAndScaled) {
  const ReportDescriptor d = Parse(kMouse);
  std::vector<HidDataItem> items = BuildInputDataItems(d);
  const std::vector<MouseValueCase> cases = {
      {{0x81, 0x7F, 0xFF}, {0x81, 0x7F, 0xFF}, {-127, 127, 1000}},
      {{0xFF, 0x00, 0x33}, {0xFF, 0x00, 0x33}, {-1, 0, 200}},
      {{0x80, 0x01, 0x80}, {0x80, 0x01, 0x80}, {-128, 1, 501}},   // 128 * 1000 / 255, truncated
  };
  for (const MouseValueCase& c : cases) {
    const Bytes report = {0x01, 0x00, c.data[0], c.data[1], c.data[2], 0x00};
    ASSERT_TRUE(DecodeInputReport(d, items, report));
    for (std::size_t i = 0; i < 3; ++i) {
      EXPECT_TRUE(items[2 + i].hasData);
      EXPECT_EQ(items[2 + i].rawValue, c.raw[i]) << testing::PrintToString(c.data) << i;
      EXPECT_EQ(items[2 + i].scaledValue, c.scaled[i]) << testing::PrintToString(c.data) << i;
    }
  }
}

struct ValueCase {
  const char* name;
  std::uint8_t padBits;    // constant bits ahead of the value
  std::uint8_t size;
  std::int32_t logicalMin, logicalMax, physicalMin, physicalMax;
  Bytes data;
  std::uint32_t raw;
  std::int32_t scaled;
};

// One value field (Generic Desktop X) without report ids, every range as a four-byte item.
Bytes ValueDescriptor(const ValueCase& c) {
  Bytes bytes = {0x05, 0x01, 0x09, 0x01, 0xA1, 0x01};   // Generic Desktop, Pointer, Application
  AppendLe32(bytes, 0x17, c.logicalMin);
  AppendLe32(bytes, 0x27, c.logicalMax);
  AppendLe32(bytes, 0x37, c.physicalMin);
  AppendLe32(bytes, 0x47, c.physicalMax);
  if (c.padBits != 0) bytes.insert(bytes.end(), {0x75, c.padBits, 0x95, 0x01, 0x81, 0x01});
  bytes.insert(bytes.end(), {0x09, 0x30, 0x75, c.size, 0x95, 0x01, 0x81, 0x02, 0xC0});
  return bytes;
}

TEST(InputReport, ValueScalingTable) {
  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  const std::vector<ValueCase> cases = {
      {"unaligned unsigned", 3, 12, 0, 4095, 0, 0, {0xE0, 0x55}, 0xABC, 0xABC},
      {"unaligned signed", 3, 12, -2048, 2047, 0, 0, {0x00, 0x40}, 0x800, -2048},
      {"16-bit unsigned", 0, 16, 0, 0xFFFF, 0, 0, {0xFF, 0xFF}, 0xFFFF, 0xFFFF},
      {"32-bit signed", 0, 32, kMin, kMax, 0, 0, {0xFF, 0xFF, 0xFF, 0xFF}, 0xFFFFFFFF, -1},
      {"full range, bottom", 0, 32, kMin, kMax, kMin, kMax, {0x00, 0x00, 0x00, 0x80}, 0x80000000,
       kMin},
      {"full range, top", 0, 32, kMin, kMax, kMin, kMax, {0xFF, 0xFF, 0xFF, 0x7F}, 0x7FFFFFFF,
       kMax},
      {"reversed physical", 0, 8, 0, 10, 100, 0, {0x03}, 3, 70},
      {"negative ranges", 0, 8, -100, 100, -1000, 1000, {0xCE}, 0xCE, -500},
      {"empty logical range", 0, 8, 5, 5, 0, 100, {0x07}, 7, 7},
      {"above the logical range", 0, 8, 0, 100, 0, 1000, {0xC8}, 200, 1000},
  };
  for (const ValueCase& c : cases) {
    SCOPED_TRACE(c.name);
    const ReportDescriptor d = Parse(ValueDescriptor(c));
    std::vector<HidDataItem> items = BuildInputDataItems(d);
    ASSERT_EQ(items.size(), 1U);
    ASSERT_TRUE(DecodeInputReport(d, items, Concat({0x00}, c.data)));
    EXPECT_EQ(items[0].rawValue, c.raw);
    EXPECT_EQ(items[0].scaledValue, c.scaled);
  }
}

TEST(InputReport, ShortOrEmptyReportFailsAtTheFirstValueItCannotRead) {
  const ReportDescriptor d = Parse(kMouse);
  std::vector<HidDataItem> items = BuildInputDataItems(d);
  EXPECT_FALSE(DecodeInputReport(d, items, Bytes{}));
  for (const HidDataItem& item : items) EXPECT_FALSE(item.hasData);

  EXPECT_FALSE(DecodeInputReport(d, items, Bytes{0x01, 0x01, 0x05}));   // up to X only
  EXPECT_EQ(items[0].usages[0], 1);
  EXPECT_TRUE(items[1].hasData);              // side buttons lie past the end: none pressed
  EXPECT_EQ(items[1].usages[0], 0);
  EXPECT_TRUE(items[2].hasData);
  EXPECT_EQ(items[2].rawValue, 5U);
  EXPECT_FALSE(items[3].hasData);
  EXPECT_FALSE(items[4].hasData);
}

TEST(InputReport, ItemsOfAnotherReportIdAreLeftAlone) {
  const ReportDescriptor d = Parse(Concat(kMouse, kConsumerControl));
  std::vector<HidDataItem> items = BuildInputDataItems(d);
  ASSERT_EQ(items.size(), 6U);   // three buttons (mouse, side, consumer), three values
  EXPECT_EQ(items[2].usageCapacity, 1U);
  ASSERT_TRUE(DecodeInputReport(d, items, Bytes{0x01, 0x1F, 0x05, 0xFB, 0x33, 0x07}));
  EXPECT_FALSE(items[2].hasData);
  const std::vector<HidDataItem> mouse = items;

  ASSERT_TRUE(DecodeInputReport(d, items, Bytes{0x03, 0xE9, 0x00}));   // Volume Increment
  EXPECT_EQ(items[2].usages, Usages{0x00E9});
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i != 2) {
      EXPECT_EQ(Decoded(items[i]), Decoded(mouse[i])) << i;
    }
  }
  ASSERT_TRUE(DecodeInputReport(d, items, Bytes{0x09, 0xFF}));   // no items for id 9
}

TEST(InputReport, UsageListsStayWithinTheSlotBudget) {
  // Three report ids of eight 4096-bit button fields: every list would hold 98304 usages.
  Bytes bytes = {0x05, 0x09, 0x09, 0x01, 0xA1, 0x01, 0x19, 0x01, 0x29, 0x08,
                 0x75, 0x01, 0x96, 0x00, 0x10};
  for (std::uint8_t id = 1; id <= 3; ++id) {
    bytes.insert(bytes.end(), {0x85, id});
    for (int i = 0; i < 8; ++i) bytes.insert(bytes.end(), {0x81, 0x02});
  }
  bytes.insert(bytes.end(), {0x85, 0x04, 0x75, 0x08, 0x95, 0x01, 0x81, 0x02, 0xC0});
  const ReportDescriptor d = Parse(bytes);
  ASSERT_EQ(MaxUsageListLength(d, 0x09), 24U * 4096U);
  const std::vector<HidDataItem> items = BuildInputDataItems(d);
  std::size_t slots = 0;
  for (const HidDataItem& item : items) slots += item.usages.size();
  EXPECT_LE(slots, kMaxUsageSlots);
  ASSERT_FALSE(items.empty());
  EXPECT_FALSE(items.back().isButton);
  EXPECT_EQ(items.back().reportId, 4U);
}

}  // namespace
}  // namespace tavrinex::device
