// The profile lists of the shipped skin through the real Qt layer, offscreen: the first run and
// the second, selection with a failed load, and each list operation's effects on the list, the
// catalogue and the files, with the refusals and the bad input the operations must survive.
#include "app/profile_lists.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QScreen>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "app/device_wiring.h"
#include "app/key_editor_wiring.h"
#include "app/lighting_wiring.h"
#include "app/main_wnd.h"
#include "app/profile_restore.h"
#include "page_fixture.h"
#include "profiles/profile_catalogue.h"
#include "profiles/profile_file.h"
#include "profiles/profile_history.h"
#include "sim/simulated_device.h"
#include "storage/atomic_file.h"
#include "storage/ini_file.h"
#include "storage/settings_folder.h"
#include "ui/qt/qt_window.h"

namespace tavrinex::app {
namespace {

namespace fs = std::filesystem;
using device::DeviceKind;
using profiles::ProfileCatalogue;
using profiles::ProfileListKind;
constexpr ProfileListKind kLight = ProfileListKind::kLight;
constexpr ProfileListKind kKey = ProfileListKind::kKey;
const ProfileListControls& kKbLight = plist::kLists[0];
const ProfileListControls& kMsLight = plist::kLists[2];
const ProfileListControls& kMsKey = plist::kLists[3];

// The dialogs answer with the path a test puts in.
class FakeDialogs final : public ProfileFileDialogs {
 public:
  std::optional<fs::path> AskImport(const ui::OpenFileSpec& spec) override {
    specs.push_back(spec);
    return answer;
  }
  std::optional<fs::path> AskExport(const ui::OpenFileSpec& spec, std::string_view name) override {
    specs.push_back(spec);
    offered = name;
    return answer;
  }
  std::optional<fs::path> answer;
  std::vector<ui::OpenFileSpec> specs;
  std::string offered;
};

std::string Bytes(const fs::path& file) {
  const profiles::FileContents contents = profiles::ReadWholeFile(file);
  return contents.bytes;
}

void WriteBytes(const fs::path& file, const std::string& bytes) {
  std::ofstream(file, std::ios::binary) << bytes;
}

class ProfileListsTest : public testing::Test, public test::PageWindow {
 protected:
  void SetUp() override {
    root = documents.Root();
    defaults = {TAVRINEX_DEFAULTS};
  }
  void TearDown() override {
    Close();
    std::error_code ec;
    fs::permissions(root / "readonly", fs::perms::owner_all, ec);  // for the folder's removal
  }

  // The window with its lists filled (the first run's writes done).
  void Open() {
    Close();
    MakeWindow();
    devices = std::make_unique<DeviceWiring>(*wnd, bus, nullptr);
    auto fake = std::make_unique<FakeDialogs>();
    dialogs = fake.get();
    lists = std::make_unique<ProfileLists>(*wnd, *devices, defaults, nullptr, nullptr, std::move(fake));
    wnd->Create();
    StopFlushTimer();  // a select's dirty mark stays for the checks
    lighting = std::make_unique<LightingWiring>(*wnd, *devices, nullptr);
    keys = std::make_unique<KeyEditorWiring>(*wnd, *devices);
    lists->SetKeyEditors(keys.get());
    Settle();
  }
  void Close() {
    if (wnd) wnd->Destroy(false);
    lists.reset();
    keys.reset();
    lighting.reset();
    devices.reset();
    DropWindow();
  }
  // Until the file worker and the display steps are done.
  void Settle() {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    do {
      Pump();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    } while ((lists == nullptr || lists->Busy()) && std::chrono::steady_clock::now() < end);
    Pump();
  }

  // Pumps until `done` holds (false after 20 s, a bound that only ends a failing test).
  template <class F>
  bool Until(F done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done()) {
      if (std::chrono::steady_clock::now() > end) return false;
      Pump();
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    Settle();
    return true;
  }
  ui::ListControl& List(const ProfileListControls& l) { return Get<ui::ListControl>(l.combo); }
  std::vector<std::string> Items(const ProfileListControls& l) {
    std::vector<std::string> items;
    for (int i = 0; i < List(l).Count(); ++i) items.push_back(List(l).ItemText(i));
    return items;
  }
  void Choose(const ProfileListControls& l, int index) {
    (void)List(l).SelectItem(index);
    Settle();
  }
  void Press(std::string_view button) {
    Click(button);
    Settle();
  }
  static fs::path File(DeviceKind kind, ProfileListKind list, std::string_view name) {
    return profiles::ProfileFilePath(kind, list, name);
  }
  static std::string Ini(DeviceKind kind, std::string_view section, std::string_view key) {
    return profiles::ReadIniString(profiles::CataloguePath(kind), section, key, "(none)");
  }
  // A catalogue list of these names, each with a profile file whose body starts with its name.
  static void Prepare(DeviceKind kind, ProfileListKind list, const std::vector<std::string>& names) {
    const ProfileCatalogue c(kind);
    (void)c.SetCount(list, static_cast<int>(names.size()));
    for (std::size_t i = 0; i < names.size(); ++i) {
      (void)c.SetName(list, static_cast<int>(i), names[i]);
      (void)c.SetLinkFlag(list, static_cast<int>(i), false);
      std::vector<std::uint8_t> body(profiles::BodySizeOf(kind, list), 0);
      std::copy(names[i].begin(), names[i].end(), body.begin() + 1);
      (void)profiles::WriteProfileFile(File(kind, list, names[i]), profiles::DeviceTagOf(kind), body);
    }
    (void)c.SetSelect(list, 0);
  }

