// The five device threads against the simulated devices, with a UI thread of their own that
// runs what the threads post and records every UI step in a log, in the order it happened.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "device/detection.h"
#include "device/device_ids.h"
#include "device/hotplug.h"
#include "device/input_watcher.h"
#include "sim/simulated_device.h"
#include "ui/task_queue.h"

namespace tavrinex::device {

// The bus seen through a recorder: which paths were opened and how, and, on request,
// interfaces that enumerate but can no longer be opened or an enumeration that fails.
class RecordingBackend final : public HidBackend {
 public:
  explicit RecordingBackend(HidBackend& inner) : inner_(inner) {}

  bool Enumerate(const std::function<void(HidInterfaceInfo)>& visit) override {
    std::vector<HidInterfaceInfo> ghosts;
    {
      std::lock_guard lock(mutex_);
      if (failEnumerations_ > 0) {
        --failEnumerations_;
        return false;
      }
      ghosts = ghosts_;
    }
    for (auto& g : ghosts) visit(g);
    return inner_.Enumerate(visit);
  }
  std::optional<OpenedInterface> Open(const std::string& path, const HidOpenFlags& flags) override {
    {
      std::lock_guard lock(mutex_);
      opens_.emplace_back(path, flags.write);
    }
    return inner_.Open(path, flags);
  }
  bool ProbePresence(const std::string& path) override { return inner_.ProbePresence(path); }

  void AddGhost(HidInterfaceInfo info) {
    std::lock_guard lock(mutex_);
    ghosts_.push_back(std::move(info));
  }
  // The next `times` enumerations fail, as with a transient EMFILE or udev error.
  void FailEnumerations(int times) {
    std::lock_guard lock(mutex_);
    failEnumerations_ = times;
  }
  // How often a path was opened for writing (detection) or for reading only (watchers).
  int Opens(const std::string& path, bool write) const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(std::count(opens_.begin(), opens_.end(), std::make_pair(path, write)));
  }

 private:
  HidBackend& inner_;
  mutable std::mutex mutex_;
  std::vector<std::pair<std::string, bool>> opens_;
  std::vector<HidInterfaceInfo> ghosts_;
  int failEnumerations_ = 0;
};

// A UI thread: runs the posted closures in order.
class TestUiThread {
 public:
  TestUiThread() : thread_([this] { Run(); }) {}
  ~TestUiThread() {
    {
      std::lock_guard lock(mutex_);
      quit_ = true;
    }
    cv_.notify_one();
    thread_.join();
    queue_.Clear();
  }
  TestUiThread(const TestUiThread&) = delete;
  TestUiThread& operator=(const TestUiThread&) = delete;

  void Post(std::function<void()> task) { queue_.Post(std::move(task)); }
  bool Send(std::function<void()> task, const core::StopEvent& stop) {
    return queue_.Send(std::move(task), stop);
  }

 private:
  void Run() {
    for (;;) {
      std::unique_lock lock(mutex_);
      cv_.wait(lock, [this] { return wake_ || quit_; });
      if (!wake_) return;
      wake_ = false;
      lock.unlock();
      queue_.RunPending();
    }
  }

  std::mutex mutex_;
  std::condition_variable cv_;
  bool wake_ = false;
  bool quit_ = false;
  ui::TaskQueue queue_{[this] {
    {
      std::lock_guard lock(mutex_);
      wake_ = true;
    }
    cv_.notify_one();
  }};
  std::thread thread_;
};

// What the threads did, one line per step: UI steps (run on the UI thread), profile loads and
// saves (on whichever thread ran them), messages handled.
class StepLog {
 public:
  void Add(std::string line) {
    {
      std::lock_guard lock(mutex_);
      lines_.push_back(std::move(line));
    }
    cv_.notify_all();
  }
  [[nodiscard]] std::vector<std::string> Lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
  }
  [[nodiscard]] int Count(const std::string& line) const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(std::count(lines_.begin(), lines_.end(), line));
  }
  // Waits (up to a generous bound, so a broken build fails instead of hanging) until `line`
  // has been logged `times` times.
  bool WaitFor(const std::string& line, int times = 1) const {
    std::unique_lock lock(mutex_);
    return cv_.wait_for(lock, std::chrono::seconds(20), [&] {
      return std::count(lines_.begin(), lines_.end(), line) >= times;
    });
  }
  void Clear() {
    std::lock_guard lock(mutex_);
    lines_.clear();
  }

 private:
  mutable std::mutex mutex_;
  mutable std::condition_variable cv_;
  std::vector<std::string> lines_;
};

// The lines of `all` that appear in `wanted`, in order: the sequence a test cares about.
inline std::vector<std::string> Only(const std::vector<std::string>& all,
                                     const std::vector<std::string>& wanted) {
  std::vector<std::string> out;
  for (const auto& l : all) {
    if (std::find(wanted.begin(), wanted.end(), l) != wanted.end()) out.push_back(l);
  }
  return out;
}

// Polls a condition that has no log line (a flag, a count) up to a generous bound.
template <typename F>
bool Eventually(F&& condition) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

