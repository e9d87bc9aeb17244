// Hot-plug: interfaces appearing and going away, reported at once so that the device threads
// need not wait for their next periodic search or probe. Each thread listens on its own
// listener, whose fd it polls together with its stop event and its device.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/stop_event.h"
#include "device/fd_io.h"
#include "device/unique_fd.h"

namespace tavrinex::device {

enum class HotplugAction : std::uint8_t { kAdd, kRemove };

struct HotplugEvent {
  HotplugAction action = HotplugAction::kAdd;
  std::string path;  // the interface's path as enumeration lists it (device node)
};

// One thread's view of the events: Fd() is readable while events are waiting.
class HotplugListener {
 public:
  virtual ~HotplugListener() = default;
  [[nodiscard]] virtual int Fd() const = 0;
  // Takes every waiting event; Fd() is no longer readable afterwards until the next one.
  [[nodiscard]] virtual std::vector<HotplugEvent> Drain() = 0;
};

class HotplugSource {
 public:
  virtual ~HotplugSource() = default;
  // A listener of its own for the calling thread; null when events cannot be received (the
  // threads then fall back on their periodic search and probe).
  [[nodiscard]] virtual std::unique_ptr<HotplugListener> Listen() = 0;
};

// Events published by code: the simulator's plugs and unplugs, and tests. Every listener
// gets every event published after it was created.
class HotplugHub final : public HotplugSource {
 public:
  HotplugHub() = default;
  HotplugHub(const HotplugHub&) = delete;
  HotplugHub& operator=(const HotplugHub&) = delete;

  // The hub must outlive its listeners.
  [[nodiscard]] std::unique_ptr<HotplugListener> Listen() override;
  void Publish(const HotplugEvent& event);

 private:
  class Listener;
  friend class Listener;
  void Remove(Listener* listener);

  std::mutex mutex_;
  std::vector<Listener*> listeners_;
};

// The udev monitor on the hidraw subsystem: "add" and "remove" of hidraw nodes, as udev
// reports them once its rules have run (so the node's permissions are already in place).
class UdevHotplugSource final : public HotplugSource {
 public:
  [[nodiscard]] std::unique_ptr<HotplugListener> Listen() override;
};

// Why a device thread woke up.
enum class Wake : std::uint8_t { kTimeout, kStop, kHotplug, kHangup, kInput, kWork };

// Waits up to `timeout` for the stop event, a hot-plug event (listener may be null), the
// device fd (may be invalid) or queued work (workFd, may be -1): kInput when the device is
// readable and `wantInput`, kHangup when it hung up. The stop event wins over everything
// else; hot-plug events are drained; the work fd is left for the caller to take.
[[nodiscard]] Wake WaitForWake(const core::StopEvent& stop, HotplugListener* listener,
                               int deviceFd, bool wantInput, std::chrono::milliseconds timeout,
                               int workFd = -1);

// True when the fd (a device's duplicated handle) has hung up: its interface is gone.
[[nodiscard]] bool HasHungUp(int fd);

}  // namespace tavrinex::device
