#include "ui/qt/qt_controls.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QStyle>
#include <QTextEdit>
#include <QVariant>

#include "ui/qt/custom_widget.h"
#include "ui/qt/led_picture.h"

namespace tavrinex::ui::qt {
namespace {

// The language id of a combo item shown translated (beside the list roles of the adapters).
constexpr int kTextIdRole = Qt::UserRole + 5;

QString Q(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QString Rgba(Argb c) {
  return QString("rgba(%1,%2,%3,%4)")
      .arg((c >> 16) & 0xFF)
      .arg((c >> 8) & 0xFF)
      .arg(c & 0xFF)
      .arg(((c >> 24) & 0xFF) / 255.0, 0, 'f', 3);
}

// The overlay of an ordinary widget: the colour over its whole rectangle, following its
// size, letting the mouse through.
class OverlayFill final : public QWidget {
 public:
  explicit OverlayFill(QWidget* target) : QWidget(target) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setGeometry(target->rect());
    target->installEventFilter(this);
    raise();
  }
  void SetColor(const QColor& c) {
    color_ = c;
    update();
  }

 protected:
  void paintEvent(QPaintEvent* /*event*/) override { QPainter(this).fillRect(rect(), color_); }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == parent() && event->type() == QEvent::Resize) {
      setGeometry(parentWidget()->rect());
    }
    return false;
  }

 private:
  QColor color_;
};

// "#AARRGGBB", "#RRGGBB" (opaque) or "0xAARRGGBB"; 0 (none) for anything else.
Argb ParseColour(QString text) {
  text = text.trimmed();
  if (text.startsWith('#')) {
    text = text.mid(1);
  } else if (text.startsWith("0x", Qt::CaseInsensitive)) {
    text = text.mid(2);
  } else {
    return 0;
  }
  bool ok = false;
  const uint value = text.toUInt(&ok, 16);
  if (!ok || (text.size() != 6 && text.size() != 8)) return 0;
  return text.size() == 6 ? (0xFF000000u | value) : value;
}

void Repolish(QWidget* w) {
  w->style()->unpolish(w);
  w->style()->polish(w);
  w->update();
}

}  // namespace

QtControl::QtControl(QWidget* widget, ControlHost& host)
    : widget_(widget), host_(host), layoutStyleSheet_(widget->styleSheet()) {
  // Resource-text mode and user data may come from the layout as dynamic properties.
  userData_ = widget->property("userdata").toString().toStdString();
  rawText_ = WidgetText().toStdString();
  if (widget->property("resourcetext").toBool()) SetResourceText(true);
  ShowPlaceholder();
  // A background given by the layout as the skin format's attributes.
  background_ = ParseColour(widget->property("bkcolor").toString());
  backgroundImage_ = widget->property("bkimage").toString().toStdString();
  // (A control of the program's own draws them itself: it has them as attributes.)
  const bool own = dynamic_cast<CustomWidget*>(widget) != nullptr;
  if (!own && (background_ != 0 || !backgroundImage_.empty())) UpdateStyleSheet();
  if (widget->minimumHeight() == widget->maximumHeight() && widget->minimumHeight() > 0) {
    fixedHeight_ = widget->minimumHeight();
  }
}

QtControl::~QtControl() = default;

void QtControl::Connect() {
  if (auto* button = qobject_cast<QAbstractButton*>(widget_)) {
    QObject::connect(button, &QAbstractButton::clicked, button,
                     [this] { host_.Raise(EventType::kClick, *this); });
  } else if (auto* line = qobject_cast<QLineEdit*>(widget_)) {
    // textEdited: the user's typing only, never a SetText.
    QObject::connect(line, &QLineEdit::textEdited, line,
                     [this] { host_.Raise(EventType::kTextChanged, *this); });
  } else if (auto* text = qobject_cast<QTextEdit*>(widget_)) {
    QObject::connect(text, &QTextEdit::textChanged, text,
                     [this] { host_.Raise(EventType::kTextChanged, *this); });
  } else if (auto* plain = qobject_cast<QPlainTextEdit*>(widget_)) {
    QObject::connect(plain, &QPlainTextEdit::textChanged, plain,
                     [this] { host_.Raise(EventType::kTextChanged, *this); });
  } else if (LedPicture* led = Led()) {
    QObject::connect(led, &LedPicture::clicked, led, [this] { host_.Raise(EventType::kClick, *this); });
    QObject::connect(led, &LedPicture::dragOver, led,
                     [this] { host_.Raise(EventType::kDragOver, *this); });
    QObject::connect(led, &LedPicture::dragEnded, led,
                     [this] { host_.Raise(EventType::kDragEnd, *this); });
  }
}

