// "Start with the session": an XDG autostart entry for the program. Desktops start every entry
// of ~/.config/autostart at login; the program then starts hidden in the tray, as it always
// does when a tray is there.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace tavrinex::platform {

inline constexpr std::string_view kApplicationId = "com.tavrinex.Driver";

// $XDG_CONFIG_HOME/autostart/<id>.desktop, with ~/.config when XDG_CONFIG_HOME is unset or
// not absolute.
[[nodiscard]] std::filesystem::path AutostartEntryPath(std::string_view xdgConfigHome,
                                                       const std::filesystem::path& home);
[[nodiscard]] std::filesystem::path AutostartEntryPathOfThisUser();

// The entry that starts `executable` (an absolute path, quoted as desktop entries require).
[[nodiscard]] std::string AutostartEntryText(const std::filesystem::path& executable);

// True when the entry exists and is not switched off ("Hidden=true", or
// "X-GNOME-Autostart-enabled=false" as desktops' own session settings write it).
[[nodiscard]] bool AutostartEnabled(const std::filesystem::path& entry);

// Writes the entry (crash-safe, creating its folder) or removes it. Blocks on the disk: call it
// on a worker. On failure *error holds the errno and nothing else changed.
[[nodiscard]] bool SetAutostart(const std::filesystem::path& entry, bool on,
                                const std::filesystem::path& executable, int* error = nullptr);

}  // namespace tavrinex::platform
