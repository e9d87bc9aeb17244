// The application controller: the main window's handler. It owns the three device channels,
// the device image, lighting store and pointer settings (the profile state), the worker registry, the router, the tray icon and the
// language state; it drives the window only through the UI layer.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "app/message_box.h"
#include "app/router.h"
#include "app/save_failure_notice.h"
#include "app/worker_registry.h"
#include "appearance/skin_frame.h"
#include "appearance/skin_observer.h"
#include "device/device_channel.h"
#include "device/device_image.h"
#include "device/device_kind.h"
#include "keys/key_image.h"
#include "lighting/lighting_store.h"
#include "platform/input_capture.h"
#include "profiles/profile_body.h"
#include "ui/ui.h"

namespace tavrinex::app {

inline constexpr std::string_view kMainLayout = "XML_MAIN";
inline constexpr std::string_view kMainTitle = "Tavrinex Driver";
inline constexpr int kMainWidth = 800;
inline constexpr int kMainHeight = 572;
inline constexpr std::string_view kTrayIconFile = "images/tray.png";
inline constexpr std::string_view kTrayToolTip = "ZEPHA keyboard";
inline constexpr std::string_view kMenuFile = "menu.xml";
inline constexpr std::string_view kNoDeviceMessage = "message_text_1";
inline constexpr std::string_view kProgressControl = "setting_progress";
inline constexpr ui::Argb kInitialPaletteColour = 0xFF0199CB;
inline constexpr std::array<std::string_view, 4> kPalettes = {
    "Pallet", "ms_deng_Color_Pallet", "mp_deng_Color_Pallet", "kb_deng_Color_Pallet"};
inline constexpr std::array<std::string_view, 5> kTitleBarControls = {
    "closebtn", "maxbtn", "restorebtn", "minbtn", "skinbtn"};

struct LedControls {
  std::string_view prefix;
  int count;
};
inline constexpr std::array<LedControls, 3> kLedControls = {{
    {"ms_dkey_", 20}, {"mp_dkey_", 15}, {"kb_dkey_", 126}}};

struct ExpectedIdentity {
  device::DeviceKind kind;
  std::uint16_t vendor;
  std::uint16_t product;
  std::uint16_t usagePage;
  std::uint16_t usage;
};
extern const std::array<ExpectedIdentity, 3> kExpectedIdentities;

inline constexpr std::chrono::milliseconds kFlushPeriod{1000};
inline constexpr std::chrono::milliseconds kReactivePeriod{10};
inline constexpr std::chrono::milliseconds kProgressPeriod{1000};
inline constexpr std::chrono::milliseconds kTrayRepaintDelay{10};
inline constexpr std::chrono::milliseconds kFrontDelay{10};
inline constexpr std::chrono::milliseconds kStartDelay{100};

// What the process supplies besides the UI layer.
struct MainWndEnvironment {
  Diagnostic diagnostic;
  // The pointer's screen position (for the tray menu); unset: (0, 0).
  std::function<ui::Point()> cursorPosition;
  // Blocking waits of the UI thread (the 100 ms start delay, the 10 ms top-most flash).
  std::function<void(std::chrono::milliseconds)> sleep;
  // Tests: answers every message box while it is open.
  MessageObserver messageObserver;
  // The tray menu's "start with the session" option: whether it is on, and switching it (the
  // entry is written on a worker; `done` runs on the UI thread). Unset: the menu has no such item.
  std::function<bool()> autostartEnabled;
  std::function<void(bool on, std::function<void(bool ok)> done)> setAutostart;
};

// Feature hooks that the shell calls where a feature takes over. Unset: a diagnostic line
// names the missing owner (or, where nothing is to be done yet, nothing happens).
struct ShellHooks {
  std::function<void()> applySavedSkin;             // skin chooser
  std::function<void()> fillLists;                  // macro lists and profile lists
  std::function<void()> openSkinChooser;            // "skinbtn"
  std::function<void(const ui::Notification&)> hover;      // "msenter", "msleave"
  std::function<void(const ui::Notification&)> itemClick;  // macro action list
  std::function<void()> removeRecordingHooks;       // before any tab change
  std::function<void(std::string_view pageTab)> pageTabChanged;  // the profile area
  std::function<void()> reactiveTick;               // timer 3, every 10 ms
  std::function<void()> languageChanged;            // texts composed in code, anew
  // Timer 2: hands a dirty device's settings flush to its device thread (never run here).
  std::function<void(device::DeviceKind)> flushSettings;
  // The display refresh of a device's lighting page (after a profile load or reset).
  std::function<void(device::DeviceKind)> refreshLighting;
};

// The skin chooser's receiver: the main window applies every background choice to "root".
class CMainWnd final : public ui::WindowHandler, public appearance::SkinReceiver {
 public:
  CMainWnd(ui::Ui& ui, device::HidBackend& backend, MainWndEnvironment environment);
  ~CMainWnd() override;
  CMainWnd(const CMainWnd&) = delete;
  CMainWnd& operator=(const CMainWnd&) = delete;

