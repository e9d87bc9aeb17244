#include "tools/info_command.h"

#include <cstdio>
#include <optional>
#include <string>

#include "device/device_channel.h"
#include "device/device_ids.h"
#include "device/device_image.h"
#include "device/device_sync.h"
#include "device/hid_path_list.h"
#include "sim/factory_defaults.h"
#include "tools/ctl_device.h"

namespace tavrinex::tools {

namespace {

using device::DeviceBlocks;
using device::DeviceKind;
namespace info = sim::factory::info;
namespace record = sim::factory::record;

constexpr const char* kInfoUsage = "usage: tavrinexctl info kb|ms|mp [--simulate]\n";

void PrintBytes(const char* label, std::span<const std::uint8_t> bytes) {
  std::printf("%s", label);
  for (const auto b : bytes) std::printf(" %02X", b);
  std::printf("\n");
}

void PrintInfo(DeviceKind kind, const DeviceBlocks& b) {
  PrintBytes("info block:", b.info);
  const unsigned macroBytes = 128u * b.info[info::kMacroUnits];
  if (kind == DeviceKind::kKeyboard) {
    std::printf("  LED count (key slots) %u, macro area %u bytes\n", b.info[info::kLedCount], macroBytes);
  } else if (kind == DeviceKind::kMouse) {
    const unsigned step = b.info[info::kDpiStep];
    const unsigned max = b.info[info::kDpiMaxIndex];
    std::printf("  macro area %u bytes, DPI step %u, largest step index %u (100 .. %u DPI)\n",
                macroBytes, step, max, 100 + step * max);
  }
}

void PrintRecord(DeviceKind kind, const DeviceBlocks& b) {
  const auto& r = b.current;
  std::printf("active profile: %u\n", r[record::kProfileIndex]);
  std::printf("current record:\n");
  std::printf("  profileIndex  %u\n  mode          %u\n  brightness    %u\n  speed         %u\n",
              r[record::kProfileIndex], r[record::kMode], r[record::kBrightness], r[record::kSpeed]);
  std::printf("  direction     %u (%s)\n  multiColour   %u\n  colour        %02X %02X %02X\n",
              r[record::kDirection], r[record::kDirection] != 0 ? "FXL" : "FXR",
              r[record::kMultiColour], r[record::kRed], r[record::kGreen], r[record::kBlue]);
  std::printf("  breathCycle   %u\n", r[record::kBreathCycle]);
  if (kind != DeviceKind::kMouse) {
    PrintBytes("  bytes 10-20  ", std::span(r).subspan(10));
    return;
  }
  const unsigned step = b.info[info::kDpiStep];
  std::printf("  byte 10       %02X\n  dpiColour     %02X %02X %02X\n  reportRate    %u\n",
              r[10], r[record::kDpiRed], r[record::kDpiRed + 1], r[record::kDpiRed + 2],
              r[record::kReportRate]);
  for (unsigned n = 0; n < 4; ++n) {
    const unsigned i = r[record::kDpi1 + n];
    std::printf("  dpi%u          %u (%u DPI)\n", n + 1, i, 100 + i * step);
  }
  std::printf("  activeDpiLevel %u\n  sensorHeight  %u\n", r[record::kActiveDpiLevel],
              r[record::kSensorHeight]);
}

void PrintKeys(DeviceKind kind, const DeviceBlocks& b, std::size_t page) {
  const auto& keys = b.keyPages[page];
  const auto& defaults = b.defaultKeys;
  if (kind == DeviceKind::kMouse) {
    static constexpr const char* kButtons[] = {"left", "wheel", "right", "forward", "back", "DPI"};
    std::printf("button slots, page %zu (factory default in brackets):\n", page);
    for (std::size_t s = 0; s < 6; ++s) {
      std::printf("  %-8s %02X %02X %02X  [%02X %02X %02X]\n", kButtons[s], keys[3 * s],
                  keys[3 * s + 1], keys[3 * s + 2], defaults[3 * s], defaults[3 * s + 1],
                  defaults[3 * s + 2]);
    }
    return;
  }
  const std::size_t count = b.info[info::kLedCount];
  std::printf("key slots, page %zu (* differs from the factory default):\n", page);
  for (std::size_t s = 0; s < count && 3 * s + 2 < keys.size(); ++s) {
    const bool changed = !std::equal(keys.begin() + static_cast<std::ptrdiff_t>(3 * s),
                                     keys.begin() + static_cast<std::ptrdiff_t>(3 * s + 3),
                                     defaults.begin() + static_cast<std::ptrdiff_t>(3 * s));
    std::printf("  %3zu: %02X %02X %02X%c", s, keys[3 * s],
                keys[3 * s + 1], keys[3 * s + 2], changed ? '*' : ' ');
    if (s % 6 == 5 || s + 1 == count) std::printf("\n");
  }
}

int Run(device::HidBackend& backend, DeviceKind kind) {
  device::DeviceChannel channel(backend);
  if (!OpenConfigInterface(channel, kind)) {
    std::fprintf(stderr, "tavrinexctl info: no %.*s configuration interface found\n",
                 static_cast<int>(device::KindPrefix(kind).size()), device::KindPrefix(kind).data());
    return 1;
  }
  device::DeviceImage image;
  device::SyncHooks hooks;
  hooks.showMessage = [](std::string_view id) {
    std::fprintf(stderr, "tavrinexctl info: %.*s: the keyboard reports more LEDs than its key blocks hold\n",
                 static_cast<int>(id.size()), id.data());
  };
  std::printf("%s at %s\n", std::string(device::KindPrefix(kind)).c_str(), channel.hid.path.c_str());
  const auto result = device::DeviceSync(kind, channel, image, hooks);
  if (result.failedCommands > 0) {
    std::printf("synchronisation: %d command(s) failed, first result %d\n", result.failedCommands,
                result.firstFailure);
  }
  const DeviceBlocks b = image.Snapshot(kind);
  PrintInfo(kind, b);
  if (result.outcome == device::SyncOutcome::kLedCountTooLarge) return 1;
  PrintRecord(kind, b);
  if (kind != DeviceKind::kMousePad) {
    // The keyboard's page 0 is the only one read; the mouse's active page is the one in use.
    PrintKeys(kind, b, kind == DeviceKind::kMouse ? device::ProfileIndexOf(b.current).value_or(0) : 0);
  }
  return result.failedCommands > 0 ? 1 : 0;
}

}  // namespace

int InfoCommand(const std::vector<std::string_view>& args) {
  std::optional<DeviceKind> kind;
  bool simulate = false;
  for (const auto arg : args) {
    const auto parsed = ParseKind(arg);
    if (arg == "--simulate") {
      simulate = true;
    } else if (parsed && !kind) {
      kind = parsed;
    } else {
      std::fprintf(stderr, "tavrinexctl info: unexpected '%.*s'\n%s", static_cast<int>(arg.size()),
                   arg.data(), kInfoUsage);
      return 2;
    }
  }
  if (!kind) {
    std::fputs(kInfoUsage, stderr);
    return 2;
  }
  return OnDevices(simulate, [kind](device::HidBackend& backend) { return Run(backend, *kind); });
}

}  // namespace tavrinex::tools
