// The profile catalogue of a device ("kbProfile.ini", "msProfile.ini", "mpProfile.ini" in its
// device folder), which lists the device's light profiles and, on the keyboard and the mouse,
// its key profiles; and "main.ini" in the settings folder, which remembers the background.
//
// Each accessor is one read or one write through the INI service and asks for the folder again,
// so threads may interleave their accesses as they please.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/device_kind.h"

namespace tavrinex::profiles {

enum class ProfileListKind : std::uint8_t { kLight = 0, kKey = 1 };

// The five sections of one list in a catalogue.
struct CatalogueSections {
  std::string_view count;     // key "count": number of entries
  std::string_view name;      // key = entry index: the entry's name, base name of its file
  std::string_view linkFlag;  // key = entry index: "1" linked to a program, "0" not
  std::string_view program;   // key = entry index: full path of the linked program
  std::string_view select;    // key "select": index of the entry in use
};

inline constexpr CatalogueSections kLightListSections{
    "PROFILEDENGCOUNT", "PROFILEDENGNAME", "PROFILELIKEDENGEXE", "DENGPROCESS",
    "PROFILEDENGSELECT"};
inline constexpr CatalogueSections kKeyListSections{
    "PROFILECOUNT", "PROFILENAME", "PROFILELIKEEXE", "PROCESS", "PROFILESELECT"};
inline constexpr std::string_view kCountKey = "count";
inline constexpr std::string_view kSelectKey = "select";

// Indexed by DeviceKind.
inline constexpr std::array<std::string_view, device::kDeviceKindCount> kCatalogueFileNames = {
    "kbProfile.ini", "msProfile.ini", "mpProfile.ini"};
static_assert(kCatalogueFileNames.size() == device::kAllDeviceKinds.size());

// The name of the first profile that a new catalogue gets.
inline constexpr std::string_view kFirstProfileName = "新配置文件1";

// A damaged count must not make the program add entries until memory runs out.
inline constexpr int kMaxListEntries = 4096;

[[nodiscard]] constexpr const CatalogueSections& SectionsOf(ProfileListKind list) {
  return list == ProfileListKind::kLight ? kLightListSections : kKeyListSections;
}

// The mouse pad has no key list.
[[nodiscard]] constexpr bool HasList(device::DeviceKind kind, ProfileListKind list) {
  return list == ProfileListKind::kLight || kind != device::DeviceKind::kMousePad;
}

[[nodiscard]] constexpr std::string_view CatalogueFileName(device::DeviceKind kind) {
  return kCatalogueFileNames[device::IndexOf(kind)];
}

// GetDeviceFolder(kind) + the catalogue's file name.
[[nodiscard]] std::string CataloguePath(device::DeviceKind kind);

// What a list reads as at window start.
struct ProfileListContents {
  int count = 0;                   // as read: 0 asks for the first-run creation, < 0 is empty
  std::vector<std::string> names;  // entries 0 .. count-1 (at most kMaxListEntries)
};

class ProfileCatalogue {
 public:
  // The device's own catalogue, looked up again on every access.
  explicit ProfileCatalogue(device::DeviceKind kind) : kind_(kind) {}
  // A catalogue at a fixed path.
  explicit ProfileCatalogue(std::filesystem::path file) : file_(std::move(file)) {}

  [[nodiscard]] std::filesystem::path Path() const;

  [[nodiscard]] int Count(ProfileListKind list) const;
  bool SetCount(ProfileListKind list, int count) const;
  [[nodiscard]] std::string Name(ProfileListKind list, int index) const;
  bool SetName(ProfileListKind list, int index, std::string_view name) const;
  // The flag as a number: callers differ in whether they test for 1 or for not 0.
  [[nodiscard]] int LinkFlag(ProfileListKind list, int index) const;
  bool SetLinkFlag(ProfileListKind list, int index, bool linked) const;
  [[nodiscard]] std::string Program(ProfileListKind list, int index) const;
  bool SetProgram(ProfileListKind list, int index, std::string_view program) const;
  [[nodiscard]] int Select(ProfileListKind list) const;
  bool SetSelect(ProfileListKind list, int index) const;

  // "count" and the names of entries 0 .. count-1, from one reading of the file.
  [[nodiscard]] ProfileListContents ReadList(ProfileListKind list) const;

 private:
  device::DeviceKind kind_ = device::DeviceKind::kKeyboard;
  std::optional<std::filesystem::path> file_;
};

// "main.ini": section "SKINIMAGE", keys "FLAGS" and "IMAGE".
inline constexpr std::string_view kMainIniFileName = "main.ini";
inline constexpr std::string_view kSkinImageSection = "SKINIMAGE";
inline constexpr std::string_view kSkinFlagsKey = "FLAGS";
inline constexpr std::string_view kSkinImageKey = "IMAGE";

// GetSettingsFolder() + "main.ini".
[[nodiscard]] std::string MainIniPath();

// The remembered background image, only when "FLAGS" reads exactly 1.
[[nodiscard]] std::optional<std::string> SavedBackgroundImage();

// "FLAGS" := "1", "IMAGE" := image.
bool SaveBackgroundImage(std::string_view image);

}  // namespace tavrinex::profiles
