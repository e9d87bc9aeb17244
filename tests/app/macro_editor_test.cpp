// The macro pages of the keyboard and the mouse on the real Qt layer, offscreen, with the
// shipped skin: recording from injected key and mouse events with an injected clock, inserted
// and edited rows, the unsaved state, the library operations, bad input, and the way from a
// recording to the simulated keyboard's macro area and key page.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QTest>
#include <QWheelEvent>
#include <array>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/macro_editor_wiring.h"
#include "appearance/macro_timeline_view.h"
#include "keys/macro_blob.h"
#include "keys/macro_library.h"
#include "page_fixture.h"
#include "profiles/profile_catalogue.h"
#include "storage/settings_folder.h"

namespace tavrinex::app {
namespace {

using device::DeviceKind;

constexpr std::uint32_t kEvdevA = 30, kEvdevVolumeUp = 115, kEvdevB = 48;

class MacroPageTest : public test::KeyWindow {
 protected:
  void TearDown() override {
    macroPages.reset();
    KeyWindow::TearDown();
  }
  // The library as it is on disk, then the pages that show it.
  void StartPages(int macros = 1, DeviceKind kind = DeviceKind::kKeyboard) {
    keys::MacroLibrary library(profiles::GetDeviceFolder(kind), kind);
    for (int i = 0; i < macros; ++i) ASSERT_EQ(library.AddMacro().outcome, keys::MacroOutcome::kAdded);
    macroPages = std::make_unique<MacroEditorWiring>(*wnd, keyPages.get(), [this] { return now; });
    Pump();
  }
  keys::MacroEditor& Editor(DeviceKind kind = DeviceKind::kKeyboard) { return macroPages->Editor(kind); }
  void OpenMacroPage(DeviceKind kind) { OpenPage(kind, "macro_Op_tab"); }
  void Wheel(QWidget* over) {
    QWheelEvent wheel(QPointF(5, 5), over->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, 120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(over, &wheel);
    Pump();
  }
  std::vector<std::string> Lines(DeviceKind kind = DeviceKind::kKeyboard) { return Editor(kind).Rows().Lines(); }
  std::string Column(std::string_view list, int row, int column) {
    return Get<ui::ListControl>(list).ItemText(row, column);
  }
  // The user's click on a row: it becomes the current row, and a row editor opens on it.
  void ClickRow(std::string_view list, int row) {
    auto& view = Widget<QAbstractItemView>(list);
    view.window()->show();
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, view.visualRect(view.model()->index(row, 0)).center());
    Pump();
  }
  void SelectRow(std::string_view list, int row) {
    ASSERT_TRUE(Get<ui::ListControl>(list).SelectItem(row));
    Pump();
  }
  std::vector<std::string> FileLines(std::string_view name, DeviceKind kind = DeviceKind::kKeyboard) {
    return keys::MacroLibrary(profiles::GetDeviceFolder(kind), kind).LoadMacro(name).lines;
  }

