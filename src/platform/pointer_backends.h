// The desktop backends behind PointerSettingsBackend. Each factory returns nothing when its
// desktop service is not there, so the choice can move on to the next.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "platform/pointer_settings.h"

namespace tavrinex::platform {

// GNOME: org.gnome.desktop.peripherals.mouse "speed" through GSettings; no wheel setting.
[[nodiscard]] std::unique_ptr<PointerSettingsBackend> MakeGnomePointerBackend();

// KDE Plasma: every pointer's "pointerAcceleration" through KWin's input-device D-Bus
// interface (else kcminputrc's), and kdeglobals' wheel lines with the change signal that makes
// running programs reread them. `busAddress` empty: the session bus.
[[nodiscard]] std::unique_ptr<PointerSettingsBackend> MakeKdePointerBackend(
    const std::filesystem::path& configHome, const std::string& busAddress = {});

// X11: the libinput "Accel Speed" property of every pointer device that has it, through XInput 2;
// nothing when no device has it.
[[nodiscard]] std::unique_ptr<PointerSettingsBackend> MakeX11PointerBackend(const std::string& display);

// Offers nothing: the values stay in the profile.
[[nodiscard]] std::unique_ptr<PointerSettingsBackend> MakeNoPointerBackend();

}  // namespace tavrinex::platform
