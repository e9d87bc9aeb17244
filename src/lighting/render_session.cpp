#include "lighting/render_session.h"

namespace tavrinex::lighting {

bool DependsOnTimeOrInput(DeviceKind kind, std::uint8_t mode) {
  return (kind == DeviceKind::kKeyboard && mode == Code(LightingMode::kKbReactive)) ||
         (kind == DeviceKind::kMousePad && mode == Code(LightingMode::kPadMouseFlash));
}

void SelectModeState(KeyboardAnimation& state, std::uint8_t mode) {
  Reset(state);
  if (mode == Code(LightingMode::kKbKeyRainbow)) SetKeyRainbowStart(state);
  if (mode == Code(LightingMode::kKbRipple)) SetRippleSource(state);
}

void SelectModeState(MouseAnimation& state, std::uint8_t mode, std::uint8_t direction) {
  Reset(state);
  if (mode == Code(LightingMode::kMsChase)) SetMouseChaseStart(state, direction);
}

void SelectModeState(MousePadAnimation& state, std::uint8_t mode) {
  Reset(state);
  if (mode == Code(LightingMode::kPadChase)) SetPadChaseStart(state);
}

namespace {

// Calls render() until `frames` rendered or two skips in a row.
template <typename Render>
std::size_t Loop(std::size_t frames, Render&& render) {
  std::size_t rendered = 0;
  int skipsInARow = 0;
  while (rendered < frames && skipsInARow < 2) {
    if (render()) {
      ++rendered;
      skipsInARow = 0;
    } else {
      ++skipsInARow;
    }
  }
  return rendered;
}

}  // namespace

std::size_t RenderFrames(RenderSession& s, std::size_t frames,
                         const std::function<void(std::span<const std::uint8_t>)>& visit) {
  HueAccumulator hue;
  const std::uint8_t mode = s.record[rec::kMode];
  switch (s.kind) {
    case DeviceKind::kKeyboard: {
      KeyboardAnimation state;
      SelectModeState(state, mode);
      KeyboardFrame frame;
      ReactiveClock clock;
      return Loop(frames, [&] {
        const bool ok = RenderKeyboard(s.record, state, hue, {&s.custom, &clock}, frame).rendered;
        hue.Step();
        if (ok) visit(frame.bytes);
        return ok;
      });
    }
    case DeviceKind::kMouse: {
      MouseAnimation state;
      SelectModeState(state, mode, s.record[rec::kDirection]);
      MouseFrame frame;
      return Loop(frames, [&] {
        const bool ok = RenderMouse(s.record, state, hue, frame).rendered;
        if (ok) visit(frame.bytes);
        return ok;
      });
    }
    case DeviceKind::kMousePad: {
      MousePadAnimation state;
      SelectModeState(state, mode);
      MousePadFrame frame;
      std::atomic<bool> trigger{false};
      return Loop(frames, [&] {
        const bool ok = RenderMousePad(s.record, state, hue, {&trigger, 0}, frame).rendered;
        if (ok) visit(frame.bytes);
        return ok;
      });
    }
  }
  return 0;
}

}  // namespace tavrinex::lighting
