#include "keys/macro_files.h"

#include <charconv>
#include <cstdint>
#include <set>

#include "profiles/atomic_file.h"
#include "profiles/ini_encoding.h"
#include "profiles/ini_file.h"
#include "profiles/settings_folder.h"

namespace tavrinex::keys {
namespace {

using profiles::IniDocument;

constexpr std::string_view kBlanks = " \t\f\v";

std::string Cut(std::string_view value) {
  return std::string(profiles::CutToUtf16Units(value, profiles::kIniBufferChars - 1));
}

// "count" of a section, read as the INI service reads it; negative counts hold nothing.
std::size_t CountOf(const IniDocument& document, std::string_view section) {
  const int count = profiles::ParseLeadingInt(Cut(document.Find(section, kCountKey).value_or("0")));
  return count > 0 ? static_cast<std::size_t>(count) : 0;
}

// The key names of the document's lines that spell a decimal number below `limit`, as the INI
// service would match them (blanks around the name do not count).
std::set<std::size_t> NumericKeys(const IniDocument& document, std::size_t limit) {
  std::set<std::size_t> keys;
  for (const std::string& line : document.Lines()) {
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    std::string_view name = std::string_view(line).substr(0, equals);
    const std::size_t first = name.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) continue;
    name = name.substr(first, name.find_last_not_of(kBlanks) - first + 1);
    if (name.size() > 1 && name.front() == '0') continue;  // "01" is not the key "1"
    std::uint64_t k = 0;
    const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), k);
    if (error == std::errc() && end == name.data() + name.size() && k < limit) {
      keys.insert(static_cast<std::size_t>(k));
    }
  }
  return keys;
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
  const std::size_t count = CountOf(index, kMacroCountSection);
  std::vector<std::string> names;
  for (std::size_t i = 0; i < count; ++i) {
    const auto name = index.Find(kMacroNameSection, std::to_string(i));
    if (!name) break;
    names.push_back(Cut(*name));
  }
  return names;
}

std::vector<std::string> ActionLines(const IniDocument& macro) {
  std::vector<std::string> lines;
  for (const std::size_t k : NumericKeys(macro, CountOf(macro, kActionCountSection))) {
    if (const auto line = macro.Find(kActionSection, std::to_string(k))) lines.push_back(Cut(*line));
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
    const auto contents = profiles::ReadWholeFile(target);
    if (contents.status == profiles::ReadStatus::kFailed) return false;
    auto decoded = profiles::DecodeIniBytes(contents.bytes);
    encoding = decoded.encoding;
    document = IniDocument::Parse(decoded.text);
  }
  for (const auto& v : values) document.Set(v.section, v.key, v.value);
  const std::string text = document.Serialize();
  return profiles::WriteFileAtomically(
      target, profiles::EncodeIniText(text, profiles::EncodingForWrite(encoding, text)));
}

}  // namespace tavrinex::keys
