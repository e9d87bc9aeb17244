// The lighting pages of the shipped skin driven through the real Qt layer, offscreen: the
// groups each mode enables, the colour edits, the direction controls, the preset colours, the
// shared lighting, records with bytes out of range, saves of the selected light profile, and
// an edit that reaches a simulated device through the once-per-second flush.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "app/device_wiring.h"
#include "app/lighting_wiring.h"
#include "app/main_wnd.h"
#include "page_fixture.h"
#include "app/routing_types.h"
#include "device/device_channel.h"
#include "profiles/profile_catalogue.h"
#include "sim/factory_defaults.h"
#include "sim/simulated_device.h"
#include "storage/settings_folder.h"
#include "ui/qt/qt_window.h"

namespace tavrinex::app {
namespace {

using device::DeviceKind;
using lighting::Group;
using lighting::PageOf;
namespace rec = lighting::rec;

class LightingEditorTest : public testing::Test, public test::PageWindow {
 protected:
  void SetUp() override {
    documents = std::make_unique<test::LightProfileDocuments>();
    MakeWindow();
    // The device threads run (against whatever the test plugs into the bus) and write the saves.
    devices = std::make_unique<DeviceWiring>(*wnd, bus, nullptr);
    wnd->Create();
    StopFlushTimer();  // the edits' dirty marks stay for the checks; the flush's tests start it
    lighting = std::make_unique<LightingWiring>(*wnd, *devices, nullptr);
    QApplication::processEvents();
  }
  void TearDown() override {
    wnd->Destroy(false);
    lighting.reset();
    devices.reset();
    DropWindow();
    documents.reset();
  }

  bool Enabled(std::string_view name) { return Get<ui::Control>(name).IsEnabled(); }
  bool Visible(std::string_view name) { return Get<ui::Control>(name).IsVisible(); }
  device::CurrentRecord Record(DeviceKind kind) { return wnd->Image().Current(kind); }
  void SetRecord(DeviceKind kind, std::size_t byte, std::uint8_t value) {
    wnd->Image().Update(kind, [&](device::DeviceBlocks& b) { b.current[byte] = value; });
  }
  void SelectMode(DeviceKind kind, int mode) {
    ASSERT_TRUE(Get<ui::ListControl>(PageOf(kind).modeList).SelectItem(mode));
    Pump();
  }
  void ClearDirty() {
    for (const DeviceKind kind : device::kAllDeviceKinds) (void)wnd->Store().TakeDirty(kind);
  }