  test::TemporaryDocuments documents;  // first made, last gone
  fs::path root;
  std::vector<fs::path> defaults;
  sim::SimulatedDevices sims{bus};
  std::unique_ptr<DeviceWiring> devices;
  std::unique_ptr<LightingWiring> lighting;
  std::unique_ptr<KeyEditorWiring> keys;
  std::unique_ptr<ProfileLists> lists;
  FakeDialogs* dialogs = nullptr;
};

// An empty documents folder: five lists with their first profile from the default files, the
// catalogues as the first run writes them; a second start reads everything back unchanged.
TEST_F(ProfileListsTest, FirstRunCreatesTheListsAndASecondRunReadsThemBack) {
  Open();
  EXPECT_TRUE(boxes.empty());
  std::vector<std::pair<fs::path, std::string>> files;
  for (const ProfileListControls& l : plist::kLists) {
    EXPECT_EQ(Items(l), std::vector<std::string>{"新配置文件1"}) << l.combo;
    EXPECT_EQ(List(l).ItemUserData(0), "新配置文件1");
    EXPECT_EQ(List(l).ItemHeight(0), 25);
    EXPECT_EQ(List(l).CurrentIndex(), -1) << "nothing is current before the device connects";
    const auto& s = profiles::SectionsOf(l.list);
    EXPECT_EQ(Ini(l.kind, s.count, "count"), "1");
    EXPECT_EQ(Ini(l.kind, s.name, "0"), "新配置文件1");
    EXPECT_EQ(Ini(l.kind, s.linkFlag, "0"), "0");
    EXPECT_EQ(Ini(l.kind, s.select, "select"), "0");
    EXPECT_EQ(Ini(l.kind, s.program, "0"), "(none)");
    const fs::path file = File(l.kind, l.list, "新配置文件1");
    const std::string body = Bytes(file);
    const fs::path def = fs::path(TAVRINEX_DEFAULTS) / profiles::DefaultProfileFileName(l.kind, l.list);
    EXPECT_EQ(body.substr(profiles::kProfileHeaderSize), Bytes(def).substr(profiles::kProfileHeaderSize));
    EXPECT_EQ(static_cast<int>(body[profiles::kDeviceTagOffset]), profiles::DeviceTagOf(l.kind));
    files.emplace_back(file, body);
  }
  for (const DeviceKind kind : device::kAllDeviceKinds) {
    files.emplace_back(profiles::CataloguePath(kind), Bytes(profiles::CataloguePath(kind)));
  }
  Open();
  EXPECT_TRUE(boxes.empty());
  for (const ProfileListControls& l : plist::kLists) EXPECT_EQ(Items(l), std::vector<std::string>{"新配置文件1"});
  for (const auto& [file, bytes] : files) EXPECT_EQ(Bytes(file), bytes) << file;
}

// Without the keyboard's default light file: "message_text_8", the keyboard's key list stays
// empty too; the mouse and the mouse pad are filled. A count of -1 leaves a list empty.
TEST_F(ProfileListsTest, FirstRunWithoutADefaultFile) {
  const fs::path partial = root / "defaults";
  fs::create_directories(partial);
  for (const auto& entry : fs::directory_iterator(TAVRINEX_DEFAULTS)) {
    if (entry.path().filename() != "kbdengdefault.led") fs::copy(entry.path(), partial / entry.path().filename());
  }
  defaults = {partial};
  (void)ProfileCatalogue(DeviceKind::kMouse).SetCount(kKey, -1);
  Open();
  EXPECT_EQ(boxes, std::vector<std::string>{"message_text_8"});
  EXPECT_TRUE(Items(plist::kLists[0]).empty());
  EXPECT_TRUE(Items(plist::kLists[1]).empty());
  EXPECT_EQ(Items(kMsLight).size(), 1u);
  EXPECT_TRUE(Items(kMsKey).empty());
  EXPECT_EQ(Items(plist::kLists[4]).size(), 1u);
  EXPECT_FALSE(fs::exists(File(DeviceKind::kMouse, kKey, "新配置文件1")));
}

// A catalogue whose count says more than its names: the missing names read as "0".
TEST_F(ProfileListsTest, CountBeyondTheNamesShowsZero) {
  Prepare(DeviceKind::kMouse, kLight, {"A"});
  (void)ProfileCatalogue(DeviceKind::kMouse).SetCount(kLight, 2);
  Open();
  EXPECT_EQ(Items(kMsLight), (std::vector<std::string>{"A", "0"}));
}

// Selecting an entry shows its name, stores "select" and loads and applies its file; a file
// that is gone leaves the state as it was and says so.
TEST_F(ProfileListsTest, SelectLoadsAndAFailedLoadChangesNothing) {
  Prepare(DeviceKind::kMouse, kLight, {"A", "B"});
  Open();
  Choose(kMsLight, 0);
  EXPECT_EQ(Get(kMsLight.nameEdit).Text(), "A");
  EXPECT_EQ(wnd->Image().Current(DeviceKind::kMouse)[1], 'A');
  EXPECT_TRUE(wnd->Store().IsDirty(DeviceKind::kMouse));
  fs::remove(File(DeviceKind::kMouse, kLight, "B"));
  Choose(kMsLight, 1);
  EXPECT_EQ(boxes, std::vector<std::string>{"message_text_8"});
  EXPECT_EQ(Ini(DeviceKind::kMouse, "PROFILEDENGSELECT", "select"), "1");
  EXPECT_EQ(Get(kMsLight.nameEdit).Text(), "B");
  EXPECT_EQ(wnd->Image().Current(DeviceKind::kMouse)[1], 'A') << "the state stays";
}

// A linked entry whose program is no path: "select" moves, nothing is loaded.
TEST_F(ProfileListsTest, SelectOfAnEntryLinkedToNoPathLoadsNothing) {
  Prepare(DeviceKind::kMouse, kLight, {"A", "B"});
  const ProfileCatalogue c(DeviceKind::kMouse);
  (void)c.SetLinkFlag(kLight, 1, true);
  (void)c.SetProgram(kLight, 1, "game.exe");
  (void)c.SetLinkFlag(kLight, 0, true);
  (void)c.SetProgram(kLight, 0, "/opt/games/bin/game");
  Open();
  Choose(kMsLight, 0);
  EXPECT_EQ(Get(kMsLight.linkEdit).Text(), "game");
  EXPECT_TRUE(Get<ui::OptionControl>(kMsLight.linkCheck).IsSelected());
  Choose(kMsLight, 1);
  EXPECT_EQ(Ini(DeviceKind::kMouse, "PROFILEDENGSELECT", "select"), "1");
  EXPECT_EQ(wnd->Image().Current(DeviceKind::kMouse)[1], 'A');
}

// Add: the first free "新配置文件N" (without regard to case of the others), an unlinked entry, the
// default body in its file, and the new entry current.
TEST_F(ProfileListsTest, AddNamesTheFirstFreeNumber) {
  Prepare(DeviceKind::kMouse, kKey, {"新配置文件1", "新配置文件3"});
  Open();
  Choose(kMsKey, 0);
  Press(kMsKey.add);
  EXPECT_EQ(Items(kMsKey), (std::vector<std::string>{"新配置文件1", "新配置文件3", "新配置文件2"}));
  EXPECT_EQ(List(kMsKey).ItemAttribute(2, "style"), "listex_item_style");
  EXPECT_EQ(List(kMsKey).CurrentIndex(), 2);
  EXPECT_EQ(Ini(DeviceKind::kMouse, "PROFILECOUNT", "count"), "3");
  EXPECT_EQ(Ini(DeviceKind::kMouse, "PROFILENAME", "2"), "新配置文件2");
  EXPECT_EQ(Ini(DeviceKind::kMouse, "PROFILELIKEEXE", "2"), "0");
  EXPECT_EQ(Ini(DeviceKind::kMouse, "PROFILESELECT", "select"), "2");
  EXPECT_EQ(Bytes(File(DeviceKind::kMouse, kKey, "新配置文件2")).substr(16),
            Bytes(fs::path(TAVRINEX_DEFAULTS) / "mskeydefault.pro").substr(16));
  Press(kMsKey.add);
  EXPECT_EQ(List(kMsKey).ItemText(3), "新配置文件4");
}

// Copy: "X copy", then "X copy copy"; the body is the source's; the copy is unlinked even where
// stale keys of a removed entry sat.
TEST_F(ProfileListsTest, CopyAppendsCopiesAndUnlinksThem) {
  Prepare(DeviceKind::kMouse, kLight, {"X"});
  const ProfileCatalogue c(DeviceKind::kMouse);
  (void)c.SetLinkFlag(kLight, 1, true);  // stale keys of index 1
  (void)c.SetProgram(kLight, 1, "/usr/bin/old");
  Open();
  Choose(kMsLight, 0);
  Press(kMsLight.copy);
  Choose(kMsLight, 0);
  Press(kMsLight.copy);
  EXPECT_EQ(Items(kMsLight), (std::vector<std::string>{"X", "X copy", "X copy copy"}));
  EXPECT_EQ(List(kMsLight).CurrentIndex(), 2);
  EXPECT_EQ(Ini(DeviceKind::kMouse, "PROFILEDENGCOUNT", "count"), "3");
  EXPECT_EQ(Ini(DeviceKind::kMouse, "PROFILEDENGNAME", "2"), "X copy copy");
  EXPECT_EQ(Ini(DeviceKind::kMouse, "PROFILELIKEDENGEXE", "1"), "0");
  const std::string source = Bytes(File(DeviceKind::kMouse, kLight, "X"));
  EXPECT_EQ(Bytes(File(DeviceKind::kMouse, kLight, "X copy copy")), source);
  // A source whose file is gone: "message_text_8" and nothing changes.
  fs::remove(File(DeviceKind::kMouse, kLight, "X copy copy"));
  boxes.clear();
  Press(kMsLight.copy);
  EXPECT_EQ(boxes, (std::vector<std::string>{"message_text_8"}));
  EXPECT_EQ(Items(kMsLight).size(), 3u);
  EXPECT_EQ(Ini(DeviceKind::kMouse, "PROFILEDENGCOUNT", "count"), "3");
}

// Remove: the last entry is refused, a declined confirmation changes nothing; removing Q of
// P, Q, R moves R's name and link down, leaves the keys of index 2, keeps Q's file in the history
// and makes R current.
TEST_F(ProfileListsTest, RemoveRenumbersTheLinksAndRefusesTheLastEntry) {
  Prepare(DeviceKind::kMouse, kLight, {"P", "Q", "R"});
  Prepare(DeviceKind::kMouse, kKey, {"Only"});
  const ProfileCatalogue c(DeviceKind::kMouse);
  (void)c.SetLinkFlag(kLight, 2, true);
  (void)c.SetProgram(kLight, 2, "/usr/bin/game");
  Open();
  Choose(kMsKey, 0);
  Press(kMsKey.remove);
  EXPECT_EQ(boxes, (std::vector<std::string>{"message_text_11"}));
  EXPECT_EQ(Items(kMsKey).size(), 1u);

  Choose(kMsLight, 1);
  boxes.clear();
  answer = 0;
  Press(kMsLight.remove);
  EXPECT_EQ(boxes, (std::vector<std::string>{"message_text_12"}));
  EXPECT_EQ(Items(kMsLight).size(), 3u);
  EXPECT_TRUE(fs::exists(File(DeviceKind::kMouse, kLight, "Q")));

  answer = 1;
  Press(kMsLight.remove);
  EXPECT_EQ(Items(kMsLight), (std::vector<std::string>{"P", "R"}));
  EXPECT_EQ(List(kMsLight).CurrentIndex(), 1);
  EXPECT_EQ(Ini(DeviceKind::kMouse, "PROFILEDENGCOUNT", "count"), "2");
  EXPECT_EQ(Ini(DeviceKind::kMouse, "PROFILEDENGNAME", "1"), "R");
  EXPECT_EQ(Ini(DeviceKind::kMouse, "PROFILELIKEDENGEXE", "1"), "1");
  EXPECT_EQ(Ini(DeviceKind::kMouse, "DENGPROCESS", "1"), "/usr/bin/game");
  EXPECT_EQ(Ini(DeviceKind::kMouse, "PROFILEDENGNAME", "2"), "R") << "keys of index 2 stay";
  EXPECT_EQ(Ini(DeviceKind::kMouse, "PROFILEDENGSELECT", "select"), "1");
  EXPECT_FALSE(fs::exists(File(DeviceKind::kMouse, kLight, "Q")));
  const profiles::ProfileHistory history(profiles::GetDeviceFolder(DeviceKind::kMouse));
  EXPECT_EQ(history.Versions("Q.led").size(), 1u);

  Press(kMsLight.copy);
  EXPECT_EQ(Ini(DeviceKind::kMouse, "PROFILEDENGNAME", "2"), "R copy");
  EXPECT_EQ(Ini(DeviceKind::kMouse, "PROFILELIKEDENGEXE", "2"), "0");
}

// Rename: the refusals, then a keyboard light profile moved whole (all 1958 body bytes) with
// the old file kept in the history.
TEST_F(ProfileListsTest, RenameRefusesAndMovesTheFile) {
  Prepare(DeviceKind::kKeyboard, kLight, {"Alpha", "Beta"});
  Open();
  Choose(kKbLight, 0);
  const struct {
    const char* name;
    const char* message;
  } refused[] = {{"", "message_text_14"},     {"alpha", "message_text_15"}, {"BETA", "message_text_15"},
                 {"../x", "profile_msg_bad_name"}, {"..", "profile_msg_bad_name"}};
  for (const auto& r : refused) {
    boxes.clear();
    Type(kKbLight.nameEdit, r.name);
    Press(kKbLight.rename);
    EXPECT_EQ(boxes, std::vector<std::string>{r.message}) << r.name;
    EXPECT_EQ(Items(kKbLight), (std::vector<std::string>{"Alpha", "Beta"})) << r.name;
  }
  EXPECT_EQ(Ini(DeviceKind::kKeyboard, "PROFILEDENGNAME", "0"), "Alpha");
  const std::string bytes = Bytes(File(DeviceKind::kKeyboard, kLight, "Alpha"));
  ASSERT_EQ(bytes.size(), 16u + 1958u);
  boxes.clear();
  Type(kKbLight.nameEdit, "Gamma");
  Press(kKbLight.rename);
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(Items(kKbLight), (std::vector<std::string>{"Gamma", "Beta"}));
  EXPECT_EQ(List(kKbLight).ItemUserData(0), "Gamma");
  EXPECT_EQ(Ini(DeviceKind::kKeyboard, "PROFILEDENGNAME", "0"), "Gamma");
  EXPECT_EQ(Bytes(File(DeviceKind::kKeyboard, kLight, "Gamma")), bytes);
  EXPECT_FALSE(fs::exists(File(DeviceKind::kKeyboard, kLight, "Alpha")));
  const profiles::ProfileHistory history(profiles::GetDeviceFolder(DeviceKind::kKeyboard));
  EXPECT_EQ(history.Versions("Alpha.led").size(), 1u);

  // The old file gone: "message_text_8", and list, catalogue and files keep the old name.
  fs::remove(File(DeviceKind::kKeyboard, kLight, "Gamma"));
  boxes.clear();
  Type(kKbLight.nameEdit, "Delta");
  Press(kKbLight.rename);
  EXPECT_EQ(boxes, std::vector<std::string>{"message_text_8"});
  EXPECT_EQ(Ini(DeviceKind::kKeyboard, "PROFILEDENGNAME", "0"), "Gamma");
  EXPECT_EQ(List(kKbLight).ItemText(0), "Gamma");
  EXPECT_FALSE(fs::exists(File(DeviceKind::kKeyboard, kLight, "Delta")));
}

// Import: any device's profile is taken (written with this list's tag) and the entry is
// selected again; files that are no profile files are refused and the entry's file stays.
TEST_F(ProfileListsTest, ImportTakesProfilesAndRefusesOtherFiles) {
  Prepare(DeviceKind::kMouse, kLight, {"A", "B"});
  Open();
  Choose(kMsLight, 1);
  const fs::path target = File(DeviceKind::kMouse, kLight, "B");
  const std::string before = Bytes(target);
  const fs::path empty = root / "empty.led", big = root / "big.led", text = root / "notes.led";
  WriteBytes(empty, "");
  WriteBytes(text, "just some text that is not a profile");
  WriteBytes(big, std::string("\xAA\x55", 2));
  fs::resize_file(big, 100u * 1024 * 1024);  // sparse
  fs::create_directories(root / "folder.led");
  const struct {
    fs::path file;
    const char* message;
  } refused[] = {{empty, "message_text_9"}, {text, "message_text_9"}, {big, "message_text_9"},
                 {root / "folder.led", "message_text_8"}, {root / "gone.led", "message_text_8"}};
  for (const auto& r : refused) {
    boxes.clear();
    dialogs->answer = r.file;
    Press(kMsLight.import);
    EXPECT_EQ(boxes, std::vector<std::string>{r.message}) << r.file;
    EXPECT_EQ(Bytes(target), before) << r.file;
  }
  // A keyboard light file: its first 64 body bytes, under the mouse's tag.
  std::vector<std::uint8_t> body(1958, 0x5A);
  ASSERT_TRUE(profiles::WriteProfileFile(root / "kb.led", 1, body));
  boxes.clear();
  dialogs->answer = root / "kb.led";
  Press(kMsLight.import);
  EXPECT_TRUE(boxes.empty());
  const std::string after = Bytes(target);
  ASSERT_EQ(after.size(), 16u + 64u);
  EXPECT_EQ(after[profiles::kDeviceTagOffset], 2);
  EXPECT_EQ(after.substr(16), std::string(64, '\x5A'));
  EXPECT_EQ(List(kMsLight).CurrentIndex(), 1);
  EXPECT_EQ(Ini(DeviceKind::kMouse, "PROFILEDENGSELECT", "select"), "1");
  EXPECT_EQ(wnd->Image().Current(DeviceKind::kMouse)[1], 0x5A) << "loaded and applied";
  const profiles::ProfileHistory history(profiles::GetDeviceFolder(DeviceKind::kMouse));
  ASSERT_EQ(history.Versions("B.led").size(), 1u);
  EXPECT_EQ(Bytes(history.Versions("B.led")[0].file), before);
  // The filters: the mouse offers every file as well.
  ASSERT_FALSE(dialogs->specs.empty());
  EXPECT_EQ(dialogs->specs.back().defaultSuffix, "led");
  ASSERT_EQ(dialogs->specs.back().filters.size(), 2u);
  EXPECT_EQ(dialogs->specs.back().filters[0].pattern, "*.led");
}

// Export writes the chosen path exactly (not another spelling of it) and nothing in a folder
// that cannot be written.
TEST_F(ProfileListsTest, ExportWritesOnlyTheChosenPath) {
  Prepare(DeviceKind::kMouse, kKey, {"Keys"});
  Open();
  Choose(kMsKey, 0);
  const fs::path other = root / "Out.PRO";
  WriteBytes(other, "someone else's");
  dialogs->answer = root / "out.pro";
  Press(kMsKey.exportButton);
  EXPECT_EQ(dialogs->offered, "Keys.pro");
  EXPECT_EQ(Bytes(root / "out.pro"), Bytes(File(DeviceKind::kMouse, kKey, "Keys")));
  EXPECT_EQ(Bytes(other), "someone else's");

  // A folder that cannot hold the file: nothing written, nothing left beside it.
  WriteBytes(root / "plain", "a file, not a folder");
  dialogs->answer = root / "plain" / "x.pro";
  Press(kMsKey.exportButton);
  EXPECT_EQ(Bytes(root / "plain"), "a file, not a folder");
  std::size_t entries = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(root)) ++entries;
  EXPECT_EQ(entries, 4u) << "Documents, Out.PRO, out.pro, plain";

