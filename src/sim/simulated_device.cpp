#include "sim/simulated_device.h"

#include <algorithm>
#include <array>
#include <optional>
#include <utility>

#include "device/device_ids.h"
#include "sim/descriptors.h"

namespace tavrinex::sim {

namespace {

std::uint16_t ProductId(device::DeviceKind kind) {
  switch (kind) {
    case device::DeviceKind::kKeyboard: return device::kKeyboardProductId;
    case device::DeviceKind::kMouse: return device::kMouseProductId;
    case device::DeviceKind::kMousePad: return device::kMousePadProductId;
  }
  return 0;
}

InterfaceSpec Spec(const std::string& path, device::DeviceKind kind,
                   std::span<const std::uint8_t> descriptor) {
  return {path, device::kVendorId, ProductId(kind), {descriptor.begin(), descriptor.end()}};
}

// Consumer-control interfaces only ever send; what a host writes to them is dropped.
class ConsumerEnd final : public DeviceEnd {
 public:
  void OnOutputReport(std::span<const std::uint8_t>, ReplySink&) override {}
};

// Deterministic noise, so that a failing run can be repeated.
std::vector<std::uint8_t> Noise(std::size_t seed) {
  std::vector<std::uint8_t> bytes(device::kFrameSize);
  std::uint32_t x = static_cast<std::uint32_t>(seed) * 2654435761u + 1u;
  for (auto& b : bytes) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    b = static_cast<std::uint8_t>(x);
  }
  bytes[0] = device::kConfigReportId;  // noise that the host takes for a reply
  return bytes;
}

}  // namespace

struct SimulatedDevice::Core {
  Core(DeviceBus& b, device::DeviceKind k, std::string config, std::string consumer)
      : bus(&b), kind(k), configPath(std::move(config)), consumerPath(std::move(consumer)),
        firmware(k) {}

  struct ArmedFault {
    Fault fault;
    std::size_t first = 0;  // index in the log of the first request hit
  };

  [[nodiscard]] std::optional<Fault> FaultFor(std::size_t index) const {
    for (const auto& a : faults) {
      if (index < a.first) continue;
      if (a.fault.count == Fault::kEvery || index - a.first < a.fault.count) return a.fault;
    }
    return std::nullopt;
  }

  void Announce(std::uint16_t usage) {
    if (consumerPath.empty()) return;
    const std::array<std::uint8_t, 3> press = {kConsumerReportId,
                                               static_cast<std::uint8_t>(usage & 0xFF),
                                               static_cast<std::uint8_t>(usage >> 8)};
    const std::array<std::uint8_t, 3> release = {kConsumerReportId, 0, 0};
    bus->SendInput(consumerPath, press);
    bus->SendInput(consumerPath, release);
  }

  // The consumer interface goes first: a host that sees its configuration interface hang up
  // must find the whole device gone, as after a real unplug.
  void UnplugInterfaces() {
    if (!consumerPath.empty() && !SharedNode()) bus->Unplug(consumerPath);
    bus->Unplug(configPath);
  }

  void Chatter() {
    if (consumerPath.empty()) return;
    const std::array<std::uint8_t, 3> idle = {kConsumerReportId, 0, 0};
    bus->SendInput(consumerPath, idle);
  }

  [[nodiscard]] bool SharedNode() const { return consumerPath == configPath; }

  DeviceBus* bus;
  const device::DeviceKind kind;
  const std::string configPath;
  const std::string consumerPath;

  mutable std::mutex mutex;  // guards everything below
  Firmware firmware;
  std::vector<device::ReportFrame> log;
  std::vector<ArmedFault> faults;
  std::chrono::milliseconds delay{0};
  bool chatter = false;
  bool plugged = false;
};

namespace {

class ConfigEnd final : public DeviceEnd {
 public:
  explicit ConfigEnd(std::shared_ptr<SimulatedDevice::Core> core) : core_(std::move(core)) {}

