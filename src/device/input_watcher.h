// The input watchers of the keyboard and the mouse: each reads the device's consumer-control
// interface, on which the device announces changes made on the device itself, and turns each
// announcement into a window message whose handling (on the UI thread) reads the change back.
// Also: the handling of those messages, and the five device threads as one object.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <thread>

#include "core/stop_event.h"
#include "device/detection.h"
#include "device/hid_device.h"

namespace tavrinex::device {

// Consumer usages the devices report.
inline constexpr std::uint16_t kUsageSettingsChanged = 0x0401;  // the active profile's settings
inline constexpr std::uint16_t kUsageDeviceChanged = 0x0402;    // anything: read it all again
inline constexpr std::uint16_t kUsageMouseEvent = 0x0403;       // mouse: the pad's reactive cue

// The window messages that read a device back, and what their handling does.
struct DeviceMessage {
  std::uint32_t id;
  DeviceKind kind;
  bool full;  // DeviceSync; otherwise RereadActiveSettings
};
inline constexpr std::array<DeviceMessage, 6> kDeviceMessages = {{
    {0x0901, DeviceKind::kMouse, true},
    {0x0902, DeviceKind::kMouse, false},
    {0x0A01, DeviceKind::kMousePad, true},
    {0x0A02, DeviceKind::kMousePad, false},
    {0x0B01, DeviceKind::kKeyboard, true},
    {0x0B02, DeviceKind::kKeyboard, false},
}};

// The message a watcher sends for a usage; nullopt for usages it does not announce.
[[nodiscard]] std::optional<std::uint32_t> MessageForUsage(DeviceKind watcher, std::uint16_t usage);

// UI thread: handles one of kDeviceMessages by handing the synchronisation or re-read to
// the device's detection thread (context.work), which posts the refresh of the device's
// controls when it is done. Returns at once; false for any other message.
bool HandleDeviceMessage(std::uint32_t message, const DeviceThreadsContext& context);

// The input watcher of the keyboard or the mouse, reading through `device` (created once and
// kept by the caller). Runs until `stop` is set.
void RunInputWatcher(DeviceKind kind, HidDevice& device, const DeviceThreadsContext& context,
                     const core::StopEvent& stop);

// The three detection threads and the two input watchers, started and stopped together.
// Wiring, for instance in the main window:
//   context.channels = {&keyboard, &mouse, &mousePad};
//   context.backend = &backend;  context.image = &image;  context.hotplug = &udevHotplug;
//   context.window.post = [&](auto step) { loop.Post(std::move(step)); };
//   context.window.send = [&](std::uint32_t m, const core::StopEvent& stop) {
//     return loop.Send([&, m] { HandleDeviceMessage(m, context); }, stop); };
//   ... the control hooks, profiles.readSelect / loadLightProfile, sync, then
//   threads.Start() once the window is initialised and threads.Stop() when it is destroyed.
class DeviceThreads {
 public:
  // The context must outlive this object and the UI thread's handling of what was posted.
  explicit DeviceThreads(const DeviceThreadsContext& context);
  ~DeviceThreads();  // stops the threads
  DeviceThreads(const DeviceThreads&) = delete;
  DeviceThreads& operator=(const DeviceThreads&) = delete;

  // Keyboard, mouse and mouse-pad detection, then the mouse and keyboard watchers. Each stop
  // event is reset before its thread starts, so a Stop() that follows at once is never lost.
  void Start();
  // Signals every stop event and waits for the threads to end.
  void Stop();

 private:
  static constexpr std::size_t kThreadCount = 5;
  const DeviceThreadsContext& ctx_;
  std::array<core::StopEvent, kThreadCount> stops_;
  std::array<std::thread, kThreadCount> threads_;
  // The watchers' own interfaces: made on the first start, kept until destruction.
  std::unique_ptr<HidDevice> keyboardConsumer_;
  std::unique_ptr<HidDevice> mouseConsumer_;
};

}  // namespace tavrinex::device
