// Reads the input as a profile file of each of the five kinds, the way the profile loads do,
// places every body that reads into a device state and saves it again. Checks that the reader
// and the inspector agree on what the file is, and that a placed body saves back unchanged
// (but for the mouse's pointer bytes, where a stored 0 loads as 1).
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "device/device_image.h"
#include "lighting/lighting_store.h"
#include "profiles/profile_body.h"
#include "profiles/profile_file.h"
#include "profiles/profile_inspect.h"

namespace {

namespace profiles = tavrinex::profiles;
using tavrinex::device::DeviceKind;
using profiles::ProfileListKind;
using profiles::ProfileReadResult;

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

const std::filesystem::path& Folder() {
  static const std::filesystem::path folder = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "fuzz_profile-XXXXXX").string();
    Check(::mkdtemp(pattern.data()) != nullptr);
    return std::filesystem::path(pattern);
  }();
  return folder;
}

struct State {
  tavrinex::device::DeviceImage image;
  tavrinex::lighting::LightingStore lighting;
  profiles::PointerSettings pointer;
  profiles::ProfileState state{image, lighting, pointer};
};

void CheckLight(State& s, DeviceKind kind, const std::vector<std::uint8_t>& body) {
  profiles::PlaceLightBody(s.state, kind, body);
  std::vector<std::uint8_t> expected = body;
  if (kind == DeviceKind::kMouse) {
    for (const std::size_t i : {profiles::body::kPointerSpeed, profiles::body::kWheelLines}) {
      if (expected[i] == 0) expected[i] = 1;
    }
  }
  Check(profiles::AssembleLightBody(s.state, kind) == expected);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::filesystem::path file = Folder() / "Fuzz.led";
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  const profiles::ProfileInspection inspection = profiles::InspectProfileBytes(data, size);
  static State s;
  for (const DeviceKind kind : tavrinex::device::kAllDeviceKinds) {
    for (const ProfileListKind list : {ProfileListKind::kLight, ProfileListKind::kKey}) {
      if (!profiles::HasList(kind, list)) continue;
      std::vector<std::uint8_t> body(profiles::BodySizeOf(kind, list), 0);
      // Asked for in another case, as the key profile load asks for ".PRO".
      const ProfileReadResult result = profiles::ReadProfileFile(Folder() / "FUZZ.LED", body);
      Check((result == ProfileReadResult::kNotProfile) ==
            (inspection.status == profiles::ProfileInspection::Status::kNotProfile));
      Check(result != ProfileReadResult::kMissing);
      if (result != ProfileReadResult::kRead) continue;
      const std::size_t present = size > profiles::kProfileHeaderSize ? size - profiles::kProfileHeaderSize : 0;
      for (std::size_t i = 0; i < body.size(); ++i) {
        Check(body[i] == (i < present ? data[profiles::kProfileHeaderSize + i] : 0));
      }
      if (list == ProfileListKind::kLight) {
        CheckLight(s, kind, body);
      } else {
        std::array<std::uint8_t, profiles::kKeyProfileBodySize> page{};
        std::copy(body.begin(), body.end(), page.begin());
        profiles::PlaceKeyBody(s.image, kind, page);
        Check(profiles::AssembleKeyBody(s.image, kind) == page);
      }
    }
  }
  return 0;
}
