// The macro editor's operations on the rows of the edited macro, without any control: what a
// recorded key or mouse event becomes, where its pause goes, hand-inserted mouse actions, the
// row editor's changes and the moves. The handler (macro_editor.h) shows what they return.
//
// A row keeps its action line verbatim (the macro file's text), so that saving writes exactly
// what was loaded; a line that holds no action (a hand-edited file) stays as it is, shows as
// unreadable and is never changed by the row editor.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "keys/macro_action.h"
#include "keys/macro_timeline.h"

namespace tavrinex::keys {

inline constexpr std::uint32_t kMaxDelayUnits = 65535;
inline constexpr std::uint32_t kMaxRecordedMs = 655350;
inline constexpr std::uint32_t kFixedPauseMs = 50;
inline constexpr std::uint8_t kInsertedPauseUnits = 5;  // hand-inserted actions: 50 ms
inline constexpr std::size_t kMouseChoiceWheel = 14;    // "kb_macro_combo_mouselect" item

struct MacroRow {
  std::string line;                         // the action line
  std::optional<std::uint32_t> recordedMs;  // the pause after it as recorded, before rounding
  bool recordedMouse = false;  // a recorded mouse event, until the macro is saved and reloaded
};

// The mouse rows of the list: buttons, moves and (beyond the code rule) the wheel, whose
// code 0xFF would otherwise read as a keyboard action and open the key editor.
[[nodiscard]] constexpr bool IsMouseRow(MacroAction a) {
  return IsMouseAction(a) || a.eventCode == kEventWheel;
}

// What a row shows: the three column texts (column 0 is a language id unless `literal`),
// the styles, and whether the row editor opens on it.
struct RowView {
  std::string name;          // column 0
  bool literal = false;      // column 0 is text, not a language id (unreadable lines)
  std::string action;        // column 1: "▼" press, "▲" release, or the distance
  std::string delay;         // column 2: milliseconds
  std::string_view nameStyle;
  std::string_view actionStyle;
  bool editable = true;      // a "kb_macro_action" row (30 high) or a plain "macro_action" (25)
};
[[nodiscard]] RowView ViewOfRow(const MacroRow& row);

// The pause of a recorded event: elapsed since the last one, capped, or 50 ms when fixed.
struct RecordedPause {
  std::uint32_t ms = 0;
  std::uint16_t units = 0;
};
[[nodiscard]] RecordedPause PauseOf(std::uint64_t elapsedMs, bool fixed50);

// The recorder of one device: what the Windows hook handlers kept between events.
struct RecorderState {
  bool recording = false;
  std::uint64_t lastEventMs = 0;
  std::uint16_t lastKey = 0;             // last pressed host key code, 0 for none
  std::uint32_t lastMouseMessage = 0;    // kept across recordings
};

// Which mouse events a recording takes.
struct MouseOptions {
  bool buttons = true;
  bool wheel = true;
};

// A key event (key message, virtual key, flags) as a new row; nothing for an auto-repeat, a
// key the keyboard rows do not know, or a media or system key.
[[nodiscard]] std::optional<MacroRow> RecordKey(RecorderState& state, std::uint32_t message,
                                                std::uint16_t virtualKey, std::uint32_t flags);
// A mouse event (mouse message; for the side buttons whether it is the second one, forward)
// as a new row; nothing for movement, an option that is off, or a repeat of the last message.
[[nodiscard]] std::optional<MacroRow> RecordMouse(RecorderState& state, std::uint32_t message,
                                                  bool secondSideButton, MouseOptions options);

// The fourteen insert buttons: the row for message m and type t (table of the insert buttons),
// the distance kept to eight bits; nothing for a pair that is not in the table.
[[nodiscard]] std::optional<MacroRow> InsertedMouseRow(std::uint32_t message, int type,
                                                       int distance);

// What the row editor shows for a row.
struct RowEditorView {
  int page = 0;                          // 1 key, 2 mouse; 0 the row cannot be edited
  int keyChoice = -1;                    // keyboard table row 0-103
  int pressChoice = 0;                   // 1 press, 0 release
  int mouseChoice = -1;                  // mouse table row 0-14
  std::optional<int> distance;           // moves
  unsigned delayUnits = 0;
};
[[nodiscard]] RowEditorView EditorViewOf(const MacroRow& row);

class MacroRows {
 public:
  [[nodiscard]] std::size_t Size() const { return rows_.size(); }
  [[nodiscard]] const MacroRow& At(std::size_t i) const { return rows_[i]; }
  [[nodiscard]] std::span<const MacroRow> Rows() const { return rows_; }
  [[nodiscard]] std::vector<std::string> Lines() const;
  [[nodiscard]] std::vector<TimelineRow> Timeline() const;
  [[nodiscard]] std::size_t UnreadableLines() const;

  void Load(std::span<const std::string> lines);
  void Clear() { rows_.clear(); }
  // Saved: recorded mouse rows become rows like any other (the recorded pauses stay known).
  void MarkSaved() {
    for (MacroRow& r : rows_) r.recordedMouse = false;
  }
  // Appends a recorded row; its pause goes into the row before it. True when there was one.
  bool AppendRecorded(MacroRow row, RecordedPause pause);
  // Inserted after `selected`, after row 0 without a selection, first into an empty list.
  std::size_t InsertAfterSelection(MacroRow row, std::optional<std::size_t> selected);
  bool Remove(std::size_t i);
  enum class Move : std::uint8_t { kUp, kDown, kTop, kBottom };
  // The row's new index; nothing when it does not move.
  std::optional<std::size_t> MoveRow(std::size_t i, Move move);

  // The row editor's changes; false when the row cannot take them (unreadable, out of range).
  bool SetKey(std::size_t i, std::size_t keyRow);
  bool SetPressed(std::size_t i, bool pressed);
  bool SetMouseEvent(std::size_t i, std::size_t mouseRow);
  bool SetDelay(std::size_t i, std::uint32_t units);
  bool SetDistance(std::size_t i, std::uint32_t distance);

 private:
  bool Rewrite(std::size_t i, MacroAction action, std::string_view name);

  std::vector<MacroRow> rows_;
};

}  // namespace tavrinex::keys
