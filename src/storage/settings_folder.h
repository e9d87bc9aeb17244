// Where the program keeps everything between runs: the settings folder "Zepha QX19" in the
// user's documents folder, with one subfolder per device kind ("kb", "ms", "mp").
//
// The documents folder is, in this order: $TAVRINEX_DOCUMENTS_DIR (tests, portable use),
// $XDG_DOCUMENTS_DIR, XDG_DOCUMENTS_DIR in $XDG_CONFIG_HOME/user-dirs.dirs (default
// ~/.config/user-dirs.dirs), ~/Documents. Nothing is cached: every call looks again, and the
// call that first needs a folder creates it.
//
// File names are looked up without regard to case, as on Windows, where "KbMacro.ini" and
// "kbMacro.ini" are one file.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "device/device_kind.h"

namespace tavrinex::profiles {

inline constexpr char kDocumentsOverrideVariable[] = "TAVRINEX_DOCUMENTS_DIR";
inline constexpr std::string_view kSettingsFolderName = "Zepha QX19";

// Without a trailing separator; neither created nor checked.
[[nodiscard]] std::filesystem::path DocumentsFolder();

// The settings folder, ending with "/"; it exists afterwards unless it could not be created.
// A missing documents folder is created with it.
[[nodiscard]] std::string GetSettingsFolder();

// GetSettingsFolder() + "kb", "ms" or "mp" + "/"; created like the settings folder.
[[nodiscard]] std::string GetDeviceFolder(device::DeviceKind kind);

// The entry of `folder` whose name equals `name` without regard to case: the exact spelling
// when it exists, else the first such name in sorted order; nothing when there is none.
[[nodiscard]] std::optional<std::filesystem::path> FindIgnoringCase(
    const std::filesystem::path& folder, std::string_view name);

// The path with its last component replaced by the spelling found on disk, or unchanged when
// no spelling exists (so a new file gets the name asked for).
[[nodiscard]] std::filesystem::path ResolveIgnoringCase(const std::filesystem::path& file);

}  // namespace tavrinex::profiles
