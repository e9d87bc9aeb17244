#include "keys/key_code_tables.h"

#include <gtest/gtest.h>

#include <iterator>
#include <optional>
#include <string>
#include <string_view>

namespace tavrinex::keys {
namespace {

using Source = FunctionName::Source;

class FakeMacros final : public MacroNames {
 public:
  std::optional<std::string_view> MacroName(std::uint8_t index) const override {
    if (index == 2) return std::string_view("Reload");
    return std::nullopt;
  }
};

struct NameCase {
  KeyFunction fn;
  std::optional<std::string> expected;  // nullopt: the caller keeps its text
  Source source = Source::kLanguageId;
};

TEST(FunctionNameId, NamesEachKindByItsRule) {
  const NameCase cases[] = {
      {{0x20, 0x00, 0x04}, "keyboard_key_A"},
      {{0x00, 0x00, 0x04}, "keyboard_key_A"},  // kind 0 is named like 0x20
      {{0x20, 0x02, 0x00}, "keyboard_key_LShift"},
      {{0x20, 0x02, 0x04}, std::nullopt},  // Shift+A has no row
      {{0x20, 0x00, 0x32}, std::nullopt},  // no row for usage 0x32
      {{0x20, 0x00, 0x31}, "keyboard_key_xiegang"},
      {{0x30, 0x83, 0x01}, "media_text"},  // the media table, not the keyboard table's row 120
      {{0x21, 0xCD, 0x00}, "media_play"},  // 0x21 is named like 0x30
      {{0x30, 0x99, 0x09}, std::nullopt},
      {{0x10, 0x04, 0x07}, "mouse_key_middle"},  // param2 ignored for mouse buttons
      {{0x10, 0x03, 0x00}, std::nullopt},
      {{0x13, 3, 9}, "mouse_key_DPI_loop"},
      {{0x11, 0x23, 0x85}, "mouse_key_right_Swing"},
      {{0x11, 0x23, 0x05}, "mouse_key_left_Swing"},
      {{0x12, 0x00, 0x05}, "mouse_key_up_Swing"},
      {{0x12, 0x00, 0x80}, "mouse_key_down_Swing"},
      {{0x14, 7, 8}, "mouse_key_fire_key"},
      {{0x40, 0x02, 0x00}, "system_sleep"},
      {{0x40, 0x02, 0x01}, std::nullopt},
      {{0x70, 2, 0}, "Reload", Source::kMacroName},
      {{0x71, 2, 5}, "Reload", Source::kMacroName},
      {{0x70, 9, 0}, std::nullopt},  // no such macro
      {{0x99, 1, 2}, "关闭", Source::kLiteral},
      {{0x01, 0, 0}, "关闭", Source::kLiteral},
  };
  const FakeMacros macros;
  for (const auto& c : cases) {
    const auto name = FunctionNameId(c.fn, &macros);
    const std::string label = std::to_string(c.fn.kind) + "/" + std::to_string(c.fn.param1) +
                              "/" + std::to_string(c.fn.param2);
    ASSERT_EQ(name.has_value(), c.expected.has_value()) << label;
    if (!name) continue;
    EXPECT_EQ(std::string(name->text), *c.expected) << label;
    EXPECT_EQ(name->source, c.source) << label;
  }
}

TEST(FunctionNameId, CarriedKindsKeepTheCurrentText) {
  for (const int kind : {0x15, 0x50, 0x60, 0xA0, 0xB0, 0xC0}) {
    EXPECT_FALSE(FunctionNameId({static_cast<std::uint8_t>(kind), 1, 2}).has_value()) << kind;
  }
  EXPECT_FALSE(FunctionNameId({0x70, 2, 0}).has_value()) << "no macro library given";
}

TEST(FindKeyByHostCode, FirstRowBelowTheLimit) {
  EXPECT_EQ(FindKeyByHostCode(0xB3, kMacroRecordRowLimit), std::nullopt);
  EXPECT_EQ(FindKeyByHostCode(0xB3, kKeyboardKeyRows), 106u);
  EXPECT_EQ(FindKeyByHostCode(0xB5, kKeyboardKeyRows), 120u);  // row 121 never wins
  EXPECT_EQ(FindKeyByHostCode(0x41, kMacroRecordRowLimit), 8u);
  EXPECT_EQ(FindKeyByHostCode(0x103, kKeyboardKeyRows), 122u);
  EXPECT_EQ(FindKeyByHostCode(0x0D, 44), std::nullopt);
  EXPECT_EQ(FindKeyByHostCode(0x0D, 1000), 44u);  // limits past the table are the table
}

TEST(HostKeyCode, OnlyExtendedEnterBecomesKeypadEnter) {
  const std::pair<std::uint32_t, std::uint16_t> enter[] = {
      {0x01, 0x101}, {0x81, 0x101}, {0x11, 0x0D}, {0x00, 0x0D}, {0x80, 0x0D}};
  for (const auto& [flags, code] : enter) EXPECT_EQ(HostKeyCode(0x0D, flags), code) << flags;
  EXPECT_EQ(HostKeyCode(0x41, 0x01), 0x41);
  const auto row = FindKeyByHostCode(HostKeyCode(0x0D, 0x01), kKeyboardKeyRows);
  ASSERT_TRUE(row);
  EXPECT_EQ(kKeyboardKeyTable.names[*row], "keyboard_key_Num Enter");
}

TEST(FindFunctionRow, MatchModesNeverCompareTheKind) {
  EXPECT_EQ(FindFunctionRow(kMouseButtonTable, {0x99, 0x02, 0x55}, MatchMode::kParam1Only), 2u);
  EXPECT_EQ(FindFunctionRow(kMouseButtonTable, {0x10, 0x02, 0x55}, MatchMode::kBothParams),
            std::nullopt);
  EXPECT_EQ(FindFunctionRow(kKeyboardKeyTable, {0x30, 0x83, 0x01}, MatchMode::kBothParams), 120u);
  EXPECT_EQ(FindFunctionRow(kSwingUpDownTable, {0x12, 0xFF, 0xFF}, MatchMode::kBothParams), 1u);
}

// Every row of the keyboard table, written out by hand: host codes are the Windows
// virtual-key codes of the keys, the usages those of the HID usage tables' keyboard page
// (kind 0x20, usage in param2, modifiers as bits of param1) and consumer page (kind 0x30,
// usage low byte first), and the names the language files' ids of the keys.
struct KeyRowCase {
  std::size_t row;
  std::uint16_t hostCode;
  std::uint8_t kind;
  std::uint8_t param1;
  std::uint8_t param2;
  std::string_view name;
};

constexpr KeyRowCase kKeyboardRows[] = {
      {  0, 0x0A2, 0x20, 0x01, 0x00, "keyboard_key_LCtrl"},
      {  1, 0x0A0, 0x20, 0x02, 0x00, "keyboard_key_LShift"},
      {  2, 0x0A4, 0x20, 0x04, 0x00, "keyboard_key_LAlt"},
      {  3, 0x05B, 0x20, 0x08, 0x00, "keyboard_key_LWin"},
      {  4, 0x0A3, 0x20, 0x10, 0x00, "keyboard_key_RCtrl"},
      {  5, 0x0A1, 0x20, 0x20, 0x00, "keyboard_key_RShift"},
      {  6, 0x0A5, 0x20, 0x40, 0x00, "keyboard_key_RAlt"},
      {  7, 0x05C, 0x20, 0x80, 0x00, "keyboard_key_RWin"},
      {  8, 0x041, 0x20, 0x00, 0x04, "keyboard_key_A"},
      {  9, 0x042, 0x20, 0x00, 0x05, "keyboard_key_B"},
      { 10, 0x043, 0x20, 0x00, 0x06, "keyboard_key_C"},
      { 11, 0x044, 0x20, 0x00, 0x07, "keyboard_key_D"},
      { 12, 0x045, 0x20, 0x00, 0x08, "keyboard_key_E"},
      { 13, 0x046, 0x20, 0x00, 0x09, "keyboard_key_F"},
      { 14, 0x047, 0x20, 0x00, 0x0A, "keyboard_key_G"},
      { 15, 0x048, 0x20, 0x00, 0x0B, "keyboard_key_H"},
      { 16, 0x049, 0x20, 0x00, 0x0C, "keyboard_key_I"},
      { 17, 0x04A, 0x20, 0x00, 0x0D, "keyboard_key_J"},
      { 18, 0x04B, 0x20, 0x00, 0x0E, "keyboard_key_K"},
      { 19, 0x04C, 0x20, 0x00, 0x0F, "keyboard_key_L"},
      { 20, 0x04D, 0x20, 0x00, 0x10, "keyboard_key_M"},
      { 21, 0x04E, 0x20, 0x00, 0x11, "keyboard_key_N"},
      { 22, 0x04F, 0x20, 0x00, 0x12, "keyboard_key_O"},
      { 23, 0x050, 0x20, 0x00, 0x13, "keyboard_key_P"},
      { 24, 0x051, 0x20, 0x00, 0x14, "keyboard_key_Q"},
      { 25, 0x052, 0x20, 0x00, 0x15, "keyboard_key_R"},
      { 26, 0x053, 0x20, 0x00, 0x16, "keyboard_key_S"},
      { 27, 0x054, 0x20, 0x00, 0x17, "keyboard_key_T"},
      { 28, 0x055, 0x20, 0x00, 0x18, "keyboard_key_U"},
      { 29, 0x056, 0x20, 0x00, 0x19, "keyboard_key_V"},
      { 30, 0x057, 0x20, 0x00, 0x1A, "keyboard_key_W"},
      { 31, 0x058, 0x20, 0x00, 0x1B, "keyboard_key_X"},
      { 32, 0x059, 0x20, 0x00, 0x1C, "keyboard_key_Y"},
      { 33, 0x05A, 0x20, 0x00, 0x1D, "keyboard_key_Z"},
      { 34, 0x031, 0x20, 0x00, 0x1E, "keyboard_key_1"},
      { 35, 0x032, 0x20, 0x00, 0x1F, "keyboard_key_2"},
      { 36, 0x033, 0x20, 0x00, 0x20, "keyboard_key_3"},
      { 37, 0x034, 0x20, 0x00, 0x21, "keyboard_key_4"},
      { 38, 0x035, 0x20, 0x00, 0x22, "keyboard_key_5"},
      { 39, 0x036, 0x20, 0x00, 0x23, "keyboard_key_6"},
      { 40, 0x037, 0x20, 0x00, 0x24, "keyboard_key_7"},
      { 41, 0x038, 0x20, 0x00, 0x25, "keyboard_key_8"},
      { 42, 0x039, 0x20, 0x00, 0x26, "keyboard_key_9"},
      { 43, 0x030, 0x20, 0x00, 0x27, "keyboard_key_0"},
      { 44, 0x00D, 0x20, 0x00, 0x28, "keyboard_key_Enter"},
      { 45, 0x01B, 0x20, 0x00, 0x29, "keyboard_key_Esc"},
      { 46, 0x008, 0x20, 0x00, 0x2A, "keyboard_key_BackSpace"},
      { 47, 0x009, 0x20, 0x00, 0x2B, "keyboard_key_Tab"},
      { 48, 0x020, 0x20, 0x00, 0x2C, "keyboard_key_Space"},
      { 49, 0x0BD, 0x20, 0x00, 0x2D, "keyboard_key_-"},
      { 50, 0x0BB, 0x20, 0x00, 0x2E, "keyboard_key_="},
      { 51, 0x0DB, 0x20, 0x00, 0x2F, "keyboard_key_["},
      { 52, 0x0DD, 0x20, 0x00, 0x30, "keyboard_key_]"},
      { 53, 0x0DC, 0x20, 0x00, 0x31, "keyboard_key_xiegang"},
      { 54, 0x0BA, 0x20, 0x00, 0x33, "keyboard_key_;"},
      { 55, 0x0DE, 0x20, 0x00, 0x34, "keyboard_key_'"},
      { 56, 0x0C0, 0x20, 0x00, 0x35, "keyboard_key_`"},
      { 57, 0x0BC, 0x20, 0x00, 0x36, "keyboard_key_<"},
      { 58, 0x0BE, 0x20, 0x00, 0x37, "keyboard_key_."},
      { 59, 0x0BF, 0x20, 0x00, 0x38, "keyboard_key_/"},
      { 60, 0x014, 0x20, 0x00, 0x39, "keyboard_key_Caplk"},
      { 61, 0x070, 0x20, 0x00, 0x3A, "keyboard_key_F1"},
      { 62, 0x071, 0x20, 0x00, 0x3B, "keyboard_key_F2"},
      { 63, 0x072, 0x20, 0x00, 0x3C, "keyboard_key_F3"},
      { 64, 0x073, 0x20, 0x00, 0x3D, "keyboard_key_F4"},
      { 65, 0x074, 0x20, 0x00, 0x3E, "keyboard_key_F5"},
      { 66, 0x075, 0x20, 0x00, 0x3F, "keyboard_key_F6"},
      { 67, 0x076, 0x20, 0x00, 0x40, "keyboard_key_F7"},
      { 68, 0x077, 0x20, 0x00, 0x41, "keyboard_key_F8"},
      { 69, 0x078, 0x20, 0x00, 0x42, "keyboard_key_F9"},
      { 70, 0x079, 0x20, 0x00, 0x43, "keyboard_key_F10"},
      { 71, 0x07A, 0x20, 0x00, 0x44, "keyboard_key_F11"},
      { 72, 0x07B, 0x20, 0x00, 0x45, "keyboard_key_F12"},
      { 73, 0x02C, 0x20, 0x00, 0x46, "keyboard_key_Print Scr"},
      { 74, 0x091, 0x20, 0x00, 0x47, "keyboard_key_Scroll Lock"},
      { 75, 0x013, 0x20, 0x00, 0x48, "keyboard_key_Pause"},
      { 76, 0x02D, 0x20, 0x00, 0x49, "keyboard_key_Insert"},
      { 77, 0x024, 0x20, 0x00, 0x4A, "keyboard_key_Home"},
      { 78, 0x021, 0x20, 0x00, 0x4B, "keyboard_key_Page Up"},
      { 79, 0x02E, 0x20, 0x00, 0x4C, "keyboard_key_Delete"},
      { 80, 0x023, 0x20, 0x00, 0x4D, "keyboard_key_End"},
      { 81, 0x022, 0x20, 0x00, 0x4E, "keyboard_key_Page Down"},
      { 82, 0x027, 0x20, 0x00, 0x4F, "keyboard_key_Right"},
      { 83, 0x025, 0x20, 0x00, 0x50, "keyboard_key_Left"},
      { 84, 0x028, 0x20, 0x00, 0x51, "keyboard_key_Down"},
      { 85, 0x026, 0x20, 0x00, 0x52, "keyboard_key_Up"},
      { 86, 0x090, 0x20, 0x00, 0x53, "keyboard_key_Num Lock"},
      { 87, 0x06F, 0x20, 0x00, 0x54, "keyboard_key_Num /"},
      { 88, 0x06A, 0x20, 0x00, 0x55, "keyboard_key_Num *"},
      { 89, 0x06D, 0x20, 0x00, 0x56, "keyboard_key_Num -"},
      { 90, 0x06B, 0x20, 0x00, 0x57, "keyboard_key_Num +"},
      { 91, 0x101, 0x20, 0x00, 0x58, "keyboard_key_Num Enter"},
      { 92, 0x061, 0x20, 0x00, 0x59, "keyboard_key_Num 1"},
      { 93, 0x062, 0x20, 0x00, 0x5A, "keyboard_key_Num 2"},
      { 94, 0x063, 0x20, 0x00, 0x5B, "keyboard_key_Num 3"},
      { 95, 0x064, 0x20, 0x00, 0x5C, "keyboard_key_Num 4"},
      { 96, 0x065, 0x20, 0x00, 0x5D, "keyboard_key_Num 5"},
      { 97, 0x066, 0x20, 0x00, 0x5E, "keyboard_key_Num 6"},
      { 98, 0x067, 0x20, 0x00, 0x5F, "keyboard_key_Num 7"},
      { 99, 0x068, 0x20, 0x00, 0x60, "keyboard_key_Num 8"},
      {100, 0x069, 0x20, 0x00, 0x61, "keyboard_key_Num 9"},
      {101, 0x060, 0x20, 0x00, 0x62, "keyboard_key_Num 0"},
      {102, 0x06E, 0x20, 0x00, 0x63, "keyboard_key_Decimal"},
      {103, 0x05D, 0x20, 0x00, 0x65, "keyboard_key_App"},
      {104, 0x0B7, 0x30, 0x92, 0x01, "keyboard_key_Launch App2"},
      {105, 0x0AC, 0x30, 0x23, 0x02, "keyboard_key_Browaer Home"},
      {106, 0x0B3, 0x30, 0xCD, 0x00, "keyboard_key_Media Play Pause"},
      {107, 0x0AA, 0x30, 0x21, 0x02, "keyboard_key_Browser Search"},
      {108, 0x0B4, 0x30, 0x8A, 0x01, "keyboard_key_Launch Mail"},
      {109, 0x0AF, 0x30, 0xE9, 0x00, "keyboard_key_Volume Up"},
      {110, 0x0AD, 0x30, 0xE2, 0x00, "keyboard_key_Volume Mute"},
      {111, 0x0B2, 0x30, 0xB7, 0x00, "keyboard_key_Media Stop"},
      {112, 0x0AE, 0x30, 0xEA, 0x00, "keyboard_key_Volume Down"},
      {113, 0x0AB, 0x30, 0x2A, 0x02, "keyboard_key_Browser Favorites"},
      {114, 0x0A7, 0x30, 0x25, 0x02, "keyboard_key_Browser ForWard"},
      {115, 0x0A6, 0x30, 0x24, 0x02, "keyboard_key_Browser Back"},
      {116, 0x0B1, 0x30, 0xB6, 0x00, "keyboard_key_Media Prev Track"},
      {117, 0x0B0, 0x30, 0xB5, 0x00, "keyboard_key_Media Next Track"},
      {118, 0x0B6, 0x30, 0x94, 0x01, "keyboard_key_Computer"},
      {119, 0x0A8, 0x30, 0x27, 0x02, "keyboard_key_Browser Refresh"},
      {120, 0x0B5, 0x30, 0x83, 0x01, "keyboard_key_Launch Media Select"},
      {121, 0x0B5, 0x30, 0x83, 0x01, "keyboard_key_Launch Media Select"},
      {122, 0x103, 0x40, 0x01, 0x00, "keyboard_key_Power"},
      {123, 0x104, 0x40, 0x02, 0x00, "keyboard_key_Sleep"},
      {124, 0x105, 0x40, 0x04, 0x00, "keyboard_key_Wakeup"},
};

TEST(KeyboardKeyTable, EveryRowHoldsItsKeysHostCodeUsageAndName) {
  ASSERT_EQ(std::size(kKeyboardRows), kKeyboardKeyRows);
  for (std::size_t i = 0; i < std::size(kKeyboardRows); ++i) {
    const KeyRowCase& c = kKeyboardRows[i];
    ASSERT_EQ(c.row, i) << "the cases list every row in order";
    const KeyCodeRow& row = kKeyboardKeyTable.rows[c.row];
    EXPECT_EQ(row.hostCode, c.hostCode) << c.name;
    EXPECT_EQ(row.function.kind, c.kind) << c.name;
    EXPECT_EQ(row.function.param1, c.param1) << c.name;
    EXPECT_EQ(row.function.param2, c.param2) << c.name;
    EXPECT_EQ(row.pad, 0) << c.name;
    EXPECT_EQ(kKeyboardKeyTable.names[c.row], c.name) << c.row;
  }
}

// What a user sees of the table: capturing a key finds its row, and a stored keyboard key
// function is shown under its key's name.
TEST(KeyboardKeyTable, CapturedKeysAndStoredFunctionsFindTheirKey) {
  for (const KeyRowCase& c : kKeyboardRows) {
    const auto row = FindKeyByHostCode(c.hostCode, kKeyboardKeyRows);
    ASSERT_TRUE(row.has_value()) << c.name;
    EXPECT_EQ(*row, c.row == 121 ? 120u : c.row) << c.name;  // the duplicate never wins
    if (c.kind != 0x20) continue;  // media and system functions are named by their own tables
    const auto name = FunctionNameId({c.kind, c.param1, c.param2});
    ASSERT_TRUE(name.has_value()) << c.name;
    EXPECT_EQ(name->text, c.name);
  }
}

// The media and system key functions with the language id each is shown under: consumer
// page usages (low byte, high byte) and the system control bits.
TEST(MediaAndSystemKeys, EachFunctionIsShownUnderItsOwnName) {
  struct Case {
    KeyFunction fn;
    std::string_view name;
  };
  const Case cases[] = {
      {{0x30, 0x83, 0x01}, "media_text"},    {{0x30, 0xCD, 0x00}, "media_play"},
      {{0x30, 0xB7, 0x00}, "media_stop"},    {{0x30, 0xB6, 0x00}, "media_prev"},
      {{0x30, 0xB5, 0x00}, "media_next"},    {{0x30, 0xEA, 0x00}, "media_vol_sub"},
      {{0x30, 0xE9, 0x00}, "media_vol_add"}, {{0x30, 0xE2, 0x00}, "media_mute"},
      {{0x30, 0x23, 0x02}, "web_text"},      {{0x30, 0x27, 0x02}, "web_refresh"},
      {{0x30, 0x26, 0x02}, "wed_stop"},      {{0x30, 0x24, 0x02}, "wed_back"},
      {{0x30, 0x25, 0x02}, "wed_forward"},   {{0x30, 0x2A, 0x02}, "wed_favorite"},
      {{0x30, 0x21, 0x02}, "web_search"},    {{0x30, 0x94, 0x01}, "media_mypc"},
      {{0x30, 0x92, 0x01}, "media_calc"},    {{0x30, 0x8A, 0x01}, "media_mail"},
      {{0x40, 0x01, 0x00}, "system_power"},  {{0x40, 0x02, 0x00}, "system_sleep"},
      {{0x40, 0x04, 0x00}, "system_wake_up"},
  };
  for (const Case& c : cases) {
    const auto name = FunctionNameId(c.fn);
    ASSERT_TRUE(name.has_value()) << c.name;
    EXPECT_EQ(name->text, c.name);
  }
  // The editor's lists offer the rows in this order.
  for (std::size_t i = 0; i < kMediaKeyTable.rows.size(); ++i) {
    EXPECT_EQ(kMediaKeyTable.names[i], cases[i].name) << i;
    EXPECT_EQ(kMediaKeyTable.rows[i].function, cases[i].fn) << i;
  }
  for (std::size_t i = 0; i < kSystemKeyTable.rows.size(); ++i) {
    EXPECT_EQ(kSystemKeyTable.names[i], cases[18 + i].name) << i;
  }
}

TEST(MacroMouseEventTable, SideButtonsShareTheirMessages) {
  const auto& t = kMacroMouseEventTable;
  EXPECT_EQ(t.rows[6].hostCode, t.rows[8].hostCode);
  EXPECT_EQ(t.names[6], "mouse_key_forward");
  EXPECT_EQ(t.names[8], "mouse_key_back");
  for (std::size_t i = 0; i < 10; ++i) {
    EXPECT_EQ(t.rows[i].function.param2, i % 2 == 0 ? 0x81 : 0x01) << i;  // down, up
  }
}

}  // namespace
}  // namespace tavrinex::keys
