#include "app/key_editor_wiring.h"

#include "app/routing_tables.h"
#include "profiles/profile_selection.h"
#include "storage/settings_folder.h"

namespace tavrinex::app {

using device::DeviceKind;

KeyEditorWiring::KeyEditorWiring(CMainWnd& window, DeviceWiring& devices)
    : window_(window),
      devices_(devices),
      keyboard_(DeviceKind::kKeyboard, Context()),
      mouse_(DeviceKind::kMouse, Context()) {
  keyboard_.Init();
  mouse_.Init();
  RegisterRoutes(keyboard_, DeviceKind::kKeyboard);
  RegisterRoutes(mouse_, DeviceKind::kMouse);
  ChainShellHooks();
}

KeyEditorWiring::~KeyEditorWiring() { window_.Hook().RemoveHooks(); }

keys::KeyEditorContext KeyEditorWiring::Context() {
  keys::KeyEditorContext c;
  c.window = &window_.Window();
  c.image = &window_.Image();
  c.positions = &window_.KeyPositions();
  c.hook = &window_.Hook();
  c.macroFolder = [](DeviceKind kind) { return std::filesystem::path(profiles::GetDeviceFolder(kind)); };
  c.translate = [this](std::string_view id) { return window_.UiLayer().Translate(id); };
  c.showMessage = [this](std::string_view text, bool resource) {
    (void)window_.ShowMessage(text, resource);
  };
  c.startSave = [this](DeviceKind kind, std::function<void(const keys::KeySaveReport&)> done) {
    StartSave(kind, std::move(done));
  };
  return c;
}

// The device I/O and the profile write run on the device's thread; the report comes back to
// the UI thread.
void KeyEditorWiring::StartSave(DeviceKind kind,
                                std::function<void(const keys::KeySaveReport&)> done) {
  CMainWnd& w = window_;
  const device::DeviceThreadsContext& ctx = devices_.Context();
  ctx.work->Post(kind, device::DeviceTask::kKeySave,
                 [&w, &ctx, kind, done = std::move(done), alive = std::weak_ptr<char>(alive_)] {
                   const keys::MacroLibrary library(profiles::GetDeviceFolder(kind), kind);
                   const keys::KeySaveReport report = keys::SaveKeyPage(
                       library, ctx.Channel(kind), w.Image(),
                       [&w, kind] { return profiles::SaveSelectedKeyProfile(w.Profiles(), kind); });
                   w.UiLayer().Loop().Post([done, report, alive] {
                     if (!alive.expired()) done(report);
                   });
                 });
}

void KeyEditorWiring::RegisterRoutes(keys::KeyEditor& editor, DeviceKind kind) {
  Router& r = window_.Routes();
  const std::string p = std::string(device::KindPrefix(kind)) + "_";
  (void)r.RegisterPrefix(p + "key_", [&editor](int index, const ui::Notification&) {
    editor.OnKeyButton(index);
  });
  (void)r.Register(Table::kItemSelect, p + "key_fct_combo",
                   [&editor](const ui::Notification& n) { editor.OnSelector(n.itemIndex); });
  for (const char* choice : {"11", "12", "13", "14", "21", "22", "23", "24"}) {
    (void)r.Register(Table::kItemSelect, p + "key_fct_combo_" + choice,
                     [&editor](const ui::Notification& n) { editor.OnChoice(n.senderName); });
  }
  for (const char* edit : {"11", "12", "15", "16", "17", "18", "19", "20", "25"}) {
    (void)r.Register(Table::kText, p + "key_fct_edit_" + edit,
                     [&editor](const ui::Notification& n) { editor.OnText(n.senderName); });
  }
  (void)r.Register(Table::kClick, p + "key_butt_keydefalut",
                   [&editor](const ui::Notification&) { editor.OnRestoreDefault(); });
  (void)r.Register(Table::kClick, p + "key_butt_prosave",
                   [&editor](const ui::Notification&) { editor.OnSave(); });
  if (kind == DeviceKind::kMouse) {
    (void)r.Register(Table::kClick, "ms_key_butt_keysave",
                     [&editor](const ui::Notification&) { editor.OnApply(); });
  }
  const std::uint32_t capture =
      kind == DeviceKind::kMouse ? msg::kHookMouSingleKey : msg::kHookKeySingleKey;
  (void)r.RegisterMessage(capture,
                          [&editor](const ui::Message& m) { return editor.OnCaptureMessage(m); });
}

// Hover and page tabs have one hook each in the shell: ours run first, then what was there.
void KeyEditorWiring::ChainShellHooks() {
  ShellHooks& hooks = window_.Hooks();
  hooks.hover = [this, next = hooks.hover](const ui::Notification& n) {
    mouse_.OnHover(n.senderName, n.type == ui::EventType::kMouseEnter);
    if (next) next(n);
  };
  hooks.pageTabChanged = [this, next = hooks.pageTabChanged](std::string_view tab) {
    const std::string lower = Lower(tab);
    if (lower.starts_with("kb_")) keyboard_.OnPageShown(lower == "kb_key_op_tab");
    if (lower.starts_with("ms_")) mouse_.OnPageShown(lower == "ms_key_op_tab");
    if (next) next(tab);
  };
  // The key tooltips are translated texts put together in code: they are composed anew.
  hooks.languageChanged = [this, next = hooks.languageChanged] {
    keyboard_.RedrawKeyLabels();
    mouse_.RedrawKeyLabels();
    if (next) next();
  };
  hooks.removeRecordingHooks = [this, next = hooks.removeRecordingHooks] {
    window_.Hook().RemoveHooks();
    if (next) next();
  };
}

}  // namespace tavrinex::app
