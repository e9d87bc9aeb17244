// Wires the four lighting animation threads into the main window's registry slots (their
// loops run on the registry's threads and stop events) and the window's 10 ms timer into the
// keyboard's reactive clock.
#pragma once

#include "app/main_wnd.h"
#include "lighting/animation_engine.h"

namespace tavrinex::app {

class AnimationWiring {
 public:
  // Must outlive the workers: destroy the window's workers (CMainWnd::Destroy) first.
  explicit AnimationWiring(CMainWnd& window);
  AnimationWiring(const AnimationWiring&) = delete;
  AnimationWiring& operator=(const AnimationWiring&) = delete;

  [[nodiscard]] lighting::AnimationEngine& Engine() { return engine_; }

 private:
  lighting::AnimationEngine engine_;
};

}  // namespace tavrinex::app