  std::uint64_t now = 100000;
  std::unique_ptr<MacroEditorWiring> macroPages;
};

TEST_F(MacroPageTest, HeldKeyIsOnePressAndOneReleaseWithThePauseInTheRowBefore) {
  StartPages();
  OpenMacroPage(DeviceKind::kKeyboard);
  Click("kb_macro_btn_redio");
  EXPECT_TRUE(Editor().Recording());
  EXPECT_TRUE(wnd->Window().KeyCaptureOn()) << "the keyboard is the recorder's while recording";
  EXPECT_EQ(Get("kb_macro_btn_redio").Text(), ui->Translate("macro_btn_stop_redio_text"));
  EXPECT_FALSE(Get("kb_Macro_list").IsEnabled());
  EXPECT_FALSE(Get("kb_macro_check_time").IsEnabled());
  SendKey(kEvdevA);
  repeat = true;
  for (int i = 0; i < 5; ++i) {
    now += 30;
    SendKey(kEvdevA);  // auto-repeat
  }
  repeat = false;
  now += 1230 - 150;   // 1230 ms after the press
  SendKey(kEvdevA, false);
  now += 300;
  Click("kb_macro_btn_redio");
  EXPECT_FALSE(Editor().Recording());
  EXPECT_FALSE(wnd->Window().KeyCaptureOn());
  EXPECT_EQ(Lines(), (std::vector<std::string>{"123,0,138,4,1,keyboard_key_A", "0,0,10,4,0,keyboard_key_A"}));
  EXPECT_EQ(Column("kb_Macro_list", 0, 0), ui->Translate("keyboard_key_A"));
  EXPECT_EQ(Column("kb_Macro_list", 0, 2), "1230");
  EXPECT_EQ(Column("kb_Macro_list", 1, 2), "0");
  EXPECT_EQ(Get<ui::ListControl>("kb_Macro_list").ItemAttribute(0, "style"), "macro_label_keyboard_style");
  EXPECT_EQ(Get<ui::ListControl>("kb_Macro_list").ItemName(0), "kb_macro_action");
  EXPECT_TRUE(Get("kb_macro_tab_saveorcancel").IsVisible()) << "a recording leaves the page unsaved";
  EXPECT_TRUE(boxes.empty());
}

TEST_F(MacroPageTest, PausesAreCappedRoundedOrFixedAndUnknownKeysAddNothing) {
  StartPages();
  struct Case {
    std::uint64_t pauseMs;
    bool fixed;
    const char* stored;  // the first row's line
    const char* shown;
  };
  const Case cases[] = {{3000, false, "44,1,", "3000"},
                        {1234, false, "123,0,", "1234"},
                        {999999, false, "255,255,", "655350"},
                        {3000, true, "5,0,", "50"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pauseMs);
    Get<ui::OptionControl>("kb_macro_check_time").Select(c.fixed, false);
    Click("kb_macro_btn_redio");
    SendKey(kEvdevA);
    now += c.pauseMs;
    SendKey(kEvdevVolumeUp);  // not a key a macro can hold: no row, no pause
    SendKey(kEvdevVolumeUp, false);
    SendKey(kEvdevB);
    Click("kb_macro_btn_redio");
    ASSERT_EQ(Lines().size(), 2u);
    EXPECT_EQ(Lines()[0].substr(0, std::string(c.stored).size()), c.stored);
    EXPECT_EQ(Column("kb_Macro_list", 0, 2), c.shown);
    Click("kb_macro_btn_deleteall");
  }
}

TEST_F(MacroPageTest, MouseButtonsAndWheelOverTheWindowAreRecordedOnceAndTheStopClickIsNot) {
  StartPages(1, DeviceKind::kMouse);
  OpenMacroPage(DeviceKind::kMouse);
  Click("ms_macro_btn_redio");
  EXPECT_TRUE(wnd->Window().MouseCaptureOn());
  QWidget* over = &Widget("ms_macro_events_title");
  for (int i = 0; i < 4; ++i) {
    now += 10;
    Wheel(over);  // several notches: one wheel action, timed from the first
  }
  now += 200;
  QTest::mouseClick(over, Qt::RightButton);
  QTest::mousePress(over, Qt::ForwardButton);
  QTest::mouseRelease(over, Qt::BackButton);
  QTest::mouseMove(over, QPoint(20, 8));  // movement is never recorded
  Pump();
  Click("ms_macro_btn_redio");
  EXPECT_FALSE(wnd->Window().MouseCaptureOn());
  EXPECT_EQ(Lines(DeviceKind::kMouse),
            (std::vector<std::string>{"23,0,255,0,1,", "0,0,129,2,1,mouse_key_right",
                                      "0,0,1,2,0,mouse_key_right", "0,0,129,16,1,mouse_key_forward",
                                      "0,0,1,8,0,mouse_key_back"}));
  EXPECT_EQ(Column("ms_Macro_list", 0, 0), ui->Translate("macro_mouse_wheel_text"));
  EXPECT_EQ(Column("ms_Macro_list", 1, 1), "\u25BC");
  EXPECT_EQ(Column("ms_Macro_list", 2, 1), "\u25B2");
  EXPECT_EQ(Get<ui::ListControl>("ms_Macro_list").ItemName(1), "macro_action")
      << "recorded mouse rows open no row editor until saved";
  Click("ms_macro_btn_save");
  EXPECT_EQ(Get<ui::ListControl>("ms_Macro_list").ItemName(1), "ms_macro_action");
  EXPECT_EQ(FileLines("name_1", DeviceKind::kMouse), Lines(DeviceKind::kMouse));
}

TEST_F(MacroPageTest, InsertedMovesAndTheRowEditorRewriteTheSelectedRow) {
  StartPages();
  OpenMacroPage(DeviceKind::kKeyboard);
  Editor().RecordKeyEvent(0x100, 0x41, 0);  // not recording: nothing
  EXPECT_EQ(Editor().Rows().Size(), 0u);
  Click("kb_macro_btn_redio");
  SendKey(kEvdevA);
  SendKey(kEvdevA, false);
  Click("kb_macro_btn_redio");
  Click("kb_macro_btn_shubiao");
  EXPECT_TRUE(Get("kb_MacroMouseEvent").IsVisible());
  EXPECT_FALSE(Get("kb_MacroName").IsVisible());
  Type("kb_mouse_x_left_edit", "20");
  SelectRow("kb_Macro_list", 0);
  Click("kb_macro_inset_moveleftkey_btn");
  ASSERT_EQ(Lines().size(), 3u);
  EXPECT_EQ(Lines()[1], "5,0,132,20,1,mouse_move_to_left_text");
  EXPECT_EQ(Column("kb_Macro_list", 1, 1), "20");
  EXPECT_EQ(Column("kb_Macro_list", 1, 2), "50");
  Type("kb_mouse_x_left_edit", "300");
  EXPECT_EQ(Get("kb_mouse_x_left_edit").Text(), "255");
  Click("kb_macro_inset_backkey_btn");
  EXPECT_TRUE(Get("kb_macro_inset_backkey_tab").IsVisible());
  EXPECT_FALSE(Get("kb_macro_inset_leftkey_tab").IsVisible());

  // A key row: A becomes Left Shift, then the pause takes 70000.
  ClickRow("kb_Macro_list", 0);
  EXPECT_EQ(Get<ui::TabControl>("kb_tab_macro_edit").CurrentPage(), 1);
  EXPECT_EQ(Get<ui::ListControl>("kb_macro_combo_keyselect").CurrentIndex(), 8) << "A";
  EXPECT_EQ(Get<ui::ListControl>("kb_macro_combo_upordown").CurrentIndex(), 1);
  Choose("kb_macro_combo_keyselect", 1);  // Left Shift
  EXPECT_EQ(Lines()[0], "0,0,137,2,1,keyboard_key_LShift");
  Choose("kb_macro_combo_upordown", 0);
  EXPECT_EQ(Lines()[0], "0,0,9,2,0,keyboard_key_LShift");
  Type("kb__macro_edit_ActionDelay", "70000");
  EXPECT_EQ(Get("kb__macro_edit_ActionDelay").Text(), "65535");
  EXPECT_EQ(Lines()[0], "255,255,9,2,0,keyboard_key_LShift");
  EXPECT_EQ(Column("kb_Macro_list", 0, 2), "655350");

  // The move row: its distance, letters read as 0; then it becomes a button press.
  ClickRow("kb_Macro_list", 1);
  EXPECT_EQ(Get<ui::TabControl>("kb_tab_macro_edit").CurrentPage(), 2);
  EXPECT_EQ(Get<ui::ListControl>("kb_macro_combo_mouselect").CurrentIndex(), 10);
  EXPECT_TRUE(Get("kb_macro_tab_mou_pointer_skewing").IsVisible());
  Type("kb_macro_edit_mou_pointer_skewing", "abc");
  EXPECT_EQ(Lines()[1], "5,0,132,0,1,mouse_move_to_left_text");
  Choose("kb_macro_combo_mouselect", 13);
  EXPECT_EQ(Lines()[1], "5,0,5,0,0,mouse_move_to_down_text");
  Choose("kb_macro_combo_mouselect", 2);
  EXPECT_EQ(Lines()[1], "5,0,129,2,1,mouse_key_right");
  EXPECT_FALSE(Get("kb_macro_tab_mou_pointer_skewing").IsVisible());

  // Moves keep the selection on the moved row.
  SelectRow("kb_Macro_list", 2);
  Click("kb_macro_btn_uptop");
  EXPECT_EQ(Lines()[0], "0,0,10,4,0,keyboard_key_A");
  EXPECT_EQ(Get<ui::ListControl>("kb_Macro_list").CurrentIndex(), 0);
  Click("kb_macro_btn_up");
  EXPECT_EQ(Lines()[0], "0,0,10,4,0,keyboard_key_A");
  Click("kb_macro_btn_downbottom");
  EXPECT_EQ(Lines()[2], "0,0,10,4,0,keyboard_key_A");
  Click("kb_macro_btn_delete");
  EXPECT_EQ(Lines().size(), 2u);
  EXPECT_EQ(Column("kb_Macro_list", 1, 0), ui->Translate("mouse_key_right"));
}

TEST_F(MacroPageTest, UnsavedChangesHoldThePageUntilSavedOrCancelled) {
  StartPages(2);
  OpenMacroPage(DeviceKind::kKeyboard);
  ASSERT_EQ(Editor().SelectedMacro(), 1u) << "the last macro is selected at start";
  Click("kb_macro_btn_redio");
  SendKey(kEvdevA);
  Click("kb_macro_btn_redio");
  EXPECT_FALSE(Get("kb_MacroName_list").IsEnabled());
  Get<ui::OptionControl>("kb_macro_check_time").Select(true, true);  // an option stays usable
  EXPECT_TRUE(boxes.empty());
  Get<ui::ListControl>("kb_MacroName_list").SelectItem(0);
  Get<ui::OptionControl>("kb_key_Op_tab").Select(true, true);
  Click("kb_macro_btn_name_add");
  EXPECT_EQ(boxes, (std::vector<std::string>{"message_text_3", "message_text_3", "message_text_3"}));
  EXPECT_EQ(Editor().SelectedMacro(), 1u);
  EXPECT_EQ(Get<ui::ListControl>("kb_MacroName_list").CurrentIndex(), 1);
  EXPECT_TRUE(Get<ui::OptionControl>("kb_macro_Op_tab").IsSelected());
  EXPECT_EQ(Editor().Names().size(), 2u);

  Click("kb_macro_btn_cancel");
  EXPECT_FALSE(Get("kb_macro_tab_saveorcancel").IsVisible());
  EXPECT_EQ(Editor().Rows().Size(), 0u) << "the file's rows are back";
  Click("kb_macro_btn_redio");
  SendKey(kEvdevA);
  Click("kb_macro_btn_redio");
  Click("kb_macro_btn_save");
  EXPECT_FALSE(Get("kb_macro_tab_saveorcancel").IsVisible());
  EXPECT_TRUE(Get("kb_MacroName_list").IsEnabled());
  EXPECT_EQ(FileLines("name_2"), (std::vector<std::string>{"0,0,138,4,1,keyboard_key_A"}));

  // The mouse page names its own message for another macro while unsaved.
  boxes.clear();
  keys::MacroLibrary mice(profiles::GetDeviceFolder(DeviceKind::kMouse), DeviceKind::kMouse);
  (void)mice.AddMacro();
  (void)mice.AddMacro();
  macroPages = std::make_unique<MacroEditorWiring>(*wnd, keyPages.get(), [this] { return now; });
  Click("ms_macro_btn_delete");  // nothing selected: nothing to delete, but unsaved
  Get<ui::ListControl>("ms_MacroName_list").SelectItem(0);
  EXPECT_EQ(boxes, (std::vector<std::string>{"message_text_4"}));
}

// A macro that would not fit in the device's macro area is saved only when the user says so;
// before the device was read nothing is known, and nothing is asked.
TEST_F(MacroPageTest, ASaveThatWouldNotFitTheMacroAreaAsksFirst) {
  StartPages(1);
  OpenMacroPage(DeviceKind::kKeyboard);
  Click("kb_macro_btn_redio");
  for (int i = 0; i < 40; ++i) {
    SendKey(kEvdevA, true);
    SendKey(kEvdevA, false);
  }
  Click("kb_macro_btn_redio");
  wnd->Image().Update(DeviceKind::kKeyboard, [](device::DeviceBlocks& b) { b.info[6] = 1; });  // 128 bytes
  answer = 0;
  Click("kb_macro_btn_save");
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].find(" 54 "), std::string::npos) << "the actions too many: " << boxes[0];
  EXPECT_TRUE(Get("kb_macro_tab_saveorcancel").IsVisible()) << "still unsaved";
  EXPECT_TRUE(FileLines("name_1").empty());
  answer = 1;
  Click("kb_macro_btn_save");
  EXPECT_EQ(boxes.size(), 2u);
  EXPECT_FALSE(Get("kb_macro_tab_saveorcancel").IsVisible());
  EXPECT_EQ(FileLines("name_1").size(), 80u);

