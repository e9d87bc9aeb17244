#include "device/detection.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>
#include <utility>

#include "device/device_ids.h"

namespace tavrinex::device {

void DeviceThreadsContext::Diagnostic(std::string_view line) const {
  if (diagnostic) {
    diagnostic(line);
  } else {
    std::fprintf(stderr, "%.*s\n", static_cast<int>(line.size()), line.data());
  }
}

void DeviceThreadsContext::Post(std::function<void()> step) const {
  if (window.post) {
    window.post(std::move(step));
  } else {
    step();
  }
}

std::uint32_t PathId(std::string_view path, std::string_view tag, std::uint16_t reported) {
  const auto lower = [](char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  };
  for (std::size_t at = 0; at + tag.size() <= path.size(); ++at) {
    bool same = true;
    for (std::size_t k = 0; k < tag.size() && same; ++k) {
      same = lower(path[at + k]) == lower(tag[k]);
    }
    if (!same) continue;
    // Up to eight digits: a longer number cannot pass for a 16-bit id by wrapping around.
    std::uint32_t value = 0;
    for (std::size_t k = at + tag.size(), end = std::min(path.size(), k + 8);
         k < end && std::isxdigit(static_cast<unsigned char>(path[k])) != 0; ++k) {
      const char c = lower(path[k]);
      value = (value << 4) | static_cast<std::uint32_t>(c <= '9' ? c - '0' : c - 'a' + 10);
    }
    return value;
  }
  return reported;
}

namespace {

std::string KindName(DeviceKind kind) { return std::string(KindPrefix(kind)); }

class Detector {
 public:
  Detector(DeviceKind kind, const DeviceThreadsContext& context, const core::StopEvent& stop)
      : kind_(kind),
        ctx_(context),
        stop_(stop),
        channel_(context.Channel(kind)),
        controls_(ControlsOf(kind)),
        listener_(context.hotplug != nullptr ? context.hotplug->Listen() : nullptr) {}

  void Run() {
    const core::StopScope scope(stop_);  // every transfer of this thread ends on its stop
    const int workFd = ctx_.work->Fd(kind_);
    while (!stop_.IsSet()) {
      auto period = kSearchPeriod;
      {
        std::lock_guard lock(channel_.lock);  // over the whole iteration, sync included
        if (!channel_.connected) {
          period = Search() ? kSearchPeriod : retry_.Failed([this] {
            ctx_.Diagnostic(KindName(kind_) + " detection: " + std::string(kEnumerationFailed));
          });
        } else {
          Watch();
        }
      }
      if (channel_.connected) period = kProbePeriod;
      (void)RunDeviceWork(kind_, ctx_);
      const Wake wake = WaitForWake(stop_, listener_.get(), hangup_.Get(), false, period, workFd);
      if (wake == Wake::kStop) break;
    }
    ctx_.Diagnostic(KindName(kind_) + " detection: stopped");
  }

 private:
  bool Search() {
    HidDevice& hid = channel_.hid;
    hid.paths.cursor = 0;
    if (!hid.EnumeratePaths()) return false;
    retry_.Succeeded();
    for (; hid.paths.cursor < hid.paths.Count(); ++hid.paths.cursor) {
      const HidInterfaceInfo& entry = hid.paths[hid.paths.cursor];
      if (entry.path.empty()) break;
      if (PathId(entry.path, "vid_", entry.vendorId) != channel_.expectedVendorId) continue;
      hid.openForReading = hid.openForWriting = hid.overlapped = true;
      hid.exclusive = false;
      hid.path = entry.path;
      if (!hid.OpenDevice()) continue;  // gone since the enumeration, or not ours to open
      if (!Matches(hid)) {
        hid.CloseDevice();
        continue;
      }
      Connect();
      break;
    }
    hid.paths.Clear();
    return true;
  }

  // One node may carry several collections: the configuration one is picked among them.
  [[nodiscard]] bool Matches(HidDevice& hid) const {
    return hid.Attributes().vendorId == channel_.expectedVendorId &&
           hid.Attributes().productId == channel_.expectedProductId &&
           hid.SelectCollection(channel_.expectedUsagePage, channel_.expectedUsage);
  }

  [[nodiscard]] int Select(ProfileList list) const {
    return ctx_.profiles.readSelect ? ctx_.profiles.readSelect(kind_, list) : 0;
  }

  void Connect() {
    hangup_ = channel_.hid.DuplicateHandle();
    sameModeShown_.reset();
    switch (kind_) {
      case DeviceKind::kKeyboard: ConnectKeyboard(); break;
      case DeviceKind::kMouse: ConnectMouse(); break;
      case DeviceKind::kMousePad: ConnectMousePad(); break;
    }
  }

  void ConnectKeyboard() {
    const WindowHooks* w = &ctx_.window;
    const KindControls* c = &controls_;
    ctx_.Post([w, c] {
      if (w->setVisible) w->setVisible(c->tab, true);
      if (w->selectTab) w->selectTab(c->tab);
    });
    if (stop_.WaitFor(kKeyboardSettleDelay)) return;  // shutting down: leave it unconnected
    channel_.connected = true;
    Sync();
    const int light = Select(ProfileList::kLight);
    const int key = Select(ProfileList::kKey);
    ctx_.Post([w, c, light, key] {
      if (w->selectComboItem) {
        w->selectComboItem(c->lightCombo, light);
        w->selectComboItem(c->keyCombo, key);
      }
      if (w->refreshControls) w->refreshControls(DeviceKind::kKeyboard);
      if (w->startTimer) w->startTimer(kRepaintTimer, kRepaintDelay);
    });
  }

