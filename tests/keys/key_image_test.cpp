#include "keys/key_image.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "device/device_sync.h"
#include "device/sim_fixture.h"
#include "sim/factory_defaults.h"

namespace tavrinex::keys {
namespace {

using device::Command;
using device::DeviceBlocks;
using device::Seen;
namespace factory = sim::factory;

constexpr KeyFunction kDotFunction{0x20, 0, 0};
constexpr KeyFunction kKeyA{0x20, 0, 0x04};

void Put(KeyBlock& block, std::size_t slot, KeyFunction f) {
  block[3 * slot] = f.kind;
  block[3 * slot + 1] = f.param1;
  block[3 * slot + 2] = f.param2;
}

std::size_t PositionOf(KeyFunction f) {
  for (std::size_t n = 0; n < kKeyPositionCount; ++n) {
    if (kReferenceLayout[n] == f) return n;
  }
  return kKeyPositionCount;
}

// ---- position map -------------------------------------------------------------------------

TEST(KeyPositionMapTest, StartsWithoutSlotsAndTheBuiltInBlockFindsNone) {
  KeyPositionMap map;
  map.Rebuild(BuiltInKeyboardDefaultKeyBlock(), kMaxKeyboardSlots);
  for (std::size_t n = 0; n < kKeyPositionCount; ++n) EXPECT_EQ(map.SlotOfPosition(n), kNoSlot);
  EXPECT_EQ(map.SlotOfPosition(126), kNoSlot);
  EXPECT_EQ(map.SlotOfPosition(100000), kNoSlot);
  EXPECT_FALSE(map.PositionOfSlot(0).has_value());
}

TEST(KeyPositionMapTest, FactoryBlockMapsEveryKeyToItsSlot) {
  KeyPositionMap map;
  map.Rebuild(factory::KeyboardDefaultKeys(), factory::kKeyboardLedCount);
  EXPECT_EQ(map.Entries(), factory::kKeyboardSlotOfPosition);
  for (std::size_t n = 0; n < kKeyPositionCount; ++n) {
    const std::uint8_t slot = map.SlotOfPosition(n);
    if (slot != kNoSlot) {
      EXPECT_EQ(map.PositionOfSlot(slot), n);
    }
  }
}

TEST(KeyPositionMapTest, MissingFunctionKeepsTheEarlierEntry) {
  const std::size_t a = PositionOf(kKeyA);
  KeyBlock block = factory::KeyboardDefaultKeys();
  const std::uint8_t slotOfA = factory::kKeyboardSlotOfPosition[a];
  Put(block, slotOfA, {0x20, 0, 0x32});  // the slot of A now holds a key of no position

  KeyPositionMap fresh;
  fresh.Rebuild(block, factory::kKeyboardLedCount);
  EXPECT_EQ(fresh.SlotOfPosition(a), kNoSlot);
  EXPECT_FALSE(fresh.PositionOfSlot(slotOfA).has_value());

  KeyPositionMap rebuilt;
  rebuilt.Rebuild(factory::KeyboardDefaultKeys(), factory::kKeyboardLedCount);
  rebuilt.Rebuild(block, factory::kKeyboardLedCount);  // entries are never reset
  EXPECT_EQ(rebuilt.SlotOfPosition(a), slotOfA);
}

TEST(KeyPositionMapTest, DotPositionsAllTakeTheFirstSlotHoldingTheEmptyKey) {
  KeyBlock block = factory::KeyboardDefaultKeys();
  // Slots of the factory block without a key hold 00 00 00; give two of them 20 00 00.
  std::vector<std::size_t> empty;
  for (std::size_t s = 0; s < factory::kKeyboardLedCount; ++s) {
    if (block[3 * s] == 0) empty.push_back(s);
  }
  ASSERT_GE(empty.size(), 2u);
  Put(block, empty[1], kDotFunction);
  Put(block, empty[0], kDotFunction);
  KeyPositionMap map;
  map.Rebuild(block, factory::kKeyboardLedCount);
  std::size_t dots = 0;
  for (std::size_t n = 0; n < kKeyPositionCount; ++n) {
    if (kReferenceLayout[n] == kDotFunction) {
      EXPECT_EQ(map.SlotOfPosition(n), empty[0]) << "position " << n;
      ++dots;
    }
  }
  EXPECT_EQ(dots, kKeyPositionCount - kReferenceKeyCount);
  EXPECT_EQ(map.PositionOfSlot(empty[0]), 16u);  // the first dot of the top row
}

TEST(KeyPositionMapTest, OnlyTheKeyCountSlotsAreScanned) {
  const std::size_t a = PositionOf(kKeyA);
  KeyBlock block{};
  Put(block, 104, kKeyA);  // beyond a 104-key keyboard's slots
  KeyPositionMap map;
  map.Rebuild(block, 104);
  EXPECT_EQ(map.SlotOfPosition(a), kNoSlot);
  map.Rebuild(block, 105);
  EXPECT_EQ(map.SlotOfPosition(a), 104);
}

// ---- slots ---------------------------------------------------------------------------------

void SetKeyCount(DeviceImage& image, std::uint8_t count) {
  image.Update(DeviceKind::kKeyboard, [count](DeviceBlocks& b) { b.info[5] = count; });
}

TEST(KeySlotTest, SetGetRestoreAndFactoryDefault) {
  DeviceImage image;
  SetKeyCount(image, 104);
  const KeyFunction macro{0x70, 3, 0};
  EXPECT_FALSE(IsFactoryDefault(image, DeviceKind::kKeyboard, 0, 10));  // 00 00 00 against 05 05 05
  EXPECT_FALSE(IsFactoryDefault(image, DeviceKind::kMouse, 0, 0));  // 00 00 00 against 10 01 00

  ASSERT_TRUE(SetSlot(image, DeviceKind::kKeyboard, 4, 103, macro));
  EXPECT_EQ(GetSlot(image, DeviceKind::kKeyboard, 4, 103), macro);
  EXPECT_FALSE(IsFactoryDefault(image, DeviceKind::kKeyboard, 4, 103));
  EXPECT_EQ(GetSlot(image, DeviceKind::kKeyboard, 3, 103), KeyFunction{});  // other page

  ASSERT_TRUE(RestoreDefault(image, DeviceKind::kKeyboard, 4, 103));
  EXPECT_EQ(GetSlot(image, DeviceKind::kKeyboard, 4, 103), (KeyFunction{5, 5, 5}));
  EXPECT_TRUE(IsFactoryDefault(image, DeviceKind::kKeyboard, 4, 103));

  // The mouse starts with its six built-in defaults in the default block.
  ASSERT_TRUE(RestoreDefault(image, DeviceKind::kMouse, 2, 5));
  EXPECT_EQ(GetSlot(image, DeviceKind::kMouse, 2, 5), (KeyFunction{0x13, 3, 0}));
}

TEST(KeySlotTest, OutOfRangeChangesNothing) {
  DeviceImage image;
  SetKeyCount(image, 104);
  const DeviceBlocks before = image.Snapshot(DeviceKind::kKeyboard);
  const KeyFunction f{0x20, 0, 4};
  EXPECT_FALSE(SetSlot(image, DeviceKind::kKeyboard, 5, 0, f));
  EXPECT_FALSE(SetSlot(image, DeviceKind::kKeyboard, 0, 104, f));  // beyond the key count
  EXPECT_FALSE(RestoreDefault(image, DeviceKind::kKeyboard, 0, 104));
  EXPECT_FALSE(SetSlot(image, DeviceKind::kMouse, 0, 6, f));
  EXPECT_FALSE(SetSlot(image, DeviceKind::kMousePad, 0, 0, f));
  EXPECT_FALSE(GetSlot(image, DeviceKind::kKeyboard, 0, 170).has_value());
  EXPECT_FALSE(GetSlot(image, DeviceKind::kKeyboard, 5, 0).has_value());
  EXPECT_FALSE(GetSlot(image, DeviceKind::kMousePad, 0, 0).has_value());
  EXPECT_EQ(image.Snapshot(DeviceKind::kKeyboard).keyPages, before.keyPages);

  SetKeyCount(image, 200);  // a count no page holds is bounded by the page
  EXPECT_TRUE(SetSlot(image, DeviceKind::kKeyboard, 0, 169, f));
  EXPECT_FALSE(SetSlot(image, DeviceKind::kKeyboard, 0, 170, f));
}

// ---- macro references ------------------------------------------------------------------------

TEST(MacroReferenceTest, DeletingMacro1RenumbersEveryPageAndKey) {
  DeviceImage image;
  SetKeyCount(image, 104);
  struct Case {
    DeviceKind kind;
    std::size_t slots;
  };
  for (const Case c : {Case{DeviceKind::kKeyboard, 104}, Case{DeviceKind::kMouse, 6}}) {
    SCOPED_TRACE(static_cast<int>(c.kind));
    const KeyBlock defaults = image.Snapshot(c.kind).defaultKeys;
    // Every page: slot 0 plays macro 0, slot 1 repeats macro 1, the last slot macro 2,
    // slot 2 plays macro 1.
    for (std::size_t p = 0; p < 5; ++p) {
      ASSERT_TRUE(SetSlot(image, c.kind, p, 0, {0x70, 0, 1}));
      ASSERT_TRUE(SetSlot(image, c.kind, p, 1, {0x71, 1, 9}));
      ASSERT_TRUE(SetSlot(image, c.kind, p, 2, {0x70, 1, 0}));
      ASSERT_TRUE(SetSlot(image, c.kind, p, c.slots - 1, {0x71, 2, 4}));
    }
    // A key of another kind whose param1 happens to be 1 is no macro reference.
    ASSERT_TRUE(SetSlot(image, c.kind, 0, 3, {0x20, 1, 0}));
    EXPECT_EQ(CountMacroReferences(image, c.kind, 1), 10u);
    EXPECT_EQ(CountMacroReferences(image, c.kind, 7), 0u);

    EXPECT_EQ(RemoveMacroReferences(image, c.kind, 1), 15u);
    for (std::size_t p = 0; p < 5; ++p) {
      EXPECT_EQ(GetSlot(image, c.kind, p, 0), (KeyFunction{0x70, 0, 1}));
      EXPECT_EQ(GetSlot(image, c.kind, p, 1),
                (KeyFunction{defaults[3], defaults[4], defaults[5]}));
      EXPECT_EQ(GetSlot(image, c.kind, p, 2),
                (KeyFunction{defaults[6], defaults[7], defaults[8]}));
      EXPECT_EQ(GetSlot(image, c.kind, p, c.slots - 1), (KeyFunction{0x71, 1, 4}));
    }
    EXPECT_EQ(GetSlot(image, c.kind, 0, 3), (KeyFunction{0x20, 1, 0}));
    EXPECT_EQ(CountMacroReferences(image, c.kind, 1), 5u);  // the former macro 2
  }
}

TEST(MacroReferenceTest, SlotsBeyondTheKeysAreCarriedUnchanged) {
  DeviceImage image;
  image.Update(DeviceKind::kKeyboard, [](DeviceBlocks& b) {
    b.info[5] = 10;
    Put(b.keyPages[0], 20, {0x70, 3, 0});  // as the device gave it, past the key count
  });
  EXPECT_EQ(CountMacroReferences(image, DeviceKind::kKeyboard, 3), 0u);
  EXPECT_EQ(RemoveMacroReferences(image, DeviceKind::kKeyboard, 0), 0u);
  EXPECT_EQ(GetSlot(image, DeviceKind::kKeyboard, 0, 20), (KeyFunction{0x70, 3, 0}));
}

// ---- against the simulator ---------------------------------------------------------------------

class KeyDeviceTest : public device::SimFixture {
 protected:
  DeviceImage image;
  KeyPositionMap map;
  device::SyncHooks hooks;

