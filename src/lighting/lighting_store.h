// The host-side lighting data beside the device image: the dirty flags of the once-per-second
// settings flush, the lighting shared by all devices, and the keyboard's custom colour sets.
// The UI thread writes it and the animation threads read it, so every field is guarded.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>

#include "device/device_kind.h"
#include "lighting/keyboard_geometry.h"
#include "lighting/lighting_model.h"
#include "ui/color.h"

namespace tavrinex::lighting {

struct CustomColours {
  CustomColourSets sets{};
  std::uint8_t customSet = 0;  // the set KB_MODE_CUSTOM shows and the operations act on
  ui::Rgb customColour{};      // what painting a key sets
  friend bool operator==(const CustomColours&, const CustomColours&) = default;

  // Triple `led` of the chosen set; nothing when the set or the LED does not exist.
  [[nodiscard]] bool HasSet() const { return customSet < kCustomSetCount; }
  [[nodiscard]] ui::Rgb Triple(std::size_t set, std::size_t led) const {
    const std::size_t at = kCustomSetSize * set + 3 * led;
    return {sets[at], sets[at + 1], sets[at + 2]};
  }
  void SetTriple(std::size_t set, std::size_t led, ui::Rgb c) {
    const std::size_t at = kCustomSetSize * set + 3 * led;
    sets[at] = c.r;
    sets[at + 1] = c.g;
    sets[at + 2] = c.b;
  }
};

class LightingStore {
 public:
  // settingsDirty: set by every edit of a CurrentRecord that must reach the device.
  void MarkDirty(DeviceKind kind) { dirty_[device::IndexOf(kind)].store(true); }
  [[nodiscard]] bool IsDirty(DeviceKind kind) const { return dirty_[device::IndexOf(kind)].load(); }
  // Clears the flag and says whether it was set.
  [[nodiscard]] bool TakeDirty(DeviceKind kind) { return dirty_[device::IndexOf(kind)].exchange(false); }

  [[nodiscard]] SharedLighting Shared() const {
    std::lock_guard lock(mutex_);
    return shared_;
  }
  void SetShared(const SharedLighting& shared) {
    std::lock_guard lock(mutex_);
    shared_ = shared;
  }

  // A copy taken under the lock; `out` is the caller's fixed buffer.
  void CopyCustom(CustomColours& out) const {
    std::lock_guard lock(mutex_);
    out = custom_;
  }
  [[nodiscard]] CustomColours Custom() const {
    std::lock_guard lock(mutex_);
    return custom_;
  }
  template <typename F>
  auto UpdateCustom(F&& writer) {
    std::lock_guard lock(mutex_);
    return writer(custom_);
  }

 private:
  std::array<std::atomic<bool>, device::kDeviceKindCount> dirty_{};
  mutable std::mutex mutex_;
  SharedLighting shared_{};
  CustomColours custom_{};
};

}  // namespace tavrinex::lighting