// A kind's channel with the ids detection matches, placed in the threads' context.
inline void WireChannel(DeviceKind kind, DeviceChannel& c, DeviceThreadsContext& context) {
  constexpr std::array<std::uint16_t, kDeviceKindCount> kProducts = {
      kKeyboardProductId, kMouseProductId, kMousePadProductId};
  c.expectedVendorId = kVendorId;
  c.expectedProductId = kProducts[IndexOf(kind)];
  c.expectedUsagePage = kConfigUsagePage;
  c.expectedUsage = kConfigUsage;
  context.channels[IndexOf(kind)] = &c;
}

class DetectionFixture : public testing::Test {
 protected:
  static constexpr int kLightSelect = 2;
  static constexpr int kKeySelect = 1;

  DetectionFixture() {
    bus.SetPlugObserver([this](const std::string& path, bool plugged) {
      hub.Publish({plugged ? HotplugAction::kAdd : HotplugAction::kRemove, path});
    });
    for (const DeviceKind kind : kAllDeviceKinds) {
      WireChannel(kind, *channels[IndexOf(kind)], context);
    }
    context.backend = &backend;
    context.image = &image;
    context.hotplug = &hub;
    WireHooks();
  }

  ~DetectionFixture() override { threads.Stop(); }

  void WireHooks() {
    WindowHooks& w = context.window;
    w.post = [this](std::function<void()> step) { ui.Post(std::move(step)); };
    w.send = [this](std::uint32_t message, const core::StopEvent& stop) {
      return ui.Send(
          [this, message] {
            log.Add("message " + Hex(message));
            HandleDeviceMessage(message, context);
          },
          stop);
    };
    w.setVisible = [this](std::string_view c, bool v) {
      log.Add((v ? "show " : "hide ") + std::string(c));
    };
    w.selectTab = [this](std::string_view c) { log.Add("select " + std::string(c)); };
    w.selectComboItem = [this](std::string_view c, int i) {
      log.Add("combo " + std::string(c) + " " + std::to_string(i));
    };
    w.hideWindow = [this] { log.Add("hide window"); };
    w.refreshControls = [this](DeviceKind k) { log.Add("refresh " + std::string(KindPrefix(k))); };
    w.markForUpdate = [this](std::string_view c) { log.Add("update " + std::string(c)); };
    w.startTimer = [this](int id, std::chrono::milliseconds p) {
      log.Add("timer " + std::to_string(id) + " " + std::to_string(p.count()));
    };
    context.profiles.readSelect = [](DeviceKind, ProfileList list) {
      return list == ProfileList::kLight ? kLightSelect : kKeySelect;
    };
    context.profiles.loadLightProfile = [this](DeviceKind k, int i) {
      log.Add("load " + std::string(KindPrefix(k)) + " " + std::to_string(i));
    };
    context.sync.saveSelectedLightProfile = [this](DeviceKind k) {
      log.Add("save light " + std::string(KindPrefix(k)));
      return true;
    };
    context.setPadReactiveTrigger = [this] { padTrigger = true; };
    context.diagnostic = [this](std::string_view line) { log.Add("diag " + std::string(line)); };
  }

  static std::string Hex(std::uint32_t v) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%04X", v);
    return text;
  }

  DeviceChannel& Channel(DeviceKind kind) { return *channels[IndexOf(kind)]; }
  bool Connected(DeviceKind kind) { return Channel(kind).connected; }
  // The connect sequence of a kind has run to its end on the UI thread.
  bool WaitConnected(DeviceKind kind, int times = 1) {
    const bool done = log.WaitFor("refresh " + std::string(KindPrefix(kind)), times) &&
                      Eventually([&] { return Connected(kind); });
    DrainUi();
    return done;
  }
  // Returns once the UI thread has run everything posted so far.
  void DrainUi() {
    core::StopEvent never;
    ASSERT_TRUE(ui.Send([] {}, never));
  }
  bool WaitRemoved(DeviceKind kind, int times = 1) {
    return log.WaitFor("hide " + std::string(ControlsOf(kind).tab), times);
  }
  // The watcher of a kind has its consumer interface open (only watchers open read-only).
  bool WaitWatching(const sim::SimulatedDevice& device, int times = 1) {
    return Eventually([&] { return backend.Opens(device.ConsumerPath(), false) >= times; });
  }

  HotplugHub hub;  // outlives the bus, which reports its last unplugs on destruction
  sim::SimBus bus;
  RecordingBackend backend{bus};
  sim::SimulatedDevices devices{bus};
  std::array<std::unique_ptr<DeviceChannel>, kDeviceKindCount> channels = {
      std::make_unique<DeviceChannel>(backend), std::make_unique<DeviceChannel>(backend),
      std::make_unique<DeviceChannel>(backend)};
  DeviceImage image;
  StepLog log;
  std::atomic<bool> padTrigger{false};
  DeviceThreadsContext context;
  TestUiThread ui;                  // joined before the hooks it runs go away
  DeviceThreads threads{context};  // stopped first
};

}  // namespace tavrinex::device
