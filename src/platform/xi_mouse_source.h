// System-wide mouse buttons and wheel for macro recording on X11, through XInput 2 raw
// events: clicks in other programs are recorded too, and nothing is grabbed, so every program
// (the record button included) keeps working. The source has its own X connection and thread,
// which sleeps in poll() on that connection and on a stop signal: no periodic wake-ups, and a
// stop ends it at once. Each button press or release and each wheel notch becomes the mouse
// hook message of the recording mode (0x804 keyboard page, 0x813 mouse page) posted to the
// target window, its event data copied. Pointer motion is never reported.
//
// Where there is no X11 (no display, or a Wayland session, whose X server would report only its
// own X clients' input) the source does not start and says why; the window's own mouse events
// then are the only source.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/input_capture.h"
#include "ui/window.h"

namespace tavrinex::platform {

// The mouse messages of the low-level mouse event format.
inline constexpr std::uint32_t kLeftButtonDown = 0x201;
inline constexpr std::uint32_t kLeftButtonUp = 0x202;
inline constexpr std::uint32_t kRightButtonDown = 0x204;
inline constexpr std::uint32_t kRightButtonUp = 0x205;
inline constexpr std::uint32_t kMiddleButtonDown = 0x207;
inline constexpr std::uint32_t kMiddleButtonUp = 0x208;
inline constexpr std::uint32_t kMouseWheel = 0x20A;
inline constexpr std::uint32_t kSideButtonDown = 0x20B;
inline constexpr std::uint32_t kSideButtonUp = 0x20C;
inline constexpr std::uint32_t kMouseHorizontalWheel = 0x20E;
// The high word of mouseData: which side button, and the wheel's turn per notch.
inline constexpr std::uint16_t kSideButtonBack = 1;     // the first side button
inline constexpr std::uint16_t kSideButtonForward = 2;  // the second
inline constexpr std::int16_t kWheelDelta = 120;

// The event data of a mouse hook message: Message::payload holds it, wparam the mouse message,
// lparam the mouseData word.
struct MouseHookEvent {
  std::int32_t x = 0;  // the pointer on the screen, where it was known
  std::int32_t y = 0;
  std::uint32_t mouseData = 0;
};

struct MouseHookMessage {
  std::uint32_t message = 0;
  MouseHookEvent event;
};

// The message of an X button (1 left, 2 middle, 3 right, 4-7 wheel, 8 back, 9 forward) going
// down or up; nothing for other buttons and for the release of a wheel "button".
[[nodiscard]] std::optional<MouseHookMessage> TranslateXButton(int button, bool pressed);

// 0x804 or 0x813: the message the mouse hook posts in a recording mode; nothing otherwise.
[[nodiscard]] std::optional<std::uint32_t> MouseMessageOf(HookMode mode);

enum class XiStart : std::uint8_t {
  kStarted,
  kNotX11,       // no display, or a Wayland session
  kNoXInput2,    // the X server lacks XInput 2
  kAlreadyOn,
  kNotRecording,  // a hook mode without a mouse message
};

class XiMouseSource {
 public:
  using Deliver = std::function<void(const MouseHookMessage&)>;  // on the source's thread
  using Environment = std::function<const char*(const char*)>;    // getenv
  using Diagnostic = std::function<void(std::string_view)>;

  explicit XiMouseSource(Diagnostic diagnostic = {}, Environment environment = {});
  ~XiMouseSource();
  XiMouseSource(const XiMouseSource&) = delete;
  XiMouseSource& operator=(const XiMouseSource&) = delete;

  // Starts listening; every event goes to `deliver` on the source's thread.
  XiStart Start(Deliver deliver);
  // Starts listening for a recording: each event is posted to `target` as the mode's mouse
  // hook message. The target must outlive the source's run (Stop first).
  XiStart Start(HookMode mode, ui::Window& target);
  // Ends the thread and the connection; returns once nothing more is delivered. Safe to call
  // when not running.
  void Stop();
  [[nodiscard]] bool Running() const;

 private:
  struct Run;
  Diagnostic diagnostic_;
  Environment environment_;
  std::unique_ptr<Run> run_;
};

}  // namespace tavrinex::platform
