// Decoding of input reports into usages and values, in the shape of the Windows HID parser's
// data items so that the consumer-control watchers read them the same way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "device/report_descriptor.h"

namespace tavrinex::device {

inline constexpr std::int32_t kHidStatusSuccess = 0x00110000;  // HIDP_STATUS_SUCCESS

struct HidDataItem {
  bool isButton = false;
  std::uint16_t usagePage = 0;
  std::int32_t status = kHidStatusSuccess;
  std::uint32_t reportId = 0;
  bool hasData = false;
  // Buttons.
  std::uint32_t usageLow = 0;
  std::uint32_t usageHigh = 0;
  std::uint32_t usageCapacity = 0;
  std::vector<std::uint16_t> usages;   // usageCapacity entries; 0 after the last kept usage
  // Values.
  std::uint16_t usage = 0;
  std::uint32_t rawValue = 0;
  std::int32_t scaledValue = 0;
  // Where the value lives: the field and the element within it.
  std::size_t field = 0;
  std::uint32_t element = 0;
};

// The largest number of usages one input report can set on a usage page: the sum, over the
// input button fields on that page (constant ones aside), of their element counts.
[[nodiscard]] std::uint32_t MaxUsageListLength(const ReportDescriptor& descriptor,
                                               std::uint16_t usagePage);

// Bound on the usage list entries over all button items: each list holds MaxUsageListLength
// entries, which a hostile descriptor can make large for many fields at once.
inline constexpr std::size_t kMaxUsageSlots = 65536;

// One button item per input button field, followed by one value item per usage of each input
// value field (a value field with n elements yields n items). Constant fields are skipped.
// At most maxItems items; a button item whose list would take the total past kMaxUsageSlots
// is left out.
[[nodiscard]] std::vector<HidDataItem> BuildInputDataItems(const ReportDescriptor& descriptor,
                                                           std::size_t maxItems = 4096);

// report[0] is the report id (0 when the descriptor declares none; the transport puts it
// there), the data follows from report[1].
// Fills the items whose report id equals report[0]. Buttons: the usages set in the report on
// the item's page, kept when within [usageLow, usageHigh], in order, 0-terminated when fewer
// than the capacity; button bits past the end of a short report read as clear. Values: raw
// value, then scaled value. Returns false when a value cannot be read (report too short) or
// the report is empty.
[[nodiscard]] bool DecodeInputReport(const ReportDescriptor& descriptor,
                                     std::span<HidDataItem> items,
                                     std::span<const std::uint8_t> report);

}  // namespace tavrinex::device
