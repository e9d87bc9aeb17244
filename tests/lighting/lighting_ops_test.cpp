#include "lighting/lighting_ops.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "sim_fixture.h"

namespace tavrinex::lighting {
namespace {

using device::Command;
using device::DeviceBlocks;
using device::Seen;

// The hooks in the order they were called, e.g. "refresh:ms", "save:kb", "hide:ms_tab_function".
struct HookLog {
  std::vector<std::string> calls;
  LightingHooks Hooks() {
    LightingHooks h;
    h.refreshLightingDisplay = [this](DeviceKind k) { calls.push_back("refresh:" + std::string(device::KindPrefix(k))); };
    h.saveSelectedLightProfile = [this](DeviceKind k) { calls.push_back("save:" + std::string(device::KindPrefix(k))); };
    h.hideControl = [this](std::string_view c) { calls.push_back("hide:" + std::string(c)); };
    h.resynchronise = [this](DeviceKind k) { calls.push_back("resync:" + std::string(device::KindPrefix(k))); };
    h.startReactiveRipple = [this](std::size_t p) { calls.push_back("ripple:" + std::to_string(p)); };
    h.sleep = [this](std::chrono::milliseconds ms) { calls.push_back("sleep:" + std::to_string(ms.count())); };
    return h;
  }
};

class LightingOpsTest : public device::SimFixture {
 protected:
  Channels AllChannels() {
    return {&Channel(DeviceKind::kKeyboard), &Channel(DeviceKind::kMouse), &Channel(DeviceKind::kMousePad)};
  }
  void SetRecord(DeviceKind kind, const CurrentRecord& r) {
    image.Update(kind, [&](DeviceBlocks& b) { b.current = r; });
  }

  device::DeviceImage image;
  LightingStore store;
  HookLog log;
};

TEST_F(LightingOpsTest, ThreeEditsInASecondGiveOneWriteOf56BytesWithTheLastRecord) {
  Connect(DeviceKind::kMouse);
  for (const int brightness : {3, 7, 11}) {
    image.Update(DeviceKind::kMouse, [&](DeviceBlocks& b) {
      b.current[rec::kBrightness] = static_cast<std::uint8_t>(brightness);
      b.current[rec::kDpi1] = 0x44;
    });
    store.MarkDirty(DeviceKind::kMouse);
  }
  EXPECT_EQ(FlushSettings(store, image, AllChannels()), 1);
  const auto requests = Device(DeviceKind::kMouse).Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].CommandCode(), Command::kWriteSettings);
  ASSERT_EQ(requests[0].Length(), 56);
  const auto data = requests[0].Data();
  EXPECT_EQ(data[rec::kBrightness], 11);
  EXPECT_EQ(data[rec::kDpi1], 0x44);
  EXPECT_TRUE(std::all_of(data.begin() + 21, data.begin() + 56, [](std::uint8_t b) { return b == 0; }));
  EXPECT_FALSE(store.IsDirty(DeviceKind::kMouse));

  EXPECT_EQ(FlushSettings(store, image, AllChannels()), 0);
  EXPECT_EQ(Device(DeviceKind::kMouse).RequestCount(), 1u);
}

// A record the device refuses (busy, error) is not lost: it stays dirty and the next
// flush sends it again, until the device takes it.
TEST_F(LightingOpsTest, ARefusedWriteStaysDirtyAndGoesOutAgainAtTheNextFlush) {
  Connect(DeviceKind::kMouse);
  for (const auto fault : {sim::Fault::Action::kStatusBusy, sim::Fault::Action::kStatusError}) {
    Device(DeviceKind::kMouse).InjectFault({fault, 0, 1});
    store.MarkDirty(DeviceKind::kMouse);
    EXPECT_EQ(FlushSettings(store, image, AllChannels()), 1);
    EXPECT_TRUE(store.IsDirty(DeviceKind::kMouse));
    EXPECT_EQ(FlushSettings(store, image, AllChannels()), 1);
    EXPECT_FALSE(store.IsDirty(DeviceKind::kMouse));
  }
  EXPECT_EQ(Device(DeviceKind::kMouse).RequestCount(), 4u);
}

