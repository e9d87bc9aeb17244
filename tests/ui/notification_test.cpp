// Notifications raised by simulated user actions and by code, and their absence where a
// change from code must stay silent.
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStyleOptionSlider>
#include <QTreeWidget>

#include "ui/qt/color_palette.h"
#include "ui_fixture.h"

namespace tavrinex::ui::test {
namespace {

class NotificationTest : public UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    handler.seen.clear();
  }
};

TEST_F(NotificationTest, ButtonClickRaisesClick) {
  QTest::mouseClick(Widget("closebtn"), Qt::LeftButton);
  EXPECT_EQ(handler.seen, (std::vector<Seen>{{EventType::kClick, "closebtn", -1}}));
}

TEST_F(NotificationTest, OptionsRaiseSelectChangedForUsersAndForCodeWhenAsked) {
  // The user picks the other option of the group: one notification, from the new one.
  QTest::mouseClick(Widget("ms_tab"), Qt::LeftButton);
  EXPECT_EQ(handler.Of(EventType::kSelectChanged),
            (std::vector<Seen>{{EventType::kSelectChanged, "ms_tab", -1}}));
  EXPECT_FALSE(Get<OptionControl>("kb_tab").IsSelected());
  // A check box reports both ways.
  handler.seen.clear();
  QTest::mouseClick(Widget("kb_Deng_7color_check"), Qt::LeftButton);
  QTest::mouseClick(Widget("kb_Deng_7color_check"), Qt::LeftButton);
  EXPECT_EQ(handler.Of(EventType::kSelectChanged),
            (std::vector<Seen>{{EventType::kSelectChanged, "kb_Deng_7color_check", -1},
                               {EventType::kSelectChanged, "kb_Deng_7color_check", -1}}));
  auto& kb = Get<OptionControl>("kb_tab");
  auto& check = Get<OptionControl>("kb_Deng_7color_check");
  handler.seen.clear();
  kb.Select(true, false);
  check.Select(true, false);
  EXPECT_TRUE(kb.IsSelected());
  EXPECT_FALSE(Get<OptionControl>("ms_tab").IsSelected());
  EXPECT_TRUE(check.IsSelected());
  EXPECT_TRUE(handler.seen.empty());
  check.Select(false);
  check.Select(false);  // no change, nothing raised
  // Even the selected option of a group can be cleared from code (silently, as above).
  kb.Select(false);
  EXPECT_FALSE(kb.IsSelected());
  Get<OptionControl>("ms_tab").Select(true);
  EXPECT_EQ(handler.seen, (std::vector<Seen>{{EventType::kSelectChanged, "kb_Deng_7color_check", -1},
                                             {EventType::kSelectChanged, "ms_tab", -1}}));
}

TEST_F(NotificationTest, ItemSelectOnlyWhenTheCurrentItemChanges) {
  auto& combo = Get<ListControl>("kb_deng_combo_modeSelect");
  ASSERT_EQ(combo.Count(), 4);
  const int start = combo.CurrentIndex();
  ASSERT_EQ(start, 0);
  EXPECT_TRUE(combo.SelectItem(0));  // already current
  EXPECT_TRUE(combo.SelectItem(2));
  EXPECT_TRUE(combo.SelectItem(2));
  EXPECT_FALSE(combo.SelectItem(4));
  EXPECT_TRUE(combo.SelectItem(1));
  EXPECT_EQ(handler.seen, (std::vector<Seen>{{EventType::kItemSelect, "kb_deng_combo_modeSelect", 2},
                                             {EventType::kItemSelect, "kb_deng_combo_modeSelect", 1}}));
  // The user's choice in the combo raises it too.
  handler.seen.clear();
  auto* box = Widget<QComboBox>("kb_deng_combo_modeSelect");
  box->setFocus();
  QTest::keyClick(box, Qt::Key_Down);
  EXPECT_EQ(handler.seen, (std::vector<Seen>{{EventType::kItemSelect, "kb_deng_combo_modeSelect", 2}}));
}

