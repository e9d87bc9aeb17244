#include "profiles/profile_selection.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <thread>
#include <memory>
#include <string>
#include <vector>

#include "device/device_channel.h"
#include "device/device_sync.h"
#include "profile_state_fixture.h"
#include "profiles/profile_catalogue.h"
#include "profiles/profile_history.h"
#include "storage/settings_folder.h"
#include "sim/factory_defaults.h"
#include "sim/sim_bus.h"
#include "sim/simulated_device.h"

namespace tavrinex::profiles {
namespace {

using device::DeviceKind;

class ProfileSelectionTest : public testing::ProfileStateTest {
 protected:
  // A list with the given names and "select".
  static void MakeList(DeviceKind kind, ProfileListKind list, const std::vector<std::string>& names,
                       int select) {
    const ProfileCatalogue catalogue(kind);
    ASSERT_TRUE(catalogue.SetCount(list, static_cast<int>(names.size())));
    for (std::size_t i = 0; i < names.size(); ++i) {
      ASSERT_TRUE(catalogue.SetName(list, static_cast<int>(i), names[i]));
    }
    ASSERT_TRUE(catalogue.SetSelect(list, select));
  }
  static std::filesystem::path Folder(DeviceKind kind) { return GetDeviceFolder(kind); }
  static std::string Body(const std::filesystem::path& file) {
    return ReadBytes(file).substr(kProfileHeaderSize);
  }
  static std::string Text(std::span<const std::uint8_t> bytes) { return {bytes.begin(), bytes.end()}; }
};

TEST_F(ProfileSelectionTest, SaveWritesTheSelectedEntryAndLoadBringsItBack) {
  SetHandMadeState();
  MakeList(DeviceKind::kKeyboard, ProfileListKind::kLight, {"Work", "Game"}, 1);
  ASSERT_TRUE(SaveSelectedLightProfile(state, DeviceKind::kKeyboard));
  EXPECT_EQ(Entries(Folder(DeviceKind::kKeyboard)),
            (std::vector<std::string>{"Game.led", "kbProfile.ini"}));
  const std::string saved = Body(Folder(DeviceKind::kKeyboard) / "Game.led");
  EXPECT_EQ(saved, Text(AssembleLightBody(state, DeviceKind::kKeyboard)));

  image.Update(DeviceKind::kKeyboard, [](device::DeviceBlocks& b) { b.current.fill(0); b.settings[0].fill(0); });
  lighting.UpdateCustom([](lighting::CustomColours& c) { c = {}; });
  EXPECT_EQ(LoadLightProfile(state, DeviceKind::kKeyboard, 1), ProfileReadResult::kRead);
  EXPECT_EQ(image.Current(DeviceKind::kKeyboard)[0], 2);
  EXPECT_EQ(Text(AssembleLightBody(state, DeviceKind::kKeyboard)), saved);
}

TEST_F(ProfileSelectionTest, FailedLoadsWriteTheirDiagnosticAndChangeNothing) {
  SetHandMadeState();
  MakeList(DeviceKind::kMouse, ProfileListKind::kLight, {"Missing", "Broken"}, 0);
  WriteBytes(Folder(DeviceKind::kMouse) / "Broken.led", "\x55\xAA" + std::string(78, '\x01'));
  const auto before = image.Snapshot(DeviceKind::kMouse);

  ::testing::internal::CaptureStderr();
  EXPECT_EQ(LoadLightProfile(state, DeviceKind::kMouse, 0), ProfileReadResult::kMissing);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "配置文件丢失\n");
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(LoadLightProfile(state, DeviceKind::kMouse, 1), ProfileReadResult::kNotProfile);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "配置文件格式错误\n");

  const auto after = image.Snapshot(DeviceKind::kMouse);
  EXPECT_EQ(after.current, before.current);
  EXPECT_EQ(after.settings, before.settings);
  EXPECT_EQ(pointer.Speed(), 12);
}

TEST_F(ProfileSelectionTest, KeyProfileSavedAsProIsLoadedThroughPRO) {
  SetHandMadeState();
  MakeList(DeviceKind::kMouse, ProfileListKind::kKey, {"Keys"}, 0);
  ASSERT_TRUE(SaveSelectedKeyProfile(state, DeviceKind::kMouse));
  EXPECT_TRUE(std::filesystem::exists(Folder(DeviceKind::kMouse) / "Keys.pro"));
  const device::KeyPage saved = AssembleKeyBody(image, DeviceKind::kMouse);

  image.Update(DeviceKind::kMouse, [](device::DeviceBlocks& b) { b.keyPages[0].fill(0); });
  EXPECT_EQ(LoadKeyProfile(state, DeviceKind::kMouse, 0), ProfileReadResult::kRead);
  EXPECT_EQ(AssembleKeyBody(image, DeviceKind::kMouse), saved);
  // The mouse pad keeps no key profiles.
  EXPECT_EQ(LoadKeyProfile(state, DeviceKind::kMousePad, 0), ProfileReadResult::kMissing);
  EXPECT_FALSE(SaveSelectedKeyProfile(state, DeviceKind::kMousePad));
}

