// Catalogue access as the profile lists and the foreground watchers use it: a 50-entry keyboard
// catalogue in a temporary documents folder.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "profiles/profile_catalogue.h"
#include "storage/settings_folder.h"

namespace {

using tavrinex::device::DeviceKind;
using tavrinex::profiles::ProfileCatalogue;
using tavrinex::profiles::ProfileListKind;

constexpr int kEntries = 50;

class CatalogueFixture : public benchmark::Fixture {
 public:
  void SetUp(const benchmark::State&) override {
    std::string pattern = (std::filesystem::temp_directory_path() / "tavrinex-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) return;
    root_ = pattern;
    ::setenv(tavrinex::profiles::kDocumentsOverrideVariable, root_.c_str(), 1);
    for (const ProfileListKind list : {ProfileListKind::kLight, ProfileListKind::kKey}) {
      (void)catalogue_.SetCount(list, kEntries);
      for (int i = 0; i < kEntries; ++i) {
        (void)catalogue_.SetName(list, i, "新配置文件" + std::to_string(i + 1));
        (void)catalogue_.SetLinkFlag(list, i, i % 5 == 0);
        if (i % 5 == 0) (void)catalogue_.SetProgram(list, i, "/usr/games/game" + std::to_string(i));
      }
      (void)catalogue_.SetSelect(list, 3);
    }
  }
  void TearDown(const benchmark::State&) override {
    ::unsetenv(tavrinex::profiles::kDocumentsOverrideVariable);
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }

 protected:
  std::filesystem::path root_;
  ProfileCatalogue catalogue_{DeviceKind::kKeyboard};
};

BENCHMARK_F(CatalogueFixture, ReadListOf50)(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(catalogue_.ReadList(ProfileListKind::kLight));
}

BENCHMARK_F(CatalogueFixture, ReadOneValue)(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(catalogue_.Program(ProfileListKind::kKey, 45));
}

// One pass of a foreground watcher: the selection, every link flag and linked program, and
// the selection written back unchanged.
BENCHMARK_F(CatalogueFixture, WatcherPass)(benchmark::State& state) {
  for (auto _ : state) {
    const int select = catalogue_.Select(ProfileListKind::kLight);
    for (int i = 0; i < kEntries; ++i) {
      if (catalogue_.LinkFlag(ProfileListKind::kLight, i) == 1) {
        benchmark::DoNotOptimize(catalogue_.Program(ProfileListKind::kLight, i));
      }
    }
    (void)catalogue_.SetSelect(ProfileListKind::kLight, select);
  }
}

// A changed value: read, change, write a temporary file, flush it, rename, flush the folder.
BENCHMARK_F(CatalogueFixture, WriteChangedValue)(benchmark::State& state) {
  int select = 0;
  for (auto _ : state) (void)catalogue_.SetSelect(ProfileListKind::kKey, ++select % 50);
}

}  // namespace
