// The lighting engine: render cost of one frame for every mode of every device, keyboard
// frame pacing against the simulator, and the CPU the four animation threads use while all
// three devices animate.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <numeric>
#include <stdexcept>
#include <thread>
#include <vector>

#include "core/stop_event.h"
#include "lighting/animation_engine.h"
#include "lighting/effect_tables.h"
#include "lighting/effects.h"
#include "lighting/render_session.h"
#include "sim/simulated_device.h"

namespace {

using namespace tavrinex;
using device::DeviceKind;
using lighting::CurrentRecord;
namespace rec = lighting::rec;
using Clock = std::chrono::steady_clock;

CurrentRecord BenchRecord(std::uint8_t mode, std::uint8_t speed = 0) {
  CurrentRecord r{};
  r[rec::kMode] = mode;
  r[rec::kBrightness] = 10;
  r[rec::kSpeed] = speed;
  r[rec::kDirection] = 1;
  r[rec::kMultiColour] = 1;
  lighting::SetRecordColour(r, {200, 120, 40});
  return r;
}

// One frame of mode `range(1)` on device `range(0)`, from its mode selection state, multi-colour.
void BM_RenderFrame(benchmark::State& state) {
  const auto kind = static_cast<DeviceKind>(state.range(0));
  const auto mode = static_cast<std::uint8_t>(state.range(1));
  CurrentRecord record = BenchRecord(mode);
  lighting::HueAccumulator hue;
  lighting::CustomColours custom;
  custom.sets.fill(77);
  lighting::ReactiveClock clock;
  std::atomic<bool> trigger{false};
  lighting::KeyboardAnimation kb;
  lighting::MouseAnimation ms;
  lighting::MousePadAnimation mp;
  lighting::SelectModeState(kb, mode);
  lighting::SelectModeState(ms, mode, record[rec::kDirection]);
  lighting::SelectModeState(mp, mode);
  lighting::KeyboardFrame kbFrame;
  lighting::MouseFrame msFrame;
  lighting::MousePadFrame mpFrame;
  std::int64_t now = 0;
  for (auto _ : state) {
    switch (kind) {
      case DeviceKind::kKeyboard:
        clock.OnTimerTick();  // reactive: a 20 ms flag every frame
        clock.OnTimerTick();
        if (mode == 9) lighting::SeedReactive(kb, 52);
        benchmark::DoNotOptimize(lighting::RenderKeyboard(record, kb, hue, {&custom, &clock}, kbFrame));
        benchmark::DoNotOptimize(kbFrame.bytes.data());
        break;
      case DeviceKind::kMouse:
        benchmark::DoNotOptimize(lighting::RenderMouse(record, ms, hue, msFrame));
        benchmark::DoNotOptimize(msFrame.bytes.data());
        break;
      case DeviceKind::kMousePad:
        trigger = true;
        now += 10;
        benchmark::DoNotOptimize(lighting::RenderMousePad(record, mp, hue, {&trigger, now}, mpFrame));
        benchmark::DoNotOptimize(mpFrame.bytes.data());
        break;
    }
  }
  state.SetLabel(std::string(device::KindPrefix(kind)) + " mode " + std::to_string(mode));
}
void RenderArgs(benchmark::internal::Benchmark* b) {
  b->ArgNames({"kind", "mode"});
  for (int m = 0; m <= 9; ++m) b->Args({0, m});
  for (int m = 0; m <= 5; ++m) b->Args({1, m});
  for (int m = 0; m <= 8; ++m) b->Args({2, m});
}
BENCHMARK(BM_RenderFrame)->Apply(RenderArgs)->Unit(benchmark::kNanosecond);

void BM_RenderShared(benchmark::State& state) {
  lighting::SharedLighting shared;
  shared.bytes = {static_cast<std::uint8_t>(state.range(0)), 10, 0, 1, 1, 200, 120, 40};
  std::uint8_t phase = 0;
  lighting::SharedFrames frames;
  for (auto _ : state) {
    benchmark::DoNotOptimize(lighting::RenderShared(shared, phase, frames));
    benchmark::DoNotOptimize(frames.keyboard.bytes.data());
  }
}
BENCHMARK(BM_RenderShared)->ArgName("mode")->DenseRange(0, 3)->Unit(benchmark::kNanosecond);

// The three devices on a simulated bus, each channel opened through the real transport.
struct Rig {
  Rig() {
    devices.PlugAll();
    for (const DeviceKind k : device::kAllDeviceKinds) {
      device::DeviceChannel& c = *channels[device::IndexOf(k)];
      c.hid.path = devices.Of(k).ConfigPath();
      c.hid.openForReading = c.hid.openForWriting = c.hid.overlapped = true;
      if (!c.hid.OpenDevice()) throw std::runtime_error("open failed");
      c.connected = true;
    }
  }
  lighting::EngineContext Context() {
    lighting::EngineContext ctx(image, store);
    ctx.channels = {channels[0].get(), channels[1].get(), channels[2].get()};
    ctx.initialWait = std::chrono::milliseconds(0);
    return ctx;
  }
  void SetRecord(DeviceKind kind, const CurrentRecord& r) {
    image.Update(kind, [&](device::DeviceBlocks& b) { b.current = r; });
  }
  sim::SimBus bus;
  sim::SimulatedDevices devices{bus};
  std::array<std::unique_ptr<device::DeviceChannel>, 3> channels = {
      std::make_unique<device::DeviceChannel>(bus), std::make_unique<device::DeviceChannel>(bus),
      std::make_unique<device::DeviceChannel>(bus)};
  device::DeviceImage image;
  lighting::LightingStore store;
};

double Mean(const std::vector<double>& v, std::size_t first, std::size_t count) {
  return std::accumulate(v.begin() + static_cast<std::ptrdiff_t>(first),
                         v.begin() + static_cast<std::ptrdiff_t>(first + count), 0.0) /
         static_cast<double>(count);
}

// 1000 keyboard frames of MODE_WAVE at a speed through the keyboard loop with its real waits.
// Counters: mean period, the table's delay, the part of the period spent sending the frame,
// the period expected from those (delay + transfer + 1 ms), and the drift (mean of the last 100 periods minus that of the first 100), all in ms.
// sendMs is the time from the end of the waits to the end of the frame's transfer.
void BM_KeyboardPacing(benchmark::State& state) {
  const auto speed = static_cast<std::uint8_t>(state.range(0));
  constexpr std::size_t kFrames = 1000;
  Rig rig;
  rig.SetRecord(DeviceKind::kKeyboard, BenchRecord(0, speed));
  lighting::AnimationEngine engine(rig.Context());
  core::StopEvent stop;
  std::vector<double> periods;
  std::vector<double> sends;
  Clock::time_point sendStart;
  const lighting::Wait stopWait = lighting::StopWait(stop);  // what the keyboard thread waits with
  const lighting::Wait wait = [&](std::chrono::milliseconds ms) {
    const bool goOn = stopWait(ms);
    // The loop's only zero-length wait at mode 0 is the extra wait just before rendering.
    if (ms.count() == 0) sendStart = Clock::now();
    return goOn;
  };
  for (auto _ : state) {
    periods.clear();
    sends.clear();
    Clock::time_point last = Clock::now();
    for (std::size_t i = 0; i < kFrames; ++i) {
      engine.KeyboardIteration(wait);
      const auto end = Clock::now();
      periods.push_back(std::chrono::duration<double, std::milli>(end - last).count());
      sends.push_back(std::chrono::duration<double, std::milli>(end - sendStart).count());
      last = end;
    }
  }
  state.counters["meanPeriodMs"] = Mean(periods, 0, kFrames);
  state.counters["tableDelayMs"] = lighting::KeyboardDelay(0, speed);
  state.counters["sendMs"] = Mean(sends, 0, kFrames);
  // What the period should be: the table's delay, the frame's transfer and the 1 ms check.
  state.counters["expectedMs"] = lighting::KeyboardDelay(0, speed) + Mean(sends, 0, kFrames) + 1.0;
  state.counters["driftMs"] = Mean(periods, kFrames - 100, 100) - Mean(periods, 0, 100);
}
BENCHMARK(BM_KeyboardPacing)->ArgName("speed")->Arg(0)->Arg(14)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// The four threads with all three devices animating in one mode at one speed (the shared
// thread idles): CPU of the engine's threads as a share of one core. The simulated firmware
// answering the frames runs on other threads and is not counted.
void BM_EngineCpu(benchmark::State& state) {
  const auto mode = static_cast<std::uint8_t>(state.range(0));
  const auto speed = static_cast<std::uint8_t>(state.range(1));
  Rig rig;
  for (const DeviceKind k : device::kAllDeviceKinds) rig.SetRecord(k, BenchRecord(mode, speed));
  lighting::AnimationEngine engine(rig.Context());
  double share = 0;
  for (auto _ : state) {
    engine.Start();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // past the first frames
    const auto cpu0 = engine.ThreadCpuTime();
    const auto wall0 = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(5));
    const auto cpu = engine.ThreadCpuTime() - cpu0;
    const auto wall = Clock::now() - wall0;
    engine.Stop();
    share = 100.0 * std::chrono::duration<double>(cpu).count() / std::chrono::duration<double>(wall).count();
  }
  state.counters["cpuPercentOfOneCore"] = share;
  state.counters["kbFrames"] = static_cast<double>(rig.devices.keyboard.RequestCount()) / 7.0;
}
BENCHMARK(BM_EngineCpu)
    ->ArgNames({"mode", "speed"})
    ->Args({0, 0})->Args({0, 7})->Args({2, 7})->Args({3, 0})
    ->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