  boxes.clear();
  wnd->Image().Update(DeviceKind::kKeyboard, [](device::DeviceBlocks& b) { b.info.fill(0); });
  Click("kb_macro_btn_redio");
  SendKey(kEvdevA, true);
  SendKey(kEvdevA, false);
  Click("kb_macro_btn_redio");
  Click("kb_macro_btn_save");
  EXPECT_TRUE(boxes.empty()) << "a device not yet read has no known area";
  EXPECT_EQ(FileLines("name_1").size(), 82u);
}

// The macro memory line learns the device's area when the device is read, not at the next edit.
TEST_F(MacroPageTest, TheMemoryLineFollowsAConnect) {
  StartPages(1);
  macroPages->FollowConnects(wiring->Context().window);
  const std::string before = Get("kb_macro_capacity_text").Text();
  Connect(DeviceKind::kKeyboard);
  wiring->Context().window.refreshControls(DeviceKind::kKeyboard);
  const std::string capacity = std::to_string(128 * wnd->Image().Read(DeviceKind::kKeyboard, [](const device::DeviceBlocks& b) {
    return int{b.info[6]};
  }));
  ASSERT_NE(capacity, "0");
  EXPECT_EQ(before.find(capacity), std::string::npos) << before;
  EXPECT_NE(Get("kb_macro_capacity_text").Text().find(capacity), std::string::npos) << Get("kb_macro_capacity_text").Text();
}

