#include "appearance/wnd_host.h"

namespace tavrinex::appearance {

void CWndUI::Paint(ui::Painter& /*painter*/, ui::Rect /*bounds*/) {}  // the window shows itself

void CWndUI::Placed(const ui::Placement& placement) {
  last_ = placement;
  placed_ = true;
  Synchronise();
}

void CWndUI::Attach(std::shared_ptr<ui::NativeWindow> window) {
  hosted_ = std::move(window);
  if (placed_) Synchronise();
}

void CWndUI::Synchronise() {
  if (!hosted_ || !hosted_->IsAlive()) return;
  if (last_.inWindowShown) {
    ui::Rect r = last_.inWindow;
    if (!hosted_->IsChildOfControlWindow()) {
      r.x += last_.windowOrigin.x;
      r.y += last_.windowOrigin.y;
    }
    hosted_->SetGeometry(r);
  }
  hosted_->SetShown(last_.visible);
}

}  // namespace tavrinex::appearance
