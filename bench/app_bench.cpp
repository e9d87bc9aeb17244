// The window's start and shutdown against the simulated devices, offscreen: from the UI
// layer's creation to the main window shown with its workers started (the 100 ms start delay
// of the window initialisation included), and the shutdown of the nine running workers
// (detection threads, input watchers, animation threads).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <chrono>
#include <memory>

#include "app/animation_wiring.h"
#include "app/device_wiring.h"
#include "app/main_wnd.h"
#include "sim/sim_bus.h"
#include "sim/simulated_device.h"
#include "ui/qt/qt_ui.h"

namespace {

using namespace tavrinex;
using Clock = std::chrono::steady_clock;

struct Session {
  sim::SimBus bus;
  sim::SimulatedDevices devices{bus};
  std::unique_ptr<ui::qt::QtUi> ui;
  std::unique_ptr<app::CMainWnd> window;
  std::unique_ptr<app::DeviceWiring> wiring;
  std::unique_ptr<app::AnimationWiring> animation;

  // Returns once the window is shown and its workers run.
  void Start() {
    devices.PlugAll();
    ui = std::make_unique<ui::qt::QtUi>(TAVRINEX_SKIN);
    app::MainWndEnvironment env;
    env.diagnostic = [](std::string_view) {};
    window = std::make_unique<app::CMainWnd>(*ui, bus, env);
    wiring = std::make_unique<app::DeviceWiring>(*window, bus, nullptr);
    animation = std::make_unique<app::AnimationWiring>(*window);
    window->Create();
    QApplication::processEvents();
  }
  ~Session() {
    window.reset();
    animation.reset();
    wiring.reset();
    ui.reset();
  }
};

void BM_StartToWindowShown(benchmark::State& state) {
  for (auto _ : state) {
    Session session;
    const auto begin = Clock::now();
    session.Start();
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - begin).count());
    session.window->Destroy(false);
  }
}
BENCHMARK(BM_StartToWindowShown)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_Shutdown(benchmark::State& state) {
  for (auto _ : state) {
    Session session;
    session.Start();
    // Let the detection threads find and synchronise the three devices first.
    const auto settle = Clock::now() + std::chrono::milliseconds(300);
    while (Clock::now() < settle) QApplication::processEvents();
    const auto begin = Clock::now();
    session.window->Destroy(false);
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - begin).count());
    state.counters["workers"] = static_cast<double>(session.window->LastShutdown().started);
  }
}
BENCHMARK(BM_Shutdown)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace
