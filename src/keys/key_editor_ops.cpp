#include "keys/key_editor_ops.h"

#include <algorithm>

#include "storage/ignore_case.h"

namespace tavrinex::keys {
namespace {

template <std::size_t N>
std::optional<KeyFunction> RowAt(const KeyCodeTable<N>& table, int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= N) return std::nullopt;
  return table.rows[static_cast<std::size_t>(index)].function;
}

std::uint8_t Byte(int value) { return static_cast<std::uint8_t>(value & 0xFF); }

std::optional<KeyFunction> Swing(const KeyCodeTable<2>& templates, const FieldValues& v,
                                 Field direction, Field amount, Field high, Field low) {
  auto fn = RowAt(templates, v[At(direction)]);
  if (!fn) return std::nullopt;
  fn->param2 = Byte(v[At(amount)] + (v[At(direction)] != 0 ? 0x80 : 0));
  fn->param1 = Byte(16 * v[At(high)] + v[At(low)]);
  return fn;
}

template <std::size_t N>
void AddRow(FunctionView& view, Field field, const KeyCodeTable<N>& table, KeyFunction fn,
            MatchMode mode) {
  const auto row = FindFunctionRow(table, fn, mode);
  view.fields.emplace_back(field, row ? static_cast<int>(*row) : -1);
}

void AddSwing(FunctionView& view, KeyFunction fn, Field direction, Field amount, Field high,
              Field low) {
  const bool second = (fn.param2 & 0x80) != 0;
  view.fields.emplace_back(high, fn.param1 / 16);
  view.fields.emplace_back(low, fn.param1 % 16);
  view.fields.emplace_back(amount, second ? fn.param2 - 0x80 : fn.param2);
  view.fields.emplace_back(direction, second ? 1 : 0);
}

}  // namespace

std::optional<int> SelectorIndexOf(device::DeviceKind kind, std::uint8_t fnKind) {
  if (fnKind == static_cast<std::uint8_t>(KeyFunctionKind::kMacroRepeatKey)) fnKind = 0x70;
  const auto& kinds = SelectorKinds(kind);
  const auto it = std::find(kinds.begin(), kinds.end(), fnKind);
  if (it == kinds.end()) return std::nullopt;
  return static_cast<int>(it - kinds.begin());
}

ClampedNumber ClampTyped(std::string_view text, int maximum) {
  ClampedNumber out;
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  const bool negative = i < text.size() && text[i] == '-';
  if (negative || (i < text.size() && text[i] == '+')) ++i;
  long long value = 0;
  bool digits = false;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    digits = true;
    value = std::min<long long>(value * 10 + (text[i] - '0'), 1LL << 40);  // saturates
  }
  if (negative && digits && value > 0) {
    // A byte field cannot hold a negative number: it would wrap to a large one.
    out.rewrite = "0";
    return out;
  }
  if (value > maximum) {
    out.value = maximum;
    out.rewrite = std::to_string(maximum);
    return out;
  }
  out.value = static_cast<int>(value);
  return out;
}

std::optional<KeyFunction> BuildFunction(std::uint8_t selectedKind, const FieldValues& v,
                                         KeyFunction factoryDefault, KeyFunction edited,
                                         bool keyCaptured) {
  switch (selectedKind) {
    case 0x00: return factoryDefault;
    case 0x10: return RowAt(kMouseButtonTable, v[At(Field::kMouseButton)]);
    case 0x11:
      return Swing(kSwingLeftRightTable, v, Field::kLrDirection, Field::kLrAmount, Field::kLrHigh,
                   Field::kLrLow);
    case 0x12:
      return Swing(kSwingUpDownTable, v, Field::kUdDirection, Field::kUdAmount, Field::kUdHigh,
                   Field::kUdLow);
    case 0x13: return RowAt(kDpiKeyTable, v[At(Field::kDpi)]);
    case 0x14: return KeyFunction{0x14, Byte(v[At(Field::kFire1)]), Byte(v[At(Field::kFire2)])};
    case 0x20:
      if (!keyCaptured) return std::nullopt;
      return edited;
    case 0x30: return RowAt(kMediaKeyTable, v[At(Field::kMedia)]);
    case 0x40: return RowAt(kSystemKeyTable, v[At(Field::kSystem)]);
    case 0x70: {
      const int macro = v[At(Field::kMacro)];
      if (macro < 0) return std::nullopt;
      const int mode = std::max(v[At(Field::kPlayMode)], 0);
      if (mode == kPlayModeRepeat) {
        return KeyFunction{0x71, Byte(macro), Byte(v[At(Field::kRepeatCount)])};
      }
      return KeyFunction{0x70, Byte(macro), Byte(mode)};
    }
    default: return std::nullopt;
  }
}

