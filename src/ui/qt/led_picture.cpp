#include "ui/qt/led_picture.h"

#include <QDir>
#include <QPainter>
#include <QResizeEvent>

#include "ui/color.h"

namespace tavrinex::ui::qt {
namespace {

// Every channel of x times a / 255 (a = 0-255), two channels per multiplication.
constexpr std::uint32_t ByteMul(std::uint32_t x, std::uint32_t a) {
  std::uint32_t rb = (x & 0x00FF00FFU) * a;
  rb = ((rb + ((rb >> 8) & 0x00FF00FFU) + 0x00800080U) >> 8) & 0x00FF00FFU;
  std::uint32_t ag = ((x >> 8) & 0x00FF00FFU) * a;
  ag = (ag + ((ag >> 8) & 0x00FF00FFU) + 0x00800080U) & 0xFF00FF00U;
  return ag | rb;
}

// x * a / 256 + y * b / 256 per channel, a + b = 256.
constexpr std::uint32_t Interpolate256(std::uint32_t x, std::uint32_t a, std::uint32_t y,
                                       std::uint32_t b) {
  const std::uint32_t rb = (((x & 0x00FF00FFU) * a + (y & 0x00FF00FFU) * b) >> 8) & 0x00FF00FFU;
  const std::uint32_t ag = (((x >> 8) & 0x00FF00FFU) * a + ((y >> 8) & 0x00FF00FFU) * b) & 0xFF00FF00U;
  return ag | rb;
}

static_assert(ByteMul(0xFFFFFFFFU, 255) == 0xFFFFFFFFU);
static_assert(ByteMul(0xFF804020U, 0) == 0);
static_assert(Interpolate256(0xFF000000U, 256, 0x00FFFFFFU, 0) == 0xFF000000U);

}  // namespace
LedPicture::LedPicture(QWidget* parent) : QWidget(parent) {}

void LedPicture::SetImage(const QString& image) {
  image_ = image;
  ReloadImage();
}

void LedPicture::ReloadImage() {
  source_ = QImage();
  if (!image_.isEmpty()) {
    const QString path = QDir::isAbsolutePath(image_) || imageFolder_.isEmpty()
                             ? image_
                             : QDir(imageFolder_).filePath(image_);
    if (!source_.load(path)) qWarning("LedPicture %s: cannot load image %s",
                                      qPrintable(objectName()), qPrintable(path));
  }
  scaled_ = QImage();
  lit_ = QImage();
  update();
}

bool LedPicture::SetOverlayMode(bool on) {
  if (overlayMode_ == on) return false;
  overlayMode_ = on;
  update();
  return true;
}

bool LedPicture::SetOverlay(std::uint32_t overlayWord, std::uint8_t opacity, bool schedule) {
  if (overlayWord_ == overlayWord && opacity_ == opacity) return false;
  overlayWord_ = overlayWord;
  opacity_ = opacity;
  if (overlayMode_ && schedule) update();
  return overlayMode_;
}

void LedPicture::resizeEvent(QResizeEvent* event) {
  scaled_ = QImage();
  lit_ = QImage();
  QWidget::resizeEvent(event);
}

const QImage& LedPicture::Scaled() {
  if (scaled_.isNull() && !source_.isNull()) {
    scaled_ = source_.scaled(size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                  .convertToFormat(QImage::Format_ARGB32_Premultiplied);
  }
  return scaled_;
}

// The image with the overlay colour laid over its shape at the overlay opacity, computed once
// per change. Every frame may bring a new colour for every LED: one plain pass over the few
// pixels, and then a single blit when painting, is far cheaper than a painter compositing.
const QImage& LedPicture::Lit() {
  const QImage& base = Scaled();
  if (lit_.size() != base.size()) {
    lit_ = QImage(base.size(), QImage::Format_ARGB32_Premultiplied);
  } else if (litWord_ == overlayWord_ && litOpacity_ == opacity_) {
    return lit_;
  }
  const Rgb c = FromOverlayWord(overlayWord_);
  const QRgb colour = qRgb(c.r, c.g, c.b);
  const auto o = static_cast<std::uint32_t>(opacity_ + (opacity_ >> 7));  // 0-256
  // 32-bit rows have no padding: the pixels are one array. A pixel of alpha a becomes
  // base + (tint - base) * o / 256 with tint = colour * a / 255 (premultiplied), two channels
  // per multiplication; the tint is kept while the alpha repeats, as it mostly does.
  const auto* src = reinterpret_cast<const QRgb*>(base.constBits());
  auto* dst = reinterpret_cast<QRgb*>(lit_.bits());
  const qsizetype n = base.sizeInBytes() / qsizetype{sizeof(QRgb)};
  std::uint32_t lastAlpha = 256;
  QRgb tint = 0;
  for (qsizetype i = 0; i < n; ++i) {
    const QRgb p = src[i];
    const std::uint32_t a = p >> 24;
    if (a != lastAlpha) {
      tint = ByteMul(colour | 0xFF000000U, a);
      lastAlpha = a;
    }
    dst[i] = Interpolate256(tint, o, p, 256 - o);
  }
  litWord_ = overlayWord_;
  litOpacity_ = opacity_;
  return lit_;
}

void LedPicture::paintEvent(QPaintEvent* /*event*/) {
  QPainter p(this);
  const bool lit = overlayMode_ && opacity_ != 0;
  if (!Scaled().isNull()) {
    p.drawImage(0, 0, lit ? Lit() : Scaled());
  } else if (lit) {
    const Rgb c = FromOverlayWord(overlayWord_);
    p.setOpacity(opacity_ / 255.0);
    p.fillRect(rect(), QColor(c.r, c.g, c.b));
  }
}

}  // namespace tavrinex::ui::qt
