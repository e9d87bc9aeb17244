// One HID interface: opened through a backend, described by its parsed report descriptor,
// moving single reports in and out with time-outs that the abort event cuts short.
#pragma once

#include <chrono>
#include <bitset>
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
  // Decodes an input report into the data items of the selected collection.
  [[nodiscard]] bool DecodeInputReport(std::span<const std::uint8_t> report);

  // One hidraw node carries every top-level collection of its USB interface. Picks the first
  // collection with this usage page and usage: the capabilities, the data items and the
  // input buffer become that collection's, and reads take only its input reports (by report
  // id); the other collections' reports are skipped. False, changing nothing, when the open
  // interface has no such collection. At open the first collection is selected.
  [[nodiscard]] bool SelectCollection(std::uint16_t usagePage, std::uint16_t usage);
  // Reads and drops every input report already waiting, without blocking: what a device sent
  // after its reader gave up on it. Returns how many reports were dropped.
  std::size_t DiscardPendingInput();

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

  // Valid while open. The descriptor is the whole node's.
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
  void UseCollection(std::size_t index);

  using ReportIds = std::bitset<256>;

  HidBackend* backend_;
  ReportDescriptor descriptor_;
  ReportDescriptor selected_;  // the selected collection's view of descriptor_
  HidCapabilities caps_;
  HidAttributes attributes_;
  std::vector<HidDataItem> dataItems_;
  std::vector<std::uint8_t> inputBuffer_;
  EventFd abort_;

  mutable std::mutex mutex_;  // guards handle_ and transfers_
  std::condition_variable idle_;
  std::shared_ptr<Handle> handle_;
  int transfers_ = 0;  // transfers under way (the pending flags)
  ReportIds inputIds_;  // the selected collection's input reports
};

}  // namespace tavrinex::device
