#include "app/profile_lists.h"

#include <algorithm>
#include <future>
#include <vector>

#include "app/routing_tables.h"
#include "device/device_work.h"
#include "keys/key_image.h"
#include "profiles/profile_body.h"
#include "profiles/profile_history.h"
#include "profiles/profile_names.h"
#include "profiles/profile_selection.h"
#include "storage/diagnostic.h"
#include "storage/ignore_case.h"
#include "storage/settings_folder.h"

namespace tavrinex::app {

using device::DeviceKind;
using profiles::ProfileCatalogue;
using profiles::ProfileListKind;
using profiles::ProfileReadResult;

namespace plist {

std::vector<ui::FileFilter> FiltersOf(DeviceKind kind, ProfileListKind list) {
  const std::string pattern = "*" + std::string(profiles::ExtensionOf(list));
  std::vector<ui::FileFilter> filters = {{"", pattern}};
  if (kind != DeviceKind::kKeyboard) filters.push_back({"", "*"});
  return filters;
}

}  // namespace plist

namespace {

bool IsLight(const ProfileListControls& l) { return l.list == ProfileListKind::kLight; }

}  // namespace

ProfileLists::ProfileLists(CMainWnd& window, DeviceWiring& devices,
                           std::vector<std::filesystem::path> defaultFolders, KeyEditorWiring* keys,
                           platform::PointerSettingsWorker* pointer,
                           std::unique_ptr<ProfileFileDialogs> dialogs)
    : window_(window),
      devices_(devices),
      keys_(keys),
      pointer_(pointer),
      dialogs_(std::move(dialogs)),
      defaultFolders_(std::move(defaultFolders)) {
  RegisterRoutes();
  ShellHooks& hooks = window_.Hooks();
  hooks.fillLists = [this, next = hooks.fillLists] {
    if (next) next();
    FillAll();
  };
  hooks.pageTabChanged = [this, next = hooks.pageTabChanged](std::string_view tab) {
    PageTabChanged(tab);
    if (next) next(tab);
  };
  OrderConnectAfterFiles();
}

// A connect reads "select" and the names and saves the device's state into the selected
// profiles: it first lets the file work asked for before it finish (a first run's catalogue, a
// selection), so that it finds the catalogue the lists show. It runs on a detection thread,
// which may wait on the file worker; the file worker never waits on a device or the UI thread.
void ProfileLists::OrderConnectAfterFiles() {
  device::DeviceThreadsContext& ctx = devices_.Context();
  ctx.sync.saveSelectedLightProfile = [this, next = ctx.sync.saveSelectedLightProfile](DeviceKind kind) {
    WaitForFiles();
    return next && next(kind);
  };
  ctx.sync.saveSelectedKeyProfile = [this, next = ctx.sync.saveSelectedKeyProfile](DeviceKind kind) {
    WaitForFiles();
    return next && next(kind);
  };
  ctx.profiles.readSelect = [this, next = ctx.profiles.readSelect](DeviceKind kind, device::ProfileList list) {
    WaitForFiles();
    return next ? next(kind, list) : 0;
  };
}

void ProfileLists::WaitForFiles() {
  auto done = std::make_shared<std::promise<void>>();
  std::future<void> finished = done->get_future();
  files_.Post([done] { done->set_value(); });
  (void)finished.wait_for(kFileWaitLimit);
}

ProfileLists::~ProfileLists() = default;

void ProfileLists::RegisterRoutes() {
  Router& r = window_.Routes();
  for (const ProfileListControls& l : plist::kLists) {
    const auto on = [&r](Table table, std::string_view name, std::function<void()> f) {
      (void)r.Register(table, name, [f = std::move(f)](const ui::Notification&) { f(); });
    };
    on(Table::kItemSelect, l.combo, [this, &l] { Select(l); });
    on(Table::kClick, l.add, [this, &l] { Add(l); });
    on(Table::kClick, l.remove, [this, &l] { Remove(l); });
    on(Table::kClick, l.copy, [this, &l] { Copy(l); });
    on(Table::kClick, l.rename, [this, &l] { Rename(l); });
    on(Table::kClick, l.import, [this, &l] { Import(l); });
    on(Table::kClick, l.exportButton, [this, &l] { Export(l); });
    on(Table::kClick, l.reset, [this, &l] { Reset(l); });
    on(Table::kClick, l.renameToggle, [this, &l] { ToggleRenamePanel(l); });
  }
  for (const DeviceKind kind : device::kAllDeviceKinds) {
    const std::string spread = std::string(device::KindPrefix(kind)) + "_profile_fun_spread_btn";
    (void)r.Register(Table::kClick, spread, [this, kind](const ui::Notification&) { ToggleFunctions(kind); });
  }
}

// The file step on the worker, then the display step on the UI thread (skipped when this
// object has gone meanwhile).
void ProfileLists::Run(FileStep files, DisplayStep display, bool operation) {
  ++pending_;
  if (operation) ++operations_;
  files_.Post([this, files = std::move(files), display = std::move(display), operation,
               alive = std::weak_ptr<char>(alive_)] {
    const Outcome outcome = files();
    window_.UiLayer().Loop().Post([this, display, outcome, operation, alive] {
      if (alive.expired()) return;
      --pending_;
      if (operation) --operations_;
      if (display) display(outcome);
    });
  });
}

// One list operation at a time: its display step still has to see the list it planned for.
bool ProfileLists::Idle() {
  if (operations_ == 0) return true;
  window_.Diagnostic("profile list: an operation is still under way; the click is ignored");
  return false;
}

// Report 8/9: false (after the message) when the read failed.
bool ProfileLists::Report(const Outcome& outcome) {
  if (outcome.read == ProfileReadResult::kMissing) Message(plist::kMissingMessage);
  if (outcome.read == ProfileReadResult::kNotProfile) Message(plist::kNotProfileMessage);
  return outcome.read == ProfileReadResult::kRead;
}

void ProfileLists::Message(std::string_view id) { (void)window_.ShowMessage(id); }

void ProfileLists::SetVisible(std::string_view name, bool visible) {
  if (ui::Control* c = window_.Window().Find(name)) c->SetVisible(visible);
}

ui::ListControl* ProfileLists::List(const ProfileListControls& l) {
  return window_.Window().Find<ui::ListControl>(l.combo);
}

std::vector<std::string> ProfileLists::Names(const ProfileListControls& l) {
  std::vector<std::string> names;
  if (ui::ListControl* list = List(l)) {
    for (int i = 0; i < list->Count(); ++i) names.push_back(list->ItemUserData(i));
  }
  return names;
}

// The entry's file, when its name can be a file in the device folder.
std::optional<std::filesystem::path> ProfileLists::FileOf(const ProfileListControls& l,
                                                          std::string_view name) {
  if (!profiles::IsValidProfileName(name)) return std::nullopt;
  return profiles::ProfileFilePath(l.kind, l.list, name);
}

std::filesystem::path ProfileLists::DefaultFile(const ProfileListControls& l) const {
  return profiles::FindDefaultProfileFile(defaultFolders_, profiles::DefaultProfileFileName(l.kind, l.list));
}

void ProfileLists::FillAll() {
  for (const DeviceKind kind : device::kAllDeviceKinds) FillProfileLists(kind);
}

// The catalogue is read here, once per list (a read does not wait on the disk's flush); the
// first run's file and catalogue writes go to the worker.
void ProfileLists::FillProfileLists(DeviceKind kind) {
  for (const ProfileListControls& l : plist::kLists) {
    if (l.kind != kind) continue;
    ui::ListControl* list = List(l);
    if (list == nullptr) continue;
    const profiles::ProfileListContents contents = ProfileCatalogue(kind).ReadList(l.list);
    if (contents.count > 0) {
      for (const std::string& name : contents.names) {
        list->SetItemHeight(list->AddItem(name, name), plist::kItemHeight);
      }
      continue;
    }
    if (contents.count < 0) continue;
    const std::size_t size = profiles::BodySizeOf(kind, l.list);
    std::vector<std::uint8_t> body(size, 0);
    const ProfileReadResult read = profiles::ReadProfileFile(DefaultFile(l), body);
    if (!Report({read, false})) return;  // a failed light list leaves the key list unfilled
    const std::string first(profiles::kFirstProfileName);
    list->SetItemHeight(list->AddItem(first, first), plist::kItemHeight);
    const auto file = profiles::ProfileFilePath(kind, l.list, first);
    Run(
        [kind, list = l.list, file, body] {
          (void)profiles::WriteProfileFile(file, profiles::DeviceTagOf(kind), body);
          const ProfileCatalogue catalogue(kind);
          (void)catalogue.SetCount(list, 1);
          (void)catalogue.SetLinkFlag(list, 0, false);
          (void)catalogue.SetName(list, 0, profiles::kFirstProfileName);
          (void)catalogue.SetSelect(list, 0);
          return Outcome{};
        },
        nullptr, false);
  }
}

// Select: the name edit and "select" at once, then the link display, the load and the apply.
// A failed load leaves the state as it was (which is applied again) and says so.
void ProfileLists::Select(const ProfileListControls& l) {
  ui::ListControl* list = List(l);
  if (list == nullptr) return;
  const int cur = list->CurrentIndex();
  if (cur < 0) return;
  if (ui::Control* edit = window_.Window().Find(l.nameEdit)) edit->SetText(list->ItemUserData(cur));
  struct Link {
    int flag = 0;
    std::string program;
  };
  auto link = std::make_shared<Link>();
  profiles::ProfileState& state = window_.Profiles();
  const bool usersChoice = !foregroundSelection_;
  Run(
      [&l, &state, cur, link, usersChoice] {
        const ProfileCatalogue catalogue(l.kind);
        if (usersChoice) (void)catalogue.SetSelect(l.list, cur);
        link->flag = catalogue.LinkFlag(l.list, cur);
        if (link->flag != 0) {
          link->program = catalogue.Program(l.list, cur);
          // Linked to something that is no program path: nothing is loaded.
          if (link->program.find('/') == std::string::npos) return Outcome{ProfileReadResult::kRead, false};
        }
        return Outcome{IsLight(l) ? profiles::LoadLightProfile(state, l.kind, cur)
                                  : profiles::LoadKeyProfile(state, l.kind, cur),
                       true};
      },
      [this, &l, link](const Outcome& outcome) {
        ShowLink(l, link->flag, link->program);
        if (!outcome.ok) return;
        Apply(l);
        (void)Report(outcome);
      },
      false);
}

void ProfileLists::SelectForForeground(const ProfileListControls& l, int index) {
  ui::ListControl* list = List(l);
  if (list == nullptr) return;
  foregroundSelection_ = true;  // the item-select runs within SelectItem
  (void)list->SelectItem(index);
  foregroundSelection_ = false;
}

void ProfileLists::RunCatalogueWork(std::function<void()> files, std::function<void()> display) {
  Run(
      [files = std::move(files)] {
        if (files) files();
        return Outcome{};
      },
      [display = std::move(display)](const Outcome&) {
        if (display) display();
      },
      false);
}

void ProfileLists::ShowLink(const ProfileListControls& l, int flag, const std::string& program) {
  ui::Window& w = window_.Window();
  auto* check = w.Find<ui::OptionControl>(l.linkCheck);
  if (flag == 0) {
    if (check != nullptr) check->Select(false, true);
    return;
  }
  const std::size_t slash = program.rfind('/');
  if (slash == std::string::npos) return;
  if (ui::Control* edit = w.Find(l.linkEdit)) edit->SetText(program.substr(slash + 1));
  if (check != nullptr) check->Select(true, false);
  SetVisible(l.linkRow, true);
}

void ProfileLists::Apply(const ProfileListControls& l) {
  if (IsLight(l)) {
    if (window_.Hooks().refreshLighting) window_.Hooks().refreshLighting(l.kind);
    window_.Store().MarkDirty(l.kind);
    // The mouse page's refresh shows the pointer speed and the wheel lines; only the wheel
    // lines reach the desktop.
    if (l.kind == DeviceKind::kMouse && pointer_ != nullptr) {
      pointer_->SetWheelLines(window_.Profiles().pointer.WheelLines());
    }
    return;
  }
  HideKeyFunctions(l.kind);
  if (keys_ != nullptr) keys_->Editor(l.kind).RedrawKeyLabels();
  WriteKeyPage(l.kind);
}

void ProfileLists::HideKeyFunctions(DeviceKind kind) {
  const std::string name = std::string(device::KindPrefix(kind)) + "_tab_function";
  ui::Control* functions = window_.Window().Find(name);
  if (functions == nullptr || !functions->IsVisible()) return;
  functions->SetVisible(false);
  functions->SetEnabled(false);
}

// Page 0 as the image holds it when the device thread gets to it.
void ProfileLists::WriteKeyPage(DeviceKind kind) {
  device::DeviceChannel& channel = window_.Channel(kind);
  const device::DeviceImage& image = window_.Image();
  devices_.Context().work->Post(kind, device::DeviceTask::kWriteKeyPage, [&channel, &image, kind] {
    if (!channel.connected.load()) return;
    const auto [page, bytes] = image.Read(kind, [kind](const device::DeviceBlocks& b) {
      const std::size_t count = b.info[device::kInfoLedCount];
      const std::size_t size = kind == DeviceKind::kMouse ? keys::kKeyBlockSize
                               : count <= keys::kMaxKeyboardSlots ? keys::kKeySlotSize * count
                                                                  : 0;
      return std::pair{b.keyPages[0], size};
    });
    if (bytes == 0) return;
    (void)channel.Begin();
    (void)channel.WriteKeyPage(0, std::span(page).first(bytes));
    (void)channel.End();
  });
}

void ProfileLists::ToggleRenamePanel(const ProfileListControls& l) {
  if (ui::Control* panel = window_.Window().Find(l.renamePanel)) panel->SetVisible(!panel->IsVisible());
}

void ProfileLists::ToggleFunctions(DeviceKind kind) {
  const std::string name = std::string(device::KindPrefix(kind)) + "_profile_fun_spead_tab";
  if (ui::Control* tab = window_.Window().Find(name)) tab->SetVisible(!tab->IsVisible());
}

// The profile area follows the editor tab: the light list beside the lighting and performance
// pages, the key list beside the key page; the macro page has no profile to work on.
void ProfileLists::PageTabChanged(std::string_view tab) {
  const std::string lower = Lower(tab);
  if (lower.size() < 3 || lower == "kb_rich_op_tab") return;
  const std::string p = lower.substr(0, 3);
  if (p != "kb_" && p != "ms_") return;
  ui::Window& w = window_.Window();
  const std::array<std::string, 5> area = {p + "profile_fun_spread_btn", p + "profile_select_tab",
                                           p + "profile_fun_spead_tab", p + "deng_profile_edit",
                                           p + "key_profile_edit"};
  const bool macro = lower == p + "macro_op_tab";
  for (const std::string& name : area) {
    if (ui::Control* c = w.Find(name)) c->SetEnabled(!macro);
  }
  if (macro) return;
  const bool key = lower == p + "key_op_tab";
  for (const std::string& name : {area[1], area[2]}) {
    if (auto* t = w.Find<ui::TabControl>(name)) (void)t->SelectPage(key ? 1 : 0);
  }
  SetVisible(area[1], true);
  SetVisible(area[2], false);
  SetVisible(area[0], true);
  SetVisible(area[3], !key);
  SetVisible(area[4], key);
}

void ProfileLists::ProfileRestored(DeviceKind kind, bool lightNotKey, std::string name) {
  for (const ProfileListControls& l : plist::kLists) {
    if (l.kind != kind || IsLight(l) != lightNotKey) continue;
    ui::ListControl* list = List(l);
    if (list == nullptr) return;
    const int cur = list->CurrentIndex();
    if (cur < 0 || !profiles::EqualsIgnoringCase(list->ItemUserData(cur), name)) return;
    Select(l);
  }
}

}  // namespace tavrinex::app
