#include "keys/macro_files.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <map>
#include <optional>

#include "storage/atomic_file.h"
#include "storage/ignore_case.h"
#include "storage/ini_encoding.h"
#include "storage/ini_file.h"
#include "storage/settings_folder.h"

namespace tavrinex::keys {
namespace {

using profiles::IniDocument;

std::string Cut(std::string_view value) {
  return std::string(profiles::CutToUtf16Units(value, profiles::kIniBufferChars - 1));
}

// "count" of a section, read as the INI service reads it; negative counts hold nothing.
std::size_t CountOf(const IniDocument& document, std::string_view section) {
  const int count = profiles::ParseLeadingInt(Cut(document.Find(section, kCountKey).value_or("0")));
  return count > 0 ? static_cast<std::size_t>(count) : 0;
}

// "12" is the key 12; "012", "+12" and " 1 2" are not (key names compare as text).
std::optional<std::size_t> KeyNumber(std::string_view name) {
  if (name.empty() || (name.size() > 1 && name.front() == '0')) return std::nullopt;
  std::uint64_t k = 0;
  const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), k);
  if (error != std::errc() || end != name.data() + name.size()) return std::nullopt;
  return static_cast<std::size_t>(k);
}

// The values of the keys "0" ... limit - 1 of a section in one pass over the document, read as
// IniDocument::Find reads each of them (the first section of the name, the first key of a name,
// blanks trimmed, one pair of quotes removed): a key at a time would cost a pass per key.
std::map<std::size_t, std::string_view> NumberedValues(const IniDocument& document,
                                                       std::string_view section,
                                                       std::size_t limit) {
  std::map<std::size_t, std::string_view> values;
  bool inSection = false;
  for (const std::string& line : document.Lines()) {
    const profiles::IniLine info = profiles::ClassifyIniLine(line);
    if (info.kind == profiles::IniLineKind::kSection) {
      if (inSection) break;  // only the first section of the name counts
      inSection = profiles::EqualsIgnoringCase(info.name, section);
      continue;
    }
    if (!inSection || info.kind != profiles::IniLineKind::kKey) continue;
    const auto k = KeyNumber(info.name);
    if (k && *k < limit) values.emplace(*k, profiles::UnquoteIniValue(info.value));
  }
  return values;
}

}  // namespace

std::string_view MacroIndexFileName(device::DeviceKind kind) {
  switch (kind) {
    case device::DeviceKind::kKeyboard: return "kbMacro.ini";
    case device::DeviceKind::kMouse: return "msMacro.ini";
    case device::DeviceKind::kMousePad: return {};
  }
  return {};
}

bool IsValidMacroName(std::string_view name) {
  if (name.empty() || name == "." || name == ".." || name.size() > kMaxMacroNameBytes) return false;
  for (const char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '/' || c == '\\' || u < 0x20 || u == 0x7F) return false;
  }
  if (Cut(name) != name || !profiles::IsWritableValue(name)) return false;
  IniDocument probe;
  probe.Set(kMacroNameSection, "0", name);
  return probe.Find(kMacroNameSection, "0") == name;
}

IniDocument ParseIniBytes(std::string_view bytes) {
  return IniDocument::Parse(profiles::DecodeIniBytes(bytes).text);
}

IniDocument ReadIniDocument(const std::filesystem::path& file) {
  const auto contents = profiles::ReadWholeFile(profiles::ResolveIgnoringCase(file));
  if (contents.status != profiles::ReadStatus::kRead) return {};
  return ParseIniBytes(contents.bytes);
}

std::vector<std::string> IndexNames(const IniDocument& index) {
  std::vector<std::string> names;
  const std::size_t count = std::min(CountOf(index, kMacroCountSection), kMaxIndexEntries);
  const auto present = NumberedValues(index, kMacroNameSection, count);
  for (std::size_t i = 0; i < count; ++i) {
    const auto found = present.find(i);
    names.push_back(Cut(found != present.end() ? found->second : profiles::kIniDefault));
  }
  return names;
}

std::vector<std::string> ActionLines(const IniDocument& macro) {
  std::vector<std::string> lines;
  for (const auto& [k, line] : NumberedValues(macro, kActionSection, CountOf(macro, kActionCountSection))) {
    lines.push_back(Cut(line));
  }
  return lines;
}

bool WriteIniValues(const std::filesystem::path& file, const std::vector<IniValue>& values,
                    bool fresh) {
  for (const auto& v : values) {
    if (!profiles::IsWritableSection(v.section) || !profiles::IsWritableKey(v.key) ||
        !profiles::IsWritableValue(v.value)) {
      return false;
    }
  }
  const std::filesystem::path target = profiles::ResolveIgnoringCase(file);
  profiles::IniEncoding encoding = profiles::IniEncoding::kPlain;
  IniDocument document;
  if (!fresh) {
    const auto found = profiles::ReadIniForWrite(target);
    if (!found) return false;
    encoding = found->decoded.encoding;
    document = IniDocument::Parse(found->decoded.text);
  }
  for (const auto& v : values) document.Set(v.section, v.key, v.value);
  return profiles::ReplaceIniFile(target, document.Serialize(), encoding);
}

}  // namespace tavrinex::keys
