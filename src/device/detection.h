// The detection threads: one per device kind, each finds its device's configuration
// interface, opens it, synchronises the device, updates the window, and then watches for the
// device to go away. Besides the periodic search (1000 ms) and presence probe (100 ms) a
// thread wakes at once for a hot-plug event or when its open interface hangs up.
//
// Everything the threads need from the rest of the program comes in as hooks, so that the
// main window wires them in a few lines and tests drive them against the simulator.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

#include "core/stop_event.h"
#include "device/device_channel.h"
#include "device/device_image.h"
#include "device/device_kind.h"
#include "device/device_sync.h"
#include "device/device_work.h"
#include "device/hotplug.h"

namespace tavrinex::device {

inline constexpr std::chrono::milliseconds kSearchPeriod{1000};  // while absent
inline constexpr std::chrono::milliseconds kProbePeriod{100};     // while connected
// Keyboard: the tab is shown this long before the device counts as connected.
inline constexpr std::chrono::milliseconds kKeyboardSettleDelay{100};
inline constexpr int kRepaintTimer = 7;  // the deferred repaint after a connection
inline constexpr std::chrono::milliseconds kRepaintDelay{100};

// The controls a kind's detection drives.
struct KindControls {
  std::string_view tab;         // the tab's option button
  std::string_view sameMode;    // shown while another kind is connected too
  std::string_view lightCombo;  // lighting-profile list
  std::string_view keyCombo;    // key-profile list; empty for the mouse pad
  std::array<DeviceKind, 2> nextTab;  // which tab to select when this kind goes, in order
};
inline constexpr std::array<KindControls, kDeviceKindCount> kKindControls = {{
    {"kb_tab", "kb_deng_same_mode", "kb_deng_profile_combo", "kb_key_profile_combo",
     {DeviceKind::kMouse, DeviceKind::kMousePad}},
    {"ms_tab", "ms_deng_same_mode", "ms_deng_profile_combo", "ms_key_profile_combo",
     {DeviceKind::kKeyboard, DeviceKind::kMousePad}},
    {"mp_tab", "mp_deng_same_mode", "mp_deng_profile_combo", "",
     {DeviceKind::kKeyboard, DeviceKind::kMouse}},
}};
static_assert(kKindControls.size() == kAllDeviceKinds.size());

[[nodiscard]] constexpr const KindControls& ControlsOf(DeviceKind kind) {
  return kKindControls[IndexOf(kind)];
}

enum class ProfileList : std::uint8_t { kLight, kKey };

// What the device threads ask of the main window. The UI steps are posted to the UI thread,
// in order, each as one closure; the hooks named "on the UI thread" are called from those
// closures only. The object must outlive the UI thread's handling of what was posted.
struct WindowHooks {
  // Runs the closure on the UI thread, after everything posted before it. Unset: inline.
  std::function<void(std::function<void()>)> post;
  // Sends a window message and waits until the UI thread has handled it, or until `stop` is
  // set; false when it was not handled.
  std::function<bool(std::uint32_t message, const core::StopEvent& stop)> send;
  // On the UI thread.
  std::function<void(std::string_view control, bool visible)> setVisible;
  std::function<void(std::string_view optionButton)> selectTab;
  // Makes the item current without giving the list focus; the list raises "itemselect",
  // whose handling loads the profile.
  std::function<void(std::string_view combo, int index)> selectComboItem;
  std::function<void()> hideWindow;
  // The device's lighting controls (and the mouse's pointer controls) show the image.
  std::function<void(DeviceKind)> refreshControls;
  std::function<void(std::string_view control)> markForUpdate;
  std::function<void(int timer, std::chrono::milliseconds period)> startTimer;
};

// The profile operations of a connection, called on the detection thread while it holds the
// channel lock. Like the SyncHooks (showMessage included), they must not wait for the UI
// thread: the UI thread may itself be waiting for that lock in a command. Post instead.
struct ProfileHooks {
  // "select" of the list in the kind's catalogue; unset: 0.
  std::function<int(DeviceKind, ProfileList)> readSelect;
  // LoadLightProfile: the mouse loads its selected light profile before synchronising.
  std::function<void(DeviceKind, int index)> loadLightProfile;
};

struct DeviceThreadsContext {
  std::array<DeviceChannel*, kDeviceKindCount> channels{};  // by DeviceKind
  HidBackend* backend = nullptr;  // where the input watchers open their interfaces
  DeviceImage* image = nullptr;
  WindowHooks window;
  ProfileHooks profiles;
  SyncHooks sync;  // for the detection threads' DeviceSync and the messages' handling
  // Sets padReactiveTrigger, which the mouse-pad animation consumes.
  std::function<void()> setPadReactiveTrigger;
  HotplugSource* hotplug = nullptr;  // null: periodic search and probe only
  // Device work handed over by the UI thread; run by each kind's detection thread.
  std::shared_ptr<DeviceWorkQueue> work = std::make_shared<DeviceWorkQueue>();
  // One diagnostic line; unset: stderr.
  std::function<void(std::string_view)> diagnostic;

  [[nodiscard]] DeviceChannel& Channel(DeviceKind kind) const {
    return *channels[IndexOf(kind)];
  }
  void Diagnostic(std::string_view line) const;
  // Posts a UI step (runs it inline when no post hook is set).
  void Post(std::function<void()> step) const;
};

// The id after `tag` ("vid_", "pid_") in a path, read as hexadecimal without regard to case;
// a path that carries no such text (hidraw nodes, the simulator) gives the id the platform
// reported for it.
[[nodiscard]] std::uint32_t PathId(std::string_view path, std::string_view tag,
                                   std::uint16_t reported);

// A failed enumeration (a transient EMFILE, ENOMEM or udev error) is tried again after a
// growing pause: 1 s, doubling up to 30 s, back to normal at the first success. One
// diagnostic line per burst of failures.
inline constexpr std::string_view kEnumerationFailed =
    "HID enumeration failed; trying again with a growing pause";

class EnumerationRetry {
 public:
  static constexpr std::chrono::milliseconds kFirst{1000};
  static constexpr std::chrono::milliseconds kLongest{30000};

  // The pause before the next try; `say` is called with a line on the first failure only.
  std::chrono::milliseconds Failed(const std::function<void()>& say);
  void Succeeded() { next_ = kFirst; failing_ = false; }
  [[nodiscard]] bool Failing() const { return failing_; }

 private:
  std::chrono::milliseconds next_ = kFirst;
  bool failing_ = false;
};

// The detection thread of one kind: runs until `stop` is set. Between its searches and
// probes it runs the kind's queued device work (RunDeviceWork). The caller resets `stop`
// before starting the thread. Its transfers end when `stop` is set (core::StopScope).
void RunDetection(DeviceKind kind, const DeviceThreadsContext& context,
                  const core::StopEvent& stop);

// Runs the work queued for the kind, under its channel lock, on the calling thread (the
// kind's detection thread, or a test). Returns how many pieces ran.
std::size_t RunDeviceWork(DeviceKind kind, const DeviceThreadsContext& context);

}  // namespace tavrinex::device
