// Reads the input as a macro file and as an index file the way the macro library reads them,
// parses every line as an action line, and builds the macro area from what it found: whatever
// the input, the area is well-formed (its length, counts and offsets agree and it decodes back
// to the same actions) and the capacity rule names a number of actions that makes it fit.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "keys/macro_action.h"
#include "keys/macro_blob.h"
#include "keys/macro_files.h"
#include "storage/ini_document.h"
#include "storage/ini_encoding.h"
#include "storage/ini_file.h"

namespace {

namespace keys = tavrinex::keys;

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

// A parsed line written back in the program's own form parses to the same action.
void CheckLines(std::string_view text) {
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    const std::string_view line = text.substr(start, end - start);
    if (const auto action = keys::ParseActionLine(line)) {
      const std::string again = keys::FormatActionLine(*action, keys::ActionLineName(line));
      Check(keys::ParseActionLine(again) == action);
    }
    start = end + 1;
  }
}

std::string Cut(std::string_view value) {
  return std::string(tavrinex::profiles::CutToUtf16Units(value, tavrinex::profiles::kIniBufferChars - 1));
}

int CountOf(const tavrinex::profiles::IniDocument& document, std::string_view section) {
  return tavrinex::profiles::ParseLeadingInt(Cut(document.Find(section, keys::kCountKey).value_or("0")));
}

// The one-pass readers of the library agree with reading key by key through the INI service.
void CheckReadersAgreeWithFind(const tavrinex::profiles::IniDocument& document,
                               const std::vector<std::string>& lines,
                               const std::vector<std::string>& names) {
  constexpr int kLimit = 4096;  // key by key is slow; larger counts are left to the unit tests
  const int actions = CountOf(document, keys::kActionCountSection);
  if (actions <= kLimit) {
    std::vector<std::string> slow;
    for (int k = 0; k < actions; ++k) {
      if (const auto v = document.Find(keys::kActionSection, std::to_string(k))) slow.push_back(Cut(*v));
    }
    Check(slow == lines);
  }
  const int macros = std::min(CountOf(document, keys::kMacroCountSection),
                              static_cast<int>(keys::kMaxIndexEntries));
  std::vector<std::string> slow;
  for (int i = 0; i < macros; ++i) {
    slow.push_back(Cut(document.Find(keys::kMacroNameSection, std::to_string(i)).value_or("0")));
  }
  Check(slow == names);
}

void CheckCapacity(std::size_t length, std::uint8_t units) {
  const keys::MacroCapacity c = keys::CheckMacroCapacity(length, units);
  Check(c.fits == (length <= 128u * units));
  if (c.fits) return;
  // Removing that many actions fits; one fewer does not.
  Check(length - 4 * c.actionsToRemove <= c.capacity || 4 * c.actionsToRemove > length);
  Check(length - 4 * (c.actionsToRemove - 1) > c.capacity);
}

void CheckBlob(const std::vector<keys::MacroActions>& macros, std::uint8_t units) {
  const std::size_t length = keys::MacroBlobLength(macros);
  CheckCapacity(length, units);
  const auto blob = keys::EncodeMacroBlob(macros);
  Check(blob.has_value() == (length <= 0xFFFF));
  if (!blob) return;
  Check(blob->size() == length);
  Check(keys::DecodeMacroBlob(*blob) == macros);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  CheckLines(bytes);

  const auto document = keys::ParseIniBytes(bytes);
  const std::vector<std::string> lines = keys::ActionLines(document);
  for (const auto& line : lines) {
    Check(tavrinex::profiles::CutToUtf16Units(line, tavrinex::profiles::kIniBufferChars - 1) == line);
  }
  const keys::MacroActions actions = keys::ParseActionLines(lines);
  Check(actions.size() <= lines.size());
  const std::vector<std::string> names = keys::IndexNames(document);
  CheckReadersAgreeWithFind(document, lines, names);

  // The same file named twice by the index, an empty macro, and the index read from the input.
  std::vector<keys::MacroActions> macros = {actions, {}, actions};
  for (const auto& name : names) {
    (void)keys::IsValidMacroName(name);
    macros.push_back(keys::MacroActions(actions.begin(), actions.begin() + static_cast<std::ptrdiff_t>(actions.size() / 2)));
  }
  CheckBlob(macros, size > 0 ? data[0] : 0);

  // Raw input as a received area: decoding never reads past it.
  if (const auto decoded = keys::DecodeMacroBlob({data, size})) {
    Check(keys::MacroBlobLength(*decoded) == size);
  }
  return 0;
}