FunctionView ViewOfFunction(device::DeviceKind kind, KeyFunction fn, bool factoryDefault,
                            std::size_t macroCount) {
  FunctionView view;
  const std::uint8_t shownKind = factoryDefault ? 0 : fn.kind;
  switch (shownKind) {
    case 0x00: break;
    case 0x10: AddRow(view, Field::kMouseButton, kMouseButtonTable, fn, MatchMode::kBothParams); break;
    case 0x11:
      AddSwing(view, fn, Field::kLrDirection, Field::kLrAmount, Field::kLrHigh, Field::kLrLow);
      break;
    case 0x12:
      AddSwing(view, fn, Field::kUdDirection, Field::kUdAmount, Field::kUdHigh, Field::kUdLow);
      break;
    case 0x13: AddRow(view, Field::kDpi, kDpiKeyTable, fn, MatchMode::kBothParams); break;
    case 0x14:
      view.fields.emplace_back(Field::kFire1, fn.param1);
      view.fields.emplace_back(Field::kFire2, fn.param2);
      break;
    case 0x20: {
      const auto row = FindFunctionRow(kKeyboardKeyTable, fn, MatchMode::kBothParams);
      view.capturedName = row ? kKeyboardKeyTable.names[*row] : std::string_view();
      break;
    }
    case 0x30: AddRow(view, Field::kMedia, kMediaKeyTable, fn, MatchMode::kBothParams); break;
    case 0x40: AddRow(view, Field::kSystem, kSystemKeyTable, fn, MatchMode::kBothParams); break;
    case 0x70:
    case 0x71:
      if (fn.param1 < macroCount) {
        view.fields.emplace_back(Field::kMacro, fn.param1);
        if (shownKind == 0x70) view.fields.emplace_back(Field::kPlayMode, fn.param2);
      } else {
        view.clearMacro = true;
      }
      if (shownKind == 0x71) {
        view.fields.emplace_back(Field::kPlayMode, kPlayModeRepeat);
        view.fields.emplace_back(Field::kRepeatCount, fn.param2);
      }
      break;
    default: return view;  // carried kinds: the editor stays as it is
  }
  view.selector = SelectorIndexOf(kind, shownKind);
  return view;
}

KeyLabel ComposeKeyLabel(const FunctionName& name, KeyFunction factoryDefault,
                         const Translate& translate) {
  const auto row = FindFunctionRow(kKeyboardKeyTable, factoryDefault, MatchMode::kBothParams);
  const std::string_view defaultId = row ? kKeyboardKeyTable.names[*row] : std::string_view();
  KeyLabel label;
  label.tooltip = defaultId.empty() ? std::string() : translate(defaultId);
  if (profiles::EqualsIgnoringCase(defaultId, name.text)) return label;
  label.reassigned = true;
  label.tooltip += translate("Key_Set");
  label.tooltip += name.source == FunctionName::Source::kLanguageId ? translate(name.text)
                                                                    : std::string(name.text);
  return label;
}

bool IsOnlyLeftClick(const std::array<KeyFunction, 6>& buttons, std::size_t slot) {
  constexpr KeyFunction kLeftClick{0x10, 0x01, 0x00};
  if (slot >= buttons.size() || buttons[slot] != kLeftClick) return false;
  return std::count(buttons.begin(), buttons.end(), kLeftClick) == 1;
}

}  // namespace tavrinex::keys
