#include "ui/qt/led_picture.h"

#include <QDir>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <algorithm>
#include <array>
#include <cmath>

#include "ui/color.h"
#include "ui/qt/led_shape.h"

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

// The pointer moves in jumps; the picture under every point of the way counts, so that a
// quick stroke passes every key it crossed.
constexpr int kDragStep = 2;

// The steps of a shape's light: fine enough for a smooth glow over a few pixels, few enough
// that the two look-up tables of a picture cost little to make for every frame.
constexpr std::uint32_t kLightLevels = 64;

}  // namespace

LedPicture::LedPicture(QWidget* parent) : QWidget(parent) {}

void LedPicture::SetImage(const QString& image) {
  image_ = image;
  ReloadImage();
}

void LedPicture::SetShape(const QString& shape) {
  shape_ = shape;
  DropCaches();
  update();
}

void LedPicture::SetGlow(int pixels) {
  glow_ = std::max(0, pixels);
  DropCaches();
  update();
}

QRect LedPicture::KeyRect() const { return rect().adjusted(glow_, glow_, -glow_, -glow_); }

void LedPicture::ReloadImage() {
  source_ = QImage();
  if (!image_.isEmpty()) {
    const QString path = QDir::isAbsolutePath(image_) || imageFolder_.isEmpty()
                             ? image_
                             : QDir(imageFolder_).filePath(image_);
    if (!source_.load(path)) qWarning("LedPicture %s: cannot load image %s",
                                      qPrintable(objectName()), qPrintable(path));
  }
  DropCaches();
  update();
}

void LedPicture::DropCaches() {
  scaled_ = QImage();
  light_.clear();
  lit_ = QImage();
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
  DropCaches();
  QWidget::resizeEvent(event);
}

const QImage& LedPicture::Scaled() {
  if (scaled_.isNull() && !source_.isNull()) {
    scaled_ = source_.scaled(size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                  .convertToFormat(QImage::Format_ARGB32_Premultiplied);
  }
  return scaled_;
}

const std::vector<LedPicture::Light>& LedPicture::ShapeLight() {
  if (light_.empty() && !size().isEmpty()) {
    const LedShapeKind kind = ShapeKindOf(shape_.toStdString());
    const std::vector<ShapeLightPixel> pixels = LightOfShape(kind, width(), height(), glow_);
    light_.reserve(pixels.size());
    for (const ShapeLightPixel& p : pixels) {
      const std::uint32_t white = (std::uint32_t{p.alpha} * p.white + 127) / 255;
      const std::uint32_t colour = p.alpha - white;
      light_.push_back({static_cast<std::uint8_t>((colour * kLightLevels + 127) / 255),
                        static_cast<std::uint8_t>((white * kLightLevels + 127) / 255)});
    }
  }
  return light_;
}

// What the picture shows, computed once per change of the overlay. Every frame may bring a
// new colour for every LED: one plain pass over the few pixels, and then a single blit when
// painting, is far cheaper than a painter compositing.
const QImage& LedPicture::Lit() {
  const QSize want = shape_.isEmpty() ? Scaled().size() : size();
  if (lit_.size() != want) {
    lit_ = QImage(want, QImage::Format_ARGB32_Premultiplied);
  } else if (litWord_ == overlayWord_ && litOpacity_ == opacity_) {
    return lit_;
  }
  if (shape_.isEmpty()) {
    LightImage();
  } else {
    LightShape();
  }
  litWord_ = overlayWord_;
  litOpacity_ = opacity_;
  return lit_;
}

// The image with the overlay colour laid over its shape at the overlay opacity.
void LedPicture::LightImage() {
  const QImage& base = Scaled();
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
}

// The shape's light in the overlay colour: per pixel the colour's share of the light plus
// the white share, both times the opacity (premultiplied). The two shares, in kLightLevels
// steps, are looked up in tables made once per change, so a pixel costs two loads and an
// addition; no channel can carry over, as the shares never add up to more than 255.
void LedPicture::LightShape() {
  const std::vector<Light>& light = ShapeLight();
  const Rgb c = FromOverlayWord(overlayWord_);
  const std::uint32_t colour = 0xFF000000U | qRgb(c.r, c.g, c.b);
  const auto o = static_cast<std::uint32_t>(opacity_ + (opacity_ >> 7));  // 0-256
  // A dim colour lights its middle less: the white share follows the brightest component,
  // so that black (a key of the custom set left unset) stays dark.
  const std::uint32_t glare = std::max({c.r, c.g, c.b}) + 1U;  // 1-256
  std::array<QRgb, kLightLevels + 1> coloured{};
  std::array<QRgb, kLightLevels + 1> white{};
  for (std::uint32_t k = 0; k <= kLightLevels; ++k) {
    const std::uint32_t share = ((k * 255 / kLightLevels) * o) >> 8;
    coloured[k] = ByteMul(colour, share);
    white[k] = ((share * glare) >> 8) * 0x01010101U;
  }
  auto* dst = reinterpret_cast<QRgb*>(lit_.bits());
  const std::size_t n = std::min(light.size(), static_cast<std::size_t>(lit_.width()) *
                                                   static_cast<std::size_t>(lit_.height()));
  for (std::size_t i = 0; i < n; ++i) dst[i] = coloured[light[i].colour] + white[light[i].white];
}

void LedPicture::paintEvent(QPaintEvent* /*event*/) {
  const bool lit = overlayMode_ && opacity_ != 0;
  if (!shape_.isEmpty()) {
    if (lit) QPainter(this).drawImage(0, 0, Lit());
    return;
  }
  QPainter p(this);
  if (!Scaled().isNull()) {
    p.drawImage(0, 0, lit ? Lit() : Scaled());
  } else if (lit) {
    const Rgb c = FromOverlayWord(overlayWord_);
    p.setOpacity(opacity_ / 255.0);
    p.fillRect(rect(), QColor(c.r, c.g, c.b));
  }
}

LedPicture* LedPicture::PictureAt(QPoint point) const {
  const QWidget* parent = parentWidget();
  if (parent == nullptr) return nullptr;
  const QObjectList& siblings = parent->children();
  for (auto it = siblings.rbegin(); it != siblings.rend(); ++it) {  // topmost first
    auto* picture = qobject_cast<LedPicture*>(*it);
    if (picture == nullptr || !picture->isVisible()) continue;
    if (picture->KeyRect().translated(picture->pos()).contains(point)) return picture;
  }
  return nullptr;
}

void LedPicture::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QWidget::mousePressEvent(event);
    return;
  }
  EndPress();
  pressed_ = true;
  lastPoint_ = mapToParent(event->position().toPoint());
  over_ = PictureAt(lastPoint_);
  origin_ = over_;
  event->accept();
}