TEST_F(ProfileSelectionTest, MouseProfileSavedOnProfileTwoRestoresProfileIndexTwo) {
  SetHandMadeState();  // profile 2 active
  MakeList(DeviceKind::kMouse, ProfileListKind::kLight, {"P"}, 0);
  ASSERT_TRUE(SaveSelectedLightProfile(state, DeviceKind::kMouse));
  image.Update(DeviceKind::kMouse, [](device::DeviceBlocks& b) { b.current[0] = 0; });
  ASSERT_EQ(LoadLightProfile(state, DeviceKind::kMouse, 0), ProfileReadResult::kRead);
  EXPECT_EQ(image.Current(DeviceKind::kMouse)[0], 2);
}

TEST_F(ProfileSelectionTest, CatalogueNamesThatLeaveTheFolderAreNeitherWrittenNorRead) {
  SetHandMadeState();
  MakeList(DeviceKind::kMousePad, ProfileListKind::kLight, {"../../escape", "a/b"}, 0);
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(SaveSelectedLightProfile(state, DeviceKind::kMousePad));
  ASSERT_TRUE(ProfileCatalogue(DeviceKind::kMousePad).SetSelect(ProfileListKind::kLight, 1));
  EXPECT_FALSE(SaveSelectedLightProfile(state, DeviceKind::kMousePad));
  WriteBytes(documents_ / "escape.led", ReadBytes(std::filesystem::path(TAVRINEX_PROFILE_GOLDEN_DIR) / "mp_light.led"));
  EXPECT_EQ(LoadLightProfile(state, DeviceKind::kMousePad, 0), ProfileReadResult::kMissing);
  const std::string diagnostics = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(diagnostics.find("配置文件丢失"), std::string::npos);
  EXPECT_EQ(Entries(documents_), (std::vector<std::string>{"Zepha QX19", "escape.led"}));
  EXPECT_EQ(Entries(Folder(DeviceKind::kMousePad)), std::vector<std::string>{"mpProfile.ini"});
}

// A connect's save on a detection thread while the UI thread loads the same profile: every load
// finds a complete file (the old one or the new one, never a cut one).
TEST_F(ProfileSelectionTest, LoadsDuringSavesAlwaysFindACompleteFile) {
  SetHandMadeState();
  MakeList(DeviceKind::kKeyboard, ProfileListKind::kLight, {"Shared"}, 0);
  ASSERT_TRUE(SaveSelectedLightProfile(state, DeviceKind::kKeyboard));
  device::DeviceImage otherImage;
  lighting::LightingStore otherLighting;
  PointerSettings otherPointer;
  ProfileState loader{otherImage, otherLighting, otherPointer};

  std::atomic<bool> saving{true};
  std::thread saver([&] {
    for (int i = 0; i < 40; ++i) {
      image.Update(DeviceKind::kKeyboard, [i](device::DeviceBlocks& b) { b.current[1] = static_cast<std::uint8_t>(i); });
      (void)SaveSelectedLightProfile(state, DeviceKind::kKeyboard);
    }
    saving = false;
  });
  int loads = 0;
  while (saving.load() || loads == 0) {
    ASSERT_EQ(LoadLightProfile(loader, DeviceKind::kKeyboard, 0), ProfileReadResult::kRead);
    EXPECT_EQ(otherLighting.Custom().sets.back(), 1889 % 251);  // the file's last byte was there
    ++loads;
  }
  saver.join();
  EXPECT_EQ(Entries(Folder(DeviceKind::kKeyboard)),
            (std::vector<std::string>{"Shared.led", "kbProfile.ini"}));
}

// A connect reads the device and rewrites the selected light and key profiles from it.
class ProfileSyncTest : public testing::ProfileStateTest {
 protected:
  void SetUp() override {
    ProfileStateTest::SetUp();
    devices.PlugAll();
    ConnectProfileSaves(hooks, state);
  }
  void Connect(DeviceKind kind) {
    device::DeviceChannel& c = *channels[device::IndexOf(kind)];
    c.hid.path = devices.Of(kind).ConfigPath();
    c.hid.openForReading = c.hid.openForWriting = c.hid.overlapped = true;
    ASSERT_TRUE(c.hid.OpenDevice());
    c.connected = true;
  }
  device::SyncResult Sync(DeviceKind kind) {
    return device::DeviceSync(kind, *channels[device::IndexOf(kind)], image, hooks);
  }

  device::SyncHooks hooks;
  sim::SimBus bus;
  sim::SimulatedDevices devices{bus};
  std::array<std::unique_ptr<device::DeviceChannel>, device::kDeviceKindCount> channels = {
      std::make_unique<device::DeviceChannel>(bus), std::make_unique<device::DeviceChannel>(bus),
      std::make_unique<device::DeviceChannel>(bus)};
};

