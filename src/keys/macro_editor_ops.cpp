#include "keys/macro_editor_ops.h"

#include <algorithm>
#include <array>

#include "keys/key_code_tables.h"

namespace tavrinex::keys {
namespace {

constexpr std::string_view kKeyboardStyle = "macro_label_keyboard_style";
constexpr std::string_view kMouseStyle = "macro_label_mouse_style";
constexpr std::string_view kDownStyle = "macro_label_down_style";
constexpr std::string_view kUpStyle = "macro_label_up_style";
constexpr std::string_view kTextStyle = "macro_label_text_style";
constexpr std::string_view kPressMark = "\u25BC";    // ▼
constexpr std::string_view kReleaseMark = "\u25B2";  // ▲
constexpr std::string_view kWheelName = "macro_mouse_wheel_text";
constexpr std::size_t kWheelTableRow = 14;
constexpr std::uint32_t kKeyDownMessage = 0x100, kSysKeyDownMessage = 0x104;
constexpr std::uint32_t kSideDown = 0x20B, kSideUp = 0x20C;

bool IsMove(MacroAction a) {
  const std::uint8_t code = a.eventCode & 0x7F;
  return code == kEventMoveX || code == kEventMoveY;
}

MacroAction ActionOf(std::uint8_t code, std::uint8_t value, unsigned units = 0) {
  return {static_cast<std::uint8_t>(units % 256), static_cast<std::uint8_t>(units / 256), code, value};
}

MacroRow RowOf(MacroAction a, std::string_view name) { return {FormatActionLine(a, name), {}, false}; }

// The insert buttons: (m, t) -> mouse table row, or a move with its code.
struct InsertButton {
  std::uint32_t message;
  int type;
  std::uint8_t code;
  std::uint8_t value;  // 0 for moves: the distance edit's number
  std::string_view name;
};
constexpr std::array<InsertButton, 14> kInsertButtons = {{
    {0x201, 0, 0x81, 0x01, "mouse_key_left"},    {0x204, 0, 0x81, 0x02, "mouse_key_right"},
    {0x207, 0, 0x81, 0x04, "mouse_key_middle"},  {0x20B, 0, 0x81, 0x10, "mouse_key_forward"},
    {0x20B, 1, 0x81, 0x08, "mouse_key_back"},    {0x202, 0, 0x01, 0x01, "mouse_key_left"},
    {0x205, 0, 0x01, 0x02, "mouse_key_right"},   {0x208, 0, 0x01, 0x04, "mouse_key_middle"},
    {0x20C, 0, 0x01, 0x10, "mouse_key_forward"}, {0x20C, 1, 0x01, 0x08, "mouse_key_back"},
    {0x200, 0, 0x84, 0, "mouse_move_to_left_text"}, {0x200, 1, 0x04, 0, "mouse_move_to_right_text"},
    {0x200, 2, 0x85, 0, "mouse_move_to_up_text"},   {0x200, 3, 0x05, 0, "mouse_move_to_down_text"},
}};

}  // namespace

RowView ViewOfRow(const MacroRow& row) {
  RowView v;
  const auto a = ParseActionLine(row.line);
  if (!a) {  // not an action: shown as it stands, played as nothing, never edited
    v.name = row.line;
    v.literal = true;
    v.nameStyle = kTextStyle;
    v.editable = false;
    return v;
  }
  v.name = std::string(ActionLineName(row.line));
  if (a->eventCode == kEventWheel && v.name.empty()) v.name = kWheelName;
  const bool mouse = IsMouseRow(*a);
  v.nameStyle = mouse ? kMouseStyle : kKeyboardStyle;
  if (IsMove(*a)) {
    v.action = std::to_string(a->eventValue);
    v.actionStyle = kTextStyle;
  } else if (a->eventCode != kEventWheel) {
    v.action = IsPressed(*a) ? kPressMark : kReleaseMark;
    v.actionStyle = IsPressed(*a) ? kDownStyle : kUpStyle;
  }
  v.delay = std::to_string(row.recordedMs.value_or(DelayUnits(*a) * 10));
  v.editable = !row.recordedMouse;
  return v;
}

RecordedPause PauseOf(std::uint64_t elapsedMs, bool fixed50) {
  const auto ms = fixed50 ? kFixedPauseMs
                          : static_cast<std::uint32_t>(std::min<std::uint64_t>(elapsedMs, kMaxRecordedMs));
  return {ms, static_cast<std::uint16_t>(ms / 10)};
}

std::optional<MacroRow> RecordKey(RecorderState& state, std::uint32_t message,
                                  std::uint16_t virtualKey, std::uint32_t flags) {
  const std::uint16_t code = HostKeyCode(virtualKey, flags);
  const bool press = message == kKeyDownMessage || message == kSysKeyDownMessage;
  if (press) {
    if (code == state.lastKey) return std::nullopt;  // auto-repeat
    state.lastKey = code;
  } else if (code == state.lastKey) {
    state.lastKey = 0;
  }
  const auto row = FindKeyByHostCode(code, kMacroRecordRowLimit);
  if (!row) return std::nullopt;
  const KeyFunction fn = kKeyboardKeyTable.rows[*row].function;
  const bool usage = fn.param2 != 0;
  const auto base = usage ? kEventKey : kEventModifier;
  const auto code8 = static_cast<std::uint8_t>(base | (press ? kEventPressBit : 0));
  return RowOf(ActionOf(code8, usage ? fn.param2 : fn.param1), kKeyboardKeyTable.names[*row]);
}

std::optional<MacroRow> RecordMouse(RecorderState& state, std::uint32_t message,
                                    bool secondSideButton, MouseOptions options) {
  std::optional<std::size_t> found;
  for (std::size_t r = 0; r < kMacroMouseEventTable.rows.size(); ++r) {
    if (kMacroMouseEventTable.rows[r].hostCode == message) {
      found = r;
      break;
    }
  }
  if (!found) return std::nullopt;
  std::size_t r = *found;
  if (message == kSideDown || message == kSideUp) {
    r = (secondSideButton ? 6u : 8u) + (message == kSideUp ? 1u : 0u);
  }
  MacroAction a;
  std::string_view name;
  if (r == kWheelTableRow) {
    if (!options.wheel) return std::nullopt;
    a = ActionOf(kEventWheel, 0);  // no name in the file: the list names it
  } else if (r <= 9) {
    if (!options.buttons) return std::nullopt;
    const KeyFunction fn = kMacroMouseEventTable.rows[r].function;
    a = ActionOf(fn.param2, fn.param1);
    name = kMacroMouseEventTable.names[r];
  } else {
    return std::nullopt;  // movement is never recorded
  }
  if (message == state.lastMouseMessage) return std::nullopt;  // a run of wheel notches
  state.lastMouseMessage = message;
  MacroRow row = RowOf(a, name);
  row.recordedMouse = true;
  return row;
}

std::optional<MacroRow> InsertedMouseRow(std::uint32_t message, int type, int distance) {
  for (const InsertButton& b : kInsertButtons) {
    if (b.message != message || b.type != type) continue;
    const auto value = message == 0x200 ? static_cast<std::uint8_t>(distance & 0xFF) : b.value;
    return RowOf(ActionOf(b.code, value, kInsertedPauseUnits), b.name);
  }
  return std::nullopt;
}

RowEditorView EditorViewOf(const MacroRow& row) {
  RowEditorView v;
  const auto a = ParseActionLine(row.line);
  if (!a || row.recordedMouse) return v;
  v.delayUnits = DelayUnits(*a);
  v.pressChoice = IsPressed(*a) ? 1 : 0;
  if (!IsMouseRow(*a)) {
    v.page = 1;
    const std::uint8_t code = a->eventCode & 0x7F;
    for (std::size_t r = 0; r < kMacroRecordRowLimit; ++r) {
      const KeyFunction fn = kKeyboardKeyTable.rows[r].function;
      if ((code == kEventKey && fn.param2 == a->eventValue) ||
          (code == kEventModifier && fn.param1 == a->eventValue)) {
        v.keyChoice = static_cast<int>(r);
        break;
      }
    }
    return v;
  }
  v.page = 2;
  if (a->eventCode == kEventWheel) {
    v.mouseChoice = static_cast<int>(kWheelTableRow);
    return v;
  }
  for (std::size_t r = 0; r <= 9; ++r) {
    const KeyFunction fn = kMacroMouseEventTable.rows[r].function;
    if (fn.param1 == a->eventValue && fn.param2 == a->eventCode) {
      v.mouseChoice = static_cast<int>(r);
      return v;
    }
  }
  const std::uint8_t code = a->eventCode & 0x7F;
  if (code == kEventMoveX || code == kEventMoveY) {
    v.mouseChoice = (code == kEventMoveX ? 10 : 12) + (IsPressed(*a) ? 0 : 1);
    v.distance = a->eventValue;
  }
  return v;
}

// ---- the rows ----

std::vector<std::string> MacroRows::Lines() const {
  std::vector<std::string> lines;
  lines.reserve(rows_.size());
  for (const MacroRow& r : rows_) lines.push_back(r.line);
  return lines;
}

std::vector<TimelineRow> MacroRows::Timeline() const {
  std::vector<TimelineRow> out;
  out.reserve(rows_.size());
  for (const MacroRow& r : rows_) {
    const auto a = ParseActionLine(r.line);
    if (!a) continue;  // plays nothing
    out.push_back({*a, ViewOfRow(r).name, r.recordedMs});
  }
  return out;
}

std::size_t MacroRows::UnreadableLines() const {
  return static_cast<std::size_t>(std::ranges::count_if(
      rows_, [](const MacroRow& r) { return !ParseActionLine(r.line).has_value(); }));
}

void MacroRows::Load(std::span<const std::string> lines) {
  rows_.clear();
  rows_.reserve(lines.size());
  for (const std::string& line : lines) rows_.push_back({line, {}, false});
}

bool MacroRows::AppendRecorded(MacroRow row, RecordedPause pause) {
  rows_.push_back(std::move(row));
  if (rows_.size() < 2) return false;
  MacroRow& before = rows_[rows_.size() - 2];
  if (const auto a = ParseActionLine(before.line)) {
    MacroAction b = *a;
    b.delayLow = static_cast<std::uint8_t>(pause.units % 256);
    b.delayHigh = static_cast<std::uint8_t>(pause.units / 256);
    before.line = FormatActionLine(b, ActionLineName(before.line));
    before.recordedMs = pause.ms;
  }
  return true;
}

std::size_t MacroRows::InsertAfterSelection(MacroRow row, std::optional<std::size_t> selected) {
  std::size_t at = 0;
  if (!rows_.empty()) at = std::min(selected.value_or(0), rows_.size() - 1) + 1;
  rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(at), std::move(row));
  return at;
}

