// HID report descriptor parser: turns the descriptor bytes of one HID interface into its
// top-level collections and report fields, which is everything the transport needs to
// state an interface's usage page and usage and to decode its input reports.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tavrinex::device {

enum class ReportKind : std::uint8_t { kInput, kOutput, kFeature };

struct TopLevelCollection {
  std::uint16_t usagePage = 0;
  std::uint16_t usage = 0;
};

// One main item (Input, Output or Feature) with the global and local state in force for it.
struct ReportField {
  ReportKind kind = ReportKind::kInput;
  std::uint8_t reportId = 0;        // 0 when the descriptor declares no report ids
  std::uint32_t bitOffset = 0;      // from the first data bit of the report (after the id byte)
  std::uint32_t reportSize = 0;     // bits per element, 1..32
  std::uint32_t reportCount = 0;    // elements
  std::uint32_t flags = 0;          // main item data: bit 0 constant, bit 1 variable, ...
  std::uint16_t usagePage = 0;
  // Usages: either an explicit list (usages) or a range (usageMin..usageMax, isRange).
  bool isRange = false;
  std::uint16_t usageMin = 0;
  std::uint16_t usageMax = 0;
  std::vector<std::uint16_t> usages;
  std::int32_t logicalMin = 0;
  std::int32_t logicalMax = 0;
  std::int32_t physicalMin = 0;
  std::int32_t physicalMax = 0;
  std::size_t collection = 0;       // index into ReportDescriptor::collections

  [[nodiscard]] bool IsConstant() const { return (flags & 0x01U) != 0; }
  [[nodiscard]] bool IsVariable() const { return (flags & 0x02U) != 0; }
  // Buttons: one-bit variables and every array; values: wider variables.
  [[nodiscard]] bool IsButton() const { return !IsVariable() || reportSize == 1; }
};

struct ReportDescriptor {
  std::vector<TopLevelCollection> collections;
  std::vector<ReportField> fields;     // in descriptor order
  bool usesReportIds = false;
  // Report lengths in bytes including the leading report id byte (which is 0 when the
  // descriptor declares no ids), the largest over all report ids, as Windows states them.
  std::uint16_t inputReportLength = 0;
  std::uint16_t outputReportLength = 0;
  std::uint16_t featureReportLength = 0;
};

struct DescriptorError {
  std::size_t offset = 0;   // byte offset of the offending item
  std::string reason;
};

// Limits that keep a hostile descriptor from costing unbounded memory or time.
inline constexpr std::size_t kMaxDescriptorBytes = 4096;
inline constexpr std::uint32_t kMaxReportSizeBits = 32;
inline constexpr std::uint32_t kMaxReportCount = 4096;
inline constexpr std::uint32_t kMaxReportBits = 8 * 4096;
inline constexpr std::size_t kMaxCollectionDepth = 16;
inline constexpr std::size_t kMaxGlobalStackDepth = 8;
inline constexpr std::size_t kMaxLocalUsages = 1024;
inline constexpr std::size_t kMaxFields = 1024;

// The reports one top-level collection sends and receives. On Linux one hidraw node carries
// every collection of a USB interface, so a reader picks its collection's reports by id.
struct CollectionReports {
  std::vector<std::uint8_t> inputReportIds;  // each once, in descriptor order
  std::vector<std::uint8_t> outputReportIds;
  // Bytes including the id byte, the longest over the collection's report ids.
  std::uint16_t inputReportLength = 0;
  std::uint16_t outputReportLength = 0;
};
[[nodiscard]] CollectionReports ReportsOf(const ReportDescriptor& descriptor,
                                          std::size_t collection);

// The descriptor as seen by one top-level collection: that collection alone, its fields
// (collection index 0) and its report lengths. What a reader of that collection decodes with.
[[nodiscard]] ReportDescriptor CollectionView(const ReportDescriptor& descriptor,
                                              std::size_t collection);

// Parses a descriptor. Returns false and fills error (when given) for a malformed one:
// truncated item, long item, report size or count beyond the limits, collections nested
// too deep or unbalanced, push/pop misuse, a main item outside any collection.
[[nodiscard]] bool ParseReportDescriptor(std::span<const std::uint8_t> bytes, ReportDescriptor& out,
                                         DescriptorError* error = nullptr);

}  // namespace tavrinex::device