TEST_F(LightingOpsTest, FlushClearsTheFlagOfADeviceThatIsNotConnectedAndItsSharedLighting) {
  Channel(DeviceKind::kMousePad).sharedLightingActive = true;
  store.MarkDirty(DeviceKind::kMousePad);
  EXPECT_EQ(FlushSettings(store, image, AllChannels()), 1);  // sent, but no I/O
  EXPECT_FALSE(store.IsDirty(DeviceKind::kMousePad));
  EXPECT_FALSE(Channel(DeviceKind::kMousePad).sharedLightingActive);
  EXPECT_EQ(Device(DeviceKind::kMousePad).RequestCount(), 0u);
}

TEST_F(LightingOpsTest, SelectingTheActiveProfileSendsOnlyTheOneByteRead) {
  Connect(DeviceKind::kMouse);
  Device(DeviceKind::kMouse).SetActiveProfile(2);
  EXPECT_EQ(SelectOnboardProfile(DeviceKind::kMouse, 2, Channel(DeviceKind::kMouse), image, log.Hooks()),
            ProfileSwitch::kAlreadyActive);
  EXPECT_EQ(device::SeenBy(Device(DeviceKind::kMouse)), (std::vector<Seen>{{Command::kReadSettings, 1, 0}}));
  EXPECT_TRUE(log.calls.empty());
}

TEST_F(LightingOpsTest, SwitchingKeepsTheOldRecordInItsSlotAndLoadsTheNewOne) {
  Connect(DeviceKind::kMouse);
  const sim::FirmwareState firmware = Device(DeviceKind::kMouse).Snapshot();
  const auto deviceSlot3 = firmware.Slot(3);
  CurrentRecord r{};
  r[rec::kMode] = 4;
  r[rec::kRed] = 99;
  SetRecord(DeviceKind::kMouse, r);

  EXPECT_EQ(SelectOnboardProfile(DeviceKind::kMouse, 3, Channel(DeviceKind::kMouse), image, log.Hooks()),
            ProfileSwitch::kSwitched);
  EXPECT_EQ(device::SeenBy(Device(DeviceKind::kMouse)),
            (std::vector<Seen>{{Command::kReadSettings, 1, 0}, {Command::kWriteSettings, 1, 0},
                               {Command::kReadSettings, 56, 192}}));
  const DeviceBlocks b = image.Snapshot(DeviceKind::kMouse);
  EXPECT_EQ(b.settings[0][rec::kRed], 99);  // the old record, profile 0
  EXPECT_TRUE(std::equal(b.settings[3].begin() + 1, b.settings[3].begin() + 56, deviceSlot3.begin() + 1));
  EXPECT_EQ(b.current[0], 3);
  EXPECT_TRUE(std::equal(b.current.begin() + 1, b.current.end(), deviceSlot3.begin() + 1));
  EXPECT_EQ(log.calls, (std::vector<std::string>{"hide:ms_tab_function", "refresh:ms"}));
  EXPECT_FALSE(store.IsDirty(DeviceKind::kMouse));
}

TEST_F(LightingOpsTest, ASwitchWhoseSlotReadFailsLeavesTheHostAsItWas) {
  Connect(DeviceKind::kMousePad);
  CurrentRecord r{};
  r[rec::kMode] = 7;
  SetRecord(DeviceKind::kMousePad, r);
  const DeviceBlocks before = image.Snapshot(DeviceKind::kMousePad);
  Device(DeviceKind::kMousePad).InjectFault({sim::Fault::Action::kStatusError, 2, sim::Fault::kEvery});

  EXPECT_EQ(SelectOnboardProfile(DeviceKind::kMousePad, 1, Channel(DeviceKind::kMousePad), image, log.Hooks()),
            ProfileSwitch::kAbandoned);
  const DeviceBlocks after = image.Snapshot(DeviceKind::kMousePad);
  EXPECT_EQ(after.current, before.current);
  EXPECT_EQ(after.settings, before.settings);
  EXPECT_TRUE(log.calls.empty());
}

