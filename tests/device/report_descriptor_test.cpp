#include "device/report_descriptor.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace tavrinex::device {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The configuration interface: 63 data bytes each way behind report id 4.
const Bytes kVendorConfig = {
    0x06, 0x1C, 0xFF,  // Usage Page (vendor 0xFF1C)
    0x09, 0x92,        // Usage (0x92)
    0xA1, 0x01,        // Collection (Application)
    0x85, 0x04,        //   Report ID (4)
    0x15, 0x00,        //   Logical Minimum (0)
    0x26, 0xFF, 0x00,  //   Logical Maximum (255)
    0x75, 0x08,        //   Report Size (8)
    0x95, 0x3F,        //   Report Count (63)
    0x09, 0x01,        //   Usage (0x01)
    0x81, 0x02,        //   Input (Data, Variable, Absolute)
    0x09, 0x02,        //   Usage (0x02)
    0x91, 0x02,        //   Output (Data, Variable, Absolute)
    0xC0,              // End Collection
};

// A keyboard (report id 1) and a consumer control (report id 2) on one interface.
const Bytes kKeyboardAndConsumer = {
    0x05, 0x01,        // Usage Page (Generic Desktop)
    0x09, 0x06,        // Usage (Keyboard)
    0xA1, 0x01,        // Collection (Application)
    0x85, 0x01,        //   Report ID (1)
    0x05, 0x07,        //   Usage Page (Keyboard/Keypad)
    0x19, 0xE0,        //   Usage Minimum (Left Control)
    0x29, 0xE7,        //   Usage Maximum (Right GUI)
    0x15, 0x00,        //   Logical Minimum (0)
    0x25, 0x01,        //   Logical Maximum (1)
    0x75, 0x01,        //   Report Size (1)
    0x95, 0x08,        //   Report Count (8)
    0x81, 0x02,        //   Input (Data, Variable, Absolute): modifiers
    0x75, 0x08,        //   Report Size (8)
    0x95, 0x01,        //   Report Count (1)
    0x81, 0x01,        //   Input (Constant): reserved byte
    0x05, 0x08,        //   Usage Page (LEDs)
    0x19, 0x01,        //   Usage Minimum (Num Lock)
    0x29, 0x05,        //   Usage Maximum (Kana)
    0x75, 0x01,        //   Report Size (1)
    0x95, 0x05,        //   Report Count (5)
    0x91, 0x02,        //   Output (Data, Variable, Absolute)
    0x75, 0x03,        //   Report Size (3)
    0x95, 0x01,        //   Report Count (1)
    0x91, 0x01,        //   Output (Constant): padding
    0x05, 0x07,        //   Usage Page (Keyboard/Keypad)
    0x19, 0x00,        //   Usage Minimum (0)
    0x29, 0x65,        //   Usage Maximum (Keyboard Application)
    0x25, 0x65,        //   Logical Maximum (0x65)
    0x75, 0x08,        //   Report Size (8)
    0x95, 0x06,        //   Report Count (6)
    0x81, 0x00,        //   Input (Data, Array, Absolute): key codes
    0xC0,              // End Collection
    0x05, 0x0C,        // Usage Page (Consumer)
    0x09, 0x01,        // Usage (Consumer Control)
    0xA1, 0x01,        // Collection (Application)
    0x85, 0x02,        //   Report ID (2)
    0x19, 0x00,        //   Usage Minimum (0)
    0x2A, 0xFF, 0x0F,  //   Usage Maximum (0x0FFF)
    0x15, 0x00,        //   Logical Minimum (0)
    0x26, 0xFF, 0x0F,  //   Logical Maximum (0x0FFF)
    0x75, 0x10,        //   Report Size (16)
    0x95, 0x01,        //   Report Count (1)
    0x81, 0x00,        //   Input (Data, Array, Absolute)
    0xC0,              // End Collection
};

// Application collection header (Generic Desktop, Mouse) around body, closed.
Bytes App(const Bytes& body) {
  Bytes bytes = {0x05, 0x01, 0x09, 0x02, 0xA1, 0x01};
  bytes.insert(bytes.end(), body.begin(), body.end());
  bytes.push_back(0xC0);
  return bytes;
}

Bytes Repeat(const Bytes& unit, std::size_t times) {
  Bytes bytes;
  for (std::size_t i = 0; i < times; ++i) bytes.insert(bytes.end(), unit.begin(), unit.end());
  return bytes;
}

Bytes Concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

Bytes Nested(std::size_t depth) {
  return Concat(Repeat({0xA1, 0x01}, depth), Repeat({0xC0}, depth));
}

