#include "sim/uhid_bus.h"

#include <fcntl.h>
#include <linux/uhid.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "device/fd_io.h"
#include "device/report_descriptor.h"
#include "device/unique_fd.h"
#include "sim/late_reports.h"

namespace tavrinex::sim {

namespace fs = std::filesystem;
using device::EventFd;
using device::UniqueFd;
using device::WaitForFd;
using device::WaitOutcome;
using Clock = std::chrono::steady_clock;

namespace {

constexpr auto kIdle = std::chrono::hours(24);
// The kernel adds the device from a work item: its node appears shortly after UHID_CREATE2.
constexpr auto kNodeWait = std::chrono::seconds(5);

bool WriteEvent(int fd, const uhid_event& ev) {
  const auto n = ::write(fd, &ev, sizeof ev);
  return n == static_cast<ssize_t>(sizeof ev);
}

// Into a zeroed field of a packed struct, keeping its terminating 0.
void CopyText(void* to, std::size_t size, const std::string& text) {
  std::memcpy(to, text.data(), std::min(text.size(), size - 1));
}

}  // namespace

struct UhidBus::Interface final : ReplySink {
  InterfaceSpec spec;
  std::shared_ptr<DeviceEnd> end;
  UniqueFd fd;
  EventFd stop;
  bool stripZeroId = false;  // no report ids: usbhid drops the host's leading 0
  std::atomic<bool> destroyed{false};
  LateReports late;  // this interface's thread only
  std::thread thread;

  void Send(std::span<const std::uint8_t> report) override {
    if (destroyed || report.size() > UHID_DATA_MAX) return;
    uhid_event ev{};
    ev.type = UHID_INPUT2;
    ev.u.input2.size = static_cast<__u16>(report.size());
    std::copy(report.begin(), report.end(), ev.u.input2.data);
    [[maybe_unused]] const bool sent = WriteEvent(fd.Get(), ev);
  }
  void SendLater(std::span<const std::uint8_t> report, std::chrono::milliseconds delay) override {
    late.Add(report, delay);
  }
  bool Delay(std::chrono::milliseconds duration) override {
    return WaitForFd(stop.Get(), POLLIN, -1, duration) == WaitOutcome::kTimedOut;
  }
  void Hangup() override { Destroy(); }

  void Destroy() {
    if (destroyed.exchange(true)) return;
    uhid_event ev{};
    ev.type = UHID_DESTROY;
    [[maybe_unused]] const bool sent = WriteEvent(fd.Get(), ev);
    stop.Signal();
  }

  std::chrono::milliseconds SendDue() {
    return late.SendDue([this](std::span<const std::uint8_t> r) { Send(r); },
                        std::chrono::milliseconds(kIdle));
  }

  // GET_REPORT and SET_REPORT (feature reports) are not part of the protocol: refused.
  void Refuse(const uhid_event& request) {
    uhid_event ev{};
    if (request.type == UHID_GET_REPORT) {
      ev.type = UHID_GET_REPORT_REPLY;
      ev.u.get_report_reply.id = request.u.get_report.id;
      ev.u.get_report_reply.err = EIO;
    } else {
      ev.type = UHID_SET_REPORT_REPLY;
      ev.u.set_report_reply.id = request.u.set_report.id;
      ev.u.set_report_reply.err = EIO;
    }
    [[maybe_unused]] const bool sent = WriteEvent(fd.Get(), ev);
  }

