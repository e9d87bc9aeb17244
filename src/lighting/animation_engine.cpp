#include "lighting/animation_engine.h"

#include <pthread.h>
#include <time.h>

#include <algorithm>

#include "lighting/effect_tables.h"

namespace tavrinex::lighting {

using std::chrono::milliseconds;

namespace {

constexpr std::size_t kSharedLoop = 3;

// An iteration's first waits: the 1 ms with which every iteration checks its stop event, then
// the table's delay. They add up, and a delay of 0 still leaves the 1 ms, so no loop spins.
bool IterationStart(const Wait& wait, unsigned delayMs) {
  return wait(kIterationWait) && wait(milliseconds(delayMs));
}

std::int64_t SteadyNowMs() {
  return std::chrono::duration_cast<milliseconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

}  // namespace

Wait StopWait(const core::StopEvent& stop) {
  return [&stop](milliseconds duration) { return !stop.WaitFor(duration); };
}

AnimationEngine::AnimationEngine(EngineContext context) : ctx_(std::move(context)) {
  if (!ctx_.nowMs) ctx_.nowMs = SteadyNowMs;
}

AnimationEngine::~AnimationEngine() { Stop(); }

void AnimationEngine::Start() {
  for (const auto& t : threads_) {
    if (t.joinable()) return;  // already running
  }
  for (auto& stop : stops_) stop.Reset();
  threads_[0] = std::thread([this] { RunLoop(0, &AnimationEngine::KeyboardIteration, true); });
  threads_[1] = std::thread([this] { RunLoop(1, &AnimationEngine::MouseIteration, true); });
  threads_[2] = std::thread([this] { RunLoop(2, &AnimationEngine::MousePadIteration, true); });
  threads_[kSharedLoop] = std::thread([this] { RunLoop(kSharedLoop, &AnimationEngine::SharedIteration, false); });
}

void AnimationEngine::Stop() {
  for (auto& stop : stops_) stop.Set();
  for (auto& t : threads_) {
    if (t.joinable()) t.join();
  }
}

std::chrono::nanoseconds AnimationEngine::ThreadCpuTime() {
  std::chrono::nanoseconds total{0};
  for (auto& t : threads_) {
    if (!t.joinable()) continue;
    clockid_t clock{};
    timespec ts{};
    if (pthread_getcpuclockid(t.native_handle(), &clock) != 0 || clock_gettime(clock, &ts) != 0) continue;
    total += std::chrono::seconds(ts.tv_sec) + std::chrono::nanoseconds(ts.tv_nsec);
  }
  return total;
}

void AnimationEngine::RunLoop(std::size_t index, bool (AnimationEngine::*iteration)(const Wait&),
                              bool initialWait) {
  const Wait wait = StopWait(stops_[index]);
  if (initialWait && !wait(ctx_.initialWait)) return;
  while ((this->*iteration)(wait)) {
  }
}

void AnimationEngine::ResetAnimation(DeviceKind kind) {
  switch (kind) {
    case DeviceKind::kKeyboard: WithKeyboardState([](KeyboardAnimation& s) { Reset(s); }); break;
    case DeviceKind::kMouse: WithMouseState([](MouseAnimation& s) { Reset(s); }); break;
    case DeviceKind::kMousePad: WithMousePadState([](MousePadAnimation& s) { Reset(s); }); break;
  }
}
void AnimationEngine::SetKeyRainbowStart() {
  WithKeyboardState([](KeyboardAnimation& s) { lighting::SetKeyRainbowStart(s); });
}
void AnimationEngine::SetRippleSource() {
  WithKeyboardState([](KeyboardAnimation& s) { lighting::SetRippleSource(s); });
}
void AnimationEngine::SeedReactive(std::size_t position) {
  WithKeyboardState([position](KeyboardAnimation& s) { lighting::SeedReactive(s, position); });
}
void AnimationEngine::SetMouseChaseStart(std::uint8_t direction) {
  WithMouseState([direction](MouseAnimation& s) { lighting::SetMouseChaseStart(s, direction); });
}
void AnimationEngine::SetPadChaseStart() {
  WithMousePadState([](MousePadAnimation& s) { lighting::SetPadChaseStart(s); });
}

device::DeviceChannel* AnimationEngine::ChannelOf(DeviceKind kind) const {
  return ctx_.channels[device::IndexOf(kind)];
}
bool AnimationEngine::Connected(DeviceKind kind) const {
  const device::DeviceChannel* c = ChannelOf(kind);
  return c != nullptr && c->connected.load();
}
bool AnimationEngine::Shared(DeviceKind kind) const {
  const device::DeviceChannel* c = ChannelOf(kind);
  return c != nullptr && c->sharedLightingActive.load();
}

// Draws the pictures the frame drew (the others keep what they showed) and sends the frame.
// A failed frame is simply replaced by the next one; the chunked write stops at its first
// failed chunk.
template <typename Frame, typename Shown>
void AnimationEngine::Output(DeviceKind kind, const Frame& frame, Shown& shown) {
  for (std::size_t i = 0; i < shown.size(); ++i) {
    if (frame.drawn[i]) shown[i] = frame.picture[i];
  }
  if (ui::LedPictureBuffer* pictures = ctx_.pictures[device::IndexOf(kind)]) pictures->SetRange(0, shown);
  if (device::DeviceChannel* channel = ChannelOf(kind)) {
    [[maybe_unused]] const auto result = channel->WriteLedColours(frame.bytes);
  }
}

// The breathing effects count their cycles in the record; an edit that replaced the byte
// meanwhile wins.
void AnimationEngine::WriteBackBreathCycle(DeviceKind kind, std::uint8_t before, std::uint8_t after) {
  if (before == after) return;
  ctx_.image.Update(kind, [&](device::DeviceBlocks& b) {
    if (b.current[rec::kBreathCycle] == before) b.current[rec::kBreathCycle] = after;
  });
}

bool AnimationEngine::KeyboardIteration(const Wait& wait) {
  constexpr DeviceKind kKind = DeviceKind::kKeyboard;
  const CurrentRecord timing = ctx_.image.Current(kKind);
  const std::uint8_t mode = timing[rec::kMode];
  if (!IterationStart(wait, KeyboardDelay(mode, timing[rec::kSpeed]))) return false;
  if (!Connected(kKind)) return wait(kDisconnectedWait);  // no hue step either
  if (!Shared(kKind)) {
    if (!wait(milliseconds(KeyboardExtraWait(mode)))) return false;
    CurrentRecord record = ctx_.image.Current(kKind);
    const std::uint8_t cycle = record[rec::kBreathCycle];
    CustomColours custom;
    if (record[rec::kMode] == Code(LightingMode::kKbCustom)) ctx_.store.CopyCustom(custom);
    RenderResult result;
    {
      std::lock_guard lock(kb_.mutex);
      result = RenderKeyboard(record, kb_.state, hue_, {&custom, &reactive_}, kb_.frame);
    }
    WriteBackBreathCycle(kKind, cycle, record[rec::kBreathCycle]);
    if (result.rendered) Output(kKind, kb_.frame, kb_.shown);
  }
  hue_.Step();
  return true;
}

bool AnimationEngine::MouseIteration(const Wait& wait) {
  constexpr DeviceKind kKind = DeviceKind::kMouse;
  const CurrentRecord timing = ctx_.image.Current(kKind);
  const unsigned speed = ClampLevel(timing[rec::kSpeed]);
  // 2 speed + 3, then 10 speed: one wait.
  if (!IterationStart(wait, 2 * speed + 3 + 10 * speed)) return false;
  if (!Connected(kKind)) return wait(kDisconnectedWait);
  if (Shared(kKind)) return true;
  const std::uint8_t mode = timing[rec::kMode];
  if ((mode == Code(LightingMode::kMsBar) || mode == Code(LightingMode::kMsChase)) && !wait(milliseconds(50))) {
    return false;
  }
  CurrentRecord record = ctx_.image.Current(kKind);
  const std::uint8_t cycle = record[rec::kBreathCycle];
  RenderResult result;
  {
    std::lock_guard lock(ms_.mutex);
    result = RenderMouse(record, ms_.state, hue_, ms_.frame);
  }
  WriteBackBreathCycle(kKind, cycle, record[rec::kBreathCycle]);
  if (result.rendered) Output(kKind, ms_.frame, ms_.shown);
  return true;
}

bool AnimationEngine::MousePadIteration(const Wait& wait) {
  constexpr DeviceKind kKind = DeviceKind::kMousePad;
  const CurrentRecord timing = ctx_.image.Current(kKind);
  const std::uint8_t mode = timing[rec::kMode];
  const unsigned speed = ClampLevel(timing[rec::kSpeed]);
  if (!IterationStart(wait, MousePadDelay(mode, timing[rec::kSpeed]))) return false;
  if (!Connected(kKind)) return wait(kDisconnectedWait);
  if (Shared(kKind)) return true;
  milliseconds before{0};
  if (mode == Code(LightingMode::kPadBar)) before = milliseconds(10 * speed + 100);
  if (mode == Code(LightingMode::kPadChase)) before = milliseconds(50);
  if (mode == Code(LightingMode::kPadSweep)) before = milliseconds(5 * speed + 50);
  if (mode > Code(LightingMode::kPadMouseFlash)) return true;  // 9: no effect
  if (!wait(before)) return false;
  CurrentRecord record = ctx_.image.Current(kKind);
  const std::uint8_t cycle = record[rec::kBreathCycle];
  RenderResult result;
  {
    std::lock_guard lock(mp_.mutex);
    result = RenderMousePad(record, mp_.state, hue_, {&padReactiveTrigger_, ctx_.nowMs()}, mp_.frame);
  }
  WriteBackBreathCycle(kKind, cycle, record[rec::kBreathCycle]);
  if (result.rendered) Output(kKind, mp_.frame, mp_.shown);
  return result.waitAfter.count() == 0 || wait(result.waitAfter);
}

bool AnimationEngine::SharedIteration(const Wait& wait) {
  const SharedLighting shared = ctx_.store.Shared();
  if (!IterationStart(wait, 4U * ClampLevel(shared.Speed()))) return false;
  const bool kb = Shared(DeviceKind::kKeyboard);
  const bool ms = Shared(DeviceKind::kMouse);
  const bool mp = Shared(DeviceKind::kMousePad);
  if (!Connected(DeviceKind::kKeyboard) && !Connected(DeviceKind::kMouse) && !Connected(DeviceKind::kMousePad)) {
    return wait(kNobodyConnectedWait);
  }
  if (!(kb || ms || mp)) return wait(kSharedIdleWait);
  if (!RenderShared(shared, sharedPhase_, sharedFrames_).rendered) return true;
  if (kb) {
    Output(DeviceKind::kKeyboard, sharedFrames_.keyboard, sharedKbShown_);
  } else if (!wait(milliseconds(9))) {
    return false;
  }
  if (ms) {
    Output(DeviceKind::kMouse, sharedFrames_.mouse, sharedMsShown_);
  } else if (!wait(milliseconds(1))) {
    return false;
  }
  if (mp) {
    Output(DeviceKind::kMousePad, sharedFrames_.mousePad, sharedMpShown_);
    return wait(milliseconds(6));
  }
  return wait(milliseconds(1));
}

}  // namespace tavrinex::lighting
