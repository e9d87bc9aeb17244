// The macro timeline panel on the real Qt layer offscreen: a small layout with the timeline
// control and the macro memory line (as the macro pages hold them) and the shipped language
// files. The panel must reach the control by name, hand it the rows, and compose the memory
// line in both languages.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <QApplication>
#include <QWidget>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/macro_timeline_panel.h"
#include "appearance/custom_controls.h"
#include "ui/qt/qt_ui.h"
#include "ui/qt/qt_window.h"

namespace tavrinex::app {
namespace {

namespace fs = std::filesystem;
using device::DeviceKind;
using keys::TimelineRow;

constexpr std::uint8_t kPress = keys::kEventPressBit;

// One page's timeline area, as the macro pages lay it out under the action list (330 x 104).
std::string Area(const std::string& prefix, int y) {
  return "  <widget class=\"QWidget\" name=\"" + prefix + "macro_timeline_area\">"
         "<property name=\"geometry\"><rect><x>10</x><y>" + std::to_string(y) +
         "</y><width>330</width><height>104</height></rect></property>\n"
         "   <widget class=\"MacroTimeline\" name=\"" + prefix + "macro_timeline\">"
         "<property name=\"geometry\"><rect><x>0</x><y>0</y><width>330</width><height>104</height></rect></property></widget>\n"
         "  </widget>\n"
         "  <widget class=\"QLabel\" name=\"" + prefix + "macro_capacity_text\">"
         "<property name=\"geometry\"><rect><x>10</x><y>" + std::to_string(y + 106) +
         "</y><width>330</width><height>18</height></rect></property></widget>\n";
}

// A skin folder of its own (tests run in parallel) with the shipped language files and the
// test layout.
fs::path TestSkin() {
  std::string pattern = (fs::temp_directory_path() / "tavrinex-timeline-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    ADD_FAILURE() << "no temporary folder";
    return {};
  }
  const fs::path folder = pattern;
  for (const char* file : {"lan_en.xml", "lan_cn.xml"}) {
    fs::copy_file(fs::path(TAVRINEX_SKIN) / file, folder / file, fs::copy_options::overwrite_existing);
  }
  std::ofstream(folder / "timeline.ui")
      << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ui version=\"4.0\">\n"
         " <widget class=\"QWidget\" name=\"root\">"
         "<property name=\"geometry\"><rect><x>0</x><y>0</y><width>350</width><height>278</height></rect></property>"
         "<property name=\"styleSheet\"><string>#root { background-color: #0f1217; } "
         "QLabel { font-size: 11px; color: #8e98a8; }</string></property>\n"
      << Area("kb_", 10) << Area("ms_", 148) << " </widget>\n</ui>\n";
  std::ofstream(folder / "empty.ui")
      << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ui version=\"4.0\">\n"
         " <widget class=\"QWidget\" name=\"root\"/>\n</ui>\n";
  return folder;
}

TimelineRow Row(unsigned units, std::uint8_t code, std::uint8_t value, std::string name,
                std::optional<std::uint32_t> recordedMs = std::nullopt) {
  return {{static_cast<std::uint8_t>(units & 0xFF), static_cast<std::uint8_t>(units >> 8), code, value},
          std::move(name), recordedMs};
}

// Copy with Ctrl+C, click, three wheel notches, a move, then A held for a rounded 1234 ms.
std::vector<TimelineRow> RecordedMacro() {
  return {Row(8, kPress | keys::kEventModifier, 0x01, "keyboard_key_LCtrl", 84),
          Row(12, kPress | keys::kEventKey, 0x06, "keyboard_key_C", 123),
          Row(10, keys::kEventKey, 0x06, "keyboard_key_C", 97),
          Row(31, keys::kEventModifier, 0x01, "keyboard_key_LCtrl", 305),
          Row(16, kPress | keys::kEventMouseButton, 0x01, "mouse_key_left", 156),
          Row(24, keys::kEventMouseButton, 0x01, "mouse_key_left", 240),
          Row(40, keys::kEventWheel, 0, "", 400),
          Row(5, kPress | keys::kEventMoveX, 20, "mouse_move_to_left_text"),
          Row(123, kPress | keys::kEventKey, 0x04, "keyboard_key_A", 1234),
          Row(30, keys::kEventKey, 0x04, "keyboard_key_A", 300)};
}

class MacroTimelinePanelTest : public ::testing::Test {
 protected:
  MacroTimelinePanelTest() : skin_(TestSkin()), ui_(skin_) {
    appearance::RegisterCustomControls(ui_);
    EXPECT_TRUE(ui_.LoadLanguage("lan_en.xml"));
    window_ = ui_.CreateWindow({"timeline.ui", "", nullptr, 0, 0, false}, owner_);
  }
  MacroTimelinePanel Panel(DeviceKind kind) {
    return MacroTimelinePanel(*window_, kind, [this](std::string_view id) { return ui_.Translate(id); });
  }
  appearance::CMacroTimelineUI& View(DeviceKind kind) {
    ui::Control* c = window_->Find(MacroTimelinePanel::TimelineName(kind));
    EXPECT_NE(c, nullptr);
    return dynamic_cast<appearance::CMacroTimelineUI&>(*c->OwnControl());
  }
  std::string Capacity(DeviceKind kind) {
    return window_->Find(MacroTimelinePanel::CapacityName(kind))->Text();
  }