TEST_F(LightingOpsTest, ADeviceReportingAnActiveIndexAboveFourStillSwitchesWithoutKeepingTheOldRecord) {
  Connect(DeviceKind::kMouse);
  Device(DeviceKind::kMouse).WithFirmware([](sim::Firmware& f) { f.State().settings[0] = 7; });
  CurrentRecord r{};
  r[rec::kRed] = 99;
  SetRecord(DeviceKind::kMouse, r);
  const DeviceBlocks before = image.Snapshot(DeviceKind::kMouse);

  EXPECT_EQ(SelectOnboardProfile(DeviceKind::kMouse, 2, Channel(DeviceKind::kMouse), image, log.Hooks()),
            ProfileSwitch::kSwitched);
  const DeviceBlocks after = image.Snapshot(DeviceKind::kMouse);
  for (const std::size_t slot : {0u, 1u, 3u, 4u}) EXPECT_EQ(after.settings[slot], before.settings[slot]);
  EXPECT_EQ(after.current[0], 2);
}

TEST_F(LightingOpsTest, KeyboardAndIndicesAboveFourAreIgnored) {
  Connect(DeviceKind::kMouse);
  Connect(DeviceKind::kKeyboard);
  EXPECT_EQ(SelectOnboardProfile(DeviceKind::kMouse, 5, Channel(DeviceKind::kMouse), image, log.Hooks()),
            ProfileSwitch::kIgnored);
  EXPECT_EQ(SelectOnboardProfile(DeviceKind::kKeyboard, 1, Channel(DeviceKind::kKeyboard), image, log.Hooks()),
            ProfileSwitch::kIgnored);
  EXPECT_EQ(Device(DeviceKind::kMouse).RequestCount() + Device(DeviceKind::kKeyboard).RequestCount(), 0u);
}

TEST_F(LightingOpsTest, SharedLightingFromABreathingMultiColourKeyboardKeepsTheMouseDpiBytes) {
  CurrentRecord kb{};
  kb[rec::kMode] = 2;
  kb[rec::kBrightness] = 9;
  kb[rec::kSpeed] = 4;
  kb[rec::kDirection] = 1;
  kb[rec::kMultiColour] = 1;
  kb[rec::kRed] = 10;
  kb[rec::kGreen] = 20;
  kb[rec::kBlue] = 30;
  SetRecord(DeviceKind::kKeyboard, kb);
  CurrentRecord ms{};
  for (std::size_t i = 0; i < ms.size(); ++i) ms[i] = static_cast<std::uint8_t>(100 + i);
  SetRecord(DeviceKind::kMouse, ms);

  ApplySharedLighting(DeviceKind::kKeyboard, store, image, AllChannels(), log.Hooks());

  const CurrentRecord mouse = image.Current(DeviceKind::kMouse);
  const CurrentRecord pad = image.Current(DeviceKind::kMousePad);
  EXPECT_TRUE(std::equal(kb.begin() + 1, kb.begin() + 9, mouse.begin() + 1));
  EXPECT_TRUE(std::equal(kb.begin() + 1, kb.begin() + 9, pad.begin() + 1));
  EXPECT_EQ(mouse[0], ms[0]);
  EXPECT_TRUE(std::equal(ms.begin() + 9, ms.end(), mouse.begin() + 9));  // DPI fields included
  EXPECT_EQ(store.Shared().bytes, (std::array<std::uint8_t, 8>{2, 9, 4, 1, 1, 10, 20, 30}));
  EXPECT_EQ(log.calls, (std::vector<std::string>{"refresh:ms", "refresh:mp", "save:ms", "save:mp"}));
  for (const DeviceKind k : device::kAllDeviceKinds) {
    EXPECT_TRUE(Channel(k).sharedLightingActive);
    EXPECT_FALSE(store.IsDirty(k));
  }
}

TEST_F(LightingOpsTest, SharedLightingVisitsTheOtherDevicesInTheirOrder) {
  struct Case {
    DeviceKind source;
    std::vector<std::string> calls;
  };
  const std::vector<Case> cases = {
      {DeviceKind::kMouse, {"refresh:mp", "refresh:kb", "save:kb", "save:mp"}},
      {DeviceKind::kMousePad, {"refresh:ms", "refresh:kb", "save:kb", "save:ms"}},
  };
  for (const auto& c : cases) {
    log.calls.clear();
    ApplySharedLighting(c.source, store, image, AllChannels(), log.Hooks());
    EXPECT_EQ(log.calls, c.calls);
  }
}

