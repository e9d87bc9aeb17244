// The configuration link to one device: its HID interface, the ids detection matches, and the
// commands of the vendor protocol as operations that return a result code.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <span>

#include "device/hid_device.h"
#include "device/report_frame.h"

namespace tavrinex::device {

using CommandResult = std::int32_t;
inline constexpr CommandResult kResultOk = 1;
inline constexpr CommandResult kResultNoReply = 0;  // also: not connected
inline constexpr CommandResult kResultWriteFailed = -1;
inline constexpr CommandResult kResultStatusError = -102;  // status 0xFF
inline constexpr CommandResult kResultStatusBusy = -103;   // status 0xFE
inline constexpr CommandResult kResultBadPage = -201;

inline constexpr std::size_t kInfoBlockSize = 33;
inline constexpr std::uint8_t kInfoRequestLength = 0x21;
inline constexpr std::uint16_t kDefaultBlockLength = 512;
inline constexpr std::uint16_t kKeyPageStride = 126;  // page p starts at p * 126, whatever the block length
inline constexpr unsigned kKeyPageCount = 5;
inline constexpr int kExchangeAttempts = 4;
inline constexpr auto kReplyTimeout = std::chrono::milliseconds(300);
inline constexpr auto kEndDelay = std::chrono::milliseconds(10);

// The thread that must never wait on a device: the UI thread registers itself. An exchange
// begun on it is counted (and stops a debug build at once), so tests can show that no
// handler reaches the device directly.
void ForbidDeviceIoOnThisThread();
void AllowDeviceIoAgain();  // the registered thread is forgotten
[[nodiscard]] std::size_t ExchangesOnForbiddenThread();

class DeviceChannel {
 public:
  explicit DeviceChannel(HidBackend& backend) : hid(backend) {}

  // Commands. Chunked ones move 56 bytes per exchange; destinations and sources must hold
  // the whole transfer (blockLength bytes for the key blocks), else the result is 0.
  CommandResult Begin();
  CommandResult End();
  CommandResult ReadInfo(std::span<std::uint8_t, kInfoBlockSize> destination);
  CommandResult ReadSettings(std::uint16_t offset, std::span<std::uint8_t> destination);
  CommandResult WriteSettings(std::span<const std::uint8_t> source);
  CommandResult ReadDefaultKeys(std::span<std::uint8_t> destination);
  CommandResult ReadKeyPage(unsigned page, std::span<std::uint8_t> destination);
  CommandResult WriteKeyPage(unsigned page, std::span<const std::uint8_t> source);
  CommandResult FactoryReset();
  CommandResult WriteLedColours(std::span<const std::uint8_t> source);
  CommandResult WriteMacros(std::span<const std::uint8_t> source);

  // One request and its reply, sent up to four times while no reply comes. The lock is held
  // over the whole exchange so that no other thread's read can take this reply. Reports
  // already waiting when it begins are dropped first: they answer an earlier request whose
  // reader gave up. Between the attempts nothing is dropped, so a slow device's reply to
  // attempt 1 that arrives during attempt 2 still counts (it answers the same request).
  // The calling thread's stop event ends it at once (core::StopScope).
  CommandResult Exchange(const ReportFrame& request, ReportFrame& reply);
  // One request, one read, no retry; the result is whether a reply arrived.
  CommandResult ExchangeOnce(const ReportFrame& request);

  std::atomic<std::uint16_t> blockLength{kDefaultBlockLength};
  std::uint16_t expectedVendorId = 0;
  std::uint16_t expectedProductId = 0;
  std::uint16_t expectedUsage = 0;
  std::uint16_t expectedUsagePage = 0;
  std::atomic<bool> connected{false};
  std::atomic<bool> sharedLightingActive{false};
  // The pause before CMD_END; a fuzzer that runs thousands of sequences a second sets it to 0.
  std::chrono::milliseconds endDelay{kEndDelay};
  HidDevice hid;
  std::recursive_mutex lock;  // held by the detection thread over a whole iteration

 private:
  CommandResult Simple(Command command);
  CommandResult ChunkedRead(Command command, std::uint16_t base, std::span<std::uint8_t> dest,
                            std::size_t total);
  CommandResult ChunkedWrite(Command command, std::uint16_t base,
                             std::span<const std::uint8_t> source, std::size_t total);
};

}  // namespace tavrinex::device
