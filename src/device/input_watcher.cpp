#include "device/input_watcher.h"

#include <string>

#include "device/device_ids.h"

namespace tavrinex::device {

namespace {

constexpr std::chrono::milliseconds kReadTimeout{500};
constexpr std::chrono::milliseconds kGoneWait{1000};

struct UsageMessage {
  DeviceKind watcher;
  std::uint16_t usage;
  std::uint32_t message;
};
constexpr std::array<UsageMessage, 4> kUsageMessages = {{
    {DeviceKind::kKeyboard, kUsageSettingsChanged, 0x0B02},
    {DeviceKind::kKeyboard, kUsageDeviceChanged, 0x0B01},
    {DeviceKind::kMouse, kUsageSettingsChanged, 0x0902},
    {DeviceKind::kMouse, kUsageDeviceChanged, 0x0901},
}};

std::uint16_t ProductOf(DeviceKind kind) {
  return kind == DeviceKind::kKeyboard ? kKeyboardProductId : kMouseProductId;
}

class Watcher {
 public:
  Watcher(DeviceKind kind, HidDevice& device, const DeviceThreadsContext& context,
          const core::StopEvent& stop)
      : kind_(kind),
        product_(ProductOf(kind)),
        dev_(device),
        ctx_(context),
        stop_(stop),
        listener_(context.hotplug != nullptr ? context.hotplug->Listen() : nullptr) {}

  void Run() {
    const core::StopScope scope(stop_);
    const std::string name(KindPrefix(kind_));
    while (!stop_.IsSet()) {
      auto period = kSearchPeriod;
      if (opened_) {
        if (!dev_.ProbePresence(dev_.path)) {
          opened_ = false;
          if (Wait(kGoneWait) == Wake::kStop) break;
          continue;
        }
        period = kProbePeriod;
      } else if (Search()) {
        retry_.Succeeded();
        if (opened_) period = kProbePeriod;
      } else {
        period = retry_.Failed([&] {
          ctx_.Diagnostic(name + " input watcher: " + std::string(kEnumerationFailed));
        });
      }
      if (stopped_ || Wait(period) == Wake::kStop) break;
    }
    ctx_.Diagnostic(name + " input watcher: stopped");
  }

 private:
  Wake Wait(std::chrono::milliseconds timeout, int deviceFd = -1, bool wantInput = false) {
    return WaitForWake(stop_, listener_.get(), deviceFd, wantInput, timeout);
  }

  bool Search() {
    found_ = false;
    if (!dev_.EnumeratePaths()) return false;
    for (dev_.paths.cursor = 0; dev_.paths.cursor < dev_.paths.Count(); ++dev_.paths.cursor) {
      const HidInterfaceInfo& entry = dev_.paths[dev_.paths.cursor];
      if (entry.path.empty()) break;
      if (PathId(entry.path, "vid_", entry.vendorId) != kVendorId) continue;
      if (PathId(entry.path, "pid_", entry.productId) != product_) continue;
      dev_.openForReading = true;
      dev_.openForWriting = false;
      dev_.overlapped = true;
      dev_.exclusive = false;
      dev_.path = entry.path;
      if (dev_.OpenDevice() && Accepted()) {
        opened_ = found_ = true;
        ReadLoop();
      }
      dev_.CloseDevice();  // aborts a pending read first
      if (found_ || stopped_) break;
    }
    dev_.paths.Clear();
    return true;
  }

  // The consumer-control collection may share its node with the configuration one.
  [[nodiscard]] bool Accepted() {
    return dev_.Attributes().vendorId == kVendorId && dev_.Attributes().productId == product_ &&
           dev_.SelectCollection(kConsumerUsagePage, kConsumerUsage);
  }

  // Reads reports until the interface goes away or the thread is asked to stop. A read lasts
  // at most 500 ms; the stop event ends it at once.
  void ReadLoop() {
    const UniqueFd handle = dev_.DuplicateHandle();
    const std::span<std::uint8_t> report = dev_.InputBuffer();
    for (;;) {
      const Wake wake = Wait(kReadTimeout, handle.Get(), true);
      if (wake == Wake::kStop) {
        stopped_ = true;
        return;
      }
      std::size_t n = 0;
      if (wake == Wake::kInput) {
        if (dev_.ReadReport(report, std::chrono::milliseconds(0), n)) {
          Announce(report);
          continue;
        }
        // Another collection's report (the replies on a shared node) or a malformed one: no
        // sign that the device went, so no probe for it.
        if (!HasHungUp(handle.Get())) continue;
      }
      // No report for 500 ms, or a hang-up: is the interface still there? A handle that hung
      // up is gone even if its path came back meanwhile.
      if (wake == Wake::kHangup || HasHungUp(handle.Get()) || !dev_.ProbePresence(dev_.path)) {
        opened_ = false;
        return;
      }
    }
  }

