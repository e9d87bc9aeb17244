#include "platform/desktop_session.h"

#include <cstdlib>

namespace tavrinex::platform {

namespace {
std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}
}  // namespace

DesktopSession DesktopSessionOfThisProcess() {
  DesktopSession session;
  session.currentDesktop = Env("XDG_CURRENT_DESKTOP");
  session.sessionType = Env("XDG_SESSION_TYPE");
  session.display = Env("DISPLAY");
  session.configHome = Env("XDG_CONFIG_HOME");
  if (session.configHome.empty() || session.configHome.front() != '/') {
    session.configHome = Env("HOME") + "/.config";
  }
  return session;
}

bool DesktopListHas(std::string_view list, std::string_view desktop) {
  while (!list.empty()) {
    const auto colon = list.find(':');
    if (list.substr(0, colon) == desktop) return true;
    if (colon == std::string_view::npos) break;
    list.remove_prefix(colon + 1);
  }
  return false;
}

}  // namespace tavrinex::platform
