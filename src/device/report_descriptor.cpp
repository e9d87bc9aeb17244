#include "device/report_descriptor.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <utility>

namespace tavrinex::device {
namespace {

constexpr std::uint8_t kLongItemPrefix = 0xFE;
constexpr std::array<std::size_t, 4> kItemDataSizes = {0, 1, 2, 4};
constexpr std::size_t kReportIdSlots = 256;
constexpr std::size_t kReportKinds = 3;

enum class ItemType : std::uint8_t { kMain = 0, kGlobal = 1, kLocal = 2, kReserved = 3 };

namespace main_tag {
constexpr std::uint8_t kInput = 0x8;
constexpr std::uint8_t kOutput = 0x9;
constexpr std::uint8_t kCollection = 0xA;
constexpr std::uint8_t kFeature = 0xB;
constexpr std::uint8_t kEndCollection = 0xC;
}  // namespace main_tag

namespace global_tag {
constexpr std::uint8_t kUsagePage = 0x0;
constexpr std::uint8_t kLogicalMin = 0x1;
constexpr std::uint8_t kLogicalMax = 0x2;
constexpr std::uint8_t kPhysicalMin = 0x3;
constexpr std::uint8_t kPhysicalMax = 0x4;
constexpr std::uint8_t kReportSize = 0x7;
constexpr std::uint8_t kReportId = 0x8;
constexpr std::uint8_t kReportCount = 0x9;
constexpr std::uint8_t kPush = 0xA;
constexpr std::uint8_t kPop = 0xB;
}  // namespace global_tag

namespace local_tag {
constexpr std::uint8_t kUsage = 0x0;
constexpr std::uint8_t kUsageMin = 0x1;
constexpr std::uint8_t kUsageMax = 0x2;
}  // namespace local_tag

constexpr std::uint32_t kApplicationCollection = 0x01;

std::string Limit(const char* what, std::size_t limit) {
  return std::string(what) + " " + std::to_string(limit);
}

struct Item {
  ItemType type = ItemType::kMain;
  std::uint8_t tag = 0;
  std::size_t size = 0;     // data bytes
  std::uint32_t data = 0;   // little-endian, zero-extended

  [[nodiscard]] std::int32_t Signed() const {
    if (size == 0 || size == 4) return static_cast<std::int32_t>(data);
    const std::uint32_t sign = 1U << (8 * size - 1);
    return static_cast<std::int32_t>(data ^ sign) - static_cast<std::int32_t>(sign);
  }
  // A four-byte usage carries its usage page in the high half.
  [[nodiscard]] bool Extended() const { return size == 4; }
};

// Unit and unit exponent are accepted but not kept: nothing downstream reads them.
struct GlobalState {
  std::uint16_t usagePage = 0;
  std::int32_t logicalMin = 0;
  std::int32_t logicalMax = 0;
  std::int32_t physicalMin = 0;
  std::int32_t physicalMax = 0;
  std::uint32_t reportSize = 0;
  std::uint32_t reportCount = 0;
  std::uint8_t reportId = 0;
};

// One Usage (min == max) or one Usage Minimum/Maximum pair, as written.
struct UsageEntry {
  std::uint32_t min = 0;
  std::uint32_t max = 0;
  bool extended = false;
  bool range = false;
};

struct LocalState {
  std::vector<UsageEntry> usages;
  std::optional<Item> pendingMin;
  std::optional<Item> pendingMax;
};

class Parser {
 public:
  Parser(std::span<const std::uint8_t> bytes, ReportDescriptor& out) : bytes_(bytes), out_(out) {}

  bool Run();
  [[nodiscard]] const DescriptorError& Error() const { return error_; }

 private:
  bool Fail(std::string reason) {
    error_ = {itemOffset_, std::move(reason)};
    return false;
  }
  bool ReadItem(std::size_t pos, Item& item);
  bool HandleMain(const Item& item);
  bool HandleGlobal(const Item& item);
  bool HandleLocal(const Item& item);
  bool AddUsage(const UsageEntry& entry);
  bool ClosePendingRange();
  bool OpenCollection(const Item& item);
  bool CloseCollection();
  bool AddField(ReportKind kind, std::uint32_t flags);
  bool FillFieldUsages(ReportField& field);
  bool Finish();

