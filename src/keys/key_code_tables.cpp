#include "keys/key_code_tables.h"

namespace tavrinex::keys {

namespace {

constexpr std::uint16_t kEnterVirtualKey = 0x0D;

template <std::size_t N>
std::optional<FunctionName> NameOfRow(const KeyCodeTable<N>& table, KeyFunction fn,
                                      MatchMode mode) {
  const auto row = FindFunctionRow(table, fn, mode);
  if (!row) return std::nullopt;
  return FunctionName{FunctionName::Source::kLanguageId, table.names[*row]};
}

std::optional<FunctionName> LanguageId(std::string_view id) {
  return FunctionName{FunctionName::Source::kLanguageId, id};
}

}  // namespace

std::optional<std::size_t> FindKeyByHostCode(std::uint16_t hostCode, std::size_t rowLimit) {
  const std::size_t limit = rowLimit < kKeyboardKeyRows ? rowLimit : kKeyboardKeyRows;
  for (std::size_t i = 0; i < limit; ++i) {
    if (kKeyboardKeyTable.rows[i].hostCode == hostCode) return i;
  }
  return std::nullopt;
}

std::uint16_t HostKeyCode(std::uint16_t virtualKey, std::uint32_t eventFlags) {
  if (virtualKey == kEnterVirtualKey && (eventFlags == 0x01 || eventFlags == 0x81)) {
    return kKeypadEnterHostCode;
  }
  return virtualKey;
}

std::optional<FunctionName> FunctionNameId(KeyFunction fn, const MacroNames* macros) {
  const bool directionBit = (fn.param2 & 0x80) != 0;
  switch (fn.kind) {
    case 0x00:
    case 0x20: return NameOfRow(kKeyboardKeyTable, fn, MatchMode::kBothParams);
    case 0x10: return NameOfRow(kMouseButtonTable, fn, MatchMode::kParam1Only);
    case 0x11: return LanguageId(directionBit ? "mouse_key_right_Swing" : "mouse_key_left_Swing");
    case 0x12: return LanguageId(directionBit ? "mouse_key_down_Swing" : "mouse_key_up_Swing");
    case 0x13: return NameOfRow(kDpiKeyTable, fn, MatchMode::kParam1Only);
    case 0x14: return LanguageId(kFireKeyName);
    case 0x21:
    case 0x30: return NameOfRow(kMediaKeyTable, fn, MatchMode::kBothParams);
    case 0x40: return NameOfRow(kSystemKeyTable, fn, MatchMode::kBothParams);
    case 0x70:
    case 0x71: {
      if (macros == nullptr) return std::nullopt;
      const auto name = macros->MacroName(fn.param1);
      if (!name) return std::nullopt;
      return FunctionName{FunctionName::Source::kMacroName, *name};
    }
    case 0x15:
    case 0x50:
    case 0x60:
    case 0xA0:
    case 0xB0:
    case 0xC0: return std::nullopt;
    default: return FunctionName{FunctionName::Source::kLiteral, kOffText};
  }
}

}  // namespace tavrinex::keys
