// The skin chooser over the main window, on the real Qt layer offscreen with the shipped
// skin: what each choice shows, what survives a restart, the popups' own closing, and a
// stored background that cannot be shown.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <QFileDialog>
#include <QPainter>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/main_wnd.h"
#include "appearance/skin_frame.h"
#include "profiles/profile_catalogue.h"
#include "sim/sim_bus.h"
#include "storage/ini_file.h"
#include "storage/settings_folder.h"
#include "ui/qt/qt_controls.h"
#include "ui/qt/qt_ui.h"
#include "ui/qt/qt_window.h"

namespace tavrinex::app {
namespace {

using appearance::CSkinFrame;

QWidget* WidgetOf(ui::Control* control) {
  auto* qt = dynamic_cast<ui::qt::QtControl*>(control);
  return qt != nullptr ? qt->Widget() : nullptr;
}

QWidget* HostOf(ui::Window& window) { return dynamic_cast<ui::qt::QtWindow&>(window).HostWidget(); }

class SkinChooserTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "tavrinex-skin-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    ::setenv(profiles::kDocumentsOverrideVariable, (root_ / "Documents").c_str(), 1);
    ui_ = std::make_unique<ui::qt::QtUi>(TAVRINEX_SKIN);
    Start();
  }
  void TearDown() override {
    wnd_.reset();
    ui_.reset();
    ::unsetenv(profiles::kDocumentsOverrideVariable);
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }

  // A start of the program: a new main window (the old one goes first, as at exit).
  void Start() {
    wnd_.reset();
    MainWndEnvironment env;
    env.diagnostic = [this](std::string_view l) {
      const std::lock_guard lock(mutex_);
      lines_.emplace_back(l);
    };
    env.sleep = [](std::chrono::milliseconds) {};
    wnd_ = std::make_unique<CMainWnd>(*ui_, bus_, env);
    wnd_->Create();
    Pump();
  }
  void Pump() {
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
  }
  bool Logged(const std::string& part) {
    const std::lock_guard lock(mutex_);
    for (const auto& l : lines_) {
      if (l.find(part) != std::string::npos) return true;
    }
    return false;
  }
  ui::Control& Root() { return *wnd_->Window().Find("root"); }

  // Clicks "skinbtn" as the user does; the new popup.
  CSkinFrame& OpenChooser() {
    QTest::mouseClick(WidgetOf(wnd_->Window().Find("skinbtn")), Qt::LeftButton);
    Pump();
    return *wnd_->Chooser().Frames().back();
  }
  // The index-th button of that name in the popup (several share a name).
  static QAbstractButton* Button(CSkinFrame& frame, const char* name, int index = 0) {
    const auto buttons = HostOf(frame.WindowOf())->findChildren<QAbstractButton*>(name);
    return index < buttons.size() ? buttons[index] : nullptr;
  }
  void Click(QAbstractButton* button) {
    ASSERT_NE(button, nullptr);
    QTest::mouseClick(button, Qt::LeftButton);
    Pump();
  }
  std::string Ini(const char* key) {
    wnd_->Chooser().Store().WaitIdle();
    return profiles::ReadIniString(profiles::MainIniPath(), "SKINIMAGE", key);
  }
  // Answers the next file dialog with `file`, or cancels it when `file` is empty: looks for
  // it every few milliseconds, as it opens a moment after the click (the bound only ends a
  // failing test).
  static void AnswerFileDialog(const QString& file) {
    auto* poll = new QTimer;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    QObject::connect(poll, &QTimer::timeout, [poll, file, end] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      if (dialog == nullptr) {
        if (std::chrono::steady_clock::now() > end) {
          ADD_FAILURE() << "no file dialog opened";
          poll->deleteLater();
        }
        return;
      }
      poll->deleteLater();
      poll->stop();
      EXPECT_EQ(dialog->nameFilters(), QStringList({"(*.png)", "(*)"}));
      EXPECT_EQ(dialog->defaultSuffix(), "png");
      EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFile);
      if (file.isEmpty()) {
        dialog->reject();
      } else {
        dialog->selectFile(file);
        static_cast<QDialog*>(dialog)->accept();  // the dialog's own accept, public in QDialog
      }
    });
    poll->start(5);
  }
  std::filesystem::path WriteFile(const std::string& name, const std::string& bytes) {
    const auto file = root_ / name;
    std::ofstream(file, std::ios::binary) << bytes;
    return file;
  }

  std::filesystem::path root_;
  std::mutex mutex_;
  std::vector<std::string> lines_;
  sim::SimBus bus_;
  std::unique_ptr<ui::qt::QtUi> ui_;
  std::unique_ptr<CMainWnd> wnd_;
};

