#include "profiles/profile_body.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "profile_state_fixture.h"
#include "profiles/profile_file.h"

namespace tavrinex::profiles {
namespace {

using device::DeviceKind;

class ProfileBodyTest : public testing::ProfileStateTest {
 protected:
  static std::string Golden(const char* name) {
    return ReadBytes(std::filesystem::path(TAVRINEX_PROFILE_GOLDEN_DIR) / name);
  }
};

TEST_F(ProfileBodyTest, SavedBodiesMatchTheGoldenFiles) {
  SetHandMadeState();
  struct Case {
    DeviceKind kind;
    ProfileListKind list;
    const char* golden;
  };
  const Case cases[] = {
      {DeviceKind::kKeyboard, ProfileListKind::kLight, "kb_light.led"},
      {DeviceKind::kMouse, ProfileListKind::kLight, "ms_light.led"},
      {DeviceKind::kMousePad, ProfileListKind::kLight, "mp_light.led"},
      {DeviceKind::kKeyboard, ProfileListKind::kKey, "kb_key.pro"},
      {DeviceKind::kMouse, ProfileListKind::kKey, "ms_key.pro"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.golden);
    const auto file = root_ / c.golden;
    if (c.list == ProfileListKind::kLight) {
      ASSERT_TRUE(WriteProfileFile(file, DeviceTagOf(c.kind), AssembleLightBody(state, c.kind)));
    } else {
      ASSERT_TRUE(WriteProfileFile(file, DeviceTagOf(c.kind), AssembleKeyBody(image, c.kind)));
    }
    const std::string golden = Golden(c.golden);
    ASSERT_FALSE(golden.empty());
    EXPECT_EQ(ReadBytes(file), golden);
  }
}

TEST_F(ProfileBodyTest, SavingFoldsTheRecordAndPointerIntoSlotZero) {
  SetHandMadeState();
  (void)AssembleLightBody(state, DeviceKind::kMouse);
  const auto slot = image.Read(DeviceKind::kMouse, [](const device::DeviceBlocks& b) { return b.settings[0]; });
  EXPECT_EQ(slot[0], 2);
  EXPECT_EQ(slot[20], 0x10 + 20);
  EXPECT_EQ(slot[21], 12);
  EXPECT_EQ(slot[22], 5);
  EXPECT_EQ(slot[23], 0xA0 + 23);
}

// Each golden body placed into a zeroed state and assembled again gives the same bytes; the
// profile index saved with it comes back into the current record.
TEST_F(ProfileBodyTest, PlacedBodiesRestoreTheStateTheyWereSavedFrom) {
  for (const auto kind : device::kAllDeviceKinds) {
    SCOPED_TRACE(static_cast<int>(kind));
    const std::string file = Golden(kind == DeviceKind::kKeyboard ? "kb_light.led"
                                    : kind == DeviceKind::kMouse  ? "ms_light.led"
                                                                  : "mp_light.led");
    const std::vector<std::uint8_t> body(file.begin() + kProfileHeaderSize, file.end());
    PlaceLightBody(state, kind, body);
    EXPECT_EQ(image.Current(kind)[0], 2);
    EXPECT_EQ(AssembleLightBody(state, kind), body);
  }
  EXPECT_EQ(pointer.Speed(), 12);
  EXPECT_EQ(pointer.WheelLines(), 5);
  EXPECT_EQ(lighting.Custom().customColour, (ui::Rgb{0x11, 0x22, 0x33}));

  const std::string key = Golden("ms_key.pro");
  std::array<std::uint8_t, kKeyProfileBodySize> page{};
  std::copy(key.begin() + kProfileHeaderSize, key.end(), page.begin());
  PlaceKeyBody(image, DeviceKind::kMouse, page);
  EXPECT_EQ(AssembleKeyBody(image, DeviceKind::kMouse), page);
  // Other pages are not touched.
  EXPECT_EQ(image.Snapshot(DeviceKind::kMouse).keyPages[1], device::KeyPage{});
}

TEST_F(ProfileBodyTest, MousePointerBytesZeroLoadAsOne) {
  std::vector<std::uint8_t> body(kSlotLightBodySize, 0);
  body[0] = 2;
  PlaceLightBody(state, DeviceKind::kMouse, body);
  EXPECT_EQ(pointer.Speed(), 1);
  EXPECT_EQ(pointer.WheelLines(), 1);
  EXPECT_EQ(image.Current(DeviceKind::kMouse)[0], 2);
  // The pad's byte 21 is part of its slot image and means nothing more.
  pointer.SetSpeed(7);
  PlaceLightBody(state, DeviceKind::kMousePad, body);
  EXPECT_EQ(pointer.Speed(), 7);
}

}  // namespace
}  // namespace tavrinex::profiles
