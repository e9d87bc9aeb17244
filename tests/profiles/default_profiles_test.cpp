#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "profiles/profile_file.h"
#include "profiles/profile_inspect.h"
#include "storage/settings_folder.h"
#include "sim/factory_defaults.h"
#include "temp_documents.h"

namespace tavrinex::profiles {
namespace {

using device::DeviceKind;
namespace factory = sim::factory;

std::vector<std::uint8_t> ReadDefault(DeviceKind kind, ProfileListKind list) {
  const std::filesystem::path folder = TAVRINEX_DEFAULTS_BUILD_DIR;
  std::vector<std::uint8_t> body(BodySizeOf(kind, list), 0);
  EXPECT_EQ(ReadProfileFile(folder / DefaultProfileFileName(kind, list), body), ProfileReadResult::kRead);
  return body;
}

template <typename Range>
std::vector<std::uint8_t> Prefix(const Range& r, std::size_t n) {
  return {r.begin(), r.begin() + static_cast<std::ptrdiff_t>(n)};
}

// The generated files are complete files of their kind and hold the simulator's factory state.
TEST(DefaultProfilesTest, GeneratedFilesHoldTheSimulatedDevicesFactoryState) {
  const std::filesystem::path folder = TAVRINEX_DEFAULTS_BUILD_DIR;
  for (const auto kind : device::kAllDeviceKinds) {
    for (const auto list : {ProfileListKind::kKey, ProfileListKind::kLight}) {
      if (!HasList(kind, list)) continue;
      const auto name = DefaultProfileFileName(kind, list);
      SCOPED_TRACE(std::string(name));
      const ProfileInspection inspection = InspectProfileFile(folder / name);
      EXPECT_EQ(inspection.problem, "");
      ASSERT_TRUE(inspection.kind.has_value());
      EXPECT_EQ(inspection.kind->device, kind);
      EXPECT_EQ(inspection.kind->list, list);
      EXPECT_TRUE(inspection.reservedZero);

      const auto body = ReadDefault(kind, list);
      if (list == ProfileListKind::kKey) {
        const auto keys = factory::DefaultKeys(kind);
        EXPECT_EQ(body, std::vector<std::uint8_t>(keys.begin(), keys.end()));
        continue;
      }
      const auto record = factory::Record(kind, 0);
      const std::size_t recordBytes = kind == DeviceKind::kMouse ? 21 : 64;
      EXPECT_EQ(Prefix(body, recordBytes), Prefix(record, recordBytes));
    }
  }
  const auto mouse = ReadDefault(DeviceKind::kMouse, ProfileListKind::kLight);
  EXPECT_EQ(mouse[21], 10);  // pointer speed
  EXPECT_EQ(mouse[22], 3);   // wheel lines
}

class DefaultProfileLookUpTest : public testing::TempDocuments {};

TEST_F(DefaultProfileLookUpTest, FirstFolderHoldingTheNameInAnyCaseWins) {
  const auto saved = SavedDefaultsFolder();
  const auto exe = root_ / "bin";
  const auto data = root_ / "share";
  EXPECT_EQ(saved, std::filesystem::path(GetDeviceFolder(DeviceKind::kKeyboard)) / "defaults");
  EXPECT_TRUE(std::filesystem::is_directory(saved));
  EXPECT_EQ(DefaultProfileFolders({}, exe, data),
            (std::vector<std::filesystem::path>{exe, exe / "defaults", data / "defaults"}));
  const auto folders = DefaultProfileFolders(saved, exe, data);
  ASSERT_EQ(folders, (std::vector<std::filesystem::path>{saved, exe, exe / "defaults", data / "defaults"}));

  // None holds it: the first folder's path, which reads as missing.
  EXPECT_EQ(FindDefaultProfileFile(folders, "kbdengdefault.Led"), saved / "kbdengdefault.Led");
  WriteBytes(data / "defaults" / "kbdengdefault.led", "installed");
  EXPECT_EQ(FindDefaultProfileFile(folders, "kbdengdefault.Led"), data / "defaults" / "kbdengdefault.led");
  std::filesystem::create_directories(exe / "defaults" / "KBDENGDEFAULT.LED");  // not a file
  EXPECT_EQ(FindDefaultProfileFile(folders, "kbdengdefault.led"), data / "defaults" / "kbdengdefault.led");
  WriteBytes(exe / "KbdEngDefault.led", "beside");
  EXPECT_EQ(FindDefaultProfileFile(folders, "kbdengdefault.Led"), exe / "KbdEngDefault.led");
  // The key file saved from the keyboard wins over the shipped one.
  WriteBytes(data / "defaults" / "kbkeydefault.pro", "installed");
  WriteBytes(saved / "kbkeydefault.pro", "saved");
  EXPECT_EQ(FindDefaultProfileFile(folders, "kbkeydefault.PRO"), saved / "kbkeydefault.pro");
}

}  // namespace
}  // namespace tavrinex::profiles