// Fills a body with push/pop pairs so that the whole descriptor is exactly `size` bytes.
Bytes AppOfSize(std::size_t size) {
  Bytes bytes = App({0x75, 0x08, 0x95, 0x01, 0x81, 0x02});
  Bytes filler = Repeat({0xA4, 0xB4}, (size - bytes.size()) / 2);
  if ((size - bytes.size()) % 2 != 0) filler.push_back(0x00);   // an ignored main item
  bytes.insert(bytes.begin() + 6, filler.begin(), filler.end());
  return bytes;
}

ReportDescriptor ParseOk(const Bytes& bytes) {
  ReportDescriptor descriptor;
  DescriptorError error;
  EXPECT_TRUE(ParseReportDescriptor(bytes, descriptor, &error)) << error.reason << " at "
                                                                 << error.offset;
  return descriptor;
}

TEST(ReportDescriptor, VendorConfigurationInterface) {
  const ReportDescriptor d = ParseOk(kVendorConfig);
  ASSERT_EQ(d.collections.size(), 1U);
  EXPECT_EQ(d.collections[0].usagePage, 0xFF1C);
  EXPECT_EQ(d.collections[0].usage, 0x92);
  EXPECT_TRUE(d.usesReportIds);
  EXPECT_EQ(d.inputReportLength, 64);
  EXPECT_EQ(d.outputReportLength, 64);
  EXPECT_EQ(d.featureReportLength, 0);
  ASSERT_EQ(d.fields.size(), 2U);
  for (const ReportField& field : d.fields) {
    EXPECT_EQ(field.reportId, 4);
    EXPECT_EQ(field.bitOffset, 0U);
    EXPECT_EQ(field.reportSize, 8U);
    EXPECT_EQ(field.reportCount, 63U);
    EXPECT_EQ(field.usagePage, 0xFF1C);
    EXPECT_EQ(field.logicalMax, 255);
  }
  EXPECT_EQ(d.fields[0].kind, ReportKind::kInput);
  EXPECT_EQ(d.fields[1].kind, ReportKind::kOutput);
  EXPECT_EQ(d.fields[1].usages, std::vector<std::uint16_t>{0x02});
}

TEST(ReportDescriptor, TwoTopLevelCollections) {
  const ReportDescriptor d = ParseOk(kKeyboardAndConsumer);
  ASSERT_EQ(d.collections.size(), 2U);
  EXPECT_EQ(d.collections[0].usagePage, 0x01);
  EXPECT_EQ(d.collections[0].usage, 0x06);
  EXPECT_EQ(d.collections[1].usagePage, 0x0C);
  EXPECT_EQ(d.collections[1].usage, 0x01);
  // Keyboard input: 8 modifier bits, a reserved byte, six key bytes; the longest report wins.
  EXPECT_EQ(d.inputReportLength, 9);
  EXPECT_EQ(d.outputReportLength, 2);
  ASSERT_EQ(d.fields.size(), 6U);
  const ReportField& keys = d.fields[4];
  EXPECT_EQ(keys.bitOffset, 16U);
  EXPECT_EQ(keys.usagePage, 0x07);
  EXPECT_TRUE(keys.isRange);
  EXPECT_EQ(keys.usageMax, 0x65);
  EXPECT_EQ(keys.collection, 0U);
  const ReportField& consumer = d.fields[5];
  EXPECT_EQ(consumer.reportId, 2);
  EXPECT_EQ(consumer.bitOffset, 0U);
  EXPECT_EQ(consumer.usagePage, 0x0C);
  EXPECT_EQ(consumer.usageMax, 0x0FFF);
  EXPECT_EQ(consumer.collection, 1U);
}

TEST(ReportDescriptor, BitOffsetsAccumulatePerKindAndReportId) {
  const ReportDescriptor d = ParseOk(App({
      0x85, 0x01,        // Report ID (1)
      0x75, 0x08,        // Report Size (8)
      0x95, 0x02,        // Report Count (2)
      0x81, 0x02,        // Input: id 1, bits 0..15
      0x91, 0x02,        // Output: id 1, bits 0..15
      0x85, 0x02,        // Report ID (2)
      0x81, 0x02,        // Input: id 2, bits 0..15
      0x85, 0x01,        // Report ID (1)
      0x75, 0x04,        // Report Size (4)
      0x95, 0x01,        // Report Count (1)
      0x81, 0x02,        // Input: id 1, bits 16..19
  }));
  ASSERT_EQ(d.fields.size(), 4U);
  EXPECT_EQ(d.fields[1].bitOffset, 0U);
  EXPECT_EQ(d.fields[2].bitOffset, 0U);
  EXPECT_EQ(d.fields[3].bitOffset, 16U);
  EXPECT_EQ(d.inputReportLength, 4);    // 20 bits round up to 3 bytes, plus the id
  EXPECT_EQ(d.outputReportLength, 3);
}

