// The constant tables that translate between host key codes and mouse messages, the
// three-byte key functions a device stores, and the language ids the window shows for them.
// Look-ups scan from the first row and stop at the first match: where two rows are equal,
// the earlier one wins.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "keys/key_function.h"

namespace tavrinex::keys {

// One row: the host code compared with hook input, then the function a device stores.
struct KeyCodeRow {
  std::uint16_t hostCode = 0;
  KeyFunction function;
  std::uint8_t pad = 0;
};
static_assert(sizeof(KeyCodeRow) == 6);

template <std::size_t N>
struct KeyCodeTable {
  std::array<KeyCodeRow, N> rows;
  std::array<std::string_view, N> names;  // language ids, one per row; empty: no name
};

// Host code: Windows virtual-key code; 0x101 is keypad Enter, 0x103-0x105 never match.
// Rows 0-103 keyboard keys, 104-121 media keys, 122-124 system keys.
inline constexpr std::size_t kKeyboardKeyRows = 125;
inline constexpr std::size_t kMacroRecordRowLimit = 104;  // media and system keys are not recorded
inline constexpr std::uint16_t kKeypadEnterHostCode = 0x101;

inline constexpr KeyCodeTable<kKeyboardKeyRows> kKeyboardKeyTable = {{{
    {0x0A2, {0x20, 0x01, 0x00}},  //   0 LCtrl
    {0x0A0, {0x20, 0x02, 0x00}},  //   1 LShift
    {0x0A4, {0x20, 0x04, 0x00}},  //   2 LAlt
    {0x05B, {0x20, 0x08, 0x00}},  //   3 LWin
    {0x0A3, {0x20, 0x10, 0x00}},  //   4 RCtrl
    {0x0A1, {0x20, 0x20, 0x00}},  //   5 RShift
    {0x0A5, {0x20, 0x40, 0x00}},  //   6 RAlt
    {0x05C, {0x20, 0x80, 0x00}},  //   7 RWin
    {0x041, {0x20, 0x00, 0x04}},  //   8 A
    {0x042, {0x20, 0x00, 0x05}},  //   9 B
    {0x043, {0x20, 0x00, 0x06}},  //  10 C
    {0x044, {0x20, 0x00, 0x07}},  //  11 D
    {0x045, {0x20, 0x00, 0x08}},  //  12 E
    {0x046, {0x20, 0x00, 0x09}},  //  13 F
    {0x047, {0x20, 0x00, 0x0A}},  //  14 G
    {0x048, {0x20, 0x00, 0x0B}},  //  15 H
    {0x049, {0x20, 0x00, 0x0C}},  //  16 I
    {0x04A, {0x20, 0x00, 0x0D}},  //  17 J
    {0x04B, {0x20, 0x00, 0x0E}},  //  18 K
    {0x04C, {0x20, 0x00, 0x0F}},  //  19 L
    {0x04D, {0x20, 0x00, 0x10}},  //  20 M
    {0x04E, {0x20, 0x00, 0x11}},  //  21 N
    {0x04F, {0x20, 0x00, 0x12}},  //  22 O
    {0x050, {0x20, 0x00, 0x13}},  //  23 P
    {0x051, {0x20, 0x00, 0x14}},  //  24 Q
    {0x052, {0x20, 0x00, 0x15}},  //  25 R
    {0x053, {0x20, 0x00, 0x16}},  //  26 S
    {0x054, {0x20, 0x00, 0x17}},  //  27 T
    {0x055, {0x20, 0x00, 0x18}},  //  28 U
    {0x056, {0x20, 0x00, 0x19}},  //  29 V
    {0x057, {0x20, 0x00, 0x1A}},  //  30 W
    {0x058, {0x20, 0x00, 0x1B}},  //  31 X
    {0x059, {0x20, 0x00, 0x1C}},  //  32 Y
    {0x05A, {0x20, 0x00, 0x1D}},  //  33 Z
    {0x031, {0x20, 0x00, 0x1E}},  //  34 1
    {0x032, {0x20, 0x00, 0x1F}},  //  35 2
    {0x033, {0x20, 0x00, 0x20}},  //  36 3
    {0x034, {0x20, 0x00, 0x21}},  //  37 4
    {0x035, {0x20, 0x00, 0x22}},  //  38 5
    {0x036, {0x20, 0x00, 0x23}},  //  39 6
    {0x037, {0x20, 0x00, 0x24}},  //  40 7
    {0x038, {0x20, 0x00, 0x25}},  //  41 8
    {0x039, {0x20, 0x00, 0x26}},  //  42 9
    {0x030, {0x20, 0x00, 0x27}},  //  43 0
    {0x00D, {0x20, 0x00, 0x28}},  //  44 Enter
    {0x01B, {0x20, 0x00, 0x29}},  //  45 Esc
    {0x008, {0x20, 0x00, 0x2A}},  //  46 BackSpace
    {0x009, {0x20, 0x00, 0x2B}},  //  47 Tab
    {0x020, {0x20, 0x00, 0x2C}},  //  48 Space
    {0x0BD, {0x20, 0x00, 0x2D}},  //  49 -
    {0x0BB, {0x20, 0x00, 0x2E}},  //  50 =
    {0x0DB, {0x20, 0x00, 0x2F}},  //  51 [
    {0x0DD, {0x20, 0x00, 0x30}},  //  52 ]
    {0x0DC, {0x20, 0x00, 0x31}},  //  53 xiegang
    {0x0BA, {0x20, 0x00, 0x33}},  //  54 ;
    {0x0DE, {0x20, 0x00, 0x34}},  //  55 '
    {0x0C0, {0x20, 0x00, 0x35}},  //  56 `
    {0x0BC, {0x20, 0x00, 0x36}},  //  57 <
    {0x0BE, {0x20, 0x00, 0x37}},  //  58 .
    {0x0BF, {0x20, 0x00, 0x38}},  //  59 /
    {0x014, {0x20, 0x00, 0x39}},  //  60 Caplk
    {0x070, {0x20, 0x00, 0x3A}},  //  61 F1
    {0x071, {0x20, 0x00, 0x3B}},  //  62 F2
    {0x072, {0x20, 0x00, 0x3C}},  //  63 F3
    {0x073, {0x20, 0x00, 0x3D}},  //  64 F4
    {0x074, {0x20, 0x00, 0x3E}},  //  65 F5
    {0x075, {0x20, 0x00, 0x3F}},  //  66 F6
    {0x076, {0x20, 0x00, 0x40}},  //  67 F7
    {0x077, {0x20, 0x00, 0x41}},  //  68 F8
    {0x078, {0x20, 0x00, 0x42}},  //  69 F9
    {0x079, {0x20, 0x00, 0x43}},  //  70 F10
    {0x07A, {0x20, 0x00, 0x44}},  //  71 F11
    {0x07B, {0x20, 0x00, 0x45}},  //  72 F12
    {0x02C, {0x20, 0x00, 0x46}},  //  73 Print Scr
    {0x091, {0x20, 0x00, 0x47}},  //  74 Scroll Lock
    {0x013, {0x20, 0x00, 0x48}},  //  75 Pause
    {0x02D, {0x20, 0x00, 0x49}},  //  76 Insert
    {0x024, {0x20, 0x00, 0x4A}},  //  77 Home
    {0x021, {0x20, 0x00, 0x4B}},  //  78 Page Up
    {0x02E, {0x20, 0x00, 0x4C}},  //  79 Delete
    {0x023, {0x20, 0x00, 0x4D}},  //  80 End
    {0x022, {0x20, 0x00, 0x4E}},  //  81 Page Down
    {0x027, {0x20, 0x00, 0x4F}},  //  82 Right
    {0x025, {0x20, 0x00, 0x50}},  //  83 Left
    {0x028, {0x20, 0x00, 0x51}},  //  84 Down
    {0x026, {0x20, 0x00, 0x52}},  //  85 Up
    {0x090, {0x20, 0x00, 0x53}},  //  86 Num Lock
    {0x06F, {0x20, 0x00, 0x54}},  //  87 Num /
    {0x06A, {0x20, 0x00, 0x55}},  //  88 Num *
    {0x06D, {0x20, 0x00, 0x56}},  //  89 Num -
    {0x06B, {0x20, 0x00, 0x57}},  //  90 Num +
    {0x101, {0x20, 0x00, 0x58}},  //  91 Num Enter
    {0x061, {0x20, 0x00, 0x59}},  //  92 Num 1
    {0x062, {0x20, 0x00, 0x5A}},  //  93 Num 2
    {0x063, {0x20, 0x00, 0x5B}},  //  94 Num 3
    {0x064, {0x20, 0x00, 0x5C}},  //  95 Num 4
    {0x065, {0x20, 0x00, 0x5D}},  //  96 Num 5
    {0x066, {0x20, 0x00, 0x5E}},  //  97 Num 6
    {0x067, {0x20, 0x00, 0x5F}},  //  98 Num 7
    {0x068, {0x20, 0x00, 0x60}},  //  99 Num 8
    {0x069, {0x20, 0x00, 0x61}},  // 100 Num 9
    {0x060, {0x20, 0x00, 0x62}},  // 101 Num 0
    {0x06E, {0x20, 0x00, 0x63}},  // 102 Decimal
    {0x05D, {0x20, 0x00, 0x65}},  // 103 App
    {0x0B7, {0x30, 0x92, 0x01}},  // 104 Launch App2
    {0x0AC, {0x30, 0x23, 0x02}},  // 105 Browaer Home
    {0x0B3, {0x30, 0xCD, 0x00}},  // 106 Media Play Pause
    {0x0AA, {0x30, 0x21, 0x02}},  // 107 Browser Search
    {0x0B4, {0x30, 0x8A, 0x01}},  // 108 Launch Mail
    {0x0AF, {0x30, 0xE9, 0x00}},  // 109 Volume Up
    {0x0AD, {0x30, 0xE2, 0x00}},  // 110 Volume Mute
    {0x0B2, {0x30, 0xB7, 0x00}},  // 111 Media Stop
    {0x0AE, {0x30, 0xEA, 0x00}},  // 112 Volume Down
    {0x0AB, {0x30, 0x2A, 0x02}},  // 113 Browser Favorites
    {0x0A7, {0x30, 0x25, 0x02}},  // 114 Browser ForWard
    {0x0A6, {0x30, 0x24, 0x02}},  // 115 Browser Back
    {0x0B1, {0x30, 0xB6, 0x00}},  // 116 Media Prev Track
    {0x0B0, {0x30, 0xB5, 0x00}},  // 117 Media Next Track
    {0x0B6, {0x30, 0x94, 0x01}},  // 118 Computer
    {0x0A8, {0x30, 0x27, 0x02}},  // 119 Browser Refresh
    {0x0B5, {0x30, 0x83, 0x01}},  // 120 Launch Media Select
    {0x0B5, {0x30, 0x83, 0x01}},  // 121 Launch Media Select
    {0x103, {0x40, 0x01, 0x00}},  // 122 Power
    {0x104, {0x40, 0x02, 0x00}},  // 123 Sleep
    {0x105, {0x40, 0x04, 0x00}},  // 124 Wakeup
}},
{
    "keyboard_key_LCtrl", "keyboard_key_LShift", "keyboard_key_LAlt", "keyboard_key_LWin",
    "keyboard_key_RCtrl", "keyboard_key_RShift", "keyboard_key_RAlt", "keyboard_key_RWin",
    "keyboard_key_A", "keyboard_key_B", "keyboard_key_C", "keyboard_key_D", "keyboard_key_E",
    "keyboard_key_F", "keyboard_key_G", "keyboard_key_H", "keyboard_key_I", "keyboard_key_J",
    "keyboard_key_K", "keyboard_key_L", "keyboard_key_M", "keyboard_key_N", "keyboard_key_O",
    "keyboard_key_P", "keyboard_key_Q", "keyboard_key_R", "keyboard_key_S", "keyboard_key_T",
    "keyboard_key_U", "keyboard_key_V", "keyboard_key_W", "keyboard_key_X", "keyboard_key_Y",
    "keyboard_key_Z", "keyboard_key_1", "keyboard_key_2", "keyboard_key_3", "keyboard_key_4",
    "keyboard_key_5", "keyboard_key_6", "keyboard_key_7", "keyboard_key_8", "keyboard_key_9",
    "keyboard_key_0", "keyboard_key_Enter", "keyboard_key_Esc", "keyboard_key_BackSpace",
    "keyboard_key_Tab", "keyboard_key_Space", "keyboard_key_-", "keyboard_key_=",
    "keyboard_key_[", "keyboard_key_]", "keyboard_key_xiegang", "keyboard_key_;",
    "keyboard_key_'", "keyboard_key_`", "keyboard_key_<", "keyboard_key_.", "keyboard_key_/",
    "keyboard_key_Caplk", "keyboard_key_F1", "keyboard_key_F2", "keyboard_key_F3",
    "keyboard_key_F4", "keyboard_key_F5", "keyboard_key_F6", "keyboard_key_F7", "keyboard_key_F8",
    "keyboard_key_F9", "keyboard_key_F10", "keyboard_key_F11", "keyboard_key_F12",
    "keyboard_key_Print Scr", "keyboard_key_Scroll Lock", "keyboard_key_Pause",
    "keyboard_key_Insert", "keyboard_key_Home", "keyboard_key_Page Up", "keyboard_key_Delete",
    "keyboard_key_End", "keyboard_key_Page Down", "keyboard_key_Right", "keyboard_key_Left",
    "keyboard_key_Down", "keyboard_key_Up", "keyboard_key_Num Lock", "keyboard_key_Num /",
    "keyboard_key_Num *", "keyboard_key_Num -", "keyboard_key_Num +", "keyboard_key_Num Enter",
    "keyboard_key_Num 1", "keyboard_key_Num 2", "keyboard_key_Num 3", "keyboard_key_Num 4",
    "keyboard_key_Num 5", "keyboard_key_Num 6", "keyboard_key_Num 7", "keyboard_key_Num 8",
    "keyboard_key_Num 9", "keyboard_key_Num 0", "keyboard_key_Decimal", "keyboard_key_App",
    "keyboard_key_Launch App2", "keyboard_key_Browaer Home", "keyboard_key_Media Play Pause",
    "keyboard_key_Browser Search", "keyboard_key_Launch Mail", "keyboard_key_Volume Up",
    "keyboard_key_Volume Mute", "keyboard_key_Media Stop", "keyboard_key_Volume Down",
    "keyboard_key_Browser Favorites", "keyboard_key_Browser ForWard", "keyboard_key_Browser Back",
    "keyboard_key_Media Prev Track", "keyboard_key_Media Next Track", "keyboard_key_Computer",
    "keyboard_key_Browser Refresh", "keyboard_key_Launch Media Select",
    "keyboard_key_Launch Media Select", "keyboard_key_Power", "keyboard_key_Sleep",
    "keyboard_key_Wakeup",
}};

// Host code = row number.
inline constexpr KeyCodeTable<5> kMouseButtonTable = {{{
    {0, {0x10, 0x01, 0}}, {1, {0x10, 0x04, 0}}, {2, {0x10, 0x02, 0}}, {3, {0x10, 0x10, 0}},
    {4, {0x10, 0x08, 0}},
}},
{"mouse_key_left", "mouse_key_middle", "mouse_key_right", "mouse_key_forward",
 "mouse_key_back"}};

// Templates only: the editor overwrites both parameters. Names come from the direction bit.
inline constexpr KeyCodeTable<2> kSwingLeftRightTable = {
    {{{0, {0x11, 0xFF, 0xFF}}, {1, {0x11, 0xFF, 0x01}}}}, {"", ""}};
inline constexpr KeyCodeTable<2> kSwingUpDownTable = {
    {{{0, {0x12, 0x01, 0x01}}, {1, {0x12, 0xFF, 0xFF}}}}, {"", ""}};

inline constexpr KeyCodeTable<3> kDpiKeyTable = {
    {{{0, {0x13, 1, 0}}, {1, {0x13, 2, 0}}, {2, {0x13, 3, 0}}}},
    {"mouse_key_DPI_add", "mouse_key_DPI_sub", "mouse_key_DPI_loop"}};

inline constexpr KeyCodeTable<3> kSystemKeyTable = {
    {{{0, {0x40, 0x01, 0}}, {1, {0x40, 0x02, 0}}, {2, {0x40, 0x04, 0}}}},
    {"system_power", "system_sleep", "system_wake_up"}};

// Consumer usage = param1 + 256 * param2.
inline constexpr KeyCodeTable<18> kMediaKeyTable = {{{
    {0, {0x30, 0x83, 0x01}},  {1, {0x30, 0xCD, 0x00}},  {2, {0x30, 0xB7, 0x00}},
    {3, {0x30, 0xB6, 0x00}},  {4, {0x30, 0xB5, 0x00}},  {5, {0x30, 0xEA, 0x00}},
    {6, {0x30, 0xE9, 0x00}},  {7, {0x30, 0xE2, 0x00}},  {8, {0x30, 0x23, 0x02}},
    {9, {0x30, 0x27, 0x02}},  {10, {0x30, 0x26, 0x02}}, {11, {0x30, 0x24, 0x02}},
    {12, {0x30, 0x25, 0x02}}, {13, {0x30, 0x2A, 0x02}}, {14, {0x30, 0x21, 0x02}},
    {15, {0x30, 0x94, 0x01}}, {16, {0x30, 0x92, 0x01}}, {17, {0x30, 0x8A, 0x01}},
}},
{"media_text", "media_play", "media_stop", "media_prev", "media_next", "media_vol_sub",
 "media_vol_add", "media_mute", "web_text", "web_refresh", "wed_stop", "wed_back",
 "wed_forward", "wed_favorite", "web_search", "media_mypc", "media_calc", "media_mail"}};

// Mouse events as macro actions: param1 is the event value, param2 the macro event code.
// Rows 6-7 are the forward button and 8-9 the back button under the same messages; rows
// 10-13 are pointer movement along X (4) and Y (5), which no mouse message equals.
inline constexpr KeyCodeTable<15> kMacroMouseEventTable = {{{
    {0x201, {0x10, 0x01, 0x81}}, {0x202, {0x10, 0x01, 0x01}}, {0x204, {0x10, 0x02, 0x81}},
    {0x205, {0x10, 0x02, 0x01}}, {0x207, {0x10, 0x04, 0x81}}, {0x208, {0x10, 0x04, 0x01}},
    {0x20B, {0x10, 0x10, 0x81}}, {0x20C, {0x10, 0x10, 0x01}}, {0x20B, {0x10, 0x08, 0x81}},
    {0x20C, {0x10, 0x08, 0x01}}, {4, {0x15, 0, 0x84}},       {4, {0x15, 0, 0x04}},
    {5, {0x15, 0, 0x85}},       {5, {0x15, 0, 0x05}},       {0x20A, {0x12, 0, 0}},
}},
{"mouse_key_left", "mouse_key_left", "mouse_key_right", "mouse_key_right", "mouse_key_middle",
 "mouse_key_middle", "mouse_key_forward", "mouse_key_forward", "mouse_key_back",
 "mouse_key_back", "mouse_move_to_left_text", "mouse_move_to_right_text",
 "mouse_move_to_up_text", "mouse_move_to_down_text", ""}};

inline constexpr std::string_view kFireKeyName = "mouse_key_fire_key";
inline constexpr std::string_view kOffText = "关闭";  // shown, untranslated, for unknown kinds

enum class MatchMode : std::uint8_t { kBothParams, kParam1Only };

// First keyboard row below rowLimit whose host code equals hostCode.
[[nodiscard]] std::optional<std::size_t> FindKeyByHostCode(std::uint16_t hostCode,
                                                           std::size_t rowLimit);

// The code a low-level keyboard event is looked up by: the virtual-key code, except Enter
// with event flags exactly 0x01 or 0x81 (extended, down or up), which is keypad Enter.
[[nodiscard]] std::uint16_t HostKeyCode(std::uint16_t virtualKey, std::uint32_t eventFlags);

// First row whose function equals fn under the match mode; the kind is never compared.
template <std::size_t N>
[[nodiscard]] constexpr std::optional<std::size_t> FindFunctionRow(const KeyCodeTable<N>& table,
                                                                   KeyFunction fn,
                                                                   MatchMode mode) {
  for (std::size_t i = 0; i < N; ++i) {
    const KeyFunction& row = table.rows[i].function;
    if (row.param1 == fn.param1 && (mode == MatchMode::kParam1Only || row.param2 == fn.param2)) {
      return i;
    }
  }
  return std::nullopt;
}

// What the window shows for a key function.
struct FunctionName {
  enum class Source : std::uint8_t {
    kLanguageId,  // resolve through the language files
    kLiteral,     // show as it stands ("关闭")
    kMacroName,   // the name of a macro in the library
  };
  Source source = Source::kLanguageId;
  std::string_view text;
};

// Names the macro with the given library index, or nothing when there is none.
class MacroNames {
 public:
  virtual ~MacroNames() = default;
  [[nodiscard]] virtual std::optional<std::string_view> MacroName(std::uint8_t index) const = 0;
};

// The name shown for fn; nothing when the caller should keep its current text (kinds that
// are carried but not named, and look-ups that find no row).
[[nodiscard]] std::optional<FunctionName> FunctionNameId(KeyFunction fn,
                                                         const MacroNames* macros = nullptr);

}  // namespace tavrinex::keys