bool MacroRows::Remove(std::size_t i) {
  if (i >= rows_.size()) return false;
  rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(i));
  return true;
}

std::optional<std::size_t> MacroRows::MoveRow(std::size_t i, Move move) {
  if (i >= rows_.size()) return std::nullopt;
  const std::size_t last = rows_.size() - 1;
  std::size_t to = i;
  switch (move) {
    case Move::kUp: to = i == 0 ? 0 : i - 1; break;
    case Move::kDown: to = i == last ? last : i + 1; break;
    case Move::kTop: to = 0; break;
    case Move::kBottom: to = last; break;
  }
  if (to == i) return std::nullopt;
  MacroRow row = std::move(rows_[i]);
  rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(i));
  rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(to), std::move(row));
  return to;
}

bool MacroRows::Rewrite(std::size_t i, MacroAction action, std::string_view name) {
  rows_[i].line = FormatActionLine(action, name);
  return true;
}

bool MacroRows::SetKey(std::size_t i, std::size_t keyRow) {
  if (i >= rows_.size() || keyRow >= kMacroRecordRowLimit) return false;
  const auto a = ParseActionLine(rows_[i].line);
  if (!a) return false;
  const KeyFunction fn = kKeyboardKeyTable.rows[keyRow].function;
  const std::uint8_t press = a->eventCode & kEventPressBit;
  MacroAction b = *a;
  if (fn.param2 != 0) {
    b.eventCode = kEventKey | press;
    b.eventValue = fn.param2;
  } else if (fn.param1 != 0) {
    b.eventCode = kEventModifier | press;
    b.eventValue = fn.param1;
  }
  return Rewrite(i, b, kKeyboardKeyTable.names[keyRow]);
}

