#include "profiles/auto_switch.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <array>
#include <deque>
#include <functional>
#include <string>

#include "platform/foreground.h"
#include "temp_documents.h"

namespace tavrinex::profiles {
namespace {

using device::DeviceKind;
constexpr ProfileListKind kLight = ProfileListKind::kLight;
constexpr ProfileListKind kKey = ProfileListKind::kKey;
constexpr std::size_t kKbLight = 0;
constexpr std::size_t kMsKey = 3;
constexpr std::string_view kGame = "/opt/games/Racer/racer";
constexpr std::string_view kEditor = "/usr/bin/kate";

// A desktop whose active window the test moves.
class FakeForeground final : public platform::ForegroundSource {
 public:
  std::string_view Name() const override { return "fake"; }
  bool Knows() const override { return true; }
  void Start(Changed changed) override {
    changed_ = std::move(changed);
    changed_("");
  }
  void Stop() override { stopped = true; }
  void Bring(std::string_view executable) { changed_(std::string(executable)); }
  bool stopped = false;

 private:
  Changed changed_;
};

// The five lists as the profile selection drives them: selecting an item that is not current
// loads it; a user's pick also stores its index as the catalogue's "select".
class FakeLists final : public ProfileListAccess {
 public:
  int Count(std::size_t group) const override { return count[group]; }
  int Current(std::size_t group) const override { return current[group]; }
  void Select(std::size_t group, int index) override {
    if (current[group] == index) return;
    current[group] = index;
    ++loads[group];
  }
  void UserPicks(std::size_t group, int index) {
    Select(group, index);
    const AutoSwitchGroup& g = kAutoSwitchGroups[group];
    (void)ProfileCatalogue(g.kind).SetSelect(g.list, index);
  }
  std::array<int, 5> count{};
  std::array<int, 5> current{-1, -1, -1, -1, -1};
  std::array<int, 5> loads{};
};

class AutoSwitchTest : public testing::TempDocuments {
 protected:
  void SetUp() override {
    TempDocuments::SetUp();
    for (const DeviceKind kind : device::kAllDeviceKinds) {
      for (const ProfileListKind list : {kLight, kKey}) {
        if (!HasList(kind, list)) continue;
        const ProfileCatalogue c(kind);
        ASSERT_TRUE(c.SetCount(list, 4));
        ASSERT_TRUE(c.SetSelect(list, 1));
      }
    }
    lists_.count.fill(4);
    lists_.current.fill(1);  // the devices connected with the user's items
    watcher_.Start(source_);
    RunUi();
  }
  void TearDown() override {
    watcher_.Stop();
    TempDocuments::TearDown();
  }

  static void Link(std::size_t group, int index, std::string_view program) {
    const AutoSwitchGroup& g = kAutoSwitchGroups[group];
    ASSERT_TRUE(ProfileCatalogue(g.kind).SetLinkFlag(g.list, index, true));
    ASSERT_TRUE(ProfileCatalogue(g.kind).SetProgram(g.list, index, program));
  }
  static int StoredSelect(std::size_t group) {
    const AutoSwitchGroup& g = kAutoSwitchGroups[group];
    return ProfileCatalogue(g.kind).Select(g.list);
  }
  // Identifies the file version: every write replaces the file.
  static ino_t Inode(DeviceKind kind) {
    struct stat st {};
    return ::stat(CataloguePath(kind).c_str(), &st) == 0 ? st.st_ino : 0;
  }
  void Bring(std::string_view executable) {
    source_.Bring(executable);
    RunUi();
  }
  void RunUi() {
    while (!ui_.empty()) {
      auto task = std::move(ui_.front());
      ui_.pop_front();
      task();
    }
  }

