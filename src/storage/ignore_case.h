// Name comparison without regard to case, as the Windows INI service and file system do it for
// the names this program uses. Only ASCII letters fold; other bytes compare exactly.
#pragma once

#include <cstddef>
#include <string_view>

namespace tavrinex::profiles {

[[nodiscard]] constexpr char FoldAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

[[nodiscard]] constexpr bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return true;
}

static_assert(EqualsIgnoringCase("KbMacro.ini", "kbMacro.INI"));
static_assert(!EqualsIgnoringCase("kb", "kbx"));

}  // namespace tavrinex::profiles
