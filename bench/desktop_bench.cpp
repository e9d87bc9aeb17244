// The desktop adapters: how soon a change of the window in front reaches the program (run under
// an X server: xvfb-run -a build/default/bench/bench_desktop), and the timeline of a long macro.
#include <benchmark/benchmark.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "keys/macro_timeline.h"
#include "platform/foreground.h"

namespace {

using namespace tavrinex;

// From the window manager's property change to the source's report, per change.
void BM_X11ForegroundLatency(benchmark::State& state) {
  const char* display = std::getenv("DISPLAY");
  // Held for the whole run: an X server resets, refusing connections for a moment, whenever
  // its last client goes, as between two runs of this function.
  static xcb_connection_t* const keepServerUp = display != nullptr ? xcb_connect(display, nullptr) : nullptr;
  (void)keepServerUp;
  auto source = display != nullptr ? platform::MakeX11ForegroundSource(display) : nullptr;
  xcb_connection_t* c = display != nullptr ? xcb_connect(display, nullptr) : nullptr;
  if (source == nullptr || c == nullptr || xcb_connection_has_error(c) != 0) {
    state.SkipWithError("no X server (run under xvfb-run)");
    if (c != nullptr) xcb_disconnect(c);
    return;
  }
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
  auto atom = [c](const char* name) {
    auto* r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t a = r->atom;
    std::free(r);
    return a;
  };
  const xcb_atom_t active = atom("_NET_ACTIVE_WINDOW");
  const xcb_atom_t pidAtom = atom("_NET_WM_PID");
  const std::uint32_t pid = static_cast<std::uint32_t>(::getpid());
  xcb_window_t windows[2];
  for (auto& w : windows) {
    w = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, w, root, 0, 0, 10, 10, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, pidAtom, XCB_ATOM_CARDINAL, 32, 1, &pid);
  }
  xcb_flush(c);

  std::mutex mutex;
  std::condition_variable reported;
  int reports = 0;
  source->Start([&](const std::string&) {
    const std::lock_guard lock(mutex);
    ++reports;
    reported.notify_all();
  });
  {
    std::unique_lock lock(mutex);
    reported.wait(lock, [&] { return reports >= 1; });
  }
  int flip = 0;
  for (auto _ : state) {
    int before = 0;
    {
      const std::lock_guard lock(mutex);
      before = reports;
    }
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, root, active, XCB_ATOM_WINDOW, 32, 1, &windows[flip ^= 1]);
    xcb_flush(c);
    std::unique_lock lock(mutex);
    reported.wait(lock, [&] { return reports > before; });
  }
  source->Stop();
  xcb_disconnect(c);
}
BENCHMARK(BM_X11ForegroundLatency)->Unit(benchmark::kMicrosecond)->UseRealTime();

// The timeline of a 500-action macro, rebuilt after each edit.
void BM_MacroTimeline500(benchmark::State& state) {
  std::vector<keys::TimelineRow> rows;
  for (int i = 0; i < 250; ++i) {
    const auto usage = static_cast<std::uint8_t>(4 + i % 26);
    rows.push_back({{12, 0, keys::kEventPressBit | keys::kEventKey, usage}, "key", 123});
    rows.push_back({{3, 0, keys::kEventKey, usage}, "key", std::nullopt});
  }
  for (auto _ : state) benchmark::DoNotOptimize(keys::BuildTimeline(rows));
}
BENCHMARK(BM_MacroTimeline500)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
