// The program's own controls drawn through the real Qt layer offscreen: pixels of a circle
// progress and of a chart, a hosted window following its control, and the registration that
// lets the shipped skin use them.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QWindow>
#include <cmath>
#include <memory>

#include "appearance/chart_view.h"
#include "appearance/circle_progress.h"
#include "appearance/custom_controls.h"
#include "appearance/wnd_host.h"
#include "ui/qt/custom_widget.h"
#include "ui/qt/native_window.h"
#include "ui/qt/qt_controls.h"
#include "ui/qt/qt_ui.h"

namespace tavrinex::appearance {
namespace {

constexpr QRgb kBlue = 0xFF0000FF;
constexpr QRgb kGreen = 0xFF00FF00;
constexpr QRgb kWhite = 0xFFFFFFFF;
constexpr QRgb kPage = 0xFF202020;  // what lies behind the controls

// Renders a control of the given size onto the page colour.
template <class Control>
QImage Render(std::unique_ptr<Control> control, int width, int height) {
  ui::qt::CustomWidget widget(std::move(control), TAVRINEX_SKIN, nullptr);
  widget.resize(width, height);
  QImage image(width, height, QImage::Format_ARGB32);
  image.fill(kPage);
  widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
  return image;
}

// The point of the ring (radius 45 of a 100 x 100 control) at `degrees` clockwise from the
// bottom, where the sector starts.
QPoint OnRing(double degrees) {
  const double a = degrees * M_PI / 180.0;
  return {static_cast<int>(std::lround(50 - 45 * std::sin(a))),
          static_cast<int>(std::lround(50 + 45 * std::cos(a)))};
}

std::unique_ptr<CCircleProgressUI> Progress(int minimum, int maximum, int value) {
  auto p = std::make_unique<CCircleProgressUI>();
  p->minimum = minimum;
  p->maximum = maximum;
  p->value = value;
  p->backgroundColour = kBlue;
  p->foreColour = kGreen;
  return p;
}

TEST(CircleProgressPixels, TheSectorRunsClockwiseFromTheBottomOverTheShareOfTheRange) {
  struct Case {
    int minimum, maximum, value;
    double greenUpTo;  // degrees from the bottom, clockwise
  };
  for (const Case c : {Case{0, 100, 0, 0}, Case{0, 100, 50, 180}, Case{0, 100, 100, 360},
                       Case{10, 110, 60, 216}}) {
    const QImage image = Render(Progress(c.minimum, c.maximum, c.value), 100, 100);
    for (double at = 10; at < 360; at += 20) {
      const QRgb expected = at < c.greenUpTo ? kGreen : kBlue;
      const QPoint p = OnRing(at);
      EXPECT_EQ(image.pixel(p), expected) << c.value << " of " << c.minimum << ".." << c.maximum
                                          << " at " << at << " degrees";
    }
    EXPECT_EQ(image.pixel(50, 50), kWhite) << "the inside of the ring";
    EXPECT_EQ(image.pixel(30, 50), kWhite) << "10 pixels of ring, then the inside";
    EXPECT_EQ(image.pixel(1, 1), kPage) << "outside the circle nothing is drawn";
  }
}

TEST(CircleProgressPixels, TheInnerColourAndTheTextComeFromTheSkin) {
  auto p = Progress(0, 100, 25);
  p->SetAttribute("innercolor", "#FF171B22");
  p->SetAttribute("text", "■");
  p->textColour = 0xFFFF0000;
  const QImage image = Render(std::move(p), 100, 100);
  EXPECT_EQ(image.pixel(25, 50), 0xFF171B22u);
  int red = 0;
  for (int y = 40; y < 60; ++y) {
    for (int x = 40; x < 60; ++x) red += image.pixel(x, y) == 0xFFFF0000u ? 1 : 0;
  }
  EXPECT_GT(red, 0) << "the text is drawn in the middle";
}

// Three items, 1 + 1 + 2: from three o'clock clockwise a quarter, a quarter and a half, in
// the first three colours of the palette; the legend squares beside the pie.
TEST(ChartViewPixels, APieOfThreeSlicesWithItsLegend) {
  auto chart = std::make_unique<CChartViewUI>();
  chart->AddItem("alpha", 1);
  chart->AddItem("beta", 1);
  chart->AddItem("gamma", 2);
  const QImage image = Render(std::move(chart), 300, 200);
  // Width 300 - legend 100 - 10 = 190, height 200 - 10 = 190: the pie is 190 across at (5, 5).
  const QPoint centre(100, 100);
  EXPECT_EQ(image.pixel(centre + QPoint(50, 50)), kChartPalette[0]);    // lower right
  EXPECT_EQ(image.pixel(centre + QPoint(-50, 50)), kChartPalette[1]);   // lower left
  EXPECT_EQ(image.pixel(centre + QPoint(-50, -50)), kChartPalette[2]);  // upper left
  EXPECT_EQ(image.pixel(centre + QPoint(50, -50)), kChartPalette[2]);   // upper right
  EXPECT_EQ(image.pixel(2, 2), kPage);
  // Legend: squares at x = 5 + 190 + 10, rows 22 apart, the block of 66 centred.
  for (int row = 0; row < 3; ++row) {
    EXPECT_EQ(image.pixel(205 + 9, 67 + 22 * row + 9), kChartPalette[static_cast<std::size_t>(row)])
        << row;
  }
  bool text = false;
  for (int x = 228; x < 290 && !text; ++x) text = image.pixel(x, 67 + 9) != kPage;
  EXPECT_TRUE(text) << "the name right of its square";
}

TEST(ChartViewPixels, WithoutItemsThePieIsEmptyAndTheHistogramShowsOnlyItsShadow) {
  auto pie = std::make_unique<CChartViewUI>();
  const QImage empty = Render(std::move(pie), 120, 80);
  for (int y = 0; y < 80; y += 7) {
    for (int x = 0; x < 120; x += 7) ASSERT_EQ(empty.pixel(x, y), kPage) << x << "," << y;
  }
  auto bars = std::make_unique<CChartViewUI>();
  bars->SetAttribute("view", "histpgram");
  bars->SetAttribute("shadowimage", "common/background.png");
  bars->SetAttribute("shadowimageheight", "10");
  CChartViewUI* chart = bars.get();
  ui::qt::CustomWidget widget(std::move(bars), TAVRINEX_SKIN, nullptr);
  widget.resize(120, 80);
  const QImage image = widget.grab().toImage();
  // The shadow lies just above the 25-pixel text row: 80 - 25 - 10 = 45 .. 55.
  EXPECT_EQ(image.pixel(60, 50), 0xFF0F1217u);
  EXPECT_EQ(chart->shadowImage, "common/background.png");
  // An image that cannot be drawn is forgotten.
  chart->SetAttribute("shadowimage", "no/such.png");
  (void)widget.grab();
  EXPECT_EQ(chart->shadowImage, "");
}

TEST(ChartViewPixels, HistogramPillarsAreAsHighAsTheirShareOfTheLargest) {
  auto bars = std::make_unique<CChartViewUI>();
  bars->SetAttribute("view", "histpgram");
  bars->SetAttribute("showtext", "false");
  bars->SetAttribute("pillarimage", "common/background.png");
  bars->SetAttribute("pillarimagewidth", "10");
  bars->AddItem("a", 4);
  bars->AddItem("b", 2);
  const QImage image = Render(std::move(bars), 100, 100);
  // Two slots of 50, pillars centred: x 20..30 and 70..80; heights 100 and 50.
  EXPECT_EQ(image.pixel(25, 5), 0xFF0F1217u);
  EXPECT_EQ(image.pixel(75, 45), kPage);
  EXPECT_EQ(image.pixel(75, 55), 0xFF0F1217u);
  EXPECT_EQ(image.pixel(50, 95), kPage);
}

// A window kept on the control: moved with it (in screen coordinates, as it is no child of
// the control's window) and shown or hidden with it.
TEST(WndHost, AHostedWindowFollowsItsControlAndNoWindowIsNoChange) {
  QWidget top;
  top.resize(300, 200);
  auto host = std::make_unique<CWndUI>();
  CWndUI* wnd = host.get();
  auto* widget = new ui::qt::CustomWidget(std::move(host), TAVRINEX_SKIN, &top);
  widget->setGeometry(10, 20, 100, 50);
  top.show();
  widget->move(30, 40);  // nothing hosted: nothing to follow
  QWindow native;
  native.setFlag(Qt::FramelessWindowHint);
  wnd->Attach(std::make_shared<ui::qt::QtNativeWindow>(&native, widget));
  const QPoint origin = top.mapToGlobal(QPoint(0, 0));
  EXPECT_EQ(native.geometry(), QRect(origin + QPoint(30, 40), QSize(100, 50)));
  EXPECT_TRUE(native.isVisible());
  widget->setGeometry(50, 60, 80, 30);
  EXPECT_EQ(native.geometry(), QRect(origin + QPoint(50, 60), QSize(80, 30)));
  widget->hide();
  EXPECT_FALSE(native.isVisible());
  widget->show();
  EXPECT_TRUE(native.isVisible());
  EXPECT_EQ(wnd->ClassName(), "Wnd");
}

// The shipped skin's progress indicator is a circle progress once the classes are registered.
TEST(CustomControlRegistration, TheShippedSkinBuildsItsCircleProgress) {
  ui::qt::QtUi ui(TAVRINEX_SKIN);
  RegisterCustomControls(ui);
  struct Owner : ui::WindowHandler {
    void Notify(const ui::Notification&) override {}
  } owner;
  auto window = ui.CreateWindow({"XML_MAIN", "", nullptr, 0, 0, false}, owner);
  ui::Control* ring = window->Find("setting_progress_ring");
  ASSERT_NE(ring, nullptr);
  EXPECT_EQ(ring->ClassName(), "CCircleProgressUI");
  auto* widget = dynamic_cast<ui::qt::CustomWidget*>(dynamic_cast<ui::qt::QtControl*>(ring)->Widget());
  ASSERT_NE(widget, nullptr);
  auto& progress = dynamic_cast<CCircleProgressUI&>(widget->Control());
  EXPECT_EQ(progress.ClassName(), "CircleProgress");
  EXPECT_EQ(progress.foreColour, 0xFF19C3F0u);
  EXPECT_GT(progress.SweepDegrees(), 0);
}

}  // namespace
}  // namespace tavrinex::appearance