  std::deque<std::function<void()>> ui_;
  FakeLists lists_;
  FakeForeground source_;
  AutoSwitchWatcher watcher_{lists_, [this](std::function<void()> task) { ui_.push_back(std::move(task)); }};
};

TEST_F(AutoSwitchTest, LinkedProgramInFrontSelectsItsProfileAndKeepsTheUsersChoiceStored) {
  Link(kKbLight, 2, kGame);
  source_.Bring(kGame);
  EXPECT_EQ(lists_.current[kKbLight], 1) << "the selection waits for the UI thread";
  RunUi();
  EXPECT_EQ(lists_.current[kKbLight], 2);
  EXPECT_EQ(lists_.loads[kKbLight], 1);
  EXPECT_EQ(StoredSelect(kKbLight), 1);
  // The other lists have no link: nothing loaded there.
  EXPECT_EQ(lists_.loads[1] + lists_.loads[2] + lists_.loads[3] + lists_.loads[4], 0);

  Bring(kEditor);
  EXPECT_EQ(lists_.current[kKbLight], 1);
  EXPECT_EQ(lists_.loads[kKbLight], 2);
  EXPECT_EQ(StoredSelect(kKbLight), 1);
}

TEST_F(AutoSwitchTest, ChangesThatKeepTheItemLoadNothingAndTheWatcherWritesNothing) {
  Link(kKbLight, 2, kGame);
  const ino_t before = Inode(DeviceKind::kKeyboard);
  Bring(kEditor);
  Bring("/usr/bin/firefox");
  Bring("");
  EXPECT_EQ(lists_.loads, (std::array<int, 5>{}));
  Bring(kGame);
  Bring(kGame);  // another window of the same program
  EXPECT_EQ(lists_.loads[kKbLight], 1);
  Bring(kEditor);
  EXPECT_EQ(lists_.loads[kKbLight], 2);
  EXPECT_EQ(Inode(DeviceKind::kKeyboard), before) << "the catalogue was rewritten";
}

TEST_F(AutoSwitchTest, TheUsersLaterChoiceComesBackAfterTheLinkedProgram) {
  Link(kMsKey, 3, kGame);
  Bring(kGame);
  EXPECT_EQ(lists_.current[kMsKey], 3);
  // Back in this program the user picks item 0 (the list stores it as "select").
  Bring(kEditor);
  lists_.UserPicks(kMsKey, 0);
  Bring(kGame);
  EXPECT_EQ(lists_.current[kMsKey], 3);
  EXPECT_EQ(StoredSelect(kMsKey), 0);
  Bring(kEditor);
  EXPECT_EQ(lists_.current[kMsKey], 0);
}

TEST_F(AutoSwitchTest, TheLowestLinkedEntryWinsAndLetterCaseDoesNotMatter) {
  Link(kKbLight, 3, kGame);
  Link(kKbLight, 2, "/OPT/Games/racer/RACER");
  Bring(kGame);
  EXPECT_EQ(lists_.current[kKbLight], 2);
}

TEST_F(AutoSwitchTest, LinksThatCannotMatchLeaveTheUsersItem) {
  const AutoSwitchGroup& g = kAutoSwitchGroups[kKbLight];
  const ProfileCatalogue c(g.kind);
  Link(kKbLight, 0, "C:\\Games\\racer.exe");    // from a copied Windows folder
  ASSERT_TRUE(c.SetLinkFlag(g.list, 2, true));    // flag without a program: reads "0"
  Link(kKbLight, 3, kGame);
  ASSERT_TRUE(c.SetLinkFlag(g.list, 3, false));  // unlinked, path still there
  for (const std::string_view front : {std::string_view("C:\\Games\\racer.exe"), std::string_view("0"),
                                       kGame, std::string_view("/opt/games/Racer"), std::string_view("")}) {
    Bring(front);
    EXPECT_EQ(lists_.current[kKbLight], 1) << front;
  }
  EXPECT_EQ(lists_.loads[kKbLight], 0);
}

TEST_F(AutoSwitchTest, TheUsersIndexOutsideTheListSelectsNothing) {
  Link(kKbLight, 2, kGame);
  ASSERT_TRUE(ProfileCatalogue(DeviceKind::kKeyboard).SetSelect(kLight, 9));
  Bring(kGame);
  Bring(kEditor);
  EXPECT_EQ(lists_.current[kKbLight], 2) << "no item 9 to go back to";
  EXPECT_EQ(StoredSelect(kKbLight), 9);
}

TEST_F(AutoSwitchTest, ListsWaitForTheirDeviceAndFollowOnceItConnects) {
  Link(kKbLight, 2, kGame);
  lists_.current[kKbLight] = -1;  // no keyboard yet
  Bring(kGame);
  Bring(kEditor);
  EXPECT_EQ(lists_.current[kKbLight], -1);
  EXPECT_EQ(lists_.loads[kKbLight], 0);
  Bring(kGame);
  lists_.current[kKbLight] = 1;  // the connect makes the remembered item current
  watcher_.Refresh();
  RunUi();
  EXPECT_EQ(lists_.current[kKbLight], 2);
}

TEST_F(AutoSwitchTest, AfterStopQueuedSelectionsDoNothing) {
  Link(kKbLight, 2, kGame);
  source_.Bring(kGame);
  watcher_.Stop();
  EXPECT_TRUE(source_.stopped);
  RunUi();
  EXPECT_EQ(lists_.current[kKbLight], 1);
}

TEST(SameProgram, ComparesWholeAbsolutePathsIgnoringLetterCase) {
  struct Case {
    std::string_view linked, executable;
    bool same;
  };
  constexpr Case kCases[] = {
      {"/usr/bin/kate", "/usr/bin/kate", true},
      {"/usr/bin/KATE", "/USR/bin/kate", true},
      {"/usr/bin/kate", "/usr/local/bin/kate", false},  // same program, other folder
      {"/usr/bin/kate", "/usr/bin/kate2", false},
      {"kate", "kate", false},                           // not an absolute path
      {"C:\\Games\\a.exe", "C:\\Games\\a.exe", false},   // Windows path
      {"0", "0", false},
      {" ", " ", false},
      {"", "", false},
  };
  for (const Case& c : kCases) EXPECT_EQ(SameProgram(c.linked, c.executable), c.same) << c.linked;
}

}  // namespace
}  // namespace tavrinex::profiles