  void Sync(DeviceKind kind) {
    Connect(kind);
    ConnectKeyPositionMap(hooks, image, map);
    const auto r = device::DeviceSync(kind, Channel(kind), image, hooks);
    ASSERT_EQ(r.failedCommands, 0);
    Device(kind).ClearRequests();
  }
};

TEST_F(KeyDeviceTest, SynchronisationRebuildsThePositionMap) {
  Sync(DeviceKind::kKeyboard);
  EXPECT_EQ(map.Entries(), factory::kKeyboardSlotOfPosition);
}

TEST_F(KeyDeviceTest, KeyboardWith104KeysWrites312BytesInSixFrames) {
  Device(DeviceKind::kKeyboard).SetLedCount(104);
  Sync(DeviceKind::kKeyboard);
  ASSERT_TRUE(SetSlot(image, DeviceKind::kKeyboard, 0, 7, {0x70, 0, 0}));

  const PageWrite w = WriteActivePage(DeviceKind::kKeyboard, Channel(DeviceKind::kKeyboard), image);
  EXPECT_TRUE(w.sent);
  EXPECT_EQ(w.bytes, 312u);
  EXPECT_EQ(w.result, device::kResultOk);
  std::vector<Seen> expected = {{Command::kBegin, 0, 0}};
  device::AppendChunks(expected, Command::kWriteKeyPage, 312, 0);
  expected.push_back({Command::kEnd, 0, 0});
  EXPECT_EQ(device::SeenBy(Device(DeviceKind::kKeyboard)), expected);
  EXPECT_EQ(expected.size(), 8u);  // six frames between CMD_BEGIN and CMD_END

  const auto fw = Device(DeviceKind::kKeyboard).Snapshot();
  const auto page = image.Snapshot(DeviceKind::kKeyboard).keyPages[0];
  EXPECT_TRUE(std::equal(page.begin(), page.begin() + 312, fw.keyPages[0].begin()));
  EXPECT_EQ(fw.keyPages[0][21], 0x70);
}

TEST_F(KeyDeviceTest, MouseWritesItsActivePageWhole) {
  Device(DeviceKind::kMouse).SetActiveProfile(2);
  Sync(DeviceKind::kMouse);
  ASSERT_TRUE(SetSlot(image, DeviceKind::kMouse, 2, 0, {0x10, 0x02, 0}));
  const PageWrite w = WriteActivePage(DeviceKind::kMouse, Channel(DeviceKind::kMouse), image);
  EXPECT_EQ(w.page, 2u);
  EXPECT_EQ(w.bytes, 512u);
  std::vector<Seen> expected = {{Command::kBegin, 0, 0}};
  device::AppendChunks(expected, Command::kWriteKeyPage, 512, 2 * device::kKeyPageStride);
  expected.push_back({Command::kEnd, 0, 0});
  EXPECT_EQ(device::SeenBy(Device(DeviceKind::kMouse)), expected);
  EXPECT_EQ(Device(DeviceKind::kMouse).Snapshot().keyPages[2][1], 0x02);
}

TEST_F(KeyDeviceTest, NoValidActivePageSendsNothing) {
  Sync(DeviceKind::kMouse);
  image.Update(DeviceKind::kMouse, [](DeviceBlocks& b) { b.current[0] = 7; });
  EXPECT_FALSE(WriteActivePage(DeviceKind::kMouse, Channel(DeviceKind::kMouse), image).sent);
  EXPECT_FALSE(WriteActivePage(DeviceKind::kMousePad, Channel(DeviceKind::kMousePad), image).sent);
  // A keyboard whose key count no page holds (refused on connect) never sends past the page.
  image.Update(DeviceKind::kKeyboard, [](DeviceBlocks& b) { b.info[5] = 171; });
  EXPECT_FALSE(WriteActivePage(DeviceKind::kKeyboard, Channel(DeviceKind::kKeyboard), image).sent);
  EXPECT_EQ(Device(DeviceKind::kMouse).RequestCount(), 0u);
}

TEST_F(KeyDeviceTest, EditsAndSynchronisationShareTheImageSafely) {
  Sync(DeviceKind::kKeyboard);
  std::atomic<bool> stop{false};
  std::thread editor([&] {
    for (std::uint8_t i = 0; !stop; ++i) {
      const std::uint8_t slot = map.SlotOfPosition(i % kKeyPositionCount);
      if (slot != kNoSlot) (void)SetSlot(image, DeviceKind::kKeyboard, 0, slot, {0x70, i, 0});
      (void)CountMacroReferences(image, DeviceKind::kKeyboard, i);
    }
  });
  for (int n = 0; n < 3; ++n) {
    EXPECT_EQ(device::DeviceSync(DeviceKind::kKeyboard, Channel(DeviceKind::kKeyboard), image,
                                 hooks).failedCommands, 0);
  }
  stop = true;
  editor.join();
  EXPECT_EQ(map.Entries(), factory::kKeyboardSlotOfPosition);
}

}  // namespace
}  // namespace tavrinex::keys
