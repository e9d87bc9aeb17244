// The effects: each renders one frame of a device from its record, its animation state and
// its inputs into the device frame and the picture colours. Pure functions of their
// arguments; the animation threads supply snapshots and send the result.
//
// Values a device or a profile file may deliver out of range have a defined result: a mode
// the device does not have renders nothing (no picture, no frame); brightness and speed above
// 14 act as 14; a breathCycle above 2 restarts at 0; a customSet above 4 shows every key dark.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

#include "lighting/animation_state.h"
#include "lighting/effect_frame.h"
#include "lighting/lighting_model.h"
#include "lighting/lighting_store.h"

namespace tavrinex::lighting {

struct KeyboardInputs {
  const CustomColours* custom = nullptr;  // KB_MODE_CUSTOM; none shows every key dark
  ReactiveClock* reactive = nullptr;      // KB_MODE_REACTIVE; none skips every iteration
};

struct MousePadInputs {
  std::atomic<bool>* padReactiveTrigger = nullptr;  // set when the mouse reports an event
  std::int64_t nowMs = 0;                           // a steady clock, for the flash length
};

inline constexpr std::int64_t kFlashLengthMs = 99;  // a flash ends once more than this has passed
inline constexpr auto kSweepTurnWait = std::chrono::milliseconds(1000);

// The frame is cleared first. `record` is the caller's snapshot; breathing advances its
// breathCycle byte, which the caller writes back.
RenderResult RenderKeyboard(CurrentRecord& record, KeyboardAnimation& state, HueAccumulator& hue,
                            const KeyboardInputs& inputs, KeyboardFrame& frame);
RenderResult RenderMouse(CurrentRecord& record, MouseAnimation& state, HueAccumulator& hue, MouseFrame& frame);
RenderResult RenderMousePad(CurrentRecord& record, MousePadAnimation& state, HueAccumulator& hue,
                            const MousePadInputs& inputs, MousePadFrame& frame);

// The shared lighting: modes 0-3 from SharedLighting on the devices that take part.
struct SharedFrames {
  KeyboardFrame keyboard;
  MouseFrame mouse;
  MousePadFrame mousePad;
};
RenderResult RenderShared(const SharedLighting& shared, std::uint8_t& phase, SharedFrames& frames);

// Keyboard decays of a light level.
[[nodiscard]] std::uint8_t DecayFast(std::uint8_t level);
[[nodiscard]] std::uint8_t DecayNormal(std::uint8_t level);
// Mouse chase and mouse-pad chase decays.
[[nodiscard]] std::uint8_t DecayMouse(std::uint8_t level);
[[nodiscard]] std::uint8_t DecayPad(std::uint8_t level);

// The spreading light maps (used by ripple, reactive and the showcase).
void LightFromMaps(KeyboardAnimation& state, bool multiColour, HueAccumulator& hue);
void SpreadMapsStep(SpreadMaps& maps);

}  // namespace tavrinex::lighting
