#include "ui/qt/qt_window.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QCloseEvent>
#include <QComboBox>
#include <QEventLoop>
#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QLayout>
#include <QScreen>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "core/stop_event.h"
#include "ui/qt/color_palette.h"
#include "ui/qt/layout_loader.h"
#include "ui/qt/led_picture.h"
#include "ui/qt/qt_ui.h"

namespace tavrinex::ui::qt {
namespace {

QString Q(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

std::string Lower(std::string_view s) { return Q(s).toLower().toStdString(); }

}  // namespace

void WindowHost::closeEvent(QCloseEvent* event) {
  // The window system's close button closes like Close(0); the window object stays.
  event->ignore();
  if (onClose) onClose();
}

void WindowHost::changeEvent(QEvent* event) {
  if (event->type() == QEvent::ActivationChange && onActivation) onActivation(isActiveWindow());
  QWidget::changeEvent(event);
}

// A key event travels from its first receiver up to the window while nobody accepts it:
// only the first delivery is the key press itself.
bool WindowHost::IsFirstKeyReceiver(QObject* watched) const {
  const QWidget* first = QWidget::keyboardGrabber();
  if (first == nullptr) first = QApplication::focusWidget();
  if (first == nullptr) first = this;
  return watched == first;
}

bool WindowHost::IsNewMouseEvent(const QInputEvent& event) {
  int button = 0;
  QPointF at;
  if (event.type() == QEvent::Wheel) {
    at = static_cast<const QWheelEvent&>(event).globalPosition();
  } else {
    const auto& mouse = static_cast<const QMouseEvent&>(event);
    button = static_cast<int>(mouse.button());
    at = mouse.globalPosition();
  }
  const bool same = lastMouseType_ == event.type() && lastMouseButton_ == button &&
                    lastMouseTime_ == event.timestamp() && lastMousePosition_ == at;
  lastMouseType_ = event.type();
  lastMouseButton_ = button;
  lastMouseTime_ = event.timestamp();
  lastMousePosition_ = at;
  return !same;
}

bool WindowHost::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (onMouse && (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease ||
                  type == QEvent::MouseButtonDblClick || type == QEvent::Wheel)) {
    const auto* widget = qobject_cast<QWidget*>(watched);
    const auto& input = *static_cast<QInputEvent*>(event);
    if (widget != nullptr && widget->window() == this && IsNewMouseEvent(input)) {
      onMouse(input, watched);
    }
    return false;
  }
  if (onKey && (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)) {
    const auto* widget = qobject_cast<QWidget*>(watched);
    if (widget != nullptr && widget->window() == this && IsFirstKeyReceiver(watched)) {
      return onKey(*static_cast<QKeyEvent*>(event));
    }
    return false;
  }
  if (onHover && (event->type() == QEvent::Enter || event->type() == QEvent::Leave)) {
    onHover(watched, event->type() == QEvent::Enter);
  }
  return false;
}

WindowHost* QtWindow::MakeHost(const WindowSpec& spec) {
  auto* parent = dynamic_cast<QtWindow*>(spec.parent);
  QWidget* parentWidget = parent != nullptr ? parent->HostWidget() : nullptr;
  if (spec.popup) {
    // Qt's popup is what a drop-down is on every window system (an xdg popup on Wayland, an
    // override-redirect window on X11): placed by us, over the rest, closed by a click
    // outside it while the parent keeps the activation.
    auto* host = new WindowHost(parentWidget, Qt::Popup | Qt::FramelessWindowHint |
                                                  Qt::NoDropShadowWindowHint);
    host->setAttribute(Qt::WA_ShowWithoutActivating);
    return host;
  }
  return new WindowHost(parentWidget, parent != nullptr ? Qt::Dialog : Qt::Window);
}

QtWindow::QtWindow(QtUi& ui, const WindowSpec& spec, WindowHandler& handler)
    : ui_(ui), handler_(handler), host_(MakeHost(spec)), hostGuard_(host_) {
  host_->setWindowTitle(Q(spec.title));
  host_->onClose = [this] { Close(0); };
  host_->onHover = [this](QObject* watched, bool entered) {
    const auto it = byWidget_.find(watched);
    if (it != byWidget_.end()) {
      Raise(entered ? EventType::kMouseEnter : EventType::kMouseLeave, *it->second, -1, {});
    }
  };
  // The creation size holds until the layout is loaded; a layout's own size then takes over, as
  // the skin's window size does in the UI library.
  if (spec.width > 0 && spec.height > 0) host_->resize(spec.width, spec.height);
  Load(spec.layout);
  designedSize_ = host_->size();
  ui_.Register(this);
  if (ui_.Scale() != 100) ApplyScale(ui_.Scale());
  handler_.InitWindow();
  OnUiThread([this] { handler_.Notify({EventType::kWindowInit, nullptr, {}, -1, {}}); });
}

QtWindow::~QtWindow() {
  ui_.Unregister(this);
  alive_.reset();
  const auto disconnect = [](QtControl& control) {
    // The adapters go now; their widgets must not call them any more.
    QObject::disconnect(control.Widget(), nullptr, control.Widget(), nullptr);
    if (auto* view = qobject_cast<QAbstractItemView*>(control.Widget())) {
      QObject::disconnect(view->selectionModel(), nullptr, view, nullptr);
    }
  };
  for (auto& [name, control] : controls_) disconnect(*control);
  for (auto& control : sharingName_) disconnect(*control);
  if (hostGuard_.isNull()) return;
  SetKeyCapture({});
  SetMouseCapture({});
  host_->onClose = nullptr;
  host_->onHover = nullptr;
  if (modalLoop_ != nullptr) modalLoop_->exit(0);
  // Dropped from inside one of its own notifications, the widgets still run code: later.
  if (notifyDepth_ > 0) {
    host_->hide();
    host_->deleteLater();
  } else {
    delete host_;
  }
}

void QtWindow::Load(const std::string& layout) {
  auto* box = new QVBoxLayout(host_);
  box->setContentsMargins(0, 0, 0, 0);
  box->setSpacing(0);
  const QString file = ui_.LayoutFile(layout);
  if (file.isEmpty()) {
    qWarning("window: layout %s is neither in the resource index nor a file name",
             layout.c_str());
    return;
  }
  LayoutLoader loader(ui_.Registry(), ui_.SkinPath());
  QWidget* form = loader.LoadFile(file, host_);
  if (form == nullptr) return;  // the loader said why; the window stays empty
  box->addWidget(form);
  host_->resize(form->size());
  if (host_->windowTitle().isEmpty()) host_->setWindowTitle(form->windowTitle());
  AdoptControls(form);
}

std::unique_ptr<QtControl> QtWindow::MakeAdapter(QWidget* w) {
  if (auto* button = qobject_cast<QAbstractButton*>(w); button && button->isCheckable()) {
    return std::make_unique<QtOption>(button, *this);
  }
  if (auto* combo = qobject_cast<QComboBox*>(w)) return std::make_unique<QtList>(combo, *this);
  if (auto* view = qobject_cast<QAbstractItemView*>(w)) {
    return std::make_unique<QtList>(view, *this);
  }
  if (qobject_cast<QStackedWidget*>(w) || qobject_cast<QTabWidget*>(w)) {
    return std::make_unique<QtTab>(w, *this);
  }
  if (auto* slider = qobject_cast<QAbstractSlider*>(w)) {
    return std::make_unique<QtSlider>(slider, *this);
  }
  if (auto* palette = qobject_cast<ColorPalette*>(w)) {
    return std::make_unique<QtPalette>(palette, *this);
  }
  return std::make_unique<QtControl>(w, *this);
}

// Every named widget of the form becomes a control; Qt's own inner widgets (the viewport of
// a list, the line edit of a combo) carry "qt_" names and are left out.
void QtWindow::AdoptControls(QWidget* root) {
  auto widgets = root->findChildren<QWidget*>();
  widgets.prepend(root);
  for (QWidget* w : widgets) {
    const QString name = w->objectName();
    if (name.isEmpty() || name.startsWith("qt_")) continue;
    const std::string key = Lower(name.toStdString());
    auto adapter = MakeAdapter(w);
    adapter->Connect();
    byWidget_[w] = adapter.get();
    w->installEventFilter(host_);
    // Several buttons of one kind may share a name (each with its own user data); for any
    // other control a second name is a slip of the skin.
    if (controls_.contains(key)) {
      if (qobject_cast<QAbstractButton*>(w) == nullptr) {
        qWarning("window: a second control named %s is not reachable by name", qPrintable(name));
      }
      sharingName_.push_back(std::move(adapter));
    } else {
      controls_.emplace(key, std::move(adapter));
    }
  }
}

Control* QtWindow::Find(std::string_view name) {
  const auto it = controls_.find(Lower(name));
  return it == controls_.end() ? nullptr : it->second.get();
}

void QtWindow::Show() { host_->show(); }
void QtWindow::Hide() {
  // Qt leaves a popup's own window open when its parent hides; a drop-down floating over the
  // desktop after its window went to the tray would be a stray. It closes as on a click outside.
  for (QWidget* child : host_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (child->isWindow() && child->windowType() == Qt::Popup && child->isVisible()) child->close();
  }
  host_->hide();
}
bool QtWindow::IsVisible() const { return host_->isVisible(); }
bool QtWindow::IsMinimized() const { return host_->isMinimized(); }
void QtWindow::Minimize() { host_->showMinimized(); }
void QtWindow::Maximize() { host_->showMaximized(); }
void QtWindow::Restore() { host_->showNormal(); }

void QtWindow::BringToFront() {
  host_->raise();
  host_->activateWindow();
}

void QtWindow::Centre() {
  const QWidget* parent = host_->parentWidget();
  QRect area;
  if (parent != nullptr) {
    area = parent->frameGeometry();
  } else if (const QScreen* screen = host_->screen()) {
    area = screen->availableGeometry();
  } else {
    return;
  }
  QRect frame = host_->frameGeometry();
  frame.moveCenter(area.center());
  host_->move(frame.topLeft());
}

void QtWindow::SetTitle(std::string_view title) { host_->setWindowTitle(Q(title)); }

void QtWindow::Resize(int width, int height) {
  designedSize_ = QSize(width, height);
  host_->resize(width * ui_.Scale() / 100, height * ui_.Scale() / 100);
}

Rect QtWindow::Geometry() const {
  const QRect g = host_->geometry();
  return {g.x(), g.y(), g.width(), g.height()};
}

void QtWindow::MoveTo(Point topLeft) { host_->move(topLeft.x, topLeft.y); }

std::optional<Rect> QtWindow::ControlRect(std::string_view name) {
  auto* control = dynamic_cast<QtControl*>(Find(name));
  if (control == nullptr) return std::nullopt;
  const QWidget* w = control->Widget();
  const QPoint corner = w->mapTo(host_, QPoint(0, 0));
  return Rect{corner.x(), corner.y(), w->width(), w->height()};
}

Point QtWindow::ClientToScreen(Point client) const {
  const QPoint p = host_->mapToGlobal(QPoint(client.x, client.y));
  return {p.x(), p.y()};
}

void QtWindow::Close(int result) {
  result_ = result;
  host_->hide();
  if (modalLoop_ != nullptr) modalLoop_->exit(result);
  handler_.OnClose(result);
}

int QtWindow::RunModal() {
  host_->setWindowModality(host_->parentWidget() != nullptr ? Qt::WindowModal
                                                            : Qt::ApplicationModal);
  result_ = 0;
  host_->show();
  QEventLoop loop;
  modalLoop_ = &loop;
  const std::weak_ptr<char> alive = alive_;
  loop.exec();
  if (alive.expired()) return 0;  // dropped while running: nothing of ours is left to touch
  modalLoop_ = nullptr;
  host_->setWindowModality(Qt::NonModal);
  return result_;
}

void QtWindow::Repaint() { host_->repaint(); }

void QtWindow::Relayout() {
  if (QLayout* layout = host_->layout()) {
    layout->invalidate();
    layout->activate();
  }
  host_->update();
}

void QtWindow::OnUiThread(std::function<void()> task) {
  if (ui_.IsUiThread()) {
    task();
    return;
  }
  ui_.Post([alive = std::weak_ptr<char>(alive_), task = std::move(task)] {
    if (!alive.expired()) task();
  });
}

void QtWindow::PostMessage(Message message) {
  // Always queued, even on the UI thread: a post never runs inside its sender.
  ui_.Post([this, alive = std::weak_ptr<char>(alive_), message = std::move(message)] {
    if (!alive.expired()) handler_.HandleMessage(message);
  });
}

bool QtWindow::SendMessage(Message message, const core::StopEvent& stop,
                           std::int64_t* result) {
  std::int64_t r = 0;
  bool ran = false;
  if (ui_.IsUiThread()) {
    r = handler_.HandleMessage(message);
    ran = true;
  } else {
    const std::weak_ptr<char> alive = alive_;
    ran = ui_.Send(
        [&] {
          if (!alive.expired()) r = handler_.HandleMessage(message);
        },
        stop);
  }
  if (ran && result != nullptr) *result = r;
  return ran;
}

void QtWindow::SetTimer(int id, std::chrono::milliseconds period) {
  OnUiThread([this, id, period] {
    QTimer*& timer = timers_[id];
    if (timer == nullptr) {
      timer = new QTimer(host_);
      QObject::connect(timer, &QTimer::timeout, timer,
                       [this, id] { Guarded([&] { handler_.OnTimer(id); }); });
    }
    timer->start(period);
  });
}

void QtWindow::KillTimer(int id) {
  OnUiThread([this, id] {
    const auto it = timers_.find(id);
    if (it != timers_.end()) it->second->stop();
  });
}

void QtWindow::AttachLedPictures(std::string_view prefix, LedPictureBuffer& buffer) {
  DetachLedPictures(buffer);
  LedBinding binding;
  binding.buffer = &buffer;
  for (std::size_t i = 0; i < buffer.Size(); ++i) {
    binding.controls.push_back(
        dynamic_cast<QtControl*>(Find(std::string(prefix) + std::to_string(i))));
  }
  leds_.push_back(std::move(binding));
  ui_.UpdateLedTicker();
}

void QtWindow::DetachLedPictures(LedPictureBuffer& buffer) {
  std::erase_if(leds_, [&](const LedBinding& b) { return b.buffer == &buffer; });
  ui_.UpdateLedTicker();
}

// One update of the region the changed pictures cover: far cheaper for the UI thread than
// 161 separate updates (each a rectangle of the dirty region to clip and subtract).
int QtWindow::ApplyLedPictures() {
  int changed = 0;
  QRect dirty;
  for (LedBinding& b : leds_) {
    if (!b.buffer->SnapshotIfChanged(b.seen, b.snapshot)) continue;
    for (std::size_t i = 0; i < b.controls.size(); ++i) {
      QtControl* control = b.controls[i];
      if (control == nullptr) continue;
      const LedPixel pixel = b.snapshot[i];
      if (LedPicture* led = control->Led()) {
        if (led->SetOverlay(pixel.overlayWord, pixel.opacity, false)) {
          ++changed;
          if (led->isVisible()) dirty |= QRect(led->mapTo(host_, QPoint(0, 0)), led->size());
        }
      } else if (control->OverlayColor() != pixel.overlayWord ||
                 control->OverlayOpacity() != pixel.opacity) {
        control->SetOverlayColor(pixel.overlayWord);
        control->SetOverlayOpacity(pixel.opacity);
        ++changed;
      }
    }
  }
  if (!dirty.isEmpty()) host_->update(dirty);
  return changed;
}

std::string QtWindow::Translate(std::string_view id) const { return ui_.Translate(id); }

QString QtWindow::ImagePath(std::string_view image) const { return ui_.ImagePath(image); }
void QtWindow::SetKeyCapture(KeyInputHandler handler) {
  const bool wasOn = static_cast<bool>(keyCapture_);
  keyCapture_ = std::move(handler);
  if (keyCapture_ && !wasOn) {
    host_->onKey = [this](const QKeyEvent& key) {
      const KeyInput input{key.nativeScanCode(), key.type() == QEvent::KeyPress,
                           (key.modifiers() & Qt::AltModifier) != 0};
      // The handler may end the capture: keep it alive for the call.
      const KeyInputHandler capture = keyCapture_;
      return capture ? capture(input) : false;
    };
    host_->onActivation = [this](bool) { UpdateGrab(); };
  } else if (!keyCapture_ && wasOn) {
    host_->onKey = nullptr;
    host_->onActivation = nullptr;
  }
  UpdateFilter();
  UpdateGrab();
}

void QtWindow::SetMouseCapture(MouseInputHandler handler) {
  mouseCapture_ = std::move(handler);
  if (mouseCapture_) {
    host_->onMouse = [this](const QInputEvent& event, QObject* receiver) {
      DeliverMouse(event, receiver);
    };
  } else {
    host_->onMouse = nullptr;
  }
  UpdateFilter();
}

void QtWindow::UpdateFilter() {
  const bool want = keyCapture_ || mouseCapture_;
  if (want && !filtering_) qApp->installEventFilter(host_);
  if (!want && filtering_) qApp->removeEventFilter(host_);
  filtering_ = want;
}

// Qt's buttons and wheel as the Windows mouse messages the macro tables use.
void QtWindow::DeliverMouse(const QInputEvent& event, QObject* receiver) {
  MouseInput input;
  if (event.type() == QEvent::Wheel) {
    input.message = 0x20A;
  } else {
    const auto& mouse = static_cast<const QMouseEvent&>(event);
    const bool down = event.type() != QEvent::MouseButtonRelease;
    switch (mouse.button()) {
      case Qt::LeftButton: input.message = down ? 0x201 : 0x202; break;
      case Qt::RightButton: input.message = down ? 0x204 : 0x205; break;
      case Qt::MiddleButton: input.message = down ? 0x207 : 0x208; break;
      case Qt::BackButton:
      case Qt::ForwardButton:
        input.message = down ? 0x20B : 0x20C;
        input.secondSideButton = mouse.button() == Qt::ForwardButton;
        break;
      default: return;
    }
  }
  for (QObject* o = receiver; o != nullptr && o != host_; o = o->parent()) {
    const auto it = byWidget_.find(o);
    if (it != byWidget_.end()) {
      input.overControl = it->second->Name();
      break;
    }
  }
  // The handler may end the capture: keep it alive for the call.
  const MouseInputHandler capture = mouseCapture_;
  if (capture) capture(input);
}

void QtWindow::UpdateGrab() {
  const bool want = keyCapture_ && host_->isActiveWindow();
  if (want && !grabbed_) {
    host_->grabKeyboard();
  } else if (!want && grabbed_) {
    host_->releaseKeyboard();
  }
  grabbed_ = want;
}

void QtWindow::Raise(EventType type, Control& sender, int itemIndex, std::string itemName) {
  if (muted_) return;
  Guarded([&] { handler_.Notify({type, &sender, sender.Name(), itemIndex, std::move(itemName)}); });
}

void QtWindow::Guarded(const std::function<void()>& call) {
  ++notifyDepth_;
  const std::weak_ptr<char> alive = alive_;
  call();
  if (!alive.expired()) --notifyDepth_;
}

void QtWindow::ReapplyTexts() {
  for (auto& [name, control] : controls_) control->ReapplyText();
}

void QtWindow::ApplyScale(int percent) {
  host_->resize(designedSize_ * percent / 100);
  for (auto& [name, control] : controls_) {
    if (LedPicture* led = control->Led()) led->ReloadImage();
  }
  Relayout();
}

}  // namespace tavrinex::ui::qt