  void Announce(std::span<const std::uint8_t> report) {
    if (!dev_.DecodeInputReport(report)) return;
    const auto items = dev_.DataItems();
    // An item of another report was not filled by this one and still holds an older usage.
    if (items.empty() || !items[0].isButton || items[0].usagePage != kConsumerUsagePage ||
        items[0].reportId != report[0] || items[0].usages.empty()) {
      return;
    }
    const std::uint16_t usage = items[0].usages[0];
    if (kind_ == DeviceKind::kMouse && usage == kUsageMouseEvent) {
      if (ctx_.setPadReactiveTrigger) ctx_.setPadReactiveTrigger();
      return;
    }
    const auto message = MessageForUsage(kind_, usage);
    if (message && ctx_.window.send) {
      [[maybe_unused]] const bool handled = ctx_.window.send(*message, stop_);
    }
  }

  DeviceKind kind_;
  std::uint16_t product_;
  HidDevice& dev_;
  const DeviceThreadsContext& ctx_;
  const core::StopEvent& stop_;
  std::unique_ptr<HotplugListener> listener_;
  bool opened_ = false;   // an interface is open and being read
  bool found_ = false;    // the current scan found it
  bool stopped_ = false;  // the stop event fired while reading
  EnumerationRetry retry_;
};

}  // namespace

std::optional<std::uint32_t> MessageForUsage(DeviceKind watcher, std::uint16_t usage) {
  for (const UsageMessage& m : kUsageMessages) {
    if (m.watcher == watcher && m.usage == usage) return m.message;
  }
  return std::nullopt;
}

bool HandleDeviceMessage(std::uint32_t message, const DeviceThreadsContext& context) {
  for (const DeviceMessage& m : kDeviceMessages) {
    if (m.id != message) continue;
    const DeviceThreadsContext* ctx = &context;
    const DeviceMessage msg = m;
    const DeviceTask task = m.full ? DeviceTask::kSync : DeviceTask::kReread;
    context.work->Post(m.kind, task, [ctx, msg] {
      if (ctx->image != nullptr) {
        DeviceChannel& channel = ctx->Channel(msg.kind);
        const SyncResult r =
            msg.full ? DeviceSync(msg.kind, channel, *ctx->image, ctx->sync)
                     : RereadActiveSettings(msg.kind, channel, *ctx->image, ctx->sync);
        if (r.outcome == SyncOutcome::kStopped) return;
      }
      const WindowHooks* w = &ctx->window;
      const DeviceKind kind = msg.kind;
      ctx->Post([w, kind] {
        if (w->refreshControls) w->refreshControls(kind);
      });
    });
    return true;
  }
  return false;
}

void RunInputWatcher(DeviceKind kind, HidDevice& device, const DeviceThreadsContext& context,
                     const core::StopEvent& stop) {
  Watcher(kind, device, context, stop).Run();
}

DeviceThreads::DeviceThreads(const DeviceThreadsContext& context) : ctx_(context) {}

DeviceThreads::~DeviceThreads() { Stop(); }

void DeviceThreads::Start() {
  Stop();
  if (!keyboardConsumer_) keyboardConsumer_ = std::make_unique<HidDevice>(*ctx_.backend);
  if (!mouseConsumer_) mouseConsumer_ = std::make_unique<HidDevice>(*ctx_.backend);
  for (auto& stop : stops_) stop.Reset();
  const auto detect = [this](DeviceKind kind, std::size_t i) {
    threads_[i] = std::thread([this, kind, i] { RunDetection(kind, ctx_, stops_[i]); });
  };
  detect(DeviceKind::kKeyboard, 0);
  detect(DeviceKind::kMouse, 1);
  detect(DeviceKind::kMousePad, 2);
  threads_[3] = std::thread(
      [this] { RunInputWatcher(DeviceKind::kMouse, *mouseConsumer_, ctx_, stops_[3]); });
  threads_[4] = std::thread(
      [this] { RunInputWatcher(DeviceKind::kKeyboard, *keyboardConsumer_, ctx_, stops_[4]); });
}

void DeviceThreads::Stop() {
  for (const auto& stop : stops_) stop.Set();
  for (auto& t : threads_) {
    if (t.joinable()) t.join();
  }
}

}  // namespace tavrinex::device
