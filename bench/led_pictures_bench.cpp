// What one display frame of the LED pictures costs the UI thread in the real window (the
// shipped skin, offscreen): every LED of the three devices changed since the last frame, as
// the animation threads left them in their picture buffers; the window takes the snapshots,
// updates the 161 pictures and paints those of the device page shown (the others are updated
// and painted when their page is shown). One benchmark per page shown.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <array>
#include <memory>
#include <span>
#include <thread>

#include "app/animation_wiring.h"
#include "app/main_wnd.h"
#include "sim/sim_bus.h"
#include "ui/qt/qt_ui.h"

namespace {

using namespace tavrinex;
using device::DeviceKind;

constexpr std::array<const char*, 3> kDeviceTabs = {"kb_tab", "ms_tab", "mp_tab"};

struct Window {
  Window() {
    ui = std::make_unique<ui::qt::QtUi>(TAVRINEX_SKIN);
    app::MainWndEnvironment env;
    env.diagnostic = [](std::string_view) {};
    env.sleep = [](std::chrono::milliseconds) {};
    window = std::make_unique<app::CMainWnd>(*ui, bus, env);
    animation = std::make_unique<app::AnimationWiring>(*window);
    window->Create();
    animation->AttachPictures();
    QApplication::processEvents();
  }
  ~Window() {
    window->Destroy(false);  // the animation threads stop before their wiring goes
    animation.reset();       // detaches its buffers from the window
    window.reset();
    ui.reset();
  }
  void ShowPage(int page) {
    if (auto* tab = window->Window().Find<ui::OptionControl>(kDeviceTabs[static_cast<std::size_t>(page)])) {
      tab->Select(true, true);
    }
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
  }
  // One frame of every device in which every LED changed (as from the animation threads).
  void DrawFrame(int frame) {
    for (const DeviceKind kind : device::kAllDeviceKinds) {
      ui::LedPictureBuffer& buffer = animation->Pictures(kind);
      std::array<ui::LedPixel, 126> pixels{};
      for (std::size_t i = 0; i < buffer.Size(); ++i) {
        const auto v = static_cast<std::uint8_t>(frame * 7 + static_cast<int>(i) * 3);
        pixels[i] = {ui::OverlayWord({v, static_cast<std::uint8_t>(255 - v), 90}),
                     static_cast<std::uint8_t>(160 + frame % 90)};
      }
      buffer.SetRange(0, std::span(pixels).first(buffer.Size()));
    }
  }

  sim::SimBus bus;
  std::unique_ptr<ui::qt::QtUi> ui;
  std::unique_ptr<app::CMainWnd> window;
  std::unique_ptr<app::AnimationWiring> animation;
};

std::unique_ptr<Window> gWindow;  // made and dropped by main, inside the QApplication's life

void BM_RealWindowFrameOf161Leds(benchmark::State& state) {
  Window& w = *gWindow;
  w.ShowPage(static_cast<int>(state.range(0)));
  int frame = 0;
  int changed = 0;
  for (auto _ : state) {
    state.PauseTiming();
    std::thread([&] { w.DrawFrame(++frame); }).join();
    state.ResumeTiming();
    changed = w.window->Window().ApplyLedPictures();  // what the display tick runs
    QApplication::processEvents();                    // the page's repaint and flush
  }
  state.counters["changed"] = changed;
  state.SetLabel(kDeviceTabs[static_cast<std::size_t>(state.range(0))]);
}
BENCHMARK(BM_RealWindowFrameOf161Leds)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

// A display tick when no LED changed (a static effect, or a device not connected).
void BM_RealWindowIdleTick(benchmark::State& state) {
  Window& w = *gWindow;
  w.ShowPage(0);
  for (auto _ : state) {
    benchmark::DoNotOptimize(w.window->Window().ApplyLedPictures());
    QApplication::processEvents();
  }
}
BENCHMARK(BM_RealWindowIdleTick)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  gWindow = std::make_unique<Window>();
  benchmark::RunSpecifiedBenchmarks();
  gWindow.reset();
  benchmark::Shutdown();
  return 0;
}
