#include "platform/pointer_settings.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "platform/pointer_backends.h"

namespace tavrinex::platform {

namespace {

// Desktops whose mouse settings are GNOME's settings daemon and schema.
constexpr std::array<std::string_view, 6> kGnomeLike = {"GNOME", "GNOME-Classic", "GNOME-Flashback",
                                                        "Unity", "Budgie", "Pantheon"};

bool DesktopIs(std::string_view list, std::string_view name) {
  while (!list.empty()) {
    const auto colon = list.find(':');
    if (list.substr(0, colon) == name) return true;
    if (colon == std::string_view::npos) break;
    list.remove_prefix(colon + 1);
  }
  return false;
}

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

class NoPointerBackend final : public PointerSettingsBackend {
 public:
  [[nodiscard]] std::string_view Name() const override { return "none"; }
  [[nodiscard]] bool OffersSpeed() const override { return false; }
  [[nodiscard]] bool OffersWheelLines() const override { return false; }
  bool ApplySpeed(int /*speed*/) override { return false; }
  bool ApplyWheelLines(int /*lines*/) override { return false; }
};

}  // namespace

double PointerSpeedToAcceleration(int speed) {
  speed = std::clamp(speed, 1, 20);
  return speed <= 10 ? (speed - 10) / 9.0 : (speed - 10) / 10.0;
}

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

std::unique_ptr<PointerSettingsBackend> MakeNoPointerBackend() {
  return std::make_unique<NoPointerBackend>();
}

std::unique_ptr<PointerSettingsBackend> ChoosePointerSettingsBackend(const DesktopSession& session) {
  if (DesktopIs(session.currentDesktop, "KDE")) return MakeKdePointerBackend(session.configHome);
  const bool gnomeLike = std::any_of(kGnomeLike.begin(), kGnomeLike.end(), [&](std::string_view name) {
    return DesktopIs(session.currentDesktop, name);
  });
  if (gnomeLike) {
    if (auto gnome = MakeGnomePointerBackend()) return gnome;
  }
  if (session.sessionType != "wayland") {
    if (auto x11 = MakeX11PointerBackend(session.display)) return x11;
  }
  return MakeNoPointerBackend();
}

}  // namespace tavrinex::platform
