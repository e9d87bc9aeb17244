#include "app/macro_editor_wiring.h"

#include <chrono>

#include "app/routing_tables.h"
#include "storage/settings_folder.h"

namespace tavrinex::app {

using device::DeviceKind;

std::uint64_t SteadyMilliseconds() {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

MacroEditorWiring::MacroEditorWiring(CMainWnd& window, KeyEditorWiring* keyPages, MonotonicClock clock)
    : window_(window),
      keyPages_(keyPages),
      clock_(std::move(clock)),
      keyboard_(DeviceKind::kKeyboard, Context(DeviceKind::kKeyboard)),
      mouse_(DeviceKind::kMouse, Context(DeviceKind::kMouse)),
      keyboardPanel_(window.Window(), DeviceKind::kKeyboard,
                     [&window](std::string_view id) { return window.UiLayer().Translate(id); }),
      mousePanel_(window.Window(), DeviceKind::kMouse,
                  [&window](std::string_view id) { return window.UiLayer().Translate(id); }) {
  keyboard_.onRowsChanged = [this](std::span<const keys::TimelineRow> rows) {
    ShowTimeline(DeviceKind::kKeyboard, rows);
  };
  mouse_.onRowsChanged = [this](std::span<const keys::TimelineRow> rows) {
    ShowTimeline(DeviceKind::kMouse, rows);
  };
  RegisterRoutes(keyboard_, DeviceKind::kKeyboard);
  RegisterRoutes(mouse_, DeviceKind::kMouse);
  ChainShellHooks();
  keyboard_.Init();
  mouse_.Init();
}

// A recording ends with the page: the input capture must not post into an editor that is gone.
MacroEditorWiring::~MacroEditorWiring() {
  if (keyboard_.Recording() || mouse_.Recording()) window_.Hook().RemoveHooks();
}

keys::MacroEditorContext MacroEditorWiring::Context(DeviceKind kind) {
  keys::MacroEditorContext c;
  c.window = &window_.Window();
  c.image = &window_.Image();
  c.hook = &window_.Hook();
  c.macroFolder = [](DeviceKind k) { return std::filesystem::path(profiles::GetDeviceFolder(k)); };
  c.translate = [this](std::string_view id) { return window_.UiLayer().Translate(id); };
  c.showMessage = [this](std::string_view text, bool resource) { return window_.ShowMessage(text, resource); };
  c.nowMs = [this] { return clock_(); };
  c.macrosChanged = [this, kind] {
    if (keyPages_ != nullptr) keyPages_->Editor(kind).RedrawKeyLabels();
  };
  return c;
}

void MacroEditorWiring::RegisterRoutes(keys::MacroEditor& editor, DeviceKind kind) {
  Router& r = window_.Routes();
  const std::string p = std::string(device::KindPrefix(kind)) + "_";
  const auto on = [&r, &editor, &p](Table table, std::string_view suffix, void (keys::MacroEditor::*op)()) {
    (void)r.Register(table, p + std::string(suffix), [&editor, op](const ui::Notification&) { (editor.*op)(); });
  };
  on(Table::kClick, "macro_btn_name_add", &keys::MacroEditor::OnAdd);
  on(Table::kClick, "macro_btn_name_sub", &keys::MacroEditor::OnDelete);
  on(Table::kClick, "macro_btn_savemacroname", &keys::MacroEditor::OnRename);
  on(Table::kClick, "macro_btn_redio", &keys::MacroEditor::StartStopRecording);
  on(Table::kClick, "macro_btn_save", &keys::MacroEditor::SaveRows);
  on(Table::kClick, "macro_btn_cancel", &keys::MacroEditor::CancelEdit);
  for (const char* s : {"up", "down", "uptop", "downbottom", "delete", "deleteall"}) {
    (void)r.Register(Table::kClick, p + "macro_btn_" + s,
                     [&editor](const ui::Notification& n) { editor.OnRowButton(n.senderName); });
  }
  for (const char* s : {"leftkey", "rightkey", "moudlekey", "forwardkey", "backkey"}) {
    (void)r.Register(Table::kClick, p + "macro_inset_" + s + "_btn",
                     [&editor](const ui::Notification& n) { editor.OnInsertTab(n.senderName); });
    for (const char* updown : {"down", "up"}) {
      (void)r.Register(Table::kClick, p + "macro_inset_" + s + updown + "_btn",
                       [&editor](const ui::Notification& n) { editor.OnInsertButton(n.senderName); });
    }
  }
  for (const char* s : {"moveleftkey", "moverightkey", "moveupkey", "movedownkey"}) {
    (void)r.Register(Table::kClick, p + "macro_inset_" + s + "_btn",
                     [&editor](const ui::Notification& n) { editor.OnInsertButton(n.senderName); });
  }
  (void)r.Register(Table::kSelectEarly, p + "macro_btn_shubiao", [&editor](const ui::Notification& n) {
    const auto* option = dynamic_cast<const ui::OptionControl*>(n.sender);
    editor.OnInsertPanelShown(option != nullptr && option->IsSelected());
  });
  (void)r.Register(Table::kItemSelect, p + "MacroName_list",
                   [&editor](const ui::Notification& n) { editor.OnNameSelect(n.itemIndex); });
  for (const char* s : {"macro_combo_keyselect", "macro_combo_upordown", "macro_combo_mouselect"}) {
    (void)r.Register(Table::kItemSelect, p + s,
                     [&editor](const ui::Notification& n) { editor.OnChoice(n.senderName); });
  }
  for (const char* s : {"_macro_edit_ActionDelay", "_macro_edit_mou_action_delay",
                        "macro_edit_mou_pointer_skewing", "mouse_x_left_edit", "mouse_x_right_edit",
                        "mouse_y_up_edit", "mouse_y_down_edit"}) {
    (void)r.Register(Table::kText, p + s, [&editor](const ui::Notification& n) { editor.OnText(n.senderName); });
  }
  const bool mouse = kind == DeviceKind::kMouse;
  (void)r.RegisterMessage(mouse ? msg::kHookMouMacro : msg::kHookKeyMacro,
                          [&editor](const ui::Message& m) { return editor.OnKeyMessage(m); });
  (void)r.RegisterMessage(mouse ? msg::kHookMouMacroMouse : msg::kHookKeyMacroMouse,
                          [&editor](const ui::Message& m) { return editor.OnMouseMessage(m); });
}

void MacroEditorWiring::ChainShellHooks() {
  ShellHooks& hooks = window_.Hooks();
  const std::weak_ptr<char> alive = alive_;
  hooks.itemClick = [this, alive, next = hooks.itemClick](const ui::Notification& n) {
    if (!alive.expired()) {
      keyboard_.OnItemClick(n);
      mouse_.OnItemClick(n);
    }
    if (next) next(n);
  };
  hooks.languageChanged = [this, alive, next = hooks.languageChanged] {
    if (!alive.expired()) {
      keyboard_.RedrawRows();
      mouse_.RedrawRows();
      keyboardPanel_.Relabel();
      mousePanel_.Relabel();
    }
    if (next) next();
  };
}

void MacroEditorWiring::FollowConnects(device::WindowHooks& hooks) {
  const std::weak_ptr<char> alive = alive_;
  hooks.refreshControls = [this, alive, next = std::move(hooks.refreshControls)](DeviceKind kind) {
    if (next) next(kind);
    if (!alive.expired() && kind != DeviceKind::kMousePad) Editor(kind).RowsChanged();
  };
}

void MacroEditorWiring::ShowTimeline(DeviceKind kind, std::span<const keys::TimelineRow> rows) {
  keys::MacroEditor& editor = Editor(kind);
  MacroTimelinePanel& panel = Timeline(kind);
  panel.Show(rows);
  std::vector<keys::MacroActions>& library = kind == DeviceKind::kMouse ? mouseLibrary_ : keyboardLibrary_;
  // Saved rows: the files may have changed (a load, a save, a macro added or deleted).
  if (!editor.Unsaved()) {
    library = keys::ReadLibraryActions(keys::MacroLibrary(profiles::GetDeviceFolder(kind), kind));
  }
  keys::MacroActions actions;
  for (const auto& row : rows) actions.push_back(row.action);
  const std::size_t index = editor.SelectedMacro().value_or(library.size());
  const keys::MacroAreaUse use =
      keys::MeasureWithChange(library, index, actions, keys::MacroAreaUnits(window_.Image(), kind));
  if (window_.Channel(kind).connected) {
    panel.ShowCapacity(use.usedBytes, use.capacityBytes);
  } else {
    panel.ShowCapacityUnknown(use.usedBytes);
  }
}

}  // namespace tavrinex::app