class CustomColoursTest : public LightingOpsTest {
 protected:
  void SetUp() override {
    LightingOpsTest::SetUp();
    CurrentRecord kb{};
    kb[rec::kMode] = Code(LightingMode::kKbCustom);
    SetRecord(DeviceKind::kKeyboard, kb);
    ChooseCustomSet(2, store, {});
    SetPaintColour({200, 100, 50}, store, {});
  }
};

TEST_F(CustomColoursTest, FillUnsetKeysPaintsOnlyBlackTriples) {
  store.UpdateCustom([](CustomColours& c) { c.SetTriple(2, 5, {0, 0, 1}); });
  FillUnsetKeys(store, log.Hooks());
  const CustomColours c = store.Custom();
  EXPECT_EQ(c.Triple(2, 5), (ui::Rgb{0, 0, 1}));
  EXPECT_EQ(c.Triple(2, 6), (ui::Rgb{200, 100, 50}));
  EXPECT_EQ(c.Triple(1, 6), ui::Rgb{});  // other sets untouched
  EXPECT_EQ(log.calls, (std::vector<std::string>{"save:kb"}));
}

TEST_F(CustomColoursTest, PaintingSetsTheKeysLedAndAnUnmappedKeyChangesNothing) {
  const CustomColours before = store.Custom();
  PaintKey(62, store, image, log.Hooks());  // no LED
  EXPECT_EQ(store.Custom(), before);
  PaintKey(76, store, image, log.Hooks());  // LED 80
  EXPECT_EQ(store.Custom().Triple(2, 80), (ui::Rgb{200, 100, 50}));
  EXPECT_EQ(log.calls, (std::vector<std::string>{"save:kb"}));
}

TEST_F(CustomColoursTest, ClickOutsideCustomModeRipplesInReactiveModeAndOtherwiseDoesNothing) {
  const CustomColours before = store.Custom();
  CurrentRecord kb{};
  kb[rec::kMode] = Code(LightingMode::kKbReactive);
  SetRecord(DeviceKind::kKeyboard, kb);
  PaintKey(30, store, image, log.Hooks());
  kb[rec::kMode] = Code(LightingMode::kStatic);
  SetRecord(DeviceKind::kKeyboard, kb);
  PaintKey(30, store, image, log.Hooks());
  EXPECT_EQ(store.Custom(), before);
  EXPECT_EQ(log.calls, (std::vector<std::string>{"ripple:30"}));
}

TEST_F(CustomColoursTest, ClearSetBlacksOnlyTheChosenSet) {
  store.UpdateCustom([](CustomColours& c) { c.sets.fill(7); });
  ClearCustomSet(store, log.Hooks());
  const CustomColours c = store.Custom();
  EXPECT_EQ(c.Triple(2, 0), ui::Rgb{});
  EXPECT_EQ(c.Triple(2, 125), ui::Rgb{});
  EXPECT_EQ(c.Triple(3, 0), (ui::Rgb{7, 7, 7}));
}

TEST_F(CustomColoursTest, ASetNumberFromAFileOutsideTheFiveChangesNothing) {
  store.UpdateCustom([](CustomColours& c) { c.customSet = 9; });
  const CustomColours before = store.Custom();
  PaintKey(30, store, image, {});
  FillUnsetKeys(store, {});
  ClearCustomSet(store, {});
  ChooseCustomSet(5, store, {});
  EXPECT_EQ(store.Custom(), before);
}

TEST_F(LightingOpsTest, PadFactoryResetWaitsASecondThenResynchronises) {
  Connect(DeviceKind::kMousePad);
  LightingHooks hooks = log.Hooks();
  std::size_t requestsAtSleep = 0;
  hooks.sleep = [&](std::chrono::milliseconds ms) {
    requestsAtSleep = Device(DeviceKind::kMousePad).RequestCount();
    log.calls.push_back("sleep:" + std::to_string(ms.count()));
  };
  MousePadFactoryReset(Channel(DeviceKind::kMousePad), hooks);
  EXPECT_EQ(requestsAtSleep, 1u);
  EXPECT_EQ(Device(DeviceKind::kMousePad).Commands(), (std::vector<Command>{Command::kFactoryReset}));
  EXPECT_EQ(Device(DeviceKind::kMousePad).Snapshot().factoryResets, 1u);
  EXPECT_EQ(log.calls, (std::vector<std::string>{"sleep:1000", "resync:mp"}));
}

}  // namespace
}  // namespace tavrinex::lighting