  void Run() {
    uhid_event ev{};
    while (!destroyed) {
      const WaitOutcome w = WaitForFd(fd.Get(), POLLIN, stop.Get(), SendDue());
      if (w == WaitOutcome::kTimedOut) continue;
      if (w != WaitOutcome::kReady) break;
      const auto n = ::read(fd.Get(), &ev, sizeof ev);
      if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
      if (n <= 0) break;
      if (ev.type == UHID_GET_REPORT || ev.type == UHID_SET_REPORT) Refuse(ev);
      if (ev.type != UHID_OUTPUT) continue;
      std::span<const std::uint8_t> report(ev.u.output.data, std::min<std::size_t>(
                                                                 ev.u.output.size, UHID_DATA_MAX));
      if (stripZeroId && !report.empty() && report[0] == 0) report = report.subspan(1);
      end->OnOutputReport(report, *this);
    }
  }
};

UhidBus::UhidBus(Options options) : options_(std::move(options)) {}

UhidBus::~UhidBus() {
  std::map<std::string, std::shared_ptr<Interface>> all;
  {
    std::lock_guard lock(mutex_);
    all.swap(interfaces_);
  }
  for (auto& [path, iface] : all) {
    iface->Destroy();
    if (iface->thread.joinable()) iface->thread.join();
  }
  JoinParked();
}

bool UhidBus::Available() const {
  const UniqueFd fd(::open(options_.uhidPath.c_str(), O_RDWR | O_CLOEXEC));
  return fd.Get() >= 0;
}

void UhidBus::Plug(InterfaceSpec spec, std::shared_ptr<DeviceEnd> end) {
  Unplug(spec.path);
  auto iface = std::make_shared<Interface>();
  iface->fd = UniqueFd(::open(options_.uhidPath.c_str(), O_RDWR | O_CLOEXEC));
  if (iface->fd.Get() < 0) {
    std::lock_guard lock(mutex_);
    lastError_ = options_.uhidPath + ": " + std::strerror(errno);
    return;
  }
  device::ReportDescriptor parsed;
  iface->stripZeroId =
      device::ParseReportDescriptor(spec.reportDescriptor, parsed) && !parsed.usesReportIds;
  uhid_event ev{};
  ev.type = UHID_CREATE2;
  CopyText(ev.u.create2.name, sizeof ev.u.create2.name, "Tavrinex simulated " + spec.path);
  CopyText(ev.u.create2.phys, sizeof ev.u.create2.phys, spec.path);
  ev.u.create2.rd_size = static_cast<__u16>(std::min<std::size_t>(spec.reportDescriptor.size(),
                                                                   HID_MAX_DESCRIPTOR_SIZE));
  ev.u.create2.bus = 0x03;  // BUS_USB
  ev.u.create2.vendor = spec.vendorId;
  ev.u.create2.product = spec.productId;
  std::copy_n(spec.reportDescriptor.begin(), ev.u.create2.rd_size, ev.u.create2.rd_data);
  if (!WriteEvent(iface->fd.Get(), ev)) {
    std::lock_guard lock(mutex_);
    lastError_ = "UHID_CREATE2 " + spec.path + ": " + std::strerror(errno);
    return;
  }
  const std::string path = spec.path;
  iface->spec = std::move(spec);
  iface->end = std::move(end);
  iface->thread = std::thread([raw = iface.get()] { raw->Run(); });
  {
    std::lock_guard lock(mutex_);
    interfaces_[path] = iface;
  }
  const auto deadline = Clock::now() + kNodeWait;
  while (FindNode(path).empty() && Clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

void UhidBus::Unplug(const std::string& path) {
  std::shared_ptr<Interface> iface;
  {
    std::lock_guard lock(mutex_);
    const auto it = interfaces_.find(path);
    if (it == interfaces_.end()) return;
    iface = std::move(it->second);
    interfaces_.erase(it);
  }
  iface->Destroy();
  if (iface->thread.get_id() == std::this_thread::get_id()) {
    std::lock_guard lock(mutex_);
    parked_.push_back(std::move(iface));
    return;
  }
  if (iface->thread.joinable()) iface->thread.join();
  JoinParked();
}

void UhidBus::JoinParked() {
  std::vector<std::shared_ptr<Interface>> parked;
  {
    std::lock_guard lock(mutex_);
    // A parked interface's own thread may be the caller: leave it for a later call.
    for (auto it = parked_.begin(); it != parked_.end();) {
      if ((*it)->thread.get_id() == std::this_thread::get_id()) {
        ++it;
      } else {
        parked.push_back(std::move(*it));
        it = parked_.erase(it);
      }
    }
  }
  for (auto& p : parked) {
    if (p->thread.joinable()) p->thread.join();
  }
}

void UhidBus::SendInput(const std::string& path, std::span<const std::uint8_t> report) {
  if (const auto iface = Find(path)) iface->Send(report);
}

std::shared_ptr<UhidBus::Interface> UhidBus::Find(const std::string& path) const {
  std::lock_guard lock(mutex_);
  const auto it = interfaces_.find(path);
  return it == interfaces_.end() ? nullptr : it->second;
}

std::string UhidBus::NodeOf(const std::string& path) const {
  return Find(path) ? FindNode(path) : std::string();
}

// The hidraw node whose HID device carries the path as its physical path.
std::string UhidBus::FindNode(const std::string& path) const {
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(options_.sysfsRoot + "/class/hidraw", ec)) {
    std::ifstream in(entry.path() / "device" / "uevent");
    std::stringstream text;
    text << in.rdbuf();
    if (("\n" + text.str()).find("\nHID_PHYS=" + path + "\n") == std::string::npos) continue;
    return "/dev/" + entry.path().filename().string();
  }
  return {};
}

std::string UhidBus::LastError() const {
  std::lock_guard lock(mutex_);
  return lastError_;
}

}  // namespace tavrinex::sim
