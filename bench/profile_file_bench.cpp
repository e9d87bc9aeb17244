// Profile file reads and writes as the selection and the editors do them: an exact name, a
// name found only by the case-insensitive scan of a folder holding many profiles, a reader
// facing a 100 MB file, the atomic write (flushed to disk), and the whole save of the selected
// keyboard light profile through its catalogue.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "device/device_image.h"
#include "lighting/lighting_store.h"
#include "profiles/profile_body.h"
#include "profiles/profile_catalogue.h"
#include "profiles/profile_file.h"
#include "profiles/profile_selection.h"
#include "storage/settings_folder.h"

namespace {

namespace profiles = tavrinex::profiles;
using tavrinex::device::DeviceKind;

class Folder {
 public:
  Folder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tavrinex-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~Folder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;
  [[nodiscard]] const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

const std::vector<std::uint8_t> kBody(profiles::kKbLightBodySize, 0x5A);

void BM_ReadExactName(benchmark::State& state) {
  Folder folder;
  const int others = static_cast<int>(state.range(0));
  for (int i = 0; i < others; ++i) {
    const std::string name = 'p' + std::to_string(i) + ".led";  // not "p" +: -Wrestrict at -O3
    (void)profiles::WriteProfileFile(folder.Path() / name, 1, kBody);
  }
  const bool exact = state.range(1) != 0;
  (void)profiles::WriteProfileFile(folder.Path() / "Game.pro", 1, kBody);
  const auto asked = folder.Path() / (exact ? "Game.pro" : "Game.PRO");
  std::vector<std::uint8_t> destination(profiles::kKbLightBodySize);
  for (auto _ : state) {
    benchmark::DoNotOptimize(profiles::ReadProfileFile(asked, destination));
  }
}
BENCHMARK(BM_ReadExactName)->Args({0, 1})->Args({200, 1})->Args({200, 0});

void BM_ReadBodyOfHugeFile(benchmark::State& state) {
  Folder folder;
  const auto file = folder.Path() / "big.led";
  (void)profiles::WriteProfileFile(file, 1, kBody);
  if (::truncate(file.c_str(), 100L * 1024 * 1024) != 0) state.SkipWithError("truncate");
  std::vector<std::uint8_t> destination(profiles::kKbLightBodySize);
  for (auto _ : state) {
    benchmark::DoNotOptimize(profiles::ReadProfileFile(file, destination));
  }
}
BENCHMARK(BM_ReadBodyOfHugeFile);

void BM_WriteAtomically(benchmark::State& state) {
  Folder folder;
  const auto file = folder.Path() / "w.led";
  for (auto _ : state) {
    benchmark::DoNotOptimize(profiles::WriteProfileFile(file, 1, kBody));
  }
}
BENCHMARK(BM_WriteAtomically)->Unit(benchmark::kMicrosecond);

void BM_SaveSelectedKeyboardLightProfile(benchmark::State& state) {
  Folder folder;
  ::setenv(profiles::kDocumentsOverrideVariable, folder.Path().c_str(), 1);
  const profiles::ProfileCatalogue catalogue(DeviceKind::kKeyboard);
  (void)catalogue.SetCount(profiles::ProfileListKind::kLight, 1);
  (void)catalogue.SetName(profiles::ProfileListKind::kLight, 0, "新配置文件1");
  tavrinex::device::DeviceImage image;
  tavrinex::lighting::LightingStore lighting;
  profiles::PointerSettings pointer;
  profiles::ProfileState profileState{image, lighting, pointer};
  for (auto _ : state) {
    benchmark::DoNotOptimize(profiles::SaveSelectedLightProfile(profileState, DeviceKind::kKeyboard));
  }
  ::unsetenv(profiles::kDocumentsOverrideVariable);
}
BENCHMARK(BM_SaveSelectedKeyboardLightProfile)->Unit(benchmark::kMicrosecond);

}  // namespace
