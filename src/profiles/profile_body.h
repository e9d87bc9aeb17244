// The bodies of profile files and the device state they carry: assembling a body from the
// state when a profile is saved, and placing a loaded body into the state.
//
// KeyProfileBody (512): page 0 of the device's key image.
// KbLightBody (1958): keyboard settings slot 0 image (bytes 0-20 the current record), custom
//   set at 64, custom colour at 65-67, the five custom colour sets at 68.
// SlotLightBody (64): settings slot 0 image of the mouse or the mouse pad; on the mouse bytes
//   21 and 22 carry the host's pointer speed and wheel lines.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "device/device_image.h"
#include "device/device_kind.h"
#include "lighting/lighting_store.h"
#include "profiles/profile_file.h"

namespace tavrinex::profiles {

namespace body {
inline constexpr std::size_t kSlotImage = 0;  // 64 bytes: settings slot 0
inline constexpr std::size_t kPointerSpeed = 21;
inline constexpr std::size_t kWheelLines = 22;
inline constexpr std::size_t kCustomSet = 64;
inline constexpr std::size_t kCustomColour = 65;
inline constexpr std::size_t kCustomSets = 68;
}  // namespace body
static_assert(body::kCustomSets + sizeof(lighting::CustomColourSets) == kKbLightBodySize);
static_assert(body::kCustomSet == device::kSettingsSlotSize && kSlotLightBodySize == device::kSettingsSlotSize);
static_assert(body::kPointerSpeed == device::kCurrentRecordSize);
static_assert(kKeyProfileBodySize == sizeof(device::KeyPage));

// Operating-system mouse settings that the program keeps in the mouse's light profile and
// nowhere on the device: pointer speed (1-20) and wheel scroll lines (1-10).
class PointerSettings {
 public:
  static constexpr std::uint8_t kInitialSpeed = 10;
  static constexpr std::uint8_t kInitialWheelLines = 3;

  [[nodiscard]] std::uint8_t Speed() const { return speed_.load(); }
  [[nodiscard]] std::uint8_t WheelLines() const { return wheelLines_.load(); }
  void SetSpeed(std::uint8_t speed) { speed_.store(speed); }
  void SetWheelLines(std::uint8_t lines) { wheelLines_.store(lines); }

 private:
  std::atomic<std::uint8_t> speed_{kInitialSpeed};
  std::atomic<std::uint8_t> wheelLines_{kInitialWheelLines};
};

// The device state that profiles read and write. Each part guards itself.
struct ProfileState {
  device::DeviceImage& image;
  lighting::LightingStore& lighting;
  PointerSettings& pointer;
};

// Page 0 of the key image.
[[nodiscard]] device::KeyPage AssembleKeyBody(const device::DeviceImage& image, device::DeviceKind kind);
void PlaceKeyBody(device::DeviceImage& image, device::DeviceKind kind,
                  std::span<const std::uint8_t, kKeyProfileBodySize> body);

// Writes the current record (and on the mouse the pointer settings) into the slot 0 image, then
// returns the light body of the kind's size.
[[nodiscard]] std::vector<std::uint8_t> AssembleLightBody(ProfileState& state, device::DeviceKind kind);

// Places a light body of the kind's size: slot 0 image, current record, and per kind the custom
// colours or the pointer settings (a stored 0 is taken as 1).
void PlaceLightBody(ProfileState& state, device::DeviceKind kind, std::span<const std::uint8_t> body);

}  // namespace tavrinex::profiles
