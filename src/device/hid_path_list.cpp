#include "device/hid_path_list.h"

#include <new>
#include <utility>

namespace tavrinex::device {

void HidPathList::Clear() {
  entries_ = {};
  capacity_ = 0;
  cursor = 0;
}

void HidPathList::Append(HidInterfaceInfo entry) {
  if (entries_.size() == capacity_) {
    capacity_ = capacity_ == 0 ? kInitialCapacity : capacity_ * 2;
    entries_.reserve(capacity_);
  }
  entries_.push_back(std::move(entry));
}

bool EnumerateHidPaths(HidBackend& backend, HidPathList& list) {
  list.Clear();
  try {
    if (backend.Enumerate([&list](HidInterfaceInfo info) { list.Append(std::move(info)); })) {
      return true;
    }
  } catch (const std::bad_alloc&) {
    // fall through: out of memory is an enumeration failure like any other
  }
  list.Clear();
  return false;
}

}  // namespace tavrinex::device
