// A pie or histogram chart of named values. The items are the program's to fill; the skin
// chooses the view and its images through attributes.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "ui/custom_control.h"

namespace tavrinex::appearance {

inline constexpr std::string_view kChartViewClass = "CChartViewUI";

struct ChartItem {
  std::string name;
  double value = 0;
};

enum class ChartView : std::uint8_t { kPie, kHistogram };

// Sector colours, by item index modulo 18 (RGB, opaque).
inline constexpr std::array<ui::Argb, 18> kChartPalette = {
    0xFF3F96F5, 0xFFFF5A01, 0xFF6AF4C0, 0xFFF5EA6A, 0xFFFC7B97, 0xFFA2F53F,
    0xFF9D90FC, 0xFFD290FC, 0xFF7FB0CB, 0xFFF4C471, 0xFFA2C285, 0xFFBD1717,
    0xFFBD17B3, 0xFF6117BD, 0xFF172BBD, 0xFF12884C, 0xFF887912, 0xFF882612};

// Pie geometry.
inline constexpr int kLegendWidth = 100;
inline constexpr int kChartMargin = 5;
inline constexpr ui::Argb kOuterHalo = 0x1E1E1E1E;  // 4 pixels around the pie
inline constexpr ui::Argb kInnerHalo = 0x64646464;  // 1 pixel around the pie
inline constexpr int kLegendSquare = 18;
inline constexpr int kLegendGap = 10;
inline constexpr int kLegendTextOffset = 23;
inline constexpr int kLegendRow = 22;
// Histogram geometry.
inline constexpr int kHistogramTextRow = 25;

class CChartViewUI final : public ui::CustomControl {
 public:
  // Attributes: "view" ("pie" or "histpgram"; others leave it), "shadowimage",
  // "shadowimageheight", "pillarimage", "pillarimagewidth", "showhtml", "showtext" ("true"
  // or anything else), "font".
  std::string ClassName() const override { return "ChartView"; }
  void SetAttribute(std::string_view name, std::string_view value) override;
  void Paint(ui::Painter& painter, ui::Rect bounds) override;

  void AddItem(std::string name, double value) { items.push_back({std::move(name), value}); }

  std::vector<ChartItem> items;
  ChartView view = ChartView::kPie;
  std::string shadowImage;
  int shadowImageHeight = 0;
  std::string pillarImage;
  int pillarImageWidth = 0;
  bool showHtml = false;
  bool showText = true;
  int font = -1;  // a font of the skin's list; this skin format has none, so it is kept only
  ui::Argb textColour = 0;

 private:
  virtual void PaintPie(ui::Painter& painter, ui::Rect r);
  virtual void PaintHistogram(ui::Painter& painter, ui::Rect r);
  [[nodiscard]] ui::Argb TextColour() const;
};

}  // namespace tavrinex::appearance