void LedPicture::PassOver(LedPicture* picture) {
  if (picture == over_) return;
  over_ = picture;
  if (picture == nullptr) return;
  if (!dragging_) {
    dragging_ = true;
    if (origin_ != nullptr && origin_ != picture) emit origin_->dragOver();
  }
  emit picture->dragOver();
}

void LedPicture::mouseMoveEvent(QMouseEvent* event) {
  if (!pressed_) {
    QWidget::mouseMoveEvent(event);
    return;
  }
  const QPoint to = mapToParent(event->position().toPoint());
  const QPoint delta = to - lastPoint_;
  const int steps = std::max(1, std::max(std::abs(delta.x()), std::abs(delta.y())) / kDragStep);
  const QPoint from = lastPoint_;
  for (int s = 1; s <= steps; ++s) {
    PassOver(PictureAt(from + delta * s / steps));
  }
  lastPoint_ = to;
  event->accept();
}

void LedPicture::mouseReleaseEvent(QMouseEvent* event) {
  if (!pressed_ || event->button() != Qt::LeftButton) {
    QWidget::mouseReleaseEvent(event);
    return;
  }
  event->accept();
  const QPointer<LedPicture> origin = origin_;
  const bool click = !dragging_ && origin != nullptr &&
                     origin == PictureAt(mapToParent(event->position().toPoint()));
  EndPress();
  if (click) emit origin->clicked();
}

void LedPicture::hideEvent(QHideEvent* event) {
  EndPress();
  QWidget::hideEvent(event);
}

void LedPicture::EndPress() {
  const bool dragged = dragging_;
  pressed_ = false;
  dragging_ = false;
  origin_ = nullptr;
  over_ = nullptr;
  if (dragged) emit dragEnded();
}

}  // namespace tavrinex::ui::qt
