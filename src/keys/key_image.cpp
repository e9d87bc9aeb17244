#include "keys/key_image.h"

#include <algorithm>
#include <span>

namespace tavrinex::keys {
namespace {

using device::DeviceBlocks;

KeyFunction SlotOf(const KeyBlock& block, std::size_t slot) {
  const std::size_t at = kKeySlotSize * slot;
  return {block[at], block[at + 1], block[at + 2]};
}

void Store(KeyBlock& block, std::size_t slot, KeyFunction f) {
  const std::size_t at = kKeySlotSize * slot;
  block[at] = f.kind;
  block[at + 1] = f.param1;
  block[at + 2] = f.param2;
}

bool IsMacroKind(std::uint8_t kind) {
  return kind == static_cast<std::uint8_t>(KeyFunctionKind::kMacroKey) ||
         kind == static_cast<std::uint8_t>(KeyFunctionKind::kMacroRepeatKey);
}

bool HasKeyPages(DeviceKind kind) { return kind != DeviceKind::kMousePad; }

}  // namespace

std::size_t SlotCount(DeviceKind kind, const DeviceBlocks& blocks) {
  switch (kind) {
    case DeviceKind::kKeyboard:
      return std::min<std::size_t>(blocks.info[device::kInfoLedCount], kMaxKeyboardSlots);
    case DeviceKind::kMouse: return kMouseButtonCount;
    case DeviceKind::kMousePad: return 0;
  }
  return 0;
}

KeyPositionMap::KeyPositionMap() { entries_.fill(kNoSlot); }

void KeyPositionMap::Rebuild(const KeyBlock& defaults, std::size_t keyCount) {
  const std::size_t slots = std::min(keyCount, kMaxKeyboardSlots);
  std::lock_guard lock(mutex_);
  for (std::size_t n = 0; n < kKeyPositionCount; ++n) {
    for (std::size_t s = 0; s < slots; ++s) {
      if (SlotOf(defaults, s) == kReferenceLayout[n]) {
        entries_[n] = static_cast<std::uint8_t>(s);
        break;
      }
    }
  }
}

std::uint8_t KeyPositionMap::SlotOfPosition(std::size_t position) const {
  if (position >= kKeyPositionCount) return kNoSlot;
  std::lock_guard lock(mutex_);
  return entries_[position];
}

std::optional<std::size_t> KeyPositionMap::PositionOfSlot(std::size_t slot) const {
  std::lock_guard lock(mutex_);
  for (std::size_t n = 0; n < kKeyPositionCount; ++n) {
    if (entries_[n] == slot) return n;
  }
  return std::nullopt;
}

std::array<std::uint8_t, kKeyPositionCount> KeyPositionMap::Entries() const {
  std::lock_guard lock(mutex_);
  return entries_;
}

void RebuildKeyPositionMap(const DeviceImage& image, KeyPositionMap& map) {
  struct Source {
    KeyBlock defaults;
    std::size_t keyCount;
  };
  const Source source = image.Read(DeviceKind::kKeyboard, [](const DeviceBlocks& b) {
    return Source{b.defaultKeys, SlotCount(DeviceKind::kKeyboard, b)};
  });
  map.Rebuild(source.defaults, source.keyCount);
}

void ConnectKeyPositionMap(device::SyncHooks& hooks, const DeviceImage& image,
                           KeyPositionMap& map) {
  hooks.rebuildKeyPositionMap = [&image, &map] { RebuildKeyPositionMap(image, map); };
}

std::optional<KeyFunction> GetSlot(const DeviceImage& image, DeviceKind kind, std::size_t page,
                                   std::size_t slot) {
  if (!HasKeyPages(kind) || page >= device::kProfileCount || slot >= kMaxKeyboardSlots) {
    return std::nullopt;
  }
  return image.Read(kind, [&](const DeviceBlocks& b) { return SlotOf(b.keyPages[page], slot); });
}

bool SetSlot(DeviceImage& image, DeviceKind kind, std::size_t page, std::size_t slot,
             KeyFunction function) {
  if (page >= device::kProfileCount) return false;
  return image.Update(kind, [&](DeviceBlocks& b) {
    if (slot >= SlotCount(kind, b)) return false;
    Store(b.keyPages[page], slot, function);
    return true;
  });
}

bool IsFactoryDefault(const DeviceImage& image, DeviceKind kind, std::size_t page,
                      std::size_t slot) {
  if (!HasKeyPages(kind) || page >= device::kProfileCount || slot >= kMaxKeyboardSlots) {
    return false;
  }
  return image.Read(kind, [&](const DeviceBlocks& b) {
    return SlotOf(b.keyPages[page], slot) == SlotOf(b.defaultKeys, slot);
  });
}

bool RestoreDefault(DeviceImage& image, DeviceKind kind, std::size_t page, std::size_t slot) {
  if (page >= device::kProfileCount) return false;
  return image.Update(kind, [&](DeviceBlocks& b) {
    if (slot >= SlotCount(kind, b)) return false;
    Store(b.keyPages[page], slot, SlotOf(b.defaultKeys, slot));
    return true;
  });
}

std::optional<std::size_t> ActivePage(const DeviceImage& image, DeviceKind kind) {
  return device::ProfileIndexOf(image.Current(kind));
}

PageWrite WriteActivePage(DeviceKind kind, device::DeviceChannel& channel,
                          const DeviceImage& image) {
  struct Source {
    std::optional<std::size_t> page;
    std::size_t bytes;
    device::KeyPage data;
  };
  const Source source = image.Read(kind, [kind](const DeviceBlocks& b) {
    const auto page = device::ProfileIndexOf(b.current);
    std::size_t bytes = 0;
    if (kind == DeviceKind::kKeyboard) {
      // A count the page cannot hold was refused on connect; it never sends past the page.
      const std::size_t count = b.info[device::kInfoLedCount];
      bytes = count <= kMaxKeyboardSlots ? kKeySlotSize * count : 0;
    } else if (kind == DeviceKind::kMouse) {
      bytes = kKeyBlockSize;
    }
    return Source{page, bytes, page ? b.keyPages[*page] : device::KeyPage{}};
  });
  PageWrite out;
  if (!source.page || source.bytes == 0) return out;
  out.sent = true;
  out.page = *source.page;
  out.bytes = source.bytes;
  const auto note = [&out](device::CommandResult r) {
    if (r != device::kResultOk && out.result == device::kResultOk) out.result = r;
  };
  note(channel.Begin());
  note(channel.WriteKeyPage(static_cast<unsigned>(out.page),
                            std::span(source.data).first(source.bytes)));
  note(channel.End());
  return out;
}

std::size_t CountMacroReferences(const DeviceImage& image, DeviceKind kind, std::uint8_t macro) {
  return image.Read(kind, [&](const DeviceBlocks& b) {
    const std::size_t slots = SlotCount(kind, b);
    std::size_t count = 0;
    for (const auto& page : b.keyPages) {
      for (std::size_t s = 0; s < slots; ++s) {
        const KeyFunction f = SlotOf(page, s);
        if (IsMacroKind(f.kind) && f.param1 == macro) ++count;
      }
    }
    return count;
  });
}

std::size_t RemoveMacroReferences(DeviceImage& image, DeviceKind kind, std::uint8_t macro) {
  return image.Update(kind, [&](DeviceBlocks& b) {
    const std::size_t slots = SlotCount(kind, b);
    std::size_t changed = 0;
    for (auto& page : b.keyPages) {
      for (std::size_t s = 0; s < slots; ++s) {
        KeyFunction f = SlotOf(page, s);
        if (!IsMacroKind(f.kind) || f.param1 < macro) continue;
        if (f.param1 == macro) {
          f = SlotOf(b.defaultKeys, s);
        } else {
          --f.param1;
        }
        Store(page, s, f);
        ++changed;
      }
    }
    return changed;
  });
}

}  // namespace tavrinex::keys