TEST_F(ProfileSyncTest, SynchronisationRewritesTheSelectedLightAndKeyProfiles) {
  const ProfileCatalogue mouse(DeviceKind::kMouse);
  ASSERT_TRUE(mouse.SetName(ProfileListKind::kLight, 1, "Light B"));
  ASSERT_TRUE(mouse.SetSelect(ProfileListKind::kLight, 1));
  ASSERT_TRUE(mouse.SetName(ProfileListKind::kKey, 0, "Keys A"));
  const auto folder = std::filesystem::path(GetDeviceFolder(DeviceKind::kMouse));
  WriteBytes(folder / "Light B.led", std::string(80, 'x'));  // stale: replaced by the connect
  pointer.SetSpeed(14);  // loaded before the connect: survives in the file

  devices.Of(DeviceKind::kMouse).UserSwitchProfile(2);
  Connect(DeviceKind::kMouse);
  ASSERT_EQ(Sync(DeviceKind::kMouse).failedCommands, 0);

  const std::string light = ReadBytes(folder / "Light B.led");
  ASSERT_EQ(light.size(), kProfileHeaderSize + kSlotLightBodySize);
  EXPECT_EQ(light.substr(0, 6), std::string("\xAA\x55\x00\x00\x02\x00", 6));
  const auto record = sim::factory::Record(DeviceKind::kMouse, 2);
  EXPECT_EQ(light.substr(kProfileHeaderSize, 21), std::string(record.begin(), record.begin() + 21));
  EXPECT_EQ(static_cast<std::uint8_t>(light[kProfileHeaderSize + 21]), 14);
  EXPECT_EQ(static_cast<std::uint8_t>(light[kProfileHeaderSize + 22]), PointerSettings::kInitialWheelLines);

  const std::string keys = ReadBytes(folder / "Keys A.pro");
  const auto factoryKeys = sim::factory::DefaultKeys(DeviceKind::kMouse);
  EXPECT_EQ(keys.substr(kProfileHeaderSize), std::string(factoryKeys.begin(), factoryKeys.end()));

  // The keyboard's too; and the pad's light profile, selected by a catalogue that is missing
  // (name "0", select "0").
  Connect(DeviceKind::kKeyboard);
  Connect(DeviceKind::kMousePad);
  ASSERT_EQ(Sync(DeviceKind::kKeyboard).failedCommands, 0);
  ASSERT_EQ(Sync(DeviceKind::kMousePad).failedCommands, 0);
  EXPECT_EQ(ReadBytes(std::filesystem::path(GetDeviceFolder(DeviceKind::kKeyboard)) / "0.led").size(),
            kProfileHeaderSize + kKbLightBodySize);
  EXPECT_EQ(ReadBytes(std::filesystem::path(GetDeviceFolder(DeviceKind::kKeyboard)) / "0.pro").size(),
            kProfileHeaderSize + kKeyProfileBodySize);
  const std::string pad = ReadBytes(std::filesystem::path(GetDeviceFolder(DeviceKind::kMousePad)) / "0.led");
  const auto padRecord = sim::factory::Record(DeviceKind::kMousePad, 0);
  EXPECT_EQ(pad.substr(kProfileHeaderSize, 21), std::string(padRecord.begin(), padRecord.begin() + 21));
}

TEST_F(ProfileSyncTest, TheProfileAConnectReplacesIsKeptOnceAndCanBeBroughtBack) {
  const ProfileCatalogue keyboard(DeviceKind::kKeyboard);
  ASSERT_TRUE(keyboard.SetName(ProfileListKind::kLight, 0, "Mine"));
  ASSERT_TRUE(keyboard.SetName(ProfileListKind::kKey, 0, "Mine"));
  const auto folder = std::filesystem::path(GetDeviceFolder(DeviceKind::kKeyboard));
  const std::string mine = std::string("\xAA\x55", 2) + std::string(kProfileHeaderSize - 2 + kKbLightBodySize, '\x07');
  WriteBytes(folder / "Mine.led", mine);  // shaped on another computer

  Connect(DeviceKind::kKeyboard);
  ASSERT_EQ(Sync(DeviceKind::kKeyboard).failedCommands, 0);
  ASSERT_EQ(Sync(DeviceKind::kKeyboard).failedCommands, 0);  // the same state again

  const ProfileHistory history(folder);
  const auto light = history.Versions("Mine.led");
  ASSERT_EQ(light.size(), 1U) << "one version: the second connect wrote what the file held";
  EXPECT_EQ(ReadBytes(light[0].file), mine);
  EXPECT_TRUE(history.Versions("Mine.pro").empty()) << "a new file replaces nothing";
  EXPECT_NE(ReadBytes(folder / "Mine.led"), mine);

  ASSERT_EQ(history.Restore("Mine.led", "1"), RestoreOutcome::kRestored);
  EXPECT_EQ(ReadBytes(folder / "Mine.led"), mine);
}

}  // namespace
}  // namespace tavrinex::profiles
