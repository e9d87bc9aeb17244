// The three kinds of device the program configures, and the short prefix that their control
// names, file names and folders carry.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tavrinex::device {

enum class DeviceKind : std::uint8_t { kKeyboard = 0, kMouse = 1, kMousePad = 2 };

inline constexpr std::size_t kDeviceKindCount = 3;
inline constexpr std::array<DeviceKind, kDeviceKindCount> kAllDeviceKinds = {
    DeviceKind::kKeyboard, DeviceKind::kMouse, DeviceKind::kMousePad};

[[nodiscard]] constexpr std::size_t IndexOf(DeviceKind kind) {
  return static_cast<std::size_t>(kind);
}

// "kb", "ms", "mp".
[[nodiscard]] constexpr std::string_view KindPrefix(DeviceKind kind) {
  switch (kind) {
    case DeviceKind::kKeyboard: return "kb";
    case DeviceKind::kMouse: return "ms";
    case DeviceKind::kMousePad: return "mp";
  }
  return {};
}

}  // namespace tavrinex::device
