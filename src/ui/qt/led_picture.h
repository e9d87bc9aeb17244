// The LED picture control: the light of one LED over the device picture, drawn with its
// overlay colour at its overlay opacity. Either an image (a key cap, an LED window) tinted
// with the overlay, or, with a shape, the light itself: a key cap lit from below ("key") or
// a light guide ("strip"), each with a glow of `glow` pixels around it, so the window shows
// each LED as it lights and nothing where it is dark.
//
// Pressing and releasing on a picture is a click. Pressing and moving onto other LED
// pictures of the same parent is a drag: each picture passed over (the first one included)
// reports dragOver once in turn, and the release reports dragEnded on the picture pressed
// (as does a drag cut short).
// Where glows overlap, the point belongs to the picture whose key (its rectangle less the
// glow) holds it.
#pragma once

#include <QImage>
#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <vector>

namespace tavrinex::ui::qt {

class LedPicture : public QWidget {
  Q_OBJECT
  Q_PROPERTY(QString image READ Image WRITE SetImage)
  Q_PROPERTY(QString shape READ Shape WRITE SetShape)
  Q_PROPERTY(int glow READ Glow WRITE SetGlow)

 public:
  explicit LedPicture(QWidget* parent = nullptr);

  [[nodiscard]] QString Image() const { return image_; }
  // A path relative to the skin folder (the loader's working directory) or absolute.
  void SetImage(const QString& image);
  void SetImageFolder(const QString& folder) { imageFolder_ = folder; }
  [[nodiscard]] QString Shape() const { return shape_; }
  void SetShape(const QString& shape);
  [[nodiscard]] int Glow() const { return glow_; }
  void SetGlow(int pixels);
  // The key: the rectangle less the glow, in the picture's own coordinates.
  [[nodiscard]] QRect KeyRect() const;

  [[nodiscard]] bool OverlayMode() const { return overlayMode_; }
  [[nodiscard]] std::uint32_t OverlayWord() const { return overlayWord_; }
  [[nodiscard]] std::uint8_t OverlayOpacity() const { return opacity_; }
  // Each returns whether the picture changed; a change schedules a repaint.
  bool SetOverlayMode(bool on);
  // `schedule` false leaves the repaint to the caller (one update for many pictures).
  bool SetOverlay(std::uint32_t overlayWord, std::uint8_t opacity, bool schedule = true);
  // Drops the scaled image caches (after a UI scale change).
  void ReloadImage();

 signals:
  void clicked();
  void dragOver();
  void dragEnded();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  // Per pixel of the shape: how much of the light is the overlay colour and how much white
  // (their sum is the pixel's alpha).
  struct Light {
    std::uint8_t colour;
    std::uint8_t white;
  };

  const QImage& Scaled();
  const std::vector<Light>& ShapeLight();
  const QImage& Lit();
  void LightImage();
  void LightShape();
  void DropCaches();
  // The visible LED picture of the same parent whose key holds `point` (parent coordinates).
  [[nodiscard]] LedPicture* PictureAt(QPoint point) const;
  void PassOver(LedPicture* picture);
  // Ends the press; a drag reports its end even when the release never came (the picture was
  // hidden, or a new press began), so what it painted is still saved.
  void EndPress();

  QString image_;
  QString imageFolder_;
  QString shape_;
  int glow_ = 0;
  QImage source_;
  QImage scaled_;  // premultiplied, at the widget's size
  std::vector<Light> light_;  // the shape's light, at the widget's size
  QImage lit_;     // what the picture shows for the current overlay
  std::uint32_t litWord_ = 0;
  std::uint8_t litOpacity_ = 0;
  bool overlayMode_ = false;
  std::uint32_t overlayWord_ = 0;
  std::uint8_t opacity_ = 0;
  // A press on this picture: where the pointer was last, and the drag it became.
  bool pressed_ = false;
  bool dragging_ = false;
  QPoint lastPoint_;                 // parent coordinates
  QPointer<LedPicture> origin_;      // the picture whose key was pressed
  QPointer<LedPicture> over_;        // the picture the pointer is over
};

}  // namespace tavrinex::ui::qt
