// The attribute values of the skin format, as the custom controls read them.
#pragma once

#include <optional>
#include <string_view>

#include "ui/color.h"

namespace tavrinex::appearance {

// Decimal with an optional sign; nothing for anything else (or a value out of range).
[[nodiscard]] std::optional<int> ParseDecimal(std::string_view text);
[[nodiscard]] std::optional<double> ParseNumber(std::string_view text);
// "#AARRGGBB", "#RRGGBB" (opaque) or "0xAARRGGBB"; nothing for anything else.
[[nodiscard]] std::optional<ui::Argb> ParseColour(std::string_view text);

}  // namespace tavrinex::appearance
