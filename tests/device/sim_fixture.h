// The simulated keyboard, mouse and mouse pad on a bus, with a channel per kind opened on the
// kind's configuration interface through the real transport.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <utility>
#include <vector>

#include "device/device_channel.h"
#include "device/device_ids.h"
#include "device/device_kind.h"
#include "device/report_frame.h"
#include "sim/simulated_device.h"

namespace tavrinex::device {

// (command, length, offset) of one request.
struct Seen {
  Command command;
  int length;
  int offset;
  friend bool operator==(const Seen&, const Seen&) = default;
  friend std::ostream& operator<<(std::ostream& os, const Seen& s) {
    return os << "{0x" << std::hex << static_cast<int>(s.command) << std::dec << ", " << s.length
              << ", " << s.offset << "}";
  }
};

inline std::vector<Seen> SeenBy(const sim::SimulatedDevice& device) {
  std::vector<Seen> out;
  for (const auto& r : device.Requests()) out.push_back({r.CommandCode(), r.Length(), r.Offset()});
  return out;
}

// The requests of a chunked transfer of `total` bytes from `base`.
inline void AppendChunks(std::vector<Seen>& out, Command command, int total, int base) {
  for (int k = 0; k < total; k += 56) out.push_back({command, std::min(56, total - k), base + k});
}

class SimFixture : public testing::Test {
 protected:
  void SetUp() override { devices.PlugAll(); }

  // Opens (or re-opens) the channel of a kind, as detection does on a match.
  void Connect(DeviceKind kind) {
    DeviceChannel& c = Channel(kind);
    c.hid.path = devices.Of(kind).ConfigPath();
    c.hid.openForReading = c.hid.openForWriting = c.hid.overlapped = true;
    ASSERT_TRUE(c.hid.OpenDevice());
    c.connected = true;
  }

  DeviceChannel& Channel(DeviceKind kind) { return *channels[IndexOf(kind)]; }
  sim::SimulatedDevice& Device(DeviceKind kind) { return devices.Of(kind); }

  sim::SimBus bus;  // outlives the devices and the channels
  sim::SimulatedDevices devices{bus};
  std::array<std::unique_ptr<DeviceChannel>, kDeviceKindCount> channels = {
      std::make_unique<DeviceChannel>(bus), std::make_unique<DeviceChannel>(bus),
      std::make_unique<DeviceChannel>(bus)};
};

}  // namespace tavrinex::device
