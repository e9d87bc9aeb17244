// What the key page costs the UI thread, offscreen with the shipped skin and a synchronised
// simulated keyboard (106 keys on the 126 positions): an edit of the selected key (ApplyEditor,
// which stores the slot and runs RedrawKeyLabels over the whole page), and a redraw after the
// whole page changed (every key's tooltip and picture set anew, as after a profile load).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <memory>
#include <thread>

#include "app/device_wiring.h"
#include "app/key_editor_wiring.h"
#include "app/main_wnd.h"
#include "device/device_sync.h"
#include "sim/sim_bus.h"
#include "sim/simulated_device.h"
#include "ui/qt/qt_ui.h"

namespace {

using namespace tavrinex;
using device::DeviceKind;

struct Session {
  sim::SimBus bus;
  sim::SimulatedDevices devices{bus};
  std::unique_ptr<ui::qt::QtUi> ui;
  std::unique_ptr<app::CMainWnd> window;
  std::unique_ptr<app::DeviceWiring> wiring;
  std::unique_ptr<app::KeyEditorWiring> keys;

  Session() {
    devices.PlugAll();
    ui = std::make_unique<ui::qt::QtUi>(TAVRINEX_SKIN);
    app::MainWndEnvironment env;
    env.diagnostic = [](std::string_view) {};
    env.sleep = [](std::chrono::milliseconds) {};
    window = std::make_unique<app::CMainWnd>(*ui, bus, env);
    window->Create();
    wiring = std::make_unique<app::DeviceWiring>(*window, bus, nullptr);
    keys = std::make_unique<app::KeyEditorWiring>(*window, *wiring);
    device::DeviceChannel& channel = window->Channel(DeviceKind::kKeyboard);
    channel.hid.path = sim::SimulatedDevices::kKeyboardConfig;
    channel.hid.openForReading = channel.hid.openForWriting = channel.hid.overlapped = true;
    (void)channel.hid.OpenDevice();
    channel.connected = true;
    device::SyncHooks hooks;  // the position map only: no profile files
    hooks.rebuildKeyPositionMap = wiring->Context().sync.rebuildKeyPositionMap;
    std::thread([&] { (void)device::DeviceSync(DeviceKind::kKeyboard, channel, window->Image(), hooks); })
        .join();
    window->Window().Find<ui::OptionControl>("kb_key_Op_tab")->Select(true, true);
    QApplication::processEvents();
  }
  ~Session() {
    keys.reset();
    window->Destroy(false);
    window->Channel(DeviceKind::kKeyboard).hid.CloseDevice();
    wiring.reset();
    window.reset();
    ui.reset();
  }
  keys::KeyEditor& Editor() { return keys->Editor(DeviceKind::kKeyboard); }
};

void BM_ApplyEditorWithRedrawOf126KeyPage(benchmark::State& state) {
  Session s;
  s.Editor().OnKeyButton(64);  // A
  s.window->Window().Find<ui::ListControl>("kb_key_fct_combo")->SelectItem(6);  // fire key
  ui::Control* edit = s.window->Window().Find("kb_key_fct_edit_11");
  int value = 0;
  for (auto _ : state) {
    edit->SetText(std::to_string(++value % 256));  // each pass stores a new function
    s.Editor().ApplyEditor();
  }
  state.counters["keys"] = 106;
}
BENCHMARK(BM_ApplyEditorWithRedrawOf126KeyPage)->Unit(benchmark::kMicrosecond);

void BM_RedrawAfterTheWholePageChanged(benchmark::State& state) {
  Session s;
  device::DeviceImage& image = s.window->Image();
  const std::size_t slotCount = image.Read(DeviceKind::kKeyboard, [](const device::DeviceBlocks& b) {
    return keys::SlotCount(DeviceKind::kKeyboard, b);
  });
  bool reassigned = false;
  for (auto _ : state) {
    state.PauseTiming();
    reassigned = !reassigned;
    for (std::size_t slot = 0; slot < slotCount; ++slot) {
      if (reassigned) {
        (void)keys::SetSlot(image, DeviceKind::kKeyboard, 0, slot, {0x30, 0xCD, 0x00});
      } else {
        (void)keys::RestoreDefault(image, DeviceKind::kKeyboard, 0, slot);
      }
    }
    state.ResumeTiming();
    s.Editor().RedrawKeyLabels();
  }
}
BENCHMARK(BM_RedrawAfterTheWholePageChanged)->Unit(benchmark::kMicrosecond);

}  // namespace
