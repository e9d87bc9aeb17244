// A channel connected to a scripted device on a simulated bus, through the real transport.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

#include "device/device_channel.h"
#include "device/device_ids.h"
#include "sim/descriptors.h"
#include "sim/scripted_device.h"
#include "sim/sim_bus.h"

namespace tavrinex::device {

inline constexpr const char* kTestPath = "sim:test/config";

// A reply whose data bytes are the low bytes of offset + i, so a test can tell where each
// chunk's data landed.
inline sim::ScriptedReply PatternReply(const ReportFrame& request) {
  auto reply = sim::EchoReply(request);
  for (std::size_t i = 0; i < kFrameDataSize; ++i) {
    reply.frame.bytes[frame::kData + i] = static_cast<std::uint8_t>(request.Offset() + i);
  }
  return reply;
}

class ChannelTest : public testing::Test {
 protected:
  void SetUp() override {
    sim::InterfaceSpec spec{kTestPath, kVendorId, kKeyboardProductId,
                            {sim::kConfigDescriptor.begin(), sim::kConfigDescriptor.end()},
                            writeStyle};
    bus.Plug(std::move(spec), device);
    channel.hid.path = kTestPath;
    channel.hid.openForReading = true;
    channel.hid.openForWriting = true;
    channel.hid.overlapped = true;
    ASSERT_TRUE(channel.hid.OpenDevice());
    channel.connected = true;
  }

  // (length, offset) of every request the device saw.
  [[nodiscard]] std::vector<std::pair<int, int>> Seen() const {
    std::vector<std::pair<int, int>> out;
    for (const auto& r : device->Requests()) out.emplace_back(r.Length(), r.Offset());
    return out;
  }

  WriteStyle writeStyle = WriteStyle::kNonBlocking;
  sim::SimBus bus;  // outlives the channel, which closes its end first
  std::shared_ptr<sim::ScriptedDevice> device = std::make_shared<sim::ScriptedDevice>(
      [](const ReportFrame& r, std::size_t) { return PatternReply(r); });
  DeviceChannel channel{bus};
};

}  // namespace tavrinex::device
