// The key editor's save action and its parts: reading a macro library folder into the macro
// area (50 macros of `actions` each, the most a library holds), reading one long macro file,
// and the whole save against the simulated keyboard (macros, then the active key page).
// Counters: area bytes, exchanges per save.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>

#include "device/device_channel.h"
#include "device/device_image.h"
#include "device/device_sync.h"
#include "keys/macro_blob.h"
#include "keys/macro_files.h"
#include "keys/macro_library.h"
#include "sim/simulated_device.h"

namespace {

using namespace tavrinex;
namespace fs = std::filesystem;
using device::DeviceKind;

// A keyboard macro folder of `macros` macros with `actions` actions each; removed on exit.
struct Library {
  Library(std::size_t macros, std::size_t actions) {
    folder = fs::temp_directory_path() / ("tavrinex_bench_" + std::to_string(std::random_device()()));
    fs::create_directories(folder);
    std::ofstream index(folder / "kbMacro.ini", std::ios::binary);
    index << "[MACROCOUNT]\r\ncount=" << macros << "\r\n[MACRONAME]\r\n";
    for (std::size_t m = 0; m < macros; ++m) {
      index << m << "=name_" << m + 1 << "\r\n";
      std::ofstream file(folder / ("name_" + std::to_string(m + 1) + ".mac"), std::ios::binary);
      file << "[MACROACTIONCOUNT]\r\ncount=" << actions << "\r\n[MACROACTION]\r\n";
      for (std::size_t k = 0; k < actions; ++k) {
        file << k << "=" << (k % 2 == 0 ? "5,0,138,4,1,keyboard_key_A" : "5,0,10,4,0,keyboard_key_A") << "\r\n";
      }
    }
  }
  ~Library() { fs::remove_all(folder); }
  fs::path folder;
};

void BM_ReadLibraryIntoArea(benchmark::State& state) {
  const Library lib(50, static_cast<std::size_t>(state.range(0)));
  const keys::MacroLibrary library(lib.folder, DeviceKind::kKeyboard);
  std::size_t bytes = 0;
  for (auto _ : state) {
    const auto blob = keys::EncodeMacroBlob(keys::ReadLibraryActions(library));
    bytes = blob ? blob->size() : 0;
    benchmark::DoNotOptimize(bytes);
  }
  state.counters["areaBytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_ReadLibraryIntoArea)->ArgName("actionsPerMacro")->Arg(10)->Arg(40)
    ->Unit(benchmark::kMillisecond);

void BM_ReadOneLongMacro(benchmark::State& state) {
  const Library lib(1, static_cast<std::size_t>(state.range(0)));
  const keys::MacroLibrary library(lib.folder, DeviceKind::kKeyboard);
  for (auto _ : state) benchmark::DoNotOptimize(library.LoadMacro("name_1").lines.size());
}
BENCHMARK(BM_ReadOneLongMacro)->ArgName("actions")->Arg(100)->Arg(1000)->Arg(8000)
    ->Unit(benchmark::kMillisecond);

void BM_SaveKeysAndMacros(benchmark::State& state) {
  const Library lib(50, static_cast<std::size_t>(state.range(0)));
  sim::SimBus bus;
  sim::SimulatedDevices devices(bus);
  devices.PlugAll();
  device::DeviceChannel channel(bus);
  channel.hid.path = devices.keyboard.ConfigPath();
  channel.hid.openForReading = channel.hid.openForWriting = channel.hid.overlapped = true;
  if (!channel.hid.OpenDevice()) throw std::runtime_error("open failed");
  channel.connected = true;
  device::DeviceImage image;
  (void)device::DeviceSync(DeviceKind::kKeyboard, channel, image, {});
  const keys::MacroLibrary library(lib.folder, DeviceKind::kKeyboard);
  std::size_t exchanges = 0;
  for (auto _ : state) {
    devices.keyboard.ClearRequests();
    const auto save = keys::SaveKeysAndMacros(library, channel, image);
    if (save.macros.outcome != keys::MacroSendOutcome::kSent) state.SkipWithError("not sent");
    exchanges = devices.keyboard.RequestCount();
  }
  state.counters["exchanges"] = static_cast<double>(exchanges);
}
BENCHMARK(BM_SaveKeysAndMacros)->ArgName("actionsPerMacro")->Arg(10)->Arg(18)
    ->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