TEST_F(MacroPageTest, LibraryOperationsWithTheirMessages) {
  StartPages(0);
  EXPECT_FALSE(Get("kb_macro_btn_redio").IsEnabled()) << "nothing to edit without a macro";
  Click("kb_macro_btn_name_add");
  Click("kb_macro_btn_name_add");
  EXPECT_EQ(Editor().Names(), (std::vector<std::string>{"name_1", "name_2"}));
  EXPECT_EQ(Editor().SelectedMacro(), 1u);
  EXPECT_TRUE(Get("kb_macro_btn_redio").IsEnabled());

  Type("kb_macro_edit_macroname", "NAME_1");
  Click("kb_macro_btn_savemacroname");
  Type("kb_macro_edit_macroname", "a/b");
  Click("kb_macro_btn_savemacroname");
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0], "message_text_5");
  EXPECT_EQ(boxes[1], "message_macro_bad_name");
  EXPECT_EQ(Get("kb_macro_edit_macroname").Text(), "name_2");
  Type("kb_macro_edit_macroname", "Combo");
  Click("kb_macro_btn_savemacroname");
  EXPECT_EQ(Column("kb_MacroName_list", 1, 0), "Combo");
  EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(profiles::GetDeviceFolder(DeviceKind::kKeyboard)) / "Combo.mac"));

  // A key plays macro 1: deleting it asks first; "no" keeps everything.
  Connect(DeviceKind::kKeyboard);
  boxes.clear();
  const auto page = *keys::ActivePage(wnd->Image(), DeviceKind::kKeyboard);
  ASSERT_TRUE(keys::SetSlot(wnd->Image(), DeviceKind::kKeyboard, page, 5, {0x70, 1, 0}));
  answer = 2;
  Click("kb_macro_btn_name_sub");
  EXPECT_EQ(boxes, (std::vector<std::string>{"message_text_2"}));
  EXPECT_EQ(Editor().Names().size(), 2u);
  answer = 1;
  Click("kb_macro_btn_name_sub");
  EXPECT_EQ(Editor().Names(), (std::vector<std::string>{"name_1"}));
  EXPECT_NE(*keys::GetSlot(wnd->Image(), DeviceKind::kKeyboard, page, 5), (keys::KeyFunction{0x70, 1, 0}));
  EXPECT_FALSE(Editor().SelectedMacro()) << "a delete leaves no macro selected";
  Click("kb_macro_btn_name_sub");
  EXPECT_EQ(Editor().Names().size(), 1u);
  SelectRow("kb_MacroName_list", 0);
  Click("kb_macro_btn_name_sub");
  EXPECT_TRUE(Editor().Names().empty());
  EXPECT_FALSE(Get("kb_macro_btn_redio").IsEnabled());

  boxes.clear();
  keys::MacroLibrary library(profiles::GetDeviceFolder(DeviceKind::kKeyboard), DeviceKind::kKeyboard);
  for (int i = 0; i < 50; ++i) (void)library.AddMacro();
  macroPages = std::make_unique<MacroEditorWiring>(*wnd, keyPages.get(), [this] { return now; });
  Click("kb_macro_btn_name_add");
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].find("50"), std::string::npos) << boxes[0];
  EXPECT_EQ(library.LoadMacroIndex().size(), 50u);
}

