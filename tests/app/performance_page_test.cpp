// The mouse's performance page of the shipped skin driven through the real Qt layer, offscreen:
// the DPI scale from the info block, the active level, the DPI colour, report rate and lift-off
// (record edits), the pointer speed and wheel lines handed to a fake desktop, controls of a
// desktop that offers nothing, and the mouse reset against the simulated mouse.
#include "app/performance_page.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QSlider>
#include <QTest>
#include <array>
#include <chrono>
#include <filesystem>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/device_wiring.h"
#include "app/lighting_wiring.h"
#include "app/main_wnd.h"
#include "page_fixture.h"
#include "device/device_channel.h"
#include "lighting/lighting_model.h"
#include "profiles/profile_catalogue.h"
#include "sim/simulated_device.h"
#include "storage/settings_folder.h"
#include "ui/qt/qt_window.h"

namespace tavrinex::app {
namespace {

using device::DeviceKind;
namespace rec = lighting::rec;
constexpr DeviceKind kMouse = DeviceKind::kMouse;

// What reached the desktop, in order.
class FakeDesktop final : public platform::PointerSettingsBackend {
 public:
  FakeDesktop(bool speed, bool wheel) : speed_(speed), wheel_(wheel) {}
  std::string_view Name() const override { return "fake"; }
  bool OffersSpeed() const override { return speed_; }
  bool OffersWheelLines() const override { return wheel_; }
  bool ApplySpeed(int speed) override { return Add("speed " + std::to_string(speed)); }
  bool ApplyWheelLines(int lines) override { return Add("wheel " + std::to_string(lines)); }
  std::vector<std::string> Calls() {
    std::lock_guard lock(mutex_);
    return calls_;
  }

 private:
  bool Add(std::string call) {
    std::lock_guard lock(mutex_);
    calls_.push_back(std::move(call));
    return true;
  }
  bool speed_;
  bool wheel_;
  std::mutex mutex_;
  std::vector<std::string> calls_;
};

class PerformancePageTest : public testing::Test, public test::PageWindow {
 protected:
  void SetUp() override { Build(true, true); }
  void Build(bool speed, bool wheel) {
    TearDown();
    documents = std::make_unique<test::LightProfileDocuments>();
    auto backend = std::make_unique<FakeDesktop>(speed, wheel);
    desktop = backend.get();
    pointer = std::make_unique<platform::PointerSettingsWorker>(std::move(backend));
    MakeWindow();
    devices = std::make_unique<DeviceWiring>(*wnd, bus, nullptr);
    wnd->Create();
    StopFlushTimer();  // the edits' dirty marks stay for the checks
    lighting = std::make_unique<LightingWiring>(*wnd, *devices, nullptr);
    page = std::make_unique<PerformancePage>(*wnd, *devices, *lighting, pointer.get());
    Pump();
  }
  void TearDown() override {
    if (wnd) wnd->Destroy(false);
    page.reset();
    lighting.reset();
    devices.reset();
    DropWindow();
    pointer.reset();
    documents.reset();
  }

  // A slider released at `value` (keys and clicks beside the handle notify the same way).
  void Release(std::string_view name, int value) {
    Widget<QSlider>(name).setValue(value);
    Pump();
  }
  void SetRecord(std::size_t byte, std::uint8_t value) {
    wnd->Image().Update(kMouse, [&](device::DeviceBlocks& b) { b.current[byte] = value; });
  }
  void SetScale(std::uint8_t step, std::uint8_t maximum) {
    wnd->Image().Update(kMouse, [&](device::DeviceBlocks& b) {
      b.info[perf::kInfoDpiStep] = step;
      b.info[perf::kInfoDpiMaximum] = maximum;
    });
  }
  void Refresh() {
    wnd->Hooks().refreshLighting(kMouse);
    Pump();
  }
  std::vector<std::string> DesktopCalls() {
    EXPECT_TRUE(pointer->WaitUntilIdle(std::chrono::seconds(20)));
    return desktop->Calls();
  }
  device::CurrentRecord Record() { return wnd->Image().Current(kMouse); }
  std::string Text(std::string_view name) { return Get(name).Text(); }

