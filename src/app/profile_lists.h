// The five profile lists of the main window (the light and key lists of the keyboard and the
// mouse, the mouse pad's light list): filled from the catalogues at window start, the first
// profiles created on the first run, the selection of an entry with its load and apply, the
// list operations (add, remove, copy, rename, import, export, reset), and the profile area's
// panels. UI thread only.
//
// Threads: catalogue and profile writes wait on fsync, so every step that writes runs on one
// file worker, in the order the operations were asked for; the list's display follows on the
// UI thread when the step is done. One list operation runs at a time: a click while one is
// under way is ignored. Key pages reach the device on its own thread.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/device_wiring.h"
#include "app/key_editor_wiring.h"
#include "app/main_wnd.h"
#include "core/serial_worker.h"
#include "platform/pointer_settings_worker.h"
#include "profiles/profile_catalogue.h"
#include "profiles/profile_file.h"

namespace tavrinex::app {

// The controls of one list.
struct ProfileListControls {
  device::DeviceKind kind;
  profiles::ProfileListKind list;
  std::string_view combo;
  std::string_view nameEdit;
  std::string_view renamePanel;
  std::string_view renameToggle;
  std::string_view rename;
  std::string_view add;
  std::string_view remove;
  std::string_view copy;
  std::string_view import;
  std::string_view exportButton;
  std::string_view reset;
  std::string_view linkCheck;
  std::string_view linkEdit;
  std::string_view linkRow;
};

namespace plist {
using device::DeviceKind;
using profiles::ProfileListKind;
inline constexpr std::array<ProfileListControls, 5> kLists = {{
    {DeviceKind::kKeyboard, ProfileListKind::kLight, "kb_deng_profile_combo", "kb_deng_profile_name_edit",
     "kb_deng_profile_edit", "kb_pro_deng_edit_btn", "kb_deng_profile_edit_save_btn", "kb_pro_deng_add_btn",
     "kb_pro_deng_sub_btn", "kb_pro_deng_copy_btn", "kb_pro_deng_import_btn", "kb_pro_deng_export_btn",
     "kb_pro_deng_reset_btn", "kb_deng_profile_link_check", "kb_deng_profile_link_edit",
     "kb_deng_profile_link_name_hor"},
    {DeviceKind::kKeyboard, ProfileListKind::kKey, "kb_key_profile_combo", "kb_key_profile_name_edit",
     "kb_key_profile_edit", "kb_pro_key_edit_btn", "kb_key_profile_edit_save_btn", "kb_pro_key_add_btn",
     "kb_pro_key_sub_btn", "kb_pro_key_copy_btn", "kb_pro_key_import_btn", "kb_pro_key_export_btn",
     "kb_pro_key_reset_btn", "kb_key_profile_link_check", "kb_key_profile_link_edit",
     "kb_key_profile_link_name_hor"},
    {DeviceKind::kMouse, ProfileListKind::kLight, "ms_deng_profile_combo", "ms_deng_profile_name_edit",
     "ms_deng_profile_edit", "ms_pro_deng_edit_btn", "ms_deng_profile_edit_save_btn", "ms_pro_deng_add_btn",
     "ms_pro_deng_sub_btn", "ms_pro_deng_copy_btn", "ms_pro_deng_import_btn", "ms_pro_deng_export_btn",
     "ms_pro_deng_reset_btn", "ms_deng_profile_link_check", "ms_deng_profile_link_edit",
     "ms_deng_profile_link_name_hor"},
    {DeviceKind::kMouse, ProfileListKind::kKey, "ms_key_profile_combo", "ms_key_profile_name_edit",
     "ms_key_profile_edit", "ms_pro_key_edit_btn", "ms_key_profile_edit_save_btn", "ms_pro_key_add_btn",
     "ms_pro_key_sub_btn", "ms_pro_key_copy_btn", "ms_pro_key_import_btn", "ms_pro_key_export_btn",
     "ms_pro_key_reset_btn", "ms_key_profile_link_check", "ms_key_profile_link_edit",
     "ms_key_profile_link_name_hor"},
    {DeviceKind::kMousePad, ProfileListKind::kLight, "mp_deng_profile_combo", "mp_deng_profile_name_edit",
     "mp_deng_profile_edit", "mp_pro_deng_edit_btn", "mp_deng_profile_edit_save_btn", "mp_pro_deng_add_btn",
     "mp_pro_deng_sub_btn", "mp_pro_deng_copy_btn", "mp_pro_deng_import_btn", "mp_pro_deng_export_btn",
     "mp_pro_deng_reset_btn", "mp_deng_profile_link_check", "mp_deng_profile_link_edit",
     "mp_deng_profile_link_name_hor"},
}};

inline constexpr std::string_view kMissingMessage = "message_text_8";
inline constexpr std::string_view kNotProfileMessage = "message_text_9";
inline constexpr std::string_view kLastProfileMessage = "message_text_11";
inline constexpr std::string_view kConfirmRemoveMessage = "message_text_12";
inline constexpr std::string_view kEmptyNameMessage = "message_text_14";
inline constexpr std::string_view kNameTakenMessage = "message_text_15";
inline constexpr std::string_view kBadNameMessage = "profile_msg_bad_name";
inline constexpr std::string_view kListFullMessage = "profile_msg_too_many";
inline constexpr int kItemHeight = 25;
inline constexpr std::string_view kAddedItemStyle = "listex_item_style";

// The bytes of a default file that a mouse or mouse pad light reset takes.
inline constexpr std::size_t kResetSlotBytes = device::kSettingsTransferSize;
// What the mouse light reset gives the desktop.
inline constexpr int kResetSpeed = 10;
inline constexpr int kResetWheelLines = 3;

// The file dialogs' type lists.
[[nodiscard]] std::vector<ui::FileFilter> FiltersOf(DeviceKind kind, ProfileListKind list);
}  // namespace plist

// The file dialogs of import and export, replaceable by tests.
class ProfileFileDialogs {
 public:
  virtual ~ProfileFileDialogs() = default;
  [[nodiscard]] virtual std::optional<std::filesystem::path> AskImport(const ui::OpenFileSpec& spec) = 0;
  // `initialName`: the name the dialog offers (the profile's file name).
  [[nodiscard]] virtual std::optional<std::filesystem::path> AskExport(const ui::OpenFileSpec& spec,
                                                                       std::string_view initialName) = 0;
};

class ProfileLists {
 public:
  // `defaultFolders`: where the default profile files are looked for, best first. `keys` and
  // `pointer` may be null (no key labels to redraw; nothing reaches the desktop); `dialogs`
  // null: the UI layer's dialogs over the main window. Build before the window is created (its
  // init steps fill the lists through the shell's "fillLists" hook); it registers the list
  // routes and the page-tab hook.
  ProfileLists(CMainWnd& window, DeviceWiring& devices, std::vector<std::filesystem::path> defaultFolders,
               KeyEditorWiring* keys, platform::PointerSettingsWorker* pointer,
               std::unique_ptr<ProfileFileDialogs> dialogs = nullptr);
  // Finishes the file work still queued.
  ~ProfileLists();
  // The key editors, once they exist (they need the created window).
  void SetKeyEditors(KeyEditorWiring* keys) { keys_ = keys; }
  ProfileLists(const ProfileLists&) = delete;
  ProfileLists& operator=(const ProfileLists&) = delete;

