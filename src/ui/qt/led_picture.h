// The LED picture control: an image (a key cap, an LED window of the mouse) drawn tinted with
// its overlay colour at its overlay opacity, so the window shows each LED as it lights.
#pragma once

#include <QImage>
#include <QWidget>
#include <cstdint>

namespace tavrinex::ui::qt {

class LedPicture : public QWidget {
  Q_OBJECT
  Q_PROPERTY(QString image READ Image WRITE SetImage)

 public:
  explicit LedPicture(QWidget* parent = nullptr);

  [[nodiscard]] QString Image() const { return image_; }
  // A path relative to the skin folder (the loader's working directory) or absolute.
  void SetImage(const QString& image);
  void SetImageFolder(const QString& folder) { imageFolder_ = folder; }

  [[nodiscard]] bool OverlayMode() const { return overlayMode_; }
  [[nodiscard]] std::uint32_t OverlayWord() const { return overlayWord_; }
  [[nodiscard]] std::uint8_t OverlayOpacity() const { return opacity_; }
  // Each returns whether the picture changed; a change schedules a repaint.
  bool SetOverlayMode(bool on);
  // `schedule` false leaves the repaint to the caller (one update for many pictures).
  bool SetOverlay(std::uint32_t overlayWord, std::uint8_t opacity, bool schedule = true);
  // Drops the scaled image caches (after a UI scale change).
  void ReloadImage();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  const QImage& Scaled();
  const QImage& Lit();

  QString image_;
  QString imageFolder_;
  QImage source_;
  QImage scaled_;  // premultiplied, at the widget's size
  QImage lit_;     // the image with the overlay laid over it
  std::uint32_t litWord_ = 0;
  std::uint8_t litOpacity_ = 0;
  bool overlayMode_ = false;
  std::uint32_t overlayWord_ = 0;
  std::uint8_t opacity_ = 0;
};

}  // namespace tavrinex::ui::qt