TEST_F(SkinChooserTest, ThePopupIsABorderlessPopupRightAlignedUnderTheSkinButton) {
  CSkinFrame& frame = OpenChooser();
  QWidget* popup = HostOf(frame.WindowOf());
  EXPECT_TRUE(popup->isVisible());
  EXPECT_EQ(popup->windowType(), Qt::Popup);
  EXPECT_TRUE(popup->windowFlags().testFlag(Qt::FramelessWindowHint));
  EXPECT_TRUE(popup->testAttribute(Qt::WA_ShowWithoutActivating));
  EXPECT_EQ(popup->size(), QSize(312, 262)) << "the size skin.xml declares";
  QWidget* button = WidgetOf(wnd_->Window().Find("skinbtn"));
  ASSERT_NE(button, nullptr);
  const QPoint corner = button->mapToGlobal(QPoint(button->width(), button->height()));
  EXPECT_EQ(popup->x() + popup->width(), corner.x());
  EXPECT_EQ(popup->y(), corner.y());
  // Its two pages, by the two page buttons.
  auto* tab = frame.WindowOf().Find<ui::TabControl>("skin_tab");
  ASSERT_NE(tab, nullptr);
  EXPECT_EQ(tab->CurrentPage(), 0);
  Click(Button(frame, "skin_color"));
  EXPECT_EQ(tab->CurrentPage(), 1);
  Click(Button(frame, "skin_image"));
  EXPECT_EQ(tab->CurrentPage(), 0);
}

// What the skin offers: several image and colour buttons, each image one that can be shown.
TEST_F(SkinChooserTest, EveryOfferedImageCanBeShownAndEveryColourIsOpaque) {
  CSkinFrame& frame = OpenChooser();
  const auto images = HostOf(frame.WindowOf())->findChildren<QAbstractButton*>("skin_image_btn");
  const auto colours = HostOf(frame.WindowOf())->findChildren<QAbstractButton*>("skin_color_btn");
  EXPECT_GE(images.size(), 4);
  EXPECT_GE(colours.size(), 6);
  for (QAbstractButton* b : images) {
    const std::string image = b->property("userdata").toString().toStdString();
    EXPECT_EQ(ui_->ImageProblem(image), "") << image;
    EXPECT_EQ(ui_->ImageProblem(b->property("bkimage").toString().toStdString()), "") << image;
  }
  EXPECT_EQ(ui_->ImageProblem(std::string(appearance::kResetImage)), "");
  for (const char* name : {"skin_reset", "skin_Custom", "skin_image", "skin_color"}) {
    EXPECT_NE(Button(frame, name), nullptr) << name;
  }
}

// An offered image is shown at once, stays after a choice of colour, and comes back at the
// next start; the popup stays open after each choice.
TEST_F(SkinChooserTest, AnImageChoiceIsRememberedAndAColourChoiceIsNot) {
  CSkinFrame& frame = OpenChooser();
  Click(Button(frame, "skin_image_btn", 1));
  EXPECT_EQ(Root().BackgroundImage(), "skins/nebula.png");
  EXPECT_EQ(Root().BackgroundColor(), 0u);
  EXPECT_EQ(Ini("FLAGS"), "1");
  EXPECT_EQ(Ini("IMAGE"), "skins/nebula.png");
  EXPECT_TRUE(frame.IsOpen());

  Click(Button(frame, "skin_color"));
  Click(Button(frame, "skin_color_btn", 1));
  EXPECT_EQ(Root().BackgroundColor(), 0xFF0E1A2Bu);
  EXPECT_EQ(Root().BackgroundImage(), "");
  EXPECT_EQ(Ini("FLAGS"), "1");
  EXPECT_EQ(Ini("IMAGE"), "skins/nebula.png") << "a colour is not remembered";

  Start();
  EXPECT_EQ(Root().BackgroundImage(), "skins/nebula.png");
  EXPECT_EQ(Root().BackgroundColor(), 0u);
}