  std::span<const std::uint8_t> bytes_;
  ReportDescriptor& out_;
  DescriptorError error_;
  std::size_t itemOffset_ = 0;
  GlobalState global_;
  std::vector<GlobalState> globalStack_;
  LocalState local_;
  std::size_t depth_ = 0;
  std::optional<std::size_t> topLevel_;   // application collection the parser is inside
  std::array<std::array<std::uint32_t, kReportIdSlots>, kReportKinds> reportBits_{};
  std::array<std::array<bool, kReportIdSlots>, kReportKinds> reportSeen_{};
};

bool Parser::Run() {
  if (bytes_.empty()) return Fail("empty descriptor");
  if (bytes_.size() > kMaxDescriptorBytes) {
    return Fail(Limit("descriptor larger than", kMaxDescriptorBytes) + " bytes");
  }
  std::size_t pos = 0;
  while (pos < bytes_.size()) {
    itemOffset_ = pos;
    Item item;
    if (!ReadItem(pos, item)) return false;
    pos += 1 + item.size;
    bool ok = true;
    switch (item.type) {
      case ItemType::kMain: ok = HandleMain(item); break;
      case ItemType::kGlobal: ok = HandleGlobal(item); break;
      case ItemType::kLocal: ok = HandleLocal(item); break;
      case ItemType::kReserved: break;
    }
    if (!ok) return false;
  }
  itemOffset_ = bytes_.size();
  return Finish();
}

bool Parser::ReadItem(std::size_t pos, Item& item) {
  const std::uint8_t prefix = bytes_[pos];
  if (prefix == kLongItemPrefix) return Fail("long items are not supported");
  item.size = kItemDataSizes[prefix & 0x03U];
  item.type = static_cast<ItemType>((prefix >> 2) & 0x03U);
  item.tag = static_cast<std::uint8_t>(prefix >> 4);
  if (bytes_.size() - pos - 1 < item.size) return Fail("truncated item");
  for (std::size_t i = 0; i < item.size; ++i) {
    item.data |= static_cast<std::uint32_t>(bytes_[pos + 1 + i]) << (8 * i);
  }
  return true;
}

bool Parser::HandleGlobal(const Item& item) {
  switch (item.tag) {
    case global_tag::kUsagePage: global_.usagePage = static_cast<std::uint16_t>(item.data); break;
    case global_tag::kLogicalMin: global_.logicalMin = item.Signed(); break;
    case global_tag::kLogicalMax: global_.logicalMax = item.Signed(); break;
    case global_tag::kPhysicalMin: global_.physicalMin = item.Signed(); break;
    case global_tag::kPhysicalMax: global_.physicalMax = item.Signed(); break;
    case global_tag::kReportSize: global_.reportSize = item.data; break;
    case global_tag::kReportCount: global_.reportCount = item.data; break;
    case global_tag::kReportId:
      if (item.data == 0) return Fail("report id 0 is reserved");
      if (item.data >= kReportIdSlots) return Fail("report id above 255");
      global_.reportId = static_cast<std::uint8_t>(item.data);
      out_.usesReportIds = true;
      break;
    case global_tag::kPush:
      if (globalStack_.size() >= kMaxGlobalStackDepth) {
        return Fail("push beyond the global stack limit");
      }
      globalStack_.push_back(global_);
      break;
    case global_tag::kPop:
      if (globalStack_.empty()) return Fail("pop with an empty global stack");
      global_ = globalStack_.back();
      globalStack_.pop_back();
      break;
    default: break;   // unit, unit exponent, reserved
  }
  return true;
}

bool Parser::HandleLocal(const Item& item) {
  switch (item.tag) {
    case local_tag::kUsage: return AddUsage({item.data, item.data, item.Extended(), false});
    case local_tag::kUsageMin:
      if (local_.pendingMin && !ClosePendingRange()) return false;
      local_.pendingMin = item;
      break;
    case local_tag::kUsageMax:
      if (local_.pendingMax && !ClosePendingRange()) return false;
      local_.pendingMax = item;
      break;
    default: return true;   // designators, strings, delimiters
  }
  // Either order of Usage Minimum and Usage Maximum makes a range.
  return !(local_.pendingMin && local_.pendingMax) || ClosePendingRange();
}

bool Parser::AddUsage(const UsageEntry& entry) {
  if (local_.usages.size() >= kMaxLocalUsages) {
    return Fail(Limit("more usages than", kMaxLocalUsages));
  }
  local_.usages.push_back(entry);
  return true;
}

// Closes a Usage Minimum/Maximum pair; one half alone stands for a single usage.
bool Parser::ClosePendingRange() {
  const std::optional<Item> min = std::exchange(local_.pendingMin, std::nullopt);
  const std::optional<Item> max = std::exchange(local_.pendingMax, std::nullopt);
  if (min && max) {
    if ((min->data & 0xFFFFU) > (max->data & 0xFFFFU)) {
      return Fail("usage minimum above usage maximum");
    }
    return AddUsage({min->data, max->data, min->Extended(), true});
  }
  const std::optional<Item>& single = min ? min : max;
  return !single || AddUsage({single->data, single->data, single->Extended(), false});
}

bool Parser::HandleMain(const Item& item) {
  bool ok = true;
  switch (item.tag) {
    case main_tag::kInput: ok = AddField(ReportKind::kInput, item.data); break;
    case main_tag::kOutput: ok = AddField(ReportKind::kOutput, item.data); break;
    case main_tag::kFeature: ok = AddField(ReportKind::kFeature, item.data); break;
    case main_tag::kCollection: ok = OpenCollection(item); break;
    case main_tag::kEndCollection: ok = CloseCollection(); break;
    default: break;
  }
  local_ = {};
  return ok;
}

bool Parser::OpenCollection(const Item& item) {
  if (depth_ >= kMaxCollectionDepth) {
    return Fail(Limit("collections nested deeper than", kMaxCollectionDepth));
  }
  if (!ClosePendingRange()) return false;
  if (depth_ == 0 && item.data == kApplicationCollection) {
    TopLevelCollection collection{global_.usagePage, 0};
    if (!local_.usages.empty()) {
      const UsageEntry& first = local_.usages.front();
      if (first.extended) collection.usagePage = static_cast<std::uint16_t>(first.min >> 16);
      collection.usage = static_cast<std::uint16_t>(first.min);
    }
    topLevel_ = out_.collections.size();
    out_.collections.push_back(collection);
  }
  ++depth_;
  return true;
}

bool Parser::CloseCollection() {
  if (depth_ == 0) return Fail("end collection without an open collection");
  if (--depth_ == 0) topLevel_.reset();
  return true;
}

bool Parser::AddField(ReportKind kind, std::uint32_t flags) {
  if (!topLevel_) return Fail("data item outside an application collection");
  if (global_.reportSize == 0 || global_.reportSize > kMaxReportSizeBits) {
    return Fail(Limit("report size outside 1 ..", kMaxReportSizeBits) + " bits");
  }
  if (global_.reportCount > kMaxReportCount) {
    return Fail(Limit("report count above", kMaxReportCount));
  }
  if (out_.fields.size() >= kMaxFields) return Fail(Limit("more fields than", kMaxFields));
  const auto kindIndex = static_cast<std::size_t>(kind);
  std::uint32_t& bits = reportBits_[kindIndex][global_.reportId];
  const std::uint32_t fieldBits = global_.reportSize * global_.reportCount;   // at most 2^17
  if (fieldBits > kMaxReportBits - bits) {
    return Fail(Limit("report longer than", kMaxReportBits) + " bits");
  }

  ReportField field;
  field.kind = kind;
  field.reportId = global_.reportId;
  field.bitOffset = bits;
  field.reportSize = global_.reportSize;
  field.reportCount = global_.reportCount;
  field.flags = flags;
  field.usagePage = global_.usagePage;
  field.logicalMin = global_.logicalMin;
  field.logicalMax = global_.logicalMax;
  field.physicalMin = global_.physicalMin;
  field.physicalMax = global_.physicalMax;
  field.collection = *topLevel_;
  if (!FillFieldUsages(field)) return false;

  bits += fieldBits;
  reportSeen_[kindIndex][global_.reportId] = true;
  out_.fields.push_back(std::move(field));
  return true;
}

// A lone range stays a range; anything else is spelled out as a list, in order.
bool Parser::FillFieldUsages(ReportField& field) {
  if (!ClosePendingRange()) return false;
  const std::vector<UsageEntry>& entries = local_.usages;
  for (const UsageEntry& entry : entries) {
    if (entry.extended) {
      field.usagePage = static_cast<std::uint16_t>(entry.min >> 16);
      break;
    }
  }
  if (entries.size() == 1 && entries.front().range) {
    field.isRange = true;
    field.usageMin = static_cast<std::uint16_t>(entries.front().min);
    field.usageMax = static_cast<std::uint16_t>(entries.front().max);
    return true;
  }
  for (const UsageEntry& entry : entries) {
    const std::uint32_t low = entry.min & 0xFFFFU;
    const std::uint32_t high = entry.max & 0xFFFFU;
    if (high - low >= kMaxLocalUsages - field.usages.size()) {
      return Fail(Limit("more usages than", kMaxLocalUsages));
    }
    for (std::uint32_t usage = low; usage <= high; ++usage) {
      field.usages.push_back(static_cast<std::uint16_t>(usage));
    }
  }
  return true;
}

bool Parser::Finish() {
  if (depth_ != 0) return Fail("collection left open");
  if (out_.collections.empty()) return Fail("no application collection");
  std::array<std::uint16_t*, kReportKinds> lengths = {
      &out_.inputReportLength, &out_.outputReportLength, &out_.featureReportLength};
  for (std::size_t kind = 0; kind < kReportKinds; ++kind) {
    for (std::size_t id = 0; id < kReportIdSlots; ++id) {
      if (!reportSeen_[kind][id]) continue;
      // The id byte counts even without report ids, as Windows reports the length.
      const auto length = static_cast<std::uint16_t>((reportBits_[kind][id] + 7) / 8 + 1);
      if (length > *lengths[kind]) *lengths[kind] = length;
    }
  }
  return true;
}

}  // namespace

bool ParseReportDescriptor(std::span<const std::uint8_t> bytes, ReportDescriptor& out,
                           DescriptorError* error) {
  out = {};
  Parser parser(bytes, out);
  if (parser.Run()) return true;
  if (error != nullptr) *error = parser.Error();
  out = {};
  return false;
}

namespace {

// Bytes of report `id` of `kind`, id byte included: the end of its furthest field.
std::uint16_t ReportLength(const ReportDescriptor& d, ReportKind kind, std::uint8_t id) {
  std::uint64_t bits = 0;
  for (const ReportField& f : d.fields) {
    if (f.kind != kind || f.reportId != id) continue;
    const std::uint64_t end =
        std::uint64_t{f.bitOffset} + std::uint64_t{f.reportSize} * f.reportCount;
    bits = std::max(bits, end);
  }
  return static_cast<std::uint16_t>((bits + 7) / 8 + 1);
}

void AddReport(const ReportDescriptor& d, const ReportField& f, std::vector<std::uint8_t>& ids,
               std::uint16_t& length) {
  if (std::find(ids.begin(), ids.end(), f.reportId) != ids.end()) return;
  ids.push_back(f.reportId);
  length = std::max(length, ReportLength(d, f.kind, f.reportId));
}

}  // namespace

CollectionReports ReportsOf(const ReportDescriptor& descriptor, std::size_t collection) {
  CollectionReports out;
  for (const ReportField& f : descriptor.fields) {
    if (f.collection != collection) continue;
    if (f.kind == ReportKind::kInput) {
      AddReport(descriptor, f, out.inputReportIds, out.inputReportLength);
    }
    if (f.kind == ReportKind::kOutput) {
      AddReport(descriptor, f, out.outputReportIds, out.outputReportLength);
    }
  }
  return out;
}

ReportDescriptor CollectionView(const ReportDescriptor& descriptor, std::size_t collection) {
  ReportDescriptor view;
  if (collection >= descriptor.collections.size()) return view;
  view.collections.push_back(descriptor.collections[collection]);
  view.usesReportIds = descriptor.usesReportIds;
  for (const ReportField& f : descriptor.fields) {
    if (f.collection != collection) continue;
    view.fields.push_back(f);
    view.fields.back().collection = 0;
  }
  const CollectionReports reports = ReportsOf(descriptor, collection);
  view.inputReportLength = reports.inputReportLength;
  view.outputReportLength = reports.outputReportLength;
  for (const ReportField& f : view.fields) {
    if (f.kind == ReportKind::kFeature) {
      view.featureReportLength =
          std::max(view.featureReportLength, ReportLength(descriptor, f.kind, f.reportId));
    }
  }
  return view;
}

}  // namespace tavrinex::device
