// The macro timeline control drawn through the real Qt layer offscreen, with the shipped
// language files: where its bars, instants and rounding marks land, what its tips say, and
// how it copes with more lanes than it has room for.
#include <gtest/gtest.h>

#include <QApplication>
#include <QHelpEvent>
#include <QImage>
#include <QToolTip>
#include <memory>

#include "appearance/macro_timeline_view.h"
#include "ui/qt/custom_widget.h"
#include "ui/qt/qt_ui.h"

namespace tavrinex::appearance {
namespace {

using keys::TimelineRow;
namespace tl = timeline;

constexpr std::uint8_t kPress = keys::kEventPressBit;
constexpr ui::Rect kSize{0, 0, 600, 70};

TimelineRow Row(unsigned units, std::uint8_t code, std::uint8_t value, std::string name,
                std::optional<std::uint32_t> recordedMs = std::nullopt) {
  return {{static_cast<std::uint8_t>(units & 0xFF), static_cast<std::uint8_t>(units >> 8), code, value},
          std::move(name), recordedMs};
}

class MacroTimelineViewTest : public ::testing::Test {
 protected:
  MacroTimelineViewTest() : ui_(TAVRINEX_SKIN) { Language("lan_en.xml"); }
  void Language(const char* file) {
    EXPECT_TRUE(ui_.LoadLanguage(file));
    view_->SetTranslator([this](std::string_view id) { return ui_.Translate(id); });
  }
  void Show(const std::vector<TimelineRow>& rows) { view_->SetRows(rows); }
  QImage Render() {
    QImage image(kSize.width, kSize.height, QImage::Format_ARGB32);
    image.fill(0xFF000000);
    widget_.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
  }
  [[nodiscard]] int LaneY(int lane) const {
    const int h = view_->LaneHeight(kSize);
    return 1 + lane * h + h / 2;
  }
  [[nodiscard]] std::string Tip(int x, int y) const { return view_->ToolTipAt({x, y}, kSize); }