bool MacroRows::SetPressed(std::size_t i, bool pressed) {
  if (i >= rows_.size()) return false;
  const auto a = ParseActionLine(rows_[i].line);
  if (!a) return false;
  MacroAction b = *a;
  b.eventCode = static_cast<std::uint8_t>((b.eventCode & 0x7F) | (pressed ? kEventPressBit : 0));
  return Rewrite(i, b, ActionLineName(rows_[i].line));
}

bool MacroRows::SetMouseEvent(std::size_t i, std::size_t mouseRow) {
  if (i >= rows_.size() || mouseRow > kWheelTableRow) return false;
  const auto a = ParseActionLine(rows_[i].line);
  if (!a) return false;
  MacroAction b = *a;
  std::string_view name = kMacroMouseEventTable.names[mouseRow];
  const KeyFunction fn = kMacroMouseEventTable.rows[mouseRow].function;
  if (mouseRow == kWheelTableRow) {
    b.eventCode = kEventWheel;
    b.eventValue = 0;
  } else if (mouseRow <= 9) {
    b.eventCode = fn.param2;
    b.eventValue = fn.param1;
  } else {
    b.eventCode = fn.param2;
    b.eventValue = IsMove(*a) ? a->eventValue : 0;
  }
  return Rewrite(i, b, name);
}

bool MacroRows::SetDelay(std::size_t i, std::uint32_t units) {
  if (i >= rows_.size()) return false;
  const auto a = ParseActionLine(rows_[i].line);
  if (!a) return false;
  units = std::min(units, kMaxDelayUnits);
  MacroAction b = *a;
  b.delayLow = static_cast<std::uint8_t>(units % 256);
  b.delayHigh = static_cast<std::uint8_t>(units / 256);
  rows_[i].recordedMs.reset();  // typed: the stored pause is all there is
  return Rewrite(i, b, ActionLineName(rows_[i].line));
}

bool MacroRows::SetDistance(std::size_t i, std::uint32_t distance) {
  if (i >= rows_.size()) return false;
  const auto a = ParseActionLine(rows_[i].line);
  if (!a || !IsMove(*a)) return false;
  MacroAction b = *a;
  b.eventValue = static_cast<std::uint8_t>(std::min<std::uint32_t>(distance, 255));
  return Rewrite(i, b, ActionLineName(rows_[i].line));
}

}  // namespace tavrinex::keys
