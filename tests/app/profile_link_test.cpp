// The link controls of the profile lists and the program chooser, through the real Qt layer
// offscreen with the shipped skin.
#include "app/profile_link_wiring.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/device_wiring.h"
#include "app/profile_lists.h"
#include "page_fixture.h"
#include "profiles/profile_catalogue.h"
#include "storage/ini_file.h"
#include "storage/settings_folder.h"
#include "sim/simulated_device.h"
#include "ui/qt/program_chooser_dialog.h"

namespace tavrinex::app {
namespace {

using device::DeviceKind;
constexpr profiles::ProfileListKind kLight = profiles::ProfileListKind::kLight;

ui::ProgramOffer Offer() {
  return {{{"Kate", "", "kate", "/usr/bin/kate"},
           {"Racer", "赛车", "/nonexistent/racer.png", "/opt/games/racer/racer"},
           {"Terminal", "终端", "utilities-terminal", "/usr/bin/xterm"}},
          {{"sleep", "", "", "/usr/bin/sleep"}, {"tavrinex", "", "", "/usr/local/bin/tavrinex"}}};
}

// Runs `act` on the chooser once it shows (it runs modally).
void WhenShown(std::function<void(QDialog&)> act) {
  QTimer::singleShot(0, [act = std::move(act)] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    act(*dialog);
  });
}

class ProgramChooserTest : public testing::Test, public test::PageWindow {
 protected:
  void SetUp() override {
    MakeWindow();
    wnd->Create();
    Pump();
    chooser = std::make_unique<ui::qt::ProgramChooserDialog>(*ui, Offer);
  }
  void TearDown() override {
    if (wnd) wnd->Destroy(false);
    DropWindow();
  }
  static QListWidget& List(QDialog& d) { return *d.findChild<QListWidget*>(ui::qt::kChooserList); }
  static QStringList Shown(QDialog& d) {
    QStringList shown;
    for (int i = 0; i < List(d).count(); ++i) {
      if (!List(d).item(i)->isHidden()) shown << List(d).item(i)->text();
    }
    return shown;
  }

  test::LightProfileDocuments documents;
  std::unique_ptr<ui::qt::ProgramChooserDialog> chooser;
};

TEST_F(ProgramChooserTest, OffersBothKindsAndReturnsTheChosenExecutable) {
  QStringList shown;
  WhenShown([&shown](QDialog& d) {
    shown = Shown(d);
    auto* ok = d.findChild<QPushButton*>(ui::qt::kChooserOk);
    EXPECT_FALSE(ok->isEnabled()) << "nothing chosen yet";
    d.findChild<QLineEdit*>(ui::qt::kChooserFilter)->setText("RAC");
    EXPECT_EQ(Shown(d), (QStringList{"已安装的应用程序", "赛车", "正在运行的程序"}));
    List(d).setCurrentRow(2);
    ok->click();
  });
  EXPECT_EQ(chooser->Choose(&wnd->Window()), "/opt/games/racer/racer");
  EXPECT_EQ(shown, (QStringList{"已安装的应用程序", "Kate", "赛车", "终端", "正在运行的程序", "sleep", "tavrinex"}));
}

TEST_F(ProgramChooserTest, CancelAndSectionTitlesChooseNothing) {
  wnd->SwitchLanguage();
  QStringList shown;
  WhenShown([&shown](QDialog& d) {
    shown = Shown(d);
    List(d).setCurrentRow(0);  // a section title
    EXPECT_FALSE(d.findChild<QPushButton*>(ui::qt::kChooserOk)->isEnabled());
    d.reject();
  });
  EXPECT_EQ(chooser->Choose(&wnd->Window()), std::nullopt);
  EXPECT_EQ(shown.front(), "Installed applications");
  EXPECT_TRUE(shown.contains("Racer"));
}

TEST_F(ProgramChooserTest, ScreenshotsOfTheProgramChooser) {
  const QString folder = qEnvironmentVariable("TAVRINEX_SCREENSHOTS");
  if (folder.isEmpty()) GTEST_SKIP() << "TAVRINEX_SCREENSHOTS not set";
  std::filesystem::create_directories(folder.toStdString());
  for (const char* language : {"cn", "en"}) {
    WhenShown([&folder, language](QDialog& d) {
      List(d).setCurrentRow(2);
      QApplication::processEvents();
      EXPECT_TRUE(d.grab().save(folder + "/link_chooser_" + language + ".png"));
      d.reject();
    });
    (void)chooser->Choose(&wnd->Window());
    wnd->SwitchLanguage();
  }
}

// The link controls and the switch over the window's profile lists: a keyboard light list of
// four profiles, a chooser that answers what the test says, and a desktop the test drives.
class ScriptedChooser final : public ui::ProgramChooser {
 public:
  std::optional<std::string> Choose(ui::Window*) override {
    ++asked;
    return answer;
  }
  std::optional<std::string> answer;
  int asked = 0;
};

class ScriptedDesktop final : public platform::ForegroundSource {
 public:
  explicit ScriptedDesktop(bool knows) : knows_(knows) {}
  std::string_view Name() const override { return "scripted"; }
  bool Knows() const override { return knows_; }
  void Start(Changed changed) override {
    const std::lock_guard lock(mutex_);
    changed_ = std::move(changed);
  }
  void Stop() override {
    const std::lock_guard lock(mutex_);
    changed_ = nullptr;
  }
  void Bring(const std::string& executable) {
    const std::lock_guard lock(mutex_);
    if (changed_) changed_(executable);
  }
  [[nodiscard]] bool Started() {
    const std::lock_guard lock(mutex_);
    return static_cast<bool>(changed_);
  }

