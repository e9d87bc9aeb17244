#include "ui/qt/custom_widget.h"

#include <QDir>
#include <QDynamicPropertyChangeEvent>
#include <QHelpEvent>
#include <QPainter>
#include <QTextDocument>
#include <QTextOption>
#include <QToolTip>
#include <QVariant>

namespace tavrinex::ui::qt {
namespace {

QColor ToQColor(Argb c) { return QColor::fromRgba(c); }
QRect ToQRect(Rect r) { return {r.x, r.y, r.width, r.height}; }

class QtPainter final : public Painter {
 public:
  QtPainter(QPainter& p, const QString& imageFolder)
      : p_(p), imageFolder_(imageFolder), ownFont_(p.font()) {
    p_.setRenderHint(QPainter::Antialiasing);
  }
  void FillRect(Rect r, Argb color) override { p_.fillRect(ToQRect(r), ToQColor(color)); }
  void FillPie(Rect bounds, double startDeg, double spanDeg, Argb color) override {
    p_.setPen(Qt::NoPen);
    p_.setBrush(ToQColor(color));
    p_.drawPie(ToQRect(bounds), Sixteenths(startDeg), Sixteenths(spanDeg));
  }
  void DrawArc(Rect bounds, double startDeg, double spanDeg, Argb color, int width) override {
    p_.setPen(QPen(ToQColor(color), width, Qt::SolidLine, Qt::FlatCap));
    p_.setBrush(Qt::NoBrush);
    p_.drawArc(ToQRect(bounds), Sixteenths(startDeg), Sixteenths(spanDeg));
  }
  void DrawLine(int x1, int y1, int x2, int y2, Argb color, int width) override {
    p_.setPen(QPen(ToQColor(color), width));
    p_.drawLine(x1, y1, x2, y2);
  }
  void DrawText(Rect r, std::string_view text, Argb color) override {
    p_.setPen(ToQColor(color));
    p_.drawText(ToQRect(r), Qt::AlignCenter,
                QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
  }
  void DrawLabel(Rect r, std::string_view text, Argb color, TextAlign align,
                 bool html) override {
    const QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    const Qt::Alignment horizontal = align == TextAlign::kLeft ? Qt::AlignLeft : Qt::AlignHCenter;
    if (!html) {
      p_.setPen(ToQColor(color));
      p_.drawText(ToQRect(r), static_cast<int>((horizontal | Qt::AlignVCenter).toInt()), s);
      return;
    }
    QTextDocument doc;
    doc.setDefaultFont(p_.font());
    doc.setDocumentMargin(0);
    doc.setDefaultStyleSheet(QString("body{color:%1}").arg(ToQColor(color).name()));
    doc.setHtml("<body>" + s + "</body>");
    doc.setTextWidth(r.width);
    doc.setDefaultTextOption(QTextOption(horizontal));
    p_.save();
    const double top = r.y + (r.height - doc.size().height()) / 2.0;
    p_.translate(r.x, top);
    doc.drawContents(&p_, QRectF(0, 0, r.width, doc.size().height()));
    p_.restore();
  }
  void SetTextPixels(int pixels) override {
    QFont font = p_.font();
    if (pixels > 0) {
      font.setPixelSize(pixels);
    } else {
      font = ownFont_;
    }
    p_.setFont(font);
  }
  bool DrawImage(Rect r, std::string_view image) override {
    const QString name = QString::fromUtf8(image.data(), static_cast<qsizetype>(image.size()));
    QPixmap pixmap;
    if (!pixmap.load(QDir::isAbsolutePath(name) ? name : QDir(imageFolder_).filePath(name))) {
      return false;
    }
    p_.drawPixmap(ToQRect(r), pixmap);
    return true;
  }

 private:
  static int Sixteenths(double deg) { return static_cast<int>(deg * 16.0); }
  QPainter& p_;
  const QString& imageFolder_;
  QFont ownFont_;
};

}  // namespace

CustomWidget::CustomWidget(std::unique_ptr<CustomControl> control, QString imageFolder,
                           QWidget* parent)
    : QWidget(parent), control_(std::move(control)), imageFolder_(std::move(imageFolder)) {
  control_->SetRepaintRequest([this] { update(); });
}

CustomWidget::~CustomWidget() { control_->SetRepaintRequest({}); }

void CustomWidget::paintEvent(QPaintEvent* /*event*/) {
  QPainter p(this);
  QtPainter painter(p, imageFolder_);
  control_->Paint(painter, {0, 0, width(), height()});
}

void CustomWidget::TellPlacement() {
  const QWidget* top = window();
  const QPoint corner = mapTo(top, QPoint(0, 0));
  const QPoint origin = top->mapToGlobal(QPoint(0, 0));
  control_->Placed({{corner.x(), corner.y(), width(), height()},
                    {origin.x(), origin.y()},
                    isVisible(),
                    top->isVisible()});
}

void CustomWidget::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  TellPlacement();
}

void CustomWidget::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  TellPlacement();
}

void CustomWidget::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  TellPlacement();
}

void CustomWidget::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  TellPlacement();
}

// Layout properties that the widget does not know arrive as dynamic properties: they are the
// control's own attributes.
bool CustomWidget::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    const QPoint at = static_cast<QHelpEvent*>(event)->pos();
    const std::string tip = control_->ToolTipAt({at.x(), at.y()}, {0, 0, width(), height()});
    // A control without tips of its own keeps the tooltip its layout gave it.
    if (!tip.empty()) {
      QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), QString::fromStdString(tip),
                         this);
      return true;
    }
    if (toolTip().isEmpty()) QToolTip::hideText();  // nothing under the pointer any more
  }
  if (event->type() == QEvent::DynamicPropertyChange) {
    const auto* change = static_cast<QDynamicPropertyChangeEvent*>(event);
    const QByteArray name = change->propertyName();
    const QVariant value = property(name.constData());
    control_->SetAttribute(name.toStdString(), value.toString().toStdString());
    update();
  }
  return QWidget::event(event);
}

}  // namespace tavrinex::ui::qt
