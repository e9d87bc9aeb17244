#include "app/main_wnd.h"

#include <algorithm>
#include <cstdio>
#include <thread>
#include <vector>

#include "app/layout_tags.h"
#include "appearance/custom_controls.h"
#include "appearance/skin_background.h"
#include "device/device_ids.h"
#include "lighting/lighting_ops.h"

namespace tavrinex::app {

using device::DeviceKind;

const std::array<ExpectedIdentity, 3> kExpectedIdentities = {{
    {DeviceKind::kKeyboard, device::kVendorId, device::kKeyboardProductId,
     device::kConfigUsagePage, device::kConfigUsage},
    {DeviceKind::kMouse, device::kVendorId, device::kMouseProductId, device::kConfigUsagePage,
     device::kConfigUsage},
    {DeviceKind::kMousePad, device::kVendorId, device::kMousePadProductId,
     device::kConfigUsagePage, device::kConfigUsage},
}};

CMainWnd::CMainWnd(ui::Ui& ui, device::HidBackend& backend, MainWndEnvironment environment)
    : ui_(ui),
      env_(std::move(environment)),
      keyboard_(backend),
      mouse_(backend),
      mousePad_(backend),
      hook_([this](std::string_view line) { Diag(line); }),
      router_([this](std::string_view line) { Diag(line); }),
      saveNotice_({[this](std::function<void()> step) { ui_.Loop().Post(std::move(step)); },
                   [this](std::string_view id) { return ui_.Translate(id); },
                   [this](const std::string& text) { ShowSaveFailure(text); },
                   {}}),
      workers_([this](std::string_view line) { Diag(line); }) {
  RegisterShellRoutes();
  hooks_.applySavedSkin = [this] {
    (void)appearance::ApplySavedBackground(ui_, *window_, [this](std::string_view l) { Diag(l); });
  };
  hooks_.openSkinChooser = [this] { (void)skinChooser_->Open(kTitleBarControls[4]); };
  profiles::SetSaveFailureSink(
      [this](const profiles::SaveFailure& failure) { saveNotice_.Report(failure); });
}

void CMainWnd::ShowSaveFailure(const std::string& text) {
  if (!window_ || destroyed_) return;  // the diagnostic line is all there is then
  (void)ShowMessage(text, false);
}

// The two names of the click table that the shell handles itself.
void CMainWnd::RegisterShellRoutes() {
  (void)router_.Register(Table::kClick, "renew_device",
                         [this](const ui::Notification&) { Diag("renew_device clicked"); });
  (void)router_.Register(Table::kClick, "dpi_btn", [this](const ui::Notification& n) {
    const std::string data = n.sender != nullptr ? n.sender->UserData() : std::string();
    int percent = 0;
    for (const char c : data) {
      if (c < '0' || c > '9' || percent > 1000) break;
      percent = percent * 10 + (c - '0');
    }
    // A scale outside what a screen can use (a slip in the skin) is refused.
    if (percent < 50 || percent > 400) {
      Diag("dpi_btn: no usable scale in its user data \"" + data + "\"");
      return;
    }
    ui_.SetScale(percent);
  });
}

CMainWnd::~CMainWnd() {
  profiles::SetSaveFailureSink({});  // waits for a report that is on its way to the notice
  // No quit here: a quit asked for while no loop runs would end the next loop at once.
  Destroy(false);
  RemoveObserver();
  skinChooser_.reset();
  window_.reset();
}

void CMainWnd::Diag(std::string_view line) const {
  if (env_.diagnostic) {
    env_.diagnostic(line);
  } else {
    std::fprintf(stderr, "%.*s\n", static_cast<int>(line.size()), line.data());
  }
}

void CMainWnd::Sleep(std::chrono::milliseconds duration) {
  if (env_.sleep) {
    env_.sleep(duration);
  } else {
    std::this_thread::sleep_for(duration);
  }
}

device::DeviceChannel& CMainWnd::Channel(DeviceKind kind) {
  switch (kind) {
    case DeviceKind::kKeyboard: return keyboard_;
    case DeviceKind::kMouse: return mouse_;
    case DeviceKind::kMousePad: return mousePad_;
  }
  return keyboard_;
}

bool CMainWnd::AnyConnected() {
  return keyboard_.connected.load() || mouse_.connected.load() || mousePad_.connected.load();
}

void CMainWnd::Create() {
  // From here on this thread runs the window: it never waits on a device.
  device::ForbidDeviceIoOnThisThread();
  // The control factory as the layout needs it: the program's own classes and custom tags.
  appearance::RegisterCustomControls(ui_);
  ui_.SetCustomTagHandler(ExpandLayoutTag);
  window_ = ui_.CreateWindow(
      {std::string(kMainLayout), std::string(kMainTitle), nullptr, kMainWidth, kMainHeight},
      *this);
  window_->Centre();
  skinChooser_ = std::make_unique<appearance::SkinChooser>(ui_, *window_);
  InitSteps();
  window_->Show();
  // The library may deliver "windowinit" while it still builds the window.
  if (initPending_) {
    initPending_ = false;
    WindowInitSteps();
  }
}

// The library calls this while it builds the window, before Create has the window object;
// the steps that need the window run in InitSteps right after.
void CMainWnd::InitWindow() {
  if (!ui_.LoadLanguage("lan_cn.xml")) Diag("main window: the Chinese language file is missing");
  ui_.SetLanguageId("cn_zh");
}

void CMainWnd::InitSteps() {
  appearance::SkinObserver().AttachReceiver(this);
  for (std::size_t i = 0; i < kTitleBarControls.size(); ++i) {
    titleBar_[i] = window_->Find(kTitleBarControls[i]);
  }
  for (const LedControls& leds : kLedControls) {
    for (int i = 0; i < leds.count; ++i) {
      ui::Control* led = window_->Find(std::string(leds.prefix) + std::to_string(i));
      if (led == nullptr) continue;
      led->SetOverlayMode(true);
      led->SetOverlayOpacity(0);
    }
  }
  for (const std::string_view name : kPalettes) {
    if (auto* palette = window_->Find<ui::PaletteControl>(name)) {
      palette->SetSelectedColor(kInitialPaletteColour);
    }
  }
  tray_ = ui_.CreateTrayIcon(*window_, kTrayIconFile, kTrayToolTip, ui::kTrayMessage);
  trayAvailable_ = tray_ && tray_->IsAvailable();
}

void CMainWnd::WindowInitSteps() {
  if (hooks_.applySavedSkin) {
    hooks_.applySavedSkin();
  } else {
    Diag("window init: saved skin background: its owner (skin chooser) is not built yet");
  }
  if (hooks_.fillLists) {
    hooks_.fillLists();
  } else {
    Diag("window init: macro and profile lists: their owner (profile selection) is not built yet");
  }
  // Without a tray host a hidden window could never be reached again: it stays shown.
  if (trayAvailable_) {
    window_->Hide();
  } else {
    Diag("window init: no system tray: the window stays shown");
  }
  for (const ExpectedIdentity& id : kExpectedIdentities) {
    device::DeviceChannel& channel = Channel(id.kind);
    std::lock_guard lock(channel.lock);
    channel.expectedVendorId = id.vendor;
    channel.expectedProductId = id.product;
    channel.expectedUsagePage = id.usagePage;
    channel.expectedUsage = id.usage;
    channel.connected.store(false);
  }
  Sleep(kStartDelay);
  workers_.Start([this] {
    window_->SetTimer(timer::kReactiveTick, kReactivePeriod);
    window_->SetTimer(timer::kFlush, kFlushPeriod);
  });
  if (onReady) onReady();
}

void CMainWnd::Destroy(bool quitLoop) {
  if (destroyed_) return;
  destroyed_ = true;
  if (onShutdown) onShutdown();
  tray_.reset();
  hook_.RemoveHooks();
  if (window_) {
    window_->Hide();
    window_->KillTimer(timer::kFlush);
    window_->KillTimer(timer::kReactiveTick);
  }
  shutdown_ = workers_.Shutdown();
  device::AllowDeviceIoAgain();
  if (quitLoop) ui_.Loop().Quit(0);
}

void CMainWnd::OnClose(int result) {
  (void)result;
  // The window system's close button: with a tray the window only hides, as the tray
  // brings it back; without one closing is the way out.
  if (trayAvailable_) {
    window_->Hide();
  } else {
    Destroy();
  }
}

int CMainWnd::OnSkinChanged(appearance::SkinChangedParam param) {
  if (window_) {
    (void)appearance::ApplyBackground(ui_, *window_, param, [this](std::string_view l) { Diag(l); });
  }
  return 1;
}

int CMainWnd::ShowMessage(std::string_view id, bool resourceText) {
  return app::ShowMessage(ui_, *window_, id, resourceText, env_.messageObserver);
}

void CMainWnd::ShowWindowAtFront() {
  window_->Show();
  window_->Restore();
  window_->BringToFront();
  Sleep(kFrontDelay);
}

void CMainWnd::Activate() {
  if (AnyConnected()) {
    ShowWindowAtFront();
    return;
  }
  if (trayAvailable_) window_->Hide();  // without a tray a hidden window is lost
  if (activationBoxOpen_) return;
  activationBoxOpen_ = true;
  (void)ShowMessage(kNoDeviceMessage);
  activationBoxOpen_ = false;
}

void CMainWnd::OnTray(std::int64_t mouseMessage) {
  if (mouseMessage == ui::kMouseLeftUp) {
    if (!AnyConnected()) {
      window_->Hide();
      if (trayBoxOpen_) return;
      trayBoxOpen_ = true;
      (void)ShowMessage(kNoDeviceMessage);
      trayBoxOpen_ = false;
      return;
    }
    // A minimised window counts as not shown, so the click brings it back.
    const bool shown = window_->IsVisible() && !window_->IsMinimized();
    if (shown) {
      window_->Hide();
      return;
    }
    ShowWindowAtFront();
    window_->Repaint();
    window_->SetTimer(timer::kRepaint, kTrayRepaintDelay);
  } else if (mouseMessage == ui::kMouseRightUp) {
    ui::Point at = env_.cursorPosition ? env_.cursorPosition() : ui::Point{};
    at.y -= 50;
    std::vector<ui::MenuItem> items;
    if (env_.setAutostart) {
      const bool on = env_.autostartEnabled && env_.autostartEnabled();
      items.push_back({"autostart", "", "menu_autostart", true, on});
    }
    items.push_back({"exit", "", "menu_exit"});
    if (!ui_.ShowPopupMenu(*window_, kMenuFile, at, items)) {
      Diag("tray: the popup menu could not be shown");
    }
  }
}

void CMainWnd::OnMenuClick(const ui::MenuItem& item) {
  const std::string name = Lower(item.name);
  if (name == "lan") {
    SwitchLanguage();
  } else if (name == "exit") {
    Destroy();
  } else if (name == "autostart" && env_.setAutostart) {
    SwitchAutostart(!item.checked);
  } else if (name == "qianting" || name == "menu_import" || name == "menu_export") {
    // Entries of the menu file with no action.
  } else {
    (void)ShowMessage(item.text);
  }
}

void CMainWnd::SwitchAutostart(bool on) {
  env_.setAutostart(on, [this](bool ok) {
    if (!ok) (void)ShowMessage("message_autostart_failed");
  });
}

void CMainWnd::SwitchLanguage() {
  if (!english_) {
    ui_.SetLanguageId("en");
    if (!ui_.LoadLanguage("lan_en.xml")) Diag("language: lan_en.xml could not be loaded");
  } else {
    ui_.SetLanguageId("cn_zh");
    if (!ui_.LoadLanguage("lan_cn.xml")) Diag("language: lan_cn.xml could not be loaded");
  }
  english_ = !english_;
  ui_.ReapplyTexts();
  if (hooks_.languageChanged) hooks_.languageChanged();
  window_->Repaint();
}

}  // namespace tavrinex::app
