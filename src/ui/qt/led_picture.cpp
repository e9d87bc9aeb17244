#include "ui/qt/led_picture.h"

#include <QDir>
#include <QPainter>
#include <QResizeEvent>

#include "ui/color.h"

namespace tavrinex::ui::qt {
LedPicture::LedPicture(QWidget* parent) : QWidget(parent) {
  // The picture covers what it draws; nothing behind needs painting first for the image.
  setAttribute(Qt::WA_StyledBackground, true);
}

void LedPicture::SetImage(const QString& image) {
  image_ = image;
  ReloadImage();
}

void LedPicture::ReloadImage() {
  source_ = QPixmap();
  if (!image_.isEmpty()) {
    const QString path = QDir::isAbsolutePath(image_) || imageFolder_.isEmpty()
                             ? image_
                             : QDir(imageFolder_).filePath(image_);
    if (!source_.load(path)) qWarning("LedPicture %s: cannot load image %s",
                                      qPrintable(objectName()), qPrintable(path));
  }
  scaled_ = QPixmap();
  tinted_ = QPixmap();
  update();
}

bool LedPicture::SetOverlayMode(bool on) {
  if (overlayMode_ == on) return false;
  overlayMode_ = on;
  update();
  return true;
}

bool LedPicture::SetOverlay(std::uint32_t overlayWord, std::uint8_t opacity) {
  if (overlayWord_ == overlayWord && opacity_ == opacity) return false;
  overlayWord_ = overlayWord;
  opacity_ = opacity;
  if (overlayMode_) update();
  return overlayMode_;
}

void LedPicture::resizeEvent(QResizeEvent* event) {
  scaled_ = QPixmap();
  tinted_ = QPixmap();
  QWidget::resizeEvent(event);
}

const QPixmap& LedPicture::Scaled() {
  if (scaled_.isNull() && !source_.isNull()) {
    scaled_ = source_.scaled(size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  }
  return scaled_;
}

// The image's shape filled with the colour: the tint keeps the picture's outline.
const QPixmap& LedPicture::Tinted(const QColor& color) {
  if (tinted_.isNull() || tintedColor_ != color) {
    QPixmap tint(Scaled().size());
    tint.fill(Qt::transparent);
    QPainter p(&tint);
    p.drawPixmap(0, 0, Scaled());
    p.setCompositionMode(QPainter::CompositionMode_SourceIn);
    p.fillRect(tint.rect(), color);
    p.end();
    tinted_ = tint;
    tintedColor_ = color;
  }
  return tinted_;
}

void LedPicture::paintEvent(QPaintEvent* /*event*/) {
  QPainter p(this);
  const bool hasImage = !Scaled().isNull();
  if (hasImage) p.drawPixmap(0, 0, Scaled());
  if (!overlayMode_ || opacity_ == 0) return;
  const Rgb c = FromOverlayWord(overlayWord_);
  const QColor color(c.r, c.g, c.b);
  p.setOpacity(opacity_ / 255.0);
  if (hasImage) {
    p.drawPixmap(0, 0, Tinted(color));
  } else {
    p.fillRect(rect(), color);
  }
}

}  // namespace tavrinex::ui::qt
