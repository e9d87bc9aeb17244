// ui::NativeWindow over a QWindow: one of the program's own, or a foreign one made with
// QWindow::fromWinId (an X11 window id).
#pragma once

#include <QPointer>
#include <QWidget>
#include <QWindow>

#include "ui/native_window.h"

namespace tavrinex::ui::qt {

class QtNativeWindow final : public NativeWindow {
 public:
  // `control` is the widget the window is kept on.
  QtNativeWindow(QWindow* window, QWidget* control) : window_(window), control_(control) {}

  bool IsAlive() const override { return !window_.isNull(); }
  bool IsChildOfControlWindow() const override {
    return !window_.isNull() && !control_.isNull() &&
           window_->parent() == control_->window()->windowHandle();
  }
  void SetGeometry(Rect r) override {
    if (window_) window_->setGeometry(r.x, r.y, r.width, r.height);
  }
  void SetShown(bool shown) override {
    if (window_) window_->setVisible(shown);
  }

 private:
  QPointer<QWindow> window_;
  QPointer<QWidget> control_;
};

}  // namespace tavrinex::ui::qt
