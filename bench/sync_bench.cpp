// Full synchronisation of each device against the simulator through the real transport:
// host cost alone (the device answers at once), and with 1 ms per report each way as on a
// USB full-speed interrupt endpoint. Counters: exchanges per synchronisation.
#include <benchmark/benchmark.h>

#include <chrono>
#include <stdexcept>

#include "device/device_channel.h"
#include "device/device_image.h"
#include "device/device_sync.h"
#include "sim/simulated_device.h"

namespace {

using namespace tavrinex;
using device::DeviceKind;

struct Rig {
  Rig(DeviceKind kind, std::chrono::milliseconds perReport) : device(devices.Of(kind)) {
    devices.PlugAll();
    device.SetReplyDelay(2 * perReport);  // request in, reply out
    channel.hid.path = device.ConfigPath();
    channel.hid.openForReading = channel.hid.openForWriting = channel.hid.overlapped = true;
    if (!channel.hid.OpenDevice()) throw std::runtime_error("open failed");
    channel.connected = true;
  }
  sim::SimBus bus;
  sim::SimulatedDevices devices{bus};
  sim::SimulatedDevice& device;
  device::DeviceChannel channel{bus};
  device::DeviceImage image;
};

void BM_DeviceSync(benchmark::State& state) {
  const auto kind = static_cast<DeviceKind>(state.range(0));
  Rig rig(kind, std::chrono::milliseconds(state.range(1)));
  std::size_t exchanges = 0;
  for (auto _ : state) {
    rig.device.ClearRequests();
    const auto r = device::DeviceSync(kind, rig.channel, rig.image, {});
    if (r.failedCommands != 0) state.SkipWithError("a command failed");
    exchanges = rig.device.RequestCount();
  }
  state.counters["exchanges"] = static_cast<double>(exchanges);
  state.SetLabel(std::string(device::KindPrefix(kind)) +
                 (state.range(1) == 0 ? " host only" : " 1 ms per report each way"));
}
BENCHMARK(BM_DeviceSync)
    ->ArgNames({"kind", "msPerReport"})
    ->Args({0, 0})->Args({1, 0})->Args({2, 0})
    ->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DeviceSync)
    ->ArgNames({"kind", "msPerReport"})
    ->Args({0, 1})->Args({1, 1})->Args({2, 1})
    ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

// The re-read after an on-device change: two exchanges.
void BM_RereadActiveSettings(benchmark::State& state) {
  Rig rig(DeviceKind::kMouse, std::chrono::milliseconds(0));
  for (auto _ : state) {
    const auto r = device::RereadActiveSettings(DeviceKind::kMouse, rig.channel, rig.image, {});
    if (r.failedCommands != 0) state.SkipWithError("a command failed");
  }
}
BENCHMARK(BM_RereadActiveSettings)->Unit(benchmark::kMicrosecond)->UseRealTime();

// What an animation thread pays per frame to read its inputs: a copy of the current record.
void BM_CurrentRecordSnapshot(benchmark::State& state) {
  device::DeviceImage image;
  for (auto _ : state) benchmark::DoNotOptimize(image.Current(DeviceKind::kKeyboard));
}
BENCHMARK(BM_CurrentRecordSnapshot);

}  // namespace
