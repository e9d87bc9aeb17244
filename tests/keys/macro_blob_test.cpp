#include "keys/macro_blob.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>

#include "device/device_sync.h"
#include "device/sim_fixture.h"

namespace tavrinex::keys {
namespace {

namespace fs = std::filesystem;
using device::Command;
using device::Seen;

MacroActions Actions(std::size_t n) {
  MacroActions m;
  for (std::size_t i = 0; i < n; ++i) {
    m.push_back({static_cast<std::uint8_t>(i + 1), 0, 0x8A, static_cast<std::uint8_t>(4 + i)});
  }
  return m;
}

std::vector<std::uint8_t> Encode(const std::vector<MacroActions>& macros) {
  auto blob = EncodeMacroBlob(macros);
  EXPECT_TRUE(blob.has_value());
  return blob.value_or(std::vector<std::uint8_t>{});
}

TEST(MacroBlobTest, OneMacroWithThreeActions) {
  const std::vector<MacroActions> macros = {Actions(3)};
  const auto blob = Encode(macros);
  ASSERT_EQ(blob.size(), 34u);
  EXPECT_EQ(MacroBlobLength(macros), 34u);
  EXPECT_EQ(std::vector<std::uint8_t>(blob.begin(), blob.begin() + 6),
            (std::vector<std::uint8_t>{0xAA, 0x55, 0x22, 0x00, 0x01, 0x00}));
  EXPECT_TRUE(std::all_of(blob.begin() + 6, blob.begin() + 16, [](auto b) { return b == 0; }));
  EXPECT_EQ(blob[16] + 256 * blob[17], 18);  // the offset table's entry
  EXPECT_EQ(blob[18] + 256 * blob[19], 3);   // the block's action count
  EXPECT_EQ(blob[20], 0);
  EXPECT_EQ(blob[21], 0);
  EXPECT_EQ(std::vector<std::uint8_t>(blob.begin() + 22, blob.begin() + 26),
            (std::vector<std::uint8_t>{1, 0, 0x8A, 4}));
  EXPECT_EQ(DecodeMacroBlob(blob), macros);
}

TEST(MacroBlobTest, TwoMacrosWithZeroAndTwoActions) {
  const std::vector<MacroActions> macros = {Actions(0), Actions(2)};
  const auto blob = Encode(macros);
  ASSERT_EQ(blob.size(), 36u);
  EXPECT_EQ(blob[16] + 256 * blob[17], 20);
  EXPECT_EQ(blob[18] + 256 * blob[19], 24);
  EXPECT_EQ(blob[20], 0);  // the first block holds no action
  EXPECT_EQ(blob[24], 2);
  EXPECT_EQ(DecodeMacroBlob(blob), macros);
}

TEST(MacroBlobTest, CapacityAndTheActionsToRemove) {
  struct Case {
    std::size_t length;
    std::uint8_t units;
    bool fits;
    std::size_t remove;
  };
  const Case cases[] = {
      {261, 2, false, 2},  // E = 5
      {256, 2, true, 0},
      {257, 2, false, 1},
      {260, 2, false, 1},  // E = 4: one action less is 256, which fits
      {264, 2, false, 2},
      {22, 0, false, 6},   // a device without a macro area: 22 / 4, rounded up
      {32640, 255, true, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.length);
    const MacroCapacity capacity = CheckMacroCapacity(c.length, c.units);
    EXPECT_EQ(capacity.fits, c.fits);
    EXPECT_EQ(capacity.capacity, 128u * c.units);
    EXPECT_EQ(capacity.actionsToRemove, c.remove);
  }
}

TEST(MacroBlobTest, LengthsBeyondTheWordFieldAreNeverEncoded) {
  const std::vector<MacroActions> macros = {Actions(16380)};
  EXPECT_EQ(MacroBlobLength(macros), 16u + 6u + 4u * 16380u);  // 65542: past 16 bits
  EXPECT_FALSE(EncodeMacroBlob(macros).has_value());
  EXPECT_FALSE(CheckMacroCapacity(MacroBlobLength(macros), 255).fits);
}

TEST(MacroBlobTest, DecodeRefusesMalformedBlobs) {
  const auto blob = Encode({Actions(1), Actions(2)});
  EXPECT_TRUE(DecodeMacroBlob(blob).has_value());
  ASSERT_EQ(blob.size(), 16u + 12u + 12u);
  const auto changed = [&blob](std::size_t at, std::uint8_t value) {
    std::vector<std::uint8_t> copy(blob);
    copy.at(at) = value;
    return copy;
  };
  const auto badMagic = changed(0, 0);
  const auto badLength = changed(2, 0xFF);
  const auto badOffset = changed(18, 24);  // the second block is at 24
  const auto badCount = changed(20, 9);    // the first block claims more actions than there are
  for (const auto& b : {badMagic, badLength, badOffset, badCount}) {
    EXPECT_FALSE(DecodeMacroBlob(b).has_value());
  }
  EXPECT_FALSE(DecodeMacroBlob(std::vector<std::uint8_t>(5, 0)).has_value());
}

TEST(MacroBlobTest, LinesWithoutAnActionAreLeftOutOfTheCount) {
  const std::vector<std::string> lines = {"5,0,138,4,1,keyboard_key_A", "0", "junk",
                                          "5,0,138,4,1", "0,1,1,1,0,mouse_key_left"};
  const MacroActions actions = ParseActionLines(lines);
  EXPECT_EQ(actions, (MacroActions{{5, 0, 0x8A, 4}, {0, 1, 1, 1}}));
  const auto blob = Encode({actions});
  EXPECT_EQ(blob.size(), 16u + 6u + 8u);
  EXPECT_EQ(blob[18], 2);
}

// ---- the library's files, and the save action against the simulator ----------------------

class MacroSendTest : public device::SimFixture {
 protected:
  void SetUp() override {
    SimFixture::SetUp();
    std::random_device seed;
    folder = fs::temp_directory_path() / ("tavrinex_send_" + std::to_string(seed()));
    fs::create_directories(folder);
  }
  void TearDown() override { fs::remove_all(folder); }

