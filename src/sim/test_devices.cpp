#include "sim/test_devices.h"

#include "device/device_ids.h"
#include "sim/descriptors.h"

namespace tavrinex::sim {

namespace {

// Consumer-control interfaces only ever send; what the host writes to them is ignored.
class SilentEnd final : public DeviceEnd {
 public:
  void OnOutputReport(std::span<const std::uint8_t>, ReplySink&) override {}
};

InterfaceSpec Spec(const char* path, std::uint16_t product, std::span<const std::uint8_t> rd) {
  return {path, device::kVendorId, product, {rd.begin(), rd.end()}};
}

}  // namespace

TestDevices PlugTestDevices(SimBus& bus) {
  TestDevices d;
  const auto silent = std::make_shared<SilentEnd>();
  bus.Plug(Spec(TestDevices::kKeyboardConfig, device::kKeyboardProductId, kConfigDescriptor),
           d.keyboard);
  bus.Plug(Spec(TestDevices::kKeyboardConsumer, device::kKeyboardProductId, kConsumerDescriptor),
           silent);
  bus.Plug(Spec(TestDevices::kMouseConfig, device::kMouseProductId, kConfigDescriptor), d.mouse);
  bus.Plug(Spec(TestDevices::kMouseConsumer, device::kMouseProductId, kConsumerDescriptor),
           silent);
  bus.Plug(Spec(TestDevices::kMousePadConfig, device::kMousePadProductId, kConfigDescriptor),
           d.mousePad);
  return d;
}

}  // namespace tavrinex::sim
