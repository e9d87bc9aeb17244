// One value of a KDE configuration file (kdeglobals, kcminputrc) set in place: the rest of the
// file, its comments and its other groups stay as they are.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace tavrinex::platform {

// The file's text with `key` of `group` ("KDE", or "Libinput][1133][16500" for nested groups)
// set to `value`; the group and the key are added when missing.
[[nodiscard]] std::string WithKdeConfigValue(std::string_view text, std::string_view group,
                                             std::string_view key, std::string_view value);

// Reads, changes and replaces the file crash-safely (creating it and its folder when missing).
[[nodiscard]] bool SetKdeConfigValue(const std::filesystem::path& file, std::string_view group,
                                     std::string_view key, std::string_view value);

}  // namespace tavrinex::platform
