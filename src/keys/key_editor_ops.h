// The key editor's operations on its model, without any control: which function the editor's
// fields describe, which fields show a stored function, how typed numbers are read and
// clamped, and what a key button's tooltip says. The handler (key_editor.h) alone knows the
// control names; it reads the fields, calls these and writes the results back.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "device/device_kind.h"
#include "keys/key_code_tables.h"
#include "keys/key_function.h"

namespace tavrinex::keys {

// The sub-controls of the ten panels: choices hold an item index (-1: none chosen), edits a
// number already clamped to the field's maximum.
enum class Field : std::uint8_t {
  kMouseButton,     // MouseButtonTable row
  kLrDirection,     // 0 left, 1 right
  kLrAmount,        // 0-127
  kLrHigh,          // 0-15
  kLrLow,           // 0-15
  kUdDirection,     // 0 up, 1 down
  kUdAmount,
  kUdHigh,
  kUdLow,
  kDpi,             // DpiKeyTable row
  kFire1,           // 0-255
  kFire2,           // 0-255
  kMedia,           // MediaKeyTable row
  kSystem,          // SystemKeyTable row
  kMacro,           // macro index
  kPlayMode,        // 0, 1, or 2 = repeat count
  kRepeatCount,     // 0-255
};
inline constexpr std::size_t kFieldCount = static_cast<std::size_t>(Field::kRepeatCount) + 1;
using FieldValues = std::array<int, kFieldCount>;

[[nodiscard]] constexpr std::size_t At(Field f) { return static_cast<std::size_t>(f); }

inline constexpr int kPlayModeRepeat = 2;
inline constexpr std::size_t kSelectorItems = 10;

// The kind each item of the function selector stands for (0: the factory default).
inline constexpr std::array<std::uint8_t, kSelectorItems> kKeyboardSelectorKinds = {
    0x00, 0x20, 0x10, 0x11, 0x12, 0x13, 0x14, 0x30, 0x40, 0x70};
inline constexpr std::array<std::uint8_t, kSelectorItems> kMouseSelectorKinds = {
    0x00, 0x10, 0x11, 0x12, 0x13, 0x14, 0x20, 0x30, 0x40, 0x70};

[[nodiscard]] constexpr const std::array<std::uint8_t, kSelectorItems>& SelectorKinds(
    device::DeviceKind kind) {
  return kind == device::DeviceKind::kMouse ? kMouseSelectorKinds : kKeyboardSelectorKinds;
}
// The selector item of a kind (0x71 shares the macro item); nothing for kinds without one.
[[nodiscard]] std::optional<int> SelectorIndexOf(device::DeviceKind kind, std::uint8_t fnKind);

// A number typed into an edit: decimal, its leading digits (anything else reads as 0), at
// most `maximum`. `rewrite` holds the text to put back when the typed text said more (or
// less) than the value.
struct ClampedNumber {
  int value = 0;
  std::optional<std::string> rewrite;
};
[[nodiscard]] ClampedNumber ClampTyped(std::string_view text, int maximum);

// What the editor's fields make of a slot (ApplyEditor step 1). Nothing means: store
// nothing (no key captured, no macro chosen, or a table choice without a chosen row).
// `edited` is the function the editor holds, which a captured key has already set.
[[nodiscard]] std::optional<KeyFunction> BuildFunction(std::uint8_t selectedKind,
                                                       const FieldValues& fields,
                                                       KeyFunction factoryDefault,
                                                       KeyFunction edited,
                                                       bool keyCaptured);

// What the editor shows for a stored function (ShowKeyFunction step 2).
struct FunctionView {
  std::optional<int> selector;                   // none: the editor stays as it is
  std::vector<std::pair<Field, int>> fields;     // choices and edits to set
  bool clearMacro = false;                       // the macro choice loses its item
  std::optional<std::string_view> capturedName;  // the captured-key edit (keyboard keys)
};
[[nodiscard]] FunctionView ViewOfFunction(device::DeviceKind kind, KeyFunction shown,
                                          bool factoryDefault, std::size_t macroCount);

// A key button's tooltip (SetKeyLabel steps 2-4): the translated name of its factory
// function, and when the slot now holds something else, the "Key_Set" text and that name.
struct KeyLabel {
  std::string tooltip;
  bool reassigned = false;  // show the highlighted picture
};
using Translate = std::function<std::string(std::string_view id)>;
[[nodiscard]] KeyLabel ComposeKeyLabel(const FunctionName& name, KeyFunction factoryDefault,
                                       const Translate& translate);

// The left-click guard of the mouse: true when `slot` holds the left click and no other
// button does.
[[nodiscard]] bool IsOnlyLeftClick(const std::array<KeyFunction, 6>& buttons, std::size_t slot);

}  // namespace tavrinex::keys
