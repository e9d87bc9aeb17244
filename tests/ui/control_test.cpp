// The operations every control offers, the kinds' own ones, and the language.
#include <QAbstractItemView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>

#include "ui/qt/led_picture.h"
#include "ui_fixture.h"

namespace tavrinex::ui::test {
namespace {

QImage Grab(QWidget* w) { return w->grab().toImage(); }

TEST_F(UiTest, PlainControlOperationsRoundTrip) {
  Control& label = *window->Find("plain_label");
  EXPECT_EQ(label.Text(), "Plain text");
  label.SetText("Other");
  EXPECT_EQ(Widget<QLabel>("plain_label")->text(), "Other");
  label.SetUserData("common/key.png");
  EXPECT_EQ(label.UserData(), "common/key.png");
  label.SetToolTip("tip");
  EXPECT_EQ(label.ToolTip(), "tip");
  label.SetVisible(false);
  EXPECT_FALSE(label.IsVisible());
  EXPECT_FALSE(Widget("plain_label")->isVisible());
  label.SetVisible(true);
  EXPECT_TRUE(label.IsVisible());
  label.SetEnabled(false);
  EXPECT_FALSE(label.IsEnabled());
  label.SetFixedHeight(30);
  EXPECT_EQ(label.FixedHeight(), 30);
  EXPECT_EQ(Widget("plain_label")->height(), 30);
  label.SetAttribute("style", "listex_item_style");
  EXPECT_EQ(label.Attribute("style"), "listex_item_style");
  EXPECT_EQ(label.Attribute("userdata"), "common/key.png");
  EXPECT_EQ(label.Attribute("no_such_attribute"), "");
}

TEST_F(UiTest, BackgroundAndTextColoursReachThePicture) {
  Control& label = *window->Find("plain_label");
  label.SetText("");
  label.SetBackgroundColor(0xFF00FF00);
  EXPECT_EQ(label.BackgroundColor(), 0xFF00FF00U);
  EXPECT_EQ(Grab(Widget("plain_label")).pixelColor(2, 2), QColor(0, 255, 0));
  // An image replaces the colour where it is opaque.
  label.SetBackgroundImage("led.png");
  EXPECT_EQ(label.BackgroundImage(), "led.png");
  label.SetBackgroundImage("");
  label.SetBackgroundColor(0);
  EXPECT_NE(Grab(Widget("plain_label")).pixelColor(2, 2), QColor(0, 255, 0));

  label.SetText("WWWWWWWW");
  label.SetTextColor(0xFFFF0000);
  label.SetTextPadding({4, 2, 0, 0});
  EXPECT_EQ(label.TextColor(), 0xFFFF0000U);
  EXPECT_EQ(label.TextPadding(), (Padding{4, 2, 0, 0}));
  const QImage image = Grab(Widget("plain_label"));
  bool red = false;
  for (int y = 0; y < image.height() && !red; ++y) {
    for (int x = 0; x < image.width() && !red; ++x) {
      const QColor c = image.pixelColor(x, y);
      red = c.red() > 200 && c.green() < 60 && c.blue() < 60;
    }
  }
  EXPECT_TRUE(red) << "the text is drawn in the text colour";
}

TEST_F(UiTest, LedPictureDrawsItsImageTintedWithTheOverlay) {
  Control& led = *window->Find("kb_dkey_1");
  led.SetOverlayMode(true);
  // Red 0x10, green 0x20, blue 0xF0: red in bits 0-7, blue 8-15, green 16-23.
  led.SetOverlayColor(OverlayWord({0x10, 0x20, 0xF0}));
  EXPECT_EQ(led.OverlayColor(), 0x20F010U);
  led.SetOverlayOpacity(255);
  QWidget* w = Widget("kb_dkey_1");
  QImage image = Grab(w);
  const QPoint centre(w->width() / 2, w->height() / 2);
  EXPECT_EQ(image.pixelColor(centre), QColor(0x10, 0x20, 0xF0));
  // Outside the cap's outline the tint does not go.
  EXPECT_NE(image.pixelColor(0, 0), QColor(0x10, 0x20, 0xF0));
  // Half opacity: halfway between the grey cap (200) and the colour.
  led.SetOverlayOpacity(128);
  EXPECT_EQ(led.OverlayOpacity(), 128);
  image = Grab(w);
  EXPECT_NEAR(image.pixelColor(centre).blue(), (200 + 0xF0) / 2, 3);
  EXPECT_NEAR(image.pixelColor(centre).red(), (200 + 0x10) / 2, 3);
  // Overlay mode off: the plain picture.
  led.SetOverlayMode(false);
  EXPECT_EQ(Grab(w).pixelColor(centre), QColor(200, 200, 200));
  // A picture without an image is filled with the colour.
  Control& bare = *window->Find("kb_dkey_3");
  bare.SetOverlayMode(true);
  bare.SetOverlayColor(OverlayWord({0, 0xFF, 0}));
  bare.SetOverlayOpacity(255);
  EXPECT_EQ(Grab(Widget("kb_dkey_3")).pixelColor(1, 1), QColor(0, 255, 0));
}

TEST_F(UiTest, OverlayOnAnOrdinaryControl) {
  Control& button = *window->Find("closebtn");
  button.SetOverlayMode(true);
  button.SetOverlayColor(OverlayWord({0xFF, 0, 0}));
  button.SetOverlayOpacity(255);
  EXPECT_EQ(Grab(Widget("closebtn")).pixelColor(3, 3), QColor(255, 0, 0));
  button.SetOverlayMode(false);
  EXPECT_NE(Grab(Widget("closebtn")).pixelColor(3, 3), QColor(255, 0, 0));
}

TEST_F(UiTest, ListRowsKeepColumnsUserDataNamesHeightsAndAttributes) {
  auto& list = Get<ListControl>("kb_Macro_list");
  EXPECT_EQ(list.ColumnCount(), 3);
  const int row = list.AddItem("A", "data");
  list.SetItemText(row, 1, "press");
  list.SetItemText(row, 2, "100");
  list.SetItemText(row, 3, "ignored");  // no fourth column
  list.SetItemName(row, "kb_macro_action");
  list.SetItemHeight(row, 30);
  list.SetItemAttribute(row, "style", "macro_label_down_style");
  EXPECT_EQ(list.ItemText(row, 0), "A");
  EXPECT_EQ(list.ItemText(row, 1), "press");
  EXPECT_EQ(list.ItemText(row, 2), "100");
  EXPECT_EQ(list.ItemText(row, 3), "");
  EXPECT_EQ(list.ItemName(row), "kb_macro_action");
  EXPECT_EQ(list.ItemHeight(row), 30);
  EXPECT_EQ(list.ItemAttribute(row, "style"), "macro_label_down_style");
  EXPECT_EQ(list.ItemUserData(row), "data");
  EXPECT_EQ(list.ItemText(5), "");  // out of range reads as empty
  auto* tree = qobject_cast<QAbstractItemView*>(Widget("kb_Macro_list"));
  EXPECT_EQ(tree->visualRect(tree->model()->index(row, 0)).height(), 30);
}

TEST_F(UiTest, TabLayoutShowsPageN) {
  auto& tabs = Get<TabControl>("tab_switch");
  EXPECT_EQ(tabs.PageCount(), 3);
  EXPECT_TRUE(tabs.SelectPage(2));
  EXPECT_EQ(tabs.CurrentPage(), 2);
  EXPECT_EQ(Widget<QStackedWidget>("tab_switch")->currentWidget()->objectName(), "page_2");
  EXPECT_FALSE(tabs.SelectPage(3));
  EXPECT_FALSE(tabs.SelectPage(-1));
  EXPECT_EQ(tabs.CurrentPage(), 2);
}

TEST_F(UiTest, ResourceTextsFollowTheLanguage) {
  // No language loaded yet: every id shows itself.
  EXPECT_EQ(window->Find("title_label")->Text(), "title_text");
  ASSERT_TRUE(ui->LoadLanguage("lan_cn.xml"));
  ui->SetLanguageId("cn_zh");
  EXPECT_EQ(ui->LanguageId(), "cn_zh");
  EXPECT_EQ(window->Find("title_label")->Text(), "灯光驱动");
  EXPECT_EQ(Widget<QPushButton>("closebtn")->text(), "关闭");

  ui->SetLanguageId("en");
  ASSERT_TRUE(ui->LoadLanguage("lan_en.xml"));
  ui->ReapplyTexts();
  for (const auto& [name, text] : std::vector<std::pair<std::string, QString>>{
           {"title_label", "Lighting driver"}, {"closebtn", "Close"}, {"kb_tab", "Keyboard"},
           {"ms_tab", "Mouse"}}) {
    EXPECT_EQ(window->Find(name)->Text(), text.toStdString()) << name;
  }
  EXPECT_EQ(Widget<QRadioButton>("ms_tab")->text(), "Mouse");
  // Plain texts stay as they are.
  EXPECT_EQ(window->Find("plain_label")->Text(), "Plain text");
  // The hidden translating label: set an id, read the translation.
  Control& probe = *window->Find("str_test");
  probe.SetText("close_text");
  EXPECT_EQ(probe.Text(), "Close");
  probe.SetText("message_text_99");
  EXPECT_EQ(probe.Text(), "message_text_99");
  // Switching resource mode off shows the id as plain text.
  probe.SetText("close_text");
  probe.SetResourceText(false);
  EXPECT_EQ(probe.Text(), "close_text");
  probe.SetResourceText(true);
  EXPECT_EQ(probe.Text(), "Close");
}

TEST_F(UiTest, ABadLanguageFileKeepsTheTextsAndSaysWhy) {
  ASSERT_TRUE(ui->LoadLanguage("lan_en.xml"));
  for (const char* file : {"lan_broken.xml", "lan_none.xml", "menu.xml"}) {
    DiagnosticCapture diagnostics;
    EXPECT_FALSE(ui->LoadLanguage(file)) << file;
    EXPECT_TRUE(diagnostics.Contains(file)) << diagnostics.All();
    EXPECT_EQ(ui->Translate("close_text"), "Close") << file;
  }
}

TEST_F(UiTest, ScaleResizesTheWindowAndKeepsItUsable) {
  const QSize designed = Host()->size();
  ui->SetScale(150);
  EXPECT_EQ(ui->Scale(), 150);
  EXPECT_EQ(Host()->size(), designed * 1.5);
  ui->SetScale(100);
  EXPECT_EQ(Host()->size(), designed);
  ui->SetScale(1000);
  EXPECT_EQ(ui->Scale(), 400);
  ui->SetScale(100);
}

}  // namespace
}  // namespace tavrinex::ui::test
