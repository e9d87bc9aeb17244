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
  bool writesZeroReportId = false;
};

namespace {

// Large enough for the longest report a descriptor we accept can declare.
constexpr std::size_t kMaxWireReport = kMaxReportBits / 8 + 2;

// More than a device's queue holds (hidraw keeps 64 reports per reader).
constexpr std::size_t kMaxDiscard = 256;

bool HasInput(int fd) {
  pollfd p{fd, POLLIN, 0};
  return ::poll(&p, 1, 0) == 1 && (p.revents & POLLIN) != 0;
}

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
  handle->writesZeroReportId = opened->writesZeroReportId;
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
  UseCollection(0);
  return true;
}

void HidDevice::UseCollection(std::size_t index) {
  selected_ = CollectionView(descriptor_, index);
  caps_ = {};
  caps_.usagePage = selected_.collections.front().usagePage;
  caps_.usage = selected_.collections.front().usage;
  caps_.inputReportLength = selected_.inputReportLength;
  caps_.outputReportLength = selected_.outputReportLength;
  ReportIds ids;
  for (const ReportField& f : selected_.fields) {
    if (f.kind != ReportKind::kInput) continue;
    ids.set(f.reportId);
    if (!f.IsConstant()) ++(f.IsButton() ? caps_.inputButtonCaps : caps_.inputValueCaps);
  }
  dataItems_ = BuildInputDataItems(selected_);
  inputBuffer_.assign(caps_.inputReportLength, 0);
  std::lock_guard lock(mutex_);
  inputIds_ = ids;
}

bool HidDevice::SelectCollection(std::uint16_t usagePage, std::uint16_t usage) {
  if (!IsOpen()) return false;
  for (std::size_t i = 0; i < descriptor_.collections.size(); ++i) {
    const TopLevelCollection& c = descriptor_.collections[i];
    if (c.usagePage != usagePage || c.usage != usage) continue;
    UseCollection(i);
    return true;
  }
  return false;
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
  // Callers always put an id (0 without report ids) in front; only the simulator's wire
  // goes without it.
  const bool keepId = h->usesReportIds || h->writesZeroReportId || data.empty();
  const auto wire = keepId ? data : data.subspan(1);
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
  ReportIds ids;
  {
    std::lock_guard lock(mutex_);
    ids = inputIds_;
  }
  // Room for more than expected, so that an oversized report shows as one.
  std::array<std::uint8_t, kMaxWireReport + 1> wire{};
  const auto deadline = Clock::now() + timeout;
  long n = -1;
  while (WaitForFd(h->fd.Get(), POLLIN, abort_.Get(), Left(deadline)) == WaitOutcome::kReady) {
    n = ::read(h->fd.Get(), wire.data(), wire.size());
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    // Another collection's report on the same node: not ours, neither a reply nor a failure.
    if (n > 0 && h->usesReportIds && !ids.test(wire[0])) {
      n = -1;
      continue;
    }
    break;
  }
  EndTransfer();
  if (n < 0 || static_cast<std::size_t>(n) != expected) return false;
  if (skip != 0) buffer[0] = 0;
  std::copy_n(wire.begin(), expected, buffer.begin() + static_cast<std::ptrdiff_t>(skip));
  bytesRead = buffer.size();
  return true;
}

bool HidDevice::DecodeInputReport(std::span<const std::uint8_t> report) {
  return device::DecodeInputReport(selected_, dataItems_, report);
}

std::size_t HidDevice::DiscardPendingInput() {
  auto h = BeginTransfer();
  if (!h) return 0;
  std::array<std::uint8_t, kMaxWireReport + 1> wire{};
  std::size_t dropped = 0;
  // Bounded: a device that floods its node cannot keep the caller here.
  for (std::size_t i = 0; i < kMaxDiscard; ++i) {
    const long n = ::recv(h->fd.Get(), wire.data(), wire.size(), MSG_DONTWAIT);
    if (n < 0 && errno == ENOTSOCK) {
      if (!HasInput(h->fd.Get()) || ::read(h->fd.Get(), wire.data(), wire.size()) < 0) break;
    } else if (n < 0) {
      if (errno == EINTR) continue;
      break;
    } else if (n == 0) {
      break;  // the peer is gone
    }
    ++dropped;
  }
  EndTransfer();
  return dropped;
}

}  // namespace tavrinex::device
