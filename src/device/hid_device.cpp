#include "device/hid_device.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>

namespace tavrinex::device {

using Clock = std::chrono::steady_clock;

struct HidDevice::Handle {
  UniqueFd fd;
  WriteStyle writeStyle = WriteStyle::kBlocking;
  std::unique_ptr<BlockingWriter> writer;
  bool usesReportIds = true;
};

namespace {

// Large enough for the longest report a descriptor we accept can declare.
constexpr std::size_t kMaxWireReport = kMaxReportBits / 8 + 2;

std::chrono::milliseconds Left(Clock::time_point deadline) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
  return std::max(left, std::chrono::milliseconds(0));
}

}  // namespace

HidDevice::HidDevice(HidBackend& backend) : backend_(&backend) {}

HidDevice::~HidDevice() { CloseDevice(); }

bool HidDevice::IsOpen() const {
  std::lock_guard lock(mutex_);
  return handle_ != nullptr;
}

bool HidDevice::OpenDevice() {
  CloseDevice();
  const HidOpenFlags flags{openForReading, openForWriting, overlapped, exclusive};
  auto opened = backend_->Open(path, flags);
  if (!opened || !LoadDescription(*opened)) return false;

  auto handle = std::make_shared<Handle>();
  handle->writeStyle = opened->writeStyle;
  handle->usesReportIds = descriptor_.usesReportIds;
  if (openForWriting && opened->writeStyle == WriteStyle::kBlocking) {
    handle->writer = std::make_unique<BlockingWriter>(opened->fd.Get());
  }
  handle->fd = std::move(opened->fd);
  std::lock_guard lock(mutex_);
  handle_ = std::move(handle);
  return true;
}

bool HidDevice::LoadDescription(const OpenedInterface& opened) {
  ReportDescriptor parsed;
  if (!ParseReportDescriptor(opened.reportDescriptor, parsed)) return false;
  descriptor_ = std::move(parsed);
  attributes_ = {opened.vendorId, opened.productId};
  caps_ = {};
  caps_.usagePage = descriptor_.collections.front().usagePage;
  caps_.usage = descriptor_.collections.front().usage;
  caps_.inputReportLength = descriptor_.inputReportLength;
  caps_.outputReportLength = descriptor_.outputReportLength;
  for (const ReportField& f : descriptor_.fields) {
    if (f.kind != ReportKind::kInput || f.IsConstant()) continue;
    ++(f.IsButton() ? caps_.inputButtonCaps : caps_.inputValueCaps);
  }
  dataItems_ = BuildInputDataItems(descriptor_);
  inputBuffer_.assign(caps_.inputReportLength, 0);
  return true;
}

void HidDevice::CloseDevice() {
  std::shared_ptr<Handle> old;
  {
    std::unique_lock lock(mutex_);
    if (transfers_ > 0) abort_.Signal();
    idle_.wait(lock, [this] { return transfers_ == 0; });
    old = std::move(handle_);
  }
  dataItems_.clear();
  inputBuffer_.clear();
}

UniqueFd HidDevice::DuplicateHandle() const {
  std::lock_guard lock(mutex_);
  if (!handle_) return UniqueFd();
  return UniqueFd(::fcntl(handle_->fd.Get(), F_DUPFD_CLOEXEC, 0));
}

void HidDevice::Abort() {
  std::lock_guard lock(mutex_);
  if (transfers_ > 0) abort_.Signal();
}

std::shared_ptr<HidDevice::Handle> HidDevice::BeginTransfer() {
  std::lock_guard lock(mutex_);
  if (!handle_) return nullptr;
  ++transfers_;
  return handle_;
}

void HidDevice::EndTransfer() {
  std::lock_guard lock(mutex_);
  if (--transfers_ == 0) {
    abort_.Reset();  // an abort ends the transfers pending when it was signalled, no later ones
    idle_.notify_all();
  }
}

bool HidDevice::WriteReport(std::span<const std::uint8_t> data, std::size_t& bytesWritten) {
  bytesWritten = 0;
  auto h = BeginTransfer();
  if (!h) return false;
  // Without report ids the wire carries no id byte; callers always put one (0) in front.
  const auto wire = h->usesReportIds || data.empty() ? data : data.subspan(1);
  long n = -1;
  if (h->writer) {
    n = h->writer->Write(wire, abort_.Get(), kWriteTimeout);
  } else {
    const auto deadline = Clock::now() + kWriteTimeout;
    while (WaitForFd(h->fd.Get(), POLLOUT, abort_.Get(), Left(deadline)) == WaitOutcome::kReady) {
      n = ::send(h->fd.Get(), wire.data(), wire.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
      if (n >= 0 || (errno != EAGAIN && errno != EINTR)) break;
    }
  }
  EndTransfer();
  if (n < 0 || static_cast<std::size_t>(n) != wire.size()) return false;
  bytesWritten = data.size();
  return true;
}

bool HidDevice::ReadReport(std::span<std::uint8_t> buffer, std::chrono::milliseconds timeout,
                           std::size_t& bytesRead) {
  bytesRead = 0;
  if (buffer.empty() || buffer.size() > kMaxWireReport) return false;
  auto h = BeginTransfer();
  if (!h) return false;
  const std::size_t skip = h->usesReportIds ? 0 : 1;
  const std::size_t expected = buffer.size() - skip;
  // One byte more than expected, so that an oversized report shows as one.
  std::array<std::uint8_t, kMaxWireReport + 1> wire{};
  const auto deadline = Clock::now() + timeout;
  long n = -1;
  while (WaitForFd(h->fd.Get(), POLLIN, abort_.Get(), Left(deadline)) == WaitOutcome::kReady) {
    n = ::read(h->fd.Get(), wire.data(), expected + 1);
    if (n >= 0 || (errno != EAGAIN && errno != EINTR)) break;
  }
  EndTransfer();
  if (n < 0 || static_cast<std::size_t>(n) != expected) return false;
  if (skip != 0) buffer[0] = 0;
  std::copy_n(wire.begin(), expected, buffer.begin() + static_cast<std::ptrdiff_t>(skip));
  bytesRead = buffer.size();
  return true;
}

bool HidDevice::DecodeInputReport(std::span<const std::uint8_t> report) {
  return device::DecodeInputReport(descriptor_, dataItems_, report);
}

}  // namespace tavrinex::device