  void ConnectMouse() {
    const WindowHooks* w = &ctx_.window;
    const KindControls* c = &controls_;
    channel_.connected = true;
    const int light = Select(ProfileList::kLight);
    // Loaded first, so that the pointer settings the device does not hold survive the save
    // that follows the synchronisation.
    if (ctx_.profiles.loadLightProfile) ctx_.profiles.loadLightProfile(DeviceKind::kMouse, light);
    Sync();
    const int key = Select(ProfileList::kKey);
    ctx_.Post([w, c, light, key] {
      if (w->selectComboItem) {
        w->selectComboItem(c->lightCombo, light);
        w->selectComboItem(c->keyCombo, key);
      }
      if (w->refreshControls) w->refreshControls(DeviceKind::kMouse);
      if (w->setVisible) w->setVisible(c->tab, true);
      if (w->selectTab) w->selectTab(c->tab);
      if (w->startTimer) w->startTimer(kRepaintTimer, kRepaintDelay);
    });
  }

  void ConnectMousePad() {
    const WindowHooks* w = &ctx_.window;
    const KindControls* c = &controls_;
    channel_.connected = true;
    ctx_.Post([w, c] {
      if (w->setVisible) w->setVisible(c->tab, true);
      if (w->selectTab) w->selectTab(c->tab);
    });
    Sync();
    const int light = Select(ProfileList::kLight);
    ctx_.Post([w, c, light] {
      if (w->selectComboItem) w->selectComboItem(c->lightCombo, light);
      if (w->refreshControls) w->refreshControls(DeviceKind::kMousePad);
      if (w->markForUpdate) w->markForUpdate(c->tab);
      if (w->startTimer) w->startTimer(kRepaintTimer, kRepaintDelay);
    });
  }

  void Sync() {
    if (ctx_.image == nullptr) return;
    const SyncResult r = DeviceSync(kind_, channel_, *ctx_.image, ctx_.sync);
    if (r.failedCommands > 0 && r.outcome != SyncOutcome::kStopped) {
      ctx_.Diagnostic(KindName(kind_) + " synchronisation: " + std::to_string(r.failedCommands) +
                      " command(s) failed (first: " + std::to_string(r.firstFailure) + ")" +
                      (r.settingsRead ? "" : "; light profile not saved") +
                      (r.keysRead || kind_ == DeviceKind::kMousePad ? ""
                                                                     : "; key profile not saved"));
    }
  }

  [[nodiscard]] bool OthersConnected() const {
    for (const DeviceKind other : controls_.nextTab) {
      if (ctx_.Channel(other).connected) return true;
    }
    return false;
  }

  void Watch() {
    HidDevice& hid = channel_.hid;
    // A handle that hung up is gone even when a new interface took its path meanwhile.
    const bool present = !HasHungUp(hangup_.Get()) && hid.ProbePresence(hid.path);
    if (!present) {
      Remove();
      return;
    }
    // Posted only when it changes: the window shows the same as if it were set every probe.
    const bool others = OthersConnected();
    if (sameModeShown_ != others) {
      sameModeShown_ = others;
      const WindowHooks* w = &ctx_.window;
      const std::string_view control = controls_.sameMode;
      ctx_.Post([w, control, others] {
        if (w->setVisible) w->setVisible(control, others);
      });
    }
  }

  void Remove() {
    channel_.connected = false;
    channel_.sharedLightingActive = false;
    hangup_.Reset();
    // Closed now rather than at the next search: the interface is gone, and nothing can be
    // pending on it while this thread holds the channel lock.
    channel_.hid.CloseDevice();
    std::optional<std::string_view> next;
    for (const DeviceKind other : controls_.nextTab) {
      if (ctx_.Channel(other).connected) {
        next = ControlsOf(other).tab;
        break;
      }
    }
    const WindowHooks* w = &ctx_.window;
    const std::string_view tab = controls_.tab;
    ctx_.Post([w, tab, next] {
      if (w->setVisible) w->setVisible(tab, false);
      if (next) {
        if (w->selectTab) w->selectTab(*next);
      } else if (w->hideWindow) {
        w->hideWindow();
      }
    });
  }

  DeviceKind kind_;
  const DeviceThreadsContext& ctx_;
  const core::StopEvent& stop_;
  DeviceChannel& channel_;
  const KindControls& controls_;
  std::unique_ptr<HotplugListener> listener_;
  UniqueFd hangup_;  // the open interface's handle, watched for a hang-up
  std::optional<bool> sameModeShown_;
  EnumerationRetry retry_;
};

}  // namespace

std::chrono::milliseconds EnumerationRetry::Failed(const std::function<void()>& say) {
  if (!failing_ && say) say();
  failing_ = true;
  const auto now = next_;
  next_ = std::min(next_ * 2, kLongest);
  return now;
}

void RunDetection(DeviceKind kind, const DeviceThreadsContext& context,
                  const core::StopEvent& stop) {
  Detector(kind, context, stop).Run();
}

std::size_t RunDeviceWork(DeviceKind kind, const DeviceThreadsContext& context) {
  std::vector<DeviceWorkQueue::Work> work = context.work->Take(kind);
  if (work.empty()) return 0;
  std::size_t ran = 0;
  std::lock_guard lock(context.Channel(kind).lock);
  for (const auto& w : work) {
    if (core::CurrentStopSet()) break;  // shutting down: the rest is dropped
    w();
    ++ran;
  }
  return ran;
}

}  // namespace tavrinex::device
