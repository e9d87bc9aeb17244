// The link controls of the profile lists and the program chooser, through the real Qt layer
// offscreen with the shipped skin.
#include "app/profile_link_wiring.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "page_fixture.h"
#include "sim/sim_bus.h"
#include "ui/qt/program_chooser_dialog.h"
#include "ui/qt/qt_ui.h"

namespace tavrinex::app {
namespace {

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

class ProgramChooserTest : public testing::Test, public test::PageDriver {
 protected:
  void SetUp() override {
    ui = std::make_unique<ui::qt::QtUi>(TAVRINEX_SKIN);
    MainWndEnvironment env;
    env.diagnostic = [](std::string_view) {};
    env.sleep = [](std::chrono::milliseconds) {};
    wnd = std::make_unique<CMainWnd>(*ui, bus, env);
    wnd->Create();
    Pump();
    chooser = std::make_unique<ui::qt::ProgramChooserDialog>(*ui, Offer);
  }
  void TearDown() override {
    if (wnd) wnd->Destroy(false);
    wnd.reset();
    ui.reset();
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
  sim::SimBus bus;
  std::unique_ptr<ui::qt::QtUi> ui;
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

}  // namespace
}  // namespace tavrinex::app
