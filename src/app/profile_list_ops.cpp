// The list operations of the profile area: add, remove, copy, rename, import, export, reset.
// Each plans on the UI thread from the list's items, writes the catalogue and the files on the
// file worker, and shows the result (messages, items, the new current entry) on the UI thread.
#include <algorithm>
#include <string>
#include <vector>

#include "app/profile_lists.h"
#include "profiles/profile_body.h"
#include "profiles/profile_history.h"
#include "profiles/profile_names.h"
#include "profiles/profile_selection.h"
#include "storage/atomic_file.h"
#include "storage/diagnostic.h"
#include "storage/save_failure.h"
#include "storage/settings_folder.h"

namespace tavrinex::app {

using device::DeviceKind;
using profiles::ProfileCatalogue;
using profiles::ProfileListKind;
using profiles::ProfileReadResult;

namespace {

bool IsLight(const ProfileListControls& l) { return l.list == ProfileListKind::kLight; }

std::string FileName(const ProfileListControls& l, std::string_view name) {
  return std::string(name) + std::string(profiles::ExtensionOf(l.list));
}

// The file as it is goes into the device's history before the program replaces or removes it.
void KeepVersion(DeviceKind kind, const std::string& file) {
  int error = 0;
  const profiles::ProfileHistory history(profiles::GetDeviceFolder(kind));
  if (!history.Keep(file, &error)) {
    profiles::WriteDiagnostic("profile history: cannot keep " + file + ": " +
                              std::generic_category().message(error));
  }
}

void RemoveFile(const std::filesystem::path& file) {
  const auto found = profiles::FindIgnoringCase(file.parent_path(), file.filename().string());
  std::error_code error;
  if (found) std::filesystem::remove(*found, error);
}

// A profile file is its header and at most the largest body: anything longer is some other file.
ProfileReadResult ReadImport(const std::filesystem::path& file, std::span<std::uint8_t> body) {
  std::error_code error;
  const auto size = std::filesystem::file_size(file, error);
  if (!error && size > profiles::kProfileHeaderSize + profiles::kMaxProfileBodySize) {
    return ProfileReadResult::kNotProfile;
  }
  return profiles::ReadProfileFile(file, body);
}

// Exactly the chosen path, replaced whole; a failure reaches the user as a failed save.
void WriteExport(const std::filesystem::path& file, std::uint16_t tag, std::span<const std::uint8_t> body) {
  const auto header = profiles::MakeProfileHeader(tag);
  std::string bytes(header.begin(), header.end());
  bytes.append(body.begin(), body.end());
  int error = 0;
  if (!profiles::WriteFileAtomically(file, bytes, &error)) profiles::ReportSaveFailure(file, error);
}

// Catalogue entry `index` takes a new name, unlinked.
void AppendEntry(const ProfileListControls& l, int count, const std::string& name) {
  const ProfileCatalogue catalogue(l.kind);
  (void)catalogue.SetCount(l.list, count);
  (void)catalogue.SetName(l.list, count - 1, name);
  (void)catalogue.SetLinkFlag(l.list, count - 1, false);
}

}  // namespace

ui::OpenFileSpec ProfileLists::DialogSpec(const ProfileListControls& l) const {
  const std::string ext(profiles::ExtensionOf(l.list).substr(1));
  return ui::OpenFileSpec{plist::FiltersOf(l.kind, l.list), ext};
}

void ProfileLists::Add(const ProfileListControls& l) {
  ui::ListControl* list = List(l);
  if (list == nullptr || !Idle()) return;
  if (list->Count() >= profiles::kMaxListEntries) return Message(plist::kListFullMessage);
  const std::string name = profiles::NewProfileName(Names(l));
  const int index = list->AddItem(name, name);
  list->SetItemHeight(index, plist::kItemHeight);
  list->SetItemAttribute(index, "style", plist::kAddedItemStyle);
  const int count = list->Count();
  const auto file = profiles::ProfileFilePath(l.kind, l.list, name);
  const auto defaults = DefaultFile(l);
  profiles::ProfileState& state = window_.Profiles();
  Run(
      [&l, &state, count, name, file, defaults] {
        AppendEntry(l, count, name);
        KeepVersion(l.kind, FileName(l, name));
        RemoveFile(file);
        std::vector<std::uint8_t> body(profiles::BodySizeOf(l.kind, l.list), 0);
        const ProfileReadResult read = profiles::ReadProfileFile(defaults, body);
        if (read != ProfileReadResult::kRead) return Outcome{read, false};
        if (l.kind == DeviceKind::kKeyboard && IsLight(l)) profiles::PlaceLightBody(state, l.kind, body);
        (void)profiles::WriteProfileFile(file, profiles::DeviceTagOf(l.kind), body);
        return Outcome{};
      },
      [this, &l, count](const Outcome& outcome) {
        if (!Report(outcome)) return;  // the entry stays, without a file
        if (ui::ListControl* shown = List(l)) (void)shown->SelectItem(count - 1);
      });
}

void ProfileLists::Remove(const ProfileListControls& l) {
  ui::ListControl* list = List(l);
  if (list == nullptr || !Idle()) return;
  if (list->Count() == 1) return Message(plist::kLastProfileMessage);
  if (window_.ShowMessage(plist::kConfirmRemoveMessage) != 1) return;
  list = List(l);  // the box ran the event loop
  const int cur = list != nullptr ? list->CurrentIndex() : -1;
  if (cur < 0 || list->Count() <= 1) return;
  const std::string name = list->ItemUserData(cur);
  const auto file = FileOf(l, name);
  (void)list->RemoveAt(cur);
  const std::vector<std::string> names = Names(l);
  Run(
      [&l, cur, name, file, names] {
        if (file) {
          KeepVersion(l.kind, FileName(l, name));
          RemoveFile(*file);
        }
        const ProfileCatalogue c(l.kind);
        const int count = static_cast<int>(names.size());
        (void)c.SetCount(l.list, count);
        // The link keys move down with the names; those of index `count` stay, unread.
        for (int i = 0; i < count; ++i) {
          (void)c.SetName(l.list, i, names[static_cast<std::size_t>(i)]);
          const int from = i < cur ? i : i + 1;
          const int flag = c.LinkFlag(l.list, from);
          const std::string program = c.Program(l.list, from);
          (void)c.SetLinkFlag(l.list, i, flag == 1);
          (void)c.SetProgram(l.list, i, program);
        }
        return Outcome{};
      },
      [this, &l](const Outcome&) {
        if (ui::ListControl* shown = List(l)) (void)shown->SelectItem(shown->Count() - 1);
      });
}

void ProfileLists::Copy(const ProfileListControls& l) {
  ui::ListControl* list = List(l);
  if (list == nullptr || !Idle()) return;
  const int cur = list->CurrentIndex();
  if (cur < 0) return;
  if (list->Count() >= profiles::kMaxListEntries) return Message(plist::kListFullMessage);
  const std::string source = list->ItemUserData(cur);
  const std::string name = profiles::CopyName(Names(l), source);
  const auto from = FileOf(l, source);
  const auto to = FileOf(l, name);
  if (!to) return Message(plist::kBadNameMessage);  // the name grew too long for a file
  const int count = list->Count() + 1;
  profiles::ProfileState& state = window_.Profiles();
  Run(
      [&l, &state, from, to, count, name] {
        std::vector<std::uint8_t> body(profiles::BodySizeOf(l.kind, l.list), 0);
        const ProfileReadResult read = from ? profiles::ReadProfileFile(*from, body) : ProfileReadResult::kMissing;
        if (read != ProfileReadResult::kRead) return Outcome{read, false};
        if (l.kind == DeviceKind::kKeyboard && IsLight(l)) profiles::PlaceLightBody(state, l.kind, body);
        (void)profiles::WriteProfileFile(*to, profiles::DeviceTagOf(l.kind), body);
        AppendEntry(l, count, name);
        return Outcome{};
      },
      [this, &l, name](const Outcome& outcome) {
        if (!Report(outcome)) return;
        ui::ListControl* shown = List(l);
        if (shown == nullptr) return;
        (void)shown->SelectItem(shown->AddItem(name, name));
      });
}

// The catalogue takes the new name first; should the old file fail to read or the new one to
// be written, the catalogue gets the old name back, so that list, catalogue and file agree.
void ProfileLists::Rename(const ProfileListControls& l) {
  ui::ListControl* list = List(l);
  ui::Control* edit = window_.Window().Find(l.nameEdit);
  if (list == nullptr || edit == nullptr || !Idle()) return;
  const std::string name = edit->Text();
  if (name.empty()) return Message(plist::kEmptyNameMessage);
  if (profiles::ContainsIgnoringCase(Names(l), name)) return Message(plist::kNameTakenMessage);
  if (!profiles::IsValidProfileName(name)) return Message(plist::kBadNameMessage);
  const int cur = list->CurrentIndex();
  if (cur < 0) return;
  const std::string old = list->ItemUserData(cur);
  const auto from = FileOf(l, old);
  const auto to = profiles::ProfileFilePath(l.kind, l.list, name);
  const int count = list->Count();
  Run(
      [&l, cur, count, name, old, from, to] {
        const ProfileCatalogue c(l.kind);
        (void)c.SetCount(l.list, count);
        (void)c.SetName(l.list, cur, name);
        std::vector<std::uint8_t> body(profiles::BodySizeOf(l.kind, l.list), 0);
        const ProfileReadResult read = from ? profiles::ReadProfileFile(*from, body) : ProfileReadResult::kMissing;
        if (read == ProfileReadResult::kRead) {
          KeepVersion(l.kind, FileName(l, name));  // a stray file of the new name
          if (profiles::WriteProfileFile(to, profiles::DeviceTagOf(l.kind), body)) {
            KeepVersion(l.kind, FileName(l, old));
            RemoveFile(*from);
            return Outcome{};
          }
        }
        (void)c.SetName(l.list, cur, old);
        return Outcome{read, false};
      },
      [this, &l, cur, name](const Outcome& outcome) {
        if (!Report(outcome) || !outcome.ok) return;
        ui::ListControl* shown = List(l);
        if (shown == nullptr || cur >= shown->Count()) return;
        shown->SetItemText(cur, 0, name);
        shown->SetItemUserData(cur, name);
        if (ui::Control* e = window_.Window().Find(l.nameEdit)) e->SetText(name);
      });
}

namespace {

// The UI layer's dialogs over the main window.
class UiDialogs final : public ProfileFileDialogs {
 public:
  explicit UiDialogs(CMainWnd& window) : window_(window) {}
  std::optional<std::filesystem::path> AskImport(const ui::OpenFileSpec& spec) override {
    return window_.UiLayer().AskOpenFile(&window_.Window(), spec);
  }
  std::optional<std::filesystem::path> AskExport(const ui::OpenFileSpec& spec,
                                                 std::string_view initialName) override {
    return window_.UiLayer().AskSaveFile(&window_.Window(), spec, initialName);
  }

