// The device of fuzz_device_reply: a HID backend whose configuration interfaces answer every
// request from the fuzz input, served by one thread for the whole process, and whose
// consumer-control interface takes the reports the target sends to it.
#pragma once

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "core/stop_event.h"
#include "device/device_ids.h"
#include "device/fd_io.h"
#include "device/hid_backend.h"
#include "device/report_frame.h"
#include "sim/descriptors.h"

namespace tavrinex::fuzz {

using device::ReportFrame;

// The input, read in turn by the host thread (operations) and the device's thread (replies).
class Script {
 public:
  explicit Script(std::span<const std::uint8_t> input) : input_(input) {}
  std::optional<std::uint8_t> Byte() {
    std::lock_guard lock(mutex_);
    if (at_ >= input_.size()) return std::nullopt;
    return input_[at_++];
  }
  // Fills `out` from the input, zero past its end.
  void Bytes(std::span<std::uint8_t> out) {
    std::lock_guard lock(mutex_);
    for (std::uint8_t& b : out) b = at_ < input_.size() ? input_[at_++] : 0;
  }

 private:
  std::mutex mutex_;
  std::span<const std::uint8_t> input_;
  std::size_t at_ = 0;
};

inline constexpr std::array<std::uint8_t, 25> kConfigWithoutIds = [] {
  std::array<std::uint8_t, 25> out{};
  std::size_t at = 0;
  for (std::size_t i = 0; i < tavrinex::sim::kConfigDescriptor.size(); ++i) {
    if (i == 7 || i == 8) continue;  // the Report ID item
    out[at++] = tavrinex::sim::kConfigDescriptor[i];
  }
  return out;
}();

inline std::vector<std::uint8_t> ConfigDescriptor(std::uint8_t choice) {
  switch (choice % 3) {
    case 1: return {tavrinex::sim::kSharedNodeDescriptor.begin(), tavrinex::sim::kSharedNodeDescriptor.end()};
    case 2: return {kConfigWithoutIds.begin(), kConfigWithoutIds.end()};
    default: return {tavrinex::sim::kConfigDescriptor.begin(), tavrinex::sim::kConfigDescriptor.end()};
  }
}

// The device's end of one configuration link.
struct DeviceEnd {
  device::UniqueFd fd;
  bool usesIds = true;
  Script* script = nullptr;
  const tavrinex::core::StopEvent* stop = nullptr;

  void Send(std::span<const std::uint8_t> report) const {
    [[maybe_unused]] const long n = ::send(fd.Get(), report.data(), report.size(), MSG_NOSIGNAL);
  }

  void SendFrame(ReportFrame reply) const {
    reply.bytes[device::frame::kReportId] = device::kConfigReportId;
    Send(std::span(reply.bytes).subspan(usesIds ? 0 : 1));
  }

  // Reads one request and answers it from the script; false when the link is over (the host
  // closed it, or the device unplugged).
  bool Serve() {
    std::array<std::uint8_t, 256> wire{};
    const long n = ::recv(fd.Get(), wire.data(), wire.size(), MSG_DONTWAIT);
    if (n < 0 && errno == EAGAIN) return true;
    if (n <= 0) return false;
    ReportFrame request;
    const std::size_t skip = usesIds ? 0 : 1;
    std::copy_n(wire.begin(), std::min(static_cast<std::size_t>(n), device::kFrameSize - skip),
                request.bytes.begin() + static_cast<std::ptrdiff_t>(skip));
    if (Answer(request)) return true;
    ::shutdown(fd.Get(), SHUT_RDWR);
    return false;
  }

  // False to unplug.
  bool Answer(const ReportFrame& request) {
    for (;;) {
      const auto r = script->Byte();
      if (!r) return false;
      ReportFrame reply = request;
      switch (*r % 6) {
        case 0:
          reply.bytes[device::frame::kStatus] = 0;
          std::fill(reply.MutableData().begin(), reply.MutableData().end(), script->Byte().value_or(0));
          SendFrame(reply);
          return true;
        case 1:
          reply.bytes[device::frame::kStatus] = script->Byte().value_or(0);
          script->Bytes(reply.MutableData());
          SendFrame(reply);
          return true;
        case 2: {
          std::vector<std::uint8_t> raw(1 + script->Byte().value_or(0) % 80u);
          script->Bytes(raw);
          Send(raw);
          // A report of another collection is skipped: the request is still unanswered.
          if (!usesIds || raw[0] == device::kConfigReportId) return true;
          break;
        }
        case 3: return false;
        case 4: stop->Set(); return true;
        default:
          reply.bytes[device::frame::kStatus] = 0;
          script->Bytes(reply.MutableData());
          SendFrame(reply);
          return true;
      }
    }
  }
};

// One thread for the whole process serves every device end: a thread made and ended per input
// would cost more than the input's exchanges (stacks mapped and unmapped under ASan).
class DeviceThread {
 public:
  static DeviceThread& Get() {
    static DeviceThread* const thread = new DeviceThread;  // runs until the process ends
    return *thread;
  }

