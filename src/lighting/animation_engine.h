// The four animation threads: one per device and one for the lighting shared by all devices.
// Each iteration waits its frame delay, takes a snapshot of the device's record, renders the
// effect, draws the LED pictures and sends the LedFrame with CMD_WRITE_LED_COLOURS. Every wait
// is a wait on the thread's stop event, so a stop ends it at once. Each iteration first waits
// 1 ms, then its table's delay, both counted from now: the time a frame takes to render and
// send adds to them, which is the tempo the effects were made with on the devices.
//
// The editor (UI thread) resets and seeds the animation states through this object; each
// device's state sits behind its own mutex, held only while a frame is rendered.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <thread>

#include "core/stop_event.h"
#include "device/device_image.h"
#include "lighting/animation_state.h"
#include "lighting/effects.h"
#include "lighting/lighting_ops.h"
#include "lighting/lighting_store.h"
#include "ui/led_picture_buffer.h"

namespace tavrinex::lighting {

// A thread's wait: true to go on, false when the thread is asked to stop.
using Wait = std::function<bool(std::chrono::milliseconds)>;

// A thread's waits on its stop event, from now; a zero wait only looks at the event.
[[nodiscard]] Wait StopWait(const core::StopEvent& stop);

inline constexpr auto kIterationWait = std::chrono::milliseconds(1);
inline constexpr auto kInitialWait = std::chrono::milliseconds(3000);
inline constexpr auto kDisconnectedWait = std::chrono::milliseconds(100);
inline constexpr auto kNobodyConnectedWait = std::chrono::milliseconds(1000);
// While no device takes part in the shared lighting its thread has nothing to draw: it looks
// again after this long instead of every few ms (a device joins at most this much later).
inline constexpr auto kSharedIdleWait = std::chrono::milliseconds(20);

struct EngineContext {
  EngineContext(device::DeviceImage& deviceImage, LightingStore& lightingStore)
      : image(deviceImage), store(lightingStore) {}

  device::DeviceImage& image;
  LightingStore& store;
  Channels channels{};  // a null channel counts as not connected
  std::array<ui::LedPictureBuffer*, device::kDeviceKindCount> pictures{};  // optional
  std::chrono::milliseconds initialWait = kInitialWait;
  // A steady clock in ms for the pad's flash; the system's steady clock when unset.
  std::function<std::int64_t()> nowMs;
};

class AnimationEngine {
 public:
  explicit AnimationEngine(EngineContext context);
  ~AnimationEngine();
  AnimationEngine(const AnimationEngine&) = delete;
  AnimationEngine& operator=(const AnimationEngine&) = delete;

  void Start();
  void Stop();  // sets the four stop events and joins
  // CPU time the four threads have used so far (diagnostics and benchmarks).
  [[nodiscard]] std::chrono::nanoseconds ThreadCpuTime();

  // The editor's operations on the animation states (UI thread).
  void ResetAnimation(DeviceKind kind);
  void SetKeyRainbowStart();
  void SetRippleSource();
  void SeedReactive(std::size_t position);
  void SetMouseChaseStart(std::uint8_t direction);
  void SetPadChaseStart();
  // The window's 10 ms timer (reactive mode).
  void OnTimer10ms() { reactive_.OnTimerTick(); }
  // padReactiveTrigger: the mouse reported an event on its consumer-control interface.
  void OnMouseEvent() { padReactiveTrigger_.store(true); }

  HueAccumulator& Hue() { return hue_; }
  template <typename F>
  auto WithKeyboardState(F&& f) {
    std::lock_guard lock(kb_.mutex);
    return f(kb_.state);
  }
  template <typename F>
  auto WithMouseState(F&& f) {
    std::lock_guard lock(ms_.mutex);
    return f(ms_.state);
  }
  template <typename F>
  auto WithMousePadState(F&& f) {
    std::lock_guard lock(mp_.mutex);
    return f(mp_.state);
  }

  // One iteration of each loop, with the loop's wait (tests and tools drive them directly;
  // one caller per loop at a time). False when the wait reported a stop.
  bool KeyboardIteration(const Wait& wait);
  bool MouseIteration(const Wait& wait);
  bool MousePadIteration(const Wait& wait);
  bool SharedIteration(const Wait& wait);

 private:
  template <typename State, typename Frame>
  struct Device {
    std::mutex mutex;  // guards state
    State state;
    Frame frame;                                  // owned by the device's thread
    std::array<ui::LedPixel, Frame::kLeds> shown{};  // what its pictures show
  };

  [[nodiscard]] device::DeviceChannel* ChannelOf(DeviceKind kind) const;
  [[nodiscard]] bool Connected(DeviceKind kind) const;
  [[nodiscard]] bool Shared(DeviceKind kind) const;
  template <typename Frame, typename Shown>
  void Output(DeviceKind kind, const Frame& frame, Shown& shown);
  void WriteBackBreathCycle(DeviceKind kind, std::uint8_t before, std::uint8_t after);
  void RunLoop(std::size_t index, bool (AnimationEngine::*iteration)(const Wait&), bool initialWait);

  EngineContext ctx_;
  HueAccumulator hue_;
  ReactiveClock reactive_;
  std::atomic<bool> padReactiveTrigger_{false};
  Device<KeyboardAnimation, KeyboardFrame> kb_;
  Device<MouseAnimation, MouseFrame> ms_;
  Device<MousePadAnimation, MousePadFrame> mp_;
  std::uint8_t sharedPhase_ = 0;  // owned by the shared thread
  SharedFrames sharedFrames_;
  std::array<ui::LedPixel, kKeyboardLeds> sharedKbShown_{};
  std::array<ui::LedPixel, kMouseLeds> sharedMsShown_{};
  std::array<ui::LedPixel, kMousePadLeds> sharedMpShown_{};
  std::array<core::StopEvent, 4> stops_;
  std::array<std::thread, 4> threads_;
};

}  // namespace tavrinex::lighting