TEST(ReportDescriptor, WithoutReportIdsTheLengthStillCountsTheIdByte) {
  const ReportDescriptor d = ParseOk(App({0x75, 0x0C, 0x95, 0x01, 0x81, 0x02}));
  EXPECT_FALSE(d.usesReportIds);
  EXPECT_EQ(d.fields[0].reportId, 0);
  EXPECT_EQ(d.inputReportLength, 3);
}

TEST(ReportDescriptor, GlobalStackFourByteUsagesAndLocalReset) {
  const ReportDescriptor d = ParseOk(App({
      0x75, 0x08,                    // Report Size (8)
      0x95, 0x01,                    // Report Count (1)
      0xA4,                          // Push
      0x05, 0x09,                    // Usage Page (Button)
      0x75, 0x10,                    // Report Size (16)
      0x0B, 0x38, 0x02, 0x0C, 0x00,  // Usage (Consumer: AC Pan), page in the high half
      0x81, 0x02,                    // Input
      0xB4,                          // Pop
      0x81, 0x02,                    // Input: no usage, Generic Desktop, 8 bits again
      0x29, 0x03,                    // Usage Maximum (3) before
      0x19, 0x01,                    // Usage Minimum (1)
      0x81, 0x02,                    // Input: range 1..3
      0x09, 0x05,                    // Usage (5)
      0x19, 0x01,                    // Usage Minimum (1)
      0x29, 0x02,                    // Usage Maximum (2)
      0x81, 0x02,                    // Input: list 5, 1, 2
  }));
  ASSERT_EQ(d.fields.size(), 4U);
  EXPECT_EQ(d.fields[0].usagePage, 0x0C);
  EXPECT_EQ(d.fields[0].usages, std::vector<std::uint16_t>{0x0238});
  EXPECT_EQ(d.fields[0].reportSize, 16U);
  EXPECT_EQ(d.fields[1].usagePage, 0x01);
  EXPECT_EQ(d.fields[1].reportSize, 8U);
  EXPECT_EQ(d.fields[1].bitOffset, 16U);
  EXPECT_TRUE(d.fields[1].usages.empty());
  EXPECT_FALSE(d.fields[1].isRange);
  EXPECT_TRUE(d.fields[2].isRange);
  EXPECT_EQ(d.fields[2].usageMin, 1);
  EXPECT_EQ(d.fields[2].usageMax, 3);
  EXPECT_FALSE(d.fields[3].isRange);
  EXPECT_EQ(d.fields[3].usages, (std::vector<std::uint16_t>{5, 1, 2}));
}

struct SignedCase {
  Bytes item;            // a Logical Minimum or Physical Maximum item
  std::int32_t logicalMin;
  std::int32_t physicalMax;
};

TEST(ReportDescriptor, SignedGlobalsAreSignExtendedByItemSize) {
  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  const std::vector<SignedCase> cases = {
      {{0x14}, 0, 0},
      {{0x15, 0x81}, -127, 0},
      {{0x15, 0x7F}, 127, 0},
      {{0x16, 0x00, 0x80}, -32768, 0},
      {{0x16, 0xFF, 0x00}, 255, 0},
      {{0x17, 0x00, 0x00, 0x00, 0x80}, kMin, 0},
      {{0x45, 0xFF}, 0, -1},
      {{0x46, 0xE8, 0x03}, 0, 1000},
  };
  for (const SignedCase& c : cases) {
    const ReportDescriptor d = ParseOk(App(Concat(c.item, {0x75, 0x08, 0x95, 0x01, 0x81, 0x02})));
    ASSERT_EQ(d.fields.size(), 1U);
    EXPECT_EQ(d.fields[0].logicalMin, c.logicalMin) << testing::PrintToString(c.item);
    EXPECT_EQ(d.fields[0].physicalMax, c.physicalMax) << testing::PrintToString(c.item);
  }
}

TEST(ReportDescriptor, LimitsThemselvesAreAccepted) {
  const std::vector<Bytes> cases = {
      Nested(kMaxCollectionDepth),
      App({0x75, 0x20, 0x95, 0x01, 0x81, 0x02}),               // 32-bit field
      App({0x75, 0x08, 0x96, 0x00, 0x10, 0x81, 0x02}),         // 4096 bytes, the longest report
      App({0x85, 0xFF, 0x75, 0x08, 0x95, 0x01, 0x81, 0x02}),   // report id 255
      App(Concat(Repeat({0xA4}, kMaxGlobalStackDepth), Repeat({0xB4}, kMaxGlobalStackDepth))),
      App(Concat(Repeat({0x09, 0x01}, kMaxLocalUsages), {0x75, 0x01, 0x95, 0x01, 0x81, 0x02})),
      App(Concat({0x75, 0x01, 0x95, 0x01}, Repeat({0x81, 0x02}, kMaxFields))),
      AppOfSize(kMaxDescriptorBytes),
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(i);
    ParseOk(cases[i]);
  }
}

