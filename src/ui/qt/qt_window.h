// ui::Window over a top-level QWidget that holds the controls of one layout.
#pragma once

#include <QInputEvent>
#include <QPointer>
#include <QSize>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "ui/led_picture_buffer.h"
#include "ui/qt/qt_controls.h"
#include "ui/ui.h"

class QEventLoop;
class QKeyEvent;
class QTimer;

namespace tavrinex::ui::qt {

class QtUi;

// The top-level widget: reports the window system's close and the hover events of the
// controls it watches.
class WindowHost final : public QWidget {
 public:
  WindowHost(QWidget* parent, Qt::WindowFlags flags) : QWidget(parent, flags) {}
  std::function<void()> onClose;
  std::function<void(QObject*, bool entered)> onHover;
  // Key capture: the window's key events first (true withholds them), and its activation.
  std::function<bool(const QKeyEvent&)> onKey;
  std::function<void(bool active)> onActivation;
  // Mouse capture: the buttons and the wheel over the window, once per event.
  std::function<void(const QInputEvent&, QObject* receiver)> onMouse;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  [[nodiscard]] bool IsFirstKeyReceiver(QObject* watched) const;
  // A mouse event reaches the parents of its receiver as copies: only the first counts.
  [[nodiscard]] bool IsNewMouseEvent(const QInputEvent& event);
  int lastMouseType_ = 0;
  int lastMouseButton_ = 0;
  quint64 lastMouseTime_ = 0;
  QPointF lastMousePosition_;
};

class QtWindow final : public Window, public ControlHost {
 public:
  QtWindow(QtUi& ui, const WindowSpec& spec, WindowHandler& handler);
  ~QtWindow() override;
  QtWindow(const QtWindow&) = delete;
  QtWindow& operator=(const QtWindow&) = delete;

  [[nodiscard]] QWidget* HostWidget() const { return host_; }
  // Expires with this object: for callbacks of Qt objects that may outlive it a moment.
  [[nodiscard]] std::weak_ptr<char> AliveToken() const { return alive_; }
  void ReapplyTexts();
  void ApplyScale(int percent);
  [[nodiscard]] bool HasLedPictures() const { return !leds_.empty(); }

  // Window
  Control* Find(std::string_view name) override;
  void Show() override;
  void Hide() override;
  bool IsVisible() const override;
  bool IsMinimized() const override;
  void Minimize() override;
  void Maximize() override;
  void Restore() override;
  void BringToFront() override;
  void Centre() override;
  void SetTitle(std::string_view title) override;
  void Resize(int width, int height) override;
  Rect Geometry() const override;
  void MoveTo(Point topLeft) override;
  std::optional<Rect> ControlRect(std::string_view name) override;
  Point ClientToScreen(Point client) const override;
  void Close(int result) override;
  int RunModal() override;
  void Repaint() override;
  void Relayout() override;
  void PostMessage(Message message) override;
  bool SendMessage(Message message, const core::StopEvent& stop,
                   std::int64_t* result) override;
  void SetTimer(int id, std::chrono::milliseconds period) override;
  void KillTimer(int id) override;
  void AttachLedPictures(std::string_view prefix, LedPictureBuffer& buffer) override;
  void DetachLedPictures(LedPictureBuffer& buffer) override;
  int ApplyLedPictures() override;
  void SetKeyCapture(KeyInputHandler handler) override;
  bool KeyCaptureOn() const override { return static_cast<bool>(keyCapture_); }
  bool KeyboardGrabbed() const override { return grabbed_; }
  void SetMouseCapture(MouseInputHandler handler) override;
  bool MouseCaptureOn() const override { return static_cast<bool>(mouseCapture_); }

  // ControlHost
  std::string Translate(std::string_view id) const override;
  QString ImagePath(std::string_view image) const override;
  void Raise(EventType type, Control& sender, int itemIndex, std::string itemName) override;
  bool Muted() const override { return muted_; }
  void Mute(bool on) override { muted_ = on; }

 private:
  struct LedBinding {
    LedPictureBuffer* buffer = nullptr;
    std::vector<QtControl*> controls;  // null where the layout lacks the control
    std::uint64_t seen = 0;
    std::vector<LedPixel> snapshot;
  };

  static WindowHost* MakeHost(const WindowSpec& spec);
  void Load(const std::string& layout);
  void AdoptControls(QWidget* root);
  std::unique_ptr<QtControl> MakeAdapter(QWidget* widget);
  // Runs `task` on the UI thread, now when called there, else posted; skipped when the
  // window is gone by then.
  void OnUiThread(std::function<void()> task);
  // Calls into the handler, which may drop this window meanwhile (see the destructor).
  void Guarded(const std::function<void()>& call);
  // Grabs the keyboard while capture is on and the window active; releases it otherwise.
  void UpdateGrab();
  // The application-wide filter is on while key or mouse capture is.
  void UpdateFilter();
  void DeliverMouse(const QInputEvent& event, QObject* receiver);

  QtUi& ui_;
  WindowHandler& handler_;
  WindowHost* host_;                // owned, unless a parent window deleted it first
  QPointer<WindowHost> hostGuard_;  // tells whether it did
  std::unordered_map<std::string, std::unique_ptr<QtControl>> controls_;  // lower-case names
  // Further controls sharing a name with one above: they raise notifications under that
  // name, but look-up by name finds the first.
  std::vector<std::unique_ptr<QtControl>> sharingName_;
  std::unordered_map<const QObject*, QtControl*> byWidget_;
  std::map<int, QTimer*> timers_;
  std::vector<LedBinding> leds_;
  std::shared_ptr<char> alive_ = std::make_shared<char>();
  QEventLoop* modalLoop_ = nullptr;
  int result_ = 0;
  int notifyDepth_ = 0;
  bool muted_ = false;
  QSize designedSize_;
  KeyInputHandler keyCapture_;
  bool grabbed_ = false;
  MouseInputHandler mouseCapture_;
  bool filtering_ = false;
};

}  // namespace tavrinex::ui::qt
