// tavrinexctl keys set kb|ms SLOT FUNCTION [--page P] [--simulate]
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <optional>
#include <string>

#include "device/device_channel.h"
#include "device/device_image.h"
#include "device/device_sync.h"
#include "keys/key_code_tables.h"
#include "keys/key_image.h"
#include "storage/ignore_case.h"
#include "tools/ctl_device.h"
#include "tools/ctl_keys.h"

namespace tavrinex::tools {
namespace {

using device::DeviceKind;

constexpr const char* kUsage =
    "usage: tavrinexctl keys set kb|ms SLOT FUNCTION [--page P] [--simulate]\n"
    "  writes one key slot into a key page of the device (default: the active profile's)\n"
    "  FUNCTION: kind,param1,param2 in hex (\"14,09,00\"), or a name of the key tables\n"
    "  (\"A\", \"Num Enter\", \"keyboard_key_F5\", \"mouse_key_back\", \"media_play\")\n";

struct Options {
  DeviceKind kind = DeviceKind::kKeyboard;
  std::size_t slot = 0;
  keys::KeyFunction function;
  std::optional<std::size_t> page;
  bool simulate = false;
};

std::optional<std::uint8_t> HexByte(std::string_view text) {
  if (text.starts_with("0x") || text.starts_with("0X")) text.remove_prefix(2);
  unsigned value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
  if (text.empty() || text.size() > 2 || error != std::errc() || end != text.data() + text.size()) {
    return std::nullopt;
  }
  return static_cast<std::uint8_t>(value);
}

template <std::size_t N>
std::optional<keys::KeyFunction> ByName(const keys::KeyCodeTable<N>& table, std::string_view name) {
  for (std::size_t i = 0; i < N; ++i) {
    const std::string_view id = table.names[i];
    if (id.empty()) continue;
    if (profiles::EqualsIgnoringCase(id, name) ||
        (id.starts_with("keyboard_key_") && profiles::EqualsIgnoringCase(id.substr(13), name))) {
      return table.rows[i].function;
    }
  }
  return std::nullopt;
}

}  // namespace

// "K,P1,P2" in hex, or the first row of the key tables with that name.
std::optional<keys::KeyFunction> ParseKeyFunction(std::string_view text) {
  const auto comma = text.find(',');
  if (comma != std::string_view::npos) {
    const auto second = text.find(',', comma + 1);
    if (second == std::string_view::npos) return std::nullopt;
    const auto kind = HexByte(text.substr(0, comma));
    const auto p1 = HexByte(text.substr(comma + 1, second - comma - 1));
    const auto p2 = HexByte(text.substr(second + 1));
    if (!kind || !p1 || !p2) return std::nullopt;
    return keys::KeyFunction{*kind, *p1, *p2};
  }
  if (auto f = ByName(keys::kKeyboardKeyTable, text)) return f;
  if (auto f = ByName(keys::kMouseButtonTable, text)) return f;
  if (auto f = ByName(keys::kDpiKeyTable, text)) return f;
  if (auto f = ByName(keys::kMediaKeyTable, text)) return f;
  return ByName(keys::kSystemKeyTable, text);
}

namespace {

std::string Bytes(keys::KeyFunction f) {
  char text[16];
  std::snprintf(text, sizeof text, "%02X %02X %02X", f.kind, f.param1, f.param2);
  return text;
}

std::string NameOf(keys::KeyFunction f) {
  const auto name = keys::FunctionNameId(f);
  return name ? std::string(name->text) : std::string("-");
}

// Reads the page from the device, changes the one slot, writes the page and reads it back.
int Run(device::HidBackend& backend, const Options& o) {
  device::DeviceChannel channel(backend);
  if (!OpenConfigInterface(channel, o.kind)) {
    std::fprintf(stderr, "tavrinexctl keys set: no %s configuration interface found\n",
                 std::string(device::KindPrefix(o.kind)).c_str());
    return 1;
  }
  device::DeviceImage image;
  const auto sync = device::DeviceSync(o.kind, channel, image, {});
  if (sync.outcome != device::SyncOutcome::kCompleted || sync.failedCommands > 0) {
    std::fprintf(stderr, "tavrinexctl keys set: the device could not be read\n");
    return 1;
  }
  const std::size_t slots = image.Read(o.kind, [&](const device::DeviceBlocks& b) {
    return keys::SlotCount(o.kind, b);
  });
  if (o.slot >= slots) {
    std::fprintf(stderr, "tavrinexctl keys set: slot %zu: this device has slots 0 to %zu\n", o.slot,
                 slots - 1);
    return 2;
  }
  const std::size_t page = o.page.value_or(keys::ActivePage(image, o.kind).value_or(0));
  const std::size_t length = channel.blockLength;
  device::KeyPage bytes{};
  const auto span = std::span(bytes).first(length);
  bool ok = channel.Begin() == device::kResultOk;
  ok = ok && channel.ReadKeyPage(static_cast<unsigned>(page), span) == device::kResultOk;
  const keys::KeyFunction before{bytes[3 * o.slot], bytes[3 * o.slot + 1], bytes[3 * o.slot + 2]};
  bytes[3 * o.slot] = o.function.kind;
  bytes[3 * o.slot + 1] = o.function.param1;
  bytes[3 * o.slot + 2] = o.function.param2;
  ok = ok && channel.WriteKeyPage(static_cast<unsigned>(page), span) == device::kResultOk;
  device::KeyPage back{};
  ok = ok && channel.ReadKeyPage(static_cast<unsigned>(page), std::span(back).first(length)) ==
                 device::kResultOk;
  (void)channel.End();
  if (!ok || !std::equal(span.begin(), span.end(), back.begin())) {
    std::fprintf(stderr, "tavrinexctl keys set: the device did not take the page\n");
    return 1;
  }
  std::printf("%s slot %zu, page %zu: %s (%s) -> %s (%s)\n",
              std::string(device::KindPrefix(o.kind)).c_str(), o.slot, page, Bytes(before).c_str(),
              NameOf(before).c_str(), Bytes(o.function).c_str(), NameOf(o.function).c_str());
  return 0;
}

int UsageError(std::string_view what) {
  std::fprintf(stderr, "tavrinexctl keys set: %.*s\n%s", static_cast<int>(what.size()), what.data(),
               kUsage);
  return 2;
}

}  // namespace

int KeysSetCommand(const std::vector<std::string_view>& args) {
  Options o;
  std::vector<std::string_view> positional;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--simulate") {
      o.simulate = true;
    } else if (args[i] == "--page") {
      if (i + 1 == args.size()) return UsageError("--page needs a value");
      const std::string_view p = args[++i];
      std::size_t page = 0;
      const auto [end, error] = std::from_chars(p.data(), p.data() + p.size(), page);
      if (p.empty() || error != std::errc() || end != p.data() + p.size() || page >= device::kProfileCount) {
        return UsageError("the page is 0 to 4");
      }
      o.page = page;
    } else {
      positional.push_back(args[i]);
    }
  }
  if (positional.size() != 3) return UsageError("which device, slot and function");
  if (positional[0] != "kb" && positional[0] != "ms") return UsageError("the device is kb or ms");
  o.kind = positional[0] == "kb" ? DeviceKind::kKeyboard : DeviceKind::kMouse;
  const std::string_view s = positional[1];
  const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), o.slot);
  if (s.empty() || error != std::errc() || end != s.data() + s.size() || o.slot >= keys::kMaxKeyboardSlots) {
    return UsageError("the slot is a number below 170");
  }
  const auto function = ParseKeyFunction(positional[2]);
  if (!function) return UsageError("no function \"" + std::string(positional[2]) + "\"");
  o.function = *function;
  return OnDevices(o.simulate, [&o](device::HidBackend& backend) { return Run(backend, o); });
}

}  // namespace tavrinex::tools
