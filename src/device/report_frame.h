// The 64-byte frame of every configuration exchange, in both directions.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace tavrinex::device {

inline constexpr std::size_t kFrameSize = 64;
inline constexpr std::size_t kFrameHeaderSize = 8;
inline constexpr std::size_t kFrameDataSize = kFrameSize - kFrameHeaderSize;  // 56
inline constexpr std::uint8_t kConfigReportId = 4;

enum class Command : std::uint8_t {
  kBegin = 0x01,
  kEnd = 0x02,
  kReadInfo = 0x03,
  kReadSettings = 0x05,
  kWriteSettings = 0x06,
  kReadDefaultKeys = 0x07,
  kReadKeyPage = 0x08,
  kWriteKeyPage = 0x09,
  kFactoryReset = 0x0D,
  kWriteLedColours = 0x12,
  kWriteMacros = 0x15,
};

// Byte offsets within the frame.
namespace frame {
inline constexpr std::size_t kReportId = 0;
inline constexpr std::size_t kChecksumLow = 1;
inline constexpr std::size_t kChecksumHigh = 2;
inline constexpr std::size_t kCommand = 3;
inline constexpr std::size_t kLength = 4;
inline constexpr std::size_t kOffsetLow = 5;
inline constexpr std::size_t kOffsetHigh = 6;
inline constexpr std::size_t kStatus = 7;
inline constexpr std::size_t kData = 8;
}  // namespace frame

inline constexpr std::uint8_t kStatusError = 0xFF;
inline constexpr std::uint8_t kStatusBusy = 0xFE;

struct ReportFrame {
  std::array<std::uint8_t, kFrameSize> bytes{};

  // A zero-filled request with its header and data in place and its checksum computed.
  // data.size() must not exceed 56; length is stated separately because CMD_READ_INFO asks
  // for 0x21 bytes without sending any.
  [[nodiscard]] static ReportFrame Request(Command command, std::uint8_t length,
                                           std::uint16_t offset,
                                           std::span<const std::uint8_t> data = {});
  // CMD_FACTORY_RESET goes out with its checksum bytes left 0.
  [[nodiscard]] static ReportFrame FactoryReset();

  [[nodiscard]] std::uint8_t Status() const { return bytes[frame::kStatus]; }
  [[nodiscard]] Command CommandCode() const { return static_cast<Command>(bytes[frame::kCommand]); }
  [[nodiscard]] std::uint8_t Length() const { return bytes[frame::kLength]; }
  [[nodiscard]] std::uint16_t Offset() const;
  [[nodiscard]] std::uint16_t StoredChecksum() const;
  [[nodiscard]] std::span<const std::uint8_t> Data() const {
    return std::span(bytes).subspan(frame::kData);
  }
  [[nodiscard]] std::span<std::uint8_t> MutableData() {
    return std::span(bytes).subspan(frame::kData);
  }
};
static_assert(sizeof(ReportFrame) == kFrameSize);

// Plain sum of bytes 3..63; at most 61 * 255 = 15555, so it always fits 16 bits.
[[nodiscard]] std::uint16_t FrameChecksum(std::span<const std::uint8_t, kFrameSize> frame);

}  // namespace tavrinex::device