TEST_F(MacroPageTest, JunkLinesAreShownKeptAndPlayNothingAndAnEmptyRecordingSaysSo) {
  const std::filesystem::path dir = profiles::GetDeviceFolder(DeviceKind::kKeyboard);
  keys::MacroLibrary library(dir, DeviceKind::kKeyboard);
  ASSERT_EQ(library.AddMacro().outcome, keys::MacroOutcome::kAdded);
  const std::vector<std::string> lines{"5,0,138,4,1,keyboard_key_A", "garbage", "1,2,3",
                                       "0,0,10,4,0,keyboard_key_A"};
  ASSERT_EQ(library.SaveMacro(0, lines).outcome, keys::MacroOutcome::kSaved);
  macroPages = std::make_unique<MacroEditorWiring>(*wnd, keyPages.get(), [this] { return now; });
  Pump();
  EXPECT_EQ(boxes, (std::vector<std::string>{"message_macro_bad_lines"}));
  EXPECT_EQ(Column("kb_Macro_list", 1, 0), "garbage");
  EXPECT_EQ(Get<ui::ListControl>("kb_Macro_list").ItemName(1), "macro_action");
  EXPECT_EQ(Editor().Rows().Timeline().size(), 2u);
  SelectRow("kb_Macro_list", 1);
  Editor().EditRow();
  EXPECT_FALSE(Editor().Unsaved()) << "no row editor for a line that is no action";

  boxes.clear();
  Click("kb_macro_btn_redio");
  now += 5000;
  Click("kb_macro_btn_redio");
  EXPECT_EQ(boxes, (std::vector<std::string>{"message_macro_nothing_recorded"}));
  Click("kb_macro_btn_save");
  EXPECT_EQ(FileLines("name_1"), lines);
}

