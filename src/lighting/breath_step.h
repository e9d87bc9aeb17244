// The breathing step every device takes the same way.
#pragma once

#include <cstdint>

#include "lighting/effect_frame.h"
#include "lighting/effect_tables.h"

namespace tavrinex::lighting {

// Moves the phase one step over the curve's 128 steps; each wrap to 0 moves the breathing
// cycle on (a cycle left out of range restarts at 0). Returns the curve value of the new phase.
[[nodiscard]] inline unsigned StepBreath(std::uint8_t& phase, std::uint8_t& cycle, bool up) {
  if (cycle >= kBreathCycles) cycle = 0;
  phase = StepPhase(phase, 127, up);
  if (phase == 0) cycle = cycle >= kBreathCycles - 1 ? 0 : static_cast<std::uint8_t>(cycle + 1);
  return kBreathCurve[phase % kBreathCurve.size()];
}

}  // namespace tavrinex::lighting
