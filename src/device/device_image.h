// The host's image of each device: the blocks read from it on connect, which every editor
// shows and changes. The UI thread, the detection threads and the animation threads share it,
// so each device kind's blocks sit behind their own mutex and are reached only through
// Read / Update (a callback under the lock) or copied out whole with Snapshot.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <type_traits>
#include <utility>

#include "device/device_channel.h"
#include "device/device_kind.h"
#include "keys/key_layout_data.h"

namespace tavrinex::device {

inline constexpr std::size_t kProfileCount = 5;
inline constexpr std::size_t kSettingsSlotSize = 64;
inline constexpr std::size_t kSettingsTransferSize = 56;  // bytes of a slot on the wire
inline constexpr std::size_t kCurrentRecordSize = 21;
inline constexpr std::size_t kKeyBlockSize = keys::kKeyBlockSize;
inline constexpr std::size_t kInfoLedCount = 5;  // keyboard: LEDs, and key slots
// 3 x LED count must fit the 512-byte key block slots.
inline constexpr unsigned kMaxKeyboardLedCount = kKeyBlockSize / 3;  // 170
static_assert(kMaxKeyboardLedCount == 170);

using DeviceInfoBlock = std::array<std::uint8_t, kInfoBlockSize>;
using DefaultKeyBlock = keys::KeyBlock;
using KeyPage = keys::KeyBlock;
using SettingsRecord = std::array<std::uint8_t, kSettingsSlotSize>;
// The working copy of the active profile's settings; byte 0 is the active profile's index.
using CurrentRecord = std::array<std::uint8_t, kCurrentRecordSize>;

// The blocks of one device kind. The mouse pad has no key blocks; its key fields stay zero.
struct DeviceBlocks {
  DeviceInfoBlock info{};
  DefaultKeyBlock defaultKeys{};
  std::array<KeyPage, kProfileCount> keyPages{};
  std::array<SettingsRecord, kProfileCount> settings{};
  CurrentRecord current{};
};
static_assert(sizeof(DeviceInfoBlock) == 33 && sizeof(DefaultKeyBlock) == 512 &&
              sizeof(KeyPage) == 512 && sizeof(SettingsRecord) == 64 && sizeof(CurrentRecord) == 21);
static_assert(sizeof(DeviceBlocks) == 33 + 512 + 5 * 512 + 5 * 64 + 21);

// The blocks before any device has been read: all zero but the built-in default key blocks.
[[nodiscard]] DeviceBlocks InitialBlocks(DeviceKind kind);

// The profile a current record names, when it names one that exists.
[[nodiscard]] inline std::optional<std::size_t> ProfileIndexOf(const CurrentRecord& record) {
  if (record[0] < kProfileCount) return record[0];
  return std::nullopt;
}

class DeviceImage {
 public:
  DeviceImage();
  DeviceImage(const DeviceImage&) = delete;
  DeviceImage& operator=(const DeviceImage&) = delete;

  // A copy of all blocks of one kind, consistent with itself.
  [[nodiscard]] DeviceBlocks Snapshot(DeviceKind kind) const;
  [[nodiscard]] CurrentRecord Current(DeviceKind kind) const;
  [[nodiscard]] DeviceInfoBlock Info(DeviceKind kind) const;

  // Runs reader on the blocks under the kind's lock and returns its (copied) result. The
  // reader must not touch the image again (the lock is not re-entrant) and must not keep
  // references: results are values, never references or pointers into the image.
  template <typename F>
  auto Read(DeviceKind kind, F&& reader) const {
    using R = std::invoke_result_t<F&, const DeviceBlocks&>;
    static_assert(!std::is_reference_v<R> && !std::is_pointer_v<R>,
                  "copy values out of the image, never references into it");
    const Guarded& g = kinds_[IndexOf(kind)];
    std::lock_guard lock(g.mutex);
    return reader(std::as_const(g.blocks));
  }

  // Changes the blocks under the kind's lock; the same rules as for Read.
  template <typename F>
  auto Update(DeviceKind kind, F&& writer) {
    using R = std::invoke_result_t<F&, DeviceBlocks&>;
    static_assert(!std::is_reference_v<R> && !std::is_pointer_v<R>,
                  "copy values out of the image, never references into it");
    Guarded& g = kinds_[IndexOf(kind)];
    std::lock_guard lock(g.mutex);
    return writer(g.blocks);
  }

 private:
  struct Guarded {
    mutable std::mutex mutex;
    DeviceBlocks blocks;
  };
  std::array<Guarded, kDeviceKindCount> kinds_;
};

}  // namespace tavrinex::device