  void Attach(DeviceEnd end) {
    std::lock_guard lock(mutex_);
    ends_.push_back(std::make_unique<DeviceEnd>(std::move(end)));
    wake_.Signal();
  }

  // Closes every device end and returns once the thread holds none: the input's script and
  // stop event may go.
  void DetachAll() {
    std::unique_lock lock(mutex_);
    detach_ = true;
    wake_.Signal();
    detached_.wait(lock, [this] { return !detach_; });
  }

 private:
  DeviceThread() { std::thread([this] { Run(); }).detach(); }

  [[noreturn]] void Run() {
    std::vector<pollfd> fds;
    std::vector<DeviceEnd*> polled;
    for (;;) {
      fds.assign(1, {wake_.Get(), POLLIN, 0});
      polled.clear();
      {
        std::lock_guard lock(mutex_);
        for (const auto& end : ends_) {
          fds.push_back({end->fd.Get(), POLLIN, 0});
          polled.push_back(end.get());
        }
      }
      if (::poll(fds.data(), fds.size(), -1) <= 0) continue;
      for (std::size_t i = 1; i < fds.size(); ++i) {
        if (fds[i].revents != 0 && !polled[i - 1]->Serve()) Drop(polled[i - 1]);
      }
      if (fds[0].revents != 0) Woken();
    }
  }

  void Drop(const DeviceEnd* end) {
    std::lock_guard lock(mutex_);
    std::erase_if(ends_, [end](const auto& e) { return e.get() == end; });
  }

  void Woken() {
    std::lock_guard lock(mutex_);
    wake_.Reset();
    if (!detach_) return;
    ends_.clear();
    detach_ = false;
    detached_.notify_all();
  }

  std::mutex mutex_;
  std::condition_variable detached_;
  device::EventFd wake_;
  std::vector<std::unique_ptr<DeviceEnd>> ends_;
  bool detach_ = false;
};

// Opens "config" with a responder on its far end and "consumer" with the far end kept for
// sending reports to it.
class FuzzBackend final : public device::HidBackend {
 public:
  FuzzBackend(std::uint8_t descriptor, Script& script, const tavrinex::core::StopEvent& stop)
      : config_(ConfigDescriptor(descriptor)), script_(script), stop_(stop) {}

  bool Enumerate(const std::function<void(device::HidInterfaceInfo)>&) override { return true; }
  bool ProbePresence(const std::string&) override { return true; }

  std::optional<device::OpenedInterface> Open(const std::string& path, const device::HidOpenFlags&) override {
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends) != 0) return std::nullopt;
    device::OpenedInterface opened;
    opened.fd.Reset(ends[0]);
    opened.vendorId = device::kVendorId;
    opened.writeStyle = device::WriteStyle::kNonBlocking;
    if (path == "consumer") {
      // On a shared node the watcher's interface carries the configuration replies too.
      if (config_.size() == tavrinex::sim::kSharedNodeDescriptor.size()) {
        opened.reportDescriptor = config_;
      } else {
        const auto& consumer = tavrinex::sim::kConsumerDescriptor;
        opened.reportDescriptor.assign(consumer.begin(), consumer.end());
      }
      consumerEnd.Reset(ends[1]);
    } else {
      opened.reportDescriptor = config_;
      const bool usesIds = config_.size() != kConfigWithoutIds.size();
      DeviceThread::Get().Attach({device::UniqueFd(ends[1]), usesIds, &script_, &stop_});
    }
    return opened;
  }

  device::UniqueFd consumerEnd;

 private:
  std::vector<std::uint8_t> config_;
  Script& script_;
  const tavrinex::core::StopEvent& stop_;
};

}  // namespace tavrinex::fuzz
