// The state each device's effects keep from frame to frame, with the resets the lighting
// editor asks for and the start states and seeds of the device-specific effects.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "lighting/keyboard_geometry.h"
#include "lighting/lighting_model.h"

namespace tavrinex::lighting {

// Four bit maps of light spreading over the LedMatrix: one byte per column, bit r = row r.
using SpreadMap = std::array<std::uint8_t, kMatrixColumns>;
using SpreadMaps = std::array<SpreadMap, 4>;

struct KeyboardAnimation {
  std::uint8_t phase = 0;  // also the showcase step
  std::array<std::uint8_t, kKeyPositions> hue{};
  std::array<std::uint8_t, kKeyPositions> level{};
  SpreadMaps spreadMaps{};
  std::uint8_t showcaseStage = 0;
};

inline constexpr std::size_t kMouseChasePositions = 14;
inline constexpr std::size_t kMouseRing = 23;
struct MouseAnimation {
  std::uint8_t phase = 0;
  std::array<std::uint8_t, kMouseChasePositions> hue{};
  std::array<std::uint8_t, kMouseChasePositions> level{};
  std::array<std::uint8_t, kMouseRing> ring{};
  int barCounter = 0;  // runs -1 .. 8
  bool barFlag = false;
};

inline constexpr std::int16_t kSweepStartPattern = 0x003F;
struct MousePadAnimation {
  std::uint8_t phase = 0;
  std::array<std::uint8_t, kMousePadLeds> hue{};
  std::array<std::uint8_t, kMousePadLeds> level{};
  std::array<std::uint8_t, kMousePadLeds> ring{};
  int barCounter = 0;  // runs -1 .. 15
  bool barFlag = false;
  bool sweepFlag = true;
  std::int16_t sweepPattern = kSweepStartPattern;
  int sweepCounter = 0;
  bool flashActive = false;
  std::uint8_t flashHue = 0;
  std::int64_t flashStartMs = 0;
};

// Resets on every mode selection (and, on the mouse, every direction change). The bar state
// and the pad's sweep and flash state are kept.
void Reset(KeyboardAnimation& s);
void Reset(MouseAnimation& s);
void Reset(MousePadAnimation& s);

// KB_MODE_KEY_RAINBOW: position 0 starts at hue 33, each next one 33 further (a sum above
// 192 loses 192; exactly 192 stays).
void SetKeyRainbowStart(KeyboardAnimation& s);
// KB_MODE_RIPPLE: the source below column 9 (bit 6 of column 9 in all four maps).
void SetRippleSource(KeyboardAnimation& s);
// A click in KB_MODE_REACTIVE (and the showcase): light starts at the key's place in the
// matrix. A position not in the matrix does nothing.
void SeedReactive(KeyboardAnimation& s, std::size_t position);
// MS_MODE_CHASE: the running light at ring entry 0 (direction FXR, 0) or 7 (FXL, nonzero).
void SetMouseChaseStart(MouseAnimation& s, std::uint8_t direction);
// PAD_MODE_CHASE: the running light at ring entry 0.
void SetPadChaseStart(MousePadAnimation& s);

// The window's 10 ms timer drives the reactive mode: a tick counter and, every second tick,
// a 20 ms flag. Shared by the UI thread (timer) and the keyboard thread (effect).
class ReactiveClock {
 public:
  void OnTimerTick() {
    ticks_.fetch_add(1, std::memory_order_relaxed);
    if ((timerCalls_.fetch_add(1, std::memory_order_relaxed) & 1U) == 1U) flag20_.store(true);
  }
  // True (and the counter back at 0) when more than `threshold` ticks have passed.
  [[nodiscard]] bool TakeTicksAbove(unsigned threshold) {
    if (ticks_.load(std::memory_order_relaxed) <= threshold) return false;
    ticks_.store(0, std::memory_order_relaxed);
    return true;
  }
  [[nodiscard]] bool TakeFlag20() { return flag20_.exchange(false); }

 private:
  std::atomic<unsigned> ticks_{0};
  std::atomic<unsigned> timerCalls_{0};
  std::atomic<bool> flag20_{false};
};

}  // namespace tavrinex::lighting
