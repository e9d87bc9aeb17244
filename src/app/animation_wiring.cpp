#include "app/animation_wiring.h"

namespace tavrinex::app {
namespace {

using Iteration = bool (lighting::AnimationEngine::*)(const lighting::Wait&);

using Buffers = std::array<ui::LedPictureBuffer, device::kDeviceKindCount>;

lighting::EngineContext ContextOf(CMainWnd& window, Buffers& pictures) {
  lighting::EngineContext context(window.Image(), window.Store());
  for (const device::DeviceKind kind : device::kAllDeviceKinds) {
    context.channels[device::IndexOf(kind)] = &window.Channel(kind);
    context.pictures[device::IndexOf(kind)] = &pictures[device::IndexOf(kind)];
  }
  return context;
}

// The buffer of each kind holds one pixel per LED picture control of its prefix.
Buffers MakeBuffers() {
  const auto count = [](device::DeviceKind kind) {
    for (const LedControls& leds : kLedControls) {
      if (leds.prefix.substr(0, 2) == device::KindPrefix(kind)) return static_cast<std::size_t>(leds.count);
    }
    return std::size_t{0};
  };
  return {ui::LedPictureBuffer(count(device::DeviceKind::kKeyboard)),
          ui::LedPictureBuffer(count(device::DeviceKind::kMouse)),
          ui::LedPictureBuffer(count(device::DeviceKind::kMousePad))};
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

AnimationWiring::AnimationWiring(CMainWnd& window)
    : window_(window), pictures_(MakeBuffers()), engine_(ContextOf(window, pictures_)) {
  using E = lighting::AnimationEngine;
  WorkerRegistry& workers = window.Workers();
  workers.Fill(Worker::kKeyboardAnimation, Loop(engine_, &E::KeyboardIteration, true));
  workers.Fill(Worker::kMouseAnimation, Loop(engine_, &E::MouseIteration, true));
  workers.Fill(Worker::kMousePadAnimation, Loop(engine_, &E::MousePadIteration, true));
  workers.Fill(Worker::kSharedAnimation, Loop(engine_, &E::SharedIteration, false));
  window.Hooks().reactiveTick = [this] { engine_.OnTimer10ms(); };
}

AnimationWiring::~AnimationWiring() {
  if (!attached_) return;
  for (ui::LedPictureBuffer& buffer : pictures_) window_.Window().DetachLedPictures(buffer);
}

void AnimationWiring::AttachPictures() {
  for (const LedControls& leds : kLedControls) {
    for (const device::DeviceKind kind : device::kAllDeviceKinds) {
      if (leds.prefix.substr(0, 2) == device::KindPrefix(kind)) {
        window_.Window().AttachLedPictures(leds.prefix, Pictures(kind));
      }
    }
  }
  attached_ = true;
}

}  // namespace tavrinex::app