TEST_F(NotificationTest, FillingAndEmptyingAListRaisesNothing) {
  for (const char* name : {"kb_deng_combo_modeSelect", "kb_MacroName_list", "kb_Macro_list"}) {
    auto& list = Get<ListControl>(name);
    list.RemoveAll();
    EXPECT_EQ(list.Count(), 0) << name;
    EXPECT_EQ(list.CurrentIndex(), -1) << name;
    EXPECT_EQ(list.AddItem("first", "u1"), 0);
    EXPECT_EQ(list.AddItem("third", "u3"), 1);
    EXPECT_EQ(list.AddItem("second", "u2", 1), 1);
    // A combo would make its first row current by itself; nothing is current yet.
    EXPECT_EQ(list.CurrentIndex(), -1) << name;
    EXPECT_TRUE(handler.seen.empty()) << name;
    // Now the first selection is a change, so the profile-loading handler would run.
    EXPECT_TRUE(list.SelectItem(0));
    EXPECT_EQ(handler.seen, (std::vector<Seen>{{EventType::kItemSelect, name, 0}}));
    handler.seen.clear();
    // Inserting before the current row keeps the same row current, silently.
    list.AddItem("zeroth", "u0", 0);
    EXPECT_EQ(list.CurrentIndex(), 1) << name;
    EXPECT_EQ(list.ItemText(1), "first") << name;
    // Removing the current row leaves none, silently.
    EXPECT_TRUE(list.RemoveAt(1));
    EXPECT_FALSE(list.RemoveAt(7));
    EXPECT_EQ(list.CurrentIndex(), -1) << name;
    EXPECT_TRUE(handler.seen.empty()) << name;
    EXPECT_EQ(list.ItemText(0), "zeroth");
    EXPECT_EQ(list.ItemUserData(1), "u2");
    EXPECT_EQ(list.ItemUserData(2), "u3");
  }
}

TEST_F(NotificationTest, ClickingAListRowRaisesItemSelectAndItemClick) {
  auto& list = Get<ListControl>("kb_Macro_list");
  list.AddItem("Key A");
  list.AddItem("Key B");
  list.SetItemName(1, "kb_macro_action");
  auto* tree = Widget<QTreeWidget>("kb_Macro_list");
  ASSERT_NE(tree, nullptr);
  const QAbstractItemModel* model = tree->model();
  ASSERT_NE(model, nullptr);
  const QRect row = tree->visualRect(model->index(1, 0));
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, row.center());
  EXPECT_EQ(handler.seen.size(), 2U);
  const Seen select{EventType::kItemSelect, "kb_Macro_list", 1};
  const Seen click{EventType::kItemClick, "kb_Macro_list", 1};
  EXPECT_NE(std::find(handler.seen.begin(), handler.seen.end(), select), handler.seen.end());
  EXPECT_NE(std::find(handler.seen.begin(), handler.seen.end(), click), handler.seen.end());
  handler.onNotify = [&](const Notification& n) {
    if (n.type == EventType::kItemClick) {
      EXPECT_EQ(n.itemName, "kb_macro_action");
    }
  };
  handler.seen.clear();
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, row.center());
  // The same row again: a click, no new selection.
  EXPECT_EQ(handler.seen, (std::vector<Seen>{click}));
}

