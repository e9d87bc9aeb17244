#include "app/device_wiring.h"

#include "device/input_watcher.h"
#include "keys/key_image.h"
#include "app/routing_types.h"
#include "lighting/lighting_ops.h"
#include "profiles/profile_catalogue.h"
#include "profiles/profile_file.h"
#include "profiles/profile_selection.h"

namespace tavrinex::app {

using device::DeviceKind;

DeviceWiring::DeviceWiring(CMainWnd& window, device::HidBackend& backend,
                           device::HotplugSource* hotplug)
    : window_(window),
      keyboardConsumer_(std::make_unique<device::HidDevice>(backend)),
      mouseConsumer_(std::make_unique<device::HidDevice>(backend)) {
  for (const DeviceKind kind : device::kAllDeviceKinds) {
    context_.channels[device::IndexOf(kind)] = &window.Channel(kind);
  }
  context_.backend = &backend;
  context_.image = &window.Image();
  context_.hotplug = hotplug;
  FillWindowHooks();
  FillProfileHooks();
  FillSlots();
}

// Called under the channel lock: file reads and writes only, never a wait for the UI thread;
// the one message box is posted.
void DeviceWiring::FillProfileHooks() {
  profiles::ProfileState& state = window_.Profiles();
  profiles::ConnectProfileSaves(context_.sync, state);
  keys::ConnectKeyPositionMap(context_.sync, window_.Image(), window_.KeyPositions());
  // The box is modal and the caller holds a channel lock: show it later, on the UI thread.
  CMainWnd& w = window_;
  context_.sync.showMessage = [&w](std::string_view id) {
    w.UiLayer().Loop().Post([&w, text = std::string(id)] { (void)w.ShowMessage(text); });
  };
  context_.profiles.readSelect = [](DeviceKind kind, device::ProfileList list) {
    const auto listKind = list == device::ProfileList::kLight ? profiles::ProfileListKind::kLight
                                                                  : profiles::ProfileListKind::kKey;
    return profiles::ProfileCatalogue(kind).Select(listKind);
  };
  context_.profiles.loadLightProfile = [&state](DeviceKind kind, int index) {
    (void)profiles::LoadLightProfile(state, kind, index);
  };
}

void DeviceWiring::FillWindowHooks() {
  CMainWnd& w = window_;
  device::WindowHooks& hooks = context_.window;
  // Posted steps run after everything posted before them, on the UI thread.
  hooks.post = [&w](std::function<void()> step) { w.UiLayer().Loop().Post(std::move(step)); };
  hooks.send = [&w](std::uint32_t message, const core::StopEvent& stop) {
    return w.Window().SendMessage({message, 0, 0, {}}, stop);
  };
  hooks.setVisible = [&w](std::string_view name, bool visible) {
    if (ui::Control* c = w.Window().Find(name)) c->SetVisible(visible);
  };
  hooks.selectTab = [&w](std::string_view option) {
    if (auto* o = w.Window().Find<ui::OptionControl>(option)) o->Select(true, true);
  };
  hooks.selectComboItem = [&w](std::string_view combo, int index) {
    if (combo.empty()) return;
    if (auto* list = w.Window().Find<ui::ListControl>(combo)) (void)list->SelectItem(index);
  };
  hooks.hideWindow = [&w] {
    if (w.TrayAvailable()) w.Window().Hide();
  };
  hooks.markForUpdate = [&w](std::string_view) { w.Window().Relayout(); };
  hooks.startTimer = [&w](int id, std::chrono::milliseconds period) {
    w.Window().SetTimer(id, period);
  };
  context_.diagnostic = [&w](std::string_view line) { w.Diagnostic(line); };
}

void DeviceWiring::FillSlots() {
  WorkerRegistry& workers = window_.Workers();
  const device::DeviceThreadsContext& ctx = context_;
  constexpr std::array<std::pair<Worker, DeviceKind>, 3> kDetection = {{
      {Worker::kKeyboardDetection, DeviceKind::kKeyboard},
      {Worker::kMouseDetection, DeviceKind::kMouse},
      {Worker::kMousePadDetection, DeviceKind::kMousePad},
  }};
  for (const auto& [worker, kind] : kDetection) {
    workers.Fill(worker, [&ctx, kind](const core::StopEvent& stop) {
      (void)device::RunDetection(kind, ctx, stop);
    });
  }
  workers.Fill(Worker::kMouseInputWatcher, [&ctx, d = mouseConsumer_.get()](const auto& stop) {
    (void)device::RunInputWatcher(DeviceKind::kMouse, *d, ctx, stop);
  });
  workers.Fill(Worker::kKeyboardInputWatcher,
               [&ctx, d = keyboardConsumer_.get()](const auto& stop) {
                 (void)device::RunInputWatcher(DeviceKind::kKeyboard, *d, ctx, stop);
               });
  CMainWnd& w = window_;
  window_.Hooks().flushSettings = [&w, &ctx](DeviceKind kind) {
    ctx.work->Post(kind, device::DeviceTask::kFlushSettings, [&w, kind] {
      (void)lighting::FlushDeviceSettings(kind, w.Store(), w.Image(), w.Channel(kind));
    });
  };
  for (const device::DeviceMessage& m : device::kDeviceMessages) {
    (void)window_.Routes().RegisterMessage(m.id, [&ctx](const ui::Message& message) {
      return device::HandleDeviceMessage(message.id, ctx) ? 1 : 0;
    });
  }
  // The keyboard's factory key block into the saved default key file, where the default key
  // file is looked for first (the program's own folder is not writable once installed).
  // The read and the file write run on the keyboard's device thread.
  (void)window_.Routes().RegisterMessage(msg::kSaveDefaultKeys, [&ctx](const ui::Message&) {
    if (ctx.image == nullptr) return 0;
    ctx.work->Post(DeviceKind::kKeyboard, device::DeviceTask::kDefaultKeyFile, [&ctx] {
      (void)device::SaveDefaultKeyFile(ctx.Channel(DeviceKind::kKeyboard), *ctx.image, ctx.sync,
                                       profiles::SavedDefaultsFolder());
    });
    return 1;
  });
}

}  // namespace tavrinex::app
