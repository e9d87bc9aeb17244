// HID interfaces of a Linux system: hidraw nodes listed by libudev, described from sysfs
// (HID_ID of the interface's uevent, its report descriptor), opened as character devices.
#pragma once

#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "device/hid_backend.h"

namespace tavrinex::device {

// libudev sets up process-wide state (its random seed, the keys of its hash tables) on first
// use without a lock of its own, whichever context it is called through; every thread that
// calls libudev takes this lock around its calls.
[[nodiscard]] std::mutex& LibudevLock();

class LinuxHidBackend final : public HidBackend {
 public:
  struct Options {
    // Another root than /sys walks <root>/class/hidraw directly instead of asking libudev,
    // so tests can build a fake tree; device nodes are then looked for in devRoot.
    std::string sysfsRoot = "/sys";
    std::string devRoot = "/dev";
  };

  LinuxHidBackend() = default;
  explicit LinuxHidBackend(Options options) : options_(std::move(options)) {}

  [[nodiscard]] bool Enumerate(const std::function<void(HidInterfaceInfo)>& visit) override;
  [[nodiscard]] std::optional<OpenedInterface> Open(const std::string& path,
                                                    const HidOpenFlags& flags) override;
  [[nodiscard]] bool ProbePresence(const std::string& path) override;

 private:
  struct Node {
    std::string name;     // "hidraw3"
    std::string devnode;  // "/dev/hidraw3"
  };
  [[nodiscard]] std::optional<std::vector<Node>> ListNodes() const;
  [[nodiscard]] std::optional<std::vector<Node>> ListNodesWithUdev() const;
  [[nodiscard]] std::optional<std::vector<Node>> ListNodesInTree() const;
  [[nodiscard]] std::string DeviceDir(const std::string& nodeName) const;

  Options options_;
};

// "HID_ID=0003:00000C45:00008903" in a uevent file: vendor and product, or nullopt.
[[nodiscard]] std::optional<std::pair<std::uint16_t, std::uint16_t>> ParseHidId(
    const std::string& uevent);

}  // namespace tavrinex::device
