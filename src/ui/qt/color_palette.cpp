#include "ui/qt/color_palette.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace tavrinex::ui::qt {

ColorPalette::ColorPalette(QWidget* parent) : QWidget(parent) {
  setMinimumSize(40, 30);
  setCursor(Qt::CrossCursor);
}

void ColorPalette::SetSelected(const QColor& color) {
  selected_ = color;
  update();
}

QColor ColorPalette::ColorAt(QPoint p) const {
  const int w = std::max(1, width() - 1);
  const int h = std::max(1, height() - 1);
  const double hue = std::clamp(p.x(), 0, w) / static_cast<double>(w + 1);
  // Top row pure white fades to full colour in the middle and to black at the bottom.
  const double lightness = 1.0 - std::clamp(p.y(), 0, h) / static_cast<double>(h);
  return QColor::fromHslF(static_cast<float>(hue), 1.0F, static_cast<float>(lightness));
}

void ColorPalette::resizeEvent(QResizeEvent* event) {
  field_ = QImage();
  QWidget::resizeEvent(event);
}

void ColorPalette::paintEvent(QPaintEvent* /*event*/) {
  if (field_.size() != size()) {
    field_ = QImage(size(), QImage::Format_RGB32);
    for (int y = 0; y < height(); ++y) {
      auto* line = reinterpret_cast<QRgb*>(field_.scanLine(y));
      for (int x = 0; x < width(); ++x) line[x] = ColorAt({x, y}).rgb();
    }
  }
  QPainter p(this);
  p.drawImage(0, 0, field_);
  // A small swatch of the selected colour in the corner.
  p.setPen(Qt::white);
  p.setBrush(selected_);
  p.drawRect(width() - 14, height() - 14, 12, 12);
}

void ColorPalette::mousePressEvent(QMouseEvent* event) { Pick(event->position().toPoint()); }

void ColorPalette::mouseMoveEvent(QMouseEvent* event) {
  if (event->buttons() & Qt::LeftButton) Pick(event->position().toPoint());
}

void ColorPalette::Pick(QPoint p) {
  const QColor c = ColorAt(p);
  if (c == selected_) return;
  SetSelected(c);
  emit ColorPicked(c);
}

}  // namespace tavrinex::ui::qt
