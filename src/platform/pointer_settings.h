// The desktop's pointer speed and wheel scroll lines: settings of the desktop, not of the mouse,
// kept in the mouse's light profile and handed to whichever desktop runs. One backend per kind
// of desktop, chosen at start; a desktop without such a setting keeps the value in the profile.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/desktop_session.h"

namespace tavrinex::platform {

// The profile's pointer speed (1-20, 10 the desktop's neutral speed) on libinput's acceleration
// scale (-1..1, 0 neutral): 1 -> -1, 10 -> 0, 20 -> 1, linear on either side of 10.
[[nodiscard]] double PointerSpeedToAcceleration(int speed);

class PointerSettingsBackend {
 public:
  virtual ~PointerSettingsBackend() = default;
  // For the diagnostic line at start ("gnome", "kde", "x11-libinput", "none").
  [[nodiscard]] virtual std::string_view Name() const = 0;
  [[nodiscard]] virtual bool OffersSpeed() const = 0;
  [[nodiscard]] virtual bool OffersWheelLines() const = 0;
  // Blocking; called on the settings worker only. False when the desktop refused or did not answer.
  virtual bool ApplySpeed(int speed) = 0;
  virtual bool ApplyWheelLines(int lines) = 0;
};


// KDE Plasma when the session says so; GNOME-like desktops with the GNOME mouse schema; an
// X server whose pointers take libinput's "Accel Speed"; else a backend that offers nothing.
[[nodiscard]] std::unique_ptr<PointerSettingsBackend> ChoosePointerSettingsBackend(
    const DesktopSession& session);

}  // namespace tavrinex::platform
