#include "keys/key_code_tables.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <set>
#include <string>
#include <tuple>

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

// Shape of the keyboard table: the kinds by row range, usages in their documented runs, and
// the one intended duplicate.
TEST(KeyboardKeyTable, RowsFollowTheirRanges) {
  std::set<std::tuple<int, int, int>> seen;
  for (std::size_t i = 0; i < kKeyboardKeyRows; ++i) {
    const auto& row = kKeyboardKeyTable.rows[i];
    const int expectedKind = i < 104 ? 0x20 : i < 122 ? 0x30 : 0x40;
    EXPECT_EQ(row.function.kind, expectedKind) << i;
    EXPECT_EQ(row.pad, 0) << i;
    EXPECT_EQ(kKeyboardKeyTable.names[i].rfind("keyboard_key_", 0), 0u) << i;
    const bool fresh =
        seen.insert({row.function.kind, row.function.param1, row.function.param2}).second;
    EXPECT_EQ(fresh, i != 121) << i;
  }
  EXPECT_EQ(kKeyboardKeyTable.rows[33].hostCode, 0x5A);
  EXPECT_EQ(kKeyboardKeyTable.rows[33].function.param2, 0x1D);
  EXPECT_EQ(kKeyboardKeyTable.rows[103].function.param2, 0x65);
  EXPECT_EQ(kKeyboardKeyTable.names[57], "keyboard_key_<");
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
