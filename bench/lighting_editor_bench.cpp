// The UI thread's cost of the lighting editor in the real window (shipped skin, offscreen):
// a mode chosen in the list (the handler, the page's groups, the colour display, the record,
// the dirty flag and the preparation of the light-profile save), the same with the repaint that
// follows, and the display refresh of each page when the record's mode changed under it.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "app/animation_wiring.h"
#include "app/device_wiring.h"
#include "app/lighting_wiring.h"
#include "app/main_wnd.h"
#include "profiles/profile_catalogue.h"
#include "sim/sim_bus.h"
#include "storage/settings_folder.h"
#include "ui/qt/qt_ui.h"

namespace {

using namespace tavrinex;
using device::DeviceKind;

// One window for all benchmarks; saves go to a folder of its own.
struct Session {
  Session() {
    folder = (std::filesystem::temp_directory_path() / "tavrinex-bench-XXXXXX").string();
    if (::mkdtemp(folder.data()) == nullptr) std::abort();
    ::setenv(profiles::kDocumentsOverrideVariable, (folder + "/Documents").c_str(), 1);
    for (const DeviceKind kind : device::kAllDeviceKinds) {
      const profiles::ProfileCatalogue catalogue(kind);
      (void)catalogue.SetCount(profiles::ProfileListKind::kLight, 1);
      (void)catalogue.SetName(profiles::ProfileListKind::kLight, 0, "Bench");
    }
    ui = std::make_unique<ui::qt::QtUi>(TAVRINEX_SKIN);
    app::MainWndEnvironment env;
    env.diagnostic = [](std::string_view) {};
    window = std::make_unique<app::CMainWnd>(*ui, bus, env);
    devices = std::make_unique<app::DeviceWiring>(*window, bus, nullptr);
    animation = std::make_unique<app::AnimationWiring>(*window);
    window->Create();
    lighting = std::make_unique<app::LightingWiring>(*window, *devices, &animation->Engine());
    window->Window().Show();
    QApplication::processEvents();
  }
  ~Session() {
    window->Destroy(false);
    lighting.reset();
    animation.reset();
    devices.reset();
    window.reset();
    ui.reset();
    ::unsetenv(profiles::kDocumentsOverrideVariable);
    std::filesystem::remove_all(folder);
  }

  std::string folder;
  sim::SimBus bus;
  std::unique_ptr<ui::qt::QtUi> ui;
  std::unique_ptr<app::CMainWnd> window;
  std::unique_ptr<app::DeviceWiring> devices;
  std::unique_ptr<app::AnimationWiring> animation;
  std::unique_ptr<app::LightingWiring> lighting;
};

Session* session = nullptr;

ui::ListControl& ModeList(DeviceKind kind) {
  return *session->window->Window().Find<ui::ListControl>(lighting::PageOf(kind).modeList);
}

// Keyboard: wave and custom in turn (custom swaps the page's groups); mouse and pad: wave
// and static.
int OtherMode(DeviceKind kind, int mode) {
  const int alternative = kind == DeviceKind::kKeyboard ? 8 : 3;
  return mode == 0 ? alternative : 0;
}

void ModeChange(benchmark::State& state, DeviceKind kind, bool repaint) {
  auto& list = ModeList(kind);
  int mode = list.CurrentIndex();
  for (auto _ : state) {
    mode = OtherMode(kind, mode);
    (void)list.SelectItem(mode);
    if (repaint) QApplication::processEvents();
  }
}

void BM_ModeChange(benchmark::State& state) {
  ModeChange(state, static_cast<DeviceKind>(state.range(0)), false);
}
BENCHMARK(BM_ModeChange)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

void BM_ModeChangeWithRepaint(benchmark::State& state) {
  ModeChange(state, static_cast<DeviceKind>(state.range(0)), true);
}
BENCHMARK(BM_ModeChangeWithRepaint)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

// The refresh after a synchronisation or a profile load that brought another mode.
void BM_DisplayRefreshWithNewMode(benchmark::State& state) {
  const auto kind = static_cast<DeviceKind>(state.range(0));
  int mode = ModeList(kind).CurrentIndex();
  for (auto _ : state) {
    mode = OtherMode(kind, mode);
    session->window->Image().Update(kind, [&](device::DeviceBlocks& b) {
      b.current[lighting::rec::kMode] = static_cast<std::uint8_t>(mode);
    });
    session->lighting->Editor().Refresh(kind);
  }
}
BENCHMARK(BM_DisplayRefreshWithNewMode)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  {
    Session s;
    session = &s;
    benchmark::RunSpecifiedBenchmarks();
    session = nullptr;
  }
  benchmark::Shutdown();
  return 0;
}
