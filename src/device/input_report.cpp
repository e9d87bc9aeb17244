#include "device/input_report.h"

#include <algorithm>
#include <map>
#include <optional>
#include <tuple>
#include <utility>

namespace tavrinex::device {
namespace {

bool IsInputButton(const ReportField& field) {
  return field.kind == ReportKind::kInput && !field.IsConstant() && field.IsButton();
}

bool IsInputValue(const ReportField& field) {
  return field.kind == ReportKind::kInput && !field.IsConstant() && !field.IsButton();
}

// Usage of element i of a variable field; past the last usage, the last one applies.
std::uint16_t UsageOfElement(const ReportField& field, std::uint32_t element) {
  if (field.isRange) {
    const std::uint32_t usage = field.usageMin + std::min<std::uint32_t>(element, 0xFFFF);
    return static_cast<std::uint16_t>(std::min<std::uint32_t>(usage, field.usageMax));
  }
  if (field.usages.empty()) return 0;
  return field.usages[std::min<std::size_t>(element, field.usages.size() - 1)];
}

// Usage an array element selects with its value, 0 for none.
std::uint16_t UsageOfIndex(const ReportField& field, std::int64_t value) {
  if (value < field.logicalMin || value > field.logicalMax) return 0;
  const auto index = static_cast<std::uint64_t>(value - field.logicalMin);
  if (field.isRange) {
    const std::uint64_t usage = field.usageMin + index;
    return usage <= field.usageMax ? static_cast<std::uint16_t>(usage) : 0;
  }
  return index < field.usages.size() ? field.usages[index] : 0;
}

std::pair<std::uint16_t, std::uint16_t> ButtonUsageRange(const ReportField& field) {
  if (field.isRange) return {field.usageMin, field.usageMax};
  if (field.usages.empty()) return {0, 0};
  const auto [low, high] = std::minmax_element(field.usages.begin(), field.usages.end());
  return {*low, *high};
}

// HID bit order: bit 0 of a field is the least significant bit of its first byte.
std::optional<std::uint32_t> ReadBits(std::span<const std::uint8_t> data, std::uint64_t bitOffset,
                                      std::uint32_t size) {
  const std::uint64_t end = bitOffset + size;
  if (size == 0 || size > 32 || end > std::uint64_t{data.size()} * 8) return std::nullopt;
  std::uint64_t bits = 0;   // at most 5 bytes: 7 bits of lead-in plus 32 of field
  for (std::uint64_t byte = (end - 1) / 8 + 1; byte-- > bitOffset / 8;) {
    bits = (bits << 8) | data[static_cast<std::size_t>(byte)];
  }
  bits >>= bitOffset % 8;
  return static_cast<std::uint32_t>(bits & ((std::uint64_t{1} << size) - 1));
}

// A field with a negative logical minimum holds two's complement values of reportSize bits.
std::int64_t LogicalValue(const ReportField& field, std::uint32_t raw) {
  if (field.logicalMin >= 0) return raw;
  const std::uint64_t sign = std::uint64_t{1} << (field.reportSize - 1);
  return static_cast<std::int64_t>(raw ^ sign) - static_cast<std::int64_t>(sign);
}

std::int32_t ScaledValue(const ReportField& field, std::int64_t logical) {
  const bool noPhysical = field.physicalMin == 0 && field.physicalMax == 0;
  if (noPhysical || field.logicalMin >= field.logicalMax) return static_cast<std::int32_t>(logical);
  // Clamping keeps the offset and both spans below 2^32, so their product fits in 64 bits.
  const std::int64_t clamped =
      std::clamp<std::int64_t>(logical, field.logicalMin, field.logicalMax);
  const auto offset = static_cast<std::uint64_t>(clamped - field.logicalMin);
  const auto logicalSpan = static_cast<std::uint64_t>(std::int64_t{field.logicalMax} -
                                                      field.logicalMin);
  const std::int64_t physicalSpan = std::int64_t{field.physicalMax} - field.physicalMin;
  const auto magnitude = static_cast<std::int64_t>(
      offset * static_cast<std::uint64_t>(physicalSpan < 0 ? -physicalSpan : physicalSpan) /
      logicalSpan);
  return static_cast<std::int32_t>(field.physicalMin + (physicalSpan < 0 ? -magnitude : magnitude));
}

using UsagesByPage = std::map<std::uint16_t, std::vector<std::uint16_t>>;

// Usages the report sets on a page, over its input button fields in descriptor order.
std::vector<std::uint16_t> SetUsages(const ReportDescriptor& descriptor, std::uint8_t reportId,
                                     std::uint16_t page, std::span<const std::uint8_t> data) {
  std::vector<std::uint16_t> usages;
  for (const ReportField& field : descriptor.fields) {
    if (!IsInputButton(field) || field.reportId != reportId || field.usagePage != page) continue;
    for (std::uint32_t element = 0; element < field.reportCount; ++element) {
      const std::optional<std::uint32_t> bits = ReadBits(
          data, field.bitOffset + std::uint64_t{element} * field.reportSize, field.reportSize);
      if (!bits) break;
      const std::uint16_t usage = field.IsVariable()
                                      ? (*bits != 0 ? UsageOfElement(field, element) : 0)
                                      : UsageOfIndex(field, LogicalValue(field, *bits));
      if (usage != 0) usages.push_back(usage);
    }
  }
  return usages;
}

void FillButtons(HidDataItem& item, const std::vector<std::uint16_t>& set) {
  std::size_t kept = 0;
  for (const std::uint16_t usage : set) {
    if (kept == item.usages.size()) break;
    if (usage >= item.usageLow && usage <= item.usageHigh) item.usages[kept++] = usage;
  }
  for (std::size_t i = kept; i < item.usages.size(); ++i) item.usages[i] = 0;
  item.hasData = true;
}

bool FillValue(HidDataItem& item, const ReportField& field, std::span<const std::uint8_t> data) {
  if (item.element >= field.reportCount) return false;
  const std::optional<std::uint32_t> raw = ReadBits(
      data, field.bitOffset + std::uint64_t{item.element} * field.reportSize, field.reportSize);
  if (!raw) return false;
  item.rawValue = *raw;
  item.scaledValue = ScaledValue(field, LogicalValue(field, *raw));
  item.hasData = true;
  return true;
}

}  // namespace

std::uint32_t MaxUsageListLength(const ReportDescriptor& descriptor, std::uint16_t usagePage) {
  std::uint32_t length = 0;   // at most kMaxFields * kMaxReportCount
  for (const ReportField& field : descriptor.fields) {
    if (IsInputButton(field) && field.usagePage == usagePage) length += field.reportCount;
  }
  return length;
}

std::vector<HidDataItem> BuildInputDataItems(const ReportDescriptor& descriptor,
                                             std::size_t maxItems) {
  std::vector<HidDataItem> items;
  std::size_t slots = 0;
  for (std::size_t index = 0; index < descriptor.fields.size(); ++index) {
    const ReportField& field = descriptor.fields[index];
    if (!IsInputButton(field)) continue;
    if (items.size() >= maxItems) return items;
    const std::uint32_t capacity = MaxUsageListLength(descriptor, field.usagePage);
    if (capacity > kMaxUsageSlots - slots) continue;
    slots += capacity;
    HidDataItem& item = items.emplace_back();
    item.isButton = true;
    item.usagePage = field.usagePage;
    item.reportId = field.reportId;
    std::tie(item.usageLow, item.usageHigh) = ButtonUsageRange(field);
    item.usageCapacity = capacity;
    item.usages.assign(capacity, 0);
    item.field = index;
  }
  for (std::size_t index = 0; index < descriptor.fields.size(); ++index) {
    const ReportField& field = descriptor.fields[index];
    if (!IsInputValue(field)) continue;
    for (std::uint32_t element = 0; element < field.reportCount; ++element) {
      if (items.size() >= maxItems) return items;
      HidDataItem& item = items.emplace_back();
      item.usagePage = field.usagePage;
      item.reportId = field.reportId;
      item.usage = UsageOfElement(field, element);
      item.field = index;
      item.element = element;
    }
  }
  return items;
}

bool DecodeInputReport(const ReportDescriptor& descriptor, std::span<HidDataItem> items,
                       std::span<const std::uint8_t> report) {
  if (report.empty()) return false;
  const std::uint8_t reportId = report[0];
  const std::span<const std::uint8_t> data = report.subspan(1);
  UsagesByPage setUsages;   // filled per page on first use
  for (HidDataItem& item : items) {
    if (item.reportId != reportId) continue;
    if (item.field >= descriptor.fields.size()) return false;
    const ReportField& field = descriptor.fields[item.field];
    if (!item.isButton) {
      if (!FillValue(item, field, data)) return false;
      continue;
    }
    auto found = setUsages.find(item.usagePage);
    if (found == setUsages.end()) {
      std::vector<std::uint16_t> set = SetUsages(descriptor, reportId, item.usagePage, data);
      found = setUsages.emplace(item.usagePage, std::move(set)).first;
    }
    FillButtons(item, found->second);
  }
  return true;
}

}  // namespace tavrinex::device
