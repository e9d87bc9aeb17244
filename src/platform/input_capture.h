// Input capture for key capture and macro recording. The keyboard source is the target
// window's own key events: while a keyboard hook is installed the window grabs the keyboard
// whenever it is active, so that no other program gets the keys, and lets it go while
// another window is active (a grab that outlived the user's move to another window would
// take every key from every program). Each key is translated to the Windows virtual-key
// code and flags of the low-level keyboard event format and delivered synchronously to the
// target as the message of the current mode; every key but Caps Lock, Num Lock and Scroll
// Lock is then withheld from the window's own controls. The mouse source is the window's
// buttons and wheel (nothing grabbed, so the window stays usable), posted to the target.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "core/stop_event.h"
#include "ui/window.h"

namespace tavrinex::platform {

// What the hooks are for, and the message the keyboard hook delivers in each mode.
enum class HookMode : std::uint8_t {
  kNone = 0,
  kKeyCapture = 1,         // keyboard key editor: 0x801
  kHitKey = 2,             // 0x802
  kKeyboardMacro = 4,      // keyboard macro recording: 0x803 (mouse 0x804)
  kMouseKeyCapture = 16,   // mouse key editor: 0x810
  kMouseHitKey = 32,       // 0x811
  kMouseMacro = 64,        // mouse macro recording: 0x812 (mouse 0x813)
};
[[nodiscard]] std::optional<std::uint32_t> KeyboardMessageOf(HookMode mode);
// The message the mouse hook posts: only the two recording modes have one (0x804, 0x813).
[[nodiscard]] std::optional<std::uint32_t> MouseMessageOf(HookMode mode);

// The event data of a mouse hook message (a copy: the message is posted). Message::payload
// holds it, wparam the mouse message, lparam 2 for the second side button, else 1 (the
// XBUTTON number of the Windows event).
struct MouseHookEvent {
  std::uint32_t message = 0;
  bool secondSideButton = false;
  std::string overControl;  // the window's control under the pointer; empty from elsewhere
};

// The key messages and the event flags of a low-level keyboard event.
inline constexpr std::uint32_t kKeyDown = 0x100;
inline constexpr std::uint32_t kKeyUp = 0x101;
inline constexpr std::uint32_t kSysKeyDown = 0x104;
inline constexpr std::uint32_t kSysKeyUp = 0x105;
inline constexpr std::uint32_t kFlagExtended = 0x01;
inline constexpr std::uint32_t kFlagAltDown = 0x20;
inline constexpr std::uint32_t kFlagUp = 0x80;

// The event data of a keyboard hook message: Message::payload holds it, wparam the key
// message, lparam the virtual-key code with the flags in bits 16-23.
struct KeyHookEvent {
  std::uint16_t virtualKey = 0;
  std::uint32_t flags = 0;
  std::uint32_t scanCode = 0;  // the evdev code
};

// The key message and event of a window-system key; nothing for a key the tables lack.
struct TranslatedKey {
  std::uint32_t message = kKeyDown;
  KeyHookEvent event;
};
[[nodiscard]] std::optional<TranslatedKey> TranslateKey(const ui::KeyInput& key);

// Keys that go on to the window's controls while the keyboard hook is installed.
[[nodiscard]] constexpr bool PassesThrough(std::uint16_t virtualKey) {
  return virtualKey == 0x14 || virtualKey == 0x90 || virtualKey == 0x91;
}

// System-wide mouse events besides the window's own (XInput 2 on X11): started with a mouse
// hook in a recording mode, it calls `deliver` from any thread until Stop returns. Start is
// false where it cannot run (the window's own events are then the only source).
class SystemMouseSource {
 public:
  virtual ~SystemMouseSource() = default;
  virtual bool Start(std::function<void(const MouseHookEvent&)> deliver) = 0;
  virtual void Stop() = 0;
};

class CDeviceHook {
 public:
  using Diagnostic = std::function<void(std::string_view)>;
  explicit CDeviceHook(Diagnostic diagnostic = {});
  ~CDeviceHook();
  CDeviceHook(const CDeviceHook&) = delete;
  CDeviceHook& operator=(const CDeviceHook&) = delete;

  // Removes both hooks, then installs the wanted ones; false when one cannot be installed
  // (then none is). UI thread only. The target must outlive the hooks (RemoveHooks first).
  bool InstallHooks(HookMode mode, ui::Window& target, bool wantKeyboard, bool wantMouse);
  void RemoveHooks();

  [[nodiscard]] bool KeyboardHooked() const { return target_ != nullptr && keyboard_; }
  [[nodiscard]] bool MouseHooked() const { return target_ != nullptr && mouse_; }
  [[nodiscard]] HookMode Mode() const { return mode_; }

  // The keyboard hook procedure: delivers the key to the target; true when it is withheld.
  bool OnKey(const ui::KeyInput& key);
  // The mouse hook procedure: posts the event to the target in a recording mode. Any mouse
  // source may feed it (the window's own events, or a system-wide one); never withheld.
  void OnMouse(const MouseHookEvent& event);
  // Optional; it must outlive the hook.
  void SetSystemMouseSource(SystemMouseSource* source) { system_ = source; }
  [[nodiscard]] bool SystemMouseOn() const { return systemOn_; }

 private:
  Diagnostic diagnostic_;
  ui::Window* target_ = nullptr;
  HookMode mode_ = HookMode::kNone;
  bool keyboard_ = false;
  bool mouse_ = false;
  SystemMouseSource* system_ = nullptr;
  bool systemOn_ = false;
  core::StopEvent unused_;  // delivery is on the UI thread itself: never waited on
};

}  // namespace tavrinex::platform