  // Creates the window (title, size, centred). The window-init steps follow when the loop
  // delivers "windowinit".
  void Create();
  // Closing: the tray icon goes, the window hides, every worker is stopped (at most the
  // shutdown limit), and the loop is asked to quit. Safe to call more than once.
  void Destroy(bool quitLoop = true);

  [[nodiscard]] ui::Window& Window() { return *window_; }
  [[nodiscard]] ui::Ui& UiLayer() { return ui_; }
  void Diagnostic(std::string_view line) const { Diag(line); }
  [[nodiscard]] Router& Routes() { return router_; }
  [[nodiscard]] WorkerRegistry& Workers() { return workers_; }
  [[nodiscard]] ShellHooks& Hooks() { return hooks_; }
  [[nodiscard]] device::DeviceChannel& Channel(device::DeviceKind kind);
  [[nodiscard]] device::DeviceImage& Image() { return image_; }
  [[nodiscard]] lighting::LightingStore& Store() { return store_; }
  [[nodiscard]] profiles::ProfileState& Profiles() { return profileState_; }
  [[nodiscard]] keys::KeyPositionMap& KeyPositions() { return keyPositions_; }
  // The input capture of key capture and macro recording (the window is its key source).
  [[nodiscard]] platform::CDeviceHook& Hook() { return hook_; }
  [[nodiscard]] bool AnyConnected();
  [[nodiscard]] bool English() const { return english_; }
  [[nodiscard]] bool TrayAvailable() const { return trayAvailable_; }
  [[nodiscard]] const ShutdownOutcome& LastShutdown() const { return shutdown_; }
  // Called once the window is ready for use (the last window-init step ran).
  std::function<void()> onReady;
  // Called first when the window closes (the process stops listening for later copies).
  std::function<void()> onShutdown;

  // The shell's own behaviour.
  int ShowMessage(std::string_view id, bool resourceText = true);
  void Activate();                       // a second copy was started
  void OnTray(std::int64_t mouseMessage);
  void OnMenuClick(const ui::MenuItem& item);
  void SwitchLanguage();
  void SwitchAutostart(bool on);

  // ui::WindowHandler
  void InitWindow() override;
  void Notify(const ui::Notification& n) override;
  std::int64_t HandleMessage(const ui::Message& message) override;
  void OnTimer(int id) override;
  void OnClose(int result) override;

  // appearance::SkinReceiver
  int OnSkinChanged(appearance::SkinChangedParam param) override;
  // The popups of "skinbtn" (after Create).
  [[nodiscard]] appearance::SkinChooser& Chooser() { return *skinChooser_; }

 private:
  void RegisterShellRoutes();
  void InitSteps();
  void WindowInitSteps();
  void RouteClick(const ui::Notification& n);
  void RouteSelect(const ui::Notification& n);
  bool GuardUnsavedMacro(const ui::Notification& n);
  void ShowLeds(std::uint32_t messageId, std::uint64_t index, std::int64_t value);
  void ShowWindowAtFront();
  void ShowSaveFailure(const std::string& text);
  void Sleep(std::chrono::milliseconds duration);
  void Diag(std::string_view line) const;

  ui::Ui& ui_;
  MainWndEnvironment env_;
  device::DeviceChannel keyboard_;
  device::DeviceChannel mouse_;
  device::DeviceChannel mousePad_;
  device::DeviceImage image_;
  lighting::LightingStore store_;
  keys::KeyPositionMap keyPositions_;  // keyboard view position -> key slot
  platform::CDeviceHook hook_;
  profiles::PointerSettings pointer_;
  profiles::ProfileState profileState_{image_, store_, pointer_};  // what profiles read and write
  Router router_;
  ShellHooks hooks_;
  std::unique_ptr<ui::Window> window_;
  std::unique_ptr<appearance::SkinChooser> skinChooser_;  // goes before the window
  std::unique_ptr<ui::TrayIcon> tray_;
  bool trayAvailable_ = false;
  std::array<ui::Control*, kTitleBarControls.size()> titleBar_{};
  bool english_ = false;
  bool trayBoxOpen_ = false;
  bool activationBoxOpen_ = false;
  bool destroyed_ = false;
  bool initPending_ = false;
  ShutdownOutcome shutdown_;
  SaveFailureNotice saveNotice_;  // what the storage layer's failure reports turn into
  WorkerRegistry workers_;  // last: its threads stop before the rest goes
};

}  // namespace tavrinex::app
