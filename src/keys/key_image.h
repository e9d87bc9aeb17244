// The key model: the key pages of the keyboard and the mouse as the device image holds them
// (five pages per device, one per on-board profile), the keyboard's map from view positions to
// slots, the operations that change slots, and the write of the active page back to the device.
//
// The pages and the default key blocks live in the DeviceImage and are only reached under its
// per-kind lock; the position map carries its own lock. Both are shared by the UI thread (edits)
// and the detection threads (synchronisation).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>

#include "device/device_channel.h"
#include "device/device_image.h"
#include "device/device_kind.h"
#include "device/device_sync.h"
#include "keys/key_function.h"
#include "keys/key_layout_data.h"

namespace tavrinex::keys {

using device::DeviceImage;
using device::DeviceKind;

// The five key pages of one device kind: page p is on-board profile p.
using KeyImage = std::array<device::KeyPage, device::kProfileCount>;
static_assert(sizeof(KeyImage) == 5 * 512);

inline constexpr std::size_t kMaxKeyboardSlots = kKeyBlockSize / kKeySlotSize;  // 170
static_assert(kMaxKeyboardSlots == 170);

// Slots that carry keys: keyboard the key count of its info block (bounded by what a 512-byte
// page holds), mouse its six buttons, mouse pad none.
[[nodiscard]] std::size_t SlotCount(DeviceKind kind, const device::DeviceBlocks& blocks);

// For each of the 126 positions of the keyboard view, the slot it edits; kNoSlot for none.
// Entries start at kNoSlot and a rebuild only overwrites the positions it finds a slot for.
class KeyPositionMap {
 public:
  KeyPositionMap();
  KeyPositionMap(const KeyPositionMap&) = delete;
  KeyPositionMap& operator=(const KeyPositionMap&) = delete;

  // Each position takes the first of the first `keyCount` default slots that holds its
  // reference function; positions without a match keep their entry.
  void Rebuild(const KeyBlock& defaults, std::size_t keyCount);

  // kNoSlot for a position without a slot or outside 0-125.
  [[nodiscard]] std::uint8_t SlotOfPosition(std::size_t position) const;
  // The first position that edits the slot.
  [[nodiscard]] std::optional<std::size_t> PositionOfSlot(std::size_t slot) const;
  [[nodiscard]] std::array<std::uint8_t, kKeyPositionCount> Entries() const;

 private:
  mutable std::mutex mutex_;
  std::array<std::uint8_t, kKeyPositionCount> entries_;
};

// The keyboard's map from its default key block, as synchronisation asks after reading it.
void RebuildKeyPositionMap(const DeviceImage& image, KeyPositionMap& map);

// Sets the synchronisation hook that rebuilds the map. The image and the map must outlive
// every synchronisation that uses the hooks.
void ConnectKeyPositionMap(device::SyncHooks& hooks, const DeviceImage& image,
                           KeyPositionMap& map);

// Slot access. page 0-4; slot within the 170 slots a page holds. Out-of-range arguments read
// as nothing and change nothing. SetSlot and RestoreDefault change only slots that carry keys
// (SlotCount): the rest of a page is carried as the device gave it.
[[nodiscard]] std::optional<KeyFunction> GetSlot(const DeviceImage& image, DeviceKind kind,
                                                 std::size_t page, std::size_t slot);
bool SetSlot(DeviceImage& image, DeviceKind kind, std::size_t page, std::size_t slot,
             KeyFunction function);
[[nodiscard]] bool IsFactoryDefault(const DeviceImage& image, DeviceKind kind, std::size_t page,
                                    std::size_t slot);
bool RestoreDefault(DeviceImage& image, DeviceKind kind, std::size_t page, std::size_t slot);

// The page of the active on-board profile (byte 0 of the current record), when it names one.
[[nodiscard]] std::optional<std::size_t> ActivePage(const DeviceImage& image, DeviceKind kind);

struct PageWrite {
  bool sent = false;       // false: nothing was sent (no valid active page, or no key pages)
  std::size_t page = 0;
  std::size_t bytes = 0;   // page bytes handed to CMD_WRITE_KEY_PAGE
  device::CommandResult result = device::kResultOk;  // first failing command, else ok
};

// CMD_BEGIN, CMD_WRITE_KEY_PAGE with the active page (keyboard 3 x key count bytes, mouse 512),
// CMD_END. Results are reported, not acted on. A current record naming no profile, or a
// keyboard key count too large for a page, sends nothing.
PageWrite WriteActivePage(DeviceKind kind, device::DeviceChannel& channel,
                          const DeviceImage& image);

// Slots of kind MacroKey or MacroRepeatKey whose param1 is `macro`, over all five pages and
// the slots that carry keys.
[[nodiscard]] std::size_t CountMacroReferences(const DeviceImage& image, DeviceKind kind,
                                               std::uint8_t macro);

// After macro d is deleted: slots naming d get their factory default back, slots naming a
// later macro move down by one. Returns the number of slots changed.
std::size_t RemoveMacroReferences(DeviceImage& image, DeviceKind kind, std::uint8_t macro);

}  // namespace tavrinex::keys
