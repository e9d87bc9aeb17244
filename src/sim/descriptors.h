// Report descriptors of the simulated interfaces, written from the HID usage tables.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace tavrinex::sim {

// Vendor configuration interface: usage page 0xFF1C, usage 0x0092, report id 4, 63 data
// bytes each way, so 64-byte reports with the id.
inline constexpr std::array<std::uint8_t, 27> kConfigDescriptor = {
    0x06, 0x1C, 0xFF,  // Usage Page (vendor 0xFF1C)
    0x09, 0x92,        // Usage (0x92)
    0xA1, 0x01,        // Collection (Application)
    0x85, 0x04,        //   Report ID (4)
    0x15, 0x00,        //   Logical Minimum (0)
    0x26, 0xFF, 0x00,  //   Logical Maximum (255)
    0x75, 0x08,        //   Report Size (8)
    0x95, 0x3F,        //   Report Count (63)
    0x09, 0x92,        //   Usage (0x92)
    0x81, 0x02,        //   Input (Data, Variable, Absolute)
    0x09, 0x92,        //   Usage (0x92)
    0x91, 0x02,        //   Output (Data, Variable, Absolute)
    0xC0,              // End Collection
};

// Consumer-control interface: one 16-bit array element on the consumer page, report id 3.
inline constexpr std::uint8_t kConsumerReportId = 3;
inline constexpr std::array<std::uint8_t, 25> kConsumerDescriptor = {
    0x05, 0x0C,        // Usage Page (Consumer)
    0x09, 0x01,        // Usage (Consumer Control)
    0xA1, 0x01,        // Collection (Application)
    0x85, 0x03,        //   Report ID (3)
    0x15, 0x00,        //   Logical Minimum (0)
    0x26, 0xFF, 0x0F,  //   Logical Maximum (0x0FFF)
    0x19, 0x00,        //   Usage Minimum (0)
    0x2A, 0xFF, 0x0F,  //   Usage Maximum (0x0FFF)
    0x75, 0x10,        //   Report Size (16)
    0x95, 0x01,        //   Report Count (1)
    0x81, 0x00,        //   Input (Data, Array, Absolute)
    0xC0,              // End Collection
};

// One node with both: the consumer-control collection first, then the configuration one,
// as a keyboard that puts them in one USB interface describes itself.
inline constexpr std::array<std::uint8_t, kConsumerDescriptor.size() + kConfigDescriptor.size()>
    kSharedNodeDescriptor = [] {
      std::array<std::uint8_t, kConsumerDescriptor.size() + kConfigDescriptor.size()> out{};
      std::size_t at = 0;
      for (const std::uint8_t b : kConsumerDescriptor) out[at++] = b;
      for (const std::uint8_t b : kConfigDescriptor) out[at++] = b;
      return out;
    }();

}  // namespace tavrinex::sim