// The timeline's owner sees every change of the rows, with the recorded pause beside the
// stored one.
TEST_F(MacroPageTest, RowChangesReachTheTimelineHook) {
  StartPages();
  std::vector<keys::TimelineRow> seen;
  int calls = 0;
  Editor().onRowsChanged = [&](std::span<const keys::TimelineRow> rows) {
    seen.assign(rows.begin(), rows.end());
    ++calls;
  };
  Click("kb_macro_btn_redio");
  SendKey(kEvdevA);
  now += 1234;
  SendKey(kEvdevA, false);
  Click("kb_macro_btn_redio");
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(keys::DelayUnits(seen[0].action), 123u);
  EXPECT_EQ(seen[0].recordedMs, 1234u);
  EXPECT_FALSE(seen[1].recordedMs.has_value());
  Click("kb_macro_btn_deleteall");
  EXPECT_TRUE(seen.empty());
}

// Clicks in other programs come from the system-wide source (XInput 2 on X11) on its own
// thread while recording; the timeline and the macro memory line follow the rows.
TEST_F(MacroPageTest, ClicksElsewhereAreRecordedAndTheTimelineFollows) {
  struct Source final : platform::SystemMouseSource {
    bool Start(std::function<void(const platform::MouseHookEvent&)> d) override {
      deliver = std::move(d);
      return true;
    }
    void Stop() override { deliver = {}; }
    std::function<void(const platform::MouseHookEvent&)> deliver;
  } source;
  wnd->Hook().SetSystemMouseSource(&source);
  StartPages(1, DeviceKind::kMouse);
  OpenMacroPage(DeviceKind::kMouse);
  Click("ms_macro_btn_redio");
  ASSERT_TRUE(wnd->Hook().SystemMouseOn());
  std::thread([&] {
    source.deliver({0x201, false, {}});
    source.deliver({0x202, false, {}});
  }).join();
  Pump();
  Click("ms_macro_btn_redio");
  EXPECT_FALSE(wnd->Hook().SystemMouseOn());
  EXPECT_FALSE(source.deliver) << "stopped with the recording";
  EXPECT_EQ(Lines(DeviceKind::kMouse),
            (std::vector<std::string>{"0,0,129,1,1,mouse_key_left", "0,0,1,1,0,mouse_key_left"}));
  auto* timeline = dynamic_cast<appearance::CMacroTimelineUI*>(Get("ms_macro_timeline").OwnControl());
  ASSERT_NE(timeline, nullptr);
  ASSERT_EQ(timeline->Timeline().bars.size(), 1u);
  EXPECT_EQ(timeline->LaneName(0), ui->Translate("mouse_key_left"));
  // 16 + 6 + 2 x 4 bytes; the mouse is not connected, so its macro memory is not known.
  const std::array<std::string, 1> used = {"30"};
  EXPECT_EQ(Get("ms_macro_capacity_text").Text(),
            appearance::timeline::Fill(ui->Translate(kCapacityUnknown), used));
  Click("ms_macro_btn_deleteall");
  EXPECT_TRUE(timeline->Timeline().bars.empty());
  wnd->Hook().SetSystemMouseSource(nullptr);
}

