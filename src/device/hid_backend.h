// The platform side of the HID transport: which interfaces exist and how one is opened.
// The Linux backend reads hidraw through libudev and sysfs; the simulator's backend hands
// out socketpair ends whose far side is a simulated device.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "device/unique_fd.h"

namespace tavrinex::device {

// One top-level collection of one HID interface: exactly what detection compares.
// A hidraw node with several top-level collections yields one entry per collection.
struct HidInterfaceInfo {
  std::string path;
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  std::uint16_t usagePage = 0;
  std::uint16_t usage = 0;
  // The collection's report ids (0 when the node declares none), for listings.
  std::vector<std::uint8_t> inputReportIds;
  std::vector<std::uint8_t> outputReportIds;
};

struct HidOpenFlags {
  bool read = false;
  bool write = false;
  bool overlapped = false;
  // Windows share mode: when set, other openers may only read. hidraw has no share modes,
  // so the Linux backend keeps the rule among cooperating openers with flock(): an exclusive
  // open holds LOCK_EX, any other open that asks for write access needs LOCK_SH, so it fails
  // while an exclusive opener holds the node and an exclusive open fails while a writer does.
  // Read-only openers take no lock and always succeed, as on Windows.
  bool exclusive = false;
};

enum class WriteStyle : std::uint8_t {
  kNonBlocking,  // the fd honours O_NONBLOCK for writes (sockets): poll, then write
  kBlocking,     // the kernel write may block (hidraw): written on a worker thread
};

struct OpenedInterface {
  UniqueFd fd;
  std::vector<std::uint8_t> reportDescriptor;
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  WriteStyle writeStyle = WriteStyle::kBlocking;
  // hidraw takes the report number in front of every report written, 0 on a node without
  // report ids (the USB driver drops that 0); the simulator's sockets carry only the report.
  bool writesZeroReportId = false;
};

class HidBackend {
 public:
  virtual ~HidBackend() = default;

  // Calls visit for every interface present, in the platform's order; false when the list
  // cannot be obtained (entries already visited stay visited).
  [[nodiscard]] virtual bool Enumerate(const std::function<void(HidInterfaceInfo)>& visit) = 0;

  // Opens a path; nullopt when it cannot be opened or described.
  [[nodiscard]] virtual std::optional<OpenedInterface> Open(const std::string& path,
                                                            const HidOpenFlags& flags) = 0;

  // Opens the path with no access rights and closes it at once: is the interface still there?
  [[nodiscard]] virtual bool ProbePresence(const std::string& path) = 0;
};

}  // namespace tavrinex::device