// The reset shows its image now, but the next start keeps the skin's own background.
TEST_F(SkinChooserTest, AResetIsShownNowAndLeavesTheSkinsOwnBackgroundAfterARestart) {
  CSkinFrame& frame = OpenChooser();
  Click(Button(frame, "skin_image_btn", 0));
  Click(Button(frame, "skin_reset"));
  EXPECT_EQ(Root().BackgroundImage(), "common/background.png");
  EXPECT_EQ(Ini("FLAGS"), "0");
  EXPECT_EQ(Ini("IMAGE"), "common/background.png");
  Start();
  EXPECT_EQ(Root().BackgroundImage(), "");
  EXPECT_EQ(Root().BackgroundColor(), 0u);
}

// A PNG of the user's own: the popup closes as the dialog takes the focus; the file is shown
// at once and gone after a restart. Cancelling changes nothing.
TEST_F(SkinChooserTest, ACustomPngIsShownButNotRememberedAndCancellingChangesNothing) {
  CSkinFrame& first = OpenChooser();
  Click(Button(first, "skin_image_btn", 2));
  QImage picture(40, 30, QImage::Format_RGB32);
  picture.fill(Qt::darkCyan);
  const auto custom = root_ / "mine.png";
  ASSERT_TRUE(picture.save(QString::fromStdString(custom.string())));

  AnswerFileDialog(QString::fromStdString(custom.string()));
  Click(Button(first, "skin_Custom"));
  Pump();
  EXPECT_TRUE(wnd_->Chooser().Frames().empty()) << "the popup closed and was freed";
  EXPECT_EQ(Root().BackgroundImage(), custom.string());
  EXPECT_EQ(Ini("FLAGS"), "1");
  EXPECT_EQ(Ini("IMAGE"), "skins/ember.png");

  CSkinFrame& second = OpenChooser();
  AnswerFileDialog({});
  Click(Button(second, "skin_Custom"));
  Pump();
  EXPECT_EQ(Root().BackgroundImage(), custom.string());

  Start();
  EXPECT_EQ(Root().BackgroundImage(), "skins/ember.png");
}

// Two popups opened one after the other: each closes on its own loss of focus (a press
// outside it), and a closed popup is freed.
TEST_F(SkinChooserTest, TwoPopupsCloseIndependently) {
  CSkinFrame& first = OpenChooser();
  CSkinFrame& second = OpenChooser();
  ASSERT_NE(&first, &second);
  QWidget* firstHost = HostOf(first.WindowOf());
  QWidget* secondHost = HostOf(second.WindowOf());
  EXPECT_TRUE(firstHost->isVisible());
  EXPECT_TRUE(secondHost->isVisible());
  QTest::mousePress(secondHost, Qt::LeftButton, {}, QPoint(-20, -20));
  EXPECT_FALSE(second.IsOpen());
  EXPECT_TRUE(first.IsOpen());
  EXPECT_TRUE(firstHost->isVisible());
  Pump();
  ASSERT_EQ(wnd_->Chooser().Frames().size(), 1u);
  EXPECT_EQ(wnd_->Chooser().Frames()[0], &first);
  QTest::mousePress(firstHost, Qt::LeftButton, {}, QPoint(-20, -20));
  EXPECT_FALSE(first.IsOpen());
  Pump();
  EXPECT_TRUE(wnd_->Chooser().Frames().empty());
}

