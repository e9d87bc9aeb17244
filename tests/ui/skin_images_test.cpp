// What the skin chooser needs of the UI layer: buttons sharing a name, backgrounds given by
// the layout, background images found in the skin folder wherever the program was started,
// the check of an image before it is shown, and popups.
#include <unistd.h>

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <filesystem>

#include "ui_fixture.h"

namespace tavrinex::ui::test {
namespace {

constexpr QRgb kPicture = 0xFF336699;

// A skin of one small layout: three buttons named "pick", one with a colour, one with an
// image, and a solid picture beside it.
class SkinImagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder.isValid());
    QImage picture(8, 8, QImage::Format_RGB32);
    picture.fill(kPicture);
    ASSERT_TRUE(QDir(folder.path()).mkpath("pictures"));
    ASSERT_TRUE(picture.save(folder.filePath("pictures/solid.png")));
    QFile text(folder.filePath("pictures/text.png"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("not a picture at all");
    text.close();
    QFile layout(folder.filePath("pick.ui"));
    ASSERT_TRUE(layout.open(QIODevice::WriteOnly));
    layout.write(R"(<?xml version="1.0" encoding="UTF-8"?>
<ui version="4.0"><widget class="QWidget" name="root">
<property name="geometry"><rect><x>0</x><y>0</y><width>200</width><height>80</height></rect></property>
<property name="styleSheet"><string>QPushButton { border: none; }</string></property>
<widget class="QPushButton" name="pick"><property name="geometry"><rect><x>10</x><y>10</y><width>40</width><height>40</height></rect></property><property name="userdata" stdset="0"><string>a</string></property><property name="bkcolor" stdset="0"><string>#102030</string></property></widget>
<widget class="QPushButton" name="pick"><property name="geometry"><rect><x>60</x><y>10</y><width>40</width><height>40</height></rect></property><property name="userdata" stdset="0"><string>b</string></property><property name="bkimage" stdset="0"><string>pictures/solid.png</string></property></widget>
<widget class="QPushButton" name="pick"><property name="geometry"><rect><x>110</x><y>10</y><width>40</width><height>40</height></rect></property><property name="userdata" stdset="0"><string>c</string></property></widget>
</widget></ui>)");
    layout.close();
    ui = std::make_unique<qt::QtUi>(folder.path().toStdString());
    window = ui->CreateWindow({"pick.ui", "", nullptr, 0, 0, false}, handler);
    window->Show();
  }
  QWidget* Host() { return dynamic_cast<qt::QtWindow&>(*window).HostWidget(); }
  QList<QAbstractButton*> Picks() { return Host()->findChildren<QAbstractButton*>("pick"); }

  QTemporaryDir folder;
  RecordingHandler handler;
  std::unique_ptr<qt::QtUi> ui;
  std::unique_ptr<Window> window;
};

TEST_F(SkinImagesTest, ButtonsSharingANameEachRaiseItUnderThatNameWithTheirOwnUserData) {
  std::vector<std::string> data;
  handler.onNotify = [&](const Notification& n) {
    if (n.type == EventType::kClick) data.push_back(n.senderName + ":" + n.sender->UserData());
  };
  ASSERT_EQ(Picks().size(), 3);
  for (QAbstractButton* b : Picks()) QTest::mouseClick(b, Qt::LeftButton);
  EXPECT_EQ(data, (std::vector<std::string>{"pick:a", "pick:b", "pick:c"}));
  EXPECT_EQ(window->Find("pick")->UserData(), "a") << "look-up finds the first";
}

TEST_F(SkinImagesTest, TheLayoutsBackgroundColourAndImageAreTheControlsAndAreDrawn) {
  EXPECT_EQ(window->Find("pick")->BackgroundColor(), 0xFF102030u);
  const QImage image = Host()->grab().toImage();
  EXPECT_EQ(image.pixel(30, 30), 0xFF102030u);
  EXPECT_EQ(image.pixel(80, 30), kPicture);
}

// A style sheet would look for a relative image in the working directory.
TEST_F(SkinImagesTest, ABackgroundImageIsFoundInTheSkinFolderWhereverTheProgramRuns) {
  const auto cwd = std::filesystem::current_path();
  std::filesystem::current_path("/");
  window->Find("root")->SetBackgroundImage("pictures/solid.png");
  const QImage image = Host()->grab().toImage();
  std::filesystem::current_path(cwd);
  EXPECT_EQ(image.pixel(180, 70), kPicture);
  // An absolute path is taken as it is.
  window->Find("root")->SetBackgroundImage("");
  EXPECT_NE(Host()->grab().toImage().pixel(180, 70), kPicture);
  window->Find("root")->SetBackgroundImage(folder.filePath("pictures/solid.png").toStdString());
  EXPECT_EQ(Host()->grab().toImage().pixel(180, 70), kPicture);
}

TEST_F(SkinImagesTest, AnImageIsCheckedBeforeItIsShown) {
  EXPECT_EQ(ui->ImageProblem("pictures/solid.png"), "");
  EXPECT_EQ(ui->ImageProblem(folder.filePath("pictures/solid.png").toStdString()), "");
  EXPECT_NE(ui->ImageProblem("pictures/none.png").find("no such file"), std::string::npos);
  EXPECT_NE(ui->ImageProblem("pictures").find("not a file"), std::string::npos);
  EXPECT_NE(ui->ImageProblem("pictures/text.png").find("not an image"), std::string::npos);
  EXPECT_NE(ui->ImageProblem(""), "");
}

// A popup over its parent, placed where asked, closed by a press outside it (its loss of
// focus), which its handler hears as a close with 0.
TEST_F(SkinImagesTest, APopupClosesWhenThePressIsOutsideIt) {
  RecordingHandler popupHandler;
  WindowSpec spec{"pick.ui", "", window.get(), 0, 0, true};
  auto popup = ui->CreateWindow(spec, popupHandler);
  const auto pick = window->ControlRect("pick");
  ASSERT_TRUE(pick.has_value());
  EXPECT_EQ(*pick, (Rect{10, 10, 40, 40}));
  EXPECT_EQ(window->ControlRect("nothing"), std::nullopt);
  const Point at = window->ClientToScreen({pick->x, pick->y + pick->height});
  popup->MoveTo(at);
  popup->Show();
  EXPECT_EQ(popup->Geometry(), (Rect{at.x, at.y, 200, 80}));
  QWidget* host = dynamic_cast<qt::QtWindow&>(*popup).HostWidget();
  EXPECT_EQ(host->windowType(), Qt::Popup);
  QTest::mousePress(host, Qt::LeftButton, {}, QPoint(50, 50));  // inside: stays
  EXPECT_TRUE(popup->IsVisible());
  EXPECT_TRUE(popupHandler.closes.empty());
  QTest::mousePress(host, Qt::LeftButton, {}, QPoint(250, 50));
  EXPECT_FALSE(popup->IsVisible());
  EXPECT_EQ(popupHandler.closes, std::vector<int>{0});
}

}  // namespace
}  // namespace tavrinex::ui::test
