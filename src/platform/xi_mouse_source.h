// System-wide mouse buttons and wheel for macro recording on X11, through XInput 2 raw
// events: clicks in other programs are recorded too, and nothing is grabbed, so every program
// (the record button included) keeps working. The source has its own X connection and thread,
// which sleeps in poll() on that connection and on a stop signal: no periodic wake-ups, and a
// stop ends it at once. Each button press or release and each wheel notch is handed on as the
// Windows mouse message it is, for the input capture's mouse hook (which posts the recording
// mode's message, 0x804 or 0x813, to the window). Pointer motion is never reported. Clicks on
// this program's own windows are left to the window's own mouse events, so none comes twice.
//
// Where there is no X11 (no display, or a Wayland session, whose X server would report only its
// own X clients' input) the source does not start and says why; the window's own mouse events
// then are the only source.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/input_capture.h"


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

// One button or wheel event, as the Windows mouse message it is, with the mouseData word of
// the low-level mouse event and the pointer's screen position (where it was known).
struct XiMouseEvent {
  std::uint32_t message = 0;
  std::uint32_t mouseData = 0;
  std::int32_t x = 0;
  std::int32_t y = 0;
  [[nodiscard]] bool SecondSideButton() const { return (mouseData >> 16) == kSideButtonForward; }
};

// The message of an X button (1 left, 2 middle, 3 right, 4-7 wheel, 8 back, 9 forward) going
// down or up; nothing for other buttons and for the release of a wheel "button".
[[nodiscard]] std::optional<XiMouseEvent> TranslateXButton(int button, bool pressed);

enum class XiStart : std::uint8_t {
  kStarted,
  kNotX11,       // no display, or a Wayland session
  kNoXInput2,    // the X server lacks XInput 2
  kAlreadyOn,
};

class XiMouseSource {
 public:
  using Deliver = std::function<void(const XiMouseEvent&)>;  // on the source's thread
  using Environment = std::function<const char*(const char*)>;    // getenv
  using Diagnostic = std::function<void(std::string_view)>;

  explicit XiMouseSource(Diagnostic diagnostic = {}, Environment environment = {});
  ~XiMouseSource();
  XiMouseSource(const XiMouseSource&) = delete;
  XiMouseSource& operator=(const XiMouseSource&) = delete;

  // Starts listening; every event goes to `deliver` on the source's thread, except events
  // over a window of this process: the window's own mouse events report those.
  XiStart Start(Deliver deliver);
  // Ends the thread and the connection; returns once nothing more is delivered. Safe to call
  // when not running.
  void Stop();
  [[nodiscard]] bool Running() const;
  // Button and wheel events taken from the X server so far, handed on or left to our window.
  [[nodiscard]] std::uint64_t EventsSeen() const { return seen_.load(); }

 private:
  struct Run;
  std::atomic<std::uint64_t> seen_{0};
  Diagnostic diagnostic_;
  Environment environment_;
  std::unique_ptr<Run> run_;
};

// The input capture's system-wide mouse source on X11. Horizontal wheel turns are left out:
// recording knows no action for them.
class XiSystemMouse final : public SystemMouseSource {
 public:
  explicit XiSystemMouse(XiMouseSource::Diagnostic diagnostic = {}) : source_(std::move(diagnostic)) {}
  bool Start(std::function<void(const MouseHookEvent&)> deliver) override;
  void Stop() override { source_.Stop(); }
  [[nodiscard]] XiMouseSource& Source() { return source_; }

 private:
  XiMouseSource source_;
};

}  // namespace tavrinex::platform
