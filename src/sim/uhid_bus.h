// Simulated firmware behind the kernel's uhid: every interface plugged here becomes a real HID
// device, so the kernel makes a real hidraw node for it, with its HID_ID uevent and report
// descriptor in sysfs, and the host reaches it through the Linux backend exactly as it reaches
// a device on USB. Output reports written to the node arrive as UHID_OUTPUT and go to the
// interface's firmware; what the firmware sends becomes input reports of the node.
//
// Report ids follow what USB does: on a node without report ids the host writes a leading 0
// that usbhid strips before the device sees the report, so the bus strips it too.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "sim/device_bus.h"

namespace tavrinex::sim {

class UhidBus final : public DeviceBus {
 public:
  struct Options {
    std::string uhidPath = "/dev/uhid";
    std::string sysfsRoot = "/sys";
  };
  UhidBus() : UhidBus(Options{}) {}
  explicit UhidBus(Options options);
  ~UhidBus() override;  // destroys every device still plugged
  UhidBus(const UhidBus&) = delete;
  UhidBus& operator=(const UhidBus&) = delete;

  // Whether uhid can be opened here at all (module loaded, access granted).
  [[nodiscard]] bool Available() const;

  // Creates the device (replacing one plugged at the same path) and returns once the kernel
  // has made its hidraw node. The path names the interface on this bus; the kernel shows it
  // as the device's physical path (HID_PHYS). A failure leaves a line in LastError().
  void Plug(InterfaceSpec spec, std::shared_ptr<DeviceEnd> end) override;
  // UHID_DESTROY: the kernel removes the node; its open handles hang up.
  void Unplug(const std::string& path) override;
  void SendInput(const std::string& path, std::span<const std::uint8_t> report) override;

  // The device node ("/dev/hidraw3") of a plugged interface; empty when it has none.
  [[nodiscard]] std::string NodeOf(const std::string& path) const;
  [[nodiscard]] std::string LastError() const;

 private:
  struct Interface;
  [[nodiscard]] std::shared_ptr<Interface> Find(const std::string& path) const;
  [[nodiscard]] std::string FindNode(const std::string& path) const;
  void JoinParked();

  Options options_;
  mutable std::mutex mutex_;
  std::map<std::string, std::shared_ptr<Interface>> interfaces_;
  // Interfaces unplugged from their own thread, which cannot join itself: joined later.
  std::vector<std::shared_ptr<Interface>> parked_;
  std::string lastError_;
};

}  // namespace tavrinex::sim
