#include "keys/macro_action.h"

#include <array>
#include <charconv>
#include <cstddef>

namespace tavrinex::keys {
namespace {

constexpr std::size_t kFieldCount = 6;
constexpr std::string_view kBlanks = " \t";

std::string_view Trim(std::string_view text) {
  const std::size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

// A whole decimal number with an optional sign and blanks around it.
std::optional<std::uint8_t> ParseField(std::string_view field) {
  std::string_view text = Trim(field);
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
    if (!text.empty() && text.front() == '-') return std::nullopt;
  }
  if (text.empty()) return std::nullopt;
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return static_cast<std::uint8_t>(static_cast<unsigned>(value) & 0xFFu);
}

}  // namespace

std::optional<MacroAction> ParseActionLine(std::string_view line) {
  // Fields 1-5 end at the first five commas; the name is everything after the last one.
  std::array<std::string_view, kFieldCount - 1> fields;
  std::size_t start = 0;
  for (auto& field : fields) {
    const std::size_t comma = line.find(',', start);
    if (comma == std::string_view::npos) return std::nullopt;
    field = line.substr(start, comma - start);
    start = comma + 1;
  }
  std::array<std::uint8_t, 4> bytes{};
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto b = ParseField(fields[i]);
    if (!b) return std::nullopt;
    bytes[i] = *b;
  }
  return MacroAction{bytes[0], bytes[1], bytes[2], bytes[3]};
}

std::string_view ActionLineName(std::string_view line) {
  const std::size_t comma = line.rfind(',');
  if (comma == std::string_view::npos) return {};
  return line.substr(comma + 1);
}

std::string FormatActionLine(MacroAction a, std::string_view name) {
  std::string out = std::to_string(a.delayLow) + ',' + std::to_string(a.delayHigh) + ',' +
                    std::to_string(a.eventCode) + ',' + std::to_string(a.eventValue) + ',' +
                    (IsPressed(a) ? '1' : '0') + ',';
  out += name;
  return out;
}

}  // namespace tavrinex::keys
