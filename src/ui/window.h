// Windows built from a layout, their handlers, and the event loop that every thread reaches
// the UI thread through.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "ui/control.h"
#include "ui/custom_control.h"
#include "ui/events.h"

namespace tavrinex::core {
class StopEvent;
}

namespace tavrinex::ui {

class LedPictureBuffer;

// What a window's owner supplies. Every call runs on the UI thread.
class WindowHandler {
 public:
  virtual ~WindowHandler() = default;
  // Right after the layout is built, before the window is shown; controls can be looked up.
  virtual void InitWindow() {}
  // Every notification of the window's controls, "windowinit" first (posted once the
  // window exists).
  virtual void Notify(const Notification& notification) = 0;
  // Posted and sent messages. The return value is what Send reports to its caller.
  virtual std::int64_t HandleMessage(const Message& message) {
    (void)message;
    return 0;
  }
  virtual void OnTimer(int id) { (void)id; }
  // The window was closed with this result (Close, or the window system's close button,
  // which gives 0). The window object stays until its owner drops it.
  virtual void OnClose(int result) { (void)result; }
};

// A key as the window system reported it while key capture is on.
struct KeyInput {
  std::uint32_t nativeScanCode = 0;  // X11 and Wayland: the evdev code + 8
  bool pressed = true;
  bool altDown = false;
};
// Returns true to withhold the key from the window's own controls.
using KeyInputHandler = std::function<bool(const KeyInput&)>;

// A mouse button or wheel event over the window while mouse capture is on, as the Windows
// mouse message it is (0x201 left down ... 0x20C side button up, 0x20A wheel).
struct MouseInput {
  std::uint32_t message = 0;
  bool secondSideButton = false;  // 0x20B/0x20C: the forward button (else back)
  std::string overControl;        // the name of the control under the pointer, if any
};
using MouseInputHandler = std::function<void(const MouseInput&)>;

class Window {
 public:
  virtual ~Window() = default;

  // Look-up without regard to case; null for a name the layout does not hold.
  [[nodiscard]] virtual Control* Find(std::string_view name) = 0;
  template <class T>
  [[nodiscard]] T* Find(std::string_view name) {
    return dynamic_cast<T*>(Find(name));
  }

  virtual void Show() = 0;
  virtual void Hide() = 0;
  [[nodiscard]] virtual bool IsVisible() const = 0;
  [[nodiscard]] virtual bool IsMinimized() const = 0;
  virtual void Minimize() = 0;
  virtual void Maximize() = 0;
  virtual void Restore() = 0;
  virtual void BringToFront() = 0;
  virtual void Centre() = 0;
  virtual void SetTitle(std::string_view title) = 0;
  virtual void Resize(int width, int height) = 0;
  // Placement in screen coordinates (the client area; a popup has nothing else).
  [[nodiscard]] virtual Rect Geometry() const = 0;
  virtual void MoveTo(Point topLeft) = 0;
  // A control's rectangle in the window's client coordinates; nothing for a name the layout
  // does not hold.
  [[nodiscard]] virtual std::optional<Rect> ControlRect(std::string_view name) = 0;
  [[nodiscard]] virtual Point ClientToScreen(Point client) const = 0;
  // Hides the window, ends a modal run with `result` and tells the handler.
  virtual void Close(int result) = 0;
  // Shows the window modally and runs the event loop until Close; returns the result.
  [[nodiscard]] virtual int RunModal() = 0;
  // Repaints now and lays the controls out again.
  virtual void Repaint() = 0;
  virtual void Relayout() = 0;

  // Thread-safe: the message goes to the handler on the UI thread. Send blocks until the
  // handler has run (true, result in *result) or `stop` is set first (false; the handler
  // then never runs). On the UI thread itself Send calls the handler directly.
  virtual void PostMessage(Message message) = 0;
  [[nodiscard]] virtual bool SendMessage(Message message, const core::StopEvent& stop,
                                         std::int64_t* result = nullptr) = 0;
  // Thread-safe: (re)starts timer `id` with the period, or stops it. OnTimer runs on the UI
  // thread until KillTimer.
  virtual void SetTimer(int id, std::chrono::milliseconds period) = 0;
  virtual void KillTimer(int id) = 0;

  // Binds the LED picture controls named prefix + 0 ... prefix + (size - 1) to a picture
  // buffer: the UI repaints them from it at display rate. The buffer must outlive the window
  // or be detached first.
  virtual void AttachLedPictures(std::string_view prefix, LedPictureBuffer& buffer) = 0;
  virtual void DetachLedPictures(LedPictureBuffer& buffer) = 0;
  // Applies every attached buffer now (what the display-rate tick does); the number of
  // controls changed.
  virtual int ApplyLedPictures() = 0;

  // Key capture: while a handler is set, every key event of the window reaches it first, and
  // the keyboard is grabbed while the window is active (released while another window is).
  // An empty handler ends the capture.
  virtual void SetKeyCapture(KeyInputHandler handler) { (void)handler; }
  [[nodiscard]] virtual bool KeyCaptureOn() const { return false; }
  [[nodiscard]] virtual bool KeyboardGrabbed() const { return false; }
  // Mouse capture: while a handler is set, the buttons and the wheel over the window reach it,
  // and then the controls as usual (nothing is grabbed or withheld). Empty: capture ends.
  virtual void SetMouseCapture(MouseInputHandler handler) { (void)handler; }
  [[nodiscard]] virtual bool MouseCaptureOn() const { return false; }
};

// The UI thread's event loop. Post, Send and IsUiThread may be called from any thread.
class UiLoop {
 public:
  virtual ~UiLoop() = default;
  virtual void Post(std::function<void()> task) = 0;
  // Runs `task` on the UI thread and waits for it, or until `stop` is set; in that case the
  // task is dropped unrun, unless it had already started, which is then awaited.
  [[nodiscard]] virtual bool Send(std::function<void()> task, const core::StopEvent& stop) = 0;
  [[nodiscard]] virtual bool IsUiThread() const = 0;
  // Runs until Quit; returns Quit's code. UI thread only.
  virtual int Run() = 0;
  virtual void Quit(int code) = 0;
};

}  // namespace tavrinex::ui
