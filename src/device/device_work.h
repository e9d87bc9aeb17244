// Work that must reach a device but must not run on the UI thread (a synchronisation, a
// re-read, the settings flush): handed to the device's detection thread, which runs it under
// its channel lock between its probes and posts only the display refresh back.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "device/device_kind.h"
#include "device/fd_io.h"

namespace tavrinex::device {

// What a piece of work is, so that a burst of the same request runs once.
enum class DeviceTask : std::uint8_t {
  kSync,             // DeviceSync
  kReread,           // RereadActiveSettings
  kFlushSettings,    // the CurrentRecord to the device
  kDefaultKeyFile,   // SaveDefaultKeyFile
  kKeySave,          // the key editor's save: macros, key page, key profile
  kSaveLightProfile, // an editor's save of the selected light profile (a file write)
  kOnboardProfile,   // SelectOnboardProfile
  kFactoryReset,     // CMD_FACTORY_RESET
  kWriteKeyPage,     // page 0 of the key image after a key profile was selected or reset
};

class DeviceWorkQueue {
 public:
  using Work = std::function<void()>;

  // Any thread; never blocks. Work of a task that is still waiting is replaced by the newer.
  void Post(DeviceKind kind, DeviceTask task, Work work);
  // The device thread: everything queued for the kind, in order, leaving the queue empty.
  [[nodiscard]] std::vector<Work> Take(DeviceKind kind);
  // Readable while work waits for the kind.
  [[nodiscard]] int Fd(DeviceKind kind) const { return wake_[IndexOf(kind)].Get(); }
  [[nodiscard]] std::size_t Pending(DeviceKind kind) const;

 private:
  struct Entry {
    DeviceTask task;
    Work work;
  };
  mutable std::mutex mutex_;
  std::array<std::vector<Entry>, kDeviceKindCount> queues_;
  std::array<EventFd, kDeviceKindCount> wake_;
};

}  // namespace tavrinex::device
