// tavrinexctl keys kb|ms [--page P] [--simulate] [--folder DIR]
#include <charconv>
#include <cstdio>
#include <optional>
#include <string>

#include "device/device_channel.h"
#include "device/device_ids.h"
#include "device/device_image.h"
#include "device/device_sync.h"
#include "keys/key_code_tables.h"
#include "keys/key_image.h"
#include "keys/macro_library.h"
#include "tools/ctl_device.h"
#include "tools/ctl_keys.h"

namespace tavrinex::tools {
namespace {

using device::DeviceKind;

constexpr const char* kUsage =
    "usage: tavrinexctl keys kb|ms [--page P] [--simulate] [--folder DIR]\n"
    "       tavrinexctl keys set kb|ms SLOT FUNCTION [--page P] [--simulate]\n"
    "  synchronises the device (or its simulation) and prints the key slots of page P\n"
    "  (default: the active profile's) with the keyboard position of each slot and the name\n"
    "  of its function; macro keys are named from the macro library in DIR (default: the\n"
    "  device folder of the settings folder)\n";

struct Options {
  DeviceKind kind = DeviceKind::kKeyboard;
  std::optional<std::size_t> page;
  bool simulate = false;
  std::optional<std::filesystem::path> folder;
};

std::string NameOf(keys::KeyFunction f, const keys::MacroNames& macros) {
  const auto name = keys::FunctionNameId(f, &macros);
  if (!name) return "-";
  switch (name->source) {
    case keys::FunctionName::Source::kMacroName: return "macro \"" + std::string(name->text) + "\"";
    case keys::FunctionName::Source::kLiteral:
    case keys::FunctionName::Source::kLanguageId: break;
  }
  return std::string(name->text);
}

void PrintSlots(const Options& o, const device::DeviceImage& image,
                const keys::KeyPositionMap& positions, std::size_t page) {
  const keys::MacroNameList macros(
      keys::MacroLibrary(o.folder.value_or(DefaultDeviceFolder(o.kind)), o.kind).LoadMacroIndex());
  const std::size_t slots = image.Read(o.kind, [&](const device::DeviceBlocks& b) {
    return keys::SlotCount(o.kind, b);
  });
  std::printf("%s key slots, page %zu (active %zu); * differs from the factory default\n",
              std::string(device::KindPrefix(o.kind)).c_str(), page,
              keys::ActivePage(image, o.kind).value_or(0));
  if (o.kind == DeviceKind::kKeyboard && page != 0) {
    std::printf("(only page 0 is read from the keyboard; this page is what the host holds)\n");
  }
  std::printf("slot  %-10s function   name\n", o.kind == DeviceKind::kKeyboard ? "position" : "button");
  for (std::size_t s = 0; s < slots; ++s) {
    const keys::KeyFunction f = keys::GetSlot(image, o.kind, page, s).value_or(keys::KeyFunction{});
    const bool changed = !keys::IsFactoryDefault(image, o.kind, page, s);
    std::string where = "-";
    if (o.kind == DeviceKind::kMouse) {
      where = "ms_key_" + std::to_string(s);
    } else if (const auto n = positions.PositionOfSlot(s)) {
      where = "kb_key_" + std::to_string(*n);
    }
    std::printf("%4zu  %-10s %02X %02X %02X%c %s\n", s, where.c_str(), f.kind, f.param1, f.param2,
                changed ? '*' : ' ', NameOf(f, macros).c_str());
  }
}

int Run(device::HidBackend& backend, const Options& o) {
  device::DeviceChannel channel(backend);
  if (!OpenConfigInterface(channel, o.kind)) {
    std::fprintf(stderr, "tavrinexctl keys: no %s configuration interface found\n",
                 std::string(device::KindPrefix(o.kind)).c_str());
    return 1;
  }
  device::DeviceImage image;
  keys::KeyPositionMap positions;
  device::SyncHooks hooks;
  keys::ConnectKeyPositionMap(hooks, image, positions);
  hooks.showMessage = [](std::string_view id) {
    std::fprintf(stderr, "tavrinexctl keys: %.*s: the keyboard reports more keys than a page holds\n",
                 static_cast<int>(id.size()), id.data());
  };
  const auto result = device::DeviceSync(o.kind, channel, image, hooks);
  if (result.outcome == device::SyncOutcome::kLedCountTooLarge) return 1;
  if (result.failedCommands > 0) {
    std::fprintf(stderr, "tavrinexctl keys: %d command(s) failed, first result %d\n",
                 result.failedCommands, result.firstFailure);
  }
  PrintSlots(o, image, positions, o.page.value_or(keys::ActivePage(image, o.kind).value_or(0)));
  return result.failedCommands > 0 ? 1 : 0;
}

int UsageError(std::string_view what) {
  std::fprintf(stderr, "tavrinexctl keys: %.*s\n%s", static_cast<int>(what.size()), what.data(),
               kUsage);
  return 2;
}

}  // namespace

int KeysCommand(const std::vector<std::string_view>& args) {
  if (!args.empty() && args[0] == "set") return KeysSetCommand({args.begin() + 1, args.end()});
  Options o;
  bool haveKind = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if ((arg == "--page" || arg == "--folder") && i + 1 == args.size()) {
      return UsageError(std::string(arg) + " needs a value");
    }
    if (arg == "--simulate") {
      o.simulate = true;
    } else if (arg == "--folder") {
      o.folder = std::filesystem::path(std::string(args[++i]));
    } else if (arg == "--page") {
      const std::string_view p = args[++i];
      std::size_t page = 0;
      const auto [end, error] = std::from_chars(p.data(), p.data() + p.size(), page);
      if (p.empty() || error != std::errc() || end != p.data() + p.size() ||
          page >= device::kProfileCount) {
        return UsageError("the page is 0 to 4");
      }
      o.page = page;
    } else if (!haveKind && (arg == "kb" || arg == "ms")) {
      o.kind = arg == "kb" ? DeviceKind::kKeyboard : DeviceKind::kMouse;
      haveKind = true;
    } else {
      return UsageError("unexpected '" + std::string(arg) + "'");
    }
  }
  if (!haveKind) return UsageError("which device: kb or ms");
  return OnDevices(o.simulate, [&o](device::HidBackend& backend) { return Run(backend, o); });
}

}  // namespace tavrinex::tools
