#include "appearance/chart_view.h"

#include <algorithm>

#include "appearance/attribute_parse.h"

namespace tavrinex::appearance {

void CChartViewUI::SetAttribute(std::string_view name, std::string_view v) {
  if (name == "view") {
    if (v == "pie") view = ChartView::kPie;
    if (v == "histpgram") view = ChartView::kHistogram;
  } else if (name == "shadowimage") {
    shadowImage = v;
  } else if (name == "shadowimageheight") {
    shadowImageHeight = ParseDecimal(v).value_or(0);
  } else if (name == "pillarimage") {
    pillarImage = v;
  } else if (name == "pillarimagewidth") {
    pillarImageWidth = ParseDecimal(v).value_or(0);
  } else if (name == "showhtml") {
    showHtml = v == "true";
  } else if (name == "showtext") {
    showText = v == "true";
  } else if (name == "font") {
    font = ParseDecimal(v).value_or(0);
  }
}

// The colour word without alpha is the text's RGB: 0 is black.
ui::Argb CChartViewUI::TextColour() const { return textColour | 0xFF000000u; }

void CChartViewUI::Paint(ui::Painter& painter, ui::Rect r) {
  if (view == ChartView::kPie) {
    PaintPie(painter, r);
  } else {
    PaintHistogram(painter, r);
  }
}

void CChartViewUI::PaintPie(ui::Painter& painter, ui::Rect r) {
  if (items.empty()) return;
  const int legend = showText ? kLegendWidth : 0;
  const int h = r.height - 2 * kChartMargin;
  const int w = r.width - legend - 2 * kChartMargin;
  const int d = std::min(w, h);
  if (d <= 0) return;
  const ui::Rect pie{r.x + kChartMargin + (w - d) / 2, r.y + kChartMargin + (h - d) / 2, d, d};
  painter.FillPie({pie.x - 4, pie.y - 4, d + 8, d + 8}, 0, 360, kOuterHalo);
  painter.FillPie({pie.x - 1, pie.y - 1, d + 2, d + 2}, 0, 360, kInnerHalo);
  double sum = 0;
  for (const ChartItem& item : items) sum += item.value;
  // Sectors from three o'clock, clockwise (negative in the painter's angles).
  double start = 0;
  for (std::size_t i = 0; i < items.size(); ++i) {
    const double sweep = sum != 0 ? items[i].value / sum * 360.0 : 0.0;
    painter.FillPie(pie, -start, -sweep, kChartPalette[i % kChartPalette.size()]);
    start += sweep;
  }
  if (!showText) return;
  const int blockHeight = static_cast<int>(items.size()) * kLegendRow;
  int y = std::max(r.y + kChartMargin, r.y + (r.height - blockHeight) / 2);
  const int squareX = pie.x + d + kLegendGap;
  const int textX = squareX + kLegendTextOffset;
  for (std::size_t i = 0; i < items.size(); ++i, y += kLegendRow) {
    painter.FillRect({squareX, y, kLegendSquare, kLegendSquare},
                     kChartPalette[i % kChartPalette.size()]);
    painter.DrawLabel({textX, y, std::max(0, r.x + r.width - textX), kLegendSquare},
                      items[i].name, TextColour(), ui::TextAlign::kLeft, showHtml);
  }
}

void CChartViewUI::PaintHistogram(ui::Painter& painter, ui::Rect r) {
  const int textRow = showText ? kHistogramTextRow : 0;
  const int baseline = r.y + r.height - textRow;
  // An image that cannot be drawn is not tried again.
  if (!shadowImage.empty() &&
      !painter.DrawImage({r.x, baseline - shadowImageHeight, r.width, shadowImageHeight},
                         shadowImage)) {
    shadowImage.clear();
  }
  if (items.empty()) return;
  double largest = 0;
  for (const ChartItem& item : items) largest = std::max(largest, item.value);
  if (largest <= 0) return;
  // Even slots side by side, each pillar centred in its own.
  const int slot = r.width / static_cast<int>(items.size());
  const int space = baseline - r.y;
  for (std::size_t i = 0; i < items.size(); ++i) {
    const int left = r.x + static_cast<int>(i) * slot;
    const int height = static_cast<int>(std::max(0.0, items[i].value) / largest * space);
    const ui::Rect pillar{left + (slot - pillarImageWidth) / 2, baseline - height,
                          pillarImageWidth, height};
    if (!pillarImage.empty() && pillarImageWidth > 0 && height > 0) {
      (void)painter.DrawImage(pillar, pillarImage);
    }
    if (showText) {
      painter.DrawLabel({left, baseline, slot, textRow}, items[i].name, TextColour(),
                        ui::TextAlign::kCentre, showHtml);
    }
  }
}

}  // namespace tavrinex::appearance