struct MalformedCase {
  const char* name;
  Bytes bytes;
  std::size_t offset;    // of the offending item
  const char* reason;    // a fragment of the expected reason
};

TEST(ReportDescriptor, MalformedDescriptorsAreRejectedWithAReason) {
  const std::vector<MalformedCase> cases = {
      {"empty", {}, 0, "empty"},
      {"oversize", AppOfSize(kMaxDescriptorBytes + 1), 0, "larger than 4096"},
      {"truncated item", {0x05, 0x01, 0x26, 0xFF}, 2, "truncated"},
      {"truncated four-byte item", {0x05, 0x01, 0x0B, 0x01, 0x00}, 2, "truncated"},
      {"long item", {0xFE, 0x02, 0x10, 0xAA, 0xBB}, 0, "long item"},
      {"report size 0", App({0x75, 0x00, 0x95, 0x01, 0x81, 0x02}), 10, "report size"},
      {"report size 33", App({0x75, 0x21, 0x95, 0x01, 0x81, 0x02}), 10, "report size"},
      {"report count 5000", App({0x75, 0x08, 0x96, 0x88, 0x13, 0x81, 0x02}), 11, "report count"},
      {"report one bit too long",
       App({0x75, 0x20, 0x96, 0x00, 0x04, 0x81, 0x02, 0x75, 0x01, 0x95, 0x01, 0x81, 0x02}), 17,
       "report longer"},
      {"nesting 17 deep", Nested(kMaxCollectionDepth + 1), 32, "nested deeper"},
      {"unbalanced end collection", Concat(App({}), {0xC0}), 7, "end collection"},
      {"collection left open", {0x05, 0x01, 0x09, 0x02, 0xA1, 0x01}, 6, "left open"},
      {"pop on empty stack", App({0xB4}), 6, "pop"},
      {"push beyond limit", App(Repeat({0xA4}, kMaxGlobalStackDepth + 1)), 14, "push"},
      {"report id 0", App({0x85, 0x00}), 6, "report id 0"},
      {"report id 256", App({0x86, 0x00, 0x01}), 6, "report id"},
      {"main item outside collection", {0x75, 0x08, 0x95, 0x01, 0x81, 0x02}, 4, "outside"},
      {"data in a physical top collection", {0xA1, 0x00, 0x75, 0x08, 0x95, 0x01, 0x81, 0x02, 0xC0},
       6, "outside"},
      {"data after the collection closed",
       Concat(App({}), {0x75, 0x08, 0x95, 0x01, 0x81, 0x02}), 11, "outside"},
      {"no application collection", {0xA1, 0x00, 0xC0}, 3, "no application"},
      {"usage minimum above maximum", App({0x19, 0x05, 0x29, 0x01, 0x81, 0x02}), 8,
       "usage minimum"},
      {"too many usages", App(Repeat({0x09, 0x01}, kMaxLocalUsages + 1)), 6 + 2 * kMaxLocalUsages,
       "usages"},
      {"range expands past the usage limit",
       App({0x09, 0x01, 0x19, 0x00, 0x2A, 0xFF, 0x03, 0x75, 0x01, 0x95, 0x01, 0x81, 0x02}), 17,
       "usages"},
      {"too many fields",
       App(Concat({0x75, 0x01, 0x95, 0x01}, Repeat({0x81, 0x02}, kMaxFields + 1))),
       10 + 2 * kMaxFields, "fields"},
  };
  for (const MalformedCase& c : cases) {
    SCOPED_TRACE(c.name);
    ReportDescriptor d;
    d.fields.emplace_back();   // a failed parse must not leave stale content behind
    DescriptorError error;
    EXPECT_FALSE(ParseReportDescriptor(c.bytes, d, &error));
    EXPECT_NE(error.reason.find(c.reason), std::string::npos) << error.reason;
    EXPECT_EQ(error.offset, c.offset);
    EXPECT_TRUE(d.fields.empty());
    EXPECT_TRUE(d.collections.empty());
  }
}

TEST(ReportDescriptor, ErrorIsOptional) {
  ReportDescriptor d;
  EXPECT_FALSE(ParseReportDescriptor({}, d));
}

}  // namespace
}  // namespace tavrinex::device
