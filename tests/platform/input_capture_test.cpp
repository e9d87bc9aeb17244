// Key translation from the window system's codes to the host codes of the key tables, and the
// hook's modes, messages and withholding rule.
#include <gtest/gtest.h>

#include <any>
#include <vector>

#include "keys/key_code_tables.h"
#include "platform/input_capture.h"
#include "platform/key_translation.h"

namespace tavrinex::platform {
namespace {

struct Expected {
  std::uint32_t evdev;
  std::uint8_t virtualKey;
  bool extended;
};

TEST(KeyTranslation, KeysOfEachBlockWithTheirExtendedFlag) {
  const Expected cases[] = {
      {1, 0x1B, false},   {30, 0x41, false},  {11, 0x30, false},  {2, 0x31, false},
      {43, 0xDC, false},  {51, 0xBC, false},  {41, 0xC0, false},  {58, 0x14, false},
      {29, 0xA2, false},  {97, 0xA3, true},   {56, 0xA4, false},  {100, 0xA5, true},
      {125, 0x5B, true},  {127, 0x5D, true},  {28, 0x0D, false},  {96, 0x0D, true},
      {98, 0x6F, true},   {55, 0x6A, false},  {82, 0x60, false},  {83, 0x6E, false},
      {69, 0x90, true},   {70, 0x91, false},  {99, 0x2C, true},   {119, 0x13, false},
      {110, 0x2D, true},  {111, 0x2E, true},  {102, 0x24, true},  {107, 0x23, true},
      {104, 0x21, true},  {109, 0x22, true},  {103, 0x26, true},  {108, 0x28, true},
      {105, 0x25, true},  {106, 0x27, true},  {87, 0x7A, false},  {88, 0x7B, false},
      {115, 0xAF, true},  {164, 0xB3, true},
  };
  for (const Expected& e : cases) {
    const auto vk = VirtualKeyOfNative(e.evdev + kNativeScanCodeOffset);
    ASSERT_TRUE(vk) << e.evdev;
    EXPECT_EQ(vk->code, e.virtualKey) << e.evdev;
    EXPECT_EQ(vk->extended, e.extended) << e.evdev;
  }
  EXPECT_FALSE(VirtualKeyOfNative(0));
  EXPECT_FALSE(VirtualKeyOfNative(7));
  EXPECT_FALSE(VirtualKeyOfEvdev(84));   // no key there
  EXPECT_FALSE(VirtualKeyOfEvdev(240));  // KEY_UNKNOWN
}

// Every plain key of the keyboard table is reachable from some evdev key, and every key of
// the translation lands on a row of the table (or on none, never on a wrong kind).
TEST(KeyTranslation, EveryPlainKeyOfTheTableHasAnEvdevKey) {
  std::vector<bool> reached(keys::kKeyboardKeyRows, false);
  for (const EvdevKeyRow& row : kEvdevKeyTable) {
    const std::uint32_t flags = row.extended ? 0x01 : 0x00;
    const auto found = keys::FindKeyByHostCode(keys::HostKeyCode(row.virtualKey, flags),
                                               keys::kKeyboardKeyRows);
    if (found) reached[*found] = true;
  }
  for (std::size_t r = 0; r < keys::kMacroRecordRowLimit; ++r) {
    EXPECT_TRUE(reached[r]) << keys::kKeyboardKeyTable.names[r];
  }
}

TEST(KeyTranslation, EventsCarryTheMessageAndFlagsOfALowLevelKeyboardEvent) {
  const auto enter = TranslateKey({96 + 8, true, false});
  ASSERT_TRUE(enter);
  EXPECT_EQ(enter->message, kKeyDown);
  EXPECT_EQ(enter->event.flags, 0x01u);
  EXPECT_EQ(keys::HostKeyCode(enter->event.virtualKey, enter->event.flags), 0x101);
  const auto enterUp = TranslateKey({96 + 8, false, false});
  EXPECT_EQ(enterUp->message, kKeyUp);
  EXPECT_EQ(enterUp->event.flags, 0x81u);
  EXPECT_EQ(keys::HostKeyCode(enterUp->event.virtualKey, enterUp->event.flags), 0x101);
  const auto altA = TranslateKey({30 + 8, true, true});
  EXPECT_EQ(altA->message, kSysKeyDown);
  EXPECT_EQ(altA->event.flags, kFlagAltDown);
  EXPECT_EQ(TranslateKey({56 + 8, false, false})->message, kSysKeyUp);
  EXPECT_FALSE(TranslateKey({84 + 8, true, false}));
}

TEST(InputCapture, ModesDeliverTheirMessagesAndWithholdAllButTheLockKeys) {
  const std::pair<HookMode, std::uint32_t> modes[] = {
      {HookMode::kKeyCapture, 0x801}, {HookMode::kHitKey, 0x802}, {HookMode::kKeyboardMacro, 0x803},
      {HookMode::kMouseKeyCapture, 0x810}, {HookMode::kMouseHitKey, 0x811},
      {HookMode::kMouseMacro, 0x812}};
  for (const auto& [mode, message] : modes) EXPECT_EQ(KeyboardMessageOf(mode), message);
  EXPECT_FALSE(KeyboardMessageOf(HookMode::kNone));
  // Only recording posts mouse events: key capture never takes the mouse.
  EXPECT_EQ(MouseMessageOf(HookMode::kKeyboardMacro), 0x804u);
  EXPECT_EQ(MouseMessageOf(HookMode::kMouseMacro), 0x813u);
  for (const HookMode mode : {HookMode::kNone, HookMode::kKeyCapture, HookMode::kHitKey,
                              HookMode::kMouseKeyCapture, HookMode::kMouseHitKey}) {
    EXPECT_FALSE(MouseMessageOf(mode));
  }
  for (const int vk : {0x14, 0x90, 0x91}) EXPECT_TRUE(PassesThrough(static_cast<std::uint16_t>(vk)));
  for (const int vk : {0x41, 0x0D, 0x1B, 0x5B, 0xAF}) EXPECT_FALSE(PassesThrough(static_cast<std::uint16_t>(vk)));
}

}  // namespace
}  // namespace tavrinex::platform
