// Renders a device's effect offline, from the state that selecting its mode in the lighting
// editor leaves: a reset animation state plus the mode's start state (the pad's sweep at its
// start values) and the hue accumulator at 0. Used by tools and benchmarks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

#include "lighting/animation_state.h"
#include "lighting/effects.h"
#include "lighting/lighting_store.h"

namespace tavrinex::lighting {

// Modes whose frames depend on the clock or on input (keyboard reactive, pad mouse flash).
[[nodiscard]] bool DependsOnTimeOrInput(DeviceKind kind, std::uint8_t mode);

// The editor's mode selection: reset, then the mode's start state.
void SelectModeState(KeyboardAnimation& state, std::uint8_t mode);
void SelectModeState(MouseAnimation& state, std::uint8_t mode, std::uint8_t direction);
void SelectModeState(MousePadAnimation& state, std::uint8_t mode);

struct RenderSession {
  DeviceKind kind = DeviceKind::kKeyboard;
  CurrentRecord record{};
  CustomColours custom{};
};

// Runs iterations until `frames` of them have rendered, calling `visit` with each device
// frame (378, 60 or 45 bytes). Skipped iterations are not counted, but what they change is
// kept; the keyboard's accumulator step follows each keyboard iteration. A mode that renders
// nothing ends after two skips in a row. Returns the number of frames rendered.
std::size_t RenderFrames(RenderSession& session, std::size_t frames,
                         const std::function<void(std::span<const std::uint8_t>)>& visit);

}  // namespace tavrinex::lighting
