// One timed input action of a macro, as a macro file keeps it: an action line
// "delayLow,delayHigh,eventCode,eventValue,pressed,name". Only the first four fields reach the
// device; "pressed" and the name (the language id of the key, button or movement: the text
// after the last comma) are for display.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tavrinex::keys {

struct MacroAction {
  std::uint8_t delayLow = 0;
  std::uint8_t delayHigh = 0;
  std::uint8_t eventCode = 0;
  std::uint8_t eventValue = 0;

  friend constexpr bool operator==(const MacroAction&, const MacroAction&) = default;
};
static_assert(sizeof(MacroAction) == 4);

// Event codes; bit 7 is the press of a key or button, or the negative direction of a move.
inline constexpr std::uint8_t kEventPressBit = 0x80;
inline constexpr std::uint8_t kEventMouseButton = 0x01;
inline constexpr std::uint8_t kEventMoveX = 0x04;
inline constexpr std::uint8_t kEventMoveY = 0x05;
inline constexpr std::uint8_t kEventModifier = 0x09;
inline constexpr std::uint8_t kEventKey = 0x0A;
inline constexpr std::uint8_t kEventWheel = 0xFF;

// The pause after the action, in units of 10 ms.
[[nodiscard]] constexpr unsigned DelayUnits(MacroAction a) {
  return a.delayLow + 256u * a.delayHigh;
}
[[nodiscard]] constexpr bool IsPressed(MacroAction a) { return (a.eventCode & kEventPressBit) != 0; }
// Codes whose low seven bits are below 9 are mouse actions, the others keyboard actions.
[[nodiscard]] constexpr bool IsMouseAction(MacroAction a) { return (a.eventCode & 0x7F) < 9; }

// The four device bytes of an action line. A line that does not split into six fields, or whose
// first four fields are not whole decimal numbers within the int range, holds no action. A
// number is stored as its low byte (-1 as 0xFF, 300 as 0x2C), as the Windows program stores it.
[[nodiscard]] std::optional<MacroAction> ParseActionLine(std::string_view line);

// The name field: the text after the last comma; empty when the line has no comma.
[[nodiscard]] std::string_view ActionLineName(std::string_view line);

// "%d,%d,%d,%d,%d,%s" with "pressed" taken from bit 7 of the event code.
[[nodiscard]] std::string FormatActionLine(MacroAction action, std::string_view name);

}  // namespace tavrinex::keys