  struct Owner : ui::WindowHandler {
    void Notify(const ui::Notification&) override {}
  } owner_;
  fs::path skin_;
  ui::qt::QtUi ui_;
  std::unique_ptr<ui::Window> window_;

 public:
  ~MacroTimelinePanelTest() override {
    window_.reset();
    std::error_code ignored;
    fs::remove_all(skin_, ignored);
  }
};

TEST_F(MacroTimelinePanelTest, TheRowsReachTheirPagesTimeline) {
  MacroTimelinePanel kb = Panel(DeviceKind::kKeyboard);
  MacroTimelinePanel ms = Panel(DeviceKind::kMouse);
  ASSERT_TRUE(kb.HasTimeline());
  ASSERT_TRUE(ms.HasCapacity());
  const auto rows = RecordedMacro();
  kb.Show(rows);
  EXPECT_EQ(View(DeviceKind::kKeyboard).Timeline().totalMs, 2990u);
  EXPECT_EQ(View(DeviceKind::kKeyboard).LaneName(2), "Left click");  // translated by the panel
  EXPECT_TRUE(View(DeviceKind::kMouse).Timeline().rowStartMs.empty());  // the other page's own
  // An edit shows at once: the rows as they now are.
  kb.Show(std::span(rows).first(2));
  EXPECT_EQ(View(DeviceKind::kKeyboard).Timeline().totalMs, 200u);
}

TEST_F(MacroTimelinePanelTest, TheMemoryLineInBothLanguages) {
  MacroTimelinePanel kb = Panel(DeviceKind::kKeyboard);
  struct Case {
    std::size_t used;
    std::optional<std::size_t> capacity;
    const char* en;
    const char* cn;
  };
  const Case cases[] = {
      {34, 3072, "Macro memory: 34 of 3072 bytes", "宏存储：已用 34 / 3072 字节"},
      {260, 256, "Macro memory: 260 of 256 bytes (too full)", "宏存储：已用 260 / 256 字节（超出容量）"},
      {22, 0, "This device has no macro memory.", "此设备没有宏存储空间。"},
      {40, std::nullopt, "Macros: 40 bytes (device not connected)", "宏：40 字节（设备未连接）"},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(ui_.LoadLanguage("lan_en.xml"));
    if (c.capacity) {
      kb.ShowCapacity(c.used, *c.capacity);
    } else {
      kb.ShowCapacityUnknown(c.used);
    }
    EXPECT_EQ(Capacity(DeviceKind::kKeyboard), c.en);
    ASSERT_TRUE(ui_.LoadLanguage("lan_cn.xml"));
    kb.Relabel();
    EXPECT_EQ(Capacity(DeviceKind::kKeyboard), c.cn);
  }
}

TEST_F(MacroTimelinePanelTest, ALayoutWithoutThemLeavesThePanelIdle) {
  auto bare = ui_.CreateWindow({"empty.ui", "", nullptr, 0, 0, false}, owner_);
  MacroTimelinePanel panel(*bare, DeviceKind::kKeyboard, {});
  EXPECT_FALSE(panel.HasTimeline());
  EXPECT_FALSE(panel.HasCapacity());
  panel.Show(RecordedMacro());
  panel.ShowCapacity(1, 2);
  panel.Relabel();
}

// Not a check: with TAVRINEX_SCREENSHOTS set to a folder, saves both timelines (a recorded
// macro, an empty one) with their memory lines in both languages.
TEST_F(MacroTimelinePanelTest, ScreenshotsOfTheTimeline) {
  const QString folder = qEnvironmentVariable("TAVRINEX_SCREENSHOTS");
  if (folder.isEmpty()) GTEST_SKIP() << "TAVRINEX_SCREENSHOTS not set";
  fs::create_directories(folder.toStdString());
  MacroTimelinePanel kb = Panel(DeviceKind::kKeyboard);
  MacroTimelinePanel ms = Panel(DeviceKind::kMouse);
  kb.Show(RecordedMacro());
  ms.Show({});
  QWidget* host = dynamic_cast<ui::qt::QtWindow&>(*window_).HostWidget();
  for (const char* language : {"en", "cn"}) {
    ASSERT_TRUE(ui_.LoadLanguage(std::string("lan_") + language + ".xml"));
    kb.ShowCapacity(16 + 12 + 4 * 10, 3072);
    ms.ShowCapacity(16, 0);
    window_->Show();
    QApplication::processEvents();
    ASSERT_TRUE(host->grab().save(folder + "/macro_timeline_" + language + ".png"));
  }
}

}  // namespace
}  // namespace tavrinex::app
