// What kind of desktop session the program runs in, as the environment tells.
#pragma once

#include <string>
#include <string_view>

namespace tavrinex::platform {

struct DesktopSession {
  std::string currentDesktop;  // $XDG_CURRENT_DESKTOP, e.g. "KDE" or "ubuntu:GNOME"
  std::string sessionType;     // $XDG_SESSION_TYPE: "x11", "wayland"
  std::string display;         // $DISPLAY
  std::string configHome;      // $XDG_CONFIG_HOME, else ~/.config
};
[[nodiscard]] DesktopSession DesktopSessionOfThisProcess();

// Whether the ':'-separated desktop list names `desktop`.
[[nodiscard]] bool DesktopListHas(std::string_view list, std::string_view desktop);

}  // namespace tavrinex::platform