TEST_F(NotificationTest, SliderRaisesMoveValueWhileDraggedAndValueOnRelease) {
  auto* slider = Widget<QSlider>("kb_deng_light_slider");
  QStyleOptionSlider option;
  option.initFrom(slider);
  option.orientation = slider->orientation();
  option.minimum = slider->minimum();
  option.maximum = slider->maximum();
  option.sliderPosition = slider->sliderPosition();
  option.sliderValue = slider->value();
  const QRect handle =
      slider->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider);
  QTest::mousePress(slider, Qt::LeftButton, {}, handle.center());
  QTest::mouseMove(slider, QPoint(slider->width() / 2, handle.center().y()));
  QTest::mouseMove(slider, QPoint(slider->width() - 2, handle.center().y()));
  const auto moves = handler.Of(EventType::kMoveValueChanged);
  EXPECT_GE(moves.size(), 1U);
  EXPECT_TRUE(handler.Of(EventType::kValueChanged).empty());
  QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(slider->width() - 2, handle.center().y()));
  EXPECT_EQ(handler.Of(EventType::kValueChanged).size(), 1U);
  EXPECT_EQ(Get<SliderControl>("kb_deng_light_slider").Value(), 4);
  // A key press changes the value without a drag: one final value.
  handler.seen.clear();
  slider->setFocus();
  QTest::keyClick(slider, Qt::Key_Left);
  EXPECT_EQ(handler.seen, (std::vector<Seen>{{EventType::kValueChanged, "kb_deng_light_slider", -1}}));
  // Code raises nothing.
  handler.seen.clear();
  auto& s = Get<SliderControl>("kb_deng_light_slider");
  s.SetMaximum(14);
  s.SetValue(9);
  s.SetMinimum(10);  // drags the value along
  EXPECT_EQ(s.Value(), 10);
  EXPECT_EQ(s.Maximum(), 14);
  EXPECT_EQ(s.Minimum(), 10);
  EXPECT_TRUE(handler.seen.empty());
}

TEST_F(NotificationTest, TypingRaisesTextChangedAndSetTextDoesNot) {
  auto* edit = Widget<QLineEdit>("ms_DPI_edit_R");
  edit->setFocus();
  edit->selectAll();
  QTest::keyClicks(edit, "25");
  EXPECT_EQ(handler.seen, (std::vector<Seen>{{EventType::kTextChanged, "ms_DPI_edit_R", -1},
                                             {EventType::kTextChanged, "ms_DPI_edit_R", -1}}));
  EXPECT_EQ(window->Find("ms_DPI_edit_R")->Text(), "25");
  handler.seen.clear();
  // The clamping that handlers do from inside textchanged must not call them again.
  window->Find("ms_DPI_edit_R")->SetText("255");
  EXPECT_TRUE(handler.seen.empty());
  EXPECT_EQ(edit->text(), "255");
}

TEST_F(NotificationTest, PalettePickRaisesColorChanged) {
  auto* palette = Widget<qt::ColorPalette>("Pallet");
  auto& control = Get<PaletteControl>("Pallet");
  control.SetSelectedColor(0xFF0199CB);
  EXPECT_EQ(control.SelectedColor(), 0xFF0199CBU);
  EXPECT_TRUE(handler.seen.empty());
  const QPoint at(palette->width() / 3, palette->height() / 2);
  QTest::mouseClick(palette, Qt::LeftButton, {}, at);
  EXPECT_EQ(handler.seen, (std::vector<Seen>{{EventType::kColorChanged, "Pallet", -1}}));
  EXPECT_EQ(control.SelectedColor(), palette->ColorAt(at).rgba());
}

TEST_F(NotificationTest, HoverRaisesMouseEnterAndLeave) {
  QWidget* button = Widget("closebtn");
  QTest::mouseMove(Host(), QPoint(1, 1));
  QTest::mouseMove(button, button->rect().center());
  QTest::mouseMove(Host(), QPoint(1, 1));
  const Seen enter{EventType::kMouseEnter, "closebtn", -1};
  const Seen leave{EventType::kMouseLeave, "closebtn", -1};
  const auto enterAt = std::find(handler.seen.begin(), handler.seen.end(), enter);
  const auto leaveAt = std::find(handler.seen.begin(), handler.seen.end(), leave);
  ASSERT_NE(enterAt, handler.seen.end());
  ASSERT_NE(leaveAt, handler.seen.end());
  EXPECT_LT(enterAt, leaveAt);
}

TEST_F(NotificationTest, AHandlerMayDropTheWindowFromItsOwnNotification) {
  handler.onNotify = [&](const Notification& n) {
    if (n.type == EventType::kClick) window.reset();
  };
  QTest::mouseClick(Widget("closebtn"), Qt::LeftButton);
  EXPECT_EQ(window, nullptr);
  QApplication::processEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace
}  // namespace tavrinex::ui::test
