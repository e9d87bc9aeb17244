#include "app/lighting_wiring.h"

#include <string>

#include "app/routing_types.h"
#include "core/stop_event.h"
#include "lighting/lighting_ops.h"

namespace tavrinex::app {

using device::DeviceKind;
using lighting::LightingEditor;

namespace {

lighting::Channels ChannelsOf(CMainWnd& window) {
  return {&window.Channel(DeviceKind::kKeyboard), &window.Channel(DeviceKind::kMouse),
          &window.Channel(DeviceKind::kMousePad)};
}

lighting::EditorHooks AnimationHooks(lighting::AnimationEngine* engine) {
  lighting::EditorHooks hooks;
  if (engine == nullptr) return hooks;
  hooks.resetAnimation = [engine](DeviceKind kind) { engine->ResetAnimation(kind); };
  hooks.setKeyRainbowStart = [engine] { engine->SetKeyRainbowStart(); };
  hooks.setRippleSource = [engine] { engine->SetRippleSource(); };
  hooks.setMouseChaseStart = [engine](std::uint8_t direction) { engine->SetMouseChaseStart(direction); };
  hooks.setPadChaseStart = [engine] { engine->SetPadChaseStart(); };
  return hooks;
}

inline constexpr std::string_view kPadResetButton = "mp_one_profile_default";

}  // namespace

LightingWiring::LightingWiring(CMainWnd& window, DeviceWiring& devices,
                               lighting::AnimationEngine* engine)
    : window_(window),
      devices_(devices),
      editor_(window.Window(), window.Image(), window.Store(), ChannelsOf(window),
              AnimationHooks(engine)) {
  editor_.Hooks().saveLightProfile = [this](DeviceKind kind) { SaveLightProfile(kind); };
  // Every caller that changed a record without the editor refreshes the page: the device
  // threads after a synchronisation or re-read, the profile operations after a load or reset.
  devices_.Context().window.refreshControls = [this](DeviceKind kind) { editor_.Refresh(kind); };
  window_.Hooks().refreshLighting = [this](DeviceKind kind) { editor_.Refresh(kind); };
  RegisterRoutes();
}

LightingWiring::~LightingWiring() {
  for (const DeviceKind kind : device::kAllDeviceKinds) (void)WritePendingSave(kind);
}

// The state is taken now, on the UI thread; the newest waiting state is the one written.
void LightingWiring::SaveLightProfile(DeviceKind kind) {
  auto save = profiles::PrepareSelectedLightSave(window_.Profiles(), kind);
  if (!save) return;
  {
    std::lock_guard lock(mutex_);
    pending_[device::IndexOf(kind)] = std::move(*save);
  }
  devices_.Context().work->Post(kind, device::DeviceTask::kSaveLightProfile,
                                [this, kind] { (void)WritePendingSave(kind); });
}

bool LightingWiring::WritePendingSave(DeviceKind kind) {
  std::optional<profiles::PreparedLightSave> save;
  {
    std::lock_guard lock(mutex_);
    save.swap(pending_[device::IndexOf(kind)]);
  }
  return save && profiles::WritePreparedLightSave(*save);
}

void LightingWiring::RegisterRoutes() {
  for (const DeviceKind kind : device::kAllDeviceKinds) RegisterPage(kind);
  RegisterKeyboardCustom();
  Router& r = window_.Routes();
  (void)r.Register(Table::kClick, lighting::kMouseFxlButton,
                   [this](const ui::Notification&) { editor_.MouseDirectionButton(0); });
  (void)r.Register(Table::kClick, lighting::kMouseFxrButton,
                   [this](const ui::Notification&) { editor_.MouseDirectionButton(1); });
  RegisterOnboardProfiles();
}

void LightingWiring::RegisterPage(DeviceKind kind) {
  const lighting::PageControls& page = lighting::PageOf(kind);
  Router& r = window_.Routes();
  LightingEditor& e = editor_;
  ui::Window& w = window_.Window();
  (void)r.Register(Table::kItemSelect, page.modeList,
                   [&e, kind](const ui::Notification& n) { e.SelectMode(kind, n.itemIndex); });
  // Only the release counts: dragging (movevaluechanged) changes nothing.
  const auto slider = [&w](std::string_view name) {
    const auto* s = w.Find<ui::SliderControl>(name);
    return s != nullptr ? s->Value() : 0;
  };
  (void)r.Register(Table::kSlider, page.lightSlider,
                   [&e, kind, slider, name = page.lightSlider](const ui::Notification& n) {
                     if (n.type != ui::EventType::kValueChanged) return e.ShowSliderValues(kind);
                     e.SetBrightness(kind, slider(name));
                   });
  (void)r.Register(Table::kSlider, page.speedSlider,
                   [&e, kind, slider, name = page.speedSlider](const ui::Notification& n) {
                     if (n.type != ui::EventType::kValueChanged) return e.ShowSliderValues(kind);
                     e.SetSpeed(kind, slider(name));
                   });
  (void)r.Register(Table::kPalette, page.palette,
                   [&e, kind](const ui::Notification&) { e.PickPaletteColour(kind); });
  (void)r.RegisterPrefix(page.presetPrefix,
                         [&e, kind](int index, const ui::Notification&) { e.PickPreset(kind, index); });
  for (std::size_t i = 0; i < page.edits.size(); ++i) {
    (void)r.Register(Table::kText, page.edits[i],
                     [&e, kind, i](const ui::Notification&) { e.TypeComponent(kind, i); });
  }
  (void)r.Register(Table::kSelectEarly, page.multiCheck,
                   [&e, kind](const ui::Notification&) { e.ToggleMultiColour(kind); });
  (void)r.Register(Table::kSelectEarly, page.fxlCheck,
                   [&e, kind](const ui::Notification&) { e.ChooseDirection(kind, true); });
  (void)r.Register(Table::kSelectEarly, page.fxrCheck,
                   [&e, kind](const ui::Notification&) { e.ChooseDirection(kind, false); });
  (void)r.Register(Table::kClick, page.share,
                   [&e, kind](const ui::Notification&) { e.ShareLighting(kind); });
}

void LightingWiring::RegisterKeyboardCustom() {
  Router& r = window_.Routes();
  LightingEditor& e = editor_;
  (void)r.Register(Table::kItemSelect, lighting::kb_custom::kSetList,
                   [&e](const ui::Notification& n) { e.ChooseCustomSet(n.itemIndex); });
  // Both act on every change of the box, selected or not.
  (void)r.Register(Table::kSelectLate, lighting::kb_custom::kClearCheck,
                   [&e](const ui::Notification&) { e.ClearCustomSet(); });
  (void)r.Register(Table::kSelectLate, lighting::kb_custom::kFillCheck,
                   [&e](const ui::Notification&) { e.FillUnsetKeys(); });
}

// The mouse's numbered profile buttons and the pad's on-board profile list.
void LightingWiring::RegisterOnboardProfiles() {
  Router& r = window_.Routes();
  (void)r.RegisterPrefix(lighting::kMouseOnboardPrefix, [this](int index, const ui::Notification&) {
    SwitchOnboardProfile(DeviceKind::kMouse, index);
  });
  (void)r.Register(Table::kItemSelect, lighting::kPadOnboardList, [this](const ui::Notification& n) {
    SwitchOnboardProfile(DeviceKind::kMousePad, n.itemIndex);
  });
  (void)r.Register(Table::kClick, kPadResetButton, [this](const ui::Notification&) { ResetPad(); });
}

// The reset, the pad's second to settle and the request for its synchronisation run on the pad's
// thread: the UI thread never waits for them. The synchronisation saves the restored settings
// into the selected light profile (keeping the profile as it was in its history) and refreshes
// the page.
void LightingWiring::ResetPad() {
  CMainWnd& w = window_;
  // An edit still waiting for its flush would write the old record over the factory settings.
  (void)w.Store().TakeDirty(DeviceKind::kMousePad);
  devices_.Context().work->Post(DeviceKind::kMousePad, device::DeviceTask::kFactoryReset, [&w] {
    lighting::LightingHooks hooks;
    hooks.sleep = [](std::chrono::milliseconds wait) { (void)core::WaitOnCurrentStop(wait); };
    hooks.resynchronise = [&w](DeviceKind) { w.Window().PostMessage({msg::kPadSync, 0, 0, {}}); };
    (void)lighting::MousePadFactoryReset(w.Channel(DeviceKind::kMousePad), hooks);
  });
}

// The exchange runs on the device's thread; the page's refresh comes back to the UI thread.
void LightingWiring::SwitchOnboardProfile(DeviceKind kind, int index) {
  if (index < 0 || index >= static_cast<int>(device::kProfileCount)) return;
  // The page showing the profile in use is no request to switch to it.
  if (index == window_.Image().Current(kind)[lighting::rec::kProfileIndex]) return;
  CMainWnd& w = window_;
  LightingEditor& e = editor_;
  devices_.Context().work->Post(kind, device::DeviceTask::kOnboardProfile, [&w, &e, kind, index] {
    lighting::LightingHooks hooks;
    hooks.refreshLightingDisplay = [&w, &e](DeviceKind k) {
      w.UiLayer().Loop().Post([&e, k] { e.Refresh(k); });
    };
    hooks.hideControl = [&w](std::string_view name) {
      w.UiLayer().Loop().Post([&w, control = std::string(name)] {
        if (ui::Control* c = w.Window().Find(control)) c->SetVisible(false);
      });
    };
    (void)lighting::SelectOnboardProfile(kind, static_cast<std::size_t>(index), w.Channel(kind),
                                         w.Image(), hooks);
  });
}

}  // namespace tavrinex::app