  std::unique_ptr<test::LightProfileDocuments> documents;
  FakeDesktop* desktop = nullptr;
  std::unique_ptr<platform::PointerSettingsWorker> pointer;
  std::unique_ptr<DeviceWiring> devices;
  std::unique_ptr<LightingWiring> lighting;
  std::unique_ptr<PerformancePage> page;
};

// Step 100 and maximum 63: sliders 0-63, labels 100-6400, a record value of 15 shows 1600; a
// drag moves only the label, a release stores the step index. Before the first synchronisation
// (step and maximum 0) every level shows 100.
TEST_F(PerformancePageTest, DpiLevelsFollowTheInfoBlockScale) {
  SetScale(0, 0);
  SetRecord(rec::kDpi1, 15);
  Refresh();
  for (std::size_t level = 0; level < 4; ++level) {
    EXPECT_EQ(Text(perf::kDpiValues[level]), "100");
    EXPECT_EQ(Get<ui::SliderControl>(perf::kDpiSliders[level]).Maximum(), 0);
  }
  SetScale(100, 63);
  Refresh();
  auto& slider = Get<ui::SliderControl>("ms_DPI1_slider");
  EXPECT_EQ(slider.Minimum(), 0);
  EXPECT_EQ(slider.Maximum(), 63);
  EXPECT_EQ(slider.Value(), 15);
  EXPECT_EQ(Text("ms_DPI1_label_value"), "1600");
  EXPECT_FALSE(wnd->Store().IsDirty(kMouse)) << "a refresh is no edit";

  slider.SetValue(63);
  page->ShowDpiLabel(0);  // the drag
  EXPECT_EQ(Text("ms_DPI1_label_value"), "6400");
  EXPECT_EQ(Record()[rec::kDpi1], 15) << "dragging stores nothing";
  EXPECT_FALSE(wnd->Store().IsDirty(kMouse));

  Release("ms_DPI3_slider", 0);
  Release("ms_DPI3_slider", 40);
  EXPECT_EQ(Text("ms_DPI3_label_value"), "4100");
  EXPECT_EQ(Record()[rec::kDpi1 + 2], 40);
  EXPECT_TRUE(wnd->Store().IsDirty(kMouse));
}

// The active level's two labels in red, the six others white; a level above 3 highlights level 1.
TEST_F(PerformancePageTest, ActiveLevelIsRed) {
  const struct {
    std::uint8_t active;
    std::size_t red;
  } cases[] = {{2, 2}, {0, 0}, {3, 3}, {4, 0}, {255, 0}};
  for (const auto& c : cases) {
    SetRecord(rec::kActiveDpiLevel, c.active);
    Refresh();
    for (std::size_t level = 0; level < 4; ++level) {
      const ui::Argb expected = level == c.red ? perf::kActiveLevel : perf::kOtherLevel;
      EXPECT_EQ(Get(perf::kDpiValues[level]).TextColor(), expected) << int{c.active} << " " << level;
      EXPECT_EQ(Get(perf::kDpiRanks[level]).TextColor(), expected) << int{c.active} << " " << level;
    }
  }
}

// The DPI colour: shown from the record without storing; 300 typed turns into 255 and is stored
// (dirty, no save); a preset is stored; the palette follows.
TEST_F(PerformancePageTest, DpiColourEditsAndPresets) {
  SetRecord(rec::kDpiRed, 0x12);
  SetRecord(rec::kDpiGreen, 0x34);
  SetRecord(rec::kDpiBlue, 0x56);
  Refresh();
  EXPECT_EQ(Get("ms_DPI_colordp_btn").BackgroundColor(), 0xFF123456u);
  EXPECT_EQ(Get<ui::PaletteControl>("Pallet").SelectedColor(), 0xFF123456u);
  EXPECT_EQ(Text("ms_DPI_edit_R"), "18");
  EXPECT_FALSE(wnd->Store().IsDirty(kMouse));

  Type("ms_DPI_edit_G", "300");
  EXPECT_EQ(Text("ms_DPI_edit_G"), "255");
  EXPECT_EQ(Record()[rec::kDpiGreen], 255);
  EXPECT_EQ(Get("ms_DPI_colordp_btn").BackgroundColor(), 0xFF12FF56u);
  EXPECT_EQ(Get<ui::PaletteControl>("Pallet").SelectedColor(), 0xFF12FF56u);
  EXPECT_TRUE(wnd->Store().TakeDirty(kMouse));

  Click("ms_DPI_color_btn_9");
  const ui::Argb preset = lighting::kPresetColours[9] | 0xFF000000U;
  EXPECT_EQ(Get("ms_DPI_colordp_btn").BackgroundColor(), preset);
  EXPECT_EQ(lighting::RgbFromArgb(preset), (ui::Rgb{Record()[rec::kDpiRed], Record()[rec::kDpiGreen],
                                                    Record()[rec::kDpiBlue]}));
  EXPECT_EQ(Text("ms_DPI_edit_B"), std::to_string(preset & 0xFF));
  EXPECT_TRUE(wnd->Store().TakeDirty(kMouse));

  Get<ui::PaletteControl>("Pallet").SetSelectedColor(0xFF010203);
  ui::Notification picked;
  picked.type = ui::EventType::kColorChanged;
  picked.sender = &Get("Pallet");
  picked.senderName = "Pallet";
  wnd->Notify(picked);
  EXPECT_EQ(Record()[rec::kDpiRed], 1);
  EXPECT_EQ(Record()[rec::kDpiBlue], 3);
  EXPECT_EQ(Text("ms_DPI_edit_G"), "2");
  EXPECT_TRUE(wnd->Store().IsDirty(kMouse));
}

// Report rate and lift-off height are record edits; the refresh shows them without editing.
TEST_F(PerformancePageTest, ReportRateAndLiftOff) {
  SetRecord(rec::kReportRate, 1);
  SetRecord(rec::kSensorHeight, 2);
  Refresh();
  auto& rates = Get<ui::ListControl>(perf::kReportRate);
  EXPECT_EQ(rates.Count(), 4);
  EXPECT_EQ(rates.CurrentIndex(), 1);
  EXPECT_EQ(Get<ui::SliderControl>(perf::kSensorHeight).Value(), 2);
  EXPECT_FALSE(wnd->Store().IsDirty(kMouse));
  ASSERT_TRUE(rates.SelectItem(3));
  Pump();
  EXPECT_EQ(Record()[rec::kReportRate], 3);
  EXPECT_TRUE(wnd->Store().TakeDirty(kMouse));
  Release(perf::kSensorHeight, 0);
  EXPECT_EQ(Record()[rec::kSensorHeight], 0);
  EXPECT_TRUE(wnd->Store().IsDirty(kMouse));
}

// Slider 4 gives the desktop speed 10; the stored speed shows where releasing keeps it. Neither
// the start nor a refresh reaches the desktop, and the mouse is never marked dirty.
TEST_F(PerformancePageTest, PointerSpeedReachesTheDesktopOnlyOnAChange) {
  wnd->Profiles().pointer.SetSpeed(12);
  Refresh();
  EXPECT_EQ(Get<ui::SliderControl>(perf::kSpeedSlider).Value(), 5);
  EXPECT_TRUE(DesktopCalls().empty()) << "the desktop's own setting stays until the user changes it";
  Release(perf::kSpeedSlider, 4);
  EXPECT_EQ(wnd->Profiles().pointer.Speed(), 10);
  EXPECT_EQ(DesktopCalls(), std::vector<std::string>{"speed 10"});
  Refresh();
  EXPECT_EQ(Get<ui::SliderControl>(perf::kSpeedSlider).Value(), 4);
  Release(perf::kSpeedSlider, 9);
  EXPECT_EQ(wnd->Profiles().pointer.Speed(), 20);
  EXPECT_EQ(DesktopCalls().back(), "speed 20");
  EXPECT_FALSE(wnd->Store().IsDirty(kMouse));
}

// The wheel buttons read the edit, step within 1-10 and hand the result on.
TEST_F(PerformancePageTest, WheelButtonsStepWithinOneToTen) {
  const struct {
    const char* typed;
    bool up;
    int lines;
  } cases[] = {{"0", true, 2}, {"25", false, 9}, {"10", true, 10}, {"1", false, 1}, {"abc", true, 2},
               {"-7", false, 1}, {"99999999999", true, 10}};
  for (const auto& c : cases) {
    Type(perf::kWheelEdit, c.typed);
    Click(c.up ? perf::kWheelUp : perf::kWheelDown);
    EXPECT_EQ(Text(perf::kWheelEdit), std::to_string(c.lines)) << c.typed;
    EXPECT_EQ(wnd->Profiles().pointer.WheelLines(), c.lines) << c.typed;
    EXPECT_EQ(DesktopCalls().back(), "wheel " + std::to_string(c.lines)) << c.typed;
  }
  EXPECT_FALSE(wnd->Store().IsDirty(kMouse));
}

// A desktop without the settings: the controls are disabled and say why in either language; the
// values are still kept.
TEST_F(PerformancePageTest, SettingsTheDesktopLacksAreDisabledWithATip) {
  Build(false, false);
  std::vector<std::string> tips;
  for (int language = 0; language < 2; ++language) {
    for (const std::string_view name : {perf::kSpeedSlider, perf::kWheelEdit, perf::kWheelUp, perf::kWheelDown}) {
      EXPECT_FALSE(Get(name).IsEnabled()) << name;
      EXPECT_FALSE(Get(name).ToolTip().empty()) << name;
      EXPECT_EQ(Get(name).ToolTip().find('_'), std::string::npos) << Get(name).ToolTip();
    }
    tips.push_back(Get(perf::kSpeedSlider).ToolTip());
    wnd->SwitchLanguage();
  }
  EXPECT_NE(tips[0], tips[1]);
  page->StepWheelLines(true);
  EXPECT_EQ(wnd->Profiles().pointer.WheelLines(), 4);
  EXPECT_TRUE(DesktopCalls().empty());

  Build(true, false);
  EXPECT_TRUE(Get(perf::kSpeedSlider).IsEnabled());
  EXPECT_TRUE(Get(perf::kSpeedSlider).ToolTip().empty());
  EXPECT_FALSE(Get(perf::kWheelUp).IsEnabled());
}

// Every text of the page, list items included, has its translation in both languages (an id
// without one would show as the id, and all ids hold "_").
TEST_F(PerformancePageTest, EveryTextOfThePageIsTranslatedInBothLanguages) {
  std::array<std::string, 2> reset;
  for (std::size_t language = 0; language < 2; ++language) {
    for (QWidget* w : Widget("ms_rich_area").findChildren<QWidget*>()) {
      const std::string name = w->objectName().toStdString();
      ui::Control* c = wnd->Window().Find(name);
      if (c == nullptr) continue;
      if (auto* list = dynamic_cast<ui::ListControl*>(c)) {
        for (int i = 0; i < list->Count(); ++i) {
          EXPECT_EQ(list->ItemText(i, 0).find('_'), std::string::npos) << name;
        }
      } else {
        EXPECT_EQ(c->Text().find('_'), std::string::npos) << name << " " << c->Text();
      }
    }
    reset[language] = Text(perf::kReset);
    wnd->SwitchLanguage();
  }
  EXPECT_NE(reset[0], reset[1]);
}

// The reset gives the desktop speed 10 and three lines and the simulated mouse its factory reset
// (on the mouse's thread); the DPI sliders take the factory levels from the synchronisation the
// mouse's announcement brings.
TEST_F(PerformancePageTest, ResetReachesTheMouseOnItsThreadAndLeavesTheSliders) {
  sim::SimulatedDevices simulated(bus);
  simulated.mouse.WithFirmware([](sim::Firmware& f) {
    sim::FirmwareState& s = f.State();
    s.settings[device::kSettingsSlotSize * s.ActiveProfile() + rec::kDpi1] = 50;
  });
  simulated.mouse.Plug();
  PumpUntil([&] { return wnd->Channel(kMouse).connected.load(); });
  ASSERT_TRUE(wnd->Channel(kMouse).connected);
  auto& dpi1 = Get<ui::SliderControl>("ms_DPI1_slider");
  // The connect's last UI step refreshes the controls and then selects the mouse's tab: once
  // the tab is selected, no refresh of the connect can come after the reset's own values.
  auto& tab = Get<ui::OptionControl>("ms_tab");
  PumpUntil([&] { return dpi1.Value() == 50 && tab.IsSelected(); });
  ASSERT_TRUE(tab.IsSelected());
  ASSERT_EQ(dpi1.Value(), 50) << "shown after the connect";
  EXPECT_EQ(dpi1.Maximum(), 63);
  wnd->Profiles().pointer.SetSpeed(16);
  wnd->Profiles().pointer.SetWheelLines(7);
  // The reset's own steps run within the click; nothing posted is handled before the checks
  // (the synchronisation the mouse's announcement brings may follow at any time after).
  auto& resetButton = Widget<QAbstractButton>(perf::kReset);
  resetButton.window()->show();
  QTest::mouseClick(&resetButton, Qt::LeftButton);
  EXPECT_EQ(Get<ui::SliderControl>(perf::kSpeedSlider).Value(), perf::SliderFromSpeed(10));
  EXPECT_EQ(Text(perf::kWheelEdit), "3");
  const auto reset = [&] {
    const auto state = simulated.mouse.Snapshot();
    return state.Slot(state.ActiveProfile())[rec::kDpi1] != 50;
  };
  PumpUntil([&] { return reset(); });
  EXPECT_TRUE(reset()) << "the mouse took the factory reset";
  const std::vector<std::string> calls = DesktopCalls();
  EXPECT_EQ(calls, (std::vector<std::string>{"speed 10", "wheel 3"}));
  // The reset writes no slider itself: the mouse announces the change, and the synchronisation
  // that follows brings its factory levels to the record and then to the sliders.
  const auto after = simulated.mouse.Snapshot();
  const std::uint8_t factory = after.Slot(after.ActiveProfile())[rec::kDpi1];
  PumpUntil([&] { return Record()[rec::kDpi1] == factory && dpi1.Value() == factory; });
  EXPECT_EQ(Record()[rec::kDpi1], factory);
  EXPECT_EQ(dpi1.Value(), factory) << "the sliders follow the synchronisation";
  EXPECT_EQ(wnd->Profiles().pointer.Speed(), 16);
  EXPECT_EQ(wnd->Profiles().pointer.WheelLines(), 7);
  EXPECT_EQ(device::ExchangesOnForbiddenThread(), 0u) << "no exchange on the UI thread";
  wnd->Destroy(false);
  wnd->Channel(kMouse).hid.CloseDevice();
}

// The performance page in both languages, saved when TAVRINEX_SCREENSHOTS names a folder; a
// desktop that offers no wheel lines shows those controls disabled.
TEST_F(PerformancePageTest, ScreenshotsOfThePerformancePage) {
  const QString folder = qEnvironmentVariable("TAVRINEX_SCREENSHOTS");
  if (folder.isEmpty()) GTEST_SKIP() << "TAVRINEX_SCREENSHOTS not set";
  Build(true, false);
  std::filesystem::create_directories(folder.toStdString());
  QWidget* host = Host();
  host->resize(1000, 740);
  SetScale(100, 63);
  const std::uint8_t dpis[] = {3, 7, 15, 31};
  for (std::size_t i = 0; i < 4; ++i) SetRecord(rec::kDpi1 + i, dpis[i]);
  SetRecord(rec::kActiveDpiLevel, 2);
  SetRecord(rec::kReportRate, 3);
  SetRecord(rec::kSensorHeight, 1);
  SetRecord(rec::kDpiRed, 0x19);
  SetRecord(rec::kDpiGreen, 0xC3);
  SetRecord(rec::kDpiBlue, 0xF0);
  Refresh();
  for (const char* language : {"cn", "en"}) {
    Get<ui::OptionControl>("ms_tab").Select(true, true);
    Get<ui::OptionControl>("ms_rich_Op_tab").Select(true, true);
    Pump();
    ASSERT_TRUE(host->grab().save(folder + "/performance_" + language + ".png"));
    wnd->SwitchLanguage();
  }
}

}  // namespace
}  // namespace tavrinex::app
