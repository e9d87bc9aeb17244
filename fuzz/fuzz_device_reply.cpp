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
#include <sys/socket.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "core/stop_event.h"
#include "device/device_channel.h"
#include "device/device_ids.h"
#include "device/device_image.h"
#include "device/device_sync.h"
#include "device/hid_device.h"
#include "device/input_watcher.h"
#include "keys/key_image.h"
#include "keys/macro_blob.h"
#include "keys/macro_capacity.h"
#include "lighting/lighting_store.h"
#include "profiles/profile_body.h"
#include "profiles/profile_catalogue.h"
#include "profiles/profile_file.h"
#include "reply_device.h"

namespace {

namespace device = tavrinex::device;
namespace profiles = tavrinex::profiles;
using device::DeviceBlocks;
using device::DeviceKind;
using tavrinex::fuzz::DeviceThread;
using tavrinex::fuzz::FuzzBackend;
using tavrinex::fuzz::Script;

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

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
