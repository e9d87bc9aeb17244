#include "app/animation_wiring.h"

namespace tavrinex::app {
namespace {

using Iteration = bool (lighting::AnimationEngine::*)(const lighting::Wait&);

lighting::EngineContext ContextOf(CMainWnd& window) {
  lighting::EngineContext context(window.Image(), window.Store());
  context.channels = {&window.Channel(device::DeviceKind::kKeyboard),
                      &window.Channel(device::DeviceKind::kMouse),
                      &window.Channel(device::DeviceKind::kMousePad)};
  return context;
}

// The engine's own loop, on a registry thread: the initial wait, then the iterations.
WorkerBody Loop(lighting::AnimationEngine& engine, Iteration iteration, bool initialWait) {
  return [&engine, iteration, initialWait](const core::StopEvent& stop) {
    const lighting::Wait wait = lighting::StopWait(stop);
    if (initialWait && !wait(lighting::kInitialWait)) return;
    while ((engine.*iteration)(wait)) {
    }
  };
}

}  // namespace

AnimationWiring::AnimationWiring(CMainWnd& window) : engine_(ContextOf(window)) {
  using E = lighting::AnimationEngine;
  WorkerRegistry& workers = window.Workers();
  workers.Fill(Worker::kKeyboardAnimation, Loop(engine_, &E::KeyboardIteration, true));
  workers.Fill(Worker::kMouseAnimation, Loop(engine_, &E::MouseIteration, true));
  workers.Fill(Worker::kMousePadAnimation, Loop(engine_, &E::MousePadIteration, true));
  workers.Fill(Worker::kSharedAnimation, Loop(engine_, &E::SharedIteration, false));
  window.Hooks().reactiveTick = [this] { engine_.OnTimer10ms(); };
}

}  // namespace tavrinex::app
