// tavrinexctl macro-blob kb|ms [--folder DIR] [--capacity-units N]
#include <charconv>
#include <cstdio>
#include <optional>
#include <string>

#include "device/device_kind.h"
#include "keys/macro_blob.h"
#include "keys/macro_library.h"
#include "storage/settings_folder.h"
#include "tools/ctl_keys.h"

namespace tavrinex::tools {
namespace {

using device::DeviceKind;

constexpr const char* kUsage =
    "usage: tavrinexctl macro-blob kb|ms [--folder DIR] [--capacity-units N]\n"
    "  prints the macro area built from the library in DIR (default: the device folder of the\n"
    "  settings folder) as one line of lowercase hex; when it does not fit N x 128 bytes\n"
    "  (default N = 255, the largest area a device can report), prints the number of actions\n"
    "  to remove and exits with status 1\n";

std::optional<unsigned> ParseNumber(std::string_view s, unsigned max) {
  unsigned value = 0;
  const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (s.empty() || error != std::errc() || end != s.data() + s.size() || value > max) {
    return std::nullopt;
  }
  return value;
}

int UsageError(std::string_view what) {
  std::fprintf(stderr, "tavrinexctl macro-blob: %.*s\n%s", static_cast<int>(what.size()),
               what.data(), kUsage);
  return 2;
}

}  // namespace

std::filesystem::path DefaultDeviceFolder(DeviceKind kind) {
  // Looked up, never created: a missing folder is an empty library.
  return profiles::DocumentsFolder() / std::string(profiles::kSettingsFolderName) /
         std::string(device::KindPrefix(kind));
}

int MacroBlobCommand(const std::vector<std::string_view>& args) {
  std::optional<DeviceKind> kind;
  std::optional<std::filesystem::path> folder;
  unsigned units = 255;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if ((arg == "--folder" || arg == "--capacity-units") && i + 1 == args.size()) {
      return UsageError(std::string(arg) + " needs a value");
    }
    if (arg == "--folder") {
      folder = std::filesystem::path(std::string(args[++i]));
    } else if (arg == "--capacity-units") {
      const auto n = ParseNumber(args[++i], 255);
      if (!n) return UsageError("the capacity is a number of 128-byte units, 0 to 255");
      units = *n;
    } else if (!kind && (arg == "kb" || arg == "ms")) {
      kind = arg == "kb" ? DeviceKind::kKeyboard : DeviceKind::kMouse;
    } else {
      return UsageError("unexpected '" + std::string(arg) + "'");
    }
  }
  if (!kind) return UsageError("which library: kb or ms");

  const keys::MacroLibrary library(folder.value_or(DefaultDeviceFolder(*kind)), *kind);
  const auto macros = keys::ReadLibraryActions(library);
  if (macros.empty()) {
    std::fprintf(stderr, "tavrinexctl macro-blob: no macros in %s: nothing would be sent\n",
                 library.Folder().c_str());
    std::printf("\n");
    return 0;
  }
  const auto capacity =
      keys::CheckMacroCapacity(keys::MacroBlobLength(macros), static_cast<std::uint8_t>(units));
  const auto blob = capacity.fits ? keys::EncodeMacroBlob(macros) : std::nullopt;
  if (!blob) {
    std::fprintf(stderr,
                 "tavrinexctl macro-blob: %zu bytes do not fit %zu; remove this many actions:\n",
                 capacity.length, capacity.capacity);
    std::printf("%zu\n", capacity.actionsToRemove);
    return 1;
  }
  std::string hex;
  hex.reserve(2 * blob->size());
  for (const std::uint8_t b : *blob) {
    static constexpr char kDigits[] = "0123456789abcdef";
    hex += kDigits[b >> 4];
    hex += kDigits[b & 0x0F];
  }
  std::printf("%s\n", hex.c_str());
  return 0;
}

}  // namespace tavrinex::tools
