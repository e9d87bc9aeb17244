// USB and HID identities of the three devices.
#pragma once

#include <cstdint>

namespace tavrinex::device {

inline constexpr std::uint16_t kVendorId = 0x0C45;
inline constexpr std::uint16_t kKeyboardProductId = 0x8903;
inline constexpr std::uint16_t kMouseProductId = 0x6710;
inline constexpr std::uint16_t kMousePadProductId = 0x5004;

inline constexpr std::uint16_t kConfigUsagePage = 0xFF1C;
inline constexpr std::uint16_t kConfigUsage = 0x0092;
inline constexpr std::uint16_t kConsumerUsagePage = 0x000C;
inline constexpr std::uint16_t kConsumerUsage = 0x0001;

}  // namespace tavrinex::device
