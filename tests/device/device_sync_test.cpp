#include "device/device_sync.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "keys/key_layout_data.h"
#include "sim/factory_defaults.h"
#include "sim_fixture.h"

namespace tavrinex::device {
namespace {

namespace factory = sim::factory;

// Records each hook call with the number of requests the device had seen at that moment.
struct HookLog {
  std::vector<std::string> calls;
  std::vector<std::size_t> requestsAtCall;
  std::vector<std::uint8_t> writtenBody;
  std::filesystem::path writtenPath;
  std::uint16_t writtenTag = 0;
  bool filesWritable = true;  // what the save hooks answer

  SyncHooks Hooks(const sim::SimulatedDevice& device) {
    const auto note = [this, &device](std::string what) {
      calls.push_back(std::move(what));
      requestsAtCall.push_back(device.RequestCount());
    };
    SyncHooks h;
    h.saveSelectedLightProfile = [this, note](DeviceKind k) {
      note("light:" + std::string(KindPrefix(k)));
      return filesWritable;
    };
    h.saveSelectedKeyProfile = [this, note](DeviceKind k) {
      note("key:" + std::string(KindPrefix(k)));
      return filesWritable;
    };
    h.rebuildKeyPositionMap = [note] { note("rebuild"); };
    h.showMessage = [note](std::string_view id) { note(std::string(id)); };
    h.writeProfileFile = [this, note](const std::filesystem::path& p, std::uint16_t tag,
                                      std::span<const std::uint8_t> body) {
      note("write");
      writtenPath = p;
      writtenTag = tag;
      writtenBody.assign(body.begin(), body.end());
      return filesWritable;
    };
    return h;
  }
};

std::vector<std::uint8_t> Bytes(std::span<const std::uint8_t> s, std::size_t n) {
  return {s.begin(), s.begin() + static_cast<std::ptrdiff_t>(n)};
}

class DeviceSyncTest : public SimFixture {
 protected:
  DeviceImage image;
  HookLog log;
};

TEST_F(DeviceSyncTest, KeyboardWith126LedsReadsItsBlocksIn378Bytes) {
  Connect(DeviceKind::kKeyboard);
  auto& kb = Device(DeviceKind::kKeyboard);
  const SyncResult r = DeviceSync(DeviceKind::kKeyboard, Channel(DeviceKind::kKeyboard), image,
                                  log.Hooks(kb));
  EXPECT_EQ(r.outcome, SyncOutcome::kCompleted);
  EXPECT_EQ(r.failedCommands, 0);
  EXPECT_EQ(Channel(DeviceKind::kKeyboard).blockLength, 378);

  std::vector<Seen> expected = {{Command::kBegin, 0, 0}, {Command::kReadInfo, 0x21, 0}};
  AppendChunks(expected, Command::kReadDefaultKeys, 378, 0);
  expected.push_back({Command::kReadSettings, 56, 0});
  AppendChunks(expected, Command::kReadKeyPage, 378, 0);
  expected.push_back({Command::kReadSettings, 1, 0});
  expected.push_back({Command::kEnd, 0, 0});
  EXPECT_EQ(SeenBy(kb), expected);
  EXPECT_EQ(expected.size(), 2u + 7u + 1u + 7u + 2u);

  const DeviceBlocks b = image.Snapshot(DeviceKind::kKeyboard);
  const auto fw = kb.Snapshot();
  EXPECT_EQ(b.info, fw.info);
  EXPECT_EQ(Bytes(b.defaultKeys, 378), Bytes(fw.defaultKeys, 378));
  EXPECT_EQ(Bytes(b.keyPages[0], 378), Bytes(fw.keyPages[0], 378));
  // Beyond the keyboard's block the slots keep what they held: the built-in contents.
  const auto builtIn = keys::BuiltInKeyboardDefaultKeyBlock();
  EXPECT_TRUE(std::equal(b.defaultKeys.begin() + 378, b.defaultKeys.end(), builtIn.begin() + 378));
  EXPECT_EQ(Bytes(b.settings[0], 56), Bytes(fw.Slot(0), 56));
  EXPECT_EQ(Bytes(b.current, 21), Bytes(fw.Slot(0), 21));

  // The hooks run after CMD_END, in this order.
  EXPECT_EQ(log.calls, (std::vector<std::string>{"rebuild", "light:kb", "key:kb"}));
  for (const auto n : log.requestsAtCall) EXPECT_EQ(n, expected.size());
}

// The factory key block read from the keyboard lets every key position of the reference
// layout find its slot, by the rule the key position map is built with.
TEST_F(DeviceSyncTest, EveryReferenceKeyFindsItsSlotInTheKeyboardsDefaultBlock) {
  Connect(DeviceKind::kKeyboard);
  DeviceSync(DeviceKind::kKeyboard, Channel(DeviceKind::kKeyboard), image, {});
  const auto block = image.Read(DeviceKind::kKeyboard, [](const DeviceBlocks& b) { return b.defaultKeys; });
  const std::size_t keyCount = image.Info(DeviceKind::kKeyboard)[kInfoLedCount];
  std::size_t found = 0;
  for (std::size_t k = 0; k < keys::kKeyPositionCount; ++k) {
    const auto& want = keys::kReferenceLayout[k];
    std::size_t slot = keys::kNoSlot;
    for (std::size_t s = 0; s < keyCount && slot == keys::kNoSlot; ++s) {
      if (block[3 * s] == want.kind && block[3 * s + 1] == want.param1 && block[3 * s + 2] == want.param2) slot = s;
    }
    const bool isKey = !(want == keys::layout_detail::kDot);
    EXPECT_EQ(slot != keys::kNoSlot, isKey) << "position " << k;
    if (isKey) {
      EXPECT_EQ(slot, factory::kKeyboardSlotOfPosition[k]) << "position " << k;
    }
    found += slot != keys::kNoSlot;
  }
  EXPECT_EQ(found, keys::kReferenceKeyCount);
}

TEST_F(DeviceSyncTest, KeyboardWith171LedsStopsAfterTheInfoBlockWithMessage11) {
  auto& kb = Device(DeviceKind::kKeyboard);
  kb.SetLedCount(171);
  Connect(DeviceKind::kKeyboard);
  const SyncResult r = DeviceSync(DeviceKind::kKeyboard, Channel(DeviceKind::kKeyboard), image,
                                  log.Hooks(kb));
  EXPECT_EQ(r.outcome, SyncOutcome::kLedCountTooLarge);
  EXPECT_EQ(SeenBy(kb), (std::vector<Seen>{{Command::kBegin, 0, 0}, {Command::kReadInfo, 0x21, 0}}));
  EXPECT_EQ(log.calls, std::vector<std::string>{"message_text_11"});
  EXPECT_EQ(Channel(DeviceKind::kKeyboard).blockLength, 512);
  const DeviceBlocks b = image.Snapshot(DeviceKind::kKeyboard);
  EXPECT_EQ(b.info[kInfoLedCount], 171);
  EXPECT_EQ(b.defaultKeys, keys::BuiltInKeyboardDefaultKeyBlock());
}

TEST_F(DeviceSyncTest, KeyboardWith170LedsStillFits) {
  Device(DeviceKind::kKeyboard).SetLedCount(170);
  Connect(DeviceKind::kKeyboard);
  const SyncResult r = DeviceSync(DeviceKind::kKeyboard, Channel(DeviceKind::kKeyboard), image, {});
  EXPECT_EQ(r.outcome, SyncOutcome::kCompleted);
  EXPECT_EQ(r.failedCommands, 0);
  EXPECT_EQ(Channel(DeviceKind::kKeyboard).blockLength, 510);
}

// A detection thread holds its channel's lock over the whole synchronisation; the commands
// take the (re-entrant) lock again.
TEST_F(DeviceSyncTest, RunsUnderTheCallersChannelLock) {
  Connect(DeviceKind::kMousePad);
  DeviceChannel& c = Channel(DeviceKind::kMousePad);
  std::lock_guard held(c.lock);
  EXPECT_EQ(DeviceSync(DeviceKind::kMousePad, c, image, {}).failedCommands, 0);
}

TEST_F(DeviceSyncTest, MouseWhoseActiveProfileIs3) {
  auto& ms = Device(DeviceKind::kMouse);
  ms.SetActiveProfile(3);
  Connect(DeviceKind::kMouse);
  const SyncResult r = DeviceSync(DeviceKind::kMouse, Channel(DeviceKind::kMouse), image, log.Hooks(ms));
  EXPECT_EQ(r.failedCommands, 0);

  std::vector<Seen> expected = {{Command::kBegin, 0, 0}, {Command::kReadInfo, 0x21, 0}};
  AppendChunks(expected, Command::kReadDefaultKeys, 512, 0);
  for (int p = 0; p < 5; ++p) {
    expected.push_back({Command::kReadSettings, 56, 64 * p});
    AppendChunks(expected, Command::kReadKeyPage, 512, 126 * p);
  }
  expected.push_back({Command::kReadSettings, 1, 0});
  expected.push_back({Command::kEnd, 0, 0});
  EXPECT_EQ(SeenBy(ms), expected);
  EXPECT_EQ(Channel(DeviceKind::kMouse).blockLength, 512);

  const DeviceBlocks b = image.Snapshot(DeviceKind::kMouse);
  const auto fw = ms.Snapshot();
  std::vector<std::uint8_t> want = Bytes(fw.Slot(3), 21);
  want[0] = 3;
  EXPECT_EQ(Bytes(b.current, 21), want);
  EXPECT_EQ(b.current[factory::record::kMode], 3);
  for (std::size_t p = 0; p < 5; ++p) {
    EXPECT_EQ(Bytes(b.settings[p], 56), Bytes(fw.Slot(p), 56)) << p;
    EXPECT_EQ(b.keyPages[p], fw.keyPages[p]) << p;
  }
  EXPECT_EQ(b.defaultKeys, fw.defaultKeys);
  EXPECT_EQ(b.info[factory::info::kDpiStep], 100);
  EXPECT_EQ(log.calls, (std::vector<std::string>{"light:ms", "key:ms"}));
  for (const auto n : log.requestsAtCall) EXPECT_EQ(n, expected.size());
}

TEST_F(DeviceSyncTest, MousePadReadsInfoAndAllFiveSlots) {
  auto& mp = Device(DeviceKind::kMousePad);
  mp.SetActiveProfile(4);
  Connect(DeviceKind::kMousePad);
  DeviceSync(DeviceKind::kMousePad, Channel(DeviceKind::kMousePad), image, log.Hooks(mp));
  std::vector<Seen> expected = {{Command::kBegin, 0, 0}, {Command::kReadInfo, 0x21, 0}};
  for (int p = 0; p < 5; ++p) expected.push_back({Command::kReadSettings, 56, 64 * p});
  expected.push_back({Command::kReadSettings, 1, 0});
  expected.push_back({Command::kEnd, 0, 0});
  EXPECT_EQ(SeenBy(mp), expected);
  const DeviceBlocks b = image.Snapshot(DeviceKind::kMousePad);
  EXPECT_EQ(b.current[0], 4);
  EXPECT_EQ(b.current[factory::record::kMode], factory::Record(DeviceKind::kMousePad, 4)[factory::record::kMode]);
  EXPECT_EQ(log.calls, std::vector<std::string>{"light:mp"});
}

// The device changed its record on its own; the host re-reads it from offset 0. The mouse
// pad files it under the active index it reads; the keyboard and the mouse under index 0.
struct RereadCase {
  DeviceKind kind;
  std::uint8_t deviceActive;
  std::size_t expectedSlot;
  std::vector<Seen> expectedRequests;
};

class RereadTest : public DeviceSyncTest, public testing::WithParamInterface<RereadCase> {};

TEST_P(RereadTest, ReplacesTheSlotFromOffsetZero) {
  const RereadCase& c = GetParam();
  auto& dev = Device(c.kind);
  Connect(c.kind);
  // The host works on profile 1 with an edit the device has not seen yet.
  image.Update(c.kind, [](DeviceBlocks& b) {
    b.current.fill(0x77);
    b.current[0] = 1;
  });
  dev.SetActiveProfile(c.deviceActive);
  dev.UserChangeMode(9);  // lands in the device's active slot

  RereadActiveSettings(c.kind, Channel(c.kind), image, log.Hooks(dev));
  EXPECT_EQ(SeenBy(dev), c.expectedRequests);

  const DeviceBlocks b = image.Snapshot(c.kind);
  EXPECT_EQ(b.settings[1][5], 0x77) << "the old record went back to its slot first";
  std::vector<std::uint8_t> want = Bytes(dev.Snapshot().settings, 56);  // offset 0
  want[0] = static_cast<std::uint8_t>(c.expectedSlot);
  EXPECT_EQ(Bytes(b.settings[c.expectedSlot], 56), want);
  EXPECT_EQ(Bytes(b.current, 21), Bytes(want, 21));
  EXPECT_EQ(log.calls, std::vector<std::string>{"light:" + std::string(KindPrefix(c.kind))});
}

const std::vector<Seen> kRereadRequests = {{Command::kReadSettings, 1, 0}, {Command::kReadSettings, 56, 0}};

INSTANTIATE_TEST_SUITE_P(Kinds, RereadTest,
                         testing::Values(RereadCase{DeviceKind::kMousePad, 2, 2, kRereadRequests},
                                         RereadCase{DeviceKind::kKeyboard, 0, 0, kRereadRequests},
                                         RereadCase{DeviceKind::kMouse, 0, 0, kRereadRequests},
                                         RereadCase{DeviceKind::kMouse, 2, 0, kRereadRequests}),
                         [](const auto& test) {
                           return std::string(KindPrefix(test.param.kind)) + "Active" +
                                  std::to_string(test.param.deviceActive);
                         });

TEST_F(DeviceSyncTest, SaveDefaultKeyFileWritesTheReadBlockThenRebuildsTheMap) {
  auto& kb = Device(DeviceKind::kKeyboard);
  Connect(DeviceKind::kKeyboard);
  Channel(DeviceKind::kKeyboard).blockLength = 378;
  EXPECT_EQ(SaveDefaultKeyFile(Channel(DeviceKind::kKeyboard), image, log.Hooks(kb), "/opt/tavrinex")
                .failedSaves,
            0);
  std::vector<Seen> expected;
  AppendChunks(expected, Command::kReadDefaultKeys, 378, 0);
  EXPECT_EQ(SeenBy(kb), expected);
  EXPECT_EQ(log.calls, (std::vector<std::string>{"write", "rebuild"}));
  EXPECT_EQ(log.writtenPath, std::filesystem::path("/opt/tavrinex/kbkeydefault.pro"));
  EXPECT_EQ(log.writtenTag, 1);
  const auto block = image.Read(DeviceKind::kKeyboard, [](const DeviceBlocks& b) { return b.defaultKeys; });
  EXPECT_EQ(log.writtenBody, std::vector<std::uint8_t>(block.begin(), block.end()));
  EXPECT_EQ(Bytes(block, 378), Bytes(factory::KeyboardDefaultKeys(), 378));
}

// Saves that cannot write their files are counted in the result; the sync itself completes.
TEST_F(DeviceSyncTest, FailedSavesReachTheResult) {
  log.filesWritable = false;
  Connect(DeviceKind::kMouse);
  const SyncResult full =
      DeviceSync(DeviceKind::kMouse, Channel(DeviceKind::kMouse), image, log.Hooks(Device(DeviceKind::kMouse)));
  EXPECT_EQ(full.outcome, SyncOutcome::kCompleted);
  EXPECT_EQ(full.failedSaves, 2);
  Connect(DeviceKind::kMousePad);
  EXPECT_EQ(RereadActiveSettings(DeviceKind::kMousePad, Channel(DeviceKind::kMousePad), image,
                                 log.Hooks(Device(DeviceKind::kMousePad)))
                .failedSaves,
            1);
  Connect(DeviceKind::kKeyboard);
  Channel(DeviceKind::kKeyboard).blockLength = 3 * sim::factory::kKeyboardLedCount;  // as synchronised
  EXPECT_EQ(SaveDefaultKeyFile(Channel(DeviceKind::kKeyboard), image,
                               log.Hooks(Device(DeviceKind::kKeyboard)), "/nowhere")
                .failedSaves,
            1);
}

// A device that dies mid-way leaves the image with what was read; the next plug reads it all.
TEST_F(DeviceSyncTest, DeviceDyingDuringSyncLeavesWhatWasReadAndTheNextPlugStartsAfresh) {
  auto& ms = Device(DeviceKind::kMouse);
  Connect(DeviceKind::kMouse);
  // BEGIN, INFO, then the 4th chunk of the default keys is never answered: the device is gone.
  ms.InjectFault({sim::Fault::Action::kUnplug, 2 + 3, 1});
  const SyncResult r = DeviceSync(DeviceKind::kMouse, Channel(DeviceKind::kMouse), image, log.Hooks(ms));
  EXPECT_GT(r.failedCommands, 0);
  EXPECT_FALSE(ms.IsPlugged());
  EXPECT_FALSE(Channel(DeviceKind::kMouse).hid.ProbePresence(ms.ConfigPath()));
  // What did not arrive is not written over the user's profiles.
  EXPECT_TRUE(log.calls.empty()) << log.calls.front();

  const auto fw = ms.Snapshot();
  const DeviceBlocks b = image.Snapshot(DeviceKind::kMouse);
  EXPECT_EQ(b.info, fw.info);
  EXPECT_EQ(Bytes(b.defaultKeys, 168), Bytes(fw.defaultKeys, 168)) << "three chunks arrived";
  const auto builtIn = keys::BuiltInMouseDefaultKeyBlock();
  EXPECT_TRUE(std::equal(b.defaultKeys.begin() + 168, b.defaultKeys.end(), builtIn.begin() + 168));
  for (const auto& page : b.keyPages) EXPECT_EQ(page, KeyPage{});
  for (const auto& slot : b.settings) EXPECT_EQ(slot, SettingsRecord{});

  ms.ClearFaults();
  ms.Plug();
  Channel(DeviceKind::kMouse).connected = false;
  Connect(DeviceKind::kMouse);
  ms.ClearRequests();
  const SyncResult again = DeviceSync(DeviceKind::kMouse, Channel(DeviceKind::kMouse), image, {});
  EXPECT_EQ(again.failedCommands, 0);
  const DeviceBlocks full = image.Snapshot(DeviceKind::kMouse);
  EXPECT_EQ(full.defaultKeys, fw.defaultKeys);
  EXPECT_EQ(full.keyPages[4], fw.keyPages[4]);
  EXPECT_EQ(SeenBy(ms).front().command, Command::kBegin);
}

// Refusals and silence are ignored: the remaining steps still run, the blocks whose reads
// failed keep what they held.
TEST_F(DeviceSyncTest, FailedStepsAreSkippedAndTheRestStillRuns) {
  auto& mp = Device(DeviceKind::kMousePad);
  Connect(DeviceKind::kMousePad);
  image.Update(DeviceKind::kMousePad, [](DeviceBlocks& b) { b.settings[1].fill(0x42); });
  mp.InjectFault({sim::Fault::Action::kStatusBusy, 3, 1});   // slot 1
  mp.InjectFault({sim::Fault::Action::kStatusError, 4, 1});  // slot 2
  const SyncResult r = DeviceSync(DeviceKind::kMousePad, Channel(DeviceKind::kMousePad), image, {});
  EXPECT_EQ(r.failedCommands, 2);
  EXPECT_EQ(r.firstFailure, kResultStatusBusy);
  EXPECT_EQ(mp.Commands().back(), Command::kEnd);
  const DeviceBlocks b = image.Snapshot(DeviceKind::kMousePad);
  SettingsRecord kept;
  kept.fill(0x42);
  EXPECT_EQ(b.settings[1], kept);
  EXPECT_EQ(b.settings[2], SettingsRecord{});
  EXPECT_EQ(Bytes(b.settings[3], 56), Bytes(mp.Snapshot().Slot(3), 56));
}

// An active index that no profile has (a corrupted reply, a failed read) must not address a
// slot beyond the table: the host keeps the index it knew.
TEST_F(DeviceSyncTest, ActiveIndexOutOfRangeKeepsTheKnownProfile) {
  auto& ms = Device(DeviceKind::kMouse);
  Connect(DeviceKind::kMouse);
  image.Update(DeviceKind::kMouse, [](DeviceBlocks& b) { b.current[0] = 2; });
  ms.WithFirmware([](sim::Firmware& f) { f.State().settings[0] = 7; });
  DeviceSync(DeviceKind::kMouse, Channel(DeviceKind::kMouse), image, {});
  const DeviceBlocks b = image.Snapshot(DeviceKind::kMouse);
  EXPECT_EQ(b.current[0], 2);
  EXPECT_EQ(Bytes(b.current, 21).at(1), b.settings[2][1]);

  // The mouse pad's re-read asks for the index, and gets none: the known one stays.
  auto& mp = Device(DeviceKind::kMousePad);
  Connect(DeviceKind::kMousePad);
  image.Update(DeviceKind::kMousePad, [](DeviceBlocks& b2) { b2.current[0] = 200; });  // from a bad file
  mp.InjectFault({sim::Fault::Action::kStatusError, 0, 1});
  RereadActiveSettings(DeviceKind::kMousePad, Channel(DeviceKind::kMousePad), image, {});
  EXPECT_EQ(image.Current(DeviceKind::kMousePad)[0], 0);
}

TEST_F(DeviceSyncTest, DisconnectedChannelLeavesTheImageUntouched) {
  const DeviceBlocks before = image.Snapshot(DeviceKind::kKeyboard);
  const SyncResult r = DeviceSync(DeviceKind::kKeyboard, Channel(DeviceKind::kKeyboard), image, log.Hooks(Device(DeviceKind::kKeyboard)));
  EXPECT_GT(r.failedCommands, 0);
  EXPECT_EQ(r.firstFailure, kResultNoReply);
  const DeviceBlocks after = image.Snapshot(DeviceKind::kKeyboard);
  EXPECT_EQ(after.defaultKeys, before.defaultKeys);
  EXPECT_EQ(after.info, before.info);
  // Without its info block the keyboard's length is unknown: the sync stops, keeps the length
  // it had and saves nothing over the profiles.
  EXPECT_EQ(r.outcome, SyncOutcome::kInfoFailed);
  EXPECT_EQ(Channel(DeviceKind::kKeyboard).blockLength, kDefaultBlockLength);
  EXPECT_FALSE(r.settingsRead);
  EXPECT_FALSE(r.keysRead);
  EXPECT_TRUE(log.calls.empty()) << log.calls.front();
}

// Animation and UI threads read the image while a detection thread synchronises it.
TEST_F(DeviceSyncTest, ReadersSeeWholeBlocksWhileSyncWrites) {
  Connect(DeviceKind::kMouse);
  std::atomic<bool> done{false};
  std::thread reader([&] {
    while (!done) {
      const CurrentRecord c = image.Current(DeviceKind::kMouse);
      const DeviceBlocks b = image.Snapshot(DeviceKind::kMouse);
      if (c[0] > 4 || b.current[0] > 4) ADD_FAILURE() << "torn record";
    }
  });
  for (int i = 0; i < 3; ++i) DeviceSync(DeviceKind::kMouse, Channel(DeviceKind::kMouse), image, {});
  done = true;
  reader.join();
  EXPECT_EQ(image.Snapshot(DeviceKind::kMouse).keyPages[4], Device(DeviceKind::kMouse).Snapshot().keyPages[4]);
}

TEST(DeviceImage, StartsZeroButForTheBuiltInDefaultKeyBlocks) {
  DeviceImage image;
  for (const DeviceKind k : kAllDeviceKinds) {
    const DeviceBlocks b = image.Snapshot(k);
    EXPECT_EQ(b.info, DeviceInfoBlock{});
    EXPECT_EQ(b.current, CurrentRecord{});
    for (const auto& p : b.keyPages) EXPECT_EQ(p, KeyPage{});
  }
  const auto kb = image.Snapshot(DeviceKind::kKeyboard).defaultKeys;
  EXPECT_EQ(std::count(kb.begin(), kb.end(), 0x05), 510);
  EXPECT_EQ(kb[510], 0);
  EXPECT_EQ(kb[511], 0);
  const auto ms = image.Snapshot(DeviceKind::kMouse).defaultKeys;
  EXPECT_EQ(std::vector<std::uint8_t>(ms.begin(), ms.begin() + 19),
            (std::vector<std::uint8_t>{0x10, 1, 0, 0x10, 4, 0, 0x10, 2, 0, 0x10, 0x10, 0, 0x10, 8, 0,
                                       0x13, 3, 0, 0x05}));
  EXPECT_EQ(image.Snapshot(DeviceKind::kMousePad).defaultKeys, DefaultKeyBlock{});
}

}  // namespace
}  // namespace tavrinex::device
