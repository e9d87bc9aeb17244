#include "keys/macro_editor.h"

#include <algorithm>
#include <array>

#include "keys/key_editor_ops.h"
#include "keys/key_image.h"
#include "keys/macro_capacity.h"

namespace tavrinex::keys {
namespace {

constexpr std::string_view kNameList = "MacroName_list";
constexpr std::string_view kRowList = "Macro_list";
constexpr std::string_view kNameEdit = "macro_edit_macroname";
constexpr std::string_view kRecordButton = "macro_btn_redio";
constexpr std::string_view kEditPages = "tab_macro_edit";
constexpr std::string_view kSavePanel = "macro_tab_saveorcancel";
constexpr std::string_view kKeyChoice = "macro_combo_keyselect";
constexpr std::string_view kPressChoice = "macro_combo_upordown";
constexpr std::string_view kMouseChoice = "macro_combo_mouselect";
constexpr std::string_view kKeyDelay = "_macro_edit_ActionDelay";
constexpr std::string_view kMouseDelay = "_macro_edit_mou_action_delay";
constexpr std::string_view kDistance = "macro_edit_mou_pointer_skewing";
constexpr std::string_view kDistancePanel = "macro_tab_mou_pointer_skewing";
constexpr std::string_view kFixedPause = "macro_check_time";
constexpr std::string_view kStartText = "macro_btn_star_redio_text";
constexpr std::string_view kStopText = "macro_btn_stop_redio_text";
constexpr std::array<std::string_view, 4> kEventOptions = {
    "macro_keyboard_event", "macro_mouse_click", "macro_mouse_roller", "macro_mouse_move"};
constexpr std::array<std::string_view, 7> kRowButtons = {
    "macro_btn_down", "macro_btn_up", "macro_btn_uptop", "macro_btn_downbottom",
    "macro_btn_delete", "macro_btn_deleteall", "macro_btn_cancel"};
constexpr std::array<std::string_view, 5> kInsertStems = {"leftkey", "rightkey", "moudlekey",
                                                          "forwardkey", "backkey"};

// The fourteen insert buttons and their (message, type).
struct InsertControl {
  std::string_view suffix;
  std::uint32_t message;
  int type;
  std::string_view distanceEdit;
};
constexpr std::array<InsertControl, 14> kInsertControls = {{
    {"macro_inset_leftkeydown_btn", 0x201, 0, {}},    {"macro_inset_rightkeydown_btn", 0x204, 0, {}},
    {"macro_inset_moudlekeydown_btn", 0x207, 0, {}},  {"macro_inset_forwardkeydown_btn", 0x20B, 0, {}},
    {"macro_inset_backkeydown_btn", 0x20B, 1, {}},    {"macro_inset_leftkeyup_btn", 0x202, 0, {}},
    {"macro_inset_rightkeyup_btn", 0x205, 0, {}},     {"macro_inset_moudlekeyup_btn", 0x208, 0, {}},
    {"macro_inset_forwardkeyup_btn", 0x20C, 0, {}},   {"macro_inset_backkeyup_btn", 0x20C, 1, {}},
    {"macro_inset_moveleftkey_btn", 0x200, 0, "mouse_x_left_edit"},
    {"macro_inset_moverightkey_btn", 0x200, 1, "mouse_x_right_edit"},
    {"macro_inset_moveupkey_btn", 0x200, 2, "mouse_y_up_edit"},
    {"macro_inset_movedownkey_btn", 0x200, 3, "mouse_y_down_edit"},
}};

constexpr int kEditableRowHeight = 30;
constexpr int kRecordedRowHeight = 25;

}  // namespace

MacroEditor::MacroEditor(DeviceKind kind, MacroEditorContext context)
    : kind_(kind), ctx_(std::move(context)), prefix_(std::string(device::KindPrefix(kind)) + "_") {}

std::string MacroEditor::Name(std::string_view suffix) const { return prefix_ + std::string(suffix); }
ui::Control* MacroEditor::Find(std::string_view suffix) const { return ctx_.window->Find(Name(suffix)); }
ui::ListControl* MacroEditor::List(std::string_view suffix) const {
  return ctx_.window->Find<ui::ListControl>(Name(suffix));
}
MacroLibrary MacroEditor::Library() const { return MacroLibrary(ctx_.macroFolder(kind_), kind_); }

std::optional<std::size_t> MacroEditor::SelectedRow() const {
  const ui::ListControl* list = List(kRowList);
  const int i = list != nullptr ? list->CurrentIndex() : -1;
  if (i < 0 || static_cast<std::size_t>(i) >= rows_.Size()) return std::nullopt;
  return static_cast<std::size_t>(i);
}

int MacroEditor::Show(std::string_view id) { return ctx_.showMessage ? ctx_.showMessage(id, true) : 0; }

int MacroEditor::ShowFormatted(std::string_view id, int number) {
  if (!ctx_.showMessage) return 0;
  std::string text = ctx_.translate ? ctx_.translate(id) : std::string(id);
  if (const auto at = text.find("%d"); at != std::string::npos) text.replace(at, 2, std::to_string(number));
  return ctx_.showMessage(text, false);
}

// Before the device was read its info block is all zeros: its macro area is not known yet.
bool MacroEditor::DeviceInfoKnown() const {
  return ctx_.image != nullptr && ctx_.image->Read(kind_, [](const device::DeviceBlocks& b) {
    return std::any_of(b.info.begin(), b.info.end(), [](std::uint8_t v) { return v != 0; });
  });
}

void MacroEditor::SetEnabled(std::string_view suffix, bool enabled) {
  if (ui::Control* c = Find(suffix)) c->SetEnabled(enabled);
}

// The buttons and options that need a macro to work on.
void MacroEditor::SetEditingEnabled(bool enabled) {
  for (const std::string_view s : {"macro_btn_name_sub", "macro_btn_savemacroname", "macro_btn_redio",
                                   "macro_btn_save", "macro_btn_shubiao", "macro_check_time"}) {
    SetEnabled(s, enabled);
  }
  for (const std::string_view s : kRowButtons) SetEnabled(s, enabled);
  for (const std::string_view s : kEventOptions) SetEnabled(s, enabled);
}

void MacroEditor::ShowEditPage(int page) {
  if (auto* pages = ctx_.window->Find<ui::TabControl>(Name(kEditPages))) (void)pages->SelectPage(page);
}

void MacroEditor::Init() {
  OnInsertTab(Name("macro_inset_leftkey_btn"));
  FillNames();
  SetEditingEnabled(!names_.empty());
  if (!names_.empty()) {
    if (ui::ListControl* list = List(kNameList)) (void)list->SelectItem(static_cast<int>(names_.size()) - 1);
  }
}

void MacroEditor::FillNames() {
  names_ = Library().LoadMacroIndex();
  ui::ListControl* list = List(kNameList);
  if (list == nullptr) return;
  loading_ = true;
  list->RemoveAll();
  for (const std::string& n : names_) (void)list->AddItem(n);
  loading_ = false;
}

// ---- the unsaved state ----

void MacroEditor::MarkUnsaved() {
  unsaved_ = true;
  if (!names_.empty()) {
    if (ui::Control* panel = Find(kSavePanel)) panel->SetVisible(true);
  }
  SetEnabled(kNameList, false);
}

void MacroEditor::LeaveUnsaved() {
  unsaved_ = false;
  if (ui::Control* panel = Find(kSavePanel)) panel->SetVisible(false);
  ShowEditPage(0);
  SetEnabled("macro_btn_name_sub", true);
  SetEnabled(kNameList, true);
}

// ---- the library ----

void MacroEditor::OnNameSelect(int index) {
  if (loading_ || index < 0 || static_cast<std::size_t>(index) >= names_.size()) return;
  if (unsaved_ || recorder_.recording) {
    // The list already moved: it goes back to the macro being edited.
    loading_ = true;
    if (ui::ListControl* list = List(kNameList)) (void)list->SelectItem(selected_ ? static_cast<int>(*selected_) : -1);
    loading_ = false;
    Show(kind_ == DeviceKind::kMouse ? kMessageUnsavedMouse : kMessageUnsavedKeyboard);
    return;
  }
  selected_ = static_cast<std::size_t>(index);
  if (ui::Control* edit = Find(kNameEdit)) {
    loading_ = true;
    edit->SetText(names_[*selected_]);
    loading_ = false;
  }
  LoadRows();
  ShowEditPage(0);
  if (rows_.UnreadableLines() > 0) Show(kMessageBadLines);
}

void MacroEditor::LoadRows() {
  rows_.Clear();
  if (selected_ && *selected_ < names_.size()) rows_.Load(Library().LoadMacro(names_[*selected_]).lines);
  FillRows();
}

void MacroEditor::OnAdd() {
  if (unsaved_) {
    Show(kMessageUnsavedKeyboard);
    return;
  }
  const MacroChange change = Library().AddMacro();
  if (change.outcome == MacroOutcome::kRefusedFull) {
    ShowFormatted(kMessageMacroLimit, static_cast<int>(kMaxMacros));
    return;
  }
  if (change.outcome != MacroOutcome::kAdded) {
    Show(kMessageWriteFailed);
    return;
  }
  names_.push_back(change.name);
  if (ui::ListControl* list = List(kNameList)) {
    loading_ = true;
    (void)list->AddItem(change.name);
    loading_ = false;
    (void)list->SelectItem(static_cast<int>(names_.size()) - 1);
  }
  SetEditingEnabled(true);
  if (ctx_.macrosChanged) ctx_.macrosChanged();
}

void MacroEditor::OnDelete() {
  if (!selected_ || recorder_.recording) return;
  const auto index = static_cast<std::uint8_t>(*selected_);
  if (ctx_.image != nullptr && CountMacroReferences(*ctx_.image, kind_, index) > 0 &&
      Show(kMessageMacroReferenced) != 1) {
    return;
  }
  if (unsaved_) {
    Show(kMessageUnsavedKeyboard);
    return;
  }
  if (Show(kMessageDeleteMacro) != 1) return;
  // The library first: when its files cannot be written, the key slots stay as they are.
  const MacroChange change = Library().DeleteMacro(*selected_);
  if (change.outcome != MacroOutcome::kDeleted) {
    Show(kMessageWriteFailed);
    return;
  }
  if (ctx_.image != nullptr) (void)RemoveMacroReferences(*ctx_.image, kind_, index);
  names_.erase(names_.begin() + static_cast<std::ptrdiff_t>(*selected_));
  loading_ = true;
  if (ui::ListControl* list = List(kNameList)) {
    (void)list->RemoveAt(static_cast<int>(*selected_));
    (void)list->SelectItem(-1);
  }
  loading_ = false;
  selected_.reset();
  rows_.Clear();
  FillRows();
  if (names_.empty()) SetEditingEnabled(false);
  if (ctx_.macrosChanged) ctx_.macrosChanged();
}

void MacroEditor::OnRename() {
  if (!selected_ || recorder_.recording) return;
  ui::Control* edit = Find(kNameEdit);
  if (edit == nullptr) return;
  const MacroChange change = Library().RenameMacro(*selected_, edit->Text(), rows_.Lines());
  const auto putBack = [&] {
    loading_ = true;
    edit->SetText(names_[*selected_]);
    loading_ = false;
  };
  switch (change.outcome) {
    case MacroOutcome::kRenamed:
      names_[*selected_] = change.name;
      if (ui::ListControl* list = List(kNameList)) list->SetItemText(static_cast<int>(*selected_), 0, change.name);
      if (ctx_.macrosChanged) ctx_.macrosChanged();
      return;
    case MacroOutcome::kUnchanged: return;
    case MacroOutcome::kRefusedDuplicate: Show(kMessageDuplicateName); break;
    case MacroOutcome::kRefusedInvalidName: Show(kMessageBadName); break;
    default: Show(kMessageWriteFailed); break;
  }
  putBack();
}

// ---- rows in the list ----

void MacroEditor::ShowRow(std::size_t i) {
  ui::ListControl* list = List(kRowList);
  if (list == nullptr) return;
  const RowView v = ViewOfRow(rows_.At(i));
  const int r = static_cast<int>(i);
  const std::string name = v.literal || !ctx_.translate ? v.name : ctx_.translate(v.name);
  list->SetItemText(r, 0, name);
  list->SetItemText(r, 1, v.action);
  list->SetItemText(r, 2, v.delay);
  list->SetItemUserData(r, rows_.At(i).line);
  list->SetItemName(r, v.editable ? Name("macro_action") : "macro_action");
  list->SetItemHeight(r, v.editable ? kEditableRowHeight : kRecordedRowHeight);
  list->SetItemAttribute(r, "style", v.nameStyle);
  list->SetItemAttribute(r, "actionstyle", v.actionStyle);
}

void MacroEditor::AddListRow(std::size_t i) {
  if (ui::ListControl* list = List(kRowList)) {
    (void)list->AddItem("", rows_.At(i).line, static_cast<int>(i));
    ShowRow(i);
  }
}

void MacroEditor::FillRows() {
  if (ui::ListControl* list = List(kRowList)) {
    list->RemoveAll();
    for (std::size_t i = 0; i < rows_.Size(); ++i) AddListRow(i);
  }
  RowsChanged();
}

void MacroEditor::RedrawRows() {
  for (std::size_t i = 0; i < rows_.Size(); ++i) ShowRow(i);
}

void MacroEditor::RowsChanged() {
  if (!onRowsChanged) return;
  const std::vector<TimelineRow> timeline = rows_.Timeline();
  onRowsChanged(timeline);
}

void MacroEditor::OnRowButton(std::string_view control) {
  if (recorder_.recording) return;
  const std::string_view s = std::string_view(control).substr(prefix_.size());
  ui::ListControl* list = List(kRowList);
  if (list == nullptr) return;
  const auto selected = SelectedRow();
  if (s == "macro_btn_deleteall") {
    rows_.Clear();
    FillRows();
  } else if (s == "macro_btn_delete") {
    if (selected && rows_.Remove(*selected)) {
      (void)list->RemoveAt(static_cast<int>(*selected));
      RowsChanged();
    }
  } else if (selected) {
    using M = MacroRows::Move;
    const M move = s == "macro_btn_up" ? M::kUp : s == "macro_btn_down" ? M::kDown
                 : s == "macro_btn_uptop" ? M::kTop : M::kBottom;
    if (const auto to = rows_.MoveRow(*selected, move)) {
      (void)list->RemoveAt(static_cast<int>(*selected));
      AddListRow(*to);
      (void)list->SelectItem(static_cast<int>(*to));
      RowsChanged();
    }
  }
  MarkUnsaved();
}

// ---- recording ----

void MacroEditor::SetRecordingControls(bool recording) {
  for (const std::string_view s : kEventOptions) SetEnabled(s, !recording);
  SetEnabled(kFixedPause, !recording);
  SetEnabled(kRowList, !recording);
  SetEnabled("macro_btn_save", !recording);
  for (const std::string_view s : kRowButtons) SetEnabled(s, !recording);
  if (recording) SetEnabled(kNameList, false);
  if (ui::Control* button = Find(kRecordButton)) button->SetText(recording ? kStopText : kStartText);
}

void MacroEditor::StartStopRecording() {
  if (names_.empty() || !selected_) return;
  MarkUnsaved();
  ShowEditPage(0);
  const auto checked = [this](std::string_view s) {
    const auto* o = ctx_.window->Find<ui::OptionControl>(Name(s));
    return o != nullptr && o->IsSelected();
  };
  if (recorder_.recording) {
    if (ctx_.hook != nullptr) ctx_.hook->RemoveHooks();
    recorder_.recording = false;
    SetRecordingControls(false);
    if (rows_.Size() == recordStartRows_) Show(kMessageNothingRecorded);
    return;
  }
  const bool keyboard = checked(kEventOptions[0]);
  const bool mouse = checked(kEventOptions[1]) || checked(kEventOptions[2]) || checked(kEventOptions[3]);
  SetRecordingControls(true);
  if (ctx_.hook != nullptr) {
    const auto mode = kind_ == DeviceKind::kMouse ? platform::HookMode::kMouseMacro
                                                  : platform::HookMode::kKeyboardMacro;
    (void)ctx_.hook->InstallHooks(mode, *ctx_.window, keyboard, mouse);
  }
  recorder_.lastEventMs = ctx_.nowMs ? ctx_.nowMs() : 0;
  recorder_.lastKey = 0;
  recorder_.recording = true;
  recordStartRows_ = rows_.Size();
}

void MacroEditor::AppendRecorded(MacroRow row) {
  const std::uint64_t now = ctx_.nowMs ? ctx_.nowMs() : recorder_.lastEventMs;
  const std::uint64_t elapsed = now >= recorder_.lastEventMs ? now - recorder_.lastEventMs : 0;
  recorder_.lastEventMs = now;
  const auto* fixed = ctx_.window->Find<ui::OptionControl>(Name(kFixedPause));
  const RecordedPause pause = PauseOf(elapsed, fixed != nullptr && fixed->IsSelected());
  const bool hadRow = rows_.AppendRecorded(std::move(row), pause);
  AddListRow(rows_.Size() - 1);
  if (hadRow) ShowRow(rows_.Size() - 2);
  RowsChanged();
}

void MacroEditor::RecordKeyEvent(std::uint32_t message, std::uint16_t virtualKey, std::uint32_t flags) {
  if (!recorder_.recording) return;
  if (auto row = RecordKey(recorder_, message, virtualKey, flags)) AppendRecorded(std::move(*row));
}

void MacroEditor::RecordMouseEvent(std::uint32_t message, bool secondSideButton) {
  if (!recorder_.recording) return;
  const auto checked = [this](std::string_view s) {
    const auto* o = ctx_.window->Find<ui::OptionControl>(Name(s));
    return o != nullptr && o->IsSelected();
  };
  const MouseOptions options{checked(kEventOptions[1]), checked(kEventOptions[2])};
  if (auto row = RecordMouse(recorder_, message, secondSideButton, options)) AppendRecorded(std::move(*row));
}

std::int64_t MacroEditor::OnKeyMessage(const ui::Message& message) {
  const auto* key = std::any_cast<platform::KeyHookEvent>(&message.payload);
  if (key == nullptr) return 0;
  RecordKeyEvent(static_cast<std::uint32_t>(message.wparam), key->virtualKey, key->flags);
  return 1;
}

std::int64_t MacroEditor::OnMouseMessage(const ui::Message& message) {
  const auto* mouse = std::any_cast<platform::MouseHookEvent>(&message.payload);
  if (mouse == nullptr) return 0;
  // The click that stops the recording is the user's hand on this window, not the macro.
  if (mouse->overControl == Name(kRecordButton)) return 0;
  RecordMouseEvent(mouse->message, mouse->secondSideButton);
  return 1;
}

// ---- inserting and editing rows ----

void MacroEditor::OnInsertPanelShown(bool shown) {
  if (ui::Control* c = Find("MacroMouseEvent")) c->SetVisible(shown);
  if (ui::Control* c = Find("MacroName")) c->SetVisible(!shown);
}

void MacroEditor::OnInsertTab(std::string_view control) {
  for (const std::string_view stem : kInsertStems) {
    const std::string tab = "macro_inset_" + std::string(stem);
    const bool chosen = control == Name(tab + "_btn");
    if (ui::Control* panel = Find(tab + "_tab")) panel->SetVisible(chosen);
    if (ui::Control* button = Find(tab + "_btn")) button->SetAttribute("style", chosen ? "selected" : "");
  }
}

void MacroEditor::OnInsertButton(std::string_view control) {
  for (const InsertControl& c : kInsertControls) {
    if (control != Name(c.suffix)) continue;
    InsertMouseAction(c.message, c.type);
    return;
  }
}

void MacroEditor::InsertMouseAction(std::uint32_t message, int type) {
  if (!selected_ || names_.empty() || recorder_.recording) return;
  int distance = 0;
  for (const InsertControl& c : kInsertControls) {
    if (c.message != message || c.type != type || c.distanceEdit.empty()) continue;
    if (const ui::Control* e = Find(c.distanceEdit)) distance = ClampTyped(e->Text(), 255).value;
  }
  auto row = InsertedMouseRow(message, type, distance);
  if (!row) return;
  MarkUnsaved();
  const std::size_t at = rows_.InsertAfterSelection(std::move(*row), SelectedRow());
  AddListRow(at);
  RowsChanged();
}

void MacroEditor::OnItemClick(const ui::Notification& n) {
  if (n.senderName != Name(kRowList) || n.itemName != Name("macro_action")) return;
  EditRow();
}

void MacroEditor::EditRow() {
  const auto i = SelectedRow();
  if (!i || recorder_.recording) return;
  const RowEditorView v = EditorViewOf(rows_.At(*i));
  if (v.page == 0) return;
  MarkUnsaved();
  RefreshRowEditor();
}

void MacroEditor::RefreshRowEditor() {
  const auto i = SelectedRow();
  if (!i) return;
  const RowEditorView v = EditorViewOf(rows_.At(*i));
  if (v.page == 0) return;
  loading_ = true;
  ShowEditPage(v.page);
  const auto select = [this](std::string_view s, int item) {
    if (ui::ListControl* c = List(s)) (void)c->SelectItem(item);
  };
  const auto text = [this](std::string_view s, unsigned value) {
    if (ui::Control* c = Find(s)) c->SetText(std::to_string(value));
  };
  if (v.page == 1) {
    select(kKeyChoice, v.keyChoice);
    select(kPressChoice, v.pressChoice);
    text(kKeyDelay, v.delayUnits);
  } else {
    select(kMouseChoice, v.mouseChoice);
    if (ui::Control* panel = Find(kDistancePanel)) panel->SetVisible(v.distance.has_value());
    if (v.distance) text(kDistance, static_cast<unsigned>(*v.distance));
    text(kMouseDelay, v.delayUnits);
  }
  loading_ = false;
}

void MacroEditor::ApplyRowChange(bool changed) {
  const auto i = SelectedRow();
  if (!changed || !i) return;
  ShowRow(*i);
  RowsChanged();
}

void MacroEditor::OnChoice(std::string_view control) {
  const auto i = SelectedRow();
  if (loading_ || !i) return;
  const ui::ListControl* c = ctx_.window->Find<ui::ListControl>(control);
  const int item = c != nullptr ? c->CurrentIndex() : -1;
  if (item < 0) return;
  const auto at = static_cast<std::size_t>(item);
  if (control == Name(kKeyChoice)) {
    ApplyRowChange(rows_.SetKey(*i, at));
  } else if (control == Name(kPressChoice)) {
    ApplyRowChange(rows_.SetPressed(*i, item == 1));
  } else if (control == Name(kMouseChoice)) {
    ApplyRowChange(rows_.SetMouseEvent(*i, at));
    RefreshRowEditor();  // the distance panel and value follow the kind of action
  }
}

int MacroEditor::ClampEdit(std::string_view control, int maximum) {
  ui::Control* edit = ctx_.window->Find(control);
  if (edit == nullptr) return 0;
  const ClampedNumber n = ClampTyped(edit->Text(), maximum);
  if (n.rewrite) {
    loading_ = true;
    edit->SetText(*n.rewrite);
    loading_ = false;
  }
  return n.value;
}

void MacroEditor::OnText(std::string_view control) {
  if (loading_) return;
  const bool delay = control == Name(kKeyDelay) || control == Name(kMouseDelay);
  const int value = ClampEdit(control, delay ? static_cast<int>(kMaxDelayUnits) : 255);
  const auto i = SelectedRow();
  if (!i) return;
  if (delay) {
    ApplyRowChange(rows_.SetDelay(*i, static_cast<std::uint32_t>(value)));
  } else if (control == Name(kDistance)) {
    ApplyRowChange(rows_.SetDistance(*i, static_cast<std::uint32_t>(value)));
  }
}

// ---- save and cancel ----

void MacroEditor::SaveRows() {
  if (recorder_.recording || !selected_) return;
  // A library the device's macro area could not take is the user's choice, told before saving.
  if (DeviceInfoKnown()) {
    const MacroAreaUse use = MeasureLibraryWithChange(Library(), *ctx_.image, *selected_, rows_.Lines());
    if (!use.Fits() && ShowFormatted(SaveWarningId(use), static_cast<int>(SaveWarningNumber(use))) != 1) return;
  }
  const MacroChange change = Library().SaveMacro(*selected_, rows_.Lines());
  if (change.outcome != MacroOutcome::kSaved) {
    Show(kMessageWriteFailed);  // the rows stay, still unsaved
    return;
  }
  LeaveUnsaved();
  rows_.MarkSaved();
  RedrawRows();
}

void MacroEditor::CancelEdit() {
  if (recorder_.recording) return;
  LeaveUnsaved();
  rows_.Clear();
  if (ui::ListControl* list = List(kRowList)) list->RemoveAll();
  const std::vector<std::string> onDisk = Library().LoadMacroIndex();
  if (onDisk.size() == names_.size()) {
    LoadRows();
  } else {
    RowsChanged();
  }
}

}  // namespace tavrinex::keys
