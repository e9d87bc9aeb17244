// Parses the input as a report descriptor; when it parses, decodes reports cut from the same
// bytes against it, for every report id the descriptor uses, and checks what comes back.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "device/input_report.h"
#include "device/report_descriptor.h"

namespace {

using tavrinex::device::HidDataItem;
using tavrinex::device::ReportDescriptor;

constexpr std::size_t kMaxReportIds = 4;

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

void CheckDescriptor(const ReportDescriptor& descriptor) {
  Check(!descriptor.collections.empty());
  for (const auto& field : descriptor.fields) {
    Check(field.reportSize >= 1 && field.reportSize <= tavrinex::device::kMaxReportSizeBits);
    Check(field.bitOffset + field.reportSize * field.reportCount <=
          tavrinex::device::kMaxReportBits);
    Check(field.collection < descriptor.collections.size());
  }
}

void CheckButtons(const HidDataItem& item) {
  if (!item.isButton || !item.hasData) return;
  bool terminated = false;
  for (const std::uint16_t usage : item.usages) {
    if (usage == 0) {
      terminated = true;
      continue;
    }
    Check(!terminated && usage >= item.usageLow && usage <= item.usageHigh);
  }
}

std::vector<std::uint8_t> ReportIds(const ReportDescriptor& descriptor) {
  std::vector<std::uint8_t> ids;
  for (const auto& field : descriptor.fields) {
    if (ids.size() == kMaxReportIds) break;
    if (std::find(ids.begin(), ids.end(), field.reportId) == ids.end()) {
      ids.push_back(field.reportId);
    }
  }
  return ids;
}

// Report of `length` bytes: the id, then the input bytes from `start` on, repeated as needed.
std::vector<std::uint8_t> CutReport(std::span<const std::uint8_t> input, std::uint8_t id,
                                    std::size_t start, std::size_t length) {
  std::vector<std::uint8_t> report(length, id);
  for (std::size_t i = 1; i < length; ++i) report[i] = input[(start + i) % input.size()];
  return report;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> input(data, size);
  ReportDescriptor descriptor;
  if (!tavrinex::device::ParseReportDescriptor(input, descriptor)) return 0;
  CheckDescriptor(descriptor);

  std::vector<HidDataItem> items = tavrinex::device::BuildInputDataItems(descriptor);
  const std::size_t full = descriptor.inputReportLength;
  for (const std::uint8_t id : ReportIds(descriptor)) {
    for (const std::size_t length : {full, full / 2, std::size_t{1}, full + 3}) {
      const std::vector<std::uint8_t> report = CutReport(input, id, length + id, length);
      const bool decoded = tavrinex::device::DecodeInputReport(descriptor, items, report);
      // A report of the stated length always holds every value.
      Check(decoded || length < std::max<std::size_t>(full, 1));
      for (const HidDataItem& item : items) CheckButtons(item);
    }
  }
  return 0;
}
