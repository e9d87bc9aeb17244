#include "platform/pointer_settings.h"

#include <algorithm>
#include <array>

#include "platform/pointer_backends.h"

namespace tavrinex::platform {

namespace {

// Desktops whose mouse settings are GNOME's settings daemon and schema.
constexpr std::array<std::string_view, 6> kGnomeLike = {"GNOME", "GNOME-Classic", "GNOME-Flashback",
                                                        "Unity", "Budgie", "Pantheon"};

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

std::unique_ptr<PointerSettingsBackend> MakeNoPointerBackend() {
  return std::make_unique<NoPointerBackend>();
}

std::unique_ptr<PointerSettingsBackend> ChoosePointerSettingsBackend(const DesktopSession& session) {
  if (DesktopListHas(session.currentDesktop, "KDE")) return MakeKdePointerBackend(session.configHome);
  const bool gnomeLike = std::any_of(kGnomeLike.begin(), kGnomeLike.end(), [&](std::string_view name) {
    return DesktopListHas(session.currentDesktop, name);
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
