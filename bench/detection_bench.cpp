// The detection layer against the simulator: how long after an interface appears its device
// is connected, and how long after an unplug it is removed, with hot-plug events and without
// (periodic search and probe only); and the CPU the five device threads use while three
// devices sit connected and nothing happens.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "device/detection.h"
#include "device/device_ids.h"
#include "device/hotplug.h"
#include "device/input_watcher.h"
#include "sim/simulated_device.h"

namespace {

using namespace tavrinex;
using device::DeviceKind;
using Clock = std::chrono::steady_clock;

// The five threads on a simulated bus; the UI steps run inline on the detection threads and
// only count connections and removals.
class Rig {
 public:
  explicit Rig(bool hotplug) {
    bus.SetPlugObserver([this](const std::string& path, bool plugged) {
      hub.Publish({plugged ? device::HotplugAction::kAdd : device::HotplugAction::kRemove, path});
    });
    const std::array<std::uint16_t, 3> products = {
        device::kKeyboardProductId, device::kMouseProductId, device::kMousePadProductId};
    for (const DeviceKind k : device::kAllDeviceKinds) {
      auto& c = *channels[device::IndexOf(k)];
      c.expectedVendorId = device::kVendorId;
      c.expectedProductId = products[device::IndexOf(k)];
      c.expectedUsagePage = device::kConfigUsagePage;
      c.expectedUsage = device::kConfigUsage;
      context.channels[device::IndexOf(k)] = &c;
    }
    context.backend = &bus;
    context.image = &image;
    context.hotplug = hotplug ? &hub : nullptr;
    context.diagnostic = [](std::string_view) {};
    context.window.refreshControls = [this](DeviceKind k) { Count(connects, k); };
    context.window.setVisible = [this](std::string_view control, bool visible) {
      for (const DeviceKind k : device::kAllDeviceKinds) {
        if (!visible && control == device::ControlsOf(k).tab) Count(removals, k);
      }
    };
    threads.Start();
  }
  ~Rig() { threads.Stop(); }
  Rig(const Rig&) = delete;
  Rig& operator=(const Rig&) = delete;

  int Connects(DeviceKind k) { return Get(connects, k); }
  int Removals(DeviceKind k) { return Get(removals, k); }
  // Waits until the counter of k passes `from`; false after 5 s.
  bool WaitPast(std::array<int, 3>& counter, DeviceKind k, int from) {
    std::unique_lock lock(mutex);
    return cv.wait_for(lock, std::chrono::seconds(5),
                       [&] { return counter[device::IndexOf(k)] > from; });
  }

  device::HotplugHub hub;
  sim::SimBus bus;
  sim::SimulatedDevices devices{bus};
  std::array<std::unique_ptr<device::DeviceChannel>, 3> channels = {
      std::make_unique<device::DeviceChannel>(bus), std::make_unique<device::DeviceChannel>(bus),
      std::make_unique<device::DeviceChannel>(bus)};
  device::DeviceImage image;
  std::mutex mutex;
  std::condition_variable cv;
  std::array<int, 3> connects{};
  std::array<int, 3> removals{};
  device::DeviceThreadsContext context;
  device::DeviceThreads threads{context};

 private:
  void Count(std::array<int, 3>& counter, DeviceKind k) {
    {
      std::lock_guard lock(mutex);
      ++counter[device::IndexOf(k)];
    }
    cv.notify_all();
  }
  int Get(std::array<int, 3>& counter, DeviceKind k) {
    std::lock_guard lock(mutex);
    return counter[device::IndexOf(k)];
  }
};

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// Time from plugging a device in to the end of its connect sequence (the keyboard's includes
// its 100 ms settle delay), and, as a counter, to the moment its channel counts as connected.
void BM_ConnectLatency(benchmark::State& state) {
  const auto kind = static_cast<DeviceKind>(state.range(0));
  Rig rig(state.range(1) != 0);
  auto& dev = rig.devices.Of(kind);
  auto& channel = *rig.channels[device::IndexOf(kind)];
  double toConnected = 0;
  double worst = 0;
  for (auto _ : state) {
    const int before = rig.Connects(kind);
    const auto t0 = Clock::now();
    dev.Plug();
    while (!channel.connected) std::this_thread::sleep_for(std::chrono::microseconds(100));
    const auto t1 = Clock::now();
    if (!rig.WaitPast(rig.connects, kind, before)) state.SkipWithError("not connected");
    const double full = Ms(Clock::now() - t0);
    state.SetIterationTime(full / 1000);
    toConnected += Ms(t1 - t0);
    worst = std::max(worst, full);
    const int removed = rig.Removals(kind);
    dev.Unplug();
    if (!rig.WaitPast(rig.removals, kind, removed)) state.SkipWithError("not removed");
  }
  state.counters["to_connected_ms"] = toConnected / static_cast<double>(state.iterations());
  state.counters["worst_sequence_ms"] = worst;
  state.SetLabel(std::string(device::KindPrefix(kind)) +
                 (state.range(1) != 0 ? " hot-plug" : " periodic search only"));
}
BENCHMARK(BM_ConnectLatency)
    ->ArgNames({"kind", "hotplug"})
    ->Args({0, 1})->Args({1, 1})->Args({2, 1})
    ->Iterations(20)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConnectLatency)
    ->ArgNames({"kind", "hotplug"})
    ->Args({1, 0})
    ->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

