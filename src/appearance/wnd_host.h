// A control that keeps a native window on its own rectangle: after each change of its
// position, size or visibility the hosted window, while it exists, is moved onto the control
// (translated to the screen unless it is a child of the control's window) and shown or hidden
// with the control. Without a hosted window nothing happens beyond the control's own change.
#pragma once

#include <memory>
#include <string>

#include "ui/custom_control.h"
#include "ui/native_window.h"

namespace tavrinex::appearance {

inline constexpr std::string_view kWndClass = "CWndUI";

class CWndUI final : public ui::CustomControl {
 public:
  std::string ClassName() const override { return "Wnd"; }
  void Paint(ui::Painter& painter, ui::Rect bounds) override;
  void Placed(const ui::Placement& placement) override;

  // The skin format offers no way to name a window: the program attaches one (none at first).
  void Attach(std::shared_ptr<ui::NativeWindow> window);
  [[nodiscard]] ui::NativeWindow* Hosted() const { return hosted_.get(); }

 private:
  void Synchronise();

  std::shared_ptr<ui::NativeWindow> hosted_;
  ui::Placement last_;
  bool placed_ = false;
};

}  // namespace tavrinex::appearance
