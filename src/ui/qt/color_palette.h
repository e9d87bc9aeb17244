// The colour palette control: a field of hues (left to right) and lightness (top to bottom);
// a click or drag picks the colour under the pointer and reports it.
#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>

namespace tavrinex::ui::qt {

class ColorPalette : public QWidget {
  Q_OBJECT

 public:
  explicit ColorPalette(QWidget* parent = nullptr);

  [[nodiscard]] QColor Selected() const { return selected_; }
  void SetSelected(const QColor& color);  // raises nothing
  // The colour the field shows at a point of the widget.
  [[nodiscard]] QColor ColorAt(QPoint p) const;

 signals:
  void ColorPicked(QColor color);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Pick(QPoint p);

  QColor selected_{0x01, 0x99, 0xCB};
  QImage field_;
};

}  // namespace tavrinex::ui::qt