class MacroSaveTest : public MacroPageTest {};

TEST_F(MacroSaveTest, ARecordedMacroAssignedToAKeyReachesTheDeviceAsTheOracleEncodesIt) {
  const profiles::ProfileCatalogue catalogue(DeviceKind::kKeyboard);
  ASSERT_TRUE(catalogue.SetCount(profiles::ProfileListKind::kKey, 1));
  ASSERT_TRUE(catalogue.SetName(profiles::ProfileListKind::kKey, 0, "Game"));
  ASSERT_TRUE(catalogue.SetSelect(profiles::ProfileListKind::kKey, 0));
  Connect(DeviceKind::kKeyboard);
  StartPages(2);
  Click("kb_macro_btn_redio");
  SendKey(kEvdevA);
  now += 3000;
  SendKey(kEvdevA, false);
  now += 70;
  SendKey(kEvdevB);
  SendKey(kEvdevB, false);
  Click("kb_macro_btn_redio");
  Click("kb_macro_btn_save");

  Get<ui::OptionControl>("kb_key_Op_tab").Select(true, true);
  Pump();
  Click("kb_key_64");  // A plays macro 1
  Choose("kb_key_fct_combo", 9);
  Choose("kb_key_fct_combo_23", 1);
  Click("kb_key_butt_prosave");
  RunDeviceThread(DeviceKind::kKeyboard);

  const keys::MacroLibrary library(profiles::GetDeviceFolder(DeviceKind::kKeyboard), DeviceKind::kKeyboard);
  const auto macros = keys::ReadLibraryActions(library);
  ASSERT_EQ(macros.size(), 2u);
  EXPECT_EQ(macros[1], (keys::MacroActions{{44, 1, 0x8A, 4}, {7, 0, 0x0A, 4}, {0, 0, 0x8A, 5}, {0, 0, 0x0A, 5}}));
  const auto blob = keys::EncodeMacroBlob(macros);
  ASSERT_TRUE(blob);
  const auto [area, page] = devices.keyboard.WithFirmware([](sim::Firmware& f) {
    return std::make_pair(f.State().macros, f.State().keyPages[f.State().ActiveProfile()]);
  });
  ASSERT_GE(area.size(), blob->size());
  EXPECT_EQ(std::vector<std::uint8_t>(area.begin(), area.begin() + static_cast<std::ptrdiff_t>(blob->size())), *blob);
  const std::size_t slot = wnd->KeyPositions().SlotOfPosition(64);
  const auto image = *keys::GetSlot(wnd->Image(), DeviceKind::kKeyboard,
                                    *keys::ActivePage(wnd->Image(), DeviceKind::kKeyboard), slot);
  EXPECT_EQ(image.kind, 0x70);
  EXPECT_EQ(image.param1, 1);
  EXPECT_EQ((keys::KeyFunction{page[3 * slot], page[3 * slot + 1], page[3 * slot + 2]}), image);
  EXPECT_TRUE(boxes.empty());
}

}  // namespace
}  // namespace tavrinex::app