  void OnOutputReport(std::span<const std::uint8_t> report, ReplySink& sink) override {
    device::ReportFrame request;
    std::copy_n(report.begin(), std::min(report.size(), request.bytes.size()),
                request.bytes.begin());
    std::size_t index = 0;
    std::optional<Fault> fault;
    std::optional<Firmware::Response> response;
    std::chrono::milliseconds delay{0};
    bool chatter = false;
    {
      std::lock_guard lock(core_->mutex);
      index = core_->log.size();
      core_->log.push_back(request);
      fault = core_->FaultFor(index);
      // A request hit by a fault never reaches the firmware, unless the fault is only in
      // how the reply travels.
      if (!fault || Answered(fault->action)) response = core_->firmware.Handle(request);
      delay = core_->delay;
      chatter = core_->chatter;
    }
    if (delay.count() > 0 && !sink.Delay(delay)) return;
    if (chatter) core_->Chatter();
    if (response) {
      Reply(fault ? fault->action : Fault::Action::kNoReply, fault ? fault->late : delay,
            *response, sink);
      return;
    }
    Act(fault->action, request, index, sink);
  }

 private:
  static bool Answered(Fault::Action action) {
    return action == Fault::Action::kLateReply || action == Fault::Action::kDoubleReply;
  }

  // A normal reply (action kNoReply stands for "no fault"), a late one or a doubled one.
  void Reply(Fault::Action action, std::chrono::milliseconds late,
             const Firmware::Response& response, ReplySink& sink) {
    if (action == Fault::Action::kLateReply) {
      sink.SendLater(response.reply.bytes, late);
    } else {
      sink.Send(response.reply.bytes);
      if (action == Fault::Action::kDoubleReply) sink.Send(response.reply.bytes);
    }
    if (response.announce) core_->Announce(*response.announce);
  }

  void Act(Fault::Action action, const device::ReportFrame& request, std::size_t index,
           ReplySink& sink) {
    device::ReportFrame refusal = request;
    switch (action) {
      case Fault::Action::kNoReply: break;
      case Fault::Action::kStatusError:
      case Fault::Action::kStatusBusy:
        refusal.bytes[device::frame::kStatus] =
            action == Fault::Action::kStatusError ? device::kStatusError : device::kStatusBusy;
        sink.Send(refusal.bytes);
        break;
      case Fault::Action::kGarbage: sink.Send(Noise(index)); break;
      case Fault::Action::kShortReply: {
        const auto noise = Noise(index);
        sink.Send(std::span(noise).first(9));
        break;
      }
      case Fault::Action::kLateReply:
      case Fault::Action::kDoubleReply: break;  // answered in Reply
      case Fault::Action::kUnplug: {
        {
          std::lock_guard lock(core_->mutex);
          core_->plugged = false;
        }
        core_->UnplugInterfaces();
        break;
      }
    }
  }

  std::shared_ptr<SimulatedDevice::Core> core_;
};

}  // namespace

SimulatedDevice::SimulatedDevice(DeviceBus& bus, device::DeviceKind kind, std::string configPath,
                                 std::string consumerPath)
    : core_(std::make_shared<Core>(bus, kind, std::move(configPath), std::move(consumerPath))) {}

SimulatedDevice::~SimulatedDevice() { Unplug(); }

device::DeviceKind SimulatedDevice::Kind() const { return core_->kind; }
const std::string& SimulatedDevice::ConfigPath() const { return core_->configPath; }
const std::string& SimulatedDevice::ConsumerPath() const { return core_->consumerPath; }
std::mutex& SimulatedDevice::Mutex() const { return core_->mutex; }
Firmware& SimulatedDevice::Firm() { return core_->firmware; }

void SimulatedDevice::Plug() {
  {
    std::lock_guard lock(core_->mutex);
    core_->firmware.PowerCycle();
    core_->plugged = true;
  }
  if (core_->SharedNode()) {
    InterfaceSpec spec = Spec(core_->configPath, core_->kind, kSharedNodeDescriptor);
    spec.broadcastReplies = true;
    core_->bus->Plug(std::move(spec), std::make_shared<ConfigEnd>(core_));
    return;
  }
  core_->bus->Plug(Spec(core_->configPath, core_->kind, kConfigDescriptor),
                   std::make_shared<ConfigEnd>(core_));
  if (!core_->consumerPath.empty()) {
    core_->bus->Plug(Spec(core_->consumerPath, core_->kind, kConsumerDescriptor),
                     std::make_shared<ConsumerEnd>());
  }
}

