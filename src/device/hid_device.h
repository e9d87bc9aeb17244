// One HID interface: opened through a backend, described by its parsed report descriptor,
// moving single reports in and out with time-outs that the abort event cuts short.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "device/fd_io.h"
#include "device/hid_backend.h"
#include "device/hid_path_list.h"
#include "device/input_report.h"
#include "device/report_descriptor.h"

namespace tavrinex::device {

struct HidAttributes {
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
};

struct HidCapabilities {
  std::uint16_t usage = 0;
  std::uint16_t usagePage = 0;
  std::uint16_t inputReportLength = 0;   // bytes, report id byte included
  std::uint16_t outputReportLength = 0;  // bytes, report id byte included
  std::uint16_t inputButtonCaps = 0;
  std::uint16_t inputValueCaps = 0;
};

inline constexpr auto kWriteTimeout = std::chrono::milliseconds(1000);

class HidDevice {
 public:
  explicit HidDevice(HidBackend& backend);
  ~HidDevice();  // as CloseDevice
  HidDevice(const HidDevice&) = delete;
  HidDevice& operator=(const HidDevice&) = delete;

  // Fills `paths` with every interface present. False when the enumeration fails.
  [[nodiscard]] bool EnumeratePaths() { return EnumerateHidPaths(*backend_, paths); }

  // Opens `path` with the four flags, then loads descriptor, attributes, capabilities and
  // the input data items. Any failure leaves the device closed.
  [[nodiscard]] bool OpenDevice();
  // Aborts a pending transfer (waiting for it to give up), then closes the handle.
  void CloseDevice();
  [[nodiscard]] bool IsOpen() const;

  // Sends one output report of exactly data.size() bytes, data[0] being the report id.
  // Waits at most 1000 ms. bytesWritten is 0 on failure.
  [[nodiscard]] bool WriteReport(std::span<const std::uint8_t> data, std::size_t& bytesWritten);
  // Receives one input report of exactly buffer.size() bytes (report id first), waiting at
  // most `timeout`. A report of another length is consumed and counts as failure.
  [[nodiscard]] bool ReadReport(std::span<std::uint8_t> buffer, std::chrono::milliseconds timeout,
                                std::size_t& bytesRead);
  // Decodes an input report into the data items built at open.
  [[nodiscard]] bool DecodeInputReport(std::span<const std::uint8_t> report);

  [[nodiscard]] bool ProbePresence(const std::string& probePath) {
    return backend_->ProbePresence(probePath);
  }

  // Ends a transfer that is waiting, as another thread does when it closes the device.
  void Abort();

  // A second descriptor of the open handle, so that a thread can wait for the interface to
  // hang up or to have input alongside other events. Invalid when closed; the caller owns it.
  [[nodiscard]] UniqueFd DuplicateHandle() const;

  HidPathList paths;
  bool openForReading = false;
  bool openForWriting = false;
  bool overlapped = false;
  bool exclusive = false;
  std::string path;

  // Valid while open.
  [[nodiscard]] const ReportDescriptor& Descriptor() const { return descriptor_; }
  [[nodiscard]] const HidCapabilities& Capabilities() const { return caps_; }
  [[nodiscard]] const HidAttributes& Attributes() const { return attributes_; }
  [[nodiscard]] std::span<HidDataItem> DataItems() { return dataItems_; }
  [[nodiscard]] std::span<std::uint8_t> InputBuffer() { return inputBuffer_; }

 private:
  struct Handle;
  // Takes a reference to the open handle for one transfer; null when closed.
  std::shared_ptr<Handle> BeginTransfer();
  void EndTransfer();
  bool LoadDescription(const OpenedInterface& opened);

  HidBackend* backend_;
  ReportDescriptor descriptor_;
  HidCapabilities caps_;
  HidAttributes attributes_;
  std::vector<HidDataItem> dataItems_;
  std::vector<std::uint8_t> inputBuffer_;
  EventFd abort_;

  mutable std::mutex mutex_;  // guards handle_ and transfers_
  std::condition_variable idle_;
  std::shared_ptr<Handle> handle_;
  int transfers_ = 0;  // transfers under way (the pending flags)
};

}  // namespace tavrinex::device
