#include "device/report_frame.h"

#include <algorithm>
#include <numeric>

namespace tavrinex::device {

std::uint16_t FrameChecksum(std::span<const std::uint8_t, kFrameSize> frame) {
  const unsigned sum = std::accumulate(frame.begin() + frame::kCommand, frame.end(), 0U);
  return static_cast<std::uint16_t>(sum);
}

ReportFrame ReportFrame::Request(Command command, std::uint8_t length, std::uint16_t offset,
                                 std::span<const std::uint8_t> data) {
  ReportFrame f;
  f.bytes[frame::kReportId] = kConfigReportId;
  f.bytes[frame::kCommand] = static_cast<std::uint8_t>(command);
  f.bytes[frame::kLength] = length;
  f.bytes[frame::kOffsetLow] = static_cast<std::uint8_t>(offset & 0xFF);
  f.bytes[frame::kOffsetHigh] = static_cast<std::uint8_t>(offset >> 8);
  f.bytes[frame::kStatus] = 0;
  std::copy_n(data.begin(), std::min(data.size(), kFrameDataSize), f.MutableData().begin());
  const std::uint16_t sum = FrameChecksum(f.bytes);
  f.bytes[frame::kChecksumLow] = static_cast<std::uint8_t>(sum & 0xFF);
  f.bytes[frame::kChecksumHigh] = static_cast<std::uint8_t>(sum >> 8);
  return f;
}

ReportFrame ReportFrame::FactoryReset() {
  ReportFrame f;
  f.bytes[frame::kReportId] = kConfigReportId;
  f.bytes[frame::kCommand] = static_cast<std::uint8_t>(Command::kFactoryReset);
  return f;
}

std::uint16_t ReportFrame::Offset() const {
  return static_cast<std::uint16_t>(bytes[frame::kOffsetLow] | (bytes[frame::kOffsetHigh] << 8));
}

std::uint16_t ReportFrame::StoredChecksum() const {
  return static_cast<std::uint16_t>(bytes[frame::kChecksumLow] |
                                    (bytes[frame::kChecksumHigh] << 8));
}

}  // namespace tavrinex::device
