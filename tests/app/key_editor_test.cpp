// The key pages of the keyboard and the mouse on the real Qt layer, offscreen, with the shipped
// skin and the simulated devices: the editor's cases, key capture, the mouse's differences and
// the save action on the device thread.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QTest>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "keys/macro_library.h"
#include "page_fixture.h"
#include "profiles/profile_catalogue.h"
#include "storage/settings_folder.h"

namespace tavrinex::app {
namespace {

using device::DeviceKind;
using keys::KeyFunction;

constexpr int kPositionA = 64;  // "kb_key_64": A on the keyboard view
constexpr std::uint32_t kEvdevKeypadEnter = 96, kEvdevVolumeUp = 115, kEvdevA = 30,
                        kEvdevCapsLock = 58;

class KeyPageTest : public test::KeyWindow {
 protected:
  void OpenKeyPage(DeviceKind kind) { OpenPage(kind, "key_Op_tab"); }
  KeyFunction Slot(DeviceKind kind, std::size_t slot) {
    return keys::GetSlot(wnd->Image(), kind, *keys::ActivePage(wnd->Image(), kind), slot).value();
  }
  std::size_t SlotOfA() { return wnd->KeyPositions().SlotOfPosition(kPositionA); }
  static void Activate(QWidget* window) {
    window->activateWindow();
    (void)QTest::qWaitForWindowActive(window, 20000);  // returns once active; bounds a failure only
    Pump();
  }
};

TEST_F(KeyPageTest, KeyboardPageShowsTheKeysOverThePictureWithTranslatedLegendsAndChoices) {
  EXPECT_FALSE(Get("kb_key_layer").IsVisible());
  OpenKeyPage(DeviceKind::kKeyboard);
  EXPECT_TRUE(Get("kb_key_layer").IsVisible());
  EXPECT_FALSE(Get("kb_tab_function").IsVisible());
  int buttons = 0;
  for (int n = 0; n < 126; ++n) buttons += wnd->Window().Find("kb_key_" + std::to_string(n)) != nullptr;
  EXPECT_EQ(buttons, 106);
  EXPECT_EQ(Get("kb_key_64").Text(), "A");
  EXPECT_EQ(Get("kb_key_118").Text(), "回车");
  Click("kb_key_64");  // no keyboard read yet: the position has no slot
  EXPECT_FALSE(Get("kb_tab_function").IsVisible());
  EXPECT_EQ(Get<ui::ListControl>("kb_key_fct_combo").Count(), 10);
  EXPECT_EQ(Get<ui::ListControl>("kb_key_fct_combo_21").Count(), 18);
  EXPECT_EQ(Widget<QComboBox>("kb_key_fct_combo").itemText(0), "出厂默认");
  wnd->SwitchLanguage();
  EXPECT_EQ(Widget<QComboBox>("kb_key_fct_combo").itemText(0), "Factory default");
  EXPECT_EQ(Get("kb_key_118").Text(), "Enter");
  Get<ui::OptionControl>("kb_deng_Op_tab").Select(true, true);
  EXPECT_FALSE(Get("kb_key_layer").IsVisible()) << "the lighting page shows the LED pictures";
}

TEST_F(KeyPageTest, SwingLeftRightIsStoredShownAgainAndRestored) {
  Connect(DeviceKind::kKeyboard);
  OpenKeyPage(DeviceKind::kKeyboard);
  const std::size_t slot = SlotOfA();
  const KeyFunction factory = Slot(DeviceKind::kKeyboard, slot);
  Click("kb_key_64");
  EXPECT_TRUE(Get("kb_tab_function").IsVisible());
  EXPECT_EQ(Get<ui::ListControl>("kb_key_fct_combo").CurrentIndex(), 0) << "factory default";
  EXPECT_EQ(Get("kb_key_64").ToolTip(), "A");

  Choose("kb_key_fct_combo", 3);
  EXPECT_TRUE(Get("kb_tab_function_3").IsVisible());
  EXPECT_FALSE(Get("kb_tab_function_0").IsVisible());
  Choose("kb_key_fct_combo_12", 1);
  Type("kb_key_fct_edit_15", "5");
  Type("kb_key_fct_edit_17", "3");
  Type("kb_key_fct_edit_20", "2");
  EXPECT_EQ(Slot(DeviceKind::kKeyboard, slot), (KeyFunction{0x11, 0x32, 0x85}));
  EXPECT_EQ(Get("kb_key_64").ToolTip(), "A → 右摆");
  EXPECT_EQ(Get("kb_key_64").BackgroundImage(), "images/keys/key_set.png");
  wnd->SwitchLanguage();
  EXPECT_EQ(Get("kb_key_64").ToolTip(), "A → Tilt right");
  wnd->SwitchLanguage();

  EXPECT_EQ(Get("kb_key_64").Attribute("style"), "selected");
  Click("kb_key_65");  // another key, then back: the editor shows the stored swing
  EXPECT_EQ(Get<ui::ListControl>("kb_key_fct_combo").CurrentIndex(), 0);
  EXPECT_EQ(Get("kb_key_64").Attribute("style"), "");
  EXPECT_EQ(Get("kb_key_65").Attribute("style"), "selected");
  Click("kb_key_64");
  EXPECT_EQ(Get<ui::ListControl>("kb_key_fct_combo").CurrentIndex(), 3);
  EXPECT_EQ(Get<ui::ListControl>("kb_key_fct_combo_12").CurrentIndex(), 1);
  EXPECT_EQ(Get("kb_key_fct_edit_15").Text(), "5");
  EXPECT_EQ(Get("kb_key_fct_edit_17").Text(), "3");
  EXPECT_EQ(Get("kb_key_fct_edit_20").Text(), "2");
  EXPECT_EQ(Slot(DeviceKind::kKeyboard, slot), (KeyFunction{0x11, 0x32, 0x85})) << "showing changes nothing";

  Click("kb_key_butt_keydefalut");
  EXPECT_EQ(Slot(DeviceKind::kKeyboard, slot), factory);
  EXPECT_EQ(Get<ui::ListControl>("kb_key_fct_combo").CurrentIndex(), 0);
  EXPECT_EQ(Get("kb_key_64").ToolTip(), "A");
  EXPECT_EQ(Get("kb_key_64").BackgroundImage(), "images/keys/key_normal.png");
}

TEST_F(KeyPageTest, TypedNumbersAreClampedNegativeAndLettersReadAsZero) {
  Connect(DeviceKind::kKeyboard);
  OpenKeyPage(DeviceKind::kKeyboard);
  Click("kb_key_64");
  Choose("kb_key_fct_combo", 6);  // fire key
  struct Case {
    const char* edit;
    const char* typed;
    const char* shown;
    KeyFunction stored;
  };
  for (const Case& c : {Case{"kb_key_fct_edit_11", "300", "255", {0x14, 255, 0}},
                        Case{"kb_key_fct_edit_12", "abc", "abc", {0x14, 255, 0}},
                        Case{"kb_key_fct_edit_12", "77", "77", {0x14, 255, 77}},
                        Case{"kb_key_fct_edit_12", "-5", "0", {0x14, 255, 0}},
                        Case{"kb_key_fct_edit_11", "99999999999999", "255", {0x14, 255, 0}}}) {
    Type(c.edit, c.typed);
    EXPECT_EQ(Get(c.edit).Text(), c.shown) << c.typed;
    EXPECT_EQ(Slot(DeviceKind::kKeyboard, SlotOfA()), c.stored) << c.typed;
  }
}

TEST_F(KeyPageTest, CaptureStoresPlainKeysOnlyWithholdsTheRestAndGrabsWhileActive) {
  Connect(DeviceKind::kKeyboard);
  OpenKeyPage(DeviceKind::kKeyboard);
  Activate(Host());
  Click("kb_key_64");
  Choose("kb_key_fct_combo", 1);
  EXPECT_EQ(wnd->Hook().Mode(), platform::HookMode::kKeyCapture);
  EXPECT_TRUE(wnd->Window().KeyCaptureOn());
  const KeyFunction before = Slot(DeviceKind::kKeyboard, SlotOfA());

  SendKey(kEvdevVolumeUp);
  EXPECT_EQ(Slot(DeviceKind::kKeyboard, SlotOfA()), before) << "a media key is not a plain key";
  SendKey(kEvdevKeypadEnter);
  SendKey(kEvdevKeypadEnter, false);
  EXPECT_EQ(Slot(DeviceKind::kKeyboard, SlotOfA()), (KeyFunction{0x20, 0x00, 0x58}));
  EXPECT_EQ(Get("kb_key_fct_edit_21").Text(), "小键盘回车");

  // Every key but the lock keys is withheld from the window's controls; A is captured too.
  EXPECT_TRUE(wnd->Hook().OnKey({kEvdevA + 8, true, false}));
  EXPECT_EQ(Slot(DeviceKind::kKeyboard, SlotOfA()), (KeyFunction{0x20, 0x00, 0x04}));
  EXPECT_FALSE(wnd->Hook().OnKey({kEvdevCapsLock + 8, true, false})) << "goes on, and is captured";
  EXPECT_EQ(Slot(DeviceKind::kKeyboard, SlotOfA()), (KeyFunction{0x20, 0x00, 0x39}));
  EXPECT_TRUE(wnd->Hook().OnKey({255 + 8, true, false})) << "a key the tables lack is withheld";
  EXPECT_EQ(Slot(DeviceKind::kKeyboard, SlotOfA()), (KeyFunction{0x20, 0x00, 0x39})) << "and ignored";

  Choose("kb_key_fct_combo", 0);
  EXPECT_FALSE(wnd->Window().KeyCaptureOn()) << "the selector change removes the hook";
  EXPECT_FALSE(wnd->Window().KeyboardGrabbed());
}

TEST_F(KeyPageTest, TheGrabIsLetGoWhileAnotherWindowIsActiveAndTakenBack) {
  QWidget other;
  other.show();
  Activate(Host());
  ASSERT_TRUE(Host()->isActiveWindow());
  ASSERT_TRUE(wnd->Hook().InstallHooks(platform::HookMode::kKeyCapture, wnd->Window(), true, false));
  EXPECT_TRUE(wnd->Window().KeyboardGrabbed());
  Activate(&other);
  EXPECT_FALSE(wnd->Window().KeyboardGrabbed()) << "no program's keys are taken from the desktop";
  EXPECT_TRUE(wnd->Window().KeyCaptureOn());
  Activate(Host());
  EXPECT_TRUE(wnd->Window().KeyboardGrabbed());
  Get<ui::OptionControl>("ms_tab").Select(true, true);  // a tab change removes the hooks
  EXPECT_FALSE(wnd->Window().KeyCaptureOn());
  EXPECT_FALSE(wnd->Window().KeyboardGrabbed());
}

TEST_F(KeyPageTest, MacroPlayModesAndRepeatCount) {
  keys::MacroLibrary library(profiles::GetDeviceFolder(DeviceKind::kKeyboard), DeviceKind::kKeyboard);
  for (int i = 0; i < 4; ++i) ASSERT_EQ(library.AddMacro().outcome, keys::MacroOutcome::kAdded);
  Connect(DeviceKind::kKeyboard);
  OpenKeyPage(DeviceKind::kKeyboard);
  Click("kb_key_64");
  Choose("kb_key_fct_combo", 9);
  EXPECT_EQ(Get<ui::ListControl>("kb_key_fct_combo_23").Count(), 4);
  const KeyFunction before = Slot(DeviceKind::kKeyboard, SlotOfA());
  EXPECT_EQ(Slot(DeviceKind::kKeyboard, SlotOfA()), before) << "no macro chosen: nothing stored";
  Choose("kb_key_fct_combo_23", 3);
  Choose("kb_key_fct_combo_24", 2);
  EXPECT_TRUE(Get("kb_tab_function_26").IsVisible());
  Type("kb_key_fct_edit_25", "10");
  EXPECT_EQ(Slot(DeviceKind::kKeyboard, SlotOfA()), (KeyFunction{0x71, 3, 10}));
  EXPECT_EQ(Get("kb_key_64").ToolTip(), "A → name_4");
  Choose("kb_key_fct_combo_24", 1);
  EXPECT_FALSE(Get("kb_tab_function_26").IsVisible());
  EXPECT_EQ(Slot(DeviceKind::kKeyboard, SlotOfA()), (KeyFunction{0x70, 3, 1}));
}

TEST_F(KeyPageTest, TheOnlyLeftClickButtonIsRefusedAndEitherOfTwoMayBeEdited) {
  Connect(DeviceKind::kMouse);
  OpenKeyPage(DeviceKind::kMouse);
  EXPECT_TRUE(Get("ms_key_layer").IsVisible());
  EXPECT_EQ(Get("ms_key_0").Text(), "左键");
  Click("ms_key_0");
  EXPECT_EQ(boxes, std::vector<std::string>{"message_text_6"});
  EXPECT_FALSE(Get("ms_tab_function").IsVisible());

  Click("ms_key_2");  // right: editable; make it a second left click
  EXPECT_TRUE(Get("ms_tab_function").IsVisible());
  Choose("ms_key_fct_combo", 1);  // mouse button
  Choose("ms_key_fct_combo_11", 0);
  EXPECT_EQ(Slot(DeviceKind::kMouse, 2), (KeyFunction{0x10, 0x01, 0x00}));
  EXPECT_EQ(Get("ms_key_2").Text(), "左键");
  Click("ms_key_0");
  EXPECT_EQ(boxes.size(), 1u);
  EXPECT_TRUE(Get("ms_tab_function").IsVisible());
  Choose("ms_key_fct_combo", 6);  // a keyboard key: mode 16
  EXPECT_EQ(wnd->Hook().Mode(), platform::HookMode::kMouseKeyCapture);
}

TEST_F(KeyPageTest, MouseButtonPicturesFollowThePointer) {
  OpenKeyPage(DeviceKind::kMouse);
  EXPECT_EQ(Get("ms_key_1_0").BackgroundImage(), "ms/key_wheel_normal.png");
  QEvent enter(QEvent::Enter);
  QApplication::sendEvent(&Widget("ms_key_1"), &enter);
  EXPECT_EQ(Get("ms_key_1_0").BackgroundImage(), "ms/key_wheel_down.png");
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(&Widget("ms_key_1"), &leave);
  EXPECT_EQ(Get("ms_key_1_0").BackgroundImage(), "ms/key_wheel_normal.png");
}

class KeySaveTest : public KeyPageTest {
 protected:
  void SetUp() override {
    KeyPageTest::SetUp();
    const profiles::ProfileCatalogue catalogue(DeviceKind::kKeyboard);
    ASSERT_TRUE(catalogue.SetCount(profiles::ProfileListKind::kKey, 1));
    ASSERT_TRUE(catalogue.SetName(profiles::ProfileListKind::kKey, 0, "Game"));
    ASSERT_TRUE(catalogue.SetSelect(profiles::ProfileListKind::kKey, 0));
    keys::MacroLibrary library(profiles::GetDeviceFolder(DeviceKind::kKeyboard), DeviceKind::kKeyboard);
    ASSERT_EQ(library.AddMacro().outcome, keys::MacroOutcome::kAdded);
    const std::vector<std::string> actions(40, "5,0,138,4,1,keyboard_key_A");
    ASSERT_EQ(library.SaveMacro(0, actions).outcome, keys::MacroOutcome::kSaved);
    Connect(DeviceKind::kKeyboard);
    OpenKeyPage(DeviceKind::kKeyboard);
    Click("kb_key_64");
    Choose("kb_key_fct_combo", 6);
    Type("kb_key_fct_edit_11", "9");  // A becomes the fire key (0x14, 9, 0)
    devices.keyboard.ClearRequests();
    std::filesystem::remove(ProfileFile());
  }
  std::filesystem::path ProfileFile() {
    return std::filesystem::path(profiles::GetDeviceFolder(DeviceKind::kKeyboard)) / "Game.pro";
  }
  KeyFunction DeviceSlot(std::size_t slot) {
    return devices.keyboard.WithFirmware([slot](sim::Firmware& f) {
      const auto& page = f.State().keyPages[f.State().ActiveProfile()];
      return KeyFunction{page[3 * slot], page[3 * slot + 1], page[3 * slot + 2]};
    });
  }
};

TEST_F(KeySaveTest, SaveSendsTheMacrosThenTheKeyPageOnTheDeviceThreadThenWritesTheProfile) {
  Click("kb_key_butt_prosave");
  EXPECT_TRUE(Get("setting_progress").IsVisible());
  EXPECT_FALSE(Get("kb_key_page").IsEnabled()) << "the page waits for the device thread";
  EXPECT_EQ(devices.keyboard.RequestCount(), 0u) << "nothing on the UI thread";
  RunDeviceThread(DeviceKind::kKeyboard);
  EXPECT_TRUE(Get("kb_key_page").IsEnabled());
  EXPECT_TRUE(boxes.empty());
  using C = device::Command;
  std::vector<C> commands = devices.keyboard.Commands();
  commands.erase(std::unique(commands.begin(), commands.end()), commands.end());
  EXPECT_EQ(commands, (std::vector<C>{C::kBegin, C::kWriteMacros, C::kEnd, C::kBegin,
                                      C::kWriteKeyPage, C::kEnd}));
  EXPECT_EQ(DeviceSlot(SlotOfA()), (KeyFunction{0x14, 9, 0}));
  std::ifstream in(ProfileFile(), std::ios::binary);
  std::string body(16 + 512 + 1, '\0');
  in.read(body.data(), static_cast<std::streamsize>(body.size()));
  body.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
  ASSERT_EQ(body.size(), 16u + 512u);
  EXPECT_EQ(body.substr(16 + 3 * SlotOfA(), 3), std::string("\x14\x09\x00", 3));
  EXPECT_EQ(device::ExchangesOnForbiddenThread(), 0u);
}

TEST_F(KeySaveTest, AnUnpluggedOrHalfwayUnpluggedDeviceKeepsItsPageAndTheProfileFile) {
  const KeyFunction onDevice = DeviceSlot(SlotOfA());
  devices.keyboard.InjectFault({sim::Fault::Action::kUnplug, 2, 1});  // during the macros
  Click("kb_key_butt_prosave");
  RunDeviceThread(DeviceKind::kKeyboard);
  EXPECT_EQ(DeviceSlot(SlotOfA()), onDevice);
  EXPECT_FALSE(std::filesystem::exists(ProfileFile()));
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_TRUE(boxes[0] == "message_key_save_failed" || boxes[0] == "message_key_save_unplugged")
      << boxes[0];
  EXPECT_TRUE(Get("kb_key_page").IsEnabled());

  wnd->Channel(DeviceKind::kKeyboard).connected = false;  // detection has seen it go
  devices.keyboard.ClearRequests();
  Click("kb_key_butt_prosave");
  RunDeviceThread(DeviceKind::kKeyboard);
  EXPECT_EQ(devices.keyboard.RequestCount(), 0u);
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[1], "message_key_save_unplugged");
  EXPECT_FALSE(std::filesystem::exists(ProfileFile()));
}

}  // namespace
}  // namespace tavrinex::app