  // The window-init step: fills the kind's lists from its catalogue, creating the first
  // profile of an empty catalogue from the default file.
  void FillProfileLists(device::DeviceKind kind);
  void FillAll();

  // The list's itemselect.
  void Select(const ProfileListControls& l);
  void Add(const ProfileListControls& l);
  void Remove(const ProfileListControls& l);
  void Copy(const ProfileListControls& l);
  void Rename(const ProfileListControls& l);
  void Import(const ProfileListControls& l);
  void Export(const ProfileListControls& l);
  void Reset(const ProfileListControls& l);
  void ToggleRenamePanel(const ProfileListControls& l);
  void ToggleFunctions(device::DeviceKind kind);
  void PageTabChanged(std::string_view tab);

  // A profile file was brought back from its history while the program runs: when it is the
  // selected entry of its list, it is loaded and applied again. UI thread.
  void ProfileRestored(device::DeviceKind kind, bool lightNotKey, std::string name);

  // The program in front makes entry `index` of the list current: the list raises its
  // item-select as for a user's pick, but the catalogue's "select" keeps the user's own choice.
  void SelectForForeground(const ProfileListControls& l, int index);
  // Catalogue work of the link controls, in order with the lists' own file work; `display`
  // follows on the UI thread.
  void RunCatalogueWork(std::function<void()> files, std::function<void()> display);

  // Tests: true while file work or its display step is outstanding.
  [[nodiscard]] bool Busy() const { return pending_ > 0; }

 public:
  // Not on the UI thread: waits for the file work queued so far (at most kFileWaitLimit).
  void WaitForFiles();

 private:
  struct Outcome {
    profiles::ProfileReadResult read = profiles::ProfileReadResult::kRead;
    bool ok = true;
  };
  using FileStep = std::function<Outcome()>;
  using DisplayStep = std::function<void(const Outcome&)>;

  void RegisterRoutes();
  void OrderConnectAfterFiles();
  static constexpr std::chrono::seconds kFileWaitLimit{10};
  void Run(FileStep files, DisplayStep display, bool operation = true);
  bool Idle();
  [[nodiscard]] bool Report(const Outcome& outcome);
  [[nodiscard]] ui::ListControl* List(const ProfileListControls& l);
  [[nodiscard]] std::vector<std::string> Names(const ProfileListControls& l);
  [[nodiscard]] std::optional<std::filesystem::path> FileOf(const ProfileListControls& l,
                                                            std::string_view name);
  [[nodiscard]] std::filesystem::path DefaultFile(const ProfileListControls& l) const;
  void ShowLink(const ProfileListControls& l, int flag, const std::string& program);
  void Apply(const ProfileListControls& l);
  ProfileFileDialogs& Dialogs();
  void HideKeyFunctions(device::DeviceKind kind);
  void WriteKeyPage(device::DeviceKind kind);
  [[nodiscard]] ui::OpenFileSpec DialogSpec(const ProfileListControls& l) const;
  void Message(std::string_view id);
  void SetVisible(std::string_view name, bool visible);

  CMainWnd& window_;
  DeviceWiring& devices_;
  KeyEditorWiring* keys_;
  platform::PointerSettingsWorker* pointer_;
  std::unique_ptr<ProfileFileDialogs> dialogs_;
  std::vector<std::filesystem::path> defaultFolders_;
  bool foregroundSelection_ = false;  // the item-select under way is the program in front's
  int pending_ = 0;          // file steps whose display step has not run
  int operations_ = 0;       // of them, list operations
  std::shared_ptr<char> alive_ = std::make_shared<char>();
  core::SerialWorker files_;  // last: it finishes its queue before the rest goes
};

}  // namespace tavrinex::app
