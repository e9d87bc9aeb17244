// Wires the four lighting animation threads into the main window's registry slots (their
// loops run on the registry's threads and stop events), the window's 10 ms timer into the
// keyboard's reactive clock, and the threads' LED picture buffers into the window's LED
// pictures ("kb_dkey_", "ms_dkey_", "mp_dkey_"), which the window repaints at display rate.
#pragma once

#include <array>

#include "app/main_wnd.h"
#include "lighting/animation_engine.h"
#include "ui/led_picture_buffer.h"

namespace tavrinex::app {

class AnimationWiring {
 public:
  // Must outlive the workers: destroy the window's workers (CMainWnd::Destroy) first.
  explicit AnimationWiring(CMainWnd& window);
  ~AnimationWiring();
  AnimationWiring(const AnimationWiring&) = delete;
  AnimationWiring& operator=(const AnimationWiring&) = delete;

  // Once the window exists (after CMainWnd::Create): its LED pictures follow the buffers.
  void AttachPictures();

  [[nodiscard]] lighting::AnimationEngine& Engine() { return engine_; }
  [[nodiscard]] ui::LedPictureBuffer& Pictures(device::DeviceKind kind) {
    return pictures_[device::IndexOf(kind)];
  }

 private:
  CMainWnd& window_;
  // By DeviceKind; made before the engine, which draws into them.
  std::array<ui::LedPictureBuffer, device::kDeviceKindCount> pictures_;
  lighting::AnimationEngine engine_;
  bool attached_ = false;
};

}  // namespace tavrinex::app