 private:
  bool knows_;
  std::mutex mutex_;
  Changed changed_;
};

constexpr std::string_view kCombo = "kb_deng_profile_combo";
constexpr std::string_view kCheck = "kb_deng_profile_link_check";
constexpr std::string_view kEdit = "kb_deng_profile_link_edit";
constexpr std::string_view kRow = "kb_deng_profile_link_name_hor";
constexpr std::string_view kButton = "kb_deng_profile_link_btn";
constexpr const char* kGame = "/opt/games/racer/racer";

class ProfileLinkTest : public testing::Test, public test::PageWindow {
 protected:
  void SetUp() override { Build(true); }
  void Build(bool desktopKnows) {
    TearDown();
    documents = std::make_unique<test::LightProfileDocuments>();
    const profiles::ProfileCatalogue catalogue(DeviceKind::kKeyboard);
    (void)catalogue.SetCount(kLight, 4);
    for (int i = 0; i < 4; ++i) {
      const std::string name = "P" + std::to_string(i);
      (void)catalogue.SetName(kLight, i, name);
      std::filesystem::copy_file(std::filesystem::path(TAVRINEX_DEFAULTS) / "kbdengdefault.led",
                                 profiles::GetDeviceFolder(DeviceKind::kKeyboard) + name + ".led");
    }
    (void)catalogue.SetSelect(kLight, 1);
    desktop = std::make_unique<ScriptedDesktop>(desktopKnows);
    MakeWindow();
    devices = std::make_unique<DeviceWiring>(*wnd, bus, nullptr);
    lists = std::make_unique<ProfileLists>(*wnd, *devices, std::vector<std::filesystem::path>{TAVRINEX_DEFAULTS},
                                           nullptr, nullptr);
    links = std::make_unique<ProfileLinkWiring>(*wnd, *lists, chooser, *desktop);
    links->FollowConnects(devices->Context().window);
    wnd->Create();
    Settle();
    // The watcher starts on a worker thread of its own: a program brought to the front before
    // then would reach nobody.
    ASSERT_TRUE(PumpUntil([&] { return desktop->Started(); }));
    Settle();
    Host()->show();
    Get<ui::OptionControl>("kb_tab").Select(true, true);  // the keyboard's page, with its profile area
    Pump();
  }
  void TearDown() override {
    if (wnd) wnd->Destroy(false);
    links.reset();
    lists.reset();
    devices.reset();
    DropWindow();
    desktop.reset();
    documents.reset();
  }
  // Until the lists' file work and its display steps are done (the bound only ends a failing
  // test).
  void Settle() {
    Pump();
    EXPECT_TRUE(PumpUntil([&] { return !lists->Busy(); }));
  }
  void UserPicks(int index) {
    (void)Get<ui::ListControl>(kCombo).SelectItem(index);
    Settle();
  }
  void Bring(const std::string& executable) {
    desktop->Bring(executable);
    Settle();
    Settle();  // the selection's own file work
  }
  int Current() { return Get<ui::ListControl>(kCombo).CurrentIndex(); }
  bool Checked() { return Get<ui::OptionControl>(kCheck).IsSelected(); }
  static std::string Raw(std::string_view section, int entry) {
    return profiles::ReadIniString(profiles::CataloguePath(DeviceKind::kKeyboard), section, std::to_string(entry));
  }
  void LinkByCheck(int entry, std::optional<std::string> program) {
    UserPicks(entry);
    chooser.answer = std::move(program);
    Press(kCheck);
  }
  // The user's click on a button or check box of the (hidden) profile area.
  void Press(std::string_view name) {
    Widget<QAbstractButton>(name).click();
    Settle();
  }