  std::unique_ptr<test::LightProfileDocuments> documents;  // first made, last gone: saves land there
  std::unique_ptr<DeviceWiring> devices;
  std::unique_ptr<LightingWiring> lighting;
};

// Each mode of each device's list enables exactly the groups of the mode table; an entry of
// "unchanged" keeps what the previous mode left; the keyboard's custom mode swaps its groups.
TEST_F(LightingEditorTest, EachModeEnablesTheGroupsOfTheModeTable) {
  for (const DeviceKind kind : device::kAllDeviceKinds) {
    const lighting::PageControls& page = PageOf(kind);
    const std::array<std::string_view, 5> names = {page.fxGroup, page.colourGroup, page.multiGroup,
                                                   page.speedGroup, page.share};
    auto& list = Get<ui::ListControl>(page.modeList);
    std::vector<int> order;
    for (int m = 0; m < list.Count(); ++m) order.push_back(m);
    for (int m = 0; m < list.Count(); ++m) order.insert(order.end(), {0, m});  // from all-on
    std::array<bool, 5> expected{};
    for (std::size_t g = 0; g < names.size(); ++g) expected[g] = Enabled(names[g]);
    for (const int m : order) {
      ClearDirty();
      SelectMode(kind, m);
      const lighting::ModeGroups groups = lighting::GroupsOf(kind, static_cast<std::uint8_t>(m));
      const std::array<Group, 5> table = {groups.direction, groups.colour, groups.multiColour,
                                          groups.speed, groups.share};
      for (std::size_t g = 0; g < names.size(); ++g) {
        if (table[g] != Group::kUnchanged) expected[g] = table[g] == Group::kOn;
        EXPECT_EQ(Enabled(names[g]), expected[g]) << device::IndexOf(kind) << " mode " << m << " " << names[g];
      }
      if (list.CurrentIndex() == m && m != 0) {
        EXPECT_EQ(Record(kind)[rec::kMode], m);
        EXPECT_TRUE(wnd->Store().IsDirty(kind));
      }
      if (kind == DeviceKind::kKeyboard) {
        const bool custom = m == lighting::Code(lighting::LightingMode::kKbCustom);
        for (const auto g : lighting::kb_custom::kOrdinaryGroups) EXPECT_EQ(Visible(g), !custom) << m << g;
        for (const auto g : lighting::kb_custom::kCustomGroups) EXPECT_EQ(Visible(g), custom) << m << g;
      }
    }
  }
  // The skin's lists: ten keyboard modes, six mouse modes, nine pad modes (9 shows nothing).
  EXPECT_EQ(Get<ui::ListControl>("kb_deng_combo_modeSelect").Count(), 10);
  EXPECT_EQ(Get<ui::ListControl>("ms_deng_combo_modeSelect").Count(), 6);
  EXPECT_EQ(Get<ui::ListControl>("mp_deng_combo_modeSelect").Count(), 9);
  EXPECT_EQ(Get<ui::ListControl>("kb_deng_combo_curtom_count").Count(), 5);
}

// Every text of the three pages, list items included, has its translation in both languages
// (an id without one would show as the id, and all ids hold "_"), and follows the switch.
TEST_F(LightingEditorTest, EveryTextOfThePagesIsTranslatedInBothLanguages) {
  std::array<std::string, 2> wave;
  for (std::size_t language = 0; language < 2; ++language) {
    for (const char* area : {"kb_deng_area", "ms_deng_area", "mp_deng_area"}) {
      for (QWidget* w : Widget(area).findChildren<QWidget*>()) {
        const std::string name = w->objectName().toStdString();
        ui::Control* c = wnd->Window().Find(name);
        if (c == nullptr || !c->ResourceText()) continue;
        if (auto* list = dynamic_cast<ui::ListControl*>(c)) {
          ASSERT_GT(list->Count(), 0) << name;
          for (int i = 0; i < list->Count(); ++i) {
            EXPECT_EQ(list->ItemText(i, 0).find('_'), std::string::npos) << name << " " << list->ItemText(i, 0);
          }
        } else {
          EXPECT_EQ(c->Text().find('_'), std::string::npos) << name << " " << c->Text();
        }
      }
    }
    wave[language] = Get<ui::ListControl>("ms_deng_combo_modeSelect").ItemText(0, 0);
    wnd->SwitchLanguage();
  }
  EXPECT_NE(wave[0], wave[1]);
  EXPECT_EQ(Get<ui::ListControl>("ms_deng_combo_modeSelect").ItemText(0, 0), wave[0]);
}

// Choosing a mode resets the device's animation and gives the effects that need one their
// start (rainbow hues, ripple source, the chase's start by direction); so does the mouse's
// direction pair.
TEST_F(LightingEditorTest, ModeSelectionResetsTheAnimationAndSeedsItsStart) {
  std::vector<std::string> calls;
  lighting::EditorHooks& hooks = lighting->Editor().Hooks();
  hooks.resetAnimation = [&](DeviceKind kind) { calls.push_back("reset " + std::to_string(device::IndexOf(kind))); };
  hooks.setKeyRainbowStart = [&] { calls.emplace_back("rainbow"); };
  hooks.setRippleSource = [&] { calls.emplace_back("ripple"); };
  hooks.setMouseChaseStart = [&](std::uint8_t d) { calls.push_back("mouse chase " + std::to_string(d)); };
  hooks.setPadChaseStart = [&] { calls.emplace_back("pad chase"); };
  SetRecord(DeviceKind::kMouse, rec::kDirection, 1);
  struct Case {
    DeviceKind kind;
    int mode;
    std::vector<std::string> calls;
  };
  for (const Case& c : {Case{DeviceKind::kKeyboard, 4, {"reset 0", "rainbow"}},
                        Case{DeviceKind::kKeyboard, 5, {"reset 0", "ripple"}},
                        Case{DeviceKind::kKeyboard, 6, {"reset 0"}},
                        Case{DeviceKind::kMouse, 5, {"reset 1", "mouse chase 1"}},
                        Case{DeviceKind::kMousePad, 5, {"reset 2", "pad chase"}}}) {
    calls.clear();
    SelectMode(c.kind, c.mode);
    EXPECT_EQ(calls, c.calls) << device::IndexOf(c.kind) << " mode " << c.mode;
  }
  calls.clear();
  Click("ms_Deng_FXR_check");
  EXPECT_EQ(calls, (std::vector<std::string>{"reset 1", "mouse chase 0"}));
}

// Typed components: 300 shows 255 and stores 255; letters read as 0; in the keyboard's custom
// mode the paint colour takes the value and the record stays as it was, not dirty.
TEST_F(LightingEditorTest, TypedComponentsAreClampedAndGoWhereTheModeSays) {
  SelectMode(DeviceKind::kMouse, 0);
  SetRecord(DeviceKind::kMouse, rec::kMultiColour, 1);
  Get<ui::OptionControl>("ms_Deng_7color_check").Select(true, false);
  ClearDirty();
  Type("ms_Deng_edit_B", "300");
  EXPECT_EQ(Widget<QLineEdit>("ms_Deng_edit_B").text().toStdString(), "255");
  EXPECT_EQ(Record(DeviceKind::kMouse)[rec::kBlue], 255);
  EXPECT_EQ(Record(DeviceKind::kMouse)[rec::kMultiColour], 0);
  EXPECT_FALSE(Get<ui::OptionControl>("ms_Deng_7color_check").IsSelected());
  EXPECT_TRUE(wnd->Store().IsDirty(DeviceKind::kMouse));
  EXPECT_EQ(Get<ui::Control>("ms_Deng_colordp_btn").BackgroundColor() & 0xFF, 255u);
  EXPECT_EQ(Get<ui::PaletteControl>("ms_deng_Color_Pallet").SelectedColor() & 0xFF, 255u);
  Type("ms_Deng_edit_R", "ab");
  EXPECT_EQ(Record(DeviceKind::kMouse)[rec::kRed], 0);
  Type("ms_Deng_edit_G", "-7");
  EXPECT_EQ(Widget<QLineEdit>("ms_Deng_edit_G").text().toStdString(), "0");
  EXPECT_EQ(Record(DeviceKind::kMouse)[rec::kGreen], 0);

  SelectMode(DeviceKind::kKeyboard, lighting::Code(lighting::LightingMode::kKbCustom));
  const device::CurrentRecord before = Record(DeviceKind::kKeyboard);
  ClearDirty();
  Type("kb_Deng_edit_B", "300");
  EXPECT_EQ(Widget<QLineEdit>("kb_Deng_edit_B").text().toStdString(), "255");
  EXPECT_EQ(wnd->Store().Custom().customColour.b, 255);
  EXPECT_EQ(Record(DeviceKind::kKeyboard), before);
  EXPECT_FALSE(wnd->Store().IsDirty(DeviceKind::kKeyboard));
  EXPECT_EQ(Get<ui::Control>("kb_Deng_custom_colordp_btn").BackgroundColor() & 0xFF, 255u);
}

TEST(LightingTypedComponent, ParsesDecimalAndClamps) {
  struct Case {
    const char* text;
    int value;
    const char* rewrite;
  };
  for (const Case& c : {Case{"0", 0, ""}, Case{"255", 255, ""}, Case{"256", 255, "255"},
                        Case{"300", 255, "255"}, Case{"99999999999999999999", 255, "255"},
                        Case{"abc", 0, ""}, Case{"", 0, ""}, Case{" 12x", 12, ""}, Case{"-7", 0, "0"},
                        Case{"+8", 8, ""}}) {
    const lighting::TypedComponent t = lighting::ParseComponent(c.text);
    EXPECT_EQ(t.value, c.value) << c.text;
    EXPECT_EQ(t.rewrite, c.rewrite) << c.text;
  }
}

// The pair acts as radio buttons; clicking the selected one keeps it and still counts as an
// edit. The mouse's buttons set the value opposite to the check boxes of the same names.
TEST_F(LightingEditorTest, DirectionPairAndTheMouseDirectionButtons) {
  for (const DeviceKind kind : device::kAllDeviceKinds) {
    SelectMode(kind, 0);
    const std::string fxl(PageOf(kind).fxlCheck);
    const std::string fxr(PageOf(kind).fxrCheck);
    for (const auto& [click, direction] : {std::pair{fxl, 1}, {fxl, 1}, {fxr, 0}, {fxr, 0}, {fxl, 1}}) {
      ClearDirty();
      Click(click.c_str());
      EXPECT_EQ(Record(kind)[rec::kDirection], direction) << click;
      EXPECT_EQ(Get<ui::OptionControl>(fxl).IsSelected(), direction == 1) << click;
      EXPECT_EQ(Get<ui::OptionControl>(fxr).IsSelected(), direction == 0) << click;
      EXPECT_TRUE(wnd->Store().IsDirty(kind)) << click;
    }
  }
  ClearDirty();
  Click("ms_Deng_FXL_btn");
  EXPECT_EQ(Record(DeviceKind::kMouse)[rec::kDirection], 0);
  EXPECT_TRUE(wnd->Store().IsDirty(DeviceKind::kMouse));
  Click("ms_Deng_FXR_btn");
  EXPECT_EQ(Record(DeviceKind::kMouse)[rec::kDirection], 1);
}

// A preset button stores its colour as the record's colour, clears multi-colour, shows the
// colour, and saves the selected light profile (written on the device's thread).
TEST_F(LightingEditorTest, PresetColourClickStoresTheColourClearsMultiColourAndSaves) {
  for (const DeviceKind kind : device::kAllDeviceKinds) {
    SelectMode(kind, 2);
    SetRecord(kind, rec::kMultiColour, 1);
    Get<ui::OptionControl>(PageOf(kind).multiCheck).Select(true, false);
    ClearDirty();
    const std::string button = std::string(PageOf(kind).presetPrefix) + "4";  // 0xFF008AFF
    Click(button.c_str());
    const device::CurrentRecord r = Record(kind);
    EXPECT_EQ(lighting::RecordColour(r), (ui::Rgb{0x00, 0x8A, 0xFF})) << button;
    EXPECT_EQ(r[rec::kMultiColour], 0) << button;
    EXPECT_FALSE(Get<ui::OptionControl>(PageOf(kind).multiCheck).IsSelected()) << button;
    EXPECT_TRUE(wnd->Store().IsDirty(kind)) << button;
    EXPECT_EQ(Get<ui::Control>(PageOf(kind).colourButton).BackgroundColor(), 0xFF008AFFu) << button;
    EXPECT_EQ(Widget<QLineEdit>(std::string(PageOf(kind).edits[1]).c_str()).text().toStdString(), "138");
    // Saved: the body's record bytes hold the colour.
    std::string body;
    PumpUntil([&] {
      body = test::LightProfileDocuments::Body(kind);
      return body.size() > rec::kBlue && static_cast<std::uint8_t>(body[rec::kGreen]) == 0x8A;
    });
    ASSERT_GT(body.size(), rec::kBlue) << button;
    EXPECT_EQ(static_cast<std::uint8_t>(body[rec::kGreen]), 0x8A) << button;
    EXPECT_EQ(body[rec::kMultiColour], 0) << button;
  }
}

// Shared lighting copies the source's mode and parameters into the others, whose pages then
// show them (the mode selection that the refresh runs marks them dirty), and lets all three
// take part; the mouse's performance bytes stay.
TEST_F(LightingEditorTest, SharedLightingCopiesTheSourceToTheOthers) {
  SelectMode(DeviceKind::kMouse, 0);
  SelectMode(DeviceKind::kMousePad, 0);
  SelectMode(DeviceKind::kKeyboard, 2);
  for (const auto& [byte, value] : std::map<std::size_t, std::uint8_t>{
           {rec::kBrightness, 9}, {rec::kSpeed, 4}, {rec::kDirection, 1}, {rec::kMultiColour, 1},
           {rec::kRed, 10}, {rec::kGreen, 20}, {rec::kBlue, 30}}) {
    SetRecord(DeviceKind::kKeyboard, byte, value);
  }
  SetRecord(DeviceKind::kMouse, rec::kDpi1, 33);
  ClearDirty();
  Click("kb_deng_same_mode");
  const device::CurrentRecord kb = Record(DeviceKind::kKeyboard);
  for (const DeviceKind other : {DeviceKind::kMouse, DeviceKind::kMousePad}) {
    const device::CurrentRecord r = Record(other);
    EXPECT_TRUE(std::equal(kb.begin() + 1, kb.begin() + 9, r.begin() + 1)) << device::IndexOf(other);
    EXPECT_EQ(Get<ui::ListControl>(PageOf(other).modeList).CurrentIndex(), 2);
    EXPECT_EQ(Get<ui::SliderControl>(PageOf(other).lightSlider).Value(), 9);
    EXPECT_EQ(Get<ui::SliderControl>(PageOf(other).speedSlider).Value(), 10);
    EXPECT_TRUE(Get<ui::OptionControl>(PageOf(other).multiCheck).IsSelected());
    EXPECT_TRUE(wnd->Store().IsDirty(other)) << "its mode list moved";
  }
  EXPECT_EQ(Record(DeviceKind::kMouse)[rec::kDpi1], 33);
  EXPECT_EQ(wnd->Store().Shared().Mode(), 2);
  for (const DeviceKind kind : device::kAllDeviceKinds) EXPECT_TRUE(wnd->Channel(kind).sharedLightingActive);
  // A mode only the keyboard has is not shared (the button is disabled; a click does nothing).
  SelectMode(DeviceKind::kKeyboard, 5);
  EXPECT_FALSE(Enabled("kb_deng_same_mode"));
  Get<ui::ListControl>("kb_deng_combo_modeSelect").SelectItem(5);
  lighting->Editor().ShareLighting(DeviceKind::kKeyboard);
  EXPECT_EQ(Record(DeviceKind::kMouse)[rec::kMode], 2);
}

// Records with bytes no device should send: the page shows what it can, nothing is lost,
// nothing crashes; a mode the device does not have is refused by the handler.
TEST_F(LightingEditorTest, OutOfRangeRecordBytesAndModesHaveDefinedResults) {
  SelectMode(DeviceKind::kKeyboard, 3);
  ClearDirty();
  for (const auto& [byte, value] : std::map<std::size_t, std::uint8_t>{
           {rec::kMode, 12}, {rec::kBrightness, 200}, {rec::kSpeed, 99}, {rec::kMultiColour, 7},
           {rec::kDirection, 250}}) {
    SetRecord(DeviceKind::kKeyboard, byte, value);
  }
  wnd->Store().UpdateCustom([](lighting::CustomColours& c) { c.customSet = 9; });
  wnd->Hooks().refreshLighting(DeviceKind::kKeyboard);
  Pump();
  EXPECT_EQ(Get<ui::ListControl>("kb_deng_combo_modeSelect").CurrentIndex(), 3) << "the list stays";
  EXPECT_FALSE(Enabled("kb_deng_speed_layout")) << "groups of the item still shown";
  EXPECT_EQ(Record(DeviceKind::kKeyboard)[rec::kMode], 12) << "the record keeps what it holds";
  EXPECT_FALSE(wnd->Store().IsDirty(DeviceKind::kKeyboard));
  EXPECT_EQ(Get<ui::SliderControl>("kb_deng_light_slider").Value(), 14);
  EXPECT_EQ(Get<ui::SliderControl>("kb_deng_speed_slider").Value(), 0);
  EXPECT_TRUE(Get<ui::OptionControl>("kb_Deng_7color_check").IsSelected());
  EXPECT_TRUE(Get<ui::OptionControl>("kb_Deng_FXL_check").IsSelected());
  EXPECT_EQ(wnd->Store().Custom().customSet, 9);

  // The pad's code 9 has no display: the groups stay as they were.
  SelectMode(DeviceKind::kMousePad, 1);
  SetRecord(DeviceKind::kMousePad, rec::kMode, 9);
  wnd->Hooks().refreshLighting(DeviceKind::kMousePad);
  EXPECT_FALSE(Enabled("mp_deng_fx_layout"));
  EXPECT_TRUE(Enabled("mp_deng_speed_layout"));

  ClearDirty();
  lighting->Editor().SelectMode(DeviceKind::kMouse, 6);
  lighting->Editor().SelectMode(DeviceKind::kMouse, -1);
  EXPECT_FALSE(wnd->Store().IsDirty(DeviceKind::kMouse));
  lighting->Editor().PickPreset(DeviceKind::kMouse, 30);
  EXPECT_FALSE(wnd->Store().IsDirty(DeviceKind::kMouse));
}

// Sliders: only the release counts (dragging changes nothing); the speed is stored reversed.
TEST_F(LightingEditorTest, SlidersStoreOnReleaseOnlyAndTheSpeedReversed) {
  for (const DeviceKind kind : device::kAllDeviceKinds) {
    SelectMode(kind, 0);
    ClearDirty();
    ui::Notification n;
    n.type = ui::EventType::kMoveValueChanged;
    n.senderName = std::string(PageOf(kind).speedSlider);
    Get<ui::SliderControl>(PageOf(kind).speedSlider).SetValue(14);
    wnd->Notify(n);
    EXPECT_FALSE(wnd->Store().IsDirty(kind));
    // The value label follows the drag, except on the keyboard, whose sliders are not
    // followed while dragging.
    EXPECT_EQ(Get<ui::Control>(PageOf(kind).speedValue).Text() == "14", kind != DeviceKind::kKeyboard);
    n.type = ui::EventType::kValueChanged;
    wnd->Notify(n);
    EXPECT_EQ(Record(kind)[rec::kSpeed], 0);
    Get<ui::SliderControl>(PageOf(kind).lightSlider).SetValue(11);
    n.senderName = std::string(PageOf(kind).lightSlider);
    wnd->Notify(n);
    EXPECT_EQ(Record(kind)[rec::kBrightness], 11);
    EXPECT_EQ(Get<ui::Control>(PageOf(kind).lightValue).Text(), "11");
    EXPECT_TRUE(wnd->Store().IsDirty(kind));
  }
}

// The keyboard's custom set list and tools act on the chosen set and save, never dirty.
TEST_F(LightingEditorTest, CustomSetToolsActOnTheChosenSet) {
  SelectMode(DeviceKind::kKeyboard, lighting::Code(lighting::LightingMode::kKbCustom));
  ASSERT_TRUE(Visible("kb_deng_custom_select_layout"));
  ClearDirty();
  Click("kb_Deng_color_btn_2");  // 0xFF6CFF00 becomes the paint colour
  EXPECT_EQ(wnd->Store().Custom().customColour, (ui::Rgb{0x6C, 0xFF, 0x00}));
  ASSERT_TRUE(Get<ui::ListControl>("kb_deng_combo_curtom_count").SelectItem(3));
  EXPECT_EQ(wnd->Store().Custom().customSet, 3);
  Click("kb_Deng_all_bright_check");
  const lighting::CustomColours c = wnd->Store().Custom();
  EXPECT_EQ(c.Triple(3, 0), (ui::Rgb{0x6C, 0xFF, 0x00}));
  EXPECT_EQ(c.Triple(2, 0), ui::Rgb{});
  Click("kb_Deng_all_kill_check");
  EXPECT_EQ(wnd->Store().Custom().Triple(3, 0), ui::Rgb{});
  EXPECT_FALSE(wnd->Store().IsDirty(DeviceKind::kKeyboard));
}

// A device that is not connected is edited all the same: record and profile change, the
// flush leaves it alone and clean.
TEST_F(LightingEditorTest, EditingADeviceThatIsNotConnectedChangesRecordAndProfile) {
  SelectMode(DeviceKind::kMousePad, 3);
  Click("mp_Deng_color_btn_7");  // 0xFFFE5400
  EXPECT_EQ(lighting::RecordColour(Record(DeviceKind::kMousePad)), (ui::Rgb{0xFE, 0x54, 0x00}));
  std::string body;
  PumpUntil([&] {
    body = test::LightProfileDocuments::Body(DeviceKind::kMousePad);
    return body.size() > rec::kRed && static_cast<std::uint8_t>(body[rec::kRed]) == 0xFE;
  });
  ASSERT_GT(body.size(), rec::kRed);
  EXPECT_EQ(static_cast<std::uint8_t>(body[rec::kRed]), 0xFE);
  EXPECT_TRUE(wnd->Store().IsDirty(DeviceKind::kMousePad));
  wnd->OnTimer(timer::kFlush);
  PumpUntil([&] { return !wnd->Store().IsDirty(DeviceKind::kMousePad); });
  EXPECT_FALSE(wnd->Store().IsDirty(DeviceKind::kMousePad));
  EXPECT_EQ(lighting::RecordColour(Record(DeviceKind::kMousePad)), (ui::Rgb{0xFE, 0x54, 0x00}));
}

// A save that no device thread took before the workers stopped is written when the wiring
// goes: the last edit before closing is not lost.
TEST_F(LightingEditorTest, ASaveStillWaitingAtShutdownIsWritten) {
  wnd->Destroy(false);  // the device threads stop; nothing takes the save now
  lighting->Editor().PickPreset(DeviceKind::kMouse, 12);  // 0xFFFEF500
  EXPECT_TRUE(test::LightProfileDocuments::Body(DeviceKind::kMouse).empty());
  lighting.reset();
  const std::string body = test::LightProfileDocuments::Body(DeviceKind::kMouse);
  ASSERT_GT(body.size(), rec::kBlue);
  EXPECT_EQ(static_cast<std::uint8_t>(body[rec::kRed]), 0xFE);
  EXPECT_EQ(static_cast<std::uint8_t>(body[rec::kGreen]), 0xF5);
}

// Against the simulator: the connect refreshes the page from what the device holds, and an
// edit reaches the device through the flush within about a second: the first tick of the
// once-a-second timer after the edit carries it (counted, as a loaded machine makes the wall
// clock say nothing).
TEST_F(LightingEditorTest, AnEditReachesTheSimulatedMouseWithinAboutOneSecond) {
  static_assert(kFlushPeriod <= std::chrono::seconds(1));
  StartFlushTimer();
  int mouseFlushes = 0;  // flushes of the mouse handed to its device thread (UI thread only)
  wnd->Hooks().flushSettings = [&mouseFlushes, flush = wnd->Hooks().flushSettings](DeviceKind kind) {
    if (kind == DeviceKind::kMouse) ++mouseFlushes;
    flush(kind);
  };
  sim::SimulatedDevices simulated(bus);
  simulated.mouse.WithFirmware([](sim::Firmware& f) {
    sim::FirmwareState& s = f.State();
    s.settings[device::kSettingsSlotSize * s.ActiveProfile() + rec::kMode] = 4;  // MS_MODE_BAR
  });
  simulated.mouse.Plug();
  PumpUntil([&] { return wnd->Channel(DeviceKind::kMouse).connected.load(); });
  ASSERT_TRUE(wnd->Channel(DeviceKind::kMouse).connected);
  PumpUntil([&] { return Get<ui::ListControl>("ms_deng_combo_modeSelect").CurrentIndex() == 4; });
  EXPECT_EQ(Get<ui::ListControl>("ms_deng_combo_modeSelect").CurrentIndex(), 4) << "shown after the connect";
  mouseFlushes = 0;  // from here on, every tick comes after the edit
  Click("ms_Deng_color_btn_9");  // 0xFF8300E7
  const auto reached = [&] {
    const auto state = simulated.mouse.Snapshot();
    const auto slot = state.Slot(state.ActiveProfile());
    return slot[rec::kRed] == 0x83 && slot[rec::kBlue] == 0xE7 && slot[rec::kMultiColour] == 0;
  };
  PumpUntil(reached);
  EXPECT_TRUE(reached());
  EXPECT_LE(mouseFlushes, 1) << "one flush carries the edit; none had to be sent again";
  EXPECT_EQ(device::ExchangesOnForbiddenThread(), 0u) << "no exchange on the UI thread";
  wnd->Destroy(false);
  wnd->Channel(DeviceKind::kMouse).hid.CloseDevice();
}

// The pad's on-board profile list switches the device on its thread and the page then shows
// the new profile's record.
TEST_F(LightingEditorTest, OnboardProfileSwitchRefreshesThePadPage) {
  sim::SimulatedDevices simulated(bus);
  simulated.mousePad.WithFirmware([](sim::Firmware& f) {
    sim::FirmwareState& s = f.State();
    s.settings[0] = 0;
    s.settings[2 * device::kSettingsSlotSize + rec::kMode] = 6;  // PAD_MODE_COLUMN_WAVE
    s.settings[2 * device::kSettingsSlotSize + rec::kBrightness] = 3;
  });
  simulated.mousePad.Plug();
  PumpUntil([&] { return wnd->Channel(DeviceKind::kMousePad).connected.load(); });
  ASSERT_TRUE(wnd->Channel(DeviceKind::kMousePad).connected);
  ui::Notification n;
  n.type = ui::EventType::kItemSelect;
  n.senderName = "mp_deng_combo_profile";
  n.itemIndex = 2;
  wnd->Notify(n);
  auto& list = Get<ui::ListControl>("mp_deng_combo_modeSelect");
  PumpUntil([&] { return list.CurrentIndex() == 6; });
  EXPECT_EQ(list.CurrentIndex(), 6);
  EXPECT_EQ(Get<ui::SliderControl>("mp_deng_light_slider").Value(), 3);
  EXPECT_EQ(Record(DeviceKind::kMousePad)[rec::kProfileIndex], 2);
  EXPECT_EQ(simulated.mousePad.Snapshot().ActiveProfile(), 2);
  EXPECT_EQ(Get<ui::ListControl>("mp_deng_combo_profile").CurrentIndex(), 2);
  EXPECT_EQ(device::ExchangesOnForbiddenThread(), 0u) << "no exchange on the UI thread";
  wnd->Destroy(false);
  wnd->Channel(DeviceKind::kMousePad).hid.CloseDevice();
}

// The mouse's numbered buttons: the one of the profile in use is marked after each refresh,
// a click on another switches the mouse, and a click on the marked one sends nothing.
TEST_F(LightingEditorTest, MouseOnboardButtonsSwitchAndMarkTheProfileInUse) {
  sim::SimulatedDevices simulated(bus);
  simulated.mouse.Plug();
  PumpUntil([&] { return wnd->Channel(DeviceKind::kMouse).connected.load(); });
  ASSERT_TRUE(wnd->Channel(DeviceKind::kMouse).connected);
  const int first = simulated.mouse.Snapshot().ActiveProfile();
  const auto marked = [&] {
    std::vector<int> on;
    for (int i = 0; i < 5; ++i) {
      if (Get<ui::Control>("ms_profile_" + std::to_string(i)).Attribute("style") == "active") on.push_back(i);
    }
    return on;
  };
  PumpUntil([&] { return marked() == std::vector<int>{first}; });
  ASSERT_EQ(marked(), std::vector<int>{first}) << "marked after the connect";
  Click("ms_profile_" + std::to_string(first));
  EXPECT_EQ(devices->Context().work->Pending(DeviceKind::kMouse), 0U) << "no switch to the profile in use";
  const int target = (first + 3) % 5;
  Click("ms_profile_" + std::to_string(target));
  PumpUntil([&] { return marked() == std::vector<int>{target}; });
  EXPECT_EQ(marked(), std::vector<int>{target});
  EXPECT_EQ(simulated.mouse.Snapshot().ActiveProfile(), target);
  EXPECT_EQ(device::ExchangesOnForbiddenThread(), 0u) << "no exchange on the UI thread";
  wnd->Destroy(false);
  wnd->Channel(DeviceKind::kMouse).hid.CloseDevice();
}

// The pad's reset runs on its thread (with the second it needs to settle), and the
// synchronisation it asks for brings the factory settings onto the page; an edit still waiting
// for its flush does not write the old record over them.
TEST_F(LightingEditorTest, PadResetRunsOnThePadsThreadAndThePageShowsTheFactorySettings) {
  sim::SimulatedDevices simulated(bus);
  simulated.mousePad.WithFirmware([](sim::Firmware& f) {
    sim::FirmwareState& s = f.State();
    s.settings[device::kSettingsSlotSize * s.ActiveProfile() + rec::kMode] = 6;
    s.settings[device::kSettingsSlotSize * s.ActiveProfile() + rec::kBrightness] = 1;
  });
  StartFlushTimer();  // the flush that waits for its tick meets the reset
  simulated.mousePad.Plug();
  auto& modes = Get<ui::ListControl>("mp_deng_combo_modeSelect");
  PumpUntil([&] { return modes.CurrentIndex() == 6; });
  ASSERT_EQ(modes.CurrentIndex(), 6) << "shown after the connect";
  const auto factory = sim::factory::Record(DeviceKind::kMousePad, simulated.mousePad.Snapshot().ActiveProfile());
  ASSERT_NE(factory[rec::kMode], 6);
  wnd->Store().MarkDirty(DeviceKind::kMousePad);  // an edit whose flush is still to come
  Click("mp_one_profile_default");
  PumpUntil([&] { return modes.CurrentIndex() == factory[rec::kMode]; });
  EXPECT_EQ(simulated.mousePad.Snapshot().factoryResets, 1);
  EXPECT_EQ(modes.CurrentIndex(), factory[rec::kMode]);
  EXPECT_EQ(Get<ui::SliderControl>("mp_deng_light_slider").Value(), factory[rec::kBrightness]);
  EXPECT_EQ(device::ExchangesOnForbiddenThread(), 0u) << "no exchange on the UI thread";
  wnd->Destroy(false);
  wnd->Channel(DeviceKind::kMousePad).hid.CloseDevice();
}

// The three lighting pages in both languages (a keyboard also in its custom mode), saved
// when TAVRINEX_SCREENSHOTS names a folder.
TEST_F(LightingEditorTest, ScreenshotsOfTheLightingPages) {
  const QString folder = qEnvironmentVariable("TAVRINEX_SCREENSHOTS");
  if (folder.isEmpty()) GTEST_SKIP() << "TAVRINEX_SCREENSHOTS not set";
  std::filesystem::create_directories(folder.toStdString());
  QWidget* host = Host();
  host->resize(1000, 740);
  SetRecord(DeviceKind::kKeyboard, rec::kBrightness, 11);
  SetRecord(DeviceKind::kKeyboard, rec::kSpeed, 5);
  SetRecord(DeviceKind::kMouse, rec::kMode, 5);
  SetRecord(DeviceKind::kMouse, rec::kBrightness, 14);
  SetRecord(DeviceKind::kMousePad, rec::kMode, 3);
  SetRecord(DeviceKind::kMousePad, rec::kBrightness, 7);
  for (const DeviceKind kind : device::kAllDeviceKinds) {
    SetRecord(kind, rec::kRed, 0x19);
    SetRecord(kind, rec::kGreen, 0xC3);
    SetRecord(kind, rec::kBlue, 0xF0);
    wnd->Hooks().refreshLighting(kind);
  }
  for (const char* language : {"cn", "en"}) {
    for (const char* tab : {"kb_tab", "ms_tab", "mp_tab"}) {
      Get<ui::OptionControl>(tab).Select(true, true);
      Pump();
      ASSERT_TRUE(host->grab().save(folder + "/lighting_" + tab + "_" + language + ".png"));
    }
    Get<ui::OptionControl>("kb_tab").Select(true, true);
    SelectMode(DeviceKind::kKeyboard, 8);
    ASSERT_TRUE(host->grab().save(folder + "/lighting_kb_custom_" + language + ".png"));
    SelectMode(DeviceKind::kKeyboard, 0);
    wnd->SwitchLanguage();
  }
}

}  // namespace
}  // namespace tavrinex::app