  void Write(const std::string& name, const std::string& text) {
    std::ofstream(folder / name, std::ios::binary) << text;
  }
  void WriteIndex(const std::vector<std::string>& names, const char* file = "kbMacro.ini") {
    std::string text = "[MACROCOUNT]\r\ncount=" + std::to_string(names.size()) + "\r\n[MACRONAME]\r\n";
    for (std::size_t i = 0; i < names.size(); ++i) text += std::to_string(i) + "=" + names[i] + "\r\n";
    Write(file, text);
  }
  void WriteMacro(const std::string& name, const std::vector<std::string>& lines,
                  std::size_t count) {
    std::string text = "[MACROACTIONCOUNT]\r\ncount=" + std::to_string(count) + "\r\n[MACROACTION]\r\n";
    for (std::size_t i = 0; i < lines.size(); ++i) text += std::to_string(i) + "=" + lines[i] + "\r\n";
    Write(name + ".mac", text);
  }
  void Sync(DeviceKind kind) {
    Connect(kind);
    ASSERT_EQ(device::DeviceSync(kind, Channel(kind), image, {}).failedCommands, 0);
    Device(kind).ClearRequests();
  }

  fs::path folder;
  DeviceImage image;
};

TEST_F(MacroSendTest, SaveSendsTheMacrosThenTheKeyPage) {
  WriteIndex({"one", "two"});
  WriteMacro("one", {"5,0,138,4,1,keyboard_key_A", "5,0,10,4,0,keyboard_key_A", "junk"}, 3);
  WriteMacro("two", {"0,1,129,1,1,mouse_key_left"}, 1);
  Sync(DeviceKind::kKeyboard);
  MacroLibrary library(folder, DeviceKind::kKeyboard);

  const KeySave save = SaveKeysAndMacros(library, Channel(DeviceKind::kKeyboard), image);
  EXPECT_EQ(save.macros.outcome, MacroSendOutcome::kSent);
  EXPECT_EQ(save.macros.result, device::kResultOk);
  EXPECT_TRUE(save.page.sent);
  const std::size_t length = 16 + 12 + 4 * 3;
  EXPECT_EQ(save.macros.capacity.length, length);

  std::vector<Seen> expected = {{Command::kBegin, 0, 0}};
  device::AppendChunks(expected, Command::kWriteMacros, static_cast<int>(length), 0);
  expected.push_back({Command::kEnd, 0, 0});
  expected.push_back({Command::kBegin, 0, 0});
  device::AppendChunks(expected, Command::kWriteKeyPage, 378, 0);
  expected.push_back({Command::kEnd, 0, 0});
  EXPECT_EQ(device::SeenBy(Device(DeviceKind::kKeyboard)), expected);

  const auto area = Device(DeviceKind::kKeyboard).Snapshot().macros;
  const auto played = DecodeMacroBlob(std::span(area).first(length));
  ASSERT_TRUE(played.has_value());
  EXPECT_EQ(*played, (std::vector<MacroActions>{{{5, 0, 0x8A, 4}, {5, 0, 0x0A, 4}}, {{0, 1, 0x81, 1}}}));
}

TEST_F(MacroSendTest, NoMacrosStillWritesTheKeyPage) {
  Sync(DeviceKind::kMouse);
  MacroLibrary library(folder, DeviceKind::kMouse);
  const KeySave save = SaveKeysAndMacros(library, Channel(DeviceKind::kMouse), image);
  EXPECT_EQ(save.macros.outcome, MacroSendOutcome::kNoMacros);
  EXPECT_TRUE(save.macros.Succeeded());
  std::vector<Seen> expected = {{Command::kBegin, 0, 0}};
  device::AppendChunks(expected, Command::kWriteKeyPage, 512, 0);
  expected.push_back({Command::kEnd, 0, 0});
  EXPECT_EQ(device::SeenBy(Device(DeviceKind::kMouse)), expected);
}

TEST_F(MacroSendTest, TooLargeSendsNothingAtAll) {
  WriteIndex({"big"}, "msMacro.ini");
  std::vector<std::string> lines(60, "1,0,129,1,1,mouse_key_left");
  WriteMacro("big", lines, lines.size());
  Sync(DeviceKind::kMouse);
  image.Update(DeviceKind::kMouse, [](device::DeviceBlocks& b) { b.info[6] = 2; });  // 256 bytes
  MacroLibrary library(folder, DeviceKind::kMouse);
  const KeySave save = SaveKeysAndMacros(library, Channel(DeviceKind::kMouse), image);
  EXPECT_EQ(save.macros.outcome, MacroSendOutcome::kTooLarge);
  EXPECT_EQ(save.macros.MessageId(), "message_text_16");
  EXPECT_EQ(save.macros.capacity.length, 16u + 6u + 240u);  // 262: E = 6
  EXPECT_EQ(save.macros.capacity.actionsToRemove, 2u);
  EXPECT_FALSE(save.page.sent);
  EXPECT_EQ(Device(DeviceKind::kMouse).RequestCount(), 0u);
}

TEST_F(MacroSendTest, DamagedLibraryStillGivesAWellFormedArea) {
  // The index names one file twice and a missing one; a count far above the lines present;
  // negative and huge numbers; a 300-character name.
  WriteIndex({"dup", "DUP", "missing", std::string(300, 'n'), "odd"});
  WriteMacro("dup", {"1,0,138,4,1,keyboard_key_A"}, 1);
  WriteMacro("odd", {"-1,999,138,4,1,x", "99999999999,0,0,0,0,x", "2,0,1,1,0"}, 1000000);
  Sync(DeviceKind::kKeyboard);
  MacroLibrary library(folder, DeviceKind::kKeyboard);
  const auto macros = ReadLibraryActions(library);
  const std::vector<MacroActions> expected = {
      {{1, 0, 0x8A, 4}}, {{1, 0, 0x8A, 4}}, {}, {}, {{0xFF, 0xE7, 0x8A, 4}}};
  EXPECT_EQ(macros, expected);
  const MacroSend sent = SendMacros(library, Channel(DeviceKind::kKeyboard), image);
  ASSERT_EQ(sent.outcome, MacroSendOutcome::kSent);
  const auto area = Device(DeviceKind::kKeyboard).Snapshot().macros;
  EXPECT_EQ(DecodeMacroBlob(std::span(area).first(sent.capacity.length)), expected);
}

TEST_F(MacroSendTest, DisconnectedDeviceCountsAsDone) {
  WriteIndex({"one"});
  WriteMacro("one", {"5,0,138,4,1,keyboard_key_A"}, 1);
  image.Update(DeviceKind::kKeyboard, [](device::DeviceBlocks& b) {
    b.info[5] = 104;
    b.info[6] = 32;
  });
  MacroLibrary library(folder, DeviceKind::kKeyboard);
  const KeySave save = SaveKeysAndMacros(library, Channel(DeviceKind::kKeyboard), image);
  EXPECT_TRUE(save.macros.Succeeded());
  EXPECT_EQ(save.macros.result, device::kResultNoReply);
  EXPECT_TRUE(save.page.sent);
  EXPECT_EQ(Device(DeviceKind::kKeyboard).RequestCount(), 0u);
}

}  // namespace
}  // namespace tavrinex::keys
