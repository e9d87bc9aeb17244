#include "sim/sim_bus.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <thread>

#include "device/fd_io.h"
#include "device/report_descriptor.h"
#include "sim/late_reports.h"

namespace tavrinex::sim {

using device::EventFd;
using device::UniqueFd;
using device::WaitForFd;
using device::WaitOutcome;

namespace {
constexpr auto kForever = std::chrono::hours(24);
}  // namespace

struct SimBus::Connection final : ReplySink {
  SimBus* bus = nullptr;
  std::string path;
  bool broadcast = false;  // replies reach every reader of the interface, as on hidraw
  UniqueFd fd;  // the device's end
  EventFd stop;
  std::shared_ptr<DeviceEnd> end;
  bool canWrite = false;   // opened for writing
  bool holdsLock = false;  // opened for writing or exclusively: the share rule counts it
  bool exclusive = false;  // opened with the exclusive flag
  bool hungUp = false;     // set by the firmware on this thread only
  std::atomic<bool> finished{false};
  LateReports late;  // this thread only
  std::thread thread;

  void Send(std::span<const std::uint8_t> report) override {
    if (broadcast) {
      bus->SendInput(path, report);
    } else {
      Deliver(report);
    }
  }
  // To this host only. A report that finds the host's queue full is lost, as on a real
  // interrupt endpoint.
  void Deliver(std::span<const std::uint8_t> report) const {
    [[maybe_unused]] const auto n =
        ::send(fd.Get(), report.data(), report.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
  }
  void SendLater(std::span<const std::uint8_t> report, std::chrono::milliseconds delay) override {
    late.Add(report, delay);
  }
  // Sends the late reports that are due; returns the wait until the next one.
  std::chrono::milliseconds SendDue() {
    return late.SendDue([this](std::span<const std::uint8_t> r) { Send(r); },
                        std::chrono::milliseconds(kForever));
  }
  bool Delay(std::chrono::milliseconds duration) override {
    return WaitForFd(stop.Get(), POLLIN, -1, duration) == WaitOutcome::kTimedOut;
  }
  void Hangup() override {
    hungUp = true;
    ::shutdown(fd.Get(), SHUT_RDWR);
  }

  // Read-only hosts cannot write, so the loop only waits for them to close.
  void Run() {
    std::array<std::uint8_t, 4096> buffer{};
    const short events = canWrite ? POLLIN : 0;
    while (!hungUp) {
      const WaitOutcome w = WaitForFd(fd.Get(), events, stop.Get(), SendDue());
      if (w == WaitOutcome::kTimedOut) continue;
      if (w != WaitOutcome::kReady) break;
      const auto n = ::recv(fd.Get(), buffer.data(), buffer.size(), MSG_DONTWAIT);
      if (n == 0) break;  // host closed
      if (n < 0) continue;
      end->OnOutputReport(std::span(buffer.data(), static_cast<std::size_t>(n)), *this);
    }
    finished = true;
  }

  [[nodiscard]] bool HostClosed() const {
    pollfd p{fd.Get(), 0, 0};
    return finished || (::poll(&p, 1, 0) == 1 && (p.revents & POLLHUP) != 0);
  }

  ~Connection() override {
    ::shutdown(fd.Get(), SHUT_RDWR);  // the host sees the unplug at once
    stop.Signal();
    if (thread.joinable()) thread.join();
  }
};

struct SimBus::Interface {
  InterfaceSpec spec;
  std::shared_ptr<DeviceEnd> end;
  device::ReportDescriptor descriptor;  // empty when it does not parse
  std::list<std::unique_ptr<Connection>> connections;
};

SimBus::SimBus() = default;

SimBus::~SimBus() {
  std::vector<std::string> paths;
  {
    std::lock_guard lock(mutex_);
    for (const auto& iface : interfaces_) paths.push_back(iface->spec.path);
  }
  for (const auto& p : paths) Unplug(p);
  std::vector<std::unique_ptr<Connection>> parked;
  {
    std::lock_guard lock(mutex_);
    parked.swap(parked_);
  }
}

void SimBus::TakeParked(std::vector<std::unique_ptr<Connection>>& reaped) {
  const auto self = std::this_thread::get_id();
  for (auto it = parked_.begin(); it != parked_.end();) {
    if ((*it)->thread.get_id() != self) {
      reaped.push_back(std::move(*it));
      it = parked_.erase(it);
    } else {
      ++it;
    }
  }
}

SimBus::Interface* SimBus::Find(const std::string& path) const {
  const auto it = std::find_if(interfaces_.begin(), interfaces_.end(),
                               [&](const auto& iface) { return iface->spec.path == path; });
  return it == interfaces_.end() ? nullptr : it->get();
}

void SimBus::Plug(InterfaceSpec spec, std::shared_ptr<DeviceEnd> end) {
  Unplug(spec.path);
  auto iface = std::make_unique<Interface>();
  device::ReportDescriptor parsed;
  if (device::ParseReportDescriptor(spec.reportDescriptor, parsed)) {
    iface->descriptor = std::move(parsed);
  }
  iface->spec = std::move(spec);
  iface->end = std::move(end);
  const std::string path = iface->spec.path;
  {
    std::vector<std::unique_ptr<Connection>> reaped;  // joined after the lock is released
    std::lock_guard lock(mutex_);
    TakeParked(reaped);
    interfaces_.push_back(std::move(iface));
  }
  Notify(path, true);
}

void SimBus::SetPlugObserver(PlugObserver observer) {
  auto shared = observer ? std::make_shared<const PlugObserver>(std::move(observer)) : nullptr;
  std::lock_guard lock(mutex_);
  observer_ = std::move(shared);
}

void SimBus::Notify(const std::string& path, bool plugged) const {
  std::shared_ptr<const PlugObserver> observer;
  {
    std::lock_guard lock(mutex_);
    observer = observer_;
  }
  if (observer) (*observer)(path, plugged);
}

void SimBus::Unplug(const std::string& path) {
  std::unique_ptr<Interface> gone;
  {
    std::lock_guard lock(mutex_);
    const auto it = std::find_if(interfaces_.begin(), interfaces_.end(),
                                 [&](const auto& iface) { return iface->spec.path == path; });
    if (it == interfaces_.end()) return;
    gone = std::move(*it);
    interfaces_.erase(it);
    const auto self = std::this_thread::get_id();
    for (auto c = gone->connections.begin(); c != gone->connections.end();) {
      if ((*c)->thread.get_id() == self) {
        (*c)->Hangup();  // the host sees the unplug now; the thread ends when it returns
        parked_.push_back(std::move(*c));
        c = gone->connections.erase(c);
      } else {
        ++c;
      }
    }
  }
  // gone is destroyed here, outside the lock: firmware may call back into the bus while
  // its connections wind down. The observer hears of it once the connections are closed.
  gone.reset();
  Notify(path, false);
}

bool SimBus::IsPlugged(const std::string& path) const {
  std::lock_guard lock(mutex_);
  return Find(path) != nullptr;
}

void SimBus::SendInput(const std::string& path, std::span<const std::uint8_t> report) {
  std::lock_guard lock(mutex_);
  if (Interface* iface = Find(path)) {
    for (auto& c : iface->connections) {
      if (!c->HostClosed()) c->Deliver(report);
    }
  }
}

int SimBus::OpenCount(const std::string& path) const {
  std::lock_guard lock(mutex_);
  const Interface* iface = Find(path);
  if (iface == nullptr) return 0;
  return static_cast<int>(std::count_if(iface->connections.begin(), iface->connections.end(),
                                        [](const auto& c) { return !c->HostClosed(); }));
}

void SimBus::ReapClosed(Interface& iface, std::vector<std::unique_ptr<Connection>>& reaped) {
  for (auto it = iface.connections.begin(); it != iface.connections.end();) {
    if ((*it)->HostClosed()) {
      reaped.push_back(std::move(*it));
      it = iface.connections.erase(it);
    } else {
      ++it;
    }
  }
}

bool SimBus::Enumerate(const std::function<void(device::HidInterfaceInfo)>& visit) {
  std::vector<device::HidInterfaceInfo> found;
  {
    std::lock_guard lock(mutex_);
    for (const auto& iface : interfaces_) {
      const device::ReportDescriptor& d = iface->descriptor;
      for (std::size_t i = 0; i < d.collections.size(); ++i) {
        device::CollectionReports reports = device::ReportsOf(d, i);
        found.push_back({iface->spec.path, iface->spec.vendorId, iface->spec.productId,
                         d.collections[i].usagePage, d.collections[i].usage,
                         std::move(reports.inputReportIds), std::move(reports.outputReportIds)});
      }
    }
  }
  for (auto& info : found) visit(std::move(info));
  return true;
}

std::optional<device::OpenedInterface> SimBus::Open(const std::string& path,
                                                    const device::HidOpenFlags& flags) {
  std::vector<std::unique_ptr<Connection>> reaped;  // joined after the lock is released
  std::lock_guard lock(mutex_);
  Interface* iface = Find(path);
  TakeParked(reaped);
  if (iface == nullptr) return std::nullopt;
  ReapClosed(*iface, reaped);
  // The share rule of hidraw opens (see HidOpenFlags::exclusive).
  const bool wantsLock = flags.write || flags.exclusive;
  for (const auto& c : iface->connections) {
    if (c->exclusive && wantsLock) return std::nullopt;
    if (flags.exclusive && c->holdsLock) return std::nullopt;
  }
  int ends[2] = {-1, -1};
  if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, ends) != 0) {
    return std::nullopt;
  }
  device::OpenedInterface opened;
  opened.fd.Reset(ends[0]);
  if (!flags.write) ::shutdown(ends[0], SHUT_WR);
  opened.reportDescriptor = iface->spec.reportDescriptor;
  opened.vendorId = iface->spec.vendorId;
  opened.productId = iface->spec.productId;
  opened.writeStyle = iface->spec.writeStyle;

  auto c = std::make_unique<Connection>();
  c->bus = this;
  c->path = path;
  c->broadcast = iface->spec.broadcastReplies;
  c->fd.Reset(ends[1]);
  c->end = iface->end;
  c->canWrite = flags.write;
  c->holdsLock = wantsLock;
  c->exclusive = flags.exclusive;
  Connection* raw = c.get();
  c->thread = std::thread([raw] { raw->Run(); });
  iface->connections.push_back(std::move(c));
  return opened;
}

bool SimBus::ProbePresence(const std::string& path) { return IsPlugged(path); }

}  // namespace tavrinex::sim
