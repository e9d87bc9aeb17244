#include "platform/kde_config.h"

#include <system_error>
#include <vector>

#include "storage/atomic_file.h"

namespace tavrinex::platform {

namespace {

std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const auto end = text.find('\n');
    lines.push_back(text.substr(0, end));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

std::string_view TrimLeft(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  return s;
}

// "Key=...", "Key =...", "Key[$i]=..." (an immutable or localised entry of that key).
bool IsEntryOf(std::string_view line, std::string_view key) {
  line = TrimLeft(line);
  if (!line.starts_with(key)) return false;
  line.remove_prefix(key.size());
  line = TrimLeft(line);
  return line.starts_with('=') || line.starts_with("[$");
}

}  // namespace

std::string WithKdeConfigValue(std::string_view text, std::string_view group, std::string_view key,
                               std::string_view value) {
  const std::string header = "[" + std::string(group) + "]";
  const std::string entry = std::string(key) + "=" + std::string(value);
  std::vector<std::string> out;
  bool inGroup = false;
  bool groupSeen = false;
  bool done = false;
  auto closeGroup = [&] {
    if (!inGroup || done) return;
    std::size_t at = out.size();
    while (at > 0 && out[at - 1].empty()) --at;  // before the blank lines that end the group
    out.insert(out.begin() + static_cast<std::ptrdiff_t>(at), entry);
    done = true;
  };
  for (const auto line : Lines(text)) {
    const auto trimmed = TrimLeft(line);
    if (trimmed.starts_with('[')) {
      closeGroup();
      inGroup = trimmed.substr(0, trimmed.find_last_not_of(" \t\r") + 1) == header;
      groupSeen = groupSeen || inGroup;
    } else if (inGroup && !done && IsEntryOf(line, key)) {
      out.push_back(entry);
      done = true;
      continue;
    }
    out.emplace_back(line);
  }
  closeGroup();
  std::string result;
  for (const auto& line : out) result += line + "\n";
  if (!groupSeen) {
    if (!result.empty() && !result.ends_with("\n\n")) result += "\n";
    result += header + "\n" + entry + "\n";
  }
  return result;
}

bool SetKdeConfigValue(const std::filesystem::path& file, std::string_view group,
                       std::string_view key, std::string_view value) {
  const auto contents = profiles::ReadWholeFile(file);
  if (contents.status == profiles::ReadStatus::kFailed) return false;
  std::error_code ec;
  std::filesystem::create_directories(file.parent_path(), ec);
  return profiles::WriteFileAtomically(file, WithKdeConfigValue(contents.bytes, group, key, value));
}

}  // namespace tavrinex::platform
