#include "tools/ctl_device.h"

#include "device/device_ids.h"
#include "device/linux_hid_backend.h"
#include "sim/sim_bus.h"
#include "sim/simulated_device.h"

namespace tavrinex::tools {

using device::DeviceKind;

std::optional<DeviceKind> ParseKind(std::string_view prefix) {
  for (const DeviceKind k : device::kAllDeviceKinds) {
    if (device::KindPrefix(k) == prefix) return k;
  }
  return std::nullopt;
}

std::uint16_t ProductOf(DeviceKind kind) {
  switch (kind) {
    case DeviceKind::kKeyboard: return device::kKeyboardProductId;
    case DeviceKind::kMouse: return device::kMouseProductId;
    case DeviceKind::kMousePad: return device::kMousePadProductId;
  }
  return 0;
}

bool OpenConfigInterface(device::DeviceChannel& channel, DeviceKind kind) {
  channel.expectedVendorId = device::kVendorId;
  channel.expectedProductId = ProductOf(kind);
  channel.expectedUsagePage = device::kConfigUsagePage;
  channel.expectedUsage = device::kConfigUsage;
  device::HidDevice& hid = channel.hid;
  if (!hid.EnumeratePaths()) return false;
  for (const auto& e : hid.paths.Entries()) {
    if (e.vendorId != channel.expectedVendorId || e.productId != channel.expectedProductId) continue;
    hid.path = e.path;
    hid.openForReading = hid.openForWriting = hid.overlapped = true;
    if (!hid.OpenDevice()) continue;
    // A node may carry several collections (consumer control first): match on any of them.
    if (hid.SelectCollection(channel.expectedUsagePage, channel.expectedUsage)) {
      channel.connected = true;
      return true;
    }
    hid.CloseDevice();
  }
  return false;
}

int OnDevices(bool simulate, const std::function<int(device::HidBackend&)>& command) {
  if (simulate) {
    sim::SimBus bus;
    sim::SimulatedDevices devices(bus);
    devices.PlugAll();
    return command(bus);
  }
  device::LinuxHidBackend backend;
  return command(backend);
}

}  // namespace tavrinex::tools
