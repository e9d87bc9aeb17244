#include "appearance/circle_progress.h"

#include <algorithm>

#include "appearance/attribute_parse.h"

namespace tavrinex::appearance {
namespace {

// Angles of the painter: 0 at three o'clock, counter-clockwise positive. The sector starts at
// the bottom (270) and runs clockwise (negative).
constexpr double kBottom = 270.0;

}  // namespace

void CCircleProgressUI::SetAttribute(std::string_view name, std::string_view v) {
  const auto number = [&](int& field) {
    if (const auto n = ParseDecimal(v)) field = *n;
  };
  const auto colour = [&](ui::Argb& field) {
    if (const auto c = ParseColour(v)) field = *c;
  };
  if (name == "value") number(value);
  else if (name == "min") number(minimum);
  else if (name == "max") number(maximum);
  else if (name == "bkcolor") colour(backgroundColour);
  else if (name == "forecolor") colour(foreColour);
  else if (name == "innercolor") colour(innerColour);
  else if (name == "textcolor") colour(textColour);
  else if (name == "text") text = v;
}

int CCircleProgressUI::SweepDegrees() const {
  // Maximum equal to minimum has no defined share: no sector.
  if (maximum == minimum) return 0;
  const double sweep = static_cast<double>(value) / (maximum - minimum) * 360.0;
  return std::clamp(static_cast<int>(sweep), 0, 360);
}

void CCircleProgressUI::Paint(ui::Painter& painter, ui::Rect r) {
  if (backgroundColour != 0) painter.FillPie(r, 0, 360, backgroundColour);
  if (const int sweep = SweepDegrees(); sweep > 0 && foreColour != 0) {
    painter.FillPie(r, kBottom, -sweep, foreColour);
  }
  const ui::Rect inner{r.x + kRingWidth, r.y + kRingWidth, r.width - 2 * kRingWidth,
                       r.height - 2 * kRingWidth};
  if (inner.width > 0 && inner.height > 0) painter.FillPie(inner, 0, 360, innerColour);
  if (!text.empty()) painter.DrawText(r, text, textColour);
}

}  // namespace tavrinex::appearance
