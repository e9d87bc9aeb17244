// Wires the detection threads and the input watchers into the main window: their registry
// slots, the window steps they ask for, the device messages they send, and the profile
// loads and saves of a synchronisation.
#pragma once

#include <memory>

#include "app/main_wnd.h"
#include "device/detection.h"
#include "device/hotplug.h"

namespace tavrinex::app {

class DeviceWiring {
 public:
  // `hotplug` may be null (periodic search only). Must outlive the workers: destroy the
  // window's workers (CMainWnd::Destroy) first.
  DeviceWiring(CMainWnd& window, device::HidBackend& backend, device::HotplugSource* hotplug);
  DeviceWiring(const DeviceWiring&) = delete;
  DeviceWiring& operator=(const DeviceWiring&) = delete;

  [[nodiscard]] device::DeviceThreadsContext& Context() { return context_; }

 private:
  void FillWindowHooks();
  void FillProfileHooks();
  void FillSlots();

  CMainWnd& window_;
  device::DeviceThreadsContext context_;
  std::unique_ptr<device::HidDevice> keyboardConsumer_;
  std::unique_ptr<device::HidDevice> mouseConsumer_;
};

}  // namespace tavrinex::app