void SimulatedDevice::Unplug() {
  {
    std::lock_guard lock(core_->mutex);
    core_->plugged = false;
  }
  core_->UnplugInterfaces();
}

bool SimulatedDevice::IsPlugged() const {
  std::lock_guard lock(core_->mutex);
  return core_->plugged;
}

void SimulatedDevice::UserSwitchProfile(std::uint8_t profile) {
  {
    std::lock_guard lock(core_->mutex);
    core_->firmware.SetActiveProfile(profile);
  }
  Announce(kUsageDeviceChanged);
}

void SimulatedDevice::UserChangeMode(std::uint8_t mode) {
  {
    std::lock_guard lock(core_->mutex);
    auto& s = core_->firmware.State();
    s.settings[s.ActiveProfile() * factory::kSettingsSlotSize + factory::record::kMode] = mode;
  }
  Announce(kUsageSettingsChanged);
}

void SimulatedDevice::UserButtonEvent() {
  if (core_->kind == device::DeviceKind::kMouse) Announce(kUsageMouseEvent);
}

void SimulatedDevice::Announce(std::uint16_t usage) {
  if (IsPlugged()) core_->Announce(usage);
}

void SimulatedDevice::InjectFault(const Fault& fault) {
  std::lock_guard lock(core_->mutex);
  core_->faults.push_back({fault, core_->log.size() + fault.after});
}

void SimulatedDevice::SetReplyDelay(std::chrono::milliseconds delay) {
  std::lock_guard lock(core_->mutex);
  core_->delay = delay;
}

void SimulatedDevice::SetConsumerChatter(bool on) {
  std::lock_guard lock(core_->mutex);
  core_->chatter = on;
}

void SimulatedDevice::ClearFaults() {
  std::lock_guard lock(core_->mutex);
  core_->faults.clear();
  core_->delay = std::chrono::milliseconds(0);
}

std::vector<device::ReportFrame> SimulatedDevice::Requests() const {
  std::lock_guard lock(core_->mutex);
  return core_->log;
}

std::vector<device::Command> SimulatedDevice::Commands() const {
  std::lock_guard lock(core_->mutex);
  std::vector<device::Command> out;
  out.reserve(core_->log.size());
  for (const auto& r : core_->log) out.push_back(r.CommandCode());
  return out;
}

std::size_t SimulatedDevice::RequestCount() const {
  std::lock_guard lock(core_->mutex);
  return core_->log.size();
}

void SimulatedDevice::ClearRequests() {
  std::lock_guard lock(core_->mutex);
  // Armed faults count from positions in the log; keep them pointing at the same requests.
  for (auto& a : core_->faults) a.first -= std::min(a.first, core_->log.size());
  core_->log.clear();
}

FirmwareState SimulatedDevice::Snapshot() const {
  std::lock_guard lock(core_->mutex);
  return core_->firmware.State();
}

void SimulatedDevice::SetLedCount(std::uint8_t count) {
  std::lock_guard lock(core_->mutex);
  core_->firmware.SetLedCount(count);
}

void SimulatedDevice::SetActiveProfile(std::uint8_t profile) {
  std::lock_guard lock(core_->mutex);
  core_->firmware.SetActiveProfile(profile);
}

SimulatedDevices::SimulatedDevices(DeviceBus& bus)
    : keyboard(bus, device::DeviceKind::kKeyboard, kKeyboardConfig, kKeyboardConsumer),
      mouse(bus, device::DeviceKind::kMouse, kMouseConfig, kMouseConsumer),
      mousePad(bus, device::DeviceKind::kMousePad, kMousePadConfig, "") {}

void SimulatedDevices::PlugAll() {
  keyboard.Plug();
  mouse.Plug();
  mousePad.Plug();
}

SimulatedDevice& SimulatedDevices::Of(device::DeviceKind kind) {
  switch (kind) {
    case device::DeviceKind::kKeyboard: return keyboard;
    case device::DeviceKind::kMouse: return mouse;
    case device::DeviceKind::kMousePad: break;
  }
  return mousePad;
}

}  // namespace tavrinex::sim
