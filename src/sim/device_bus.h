// Where simulated firmware is plugged in: the socketpair bus of the tests and the demo mode,
// or the kernel's uhid, which makes real hidraw nodes of the same firmware.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "device/hid_backend.h"

namespace tavrinex::sim {

// What the firmware of one interface may do with a report the host wrote.
class ReplySink {
 public:
  virtual ~ReplySink() = default;
  virtual void Send(std::span<const std::uint8_t> report) = 0;
  // Sends the report after `delay` while the firmware goes on with later requests: a reply
  // that arrives after its reader gave up.
  virtual void SendLater(std::span<const std::uint8_t> report,
                         std::chrono::milliseconds delay) = 0;
  // Waits like a slow device would; false when the connection ends meanwhile.
  virtual bool Delay(std::chrono::milliseconds duration) = 0;
  // Drops the connection, as an unplug in the middle of a transfer does.
  virtual void Hangup() = 0;
};

// The firmware side of one interface. Called on the connection's thread.
class DeviceEnd {
 public:
  virtual ~DeviceEnd() = default;
  virtual void OnOutputReport(std::span<const std::uint8_t> report, ReplySink& reply) = 0;
};

struct InterfaceSpec {
  std::string path;
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  std::vector<std::uint8_t> reportDescriptor;
  // How the host side writes: sockets never block a write, but a test may ask for the
  // worker-thread path that hidraw nodes take.
  device::WriteStyle writeStyle = device::WriteStyle::kNonBlocking;
  // As on a hidraw node, every reader gets every input report, replies included: two opens
  // of one node (the configuration link and the consumer-control watcher) both see them.
  bool broadcastReplies = false;
};

// What a simulated device needs of the bus it is plugged into.
class DeviceBus {
 public:
  virtual ~DeviceBus() = default;
  // Plugs an interface in (again). The bus keeps the device end alive while it is plugged.
  virtual void Plug(InterfaceSpec spec, std::shared_ptr<DeviceEnd> end) = 0;
  // Unplugs; firmware may call it while it answers a request, to unplug its own device.
  virtual void Unplug(const std::string& path) = 0;
  // Sends an input report on the interface, as the device does on its own (consumer reports).
  virtual void SendInput(const std::string& path, std::span<const std::uint8_t> report) = 0;
};

}  // namespace tavrinex::sim