namespace tavrinex::app {
namespace {

// Not a check: with TAVRINEX_SCREENSHOTS set to a folder, saves both macro pages in both
// languages with a recorded macro (run under Xvfb).
TEST_F(MacroPageTest, ScreenshotsOfTheMacroPages) {
  const QString folder = qEnvironmentVariable("TAVRINEX_SCREENSHOTS");
  if (folder.isEmpty()) GTEST_SKIP() << "TAVRINEX_SCREENSHOTS not set";
  std::filesystem::create_directories(folder.toStdString());
  keys::MacroLibrary mice(profiles::GetDeviceFolder(DeviceKind::kMouse), DeviceKind::kMouse);
  (void)mice.AddMacro();
  StartPages(3);
  for (const DeviceKind kind : {DeviceKind::kKeyboard, DeviceKind::kMouse}) {
    const std::string p = kind == DeviceKind::kMouse ? "ms_" : "kb_";
    OpenMacroPage(kind);
    Click(p + "macro_btn_redio");
    for (const std::uint32_t key : {29u, kEvdevA}) {  // Ctrl+A
      now += 120;
      SendKey(key);
    }
    now += 1234;
    SendKey(kEvdevA, false);
    now += 87;
    SendKey(29, false);
    now += 400;
    QTest::mouseClick(&Widget(p + "macro_events_title"), Qt::LeftButton);
    Pump();
    Click(p + "macro_btn_redio");
    Get<ui::ListControl>(p + "Macro_list").SelectItem(1);
    Click(p + "macro_inset_moveleftkey_btn");
    Editor(kind).SaveRows();
    Click(p + "macro_btn_save");
  }
  for (const char* language : {"cn", "en"}) {
    for (const char* device : {"kb", "ms"}) {
      const std::string p = std::string(device) + "_";
      OpenMacroPage(p == "kb_" ? DeviceKind::kKeyboard : DeviceKind::kMouse);
      Click(p + "macro_btn_redio");  // unsaved again: the save panel shows
      now += 300;
      SendKey(kEvdevB);
      Click(p + "macro_btn_redio");
      Pump();
      ASSERT_TRUE(Host()->grab().save(folder + "/" + device + "_macro_page_" + language + ".png"));
      Click(p + "macro_btn_save");
    }
    // The key row editor and the insert panel.
    OpenMacroPage(DeviceKind::kKeyboard);
    ClickRow("kb_Macro_list", 1);
    Click("kb_macro_btn_shubiao");
    Pump();
    ASSERT_TRUE(Host()->grab().save(folder + "/kb_macro_row_editor_" + language + ".png"));
    Click("kb_macro_btn_shubiao");
    Click("kb_macro_btn_save");
    wnd->SwitchLanguage();
  }
}

}  // namespace
}  // namespace tavrinex::app
