// The sweep of the circle progress and the attribute values the custom controls read.
#include <gtest/gtest.h>

#include "appearance/attribute_parse.h"
#include "appearance/chart_view.h"
#include "appearance/circle_progress.h"

namespace tavrinex::appearance {
namespace {

TEST(CircleProgressTest, SweepIsTheValueOverTheRangeInWholeDegrees) {
  struct Case {
    int minimum, maximum, value, sweep;
  };
  for (const Case c : {Case{0, 100, 50, 180}, Case{0, 100, 0, 0}, Case{0, 100, 100, 360},
                       Case{10, 110, 60, 216},   // the minimum is not subtracted
                       Case{0, 7, 1, 51},        // 51.43 truncated
                       Case{5, 5, 5, 0},         // no range: no sector
                       Case{0, 100, 150, 360},   // past the maximum: a full circle
                       Case{0, 100, -20, 0}}) {  // below zero: nothing
    CCircleProgressUI p;
    p.SetAttribute("min", std::to_string(c.minimum));
    p.SetAttribute("max", std::to_string(c.maximum));
    p.SetAttribute("value", std::to_string(c.value));
    EXPECT_EQ(p.SweepDegrees(), c.sweep) << c.minimum << ".." << c.maximum << " at " << c.value;
  }
}

TEST(CircleProgressTest, AttributesKeepTheirValueWhenTheNewOneIsNotUsable) {
  CCircleProgressUI p;
  p.SetAttribute("value", "40");
  p.SetAttribute("value", "forty");
  p.SetAttribute("forecolor", "#19C3F0");
  p.SetAttribute("bkcolor", "0x80112233");
  p.SetAttribute("innercolor", "blue");
  EXPECT_EQ(p.value, 40);
  EXPECT_EQ(p.foreColour, 0xFF19C3F0u);
  EXPECT_EQ(p.backgroundColour, 0x80112233u);
  EXPECT_EQ(p.innerColour, 0xFFFFFFFFu);  // white unless the skin says otherwise
  EXPECT_EQ(p.ClassName(), "CircleProgress");
}

TEST(ChartViewTest, AttributesAndTheirDefaults) {
  CChartViewUI chart;
  EXPECT_EQ(chart.view, ChartView::kPie);
  EXPECT_TRUE(chart.showText);
  EXPECT_FALSE(chart.showHtml);
  EXPECT_EQ(chart.font, -1);
  chart.SetAttribute("view", "histpgram");
  EXPECT_EQ(chart.view, ChartView::kHistogram);
  chart.SetAttribute("view", "histogram");  // not a value of the attribute: left as it was
  EXPECT_EQ(chart.view, ChartView::kHistogram);
  chart.SetAttribute("view", "pie");
  EXPECT_EQ(chart.view, ChartView::kPie);
  chart.SetAttribute("showtext", "yes");  // only "true" is true
  chart.SetAttribute("showhtml", "true");
  chart.SetAttribute("shadowimageheight", "12");
  chart.SetAttribute("pillarimagewidth", "9");
  chart.SetAttribute("font", "3");
  EXPECT_FALSE(chart.showText);
  EXPECT_TRUE(chart.showHtml);
  EXPECT_EQ(chart.shadowImageHeight, 12);
  EXPECT_EQ(chart.pillarImageWidth, 9);
  EXPECT_EQ(chart.font, 3);
}

TEST(AttributeParseTest, ColoursAndNumbers) {
  EXPECT_EQ(ParseColour("#FF0199CB"), 0xFF0199CBu);
  EXPECT_EQ(ParseColour("#0199cb"), 0xFF0199CBu);
  EXPECT_EQ(ParseColour(" 0x000000FF "), 0x000000FFu);
  for (const char* bad : {"", "#", "0199CB", "#12345", "#GG0000", "#123456789"}) {
    EXPECT_EQ(ParseColour(bad), std::nullopt) << bad;
  }
  EXPECT_EQ(ParseDecimal("-12"), -12);
  EXPECT_EQ(ParseDecimal("+7"), 7);
  EXPECT_EQ(ParseDecimal("7px"), std::nullopt);
  EXPECT_EQ(ParseDecimal("99999999999"), std::nullopt);
}

}  // namespace
}  // namespace tavrinex::appearance