  const fs::path locked = root / "readonly";
  fs::create_directories(locked);
  fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
  if (::access(locked.c_str(), W_OK) == 0) GTEST_SKIP() << "running with rights that ignore permissions";
  dialogs->answer = locked / "x.pro";
  Press(kMsKey.exportButton);
  EXPECT_TRUE(fs::is_empty(locked));
}

// The mouse light reset: the default's first 56 bytes, the slot's last 8 kept; the pointer
// speed and wheel lines take 10 and 3 before the save, so the file holds them; the old file is
// kept in the history.
TEST_F(ProfileListsTest, MouseLightResetSavesThePointerValuesItSets) {
  Prepare(DeviceKind::kMouse, kLight, {"Mine"});
  Open();
  Choose(kMsLight, 0);
  wnd->Image().Update(DeviceKind::kMouse, [](device::DeviceBlocks& b) { b.settings[0][60] = 0x77; });
  wnd->Profiles().pointer.SetSpeed(18);
  wnd->Profiles().pointer.SetWheelLines(7);
  Press(kMsLight.reset);
  const std::string file = Bytes(File(DeviceKind::kMouse, kLight, "Mine"));
  const std::string def = Bytes(fs::path(TAVRINEX_DEFAULTS) / "msdengdefault.led");
  ASSERT_EQ(file.size(), 80u);
  EXPECT_EQ(file.substr(16, 21), def.substr(16, 21));
  EXPECT_EQ(file[16 + 21], 10);
  EXPECT_EQ(file[16 + 22], 3);
  EXPECT_EQ(file[16 + 60], 0x77);
  EXPECT_EQ(wnd->Profiles().pointer.Speed(), 10);
  EXPECT_TRUE(wnd->Store().IsDirty(DeviceKind::kMouse));
  const profiles::ProfileHistory history(profiles::GetDeviceFolder(DeviceKind::kMouse));
  EXPECT_EQ(history.Versions("Mine.led").size(), 1u);
}

// A connected keyboard: its remembered key profile is made current on connect; choosing another
// loads it, redraws nothing on the device from the UI thread, and the device thread writes its
// page 0 to the keyboard.
TEST_F(ProfileListsTest, KeyProfileSelectWritesPageZeroOnTheDeviceThread) {
  Prepare(DeviceKind::kKeyboard, kKey, {"K1", "K2"});
  std::vector<std::uint8_t> body(512, 0);
  for (std::size_t i = 0; i < body.size(); i += 3) body[i] = 0x02, body[i + 1] = 0x04;  // every key: A
  ASSERT_TRUE(profiles::WriteProfileFile(File(DeviceKind::kKeyboard, kKey, "K2"), 1, body));
  Open();  // the window forbids device I/O on the UI thread
  const std::size_t forbidden = device::ExchangesOnForbiddenThread();
  sims.keyboard.Plug();
  const ProfileListControls& kb = plist::kLists[1];
  ASSERT_TRUE(Until([&] { return List(kb).CurrentIndex() == 0; })) << "selected on connect";
  const auto before = sims.keyboard.WithFirmware([](sim::Firmware& f) { return f.State().keyPages[0]; });
  ASSERT_NE(before[0], 0x02) << "the keyboard starts with other keys";
  Choose(kb, 1);
  const std::size_t bytes = 3 * wnd->Image().Read(DeviceKind::kKeyboard, [](const device::DeviceBlocks& b) {
    return std::size_t{b.info[device::kInfoLedCount]};
  });
  ASSERT_GT(bytes, 0u);
  const auto onDevice = [&] {
    return sims.keyboard.WithFirmware([](sim::Firmware& f) { return f.State().keyPages[0]; });
  };
  EXPECT_TRUE(Until([&] { return std::equal(body.begin(), body.begin() + static_cast<std::ptrdiff_t>(bytes), onDevice().begin()); }));
  EXPECT_EQ(Ini(DeviceKind::kKeyboard, "PROFILESELECT", "select"), "1");
  EXPECT_EQ(device::ExchangesOnForbiddenThread(), forbidden);
}

// A version brought back while the program runs: the selected entry is loaded and applied again,
// another entry is left alone.
TEST_F(ProfileListsTest, ARestoredSelectedProfileIsLoadedAgain) {
  Prepare(DeviceKind::kMousePad, kLight, {"Pad", "Other"});
  Open();
  const ProfileListControls& mp = plist::kLists[4];
  Choose(mp, 0);
  std::vector<std::uint8_t> body(64, 0x33);
  ASSERT_TRUE(profiles::WriteProfileFile(File(DeviceKind::kMousePad, kLight, "Pad"), 3, body));
  lists->ProfileRestored(DeviceKind::kMousePad, true, "Other");
  Settle();
  EXPECT_EQ(wnd->Image().Current(DeviceKind::kMousePad)[1], 'P');
  lists->ProfileRestored(DeviceKind::kMousePad, true, "pad");
  Settle();
  EXPECT_EQ(wnd->Image().Current(DeviceKind::kMousePad)[1], 0x33);
}

// A keyboard configured elsewhere connects and its keys overwrite the selected key profile; the
// profile as it was is in the history, and tavrinexctl's restore, served by the running program,
// brings it back into the file and onto the keyboard.
TEST_F(ProfileListsTest, AProfileAConnectOverwroteIsRestoredToTheFileAndTheDevice) {
  Prepare(DeviceKind::kKeyboard, kKey, {"Mine"});
  std::vector<std::uint8_t> mine(512, 0);
  for (std::size_t i = 0; i + 1 < mine.size(); i += 3) mine[i] = 0x02, mine[i + 1] = 0x04;  // every key: A
  const fs::path file = File(DeviceKind::kKeyboard, kKey, "Mine");
  ASSERT_TRUE(profiles::WriteProfileFile(file, 1, mine));
  const std::string shaped = profiles::ReadWholeFile(file).bytes;
  Open();
  sims.keyboard.Plug();
  const ProfileListControls& kb = plist::kLists[1];
  ASSERT_TRUE(Until([&] { return List(kb).CurrentIndex() == 0; })) << "selected on connect";
  ASSERT_TRUE(Until([&] { return profiles::ReadWholeFile(file).bytes != shaped; })) << "the connect saved the keyboard";
  const profiles::ProfileHistory history(file.parent_path());
  ASSERT_EQ(history.Versions("Mine.pro").size(), 1U);

  const ProfileRestoreService restore(
      *devices->Context().work, [this](std::function<void()> task) { wnd->UiLayer().Loop().Post(std::move(task)); },
      [this](DeviceKind kind, ProfileListKind list, const std::string& name) {
        lists->ProfileRestored(kind, list == kLight, name);
      });
  const std::string reply =
      restore.Serve({DeviceKind::kKeyboard, "1", file.parent_path().string(), "Mine.pro"});
  EXPECT_TRUE(reply.starts_with("OK ")) << reply;
  EXPECT_EQ(profiles::ReadWholeFile(file).bytes, shaped);
  const std::size_t bytes = 3 * wnd->Image().Read(DeviceKind::kKeyboard, [](const device::DeviceBlocks& b) {
    return std::size_t{b.info[device::kInfoLedCount]};
  });
  ASSERT_GT(bytes, 0u);
  const auto onDevice = [&] {
    return sims.keyboard.WithFirmware([](sim::Firmware& f) { return f.State().keyPages[0]; });
  };
  EXPECT_TRUE(Until([&] {
    return std::equal(mine.begin(), mine.begin() + static_cast<std::ptrdiff_t>(bytes), onDevice().begin());
  })) << "the keyboard holds the restored keys";
}

// The profile area follows the editor tabs: the key page shows the key list and its rename
// panel, the macro page disables the area, the lighting page brings the light list back.
TEST_F(ProfileListsTest, ProfileAreaFollowsTheEditorTabs) {
  Open();
  Get<ui::OptionControl>("kb_tab").Select(true, true);
  Press("kb_profile_fun_spread_btn");
  EXPECT_TRUE(Get("kb_profile_fun_spead_tab").IsVisible());
  Get<ui::OptionControl>("kb_key_Op_tab").Select(true, true);
  Pump();
  EXPECT_EQ(Get<ui::TabControl>("kb_profile_select_tab").CurrentPage(), 1);
  EXPECT_EQ(Get<ui::TabControl>("kb_profile_fun_spead_tab").CurrentPage(), 1);
  EXPECT_FALSE(Get("kb_profile_fun_spead_tab").IsVisible());
  EXPECT_TRUE(Get("kb_key_profile_edit").IsVisible());
  Get<ui::OptionControl>("kb_macro_Op_tab").Select(true, true);
  Pump();
  EXPECT_FALSE(Get("kb_profile_select_tab").IsEnabled());
  Get<ui::OptionControl>("kb_deng_Op_tab").Select(true, true);
  Pump();
  EXPECT_TRUE(Get("kb_profile_select_tab").IsEnabled());
  EXPECT_EQ(Get<ui::TabControl>("kb_profile_select_tab").CurrentPage(), 0);
  Press(kKbLight.renameToggle);
  EXPECT_FALSE(Get(kKbLight.renamePanel).IsVisible());
}

// Screenshots of the keyboard's profile area with several profiles, the buttons spread and the
// rename panel open, in both languages.
TEST_F(ProfileListsTest, ScreenshotsOfTheProfileArea) {
  const QString folder = qEnvironmentVariable("TAVRINEX_SCREENSHOTS");
  if (folder.isEmpty()) GTEST_SKIP() << "TAVRINEX_SCREENSHOTS not set";
  fs::create_directories(folder.toStdString());
  Prepare(DeviceKind::kKeyboard, kLight, {"Game", "Office", "新配置文件2", "Night"});
  Open();
  Choose(kKbLight, 2);
  QWidget* host = Host();
  host->show();
  Get<ui::OptionControl>("kb_tab").Select(true, true);
  Press("kb_profile_fun_spread_btn");
  for (const char* language : {"cn", "en"}) {
    Pump();
    ASSERT_TRUE(host->grab().save(folder + "/profile_area_kb_" + language + ".png"));
    wnd->SwitchLanguage();
  }
  // The list open, with its several profiles: the popup is a window of its own.
  auto& combo = Widget<QComboBox>(kKbLight.combo);
  combo.showPopup();
  Pump();
  ASSERT_TRUE(QGuiApplication::primaryScreen()->grabWindow(0, host->x(), host->y(), host->width(), host->height())
                  .save(folder + "/profile_area_kb_open.png"));
  combo.hidePopup();
  Get<ui::OptionControl>("ms_tab").Select(true, true);
  Get<ui::OptionControl>("ms_key_Op_tab").Select(true, true);
  Pump();
  ASSERT_TRUE(host->grab().save(folder + "/profile_area_ms_key.png"));
}

}  // namespace
}  // namespace tavrinex::app
