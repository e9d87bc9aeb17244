// Hosts a control of the program's own class (ui::CustomControl) as a widget: painting goes
// through a QPainter-backed ui::Painter, layout properties and attributes reach the control.
#pragma once

#include <QString>
#include <QWidget>
#include <memory>

#include "ui/custom_control.h"

namespace tavrinex::ui::qt {

class CustomWidget : public QWidget {
 public:
  CustomWidget(std::unique_ptr<CustomControl> control, QString imageFolder, QWidget* parent);
  ~CustomWidget() override;
  CustomWidget(const CustomWidget&) = delete;
  CustomWidget& operator=(const CustomWidget&) = delete;
  [[nodiscard]] CustomControl& Control() { return *control_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool event(QEvent* event) override;
  // Position, size and visibility reach the control (a control hosting a window follows).
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void TellPlacement();

  std::unique_ptr<CustomControl> control_;
  QString imageFolder_;
};

}  // namespace tavrinex::ui::qt