 private:
  CMainWnd& window_;
};

}  // namespace

ProfileFileDialogs& ProfileLists::Dialogs() {
  if (!dialogs_) dialogs_ = std::make_unique<UiDialogs>(window_);
  return *dialogs_;
}

// The chosen file's body, whatever device it was made for, replaces the current entry's file,
// which is then selected again (the entry before it first, as a user would).
void ProfileLists::Import(const ProfileListControls& l) {
  ui::ListControl* list = List(l);
  if (list == nullptr || !Idle()) return;
  const int cur = list->CurrentIndex();
  if (cur < 0) return;
  const std::string name = list->ItemUserData(cur);
  const auto chosen = Dialogs().AskImport(DialogSpec(l));
  if (!chosen) return;
  const auto file = FileOf(l, name);
  if (!file) return Message(plist::kBadNameMessage);
  Run(
      [&l, chosen, file, name] {
        std::vector<std::uint8_t> body(profiles::BodySizeOf(l.kind, l.list), 0);
        const ProfileReadResult read = ReadImport(*chosen, body);
        if (read != ProfileReadResult::kRead) return Outcome{read, false};
        KeepVersion(l.kind, FileName(l, name));
        (void)profiles::WriteProfileFile(*file, profiles::DeviceTagOf(l.kind), body);
        return Outcome{};
      },
      [this, &l, cur, name](const Outcome& outcome) {
        if (!Report(outcome)) return;
        ui::ListControl* shown = List(l);
        if (shown == nullptr || cur >= shown->Count() || shown->ItemUserData(cur) != name) return;
        (void)shown->SelectItem(cur - 1);
        (void)shown->SelectItem(cur);
      });
}

void ProfileLists::Export(const ProfileListControls& l) {
  ui::ListControl* list = List(l);
  if (list == nullptr || !Idle()) return;
  const int cur = list->CurrentIndex();
  if (cur < 0) return;
  const std::string name = list->ItemUserData(cur);
  const auto chosen = Dialogs().AskExport(DialogSpec(l), FileName(l, name));
  if (!chosen) return;
  const auto file = FileOf(l, name);
  Run(
      [&l, chosen, file] {
        std::vector<std::uint8_t> body(profiles::BodySizeOf(l.kind, l.list), 0);
        const ProfileReadResult read = file ? profiles::ReadProfileFile(*file, body) : ProfileReadResult::kMissing;
        if (read != ProfileReadResult::kRead) return Outcome{read, false};
        WriteExport(*chosen, profiles::DeviceTagOf(l.kind), body);
        return Outcome{};
      },
      [this](const Outcome& outcome) { (void)Report(outcome); });
}

// The default file into the state and into the selected entry's file (the catalogue's
// "select", whatever the list shows). The mouse's pointer settings take their reset values
// before the save, so that the file holds what the desktop gets.
void ProfileLists::Reset(const ProfileListControls& l) {
  if (!Idle()) return;
  if (!IsLight(l)) HideKeyFunctions(l.kind);
  const auto defaults = DefaultFile(l);
  profiles::ProfileState& state = window_.Profiles();
  Run(
      [&l, &state, defaults] {
        const bool slot = IsLight(l) && l.kind != DeviceKind::kKeyboard;
        std::vector<std::uint8_t> body(slot ? plist::kResetSlotBytes : profiles::BodySizeOf(l.kind, l.list), 0);
        const ProfileReadResult read = profiles::ReadProfileFile(defaults, body);
        if (read != ProfileReadResult::kRead) return Outcome{read, false};
        const ProfileCatalogue c(l.kind);
        const std::string name = c.Name(l.list, c.Select(l.list));
        if (profiles::IsValidProfileName(name)) KeepVersion(l.kind, FileName(l, name));
        if (!IsLight(l)) {
          profiles::PlaceKeyBody(state.image, l.kind,
                                 std::span<const std::uint8_t, profiles::kKeyProfileBodySize>(body.data(), body.size()));
          (void)profiles::SaveSelectedKeyProfile(state, l.kind);
          return Outcome{};
        }
        if (!slot) {
          profiles::PlaceLightBody(state, l.kind, body);
        } else {
          state.image.Update(l.kind, [&body](device::DeviceBlocks& b) {
            std::copy(body.begin(), body.end(), b.settings[0].begin());
            std::copy_n(body.begin(), b.current.size(), b.current.begin());
          });
          if (l.kind == DeviceKind::kMouse) {
            state.pointer.SetSpeed(plist::kResetSpeed);
            state.pointer.SetWheelLines(plist::kResetWheelLines);
          }
        }
        (void)profiles::SaveSelectedLightProfile(state, l.kind);
        return Outcome{};
      },
      [this, &l](const Outcome& outcome) {
        if (!Report(outcome)) return;
        if (window_.Hooks().refreshLighting) window_.Hooks().refreshLighting(l.kind);
        if (!IsLight(l)) {
          if (keys_ != nullptr) keys_->Editor(l.kind).RedrawKeyLabels();
          WriteKeyPage(l.kind);
          return;
        }
        window_.Store().MarkDirty(l.kind);
        if (l.kind == DeviceKind::kMouse && pointer_ != nullptr) {
          pointer_->SetSpeed(plist::kResetSpeed);
          pointer_->SetWheelLines(plist::kResetWheelLines);
        }
      });
}

}  // namespace tavrinex::app
