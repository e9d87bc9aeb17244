// Wires the lighting editor into the main window: its routes, the display refresh for every
// caller (synchronisation, on-board profile switch, shared lighting, profile load or reset),
// the animation states, and the light-profile saves of its edits. A save is prepared on the UI
// thread (the selected file and the state to write) and written on the device's thread, so
// the UI thread never waits on the disk; a burst of edits writes the newest state once.
#pragma once

#include <array>
#include <mutex>
#include <optional>

#include "app/device_wiring.h"
#include "app/main_wnd.h"
#include "lighting/animation_engine.h"
#include "lighting/lighting_editor.h"
#include "profiles/profile_selection.h"

namespace tavrinex::app {

class LightingWiring {
 public:
  // `engine` may be null (no animation: the editor's resets and seeds are skipped). Build it
  // after the device wiring; it must outlive the workers (CMainWnd::Destroy first).
  LightingWiring(CMainWnd& window, DeviceWiring& devices, lighting::AnimationEngine* engine);
  // Writes a save that no device thread took before the workers stopped.
  ~LightingWiring();
  LightingWiring(const LightingWiring&) = delete;
  LightingWiring& operator=(const LightingWiring&) = delete;

  [[nodiscard]] lighting::LightingEditor& Editor() { return editor_; }
  // Takes the selected light profile's state now and writes it on the device thread.
  void SaveLightProfile(device::DeviceKind kind);
  // Writes the pending save of a kind on the calling thread; false when none was pending or
  // the write failed.
  bool WritePendingSave(device::DeviceKind kind);

 private:
  void RegisterRoutes();
  void RegisterPage(device::DeviceKind kind);
  void RegisterKeyboardCustom();
  void RegisterOnboardProfiles();
  void SwitchOnboardProfile(device::DeviceKind kind, int index);
  void ResetPad();

  CMainWnd& window_;
  DeviceWiring& devices_;
  lighting::LightingEditor editor_;
  std::mutex mutex_;  // guards pending_
  std::array<std::optional<profiles::PreparedLightSave>, device::kDeviceKindCount> pending_;
};

}  // namespace tavrinex::app
