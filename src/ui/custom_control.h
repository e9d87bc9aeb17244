// Control classes of the program's own, registered with the control factory by name and
// created by the layout loader wherever a layout names that class. They draw through a
// toolkit-neutral painter.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "ui/color.h"

namespace tavrinex::ui {

struct Rect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const Rect&, const Rect&) = default;
};

struct Point {
  int x = 0;
  int y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

enum class TextAlign : std::uint8_t { kCentre, kLeft };

// Where a control is, told after each change of its position, size or visibility.
struct Placement {
  Rect inWindow;       // in its window's client coordinates
  Point windowOrigin;  // the window's client corner on the screen
  bool visible = false;
  bool inWindowShown = false;  // its window exists on the screen
};

class Painter {
 public:
  virtual ~Painter() = default;
  virtual void FillRect(Rect r, Argb color) = 0;
  // Angles in degrees, 0 at three o'clock, counter-clockwise positive.
  virtual void FillPie(Rect bounds, double startDeg, double spanDeg, Argb color) = 0;
  virtual void DrawArc(Rect bounds, double startDeg, double spanDeg, Argb color, int width) = 0;
  virtual void DrawLine(int x1, int y1, int x2, int y2, Argb color, int width) = 0;
  virtual void DrawText(Rect r, std::string_view text, Argb color) = 0;  // centred
  // Draws an image of the skin folder scaled into r; false when it cannot be loaded.
  virtual bool DrawImage(Rect r, std::string_view image) = 0;
  // Text vertically centred in r; `html` takes it as rich text.
  virtual void DrawLabel(Rect r, std::string_view text, Argb color, TextAlign align, bool html) {
    (void)align;
    (void)html;
    DrawText(r, text, color);
  }
  // The text size of what is drawn next, in pixels (0: the control's own font).
  virtual void SetTextPixels(int pixels) { (void)pixels; }
};

class CustomControl {
 public:
  virtual ~CustomControl() = default;
  // The class name the control reports ("CircleProgress").
  [[nodiscard]] virtual std::string ClassName() const = 0;
  // Attributes from the layout and from Control::SetAttribute.
  virtual void SetAttribute(std::string_view name, std::string_view value) {
    (void)name;
    (void)value;
  }
  virtual void Paint(Painter& painter, Rect bounds) = 0;
  virtual void Placed(const Placement& placement) { (void)placement; }
  // The tip for the point (control coordinates) of a control of `size`; empty for none.
  [[nodiscard]] virtual std::string ToolTipAt(Point at, Rect size) const {
    (void)at;
    (void)size;
    return {};
  }

  // Set by the host: a control whose own data changed asks to be drawn again.
  void SetRepaintRequest(std::function<void()> request) { repaint_ = std::move(request); }

 protected:
  void RequestRepaint() const {
    if (repaint_) repaint_();
  }

 private:
  std::function<void()> repaint_;
};

using ControlFactory = std::function<std::unique_ptr<CustomControl>()>;

}  // namespace tavrinex::ui
