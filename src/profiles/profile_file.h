// Profile files: a 16-byte header (magic AA 55, device tag) followed by a fixed-size body.
// Key profiles are name + ".pro", light profiles name + ".led", in the device folder; the same
// format carries the shipped default profile files.
//
// Files are found without regard to the case of the name and of the extension, as on Windows,
// where the key profile load asks for ".PRO" and every writer creates ".pro".
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "device/device_kind.h"
#include "profiles/profile_catalogue.h"

namespace tavrinex::profiles {

inline constexpr std::size_t kProfileHeaderSize = 16;
inline constexpr std::uint16_t kProfileMagic = 0x55AA;  // bytes AA 55
inline constexpr std::size_t kDeviceTagOffset = 4;

inline constexpr std::size_t kKeyProfileBodySize = 512;
inline constexpr std::size_t kKbLightBodySize = 1958;
inline constexpr std::size_t kSlotLightBodySize = 64;
inline constexpr std::size_t kMaxProfileBodySize = kKbLightBodySize;

inline constexpr std::string_view kKeyProfileExtension = ".pro";
inline constexpr std::string_view kLightProfileExtension = ".led";
// The key profile load asks for this spelling; the look-up ignores case, so ".pro" matches.
inline constexpr std::string_view kKeyProfileLoadExtension = ".PRO";

// 1 keyboard, 2 mouse, 3 mouse pad.
[[nodiscard]] constexpr std::uint16_t DeviceTagOf(device::DeviceKind kind) {
  return static_cast<std::uint16_t>(device::IndexOf(kind) + 1);
}

[[nodiscard]] constexpr std::size_t BodySizeOf(device::DeviceKind kind, ProfileListKind list) {
  if (list == ProfileListKind::kKey) return kKeyProfileBodySize;
  return kind == device::DeviceKind::kKeyboard ? kKbLightBodySize : kSlotLightBodySize;
}

[[nodiscard]] constexpr std::string_view ExtensionOf(ProfileListKind list) {
  return list == ProfileListKind::kKey ? kKeyProfileExtension : kLightProfileExtension;
}

// "kbkeydefault.pro", "kbdengdefault.led", "mskeydefault.pro", "msdengdefault.led",
// "mpdengdefault.led"; empty for the mouse pad's key list, which does not exist.
[[nodiscard]] constexpr std::string_view DefaultProfileFileName(device::DeviceKind kind,
                                                                ProfileListKind list) {
  constexpr std::array<std::array<std::string_view, 2>, device::kDeviceKindCount> kNames = {{
      {"kbdengdefault.led", "kbkeydefault.pro"},
      {"msdengdefault.led", "mskeydefault.pro"},
      {"mpdengdefault.led", ""},
  }};
  return kNames[device::IndexOf(kind)][static_cast<std::size_t>(list)];
}

static_assert(BodySizeOf(device::DeviceKind::kMouse, ProfileListKind::kLight) == 64);
static_assert(DeviceTagOf(device::DeviceKind::kMousePad) == 3);
static_assert(DefaultProfileFileName(device::DeviceKind::kKeyboard, ProfileListKind::kKey) ==
              "kbkeydefault.pro");

// The result codes callers turn into messages: 1 "message_text_8" (or "配置文件丢失"),
// -1 "message_text_9" (or "配置文件格式错误").
enum class ProfileReadResult : int { kRead = 0, kMissing = 1, kNotProfile = -1 };

// Reads the body of the profile file at `path` (name looked up ignoring case) into
// `destination`, whose size is the body size. kMissing: nothing of that name, not a regular
// file, or it cannot be opened or read; kNotProfile: the first two bytes are not AA 55. In both
// cases `destination` is untouched. A shorter body fills the front of `destination` and leaves
// the rest as the caller set it; bytes beyond its size are never read.
[[nodiscard]] ProfileReadResult ReadProfileFile(const std::filesystem::path& path,
                                                std::span<std::uint8_t> destination);

// The whole file: header with the device tag and zeros, then the body. The file is replaced
// atomically (an existing spelling of the name in another case is the file replaced), so a
// failed or interrupted write leaves the old file as it was. A failure writes the diagnostic
// "文件打开失败", is reported to the user (ReportSaveFailure) and returns false.
bool WriteProfileFile(const std::filesystem::path& path, std::uint16_t deviceTag,
                      std::span<const std::uint8_t> body);

// The bytes WriteProfileFile writes.
[[nodiscard]] std::array<std::uint8_t, kProfileHeaderSize> MakeProfileHeader(std::uint16_t deviceTag);

// A profile name that can become a file in its device folder and read back from the catalogue
// unchanged: not empty, not "." or "..", no "/" or "\", no control characters, short enough for
// a file name with its extension and for the catalogue's read buffer.
[[nodiscard]] bool IsValidProfileName(std::string_view name);

// Where the keyboard's default key file read from the device is saved: the folder "defaults" in
// the keyboard's device folder, created when asked for. Not beside the executable, which an
// installation cannot write, and not the device folder itself, where a key profile named
// "kbkeydefault" would be the same file.
inline constexpr std::string_view kSavedDefaultsFolderName = "defaults";
[[nodiscard]] std::filesystem::path SavedDefaultsFolder();

// Where the default profile files are looked for, in this order: the saved defaults folder
// (SavedDefaultsFolder, when given), beside the executable, its defaults/ folder (the build
// tree), and the installed data folder's defaults/.
[[nodiscard]] std::vector<std::filesystem::path> DefaultProfileFolders(
    const std::filesystem::path& savedFolder, const std::filesystem::path& executableFolder,
    const std::filesystem::path& dataFolder);

// The first folder holding the default file `name` (in any case); the first folder + name when
// none does, so that reading it reports the file missing.
[[nodiscard]] std::filesystem::path FindDefaultProfileFile(
    std::span<const std::filesystem::path> folders, std::string_view name);

// GetDeviceFolder(kind) + name + extension of the list.
[[nodiscard]] std::filesystem::path ProfileFilePath(device::DeviceKind kind, ProfileListKind list,
                                                    std::string_view name);

}  // namespace tavrinex::profiles