LedPicture* QtControl::Led() const { return qobject_cast<LedPicture*>(widget_); }

std::string QtControl::Name() const { return widget_->objectName().toStdString(); }

std::string QtControl::ClassName() const {
  const QVariant named = widget_->property("tavrinexClass");
  if (named.isValid()) return named.toString().toStdString();
  return widget_->metaObject()->className();
}

QString QtControl::WidgetText() const {
  if (const auto* label = qobject_cast<QLabel*>(widget_)) return label->text();
  if (const auto* button = qobject_cast<QAbstractButton*>(widget_)) return button->text();
  if (const auto* line = qobject_cast<QLineEdit*>(widget_)) return line->text();
  if (const auto* text = qobject_cast<QTextEdit*>(widget_)) return text->toPlainText();
  if (const auto* plain = qobject_cast<QPlainTextEdit*>(widget_)) return plain->toPlainText();
  if (const auto* box = qobject_cast<QGroupBox*>(widget_)) return box->title();
  if (const auto* combo = qobject_cast<QComboBox*>(widget_)) return combo->currentText();
  return Q(rawText_);
}

void QtControl::ShowText(const QString& text) {
  Quietly([&] {
    if (auto* label = qobject_cast<QLabel*>(widget_)) {
      label->setText(text);
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget_)) {
      button->setText(text);
    } else if (auto* line = qobject_cast<QLineEdit*>(widget_)) {
      line->setText(text);
    } else if (auto* edit = qobject_cast<QTextEdit*>(widget_)) {
      edit->setPlainText(text);
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(widget_)) {
      plain->setPlainText(text);
    } else if (auto* box = qobject_cast<QGroupBox*>(widget_)) {
      box->setTitle(text);
    } else if (auto* custom = dynamic_cast<CustomWidget*>(widget_)) {
      custom->Control().SetAttribute("text", text.toStdString());
      custom->update();
    } else if (auto* combo = qobject_cast<QComboBox*>(widget_); combo && resourceText_) {
      TranslateItems(*combo);
    }
  });
}

// A combo in resource-text mode holds language ids as its item texts (from the layout): each
// item keeps its id and shows the translation.
void QtControl::TranslateItems(QComboBox& combo) {
  for (int i = 0; i < combo.count(); ++i) {
    QVariant id = combo.itemData(i, kTextIdRole);
    if (!id.isValid()) {
      id = combo.itemText(i);
      combo.setItemData(i, id, kTextIdRole);
    }
    combo.setItemText(i, Q(host_.Translate(id.toString().toStdString())));
  }
}

std::string QtControl::Text() const {
  if (resourceText_) return host_.Translate(rawText_);
  return WidgetText().toStdString();
}

void QtControl::SetText(std::string_view text) {
  rawText_ = text;
  ShowText(resourceText_ ? Q(host_.Translate(rawText_)) : Q(rawText_));
}

void QtControl::SetResourceText(bool on) {
  if (on && !resourceText_) rawText_ = WidgetText().toStdString();
  resourceText_ = on;
  ShowText(resourceText_ ? Q(host_.Translate(rawText_)) : Q(rawText_));
}

void QtControl::ReapplyText() {
  if (resourceText_) ShowText(Q(host_.Translate(rawText_)));
  ShowPlaceholder();
  // A control of the program's own may draw translated texts of its own.
  if (dynamic_cast<CustomWidget*>(widget_) != nullptr) widget_->update();
}

// What an empty combo or edit shows, given by the layout as a language id ("placeholderid"),
// so that it follows the language while the items and the text stay the user's own.
void QtControl::ShowPlaceholder() {
  const QVariant id = widget_->property("placeholderid");
  if (!id.isValid()) return;
  const QString text = Q(host_.Translate(id.toString().toStdString()));
  if (auto* combo = qobject_cast<QComboBox*>(widget_)) combo->setPlaceholderText(text);
  if (auto* line = qobject_cast<QLineEdit*>(widget_)) line->setPlaceholderText(text);
}

// Hidden by the window's own hiding counts as visible: the control's own flag is asked.
bool QtControl::IsVisible() const { return !widget_->isHidden(); }
void QtControl::SetVisible(bool visible) { widget_->setVisible(visible); }
bool QtControl::IsEnabled() const { return widget_->isEnabled(); }
void QtControl::SetEnabled(bool enabled) { widget_->setEnabled(enabled); }

void QtControl::SetBackgroundColor(Argb color) {
  background_ = color;
  UpdateStyleSheet();
}

void QtControl::SetBackgroundImage(std::string_view image) {
  backgroundImage_ = image;
  UpdateStyleSheet();
}

void QtControl::SetTextColor(Argb color) {
  textColor_ = color;
  UpdateStyleSheet();
}