  ui::qt::QtUi ui_;
  std::unique_ptr<CMacroTimelineUI> owned_ = std::make_unique<CMacroTimelineUI>();
  CMacroTimelineUI* view_ = owned_.get();
  ui::qt::CustomWidget widget_{std::move(owned_), TAVRINEX_SKIN, nullptr};
};

// A, 1230 ms (recorded 1234), release, 300 ms: one bar over the first 1230 of 1530 ms, a
// rounding mark where the pause ends, and the tips in both languages.
TEST_F(MacroTimelineViewTest, ABarThePauseAndItsRounding) {
  widget_.resize(kSize.width, kSize.height);
  Show({Row(123, kPress | keys::kEventKey, 0x04, "keyboard_key_A", 1234),
        Row(30, keys::kEventKey, 0x04, "keyboard_key_A", 300)});
  const QImage image = Render();
  const int end = view_->XOf(1230, kSize);
  EXPECT_EQ(view_->XOf(0, kSize), tl::kNameWidth);
  EXPECT_EQ(view_->XOf(1530, kSize), kSize.width - tl::kRightMargin);
  EXPECT_EQ(image.pixel(view_->XOf(600, kSize), LaneY(0)), tl::kKeyBar);
  EXPECT_EQ(image.pixel(end + 10, LaneY(0)), tl::kBackground);  // released at 1230
  const int axis = kSize.height - tl::kAxisHeight;
  EXPECT_EQ(image.pixel(end, axis - 2), tl::kRounded);
  // The 300 ms pause was stored as recorded: no mark.
  EXPECT_NE(image.pixel(view_->XOf(1530, kSize) - 1, axis - 2), tl::kRounded);

  EXPECT_EQ(view_->LaneName(0), "A");
  EXPECT_EQ(Tip(end, axis - 2),
            "Pause after A: recorded 1234 ms, stored 1230 ms (the device counts in 10 ms steps)");
  EXPECT_EQ(Tip(view_->XOf(1400, kSize), axis + 2), "Pause after A: 300 ms");
  EXPECT_EQ(Tip(view_->XOf(600, kSize), LaneY(0)), "A: pressed at 0 ms, released at 1.23 s");
  EXPECT_EQ(Tip(10, LaneY(0)), "A");  // the lane's name, which the column may cut
  EXPECT_EQ(Tip(end + 40, LaneY(0)), "");

  // The window system asks the widget, which shows the control's tip.
  widget_.show();
  QHelpEvent help(QEvent::ToolTip, QPoint(end, axis - 2), widget_.mapToGlobal(QPoint(end, axis - 2)));
  QApplication::sendEvent(&widget_, &help);
  EXPECT_EQ(QToolTip::text().toStdString(), Tip(end, axis - 2));

  Language("lan_cn.xml");
  EXPECT_EQ(Tip(end, axis - 2),
            "A 之后停顿：录制 1234 毫秒，保存为 1230 毫秒（设备以 10 毫秒为单位计时）");
}

TEST_F(MacroTimelineViewTest, InstantsHeldKeysAndUnpairedReleases) {
  widget_.resize(kSize.width, kSize.height);
  Show({Row(10, kPress | keys::kEventMouseButton, 0x01, "mouse_key_left"),  // never released
        Row(10, keys::kEventWheel, 0, ""),
        Row(10, kPress | keys::kEventMoveX, 20, "mouse_move_to_left_text"),
        Row(10, keys::kEventKey, 0x05, "keyboard_key_B")});  // released, never pressed
  ASSERT_EQ(view_->Timeline().lanes.size(), 4u);
  EXPECT_EQ(view_->LaneName(1), "Wheel");
  EXPECT_EQ(view_->LaneName(2), "Move ←→");
  const QImage image = Render();
  // Held to the end, drawn fainter than a released press.
  const QRgb held = image.pixel(view_->XOf(350, kSize), LaneY(0));
  EXPECT_NE(held, tl::kBackground);
  EXPECT_NE(held, tl::kKeyBar);
  EXPECT_EQ(image.pixel(view_->XOf(300, kSize), LaneY(3)), tl::kUnpaired);
  EXPECT_EQ(Tip(view_->XOf(200, kSize), LaneY(0)), "Left click: pressed at 0 ms and never released");
  EXPECT_EQ(Tip(view_->XOf(100, kSize), LaneY(1)), "Wheel at 100 ms");
  EXPECT_EQ(Tip(view_->XOf(300, kSize), LaneY(3)), "B: released at 300 ms without a press");
}

TEST_F(MacroTimelineViewTest, MoreLanesThanRoomEndInACount) {
  widget_.resize(kSize.width, kSize.height);
  std::vector<TimelineRow> rows;
  for (std::uint8_t k = 0; k < 12; ++k) {
    rows.push_back(Row(1, kPress | keys::kEventKey, static_cast<std::uint8_t>(4 + k), "k"));
  }
  Show(rows);
  EXPECT_EQ(view_->LaneHeight(kSize), tl::kMinLaneHeight);
  const std::size_t shown = view_->LanesShown(kSize);
  EXPECT_LT(shown, 12u);
  EXPECT_GE(shown, 4u);
  // Nothing is drawn over the axis, and a tip below the last lane names nothing.
  const QImage image = Render();
  EXPECT_NE(image.pixel(view_->XOf(11 * 10 + 1, kSize), kSize.height - 8), tl::kKeyBar);
}

TEST_F(MacroTimelineViewTest, AnEmptyMacroSaysSoAndHasNoTips) {
  widget_.resize(kSize.width, kSize.height);
  Show({});
  const QImage image = Render();
  EXPECT_EQ(image.pixel(3, 3), tl::kBackground);
  EXPECT_EQ(Tip(300, 30), "");
}

TEST(MacroTimelineTexts, TicksDurationsAndPlaceholders) {
  const auto en = [](std::string_view id) -> std::string {
    if (id == tl::kMilliseconds) return "%d ms";
    if (id == tl::kSeconds) return "%s s";
    return std::string(id);
  };
  struct Case {
    std::uint32_t ms;
    const char* text;
  };
  for (const Case& c : {Case{0, "0 ms"}, Case{850, "850 ms"}, Case{1000, "1 s"}, Case{1500, "1.5 s"},
                        Case{1230, "1.23 s"}, Case{1234, "1.23 s"}, Case{1205, "1.2 s"},
                        Case{655350, "655.35 s"}}) {
    EXPECT_EQ(tl::FormatDuration(c.ms, en), c.text) << c.ms;
  }
  EXPECT_EQ(tl::TickStepMs(1530, 600), 200u);  // 8 ticks fit: 1530 / 200 = 7
  EXPECT_EQ(tl::TickStepMs(0, 600), 10u);
  EXPECT_EQ(tl::TickStepMs(655350u * 500u, 100), 200'000'000u);  // one tick fits
  const std::array<std::string, 2> v = {"A", "5"};
  EXPECT_EQ(tl::Fill("%s at %d", v), "A at 5");
  EXPECT_EQ(tl::Fill("%s", v), "A");  // more values than places
  EXPECT_EQ(tl::Fill("100% %s", std::span(v).first(1)), "100% A");
}

// The control asks its host to draw it again whenever its rows change.
TEST(MacroTimelineRepaint, NewRowsAskForARepaint) {
  CMacroTimelineUI view;
  int asked = 0;
  view.SetRepaintRequest([&] { ++asked; });
  view.SetRows({});
  EXPECT_EQ(asked, 1);
}

}  // namespace
}  // namespace tavrinex::appearance
