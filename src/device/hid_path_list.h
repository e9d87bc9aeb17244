// The list of HID interfaces found by one enumeration, with the read cursor of the scan that
// walks it. Its room starts at 8 entries and doubles whenever it is full.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "device/hid_backend.h"

namespace tavrinex::device {

class HidPathList {
 public:
  static constexpr std::size_t kInitialCapacity = 8;

  void Clear();
  void Append(HidInterfaceInfo entry);

  [[nodiscard]] std::size_t Count() const { return entries_.size(); }
  [[nodiscard]] std::size_t Capacity() const { return capacity_; }
  [[nodiscard]] const HidInterfaceInfo& operator[](std::size_t i) const { return entries_[i]; }
  [[nodiscard]] const std::vector<HidInterfaceInfo>& Entries() const { return entries_; }

  std::uint32_t cursor = 0;  // next entry the detection scan looks at

 private:
  std::vector<HidInterfaceInfo> entries_;
  std::size_t capacity_ = 0;
};

// Fills the list with every interface present, in the platform's order. On failure the list
// is left empty and false is returned.
[[nodiscard]] bool EnumerateHidPaths(HidBackend& backend, HidPathList& list);

}  // namespace tavrinex::device
