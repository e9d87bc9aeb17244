// What one effect frame produces: the LedFrame sent to the device and the colours and
// opacities drawn on the device's LED pictures, plus the scaling rules that relate them.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>

#include "lighting/lighting_model.h"
#include "ui/color.h"
#include "ui/led_picture_buffer.h"

namespace tavrinex::lighting {

// a * b / 256, truncated: every scaling step of the effects.
[[nodiscard]] constexpr std::uint8_t Mul8(unsigned a, unsigned b) {
  return static_cast<std::uint8_t>(((a * b) >> 8) & 0xFF);
}

// A device component is ((x * a >> 8) * b) >> 8; the picture gets the unscaled colour at
// `opacity`. The constructors name the cases of the effects (S = BrightnessScale[brightness]).
struct Scale {
  unsigned a = 256;
  unsigned b = 256;
  std::uint8_t opacity = 0;

  // Keyboard.
  static constexpr Scale KbPlain(unsigned s) { return {s, 256, static_cast<std::uint8_t>(s)}; }
  static constexpr Scale KbCurve(unsigned s, unsigned k) { return {s, k, Mul8(s, k)}; }
  static constexpr Scale KbLevel(unsigned s, unsigned l) { return {l, s, Mul8(s, l)}; }
  static constexpr Scale KbStatic(unsigned s) { return {256, 256, static_cast<std::uint8_t>(s)}; }
  // Mouse, mouse pad and the shared lighting.
  static constexpr Scale Plain(unsigned s) { return {s + 1, 256, static_cast<std::uint8_t>(s)}; }
  static constexpr Scale Wave(unsigned s, unsigned k) { return {s + 1, k + 1, Mul8(s, k)}; }
  static constexpr Scale Breath(unsigned s, unsigned k) { return {k + 1, s + 1, Mul8(s, k)}; }
  static constexpr Scale Chase(unsigned s, unsigned l) { return {l + 1, s + 1, Mul8(s, l)}; }

  [[nodiscard]] constexpr std::uint8_t Apply(std::uint8_t x) const { return Mul8(Mul8(x, a), b); }
  [[nodiscard]] constexpr ui::Rgb Apply(ui::Rgb c) const { return {Apply(c.r), Apply(c.g), Apply(c.b)}; }
};
static_assert(Scale::KbCurve(255, 255).Apply(255) == 253 && Scale::Plain(255).Apply(200) == 200);
static_assert(Scale::KbLevel(45, 255).Apply(255) == 44 && Scale::KbLevel(45, 255).opacity == 44);

// One device's output of one frame. Pictures not drawn keep what they showed before.
template <std::size_t N>
struct DeviceFrame {
  static constexpr std::size_t kLeds = N;
  std::array<std::uint8_t, 3 * N> bytes{};  // the LedFrame, 3 bytes per device LED
  std::array<ui::LedPixel, N> picture{};
  std::array<bool, N> drawn{};

  void Clear() {
    bytes.fill(0);
    picture.fill({});
    drawn.fill(false);
  }
  void Draw(std::size_t index, ui::Rgb colour, std::uint8_t opacity) {
    picture[index] = {ui::OverlayWord(colour), opacity};
    drawn[index] = true;
  }
  void Send(std::size_t led, ui::Rgb c) {
    bytes[3 * led] = c.r;
    bytes[3 * led + 1] = c.g;
    bytes[3 * led + 2] = c.b;
  }
  [[nodiscard]] ui::Rgb Sent(std::size_t led) const { return {bytes[3 * led], bytes[3 * led + 1], bytes[3 * led + 2]}; }
  // Picture and device LED with the same index.
  void Light(std::size_t index, ui::Rgb colour, Scale s) {
    Draw(index, colour, s.opacity);
    Send(index, s.Apply(colour));
  }
  // A dark LED: colour 0, opacity 0, sent as 0, 0, 0.
  void Dark(std::size_t index) {
    Draw(index, {}, 0);
    Send(index, {});
  }
};

using KeyboardFrame = DeviceFrame<kKeyboardLeds>;
using MouseFrame = DeviceFrame<kMouseLeds>;
using MousePadFrame = DeviceFrame<kMousePadLeds>;
static_assert(sizeof(KeyboardFrame::bytes) == kKeyboardFrameSize && sizeof(MouseFrame::bytes) == kMouseFrameSize &&
              sizeof(MousePadFrame::bytes) == kMousePadFrameSize);

// What an iteration of an effect did. A skipped iteration draws nothing and sends nothing;
// waitAfter is an extra pause the thread takes after it (the pad sweep's turn).
struct RenderResult {
  bool rendered = false;
  std::chrono::milliseconds waitAfter{0};
};

// The hue accumulator that the keyboard, mouse and mouse-pad threads share.
class HueAccumulator {
 public:
  [[nodiscard]] std::uint8_t Value() const { return value_.load(std::memory_order_relaxed); }
  void Set(std::uint8_t v) { value_.store(v, std::memory_order_relaxed); }
  // The keyboard thread's step, once per frame.
  void Step() { value_.fetch_add(1, std::memory_order_relaxed); }
  // A light switched on in multi-colour mode adds 11 and takes the result as its hue.
  [[nodiscard]] std::uint8_t Next() {
    return static_cast<std::uint8_t>(value_.fetch_add(kLightStep, std::memory_order_relaxed) + kLightStep);
  }

 private:
  static constexpr std::uint8_t kLightStep = 11;
  std::atomic<std::uint8_t> value_{0};
};

// Stepping a phase over 0..last: up (direction FXL) wraps to 0 after last, down to last below
// 0. A phase left above `last` by another mode restarts at the end it moves away from.
[[nodiscard]] constexpr std::uint8_t StepPhase(std::uint8_t phase, std::uint8_t last, bool up) {
  if (up) return phase >= last ? 0 : static_cast<std::uint8_t>(phase + 1);
  return (phase == 0 || phase > last) ? last : static_cast<std::uint8_t>(phase - 1);
}
static_assert(StepPhase(191, 191, true) == 0 && StepPhase(0, 95, false) == 95 && StepPhase(150, 127, false) == 127);

}  // namespace tavrinex::lighting
