// A window of the platform that a control can keep on its own rectangle (a window of another
// program, or of a library with its own window).
#pragma once

#include "ui/custom_control.h"

namespace tavrinex::ui {

class NativeWindow {
 public:
  virtual ~NativeWindow() = default;
  // The window still exists.
  [[nodiscard]] virtual bool IsAlive() const = 0;
  // It is a child of the window the control is in (then it is placed in that window's
  // coordinates, else in screen coordinates).
  [[nodiscard]] virtual bool IsChildOfControlWindow() const = 0;
  // Moves and sizes it without activating it or changing its stacking order.
  virtual void SetGeometry(Rect r) = 0;
  virtual void SetShown(bool shown) = 0;
};

}  // namespace tavrinex::ui
