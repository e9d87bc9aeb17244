#include "keys/key_editor.h"

#include <algorithm>

#include "keys/key_code_tables.h"
#include "keys/macro_library.h"

namespace tavrinex::keys {
namespace {

// The control of each field, after the device prefix; edits carry their maximum.
struct FieldControl {
  Field field;
  std::string_view suffix;
  int maximum;  // 0: a choice
};
constexpr std::array<FieldControl, kFieldCount> kFieldControls = {{
    {Field::kMouseButton, "key_fct_combo_11", 0},
    {Field::kLrDirection, "key_fct_combo_12", 0},
    {Field::kLrAmount, "key_fct_edit_15", 127},
    {Field::kLrHigh, "key_fct_edit_17", 15},
    {Field::kLrLow, "key_fct_edit_20", 15},
    {Field::kUdDirection, "key_fct_combo_13", 0},
    {Field::kUdAmount, "key_fct_edit_16", 127},
    {Field::kUdHigh, "key_fct_edit_18", 15},
    {Field::kUdLow, "key_fct_edit_19", 15},
    {Field::kDpi, "key_fct_combo_14", 0},
    {Field::kFire1, "key_fct_edit_11", 255},
    {Field::kFire2, "key_fct_edit_12", 255},
    {Field::kMedia, "key_fct_combo_21", 0},
    {Field::kSystem, "key_fct_combo_22", 0},
    {Field::kMacro, "key_fct_combo_23", 0},
    {Field::kPlayMode, "key_fct_combo_24", 0},
    {Field::kRepeatCount, "key_fct_edit_25", 255},
}};
static_assert([] {
  for (std::size_t i = 0; i < kFieldControls.size(); ++i) {
    if (At(kFieldControls[i].field) != i) return false;
  }
  return true;
}());

constexpr std::string_view kSelector = "key_fct_combo";
constexpr std::string_view kCapturedKey = "key_fct_edit_21";
constexpr std::string_view kPanel = "tab_function";
constexpr std::string_view kHint = "key_hint";  // "choose a key", under the hidden panel
constexpr std::string_view kPanelPrefix = "tab_function_";
constexpr std::string_view kRepeatPanel = "tab_function_26";
constexpr std::string_view kKeyButtonPrefix = "key_";

// The mouse buttons' pictures while the pointer is over a button, and otherwise.
struct ButtonPictures {
  std::string_view over;
  std::string_view normal;
};
constexpr std::array<ButtonPictures, kMouseButtonCount> kMousePictures = {{
    {"ms/key_left_down.png", "ms/key_left_normal.png"},
    {"ms/key_wheel_down.png", "ms/key_wheel_normal.png"},
    {"ms/key_right_down.png", "ms/key_right_normal.png"},
    {"ms/key_forward_down.png", "ms/key_forward_normal.png"},
    {"ms/key_back_down.png", "ms/key_back_normal.png"},
    {"ms/key_dpi_down.png", "ms/key_dpi_normal.png"},
}};

}  // namespace

KeyEditor::KeyEditor(DeviceKind kind, KeyEditorContext context)
    : kind_(kind), ctx_(std::move(context)), prefix_(std::string(device::KindPrefix(kind)) + "_") {}

std::string KeyEditor::Name(std::string_view suffix) const { return prefix_ + std::string(suffix); }

ui::Control* KeyEditor::Find(std::string_view suffix) const {
  return ctx_.window->Find(Name(suffix));
}

ui::ListControl* KeyEditor::Choice(std::string_view suffix) const {
  return ctx_.window->Find<ui::ListControl>(Name(suffix));
}

void KeyEditor::Init() {
  const std::size_t buttons =
      kind_ == DeviceKind::kKeyboard ? kKeyPositionCount : kMouseButtonCount;
  keyButtons_.assign(buttons, nullptr);
  for (std::size_t i = 0; i < buttons; ++i) {
    ui::Control* button = Find(std::string(kKeyButtonPrefix) + std::to_string(i));
    keyButtons_[i] = button;
    // The normal picture is the one the skin keeps in the button's user data.
    if (button != nullptr && !button->UserData().empty()) {
      button->SetBackgroundImage(button->UserData());
    }
  }
  if (kind_ == DeviceKind::kMouse) {
    for (std::size_t i = 0; i < kMousePictures.size(); ++i) {
      if (ui::Control* picture = Find("key_" + std::to_string(i) + "_0")) {
        picture->SetBackgroundImage(kMousePictures[i].normal);
      }
    }
  }
  FillMacroChoice();
}

std::vector<std::string> KeyEditor::MacroNamesNow() const {
  if (!ctx_.macroFolder) return {};
  return MacroLibrary(ctx_.macroFolder(kind_), kind_).LoadMacroIndex();
}

void KeyEditor::FillMacroChoice() {
  ui::ListControl* macros = Choice(kFieldControls[At(Field::kMacro)].suffix);
  const std::vector<std::string> names = MacroNamesNow();
  macroCount_ = names.size();
  if (macros == nullptr) return;
  const int current = macros->CurrentIndex();
  loading_ = true;
  macros->RemoveAll();
  for (const std::string& name : names) (void)macros->AddItem(name);
  if (current >= 0 && current < macros->Count()) (void)macros->SelectItem(current);
  loading_ = false;
}

void KeyEditor::OnPageShown(bool keyPage) {
  if (ui::Control* layer = Find("key_layer")) layer->SetVisible(keyPage);
  if (keyPage) {
    FillMacroChoice();
    RedrawKeyLabels();
  }
}

void KeyEditor::InstallCapture() {
  if (ctx_.hook == nullptr) return;
  const auto mode = kind_ == DeviceKind::kMouse ? platform::HookMode::kMouseKeyCapture
                                                : platform::HookMode::kKeyCapture;
  (void)ctx_.hook->InstallHooks(mode, *ctx_.window, true, false);
}

// Hides every panel but the chosen one and takes the chosen kind; index 1 of the keyboard
// (6 of the mouse) starts key capture. An index outside the selector shows no panel.
void KeyEditor::SwitchPanel(int index) {
  if (ctx_.hook != nullptr) ctx_.hook->RemoveHooks();
  ui::ListControl* selector = Choice(kSelector);
  const int panels = selector != nullptr ? selector->Count() : static_cast<int>(kSelectorItems);
  for (int i = 0; i < panels; ++i) {
    if (ui::Control* panel = Find(std::string(kPanelPrefix) + std::to_string(i))) {
      panel->SetVisible(i == index);
    }
  }
  if (index < 0 || index >= static_cast<int>(kSelectorItems)) return;
  selectedKind_ = SelectorKinds(kind_)[static_cast<std::size_t>(index)];
  if (selectedKind_ == static_cast<std::uint8_t>(KeyFunctionKind::kKeyboardKey)) InstallCapture();
}

void KeyEditor::OnSelector(int index) {
  if (loading_) return;
  SwitchPanel(index);
  ApplyEditor();
}

void KeyEditor::OnChoice(std::string_view control) {
  if (loading_) return;
  if (control == Name(kFieldControls[At(Field::kPlayMode)].suffix)) ShowRepeatPanel();
  ApplyEditor();
}

void KeyEditor::ShowRepeatPanel() {
  const ui::ListControl* mode = Choice(kFieldControls[At(Field::kPlayMode)].suffix);
  if (ui::Control* panel = Find(kRepeatPanel)) {
    panel->SetVisible(mode != nullptr && mode->CurrentIndex() == kPlayModeRepeat);
  }
}

void KeyEditor::OnText(std::string_view control) {
  if (loading_) return;
  for (const FieldControl& f : kFieldControls) {
    if (f.maximum == 0 || Name(f.suffix) != control) continue;
    ui::Control* edit = ctx_.window->Find(control);
    if (edit == nullptr) return;
    const ClampedNumber n = ClampTyped(edit->Text(), f.maximum);
    if (n.rewrite) {
      loading_ = true;
      edit->SetText(*n.rewrite);
      loading_ = false;
    }
    ApplyEditor();
    return;
  }
}

FieldValues KeyEditor::ReadFields() const {
  FieldValues values{};
  for (const FieldControl& f : kFieldControls) {
    int value = f.maximum == 0 ? -1 : 0;
    if (f.maximum == 0) {
      if (const ui::ListControl* choice = Choice(f.suffix)) value = choice->CurrentIndex();
    } else if (const ui::Control* edit = Find(f.suffix)) {
      value = ClampTyped(edit->Text(), f.maximum).value;
    }
    values[At(f.field)] = value;
  }
  return values;
}

void KeyEditor::ApplyEditor() {
  const auto page = ActivePage(*ctx_.image, kind_);
  if (!page) return;
  const KeyFunction factoryDefault = ctx_.image->Read(kind_, [this](const device::DeviceBlocks& b) {
    const std::size_t at = kKeySlotSize * editedSlot_;
    return KeyFunction{b.defaultKeys[at], b.defaultKeys[at + 1], b.defaultKeys[at + 2]};
  });
  const ui::Control* captured = Find(kCapturedKey);
  const bool keyCaptured = captured != nullptr && !captured->Text().empty();
  const auto fn = BuildFunction(selectedKind_, ReadFields(), factoryDefault, edited_, keyCaptured);
  if (!fn) return;
  if (!SetSlot(*ctx_.image, kind_, *page, editedSlot_, *fn)) return;
  edited_ = *fn;
  RedrawKeyLabels();
}

void KeyEditor::SetField(Field field, int value) {
  const FieldControl& f = kFieldControls[At(field)];
  if (f.maximum == 0) {
    if (ui::ListControl* choice = Choice(f.suffix)) (void)choice->SelectItem(value);
  } else if (ui::Control* edit = Find(f.suffix)) {
    edit->SetText(std::to_string(value));
  }
}

void KeyEditor::ShowView(const FunctionView& view) {
  loading_ = true;
  for (const auto& [field, value] : view.fields) SetField(field, value);
  if (view.clearMacro) SetField(Field::kMacro, -1);
  if (view.capturedName) {
    if (ui::Control* captured = Find(kCapturedKey)) captured->SetText(*view.capturedName);
  }
  if (view.selector) {
    if (ui::ListControl* selector = Choice(kSelector)) (void)selector->SelectItem(*view.selector);
    SwitchPanel(*view.selector);
  }
  ShowRepeatPanel();
  loading_ = false;
}

void KeyEditor::ShowKeyFunction(std::size_t slot) {
  const auto page = ActivePage(*ctx_.image, kind_);
  const auto fn = page ? GetSlot(*ctx_.image, kind_, *page, slot) : std::nullopt;
  if (!fn) return;
  editedSlot_ = slot;
  edited_ = *fn;
  FillMacroChoice();
  const bool factoryDefault = IsFactoryDefault(*ctx_.image, kind_, *page, slot) || fn->kind == 0;
  ShowView(ViewOfFunction(kind_, *fn, factoryDefault, macroCount_));
}

bool KeyEditor::LeftClickGuard(std::size_t slot) {
  const auto page = ActivePage(*ctx_.image, kind_);
  if (!page) return false;
  std::array<KeyFunction, kMouseButtonCount> buttons{};
  for (std::size_t s = 0; s < buttons.size(); ++s) {
    buttons[s] = GetSlot(*ctx_.image, kind_, *page, s).value_or(KeyFunction{});
  }
  if (!IsOnlyLeftClick(buttons, slot)) return false;
  if (ctx_.showMessage) ctx_.showMessage(kOnlyLeftClickMessage, true);
  if (ui::Control* panel = Find(kPanel)) panel->SetVisible(false);
  if (ui::Control* hint = Find(kHint)) hint->SetVisible(true);
  MarkSelected(keyButtons_.size());
  return true;
}

void KeyEditor::OnKeyButton(int index) {
  if (index < 0 || saving_) return;
  std::size_t slot = static_cast<std::size_t>(index);
  if (kind_ == DeviceKind::kKeyboard) {
    if (ctx_.positions == nullptr) return;
    slot = ctx_.positions->SlotOfPosition(slot);
    if (slot == kNoSlot) return;
  } else if (slot >= kMouseButtonCount || LeftClickGuard(slot)) {
    return;
  }
  const std::size_t slots = ctx_.image->Read(kind_, [this](const device::DeviceBlocks& b) {
    return SlotCount(kind_, b);
  });
  if (slot >= slots) return;  // a position whose slot this device does not have
  if (ui::Control* panel = Find(kPanel)) {
    panel->SetVisible(true);
    panel->SetEnabled(true);
  }
  if (ui::Control* hint = Find(kHint)) hint->SetVisible(false);
  MarkSelected(static_cast<std::size_t>(index));
  ShowKeyFunction(slot);
}

// The button being edited keeps a look of its own (the skin's "selected" style).
void KeyEditor::MarkSelected(std::size_t button) {
  ui::Control* next = button < keyButtons_.size() ? keyButtons_[button] : nullptr;
  if (selected_ == next) return;
  if (selected_ != nullptr) selected_->SetAttribute("style", "");
  if (next != nullptr) next->SetAttribute("style", "selected");
  selected_ = next;
}

void KeyEditor::OnRestoreDefault() {
  if (saving_) return;
  const auto page = ActivePage(*ctx_.image, kind_);
  if (!page || !RestoreDefault(*ctx_.image, kind_, *page, editedSlot_)) return;
  edited_ = GetSlot(*ctx_.image, kind_, *page, editedSlot_).value_or(KeyFunction{});
  ShowKeyFunction(editedSlot_);
  RedrawKeyLabels();
}

void KeyEditor::OnApply() {
  if (!saving_) ApplyEditor();
}

std::int64_t KeyEditor::OnCaptureMessage(const ui::Message& message) {
  const auto* key = std::any_cast<platform::KeyHookEvent>(&message.payload);
  if (key == nullptr) return 0;
  const std::uint16_t code = HostKeyCode(key->virtualKey, key->flags);
  const auto row = FindKeyByHostCode(code, kKeyboardKeyRows);
  if (!row) return 0;
  const KeyFunction fn = kKeyboardKeyTable.rows[*row].function;
  if (fn.kind != static_cast<std::uint8_t>(KeyFunctionKind::kKeyboardKey)) return 0;
  if (ui::Control* captured = Find(kCapturedKey)) {
    loading_ = true;
    captured->SetText(kKeyboardKeyTable.names[*row]);
    loading_ = false;
  }
  edited_ = fn;
  ApplyEditor();
  return 1;
}

void KeyEditor::OnHover(std::string_view control, bool entered) {
  if (kind_ != DeviceKind::kMouse) return;
  const std::string_view prefix = "ms_key_";
  if (!control.starts_with(prefix) || control.size() != prefix.size() + 1) return;
  const char digit = control.back();
  if (digit < '0' || digit >= static_cast<char>('0' + kMousePictures.size())) return;
  const auto& pictures = kMousePictures[static_cast<std::size_t>(digit - '0')];
  if (ui::Control* picture = ctx_.window->Find(std::string(control) + "_0")) {
    picture->SetBackgroundImage(entered ? pictures.over : pictures.normal);
  }
}

void KeyEditor::SetPageEnabled(bool enabled) {
  for (const std::string_view part : {"key_page", "key_layer"}) {
    if (ui::Control* c = Find(part)) c->SetEnabled(enabled);
  }
}

void KeyEditor::OnSave() {
  if (saving_ || !ctx_.startSave) return;
  saving_ = true;
  core::StopEvent unused;
  (void)ctx_.window->SendMessage({kProgressShowMessage, 0, 0, {}}, unused);
  SetPageEnabled(false);
  ctx_.startSave(kind_, [this](const KeySaveReport& report) { OnSaved(report); });
}

void KeyEditor::OnSaved(const KeySaveReport& report) {
  saving_ = false;
  SetPageEnabled(true);
  const std::string_view id = report.MessageId();
  if (!id.empty() && ctx_.showMessage) {
    if (report.outcome == KeySaveOutcome::kMacrosTooLarge && ctx_.translate) {
      std::string text = ctx_.translate(id);
      const auto at = text.find("%d");
      if (at != std::string::npos) {
        text.replace(at, 2, std::to_string(report.macros.capacity.actionsToRemove));
      }
      ctx_.showMessage(text, false);
    } else {
      ctx_.showMessage(id, true);
    }
  }
  core::StopEvent unused;
  (void)ctx_.window->SendMessage({kProgressDoneMessage, 0, 0, {}}, unused);
}

}  // namespace tavrinex::keys
