#include "device/device_channel.h"

#include <algorithm>
#include <atomic>
#include <cassert>
#include <thread>

#include "core/stop_event.h"

namespace tavrinex::device {

namespace {

CommandResult StatusResult(std::uint8_t status) {
  if (status == kStatusError) return kResultStatusError;
  if (status == kStatusBusy) return kResultStatusBusy;
  return kResultOk;
}

std::uint8_t ChunkLength(std::size_t k, std::size_t total) {
  return static_cast<std::uint8_t>(std::min(kFrameDataSize, total - k));
}

std::atomic<std::thread::id> gForbiddenThread{};
std::atomic<std::size_t> gForbiddenExchanges{0};

void CheckThread() {
  if (std::this_thread::get_id() != gForbiddenThread.load()) return;
  ++gForbiddenExchanges;
  assert(!"a device exchange on the UI thread");
}

}  // namespace

void ForbidDeviceIoOnThisThread() { gForbiddenThread.store(std::this_thread::get_id()); }
void AllowDeviceIoAgain() { gForbiddenThread.store(std::thread::id()); }
std::size_t ExchangesOnForbiddenThread() { return gForbiddenExchanges.load(); }

CommandResult DeviceChannel::Exchange(const ReportFrame& request, ReportFrame& reply) {
  if (!connected) return kResultNoReply;
  CheckThread();
  std::lock_guard guard(lock);
  hid.DiscardPendingInput();
  for (int attempt = 0; attempt < kExchangeAttempts; ++attempt) {
    std::size_t n = 0;
    if (!hid.WriteReport(request.bytes, n)) return kResultWriteFailed;
    if (hid.ReadReport(reply.bytes, kReplyTimeout, n)) return StatusResult(reply.Status());
    if (core::CurrentStopSet()) break;  // the thread is ending: no more attempts
  }
  return kResultNoReply;
}

CommandResult DeviceChannel::ExchangeOnce(const ReportFrame& request) {
  if (!connected) return kResultNoReply;
  CheckThread();
  std::lock_guard guard(lock);
  hid.DiscardPendingInput();
  std::size_t n = 0;
  [[maybe_unused]] const bool written = hid.WriteReport(request.bytes, n);
  ReportFrame reply;
  return hid.ReadReport(reply.bytes, kReplyTimeout, n) ? kResultOk : kResultNoReply;
}

CommandResult DeviceChannel::Simple(Command command) {
  ReportFrame reply;
  return Exchange(ReportFrame::Request(command, 0, 0), reply);
}

CommandResult DeviceChannel::Begin() { return Simple(Command::kBegin); }

CommandResult DeviceChannel::End() {
  if (!connected) return kResultNoReply;
  if (core::WaitOnCurrentStop(endDelay)) return kResultNoReply;
  return Simple(Command::kEnd);
}

CommandResult DeviceChannel::ReadInfo(std::span<std::uint8_t, kInfoBlockSize> destination) {
  ReportFrame reply;
  const CommandResult r =
      Exchange(ReportFrame::Request(Command::kReadInfo, kInfoRequestLength, 0), reply);
  if (r == kResultOk) std::copy_n(reply.Data().begin(), kInfoBlockSize, destination.begin());
  return r;
}

CommandResult DeviceChannel::ReadSettings(std::uint16_t offset,
                                          std::span<std::uint8_t> destination) {
  const std::size_t n = destination.size();
  if (n == 0 || n > kFrameDataSize) return kResultNoReply;
  ReportFrame reply;
  const auto request =
      ReportFrame::Request(Command::kReadSettings, static_cast<std::uint8_t>(n), offset);
  const CommandResult r = Exchange(request, reply);
  if (r == kResultOk) std::copy_n(reply.Data().begin(), n, destination.begin());
  return r;
}

CommandResult DeviceChannel::WriteSettings(std::span<const std::uint8_t> source) {
  sharedLightingActive = false;  // the device leaves the host-driven lighting mode
  const std::size_t n = source.size();
  if (n == 0 || n > kFrameDataSize) return kResultNoReply;
  ReportFrame reply;
  return Exchange(
      ReportFrame::Request(Command::kWriteSettings, static_cast<std::uint8_t>(n), 0, source),
      reply);
}

// A key block always holds data: a block length of 0 (a keyboard whose info read failed or
// that reports no LEDs) moves nothing, and saying "done" would let an empty block pass for
// the device's keys.
CommandResult DeviceChannel::ReadDefaultKeys(std::span<std::uint8_t> destination) {
  if (blockLength == 0) return kResultNoReply;
  return ChunkedRead(Command::kReadDefaultKeys, 0, destination, blockLength);
}

CommandResult DeviceChannel::ReadKeyPage(unsigned page, std::span<std::uint8_t> destination) {
  if (page >= kKeyPageCount) return kResultBadPage;
  if (blockLength == 0) return kResultNoReply;
  return ChunkedRead(Command::kReadKeyPage, static_cast<std::uint16_t>(page * kKeyPageStride),
                     destination, blockLength);
}

CommandResult DeviceChannel::WriteKeyPage(unsigned page, std::span<const std::uint8_t> source) {
  if (page >= kKeyPageCount) return kResultBadPage;
  if (blockLength == 0) return kResultNoReply;
  return ChunkedWrite(Command::kWriteKeyPage, static_cast<std::uint16_t>(page * kKeyPageStride),
                      source, blockLength);
}

CommandResult DeviceChannel::FactoryReset() { return ExchangeOnce(ReportFrame::FactoryReset()); }

CommandResult DeviceChannel::WriteLedColours(std::span<const std::uint8_t> source) {
  return ChunkedWrite(Command::kWriteLedColours, 0, source, source.size());
}

CommandResult DeviceChannel::WriteMacros(std::span<const std::uint8_t> source) {
  return ChunkedWrite(Command::kWriteMacros, 0, source, source.size());
}

CommandResult DeviceChannel::ChunkedRead(Command command, std::uint16_t base,
                                         std::span<std::uint8_t> dest, std::size_t total) {
  if (total == 0) return kResultOk;
  if (dest.size() < total) return kResultNoReply;
  for (std::size_t k = 0; k < total; k += kFrameDataSize) {
    const std::uint8_t chunk = ChunkLength(k, total);
    ReportFrame reply;
    const CommandResult r =
        Exchange(ReportFrame::Request(command, chunk, static_cast<std::uint16_t>(base + k)), reply);
    if (r != kResultOk) return r;
    std::copy_n(reply.Data().begin(), chunk, dest.begin() + static_cast<std::ptrdiff_t>(k));
  }
  return kResultOk;
}

CommandResult DeviceChannel::ChunkedWrite(Command command, std::uint16_t base,
                                          std::span<const std::uint8_t> source,
                                          std::size_t total) {
  if (total == 0) return kResultOk;
  if (source.size() < total) return kResultNoReply;
  for (std::size_t k = 0; k < total; k += kFrameDataSize) {
    const std::uint8_t chunk = ChunkLength(k, total);
    ReportFrame reply;
    const auto request = ReportFrame::Request(command, chunk, static_cast<std::uint16_t>(base + k),
                                              source.subspan(k, chunk));
    const CommandResult r = Exchange(request, reply);
    if (r != kResultOk) return r;
  }
  return kResultOk;
}

}  // namespace tavrinex::device
