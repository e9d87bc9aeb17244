// The three bytes a device stores per key slot: what the key does when pressed.
#pragma once

#include <cstdint>

namespace tavrinex::keys {

// Values of KeyFunction::kind. A device may report other kinds; they are carried unchanged,
// which is why KeyFunction keeps the kind as a plain byte.
enum class KeyFunctionKind : std::uint8_t {
  kMouseButton = 0x10,
  kSwingLeftRight = 0x11,
  kSwingUpDown = 0x12,
  kDpiKey = 0x13,
  kFireKey = 0x14,
  kKeyboardKey = 0x20,
  kMediaKey = 0x30,
  kSystemKey = 0x40,
  kMacroKey = 0x70,
  kMacroRepeatKey = 0x71,
};

struct KeyFunction {
  std::uint8_t kind = 0;
  std::uint8_t param1 = 0;
  std::uint8_t param2 = 0;

  friend constexpr bool operator==(const KeyFunction&, const KeyFunction&) = default;
};
static_assert(sizeof(KeyFunction) == 3);

[[nodiscard]] constexpr KeyFunction MakeKeyFunction(KeyFunctionKind kind, std::uint8_t param1,
                                                    std::uint8_t param2) {
  return {static_cast<std::uint8_t>(kind), param1, param2};
}

}  // namespace tavrinex::keys