// The window going to the tray takes its open popups with it; they are freed as on a click
// outside.
TEST_F(SkinChooserTest, HidingTheWindowClosesItsPopups) {
  CSkinFrame& frame = OpenChooser();
  QWidget* popup = HostOf(frame.WindowOf());
  ASSERT_TRUE(popup->isVisible());
  wnd_->Window().Hide();
  EXPECT_FALSE(popup->isVisible());
  EXPECT_FALSE(frame.IsOpen());
  Pump();
  EXPECT_TRUE(wnd_->Chooser().Frames().empty());
}

// A stored background that is missing or is no image keeps the background as it was, and a
// diagnostic line says why; so does such a choice while the program runs.
TEST_F(SkinChooserTest, AStoredBackgroundThatCannotBeShownKeepsTheBackgroundAndSaysWhy) {
  const auto text = WriteFile("notes.png", "these are not the pixels you are looking for");
  struct Case {
    std::string image;
    const char* why;
  };
  for (const Case& c : {Case{"skins/no_such.png", "no such file"},
                        Case{text.string(), "not an image"}}) {
    ASSERT_TRUE(profiles::WriteIniString(profiles::MainIniPath(), "SKINIMAGE", "FLAGS", "1"));
    ASSERT_TRUE(profiles::WriteIniString(profiles::MainIniPath(), "SKINIMAGE", "IMAGE", c.image));
    Start();
    EXPECT_EQ(Root().BackgroundImage(), "") << c.image;
    EXPECT_TRUE(Logged("background \"" + c.image + "\" not applied: " + c.why)) << c.image;
  }
  CSkinFrame& frame = OpenChooser();
  Click(Button(frame, "skin_image_btn", 3));
  EXPECT_EQ(Root().BackgroundImage(), "skins/grid.png");
  (void)appearance::SkinObserver().Publish({false, 0, text.string()});
  EXPECT_EQ(Root().BackgroundImage(), "skins/grid.png") << "the shown background stays";
}

// The skin chooser open over the main window in both languages, and the window with another
// background.
TEST_F(SkinChooserTest, Screenshots) {
  const QString folder = qEnvironmentVariable("TAVRINEX_SCREENSHOTS");
  if (folder.isEmpty()) GTEST_SKIP() << "TAVRINEX_SCREENSHOTS not set";
  std::filesystem::create_directories(folder.toStdString());
  QWidget* host = HostOf(wnd_->Window());
  // The whole skin (its own size), so that the skin button is in the picture.
  wnd_->Window().Resize(1000, 740);
  Pump();
  // The popup is a window of its own: laid over the main window's picture where it is.
  const auto shoot = [&](const QString& name, CSkinFrame* frame) {
    QImage image = host->grab().toImage();
    if (frame != nullptr) {
      QWidget* popup = HostOf(frame->WindowOf());
      QPainter painter(&image);
      painter.drawPixmap(popup->mapToGlobal(QPoint(0, 0)) - host->mapToGlobal(QPoint(0, 0)),
                         popup->grab());
    }
    ASSERT_TRUE(image.save(folder + "/" + name));
  };
  for (const char* language : {"cn", "en"}) {
    CSkinFrame& frame = OpenChooser();
    shoot(QString("skin_chooser_images_%1.png").arg(language), &frame);
    Click(Button(frame, "skin_color"));
    shoot(QString("skin_chooser_colours_%1.png").arg(language), &frame);
    frame.WindowOf().Close(0);
    Pump();
    wnd_->SwitchLanguage();
  }
  CSkinFrame& frame = OpenChooser();
  Click(Button(frame, "skin_image_btn", 0));
  frame.WindowOf().Close(0);
  Pump();
  shoot("background_aurora.png", nullptr);
  CSkinFrame& again = OpenChooser();
  Click(Button(again, "skin_image_btn", 3));
  again.WindowOf().Close(0);
  Pump();
  shoot("background_grid.png", nullptr);
  // The progress indicator, with its circle progress.
  wnd_->Window().Find("setting_progress")->SetVisible(true);
  Pump();
  ASSERT_TRUE(host->grab(QRect(360, 650, 280, 72)).save(folder + "/setting_progress.png"));
}

}  // namespace
}  // namespace tavrinex::app
