#include "platform/autostart.h"

#include <cerrno>
#include <cstdlib>
#include <system_error>

#include "storage/atomic_file.h"

namespace tavrinex::platform {

namespace {

// Exec quoting of desktop entries: the argument in double quotes with ", `, $ and \ escaped by
// a backslash, then every backslash doubled again (string values unescape once), and % as %%.
std::string QuoteExecArgument(std::string_view argument) {
  std::string quoted = "\"";
  for (const char c : argument) {
    if (c == '"' || c == '`' || c == '$') {
      quoted += "\\\\";
      quoted += c;
    } else if (c == '\\') {
      quoted += "\\\\\\\\";
    } else if (c == '%') {
      quoted += "%%";
    } else {
      quoted += c;
    }
  }
  return quoted + "\"";
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

}  // namespace

std::filesystem::path AutostartEntryPath(std::string_view xdgConfigHome,
                                         const std::filesystem::path& home) {
  std::filesystem::path config(std::string{xdgConfigHome});
  if (!config.is_absolute()) config = home / ".config";
  return config / "autostart" / (std::string(kApplicationId) + ".desktop");
}

std::filesystem::path AutostartEntryPathOfThisUser() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  const char* home = std::getenv("HOME");
  return AutostartEntryPath(config != nullptr ? config : "", home != nullptr ? home : "");
}

std::string AutostartEntryText(const std::filesystem::path& executable) {
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=Tavrinex Driver\n"
         "Comment=Configure the Tavrinex keyboard, mouse and mouse pad\n"
         "Exec=" + QuoteExecArgument(executable.string()) + "\n"
         "Icon=" + std::string(kApplicationId) + "\n"
         "Terminal=false\n"
         "NoDisplay=true\n"
         "X-GNOME-Autostart-enabled=true\n";
}

bool AutostartEnabled(const std::filesystem::path& entry) {
  const auto contents = profiles::ReadWholeFile(entry, 64 * 1024);
  if (contents.status != profiles::ReadStatus::kRead) return false;
  std::string_view rest = contents.bytes;
  bool inMainGroup = false;
  while (!rest.empty()) {
    const auto end = rest.find('\n');
    const std::string_view line = Trim(rest.substr(0, end));
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    if (line.starts_with('[')) {
      inMainGroup = line == "[Desktop Entry]";
    } else if (inMainGroup) {
      const auto eq = line.find('=');
      if (eq == std::string_view::npos) continue;
      const auto key = Trim(line.substr(0, eq));
      const auto value = Trim(line.substr(eq + 1));
      if (key == "Hidden" && value == "true") return false;
      if (key == "X-GNOME-Autostart-enabled" && value == "false") return false;
    }
  }
  return true;
}

bool SetAutostart(const std::filesystem::path& entry, bool on,
                  const std::filesystem::path& executable, int* error) {
  std::error_code ec;
  if (!on) {
    if (std::filesystem::remove(entry, ec) || !ec) return true;
    if (error != nullptr) *error = ec.value();
    return false;
  }
  std::filesystem::create_directories(entry.parent_path(), ec);
  if (ec) {
    if (error != nullptr) *error = ec.value();
    return false;
  }
  return profiles::WriteFileAtomically(entry, AutostartEntryText(executable), error);
}

}  // namespace tavrinex::platform
