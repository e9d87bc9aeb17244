// A device that answers anything: the real transport (HidDevice over a socketpair), the
// command set and the synchronisation sequences run against replies cut from the input, and
// consumer-control reports from the input go through the input decoding the watchers use.
//
// Input layout (every read past the end yields nothing):
//   byte 0        the configuration node's descriptor: 0 configuration collection alone,
//                 1 consumer and configuration collections on one node, 2 configuration
//                 collection without report ids
//   then, per operation, one byte o: o % 5 = 0 DeviceSync, 1 RereadActiveSettings,
//                 2 SaveDefaultKeyFile, 3 one consumer-control report, 4 the active key page
//                 written back with its size from the info block, and the macro area measured;
//                 (o / 5) % 3 = device kind (keyboard, mouse, mouse pad; for a report: the
//                 keyboard's or the mouse's watcher)
//   a report:     one length byte (1 + b % 72 bytes), then the report, id first
//   while an operation runs, the device answers each request with the next reply script:
//                 r % 6 = 0 a right reply (header echoed, status 0) whose 56 data bytes are
//                 the next byte repeated; 1 the request's header, the next byte as status and
//                 the next 56 bytes as data; 2 raw bytes (1 + next % 80 of them): a report of
//                 another collection is skipped by the host and the next script follows for
//                 the same request; 3 unplug; 4 the host thread is asked to stop (no reply);
//                 5 a right reply with the next 56 bytes as data. The device unplugs when the
//                 input ends, so that every request is answered at once and no time-out runs.
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "core/stop_event.h"
#include "device/device_channel.h"
#include "device/device_ids.h"
#include "device/device_image.h"
#include "device/device_sync.h"
#include "device/fd_io.h"
#include "device/hid_backend.h"
#include "device/input_watcher.h"
#include "keys/key_image.h"
#include "keys/macro_blob.h"
#include "keys/macro_capacity.h"
#include "lighting/lighting_store.h"
#include "profiles/profile_body.h"
#include "profiles/profile_catalogue.h"
#include "profiles/profile_file.h"
#include "sim/descriptors.h"