namespace tavrinex::app {
namespace {

// Not a check: with TAVRINEX_SCREENSHOTS set to a folder, saves both key pages in both
// languages with an editor open and a reassigned key (run under Xvfb).
TEST_F(KeyPageTest, ScreenshotsOfTheKeyPages) {
  const QString folder = qEnvironmentVariable("TAVRINEX_SCREENSHOTS");
  if (folder.isEmpty()) GTEST_SKIP() << "TAVRINEX_SCREENSHOTS not set";
  std::filesystem::create_directories(folder.toStdString());
  keys::MacroLibrary library(profiles::GetDeviceFolder(DeviceKind::kKeyboard), DeviceKind::kKeyboard);
  ASSERT_EQ(library.AddMacro().outcome, keys::MacroOutcome::kAdded);
  Connect(DeviceKind::kKeyboard);
  Connect(DeviceKind::kMouse);
  OpenKeyPage(DeviceKind::kKeyboard);
  Click("kb_key_65");  // S plays the macro
  Choose("kb_key_fct_combo", 9);
  Choose("kb_key_fct_combo_23", 0);
  Click("kb_key_64");  // A tilts right
  Choose("kb_key_fct_combo", 3);
  Choose("kb_key_fct_combo_12", 1);
  Type("kb_key_fct_edit_15", "5");
  Type("kb_key_fct_edit_17", "3");
  Type("kb_key_fct_edit_20", "2");
  OpenKeyPage(DeviceKind::kMouse);
  Click("ms_key_5");  // the DPI button becomes a media key
  Choose("ms_key_fct_combo", 7);
  Choose("ms_key_fct_combo_21", 1);
  QEvent enter(QEvent::Enter);
  QApplication::sendEvent(&Widget("ms_key_5"), &enter);
  for (const char* language : {"cn", "en"}) {
    for (const char* device : {"kb", "ms"}) {
      OpenKeyPage(std::string(device) == "kb" ? DeviceKind::kKeyboard : DeviceKind::kMouse);
      Pump();
      ASSERT_TRUE(Host()->grab().save(folder + "/" + device + "_key_page_" + language + ".png"));
    }
    Click("kb_key_64");
    Choose("kb_key_fct_combo", 1);  // the capture panel
    OpenKeyPage(DeviceKind::kKeyboard);
    Pump();
    ASSERT_TRUE(Host()->grab().save(folder + "/kb_key_capture_" + language + ".png"));
    Choose("kb_key_fct_combo", 3);
    wnd->SwitchLanguage();
  }
}

}  // namespace
}  // namespace tavrinex::app