// Time from unplugging a connected device to its tab being hidden.
void BM_RemovalLatency(benchmark::State& state) {
  const auto kind = static_cast<DeviceKind>(state.range(0));
  Rig rig(state.range(1) != 0);
  auto& dev = rig.devices.Of(kind);
  double worst = 0;
  for (auto _ : state) {
    const int connected = rig.Connects(kind);
    dev.Plug();
    if (!rig.WaitPast(rig.connects, kind, connected)) state.SkipWithError("not connected");
    const int before = rig.Removals(kind);
    const auto t0 = Clock::now();
    dev.Unplug();
    if (!rig.WaitPast(rig.removals, kind, before)) state.SkipWithError("not removed");
    const double took = Ms(Clock::now() - t0);
    state.SetIterationTime(took / 1000);
    worst = std::max(worst, took);
  }
  state.counters["worst_ms"] = worst;
  state.SetLabel(std::string(device::KindPrefix(kind)) +
                 (state.range(1) != 0 ? " hot-plug" : " no hot-plug events: fd hang-up and probe"));
}
BENCHMARK(BM_RemovalLatency)
    ->ArgNames({"kind", "hotplug"})
    ->Args({0, 1})->Args({1, 1})->Args({2, 1})->Args({1, 0})
    ->Iterations(20)->UseManualTime()->Unit(benchmark::kMillisecond);

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
  };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Three devices connected, nothing happening, for 10 s: the CPU of the whole process (the
// five device threads, the simulator's idle connection threads and this waiting thread) as
// a share of one core.
void BM_IdleCpuThreeDevices(benchmark::State& state) {
  Rig rig(true);
  rig.devices.PlugAll();
  for (const DeviceKind k : device::kAllDeviceKinds) {
    if (!rig.WaitPast(rig.connects, k, 0)) state.SkipWithError("not connected");
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(300));  // watchers settle on their reads
  double share = 0;
  for (auto _ : state) {
    const double cpu0 = CpuSeconds();
    const auto t0 = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(10));
    const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
    share = (CpuSeconds() - cpu0) / wall;
    state.SetIterationTime(wall);
  }
  state.counters["cpu_percent_of_one_core"] = share * 100;
}
BENCHMARK(BM_IdleCpuThreeDevices)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

// An on-board change announced by the mouse (0x0902 re-read, 0x0901 full sync): the time the
// UI thread spends on the message (it only hands the work to the mouse's detection thread),
// and, as a counter, the time until the refresh of the mouse's controls comes back.
void BM_DeviceMessageOnUiThread(benchmark::State& state) {
  const auto message = static_cast<std::uint32_t>(state.range(0));
  Rig rig(true);
  rig.devices.mouse.Plug();
  if (!rig.WaitPast(rig.connects, DeviceKind::kMouse, 0)) state.SkipWithError("not connected");
  double worst = 0;
  double untilRefresh = 0;
  for (auto _ : state) {
    const int before = rig.Connects(DeviceKind::kMouse);
    const auto t0 = Clock::now();
    (void)device::HandleDeviceMessage(message, rig.context);
    const auto handled = Clock::now();
    if (!rig.WaitPast(rig.connects, DeviceKind::kMouse, before)) state.SkipWithError("no refresh");
    untilRefresh += Ms(Clock::now() - t0);
    worst = std::max(worst, Ms(handled - t0));
    state.SetIterationTime(std::chrono::duration<double>(handled - t0).count());
  }
  state.counters["worstUiMs"] = worst;
  state.counters["untilRefreshMs"] = untilRefresh / static_cast<double>(state.iterations());
}
BENCHMARK(BM_DeviceMessageOnUiThread)
    ->ArgName("message")->Arg(0x0902)->Arg(0x0901)
    ->Iterations(50)->UseManualTime()->Unit(benchmark::kMicrosecond);

// Shutdown of the five threads while the mouse has gone silent in the middle of its connect
// synchronisation (each exchange would otherwise wait 4 x 300 ms).
void BM_ShutdownWithSilentDevice(benchmark::State& state) {
  for (auto _ : state) {
    auto rig = std::make_unique<Rig>(true);
    rig->devices.mouse.InjectFault({sim::Fault::Action::kNoReply, 6, sim::Fault::kEvery});
    rig->devices.mouse.Plug();
    while (rig->devices.mouse.RequestCount() < 8) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const auto t0 = Clock::now();
    rig->threads.Stop();
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - t0).count());
  }
}
BENCHMARK(BM_ShutdownWithSilentDevice)
    ->Iterations(10)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
