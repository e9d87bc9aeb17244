#include "device/report_frame.h"

#include <gtest/gtest.h>

#include <vector>

namespace tavrinex::device {
namespace {

std::vector<std::uint8_t> Head(const ReportFrame& f, std::size_t n) {
  return {f.bytes.begin(), f.bytes.begin() + static_cast<std::ptrdiff_t>(n)};
}

TEST(ReportFrame, ReadInfoRequestCarriesItsLengthInTheChecksum) {
  const auto f = ReportFrame::Request(Command::kReadInfo, 0x21, 0);
  EXPECT_EQ(Head(f, 8), (std::vector<std::uint8_t>{0x04, 0x24, 0x00, 0x03, 0x21, 0, 0, 0}));
  for (std::size_t i = 8; i < kFrameSize; ++i) EXPECT_EQ(f.bytes[i], 0) << i;
}

TEST(ReportFrame, FactoryResetLeavesTheChecksumZero) {
  const auto f = ReportFrame::FactoryReset();
  ReportFrame expected;
  expected.bytes[0] = 0x04;
  expected.bytes[3] = 0x0D;
  EXPECT_EQ(f.bytes, expected.bytes);
}

struct ChecksumCase {
  Command command;
  std::uint8_t length;
  std::uint16_t offset;
  std::vector<std::uint8_t> data;
  std::uint16_t checksum;
};

class ReportFrameChecksum : public testing::TestWithParam<ChecksumCase> {};

TEST_P(ReportFrameChecksum, SumsBytesThreeToSixtyThree) {
  const auto& c = GetParam();
  const auto f = ReportFrame::Request(c.command, c.length, c.offset, c.data);
  EXPECT_EQ(f.StoredChecksum(), c.checksum);
  EXPECT_EQ(f.bytes[1], c.checksum & 0xFF);
  EXPECT_EQ(f.bytes[2], c.checksum >> 8);
  EXPECT_EQ(FrameChecksum(f.bytes), c.checksum);
  EXPECT_EQ(f.Offset(), c.offset);
  EXPECT_EQ(f.Length(), c.length);
  EXPECT_EQ(f.Status(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReportFrameChecksum,
    testing::Values(
        ChecksumCase{Command::kBegin, 0, 0, {}, 0x0001},
        ChecksumCase{Command::kEnd, 0, 0, {}, 0x0002},
        ChecksumCase{Command::kReadSettings, 1, 0, {}, 0x0006},
        // Page 1, sixth chunk of a key page read: offset 406 = 0x0196.
        ChecksumCase{Command::kReadKeyPage, 56, 406, {}, 0x08 + 56 + 0x96 + 0x01},
        ChecksumCase{Command::kWriteSettings, 3, 0, {1, 2, 3}, 0x06 + 3 + 6},
        // The largest possible sum crosses into the high byte and still fits 16 bits.
        ChecksumCase{Command::kWriteMacros, 56, 0xFFFF, std::vector<std::uint8_t>(56, 0xFF),
                     0x15 + 56 + 0xFF + 0xFF + 56 * 0xFF}));

TEST(ReportFrame, DataBeyondFiftySixBytesIsNotCopied) {
  const std::vector<std::uint8_t> data(80, 0xAB);
  const auto f = ReportFrame::Request(Command::kWriteLedColours, 56, 0, data);
  for (std::size_t i = 8; i < kFrameSize; ++i) EXPECT_EQ(f.bytes[i], 0xAB);
}

}  // namespace
}  // namespace tavrinex::device
