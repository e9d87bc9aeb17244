// A progress value drawn as a ring sector: the background colour fills the circle, the fore
// colour a sector from the bottom, clockwise, of value / (maximum - minimum) x 360 degrees
// (whole degrees; the minimum is not subtracted from the value), and the inner colour the
// circle 10 pixels inside, which leaves a ring. The text, if any, is drawn in the middle.
#pragma once

#include <string>

#include "ui/custom_control.h"

namespace tavrinex::appearance {

inline constexpr std::string_view kCircleProgressClass = "CCircleProgressUI";
inline constexpr int kRingWidth = 10;

class CCircleProgressUI final : public ui::CustomControl {
 public:
  // Attributes: "value", "min", "max" (decimal), "bkcolor", "forecolor", "textcolor",
  // "innercolor" (colours), "text".
  std::string ClassName() const override { return "CircleProgress"; }
  void SetAttribute(std::string_view name, std::string_view value) override;
  void Paint(ui::Painter& painter, ui::Rect bounds) override;

  // The sector's sweep in whole degrees, 0-360; 0 when maximum equals minimum.
  [[nodiscard]] int SweepDegrees() const;

  int value = 0;
  int minimum = 0;
  int maximum = 100;
  ui::Argb backgroundColour = 0;
  ui::Argb foreColour = 0;
  ui::Argb innerColour = 0xFFFFFFFF;
  ui::Argb textColour = 0xFF000000;
  std::string text;
};

}  // namespace tavrinex::appearance
