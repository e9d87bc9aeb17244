// The key page of the keyboard or the mouse: the handler that alone knows the page's control
// names. It turns the routed notifications into the editor's operations (key_editor_ops.h)
// on the key image and shows the results; every change goes to the image at once, and only
// the save action, run on the device's worker, reaches the device and the key profile.
// UI thread only.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "device/device_image.h"
#include "device/device_kind.h"
#include "keys/key_editor_ops.h"
#include "keys/key_image.h"
#include "keys/key_save.h"
#include "platform/input_capture.h"
#include "ui/window.h"

namespace tavrinex::keys {

struct KeyEditorContext {
  ui::Window* window = nullptr;
  DeviceImage* image = nullptr;
  const KeyPositionMap* positions = nullptr;  // the keyboard's
  platform::CDeviceHook* hook = nullptr;
  std::function<std::filesystem::path(DeviceKind)> macroFolder;
  std::function<std::string(std::string_view id)> translate;
  // Shows a message box: a language id, or (resourceText false) a finished text.
  std::function<void(std::string_view text, bool resourceText)> showMessage;
  // Hands the save to the device's worker; `done` runs on the UI thread afterwards.
  std::function<void(DeviceKind, std::function<void(const KeySaveReport&)> done)> startSave;
};

inline constexpr std::uint32_t kProgressShowMessage = 0x0C00;
inline constexpr std::uint32_t kProgressDoneMessage = 0x0C01;
inline constexpr std::string_view kOnlyLeftClickMessage = "message_text_6";

class KeyEditor {
 public:
  KeyEditor(DeviceKind kind, KeyEditorContext context);

  // Once the window exists: the key buttons' pictures and the mouse's hover pictures.
  void Init();

  // Notifications (routed by control name).
  void OnKeyButton(int index);                  // click on prefix "key_" + index
  void OnSelector(int index);                   // itemselect of the function selector
  void OnChoice(std::string_view control);      // itemselect of a sub-control choice
  void OnText(std::string_view control);        // textchanged of a sub-control edit
  void OnRestoreDefault();
  void OnApply();                               // the mouse's "ms_key_butt_keysave"
  void OnSave();
  void OnHover(std::string_view control, bool entered);
  void OnPageShown(bool keyPage);               // a page tab of this device was chosen
  // The hook message of key capture (0x801 keyboard, 0x810 mouse).
  std::int64_t OnCaptureMessage(const ui::Message& message);

  // The editor's operations.
  void ShowKeyFunction(std::size_t slot);
  void ApplyEditor();
  void RedrawKeyLabels();

  [[nodiscard]] std::size_t EditedSlot() const { return editedSlot_; }
  [[nodiscard]] KeyFunction EditedFunction() const { return edited_; }
  [[nodiscard]] std::uint8_t SelectedKind() const { return selectedKind_; }
  [[nodiscard]] bool Saving() const { return saving_; }

 private:
  [[nodiscard]] std::string Name(std::string_view suffix) const;
  [[nodiscard]] ui::Control* Find(std::string_view suffix) const;
  [[nodiscard]] ui::ListControl* Choice(std::string_view suffix) const;
  [[nodiscard]] FieldValues ReadFields() const;
  void SwitchPanel(int index);
  void ShowView(const FunctionView& view);
  void SetField(Field field, int value);
  void ShowRepeatPanel();
  void InstallCapture();
  void FillMacroChoice();
  [[nodiscard]] std::vector<std::string> MacroNamesNow() const;
  void SetKeyLabel(std::size_t slot, const FunctionName& name, KeyFunction factoryDefault);
  void SetPageEnabled(bool enabled);
  void OnSaved(const KeySaveReport& report);
  [[nodiscard]] bool LeftClickGuard(std::size_t slot);
  void MarkSelected(std::size_t button);

  DeviceKind kind_;
  KeyEditorContext ctx_;
  std::string prefix_;  // "kb_" or "ms_"
  std::size_t editedSlot_ = 0;
  KeyFunction edited_{};
  std::uint8_t selectedKind_ = 0;
  bool loading_ = false;  // the editor's own changes raise notifications too: not the user's
  bool saving_ = false;
  std::vector<ui::Control*> keyButtons_;  // by position (keyboard) or slot (mouse)
  ui::Control* selected_ = nullptr;       // the button being edited
  std::size_t macroCount_ = 0;
};

}  // namespace tavrinex::keys
