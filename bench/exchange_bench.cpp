// Host-side cost of the configuration exchange against the socketpair device end: the time
// from writing a request to having its reply, with a device that answers at once.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "device/device_channel.h"
#include "device/device_ids.h"
#include "sim/descriptors.h"
#include "sim/scripted_device.h"
#include "sim/sim_bus.h"

namespace {

using namespace tavrinex;

struct Rig {
  explicit Rig(device::WriteStyle style) {
    bus.Plug({"sim:bench", device::kVendorId, device::kKeyboardProductId,
              {sim::kConfigDescriptor.begin(), sim::kConfigDescriptor.end()}, style},
             std::make_shared<sim::ScriptedDevice>());
    channel.hid.path = "sim:bench";
    channel.hid.openForReading = channel.hid.openForWriting = channel.hid.overlapped = true;
    if (!channel.hid.OpenDevice()) throw std::runtime_error("open failed");
    channel.connected = true;
  }
  sim::SimBus bus;
  device::DeviceChannel channel{bus};
};

// Socket writes never block: the request is written on the calling thread.
void BM_Exchange(benchmark::State& state) {
  Rig rig(device::WriteStyle::kNonBlocking);
  for (auto _ : state) {
    if (rig.channel.Begin() != device::kResultOk) state.SkipWithError("exchange failed");
  }
}
BENCHMARK(BM_Exchange)->UseRealTime();

// The path hidraw nodes take: the write goes through the writer thread.
void BM_ExchangeThroughWriterThread(benchmark::State& state) {
  Rig rig(device::WriteStyle::kBlocking);
  for (auto _ : state) {
    if (rig.channel.Begin() != device::kResultOk) state.SkipWithError("exchange failed");
  }
}
BENCHMARK(BM_ExchangeThroughWriterThread)->UseRealTime();

// A 512-byte key block: ten chunked exchanges.
void BM_ChunkedRead512(benchmark::State& state) {
  Rig rig(device::WriteStyle::kNonBlocking);
  std::vector<std::uint8_t> block(512);
  for (auto _ : state) {
    if (rig.channel.ReadDefaultKeys(block) != device::kResultOk) {
      state.SkipWithError("read failed");
    }
    benchmark::DoNotOptimize(block.data());
  }
}
BENCHMARK(BM_ChunkedRead512)->UseRealTime();

}  // namespace
