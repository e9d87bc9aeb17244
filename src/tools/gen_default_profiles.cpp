// Build tool: writes the five default profile files into the folder given as its argument,
// from the simulated devices' factory state, through the same body assembly and file writer
// the program uses. The output depends on nothing but that state, so builds reproduce it.
//
// usage: gen_default_profiles OUTPUT_FOLDER
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "device/device_image.h"
#include "lighting/lighting_store.h"
#include "profiles/profile_body.h"
#include "profiles/profile_file.h"
#include "sim/factory_defaults.h"

namespace {

namespace factory = tavrinex::sim::factory;
namespace profiles = tavrinex::profiles;
using tavrinex::device::DeviceBlocks;
using tavrinex::device::DeviceKind;
using profiles::ProfileListKind;

// The device state right after a factory reset: on-board profile 0 active, its record
// current, every key page the factory key block; the host's pointer settings at the values
// the mouse reset sets; no custom colours.
void SetFactoryState(profiles::ProfileState& state) {
  for (const DeviceKind kind : tavrinex::device::kAllDeviceKinds) {
    state.image.Update(kind, [kind](DeviceBlocks& blocks) {
      const auto area = factory::Settings(kind);
      for (std::size_t p = 0; p < blocks.settings.size(); ++p) {
        std::copy_n(area.begin() + static_cast<std::ptrdiff_t>(p * blocks.settings[p].size()),
                    blocks.settings[p].size(), blocks.settings[p].begin());
      }
      std::copy_n(blocks.settings[0].begin(), blocks.current.size(), blocks.current.begin());
      blocks.defaultKeys = factory::DefaultKeys(kind);
      blocks.keyPages.fill(blocks.defaultKeys);
    });
  }
  state.pointer.SetSpeed(10);
  state.pointer.SetWheelLines(3);
}

bool Write(profiles::ProfileState& state, const std::filesystem::path& folder, DeviceKind kind,
           ProfileListKind list) {
  const auto path = folder / profiles::DefaultProfileFileName(kind, list);
  const bool ok = list == ProfileListKind::kKey
                      ? profiles::WriteProfileFile(path, profiles::DeviceTagOf(kind),
                                                   profiles::AssembleKeyBody(state.image, kind))
                      : profiles::WriteProfileFile(path, profiles::DeviceTagOf(kind),
                                                   profiles::AssembleLightBody(state, kind));
  if (!ok) std::fprintf(stderr, "gen_default_profiles: cannot write %s\n", path.c_str());
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: gen_default_profiles OUTPUT_FOLDER\n", stderr);
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  tavrinex::device::DeviceImage image;
  tavrinex::lighting::LightingStore lighting;
  profiles::PointerSettings pointer;
  profiles::ProfileState state{image, lighting, pointer};
  SetFactoryState(state);
  bool ok = true;
  for (const DeviceKind kind : tavrinex::device::kAllDeviceKinds) {
    for (const ProfileListKind list : {ProfileListKind::kKey, ProfileListKind::kLight}) {
      if (profiles::HasList(kind, list)) ok = Write(state, folder, kind, list) && ok;
    }
  }
  return ok ? 0 : 1;
}