namespace {

namespace device = tavrinex::device;
namespace profiles = tavrinex::profiles;
using device::DeviceBlocks;
using device::DeviceKind;
using device::ReportFrame;

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

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

constexpr std::array<std::uint8_t, 25> kConfigWithoutIds = [] {
  std::array<std::uint8_t, 25> out{};
  std::size_t at = 0;
  for (std::size_t i = 0; i < tavrinex::sim::kConfigDescriptor.size(); ++i) {
    if (i == 7 || i == 8) continue;  // the Report ID item
    out[at++] = tavrinex::sim::kConfigDescriptor[i];
  }
  return out;
}();

std::vector<std::uint8_t> ConfigDescriptor(std::uint8_t choice) {
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

// One fuzz input's devices: a channel per kind, opened on first use, and the program's state
// that a connect fills.
struct Run {
  explicit Run(std::span<const std::uint8_t> input)
      : script(input.subspan(1)), backend(input[0], script, stop) {
    tavrinex::keys::ConnectKeyPositionMap(hooks, image, positions);
    hooks.saveSelectedLightProfile = [this](DeviceKind kind) {
      ++lightSaves;
      const auto body = profiles::AssembleLightBody(state, kind);
      Check(body.size() == profiles::BodySizeOf(kind, profiles::ProfileListKind::kLight));
      return true;
    };
    hooks.saveSelectedKeyProfile = [this](DeviceKind kind) {
      ++keySaves;
      (void)profiles::AssembleKeyBody(image, kind);
      return true;
    };
    hooks.showMessage = [this](std::string_view id) { Check(id == device::kMessageLedCountTooLarge); ++messages; };
    hooks.writeProfileFile = [](const std::filesystem::path& path, std::uint16_t tag,
                                std::span<const std::uint8_t> body) {
      Check(path.filename() == device::kDefaultKeyFileName && tag == device::kKeyboardDeviceTag &&
            body.size() == device::kKeyBlockSize);
      return true;
    };
  }
  ~Run() {
    for (auto& c : channels) {
      if (c) c->hid.CloseDevice();
    }
    DeviceThread::Get().DetachAll();
  }

  device::DeviceChannel& Channel(DeviceKind kind) {
    auto& c = channels[static_cast<std::size_t>(kind)];
    if (!c) {
      c = std::make_unique<device::DeviceChannel>(backend);
      c->endDelay = std::chrono::milliseconds(0);
      c->hid.path = "config";
      c->hid.openForReading = c->hid.openForWriting = c->hid.overlapped = true;
      Check(c->hid.OpenDevice() && c->hid.SelectCollection(device::kConfigUsagePage, device::kConfigUsage));
      c->connected = true;
    }
    return *c;
  }

  Script script;
  tavrinex::core::StopEvent stop;
  FuzzBackend backend;
  device::DeviceImage image;
  tavrinex::lighting::LightingStore lighting;
  profiles::PointerSettings pointer;
  profiles::ProfileState state{image, lighting, pointer};
  tavrinex::keys::KeyPositionMap positions;
  device::SyncHooks hooks;
  int lightSaves = 0;
  int keySaves = 0;
  int messages = 0;
  std::array<std::unique_ptr<device::DeviceChannel>, device::kDeviceKindCount> channels;
  std::unique_ptr<device::HidDevice> consumer;
};

std::array<DeviceBlocks, device::kDeviceKindCount> Snapshots(const device::DeviceImage& image) {
  std::array<DeviceBlocks, device::kDeviceKindCount> out;
  for (const DeviceKind kind : device::kAllDeviceKinds) out[static_cast<std::size_t>(kind)] = image.Snapshot(kind);
  return out;
}

bool SameFrom(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b, std::size_t from) {
  const auto at = static_cast<std::ptrdiff_t>(from);
  return std::equal(a.begin() + at, a.end(), b.begin() + at);
}

// What a sequence may change: only its own kind's blocks, never the settings bytes past the
// 56 that travel, never key bytes past the block length, and the current record always names
// a profile that exists.
void CheckBlocks(const std::array<DeviceBlocks, device::kDeviceKindCount>& before,
                 const device::DeviceImage& image,
                 DeviceKind kind, std::size_t blockLength) {
  for (const DeviceKind other : device::kAllDeviceKinds) {
    const DeviceBlocks now = image.Snapshot(other);
    const DeviceBlocks& was = before[static_cast<std::size_t>(other)];
    Check(device::ProfileIndexOf(now.current).has_value());
    if (other != kind) {
      Check(std::memcmp(&now, &was, sizeof now) == 0);
      continue;
    }
    for (std::size_t p = 0; p < device::kProfileCount; ++p) {
      Check(SameFrom(now.settings[p], was.settings[p], device::kSettingsTransferSize));
    }
    const std::size_t keyBytes = kind == DeviceKind::kMousePad ? 0 : blockLength;
    Check(SameFrom(now.defaultKeys, was.defaultKeys, keyBytes));
    for (std::size_t p = 0; p < device::kProfileCount; ++p) {
      Check(SameFrom(now.keyPages[p], was.keyPages[p], keyBytes));
    }
  }
}

// A rebuild keeps the entries it finds no slot for, so an entry may name a slot of an earlier
// keyboard with more keys; never one past what a page holds.
void CheckPositions(const Run& run) {
  for (const std::uint8_t slot : run.positions.Entries()) {
    Check(slot == tavrinex::keys::kNoSlot || slot < tavrinex::keys::kMaxKeyboardSlots);
  }
}

enum class Operation : std::uint8_t { kSync, kReread, kDefaultKeys };

void Synchronise(Run& run, Operation op, DeviceKind kind) {
  if (op == Operation::kDefaultKeys) kind = DeviceKind::kKeyboard;
  device::DeviceChannel& channel = run.Channel(kind);
  const auto before = Snapshots(run.image);
  const int light = run.lightSaves;
  const int keys = run.keySaves;
  const int messages = run.messages;
  device::SyncResult r;
  {
    const tavrinex::core::StopScope scope(run.stop);
    switch (op) {
      case Operation::kSync: r = device::DeviceSync(kind, channel, run.image, run.hooks); break;
      case Operation::kReread: r = device::RereadActiveSettings(kind, channel, run.image, run.hooks); break;
      case Operation::kDefaultKeys:
        r = device::SaveDefaultKeyFile(channel, run.image, run.hooks, "/nonexistent");
        break;
    }
  }
  Check(channel.blockLength <= device::kKeyBlockSize);
  CheckBlocks(before, run.image, kind, channel.blockLength);
  CheckPositions(run);
  Check((r.failedCommands == 0) == (r.firstFailure == device::kResultOk));
  if (r.outcome == device::SyncOutcome::kStopped) Check(run.stop.IsSet());
  // Only what arrived in full is saved.
  if (run.lightSaves != light) Check(r.settingsRead && r.outcome == device::SyncOutcome::kCompleted);
  if (run.keySaves != keys) Check(r.keysRead && r.outcome == device::SyncOutcome::kCompleted);
  const bool tooMany = r.outcome == device::SyncOutcome::kLedCountTooLarge;
  Check(tooMany == (run.messages != messages));
  if (tooMany) {
    Check(3u * run.image.Info(DeviceKind::kKeyboard)[device::kInfoLedCount] > device::kKeyBlockSize);
  }
}

// A consumer-control report, read and decoded as the keyboard's or the mouse's watcher does;
// an announcement is handled as its window message is.
void Report(Run& run, DeviceKind watcher) {
  if (!run.consumer) {
    run.consumer = std::make_unique<device::HidDevice>(run.backend);
    run.consumer->path = "consumer";
    run.consumer->openForReading = run.consumer->overlapped = true;
    Check(run.consumer->OpenDevice() &&
          run.consumer->SelectCollection(device::kConsumerUsagePage, device::kConsumerUsage));
  }
  std::vector<std::uint8_t> bytes(1 + run.script.Byte().value_or(0) % 72u);
  run.script.Bytes(bytes);
  [[maybe_unused]] const long sent =
      ::send(run.backend.consumerEnd.Get(), bytes.data(), bytes.size(), MSG_NOSIGNAL);
  device::HidDevice& dev = *run.consumer;
  const std::span<std::uint8_t> report = dev.InputBuffer();
  std::size_t n = 0;
  if (!dev.ReadReport(report, std::chrono::milliseconds(0), n) || !dev.DecodeInputReport(report)) return;
  const auto items = dev.DataItems();
  if (items.empty() || !items[0].isButton || items[0].usagePage != device::kConsumerUsagePage ||
      items[0].reportId != report[0] || items[0].usages.empty()) {
    return;
  }
  for (const std::uint16_t usage : items[0].usages) {
    Check(usage == 0 || (usage >= items[0].usageLow && usage <= items[0].usageHigh));
  }
  const auto message = device::MessageForUsage(watcher, items[0].usages[0]);
  if (!message) return;
  for (const device::DeviceMessage& m : device::kDeviceMessages) {
    if (m.id == *message) Synchronise(run, m.full ? Operation::kSync : Operation::kReread, m.kind);
  }
}

// What the device's info block sizes when the host writes back: the key page (the keyboard's
// LED count) and the macro area (info byte 6) that a library of 40 actions must fit.
void WriteBack(Run& run, DeviceKind kind) {
  device::DeviceChannel& channel = run.Channel(kind);
  tavrinex::keys::PageWrite page;
  {
    const tavrinex::core::StopScope scope(run.stop);
    page = tavrinex::keys::WriteActivePage(kind, channel, run.image);
  }
  const device::DeviceBlocks b = run.image.Snapshot(kind);
  Check(page.bytes <= device::kKeyBlockSize && page.page < device::kProfileCount);
  if (page.sent && kind == DeviceKind::kKeyboard) {
    Check(page.bytes == 3u * b.info[device::kInfoLedCount]);
  }
  if (kind == DeviceKind::kMousePad) Check(!page.sent);

  const std::vector<tavrinex::keys::MacroActions> macros(4, tavrinex::keys::MacroActions(10));
  const std::uint8_t units = tavrinex::keys::MacroAreaUnits(run.image, kind);
  const auto use = tavrinex::keys::MeasureMacroArea(macros, units);
  Check(use.Fits() == (use.usedBytes <= use.capacityBytes));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  Run run({data, size});
  while (!run.stop.IsSet()) {
    const auto op = run.script.Byte();
    if (!op) break;
    const auto kind = static_cast<DeviceKind>((*op / 5) % 3);
    switch (*op % 5) {
      case 0: Synchronise(run, Operation::kSync, kind); break;
      case 1: Synchronise(run, Operation::kReread, kind); break;
      case 2: Synchronise(run, Operation::kDefaultKeys, kind); break;
      case 3: Report(run, kind == DeviceKind::kMouse ? DeviceKind::kMouse : DeviceKind::kKeyboard); break;
      default: WriteBack(run, kind); break;
    }
  }
  return 0;
}