  std::unique_ptr<test::LightProfileDocuments> documents;
  sim::SimulatedDevices sims{bus};
  std::unique_ptr<ScriptedDesktop> desktop;
  std::unique_ptr<DeviceWiring> devices;
  std::unique_ptr<ProfileLists> lists;
  std::unique_ptr<ProfileLinkWiring> links;
  ScriptedChooser chooser;
};

TEST_F(ProfileLinkTest, LinkedProgramInFrontAppliesItsProfileAndTheUsersChoiceStaysStored) {
  LinkByCheck(2, kGame);
  EXPECT_TRUE(Checked());
  EXPECT_EQ(Get(kEdit).Text(), "racer");
  EXPECT_TRUE(Get(kRow).IsVisible());
  EXPECT_EQ(Raw("PROFILELIKEDENGEXE", 2), "1");
  EXPECT_EQ(Raw("DENGPROCESS", 2), kGame);

  UserPicks(1);
  EXPECT_FALSE(Checked()) << "entry 1 is not linked";
  EXPECT_FALSE(Get(kRow).IsVisible());
  Bring(kGame);
  EXPECT_EQ(Current(), 2);
  EXPECT_EQ(Get("kb_deng_profile_name_edit").Text(), "P2") << "selected like a pick: shown and loaded";
  EXPECT_TRUE(Checked());
  EXPECT_EQ(profiles::ReadIniString(profiles::CataloguePath(DeviceKind::kKeyboard), "PROFILEDENGSELECT", "select"), "1");

  Bring("/usr/bin/kate");
  EXPECT_EQ(Current(), 1);
  Bring("/OPT/games/racer/RACER");  // another letter case
  EXPECT_EQ(Current(), 2);
  Bring("");                         // the desktop lost track
  EXPECT_EQ(Current(), 1);
  EXPECT_EQ(boxes, std::vector<std::string>{});
}

TEST_F(ProfileLinkTest, AKeyboardThatConnectsWhileTheLinkedProgramIsInFrontGetsItsProfile) {
  {
    const profiles::ProfileCatalogue catalogue(DeviceKind::kKeyboard);
    (void)catalogue.SetLinkFlag(kLight, 3, true);
    (void)catalogue.SetProgram(kLight, 3, kGame);
  }
  Bring(kGame);
  EXPECT_EQ(Current(), -1) << "no keyboard yet: nothing is selected";
  sims.keyboard.Plug();
  PumpUntil([&] {
    Settle();
    return Current() == 3;
  });
  EXPECT_EQ(Current(), 3);
  EXPECT_EQ(profiles::ReadIniString(profiles::CataloguePath(DeviceKind::kKeyboard), "PROFILEDENGSELECT", "select"), "1");
}

TEST_F(ProfileLinkTest, TheCheckRefusesAProgramLinkedElsewhereTheButtonTakesIt) {
  LinkByCheck(2, kGame);
  LinkByCheck(1, "/OPT/Games/racer/racer");
  EXPECT_EQ(boxes, (std::vector<std::string>{"message_text_13"}));
  EXPECT_FALSE(Checked());
  EXPECT_FALSE(Get(kRow).IsVisible());
  EXPECT_EQ(Raw("PROFILELIKEDENGEXE", 1), "0");
  EXPECT_EQ(Raw("DENGPROCESS", 1), " ");

  chooser.answer = kGame;
  Press(kButton);
  EXPECT_TRUE(Checked());
  EXPECT_EQ(Raw("DENGPROCESS", 1), kGame);
  UserPicks(3);
  Bring(kGame);
  EXPECT_EQ(Current(), 1) << "the lower entry wins";
}

TEST_F(ProfileLinkTest, CancelOrAPathThatIsNoProgramLeavesTheEntryUnlinked) {
  for (const std::optional<std::string>& program : {std::optional<std::string>{}, std::optional<std::string>("racer.exe")}) {
    LinkByCheck(3, program);
    EXPECT_FALSE(Checked()) << program.value_or("(cancelled)");
    EXPECT_EQ(Raw("PROFILELIKEDENGEXE", 3), "0");
    EXPECT_EQ(Raw("DENGPROCESS", 3), " ");
  }
  // Unticking a linked entry unlinks it.
  LinkByCheck(3, kGame);
  Press(kCheck);
  EXPECT_EQ(Raw("DENGPROCESS", 3), " ");
  EXPECT_FALSE(Get(kRow).IsVisible());
  EXPECT_TRUE(boxes.empty());
}

TEST_F(ProfileLinkTest, WithoutACurrentEntryTheCheckLinksNothing) {
  chooser.answer = kGame;
  Press(kCheck);
  EXPECT_EQ(chooser.asked, 0);
  EXPECT_FALSE(Checked());
  EXPECT_EQ(Raw("PROFILELIKEDENGEXE", -1), "0");
}

TEST_F(ProfileLinkTest, ADesktopThatDoesNotTellSaysSoInBothLanguages) {
  Build(false);
  for (const auto& g : profiles::kAutoSwitchGroups) {
    const std::string prefix(g.linkPrefix);
    EXPECT_FALSE(Get(prefix + "check").IsEnabled()) << prefix;
    EXPECT_FALSE(Get(prefix + "btn").IsEnabled()) << prefix;
    EXPECT_TRUE(Get(prefix + "name_hor").IsVisible()) << prefix;
  }
  EXPECT_EQ(Get(kEdit).Text(), "当前桌面不支持");
  EXPECT_EQ(Get(kCheck).ToolTip(), "当前桌面不告诉程序哪个窗口在最前面，配置无法跟随正在使用的程序切换。");
  wnd->SwitchLanguage();
  EXPECT_EQ(Get(kEdit).Text(), "Not offered here");
  EXPECT_EQ(Get(kCheck).ToolTip(), ui->Translate("link_no_foreground"));
  EXPECT_TRUE(Get(kCheck).ToolTip().starts_with("This desktop")) << Get(kCheck).ToolTip();
  UserPicks(2);  // an unlinked entry keeps the note
  EXPECT_TRUE(Get(kRow).IsVisible());
}

TEST_F(ProfileLinkTest, ScreenshotsOfTheLinkControls) {
  const QString folder = qEnvironmentVariable("TAVRINEX_SCREENSHOTS");
  if (folder.isEmpty()) GTEST_SKIP() << "TAVRINEX_SCREENSHOTS not set";
  std::filesystem::create_directories(folder.toStdString());
  QWidget* host = Host();
  host->resize(1000, 740);
  LinkByCheck(2, kGame);
  for (const bool knows : {true, false}) {
    for (const char* language : {"cn", "en"}) {
      Get<ui::OptionControl>("kb_tab").Select(true, true);
      Pump();
      const QString name = QString("/link_controls_%1_%2.png").arg(knows ? "x11" : "unknown", language);
      ASSERT_TRUE(host->grab().save(folder + name));
      wnd->SwitchLanguage();
    }
    if (knows) {
      Build(false);
      host = Host();
      host->resize(1000, 740);
      UserPicks(1);
    }
  }
}

}  // namespace
}  // namespace tavrinex::app