void QtControl::SetTextPadding(Padding padding) {
  padding_ = padding;
  UpdateStyleSheet();
}

// The layout's own style sheet, followed by a rule for this widget alone.
void QtControl::UpdateStyleSheet() {
  QString rule;
  if (background_ != 0) rule += "background-color:" + Rgba(background_) + ";";
  if (!backgroundImage_.empty()) {
    // A style sheet resolves a relative url against the working directory, not the skin.
    QString file = host_.ImagePath(backgroundImage_);
    file.replace("\\", "\\\\").replace("\"", "\\\"");
    rule += "border-image:url(\"" + file + "\") 0 0 0 0 stretch stretch;";
  }
  if (textColor_ != 0) rule += "color:" + Rgba(textColor_) + ";";
  if (padding_ != Padding{}) {
    rule += QString("padding:%1px %2px %3px %4px;")
                .arg(padding_.top)
                .arg(padding_.right)
                .arg(padding_.bottom)
                .arg(padding_.left);
  }
  QString sheet = layoutStyleSheet_;
  if (!rule.isEmpty()) sheet += "\n#" + widget_->objectName() + "{" + rule + "}";
  widget_->setAttribute(Qt::WA_StyledBackground, true);
  widget_->setStyleSheet(sheet);
}

void QtControl::SetFixedHeight(int height) {
  fixedHeight_ = height;
  if (height > 0) {
    widget_->setFixedHeight(height);
  } else {
    widget_->setMinimumHeight(0);
    widget_->setMaximumHeight(QWIDGETSIZE_MAX);
  }
}

CustomControl* QtControl::OwnControl() {
  auto* custom = dynamic_cast<CustomWidget*>(widget_);
  return custom != nullptr ? &custom->Control() : nullptr;
}

std::string QtControl::ToolTip() const { return widget_->toolTip().toStdString(); }
void QtControl::SetToolTip(std::string_view tip) { widget_->setToolTip(Q(tip)); }

std::string QtControl::Attribute(std::string_view name) const {
  if (name == "text") return Text();
  if (name == "userdata") return userData_;
  if (name == "tooltip") return ToolTip();
  return widget_->property(std::string(name).c_str()).toString().toStdString();
}

void QtControl::SetAttribute(std::string_view name, std::string_view value) {
  if (name == "text") return SetText(value);
  if (name == "userdata") return SetUserData(value);
  if (name == "tooltip") return SetToolTip(value);
  if (name == "height") return SetFixedHeight(Q(value).toInt());
  if (name == "bkimage") return SetBackgroundImage(value);
  // Everything else is a property: the skin's style sheet selects on "style", custom
  // controls receive theirs as attributes.
  widget_->setProperty(std::string(name).c_str(), Q(value));
  if (name == "style") Repolish(widget_);
}

// An LED picture also takes overlays straight from its picture buffer: ask it.
bool QtControl::OverlayMode() const {
  const LedPicture* led = Led();
  return led != nullptr ? led->OverlayMode() : overlayMode_;
}

std::uint32_t QtControl::OverlayColor() const {
  const LedPicture* led = Led();
  return led != nullptr ? led->OverlayWord() : overlayWord_;
}

std::uint8_t QtControl::OverlayOpacity() const {
  const LedPicture* led = Led();
  return led != nullptr ? led->OverlayOpacity() : overlayOpacity_;
}

void QtControl::SetOverlayMode(bool on) {
  overlayMode_ = on;
  UpdateOverlay();
}

void QtControl::SetOverlayColor(std::uint32_t overlayWord) {
  if (LedPicture* led = Led()) {
    led->SetOverlay(overlayWord, led->OverlayOpacity());
    return;
  }
  overlayWord_ = overlayWord;
  UpdateOverlay();
}

void QtControl::SetOverlayOpacity(std::uint8_t opacity) {
  if (LedPicture* led = Led()) {
    led->SetOverlay(led->OverlayWord(), opacity);
    return;
  }
  overlayOpacity_ = opacity;
  UpdateOverlay();
}

void QtControl::UpdateOverlay() {
  if (LedPicture* led = Led()) {
    led->SetOverlayMode(overlayMode_);
    return;
  }
  if (!overlayMode_) {
    delete overlay_.data();
    return;
  }
  auto* fill = static_cast<OverlayFill*>(overlay_.data());
  if (fill == nullptr) {
    fill = new OverlayFill(widget_);
    overlay_ = fill;
  }
  const Rgb c = FromOverlayWord(overlayWord_);
  fill->SetColor(QColor(c.r, c.g, c.b, overlayOpacity_));
  fill->show();
}

}  // namespace tavrinex::ui::qt
