#include "device/hotplug.h"

#include <libudev.h>
#include <poll.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <mutex>

#include "device/linux_hid_backend.h"

namespace tavrinex::device {

namespace {

// Events only wake threads up; a listener whose thread has ended keeps the newest ones.
constexpr std::size_t kMaxQueuedEvents = 256;

}  // namespace

class HotplugHub::Listener final : public HotplugListener {
 public:
  explicit Listener(HotplugHub& hub) : hub_(&hub) {}
  ~Listener() override { hub_->Remove(this); }
  Listener(const Listener&) = delete;
  Listener& operator=(const Listener&) = delete;

  [[nodiscard]] int Fd() const override { return ready_.Get(); }

  std::vector<HotplugEvent> Drain() override {
    std::lock_guard lock(mutex_);
    ready_.Reset();
    std::vector<HotplugEvent> out(queue_.begin(), queue_.end());
    queue_.clear();
    return out;
  }

  void Push(const HotplugEvent& event) {
    std::lock_guard lock(mutex_);
    if (queue_.size() == kMaxQueuedEvents) queue_.pop_front();
    queue_.push_back(event);
    ready_.Signal();
  }

 private:
  HotplugHub* hub_;
  EventFd ready_;
  std::mutex mutex_;
  std::deque<HotplugEvent> queue_;
};

std::unique_ptr<HotplugListener> HotplugHub::Listen() {
  auto listener = std::make_unique<Listener>(*this);
  std::lock_guard lock(mutex_);
  listeners_.push_back(listener.get());
  return listener;
}

void HotplugHub::Publish(const HotplugEvent& event) {
  std::lock_guard lock(mutex_);
  for (Listener* l : listeners_) l->Push(event);
}

void HotplugHub::Remove(Listener* listener) {
  std::lock_guard lock(mutex_);
  listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), listener), listeners_.end());
}

namespace {

class UdevListener final : public HotplugListener {
 public:
  UdevListener(udev* context, udev_monitor* monitor) : udev_(context), monitor_(monitor) {}
  ~UdevListener() override {
    const std::lock_guard guard(LibudevLock());
    udev_monitor_unref(monitor_);
    udev_unref(udev_);
  }
  UdevListener(const UdevListener&) = delete;
  UdevListener& operator=(const UdevListener&) = delete;

  [[nodiscard]] int Fd() const override { return udev_monitor_get_fd(monitor_); }

  std::vector<HotplugEvent> Drain() override {
    std::vector<HotplugEvent> out;
    const std::lock_guard guard(LibudevLock());
    // The monitor's socket does not block: receive until it is empty.
    while (udev_device* dev = udev_monitor_receive_device(monitor_)) {
      const char* action = udev_device_get_action(dev);
      const char* node = udev_device_get_devnode(dev);
      const std::string_view a = action != nullptr ? action : "";
      if (a == "add" || a == "remove") {
        out.push_back({a == "add" ? HotplugAction::kAdd : HotplugAction::kRemove,
                       node != nullptr ? node : ""});
      }
      udev_device_unref(dev);
    }
    return out;
  }

 private:
  udev* udev_;
  udev_monitor* monitor_;
};

}  // namespace

std::unique_ptr<HotplugListener> UdevHotplugSource::Listen() {
  const std::lock_guard guard(LibudevLock());
  udev* context = udev_new();
  if (context == nullptr) return nullptr;
  // "udev", not "kernel": the event comes once the rules have given the node its access.
  udev_monitor* monitor = udev_monitor_new_from_netlink(context, "udev");
  if (monitor == nullptr ||
      udev_monitor_filter_add_match_subsystem_devtype(monitor, "hidraw", nullptr) < 0 ||
      udev_monitor_enable_receiving(monitor) < 0) {
    if (monitor != nullptr) udev_monitor_unref(monitor);
    udev_unref(context);
    return nullptr;
  }
  return std::make_unique<UdevListener>(context, monitor);
}

Wake WaitForWake(const core::StopEvent& stop, HotplugListener* listener, int deviceFd,
                 bool wantInput, std::chrono::milliseconds timeout, int workFd) {
  std::array<pollfd, 4> fds{{{stop.Fd(), POLLIN, 0},
                             {listener != nullptr ? listener->Fd() : -1, POLLIN, 0},
                             {deviceFd, static_cast<short>(wantInput ? POLLIN : 0), 0},
                             {workFd, POLLIN, 0}}};
  const int ms = static_cast<int>(std::min<std::chrono::milliseconds::rep>(
      std::max<std::chrono::milliseconds::rep>(timeout.count(), 0), 0x7fffffff));
  int n = 0;
  do {
    n = ::poll(fds.data(), fds.size(), ms);  // negative fds are skipped by poll()
  } while (n < 0 && errno == EINTR);
  if (n == 0) return Wake::kTimeout;
  if (n < 0) return stop.WaitFor(timeout) ? Wake::kStop : Wake::kTimeout;  // wait on the stop alone
  if ((fds[0].revents & POLLIN) != 0) return Wake::kStop;
  if (wantInput && (fds[2].revents & POLLIN) != 0) return Wake::kInput;
  if ((fds[2].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) return Wake::kHangup;
  if ((fds[1].revents & POLLIN) != 0) {
    [[maybe_unused]] const auto events = listener->Drain();
    return Wake::kHotplug;
  }
  if ((fds[3].revents & POLLIN) != 0) return Wake::kWork;
  return Wake::kTimeout;
}

bool HasHungUp(int fd) {
  if (fd < 0) return false;
  pollfd p{fd, 0, 0};
  return ::poll(&p, 1, 0) == 1 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

}  // namespace tavrinex::device
