// What the UI layer delivers to a window: notifications raised by controls, window messages
// sent or posted by any thread, and the fixed message numbers the shell relies on.
#pragma once

#include <any>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tavrinex::ui {

class Control;

enum class EventType : std::uint8_t {
  kWindowInit,
  kClick,
  kSelectChanged,
  kItemSelect,
  kItemClick,
  kValueChanged,
  kMoveValueChanged,
  kTextChanged,
  kColorChanged,
  kMouseEnter,
  kMouseLeave,
  // Dragging across LED pictures: each picture passed over with the button held, then the
  // release (sent by the picture pressed).
  kDragOver,
  kDragEnd,
};

// The library's own spelling of each event type, in enum order.
inline constexpr std::array<std::string_view, 13> kEventTypeNames{
    "windowinit",   "click",       "selectchanged",    "itemselect",
    "itemclick",    "valuechanged", "movevaluechanged", "textchanged",
    "colorchanged", "msenter",     "msleave",          "dragover",
    "dragend"};
static_assert(kEventTypeNames.size() == static_cast<std::size_t>(EventType::kDragEnd) + 1);

[[nodiscard]] constexpr std::string_view EventTypeName(EventType type) {
  return kEventTypeNames[static_cast<std::size_t>(type)];
}
[[nodiscard]] std::optional<EventType> ParseEventType(std::string_view name);

// One user action (or a code action that the library reports like one). The sender is valid
// for the duration of the Notify call; it is null only for "windowinit".
struct Notification {
  EventType type = EventType::kClick;
  Control* sender = nullptr;
  std::string senderName;
  // "itemselect" and "itemclick": the row concerned (-1 when the list lost its current item)
  // and that row's name.
  int itemIndex = -1;
  std::string itemName;
};

// Fixed message numbers on the main window.
inline constexpr std::uint32_t kTrayMessage = 0x0401;
inline constexpr std::uint32_t kMenuClickMessage = 0x0479;
// The mouse message that a tray notification carries in lparam.
inline constexpr std::int64_t kMouseLeftUp = 0x0202;
inline constexpr std::int64_t kMouseRightUp = 0x0205;
inline constexpr std::int64_t kMouseLeftDoubleClick = 0x0203;

// A popup menu item as it arrives with kMenuClickMessage (in Message::payload).
struct MenuItem {
  std::string name;
  std::string userData;
  std::string text;
  // An option shown with a check mark; `checked` is its state when the menu opened.
  bool checkable = false;
  bool checked = false;
};

// A window message: the number, two plain parameters and, for messages that carry a record
// (the menu click), a payload that the receiver reads with std::any_cast.
struct Message {
  std::uint32_t id = 0;
  std::uint64_t wparam = 0;
  std::int64_t lparam = 0;
  std::any payload;
};

}  // namespace tavrinex::ui
