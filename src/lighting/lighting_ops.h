// The operations on the lighting model: the periodic settings flush, the switch of the
// mouse's or the pad's active on-board profile, the shared lighting, the keyboard's custom
// colour operations and the mouse pad's factory reset. All run on the UI thread.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>

#include "device/device_channel.h"
#include "device/device_image.h"
#include "device/device_kind.h"
#include "lighting/lighting_store.h"

namespace tavrinex::lighting {

// The channel of each kind by IndexOf(kind); a null entry is a device the host has no link to.
using Channels = std::array<device::DeviceChannel*, device::kDeviceKindCount>;

inline constexpr std::string_view kMouseFunctionTab = "ms_tab_function";
inline constexpr auto kFactoryResetWait = std::chrono::milliseconds(1000);

// What these operations ask of the window and the profile layer. Unset hooks are skipped.
struct LightingHooks {
  // The display refresh of a device's lighting page (the mouse's includes its performance
  // controls).
  std::function<void(DeviceKind)> refreshLightingDisplay;
  // SaveSelectedLightProfile.
  std::function<void(DeviceKind)> saveSelectedLightProfile;
  std::function<void(std::string_view control)> hideControl;
  // The window message that re-runs a device's synchronisation and then refreshes its
  // lighting display; handled before the caller goes on.
  std::function<void(DeviceKind)> resynchronise;
  // Clicking a key in KB_MODE_REACTIVE starts a ripple there (the animation's reactive seed).
  std::function<void(std::size_t position)> startReactiveRipple;
  // The UI thread's blocking wait; a plain sleep when unset.
  std::function<void(std::chrono::milliseconds)> sleep;
};

// Keyboard, mouse, mouse pad: each dirty record goes out as 56 bytes (its 21 bytes, then 35
// zero bytes) with CMD_WRITE_SETTINGS. A connected device that does not take it stays dirty, so
// the next flush sends it again; for a device that is not connected the flag is cleared. Returns
// how many writes were sent.
int FlushSettings(LightingStore& store, const device::DeviceImage& image, const Channels& channels);

enum class ProfileSwitch : std::uint8_t {
  kIgnored,         // keyboard, or an index above 4
  kAlreadyActive,   // only the 1-byte read was sent
  kSwitched,
  kAbandoned,       // a read failed: the host state is as it was
};

// Makes on-board profile `index` the mouse's or mouse pad's active one.
ProfileSwitch SelectOnboardProfile(DeviceKind kind, std::size_t index, device::DeviceChannel& channel,
                                   device::DeviceImage& image, const LightingHooks& hooks);

// Copies the source's lighting (record bytes 1-8) into SharedLighting and the other two
// records, refreshes and saves the other two and lets all three take part in the shared lighting.
void ApplySharedLighting(DeviceKind source, LightingStore& store, device::DeviceImage& image,
                         const Channels& channels, const LightingHooks& hooks);

// Keyboard custom colours. Each acts on the set customSet; a customSet outside 0-4 (from a
// profile file) names no set, and then they change nothing. Each ends by saving the
// keyboard's light profile, except a click that does nothing.
void PaintKey(std::size_t position, LightingStore& store, const device::DeviceImage& image,
              const LightingHooks& hooks);
void ClearCustomSet(LightingStore& store, const LightingHooks& hooks);
void FillUnsetKeys(LightingStore& store, const LightingHooks& hooks);
void ChooseCustomSet(std::size_t set, LightingStore& store, const LightingHooks& hooks);
void SetPaintColour(ui::Rgb colour, LightingStore& store, const LightingHooks& hooks);

// CMD_FACTORY_RESET on the pad, 1000 ms, then the re-synchronisation message.
device::CommandResult MousePadFactoryReset(device::DeviceChannel& pad, const LightingHooks& hooks);

}  // namespace tavrinex::lighting
