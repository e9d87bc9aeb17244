// The macro page of the keyboard or the mouse: the handler that alone knows the page's control
// names. It shows the device's macro library and the rows of the selected macro, records key
// and mouse events into rows, inserts and edits rows, and saves them into the macro file; the
// operations themselves are in macro_editor_ops.h and macro_library.h. Nothing here reaches the
// device: the key page's save action sends the library. UI thread only.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "device/device_image.h"
#include "device/device_kind.h"
#include "keys/key_image.h"
#include "keys/macro_editor_ops.h"
#include "keys/macro_library.h"
#include "keys/macro_timeline.h"
#include "platform/input_capture.h"
#include "ui/window.h"

namespace tavrinex::keys {

struct MacroEditorContext {
  ui::Window* window = nullptr;
  DeviceImage* image = nullptr;
  platform::CDeviceHook* hook = nullptr;
  std::function<std::filesystem::path(DeviceKind)> macroFolder;
  std::function<std::string(std::string_view id)> translate;
  // Shows a message box (a language id, or a finished text) and returns the answer (1: yes).
  std::function<int(std::string_view text, bool resourceText)> showMessage;
  // Milliseconds of a monotonic clock: the pauses between recorded events.
  std::function<std::uint64_t()> nowMs;
  // The library's names or the key slots changed: the key page's labels and macro choice.
  std::function<void()> macrosChanged;
};

inline constexpr std::string_view kMessageUnsavedKeyboard = "message_text_3";
inline constexpr std::string_view kMessageUnsavedMouse = "message_text_4";
inline constexpr std::string_view kMessageMacroReferenced = "message_text_2";
inline constexpr std::string_view kMessageDeleteMacro = "message_text_4";
inline constexpr std::string_view kMessageBadLines = "message_macro_bad_lines";
inline constexpr std::string_view kMessageNothingRecorded = "message_macro_nothing_recorded";
inline constexpr std::string_view kMessageBadName = "message_macro_bad_name";
inline constexpr std::string_view kMessageWriteFailed = "message_macro_write_failed";

class MacroEditor {
 public:
  MacroEditor(DeviceKind kind, MacroEditorContext context);

  // Once the window exists: the names, the last macro selected (LoadMacroIndex).
  void Init();

  // Notifications (routed by control name).
  void OnNameSelect(int index);
  void OnAdd();
  void OnDelete();
  void OnRename();
  void OnRowButton(std::string_view control);  // up, down, uptop, downbottom, delete, deleteall
  void OnInsertTab(std::string_view control);  // the five panel buttons
  void OnInsertButton(std::string_view control);
  void OnInsertPanelShown(bool shown);         // "kb_macro_btn_shubiao"
  void OnChoice(std::string_view control);     // the row editor's three choices
  void OnText(std::string_view control);       // delays, distance, the four move edits
  void OnItemClick(const ui::Notification& n);
  // Hook messages (0x803/0x804, 0x812/0x813).
  std::int64_t OnKeyMessage(const ui::Message& message);
  std::int64_t OnMouseMessage(const ui::Message& message);
  void RedrawRows();  // the language changed

  // The operations.
  void StartStopRecording();
  void RecordKeyEvent(std::uint32_t message, std::uint16_t virtualKey, std::uint32_t flags);
  // Also the entry point of a system-wide mouse source.
  void RecordMouseEvent(std::uint32_t message, bool secondSideButton);
  void InsertMouseAction(std::uint32_t message, int type);
  void EditRow();
  void SaveRows();
  void CancelEdit();

  [[nodiscard]] bool Recording() const { return recorder_.recording; }
  [[nodiscard]] bool Unsaved() const { return unsaved_; }
  [[nodiscard]] const MacroRows& Rows() const { return rows_; }
  [[nodiscard]] std::optional<std::size_t> SelectedMacro() const { return selected_; }
  [[nodiscard]] const std::vector<std::string>& Names() const { return names_; }

  // Set by whoever draws the timeline: called with the rows whenever they change.
  std::function<void(std::span<const TimelineRow>)> onRowsChanged;
  // Calls it again with the rows as they are (what surrounds them changed: the device).
  void RowsChanged();
  // Calls it again with the rows as they are (what surrounds them changed: the device).

 private:
  [[nodiscard]] std::string Name(std::string_view suffix) const;
  [[nodiscard]] ui::Control* Find(std::string_view suffix) const;
  [[nodiscard]] ui::ListControl* List(std::string_view suffix) const;
  [[nodiscard]] MacroLibrary Library() const;
  [[nodiscard]] std::optional<std::size_t> SelectedRow() const;
  int Show(std::string_view id);
  int ShowFormatted(std::string_view id, int number);
  [[nodiscard]] bool DeviceInfoKnown() const;
  void SetEnabled(std::string_view suffix, bool enabled);
  void SetEditingEnabled(bool enabled);
  void SetRecordingControls(bool recording);
  void ShowEditPage(int page);
  void MarkUnsaved();
  void LeaveUnsaved();
  void FillNames();
  void LoadRows();
  void FillRows();
  void ShowRow(std::size_t i);
  void AddListRow(std::size_t i);
  void AppendRecorded(MacroRow row);
  void ApplyRowChange(bool changed);
  [[nodiscard]] int ClampEdit(std::string_view control, int maximum);
  void RefreshRowEditor();

  DeviceKind kind_;
  MacroEditorContext ctx_;
  std::string prefix_;
  MacroRows rows_;
  RecorderState recorder_;
  std::vector<std::string> names_;
  std::optional<std::size_t> selected_;
  bool unsaved_ = false;
  bool loading_ = false;  // the editor's own control changes raise notifications too
  std::size_t recordStartRows_ = 0;
};

}  // namespace tavrinex::keys
