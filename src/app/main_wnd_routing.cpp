// The main window's switchboard: notifications, window messages and timers.
#include <algorithm>
#include <cstdio>

#include "app/main_wnd.h"
#include "lighting/lighting_ops.h"

namespace tavrinex::app {
namespace {

bool Is(std::string_view a, std::string_view b) { return Lower(a) == Lower(b); }

std::string Hex(std::uint32_t id) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%04X", id);
  return buffer;
}

}  // namespace

void CMainWnd::Notify(const ui::Notification& n) {
  Diag("notify: " + std::string(ui::EventTypeName(n.type)));
  Diag("notify: sender " + n.senderName);
  switch (n.type) {
    case ui::EventType::kWindowInit:
      if (window_) {
        WindowInitSteps();
      } else {
        initPending_ = true;  // Create runs it once the window object is there
      }
      break;
    case ui::EventType::kColorChanged: (void)router_.Route(Table::kPalette, n); break;
    case ui::EventType::kClick: RouteClick(n); break;
    // A drag across LED pictures goes where their clicks go.
    case ui::EventType::kDragOver:
    case ui::EventType::kDragEnd: router_.RouteClick(n); break;
    case ui::EventType::kMouseEnter:
    case ui::EventType::kMouseLeave:
      if (hooks_.hover) hooks_.hover(n);
      break;
    case ui::EventType::kSelectChanged: RouteSelect(n); break;
    case ui::EventType::kValueChanged: (void)router_.Route(Table::kSlider, n); break;
    case ui::EventType::kMoveValueChanged: {
      const bool noDrag = std::ranges::any_of(
          kNoDragSliders, [&](std::string_view s) { return Is(s, n.senderName); });
      if (!noDrag) (void)router_.Route(Table::kSlider, n);
      break;
    }
    case ui::EventType::kItemSelect: (void)router_.Route(Table::kItemSelect, n); break;
    case ui::EventType::kItemClick:
      if (hooks_.itemClick) {
        hooks_.itemClick(n);
      } else {
        Diag("itemclick \"" + n.senderName + "\": its owner (macro editor) is not built yet");
      }
      break;
    case ui::EventType::kTextChanged: (void)router_.Route(Table::kText, n); break;
  }
}

void CMainWnd::RouteClick(const ui::Notification& n) {
  ui::Control* sender = n.sender;
  auto isTitle = [&](std::size_t i) {
    return (sender != nullptr && sender == titleBar_[i]) ||
           Is(n.senderName, kTitleBarControls[i]);
  };
  if (isTitle(0)) {  // closebtn
    Destroy();
    return;
  }
  if (isTitle(3)) {  // minbtn
    window_->Minimize();
    return;
  }
  if (isTitle(1)) {  // maxbtn
    window_->Maximize();
    return;
  }
  if (isTitle(2)) {  // restorebtn
    window_->Restore();
    return;
  }
  if (isTitle(4)) {  // skinbtn, then the dispatcher as well
    if (hooks_.openSkinChooser) {
      hooks_.openSkinChooser();
    } else {
      Diag("click \"skinbtn\": its owner (skin chooser) is not built yet");
    }
  }
  router_.RouteClick(n);
}

bool CMainWnd::GuardUnsavedMacro(const ui::Notification& n) {
  for (const MacroGuard& guard : kMacroGuards) {
    ui::Control* bar = window_->Find(guard.bar);
    if (bar == nullptr || !bar->IsVisible()) continue;
    if (Is(n.senderName, guard.macroPage) || Is(n.senderName, guard.deviceTab)) continue;
    for (const std::string_view option : {guard.macroPage, guard.deviceTab}) {
      if (auto* o = window_->Find<ui::OptionControl>(option)) o->Select(true, false);
    }
    (void)ShowMessage(kUnsavedMacroMessage);
    return true;
  }
  return false;
}

void CMainWnd::RouteSelect(const ui::Notification& n) {
  if (router_.Route(Table::kSelectEarly, n)) return;
  if (GuardUnsavedMacro(n)) return;
  if (hooks_.removeRecordingHooks) hooks_.removeRecordingHooks();
  for (const TabRoute& tab : kDeviceTabs) {
    if (!Is(tab.option, n.senderName)) continue;
    if (auto* layout = window_->Find<ui::TabControl>(tab.layout)) (void)layout->SelectPage(tab.page);
  }
  for (const TabRoute& tab : kPageTabs) {
    if (!Is(tab.option, n.senderName)) continue;
    if (auto* layout = window_->Find<ui::TabControl>(tab.layout)) (void)layout->SelectPage(tab.page);
    if (hooks_.pageTabChanged) {
      hooks_.pageTabChanged(tab.option);
    } else {
      Diag("selectchanged \"" + std::string(tab.option) +
           "\": the profile area's owner (profile list operations) is not built yet");
    }
  }
  (void)router_.Route(Table::kSelectLate, n);
}

void CMainWnd::ShowLeds(std::uint32_t messageId, std::uint64_t index, std::int64_t value) {
  constexpr LedControls kKeyboard = kLedControls[2];
  if (index >= static_cast<std::uint64_t>(kKeyboard.count)) {
    Diag("message " + Hex(messageId) + ": LED control " + std::to_string(index) +
         " does not exist; ignored");
    return;
  }
  ui::Control* led = window_->Find(std::string(kKeyboard.prefix) + std::to_string(index));
  if (led == nullptr) return;
  if (messageId == msg::kLedColour) {
    led->SetOverlayColor(static_cast<std::uint32_t>(value) & 0xFFFFFF);
  } else {
    led->SetOverlayOpacity(static_cast<std::uint8_t>(std::clamp<std::int64_t>(value, 0, 255)));
  }
}

std::int64_t CMainWnd::HandleMessage(const ui::Message& message) {
  switch (message.id) {
    case msg::kActivate: Activate(); return 0;
    case ui::kTrayMessage: OnTray(message.lparam); return 0;
    case ui::kMenuClickMessage:
      if (const auto* item = std::any_cast<ui::MenuItem>(&message.payload)) {
        OnMenuClick(*item);
      } else {
        Diag("menu click without its item; ignored");
      }
      return 0;
    case msg::kLedColour:
    case msg::kLedAlpha: ShowLeds(message.id, message.wparam, message.lparam); return 0;
    case msg::kProgressShow:
      if (ui::Control* progress = window_->Find(kProgressControl)) progress->SetVisible(true);
      return 0;
    case msg::kProgressDone: window_->SetTimer(timer::kProgress, kProgressPeriod); return 0;
    default: break;
  }
  std::int64_t result = 0;
  if (!router_.RouteMessage(message, &result)) {
    Diag("message " + Hex(message.id) + " is unknown; ignored");
  }
  return result;
}

void CMainWnd::OnTimer(int id) {
  switch (id) {
    case timer::kProgress:
      window_->KillTimer(timer::kProgress);
      if (ui::Control* progress = window_->Find(kProgressControl)) progress->SetVisible(false);
      break;
    case timer::kFlush:
      for (const device::DeviceKind kind : device::kAllDeviceKinds) {
        if (store_.IsDirty(kind) && hooks_.flushSettings) hooks_.flushSettings(kind);
      }
      break;
    case timer::kReactiveTick:
      if (hooks_.reactiveTick) hooks_.reactiveTick();
      break;
    case timer::kRepaint:
      window_->Repaint();
      window_->Relayout();
      window_->KillTimer(timer::kRepaint);
      break;
    default: break;
  }
}

}  // namespace tavrinex::app
